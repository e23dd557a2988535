#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TLangFileProject;
class TPrompt;

// A library: a folder of ready-made language files for a component library
// that many applications share, translated once.
struct TLibrary {
    QString Name; // lib.ini's "Common"/"Name", else the folder's name
    QString Folder;
    QString NativeFile; // empty when the folder holds no native language file
};

// The library folders: the user's "LibraryPath" (";"-separated) when set,
// else the machine-wide "LibraryPath" combined with the names of the
// machine-wide "Libraries" values, in lower case and without duplicates.
// Relative folders are taken relative to RootDir.
QStringList LibraryFolders(const QString& UserLibraryPath, const QString& RootDir);
// The same on given machine-wide values (for the one above and for tests).
QStringList CombineLibraryFolders(const QString& UserLibraryPath, const QString& MachineLibraryPath,
                                  const QStringList& MachineEntries, const QString& RootDir);

// Every subfolder of the folders is a library, in folder order.
QList<TLibrary> FindLibraries(const QStringList& Folders);

// The library's file for a language: the native file's path cut at the
// first "." of its name + "." + the language's abbreviation + ".lng", else
// the same with the primary language's abbreviation; empty when neither exists.
QString LibraryLanguageFile(const QString& NativeFile, int Locale);

// Takes the library translations over into every non-native language of the
// project. The log lists each library per language with "Ok", "Language file
// doesn't exist" or "Invalid language file"; Problem says whether any was
// not "Ok".
struct TApplyLibrariesResult {
    QString Log;
    bool Problem = false;
};
TApplyLibrariesResult ApplyLibraries(TLangFileProject& Project, const QList<TLibrary>& Libraries, TPrompt& Prompt,
                                     double Now);
