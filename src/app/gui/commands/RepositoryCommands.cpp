#include "app/gui/commands/RepositoryCommands.h"

#include "app/gui/dialogs/FileChooser.h"
#include "app/gui/dialogs/repository/RepExportDialog.h"
#include "app/gui/dialogs/repository/RepImportMSGlossaryDialog.h"
#include "app/gui/dialogs/repository/RepRefreshDialog.h"
#include "app/gui/dialogs/repository/RepositoryForm.h"
#include "app/gui/grid/QStringGrid.h"
#include "app/gui/window/ProgressForm.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "exchange/Exchange.h"
#include "langfile/LEProject.h"
#include "repository/LangRepository.h"
#include "repository/RepositoryExchange.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QProgressBar>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QTimer>

namespace {

} // namespace

TRepositoryOptions RepositoryOptionsOf(const TEditorSettings& S)
{
    TRepositoryOptions o;
    o.TranslateAll = S.RepTranslateAll;
    o.AutoTranslate = S.RepAutoTranslate;
    o.AutoRefreshByCell = S.RepAutoRefreshByCell;
    o.RefreshExisting = S.RepRefreshExisting;
    o.AskTranslating = S.RepAskTranslating;
    o.AddTheSame = S.RepAddTheSame;
    o.Smart = S.RepSmart;
    o.IndicateInGrid = S.RepIndicateInGrid;
    return o;
}

TRepositoryCommands::TRepositoryCommands(QWidget* AWindow, TQStringGrid* AGrid, TLEProject* AProject, TPrompt* APrompt,
                                         TRepositoryHost AHost)
    : QObject(AWindow), FWindow(AWindow), FGrid(AGrid), FProject(AProject), FPrompt(APrompt), FHost(std::move(AHost))
{
    FIndexTimer = new QTimer(this);
    FIndexTimer->setInterval(500);
    connect(FIndexTimer, &QTimer::timeout, this, &TRepositoryCommands::PollIndex);
    FIndexBar = new QProgressBar;
    FIndexBar->setObjectName(QStringLiteral("pbIndex"));
    FIndexBar->setFixedWidth(160);
    FIndexBar->setTextVisible(false);
    FIndexBar->hide();
    FRefreshDialog = new TdlgRepRefresh(AWindow);
    FLanguageDialog = new TdlgRepRefreshLang(AWindow);
}

TRepositoryForm* TRepositoryCommands::Browser() const { return FBrowser; }

TRepositoryCommands::~TRepositoryCommands()
{
    delete FBrowser;
    // The bar belongs to the status bar once placed there.
    if (!FIndexBar->parent()) delete FIndexBar;
}

QAction* TRepositoryCommands::NewAction(const char* Name, const QString& Text, const QKeySequence& Key,
                                        void (TRepositoryCommands::*Handler)())
{
    auto* a = new QAction(Text, this);
    a->setObjectName(QLatin1String(Name));
    if (!Key.isEmpty()) a->setShortcut(Key);
    connect(a, &QAction::triggered, this, [this, Handler] {
        try {
            (this->*Handler)();
        } catch (const EVocabrixError& e) {
            FPrompt->Message(mkError, e.Message(), mbOK, mrOk);
        } catch (const std::exception& e) {
            FPrompt->Message(mkError, QString::fromLocal8Bit(e.what()), mbOK, mrOk);
        }
        FHost.UpdateCommandStates();
    });
    return a;
}

void TRepositoryCommands::AddRepositoryActions(QMenu* Menu)
{
    miRepairRepository =
        NewAction("miRepairRepository", "Repair repositor&y", {}, &TRepositoryCommands::RepairRepository);
    miPackRepository = NewAction("miPackRepository", "&Pack repository", {}, &TRepositoryCommands::PackRepository);
    miRepAddCell =
        NewAction("miRepAddCell", "&Add Cell", QKeySequence(Qt::CTRL | Qt::Key_L), &TRepositoryCommands::AddCell);
    miRepRefreshLang =
        NewAction("miRepRefreshLang", "&Refresh by Language", {}, &TRepositoryCommands::RefreshByLanguage);
    miRepTranslateCell = NewAction("miRepTranslateCell", "Translate &Cell", QKeySequence(Qt::CTRL | Qt::Key_T),
                                   &TRepositoryCommands::TranslateCell);
    miRepTranslateLang = NewAction("miRepTranslateLang", "Translate A&ll", {}, &TRepositoryCommands::TranslateAll);
    miImportMSGlossary =
        NewAction("miImportMSGlossary", "Import MS &Glossary...", {}, &TRepositoryCommands::ImportMSGlossary);
    miShowRepository = NewAction("miShowRepository", "&Show Repository", {}, &TRepositoryCommands::ShowRepository);
    miRepExportXML = NewAction("miRepExportXML", "&Export XML...", {}, &TRepositoryCommands::ExportXML);
    miRepExportTMX = NewAction("miRepExportTMX", "Export TM&X...", {}, &TRepositoryCommands::ExportTMX);
    miRepImport = NewAction("miRepImport", "&Import XML/TMX...", {}, &TRepositoryCommands::ImportXMLTMX);
    Menu->addActions({miRepairRepository, miPackRepository});
    Menu->addSeparator();
    Menu->addActions({miRepAddCell, miRepRefreshLang});
    Menu->addSeparator();
    Menu->addActions({miRepTranslateCell, miRepTranslateLang});
    Menu->addSeparator()->setObjectName(QStringLiteral("miRepExchange"));
    Menu->addActions({miRepImport, miImportMSGlossary, miRepExportXML, miRepExportTMX});
    Menu->addSeparator();
    Menu->addAction(miShowRepository);
    UpdateCommandStates();
}

void TRepositoryCommands::AddPopupActions(QMenu* Popup)
{
    pmRepAddCell = NewAction("pmRepAddCell", "Add t&o Repository", {}, &TRepositoryCommands::AddCell);
    pmRepTranslateCell =
        NewAction("pmRepTranslateCell", "Translate &with Repository", {}, &TRepositoryCommands::TranslateCell);
    pmShowRepository = NewAction("pmShowRepository", "Show Repositor&y", {}, &TRepositoryCommands::ShowRepository);
    Popup->addSeparator();
    Popup->addActions({pmRepAddCell, pmRepTranslateCell, pmShowRepository});
    UpdateCommandStates();
}

TLangFile* TRepositoryCommands::ActiveFile() const
{
    return FHost.ColumnFile ? FHost.ColumnFile(FGrid->Col()) : nullptr;
}

QList<int> TRepositoryCommands::SelectedRows() const
{
    QList<int> rows;
    const TGridRect sel = FGrid->Selection();
    for (int r = std::max(sel.Top, 0); r <= sel.Bottom && r < FGrid->RowCount(); ++r) rows << r;
    return rows;
}

bool TRepositoryCommands::CellWritable(int ACol, int ARow) const
{
    const TLangFile* file = FHost.ColumnFile(ACol);
    return file && !file->ReadOnly() && !FGrid->VisibleColumn(ACol)->ReadOnly() &&
           !(FGrid->GetCellOptions(ACol, ARow) & voReadOnly);
}

void TRepositoryCommands::UpdateCommandStates()
{
    if (!miShowRepository) return;
    const bool open = FRep && FRep->Active();
    const bool writable = open && !FRep->ReadOnly();
    const TLangFile* active = ActiveFile();
    const bool oneCol = !FGrid->MultiColsSelected();
    const bool language = open && active && !active->IsNative() && oneCol;
    bool someCell = false;
    if (language && FGrid->RowCount() > 0)
        for (int r : SelectedRows()) someCell = someCell || CellWritable(FGrid->Col(), r);
    miRepairRepository->setVisible(FHost.Debug);
    miRepairRepository->setEnabled(writable);
    miPackRepository->setEnabled(writable);
    miRepAddCell->setEnabled(language && writable);
    miRepRefreshLang->setEnabled(language && writable);
    miRepTranslateLang->setEnabled(language && !active->ReadOnly() && !FGrid->VisibleColumn(FGrid->Col())->ReadOnly());
    miRepTranslateCell->setEnabled(someCell);
    miImportMSGlossary->setEnabled(writable);
    miRepExportXML->setEnabled(open);
    miRepExportTMX->setEnabled(open);
    miRepImport->setEnabled(writable);
    miShowRepository->setEnabled(open);
    if (pmRepAddCell) {
        pmRepAddCell->setEnabled(miRepAddCell->isEnabled());
        pmRepTranslateCell->setEnabled(someCell);
        pmShowRepository->setEnabled(open);
    }
}

// ---------------------------------------------------------------- opening

void TRepositoryCommands::OpenRepository(const QString& Path)
{
    delete FBrowser;
    FIndexTimer->stop();
    FIndexBar->hide();
    if (FHost.ShowTask) FHost.ShowTask(usNone);
    FRep.reset();
    FPath = Path;
    try {
        auto rep = NewRepository(IsRepositoryConnection(Path) ? Path : QDir::fromNativeSeparators(Path));
        rep->SetFuzzyLookups(true); // the suggestions panel's
        if (!rep->OpenOrCreate()) {
            // Another program writes to it: lookups work, additions wait.
            const QString message = UiString(usRepositoryReadOnly, {QDir::toNativeSeparators(Path)});
            QTimer::singleShot(0, this, [this, message] { FPrompt->Message(mkWarning, message, mbOK, mrOk); });
        }
        FRep = std::move(rep);
        FIndexBar->setRange(0, std::max(1, int(FRep->RecordCount())));
        FIndexStep = std::max<qint64>(1, FRep->RecordCount() / std::max(1, FIndexBar->width()));
        if (FHost.ShowTask) FHost.ShowTask(usCreatingIndex);
        FIndexTimer->start();
    } catch (const EVocabrixError& e) {
        // The editor goes on without a repository; the window is on screen first.
        const QString message = e.Message();
        QTimer::singleShot(0, this, [this, message] { FPrompt->Message(mkError, message, mbOK, mrOk); });
    }
    SaveRepositoryPath(Path);
    UpdateCommandStates();
}

void TRepositoryCommands::PollIndex()
{
    if (!FRep || FRep->IndexReady() || !FRep->IndexProblem().isEmpty()) {
        FIndexTimer->stop();
        FIndexBar->hide();
        if (FHost.ShowTask) FHost.ShowTask(usNone);
        if (FRep && !FRep->IndexProblem().isEmpty()) FPrompt->Message(mkError, FRep->IndexProblem(), mbOK, mrOk);
        // The availability marks can be drawn now.
        FGrid->viewport()->update();
        return;
    }
    const qint64 position = FRep->IndexPosition();
    if (ProgressMoves(FIndexBar->value(), position, FIndexBar->maximum(), FIndexStep))
        FIndexBar->setValue(int(position));
    FIndexBar->show();
}

// ---------------------------------------------------------------- questions

TRefreshReply TRepositoryCommands::AskRefresh(const TRefreshQuestion& Question)
{
    return FRefreshDialog->Ask(Question);
}

bool TRepositoryCommands::AskLanguages(TLanguageChoice& Choice) { return FLanguageDialog->Ask(Choice); }

// ---------------------------------------------------------------- commands

TRepositoryFlows TRepositoryCommands::Flows()
{
    return TRepositoryFlows(*FRep, RepositoryOptionsOf(FHost.Settings()), *FPrompt, *this);
}

bool TRepositoryCommands::WithProgress(const QString& Text, const std::function<bool()>& Work)
{
    qint64 max = FRep->RecordCount();
    const TProgressRun progress(*FPrompt, Text, max);
    // A run may go on to a part of another length (the memo blocks after the
    // records, the lines of a file): the bar starts again for it.
    FRep->OnRepositoryProgress = [&](qint64 Position, qint64 Max, bool& Stop) {
        if (Max != max) FPrompt->ProgressBegin(Text, max = Max);
        Stop = !FPrompt->ProgressStep(Position);
    };
    const auto done = qScopeGuard([this] { FRep->OnRepositoryProgress = nullptr; });
    return Work();
}

void TRepositoryCommands::RepairRepository()
{
    auto* table = dynamic_cast<TQLangRepository*>(FRep.get());
    if (!table) return; // a database server mends its own tables
    WithProgress(UiString(usRepairingRepository), [table] {
        table->Repair();
        return true;
    });
}

void TRepositoryCommands::PackRepository()
{
    if (!FRep) return;
    if (!WithProgress(UiString(usPackingRepository), [this] { return FRep->Pack(); }))
        FPrompt->Message(mkInformation, UiString(usPackingTerminated), mbOK, mrOk);
}

void TRepositoryCommands::AddCell()
{
    TLangFile* file = ActiveFile();
    if (!FRep || !file) return;
    QList<TLocItem*> items;
    for (int r : SelectedRows())
        if (TLocItem* item = FHost.RowItem(r)) items << item;
    Flows().AddCells(*FProject, file->LangIndex(), items);
    FHost.MemoryChanged();
}

void TRepositoryCommands::RefreshByLanguage()
{
    TLangFile* file = ActiveFile();
    if (!FRep || !file) return;
    Flows().RefreshByLanguage(*FProject, file->LangIndex());
    FHost.MemoryChanged();
}

void TRepositoryCommands::TranslateCell()
{
    const int col = FGrid->Col();
    TLangFile* file = ActiveFile();
    if (!FRep || !file) return;
    TRepositoryFlows flows = Flows();
    const int locNat = FProject->LangFiles()[0]->Locale();
    TRepAnswer mr = raNone;
    if (FGrid->Editing()) {
        TLocItem* item = FHost.RowItem(FGrid->Row());
        if (!item) return;
        const TLookupResult r = flows.LookupTranslation(locNat, file->Locale(), *item, file->LangIndex(), false, mr);
        if (!r.Stop && mr == raYes && !r.Translation.isEmpty()) FGrid->GetInplaceEditor()->SetText(r.Translation);
        return;
    }
    const QScopedValueRollback<bool> filling(FFilling, true);
    bool changed = false;
    for (int row : SelectedRows()) {
        TLocItem* item = FHost.RowItem(row);
        if (!item || !CellWritable(col, row)) continue;
        const TLookupResult r = flows.LookupTranslation(locNat, file->Locale(), *item, file->LangIndex(), false, mr);
        if (r.Stop || !(mr == raYes || mr == raYesToAll) || r.Translation.isEmpty()) continue;
        FHost.EditCell(col, row, r.Translation);
        // The cell counts as translated even when its text stayed.
        ApplyTranslation(*FProject, file->LangIndex(), *item, r.Translation);
        changed = true;
    }
    if (changed && file->Modified()) FGrid->viewport()->update();
}

void TRepositoryCommands::TranslateAll()
{
    TLangFile* file = ActiveFile();
    if (!FRep || !file) return;
    FGrid->EndCellEdit();
    int translated = 0;
    bool cancelled = false;
    {
        const QScopedValueRollback<bool> filling(FFilling, true);
        translated = Flows().TranslateAll(*FProject, file->LangIndex(), &cancelled);
    }
    FHost.RefreshGrid();
    // The run says what it did, and why when it did nothing.
    if (!cancelled)
        FPrompt->Message(mkInformation,
                         TranslateAllSummary(*FRep, *FProject, file->LangIndex(),
                                             LanguageExtension(file->FileName()).mid(1), translated,
                                             FHost.Settings().RepTranslateAll),
                         mbOK, mrOk);
}

void TRepositoryCommands::ImportMSGlossary()
{
    if (!FRep) return;
    TdlgRepImportMSGlossary dialog(FWindow);
    if (dialog.exec() != QDialog::Accepted) return;
    const bool done = WithProgress(UiString(usImportingGlossary), [&] {
        FRep->AddLocales({dialog.Locale1(), dialog.Locale2()});
        return FRep->ImportMSGlossary(dialog.FileName(), dialog.Locale1(), dialog.Locale2(), {});
    });
    FPrompt->Message(mkInformation, done ? UiString(usGlossaryImported) : UiString(usImportTerminated), mbOK, mrOk);
}

void TRepositoryCommands::ExportXML() { Export(false); }

void TRepositoryCommands::ExportTMX() { Export(true); }

void TRepositoryCommands::Export(bool IsTMX)
{
    if (!FRep) return;
    TdlgRepExport dialog(*FRep, *FPrompt, FWindow);
    TRepExportOptions options;
    if (!dialog.Execute(IsTMX, options)) return;
    try {
        IsTMX ? ExportToTMX(*FRep, options, *FPrompt) : ExportToXML(*FRep, options, *FPrompt);
    } catch (const EVocabrixError& e) {
        FPrompt->Message(mkError, e.Message(), mbOK, mrOk);
    }
}

void TRepositoryCommands::ImportXMLTMX()
{
    if (!FRep) return;
    static QString lastFolder;
    const QString file =
        ChooseOpenFile(FWindow, UiString(usSelectFileToImport), lastFolder.isEmpty() ? QDir::currentPath() : lastFolder,
                       FilterWithAllFiles(usXmlTmxFiles, "*.xml *.tmx"));
    if (file.isEmpty()) return;
    lastFolder = QFileInfo(file).absolutePath();
    ImportFile(file);
}

void TRepositoryCommands::ImportFile(const QString& FileName)
{
    if (!FRep) return;
    if (FPrompt->Message(mkConfirmation, UiString(usImportIntoRepository, {QDir::toNativeSeparators(FileName)}),
                         mbYesCancel, mrCancel) == mrCancel)
        return;
    try {
        TRepositoryFlows flows = Flows();
        ImportRepositoryFile(flows, FileName, *FPrompt);
    } catch (const EVocabrixError&) {
        FPrompt->Message(mkError, UiString(usImportWrongFormat), mbOK, mrOk);
    }
    FHost.RefreshGrid();
    FHost.MemoryChanged();
}

void TRepositoryCommands::ShowRepository()
{
    if (!FRep) return;
    auto* table = dynamic_cast<TQLangRepository*>(FRep.get());
    if (!table) {
        FPrompt->Message(mkInformation, UiString(usSharedRepositoryBrowse), mbOK, mrOk);
        return;
    }
    if (!FBrowser) FBrowser = new TRepositoryForm(table, *FPrompt, FWindow);
    // A browser left minimised comes back in view too.
    FBrowser->setWindowState(FBrowser->windowState() & ~Qt::WindowMinimized);
    FBrowser->show();
    FBrowser->raise();
    FBrowser->activateWindow();
}

// ---------------------------------------------------------------- edit path and marks

void TRepositoryCommands::CellChanged(int ACol, int ARow)
{
    if (FFilling || !FRep || !FHost.Settings().RepAutoRefreshByCell) return;
    TLangFile* file = FHost.ColumnFile(ACol);
    TLocItem* item = FHost.RowItem(ARow);
    if (!file || !item || file->IsNative() || FRep->ReadOnly()) return;
    Flows().AddCells(*FProject, file->LangIndex(), {item});
    FHost.MemoryChanged();
}

TRepAvailability TRepositoryCommands::Availability(int ACol, int ARow) const
{
    if (!FRep || !FHost.Settings().RepIndicateInGrid) return avNone;
    const TLangFile* cell = FHost.ColumnFile(ACol);
    const TLocItem* item = FHost.RowItem(ARow);
    if (!cell || !item) return avNone;
    const TLangFile* first = nullptr;
    for (int c = 0; c < FGrid->VisibleColCount() && !first; ++c) first = FHost.ColumnFile(c);
    if (!first) return avNone;
    return TRepositoryFlows::Availability(*FRep, first->Locale(), cell->Locale(), item->MainValue()->Value(),
                                          FHost.Settings().RepSmart);
}
