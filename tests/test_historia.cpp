// The history of a user's exercises: names matched loosely, weights read as numbers only where
// they are, "the last time" and "the best" as seen from the day shown.
#include "storage/historia.h"
#include "storage/progreso.h"
#include "storage/rutina.h"
#include "storage/serie.h"

#include <QFile>

#include <QTemporaryDir>
#include <QTest>
#include <cmath>

class TestHistoria : public QObject {
    Q_OBJECT
  private slots:
    void pesos_data();
    void pesos();
    void linea_data();
    void linea();
    void construirDesdeArchivos();
    void progreso();
    void progresoPorPesoCorporalYLibras();
    void series_data();
    void series();
    void cifras_data();
    void cifras();
};

void TestHistoria::pesos_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("numero");
    QTest::addColumn<double>("valor");
    QTest::addColumn<QString>("decimal"); // the number as the CSV export writes it
    QTest::newRow("entero") << "60" << true << 60.0 << "60";
    QTest::newRow("coma") << "82,5" << true << 82.5 << "82.5";
    QTest::newRow("punto") << "82.5" << true << 82.5 << "82.5";
    QTest::newRow("kg pegado") << "60kg" << true << 60.0 << "60";
    QTest::newRow("kg con espacio") << " 60 KG " << true << 60.0 << "60";
    QTest::newRow("ceros") << "007,50\t" << true << 7.5 << "7.5";
    QTest::newRow("cero") << "0,0" << true << 0.0 << "0";
    QTest::newRow("centesimas") << "1,05" << true << 1.05 << "1.05";
    QTest::newRow("muchas cifras")
        << "12345678901234567,5" << true << 12345678901234567.5 << "12345678901234567.5";
    QTest::newRow("max") << "max" << false << 0.0 << "";
    QTest::newRow("descanso") << "90s" << false << 0.0 << "";
    QTest::newRow("peso corporal") << "BW" << false << 0.0 << "";
    QTest::newRow("vacio") << "" << false << 0.0 << "";
    QTest::newRow("dos numeros") << "60/70" << false << 0.0 << "";
    QTest::newRow("punto final") << "60." << false << 0.0 << "";
    QTest::newRow("kgs") << "60kgs" << false << 0.0 << "";
    QTest::newRow("solo kg") << "kg" << false << 0.0 << "";
    QTest::newRow("negativo") << "-5" << false << 0.0 << "";
    QTest::newRow("otras cifras") << QString::fromUtf8("١٢") << false << 0.0 << "";
}

void TestHistoria::pesos() {
    QFETCH(QString, texto);
    QFETCH(bool, numero);
    QFETCH(double, valor);
    QFETCH(QString, decimal);
    double v = -1;
    QCOMPARE(LeerPeso(texto, v), numero);
    if (numero) QCOMPARE(v, valor);
    QString d = "x";
    QCOMPARE(NumeroDePeso(texto, &d), numero);
    if (numero) QCOMPARE(d, decimal);
}

// Days as "yyyy-MM-dd|row;row;..." with rows as "name,sets,reps,w1,w2,...".
static THistoria historia(const QStringList& dias) {
    THistoria h;
    for (const QString& d : dias) {
        const QString dia = d.section(u'|', 0, 0);
        TRutina r = TRutina::Vacia(100, 11);
        const QStringList filas = d.section(u'|', 1).split(u';');
        for (int i = 0; i < filas.size(); ++i) {
            const QStringList celdas = filas[i].split(u',');
            for (int j = 0; j < celdas.size() && j < 11; ++j)
                r.A[i][j] = celdas[j];
        }
        h.PonerDia(QDate::fromString(dia, Qt::ISODate), r.A, r.C);
    }
    return h;
}

void TestHistoria::linea_data() {
    QTest::addColumn<QStringList>("dias");
    QTest::addColumn<QString>("ejercicio");
    QTest::addColumn<QString>("mostrado");
    QTest::addColumn<QString>("linea");
    const QStringList basico{"2026-12-03|Sentadilla,4,10,60,70,80", "2026-11-12|Sentadilla,5,5,85"};
    QTest::newRow("la ultima vez y la mejor")
        << basico << "Sentadilla"
        << "2026-12-10"
        << QString::fromUtf8(
               "Última vez 03/12: 60×10, 70×10, 80×10 (4 series) — Mejor: 85 (12/11)");
    QTest::newRow("otra escritura")
        << basico << "  sentadílla "
        << "2026-12-10"
        << QString::fromUtf8(
               "Última vez 03/12: 60×10, 70×10, 80×10 (4 series) — Mejor: 85 (12/11)");
    QTest::newRow("pesos que no son numeros")
        << QStringList{"2026-12-03|Dominadas,3,8,BW,max"} << "DOMINADAS"
        << "2026-12-10" << QString::fromUtf8("Última vez 03/12: 3 x 8 · BW / max");
    QTest::newRow("dos filas el mismo dia: la mas pesada")
        << QStringList{"2026-12-03|Press,3,12,40;Press,5,5,62,5kg;Press,1,1,60"} << "Press"
        << "2026-12-10"
        << QString::fromUtf8("Última vez 03/12: 62×5, 5×5 (5 series) — Mejor: 62 (03/12)");
    QTest::newRow("decimales con coma")
        << QStringList{"2026-12-03|Press,5,5,62.5"} << "Press"
        << "2026-12-10"
        << QString::fromUtf8("Última vez 03/12: 62,5×5 (5 series) — Mejor: 62,5 (03/12)");
    QTest::newRow("un dia despues del mostrado no cuenta")
        << QStringList{"2026-12-03|Remo,3,10,40", "2026-12-20|Remo,3,10,90"} << "Remo"
        << "2026-12-10"
        << QString::fromUtf8("Última vez 03/12: 40×10 (3 series) — Mejor: 40 (03/12)");
    QTest::newRow("el dia mostrado cuenta para la mejor")
        << QStringList{"2026-12-03|Remo,3,10,40", "2026-12-10|Remo,3,10,50"} << "Remo"
        << "2026-12-10"
        << QString::fromUtf8("Última vez 03/12: 40×10 (3 series) — Mejor: 50 (10/12)");
    QTest::newRow("otro año")
        << QStringList{"2025-12-30|Curl,3,12,14"} << "Curl"
        << "2026-01-02"
        << QString::fromUtf8("Última vez 30/12/2025: 14×12 (3 series) — Mejor: 14 (30/12/2025)");
    QTest::newRow("libras") << QStringList{"2026-12-03|Press,3,5,225lb,225lb,100"} << "Press"
                            << "2026-12-10"
                            << QString::fromUtf8(
                                   "Última vez 03/12: 225lb×5, 225lb×5, 100×5 — Mejor: 225 lb "
                                   "(03/12)");
    QTest::newRow("calentamiento no es la mejor")
        << QStringList{"2026-12-03|Press,1,5,(90),60"} << "Press"
        << "2026-12-10" << QString::fromUtf8("Última vez 03/12: (90×5), 60×5 — Mejor: 60 (03/12)");
    QTest::newRow("peso corporal con carga")
        << QStringList{"2026-11-03|Dominadas,3,8,PC+10", "2026-12-03|Dominadas,3,8,PC+5,PC"}
        << "Dominadas"
        << "2026-12-10"
        << QString::fromUtf8("Última vez 03/12: PC+5×8, PC×8 — Mejor: PC+10 (03/11)");
    QTest::newRow("asistidas: la de menos ayuda")
        << QStringList{"2026-12-03|Fondos,2,8,PC-20,PC-10"} << "Fondos"
        << "2026-12-10"
        << QString::fromUtf8("Última vez 03/12: PC-20×8, PC-10×8 — Mejor: PC-10 (03/12)");
    QTest::newRow("peso corporal: las mas repeticiones")
        << QStringList{"2026-12-03|Flexiones,3,12,PC,PCx15"} << "Flexiones"
        << "2026-12-10"
        << QString::fromUtf8("Última vez 03/12: PC×12, PC×15 — Mejor: PC × 15 (03/12)");
    QTest::newRow("repeticiones por serie y RPE, compactas")
        << QStringList{"2026-12-03|Press,3,10/5/5/6,(60x10),100,100,95@9,fallo"} << "Press"
        << "2026-12-10"
        << QString::fromUtf8("Última vez 03/12: (60×10), 100×5, 100×5, 95×6 @9, fallo — Mejor: 100 "
                             "(03/12)");
    QTest::newRow("nunca antes") << QStringList{"2026-12-20|Curl,3,12,14"} << "Curl"
                                 << "2026-12-10" << QString();
    QTest::newRow("ejercicio desconocido") << basico << "Plancha"
                                           << "2026-12-10" << QString();
    QTest::newRow("fila vacia") << basico << "  "
                                << "2026-12-10" << QString();
}

void TestHistoria::linea() {
    QFETCH(QStringList, dias);
    QFETCH(QString, ejercicio);
    QFETCH(QString, mostrado);
    QFETCH(QString, linea);
    QCOMPARE(historia(dias).Linea(ejercicio, QDate::fromString(mostrado, Qt::ISODate)), linea);
}

// From the files of one user only; a day saved again replaces that day; a file that cannot be
// read is left out and named; a second build reads only what changed.
void TestHistoria::construirDesdeArchivos() {
    QTemporaryDir tmp;
    auto escribir = [&](const QString& nombre, const QByteArray& bytes) {
        QFile f(tmp.path() + "/" + nombre);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    escribir("20261203Ana.kvr", "Press|4|10|50||||||||||0\r\n");
    escribir("20261204Ana.kvr", "Press|4|10|55||||||||||0\r\n");
    escribir("20261205Anabel.kvr", "Press|4|10|99||||||||||0\r\n");
    escribir("20261206Ana.kvr", QByteArray(2 << 20, 'x'));
    QStringList fallidos;
    THistoria h = THistoria::Construir(tmp.path(), "Ana", THistoria(), &fallidos);
    QCOMPARE(h.Dias(), 2);
    QCOMPARE(fallidos, QStringList{"20261206Ana.kvr: El archivo es demasiado grande para ser una "
                                   "rutina"});
    const QDate hoy(2026, 12, 10);
    QCOMPARE(h.Linea("Press", hoy),
             QString::fromUtf8("Última vez 04/12: 55×10 (4 series) — Mejor: 55 (04/12)"));
    escribir("20261204Ana.kvr", "Press|4|10|45||||||||||0\r\n");
    QVERIFY(QFile::remove(tmp.path() + "/20261203Ana.kvr"));
    fallidos.clear();
    h = THistoria::Construir(tmp.path(), "Ana", h, &fallidos);
    QCOMPARE(h.Dias(), 1);
    QCOMPARE(h.Linea("Press", hoy),
             QString::fromUtf8("Última vez 04/12: 45×10 (4 series) — Mejor: 45 (04/12)"));
}

// The chart's series: the heaviest weight, the best Epley estimate and the volume of each day,
// over the spellings of one exercise, with the days that set a new heaviest weight.
void TestHistoria::progreso() {
    const THistoria h = historia({
        "2026-01-05|Sentadilla,4,10,60,70,80;Press,3,5,100",
        // Two rows: sets from the cell, or from the numeric weights when "Series" is empty.
        "2026-01-12|sentadilla,3,5,85kg,85,BW;Sentadilla ,,8,50,50",
        // 15 reps: volume, but no estimate.
        "2026-02-02|SENTADILLA,5,15,70",
        // Reps that are not a number: no estimate, no volume; the weight still counts.
        "2026-03-01|Sentadílla,1,max,90",
        "2026-03-08|Sentadilla,3,5,BW",
        // Sets that are not a number count the numeric weights.
        "2026-03-15|Sentadilla,?,1,80,80,80",
    });
    const QList<TDiaProgreso> p = ProgresoDe(h, QStringLiteral("  sentadilla"));
    struct Esperado {
        const char* dia;
        double maximo, unoRM, volumen;
        bool record;
    };
    const Esperado esperados[] = {
        {"2026-01-05", 80, 80 * (1 + 10 / 30.0), 4 * 10 * 70, true},
        {"2026-01-12", 85, 85 * (1 + 5 / 30.0), 3 * 5 * 85 + 2 * 8 * 50, true},
        {"2026-02-02", 70, -1, 5 * 15 * 70, false},
        {"2026-03-01", 90, -1, -1, true},
        {"2026-03-08", -1, -1, -1, false},
        {"2026-03-15", 80, 80 * (1 + 1 / 30.0), 3 * 1 * 80, false},
    };
    QCOMPARE(p.size(), int(std::size(esperados)));
    for (int i = 0; i < p.size(); ++i) {
        const Esperado& e = esperados[i];
        QCOMPARE(p[i].dia, QDate::fromString(QString::fromLatin1(e.dia), Qt::ISODate));
        QCOMPARE(p[i].maximo, e.maximo);
        QCOMPARE(p[i].unoRM, e.unoRM);
        QCOMPARE(p[i].volumen, e.volumen);
        QCOMPARE(p[i].record, e.record);
    }
    QVERIFY(ProgresoDe(h, QStringLiteral("Peso muerto")).isEmpty());
    // Numbers too large to multiply give no volume rather than infinity.
    const QString grande(200, u'9');
    const QList<TDiaProgreso> g =
        ProgresoDe(historia({"2026-04-01|Press," + grande + ",5," + grande}), "Press");
    QCOMPARE(g.size(), 1);
    QVERIFY(g[0].maximo > 1e199 && g[0].unoRM > g[0].maximo);
    // Counted set by set, a "Series" of 200 digits is no count: the one set written counts.
    QVERIFY(std::isfinite(g[0].volumen));
    QCOMPARE(g[0].volumen, 5 * g[0].maximo);
    QCOMPARE(UnoRM(100, 0), -1.0);
    QCOMPARE(UnoRM(100, 13), -1.0);
}

// How an exercise is told: by body weight when no working set has a load of its own (the most
// reps in a set, the load added, a record for more reps), in pounds when most sets were written
// in pounds, otherwise in kg; the figures themselves stay in kg.
void TestHistoria::progresoPorPesoCorporalYLibras() {
    const THistoria h = historia({
        "2026-11-01|Dominadas,3,8,PC,PC,PC;Press,3,5,135lb,135lb,60",
        "2026-11-08|Dominadas,3,10,(PC),PCx12,PC+5;Remo,3,8,60,PC",
        "2026-11-15|Dominadas,3,6,PC-10,PC-20",
    });
    TMedida medida = TMedida::Kilos;
    const QList<TDiaProgreso> d = ProgresoDe(h, "dominadas", &medida);
    QCOMPARE(medida, TMedida::Corporal);
    QCOMPARE(d.size(), 3);
    const double repes[] = {8, 12, 6};
    const bool records[] = {true, true, false};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(d[i].repesPC, repes[i]);
        QCOMPARE(d[i].record, records[i]);
        QCOMPARE(d[i].maximo, -1.0);
    }
    QVERIFY(std::isnan(d[0].cargaPC));
    QCOMPARE(d[1].cargaPC, 5.0);
    QCOMPARE(d[2].cargaPC, -10.0); // of two assisted sets the one with less help
    const QList<TDiaProgreso> p = ProgresoDe(h, "Press", &medida);
    QCOMPARE(medida, TMedida::Libras);
    QCOMPARE(p[0].maximo, 135 * kKgPorLibra);
    // A row with a load and a body-weight set is charted by its load.
    QCOMPARE(ProgresoDe(h, "Remo", &medida)[0].maximo, 60.0);
    QCOMPARE(medida, TMedida::Kilos);
    ProgresoDe(h, "Nada", &medida);
    QCOMPARE(medida, TMedida::Kilos);
}

// Every spelling of a set the reader knows, and what stays text.
void TestHistoria::series_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("valida");
    QTest::addColumn<double>("kg");
    QTest::addColumn<QString>("unidad");
    QTest::addColumn<int>("repes");
    QTest::addColumn<double>("rpe");
    QTest::addColumn<bool>("calentamiento");
    QTest::addColumn<bool>("pc");
    const double lb = 0.45359237;
    auto fila = [](const char* t, double kg, const char* u, int r, double rpe, bool cal, bool pc) {
        QTest::newRow(t) << QString::fromUtf8(t) << true << kg << QString(u) << r << rpe << cal
                         << pc;
    };
    fila("100", 100, "kg", 0, 0, false, false);
    fila("62,5", 62.5, "kg", 0, 0, false, false);
    fila("62.5", 62.5, "kg", 0, 0, false, false);
    fila("65 kg", 65, "kg", 0, 0, false, false);
    fila("1,000", 1, "kg", 0, 0, false, false); // decimal marks only, never thousands
    fila("100x5", 100, "kg", 5, 0, false, false);
    fila("100 X 5", 100, "kg", 5, 0, false, false);
    fila("100×5", 100, "kg", 5, 0, false, false);
    fila("100*5", 100, "kg", 5, 0, false, false);
    fila("8x60", 8, "kg", 60, 0, false, false); // the load always first
    fila("135lb x5", 135 * lb, "lb", 5, 0, false, false);
    fila("135x5 lb", 135 * lb, "lb", 5, 0, false, false);
    fila("135 LBS", 135 * lb, "lb", 0, 0, false, false);
    fila("60@8", 60, "kg", 0, 8, false, false);
    fila("100x5 @ 8,5", 100, "kg", 5, 8.5, false, false);
    fila("(60)", 60, "kg", 0, 0, true, false);
    fila("(60x10@5)", 60, "kg", 10, 5, true, false);
    fila("PC", 0, "PC", 0, 0, false, true);
    fila("pc x 12", 0, "PC", 12, 0, false, true);
    fila("PC+10", 10, "PC", 0, 0, false, true);
    fila("PC+10lb", 10 * lb, "PC", 0, 0, false, true);
    fila("PC-20", -20, "PC", 0, 0, false, true); // assisted
    fila("(PC)", 0, "PC", 0, 0, true, true);
    for (const char* texto :
         {"100x", "x5", "@8", "100@11", "100@8,3", "100 kg lb", "100x5@8 lb", "PC+", "(100", "100)",
          "100x5x3", "5 km", "90s", "-20", "max", "100x0", "100x101", "100x5,5", ""})
        QTest::newRow(qPrintable(QString("texto: %1").arg(texto)))
            << QString::fromUtf8(texto) << false << 0.0 << QString() << 0 << 0.0 << false << false;
}

void TestHistoria::series() {
    QFETCH(QString, texto);
    QFETCH(bool, valida);
    const TSerie s = LeerSerie(texto);
    QCOMPARE(s.valida, valida);
    if (!valida) return;
    QFETCH(double, kg);
    QFETCH(QString, unidad);
    QFETCH(int, repes);
    QFETCH(double, rpe);
    QFETCH(bool, calentamiento);
    QFETCH(bool, pc);
    QVERIFY2(std::abs(s.kg - kg) < 1e-9, qPrintable(QString::number(s.kg)));
    QCOMPARE(s.unidad, unidad);
    QCOMPARE(s.repes, repes);
    QCOMPARE(s.rpe, rpe);
    QCOMPARE(s.calentamiento, calentamiento);
    QCOMPARE(s.pc, pc);
}

// A row counted set by set: the worked examples, and plain rows giving today's figures.
void TestHistoria::cifras_data() {
    QTest::addColumn<QString>("series");
    QTest::addColumn<QString>("repes");
    QTest::addColumn<QStringList>("pesos");
    QTest::addColumn<double>("volumen");
    QTest::addColumn<double>("unoRM");
    QTest::addColumn<double>("maximo");
    QTest::newRow("calentamientos, 2 x 8")
        << "2"
        << "8" << QStringList{"(20)", "(40)", "60", "60"} << 960.0 << 76.0 << 60.0;
    QTest::newRow("calentamientos, 4 x 8")
        << "4"
        << "8" << QStringList{"(20)", "(40)", "60", "60"} << 1920.0 << 76.0 << 60.0;
    QTest::newRow("100x5 en 5 series")
        << "5"
        << "" << QStringList{"100x5"} << 2500.0 << 100 * (1 + 5.0 / 30) << 100.0;
    QTest::newRow("con RPE") << "3"
                             << "8" << QStringList{"60@8", "62,5", "62,5"} << 1480.0
                             << 62.5 * (1 + 8.0 / 30) << 62.5;
    QTest::newRow("repes por serie")
        << "3"
        << "5/5/6" << QStringList{"100", "100", "95"} << 1570.0 << 100 * (1 + 5.0 / 30) << 100.0;
    QTest::newRow("una serie rellenada")
        << "3"
        << "8" << QStringList{"60", "70"} << 1560.0 << 70 * (1 + 8.0 / 30) << 70.0;
    QTest::newRow("un RPE no cambia otras")
        << "3"
        << "8" << QStringList{"60", "70@8"} << 1560.0 << 70 * (1 + 8.0 / 30) << 70.0;
    QTest::newRow("repes de tres series")
        << "1"
        << "8/8/6" << QStringList{"100"} << 2200.0 << 100 * (1 + 8.0 / 30) << 100.0;
    QTest::newRow("como hoy: series = pesos")
        << "3"
        << "8" << QStringList{"60", "70", "80"} << 1680.0 << 80 * (1 + 8.0 / 30) << 80.0;
    QTest::newRow("como hoy: mas series")
        << "4"
        << "8" << QStringList{"60", "70", "80"} << 2240.0 << 80 * (1 + 8.0 / 30) << 80.0;
    // Today this row gave 2 x 8 x 70 = 1120: every written weight counts now.
    QTest::newRow("menos series que pesos")
        << "2"
        << "8" << QStringList{"60", "70", "80"} << 1680.0 << 80 * (1 + 8.0 / 30) << 80.0;
    QTest::newRow("series no numericas")
        << "x"
        << "10" << QStringList{"50", "50"} << 1000.0 << 50 * (1 + 10.0 / 30) << 50.0;
    QTest::newRow("texto en las celdas")
        << "3"
        << "10" << QStringList{"40", "90s", "fallo"} << 1200.0 << 40 * (1 + 10.0 / 30) << 40.0;
    QTest::newRow("repes no numericas") << "3"
                                        << "max" << QStringList{"40"} << -1.0 << -1.0 << 40.0;
    QTest::newRow("libras") << "1"
                            << "5" << QStringList{"225lb"} << 225 * 0.45359237 * 5
                            << 225 * 0.45359237 * (1 + 5.0 / 30) << 225 * 0.45359237;
    QTest::newRow("peso corporal") << "3"
                                   << "12" << QStringList{"PC", "PC", "PC"} << -1.0 << -1.0 << -1.0;
}

void TestHistoria::cifras() {
    QFETCH(QString, series);
    QFETCH(QString, repes);
    QFETCH(QStringList, pesos);
    QFETCH(double, volumen);
    QFETCH(double, unoRM);
    QFETCH(double, maximo);
    const TCifrasFila c = CifrasDeFila(series, repes, pesos);
    QVERIFY2(std::abs(c.volumen - volumen) < 1e-9, qPrintable(QString::number(c.volumen)));
    QVERIFY2(std::abs(c.unoRM - unoRM) < 1e-9, qPrintable(QString::number(c.unoRM)));
    QVERIFY2(std::abs(c.maximo - maximo) < 1e-9, qPrintable(QString::number(c.maximo)));
}

QTEST_GUILESS_MAIN(TestHistoria)
#include "test_historia.moc"
