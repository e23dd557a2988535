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
    TLangFile& native = NativeFile(Project);
    Project.SetMaxExtItemID(std::max(Project.MaxExtItemID(), native.ExtItemMaxID()));
    TLocExtItem* item = Project.AddExternalItem(-1, GroupName, ItemName);
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
    if (Item->Name() != ItemName) items.Rename(Item, ItemName);
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
    TLocExtItemList& items = Item->Group()->ExtItems();
    items.Erase(items.IndexOf(Item));
    NativeFile(Project).SetModified(true);
    Project.FillLists();
}

void DeleteExternalGroup(TLEProject& Project, TLocExtGroup* Group)
{
    TLocExtItemList& items = Group->ExtItems();
    for (int i = items.Count() - 1; i >= 0; --i) items.Erase(i);
    Project.ExtGroups().Erase(Project.ExtGroups().IndexOf(Group));
    NativeFile(Project).SetModified(true);
    Project.FillLists();
}
