#include "app/gui/commands/SearchCommands.h"

#include "app/gui/commands/HelpCommands.h"
#include "app/gui/dialogs/search/FindDialog.h"
#include "app/gui/dialogs/search/GotoLineDialog.h"
#include "app/gui/dialogs/search/RegExprFilterDialog.h"
#include "app/gui/dialogs/search/ReplacePrompt.h"
#include "app/gui/grid/QStringGrid.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LEProject.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScopeGuard>
#include <QScopedValueRollback>

namespace {

void WithWaitCursor(const std::function<void()>& Work)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    Work();
}

} // namespace

TSearchCommands::TSearchCommands(QWidget* AWindow, TQStringGrid* AGrid, TLEProject* AProject, TPrompt* APrompt,
                                 TSearchHost AHost)
    : QObject(AWindow), FFindData(&FView), FReplaceData(&FView), FWindow(AWindow), FView(AGrid), FProject(AProject),
      FPrompt(APrompt), FHost(std::move(AHost))
{
    FView.CellEditDialog = FHost.CellEditDialog;
    FFind = new TdlgFind(AWindow);
    FFind->OnHelp = [](const QString&) { OpenHelpTopic(QStringLiteral("grid.html#search")); };
    FReplace = new TdlgReplace(AWindow);
    FGotoLine = new TdlgGotoLine(AWindow);
    FRegExp = new TdlgRegExp(AWindow);
    ShowNotFound = [this](const QString& Text, const QFont& Font) { ShowNFMessage(FWindow, Text, Font); };
    FReplace->OnNotFound = [this](const QString& Text) { ShowNotFound(Text, ColumnFont()); };
    FReplace->OnStatus = [this] { Status(); };
}

TSearchCommands::~TSearchCommands() = default;

void TSearchCommands::AddSearchActions(QMenu* Menu)
{
    auto add = [&](const QString& Text, const QKeySequence& Key, void (TSearchCommands::*Handler)()) {
        QAction* a = Menu->addAction(Text);
        a->setShortcut(Key);
        connect(a, &QAction::triggered, this, Handler);
        return a;
    };
    miFind = add(QStringLiteral("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F), &TSearchCommands::Find);
    miFindWrongFormats = add(QStringLiteral("Find incorrect formats"), {}, &TSearchCommands::FindWrongFormats);
    miFindNext =
        Menu->addAction(QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3), this, [this] { FindNext(true); });
    miFindPrev = Menu->addAction(QStringLiteral("Find &Prev"), QKeySequence(Qt::ALT | Qt::Key_F3), this,
                                 [this] { FindNext(false); });
    miReplace = add(QStringLiteral("&Replace..."), QKeySequence(Qt::CTRL | Qt::Key_R), &TSearchCommands::Replace);
    Menu->addSeparator();
    miGotoLine = add(QStringLiteral("&Go to Line Number..."), QKeySequence(Qt::ALT | Qt::Key_G),
                     &TSearchCommands::GotoLineNumber);
    miGotoNextUntr = add(QStringLiteral("Go to Next &Untranslated"), QKeySequence(Qt::ALT | Qt::Key_U),
                         &TSearchCommands::GotoNextUntranslated);
    UpdateCommandStates();
}

QAction* TSearchCommands::CreateRegExpAction(QObject* Parent)
{
    miRegExp = new QAction(QStringLiteral("Regular Expression..."), Parent);
    miRegExp->setCheckable(true);
    miRegExp->setChecked(!FProject->Filter().RegExp().isEmpty());
    connect(miRegExp, &QAction::triggered, this, &TSearchCommands::RegExpFilter);
    return miRegExp;
}

void TSearchCommands::UpdateCommandStates()
{
    TQStringGrid* grid = FView.Grid();
    const int col = grid->Col();
    const int lang = FView.ColumnLangIndex(col);
    const bool language = lang >= 0;
    const bool nonNative = lang > 0;
    const bool gotoLine = language && grid->RowCount() > 0;
    const bool find = gotoLine && !grid->MultiColsSelected();
    auto enable = [](QAction* a, bool on) {
        if (a) a->setEnabled(on);
    };
    enable(miGotoLine, gotoLine);
    enable(miFind, find);
    enable(miFindWrongFormats, find && nonNative);
    const bool again = !FFindData.FFindText.isEmpty() || (FFindData.FSearchWrongFormats && nonNative);
    enable(miFindNext, find && again);
    enable(miFindPrev, find && again);
    enable(miReplace, find && !FView.ColumnReadOnly(col));
    if (miRegExp) miRegExp->setChecked(!FProject->Filter().RegExp().isEmpty());
}

QFont TSearchCommands::ColumnFont() const
{
    const TQStringGrid* grid = FView.Grid();
    const TQGridColumn* column = grid->ActiveColumn();
    return column ? column->Font().Font : grid->font();
}

void TSearchCommands::Status()
{
    if (FHost.UpdateStatusText) FHost.UpdateStatusText();
}

void TSearchCommands::ShowResult(TQFindData& Data, const QFont& NotFoundFont)
{
    if (Data.FRowIndex >= 0)
        Data.ShowFoundText();
    else if (Data.FSearchWrongFormats)
        FPrompt->Message(mkInformation, UiString(usNoMoreStrings), mbOK, mrOk);
    else
        ShowNotFound(Data.FFindText, NotFoundFont);
    Status();
}

void TSearchCommands::Find()
{
    if (!FFind->ExecuteFind(FFindData, ColumnFont())) return;
    FFindData.FSearchWrongFormats = false;
    if (FHost.UpdateCommandStates) FHost.UpdateCommandStates();
    FFindData.FindNext(true);
    ShowResult(FFindData, FFind->EditFont());
}

void TSearchCommands::FindNext(bool Forward)
{
    FFindData.FGridCol = FView.Col();
    FFindData.FindNext(Forward);
    ShowResult(FFindData, ColumnFont());
}

void TSearchCommands::FindWrongFormats()
{
    FFindData.FSearchWrongFormats = true;
    FFindData.FGridCol = FView.Col();
    if (FHost.UpdateCommandStates) FHost.UpdateCommandStates();
    FFindData.FindNext(true);
    ShowResult(FFindData, ColumnFont());
}

void TSearchCommands::RunPrompt(TQReplaceData& State)
{
    int result = 0;
    {
        const QScopedValueRollback<bool> replacing(FReplacing, true);
        result = FReplace->Execute(State);
    }
    if (result == TdlgReplace::ReplaceAllResult) ReplaceAllOf(State);
}

int TSearchCommands::ReplaceAllBulk(TQReplaceData& State)
{
    int count = 0;
    FHost.BulkEdit([&] { count = State.ReplaceAll(); });
    return count;
}

void TSearchCommands::ReplaceAllOf(TQReplaceData& State)
{
    // What the user typed is stored as by Enter before the replacing starts,
    // and so is translated along as any edit is.
    FView.Grid()->EndCellEdit();
    int count = 0;
    WithWaitCursor([&] {
        const QScopedValueRollback<bool> replacing(FReplacing, true);
        count = ReplaceAllBulk(State);
    });
    FPrompt->Message(mkInformation, UiString(usItemsReplaced, {QString::number(count)}), mbOK, mrOk);
    FReplace->UpdateReplaceButton();
}

void TSearchCommands::Replace()
{
    const TFindDialogResult result = FFind->ExecuteReplace(FReplaceData, ColumnFont());
    if (result == fdrReplaceAll) {
        ReplaceAllOf(FReplaceData);
    } else if (result == fdrStart) {
        if (FReplaceData.FindNext(true) < 0) {
            ShowNotFound(FReplaceData.FFindText, ColumnFont());
        } else {
            FReplaceData.ShowFoundText();
            RunPrompt(FReplaceData);
        }
    }
    FView.Grid()->viewport()->update();
}

void TSearchCommands::GotoLineNumber()
{
    TQStringGrid* grid = FView.Grid();
    const int rows = grid->RowCount();
    if (!FGotoLine->Execute(std::min(grid->Row() + 1, rows), rows)) return;
    FView.MoveTo(grid->Col(), FGotoLine->FLineNumber - 1);
}

void TSearchCommands::GotoNextUntranslated()
{
    FView.EndEditing(false);
    const int row = FindNextUntranslated(FView);
    if (row >= 0) FView.MoveTo(FView.Col(), row);
}

void TSearchCommands::RegExpFilter()
{
    TLPFilter& filter = FProject->Filter();
    QString expression = filter.RegExp();
    if (FRegExp->Execute(expression)) {
        filter.SetRegExp(expression);
        const int lang = FView.ColumnLangIndex(FView.Col());
        if (lang >= 0) filter.SetLangIndex(lang);
        if (FHost.RefreshGrid) FHost.RefreshGrid();
    }
    // The check mark follows the filter, also when the dialog was cancelled.
    if (miRegExp) miRegExp->setChecked(!filter.RegExp().isEmpty());
}

void TSearchCommands::AutoTranslateIdentical(int ACol, const QString& OldText, const QString& NewText,
                                             const QString& NativeText)
{
    TQReplaceData state(&FView);
    if (!FReplacing && PrepareIdenticalTranslation(state, ACol, OldText, NewText, NativeText)) {
        if (FHost.UseReplaceTb && FHost.UseReplaceTb()) {
            const int current = FView.Row();
            if (state.FindNext(true) >= 0 && state.FRowIndex != current) {
                state.ShowFoundText();
                RunPrompt(state);
            }
        } else {
            WithWaitCursor([&] { ReplaceAllBulk(state); });
        }
        FView.Grid()->viewport()->update();
    }
    Status();
}

void TSearchCommands::TranslateIdenticalAlong(const std::vector<TIdenticalEdit>& Edits)
{
    if (FReplacing || (FHost.UseReplaceTb && FHost.UseReplaceTb())) return;
    WithWaitCursor([&] { ::TranslateIdenticalAlong(FView, Edits); });
    FView.Grid()->viewport()->update();
}
