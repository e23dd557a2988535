#pragma once

#include "repository/QTable.h"
#include "repository/Repository.h"

#include <QList>
#include <QString>

// The translation memory: a table of "words", one record per phrase, with an
// auto-increment key and one wide-memo field per language named by its locale
// identifier in decimal. Files: P (the table), P with ".mem" (memo file) and
// P with ".ini" (the browser's settings).
class TQLangRepository : public TQTable, public TRepository {
public:
    static constexpr int RepositoryDBVersion = 1;
    static constexpr int RepositoryMemoBlockSize = 40;

    explicit TQLangRepository(const QString& LRFileName);

    // The browser's settings file next to the table.
    QString SettingsFileName() const;

    QString Name() const override;
    bool Exists() const override { return TableExists(); }
    // Opens the files, creating a missing repository (its folder first). When
    // another program holds them for writing, the repository opens read-only
    // and the result is false.
    bool OpenOrCreate() override;
    // Read-only next to an editor or another run that keeps writing.
    void OpenReadOnly() override;
    bool Active() const override { return TQTable::Active(); }
    bool ReadOnly() const override { return TQTable::ReadOnly(); }
    qint32 RecordCount() const override { return TQTable::RecordCount(); }
    bool IndexReady() override;
    qint64 IndexPosition() const override { return IndexBuildPosition(); }
    QString IndexProblem() const override { return IndexError(); }

    // Replaces the schema by the key field alone and creates the files; the
    // table stays closed.
    void CreateRepository();
    // Adds a field for every non-zero locale that has none (in the given
    // order, after the existing ones); restructures when something was added.
    void AddLocales(const QList<int>& Locales) override;
    // Drops the fields of these locales and their texts.
    void DeleteLocales(const QList<int>& Locales) override;
    // The locales of the language fields, in field order.
    QList<int> RepLocales() const override;
    bool HasLocale(int LocID) const override { return Fields().FindByLocale(LocID, true) != nullptr; }

    // The texts of the current record.
    QString GetWord(int LocID) const;
    void SetWord(int LocID, const QString& Value);
    bool LocateByWord(int LocId, const QString& WordValue, TQLocateOptions Options);
    // Needs the fuzzy index (SetUseFuzzyIndex): empty until it is built.
    QList<TFuzzyMatch> FuzzyLookup(int SearchLocale, int TargetLocale, const QString& Text,
                                   int Threshold = DefaultFuzzyThreshold, int MaxCount = DefaultFuzzyCount) override;

    // Through the memory index; the current record stays current.
    void FindRecords(int Locale, const QString& Text, TQLocateOptions Options,
                     QList<TQValueLocation>& Records) override;
    qint32 PairsAt(int ReqLocId, QList<TQValueLocation>& Locations) override;
    qint32 WriteTexts(qint32 Record, const QList<TRepText>& Texts) override;
    void DeleteRecord(qint32 Record) override;
    bool Pack() override;
    bool ForEachRecord(const QList<int>& Locales,
                       const std::function<bool(qint32 Record, const QStringList& Texts)>& Visit) override;

    void SetFuzzyLookups(bool On) override { SetUseFuzzyIndex(On); }

    // Both the table's OnProgress and the repository's progress hear it.
    void DoProgress(qint64 Position, qint64 MaxValue, bool& Stop) override;
};
