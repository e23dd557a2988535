#include "app/gui/grid/QGridParts.h"

#include "app/gui/grid/QStringGrid.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {

bool InsideCell(const QRect& Rect, const QPoint& Pos)
{
    return Pos.x() > Rect.left() + 1 && Pos.x() < Rect.right() - 1 && Pos.y() > Rect.top() + 1 &&
           Pos.y() < Rect.bottom() - 1;
}

// Whether Pos (along the header) is on a border where the user sizes a section.
bool OnSectionHandle(const QHeaderView& Header, int Pos)
{
    if (Header.count() == 0 || Header.sectionResizeMode(0) != QHeaderView::Interactive) return false;
    const int grip = Header.style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, &Header);
    const int logical = Header.logicalIndexAt(Pos);
    if (logical < 0) return false;
    const int start = Header.sectionViewportPosition(logical);
    return Pos >= start + Header.sectionSize(logical) - grip ||
           (Header.visualIndex(logical) > 0 && Pos <= start + grip);
}

QPoint EventPos(const QMouseEvent* Event) { return Event->position().toPoint(); }

// Paints one cell through the grid and draws its right and bottom lines as
// the fixed cells' grid lines.
void PaintFramedCell(TQStringGrid* Grid, QPainter& Painter, const QRect& Rect, int ACol, int ARow,
                     void (TQStringGrid::*Paint)(QPainter&, const QRect&, int, int))
{
    (Grid->*Paint)(Painter, Rect.adjusted(0, 0, -1, -1), ACol, ARow);
    Painter.save();
    Painter.setPen(Grid->palette().color(QPalette::Dark));
    Painter.drawLine(Rect.topRight(), Rect.bottomRight());
    Painter.drawLine(Rect.bottomLeft(), Rect.bottomRight());
    Painter.restore();
}

} // namespace

// --- TQGridModel ---

TQGridModel::TQGridModel(TQStringGrid* Grid) : QAbstractTableModel(Grid), FGrid(Grid) {}

int TQGridModel::rowCount(const QModelIndex& Parent) const { return Parent.isValid() ? 0 : FGrid->FModelRows; }

int TQGridModel::columnCount(const QModelIndex& Parent) const { return Parent.isValid() ? 0 : FGrid->FModelCols; }

QVariant TQGridModel::data(const QModelIndex& Index, int Role) const
{
    if (Role != Qt::DisplayRole || FGrid->FEmptyRows || !Index.isValid()) return {};
    return FGrid->DisplayText(FGrid->EffectiveFixedCols() + Index.column(), Index.row());
}

QVariant TQGridModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Role != Qt::DisplayRole || Orientation != Qt::Horizontal) return {};
    const int col = FGrid->EffectiveFixedCols() + Section;
    return col < FGrid->VisibleColCount() ? QVariant(FGrid->FVisibleColumns[size_t(col)]->Caption()) : QVariant();
}

// --- TQGridDelegate ---

TQGridDelegate::TQGridDelegate(TQStringGrid* Grid) : QStyledItemDelegate(Grid), FGrid(Grid) {}

void TQGridDelegate::paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const
{
    FGrid->PaintCell(*Painter, Option.rect, FGrid->EffectiveFixedCols() + Index.column(), Index.row());
}

// --- THeaderClick ---

void THeaderClick::Press(int ACol, const QRect& CellRect, const QPoint& Pos)
{
    FCol = ACol >= 0 && InsideCell(CellRect, Pos) ? ACol : -1;
    FPos = Pos;
}

bool THeaderClick::Move(const QPoint& Pos)
{
    if ((Pos - FPos).manhattanLength() < QApplication::startDragDistance()) return false;
    FCol = -1;
    return true;
}

int THeaderClick::Release(int ACol, const QRect& CellRect, const QPoint& Pos)
{
    const int col = FCol;
    FCol = -1;
    return col >= 0 && col == ACol && InsideCell(CellRect, Pos) ? col : -1;
}

// --- TQGridHeader ---

TQGridHeader::TQGridHeader(TQStringGrid* Grid) : QHeaderView(Qt::Horizontal, Grid), FGrid(Grid)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(1);
}

QSize TQGridHeader::sizeHint() const { return {QHeaderView::sizeHint().width(), FGrid->DefaultRowHeight()}; }

void TQGridHeader::paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const
{
    PaintFramedCell(FGrid, *Painter, Rect, FGrid->EffectiveFixedCols() + LogicalIndex, -1, &TQStringGrid::PaintCell);
}

QRect TQGridHeader::SectionRect(int LogicalIndex) const
{
    return {sectionViewportPosition(LogicalIndex), 0, sectionSize(LogicalIndex), height()};
}

void TQGridHeader::mousePressEvent(QMouseEvent* Event)
{
    FGrid->EndEditing();
    FPressPos = EventPos(Event);
    if (Event->button() != Qt::LeftButton || OnSectionHandle(*this, FPressPos.x())) {
        QHeaderView::mousePressEvent(Event);
        return;
    }
    const int logical = logicalIndexAt(FPressPos);
    FClick.Press(logical < 0 ? -1 : FGrid->EffectiveFixedCols() + logical, SectionRect(logical), FPressPos);
    FPressedOwn = true;
}

void TQGridHeader::mouseMoveEvent(QMouseEvent* Event)
{
    if (FPressedOwn && (Event->buttons() & Qt::LeftButton)) {
        if (!FClick.Move(EventPos(Event))) return;
        // A drag: the press belongs to the base, which may move the column.
        FPressedOwn = false;
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(FPressPos), mapToGlobal(QPointF(FPressPos)), Qt::LeftButton,
                          Qt::LeftButton, Event->modifiers());
        QHeaderView::mousePressEvent(&press);
    }
    QHeaderView::mouseMoveEvent(Event);
}

void TQGridHeader::mouseReleaseEvent(QMouseEvent* Event)
{
    if (!FPressedOwn) {
        QHeaderView::mouseReleaseEvent(Event);
        return;
    }
    FPressedOwn = false;
    const QPoint pos = EventPos(Event);
    const int logical = logicalIndexAt(pos);
    const int col = FClick.Release(logical < 0 ? -1 : FGrid->EffectiveFixedCols() + logical, SectionRect(logical), pos);
    if (col >= 0) FGrid->HeaderClick(col);
}

void TQGridHeader::mouseDoubleClickEvent(QMouseEvent* Event)
{
    // A quick second click is a click of its own; on a border the base fits the column.
    if (OnSectionHandle(*this, EventPos(Event).x()))
        QHeaderView::mouseDoubleClickEvent(Event);
    else
        mousePressEvent(Event);
}

// --- TQGridFixedPanel ---

TQGridFixedPanel::TQGridFixedPanel(TQStringGrid* Grid) : QHeaderView(Qt::Vertical, Grid), FGrid(Grid)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(2);
    setDefaultSectionSize(Grid->DefaultRowHeight());
}

QSize TQGridFixedPanel::sizeHint() const { return {FGrid->FixedWidth(), QHeaderView::sizeHint().height()}; }

void TQGridFixedPanel::paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const
{
    int x = Rect.left();
    for (int col = 0; col < FGrid->EffectiveFixedCols(); ++col) {
        const int width = FGrid->FVisibleColumns[size_t(col)]->Width();
        PaintFramedCell(FGrid, *Painter, QRect(x, Rect.top(), width, Rect.height()), col, LogicalIndex,
                        &TQStringGrid::PaintCell);
        x += width;
    }
}

void TQGridFixedPanel::mousePressEvent(QMouseEvent* Event)
{
    FGrid->EndEditing();
    // Fixed cells are never current: a press only sizes rows.
    FSizing = Event->button() == Qt::LeftButton && OnSectionHandle(*this, EventPos(Event).y());
    if (FSizing) QHeaderView::mousePressEvent(Event);
}

void TQGridFixedPanel::mouseMoveEvent(QMouseEvent* Event)
{
    if (FSizing || Event->buttons() == Qt::NoButton) QHeaderView::mouseMoveEvent(Event);
}

void TQGridFixedPanel::mouseReleaseEvent(QMouseEvent* Event)
{
    if (!FSizing) return;
    FSizing = false;
    QHeaderView::mouseReleaseEvent(Event);
    FGrid->RowSized();
}

void TQGridFixedPanel::mouseDoubleClickEvent(QMouseEvent* Event) { Event->accept(); }

// --- TQGridCorner ---

TQGridCorner::TQGridCorner(TQStringGrid* Grid) : QWidget(Grid), FGrid(Grid) { setMouseTracking(true); }

QRect TQGridCorner::HeaderRect(int ACol) const
{
    int x = 0;
    for (int col = 0; col < ACol; ++col) x += FGrid->FVisibleColumns[size_t(col)]->Width();
    return {x, 0, FGrid->FVisibleColumns[size_t(ACol)]->Width(), height()};
}

int TQGridCorner::ColumnAt(int X) const
{
    for (int col = 0; col < FGrid->EffectiveFixedCols(); ++col)
        if (HeaderRect(col).contains(X, 0)) return col;
    return -1;
}

int TQGridCorner::SizingColumnAt(int X) const
{
    for (int col = 0; col < FGrid->EffectiveFixedCols(); ++col) {
        const QRect rect = HeaderRect(col);
        if (std::abs(X - (rect.left() + rect.width())) <= 3) return col;
    }
    return -1;
}

void TQGridCorner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int col = 0; col < FGrid->EffectiveFixedCols(); ++col)
        PaintFramedCell(FGrid, painter, HeaderRect(col), col, -1, &TQStringGrid::PaintCell);
}

void TQGridCorner::mousePressEvent(QMouseEvent* Event)
{
    FGrid->EndEditing();
    if (Event->button() != Qt::LeftButton) return;
    const QPoint pos = EventPos(Event);
    FSizingCol = SizingColumnAt(pos.x());
    FSizingX = pos.x();
    if (FSizingCol < 0) {
        const int col = ColumnAt(pos.x());
        FClick.Press(col, col >= 0 ? HeaderRect(col) : QRect(), pos);
    }
}

void TQGridCorner::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint pos = EventPos(Event);
    if (FSizingCol >= 0) {
        TQGridColumn* column = FGrid->FVisibleColumns[size_t(FSizingCol)];
        const int width = column->Width() + pos.x() - FSizingX;
        if (width > 0) {
            column->SetWidth(width);
            FSizingX = pos.x();
        }
        return;
    }
    if (Event->buttons() & Qt::LeftButton) {
        if (FClick.Pending()) FClick.Move(pos);
        return;
    }
    if (SizingColumnAt(pos.x()) >= 0)
        setCursor(Qt::SplitHCursor);
    else
        unsetCursor();
}

void TQGridCorner::mouseReleaseEvent(QMouseEvent* Event)
{
    if (FSizingCol >= 0) {
        FSizingCol = -1;
        return;
    }
    const QPoint pos = EventPos(Event);
    const int col = ColumnAt(pos.x());
    const int clicked = FClick.Release(col, col >= 0 ? HeaderRect(col) : QRect(), pos);
    if (clicked >= 0) FGrid->HeaderClick(clicked);
}
