// The sheet's menu: the progress window of the row's exercise (its series read from the chart
// widget, the table, hover, several windows that go with the main one; body weight and pounds)
// and the export with its save dialog.
#include "entorno.h"

#include "app/ventana_progreso.h"
#include "storage/exportar.h"
#include "storage/rutina_archivo.h"
#include "storage/serie.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTimer>

class TestProgreso : public QObject {
    Q_OBJECT
  private slots:
    void marcasDeEjes();
    void dibujarCasosRaros();
    void pesoCorporalYLibras();
    void pesoCorporalYLibrasDesdeLaHoja();
    void ventanaDeProgreso();
    void exportarDesdeElMenu();
    // Last: it runs the application's event loop to its end.
    void elProgramaTerminaConLaPrincipal();
};

// Round steps that cover the range, dates on calendar boundaries as fine as the room allows.
void TestProgreso::marcasDeEjes() {
    QCOMPARE(MarcasEje(62, 98, 6), (QList<double>{60, 70, 80, 90, 100}));
    QCOMPARE(MarcasEje(0, 5250, 5), (QList<double>{0, 2000, 4000, 6000}));
    QCOMPARE(MarcasEje(80, 80, 5), (QList<double>{76, 78, 80, 82, 84}));
    QCOMPARE(MarcasEje(0, 0, 5), (QList<double>{0, 0.25, 0.5, 0.75, 1}));
    for (const auto& [a, b, n] : {std::tuple{0.3, 0.7, 3}, {12.5, 1e6, 7}, {99, 101, 2}}) {
        const QList<double> m = MarcasEje(a, b, n);
        QVERIFY2(m.size() >= 2 && m.size() <= n && m.first() <= a && m.last() >= b,
                 qPrintable(QString::number(a) + ".." + QString::number(b)));
    }
    const QDate d(2023, 1, 1);
    QCOMPARE(MarcasFechas(d, d.addDays(3), 10).size(), 4);                  // every day
    QCOMPARE(MarcasFechas(d, d.addDays(40), 6).first(), QDate(2023, 1, 2)); // Mondays
    QCOMPARE(MarcasFechas(QDate(2022, 11, 20), QDate(2023, 12, 1), 5),
             (QList<QDate>{QDate(2023, 1, 1), QDate(2023, 4, 1), QDate(2023, 7, 1),
                           QDate(2023, 10, 1)}));
    const QList<QDate> anios = MarcasFechas(QDate(2014, 3, 3), QDate(2024, 3, 2), 6);
    QCOMPARE(anios, (QList<QDate>{QDate(2016, 1, 1), QDate(2018, 1, 1), QDate(2020, 1, 1),
                                  QDate(2022, 1, 1), QDate(2024, 1, 1)}));
    QCOMPARE(TextoNumero(82.5), QString("82,5"));
    QCOMPARE(TextoNumero(99.16666), QString("99,2"));
    QCOMPARE(TextoNumero(5250), QString("5250"));
}

// The chart draws, and tells the day under the pointer, whatever the days hold.
void TestProgreso::dibujarCasosRaros() {
    auto dia = [](int d, double maximo, double unoRM, double volumen, bool record = false) {
        return TDiaProgreso{QDate(2023, 1, 1).addDays(d), maximo, unoRM, volumen, record};
    };
    const QList<QList<TDiaProgreso>> casos = {
        {},
        {dia(0, 80, 90, 800, true)},
        {dia(0, -1, -1, -1), dia(3, -1, -1, -1)},   // nothing numeric
        {dia(0, -1, -1, 500), dia(1, -1, -1, 700)}, // volume only
        {dia(0, 1e200, 1e201, -1, true), dia(1, 0, -1, 0)},
        {dia(0, 60, -1, -1, true), dia(36500, 61, -1, -1, true)}, // a century apart
    };
    for (const QList<TDiaProgreso>& datos : casos) {
        TGraficoProgreso g;
        g.resize(420, 260);
        g.FijarDatos(datos);
        QVERIFY(!g.grab().isNull());
        QMouseEvent mover(QEvent::MouseMove, QPointF(200, 100), QPointF(200, 100), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&g, &mover);
        QCOMPARE(g.Resaltado() >= 0, !datos.isEmpty());
        QVERIFY(!g.grab().isNull()); // with the box
    }
    QCOMPARE(MarcasEje(0, qInf(), 5), (QList<double>{0, 1}));
}

// A fixture of a few days of one user: spellings, decimal commas, "kg", reps past 12, another
// user with heavier weights, a file too large to read.
static void fixture(Entorno& e) {
    e.usuarios("Ana\r\nLuis\r\n");
    e.escribir("20230101Ana.kvr",
               Entorno::rutina({Entorno::linea({"Sentadilla", "4", "10", "60", "70", "80"}),
                                Entorno::linea({"Press banca", "3", "5", "50"})}));
    e.escribir(
        "20230102Ana.kvr",
        Entorno::rutina({Entorno::linea({"Sentadilla", "3", "3", "90"}),
                         Entorno::linea({"Press banca", "3", "5", "52,5"}), Entorno::linea({})}));
    e.escribir("20230105Ana.kvr",
               Entorno::rutina({Entorno::linea({"sentadilla", "3", "5", "82,5", "85kg"})}));
    e.escribir("20230110Ana.kvr",
               Entorno::rutina({Entorno::linea({"SENTADILLA", "5", "15", "70"})}));
    e.escribir("20230103Luis.kvr",
               Entorno::rutina({Entorno::linea({"Sentadilla", "1", "1", "200"})}));
    e.escribir("20230104Ana.kvr", QByteArray(kTamMaximoRutina + 1, 'x'));
}

// Opens the sheet's menu on a cell as a right click does, and hands the open menu to `elegir`,
// which picks an entry (or none) and closes it.
static void menuEn(Entorno& e, int fila, int col, const std::function<void(QMenu*)>& elegir) {
    QWidget* vista = e.w->Rutina->viewport();
    const QPoint pos = e.w->Rutina->visualRect(e.celda(fila, col)).center();
    bool visto = false;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        visto = true;
        elegir(menu);
        if (menu->isVisible()) menu->close();
    });
    QContextMenuEvent ev(QContextMenuEvent::Mouse, pos, vista->mapToGlobal(pos));
    QApplication::sendEvent(vista, &ev);
    QVERIFY(visto);
}

static QAction* entrada(QMenu* menu, const QString& inicio) {
    for (QAction* a : menu->actions())
        if (a->text().startsWith(inicio)) return a;
    return nullptr;
}

static void elegirEntrada(QMenu* menu, const QString& inicio) {
    QAction* a = entrada(menu, inicio);
    QVERIFY(a && a->isEnabled());
    menu->setActiveAction(a);
    QTest::keyClick(menu, Qt::Key_Return);
}

static QList<TVentanaProgreso*> ventanas(TMain& w) {
    return w.findChildren<TVentanaProgreso*>(Qt::FindDirectChildrenOnly);
}

// A body-weight exercise is charted by its reps and load added, not "nothing to draw"; one
// written in pounds is shown in pounds, in the chart, its box and the table.
void TestProgreso::pesoCorporalYLibras() {
    auto dia = [](int d, double maximo, double repesPC, double cargaPC) {
        TDiaProgreso r{QDate(2023, 1, 1).addDays(d), maximo, -1, -1, false};
        r.repesPC = repesPC;
        r.cargaPC = cargaPC;
        return r;
    };
    const QList<TDiaProgreso> corporal{dia(0, -1, 8, qQNaN()), dia(7, -1, 12, 5),
                                       dia(14, -1, 6, -10)};
    TVentanaProgreso v(nullptr, "Dominadas", "Ana", corporal, TMedida::Corporal);
    QCOMPARE(v.Tabla()->columnCount(), 3);
    QCOMPARE(v.Tabla()->horizontalHeaderItem(1)->text(), QString("Más repes"));
    // Newest first; an assisted load keeps its sign.
    QCOMPARE(v.Tabla()->item(0, 1)->text(), QString("6"));
    QCOMPARE(v.Tabla()->item(0, 2)->text(), QString("-10 kg"));
    QCOMPARE(v.Tabla()->item(1, 2)->text(), QString("+5 kg"));
    QCOMPARE(v.Tabla()->item(2, 2)->text(), QString());
    TGraficoProgreso* g = v.Grafico();
    g->resize(420, 260);
    QCOMPARE(g->Linea(corporal[1]), 12.0);
    QCOMPARE(g->Barra(corporal[2]), -10.0);
    QCOMPARE(g->UnidadLinea(), QString("repes"));
    // Something of the line's colour is drawn: the reps were charted.
    auto dibujaLinea = [](TGraficoProgreso* grafico) {
        const QImage im = grafico->grab().toImage();
        for (int y = grafico->height() / 4; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                if (im.pixelColor(x, y) == QColor(31, 90, 166)) return true;
        return false;
    };
    QVERIFY(dibujaLinea(g));
    g->FijarDatos({dia(0, -1, -1, qQNaN())}, TMedida::Corporal);
    QVERIFY(!dibujaLinea(g));

    const double kg = 135 * kKgPorLibra;
    TDiaProgreso libras = dia(0, kg, -1, qQNaN());
    libras.volumen = 3 * 5 * kg;
    TVentanaProgreso w(nullptr, "Press", "Ana", {libras}, TMedida::Libras);
    QCOMPARE(w.Tabla()->horizontalHeaderItem(1)->text(), QString("Peso máximo (lb)"));
    QCOMPARE(w.Tabla()->item(0, 1)->text(), QString("135"));
    QCOMPARE(w.Tabla()->item(0, 3)->text(), QString("2025"));
    QCOMPARE(w.Grafico()->UnidadLinea(), QString("lb"));
}

// The same through the real window: Ctrl+Shift+P on a body-weight row and on a row in pounds.
void TestProgreso::pesoCorporalYLibrasDesdeLaHoja() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20221226Ana.kvr",
               Entorno::rutina({Entorno::linea({"Dominadas", "3", "8", "PC", "PC+5"}),
                                Entorno::linea({"Press", "3", "5", "135lb", "135lb"})}));
    e.escribir("20230102Ana.kvr", Entorno::rutina({Entorno::linea({"Dominadas", "3", "12", "PC"}),
                                                   Entorno::linea({"Press", "3", "5", "140lb"})}));
    TMain& w = e.abrir();
    e.clicCelda(0, 0);
    QTest::keyClick(w.Rutina, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(ventanas(w).size(), 1);
    TVentanaProgreso* v = ventanas(w)[0];
    QCOMPARE(v->Grafico()->Medida(), TMedida::Corporal);
    QCOMPARE(v->Tabla()->horizontalHeaderItem(1)->text(), QString("Más repes"));
    QCOMPARE(v->Tabla()->item(0, 1)->text(), QString("12"));
    QCOMPARE(v->Tabla()->item(1, 2)->text(), QString("+5 kg"));
    w.activateWindow();
    QTRY_VERIFY(w.isActiveWindow());
    e.clicCelda(1, 0);
    QTest::keyClick(w.Rutina, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(ventanas(w).size(), 2);
    v = ventanas(w)[1];
    QCOMPARE(v->Tabla()->horizontalHeaderItem(1)->text(), QString("Peso máximo (lb)"));
    QCOMPARE(v->Tabla()->item(0, 1)->text(), QString("140"));
    QVERIFY(e.errores.isEmpty());
}

void TestProgreso::ventanaDeProgreso() {
    Entorno e;
    fixture(e);
    TMain& w = e.abrir();
    QTRY_COMPARE(e.avisos.size(), 1); // the history names the bad file once
    QVERIFY(e.avisos[0].contains("20230104Ana.kvr"));

    // The menu on a weight cell of the first row: the exercise by name, the shortcuts shown.
    QStringList textos;
    menuEn(e, 0, 4, [&](QMenu* menu) {
        for (QAction* a : menu->actions())
            textos << a->text() + " | " + a->shortcut().toString();
        elegirEntrada(menu, "Progreso de Sentadilla");
    });
    QCOMPARE(textos, (QStringList{"Progreso de Sentadilla | Ctrl+Shift+P",
                                  "Exportar historial… | Ctrl+Shift+E",
                                  "Importar historial… | Ctrl+Shift+O"}));
    QCOMPARE(w.Rutina->currentIndex(), e.celda(0, 4));
    QCOMPARE(ventanas(w).size(), 1);
    TVentanaProgreso* v = ventanas(w)[0];
    QVERIFY(v->isWindow() && v->isVisible());
    QCOMPARE(v->windowTitle(), QString::fromUtf8("Progreso de Sentadilla — Ana"));

    // The series, from the chart's own data: every spelling, Ana's days only, oldest first.
    struct Esperado {
        QDate dia;
        double maximo, unoRM, volumen;
        bool record;
    };
    const QList<Esperado> esperados = {
        {QDate(2023, 1, 1), 80, 80 * (1 + 10 / 30.0), 4 * 10 * 70, true},
        {QDate(2023, 1, 2), 90, 90 * 1.1, 3 * 3 * 90, true},
        {QDate(2023, 1, 5), 85, 85 * (1 + 5 / 30.0), 3 * 5 * (82.5 + 85) / 2, false},
        {QDate(2023, 1, 10), 70, -1, 5 * 15 * 70, false},
    };
    const QList<TDiaProgreso>& datos = v->Grafico()->Datos();
    QCOMPARE(datos.size(), esperados.size());
    for (int i = 0; i < datos.size(); ++i) {
        QCOMPARE(datos[i].dia, esperados[i].dia);
        QCOMPARE(datos[i].maximo, esperados[i].maximo);
        QCOMPARE(datos[i].unoRM, esperados[i].unoRM);
        QCOMPARE(datos[i].volumen, esperados[i].volumen);
        QCOMPARE(datos[i].record, esperados[i].record);
    }
    // Real dates: the gaps between days are to scale.
    TGraficoProgreso* g = v->Grafico();
    QVERIFY(QTest::qWaitForWindowExposed(v));
    const double dia = (g->XDe(3) - g->XDe(0)) / 9;
    QVERIFY(dia > 0);
    QCOMPARE(qRound(g->XDe(2) - g->XDe(1)), qRound(3 * dia));

    // The table: the same days, newest first.
    QTableWidget* t = v->Tabla();
    QCOMPARE(t->rowCount(), 4);
    QStringList filas;
    for (int i = 0; i < t->rowCount(); ++i) {
        QStringList c;
        for (int j = 0; j < t->columnCount(); ++j)
            c << t->item(i, j)->text();
        filas << c.join(" | ");
    }
    QCOMPARE(filas, (QStringList{"10/01/2023 | 70 |  | 5250", "05/01/2023 | 85 | 99,2 | 1256,3",
                                 "02/01/2023 | 90 | 99 | 810", "01/01/2023 | 80 | 106,7 | 2800"}));
    QVERIFY(t->item(2, 1)->font().bold() && !t->item(1, 1)->font().bold());

    // Hover tells a day, and the table follows; a row of the table, the chart follows.
    // (Sent to the chart: with two windows the offscreen platform moves the pointer over the
    // first one.)
    QCOMPARE(g->Resaltado(), -1);
    QMouseEvent mover(QEvent::MouseMove, QPointF(g->XDe(2) + 1, g->height() / 2.0),
                      g->mapToGlobal(QPointF(g->XDe(2) + 1, g->height() / 2.0)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(g, &mover);
    QCOMPARE(g->Resaltado(), 2);
    QCOMPARE(t->currentRow(), 1);
    t->setCurrentCell(3, 0);
    QCOMPARE(g->Resaltado(), 0);
    // The pointer leaves: no day told, none selected.
    QEvent salir(QEvent::Leave);
    QApplication::sendEvent(g, &salir);
    QCOMPARE(g->Resaltado(), -1);
    QVERIFY(t->selectedItems().isEmpty());

    // A second window from the keyboard on another row; a row without an exercise offers none.
    w.activateWindow(); // as a click on it does
    QTRY_VERIFY(w.isActiveWindow());
    e.clicCelda(1, 2);
    QTest::keyClick(w.Rutina, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(ventanas(w).size(), 2);
    QCOMPARE(ventanas(w)[1]->windowTitle(), QString::fromUtf8("Progreso de Press banca — Ana"));
    QCOMPARE(ventanas(w)[1]->Grafico()->Datos().size(), 2);
    bool desactivada = false;
    menuEn(e, 2, 0, [&](QMenu* menu) {
        QAction* a = entrada(menu, "Progreso");
        desactivada = a && !a->isEnabled();
    });
    QVERIFY(desactivada);
    QCOMPARE(ventanas(w).size(), 2);

    // A save shows at once in the open window of its exercise; the day told stays told.
    w.activateWindow();
    QTRY_VERIFY(w.isActiveWindow());
    QLineEdit* editor = e.editar(0, 3);
    QVERIFY(editor);
    t->selectRow(3);
    editor->selectAll();
    QTest::keyClicks(editor, "95");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(v->Grafico()->Datos()[1].maximo, 95.0);
    QCOMPARE(v->Tabla()->item(2, 1)->text(), QString("95"));
    QCOMPARE(g->Resaltado(), 0);

    // Typed and not stored yet: the shortcut stores it first, and brings the exercise's window
    // up to date rather than opening another.
    editor = e.editar(0, 3);
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "97");
    QTest::keyClick(editor, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(e.valor(0, 3), QString("97"));
    QCOMPARE(ventanas(w).size(), 2);
    QCOMPARE(v->Grafico()->Datos()[1].maximo, 97.0);

    // They go with the main window.
    w.close();
    QTRY_COMPARE(ventanas(w).size(), 0);
    QCOMPARE(e.avisos.size(), 1);
    QVERIFY(e.errores.isEmpty());
}

void TestProgreso::exportarDesdeElMenu() {
    Entorno e;
    fixture(e);
    TMain& w = e.abrir();
    QTRY_COMPARE(e.avisos.size(), 1);
    e.avisos.clear();

    // Cancelled: nothing written.
    menuEn(e, 0, 0, [](QMenu* menu) { elegirEntrada(menu, "Exportar historial…"); });
    const QString filtros = "Libro de Excel (*.xlsx);;CSV (*.csv)";
    QCOMPARE(e.dialogos,
             QStringList{e.home.path() + "/Historial de Ana.xlsx|Exportar historial|" + filtros});
    QVERIFY(QDir(e.home.path()).entryList({"*.csv", "*.xlsx"}).isEmpty());
    // The real dialog, set up with those answers but never shown, opens on that folder with
    // that name, the workbook first.
    QFileDialog dialogo;
    PrepararDialogoGuardar(dialogo, e.home.path() + "/Historial de Ana.xlsx", "Exportar historial",
                           filtros);
    QCOMPARE(QDir(dialogo.directory()).absolutePath(), QDir(e.home.path()).absolutePath());
    QCOMPARE(dialogo.selectedFiles(), QStringList{e.home.path() + "/Historial de Ana.xlsx"});
    QCOMPARE(dialogo.acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialogo.defaultSuffix(), QString("xlsx"));
    QCOMPARE(dialogo.nameFilters(), (QStringList{"Libro de Excel (*.xlsx)", "CSV (*.csv)"}));
    QCOMPARE(dialogo.selectedNameFilter(), QString("Libro de Excel (*.xlsx)"));
    // Shown (not waited on), it stays on that folder with the name alone in its field.
    dialogo.show();
    QApplication::processEvents();
    auto* nombre = dialogo.findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(nombre);
    QCOMPARE(nombre->text(), QString("Historial de Ana.xlsx"));
    QCOMPARE(QDir(dialogo.directory()).absolutePath(), QDir(e.home.path()).absolutePath());
    // The CSV chosen in its list of types: the name and the suffix added follow.
    auto* tipos = dialogo.findChild<QComboBox*>("fileTypeCombo");
    QVERIFY(tipos);
    tipos->setFocus();
    QTest::keyClick(tipos, Qt::Key_Down);
    QCOMPARE(dialogo.selectedNameFilter(), QString("CSV (*.csv)"));
    QCOMPARE(nombre->text(), QString("Historial de Ana.csv"));
    QCOMPARE(dialogo.defaultSuffix(), QString("csv"));
    dialogo.close();

    // The workbook by its suffix; a name with no suffix of either is taken as a workbook's.
    for (const QString nombreLibro : {"ana.xlsx", "ana"}) {
        e.destinoElegido = e.home.path() + "/" + nombreLibro;
        menuEn(e, 0, 0, [](QMenu* menu) { elegirEntrada(menu, "Exportar historial…"); });
        QFile libro(e.home.path() + "/ana.xlsx");
        QVERIFY(libro.open(QIODevice::ReadOnly));
        QCOMPARE(libro.read(2), QByteArray("PK"));
        libro.close();
        QVERIFY(libro.remove());
        e.avisos.clear();
    }
    QVERIFY(e.errores.isEmpty());

    // A value being typed is committed first and exported; the unreadable day is named.
    const QString destino = e.home.path() + "/ana.csv";
    e.destinoElegido = destino;
    w.activateWindow(); // the window manager does it when the menu goes
    QTRY_VERIFY(w.isActiveWindow());
    QLineEdit* editor = e.editar(1, 5);
    QVERIFY(editor);
    QTest::keyClicks(editor, "7,5");
    QTest::keyClick(editor, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(e.valor(1, 5), QString("7,5"));
    QFile f(destino);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray csv = f.readAll();
    QCOMPARE(csv, CsvDeUsuario(e.datos, "Ana", nullptr));
    QVERIFY(csv.contains("\r\n2023-01-02,Ana,Press banca,3,5,3,7.5,\"7,5\",0,2,5,,0,kg,7.5,,\r\n"));
    QCOMPARE(e.avisos.size(), 1);
    QVERIFY(e.avisos[0].contains("20230104Ana.kvr"));

    // A target that cannot be written: one error naming it, nothing else changed.
    e.destinoElegido = e.home.path() + "/no/existe.csv";
    menuEn(e, 0, 0, [](QMenu* menu) { elegirEntrada(menu, "Exportar historial…"); });
    QCOMPARE(e.errores.size(), 1);
    QVERIFY2(e.errores[0].startsWith("No se puede escribir " + e.destinoElegido),
             qPrintable(e.errores[0]));
    QCOMPARE(QDir(e.home.path()).entryList({"*.csv"}), QStringList{"ana.csv"});

    // Never over a routine or the user list: in the data folder, or through a link to it.
    const QByteArray rutina = e.leer("20230101Ana.kvr");
    QVERIFY(QFile::link(e.ruta("20230101Ana.kvr"), e.home.path() + "/enlace.csv"));
    // Two links, the last to a routine not there yet.
    QVERIFY(QFile::link(e.ruta("20230109Ana.kvr"), e.home.path() + "/otro.kvr"));
    QVERIFY(QFile::link(e.home.path() + "/otro.kvr", e.home.path() + "/doble.csv"));
    w.activateWindow();
    QTRY_VERIFY(w.isActiveWindow());
    w.Rutina->setFocus();
    for (const QString& destino :
         {e.ruta("20230101Ana.kvr"), e.ruta("USRS.kvldat"), e.ruta("nuevo.csv"),
          e.home.path() + "/enlace.csv", e.home.path() + "/doble.csv"}) {
        e.errores.clear();
        e.destinoElegido = destino;
        QTest::keyClick(w.Rutina, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e.errores,
                 QStringList{"No se puede exportar dentro de la carpeta de datos: " + destino});
    }
    QCOMPARE(e.leer("20230101Ana.kvr"), rutina);
    QCOMPARE(e.leer("USRS.kvldat"), QByteArray("Ana\r\nLuis\r\n"));
    QVERIFY(!e.existe("nuevo.csv"));
    QVERIFY(!e.existe("20230109Ana.kvr"));
}

// With a progress window open, closing the main window still ends the program.
void TestProgreso::elProgramaTerminaConLaPrincipal() {
    Entorno e;
    fixture(e);
    TMain& w = e.abrir();
    e.clicCelda(0, 0);
    QTest::keyClick(w.Rutina, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(ventanas(w).size(), 1);
    bool porReloj = false;
    QTimer::singleShot(0, &w, [&] { w.close(); });
    QTimer::singleShot(10000, qApp, [&] {
        porReloj = true;
        qApp->exit(1);
    });
    QCOMPARE(qApp->exec(), 0);
    QVERIFY(!porReloj);
}

QTEST_MAIN(TestProgreso)
#include "test_progreso.moc"
