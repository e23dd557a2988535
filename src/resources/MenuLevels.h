#pragma once

#include <QHash>
#include <QString>

// Which menu level each menu item of a program's forms belongs to, read from
// the form resources of its executable. An accelerator has to be unique only
// among the items of one level: the items of a submenu, or of a popup menu, are
// one level each; the items of a main menu's bar share the window's
// accelerators with its controls (Alt+letter reaches both).
//
// Key: the item's component as the project names it, "MainForm.mnuOpen";
// value: its level, the form's name for the menu bar and the window,
// "MainForm|mnuFile" for the items of the submenu mnuFile. Empty when the file
// cannot be read: the checks then take every caption of a form as one level.
QHash<QString, QString> ReadMenuLevels(const QString& PEFile);
// The same for one form stream ("TPF0"), added to Levels; a damaged stream
// adds what was read before the damage.
void AddMenuLevels(const QByteArray& FormStream, QHash<QString, QString>& Levels);
