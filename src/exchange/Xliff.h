#pragma once

// XLIFF 1.2 and 2.0, the format translation agencies' tools read: one file
// per form, unit and external group, one unit per item.

#include "exchange/Exchange.h"

class TLangFileProject;
class TLocStorage;

namespace exchange {

class TProgress;
class TImportTarget;

void ExportXliff(TLangFileProject& Project, int LangIndex, const QString& FileName, bool Version2,
                 const TExportOptions& Options, const TExchangeSelection& Selection, TProgress& Progress);
TImportPreview PreviewXliff(const QByteArray& Data, const TLocStorage& Project);
void ImportXliff(const QByteArray& Data, TImportTarget& Target, TProgress& Progress);

} // namespace exchange
