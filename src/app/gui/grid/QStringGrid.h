#pragma once

#include "app/gui/grid/QGridColumn.h"
#include "app/gui/grid/QGridEditor.h"

#include <QTableView>

#include <functional>

class QPushButton;
class TQGridModel;
class TQGridHeader;
class TQGridFixedPanel;
class TQGridCorner;

// A rectangle of cells: visible column indexes and data-row indexes.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TGridRect& Other) const = default;
};

struct TGridCoord {
    int X = -1;
    int Y = -1;
};

enum TGridDrawStateFlag { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridDrawState)

// Behaviour of the grid base that the owner switches on.
enum TGridOption {
    goRangeSelect = 1,       // shift and drag select a rectangle of cells
    goDrawFocusSelected = 2, // the focused cell is painted as selected
    goRowSizing = 4,         // rows can be sized in the fixed columns
    goColSizing = 8,         // columns can be sized in the header
    goColMoving = 16,        // columns can be dragged to another place
    goEditing = 32,          // cells can be edited in place
    goTabs = 64,             // Tab moves between cells
    goRowSelect = 128        // whole rows are selected
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TGridOptions)

// The editable string grid with typed columns. Data rows are numbered from 0
// under one header row; columns are addressed by their position among the
// visible columns. The cells live in the columns; the view paints only what
// is on screen, so it stays fast with hundreds of thousands of rows.
//
// Events are std::function members named after the events; an empty one is
// "not assigned". Arguments passed by non-const reference are "var" arguments
// the handler may change.
class TQStringGrid : public QTableView {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TQStringGrid* Sender)>;
    using TGetEditTextEvent = std::function<void(TQStringGrid* Sender, int ACol, int ARow, QString& Value)>;
    using TSetEditTextEvent = std::function<void(TQStringGrid* Sender, int ACol, int ARow, const QString& Value)>;
    using TSelectCellEvent = std::function<void(TQStringGrid* Sender, int ACol, int ARow, bool& CanSelect)>;
    using TActiveColChangedEvent =
        std::function<void(TQStringGrid* Sender, TQGridColumn* OldActiveCol, TQGridColumn* NewActiveCol)>;
    using TGetCellPropsEvent =
        std::function<void(TQStringGrid* Sender, int ACol, int ARow, TQCellProperties& CellProps)>;
    using TGetHeaderCellPropsEvent = std::function<void(TQStringGrid* Sender, int ACol, TQCellProperties& CellProps)>;
    using TGetEditPropsEvent = std::function<void(TQSGInplaceEdit* Sender, int ACol, int ARow)>;
    // The draw events get the painter the cell was painted with (clipped to the cell).
    using TDrawCellEvent = std::function<void(TQStringGrid* Sender, QPainter& Painter, int ACol, int ARow,
                                              const QRect& Rect, TGridDrawState State)>;
    using TDrawHeaderEvent =
        std::function<void(TQStringGrid* Sender, QPainter& Painter, int ACol, const QRect& Rect, TGridDrawState State)>;
    using THeaderClickEvent = std::function<void(TQStringGrid* Sender, int ACol)>;
    using TContextPopupEvent = std::function<void(TQStringGrid* Sender, int X, int Y)>;
    using TCompareRowsEvent =
        std::function<void(const TQGridColumnList& SortedColumns, int Index1, int Index2, int& Result)>;
    // Characters (13 Enter, 10 Ctrl+Enter, 27 Escape, printable ones) before the
    // grid acts on them; setting Key to 0 drops it.
    using TKeyPressEvent = std::function<void(TQStringGrid* Sender, QChar& Key)>;
    // Key presses (Qt key codes) before the grid acts on them; 0 drops the key.
    using TKeyDownEvent = std::function<void(TQStringGrid* Sender, int& Key, Qt::KeyboardModifiers Modifiers)>;
    using TCellEvent = std::function<void(TQStringGrid* Sender, int ACol, int ARow)>;

    explicit TQStringGrid(QWidget* Parent = nullptr);
    ~TQStringGrid() override;

    TGetEditTextEvent OnGetEditText;
    TSetEditTextEvent OnSetEditText;
    TSetEditTextEvent OnCancelEdit;
    TSelectCellEvent OnSelectCell;
    TActiveColChangedEvent OnActiveColChanged;
    TNotifyEvent OnSelectionChanged;
    TGetCellPropsEvent OnGetCellProps;
    TGetHeaderCellPropsEvent OnGetHeaderCellProps;
    TGetEditPropsEvent OnGetEditProps;
    TDrawCellEvent OnDrawCell;
    TDrawHeaderEvent OnDrawHeader;
    TNotifyEvent OnButtonClick;
    THeaderClickEvent OnHeaderClick;
    TContextPopupEvent OnContextPopup;
    TNotifyEvent OnEditorSelChange;
    TCompareRowsEvent OnCompareRows;
    TKeyPressEvent OnKeyPress;
    TKeyDownEvent OnKeyDown;
    // The user asked to edit the current cell (typing, F2, a double click)
    // and the cell is read-only (its column or its voReadOnly).
    TCellEvent OnEditRefused;

    // Cells.
    QString GetCell(int ColIndex, int RowIndex) const;
    void SetCell(int ColIndex, int RowIndex, const QString& Value);
    TValueOptions GetCellOptions(int ColIndex, int RowIndex) const;
    void SetCellOptions(int ColIndex, int RowIndex, TValueOptions Value);
    TValueType GetCellType(int ColIndex, int RowIndex) const;
    void SetCellType(int ColIndex, int RowIndex, TValueType Value);
    void* GetRowData(int Index) const;
    void SetRowData(int Index, void* Value);

    // Rows.
    int RowCount() const { return FEmptyRows ? 0 : int(FRowData.size()); }
    void SetRowCount(int Value);
    void AddRow();
    void AddRows(int Count);
    void InsertRow(int Index);
    void DeleteRow(int Index);
    void DeleteRows(int Index1, int Index2);
    void DeleteSelectedRows();
    void ClearRows();
    void ClearAll();
    void ExchangeRows(int Index1, int Index2);
    void MoveRow(int FromIndex, int ToIndex);
    int IndexOfRowData(const void* Item) const;

    // Position and selection.
    int Col() const;
    void SetCol(int Value);
    int Row() const;
    void SetRow(int Value);
    int TopRow() const;
    void SetTopRow(int Value);
    TGridRect Selection() const;
    void SetSelection(const TGridRect& Value);
    void FocusCell(int ACol, int ARow, bool MoveAnchor);
    void MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show);
    bool CellSelected(int ACol, int ARow) const;
    bool MultiRowsSelected() const;
    bool MultiColsSelected() const;
    // In the grid's own coordinates; empty when the cell is not on screen.
    QRect CellRect(int ACol, int ARow) const;
    // The cell under a point in the grid's own coordinates (Y −1 in the header).
    TGridCoord MouseCoord(int X, int Y) const;
    void InvalidateCell(int ACol, int ARow);
    void InvalidateRow(int ARow);
    TQSGInplaceEdit* GetInplaceEditor() const { return FEditor; }
    bool Editing() const;
    // Ends in-place editing; the text is stored unless Cancel.
    void EndEditing(bool Cancel = false);
    // Cancels editing as the Escape key does: the cell keeps its text and
    // OnCancelEdit is told.
    void CancelEditing();
    // Before a command writes values: what the user typed is stored through
    // the cell edit path, an editor only opened closes without a write; so
    // no editor's text lands after the command.
    void EndCellEdit();
    // Opens the in-place editor on the current cell when that cell may be edited.
    bool ShowEditor();

    // Columns.
    TQGridColumns& Columns() { return *FColumns; }
    const TQGridColumns& Columns() const { return *FColumns; }
    int VisibleColCount() const { return int(FVisibleColumns.size()); }
    TQGridColumn* VisibleColumn(int ACol) const;
    TQGridColumn* ActiveColumn() const { return FActiveCol; }
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int Value);
    int EffectiveFixedCols() const;
    void Sort();
    bool AutoSort() const { return FAutoSort; }
    void SetAutoSort(bool Value);
    bool AutoMoveDown() const { return FAutoMoveDown; }
    void SetAutoMoveDown(bool Value) { FAutoMoveDown = Value; }
    bool ProcessIMEChars() const { return FProcessIMEChars; }
    void SetProcessIMEChars(bool Value) { FProcessIMEChars = Value; }
    bool DefaultLook() const { return FDefaultLook; }
    void SetDefaultLook(bool Value);
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int Value) { FDefaultColWidth = Value; }
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int Value);
    QPushButton* CellButton();

    // Colours and fonts; an invalid colour is "none".
    QColor ActiveRowColor() const { return FActiveRowColor; }
    void SetActiveRowColor(const QColor& Value) { SetLook(FActiveRowColor, Value); }
    QColor ActiveRowFontColor() const { return FActiveRowFontColor; }
    void SetActiveRowFontColor(const QColor& Value) { SetLook(FActiveRowFontColor, Value); }
    QColor ActiveColColor() const { return FActiveColColor; }
    void SetActiveColColor(const QColor& Value) { SetLook(FActiveColColor, Value); }
    QColor ActiveHeaderColor() const { return FActiveHeaderColor; }
    void SetActiveHeaderColor(const QColor& Value) { SetLook(FActiveHeaderColor, Value); }
    const TQGridFont& ActiveHeaderFont() const { return FActiveHeaderFont; }
    void SetActiveHeaderFont(const TQGridFont& Value) { SetLook(FActiveHeaderFont, Value); }
    QColor HeaderColor() const { return FHeaderColor; }
    void SetHeaderColor(const QColor& Value) { SetLook(FHeaderColor, Value); }
    const TQGridFont& HeaderFont() const { return FHeaderFont; }
    void SetHeaderFont(const TQGridFont& Value);
    QColor ActiveFixedColor() const { return FActiveFixedColor; }
    void SetActiveFixedColor(const QColor& Value) { SetLook(FActiveFixedColor, Value); }
    const TQGridFont& ActiveFixedFont() const { return FActiveFixedFont; }
    void SetActiveFixedFont(const TQGridFont& Value) { SetLook(FActiveFixedFont, Value); }
    QColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(const QColor& Value) { SetLook(FFixedColor, Value); }
    const TQGridFont& FixedFont() const { return FFixedFont; }
    void SetFixedFont(const TQGridFont& Value) { SetLook(FFixedFont, Value); }
    QColor SelectedColor() const { return FSelectedColor; }
    void SetSelectedColor(const QColor& Value) { SetLook(FSelectedColor, Value); }
    QColor SelectedFontColor() const { return FSelectedFontColor; }
    void SetSelectedFontColor(const QColor& Value) { SetLook(FSelectedFontColor, Value); }
    // The grid's own font with its colour (template of the columns' fonts) and background.
    TQGridFont GridFont() const;
    QColor GridColor() const;

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;
    void inputMethodEvent(QInputMethodEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void scrollContentsBy(int DX, int DY) override;
    void updateGeometries() override;
    QModelIndex moveCursor(CursorAction Action, Qt::KeyboardModifiers Modifiers) override;
    void currentChanged(const QModelIndex& Current, const QModelIndex& Previous) override;

private:
    friend class TQGridColumn;
    friend class TQGridColumns;
    friend class TQGridModel;
    friend class TQGridDelegate;
    friend class TQGridHeader;
    friend class TQGridFixedPanel;
    friend class TQGridCorner;
    friend class TQSGInplaceEdit;

    template <class T> void SetLook(T& Field, const T& Value)
    {
        Field = Value;
        RepaintAll();
    }

    // Hooks of the columns.
    void ColumnAdded(TQGridColumn* Column);
    void ColumnRemoving(TQGridColumn* Column);
    void ColumnsChanged();
    void ColumnWidthChanged(TQGridColumn* Column);
    void ColumnGridIndexChanged(TQGridColumn* Column, int Value);
    void ColumnSortOrderChanged(TQGridColumn* Column);
    void InvalidateColumn(const TQGridColumn* Column);

    void CheckCol(int ACol) const;
    void CheckRow(int ARow) const;
    TQGridColumn* Column(int ACol) const;
    QModelIndex ModelIndex(int ACol, int ARow) const;
    QString DisplayText(int ACol, int ARow) const;

    void RebuildVisibleColumns();
    void ApplyColumnWidths();
    // Announces a change of the row or column count to the view; Change runs in between.
    void ResetModel(const std::function<void()>& Change = {});
    void InsertRowsAt(int Index, int Count);
    // Rows First to Last come (Insert) or go; Change edits the lists meanwhile.
    void ChangeRows(int First, int Last, bool Insert, const std::function<void()>& Change);
    // Applies Action to every list that holds one entry per row.
    template <class F> void ForEachRowList(F&& Action)
    {
        for (int i = 0; i < FColumns->Count(); ++i) Action(FColumns->Items(i)->FValues);
        Action(FRowData);
    }
    void SwapRows(int Index1, int Index2);
    void RestoreCurrentCell(TQGridColumn* PreferredColumn, int OldCol, int OldRow);
    void RowSized();

    bool SelectCell(int ACol, int ARow);
    bool MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
    void PositionChanged();
    void SyncActiveCol();
    void RepaintAll();

    bool CellShowsButton(int ACol, int ARow) const;
    bool CellReadOnly(int ACol, int ARow) const;
    bool CanEditCurrent() const;
    // ShowEditor for the user's typing or click; tells OnEditRefused when the
    // cell is read-only.
    bool ShowEditorForUser();
    void HandleEnter();
    void HandleCtrlEnter();
    bool HandleChar(QChar Key);
    // The owner's key-press handler; false when it dropped the key.
    bool FireKeyPress(QChar& Key);
    void NavigateKey(QKeyEvent* Event);
    void TabMove(bool Next);
    void ToggleBoolean();
    void ButtonAction();
    void UpdateCellButton();
    void PlaceEditor();
    void HeaderClick(int ACol);
    int CompareRows(int Index1, int Index2) const;
    void QuickSort(int L, int R);

    // Painting of every cell, header and fixed ones included.
    void PaintCell(QPainter& Painter, const QRect& Rect, int ACol, int ARow);
    TGridDrawState CellState(int ACol, int ARow) const;
    void PaintSortMark(QPainter& Painter, const QRect& Rect, TColumnSorting Order, const QColor& Background) const;
    void PaintReadOnlyMark(QPainter& Painter, const QRect& Rect) const;
    void PaintCheckMark(QPainter& Painter, const QRect& Rect, const QColor& Background) const;
    int FixedWidth() const;

    std::unique_ptr<TQGridColumns> FColumns;
    TQGridColumnList FVisibleColumns;
    int FFixedCols = 0;
    std::vector<void*> FRowData;
    bool FEmptyRows = true;
    TQGridColumn* FActiveCol = nullptr;
    bool FAutoSort = true;
    bool FAutoMoveDown = false;
    bool FProcessIMEChars = true;
    QPushButton* FCellButton = nullptr;
    TQGridColumnList FSortedColumns;
    TGridRect FOldSelection;
    bool FNoUpdateData = false;
    bool FDefaultLook = false;

    QColor FActiveRowColor;
    QColor FActiveRowFontColor;
    QColor FActiveColColor;
    QColor FActiveHeaderColor;
    TQGridFont FActiveHeaderFont;
    QColor FHeaderColor;
    TQGridFont FHeaderFont;
    QColor FActiveFixedColor;
    TQGridFont FActiveFixedFont;
    QColor FFixedColor;
    TQGridFont FFixedFont;
    QColor FSelectedColor;
    QColor FSelectedFontColor;

    TGridOptions FOptions = goRangeSelect;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 18;
    bool FSettingWidths = false;
    bool FEndingEdit = false;
    QString FEditStartText; // what the editor showed when it opened
    int FEditCol = -1;      // the cell being edited
    int FEditRow = -1;
    bool FPressOnCurrent = false; // a click of the already current cell opens the editor
    bool FBasePressed = false;    // the base saw the left button's press
    int FModelRows = 1;           // what the model last announced to the view
    int FModelCols = 0;
    TQGridModel* FModel = nullptr;
    TQGridHeader* FHeader = nullptr;
    TQGridFixedPanel* FFixedPanel = nullptr;
    TQGridCorner* FCorner = nullptr;
    TQSGInplaceEdit* FEditor = nullptr;
};
