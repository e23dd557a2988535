#include "app/gui/commands/WebCommands.h"

#include "app/EditorSettings.h"
#include "app/gui/grid/QStringGrid.h"
#include "core/DateTime.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LEProject.h"
#include "langfile/LangFile.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScopeGuard>
#include <QWidget>

namespace {

// Keeps user input away from one window (and its menus and shortcuts) while a
// command waits in a local event loop; other windows, such as the progress
// window with its Cancel, go on as usual.
class TInputBlock : public QObject {
public:
    explicit TInputBlock(QWidget* Window) : FWindow(Window) { qApp->installEventFilter(this); }
    ~TInputBlock() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        switch (Event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Close:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
            break;
        default:
            return false;
        }
        const auto* widget = qobject_cast<QWidget*>(Watched);
        // Actions receive the shortcuts of the window's menus.
        if (!widget) return Event->type() == QEvent::Shortcut && qobject_cast<QAction*>(Watched);
        return widget->window() == FWindow || qobject_cast<const QMenu*>(widget);
    }

private:
    QWidget* FWindow;
};

} // namespace

TWebCommands::TWebCommands(QWidget* AWindow, TQStringGrid* AGrid, TLEProject* AProject, TPrompt* APrompt,
                           const TEditorSettings* ASettings, TWebHost AHost)
    : QObject(AWindow), FWindow(AWindow), FGrid(AGrid), FProject(AProject), FPrompt(APrompt), FSettings(ASettings),
      FHost(std::move(AHost))
{
}

TWebCommands::~TWebCommands() = default;

void TWebCommands::AddActions(QMenu* LanguageMenu, QAction* Before, QMenu* Popup)
{
    const auto make = [this](const char* Name, const QString& Text, void (TWebCommands::*Handler)()) {
        auto* action = new QAction(Text, FWindow);
        action->setObjectName(QLatin1String(Name));
        connect(action, &QAction::triggered, this,
                [this, Handler] { FHost.Guard([this, Handler] { (this->*Handler)(); }); });
        return action;
    };
    miGoogleTranslateCell =
        make("miGoogleTranslateCell", QStringLiteral("&Translate Cell by Google"), &TWebCommands::TranslateCell);
    miGoogleTranslateCell->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    // The editor in a cell keeps its own keys; Ctrl+G reaches the command there too.
    miGoogleTranslateCell->setShortcutContext(Qt::WindowShortcut);
    miGoogleTranslateAll =
        make("miGoogleTranslateAll", QStringLiteral("Translate &All by Google"), &TWebCommands::TranslateAll);
    pmGoogleTranslateCell =
        make("pmGoogleTranslateCell", QStringLiteral("Translate &by Google"), &TWebCommands::TranslateCell);
    LanguageMenu->insertActions(Before, {miGoogleTranslateCell, miGoogleTranslateAll});
    LanguageMenu->insertSeparator(Before);
    Popup->addAction(pmGoogleTranslateCell);
}

bool TWebCommands::Configured() const { return !FSettings->GoogleAPIKey.isEmpty(); }

void TWebCommands::UpdateCommandStates()
{
    const int col = FGrid->Col();
    const TLangFile* file = FHost.ColumnFile(col);
    const bool all = Configured() && file && !file->IsNative() && FHost.Writable(col) && !FGrid->MultiColsSelected();
    const bool cell = all && FGrid->RowCount() > 0 && FHost.SomeSelectedCellEditable();
    miGoogleTranslateAll->setEnabled(all && !FRunning);
    miGoogleTranslateCell->setEnabled(cell && !FRunning);
    pmGoogleTranslateCell->setEnabled(cell && !FRunning);
}

TWebTranslatorOptions TWebCommands::Options() const
{
    TWebTranslatorOptions options;
    options.Key = FSettings->GoogleAPIKey;
    options.Host = FSettings->GoogleAPIHost;
    return options;
}

void TWebCommands::TranslateCell()
{
    if (FRunning || !Configured()) return;
    if (FGrid->Editing())
        TranslateEditor();
    else
        TranslateSelection();
}

void TWebCommands::TranslateEditor()
{
    const int col = FGrid->Col(), row = FGrid->Row();
    const TLangFile* file = FHost.ColumnFile(col);
    const TLocItem* item = FHost.RowItem(row);
    if (!file || !item) return;
    TWebTranslator translator(Options());
    FRunning = true;
    const auto done = qScopeGuard([this] { FRunning = false; });
    const TInputBlock block(FWindow);
    const TWebTranslation r =
        translator.WebTranslate(item->MainValue()->Value(), FProject->LangFiles()[0]->Locale(), file->Locale());
    if (!r.Ok() || r.ResultText.isEmpty() || !FGrid->Editing()) return;
    FGrid->GetInplaceEditor()->SetText(r.ResultText);
    FHost.UpdateCellCommandStates(col, row);
}

void TWebCommands::TranslateSelection()
{
    const int col = FGrid->Col();
    TLangFile* file = FHost.ColumnFile(col);
    if (!file || !FHost.Writable(col)) return;
    const int nativeLocale = FProject->LangFiles()[0]->Locale();
    const TGridRect sel = FGrid->Selection();
    TWebTranslator translator(Options());
    FRunning = true;
    const auto done = qScopeGuard([this] { FRunning = false; });
    const TInputBlock block(FWindow);
    const TProgressRun progress(*FPrompt, UiString(usTranslatingByGoogle), sel.Bottom - sel.Top + 1);
    qint64 position = 0;
    translator.SetCancelCheck([&] { return !FPrompt->ProgressStep(position); });
    for (int row = sel.Top; row <= sel.Bottom && row < FGrid->RowCount(); ++row) {
        position = row - sel.Top + 1;
        if (!FPrompt->ProgressStep(position)) break;
        if (FGrid->GetCellOptions(col, row) & voReadOnly) continue;
        TLocItem* item = FHost.RowItem(row);
        if (!item) continue;
        const QString native = item->MainValue()->Value();
        const TWebTranslation r = translator.WebTranslate(native, nativeLocale, file->Locale());
        if (r.Cancelled) break;
        if (!r.Ok() || r.ResultText.isEmpty() || r.ResultText == native) continue;
        FHost.EditCell(col, row, r.ResultText);
        TLocValue* value = item->Values().Items(file->LangIndex());
        file->SetModified(true);
        value->SetModified(DateTime::Now());
        value->SetValueVersion(item->MainValue()->ValueVersion());
        FHost.UpdateColumnCaption(col);
        FGrid->viewport()->update();
    }
}

void TWebCommands::TranslateAll() { TranslateAllOf(FHost.ColumnFile(FGrid->Col())); }

void TWebCommands::TranslateAllOf(TLangFile* File)
{
    if (FRunning || !Configured() || !File || File->IsNative() || File->ReadOnly()) return;
    FGrid->EndCellEdit();
    TWebTranslator translator(Options());
    FRunning = true;
    const auto done = qScopeGuard([this] {
        FRunning = false;
        FHost.RefreshGrid();
    });
    const TInputBlock block(FWindow);
    WebTranslateAll(*FProject, File->LangIndex(), translator, *FPrompt);
}
