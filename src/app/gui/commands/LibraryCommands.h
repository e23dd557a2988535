#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class TLEProject;
class TPrompt;
struct TEditorSettings;
struct TLibrary;

// What the library commands need of the main window.
struct TLibraryHost {
    // Opens a native file as a library project.
    std::function<void(const QString&)> OpenLibrary;
    // A language column is active and it is the only one selected.
    std::function<bool()> OneLanguageColumn;
    // After libraries were applied: captions and grid.
    std::function<void()> AfterApply;
    std::function<void(const std::function<void()>&)> Guard;
    // Before libraries write values: the grid's cell edit ends.
    std::function<void()> EndCellEdit;
};

// The Libraries menu: "&Open Library..." opens a library's native file as a
// project, "Apply &Libraries..." takes library translations over into the
// open project's languages.
class TLibraryCommands : public QObject {
    Q_OBJECT
public:
    TLibraryCommands(QWidget* AWindow, TLEProject* AProject, TPrompt* APrompt, const TEditorSettings* ASettings,
                     TLibraryHost AHost);

    void AddActions(QMenu* LibrariesMenu);
    void UpdateCommandStates();

    void OpenLibrary();
    void ApplyLibraries();

    QAction* miOpenLib;
    QAction* miApplyLib;

private:
    // The installed libraries; empty after telling the user there are none.
    QList<TLibrary> Libraries();

    QWidget* FWindow;
    TLEProject* FProject;
    TPrompt* FPrompt;
    const TEditorSettings* FSettings;
    TLibraryHost FHost;
};
