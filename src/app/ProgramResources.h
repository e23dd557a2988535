#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

class TLocStorage;

// The program's interface languages: English (native) and the 13 it is
// translated into.
const QList<uint16_t>& InterfaceLocales();
// The version of the interface's language data and of the program's
// settings records.
constexpr int32_t kInterfaceVersion = 506;

// The program's project in lang/: the native file phrasedesk.ntv.lng (made by
// uiwalker from the windows and the string table) and one translation table
// per language, phrasedesk.<abbreviation>.txt, with lines
//   Form|Component|Property <TAB> English <TAB> translation
//   @Unit|Constant|         <TAB> English <TAB> translation
// The lines of a string list are separated by "\n". A translation whose English text is no longer the native one stays
// out. Loads the native file (or only the string table when it is missing) and adds a column per interface language.
void LoadInterfaceProject(const QString& LangDir, TLocStorage& Storage);
// Adds the string table to a storage as the unit of the program's messages
// (native values only).
void AddUiStringUnit(TLocStorage& Storage);
// A text as a table line holds it: line breaks ("\r\n" or "\n") become "\n".
QString InterfaceTableText(QString Value);
// A language file image of one column of that project.
QByteArray InterfaceLanguageImage(TLocStorage& Storage, int Column);
// The program's resource image: string table, settings records and the
// language data with every interface language (blocks compressed).
QByteArray BuildProgramResourceImage(const QString& LangDir);
