#pragma once

// Imports from files that other tools made: another language file of the
// same application, and a TMX file of Sisulizer.

#include "exchange/Exchange.h"

class TLangFileProject;

namespace exchange {

class TProgress;
class TImportTarget;

TImportPreview PreviewLangFile(const TLangFileProject& Project, int LangIndex, const QString& FileName);
void ImportLangFile(const QString& FileName, TImportTarget& Target, TProgress& Progress);

// The language code the TMX import looks for (de-DE), or its neutral
// language's (de) when the file has only that; empty when it has neither.
QString TmxLanguageCode(const QStringList& FileLanguages, int Locale);
TImportPreview PreviewTmx(const QByteArray& Data);
void ImportTmx(const QByteArray& Data, TImportTarget& Target, TProgress& Progress);

} // namespace exchange
