#pragma once

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

// One record found by a fuzzy search.
struct TFuzzyHit {
    qint32 Bookmark = 0;
    int Score = 0;
    double Similarity = 0; // 0..1 before rounding: orders hits of one score
};

// The fuzzy index of one text field: every record's words (as FuzzyWords
// gives them) by number, a posting list of records per word, and the
// character bigrams of the words so that alike words ("file", "files") are
// found without looking at every word.
//
// A search takes the query's rarest words whose weight a match cannot do
// without: a text that shares none of them (nor a word alike) must lose more
// than the threshold allows. Only records in their posting lists, of a total
// weight the threshold allows, are scored, with the exact word edit distance.
// Short queries are cheap: a text of one or two words has few records of its
// length in the posting lists of its words.
//
// Posting lists are not cleaned at once when a record changes or goes: the
// search checks a record's current words; the lists are rebuilt when the
// stale entries outnumber the live ones.
class TQFuzzyIndexField {
public:
    // A text's words beyond this many are not indexed.
    static constexpr int MaxWords = 255;

    TQFuzzyIndexField(const QString& FieldName, int Locale) : FFieldName(FieldName), FLocale(Locale) {}

    const QString& FieldName() const { return FFieldName; }
    int Locale() const { return FLocale; }

    // Adds the record or replaces its text; an empty text is known but found by no search.
    void SetText(qint32 Bookmark, const QString& Text);
    void Remove(qint32 Bookmark);
    bool Contains(qint32 Bookmark) const;
    // Whether the record's text is not empty.
    bool HasText(qint32 Bookmark) const;
    qint64 Count() const { return FCount; }

    // Records scoring at least Threshold against Text, best first, at most
    // MaxCount; Accept may refuse a record (for example one without a
    // translation). At most MaxScored records are scored.
    std::vector<TFuzzyHit> Find(const QString& Text, int Threshold, int MaxCount,
                                const std::function<bool(qint32)>& Accept, int MaxScored = 50000) const;

    // Gives back what growing lists keep in reserve (after a build).
    void Shrink();
    // The memory the index holds, in bytes (an estimate of the allocations).
    qint64 MemoryBytes() const;

private:
    struct TRecord {
        quint32 Offset = 0; // into FWordsOf
        quint16 Weight = 0; // total weight of the words
        quint8 Count = 0;   // words
        quint8 State = 0;   // 0 unknown, 1 empty text, 2 text without words, 3 words
    };
    struct TQueryWord {
        QString Text;
        int Times = 0;                 // how often the query has it
        std::vector<quint32> Variants; // the word itself and the words alike
        qint64 Postings = 0;
    };

    quint32 WordId(const QString& Word);
    void AddGrams(quint32 Word);
    std::vector<quint32> Variants(const QString& Word) const;
    const quint32* WordsOf(const TRecord& R) const { return FWordsOf.data() + R.Offset; }
    void Forget(TRecord& R);
    void Compact();

    QString FFieldName;
    int FLocale = 0;
    QHash<QString, quint32> FIds;
    std::vector<QString> FWords;
    std::vector<quint8> FWeights;                // by word: FuzzyWordWeight
    std::vector<std::vector<qint32>> FPostings;  // by word
    QHash<quint32, std::vector<quint32>> FGrams; // bigram -> words
    std::vector<TRecord> FRecords;               // by record number
    std::vector<quint32> FWordsOf;               // the records' words, one run each
    qint64 FDeadWords = 0;                       // entries of FWordsOf no record uses
    qint64 FLivePostings = 0;
    qint64 FStalePostings = 0;
    qint64 FCount = 0;
    // A search's scratch: the search that last looked at a record or a word,
    // the word's row of costs against the query's words, the words sharing a bigram.
    mutable std::vector<quint32> FSeen;
    mutable std::vector<quint32> FWordSeen;
    mutable std::vector<quint32> FWordRow;
    mutable std::vector<quint8> FShared;
    mutable quint32 FSearch = 0;
};
