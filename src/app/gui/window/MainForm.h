#pragma once

#include "app/EditorSettings.h"
#include "app/StartOptions.h"
#include "app/gui/grid/QStringGrid.h"
#include "core/Prompt.h"
#include "langfile/LEProject.h"
#include "langfile/QFindData.h"
#include "core/UiStrings.h"

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
class TStatusTextPanel;
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
    TLibraryCommands* Libraries() const { return FLibraries; }
    TfrmNativeValue* NativeValueForm() const { return FNativeValueForm; }
    bool ProjectOpen() const { return FProject->LangFiles().Count() > 0; }
    // A later start of the program asked for this window: it comes to the
    // front, and a project it names is opened after a question when another
    // one is open.
    void BringToFront(const QString& Project);

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

    // Grid presentation.
    void FillGrid();
    void RefreshGrid();
    TfrmTreeCombo* SectionChooser() const { return FTreeCombo; }
    QString SectionText() const;
    void ApplySectionSelection(QTreeWidgetItem* Node);
    // The section chooser's choice: applies the node, refreshes and focuses the grid.
    void SectionChange(QTreeWidgetItem* Node);
    // The cell edit path: stores Text as the value of the cell's item in the
    // column's language and stamps it translated when it changed.
    void EditCell(int ACol, int ARow, const QString& Text);
    void UpdateCommandStates();
    void UpdateCellCommandStates(int ACol, int ARow);
    void UpdateStatusText(int ACol = -1, int ARow = -1);
    void MoveToNextRow();
    QString FilterLabelText() const;
    QString StatusText(int Panel) const;

    // Identical-text translation after an edit (column, old text, new text,
    // native text), and after the edits of a bulk edit; the search commands'
    // by default.
    std::function<void(int, const QString&, const QString&, const QString&)> AutoTranslateIdentical;
    std::function<void(const std::vector<TIdenticalEdit>&)> TranslateIdenticalAlong;
    // Runs Edits, which pass many cells through the cell edit path (a paste,
    // a cut, Replace All), with the per-cell window updates held back until
    // the end, a format warning shown once, and the identical-text
    // translation done in one pass for all the edits.
    void BulkEdit(const std::function<void()>& Edits);
    // The format signature of a text; when set, edits whose signature differs
    // from the native one are warned about.
    std::function<QString(const QString&)> FormatSignature;

    // Cell and marking commands.
    void ToggleTranslated();
    void ToggleUntranslatable();
    void ToggleVerified();
    void RevertToOriginal();
    void CopyToClipbrd();
    void CutToClipbrd();
    void PasteFromClipbrd();
    void CopyNameToClipbrd();
    void SelectAll();
    void DuplicatePrevCell();

    // Filter and sorting.
    void ShowStates(bool Translated, bool Untranslated);
    void SetUntranslatableOnly(bool On);
    void ShowKinds(bool Textual, bool Nontextual);
    void SortBy(TSortOrder Order);
    void HeaderClick(int ACol);
    void SetShowNative(bool Show);

    // The language of a grid column (visible index); nullptr for the name column.
    TLangFile* ColumnFile(int ACol) const;
    TLangFile* ActiveLangFile() const;
    TLocItem* RowItem(int ARow) const;
    // Shows the native value window (or hides it).
    void SetNativeValueFormVisible(bool Visible);
    // The multi-line cell editor on the current cell.
    void EditCellMultiLine();

Q_SIGNALS:
    // The window has closed for good (a cancelled close does not count); the
    // editor ends with it, whatever helper windows are still up.
    void Closed();

protected:
    void closeEvent(QCloseEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    // After an interface language switch: the texts made from data (column
    // captions, filter and status lines, the suggestions) are made again.
    void changeEvent(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateFilterPanel();
    void CreateStatusBar();
    void CreateGrid();
    void WireGrid();
    QAction* AddAction(QMenu* Menu, const QString& Name, const QString& Text, const QKeySequence& Shortcut,
                       std::function<void()> Handler);
    // Runs a command and shows its error in a dialog; the window stays usable.
    void Guard(const std::function<void()>& Command);

    void FirstShow();
    // The project desktop file: the grid state kept next to the project.
    bool LoadProjectDesktop();
    void SaveProjectDesktop();
    void LoadColumnSettings(TQGridColumn* Column);
    void SaveColumnSettings(TQGridColumn* Column);
    TQGridColumn* NativeColumn() const;
    void BuildReopenMenu();
    void ShowOptions();
    void ApplySettings();
    void OpenProjectDialog();
    void CloseProjectCommand();
    void ChooseSection();
    void StepSection(int Delta);
    TQGridColumn* AddLanguageColumn(TLangFile* File);
    QString ColumnCaption(const TLangFile* File) const;
    void UpdateColumnCaption(TQGridColumn* Column);
    void UpdateCaptions();
    QString RowName(const TLocItem* Item) const;
    void FillRow(int ARow, TLocItem* Item);
    TValueOptions CellOptionsOf(const TLocItem* Item, int LangIndex) const;
    void UpdateCellOptions(int ACol, int ARow);
    bool StoreCell(int ACol, int ARow, const QString& Text);
    bool Writable(int ACol) const;
    // The languages of the selected visible columns, left to right.
    QList<TLangFile*> SelectedLanguages() const;
    // The items of the selected rows, top to bottom.
    QList<TLocItem*> SelectedItems() const;
    bool SomeSelectedCellEditable() const;
    void ComputeSelRows();
    bool EditorClipboard(const char* Method);
    void MarkSelectedValues(const std::function<bool(TLocItem*, TLocValue*)>& Mark);
    void ShowPopup(int X, int Y);
    QString NativeText(int ARow) const;
    void UpdateRelativeLength(int ACol, int ARow);
    void UpdateWindowTitle();
    void ShowTask(TUiString Task);
    // The section box's text for the chosen node of the section tree.
    void ShowSectionText(const QTreeWidgetItem* Node);
    // The first column's caption: the kind of items the grid shows.
    void UpdateSectionCaption();

    // Grid event reactions.
    void GridSelectCell(int ACol, int ARow);
    void GridSelectionChanged();
    void GridCellProps(int ACol, int ARow, TQCellProperties& Props);
    void GridHeaderProps(int ACol, TQCellProperties& Props);
    void GridDrawCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect);
    void GridDrawHeader(QPainter& Painter, int ACol, const QRect& Rect);
    void GridEditProps(TQSGInplaceEdit* Editor, int ACol);
    void GridKeyPress(QChar& Key);
    void GridKeyDown(int& Key, Qt::KeyboardModifiers Modifiers);
    void GridCancelEdit(int ACol, int ARow);
    void GridEditorSelChange();
    void GridEditRefused(int ACol);
    // Why a column cannot be edited, for its header's hint and the message
    // when the user tries; empty for a writable column.
    QString ReadOnlyText(int ACol) const;

    TStartOptions FOptions;
    TEditorSettings FSettings;
    QList<TRecentProject> FRecent;
    std::unique_ptr<TLEProject> FProject;
    TQStringGrid* sgStrings = nullptr;

    bool AllowSelectEvents = true;
    bool AutoTranslMode = false;
    int FBulkEdits = 0;             // nesting of BulkEdit
    bool FBulkFormatWarned = false; // the bulk edit has shown its format warning
    std::vector<TIdenticalEdit> FBulkIdentical;
    bool IsClosing = false;
    bool ShowFirstTime = true;
    bool SaveNativeOnClose = false;
    bool FSelRowsTranslated = false;
    bool FSelRowsUntranslatable = false;
    bool FSelRowsHidden = false;
    bool FSelRowsVerified = false;
    bool FNativeValueFormVisible = false;
    QFont DefaultGridFont;
    QFont FStatusFont;

    TfrmTreeCombo* FTreeCombo = nullptr;
    TSearchCommands* FSearch = nullptr;
    TWindowKeys* FWindowKeys = nullptr;
    QSet<QString> FReadOnlyTold; // read-only language files the user was told about
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
    QLabel* FStatusRow = nullptr;
    TStatusTextPanel* FStatusCell = nullptr;
    QLabel* FStatusRL = nullptr;
    QLabel* FStatusTask = nullptr;
    TUiString FTask = usNone;
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
