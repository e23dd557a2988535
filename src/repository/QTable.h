#pragma once

#include "repository/FuzzyIndex.h"
#include "repository/QField.h"
#include "repository/QFileHandle.h"
#include "repository/QMemoFile.h"

#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class TQMemoryIndex;
class TQMemIndexThread;

enum TQTableState { qtsBrowsing, qtsInsert, qtsEdit, qtsEditDefaults };

enum TQCopyFlag { cfCopy = 0x1, cfAppend = 0x2, cfRestructure = 0x4 };
Q_DECLARE_FLAGS(TQCopyFlags, TQCopyFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TQCopyFlags)

enum TQLockType { ltRead = 0x1, ltWrite = 0x2 };
Q_DECLARE_FLAGS(TQLockTypes, TQLockType)
Q_DECLARE_OPERATORS_FOR_FLAGS(TQLockTypes)

using TQProgressEvent = std::function<void(class TQTable* Sender, qint64 Position, qint64 MaxValue, bool& Stop)>;

// One entry of GetValueLocations: a matching record.
struct TQValueLocation {
    QString Text;
    qint32 Bookmark = 0;
};

// One table of the repository's own single-table database: the table file
// (header, field descriptors, fixed-size records on a live and a free chain)
// and its memo file. Every change is written through to the files at once.
class TQTable {
public:
    static constexpr int HeaderSize = 135;
    static constexpr int DescriptorSize = 109;
    static constexpr int RecHeaderSize = 18;
    static constexpr int CurrentVersion = 6;
    static constexpr quint16 DeletedAttribute = 0xFFFF;

    TQTable();
    virtual ~TQTable();
    TQTable(const TQTable&) = delete;
    TQTable& operator=(const TQTable&) = delete;

    virtual void DoProgress(qint64 Position, qint64 MaxValue, bool& Stop);
    virtual void Open();
    virtual void Close();

    // Files and state
    const QString& DatabaseName() const { return FDatabaseName; }
    void SetDatabaseName(const QString& Value);
    const QString& TableName() const { return FTableName; }
    // A name without extension gets the engine's ".qdb" unless DefaultExtension is off.
    void SetTableName(const QString& Value, bool DefaultExtension = true);
    QString FileName() const;
    QString MemoFileName() const;
    bool Active() const { return FFile.IsOpen(); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool Bof() const { return FBOF; }
    bool Eof() const { return FEOF; }
    TQTableState State() const { return FState; }
    bool Editing() const { return FState == qtsInsert || FState == qtsEdit; }
    TQFieldList& Fields() { return FFields; }
    const TQFieldList& Fields() const { return FFields; }
    qint32 RecordCount() const { return FHeader.RecCount; }
    qint32 TotalRecCount() const { return FHeader.TotalRecCount; }
    int RecSize() const { return FHeader.RecSize; }
    int Version() const { return FHeader.Version; }
    qint32 LastID() const { return FHeader.LastID; }
    qint32 FirstRec() const { return FHeader.FirstRec; }
    qint32 LastRec() const { return FHeader.LastRec; }
    qint32 FirstEmpty() const { return FHeader.FirstEmpty; }
    qint32 LastEmpty() const { return FHeader.LastEmpty; }
    qint64 DataPosStart() const { return HeaderSize + qint64(DescriptorSize) * FFields.Count(); }
    TQMemoFile& MemoFile() { return FMemo; }

    QString Title() const;
    void SetTitle(const QString& Value);
    qint32 DBVersion() const { return FHeader.DBVersion; }
    void SetDBVersion(qint32 Value);
    QString InfoText() const;
    void SetInfoText(const QString& Value);
    int OldInfoLocale() const { return FOldInfoLocale; }
    void SetOldInfoLocale(int Value) { FOldInfoLocale = Value; }
    int MemoBlockSize() const { return FMemoBlockSize; }
    void SetMemoBlockSize(int Value) { FMemoBlockSize = Value; }
    bool AllowChangeAutoInc() const { return FAllowChangeAutoInc; }
    void SetAllowChangeAutoInc(bool Value) { FAllowChangeAutoInc = Value; }
    TQLocateOptions DefaultLocateOptions() const { return FDefaultLocateOptions; }
    void SetDefaultLocateOptions(TQLocateOptions Value) { FDefaultLocateOptions = Value; }
    quint16 ReadLocks() const { return FHeader.ReadLocks; }
    quint16 WriteLocks() const { return FHeader.WriteLocks; }

    TQProgressEvent OnProgress;
    std::function<void(TQTable*)> OnIdle; // kept for callers; the engine never raises it

    // Memory index
    bool UseMemoryIndex() const { return FUseMemoryIndex; }
    void SetUseMemoryIndex(bool Value);
    TQMemoryIndex* MemoryIndex() const { return FMemoryIndex.get(); }
    bool IsMemoryIndexBuilt();
    // Once built: why the index could not be built (the table is damaged),
    // empty when it serves searches.
    const QString& IndexError() const { return FIndexError; }
    qint64 IndexBuildPosition() const;
    TQMemIndexThread* IndexBuilder() const { return FBuilder.get(); }
    // A fuzzy index beside the memory index, of every memory-indexed text
    // field (changing it on an open table builds the index again).
    bool UseFuzzyIndex() const { return FUseFuzzyIndex; }
    void SetUseFuzzyIndex(bool Value);
    // The records whose FieldName text scores at least Threshold against Text
    // and whose RequiredField text is not empty, best first, at most
    // MaxCount. Asks only the index: empty until it is built.
    std::vector<TFuzzyHit> FindFuzzy(const QString& FieldName, const QString& Text, int Threshold, int MaxCount,
                                     const QString& RequiredField);

    // Life cycle of the files
    void CreateTable(qint32 ADBVersion);
    void DeleteTable();
    bool TableExists() const;

    TQField* FieldByName(const QString& FieldName) const;
    TQField* FieldByLocale(int FieldLocale) const;

    // Navigation
    void First();
    void Next();
    void SafeNext();
    void Prior();
    void Last();
    void MoveBy(int Num);
    qint32 Bookmark() const { return FBookmark; }
    void SetBookmark(qint32 Value);
    // Re-reads both headers and the current record (a reader whose files
    // another table object is changing).
    void Refresh();
    // A read-only table walked in order may read through a cache that can be
    // older than the files; links and headers are still read fresh. Only the
    // index builder uses it: whatever it reads stale the user's table
    // corrects, since it updates the index after every change it writes.
    void SetReadCache(bool On);

    // Fails naming the file unless the table is open for writing.
    void CheckWritable() const;
    // A walk of the chain that reached its end visited Visited records:
    // fewer or more than the header counts is damage (an error naming the
    // file), unless a writer changed the chain meanwhile.
    void CheckWalked(qint64 Visited);

    // Editing
    void Append();
    void Edit();
    void EditDefaults();
    void Post();
    void Cancel();
    void Delete();
    void CopyRecordTo(TQTable* Table, bool NewRec);

    // Search
    bool LocateByValue(const QString& FieldName, const QVariant& Value, TQLocateOptions Options);
    void GetValueLocations(const QString& FieldName, const QVariant& Value, TQLocateOptions Options,
                           QList<TQValueLocation>& Bookmarks);

    // Maintenance
    void EmptyTable();
    void RenameTable(const QString& NewName);
    void CopyTo(TQTable* ATable, TQCopyFlags Flags);
    void Restructure(const TQFieldList& NewSchema, qint32 NewDBVersion);
    void Repair();
    void SaveStructure();
    void LockTable(TQLockTypes LocTypes);
    void UnlockTable(TQLockTypes LocTypes);

private:
    friend class TQField;
    friend class TQMemIndexThread;

    struct THeader {
        quint16 Version = CurrentVersion;
        quint32 Attribute = 0;
        QByteArray Title;
        qint32 RecCount = 0;
        qint32 TotalRecCount = 0;
        quint16 RecSize = RecHeaderSize;
        quint16 FieldCount = 0;
        qint32 FirstRec = 0;
        qint32 LastRec = 0;
        qint32 FirstEmpty = 0;
        qint32 LastEmpty = 0;
        qint32 DBVersion = 0;
        qint32 InfoBlock = 0;
        qint32 LastID = 0;
        // Pairs the table file with its memo file: both headers carry the
        // same number, and a restructure gives the new pair a new one.
        quint32 Stamp = 0;
        // Set while a delete changes the links of several records.
        bool Changing = false;
        quint16 ReadLocks = 0;
        quint16 WriteLocks = 0;
    };
    struct TRecHeader {
        quint16 Attribute = 0;
        qint32 Prior = 0;
        qint32 Next = 0;
    };

    void OpenFiles();
    // Finishes a restructure killed between its two renames: the new table
    // file whose stamp is the memo file's replaces the old one.
    bool FinishSwitch(quint32 MemoStamp);
    void RemoveWorkFiles();
    void FinishAppend();
    void FinishChange();
    void CheckActive() const;
    void CheckOpened() const; // "Table "%s" is not opened"
    QByteArray HeaderBytes() const;
    void ParseHeader(const QByteArray& raw);
    void ReadHeader();
    void WriteHeader();
    void ReadStructure();
    QByteArray StructureBytes() const;
    void LayoutFields();
    qint64 RecordPos(qint32 Rec) const { return DataPosStart() + qint64(Rec) * FHeader.RecSize; }
    void ReadRecord(qint32 Rec);
    void WriteRecord(qint32 Rec);
    TRecHeader ReadRecHeader(qint32 Rec) const;
    void WriteRecHeader(qint32 Rec, const TRecHeader& H);
    TRecHeader BufferHeader() const;
    void SetBufferHeader(const TRecHeader& H);
    QList<qint32> StoreMemos();
    void FreeMemos(const QList<qint32>& Chains);
    void LoadInfoText();
    void GoTo(qint32 Rec);
    void CheckBrowsing() const;
    void GoToEnd(qint32 Rec);
    void Step(bool Forward);
    void ResetBuffer();
    void ClearPending();
    // Calls Visit for every live record in chain order; a chain longer than
    // the table has records is damage and ends in an error, not a loop.
    template <class F> void ForEachRecord(F Visit);
    bool IndexServes(const TQField* Field, TQLocateOptions Options);
    void Search(const QString& FieldName, const QVariant& Value, TQLocateOptions Options, bool All,
                QList<TQValueLocation>* Found);
    void StartIndexBuild();
    void StopIndexBuild();
    void EmptyOpenTable();
    void RepairChains();
    void ChangeLocks(TQLockTypes LocTypes, int Delta);

    QString FDatabaseName;
    QString FTableName;
    bool FReadOnly = false;
    TQFileHandle FFile;
    TQMemoFile FMemo;
    THeader FHeader;
    qint32 FVerifiedTotal = -1; // records the file was seen to hold
    TQFieldList FFields;
    QByteArray FRecBuf;
    qint32 FBookmark = 0;
    qint64 FSteps = 0; // Next (or Prior) in a row since the last jump
    bool FStepsForward = true;
    qint32 FSavedBookmark = -1;
    bool FBOF = true;
    bool FEOF = true;
    TQTableState FState = qtsBrowsing;
    bool FDefaultsSet = false;
    QString FInfoText;
    int FOldInfoLocale = 0;
    int FMemoBlockSize = TQMemoFile::DefaultBlockSize;
    bool FAllowChangeAutoInc = false;
    TQLocateOptions FDefaultLocateOptions;
    bool FUseMemoryIndex = false;
    bool FUseFuzzyIndex = false;
    std::unique_ptr<TQMemoryIndex> FMemoryIndex;
    std::unique_ptr<TQMemIndexThread> FBuilder;
    bool FIndexUsable = false;
    QString FIndexError;
};
