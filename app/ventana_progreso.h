// The progress window of one exercise: a chart of its heaviest weight, estimated one-rep max and
// volume over real dates, and a table of the same days, newest first.
#pragma once

#include "storage/progreso.h"

#include <QList>
#include <QWidget>

class QTableWidget;

// Axis ticks at round steps (1, 2, 2.5 or 5 times a power of ten) from at or below `minimo` to
// at or above `maximo`, at most `cuantas` of them (and never fewer than two).
QList<double> MarcasEje(double minimo, double maximo, int cuantas);

// Date ticks between two days: days, weeks (Mondays), months, quarters, half years or years,
// the finest step that gives at most `cuantas` ticks.
QList<QDate> MarcasFechas(const QDate& desde, const QDate& hasta, int cuantas);

// A number as the window shows it: a decimal comma, one decimal at most.
QString TextoNumero(double valor);

// The chart, drawn by hand: weights on the left axis, volume on the right as bars, real dates
// below; the days with a new heaviest weight marked; the day under the pointer told in a box.
class TGraficoProgreso : public QWidget {
    Q_OBJECT
  public:
    explicit TGraficoProgreso(QWidget* padre = nullptr);
    void FijarDatos(const QList<TDiaProgreso>& datos, TMedida medida = TMedida::Kilos);
    const QList<TDiaProgreso>& Datos() const { return datos_; }
    TMedida Medida() const { return medida_; }
    // What the chart draws of a day, in the unit it shows: the solid line (the heaviest weight,
    // or by body weight the most reps), the dashed one (the estimate; -1 none) and the bars on
    // the right axis (the volume, or the load added; NaN none).
    double Linea(const TDiaProgreso& d) const;
    double Estimado(const TDiaProgreso& d) const;
    double Barra(const TDiaProgreso& d) const;
    // The unit of the left axis and of the right one.
    QString UnidadLinea() const;
    QString UnidadBarra() const;
    // The day told in the box, as an index into Datos(); -1 when none.
    int Resaltado() const { return resaltado_; }
    void Resaltar(int indice);
    // Where day `indice` is drawn across the widget.
    double XDe(int indice) const;
    QSize sizeHint() const override { return {560, 360}; }
    QSize minimumSizeHint() const override { return {260, 180}; }

  signals:
    void resaltadoCambiado(int indice);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    QRectF area() const;
    double x(const QDate& dia) const;
    double yPeso(double v) const;
    double yVolumen(double v) const;
    void dibujarLeyenda(class QPainter& p) const;
    void dibujarCaja(class QPainter& p) const;

    QList<TDiaProgreso> datos_;
    TMedida medida_ = TMedida::Kilos;
    QList<double> marcasPeso_;    // the left axis
    QList<double> marcasVolumen_; // the right axis
    int resaltado_ = -1;
    mutable QSize tamArea_; // the size area_ was worked out for
    mutable QRectF area_;
};

class TVentanaProgreso : public QWidget {
    Q_OBJECT
  public:
    // A window of its own, owned by `padre`: it closes when `padre` goes.
    TVentanaProgreso(QWidget* padre, const QString& ejercicio, const QString& usuario,
                     const QList<TDiaProgreso>& datos, TMedida medida = TMedida::Kilos);
    TGraficoProgreso* Grafico() const { return grafico_; }
    QTableWidget* Tabla() const { return tabla_; }
    QString Ejercicio() const { return ejercicio_; }
    QString Usuario() const { return usuario_; }
    // Shows the days again (after a save or a change on disk); the day told stays told.
    void Actualizar(const QList<TDiaProgreso>& datos, TMedida medida = TMedida::Kilos);

  private:
    void llenarTabla();
    TGraficoProgreso* grafico_;
    QTableWidget* tabla_;
    QString ejercicio_;
    QString usuario_;
};
