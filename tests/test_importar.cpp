// The import of another logger's history: the sets written in the sheet's notation exactly as its
// reader takes them back, each format's export read into routine files byte for byte, KORVAL's
// own CSV back into the same files, nothing added twice, a failed day left as it was, and the
// command line's exit statuses through the real program.
#include "costuras.h"

#include "general/errores.h"
#include "storage/exportar.h"
#include "storage/importar.h"
#include "storage/lista_usuarios.h"
#include "storage/rutina_archivo.h"
#include "storage/serie.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

class TestImportar : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void elEscritorEsElInversoDelLector_data();
    void elEscritorEsElInversoDelLector();
    void formatos_data();
    void formatos();
    void diasConRutina();
    void elDiscoCambiaTrasLaVistaPrevia();
    void idaYVuelta();
    void dosVecesNoCambiaNada();
    void unDiaQueFalla();
    void lineaDeOrdenes_data();
    void lineaDeOrdenes();

  private:
    QTemporaryDir tmp;
    QString datos;
};

static void escribir(const QString& ruta, const QByteArray& bytes) {
    QVERIFY(prueba::escribirArchivo(ruta, bytes));
}
using prueba::leerArchivo;

void TestImportar::init() {
    datos = tmp.path() + "/" + QTest::currentTestFunction() + "/KORVAL";
    if (QTest::currentDataTag())
        datos += QString("-%1").arg(qHash(QString(QTest::currentDataTag())));
    QDir().mkpath(datos);
    escribir(datos + "/USRS.kvldat", "Ana\r\n");
}

// A set as the import writes it, told as the reader tells it back.
struct TSetLeido {
    double kg;
    QString unidad;
    double repes;
    double rpe;
    bool calentamiento;
    bool operator==(const TSetLeido& o) const {
        return qAbs(kg - o.kg) < 0.006 && unidad == o.unidad && repes == o.repes && rpe == o.rpe &&
               calentamiento == o.calentamiento;
    }
};
Q_DECLARE_METATYPE(QList<TSerieImportada>)

static char* aTexto(const QList<TSetLeido>& l) {
    QStringList p;
    for (const TSetLeido& s : l)
        p << QString("%1 %2 x%3 @%4%5")
                 .arg(s.kg)
                 .arg(s.unidad)
                 .arg(s.repes)
                 .arg(s.rpe)
                 .arg(s.calentamiento ? " (w)" : "");
    return qstrdup(qPrintable(p.join(", ")));
}
namespace QTest {
template <> char* toString(const QList<TSetLeido>& l) {
    return aTexto(l);
}
} // namespace QTest

// One table: the sets of an exercise as another logger gives them, the rows the import writes,
// and those rows read back through the reader's rule for a whole row, which must give the same
// sets (load, unit, reps, RPE, warm-up): nothing is written that reads back as something else.
void TestImportar::elEscritorEsElInversoDelLector_data() {
    QTest::addColumn<QList<TSerieImportada>>("series");
    QTest::addColumn<QStringList>("filas"); // each row's cells from "Series" on, joined by "|"
    auto s = [](double carga, int repes, double rpe = 0, bool calentamiento = false,
                bool libras = false) {
        return TSerieImportada{carga, libras, rpe, calentamiento, repes};
    };
    QTest::newRow("repes por serie") << QList<TSerieImportada>{s(100, 5), s(100, 5), s(95, 6)}
                                     << QStringList{"3|5/5/6|100|100|95"};
    QTest::newRow("todas iguales: un numero")
        << QList<TSerieImportada>{s(60, 8), s(60, 8)} << QStringList{"2|8|60|60"};
    QTest::newRow("calentamientos con otras repes")
        << QList<TSerieImportada>{s(20, 10, 0, true), s(60, 8), s(62.5, 8), s(62.5, 6)}
        << QStringList{"3|10/8/8/6|(20)|60|62,5|62,5"};
    QTest::newRow("rpe en algunas")
        << QList<TSerieImportada>{s(100, 5, 8), s(100, 5), s(100, 4, 9.5)}
        << QStringList{"3|5/5/4|100@8|100|100@9,5"};
    QTest::newRow("descendentes y al fallo son de trabajo")
        << QList<TSerieImportada>{s(80, 8), s(60, 12), s(40, 15)}
        << QStringList{"3|8/12/15|80|60|40"};
    QTest::newRow("libras") << QList<TSerieImportada>{s(135, 5, 0, false, true),
                                                      s(45, 10, 0, true, true)}
                            << QStringList{"1|5/10|135lb|(45lb)"};
    QTest::newRow("kg y libras en un ejercicio")
        << QList<TSerieImportada>{s(60, 8), s(135, 8, 8, false, true)}
        << QStringList{"2|8|60|135lb@8"};
    QTest::newRow("peso corporal y asistidas")
        << QList<TSerieImportada>{s(0, 12), s(-20, 8), s(-10, 8, 0, false, true), s(0, 10, 0, true)}
        << QStringList{"3|12/8/8/10|PC|PC-20|PC-10lb|(PC)"};
    QTest::newRow("redondeo a centesimas")
        << QList<TSerieImportada>{s(61.2349, 5), s(2.5, 5)} << QStringList{"2|5|61,23|2,5"};
    QList<TSerieImportada> diez;
    for (int i = 0; i < 10; ++i)
        diez << s(50 + i, 10 - i / 5);
    QTest::newRow("mas de ocho series: otra fila")
        << diez << QStringList{"8|10/10/10/10/10/9/9/9|50|51|52|53|54|55|56|57", "2|9|58|59"};
}

void TestImportar::elEscritorEsElInversoDelLector() {
    QFETCH(QList<TSerieImportada>, series);
    QFETCH(QStringList, filas);
    QList<TCeldaImportada> celdas;
    for (const TSerieImportada& s : series)
        celdas << TCeldaImportada{CeldaDeSerie(s), true, s.calentamiento, s.repes};
    const QList<QStringList> escritas = FilasDeEjercicio("Press", celdas);
    QStringList vistas;
    QList<TSetLeido> leidas;
    for (const QStringList& f : escritas) {
        QCOMPARE(f.size(), 11);
        QCOMPARE(f[0], QString("Press"));
        QStringList partes = f.mid(1);
        while (!partes.isEmpty() && partes.last().isEmpty())
            partes.removeLast();
        vistas << partes.join(u'|');
        for (const TSerieContada& c : SeriesDeFila(f[1], f[2], f.mid(3))) {
            QVERIFY2(c.celda >= 0, "a set filled in that was not written");
            leidas << TSetLeido{c.serie.kg, c.serie.unidad, c.repes, c.serie.rpe,
                                c.serie.calentamiento};
        }
    }
    QCOMPARE(vistas, filas);
    QList<TSetLeido> esperadas;
    for (const TSerieImportada& s : series) {
        const double kg = std::round(s.carga * 100) / 100 * (s.libras ? kKgPorLibra : 1);
        esperadas << TSetLeido{kg,
                               s.carga <= 0 ? "PC"
                               : s.libras   ? "lb"
                                            : "kg",
                               double(s.repes), s.rpe, s.calentamiento};
    }
    QCOMPARE(leidas, esperadas);
}

// A small export of each format, written here from the headers the apps publish, kept to what
// differs between them: header, separator, units, dates, set types. Two workouts on one day go
// one after the other, in time order; lines that cannot be read are skipped and named by line.
void TestImportar::formatos_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<bool>("libras"); // --unidad lb
    QTest::addColumn<QString>("formato");
    QTest::addColumn<QStringList>("dias"); // "yyyyMMdd", then the first rows, cells by "|"
    QTest::addColumn<QStringList>("saltadas");
    QTest::newRow("strong")
        << QByteArray("Date,Workout Name,Duration,Exercise Name,Set Order,Weight,Reps,Distance,"
                      "Seconds,Notes,Workout Notes,RPE\n"
                      "2025-07-23 19:16:49,Tarde,1h,Press banca,1,60,8,0,0,,,8\n"
                      "2025-07-23 19:16:49,Tarde,1h,Press banca,2,62.5,6,0,0,\"una,\nnota\",,\n"
                      "2025-07-23 07:00:00,Mañana,30m,Correr,1,0,0,5,1500,,,\n"
                      "23/07/2025,Tarde,1h,Press banca,3,60,8,0,0,,,\n"
                      "2025-07-23 19:16:49,Tarde,1h,Dominadas,1,,10,0,0,,,\n"
                      "2025-07-23 19:16:49,Tarde,1h,Dominadas,2,x5,10,0,0,,,\n")
        << true << "strong"
        << QStringList{"20250723", "Correr|||5 mi 25:00", "Press banca|2|8/6|60lb@8|62,5lb",
                       "Dominadas|1|10|PC"}
        << QStringList{"línea 6: fecha ilegible «23/07/2025»", "línea 8: peso ilegible «x5»"};
    QTest::newRow("strong antiguo, con punto y coma")
        << QByteArray("Date;Workout Name;Exercise Name;Set Order;Weight;Weight Unit;Reps;RPE;"
                      "Distance;Distance Unit;Seconds;Notes;Workout Notes\r\n"
                      "2020-01-02 18:00:00;A;Remo;1;50,5;kg;10;;;;;;\r\n"
                      "2020-01-02 18:00:00;A;Remo;2;110;lbs;10;12;;;;;\r\n")
        << false << "strong" << QStringList{"20200102", "Remo|2|10|50,5|110lb"} << QStringList{};
    QTest::newRow("hevy")
        << QByteArray("\xEF\xBB\xBF\"title\",\"start_time\",\"end_time\",\"description\","
                      "\"exercise_title\",\"superset_id\",\"exercise_notes\",\"set_index\","
                      "\"set_type\",\"weight_kg\",\"reps\",\"distance_km\",\"duration_seconds\","
                      "\"rpe\"\n"
                      "\"Push\",\"23 Jul 2025, 19:16\",\"23 Jul 2025, 20:16\",\"\",\"Bench Press\","
                      "\"\",\"\",\"0\",\"warmup\",\"20\",\"12\",\"\",\"\",\"\"\n"
                      "\"Push\",\"23 Jul 2025, 19:16\",\"23 Jul 2025, 20:16\",\"\",\"Bench Press\","
                      "\"\",\"\",\"1\",\"normal\",\"80\",\"5\",\"\",\"\",\"8.5\"\n"
                      "\"Push\",\"23 Jul 2025, 19:16\",\"23 Jul 2025, 20:16\",\"\",\"Bench Press\","
                      "\"\",\"\",\"2\",\"dropset\",\"60\",\"8\",\"\",\"\",\"\"\n"
                      "\"Push\",\"23 Jul 2025, 19:16\",\"23 Jul 2025, 20:16\",\"\",\"Dips\","
                      "\"\",\"\",\"0\",\"failure\",\"-15\",\"9\",\"\",\"\",\"\"\n"
                      "\"Push\",\"23 Jul 2025, 19:16\",\"23 Jul 2025, 20:16\",\"\",\"Dips\","
                      "\"\",\"\",\"1\",\"normal\",\"\",\"0\",\"\",\"\",\"\"\n"
                      "\"Noche\",\"23 Jul 2025, 21:00\",\"23 Jul 2025, 21:30\",\"\",\"Curl|x\","
                      "\"\",\"\",\"0\",\"normal\",\"10\",\"10\",\"\",\"\",\"\"\n")
        << false << "hevy"
        << QStringList{"20250723", "Bench Press|2|12/5/8|(20)|80@8,5|60", "Dips|1|9|PC-15"}
        << QStringList{"línea 6: una serie sin repeticiones",
                       "línea 7: el ejercicio «Curl|x» no se puede guardar en una rutina (El "
                       "texto contiene un caracter que no se puede guardar: |)"};
    QTest::newRow("fitnotes")
        << QByteArray("Date,Exercise,Category,Weight,Weight Unit,Reps,Distance,Distance Unit,Time,"
                      "Comment\n"
                      "2025-07-23,Flat Bench,Chest,100.0,lbs,5,,,,\n"
                      "2025-07-23,Flat Bench,Chest,100.0,lbs,150,,,,\n"
                      "2025-07-23,Treadmill,Cardio,,,,2.5,km,0:12:30,\n")
        << false << "fitnotes"
        << QStringList{"20250723", "Flat Bench|1|5|100lb", "Treadmill|||2,5 km 12:30"}
        << QStringList{"línea 3: 150 repeticiones: más de 100"};
}

void TestImportar::formatos() {
    QFETCH(QByteArray, csv);
    QFETCH(bool, libras);
    QFETCH(QString, formato);
    QFETCH(QStringList, dias);
    QFETCH(QStringList, saltadas);
    const TPlanImportacion plan =
        PlanearImportacion(LeerHistorial(csv, TFormatoHistorial::Auto, libras), datos, "Ana");
    QCOMPARE(NombreDeFormato(plan.lectura.formato), formato);
    QCOMPARE(plan.lectura.saltadas, saltadas);
    for (const TPlanDia& d : plan.dias)
        ImportarDia(d, datos, "Ana", QDateTime(QDate(2026, 1, 1), QTime(10, 0)));
    QList<QByteArray> esperadas;
    for (const QString& l : dias.mid(1))
        esperadas << prueba::linea(l.split(u'|'));
    QCOMPARE(leerArchivo(datos + "/" + dias[0] + "Ana.kvr"), prueba::rutina(esperadas));
    QCOMPARE(QDir(datos).entryList({"*.kvr"}), QStringList{dias[0] + "Ana.kvr"});
    // Forced to another format, the header is refused naming what was looked for.
    try {
        LeerHistorial(
            csv, formato == "hevy" ? TFormatoHistorial::FitNotes : TFormatoHistorial::Hevy, false);
        QFAIL("another format's header was taken");
    } catch (const ErrorKorval& e) {
        QVERIFY2(e.mensaje().contains("exercise_title"), qPrintable(e.mensaje()));
    }
}

// A day that has a routine gets the rows after its last row, written or marked, its old version
// kept in "respaldos"; a day whose rows do not fit is left as it was and named.
void TestImportar::diasConRutina() {
    const QByteArray csv =
        "Date,Workout Name,Duration,Exercise Name,Set Order,Weight,Reps,Distance,Seconds,Notes,"
        "Workout Notes,RPE\n"
        "2025-07-23 19:00:00,A,1h,Remo,1,50,10,0,0,,,\n"
        "2025-07-24 19:00:00,A,1h,Remo,1,50,10,0,0,,,\n";
    const QByteArray antes = prueba::rutina({prueba::linea({"Sentadilla", "3", "5", "100"}),
                                             prueba::linea({}), prueba::linea({}, -65536)});
    escribir(datos + "/20250723Ana.kvr", antes);
    QList<QByteArray> llena;
    for (int i = 0; i < 100; ++i)
        llena << prueba::linea({QString("E%1").arg(i)});
    escribir(datos + "/20250724Ana.kvr", prueba::rutina(llena));
    const TPlanImportacion plan =
        PlanearImportacion(LeerHistorial(csv, TFormatoHistorial::Auto, false), datos, "Ana");
    QCOMPARE(plan.dias.size(), 2);
    QVERIFY(plan.dias[0].cambia && plan.dias[0].existe);
    QVERIFY(plan.dias[1].noCabe && !plan.dias[1].cambia);
    const QString resumen = ResumenImportacion(plan);
    QVERIFY2(resumen.contains("Días en los que no caben las filas, que se dejan como estaban: "
                              "2025-07-24"),
             qPrintable(resumen));
    ImportarDia(plan.dias[0], datos, "Ana", QDateTime(QDate(2026, 1, 1), QTime(10, 0)));
    QCOMPARE(leerArchivo(datos + "/20250723Ana.kvr"),
             prueba::rutina({prueba::linea({"Sentadilla", "3", "5", "100"}), prueba::linea({}),
                             prueba::linea({}, -65536), prueba::linea({"Remo", "1", "10", "50"})}));
    QCOMPARE(leerArchivo(datos + "/respaldos/20250723Ana-20260101-100000.kvr"), antes);
}

// What another program writes between the preview and "Importar" stays: the rows go onto the
// routine as it is then; rows it already added are not added again; a routine that became a
// link out of the folder is neither written nor copied.
void TestImportar::elDiscoCambiaTrasLaVistaPrevia() {
    const QByteArray csv =
        "Date,Workout Name,Duration,Exercise Name,Set Order,Weight,Reps,Distance,Seconds,Notes,"
        "Workout Notes,RPE\n"
        "2025-07-23 19:00:00,A,1h,Remo,1,50,10,0,0,,,\n"
        "2025-07-24 19:00:00,A,1h,Remo,1,50,10,0,0,,,\n"
        "2025-07-25 19:00:00,A,1h,Remo,1,50,10,0,0,,,\n";
    const QByteArray sentadilla = prueba::linea({"Sentadilla", "3", "5", "100"});
    const QByteArray remo = prueba::linea({"Remo", "1", "10", "50"});
    for (const char* d : {"20250723", "20250724", "20250725"})
        escribir(datos + "/" + d + "Ana.kvr", prueba::rutina({sentadilla}));
    const TPlanImportacion plan =
        PlanearImportacion(LeerHistorial(csv, TFormatoHistorial::Auto, false), datos, "Ana");
    QCOMPARE(plan.dias.size(), 3);
    const QByteArray curl = prueba::linea({"Curl", "3", "12", "14"});
    escribir(datos + "/20250723Ana.kvr", prueba::rutina({sentadilla, curl}));
    escribir(datos + "/20250724Ana.kvr", prueba::rutina({sentadilla, remo}));
    QTemporaryDir fuera;
    escribir(fuera.path() + "/ajeno.kvr", "secreto");
    QFile::remove(datos + "/20250725Ana.kvr");
    QVERIFY(QFile::link(fuera.path() + "/ajeno.kvr", datos + "/20250725Ana.kvr"));
    const QDateTime momento(QDate(2026, 1, 1), QTime(10, 0));
    for (const TPlanDia& d : plan.dias.mid(0, 2))
        ImportarDia(d, datos, "Ana", momento);
    QCOMPARE(leerArchivo(datos + "/20250723Ana.kvr"), prueba::rutina({sentadilla, curl, remo}));
    QCOMPARE(leerArchivo(datos + "/20250724Ana.kvr"), prueba::rutina({sentadilla, remo}));
    try {
        ImportarDia(plan.dias[2], datos, "Ana", momento);
        QFAIL("written through a link out of the folder");
    } catch (const ErrorKorval&) {
    }
    QCOMPARE(leerArchivo(fuera.path() + "/ajeno.kvr"), QByteArray("secreto"));
    // One copy: the day that changed; none of the link's target.
    QCOMPARE(QDir(datos + "/respaldos").entryList(QDir::Files),
             QStringList{"20250723Ana-20260101-100000.kvr"});
}

// KORVAL's own CSV of a folder, imported into an empty one, gives the same routine files, byte for
// byte: every cell at its place, marks, marked empty rows, texts a spreadsheet would run.
void TestImportar::idaYVuelta() {
    TTabla A(100, QStringList(11));
    TMarcas C(100, 0);
    A[0] = QStringList{"=HYPERLINK(\"x\")",
                       "3",
                       "8/8/6",
                       "(60x10)",
                       "100@8",
                       "",
                       "PC+5",
                       "-20",
                       "'hola",
                       "",
                       "90s"};
    A[2] = QStringList{"Remo", "", "", "", "", "", "", "", "", "", "50"};
    C[2] = -8388864;
    C[5] = -256;
    A[99][0] = "Último";
    const QString origen = tmp.path() + "/origen";
    QDir().mkpath(origen);
    escribir(origen + "/USRS.kvldat", "Ana\r\n");
    escribir(origen + "/20240101Ana.kvr", FormatearRutina(A, C, 100, 11));
    escribir(origen + "/20240102Ana.kvr",
             prueba::rutina({prueba::linea({"Curl", "3", "12", "14"})}));
    // A day with nothing in it is not in the CSV, and is no file afterwards either.
    escribir(origen + "/20240103Ana.kvr", prueba::rutina({}));
    const QByteArray csv = CsvDeUsuario(origen, "Ana", nullptr);
    const TPlanImportacion plan =
        PlanearImportacion(LeerHistorial(csv, TFormatoHistorial::Auto, false), datos, "Ana");
    QCOMPARE(plan.lectura.formato, TFormatoHistorial::Korval);
    QVERIFY(plan.lectura.saltadas.isEmpty());
    for (const TPlanDia& d : plan.dias)
        ImportarDia(d, datos, "Ana", QDateTime::currentDateTime());
    QCOMPARE(QDir(datos).entryList({"*.kvr"}), (QStringList{"20240101Ana.kvr", "20240102Ana.kvr"}));
    for (const QString n : {"20240101Ana.kvr", "20240102Ana.kvr"})
        QCOMPARE(leerArchivo(datos + "/" + n), leerArchivo(origen + "/" + n));
    // Imported again, marked empty rows and all: nothing to write.
    const TPlanImportacion otra =
        PlanearImportacion(LeerHistorial(csv, TFormatoHistorial::Auto, false), datos, "Ana");
    for (const TPlanDia& d : otra.dias)
        QVERIFY2(!d.cambia, qPrintable(d.dia.toString()));
}

// The same file imported again adds nothing: no day is written (same files, nothing new in
// "respaldos"), also where the day holds the same exercise twice.
void TestImportar::dosVecesNoCambiaNada() {
    const QByteArray csv =
        "Date,Workout Name,Duration,Exercise Name,Set Order,Weight,Reps,Distance,Seconds,Notes,"
        "Workout Notes,RPE\n"
        "2025-07-23 08:00:00,A,1h,Remo,1,50,10,0,0,,,\n"
        "2025-07-23 19:00:00,B,1h,Remo,1,50,10,0,0,,,\n"
        "2025-07-24 19:00:00,B,1h,Curl,1,10,10,0,0,,,\n";
    for (int vez = 0; vez < 2; ++vez) {
        const TPlanImportacion plan =
            PlanearImportacion(LeerHistorial(csv, TFormatoHistorial::Auto, false), datos, "Ana");
        int cambian = 0;
        for (const TPlanDia& d : plan.dias) {
            cambian += d.cambia;
            if (d.cambia) ImportarDia(d, datos, "Ana", QDateTime::currentDateTime());
        }
        QCOMPARE(cambian, vez == 0 ? 2 : 0);
        if (vez == 1) QCOMPARE(plan.dias[0].repetidos, 2);
    }
    QCOMPARE(leerArchivo(datos + "/20250723Ana.kvr"),
             prueba::rutina({prueba::linea({"Remo", "1", "10", "50"}),
                             prueba::linea({"Remo", "1", "10", "50"})}));
    QVERIFY(!QFileInfo::exists(datos + "/respaldos"));
}

static int renombres = 0;
// The third rename: the save of the second day, after its old version went to "respaldos".
static int renombrarFallaElTercero(const char* desde, const char* hacia) {
    if (++renombres == 3) {
        errno = ENOSPC;
        return -1;
    }
    return ::rename(desde, hacia);
}

// A day whose save fails is left as it was and named; the others go in whole.
void TestImportar::unDiaQueFalla() {
    const QByteArray csv =
        "Date,Workout Name,Duration,Exercise Name,Set Order,Weight,Reps,Distance,Seconds,Notes,"
        "Workout Notes,RPE\n"
        "2025-07-23 08:00:00,A,1h,Remo,1,50,10,0,0,,,\n"
        "2025-07-24 08:00:00,A,1h,Remo,1,55,10,0,0,,,\n"
        "2025-07-25 08:00:00,A,1h,Remo,1,60,10,0,0,,,\n";
    const QByteArray antes = prueba::rutina({prueba::linea({"Press", "3", "5", "80"})});
    escribir(datos + "/20250724Ana.kvr", antes);
    const TPlanImportacion plan =
        PlanearImportacion(LeerHistorial(csv, TFormatoHistorial::Auto, false), datos, "Ana");
    TLlamadasGuardado fallar = LlamadasDelSistema();
    fallar.renombrar = renombrarFallaElTercero;
    renombres = 0;
    QStringList fallidos;
    {
        FijarLlamadasGuardado(&fallar);
        for (const TPlanDia& d : plan.dias) {
            try {
                ImportarDia(d, datos, "Ana", QDateTime::currentDateTime());
            } catch (const ErrorKorval& e) {
                fallidos << d.dia.toString(Qt::ISODate) + ": " + e.mensaje();
            }
        }
        FijarLlamadasGuardado(nullptr);
    }
    QCOMPARE(fallidos, QStringList{"2025-07-24: Disk full"});
    QCOMPARE(QDir(datos + "/respaldos").entryList(QDir::Files).size(), 1);
    QCOMPARE(leerArchivo(datos + "/20250724Ana.kvr"), antes);
    QCOMPARE(leerArchivo(datos + "/20250723Ana.kvr"),
             prueba::rutina({prueba::linea({"Remo", "1", "10", "50"})}));
    QCOMPARE(leerArchivo(datos + "/20250725Ana.kvr"),
             prueba::rutina({prueba::linea({"Remo", "1", "10", "60"})}));
    QCOMPARE(QDir(datos).entryList(QDir::Hidden | QDir::Files).filter(".tmp-"), QStringList());
}

void TestImportar::lineaDeOrdenes_data() {
    QTest::addColumn<QStringList>("argumentos"); // DATOS and ARCHIVO are filled in
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("mensaje"); // the start of stderr, or what stdout holds
    QTest::addColumn<QStringList>("rutinas");
    const QByteArray strong =
        "Date,Workout Name,Duration,Exercise Name,Set Order,Weight,Reps,Distance,Seconds,Notes,"
        "Workout Notes,RPE\n"
        "2025-07-23 08:00:00,A,1h,Remo,1,50,10,0,0,,,\n";
    const QStringList importar{"--importar-csv", "ARCHIVO", "--carpeta", "DATOS"};
    QTest::newRow("hecho") << importar << strong << 0 << "Días escritos: 1"
                           << QStringList{"20250723Ana.kvr"};
    QTest::newRow("una linea saltada")
        << importar << strong + "2025-07-2x 08:00:00,A,1h,Remo,2,50,10,0,0,,,\n"
        << 1 << "línea 3: fecha ilegible" << QStringList{"20250723Ana.kvr"};
    QTest::newRow("prueba") << importar + QStringList{"--prueba"} << strong << 0
                            << "Prueba: no se ha escrito nada." << QStringList{};
    QTest::newRow("prueba con un usuario nuevo")
        << importar + QStringList{"--prueba", "--usuario", "Eva"} << strong << 0
        << "Prueba: no se ha escrito nada." << QStringList{};
    QTest::newRow("usuario nuevo") << importar + QStringList{"--usuario", "Eva"} << strong << 0
                                   << "Días escritos: 1" << QStringList{"20250723Eva.kvr"};
    QTest::newRow("usuario que no puede ser")
        << importar + QStringList{"--usuario", "a/b"} << strong << 2 << "" << QStringList{};
    QTest::newRow("formato desconocido") << importar << QByteArray("a,b,c\n1,2,3\n") << 2
                                         << "No se reconoce el formato" << QStringList{};
    QTest::newRow("formato que no es el del archivo")
        << importar + QStringList{"--formato", "hevy"} << strong << 2
        << "El archivo no tiene las columnas de hevy" << QStringList{};
    QTest::newRow("formato mal escrito") << importar + QStringList{"--formato", "strongg"} << strong
                                         << 2 << "Formato desconocido" << QStringList{};
    QTest::newRow("unidad mal escrita") << importar + QStringList{"--unidad", "kgs"} << strong << 2
                                        << "Unidad desconocida" << QStringList{};
    QTest::newRow("prueba sin importar")
        << QStringList{"--prueba"} << strong << 2 << "--prueba solo sirve con --importar-csv"
        << QStringList{};
    QTest::newRow("archivo que no existe")
        << QStringList{"--importar-csv", "DATOS/nada.csv", "--carpeta", "DATOS"} << strong << 1
        << "No se puede importar" << QStringList{};
}

void TestImportar::lineaDeOrdenes() {
    QFETCH(QStringList, argumentos);
    QFETCH(QByteArray, csv);
    QFETCH(int, estado);
    QFETCH(QString, mensaje);
    QFETCH(QStringList, rutinas);
    const QString archivo = tmp.path() + "/" + QTest::currentDataTag() + ".csv";
    escribir(archivo, csv);
    for (QString& a : argumentos)
        a.replace("DATOS", datos).replace("ARCHIVO", archivo);
    QProcess p;
    p.setProcessEnvironment(prueba::entornoSinPantalla());
    p.start(KORVAL_BINARIO, argumentos);
    QVERIFY(p.waitForFinished(30000));
    const QString salida = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QString error = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(p.exitCode() == estado, qPrintable(salida + error));
    QVERIFY2(error.startsWith(mensaje) || salida.contains(mensaje), qPrintable(salida + error));
    QCOMPARE(QDir(datos).entryList({"*.kvr"}), rutinas);
    // A user is made only by an import that writes.
    QCOMPARE(leerArchivo(datos + "/USRS.kvldat"),
             QByteArray(QTest::currentDataTag() == QString("usuario nuevo") ? "Ana\r\nEva\r\n"
                                                                            : "Ana\r\n"));
}

QTEST_GUILESS_MAIN(TestImportar)
#include "test_importar.moc"
