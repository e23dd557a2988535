#include "app/gui/window/MainForm.h"

#include "app/gui/commands/ProjectCommands.h"
#include "app/gui/commands/RepositoryCommands.h"
#include "app/gui/commands/UndoCommands.h"
#include "app/gui/commands/WebCommands.h"
#include "app/gui/dialogs/language/LanguagePropertiesDialog.h"
#include "app/gui/dialogs/language/LanguagesDialog.h"
#include "app/gui/dialogs/options/OptionsDialog.h"
#include "app/gui/dialogs/options/RepositoryOptionsPage.h"
#include "app/gui/grid/MultiLineEditor.h"
#include "app/gui/panels/SuggestionsPanel.h"
#include "app/gui/window/NativeValueWindow.h"
#include "app/gui/window/TreeCombo.h"
#include "app/gui/window/UiLanguage.h"
#include "app/gui/window/WindowKeys.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/FormatSymbols.h"
#include "langfile/LangCreation.h"
#include "langfile/LangFile.h"
#include "langfile/LanguageNaming.h"
#include "storage/Locales.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

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
    CreateCommands();
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
        if (!FGrid->Closing()) FNativeValueFormVisible = Visible;
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
    FGrid->SetDefaultFont(FontFromSettings(sgStrings->font(), FSettings.GridFont));
    FGrid->FormatSignature = FormatSymbols;
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
    FGrid->SetAllowSelectEvents(false);
    FGrid->SetClosing(true);
    delete sgStrings;
    sgStrings = nullptr;
}

// The settings the grid and the project follow at once.
void TOxvPDMainForm::ApplySettings()
{
    FProject->UndoStack().SetLimit(int64_t(FSettings.UndoLimitMB) << 20);
    sgStrings->SetFixedFont({FGrid->DefaultFont(), QColor()});
    QFont bold = FGrid->DefaultFont();
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

void TOxvPDMainForm::changeEvent(QEvent* Event)
{
    QMainWindow::changeEvent(Event);
    if (Event->type() != QEvent::LanguageChange) return;
    FTreeCombo->ShowTopTexts();
    if (QTreeWidgetItem* node = FTreeCombo->SelectedNode()) ShowSectionText(node);
    FGrid->UpdateSectionCaption();
    FGrid->UpdateCaptions();
    FUndo->UpdateCommandStates();
    FStatusBar->RefreshTask();
    UpdateCommandStates();
    UpdateStatusText();
    FSuggestions->Refresh();
}

void TOxvPDMainForm::closeEvent(QCloseEvent* Event)
{
    if (FGrid->Closing()) {
        Event->ignore();
        return;
    }
    FGrid->SetClosing(true);
    bool closed = false;
    Guard([&] { closed = CloseProjectFile(); });
    if (!closed) {
        FGrid->SetAllowSelectEvents(true);
        FGrid->SetClosing(false);
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
}

// --- project ---

void TOxvPDMainForm::OpenProjectDialog()
{
    if (const QString file = ChooseProjectFile(this, FSettings.WorkDir); !file.isEmpty())
        OpenProjectFile(file, true, false);
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
            hint = FGrid->ReadOnlyText(cell.X);
        if (!hint.isEmpty())
            QToolTip::showText(help->globalPos(), hint, sgStrings);
        else
            QToolTip::hideText();
        return true;
    }
    // Entering and leaving the grid; a menu or pop-up taking the keyboard is neither.
    if (Watched == sgStrings && (Event->type() == QEvent::FocusIn || Event->type() == QEvent::FocusOut) &&
        static_cast<QFocusEvent*>(Event)->reason() != Qt::PopupFocusReason && !FGrid->Closing() && sgStrings) {
        UpdateCommandStates();
        UpdateCellCommandStates(sgStrings->Col(), sgStrings->Row());
        if (Event->type() == QEvent::FocusOut && !sgStrings->Editing() &&
            !sgStrings->isAncestorOf(QApplication::focusWidget())) {
            FStatusBar->Clear(FStatusFont);
        } else if (Event->type() == QEvent::FocusIn) {
            UpdateStatusText();
        }
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TOxvPDMainForm::CloseProjectCommand()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FGrid->SetClosing(true);
    const auto restore = qScopeGuard([this] {
        FGrid->SetClosing(false);
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

    FGrid->SetAllowSelectEvents(false);
    try {
        FProject->Open(FileName, Library, false);
        TQGridColumn* names = sgStrings->Columns().Add();
        names->SetCaption(UiString(usSectionProperties));
        names->SetReadOnly(true);
        names->SetWidth(150);
        FGrid->AddLanguageColumn(FProject->LangFiles().Items(0))->SetCaption(UiString(usFilterNative));
        FGrid->SetAllowSelectEvents(true);

        FTreeCombo->Fill(*FProject);
        // The first section with something in it.
        if (FProject->Forms().Count() == 0 && FProject->Units().Count() == 0 && FProject->ExtGroups().Count() > 0)
            FTreeCombo->SelectSectionText(QStringLiteral("External"));
        else if (FProject->Forms().Count() == 0 && FProject->Units().Count() > 0)
            FTreeCombo->SelectSectionText(QStringLiteral("Units"));
        UpdateCommandStates();
        FProject->SetPEFileName(QString());
        FGrid->SetAllowSelectEvents(false);
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
        FGrid->SetAllowSelectEvents(false);
        ApplySectionSelection(FTreeCombo->SelectedNode());
        FGrid->FillGrid();
        if (!desktopExisted) {
            FGrid->SetAllowSelectEvents(true);
            try {
                OpenLanguagesDialog(NoLangMessage);
            } catch (const EVocabrixError&) {
            }
        }
        FGrid->SetNativeMarksChanged(false);
        FGrid->SetAllowSelectEvents(false);
        if (sgStrings->VisibleColCount() > 1) sgStrings->SetCol(1);
        FGrid->SetAllowSelectEvents(true);
    } catch (...) {
        FGrid->SetAllowSelectEvents(false);
        sgStrings->ClearAll();
        sgStrings->Columns().Clear();
        FTreeCombo->Clear();
        edSection->clear();
        FProject->Reinitialize();
        FGrid->SetAllowSelectEvents(true);
        UpdateCommandStates();
        throw;
    }
    BuildReopenMenu();
    UpdateCommandStates();
    if (sgStrings->RowCount() > 0) {
        FGrid->SelectCell(sgStrings->Col(), sgStrings->Row());
        FGrid->SelectionChanged();
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
    sgStrings->EndEditing();
    FGrid->SetAllowSelectEvents(false);
    chbShowNative->setChecked(true);
    bool save = FGrid->NativeMarksChanged();
    // Whatever happens below, the grid shows what is still open and reacts again.
    auto stayOpen = [this] {
        FGrid->RefreshGrid();
        FGrid->SetAllowSelectEvents(true);
        UpdateCommandStates();
        return false;
    };
    TLangFileList& files = FProject->LangFiles();
    try {
        for (int i = files.Count() - 1; i >= 1; --i) {
            TLangFile* file = files.Items(i);
            bool allow = true;
            FProject->CloseLanguage(i, allow);
            if (!allow) return stayOpen();
            for (int c = 0; c < sgStrings->Columns().Count(); ++c)
                if (sgStrings->Columns().Items(c)->Data() == file) {
                    sgStrings->Columns().Delete(c);
                    break;
                }
        }
        TLangFile* native = files.Count() > 0 ? files.Items(0) : nullptr;
        if (native && !save && !native->ReadOnly() && native->Modified()) {
            const TMsgResult answer =
                Prompt().Message(mkConfirmation, UiString(usNativeModified), mbYesNoCancel, mrCancel);
            if (answer == mrCancel) return stayOpen();
            save = answer == mrYes;
        }
        // A native file that cannot be written keeps the project open: the
        // translator has asked to keep the changes.
        if (save && native && !native->ReadOnly()) FProject->SaveLanguage(0);
    } catch (...) {
        stayOpen();
        throw;
    }
    const bool refresh = files.Count() > 0 && !FProject->IsLibrary();
    const QString peFile = FProject->PEFileName(), nativeFile = FProject->NativeFileName();
    FProject->Close(false);
    if (refresh) FProjectTools->RefreshOnClose(peFile, nativeFile);

    edSection->clear();
    FTreeCombo->Clear();
    sgStrings->ClearAll();
    sgStrings->Columns().Clear();
    FGrid->SetAllowSelectEvents(true);
    UpdateCommandStates();
    UpdateCellCommandStates(0, 0);
    UpdateStatusText();
    FNativeValueForm->SetText(QString());
    return true;
}

// --- languages ---

void TOxvPDMainForm::OpenLanguageFiles(const QStringList& Files)
{
    for (const QString& name : Files) {
        try {
            FProject->OpenLanguage(name, false);
            FGrid->AddLanguageColumn(FProject->LangFiles().Items(FProject->LangFiles().Count() - 1));
        } catch (const EVocabrixError& e) {
            Prompt().Message(mkError, LanguageOpenError(name, e), mbOK, mrOk);
        }
    }
    FGrid->RefreshGrid();
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
    FGrid->AddLanguageColumn(file);
    FGrid->RefreshGrid();
    return mrYes;
}

void TOxvPDMainForm::SaveLanguage()
{
    sgStrings->EndEditing();
    const TGridRect sel = sgStrings->Selection();
    for (int c = std::max(sel.Left, 0); c <= sel.Right && c < sgStrings->VisibleColCount(); ++c) {
        TLangFile* file = FGrid->ColumnFile(c);
        if (!file || file->ReadOnly()) continue;
        FProject->SaveLanguage(file->LangIndex());
        FGrid->UpdateColumnCaption(sgStrings->VisibleColumn(c));
    }
    UpdateCommandStates();
}

void TOxvPDMainForm::SaveAll()
{
    sgStrings->EndEditing();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([this] {
        QApplication::restoreOverrideCursor();
        FGrid->UpdateCaptions();
        UpdateCommandStates();
    });
    for (int i = 0; i < FProject->LangFiles().Count(); ++i) FProject->SaveLanguage(i);
}

void TOxvPDMainForm::CloseLanguage()
{
    sgStrings->EndEditing();
    const TGridRect sel = sgStrings->Selection();
    std::vector<TQGridColumn*> columns;
    for (int c = sel.Right; c >= std::max(sel.Left, 0); --c)
        if (c < sgStrings->VisibleColCount() && FGrid->ColumnFile(c) && !FGrid->ColumnFile(c)->IsNative())
            columns.push_back(sgStrings->VisibleColumn(c));
    const auto refresh = qScopeGuard([this] {
        if (ProjectOpen() && sgStrings->VisibleColCount() <= 1) {
            if (TQGridColumn* native = FGrid->NativeColumn()) native->SetVisible(true);
            FGrid->SetAllowSelectEvents(false);
            chbShowNative->setChecked(true);
            if (sgStrings->VisibleColCount() > 1) sgStrings->SetCol(1);
            FGrid->SetAllowSelectEvents(true);
        }
        FGrid->RefreshGrid();
    });
    for (TQGridColumn* column : columns) {
        auto* file = static_cast<TLangFile*>(column->Data());
        SaveProjectDesktop();
        bool allow = true;
        // The project moves the filter and sorting off a closed language.
        FProject->CloseLanguage(file->LangIndex(), allow);
        if (!allow) break;
        sgStrings->Columns().Delete(sgStrings->Columns().IndexOf(column));
    }
}

// --- window state ---

// --- settings ---

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
    FGrid->LoadColumnSettings(FGrid->NativeColumn());

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
        TQGridColumn* column = FGrid->AddLanguageColumn(FProject->LangFiles().Items(FProject->LangFiles().Count() - 1));
        if (!FOptions.OpenList) FGrid->LoadColumnSettings(column);
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

    TQGridColumn* nativeColumn = FGrid->NativeColumn();
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
    const TQGridColumn* nativeColumn = FGrid->NativeColumn();
    desktop.ShowNative = nativeColumn && nativeColumn->Visible();
    desktop.FixedWidth = sgStrings->Columns().Count() > 0 ? sgStrings->Columns().Items(0)->Width() : 150;
    desktop.RowHeight = sgStrings->DefaultRowHeight();
    desktop.PEFileName = FProject->PEFileName();
    if (nativeColumn && nativeColumn->GridIndex() >= 0) desktop.NativeGridIndex = nativeColumn->GridIndex();
    for (int c = 0; c < sgStrings->VisibleColCount(); ++c)
        if (const TLangFile* lang = FGrid->ColumnFile(c); lang && !lang->IsNative())
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

void TOxvPDMainForm::ShowOptions()
{
    TdlgOptions dialog(this);
    dialog.SetSettings(FSettings);
    dialog.SetGridFont(FGrid->DefaultFont(), 1);
    const QString repository = FRepository->Repository() ? FRepository->RepositoryPath() : QString();
    dialog.SetRepositoryPath(repository);
    if (TUiLanguage* language = TUiLanguage::Current()) language->FillOptions(dialog);
    if (dialog.exec() != QDialog::Accepted) return;
    FSettings = dialog.Settings();
    if (const QString path = dialog.RepositoryPage()->Path(); path != QDir::toNativeSeparators(repository)) {
        FSettings.RepositoryPath = path;
        FRepository->OpenRepository(path);
    }
    SaveOptions(FSettings);
    SaveLibraryPath(FSettings.LibraryPath);
    if (TUiLanguage* language = TUiLanguage::Current()) language->ApplyOptions(dialog);
    FGrid->SetDefaultFont(dialog.GridFont());
    SaveGridFont(FontSettingsOf(FGrid->DefaultFont(), dialog.GridFontCharset()));
    ApplySettings();
    FGrid->RefreshGrid();
    FSuggestions->CurrentChanged(); // with the new threshold and count
}

QString TOxvPDMainForm::SectionText() const { return edSection->text(); }

void TOxvPDMainForm::ShowSectionText(const QTreeWidgetItem* Node)
{
    const QTreeWidgetItem* parent = Node->parent();
    edSection->setText(parent ? TfrmTreeCombo::NodeName(parent) + QLatin1Char('.') + Node->text(0) : Node->text(0));
}

void TOxvPDMainForm::ApplySectionSelection(QTreeWidgetItem* Node)
{
    if (!Node) return;
    const TShownSection section = FTreeCombo->SectionOf(Node);
    ShowSectionText(Node);
    const QString name = Node->parent() ? TfrmTreeCombo::NodeName(Node) : QString();
    TLPFilter& filter = FProject->Filter();
    switch (section) {
    case ssForms:
        filter.Properties().SetFormName(name);
        filter.Properties().SetModified(true);
        break;
    case ssUnits:
        filter.Constants().SetUntName(name);
        filter.Constants().SetModified(true);
        break;
    case ssExternal:
        filter.ExtItems().SetGroupName(name);
        filter.ExtItems().SetModified(true);
        break;
    }
    filter.SetShownSection(section);
}

void TOxvPDMainForm::SectionChange(QTreeWidgetItem* Node)
{
    const int row = sgStrings->Row();
    // The chooser shows the node chosen here too (its index counts depth first).
    int index = 0;
    for (QTreeWidgetItemIterator it(FTreeCombo->Tree()); *it && *it != Node; ++it) ++index;
    if (FTreeCombo->SelectedNode() != Node) FTreeCombo->SetSelectedIndex(index);
    ApplySectionSelection(Node);
    edSection->setToolTip(edSection->text());
    FGrid->RefreshGrid();
    sgStrings->setFocus();
    if (row == sgStrings->Row() && row >= 0) FGrid->SelectCell(sgStrings->Col(), row);
}

void TOxvPDMainForm::ChooseSection()
{
    if (!ProjectOpen()) return;
    // Under the section edit, at least as wide as it and within the window.
    const QRect client = rect();
    FTreeCombo->SetMinWidth(edSection->width() + btnSection->width());
    FTreeCombo->SetMaxWidth(std::max(FTreeCombo->MinWidth(), client.width() - 100));
    const QPoint below = edSection->mapTo(this, QPoint(0, edSection->height()));
    FTreeCombo->SetMaxHeight(std::max(100, client.height() - 100 - below.y()));
    FTreeCombo->move(edSection->mapToGlobal(QPoint(0, edSection->height())));
    FTreeCombo->show();
}

void TOxvPDMainForm::StepSection(int Delta) { FTreeCombo->ChooseSibling(Delta); }

void TOxvPDMainForm::UpdateStatusText(int ACol, int ARow)
{
    if (ACol < 0) ACol = sgStrings->Col();
    if (ARow < 0) ARow = sgStrings->Row();
    if (sgStrings->RowCount() == 0 || ARow < 0 || ACol < 0) {
        FStatusBar->ShowNoCell(FStatusFont);
        return;
    }
    FStatusBar->ShowCell(ARow, sgStrings->RowCount(), sgStrings->GetCell(ACol, ARow), FStatusFont);
    const TLocItem* item = FGrid->RowItem(ARow);
    const TLangFile* file = FGrid->ColumnFile(ACol);
    if (item && file)
        FStatusBar->ShowRelativeLength(item->MainValue()->Value(), item->Values().Items(file->LangIndex())->Value());
    else
        FStatusBar->ShowRelativeLength(QString(), QString());
}

void TOxvPDMainForm::EditCellMultiLine()
{
    const int col = sgStrings->Col();
    const int row = sgStrings->Row();
    const TLangFile* file = FGrid->ColumnFile(col);
    if (!file || !FGrid->RowItem(row)) return;
    TQGridColumn* native = nullptr;
    for (int c = 0; c < sgStrings->Columns().Count(); ++c)
        if (sgStrings->Columns().Items(c)->Data() == FProject->LangFiles().Items(0))
            native = sgStrings->Columns().Items(c);
    FCellEditor->SetNative(FGrid->NativeText(row), native ? native->Font().Font : FGrid->DefaultFont());
    FCellEditor->SetCurrent(sgStrings->GetCell(col, row), sgStrings->VisibleColumn(col)->Font().Font,
                            FSettings.RightToLeft4ME && IsRightToLeftLocale(file->Locale()));
    const bool nativeShown = FNativeValueForm->isVisible();
    FNativeValueForm->hide();
    const bool ok = FCellEditor->exec() == QDialog::Accepted;
    if (nativeShown) FNativeValueForm->show();
    if (ok)
        FGrid->EditCell(col, row, FCellEditor->Text());
    else
        FGrid->CancelEdit(col, row);
    sgStrings->InvalidateCell(col, row);
    sgStrings->setFocus();
}
