#pragma once

#include <QString>
#include <cstdint>

class TLangFileList;
class TLangFileProject;
struct TNewLanguage;

// The abbreviation a language file is named by: the part of its file name
// between the last two dots, at most three characters (app.deu.lng gives
// "deu", app.ntv.lng "ntv"); empty when the name has fewer than two dots.
QString LanguageFileAbbreviation(const QString& FileName);

// The file a new language of a project is written to: the native file's name
// without its last extension, with that name's extension replaced by the
// abbreviation (app.ntv.lng and "deu" give app.deu.lng in the same folder).
QString NewLanguageFileName(const QString& NativeFileName, const QString& Abbreviation);

// Whether an open file other than ExceptIndex is named by Abbreviation
// (ASCII case ignored). ExceptIndex -1 checks every file.
bool AbbreviationInUse(const TLangFileList& Files, const QString& Abbreviation, int ExceptIndex);

// Whether the locale has a default ANSI code page that the system can convert.
// Languages without one can be edited, but their texts have no 8-bit form.
bool LocaleHasCodePage(int Locale);

// What the language tree proposes for a chosen locale: its English name, its
// own name for itself and its three-letter abbreviation in upper case. For a
// language group (a node holding several countries) the English name loses its
// country part and the abbreviation is cut to two letters. A name the catalogue
// cannot give stays empty.
struct TProposedNames {
    QString EnglishName;
    QString LocalizedName;
    QString Abbreviation;
};
TProposedNames ProposedLanguageNames(int Locale, bool IsGroup);

// Gives language file Index of the project a new locale, names and the
// "untranslated as native" choice (the inverse of the file attribute 0x0100);
// the storage column follows a new locale. The file is marked modified when
// any of them, or the abbreviation compared with the file's own, changed; it
// keeps its name on disk. Returns whether it was marked. ELangFileError
// "Invalid index" for a file the project lacks.
bool ApplyLanguageProperties(TLangFileProject& Project, int Index, const TNewLanguage& Lang,
                             const QString& Abbreviation);
