// Two computers through a real sync engine: two Syncthing instances on loopback only, each
// syncing a copy of the data folder, and on each a session (the editor program) as the window
// owns one. Both make edits while the devices are paused, so the engine must leave conflict
// copies; once they resume, every edit must be in the routine on both sides, identical, and no
// conflict copy outside "respaldos".
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class TestSincronizacion : public QObject {
    Q_OBJECT
  private slots:
    void dosEquiposPausados();
};

// Today's routine: the merge bases keep only recent days.
static const QString kDia = QDate::currentDate().toString("yyyyMMdd");
static const QString kRutina = kDia + "Ana.kvr";

// A port free on loopback now.
static int puertoLibre() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t largo = sizeof a;
    int puerto = -1;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &largo) == 0)
        puerto = ntohs(a.sin_port);
    ::close(s);
    return puerto;
}

static QByteArray leer(const QString& ruta) {
    QFile f(ruta);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

static void escribir(const QString& ruta, const QByteArray& bytes) {
    QFile f(ruta);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

// One Syncthing instance with its REST interface.
struct Motor {
    QString casa, carpeta, id, clave;
    int puertoGui = 0, puertoSync = 0;
    QProcess proceso;
    QNetworkAccessManager red;

    QByteArray pedir(const QByteArray& metodo, const QString& ruta) {
        QNetworkRequest q(QUrl(QString("http://127.0.0.1:%1%2").arg(puertoGui).arg(ruta)));
        q.setRawHeader("X-API-Key", clave.toLatin1());
        QNetworkReply* r = red.sendCustomRequest(q, metodo);
        QEventLoop bucle;
        QTimer::singleShot(5000, &bucle, &QEventLoop::quit);
        QObject::connect(r, &QNetworkReply::finished, &bucle, &QEventLoop::quit);
        bucle.exec();
        const QByteArray cuerpo =
            r->isFinished() && r->error() == QNetworkReply::NoError ? r->readAll() : QByteArray();
        r->deleteLater();
        return cuerpo;
    }
    QJsonObject json(const QString& ruta) {
        return QJsonDocument::fromJson(pedir("GET", ruta)).object();
    }
    ~Motor() {
        if (proceso.state() != QProcess::NotRunning) {
            proceso.terminate();
            if (!proceso.waitForFinished(5000)) proceso.kill();
            proceso.waitForFinished(5000);
        }
    }
};

static QString configuracion(const Motor& yo, const Motor& otro) {
    const QString dispositivo =
        QStringLiteral("  <device id=\"%1\" name=\"%2\" compression=\"metadata\">\n"
                       "    <address>tcp://127.0.0.1:%3</address>\n  </device>\n");
    return QStringLiteral(
               "<configuration version=\"36\">\n"
               "  <folder id=\"korval\" label=\"KORVAL\" path=\"%1\" type=\"sendreceive\""
               " rescanIntervalS=\"3600\" fsWatcherEnabled=\"false\">\n"
               "    <device id=\"%2\"></device>\n    <device id=\"%3\"></device>\n"
               "    <maxConflicts>-1</maxConflicts>\n  </folder>\n")
               .arg(yo.carpeta, yo.id, otro.id) +
           dispositivo.arg(yo.id, "yo").arg(yo.puertoSync) +
           dispositivo.arg(otro.id, "otro").arg(otro.puertoSync) +
           QStringLiteral("  <gui enabled=\"true\" tls=\"false\">\n"
                          "    <address>127.0.0.1:%1</address>\n    <apikey>%2</apikey>\n"
                          "  </gui>\n  <options>\n"
                          "    <listenAddress>tcp://127.0.0.1:%3</listenAddress>\n"
                          "    <globalAnnounceEnabled>false</globalAnnounceEnabled>\n"
                          "    <localAnnounceEnabled>false</localAnnounceEnabled>\n"
                          "    <relaysEnabled>false</relaysEnabled>\n"
                          "    <natEnabled>false</natEnabled>\n"
                          "    <urAccepted>-1</urAccepted>\n"
                          "    <crashReportingEnabled>false</crashReportingEnabled>\n"
                          "    <startBrowser>false</startBrowser>\n"
                          "    <autoUpgradeIntervalH>0</autoUpgradeIntervalH>\n"
                          "    <reconnectionIntervalS>1</reconnectionIntervalS>\n"
                          "  </options>\n</configuration>\n")
               .arg(yo.puertoGui)
               .arg(yo.clave)
               .arg(yo.puertoSync);
}

// Waits for `cond`, asking `cada` in between; false once `segundos` have gone by.
template <class C, class A> static bool esperar(C cond, A cada, int segundos) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > segundos * 1000) return false;
        cada();
        QTest::qWait(200);
    }
    return true;
}

// The editor program on one copy: a session owned as the window owns it.
struct Editor {
    QProcess p;
    QStringList lineas;
    bool empezar(const QString& datos, const QString& bases) {
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(KORVAL_EDITOR), {datos, bases, "Ana", kDia});
        return respuesta().startsWith("listo");
    }
    QString respuesta() {
        for (;;) {
            for (qsizetype i = 0; i < lineas.size(); ++i) {
                if (lineas[i].startsWith("aviso: ") || lineas[i].startsWith("fallo: ")) continue;
                return lineas.takeAt(i);
            }
            if (!p.waitForReadyRead(10000)) return QString("sin respuesta");
            while (p.canReadLine())
                lineas << QString::fromUtf8(p.readLine()).trimmed();
        }
    }
    QString orden(const QString& o) {
        p.write(o.toUtf8() + "\n");
        return respuesta();
    }
    QStringList avisos() {
        while (p.canReadLine())
            lineas << QString::fromUtf8(p.readLine()).trimmed();
        return lineas;
    }
    ~Editor() {
        if (p.state() != QProcess::NotRunning) {
            p.write("salir\n");
            if (!p.waitForFinished(5000)) p.kill();
            p.waitForFinished(5000);
        }
    }
};

// The conflict copies in a folder; Syncthing's own temporary files (".syncthing.*.tmp", left
// for a while when a transfer stops) are none.
static QStringList conflictos(const QString& carpeta) {
    QStringList r;
    for (const QString& n :
         QDir(carpeta).entryList({"*.sync-conflict-*"}, QDir::Files | QDir::Hidden))
        if (!n.startsWith(".syncthing.")) r << n;
    return r;
}

void TestSincronizacion::dosEquiposPausados() {
    const QString programa = QStandardPaths::findExecutable("syncthing");
    if (programa.isEmpty()) {
        if (qEnvironmentVariableIsSet("CI"))
            QFAIL("syncthing is not installed (tools/setup.sh --tests installs it)");
        QSKIP("syncthing is not installed: the test with a real sync engine does not run");
    }
    QTemporaryDir tmp;
    Motor uno, dos;
    int n = 0;
    for (Motor* m : {&uno, &dos}) {
        ++n;
        m->casa = tmp.path() + QString("/motor%1").arg(n);
        m->carpeta = tmp.path() + QString("/equipo%1/KORVAL").arg(n);
        QVERIFY(QDir().mkpath(m->carpeta + "/.stfolder"));
        // The lock is each computer's own: it never travels.
        escribir(m->carpeta + "/.stignore", ".korval.lock\n");
        QProcess g;
        g.setProcessChannelMode(QProcess::MergedChannels);
        g.start(programa, {"generate", "--home=" + m->casa, "--no-default-folder"});
        QVERIFY(g.waitForFinished(60000));
        const QRegularExpressionMatch id =
            QRegularExpression("Device ID: ([A-Z0-9-]+)").match(QString::fromUtf8(g.readAll()));
        QVERIFY(id.hasMatch());
        m->id = id.captured(1);
        m->clave = QString("clave-de-prueba-%1").arg(n);
        m->puertoGui = puertoLibre();
        m->puertoSync = puertoLibre();
    }
    escribir(uno.casa + "/config.xml", configuracion(uno, dos).toUtf8());
    escribir(dos.casa + "/config.xml", configuracion(dos, uno).toUtf8());
    // Press on row 0, Remo on row 1; the other rows empty.
    QByteArray inicial = "Press|3|10||||||||||0\r\nRemo|3|12||||||||||0\r\n";
    for (int i = 2; i < 100; ++i)
        inicial += "||||||||||||0\r\n";
    escribir(uno.carpeta + "/USRS.kvldat", "Ana\r\n");
    escribir(uno.carpeta + "/" + kRutina, inicial);
    for (Motor* m : {&uno, &dos}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("STNOUPGRADE", "1");
        env.insert("HOME", m->casa);
        m->proceso.setProcessEnvironment(env);
        m->proceso.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m->proceso.setStandardOutputFile(m->casa + "/salida.log");
        m->proceso.start(programa, {"serve", "--home=" + m->casa, "--no-browser", "--no-restart"});
        QVERIFY(m->proceso.waitForStarted());
    }
    auto escanear = [&] {
        uno.pedir("POST", "/rest/db/scan?folder=korval");
        dos.pedir("POST", "/rest/db/scan?folder=korval");
    };
    auto completo = [&](Motor& m, const Motor& otro) {
        const QJsonObject c = m.json("/rest/db/completion?folder=korval&device=" + otro.id);
        return !c.isEmpty() && c.value("completion").toDouble() >= 100 &&
               c.value("needItems").toInt() == 0 && c.value("globalItems").toInt() > 0;
    };
    QVERIFY2(esperar(
                 [&] {
                     return !uno.pedir("GET", "/rest/system/ping").isEmpty() &&
                            !dos.pedir("GET", "/rest/system/ping").isEmpty();
                 },
                 [] {}, 60),
             "the sync engines did not start");
    QVERIFY2(esperar(
                 [&] {
                     return leer(dos.carpeta + "/" + kRutina) == inicial &&
                            leer(dos.carpeta + "/USRS.kvldat") == "Ana\r\n";
                 },
                 escanear, 90),
             "the first sync did not arrive");

    Editor a, b;
    QVERIFY(a.empezar(uno.carpeta, tmp.path() + "/bases1"));
    QVERIFY(b.empezar(dos.carpeta, tmp.path() + "/bases2"));
    // Both computers offline from each other: every edit below is made on both sides at once.
    uno.pedir("POST", "/rest/system/pause?device=" + dos.id);
    dos.pedir("POST", "/rest/system/pause?device=" + uno.id);
    QVERIFY(esperar(
        [&] {
            return !uno.json("/rest/system/connections")
                        .value("connections")
                        .toObject()
                        .value(dos.id)
                        .toObject()
                        .value("connected")
                        .toBool();
        },
        [] {}, 30));
    const QList<std::pair<Editor*, QString>> ediciones{
        {&a, "escribir 0 1 4"},    {&b, "escribir 1 3 50"}, {&a, "escribir 2 0 Curl"},
        {&b, "escribir 3 0 Dips"}, {&a, "escribir 0 3 60"}, {&b, "escribir 1 4 55"}};
    for (const auto& [editor, orden] : ediciones)
        QCOMPARE(editor->orden(orden), QStringLiteral("ok"));
    uno.pedir("POST", "/rest/system/resume?device=" + dos.id);
    dos.pedir("POST", "/rest/system/resume?device=" + uno.id);

    QStringList vistas;
    auto estable = [&] {
        for (const Motor* m : {&uno, &dos})
            for (const QString& c : conflictos(m->carpeta + "/respaldos"))
                if (!vistas.contains(c)) vistas << c;
        const QByteArray r1 = leer(uno.carpeta + "/" + kRutina);
        const QByteArray r2 = leer(dos.carpeta + "/" + kRutina);
        return r1 == r2 && r1.startsWith("Press|4|10|60|") && r1.contains("\r\nRemo|3|12|50|55|") &&
               r1.contains("\r\nCurl|") && r1.contains("\r\nDips|") &&
               conflictos(uno.carpeta).isEmpty() && conflictos(dos.carpeta).isEmpty() &&
               completo(uno, dos) && completo(dos, uno);
    };
    const bool bien = esperar(estable, escanear, 120);
    QVERIFY2(bien, qPrintable("the two sides did not settle:\n" +
                              QString::fromLatin1(leer(uno.carpeta + "/" + kRutina).left(120)) +
                              "\n---\n" +
                              QString::fromLatin1(leer(dos.carpeta + "/" + kRutina).left(120)) +
                              "\nleft: " + conflictos(uno.carpeta).join(' ') + " | " +
                              conflictos(dos.carpeta).join(' ') + "\n" + a.avisos().join('\n') +
                              "\n" + b.avisos().join('\n')));
    QVERIFY2(!vistas.isEmpty(), "no conflict copy arose: the test proved nothing");
}

QTEST_GUILESS_MAIN(TestSincronizacion)
#include "test_sincronizacion.moc"
