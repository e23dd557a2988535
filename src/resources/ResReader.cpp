#include "resources/ResReader.h"

#include "core/ByteStream.h"
#include "platform/BoundedRead.h"

#include <QDir>
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
    const QString name = QDir::toNativeSeparators(AFileName);
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EResError(QStringLiteral("Couldn't open: %1 (%2)").arg(name, file.errorString()));
    if (!ReadFileBounded(file, kMaxResFileSize, FFileBase)) {
        if (file.error() != QFileDevice::NoError)
            throw EResError(QStringLiteral("Couldn't open: %1 (%2)").arg(name, file.errorString()));
        throw EResError(QStringLiteral("\"%1\": The file is too large for a .res file (more than %2 MB)")
                            .arg(name)
                            .arg(kMaxResFileSize >> 20));
    }
    if (FFileBase.isEmpty()) throw EResError(QStringLiteral("\"%1\": %2: the file is empty").arg(name, kInvalidFormat));

    // The empty header record tells a 32-bit .res file from anything else.
    TReader head(FFileBase,
                 QStringLiteral("\"%1\": %2: not a 32-bit .res file (it does not start with an empty record)")
                     .arg(name, kInvalidFormat));
    if (head.U32() != 0 || head.U32() != kMinHeaderSize) head.Fail();
    head.Need(kMinHeaderSize - 8);
    // Past the first record a failure is a damaged record.
    const QString damaged =
        QStringLiteral("\"%1\": %2: a resource record is damaged or cut short").arg(name, kInvalidFormat);

    TReader r(FFileBase, damaged);
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
        TReader h(header, damaged, 8);
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
