#pragma once

#include "exchange/WebTranslator.h"

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class TLEProject;
class TLangFile;
class TLocItem;
class TPrompt;
class TQStringGrid;
struct TEditorSettings;

// What the web translation commands need of the main window.
struct TWebHost {
    // The language of a visible grid column; nullptr for the name column.
    std::function<TLangFile*(int)> ColumnFile;
    std::function<TLocItem*(int)> RowItem;
    // Whether the column can be edited (a language column not read-only).
    std::function<bool(int)> Writable;
    // Whether some selected row's cell of the active column can be edited.
    std::function<bool()> SomeSelectedCellEditable;
    // The cell edit path.
    std::function<void(int, int, const QString&)> EditCell;
    std::function<void(int, int)> UpdateCellCommandStates;
    // A column's caption after its language became modified.
    std::function<void(int)> UpdateColumnCaption;
    std::function<void()> RefreshGrid;
    // Runs a command and reports its error.
    std::function<void(const std::function<void()>&)> Guard;
};

// The Language menu's "&Translate Cell by Google" and "Translate &All by
// Google", with the progress window and its Cancel. While a request waits the
// window takes no input but the progress window's.
class TWebCommands : public QObject {
    Q_OBJECT
public:
    TWebCommands(QWidget* AWindow, TQStringGrid* AGrid, TLEProject* AProject, TPrompt* APrompt,
                 const TEditorSettings* ASettings, TWebHost AHost);
    ~TWebCommands() override;

    // Puts both commands into the Language menu before Before, in a group of
    // their own, and the cell command into the pop-up.
    void AddActions(QMenu* LanguageMenu, QAction* Before, QMenu* Popup);
    void UpdateCommandStates();
    // A key is set: the commands can run and a new language may be translated.
    bool Configured() const;

    // miGoogleTranslateCellClick: the cell being edited, else the selected rows.
    void TranslateCell();
    // miGoogleTranslateAllClick on the active column's language, and the same
    // on a given language (a language just created).
    void TranslateAll();
    void TranslateAllOf(TLangFile* File);
    bool Running() const { return FRunning; }

    QAction* miGoogleTranslateCell = nullptr;
    QAction* miGoogleTranslateAll = nullptr;
    QAction* pmGoogleTranslateCell = nullptr;

private:
    TWebTranslatorOptions Options() const;
    void TranslateEditor();
    void TranslateSelection();

    QWidget* FWindow;
    TQStringGrid* FGrid;
    TLEProject* FProject;
    TPrompt* FPrompt;
    const TEditorSettings* FSettings;
    TWebHost FHost;
    bool FRunning = false;
};
