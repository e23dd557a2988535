// The string grid's in-place editing: when the editor opens, how it ends,
// and the cell button.

#include "app/gui/grid/QStringGrid.h"

#include "app/gui/grid/QGridParts.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPushButton>
#include <QScopeGuard>

#include <algorithm>

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
