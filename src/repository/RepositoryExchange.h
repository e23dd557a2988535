#pragma once

// The repository as a whole in exchange files: the XML table format of the
// program and TMX 1.4, written and read.

#include "core/VocabrixError.h"

#include <QList>
#include <QString>

class TRepository;
class TRepositoryFlows;
class TPrompt;

VOCABRIX_ERROR(ERepExchangeError, EVocabrixError);

// How texts of the XML table are written ("Strings format").
enum TRepStringsFormat { sfCStyle, sfDelphi };

struct TRepExportOptions {
    QString FileName;
    int BaseLocale = 0;
    QList<int> Locales; // the other languages, in the order they are written
    TRepStringsFormat Format = sfCStyle;
};

// Both write the file atomically, also after a cancel (with the records
// walked until then); false when the user cancelled. Written receives the
// number of records written.
bool ExportToXML(TRepository& Repository, const TRepExportOptions& Options, TPrompt& Prompt, qint64* Written = nullptr);
bool ExportToTMX(TRepository& Repository, const TRepExportOptions& Options, TPrompt& Prompt, qint64* Written = nullptr);

// What an import of a whole file did.
struct TRepImportSummary {
    qint64 Entries = 0;      // entries read
    qint64 Imported = 0;     // of them, with a pair stored or already there
    qint64 SameAsSource = 0; // of them, every translation equal to its source ("RepAddTheSame" off)
    qint64 NoSource = 0;     // of them, without a usable text in the source language
    qint64 Skipped = 0;      // entries skipped by the file's own marks (fuzzy PO entries)
    qint64 UnknownTexts = 0; // texts left out: their language is unknown
    QStringList UnknownCodes;
    // "120 entries imported, 2 skipped: translation equals source"
    QString Text() const;
};

// Imports a TMX, XML table or gettext PO file through the flows'
// RepositoryAddWord. False when stopped (by the user or by an error already
// reported through Prompt); pairs added before stay. A file that is no such
// document throws EExchangeError.
bool ImportRepositoryFile(TRepositoryFlows& Flows, const QString& FileName, TPrompt& Prompt,
                          TRepImportSummary* Summary = nullptr);

// The two string formats of the XML table. The decoders throw ERepExchangeError.
QString EncodeCString(QStringView Text);
QString EncodeDelphiString(QStringView Text);
QString DecodeCString(QStringView Text);
QString DecodeDelphiString(QStringView Text);
