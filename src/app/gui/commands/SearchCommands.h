#pragma once

#include "app/gui/grid/GridSearchView.h"
#include "langfile/QFindData.h"

#include <QFont>
#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class TLEProject;
class TPrompt;
class TdlgFind;
class TdlgGotoLine;
class TdlgRegExp;
class TdlgReplace;

// What the search commands need of the main window.
struct TSearchHost {
    std::function<void()> UpdateCommandStates;
    std::function<void()> UpdateStatusText;
    std::function<void()> RefreshGrid;
    // The UseReplaceTb setting: identical texts are translated along through the replace prompt.
    std::function<bool()> UseReplaceTb;
    // The CellEditDialog setting, switched off while a hit is opened for editing.
    bool* CellEditDialog = nullptr;
    // Runs edits of many cells with the window's per-cell updates held back;
    // without a window, just runs them.
    std::function<void(const std::function<void()>&)> BulkEdit = [](const std::function<void()>& Edits) { Edits(); };
};

// The Search menu's commands, the identical-text translation and the
// regular-expression filter, on the window's grid. Owns the find and the
// replace state and the dialogs.
class TSearchCommands : public QObject {
    Q_OBJECT
public:
    TSearchCommands(QWidget* AWindow, TQStringGrid* AGrid, TLEProject* AProject, TPrompt* APrompt, TSearchHost AHost);
    ~TSearchCommands() override;

    // Adds the commands to the Search menu; "Regular Expression..." goes
    // where the window wants it (the Language menu's Show sub-menu).
    void AddSearchActions(QMenu* Menu);
    QAction* CreateRegExpAction(QObject* Parent);
    // Enables the commands by the state of the grid; the window calls it from
    // its own command update.
    void UpdateCommandStates();

    void Find();
    void FindNext(bool Forward);
    void FindWrongFormats();
    void Replace();
    void GotoLineNumber();
    void GotoNextUntranslated();
    void RegExpFilter();
    // After an edit of a cell in column ACol from OldText to NewText; not
    // while replacing runs.
    void AutoTranslateIdentical(int ACol, const QString& OldText, const QString& NewText, const QString& NativeText);
    // After many edits at once: silently, in one pass; nothing while
    // replacing runs or when the UseReplaceTb setting asks to confirm each
    // row (a prompt per row of a pasted range would be of no use).
    void TranslateIdenticalAlong(const std::vector<TIdenticalEdit>& Edits);

    TQFindData FFindData;
    TQReplaceData FReplaceData;
    TdlgFind* FindDialog() const { return FFind; }
    TdlgReplace* ReplacePrompt() const { return FReplace; }
    TdlgGotoLine* GotoLineDialog() const { return FGotoLine; }
    TdlgRegExp* RegExpDialog() const { return FRegExp; }

    // The not-found message (search text, font); ShowNFMessage unless replaced.
    std::function<void(const QString&, const QFont&)> ShowNotFound;

    QAction *miFind = nullptr, *miFindWrongFormats = nullptr, *miFindNext = nullptr, *miFindPrev = nullptr,
            *miReplace = nullptr, *miGotoLine = nullptr, *miGotoNextUntr = nullptr, *miRegExp = nullptr;

private:
    QFont ColumnFont() const;
    void ShowResult(TQFindData& Data, const QFont& NotFoundFont);
    // Opens the prompt on State at its hit; Replace All follows when the user chooses it.
    void RunPrompt(TQReplaceData& State);
    void ReplaceAllOf(TQReplaceData& State);
    int ReplaceAllBulk(TQReplaceData& State);
    void Status();

    QWidget* FWindow;
    TGridSearchView FView;
    TLEProject* FProject;
    TPrompt* FPrompt;
    TSearchHost FHost;
    TdlgFind* FFind;
    TdlgReplace* FReplace;
    TdlgGotoLine* FGotoLine;
    TdlgRegExp* FRegExp;
    // While replacing runs (the prompt or Replace All), its edits translate
    // no identical texts along: those rows hold the search text too, so the
    // replacing reaches them itself. Otherwise Replace All would rescan every
    // row for each cell it changes and miscount, and the prompt's Replace
    // would open the prompt a second time.
    bool FReplacing = false;
};
