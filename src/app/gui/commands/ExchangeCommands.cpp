#include "app/gui/commands/ExchangeCommands.h"

#include "app/gui/dialogs/exchange/ExportDialog.h"
#include "app/gui/dialogs/exchange/ImportDialog.h"
#include "app/gui/window/UiLanguage.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LEProject.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

TExchangeCommands::TExchangeCommands(QWidget* AWindow, TLEProject* AProject, TPrompt* APrompt, TExchangeHost AHost)
    : QObject(AWindow), FWindow(AWindow), FProject(AProject), FPrompt(APrompt), FHost(std::move(AHost))
{
}

TExchangeCommands::~TExchangeCommands() = default;

void TExchangeCommands::AddMenus(QMenu* Menu)
{
    miImport = Menu->addMenu(UiString(usImportFromMenu));
    miImport->setObjectName(QStringLiteral("miImport"));
    MarkDynamicText(miImport); // its title follows the active language file
    const char* imports[] = {"&Text...", "&XML...", "&Language file...", "&Sisulizer's TMX...", "XL&IFF..."};
    const char* importNames[] = {"miImportText", "miImportXML", "miImportLangFile", "miImportTMX", "miImportXLIFF"};
    for (int i = 0; i < 5; ++i) {
        QAction* a = miImport->addAction(QLatin1String(imports[i]));
        a->setObjectName(QLatin1String(importNames[i]));
        connect(a, &QAction::triggered, this, [this, i] { Import(i + 1); });
        if (i == 3) miImportTmx = a;
    }
    miExport = Menu->addMenu(QStringLiteral("&Export to"));
    miExport->setObjectName(QStringLiteral("miExport"));
    const char* exports[] = {"&Text...", "&XML...", "XL&IFF..."};
    const char* exportNames[] = {"miExportText", "miExportXML", "miExportXLIFF"};
    for (int i = 0; i < 3; ++i) {
        QAction* a = miExport->addAction(QLatin1String(exports[i]));
        a->setObjectName(QLatin1String(exportNames[i]));
        connect(a, &QAction::triggered, this, [this, i] { Export(i + 1); });
    }
}

void TExchangeCommands::UpdateCommandStates()
{
    const TLangFile* active = FHost.ActiveLangFile();
    const bool usable = active && FHost.OneColumnSelected();
    miExport->setEnabled(usable);
    if (usable && active->IsNative()) {
        // Into the native language only external items come, and may be created.
        miImport->setTitle(UiString(usImportExternalFromMenu));
        miImport->setEnabled(!FProject->IsLibrary() && !active->ReadOnly());
        miImportTmx->setEnabled(false);
    } else {
        miImport->setTitle(UiString(usImportFromMenu));
        miImport->setEnabled(usable && !active->ReadOnly());
        miImportTmx->setEnabled(true);
    }
}

void TExchangeCommands::Import(int Kind)
{
    const TLangFile* active = FHost.ActiveLangFile();
    if (!active) return;
    FHost.EndCellEdit();
    if (!FImportDialog) FImportDialog = new TdlgImport(*FProject, *FPrompt, FWindow);
    FImportDialog->Initialize(active->LangIndex(), TImportKind(Kind));
    if (FImportDialog->Execute()) {
        FHost.AfterImport();
        FPrompt->Message(mkInformation, ImportSummary(FImportDialog->Counts()), mbOK, mrOk);
    }
    FHost.UpdateActiveCaption();
}

void TExchangeCommands::Export(int Kind)
{
    const TLangFile* active = FHost.ActiveLangFile();
    if (!active) return;
    TdlgExport dialog(*FProject, *FPrompt, FWindow);
    dialog.Initialize(active->LangIndex(), Kind);
    dialog.Execute();
}
