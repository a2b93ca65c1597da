// The window as a person meets it: start-up, layout, editing the sheet and the files on disk.
#include "entorno.h"

#include "app/controles.h"

#include <QHeaderView>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

class TestVentana : public QObject {
    Q_OBJECT
  private slots:
    void arranqueConUsuariosYRutina();
    void arranqueSinListaDeUsuarios();
    void widgetsDelDiseno();
    void eventoTipico();
    void enterSinCambioYEscape();
    void clicEnOtraCeldaYTab();
    void textosRechazados_data();
    void textosRechazados();
    void sinCeldaElegida();
    void disposicion_data();
    void disposicion();
    void tamMinimoYTitulo();
    void tintaDeFilaMarcada();
    void marcaInvalidaAlArrancar();
    void listaDeUsuariosInutil_data();
    void listaDeUsuariosInutil();
    void carpetaDeDatosImposible();
    void iconoYCierrePorSenal();
    void sinCarpetaPersonal();
    void senalConCajaAbierta_data();
    void senalConCajaAbierta();
    void opcionesDeQt_data();
    void opcionesDeQt();
    void textoDeError_data();
    void textoDeError();
};

void TestVentana::arranqueConUsuariosYRutina() {
    Entorno e;
    e.usuarios("Ana\r\nLuis\r\n");
    e.escribir("20230102Ana.kvr",
               Entorno::rutina({Entorno::linea({"Press", "4", "10", "40", "45"}, -65536)}));
    TMain& w = e.abrir();
    QCOMPARE(w.lblTitulo->text(), QStringLiteral("Lunes para Ana"));
    QCOMPARE(w.Usuario->count(), 3);
    QCOMPARE(w.Usuario->itemText(2), QStringLiteral("+"));
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("Ana"));
    QCOMPARE(w.SelecteDate->date(), QDate(2023, 1, 2));
    QCOMPARE(e.valor(0, 0), QStringLiteral("Press"));
    QCOMPARE(e.valor(0, 4), QStringLiteral("45"));
    QCOMPARE(w.C()[0], -65536);
    QVERIFY(w.NuevoUsuario->isHidden());
    QVERIFY(w.pnlTimer->isHidden());
    QVERIFY(w.importar_a_hoy->isHidden());
    QCOMPARE(e.archivos(), (QStringList{"20230102Ana.kvr", "USRS.kvldat"}));
    QVERIFY(e.errores.isEmpty());

    // Another day without a file: an empty sheet, and no file appears.
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    QCOMPARE(w.lblTitulo->text(), QStringLiteral("Martes para Ana"));
    QCOMPARE(e.valor(0, 0), QString());
    QCOMPARE(e.archivos(), (QStringList{"20230102Ana.kvr", "USRS.kvldat"}));
}

void TestVentana::arranqueSinListaDeUsuarios() {
    Entorno e;
    QDir(e.datos).removeRecursively(); // the data folder is created at start-up
    TMain& w = e.abrir();
    QVERIFY(QFileInfo(e.datos).isDir());
    QCOMPARE(w.Usuario->count(), 1);
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("+"));
    QVERIFY(w.NuevoUsuario->isVisible());
    QCOMPARE(w.NuevoUsuario->geometry(), w.rect());
    QVERIFY(e.archivos().isEmpty());
    QVERIFY(e.errores.isEmpty());
}

void TestVentana::widgetsDelDiseno() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    QCOMPARE(w.windowTitle(), QStringLiteral("KORVAL"));
    QCOMPARE(w.Timer1->interval(), 1000);
    QVERIFY(!w.Timer1->isActive());
    QCOMPARE(w.Modelo()->rowCount(), 100);
    QCOMPARE(w.Modelo()->columnCount(), 11);
    const QStringList titulos{"Ejercicio", "Series", "Repes", "1", "2", "3",
                              "4",         "5",      "6",     "7", "8"};
    const int anchos[] = {177, 39, 39, 50, 50, 50, 50, 50, 50, 50, 50};
    for (int j = 0; j < 11; ++j) {
        QCOMPARE(w.Modelo()->headerData(j, Qt::Horizontal, Qt::DisplayRole).toString(), titulos[j]);
        QCOMPARE(w.Rutina->horizontalHeader()->sectionSize(j), anchos[j]);
    }
    QVERIFY(!w.Rutina->horizontalHeader()->sectionsMovable());
    QCOMPARE(w.lbl_copiar_a_hoy->text(), QStringLiteral("Repetir hoy"));
    QCOMPARE(w.lbl_copiar_a_hoy->font().pixelSize(), 10);
    QCOMPARE(w.lblTitulo->font().pixelSize(), 22);
    QVERIFY(w.lblTitulo->font().bold());
    QCOMPARE(w.lblTimer->font().pixelSize(), 100);
    QCOMPARE(w.SelecteDate->font().pixelSize(), 30);
    QVERIFY(w.SelecteDate->calendarPopup());
    QVERIFY(w.SelecteDate->displayFormat().contains("yyyy"));
    QCOMPARE(w.Nuevo_Usuario->text(), QStringLiteral("Nuevo usuario"));
    QCOMPARE(w.X->text(), QStringLiteral("X"));
    QCOMPARE(w.OK->text(), QStringLiteral("OK"));
    QCOMPARE(w.cerrartimer->text(), QStringLiteral("X"));
    // Pictures exist and never take the focus.
    for (TImagen* i : {w.Image1, w.Image2, w.Image3, w.Image4, w.Image5, w.Image6, w.btnImportar,
                       w.btnCompartir, w.importar_a_hoy}) {
        QVERIFY(!i->imagen().isNull());
        QCOMPARE(i->focusPolicy(), Qt::NoFocus);
    }
    QCOMPARE(w.Image6->imagen().size(), QSize(180, 180));
    QCOMPARE(w.Image1->imagen().size(), QSize(512, 512));
    // Each picture is drawn from a rendition of the size it is drawn at, for ratios 1 and 2; an
    // odd ratio takes the smallest one large enough, and past the largest the stored picture.
    for (TImagen* i : {w.Image1, w.Image2, w.Image3, w.Image4, w.Image5, w.Image6, w.btnImportar,
                       w.btnCompartir, w.importar_a_hoy}) {
        const int lado = std::min(i->width(), i->height());
        for (qreal ratio : {1.0, 1.25, 2.0, 3.0}) {
            const int pixeles = int(std::lround(lado * ratio));
            const QImage r(i->ArchivoPara(pixeles));
            QVERIFY2(!r.isNull(), qPrintable(i->ArchivoPara(pixeles)));
            if (ratio == 1.0 || ratio == 2.0) QCOMPARE(r.width(), pixeles);
            QVERIFY(r.width() >= pixeles);
            QCOMPARE(r.width() == i->imagen().width(), ratio == 3.0);
        }
    }
    // Bottom bar places, from the bar's left edge.
    QCOMPARE(w.Image1->geometry(), QRect(0, 1, 50, 50));
    QCOMPARE(w.importar_a_hoy->geometry().topLeft(), QPoint(56, 1));
    QCOMPARE(w.Image5->geometry(), QRect(120, 1, 49, 49));
    QCOMPARE(w.Image6->geometry().topLeft(), QPoint(176, 0));
    QCOMPARE(w.btnImportar->geometry().topLeft(), QPoint(240, 1));
    QCOMPARE(w.btnCompartir->geometry().topLeft(), QPoint(296, 1));
    QCOMPARE(w.Image2->geometry().topLeft(), QPoint(360, 1));
    QCOMPARE(w.c8->geometry(), QRect(359, 50, 50, 50));
}

void TestVentana::eventoTipico() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    e.clicCelda(0, 3);
    QCOMPARE(w.Rutina->Row(), 0);
    QCOMPARE(w.Rutina->Col(), 3);
    QTest::keyClick(w.Rutina, '6'); // typing opens the editor in place
    QVERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), '0');
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    QCOMPARE(e.leer("20230102Ana.kvr"), Entorno::rutina({Entorno::linea({"", "", "", "60"})}));
    QCOMPARE(w.lblTitulo->text(), QStringLiteral("Lunes para Ana"));
    QCOMPARE(e.valor(0, 3), QStringLiteral("60"));
    QVERIFY(e.errores.isEmpty());
}

void TestVentana::enterSinCambioYEscape() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    // Escape after typing: nothing stored, nothing written.
    e.teclear(1, 0, "Remo", Qt::Key_Escape);
    QCOMPARE(e.valor(1, 0), QString());
    QVERIFY(!e.existe("20230102Ana.kvr"));
    // Enter on unchanged text is a commit: the file is written.
    e.teclear(1, 0, "", Qt::Key_Return);
    QCOMPARE(e.leer("20230102Ana.kvr"), Entorno::rutina({}));
    e.teclear(2, 1, "  4 ");
    const QByteArray antes = e.leer("20230102Ana.kvr");
    QFile::remove(e.ruta("20230102Ana.kvr"));
    QLineEdit* ed = e.editar(2, 1);
    QCOMPARE(ed->text(), QStringLiteral("  4 "));
    QTest::keyClick(ed, Qt::Key_Return);
    QApplication::processEvents();
    QCOMPARE(e.leer("20230102Ana.kvr"), antes);
    QVERIFY(antes.contains("\r\n|  4 |"));
    Q_UNUSED(w);
}

void TestVentana::clicEnOtraCeldaYTab() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    // Leaving by a click commits only a change.
    QLineEdit* ed = e.editar(0, 0);
    QVERIFY(ed);
    e.clicCelda(5, 5);
    QApplication::processEvents();
    QVERIFY(!e.existe("20230102Ana.kvr"));
    ed = e.editar(0, 0);
    QTest::keyClicks(ed, "Dominadas");
    e.clicCelda(5, 5);
    QApplication::processEvents();
    QCOMPARE(e.valor(0, 0), QStringLiteral("Dominadas"));
    QCOMPARE(e.leer("20230102Ana.kvr"), Entorno::rutina({"Dominadas||||||||||||0"}));
    // Tab commits and opens the next cell; from the last cell it wraps to the first.
    ed = e.editar(3, 9);
    QTest::keyClicks(ed, "a");
    QTest::keyClick(ed, Qt::Key_Tab);
    QApplication::processEvents();
    QCOMPARE(e.valor(3, 9), QStringLiteral("a"));
    QCOMPARE(w.Rutina->currentIndex(), e.celda(3, 10));
    ed = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(ed);
    QTest::keyClicks(ed, "b");
    QTest::keyClick(ed, Qt::Key_Tab);
    QApplication::processEvents();
    QCOMPARE(e.valor(3, 10), QStringLiteral("b"));
    QCOMPARE(w.Rutina->currentIndex(), e.celda(4, 0));
    QVERIFY(e.leer("20230102Ana.kvr").contains("\r\n|||||||||a|b||0\r\n"));
    w.Rutina->setCurrentIndex(e.celda(99, 10));
    ed = e.editar(99, 10);
    QTest::keyClick(ed, Qt::Key_Tab);
    QApplication::processEvents();
    QCOMPARE(w.Rutina->currentIndex(), e.celda(0, 0));
}

void TestVentana::textosRechazados_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("mensaje");
    const QString base = "El texto contiene un caracter que no se puede guardar: ";
    QTest::newRow("bar") << "a|b" << base + "|.";
    QTest::newRow("tab") << "a\tb" << base + "tabulador.";
    QTest::newRow("cyrillic") << "Жим" << base + "Ж.";
    QTest::newRow("ctrl-z") << QString("x") + QChar(26) << base + "carácter de control 0x1A.";
}

void TestVentana::textosRechazados() {
    QFETCH(QString, texto);
    QFETCH(QString, mensaje);
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr", Entorno::rutina({"Press||||||||||||0"}));
    const QByteArray antes = e.leer("20230102Ana.kvr");
    TMain& w = e.abrir();
    QLineEdit* ed = e.editar(0, 0);
    ed->setText(texto); // pasted text may hold anything
    QTest::keyClick(ed, Qt::Key_Return);
    QApplication::processEvents();
    QCOMPARE(e.errores, QStringList{mensaje});
    QCOMPARE(e.valor(0, 0), QStringLiteral("Press"));
    QCOMPARE(e.leer("20230102Ana.kvr"), antes);
    // Blanks and accented letters are fine.
    e.teclear(0, 1, " Pressão ñ ");
    QCOMPARE(w.A()[0][1], QStringLiteral(" Pressão ñ "));
    QVERIFY(e.leer("20230102Ana.kvr").startsWith("Press| Press\xe3o \xf1 |"));
}

void TestVentana::sinCeldaElegida() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    QCOMPARE(w.Rutina->Row(), -1);
    QCOMPARE(w.Rutina->Col(), -1);
    // Focus alone picks no cell.
    w.Rutina->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QVERIFY(w.Rutina->hasFocus());
    QCOMPARE(w.Rutina->Row(), -1);
    QCOMPARE(w.Rutina->Col(), -1);
    // A reload keeps the picked cell.
    e.clicCelda(7, 2);
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    QCOMPARE(w.Rutina->Row(), 7);
    QCOMPARE(w.Rutina->Col(), 2);
}

void TestVentana::disposicion_data() {
    QTest::addColumn<QSize>("tam");
    QTest::newRow("portrait") << QSize(425, 713);
    QTest::newRow("default") << QSize(1101, 758);
    QTest::newRow("landscape") << QSize(1200, 500);
    QTest::newRow("smallest") << QSize(425, 225);
}

// The window cannot be made so small that its parts overlap; the title shows its whole text.
void TestVentana::tamMinimoYTitulo() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir(QSize(250, 150));
    QCOMPARE(w.size(), w.minimumSize());
    QVERIFY(w.Usuario->geometry().right() < w.SelecteDate->geometry().left());
    QVERIFY(w.lblTitulo->geometry().bottom() < w.Botonera->geometry().top());
    const int fila = w.Rutina->horizontalHeader()->height() + w.Rutina->rowHeight(0);
    QVERIFY(w.Rutina->height() >= fila);
    // The tight box of a long title, where the label draws it, within the label and not under
    // the sheet.
    const QString titulo = QString::fromUtf8("Miércoles para Ágata");
    w.lblTitulo->setText(titulo);
    const QFontMetrics fm(w.lblTitulo->font());
    const QRect caja = fm.tightBoundingRect(titulo).translated(
        w.lblTitulo->contentsRect().left(), w.lblTitulo->contentsRect().top() + fm.ascent());
    QVERIFY(w.lblTitulo->rect().contains(caja));
    for (int y : {caja.top(), caja.bottom()})
        QCOMPARE(w.pnlMain->childAt(w.lblTitulo->mapTo(w.pnlMain, QPoint(caja.center().x(), y))),
                 w.lblTitulo);
}

void TestVentana::disposicion() {
    QFETCH(QSize, tam);
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir(tam);
    QCOMPARE(w.size(), tam);
    const int W = tam.width(), H = tam.height();
    QCOMPARE(w.pnlMain->geometry(), QRect(0, 0, W, H));
    QCOMPARE(w.NuevoUsuario->geometry(), QRect(0, 0, W, H));
    QCOMPARE(w.Rutina->geometry(), QRect(0, 64, W, std::max(0, H - 161)));
    QCOMPARE(w.Botonera->geometry(), QRect(0, H - 97, W, 97));
    QCOMPARE(w.pnlBotoneraDeArriba->geometry(), QRect(0, 0, W, 41));
    QCOMPARE(w.lblTitulo->geometry(), QRect(0, 41, W, 24));
    QCOMPARE(w.Image3->geometry(), QRect(0, 0, 34, 41));
    QCOMPARE(w.Usuario->geometry(), QRect(34, 0, 159, 41));
    QCOMPARE(w.Image4->geometry(), QRect(W - 34, 0, 34, 41));
    QCOMPARE(w.SelecteDate->geometry(), QRect(W - 34 - 176, 0, 176, 41));
    // The black backgrounds span their bars; the pictures keep their places.
    QCOMPARE(w.Rectangle1->geometry().left(), 0);
    QCOMPARE(w.Rectangle1->geometry().width(), W);
    QCOMPARE(w.Rectangle2->geometry().width(), W);
    QCOMPARE(w.Image2->geometry().topLeft(), QPoint(360, 1));
    // Resizing again follows the window.
    w.resize(W + 100, H + 50);
    QApplication::processEvents();
    QCOMPARE(w.Rutina->geometry(), QRect(0, 64, W + 100, std::max(0, H + 50 - 161)));
    QCOMPARE(w.Image4->geometry().left(), W + 100 - 34);
}

void TestVentana::tintaDeFilaMarcada() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr",
               Entorno::rutina({Entorno::linea({"MMMMMMMM", "MMM", "MMM", "MMMM", "MMMM", "MMMM",
                                                "MMMM", "MMMM", "MMMM", "MMMM", "MMMM"},
                                               -65536)}));
    TMain& w = e.abrir();
    const QImage img = w.Rutina->viewport()->grab().toImage();
    const qreal dpr = img.devicePixelRatio();
    for (int j = 0; j < 11; ++j) {
        const QRect r = w.Rutina->visualRect(e.celda(0, j));
        // The right part of the cell is background: white under the red tint.
        const QColor fondo =
            img.pixelColor(QPoint(int((r.right() - 3) * dpr), int(r.center().y() * dpr)));
        QCOMPARE(fondo.red(), 255);
        QVERIFY2(qAbs(fondo.green() - 128) <= 2 && qAbs(fondo.blue() - 128) <= 2,
                 qPrintable(fondo.name()));
        // The text stays visible: some pixel of the cell is much darker than the tint.
        int masOscuro = 255;
        for (int x = r.left(); x < r.right(); ++x)
            for (int y = r.top(); y < r.bottom(); ++y)
                masOscuro =
                    std::min(masOscuro, img.pixelColor(QPoint(int(x * dpr), int(y * dpr))).green());
        QVERIFY2(masOscuro < 100, qPrintable(QString::number(j)));
    }
    // An unmarked row is not tinted.
    const QRect r1 = w.Rutina->visualRect(e.celda(1, 0));
    QCOMPARE(img.pixelColor(QPoint(int(r1.center().x() * dpr), int(r1.center().y() * dpr))),
             QColor(Qt::white));
}

void TestVentana::marcaInvalidaAlArrancar() {
    Entorno e;
    e.usuarios("Ana\r\n");
    const QByteArray bytes = Entorno::rutina({"Press||||||||||||abc", "Remo||||||||||||-1"});
    e.escribir("20230102Ana.kvr", bytes);
    TMain& w = e.abrir();
    QVERIFY(w.isVisible());
    // Start-up loads the day more than once; the bad file is reported once.
    QCOMPARE(e.errores, QStringList{"'abc' is not a valid integer value."});
    QCOMPARE(e.valor(0, 0), QStringLiteral("Press"));
    QCOMPARE(e.valor(1, 0), QStringLiteral("Remo"));
    QCOMPARE(w.C()[0], 0);
    QCOMPARE(w.C()[1], -1);
    QCOMPARE(e.leer("20230102Ana.kvr"), bytes);
    // Other days still open.
    e.errores.clear();
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QVERIFY(e.errores.isEmpty());
    QCOMPARE(e.valor(0, 0), QString());
}

// The window opens whatever the user list holds; what cannot be used is reported once.
void TestVentana::listaDeUsuariosInutil_data() {
    QTest::addColumn<QByteArray>("lista"); // empty: a folder named like the list
    QTest::addColumn<QString>("mensaje");
    QTest::newRow("carpeta") << QByteArray() << "No es un archivo normal: USRS.kvldat.";
    QTest::newRow("caracter de control")
        << QByteArray("A\x01na\r\n")
        << QString::fromUtf8(
               "El usuario «A\x01na» de la lista no se muestra: El nombre "
               "contiene un caracter que no se puede guardar: carácter de control 0x01.");
}

void TestVentana::listaDeUsuariosInutil() {
    QFETCH(QByteArray, lista);
    QFETCH(QString, mensaje);
    Entorno e;
    if (lista.isEmpty())
        QVERIFY(QDir(e.datos).mkdir("USRS.kvldat"));
    else
        e.usuarios(lista);
    TMain& w = e.abrir();
    QVERIFY(w.isVisible());
    QCOMPARE(e.errores, QStringList{mensaje});
    QCOMPARE(e.archivos(), lista.isEmpty() ? QStringList() : QStringList{"USRS.kvldat"});
}

void TestVentana::carpetaDeDatosImposible() {
    Entorno e;
    QDir(e.home.path()).removeRecursively();
    QDir().mkpath(e.home.path());
    QFile f(e.home.path() + "/Documents"); // a file where the documents folder should be
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QCOMPARE(EjecutarPrograma(), 1);
    QCOMPARE(e.errores, QStringList{"FATAL: No se puede crear la carpeta de datos: " +
                                    e.home.path() + "/Documents/KORVAL"});
}

void TestVentana::iconoYCierrePorSenal() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    QVERIFY(!w.windowIcon().isNull());
    QVERIFY(w.windowIcon().availableSizes().contains(QSize(256, 256)));
    // The real program, asked to end by the system, closes its window and exits cleanly.
    QProcess p;
    QTemporaryDir otroHome;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", otroHome.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVAL_BINARIO), {});
    QVERIFY(p.waitForStarted());
    // The window exists once the data folder does; give it a moment more to reach its loop.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(otroHome.path() + "/Documents/KORVAL").isDir(), 20000);
    QTest::qWait(1500);
    QCOMPARE(p.state(), QProcess::Running);
    p.terminate();
    QVERIFY(p.waitForFinished(5000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
}

// No home folder: the window does not open; the message goes through the seam a person sees as
// a box, the status is 1, and nothing is made in the working folder.
void TestVentana::sinCarpetaPersonal() {
    Entorno e;
    const QString antes = QDir::currentPath();
    QVERIFY(QDir::setCurrent(e.home.path()));
    for (const char* casa : {"", "/", "unset"}) {
        if (qstrcmp(casa, "unset") == 0)
            qunsetenv("HOME");
        else
            qputenv("HOME", casa);
        e.errores.clear();
        QCOMPARE(EjecutarPrograma(), 1);
        QCOMPARE(e.errores.size(), 1);
        QVERIFY2(e.errores.first().startsWith("FATAL: No hay carpeta personal (HOME)"),
                 qPrintable(e.errores.first()));
    }
    QVERIFY(QDir::setCurrent(antes));
    QVERIFY(!QFileInfo::exists(e.home.path() + "/KORVAL"));
    QVERIFY(!QFileInfo::exists("/KORVAL"));
}

// TERM while a box or a dialog is open ends the program all the same, exit status 0; the boxes
// read Qt's Spanish button text, also one shown while the window starts.
void TestVentana::senalConCajaAbierta_data() {
    QTest::addColumn<QString>("modo");
    QTest::addColumn<QString>("salida");
    QTest::newRow("el aviso") << "aviso"
                              << "boton: Aceptar";
    QTest::newRow("un error") << "error"
                              << "boton: Aceptar";
    QTest::newRow("el dialogo de importar") << "dialogo"
                                            << "dialogo";
    QTest::newRow("una caja al arrancar") << "arranque"
                                          << "boton: Aceptar";
}

void TestVentana::senalConCajaAbierta() {
    QFETCH(QString, modo);
    QFETCH(QString, salida);
    QTemporaryDir casa;
    const QString datos = casa.path() + "/Documents/KORVAL";
    QVERIFY(QDir().mkpath(datos));
    if (modo == "arranque")
        QVERIFY(QDir().mkpath(datos + "/USRS.kvldat")); // a folder: a box while starting
    else {
        QFile f(datos + "/USRS.kvldat");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Ana\r\n");
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", casa.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("XDG_CONFIG_HOME");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVAL_AYUDANTE), {modo});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), salida);
    // Nothing was written on the way out.
    QCOMPARE(QDir(datos).entryList(QDir::Files | QDir::NoDotAndDotDot),
             modo == "arranque" ? QStringList() : QStringList{"USRS.kvldat"});
}

// Qt's own options start the window: the application object takes them before ours are read.
void TestVentana::opcionesDeQt_data() {
    QTest::addColumn<QStringList>("argumentos");
    QTest::newRow("-style Fusion") << QStringList{"-style", "Fusion"};
    QTest::newRow("-session x") << QStringList{"-session", "x"};
    QTest::newRow("-reverse y --carpeta") << QStringList{"-reverse", "--carpeta", "DATOS"};
}

void TestVentana::opcionesDeQt() {
    QFETCH(QStringList, argumentos);
    QTemporaryDir casa;
    const QString datos = casa.path() + "/Documents/KORVAL";
    QVERIFY(QDir().mkpath(datos));
    for (QString& a : argumentos)
        a.replace("DATOS", datos);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", casa.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KORVAL_BINARIO), argumentos);
    QVERIFY(p.waitForStarted());
    QVERIFY(!p.waitForFinished(2500)); // the window runs
    p.terminate();
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY2(p.readAllStandardError().indexOf("Opción") < 0, "an option of Qt's was refused");
}

void TestVentana::textoDeError_data() {
    QTest::addColumn<QString>("mensaje");
    QTest::addColumn<QString>("texto");
    QTest::newRow("letter") << "File not found"
                            << "File not found.";
    QTest::newRow("full stop") << "Hecho."
                               << "Hecho.";
    QTest::newRow("bang") << "Ojo!"
                          << "Ojo!";
    QTest::newRow("slash") << "a/"
                           << "a/.";
}

void TestVentana::textoDeError() {
    QFETCH(QString, mensaje);
    QFETCH(QString, texto);
    QCOMPARE(TextoDeError(mensaje), texto);
}

QTEST_MAIN(TestVentana)
#include "test_ventana.moc"
