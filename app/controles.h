// Small toolkit adapters: panels that place their aligned children, plain rectangles and
// clickable pictures.
#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QRectF>
#include <QWidget>

enum class TAlineacion { Ninguna, Top, Bottom, Left, Right, Center, Scale, Fit };

// Gives a child its alignment within its panel and records its layout geometry (for Scale).
void FijarAlineacion(QWidget* hijo, TAlineacion modo, const QRectF& geometria);
TAlineacion AlineacionDe(const QWidget* hijo);

// Places a panel's aligned children in the order Top, Bottom, Left, Right, Center, Scale, Fit.
// `tamDiseno` is the panel's size in the layout, the base of Scale.
void AlinearHijos(QWidget* panel, const QSizeF& tamDiseno);

// A container with the standard panel look that re-aligns its children when resized.
class TPanel : public QFrame {
    Q_OBJECT
  public:
    TPanel(QWidget* padre, const QRectF& geometria);
    void Realinear() { AlinearHijos(this, tamDiseno_); }

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    QSizeF tamDiseno_;
};

// A widget that never takes the focus and reports a left click released over it.
class TClicable : public QWidget {
    Q_OBJECT
  public:
    explicit TClicable(QWidget* padre);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// A filled rectangle with a one-unit black outline; reports clicks.
class TRectangulo : public TClicable {
    Q_OBJECT
  public:
    TRectangulo(QWidget* padre, const QColor& relleno);
    QColor relleno() const { return relleno_; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QColor relleno_;
};

// A picture scaled to fit its box with its proportions kept; reports clicks. `recurso` names the
// stored picture without ".png"; renditions "<recurso>-<lado>.png" and "<recurso>-<2 lado>.png"
// are drawn as they are at device pixel ratios 1 and 2. Nothing is decoded before the first
// paint.
class TImagen : public TClicable {
    Q_OBJECT
  public:
    TImagen(QWidget* padre, const QString& recurso, int lado, qreal grados = 0);
    // The stored picture, the source for other ratios.
    QImage imagen() const;
    // The file drawn for `pixeles` device pixels: the smallest rendition at least that large,
    // else the stored picture.
    QString ArchivoPara(int pixeles) const;

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QString recurso_;
    int lado_;
    QPixmap escalada_; // the picture at the size it is drawn, made again only on a resize
    qreal grados_;
};

// A line of text drawn whole inside a band of its box: from `arriba` to `abajo` (box rows, `abajo`
// excluded) and from `izquierda` on. A font too tall for the band with Spanish's tallest glyphs
// (capital accents, descenders) is drawn smaller: nothing of the text is clipped by the box or
// hidden by what lies over its edge.
class TEtiquetaAjustada : public QLabel {
    Q_OBJECT
  public:
    TEtiquetaAjustada(const QString& texto, QWidget* padre, int arriba, int abajo, int izquierda);
    // The font drawn, for the text shown now.
    QFont FuenteDibujada() const;

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    int arriba_, abajo_, izquierda_;
};

// Places a widget at a layout position with floating-point units.
void Colocar(QWidget* w, const QRectF& r);
