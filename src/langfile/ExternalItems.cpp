#include "langfile/ExternalItems.h"

#include "core/UiStrings.h"

#include "langfile/LEProject.h"

#include <algorithm>

namespace {

TLangFile& NativeFile(TLEProject& Project) { return *Project.LangFiles().Items(0); }

} // namespace

QString ExtItemExistsText(const QString& ItemName, const QString& GroupName)
{
    return UiString(usExternalItemExists, {ItemName, GroupName});
}

TLocExtItem* AddExternalItem(TLEProject& Project, const QString& GroupName, const QString& ItemName,
                             const QString& NativeValue, double Now)
{
    if (Project.FindExtItem(GroupName, ItemName)) throw ELEProjectError(ExtItemExistsText(ItemName, GroupName));
    TUndoScope step(Project.UndoStack(), usStepAddExternal);
    TLangFile& native = NativeFile(Project);
    Project.SetMaxExtItemID(std::max(Project.MaxExtItemID(), native.ExtItemMaxID()));
    const bool newGroup = !Project.ExtGroups().FindByName(GroupName);
    TLocExtItem* item = Project.AddExternalItem(-1, GroupName, ItemName);
    if (newGroup) Project.UndoStack().Attached(item->Group(), nullptr);
    Project.UndoStack().Attached(item->Group(), item);
    native.SetExtItemMaxID(item->ID());
    native.SetFormatVersion(std::max<uint16_t>(native.FormatVersion(), 7));
    native.SetModified(true);
    TLocValue* value = item->MainValue();
    value->SetValue(NativeValue);
    value->SetModified(Now);
    for (int i = 1; i < item->Values().Count(); ++i) {
        item->Values().Items(i)->SetValue(NativeValue);
        item->Values().Items(i)->SetValueVersion(-1);
    }
    Project.FillLists();
    return item;
}

bool EditExternalItem(TLEProject& Project, TLocExtItem* Item, const QString& ItemName, const QString& NativeValue,
                      double Now)
{
    TLocExtItemList& items = Item->Group()->ExtItems();
    const TLocExtItem* other = items.FindByName(ItemName);
    if (other && other != Item) throw ELEProjectError(ExtItemExistsText(ItemName, Item->Group()->Name()));
    TLocValue* value = Item->MainValue();
    if (Item->Name() == ItemName && value->Value() == NativeValue) return false;
    TUndoScope step(Project.UndoStack(), usStepEditExternal);
    step.Watch(Item, 0);
    if (Item->Name() != ItemName) {
        Project.UndoStack().Renamed(Item, Item->Name(), ItemName);
        items.Rename(Item, ItemName);
    }
    value->SetValue(NativeValue);
    value->SetModified(Now);
    // Translations made for the old text count as untranslated.
    value->SetValueVersion(value->ValueVersion() + 1);
    NativeFile(Project).SetModified(true);
    Project.FillLists();
    return true;
}

void DeleteExternalItem(TLEProject& Project, TLocExtItem* Item)
{
    TUndoScope step(Project.UndoStack(), usStepDeleteExternal);
    TLocExtItemList& items = Item->Group()->ExtItems();
    Project.UndoStack().Detached(items.Delete(items.IndexOf(Item)));
    NativeFile(Project).SetModified(true);
    Project.FillLists();
}

void DeleteExternalGroup(TLEProject& Project, TLocExtGroup* Group)
{
    // The group goes with its items, so that undo brings both back.
    TUndoScope step(Project.UndoStack(), usStepDeleteGroup);
    Project.UndoStack().Detached(Project.ExtGroups().Delete(Project.ExtGroups().IndexOf(Group)));
    NativeFile(Project).SetModified(true);
    Project.FillLists();
}
