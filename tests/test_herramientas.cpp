// Sheet tools: row moves, colour marks and the rest timer, through the real bottom bar.
#include "entorno.h"

#include "app/controles.h"

#include <QPushButton>
#include <QTimer>

// One tick of the window's timer, delivered as the event loop would.
static void tick(TMain& w) {
    QMetaObject::invokeMethod(w.Timer1, "timeout", Qt::DirectConnection);
}

static QList<QByteArray> diezFilas() {
    QList<QByteArray> filas;
    for (int i = 0; i < 10; ++i)
        filas << Entorno::linea({QString("Ejercicio %1").arg(i), QString::number(i)},
                                i == 5 ? -65536 : 0);
    return filas;
}

class TestHerramientas : public QObject {
    Q_OBJECT
  private slots:
    void bajarYSubirFila();
    void movimientosSinEfecto_data();
    void movimientosSinEfecto();
    void moverConEditorAbierto();
    void cadaMuestraGuardaSuValor_data();
    void cadaMuestraGuardaSuValor();
    void paletaYMarcas();
    void duraciones_data();
    void duraciones();
    void cuentaAtras();
    void tickTardioNoAlarga();
    void panelDelTemporizador_data();
    void panelDelTemporizador();
    void cincoDigitosCaben();
};

void TestHerramientas::bajarYSubirFila() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr", Entorno::rutina(diezFilas()));
    TMain& w = e.abrir(QSize(425, 713));
    e.clicCelda(5, 1);
    QTest::mouseClick(w.Image1, Qt::LeftButton);
    QCOMPARE(e.valor(5, 0), QStringLiteral("Ejercicio 6"));
    QCOMPARE(e.valor(6, 0), QStringLiteral("Ejercicio 5"));
    QCOMPARE(w.Rutina->Row(), 6);
    QCOMPARE(w.Rutina->Col(), 1);
    // Marks belong to row positions.
    QCOMPARE(w.C()[5], -65536);
    QCOMPARE(w.C()[6], 0);
    // The move is on disk at once.
    QList<QByteArray> esperado = diezFilas();
    esperado[5] = Entorno::linea({"Ejercicio 6", "6"}, -65536);
    esperado[6] = Entorno::linea({"Ejercicio 5", "5"});
    QCOMPARE(e.leer("20230102Ana.kvr"), Entorno::rutina(esperado));
    QTest::mouseClick(w.Image2, Qt::LeftButton);
    QCOMPARE(w.Rutina->Row(), 5);
    QCOMPARE(e.leer("20230102Ana.kvr"), Entorno::rutina(diezFilas()));
    // Carrying a row far down keeps it in view.
    for (int i = 0; i < 60; ++i)
        QTest::mouseClick(w.Image1, Qt::LeftButton);
    QCOMPARE(w.Rutina->Row(), 65);
    QCOMPARE(e.valor(65, 0), QStringLiteral("Ejercicio 5"));
    QVERIFY(w.Rutina->viewport()->rect().intersects(w.Rutina->visualRect(e.celda(65, 1))));
    QVERIFY(e.errores.isEmpty());
}

void TestHerramientas::movimientosSinEfecto_data() {
    QTest::addColumn<int>("fila");
    QTest::addColumn<bool>("bajar");
    QTest::newRow("row 0 up") << 0 << false;
    QTest::newRow("row 99 down") << 99 << true;
    QTest::newRow("no selection down") << -1 << true;
    QTest::newRow("no selection up") << -1 << false;
}

void TestHerramientas::movimientosSinEfecto() {
    QFETCH(int, fila);
    QFETCH(bool, bajar);
    Entorno e;
    e.usuarios("Ana\r\n");
    QList<QByteArray> filas = diezFilas();
    while (filas.size() < 100)
        filas << Entorno::linea({QString("x%1").arg(filas.size())});
    e.escribir("20230102Ana.kvr", Entorno::rutina(filas));
    TMain& w = e.abrir();
    if (fila >= 0) e.clicCelda(fila, 2);
    const TTabla antes = w.A();
    QFile::remove(e.ruta("20230102Ana.kvr"));
    QTest::mouseClick(bajar ? w.Image1 : w.Image2, Qt::LeftButton);
    QCOMPARE(w.A(), antes);
    QCOMPARE(w.Rutina->Row(), fila);
    QVERIFY(!e.existe("20230102Ana.kvr"));
}

void TestHerramientas::moverConEditorAbierto() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr", Entorno::rutina(diezFilas()));
    TMain& w = e.abrir();
    QLineEdit* ed = e.editar(3, 0);
    ed->selectAll();
    QTest::keyClicks(ed, "Peso muerto");
    QTest::mouseClick(w.Image1, Qt::LeftButton);
    QApplication::processEvents();
    QCOMPARE(e.valor(3, 0), QStringLiteral("Ejercicio 4"));
    QCOMPARE(e.valor(4, 0), QStringLiteral("Peso muerto"));
    QCOMPARE(e.valor(4, 1), QStringLiteral("3"));
    QVERIFY(e.leer("20230102Ana.kvr").contains("\r\nPeso muerto|3|"));
    // A refused text is reported, stays in its open editor, and the rows do not move.
    ed = e.editar(4, 0);
    ed->setText("a|b");
    const QByteArray antes = e.leer("20230102Ana.kvr");
    QTest::mouseClick(w.Image2, Qt::LeftButton);
    QApplication::processEvents();
    QCOMPARE(e.errores.size(), 1);
    QCOMPARE(w.Rutina->Row(), 4);
    QCOMPARE(e.valor(3, 0), QStringLiteral("Ejercicio 4"));
    QCOMPARE(e.valor(4, 0), QStringLiteral("Peso muerto"));
    QCOMPARE(QApplication::focusWidget(), ed);
    QCOMPARE(ed->text(), QStringLiteral("a|b"));
    QCOMPARE(e.leer("20230102Ana.kvr"), antes);
}

void TestHerramientas::cadaMuestraGuardaSuValor_data() {
    QTest::addColumn<int>("muestra");
    QTest::addColumn<int>("valor");
    QTest::newRow("c1 chartreuse") << 1 << -8388864;
    QTest::newRow("c2 aqua") << 2 << -16711681;
    QTest::newRow("c3 white") << 3 << -1;
    QTest::newRow("c4 dim grey") << 4 << -9868951;
    QTest::newRow("c5 red") << 5 << -65536;
    QTest::newRow("c6 orange") << 6 << -23296;
    QTest::newRow("c7 light blue") << 7 << -5383962;
    QTest::newRow("c8 yellow") << 8 << -256;
}

void TestHerramientas::cadaMuestraGuardaSuValor() {
    QFETCH(int, muestra);
    QFETCH(int, valor);
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr", Entorno::rutina(diezFilas()));
    TMain& w = e.abrir();
    TRectangulo* c[] = {w.c1, w.c2, w.c3, w.c4, w.c5, w.c6, w.c7, w.c8};
    e.clicCelda(5, 0); // row 5 is red in the file
    QTest::mouseClick(c[muestra - 1], Qt::LeftButton);
    QCOMPARE(w.C()[5], valor);
    QList<QByteArray> esperado = diezFilas();
    esperado[5] = Entorno::linea({"Ejercicio 5", "5"}, valor);
    QCOMPARE(e.leer("20230102Ana.kvr"), Entorno::rutina(esperado));
    // The same swatch again writes the same content.
    QTest::mouseClick(c[muestra - 1], Qt::LeftButton);
    QCOMPARE(e.leer("20230102Ana.kvr"), Entorno::rutina(esperado));
}

void TestHerramientas::paletaYMarcas() {
    Entorno e;
    e.usuarios("Ana\r\n");
    TMain& w = e.abrir();
    const QList<TRectangulo*> muestras{w.c1, w.c2, w.c3, w.c4, w.c5, w.c6, w.c7, w.c8};
    // The bar clips the lowest 3 units of each swatch.
    for (TRectangulo* c : muestras) {
        QVERIFY(c->isVisible());
        QCOMPARE(c->visibleRegion().boundingRect().height(), 47);
    }
    // No selected cell: a swatch writes nothing.
    QTest::mouseClick(w.c5, Qt::LeftButton);
    QVERIFY(!e.existe("20230102Ana.kvr"));
    QCOMPARE(w.C()[0], 0);
    QTest::mouseClick(w.Image5, Qt::LeftButton);
    for (TRectangulo* c : muestras)
        QVERIFY(c->isHidden());
    QTest::mouseClick(w.Image5, Qt::LeftButton);
    for (TRectangulo* c : muestras)
        QVERIFY(c->isVisible());
    // Red, then white over it; the tint follows.
    e.teclear(2, 0, "MMMMMMMM");
    e.clicCelda(2, 0);
    QTest::mouseClick(w.c5, Qt::LeftButton);
    QApplication::processEvents();
    const QRect r = w.Rutina->visualRect(e.celda(2, 5));
    QImage img = w.Rutina->viewport()->grab().toImage();
    QCOMPARE(img.pixelColor(r.center()).name(), QStringLiteral("#ff8080"));
    QTest::mouseClick(w.c3, Qt::LeftButton);
    QVERIFY(e.leer("20230102Ana.kvr").contains("\r\nMMMMMMMM||||||||||||-1\r\n"));
    img = w.Rutina->viewport()->grab().toImage();
    QCOMPARE(img.pixelColor(r.center()), QColor(Qt::white));
    QVERIFY(e.errores.isEmpty());
}

void TestHerramientas::duraciones_data() {
    QTest::addColumn<QString>("texto");
    QTest::addColumn<int>("inicio"); // -1: nothing starts
    QTest::newRow("90s") << "90s" << 90;
    QTest::newRow("90S") << "90S" << 90;
    QTest::newRow("leading spaces") << "  90s" << 90;
    QTest::newRow("plus") << "+90s" << 90;
    QTest::newRow("space before s") << "90 s" << -1;
    QTest::newRow("1:30s") << "1:30s" << -1;
    QTest::newRow("bare number") << "90" << -1;
    QTest::newRow("lone s") << "s" << -1;
    QTest::newRow("0s") << "0s" << -1;
    QTest::newRow("-5s") << "-5s" << -1;
    QTest::newRow("36000s") << "36000s" << -1;
    QTest::newRow("35999s") << "35999s" << 35999;
    QTest::newRow("1s") << "1s" << 1;
    QTest::newRow("0x1Es") << "0x1Es" << 30;
    QTest::newRow("$1Es") << "$1Es" << 30;
    QTest::newRow("030s") << "030s" << 30;
    QTest::newRow("overflow") << "2147483648s" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("min") << "90m" << -1;
}

void TestHerramientas::duraciones() {
    QFETCH(QString, texto);
    QFETCH(int, inicio);
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr", Entorno::rutina({Entorno::linea({"Remo", "4", "12", texto})}));
    TMain& w = e.abrir();
    e.clicCelda(0, 3);
    QTest::mouseClick(w.Image6, Qt::LeftButton);
    QCOMPARE(w.pnlTimer->isVisible(), inicio > 0);
    QCOMPARE(w.Timer1->isActive(), inicio > 0);
    if (inicio > 0) {
        QCOMPARE(w.timerActual, inicio);
        QCOMPARE(w.lblTimer->text(), QString::number(inicio));
    } else {
        QCOMPARE(w.timerActual, 0);
    }
}

void TestHerramientas::cuentaAtras() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr", Entorno::rutina({Entorno::linea({"Remo", "4", "12", "3s"})}));
    TMain& w = e.abrir();
    // Before any cell is picked the clock does nothing.
    QTest::mouseClick(w.Image6, Qt::LeftButton);
    QVERIFY(w.pnlTimer->isHidden());
    e.clicCelda(0, 3);
    QTest::mouseClick(w.Image6, Qt::LeftButton);
    QCOMPARE(w.Timer1->interval(), 1000);
    QStringList vistos{w.lblTimer->text()};
    while (w.pnlTimer->isVisible()) {
        e.relojMs += 1000;
        tick(w);
        if (w.pnlTimer->isVisible()) vistos << w.lblTimer->text();
    }
    QCOMPARE(vistos, (QStringList{"3", "2", "1"}));
    QVERIFY(!w.Timer1->isActive());
    // "X" closes early and keeps the last count.
    QTest::mouseClick(w.Image6, Qt::LeftButton);
    e.relojMs += 1000;
    tick(w);
    QTest::mouseClick(w.cerrartimer, Qt::LeftButton);
    QVERIFY(w.pnlTimer->isHidden());
    QVERIFY(!w.Timer1->isActive());
    QCOMPARE(w.lblTimer->text(), QStringLiteral("2"));
    QCOMPARE(w.timerActual, 2);
    // Nothing is written by the timer.
    QCOMPARE(e.archivos(), (QStringList{"20230102Ana.kvr", "USRS.kvldat"}));
}

void TestHerramientas::tickTardioNoAlarga() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr", Entorno::rutina({Entorno::linea({"90s"})}));
    TMain& w = e.abrir();
    e.clicCelda(0, 0);
    QTest::mouseClick(w.Image6, Qt::LeftButton);
    e.relojMs += 2500; // the first tick comes 1.5 s late
    tick(w);
    QCOMPARE(w.lblTimer->text(), QStringLiteral("88"));
    e.relojMs += 87000;
    tick(w);
    QCOMPARE(w.lblTimer->text(), QStringLiteral("1"));
    e.relojMs += 600;
    tick(w);
    QVERIFY(w.pnlTimer->isHidden());
}

void TestHerramientas::panelDelTemporizador_data() {
    QTest::addColumn<QSize>("tam");
    QTest::newRow("portrait") << QSize(425, 713);
    QTest::newRow("landscape") << QSize(1101, 500);
}

void TestHerramientas::panelDelTemporizador() {
    QFETCH(QSize, tam);
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr", Entorno::rutina({Entorno::linea({"90s"})}));
    TMain& w = e.abrir(tam);
    e.clicCelda(0, 0);
    QTest::mouseClick(w.Image6, Qt::LeftButton);
    const int W = tam.width(), H = tam.height();
    QCOMPARE(w.pnlTimer->geometry(), QRect(0, 0, W, H));
    QCOMPARE(w.cerrartimer->geometry(), QRect(0, 0, W, 22));
    const int lado = std::min(W, H - 22);
    QCOMPARE(w.Rectangle3->geometry(), QRect((W - lado) / 2, 22 + (H - 22 - lado) / 2, lado, lado));
    QCOMPARE(w.lblTimer->size(), QSize(257, 285));
    QCOMPARE(w.lblTimer->geometry().center().x(), QRect(0, 0, W, H).center().x());
    // The panel is in front: a click on it reaches no picture.
    QWidget* arriba = w.childAt(W / 2, H - 20);
    QVERIFY(arriba == w.pnlTimer || w.pnlTimer->isAncestorOf(arriba));
    // A resize during the countdown leaves the panel as it was.
    w.resize(W + 50, H + 50);
    QApplication::processEvents();
    QCOMPARE(w.pnlTimer->geometry(), QRect(0, 0, W, H));
}

void TestHerramientas::cincoDigitosCaben() {
    Entorno e;
    e.usuarios("Ana\r\n");
    e.escribir("20230102Ana.kvr", Entorno::rutina({Entorno::linea({"35999s"})}));
    TMain& w = e.abrir();
    e.clicCelda(0, 0);
    QTest::mouseClick(w.Image6, Qt::LeftButton);
    QCOMPARE(w.lblTimer->text(), QStringLiteral("35999"));
    QVERIFY(w.lblTimer->font().bold());
    QVERIFY(QFontMetrics(w.lblTimer->font()).horizontalAdvance("35999") <= w.lblTimer->width());
    // Fewer digits go back to full size.
    e.relojMs += 35999000 - 99000;
    tick(w);
    QCOMPARE(w.lblTimer->text(), QStringLiteral("99"));
    QCOMPARE(w.lblTimer->font().pixelSize(), 100);
}

QTEST_MAIN(TestHerramientas)
#include "test_herramientas.moc"
