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
    lblHistoria->setText(lineaDeFila(Rutina->Row()));
    colocarLineaHistoria();
}

void TMain::colocarLineaHistoria() {
    if (!lblHistoria) return;
    // Right of the pictures, or in the lower row when the swatches are hidden; nowhere when
    // neither has room for the whole line.
    const int derecha = 416;
    const int ancho = Botonera->width();
    const int necesario = lblHistoria->fontMetrics().horizontalAdvance(lblHistoria->text()) + 4;
    if (lblHistoria->text().isEmpty()) {
        lblHistoria->hide();
        return;
    }
    if (ancho - derecha - 4 >= necesario)
        lblHistoria->setGeometry(derecha, 1, ancho - derecha - 4, 49);
    else if (c1->isHidden() && ancho - 8 >= necesario)
        lblHistoria->setGeometry(4, 50, ancho - 8, 47);
    else {
        lblHistoria->hide();
        return;
    }
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
