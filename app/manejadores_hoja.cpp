// The routine sheet: reading and committing cells, files, row moves and colour marks.
#include "app/main_form.h"

#include "app/adaptadores_hoja.h"
#include "app/controles.h"
#include "app/interaccion.h"
#include "general/errores.h"
#include "general/general.h"
#include "storage/lista_usuarios.h"
#include "storage/respaldo.h"
#include "storage/sesion.h"

#include <QComboBox>
#include <QDateEdit>
#include <QPainter>

void TMain::CargarArchivo(const QString& arch) {
    // No user selected: the sheet is empty and belongs to no file (the data folder's own path is
    // not a routine).
    sesion_->Mostrar(Usuario->currentText(), SelecteDate->date(),
                     Usuario->currentIndex() >= 0 && !arch.isEmpty());
}

QString TMain::DameArchivo(const QString& arch) {
    return LeerTextoPorLineas(PathCompleto(arch));
}

void TMain::RutinaGetValue(int ACol, int ARow, QString& Value) const {
    const TTabla& tabla = A();
    if (ARow >= 0 && ARow < tabla.size() && ACol >= 0 && ACol < tabla[ARow].size())
        Value = tabla[ARow][ACol];
    else
        Value.clear();
}

void TMain::comprobarUsuarioElegido() const {
    // With "+" or nothing selected the sheet belongs to no user: a save would create a routine
    // of a user called "+". The selection that counts is the one the change handler took: an
    // editor is committed before a new choice in the selector takes effect.
    const int i = usuarioVisto_;
    if (i < 0 || i >= Usuario->count() || Usuario->itemText(i) == QLatin1String("+"))
        throw ErrorKorval(QStringLiteral("Elige o crea un usuario antes de escribir"));
}

bool TMain::RutinaSetValue(int ACol, int ARow, const QString& Value) {
    // (-1, -1) saves the whole routine after a row move or a mark.
    if (ACol == -1 && ARow == -1) return sesion_->GuardarAhora();
    return sesion_->Escribir(ARow, ACol, Value);
}

void TMain::RutinaDrawColumnCell(QPainter* Canvas, const QRectF& Bounds, int Row) const {
    if (Row >= 0 && Row < C().size()) DibujarTinte(Canvas, Bounds, C()[Row]);
}

bool TMain::intercambiar_filas(int f1, int f2) {
    // Saved at once, like every other change, and kept for undo.
    return sesion_->Intercambiar(f1, f2);
}

void TMain::Image1Click() {
    // An open editor lands in the row it was opened on, before the rows move.
    if (!ConfirmarEditor()) return;
    const int r = Rutina->Row();
    if (r == -1 || r == RowCount() - 1) return;
    // The selection follows the row only when the move is saved.
    if (!intercambiar_filas(r, r + 1)) return;
    Rutina->Selected(r + 1);
    Rutina->ScrollToSelectedCell();
}

void TMain::Image2Click() {
    if (!ConfirmarEditor()) return;
    const int r = Rutina->Row();
    if (r == -1 || r == 0) return;
    if (!intercambiar_filas(r, r - 1)) return;
    Rutina->Selected(r - 1);
    Rutina->ScrollToSelectedCell();
}

void TMain::Image5Click() {
    const bool v = c1->isHidden();
    for (TRectangulo* c : {c1, c2, c3, c4, c5, c6, c7, c8})
        c->setVisible(v);
    colocarLineaHistoria();
}

qint32 TMain::ColorDe(const TRectangulo* muestra) {
    return qint32(muestra->relleno().rgba());
}

void TMain::SetearColor(qint32 c) {
    if (!ConfirmarEditor()) return;
    const int fila = Rutina->Row();
    if (fila == -1) return;
    sesion_->Marcar(fila, c);
    Rutina->viewport()->update();
}
