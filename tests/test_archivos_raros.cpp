// Files edited by hand or by other programs, links, special files, modes and names, through the
// real window: nothing hangs, nothing is dropped without a copy, nothing is written where it
// should not be.
#include "entorno.h"

#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

class TestArchivosRaros : public QObject {
    Q_OBJECT
  private slots:
    void rutinaRara_data();
    void rutinaRara();
    void listaRara_data();
    void listaRara();
    void pegarDemasiado();
    void modosYSoloLectura();
    void temporalesViejos();
};

static const char* const kHoy = "20230102Ana.kvr";

void TestArchivosRaros::rutinaRara_data() {
    QTest::addColumn<QByteArray>("bytes");  // today's routine; special rows prepare it themselves
    QTest::addColumn<QString>("celda0");    // what the sheet shows first
    QTest::addColumn<QString>("alCargar");  // the start-up message, if any
    QTest::addColumn<QString>("alGuardar"); // the message of the first edit, if any
    QTest::addColumn<bool>("copia");        // the file went to "respaldos" before the edit
    const QByteArray press = Entorno::linea({"Press", "4"});
    const QByteArray remo = Entorno::linea({"Remo", "3"});
    QTest::newRow("CR solo") << press + "\r" + remo + "\r"
                             << "Press"
                             << ""
                             << "" << true;
    QTest::newRow("un CR suelto") << Entorno::rutina({press + "\r" + remo}) << "Press"
                                  << ""
                                  << "" << true;
    QTest::newRow("14 campos") << Entorno::rutina({"Pre|ss|4|||||||||||0"}) << "Pre"
                               << ""
                               << "" << true;
    QTest::newRow("texto en el campo 12") << Entorno::rutina({"Press|4||||||||||nota|0"}) << "Press"
                                          << ""
                                          << "" << true;
    QTest::newRow("UTF-8") << Entorno::rutina({QString("Pressão|4|||||||||||0").toUtf8()})
                           << "Pressão"
                           << ""
                           << "" << false;
    QTest::newRow("UTF-8 con BOM")
        << "\xEF\xBB\xBF" + Entorno::rutina({QString("Pressão|4|||||||||||0").toUtf8()})
        << "Pressão"
        << ""
        << "" << false;
    QTest::newRow("UTF-8 con Ł") << Entorno::rutina({QString("Łydki|4|||||||||||0").toUtf8()})
                                 << "Łydki"
                                 << ""
                                 << "" << true;
    QTest::newRow("FIFO") << QByteArray() << ""
                          << "No es un archivo normal: 20230102Ana.kvr."
                          << "No es un archivo normal: 20230102Ana.kvr." << false;
    // A link out of the data folder is neither read nor written (a sync tool carries links
    // planted on another computer); FUERA stands for where it points.
    const QString enlace =
        QStringLiteral("«20230102Ana.kvr» es un enlace a FUERA, fuera de los "
                       "archivos de la carpeta de datos: no se lee ni se escribe.");
    QTest::newRow("enlace a un archivo normal") << QByteArray() << "" << enlace << enlace << false;
    QTest::newRow("enlace a /dev/null") << QByteArray() << "" << enlace << enlace << false;
    QTest::newRow("enlace a /dev/zero") << QByteArray() << "" << enlace << enlace << false;
}

void TestArchivosRaros::rutinaRara() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, celda0);
    QFETCH(QString, alCargar);
    QFETCH(QString, alGuardar);
    QFETCH(bool, copia);
    const QString caso = QTest::currentDataTag();
    Entorno e;
    e.usuarios("Ana\r\n");
    QTemporaryDir fuera;
    const QString destino = fuera.path() + "/real.kvr";
    if (caso == "FIFO") {
        QCOMPARE(::mkfifo(QFile::encodeName(e.ruta(kHoy)).constData(), 0644), 0);
    } else if (caso.startsWith("enlace")) {
        const QString a = caso.endsWith("null")   ? "/dev/null"
                          : caso.endsWith("zero") ? "/dev/zero"
                                                  : destino;
        if (a == destino) {
            QFile f(destino);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(Entorno::rutina({Entorno::linea({"Press", "4"})}));
        }
        QVERIFY(QFile::link(a, e.ruta(kHoy)));
    } else {
        e.escribir(kHoy, bytes);
    }
    const QString apunta = caso.endsWith("null")   ? "/dev/null"
                           : caso.endsWith("zero") ? "/dev/zero"
                                                   : destino;
    alCargar.replace("FUERA", apunta);
    alGuardar.replace("FUERA", apunta);
    const TIdentidad antesFuera = IdentidadDe(destino);
    TMain& w = e.abrir();
    QVERIFY(w.isVisible());
    QCOMPARE(e.errores, alCargar.isEmpty() ? QStringList() : QStringList{alCargar});
    QCOMPARE(e.valor(0, 0), celda0);
    e.errores.clear();

    e.teclear(50, 0, "Curl");
    QCOMPARE(e.errores, alGuardar.isEmpty() ? QStringList() : QStringList{alGuardar});
    // A failed save changes nothing on the sheet; the typed text waits in its open editor.
    if (alGuardar.isEmpty()) {
        QCOMPARE(e.valor(50, 0), QStringLiteral("Curl"));
    } else {
        QCOMPARE(e.valor(50, 0), QString());
        auto* ed = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(ed);
        QCOMPARE(ed->text(), QStringLiteral("Curl"));
    }
    const QStringList copias = QDir(e.ruta("respaldos")).entryList(QDir::Files);
    QCOMPARE(copias.size(), copia ? 1 : 0);
    if (copia) QCOMPARE(e.leer("respaldos/" + copias.first()), bytes);
    const QFileInfo info(e.ruta(kHoy));
    if (caso == "FIFO") {
        QVERIFY(!info.isFile() && info.exists());
    } else if (caso.startsWith("enlace")) {
        // The link stays, and what it points to is untouched.
        QVERIFY(info.isSymLink());
        if (caso.endsWith("normal")) {
            QFile f(destino);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), Entorno::rutina({Entorno::linea({"Press", "4"})}));
            QCOMPARE(IdentidadDe(destino), antesFuera);
            // Nothing was made beside it: no temporary file, no copy.
            QCOMPARE(QDir(QFileInfo(destino).path()).entryList(QDir::Files | QDir::Hidden),
                     QStringList{"real.kvr"});
        }
    } else {
        QVERIFY(e.leer(kHoy).contains("\r\nCurl|"));
        // Written back in Windows-1252, without a byte-order mark.
        if (caso.startsWith("UTF-8")) {
            const QByteArray esperado = caso.endsWith("Ł") ? "?ydki|4|" : "Press\xE3o|4|";
            QVERIFY(e.leer(kHoy).startsWith(esperado));
        }
    }
    QVERIFY(e.archivos().filter(".tmp-").isEmpty());
}

void TestArchivosRaros::listaRara_data() {
    QTest::addColumn<QByteArray>("lista");
    QTest::addColumn<QStringList>("usuarios"); // what the selector offers, "+" included
    QTest::addColumn<QString>("mensaje");
    QTest::newRow("../ en la lista")
        << QByteArray("Ana\r\n../../../fuera\r\nLuis\r\n") << QStringList{"Ana", "Luis", "+"}
        << QString::fromUtf8("El usuario «../../../fuera» de la lista no se muestra: El nombre "
                             "contiene un caracter que no se puede guardar: /.");
    QTest::newRow("nombre larguisimo")
        << "Ana\r\n" + QByteArray(240, 'x') + "\r\n"
        << QStringList{"Ana", "+"}
        << QString::fromUtf8("El usuario «%1» de la lista no se muestra: El nombre es "
                             "demasiado largo.")
               .arg(QString(240, u'x'));
    QTest::newRow("UTF-8 con BOM") << QByteArray("\xEF\xBB\xBF"
                                                 "Ana\r\nLuis\r\n")
                                   << QStringList{"Ana", "Luis", "+"} << QString();
    QTest::newRow("codificaciones mezcladas") << QString("Anaïs\r\n").toUtf8() + "Jos\xE9\r\n"
                                              << QStringList{"Anaïs", "José", "+"} << QString();
    QTest::newRow("FIFO") << QByteArray() << QStringList()
                          << "No es un archivo normal: USRS.kvldat.";
}

void TestArchivosRaros::listaRara() {
    QFETCH(QByteArray, lista);
    QFETCH(QStringList, usuarios);
    QFETCH(QString, mensaje);
    Entorno e;
    if (lista.isEmpty())
        QCOMPARE(::mkfifo(QFile::encodeName(e.ruta("USRS.kvldat")).constData(), 0644), 0);
    else
        e.usuarios(lista);
    TMain& w = e.abrir();
    QVERIFY(w.isVisible());
    QStringList ofrecidos;
    for (int i = 0; i < w.Usuario->count(); ++i)
        ofrecidos << w.Usuario->itemText(i);
    QCOMPARE(ofrecidos, usuarios);
    QCOMPARE(e.errores, mensaje.isEmpty() ? QStringList() : QStringList{mensaje});
    if (!lista.isEmpty()) {
        // The list is left as it is; the first user's edit lands in the data folder.
        QCOMPARE(e.leer("USRS.kvldat"), lista);
        e.teclear(0, 0, "Press");
        QVERIFY(e.existe("20230102" + usuarios.first() + ".kvr"));
        QVERIFY(!QFile::exists(QDir(e.datos).absoluteFilePath("../../../fuera")));
    }
}

// A cell takes 255 characters; a longer paste is refused whole and stays in its editor.
void TestArchivosRaros::pegarDemasiado() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.abrir();
    QLineEdit* ed = e.editar(0, 0);
    QVERIFY(ed);
    ed->insert(QString(256, u'a'));
    QTest::keyClick(ed, Qt::Key_Return);
    QCOMPARE(e.errores, QStringList{"El texto es demasiado largo (máximo 255 caracteres)"});
    QCOMPARE(ed->text(), QString(256, u'a'));
    QVERIFY(!e.existe(kHoy));
    ed->backspace();
    QTest::keyClick(ed, Qt::Key_Return);
    QCOMPARE(e.valor(0, 0), QString(255, u'a'));
    QVERIFY(e.leer(kHoy).startsWith(QByteArray(255, 'a') + "|"));
}

// The mode of what is replaced is kept, a new file follows the umask, and a read-only routine is
// refused. Permission bits do not stop root: as root this runs itself again as "nobody".
void TestArchivosRaros::modosYSoloLectura() {
    if (::getuid() == 0) {
        QProcess hijo;
        hijo.setProcessChannelMode(QProcess::MergedChannels);
        hijo.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups",
                               QCoreApplication::applicationFilePath(), "modosYSoloLectura"});
        QVERIFY(hijo.waitForFinished(60000));
        const QByteArray salida = hijo.readAll();
        QVERIFY2(hijo.exitCode() == 0 && salida.contains("PASS   : TestArchivosRaros::modos"),
                 salida.constData());
        return;
    }
    Entorno e;
    e.usuarios("Ana\r\n");
    const QByteArray hoy = Entorno::rutina({Entorno::linea({"Press"})});
    e.escribir(kHoy, hoy);
    QVERIFY(QFile::setPermissions(e.ruta(kHoy),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    e.escribir("20230101Ana.kvr", Entorno::rutina({Entorno::linea({"Remo"})}));
    QCOMPARE(::chmod(QFile::encodeName(e.ruta("20230101Ana.kvr")).constData(), 0600), 0);
    const mode_t antes = ::umask(077);
    TMain& w = e.abrir();
    e.teclear(0, 1, "4");
    QCOMPARE(e.errores, QStringList{"File access denied."});
    QCOMPARE(e.valor(0, 1), QString());
    QCOMPARE(e.leer(kHoy), hoy);
    // The refused save leaves the text in its editor; Escape gives it up.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(e.valor(0, 1), QString());
    e.errores.clear();
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    e.teclear(0, 1, "3");
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    e.teclear(0, 0, "Curl");
    ::umask(antes);
    QVERIFY(e.errores.isEmpty());
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(e.ruta("20230101Ana.kvr")).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0600));
    QVERIFY(e.leer("20230101Ana.kvr").startsWith("Remo|3|"));
    QCOMPARE(::stat(QFile::encodeName(e.ruta("20230103Ana.kvr")).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0600));
}

// Temporary files of saves cut short go once the window has been painted, if they are old.
void TestArchivosRaros::temporalesViejos() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir(".20230102Ana.kvr.tmp-Ab12Cd", "viejo");
    e.escribir(".20230103Ana.kvr.tmp-Ef34Gh", "reciente");
    QFile viejo(e.ruta(".20230102Ana.kvr.tmp-Ab12Cd"));
    QVERIFY(viejo.open(QIODevice::ReadWrite));
    QVERIFY(viejo.setFileTime(QDateTime::currentDateTime().addSecs(-601),
                              QFileDevice::FileModificationTime));
    viejo.close();
    e.abrir();
    QTRY_VERIFY(!e.existe(".20230102Ana.kvr.tmp-Ab12Cd"));
    QVERIFY(e.existe(".20230103Ana.kvr.tmp-Ef34Gh"));
}

QTEST_MAIN(TestArchivosRaros)
#include "test_archivos_raros.moc"
