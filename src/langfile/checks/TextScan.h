#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// Readings of a Delphi text the checks share.

// One specifier of Delphi's Format: "%s", "%0:d", "%-10.2f", "%*d".
struct TFormatSpec {
    int Arg = 0; // the argument it takes
    QString
        Specifier; // without "%" and index, type letter in lower case: "-10.2f"; "*" for a width taken from an argument
    qsizetype Pos = 0;
    qsizetype Length = 0;
};
// The specifiers in text order; "%%" and a "%" that starts none are skipped.
std::vector<TFormatSpec> ParseFormatSpecs(const QString& Text);
// The specifiers by argument, "0:s 1:d": two texts pass the format check
// exactly when their signatures are equal.
QString FormatSignatureOf(const QString& Text);

// Accelerators: "&" before a character that is neither "&" nor blank
// ("&&" is a literal ampersand). Letters in text order.
QString AcceleratorLetters(const QString& Text);

// Line breaks: CR LF, a lone CR and a lone LF each count once.
int CountLineBreaks(const QString& Text);

// A run of characters shown so that blanks and control characters can be
// told apart in a one-line message: "\" \"", "\"\\t\"", "nothing".
QString ShownRun(const QString& Run);

// "no accelerator", "one accelerator", "2 accelerators"; Bare gives "none", "one", "2".
QString CountPhrase(int Count, const QString& Noun, const QString& Plural);
QString BareCount(int Count);
