#pragma once

// Export and import of several language files of a project without any
// window, for build scripts.

#include "exchange/Exchange.h"

#include <QString>
#include <QStringList>

class TPrompt;
class TIniFile;

// The file format a batch run writes or reads.
enum TBatchFormat { bfText, bfXml, bfXliff12, bfXliff20, bfPo };

struct TBatchExchange {
    QString ProjectFile; // the native language file
    QStringList Codes;   // language file codes; empty or "ALL" for every file
    QString Folder;      // output (export) or input (import) folder; empty for the project's
    QString CfgFile;     // options; a missing or unreadable file leaves the defaults
    TBatchFormat Format = bfText;
};

// The extension of exchange files of a format (".txt", ".xml", ".xlf", ".po").
QString BatchExchangeExtension(TBatchFormat Format);

TExportOptions ReadExportOptions(const TIniFile& Cfg);
TImportOptions ReadImportOptions(const TIniFile& Cfg);

// Each runs over the language files; a file that fails is reported through
// Prompt as an error and the run goes on with the next. Returns false when
// any file failed or the run was cancelled. Errors outside the per-file
// work (the project cannot be opened) are thrown.
bool RunBatchExport(const TBatchExchange& Run, TPrompt& Prompt);
// The import adds one line per imported file to Summary ("Notes.deu.xlf: 8 of
// 55 units changed, 47 unchanged, 0 unmatched"; with "ListUnmatched" in the
// options file also one line per unmatched entry).
bool RunBatchImport(const TBatchExchange& Run, TPrompt& Prompt, QStringList* Summary = nullptr);
