#include "langfile/QFindData.h"

#include "core/DateTime.h"
#include "langfile/FormatSymbols.h"
#include "storage/LocStorage.h"
#include "storage/Locales.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char(' ');
}

bool IsDelimiter(QChar c)
{
    static const QString kDelimiters = QStringLiteral(" ;,.()=-:!?[]{}\"'+*/\r\n");
    return kDelimiters.contains(c);
}

// Calls Visit for the rows From to To, both included, stepping by Step (1 or
// −1), until it returns true; returns that row or −1. An empty range (From
// beyond To) visits nothing.
template <class F> int ScanRows(int From, int To, int Step, F&& Visit)
{
    for (int r = From; Step > 0 ? r <= To : r >= To; r += Step)
        if (Visit(r)) return r;
    return -1;
}

} // namespace

QString TSearchView::CellText(int ACol, int ARow) const
{
    const TLocItem* item = RowItem(ARow);
    const int lang = ColumnLangIndex(ACol);
    if (!item || lang < 0 || lang >= item->Values().Count()) return {};
    return item->Values().Items(lang)->Value();
}

QString TSearchView::ShownText(int ACol, int ARow) const
{
    return Editing() && ACol == Col() && ARow == Row() ? EditorText() : CellText(ACol, ARow);
}

QString TSearchView::NativeText(int ARow) const
{
    const TLocItem* item = RowItem(ARow);
    return item ? item->MainValue()->Value() : QString();
}

int TItemSearchView::ColCount() const { return FStorage->LangCount(); }

TLocItem* TItemSearchView::RowItem(int ARow) const
{
    return ARow >= 0 && ARow < RowCount() ? FRows[size_t(ARow)] : nullptr;
}

int TItemSearchView::ColumnLocale(int ACol) const { return FStorage->GetLocale(ACol); }

bool TItemSearchView::CellReadOnly(int ACol, int ARow) const
{
    const TLocItem* item = RowItem(ARow);
    if (!item) return true;
    return item->Attribute(vaUntranslatable) ||
           (ACol > 0 && ACol < item->Values().Count() && item->Values().Items(ACol)->Attribute(vaVerified));
}

bool TItemSearchView::CellIsString(int ACol, int ARow) const
{
    const TLocItem* item = RowItem(ARow);
    return ACol > 0 && item && item->Values().ValueType() != ptInteger;
}

void TItemSearchView::MoveTo(int ACol, int ARow)
{
    if (FEditing && (ACol != FCol || ARow != FRow)) EndEditing(false);
    FCol = ACol;
    FRow = ARow;
}

void TItemSearchView::ReplaceEditorSelection(const QString& Text)
{
    FEditorText = FEditorText.left(FSelStart) + Text + FEditorText.mid(FSelStart + FSelLength);
    FSelStart += int(Text.size());
    FSelLength = 0;
}

void TItemSearchView::EditAndSelect(int SelStart, int SelLength)
{
    if (!FEditing) FEditorText = CellText(FCol, FRow);
    FEditing = true;
    FSelStart = std::clamp(SelStart, 0, int(FEditorText.size()));
    FSelLength = std::clamp(SelLength, 0, int(FEditorText.size()) - FSelStart);
}

bool TItemSearchView::EditorModified() const { return FEditing && FEditorText != CellText(FCol, FRow); }

void TItemSearchView::EndEditing(bool Cancel)
{
    if (!FEditing) return;
    FEditing = false;
    if (!Cancel) SetEditText(FCol, FRow, FEditorText);
}

void TItemSearchView::SetEditText(int ACol, int ARow, const QString& Text)
{
    TLocItem* item = RowItem(ARow);
    if (!item || ACol <= 0 || ACol >= item->Values().Count()) return;
    ++FEditCount;
    TLocValue* value = item->Values().Items(ACol);
    if (value->Value() == Text) return;
    value->SetValue(Text);
    value->SetModified(DateTime::Now());
    value->SetValueVersion(item->MainValue()->ValueVersion());
}

bool TQFindData::Equal(const QString& A, const QString& B, int Locale) const
{
    return A == B || LocaleCompareText(Locale, A, B, !FMatchCase) == 0;
}

qsizetype TQFindData::Contains(const QString& Sub, const QString& Text) const
{
    if (Sub.isEmpty()) return 0;
    return Text.indexOf(Sub, 0, FMatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive) + 1;
}

bool TQFindData::RowSearchable(int ARow, int Locale) const
{
    if (FIgnoreReadOnly && FGrid->CellReadOnly(FGridCol, ARow)) return false;
    return FNativeText.isEmpty() || Equal(FGrid->NativeText(ARow), FNativeText, Locale);
}

bool TQFindData::MatchCell(const QString& Text, int Locale)
{
    if (FWholeCell) {
        if (!Equal(Text, FFindText, Locale)) return false;
        FSearchPos = 1;
        return true;
    }
    if (FWholeWord) return MatchWord(Text, Locale);
    const qsizetype p = Contains(FFindText, Text.mid(FSearchPos));
    if (p == 0) return false;
    FSearchPos += int(p);
    return true;
}

// Tokens are runs of delimiters or runs of other characters; blanks only
// separate them, so "a = b" holds the token "=" and "a==b" the token "==".
bool TQFindData::MatchWord(const QString& Text, int Locale)
{
    const qsizetype n = Text.size();
    qsizetype i = std::max(FSearchPos, 0);
    while (i < n) {
        if (IsBlank(Text[i])) {
            ++i;
            continue;
        }
        const bool delimiters = IsDelimiter(Text[i]);
        qsizetype j = i + 1;
        while (j < n && !IsBlank(Text[j]) && IsDelimiter(Text[j]) == delimiters) ++j;
        if (Equal(Text.mid(i, j - i), FFindText, Locale)) {
            FSearchPos = int(i + 1);
            return true;
        }
        i = j;
    }
    return false;
}

int TQFindData::ScanText(int From, int To, int Step)
{
    const int locale = FGrid->ColumnLocale(FGridCol);
    const bool readOnlyColumn = FGrid->ColumnReadOnly(FGridCol);
    return ScanRows(From, To, Step, [&](int r) {
        if (RowSearchable(r, locale)) {
            const QString text = FGrid->ShownText(FGridCol, r);
            if (MatchCell(text, locale)) {
                // A hit in a column that cannot be edited leaves the cell on the next search.
                if (readOnlyColumn) FSearchPos = int(text.size());
                return true;
            }
        }
        FSearchPos = 0;
        return false;
    });
}

int TQFindData::ScanFormats(int From, int To, int Step)
{
    return ScanRows(From, To, Step, [&](int r) {
        const QString text = FGrid->ShownText(FGridCol, r);
        const QString native = FGrid->NativeText(r);
        if (text == native || FormatSymbols(text) == FormatSymbols(native)) return false;
        FSearchPos = int(text.size());
        return true;
    });
}

int TQFindData::StartPosition() const
{
    if (FSearchWrongFormats) return 0;
    if (FGrid->Editing()) {
        const int start = FGrid->EditorSelStart();
        return FGrid->EditorSelLength() == 0 ? start : start + 1;
    }
    const int row = FGrid->Row();
    if (row == FHitRow && FGrid->Col() == FHitCol && FGridCol == FHitCol &&
        FGrid->CellText(FHitCol, row) == FHitCellText)
        return FHitPos;
    return 0;
}

int TQFindData::FindNext(bool Forward)
{
    FSearchPos = StartPosition();
    FRowIndex = -1;
    const int last = FGrid->RowCount() - 1;
    if (last < 0) return -1;
    const bool up = Upwards(Forward);
    const int step = up ? -1 : 1;
    const int end = up ? 0 : last;
    const int farEnd = up ? last : 0;
    const int current = std::clamp(FGrid->Row(), 0, last);

    // The second pass from the far end stops at the first pass's start: the
    // rows after it were searched from their beginning already. Only the start
    // row itself may hold a match before the position searched from.
    if (FSearchWrongFormats) {
        // Format mismatches always wrap.
        FRowIndex = ScanFormats(current + step, end, step);
        if (FRowIndex < 0) FRowIndex = ScanFormats(farEnd, current, step);
        return FRowIndex;
    }
    int start = current;
    if (FWholeCell || FGrid->ColumnReadOnly(FGridCol) || FGrid->CellReadOnly(FGridCol, current)) start += step;
    FRowIndex = ScanText(start, end, step);
    if (FRowIndex < 0 && FCyclic) {
        FSearchPos = 0;
        FRowIndex = ScanText(farEnd, std::clamp(start, 0, last), step);
    }
    FHitRow = FRowIndex;
    FHitCol = FGridCol;
    FHitPos = FSearchPos;
    FHitCellText = FRowIndex >= 0 ? FGrid->ShownText(FGridCol, FRowIndex) : QString();
    return FRowIndex;
}

void TQFindData::ShowFoundText()
{
    if (FRowIndex < 0) return;
    if (FRowIndex != FGrid->Row()) FGrid->MoveTo(FGridCol, FRowIndex);
    if (FGrid->ColumnReadOnly(FGridCol) || FGrid->CellReadOnly(FGridCol, FRowIndex)) return;
    if (FSearchWrongFormats)
        FGrid->EditAndSelect(0, int(FGrid->ShownText(FGridCol, FRowIndex).size()));
    else
        FGrid->EditAndSelect(std::max(FSearchPos - 1, 0), int(FFindText.size()));
}

QString TQReplaceData::ReplacedText(const QString& Cell) const
{
    if (FWholeCell) return Cell.size() == FFindText.size() && Contains(FFindText, Cell) == 1 ? FReplaceText : Cell;
    if (FFindText.isEmpty()) return Cell;
    const Qt::CaseSensitivity cs = FMatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    qsizetype p = Cell.indexOf(FFindText, 0, cs);
    if (p < 0) return Cell;
    QString result;
    qsizetype from = 0;
    for (; p >= 0; p = Cell.indexOf(FFindText, from, cs)) {
        result += QStringView(Cell).mid(from, p - from);
        result += FReplaceText;
        from = p + FFindText.size();
    }
    result += QStringView(Cell).mid(from);
    return result;
}

int TQReplaceData::ReplaceAll()
{
    // An editor that shows a hit is closed as by Escape; what the user typed
    // is stored first, as by Enter, and so is not lost.
    FGrid->EndEditing(!FGrid->EditorModified());
    const int last = FGrid->RowCount() - 1;
    if (last < 0) return 0;
    const int current = std::clamp(FGrid->Row(), 0, last);
    const int from = FCyclic || FUp ? 0 : current;
    const int to = FCyclic || !FUp ? last : current;
    const int locale = FGrid->ColumnLocale(FGridCol);
    int count = 0;
    for (int r = from; r <= to; ++r) {
        const TLocItem* item = FGrid->RowItem(r);
        if (!item || item->Attribute(vaUntranslatable) || !FGrid->CellIsString(FGridCol, r) ||
            FGrid->CellReadOnly(FGridCol, r))
            continue;
        if (!FNativeText.isEmpty() && !Equal(FGrid->NativeText(r), FNativeText, locale)) continue;
        const QString cell = FGrid->CellText(FGridCol, r);
        const QString replaced = ReplacedText(cell);
        if (Equal(replaced, cell, locale)) continue;
        FGrid->SetEditText(FGridCol, r, replaced);
        ++count;
    }
    return count;
}

bool TQReplaceData::CanReplace() const
{
    if (!FGrid->Editing() || FGrid->EditorSelLength() == 0) return false;
    const TLocItem* item = FGrid->RowItem(FGrid->Row());
    return item && !item->Attribute(vaUntranslatable) && FGrid->CellIsString(FGrid->Col(), FGrid->Row());
}

void TQReplaceData::ReplaceSelection()
{
    FGrid->ReplaceEditorSelection(FReplaceText);
    FGrid->SetEditText(FGrid->Col(), FGrid->Row(), FGrid->EditorText());
}

int FindNextUntranslated(const TSearchView& View)
{
    const int lang = View.ColumnLangIndex(View.Col());
    if (lang < 0) return -1;
    for (int r = std::max(View.Row() + 1, 0); r < View.RowCount(); ++r) {
        const TLocItem* item = View.RowItem(r);
        if (item && lang < item->Values().Count() && !item->IsTranslated(lang)) return r;
    }
    return -1;
}

bool PrepareIdenticalTranslation(TQReplaceData& State, int ACol, const QString& OldText, const QString& NewText,
                                 const QString& NativeText)
{
    if (OldText.isEmpty() || NativeText.isEmpty()) return false;
    State.FFindText = OldText;
    State.FReplaceText = NewText;
    State.FWholeCell = true;
    State.FMatchCase = true;
    State.FGridCol = ACol;
    State.FNativeText = NativeText;
    State.FIgnoreReadOnly = true;
    return true;
}

int TranslateIdenticalAlong(TSearchView& View, const std::vector<TIdenticalEdit>& Edits)
{
    // (column, native text) -> old text -> new text
    QHash<std::pair<int, QString>, QHash<QString, QString>> next;
    QSet<std::pair<int, int>> edited;
    QList<int> columns;
    for (const TIdenticalEdit& e : Edits) {
        edited.insert({e.Col, e.Row});
        // As for one edit: an empty old or native text reaches unrelated rows.
        if (e.OldText.isEmpty() || e.NativeText.isEmpty() || e.OldText == e.NewText) continue;
        next[{e.Col, e.NativeText}].insert(e.OldText, e.NewText);
        if (!columns.contains(e.Col)) columns << e.Col;
    }
    int count = 0;
    for (int r = 0; r < View.RowCount() && !next.isEmpty(); ++r) {
        const TLocItem* item = View.RowItem(r);
        if (!item || item->Attribute(vaUntranslatable)) continue;
        const QString native = View.NativeText(r);
        for (const int c : columns) {
            const auto byNative = next.constFind({c, native});
            if (byNative == next.constEnd() || edited.contains({c, r}) || !View.CellIsString(c, r) ||
                View.CellReadOnly(c, r))
                continue;
            const auto to = byNative->constFind(View.CellText(c, r));
            if (to == byNative->constEnd()) continue;
            View.SetEditText(c, r, *to);
            ++count;
        }
    }
    return count;
}
