#pragma once

#include "repository/QBaseError.h"
#include "repository/QFileHandle.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

class QIODevice;

// The memo file of a table: a 61-byte header followed by blocks of one fixed
// size. Every variable-length value is a chain of blocks referenced by the
// number of its first block; unused blocks form a free chain that is reused
// before the file grows. Every operation goes straight to the file.
class TQMemoFile {
public:
    static constexpr int HeaderSize = 61;
    static constexpr int BlockHeaderSize = 14;
    static constexpr int DefaultBlockSize = 256;
    static constexpr int MaxBlockSize = 1 << 20;
    static constexpr int MaxAnsiStringSize = 10000;

    TQMemoFile() = default;
    ~TQMemoFile() { Close(); }
    TQMemoFile(const TQMemoFile&) = delete;
    TQMemoFile& operator=(const TQMemoFile&) = delete;

    void CreateMemoFile(const QString& AFileName);
    void Open(const QString& AFileName);
    void Close();
    bool Active() const { return FFile.IsOpen(); }
    const QString& FileName() const { return FFileName; }

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    // The block size of files created by this object; opening takes the
    // file's own. Changes while open are ignored.
    int BlockSize() const { return FBlockSize; }
    void SetBlockSize(int Value);
    int BlockDataSize() const { return FBlockSize - BlockHeaderSize; }

    // The number the memo file shares with its table file (see TQTable).
    quint32 Stamp() const { return FStamp; }
    // Before CreateMemoFile.
    void SetStamp(quint32 Value) { FStamp = Value; }

    qint32 TotalBlockCount() const { return FTotalBlockCount; }
    qint32 FirstBlock() const { return FFirstBlock; }
    qint32 FirstEmpty() const { return FFirstEmpty; }
    qint32 LastEmpty() const { return FLastEmpty; }

    void EmptyMemoFile();
    void Truncate(qint32 LastBlockNum);

    qint32 AddMemo(const QByteArray& Buffer);
    qint32 SaveMemo(qint32 BlockNum, const QByteArray& Buffer);
    void DeleteMemo(qint32 BlockNum);

    qint32 GetMemoSize(qint32 BlockNum);
    // The value's bytes; with MaxBytes >= 0 at most that many from its start.
    QByteArray LoadMemo(qint32 BlockNum, qint32 MaxBytes = -1);
    void LoadMemo(qint32 BlockNum, QIODevice& Stream);
    QByteArray GetBlockData(qint32 BlockNum);

    qint32 AddMemoAsString(const QByteArray& AString) { return AddMemo(AString); }
    qint32 SaveMemoAsString(qint32 BlockNum, const QByteArray& AString) { return SaveMemo(BlockNum, AString); }
    QByteArray LoadMemoAsString(qint32 BlockNum);
    qint32 AddMemoAsWideString(const QString& AString);
    qint32 SaveMemoAsWideString(qint32 BlockNum, const QString& AString);
    QString LoadMemoAsWideString(qint32 BlockNum);

    // Re-reads the header, for a reader whose file another object is growing.
    void ReadHeader();
    // See TQFileHandle::SetReadCache.
    void SetReadCache(bool On) { FFile.SetReadCache(On); }
    void DropCache() const { FFile.DropCache(); }
    void WriteHeader();

    // Repair: adds the blocks of the chain starting at First to Chain and
    // marks them in Used (sized TotalBlockCount + 1). With Repairing, a block
    // whose Next is already used, or that ends early while naming a Next, is
    // cut there; a block that cannot be read ends the walk unlisted.
    void CollectChain(qint32 First, std::vector<bool>& Used, QList<qint32>* Chain, bool Repairing);
    // Repair: appends one block to the free chain (the caller writes the header).
    void AppendToFreeChain(qint32 Block);
    // Repair: forgets the free chain in memory (rebuilt block by block afterwards).
    void ResetFreeChain() { FFirstEmpty = FLastEmpty = 0; }

private:
    struct TBlockHeader {
        quint16 Attribute = 0;
        quint32 Reserved = 0;
        qint32 DataSize = 0;
        qint32 Next = 0;
    };

    void CheckOpen() const;
    void ParseHeader(const QByteArray& raw);
    qint64 BlockPos(qint32 Block) const { return HeaderSize + qint64(Block - 1) * FBlockSize; }
    bool ValidBlock(qint32 Block) const { return Block >= 1 && Block <= FTotalBlockCount; }
    [[noreturn]] void WrongBlock(qint32 Block) const;
    TBlockHeader ReadBlockHeader(qint32 Block);
    void WriteBlockHeader(qint32 Block, const TBlockHeader& Header);
    void AppendBlock(QByteArray& Out, qint32 DataSize, qint32 Next, const char* Data, qint32 Size) const;
    // The blocks of a chain in order; a chain that leaves the file or loops
    // is an error. A block naming itself ends the chain.
    QList<qint32> ChainOf(qint32 First);
    // Count blocks for a value: the head of the free chain first, then new
    // blocks at the end of the file. Allocate only plans; Commit takes them
    // into the header. New blocks are written before the header counts them,
    // reused ones after it has taken them off the free chain, so a failure in
    // between leaves at worst unreachable blocks.
    struct TAllocation {
        QList<qint32> Blocks;
        qint32 Reused = 0;
        qint32 FirstEmpty = 0;
        qint32 LastEmpty = 0;
        qint32 Total = 0;
    };
    TAllocation Allocate(qint32 Count);
    void Commit(const TAllocation& A);
    // Writes a value into Blocks (the whole chain), only the blocks From..To-1.
    void WriteChain(const QList<qint32>& Blocks, const QByteArray& Buffer, qint32 From, qint32 To);
    // Hangs a proper chain (its last block has Next 0) onto the free chain.
    void FreeChain(const QList<qint32>& Blocks);
    qint32 BlocksFor(qint64 Size) const;

    TQFileHandle FFile;
    QString FFileName;
    bool FReadOnly = false;
    int FBlockSize = DefaultBlockSize;
    quint32 FVersion = 1;
    quint32 FAttribute = 0;
    qint32 FTotalBlockCount = 0;
    qint32 FFirstBlock = 0;
    qint32 FFirstEmpty = 0;
    qint32 FLastEmpty = 0;
    qint32 FVerifiedTotal = -1;
    quint32 FStamp = 0;
};
