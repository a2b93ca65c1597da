// Path, date and text helpers.
#include "general/errores.h"
#include "general/general.h"
#include "tests/costuras.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestGeneral : public QObject {
    Q_OBJECT
  private slots:
    void diaYSello_data();
    void diaYSello();
    void combinePath_data();
    void combinePath();
    void combinePathInvalido_data();
    void combinePathInvalido();
    void pathCompletoIdempotente();
    void mid_data();
    void mid();
    void padeo_data();
    void padeo();
    void textoAArreglo_data();
    void textoAArreglo();
    void textoVacioConservaArreglo();
    void entero_data();
    void entero();
    void existencia();
    void existenciaSinBarrido();
    void carpetaDeDatosCreada();
    void carpetaDeDatosImposible();
};

void TestGeneral::diaYSello_data() {
    QTest::addColumn<QDate>("dia");
    QTest::addColumn<QString>("sello");
    QTest::addColumn<QString>("nombre");
    QTest::newRow("2023-01-02") << QDate(2023, 1, 2) << "20230102"
                                << "Lunes";
    QTest::newRow("2023-01-01") << QDate(2023, 1, 1) << "20230101"
                                << "Domingo";
    QTest::newRow("2023-01-04") << QDate(2023, 1, 4) << "20230104"
                                << "Miercoles";
    QTest::newRow("2024-12-31") << QDate(2024, 12, 31) << "20241231"
                                << "Martes";
    QTest::newRow("leap") << QDate(2024, 2, 29) << "20240229"
                          << "Jueves";
    QTest::newRow("year 987") << QDate(987, 6, 5) << "09870605"
                              << DameDiaDeLaSemana(QDate(987, 6, 5));
    QTest::newRow("9999") << QDate(9999, 12, 31) << "99991231"
                          << "Viernes";
    QTest::newRow("saturday") << QDate(2022, 12, 31) << "20221231"
                              << "Sabado";
}

void TestGeneral::diaYSello() {
    QFETCH(QDate, dia);
    QFETCH(QString, sello);
    QFETCH(QString, nombre);
    QCOMPARE(DayStamp(dia), sello);
    QCOMPARE(DameDiaDeLaSemana(dia), nombre);
}

void TestGeneral::combinePath_data() {
    QTest::addColumn<QString>("s1");
    QTest::addColumn<QString>("s2");
    QTest::addColumn<QString>("r");
    QTest::newRow("join") << "/home/ana/Documents"
                          << "KORVAL"
                          << "/home/ana/Documents/KORVAL";
    QTest::newRow("trailing slash") << "/home/ana/"
                                    << "KORVAL"
                                    << "/home/ana/KORVAL";
    QTest::newRow("rooted second") << "/home/ana"
                                   << "/tmp/x.kvr"
                                   << "/tmp/x.kvr";
    // The check is for the names the program makes, not for the folders the system gave it.
    QTest::newRow("odd data folder") << "/home/a<b>|\"c/Documents"
                                     << "KORVAL"
                                     << "/home/a<b>|\"c/Documents/KORVAL";
    QTest::newRow("odd imported file") << "/d"
                                       << "/home/a|b/<x>.kvr"
                                       << "/home/a|b/<x>.kvr";
    QTest::newRow("nested") << "/d"
                            << "a/b"
                            << "/d/a/b";
    QTest::newRow("backslash ordinary") << "/d"
                                        << "a\\b"
                                        << "/d/a\\b";
    QTest::newRow("empty first") << ""
                                 << "KORVAL"
                                 << "KORVAL";
    QTest::newRow("empty second") << "/d"
                                  << ""
                                  << "/d";
    QTest::newRow("empty first skips check") << ""
                                             << "a|b"
                                             << "a|b";
    QTest::newRow("wildcards pass") << "/d"
                                    << "*?:x"
                                    << "/d/*?:x";
}

void TestGeneral::combinePath() {
    QFETCH(QString, s1);
    QFETCH(QString, s2);
    QFETCH(QString, r);
    QCOMPARE(CombinePath(s1, s2), r);
}

void TestGeneral::combinePathInvalido_data() {
    QTest::addColumn<QString>("s1");
    QTest::addColumn<QString>("s2");
    QTest::newRow("bar") << "/d"
                         << "a|b";
    QTest::newRow("quote") << "/d"
                           << "a\"b";
    QTest::newRow("less") << "/d"
                          << "a<b";
    QTest::newRow("greater") << "/d"
                             << "a>b";
    QTest::newRow("tab") << "/d"
                         << "a\tb";
    QTest::newRow("nul") << "/d" << QString(QChar(0));
}

void TestGeneral::combinePathInvalido() {
    QFETCH(QString, s1);
    QFETCH(QString, s2);
    try {
        CombinePath(s1, s2);
        QFAIL("no error");
    } catch (const ErrorKorval& e) {
        QCOMPARE(e.mensaje(), QStringLiteral("Invalid characters in path"));
    }
}

void TestGeneral::pathCompletoIdempotente() {
    const TCarpetaDatos carpeta(QStringLiteral("/tmp/datos/KORVAL"));
    const QString una = PathCompleto(QStringLiteral("20230102Ana.kvr"));
    QCOMPARE(una, QStringLiteral("/tmp/datos/KORVAL/20230102Ana.kvr"));
    QCOMPARE(PathCompleto(una), una);
}

void TestGeneral::mid_data() {
    QTest::addColumn<int>("p");
    QTest::addColumn<int>("l");
    QTest::addColumn<QString>("r");
    QTest::newRow("3,2") << 3 << 2 << "cd";
    QTest::newRow("5,rest") << 5 << -100 << "ef";
    QTest::newRow("9") << 9 << 2 << "";
    QTest::newRow("0,2") << 0 << 2 << "ab";
    QTest::newRow("negative count") << 2 << -1 << "";
    QTest::newRow("long count") << 4 << 50 << "def";
}

void TestGeneral::mid() {
    QFETCH(int, p);
    QFETCH(int, l);
    QFETCH(QString, r);
    const QString s = QStringLiteral("abcdef");
    QCOMPARE(l == -100 ? ::mid(s, p) : ::mid(s, p, l), r);
}

void TestGeneral::padeo_data() {
    QTest::addColumn<QString>("s");
    QTest::addColumn<QString>("pad");
    QTest::addColumn<int>("t");
    QTest::addColumn<QString>("r");
    QTest::newRow("7") << "7"
                       << "0" << 2 << "07";
    QTest::newRow("2023") << "2023"
                          << "0" << 2 << "2023";
    QTest::newRow("two-char pad") << "7"
                                  << "ab" << 3 << "abab7";
    QTest::newRow("exact") << "12"
                           << "0" << 2 << "12";
    QTest::newRow("empty") << ""
                           << "0" << 4 << "0000";
}

void TestGeneral::padeo() {
    QFETCH(QString, s);
    QFETCH(QString, pad);
    QFETCH(int, t);
    QFETCH(QString, r);
    QCOMPARE(padearIzqConA(s, pad, t), r);
}

void TestGeneral::textoAArreglo_data() {
    QTest::addColumn<QString>("tex");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<QStringList>("r");
    QTest::newRow("a||b") << "a||b"
                          << "|" << QStringList{"a", "", "b"};
    QTest::newRow("a|") << "a|"
                        << "|" << QStringList{"a", ""};
    QTest::newRow("|") << "|"
                       << "|" << QStringList{"", ""};
    QTest::newRow("abc") << "abc"
                         << "|" << QStringList{"abc"};
    QTest::newRow("long separator") << "a::b::"
                                    << "::" << QStringList{"a", "b", ""};
    QTest::newRow("empty separator") << "a|b"
                                     << "" << QStringList{"a|b"};
}

void TestGeneral::textoAArreglo() {
    QFETCH(QString, tex);
    QFETCH(QString, sep);
    QFETCH(QStringList, r);
    Tarreglo_de_strings arr{"old", "stuff", "here", "x"};
    TextoAArreglo(tex, arr, sep);
    QCOMPARE(arr, r);
}

void TestGeneral::textoVacioConservaArreglo() {
    Tarreglo_de_strings arr{"a", "b"};
    TextoAArreglo(QString(), arr, QStringLiteral("|"));
    QCOMPARE(arr, (QStringList{"a", "b"}));
}

void TestGeneral::entero_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("valor");
    QTest::newRow("decimal") << "90" << true << 90;
    QTest::newRow("leading spaces") << "  90" << true << 90;
    QTest::newRow("plus") << "+90" << true << 90;
    QTest::newRow("minus") << "-65536" << true << -65536;
    QTest::newRow("leading zero") << "030" << true << 30;
    QTest::newRow("$hex") << "$1E" << true << 30;
    QTest::newRow("0x") << "0x1E" << true << 30;
    QTest::newRow("0X") << "0X1e" << true << 30;
    QTest::newRow("x") << "x1E" << true << 30;
    QTest::newRow("X") << "X1E" << true << 30;
    QTest::newRow("-$") << "-$10" << true << -16;
    QTest::newRow("max") << "2147483647" << true << 2147483647;
    QTest::newRow("min") << "-2147483648" << true << int(-2147483648LL);
    QTest::newRow("overflow") << "2147483648" << false << 0;
    QTest::newRow("hex pattern") << "$FFFFFFFF" << true << -1;
    QTest::newRow("hex overflow") << "$100000000" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("prefix only") << "0x" << false << 0;
    QTest::newRow("trailing space") << "90 " << false << 0;
    QTest::newRow("inner space") << "9 0" << false << 0;
    QTest::newRow("tab") << "\t90" << false << 0;
    QTest::newRow("colon") << "1:30" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("bad hex digit") << "$1G" << false << 0;
}

void TestGeneral::entero() {
    QFETCH(QString, texto);
    QFETCH(bool, ok);
    QFETCH(int, valor);
    qint32 v = 12345;
    QCOMPARE(LeerEntero32(texto, v), ok);
    if (ok) QCOMPARE(v, valor);
}

void TestGeneral::existencia() {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    QFile f(d + "/plain.txt");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QFile h(d + "/.hidden");
    QVERIFY(h.open(QIODevice::WriteOnly));
    h.close();
    QVERIFY(QDir(d).mkdir("sub"));

    QVERIFY(estaCarpeta(d + "/sub"));
    QVERIFY(estaCarpeta(d + "/sub/"));
    QVERIFY(estaCarpeta(d + "/plain.txt"));
    QVERIFY(!estaCarpeta(d + "/.hidden"));
    QVERIFY(!estaCarpeta(d + "/missing"));
    QVERIFY(estaArchivo(d + "/.hidden"));
    QVERIFY(estaArchivo(d + "/sub"));
    QVERIFY(!estaArchivo(d + "/missing"));
    QVERIFY(!estaArchivo(QString()));
    // Wildcards in the last component search the folder.
    QVERIFY(estaArchivo(d + "/pl*.txt"));
    QVERIFY(estaArchivo(d + "/.hid?en"));
    QVERIFY(!estaCarpeta(d + "/.hid*"));
    QVERIFY(!estaArchivo(d + "/*.kvr"));
}

// A routine's name without "*" or "?" is looked up by one stat, never by a folder scan: a scan
// reads "[" as a pattern, so for a user called "Ana[1]" it answers the opposite of the truth.
void TestGeneral::existenciaSinBarrido() {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    for (const char* nombre : {"20230102Ana[1].kvr", "20230103Ana1.kvr", "Luis[2]"}) {
        QFile f(d + "/" + nombre);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(d).mkdir("Eva[3]"));
    QVERIFY(QDir(d).mkdir("Eva4"));
    // A scan with these names as patterns finds the other file in each pair.
    QCOMPARE(QDir(d).entryList({"20230102Ana[1].kvr"}, QDir::Files), QStringList());
    QCOMPARE(QDir(d).entryList({"20230103Ana[1].kvr"}, QDir::Files),
             QStringList{"20230103Ana1.kvr"});

    QVERIFY(estaArchivo(d + "/20230102Ana[1].kvr"));
    QVERIFY(!estaArchivo(d + "/20230103Ana[1].kvr"));
    QVERIFY(estaArchivo(d + "/Luis[2]"));
    QVERIFY(estaCarpeta(d + "/Eva[3]"));
    QVERIFY(!estaCarpeta(d + "/Eva[4]"));
}

void TestGeneral::carpetaDeDatosCreada() {
    const TCarpetaDatos antes(carpeta_principal);
    QTemporaryDir tmp;
    const QString docs = tmp.path() + "/Documents";
    FileSystemStartEn(docs, QStringLiteral("KORVAL"));
    QCOMPARE(carpeta_principal, docs + "/KORVAL");
    QVERIFY(QFileInfo(carpeta_principal).isDir());
    // Linux allows any character but "/" in a folder's name; the data folder may be below one.
    const QString raro = tmp.path() + "/a<b>|\"c";
    FileSystemStartEn(raro, QStringLiteral("KORVAL"));
    QCOMPARE(carpeta_principal, raro + "/KORVAL");
    QCOMPARE(PathCompleto("20230102Ana.kvr"), raro + "/KORVAL/20230102Ana.kvr");
    // A relative folder is made absolute once, so every file name is joined to it once.
    QVERIFY(QDir::setCurrent(tmp.path()));
    FileSystemStartEn(QString(), QStringLiteral("KORVAL"));
    QCOMPARE(carpeta_principal, QDir(tmp.path()).absoluteFilePath("KORVAL"));
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    // A second start finds the folder and changes nothing.
    FileSystemStartEn(docs, QStringLiteral("KORVAL"));
    QVERIFY(QFileInfo(carpeta_principal).isDir());

    // The platform's documents folder follows HOME.
    const QByteArray viejo = qgetenv("HOME");
    QVERIFY(QDir(tmp.path()).mkdir("home"));
    qputenv("HOME", tmp.path().toLocal8Bit() + "/home");
    qunsetenv("XDG_CONFIG_HOME");
    FileSystemStart(QStringLiteral("KORVAL"));
    QCOMPARE(carpeta_principal, tmp.path() + "/home/Documents/KORVAL");
    QVERIFY(QFileInfo(carpeta_principal).isDir());

    // No home folder: refused before anything is made, in the working folder or anywhere.
    QVERIFY(QDir::setCurrent(tmp.path()));
    for (const char* casa : {"", "/", "/no/existe", "unset"}) {
        if (qstrcmp(casa, "unset") == 0)
            qunsetenv("HOME");
        else
            qputenv("HOME", casa);
        try {
            FileSystemStart(QStringLiteral("KORVAL2"));
            QFAIL(qPrintable(QString("no error for HOME=%1").arg(casa)));
        } catch (const ErrorKorval& e) {
            QVERIFY(e.mensaje().startsWith("No hay carpeta personal"));
        }
    }
    QVERIFY(!QFileInfo::exists(tmp.path() + "/KORVAL2"));
    QVERIFY(!QFileInfo::exists("/KORVAL2") && !QFileInfo::exists("/Documents/KORVAL2"));
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
    qputenv("HOME", viejo);
}

void TestGeneral::carpetaDeDatosImposible() {
    QTemporaryDir tmp;
    QFile f(tmp.path() + "/KORVAL"); // a plain file where the folder should be
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QFile h(tmp.path() + "/.KORVAL"); // hidden folders do not count
    QVERIFY(QDir(tmp.path()).mkdir(".KORVAL"));
    const char* nombres[] = {"KORVAL", ".KORVAL"};
    for (const char* nombre : nombres) {
        try {
            FileSystemStartEn(tmp.path(), QString::fromLatin1(nombre));
            QFAIL("no error");
        } catch (const ErrorKorval& e) {
            QCOMPARE(e.mensaje(), "No se puede crear la carpeta de datos: " + tmp.path() + "/" +
                                      QString::fromLatin1(nombre));
        }
    }
}

QTEST_GUILESS_MAIN(TestGeneral)
#include "test_general.moc"
