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

// Imports a TMX or XML table file through the flows' RepositoryAddWord. False
// when stopped (by the user or by an error already reported through Prompt);
// pairs added before stay. A file that is no such document throws
// EExchangeError. Entries receives the number of entries processed.
bool ImportRepositoryFile(TRepositoryFlows& Flows, const QString& FileName, TPrompt& Prompt, qint64* Entries = nullptr);

// The two string formats of the XML table. The decoders throw ERepExchangeError.
QString EncodeCString(QStringView Text);
QString EncodeDelphiString(QStringView Text);
QString DecodeCString(QStringView Text);
QString DecodeDelphiString(QStringView Text);
