#pragma once

// gettext PO, the format most translators' tools and team platforms speak
// first: one entry per textual item, msgctxt its full name, msgid the
// native text, msgstr the translation.

#include "exchange/Exchange.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class TLangFileProject;
class TLocStorage;

namespace exchange {

class TProgress;
class TImportTarget;

// One entry of a PO file as read.
struct TPoEntry {
    QString Context;         // msgctxt
    QString Id;              // msgid
    QString Str;             // msgstr (msgstr[0] of a plural entry)
    QStringList Extracted;   // "#." comments
    bool HasContext = false; // a msgctxt was given (also an empty one)
    bool Fuzzy = false;      // "#, fuzzy"
    bool Plural = false;     // msgid_plural: no item of ours has plurals
    bool IsHeader() const { return !HasContext && Id.isEmpty(); }
};

// A whole file: its header's fields and its entries (obsolete "#~" entries
// left out). Throws EExchangeError with the line on a syntax error, and on a
// charset other than UTF-8 (or ASCII).
struct TPoFile {
    QList<TPoEntry> Entries;
    QString HeaderField(const QString& Name) const;
    QString Header; // the header entry's msgstr
};
TPoFile ParsePo(const QByteArray& Data);

// "de_DE" for German (Germany): the form of gettext's Language header.
QString PoLanguageCode(int Locale);
// The locale of a PO language code (de_DE, de-DE, de, de_DE.UTF-8,
// sr@latin), 0 when the system does not know it.
int LocaleOfPoCode(const QString& Code);

void ExportPo(TLangFileProject& Project, int LangIndex, const QString& FileName, const TExportOptions& Options,
              const TExchangeSelection& Selection, TProgress& Progress);
TImportPreview PreviewPo(const QByteArray& Data, const TLocStorage& Project);
void ImportPo(const QByteArray& Data, TImportTarget& Target, TProgress& Progress);

} // namespace exchange
