// The exports of a user (CSV and workbook) and the command line around them, run as the real
// program.
#include "costuras.h"

#include "storage/exportar.h"
#include "storage/historia.h"
#include "storage/libro.h"
#include "storage/rutina_archivo.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestExportar : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void csvDeUnUsuario();
    void idaYVuelta();
    void textosQueNoSeEjecutan();
    void libroLeidoPorOtroLector();
    void lineaDeOrdenes_data();
    void lineaDeOrdenes();
    void sinCarpetaPersonal_data();
    void sinCarpetaPersonal();

  private:
    QTemporaryDir tmp;
    QString datos;
};

static void escribir(const QString& ruta, const QByteArray& bytes) {
    QVERIFY(prueba::escribirArchivo(ruta, bytes));
}

// A few days of Ana: spellings, decimal commas and "kg", text in weight cells, a mark, a field
// that needs quoting; Luis; a copy in "respaldos" and a file too large to be a routine.
void TestExportar::init() {
    datos = tmp.path() + "/" + QTest::currentTestFunction() + "/KORVAL";
    if (QTest::currentDataTag())
        datos += QString("-%1").arg(qHash(QString(QTest::currentDataTag())));
    escribir(datos + "/USRS.kvldat", "Ana\r\nLuis\r\n");
    escribir(datos + "/20230101Ana.kvr", "Sentadilla|4|10|60|62,5|65 kg|max||||||-65536\r\n"
                                         "Dominadas|3|8|||||||||||0\r\n"
                                         "Press, \"banca\"|3|12|40||||||||||0\r\n");
    escribir(datos + "/20230105Ana.kvr", "sentadilla |5|5|70||||||||||0\r\n");
    escribir(datos + "/20230101Luis.kvr", "Remo|3|12|50||||||||||0\r\n");
    escribir(datos + "/respaldos/20230101Ana-20230101-100000.kvr", "Curl|3|12|20||||||||||0\r\n");
    escribir(datos + "/20230104Ana.kvr", QByteArray(2 << 20, 'a'));
}

// A strict RFC 4180 reader: every line ends in CR LF, quotes only around whole fields.
static QList<QStringList> leerCsv(const QString& texto, bool& bien) {
    QList<QStringList> filas;
    QStringList fila;
    QString campo;
    bien = true;
    qsizetype i = 0;
    bool enComillas = false, citado = false;
    while (i < texto.size()) {
        const QChar c = texto[i];
        if (enComillas) {
            if (c == u'"' && i + 1 < texto.size() && texto[i + 1] == u'"') {
                campo += u'"';
                i += 2;
            } else if (c == u'"') {
                enComillas = false;
                ++i;
            } else {
                campo += c;
                ++i;
            }
        } else if (c == u'"' && campo.isEmpty() && !citado) {
            enComillas = citado = true;
            ++i;
        } else if (c == u',') {
            fila << campo;
            campo.clear();
            citado = false;
            ++i;
        } else if (c == u'\r' && i + 1 < texto.size() && texto[i + 1] == u'\n') {
            fila << campo;
            filas << fila;
            fila.clear();
            campo.clear();
            citado = false;
            i += 2;
        } else if (c == u'"' || c == u'\n' || c == u'\r' || citado) {
            bien = false;
            return filas;
        } else {
            campo += c;
            ++i;
        }
    }
    bien = !enComillas && fila.isEmpty() && campo.isEmpty();
    return filas;
}

void TestExportar::csvDeUnUsuario() {
    QStringList fallidos;
    const QByteArray csv = CsvDeUsuario(datos, "Ana", &fallidos);
    // The nine first columns as before; then the row, each set's reps, RPE, warm-up, unit, load
    // in kg, the mark's name, and the working sets not written out ("relleno"), so that a
    // spreadsheet's sum of kg x reps is the program's volume.
    const QByteArray press = "2023-01-01,Ana,\"Press, \"\"banca\"\"\",3,12,";
    const QByteArray sentadilla = "2023-01-05,Ana,sentadilla ,5,5,,,,0,1,5,,0,kg,70,,1\r\n";
    QCOMPARE(csv, QByteArray("\xEF\xBB\xBF"
                             "fecha,usuario,ejercicio,series,repes,serie,peso,texto,marca,fila,"
                             "repes_serie,rpe,calentamiento,unidad,kg,color,relleno\r\n"
                             "2023-01-01,Ana,Sentadilla,4,10,1,60,60,-65536,1,10,,0,kg,60,Rojo,\r\n"
                             "2023-01-01,Ana,Sentadilla,4,10,2,62.5,\"62,5\",-65536,1,10,,0,kg,"
                             "62.5,Rojo,\r\n"
                             "2023-01-01,Ana,Sentadilla,4,10,3,65,65 kg,-65536,1,10,,0,kg,65,Rojo,"
                             "\r\n"
                             "2023-01-01,Ana,Sentadilla,4,10,4,,max,-65536,1,,,,,,Rojo,\r\n"
                             "2023-01-01,Ana,Sentadilla,4,10,,,,-65536,1,10,,0,kg,62.5,Rojo,1\r\n"
                             "2023-01-01,Ana,Dominadas,3,8,,,,0,2,,,,,,,\r\n") +
                      press + "1,40,40,0,3,12,,0,kg,40,,\r\n" + press +
                      ",,,0,3,12,,0,kg,40,,1\r\n" + press + ",,,0,3,12,,0,kg,40,,1\r\n" +
                      "2023-01-05,Ana,sentadilla ,5,5,1,70,70,0,1,5,,0,kg,70,,\r\n" + sentadilla +
                      sentadilla + sentadilla + sentadilla);
    QCOMPARE(fallidos, QStringList{"20230104Ana.kvr: El archivo es demasiado grande para ser una "
                                   "rutina"});
    bool bien = false;
    const QList<QStringList> filas = leerCsv(QString::fromUtf8(csv.mid(3)), bien);
    QVERIFY(bien);
    QCOMPARE(filas.size(), 15);
    for (const QStringList& f : filas)
        QCOMPARE(f.size(), 17);
    QCOMPARE(filas[7][2], QStringLiteral("Press, \"banca\""));
}

// The CSV read back gives every non-empty row of every day: its cells in their columns (gaps
// between weights too), its mark, and each weight's number where the cell is one.
void TestExportar::idaYVuelta() {
    const QList<QList<QStringList>> dias = {
        {{"Peso muerto", "5", "5", "100", "", "", "102,5 kg", "", "", "", "", "3"},
         {},
         {"Jalón al pecho", "3", "10", "\"50\"", "a,b", "", "", "", "", "", "", "0"},
         {"Plancha", "3", "60s", "", "", "", "", "", "", "", "", "-16776961"}},
        {{"", "", "", "80", "", "", "", "", "", "", "", "0"},
         {"Press; militar", "4", "8 - 10", "40", "42,5", "45", "45", "45", "45", "47,5", "50",
          "0"}},
    };
    QMap<QDate, QList<QStringList>> esperado; // non-empty rows: 11 cells, then the mark
    for (int d = 0; d < dias.size(); ++d) {
        TTabla A(100, QStringList(11));
        TMarcas C(100, 0);
        for (int i = 0; i < dias[d].size(); ++i) {
            if (dias[d][i].isEmpty()) continue;
            A[i] = dias[d][i].mid(0, 11);
            C[i] = dias[d][i][11].toInt();
            esperado[QDate(2024, 2, 28).addDays(d)] << dias[d][i];
        }
        escribir(datos + "/" + QDate(2024, 2, 28).addDays(d).toString("yyyyMMdd") + "Ana.kvr",
                 FormatearRutina(A, C, 100, 11));
    }
    const QByteArray csv = CsvDeUsuario(datos, "Ana", nullptr);
    QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
    bool bien = false;
    const QList<QStringList> lineas = leerCsv(QString::fromUtf8(csv.mid(3)), bien);
    QVERIFY(bien);
    QMap<QDate, QList<QStringList>> leido;
    int ultimaSerie = 0;
    for (int k = 1; k < lineas.size(); ++k) {
        const QStringList& l = lineas[k];
        QCOMPARE(l.size(), 17);
        const QDate dia = QDate::fromString(l[0], Qt::ISODate);
        if (dia < QDate(2024, 2, 28)) continue; // the fixture's other days
        if (l[16] == "1") continue;             // a working set not written out
        QCOMPARE(l[1], QString("Ana"));
        const int serie = l[5].toInt();
        // A new row begins with its first weight, or is a row without any.
        if (serie == 0 || serie <= ultimaSerie || leido[dia].isEmpty()) {
            QStringList fila(12);
            fila[0] = l[2];
            fila[1] = l[3];
            fila[2] = l[4];
            fila[11] = l[8];
            leido[dia] << fila;
        }
        ultimaSerie = serie;
        if (serie == 0) continue;
        leido[dia].last()[serie + 2] = l[7];
        double v;
        QCOMPARE(l[6].isEmpty(), !LeerPeso(l[7], v));
        if (!l[6].isEmpty()) QCOMPARE(l[6].toDouble(), v);
    }
    QCOMPARE(leido, esperado);
}

// A cell a spreadsheet would run as a formula is exported with one more "'" in front; numbers
// are never touched; a marked empty row has a line of its own.
void TestExportar::textosQueNoSeEjecutan() {
    TTabla A(100, QStringList(11));
    TMarcas C(100, 0);
    const QStringList nombres{
        "=HYPERLINK(\"http://x\",\"y\")", "+1", "-2", "@x", "'=x", "''-y", "'hola", "Remo"};
    for (int i = 0; i < nombres.size(); ++i)
        A[i][0] = nombres[i];
    A[7][3] = "-20"; // text in a weight cell: its "texto" defused, "peso" and "kg" empty
    C[9] = -256;     // a marked empty row
    escribir(datos + "/20240101Ana.kvr", FormatearRutina(A, C, 100, 11));
    bool bien = false;
    const QList<QStringList> l =
        leerCsv(QString::fromUtf8(CsvDeUsuario(datos, "Ana", nullptr).mid(3)), bien);
    QVERIFY(bien);
    QStringList ejercicios;
    QStringList vacia;
    for (const QStringList& f : l)
        if (f[0] == "2024-01-01") {
            ejercicios << f[2];
            if (f[9] == "10") vacia = f;
            if (f[2] == "Remo") {
                QCOMPARE(f[7], QStringLiteral("'-20"));
                QCOMPARE(f[6], QString());
                QCOMPARE(f[14], QString());
            }
        }
    QCOMPARE(ejercicios, (QStringList{"'=HYPERLINK(\"http://x\",\"y\")", "'+1", "'-2", "'@x",
                                      "''=x", "'''-y", "'hola", "Remo", ""}));
    QCOMPARE(vacia.value(8), QStringLiteral("-256"));
    QCOMPARE(vacia.value(15), QStringLiteral("Amarillo"));
}

// A workbook as openpyxl reads it (tests/leer_libro.py); an empty array, with the test failed or
// skipped, when there is no such reader here.
static QJsonArray leerLibro(const QString& ruta) {
    QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python)) python = QStandardPaths::findExecutable("python3");
    QProcess p;
    p.start(python, {KORVAL_LEER_LIBRO, ruta});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QByteArray error = p.readAllStandardError();
        // The reader is installed for the tests by tools/setup.sh --tests; CI must have it.
        if (error.contains("No module named 'openpyxl'") || python.isEmpty()) {
            if (qEnvironmentVariableIsSet("CI")) qWarning("python3-openpyxl is missing");
            return {};
        }
        qWarning("%s", error.constData());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).array();
}

// The workbook holds what the CSV holds, cell by cell, with types: the date a date, the numeric
// columns numbers, the rest text, a formula's text among them, never a formula; a sheet per so
// many rows, each with its header kept in view.
void TestExportar::libroLeidoPorOtroLector() {
    TTabla A(100, QStringList(11));
    TMarcas C(100, 0);
    A[0] = QStringList{"=HYPERLINK(\"http://x\",\"y\")",
                       "3",
                       "8/8/6",
                       "100x5@8",
                       "(PC)",
                       "PC+10lb",
                       "=1+1",
                       "",
                       "",
                       "",
                       ""};
    A[1][0] = "Jalón";
    A[1][3] = "-20";
    C[3] = -23296; // a marked empty row
    escribir(datos + "/20240101Ana.kvr", FormatearRutina(A, C, 100, 11));
    bool bien = false;
    const QList<QStringList> csv =
        leerCsv(QString::fromUtf8(CsvDeUsuario(datos, "Ana", nullptr).mid(3)), bien);
    QVERIFY(bien);
    // The CSV's text fields without the quote that keeps a spreadsheet from running them.
    auto sinDefensa = [](QString t) {
        qsizetype k = 0;
        while (k < t.size() && t[k] == u'\'')
            ++k;
        if (k > 0 && k < t.size() && QStringLiteral("=+-@\t\r").contains(t[k])) t.remove(0, 1);
        return t;
    };
    const QList<int> numericas{5, 6, 8, 9, 10, 11, 12, 14, 16};
    for (const int porHoja : {kFilasPorHoja, 7}) {
        const QString ruta = tmp.path() + QString("/libro-%1.xlsx").arg(porHoja);
        QStringList fallidos;
        ExportarLibro(datos, "Ana", ruta, &fallidos, porHoja);
        QCOMPARE(fallidos.size(), 1);
        const QJsonArray hojas = leerLibro(ruta);
        if (hojas.isEmpty()) {
            if (qEnvironmentVariableIsSet("CI")) QFAIL("no reader of workbooks (python3-openpyxl)");
            QSKIP("no reader of workbooks here (python3-openpyxl)");
        }
        // Every sheet begins with the header, frozen; the lines continue from sheet to sheet.
        QList<QJsonArray> lineas;
        for (int h = 0; h < hojas.size(); ++h) {
            const QJsonObject hoja = hojas[h].toObject();
            QCOMPARE(hoja["nombre"].toString(),
                     h == 0 ? QStringLiteral("Historial") : QString("Historial %1").arg(h + 1));
            QCOMPARE(hoja["fijo"].toString(), QStringLiteral("A2"));
            QCOMPARE(hoja["anchos"].toObject().size(), csv[0].size());
            const QJsonArray filas = hoja["filas"].toArray();
            QVERIFY(filas.size() <= porHoja);
            for (int j = 0; j < csv[0].size(); ++j)
                QCOMPARE(filas[0].toArray()[j].toArray(), (QJsonArray{"s", csv[0][j]}));
            for (int i = 1; i < filas.size(); ++i)
                lineas << filas[i].toArray();
        }
        QCOMPARE(hojas.size(), porHoja == 7 ? int((csv.size() - 2) / 6 + 1) : 1);
        QCOMPARE(lineas.size(), csv.size() - 1);
        for (int i = 0; i < lineas.size(); ++i) {
            const QStringList& esperada = csv[i + 1];
            for (int j = 0; j < esperada.size(); ++j) {
                const QJsonValue celda = lineas[i].size() > j ? lineas[i][j] : QJsonValue();
                const QString donde = QString("line %1, column %2").arg(i + 1).arg(csv[0][j]);
                if (esperada[j].isEmpty()) {
                    QVERIFY2(celda.isNull(), qPrintable(donde));
                } else if (j == 0) {
                    QCOMPARE(celda.toArray(), (QJsonArray{"d", esperada[j]}));
                } else if (numericas.contains(j)) {
                    // The CSV writes six decimals; the workbook keeps the number whole.
                    QVERIFY2(celda.toArray()[0] == "n" && qAbs(celda.toArray()[1].toDouble() -
                                                               esperada[j].toDouble()) < 1e-6,
                             qPrintable(donde));
                } else {
                    QCOMPARE(celda.toArray(), (QJsonArray{"s", sinDefensa(esperada[j])}));
                }
            }
        }
    }
}

void TestExportar::lineaDeOrdenes_data() {
    // "DATOS", "SALIDA" (a .csv) and "LIBRO" (a .xlsx) are filled in.
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<int>("estado");
    QTest::addColumn<QString>("mensaje"); // the start of stderr
    QTest::newRow("exportar") << QStringList{"--exportar-csv", "SALIDA",    "--usuario",
                                             "Luis",           "--carpeta", "DATOS"}
                              << 0 << "";
    QTest::newRow("un archivo ilegible")
        << QStringList{"--exportar-csv", "SALIDA", "--usuario", "Ana", "--carpeta", "DATOS"} << 1
        << "No se pudo leer y no se exporta: 20230104Ana.kvr";
    QTest::newRow("falta el usuario")
        << QStringList{"--exportar-csv", "SALIDA", "--carpeta", "DATOS"} << 2
        << QString::fromUtf8("Hay 2 usuarios: indica cuál con --usuario");
    QTest::newRow("usuario desconocido")
        << QStringList{"--exportar-csv", "SALIDA", "--usuario", "Eva", "--carpeta", "DATOS"} << 1
        << QString::fromUtf8("El usuario Eva no está en la lista de usuarios");
    QTest::newRow("destino imposible")
        << QStringList{"--exportar-csv", "/proc/no/x.csv", "--usuario",
                       "Luis",           "--carpeta",      "DATOS"}
        << 1 << "No se puede escribir /proc/no/x.csv";
    QTest::newRow("destino en la carpeta de datos")
        << QStringList{"--exportar-csv", "DATOS/20230101Luis.kvr", "--usuario", "Luis", "--carpeta",
                       "DATOS"}
        << 1 << "No se puede exportar dentro de la carpeta de datos: ";
    QTest::newRow("carpeta que no existe")
        << QStringList{"--exportar-csv", "SALIDA", "--carpeta", "DATOS/nada"} << 1
        << "No existe la carpeta de datos";
    QTest::newRow("opcion desconocida")
        << QStringList{"--nada"} << 2 << "Opción desconocida: --nada";
    QTest::newRow("opcion mal escrita")
        << QStringList{"--exportr-csv", "SALIDA"} << 2 << "Opción desconocida: --exportr-csv";
    QTest::newRow("opcion de qt con una exportacion")
        << QStringList{"--exportar-csv", "SALIDA", "-style", "Fusion"} << 2
        << "Opción desconocida: -style";
    QTest::newRow("falta un valor") << QStringList{"--exportar-csv"} << 2 << "Falta un valor";
    // --exportar chooses by the suffix.
    QTest::newRow("exportar un libro")
        << QStringList{"--exportar", "LIBRO", "--usuario", "Luis", "--carpeta", "DATOS"} << 0 << "";
    QTest::newRow("exportar un csv por el sufijo")
        << QStringList{"--exportar", "SALIDA", "--usuario", "Luis", "--carpeta", "DATOS"} << 0
        << "";
    QTest::newRow("exportar con otro sufijo")
        << QStringList{"--exportar", "x.txt", "--usuario", "Luis"} << 2
        << "El archivo debe terminar en .xlsx (libro de Excel) o en .csv: x.txt";
    QTest::newRow("exportar sin sufijo")
        << QStringList{"--exportar", "historial"} << 2
        << "El archivo debe terminar en .xlsx (libro de Excel) o en .csv: historial";
    QTest::newRow("exportar de dos maneras")
        << QStringList{"--exportar", "LIBRO", "--exportar-csv", "SALIDA"} << 2
        << "--exportar, --exportar-csv e --importar-csv no van juntos";
    QTest::newRow("libro en la carpeta de datos")
        << QStringList{"--exportar", "DATOS/x.xlsx", "--usuario", "Luis", "--carpeta", "DATOS"} << 1
        << "No se puede exportar dentro de la carpeta de datos: ";
    QTest::newRow("libro imposible")
        << QStringList{"--exportar", "/proc/no/x.xlsx", "--usuario", "Luis", "--carpeta", "DATOS"}
        << 1 << "No se puede escribir /proc/no/x.xlsx";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "";
    QTest::newRow("ayuda") << QStringList{"--help"} << 0 << "";
}

void TestExportar::lineaDeOrdenes() {
    QFETCH(QStringList, argumentos);
    QFETCH(int, estado);
    QFETCH(QString, mensaje);
    const QString salida = tmp.path() + "/" + QTest::currentDataTag() + ".csv";
    const QString libro = tmp.path() + "/" + QTest::currentDataTag() + ".xlsx";
    for (QString& a : argumentos)
        a.replace("DATOS", datos).replace("SALIDA", salida).replace("LIBRO", libro);
    QProcess p;
    // No display: the modes without a window need none.
    p.setProcessEnvironment(prueba::entornoSinPantalla());
    p.start(KORVAL_BINARIO, argumentos);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    const QString error = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitCode(), estado);
    QVERIFY2(mensaje.isEmpty() ? error.isEmpty() : error.startsWith(mensaje), qPrintable(error));
    // The rest is exported even when one file could not be read.
    const QString caso = QTest::currentDataTag();
    if (caso == "exportar" || caso == "un archivo ilegible" ||
        caso == "exportar un csv por el sufijo")
        QVERIFY(QFile::exists(salida));
    if (caso == "exportar un libro") {
        QFile f(libro);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.read(2), QByteArray("PK")); // a zip, as a workbook is
    }
    // No temporary file is left beside the target, whatever the outcome.
    QCOMPARE(
        QDir(tmp.path())
            .entryList({"." + QString(QTest::currentDataTag()) + "*"}, QDir::Files | QDir::Hidden),
        QStringList());
    if (caso == "destino en la carpeta de datos") {
        QFile f(datos + "/20230101Luis.kvr");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Remo|3|12|50||||||||||0\r\n"));
    }
    if (argumentos == QStringList{"--version"})
        QVERIFY(p.readAllStandardOutput().startsWith("korval "));
    if (argumentos == QStringList{"--help"})
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains("--exportar-csv"));
}

// No home folder, through the real program without a display: a message and status 1, nothing
// made in the working folder or under "/". With --carpeta it works all the same.
void TestExportar::sinCarpetaPersonal_data() {
    QTest::addColumn<QString>("casa"); // "-": HOME unset
    QTest::addColumn<bool>("conCarpeta");
    for (const char* casa : {"-", "", "/", "/no/existe"}) {
        QTest::newRow(qPrintable(QString("HOME=%1").arg(casa))) << casa << false;
        QTest::newRow(qPrintable(QString("HOME=%1, --carpeta").arg(casa))) << casa << true;
    }
}

void TestExportar::sinCarpetaPersonal() {
    QFETCH(QString, casa);
    QFETCH(bool, conCarpeta);
    QTemporaryDir aqui;
    QProcessEnvironment env = prueba::entornoSinPantalla();
    env.remove("XDG_DOCUMENTS_DIR");
    env.remove("XDG_CONFIG_HOME");
    if (casa == "-")
        env.remove("HOME");
    else
        env.insert("HOME", casa);
    const QString salida = tmp.path() + "/sin-casa.csv";
    QFile::remove(salida);
    QStringList argumentos{"--exportar-csv", salida, "--usuario", "Ana"};
    if (conCarpeta) argumentos << "--carpeta" << datos;
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(aqui.path());
    p.start(KORVAL_BINARIO, argumentos);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    const QString error = QString::fromLocal8Bit(p.readAllStandardError());
    if (conCarpeta) {
        // Status 1 only for the fixture's file too large to be a routine; the rest went out.
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(error.startsWith("No se pudo leer y no se exporta: 20230104Ana.kvr"),
                 qPrintable(error));
        QVERIFY(QFile::exists(salida));
    } else {
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(error.startsWith("No hay carpeta personal (HOME)"), qPrintable(error));
        QVERIFY(!QFile::exists(salida));
    }
    QCOMPARE(QDir(aqui.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QVERIFY(!QFileInfo::exists("/KORVAL") && !QFileInfo::exists("/Documents"));
}

QTEST_GUILESS_MAIN(TestExportar)
#include "test_exportar.moc"
