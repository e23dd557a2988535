#pragma once

#include "repository/FuzzyIndex.h"
#include "repository/QField.h"
#include "storage/Locales.h"

#include <QString>
#include <QVariant>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TQTable;
class TQMemoryIndexField;

// The state of one running index search, owned by the caller.
struct TQIndexSearchParams {
    TQMemoryIndexField* Field = nullptr;
    QVariant SearchValue;
    TQLocateOptions Options;
    // Where the last match stands: a chunk and an entry in it (no position
    // counts from the start: keeping those counts current would cost every
    // change of a big index).
    size_t Chunk = size_t(-1);
    size_t Offset = 0;
};

// The index of one table field: (key, record number) entries in ascending key
// order, equal keys newest first. A key is the value cut to the key size
// (text in the form the comparison sees it) or an integer.
//
// Entries live in chunks of a few hundred, keys inline, so that a search
// touches few cache lines and an insertion or removal in a million entries
// moves little memory; each record number knows its chunk, which finds its
// entry for an update or delete without scanning the whole list.
class TQMemoryIndexField {
public:
    static constexpr int MaxKeyChars = 20;

    TQMemoryIndexField(const TQField& Src, int MaxStrLength, TQLocateOptions DefaultOptions);
    ~TQMemoryIndexField();

    const QString& FieldName() const { return FFieldName; }
    int Locale() const { return FLocale; }
    TQDataType SrcType() const { return FSrcType; }
    bool IsText() const { return FIsText; }
    int KeySize() const { return FKeySize; }

    qint64 Count() const { return FCount; }
    qint32 Bookmark(qint64 Index) const;
    qint32 AsInteger(qint64 Index) const;
    QString AsWideString(qint64 Index) const;
    QByteArray AsString(qint64 Index) const;
    QVariant AsVariant(qint64 Index) const;

    // Position of the first entry whose key equals Value under Options, -1 when none.
    qint64 IndexByValue(const QVariant& Value, TQLocateOptions Options) const;
    // The search's steps: the first match (false when none), then the entry
    // after the last one while it matches; each gives its record.
    bool FindFirstPos(TQIndexSearchParams& SP, qint32& ABookmark) const;
    bool FindNextPos(TQIndexSearchParams& SP, qint32& ABookmark) const;
    void AddValue(const QVariant& Value, qint32 ABookmark);
    void UpdateValue(qint32 ABookmark, const QVariant& NewValue);
    void DeleteValue(qint32 ABookmark);
    void Delete(qint64 Index);
    bool Contains(qint32 ABookmark) const;
    // The key of a table field's current value.
    QVariant KeyOf(const TQField& Field) const;

    // The builder's way in. Entries are gathered outside the index (by the
    // builder alone, without the lock), then sorted once and merged in: a
    // million sorted insertions cost many times one sort. Records the user's
    // table added, changed or deleted meanwhile keep what the table put there.
    void BeginGather(qint64 MaxEntries); // under the index lock
    void Gather(const QVariant& Value, qint32 ABookmark);
    void MergeGathered(const std::vector<bool>& Deleted); // under the index lock

private:
    struct TEntry {
        TPrimaryPrefix Prefix; // text keys: the collation key's first bytes (see PrefixDecides)
        qint32 Bm = 0;
        quint32 Seq = 0;
        qint32 Int = 0;
        quint8 Len = 0;
        char16_t Chars[MaxKeyChars];
    };
    struct TChunk {
        std::vector<TEntry> Entries;
    };
    struct TPos {
        size_t Chunk = 0;
        size_t Offset = 0;
    };
    TEntry Prepare(const QVariant& Value) const;
    int CompareKeys(const TEntry& A, const TEntry& B, TQLocateOptions Options) const;
    // Whether differing prefixes order two keys under Options: they were
    // made with the sort order's ampersand rule from whole keys.
    bool PrefixDecides(TQLocateOptions Options) const;
    bool Before(const TEntry& A, const TEntry& B) const; // the list order
    template <class Less> TPos LowerBound(Less IsBefore) const;
    void Insert(const TEntry& E);
    TEntry Remove(qint32 Bm);
    const std::vector<qint64>& Starts() const;
    TPos At(qint64 Index) const;
    const TEntry& EntryAt(qint64 Index) const;

    QString FFieldName;
    int FLocale = 0;
    TQDataType FSrcType = dtUnknown;
    bool FIsText = false;
    int FKeySize = 0;
    TQLocateOptions FSortOptions;
    quint32 FNextSeq = 1;
    std::vector<std::unique_ptr<TChunk>> FChunks;
    std::vector<TEntry> FLast;     // the last entry of each chunk, side by side for the search
    std::vector<TChunk*> FChunkOf; // by record number; null = no entry
    std::vector<TEntry> FGathered;
    quint32 FGatherSeq = 0;
    mutable std::vector<qint64> FStarts;
    mutable bool FStartsValid = false;
    qint64 FCount = 0;
};

// The memory index of a table: one index field per memory-indexed field.
class TQMemoryIndex {
public:
    static constexpr int MaxStrLength = 20;

    explicit TQMemoryIndex(TQLocateOptions ADefaultOptions) : FDefaultOptions(ADefaultOptions) {}
    ~TQMemoryIndex();

    TQLocateOptions DefaultOptions() const { return FDefaultOptions; }
    int FieldCount() const { return int(FFields.size()); }
    TQMemoryIndexField* Fields(int Index) const { return FFields.at(size_t(Index)).get(); }
    TQMemoryIndexField* FieldByName(const QString& Name) const;
    static bool CanIndex(TQDataType Type);
    TQMemoryIndexField* AddField(const TQField& Src);

    // The fuzzy index of a text field, kept beside the key index by the same
    // builder and the same changes, under the same lock.
    void AddFuzzyField(const TQField& Src);
    bool HasFuzzyFields() const { return !FFuzzy.empty(); }
    // Records whose FieldName text scores at least Threshold against Text and
    // whose RequiredField text is not empty, best first (see TQFuzzyIndexField).
    std::vector<TFuzzyHit> FindFuzzy(const QString& FieldName, const QString& Text, int Threshold, int MaxCount,
                                     const QString& RequiredField) const;
    qint64 FuzzyMemoryBytes() const;

    void AddRecord(TQTable& ATable);
    void DeleteRecord(TQTable& ATable);
    void UpdateRecord(TQTable& ATable);
    qint32 FindFirst(const QString& FieldName, const QVariant& SearchValue, TQIndexSearchParams& SP,
                     TQLocateOptions Options);
    qint32 FindNext(TQIndexSearchParams& SP);

    // The builder's walk: BeginGather, GatherRecord for every record of its
    // private table, then MergeGathered. A record the index holds by then
    // (the user's table added or changed it meanwhile) or that was deleted
    // meanwhile keeps what the user's table did.
    void BeginGather(qint64 MaxRecords);
    void GatherRecord(TQTable& ATable);
    void MergeGathered();

    // The one lock shared by every memory index.
    static std::mutex& Lock();

private:
    std::vector<QVariant> KeysOf(TQTable& ATable, const std::vector<QString>& Texts) const;
    std::vector<QString> FuzzyTextsOf(TQTable& ATable) const;
    TQFuzzyIndexField* FuzzyField(const QString& Name) const;

    TQLocateOptions FDefaultOptions;
    std::vector<std::unique_ptr<TQMemoryIndexField>> FFields;
    std::vector<std::unique_ptr<TQFuzzyIndexField>> FFuzzy;
    bool FGathering = false;
    std::vector<bool> FDeletedWhileGathering; // by record number
};

// The builder: walks the table through a private read-only table object on a
// thread of its own and fills the index. Destroying it stops it and waits for
// its end, so the index is never freed while the builder can reach it.
class TQMemIndexThread {
public:
    TQMemIndexThread(TQTable* ATable, TQMemoryIndex* AMemIndex);
    ~TQMemIndexThread();
    TQMemIndexThread(const TQMemIndexThread&) = delete;
    TQMemIndexThread& operator=(const TQMemIndexThread&) = delete;

    TQTable* Table() const { return FTable; }
    TQMemoryIndex* MemIndex() const { return FMemIndex; }
    void Terminate() { FTerminated = true; }
    bool Finished() const { return FFinished.load(std::memory_order_acquire); }
    bool Succeeded() const { return FSucceeded.load(std::memory_order_acquire); }
    // Why the build failed; read once Finished.
    const QString& Error() const { return FError; }
    qint64 Position() const { return FPosition.load(std::memory_order_relaxed); }
    // The record the walk stands on (0 = none); valid while WalkLock is held.
    qint32 CurrentRecord() const { return FCurrent.load(std::memory_order_relaxed); }
    // Held by the builder for each step of its walk; holding it pauses the
    // builder between two records (never inside the index lock).
    std::mutex& WalkLock() { return FWalkLock; }

    // Tests hold the builder at a known record: the hook runs before each
    // step, outside the walk lock, with the record the step will add.
    static void SetStepHookForTesting(std::function<void(qint32 Record)> Hook);

private:
    void Run();

    TQTable* FTable; // never touched by the thread
    TQMemoryIndex* FMemIndex;
    QString FDatabaseName;
    QString FTableName;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FSucceeded{false};
    QString FError;
    std::atomic<qint64> FPosition{0};
    std::atomic<qint32> FCurrent{0};
    std::mutex FWalkLock;
    std::thread FThread;
};
