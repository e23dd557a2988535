#pragma once

#include "core/VocabrixError.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

VOCABRIX_ERROR(ELocalesError, EVocabrixError);

// Language identifiers are 16-bit Windows LANGIDs passed as int (low 16 bits
// used). 0x0000 and 0x0400 stand for the user's default language, 0x0800 for
// the system's (0x0409), as on Windows.

// Locale information types for GetLocaleInfoText (the Windows LCTYPE values).
constexpr int LOCALE_SLANGUAGE = 0x0002;        // localized display name, "German (Germany)"
constexpr int LOCALE_SABBREVLANGNAME = 0x0003;  // "DEU"
constexpr int LOCALE_SNATIVELANGNAME = 0x0004;  // "Deutsch"
constexpr int LOCALE_SCOUNTRY = 0x0006;         // localized country name
constexpr int LOCALE_SISO639LANGNAME = 0x0059;  // "de"
constexpr int LOCALE_SISO3166CTRYNAME = 0x005A; // "DE"
constexpr int LOCALE_SNAME = 0x005C;            // "de-DE"
constexpr int LOCALE_SENGLISHDISPLAYNAME = 0x0072;
constexpr int LOCALE_SENGLANGUAGE = 0x1001;         // "German"
constexpr int LOCALE_SENGCOUNTRY = 0x1002;          // "Germany"
constexpr int LOCALE_IDEFAULTANSICODEPAGE = 0x1004; // "1252", "0" for Unicode-only locales

constexpr int DEFAULT_CHARSET = 1;

// Primary language: Locale AND 0x3FF.
int PrimaryLanguage(int Locale);
// A neutral identifier is its own primary language (no country).
bool IsNeutralLocale(int Locale);

// The system ANSI code page; always 1252 here.
int SystemCodePage();
// The user's default language: the process locale (LC_ALL, LC_MESSAGES, LANG)
// mapped through the catalogue, 0x0409 when unset, "C" or unknown. Read once.
int UserDefaultLangID();
// Maps a POSIX locale name ("de_DE.UTF-8", "sr_RS@latin") to a supported
// identifier; 0x0409 when it names none.
int LangIDFromPosixLocale(const QString& Name);

// The catalogue's information string; ELocalesError "Can not get locale info"
// for an unknown identifier or information type.
QString GetLocaleInfoText(int Locale, int InfoType);

// These raise like GetLocaleInfoText for an unknown identifier.
QString LocaleEnglishName(int Locale);
QString LocaleLanguageName(int Locale);
QString LocaleAbbreviation(int Locale);
QString LocaleCountryLanguageCode(int Locale); // "DE de", neutral "de"
QString LocaleLanguageCountryCode(int Locale); // "de-DE", neutral "de"

// The first identifier of the grouped list (kind 2) whose code or abbreviation
// equals the text without regard to ASCII case; 0 when none.
int LocaleByCountryLanguageCode(const QString& Code);
int LocaleByLanguageCountryCode(const QString& Code);
int LocaleByAbbreviation(const QString& Abbr);

// The locale's default ANSI code page; the system code page when it has none
// or is unknown.
int LocaleCodePage(int Locale);
// The font character set of a code page; DEFAULT_CHARSET when none is known.
int CharsetOfCodePage(int CodePage);
int LocaleCharset(int Locale);
// The identifier of a font character set as Windows and Delphi name it
// ("DEFAULT_CHARSET"); the number for one without a name.
QString CharsetIdent(int Charset);
// True when a byte 0x80-0xFF of the locale's ANSI code page is a right-to-left character.
bool IsRightToLeftLocale(int Locale);

// Lists of locales: a display name with its identifier.
struct TLocaleEntry {
    QString Name;
    int Locale = 0;
};
using TLocaleList = QList<TLocaleEntry>;

enum TLocaleListKind {
    lkSupported = 1, // every supported locale by its localized name
    lkGrouped = 2,   // the same with a neutral entry before the first locale of each language spoken in several
};
// Fills Strings with a copy of the cached list of that kind (empty for an unknown kind).
void GetLocaleList(TLocaleList& Strings, int Kind);

// The language tree shown by the language dialogs: one top-level node per
// language, with a child per locale; a language with a single locale is one node.
struct TLocaleTreeNode {
    QString Text;
    int Locale = 0;
    std::vector<TLocaleTreeNode> Children;
};
using TLocaleTree = std::vector<TLocaleTreeNode>;
void FillLocaleTree(TLocaleTree& Tree);

// Conversions between UTF-16 and 8-bit text in a Windows code page (exact
// Windows mappings; characters a code page lacks become "?"). When nothing
// converts, the system code page is used. Thread-safe.
QByteArray WideToAnsi(const QString& Text, int CodePage);
QString AnsiToWide(const QByteArray& Text, int CodePage);
QByteArray LocaleWideToAnsi(const QString& Text, int Locale);
QString LocaleAnsiToWide(const QByteArray& Text, int Locale);
// Re-reads text that was decoded with the first language's code page as text of the second.
QString RecodeText(const QString& Text, int FromLocale, int ToLocale);

// The system's locale-aware comparison of two texts for a language (ICU
// collation): negative, 0 or positive. IgnoreCase compares without case. Thread-safe.
int LocaleCompareText(int Locale, const QString& A, const QString& B, bool IgnoreCase);
// The first sixteen bytes of the primary level of Text's collation key for
// the language (zero-padded). Texts whose prefixes differ compare in the
// order of their prefixes under LocaleCompareText, with or without case;
// equal prefixes tell nothing. All zero for every text without a collator.
struct TPrimaryPrefix {
    quint64 Hi = 0, Lo = 0; // big-endian halves: compared as numbers they compare as the bytes
    auto operator<=>(const TPrimaryPrefix&) const = default;
};
TPrimaryPrefix LocalePrimaryPrefix(int Locale, const QString& Text);
