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

TImagen::TImagen(QWidget* padre, const QString& recurso, int lado, qreal grados)
    : TClicable(padre), recurso_(recurso), lado_(lado), grados_(grados) {
    setCursor(Qt::PointingHandCursor);
}

QImage TImagen::imagen() const {
    return QImage(recurso_ + QLatin1String(".png"));
}

QString TImagen::ArchivoPara(int pixeles) const {
    for (int lado : {lado_, 2 * lado_})
        if (lado >= pixeles) return QStringLiteral("%1-%2.png").arg(recurso_).arg(lado);
    return recurso_ + QLatin1String(".png");
}

void TImagen::paintEvent(QPaintEvent*) {
    if (width() <= 0 || height() <= 0) return;
    const qreal escala = devicePixelRatioF();
    // The pictures are square; a box that is not is filled along its shorter side.
    const qreal lado = std::min(width(), height());
    const int pixeles = int(std::lround(lado * escala));
    if (escalada_.width() != pixeles) {
        QImage imagen(ArchivoPara(pixeles));
        // Only an odd ratio or box size scales: the renditions are drawn as they are.
        if (imagen.width() != pixeles)
            imagen = imagen.scaled(pixeles, pixeles, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        escalada_ = QPixmap::fromImage(imagen);
        escalada_.setDevicePixelRatio(escala);
    }
    if (escalada_.isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(width() / 2.0, height() / 2.0);
    p.rotate(grados_);
    p.drawPixmap(QPointF(-lado / 2, -lado / 2), escalada_);
}

TEtiquetaAjustada::TEtiquetaAjustada(const QString& texto, QWidget* padre, int arriba, int abajo,
                                     int izquierda)
    : QLabel(texto, padre), arriba_(arriba), abajo_(abajo), izquierda_(izquierda) {}

QFont TEtiquetaAjustada::FuenteDibujada() const {
    QFont f = font();
    // The text itself and the tallest glyphs it may hold: a name typed later must fit too.
    const QString muestra = text() + QStringLiteral("ÁÉÑÓgjpqy");
    for (int px = f.pixelSize(); px > 6; --px) {
        f.setPixelSize(px);
        // One row spare: at another pixel ratio the glyphs round to other rows.
        if (QFontMetricsF(f).tightBoundingRect(muestra).height() <= abajo_ - arriba_ - 1) break;
    }
    return f;
}

void TEtiquetaAjustada::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFont f = FuenteDibujada();
    p.setFont(f);
    p.setPen(palette().color(QPalette::WindowText));
    const QRectF tinta = QFontMetricsF(f).tightBoundingRect(text() + QStringLiteral("ÁÉÑÓgjpqy"));
    // The top of the tallest glyph on the band's first row; the first letter off the edge.
    const qreal base = arriba_ + 0.5 - tinta.top();
    p.drawText(QPointF(izquierda_ - std::min<qreal>(0, tinta.left()), base), text());
}
