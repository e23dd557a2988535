#include "app/gui/commands/LanguageToolCommands.h"

#include "app/gui/commands/CommandAction.h"
#include "app/gui/dialogs/language/ImeDialog.h"
#include "app/gui/dialogs/language/LanguagePropertiesDialog.h"
#include "app/gui/dialogs/language/StatisticsDialog.h"
#include "app/gui/grid/QStringGrid.h"
#include "langfile/LEProject.h"
#include "langfile/LanguageNaming.h"

#include <QAction>
#include <QFontDialog>

TLanguageToolCommands::TLanguageToolCommands(QWidget* AWindow, TQStringGrid* AGrid, TLEProject* AProject,
                                             TLanguageToolsHost AHost)
    : QObject(AWindow), FWindow(AWindow), FGrid(AGrid), FProject(AProject), FHost(std::move(AHost))
{
    miIME = NewCommandAction(this, "miIME", "&IME...", {}, FHost.Guard, [this] { ChooseIme(); });
    miFont = NewCommandAction(this, "miFont", "&Font...", {}, FHost.Guard, [this] { ChooseFont(); });
    miLangProps =
        NewCommandAction(this, "miLangProps", "&Properties...", {}, FHost.Guard, [this] { LanguageProperties(); });
    miShowStatistics =
        NewCommandAction(this, "miShowStatistics", "Show Statistics...", {}, FHost.Guard, [this] { ShowStatistics(); });
}

void TLanguageToolCommands::UpdateCommandStates()
{
    const bool oneColumn = !FGrid->MultiColsSelected();
    const TQGridColumn* column = FGrid->ActiveColumn();
    for (QAction* a : {miFont, miLangProps, miShowStatistics}) a->setEnabled(column && column->Data() && oneColumn);
    miIME->setEnabled(FHost.WritableLanguageActive() && FGrid->RowCount() > 0 && oneColumn);
}

void TLanguageToolCommands::ChooseIme()
{
    TQGridColumn* column = FGrid->ActiveColumn();
    if (!column || !FHost.WritableLanguageActive()) return;
    TdlgIME dialog(FWindow);
    dialog.Init(column->ImeName(), column->ImeMode());
    if (dialog.exec() != QDialog::Accepted) return;
    column->SetImeName(dialog.ImeName());
    column->SetImeMode(TImeMode(dialog.ImeMode()));
    FHost.SaveColumnSettings();
}

void TLanguageToolCommands::ChooseFont()
{
    TQGridColumn* column = FGrid->ActiveColumn();
    if (!column || !column->Data()) return;
    bool ok = false;
    const QFont font =
        QFontDialog::getFont(&ok, column->Font().Font, FWindow, QString(), QFontDialog::DontUseNativeDialog);
    if (!ok) return;
    // The default for new columns changes only through the options.
    column->SetFont({font, column->Font().Color});
    FGrid->setFont(font);
    FHost.RefreshGrid();
    if (FHost.NativeActive()) FHost.SetNativeValueFont(font);
}

void TLanguageToolCommands::LanguageProperties()
{
    TLangFile* file = FHost.ActiveLangFile();
    if (!file) return;
    TdlgLanguageProperties dialog(FWindow);
    dialog.Init(FProject->LangFiles(), file->LangIndex());
    if (!dialog.Execute()) return;
    ApplyLanguageProperties(*FProject, file->LangIndex(), dialog.NewLanguage(), dialog.Abbreviation());
    FHost.RefreshGrid();
    FHost.UpdateCommandStates();
}

void TLanguageToolCommands::ShowStatistics()
{
    if (!FHost.ActiveLangFile()) return;
    TdlgStatistics dialog(FWindow);
    dialog.Execute(*FProject);
}
