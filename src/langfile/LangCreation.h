#pragma once

#include <QString>
#include <cstdint>

class TLangFileProject;

// What a new language file of a project is made of. The editor fills it from
// its language dialog, batch mode from the locale catalogue.
struct TNewLanguage {
    uint16_t Locale = 0;
    QString EnglishName;
    QString LocalizedName;
    int BaseIndex = 0;            // storage column whose texts the new column starts from
    bool UseUntranslated = false; // file attribute 0x0100: untranslated values are used as they are
};

// A new language for Locale described by the catalogue: its English name, the
// language's own name for itself, based on the native column.
TNewLanguage NewLanguageOfLocale(uint16_t Locale);

// The locale whose language file code (its three-letter abbreviation, as in
// app.deu.lng) is Code, ASCII case ignored. ELangFileError naming the code
// when no language has it.
uint16_t LocaleOfLanguageCode(const QString& Code);

// Adds a new language to an open project and writes its file: a language file
// object for FileName takes the native file's version, format version and
// compression, a storage column for the locale starts from the base column
// with every value untranslated, and the column is saved to FileName (an
// existing file is replaced) and locked. Returns the new column's index. On
// failure the project is left as it was.
int CreateLanguageFile(TLangFileProject& Project, const QString& FileName, const TNewLanguage& Lang);
