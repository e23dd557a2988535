#include "app/gui/commands/ProjectCommands.h"

#include "app/EditorSettings.h"
#include "app/gui/commands/CommandAction.h"
#include "app/gui/dialogs/FileChooser.h"
#include "app/gui/dialogs/project/SynchronizeDialog.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LEProject.h"
#include "langfile/LangFileProject.h"
#include "resources/DllBuilder.h"
#include "storage/Locales.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScopeGuard>

namespace {

QString NotLocalizedText(const QString& FileName) { return UiString(usNotLocalizedPE, {FileName}); }

// The wait cursor and the status window of one step; both go on every way out.
class TBusy {
public:
    TBusy(TPrompt& Prompt, const QString& Status) : FPrompt(Prompt), FStatus(!Status.isEmpty())
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (FStatus) FPrompt.Status(Status);
    }
    ~TBusy()
    {
        if (FStatus) FPrompt.Status(QString());
        QApplication::restoreOverrideCursor();
    }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

private:
    TPrompt& FPrompt;
    bool FStatus;
};

} // namespace

QString ChooseProjectFile(QWidget* Parent, const QString& Folder)
{
    return ChooseOpenFile(Parent, UiString(usOpenProject), Folder, FileFilter(usNativeLanguageFiles, "*.ntv.lng"));
}

TProjectToolCommands::TProjectToolCommands(QWidget* AWindow, TLEProject* AProject, TPrompt* APrompt,
                                           const TEditorSettings* ASettings, TProjectToolsHost AHost)
    : QObject(AWindow), FWindow(AWindow), FProject(AProject), FPrompt(APrompt), FSettings(ASettings),
      FHost(std::move(AHost))
{
    miSelectPEFile =
        NewCommandAction(this, "miSelectPEFile", "Select PE &file...", {}, FHost.Guard, [this] { SelectPEFile(); });
    miCreateDLL = NewCommandAction(this, "miCreateDLL", "Create &DLL", {}, FHost.Guard, [this] { CreateLDLL(); });
    miSyncAll = NewCommandAction(this, "miSyncAll", "Sync&hronize DLLs", {}, FHost.Guard, [this] { SyncAll(); });
    miWithoutSettings = new QAction(QStringLiteral("DLLs &without library settings"), this);
    miWithoutSettings->setObjectName(QStringLiteral("miWithoutSettings"));
    miWithoutSettings->setCheckable(true);
    miWithoutSettings->setToolTip(
        QStringLiteral("Accept a PE file without the run-time library's settings record (as -nosettings does)"));
    connect(miWithoutSettings, &QAction::toggled, this, [this] { UpdateCommandStates(); });
    miRepairProject =
        NewCommandAction(this, "miRepairProject", "Repair projec&t", {}, FHost.Guard, [this] { RepairProject(); });
}

void TProjectToolCommands::AddActions(QMenu* FileMenu)
{
    FileMenu->addActions({miSelectPEFile, miCreateDLL, miSyncAll, miWithoutSettings});
}

void TProjectToolCommands::AddRepairAction(QMenu* FileMenu)
{
    miRepairSeparator = FileMenu->addSeparator();
    FileMenu->addAction(miRepairProject);
}

void TProjectToolCommands::UpdateCommandStates()
{
    const bool open = FProject->LangFiles().Count() > 0;
    miSelectPEFile->setEnabled(open);
    const QString pe = FProject->PEFileName();
    const bool valid = FPEFileIsValid || miWithoutSettings->isChecked();
    miSyncAll->setEnabled(open && FHost.LanguageColumnActive() && !pe.isEmpty() && QFileInfo(pe).isFile() && valid &&
                          !FProject->IsLibrary());
    miCreateDLL->setEnabled(miSyncAll->isEnabled() && FHost.CloseLanguageEnabled());
    miRepairProject->setVisible(FHost.Debug);
    if (miRepairSeparator) miRepairSeparator->setVisible(FHost.Debug);
    miRepairProject->setEnabled(!open);
}

void TProjectToolCommands::SelectPEFile()
{
    const QString filter =
        QStringList{FileFilter(usApplicationFiles, "*.exe"), FileFilter(usPackageFiles, "*.bpl *.dpl"),
                    FileFilter(usLibraryFiles, "*.dll"), FileFilter(usAllFiles, "*")}
            .join(QStringLiteral(";;"));
    QString file = FProject->PEFileName();
    // A file without the library settings record is refused and the choice offered again.
    for (;;) {
        file = ChooseOpenFile(FWindow, UiString(usSelectPEFile), file, filter);
        if (file.isEmpty()) return;
        if (miWithoutSettings->isChecked()) break;
        bool valid = false;
        {
            const TBusy busy(*FPrompt, QString());
            valid = IsLocalizedPEFile(file);
        }
        if (valid) break;
        FPrompt->Message(mkInformation, NotLocalizedText(QDir::toNativeSeparators(file)), mbOK, mrOk);
    }
    FPEFileIsValid = true;
    FPEFileIsChecked = !miWithoutSettings->isChecked();
    FProject->SetPEFileName(QDir::toNativeSeparators(file));
    FHost.UpdateCommandStates();
}

void TProjectToolCommands::CheckPEFile()
{
    if (miWithoutSettings->isChecked()) return;
    const QString pe = FProject->PEFileName();
    if (!FPEFileIsValid || !FPEFileIsChecked) {
        TBusy busy(*FPrompt, QString());
        FPEFileIsValid = IsLocalizedPEFile(pe);
        FPEFileIsChecked = true;
    }
    if (!FPEFileIsValid) {
        FHost.UpdateCommandStates();
        throw ELangFileError(NotLocalizedText(pe));
    }
}

void TProjectToolCommands::CreateLDLL()
{
    CheckPEFile();
    const QString pe = FProject->PEFileName();
    // Resource strings are compared with the executable's only for an English original.
    const bool checkSync = PrimaryLanguage(FProject->LangFiles().Items(0)->Locale()) == 9;
    for (TLangFile* lang : FHost.SelectedLanguages()) {
        if (lang->IsNative()) continue;
        if (lang->Modified()) {
            const TMsgResult answer =
                FPrompt->Message(mkConfirmation, UiString(usSaveBeforeDll, {lang->LangEnglishName()}), mbYesNo, mrNo);
            if (answer != mrYes) continue;
            FProject->SaveLanguage(lang->LangIndex());
            FHost.UpdateCaptions();
        }
        const QString dll = LanguageDllPath(pe, lang->FileName());
        const QString shown = QDir::toNativeSeparators(dll);
        if (QFileInfo::exists(dll)) {
            const TMsgResult answer =
                FPrompt->Message(mkConfirmation, UiString(usResourceLibraryExists, {shown}), mbYesNoCancel, mrCancel);
            if (answer != mrYes) continue;
            if (!QFile::remove(dll)) {
                FPrompt->Message(mkError, UiString(usCannotDeleteFile, {shown}), mbOK, mrOk);
                continue;
            }
        }
        {
            TBusy busy(*FPrompt, UiString(usCreatingResourceDll, {shown}));
            const bool checkValidity = lang->CheckDllValidity();
            const auto restore = qScopeGuard([&] { lang->SetCheckDllValidity(checkValidity); });
            lang->SetCheckDllValidity(!miWithoutSettings->isChecked());
            ::CreateLDLL(*lang, dll, pe, FProject, checkSync);
        }
        FPrompt->Message(mkInformation, UiString(usResourceLibraryCreated, {shown}), mbOK, mrOk);
    }
}

void TProjectToolCommands::SyncAll()
{
    CheckPEFile();
    TLangFileList& files = FProject->LangFiles();
    const bool modified = std::any_of(files.begin(), files.end(), [](const auto& f) { return f->Modified(); });
    if (modified) {
        const TMsgResult answer = FPrompt->Message(mkConfirmation, UiString(usSaveBeforeSync), mbYesNoCancel, mrCancel);
        if (answer == mrCancel) return;
        if (answer == mrYes) {
            for (int i = 0; i < files.Count(); ++i)
                if (files.Items(i)->Modified()) FProject->SaveLanguage(i);
            FHost.UpdateCaptions();
            FHost.UpdateCommandStates();
        }
    }
    SynchronizeWithPE(FProject->PEFileName(), FProject->NativeFileName(), false, true);
}

void TProjectToolCommands::SynchronizeWithPE(const QString& PEFile, const QString& NativeFile, bool LangFiles,
                                             bool Dlls)
{
    QString messages;
    {
        TBusy busy(*FPrompt, QString());
        TSyncDLL sync(*FPrompt);
        messages = sync.Execute(PEFile, NativeFile, LangFiles, Dlls);
    }
    if (messages.isEmpty()) return;
    TdlgSynchronize dialog(FWindow);
    dialog.SetText(messages);
    dialog.exec();
}

void TProjectToolCommands::RefreshOnClose(const QString& PEFile, const QString& NativeFile)
{
    if (!FSettings->RefreshOnClose) return;
    try {
        SynchronizeWithPE(PEFile, NativeFile, true, false);
    } catch (const EVocabrixError&) {
        // The project is closed whatever the synchronisation found.
    }
}

void TProjectToolCommands::RepairProject()
{
    const QString file = ChooseProjectFile(FWindow, FSettings->WorkDir);
    if (file.isEmpty()) return;
    TBusy busy(*FPrompt, QString());
    ::RepairProject(file, *FPrompt);
}
