#include "app/ventana_progreso.h"

#include "storage/serie.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QSplitter>
#include <QTableWidget>

#include <algorithm>
#include <cmath>

// The series' colours: kept apart by lightness too, for readers who do not tell hues apart.
static const QColor kColorMaximo(31, 90, 166);
static const QColor kColorUnoRM(214, 110, 30);
static const QColor kColorVolumen(140, 160, 185, 120);
static const QColor kColorRecord(232, 176, 0);

QList<double> MarcasEje(double minimo, double maximo, int cuantas) {
    cuantas = std::max(cuantas, 2);
    if (!std::isfinite(minimo) || !std::isfinite(maximo)) return {0, 1};
    if (!(maximo > minimo)) {
        // One value: a small band around it, not below zero when it is not.
        const double margen = std::max(std::abs(maximo) * 0.05, 1.0);
        minimo = minimo >= 0 ? std::max(0.0, minimo - margen) : minimo - margen;
        maximo += margen;
    }
    double base = std::pow(10.0, std::floor(std::log10((maximo - minimo) / (cuantas - 1))));
    static const double pasos[] = {1, 2, 2.5, 5};
    for (int intento = 0; intento < 40; ++intento, base *= 10)
        for (double k : pasos) {
            const double paso = k * base;
            const double inicio = std::floor(minimo / paso + 1e-9) * paso;
            const double fin = std::ceil(maximo / paso - 1e-9) * paso;
            const int n = int(std::lround((fin - inicio) / paso)) + 1;
            if (n > cuantas) continue;
            QList<double> r;
            for (int i = 0; i < std::max(n, 2); ++i)
                r << inicio + i * paso + 0.0; // + 0.0: no "-0"
            return r;
        }
    return {minimo, maximo};
}

QList<QDate> MarcasFechas(const QDate& desde, const QDate& hasta, int cuantas) {
    if (!desde.isValid() || !hasta.isValid() || hasta < desde) return {};
    cuantas = std::max(cuantas, 1);
    struct Paso {
        int dias, meses;
    };
    static const Paso pasos[] = {{1, 0},  {2, 0},   {7, 0},   {14, 0},  {0, 1},
                                 {0, 2},  {0, 3},   {0, 6},   {0, 12},  {0, 24},
                                 {0, 60}, {0, 120}, {0, 240}, {0, 600}, {0, 1200}};
    for (const Paso& p : pasos) {
        QList<QDate> r;
        if (p.dias) {
            QDate d = desde;
            if (p.dias >= 7) d = d.addDays((8 - d.dayOfWeek()) % 7); // the first Monday
            for (; d <= hasta && r.size() <= cuantas; d = d.addDays(p.dias))
                r << d;
        } else {
            // Month starts on the step's grid (January for years, Jan/Apr/Jul/Oct for quarters).
            qint64 m = qint64(desde.year()) * 12 + desde.month() - 1 + (desde.day() != 1);
            m = (m + p.meses - 1) / p.meses * p.meses;
            for (; r.size() <= cuantas; m += p.meses) {
                const QDate d(int(m / 12), int(m % 12) + 1, 1);
                if (d > hasta) break;
                r << d;
            }
        }
        if (r.size() <= cuantas) return r;
    }
    return {};
}

QString TextoNumero(double valor) {
    QLocale es(QLocale::Spanish, QLocale::Spain);
    es.setNumberOptions(QLocale::OmitGroupSeparator);
    const double redondo = std::round(valor * 10) / 10;
    return es.toString(redondo, 'f', redondo == std::round(redondo) ? 0 : 1);
}

static QString textoFecha(const QDate& dia) {
    return dia.toString(QStringLiteral("dd/MM/yyyy"));
}

TGraficoProgreso::TGraficoProgreso(QWidget* padre) : QWidget(padre) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Gráfico de progreso"));
}

void TGraficoProgreso::FijarDatos(const QList<TDiaProgreso>& datos, TMedida medida) {
    datos_ = datos;
    medida_ = medida;
    resaltado_ = -1;
    update();
}

// A weight in kg as the chart shows it.
static double enUnidad(double kg, TMedida medida) {
    return medida == TMedida::Libras && kg >= 0 ? kg / kKgPorLibra : kg;
}

double TGraficoProgreso::Linea(const TDiaProgreso& d) const {
    return medida_ == TMedida::Corporal ? d.repesPC : enUnidad(d.maximo, medida_);
}

double TGraficoProgreso::Estimado(const TDiaProgreso& d) const {
    return medida_ == TMedida::Corporal ? -1 : enUnidad(d.unoRM, medida_);
}

double TGraficoProgreso::Barra(const TDiaProgreso& d) const {
    if (medida_ == TMedida::Corporal) return d.cargaPC;
    return d.volumen >= 0 ? enUnidad(d.volumen, medida_) : qQNaN();
}

QString TGraficoProgreso::UnidadLinea() const {
    return medida_ == TMedida::Corporal ? QStringLiteral("repes")
           : medida_ == TMedida::Libras ? QStringLiteral("lb")
                                        : QStringLiteral("kg");
}

QString TGraficoProgreso::UnidadBarra() const {
    return medida_ == TMedida::Corporal ? QStringLiteral("Carga añadida, kg")
           : medida_ == TMedida::Libras ? QStringLiteral("Volumen, lb")
                                        : QStringLiteral("Volumen");
}

void TGraficoProgreso::Resaltar(int indice) {
    if (indice < -1 || indice >= datos_.size()) indice = -1;
    if (indice == resaltado_) return;
    resaltado_ = indice;
    update();
    emit resaltadoCambiado(indice);
}

QRectF TGraficoProgreso::area() const {
    // Asked for every point drawn and every pointer move: kept until the size or font changes.
    if (size() == tamArea_) return area_;
    tamArea_ = size();
    const QFontMetrics fm = fontMetrics();
    const double izquierda = fm.horizontalAdvance(QStringLiteral("00000")) + 12;
    const double derecha = fm.horizontalAdvance(QStringLiteral("000000")) + 12;
    const double arriba = fm.height() * 2 + 10;
    const double abajo = fm.height() + 12;
    area_ = QRectF(izquierda, arriba, std::max(1.0, width() - izquierda - derecha),
                   std::max(1.0, height() - arriba - abajo));
    return area_;
}

void TGraficoProgreso::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) tamArea_ = QSize();
    QWidget::changeEvent(e);
}

double TGraficoProgreso::x(const QDate& dia) const {
    const QRectF a = area();
    if (datos_.isEmpty()) return a.center().x();
    const qint64 lapso = datos_.first().dia.daysTo(datos_.last().dia);
    if (lapso == 0) return a.center().x();
    const double margen = std::min(14.0, a.width() / 8);
    return a.left() + margen +
           (a.width() - 2 * margen) * double(datos_.first().dia.daysTo(dia)) / double(lapso);
}

double TGraficoProgreso::XDe(int indice) const {
    return indice >= 0 && indice < datos_.size() ? x(datos_[indice].dia) : -1;
}

static double posicion(const QList<double>& marcas, const QRectF& a, double v) {
    if (marcas.size() < 2) return a.bottom();
    return a.bottom() - a.height() * (v - marcas.first()) / (marcas.last() - marcas.first());
}

double TGraficoProgreso::yPeso(double v) const {
    return posicion(marcasPeso_, area(), v);
}

double TGraficoProgreso::yVolumen(double v) const {
    return posicion(marcasVolumen_, area(), v);
}

void TGraficoProgreso::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm = fontMetrics();
    const QColor tinta = palette().text().color();
    QColor rejilla = tinta;
    rejilla.setAlpha(40);

    double pesoMin = 1e300, pesoMax = -1, barraMin = 0, barraMax = 0;
    bool barras = false;
    for (const TDiaProgreso& d : datos_) {
        for (double v : {Linea(d), Estimado(d)})
            if (v >= 0) {
                pesoMin = std::min(pesoMin, v);
                pesoMax = std::max(pesoMax, v);
            }
        if (const double b = Barra(d); !std::isnan(b)) {
            // Bars stand on zero: an assisted load goes below it.
            barras = true;
            barraMin = std::min(barraMin, b);
            barraMax = std::max(barraMax, b);
        }
    }
    if (pesoMax < 0 && !barras) {
        p.setPen(tinta);
        p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                   QStringLiteral("No hay pesos numéricos que dibujar."));
        return;
    }
    const QRectF a = area();
    const int filas = std::max(2, int(a.height() / 40));
    marcasPeso_ = pesoMax >= 0 ? MarcasEje(pesoMin, pesoMax, filas) : QList<double>();
    marcasVolumen_ = barras ? MarcasEje(barraMin, barraMax, filas) : QList<double>();

    // The grid and the left axis (weights), the right axis (volume).
    const double alto = fm.height();
    for (double t : marcasPeso_) {
        const double y = yPeso(t);
        p.setPen(rejilla);
        p.drawLine(QPointF(a.left(), y), QPointF(a.right(), y));
        p.setPen(tinta);
        p.drawText(QRectF(0, y - alto / 2, a.left() - 6, alto), Qt::AlignRight | Qt::AlignVCenter,
                   TextoNumero(t));
    }
    for (double t : marcasVolumen_) {
        const double y = yVolumen(t);
        if (marcasPeso_.isEmpty()) {
            p.setPen(rejilla);
            p.drawLine(QPointF(a.left(), y), QPointF(a.right(), y));
        }
        p.setPen(tinta);
        p.drawText(QRectF(a.right() + 6, y - alto / 2, width() - a.right() - 6, alto),
                   Qt::AlignLeft | Qt::AlignVCenter, TextoNumero(t));
    }
    p.setPen(tinta);
    if (!marcasPeso_.isEmpty())
        p.drawText(QRectF(0, a.top() - alto - 4, a.left() + 40, alto), Qt::AlignLeft,
                   UnidadLinea());
    if (!marcasVolumen_.isEmpty()) {
        const double ancho = fm.horizontalAdvance(UnidadBarra()) + 4;
        p.drawText(QRectF(width() - ancho - 2, a.top() - alto - 4, ancho, alto), Qt::AlignRight,
                   UnidadBarra());
    }
    p.drawLine(a.bottomLeft(), a.bottomRight());

    // The time axis: real dates, labels as fine as the span allows.
    const int anchoEtiqueta = fm.horizontalAdvance(QStringLiteral("00 sep. 0000")) + 16;
    const QList<QDate> fechas = MarcasFechas(datos_.first().dia, datos_.last().dia,
                                             std::max(1, int(a.width() / anchoEtiqueta)));
    const QLocale es(QLocale::Spanish, QLocale::Spain);
    const bool porDias = fechas.size() > 1 && fechas[0].daysTo(fechas[1]) < 28;
    const bool porAnios = fechas.size() > 1 && fechas[0].daysTo(fechas[1]) > 360;
    for (const QDate& d : fechas) {
        const double xd = x(d);
        p.setPen(tinta);
        p.drawLine(QPointF(xd, a.bottom()), QPointF(xd, a.bottom() + 4));
        const QString etiqueta = porAnios  ? es.toString(d, QStringLiteral("yyyy"))
                                 : porDias ? es.toString(d, QStringLiteral("d MMM"))
                                           : es.toString(d, QStringLiteral("MMM yyyy"));
        p.drawText(QRectF(xd - anchoEtiqueta / 2.0, a.bottom() + 5, anchoEtiqueta, alto),
                   Qt::AlignHCenter | Qt::AlignTop, etiqueta);
    }

    // Volume as bars from zero, on the right axis.
    if (!marcasVolumen_.isEmpty()) {
        const qint64 lapso = std::max<qint64>(1, datos_.first().dia.daysTo(datos_.last().dia));
        const double ancho = std::clamp(a.width() / double(lapso + 1) * 0.6, 2.0, 14.0);
        const double cero = yVolumen(0);
        for (const TDiaProgreso& d : datos_)
            if (const double b = Barra(d); !std::isnan(b)) {
                const double xd = x(d.dia), y = yVolumen(b);
                p.fillRect(QRectF(xd - ancho / 2, std::min(y, cero), ancho, std::abs(cero - y)),
                           kColorVolumen);
            }
    }

    // Weights: the estimate dashed, the heaviest weight solid, each joining the days it has.
    const bool puntos = datos_.size() <= 120;
    auto serie = [&](double (TGraficoProgreso::*campo)(const TDiaProgreso&) const,
                     const QColor& color, Qt::PenStyle estilo) {
        QPainterPath camino;
        bool primero = true;
        for (const TDiaProgreso& d : datos_) {
            const double v = (this->*campo)(d);
            if (v < 0) continue;
            const QPointF q(x(d.dia), yPeso(v));
            if (primero)
                camino.moveTo(q);
            else
                camino.lineTo(q);
            primero = false;
        }
        p.setPen(QPen(color, 2, estilo));
        p.setBrush(Qt::NoBrush);
        p.drawPath(camino);
        if (!puntos) return;
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        for (const TDiaProgreso& d : datos_)
            if ((this->*campo)(d) >= 0)
                p.drawEllipse(QPointF(x(d.dia), yPeso((this->*campo)(d))), 3, 3);
    };
    if (!marcasPeso_.isEmpty()) {
        serie(&TGraficoProgreso::Estimado, kColorUnoRM, Qt::DashLine);
        serie(&TGraficoProgreso::Linea, kColorMaximo, Qt::SolidLine);
        // A new heaviest weight: a triangle above its point.
        p.setPen(QPen(kColorRecord.darker(160), 1));
        p.setBrush(kColorRecord);
        for (const TDiaProgreso& d : datos_)
            if (d.record) {
                const QPointF q(x(d.dia), yPeso(Linea(d)) - 9);
                p.drawPolygon(
                    QPolygonF({q + QPointF(-5, -4), q + QPointF(5, -4), q + QPointF(0, 4)}));
            }
    }

    dibujarLeyenda(p);
    if (resaltado_ >= 0) dibujarCaja(p);
}

void TGraficoProgreso::dibujarLeyenda(QPainter& p) const {
    const QFontMetrics fm = fontMetrics();
    double xl = area().left();
    const double y = 4 + fm.height() / 2.0;
    auto texto = [&](const QString& t) {
        p.setPen(palette().text().color());
        p.drawText(QPointF(xl, y + fm.ascent() / 2.0 - 1), t);
        xl += fm.horizontalAdvance(t) + 16;
    };
    const bool corporal = medida_ == TMedida::Corporal;
    p.setPen(QPen(kColorMaximo, 2));
    p.drawLine(QPointF(xl, y), QPointF(xl + 18, y));
    xl += 22;
    texto(corporal ? QStringLiteral("Más repeticiones") : QStringLiteral("Peso máximo"));
    if (!corporal) {
        p.setPen(QPen(kColorUnoRM, 2, Qt::DashLine));
        p.drawLine(QPointF(xl, y), QPointF(xl + 18, y));
        xl += 22;
        texto(QStringLiteral("1RM estimado"));
    }
    p.fillRect(QRectF(xl + 4, y - 6, 10, 12), kColorVolumen);
    xl += 22;
    texto(corporal ? QStringLiteral("Carga añadida") : QStringLiteral("Volumen"));
    p.setPen(QPen(kColorRecord.darker(160), 1));
    p.setBrush(kColorRecord);
    const QPointF q(xl + 8, y);
    p.drawPolygon(QPolygonF({q + QPointF(-5, -4), q + QPointF(5, -4), q + QPointF(0, 4)}));
    xl += 22;
    texto(QStringLiteral("Nuevo máximo"));
}

void TGraficoProgreso::dibujarCaja(QPainter& p) const {
    const TDiaProgreso& d = datos_[resaltado_];
    const QRectF a = area();
    const double xd = x(d.dia);
    QColor guia = palette().text().color();
    guia.setAlpha(90);
    p.setPen(QPen(guia, 1, Qt::DotLine));
    p.drawLine(QPointF(xd, a.top()), QPointF(xd, a.bottom()));

    QStringList lineas{textoFecha(d.dia)};
    const QString nuevo = d.record ? QStringLiteral(" (nuevo)") : QString();
    if (medida_ == TMedida::Corporal) {
        if (d.repesPC >= 0)
            lineas << QStringLiteral("Más repeticiones: %1").arg(TextoNumero(d.repesPC)) + nuevo;
        if (!std::isnan(d.cargaPC))
            lineas << QStringLiteral("Carga añadida: %1 kg").arg(TextoNumero(d.cargaPC));
    } else {
        const QString u = UnidadLinea();
        if (d.maximo >= 0)
            lineas << QStringLiteral("Peso máximo: %1 %2").arg(TextoNumero(Linea(d)), u) + nuevo;
        if (d.unoRM >= 0)
            lineas << QStringLiteral("1RM estimado: %1 %2").arg(TextoNumero(Estimado(d)), u);
        if (d.volumen >= 0) lineas << QStringLiteral("Volumen: %1").arg(TextoNumero(Barra(d)));
    }
    const QFontMetrics fm = fontMetrics();
    double ancho = 0;
    for (const QString& l : lineas)
        ancho = std::max<double>(ancho, fm.horizontalAdvance(l));
    QRectF caja(0, 0, ancho + 16, fm.height() * lineas.size() + 10);
    caja.moveTopLeft(QPointF(xd + 10, a.top() + 6));
    if (caja.right() > width() - 2) caja.moveRight(xd - 10);
    p.setPen(guia);
    p.setBrush(palette().toolTipBase());
    p.drawRoundedRect(caja, 4, 4);
    p.setPen(palette().toolTipText().color());
    for (int i = 0; i < lineas.size(); ++i)
        p.drawText(QPointF(caja.left() + 8, caja.top() + 5 + fm.ascent() + i * fm.height()),
                   lineas[i]);
}

void TGraficoProgreso::mouseMoveEvent(QMouseEvent* e) {
    const QRectF a = area();
    const QPointF q = e->position();
    if (datos_.isEmpty() || q.x() < a.left() - 10 || q.x() > a.right() + 10) {
        Resaltar(-1);
        return;
    }
    int mejor = 0;
    for (int i = 1; i < datos_.size(); ++i)
        if (std::abs(XDe(i) - q.x()) < std::abs(XDe(mejor) - q.x())) mejor = i;
    Resaltar(mejor);
}

void TGraficoProgreso::leaveEvent(QEvent*) {
    Resaltar(-1);
}

TVentanaProgreso::TVentanaProgreso(QWidget* padre, const QString& ejercicio, const QString& usuario,
                                   const QList<TDiaProgreso>& datos, TMedida medida)
    : QWidget(padre, Qt::Window), ejercicio_(ejercicio), usuario_(usuario) {
    setAttribute(Qt::WA_DeleteOnClose);
    // The program ends when the main window closes, whatever progress windows are open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Progreso de %1 — %2").arg(ejercicio, usuario));
    grafico_ = new TGraficoProgreso;
    grafico_->FijarDatos(datos, medida);
    tabla_ = new QTableWidget(0, 4);
    tabla_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tabla_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tabla_->setSelectionMode(QAbstractItemView::SingleSelection);
    tabla_->verticalHeader()->hide();
    tabla_->setAccessibleName(QStringLiteral("Días de %1, el más reciente primero").arg(ejercicio));
    llenarTabla();
    tabla_->resizeColumnsToContents();
    // The table shows its columns whole; the chart takes the rest.
    int anchoTabla = 2 * tabla_->frameWidth() + tabla_->verticalScrollBar()->sizeHint().width();
    for (int j = 0; j < tabla_->columnCount(); ++j)
        anchoTabla += tabla_->columnWidth(j);
    tabla_->setMinimumWidth(anchoTabla);

    auto* division = new QSplitter(Qt::Horizontal);
    division->addWidget(grafico_);
    division->addWidget(tabla_);
    division->setStretchFactor(0, 3);
    division->setStretchFactor(1, 2);
    auto* capa = new QHBoxLayout(this);
    capa->setContentsMargins(6, 6, 6, 6);
    capa->addWidget(division);
    resize(600 + anchoTabla, 440);

    // The table's row and the chart's box show the same day.
    connect(tabla_, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem*> elegidas = tabla_->selectedItems();
        const int n = int(grafico_->Datos().size());
        grafico_->Resaltar(elegidas.isEmpty() ? -1 : n - 1 - elegidas.first()->row());
    });
    connect(grafico_, &TGraficoProgreso::resaltadoCambiado, this, [this](int i) {
        const QSignalBlocker bloqueo(tabla_);
        if (i < 0)
            tabla_->clearSelection();
        else
            tabla_->selectRow(int(grafico_->Datos().size()) - 1 - i);
    });

    auto* cerrar = new QAction(this);
    cerrar->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence::Close});
    connect(cerrar, &QAction::triggered, this, &QWidget::close);
    addAction(cerrar);
}

void TVentanaProgreso::Actualizar(const QList<TDiaProgreso>& datos, TMedida medida) {
    const QDate dia =
        grafico_->Resaltado() >= 0 ? grafico_->Datos()[grafico_->Resaltado()].dia : QDate();
    const QSignalBlocker bloqueo(tabla_);
    grafico_->FijarDatos(datos, medida);
    tabla_->clearSelection();
    llenarTabla();
    for (int i = 0; i < datos.size(); ++i)
        if (datos[i].dia == dia) grafico_->Resaltar(i);
}

void TVentanaProgreso::llenarTabla() {
    const QList<TDiaProgreso>& datos = grafico_->Datos();
    const bool corporal = grafico_->Medida() == TMedida::Corporal;
    const QString u = grafico_->UnidadLinea();
    // The columns say their unit when it is not kg.
    if (corporal) {
        tabla_->setColumnCount(3);
        tabla_->setHorizontalHeaderLabels({QStringLiteral("Fecha"), QStringLiteral("Más repes"),
                                           QStringLiteral("Carga añadida")});
    } else {
        tabla_->setColumnCount(4);
        const QString sufijo = u == u"kg" ? QString() : QStringLiteral(" (%1)").arg(u);
        tabla_->setHorizontalHeaderLabels(
            {QStringLiteral("Fecha"), QStringLiteral("Peso máximo") + sufijo,
             QStringLiteral("1RM est.") + sufijo, QStringLiteral("Volumen") + sufijo});
    }
    tabla_->setRowCount(int(datos.size()));
    for (int i = 0; i < datos.size(); ++i) {
        const TDiaProgreso& d = datos[datos.size() - 1 - i]; // newest first
        auto celda = [&](int col, double v) {
            auto* item = new QTableWidgetItem(v >= 0 ? TextoNumero(v) : QString());
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            tabla_->setItem(i, col, item);
            return item;
        };
        tabla_->setItem(i, 0, new QTableWidgetItem(textoFecha(d.dia)));
        QTableWidgetItem* maximo = celda(1, grafico_->Linea(d));
        if (d.record) {
            QFont negrita = maximo->font();
            negrita.setBold(true);
            maximo->setFont(negrita);
            maximo->setToolTip(corporal ? QStringLiteral("Nuevo máximo de repeticiones")
                                        : QStringLiteral("Nuevo peso máximo"));
        }
        if (corporal) {
            // An assisted load is negative: shown with its sign, not left out.
            auto* carga = new QTableWidgetItem(
                std::isnan(d.cargaPC) ? QString()
                                      : (d.cargaPC > 0 ? QStringLiteral("+") : QString()) +
                                            TextoNumero(d.cargaPC) + QStringLiteral(" kg"));
            carga->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            tabla_->setItem(i, 2, carga);
        } else {
            celda(2, grafico_->Estimado(d));
            const double b = grafico_->Barra(d);
            celda(3, std::isnan(b) ? -1 : b);
        }
    }
}
