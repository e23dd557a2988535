#pragma once

// The line-oriented text format: one value per line, each line of a value a
// quoted string, control characters as "#" and their decimal code.

#include "exchange/Exchange.h"

#include <QString>

class TLangFileProject;

namespace exchange {

class TProgress;
class TImportTarget;

// One value as the text format writes it: its lines quoted and joined with
// the delimiter; an empty value gives an empty text.
QString QuoteValue(const QString& Value, QChar Delimiter);
// The reverse: a sequence of quoted strings separated by the delimiter, the
// lines of the value joined with CR LF. Throws EExchangeError when the text
// is not such a sequence.
QString UnquoteValue(QStringView Text, QChar Delimiter);

// The file's bytes as text: UTF-8 or UTF-16LE by their byte-order mark,
// otherwise the ANSI code page of Locale.
QString DecodeTextFile(const QByteArray& Data, int Locale);

void ExportText(TLangFileProject& Project, int LangIndex, const QString& FileName, const TExportOptions& Options,
                const TExchangeSelection& Selection, TProgress& Progress);
TImportPreview PreviewText(const QString& Text);
void ImportText(const QString& Text, TImportTarget& Target, TProgress& Progress);

} // namespace exchange
