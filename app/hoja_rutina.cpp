#include "app/hoja_rutina.h"

#include "app/interaccion.h"
#include "app/main_form.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>

static const char* const kOriginal = "korvalTextoOriginal";
static const char* const kForzar = "korvalForzarCommit";

TModeloRutina::TModeloRutina(TMain* main, int filas, int columnas)
    : QAbstractTableModel(main), main_(main), filas_(filas), columnas_(columnas) {}

int TModeloRutina::rowCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : filas_;
}

int TModeloRutina::columnCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : columnas_;
}

QVariant TModeloRutina::data(const QModelIndex& i, int rol) const {
    switch (rol) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        QString valor;
        main_->RutinaGetValue(i.column(), i.row(), valor);
        return valor;
    }
    default:
        return {};
    }
}

bool TModeloRutina::setData(const QModelIndex& i, const QVariant& valor, int rol) {
    if (rol != Qt::EditRole || !i.isValid()) return false;
    bool guardado = false;
    Protegido([&] { guardado = main_->RutinaSetValue(i.column(), i.row(), valor.toString()); });
    emit dataChanged(index(i.row(), 0), index(i.row(), columnas_ - 1));
    return guardado;
}

QVariant TModeloRutina::headerData(int seccion, Qt::Orientation o, int rol) const {
    static const char* const titulos[] = {"Ejercicio", "Series", "Repes", "1", "2", "3",
                                          "4",         "5",      "6",     "7", "8"};
    if (rol != Qt::DisplayRole) return {};
    if (o == Qt::Horizontal)
        return seccion >= 0 && seccion < 11 ? QString::fromLatin1(titulos[seccion]) : QString();
    return seccion + 1;
}

Qt::ItemFlags TModeloRutina::flags(const QModelIndex& i) const {
    return QAbstractTableModel::flags(i) | Qt::ItemIsEditable;
}

void TModeloRutina::EndUpdate() {
    if (profundidad_ > 0 && --profundidad_ == 0)
        emit dataChanged(index(0, 0), index(filas_ - 1, columnas_ - 1));
}

TDelegadoRutina::TDelegadoRutina(TMain* main, QObject* padre)
    : QStyledItemDelegate(padre), main_(main) {}

QWidget* TDelegadoRutina::createEditor(QWidget* padre, const QStyleOptionViewItem&,
                                       const QModelIndex& i) const {
    auto* e = new QLineEdit(padre);
    e->setFrame(false);
    e->setTextMargins(0, 0, 0, 0);
    abierto_ = e;
    indiceAbierto_ = i;
    return e;
}

void TDelegadoRutina::destroyEditor(QWidget* editor, const QModelIndex& i) const {
    if (abierto_ == editor) abierto_.clear();
    QStyledItemDelegate::destroyEditor(editor, i);
}

void TDelegadoRutina::CerrarEditor() {
    QWidget* editor = abierto_;
    if (!editor) return;
    abierto_.clear();
    if (indiceAbierto_.isValid())
        setModelData(editor, const_cast<QAbstractItemModel*>(indiceAbierto_.model()),
                     indiceAbierto_);
    emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDelegadoRutina::setEditorData(QWidget* editor, const QModelIndex& i) const {
    // Set once, when the editor opens: a redraw of the sheet must not undo what is being typed.
    if (editor->property(kOriginal).isValid()) return;
    const QString texto = i.data(Qt::EditRole).toString();
    editor->setProperty(kOriginal, texto);
    static_cast<QLineEdit*>(editor)->setText(texto);
}

void TDelegadoRutina::setModelData(QWidget* editor, QAbstractItemModel* m,
                                   const QModelIndex& i) const {
    const QString texto = static_cast<QLineEdit*>(editor)->text();
    const bool forzar = editor->property(kForzar).toBool();
    editor->setProperty(kForzar, false);
    // Enter and Tab commit even unchanged text; any other way out only a change.
    if (!forzar && texto == editor->property(kOriginal).toString()) return;
    editor->setProperty(kOriginal, texto);
    m->setData(i, texto, Qt::EditRole);
}

bool TDelegadoRutina::eventFilter(QObject* editor, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(e)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            editor->setProperty(kForzar, true);
            break;
        default:
            break;
        }
    }
    return QStyledItemDelegate::eventFilter(editor, e);
}

void TDelegadoRutina::paint(QPainter* p, const QStyleOptionViewItem& o,
                            const QModelIndex& i) const {
    QStyledItemDelegate::paint(p, o, i);
    main_->RutinaDrawColumnCell(p, QRectF(o.rect), i.row());
}

int TEstiloSinMargen::pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const {
    // The item view puts this margin plus one around cell text; -1 leaves none.
    if (m == PM_FocusFrameHMargin) return -1;
    return QProxyStyle::pixelMetric(m, o, w);
}

TVistaRutina::TVistaRutina(QWidget* padre) : QTableView(padre) {}

int TVistaRutina::Row() const {
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

int TVistaRutina::Col() const {
    return currentIndex().isValid() ? currentIndex().column() : -1;
}

void TVistaRutina::Selected(int fila) {
    if (fila == Row() || !model()) return;
    setCurrentIndex(model()->index(fila, std::max(0, Col())));
}

void TVistaRutina::ScrollToSelectedCell() {
    if (currentIndex().isValid()) scrollTo(currentIndex());
}

void TVistaRutina::focusInEvent(QFocusEvent* e) {
    // On focus the view makes (0,0) current by itself; only the user picks a cell.
    const bool habia = currentIndex().isValid();
    QTableView::focusInEvent(e);
    if (!habia && currentIndex().isValid()) selectionModel()->clearCurrentIndex();
}
