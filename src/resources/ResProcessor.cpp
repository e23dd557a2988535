#include "resources/ResProcessor.h"

#include "core/ByteStream.h"
#include "core/DateTime.h"
#include "core/FileNames.h"
#include "platform/AtomicFile.h"
#include "resources/ModuleTable.h"

#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <cmath>

namespace {

const QString kInvalidData = QStringLiteral("Invalid resource data");
const QString kInvalidFormat = QStringLiteral("Invalid file format");

constexpr quint32 kHighBit = 0x80000000u;
constexpr quint32 kSectionRVA = 0x2000;
constexpr quint32 kFileAlignment = 0x200;
constexpr quint32 kSectionAlignment = 0x1000;
constexpr qint64 kMaxSectionSize = qint64(1) << 30;
constexpr quint16 kMemoryFlags = 0x1000; // discardable
constexpr int kMaxStringLength = 0xFFFF; // lengths are 16-bit

qint64 AlignUp(qint64 n, qint64 alignment) { return (n + alignment - 1) / alignment * alignment; }

void WriteDirectory(TByteWriter& w, quint32 stamp, int named, int numbered)
{
    w.U32(0); // Characteristics
    w.U32(stamp);
    w.U16(0); // MajorVersion
    w.U16(0); // MinorVersion
    w.U16(quint16(named));
    w.U16(quint16(numbered));
}

// One resource of a name-level directory as a section lays it out.
struct TSectionEntry {
    bool IsNumber = true;
    quint32 Id = 0;
    QString Name;
    QByteArray Data;
};

qint64 DirectoryStringSize(const QString& name) { return 2 + 2 * qint64(name.size()); }

// A resource name as an image stores it: Windows upper-cases the name it looks
// for one UTF-16 unit at a time and compares it with the stored names exactly
// (resource compilers store them so). A mixed-case name would never be found.
QString LoaderName(const QString& name)
{
    QString upper(name);
    for (QChar& c : upper) c = c.toUpper();
    return upper;
}

// The area of one type: its name-level directory and entries, one language
// directory per resource, the data entries, the names, then the data.
void WriteNameLevel(TByteWriter& w, quint32 offset, quint32 stamp, const std::vector<TSectionEntry>& entries)
{
    Q_ASSERT(w.Pos() == offset);
    const quint32 n = quint32(entries.size());
    const int named = int(std::count_if(entries.begin(), entries.end(), [](const auto& e) { return !e.IsNumber; }));
    WriteDirectory(w, stamp, named, int(n) - named);

    quint32 nameOfs = offset + 16 + 48 * n;
    for (quint32 i = 0; i < n; ++i) {
        const TSectionEntry& e = entries[i];
        if (e.IsNumber) {
            w.U32(e.Id);
        } else {
            if (e.Name.size() > kMaxStringLength)
                throw EResError(QStringLiteral("Resource name too long: %1").arg(e.Name.left(64)));
            w.U32(kHighBit | nameOfs);
            nameOfs += quint32(DirectoryStringSize(e.Name));
        }
        w.U32(kHighBit | (offset + 16 + 8 * n + 24 * i));
    }
    for (quint32 i = 0; i < n; ++i) {
        WriteDirectory(w, stamp, 0, 1);
        w.U32(0); // language neutral
        w.U32(offset + 16 + 32 * n + 16 * i);
    }
    quint32 dataOfs = nameOfs; // the data follows the names
    for (const TSectionEntry& e : entries) {
        w.U32(kSectionRVA + dataOfs);
        w.U32(quint32(e.Data.size()));
        w.U32(0); // CodePage
        w.U32(0); // Reserved
        dataOfs += quint32(e.Data.size());
    }
    for (const TSectionEntry& e : entries) {
        if (e.IsNumber) continue;
        w.U16(quint16(e.Name.size()));
        w.Utf16(e.Name);
    }
    for (const TSectionEntry& e : entries) w.Bytes(e.Data);
}

// One record of a .res file; the name is an ordinal or a string.
void WriteResRecord(TByteWriter& w, quint16 type, const TResId& name, const QByteArray& data)
{
    const qint64 nameField = name.IsOrdinal ? 4 : AlignUp(2 * qint64(name.Name.size()) + 2, 4);
    w.U32(quint32(data.size()));
    w.U32(quint32(28 + nameField));
    w.U16(0xFFFF);
    w.U16(type);
    if (name.IsOrdinal) {
        w.U16(0xFFFF);
        w.U16(name.Ordinal);
    } else {
        w.Utf16(name.Name);
        w.Zeros(nameField - 2 * name.Name.size());
    }
    w.U32(0); // DataVersion
    w.U16(kMemoryFlags);
    w.U16(0); // LanguageId
    w.U32(0); // Version
    w.U32(0); // Characteristics
    w.Bytes(data);
    w.Zeros(AlignUp(w.Pos(), 4) - w.Pos());
}

// Adds the strings of one string-table block; a block may end early (its
// missing slots are empty) but never in the middle of a string.
template <class E>
void AddStringBlock(TResString& strings, const QByteArray& data, qint64 groupId, const QString& invalid)
{
    if (groupId < 1 || groupId > 4096)
        throw E(invalid + QStringLiteral(": a string table has the number %1 (1 to 4096 are possible)").arg(groupId));
    TByteReader<E> r(data, invalid + QStringLiteral(": string table %1 is cut short").arg(groupId));
    for (int slot = 0; slot < 16 && !r.AtEnd(); ++slot) {
        const int length = r.U16();
        if (length > 0) strings.Add(int(groupId - 1) * 16 + slot, r.Utf16(length));
    }
}

// An RCDATA item is written as a numbered entry when its name is a number.
bool NumericId(const TResRCDataItem& item, quint32& id)
{
    if (!item.IsNumber()) return false;
    bool ok = false;
    id = item.Name().toUInt(&ok);
    return ok && id < kHighBit;
}

} // namespace

quint32 ResourceTimeStamp()
{
    constexpr double kBase = 25568.0 + 16.0 / 24.0; // 1969-12-31 16:00 as a date-time value
    const double seconds = std::round((DateTime::Now() - kBase) * 86400.0);
    return quint32(std::clamp(seconds, 0.0, 4294967295.0));
}

// ---------------------------------------------------------------------------
// TResStringGroup

TResStringGroup::TResStringGroup(TResString* AParent, int AId) : FParent(AParent), FId(AId) { FGroup.fill(-1); }

int TResStringGroup::Count() const
{
    return int(std::count_if(FGroup.begin(), FGroup.end(), [](int id) { return id >= 0; }));
}

QByteArray TResStringGroup::Data() const
{
    QByteArray out;
    out.reserve(DataSize());
    TByteWriter w(out);
    for (int id : FGroup) {
        // A longer text does not fit the 16-bit length; it is cut rather
        // than written as a corrupt block.
        const QString text = id < 0 ? QString() : FParent->ItemById(id)->Data().left(kMaxStringLength);
        w.U16(quint16(text.size()));
        w.Utf16(text);
    }
    return out;
}

qint64 TResStringGroup::DataSize() const
{
    qint64 size = 0;
    for (int id : FGroup)
        size += 2 + (id < 0 ? 0 : 2 * qMin<qint64>(FParent->ItemById(id)->Data().size(), kMaxStringLength));
    return size;
}

// ---------------------------------------------------------------------------
// TResString

namespace {
int SortKey(const std::unique_ptr<TResStringItem>& item) { return item->Id(); }
int SortKey(const std::unique_ptr<TResStringGroup>& group) { return group->GroupId(); }
// Strings and groups are kept sorted by ID: the first one not below id.
template <class List> auto LowerBoundById(List& list, int id)
{
    return std::lower_bound(list.begin(), list.end(), id, [](const auto& p, int v) { return SortKey(p) < v; });
}
} // namespace

int TResString::Add(int Id, const QString& Data)
{
    if (Id < 0 || Id > 0xFFFF) return -1;
    auto it = LowerBoundById(FStrings, Id);
    if (it != FStrings.end() && (*it)->Id() == Id) return -1;
    const int index = int(it - FStrings.begin());
    FStrings.insert(it, std::make_unique<TResStringItem>(Id, Data));

    const int groupId = Id / 16 + 1;
    auto git = LowerBoundById(FGroups, groupId);
    if (git == FGroups.end() || (*git)->GroupId() != groupId)
        git = FGroups.insert(git, std::make_unique<TResStringGroup>(this, groupId));
    (*git)->FGroup[size_t(Id % 16)] = Id;
    return index;
}

void TResString::Delete(int Index)
{
    if (Index < 0 || Index >= Count()) return;
    const int id = FStrings[size_t(Index)]->Id();
    const int g = IndexOfGroupID(id / 16 + 1);
    if (g >= 0) {
        TResStringGroup& group = *FGroups[size_t(g)];
        group.FGroup[size_t(id % 16)] = -1;
        if (group.Count() == 0) FGroups.erase(FGroups.begin() + g);
    }
    FStrings.erase(FStrings.begin() + Index);
}

void TResString::DeleteByID(int Id) { Delete(IndexOfID(Id)); }

int TResString::IndexOfData(const QString& Item) const
{
    for (size_t i = 0; i < FStrings.size(); ++i)
        if (FStrings[i]->Data() == Item) return int(i);
    return -1;
}

int TResString::IndexOfID(int Item) const
{
    auto it = LowerBoundById(FStrings, Item);
    return it != FStrings.end() && (*it)->Id() == Item ? int(it - FStrings.begin()) : -1;
}

int TResString::IndexOfGroupID(int Item) const
{
    auto it = LowerBoundById(FGroups, Item);
    return it != FGroups.end() && (*it)->GroupId() == Item ? int(it - FGroups.begin()) : -1;
}

TResStringItem* TResString::Items(int Index) const
{
    return Index < 0 || Index >= Count() ? nullptr : FStrings[size_t(Index)].get();
}

TResStringItem* TResString::ItemById(int Id) const { return Items(IndexOfID(Id)); }

TResStringGroup* TResString::Groups(int Index) const
{
    return Index < 0 || Index >= GroupCount() ? nullptr : FGroups[size_t(Index)].get();
}

TResStringGroup* TResString::GroupById(int Id) const { return Groups(IndexOfGroupID(Id)); }

qint64 TResString::GetDirSize() const { return 16 + 48 * qint64(FGroups.size()); }

qint64 TResString::GetTotalSize() const
{
    qint64 size = GetDirSize();
    for (const auto& group : FGroups) size += group->DataSize();
    return size;
}

void TResString::SaveToSection(TByteWriter& Stream, quint32 Offset, quint32 TimeStamp) const
{
    std::vector<TSectionEntry> entries(FGroups.size());
    for (size_t i = 0; i < FGroups.size(); ++i) {
        entries[i].Id = quint32(FGroups[i]->GroupId());
        entries[i].Data = FGroups[i]->Data();
    }
    WriteNameLevel(Stream, Offset, TimeStamp, entries);
}

void TResString::SaveToResFile(TByteWriter& Stream) const
{
    for (const auto& group : FGroups) {
        TResId name;
        name.Ordinal = quint16(group->GroupId());
        WriteResRecord(Stream, rtString, name, group->Data());
    }
}

void TResString::LoadFromPEList(TPEResourceList& List)
{
    for (int i = 0; i < List.Count(); ++i) {
        TPEResourceItem& item = *List.GetResourceItem(i);
        if (!item.NameIsNumber()) TPEReader::InvalidData();
        QByteArray data;
        if (TakeData(item, data)) AddStringBlock<EExeError>(*this, data, item.Name().toLongLong(), kInvalidData);
    }
}

void TResString::LoadFromResFile(const TResReader& Reader)
{
    for (int i = 0; i < Reader.EntryCount(); ++i) {
        const TResEntry& entry = *Reader.GetEntry(i);
        if (!entry.ResType().IsOrdinal || entry.ResType().Ordinal != rtString) continue;
        if (!entry.ResName().IsOrdinal)
            throw EResError(kInvalidFormat + QStringLiteral(": a string table has a name instead of a number"));
        AddStringBlock<EResError>(*this, entry.Data(), entry.ResName().Ordinal, kInvalidFormat);
    }
}

void TResString::Clear()
{
    FStrings.clear();
    FGroups.clear();
}

// ---------------------------------------------------------------------------
// TResBlock

bool TResBlock::TakeData(TPEResourceItem& Item, QByteArray& Data)
{
    if (Item.IsList()) {
        // A resource without any language has no data; deeper nesting is no
        // resource tree Windows would make.
        if (Item.List().Count() == 0) return false;
        TPEReader::InvalidData();
    }
    if (FParent) FParent->ChargeLoad(Item.Size());
    Data = Item.RawData();
    return true;
}

// ---------------------------------------------------------------------------
// TResRCDataItem

void TResRCDataItem::LoadFromStream(QIODevice& Stream) { FBuffer = Stream.readAll(); }

void TResRCDataItem::SaveToStream(QIODevice& Stream) const
{
    if (Stream.write(FBuffer) != FBuffer.size()) throw EResError(Stream.errorString());
}

void TResRCDataItem::LoadFromFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) throw EResError(QStringLiteral("Couldn't open: %1").arg(FileName));
    LoadFromStream(file);
}

void TResRCDataItem::SaveToFile(const QString& FileName) const { WriteFileAtomic(FileName, FBuffer); }

// ---------------------------------------------------------------------------
// TResRCData

TResRCDataItem* TResRCData::Add(const QString& Name, bool IsNumber)
{
    FItems.push_back(std::make_unique<TResRCDataItem>(Name, IsNumber));
    return FItems.back().get();
}

void TResRCData::Delete(int Index)
{
    if (Index >= 0 && Index < Count()) FItems.erase(FItems.begin() + Index);
}

void TResRCData::DeleteByName(const QString& Name) { Delete(IndexOfName(Name)); }

int TResRCData::IndexOfName(const QString& Name) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Name().compare(Name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

TResRCDataItem* TResRCData::ItemByName(const QString& Name) const { return Items(IndexOfName(Name)); }

TResRCDataItem* TResRCData::Items(int Index) const
{
    return Index < 0 || Index >= Count() ? nullptr : FItems[size_t(Index)].get();
}

qint64 TResRCData::GetDirSize() const { return 16 + 48 * qint64(FItems.size()); }

qint64 TResRCData::GetTotalSize() const
{
    qint64 size = GetDirSize();
    for (const auto& item : FItems) {
        quint32 id;
        if (!NumericId(*item, id)) size += DirectoryStringSize(item->Name());
        size += item->Size();
    }
    return size;
}

void TResRCData::SaveToSection(TByteWriter& Stream, quint32 Offset, quint32 TimeStamp) const
{
    std::vector<TSectionEntry> entries(FItems.size());
    std::vector<QString> keys(FItems.size());
    for (size_t i = 0; i < FItems.size(); ++i) {
        TSectionEntry& e = entries[i];
        e.IsNumber = NumericId(*FItems[i], e.Id);
        if (!e.IsNumber) e.Name = LoaderName(FItems[i]->Name());
        e.Data = FItems[i]->Buffer();
    }
    // The loader looks resources up by binary search: named entries first,
    // by code unit, then the numbered ones by number. Items loaded from an
    // executable are already in this order.
    std::stable_sort(entries.begin(), entries.end(), [](const TSectionEntry& a, const TSectionEntry& b) {
        if (a.IsNumber != b.IsNumber) return b.IsNumber;
        if (a.IsNumber) return a.Id < b.Id;
        return a.Name < b.Name;
    });
    WriteNameLevel(Stream, Offset, TimeStamp, entries);
}

void TResRCData::SaveToResFile(TByteWriter& Stream) const
{
    for (const auto& item : FItems) {
        // Always a named record, also for a numbered resource.
        TResId name;
        name.IsOrdinal = false;
        name.Name = item->Name();
        WriteResRecord(Stream, rtRCData, name, item->Buffer());
    }
}

void TResRCData::LoadFromPEList(TPEResourceList& List)
{
    for (int i = 0; i < List.Count(); ++i) {
        TPEResourceItem& item = *List.GetResourceItem(i);
        QByteArray data;
        if (TakeData(item, data)) Add(item.Name(), item.NameIsNumber())->Buffer() = data;
    }
}

void TResRCData::LoadFromResFile(const TResReader& Reader)
{
    for (int i = 0; i < Reader.EntryCount(); ++i) {
        const TResEntry& entry = *Reader.GetEntry(i);
        if (entry.ResType().IsOrdinal && entry.ResType().Ordinal == rtRCData)
            Add(entry.ResName().Text(), false)->Buffer() = entry.Data();
    }
}

void TResRCData::Clear() { FItems.clear(); }

// ---------------------------------------------------------------------------
// TResProcessor

TResProcessor::TResProcessor() = default;
TResProcessor::~TResProcessor() = default;

TResBlock* TResProcessor::Items(int Index) const
{
    return Index < 0 || Index >= BlockCount() ? nullptr : FResBlocks[size_t(Index)].get();
}

TResBlock* TResProcessor::ItemByType(TQResourceType AType) const
{
    for (const auto& block : FResBlocks)
        if (block->ResourceType() == AType) return block.get();
    return nullptr;
}

qint64 TResProcessor::BufSize() const
{
    qint64 size = 16 + 8 * qint64(FResBlocks.size());
    for (const auto& block : FResBlocks) size += block->GetTotalSize();
    return size;
}

TResBlock* TResProcessor::AddBlock(std::unique_ptr<TResBlock> ABlock)
{
    FResBlocks.push_back(std::move(ABlock));
    return FResBlocks.back().get();
}

void TResProcessor::DeleteBlock(int Index)
{
    if (Index >= 0 && Index < BlockCount()) FResBlocks.erase(FResBlocks.begin() + Index);
}

void TResProcessor::Clear() { FResBlocks.clear(); }

void TResProcessor::ChargeLoad(qint64 Bytes)
{
    if (FLoadBudget < 0) return;
    if (Bytes > FLoadBudget) TPEReader::InvalidData();
    FLoadBudget -= Bytes;
}

void TResProcessor::LoadPEFile(const QString& AFileName)
{
    Clear();
    TPEReader reader(AFileName);
    // The tree is read here, after the reader's own checks: its faults must
    // name the file as well.
    try {
        LoadFromPEReader(reader);
    } catch (const EExeError& e) {
        throw EExeError(NamingFile(AFileName, e.Message()));
    }
}

void TResProcessor::LoadFromPEReader(TPEReader& Reader)
{
    Clear();
    FIs64Bit = Reader.Is64Bit();
    FLoadBudget = Reader.Image().size();
    try {
        TPEResourceList& root = Reader.Resources();
        for (int i = 0; i < root.Count(); ++i) {
            TPEResourceItem& type = *root.GetResourceItem(i);
            const QString name = type.Name();
            std::unique_ptr<TResBlock> block;
            if (name == QLatin1String("String"))
                block = std::make_unique<TResString>(this);
            else if (name == QLatin1String("RCData"))
                block = std::make_unique<TResRCData>(this);
            else
                continue;
            block->LoadFromPEList(type.List());
            AddBlock(std::move(block));
        }
    } catch (...) {
        Clear();
        FLoadBudget = -1;
        throw;
    }
    FLoadBudget = -1;
}

void TResProcessor::LoadFromModule(quintptr AModule)
{
    Clear();
    FIs64Bit = false;
    const TModuleTable& table = TModuleTable::Instance();
    const TResProcessor* source = table.Resources(table.ResourceModule(AModule));
    if (!source) return;
    if (const TResString* strings = source->Strings(); strings && strings->Count() > 0) {
        auto block = std::make_unique<TResString>(this);
        for (int i = 0; i < strings->Count(); ++i) block->Add(strings->Items(i)->Id(), strings->Items(i)->Data());
        AddBlock(std::move(block));
    }
    if (const TResRCData* rcdata = source->RCData(); rcdata && rcdata->Count() > 0) {
        auto block = std::make_unique<TResRCData>(this);
        for (int i = 0; i < rcdata->Count(); ++i) {
            const TResRCDataItem* item = rcdata->Items(i);
            block->Add(item->Name(), false)->Buffer() = item->Buffer();
        }
        AddBlock(std::move(block));
    }
}

void TResProcessor::LoadResFile(const QString& AFileName)
{
    Clear();
    const TResReader reader(AFileName);
    try {
        LoadFromResReader(reader);
    } catch (const EResError& e) {
        throw EResError(NamingFile(AFileName, e.Message()));
    }
}

void TResProcessor::LoadFromResReader(const TResReader& reader)
{
    try {
        std::unique_ptr<TResBlock> blocks[] = {std::make_unique<TResString>(this), std::make_unique<TResRCData>(this)};
        for (auto& block : blocks) {
            block->LoadFromResFile(reader);
            if (block->Count() > 0) AddBlock(std::move(block));
        }
    } catch (...) {
        Clear();
        throw;
    }
}

QByteArray TResProcessor::ResFileData() const
{
    QByteArray out;
    TByteWriter w(out);
    // The empty header record that marks a 32-bit .res file.
    w.U32(0);  // DataSize
    w.U32(32); // HeaderSize
    w.U16(0xFFFF);
    w.U16(0);
    w.U16(0xFFFF);
    w.U16(0);
    w.Zeros(16);
    for (const auto& block : FResBlocks) block->SaveToResFile(w);
    return out;
}

void TResProcessor::CreateResFile(const QString& AFileName) const { WriteFileAtomic(AFileName, ResFileData()); }

void TResProcessor::CreateDLLStream(QByteArray& Stream, const TProgressFunc& ProgressCallback) const
{
    const qint64 sectionSize = BufSize();
    if (sectionSize > kMaxSectionSize) throw EResError(QStringLiteral("Resources too large for a DLL image"));
    const quint32 stamp = ResourceTimeStamp();
    const int total = 2 * BlockCount() + 2;
    int current = 0;
    auto step = [&] {
        ++current;
        if (ProgressCallback) ProgressCallback(current, total);
    };

    const quint32 ntHeadersSize = FIs64Bit ? 264 : 248;
    const quint32 headersSize = quint32(AlignUp(64 + 192 + ntHeadersSize + 40, kFileAlignment));
    const quint32 rawSize = quint32(AlignUp(sectionSize, kFileAlignment));
    const quint32 imageSize = quint32(AlignUp(kSectionRVA + sectionSize, kSectionAlignment));
    const qsizetype start = Stream.size();
    Stream.reserve(start + headersSize + rawSize);
    TByteWriter w(Stream);

    // DOS header
    for (quint16 v : {0x5A4D, 0x50, 2, 0, 4, 0x0F, 0xFFFF, 0, 0xB8, 0, 0, 0, 0x40, 0x1A}) w.U16(v);
    w.Zeros(8 + 2 + 2 + 20); // e_res, e_oemid, e_oeminfo, e_res2
    w.U32(0x100);            // e_lfanew
    // DOS stub
    static const unsigned char kStubCode[] = {0xBA, 0x10, 0x00, 0x0E, 0x1F, 0xB4, 0x09, 0xCD,
                                              0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21, 0x90, 0x90};
    static const unsigned char kStubEnd[] = {0x0D, 0x0A, 0x24, 0x37};
    const QByteArray stubText("This program must be run under Win32");
    w.Bytes(reinterpret_cast<const char*>(kStubCode), sizeof kStubCode);
    w.Bytes(stubText);
    w.Bytes(reinterpret_cast<const char*>(kStubEnd), sizeof kStubEnd);
    w.Zeros(start + 0x100 - w.Pos());

    // NT headers: signature and file header
    w.U32(0x4550);
    // Machine: the image loader refuses a PE32+ image marked i386 (a data-file
    // load does not look), and a 64-bit Delphi program is always x64.
    w.U16(FIs64Bit ? 0x8664 : 0x14C);
    w.U16(1); // NumberOfSections
    w.U32(stamp);
    w.U32(0); // PointerToSymbolTable
    w.U32(0); // NumberOfSymbols
    w.U16(FIs64Bit ? 0xF0 : 0xE0);
    w.U16(0xA18E);
    // optional header
    w.U16(FIs64Bit ? 0x20B : 0x10B);
    w.U8(1); // MajorLinkerVersion
    w.U8(0);
    w.Zeros(5 * 4); // sizes of code and data, entry point, base of code
    if (FIs64Bit) {
        w.U64(0x400000);
    } else {
        w.U32(0); // BaseOfData
        w.U32(0x400000);
    }
    w.U32(kSectionAlignment);
    w.U32(kFileAlignment);
    for (quint16 v : {1, 0, 1, 0, 4, 0}) w.U16(v); // OS, image and subsystem versions
    w.U32(0);                                      // Win32VersionValue
    w.U32(imageSize);
    w.U32(headersSize);
    w.U32(0); // CheckSum
    w.U16(2); // Subsystem
    w.U16(1); // DllCharacteristics
    for (quint64 v : {0x1000, 0x100, 0x1000, 0x100}) FIs64Bit ? w.U64(v) : w.U32(quint32(v));
    w.U32(0);  // LoaderFlags
    w.U32(16); // NumberOfRvaAndSizes
    for (int d = 0; d < 16; ++d) {
        const bool resources = d == 2;
        w.U32(resources ? kSectionRVA : 0);
        w.U32(resources ? rawSize : 0);
    }
    // section header
    w.Bytes(".rsrc\0\0\0", 8);
    w.U32(quint32(sectionSize));
    w.U32(kSectionRVA);
    w.U32(rawSize);
    w.U32(headersSize); // PointerToRawData
    w.Zeros(4 + 4 + 2 + 2);
    w.U32(0x40000000);
    w.Zeros(start + headersSize - w.Pos());
    step();

    // The resource section. The root lists the types in ascending order, as
    // the loader's binary search needs.
    std::vector<const TResBlock*> blocks;
    for (const auto& block : FResBlocks) blocks.push_back(block.get());
    std::stable_sort(blocks.begin(), blocks.end(),
                     [](const TResBlock* a, const TResBlock* b) { return a->ResourceType() < b->ResourceType(); });
    QByteArray section;
    section.reserve(sectionSize);
    TByteWriter s(section);
    WriteDirectory(s, stamp, 0, BlockCount());
    qint64 offset = 16 + 8 * qint64(blocks.size());
    for (const TResBlock* block : blocks) {
        s.U32(block->ResourceType());
        s.U32(kHighBit | quint32(offset));
        offset += block->GetTotalSize();
        step();
    }
    for (const TResBlock* block : blocks) {
        block->SaveToSection(s, quint32(section.size()), stamp);
        step();
    }
    Q_ASSERT(section.size() == sectionSize);
    w.Bytes(section);
    w.Zeros(rawSize - section.size());
    if (ProgressCallback) ProgressCallback(total, total);
}
