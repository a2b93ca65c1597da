// The routine sheet: reading and committing cells, files, row moves and colour marks.
#include "app/main_form.h"

#include "app/controles.h"
#include "app/hoja_rutina.h"
#include "app/interaccion.h"
#include "general/general.h"
#include "storage/errores.h"
#include "storage/lista_usuarios.h"
#include "storage/respaldo.h"

#include <QComboBox>
#include <QPainter>

void TMain::CargarArchivo(const QString& arch) {
    if (arch.isEmpty()) {
        // No user is selected: the sheet is empty and belongs to no file (the data folder's own
        // path is not a routine).
        A = TTabla(RowCount(), QStringList(ColumnCount()));
        C = TMarcas(RowCount(), 0);
        respaldoPendiente_.clear();
        return;
    }
    const QString ruta = PathCompleto(arch);
    try {
        const bool completa = CargarRutina(ruta, A, C, RowCount(), ColumnCount());
        respaldoPendiente_ = completa ? QString() : ruta;
    } catch (...) {
        // The sheet does not hold all of this file: before a save replaces it, keep a copy.
        respaldoPendiente_ = estaArchivo(ruta) ? ruta : QString();
        throw;
    }
}

QString TMain::DameArchivo(const QString& arch) {
    return LeerTextoPorLineas(PathCompleto(arch));
}

void TMain::RutinaGetValue(int ACol, int ARow, QString& Value) const {
    if (ARow >= 0 && ARow < A.size() && ACol >= 0 && ACol < A[ARow].size())
        Value = A[ARow][ACol];
    else
        Value.clear();
}

void TMain::comprobarUsuarioElegido() const {
    // With "+" or nothing selected the sheet belongs to no user: a save would create a routine
    // of a user called "+".
    if (Usuario->currentIndex() < 0 || Usuario->currentText() == QLatin1String("+"))
        throw ErrorKorval(QStringLiteral("Elige o crea un usuario antes de escribir"));
}

bool TMain::RutinaSetValue(int ACol, int ARow, const QString& Value) {
    comprobarUsuarioElegido();
    if (ACol != -1 || ARow != -1) {
        const QString motivo = MotivoTextoInvalido(Value);
        if (!motivo.isEmpty()) throw ErrorKorval(motivo);
        if (A.size() != RowCount()) A = TTabla(RowCount(), QStringList(ColumnCount()));
        A[ARow][ACol] = Value;
    }
    const QString name = ArchivoActual();
    const QString ruta = PathCompleto(name);
    if (!respaldoPendiente_.isEmpty() && ruta == respaldoPendiente_) {
        RespaldarArchivo(carpeta_principal, ruta, Interaccion().ahora());
        respaldoPendiente_.clear();
    }
    GuardarRutina(ruta, A, C, RowCount(), ColumnCount());
    return true;
}

void TMain::RutinaDrawColumnCell(QPainter* Canvas, const QRectF& Bounds, int Row) const {
    if (Row < 0 || Row >= C.size() || C[Row] == 0) return;
    Canvas->save();
    Canvas->setOpacity(0.5);
    Canvas->fillRect(Bounds, QColor::fromRgba(quint32(C[Row])));
    Canvas->restore();
}

void TMain::intercambiar_filas(int f1, int f2) {
    TBracket bracket(modelo_);
    if (f1 < 0 || f2 < 0 || f1 >= A.size() || f2 >= A.size()) return;
    for (int j = 0; j < A[f1].size(); ++j)
        std::swap(A[f1][j], A[f2][j]);
}

void TMain::Image1Click() {
    // An open editor lands in the row it was opened on, before the rows move.
    delegado_->CerrarEditor();
    const int r = Rutina->Row();
    if (r == -1 || r == RowCount() - 1) return;
    intercambiar_filas(r, r + 1);
    Rutina->Selected(r + 1);
    Rutina->ScrollToSelectedCell();
    // A move is saved at once, like every other change.
    RutinaSetValue(-1, -1, QString());
}

void TMain::Image2Click() {
    delegado_->CerrarEditor();
    const int r = Rutina->Row();
    if (r == -1 || r == 0) return;
    intercambiar_filas(r, r - 1);
    Rutina->Selected(r - 1);
    Rutina->ScrollToSelectedCell();
    RutinaSetValue(-1, -1, QString());
}

void TMain::Image5Click() {
    const bool v = c1->isHidden();
    for (TRectangulo* c : {c1, c2, c3, c4, c5, c6, c7, c8})
        c->setVisible(v);
}

qint32 TMain::ColorDe(const TRectangulo* muestra) {
    return qint32(muestra->relleno().rgba());
}

void TMain::SetearColor(qint32 c) {
    const int fila = Rutina->Row();
    if (fila == -1) return;
    comprobarUsuarioElegido();
    C[fila] = c;
    RutinaSetValue(-1, -1, QString());
    Rutina->viewport()->update();
}
