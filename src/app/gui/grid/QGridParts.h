#pragma once

// The pieces the string grid builds its view from. They hold no data of their
// own: the model and every painter ask the grid.

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStyledItemDelegate>

class TQStringGrid;

// Rows are the data rows (one blank row in the empty state); columns are the
// visible columns right of the fixed ones, which the fixed panel shows.
class TQGridModel : public QAbstractTableModel {
public:
    explicit TQGridModel(TQStringGrid* Grid);
    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override;

private:
    friend class TQStringGrid;
    TQStringGrid* FGrid;
};

class TQGridDelegate : public QStyledItemDelegate {
public:
    explicit TQGridDelegate(TQStringGrid* Grid);
    void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;

private:
    TQStringGrid* FGrid;
};

// A header click: press and release of the left button on the same header
// cell, both more than one pixel inside it, without moving in between.
class THeaderClick {
public:
    void Press(int ACol, const QRect& CellRect, const QPoint& Pos);
    // True when the move cancels a pending click (the press then belongs to the base).
    bool Move(const QPoint& Pos);
    // The clicked column, or −1.
    int Release(int ACol, const QRect& CellRect, const QPoint& Pos);
    bool Pending() const { return FCol >= 0; }

private:
    int FCol = -1;
    QPoint FPos;
};

// The header row right of the fixed columns.
class TQGridHeader : public QHeaderView {
public:
    explicit TQGridHeader(TQStringGrid* Grid);
    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;

private:
    QRect SectionRect(int LogicalIndex) const;
    TQStringGrid* FGrid;
    THeaderClick FClick;
    QPoint FPressPos;
    bool FPressedOwn = false; // the press is a possible click the base has not seen
};

// The fixed columns' data cells, shown where a table view has its row header
// so that they never scroll sideways. Rows are sized here.
class TQGridFixedPanel : public QHeaderView {
public:
    explicit TQGridFixedPanel(TQStringGrid* Grid);
    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;

private:
    TQStringGrid* FGrid;
    bool FSizing = false;
};

// The fixed columns' header cells in the top-left corner; fixed columns are
// sized here.
class TQGridCorner : public QWidget {
public:
    explicit TQGridCorner(TQStringGrid* Grid);
    // The fixed column whose right border is within 3 pixels of X, or −1.
    int SizingColumnAt(int X) const;
    QRect HeaderRect(int ACol) const;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    int ColumnAt(int X) const;
    TQStringGrid* FGrid;
    THeaderClick FClick;
    int FSizingCol = -1;
    int FSizingX = 0;
};
