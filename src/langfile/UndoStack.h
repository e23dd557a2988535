#pragma once

#include "core/UiStrings.h"

#include <QHash>
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class TLEProject;
class TLocItem;
class TLocExtItem;
class TLocExtGroup;

// What one value holds: its text, edit time, version and attribute bits.
struct TCellState {
    QString Value;
    double Modified = 0;
    int32_t Version = 0;
    uint16_t Attributes = 0;

    bool operator==(const TCellState&) const = default;
};

// The value of Item in language column Column before and after a step.
struct TCellChange {
    TLocItem* Item;
    int Column;
    TCellState Old;
    TCellState New;
};

// An external item (or a whole group when Item is null) that a step put into
// the storage or took out of it, or an item it renamed. What is out of the
// storage is owned here, so that undo puts back the very objects that older
// steps refer to.
struct TExtChange {
    enum TKind { ekAttached, ekDetached, ekRenamed };
    TKind Kind;
    TLocExtGroup* Group;
    TLocExtItem* Item;
    QString OldName;
    QString NewName;
    std::unique_ptr<TLocExtGroup> HeldGroup;
    std::unique_ptr<TLocExtItem> HeldItem;

    TExtChange(TKind AKind, TLocExtGroup* AGroup, TLocExtItem* AItem);
    ~TExtChange();
    TExtChange(TExtChange&&) noexcept;
    TExtChange& operator=(TExtChange&&) noexcept;
};

// One undoable step: a name for the menu and what it changed.
class TUndoStep {
public:
    explicit TUndoStep(TUiString AName) : FName(AName) {}

    TUiString Name() const { return FName; }
    // Sorted by item and column; one entry per value.
    const std::vector<TCellChange>& Cells() const { return FCells; }
    const std::vector<TExtChange>& ExtChanges() const { return FExtChanges; }
    bool IsEmpty() const { return FCells.empty() && FExtChanges.empty(); }
    // The first column of Item the step changed, -1 when none.
    int ColumnOf(const TLocItem* Item) const;
    // What the step keeps in memory, roughly.
    int64_t Bytes() const { return FBytes; }

private:
    friend class TUndoStack;
    void Measure();

    TUiString FName;
    std::vector<TCellChange> FCells;
    std::vector<TExtChange> FExtChanges;
    int64_t FBytes = 0;
};

// The undo and redo steps of the editor's open project, over all its language
// columns. A command opens a step (TUndoScope), names the values it is about
// to change (Watch, WatchColumn) and changes them; when the outermost scope
// ends, the values that really changed become one step. Scopes nest: an edit
// inside a bulk command joins the bulk's step.
//
// Memory is bounded: the steps hold only the values they changed, and the
// oldest steps are dropped once they hold more than the limit. Closing a
// language drops what the steps changed in it; closing the project or
// loading its native file empties the stack.
class TUndoStack {
public:
    static constexpr int64_t kDefaultLimit = int64_t(64) << 20;

    explicit TUndoStack(TLEProject& Project);
    ~TUndoStack();
    TUndoStack(const TUndoStack&) = delete;
    TUndoStack& operator=(const TUndoStack&) = delete;

    bool CanUndo() const { return FDepth == 0 && !FUndo.empty(); }
    bool CanRedo() const { return FDepth == 0 && !FRedo.empty(); }
    // The step the next Undo (Redo) takes back (does again); null when none.
    const TUndoStep* NextUndo() const { return FUndo.empty() ? nullptr : FUndo.back().get(); }
    const TUndoStep* NextRedo() const { return FRedo.empty() ? nullptr : FRedo.back().get(); }
    int UndoCount() const { return int(FUndo.size()); }
    int RedoCount() const { return int(FRedo.size()); }

    // Takes the last step back (does the last undone step again) and returns
    // it; null when there is none or a step is being recorded. The languages
    // it touches are marked modified: the files on disk are not changed.
    const TUndoStep* Undo();
    const TUndoStep* Redo();

    void Clear();
    int64_t Bytes() const { return FBytes; }
    int64_t Limit() const { return FLimit; }
    void SetLimit(int64_t Bytes);

    // Called after every change of the stack (a step recorded, undone, redone
    // or dropped), so that a window can show the step names.
    std::function<void()> OnChange;

    // --- recording; TUndoScope calls Begin and End
    void Begin(TUiString Name);
    void End();
    bool Recording() const { return FDepth > 0; }
    // The value of Item in Column is about to change.
    void Watch(TLocItem* Item, int Column);
    // Any value of the column may change (a bulk command over the column).
    void WatchColumn(int Column);
    // External items and groups put in or taken out. A taken out item or
    // group is handed over: the step keeps it for undo.
    void Attached(TLocExtGroup* Group, TLocExtItem* Item);
    void Detached(std::unique_ptr<TLocExtItem> Item);
    void Detached(std::unique_ptr<TLocExtGroup> Group);
    void Renamed(TLocExtItem* Item, const QString& OldName, const QString& NewName);

    // --- the project's column bookkeeping
    void LanguageAdded(int Index, int BaseIndex);
    void LanguageRemoved(int Index);

private:
    struct TColumnWatch {
        int Column;
        std::vector<TCellState> States; // one per entry of FWatchedItems
    };
    void Commit();
    void Apply(TUndoStep& Step, bool Forward);
    void ApplyExt(TExtChange& Change, bool Present);
    void Trim();
    void Changed();
    void ForEachHeldItem(const std::function<void(TLocExtItem*)>& Fn);

    TLEProject& FProject;
    std::deque<std::unique_ptr<TUndoStep>> FUndo;
    std::vector<std::unique_ptr<TUndoStep>> FRedo;
    int64_t FBytes = 0;
    int64_t FLimit = kDefaultLimit;

    // The step being recorded.
    int FDepth = 0;
    std::unique_ptr<TUndoStep> FPending;
    QHash<QPair<TLocItem*, int>, TCellState> FWatched;
    std::vector<TLocItem*> FWatchedItems;
    std::vector<TColumnWatch> FColumnWatches;
};

// Everything changed while a scope lives is one step of the stack (the step of
// the outermost scope when scopes nest).
class TUndoScope {
public:
    TUndoScope(TUndoStack& Stack, TUiString Name) : FStack(Stack) { FStack.Begin(Name); }
    ~TUndoScope();
    TUndoScope(const TUndoScope&) = delete;
    TUndoScope& operator=(const TUndoScope&) = delete;

    void Watch(TLocItem* Item, int Column) { FStack.Watch(Item, Column); }
    void WatchColumn(int Column) { FStack.WatchColumn(Column); }

private:
    TUndoStack& FStack;
};

// The state of a value, and a value set to a state.
TCellState CellStateOf(const TLocItem* Item, int Column);
void SetCellState(TLocItem* Item, int Column, const TCellState& State);
