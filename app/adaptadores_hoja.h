// The grid adapters: a model over the routine on the sheet, the typed cell editor, the delegate
// that decides what is a commit, and the view that keeps "no selected cell" until the user picks
// one. An edit belongs to the routine its editor was opened on, whatever the sheet shows later.
#pragma once

#include "storage/sesion.h"

#include <QAbstractTableModel>
#include <QBasicTimer>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>
#include <memory>

class QCompleter;

// How a commit went.
enum class TComprometido {
    Guardado,  // saved
    Rechazado, // refused or failed: nothing changed, the editor keeps the text
    Perdido,   // another program moved or deleted the row: the user was told, nothing saved
};

// A thin adapter: the cells and marks are those of the session's routine; every change is the
// session's to make.
class TModeloRutina : public QAbstractTableModel {
    Q_OBJECT
  public:
    TModeloRutina(QObject* padre, int filas, int columnas);
    // The session whose routine the sheet shows; its changes reach the view from then on.
    void FijarSesion(TSesion* sesion);
    TSesion* Sesion() const { return sesion_; }
    // The routine shown (an empty one before there is a session).
    const TRutina& Rutina() const;

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& i, int rol) const override;
    // Asks the session to store and save the text: true when saved (and dataChanged has gone
    // out), false with nothing changed when it is refused or cannot be saved; the reason goes
    // out through rechazado().
    bool setData(const QModelIndex& i, const QVariant& valor, int rol) override;
    QVariant headerData(int seccion, Qt::Orientation o, int rol) const override;
    Qt::ItemFlags flags(const QModelIndex& i) const override;

    // An editor's text for a cell of `version`, the routine it was opened on: through setData
    // when that is still the routine shown, else into its own file through the session.
    // `informar` says whether a refusal goes out through rechazado().
    TComprometido Comprometer(const PRutina& version, int fila, int columna, const QString& texto,
                              bool informar);
    // The tooltip of a row's exercise cell.
    void FijarAyudaFila(std::function<QString(int fila)> ayuda) { ayudaFila_ = std::move(ayuda); }

    // The update bracket: nestable; the outermost end makes the view read every cell again.
    void BeginUpdate() { ++profundidad_; }
    void EndUpdate();
    int profundidad() const { return profundidad_; }

    // Cells from (fila, columna) on, each string list filling one row to the right, as one
    // change; false (with the reason through rechazado()) when refused.
    bool PegarBloque(int fila, int columna, const QList<QStringList>& filas);

  signals:
    void rechazado(const QString& motivo);

  private:
    void todoCambio();
    void filasCambiadas(int desde, int hasta);
    template <class F> TComprometido intentar(F&& f, bool informar);

    QPointer<TSesion> sesion_;
    std::function<QString(int)> ayudaFila_;
    int filas_;
    int columnas_;
    int profundidad_ = 0;
    bool informar_ = true;
    bool perdido_ = false; // the last setData could not follow its row
};

// Opens the bracket for a scope and closes it also when a load fails.
class TBracket {
  public:
    explicit TBracket(TModeloRutina* m) : m_(m) { m_->BeginUpdate(); }
    ~TBracket() { m_->EndUpdate(); }
    TBracket(const TBracket&) = delete;
    TBracket& operator=(const TBracket&) = delete;

  private:
    TModeloRutina* m_;
};

// The cell editor: it knows the text it opened with, whether Enter or Tab asked for a commit, and
// the routine and cell it belongs to.
class TEditorCelda : public QLineEdit {
    Q_OBJECT
  public:
    TEditorCelda(QWidget* padre, PRutina rutina, const QModelIndex& indice);
    QString original;
    bool abierto = false; // the original text was set
    bool forzar = false;  // Enter or Tab: commit even unchanged text
    // The version of the routine shown when the editor opened: its commit goes to that routine.
    const PRutina rutina;
    const QPersistentModelIndex indice;

    // Offers, under the editor as the user types, the names `nombres` gives for the text.
    void FijarNombres(std::function<QStringList(const QString&)> nombres);
    QCompleter* Completador() const { return completador_; }

  signals:
    // A name was taken from the offered ones: the cell is to be committed.
    void completado();
    // A block of cells (tabs or lines) was pasted: it goes to the sheet, not into this cell.
    void bloquePegado(const QString& texto);

  protected:
    // A paste copied with its line end (a cell of a spreadsheet, a line of text) leaves it out.
    void keyPressEvent(QKeyEvent* e) override;
    // The offered names' keys: the list offers, the user chooses. Enter and Tab take a name only
    // when the user moved to it; Escape closes the list and keeps the text.
    bool eventFilter(QObject* objeto, QEvent* e) override;

  private:
    std::function<QStringList(const QString&)> nombres_;
    QCompleter* completador_ = nullptr;
    bool elegido_ = false; // the user moved to a name with the arrow or page keys
};

class TDelegadoRutina : public QStyledItemDelegate {
    Q_OBJECT
  public:
    TDelegadoRutina(TModeloRutina* modelo, QObject* padre);

    QWidget* createEditor(QWidget* padre, const QStyleOptionViewItem& o,
                          const QModelIndex& i) const override;
    void setEditorData(QWidget* editor, const QModelIndex& i) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* m, const QModelIndex& i) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& i) const override;
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override;

    // Commits an open editor into its own routine as a click elsewhere would (changed text only)
    // and closes it. When the text is refused the editor stays open with it and the answer is
    // false; `informar` says whether the refusal is reported.
    bool Confirmar(bool informar = true);
    // Closes an open editor without committing.
    void Descartar();
    // The exercise names offered in the first column's editor for a typed text.
    void FijarNombres(std::function<QStringList(const QString&)> nombres) {
        nombres_ = std::move(nombres);
    }
    TEditorCelda* Editor() const { return abierto_; }

  signals:
    // An editor has gone, by whatever way it closed.
    void editorCerrado();

  protected:
    bool eventFilter(QObject* objeto, QEvent* e) override;

  private:
    // Commits the editor's text when it changed (or is forced); false when refused.
    bool comprometer(TEditorCelda* e, bool informar) const;
    // After a refused commit the view closed the editor: it opens again on its cell with the
    // text typed, once the view has finished moving.
    void reabrir(TEditorCelda* e) const;
    bool cerrarCon(TEditorCelda* e, QAbstractItemDelegate::EndEditHint pista);

    TModeloRutina* modelo_;
    mutable QPointer<TEditorCelda> abierto_;
    std::function<QStringList(const QString&)> nombres_;
};

// Cell text without the style's inner margin.
class TEstiloSinMargen : public QProxyStyle {
    Q_OBJECT
  public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const override;
};

class TVistaRutina : public QTableView {
    Q_OBJECT
  public:
    explicit TVistaRutina(QWidget* padre);
    int Row() const;
    int Col() const;
    // Selects another row in the same column; nothing when it is the current row.
    void Selected(int fila);
    void ScrollToSelectedCell();

  protected:
    void focusInEvent(QFocusEvent* e) override;
    // A click on the cell already selected opens its editor after the double-click interval.
    // Qt's own delay swallows the keys typed meanwhile; this one gives way to them.
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

  private:
    QBasicTimer demora_;
    QPersistentModelIndex clicSobreElegida_;
};

// The half-transparent colour of a marked row over a cell; nothing for mark 0.
void DibujarTinte(QPainter* p, const QRectF& r, qint32 marca);
