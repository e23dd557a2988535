// The main grid's commands on the selected cells: the marks, the clipboard,
// and the filter and sorting of the rows.

#include "app/gui/grid/MainGridController.h"

#include "app/gui/grid/QGridEditor.h"
#include "core/DateTime.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFile.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>

#include <algorithm>

namespace {

TPrompt& Prompt() { return DefaultPrompt(); }

// A cell text for the clipboard: in double quotes when it holds a line break
// or a tab, carriage returns dropped and quotes doubled.
QString ClipboardField(const QString& Text)
{
    if (!Text.contains(QLatin1Char('\r')) && !Text.contains(QLatin1Char('\n')) && !Text.contains(QLatin1Char('\t')))
        return Text;
    QString s = Text;
    s.remove(QLatin1Char('\r'));
    s.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// Clipboard text as lines of tab-separated fields. A double quote toggles a
// stretch in which separators do not split; the quotes stay in the values.
QList<QStringList> ParseClipboard(const QString& Text)
{
    QList<QStringList> lines;
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const QChar ch = Text[i];
        if (ch == QLatin1Char('"')) quoted = !quoted;
        if (!quoted && ch == QLatin1Char('\t')) {
            fields << field;
            field.clear();
        } else if (!quoted && (ch == QLatin1Char('\n') ||
                               (ch == QLatin1Char('\r') && i + 1 < Text.size() && Text[i + 1] == QLatin1Char('\n')))) {
            if (ch == QLatin1Char('\r')) ++i;
            fields << field;
            lines << fields;
            fields.clear();
            field.clear();
        } else {
            field += ch;
        }
    }
    // A last line that is empty is not pasted.
    if (!field.isEmpty() || !fields.isEmpty()) lines << (fields << field);
    return lines;
}

} // namespace

// --- marks ---

// The frame of the marks on the active column's values: Mark changes one
// selected row's value and says whether it did; changed values are stamped and
// make the language modified.
void TMainGridController::MarkSelectedValues(
    TUiString Name, const std::function<bool(TLocItem*, TLocValue*, const TSelectionMarks&)>& Mark)
{
    FGrid->EndEditing();
    const int col = FGrid->Col();
    TLangFile* file = ColumnFile(col);
    if (!file || !Writable(col)) return;
    const TSelectionMarks marks = SelectionMarks();
    const bool wasModified = file->Modified();
    const TGridRect sel = FGrid->Selection();
    TUndoScope step(FProject->UndoStack(), Name);
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        TLocValue* value = RowItem(r)->Values().Items(file->LangIndex());
        step.Watch(RowItem(r), file->LangIndex());
        if (!Mark(RowItem(r), value, marks)) continue;
        value->SetModified(DateTime::Now());
        file->SetModified(true);
        UpdateCellOptions(col, r);
    }
    UpdateColumnCaption(FGrid->VisibleColumn(col));
    FGrid->viewport()->update();
    if (wasModified != file->Modified()) FHost.UpdateCommandStates();
    FHost.UpdateCellCommandStates(col, FGrid->Row());
    MoveToNextRow();
}

void TMainGridController::ToggleTranslated()
{
    MarkSelectedValues(SelectionMarks().Translated ? usStepMarkUntranslated : usStepMarkTranslated,
                       [](TLocItem* Item, TLocValue* Value, const TSelectionMarks& Marks) {
                           // Read-only cells (untranslatable items, verified values) keep their state.
                           if (Item->Attribute(vaUntranslatable) || Value->Attribute(vaVerified)) return false;
                           const int32_t native = Item->MainValue()->ValueVersion();
                           Value->SetValueVersion(Marks.Translated ? native - 1 : native);
                           return true;
                       });
}

void TMainGridController::ToggleVerified()
{
    const int index = ActiveLangFile() ? ActiveLangFile()->LangIndex() : 0;
    MarkSelectedValues(SelectionMarks().Verified ? usStepMarkUnverified : usStepMarkVerified,
                       [index](TLocItem* Item, TLocValue* Value, const TSelectionMarks& Marks) {
                           if (Item->Attribute(vaUntranslatable) || !Item->IsTranslated(index)) return false;
                           Value->SetAttribute(vaVerified, !Marks.Verified);
                           return true;
                       });
}

void TMainGridController::ToggleUntranslatable()
{
    FGrid->EndEditing();
    if (FGrid->RowCount() == 0) return;
    const bool untranslatable = !SelectionMarks().Untranslatable;
    const TGridRect sel = FGrid->Selection();
    TUndoScope step(FProject->UndoStack(), untranslatable ? usStepMarkUntranslatable : usStepMarkTranslatable);
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        step.Watch(RowItem(r), 0); // the mark lives on the native value
        RowItem(r)->SetAttribute(vaUntranslatable, untranslatable);
        for (int c = FGrid->EffectiveFixedCols(); c < FGrid->VisibleColCount(); ++c) UpdateCellOptions(c, r);
    }
    // The mark lives in the native file, which is then saved on close.
    FNativeMarksChanged = true;
    const TLPFilter& filter = FProject->Filter();
    if (filter.UntranslatableOnly() || !filter.ShowUntranslatable()) {
        RefreshGrid();
        if (FGrid->RowCount() > 0) FGrid->SetSelection(sel);
    } else {
        FGrid->viewport()->update();
        SelectCell(FGrid->Col(), FGrid->Row());
        MoveToNextRow();
    }
    FHost.UpdateCellCommandStates(FGrid->Col(), FGrid->Row());
}

void TMainGridController::RevertToOriginal()
{
    const int col = FGrid->Col();
    TLangFile* file = ColumnFile(col);
    if (!file || !Writable(col) || FGrid->RowCount() == 0) return;
    // The original is the language this one is based on when that is open.
    int original = 0;
    if (file->BasedOnLangID() != 0) {
        const int base = FProject->LangFiles().IndexByLangID(file->BasedOnLangID());
        if (base > 0 && base != file->LangIndex()) original = base;
    }
    if (FGrid->Editing()) {
        FGrid->GetInplaceEditor()->SetText(RowItem(FGrid->Row())->Values().Items(original)->Value());
        FHost.UpdateCellCommandStates(col, FGrid->Row());
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const TUndoScope step(FProject->UndoStack(), usStepRevert);
    const TGridRect sel = FGrid->Selection();
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        if (FGrid->GetCellOptions(col, r) & voReadOnly) continue;
        TLocItem* item = RowItem(r);
        const QString text = item->Values().Items(original)->Value();
        if (r == FGrid->Row())
            EditCell(col, r, text);
        else
            StoreCell(col, r, text);
        item->Values().Items(file->LangIndex())->SetValueVersion(item->MainValue()->ValueVersion() - 1);
    }
    FGrid->viewport()->update();
    UpdateColumnCaption(FGrid->VisibleColumn(col));
    if (sel.Bottom > sel.Top)
        FHost.UpdateCommandStates();
    else
        MoveToNextRow();
    FHost.UpdateCellCommandStates(col, FGrid->Row());
}

// --- clipboard ---

// While a cell is edited, or a text control outside the grid has the focus,
// the clipboard commands are that control's own. Returns whether it took Method.
bool TMainGridController::EditorClipboard(const char* Method)
{
    QWidget* target = FGrid->Editing() ? FGrid->GetInplaceEditor() : QApplication::focusWidget();
    if (!target || target == FGrid || !(qobject_cast<QLineEdit*>(target) || qobject_cast<QPlainTextEdit*>(target)))
        return false;
    QMetaObject::invokeMethod(target, Method);
    return true;
}

void TMainGridController::CopyToClipbrd()
{
    if (EditorClipboard("copy")) return;
    if (FGrid->RowCount() == 0) return;
    const TGridRect sel = FGrid->Selection();
    QStringList rows;
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        QStringList cells;
        for (int c = sel.Left; c <= sel.Right; ++c) cells << ClipboardField(FGrid->GetCell(c, r));
        rows << cells.join(QLatin1Char('\t'));
    }
    QApplication::clipboard()->setText(rows.join(QStringLiteral("\r\n")));
}

void TMainGridController::CutToClipbrd()
{
    if (EditorClipboard("cut")) return;
    if (!FGrid->ActiveColumn() || FGrid->RowCount() == 0) return;
    CopyToClipbrd();
    const TGridRect sel = FGrid->Selection();
    const TUndoScope step(FProject->UndoStack(), usStepCut);
    BulkEdit([&] {
        for (int r = sel.Top; r <= sel.Bottom; ++r)
            for (int c = sel.Left; c <= sel.Right; ++c)
                if (Writable(c) && !(FGrid->GetCellOptions(c, r) & voReadOnly)) EditCell(c, r, QString());
    });
    FGrid->viewport()->update();
}

void TMainGridController::PasteFromClipbrd()
{
    if (EditorClipboard("paste")) {
        FHost.UpdateCellCommandStates(FGrid->Col(), FGrid->Row());
        return;
    }
    if (FGrid->RowCount() == 0 || FGrid->Col() < FGrid->EffectiveFixedCols()) return;
    const QList<QStringList> lines = ParseClipboard(QApplication::clipboard()->text());
    if (lines.isEmpty()) return;
    int width = 0;
    for (const QStringList& line : lines) width = std::max(width, int(line.size()));
    const TGridRect sel = FGrid->Selection();
    const TGridRect area{sel.Left, sel.Top, sel.Left + width - 1, sel.Top + int(lines.size()) - 1};
    const bool singleCell = sel.Left == sel.Right && sel.Top == sel.Bottom;
    if (!(area == sel) && !singleCell &&
        Prompt().Message(mkConfirmation, UiString(usPasteRangeMismatch), mbYesCancel, mrCancel) != mrYes)
        return;
    const int right = std::min(area.Right, FGrid->VisibleColCount() - 1);
    const int bottom = std::min(area.Bottom, FGrid->RowCount() - 1);
    const TUndoScope step(FProject->UndoStack(), usStepPaste);
    BulkEdit([&] {
        for (int r = area.Top; r <= bottom; ++r) {
            const QStringList& line = lines[r - area.Top];
            for (int c = area.Left; c <= right && c - area.Left < line.size(); ++c)
                if (Writable(c) && !(FGrid->GetCellOptions(c, r) & voReadOnly)) EditCell(c, r, line[c - area.Left]);
        }
    });
    FGrid->SetSelection({area.Left, area.Top, right, bottom});
    FGrid->viewport()->update();
}

void TMainGridController::CopyNameToClipbrd()
{
    if (FGrid->RowCount() == 0 || FGrid->VisibleColCount() == 0) return;
    const TGridRect sel = FGrid->Selection();
    QStringList names;
    for (int r = sel.Top; r <= sel.Bottom; ++r) names << FGrid->GetCell(0, r);
    QApplication::clipboard()->setText(names.join(QStringLiteral("\r\n")));
}

void TMainGridController::SelectAll()
{
    if (FGrid->Editing()) {
        FGrid->GetInplaceEditor()->selectAll();
        return;
    }
    if (FGrid->RowCount() == 0) return;
    const TGridRect sel = FGrid->Selection();
    FGrid->SetSelection({sel.Left, 0, sel.Right, FGrid->RowCount() - 1});
}

void TMainGridController::DuplicatePrevCell()
{
    const int col = FGrid->Col();
    const int row = FGrid->Row();
    if (row <= 0 || !Writable(col)) return;
    const QString text = FGrid->GetCell(col, row - 1);
    if (FGrid->Editing()) {
        FGrid->GetInplaceEditor()->SetText(text);
        return;
    }
    if (FGrid->GetCellOptions(col, row) & voReadOnly) return;
    const TUndoScope step(FProject->UndoStack(), usStepDuplicate);
    EditCell(col, row, text);
    FGrid->viewport()->update();
    MoveToNextRow();
}

// --- filter and sorting ---

void TMainGridController::ShowStates(bool Translated, bool Untranslated)
{
    TLPFilter& filter = FProject->Filter();
    const TLangFile* file = ActiveLangFile();
    const int index = file ? file->LangIndex() : 0;
    if (filter.ShowTranslated() == Translated && filter.ShowUntranslated() == Untranslated &&
        (filter.LangIndex() == index || (Translated && Untranslated)))
        return;
    filter.SetLangIndex(index);
    filter.SetShowTranslated(Translated);
    filter.SetShowUntranslated(Untranslated);
    filter.Properties().SetModified(true);
    filter.Constants().SetModified(true);
    filter.ExtItems().SetModified(true);
    RefreshGrid();
}

void TMainGridController::SetUntranslatableOnly(bool On)
{
    FProject->Filter().SetUntranslatableOnly(On);
    RefreshGrid();
}

void TMainGridController::ShowKinds(bool Textual, bool Nontextual)
{
    TLPPropertyFilter& props = FProject->Filter().Properties();
    if (props.ShowTextual() == Textual && props.ShowNontextual() == Nontextual) return;
    props.SetShowTextual(Textual);
    props.SetShowNontextual(Nontextual);
    props.SetModified(true);
    RefreshGrid();
}

void TMainGridController::SortBy(TSortOrder Order)
{
    const TLangFile* file = ActiveLangFile();
    TLPSorting& sorting = FProject->Sorting();
    const int index = file ? file->LangIndex() : -1;
    if (sorting.SortOrder() == Order && (Order == soNone || sorting.LangIndex() == index)) return;
    sorting.SetSortOrder(Order);
    sorting.SetLocaleID(file ? file->Locale() : 0);
    sorting.SetLangIndex(index);
    RefreshGrid();
}
