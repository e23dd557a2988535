#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class TLEProject;
class TLangFile;
class TPrompt;
struct TEditorSettings;

// The open-project dialog ("Open project", native language files only) on
// Folder; empty when cancelled.
QString ChooseProjectFile(QWidget* Parent, const QString& Folder);

// What the project tool commands need of the main window.
struct TProjectToolsHost {
    // The languages of the selected visible columns, left to right.
    std::function<QList<TLangFile*>()> SelectedLanguages;
    // The grid's active column shows a language.
    std::function<bool()> LanguageColumnActive;
    // "&Close Language" is enabled (Create DLL needs it too).
    std::function<bool()> CloseLanguageEnabled;
    std::function<void()> UpdateCaptions;
    std::function<void()> UpdateCommandStates;
    // Runs a command and reports its error.
    std::function<void(const std::function<void()>&)> Guard;
    bool Debug = false;
};

// The File menu's commands on the project's executable and its resource DLLs:
// "Select PE &file...", "Create &DLL", "Sync&hronize DLLs", and in debug mode
// "Repair projec&t"; also the synchronisation run when a project closes.
class TProjectToolCommands : public QObject {
    Q_OBJECT
public:
    TProjectToolCommands(QWidget* AWindow, TLEProject* AProject, TPrompt* APrompt, const TEditorSettings* ASettings,
                         TProjectToolsHost AHost);

    // The PE file and DLL items (with the option below them); the repair item
    // with its separator goes where the menu wants it.
    void AddActions(QMenu* FileMenu);
    void AddRepairAction(QMenu* FileMenu);
    void UpdateCommandStates();

    void SelectPEFile();
    void CreateLDLL();
    void SyncAll();
    void RepairProject();
    // Runs the synchronisation and shows its messages when some file did not
    // end well.
    void SynchronizeWithPE(const QString& PEFile, const QString& NativeFile, bool LangFiles, bool Dlls);
    // After a project closed: with "RefreshOnClose" on, its language files
    // follow the native file; a failure does not stop the close.
    void RefreshOnClose(const QString& PEFile, const QString& NativeFile);

    bool PEFileIsValid() const { return FPEFileIsValid; }
    bool PEFileIsChecked() const { return FPEFileIsChecked; }

    QAction* miSelectPEFile;
    QAction* miCreateDLL;
    QAction* miSyncAll;
    // DLLs of an executable that carries no library settings record (built
    // without the run-time library); such DLLs carry the language's record only.
    QAction* miWithoutSettings;
    QAction* miRepairProject;
    QAction* miRepairSeparator = nullptr;

private:
    // The PE file checked once; an invalid one ends the command.
    void CheckPEFile();

    QWidget* FWindow;
    TLEProject* FProject;
    TPrompt* FPrompt;
    const TEditorSettings* FSettings;
    TProjectToolsHost FHost;
    bool FPEFileIsValid = true;
    bool FPEFileIsChecked = false;
};
