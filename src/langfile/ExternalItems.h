#pragma once

#include <QString>

class TLEProject;
class TLocExtGroup;
class TLocExtItem;

// External items are texts of the application that live in no form and no
// unit; they are kept in named groups of the native file. These edit them and
// keep the editor project's flat list in step.

// The text of the warning about an item name already taken in a group.
QString ExtItemExistsText(const QString& ItemName, const QString& GroupName);

// Adds ItemName to the group GroupName (created when missing) with the native
// text NativeValue stamped with Now; every translation starts untranslated
// with the same text. The item takes the native file's next ID. Throws
// ELEProjectError when the group already has an item of that name.
TLocExtItem* AddExternalItem(TLEProject& Project, const QString& GroupName, const QString& ItemName,
                             const QString& NativeValue, double Now);

// Renames Item and sets its native text. A changed name or text makes the
// native file modified and every translation of the item untranslated again;
// returns whether something changed. Throws ELEProjectError when another item
// of the group has the name.
bool EditExternalItem(TLEProject& Project, TLocExtItem* Item, const QString& ItemName, const QString& NativeValue,
                      double Now);

// Delete an item, or a group with all its items; the native file becomes modified.
void DeleteExternalItem(TLEProject& Project, TLocExtItem* Item);
void DeleteExternalGroup(TLEProject& Project, TLocExtGroup* Group);
