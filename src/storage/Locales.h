#pragma once

#include "core/VocabrixError.h"

#include <QByteArray>
#include <QString>

VOCABRIX_ERROR(ELocalesError, EVocabrixError);

// Language identifiers are 16-bit Windows LANGIDs passed as int (low 16 bits used).

int PrimaryLanguage(int Locale);

// The system ANSI code page; always 1252 here.
int SystemCodePage();
// The user's default language identifier.
int UserDefaultLangID();
// The locale's default ANSI code page; the system code page when it has none.
int LocaleCodePage(int Locale);

// Conversions between UTF-16 and 8-bit text in a Windows code page (exact
// Windows mappings). When nothing converts, the system code page is used.
QByteArray WideToAnsi(const QString& Text, int CodePage);
QString AnsiToWide(const QByteArray& Text, int CodePage);
QByteArray LocaleWideToAnsi(const QString& Text, int Locale);
QString LocaleAnsiToWide(const QByteArray& Text, int Locale);
QString RecodeText(const QString& Text, int FromLocale, int ToLocale);

// The system's locale-aware comparison of two texts for a language (ICU
// collation): negative, 0 or positive. IgnoreCase compares without case.
int LocaleCompareText(int Locale, const QString& A, const QString& B, bool IgnoreCase);
