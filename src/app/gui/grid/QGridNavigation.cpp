// The string grid's current cell and selection, and what the keyboard and
// the mouse do to them.

#include "app/gui/grid/QStringGrid.h"

#include "app/gui/grid/QGridParts.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

// --- position and selection ---

int TQStringGrid::Col() const
{
    const QModelIndex current = currentIndex();
    return FModelCols > 0 && current.isValid() ? EffectiveFixedCols() + current.column() : -1;
}

void TQStringGrid::SetCol(int Value)
{
    if (FVisibleColumns.empty()) throw EQGridError(QStringLiteral("Column list is empty"));
    MoveCurrent(Value, FEmptyRows ? 0 : std::max(Row(), 0), true, true);
    PositionChanged();
}

int TQStringGrid::Row() const
{
    const QModelIndex current = currentIndex();
    return !FEmptyRows && current.isValid() ? current.row() : -1;
}

void TQStringGrid::SetRow(int Value)
{
    CheckRow(Value);
    if (Col() < 0) return;
    MoveCurrent(Col(), Value, true, true);
    PositionChanged();
}

int TQStringGrid::TopRow() const { return FEmptyRows ? -1 : std::max(rowAt(0), 0); }

void TQStringGrid::SetTopRow(int Value)
{
    CheckRow(Value);
    verticalScrollBar()->setValue(Value);
}

TGridRect TQStringGrid::Selection() const
{
    const int col = Col();
    const int row = Row();
    TGridRect rect{col, row, col, row};
    if (FModelCols == 0 || FEmptyRows) return rect;
    const QItemSelection selection = selectionModel()->selection();
    bool first = true;
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid()) continue;
        if (first) {
            rect = {range.left(), range.top(), range.right(), range.bottom()};
            first = false;
        } else {
            rect = {std::min(rect.Left, range.left()), std::min(rect.Top, range.top()),
                    std::max(rect.Right, range.right()), std::max(rect.Bottom, range.bottom())};
        }
    }
    if (first) return rect;
    const int fixed = EffectiveFixedCols();
    rect.Left += fixed;
    rect.Right += fixed;
    return rect;
}

void TQStringGrid::SetSelection(const TGridRect& Value)
{
    if (FModelCols == 0 || FEmptyRows) return;
    const int fixed = EffectiveFixedCols();
    auto clampCol = [&](int c) { return std::clamp(c, fixed, VisibleColCount() - 1); };
    auto clampRow = [&](int r) { return std::clamp(r, 0, RowCount() - 1); };
    const QModelIndex anchor = ModelIndex(clampCol(Value.Left), clampRow(Value.Top));
    const QModelIndex current = ModelIndex(clampCol(Value.Right), clampRow(Value.Bottom));
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(anchor, current), QItemSelectionModel::ClearAndSelect);
    RepaintAll();
    PositionChanged();
}

bool TQStringGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    if (FVisibleColumns.empty()) throw EQGridError(QStringLiteral("Column list is empty"));
    if (ACol < EffectiveFixedCols() || ACol >= VisibleColCount())
        throw EQGridError(QStringLiteral("Wrong column index"));
    if (!FEmptyRows) CheckRow(ARow);
    const QModelIndex target = ModelIndex(ACol, ARow);
    if (target != currentIndex()) {
        EndEditing();
        if (!SelectCell(ACol, ARow)) return false;
    }
    const auto rows = FOptions & goRowSelect ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate;
    if (MoveAnchor || !(FOptions & goRangeSelect) || FEmptyRows) {
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | rows);
    } else {
        // The anchor is the selection's corner opposite the current cell.
        const TGridRect sel = Selection();
        const int anchorCol = Col() == sel.Left ? sel.Right : sel.Left;
        const int anchorRow = Row() == sel.Top ? sel.Bottom : sel.Top;
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
        selectionModel()->select(QItemSelection(ModelIndex(anchorCol, anchorRow), target),
                                 QItemSelectionModel::ClearAndSelect | rows);
    }
    if (Show) scrollTo(target);
    return true;
}

void TQStringGrid::FocusCell(int ACol, int ARow, bool MoveAnchor)
{
    MoveCurrent(ACol, ARow, MoveAnchor, true);
    PositionChanged();
}

void TQStringGrid::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show)
{
    MoveCurrent(ACol, ARow, MoveAnchor, Show);
    PositionChanged();
}

bool TQStringGrid::CellSelected(int ACol, int ARow) const
{
    const TGridRect sel = Selection();
    return ACol >= sel.Left && ACol <= sel.Right && ARow >= sel.Top && ARow <= sel.Bottom;
}

bool TQStringGrid::MultiRowsSelected() const
{
    const TGridRect sel = Selection();
    return sel.Bottom > sel.Top;
}

bool TQStringGrid::MultiColsSelected() const
{
    const TGridRect sel = Selection();
    return sel.Right > sel.Left;
}

QRect TQStringGrid::CellRect(int ACol, int ARow) const
{
    if (ACol < 0 || ACol >= VisibleColCount() || ARow < -1 || ARow >= std::max(RowCount(), 1)) return {};
    const int fixed = EffectiveFixedCols();
    QRect rect;
    const QWidget* area = nullptr;
    if (ARow < 0 && ACol < fixed) {
        rect = FCorner->HeaderRect(ACol);
        area = FCorner;
    } else if (ARow < 0) {
        const int logical = ACol - fixed;
        rect = {FHeader->sectionViewportPosition(logical), 0, FHeader->sectionSize(logical), FHeader->height()};
        area = FHeader->viewport();
    } else if (ACol < fixed) {
        const QRect header = FCorner->HeaderRect(ACol);
        rect = {header.left(), FFixedPanel->sectionViewportPosition(ARow), header.width(),
                FFixedPanel->sectionSize(ARow)};
        area = FFixedPanel->viewport();
    } else {
        rect = visualRect(ModelIndex(ACol, ARow));
        area = viewport();
    }
    rect = rect.intersected(area->rect());
    if (rect.isEmpty() || !area->isVisible()) return {};
    return rect.translated(area->mapTo(this, QPoint(0, 0)));
}

TGridCoord TQStringGrid::MouseCoord(int X, int Y) const
{
    const QPoint pos(X, Y);
    const int fixed = EffectiveFixedCols();
    auto fixedColAt = [&](int x) {
        for (int col = 0; col < fixed; ++col)
            if (FCorner->HeaderRect(col).contains(x, 0)) return col;
        return -1;
    };
    auto inside = [&](const QWidget* w) {
        return w->isVisible() && QRect(w->mapTo(this, QPoint(0, 0)), w->size()).contains(pos);
    };
    auto local = [&](const QWidget* w) { return pos - w->mapTo(this, QPoint(0, 0)); };
    if (inside(FCorner)) return {fixedColAt(local(FCorner).x()), -1};
    if (inside(FHeader)) {
        const int logical = FHeader->logicalIndexAt(local(FHeader->viewport()));
        return {logical < 0 ? -1 : fixed + logical, -1};
    }
    if (inside(FFixedPanel)) {
        const QPoint p = local(FFixedPanel->viewport());
        const int row = FFixedPanel->logicalIndexAt(p.y());
        return {fixedColAt(p.x()), FEmptyRows ? -1 : row};
    }
    if (inside(viewport())) {
        const QModelIndex index = indexAt(local(viewport()));
        if (!index.isValid()) return {};
        return {fixed + index.column(), FEmptyRows ? -1 : index.row()};
    }
    return {};
}

void TQStringGrid::InvalidateCell(int ACol, int ARow)
{
    if (ACol < 0 || ACol >= VisibleColCount()) return;
    if (ARow < 0) {
        InvalidateRow(-1);
    } else if (ACol < EffectiveFixedCols()) {
        FFixedPanel->viewport()->update();
    } else {
        const QRect rect = visualRect(ModelIndex(ACol, ARow));
        if (rect.intersects(viewport()->rect())) viewport()->update(rect);
    }
}

void TQStringGrid::InvalidateRow(int ARow)
{
    if (ARow < 0) {
        FHeader->viewport()->update();
        FCorner->update();
        return;
    }
    if (ARow >= FModelRows) return;
    const int top = rowViewportPosition(ARow);
    const int height = rowHeight(ARow);
    viewport()->update(0, top, viewport()->width(), height);
    FFixedPanel->viewport()->update(0, top, FFixedPanel->viewport()->width(), height);
}

void TQStringGrid::InvalidateColumn(const TQGridColumn* Column)
{
    if (!Column->FVisible || Column->FGridIndex < 0) return;
    if (Column->FGridIndex < EffectiveFixedCols()) {
        FFixedPanel->viewport()->update();
        FCorner->update();
    } else {
        FHeader->viewport()->update();
        viewport()->update();
    }
}

void TQStringGrid::RepaintAll()
{
    viewport()->update();
    FHeader->viewport()->update();
    FFixedPanel->viewport()->update();
    FCorner->update();
}

bool TQStringGrid::SelectCell(int ACol, int ARow)
{
    if (FVisibleColumns.empty()) {
        FActiveCol = nullptr;
        return false;
    }
    if (!FEmptyRows) {
        bool canSelect = true;
        if (OnSelectCell) OnSelectCell(this, ACol, ARow, canSelect);
        if (!canSelect) return false;
        InvalidateRow(Row());
        InvalidateRow(ARow);
        if (FCellButton) FCellButton->hide();
    }
    InvalidateRow(-1);
    FFixedPanel->viewport()->update();
    TQGridColumn* column = ACol >= 0 && ACol < VisibleColCount() ? FVisibleColumns[size_t(ACol)] : nullptr;
    if (column != FActiveCol) {
        TQGridColumn* old = FActiveCol;
        FActiveCol = column;
        RepaintAll();
        if (OnActiveColChanged) OnActiveColChanged(this, old, column);
    }
    return true;
}

void TQStringGrid::SyncActiveCol()
{
    const int col = Col();
    TQGridColumn* column = col >= 0 ? FVisibleColumns[size_t(col)] : nullptr;
    if (column == FActiveCol) return;
    TQGridColumn* old = FActiveCol;
    FActiveCol = column;
    RepaintAll();
    if (OnActiveColChanged) OnActiveColChanged(this, old, column);
}

void TQStringGrid::PositionChanged()
{
    if (OnSelectionChanged) {
        const TGridRect sel = Selection();
        if (!(sel == FOldSelection)) {
            FOldSelection = sel;
            OnSelectionChanged(this);
        }
    }
    SyncActiveCol();
}

void TQStringGrid::currentChanged(const QModelIndex& Current, const QModelIndex& Previous)
{
    QTableView::currentChanged(Current, Previous);
    if (!FEditor) return; // still being built
    // The current row, the current column's header and the fixed cells have colours of their own.
    RepaintAll();
    SyncActiveCol();
    UpdateCellButton();
}

QModelIndex TQStringGrid::moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers)
{
    const QModelIndex next = QTableView::moveCursor(Action, Modifiers);
    if (!next.isValid() || next == currentIndex()) return next;
    if (!SelectCell(EffectiveFixedCols() + next.column(), next.row())) return currentIndex();
    return next;
}

// --- keyboard, mouse, input methods ---

void TQStringGrid::keyPressEvent(QKeyEvent* Event)
{
    int key = Event->key();
    if (OnKeyDown) {
        OnKeyDown(this, key, Event->modifiers());
        if (key == 0) return;
    }
    const bool ctrl = Event->modifiers() & Qt::ControlModifier;
    QChar ch;
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        ch = QChar(ctrl ? 10 : 13);
    else if (key == Qt::Key_Escape)
        ch = QChar(27);
    else if (IsTypedText(Event)) // Alt+X and the like never type: the base passes them on
        ch = Event->text()[0];
    if (!ch.isNull()) {
        const bool printable = ch.isPrint();
        if (!FireKeyPress(ch) || HandleChar(ch)) return;
        // Typing starts editing with the typed character in place of the text.
        if (printable && ShowEditorForUser()) FEditor->TypeChar(ch);
        return;
    }
    if (key == Qt::Key_F2) {
        ShowEditorForUser();
        return;
    }
    if (Event->matches(QKeySequence::Copy)) {
        // The cell's text, not the comma form a list cell shows.
        if (Row() >= 0 && Col() >= 0) QGuiApplication::clipboard()->setText(GetCell(Col(), Row()));
        return;
    }
    NavigateKey(Event);
}

void TQStringGrid::NavigateKey(QKeyEvent* Event)
{
    QTableView::keyPressEvent(Event);
    PositionChanged();
}

void TQStringGrid::TabMove(bool Next)
{
    if (FOptions & goTabs) focusNextPrevChild(Next);
    PositionChanged();
}

void TQStringGrid::keyReleaseEvent(QKeyEvent* Event)
{
    QTableView::keyReleaseEvent(Event);
    PositionChanged();
}

void TQStringGrid::mousePressEvent(QMouseEvent* Event)
{
    EndEditing();
    setFocus(Qt::MouseFocusReason);
    FPressOnCurrent = false;
    FBasePressed = false;
    // Only the left button moves the current cell; the others leave it for the context menu.
    if (Event->button() != Qt::LeftButton) return;
    const QModelIndex index = indexAt(Event->position().toPoint());
    if (!index.isValid()) return;
    const bool extend = Event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    FPressOnCurrent = index == currentIndex() && !extend && !FEmptyRows;
    if (index != currentIndex() && !SelectCell(EffectiveFixedCols() + index.column(), FEmptyRows ? 0 : index.row()))
        return;
    FBasePressed = true;
    QTableView::mousePressEvent(Event);
}

void TQStringGrid::mouseMoveEvent(QMouseEvent* Event)
{
    if (Event->buttons() & Qt::LeftButton) {
        // Only a press the base saw may drag; a drag asks before the current cell follows.
        if (!FBasePressed) return;
        const QModelIndex index = indexAt(Event->position().toPoint());
        if (index.isValid() && index != currentIndex() &&
            !SelectCell(EffectiveFixedCols() + index.column(), FEmptyRows ? 0 : index.row()))
            return;
    }
    QTableView::mouseMoveEvent(Event);
}

void TQStringGrid::mouseReleaseEvent(QMouseEvent* Event)
{
    FBasePressed = false;
    QTableView::mouseReleaseEvent(Event);
    // A click of the cell that was already current opens the editor.
    if (FPressOnCurrent && indexAt(Event->position().toPoint()) == currentIndex()) ShowEditor();
    FPressOnCurrent = false;
    PositionChanged();
}

void TQStringGrid::mouseDoubleClickEvent(QMouseEvent* Event)
{
    if (Event->button() != Qt::LeftButton || indexAt(Event->position().toPoint()) != currentIndex()) return;
    const int col = Col();
    const int row = Row();
    if (!FEmptyRows && row >= 0 && GetCellType(col, row) == vtBoolean) {
        if (!CellReadOnly(col, row)) ToggleBoolean();
        return;
    }
    ShowEditorForUser();
}

void TQStringGrid::contextMenuEvent(QContextMenuEvent* Event)
{
    if (OnContextPopup) {
        QPoint pos = Event->globalPos();
        if (Event->reason() == QContextMenuEvent::Keyboard) {
            const QRect rect = Row() >= 0 ? CellRect(Col(), Row()) : QRect();
            pos = rect.isEmpty() ? QPoint(-1, -1) : mapToGlobal(rect.topLeft());
        }
        OnContextPopup(this, pos.x(), pos.y());
    }
    QTableView::contextMenuEvent(Event);
}

void TQStringGrid::inputMethodEvent(QInputMethodEvent* Event)
{
    if (!FProcessIMEChars) {
        QTableView::inputMethodEvent(Event);
        return;
    }
    // A composition opens the editor, which takes the result as a whole string.
    if (!Editing() && ((Event->commitString().isEmpty() && Event->preeditString().isEmpty()) || !ShowEditor())) {
        Event->ignore();
        return;
    }
    QCoreApplication::sendEvent(FEditor, Event);
}

void TQStringGrid::resizeEvent(QResizeEvent* Event)
{
    QTableView::resizeEvent(Event);
    PlaceEditor();
    UpdateCellButton();
}

void TQStringGrid::scrollContentsBy(int DX, int DY)
{
    QTableView::scrollContentsBy(DX, DY);
    PlaceEditor();
    UpdateCellButton();
}

void TQStringGrid::updateGeometries()
{
    QTableView::updateGeometries();
    if (!FEditor) return; // still being built
    const bool fixed = EffectiveFixedCols() > 0;
    FCorner->setVisible(fixed && FHeader->isVisible());
    if (fixed) {
        FCorner->setGeometry(FFixedPanel->x(), FHeader->y(), FFixedPanel->width(), FHeader->height());
        FCorner->raise();
    }
    PlaceEditor();
    UpdateCellButton();
}
