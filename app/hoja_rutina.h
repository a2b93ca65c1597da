// The grid adapters: a model over the routine on the sheet, the typed cell editor, the delegate
// that decides what is a commit, and the view that keeps "no selected cell" until the user picks
// one. An edit belongs to the routine its editor was opened on, whatever the sheet shows later.
#pragma once

#include "storage/rutina.h"

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

using PRutina = std::shared_ptr<TRutina>;

class TModeloRutina : public QAbstractTableModel {
    Q_OBJECT
  public:
    TModeloRutina(QObject* padre, int filas, int columnas);

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& i, int rol) const override;
    // Stores and saves the text; false when it is refused or cannot be saved, and the reason
    // goes out through rechazado().
    bool setData(const QModelIndex& i, const QVariant& valor, int rol) override;
    QVariant headerData(int seccion, Qt::Orientation o, int rol) const override;
    Qt::ItemFlags flags(const QModelIndex& i) const override;

    // The routine on the sheet. Setting another one makes the view read every cell again.
    const PRutina& Rutina() const { return rutina_; }
    void FijarRutina(PRutina r);

    // Stores a cell of `r` (which need not be the one shown) and saves `r`; throws ErrorKorval
    // when the text cannot be stored, writing is not allowed now, or the save fails. The typed
    // text stays in the cell when only the save failed.
    void Escribir(const PRutina& r, int fila, int columna, const QString& texto);
    // The same, reporting a failure through rechazado(); true when stored and saved.
    bool EscribirOInformar(const PRutina& r, int fila, int columna, const QString& texto);
    // Why no cell may be written now (no user selected), checked before every store; it throws.
    void FijarPermiso(std::function<void()> comprobar) { permiso_ = std::move(comprobar); }
    // The tooltip of a row's exercise cell.
    void FijarAyudaFila(std::function<QString(int fila)> ayuda) { ayudaFila_ = std::move(ayuda); }
    // Saves a change already made in the routine shown; throws ErrorKorval on failure.
    void Guardar(const TCambio& cambio);

    // Changes of the routine shown, each saved at once and kept for undo; they throw ErrorKorval
    // when refused or when the save fails (the change then stays on the sheet, unsaved).
    // Cells from (fila, columna) on: each string list fills one row to the right.
    void EscribirBloque(int fila, int columna, const QList<QStringList>& filas);
    void Marcar(int fila, qint32 marca);
    void Intercambiar(int f1, int f2);
    void Reemplazar(const TTabla& A, const TMarcas& C);

    // Undo and redo of the changes saved in the routine shown, each saved again at once. The
    // history belongs to that routine: showing another (or a new version) forgets it.
    bool PuedeDeshacer() const { return hechos_ > 0; }
    bool PuedeRehacer() const { return hechos_ < pasos_.size(); }
    void Deshacer();
    void Rehacer();

    // The update bracket: nestable; the outermost end makes the view read every cell again.
    void BeginUpdate() { ++profundidad_; }
    void EndUpdate();
    int profundidad() const { return profundidad_; }

  signals:
    void rechazado(const QString& motivo);
    // A notice for the user, such as another copy of the routine having changed meanwhile.
    void aviso(const QString& mensaje);
    // A routine was saved: its cells, marks and file version are those on disk now.
    void guardado(const TRutina& rutina);

  private:
    void todoCambio();
    void guardar(const PRutina& r, const TCambio& cambio);
    // Saves `cambio`, made since `antes` was the routine shown, and keeps it for undo.
    void guardarPaso(const TCambio& cambio, const TRutina& antes);
    // Puts back the cells, marks or rows of `cambio` as `version` had them, and saves.
    void volverA(const TCambio& cambio, const TTabla& A, const TMarcas& C);

    struct TPaso {
        TCambio cambio;
        TTabla antesA, despuesA; // whole tables: the lists share their rows until one changes
        TMarcas antesC, despuesC;
    };
    QList<TPaso> pasos_;
    qsizetype hechos_ = 0; // steps done; those after are redone by Rehacer

    PRutina rutina_;
    std::function<void()> permiso_;
    std::function<QString(int)> ayudaFila_;
    int filas_;
    int columnas_;
    int profundidad_ = 0;
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
    const PRutina rutina;
    const QPersistentModelIndex indice;

    // Offers, under the editor as the user types, the names `nombres` gives for the text.
    void FijarNombres(std::function<QStringList(const QString&)> nombres);
    QCompleter* Completador() const { return completador_; }

  signals:
    // A name was taken from the offered ones: the cell is to be committed.
    void completado();

  protected:
    // A paste copied with its line end (a cell of a spreadsheet, a line of text) leaves it out.
    void keyPressEvent(QKeyEvent* e) override;

  private:
    std::function<QStringList(const QString&)> nombres_;
    QCompleter* completador_ = nullptr;
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
