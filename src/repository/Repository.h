#pragma once

// The translation memory as the flows see it: languages, records of texts
// (one per language), lookups and writes. The embedded table engine is the
// default; a team shares one on a PostgreSQL server. Nothing above this
// interface knows which one it talks to.

#include "repository/QBaseError.h"
#include "repository/QTable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Errors of a repository backend other than the table engine's own.
VOCABRIX_ERROR(ERepositoryError, EQBaseError);

// One text of a record.
struct TRepText {
    int Locale = 0;
    QString Text;
};

// A record of the repository whose text is like the one looked up.
struct TFuzzyMatch {
    int Score = 0; // 0..100, see FuzzyScore
    qint32 Bookmark = 0;
    QString Text;        // in the search language
    QString Translation; // in the target language
};

using TRepProgress = std::function<void(qint64 Position, qint64 MaxValue, bool& Stop)>;

class TRepository {
public:
    virtual ~TRepository() = default;

    // What the user knows it by: the table's path, or the connection string.
    virtual QString Name() const = 0;
    // Whether there is one to open (a shared one always exists).
    virtual bool Exists() const = 0;
    // Opens it, creating what is missing. False when it opened read-only
    // because another program writes to it.
    virtual bool OpenOrCreate() = 0;
    // Opens an existing one for reading only.
    virtual void OpenReadOnly() = 0;
    virtual bool Active() const = 0;
    virtual bool ReadOnly() const = 0;
    virtual qint32 RecordCount() const = 0;

    // Lookups need an index that an embedded repository builds in the
    // background after opening; until it is ready they would scan.
    virtual bool IndexReady() = 0;
    virtual qint64 IndexPosition() const = 0;
    // Once ready: why the index could not be built, empty when it serves.
    virtual QString IndexProblem() const = 0;

    // ---- languages
    // The languages of the records, in their order.
    virtual QList<int> RepLocales() const = 0;
    virtual bool HasLocale(int LocID) const { return RepLocales().contains(LocID); }
    // Adds every non-zero locale it does not have, in the given order.
    virtual void AddLocales(const QList<int>& Locales) = 0;
    // Drops these languages and their texts.
    virtual void DeleteLocales(const QList<int>& Locales) = 0;
    // The locale whose texts serve LocID: its own, else once the fallback
    // (neutral <-> default sublanguage); 0 when neither is there.
    int ServingLocale(int LocID) const;
    static int FallbackLocale(int LocID);

    // ---- lookups
    // The records whose Locale text matches Text, newest first (Bookmark
    // set, Text empty). No records when the language is missing.
    virtual void FindRecords(int Locale, const QString& Text, TQLocateOptions Options,
                             QList<TQValueLocation>& Records) = 0;
    // Keeps the records (in their order) that have a ReqLocId text, which
    // becomes their Text; returns one whose text is empty (0 when none).
    virtual qint32 PairsAt(int ReqLocId, QList<TQValueLocation>& Locations) = 0;
    // The non-empty ReqLocId texts of the records whose OrigLocId text
    // matches; returns a matching record whose ReqLocId text is empty.
    qint32 GetPairsByWord(int OrigLocId, int ReqLocId, const QString& OrigValue, TQLocateOptions Options,
                          QList<TQValueLocation>& ReqValues);
    // The WordLocale text of the newest record matching NativeWord; false
    // when there is none or it is empty.
    bool ExtractWord(int NativeLocale, const QString& NativeWord, int WordLocale, QString& WordValue,
                     TQLocateOptions Options);

    static constexpr int DefaultFuzzyThreshold = 75;
    static constexpr int DefaultFuzzyCount = 5;
    // The records whose SearchLocale text scores at least Threshold against
    // Text (FuzzyScore) and that have a TargetLocale text, best first, at
    // most MaxCount different translations (a translation found again keeps
    // its best score).
    virtual QList<TFuzzyMatch> FuzzyLookup(int SearchLocale, int TargetLocale, const QString& Text,
                                           int Threshold = DefaultFuzzyThreshold, int MaxCount = DefaultFuzzyCount) = 0;

    // ---- writes
    // Sets texts of one record (Record 0: a new one; a record deleted
    // meanwhile is added anew) and returns the record. Only the given
    // languages are written, so edits of other languages stay.
    virtual qint32 WriteTexts(qint32 Record, const QList<TRepText>& Texts) = 0;
    virtual void DeleteRecord(qint32 Record) = 0;
    // Stores translations of Text1 (Locale1) into record Target (0: a new
    // one) together with Text1. A repository shared by several writers looks
    // again inside one transaction and leaves out the translations another
    // user stored meanwhile, so a pair is not stored twice. False when
    // nothing was left to store.
    bool StoreTexts(int Locale1, const QString& Text1, QList<TRepText> Translations, TQLocateOptions Options,
                    qint32 Target);
    // Stores one pair unless it is there already; fills a matching record
    // that lacks the translation before adding a new one.
    void AddEditWord(int Locale1, int Locale2, const QString& Word1Value, const QString& Word2Value,
                     TQLocateOptions Options);
    // Adds the pairs (first column, third column) of a Microsoft glossary
    // file. False when the file does not exist or the import was stopped; a
    // file that cannot be read as a glossary adds nothing and throws.
    bool ImportMSGlossary(const QString& FileName, int Locale1, int Locale2, TQLocateOptions Options);
    // Removes records with fewer than two texts and duplicates of a record in
    // every language; false when stopped.
    virtual bool Pack() = 0;

    // ---- walking
    // Visits every record in the order they were added with its texts of
    // Locales; false when Visit stopped the walk.
    virtual bool ForEachRecord(const QList<int>& Locales,
                               const std::function<bool(qint32 Record, const QStringList& Texts)>& Visit) = 0;

    // Whether fuzzy lookups will be asked for: the embedded repository then
    // builds their index too. Before opening.
    virtual void SetFuzzyLookups(bool On) { (void)On; }

    // Progress of the long runs (Pack, glossary import).
    TRepProgress OnRepositoryProgress;
    virtual void DoProgress(qint64 Position, qint64 MaxValue, bool& Stop);

protected:
    // Whether other programs may write at the same time (StoreTexts then
    // checks again inside the transaction).
    virtual bool SharedWriters() const { return false; }
    // Runs Work as one transaction that other writers of the same Key wait
    // for; an error inside rolls everything back.
    virtual void Transaction(const QString& Key, const std::function<void()>& Work) { (void)Key, Work(); }
};

// Whether Name is a connection string ("postgresql://...") rather than the
// path of an embedded repository.
bool IsRepositoryConnection(const QString& Name);
// Whether every repository can keep Text: no NUL character (a shared
// repository refuses it) and no unpaired surrogate (it would be stored as "?").
bool IsStorableText(const QString& Text);
// A connection string as it may be shown: a password in it (after the user
// name, or as a "password" parameter) becomes "***". Paths stay as they are.
QString ShownRepositoryName(const QString& Name);
// The repository called Name (a connection string or a path), not open yet.
std::unique_ptr<TRepository> NewRepository(const QString& Name);

// One line of a Microsoft glossary split into its columns (quotes and C-style
// escapes resolved). Throws EQBaseError on an unterminated quoted column.
QStringList SplitGlossaryLine(const QString& Line);
