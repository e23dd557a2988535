#include "repository/QMemoFile.h"

#include "core/ByteStream.h"
#include "platform/AtomicFile.h"

#include <QIODevice>
#include <algorithm>

#include <unordered_set>

namespace {
const QString kHeaderReading = QStringLiteral("Error during memo header reading");
}

void TQMemoFile::SetBlockSize(int Value)
{
    if (!Active() && Value > BlockHeaderSize && Value <= MaxBlockSize) FBlockSize = Value;
}

void TQMemoFile::CheckOpen() const
{
    if (!Active()) throw EQMemoError(QStringLiteral("Memo file is not opened"));
}

void TQMemoFile::WrongBlock(qint32 Block) const
{
    throw EQMemoError(QStringLiteral("Wrong memo block number: \"%1\"").arg(Block));
}

void TQMemoFile::CreateMemoFile(const QString& AFileName)
{
    if (Active()) throw EQMemoError(QStringLiteral("Memo file is already opened"));
    QByteArray raw;
    TByteWriter w(raw);
    w.U32(1);
    w.U32(0);
    w.I32(0);
    w.I32(FBlockSize);
    w.I32(0);
    w.I32(0);
    w.I32(0);
    w.U32(FStamp);
    w.Zeros(HeaderSize - raw.size());
    try {
        WriteFileAtomic(AFileName, raw);
    } catch (const EVocabrixError&) {
        throw EQMemoError(QStringLiteral("Can't create memo file"));
    }
}

void TQMemoFile::Open(const QString& AFileName)
{
    Close();
    if (!FFile.Open(AFileName, FReadOnly)) throw EQMemoError(QStringLiteral("Can't open file: %1").arg(AFileName));
    FFileName = AFileName;
    try {
        ReadHeader();
    } catch (...) {
        FFile.Close();
        throw;
    }
}

void TQMemoFile::Close()
{
    FVerifiedTotal = -1;
    FFile.Close();
}

void TQMemoFile::ReadHeader()
{
    CheckOpen();
    QByteArray raw(HeaderSize, '\0');
    if (!FFile.ReadAt(0, raw.data(), HeaderSize, true)) throw EQMemoError(kHeaderReading);
    ParseHeader(raw);
}

void TQMemoFile::ParseHeader(const QByteArray& raw)
{
    TByteReader<EQBaseError> r(raw, kHeaderReading);
    const quint32 version = r.U32();
    const quint32 attribute = r.U32();
    const qint32 total = r.I32();
    const qint32 blockSize = r.I32();
    const qint32 firstBlock = r.I32();
    const qint32 firstEmpty = r.I32();
    const qint32 lastEmpty = r.I32();
    const quint32 stamp = r.U32();
    const auto inRange = [total](qint32 b) { return b >= 0 && b <= total; };
    // A header that names blocks the file does not hold is damaged; trusting
    // it would send every later read past the end.
    if (blockSize <= BlockHeaderSize || blockSize > MaxBlockSize || total < 0 || !inRange(firstBlock) ||
        !inRange(firstEmpty) || !inRange(lastEmpty) || (firstEmpty == 0) != (lastEmpty == 0) ||
        (total > FVerifiedTotal && FFile.Size() < HeaderSize + qint64(total) * blockSize))
        throw EQMemoError(kHeaderReading);
    FVerifiedTotal = total; // the file held that many blocks; re-reads check only growth
    FVersion = version;
    FAttribute = attribute;
    FTotalBlockCount = total;
    FBlockSize = blockSize;
    FFirstBlock = firstBlock;
    FFirstEmpty = firstEmpty;
    FLastEmpty = lastEmpty;
    FStamp = stamp;
}

void TQMemoFile::WriteHeader()
{
    CheckOpen();
    QByteArray raw;
    TByteWriter w(raw);
    w.U32(FVersion);
    w.U32(FAttribute);
    w.I32(FTotalBlockCount);
    w.I32(FBlockSize);
    w.I32(FFirstBlock);
    w.I32(FFirstEmpty);
    w.I32(FLastEmpty);
    w.U32(FStamp);
    w.Zeros(HeaderSize - raw.size());
    if (!FFile.WriteAt(0, raw.constData(), raw.size()))
        throw EQMemoError(QStringLiteral("Error during memo header writing"));
}

TQMemoFile::TBlockHeader TQMemoFile::ReadBlockHeader(qint32 Block)
{
    CheckOpen();
    if (!ValidBlock(Block)) throw EQMemoError(QStringLiteral("Error in LoadBlockHeader seeking"));
    char raw[BlockHeaderSize];
    if (!FFile.ReadAt(BlockPos(Block), raw, BlockHeaderSize))
        throw EQMemoError(QStringLiteral("Error in block header reading"));
    const QByteArray data = QByteArray::fromRawData(raw, BlockHeaderSize);
    TByteReader<EQBaseError> r(data, QStringLiteral("Error in block header reading"));
    TBlockHeader h;
    h.Attribute = r.U16();
    h.Reserved = r.U32();
    h.DataSize = r.I32();
    h.Next = r.I32();
    return h;
}

void TQMemoFile::WriteBlockHeader(qint32 Block, const TBlockHeader& Header)
{
    CheckOpen();
    if (!ValidBlock(Block)) throw EQMemoError(QStringLiteral("Error in LoadBlockHeader seeking"));
    QByteArray raw;
    TByteWriter w(raw);
    w.U16(Header.Attribute);
    w.U32(Header.Reserved);
    w.I32(Header.DataSize);
    w.I32(Header.Next);
    if (!FFile.WriteAt(BlockPos(Block), raw.constData(), raw.size()))
        throw EQMemoError(QStringLiteral("Error in block header writing"));
}

void TQMemoFile::AppendBlock(QByteArray& Out, qint32 DataSize, qint32 Next, const char* Data, qint32 Size) const
{
    const qsizetype at = Out.size();
    Out.resize(at + FBlockSize, '\0');
    char* p = Out.data() + at;
    const quint16 attribute = 0;
    const quint32 reserved = 0;
    std::memcpy(p, &attribute, 2);
    std::memcpy(p + 2, &reserved, 4);
    std::memcpy(p + 6, &DataSize, 4);
    std::memcpy(p + 10, &Next, 4);
    if (Size > 0) std::memcpy(p + BlockHeaderSize, Data, size_t(Size));
}

QByteArray TQMemoFile::GetBlockData(qint32 BlockNum)
{
    CheckOpen();
    if (!ValidBlock(BlockNum)) throw EQMemoError(QStringLiteral("Error in LoadBlock seeking %1").arg(BlockNum));
    QByteArray data(FBlockSize, '\0');
    if (!FFile.ReadAt(BlockPos(BlockNum), data.data(), FBlockSize))
        throw EQMemoError(QStringLiteral("Error in block reading"));
    return data;
}

qint32 TQMemoFile::BlocksFor(qint64 Size) const
{
    const qint64 n = (Size + BlockDataSize() - 1) / BlockDataSize();
    // Sizes and block numbers are 32-bit in the file.
    if (Size > std::numeric_limits<qint32>::max() || n > std::numeric_limits<qint32>::max() - FTotalBlockCount)
        throw EQMemoError(QStringLiteral("Error in block writing"));
    return qint32(std::max<qint64>(1, n));
}

QList<qint32> TQMemoFile::ChainOf(qint32 First)
{
    if (!ValidBlock(First)) WrongBlock(First);
    QList<qint32> chain;
    for (qint32 cur = First;;) {
        chain.append(cur);
        const qint32 next = ReadBlockHeader(cur).Next;
        if (next == 0 || next == cur) break;
        // A chain longer than the file has blocks must run in a circle.
        if (!ValidBlock(next) || chain.size() >= FTotalBlockCount) WrongBlock(next);
        cur = next;
    }
    return chain;
}

TQMemoFile::TAllocation TQMemoFile::Allocate(qint32 Count)
{
    TAllocation a;
    a.Blocks.reserve(Count);
    a.FirstEmpty = FFirstEmpty;
    a.LastEmpty = FLastEmpty;
    std::unordered_set<qint32> taken;
    while (qint32(a.Blocks.size()) < Count && a.FirstEmpty != 0) {
        const qint32 next = ReadBlockHeader(a.FirstEmpty).Next;
        a.Blocks.append(a.FirstEmpty);
        taken.insert(a.FirstEmpty);
        // A free chain that leaves the file or comes back to a block already
        // handed out is dropped from here on rather than reused twice.
        a.FirstEmpty = ValidBlock(next) && !taken.count(next) ? next : 0;
        if (a.FirstEmpty == 0) a.LastEmpty = 0;
    }
    a.Reused = qint32(a.Blocks.size());
    a.Total = FTotalBlockCount;
    while (qint32(a.Blocks.size()) < Count) a.Blocks.append(++a.Total);
    return a;
}

void TQMemoFile::Commit(const TAllocation& A)
{
    FFirstEmpty = A.FirstEmpty;
    FLastEmpty = A.LastEmpty;
    FTotalBlockCount = A.Total;
    if (FFirstBlock == 0 && !A.Blocks.isEmpty()) FFirstBlock = A.Blocks.first();
    WriteHeader();
}

void TQMemoFile::WriteChain(const QList<qint32>& Blocks, const QByteArray& Buffer, qint32 From, qint32 To)
{
    // Blocks that follow each other in the file (a new value's always do) go
    // out in one write.
    const qint32 ds = BlockDataSize();
    QByteArray run;
    qint32 runStart = 0;
    const auto flush = [&]() {
        if (!run.isEmpty() && !FFile.WriteAt(BlockPos(runStart), run.constData(), run.size()))
            throw EQMemoError(QStringLiteral("Error in block writing"));
        run.clear();
    };
    for (qint32 i = From; i < To; ++i) {
        if (Blocks[i] < 1) throw EQMemoError(QStringLiteral("Error in SaveBlock seeking"));
        if (!run.isEmpty() && Blocks[i] != Blocks[i - 1] + 1) flush();
        if (run.isEmpty()) runStart = Blocks[i];
        const qint64 offset = qint64(i) * ds;
        const qint32 remaining = qint32(Buffer.size() - offset);
        const qint32 next = i + 1 < qint32(Blocks.size()) ? Blocks[i + 1] : 0;
        AppendBlock(run, remaining, next, Buffer.constData() + offset, std::min(remaining, ds));
    }
    flush();
}

void TQMemoFile::FreeChain(const QList<qint32>& Blocks)
{
    if (Blocks.isEmpty()) return;
    TBlockHeader last = ReadBlockHeader(Blocks.last());
    if (last.Next != 0) {
        last.Next = 0;
        WriteBlockHeader(Blocks.last(), last);
    }
    if (FLastEmpty != 0) {
        TBlockHeader tail = ReadBlockHeader(FLastEmpty);
        tail.Next = Blocks.first();
        WriteBlockHeader(FLastEmpty, tail);
    }
    if (FFirstEmpty == 0) FFirstEmpty = Blocks.first();
    FLastEmpty = Blocks.last();
    WriteHeader();
}

qint32 TQMemoFile::AddMemo(const QByteArray& Buffer)
{
    CheckOpen();
    const qint32 count = BlocksFor(Buffer.size());
    const TAllocation a = Allocate(count);
    WriteChain(a.Blocks, Buffer, a.Reused, count);
    Commit(a);
    WriteChain(a.Blocks, Buffer, 0, a.Reused);
    return a.Blocks.first();
}

qint32 TQMemoFile::SaveMemo(qint32 BlockNum, const QByteArray& Buffer)
{
    CheckOpen();
    QList<qint32> blocks = ChainOf(BlockNum);
    const qint32 have = qint32(blocks.size());
    const qint32 need = BlocksFor(Buffer.size());
    if (need > have) {
        const TAllocation a = Allocate(need - have);
        blocks += a.Blocks;
        WriteChain(blocks, Buffer, have + a.Reused, need);
        Commit(a);
        WriteChain(blocks, Buffer, 0, have + a.Reused);
        return qint32(Buffer.size());
    }
    // The value is complete (its last block ends the chain) before the blocks
    // it no longer needs go to the free chain: a failure in between leaves
    // unreachable blocks, never a value running into free ones.
    const QList<qint32> rest = blocks.mid(need);
    blocks.resize(need);
    WriteChain(blocks, Buffer, 0, need);
    FreeChain(rest);
    return qint32(Buffer.size());
}

void TQMemoFile::DeleteMemo(qint32 BlockNum)
{
    CheckOpen();
    FreeChain(ChainOf(BlockNum));
}

qint32 TQMemoFile::GetMemoSize(qint32 BlockNum)
{
    CheckOpen();
    if (!ValidBlock(BlockNum)) WrongBlock(BlockNum);
    return ReadBlockHeader(BlockNum).DataSize;
}

QByteArray TQMemoFile::LoadMemo(qint32 BlockNum, qint32 MaxBytes)
{
    CheckOpen();
    if (!ValidBlock(BlockNum)) WrongBlock(BlockNum);
    const qint32 ds = BlockDataSize();
    QByteArray result;
    qint32 want = 0;
    qint32 cur = BlockNum;
    // The blocks of one value mostly follow each other in the file: they are
    // read a run at a time (a short text in one read), and a block outside
    // the run read starts a new one.
    QByteArray run;
    qint32 runFirst = 0, runCount = 0;
    qint32 ahead = 4;
    const auto blockAt = [&](qint32 Block) -> QByteArray {
        if (Block < runFirst || Block >= runFirst + runCount) {
            const qint32 count = std::clamp(ahead, 1, std::min(32, FTotalBlockCount - Block + 1));
            run.resize(qsizetype(count) * FBlockSize);
            if (count > 1 && FFile.ReadAt(BlockPos(Block), run.data(), run.size())) {
                runFirst = Block, runCount = count;
            } else {
                run = GetBlockData(Block);
                runFirst = Block, runCount = 1;
            }
        }
        return run.mid(qsizetype(Block - runFirst) * FBlockSize, FBlockSize);
    };
    for (qint32 steps = 1;; ++steps) {
        const QByteArray block = blockAt(cur);
        TByteReader<EQBaseError> r(block, QStringLiteral("Error in block reading"), 6);
        const qint32 blockSize = r.I32();
        const qint32 next = r.I32();
        if (steps == 1) {
            // The size must fit into the blocks the file has; anything else is
            // damage and must not decide how much memory we take.
            if (blockSize < 0 || qint64(blockSize) > qint64(FTotalBlockCount) * ds) WrongBlock(BlockNum);
            want = MaxBytes >= 0 ? std::min(blockSize, MaxBytes) : blockSize;
            result.reserve(want);
        }
        const qint32 piece = std::min({std::max(blockSize, 0), ds, want - qint32(result.size())});
        result.append(block.constData() + BlockHeaderSize, piece);
        if (next == 0 || qint32(result.size()) >= want) break;
        if (!ValidBlock(next) || steps >= FTotalBlockCount) WrongBlock(next);
        ahead = (want - qint32(result.size()) + ds - 1) / ds;
        cur = next;
    }
    return result;
}

void TQMemoFile::LoadMemo(qint32 BlockNum, QIODevice& Stream) { Stream.write(LoadMemo(BlockNum)); }

QByteArray TQMemoFile::LoadMemoAsString(qint32 BlockNum)
{
    try {
        const qint32 size = GetMemoSize(BlockNum);
        if (size < 0 || size > MaxAnsiStringSize) return {};
        return LoadMemo(BlockNum);
    } catch (const EQBaseError&) {
        return {};
    }
}

qint32 TQMemoFile::AddMemoAsWideString(const QString& AString)
{
    return AddMemo(QByteArray(reinterpret_cast<const char*>(AString.utf16()), AString.size() * 2));
}

qint32 TQMemoFile::SaveMemoAsWideString(qint32 BlockNum, const QString& AString)
{
    return SaveMemo(BlockNum, QByteArray(reinterpret_cast<const char*>(AString.utf16()), AString.size() * 2));
}

QString TQMemoFile::LoadMemoAsWideString(qint32 BlockNum)
{
    const QByteArray data = LoadMemo(BlockNum);
    return QString(reinterpret_cast<const QChar*>(data.constData()), data.size() / 2);
}

void TQMemoFile::EmptyMemoFile()
{
    CheckOpen();
    FTotalBlockCount = FFirstBlock = FFirstEmpty = FLastEmpty = 0;
    WriteHeader();
    if (!FFile.Resize(HeaderSize)) throw EQMemoError(QStringLiteral("Error in block writing"));
}

void TQMemoFile::Truncate(qint32 LastBlockNum)
{
    CheckOpen();
    if (LastBlockNum < 0) LastBlockNum = 0;
    if (FTotalBlockCount > LastBlockNum) FTotalBlockCount = LastBlockNum;
    if (FFirstEmpty > LastBlockNum) FFirstEmpty = 0;
    if (FLastEmpty > LastBlockNum) FLastEmpty = 0;
    if ((FFirstEmpty == 0) != (FLastEmpty == 0)) FFirstEmpty = FLastEmpty = 0;
    if (FFirstBlock > LastBlockNum) FFirstBlock = 0;
    WriteHeader();
    if (!FFile.Resize(BlockPos(FTotalBlockCount + 1))) throw EQMemoError(QStringLiteral("Error in block writing"));
}

void TQMemoFile::CollectChain(qint32 First, std::vector<bool>& Used, QList<qint32>* Chain, bool Repairing)
{
    CheckOpen();
    const qint32 ds = BlockDataSize();
    for (qint32 cur = First; cur != 0;) {
        if (!ValidBlock(cur) || Used[size_t(cur)]) break;
        TBlockHeader h;
        try {
            h = ReadBlockHeader(cur);
        } catch (const EQBaseError&) {
            if (Repairing) WriteBlockHeader(cur, TBlockHeader());
            break;
        }
        Used[size_t(cur)] = true;
        const bool badNext = h.Next != 0 && (!ValidBlock(h.Next) || Used[size_t(h.Next)] || h.DataSize < ds);
        if (badNext && Repairing) {
            h.Next = 0;
            WriteBlockHeader(cur, h);
        }
        if (Chain) Chain->append(cur);
        if (badNext) break;
        cur = h.Next;
    }
}

void TQMemoFile::AppendToFreeChain(qint32 Block)
{
    if (FFirstEmpty == 0) FFirstEmpty = Block;
    if (FLastEmpty != 0) {
        TBlockHeader tail = ReadBlockHeader(FLastEmpty);
        tail.Next = Block;
        WriteBlockHeader(FLastEmpty, tail);
    }
    FLastEmpty = Block;
    TBlockHeader h;
    try {
        h = ReadBlockHeader(Block);
    } catch (const EQBaseError&) {
    }
    h.Next = 0;
    WriteBlockHeader(Block, h);
}
