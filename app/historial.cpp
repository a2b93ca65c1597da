// The history of the user shown, built off the GUI thread after the first paint: the line with
// the last time and the best of the selected row's exercise, and that cell's tooltip.
#include "app/main_form.h"

#include "app/controles.h"
#include "app/hoja_rutina.h"
#include "app/interaccion.h"
#include "general/general.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QLabel>
#include <QtConcurrent/QtConcurrentRun>

void TMain::construirHistoria() {
    if (!lblHistoria) return; // nothing of it before the first paint
    const PRutina& r = modelo_->Rutina();
    if (r->ruta.isEmpty()) return;
    if (!obra_) {
        obra_ = new QFutureWatcher<TObraHistoria>(this);
        connect(obra_, &QFutureWatcher<TObraHistoria>::finished, this,
                [this] { Protegido([&] { historiaLista(); }); });
    }
    // One build at a time; a request meanwhile builds again once it is done.
    if (obra_->isRunning()) {
        otraObra_ = true;
        return;
    }
    const QString usuario = r->usuario;
    const QString carpeta = carpeta_principal;
    const THistoria previa = historias_.value(usuario);
    // The worker gets copies only, and hands back a value: nothing is shared while it runs.
    obra_->setFuture(
        QtConcurrent::run([carpeta, usuario, previa](QPromise<TObraHistoria>& promesa) {
            TObraHistoria o;
            o.usuario = usuario;
            o.historia = THistoria::Construir(carpeta, usuario, previa, &o.fallidos,
                                              [&promesa] { return promesa.isCanceled(); });
            if (!promesa.isCanceled()) promesa.addResult(o);
        }));
}

void TMain::historiaLista() {
    // A build cancelled by a close hands back nothing.
    if (obra_->isCanceled() || obra_->future().resultCount() == 0) return;
    const TObraHistoria o = obra_->result();
    // Kept for its own user, also when another is shown by now.
    historias_[o.usuario] = o.historia;
    actualizarProgresos(o.usuario);
    if (otraObra_ || o.usuario != modelo_->Rutina()->usuario) {
        otraObra_ = false;
        construirHistoria();
    }
    actualizarLineaHistoria();
    avisarFallidos(o.fallidos);
}

void TMain::avisarFallidos(const QStringList& fallidos) {
    const QString mostrado = QFileInfo(modelo_->Rutina()->ruta).fileName();
    QStringList nuevos;
    for (const QString& f : fallidos)
        if (!fallidosDichos_.contains(f) && !f.startsWith(mostrado + u':')) nuevos << f;
    fallidosDichos_ << fallidos;
    if (!nuevos.isEmpty())
        Interaccion().aviso(QStringLiteral("El historial no incluye estos archivos: ") +
                            nuevos.join(QStringLiteral("; ")));
}

void TMain::historiaGuardada(const TRutina& r) {
    // The day saved, in place; a build under way may have read it before the save.
    auto it = historias_.find(r.usuario);
    if (it != historias_.end()) it->PonerDia(r.dia, r.A, r.C, r.identidad);
    actualizarProgresos(r.usuario);
    if (obra_ && obra_->isRunning()) otraObra_ = true;
    actualizarLineaHistoria();
}

QString TMain::lineaDeFila(int fila) const {
    const PRutina& r = modelo_->Rutina();
    if (fila < 0 || fila >= r->A.size()) return QString();
    const auto it = historias_.constFind(r->usuario);
    if (it == historias_.cend()) return QString();
    return it->Linea(r->A[fila][0], r->dia);
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
    const PRutina& r = modelo_->Rutina();
    if (fila < 0) return;
    const QStringList& celdas = r->A[fila];
    if (celdas[0].trimmed().isEmpty()) return;
    for (int j = 1; j < celdas.size(); ++j)
        if (!celdas[j].isEmpty()) return; // a row already filled in stays as it is
    const auto it = historias_.constFind(r->usuario);
    if (it == historias_.cend()) return;
    const TFilaHistoria* ultima = it->UltimaVez(celdas[0], r->dia);
    if (!ultima) return;
    QStringList nuevas{ultima->series, ultima->repes};
    nuevas << ultima->pesos.mid(0, ColumnCount() - 3);
    modelo_->EscribirBloque(fila, 1, {nuevas});
}
