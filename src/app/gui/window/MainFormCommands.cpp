// The main window's parts and commands: the grid and its controller, the
// commands classes wired to the window, the window's own actions, menus, tool
// bar, filter panel and status bar, and the rules that enable the commands.

#include "app/gui/window/MainForm.h"

#include "app/gui/commands/ExchangeCommands.h"
#include "app/gui/commands/ExternalCommands.h"
#include "app/gui/commands/ExtractCommands.h"
#include "app/gui/commands/HelpCommands.h"
#include "app/gui/commands/LanguageToolCommands.h"
#include "app/gui/commands/LibraryCommands.h"
#include "app/gui/commands/PreviewCommands.h"
#include "app/gui/commands/ProjectCommands.h"
#include "app/gui/commands/RepositoryCommands.h"
#include "app/gui/commands/SearchCommands.h"
#include "app/gui/commands/UndoCommands.h"
#include "app/gui/commands/WebCommands.h"
#include "app/gui/panels/SuggestionsPanel.h"
#include "app/gui/window/NativeValueWindow.h"
#include "app/gui/window/TreeCombo.h"
#include "app/gui/window/UiLanguage.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kTitle = QStringLiteral("Phrase Desk");

TPrompt& Prompt() { return DefaultPrompt(); }

} // namespace

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
    TMainGridHost host;
    host.Debug = FOptions.Debug;
    host.UpdateCommandStates = [this] { UpdateCommandStates(); };
    host.UpdateCellCommandStates = [this](int ACol, int ARow) { UpdateCellCommandStates(ACol, ARow); };
    host.UpdateStatusText = [this](int ACol, int ARow) { UpdateStatusText(ACol, ARow); };
    host.CurrentCellChanged = [this](int ARow) {
        FNativeValueForm->SetText(FGrid->NativeText(ARow));
        if (FSuggestions && FGrid->RowItem(ARow)) FSuggestions->CurrentChanged();
    };
    host.SelectionChanged = [this](int ACol, int ARow) {
        if (sgStrings->ActiveColumn()) FStatusFont = sgStrings->ActiveColumn()->Font().Font;
        UpdateCellCommandStates(ACol, ARow);
        UpdateStatusText(ACol, ARow);
        UpdateCommandStates();
    };
    host.CellChanged = [this](int ACol, int ARow) { FRepository->CellChanged(ACol, ARow); };
    host.Availability = [this](int ACol, int ARow) { return FRepository->Availability(ACol, ARow); };
    host.EditorSelChange = [this] { EditorSelChange(); };
    host.ChooseSection = [this] {
        edSection->setFocus();
        ChooseSection();
    };
    host.ContextPopup = [this](int X, int Y) { ShowPopup(X, Y); };
    host.EditMultiLine = [this] { EditCellMultiLine(); };
    host.Guard = [this](const std::function<void()>& Command) { Guard(Command); };
    FGrid = std::make_unique<TMainGridController>(sgStrings, FProject.get(), &FSettings, std::move(host));
}

void TOxvPDMainForm::CreateCommands()
{
    FSearch = new TSearchCommands(this, sgStrings, FProject.get(), &Prompt(),
                                  TSearchHost{[this] { UpdateCommandStates(); }, [this] { UpdateStatusText(); },
                                              [this] { FGrid->RefreshGrid(); },
                                              [this] { return FSettings.UseReplaceTb; }, &FSettings.CellEditDialog,
                                              [this](const std::function<void()>& Edits) { FGrid->BulkEdit(Edits); }});
    FGrid->AutoTranslateIdentical = [this](int ACol, const QString& OldText, const QString& NewText,
                                           const QString& NativeText) {
        FSearch->AutoTranslateIdentical(ACol, OldText, NewText, NativeText);
    };
    FGrid->TranslateIdenticalAlong = [this](const std::vector<TIdenticalEdit>& Edits) {
        FSearch->TranslateIdenticalAlong(Edits);
    };
    FExchange = new TExchangeCommands(this, FProject.get(), &Prompt(),
                                      TExchangeHost{[this] { return FGrid->ActiveLangFile(); },
                                                    [this] { return !sgStrings->MultiColsSelected(); },
                                                    [this] {
                                                        FTreeCombo->FillExternal(*FProject);
                                                        FGrid->RefreshGrid();
                                                    },
                                                    [this] {
                                                        if (TQGridColumn* column = sgStrings->ActiveColumn())
                                                            FGrid->UpdateColumnCaption(column);
                                                    }});
    FRepository = new TRepositoryCommands(
        this, sgStrings, FProject.get(), &Prompt(),
        TRepositoryHost{[this] { UpdateCommandStates(); }, [this] { FGrid->RefreshGrid(); },
                        [this](int ACol, int ARow, const QString& Text) { FGrid->EditCell(ACol, ARow, Text); },
                        [this](int ACol) { return FGrid->ColumnFile(ACol); },
                        [this](int ARow) { return FGrid->RowItem(ARow); },
                        [this]() -> const TEditorSettings& { return FSettings; },
                        [this](TUiString Task) { FStatusBar->ShowTask(Task); }, FOptions.Debug});
    FWeb = new TWebCommands(
        this, sgStrings, FProject.get(), &Prompt(), &FSettings,
        TWebHost{[this](int ACol) { return FGrid->ColumnFile(ACol); },
                 [this](int ARow) { return FGrid->RowItem(ARow); }, [this](int ACol) { return FGrid->Writable(ACol); },
                 [this] { return FGrid->SomeSelectedCellEditable(); },
                 [this](int ACol, int ARow, const QString& Text) { FGrid->EditCell(ACol, ARow, Text); },
                 [this](int ACol, int ARow) { UpdateCellCommandStates(ACol, ARow); },
                 [this](int ACol) { FGrid->UpdateColumnCaption(sgStrings->VisibleColumn(ACol)); },
                 [this] { FGrid->RefreshGrid(); }, [this](const std::function<void()>& Command) { Guard(Command); }});
    FSuggestions = new TSuggestionsPanel(
        this, TSuggestionsHost{[this] { return FRepository->Repository(); }, [this] { return sgStrings->Col(); },
                               [this] { return sgStrings->Row(); }, [this](int ARow) { return FGrid->RowItem(ARow); },
                               [this](int ACol) { return FGrid->ColumnFile(ACol); },
                               [this] { return ProjectOpen() ? int(FProject->LangFiles()[0]->Locale()) : 0; },
                               [this](int ACol) { return FGrid->Writable(ACol); },
                               [this](int ACol, int ARow, const QString& Text) {
                                   const TUndoScope step(FProject->UndoStack(), usStepSuggestion);
                                   FGrid->EditCell(ACol, ARow, Text);
                               },
                               [this]() -> const TEditorSettings& { return FSettings; }});
    FExtract = new TExtractCommands(
        this, &Prompt(),
        TExtractHost{[this] { return ProjectOpen() ? FProject->LangFiles().Items(0)->FileName() : QString(); },
                     [this] { return CloseProjectFile(); },
                     [this](const QString& FileName) { OpenProjectFile(FileName, true, false); }});
    FPreview = new TPreviewCommands(this, sgStrings, FProject.get(), &Prompt(),
                                    TPreviewHost{[this](int ARow) { return FGrid->RowItem(ARow); },
                                                 [this] { return FGrid->ActiveLangFile(); },
                                                 [this] { return FTreeCombo->SelectedSection() == ssForms; }});
    FProjectTools = new TProjectToolCommands(
        this, FProject.get(), &Prompt(), &FSettings,
        TProjectToolsHost{[this] { return FGrid->SelectedLanguages(); },
                          [this] { return FGrid->ActiveLangFile() != nullptr; },
                          [this] { return miCloseLanguage->isEnabled(); }, [this] { FGrid->UpdateCaptions(); },
                          [this] { UpdateCommandStates(); },
                          [this](const std::function<void()>& Command) { Guard(Command); }, FOptions.Debug});
    FHelp = new THelpCommands(this);
    FLanguageTools = new TLanguageToolCommands(
        this, sgStrings, FProject.get(),
        TLanguageToolsHost{[this] { return FGrid->ActiveLangFile(); },
                           [this] {
                               const TLangFile* file = FGrid->ActiveLangFile();
                               return file && !file->IsNative() && FGrid->Writable(sgStrings->Col());
                           },
                           [this] { return FGrid->ActiveLangFile() && FGrid->ActiveLangFile()->IsNative(); },
                           [this](const QFont& Font) { FNativeValueForm->SetTextFont(Font); },
                           [this] { FGrid->RefreshGrid(); }, [this] { UpdateCommandStates(); },
                           [this] { SaveProjectDesktop(); },
                           [this](const std::function<void()>& Command) { Guard(Command); }});
    FLibraries =
        new TLibraryCommands(this, FProject.get(), &Prompt(), &FSettings,
                             TLibraryHost{[this](const QString& File) { OpenProjectFile(File, true, true); },
                                          [this] { return FGrid->ActiveLangFile() && !sgStrings->MultiColsSelected(); },
                                          [this] {
                                              FGrid->UpdateCaptions();
                                              FGrid->RefreshGrid();
                                          },
                                          [this](const std::function<void()>& Command) { Guard(Command); }});
    FTreeCombo = new TfrmTreeCombo(this);
    FExternal = new TExternalCommands(
        this, FProject.get(), &Prompt(), FTreeCombo,
        TExternalHost{[this] { return FGrid->SelectedItems(); }, [this] { return FGrid->RowItem(sgStrings->Row()); },
                      [this] { sgStrings->EndEditing(); }, [this] { FGrid->RefreshGrid(); },
                      [this] { UpdateCommandStates(); }, [this] { FGrid->UpdateColumnCaption(FGrid->NativeColumn()); },
                      [this] { SectionChange(FTreeCombo->SelectedNode()); },
                      [this](const std::function<void()>& Command) { Guard(Command); }});
    FUndo = new TUndoCommands(this, FProject.get(),
                              TUndoHost{[this] { return FGrid->EditorClipboard("undo"); },
                                        [this] { return FGrid->EditorClipboard("redo"); },
                                        [this](const TUndoStep& Step) {
                                            if (!Step.ExtChanges().empty()) FTreeCombo->FillExternal(*FProject);
                                            FGrid->ShowChangedCells(Step);
                                        },
                                        [this](const std::function<void()>& Command) { Guard(Command); }});
    FTreeCombo->SetOnChange([this](QTreeWidget*, QTreeWidgetItem* Node) { Guard([&] { SectionChange(Node); }); });
    FTreeCombo->SetOnFormHide([this] { sgStrings->setFocus(); });
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
        FGrid->SetAllowSelectEvents(true);
        Prompt().Message(mkError, e.Message(), mbOK, mrOk);
    } catch (const std::exception& e) {
        FGrid->SetAllowSelectEvents(true);
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

    miCut = AddAction(nullptr, "miCut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X), [this] { FGrid->CutToClipbrd(); });
    miCopy =
        AddAction(nullptr, "miCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C), [this] { FGrid->CopyToClipbrd(); });
    miPaste = AddAction(nullptr, "miPaste", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V),
                        [this] { FGrid->PasteFromClipbrd(); });
    miSelectAll = AddAction(nullptr, "miSelectAll", "Select &All", QKeySequence(Qt::CTRL | Qt::Key_A),
                            [this] { FGrid->SelectAll(); });
    miDuplicatePrev = AddAction(nullptr, "miDuplicatePrev", "Duplicate prev&ious cell",
                                QKeySequence(Qt::CTRL | Qt::Key_D), [this] { FGrid->DuplicatePrevCell(); });
    miCopyName = AddAction(nullptr, "miCopyName", "Copy Name", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_C),
                           [this] { FGrid->CopyNameToClipbrd(); });
    miTranslated = AddAction(nullptr, "miTranslated", "Is &Translated", QKeySequence(Qt::CTRL | Qt::Key_U),
                             [this] { FGrid->ToggleTranslated(); });
    miUntranslatable =
        AddAction(nullptr, "miUntranslatable", "Is &Untranslatable", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_I),
                  [this] { FGrid->ToggleUntranslatable(); });
    miVerified = AddAction(nullptr, "miVerified", "Is &Verified", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_V),
                           [this] { FGrid->ToggleVerified(); });
    miRevert = AddAction(nullptr, "miRevert", "Revert to Ori&ginal", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_R),
                         [this] { FGrid->RevertToOriginal(); });
    miRefresh = AddAction(nullptr, "miRefresh", "&Refresh", QKeySequence(Qt::Key_F5), [this] { FGrid->RefreshGrid(); });
    miNtvValueForm =
        AddAction(nullptr, "miNtvValueForm", "Show &native value form", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_N),
                  [this] { SetNativeValueFormVisible(!FNativeValueForm->isVisible()); });
    for (QAction* a : {miTranslated, miUntranslatable, miVerified, miNtvValueForm}) a->setCheckable(true);

    miShowTranslated =
        AddAction(nullptr, "miShowTranslated", "&Translated", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_T),
                  [this] { FGrid->ShowStates(true, false); });
    miShowUntranslated =
        AddAction(nullptr, "miShowUntranslated", "&Untranslated", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_U),
                  [this] { FGrid->ShowStates(false, true); });
    miShowBoth = AddAction(nullptr, "miShowBoth", "&Both", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_B),
                           [this] { FGrid->ShowStates(true, true); });
    miShowUntrOnly = AddAction(nullptr, "miShowUntrOnly", "Untranslatable &Only", {},
                               [this] { FGrid->SetUntranslatableOnly(!FProject->Filter().UntranslatableOnly()); });
    miShowTextual =
        AddAction(nullptr, "miShowTextual", "Te&xtual properties", {}, [this] { FGrid->ShowKinds(true, false); });
    miShowNontextual = AddAction(nullptr, "miShowNontextual", "&Non-Textual properties", {},
                                 [this] { FGrid->ShowKinds(false, true); });
    miAllTypes = AddAction(nullptr, "miAllTypes", "&All types", {}, [this] { FGrid->ShowKinds(true, true); });
    // The pop-up spells the kind items its own way.
    pmShowTextual =
        AddAction(nullptr, "pmShowTextual", "Te&xtual properties", {}, [this] { FGrid->ShowKinds(true, false); });
    pmShowNontextual = AddAction(nullptr, "pmShowNontextual", "&Non-textual properties", {},
                                 [this] { FGrid->ShowKinds(false, true); });
    pmAllTypes = AddAction(nullptr, "pmAllTypes", "&All types", {}, [this] { FGrid->ShowKinds(true, true); });
    miSortAsc = AddAction(nullptr, "miSortAsc", "&Ascending", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_A),
                          [this] { FGrid->SortBy(soAsc); });
    miSortDsc = AddAction(nullptr, "miSortDsc", "&Descending", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_D),
                          [this] { FGrid->SortBy(soDsc); });
    miSortOriginal = AddAction(nullptr, "miSortOriginal", "&Original order",
                               QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_O), [this] { FGrid->SortBy(soNone); });
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
    FEditMenu->addActions({FUndo->miUndo, FUndo->miRedo});
    FEditItems << FUndo->miUndo << FUndo->miRedo << FEditMenu->addSeparator();
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
    connect(chbShowNative, &QCheckBox::toggled, this,
            [this](bool On) { Guard([this, On] { FGrid->SetShowNative(On); }); });
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
    FStatusBar = std::make_unique<TMainStatusBar>(statusBar());
    statusBar()->addPermanentWidget(FRepository->IndexBar());
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

    const TLangFile* active = FGrid->ActiveLangFile();
    const int activeIndex = active ? active->LangIndex() : -1;
    const bool oneCol = !sgStrings->MultiColsSelected();
    const TGridRect sel = sgStrings->Selection();
    bool someWritable = false, someLanguage = false;
    for (int c = std::max(sel.Left, 0); c <= sel.Right && c < sgStrings->VisibleColCount(); ++c) {
        const TLangFile* file = FGrid->ColumnFile(c);
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

void TOxvPDMainForm::UpdateCellCommandStates(int ACol, int ARow)
{
    bool languages = false;
    for (int c = 0; c < sgStrings->VisibleColCount(); ++c) languages = languages || FGrid->ColumnFile(c);
    const bool usable = languages && sgStrings->RowCount() > 0;
    const bool oneCol = !sgStrings->MultiColsSelected();
    const bool writable = FGrid->Writable(ACol);
    const TSelectionMarks marks = FGrid->SelectionMarks();
    bool anyTranslated = false;
    if (usable && writable) {
        const TGridRect sel = sgStrings->Selection();
        const int index = FGrid->ColumnFile(ACol)->LangIndex();
        for (int r = sel.Top; r <= sel.Bottom && !anyTranslated; ++r) {
            const TLocItem* item = FGrid->RowItem(r);
            const bool readOnly = sgStrings->GetCellOptions(ACol, r) & voReadOnly;
            anyTranslated = (!readOnly || item->Values().Items(index)->Attribute(vaVerified)) &&
                            item->IsTranslated(index) && !item->Attribute(vaUntranslatable);
        }
    }
    const bool editable = usable && oneCol && writable && FGrid->SomeSelectedCellEditable();
    for (QAction* a : {miCopy, miCut, miSelectAll}) a->setEnabled(usable);
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    miPaste->setEnabled(usable && mime && mime->hasText() && ARow >= 0);
    miDuplicatePrev->setEnabled(usable && !sgStrings->MultiRowsSelected() && !sgStrings->MultiColsSelected());
    miRevert->setEnabled(editable);
    miTranslated->setEnabled(editable);
    miTranslated->setChecked(marks.Translated);
    miVerified->setEnabled(usable && oneCol && writable && anyTranslated);
    miVerified->setChecked(marks.Verified);
    miUntranslatable->setEnabled(usable);
    miUntranslatable->setChecked(marks.Untranslatable);
}

void TOxvPDMainForm::EditorSelChange()
{
    if (!sgStrings->Editing() || !FGrid->Writable(sgStrings->Col())) return;
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    const bool selection = sgStrings->GetInplaceEditor()->SelLength() > 0;
    miPaste->setEnabled(mime && mime->hasText());
    miCopy->setEnabled(selection);
    miCut->setEnabled(selection);
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

void TOxvPDMainForm::SetNativeValueFormVisible(bool Visible)
{
    FNativeValueForm->setVisible(Visible);
    miNtvValueForm->setChecked(Visible);
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
