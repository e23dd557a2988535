#pragma once

#include <QObject>

#include <functional>

class QAction;
class TLEProject;
class TLangFile;
class TQGridColumn;
class TQStringGrid;
class QWidget;

// What the column commands need of the main window.
struct TLanguageToolsHost {
    // The active column's language; nullptr for the name column.
    std::function<TLangFile*()> ActiveLangFile;
    // The active column's language is not native and can be edited.
    std::function<bool()> WritableLanguageActive;
    // The active column shows the native language.
    std::function<bool()> NativeActive;
    std::function<void(const QFont&)> SetNativeValueFont;
    std::function<void()> RefreshGrid;
    std::function<void()> UpdateCommandStates;
    // Writes the columns' settings into the project desktop file.
    std::function<void()> SaveColumnSettings;
    std::function<void(const std::function<void()>&)> Guard;
};

// The Language menu's commands on the active column itself: "&IME..." (its
// input method and mode), "&Font..." (its font and the grid's),
// "&Properties..." of its language and "Show Statistics...".
class TLanguageToolCommands : public QObject {
    Q_OBJECT
public:
    TLanguageToolCommands(QWidget* AWindow, TQStringGrid* AGrid, TLEProject* AProject, TLanguageToolsHost AHost);

    void UpdateCommandStates();
    void ChooseIme();
    void ChooseFont();
    void LanguageProperties();
    void ShowStatistics();

    QAction* miIME;
    QAction* miFont;
    QAction* miLangProps;
    QAction* miShowStatistics;

private:
    QWidget* FWindow;
    TQStringGrid* FGrid;
    TLEProject* FProject;
    TLanguageToolsHost FHost;
};
