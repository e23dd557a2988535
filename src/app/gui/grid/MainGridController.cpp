// How the project maps to the grid's rows and columns, how cells look, the
// cell edit path and the commands on the selected cells.

#include "app/gui/grid/MainGridController.h"

#include "app/EditorSettings.h"
#include "app/gui/dialogs/options/OptionsDialog.h"
#include "core/DateTime.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFile.h"
#include "storage/Locales.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScopedValueRollback>

#include <algorithm>

namespace {

TPrompt& Prompt() { return DefaultPrompt(); }

const TUiString kSectionCaptions[] = {usSectionProperties, usSectionConstants, usSectionExternal};

// The rows of the shown section.
template <class Fn> void ForShownItems(TLEProject& Project, Fn&& fn)
{
    switch (Project.Filter().ShownSection()) {
    case ssForms:
        for (TLocProperty* p : Project.ShownPropertyList().FItems) fn(static_cast<TLocItem*>(p));
        break;
    case ssUnits:
        for (TLocConstant* c : Project.ShownConstantList().FItems) fn(static_cast<TLocItem*>(c));
        break;
    case ssExternal:
        for (TLocExtItem* e : Project.ShownExtItemsList().FItems) fn(static_cast<TLocItem*>(e));
        break;
    }
}

int ShownCount(TLEProject& Project)
{
    switch (Project.Filter().ShownSection()) {
    case ssForms:
        return Project.ShownPropertyList().Count();
    case ssUnits:
        return Project.ShownConstantList().Count();
    case ssExternal:
        return Project.ShownExtItemsList().Count();
    }
    return 0;
}

void Triangle(QPainter& Painter, const QPoint (&Points)[3], const QColor& Fill, const QColor& Pen)
{
    Painter.setPen(Pen.isValid() ? QPen(Pen) : QPen(Qt::NoPen));
    Painter.setBrush(Fill);
    Painter.drawPolygon(Points, 3);
}

} // namespace

TMainGridController::TMainGridController(TQStringGrid* AGrid, TLEProject* AProject, const TEditorSettings* ASettings,
                                         TMainGridHost AHost)
    : FGrid(AGrid), FProject(AProject), FSettings(ASettings), FHost(std::move(AHost))
{
    WireGrid();
}

// --- mapping ---

TLangFile* TMainGridController::ColumnFile(int ACol) const
{
    if (!FGrid || ACol < 0 || ACol >= FGrid->VisibleColCount()) return nullptr;
    return static_cast<TLangFile*>(FGrid->VisibleColumn(ACol)->Data());
}

TLangFile* TMainGridController::ActiveLangFile() const
{
    const TQGridColumn* column = FGrid ? FGrid->ActiveColumn() : nullptr;
    return column ? static_cast<TLangFile*>(column->Data()) : nullptr;
}

TLocItem* TMainGridController::RowItem(int ARow) const
{
    if (ARow < 0 || ARow >= FGrid->RowCount()) return nullptr;
    return static_cast<TLocItem*>(FGrid->GetRowData(ARow));
}

QString TMainGridController::RowName(const TLocItem* Item) const
{
    QString name;
    if (FHost.Debug) name = QString::number(Item->ID()) + QStringLiteral(": ");
    switch (FProject->Filter().ShownSection()) {
    case ssForms: {
        const auto* p = static_cast<const TLocProperty*>(Item);
        if (FProject->Filter().Properties().FormName().isEmpty()) {
            if (p->Form()->Attribute(faRuntimeForm)) name += QStringLiteral("~RTM:");
            name += p->Form()->Name() + QLatin1Char('.');
        }
        if (const TLocComponent* comp = p->Component()) name += comp->Name() + QLatin1Char('.');
        break;
    }
    case ssUnits: {
        const auto* c = static_cast<const TLocConstant*>(Item);
        if (FHost.Debug) name += QString::number(c->StringID()) + QStringLiteral(": ");
        if (FProject->Filter().Constants().UntName().isEmpty()) name += c->ResUnit()->Name() + QLatin1Char('.');
        break;
    }
    case ssExternal: {
        const auto* e = static_cast<const TLocExtItem*>(Item);
        if (FProject->Filter().ExtItems().GroupName().isEmpty()) name += e->Group()->Name() + QLatin1Char('.');
        break;
    }
    }
    return name + Item->Name();
}

TValueOptions TMainGridController::CellOptionsOf(const TLocItem* Item, int LangIndex) const
{
    TValueOptions options;
    if (Item->Values().ValueType() == ptStringList) options |= voList;
    if (Item->Attribute(vaUntranslatable) || Item->Values().Items(LangIndex)->Attribute(vaVerified))
        options |= voReadOnly;
    return options;
}

void TMainGridController::FillRow(int ARow, TLocItem* Item)
{
    FGrid->SetRowData(ARow, Item);
    TQGridColumns& columns = FGrid->Columns();
    const TValueType type = Item->Values().ValueType() == ptInteger ? vtInteger : vtString;
    for (int c = 0; c < columns.Count(); ++c) {
        TQGridColumn* column = columns.Items(c);
        const auto* file = static_cast<const TLangFile*>(column->Data());
        if (!file) {
            column->SetText(ARow, RowName(Item));
            continue;
        }
        column->SetValueType(ARow, type);
        column->SetText(ARow, Item->Values().Items(file->LangIndex())->Value());
        column->SetValueOptions(ARow, CellOptionsOf(Item, file->LangIndex()));
    }
}

void TMainGridController::UpdateSectionCaption()
{
    if (FGrid->Columns().Count() > 0)
        FGrid->Columns().Items(0)->SetCaption(UiString(kSectionCaptions[FProject->Filter().ShownSection()]));
}

void TMainGridController::FillGrid()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    FGrid->EndEditing();
    FProject->RebuildShownList(FSettings->FullNameCompare);
    TQGridColumns& columns = FGrid->Columns();
    if (columns.Count() == 0) return;
    UpdateSectionCaption();

    FGrid->SetRowCount(0);
    FGrid->SetRowCount(ShownCount(*FProject));
    int row = 0;
    ForShownItems(*FProject, [&](TLocItem* item) { FillRow(row++, item); });

    const TLPSorting& sorting = FProject->Sorting();
    const auto mark = TColumnSorting(sorting.SortOrder()); // soNone/soAsc/soDsc match csNone/csAsc/csDsc
    for (int c = 0; c < columns.Count(); ++c) {
        TQGridColumn* column = columns.Items(c);
        const auto* file = static_cast<const TLangFile*>(column->Data());
        const int index = file ? file->LangIndex() : -1;
        column->SetSortOrder(index == sorting.LangIndex() ? mark : csNone);
        const bool rightToLeft = file && FSettings->RightToLeft4ME && IsRightToLeftLocale(file->Locale());
        column->SetAlignment(rightToLeft ? Qt::AlignRight : Qt::AlignLeft);
    }
    UpdateCaptions();
    FGrid->viewport()->update();
}

void TMainGridController::RefreshGrid()
{
    if (FGrid->isHidden() || FGrid->Columns().Count() == 0) return;
    FGrid->EndEditing();
    const TLocItem* item = RowItem(FGrid->Row());
    const int32_t itemID = item ? item->ID() : 0;
    const QString caption = FGrid->Columns().Items(0)->Caption();
    int row = std::max(FGrid->Row(), 0);

    const bool allow = FAllowSelectEvents;
    FAllowSelectEvents = false;
    {
        const auto restore = qScopeGuard([&] { FAllowSelectEvents = allow; });
        FillGrid();
        if (FGrid->RowCount() > 0) {
            row = std::min(row, FGrid->RowCount() - 1);
            // The same item stays current when the section did not change.
            if (item && caption == FGrid->Columns().Items(0)->Caption())
                for (int r = 0; r < FGrid->RowCount(); ++r)
                    if (RowItem(r)->ID() == itemID) {
                        row = r;
                        break;
                    }
            if (FGrid->Col() >= FGrid->EffectiveFixedCols()) FGrid->SetRow(row);
        }
    }
    if (FGrid->RowCount() > 0) {
        SelectCell(FGrid->Col(), FGrid->Row());
        SelectionChanged();
    }
    FHost.UpdateCommandStates();
    FHost.UpdateCellCommandStates(FGrid->Col(), FGrid->Row());
    FHost.UpdateStatusText(-1, -1);
}

void TMainGridController::ShowChangedCells(const TUndoStep& Step)
{
    RefreshGrid();
    UpdateCaptions();
    for (int r = 0; r < FGrid->RowCount(); ++r) {
        const int lang = Step.ColumnOf(RowItem(r));
        if (lang < 0) continue;
        for (int c = FGrid->EffectiveFixedCols(); c < FGrid->VisibleColCount(); ++c)
            if (ColumnFile(c) && ColumnFile(c)->LangIndex() == lang) {
                FGrid->FocusCell(c, r, true);
                SelectCell(c, r);
                break;
            }
        break;
    }
    FHost.UpdateCommandStates();
    FHost.UpdateCellCommandStates(FGrid->Col(), FGrid->Row());
    FHost.UpdateStatusText(-1, -1);
}

bool TMainGridController::SomeSelectedCellEditable() const
{
    const TGridRect sel = FGrid->Selection();
    if (FGrid->RowCount() == 0 || !Writable(sel.Left)) return false;
    for (int r = sel.Top; r <= sel.Bottom; ++r)
        if (!(FGrid->GetCellOptions(sel.Left, r) & voReadOnly)) return true;
    return false;
}

void TMainGridController::UpdateCellOptions(int ACol, int ARow)
{
    const TLocItem* item = RowItem(ARow);
    const TLangFile* file = ColumnFile(ACol);
    if (!item || !file) return;
    TValueOptions options = FGrid->GetCellOptions(ACol, ARow);
    if (FSettings->CellEditDialog && (options & voList) && Writable(ACol))
        options |= voButton;
    else
        options &= ~TValueOptions(voButton);
    options.setFlag(voReadOnly, item->Attribute(vaUntranslatable) ||
                                    item->Values().Items(file->LangIndex())->Attribute(vaVerified));
    if (options != FGrid->GetCellOptions(ACol, ARow)) FGrid->SetCellOptions(ACol, ARow, options);
}

// Stores Text as the value of the cell and shows it; a changed text marks the
// language modified and the value translated. Returns whether it changed.
bool TMainGridController::StoreCell(int ACol, int ARow, const QString& Text)
{
    TLocItem* item = RowItem(ARow);
    TLangFile* file = ColumnFile(ACol);
    if (!item || !file) return false;
    TUndoScope step(FProject->UndoStack(), usStepTyping);
    step.Watch(item, file->LangIndex());
    TLocValue* value = item->Values().Items(file->LangIndex());
    const QString old = value->Value();
    value->SetValue(Text);
    FGrid->SetCell(ACol, ARow, value->Value());
    if (old == Text) return false;
    value->SetFuzzyScore(0); // reviewed: no longer a draft
    file->SetModified(true);
    value->SetModified(DateTime::Now());
    value->SetValueVersion(item->MainValue()->ValueVersion());
    return true;
}

void TMainGridController::EditCell(int ACol, int ARow, const QString& Text)
{
    if (!FAllowSelectEvents) return;
    TLocItem* item = RowItem(ARow);
    TLangFile* file = ColumnFile(ACol);
    if (!item || !file) return;
    // The identical texts translated along belong to the edit's step.
    const TUndoScope step(FProject->UndoStack(), usStepTyping);
    const QString old = item->Values().Items(file->LangIndex())->Value();
    const bool changed = StoreCell(ACol, ARow, Text);

    TValueOptions options = FGrid->GetCellOptions(ACol, ARow);
    if (!HasLineBreak(Text) && item->Values().ValueType() != ptStringList)
        options &= ~TValueOptions(voList | voButton);
    else if (HasLineBreak(Text) && FSettings->CellEditDialog && (options & voList) && Writable(ACol))
        options |= voButton;
    FGrid->SetCellOptions(ACol, ARow, options);

    if (FSettings->WarnFormatMismatch && FormatSignature && !(FBulkEdits > 0 && FBulkFormatWarned) &&
        FormatSignature(Text) != FormatSignature(item->MainValue()->Value())) {
        FBulkFormatWarned = FBulkEdits > 0;
        Prompt().Message(mkWarning, UiString(usFormatSymbolsDiffer, {item->GetFullName(QStringLiteral("."))}), mbOK,
                         mrOk);
    }

    if (changed && !FAutoTranslMode) FHost.CellChanged(ACol, ARow);
    if (!FAutoTranslMode && FSettings->AutoTransl && FGrid->GetCellType(ACol, ARow) == vtString) {
        if (FBulkEdits > 0) {
            // Unchanged cells too: the translation along leaves every cell of the bulk as the user set it.
            FBulkIdentical.push_back({ACol, ARow, old, Text, item->MainValue()->Value()});
        } else if (changed && AutoTranslateIdentical) {
            FAutoTranslMode = true;
            const auto done = qScopeGuard([this] { FAutoTranslMode = false; });
            AutoTranslateIdentical(ACol, old, Text, item->MainValue()->Value());
        }
    }
    if (FBulkEdits > 0) return;
    UpdateColumnCaption(FGrid->VisibleColumn(ACol));
    FHost.UpdateStatusText(ACol, ARow);
    FHost.UpdateCommandStates();
    FHost.UpdateCellCommandStates(ACol, ARow);
}

void TMainGridController::BulkEdit(const std::function<void()>& Edits)
{
    if (FBulkEdits > 0) {
        Edits();
        return;
    }
    FBulkFormatWarned = false;
    FBulkIdentical.clear();
    {
        ++FBulkEdits;
        const auto done = qScopeGuard([this] { --FBulkEdits; });
        Edits();
        const std::vector<TIdenticalEdit> edits = std::exchange(FBulkIdentical, {});
        const auto isChange = [](const TIdenticalEdit& e) { return e.OldText != e.NewText; };
        const auto changes = std::count_if(edits.begin(), edits.end(), isChange);
        const QScopedValueRollback<bool> translating(FAutoTranslMode, true);
        // One change is translated along as a single edit is, prompt included;
        // silently only when it is the bulk's only cell, as that way would also
        // reach the bulk's other cells.
        if (changes == 1 && (edits.size() == 1 || FSettings->UseReplaceTb) && AutoTranslateIdentical) {
            const TIdenticalEdit& e = *std::find_if(edits.begin(), edits.end(), isChange);
            AutoTranslateIdentical(e.Col, e.OldText, e.NewText, e.NativeText);
        } else if (changes > 0 && TranslateIdenticalAlong) {
            TranslateIdenticalAlong(edits);
        }
    }
    UpdateCaptions();
    FHost.UpdateStatusText(-1, -1);
    FHost.UpdateCommandStates();
    FHost.UpdateCellCommandStates(FGrid->Col(), FGrid->Row());
}

void TMainGridController::MoveToNextRow()
{
    if (!FSettings->MoveCursorDown || FAutoTranslMode) return;
    const int row = FGrid->Row();
    if (row < 0 || row >= FGrid->RowCount() - 1) return;
    FAllowSelectEvents = false;
    {
        const auto restore = qScopeGuard([this] { FAllowSelectEvents = true; });
        FGrid->FocusCell(FGrid->Col(), row + 1, true);
    }
    SelectCell(FGrid->Col(), row + 1);
    FHost.UpdateCellCommandStates(FGrid->Col(), row + 1);
    FHost.UpdateStatusText(-1, -1);
}

TSelectionMarks TMainGridController::SelectionMarks() const
{
    TSelectionMarks marks;
    if (FGrid->RowCount() == 0) return marks;
    const TGridRect sel = FGrid->Selection();
    const TLangFile* file = ColumnFile(FGrid->Col());
    bool allTranslated = true, anyEditable = false, allUntranslatable = true, allHidden = true, allVerified = true;
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        const TLocItem* item = RowItem(r);
        allUntranslatable = allUntranslatable && item->Attribute(vaUntranslatable);
        allHidden = allHidden && item->Attribute(vaHidden);
        if (!file || (FGrid->GetCellOptions(FGrid->Col(), r) & voReadOnly)) continue;
        anyEditable = true;
        const bool translated = item->IsTranslated(file->LangIndex());
        allTranslated = allTranslated && translated;
        if (translated && !item->Values().Items(file->LangIndex())->Attribute(vaVerified)) allVerified = false;
    }
    marks.Translated = anyEditable && allTranslated;
    marks.Untranslatable = allUntranslatable;
    marks.Hidden = allHidden;
    marks.Verified = allVerified;
    return marks;
}

void TMainGridController::HeaderClick(int ACol)
{
    FGrid->EndEditing();
    const TLangFile* file = ColumnFile(ACol);
    const int index = file ? file->LangIndex() : -1;
    TLPSorting& sorting = FProject->Sorting();
    if (index == sorting.LangIndex()) {
        sorting.SetSortOrder(TSortOrder((sorting.SortOrder() + 1) % 3));
    } else {
        sorting.SetLangIndex(index);
        sorting.SetSortOrder(soAsc);
    }
    sorting.SetLocaleID(file ? file->Locale() : 0);
    RefreshGrid();
}

void TMainGridController::SetShowNative(bool Show)
{
    if (!FAllowSelectEvents) return;
    TQGridColumn* native = NativeColumn();
    if (!native || native->Visible() == Show) return;
    if (!Show && FGrid->ActiveColumn() == native) {
        // Off the native column first: to the left only when it is the last one.
        const int col = FGrid->Col();
        const int target = col == FGrid->VisibleColCount() - 1 ? col - 1 : col + 1;
        if (target >= FGrid->EffectiveFixedCols()) FGrid->SetCol(target);
    }
    native->SetVisible(Show);
    if (FGrid->RowCount() > 0) SelectionChanged();
    FHost.UpdateCommandStates();
}

QString TMainGridController::NativeText(int ARow) const
{
    const TLocItem* item = RowItem(ARow);
    return item ? item->MainValue()->Value() : QString();
}

void TMainGridController::WireGrid()
{
    FGrid->OnSelectCell = [this](TQStringGrid*, int ACol, int ARow, bool&) { SelectCell(ACol, ARow); };
    FGrid->OnSelectionChanged = [this](TQStringGrid*) { SelectionChanged(); };
    FGrid->OnSetEditText = [this](TQStringGrid*, int ACol, int ARow, const QString& Value) {
        FHost.Guard([&] { EditCell(ACol, ARow, Value); });
    };
    FGrid->OnCancelEdit = [this](TQStringGrid*, int ACol, int ARow, const QString&) { CancelEdit(ACol, ARow); };
    FGrid->OnGetEditText = [this](TQStringGrid*, int ACol, int ARow, QString&) {
        if (!FAllowSelectEvents) return;
        FHost.UpdateCommandStates();
        FHost.UpdateCellCommandStates(ACol, ARow);
        FHost.EditorSelChange();
    };
    FGrid->OnEditorSelChange = [this](TQStringGrid*) { FHost.EditorSelChange(); };
    FGrid->OnGetCellProps = [this](TQStringGrid*, int ACol, int ARow, TQCellProperties& Props) {
        CellProps(ACol, ARow, Props);
    };
    FGrid->OnGetHeaderCellProps = [this](TQStringGrid*, int ACol, TQCellProperties& Props) {
        HeaderProps(ACol, Props);
    };
    FGrid->OnGetEditProps = [this](TQSGInplaceEdit* Editor, int ACol, int) { EditProps(Editor, ACol); };
    FGrid->OnDrawCell = [this](TQStringGrid*, QPainter& Painter, int ACol, int ARow, const QRect& Rect,
                               TGridDrawState) { DrawCell(Painter, ACol, ARow, Rect); };
    FGrid->OnDrawHeader = [this](TQStringGrid*, QPainter& Painter, int ACol, const QRect& Rect, TGridDrawState) {
        DrawHeader(Painter, ACol, Rect);
    };
    FGrid->OnButtonClick = [this](TQStringGrid*) { FHost.Guard(FHost.EditMultiLine); };
    FGrid->OnKeyPress = [this](TQStringGrid*, QChar& Key) { KeyPress(Key); };
    FGrid->OnKeyDown = [this](TQStringGrid*, int& Key, Qt::KeyboardModifiers Modifiers) {
        if (Key == Qt::Key_Period && (Modifiers & Qt::ControlModifier)) {
            Key = 0;
            FHost.ChooseSection();
        }
    };
    FGrid->OnActiveColChanged = [this](TQStringGrid*, TQGridColumn*, TQGridColumn* Column) {
        // Input methods deliver whole strings for languages other than the system's.
        const auto* file = Column ? static_cast<const TLangFile*>(Column->Data()) : nullptr;
        FGrid->SetProcessIMEChars(file && PrimaryLanguage(file->Locale()) != PrimaryLanguage(UserDefaultLangID()));
    };
    FGrid->OnContextPopup = [this](TQStringGrid*, int X, int Y) { FHost.ContextPopup(X, Y); };
    FGrid->OnHeaderClick = [this](TQStringGrid*, int ACol) { FHost.Guard([&] { HeaderClick(ACol); }); };
    FGrid->OnEditRefused = [this](TQStringGrid*, int ACol, int) { EditRefused(ACol); };
}

QString TMainGridController::ReadOnlyText(int ACol) const
{
    const TLangFile* file = ColumnFile(ACol);
    if (!file || !FGrid->VisibleColumn(ACol)->ReadOnly()) return QString();
    if (file->IsNative()) return UiString(usNativeReadOnly);
    const QString name = QDir::toNativeSeparators(file->FileName());
    const QString why =
        QFileInfo(file->FileName()).isWritable() ? UiString(usHeldByOtherProgram) : UiString(usMayNotWrite);
    return UiString(usLanguageReadOnly, {name, why});
}

void TMainGridController::EditRefused(int ACol)
{
    // Said once per language file: typing into its column again is no news.
    const TLangFile* file = ColumnFile(ACol);
    if (!file || file->IsNative() || !file->ReadOnly() || FReadOnlyTold.contains(file->FileName())) return;
    FReadOnlyTold.insert(file->FileName());
    Prompt().Message(mkInformation, ReadOnlyText(ACol) + QLatin1Char('.'), mbOK, mrOk);
}

void TMainGridController::SelectCell(int ACol, int ARow)
{
    if (!FAllowSelectEvents) return;
    if (RowItem(ARow)) UpdateCellOptions(ACol, ARow);
    FHost.CurrentCellChanged(ARow);
}

void TMainGridController::SelectionChanged()
{
    if (!FAllowSelectEvents || FClosing) return;
    const int col = FGrid->Col();
    const int row = FGrid->Row();
    if (const TLangFile* file = ColumnFile(col); file && RowItem(row) && file->LangIndex() < FProject->LangCount())
        FProject->SetCurLangIndex(file->LangIndex());
    FHost.SelectionChanged(col, row);
}

void TMainGridController::CancelEdit(int ACol, int ARow)
{
    UpdateCellOptions(ACol, ARow);
    FHost.UpdateCommandStates();
    FHost.UpdateCellCommandStates(ACol, ARow);
}

void TMainGridController::CellProps(int ACol, int ARow, TQCellProperties& Props)
{
    const TLocItem* item = RowItem(ARow);
    const TLangFile* file = ColumnFile(ACol);
    if (!item || !file || FClosing) return;
    if (item->Attribute(vaHidden) && ARow != FGrid->Row()) Props.Color = ColorFromWinColor(FSettings->HiddenColor);
    if (item->Values().Items(file->LangIndex())->Attribute(vaVerified))
        Props.Color = ColorFromWinColor(FSettings->VerifiedColor);
    if (item->Attribute(vaUntranslatable)) Props.Color = ColorFromWinColor(FSettings->UntranslatableColor);
    if (FGrid->CellSelected(ACol, ARow) && (ARow != FGrid->Row() || ACol != FGrid->Col())) {
        Props.Color = FGrid->SelectedColor();
        Props.Font.Color = FGrid->SelectedFontColor();
    }
}

void TMainGridController::HeaderProps(int ACol, TQCellProperties& Props)
{
    const TGridRect sel = FGrid->Selection();
    if (ACol >= sel.Left && ACol <= sel.Right && FGrid->ActiveHeaderColor().isValid())
        Props.Color = FGrid->ActiveHeaderColor();
}

void TMainGridController::DrawCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect)
{
    const TLocItem* item = RowItem(ARow);
    const TLangFile* file = ColumnFile(ACol);
    if (FClosing || !item || !file || file->LangIndex() >= item->Values().Count()) return;
    if (item->Attribute(vaUntranslatable) || item->IsTranslated(file->LangIndex())) return;
    const int r = Rect.right(), b = Rect.bottom();
    Painter.setRenderHint(QPainter::Antialiasing, false);
    Triangle(Painter, {QPoint(r - 7, b), QPoint(r, b), QPoint(r, b - 7)}, Qt::blue, QColor());
    // A draft from a fuzzy match: a mark in the top corner.
    if (item->Values().Items(file->LangIndex())->FuzzyScore() > 0) {
        const int t = Rect.top();
        Triangle(Painter, {QPoint(r - 7, t), QPoint(r, t), QPoint(r, t + 7)}, Qt::magenta, QColor());
    }
    switch (FHost.Availability(ACol, ARow)) {
    case avExact:
        Triangle(Painter, {QPoint(r - 7, b), QPoint(r - 7, b - 7), QPoint(r, b - 7)}, Qt::red, QColor());
        break;
    case avSmart:
        Triangle(Painter, {QPoint(r - 7, b), QPoint(r - 7, b - 7), QPoint(r, b - 7)}, Qt::yellow, QColor());
        break;
    case avNone:
        break;
    }
}

void TMainGridController::DrawHeader(QPainter& Painter, int ACol, const QRect& Rect)
{
    const TLangFile* file = ColumnFile(ACol);
    const TLPFilter& filter = FProject->Filter();
    if (FClosing || !file || file->LangIndex() != filter.LangIndex()) return;
    if (filter.ShowTranslated() == filter.ShowUntranslated()) return;
    const int r = Rect.right(), b = Rect.bottom();
    const QPoint points[3] = {QPoint(r - 9, b - 2), QPoint(r - 2, b - 2), QPoint(r - 2, b - 9)};
    if (filter.ShowTranslated())
        Triangle(Painter, points, Qt::white, QColor(0x80, 0x80, 0x80));
    else
        Triangle(Painter, points, Qt::blue, Painter.pen().color());
}

void TMainGridController::EditProps(TQSGInplaceEdit* Editor, int ACol)
{
    const TLangFile* file = ColumnFile(ACol);
    if (!file) return;
    // The editor reads right to left for such locales; without the setting it
    // keeps the neutral locale and so the left-to-right order.
    Editor->SetLocale(FSettings->RightToLeft4ME || !IsRightToLeftLocale(file->Locale()) ? file->Locale() : 0);
}

void TMainGridController::KeyPress(QChar& Key)
{
    // Ctrl+Enter opens the multi-line editor on any writable cell.
    if (Key.unicode() == 10 && !FGrid->Editing() && FSettings->CellEditDialog && Writable(FGrid->Col()) &&
        FGrid->RowCount() > 0 && !(FGrid->GetCellOptions(FGrid->Col(), FGrid->Row()) & voReadOnly)) {
        FGrid->SetCellOptions(FGrid->Col(), FGrid->Row(),
                              FGrid->GetCellOptions(FGrid->Col(), FGrid->Row()) | voList | voButton);
        Key = QChar(13);
    }
}

TQGridColumn* TMainGridController::AddLanguageColumn(TLangFile* File)
{
    TQGridColumn* column = FGrid->Columns().Add();
    column->SetFont({FDefaultFont, QColor()});
    column->SetData(File);
    column->SetReadOnly(File->IsNative() || File->ReadOnly());
    column->SetCaption(ColumnCaption(File));
    return column;
}

QString TMainGridController::ColumnCaption(const TLangFile* File) const
{
    QString caption = File->IsNative() ? UiString(usNativeCaption, {File->LangEnglishName()}) : File->LangEnglishName();
    if (File->Modified()) caption += QStringLiteral(" *");
    return caption;
}

void TMainGridController::UpdateColumnCaption(TQGridColumn* Column)
{
    if (const auto* file = static_cast<const TLangFile*>(Column->Data())) Column->SetCaption(ColumnCaption(file));
}

void TMainGridController::UpdateCaptions()
{
    for (int c = 0; c < FGrid->Columns().Count(); ++c) UpdateColumnCaption(FGrid->Columns().Items(c));
}

QList<TLocItem*> TMainGridController::SelectedItems() const
{
    QList<TLocItem*> items;
    const TGridRect sel = FGrid->Selection();
    for (int r = std::max(sel.Top, 0); r <= sel.Bottom && r < FGrid->RowCount(); ++r)
        if (TLocItem* item = RowItem(r)) items << item;
    return items;
}

QList<TLangFile*> TMainGridController::SelectedLanguages() const
{
    QList<TLangFile*> files;
    const TGridRect sel = FGrid->Selection();
    for (int c = std::max(sel.Left, 0); c <= sel.Right && c < FGrid->VisibleColCount(); ++c)
        if (TLangFile* file = ColumnFile(c)) files << file;
    return files;
}

bool TMainGridController::Writable(int ACol) const
{
    if (ACol < 0 || ACol >= FGrid->VisibleColCount()) return false;
    return ColumnFile(ACol) && !FGrid->VisibleColumn(ACol)->ReadOnly();
}

TQGridColumn* TMainGridController::NativeColumn() const
{
    if (FProject->LangFiles().Count() == 0) return nullptr;
    for (int c = 0; c < FGrid->Columns().Count(); ++c)
        if (FGrid->Columns().Items(c)->Data() == FProject->LangFiles().Items(0)) return FGrid->Columns().Items(c);
    return nullptr;
}

void TMainGridController::LoadColumnSettings(TQGridColumn* Column)
{
    auto* lang = Column ? static_cast<TLangFile*>(Column->Data()) : nullptr;
    if (!lang) return;
    const TColumnSettings defaults =
        DefaultColumnSettings(lang->Locale(), FDefaultFont.family(), FDefaultFont.pointSize());
    const TProjectDesktopFile file(FProject->NativeFileName());
    const TColumnSettings settings =
        file.Exists() ? file.ReadColumn(LanguageExtension(lang->FileName()), defaults) : defaults;
    Column->SetWidth(settings.Width);
    QFont font = FDefaultFont;
    if (!settings.FontName.isEmpty()) font.setFamily(settings.FontName);
    if (settings.FontSize > 0) font.setPointSize(settings.FontSize);
    if (settings.FontStyle >= 0) SetFontStyle(font, settings.FontStyle);
    Column->SetFont({font, Column->Font().Color});
    lang->SetKeyboardLayout(settings.KbLayout);
    Column->SetImeName(settings.ImeName);
    Column->SetImeMode(TImeMode(std::clamp(settings.ImeMode, 0, int(imHanguel))));
    lang->SetRepLocale(settings.RepLocale);
    lang->SetAskRepLocale(settings.AskRepLocale);
}
