// The line of the last time and the best in the real window: it follows the selected row, a
// save, a file another program writes, and the user shown.
#include "entorno.h"

class TestLinea : public QObject {
    Q_OBJECT
  private slots:
    void lineaDeLaFilaElegida();
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
    const QString ana = QString::fromUtf8("Última vez 01/01: 4 x 10 · 60 / 70 — Mejor: 70 (01/01)");
    e.clicCelda(0, 0);
    QTRY_COMPARE(l->text(), ana);
    QVERIFY(l->isVisible());
    QCOMPARE(e.celda(0, 0).data(Qt::ToolTipRole).toString(), ana);
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
             QString::fromUtf8("Última vez 01/01: 4 x 10 · 60 / 75 — Mejor: 75 (01/01)"));
    // Another program writes an older day.
    e.escribir("20221230Ana.kvr",
               Entorno::rutina({Entorno::linea({"SENTADILLA", "5", "5", "82,5"})}));
    QTRY_COMPARE(l->text(), QString::fromUtf8("Última vez 01/01: 4 x 10 · 60 / 75 — Mejor: 82,5 "
                                              "(30/12/2022)"));
    // Another user: that user's history.
    w.Usuario->setCurrentIndex(1);
    e.clicCelda(0, 0);
    QTRY_COMPARE(l->text(), QString::fromUtf8("Última vez 20/11/2022: 3 x 3 · 100 — Mejor: 100 "
                                              "(20/11/2022)"));
    // No room beside the pictures: the lower row once the swatches are hidden, else nowhere.
    w.resize(500, 600);
    QApplication::processEvents();
    QVERIFY(l->isHidden());
    QTest::mouseClick(w.Image5, Qt::LeftButton);
    QVERIFY(l->isVisible());
    QVERIFY(l->geometry().top() >= 50);
    QVERIFY(e.errores.isEmpty());
}

QTEST_MAIN(TestLinea)
#include "test_linea.moc"
