// The sheet's context menu: the progress window of the row's exercise and the CSV export of
// the user's routines.
#include "app/main_form.h"

#include "app/adaptadores_hoja.h"
#include "app/interaccion.h"
#include "app/ventana_importacion.h"
#include "app/ventana_progreso.h"
#include "general/errores.h"
#include "general/general.h"
#include "storage/archivo_es.h"
#include "storage/exportar.h"
#include "storage/importar.h"
#include "storage/libro.h"
#include "storage/sesion.h"

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
    const TRutina& r = sesion_->Rutina();
    const QString ejercicio = ejercicioDeFila(r, Rutina->Row());
    QString nombre = ejercicio.size() > 40 ? ejercicio.left(39) + u'…' : ejercicio;
    nombre.replace(QStringLiteral("&"), QStringLiteral("&&")); // not a mnemonic
    accionProgreso_->setText(ejercicio.isEmpty() ? QStringLiteral("Progreso del ejercicio")
                                                 : QStringLiteral("Progreso de ") + nombre);
    accionProgreso_->setEnabled(!ejercicio.isEmpty() && !r.ruta.isEmpty());
    accionExportar_->setEnabled(!r.ruta.isEmpty());
    accionImportarHistorial_->setEnabled(!r.ruta.isEmpty());
    QMenu menu(Rutina);
    menu.addAction(accionProgreso_);
    menu.addAction(accionExportar_);
    menu.addAction(accionImportarHistorial_);
    const QPoint donde =
        celda.isValid() ? pos : Rutina->visualRect(Rutina->currentIndex()).center();
    menu.exec(Rutina->viewport()->mapToGlobal(donde));
    // The shortcuts work on any row: they look at the row when they run.
    accionProgreso_->setEnabled(true);
    accionExportar_->setEnabled(true);
    accionImportarHistorial_->setEnabled(true);
}

void TMain::abrirProgreso() {
    if (!ConfirmarEditor()) return;
    const PRutina r = sesion_->Version();
    const QString ejercicio = ejercicioDeFila(*r, Rutina->Row());
    if (ejercicio.isEmpty() || r->ruta.isEmpty()) return;
    // The history as the disk has it now: the one kept for the user, with only the files that
    // changed read again.
    QStringList fallidos;
    THistoria historia;
    {
        const TOcupado ocupado;
        historia = sesion_->HistoriaAlDia(r->usuario, &fallidos);
    }
    // One window per exercise of a user: asked again, it comes to the front, brought up to date.
    TMedida medida = TMedida::Kilos;
    const QList<TDiaProgreso> datos = ProgresoDe(historia, ejercicio, &medida);
    TVentanaProgreso* ventana = nullptr;
    for (TVentanaProgreso* v : findChildren<TVentanaProgreso*>(Qt::FindDirectChildrenOnly))
        if (v->Usuario() == r->usuario && PlegarNombre(v->Ejercicio()) == PlegarNombre(ejercicio))
            ventana = v;
    if (ventana)
        ventana->Actualizar(datos, medida);
    else
        ventana = new TVentanaProgreso(this, ejercicio, r->usuario, datos, medida);
    ventana->show();
    ventana->raise();
    ventana->activateWindow();
    avisarFallidos(fallidos);
}

void TMain::actualizarProgresos(const QString& usuario) {
    const THistoria* h = sesion_->Historia(usuario);
    if (!h) return;
    for (TVentanaProgreso* v : findChildren<TVentanaProgreso*>(Qt::FindDirectChildrenOnly))
        if (v->Usuario() == usuario) {
            TMedida medida = TMedida::Kilos;
            const QList<TDiaProgreso> datos = ProgresoDe(*h, v->Ejercicio(), &medida);
            v->Actualizar(datos, medida);
        }
}

void TMain::exportarHistorial() {
    if (!ConfirmarEditor()) return;
    const PRutina r = sesion_->Version();
    if (r->ruta.isEmpty()) return;
    QString destino = Interaccion().elegirDestino(
        QDir::homePath() + QStringLiteral("/Historial de %1.xlsx").arg(r->usuario),
        QStringLiteral("Exportar historial"),
        QStringLiteral("Libro de Excel (*.xlsx);;CSV (*.csv)"));
    if (destino.isEmpty()) return;
    // Refused as chosen, before a suffix is added to it.
    if (const QString motivo = MotivoDestinoCsv(carpeta_principal, destino); !motivo.isEmpty()) {
        Interaccion().error(motivo);
        return;
    }
    // A name with another suffix is taken as the workbook's, which the dialog offers first.
    if (FormatoDeExportacion(destino) == TFormatoExportacion::Ninguno)
        destino += QStringLiteral(".xlsx");
    QStringList fallidos;
    try {
        const TOcupado ocupado;
        if (FormatoDeExportacion(destino) == TFormatoExportacion::Csv)
            ExportarCsv(carpeta_principal, r->usuario, destino, &fallidos);
        else
            ExportarLibro(carpeta_principal, r->usuario, destino, &fallidos);
    } catch (const ErrorKorval& e) {
        // The message names the file as it stands: no full stop after its name.
        Interaccion().error(e.mensaje());
        return;
    }
    if (!fallidos.isEmpty())
        Interaccion().aviso(
            QStringLiteral(
                "El historial se exportó sin estos archivos, que no se pudieron leer: ") +
            fallidos.join(QStringLiteral("; ")));
}

void TMain::importarHistorial() {
    if (!ConfirmarEditor()) return;
    const PRutina r = sesion_->Version();
    if (r->ruta.isEmpty()) return;
    // The folder of the last import of this run: a history often comes in several files.
    const QString archivo = Interaccion().elegirArchivo(
        carpetaImportacion_.isEmpty() ? QDir::homePath() : carpetaImportacion_,
        QStringLiteral("Importar historial (CSV)"), QStringLiteral("*.csv"));
    if (archivo.isEmpty()) return;
    carpetaImportacion_ = QFileInfo(archivo).absolutePath();
    const QString usuario = r->usuario;
    const QString carpeta = carpeta_principal;
    TPlanImportacion plan;
    QByteArray bytes;
    try {
        const TOcupado ocupado;
        bytes = LeerArchivoEntero(
            archivo, nullptr, 512 << 20,
            QStringLiteral("El archivo es demasiado grande para ser un historial"));
        plan = PlanearImportacion(LeerHistorial(bytes, TFormatoHistorial::Auto, false), carpeta,
                                  usuario);
    } catch (const ErrorKorval& e) {
        Interaccion().error(QStringLiteral("No se puede importar %1: %2")
                                .arg(QDir::toNativeSeparators(archivo), e.mensaje()));
        return;
    }
    auto planear = [bytes, carpeta, usuario](bool libras) {
        return PlanearImportacion(LeerHistorial(bytes, TFormatoHistorial::Auto, libras), carpeta,
                                  usuario);
    };
    // The routine shown goes through the session, as one step that Ctrl+Z takes back; the other
    // days through the same save.
    auto escribir = [this, carpeta, usuario](const TPlanDia& d) {
        const PRutina ahora = sesion_->Version();
        if (ahora->usuario == usuario && ahora->dia == d.dia) {
            // Onto the routine as the session holds it now.
            TTabla A = ahora->A;
            TMarcas C = ahora->C;
            const TAnadido anadido = AnadirEntrenos(A, C, d.entrenos);
            if (anadido.noCabe)
                throw ErrorKorval(QStringLiteral("las filas ya no caben: la rutina cambió desde "
                                                 "la vista previa"));
            QString copia;
            if (anadido.cambia && !sesion_->Reemplazar(A, C, &copia))
                throw ErrorKorval(QStringLiteral("otro programa cambió la rutina mientras se "
                                                 "importaba"));
            return;
        }
        ImportarDia(d, carpeta, usuario, Interaccion().ahora(), kEsperaCerrojoVentanaMs);
    };
    // The history of the imported years at once: the line, completion, progress windows.
    auto terminado = [this, usuario](const QList<QDate>& hechos) {
        if (hechos.isEmpty()) return;
        QStringList fallidos;
        sesion_->HistoriaAlDia(usuario, &fallidos);
        avisarFallidos(fallidos);
    };
    auto* vista =
        new TVentanaImportacion(this, archivo, std::move(plan), planear, escribir, terminado);
    vista->open();
}
