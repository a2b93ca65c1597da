#include "app/controles.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

static const char* const kAlinear = "korvalAlinear";
static const char* const kGeometria = "korvalGeometria";

void Colocar(QWidget* w, const QRectF& r) {
    w->setGeometry(r.toRect());
}

void FijarAlineacion(QWidget* hijo, TAlineacion modo, const QRectF& geometria) {
    hijo->setProperty(kAlinear, int(modo));
    hijo->setProperty(kGeometria, geometria);
}

TAlineacion AlineacionDe(const QWidget* hijo) {
    return TAlineacion(hijo->property(kAlinear).toInt());
}

static QList<QWidget*> hijosCon(QWidget* panel, TAlineacion modo) {
    QList<QWidget*> r;
    for (QObject* o : panel->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && !w->isWindow() && AlineacionDe(w) == modo) r.append(w);
    }
    return r;
}

void AlinearHijos(QWidget* panel, const QSizeF& tamDiseno) {
    QRect libre = panel->rect();
    auto ordenar = [&](TAlineacion modo, auto clave) {
        QList<QWidget*> l = hijosCon(panel, modo);
        std::stable_sort(l.begin(), l.end(),
                         [&](QWidget* a, QWidget* b) { return clave(a) < clave(b); });
        return l;
    };
    for (QWidget* w : ordenar(TAlineacion::Top, [](QWidget* w) { return w->y(); })) {
        w->setGeometry(libre.x(), libre.y(), libre.width(), w->height());
        libre.setTop(libre.top() + w->height());
    }
    for (QWidget* w :
         ordenar(TAlineacion::Bottom, [](QWidget* w) { return -w->geometry().bottom(); })) {
        w->setGeometry(libre.x(), libre.bottom() + 1 - w->height(), libre.width(), w->height());
        libre.setBottom(libre.bottom() - w->height());
    }
    for (QWidget* w : ordenar(TAlineacion::Left, [](QWidget* w) { return w->x(); })) {
        w->setGeometry(libre.x(), libre.y(), w->width(), std::max(0, libre.height()));
        libre.setLeft(libre.left() + w->width());
    }
    for (QWidget* w :
         ordenar(TAlineacion::Right, [](QWidget* w) { return -w->geometry().right(); })) {
        w->setGeometry(libre.right() + 1 - w->width(), libre.y(), w->width(),
                       std::max(0, libre.height()));
        libre.setRight(libre.right() - w->width());
    }
    for (QWidget* w : hijosCon(panel, TAlineacion::Center)) {
        QRect r(QPoint(), w->size());
        r.moveLeft(libre.x() + (libre.width() - w->width()) / 2);
        r.moveTop(libre.y() + (libre.height() - w->height()) / 2);
        w->setGeometry(r);
    }
    if (tamDiseno.width() > 0 && tamDiseno.height() > 0) {
        const qreal fx = panel->width() / tamDiseno.width();
        const qreal fy = panel->height() / tamDiseno.height();
        for (QWidget* w : hijosCon(panel, TAlineacion::Scale)) {
            const QRectF g = w->property(kGeometria).toRectF();
            Colocar(w, QRectF(g.x() * fx, g.y() * fy, g.width() * fx, g.height() * fy));
        }
    }
    for (QWidget* w : hijosCon(panel, TAlineacion::Fit)) {
        const QSizeF g = w->property(kGeometria).toRectF().size();
        if (g.isEmpty() || libre.width() <= 0 || libre.height() <= 0) {
            w->setGeometry(libre.x(), libre.y(), 0, 0);
            continue;
        }
        const qreal f = std::min(libre.width() / g.width(), libre.height() / g.height());
        const int ancho = int(std::lround(g.width() * f));
        const int alto = int(std::lround(g.height() * f));
        w->setGeometry(libre.x() + (libre.width() - ancho) / 2,
                       libre.y() + (libre.height() - alto) / 2, ancho, alto);
    }
}

TPanel::TPanel(QWidget* padre, const QRectF& geometria)
    : QFrame(padre), tamDiseno_(geometria.size()) {
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    Colocar(this, geometria);
}

void TPanel::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    AlinearHijos(this, tamDiseno_);
}

TClicable::TClicable(QWidget* padre) : QWidget(padre) {
    setFocusPolicy(Qt::NoFocus);
}

void TClicable::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
}

TRectangulo::TRectangulo(QWidget* padre, const QColor& relleno)
    : TClicable(padre), relleno_(relleno) {}

void TRectangulo::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(relleno_);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

TImagen::TImagen(QWidget* padre, const QString& recurso, qreal grados)
    : TClicable(padre), imagen_(recurso), grados_(grados) {
    setCursor(Qt::PointingHandCursor);
}

void TImagen::paintEvent(QPaintEvent*) {
    if (imagen_.isNull() || width() <= 0 || height() <= 0) return;
    const qreal escala = devicePixelRatioF();
    const QSizeF tam = QSizeF(imagen_.size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    const QSize pixeles = (tam * escala).toSize();
    // Scaling 512 pixels down on every repaint would cost more than the whole sheet.
    if (escalada_.size() != pixeles) {
        escalada_ = QPixmap::fromImage(
            imagen_.scaled(pixeles, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        escalada_.setDevicePixelRatio(escala);
    }
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(width() / 2.0, height() / 2.0);
    p.rotate(grados_);
    p.drawPixmap(QPointF(-tam.width() / 2, -tam.height() / 2), escalada_);
}
