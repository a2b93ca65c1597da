// Workflows: repeat a past day today, import a routine file, the rest timer and sharing.
#include "app/main_form.h"

#include "app/adaptadores_hoja.h"
#include "app/controles.h"
#include "app/interaccion.h"
#include "general/general.h"
#include "storage/respaldo.h"
#include "storage/sesion.h"

#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <cmath>

void TMain::importar_a_hoyClick() {
    if (!ConfirmarEditor()) return;
    comprobarUsuarioElegido();
    const QString source = sesion_->Rutina().ruta;
    fijarDia(hoy());
    UsuarioDateChange();
    cargarEnRutinaActual(source);
}

void TMain::btnImportarClick() {
    if (!ConfirmarEditor()) return;
#ifdef Q_OS_WIN
    const QString carpeta = QStringLiteral("C:\\");
#else
    const QString carpeta = QDir::homePath();
#endif
    const QString file = Interaccion().elegirArchivo(
        carpeta, QStringLiteral("KORVAL files (*.kvr)"), QStringLiteral("*.kvr"));
    if (!file.isEmpty()) ImportarArchivos(file);
}

void TMain::ImportarArchivos(const QString& file) {
    if (!ConfirmarEditor()) return;
    comprobarUsuarioElegido();
    cargarEnRutinaActual(file);
}

void TMain::cargarEnRutinaActual(const QString& origen) {
    // The new content is read whole first: when it cannot be, nothing changes.
    // A file the user picked: read as it is, wherever it lies.
    TRutina nueva = TRutina::Vacia(RowCount(), ColumnCount());
    CargarTabla(origen, nueva.A, nueva.C, RowCount(), ColumnCount());
    comprobarUsuarioElegido();
    bool habiaAlgo = false;
    for (const QStringList& fila : sesion_->Rutina().A)
        for (const QString& celda : fila)
            habiaAlgo = habiaAlgo || !celda.isEmpty();
    // The routine about to be replaced is copied first, so it can be brought back.
    QString copia;
    if (!sesion_->Reemplazar(nueva.A, nueva.C, &copia)) return;
    if (habiaAlgo && !copia.isEmpty())
        Interaccion().aviso(
            QStringLiteral("La rutina que había se guardó en %1; Ctrl+Z la recupera")
                .arg(QDir(carpeta_principal).relativeFilePath(copia)));
}

void TMain::Image6Click() {
    if (!ConfirmarEditor()) return;
    const int fila = Rutina->Row();
    const int columna = Rutina->Col();
    if (fila == -1 || columna == -1) return;
    QString text;
    RutinaGetValue(columna, fila, text);
    if (text.isEmpty()) return;
    if (text.back() != u'S' && text.back() != u's') return;
    const QString rest = mid(text, 1, int(text.size()) - 1);
    qint32 n = -1;
    if (!LeerEntero32(rest, n)) n = -1;
    if (n >= 36000 || n <= 0) return;
    pnlTimer->setGeometry(0, 0, width(), height());
    timerActual = n;
    lblTimer->setText(QString::number(n));
    ajustarFuenteTimer();
    cubrirCon(pnlTimer, cerrartimer);
    // The end is fixed on a clock that does not jump; late ticks cannot stretch the rest.
    finCuentaMs_ = Interaccion().relojMs() + qint64(n) * 1000;
    if (!Timer1->isActive()) Timer1->start();
}

void TMain::Timer1Timer() {
    const qint64 quedanMs = finCuentaMs_ - Interaccion().relojMs();
    timerActual = quedanMs > 0 ? qint32((quedanMs + 999) / 1000) : 0;
    lblTimer->setText(QString::number(timerActual));
    ajustarFuenteTimer();
    if (timerActual <= 0) cerrartimerClick();
}

void TMain::cerrartimerClick() {
    Timer1->stop();
    descubrir(pnlTimer);
}

void TMain::ajustarFuenteTimer() {
    // Five digits do not fit at full size: shrink the font rather than clip the count.
    QFont f = lblTimer->font();
    f.setPixelSize(100);
    const int ancho = QFontMetrics(f).horizontalAdvance(lblTimer->text());
    if (ancho > lblTimer->width() && ancho > 0)
        f.setPixelSize(std::max(1, int(std::floor(100.0 * lblTimer->width() / ancho))));
    lblTimer->setFont(f);
}

void TMain::btnCompartirClick() {
    if (!ConfirmarEditor()) return;
    if (!estaArchivo(sesion_->Rutina().ruta)) {
        Interaccion().aviso(QStringLiteral("Rutina vacia"));
        return;
    }
    QGuiApplication::clipboard()->setText(
        ResumenRutina(sesion_->Rutina().dia, sesion_->Rutina().usuario, A()));
    Interaccion().aviso(QStringLiteral("Rutina copiada al portapapeles"));
}
