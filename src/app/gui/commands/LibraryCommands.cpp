#include "app/gui/commands/LibraryCommands.h"

#include "app/EditorSettings.h"
#include "app/gui/commands/CommandAction.h"
#include "app/gui/dialogs/libraries/LibraryDialogs.h"
#include "core/DateTime.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LEProject.h"
#include "repository/Libraries.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScopeGuard>

TLibraryCommands::TLibraryCommands(QWidget* AWindow, TLEProject* AProject, TPrompt* APrompt,
                                   const TEditorSettings* ASettings, TLibraryHost AHost)
    : QObject(AWindow), FWindow(AWindow), FProject(AProject), FPrompt(APrompt), FSettings(ASettings),
      FHost(std::move(AHost))
{
    miOpenLib = NewCommandAction(this, "miOpenLib", "&Open Library...", {}, FHost.Guard, [this] { OpenLibrary(); });
    miApplyLib =
        NewCommandAction(this, "miApplyLib", "Apply &Libraries...", {}, FHost.Guard, [this] { ApplyLibraries(); });
}

void TLibraryCommands::AddActions(QMenu* LibrariesMenu) { LibrariesMenu->addActions({miOpenLib, miApplyLib}); }

void TLibraryCommands::UpdateCommandStates()
{
    miApplyLib->setEnabled(FHost.OneLanguageColumn() && FProject->LangFiles().Count() >= 2 && !FProject->IsLibrary());
}

QList<TLibrary> TLibraryCommands::Libraries()
{
    const QList<TLibrary> libraries = FindLibraries(LibraryFolders(FSettings->LibraryPath, FSettings->RootDir));
    if (libraries.isEmpty()) FPrompt->Message(mkInformation, UiString(usNoLibraries), mbOK, mrOk);
    return libraries;
}

void TLibraryCommands::OpenLibrary()
{
    const QList<TLibrary> libraries = Libraries();
    if (libraries.isEmpty()) return;
    TdlgOpenLib dialog(FWindow);
    const QString native = dialog.Execute(libraries);
    if (!native.isEmpty()) FHost.OpenLibrary(native);
}

void TLibraryCommands::ApplyLibraries()
{
    const QList<TLibrary> libraries = Libraries();
    if (libraries.isEmpty()) return;
    TdlgChooseLib choose(FWindow);
    const QList<TLibrary> chosen = choose.Execute(libraries);
    if (chosen.isEmpty()) return;
    FHost.EndCellEdit();
    TApplyLibrariesResult result;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        result = ::ApplyLibraries(*FProject, chosen, *FPrompt, DateTime::Now());
    }
    FHost.AfterApply();
    if (result.Problem) {
        TfrmLibraryLog log(FWindow, result.Log);
        log.exec();
    }
}
