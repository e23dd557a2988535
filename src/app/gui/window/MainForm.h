#pragma once

#include "app/EditorSettings.h"
#include "app/StartOptions.h"
#include "app/gui/grid/MainGridController.h"
#include "app/gui/window/MainStatusBar.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LEProject.h"
#include "langfile/QFindData.h"

#include <QMainWindow>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class TLangFile;
struct TNewLanguage;
class TfrmNativeValue;
class TdlgCellEdit;
class TfrmTreeCombo;
class TSearchCommands;
class TWindowKeys;
class TExchangeCommands;
class TRepositoryCommands;
class TSuggestionsPanel;
class TWebCommands;
class TExtractCommands;
class TPreviewCommands;
class THelpCommands;
class TLanguageToolCommands;
class TLibraryCommands;
class TExternalCommands;
class TUndoCommands;
class TProjectToolCommands;
class QTreeWidgetItem;

// The translator's workbench: one editor project shown in a string grid with a
// column per open language, and the commands on it. The window has two states,
// without a project (only the File menu and the window items of the Edit menu)
// and with one.
class TOxvPDMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TOxvPDMainForm(const TStartOptions& Options, QWidget* Parent = nullptr);
    ~TOxvPDMainForm() override;

    TLEProject& Project() { return *FProject; }
    TQStringGrid* Grid() const { return sgStrings; }
    TEditorSettings& Settings() { return FSettings; }
    QMenu* SearchMenu() const { return FSearchMenu; }
    TSearchCommands* Search() const { return FSearch; }
    TExchangeCommands* Exchange() const { return FExchange; }
    TRepositoryCommands* Repository() const { return FRepository; }
    TWebCommands* Web() const { return FWeb; }
    TSuggestionsPanel* Suggestions() const { return FSuggestions; }
    TPreviewCommands* Preview() const { return FPreview; }
    TProjectToolCommands* ProjectTools() const { return FProjectTools; }
    TExternalCommands* External() const { return FExternal; }
    TUndoCommands* Undo() const { return FUndo; }
    TLibraryCommands* Libraries() const { return FLibraries; }
    TfrmNativeValue* NativeValueForm() const { return FNativeValueForm; }
    bool ProjectOpen() const { return FProject->LangFiles().Count() > 0; }

    // Project and languages.
    void OpenProjectFile(const QString& FileName, bool NoLangMessage, bool Library);
    bool CloseProjectFile();
    void OpenLanguagesDialog(bool NoLangMessage);
    // Opens the files as new language columns in list order; a file that fails
    // reports its message and the next is opened. Then RefreshGrid.
    void OpenLanguageFiles(const QStringList& Files);
    void CreateLanguage();
    // Writes the language chosen in the creation dialog (app.<Abbreviation>.lng
    // next to the native file) and adds its column. An existing file is
    // replaced only after the user agreed; mrNo and mrCancel are the answers
    // that stopped it (No: choose again), mrOk a file that could not be deleted.
    TMsgResult CreateLanguageFile(const TNewLanguage& Lang, const QString& Abbreviation);
    void SaveLanguage();
    void SaveAll();
    void CloseLanguage();

    // The grid presentation and the cell edit path.
    TMainGridController& GridController() { return *FGrid; }
    void RefreshGrid() { FGrid->RefreshGrid(); }
    TLangFile* ColumnFile(int ACol) const { return FGrid->ColumnFile(ACol); }
    TLangFile* ActiveLangFile() const { return FGrid->ActiveLangFile(); }
    TLocItem* RowItem(int ARow) const { return FGrid->RowItem(ARow); }
    void CutToClipbrd() { FGrid->CutToClipbrd(); }
    void PasteFromClipbrd() { FGrid->PasteFromClipbrd(); }
    void ShowStates(bool Translated, bool Untranslated) { FGrid->ShowStates(Translated, Untranslated); }
    void SetUntranslatableOnly(bool On) { FGrid->SetUntranslatableOnly(On); }
    void HeaderClick(int ACol) { FGrid->HeaderClick(ACol); }

    // Sections.
    TfrmTreeCombo* SectionChooser() const { return FTreeCombo; }
    QString SectionText() const;
    void ApplySectionSelection(QTreeWidgetItem* Node);
    // The section chooser's choice: applies the node, refreshes and focuses the grid.
    void SectionChange(QTreeWidgetItem* Node);

    void UpdateCommandStates();
    // The Edit menu's cell commands follow the cell and the selection.
    void UpdateCellCommandStates(int ACol, int ARow);
    void UpdateStatusText(int ACol = -1, int ARow = -1);
    QString FilterLabelText() const;
    QString StatusText(int Panel) const { return FStatusBar->Text(Panel); }
    // Shows the native value window (or hides it).
    void SetNativeValueFormVisible(bool Visible);
    // The multi-line cell editor on the current cell.
    void EditCellMultiLine();

protected:
    void closeEvent(QCloseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    // After an interface language switch: the texts made from data (column
    // captions, filter and status lines, the suggestions) are made again.
    void changeEvent(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateGrid();
    void CreateCommands();
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateFilterPanel();
    void CreateStatusBar();
    QAction* AddAction(QMenu* Menu, const QString& Name, const QString& Text, const QKeySequence& Shortcut,
                       std::function<void()> Handler);
    // Runs a command and shows its error in a dialog; the window stays usable.
    void Guard(const std::function<void()>& Command);

    void FirstShow();
    // The project desktop file: the grid state kept next to the project.
    bool LoadProjectDesktop();
    void SaveProjectDesktop();
    void BuildReopenMenu();
    void ShowOptions();
    void ApplySettings();
    void OpenProjectDialog();
    void CloseProjectCommand();
    void ChooseSection();
    void StepSection(int Delta);
    void UpdateWindowTitle();
    // The section box's text for the chosen node of the section tree.
    void ShowSectionText(const QTreeWidgetItem* Node);
    void EditorSelChange();
    void ShowPopup(int X, int Y);

    TStartOptions FOptions;
    TEditorSettings FSettings;
    QList<TRecentProject> FRecent;
    std::unique_ptr<TLEProject> FProject;
    TQStringGrid* sgStrings = nullptr;
    std::unique_ptr<TMainGridController> FGrid;

    bool ShowFirstTime = true;
    bool FNativeValueFormVisible = false;
    QFont FStatusFont;

    TfrmTreeCombo* FTreeCombo = nullptr;
    TSearchCommands* FSearch = nullptr;
    TWindowKeys* FWindowKeys = nullptr;
    TExchangeCommands* FExchange = nullptr;
    TRepositoryCommands* FRepository = nullptr;
    TWebCommands* FWeb = nullptr;
    TSuggestionsPanel* FSuggestions = nullptr;
    TExtractCommands* FExtract = nullptr;
    TPreviewCommands* FPreview = nullptr;
    TProjectToolCommands* FProjectTools = nullptr;
    THelpCommands* FHelp = nullptr;
    TLanguageToolCommands* FLanguageTools = nullptr;
    TLibraryCommands* FLibraries = nullptr;
    TExternalCommands* FExternal = nullptr;
    TUndoCommands* FUndo = nullptr;

    // Window parts.
    QMenu* FFileMenu = nullptr;
    QMenu* FEditMenu = nullptr;
    QMenu* FSearchMenu = nullptr;
    QMenu* FLanguageMenu = nullptr;
    QMenu* FRepositoryMenu = nullptr;
    QMenu* FHelpMenu = nullptr;
    QMenu* FReopenMenu = nullptr;
    QMenu* FPopup = nullptr;
    QMenu* FNamePopup = nullptr;
    QToolBar* FToolBar = nullptr;
    QWidget* FFilterPanel = nullptr;
    QLineEdit* edSection = nullptr;
    QToolButton* btnSection = nullptr;
    QCheckBox* chbShowNative = nullptr;
    QGroupBox* gbFilter = nullptr;
    QLabel* lblFilter = nullptr;
    std::unique_ptr<TMainStatusBar> FStatusBar;
    QTimer* FNewLangTimer = nullptr;
    TfrmNativeValue* FNativeValueForm = nullptr;
    TdlgCellEdit* FCellEditor = nullptr;
    QList<QAction*> FEditItems;   // shown only with a project open
    QList<QAction*> FWindowItems; // the Edit menu's window items, always shown

    QAction *miOpenProject, *miCloseProject, *miCreateLang, *miOpenLang, *miSaveLanguage, *miSaveAll, *miCloseLanguage,
        *miExit;
    QAction *miCut, *miCopy, *miPaste, *miSelectAll, *miDuplicatePrev, *miCopyName, *miTranslated, *miUntranslatable,
        *miVerified, *miRevert, *miRefresh, *miNtvValueForm;
    QAction *miShowTranslated, *miShowUntranslated, *miShowBoth, *miShowUntrOnly, *miShowTextual, *miShowNontextual,
        *miAllTypes, *miSortAsc, *miSortDsc, *miSortOriginal, *miFont, *miLangProps, *miShowStatistics;
    QAction* miOptions;
    QAction *pmShowTextual, *pmShowNontextual, *pmAllTypes;
};
