#pragma once

#include "app/EditorSettings.h"
#include "core/UiStrings.h"
#include "repository/RepositoryFlows.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QProgressBar;
class QTimer;
class QWidget;
class TLangFile;
class TLEProject;
class TLocItem;
class TPrompt;
class TQStringGrid;
class TRepositoryForm;
class TdlgRepRefresh;
class TdlgRepRefreshLang;

// What the repository commands need of the main window.
struct TRepositoryHost {
    std::function<void()> UpdateCommandStates;
    std::function<void()> RefreshGrid;
    // The cell edit path of the grid (value, stamps, identical texts).
    std::function<void(int ACol, int ARow, const QString& Text)> EditCell;
    std::function<TLangFile*(int ACol)> ColumnFile;
    std::function<TLocItem*(int ARow)> RowItem;
    std::function<const TEditorSettings&()> Settings;
    // Status panel 3: the index build's message (usNone clears it); an
    // identifier, so that the panel can say it again in another language.
    std::function<void(TUiString)> ShowTask;
    // After the repository took new texts (the suggestions look again).
    std::function<void()> MemoryChanged;
    bool Debug = false;
};

// The Repository menu: the open repository, its commands with their enabling,
// the index build's progress in the status bar, the availability marks and
// the repository's questions (the refresh and language dialogs).
class TRepositoryCommands : public QObject, public TRepositoryPrompt {
    Q_OBJECT
public:
    TRepositoryCommands(QWidget* AWindow, TQStringGrid* AGrid, TLEProject* AProject, TPrompt* APrompt,
                        TRepositoryHost AHost);
    ~TRepositoryCommands() override;

    void AddRepositoryActions(QMenu* Menu);
    void AddPopupActions(QMenu* Popup);
    void UpdateCommandStates();
    // The status bar's bar that follows the memory index build.
    QProgressBar* IndexBar() const { return FIndexBar; }

    // Frees any open repository and opens (or creates) the one at Path. A
    // repository that cannot be opened is reported once and leaves the editor
    // without one. The path is remembered in every case.
    void OpenRepository(const QString& Path);
    TRepository* Repository() const { return FRep.get(); }
    QString RepositoryPath() const { return FPath; }

    void RepairRepository();
    void PackRepository();
    void AddCell();
    void RefreshByLanguage();
    void TranslateCell();
    void TranslateAll();
    void ImportMSGlossary();
    void ExportXML();
    void ExportTMX();
    void ImportXMLTMX();
    // The import after the file was chosen: the question, then the import.
    void ImportFile(const QString& FileName);
    void ShowRepository();

    // After the user changed a cell's text: "RepAutoRefreshByCell" adds the
    // row, except while a translation command fills cells.
    void CellChanged(int ACol, int ARow);
    // The mark of an untranslated cell; avNone until the index is built.
    TRepAvailability Availability(int ACol, int ARow) const;

    TRefreshReply AskRefresh(const TRefreshQuestion& Question) override;
    bool AskLanguages(TLanguageChoice& Choice) override;

    TdlgRepRefresh* RefreshDialog() const { return FRefreshDialog; }
    TdlgRepRefreshLang* LanguageDialog() const { return FLanguageDialog; }
    TRepositoryForm* Browser() const;

    QAction *miRepairRepository = nullptr, *miPackRepository = nullptr, *miRepAddCell = nullptr,
            *miRepRefreshLang = nullptr, *miRepTranslateCell = nullptr, *miRepTranslateLang = nullptr,
            *miImportMSGlossary = nullptr, *miShowRepository = nullptr, *miRepExportXML = nullptr,
            *miRepExportTMX = nullptr, *miRepImport = nullptr;
    QAction *pmRepAddCell = nullptr, *pmRepTranslateCell = nullptr, *pmShowRepository = nullptr;

private:
    QAction* NewAction(const char* Name, const QString& Text, const QKeySequence& Key, void (TRepositoryCommands::*)());
    TRepositoryFlows Flows();
    TLangFile* ActiveFile() const;
    QList<int> SelectedRows() const;
    bool CellWritable(int ACol, int ARow) const;
    void PollIndex();
    // Runs Work with the repository's progress shown in the progress window.
    bool WithProgress(const QString& Text, const std::function<bool()>& Work);
    void Export(bool IsTMX);

    QWidget* FWindow;
    TQStringGrid* FGrid;
    TLEProject* FProject;
    TPrompt* FPrompt;
    TRepositoryHost FHost;
    std::unique_ptr<TRepository> FRep;
    QString FPath;
    QTimer* FIndexTimer;
    QProgressBar* FIndexBar;
    qint64 FIndexStep = 1;
    TdlgRepRefresh* FRefreshDialog;
    TdlgRepRefreshLang* FLanguageDialog;
    QPointer<TRepositoryForm> FBrowser;
    // While a translation command fills cells, its edits add nothing back.
    bool FFilling = false;
};

TRepositoryOptions RepositoryOptionsOf(const TEditorSettings& Settings);
