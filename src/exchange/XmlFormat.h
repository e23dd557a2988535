#pragma once

// The XML format of one language: forms with their components' properties,
// units with their constants and external groups with their items, each
// value C-escaped.

#include "exchange/Exchange.h"

class TLangFileProject;

namespace exchange {

class TProgress;
class TImportTarget;

// C-style escapes of a value (\r \n \t, \x1F, a backslash doubled) and back.
QString CEscape(const QString& Value);
QString CUnescape(const QString& Text);

void ExportXml(TLangFileProject& Project, int LangIndex, const QString& FileName, const TExportOptions& Options,
               const TExchangeSelection& Selection, TProgress& Progress);
TImportPreview PreviewXml(const QByteArray& Data, bool Native);
void ImportXml(const QByteArray& Data, TImportTarget& Target, TProgress& Progress);

} // namespace exchange
