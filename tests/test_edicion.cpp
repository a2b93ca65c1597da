// Where typing lands: every action that changes or reads the sheet meets an open cell editor,
// and the text goes into the routine it was typed in, or nowhere when it is refused.
#include "entorno.h"

#include "general/errores.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>

class TestEdicion : public QObject {
    Q_OBJECT
  private slots:
    void accionConEditorAbierto_data();
    void accionConEditorAbierto();
    void teclasBajoLosPaneles_data();
    void teclasBajoLosPaneles();
    void teclearTrasReclicarCelda();
    void editorAbiertoAlDestruir();
    void modeloSinVentana();
};

using TFilas = QList<QByteArray>;
using TArchivos = QMap<QString, TFilas>; // what the data folder should hold, by file name

static const char* const kHoy = "20230102Ana.kvr";
static const char* const kAyer = "20230101Ana.kvr";
static const char* const kLuis = "20230102Luis.kvr";

// Field `campo` of a routine line (cells 0-10, 11 always empty, 12 the mark) set to `texto`.
static void fijarCampo(TFilas& filas, int fila, int campo, const QByteArray& texto) {
    while (filas.size() <= fila)
        filas << "||||||||||||0";
    QList<QByteArray> campos = filas[fila].split('|');
    campos[campo] = texto;
    filas[fila] = campos.join('|');
}

// Answers the report with a real modal box that a timer closes as a person pressing OK would:
// the box takes the focus from the editor, as it does for a user.
static void conCajaReal(Entorno& e) {
    Interaccion().error = [&e](const QString& m) {
        e.errores << m;
        QMessageBox box(QMessageBox::Critical, QStringLiteral("KORVAL"), m, QMessageBox::Ok,
                        QApplication::activeWindow());
        QTimer::singleShot(50, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
        box.exec();
    };
}

enum Estado { Igual, Cambiado, Rechazado };

void TestEdicion::accionConEditorAbierto_data() {
    QTest::addColumn<QString>("accion");
    QTest::addColumn<int>("estado");
    QTest::addColumn<bool>("cajaReal");
    const char* acciones[] = {
        "dia anterior", "dia siguiente", "selector de fecha", "usuario", "repetir hoy", "importar",
        "compartir",    "reloj",         "muestra",           "bajar",   "subir",       "cerrar",
        "TERM",         "nuevo usuario"};
    for (const char* a : acciones) {
        QTest::addRow("%s, sin cambio", a) << QString(a) << int(Igual) << false;
        QTest::addRow("%s, cambiado", a) << QString(a) << int(Cambiado) << false;
        QTest::addRow("%s, rechazado", a) << QString(a) << int(Rechazado) << false;
        QTest::addRow("%s, rechazado, caja real", a) << QString(a) << int(Rechazado) << true;
    }
}

void TestEdicion::accionConEditorAbierto() {
    QFETCH(QString, accion);
    QFETCH(int, estado);
    QFETCH(bool, cajaReal);
    Entorno e;
    if (cajaReal) conCajaReal(e);
    TArchivos esperado;
    esperado[kHoy] = {Entorno::linea({"Press", "4", "10"}), Entorno::linea({"Remo", "3", "12"})};
    esperado[kAyer] = {Entorno::linea({"Sentadilla", "5", "5"}), Entorno::linea({"Curl", "3"})};
    esperado[kLuis] = {Entorno::linea({"Dominadas", "3", "8"})};
    e.usuarios("Ana\r\nLuis\r\n");
    for (auto it = esperado.cbegin(); it != esperado.cend(); ++it)
        e.escribir(it.key(), Entorno::rutina(it.value()));
    const TFilas importada = {Entorno::linea({"Fondos", "4", "15"})};
    QTemporaryDir fuera;
    e.archivoElegido = fuera.path() + "/otra.kvr";
    {
        QFile f(e.archivoElegido);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Entorno::rutina(importada));
    }
    TMain& w = e.abrir();
    const QString origen = accion == "repetir hoy" ? kAyer : kHoy;
    if (accion == "repetir hoy") QTest::mouseClick(w.Image3, Qt::LeftButton);
    const QDate dia = w.SelecteDate->date();
    const int usuario = w.Usuario->currentIndex();

    // The editor on the second row's sets; a rest time for the timer, so it has one to start.
    const QString texto = estado == Rechazado ? "x|y" : accion == "reloj" ? "5s" : "99";
    QLineEdit* ed = e.editar(1, 1);
    QVERIFY(ed);
    if (estado != Igual) {
        ed->selectAll();
        QTest::keyClicks(ed, texto);
        if (estado == Cambiado) fijarCampo(esperado[origen], 1, 1, texto.toLatin1());
    }
    const TFilas hoyAntes = esperado[kHoy]; // what "Repetir hoy" and import replace

    if (accion == "dia anterior")
        QTest::mouseClick(w.Image3, Qt::LeftButton);
    else if (accion == "dia siguiente")
        QTest::mouseClick(w.Image4, Qt::LeftButton);
    else if (accion == "selector de fecha")
        w.SelecteDate->setDate(dia.addDays(-3)); // as the calendar does, with no focus change
    else if (accion == "usuario")
        w.Usuario->setCurrentIndex(1);
    else if (accion == "nuevo usuario")
        w.Usuario->setCurrentIndex(2);
    else if (accion == "repetir hoy")
        QTest::mouseClick(w.importar_a_hoy, Qt::LeftButton);
    else if (accion == "importar")
        QTest::mouseClick(w.btnImportar, Qt::LeftButton);
    else if (accion == "compartir")
        QTest::mouseClick(w.btnCompartir, Qt::LeftButton);
    else if (accion == "reloj")
        QTest::mouseClick(w.Image6, Qt::LeftButton);
    else if (accion == "muestra") {
        QTest::mouseClick(w.Image5, Qt::LeftButton);
        QTest::mouseClick(w.c5, Qt::LeftButton);
    } else if (accion == "bajar")
        QTest::mouseClick(w.Image1, Qt::LeftButton);
    else if (accion == "subir")
        QTest::mouseClick(w.Image2, Qt::LeftButton);
    else if (accion == "cerrar")
        w.close();
    else if (accion == "TERM")
        w.CerrarPorSistema();
    QApplication::processEvents();

    const bool detenida = estado == Rechazado && accion != "TERM";
    if (detenida) {
        // Reported once; the text waits in its editor; the action did not run.
        QCOMPARE(e.errores,
                 QStringList{"El texto contiene un caracter que no se puede guardar: |."});
        QVERIFY(w.isVisible());
        QCOMPARE(w.SelecteDate->date(), dia);
        QCOMPARE(w.Usuario->currentIndex(), usuario);
        QVERIFY(w.NuevoUsuario->isHidden());
        QVERIFY(w.pnlTimer->isHidden());
        QCOMPARE(QApplication::focusWidget(), ed);
        QCOMPARE(ed->text(), texto);
        QCOMPARE(w.Rutina->Row(), 1);
        QCOMPARE(w.C()[1], 0);
        QCOMPARE(e.valor(1, 1), QString(esperado[origen][1].split('|')[1]));
    } else {
        QVERIFY(e.errores.isEmpty());
        if (accion == "repetir hoy") {
            esperado[kHoy] = esperado[kAyer];
        } else if (accion == "importar") {
            esperado[kHoy] = importada;
        } else if (accion == "muestra") {
            fijarCampo(esperado[origen], 1, 12, "-65536");
        } else if (accion == "bajar" || accion == "subir") {
            const int otra = accion == "bajar" ? 2 : 0;
            while (esperado[origen].size() <= otra)
                esperado[origen] << "||||||||||||0";
            std::swap(esperado[origen][1], esperado[origen][otra]);
        } else if (accion == "compartir") {
            QVERIFY(QGuiApplication::clipboard()->text().contains(
                estado == Cambiado ? "Remo - 99 x 12" : "Remo - 3 x 12"));
        } else if (accion == "reloj") {
            QCOMPARE(w.pnlTimer->isVisible(), estado == Cambiado);
        } else if (accion == "nuevo usuario") {
            QVERIFY(w.NuevoUsuario->isVisible());
            QCOMPARE(QApplication::focusWidget(), w.txtUsuarioNuevo);
        }
        QCOMPARE(w.isVisible(), accion != "cerrar" && accion != "TERM");
    }
    if (accion == "repetir hoy" || accion == "importar") {
        // What was replaced is kept, edited as it was typed.
        const QStringList copias = QDir(e.datos + "/respaldos").entryList(QDir::Files);
        QCOMPARE(copias.size(), detenida ? 0 : 1);
        if (!detenida) {
            QFile copia(e.datos + "/respaldos/" + copias.first());
            QVERIFY(copia.open(QIODevice::ReadOnly));
            QCOMPARE(copia.readAll(), Entorno::rutina(hoyAntes));
        }
    }
    // Every file byte for byte; no file appears for text that was not stored.
    QStringList nombres = esperado.keys();
    nombres << "USRS.kvldat";
    nombres.sort();
    QCOMPARE(e.archivos(), nombres);
    for (auto it = esperado.cbegin(); it != esperado.cend(); ++it)
        QCOMPARE(e.leer(it.key()), Entorno::rutina(it.value()));
}

// Keys sent where the keyboard is, one at a time, as a person types them.
static void teclas(const QList<std::pair<Qt::Key, QString>>& serie) {
    for (const auto& [tecla, texto] : serie) {
        if (texto.isEmpty()) {
            QVERIFY(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), tecla);
        }
        for (QChar c : texto) {
            QVERIFY(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        }
        QApplication::processEvents();
    }
}

void TestEdicion::teclasBajoLosPaneles_data() {
    QTest::addColumn<bool>("reloj");
    QTest::newRow("reloj") << true;
    QTest::newRow("nuevo usuario") << false;
}

void TestEdicion::teclasBajoLosPaneles() {
    QFETCH(bool, reloj);
    Entorno e;
    e.usuarios("Ana\r\nLuis\r\n");
    e.escribir(kHoy, Entorno::rutina({Entorno::linea({"Press", "90s"})}));
    e.escribir(kLuis, Entorno::rutina({Entorno::linea({"Remo"})}));
    TMain& w = e.abrir();
    e.clicCelda(0, 1);
    if (reloj)
        QTest::mouseClick(w.Image6, Qt::LeftButton);
    else
        w.Usuario->setCurrentIndex(2);
    QWidget* panel = reloj ? static_cast<QWidget*>(w.pnlTimer) : w.NuevoUsuario;
    QVERIFY(panel->isVisible());
    // In the name box Enter would add the name: that panel gets the keys a name takes.
    if (reloj)
        teclas({{Qt::Key_7, "77"},
                {Qt::Key_Return, {}},
                {Qt::Key_Down, {}},
                {Qt::Key_Z, "zz"},
                {Qt::Key_Tab, {}},
                {Qt::Key_L, "Luxx"},
                {Qt::Key_Return, {}}});
    else
        teclas({{Qt::Key_L, "Luxx"}, {Qt::Key_Down, {}}, {Qt::Key_Up, {}}, {Qt::Key_Z, "zz"}});
    QVERIFY(panel->isVisible());
    if (!reloj) QCOMPARE(w.txtUsuarioNuevo->text(), QStringLiteral("Luxxzz"));
    QCOMPARE(w.Usuario->currentIndex(), reloj ? 0 : 2);
    QCOMPARE(e.leer(kHoy), Entorno::rutina({Entorno::linea({"Press", "90s"})}));
    QCOMPARE(e.leer(kLuis), Entorno::rutina({Entorno::linea({"Remo"})}));
    QCOMPARE(e.archivos(), (QStringList{kHoy, kLuis, "USRS.kvldat"}));
    // Escape closes either panel, and the keyboard is back where it was.
    teclas({{Qt::Key_Escape, {}}});
    QVERIFY(panel->isHidden());
    QCOMPARE(QApplication::focusWidget(), w.Rutina);
    QCOMPARE(w.Usuario->currentIndex(), 0);
    QVERIFY(e.errores.isEmpty());
}

// A click on the cell already selected opens its editor after a delay; typing sooner is kept.
void TestEdicion::teclearTrasReclicarCelda() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    e.clicCelda(1, 3);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    e.clicCelda(1, 3);
    teclas({{Qt::Key_6, "65"}, {Qt::Key_Return, {}}});
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QApplication::processEvents();
    QCOMPARE(e.valor(1, 3), QStringLiteral("65"));
    QVERIFY(e.leer(kHoy).contains("\r\n|||65|"));
    QVERIFY(e.errores.isEmpty());
    // The click's own delayed editor does not open over what was just typed.
    QCOMPARE(QApplication::focusWidget(), w.Rutina);
    // Without typing, the click on the selected cell still opens its editor.
    e.clicCelda(1, 3);
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QVERIFY(qobject_cast<TEditorCelda*>(QApplication::focusWidget()));
}

// Closing the window's parts with an editor open writes nothing and touches nothing freed.
void TestEdicion::editorAbiertoAlDestruir() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir(kHoy, Entorno::rutina({Entorno::linea({"Press"})}));
    e.abrir();
    QLineEdit* ed = e.editar(0, 0);
    QVERIFY(ed);
    ed->setText("Remo");
    e.w.reset();
    QCOMPARE(e.leer(kHoy), Entorno::rutina({Entorno::linea({"Press"})}));
    QVERIFY(e.errores.isEmpty());
}

// The model alone over a session: Qt's own checks, refusals without a box, and writes to the
// routine an editor was opened on.
void TestEdicion::modeloSinVentana() {
    QTemporaryDir tmp;
    const TCarpetaDatos carpeta(tmp.path());
    TSesion sesion(
        tmp.path(), [] { return QDateTime(QDate(2023, 1, 2), QTime(10, 0)); }, 100, 11);
    TModeloRutina m(nullptr, 100, 11);
    QAbstractItemModelTester probador(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    m.FijarSesion(&sesion);
    QStringList rechazos;
    connect(&m, &TModeloRutina::rechazado, [&](const QString& r) { rechazos << r; });
    sesion.Mostrar("Ana", QDate(2023, 1, 2));
    QVERIFY(m.setData(m.index(0, 0), QStringLiteral("Press"), Qt::EditRole));
    QCOMPARE(m.index(0, 0).data().toString(), QStringLiteral("Press"));
    QVERIFY(!m.setData(m.index(0, 1), QStringLiteral("a|b"), Qt::EditRole));
    QCOMPARE(rechazos, QStringList{"El texto contiene un caracter que no se puede guardar: |"});
    QCOMPARE(m.index(0, 1).data().toString(), QString());

    // A routine that is no longer shown still gets its own edit, in its own file.
    const PRutina otra = sesion.Version();
    sesion.Mostrar("Ana", QDate(2023, 1, 1));
    QSignalSpy cambios(&m, &QAbstractItemModel::dataChanged);
    QCOMPARE(m.Comprometer(otra, 2, 0, QStringLiteral("Remo"), true), TComprometido::Guardado);
    QCOMPARE(cambios.size(), 0);
    QCOMPARE(m.index(2, 0).data().toString(), QString());
    QFile f(otra->ruta);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("Press|"));
    QVERIFY(bytes.contains("\r\nRemo|"));

    // Writing can be forbidden (no user chosen); nothing is stored then.
    sesion.FijarPermiso([] { throw ErrorKorval(QStringLiteral("Elige o crea un usuario")); });
    QVERIFY(!m.setData(m.index(3, 0), QStringLiteral("Curl"), Qt::EditRole));
    QCOMPARE(rechazos.last(), QStringLiteral("Elige o crea un usuario"));
    QCOMPARE(m.index(3, 0).data().toString(), QString());
}

QTEST_MAIN(TestEdicion)
#include "test_edicion.moc"
