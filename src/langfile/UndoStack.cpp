#include "langfile/UndoStack.h"

#include "langfile/LEProject.h"

#include <algorithm>
#include <set>

namespace {

// Heap bytes of a text: its characters plus the block's header and the
// allocator's own share. An empty text shares one static block.
int64_t TextBytes(const QString& Text) { return Text.isEmpty() ? 0 : 32 + int64_t(Text.capacity()) * 2; }

int64_t ItemBytes(const TLocExtItem* Item)
{
    int64_t bytes = int64_t(sizeof(TLocExtItem)) + TextBytes(Item->Name());
    for (const auto& value : Item->Values()) bytes += int64_t(sizeof(TLocValue)) + TextBytes(value->Value());
    return bytes;
}

bool CellLess(const TCellChange& A, const TCellChange& B)
{
    return A.Item != B.Item ? std::less<const TLocItem*>()(A.Item, B.Item) : A.Column < B.Column;
}

} // namespace

TCellState CellStateOf(const TLocItem* Item, int Column)
{
    const TLocValue* value = Item->Values().Items(Column);
    return {value->Value(), value->Modified(), value->ValueVersion(), value->Attributes()};
}

void SetCellState(TLocItem* Item, int Column, const TCellState& State)
{
    TLocValue* value = Item->Values().Items(Column);
    value->SetValue(State.Value);
    value->SetModified(State.Modified);
    value->SetValueVersion(State.Version);
    value->SetAttributes(State.Attributes);
}

// ---------------------------------------------------------------- TExtChange

TExtChange::TExtChange(TKind AKind, TLocExtGroup* AGroup, TLocExtItem* AItem) : Kind(AKind), Group(AGroup), Item(AItem)
{
}
TExtChange::~TExtChange() = default;
TExtChange::TExtChange(TExtChange&&) noexcept = default;
TExtChange& TExtChange::operator=(TExtChange&&) noexcept = default;

// ---------------------------------------------------------------- TUndoStep

int TUndoStep::ColumnOf(const TLocItem* Item) const
{
    const auto it = std::lower_bound(FCells.begin(), FCells.end(), Item, [](const TCellChange& c, const TLocItem* i) {
        return std::less<const TLocItem*>()(c.Item, i);
    });
    return it != FCells.end() && it->Item == Item ? it->Column : -1;
}

void TUndoStep::Measure()
{
    FBytes = int64_t(sizeof(TUndoStep)) + int64_t(FCells.capacity() * sizeof(TCellChange));
    for (const TCellChange& c : FCells) {
        FBytes += TextBytes(c.Old.Value);
        // A text the edit left as it was is one block shared by both sides.
        if (c.New.Value.constData() != c.Old.Value.constData()) FBytes += TextBytes(c.New.Value);
    }
    for (const TExtChange& e : FExtChanges) {
        FBytes += int64_t(sizeof(TExtChange)) + TextBytes(e.OldName) + TextBytes(e.NewName);
        if (e.HeldItem) FBytes += ItemBytes(e.HeldItem.get());
        if (e.HeldGroup)
            for (const auto& item : e.HeldGroup->ExtItems()) FBytes += ItemBytes(item.get());
    }
}

// ---------------------------------------------------------------- TUndoStack

TUndoStack::TUndoStack(TLEProject& Project) : FProject(Project) {}

TUndoStack::~TUndoStack() = default;

void TUndoStack::Changed()
{
    if (OnChange) OnChange();
}

void TUndoStack::Clear()
{
    const bool hadSteps = !FUndo.empty() || !FRedo.empty();
    FUndo.clear();
    FRedo.clear();
    FBytes = 0;
    // What a step being recorded watched is gone with the sections.
    FWatched.clear();
    FWatchedItems.clear();
    FColumnWatches.clear();
    if (FPending) FPending = std::make_unique<TUndoStep>(FPending->Name());
    if (hadSteps) Changed();
}

void TUndoStack::SetLimit(int64_t Bytes)
{
    FLimit = std::max<int64_t>(0, Bytes);
    const int before = UndoCount() + RedoCount();
    Trim();
    if (UndoCount() + RedoCount() != before) Changed();
}

void TUndoStack::Trim()
{
    // The oldest steps go first; the redo steps after every undo step, the
    // latest of them first (each of them needs the ones before it).
    while (FBytes > FLimit && !FUndo.empty()) {
        FBytes -= FUndo.front()->Bytes();
        FUndo.pop_front();
    }
    while (FBytes > FLimit && !FRedo.empty()) {
        FBytes -= FRedo.front()->Bytes();
        FRedo.erase(FRedo.begin());
    }
}

// ---------------------------------------------------------------- recording

void TUndoStack::Begin(TUiString Name)
{
    if (FDepth++ > 0) return;
    FPending = std::make_unique<TUndoStep>(Name);
}

void TUndoStack::End()
{
    if (FDepth == 0 || --FDepth > 0) return;
    try {
        Commit();
    } catch (...) {
        FWatched.clear();
        FWatchedItems.clear();
        FColumnWatches.clear();
        FPending.reset();
        throw;
    }
}

void TUndoStack::Watch(TLocItem* Item, int Column)
{
    if (FDepth == 0 || !Item || Column < 0 || Column >= Item->Values().Count()) return;
    for (const TColumnWatch& w : FColumnWatches)
        if (w.Column == Column) return;
    const QPair<TLocItem*, int> key(Item, Column);
    if (!FWatched.contains(key)) FWatched.insert(key, CellStateOf(Item, Column));
}

void TUndoStack::WatchColumn(int Column)
{
    if (FDepth == 0 || Column < 0 || Column >= FProject.LangCount()) return;
    for (const TColumnWatch& w : FColumnWatches)
        if (w.Column == Column) return;
    if (FWatchedItems.empty()) FProject.ForEachItem([this](TLocItem* item) { FWatchedItems.push_back(item); });
    TColumnWatch watch{Column, {}};
    watch.States.reserve(FWatchedItems.size());
    for (TLocItem* item : FWatchedItems) watch.States.push_back(CellStateOf(item, Column));
    FColumnWatches.push_back(std::move(watch));
}

void TUndoStack::Attached(TLocExtGroup* Group, TLocExtItem* Item)
{
    if (FDepth == 0) return;
    FPending->FExtChanges.emplace_back(TExtChange::ekAttached, Group, Item);
}

void TUndoStack::Detached(std::unique_ptr<TLocExtItem> Item)
{
    if (FDepth == 0) return; // nothing records: the item just goes
    TExtChange change(TExtChange::ekDetached, Item->Group(), Item.get());
    change.HeldItem = std::move(Item);
    FPending->FExtChanges.push_back(std::move(change));
}

void TUndoStack::Detached(std::unique_ptr<TLocExtGroup> Group)
{
    if (FDepth == 0) return;
    TExtChange change(TExtChange::ekDetached, Group.get(), nullptr);
    change.HeldGroup = std::move(Group);
    FPending->FExtChanges.push_back(std::move(change));
}

void TUndoStack::Renamed(TLocExtItem* Item, const QString& OldName, const QString& NewName)
{
    if (FDepth == 0) return;
    TExtChange change(TExtChange::ekRenamed, Item->Group(), Item);
    change.OldName = OldName;
    change.NewName = NewName;
    FPending->FExtChanges.push_back(std::move(change));
}

void TUndoStack::Commit()
{
    std::unique_ptr<TUndoStep> step = std::move(FPending);
    // A value watched on its own before its column was keeps that earlier state.
    for (TColumnWatch& w : FColumnWatches) {
        for (size_t i = 0; i < FWatchedItems.size(); ++i) {
            TLocItem* item = FWatchedItems[i];
            if (!FWatched.isEmpty() && FWatched.contains({item, w.Column})) continue;
            TCellState now = CellStateOf(item, w.Column);
            if (now != w.States[i]) step->FCells.push_back({item, w.Column, std::move(w.States[i]), std::move(now)});
        }
    }
    for (auto it = FWatched.cbegin(); it != FWatched.cend(); ++it) {
        TCellState now = CellStateOf(it.key().first, it.key().second);
        if (now != it.value()) step->FCells.push_back({it.key().first, it.key().second, it.value(), std::move(now)});
    }
    FWatched.clear();
    FWatchedItems.clear();
    FColumnWatches.clear();
    if (step->IsEmpty()) return;
    std::sort(step->FCells.begin(), step->FCells.end(), CellLess);
    step->FCells.shrink_to_fit();
    step->Measure();
    for (const auto& s : FRedo) FBytes -= s->Bytes();
    FRedo.clear();
    FBytes += step->Bytes();
    FUndo.push_back(std::move(step));
    Trim();
    Changed();
}

// ---------------------------------------------------------------- undo, redo

const TUndoStep* TUndoStack::Undo()
{
    if (!CanUndo()) return nullptr;
    std::unique_ptr<TUndoStep> step = std::move(FUndo.back());
    FUndo.pop_back();
    Apply(*step, false);
    FRedo.push_back(std::move(step));
    Changed();
    return FRedo.back().get();
}

const TUndoStep* TUndoStack::Redo()
{
    if (!CanRedo()) return nullptr;
    std::unique_ptr<TUndoStep> step = std::move(FRedo.back());
    FRedo.pop_back();
    Apply(*step, true);
    FUndo.push_back(std::move(step));
    Changed();
    return FUndo.back().get();
}

void TUndoStack::Apply(TUndoStep& Step, bool Forward)
{
    std::set<int> columns;
    for (const TCellChange& c : Step.FCells) {
        SetCellState(c.Item, c.Column, Forward ? c.New : c.Old);
        columns.insert(c.Column);
    }
    // Later changes may stand on earlier ones (an item put into the group the
    // step created): forward in order, back in reverse.
    auto& ext = Step.FExtChanges;
    if (Forward)
        for (auto it = ext.begin(); it != ext.end(); ++it) ApplyExt(*it, true);
    else
        for (auto it = ext.rbegin(); it != ext.rend(); ++it) ApplyExt(*it, false);
    if (!ext.empty()) {
        columns.insert(0);
        FProject.FillLists();
    }
    // The files on disk stay as they are; what differs from them is unsaved.
    TLangFileList& files = FProject.LangFiles();
    for (int column : columns)
        if (column < files.Count()) files.Items(column)->SetModified(true);
}

// Forward: the state after the change, else the state before it.
void TUndoStack::ApplyExt(TExtChange& Change, bool Forward)
{
    if (Change.Kind == TExtChange::ekRenamed) {
        Change.Group->ExtItems().Rename(Change.Item, Forward ? Change.NewName : Change.OldName);
        return;
    }
    const bool present = Forward == (Change.Kind == TExtChange::ekAttached);
    if (Change.Item) {
        TLocExtItemList& items = Change.Group->ExtItems();
        if (present && Change.HeldItem) {
            TLocExtItem* item = items.Reinsert(std::move(Change.HeldItem));
            // The columns may have been relabelled meanwhile.
            for (int i = 0; i < item->Values().Count() && i < FProject.LangCount(); ++i)
                item->Values().Items(i)->SetLangID(FProject.Locales(i));
        } else if (!present && !Change.HeldItem) {
            Change.HeldItem = items.Delete(items.IndexOf(Change.Item));
        }
    } else {
        TLocExtGroupList& groups = FProject.ExtGroups();
        if (present && Change.HeldGroup) {
            TLocExtGroup* group = groups.Reinsert(std::move(Change.HeldGroup));
            for (const auto& item : group->ExtItems())
                for (int i = 0; i < item->Values().Count() && i < FProject.LangCount(); ++i)
                    item->Values().Items(i)->SetLangID(FProject.Locales(i));
        } else if (!present && !Change.HeldGroup) {
            Change.HeldGroup = groups.Delete(groups.IndexOf(Change.Group));
        }
    }
}

// ---------------------------------------------------------------- columns

void TUndoStack::ForEachHeldItem(const std::function<void(TLocExtItem*)>& Fn)
{
    const auto visit = [&](TUndoStep& step) {
        for (TExtChange& e : step.FExtChanges) {
            if (e.HeldItem) Fn(e.HeldItem.get());
            if (e.HeldGroup)
                for (const auto& item : e.HeldGroup->ExtItems()) Fn(item.get());
        }
    };
    for (auto& s : FUndo) visit(*s);
    for (auto& s : FRedo) visit(*s);
    if (FPending) visit(*FPending);
}

void TUndoStack::LanguageAdded(int Index, int BaseIndex)
{
    // Items out of the storage get the column as the storage's items did.
    const uint16_t locale = FProject.Locales(Index);
    ForEachHeldItem([&](TLocExtItem* item) {
        const int i = item->AddValue(item->Values().Items(BaseIndex)->Value(), locale);
        item->Values().Items(i)->SetValueVersion(-1);
    });
}

void TUndoStack::LanguageRemoved(int Index)
{
    ForEachHeldItem([&](TLocExtItem* item) {
        if (Index < item->Values().Count()) item->Values().Erase(Index);
    });
    const auto fix = [Index](TUndoStep& step) {
        std::erase_if(step.FCells, [Index](const TCellChange& c) { return c.Column == Index; });
        for (TCellChange& c : step.FCells)
            if (c.Column > Index) --c.Column;
    };
    bool changed = false;
    const auto drop = [&](auto& steps) {
        for (auto it = steps.begin(); it != steps.end();) {
            TUndoStep& step = **it;
            const int64_t before = step.Bytes();
            fix(step);
            step.Measure();
            FBytes += step.Bytes() - before;
            changed = changed || step.Bytes() != before;
            if (step.IsEmpty()) {
                FBytes -= step.Bytes();
                it = steps.erase(it);
            } else
                ++it;
        }
    };
    drop(FUndo);
    drop(FRedo);
    if (changed) Changed();
}

// ---------------------------------------------------------------- TUndoScope

TUndoScope::~TUndoScope()
{
    try {
        FStack.End();
    } catch (...) {
        // Out of memory while recording: the changes stay, only their step is lost.
    }
}
