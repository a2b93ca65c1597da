// The keyboard, the clipboard and undo on the real sheet, with the bytes on disk after each
// sequence; tooltips, "+" chosen twice, the wheel, Qt's Spanish texts.
#include "entorno.h"

#include <QCalendarWidget>
#include <QClipboard>
#include <QWheelEvent>

class TestTeclado : public QObject {
    Q_OBJECT
  private slots:
    void secuencias_data();
    void secuencias();
    void pegarEnElEditor();
    void atajosBajoUnPanel();
    void avisoAlReemplazar();
    void ayudas();
    void masElegidoDosVeces();
    void ruedaSinFoco();
    void espanol();
};

static const char* const kHoy = "20230102Ana.kvr";

static QByteArray hoyInicial() {
    return Entorno::rutina(
        {Entorno::linea({"Press", "4", "10"}), Entorno::linea({"Remo", "3", "12"})});
}

// One step: "celda F C" picks a cell, "escribir F C TEXTO" types into one and presses Enter,
// "pegar TEXTO" puts TEXTO on the clipboard ("\n", "\r" and "\t" spelled out) and presses
// Ctrl+V, and the rest name a key or a picture.
static void paso(Entorno& e, const QString& accion) {
    TMain& w = *e.w;
    const QStringList p = accion.split(u' ');
    auto tecla = [&](QKeySequence s) {
        QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget() : &w, s);
        QApplication::processEvents();
    };
    if (p[0] == "celda") {
        e.clicCelda(p[1].toInt(), p[2].toInt());
    } else if (p[0] == "escribir") {
        e.teclear(p[1].toInt(), p[2].toInt(), p.mid(3).join(u' '));
    } else if (p[0] == "pegar") {
        QString texto = accion.mid(6);
        texto.replace("\\r", "\r").replace("\\n", "\n").replace("\\t", "\t");
        QGuiApplication::clipboard()->setText(texto);
        tecla(QKeySequence::Paste);
    } else if (p[0] == "supr") {
        tecla(QKeySequence(Qt::Key_Delete));
    } else if (p[0] == "retroceso") {
        tecla(QKeySequence(Qt::Key_Backspace));
    } else if (p[0] == "deshacer") {
        tecla(QKeySequence(Qt::CTRL | Qt::Key_Z));
    } else if (p[0] == "rehacer") {
        tecla(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    } else if (p[0] == "rehacerY") {
        tecla(QKeySequence(Qt::CTRL | Qt::Key_Y));
    } else if (p[0] == "bajar") {
        tecla(QKeySequence(Qt::CTRL | Qt::Key_Down));
    } else if (p[0] == "subir") {
        tecla(QKeySequence(Qt::CTRL | Qt::Key_Up));
    } else if (p[0] == "ayer") {
        tecla(QKeySequence(Qt::ALT | Qt::Key_Left));
    } else if (p[0] == "manana") {
        tecla(QKeySequence(Qt::ALT | Qt::Key_Right));
    } else if (p[0] == "hoy") {
        tecla(QKeySequence(Qt::ALT | Qt::Key_Home));
    } else if (p[0] == "marca") {
        QTest::mouseClick(w.Image5, Qt::LeftButton);
        QTest::mouseClick(w.c5, Qt::LeftButton);
    } else if (p[0] == "repetir") {
        QTest::mouseClick(w.importar_a_hoy, Qt::LeftButton);
    } else {
        QFAIL(qPrintable("unknown step " + accion));
    }
}

void TestTeclado::secuencias_data() {
    QTest::addColumn<QStringList>("pasos");
    QTest::addColumn<QString>("archivo");  // the file it writes (today's unless said)
    QTest::addColumn<QByteArray>("bytes"); // its bytes after the sequence
    QTest::addColumn<QString>("error");
    const QByteArray press = Entorno::linea({"Press", "4", "10"});
    const QByteArray remo = Entorno::linea({"Remo", "3", "12"});
    const QByteArray vacia = "||||||||||||0";
    const QByteArray inicial = hoyInicial();
    const QString noCabe = "El texto pegado no cabe en la hoja.";
    auto fila = [](QStringList c, qint32 m = 0) { return Entorno::linea(c, m); };
    QTest::newRow("supr") << QStringList{"celda 0 1", "supr"} << kHoy
                          << Entorno::rutina({fila({"Press", "", "10"}), remo}) << "";
    QTest::newRow("retroceso") << QStringList{"celda 1 0", "retroceso"} << kHoy
                               << Entorno::rutina({press, fila({"", "3", "12"})}) << "";
    QTest::newRow("supr en celda vacia")
        << QStringList{"celda 5 5", "supr"} << kHoy << inicial << "";
    QTest::newRow("pegar con fin de linea")
        << QStringList{"celda 2 0", "pegar Dominadas\\n"} << kHoy
        << Entorno::rutina({press, remo, fila({"Dominadas"})}) << "";
    QTest::newRow("pegar una fila de hoja de calculo")
        << QStringList{"celda 2 0", "pegar Dips\\t3\\t12\\r\\n"} << kHoy
        << Entorno::rutina({press, remo, fila({"Dips", "3", "12"})}) << "";
    QTest::newRow("pegar varias filas")
        << QStringList{"celda 2 1", "pegar 3\\t8\\r4\\t6"} << kHoy
        << Entorno::rutina({press, remo, fila({"", "3", "8"}), fila({"", "4", "6"})}) << "";
    QTest::newRow("pegar mas alla de la columna 8")
        << QStringList{"celda 0 9", "pegar a\\tb\\tc"} << kHoy << inicial << noCabe;
    QTest::newRow("pegar mas alla de la fila 100")
        << QStringList{"celda 99 0", "pegar a\\nb"} << kHoy << inicial << noCabe;
    QTest::newRow("pegar texto que no se guarda")
        << QStringList{"celda 2 0", "pegar bien\\tma|l"} << kHoy << inicial
        << "El texto contiene un caracter que no se puede guardar: |.";
    QTest::newRow("deshacer una celda")
        << QStringList{"escribir 0 0 Sentadilla", "deshacer"} << kHoy << inicial << "";
    QTest::newRow("rehacer una celda")
        << QStringList{"escribir 0 0 Sentadilla", "deshacer", "rehacer"} << kHoy
        << Entorno::rutina({fila({"Sentadilla", "4", "10"}), remo}) << "";
    QTest::newRow("rehacer con Ctrl+Y")
        << QStringList{"escribir 0 0 Sentadilla", "deshacer", "rehacerY"} << kHoy
        << Entorno::rutina({fila({"Sentadilla", "4", "10"}), remo}) << "";
    QTest::newRow("deshacer dos pasos")
        << QStringList{"escribir 0 0 A", "escribir 1 0 B", "deshacer", "deshacer"} << kHoy
        << inicial << "";
    QTest::newRow("deshacer un pegado")
        << QStringList{"celda 0 1", "pegar 5\\t5\\n6\\t6", "deshacer"} << kHoy << inicial << "";
    QTest::newRow("deshacer un borrado")
        << QStringList{"celda 0 0", "supr", "deshacer"} << kHoy << inicial << "";
    QTest::newRow("deshacer una marca")
        << QStringList{"celda 1 0", "marca", "deshacer"} << kHoy << inicial << "";
    QTest::newRow("rehacer una marca")
        << QStringList{"celda 1 0", "marca", "deshacer", "rehacer"} << kHoy
        << Entorno::rutina({press, fila({"Remo", "3", "12"}, -65536)}) << "";
    QTest::newRow("bajar con el teclado")
        << QStringList{"celda 0 0", "bajar"} << kHoy << Entorno::rutina({remo, press}) << "";
    QTest::newRow("deshacer bajar")
        << QStringList{"celda 0 0", "bajar", "deshacer"} << kHoy << inicial << "";
    QTest::newRow("deshacer subir") << QStringList{"celda 1 0", "subir", "deshacer", "rehacer"}
                                    << kHoy << Entorno::rutina({remo, press}) << "";
    QTest::newRow("deshacer repetir hoy")
        << QStringList{"ayer", "repetir", "deshacer"} << kHoy << inicial << "";
    QTest::newRow("rehacer repetir hoy") << QStringList{"ayer", "repetir", "deshacer", "rehacer"}
                                         << kHoy << Entorno::rutina({fila({"Curl", "3"})}) << "";
    QTest::newRow("deshacer lo primero de un dia sin archivo")
        << QStringList{"manana", "escribir 0 0 X", "deshacer"} << "20230103Ana.kvr"
        << Entorno::rutina({vacia}) << "";
    // Each routine keeps its steps while the program runs: back on the day, undo goes on.
    QTest::newRow("deshacer al volver al dia")
        << QStringList{"escribir 0 0 X", "ayer", "hoy", "deshacer"} << kHoy << inicial << "";
    QTest::newRow("deshacer en otro dia no toca este")
        << QStringList{"escribir 0 0 X", "ayer", "deshacer"} << kHoy
        << Entorno::rutina({fila({"X", "4", "10"}), remo}) << "";
}

void TestTeclado::secuencias() {
    QFETCH(QStringList, pasos);
    QFETCH(QString, archivo);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir(kHoy, hoyInicial());
    e.escribir("20230101Ana.kvr", Entorno::rutina({Entorno::linea({"Curl", "3"})}));
    e.abrir();
    for (const QString& p : pasos)
        paso(e, p);
    QCOMPARE(e.leer(archivo), bytes);
    QCOMPARE(e.errores, error.isEmpty() ? QStringList() : QStringList{error});
}

// Inside an open editor Ctrl+V is the line edit's own, less one trailing line end.
void TestTeclado::pegarEnElEditor() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.abrir();
    QLineEdit* ed = e.editar(0, 0);
    QVERIFY(ed);
    QGuiApplication::clipboard()->setText("Dominadas\r\n");
    QTest::keySequence(ed, QKeySequence::Paste);
    QCOMPARE(ed->text(), QStringLiteral("Dominadas"));
    QTest::keyClick(ed, Qt::Key_Return);
    QVERIFY(e.leer(kHoy).startsWith("Dominadas|"));
    QVERIFY(e.errores.isEmpty());
}

// No shortcut reaches the window under a panel.
void TestTeclado::atajosBajoUnPanel() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir(kHoy, hoyInicial());
    TMain& w = e.abrir();
    e.clicCelda(0, 0);
    w.Usuario->setCurrentIndex(1);
    QVERIFY(w.NuevoUsuario->isVisible());
    for (QKeySequence s :
         {QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::CTRL | Qt::Key_Down),
          QKeySequence(Qt::ALT | Qt::Key_Home)})
        QTest::keySequence(QApplication::focusWidget(), s);
    QCOMPARE(w.SelecteDate->date(), QDate(2023, 1, 2));
    QCOMPARE(e.leer(kHoy), hoyInicial());
    QTest::mouseClick(w.X, Qt::LeftButton);
    QTest::keySequence(QApplication::focusWidget(), QKeySequence(Qt::ALT | Qt::Key_Left));
    QCOMPARE(w.SelecteDate->date(), QDate(2023, 1, 1));
    QTest::keySequence(QApplication::focusWidget(), QKeySequence(Qt::ALT | Qt::Key_Home));
    QCOMPARE(w.SelecteDate->date(), QDate(2023, 1, 2));
}

// "Repetir hoy" over a routine with text says where that routine went; over an empty one it
// says nothing.
void TestTeclado::avisoAlReemplazar() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir(kHoy, hoyInicial());
    e.escribir("20230101Ana.kvr", Entorno::rutina({Entorno::linea({"Curl", "3"})}));
    e.escribir("20221231Ana.kvr", Entorno::rutina({Entorno::linea({"Dips"})}));
    TMain& w = e.abrir();
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QTest::mouseClick(w.importar_a_hoy, Qt::LeftButton);
    QCOMPARE(e.avisos,
             QStringList{"La rutina que había se guardó en "
                         "respaldos/20230102Ana-20230102-183005.kvr; Ctrl+Z la recupera"});
    e.avisos.clear();
    e.escribir("20230103Ana.kvr", Entorno::rutina({}));
    w.SelecteDate->setDate(QDate(2022, 12, 31));
    QTest::mouseClick(w.Image4, Qt::LeftButton); // 1 January, then repeated onto an empty day
    e.ahora = e.ahora.addDays(1);
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QTest::mouseClick(w.importar_a_hoy, Qt::LeftButton);
    QVERIFY(e.avisos.isEmpty());
    QVERIFY(e.errores.isEmpty());
}

void TestTeclado::ayudas() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    const QList<QWidget*> todas{w.Image1,
                                w.Image2,
                                w.Image3,
                                w.Image4,
                                w.Image5,
                                w.Image6,
                                w.btnImportar,
                                w.btnCompartir,
                                w.importar_a_hoy,
                                w.c1,
                                w.c2,
                                w.c3,
                                w.c4,
                                w.c5,
                                w.c6,
                                w.c7,
                                w.c8};
    for (QWidget* i : todas) {
        QVERIFY(!i->accessibleName().isEmpty());
        QVERIFY(i->toolTip().startsWith(i->accessibleName()));
    }
    QVERIFY(w.Image6->toolTip().contains("90s"));
    QVERIFY(w.Image1->toolTip().contains(
        QKeySequence(Qt::CTRL | Qt::Key_Down).toString(QKeySequence::NativeText)));
    QCOMPARE(w.c5->accessibleName(), QStringLiteral("Rojo"));
}

// On the first run "+" is the only item: after X it is still the current one, and choosing it
// again opens the panel again.
void TestTeclado::masElegidoDosVeces() {
    Entorno e;
    TMain& w = e.abrir();
    QVERIFY(w.NuevoUsuario->isVisible());
    for (int vez = 0; vez < 2; ++vez) {
        QTest::mouseClick(w.X, Qt::LeftButton);
        QVERIFY(w.NuevoUsuario->isHidden());
        QCOMPARE(w.Usuario->currentText(), QStringLiteral("+"));
        // Pick "+" from the open list, as a person does.
        w.Usuario->setFocus();
        w.Usuario->showPopup();
        QTest::keyClick(w.Usuario->view(), Qt::Key_Return);
        QApplication::processEvents();
        QVERIFY(w.NuevoUsuario->isVisible());
        QCOMPARE(w.focusWidget(), w.txtUsuarioNuevo);
    }
    QVERIFY(e.errores.isEmpty());
}

// The wheel over the selector or the date field changes nothing unless it has the focus.
void TestTeclado::ruedaSinFoco() {
    Entorno e;
    e.usuarios("Ana\r\nLuis\r\n");
    TMain& w = e.abrir();
    e.clicCelda(0, 0);
    auto rueda = [](QWidget* sobre) {
        QWheelEvent ev(QPointF(5, 5), sobre->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                       Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(sobre, &ev);
    };
    rueda(w.Usuario);
    rueda(w.SelecteDate);
    QCOMPARE(w.Usuario->currentIndex(), 0);
    QCOMPARE(w.SelecteDate->date(), QDate(2023, 1, 2));
    w.Usuario->setFocus();
    rueda(w.Usuario);
    QCOMPARE(w.Usuario->currentIndex(), 1);
    QVERIFY(w.NuevoUsuario->isHidden());
}

void TestTeclado::espanol() {
    // With no locale set, the date field reads day/month/year, not an English month.
    const QLocale antes;
    QLocale::setDefault(QLocale::c());
    Entorno e;
    e.usuarios("Ana\r\n");
    {
        TMain sinLocale;
        QCOMPARE(sinLocale.SelecteDate->displayFormat(), QStringLiteral("d/M/yyyy"));
    }
    QLocale::setDefault(antes);
    TMain& w = e.abrir();
    QCOMPARE(w.SelecteDate->calendarWidget()->locale().language(), QLocale::Spanish);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
}

QTEST_MAIN(TestTeclado)
#include "test_teclado.moc"
