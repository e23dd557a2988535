#include "app/gui/commands/UndoCommands.h"

#include "app/gui/commands/CommandAction.h"
#include "app/gui/window/UiLanguage.h"
#include "core/UiStrings.h"
#include "langfile/LEProject.h"

#include <QAction>

TUndoCommands::TUndoCommands(QObject* AOwner, TLEProject* AProject, TUndoHost AHost)
    : QObject(AOwner), FProject(AProject), FHost(std::move(AHost))
{
    miUndo = NewCommandAction(this, "miUndo", UiString(usUndoNothingMenu), QKeySequence(Qt::CTRL | Qt::Key_Z),
                              FHost.Guard, [this] { Undo(); });
    miRedo = NewCommandAction(this, "miRedo", UiString(usRedoNothingMenu), QKeySequence(Qt::CTRL | Qt::Key_Y),
                              FHost.Guard, [this] { Redo(); });
    miRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    // Their texts name the step, from the string table.
    MarkDynamicText(miUndo);
    MarkDynamicText(miRedo);
    FProject->UndoStack().OnChange = [this] { UpdateCommandStates(); };
    UpdateCommandStates();
}

TUndoCommands::~TUndoCommands() { FProject->UndoStack().OnChange = nullptr; }

void TUndoCommands::UpdateCommandStates()
{
    const TUndoStack& stack = FProject->UndoStack();
    const TUndoStep* undo = stack.CanUndo() ? stack.NextUndo() : nullptr;
    const TUndoStep* redo = stack.CanRedo() ? stack.NextRedo() : nullptr;
    miUndo->setText(undo ? UiString(usUndoStepMenu, {UiString(undo->Name())}) : UiString(usUndoNothingMenu));
    miRedo->setText(redo ? UiString(usRedoStepMenu, {UiString(redo->Name())}) : UiString(usRedoNothingMenu));
    miUndo->setEnabled(undo != nullptr);
    miRedo->setEnabled(redo != nullptr);
}

void TUndoCommands::Undo()
{
    if (FHost.EditorUndo && FHost.EditorUndo()) return;
    if (const TUndoStep* step = FProject->UndoStack().Undo()) FHost.ShowStep(*step);
}

void TUndoCommands::Redo()
{
    if (FHost.EditorRedo && FHost.EditorRedo()) return;
    if (const TUndoStep* step = FProject->UndoStack().Redo()) FHost.ShowStep(*step);
}
