#include "app/gui/window/MainForm.h"

#include "app/gui/commands/ExchangeCommands.h"
#include "app/gui/commands/ExternalCommands.h"
#include "app/gui/commands/ExtractCommands.h"
#include "app/gui/commands/HelpCommands.h"
#include "app/gui/commands/LanguageToolCommands.h"
#include "app/gui/commands/LibraryCommands.h"
#include "app/gui/window/MainStatusPanel.h"
#include "app/gui/grid/MultiLineEditor.h"
#include "app/gui/window/NativeValueWindow.h"
#include "app/gui/dialogs/options/OptionsDialog.h"
#include "app/gui/commands/PreviewCommands.h"
#include "app/gui/commands/ProjectCommands.h"
#include "app/gui/commands/RepositoryCommands.h"
#include "app/gui/dialogs/options/RepositoryOptionsPage.h"
#include "app/gui/commands/SearchCommands.h"
#include "app/gui/panels/SuggestionsPanel.h"
#include "app/gui/window/UiLanguage.h"
#include "app/gui/commands/WebCommands.h"
#include "app/gui/window/WindowKeys.h"
#include "core/Prompt.h"
#include "langfile/FormatSymbols.h"
#include "langfile/LangCreation.h"
#include "langfile/LangFile.h"
#include "langfile/LanguageNaming.h"
#include "app/gui/dialogs/language/LanguagePropertiesDialog.h"
#include "app/gui/dialogs/language/LanguagesDialog.h"
#include "app/gui/window/TreeCombo.h"
#include "core/UiStrings.h"
#include "storage/Locales.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("Phrase Desk");

TPrompt& Prompt() { return DefaultPrompt(); }

// A language file that could not be opened: which one, and the reader's reason.
QString LanguageOpenError(const QString& FileName, const EVocabrixError& Error)
{
    return UiString(usLanguageOpenFailed, {QDir::toNativeSeparators(FileName), Error.Message()});
}

} // namespace

// --- creation ---

TOxvPDMainForm::TOxvPDMainForm(const TStartOptions& Options, QWidget* Parent)
    : QMainWindow(Parent), FOptions(Options), FProject(std::make_unique<TLEProject>())
{
    setObjectName(QStringLiteral("OxvPDMainForm"));
    resize(900, 600);
    CreateGrid();
    FWindowKeys = new TWindowKeys(this);
    FSearch = new TSearchCommands(this, sgStrings, FProject.get(), &Prompt(),
                                  TSearchHost{[this] { UpdateCommandStates(); }, [this] { UpdateStatusText(); },
                                              [this] { RefreshGrid(); }, [this] { return FSettings.UseReplaceTb; },
                                              &FSettings.CellEditDialog,
                                              [this](const std::function<void()>& Edits) { BulkEdit(Edits); }});
    AutoTranslateIdentical = [this](int ACol, const QString& OldText, const QString& NewText,
                                    const QString& NativeText) {
        FSearch->AutoTranslateIdentical(ACol, OldText, NewText, NativeText);
    };
    TranslateIdenticalAlong = [this](const std::vector<TIdenticalEdit>& Edits) {
        FSearch->TranslateIdenticalAlong(Edits);
    };
    FExchange = new TExchangeCommands(this, FProject.get(), &Prompt(),
                                      TExchangeHost{[this] { return ActiveLangFile(); },
                                                    [this] { return !sgStrings->MultiColsSelected(); },
                                                    [this] {
                                                        FTreeCombo->FillExternal(*FProject);
                                                        RefreshGrid();
                                                    },
                                                    [this] {
                                                        if (TQGridColumn* column = sgStrings->ActiveColumn())
                                                            UpdateColumnCaption(column);
                                                    },
                                                    [this] { sgStrings->EndCellEdit(); }});
    FRepository = new TRepositoryCommands(
        this, sgStrings, FProject.get(), &Prompt(),
        TRepositoryHost{[this] { UpdateCommandStates(); }, [this] { RefreshGrid(); },
                        [this](int ACol, int ARow, const QString& Text) { EditCell(ACol, ARow, Text); },
                        [this](int ACol) { return ColumnFile(ACol); }, [this](int ARow) { return RowItem(ARow); },
                        [this]() -> const TEditorSettings& { return FSettings; },
                        [this](TUiString Task) { ShowTask(Task); }, [this] { FSuggestions->CurrentChanged(); },
                        FOptions.Debug});
    FWeb = new TWebCommands(
        this, sgStrings, FProject.get(), &Prompt(), &FSettings,
        TWebHost{[this](int ACol) { return ColumnFile(ACol); }, [this](int ARow) { return RowItem(ARow); },
                 [this](int ACol) { return Writable(ACol); }, [this] { return SomeSelectedCellEditable(); },
                 [this](int ACol, int ARow, const QString& Text) { EditCell(ACol, ARow, Text); },
                 [this](int ACol, int ARow) { UpdateCellCommandStates(ACol, ARow); },
                 [this](int ACol) { UpdateColumnCaption(sgStrings->VisibleColumn(ACol)); }, [this] { RefreshGrid(); },
                 [this](const std::function<void()>& Command) { Guard(Command); }});
    FSuggestions = new TSuggestionsPanel(
        this, TSuggestionsHost{[this] { return FRepository->Repository(); }, [this] { return sgStrings->Col(); },
                               [this] { return sgStrings->Row(); }, [this](int ARow) { return RowItem(ARow); },
                               [this](int ACol) { return ColumnFile(ACol); },
                               [this] { return ProjectOpen() ? int(FProject->LangFiles()[0]->Locale()) : 0; },
                               [this](int ACol) { return Writable(ACol); },
                               [this](int ACol, int ARow, const QString& Text) {
                                   sgStrings->EndCellEdit();
                                   EditCell(ACol, ARow, Text);
                               },
                               [this]() -> const TEditorSettings& { return FSettings; }});
    FExtract = new TExtractCommands(
        this, &Prompt(),
        TExtractHost{[this] { return ProjectOpen() ? FProject->LangFiles().Items(0)->FileName() : QString(); },
                     [this] { return CloseProjectFile(); },
                     [this](const QString& FileName) { OpenProjectFile(FileName, true, false); }});
    FPreview = new TPreviewCommands(this, sgStrings, FProject.get(), &Prompt(),
                                    TPreviewHost{[this](int ARow) { return RowItem(ARow); },
                                                 [this] { return ActiveLangFile(); },
                                                 [this] { return FTreeCombo->SelectedSection() == ssForms; }});
    FProjectTools = new TProjectToolCommands(
        this, FProject.get(), &Prompt(), &FSettings,
        TProjectToolsHost{[this] { return SelectedLanguages(); }, [this] { return ActiveLangFile() != nullptr; },
                          [this] { return miCloseLanguage->isEnabled(); }, [this] { UpdateCaptions(); },
                          [this] { UpdateCommandStates(); },
                          [this](const std::function<void()>& Command) { Guard(Command); }, FOptions.Debug});
    FHelp = new THelpCommands(this);
    FLanguageTools = new TLanguageToolCommands(
        this, sgStrings, FProject.get(),
        TLanguageToolsHost{[this] { return ActiveLangFile(); },
                           [this] {
                               const TLangFile* file = ActiveLangFile();
                               return file && !file->IsNative() && Writable(sgStrings->Col());
                           },
                           [this] { return ActiveLangFile() && ActiveLangFile()->IsNative(); },
                           [this](const QFont& Font) { FNativeValueForm->SetTextFont(Font); },
                           [this] { RefreshGrid(); }, [this] { UpdateCommandStates(); },
                           [this] { SaveProjectDesktop(); },
                           [this](const std::function<void()>& Command) { Guard(Command); }});
    FLibraries =
        new TLibraryCommands(this, FProject.get(), &Prompt(), &FSettings,
                             TLibraryHost{[this](const QString& File) { OpenProjectFile(File, true, true); },
                                          [this] { return ActiveLangFile() && !sgStrings->MultiColsSelected(); },
                                          [this] {
                                              UpdateCaptions();
                                              RefreshGrid();
                                          },
                                          [this](const std::function<void()>& Command) { Guard(Command); },
                                          [this] { sgStrings->EndCellEdit(); }});
    FTreeCombo = new TfrmTreeCombo(this);
    FExternal = new TExternalCommands(
        this, FProject.get(), &Prompt(), FTreeCombo,
        TExternalHost{[this] { return SelectedItems(); }, [this] { return RowItem(sgStrings->Row()); },
                      [this] { sgStrings->EndCellEdit(); }, [this] { RefreshGrid(); },
                      [this] { UpdateCommandStates(); }, [this] { UpdateColumnCaption(NativeColumn()); },
                      [this] { SectionChange(FTreeCombo->SelectedNode()); },
                      [this](const std::function<void()>& Command) { Guard(Command); }});
    FTreeCombo->SetOnChange([this](QTreeWidget*, QTreeWidgetItem* Node) { Guard([&] { SectionChange(Node); }); });
    FTreeCombo->SetOnFormHide([this] { sgStrings->setFocus(); });
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateFilterPanel();
    CreateStatusBar();

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(FFilterPanel);
    layout->addWidget(sgStrings, 1);
    layout->addWidget(FSuggestions);
    setCentralWidget(central);

    FNativeValueForm = new TfrmNativeValue(this);
    connect(FNativeValueForm, &TfrmNativeValue::VisibilityChanged, this, [this](bool Visible) {
        miNtvValueForm->setChecked(Visible);
        // The window's own visibility is remembered while it is hidden with dialogs.
        if (!IsClosing) FNativeValueFormVisible = Visible;
        if (!Visible) {
            const QRect bounds = FNativeValueForm->geometry();
            SaveWindowPosition(wpNativeValueForm, {bounds.left(), bounds.top(), bounds.width(), bounds.height()});
        }
    });
    FCellEditor = new TdlgCellEdit(this);
    FNewLangTimer = new QTimer(this);
    FNewLangTimer->setInterval(500);
    FNewLangTimer->setSingleShot(true);
    connect(FNewLangTimer, &QTimer::timeout, this, [this] { Guard([this] { CreateLanguage(); }); });

    if (const auto position = LoadWindowPosition(wpMainForm))
        setGeometry(position->Left, position->Top, position->Width, position->Height);
    if (const auto position = LoadWindowPosition(wpNativeValueForm))
        FNativeValueForm->setGeometry(position->Left, position->Top, position->Width, position->Height);
    try {
        FSettings = LoadEditorSettings(FOptions.Repository, FOptions.GKey);
    } catch (const EVocabrixError& e) {
        // Without a documents folder the editor still works on the defaults.
        Prompt().Message(mkError, e.Message(), mbOK, mrOk);
    }
    ChangeToWorkDir(FSettings);
    DefaultGridFont = FontFromSettings(sgStrings->font(), FSettings.GridFont);
    FormatSignature = FormatSymbols;
    ApplySettings();
    FProject->SetPrompt(nullptr);
    FNativeValueFormVisible = FSettings.NativeValueForm;
    BuildReopenMenu();
    FRepository->OpenRepository(FSettings.RepositoryPath);

    // The section edit's keys, handled for the whole window while it is shown.
    auto sectionKey = [this](const QKeySequence& Key, std::function<void()> Action) {
        auto* shortcut = new QShortcut(Key, this);
        connect(shortcut, &QShortcut::activated, this, [this, Action] {
            if (edSection->isVisible()) Action();
        });
    };
    sectionKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down), [this] { ChooseSection(); });
    sectionKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageDown), [this] { StepSection(1); });
    sectionKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageUp), [this] { StepSection(-1); });

    UpdateCommandStates();
    UpdateCellCommandStates(0, 0);
}

TOxvPDMainForm::~TOxvPDMainForm()
{
    // The grid refers to the project's files; it goes first.
    AllowSelectEvents = false;
    IsClosing = true;
    delete sgStrings;
    sgStrings = nullptr;
}

void TOxvPDMainForm::CreateGrid()
{
    sgStrings = new TQStringGrid;
    sgStrings->setObjectName(QStringLiteral("sgStrings"));
    sgStrings->setFont(QFont(QStringLiteral("Arial")));
    sgStrings->SetOptions(goRangeSelect | goDrawFocusSelected | goRowSizing | goColSizing | goColMoving | goEditing |
                          goTabs);
    sgStrings->SetDefaultColWidth(200);
    sgStrings->SetAutoSort(false);
    sgStrings->SetFixedCols(1);
    sgStrings->installEventFilter(this);
    // The name column's hints come from the fixed panel's viewport.
    for (QWidget* part : sgStrings->findChildren<QWidget*>()) part->installEventFilter(this);
    WireGrid();
}

QAction* TOxvPDMainForm::AddAction(QMenu* Menu, const QString& Name, const QString& Text, const QKeySequence& Shortcut,
                                   std::function<void()> Handler)
{
    auto* action = new QAction(Text, this);
    action->setObjectName(Name);
    if (!Shortcut.isEmpty()) action->setShortcut(Shortcut);
    connect(action, &QAction::triggered, this, [this, Handler] { Guard(Handler); });
    if (Menu) Menu->addAction(action);
    return action;
}

void TOxvPDMainForm::Guard(const std::function<void()>& Command)
{
    // A failed command may have left a rebuild half done; the grid reacts again.
    try {
        Command();
    } catch (const EVocabrixError& e) {
        AllowSelectEvents = true;
        Prompt().Message(mkError, e.Message(), mbOK, mrOk);
    } catch (const std::exception& e) {
        AllowSelectEvents = true;
        Prompt().Message(mkError, QString::fromLocal8Bit(e.what()), mbOK, mrOk);
    }
}

void TOxvPDMainForm::CreateActions()
{
    // Menus are filled in CreateMenus; the actions exist first so that the
    // pop-up menus and the tool bar can share them.
    miOpenProject = AddAction(nullptr, "miOpenProject", "Open &Project...", {}, [this] { OpenProjectDialog(); });
    miCloseProject = AddAction(nullptr, "miCloseProject", "Close Pro&ject", {}, [this] { CloseProjectCommand(); });
    miCreateLang = AddAction(nullptr, "miCreateLang", "Create &New Language...", QKeySequence(Qt::CTRL | Qt::Key_N),
                             [this] { CreateLanguage(); });
    miOpenLang = AddAction(nullptr, "miOpenLang", "&Open Language...", QKeySequence(Qt::CTRL | Qt::Key_O),
                           [this] { OpenLanguagesDialog(true); });
    miSaveLanguage = AddAction(nullptr, "miSaveLanguage", "&Save Language", QKeySequence(Qt::CTRL | Qt::Key_S),
                               [this] { SaveLanguage(); });
    miSaveAll = AddAction(nullptr, "miSaveAll", "Save &All", {}, [this] { SaveAll(); });
    miCloseLanguage = AddAction(nullptr, "miCloseLanguage", "&Close Language", QKeySequence(Qt::CTRL | Qt::Key_F4),
                                [this] { CloseLanguage(); });
    miExit = AddAction(nullptr, "miExit", "E&xit", QKeySequence(Qt::ALT | Qt::Key_X), [this] { close(); });

    miCut = AddAction(nullptr, "miCut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X), [this] { CutToClipbrd(); });
    miCopy = AddAction(nullptr, "miCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C), [this] { CopyToClipbrd(); });
    miPaste =
        AddAction(nullptr, "miPaste", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V), [this] { PasteFromClipbrd(); });
    miSelectAll =
        AddAction(nullptr, "miSelectAll", "Select &All", QKeySequence(Qt::CTRL | Qt::Key_A), [this] { SelectAll(); });
    miDuplicatePrev = AddAction(nullptr, "miDuplicatePrev", "Duplicate prev&ious cell",
                                QKeySequence(Qt::CTRL | Qt::Key_D), [this] { DuplicatePrevCell(); });
    miCopyName = AddAction(nullptr, "miCopyName", "Copy Name", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_C),
                           [this] { CopyNameToClipbrd(); });
    miTranslated = AddAction(nullptr, "miTranslated", "Is &Translated", QKeySequence(Qt::CTRL | Qt::Key_U),
                             [this] { ToggleTranslated(); });
    miUntranslatable = AddAction(nullptr, "miUntranslatable", "Is &Untranslatable",
                                 QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_I), [this] { ToggleUntranslatable(); });
    miVerified = AddAction(nullptr, "miVerified", "Is &Verified", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_V),
                           [this] { ToggleVerified(); });
    miRevert = AddAction(nullptr, "miRevert", "Revert to Ori&ginal", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_R),
                         [this] { RevertToOriginal(); });
    miRefresh = AddAction(nullptr, "miRefresh", "&Refresh", QKeySequence(Qt::Key_F5), [this] { RefreshGrid(); });
    miNtvValueForm =
        AddAction(nullptr, "miNtvValueForm", "Show &native value form", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_N),
                  [this] { SetNativeValueFormVisible(!FNativeValueForm->isVisible()); });
    for (QAction* a : {miTranslated, miUntranslatable, miVerified, miNtvValueForm}) a->setCheckable(true);

    miShowTranslated = AddAction(nullptr, "miShowTranslated", "&Translated",
                                 QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_T), [this] { ShowStates(true, false); });
    miShowUntranslated = AddAction(nullptr, "miShowUntranslated", "&Untranslated",
                                   QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_U), [this] { ShowStates(false, true); });
    miShowBoth = AddAction(nullptr, "miShowBoth", "&Both", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_B),
                           [this] { ShowStates(true, true); });
    miShowUntrOnly = AddAction(nullptr, "miShowUntrOnly", "Untranslatable &Only", {},
                               [this] { SetUntranslatableOnly(!FProject->Filter().UntranslatableOnly()); });
    miShowTextual = AddAction(nullptr, "miShowTextual", "Te&xtual properties", {}, [this] { ShowKinds(true, false); });
    miShowNontextual =
        AddAction(nullptr, "miShowNontextual", "&Non-Textual properties", {}, [this] { ShowKinds(false, true); });
    miAllTypes = AddAction(nullptr, "miAllTypes", "&All types", {}, [this] { ShowKinds(true, true); });
    // The pop-up spells the kind items its own way.
    pmShowTextual = AddAction(nullptr, "pmShowTextual", "Te&xtual properties", {}, [this] { ShowKinds(true, false); });
    pmShowNontextual =
        AddAction(nullptr, "pmShowNontextual", "&Non-textual properties", {}, [this] { ShowKinds(false, true); });
    pmAllTypes = AddAction(nullptr, "pmAllTypes", "&All types", {}, [this] { ShowKinds(true, true); });
    miSortAsc = AddAction(nullptr, "miSortAsc", "&Ascending", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_A),
                          [this] { SortBy(soAsc); });
    miSortDsc = AddAction(nullptr, "miSortDsc", "&Descending", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_D),
                          [this] { SortBy(soDsc); });
    miSortOriginal = AddAction(nullptr, "miSortOriginal", "&Original order",
                               QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_O), [this] { SortBy(soNone); });
    for (QAction* a :
         {miShowTranslated, miShowUntranslated, miShowBoth, miShowUntrOnly, miShowTextual, miShowNontextual, miAllTypes,
          pmShowTextual, pmShowNontextual, pmAllTypes, miSortAsc, miSortDsc, miSortOriginal})
        a->setCheckable(true);
    miFont = FLanguageTools->miFont;
    miLangProps = FLanguageTools->miLangProps;
    miShowStatistics = FLanguageTools->miShowStatistics;
    miOptions = AddAction(nullptr, "miOptions", "&Options...", {}, [this] { ShowOptions(); });
}

void TOxvPDMainForm::CreateMenus()
{
    FFileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    FFileMenu->addAction(miOpenProject);
    FFileMenu->addAction(FExtract->miNewFromExe);
    FFileMenu->addAction(miCloseProject);
    FReopenMenu = FFileMenu->addMenu(QStringLiteral("&Reopen"));
    FFileMenu->addSeparator();
    FFileMenu->addAction(miCreateLang);
    FFileMenu->addAction(miOpenLang);
    FFileMenu->addAction(miSaveLanguage);
    FFileMenu->addAction(miSaveAll);
    FFileMenu->addAction(miCloseLanguage);
    FFileMenu->addSeparator();
    FProjectTools->AddActions(FFileMenu);
    FFileMenu->addSeparator();
    FExchange->AddMenus(FFileMenu);
    FProjectTools->AddRepairAction(FFileMenu);
    FFileMenu->addSeparator();
    FFileMenu->addAction(miExit);

    FEditMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    FEditMenu->addActions({miCut, miCopy, miPaste});
    FEditItems << miCut << miCopy << miPaste << FEditMenu->addSeparator();
    FEditMenu->addActions({miSelectAll, miDuplicatePrev, miCopyName});
    FEditItems << miSelectAll << miDuplicatePrev << miCopyName << FEditMenu->addSeparator();
    FEditMenu->addActions({miTranslated, miUntranslatable, miVerified, miRevert});
    FEditItems << miTranslated << miUntranslatable << miVerified << miRevert << FEditMenu->addSeparator();
    FExternal->AddActions(FEditMenu);
    FEditItems << FEditMenu->addSeparator();
    FEditMenu->addAction(miRefresh);
    FEditItems << miRefresh;
    // Without a project only the window items below this separator are shown.
    FWindowItems << FEditMenu->addSeparator() << miNtvValueForm << miOptions;
    FEditMenu->addActions({miNtvValueForm, miOptions});

    FSearchMenu = menuBar()->addMenu(QStringLiteral("&Search"));
    FSearch->AddSearchActions(FSearchMenu);

    FLanguageMenu = menuBar()->addMenu(QStringLiteral("&Language"));
    QMenu* show = FLanguageMenu->addMenu(QStringLiteral("S&how"));
    show->addActions({miShowTranslated, miShowUntranslated, miShowBoth});
    show->addSeparator();
    show->addAction(miShowUntrOnly);
    show->addSeparator();
    show->addActions({miShowTextual, miShowNontextual, miAllTypes});
    show->addSeparator();
    show->addAction(FSearch->CreateRegExpAction(this));
    QMenu* sort = FLanguageMenu->addMenu(QStringLiteral("&Sort"));
    sort->addActions({miSortAsc, miSortDsc, miSortOriginal});
    FLanguageMenu->addSeparator();
    FLanguageMenu->addActions({FLanguageTools->miIME, miFont, miLangProps, miShowStatistics});

    FRepositoryMenu = menuBar()->addMenu(QStringLiteral("&Repository"));
    FRepository->AddRepositoryActions(FRepositoryMenu);

    FLibraries->AddActions(menuBar()->addMenu(QStringLiteral("Li&braries")));
    FHelpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    FHelp->AddActions(FHelpMenu);

    // The grid's pop-up menus.
    FPopup = new QMenu(this);
    FPopup->addActions({miCut, miCopy, miPaste});
    FPopup->addSeparator();
    FPopup->addActions({miSelectAll, miDuplicatePrev, miCopyName});
    FPopup->addSeparator();
    FExternal->AddPopupActions(FPopup);
    FPopup->addActions({miTranslated, miUntranslatable, miVerified, miRevert});
    FPopup->addSeparator();
    QMenu* popupShow = FPopup->addMenu(QStringLiteral("S&how"));
    popupShow->addActions({miShowTranslated, miShowUntranslated, miShowBoth});
    popupShow->addSeparator();
    popupShow->addAction(miShowUntrOnly);
    popupShow->addSeparator();
    popupShow->addActions({pmShowTextual, pmShowNontextual, pmAllTypes});
    popupShow->addSeparator();
    popupShow->addAction(FSearch->miRegExp);
    QMenu* popupSort = FPopup->addMenu(QStringLiteral("&Sort"));
    popupSort->addActions({miSortAsc, miSortDsc, miSortOriginal});
    FPopup->addSeparator();
    FPopup->addActions({miCloseLanguage, FLanguageTools->miIME, miFont, miLangProps, miShowStatistics});
    FRepository->AddPopupActions(FPopup);
    FNamePopup = new QMenu(this);
    FNamePopup->addAction(miCopyName);
    FWeb->AddActions(FLanguageMenu, miFont, FPopup);
    FLanguageMenu->addAction(FSuggestions->ToggleAction());
    FSuggestions->SetWebAction(FWeb->miGoogleTranslateCell);
}

void TOxvPDMainForm::CreateToolBar()
{
    FToolBar = addToolBar(QStringLiteral("Tool bar"));
    FToolBar->setObjectName(QStringLiteral("ToolBar"));
    FToolBar->setIconSize(QSize(16, 16));
    FToolBar->setMovable(false);
    // Tool bar buttons mirror their menu items; a hidden item leaves its button
    // disabled, so the bar keeps its shape in both window states.
    auto mirror = [this](QAction* Source, QStyle::StandardPixmap Icon) {
        auto* button = FToolBar->addAction(style()->standardIcon(Icon), Source->text().remove(QLatin1Char('&')));
        button->setObjectName(QStringLiteral("tb") + Source->objectName().mid(2));
        button->setCheckable(Source->isCheckable());
        connect(button, &QAction::triggered, Source, [Source] { Source->trigger(); });
        auto follow = [button, Source] {
            button->setEnabled(Source->isEnabled() && Source->isVisible());
            button->setChecked(Source->isChecked());
        };
        connect(Source, &QAction::changed, button, follow);
        follow();
    };
    mirror(miOpenProject, QStyle::SP_DialogOpenButton);
    mirror(miCreateLang, QStyle::SP_FileIcon);
    mirror(miOpenLang, QStyle::SP_DirOpenIcon);
    mirror(miSaveLanguage, QStyle::SP_DialogSaveButton);
    mirror(miSaveAll, QStyle::SP_DriveHDIcon);
    FToolBar->addSeparator();
    mirror(miCut, QStyle::SP_DialogDiscardButton);
    mirror(miCopy, QStyle::SP_FileDialogContentsView);
    mirror(miPaste, QStyle::SP_FileDialogDetailedView);
    FToolBar->addSeparator();
    mirror(miNtvValueForm, QStyle::SP_FileDialogInfoView);
    FPreview->AddToolBarActions(FToolBar);
    FToolBar->addSeparator();
    mirror(miExit, QStyle::SP_DialogCloseButton);
}

void TOxvPDMainForm::CreateFilterPanel()
{
    FFilterPanel = new QWidget;
    FFilterPanel->setObjectName(QStringLiteral("FilterPanel"));
    edSection = new QLineEdit;
    edSection->setObjectName(QStringLiteral("edSection"));
    edSection->setReadOnly(true);
    edSection->setMinimumWidth(220);
    btnSection = new QToolButton;
    btnSection->setArrowType(Qt::DownArrow);
    btnSection->setToolTip(QStringLiteral("Choose the section (Ctrl+.)"));
    connect(btnSection, &QToolButton::clicked, this, [this] { ChooseSection(); });
    chbShowNative = new QCheckBox(QStringLiteral("Show Native Language"));
    chbShowNative->setObjectName(QStringLiteral("chbShowNative"));
    chbShowNative->setChecked(true);
    connect(chbShowNative, &QCheckBox::toggled, this, [this](bool On) { Guard([this, On] { SetShowNative(On); }); });
    gbFilter = new QGroupBox(QStringLiteral("Filter"));
    lblFilter = new QLabel;
    lblFilter->setObjectName(QStringLiteral("lblFilter"));
    MarkDynamicText(lblFilter); // made from the filter's state
    auto* filterLayout = new QHBoxLayout(gbFilter);
    filterLayout->setContentsMargins(6, 2, 6, 2);
    filterLayout->addWidget(lblFilter);

    auto* layout = new QHBoxLayout(FFilterPanel);
    layout->setContentsMargins(4, 2, 4, 0);
    auto* sectionBox = new QHBoxLayout;
    sectionBox->setSpacing(0);
    sectionBox->addWidget(edSection);
    sectionBox->addWidget(btnSection);
    layout->addLayout(sectionBox);
    layout->addSpacing(12);
    layout->addWidget(chbShowNative);
    layout->addSpacing(12);
    layout->addWidget(gbFilter, 1);
}

void TOxvPDMainForm::CreateStatusBar()
{
    FStatusRow = new QLabel;
    FStatusRow->setFixedWidth(100);
    FStatusRow->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FStatusCell = new TStatusTextPanel;
    FStatusCell->setMinimumWidth(50);
    FStatusRL = new QLabel;
    FStatusRL->setFixedWidth(150);
    FStatusRL->setTextFormat(Qt::RichText);
    FStatusTask = new QLabel;
    MarkDynamicText(FStatusTask); // the running task's message
    FStatusTask->setFixedWidth(300);
    statusBar()->addWidget(FStatusRow);
    statusBar()->addWidget(FStatusCell, 1);
    statusBar()->addWidget(FStatusRL);
    statusBar()->addWidget(FStatusTask);
    statusBar()->addPermanentWidget(FRepository->IndexBar());
}

// The settings the grid and the project follow at once.
void TOxvPDMainForm::ApplySettings()
{
    sgStrings->SetFixedFont({DefaultGridFont, QColor()});
    QFont bold = DefaultGridFont;
    bold.setBold(true);
    sgStrings->SetHeaderFont({bold, QColor()});
    sgStrings->SetAutoMoveDown(FSettings.MoveCursorDown);
    sgStrings->SetActiveRowColor(ColorFromWinColor(FSettings.ActiveRowColor));
    FProject->Filter().SetShowUntranslatable(FSettings.ShowUntranslatable);
}

// --- first show and closing ---

void TOxvPDMainForm::showEvent(QShowEvent* Event)
{
    QMainWindow::showEvent(Event);
    if (ShowFirstTime) {
        ShowFirstTime = false;
        // Opening may ask questions; the window is on screen first.
        QTimer::singleShot(0, this, [this] { FirstShow(); });
    }
}

void TOxvPDMainForm::FirstShow()
{
    if (!FOptions.NoArguments) {
        Guard([this] {
            if (FOptions.ReopenLast) {
                if (!FRecent.isEmpty()) OpenProjectFile(FRecent.first().File, false, FRecent.first().Library);
            } else if (!FOptions.ProjectFile.isEmpty()) {
                OpenProjectFile(FOptions.ProjectFile, false, FOptions.Library);
            }
            if (!FOptions.PEFile.isEmpty() && ProjectOpen()) FProject->SetPEFileName(FOptions.PEFile);
        });
        if (FOptions.NewLang && ProjectOpen()) {
            FNewLangTimer->start();
        }
        // The open list belongs to the first project only.
        FOptions.OpenList.reset();
        BuildReopenMenu();
        UpdateCommandStates();
    }
    if (FNativeValueFormVisible) SetNativeValueFormVisible(true);
}

void TOxvPDMainForm::ShowTask(TUiString Task)
{
    FTask = Task;
    FStatusTask->setText(Task == usNone ? QString() : UiString(Task));
}

void TOxvPDMainForm::changeEvent(QEvent* Event)
{
    QMainWindow::changeEvent(Event);
    if (Event->type() != QEvent::LanguageChange) return;
    FTreeCombo->ShowTopTexts();
    if (QTreeWidgetItem* node = FTreeCombo->SelectedNode()) ShowSectionText(node);
    UpdateSectionCaption();
    UpdateCaptions();
    ShowTask(FTask);
    UpdateCommandStates();
    UpdateStatusText();
    FSuggestions->Refresh();
}

void TOxvPDMainForm::closeEvent(QCloseEvent* Event)
{
    if (IsClosing) {
        Event->ignore();
        return;
    }
    IsClosing = true;
    bool closed = false;
    Guard([&] { closed = CloseProjectFile(); });
    if (!closed) {
        AllowSelectEvents = true;
        IsClosing = false;
        Event->ignore();
        return;
    }
    FNativeValueForm->hide();
    FCellEditor->hide();
    FSettings.NativeValueForm = FNativeValueFormVisible;
    SaveExitSettings(FSettings);
    const QRect bounds = normalGeometry();
    SaveWindowPosition(wpMainForm, {bounds.left(), bounds.top(), bounds.width(), bounds.height()});
    Event->accept();
    Q_EMIT Closed();
}

void TOxvPDMainForm::BringToFront(const QString& Project)
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    if (Project.isEmpty() || (ProjectOpen() && QFileInfo(Project) == QFileInfo(FProject->NativeFileName()))) return;
    // Asked once the later start has its answer, from the window's own loop.
    QTimer::singleShot(0, this, [this, Project] {
        Guard([&] {
            if (ProjectOpen() &&
                Prompt().Message(mkConfirmation, UiString(usOpenRequestedProject, {QDir::toNativeSeparators(Project)}),
                                 mbYesNo, mrNo) != mrYes)
                return;
            OpenProjectFile(Project, false, false);
        });
    });
}

// --- project ---

void TOxvPDMainForm::OpenProjectDialog()
{
    // Where the translator works now, rather than where the program started.
    const QString folder = ProjectOpen() ? QFileInfo(FProject->NativeFileName()).absolutePath() : FSettings.WorkDir;
    if (const QString file = ChooseProjectFile(this, folder); !file.isEmpty()) OpenProjectFile(file, true, false);
}

bool TOxvPDMainForm::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() == QEvent::ToolTip && sgStrings && Watched != sgStrings) {
        // Over a row's name the hint is the whole name, which the column often cuts.
        const auto* help = static_cast<QHelpEvent*>(Event);
        const QPoint pos = sgStrings->mapFromGlobal(help->globalPos());
        const TGridCoord cell = sgStrings->MouseCoord(pos.x(), pos.y());
        // Over a header the hint explains the read-only mark.
        QString hint;
        if (cell.X >= 0 && cell.X < sgStrings->EffectiveFixedCols() && cell.Y >= 0 && cell.Y < sgStrings->RowCount())
            hint = sgStrings->GetCell(cell.X, cell.Y);
        else if (cell.X >= 0 && cell.Y < 0)
            hint = ReadOnlyText(cell.X);
        if (!hint.isEmpty())
            QToolTip::showText(help->globalPos(), hint, sgStrings);
        else
            QToolTip::hideText();
        return true;
    }
    // Entering and leaving the grid; a menu or pop-up taking the keyboard is neither.
    if (Watched == sgStrings && (Event->type() == QEvent::FocusIn || Event->type() == QEvent::FocusOut) &&
        static_cast<QFocusEvent*>(Event)->reason() != Qt::PopupFocusReason && !IsClosing && sgStrings) {
        UpdateCommandStates();
        UpdateCellCommandStates(sgStrings->Col(), sgStrings->Row());
        if (Event->type() == QEvent::FocusOut && !sgStrings->Editing() &&
            !sgStrings->isAncestorOf(QApplication::focusWidget())) {
            FStatusRow->clear();
            FStatusCell->SetText(QString(), FStatusFont);
            FStatusRL->clear();
        } else if (Event->type() == QEvent::FocusIn) {
            UpdateStatusText();
        }
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TOxvPDMainForm::CloseProjectCommand()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    IsClosing = true;
    const auto restore = qScopeGuard([this] {
        IsClosing = false;
        QApplication::restoreOverrideCursor();
    });
    if (CloseProjectFile()) {
        BuildReopenMenu();
        UpdateCommandStates();
    }
}

void TOxvPDMainForm::OpenProjectFile(const QString& FileName, bool NoLangMessage, bool Library)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (!CloseProjectFile()) return;

    AllowSelectEvents = false;
    try {
        FProject->Open(FileName, Library, false);
        TQGridColumn* names = sgStrings->Columns().Add();
        names->SetCaption(UiString(usSectionProperties));
        names->SetReadOnly(true);
        names->SetWidth(150);
        AddLanguageColumn(FProject->LangFiles().Items(0))->SetCaption(UiString(usFilterNative));
        AllowSelectEvents = true;

        FTreeCombo->Fill(*FProject);
        // The first section with something in it.
        if (FProject->Forms().Count() == 0 && FProject->Units().Count() == 0 && FProject->ExtGroups().Count() > 0)
            FTreeCombo->SelectSectionText(QStringLiteral("External"));
        else if (FProject->Forms().Count() == 0 && FProject->Units().Count() > 0)
            FTreeCombo->SelectSectionText(QStringLiteral("Units"));
        UpdateCommandStates();
        FProject->SetPEFileName(QString());
        AllowSelectEvents = false;
        bool desktopExisted = LoadProjectDesktop();
        // Languages named on the command line open with a project that has no
        // desktop file yet as well.
        if (!desktopExisted && FOptions.OpenList && !FOptions.OpenList->isEmpty()) {
            QStringList files;
            for (const QString& code : *FOptions.OpenList)
                files << LanguageFileOfExtension(FProject->NativeFileName(), QLatin1Char('.') + code);
            OpenLanguageFiles(files);
            desktopExisted = true;
        }
        AllowSelectEvents = false;
        ApplySectionSelection(FTreeCombo->SelectedNode());
        FillGrid();
        if (!desktopExisted) {
            AllowSelectEvents = true;
            try {
                OpenLanguagesDialog(NoLangMessage);
            } catch (const EVocabrixError&) {
            }
        }
        SaveNativeOnClose = false;
        AllowSelectEvents = false;
        if (sgStrings->VisibleColCount() > 1) sgStrings->SetCol(1);
        AllowSelectEvents = true;
    } catch (...) {
        AllowSelectEvents = false;
        sgStrings->ClearAll();
        sgStrings->Columns().Clear();
        FTreeCombo->Clear();
        edSection->clear();
        FProject->Reinitialize();
        AllowSelectEvents = true;
        UpdateCommandStates();
        throw;
    }
    BuildReopenMenu();
    UpdateCommandStates();
    if (sgStrings->RowCount() > 0) {
        GridSelectCell(sgStrings->Col(), sgStrings->Row());
        GridSelectionChanged();
    }
    sgStrings->setFocus();
    FNativeValueForm->SetTextFont(sgStrings->Columns().Items(1)->Font().Font);
}

bool TOxvPDMainForm::CloseProjectFile()
{
    // Recorded before any question, so a cancelled close has written them too.
    if (ProjectOpen()) {
        RecordRecentProject(FProject->NativeFileName(), FProject->IsLibrary());
        SaveProjectDesktop();
    }
    sgStrings->EndCellEdit();
    // Every question is answered before anything is saved or closed: a Cancel
    // leaves the window as it was. A native file that cannot be written keeps
    // the project open: the translator has asked to keep the changes.
    TLangFileList& files = FProject->LangFiles();
    TLangFile* native = files.Count() > 0 ? files.Items(0) : nullptr;
    QList<int> ask;
    for (int i = files.Count() - 1; i >= 1; --i) ask << i;
    if (native && !native->ReadOnly() && !SaveNativeOnClose) ask << 0;
    if (!FProject->SaveBeforeClosing(ask)) return false;
    if (native && !native->ReadOnly() && SaveNativeOnClose) FProject->SaveLanguage(0);
    AllowSelectEvents = false;
    chbShowNative->setChecked(true);
    for (int i = files.Count() - 1; i >= 1; --i) {
        TLangFile* file = files.Items(i);
        FProject->CloseAskedLanguage(i);
        for (int c = 0; c < sgStrings->Columns().Count(); ++c)
            if (sgStrings->Columns().Items(c)->Data() == file) {
                sgStrings->Columns().Delete(c);
                break;
            }
    }
    const bool refresh = files.Count() > 0 && !FProject->IsLibrary();
    const QString peFile = FProject->PEFileName(), nativeFile = FProject->NativeFileName();
    FProject->Close(false);
    if (refresh) FProjectTools->RefreshOnClose(peFile, nativeFile);

    edSection->clear();
    FTreeCombo->Clear();
    sgStrings->ClearAll();
    sgStrings->Columns().Clear();
    AllowSelectEvents = true;
    UpdateCommandStates();
    UpdateCellCommandStates(0, 0);
    UpdateStatusText();
    FNativeValueForm->SetText(QString());
    return true;
}

// --- languages ---

TQGridColumn* TOxvPDMainForm::AddLanguageColumn(TLangFile* File)
{
    TQGridColumn* column = sgStrings->Columns().Add();
    column->SetFont({DefaultGridFont, QColor()});
    column->SetData(File);
    column->SetReadOnly(File->IsNative() || File->ReadOnly());
    column->SetCaption(ColumnCaption(File));
    return column;
}

void TOxvPDMainForm::OpenLanguageFiles(const QStringList& Files)
{
    for (const QString& name : Files) {
        try {
            FProject->OpenLanguage(name, false);
            AddLanguageColumn(FProject->LangFiles().Items(FProject->LangFiles().Count() - 1));
        } catch (const EVocabrixError& e) {
            Prompt().Message(mkError, LanguageOpenError(name, e), mbOK, mrOk);
        }
    }
    RefreshGrid();
}

void TOxvPDMainForm::OpenLanguagesDialog(bool NoLangMessage)
{
    TdlgLanguages dialog(this);
    dialog.Init(*FProject);
    if (dialog.CandidateCount() == 0) {
        if (NoLangMessage) Prompt().Message(mkInformation, UiString(usNoLanguageFiles), mbOK, mrOk);
    } else if (dialog.Execute()) {
        OpenLanguageFiles(dialog.CheckedFiles());
    }
    UpdateCommandStates();
}

void TOxvPDMainForm::CreateLanguage()
{
    if (!ProjectOpen()) return;
    TdlgLanguageProperties dialog(this);
    dialog.Init(FProject->LangFiles(), -1, FWeb->Configured() && !FSettings.RepAutoTranslate);
    // No and a file that cannot be replaced bring the dialog back.
    while (dialog.Execute()) {
        if (!LocaleHasCodePage(dialog.Locale())) {
            const TMsgResult answer = Prompt().Message(mkConfirmation, UiString(usNoCodepage, {dialog.EnglishName()}),
                                                       mbYesNoCancel, mrCancel);
            if (answer == mrCancel) return;
            if (answer == mrNo) continue;
        }
        const TMsgResult result = CreateLanguageFile(dialog.NewLanguage(), dialog.Abbreviation());
        if (result == mrYes) {
            // The new column becomes current, ready for typing.
            const int col = sgStrings->VisibleColCount() - 1;
            if (sgStrings->RowCount() > 0) sgStrings->FocusCell(col, sgStrings->Row(), true);
            // The repository translates a new language when asked to; else the web service, when chosen.
            if (FSettings.RepAutoTranslate && FRepository->Repository())
                FRepository->TranslateAll();
            else if (dialog.AutoTranslate())
                FWeb->TranslateAllOf(FProject->LangFiles().Items(FProject->LangFiles().Count() - 1));
            return;
        }
        if (result == mrCancel) return;
    }
}

TMsgResult TOxvPDMainForm::CreateLanguageFile(const TNewLanguage& Lang, const QString& Abbreviation)
{
    // File names are case-sensitive here; language files are named in lower case
    // (app.deu.lng) whatever case the abbreviation was typed in.
    const QString fileName = NewLanguageFileName(FProject->NativeFileName(), Abbreviation.toLower());
    if (QFileInfo::exists(fileName)) {
        const TMsgResult answer =
            Prompt().Message(mkConfirmation, UiString(usAbbreviationExists, {Abbreviation}), mbYesNoCancel, mrCancel);
        if (answer != mrYes) return answer;
        if (!QFile::remove(fileName)) {
            Prompt().Message(mkError, UiString(usCannotDeleteFile, {QDir::toNativeSeparators(fileName)}), mbOK, mrOk);
            return mrOk;
        }
    }
    const int index = ::CreateLanguageFile(*FProject, fileName, Lang);
    TLangFile* file = FProject->LangFiles().Items(index);
    file->SetKeyboardLayout(Lang.Locale);
    AddLanguageColumn(file);
    RefreshGrid();
    return mrYes;
}

void TOxvPDMainForm::SaveLanguage()
{
    sgStrings->EndCellEdit();
    const TGridRect sel = sgStrings->Selection();
    for (int c = std::max(sel.Left, 0); c <= sel.Right && c < sgStrings->VisibleColCount(); ++c) {
        TLangFile* file = ColumnFile(c);
        if (!file || file->ReadOnly()) continue;
        FProject->SaveLanguage(file->LangIndex());
        UpdateColumnCaption(sgStrings->VisibleColumn(c));
    }
    UpdateCommandStates();
}

void TOxvPDMainForm::SaveAll()
{
    sgStrings->EndCellEdit();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([this] {
        QApplication::restoreOverrideCursor();
        UpdateCaptions();
        UpdateCommandStates();
    });
    for (int i = 0; i < FProject->LangFiles().Count(); ++i) FProject->SaveLanguage(i);
}

void TOxvPDMainForm::CloseLanguage()
{
    sgStrings->EndCellEdit();
    const TGridRect sel = sgStrings->Selection();
    std::vector<TQGridColumn*> columns;
    for (int c = sel.Right; c >= std::max(sel.Left, 0); --c)
        if (c < sgStrings->VisibleColCount() && ColumnFile(c) && !ColumnFile(c)->IsNative())
            columns.push_back(sgStrings->VisibleColumn(c));
    const auto refresh = qScopeGuard([this] {
        if (ProjectOpen() && sgStrings->VisibleColCount() <= 1) {
            for (int c = 0; c < sgStrings->Columns().Count(); ++c)
                if (sgStrings->Columns().Items(c)->Data() == FProject->LangFiles().Items(0))
                    sgStrings->Columns().Items(c)->SetVisible(true);
            AllowSelectEvents = false;
            chbShowNative->setChecked(true);
            if (sgStrings->VisibleColCount() > 1) sgStrings->SetCol(1);
            AllowSelectEvents = true;
        }
        RefreshGrid();
    });
    for (TQGridColumn* column : columns) {
        auto* file = static_cast<TLangFile*>(column->Data());
        SaveColumnSettings(column);
        bool allow = true;
        // The project moves the filter and sorting off a closed language.
        FProject->CloseLanguage(file->LangIndex(), allow);
        if (!allow) break;
        sgStrings->Columns().Delete(sgStrings->Columns().IndexOf(column));
    }
}

// --- window state ---

QString TOxvPDMainForm::ColumnCaption(const TLangFile* File) const
{
    QString caption = File->IsNative() ? UiString(usNativeCaption, {File->LangEnglishName()}) : File->LangEnglishName();
    if (File->Modified()) caption += QStringLiteral(" *");
    return caption;
}

void TOxvPDMainForm::UpdateColumnCaption(TQGridColumn* Column)
{
    if (const auto* file = static_cast<const TLangFile*>(Column->Data())) Column->SetCaption(ColumnCaption(file));
}

void TOxvPDMainForm::UpdateCaptions()
{
    for (int c = 0; c < sgStrings->Columns().Count(); ++c) UpdateColumnCaption(sgStrings->Columns().Items(c));
}

void TOxvPDMainForm::UpdateWindowTitle()
{
    setWindowTitle(ProjectOpen() ? kTitle + QStringLiteral(" - ") + FProject->DisplayName() : kTitle);
}

QString TOxvPDMainForm::FilterLabelText() const
{
    const TLPFilter& filter = FProject->Filter();
    const bool both = filter.ShowTranslated() && filter.ShowUntranslated();
    QString language;
    if (!both || !filter.RegExp().isEmpty()) {
        const int index = filter.LangIndex();
        if (index == 0)
            language = UiString(usFilterNative);
        else if (index > 0 && index < FProject->LangFiles().Count())
            language = FProject->LangFiles().Items(index)->LangEnglishName();
    }
    QString state = both                      ? UiString(usFilterBoth)
                    : filter.ShowTranslated() ? UiString(usFilterTranslated)
                                              : UiString(usFilterUntranslated);
    if (!filter.RegExp().isEmpty()) state += QStringLiteral("; RegExp: \"") + filter.RegExp() + QLatin1Char('"');
    return language + QStringLiteral(": ") + state;
}

QList<TLocItem*> TOxvPDMainForm::SelectedItems() const
{
    QList<TLocItem*> items;
    const TGridRect sel = sgStrings->Selection();
    for (int r = std::max(sel.Top, 0); r <= sel.Bottom && r < sgStrings->RowCount(); ++r)
        if (TLocItem* item = RowItem(r)) items << item;
    return items;
}

QList<TLangFile*> TOxvPDMainForm::SelectedLanguages() const
{
    QList<TLangFile*> files;
    const TGridRect sel = sgStrings->Selection();
    for (int c = std::max(sel.Left, 0); c <= sel.Right && c < sgStrings->VisibleColCount(); ++c)
        if (TLangFile* file = ColumnFile(c)) files << file;
    return files;
}

bool TOxvPDMainForm::Writable(int ACol) const
{
    if (ACol < 0 || ACol >= sgStrings->VisibleColCount()) return false;
    return ColumnFile(ACol) && !sgStrings->VisibleColumn(ACol)->ReadOnly();
}

void TOxvPDMainForm::UpdateCommandStates()
{
    const bool open = ProjectOpen();
    UpdateWindowTitle();
    for (QAction* a : FEditItems) a->setVisible(open);
    FFilterPanel->setVisible(open);
    sgStrings->setVisible(open);
    FLanguageMenu->menuAction()->setVisible(open);
    FSearchMenu->menuAction()->setVisible(open && !FSearchMenu->actions().isEmpty());
    miCloseProject->setEnabled(open);
    miCreateLang->setEnabled(open);
    miOpenLang->setEnabled(open);
    FReopenMenu->menuAction()->setVisible(!FReopenMenu->actions().isEmpty());
    lblFilter->setText(FilterLabelText());

    const TLangFile* active = ActiveLangFile();
    const int activeIndex = active ? active->LangIndex() : -1;
    const bool oneCol = !sgStrings->MultiColsSelected();
    const TGridRect sel = sgStrings->Selection();
    bool someWritable = false, someLanguage = false;
    for (int c = std::max(sel.Left, 0); c <= sel.Right && c < sgStrings->VisibleColCount(); ++c) {
        const TLangFile* file = ColumnFile(c);
        if (!file) continue;
        someLanguage = someLanguage || !file->IsNative();
        someWritable = someWritable || (file->IsNative() ? !file->ReadOnly() && file->Modified() : !file->ReadOnly());
    }
    bool anyModified = false;
    for (const auto& file : FProject->LangFiles()) anyModified = anyModified || file->Modified();
    miSaveLanguage->setEnabled(open && someWritable);
    miCloseLanguage->setEnabled(open && active && someLanguage);
    miSaveAll->setEnabled(anyModified);
    miShowBoth->setEnabled(open && oneCol);
    miShowTranslated->setEnabled(active && !active->IsNative() && oneCol);
    miShowUntranslated->setEnabled(miShowTranslated->isEnabled());

    const TLPFilter& filter = FProject->Filter();
    const bool both = filter.ShowTranslated() && filter.ShowUntranslated();
    const bool follow = filter.LangIndex() == activeIndex || both;
    miShowBoth->setChecked(follow && both);
    miShowTranslated->setChecked(follow && !both && filter.ShowTranslated());
    miShowUntranslated->setChecked(follow && !both && filter.ShowUntranslated());
    miShowUntrOnly->setChecked(filter.UntranslatableOnly());
    const bool textual = filter.Properties().ShowTextual(), nontextual = filter.Properties().ShowNontextual();
    for (auto [menu, popup, on] : {std::tuple{miShowTextual, pmShowTextual, textual && !nontextual},
                                   std::tuple{miShowNontextual, pmShowNontextual, nontextual && !textual},
                                   std::tuple{miAllTypes, pmAllTypes, textual && nontextual}}) {
        menu->setChecked(on);
        popup->setChecked(on);
    }
    const TLPSorting& sorting = FProject->Sorting();
    for (QAction* a : {miSortAsc, miSortDsc, miSortOriginal}) a->setEnabled(open && oneCol);
    miSortOriginal->setChecked(sorting.SortOrder() == soNone);
    miSortAsc->setChecked(sorting.SortOrder() == soAsc && sorting.LangIndex() == activeIndex);
    miSortDsc->setChecked(sorting.SortOrder() == soDsc && sorting.LangIndex() == activeIndex);
    chbShowNative->setEnabled(!(chbShowNative->isChecked() && sgStrings->VisibleColCount() <= 2));
    FSearch->UpdateCommandStates();
    FExchange->UpdateCommandStates();
    FRepository->UpdateCommandStates();
    FWeb->UpdateCommandStates();
    FPreview->UpdateCommandStates();
    FProjectTools->UpdateCommandStates();
    FExternal->UpdateCommandStates();
    FLibraries->UpdateCommandStates();
    FLanguageTools->UpdateCommandStates();
}

void TOxvPDMainForm::SetNativeValueFormVisible(bool Visible)
{
    FNativeValueForm->setVisible(Visible);
    miNtvValueForm->setChecked(Visible);
}

// --- settings ---

TQGridColumn* TOxvPDMainForm::NativeColumn() const
{
    if (!ProjectOpen()) return nullptr;
    for (int c = 0; c < sgStrings->Columns().Count(); ++c)
        if (sgStrings->Columns().Items(c)->Data() == FProject->LangFiles().Items(0))
            return sgStrings->Columns().Items(c);
    return nullptr;
}

void TOxvPDMainForm::BuildReopenMenu()
{
    FReopenMenu->clear();
    FRecent = LoadRecentProjects(ProjectOpen() ? FProject->NativeFileName() : QString());
    for (const TRecentProject& entry : FRecent) {
        QAction* action = FReopenMenu->addAction(RecentProjectCaption(entry));
        connect(action, &QAction::triggered, this,
                [this, entry] { Guard([&] { OpenProjectFile(entry.File, false, entry.Library); }); });
    }
    FReopenMenu->menuAction()->setVisible(!FRecent.isEmpty());
}

bool TOxvPDMainForm::LoadProjectDesktop()
{
    const QString native = FProject->NativeFileName();
    const TProjectDesktopFile file(native);
    if (!file.Exists()) return false;
    TProjectDesktop desktop = file.Read(FOptions.OpenList);
    sgStrings->Columns().Items(0)->SetWidth(desktop.FixedWidth);
    sgStrings->SetDefaultRowHeight(desktop.RowHeight);
    FTreeCombo->SelectSectionText(desktop.Section);
    FProject->SetPEFileName(ResolvePEFileName(FProject->PEFileName(), desktop.PEFileName, native));
    LoadColumnSettings(NativeColumn());

    // A language that fails stays out and the others open; what failed is
    // said once, after them all.
    QStringList failures;
    for (const QString& extension : desktop.Languages) {
        const QString name = LanguageFileOfExtension(native, extension);
        if (FProject->LangAlreadyOpen(QFileInfo(name).fileName())) continue;
        try {
            FProject->OpenLanguage(name, false);
        } catch (const EVocabrixError& e) {
            desktop.LanguageFailed(FProject->LangFiles().Count());
            failures << LanguageOpenError(name, e);
            continue;
        }
        TQGridColumn* column = AddLanguageColumn(FProject->LangFiles().Items(FProject->LangFiles().Count() - 1));
        if (!FOptions.OpenList) LoadColumnSettings(column);
    }

    if (!failures.isEmpty()) Prompt().Message(mkError, failures.join(QStringLiteral("\r\n\r\n")), mbOK, mrOk);

    TLPFilter& filter = FProject->Filter();
    filter.SetLangIndex(std::clamp(desktop.FilterLangIndex, 0, FProject->LangFiles().Count() - 1));
    filter.SetShowTranslated(desktop.ShowTranslated);
    filter.SetShowUntranslated(desktop.ShowUntranslated);
    filter.SetRegExp(desktop.RegExp);
    filter.SetShowHidden(true);
    filter.SetUntranslatableOnly(desktop.UntranslatableOnly);
    filter.Properties().SetShowTextual(desktop.ShowTextual || !desktop.ShowNontextual);
    filter.Properties().SetShowNontextual(desktop.ShowNontextual);
    TLPSorting& sorting = FProject->Sorting();
    const bool sortable = desktop.SortLangIndex < FProject->LangFiles().Count();
    sorting.SetSortOrder(sortable ? desktop.SortOrder : soNone);
    sorting.SetLangIndex(sortable ? desktop.SortLangIndex : 0);
    sorting.SetLocaleID(desktop.SortLocale);

    TQGridColumn* nativeColumn = NativeColumn();
    if (desktop.NativeGridIndex) {
        try {
            nativeColumn->SetGridIndex(*desktop.NativeGridIndex);
        } catch (const EVocabrixError&) {
        }
    }
    if (sgStrings->Columns().Count() > 2) {
        nativeColumn->SetVisible(desktop.ShowNative);
        chbShowNative->setChecked(desktop.ShowNative);
    }
    return true;
}

void TOxvPDMainForm::SaveProjectDesktop()
{
    TProjectDesktopFile file(FProject->NativeFileName());
    TProjectDesktop desktop;
    const TQGridColumn* nativeColumn = NativeColumn();
    desktop.ShowNative = nativeColumn && nativeColumn->Visible();
    desktop.FixedWidth = sgStrings->Columns().Count() > 0 ? sgStrings->Columns().Items(0)->Width() : 150;
    desktop.RowHeight = sgStrings->DefaultRowHeight();
    desktop.PEFileName = FProject->PEFileName();
    if (nativeColumn && nativeColumn->GridIndex() >= 0) desktop.NativeGridIndex = nativeColumn->GridIndex();
    for (int c = 0; c < sgStrings->VisibleColCount(); ++c)
        if (const TLangFile* lang = ColumnFile(c); lang && !lang->IsNative())
            desktop.Languages << LanguageExtension(lang->FileName());
    const TLPFilter& filter = FProject->Filter();
    desktop.ShowTranslated = filter.ShowTranslated();
    desktop.ShowUntranslated = filter.ShowUntranslated();
    desktop.FilterLangIndex = filter.LangIndex();
    desktop.RegExp = filter.RegExp();
    desktop.Section = FTreeCombo->SectionKey(FTreeCombo->SelectedNode());
    desktop.ShowHidden = filter.ShowHidden();
    desktop.UntranslatableOnly = filter.UntranslatableOnly();
    desktop.ShowTextual = filter.Properties().ShowTextual();
    desktop.ShowNontextual = filter.Properties().ShowNontextual();
    desktop.SortOrder = FProject->Sorting().SortOrder();
    desktop.SortLangIndex = FProject->Sorting().LangIndex();
    desktop.SortLocale = FProject->Sorting().LocaleID();
    file.Write(desktop);
    for (int c = 1; c < sgStrings->Columns().Count(); ++c) {
        TQGridColumn* column = sgStrings->Columns().Items(c);
        if (const auto* lang = static_cast<const TLangFile*>(column->Data())) {
            TColumnSettings settings;
            settings.Width = column->Width();
            settings.FontName = column->Font().Font.family();
            settings.FontCharSet = LocaleCharset(lang->Locale());
            settings.FontSize = column->Font().Font.pointSize();
            settings.FontStyle = FontStyleOf(column->Font().Font);
            settings.KbLayout = quint32(lang->KeyboardLayout());
            settings.ImeName = column->ImeName();
            settings.ImeMode = column->ImeMode();
            settings.RepLocale = lang->RepLocale();
            settings.AskRepLocale = lang->AskRepLocale();
            file.WriteColumn(LanguageExtension(lang->FileName()), settings);
        }
    }
    file.Save(); // the editor goes on without it
}

void TOxvPDMainForm::SaveColumnSettings(TQGridColumn* Column)
{
    // The whole desktop is written; it holds this column's section.
    (void)Column;
    SaveProjectDesktop();
}

void TOxvPDMainForm::LoadColumnSettings(TQGridColumn* Column)
{
    auto* lang = Column ? static_cast<TLangFile*>(Column->Data()) : nullptr;
    if (!lang) return;
    const TColumnSettings defaults =
        DefaultColumnSettings(lang->Locale(), DefaultGridFont.family(), DefaultGridFont.pointSize());
    const TProjectDesktopFile file(FProject->NativeFileName());
    const TColumnSettings settings =
        file.Exists() ? file.ReadColumn(LanguageExtension(lang->FileName()), defaults) : defaults;
    Column->SetWidth(settings.Width);
    QFont font = DefaultGridFont;
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

void TOxvPDMainForm::ShowOptions()
{
    TdlgOptions dialog(this);
    dialog.SetSettings(FSettings);
    dialog.SetGridFont(DefaultGridFont, 1);
    const QString repository = FRepository->Repository() ? FRepository->RepositoryPath() : QString();
    dialog.SetRepositoryPath(repository);
    if (TUiLanguage* language = TUiLanguage::Current()) language->FillOptions(dialog);
    dialog.SetHelpHandler([] { OpenHelpTopic(QStringLiteral("grid.html#options")); });
    if (dialog.exec() != QDialog::Accepted) return;
    FSettings = dialog.Settings();
    if (const QString path = dialog.RepositoryPage()->Path(); path != QDir::toNativeSeparators(repository)) {
        FSettings.RepositoryPath = path;
        FRepository->OpenRepository(path);
    }
    SaveOptions(FSettings);
    SaveLibraryPath(FSettings.LibraryPath);
    if (TUiLanguage* language = TUiLanguage::Current()) language->ApplyOptions(dialog);
    DefaultGridFont = dialog.GridFont();
    SaveGridFont(FontSettingsOf(DefaultGridFont, dialog.GridFontCharset()));
    ApplySettings();
    RefreshGrid();
    FSuggestions->CurrentChanged(); // with the new threshold and count
}
