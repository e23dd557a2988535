#pragma once

#include <QObject>

#include <functional>

class QAction;
class TQGridColumn;
class TQStringGrid;
class QWidget;

// What the column commands need of the main window.
struct TLanguageToolsHost {
    // The active column's language is not native and can be edited.
    std::function<bool()> WritableLanguageActive;
    // The active column shows the native language.
    std::function<bool()> NativeActive;
    std::function<void(const QFont&)> SetNativeValueFont;
    std::function<void()> RefreshGrid;
    // Writes the columns' settings into the project desktop file.
    std::function<void()> SaveColumnSettings;
    std::function<void(const std::function<void()>&)> Guard;
};

// The Language menu's commands on the active column itself: "&IME..." (its
// input method and mode) and "&Font..." (its font and the grid's).
class TLanguageToolCommands : public QObject {
    Q_OBJECT
public:
    TLanguageToolCommands(QWidget* AWindow, TQStringGrid* AGrid, TLanguageToolsHost AHost);

    void UpdateCommandStates();
    void ChooseIme();
    void ChooseFont();

    QAction* miIME;
    QAction* miFont;

private:
    QWidget* FWindow;
    TQStringGrid* FGrid;
    TLanguageToolsHost FHost;
};
