// Failing writes and odd files, through the window: every failure is reported, nothing is lost.
#include "entorno.h"

#include "storage/archivo_es.h"
#include "storage/lista_usuarios.h"

#include <QClipboard>
#include <QProcess>
#include <QRandomGenerator>

static qsizetype presupuesto = 0; // bytes the "device" still accepts
static ssize_t escribirLimitado(int fd, const void* datos, size_t n) {
    if (presupuesto <= 0) {
        errno = EIO;
        return -1;
    }
    const size_t parte = std::min<size_t>(n, size_t(presupuesto));
    presupuesto -= qsizetype(parte);
    return ::write(fd, datos, parte);
}

class TestFallos : public QObject {
    Q_OBJECT
  private slots:
    void falloEnCadaPuntoDeEscritura();
    void cambioRechazadoNoCambiaNada_data();
    void cambioRechazadoNoCambiaNada();
    void cerrojoRetenido();
    void anexoFallidoEnCadaPunto();
    void archivosRaros_data();
    void archivosRaros();
    void diezMilUsuarios();
};

void TestFallos::falloEnCadaPuntoDeEscritura() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr", Entorno::rutina({Entorno::linea({"Press", "4"}, -65536)}));
    const QByteArray viejo = e.leer("20230102Ana.kvr");
    TMain& w = e.abrir();
    auto falsa = std::make_unique<TEscrituraFalsa>(escribirLimitado);
    int intentos = 0;
    for (qsizetype n = 0;; ++n) {
        presupuesto = n;
        e.errores.clear();
        w.Modelo()->setData(e.celda(0, 1), QString("5"), Qt::EditRole);
        ++intentos;
        if (e.errores.isEmpty()) break;
        // A refused save changes nothing: the sheet shows what the file holds.
        QCOMPARE(e.valor(0, 1), QStringLiteral("4"));
        QCOMPARE(e.errores, QStringList{"I/O error 5."});
        QCOMPARE(e.leer("20230102Ana.kvr"), viejo);
    }
    falsa.reset();
    QCOMPARE(e.valor(0, 1), QStringLiteral("5"));
    QCOMPARE(intentos, viejo.size() + 1);
    QCOMPARE(e.leer("20230102Ana.kvr"), Entorno::rutina({Entorno::linea({"Press", "5"}, -65536)}));
    QCOMPARE(QDir(e.datos).entryList(QDir::Hidden | QDir::Files).filter(".tmp-").size(), 0);
}

// The save of every kind of change fails: the sheet and the file stay as they were, what was
// typed waits in its editor, and the next save writes only its own change.
static ssize_t discoLleno(int, const void*, size_t) {
    errno = ENOSPC;
    return -1;
}
static int creacionNegada(char*) {
    errno = EACCES;
    return -1;
}

void TestFallos::cambioRechazadoNoCambiaNada_data() {
    QTest::addColumn<QString>("cambio");
    QTest::addColumn<QString>("falla");
    for (const char* cambio :
         {"celda", "celda y clic fuera", "bloque", "marca", "bajar", "deshacer"})
        for (const char* falla : {"disco lleno", "escritura negada"})
            QTest::newRow(qPrintable(QString("%1, %2").arg(cambio, falla))) << cambio << falla;
}

void TestFallos::cambioRechazadoNoCambiaNada() {
    QFETCH(QString, cambio);
    QFETCH(QString, falla);
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr",
               Entorno::rutina({Entorno::linea({"Press", "4"}), Entorno::linea({"Remo", "3"})}));
    TMain& w = e.abrir();
    if (cambio == "deshacer") e.teclear(1, 1, "5");
    const QByteArray antes = e.leer("20230102Ana.kvr");
    const TTabla A = w.A();
    const TMarcas C = w.C();
    e.clicCelda(0, 1);
    TLlamadasGuardado l = LlamadasDelSistema();
    if (falla == "disco lleno")
        l.escribir = discoLleno;
    else
        l.crear = creacionNegada;
    FijarLlamadasGuardado(&l);
    QString tecleado;
    if (cambio == "celda") {
        tecleado = "9";
        e.teclear(0, 1, tecleado);
    } else if (cambio == "celda y clic fuera") {
        tecleado = "9";
        QLineEdit* ed = e.editar(0, 1);
        QVERIFY(ed);
        ed->setText(tecleado);
        e.clicCelda(3, 3);
        QApplication::processEvents();
    } else if (cambio == "bloque") {
        QGuiApplication::clipboard()->setText("7\t8\n6\t6");
        QTest::keySequence(w.Rutina, QKeySequence::Paste);
    } else if (cambio == "marca") {
        QTest::mouseClick(w.c5, Qt::LeftButton);
    } else if (cambio == "bajar") {
        QTest::mouseClick(w.Image1, Qt::LeftButton);
    } else {
        QTest::keySequence(w.Rutina, QKeySequence::Undo);
    }
    QApplication::processEvents();
    FijarLlamadasGuardado(nullptr);
    QCOMPARE(e.errores, QStringList{falla == "disco lleno" ? "Disk full." : "File access denied."});
    e.errores.clear();
    QCOMPARE(e.leer("20230102Ana.kvr"), antes);
    QCOMPARE(w.A(), A);
    QCOMPARE(w.C(), C);
    QCOMPARE(w.Rutina->Row(), 0); // a refused move does not move the selection
    if (!tecleado.isEmpty()) {
        // The editor is open again on its cell with the text; Escape gives it up.
        auto* ed = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(ed);
        QCOMPARE(ed->text(), tecleado);
        QCOMPARE(w.Rutina->currentIndex(), e.celda(0, 1));
        QTest::keyClick(ed, Qt::Key_Escape);
        QApplication::processEvents();
        QCOMPARE(e.valor(0, 1), QStringLiteral("4"));
    }
    // The next save carries only its own cell.
    e.teclear(2, 0, "Curl");
    QVERIFY(e.errores.isEmpty());
    QList<QByteArray> lineas = antes.split('\n');
    lineas[2] = Entorno::linea({"Curl"}) + "\r";
    QCOMPARE(e.leer("20230102Ana.kvr"), lineas.join('\n'));
}

// Another process holds the folder's lock (a stuck program, a slow network folder): the save
// gives up after a moment instead of freezing the window, keeps the text in its editor, and
// Enter stores it once the lock is free.
void TestFallos::cerrojoRetenido() {
    Entorno e;
    e.usuarios("Ana\r\n");
    const QByteArray antes = Entorno::rutina({Entorno::linea({"Press", "4"})});
    e.escribir("20230102Ana.kvr", antes);
    e.abrir();
    QProcess dueno;
    // --no-fork: the process killed is the one holding the lock.
    dueno.start("flock",
                {"--no-fork", e.ruta(".korval.lock"), "sh", "-c", "echo listo; exec sleep 30"});
    QVERIFY(dueno.waitForReadyRead(10000));
    QLineEdit* ed = e.editar(0, 1);
    QVERIFY(ed);
    ed->selectAll();
    QTest::keyClicks(ed, "5");
    QTest::keyClick(ed, Qt::Key_Return);
    QCOMPARE(e.errores, QStringList{"Otro programa está escribiendo en la carpeta de datos; "
                                    "vuelve a intentarlo (Enter) en un momento."});
    QCOMPARE(dueno.state(), QProcess::Running); // refused while the holder still holds it
    QCOMPARE(e.leer("20230102Ana.kvr"), antes);
    QCOMPARE(e.valor(0, 1), QStringLiteral("4"));
    QCOMPARE(QApplication::focusWidget(), ed);
    QCOMPARE(ed->text(), QStringLiteral("5"));
    dueno.kill();
    QVERIFY(dueno.waitForFinished(10000));
    e.errores.clear();
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(e.errores.isEmpty());
    QCOMPARE(e.leer("20230102Ana.kvr"), Entorno::rutina({Entorno::linea({"Press", "5"})}));
}

void TestFallos::anexoFallidoEnCadaPunto() {
    Entorno e;
    e.usuarios("Ana\r\nLuis"); // no final line end: the append writes one first
    TMain& w = e.abrir();
    w.Usuario->setCurrentIndex(2);
    w.txtUsuarioNuevo->setText("Eva");
    auto falsa = std::make_unique<TEscrituraFalsa>(escribirLimitado);
    for (qsizetype n = 0;; ++n) {
        presupuesto = n;
        e.errores.clear();
        QTest::mouseClick(w.OK, Qt::LeftButton);
        if (e.errores.isEmpty()) break;
        QCOMPARE(e.errores, QStringList{"I/O error 5."});
        QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Ana\r\nLuis"));
        QVERIFY(w.NuevoUsuario->isVisible());
        QCOMPARE(w.Usuario->count(), 3);
    }
    falsa.reset();
    QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Ana\r\nLuis\r\nEva\r\n"));
}

// A routine file that is not what the program writes: the window opens it with the message its
// problem deserves, and the first save keeps the original, byte for byte, in "respaldos".
void TestFallos::archivosRaros_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("mensaje"); // empty: the file loads without a message
    QTest::addColumn<QString>("celda0");
    QByteArray binario(4096, Qt::Uninitialized);
    QRandomGenerator azar(42);
    for (char& c : binario)
        c = char(azar.bounded(256));
    for (int i = 0; i < 10; ++i)
        binario[i] = 'b';
    binario[10] = 'x';
    binario[11] = '|';
    binario[12] = 26; // an end-of-file byte early in the file
    QByteArray diezMil;
    for (int i = 0; i < 10000; ++i)
        diezMil += Entorno::linea({QString("fila%1").arg(i)}) + "\r\n";
    QTest::newRow("binary") << binario << ""
                            << "bbbbbbbbbbx";
    QTest::newRow("50 MB, no line break")
        << QByteArray(50 << 20, 'a') << "El archivo es demasiado grande para ser una rutina."
        << "";
    QTest::newRow("10,000 lines") << diezMil << ""
                                  << "fila0";
    QTest::newRow("NUL bytes") << QByteArray("Pr\0ess|4|||||||||||0\r\n", 22) << ""
                               << QString::fromLatin1("Pr\0ess", 6);
    QTest::newRow("bad mark") << Entorno::rutina({"Press||||||||||||roja"})
                              << "'roja' is not a valid integer value."
                              << "Press";
}

void TestFallos::archivosRaros() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, mensaje);
    QFETCH(QString, celda0);
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230101Ana.kvr", bytes);
    TMain& w = e.abrir();
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QCOMPARE(e.errores, mensaje.isEmpty() ? QStringList() : QStringList{mensaje});
    QCOMPARE(w.A().size(), 100);
    QCOMPARE(e.valor(0, 0), celda0);
    QCOMPARE(e.leer("20230101Ana.kvr"), bytes); // loading writes nothing
    e.errores.clear();
    e.teclear(50, 0, "Remo");
    QVERIFY(e.errores.isEmpty());
    QVERIFY(e.leer("20230101Ana.kvr").contains("Remo|"));
    const QStringList copias = QDir(e.ruta("respaldos")).entryList(QDir::Files);
    if (bytes.size() == 22 && bytes.count('\n') == 1) {
        // A file the sheet holds whole needs no copy.
        QVERIFY(copias.isEmpty());
    } else {
        QCOMPARE(copias.size(), 1);
        QCOMPARE(e.leer("respaldos/" + copias[0]), bytes);
    }
    // Later saves of the same routine make no further copies.
    e.teclear(51, 0, "Curl");
    QCOMPARE(QDir(e.ruta("respaldos")).entryList(QDir::Files).size(), copias.size());
}

void TestFallos::diezMilUsuarios() {
    Entorno e;
    QByteArray lista;
    for (int i = 0; i < 10000; ++i)
        lista += "usuario" + QByteArray::number(i) + "\r\n";
    e.usuarios(lista);
    TMain& w = e.abrir();
    QCOMPARE(w.Usuario->count(), 10001);
    QCOMPARE(w.Usuario->itemText(9999), QStringLiteral("usuario9999"));
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("usuario0"));
    w.Usuario->setCurrentIndex(9999);
    e.teclear(0, 0, "Press");
    QVERIFY(e.existe("20230102usuario9999.kvr"));
    QVERIFY(e.errores.isEmpty());
}

QTEST_MAIN(TestFallos)
#include "test_fallos.moc"
