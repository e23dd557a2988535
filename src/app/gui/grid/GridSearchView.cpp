#include "app/gui/grid/GridSearchView.h"

#include "app/gui/grid/QStringGrid.h"
#include "langfile/LangFile.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

const TLangFile* ColumnFileOf(const TQStringGrid* Grid, int ACol)
{
    if (ACol < 0 || ACol >= Grid->VisibleColCount()) return nullptr;
    return static_cast<const TLangFile*>(Grid->VisibleColumn(ACol)->Data());
}

// The editor's document holds one character per line break where the cell
// text holds "\r\n"; these convert between the two counts.
int TextToDocPos(const QString& Text, int Pos)
{
    Pos = std::clamp(Pos, 0, int(Text.size()));
    return Pos - int(QStringView(Text).left(Pos).count(QStringLiteral("\r\n")));
}

int DocToTextPos(const QTextCursor& Cursor, int DocPos)
{
    return DocPos + Cursor.document()->findBlock(DocPos).blockNumber();
}

} // namespace

int TGridSearchView::RowCount() const { return FGrid->RowCount(); }

int TGridSearchView::ColCount() const { return FGrid->VisibleColCount(); }

bool TGridSearchView::ValidCell(int ACol, int ARow) const
{
    return ACol >= 0 && ACol < ColCount() && ARow >= 0 && ARow < RowCount();
}

TLocItem* TGridSearchView::RowItem(int ARow) const
{
    return ARow >= 0 && ARow < RowCount() ? static_cast<TLocItem*>(FGrid->GetRowData(ARow)) : nullptr;
}

int TGridSearchView::ColumnLangIndex(int ACol) const
{
    const TLangFile* file = ColumnFileOf(FGrid, ACol);
    return file ? file->LangIndex() : -1;
}

int TGridSearchView::ColumnLocale(int ACol) const
{
    const TLangFile* file = ColumnFileOf(FGrid, ACol);
    return file ? file->Locale() : 0;
}

bool TGridSearchView::ColumnReadOnly(int ACol) const
{
    return ACol < 0 || ACol >= ColCount() || FGrid->VisibleColumn(ACol)->ReadOnly();
}

bool TGridSearchView::CellReadOnly(int ACol, int ARow) const
{
    return !ValidCell(ACol, ARow) || FGrid->GetCellOptions(ACol, ARow).testFlag(voReadOnly);
}

bool TGridSearchView::CellIsString(int ACol, int ARow) const
{
    return ValidCell(ACol, ARow) && FGrid->GetCellType(ACol, ARow) == vtString;
}

int TGridSearchView::Col() const { return FGrid->Col(); }

int TGridSearchView::Row() const { return FGrid->Row(); }

void TGridSearchView::MoveTo(int ACol, int ARow)
{
    if (!ValidCell(ACol, ARow)) return;
    FGrid->EndEditing();
    FGrid->FocusCell(ACol, ARow, true);
}

bool TGridSearchView::Editing() const { return FGrid->Editing(); }

QString TGridSearchView::EditorText() const
{
    return FGrid->GetInplaceEditor() ? FGrid->GetInplaceEditor()->Text() : QString();
}

int TGridSearchView::EditorSelStart() const
{
    const TQSGInplaceEdit* editor = FGrid->GetInplaceEditor();
    if (!editor) return 0;
    const QTextCursor cursor = editor->textCursor();
    return DocToTextPos(cursor, cursor.selectionStart());
}

int TGridSearchView::EditorSelLength() const
{
    const TQSGInplaceEdit* editor = FGrid->GetInplaceEditor();
    if (!editor) return 0;
    const QTextCursor cursor = editor->textCursor();
    return DocToTextPos(cursor, cursor.selectionEnd()) - DocToTextPos(cursor, cursor.selectionStart());
}

void TGridSearchView::ReplaceEditorSelection(const QString& Text)
{
    TQSGInplaceEdit* editor = FGrid->GetInplaceEditor();
    if (!editor) return;
    QString text = Text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    editor->textCursor().insertText(text);
}

void TGridSearchView::EditAndSelect(int SelStart, int SelLength)
{
    const int col = Col(), row = Row();
    if (!ValidCell(col, row)) return;
    if (!FGrid->Editing()) {
        const bool dialog = CellEditDialog && *CellEditDialog;
        if (CellEditDialog) *CellEditDialog = false;
        FGrid->SetCellOptions(col, row, FGrid->GetCellOptions(col, row) & ~TValueOptions(voButton));
        FGrid->ShowEditor();
        if (CellEditDialog) *CellEditDialog = dialog;
    }
    TQSGInplaceEdit* editor = FGrid->GetInplaceEditor();
    if (!editor || !FGrid->Editing()) return;
    const QString text = editor->Text();
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(TextToDocPos(text, SelStart));
    cursor.setPosition(TextToDocPos(text, SelStart + SelLength), QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    FGrid->viewport()->update();
}

bool TGridSearchView::EditorModified() const
{
    const TQSGInplaceEdit* editor = FGrid->GetInplaceEditor();
    return FGrid->Editing() && editor && editor->document()->isModified();
}

void TGridSearchView::EndEditing(bool Cancel)
{
    if (!FGrid->Editing()) return;
    // A cancel is as if Escape were pressed: the owner hears of it and puts
    // back what editing took from the cell (its button).
    if (Cancel)
        FGrid->CancelEditing();
    else
        FGrid->EndEditing(false);
}

void TGridSearchView::SetEditText(int ACol, int ARow, const QString& Text)
{
    if (FGrid->OnSetEditText) FGrid->OnSetEditText(FGrid, ACol, ARow, Text);
    // The prompt's Replace stores the editor's text: the two agree again.
    if (FGrid->Editing() && ACol == Col() && ARow == Row() && Text == EditorText())
        FGrid->GetInplaceEditor()->document()->setModified(false);
}
