// The session alone, without a window: what a change does to the file when another program
// wrote it meanwhile, undo across days and onto a changed file, the watch on the day shown, the
// history after our own saves, and a save whose folder flush fails.
#include "general/errores.h"
#include "storage/sesion.h"

#include "tests/costuras.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

class TestSesion : public QObject {
    Q_OBJECT
  private slots:
    void fusion_data();
    void fusion();
    void deshacer();
    void editorSobreUnaVersionVieja();
    void vigilaElDiaElegido();
    void sinReconstruirTrasGuardar();
    void carpetaSinVolcar();
};

static constexpr int kFilas = 100;
static constexpr int kColumnas = 11;
static const QDate kDia(2023, 1, 2);
static const QString kArchivo = QStringLiteral("20230102Ana.kvr");

using prueba::linea;
using prueba::rutina;

// A folder with one routine, and a session on it, its clock fixed.
struct Carpeta {
    QTemporaryDir tmp;
    TSesion sesion{tmp.path(), [] { return QDateTime(kDia, QTime(10, 0)); }, kFilas, kColumnas};
    QStringList avisos, fallos;
    Carpeta() {
        QObject::connect(&sesion, &TSesion::aviso, [this](const QString& m) { avisos << m; });
        QObject::connect(&sesion, &TSesion::fallo, [this](const QString& m) { fallos << m; });
    }
    QString ruta(const QString& nombre = kArchivo) const { return tmp.path() + "/" + nombre; }
    // Another program writes the file: a new inode, as a sync tool or a second window leaves it.
    void escribir(const QByteArray& bytes, const QString& nombre = kArchivo) const {
        QFile f(ruta(nombre) + ".otro");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QVERIFY(::rename(QFile::encodeName(ruta(nombre) + ".otro").constData(),
                         QFile::encodeName(ruta(nombre)).constData()) == 0);
    }
    QByteArray leer(const QString& nombre = kArchivo) const {
        QFile f(ruta(nombre));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QByteArray mostrada() const {
        return FormatearRutina(sesion.Rutina().A, sesion.Rutina().C, kFilas, kColumnas);
    }
};

static const QByteArray press = linea({"Press", "3", "10"});
static const QByteArray remo = linea({"Remo", "3", "12"});
static const QByteArray curl = linea({"Curl", "3", "10"});
static const QByteArray vacia = linea({});

void TestSesion::fusion_data() {
    QTest::addColumn<QByteArray>("inicial"); // the file both programs read
    QTest::addColumn<QByteArray>("otro");    // what another program wrote after that
    QTest::addColumn<QString>("cambio");     // what this session then does
    QTest::addColumn<QByteArray>("archivo"); // the file after it
    QTest::addColumn<QString>("aviso");      // the notice, if any

    const QByteArray tres = rutina({press, remo, curl});
    const QString perdido =
        QStringLiteral("Otro programa cambió «Press» mientras escribías; «4» no se guardó.");
    QTest::newRow("movida") << tres << rutina({remo, press, curl}) << "celda 0 1 4"
                            << rutina({remo, linea({"Press", "4", "10"}), curl}) << "";
    QTest::newRow("movida lejos") << tres << rutina({remo, curl, vacia, vacia, press})
                                  << "celda 0 2 8"
                                  << rutina({remo, curl, vacia, vacia, linea({"Press", "3", "8"})})
                                  << "";
    QTest::newRow("movida y editada")
        << tres << rutina({remo, linea({"Press", "3", "12"}), curl}) << "celda 0 1 4"
        << rutina({remo, linea({"Press", "3", "12"}), curl}) << perdido;
    QTest::newRow("borrada") << tres << rutina({vacia, remo, curl}) << "celda 0 1 4"
                             << rutina({vacia, remo, curl}) << perdido;
    QTest::newRow("borrada y las demas suben")
        << tres << rutina({remo, curl}) << "celda 0 1 4" << rutina({remo, curl}) << perdido;
    QTest::newRow("otra celda en su sitio")
        << tres << rutina({linea({"Press", "3", "10", "60"}), remo, curl}) << "celda 0 1 4"
        << rutina({linea({"Press", "4", "10", "60"}), remo, curl}) << "";
    QTest::newRow("nombre corregido en su sitio")
        << tres << rutina({linea({"Press banca", "3", "10"}), remo, curl}) << "celda 0 3 60"
        << rutina({linea({"Press banca", "3", "10", "60"}), remo, curl}) << "";
    QTest::newRow("dos filas iguales")
        << rutina({press, press}) << rutina({linea({"Press", "3", "10", "60"}), press})
        << "celda 1 1 4" << rutina({linea({"Press", "3", "10", "60"}), linea({"Press", "4", "10"})})
        << "";
    QTest::newRow("fila vacia: no se sigue")
        << tres << rutina({remo, press, curl}) << "celda 5 0 Dips"
        << rutina({remo, press, curl, vacia, vacia, linea({"Dips"})}) << "";
    QTest::newRow("marca: se queda en su sitio")
        << tres << rutina({remo, press, curl}) << "marca 0 -65536"
        << rutina({linea({"Remo", "3", "12"}, -65536), press, curl}) << "";
    QTest::newRow("intercambio de filas movidas")
        << rutina({press, remo, curl, vacia}) << rutina({curl, press, remo}) << "filas 0 1"
        << rutina({curl, remo, press}) << "";
    QTest::newRow("intercambio de filas que ya no son vecinas")
        << tres << rutina({press, curl, remo}) << "filas 1 2" << rutina({press, curl, remo}) << "";
    QTest::newRow("intercambio de una fila borrada")
        << tres << rutina({remo, curl}) << "filas 0 1" << rutina({remo, curl})
        << "Otro programa cambió «Press» mientras escribías; el cambio no se guardó.";
    QTest::newRow("bloque sobre una fila movida y otra borrada")
        << tres << rutina({remo, press}) << "bloque 1 1 4 8|5 5" << rutina({remo, press})
        << "Otro programa cambió «Curl» mientras escribías; «4 8 5 5» no se guardó.";
}

// Does one change as the window asks for it; "celda F C TEXTO", "marca F VALOR", "filas F1 F2",
// "bloque F C A B|C D".
static bool hacer(TSesion& s, const QString& cambio) {
    const QStringList p = cambio.split(u' ');
    if (p[0] == "celda") return s.Escribir(p[1].toInt(), p[2].toInt(), p.mid(3).join(u' '));
    if (p[0] == "marca") return s.Marcar(p[1].toInt(), p[2].toInt());
    if (p[0] == "filas") return s.Intercambiar(p[1].toInt(), p[2].toInt());
    QList<QStringList> filas;
    for (const QString& f : p.mid(3).join(u' ').split(u'|'))
        filas << f.split(u' ');
    return s.EscribirBloque(p[1].toInt(), p[2].toInt(), filas);
}

void TestSesion::fusion() {
    QFETCH(QByteArray, inicial);
    QFETCH(QByteArray, otro);
    QFETCH(QString, cambio);
    QFETCH(QByteArray, archivo);
    QFETCH(QString, aviso);
    Carpeta c;
    c.escribir(inicial);
    c.sesion.Mostrar("Ana", kDia);
    c.escribir(otro);
    QSignalSpy todo(&c.sesion, &TSesion::rutinaCambiada);
    const bool guardado = hacer(c.sesion, cambio);
    QCOMPARE(c.leer(), archivo);
    QCOMPARE(guardado, aviso.isEmpty());
    QCOMPARE(c.avisos, aviso.isEmpty() ? QStringList() : QStringList{aviso});
    // Either way the session shows what is on disk now, and knows that version.
    QCOMPARE(c.mostrada(), archivo);
    QCOMPARE(c.sesion.Rutina().identidad, IdentidadDe(c.ruta()));
    QCOMPARE(todo.size(), 1);
    // Nothing of the other program's was overwritten: no copy was needed.
    QVERIFY(!QDir(c.ruta("respaldos")).exists());
}

// Undo steps stay with their routine across day changes; a step undone after another program
// moved the row goes to where the row is now.
void TestSesion::deshacer() {
    Carpeta c;
    c.escribir(rutina({press, remo}));
    c.sesion.Mostrar("Ana", kDia);
    QVERIFY(c.sesion.Escribir(0, 1, "4"));
    QVERIFY(c.sesion.Marcar(1, -256));
    // Unchanged text and the same mark again: written, but no step.
    QVERIFY(c.sesion.Escribir(0, 1, "4"));
    QVERIFY(c.sesion.Marcar(1, -256));
    c.sesion.Mostrar("Ana", kDia.addDays(-1));
    QVERIFY(!c.sesion.PuedeDeshacer());
    QVERIFY(c.sesion.Escribir(0, 0, "Curl"));
    c.sesion.Mostrar("Ana", kDia);
    QVERIFY(c.sesion.Deshacer());
    QCOMPARE(c.leer(), rutina({linea({"Press", "4", "10"}), remo}));
    // Another program moves Press down; undoing the sets follows it.
    c.escribir(rutina({remo, linea({"Press", "4", "10"})}));
    QVERIFY(c.sesion.Deshacer());
    QCOMPARE(c.leer(), rutina({remo, press}));
    QVERIFY(!c.sesion.PuedeDeshacer());
    QVERIFY(c.sesion.Rehacer());
    QCOMPARE(c.leer(), rutina({remo, linea({"Press", "4", "10"})}));
    // The other day kept its own step.
    c.sesion.Mostrar("Ana", kDia.addDays(-1));
    QVERIFY(c.sesion.Deshacer());
    QCOMPARE(c.leer("20230101Ana.kvr"), rutina({}));
    QVERIFY(c.avisos.isEmpty());

    // The steps of a routine are bounded.
    c.sesion.Mostrar("Ana", kDia.addDays(1));
    for (int i = 0; i < TSesion::kPasosMaximos + 5; ++i)
        QVERIFY(c.sesion.Escribir(0, 3, QString::number(i)));
    int pasos = 0;
    while (c.sesion.Deshacer())
        ++pasos;
    QCOMPARE(pasos, TSesion::kPasosMaximos);
    QCOMPARE(c.sesion.Rutina().A[0][3], QStringLiteral("4"));
}

// An editor opened on a version of the routine shown that was replaced behind it (merged, read
// again) with its rows in another order: the typed text goes to the exercise the editor showed.
void TestSesion::editorSobreUnaVersionVieja() {
    Carpeta c;
    c.escribir(rutina({press, remo}));
    c.sesion.Mostrar("Ana", kDia);
    const PRutina abierto = c.sesion.Version(); // what the editor opened on
    QVERIFY(c.sesion.Intercambiar(0, 1));       // the shown routine changes: Remo, Press
    QVERIFY(c.sesion.EscribirEn(abierto, 0, 1, "4"));
    QCOMPARE(c.leer(), rutina({remo, linea({"Press", "4", "10"})}));
    QCOMPARE(c.mostrada(), c.leer());
    QVERIFY(c.avisos.isEmpty());
}

// Waits until `cond` holds, letting the watcher's signals in.
template <class F> static bool esperar(F cond) {
    for (int i = 0; i < 300 && !cond(); ++i)
        QTest::qWait(10);
    return cond();
}

static const THistoria* historiaLista(TSesion& s) {
    esperar([&] { return s.Historia("Ana") != nullptr; });
    return s.Historia("Ana");
}

// A day chosen after the watch began, with nothing saved: a rewrite in place from outside (a text
// editor, a shell's redirection) reaches the routine and the history.
void TestSesion::vigilaElDiaElegido() {
    Carpeta c;
    c.escribir(rutina({press}));
    c.escribir(rutina({linea({"Press", "3", "10", "50"})}), "20230103Ana.kvr");
    c.sesion.Mostrar("Ana", kDia);
    c.sesion.Activar();
    QVERIFY(historiaLista(c.sesion));
    c.sesion.Mostrar("Ana", kDia.addDays(1));
    const TIdentidad antes = IdentidadDe(c.ruta("20230103Ana.kvr"));
    {
        QFile f(c.ruta("20230103Ana.kvr"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(rutina({linea({"Press", "3", "10", "55"})}));
    }
    QCOMPARE(IdentidadDe(c.ruta("20230103Ana.kvr")).inodo, antes.inodo); // in place
    QVERIFY(esperar([&] { return c.sesion.Rutina().A[0][3] == "55"; }));
    // Seen from the next day, the last time is the new text.
    const THistoria* h = c.sesion.Historia("Ana");
    QVERIFY(h);
    QVERIFY2(h->Linea("Press", kDia.addDays(2)).contains("55"),
             qPrintable(h->Linea("Press", kDia.addDays(2))));
    QVERIFY(c.fallos.isEmpty());
}

// Our own saves change the folder too; they are in the history already and build nothing. A file
// another program adds does.
void TestSesion::sinReconstruirTrasGuardar() {
    Carpeta c;
    c.escribir(rutina({press}));
    c.sesion.Mostrar("Ana", kDia);
    c.sesion.Activar();
    QVERIFY(historiaLista(c.sesion));
    QTest::qWait(100);
    const int construcciones = c.sesion.Construcciones();
    QVERIFY(c.sesion.Escribir(0, 3, "70"));
    QVERIFY(c.sesion.Escribir(1, 0, "Remo"));
    QTest::qWait(300); // the folder's signals arrive
    QCOMPARE(c.sesion.Construcciones(), construcciones);
    QVERIFY(c.sesion.Historia("Ana")->Linea("Press", kDia.addDays(1)).contains("70"));
    c.escribir(rutina({linea({"Press", "3", "10", "80"})}), "20230104Ana.kvr");
    QVERIFY(esperar([&] { return c.sesion.Construcciones() > construcciones; }));
}

// The folder flush after the rename fails: the file is replaced, the session holds the new
// version, and the failure is reported.
static int falloCarpeta(int) {
    errno = EIO;
    return -1;
}

void TestSesion::carpetaSinVolcar() {
    Carpeta c;
    c.escribir(rutina({press}));
    c.sesion.Mostrar("Ana", kDia);
    TLlamadasGuardado l = LlamadasDelSistema();
    l.sincronizarCarpeta = falloCarpeta;
    FijarLlamadasGuardado(&l);
    const bool guardado = c.sesion.Escribir(0, 1, "4");
    FijarLlamadasGuardado(nullptr);
    QVERIFY(guardado);
    QCOMPARE(c.fallos, QStringList{"I/O error 5"});
    QCOMPARE(c.leer(), rutina({linea({"Press", "4", "10"})}));
    QCOMPARE(c.mostrada(), c.leer());
    QCOMPARE(c.sesion.Rutina().identidad, IdentidadDe(c.ruta()));
    QVERIFY(c.sesion.PuedeDeshacer());
}

QTEST_GUILESS_MAIN(TestSesion)
#include "test_sesion.moc"
