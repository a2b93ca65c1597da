// The grid adapters: a model that holds no copy of the routine, the delegate that decides what
// is a commit, and the view that keeps "no selected cell" until the user picks one.
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QProxyStyle>
#include <QStyledItemDelegate>
#include <QTableView>

class TMain;

class TModeloRutina : public QAbstractTableModel {
    Q_OBJECT
  public:
    TModeloRutina(TMain* main, int filas, int columnas);

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& i, int rol) const override;
    bool setData(const QModelIndex& i, const QVariant& valor, int rol) override;
    QVariant headerData(int seccion, Qt::Orientation o, int rol) const override;
    Qt::ItemFlags flags(const QModelIndex& i) const override;

    // The update bracket: nestable; the outermost end makes the view read every cell again.
    void BeginUpdate() { ++profundidad_; }
    void EndUpdate();
    int profundidad() const { return profundidad_; }

  private:
    TMain* main_;
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

class TDelegadoRutina : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit TDelegadoRutina(TMain* main, QObject* padre);

    QWidget* createEditor(QWidget* padre, const QStyleOptionViewItem& o,
                          const QModelIndex& i) const override;
    void setEditorData(QWidget* editor, const QModelIndex& i) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* m, const QModelIndex& i) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& i) const override;
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override;

    // Commits an open editor as a click elsewhere would (changed text only) and closes it.
    void CerrarEditor();
    bool HayEditor() const { return !abierto_.isNull(); }

  protected:
    bool eventFilter(QObject* editor, QEvent* e) override;

  private:
    TMain* main_;
    mutable QPointer<QWidget> abierto_;
    mutable QPersistentModelIndex indiceAbierto_;
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
};
