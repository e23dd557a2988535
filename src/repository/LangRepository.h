#pragma once

#include "repository/QTable.h"

#include <QList>
#include <QString>

// A record of the repository whose text is like the one looked up.
struct TFuzzyMatch {
    int Score = 0; // 0..100, see FuzzyScore
    qint32 Bookmark = 0;
    QString Text;        // in the search language
    QString Translation; // in the target language
};

// The translation memory: a table of "words", one record per phrase, with an
// auto-increment key and one wide-memo field per language named by its locale
// identifier in decimal. Files: P (the table), P with ".mem" (memo file) and
// P with ".ini" (the browser's settings).
class TQLangRepository : public TQTable {
public:
    static constexpr int RepositoryDBVersion = 1;
    static constexpr int RepositoryMemoBlockSize = 40;

    explicit TQLangRepository(const QString& LRFileName);

    // The browser's settings file next to the table.
    QString SettingsFileName() const;

    // Opens the files, creating a missing repository (its folder first). When
    // another program holds them for writing, the repository opens read-only
    // and the result is false.
    bool OpenOrCreate();

    // Replaces the schema by the key field alone and creates the files; the
    // table stays closed.
    void CreateRepository();
    // Adds a field for every non-zero locale that has none (in the given
    // order, after the existing ones); restructures when something was added.
    void AddLocales(const QList<int>& Locales);
    // Drops the fields of these locales and their texts.
    void DeleteLocales(const QList<int>& Locales);
    // The locales of the language fields, in field order.
    QList<int> RepLocales() const;
    bool HasLocale(int LocID) const { return Fields().FindByLocale(LocID, true) != nullptr; }
    // The locale whose field serves LocID: its own, else once the fallback
    // (neutral <-> default sublanguage); 0 when neither has a field.
    int ServingLocale(int LocID) const;

    QString GetWord(int LocID) const;
    void SetWord(int LocID, const QString& Value);

    bool LocateByWord(int LocId, const QString& WordValue, TQLocateOptions Options);
    bool ExtractWord(int NativeLocale, const QString& NativeWord, int WordLocale, QString& WordValue,
                     TQLocateOptions Options);
    // The non-empty ReqLocId texts of every record whose OrigLocId text
    // matches, in search order with their record numbers; returns a matching
    // record whose ReqLocId text is empty (0 when none). The current record
    // stays current.
    qint32 GetPairsByWord(int OrigLocId, int ReqLocId, const QString& OrigValue, TQLocateOptions Options,
                          QList<TQValueLocation>& ReqValues);
    // The GetPairsByWord walk over records already found (Locations, in
    // search order): keeps those with a ReqLocId text, which becomes their
    // Text; returns a found record whose text is empty (0 when none).
    qint32 PairsAt(int ReqLocId, QList<TQValueLocation>& Locations);
    static constexpr int DefaultFuzzyThreshold = 75;
    static constexpr int DefaultFuzzyCount = 5;
    // The records whose SearchLocale text scores at least Threshold against
    // Text and that have a TargetLocale text, best first, at most MaxCount
    // different translations (a translation found again keeps its best
    // score). Needs the fuzzy index (SetUseFuzzyIndex): empty until it is
    // built. The current record stays current.
    QList<TFuzzyMatch> FuzzyLookup(int SearchLocale, int TargetLocale, const QString& Text,
                                   int Threshold = DefaultFuzzyThreshold, int MaxCount = DefaultFuzzyCount);
    // Stores one pair unless it is there already; fills a matching record that
    // lacks the translation before appending a new one.
    void AddEditWord(int Locale1, int Locale2, const QString& Word1Value, const QString& Word2Value,
                     TQLocateOptions Options);
    // Adds the pairs (first column, third column) of a Microsoft glossary
    // file. False when the file does not exist or the import was stopped; a
    // file that cannot be read as a glossary adds nothing and throws.
    bool ImportMSGlossary(const QString& FileName, int Locale1, int Locale2, TQLocateOptions Options);
    // Removes records with fewer than two texts and duplicates of a record in
    // every language; false when stopped.
    bool Pack();

    // The fallback locale of the locale matching rule.
    static int FallbackLocale(int LocID);
};

// One line of a Microsoft glossary split into its columns (quotes and C-style
// escapes resolved). Throws EQBaseError on an unterminated quoted column.
QStringList SplitGlossaryLine(const QString& Line);
