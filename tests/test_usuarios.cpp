// Users and days: the user list, the new-user panel and reloading on every change.
#include "entorno.h"

#include "storage/lista_usuarios.h"

#include "app/controles.h"
#include "storage/rutina_archivo.h"

#include <QPushButton>

class TestUsuarios : public QObject {
    Q_OBJECT
  private slots:
    void listaAusenteOVacia_data();
    void listaAusenteOVacia();
    void primerYSegundoUsuario();
    void nombreVacioYRepetido();
    void segundoUsuarioTecleado();
    void nombresRechazados_data();
    void nombresRechazados();
    void nombreMasLargoPosible();
    void botonXVuelveAlUsuarioAnterior();
    void botonXSinUsuarios();
    void teclasDelPanel();
    void secuenciaDeCargas();
    void pasosDeDia_data();
    void pasosDeDia();
    void mismoDiaOMismoUsuarioNoRecarga();
    void repetirHoyVisible_data();
    void repetirHoyVisible();
    void cadaRutinaEnSuArchivo();
    void rangoDelCalendario();
    void cargaFallidaCierraElBracket();
};

void TestUsuarios::listaAusenteOVacia_data() {
    QTest::addColumn<bool>("crear");
    QTest::newRow("missing") << false;
    QTest::newRow("empty") << true;
}

void TestUsuarios::listaAusenteOVacia() {
    QFETCH(bool, crear);
    Entorno e;
    if (crear) e.usuarios("");
    TMain& w = e.abrir();
    QCOMPARE(w.Usuario->count(), 1);
    QCOMPARE(w.Usuario->currentIndex(), 0);
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("+"));
    QVERIFY(w.NuevoUsuario->isVisible());
    // The panel is in front of everything.
    QWidget* arriba = w.childAt(w.width() / 2, w.height() - 20);
    QVERIFY(arriba == w.NuevoUsuario || w.NuevoUsuario->isAncestorOf(arriba));
    QCOMPARE(e.existe("USRS.kvldat"), crear);
    // No user: an edit is refused and nothing is written.
    QTest::mouseClick(w.X, Qt::LeftButton);
    e.teclear(0, 0, "Press");
    QCOMPARE(e.errores, QStringList{"Elige o crea un usuario antes de escribir."});
    QCOMPARE(e.valor(0, 0), QString());
    QCOMPARE(e.archivos().size(), crear ? 1 : 0);
}

void TestUsuarios::primerYSegundoUsuario() {
    Entorno e;
    e.escribir("20230102Ana.kvr", Entorno::rutina({Entorno::linea({"Sentadilla"})}));
    TMain& w = e.abrir();
    QTest::keyClicks(w.txtUsuarioNuevo, "Ana");
    QTest::mouseClick(w.OK, Qt::LeftButton);
    QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Ana\r\n"));
    QCOMPARE(w.Usuario->count(), 2);
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("Ana"));
    QVERIFY(w.NuevoUsuario->isHidden());
    QCOMPARE(w.lblTitulo->text(), QStringLiteral("Lunes para Ana"));
    QCOMPARE(e.valor(0, 0), QStringLiteral("Sentadilla"));

    // Choosing "+" opens the panel with the text typed before, and leaves the sheet alone.
    w.Usuario->setCurrentIndex(1);
    QVERIFY(w.NuevoUsuario->isVisible());
    QCOMPARE(w.txtUsuarioNuevo->text(), QStringLiteral("Ana"));
    QCOMPARE(w.lblTitulo->text(), QStringLiteral("Lunes para Ana"));
    QCOMPARE(e.valor(0, 0), QStringLiteral("Sentadilla"));
    w.txtUsuarioNuevo->clear();
    QTest::keyClicks(w.txtUsuarioNuevo, "Luis");
    QTest::mouseClick(w.OK, Qt::LeftButton);
    QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Ana\r\nLuis\r\n"));
    // The selector goes back to the first name, not to the new one.
    QCOMPARE(w.Usuario->currentIndex(), 0);
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("Ana"));
    QCOMPARE(w.Usuario->itemText(1), QStringLiteral("Luis"));
    QCOMPARE(w.Usuario->itemText(2), QStringLiteral("+"));
    QVERIFY(w.NuevoUsuario->isHidden());
    QVERIFY(e.errores.isEmpty());
}

void TestUsuarios::nombreVacioYRepetido() {
    Entorno e;
    e.usuarios("Ana\r\n\r\n"); // a blank name written by an older version, or by hand
    TMain& w = e.abrir();
    // A blank name is not typed in any more...
    for (const char* blanco : {"", "   "}) {
        w.Usuario->setCurrentIndex(2);
        w.txtUsuarioNuevo->setText(blanco);
        QTest::mouseClick(w.OK, Qt::LeftButton);
        QCOMPARE(e.errores.takeFirst(), QStringLiteral("El nombre no puede estar vacío."));
        QTest::mouseClick(w.X, Qt::LeftButton);
    }
    // A name already in the list is not added again: the panel closes on that user.
    w.Usuario->setCurrentIndex(1);
    w.Usuario->setCurrentIndex(2);
    w.txtUsuarioNuevo->setText("Ana");
    QTest::mouseClick(w.OK, Qt::LeftButton);
    QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Ana\r\n\r\n"));
    QCOMPARE(w.Usuario->count(), 3);
    QVERIFY(w.NuevoUsuario->isHidden());
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("Ana"));
    // ...but a blank one in the list keeps working: its routine is named by the day stamp alone.
    w.Usuario->setCurrentIndex(1);
    QCOMPARE(w.lblTitulo->text(), QStringLiteral("Lunes para "));
    e.teclear(0, 0, "Remo");
    QVERIFY(e.existe("20230102.kvr"));
    QVERIFY(e.errores.isEmpty());
}

// The panel keeps the last name, selected: a newcomer's typing replaces it. Adding a user to a
// list with text past an end-of-file mark keeps the old list in "respaldos" first.
void TestUsuarios::segundoUsuarioTecleado() {
    Entorno e;
    TMain& w = e.abrir();
    QVERIFY(w.NuevoUsuario->isVisible());
    QTest::keyClicks(w.txtUsuarioNuevo, "Ana");
    QTest::keyClick(w.txtUsuarioNuevo, Qt::Key_Return);
    QVERIFY(w.NuevoUsuario->isHidden());
    w.Usuario->setCurrentIndex(w.Usuario->count() - 1); // "+"
    QVERIFY(w.NuevoUsuario->isVisible());
    QCOMPARE(w.txtUsuarioNuevo->selectedText(), QStringLiteral("Ana"));
    QTest::keyClicks(w.txtUsuarioNuevo, "Joaquin");
    QTest::keyClick(w.txtUsuarioNuevo, Qt::Key_Return);
    QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Ana\r\nJoaquin\r\n"));
    QVERIFY(e.errores.isEmpty());

    const QByteArray vieja = "Ana\r\n\x1a" + QByteArray(200, 'x') + "\r\nLuis\r\n";
    e.usuarios(vieja);
    QTRY_COMPARE(w.Usuario->count(), 2); // the list as a reader sees it: Ana and "+"
    w.Usuario->setCurrentIndex(1);
    QTest::keyClicks(w.txtUsuarioNuevo, "Beto");
    QTest::keyClick(w.txtUsuarioNuevo, Qt::Key_Return);
    QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Ana\r\nBeto\r\n"));
    const QStringList copias = QDir(e.ruta("respaldos")).entryList(QDir::Files);
    QCOMPARE(copias, QStringList{"USRS-20230102-183005.kvldat"});
    QCOMPARE(e.leer("respaldos/" + copias.first()), vieja);
    QCOMPARE(e.avisos.size(), 1);
    QVERIFY(e.avisos.first().contains("respaldos/USRS-20230102-183005.kvldat"));
}

void TestUsuarios::nombresRechazados_data() {
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("mensaje");
    const QString base = "El nombre contiene un caracter que no se puede guardar: ";
    QTest::newRow("slash") << "../x" << base + "/.";
    // No full stop after a character at or below ".".
    QTest::newRow("dotdot") << "a..b" << base + ".";
    QTest::newRow("backslash") << "a\\b" << base + "\\.";
    QTest::newRow("colon") << "a:b" << base + ":.";
    QTest::newRow("star") << "*" << base + "*";
    QTest::newRow("question") << "?" << base + "?.";
    QTest::newRow("quote") << "\"" << base + "\"";
    QTest::newRow("less") << "<" << base + "<.";
    QTest::newRow("greater") << ">" << base + ">.";
    QTest::newRow("bar") << "|" << base + "|.";
    QTest::newRow("tab") << "a\tb" << base + "tabulador.";
    QTest::newRow("outside cp1252") << "Жора" << base + "Ж.";
    QTest::newRow("plus") << "+"
                          << "El nombre + esta reservado.";
    const QString bordes = "El nombre no puede empezar ni terminar con espacio o punto.";
    QTest::newRow("space first") << " Ana" << bordes;
    QTest::newRow("space last") << "Ana " << bordes;
    QTest::newRow("dot first") << ".Ana" << bordes;
    QTest::newRow("dot last") << "Ana." << bordes;
    QTest::newRow("blank") << "   " << QString::fromUtf8("El nombre no puede estar vacío.");
    QTest::newRow("too long") << QString(220, u'x') << "El nombre es demasiado largo.";
}

// The longest name the panel takes works for every file made for it: its routine, the routine's
// temporary file and its copy in "respaldos".
void TestUsuarios::nombreMasLargoPosible() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    QString nombre = "x";
    while (MotivoNombreNuevo(nombre + u'x', e.datos).isEmpty())
        nombre += u'x';
    QVERIFY(nombre.size() > 100);
    w.Usuario->setCurrentIndex(1);
    w.txtUsuarioNuevo->setText(nombre);
    QTest::mouseClick(w.OK, Qt::LeftButton);
    QCOMPARE(w.Usuario->itemText(1), nombre);
    w.Usuario->setCurrentIndex(1);
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    e.teclear(0, 0, "Press");
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    e.teclear(0, 0, "Remo");
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QTest::mouseClick(w.importar_a_hoy, Qt::LeftButton); // keeps today's in "respaldos"
    QVERIFY(e.errores.isEmpty());
    QVERIFY(e.leer("20230102" + nombre + ".kvr").startsWith("Press|"));
    QCOMPARE(QDir(e.ruta("respaldos")).entryList(QDir::Files).size(), 1);
}

void TestUsuarios::nombresRechazados() {
    QFETCH(QString, nombre);
    QFETCH(QString, mensaje);
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    w.Usuario->setCurrentIndex(1);
    w.txtUsuarioNuevo->setText(nombre);
    QTest::mouseClick(w.OK, Qt::LeftButton);
    QCOMPARE(e.errores, QStringList{mensaje});
    QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Ana\r\n"));
    QVERIFY(w.NuevoUsuario->isVisible());
    QCOMPARE(w.txtUsuarioNuevo->text(), nombre);
    QCOMPARE(w.Usuario->count(), 2);
}

void TestUsuarios::botonXVuelveAlUsuarioAnterior() {
    Entorno e;
    e.usuarios("Ana\r\nLuis\r\n");
    e.escribir("20230102Luis.kvr", Entorno::rutina({Entorno::linea({"Remo"})}));
    TMain& w = e.abrir();
    w.Usuario->setCurrentIndex(1);
    QCOMPARE(e.valor(0, 0), QStringLiteral("Remo"));
    w.Usuario->setCurrentIndex(2);
    QVERIFY(w.NuevoUsuario->isVisible());
    QTest::mouseClick(w.X, Qt::LeftButton);
    QVERIFY(w.NuevoUsuario->isHidden());
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("Luis"));
    QCOMPARE(w.lblTitulo->text(), QStringLiteral("Lunes para Luis"));
    // The next edit lands in Luis's routine, never in one of a user called "+".
    e.teclear(1, 0, "Press");
    QVERIFY(e.leer("20230102Luis.kvr")
                .startsWith(Entorno::linea({"Remo"}) + "\r\n" + Entorno::linea({"Press"})));
    QVERIFY(!e.existe("20230102+.kvr"));
}

void TestUsuarios::botonXSinUsuarios() {
    Entorno e;
    TMain& w = e.abrir();
    QTest::mouseClick(w.X, Qt::LeftButton);
    QVERIFY(w.NuevoUsuario->isHidden());
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("+"));
    // A later day change shows the panel again.
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    QVERIFY(w.NuevoUsuario->isVisible());
    QVERIFY(e.archivos().isEmpty());
}

void TestUsuarios::teclasDelPanel() {
    Entorno e;
    TMain& w = e.abrir();
    w.txtUsuarioNuevo->setFocus();
    QTest::keyClicks(w.txtUsuarioNuevo, "Eva");
    QTest::keyClick(w.txtUsuarioNuevo, Qt::Key_Return);
    QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Eva\r\n"));
    QVERIFY(w.NuevoUsuario->isHidden());
    w.Usuario->setCurrentIndex(1);
    QVERIFY(w.NuevoUsuario->isVisible());
    QTest::keyClick(w.txtUsuarioNuevo, Qt::Key_Escape);
    QVERIFY(w.NuevoUsuario->isHidden());
    QCOMPARE(w.Usuario->currentText(), QStringLiteral("Eva"));
    QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Eva\r\n"));
}

// Loads at start-up: the layout's day from the selector fill, today from the date picker, today
// once more from the show; adding a user loads once.
void TestUsuarios::secuenciaDeCargas() {
    Entorno e;
    e.usuarios("Ana\r\n");
    int antes = ContadorCargas();
    TMain& w = e.abrir();
    QCOMPARE(ContadorCargas() - antes, 3);
    w.Usuario->setCurrentIndex(1);
    w.txtUsuarioNuevo->setText("Luis");
    antes = ContadorCargas();
    QTest::mouseClick(w.OK, Qt::LeftButton);
    QCOMPARE(ContadorCargas() - antes, 1);

    Entorno sinUsuarios;
    antes = ContadorCargas();
    TMain& v = sinUsuarios.abrir();
    QCOMPARE(ContadorCargas() - antes, 1);
    v.txtUsuarioNuevo->setText("Eva");
    antes = ContadorCargas();
    QTest::mouseClick(v.OK, Qt::LeftButton);
    QCOMPARE(ContadorCargas() - antes, 1);
    QCOMPARE(v.lblTitulo->text(), QStringLiteral("Lunes para Eva"));
}

void TestUsuarios::pasosDeDia_data() {
    QTest::addColumn<QDate>("desde");
    QTest::addColumn<bool>("adelante");
    QTest::addColumn<QDate>("uno");
    QTest::addColumn<QDate>("dos");
    QTest::addColumn<QString>("titulo");
    QTest::newRow("leap day") << QDate(2024, 2, 28) << true << QDate(2024, 2, 29)
                              << QDate(2024, 3, 1) << "Viernes para Ana";
    QTest::newRow("year end back") << QDate(2023, 1, 1) << false << QDate(2022, 12, 31)
                                   << QDate(2022, 12, 30) << "Viernes para Ana";
    QTest::newRow("month end") << QDate(2023, 4, 30) << true << QDate(2023, 5, 1)
                               << QDate(2023, 5, 2) << "Martes para Ana";
    // The clocks change in March in many zones; whole days are unaffected.
    QTest::newRow("clock change") << QDate(2023, 3, 25) << true << QDate(2023, 3, 26)
                                  << QDate(2023, 3, 27) << "Lunes para Ana";
}

void TestUsuarios::pasosDeDia() {
    QFETCH(QDate, desde);
    QFETCH(bool, adelante);
    QFETCH(QDate, uno);
    QFETCH(QDate, dos);
    QFETCH(QString, titulo);
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    w.SelecteDate->setDate(desde);
    TImagen* flecha = adelante ? w.Image4 : w.Image3;
    QTest::mouseClick(flecha, Qt::LeftButton);
    QCOMPARE(w.SelecteDate->date(), uno);
    if (uno == QDate(2022, 12, 31))
        QCOMPARE(w.lblTitulo->text(), QStringLiteral("Sabado para Ana"));
    QTest::mouseClick(flecha, Qt::LeftButton);
    QCOMPARE(w.SelecteDate->date(), dos);
    QCOMPARE(w.lblTitulo->text(), titulo);
}

void TestUsuarios::mismoDiaOMismoUsuarioNoRecarga() {
    Entorno e;
    e.usuarios("Ana\r\nLuis\r\n");
    TMain& w = e.abrir();
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QVERIFY(w.importar_a_hoy->isVisible());
    const int antes = ContadorCargas();
    w.SelecteDate->setDate(w.SelecteDate->date());
    w.Usuario->setCurrentIndex(0);
    // Return in the date field reports the same day again; it must not reload.
    w.SelecteDate->setFocus();
    QTest::keyClick(w.SelecteDate, Qt::Key_Return);
    QCOMPARE(ContadorCargas(), antes);
    QVERIFY(w.importar_a_hoy->isVisible());
}

void TestUsuarios::repetirHoyVisible_data() {
    QTest::addColumn<int>("dias");
    QTest::addColumn<bool>("visible");
    QTest::newRow("yesterday") << -1 << true;
    QTest::newRow("last year") << -400 << true;
    QTest::newRow("today") << 0 << false;
    QTest::newRow("tomorrow") << 1 << false;
}

void TestUsuarios::repetirHoyVisible() {
    QFETCH(int, dias);
    QFETCH(bool, visible);
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    w.SelecteDate->setDate(QDate(2023, 1, 2).addDays(dias == 0 ? 5 : 0));
    w.SelecteDate->setDate(QDate(2023, 1, 2).addDays(dias));
    QCOMPARE(w.importar_a_hoy->isVisible(), visible);
    QCOMPARE(w.lbl_copiar_a_hoy->isVisible(), visible);
}

void TestUsuarios::cadaRutinaEnSuArchivo() {
    Entorno e;
    e.usuarios("Ana\r\nLuis\r\n");
    TMain& w = e.abrir();
    e.teclear(0, 0, "Ana lunes");
    w.Usuario->setCurrentIndex(1);
    QCOMPARE(e.valor(0, 0), QString());
    e.teclear(0, 0, "Luis lunes");
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    e.teclear(0, 0, "Luis martes");
    w.Usuario->setCurrentIndex(0);
    QCOMPARE(e.valor(0, 0), QString());
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QCOMPARE(e.valor(0, 0), QStringLiteral("Ana lunes"));
    w.Usuario->setCurrentIndex(1);
    QCOMPARE(e.valor(0, 0), QStringLiteral("Luis lunes"));
    QVERIFY(e.leer("20230102Ana.kvr").startsWith("Ana lunes|"));
    QVERIFY(e.leer("20230102Luis.kvr").startsWith("Luis lunes|"));
    QVERIFY(e.leer("20230103Luis.kvr").startsWith("Luis martes|"));
    QCOMPARE(e.archivos().size(), 4);
}

void TestUsuarios::rangoDelCalendario() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    const QDate extremos[] = {w.SelecteDate->minimumDate(), QDate(9999, 12, 31)};
    for (const QDate& d : extremos) {
        w.SelecteDate->setDate(d);
        QCOMPARE(w.SelecteDate->date(), d);
        e.teclear(0, 0, "x");
        QVERIFY(e.existe(DayStamp(d) + "Ana.kvr"));
    }
    QCOMPARE(w.SelecteDate->minimumDate(), QDate(1, 1, 1));
    QCOMPARE(DayStamp(w.SelecteDate->minimumDate()), QStringLiteral("00010101"));
    // A step past the last day stays on it.
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    QCOMPARE(w.SelecteDate->date(), QDate(9999, 12, 31));
    QVERIFY(e.errores.isEmpty());
}

void TestUsuarios::cargaFallidaCierraElBracket() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230101Ana.kvr", Entorno::rutina({"Press||||||||||||zz"}));
    TMain& w = e.abrir();
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QCOMPARE(e.errores, QStringList{"'zz' is not a valid integer value."});
    QCOMPARE(w.Modelo()->profundidad(), 0);
    QCOMPARE(e.valor(0, 0), QStringLiteral("Press"));
    QVERIFY(w.importar_a_hoy->isVisible());
}

QTEST_MAIN(TestUsuarios)
#include "test_usuarios.moc"
