// The sheet's context menu: the progress window of the row's exercise and the CSV export of
// the user's routines.
#include "app/main_form.h"

#include "app/hoja_rutina.h"
#include "app/interaccion.h"
#include "app/progreso.h"
#include "general/general.h"
#include "storage/archivo_es.h"
#include "storage/errores.h"
#include "storage/exportar.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMenu>

// The exercise of the current row, as written; empty when the row has none.
static QString ejercicioDeFila(const TRutina& r, int fila) {
    return fila >= 0 && fila < r.A.size() ? r.A[fila][0].trimmed() : QString();
}

// While it lives, the pointer says the program is busy.
struct TOcupado {
    TOcupado() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TOcupado() { QApplication::restoreOverrideCursor(); }
    TOcupado(const TOcupado&) = delete;
    TOcupado& operator=(const TOcupado&) = delete;
};

void TMain::alMenuHoja(const QPoint& pos) {
    if (!accionProgreso_ || !ConfirmarEditor()) return;
    // The menu is about the cell under the pointer; from the keyboard, about the current one.
    const QModelIndex celda = Rutina->indexAt(pos);
    if (celda.isValid()) Rutina->setCurrentIndex(celda);
    const PRutina& r = modelo_->Rutina();
    const QString ejercicio = ejercicioDeFila(*r, Rutina->Row());
    QString nombre = ejercicio.size() > 40 ? ejercicio.left(39) + u'…' : ejercicio;
    nombre.replace(QStringLiteral("&"), QStringLiteral("&&")); // not a mnemonic
    accionProgreso_->setText(ejercicio.isEmpty() ? QStringLiteral("Progreso del ejercicio")
                                                 : QStringLiteral("Progreso de ") + nombre);
    accionProgreso_->setEnabled(!ejercicio.isEmpty() && !r->ruta.isEmpty());
    accionExportar_->setEnabled(!r->ruta.isEmpty());
    QMenu menu(Rutina);
    menu.addAction(accionProgreso_);
    menu.addAction(accionExportar_);
    const QPoint donde =
        celda.isValid() ? pos : Rutina->visualRect(Rutina->currentIndex()).center();
    menu.exec(Rutina->viewport()->mapToGlobal(donde));
    // The shortcuts work on any row: they look at the row when they run.
    accionProgreso_->setEnabled(true);
    accionExportar_->setEnabled(true);
}

void TMain::abrirProgreso() {
    if (!ConfirmarEditor()) return;
    const PRutina r = modelo_->Rutina();
    const QString ejercicio = ejercicioDeFila(*r, Rutina->Row());
    if (ejercicio.isEmpty() || r->ruta.isEmpty()) return;
    // The history as the disk has it now: the one kept for the user, with only the files that
    // changed read again.
    QStringList fallidos;
    THistoria historia;
    {
        const TOcupado ocupado;
        historia = THistoria::Construir(carpeta_principal, r->usuario, historias_.value(r->usuario),
                                        &fallidos);
    }
    if (!obra_ || !obra_->isRunning()) historias_[r->usuario] = historia;
    // One window per exercise of a user: asked again, it comes to the front, brought up to date.
    const QList<TDiaProgreso> datos = ProgresoDe(historia, ejercicio);
    TVentanaProgreso* ventana = nullptr;
    for (TVentanaProgreso* v : findChildren<TVentanaProgreso*>(Qt::FindDirectChildrenOnly))
        if (v->Usuario() == r->usuario && PlegarNombre(v->Ejercicio()) == PlegarNombre(ejercicio))
            ventana = v;
    if (ventana)
        ventana->Actualizar(datos);
    else
        ventana = new TVentanaProgreso(this, ejercicio, r->usuario, datos);
    ventana->show();
    ventana->raise();
    ventana->activateWindow();
    avisarFallidos(fallidos);
}

void TMain::actualizarProgresos(const QString& usuario) {
    const auto h = historias_.constFind(usuario);
    if (h == historias_.cend()) return;
    for (TVentanaProgreso* v : findChildren<TVentanaProgreso*>(Qt::FindDirectChildrenOnly))
        if (v->Usuario() == usuario) v->Actualizar(ProgresoDe(*h, v->Ejercicio()));
}

void TMain::exportarHistorial() {
    if (!ConfirmarEditor()) return;
    const PRutina r = modelo_->Rutina();
    if (r->ruta.isEmpty()) return;
    const QString destino = Interaccion().elegirDestino(
        QDir::homePath() + QStringLiteral("/Historial de %1.csv").arg(r->usuario),
        QStringLiteral("Exportar historial (CSV)"), QStringLiteral("CSV (*.csv)"));
    if (destino.isEmpty()) return;
    if (const QString motivo = MotivoDestinoCsv(carpeta_principal, destino); !motivo.isEmpty()) {
        Interaccion().error(motivo);
        return;
    }
    QStringList fallidos;
    QByteArray csv;
    {
        const TOcupado ocupado;
        csv = CsvDeUsuario(carpeta_principal, r->usuario, &fallidos);
    }
    try {
        ReemplazarArchivo(QFileInfo(destino).absoluteFilePath(), csv);
    } catch (const ErrorKorval& e) {
        Interaccion().error(QStringLiteral("No se puede escribir %1: %2")
                                .arg(QDir::toNativeSeparators(destino), e.mensaje()));
        return;
    }
    if (!fallidos.isEmpty())
        Interaccion().aviso(
            QStringLiteral(
                "El historial se exportó sin estos archivos, que no se pudieron leer: ") +
            fallidos.join(QStringLiteral("; ")));
}
