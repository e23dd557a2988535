#include "resources/ResReader.h"

#include "core/ByteStream.h"
#include "resources/BoundedRead.h"

#include <QFile>

namespace {

using TReader = TByteReader<EResError>;

const QString kInvalidFormat = QStringLiteral("Invalid file format");

// A .res file larger than this is not one we could have use for.
constexpr qint64 kMaxResFileSize = qint64(1) << 30;

// Each record starts with DataSize and HeaderSize, then the type and the name
// (4 bytes at least each), then 16 bytes of version, flags and language.
constexpr quint32 kMinHeaderSize = 32;

qint64 Align4(qint64 n) { return (n + 3) & ~qint64(3); }

TResId ReadId(TReader& r)
{
    TResId id;
    const quint16 first = r.U16();
    if (first == 0xFFFF) {
        id.Ordinal = r.U16();
        return id;
    }
    id.IsOrdinal = false;
    for (quint16 c = first; c != 0; c = r.U16()) id.Name.append(QChar(c));
    r.Seek(Align4(r.Pos()));
    return id;
}

} // namespace

TResReader::TResReader(const QString& AFileName) : FFileName(AFileName)
{
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly)) throw EResError(QStringLiteral("Couldn't open: %1").arg(AFileName));
    if (!ReadFileBounded(file, kMaxResFileSize, FFileBase)) throw EResError(QStringLiteral("MapViewOfFile failed"));
    // An empty file cannot be mapped.
    if (FFileBase.isEmpty()) throw EResError(QStringLiteral("CreateFileMapping failed"));

    // The empty header record tells a 32-bit .res file from anything else.
    TReader r(FFileBase, kInvalidFormat);
    if (r.U32() != 0 || r.U32() != kMinHeaderSize) r.Fail();
    r.Need(kMinHeaderSize - 8);

    qint64 pos = kMinHeaderSize;
    while (pos < FFileBase.size()) {
        r.Seek(pos);
        TResEntry entry;
        entry.FFile = &FFileBase;
        entry.FDataSize = r.U32();
        entry.FHeaderSize = r.U32();
        const qint64 dataStart = pos + entry.FHeaderSize;
        const qint64 end = dataStart + entry.FDataSize;
        if (entry.FHeaderSize < kMinHeaderSize || end > FFileBase.size()) r.Fail();

        const QByteArray header = QByteArray::fromRawData(FFileBase.constData() + pos, entry.FHeaderSize);
        TReader h(header, kInvalidFormat, 8);
        entry.FResType = ReadId(h);
        entry.FResName = ReadId(h);
        h.Need(16);
        entry.FDataPointer = dataStart;
        FEntryList.push_back(std::move(entry));
        pos = Align4(end);
    }
}

const TResEntry* TResReader::GetEntry(int Index) const
{
    if (Index < 0 || Index >= EntryCount()) return nullptr;
    return &FEntryList[size_t(Index)];
}
