// The history of the user shown, as the session builds it: the line with the last time and the
// best of the selected row's exercise, that cell's tooltip, and filling a row from the last time.
#include "app/main_form.h"

#include "app/adaptadores_hoja.h"
#include "app/controles.h"
#include "app/interaccion.h"
#include "general/general.h"
#include "storage/sesion.h"

#include <QFileInfo>
#include <QLabel>

void TMain::avisarFallidos(const QStringList& fallidos) {
    const QString mostrado = QFileInfo(sesion_->Rutina().ruta).fileName();
    QStringList nuevos;
    for (const QString& f : fallidos)
        if (!fallidosDichos_.contains(f) && !f.startsWith(mostrado + u':')) nuevos << f;
    fallidosDichos_ << fallidos;
    if (!nuevos.isEmpty())
        Interaccion().aviso(QStringLiteral("El historial no incluye estos archivos: ") +
                            nuevos.join(QStringLiteral("; ")));
}

QString TMain::lineaDeFila(int fila) const {
    const TRutina& r = sesion_->Rutina();
    if (fila < 0 || fila >= r.A.size()) return QString();
    const THistoria* h = sesion_->Historia(r.usuario);
    return h ? h->Linea(r.A[fila][0], r.dia) : QString();
}

void TMain::actualizarLineaHistoria() {
    if (!lblHistoria) return;
    lineaHistoria_ = lineaDeFila(Rutina->Row());
    colocarLineaHistoria();
}

void TMain::colocarLineaHistoria() {
    if (!lblHistoria) return;
    // Right of the pictures, or in the lower row when the swatches are hidden and it has more
    // room; shortened with "…" when it does not fit, the whole line then in its tooltip.
    if (lineaHistoria_.isEmpty()) {
        lblHistoria->setText(QString());
        lblHistoria->hide();
        return;
    }
    const int derecha = 416;
    const int ancho = Botonera->width();
    const int necesario = lblHistoria->fontMetrics().horizontalAdvance(lineaHistoria_) + 4;
    const int alLado = ancho - derecha - 4;
    QRect donde;
    if (alLado >= necesario || (!c1->isHidden() && alLado >= 40))
        donde = QRect(derecha, 1, alLado, 49);
    else if (c1->isHidden())
        donde = QRect(4, 50, ancho - 8, 47);
    if (donde.isEmpty() || donde.width() < 40) {
        lblHistoria->hide();
        return;
    }
    const QString texto =
        lblHistoria->fontMetrics().elidedText(lineaHistoria_, Qt::ElideRight, donde.width() - 4);
    lblHistoria->setText(texto);
    lblHistoria->setToolTip(texto == lineaHistoria_ ? QString() : lineaHistoria_);
    lblHistoria->setGeometry(donde);
    lblHistoria->show();
    lblHistoria->raise();
}

void TMain::rellenarFila() {
    const int fila = Rutina->Row();
    const TRutina& r = sesion_->Rutina();
    if (fila < 0) return;
    const QStringList celdas = r.A[fila];
    if (celdas[0].trimmed().isEmpty()) return;
    for (int j = 1; j < celdas.size(); ++j)
        if (!celdas[j].isEmpty()) return; // a row already filled in stays as it is
    const THistoria* h = sesion_->Historia(r.usuario);
    if (!h) return;
    const TFilaHistoria* ultima = h->UltimaVez(celdas[0], r.dia);
    if (!ultima) return;
    QStringList nuevas{ultima->series, ultima->repes};
    nuevas << ultima->pesos.mid(0, ColumnCount() - 3);
    sesion_->EscribirBloque(fila, 1, {nuevas});
}
