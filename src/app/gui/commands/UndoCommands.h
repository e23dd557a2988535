#pragma once

#include <QObject>

#include <functional>

class QAction;
class TLEProject;
class TUndoStep;

// What the undo commands need of the main window.
struct TUndoHost {
    // While a cell editor is open, Undo and Redo are its own: these hand the
    // command to it and say whether it took it.
    std::function<bool()> EditorUndo;
    std::function<bool()> EditorRedo;
    // Shows what a step undone or redone changed: the grid refreshed and
    // moved to the first changed cell.
    std::function<void(const TUndoStep&)> ShowStep;
    std::function<void(const std::function<void()>&)> Guard;
};

// The Edit menu's Undo and Redo: the project's undo stack, each entry named
// after the step it takes back or does again.
class TUndoCommands : public QObject {
    Q_OBJECT
public:
    TUndoCommands(QObject* AOwner, TLEProject* AProject, TUndoHost AHost);
    ~TUndoCommands() override;

    // Names and enabling from the stack; runs whenever the stack changes.
    void UpdateCommandStates();

    void Undo();
    void Redo();

    QAction* miUndo;
    QAction* miRedo;

private:
    TLEProject* FProject;
    TUndoHost FHost;
};
