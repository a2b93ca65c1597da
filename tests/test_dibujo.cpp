// The title line and the "Repetir hoy" caption drawn whole, with Spanish's tallest glyphs: no
// pixel of them where the sheet's header begins or under the swatches, none on the window's
// first column, and as many rows of ink as the text has. Run at device pixel ratios 1 and 2.
#include "entorno.h"

#include <QPainter>

class TestDibujo : public QObject {
    Q_OBJECT
  private slots:
    void textosEnteros();
};

// The rows and columns where two pictures of the window differ, in window units.
struct Diferencia {
    QRectF caja;
    bool vacia = true;
};

static Diferencia diferencia(const QImage& a, const QImage& b, qreal dpr) {
    Diferencia d;
    int x0 = a.width(), y0 = a.height(), x1 = -1, y1 = -1;
    for (int y = 0; y < a.height() && y < b.height(); ++y)
        for (int x = 0; x < a.width() && x < b.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                x0 = std::min(x0, x), y0 = std::min(y0, y);
                x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    if (x1 < 0) return d;
    d.vacia = false;
    d.caja = QRectF(x0 / dpr, y0 / dpr, (x1 - x0 + 1) / dpr, (y1 - y0 + 1) / dpr);
    return d;
}

static QImage foto(TMain& w) {
    QApplication::processEvents();
    return w.grab().toImage();
}

void TestDibujo::textosEnteros() {
    Entorno e;
    e.usuarios("\xC1ngel\r\n");
    TMain& w = e.abrir();
    w.SelecteDate->setDate(QDate(2022, 12, 31)); // a Saturday before today: the caption shows
    QCOMPARE(w.lblTitulo->text(), QString::fromUtf8("Sabado para Ángel"));
    QVERIFY(w.lbl_copiar_a_hoy->isVisible());
    const qreal dpr = w.devicePixelRatioF();
    struct Caso {
        QLabel* etiqueta;
        qreal arriba, abajo; // the rows of the window the text may use
    };
    const qreal barra = w.Botonera->mapTo(&w, QPoint(0, 0)).y();
    const qreal hoja = w.Rutina->mapTo(&w, QPoint(0, 0)).y();
    for (const Caso& c :
         {Caso{w.lblTitulo, 41, hoja}, Caso{w.lbl_copiar_a_hoy, barra + 41, barra + 50}}) {
        const QString texto = c.etiqueta->text();
        const QImage con = foto(w);
        c.etiqueta->setText(QString());
        const QImage sin = foto(w);
        c.etiqueta->setText(texto);
        const Diferencia d = diferencia(con, sin, dpr);
        QVERIFY2(!d.vacia, qPrintable(texto));
        QVERIFY2(d.caja.top() >= c.arriba && d.caja.bottom() <= c.abajo,
                 qPrintable(QString("%1: ink in rows %2 to %3, room %4 to %5")
                                .arg(texto)
                                .arg(d.caja.top())
                                .arg(d.caja.bottom())
                                .arg(c.arriba)
                                .arg(c.abajo)));
        QVERIFY(d.caja.left() >= 1);
        // As many rows of ink as the text has, give or take the rounding of the glyphs at the
        // pixel ratio: a cut accent or descender takes several rows.
        auto* ajustada = qobject_cast<TEtiquetaAjustada*>(c.etiqueta);
        QVERIFY(ajustada);
        const qreal alto =
            QFontMetricsF(ajustada->FuenteDibujada()).tightBoundingRect(texto).height();
        QVERIFY2(d.caja.height() >= alto - 1,
                 qPrintable(QString("%1: %2 rows of ink, the text has %3")
                                .arg(texto)
                                .arg(d.caja.height())
                                .arg(alto)));
    }
}

QTEST_MAIN(TestDibujo)
#include "test_dibujo.moc"
