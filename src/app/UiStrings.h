#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The program's own messages: a string table looked up by identifier in the
// executable's current resource module, so that switching the interface
// language switches them too.
enum TUiString : int {
    usVocabrixError = 1,
    usLanguageNotLoaded,
    usInterfaceLanguage,
};

struct TUiStringDef {
    int Id;
    const char* Name; // the constant's name in the program's native language file
    const char* Text; // the built-in English text
};

// Every message, in identifier order.
const std::vector<TUiStringDef>& UiStringTable();
// The name of the unit that holds them in the native language file.
inline QString UiStringUnit() { return QStringLiteral("UiStrings"); }

// The text of the current resource module (the built-in one when the module
// has none: a run without the program's resources registered), with its
// "%s" replaced by Args in order. The table keeps the format symbols of the
// language files, so translations are checked against the native ones.
QString UiString(TUiString Id, const QStringList& Args = {});
