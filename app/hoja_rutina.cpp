#include "app/hoja_rutina.h"

#include "app/interaccion.h"
#include "general/general.h"
#include "storage/errores.h"

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

#include <utility>

void DibujarTinte(QPainter* p, const QRectF& r, qint32 marca) {
    if (marca == 0) return;
    p->save();
    p->setOpacity(0.5);
    p->fillRect(r, QColor::fromRgba(quint32(marca)));
    p->restore();
}

TModeloRutina::TModeloRutina(QObject* padre, int filas, int columnas)
    : QAbstractTableModel(padre),
      rutina_(std::make_shared<TRutina>(TRutina::Vacia(filas, columnas))), filas_(filas),
      columnas_(columnas) {}

int TModeloRutina::rowCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : filas_;
}

int TModeloRutina::columnCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : columnas_;
}

QVariant TModeloRutina::data(const QModelIndex& i, int rol) const {
    switch (rol) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (!i.isValid() || i.row() >= rutina_->A.size() ||
            i.column() >= rutina_->A[i.row()].size())
            return QString();
        return rutina_->A[i.row()][i.column()];
    case Qt::ToolTipRole:
        if (i.isValid() && i.column() == 0 && ayudaFila_) return ayudaFila_(i.row());
        return {};
    default:
        return {};
    }
}

void TModeloRutina::Escribir(const PRutina& r, int fila, int columna, const QString& texto) {
    if (permiso_) permiso_();
    const QString motivo = MotivoTextoInvalido(texto);
    if (!motivo.isEmpty()) throw ErrorKorval(motivo);
    if (!r || fila < 0 || fila >= r->A.size() || columna < 0 || columna >= r->A[fila].size())
        throw ErrorKorval(QStringLiteral("La celda no existe"));
    if (r != rutina_) {
        // An editor left open on a routine no longer shown: its own file takes the edit.
        r->A[fila][columna] = texto;
        guardar(r, TCambio::Celda(fila, columna));
        return;
    }
    const TRutina antes = *r;
    r->A[fila][columna] = texto;
    emit dataChanged(index(fila, 0), index(fila, columnas_ - 1));
    guardarPaso(TCambio::Celda(fila, columna), antes);
}

void TModeloRutina::EscribirBloque(int fila, int columna, const QList<QStringList>& filas) {
    if (permiso_) permiso_();
    QList<std::pair<int, int>> celdas;
    for (int i = 0; i < filas.size(); ++i) {
        if (fila + i >= filas_ || columna + filas[i].size() > columnas_)
            throw ErrorKorval(QStringLiteral("El texto pegado no cabe en la hoja"));
        for (int j = 0; j < filas[i].size(); ++j) {
            const QString motivo = MotivoTextoInvalido(filas[i][j]);
            if (!motivo.isEmpty()) throw ErrorKorval(motivo);
            celdas.append({fila + i, columna + j});
        }
    }
    const TRutina antes = *rutina_;
    for (int i = 0; i < filas.size(); ++i)
        for (int j = 0; j < filas[i].size(); ++j)
            rutina_->A[fila + i][columna + j] = filas[i][j];
    todoCambio();
    guardarPaso(TCambio::Bloque(celdas), antes);
}

void TModeloRutina::Marcar(int fila, qint32 marca) {
    if (permiso_) permiso_();
    const TRutina antes = *rutina_;
    rutina_->C[fila] = marca;
    todoCambio();
    guardarPaso(TCambio::MarcaDe(fila), antes);
}

void TModeloRutina::Intercambiar(int f1, int f2) {
    if (permiso_) permiso_();
    if (f1 < 0 || f2 < 0 || f1 >= filas_ || f2 >= filas_) return;
    const TRutina antes = *rutina_;
    std::swap(rutina_->A[f1], rutina_->A[f2]);
    todoCambio();
    guardarPaso(TCambio::Filas(f1, f2), antes);
}

void TModeloRutina::Reemplazar(const TTabla& A, const TMarcas& C) {
    if (permiso_) permiso_();
    const TRutina antes = *rutina_;
    rutina_->A = A;
    rutina_->C = C;
    todoCambio();
    guardarPaso(TCambio::Entera(), antes);
}

void TModeloRutina::guardarPaso(const TCambio& cambio, const TRutina& antes) {
    const PRutina r = rutina_;
    guardar(r, cambio);
    // A merge on the way may have shown another version meanwhile; the step is kept for the
    // routine it was made in only.
    if (r != rutina_) return;
    pasos_.resize(hechos_);
    pasos_.append({cambio, antes.A, r->A, antes.C, r->C});
    ++hechos_;
}

void TModeloRutina::volverA(const TCambio& cambio, const TTabla& A, const TMarcas& C) {
    if (permiso_) permiso_();
    TRutina& r = *rutina_;
    switch (cambio.tipo) {
    case TCambio::Celdas:
        for (const auto& [f, j] : cambio.celdas)
            r.A[f][j] = A[f][j];
        break;
    case TCambio::Marca:
        r.C[cambio.fila] = C[cambio.fila];
        break;
    case TCambio::Intercambio:
        std::swap(r.A[cambio.fila], r.A[cambio.otraFila]);
        break;
    case TCambio::Todo:
        r.A = A;
        r.C = C;
        break;
    }
    todoCambio();
    guardar(rutina_, cambio);
}

void TModeloRutina::Deshacer() {
    if (!PuedeDeshacer()) return;
    const TPaso& p = pasos_[hechos_ - 1];
    volverA(p.cambio, p.antesA, p.antesC);
    --hechos_;
}

void TModeloRutina::Rehacer() {
    if (!PuedeRehacer()) return;
    const TPaso& p = pasos_[hechos_];
    volverA(p.cambio, p.despuesA, p.despuesC);
    ++hechos_;
}

void TModeloRutina::guardar(const PRutina& r, const TCambio& cambio) {
    const TResultadoGuardado g =
        GuardarRutina(*r, cambio, carpeta_principal, Interaccion().ahora());
    emit guardado(*r);
    // The file had changed elsewhere: the sheet shows what is on disk now.
    if (g.fusionado && r == rutina_) todoCambio();
    if (!g.copia.isEmpty())
        emit aviso(QStringLiteral("Otra copia de esta rutina cambió mientras estaba abierta; su "
                                  "versión está en respaldos"));
}

bool TModeloRutina::EscribirOInformar(const PRutina& r, int fila, int columna,
                                      const QString& texto) {
    try {
        Escribir(r, fila, columna, texto);
        return true;
    } catch (const ErrorKorval& e) {
        emit rechazado(e.mensaje());
    } catch (const std::bad_alloc&) {
        emit rechazado(QStringLiteral("Out of memory"));
    }
    return false;
}

bool TModeloRutina::setData(const QModelIndex& i, const QVariant& valor, int rol) {
    if (rol != Qt::EditRole || !i.isValid()) return false;
    const bool guardado = EscribirOInformar(rutina_, i.row(), i.column(), valor.toString());
    // A refused text is drawn as it was.
    if (!guardado) emit dataChanged(index(i.row(), 0), index(i.row(), columnas_ - 1));
    return guardado;
}

void TModeloRutina::Guardar(const TCambio& cambio) {
    if (permiso_) permiso_();
    guardar(rutina_, cambio);
}

void TModeloRutina::FijarRutina(PRutina r) {
    rutina_ = std::move(r);
    pasos_.clear();
    hechos_ = 0;
    todoCambio();
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
    connect(completador_, qOverload<const QString&>(&QCompleter::activated), this,
            [this](const QString& nombre) {
                setText(nombre);
                // After the completer has finished with the key that chose it.
                QMetaObject::invokeMethod(this, &TEditorCelda::completado, Qt::QueuedConnection);
            });
    connect(this, &QLineEdit::textEdited, this, [this, lista](const QString& texto) {
        const QStringList nombres = texto.trimmed().isEmpty() ? QStringList() : nombres_(texto);
        lista->setStringList(nombres);
        if (nombres.isEmpty())
            completador_->popup()->hide();
        else
            completador_->complete();
    });
}

void TEditorCelda::keyPressEvent(QKeyEvent* e) {
    if (e->matches(QKeySequence::Paste)) {
        insert(SinFinDeLineaFinal(QGuiApplication::clipboard()->text()));
        return;
    }
    QLineEdit::keyPressEvent(e);
}

TDelegadoRutina::TDelegadoRutina(TModeloRutina* modelo, QObject* padre)
    : QStyledItemDelegate(padre), modelo_(modelo) {}

QWidget* TDelegadoRutina::createEditor(QWidget* padre, const QStyleOptionViewItem&,
                                       const QModelIndex& i) const {
    auto* e = new TEditorCelda(padre, modelo_->Rutina(), i);
    abierto_ = e;
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
    const int fila = e->indice.row();
    const int columna = e->indice.column();
    bool ok = false;
    if (informar) {
        ok = modelo_->EscribirOInformar(e->rutina, fila, columna, texto);
    } else {
        try {
            modelo_->Escribir(e->rutina, fila, columna, texto);
            ok = true;
        } catch (...) {
        }
    }
    if (ok) e->original = texto;
    return ok;
}

void TDelegadoRutina::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const {
    // The view commits on its own only when another cell becomes current; the editor closes then
    // whatever the answer, as a click elsewhere does.
    comprometer(static_cast<TEditorCelda*>(editor), true);
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
    const TMarcas& C = modelo_->Rutina()->C;
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
