#include "app/adaptadores_hoja.h"

#include "app/interaccion.h"
#include "general/errores.h"
#include "general/general.h"
#include "storage/sesion.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStringListModel>
#include <QTimer>

#include <utility>

void DibujarTinte(QPainter* p, const QRectF& r, qint32 marca) {
    if (marca == 0) return;
    p->save();
    p->setOpacity(0.5);
    p->fillRect(r, QColor::fromRgba(quint32(marca)));
    p->restore();
}

TModeloRutina::TModeloRutina(QObject* padre, int filas, int columnas)
    : QAbstractTableModel(padre), filas_(filas), columnas_(columnas) {}

void TModeloRutina::FijarSesion(TSesion* sesion) {
    if (sesion_) sesion_->disconnect(this);
    sesion_ = sesion;
    if (sesion_) {
        connect(sesion_, &TSesion::filasCambiadas, this, &TModeloRutina::filasCambiadas);
        connect(sesion_, &TSesion::rutinaCambiada, this, &TModeloRutina::todoCambio);
    }
    todoCambio();
}

const TRutina& TModeloRutina::Rutina() const {
    static const TRutina vacia;
    return sesion_ ? sesion_->Rutina() : vacia;
}

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
        const TTabla& A = Rutina().A;
        if (!i.isValid() || i.row() >= A.size() || i.column() >= A[i.row()].size())
            return QString();
        return A[i.row()][i.column()];
    }
    case Qt::ToolTipRole:
        if (i.isValid() && i.column() == 0 && ayudaFila_) return ayudaFila_(i.row());
        // How a set is written, where it is typed.
        if (i.isValid() && i.column() >= 3)
            return QStringLiteral("Una serie: 60 · 62,5 · 100x5 · 60@8 · (40) calentamiento · "
                                  "PC, PC+10 · 135lb («1,000» es 1 kg)");
        return {};
    default:
        return {};
    }
}

template <class F> TComprometido TModeloRutina::intentar(F&& f, bool informar) {
    try {
        return f() ? TComprometido::Guardado : TComprometido::Perdido;
    } catch (const ErrorKorval& e) {
        if (informar) emit rechazado(e.mensaje());
    } catch (const std::bad_alloc&) {
        if (informar) emit rechazado(QStringLiteral("Out of memory"));
    }
    return TComprometido::Rechazado;
}

bool TModeloRutina::setData(const QModelIndex& i, const QVariant& valor, int rol) {
    perdido_ = false;
    if (rol != Qt::EditRole || !i.isValid() || !sesion_) return false;
    const TComprometido r = intentar(
        [&] { return sesion_->Escribir(i.row(), i.column(), valor.toString()); }, informar_);
    perdido_ = r == TComprometido::Perdido;
    return r == TComprometido::Guardado;
}

bool TModeloRutina::PegarBloque(int fila, int columna, const QList<QStringList>& filas) {
    if (!sesion_) return false;
    return intentar([&] { return sesion_->EscribirBloque(fila, columna, filas); }, true) ==
           TComprometido::Guardado;
}

TComprometido TModeloRutina::Comprometer(const PRutina& version, int fila, int columna,
                                         const QString& texto, bool informar) {
    if (!sesion_) return TComprometido::Rechazado;
    // The editor's version is still the one shown: through setData. Otherwise (the routine shown
    // was read again or merged behind the editor, or is another one) through its own version.
    if (!version || version == sesion_->Version()) {
        informar_ = informar;
        const bool ok = setData(index(fila, columna), texto, Qt::EditRole);
        informar_ = true;
        return ok         ? TComprometido::Guardado
               : perdido_ ? TComprometido::Perdido
                          : TComprometido::Rechazado;
    }
    return intentar([&] { return sesion_->EscribirEn(version, fila, columna, texto); }, informar);
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
    if (!i.isValid()) return QAbstractTableModel::flags(i);
    return QAbstractTableModel::flags(i) | Qt::ItemIsEditable;
}

void TModeloRutina::todoCambio() {
    // Inside a bracket the outermost end tells the view once.
    if (profundidad_ == 0) emit dataChanged(index(0, 0), index(filas_ - 1, columnas_ - 1));
}

void TModeloRutina::filasCambiadas(int desde, int hasta) {
    if (profundidad_ == 0) emit dataChanged(index(desde, 0), index(hasta, columnas_ - 1));
}

void TModeloRutina::EndUpdate() {
    if (profundidad_ > 0 && --profundidad_ == 0) todoCambio();
}

TEditorCelda::TEditorCelda(QWidget* padre, PRutina r, const QModelIndex& i)
    : QLineEdit(padre), rutina(std::move(r)), indice(i) {
    setFrame(false);
    setTextMargins(0, 0, 0, 0);
}

void TEditorCelda::FijarNombres(std::function<QStringList(const QString&)> nombres) {
    nombres_ = std::move(nombres);
    auto* lista = new QStringListModel(this);
    // The names are chosen here (prefix, case and accents aside, latest first): the popup shows
    // them as they are.
    completador_ = new QCompleter(lista, this);
    completador_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completador_->setWidget(this);
    // After the completer's own filter, so that this one sees the keys first.
    completador_->popup()->installEventFilter(this);
    connect(completador_, qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& nombre) {
                setText(nombre);
                // After the completer has finished with the key that chose it.
                QMetaObject::invokeMethod(this, &TEditorCelda::completado, Qt::QueuedConnection);
            });
    connect(this, &QLineEdit::textEdited, this, [this, lista](const QString& texto) {
        const QStringList nombres = texto.trimmed().isEmpty() ? QStringList() : nombres_(texto);
        lista->setStringList(nombres);
        elegido_ = false;
        if (nombres.isEmpty()) {
            completador_->popup()->hide();
            return;
        }
        completador_->complete();
        // Offered, not chosen: nothing is highlighted until the user moves to a name.
        completador_->popup()->setCurrentIndex(QModelIndex());
        completador_->popup()->selectionModel()->clear();
    });
}

void TEditorCelda::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Paste)) {
        const QString texto = SinFinDeLineaFinal(QGuiApplication::clipboard()->text());
        // A spreadsheet's block fills cells; typed into one it could never be stored.
        if (texto.contains(u'\t') || texto.contains(u'\n') || texto.contains(u'\r'))
            emit bloquePegado(texto);
        else
            insert(texto);
        return;
    }
    QLineEdit::keyPressEvent(e);
}

bool TEditorCelda::eventFilter(QObject* objeto, QEvent* e) {
    if (!completador_ || objeto != completador_->popup() || e->type() != QEvent::KeyPress)
        return QLineEdit::eventFilter(objeto, e);
    auto* tecla = static_cast<QKeyEvent*>(e);
    QAbstractItemView* lista = completador_->popup();
    switch (tecla->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        elegido_ = true;
        return false; // the list moves
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const QModelIndex i = lista->currentIndex();
        if (elegido_ && i.isValid()) setText(i.data().toString());
        lista->hide();
        // Then the key does what it does without the list: through the editor's own filters,
        // where the delegate commits.
        QKeyEvent copia(QEvent::KeyPress, tecla->key(), tecla->modifiers(), tecla->text());
        QCoreApplication::sendEvent(this, &copia);
        return true;
    }
    case Qt::Key_Escape:
        lista->hide();
        return true;
    default:
        return false;
    }
}

TDelegadoRutina::TDelegadoRutina(TModeloRutina* modelo, QObject* padre)
    : QStyledItemDelegate(padre), modelo_(modelo) {}

QWidget* TDelegadoRutina::createEditor(QWidget* padre, const QStyleOptionViewItem&,
                                       const QModelIndex& i) const {
    auto* e =
        new TEditorCelda(padre, modelo_->Sesion() ? modelo_->Sesion()->Version() : nullptr, i);
    abierto_ = e;
    // A block pasted into the editor goes to the sheet from this cell, as the sheet's paste does;
    // what was typed in the cell gives way to the block's first cell.
    connect(e, &TEditorCelda::bloquePegado, this, [this, e](const QString& texto) {
        const QPersistentModelIndex i = e->indice;
        const bool mostrada = !e->rutina || e->rutina->ruta == modelo_->Rutina().ruta;
        const_cast<TDelegadoRutina*>(this)->Descartar();
        if (mostrada && i.isValid())
            modelo_->PegarBloque(i.row(), i.column(), FilasDePegado(texto));
    });
    if (i.column() == 0 && nombres_) {
        e->FijarNombres(nombres_);
        // A name taken from the popup commits the cell, as Enter does.
        auto* yo = const_cast<TDelegadoRutina*>(this);
        connect(e, &TEditorCelda::completado, yo, [yo, e] {
            e->forzar = true;
            if (yo->comprometer(e, true) && yo->abierto_ == e)
                yo->cerrarCon(e, QAbstractItemDelegate::SubmitModelCache);
        });
    }
    return e;
}

void TDelegadoRutina::destroyEditor(QWidget* editor, const QModelIndex& i) const {
    if (abierto_ == editor) abierto_.clear();
    QStyledItemDelegate::destroyEditor(editor, i);
    emit const_cast<TDelegadoRutina*>(this)->editorCerrado();
}

void TDelegadoRutina::setEditorData(QWidget* editor, const QModelIndex& i) const {
    auto* e = static_cast<TEditorCelda*>(editor);
    // Set once, when the editor opens: a redraw of the sheet must not undo what is being typed.
    if (e->abierto) return;
    e->abierto = true;
    e->original = i.data(Qt::EditRole).toString();
    e->setText(e->original);
}

bool TDelegadoRutina::comprometer(TEditorCelda* e, bool informar) const {
    const QString texto = e->text();
    const bool forzar = std::exchange(e->forzar, false);
    // Enter and Tab commit even unchanged text; any other way out only a change.
    if (!forzar && texto == e->original) return true;
    switch (modelo_->Comprometer(e->rutina, e->indice.row(), e->indice.column(), texto, informar)) {
    case TComprometido::Guardado:
        e->original = texto;
        return true;
    case TComprometido::Perdido:
        // Another program moved the row away: the notice quotes the text, which has no place to
        // go here any more. The editor closes on the sheet as the disk has it.
        return true;
    case TComprometido::Rechazado:
        break;
    }
    return false;
}

void TDelegadoRutina::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const {
    // The view commits on its own only when another cell becomes current; the editor closes then
    // whatever the answer, as a click elsewhere does. A refused text opens again where it was
    // typed, so nothing typed is lost.
    auto* e = static_cast<TEditorCelda*>(editor);
    if (!comprometer(e, true)) reabrir(e);
}

void TDelegadoRutina::reabrir(TEditorCelda* e) const {
    auto* vista = qobject_cast<QAbstractItemView*>(parent());
    if (!vista) return;
    const QPersistentModelIndex indice = e->indice;
    const QString texto = e->text();
    const QString ruta = e->rutina ? e->rutina->ruta : QString();
    QTimer::singleShot(0, vista, [this, vista, indice, texto, ruta] {
        // Only while that routine is still the one shown and nothing else is being typed.
        if (!indice.isValid() || abierto_ || modelo_->Rutina().ruta != ruta) return;
        vista->setCurrentIndex(indice);
        vista->edit(indice);
        if (abierto_) abierto_->setText(texto);
    });
}

bool TDelegadoRutina::cerrarCon(TEditorCelda* e, QAbstractItemDelegate::EndEditHint pista) {
    abierto_.clear();
    emit closeEditor(e, pista);
    return true;
}

bool TDelegadoRutina::Confirmar(bool informar) {
    TEditorCelda* e = abierto_;
    if (!e) return true;
    if (!comprometer(e, informar)) {
        // The text stays where it was typed, for the user to mend or escape.
        if (informar && abierto_) {
            abierto_->activateWindow();
            abierto_->setFocus();
        }
        return false;
    }
    if (abierto_ == e) cerrarCon(e, QAbstractItemDelegate::NoHint);
    return true;
}

void TDelegadoRutina::Descartar() {
    TEditorCelda* e = abierto_;
    if (!e) return;
    e->removeEventFilter(this);
    cerrarCon(e, QAbstractItemDelegate::RevertModelCache);
}

bool TDelegadoRutina::eventFilter(QObject* objeto, QEvent* ev) {
    auto* e = qobject_cast<TEditorCelda*>(objeto);
    if (!e) return QStyledItemDelegate::eventFilter(objeto, ev);
    if (ev->type() == QEvent::KeyPress) {
        QAbstractItemDelegate::EndEditHint pista;
        switch (static_cast<QKeyEvent*>(ev)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            pista = QAbstractItemDelegate::SubmitModelCache;
            break;
        case Qt::Key_Tab:
            pista = QAbstractItemDelegate::EditNextItem;
            break;
        case Qt::Key_Backtab:
            pista = QAbstractItemDelegate::EditPreviousItem;
            break;
        default:
            return QStyledItemDelegate::eventFilter(objeto, ev);
        }
        e->forzar = true;
        // A refused text keeps the editor open with it.
        if (comprometer(e, true) && abierto_ == e) cerrarCon(e, pista);
        return true;
    }
    if (ev->type() == QEvent::FocusOut) {
        // A message box, the calendar or another window took the focus: only the user's own
        // ways out commit or close an editor.
        const auto razon = static_cast<QFocusEvent*>(ev)->reason();
        const QWidget* ahora = QApplication::focusWidget();
        if (razon == Qt::ActiveWindowFocusReason || razon == Qt::PopupFocusReason || !ahora ||
            ahora->window() != e->window())
            return false;
        // Another widget of the window: a storable change is committed and the editor closes.
        // A refused one waits, open, for the action that moved the focus, which reports it.
        if (comprometer(e, false) && abierto_ == e) cerrarCon(e, QAbstractItemDelegate::NoHint);
        return false;
    }
    return QStyledItemDelegate::eventFilter(objeto, ev);
}

void TDelegadoRutina::paint(QPainter* p, const QStyleOptionViewItem& o,
                            const QModelIndex& i) const {
    QStyledItemDelegate::paint(p, o, i);
    const TMarcas& C = modelo_->Rutina().C;
    if (i.row() >= 0 && i.row() < C.size()) DibujarTinte(p, QRectF(o.rect), C[i.row()]);
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

void TVistaRutina::mousePressEvent(QMouseEvent* e) {
    const QModelIndex i = indexAt(e->position().toPoint());
    const bool elegida = e->button() == Qt::LeftButton && i.isValid() && i == currentIndex() &&
                         selectionModel()->isSelected(i) && state() != EditingState;
    demora_.stop();
    QTableView::mousePressEvent(e);
    clicSobreElegida_ = elegida ? QPersistentModelIndex(i) : QPersistentModelIndex();
}

void TVistaRutina::mouseReleaseEvent(QMouseEvent* e) {
    QTableView::mouseReleaseEvent(e);
    if (clicSobreElegida_.isValid() && clicSobreElegida_ == indexAt(e->position().toPoint()))
        demora_.start(QApplication::doubleClickInterval(), this);
}

void TVistaRutina::mouseDoubleClickEvent(QMouseEvent* e) {
    demora_.stop();
    clicSobreElegida_ = QPersistentModelIndex();
    QTableView::mouseDoubleClickEvent(e);
}

void TVistaRutina::keyPressEvent(QKeyEvent* e) {
    // Typing has begun: the click's delayed editor would only get in the way.
    demora_.stop();
    QTableView::keyPressEvent(e);
}

void TVistaRutina::timerEvent(QTimerEvent* e) {
    if (e->timerId() != demora_.timerId()) {
        QTableView::timerEvent(e);
        return;
    }
    demora_.stop();
    if (state() != EditingState && clicSobreElegida_ == currentIndex()) edit(currentIndex());
    clicSobreElegida_ = QPersistentModelIndex();
}
