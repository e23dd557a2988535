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
