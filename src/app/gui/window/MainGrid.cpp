// The main window's grid: how the project maps to rows and columns, how cells
// look, the cell edit path and the commands on the selected cells.

#include "app/gui/window/MainForm.h"

#include "app/gui/commands/RepositoryCommands.h"
#include "app/gui/dialogs/options/OptionsDialog.h"
#include "app/gui/grid/MultiLineEditor.h"
#include "app/gui/panels/SuggestionsPanel.h"
#include "app/gui/window/MainStatusPanel.h"
#include "app/gui/window/NativeValueWindow.h"
#include "app/gui/window/TreeCombo.h"
#include "core/DateTime.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFile.h"
#include "storage/Locales.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

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

void Triangle(QPainter& Painter, const QPoint (&Points)[3], const QColor& Fill, const QColor& Pen)
{
    Painter.setPen(Pen.isValid() ? QPen(Pen) : QPen(Qt::NoPen));
    Painter.setBrush(Fill);
    Painter.drawPolygon(Points, 3);
}

} // namespace

// --- mapping ---

TLangFile* TOxvPDMainForm::ColumnFile(int ACol) const
{
    if (!sgStrings || ACol < 0 || ACol >= sgStrings->VisibleColCount()) return nullptr;
    return static_cast<TLangFile*>(sgStrings->VisibleColumn(ACol)->Data());
}

TLangFile* TOxvPDMainForm::ActiveLangFile() const
{
    const TQGridColumn* column = sgStrings ? sgStrings->ActiveColumn() : nullptr;
    return column ? static_cast<TLangFile*>(column->Data()) : nullptr;
}

TLocItem* TOxvPDMainForm::RowItem(int ARow) const
{
    if (ARow < 0 || ARow >= sgStrings->RowCount()) return nullptr;
    return static_cast<TLocItem*>(sgStrings->GetRowData(ARow));
}

QString TOxvPDMainForm::RowName(const TLocItem* Item) const
{
    QString name;
    if (FOptions.Debug) name = QString::number(Item->ID()) + QStringLiteral(": ");
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
        if (FOptions.Debug) name += QString::number(c->StringID()) + QStringLiteral(": ");
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

TValueOptions TOxvPDMainForm::CellOptionsOf(const TLocItem* Item, int LangIndex) const
{
    TValueOptions options;
    if (Item->Values().ValueType() == ptStringList) options |= voList;
    if (Item->Attribute(vaUntranslatable) || Item->Values().Items(LangIndex)->Attribute(vaVerified))
        options |= voReadOnly;
    return options;
}

void TOxvPDMainForm::FillRow(int ARow, TLocItem* Item)
{
    sgStrings->SetRowData(ARow, Item);
    TQGridColumns& columns = sgStrings->Columns();
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

void TOxvPDMainForm::UpdateSectionCaption()
{
    if (sgStrings->Columns().Count() > 0)
        sgStrings->Columns().Items(0)->SetCaption(UiString(kSectionCaptions[FProject->Filter().ShownSection()]));
}

void TOxvPDMainForm::FillGrid()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    sgStrings->EndCellEdit();
    FProject->RebuildShownList(FSettings.FullNameCompare);
    TQGridColumns& columns = sgStrings->Columns();
    if (columns.Count() == 0) return;
    UpdateSectionCaption();

    sgStrings->SetRowCount(0);
    sgStrings->SetRowCount(ShownCount(*FProject));
    int row = 0;
    ForShownItems(*FProject, [&](TLocItem* item) { FillRow(row++, item); });

    const TLPSorting& sorting = FProject->Sorting();
    const auto mark = TColumnSorting(sorting.SortOrder()); // soNone/soAsc/soDsc match csNone/csAsc/csDsc
    for (int c = 0; c < columns.Count(); ++c) {
        TQGridColumn* column = columns.Items(c);
        const auto* file = static_cast<const TLangFile*>(column->Data());
        const int index = file ? file->LangIndex() : -1;
        column->SetSortOrder(index == sorting.LangIndex() ? mark : csNone);
        const bool rightToLeft = file && FSettings.RightToLeft4ME && IsRightToLeftLocale(file->Locale());
        column->SetAlignment(rightToLeft ? Qt::AlignRight : Qt::AlignLeft);
    }
    UpdateCaptions();
    sgStrings->viewport()->update();
}

void TOxvPDMainForm::RefreshGrid()
{
    if (sgStrings->isHidden() || sgStrings->Columns().Count() == 0) return;
    sgStrings->EndCellEdit();
    const TLocItem* item = RowItem(sgStrings->Row());
    const int32_t itemID = item ? item->ID() : 0;
    const QString caption = sgStrings->Columns().Items(0)->Caption();
    int row = std::max(sgStrings->Row(), 0);

    const bool allow = AllowSelectEvents;
    AllowSelectEvents = false;
    {
        const auto restore = qScopeGuard([&] { AllowSelectEvents = allow; });
        FillGrid();
        if (sgStrings->RowCount() > 0) {
            row = std::min(row, sgStrings->RowCount() - 1);
            // The same item stays current when the section did not change.
            if (item && caption == sgStrings->Columns().Items(0)->Caption())
                for (int r = 0; r < sgStrings->RowCount(); ++r)
                    if (RowItem(r)->ID() == itemID) {
                        row = r;
                        break;
                    }
            if (sgStrings->Col() >= sgStrings->EffectiveFixedCols()) sgStrings->SetRow(row);
        }
    }
    if (sgStrings->RowCount() > 0) {
        GridSelectCell(sgStrings->Col(), sgStrings->Row());
        GridSelectionChanged();
    }
    UpdateCommandStates();
    UpdateCellCommandStates(sgStrings->Col(), sgStrings->Row());
    UpdateStatusText();
}

// --- sections ---

QString TOxvPDMainForm::SectionText() const { return edSection->text(); }

void TOxvPDMainForm::ShowSectionText(const QTreeWidgetItem* Node)
{
    const QTreeWidgetItem* parent = Node->parent();
    edSection->setText(parent ? TfrmTreeCombo::NodeName(parent) + QLatin1Char('.') + Node->text(0) : Node->text(0));
}

void TOxvPDMainForm::ApplySectionSelection(QTreeWidgetItem* Node)
{
    if (!Node) return;
    const TShownSection section = FTreeCombo->SectionOf(Node);
    ShowSectionText(Node);
    const QString name = Node->parent() ? TfrmTreeCombo::NodeName(Node) : QString();
    TLPFilter& filter = FProject->Filter();
    switch (section) {
    case ssForms:
        filter.Properties().SetFormName(name);
        filter.Properties().SetModified(true);
        break;
    case ssUnits:
        filter.Constants().SetUntName(name);
        filter.Constants().SetModified(true);
        break;
    case ssExternal:
        filter.ExtItems().SetGroupName(name);
        filter.ExtItems().SetModified(true);
        break;
    }
    filter.SetShownSection(section);
}

void TOxvPDMainForm::SectionChange(QTreeWidgetItem* Node)
{
    const int row = sgStrings->Row();
    // The chooser shows the node chosen here too (its index counts depth first).
    int index = 0;
    for (QTreeWidgetItemIterator it(FTreeCombo->Tree()); *it && *it != Node; ++it) ++index;
    if (FTreeCombo->SelectedNode() != Node) FTreeCombo->SetSelectedIndex(index);
    ApplySectionSelection(Node);
    edSection->setToolTip(edSection->text());
    RefreshGrid();
    sgStrings->setFocus();
    if (row == sgStrings->Row() && row >= 0) GridSelectCell(sgStrings->Col(), row);
}

void TOxvPDMainForm::ChooseSection()
{
    if (!ProjectOpen()) return;
    // Under the section edit, at least as wide as it and within the window.
    const QRect client = rect();
    FTreeCombo->SetMinWidth(edSection->width() + btnSection->width());
    FTreeCombo->SetMaxWidth(std::max(FTreeCombo->MinWidth(), client.width() - 100));
    const QPoint below = edSection->mapTo(this, QPoint(0, edSection->height()));
    FTreeCombo->SetMaxHeight(std::max(100, client.height() - 100 - below.y()));
    FTreeCombo->move(edSection->mapToGlobal(QPoint(0, edSection->height())));
    FTreeCombo->show();
}

void TOxvPDMainForm::StepSection(int Delta) { FTreeCombo->ChooseSibling(Delta); }

// --- the cell edit path ---

bool TOxvPDMainForm::SomeSelectedCellEditable() const
{
    const TGridRect sel = sgStrings->Selection();
    if (sgStrings->RowCount() == 0 || !Writable(sel.Left)) return false;
    for (int r = sel.Top; r <= sel.Bottom; ++r)
        if (!(sgStrings->GetCellOptions(sel.Left, r) & voReadOnly)) return true;
    return false;
}

void TOxvPDMainForm::UpdateCellOptions(int ACol, int ARow)
{
    const TLocItem* item = RowItem(ARow);
    const TLangFile* file = ColumnFile(ACol);
    if (!item || !file) return;
    TValueOptions options = sgStrings->GetCellOptions(ACol, ARow);
    if (FSettings.CellEditDialog && (options & voList) && Writable(ACol))
        options |= voButton;
    else
        options &= ~TValueOptions(voButton);
    options.setFlag(voReadOnly, item->Attribute(vaUntranslatable) ||
                                    item->Values().Items(file->LangIndex())->Attribute(vaVerified));
    if (options != sgStrings->GetCellOptions(ACol, ARow)) sgStrings->SetCellOptions(ACol, ARow, options);
}

// Stores Text as the value of the cell and shows it; a changed text marks the
// language modified and the value translated. Returns whether it changed.
bool TOxvPDMainForm::StoreCell(int ACol, int ARow, const QString& Text)
{
    TLocItem* item = RowItem(ARow);
    TLangFile* file = ColumnFile(ACol);
    if (!item || !file) return false;
    TLocValue* value = item->Values().Items(file->LangIndex());
    const QString old = value->Value();
    value->SetValue(Text);
    sgStrings->SetCell(ACol, ARow, value->Value());
    if (old == Text) return false;
    value->SetFuzzyScore(0); // reviewed: no longer a draft
    file->SetModified(true);
    value->SetModified(DateTime::Now());
    value->SetValueVersion(item->MainValue()->ValueVersion());
    return true;
}

void TOxvPDMainForm::EditCell(int ACol, int ARow, const QString& Text)
{
    if (!AllowSelectEvents) return;
    TLocItem* item = RowItem(ARow);
    TLangFile* file = ColumnFile(ACol);
    if (!item || !file) return;
    const QString old = item->Values().Items(file->LangIndex())->Value();
    const bool changed = StoreCell(ACol, ARow, Text);

    TValueOptions options = sgStrings->GetCellOptions(ACol, ARow);
    if (!HasLineBreak(Text) && item->Values().ValueType() != ptStringList)
        options &= ~TValueOptions(voList | voButton);
    else if (HasLineBreak(Text) && FSettings.CellEditDialog && (options & voList) && Writable(ACol))
        options |= voButton;
    sgStrings->SetCellOptions(ACol, ARow, options);

    if (FSettings.WarnFormatMismatch && FormatSignature && !(FBulkEdits > 0 && FBulkFormatWarned) &&
        FormatSignature(Text) != FormatSignature(item->MainValue()->Value())) {
        FBulkFormatWarned = FBulkEdits > 0;
        Prompt().Message(mkWarning, UiString(usFormatSymbolsDiffer, {item->GetFullName(QStringLiteral("."))}), mbOK,
                         mrOk);
    }

    if (changed && !AutoTranslMode) FRepository->CellChanged(ACol, ARow);
    if (!AutoTranslMode && FSettings.AutoTransl && sgStrings->GetCellType(ACol, ARow) == vtString) {
        if (FBulkEdits > 0) {
            // Unchanged cells too: the translation along leaves every cell of the bulk as the user set it.
            FBulkIdentical.push_back({ACol, ARow, old, Text, item->MainValue()->Value()});
        } else if (changed && AutoTranslateIdentical) {
            AutoTranslMode = true;
            const auto done = qScopeGuard([this] { AutoTranslMode = false; });
            AutoTranslateIdentical(ACol, old, Text, item->MainValue()->Value());
        }
    }
    if (FBulkEdits > 0) return;
    UpdateColumnCaption(sgStrings->VisibleColumn(ACol));
    UpdateStatusText(ACol, ARow);
    UpdateCommandStates();
    UpdateCellCommandStates(ACol, ARow);
}

void TOxvPDMainForm::BulkEdit(const std::function<void()>& Edits)
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
        const QScopedValueRollback<bool> translating(AutoTranslMode, true);
        // One change is translated along as a single edit is, prompt included;
        // silently only when it is the bulk's only cell, as that way would also
        // reach the bulk's other cells.
        if (changes == 1 && (edits.size() == 1 || FSettings.UseReplaceTb) && AutoTranslateIdentical) {
            const TIdenticalEdit& e = *std::find_if(edits.begin(), edits.end(), isChange);
            AutoTranslateIdentical(e.Col, e.OldText, e.NewText, e.NativeText);
        } else if (changes > 0 && TranslateIdenticalAlong) {
            TranslateIdenticalAlong(edits);
        }
    }
    UpdateCaptions();
    UpdateStatusText();
    UpdateCommandStates();
    UpdateCellCommandStates(sgStrings->Col(), sgStrings->Row());
}

void TOxvPDMainForm::MoveToNextRow()
{
    if (!FSettings.MoveCursorDown || AutoTranslMode) return;
    const int row = sgStrings->Row();
    if (row < 0 || row >= sgStrings->RowCount() - 1) return;
    AllowSelectEvents = false;
    {
        const auto restore = qScopeGuard([this] { AllowSelectEvents = true; });
        sgStrings->FocusCell(sgStrings->Col(), row + 1, true);
    }
    GridSelectCell(sgStrings->Col(), row + 1);
    UpdateCellCommandStates(sgStrings->Col(), row + 1);
    UpdateStatusText();
}

// --- cell commands ---

void TOxvPDMainForm::ComputeSelRows()
{
    FSelRowsTranslated = FSelRowsUntranslatable = FSelRowsHidden = FSelRowsVerified = false;
    if (sgStrings->RowCount() == 0) return;
    const TGridRect sel = sgStrings->Selection();
    const TLangFile* file = ColumnFile(sgStrings->Col());
    bool allTranslated = true, anyEditable = false, allUntranslatable = true, allHidden = true, allVerified = true;
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        const TLocItem* item = RowItem(r);
        allUntranslatable = allUntranslatable && item->Attribute(vaUntranslatable);
        allHidden = allHidden && item->Attribute(vaHidden);
        if (!file || (sgStrings->GetCellOptions(sgStrings->Col(), r) & voReadOnly)) continue;
        anyEditable = true;
        const bool translated = item->IsTranslated(file->LangIndex());
        allTranslated = allTranslated && translated;
        if (translated && !item->Values().Items(file->LangIndex())->Attribute(vaVerified)) allVerified = false;
    }
    FSelRowsTranslated = anyEditable && allTranslated;
    FSelRowsUntranslatable = allUntranslatable;
    FSelRowsHidden = allHidden;
    FSelRowsVerified = allVerified;
}

void TOxvPDMainForm::UpdateCellCommandStates(int ACol, int ARow)
{
    bool languages = false;
    for (int c = 0; c < sgStrings->VisibleColCount(); ++c) languages = languages || ColumnFile(c);
    const bool usable = languages && sgStrings->RowCount() > 0;
    const bool oneCol = !sgStrings->MultiColsSelected();
    const bool writable = Writable(ACol);
    ComputeSelRows();
    bool anyTranslated = false;
    if (usable && writable) {
        const TGridRect sel = sgStrings->Selection();
        const int index = ColumnFile(ACol)->LangIndex();
        for (int r = sel.Top; r <= sel.Bottom && !anyTranslated; ++r) {
            const TLocItem* item = RowItem(r);
            const bool readOnly = sgStrings->GetCellOptions(ACol, r) & voReadOnly;
            anyTranslated = (!readOnly || item->Values().Items(index)->Attribute(vaVerified)) &&
                            item->IsTranslated(index) && !item->Attribute(vaUntranslatable);
        }
    }
    const bool editable = usable && oneCol && writable && SomeSelectedCellEditable();
    for (QAction* a : {miCopy, miCut, miSelectAll}) a->setEnabled(usable);
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    miPaste->setEnabled(usable && mime && mime->hasText() && ARow >= 0);
    miDuplicatePrev->setEnabled(usable && !sgStrings->MultiRowsSelected() && !sgStrings->MultiColsSelected());
    miRevert->setEnabled(editable);
    miTranslated->setEnabled(editable);
    miTranslated->setChecked(FSelRowsTranslated);
    miVerified->setEnabled(usable && oneCol && writable && anyTranslated);
    miVerified->setChecked(FSelRowsVerified);
    miUntranslatable->setEnabled(usable);
    miUntranslatable->setChecked(FSelRowsUntranslatable);
}

// The frame of the marks on the active column's values: Mark changes one
// selected row's value and says whether it did; changed values are stamped and
// make the language modified.
void TOxvPDMainForm::MarkSelectedValues(const std::function<bool(TLocItem*, TLocValue*)>& Mark)
{
    sgStrings->EndCellEdit();
    const int col = sgStrings->Col();
    TLangFile* file = ColumnFile(col);
    if (!file || !Writable(col)) return;
    ComputeSelRows();
    const bool wasModified = file->Modified();
    const TGridRect sel = sgStrings->Selection();
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        TLocValue* value = RowItem(r)->Values().Items(file->LangIndex());
        if (!Mark(RowItem(r), value)) continue;
        value->SetModified(DateTime::Now());
        file->SetModified(true);
        UpdateCellOptions(col, r);
    }
    UpdateColumnCaption(sgStrings->VisibleColumn(col));
    sgStrings->viewport()->update();
    if (wasModified != file->Modified()) UpdateCommandStates();
    UpdateCellCommandStates(col, sgStrings->Row());
    MoveToNextRow();
}

void TOxvPDMainForm::ToggleTranslated()
{
    MarkSelectedValues([this](TLocItem* Item, TLocValue* Value) {
        // Read-only cells (untranslatable items, verified values) keep their state.
        if (Item->Attribute(vaUntranslatable) || Value->Attribute(vaVerified)) return false;
        const int32_t native = Item->MainValue()->ValueVersion();
        Value->SetValueVersion(FSelRowsTranslated ? native - 1 : native);
        return true;
    });
}

void TOxvPDMainForm::ToggleVerified()
{
    const int index = ActiveLangFile() ? ActiveLangFile()->LangIndex() : 0;
    MarkSelectedValues([this, index](TLocItem* Item, TLocValue* Value) {
        if (Item->Attribute(vaUntranslatable) || !Item->IsTranslated(index)) return false;
        Value->SetAttribute(vaVerified, !FSelRowsVerified);
        return true;
    });
}

void TOxvPDMainForm::ToggleUntranslatable()
{
    sgStrings->EndCellEdit();
    if (sgStrings->RowCount() == 0) return;
    ComputeSelRows();
    const TGridRect sel = sgStrings->Selection();
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        RowItem(r)->SetAttribute(vaUntranslatable, !FSelRowsUntranslatable);
        for (int c = sgStrings->EffectiveFixedCols(); c < sgStrings->VisibleColCount(); ++c) UpdateCellOptions(c, r);
    }
    // The mark lives in the native file, which is then saved on close.
    SaveNativeOnClose = true;
    const TLPFilter& filter = FProject->Filter();
    if (filter.UntranslatableOnly() || !filter.ShowUntranslatable()) {
        RefreshGrid();
        if (sgStrings->RowCount() > 0) sgStrings->SetSelection(sel);
    } else {
        sgStrings->viewport()->update();
        GridSelectCell(sgStrings->Col(), sgStrings->Row());
        MoveToNextRow();
    }
    UpdateCellCommandStates(sgStrings->Col(), sgStrings->Row());
}

void TOxvPDMainForm::RevertToOriginal()
{
    const int col = sgStrings->Col();
    TLangFile* file = ColumnFile(col);
    if (!file || !Writable(col) || sgStrings->RowCount() == 0) return;
    // The original is the language this one is based on when that is open.
    int original = 0;
    if (file->BasedOnLangID() != 0) {
        const int base = FProject->LangFiles().IndexByLangID(file->BasedOnLangID());
        if (base > 0 && base != file->LangIndex()) original = base;
    }
    if (sgStrings->Editing()) {
        sgStrings->GetInplaceEditor()->SetText(RowItem(sgStrings->Row())->Values().Items(original)->Value());
        UpdateCellCommandStates(col, sgStrings->Row());
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const TGridRect sel = sgStrings->Selection();
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        if (sgStrings->GetCellOptions(col, r) & voReadOnly) continue;
        TLocItem* item = RowItem(r);
        const QString text = item->Values().Items(original)->Value();
        if (r == sgStrings->Row())
            EditCell(col, r, text);
        else
            StoreCell(col, r, text);
        item->Values().Items(file->LangIndex())->SetValueVersion(item->MainValue()->ValueVersion() - 1);
    }
    sgStrings->viewport()->update();
    UpdateColumnCaption(sgStrings->VisibleColumn(col));
    if (sel.Bottom > sel.Top)
        UpdateCommandStates();
    else
        MoveToNextRow();
    UpdateCellCommandStates(col, sgStrings->Row());
}

// While a cell is edited, or a text control outside the grid has the focus,
// the clipboard commands are that control's own. Returns whether it took Method.
bool TOxvPDMainForm::EditorClipboard(const char* Method)
{
    QWidget* target = sgStrings->Editing() ? sgStrings->GetInplaceEditor() : QApplication::focusWidget();
    if (!target || target == sgStrings || !(qobject_cast<QLineEdit*>(target) || qobject_cast<QPlainTextEdit*>(target)))
        return false;
    QMetaObject::invokeMethod(target, Method);
    return true;
}

void TOxvPDMainForm::CopyToClipbrd()
{
    if (EditorClipboard("copy")) return;
    if (sgStrings->RowCount() == 0) return;
    const TGridRect sel = sgStrings->Selection();
    QStringList rows;
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        QStringList cells;
        for (int c = sel.Left; c <= sel.Right; ++c) cells << ClipboardField(sgStrings->GetCell(c, r));
        rows << cells.join(QLatin1Char('\t'));
    }
    QApplication::clipboard()->setText(rows.join(QStringLiteral("\r\n")));
}

void TOxvPDMainForm::CutToClipbrd()
{
    if (EditorClipboard("cut")) return;
    if (!sgStrings->ActiveColumn() || sgStrings->RowCount() == 0) return;
    CopyToClipbrd();
    const TGridRect sel = sgStrings->Selection();
    BulkEdit([&] {
        for (int r = sel.Top; r <= sel.Bottom; ++r)
            for (int c = sel.Left; c <= sel.Right; ++c)
                if (Writable(c) && !(sgStrings->GetCellOptions(c, r) & voReadOnly)) EditCell(c, r, QString());
    });
    sgStrings->viewport()->update();
}

void TOxvPDMainForm::PasteFromClipbrd()
{
    if (EditorClipboard("paste")) {
        UpdateCellCommandStates(sgStrings->Col(), sgStrings->Row());
        return;
    }
    if (sgStrings->RowCount() == 0 || sgStrings->Col() < sgStrings->EffectiveFixedCols()) return;
    const QList<QStringList> lines = ParseClipboard(QApplication::clipboard()->text());
    if (lines.isEmpty()) return;
    int width = 0;
    for (const QStringList& line : lines) width = std::max(width, int(line.size()));
    const TGridRect sel = sgStrings->Selection();
    const TGridRect area{sel.Left, sel.Top, sel.Left + width - 1, sel.Top + int(lines.size()) - 1};
    const bool singleCell = sel.Left == sel.Right && sel.Top == sel.Bottom;
    if (!(area == sel) && !singleCell &&
        Prompt().Message(mkConfirmation, UiString(usPasteRangeMismatch), mbYesCancel, mrCancel) != mrYes)
        return;
    const int right = std::min(area.Right, sgStrings->VisibleColCount() - 1);
    const int bottom = std::min(area.Bottom, sgStrings->RowCount() - 1);
    BulkEdit([&] {
        for (int r = area.Top; r <= bottom; ++r) {
            const QStringList& line = lines[r - area.Top];
            for (int c = area.Left; c <= right && c - area.Left < line.size(); ++c)
                if (Writable(c) && !(sgStrings->GetCellOptions(c, r) & voReadOnly)) EditCell(c, r, line[c - area.Left]);
        }
    });
    sgStrings->SetSelection({area.Left, area.Top, right, bottom});
    sgStrings->viewport()->update();
}

void TOxvPDMainForm::CopyNameToClipbrd()
{
    if (sgStrings->RowCount() == 0 || sgStrings->VisibleColCount() == 0) return;
    const TGridRect sel = sgStrings->Selection();
    QStringList names;
    for (int r = sel.Top; r <= sel.Bottom; ++r) names << sgStrings->GetCell(0, r);
    QApplication::clipboard()->setText(names.join(QStringLiteral("\r\n")));
}

void TOxvPDMainForm::SelectAll()
{
    if (sgStrings->Editing()) {
        sgStrings->GetInplaceEditor()->selectAll();
        return;
    }
    if (sgStrings->RowCount() == 0) return;
    const TGridRect sel = sgStrings->Selection();
    sgStrings->SetSelection({sel.Left, 0, sel.Right, sgStrings->RowCount() - 1});
}

void TOxvPDMainForm::DuplicatePrevCell()
{
    const int col = sgStrings->Col();
    const int row = sgStrings->Row();
    if (row <= 0 || !Writable(col)) return;
    const QString text = sgStrings->GetCell(col, row - 1);
    if (sgStrings->Editing()) {
        sgStrings->GetInplaceEditor()->SetText(text);
        return;
    }
    if (sgStrings->GetCellOptions(col, row) & voReadOnly) return;
    EditCell(col, row, text);
    sgStrings->viewport()->update();
    MoveToNextRow();
}

// --- filter and sorting ---

void TOxvPDMainForm::ShowStates(bool Translated, bool Untranslated)
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

void TOxvPDMainForm::SetUntranslatableOnly(bool On)
{
    FProject->Filter().SetUntranslatableOnly(On);
    RefreshGrid();
}

void TOxvPDMainForm::ShowKinds(bool Textual, bool Nontextual)
{
    TLPPropertyFilter& props = FProject->Filter().Properties();
    if (props.ShowTextual() == Textual && props.ShowNontextual() == Nontextual) return;
    props.SetShowTextual(Textual);
    props.SetShowNontextual(Nontextual);
    props.SetModified(true);
    RefreshGrid();
}

void TOxvPDMainForm::SortBy(TSortOrder Order)
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

void TOxvPDMainForm::HeaderClick(int ACol)
{
    sgStrings->EndCellEdit();
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

void TOxvPDMainForm::SetShowNative(bool Show)
{
    if (!AllowSelectEvents || !ProjectOpen()) return;
    TQGridColumn* native = nullptr;
    for (int c = 0; c < sgStrings->Columns().Count(); ++c)
        if (sgStrings->Columns().Items(c)->Data() == FProject->LangFiles().Items(0))
            native = sgStrings->Columns().Items(c);
    if (!native || native->Visible() == Show) return;
    if (!Show && sgStrings->ActiveColumn() == native) {
        // Off the native column first: to the left only when it is the last one.
        const int col = sgStrings->Col();
        const int target = col == sgStrings->VisibleColCount() - 1 ? col - 1 : col + 1;
        if (target >= sgStrings->EffectiveFixedCols()) sgStrings->SetCol(target);
    }
    native->SetVisible(Show);
    if (sgStrings->RowCount() > 0) GridSelectionChanged();
    UpdateCommandStates();
}

// --- status bar ---

QString TOxvPDMainForm::NativeText(int ARow) const
{
    const TLocItem* item = RowItem(ARow);
    return item ? item->MainValue()->Value() : QString();
}

QString TOxvPDMainForm::StatusText(int Panel) const
{
    switch (Panel) {
    case 0:
        return FStatusRow->text();
    case 1:
        return FStatusCell->Text();
    case 2:
        return FStatusRL->text();
    default:
        return FStatusTask->text();
    }
}

void TOxvPDMainForm::UpdateStatusText(int ACol, int ARow)
{
    if (ACol < 0) ACol = sgStrings->Col();
    if (ARow < 0) ARow = sgStrings->Row();
    if (sgStrings->RowCount() == 0 || ARow < 0 || ACol < 0) {
        FStatusRow->setText(QStringLiteral(" "));
        FStatusCell->SetText(QStringLiteral(" "), FStatusFont);
        FStatusRL->clear();
        return;
    }
    FStatusRow->setText(QStringLiteral("%1/%2 ").arg(ARow + 1).arg(sgStrings->RowCount()));
    FStatusCell->SetText(QLatin1Char(' ') + sgStrings->GetCell(ACol, ARow), FStatusFont);
    UpdateRelativeLength(ACol, ARow);
}

void TOxvPDMainForm::UpdateRelativeLength(int ACol, int ARow)
{
    const TLocItem* item = RowItem(ARow);
    const TLangFile* file = ColumnFile(ACol);
    FStatusRL->clear();
    if (!item || !file) return;
    const QFontMetrics metrics(QFont(QStringLiteral("Arial")));
    const int nativeWidth = metrics.horizontalAdvance(item->MainValue()->Value());
    if (nativeWidth == 0) return;
    const int width = metrics.horizontalAdvance(item->Values().Items(file->LangIndex())->Value());
    const int ratio = int(std::lround(100.0 * width / nativeWidth));
    const char* colour = ratio <= 100 ? "#008000" : ratio <= 109 ? "#ff8e04" : "#ff0000";
    FStatusRL->setText(QStringLiteral("RL: <span style=\"color:%1\">%2%</span>").arg(QLatin1String(colour)).arg(ratio));
}

// --- grid events ---

void TOxvPDMainForm::WireGrid()
{
    sgStrings->OnSelectCell = [this](TQStringGrid*, int ACol, int ARow, bool&) { GridSelectCell(ACol, ARow); };
    sgStrings->OnSelectionChanged = [this](TQStringGrid*) { GridSelectionChanged(); };
    sgStrings->OnSetEditText = [this](TQStringGrid*, int ACol, int ARow, const QString& Value) {
        Guard([&] { EditCell(ACol, ARow, Value); });
    };
    sgStrings->OnCancelEdit = [this](TQStringGrid*, int ACol, int ARow, const QString&) { GridCancelEdit(ACol, ARow); };
    sgStrings->OnGetEditText = [this](TQStringGrid*, int ACol, int ARow, QString&) {
        if (!AllowSelectEvents) return;
        UpdateCommandStates();
        UpdateCellCommandStates(ACol, ARow);
        GridEditorSelChange();
    };
    sgStrings->OnEditorSelChange = [this](TQStringGrid*) { GridEditorSelChange(); };
    sgStrings->OnGetCellProps = [this](TQStringGrid*, int ACol, int ARow, TQCellProperties& Props) {
        GridCellProps(ACol, ARow, Props);
    };
    sgStrings->OnGetHeaderCellProps = [this](TQStringGrid*, int ACol, TQCellProperties& Props) {
        GridHeaderProps(ACol, Props);
    };
    sgStrings->OnGetEditProps = [this](TQSGInplaceEdit* Editor, int ACol, int) { GridEditProps(Editor, ACol); };
    sgStrings->OnDrawCell = [this](TQStringGrid*, QPainter& Painter, int ACol, int ARow, const QRect& Rect,
                                   TGridDrawState) { GridDrawCell(Painter, ACol, ARow, Rect); };
    sgStrings->OnDrawHeader = [this](TQStringGrid*, QPainter& Painter, int ACol, const QRect& Rect, TGridDrawState) {
        GridDrawHeader(Painter, ACol, Rect);
    };
    sgStrings->OnButtonClick = [this](TQStringGrid*) { Guard([this] { EditCellMultiLine(); }); };
    sgStrings->OnKeyPress = [this](TQStringGrid*, QChar& Key) { GridKeyPress(Key); };
    sgStrings->OnKeyDown = [this](TQStringGrid*, int& Key, Qt::KeyboardModifiers Modifiers) {
        GridKeyDown(Key, Modifiers);
    };
    sgStrings->OnActiveColChanged = [this](TQStringGrid*, TQGridColumn*, TQGridColumn* Column) {
        // Input methods deliver whole strings for languages other than the system's.
        const auto* file = Column ? static_cast<const TLangFile*>(Column->Data()) : nullptr;
        sgStrings->SetProcessIMEChars(file && PrimaryLanguage(file->Locale()) != PrimaryLanguage(UserDefaultLangID()));
    };
    sgStrings->OnContextPopup = [this](TQStringGrid*, int X, int Y) { ShowPopup(X, Y); };
    sgStrings->OnHeaderClick = [this](TQStringGrid*, int ACol) { Guard([&] { HeaderClick(ACol); }); };
    sgStrings->OnEditRefused = [this](TQStringGrid*, int ACol, int) { GridEditRefused(ACol); };
}

QString TOxvPDMainForm::ReadOnlyText(int ACol) const
{
    const TLangFile* file = ColumnFile(ACol);
    if (!file || !sgStrings->VisibleColumn(ACol)->ReadOnly()) return QString();
    if (file->IsNative()) return UiString(usNativeReadOnly);
    const QString name = QDir::toNativeSeparators(file->FileName());
    const QString why =
        QFileInfo(file->FileName()).isWritable() ? UiString(usHeldByOtherProgram) : UiString(usMayNotWrite);
    return UiString(usLanguageReadOnly, {name, why});
}

void TOxvPDMainForm::GridEditRefused(int ACol)
{
    // Said once per language file: typing into its column again is no news.
    const TLangFile* file = ColumnFile(ACol);
    if (!file || file->IsNative() || !file->ReadOnly() || FReadOnlyTold.contains(file->FileName())) return;
    FReadOnlyTold.insert(file->FileName());
    Prompt().Message(mkInformation, ReadOnlyText(ACol) + QLatin1Char('.'), mbOK, mrOk);
}

void TOxvPDMainForm::GridSelectCell(int ACol, int ARow)
{
    if (!AllowSelectEvents) return;
    FNativeValueForm->SetText(QString());
    if (!RowItem(ARow)) return;
    UpdateCellOptions(ACol, ARow);
    FNativeValueForm->SetText(NativeText(ARow));
    if (FSuggestions) FSuggestions->CurrentChanged();
}

void TOxvPDMainForm::GridSelectionChanged()
{
    if (!AllowSelectEvents || IsClosing) return;
    const int col = sgStrings->Col();
    const int row = sgStrings->Row();
    if (const TLangFile* file = ColumnFile(col); file && RowItem(row) && file->LangIndex() < FProject->LangCount())
        FProject->SetCurLangIndex(file->LangIndex());
    if (sgStrings->ActiveColumn()) FStatusFont = sgStrings->ActiveColumn()->Font().Font;
    UpdateCellCommandStates(col, row);
    UpdateStatusText(col, row);
    UpdateCommandStates();
}

void TOxvPDMainForm::GridCancelEdit(int ACol, int ARow)
{
    UpdateCellOptions(ACol, ARow);
    UpdateCommandStates();
    UpdateCellCommandStates(ACol, ARow);
}

void TOxvPDMainForm::GridEditorSelChange()
{
    if (!sgStrings->Editing() || !Writable(sgStrings->Col())) return;
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    const bool selection = sgStrings->GetInplaceEditor()->SelLength() > 0;
    miPaste->setEnabled(mime && mime->hasText());
    miCopy->setEnabled(selection);
    miCut->setEnabled(selection);
}

void TOxvPDMainForm::GridCellProps(int ACol, int ARow, TQCellProperties& Props)
{
    const TLocItem* item = RowItem(ARow);
    const TLangFile* file = ColumnFile(ACol);
    if (!item || !file || IsClosing) return;
    if (item->Attribute(vaHidden) && ARow != sgStrings->Row()) Props.Color = ColorFromWinColor(FSettings.HiddenColor);
    if (item->Values().Items(file->LangIndex())->Attribute(vaVerified))
        Props.Color = ColorFromWinColor(FSettings.VerifiedColor);
    if (item->Attribute(vaUntranslatable)) Props.Color = ColorFromWinColor(FSettings.UntranslatableColor);
    if (sgStrings->CellSelected(ACol, ARow) && (ARow != sgStrings->Row() || ACol != sgStrings->Col())) {
        Props.Color = sgStrings->SelectedColor();
        Props.Font.Color = sgStrings->SelectedFontColor();
    }
}

void TOxvPDMainForm::GridHeaderProps(int ACol, TQCellProperties& Props)
{
    const TGridRect sel = sgStrings->Selection();
    if (ACol >= sel.Left && ACol <= sel.Right && sgStrings->ActiveHeaderColor().isValid())
        Props.Color = sgStrings->ActiveHeaderColor();
}

void TOxvPDMainForm::GridDrawCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect)
{
    const TLocItem* item = RowItem(ARow);
    const TLangFile* file = ColumnFile(ACol);
    if (IsClosing || !item || !file || file->LangIndex() >= item->Values().Count()) return;
    if (item->Attribute(vaUntranslatable) || item->IsTranslated(file->LangIndex())) return;
    const int r = Rect.right(), b = Rect.bottom();
    Painter.setRenderHint(QPainter::Antialiasing, false);
    Triangle(Painter, {QPoint(r - 7, b), QPoint(r, b), QPoint(r, b - 7)}, Qt::blue, QColor());
    // A draft from a fuzzy match: a mark in the top corner.
    if (item->Values().Items(file->LangIndex())->FuzzyScore() > 0) {
        const int t = Rect.top();
        Triangle(Painter, {QPoint(r - 7, t), QPoint(r, t), QPoint(r, t + 7)}, Qt::magenta, QColor());
    }
    switch (FRepository->Availability(ACol, ARow)) {
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

void TOxvPDMainForm::GridDrawHeader(QPainter& Painter, int ACol, const QRect& Rect)
{
    const TLangFile* file = ColumnFile(ACol);
    const TLPFilter& filter = FProject->Filter();
    if (IsClosing || !file || file->LangIndex() != filter.LangIndex()) return;
    if (filter.ShowTranslated() == filter.ShowUntranslated()) return;
    const int r = Rect.right(), b = Rect.bottom();
    const QPoint points[3] = {QPoint(r - 9, b - 2), QPoint(r - 2, b - 2), QPoint(r - 2, b - 9)};
    if (filter.ShowTranslated())
        Triangle(Painter, points, Qt::white, QColor(0x80, 0x80, 0x80));
    else
        Triangle(Painter, points, Qt::blue, Painter.pen().color());
}

void TOxvPDMainForm::GridEditProps(TQSGInplaceEdit* Editor, int ACol)
{
    const TLangFile* file = ColumnFile(ACol);
    if (!file) return;
    // The editor reads right to left for such locales; without the setting it
    // keeps the neutral locale and so the left-to-right order.
    Editor->SetLocale(FSettings.RightToLeft4ME || !IsRightToLeftLocale(file->Locale()) ? file->Locale() : 0);
}

void TOxvPDMainForm::GridKeyPress(QChar& Key)
{
    // Ctrl+Enter opens the multi-line editor on any writable cell.
    if (Key.unicode() == 10 && !sgStrings->Editing() && FSettings.CellEditDialog && Writable(sgStrings->Col()) &&
        sgStrings->RowCount() > 0 && !(sgStrings->GetCellOptions(sgStrings->Col(), sgStrings->Row()) & voReadOnly)) {
        sgStrings->SetCellOptions(sgStrings->Col(), sgStrings->Row(),
                                  sgStrings->GetCellOptions(sgStrings->Col(), sgStrings->Row()) | voList | voButton);
        Key = QChar(13);
    }
}

void TOxvPDMainForm::GridKeyDown(int& Key, Qt::KeyboardModifiers Modifiers)
{
    if (Key == Qt::Key_Period && (Modifiers & Qt::ControlModifier)) {
        Key = 0;
        edSection->setFocus();
        ChooseSection();
    }
}

void TOxvPDMainForm::ShowPopup(int X, int Y)
{
    if (sgStrings->Editing() || !ProjectOpen()) return;
    if (X < 0 && Y < 0) { // from the keyboard: at the current cell
        const QRect rect = sgStrings->CellRect(sgStrings->Col(), sgStrings->Row());
        FPopup->popup(sgStrings->mapToGlobal(rect.isEmpty() ? QPoint(0, 0) : rect.topLeft()));
        return;
    }
    const QPoint local = sgStrings->mapFromGlobal(QPoint(X, Y));
    const TGridCoord cell = sgStrings->MouseCoord(local.x(), local.y());
    if (cell.Y < 0 || cell.X < sgStrings->EffectiveFixedCols()) {
        FNamePopup->popup(QPoint(X, Y));
        return;
    }
    if (!sgStrings->CellSelected(cell.X, cell.Y) && cell.Y < sgStrings->RowCount())
        sgStrings->FocusCell(cell.X, cell.Y, true);
    FPopup->popup(QPoint(X, Y));
}

void TOxvPDMainForm::EditCellMultiLine()
{
    const int col = sgStrings->Col();
    const int row = sgStrings->Row();
    const TLangFile* file = ColumnFile(col);
    if (!file || !RowItem(row)) return;
    TQGridColumn* native = nullptr;
    for (int c = 0; c < sgStrings->Columns().Count(); ++c)
        if (sgStrings->Columns().Items(c)->Data() == FProject->LangFiles().Items(0))
            native = sgStrings->Columns().Items(c);
    FCellEditor->SetNative(NativeText(row), native ? native->Font().Font : DefaultGridFont);
    const TQGridColumn* column = sgStrings->VisibleColumn(col);
    FCellEditor->SetCurrent(sgStrings->GetCell(col, row), column->Font().Font,
                            FSettings.RightToLeft4ME && IsRightToLeftLocale(file->Locale()), file->Locale(),
                            column->ImeName(), column->ImeMode());
    const bool nativeShown = FNativeValueForm->isVisible();
    FNativeValueForm->hide();
    const bool ok = FCellEditor->exec() == QDialog::Accepted;
    if (nativeShown) FNativeValueForm->show();
    if (ok)
        EditCell(col, row, FCellEditor->Text());
    else
        GridCancelEdit(col, row);
    sgStrings->InvalidateCell(col, row);
    sgStrings->setFocus();
}
