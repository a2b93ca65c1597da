// The line of the last time and the best in the real window: it follows the selected row, a
// save, a file another program writes, and the user shown.
#include "entorno.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>

class TestLinea : public QObject {
    Q_OBJECT
  private slots:
    void lineaDeLaFilaElegida();
    void completarNombres();
    void completarYConfirmar_data();
    void completarYConfirmar();
    void pegarBloqueEnElEditor();
    void rellenarDesdeLaUltimaVez();
    void cambioDeUsuarioDuranteLaObra();
    void cambiosEnSitio();
};

static QLabel* linea(TMain& w) {
    for (QLabel* l : w.Botonera->findChildren<QLabel*>())
        if (l != w.lbl_copiar_a_hoy) return l;
    return nullptr;
}

void TestLinea::lineaDeLaFilaElegida() {
    Entorno e;
    e.usuarios("Ana\r\nLuis\r\n");
    e.escribir("20230101Ana.kvr",
               Entorno::rutina({Entorno::linea({"Sentadilla", "4", "10", "60", "70"})}));
    e.escribir("20230102Ana.kvr",
               Entorno::rutina({Entorno::linea({"sentadilla "}), Entorno::linea({"Plancha"})}));
    e.escribir("20221120Luis.kvr",
               Entorno::rutina({Entorno::linea({"Sentadilla", "3", "3", "100"})}));
    e.escribir("20230102Luis.kvr", Entorno::rutina({Entorno::linea({"Sentadilla"})}));
    TMain& w = e.abrir();
    QLabel* l = linea(w);
    QVERIFY(l);
    const QString ana =
        QString::fromUtf8("Última vez 01/01: 60×10, 70×10 (4 series) — Mejor: 70 (01/01)");
    e.clicCelda(0, 0);
    QTRY_COMPARE(l->text(), ana);
    QVERIFY(l->isVisible());
    QVERIFY(e.celda(0, 0).data(Qt::ToolTipRole).toString().startsWith(ana + "\n"));
    QVERIFY(
        e.celda(0, 0)
            .data(Qt::ToolTipRole)
            .toString()
            .contains(
                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L).toString(QKeySequence::NativeText)));
    // A row of an exercise never done before shows nothing.
    e.clicCelda(1, 0);
    QCOMPARE(l->text(), QString());
    QVERIFY(l->isHidden());
    // A save of another day counts at once.
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    e.teclear(0, 4, "75");
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    e.clicCelda(0, 0);
    QCOMPARE(l->text(),
             QString::fromUtf8("Última vez 01/01: 60×10, 75×10 (4 series) — Mejor: 75 (01/01)"));
    // Another program writes an older day.
    e.escribir("20221230Ana.kvr",
               Entorno::rutina({Entorno::linea({"SENTADILLA", "5", "5", "82,5"})}));
    QTRY_COMPARE(l->text(),
                 QString::fromUtf8("Última vez 01/01: 60×10, 75×10 (4 series) — Mejor: 82,5 "
                                   "(30/12/2022)"));
    // Another user: that user's history.
    w.Usuario->setCurrentIndex(1);
    e.clicCelda(0, 0);
    QTRY_COMPARE(l->text(),
                 QString::fromUtf8("Última vez 20/11/2022: 100×3 (3 series) — Mejor: 100 "
                                   "(20/11/2022)"));
    // Little room beside the pictures: shortened there, the whole line in its tooltip; whole in
    // the lower row once the swatches are hidden.
    const QString entera = l->text();
    w.resize(500, 600);
    QApplication::processEvents();
    QVERIFY(l->isVisible());
    QVERIFY(l->text().endsWith(QChar(0x2026)));
    QCOMPARE(l->toolTip(), entera);
    QTest::mouseClick(w.Image5, Qt::LeftButton);
    QVERIFY(l->isVisible());
    QVERIFY(l->geometry().top() >= 50);
    QCOMPARE(l->text(), entera);
    QVERIFY(e.errores.isEmpty());
}

// Names offered as the user types: prefix, case and accents aside, the latest first, inserted
// as last written; Enter on one commits the cell.
void TestLinea::completarNombres() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20221201Ana.kvr", Entorno::rutina({Entorno::linea({"Sentadilla búlgara"})}));
    e.escribir("20221215Ana.kvr", Entorno::rutina({Entorno::linea({"sentadilla"})}));
    e.escribir("20221220Ana.kvr", Entorno::rutina({Entorno::linea({"Press"})}));
    e.escribir("20230102Ana.kvr", Entorno::rutina({Entorno::linea({}), Entorno::linea({"Press"})}));
    e.abrir();
    // The history is built after the first paint: its line for the second row says when.
    QTRY_VERIFY(!e.celda(1, 0).data(Qt::ToolTipRole).toString().isEmpty());
    QLineEdit* ed = e.editar(0, 0);
    QVERIFY(ed);
    auto* celda = qobject_cast<TEditorCelda*>(ed);
    QVERIFY(celda && celda->Completador());
    QTest::keyClicks(ed, "SEN");
    QTRY_VERIFY(celda->Completador()->popup()->isVisible());
    QAbstractItemModel* m = celda->Completador()->popup()->model();
    QCOMPARE(m->rowCount(), 2);
    QCOMPARE(m->index(0, 0).data().toString(), QStringLiteral("sentadilla"));
    QCOMPARE(m->index(1, 0).data().toString(), QString::fromUtf8("Sentadilla búlgara"));
    QTest::keyClick(celda->Completador()->popup(), Qt::Key_Down);
    QTest::keyClick(celda->Completador()->popup(), Qt::Key_Down);
    QTest::keyClick(celda->Completador()->popup(), Qt::Key_Return);
    QTRY_VERIFY(e.leer("20230102Ana.kvr").startsWith("Sentadilla b\xFAlgara|"));
    // Escape closes the list and keeps what was typed, in its open editor.
    e.editar(2, 0);
    celda = qobject_cast<TEditorCelda*>(e.w->Rutina->indexWidget(e.celda(2, 0)));
    ed = celda;
    QVERIFY(celda);
    QTest::keyClicks(ed, "pr");
    QTRY_VERIFY(celda->Completador()->popup()->isVisible());
    QTest::keyClick(celda->Completador()->popup(), Qt::Key_Escape);
    QVERIFY(!celda->Completador()->popup()->isVisible());
    QCOMPARE(ed->text(), QStringLiteral("pr"));
    QCOMPARE(e.w->Rutina->indexWidget(e.celda(2, 0)), ed);
    QVERIFY(e.errores.isEmpty());
}

// Ctrl+Shift+L on a row with only its exercise copies the last time in one undoable save; on
// a row with more it does nothing.
void TestLinea::rellenarDesdeLaUltimaVez() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20221230Ana.kvr",
               Entorno::rutina({Entorno::linea({"Remo", "4", "10", "40", "max", "45"})}));
    const QByteArray hoy =
        Entorno::rutina({Entorno::linea({"remo"}), Entorno::linea({"Remo", "3"})});
    e.escribir("20230102Ana.kvr", hoy);
    TMain& w = e.abrir();
    e.clicCelda(0, 0);
    QTRY_VERIFY(!linea(w)->text().isEmpty());
    const QKeySequence rellenar(Qt::CTRL | Qt::SHIFT | Qt::Key_L);
    QTest::keySequence(w.Rutina, rellenar);
    QCOMPARE(e.leer("20230102Ana.kvr"),
             Entorno::rutina({Entorno::linea({"remo", "4", "10", "40", "max", "45"}),
                              Entorno::linea({"Remo", "3"})}));
    QTest::keySequence(w.Rutina, QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(e.leer("20230102Ana.kvr"), hoy);
    e.clicCelda(1, 0);
    QTest::keySequence(w.Rutina, rellenar);
    QCOMPARE(e.leer("20230102Ana.kvr"), hoy);
    QVERIFY(e.errores.isEmpty());
}

// A user change while the first user's large history is still being built shows the second
// user's line, not the first's.
void TestLinea::cambioDeUsuarioDuranteLaObra() {
    Entorno e;
    e.usuarios("Ana\r\nLuis\r\n");
    const int dias = 800;
    for (int d = 1; d <= dias; ++d)
        e.escribir(DayStamp(QDate(2023, 1, 2).addDays(-d)) + "Ana.kvr",
                   Entorno::rutina({Entorno::linea({"Sentadilla", "4", "10", "60"})}));
    e.escribir("20221120Luis.kvr",
               Entorno::rutina({Entorno::linea({"Sentadilla", "3", "3", "100"})}));
    e.escribir("20230102Luis.kvr", Entorno::rutina({Entorno::linea({"Sentadilla"})}));
    e.escribir("20230102Ana.kvr", Entorno::rutina({Entorno::linea({"Sentadilla"})}));
    TMain& w = e.abrir();
    w.Usuario->setCurrentIndex(1);
    e.clicCelda(0, 0);
    QTRY_COMPARE(linea(w)->text(),
                 QString::fromUtf8("Última vez 20/11/2022: 100×3 (3 series) — Mejor: "
                                   "100 (20/11/2022)"));
    // Ana's history, built meanwhile, is hers when she comes back.
    w.Usuario->setCurrentIndex(0);
    e.clicCelda(1, 0);
    e.clicCelda(0, 0);
    // The best is the first day it was lifted.
    QTRY_COMPARE(linea(w)->text(),
                 QString::fromUtf8("Última vez 01/01: 60×10 (4 series) — Mejor: 60 (%1)")
                     .arg(QDate(2023, 1, 2).addDays(-dias).toString("dd/MM/yyyy")));
}

// The list offers, the user chooses: what reaches the file for each way of choosing and of
// leaving the cell. History: "Press" (20 Dec) and "Press banca" (25 Dec), the latest first.
void TestLinea::completarYConfirmar_data() {
    QTest::addColumn<QString>("lista");  // what is done with the open list
    QTest::addColumn<QString>("salida"); // how the cell is left
    QTest::addColumn<QString>("celda");  // what the file then holds
    for (const char* salida : {"Enter", "Tab", "clic fuera"}) {
        QTest::newRow(qPrintable(QString("sin tocar, %1").arg(salida)))
            << "sin tocar" << salida << "Press";
        QTest::newRow(qPrintable(QString("flecha abajo, %1").arg(salida)))
            << "abajo" << salida << (qstrcmp(salida, "clic fuera") ? "Press banca" : "Press");
        QTest::newRow(qPrintable(QString("cerrada con Escape, %1").arg(salida)))
            << "escape" << salida << "Press";
    }
    QTest::newRow("clic en un nombre") << "clic"
                                       << ""
                                       << "Press banca";
}

void TestLinea::completarYConfirmar() {
    QFETCH(QString, lista);
    QFETCH(QString, salida);
    QFETCH(QString, celda);
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20221220Ana.kvr", Entorno::rutina({Entorno::linea({"Press"})}));
    e.escribir("20221225Ana.kvr", Entorno::rutina({Entorno::linea({"Press banca"})}));
    e.escribir("20230102Ana.kvr",
               Entorno::rutina({Entorno::linea({}), Entorno::linea({"Press banca"})}));
    e.abrir();
    QTRY_VERIFY(!e.celda(1, 0).data(Qt::ToolTipRole).toString().isEmpty());
    auto* ed = qobject_cast<TEditorCelda*>(e.editar(0, 0));
    QVERIFY(ed && ed->Completador());
    QTest::keyClicks(ed, "Press");
    QAbstractItemView* popup = ed->Completador()->popup();
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(popup->model()->index(0, 0).data().toString(), QStringLiteral("Press banca"));
    QVERIFY(!popup->currentIndex().isValid()); // offered, nothing chosen
    if (lista == "abajo") {
        QTest::keyClick(popup, Qt::Key_Down);
    } else if (lista == "escape") {
        QTest::keyClick(popup, Qt::Key_Escape);
        QVERIFY(!popup->isVisible());
        QCOMPARE(ed->text(), QStringLiteral("Press"));
    } else if (lista == "clic") {
        QTest::mouseClick(popup->viewport(), Qt::LeftButton, {},
                          popup->visualRect(popup->model()->index(0, 0)).center());
    }
    QWidget* destino = popup->isVisible() ? static_cast<QWidget*>(popup) : ed;
    if (salida == "Enter")
        QTest::keyClick(destino, Qt::Key_Return);
    else if (salida == "Tab")
        QTest::keyClick(destino, Qt::Key_Tab);
    else if (salida == "clic fuera")
        e.clicCelda(5, 5);
    QTRY_VERIFY(!e.w->Rutina->indexWidget(e.celda(0, 0)));
    QTRY_COMPARE(e.leer("20230102Ana.kvr"),
                 Entorno::rutina({Entorno::linea({celda}), Entorno::linea({"Press banca"})}));
    QVERIFY(e.errores.isEmpty());
}

// A spreadsheet's block pasted into an open editor fills the cells from there, as the sheet's
// paste does: one save, one undo step; one that does not fit is refused whole.
void TestLinea::pegarBloqueEnElEditor() {
    Entorno e;
    e.usuarios("Ana\r\n");
    const QByteArray antes = Entorno::rutina({Entorno::linea({"Press", "4"})});
    e.escribir("20230102Ana.kvr", antes);
    e.abrir();
    QLineEdit* ed = e.editar(1, 0);
    QVERIFY(ed);
    QTest::keyClicks(ed, "escrito");
    QGuiApplication::clipboard()->setText("Remo\t3\t12\r\nCurl\t3\t10\r\n");
    QTest::keySequence(ed, QKeySequence::Paste);
    QApplication::processEvents();
    const QByteArray pegado =
        Entorno::rutina({Entorno::linea({"Press", "4"}), Entorno::linea({"Remo", "3", "12"}),
                         Entorno::linea({"Curl", "3", "10"})});
    QCOMPARE(e.leer("20230102Ana.kvr"), pegado);
    QVERIFY(!e.w->Rutina->indexWidget(e.celda(1, 0)));
    QTest::keySequence(e.w->Rutina, QKeySequence::Undo);
    QCOMPARE(e.leer("20230102Ana.kvr"), antes); // one step
    QVERIFY(e.errores.isEmpty());
    // Past the last column: refused whole, with the sheet's message.
    ed = e.editar(0, 9);
    QVERIFY(ed);
    QGuiApplication::clipboard()->setText("a\tb\tc");
    QTest::keySequence(ed, QKeySequence::Paste);
    QApplication::processEvents();
    QCOMPARE(e.errores, QStringList{"El texto pegado no cabe en la hoja."});
    QCOMPARE(e.leer("20230102Ana.kvr"), antes);
}

// Another program rewrites routines in place (a text editor, a shell's redirection): the one of
// the start-up day and the one of a day chosen later, with nothing saved in between. The sheet
// and the history follow both.
void TestLinea::cambiosEnSitio() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230101Ana.kvr",
               Entorno::rutina({Entorno::linea({"Sentadilla", "4", "10", "60"})}));
    e.escribir("20230102Ana.kvr",
               Entorno::rutina({Entorno::linea({"Sentadilla", "3", "5", "80"})}));
    e.escribir("20230103Ana.kvr", Entorno::rutina({Entorno::linea({"Sentadilla"})}));
    TMain& w = e.abrir();
    QLabel* l = linea(w);
    QVERIFY(l);
    // Nothing is saved here: a save of ours would not show whether the watch does its work.
    // The start-up day: the sheet, and the history seen from the next day.
    e.escribir("20230102Ana.kvr",
               Entorno::rutina({Entorno::linea({"Sentadilla", "3", "5", "90"})}));
    QTRY_COMPARE(e.valor(0, 3), QStringLiteral("90"));
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    e.clicCelda(0, 0);
    QTRY_COMPARE(l->text(),
                 QString::fromUtf8("Última vez 02/01: 90×5 (3 series) — Mejor: 90 (02/01)"));
    // A day chosen later, nothing saved on it.
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QTest::mouseClick(w.Image3, Qt::LeftButton);
    QCOMPARE(e.valor(0, 3), QStringLiteral("60"));
    e.escribir("20230101Ana.kvr",
               Entorno::rutina({Entorno::linea({"Sentadilla", "4", "10", "95", "70"})}));
    QTRY_COMPARE(e.valor(0, 3), QStringLiteral("95"));
    QTest::mouseClick(w.Image4, Qt::LeftButton);
    e.clicCelda(0, 0);
    QTRY_COMPARE(l->text(), QString::fromUtf8(
                                "Última vez 01/01: 95×10, 70×10 (4 series) — Mejor: 95 (01/01)"));
    QVERIFY(e.errores.isEmpty());
    QCOMPARE(e.leer("20230103Ana.kvr"), Entorno::rutina({Entorno::linea({"Sentadilla"})}));
}

QTEST_MAIN(TestLinea)
#include "test_linea.moc"
