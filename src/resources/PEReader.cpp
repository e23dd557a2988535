#include "resources/PEReader.h"

#include "core/ByteStream.h"
#include "core/FileNames.h"
#include "langfile/LZCompressor.h"
#include "platform/BoundedRead.h"

#include <QDir>
#include <QFile>

namespace {

using TReader = TByteReader<EExeError>;

const QString kInvalidData = QStringLiteral("Invalid resource data");
const QString kNotPE = QStringLiteral("Not a PE (WIN32 Executable) file");

// Larger files are not executables we could localize; refusing them keeps a
// bogus or hostile file from exhausting memory.
constexpr qint64 kMaxImageSize = qint64(1) << 30;

QString TooLarge()
{
    return QStringLiteral(" (an executable larger than %1 MB is not one that can be localized)")
        .arg(kMaxImageSize >> 20);
}

constexpr quint16 kDosMagic = 0x5A4D;    // "MZ"
constexpr quint32 kPESignature = 0x4550; // "PE\0\0"
constexpr quint16 kMagicPE32Plus = 0x20B;
constexpr qsizetype kNTHeaders32Size = 248;
constexpr qsizetype kNTHeaders64Size = 264;
constexpr qsizetype kSectionHeaderSize = 40;
constexpr quint32 kHighBit = 0x80000000u;

// Windows resource trees have three levels: types, names, languages.
constexpr int kMaxDepth = 2;

} // namespace

QString ResourceTypeName(int Type)
{
    static const char* const kNames[] = {"Unknown0", "CursorEntry", "Bitmap", "IconEntry",    "Menu",   "Dialog",
                                         "String",   "FontDir",     "Font",   "Accelerators", "RCData", "MessageTable",
                                         "Cursor",   "Unknown13",   "Icon",   "Unknown15",    "Version"};
    if (Type < 0 || Type > rtVersion) return {};
    return QString::fromLatin1(kNames[Type]);
}

// ---------------------------------------------------------------------------
// TPEReader

TPEReader::TPEReader(const QString& AFileName) : FFileName(AFileName)
{
    const QString cannotOpen = QStringLiteral("Couldn't open file: %1").arg(QDir::toNativeSeparators(AFileName));
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly)) throw EExeError(cannotOpen + QStringLiteral(" (%1)").arg(file.errorString()));
    if (!ReadFileBounded(file, kMaxImageSize, FStream)) {
        if (file.error() != QFileDevice::NoError)
            throw EExeError(cannotOpen + QStringLiteral(" (%1)").arg(file.errorString()));
        throw EExeError(cannotOpen + TooLarge());
    }
    if (IsCompressedStream(FStream)) {
        // The size is known before anything is decompressed: an image past
        // the limit takes no memory beyond the file itself.
        if (DecompressedSize(FStream) > kMaxImageSize) throw EExeError(cannotOpen + TooLarge());
        try {
            FStream = DecompressBuffer(FStream);
        } catch (const EQCompressError& e) {
            throw EExeError(cannotOpen + QStringLiteral(" (the compressed data is damaged: %1)").arg(e.Message()));
        }
    }
    try {
        CheckHeaders();
    } catch (const EExeError& e) {
        throw EExeError(NamingFile(AFileName, e.Message()));
    }
}

std::unique_ptr<TPEReader> TPEReader::CreateByImage(QByteArray AImage)
{
    std::unique_ptr<TPEReader> reader(new TPEReader());
    reader->FStream = std::move(AImage);
    reader->CheckHeaders();
    return reader;
}

TPEReader::~TPEReader() = default;

void TPEReader::InvalidData() { throw EExeError(kInvalidData); }

void TPEReader::CheckHeaders()
{
    if (FStream.isEmpty()) throw EExeError(QStringLiteral("Unrecognized file format: the file is empty"));
    TReader r(FStream, QStringLiteral("Unrecognized file format: not an executable (it does not start with \"MZ\")"));
    if (r.U16() != kDosMagic) r.Fail();

    TReader nt(FStream, kNotPE);
    nt.Seek(0x3C); // e_lfanew
    const qint64 lfanew = nt.I32();
    if (lfanew < 0 || lfanew > FStream.size()) nt.Fail();
    nt.Seek(lfanew);
    nt.Need(26);
    FNTHeader = lfanew;
    nt.Skip(24);
    FIs64Bit = nt.U16() == kMagicPE32Plus;
    nt.Seek(lfanew);
    nt.Need(FIs64Bit ? kNTHeaders64Size : kNTHeaders32Size);
    if (nt.U32() != kPESignature) nt.Fail();
}

TPEResourceList& TPEReader::Resources()
{
    if (FResourceList) return *FResourceList;

    TReader r(FStream, kInvalidData, FNTHeader + 6);
    const int sectionCount = r.U16();
    r.Skip(12);
    const int optionalHeaderSize = r.U16();
    // The section table follows the optional header, whatever its size.
    const qsizetype sectionTable = FNTHeader + 24 + optionalHeaderSize;
    for (int i = 0; i < sectionCount; ++i) {
        r.Seek(sectionTable + i * kSectionHeaderSize);
        const QByteArray rawName = r.Bytes(8);
        const QByteArray name = rawName.left(rawName.indexOf('\0') < 0 ? 8 : rawName.indexOf('\0'));
        if (name.compare(".rsrc", Qt::CaseInsensitive) != 0) continue;

        r.Skip(4); // VirtualSize
        FResourceRVA = r.U32();
        const qint64 rawSize = r.U32();
        const qint64 rawPointer = r.U32();
        if (rawPointer > FStream.size()) InvalidData();
        // A section cut short by the end of the file is read as far as it goes.
        const qint64 size = qMin(rawSize, FStream.size() - rawPointer);
        FSection = QByteArray::fromRawData(FStream.constData() + rawPointer, size);
        FResourceList = std::make_unique<TPEResourceList>(*this, 0, 0, 0);
        return *FResourceList;
    }
    throw EExeError(QStringLiteral("No resources in this file."));
}

void TPEReader::ClaimDirectory(quint32 Start, quint32 End)
{
    // The first directory starting at or after Start, and the one before it.
    auto next = FDirectories.lower_bound(Start);
    if (next != FDirectories.end() && next->first < End) InvalidData();
    if (next != FDirectories.begin() && std::prev(next)->second > Start) InvalidData();
    FDirectories.emplace(Start, End);
}

// ---------------------------------------------------------------------------
// TPEResourceList

TPEResourceList::TPEResourceList(TPEReader& APEReader, quint32 ResDirOfs, quint32 AResType, int ADepth)
    : FPEReader(APEReader), FResDir(ResDirOfs), FResType(AResType), FDepth(ADepth)
{
    if (ADepth > kMaxDepth) TPEReader::InvalidData();
    TReader r(APEReader.Section(), kInvalidData, ResDirOfs);
    r.Skip(12);
    FCount = r.U16();
    FCount += r.U16();
    r.Need(qsizetype(FCount) * 8);
    APEReader.ClaimDirectory(ResDirOfs, ResDirOfs + 16 + quint32(FCount) * 8);
}

TPEResourceList::~TPEResourceList() = default;

TPEResourceItem* TPEResourceList::GetResourceItem(int Index)
{
    if (Index < 0 || Index >= FCount) return nullptr;
    if (FList.empty()) {
        FList.reserve(size_t(FCount));
        for (int i = 0; i < FCount; ++i)
            FList.push_back(std::make_unique<TPEResourceItem>(*this, FResDir + 16 + 8 * i));
    }
    return FList[size_t(Index)].get();
}

// ---------------------------------------------------------------------------
// TPEResourceItem

TPEResourceItem::TPEResourceItem(TPEResourceList& AOwner, quint32 ADirEntry) : FOwner(AOwner)
{
    TReader r(AOwner.PEReader().Section(), kInvalidData, ADirEntry);
    FName = r.U32();
    FOffsetToData = r.U32();
}

TPEResourceItem::~TPEResourceItem() = default;

QString TPEResourceItem::Name() const
{
    if (!NameIsNumber()) {
        TReader r(FOwner.PEReader().Section(), kInvalidData, FName & 0x7FFFFFFFu);
        return r.Utf16(r.U16());
    }
    if (FOwner.Depth() == 0 && FName <= rtVersion) return ResourceTypeName(int(FName));
    return QString::number(FName);
}

QString TPEResourceItem::ResTypeStr() const
{
    const QString name = ResourceTypeName(ResType());
    return name.isEmpty() ? QString::number(ResType()) : name;
}

bool TPEResourceItem::IsList() const
{
    // An entry without the directory bit points straight at its data.
    if ((FOffsetToData & kHighBit) == 0) return false;
    TReader r(FOwner.PEReader().Section(), kInvalidData, Target());
    r.Skip(12);
    const int count = r.U16() + r.U16();
    // An empty directory holds no data to stand for: it is an empty list.
    if (count == 0) return true;
    r.Skip(4); // first entry's Name
    return (r.U32() & kHighBit) != 0;
}

TPEResourceList& TPEResourceItem::List()
{
    if (!FList) {
        if (!IsList())
            throw EExeError(kInvalidData +
                            QStringLiteral(": a resource directory entry points to data, not to a directory"));
        // Below a type entry the type is the entry's name; deeper, it is inherited.
        const quint32 resType = FOwner.Depth() == 0 ? FName : FOwner.ResType();
        FList = std::make_unique<TPEResourceList>(FOwner.PEReader(), Target(), resType, FOwner.Depth() + 1);
    }
    return *FList;
}

TPEResourceItem::TDataEntry TPEResourceItem::DataEntry() const
{
    const QByteArray& section = FOwner.PEReader().Section();
    quint32 entryOfs = Target();
    if (FOffsetToData & kHighBit) {
        // The first language's entry of the language directory.
        TReader dir(section, kInvalidData, Target() + 16);
        dir.Skip(4);
        entryOfs = dir.U32();
    }
    TReader r(section, kInvalidData, entryOfs);
    TDataEntry entry;
    entry.OffsetToData = r.U32();
    entry.Size = r.U32();
    return entry;
}

quint32 TPEResourceItem::Offset() const { return IsList() ? Target() : DataEntry().OffsetToData; }

quint32 TPEResourceItem::Size() const { return IsList() ? 0 : DataEntry().Size; }

QByteArray TPEResourceItem::RawData() const
{
    if (IsList()) return {};
    const TDataEntry entry = DataEntry();
    const TPEReader& reader = FOwner.PEReader();
    // The data must lie inside the resource section.
    if (entry.OffsetToData < reader.ResourceRVA()) TPEReader::InvalidData();
    TReader r(reader.Section(), kInvalidData, qsizetype(entry.OffsetToData - reader.ResourceRVA()));
    return r.Bytes(entry.Size);
}
