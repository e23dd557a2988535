#include "app/gui/grid/QStringGrid.h"

#include "app/gui/grid/QGridParts.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// Case folds only the letters a to z; other characters compare by code.
int CompareTextAscii(const QString& A, const QString& B)
{
    const qsizetype n = std::min(A.size(), B.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t a = A[i].unicode();
        char16_t b = B[i].unicode();
        if (a >= u'a' && a <= u'z') a -= 32;
        if (b >= u'a' && b <= u'z') b -= 32;
        if (a != b) return a < b ? -1 : 1;
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

QFont DefaultLookFont(const QFont& Base, bool Bold)
{
    // Stands in for the classic 8-point dialog font.
    QFont font = Base;
    font.setPointSize(8);
    font.setBold(Bold);
    return font;
}

} // namespace

TQStringGrid::TQStringGrid(QWidget* Parent) : QTableView(Parent), FColumns(std::make_unique<TQGridColumns>(this))
{
    const QPalette& pal = palette();
    const QColor grey(0x80, 0x80, 0x80);
    FActiveRowColor = pal.color(QPalette::ToolTipBase);
    FActiveHeaderColor = grey;
    FActiveHeaderFont = {DefaultLookFont(font(), true), Qt::white};
    FHeaderColor = pal.color(QPalette::Button);
    FHeaderFont = {DefaultLookFont(font(), true), pal.color(QPalette::WindowText)};
    FActiveFixedColor = grey;
    FActiveFixedFont = {DefaultLookFont(font(), false), Qt::white};
    FFixedColor = pal.color(QPalette::Button);
    FFixedFont = {DefaultLookFont(font(), false), pal.color(QPalette::WindowText)};
    FSelectedColor = pal.color(QPalette::Highlight);
    FSelectedFontColor = pal.color(QPalette::HighlightedText);

    FModel = new TQGridModel(this);
    FHeader = new TQGridHeader(this);
    FFixedPanel = new TQGridFixedPanel(this);
    setHorizontalHeader(FHeader);
    setVerticalHeader(FFixedPanel);
    setModel(FModel);
    setItemDelegate(new TQGridDelegate(this));
    // Header presses are clicks and drags here, never column or row selection.
    for (QHeaderView* header : {static_cast<QHeaderView*>(FHeader), static_cast<QHeaderView*>(FFixedPanel)}) {
        disconnect(header, &QHeaderView::sectionPressed, nullptr, nullptr);
        disconnect(header, &QHeaderView::sectionEntered, nullptr, nullptr);
    }
    setEditTriggers(NoEditTriggers);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerItem);
    FFixedPanel->hide();
    FCorner = new TQGridCorner(this);
    FCorner->hide();
    FEditor = new TQSGInplaceEdit(this);

    connect(FHeader, &QHeaderView::sectionResized, this, [this](int Logical, int, int NewSize) {
        if (FSettingWidths) return;
        const size_t col = size_t(EffectiveFixedCols() + Logical);
        if (col < FVisibleColumns.size()) FVisibleColumns[col]->FWidth = NewSize;
        PlaceEditor();
        UpdateCellButton();
    });
    connect(FHeader, &QHeaderView::sectionMoved, this, [this](int Logical, int, int NewVisual) {
        // The columns carry the order: the header goes back to logical order
        // once the move is over and the moved column takes its new place.
        QMetaObject::invokeMethod(
            this,
            [this, Logical, NewVisual] {
                const int fixed = EffectiveFixedCols();
                if (size_t(fixed + Logical) >= FVisibleColumns.size()) return;
                TQGridColumn* column = FVisibleColumns[size_t(fixed + Logical)];
                {
                    const QSignalBlocker blocker(FHeader);
                    for (int i = 0; i < FHeader->count(); ++i) FHeader->moveSection(FHeader->visualIndex(i), i);
                }
                column->SetGridIndex(fixed + NewVisual);
            },
            Qt::QueuedConnection);
    });
    SetOptions(FOptions);
    ResetModel();
    FOldSelection = Selection();
}

TQStringGrid::~TQStringGrid()
{
    // An open edit is dropped: the owner may already be half gone. The editor
    // goes first so that nothing reacts to the teardown of the view.
    FEditCol = FEditRow = -1;
    delete FEditor;
    FEditor = nullptr;
    disconnect(FHeader, nullptr, this, nullptr);
    setModel(nullptr);
}

// --- indexes ---

void TQStringGrid::CheckCol(int ACol) const
{
    if (ACol < 0 || ACol >= VisibleColCount()) throw EQGridError(QStringLiteral("Wrong column index"));
}

void TQStringGrid::CheckRow(int ARow) const
{
    if (ARow < 0 || ARow >= RowCount()) throw EQGridError(QStringLiteral("Wrong row index"));
}

TQGridColumn* TQStringGrid::Column(int ACol) const
{
    CheckCol(ACol);
    return FVisibleColumns[size_t(ACol)];
}

TQGridColumn* TQStringGrid::VisibleColumn(int ACol) const { return Column(ACol); }

int TQStringGrid::EffectiveFixedCols() const
{
    return FVisibleColumns.empty() ? 0 : std::min(FFixedCols, VisibleColCount() - 1);
}

QModelIndex TQStringGrid::ModelIndex(int ACol, int ARow) const
{
    return FModel->index(FEmptyRows ? 0 : ARow, ACol - EffectiveFixedCols());
}

QString TQStringGrid::DisplayText(int ACol, int ARow) const
{
    if (FEmptyRows || ACol < 0 || ACol >= VisibleColCount() || ARow < 0 || ARow >= RowCount()) return {};
    const TQGridCell& cell = FVisibleColumns[size_t(ACol)]->FValues[size_t(ARow)];
    return CellOptions(cell.Word) & voList ? EncodeCellText(cell.Text) : cell.Text;
}

// --- cells ---

QString TQStringGrid::GetCell(int ColIndex, int RowIndex) const { return Column(ColIndex)->Text(RowIndex); }

void TQStringGrid::SetCell(int ColIndex, int RowIndex, const QString& Value)
{
    Column(ColIndex)->SetText(RowIndex, Value);
    InvalidateCell(ColIndex, RowIndex);
}

TValueOptions TQStringGrid::GetCellOptions(int ColIndex, int RowIndex) const
{
    if (FEmptyRows || FVisibleColumns.empty()) return {};
    return Column(ColIndex)->ValueOptions(RowIndex);
}

void TQStringGrid::SetCellOptions(int ColIndex, int RowIndex, TValueOptions Value)
{
    Column(ColIndex)->SetValueOptions(RowIndex, Value);
    InvalidateCell(ColIndex, RowIndex);
    UpdateCellButton();
}

TValueType TQStringGrid::GetCellType(int ColIndex, int RowIndex) const
{
    if (FEmptyRows || FVisibleColumns.empty()) return vtString;
    return Column(ColIndex)->ValueType(RowIndex);
}

void TQStringGrid::SetCellType(int ColIndex, int RowIndex, TValueType Value)
{
    Column(ColIndex)->SetValueType(RowIndex, Value);
    InvalidateCell(ColIndex, RowIndex);
    UpdateCellButton();
}

void* TQStringGrid::GetRowData(int Index) const
{
    CheckRow(Index);
    return FRowData[size_t(Index)];
}

void TQStringGrid::SetRowData(int Index, void* Value)
{
    CheckRow(Index);
    FRowData[size_t(Index)] = Value;
}

// --- rows ---

void TQStringGrid::ResetModel(const std::function<void()>& Change)
{
    FModel->beginResetModel();
    if (Change) Change();
    FModelRows = FEmptyRows ? 1 : RowCount();
    FModelCols = VisibleColCount() - EffectiveFixedCols();
    FModel->endResetModel();
    FFixedPanel->setVisible(EffectiveFixedCols() > 0);
    ApplyColumnWidths();
}

void TQStringGrid::SetRowCount(int Value)
{
    Value = std::max(Value, 0);
    const int count = RowCount();
    if (Value > count)
        InsertRowsAt(count, Value - count);
    else if (Value < count)
        DeleteRows(Value, count - 1);
}

void TQStringGrid::AddRow() { InsertRowsAt(RowCount(), 1); }

void TQStringGrid::AddRows(int Count) { InsertRowsAt(RowCount(), Count); }

void TQStringGrid::InsertRow(int Index) { InsertRowsAt(Index, 1); }

void TQStringGrid::InsertRowsAt(int Index, int Count)
{
    if (Index < 0 || Index > RowCount()) throw EQGridError(QStringLiteral("Wrong row index"));
    if (Count <= 0) return;
    ChangeRows(Index, Index + Count - 1, true,
               [&] { ForEachRowList([&](auto& list) { list.insert(list.begin() + Index, size_t(Count), {}); }); });
}

void TQStringGrid::DeleteRow(int Index) { DeleteRows(Index, Index); }

void TQStringGrid::DeleteRows(int Index1, int Index2)
{
    CheckRow(Index1);
    CheckRow(Index2);
    if (Index1 > Index2) std::swap(Index1, Index2);
    if (FCellButton) FCellButton->hide();
    ChangeRows(Index1, Index2, false, [&] {
        ForEachRowList([&](auto& list) { list.erase(list.begin() + Index1, list.begin() + Index2 + 1); });
    });
}

void TQStringGrid::ChangeRows(int First, int Last, bool Insert, const std::function<void()>& Change)
{
    EndEditing();
    const int count = Last - First + 1;
    if (FEmptyRows || (!Insert && count == RowCount())) {
        // Leaving or entering the empty state: the blank row comes or goes.
        const int col = Col();
        ResetModel([&] {
            Change();
            FEmptyRows = FRowData.empty();
        });
        RestoreCurrentCell(FActiveCol, col, 0);
    } else if (Insert) {
        FModel->beginInsertRows({}, First, Last);
        Change();
        FModelRows += count;
        FModel->endInsertRows();
    } else {
        FModel->beginRemoveRows({}, First, Last);
        Change();
        FModelRows -= count;
        FModel->endRemoveRows();
    }
    RepaintAll();
    PositionChanged();
}

void TQStringGrid::DeleteSelectedRows()
{
    if (RowCount() == 0) return;
    const TGridRect sel = Selection();
    DeleteRows(sel.Top, sel.Bottom);
}

void TQStringGrid::ClearRows() { SetRowCount(0); }

void TQStringGrid::ClearAll()
{
    SetRowCount(0);
    FColumns->Clear();
}

void TQStringGrid::SwapRows(int Index1, int Index2)
{
    ForEachRowList([&](auto& list) { std::swap(list[size_t(Index1)], list[size_t(Index2)]); });
}

void TQStringGrid::ExchangeRows(int Index1, int Index2)
{
    CheckRow(Index1);
    CheckRow(Index2);
    EndEditing();
    SwapRows(Index1, Index2);
    InvalidateRow(Index1);
    InvalidateRow(Index2);
    UpdateCellButton();
}

void TQStringGrid::MoveRow(int FromIndex, int ToIndex)
{
    CheckRow(FromIndex);
    CheckRow(ToIndex);
    EndEditing();
    auto move = [&](auto& list) {
        auto from = list.begin() + FromIndex;
        auto to = list.begin() + ToIndex;
        if (FromIndex < ToIndex)
            std::rotate(from, from + 1, to + 1);
        else
            std::rotate(to, from, from + 1);
    };
    ForEachRowList(move);
    RepaintAll();
    UpdateCellButton();
}

int TQStringGrid::IndexOfRowData(const void* Item) const
{
    if (FEmptyRows) return -1;
    const auto it = std::find(FRowData.begin(), FRowData.end(), Item);
    return it == FRowData.end() ? -1 : int(it - FRowData.begin());
}

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

// --- columns ---

void TQStringGrid::ColumnAdded(TQGridColumn*) { ColumnsChanged(); }

void TQStringGrid::ColumnRemoving(TQGridColumn* Column)
{
    // The edited cell is addressed by position: store it while positions hold.
    EndEditing();
    if (FActiveCol == Column) FActiveCol = nullptr;
    std::erase(FVisibleColumns, Column);
}

void TQStringGrid::ColumnsChanged() { RebuildVisibleColumns(); }

void TQStringGrid::RebuildVisibleColumns()
{
    EndEditing();
    const int oldCol = Col();
    const int oldRow = Row();
    TQGridColumnList list;
    for (int i = 0; i < FColumns->Count(); ++i) {
        TQGridColumn* column = FColumns->Items(i);
        if (!column->FVisible) continue;
        if (column->FGridIndex < 0) column->FGridIndex = int(list.size());
        const auto before = std::find_if(list.begin(), list.end(),
                                         [&](const TQGridColumn* c) { return c->FGridIndex > column->FGridIndex; });
        list.insert(before, column);
    }
    for (size_t i = 0; i < list.size(); ++i) list[i]->FGridIndex = int(i);
    ResetModel([&] { FVisibleColumns = std::move(list); });
    RestoreCurrentCell(FActiveCol, oldCol, oldRow);
    updateGeometries();
    RepaintAll();
}

void TQStringGrid::ApplyColumnWidths()
{
    FSettingWidths = true;
    const auto restore = qScopeGuard([this] { FSettingWidths = false; });
    const int fixed = EffectiveFixedCols();
    for (int logical = 0; logical < FModelCols; ++logical)
        FHeader->resizeSection(logical, FVisibleColumns[size_t(fixed + logical)]->FWidth);
    updateGeometries();
}

void TQStringGrid::RestoreCurrentCell(TQGridColumn* PreferredColumn, int OldCol, int OldRow)
{
    if (FModelCols == 0) {
        SyncActiveCol();
        UpdateCellButton();
        return;
    }
    const int fixed = EffectiveFixedCols();
    const int col = PreferredColumn && PreferredColumn->FVisible && PreferredColumn->FGridIndex >= fixed
                        ? PreferredColumn->FGridIndex
                        : std::clamp(OldCol, fixed, VisibleColCount() - 1);
    const int row = FEmptyRows ? 0 : std::clamp(OldRow, 0, RowCount() - 1);
    const auto rows = FOptions & goRowSelect ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate;
    selectionModel()->setCurrentIndex(ModelIndex(col, row), QItemSelectionModel::ClearAndSelect | rows);
    SyncActiveCol();
    UpdateCellButton();
}

void TQStringGrid::ColumnWidthChanged(TQGridColumn* Column)
{
    if (FSettingWidths || !Column->FVisible || Column->FGridIndex < 0) return;
    const int fixed = EffectiveFixedCols();
    if (Column->FGridIndex < fixed) {
        updateGeometries();
        FFixedPanel->viewport()->update();
        FCorner->update();
    } else {
        FSettingWidths = true;
        FHeader->resizeSection(Column->FGridIndex - fixed, Column->FWidth);
        FSettingWidths = false;
    }
    PlaceEditor();
    UpdateCellButton();
}

void TQStringGrid::ColumnGridIndexChanged(TQGridColumn* Column, int Value)
{
    TQGridColumnList list = FVisibleColumns;
    std::erase(list, Column);
    list.insert(list.begin() + std::min<size_t>(size_t(Value), list.size()), Column);
    for (size_t i = 0; i < list.size(); ++i) list[i]->FGridIndex = int(i);
    RebuildVisibleColumns();
}

void TQStringGrid::ColumnSortOrderChanged(TQGridColumn* Column)
{
    if (FAutoSort && Column->FSortOrder != csNone) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        Sort();
    } else {
        InvalidateColumn(Column);
    }
}

void TQStringGrid::SetFixedCols(int Value)
{
    FFixedCols = std::max(Value, 0);
    RebuildVisibleColumns();
}

int TQStringGrid::FixedWidth() const
{
    int width = 0;
    for (int col = 0; col < EffectiveFixedCols(); ++col) width += FVisibleColumns[size_t(col)]->FWidth;
    return width;
}

void TQStringGrid::SetAutoSort(bool Value)
{
    FAutoSort = Value;
    if (Value) Sort();
}

void TQStringGrid::SetDefaultLook(bool Value)
{
    FDefaultLook = Value;
    RepaintAll();
}

void TQStringGrid::SetOptions(TGridOptions Value)
{
    FOptions = Value;
    setSelectionMode(Value & goRangeSelect ? ContiguousSelection : SingleSelection);
    setSelectionBehavior(Value & goRowSelect ? SelectRows : SelectItems);
    FHeader->setSectionResizeMode(Value & goColSizing ? QHeaderView::Interactive : QHeaderView::Fixed);
    FHeader->setSectionsMovable(Value & goColMoving);
    FFixedPanel->setSectionResizeMode(Value & goRowSizing ? QHeaderView::Interactive : QHeaderView::Fixed);
    setTabKeyNavigation(Value & goTabs);
    if (!(Value & goEditing)) EndEditing();
    RepaintAll();
}

void TQStringGrid::SetDefaultRowHeight(int Value)
{
    if (Value <= 0) return;
    FDefaultRowHeight = Value;
    FFixedPanel->setDefaultSectionSize(Value);
    updateGeometries();
    RepaintAll();
}

void TQStringGrid::RowSized()
{
    for (int row = 0; row < FFixedPanel->count(); ++row) {
        if (FFixedPanel->sectionSize(row) != FDefaultRowHeight) {
            SetDefaultRowHeight(FFixedPanel->sectionSize(row));
            return;
        }
    }
}

void TQStringGrid::SetHeaderFont(const TQGridFont& Value)
{
    FHeaderFont = Value;
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Items(i)->FParentHeaderFont) FColumns->Items(i)->FHeaderFont = Value;
    RepaintAll();
}

TQGridFont TQStringGrid::GridFont() const { return {font(), palette().color(QPalette::Text)}; }

QColor TQStringGrid::GridColor() const { return palette().color(QPalette::Base); }

void TQStringGrid::changeEvent(QEvent* Event)
{
    QTableView::changeEvent(Event);
    if (Event->type() == QEvent::FontChange || Event->type() == QEvent::PaletteChange) {
        for (int i = 0; i < FColumns->Count(); ++i)
            if (FColumns->Items(i)->FParentFont) FColumns->Items(i)->FFont = GridFont();
        RepaintAll();
    }
}

// --- sorting ---

void TQStringGrid::HeaderClick(int ACol)
{
    if (ACol < 0 || ACol >= VisibleColCount()) return;
    TQGridColumn* column = FVisibleColumns[size_t(ACol)];
    if (FAutoSort) {
        EndEditing();
        const TColumnSorting order = column->FSortOrder == csAsc ? csDsc : csAsc;
        for (int i = 0; i < FColumns->Count(); ++i)
            if (FColumns->Items(i) != column) FColumns->Items(i)->FSortOrder = csNone;
        column->SetSortOrder(order);
    }
    if (OnHeaderClick) OnHeaderClick(this, ACol);
    RepaintAll();
    const int fixed = EffectiveFixedCols();
    if (ACol >= fixed) {
        const int logical = ACol - fixed;
        if (FHeader->sectionViewportPosition(logical) + FHeader->sectionSize(logical) > FHeader->viewport()->width())
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() + 1);
    }
}

void TQStringGrid::Sort()
{
    EndEditing();
    FSortedColumns.clear();
    for (TQGridColumn* column : FVisibleColumns)
        if (column->FSortOrder != csNone) FSortedColumns.push_back(column);
    // Without a sort key every comparison is equal and the quicksort would
    // only shuffle the rows.
    if (!FSortedColumns.empty() && RowCount() > 1) {
        const auto release = qScopeGuard([this] { FSortedColumns.clear(); });
        QuickSort(0, RowCount() - 1);
    }
    FSortedColumns.clear();
    RepaintAll();
    UpdateCellButton();
}

int TQStringGrid::CompareRows(int Index1, int Index2) const
{
    int result = 0;
    for (const TQGridColumn* column : FSortedColumns) {
        result = CompareTextAscii(column->FValues[size_t(Index1)].Text, column->FValues[size_t(Index2)].Text);
        if (column->FSortOrder == csDsc) result = -result;
        if (result != 0) break;
    }
    if (OnCompareRows && !FSortedColumns.empty()) OnCompareRows(FSortedColumns, Index1, Index2, result);
    return result;
}

// The classic quicksort: middle row as pivot, the pivot followed when it is
// exchanged, whole rows moved. It recurses into the smaller part so that the
// stack stays shallow whatever the data; the order it produces is the same.
// The scans are bounded so that an inconsistent OnCompareRows cannot run
// them out of the range.
void TQStringGrid::QuickSort(int L, int R)
{
    while (L < R) {
        int i = L;
        int j = R;
        int p = (L + R) / 2;
        do {
            while (i < R && CompareRows(i, p) < 0) ++i;
            while (j > L && CompareRows(j, p) > 0) --j;
            if (i <= j) {
                if (i != j) SwapRows(i, j);
                if (p == i)
                    p = j;
                else if (p == j)
                    p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - L < R - i) {
            if (L < j) QuickSort(L, j);
            L = i;
        } else {
            if (i < R) QuickSort(i, R);
            R = j;
        }
    }
}

// --- editing ---

bool TQStringGrid::Editing() const { return FEditCol >= 0; }

bool TQStringGrid::CellShowsButton(int ACol, int ARow) const
{
    if (FEmptyRows || ACol < 0 || ACol >= VisibleColCount() || ARow < 0 || ARow >= RowCount()) return false;
    const TValueOptions options = CellOptions(FVisibleColumns[size_t(ACol)]->FValues[size_t(ARow)].Word);
    return (options & voButton) && !(options & voReadOnly);
}

bool TQStringGrid::CellReadOnly(int ACol, int ARow) const
{
    const TQGridColumn* column = FVisibleColumns[size_t(ACol)];
    return column->FReadOnly || (CellOptions(column->FValues[size_t(ARow)].Word) & voReadOnly);
}

bool TQStringGrid::CanEditCurrent() const
{
    const int col = Col();
    const int row = Row();
    if (!(FOptions & goEditing) || FEmptyRows || col < EffectiveFixedCols() || row < 0 || row >= RowCount())
        return false;
    return !CellShowsButton(col, row) && !CellReadOnly(col, row) && GetCellType(col, row) != vtBoolean;
}

bool TQStringGrid::ShowEditor()
{
    if (Editing()) return true;
    if (!CanEditCurrent()) return false;
    const int col = Col();
    const int row = Row();
    const QModelIndex current = currentIndex();
    selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    scrollTo(current);
    QString text = GetCell(col, row);
    if (OnGetEditText) OnGetEditText(this, col, row, text);
    FEditCol = col;
    FEditRow = row;
    TQGridColumn* column = FVisibleColumns[size_t(col)];
    const quint32 word = column->FValues[size_t(row)].Word;
    FEditor->TakeUp(column, CellOptions(word), CellType(word), col, row);
    FEditor->SetText(text);
    FEditStartText = FEditor->Text();
    FEditor->selectAll();
    FEditor->FMSelLength = FEditor->SelLength();
    PlaceEditor();
    FEditor->show();
    FEditor->setFocus(Qt::OtherFocusReason);
    return true;
}

bool TQStringGrid::ShowEditorForUser()
{
    if (ShowEditor()) return true;
    const int col = Col();
    const int row = Row();
    if (OnEditRefused && (FOptions & goEditing) && !FEmptyRows && col >= EffectiveFixedCols() &&
        col < VisibleColCount() && row >= 0 && row < RowCount() && CellReadOnly(col, row))
        OnEditRefused(this, col, row);
    return false;
}

void TQStringGrid::EndEditing(bool Cancel)
{
    if (!Editing() || FEndingEdit) return;
    FEndingEdit = true;
    const int col = FEditCol;
    const int row = FEditRow;
    const QString value = FEditor->Text();
    const bool store = !(Cancel || FNoUpdateData || FEmptyRows || col >= VisibleColCount() || row >= RowCount());
    {
        // The editor is let go before the text is handed on: what the handler
        // starts (a search that opens another cell) finds the grid not editing.
        const auto done = qScopeGuard([this] { FEndingEdit = false; });
        FEditCol = FEditRow = -1;
        const bool hadFocus = FEditor->hasFocus();
        FEditor->hide();
        if (hadFocus) setFocus(Qt::OtherFocusReason);
    }
    UpdateCellButton();
    if (!store) return;
    if (OnSetEditText) OnSetEditText(this, col, row, value);
    if (col < VisibleColCount() && row < RowCount()) SetCell(col, row, value);
}

void TQStringGrid::EndCellEdit()
{
    if (!Editing()) return;
    if (FEditor->Text() != FEditStartText)
        EndEditing();
    else
        CancelEditing();
}

void TQStringGrid::CancelEditing()
{
    const int col = FEditCol;
    const int row = FEditRow;
    const QString text = GetCell(col, row);
    FNoUpdateData = true;
    {
        const auto restore = qScopeGuard([this] { FNoUpdateData = false; });
        FEditor->SetText(text);
        EndEditing(true);
    }
    if (OnCancelEdit) OnCancelEdit(this, col, row, text);
}

void TQStringGrid::PlaceEditor()
{
    if (!Editing() || !FEditor) return;
    QRect rect = visualRect(ModelIndex(FEditCol, FEditRow));
    if (FEditor->MultiLine()) {
        const int height = 100;
        if (rect.top() + height > viewport()->height()) rect.moveTop(rect.top() - (height - rect.height()));
        rect.setHeight(height);
    }
    FEditor->setGeometry(rect);
}

void TQStringGrid::HandleEnter()
{
    const int col = Col();
    const int row = Row();
    if (CellShowsButton(col, row)) {
        ButtonAction();
        return;
    }
    auto moveDown = [&] {
        if (FAutoMoveDown && !FEmptyRows && Row() >= 0 && Row() < RowCount() - 1)
            MoveCurrent(Col(), Row() + 1, true, true);
    };
    if (Editing()) {
        EndEditing();
        moveDown();
    } else if (!ShowEditor()) {
        moveDown();
    }
    PositionChanged();
}

void TQStringGrid::HandleCtrlEnter()
{
    const int col = Col();
    const int row = Row();
    if (!FEmptyRows && row >= 0 && col >= EffectiveFixedCols() && !CellShowsButton(col, row) && !CellReadOnly(col, row))
        SetCellOptions(col, row, GetCellOptions(col, row) | voList);
    HandleEnter();
}

bool TQStringGrid::FireKeyPress(QChar& Key)
{
    if (OnKeyPress) OnKeyPress(this, Key);
    return !Key.isNull();
}

bool TQStringGrid::HandleChar(QChar Key)
{
    switch (Key.unicode()) {
    case 13:
        HandleEnter();
        return true;
    case 10:
        if (Editing()) return false; // a line break for the editor
        HandleCtrlEnter();
        return true;
    case 27:
        if (Editing()) CancelEditing();
        return true;
    case u' ': {
        const int col = Col();
        const int row = Row();
        if (Editing() || FEmptyRows || row < 0 || col < EffectiveFixedCols()) return false;
        if (GetCellType(col, row) != vtBoolean) return false;
        if (!CellReadOnly(col, row)) ToggleBoolean();
        return true;
    }
    default:
        return false;
    }
}

void TQStringGrid::ToggleBoolean()
{
    const int col = Col();
    const int row = Row();
    const QString value = GetCell(col, row) == u"1" ? QStringLiteral("0") : QStringLiteral("1");
    if (OnSetEditText) OnSetEditText(this, col, row, value);
    SetCell(col, row, value);
}

QPushButton* TQStringGrid::CellButton()
{
    if (!FCellButton) {
        FCellButton = new QPushButton(QString(3, QChar(0x00B7)), viewport());
        FCellButton->setFont(QFont(QStringLiteral("Arial"), 10));
        FCellButton->setFocusPolicy(Qt::NoFocus);
        FCellButton->hide();
        connect(FCellButton, &QPushButton::clicked, this, [this] { ButtonAction(); });
    }
    return FCellButton;
}

void TQStringGrid::ButtonAction()
{
    if (OnButtonClick) OnButtonClick(this);
    UpdateCellButton();
    InvalidateCell(Col(), Row());
}

void TQStringGrid::UpdateCellButton()
{
    const int col = Col();
    const int row = Row();
    QRect rect;
    if (!Editing() && col >= EffectiveFixedCols() && CellShowsButton(col, row))
        rect = visualRect(ModelIndex(col, row)).intersected(viewport()->rect());
    const int side = rect.height() - 2;
    if (rect.isEmpty() || rect.width() < side + 3) {
        if (FCellButton) FCellButton->hide();
        return;
    }
    QPushButton* button = CellButton();
    button->setGeometry(rect.left() + rect.width() - side, rect.top() + 1, side, side);
    button->show();
    button->raise();
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

// --- painting ---

TGridDrawState TQStringGrid::CellState(int ACol, int ARow) const
{
    TGridDrawState state;
    if (ACol < EffectiveFixedCols()) return gdFixed;
    if (FEmptyRows || ARow < 0) return state;
    const QModelIndex index = ModelIndex(ACol, ARow);
    if (selectionModel()->isSelected(index)) state |= gdSelected;
    if (hasFocus() && index == currentIndex()) state |= gdFocused;
    return state;
}

void TQStringGrid::PaintCell(QPainter& Painter, const QRect& Rect, int ACol, int ARow)
{
    if (ACol < 0 || ACol >= VisibleColCount() || Rect.isEmpty()) return;
    const TQGridColumn* column = FVisibleColumns[size_t(ACol)];
    const bool header = ARow < 0;
    const bool fixed = ACol < EffectiveFixedCols();
    const bool data = !header && !FEmptyRows && ARow < RowCount();
    const TGridDrawState state = header ? (fixed ? TGridDrawState(gdFixed) : TGridDrawState()) : CellState(ACol, ARow);
    const bool currentRow = data && ARow == Row();
    const QPalette& pal = palette();
    const QColor columnColor = column->FColor.isValid() ? column->FColor : GridColor();
    const TQGridFont selectedFont{column->FFont.Font, FSelectedFontColor};

    TQCellProperties props;
    props.Alignment = header ? Qt::AlignLeft : column->FAlignment;
    if (FDefaultLook) {
        if (header || fixed) {
            props.Color = pal.color(QPalette::Button);
            props.Font = {header ? column->FHeaderFont.Font : column->FFont.Font, pal.color(QPalette::ButtonText)};
        } else if ((state & gdSelected) && !(state & gdFocused)) {
            props.Color = pal.color(QPalette::Highlight);
            props.Font = {column->FFont.Font, pal.color(QPalette::HighlightedText)};
        } else {
            props.Color = columnColor;
            props.Font = column->FFont;
        }
    } else if (header) {
        if (column == FActiveCol) {
            props.Color = FActiveHeaderColor;
            props.Font = FActiveHeaderFont;
            if (!props.Font.Color.isValid()) props.Font.Color = column->FHeaderFont.Color;
        } else {
            props.Color = column->FHeaderColor.isValid() ? column->FHeaderColor : FHeaderColor;
            props.Font = column->FHeaderFont;
        }
    } else if (fixed) {
        if (currentRow) {
            props.Color = FActiveFixedColor;
            props.Font = FActiveFixedFont;
        } else {
            props.Color = FFixedColor.isValid() ? FFixedColor : columnColor;
            props.Font = FFixedFont;
        }
    } else {
        props.Font = column->FFont;
        props.Color = column == FActiveCol && FActiveColColor.isValid() ? FActiveColColor : columnColor;
        const bool selected = state & gdSelected;
        const bool focused = state & gdFocused;
        if (currentRow) {
            if (FOptions & goRowSelect) {
                props.Color = FSelectedColor;
                props.Font = selectedFont;
            } else {
                if (FActiveRowColor.isValid()) props.Color = FActiveRowColor;
                if (FActiveRowFontColor.isValid()) props.Font.Color = FActiveRowFontColor;
            }
        } else if ((selected && !focused) || ((selected || focused) && (FOptions & goDrawFocusSelected))) {
            props.Color = FSelectedColor;
            props.Font = selectedFont;
        }
    }
    if (header) {
        if (OnGetHeaderCellProps) OnGetHeaderCellProps(this, ACol, props);
    } else if (data && OnGetCellProps) {
        OnGetCellProps(this, ACol, ARow, props);
    }

    const QColor background = props.Color.isValid() ? props.Color : GridColor();
    Painter.save();
    Painter.setClipRect(Rect);
    Painter.fillRect(Rect, background);
    const TQGridCell* cell = data ? &column->FValues[size_t(ARow)] : nullptr;
    if (cell && CellType(cell->Word) == vtBoolean) {
        if (cell->Text != u"0") PaintCheckMark(Painter, Rect, background);
    } else {
        const QString text = header ? column->FCaption : DisplayText(ACol, ARow);
        if (!text.isEmpty()) {
            const int left = Rect.left() + (header && column->FReadOnly && !fixed ? 10 : 3);
            const QRect textRect(QPoint(left, Rect.top()), QPoint(Rect.right() - 3, Rect.bottom()));
            int flags = Qt::AlignVCenter | Qt::TextSingleLine;
            flags |= header ? Qt::AlignLeft : int(props.Alignment & Qt::AlignHorizontal_Mask);
            if (data && FEditor && FEditor->RightToLeft()) flags |= Qt::TextForceRightToLeft;
            Painter.setFont(props.Font.Font);
            Painter.setPen(props.Font.Color.isValid() ? props.Font.Color : pal.color(QPalette::Text));
            Painter.drawText(textRect, flags, text);
        }
    }
    if (header && column->FSortOrder != csNone) PaintSortMark(Painter, Rect, column->FSortOrder, background);
    if (header && column->FReadOnly && !fixed) PaintReadOnlyMark(Painter, Rect);
    if ((state & gdFocused) && !(FOptions & goRowSelect)) {
        Painter.setPen(QPen(pal.color(QPalette::Text), 1, Qt::DotLine));
        Painter.setBrush(Qt::NoBrush);
        Painter.drawRect(Rect.adjusted(0, 0, -1, -1));
    }
    Painter.restore();

    if (header && OnDrawHeader) {
        Painter.save();
        Painter.setClipRect(Rect);
        OnDrawHeader(this, Painter, ACol, Rect, state);
        Painter.restore();
    } else if (data && OnDrawCell) {
        Painter.save();
        Painter.setClipRect(Rect);
        OnDrawCell(this, Painter, ACol, ARow, Rect, state);
        Painter.restore();
    }
}

void TQStringGrid::PaintCheckMark(QPainter& Painter, const QRect& Rect, const QColor& Background) const
{
    const int x = Rect.left() + (Rect.width() - 10) / 2;
    const int y = Rect.top() + (Rect.height() - 9) / 2;
    const QColor pen(255 - Background.red(), 255 - Background.green(), 255 - Background.blue());
    Painter.setPen(QPen(pen, 3));
    Painter.drawPolyline(QPolygon({QPoint(x + 1, y + 6), QPoint(x + 4, y + 10), QPoint(x + 7, y + 5)}));
    Painter.setPen(QPen(pen, 2));
    Painter.drawLine(x + 7, y + 5, x + 13, y + 1);
}

void TQStringGrid::PaintSortMark(QPainter& Painter, const QRect& Rect, TColumnSorting Order,
                                 const QColor& Background) const
{
    // Coordinates count from the cell's exclusive right and bottom edges.
    const int right = Rect.left() + Rect.width();
    const int bottom = Rect.top() + Rect.height();
    Painter.fillRect(QRect(QPoint(right - 23, Rect.top() + 2), QPoint(right - 2, bottom - 3)), Background);
    const int a = right - 20;
    const int b = Rect.top() + 10;
    QPolygon triangle;
    QLine light;
    if (Order == csAsc) {
        triangle << QPoint(a, b) << QPoint(a, b - 1) << QPoint(a + 4, b - 5) << QPoint(a + 8, b - 1)
                 << QPoint(a + 8, b);
        light = QLine(a, b - 1, a + 4, b - 5);
    } else {
        triangle << QPoint(a, b - 5) << QPoint(a + 8, b - 5) << QPoint(a + 8, b - 4) << QPoint(a + 4, b)
                 << QPoint(a, b - 4);
        light = QLine(a, b - 4, a + 4, b);
    }
    Painter.setPen(Qt::black);
    Painter.setBrush(QColor(0xC0, 0xC0, 0xC0));
    Painter.drawPolygon(triangle);
    Painter.setPen(Qt::white);
    Painter.drawLine(light);
    Painter.setBrush(Qt::NoBrush);
}

void TQStringGrid::PaintReadOnlyMark(QPainter& Painter, const QRect& Rect) const
{
    const int x = Rect.left() + 2;
    const int y = Rect.top() + 5;
    Painter.fillRect(QRect(x + 1, y + 1, 3, 8), QColor(0xFB, 0xCD, 0x44)); // orange yellow
    Painter.setPen(Qt::black);
    Painter.drawPolyline(
        QPolygon({QPoint(x, y + 1), QPoint(x, y + 9), QPoint(x + 4, y + 9), QPoint(x + 4, y), QPoint(x, y)}));
    Painter.drawLine(x + 2, y + 2, x + 2, y + 6);
    Painter.drawPoint(x + 2, y + 7);
}
