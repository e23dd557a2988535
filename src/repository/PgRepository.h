#pragma once

#include "repository/Repository.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

// The settings of a connection string
// "postgresql://host[:port]/database?user=NAME[&sslmode=...][&connect_timeout=...]".
// A password is refused: it belongs in the password file (PGPASSFILE,
// ~/.pgpass) or in PGPASSWORD, where the driver finds it.
struct TPgConnection {
    QString Host;
    int Port = -1;
    QString Database;
    QString User;
    QString Options; // the driver's connect options ("sslmode=require;connect_timeout=10")
    // Seconds after which the server ends a command that does not finish
    // (the "statement_timeout" parameter, 30 unless given).
    int StatementTimeout = 30;

    // Throws ERepositoryError naming what is wrong.
    static TPgConnection Parse(const QString& Url);
};

// A translation memory on a PostgreSQL server, shared by every program that
// connects to it. A record is a row of phrasedesk_records; each of its texts
// a row of phrasedesk_texts keyed by record and language, so an edit writes
// only the languages it changes. Lookups go through an index on the caseless
// form of the texts and are then compared as the embedded repository
// compares (the locale's collation). Fuzzy lookups go through the texts'
// words (phrasedesk_words, written with each text), with words alike found by
// trigrams (pg_trgm) in the vocabulary of each language.
class TPgRepository : public TRepository {
public:
    // 2: the words of the texts for fuzzy lookups.
    static constexpr int SchemaVersion = 2;

    explicit TPgRepository(const QString& Url);
    ~TPgRepository() override;

    // Never the password, should the string hold one.
    QString Name() const override { return ShownRepositoryName(FUrl); }
    bool Exists() const override { return true; }
    bool OpenOrCreate() override;
    void OpenReadOnly() override;
    bool Active() const override { return FDb.isOpen(); }
    bool ReadOnly() const override { return FReadOnly; }
    qint32 RecordCount() const override;
    bool IndexReady() override { return true; }
    qint64 IndexPosition() const override { return 0; }
    QString IndexProblem() const override { return {}; }

    QList<int> RepLocales() const override;
    void AddLocales(const QList<int>& Locales) override;
    void DeleteLocales(const QList<int>& Locales) override;

    void FindRecords(int Locale, const QString& Text, TQLocateOptions Options,
                     QList<TQValueLocation>& Records) override;
    qint32 PairsAt(int ReqLocId, QList<TQValueLocation>& Locations) override;
    // Scored as the embedded repository scores; the candidates are the texts
    // holding the query's rarer words or words alike.
    QList<TFuzzyMatch> FuzzyLookup(int SearchLocale, int TargetLocale, const QString& Text,
                                   int Threshold = DefaultFuzzyThreshold, int MaxCount = DefaultFuzzyCount) override;
    qint32 WriteTexts(qint32 Record, const QList<TRepText>& Texts) override;
    void DeleteRecord(qint32 Record) override;
    bool Pack() override;
    bool ForEachRecord(const QList<int>& Locales,
                       const std::function<bool(qint32 Record, const QStringList& Texts)>& Visit) override;
    // Writes the words of every text again: after texts came in other than
    // through this class (a bulk load) and when an older database is upgraded.
    void RebuildWords();
    // A literal of an SQL array of texts ('{"a","b"}'), to bind as one value.
    static QString TextArray(const QStringList& Values);

protected:
    bool SharedWriters() const override { return true; }
    void Transaction(const QString& Key, const std::function<void()>& Work) override;

private:
    void Connect();
    void CreateSchema();
    // Runs a statement; a failure throws with the server's message (a lost
    // connection says so).
    QSqlQuery Exec(const QString& Sql, const QVariantList& Values = {}, bool Reuse = false) const;
    void Reconnect() const;
    void SetUpSession() const;
    // Work in a transaction of its own unless one is open already.
    void Atomic(const std::function<void()>& Work);
    void CheckWritable() const;
    // The words rows of one text (its old ones are gone or are removed here).
    void WriteWords(qint32 Record, int Locale, const QString& Text);
    [[noreturn]] void Fail(const QString& What, const class QSqlError& Error) const;

    QString FUrl;
    QString FConnectionName;
    int FStatementTimeout = 30;
    mutable QSqlDatabase FDb;
    mutable QHash<QString, QSqlQuery> FPrepared;
    bool FReadOnly = false;
    mutable bool FLost = false; // the connection broke: the next operation connects again
    int FTransactionDepth = 0;
    // The languages, read again now and then: other users add some.
    mutable QList<int> FLocales;
    mutable QElapsedTimer FLocalesAge;
};
