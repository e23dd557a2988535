#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class TLEProject;
class TLangFile;
class TPrompt;
class TdlgImport;

// What the exchange commands need of the main window.
struct TExchangeHost {
    // The active column's language; nullptr when the active column has none.
    std::function<TLangFile*()> ActiveLangFile;
    // Whether only one column is selected.
    std::function<bool()> OneColumnSelected;
    // After an import: the External node rebuilt, the grid refreshed.
    std::function<void()> AfterImport;
    // In all cases after an import dialog: the active column's caption.
    std::function<void()> UpdateActiveCaption;
    // Before an import writes values: the grid's cell edit ends.
    std::function<void()> EndCellEdit;
};

// The File menu's "&Import from" and "&Export to" sub-menus: the import
// dialog (kept for the run) and the export dialog (made for every export)
// on the active column's language.
class TExchangeCommands : public QObject {
    Q_OBJECT
public:
    TExchangeCommands(QWidget* AWindow, TLEProject* AProject, TPrompt* APrompt, TExchangeHost AHost);
    ~TExchangeCommands() override;

    // Adds both sub-menus to Menu.
    void AddMenus(QMenu* Menu);
    void UpdateCommandStates();

    // Menu tags: import 1 text, 2 XML, 3 language file, 4 TMX, 5 XLIFF;
    // export 1 text, 2 XML, 3 XLIFF.
    void Import(int Kind);
    void Export(int Kind);

    TdlgImport* ImportDialog() const { return FImportDialog; }

    QMenu* miImport = nullptr;
    QMenu* miExport = nullptr;
    QAction* miImportTmx = nullptr;

private:
    QWidget* FWindow;
    TLEProject* FProject;
    TPrompt* FPrompt;
    TExchangeHost FHost;
    TdlgImport* FImportDialog = nullptr;
};
