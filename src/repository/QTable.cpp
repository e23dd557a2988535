#include "repository/QTable.h"

#include "core/ByteStream.h"
#include "platform/AtomicFile.h"
#include "repository/QMemoryIndex.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtEndian>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

const QString kHeaderReading = QStringLiteral("Error during header reading");
const QString kStructureReading = QStringLiteral("Error during structure reading");

QByteArray NameToAnsi(const QString& s, int maxLen) { return WideToAnsi(s, SystemCodePage()).left(maxLen); }

QString NameFromAnsi(const QByteArray& b) { return AnsiToWide(b, SystemCodePage()); }

// A length byte and up to maxLen characters, zero-padded to maxLen + 1 bytes.
void WriteShortString(TByteWriter& w, const QByteArray& s, int maxLen)
{
    const QByteArray cut = s.left(maxLen);
    w.U8(quint8(cut.size()));
    w.Bytes(cut);
    w.Zeros(maxLen - cut.size());
}

QByteArray ReadShortString(TByteReader<EQBaseError>& r, int maxLen)
{
    const int len = std::min<int>(r.U8(), maxLen);
    const QByteArray s = r.Bytes(maxLen);
    return s.left(len);
}

// Restores a flag when the scope ends, also on failure.
struct TIndexPause {
    TQTable& Table;
    bool Was;
    explicit TIndexPause(TQTable& t) : Table(t), Was(t.UseMemoryIndex()) { Table.SetUseMemoryIndex(false); }
    ~TIndexPause()
    {
        try {
            Table.SetUseMemoryIndex(Was);
        } catch (...) {
        }
    }
};

// Clean-up after a failure must not throw over the error being reported.
template <class F> void Quietly(F f)
{
    try {
        f();
    } catch (...) {
    }
}

bool RenameOver(const QString& from, const QString& to) { return RenameFileOver(from, to); }

// A stamp that pairs a new table file with its new memo file (never 0, the
// stamp of files from before stamps).
quint32 NewStamp() { return QRandomGenerator::system()->generate() | 1u; }

// The files a restructure or a repair builds beside a table before they
// replace it: ".<table file>.~<pid>-<letters>" with ".tmp" and ".mem". Each
// process takes names of its own, created exclusively, so two processes never
// write into the same file.
const QString kWorkInfix = QStringLiteral(".~");

QString WorkFileExpression(const QString& TableFile)
{
    return QLatin1String("\\.") + QRegularExpression::escape(TableFile) +
           QLatin1String("\\.~\\d+-[A-Za-z0-9]{6}\\.(tmp|mem)");
}

// Returns the table name (in Dir) of a new pair of work files.
QString ReserveWorkFiles(const QString& Dir, const QString& TableFile)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString tag;
        for (int i = 0; i < 6; ++i) tag += QLatin1Char(letters[QRandomGenerator::system()->bounded(62)]);
        const QString base =
            QLatin1Char('.') + TableFile + kWorkInfix + QString::number(::getpid()) + QLatin1Char('-') + tag;
        const QByteArray table = QFile::encodeName(QDir(Dir).filePath(base + QLatin1String(".tmp")));
        const QByteArray memo = QFile::encodeName(QDir(Dir).filePath(base + QLatin1String(".mem")));
        const int t = ::open(table.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (t < 0) {
            if (errno == EEXIST) continue;
            break;
        }
        ::close(t);
        const int m = ::open(memo.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (m >= 0) {
            ::close(m);
            return base + QLatin1String(".tmp");
        }
        const int cause = errno;
        ::unlink(table.constData());
        errno = cause;
        if (cause != EEXIST) break;
    }
    throw EQBaseError(QStringLiteral("Can't create table \"%1\": %2")
                          .arg(QDir::toNativeSeparators(QDir(Dir).filePath(TableFile)),
                               QString::fromLocal8Bit(std::strerror(errno))));
}

// The work files of TableFile in Dir. With Leftovers also the temporary
// files of the atomic writes that create them and the table's own files.
QStringList WorkFiles(const QString& Dir, const QString& TableFile, const QString& MemoFile, bool Leftovers)
{
    const QString own = QStringLiteral("\\.(%1|%2)\\.[A-Za-z0-9]{6}")
                            .arg(QRegularExpression::escape(TableFile), QRegularExpression::escape(MemoFile));
    const QRegularExpression pattern(
        Leftovers ? QStringLiteral("^(%1|\\.%1\\.[A-Za-z0-9]{6}|%2)$").arg(WorkFileExpression(TableFile), own)
                  : QStringLiteral("^%1$").arg(WorkFileExpression(TableFile)));
    QStringList found;
    for (const QString& entry : QDir(Dir).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (pattern.match(entry).hasMatch()) found << QDir(Dir).filePath(entry);
    return found;
}

quint32 StampOfTableFile(const QString& File)
{
    QFile f(File);
    quint32 stamp = 0;
    if (!f.open(QIODevice::ReadOnly) || f.size() < TQTable::HeaderSize || !f.seek(114) ||
        f.read(reinterpret_cast<char*>(&stamp), 4) != 4)
        return 0;
    return qFromLittleEndian(stamp);
}

bool SyncFile(const QString& name)
{
    TQFileHandle f;
    return f.Open(name, true) && f.Sync();
}

} // namespace

TQTable::TQTable() : FFields(this) {}

TQTable::~TQTable()
{
    try {
        Close();
    } catch (...) {
        StopIndexBuild(); // a failed final write must not leave the builder running
    }
}

void TQTable::DoProgress(qint64 Position, qint64 MaxValue, bool& Stop)
{
    if (OnProgress) OnProgress(this, Position, MaxValue, Stop);
}

// ---------------------------------------------------------------- names and state

void TQTable::SetDatabaseName(const QString& Value)
{
    if (Active()) throw EQBaseError(QStringLiteral("Can't set database name while table is open"));
    FDatabaseName = Value;
}

void TQTable::SetTableName(const QString& Value, bool DefaultExtension)
{
    if (Active()) throw EQBaseError(QStringLiteral("Table is opened"));
    FTableName = Value;
    if (DefaultExtension && !FTableName.isEmpty() && QFileInfo(FTableName).suffix().isEmpty())
        FTableName += QLatin1String(".qdb");
}

QString TQTable::FileName() const
{
    if (FDatabaseName.isEmpty()) return FTableName;
    if (FDatabaseName.endsWith(QLatin1Char('/')) || FDatabaseName.endsWith(QLatin1Char('\\')))
        return FDatabaseName + FTableName;
    return FDatabaseName + QLatin1Char('/') + FTableName;
}

QString TQTable::MemoFileName() const
{
    const QFileInfo fi(FileName());
    const QString dir = fi.path() == QLatin1String(".") && !FileName().startsWith(QLatin1String("./"))
                            ? QString()
                            : fi.path() + QLatin1Char('/');
    return dir + fi.completeBaseName() + QLatin1String(".mem");
}

void TQTable::SetReadOnly(bool Value)
{
    if (Active()) throw EQBaseError(QStringLiteral("Can not change ReadOnly state while table is opened"));
    FReadOnly = Value;
}

bool TQTable::TableExists() const { return QFileInfo(FileName()).isFile(); }

void TQTable::CheckActive() const
{
    if (!Active()) throw EQBaseError(QStringLiteral("Table is not open"));
}

void TQTable::CheckOpened() const
{
    if (!Active()) throw EQBaseError(QStringLiteral("Table \"%1\" is not opened").arg(FTableName));
}

QString TQTable::Title() const { return NameFromAnsi(FHeader.Title); }

void TQTable::SetTitle(const QString& Value)
{
    CheckActive();
    FHeader.Title = NameToAnsi(Value, 64);
    WriteHeader();
}

void TQTable::SetDBVersion(qint32 Value)
{
    CheckActive();
    FHeader.DBVersion = Value;
    WriteHeader();
}

QString TQTable::InfoText() const
{
    if (!Active()) throw EQBaseError(QStringLiteral("Can't read info from closed table"));
    return FInfoText;
}

void TQTable::SetInfoText(const QString& Value)
{
    if (!Active()) throw EQBaseError(QStringLiteral("Can't write info into closed table"));
    if (FHeader.InfoBlock != 0) {
        FMemo.SaveMemoAsWideString(FHeader.InfoBlock, Value);
    } else {
        FHeader.InfoBlock = FMemo.AddMemoAsWideString(Value);
    }
    FInfoText = Value;
    WriteHeader();
}

void TQTable::LoadInfoText()
{
    FInfoText.clear();
    if (FHeader.InfoBlock == 0) return;
    // A damaged info text must not keep the table (and its repair) closed.
    try {
        if (FHeader.Version >= 6)
            FInfoText = FMemo.LoadMemoAsWideString(FHeader.InfoBlock);
        else
            FInfoText = LocaleAnsiToWide(FMemo.LoadMemo(FHeader.InfoBlock), FOldInfoLocale);
    } catch (const EQBaseError&) {
        FInfoText.clear();
    }
}

TQField* TQTable::FieldByName(const QString& FieldName) const
{
    TQField* f = FFields.FindByName(FieldName);
    if (!f) throw EQBaseError(QStringLiteral("Can't find field \"%1\"").arg(FieldName));
    return f;
}

TQField* TQTable::FieldByLocale(int FieldLocale) const
{
    TQField* f = FFields.FindByLocale(FieldLocale, true);
    if (!f) throw EQBaseError(QStringLiteral("Can't find field with locale \"%1\"").arg(FieldLocale));
    return f;
}

// ---------------------------------------------------------------- header and structure

QByteArray TQTable::HeaderBytes() const
{
    QByteArray raw;
    raw.reserve(HeaderSize);
    TByteWriter w(raw);
    w.Bytes("qtb", 3);
    w.U16(CurrentVersion);
    w.U32(FHeader.Attribute);
    WriteShortString(w, FHeader.Title, 64);
    w.I32(FHeader.RecCount);
    w.I32(FHeader.TotalRecCount);
    w.U16(FHeader.RecSize);
    w.U16(FHeader.FieldCount);
    w.I32(FHeader.FirstRec);
    w.I32(FHeader.LastRec);
    w.I32(FHeader.FirstEmpty);
    w.I32(FHeader.LastEmpty);
    w.I32(FHeader.DBVersion);
    w.I32(FHeader.InfoBlock);
    w.I32(FHeader.LastID);
    w.U32(FHeader.Stamp);
    w.U8(FHeader.Changing ? 1 : 0);
    w.Zeros(12);
    w.U16(FHeader.ReadLocks);
    w.U16(FHeader.WriteLocks);
    return raw;
}

void TQTable::ParseHeader(const QByteArray& raw)
{
    TByteReader<EQBaseError> r(raw, kHeaderReading);
    THeader h;
    r.Skip(3);
    h.Version = r.U16();
    h.Attribute = r.U32();
    h.Title = ReadShortString(r, 64);
    h.RecCount = r.I32();
    h.TotalRecCount = r.I32();
    h.RecSize = r.U16();
    h.FieldCount = r.U16();
    h.FirstRec = r.I32();
    h.LastRec = r.I32();
    h.FirstEmpty = r.I32();
    h.LastEmpty = r.I32();
    h.DBVersion = r.I32();
    h.InfoBlock = r.I32();
    h.LastID = r.I32();
    h.Stamp = r.U32();
    h.Changing = r.U8() != 0;
    r.Skip(12);
    if (h.Version >= 5) {
        h.ReadLocks = r.U16();
        h.WriteLocks = r.U16();
    }
    if (h.Version < 2) h.DBVersion = 1;
    if (h.Version < 3) h.InfoBlock = 0;
    // Every number that later becomes a file position is checked here, so a
    // damaged header is refused instead of sending reads past the end.
    const auto inRange = [&h](qint32 n) { return n >= 0 && n <= h.TotalRecCount; };
    const qint64 dataStart = HeaderSize + qint64(DescriptorSize) * h.FieldCount;
    if (h.RecSize < RecHeaderSize || h.TotalRecCount < 0 || h.TotalRecCount == std::numeric_limits<qint32>::max() ||
        !inRange(h.RecCount) || !inRange(h.FirstRec) || !inRange(h.LastRec) || !inRange(h.FirstEmpty) ||
        !inRange(h.LastEmpty) || (h.FirstRec == 0) != (h.LastRec == 0) || (h.FirstEmpty == 0) != (h.LastEmpty == 0) ||
        h.InfoBlock < 0)
        throw EQBaseError(kHeaderReading);
    // The file's size is asked for only when the header claims more than was
    // verified before (a reader re-reading the header of a growing table).
    if (h.TotalRecCount > FVerifiedTotal || h.FieldCount != FHeader.FieldCount || h.RecSize != FHeader.RecSize) {
        const qint64 fileSize = FFile.Size();
        if (fileSize < dataStart) throw EQBaseError(kStructureReading);
        if (fileSize < dataStart + (qint64(h.TotalRecCount) + 1) * h.RecSize) throw EQBaseError(kHeaderReading);
    }
    FVerifiedTotal = h.TotalRecCount;
    FHeader = h;
}

void TQTable::ReadHeader()
{
    QByteArray raw(HeaderSize, '\0');
    if (!FFile.ReadAt(0, raw.data(), HeaderSize, true)) throw EQBaseError(kHeaderReading);
    const int fieldCount = FHeader.FieldCount, recSize = FHeader.RecSize;
    const bool reread = !FRecBuf.isEmpty();
    ParseHeader(raw);
    if (reread && (FHeader.FieldCount != fieldCount || FHeader.RecSize != recSize)) throw EQBaseError(kHeaderReading);
}

void TQTable::WriteHeader()
{
    CheckActive();
    const int oldVersion = FHeader.Version;
    // Older files kept the info text as ANSI and may carry stray index flags;
    // the header we write says version 6, so both are brought up to it first.
    if (oldVersion < CurrentVersion && !FReadOnly) {
        if (FHeader.InfoBlock != 0) FMemo.SaveMemoAsWideString(FHeader.InfoBlock, FInfoText);
        if (oldVersion < 4) {
            const QByteArray s = StructureBytes();
            if (!FFile.WriteAt(HeaderSize, s.constData(), s.size()))
                throw EQBaseError(QStringLiteral("Error during structure writing"));
        }
    }
    const QByteArray raw = HeaderBytes();
    if (!FFile.WriteAt(0, raw.constData(), raw.size()))
        throw EQBaseError(QStringLiteral("Error during header writing"));
    FHeader.Version = CurrentVersion;
}

QByteArray TQTable::StructureBytes() const
{
    QByteArray raw;
    raw.reserve(DescriptorSize * FFields.Count());
    TByteWriter w(raw);
    for (int i = 0; i < FFields.Count(); ++i) {
        const TQField* f = FFields[i];
        WriteShortString(w, NameToAnsi(f->FieldName(), 30), 30);
        w.U16(quint16(f->Size()));
        w.U8(f->DataType());
        WriteShortString(w, NameToAnsi(f->Description(), 64), 64);
        w.U32(quint32(f->Locale()));
        w.U8(f->MemoryIndex() ? 1 : 0);
        w.Zeros(5);
    }
    return raw;
}

void TQTable::ReadStructure()
{
    QByteArray raw(qsizetype(DescriptorSize) * FHeader.FieldCount, '\0');
    if (!FFile.ReadAt(HeaderSize, raw.data(), raw.size(), true)) throw EQBaseError(kStructureReading);
    TByteReader<EQBaseError> r(raw, kStructureReading);
    FFields.Clear();
    for (int i = 0; i < FHeader.FieldCount; ++i) {
        auto f = std::make_unique<TQField>();
        f->FFieldName = NameFromAnsi(ReadShortString(r, 30));
        f->FOldFieldName = f->FFieldName;
        const int size = r.U16();
        const int type = r.U8();
        if (type > dtLastType) throw EQBaseError(kStructureReading);
        f->FDataType = TQDataType(type);
        f->FSize = f->FDataType == dtString || f->FDataType == dtWideString ? size : 0;
        f->FDescription = NameFromAnsi(ReadShortString(r, 64));
        f->FLocale = int(r.U32());
        f->FMemoryIndex = r.U8() == 1 && FHeader.Version >= 4;
        r.Skip(5);
        f->FInternal = true;
        FFields.Add(std::move(f));
    }
    LayoutFields();
}

void TQTable::LayoutFields()
{
    int offset = 0;
    for (int i = 0; i < FFields.Count(); ++i) {
        FFields[i]->FOffset = offset;
        FFields[i]->FTable = this;
        offset += FFields[i]->DataSize();
    }
    const int recSize = RecHeaderSize + offset;
    if (Active() && recSize != FHeader.RecSize) throw EQBaseError(kStructureReading);
    if (recSize > 0xFFFF) throw EQBaseError(QStringLiteral("Can't create table"));
    FHeader.RecSize = quint16(recSize);
    FHeader.FieldCount = quint16(FFields.Count());
}

void TQTable::SaveStructure()
{
    CheckWritable();
    const QByteArray s = StructureBytes();
    int recSize = RecHeaderSize;
    for (int i = 0; i < FFields.Count(); ++i) recSize += FFields[i]->DataSize();
    // Only names, descriptions, locales and flags may change in place.
    if (FFields.Count() != FHeader.FieldCount || recSize != FHeader.RecSize ||
        !FFile.WriteAt(HeaderSize, s.constData(), s.size()))
        throw EQBaseError(QStringLiteral("Error during structure writing"));
}

// ---------------------------------------------------------------- records

TQTable::TRecHeader TQTable::BufferHeader() const
{
    TRecHeader h;
    std::memcpy(&h.Attribute, FRecBuf.constData(), 2);
    std::memcpy(&h.Prior, FRecBuf.constData() + 10, 4);
    std::memcpy(&h.Next, FRecBuf.constData() + 14, 4);
    return h;
}

void TQTable::SetBufferHeader(const TRecHeader& H)
{
    char* p = FRecBuf.data();
    std::memset(p, 0, RecHeaderSize);
    std::memcpy(p, &H.Attribute, 2);
    std::memcpy(p + 10, &H.Prior, 4);
    std::memcpy(p + 14, &H.Next, 4);
}

void TQTable::ReadRecord(qint32 Rec)
{
    if (Rec < 0 || Rec > FHeader.TotalRecCount || !FFile.ReadAt(RecordPos(Rec), FRecBuf.data(), FRecBuf.size()))
        throw EQBaseError(QStringLiteral("Wrong record number"));
}

void TQTable::WriteRecord(qint32 Rec)
{
    if (Rec < 0 || Rec > FHeader.TotalRecCount + 1) throw EQBaseError(QStringLiteral("Can't seek file pointer"));
    if (!FFile.WriteAt(RecordPos(Rec), FRecBuf.constData(), FRecBuf.size()))
        throw EQBaseError(QStringLiteral("Error during record writing"));
}

TQTable::TRecHeader TQTable::ReadRecHeader(qint32 Rec) const
{
    char raw[RecHeaderSize];
    if (Rec < 0 || Rec > FHeader.TotalRecCount || !FFile.ReadAt(RecordPos(Rec), raw, RecHeaderSize, true))
        throw EQBaseError(QStringLiteral("Wrong record number"));
    TRecHeader h;
    std::memcpy(&h.Attribute, raw, 2);
    std::memcpy(&h.Prior, raw + 10, 4);
    std::memcpy(&h.Next, raw + 14, 4);
    return h;
}

void TQTable::WriteRecHeader(qint32 Rec, const TRecHeader& H)
{
    char raw[RecHeaderSize] = {};
    std::memcpy(raw, &H.Attribute, 2);
    std::memcpy(raw + 10, &H.Prior, 4);
    std::memcpy(raw + 14, &H.Next, 4);
    if (Rec < 0 || Rec > FHeader.TotalRecCount) throw EQBaseError(QStringLiteral("Can't seek file pointer"));
    if (!FFile.WriteAt(RecordPos(Rec), raw, RecHeaderSize))
        throw EQBaseError(QStringLiteral("Error during record writing"));
}

void TQTable::ClearPending()
{
    for (int i = 0; i < FFields.Count(); ++i) FFields[i]->DropPending();
}

void TQTable::GoTo(qint32 Rec)
{
    ReadRecord(Rec);
    FBookmark = Rec;
    FSteps = 0;
    ClearPending();
}

void TQTable::ResetBuffer()
{
    FRecBuf.fill('\0');
    ClearPending();
}

QList<qint32> TQTable::StoreMemos()
{
    // A changed value gets a chain of its own and the record is switched to
    // it in one write: a value overwritten in place would be half old, half
    // new after a kill.
    QList<qint32> replaced;
    for (int i = 0; i < FFields.Count(); ++i) {
        TQField* f = FFields[i];
        if (!f->FHasPending) continue;
        if (f->BlockNumber() != 0) replaced << f->BlockNumber();
        f->SetBlockNumber(f->FPending.isEmpty() ? 0 : FMemo.AddMemo(f->FPending));
        f->DropPending();
    }
    return replaced;
}

void TQTable::FreeMemos(const QList<qint32>& Chains)
{
    for (const qint32 block : Chains) FMemo.DeleteMemo(block);
}

// ---------------------------------------------------------------- create, open, close

void TQTable::CreateTable(qint32 ADBVersion)
{
    if (Active()) throw EQBaseError(QStringLiteral("Table is opened"));
    FHeader = THeader();
    LayoutFields();
    FHeader.DBVersion = ADBVersion;
    FHeader.Stamp = NewStamp();
    FMemo.SetReadOnly(false);
    FMemo.SetBlockSize(FMemoBlockSize);
    FMemo.SetStamp(FHeader.Stamp);
    FMemo.CreateMemoFile(MemoFileName());

    // The defaults record: memo-type defaults go to the memo file.
    FRecBuf = QByteArray(FHeader.RecSize, '\0');
    const auto done = qScopeGuard([this] {
        FMemo.Close();
        FRecBuf.clear();
        ClearPending();
    });
    FMemo.Open(MemoFileName());
    for (int i = 0; i < FFields.Count(); ++i)
        if (FFields[i]->DataType() != dtAutoInc) FFields[i]->Assign(FFields[i]->DefValue());
    StoreMemos();

    QByteArray file = HeaderBytes() + StructureBytes() + FRecBuf;
    try {
        WriteFileAtomic(FileName(), file);
    } catch (const EVocabrixError&) {
        throw EQBaseError(QStringLiteral("Can't create table"));
    }
}

void TQTable::DeleteTable()
{
    if (Active()) throw EQBaseError(QStringLiteral("Can't delete opened table"));
    QFile::remove(FileName());
    if (QFileInfo::exists(MemoFileName())) QFile::remove(MemoFileName());
}

void TQTable::Open()
{
    if (Active()) return;
    if (!TableExists()) throw EQBaseError(QStringLiteral("Unknown table name \"%1\"").arg(FTableName));
    // A restructure switches the memo file first and the table file second;
    // a reader that comes between the two renames sees a mixed pair for a
    // moment and looks again, a writer finishes a switch that a killed
    // process left half done.
    for (int attempt = 0;; ++attempt) {
        OpenFiles();
        if (FHeader.Stamp == FMemo.Stamp()) break;
        const quint32 memoStamp = FMemo.Stamp();
        FMemo.Close();
        FFile.Close();
        FRecBuf.clear();
        if (!FReadOnly && attempt == 0 && FinishSwitch(memoStamp)) continue;
        if (FReadOnly && attempt < 100) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        throw EQBaseError(QStringLiteral("The memo file \"%1\" does not belong to the table file \"%2\"")
                              .arg(QDir::toNativeSeparators(MemoFileName()), QDir::toNativeSeparators(FileName())));
    }
    try {
        if (!FReadOnly) {
            RemoveWorkFiles();
            FinishAppend();
        }
        LoadInfoText();
        GoTo(0);
        for (int i = 0; i < FFields.Count(); ++i) {
            TQField* f = FFields[i];
            try {
                f->FDefValue = f->DataType() == dtBlob ? QVariant(f->Data()) : f->AsVariant();
            } catch (const EQBaseError&) {
                f->FDefValue = QVariant(); // a damaged default must not keep the table closed
            }
        }
        FDefaultsSet = true;
        FState = qtsBrowsing;
        FSavedBookmark = -1;
        if (FHeader.RecCount > 0 && FHeader.FirstRec != 0) GoTo(FHeader.FirstRec);
    } catch (...) {
        FMemo.Close();
        FFile.Close();
        FRecBuf.clear();
        throw;
    }
    if (FUseMemoryIndex) StartIndexBuild();
}

void TQTable::OpenFiles()
{
    if (!FFile.Open(FileName(), FReadOnly))
        throw EQBaseError(QStringLiteral("Can not open file \"%1\"").arg(FileName()));
    try {
        FRecBuf.clear();
        FVerifiedTotal = -1;
        ReadHeader();
        ReadStructure();
        FRecBuf = QByteArray(FHeader.RecSize, '\0');
        FBOF = FHeader.FirstRec == 0;
        FEOF = FHeader.LastRec == 0;
        FMemo.SetReadOnly(FReadOnly);
        FMemo.Open(MemoFileName());
    } catch (...) {
        FMemo.Close();
        FFile.Close();
        FRecBuf.clear();
        throw;
    }
}

bool TQTable::FinishSwitch(quint32 MemoStamp)
{
    const QFileInfo fi(FileName());
    for (const QString& work : WorkFiles(fi.path(), fi.fileName(), QFileInfo(MemoFileName()).fileName(), false))
        if (work.endsWith(QLatin1String(".tmp")) && StampOfTableFile(work) == MemoStamp)
            return RenameOver(work, FileName());
    return false;
}

void TQTable::RemoveWorkFiles()
{
    // Only the writer gets here, and only a writer makes work files: what
    // is there was left by a process that died.
    const QFileInfo fi(FileName());
    for (const QString& work : WorkFiles(fi.path(), fi.fileName(), QFileInfo(MemoFileName()).fileName(), true))
        QFile::remove(work);
}

void TQTable::FinishChange()
{
    // A delete was killed between its writes: the live chain from FirstRec
    // is what counts (the record was taken off it first); its back links,
    // its end and count, and the end of the free chain are read off the
    // chains themselves.
    const qint32 total = FHeader.TotalRecCount;
    const auto valid = [total](qint32 r) { return r >= 1 && r <= total; };
    qint32 prior = 0, count = 0;
    for (qint32 cur = valid(FHeader.FirstRec) ? FHeader.FirstRec : 0; cur != 0 && count <= total;) {
        TRecHeader h = ReadRecHeader(cur);
        const qint32 next = valid(h.Next) ? h.Next : 0;
        if (h.Prior != prior || h.Next != next) {
            h.Prior = prior, h.Next = next;
            WriteRecHeader(cur, h);
        }
        prior = cur, ++count, cur = next;
    }
    FHeader.FirstRec = count > 0 ? FHeader.FirstRec : 0;
    FHeader.LastRec = prior;
    FHeader.RecCount = count;
    qint32 last = 0, free = 0;
    for (qint32 cur = valid(FHeader.FirstEmpty) ? FHeader.FirstEmpty : 0; cur != 0 && free <= total; ++free) {
        last = cur;
        const qint32 next = ReadRecHeader(cur).Next;
        cur = valid(next) ? next : 0;
    }
    FHeader.FirstEmpty = last != 0 ? FHeader.FirstEmpty : 0;
    FHeader.LastEmpty = last;
    FHeader.Changing = false;
    WriteHeader();
}

void TQTable::FinishAppend()
{
    if (FHeader.Changing) return FinishChange();
    // An append writes the new record, then the header that makes it the
    // last one, then the link from the record before it. Killed before the
    // link, the chain ends one record early; the link is written now.
    if (FHeader.LastRec == 0 || FHeader.LastRec == FHeader.FirstRec) return;
    const TRecHeader last = ReadRecHeader(FHeader.LastRec);
    if (last.Attribute != 0 || last.Prior < 1 || last.Prior > FHeader.TotalRecCount) return;
    TRecHeader prior = ReadRecHeader(last.Prior);
    if (prior.Attribute != 0 || prior.Next != 0) return;
    prior.Next = FHeader.LastRec;
    WriteRecHeader(last.Prior, prior);
}

void TQTable::Close()
{
    if (!Active()) return;
    StopIndexBuild();
    const auto closeFiles = qScopeGuard([this] {
        FMemo.Close();
        FFile.Close();
        FRecBuf.clear();
        ClearPending();
        FState = qtsBrowsing;
        FBookmark = 0;
        FBOF = FEOF = true;
    });
    if (FState != qtsBrowsing) Post();
    if (!FReadOnly && FDefaultsSet) {
        GoTo(0);
        for (int i = 0; i < FFields.Count(); ++i) FFields[i]->Assign(FFields[i]->DefValue());
        const QList<qint32> replaced = StoreMemos();
        WriteRecord(0);
        FreeMemos(replaced);
    }
}

// ---------------------------------------------------------------- navigation

void TQTable::SetBookmark(qint32 Value)
{
    CheckBrowsing();
    if (Value == FBookmark) return;
    if (Value < 0 || Value > FHeader.TotalRecCount) throw EQBaseError(QStringLiteral("Wrong record number"));
    GoTo(Value);
    if (Value != 0) FBOF = FEOF = false;
}

void TQTable::CheckBrowsing() const
{
    if (FState != qtsBrowsing) throw EQBaseError(QStringLiteral("Can't change position in edit state"));
}

void TQTable::GoToEnd(qint32 Rec)
{
    CheckBrowsing();
    if (FHeader.RecCount <= 0 || Rec == 0) return;
    GoTo(Rec);
    FBOF = FEOF = false;
}

void TQTable::Step(bool Forward)
{
    CheckBrowsing();
    if (FHeader.RecCount <= 0) return;
    const TRecHeader h = BufferHeader();
    qint32 to = Forward ? h.Next : h.Prior;
    if (Forward) {
        // The header's last record ends the walk: what a writer appended
        // after this reader read the header is not counted in it yet. A walk
        // that ends before it meets an append whose link was not written yet
        // (see Post) and steps over the gap.
        if (FBookmark == FHeader.LastRec)
            to = 0;
        else if (to == 0 && FHeader.LastRec != 0 && ReadRecHeader(FHeader.LastRec).Prior == FBookmark)
            to = FHeader.LastRec;
    }
    if (to == 0) {
        (Forward ? FEOF : FBOF) = true;
        return;
    }
    // A damaged chain that comes back on itself must end a walk in one
    // direction, not keep it going for ever (an export, a pack, the index
    // builder). Twice the records leaves room for a chain other programs
    // change meanwhile.
    const qint64 steps = (FStepsForward == Forward ? FSteps : 0) + 1;
    if (steps > 2 * qint64(FHeader.TotalRecCount) + 16) throw EQBaseError(QStringLiteral("Wrong record number"));
    GoTo(to);
    FSteps = steps;
    FStepsForward = Forward;
    (Forward ? FBOF : FEOF) = false;
}

void TQTable::First() { GoToEnd(FHeader.FirstRec); }
void TQTable::Last() { GoToEnd(FHeader.LastRec); }
void TQTable::Next() { Step(true); }
void TQTable::Prior() { Step(false); }

void TQTable::MoveBy(int Num)
{
    for (; Num > 0 && !FEOF; --Num) Next();
    for (; Num < 0 && !FBOF; ++Num) Prior();
}

void TQTable::SafeNext()
{
    CheckActive();
    // The link of the current record first, then the headers: whatever that
    // link names was written before it, so the headers read next cover it.
    // They are read only when the link leads past the records known so far:
    // a memo block past the known ones fails its read, and the reader reads
    // that record again after Refresh.
    bool beyond = FBookmark == 0;
    if (FBookmark != 0) {
        const TRecHeader h = ReadRecHeader(FBookmark);
        TRecHeader b = BufferHeader();
        b.Next = h.Next;
        b.Prior = h.Prior;
        std::memcpy(FRecBuf.data() + 10, &b.Prior, 4);
        std::memcpy(FRecBuf.data() + 14, &b.Next, 4);
        beyond = h.Next > FHeader.TotalRecCount || FBookmark == FHeader.LastRec;
    }
    if (beyond) {
        ReadHeader();
        FMemo.ReadHeader();
    }
    Next();
}

void TQTable::SetReadCache(bool On)
{
    FFile.SetReadCache(On);
    FMemo.SetReadCache(On);
}

void TQTable::Refresh()
{
    CheckActive();
    FFile.DropCache();
    FMemo.DropCache();
    ReadHeader();
    FMemo.ReadHeader();
    if (FState == qtsBrowsing) GoTo(FBookmark);
}

template <class F> void TQTable::ForEachRecord(F Visit)
{
    if (FHeader.RecCount <= 0 || FHeader.FirstRec == 0) return CheckWalked(0);
    First();
    qint64 steps = 1;
    for (; !FEOF; ++steps) {
        if (steps > qint64(FHeader.TotalRecCount)) throw EQBaseError(QStringLiteral("Wrong record number"));
        if (!Visit()) return;
        Next();
    }
    CheckWalked(steps - 1);
}

void TQTable::CheckWalked(qint64 Visited)
{
    if (Visited == FHeader.RecCount) return;
    // A reader whose files a writer changes meanwhile walks a moving chain;
    // only a chain that disagrees with a header nobody changed is damaged.
    if (FReadOnly) {
        const THeader seen = FHeader;
        Refresh();
        if (seen.RecCount != FHeader.RecCount || seen.LastRec != FHeader.LastRec ||
            seen.TotalRecCount != FHeader.TotalRecCount || seen.FirstRec != FHeader.FirstRec || FHeader.Changing)
            return;
    }
    throw EQBaseError(QStringLiteral("The table \"%1\" is damaged: %2 of its %3 records can be reached; repair it")
                          .arg(QDir::toNativeSeparators(FileName()))
                          .arg(Visited)
                          .arg(FHeader.RecCount));
}

void TQTable::CheckWritable() const
{
    CheckOpened();
    if (FReadOnly)
        throw EQBaseError(QStringLiteral("\"%1\" is opened read-only: another program writes to it or the file "
                                         "cannot be written")
                              .arg(QDir::toNativeSeparators(FileName())));
}

// ---------------------------------------------------------------- editing

void TQTable::Append()
{
    CheckWritable();
    if (FState != qtsBrowsing) Post();
    const qint32 keep = FBookmark;
    ResetBuffer();
    FState = qtsInsert;
    for (int i = 0; i < FFields.Count(); ++i)
        if (FFields[i]->DataType() != dtAutoInc) FFields[i]->Assign(FFields[i]->DefValue());
    FBookmark = keep;
}

void TQTable::Edit()
{
    CheckWritable();
    if (FState == qtsBrowsing) FState = qtsEdit;
}

void TQTable::EditDefaults()
{
    CheckWritable();
    if (FState != qtsBrowsing) Post();
    FSavedBookmark = FBookmark;
    GoTo(0);
    FState = qtsEditDefaults;
}

void TQTable::Post()
{
    switch (FState) {
    case qtsBrowsing:
        return;
    case qtsInsert: {
        StoreMemos();
        qint32 slot;
        const bool reused = FHeader.FirstEmpty != 0;
        if (reused) {
            slot = FHeader.FirstEmpty;
            const qint32 next = ReadRecHeader(slot).Next;
            // A free chain that leaves the table or names the slot again ends here.
            FHeader.FirstEmpty = next > 0 && next <= FHeader.TotalRecCount && next != slot ? next : 0;
            if (FHeader.FirstEmpty == 0) FHeader.LastEmpty = 0;
        } else {
            slot = FHeader.TotalRecCount + 1;
            ++FHeader.TotalRecCount;
        }
        const qint32 oldLast = FHeader.LastRec;
        SetBufferHeader({0, oldLast, 0});
        // The writes are ordered so that a kill at any point leaves the chain
        // whole: a reused slot first leaves the free chain (it is then on no
        // chain, which loses nothing), the record is written where no chain
        // leads, the header makes it the last record, and the link from the
        // old last record comes last; a kill before that link is finished at
        // the next opening (FinishAppend), and readers step over it.
        if (FFields.Count() > 0 && FFields[0]->DataType() == dtAutoInc) {
            ++FHeader.LastID;
            FFields[0]->Put<qint32>(FHeader.LastID);
        }
        if (reused) WriteHeader();
        WriteRecord(slot);
        FHeader.LastRec = slot;
        if (FHeader.FirstRec == 0) FHeader.FirstRec = slot;
        ++FHeader.RecCount;
        WriteHeader();
        if (oldLast != 0) {
            TRecHeader h = ReadRecHeader(oldLast);
            h.Next = slot;
            WriteRecHeader(oldLast, h);
        }
        FBookmark = slot;
        FBOF = FEOF = false;
        if (FMemoryIndex) FMemoryIndex->AddRecord(*this);
        break;
    }
    case qtsEdit: {
        const QList<qint32> replaced = StoreMemos();
        WriteRecord(FBookmark);
        FreeMemos(replaced);
        if (FMemoryIndex) FMemoryIndex->UpdateRecord(*this);
        break;
    }
    case qtsEditDefaults: {
        const QList<qint32> replaced = StoreMemos();
        WriteRecord(0);
        FreeMemos(replaced);
        for (int i = 0; i < FFields.Count(); ++i) {
            TQField* f = FFields[i];
            f->FDefValue = f->DataType() == dtBlob ? QVariant(f->Data()) : f->AsVariant();
        }
        FDefaultsSet = true;
        break;
    }
    }
    FState = qtsBrowsing;
    ClearPending();
    if (FSavedBookmark >= 0) {
        const qint32 back = FSavedBookmark;
        FSavedBookmark = -1;
        if (back <= FHeader.TotalRecCount) GoTo(back);
    }
    FFields.ResetModified();
}

void TQTable::Cancel()
{
    if (FState == qtsBrowsing) return;
    FState = qtsBrowsing;
    ClearPending();
    qint32 back = FBookmark;
    if (FSavedBookmark >= 0) back = FSavedBookmark, FSavedBookmark = -1;
    if (back >= 0 && back <= FHeader.TotalRecCount) GoTo(back);
    FFields.ResetModified();
}

void TQTable::Delete()
{
    CheckWritable();
    if (FState == qtsInsert) {
        Cancel();
        return;
    }
    Cancel(); // an edit of the record being deleted is dropped
    const qint32 cur = FBookmark;
    if (cur <= 0 || FHeader.RecCount <= 0) return;

    // The builder must not stand on this record, and it pauses between two of
    // its steps while the record's slot and memo blocks are given back.
    std::unique_lock<std::mutex> pause;
    if (FBuilder && !FBuilder->Finished()) {
        for (;;) {
            pause = std::unique_lock<std::mutex>(FBuilder->WalkLock());
            if (FBuilder->CurrentRecord() != cur) break;
            pause.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    if (FMemoryIndex) FMemoryIndex->DeleteRecord(*this);
    // The record leaves the live chain, joins the free chain, and only then
    // gives back its memo blocks, which it no longer names. The header says
    // "changing" while the links are in between; a kill meanwhile is put
    // right at the next opening (FinishChange).
    const TRecHeader h = BufferHeader();
    QList<qint32> chains;
    for (int i = 0; i < FFields.Count(); ++i) {
        TQField* f = FFields[i];
        if (!IsMemoType(f->DataType()) || f->BlockNumber() == 0) continue;
        chains << f->BlockNumber();
        f->SetBlockNumber(0);
    }
    FHeader.Changing = true;
    if (FHeader.FirstRec == cur) FHeader.FirstRec = h.Next;
    if (FHeader.LastRec == cur) FHeader.LastRec = h.Prior;
    if (FHeader.FirstRec == 0 || FHeader.LastRec == 0) FHeader.FirstRec = FHeader.LastRec = 0;
    WriteHeader();
    if (h.Prior != 0) {
        TRecHeader p = ReadRecHeader(h.Prior);
        p.Next = h.Next;
        WriteRecHeader(h.Prior, p);
    }
    if (h.Next != 0) {
        TRecHeader n = ReadRecHeader(h.Next);
        n.Prior = h.Prior;
        WriteRecHeader(h.Next, n);
    }
    SetBufferHeader({DeletedAttribute, FHeader.LastEmpty, 0});
    WriteRecord(cur);
    if (FHeader.LastEmpty != 0) {
        TRecHeader tail = ReadRecHeader(FHeader.LastEmpty);
        tail.Next = cur;
        WriteRecHeader(FHeader.LastEmpty, tail);
    }
    FHeader.LastEmpty = cur;
    if (FHeader.FirstEmpty == 0) FHeader.FirstEmpty = cur;
    FHeader.RecCount = std::max(FHeader.RecCount - 1, 0);
    FHeader.Changing = false;
    WriteHeader();
    FreeMemos(chains);
    const qint32 newCur = h.Next != 0 ? h.Next : h.Prior;
    FEOF = h.Next == 0;
    FBOF = h.Next == 0 && h.Prior == 0;
    GoTo(newCur);
}

void TQTable::CopyRecordTo(TQTable* Table, bool NewRec)
{
    if (NewRec)
        Table->Append();
    else
        Table->Edit();
    for (int i = 0; i < FFields.Count(); ++i) {
        const TQField* f = FFields[i];
        if (TQField* dest = Table->Fields().FindByName(f->FieldName())) f->CopyValue(dest);
    }
    Table->Post();
}

// ---------------------------------------------------------------- search

bool TQTable::IndexServes(const TQField* Field, TQLocateOptions Options)
{
    if (!FMemoryIndex || !Field->MemoryIndex() || !IsMemoryIndexBuilt() || !FIndexUsable) return false;
    if (!FMemoryIndex->FieldByName(Field->FieldName())) return false;
    // The entries are ordered under the default options; a search can walk
    // them only with those options, or also ignoring case (a case-sensitive
    // collation order is also ordered without case). Any other search scans.
    const TQLocateOptions sorted = FMemoryIndex->DefaultOptions() & ~TQLocateOptions(qloPartialKey);
    return (Options & sorted) == sorted && (Options & ~sorted & ~TQLocateOptions(qloCaseInsensitive)) == 0;
}

void TQTable::Search(const QString& FieldName, const QVariant& Value, TQLocateOptions Options, bool All,
                     QList<TQValueLocation>* Found)
{
    CheckOpened();
    const TQField* f = FFields.FindByName(FieldName);
    if (!f) throw EQBaseError(QStringLiteral("Can not find field \"%1\"").arg(FieldName));
    CheckBrowsing();
    const qint32 start = FBookmark;
    const bool bof = FBOF, eof = FEOF;
    const auto matches = [&] {
        return CompareFieldValues(f->DataType(), f->Locale(), f->AsVariant(), Value, Options, 0) == 0;
    };
    bool any = false;
    const auto visit = [&] {
        if (!matches()) return true;
        any = true;
        if (Found) Found->append({QString(), FBookmark});
        return All;
    };
    if (IndexServes(f, Options)) {
        TQIndexSearchParams sp;
        for (qint32 bm = FMemoryIndex->FindFirst(f->FieldName(), Value, sp, Options); bm != 0;
             bm = FMemoryIndex->FindNext(sp)) {
            GoTo(bm);
            if (!visit()) break;
        }
    } else {
        ForEachRecord(visit);
    }
    if (any && !All) {
        FBOF = FEOF = false;
        return;
    }
    GoTo(start <= FHeader.TotalRecCount ? start : 0);
    FBOF = bof, FEOF = eof;
}

bool TQTable::LocateByValue(const QString& FieldName, const QVariant& Value, TQLocateOptions Options)
{
    QList<TQValueLocation> found;
    Search(FieldName, Value, Options, false, &found);
    return !found.isEmpty();
}

void TQTable::GetValueLocations(const QString& FieldName, const QVariant& Value, TQLocateOptions Options,
                                QList<TQValueLocation>& Bookmarks)
{
    Bookmarks.clear();
    Search(FieldName, Value, Options, true, &Bookmarks);
}

// ---------------------------------------------------------------- memory index

void TQTable::SetUseMemoryIndex(bool Value)
{
    FUseMemoryIndex = Value;
    if (!Active()) return;
    if (Value)
        StartIndexBuild();
    else
        StopIndexBuild();
}

void TQTable::SetUseFuzzyIndex(bool Value)
{
    if (FUseFuzzyIndex == Value) return;
    FUseFuzzyIndex = Value;
    if (!Active() || !FUseMemoryIndex) return;
    StopIndexBuild();
    StartIndexBuild();
}

std::vector<TFuzzyHit> TQTable::FindFuzzy(const QString& FieldName, const QString& Text, int Threshold, int MaxCount,
                                          const QString& RequiredField)
{
    if (!FMemoryIndex || !IsMemoryIndexBuilt() || !FIndexUsable) return {};
    return FMemoryIndex->FindFuzzy(FieldName, Text, Threshold, MaxCount, RequiredField);
}

bool TQTable::IsMemoryIndexBuilt()
{
    if (FBuilder && FBuilder->Finished()) {
        FIndexUsable = FBuilder->Succeeded();
        FIndexError = FBuilder->Error();
        FBuilder.reset(); // joins the ended thread
    }
    return !FBuilder;
}

qint64 TQTable::IndexBuildPosition() const { return FBuilder ? FBuilder->Position() : 0; }

void TQTable::StartIndexBuild()
{
    if ((FMemoryIndex && FIndexUsable) || FBuilder) return;
    FIndexUsable = false;
    FIndexError.clear();
    FMemoryIndex = std::make_unique<TQMemoryIndex>(FDefaultLocateOptions);
    // The index fields exist before the builder reads anything. A flag on a
    // field of a type the index cannot hold is ignored rather than keeping
    // the table from opening.
    for (int i = 0; i < FFields.Count(); ++i) {
        const TQField& f = *FFields[i];
        if (!f.MemoryIndex() || !TQMemoryIndex::CanIndex(f.DataType())) continue;
        FMemoryIndex->AddField(f);
        if (FUseFuzzyIndex && IsTextType(f.DataType())) FMemoryIndex->AddFuzzyField(f);
    }
    FBuilder = std::make_unique<TQMemIndexThread>(this, FMemoryIndex.get());
}

void TQTable::StopIndexBuild()
{
    FBuilder.reset(); // asks the builder to stop and waits until it can no longer reach the index
    FMemoryIndex.reset();
    FIndexUsable = false;
}

// ---------------------------------------------------------------- maintenance

void TQTable::EmptyTable()
{
    TIndexPause pause(*this);
    const bool wasOpen = Active();
    if (!wasOpen) Open();
    try {
        EmptyOpenTable();
    } catch (...) {
        if (!wasOpen) Quietly([this] { Close(); });
        throw;
    }
    if (!wasOpen) Close();
}

void TQTable::EmptyOpenTable()
{
    CheckWritable();
    Cancel();
    // The defaults record keeps its values but loses its memo blocks with the
    // memo file; Close stores memo defaults afresh.
    GoTo(0);
    for (int i = 0; i < FFields.Count(); ++i)
        if (IsMemoType(FFields[i]->DataType())) FFields[i]->SetBlockNumber(0);
    WriteRecord(0);
    // The header is the switch: once it says "empty", the records and blocks
    // beyond it are no longer reachable, whatever happens to the rest.
    FHeader.RecCount = FHeader.TotalRecCount = 0;
    FHeader.FirstRec = FHeader.LastRec = FHeader.FirstEmpty = FHeader.LastEmpty = 0;
    FHeader.InfoBlock = 0;
    WriteHeader();
    if (!FFile.Resize(RecordPos(1))) throw EQBaseError(QStringLiteral("Error during record writing"));
    FMemo.EmptyMemoFile();
    FInfoText.clear();
    FBOF = FEOF = true;
}

void TQTable::RenameTable(const QString& NewName)
{
    const bool wasOpen = Active();
    Close();
    TQTable target;
    target.SetDatabaseName(FDatabaseName);
    target.SetTableName(NewName);
    if (target.FileName() != FileName()) {
        if (!RenameOver(FileName(), target.FileName()))
            throw EQBaseError(QStringLiteral("Can not open file \"%1\"").arg(target.FileName()));
        if (QFileInfo::exists(MemoFileName()) && !RenameOver(MemoFileName(), target.MemoFileName()))
            throw EQBaseError(QStringLiteral("Can not open file \"%1\"").arg(target.MemoFileName()));
    }
    FTableName = target.TableName();
    if (wasOpen) Open();
}

void TQTable::CopyTo(TQTable* ATable, TQCopyFlags Flags)
{
    CheckOpened();
    ATable->CheckOpened();
    if (Flags & cfCopy) ATable->EmptyTable();
    ATable->SetTitle(Title());
    ForEachRecord([&] {
        CopyRecordTo(ATable, true);
        return true;
    });
}

void TQTable::Restructure(const TQFieldList& NewSchema, qint32 NewDBVersion)
{
    TIndexPause pause(*this);
    const bool wasOpen = Active();
    if (!wasOpen) Open();
    if (FReadOnly) {
        if (!wasOpen) Quietly([this] { Close(); });
        CheckWritable();
    }
    if (FState != qtsBrowsing) Post();

    bool allPartnered = true;
    for (int i = 0; i < FFields.Count(); ++i) {
        if (const TQField* partner = NewSchema.FindByOldName(FFields[i]->FieldName()))
            FFields[i]->FFieldName = partner->FieldName();
        else
            allPartnered = false;
    }
    bool allExist = true;
    for (int i = 0; i < NewSchema.Count(); ++i) allExist = allExist && FFields.FindByName(NewSchema[i]->FieldName());
    if (allPartnered && allExist) SaveStructure();

    // The new pair is complete before it replaces the old one. This table
    // keeps its files open, and with them the write lock, until both are in
    // place, so no other program starts writing meanwhile. The memo file is
    // renamed first: a kill between the two renames leaves the new table
    // file under its work name, and the next opening finishes the switch by
    // the stamp the two new files share.
    const QFileInfo fi(FileName());
    TQTable temp;
    temp.SetDatabaseName(fi.path());
    temp.SetTableName(ReserveWorkFiles(fi.path(), fi.fileName()), false);
    temp.SetAllowChangeAutoInc(true);
    temp.Fields().Assign(NewSchema);
    temp.SetMemoBlockSize(FMemo.BlockSize());
    bool switched = false;
    try {
        temp.CreateTable(NewDBVersion >= 1 ? NewDBVersion : FHeader.DBVersion);
        temp.Open();
        temp.SetInfoText(FInfoText);
        CopyTo(&temp, cfAppend | cfRestructure);
        temp.Close();
        if (!SyncFile(temp.FileName()) || !SyncFile(temp.MemoFileName()))
            throw EQBaseError(QStringLiteral("Can't create table"));
        if (!RenameOver(temp.MemoFileName(), MemoFileName())) throw EQBaseError(QStringLiteral("Can't create table"));
        switched = true;
        if (!RenameOver(temp.FileName(), FileName())) throw EQBaseError(QStringLiteral("Can't create table"));
    } catch (...) {
        Quietly([&] { temp.Close(); });
        if (!switched) Quietly([&] { temp.DeleteTable(); });
        // Half switched, the files are closed so that the next opening
        // finishes the switch.
        if (switched || !wasOpen) Quietly([this] { Close(); });
        if (wasOpen && !Active()) Quietly([this] { Open(); });
        throw;
    }
    // The old files are gone from the folder; closing writes only into them.
    Quietly([this] { Close(); });
    if (wasOpen)
        Open();
    else
        FFields.Assign(NewSchema);
}

void TQTable::Repair()
{
    CheckActive();
    TIndexPause pause(*this);
    Cancel();
    // The repair works on copies that replace the files only when complete.
    const QString name = FTableName;
    CheckWritable();
    const QFileInfo fi(FileName());
    TQTable work;
    work.SetDatabaseName(FDatabaseName);
    work.SetTableName(ReserveWorkFiles(fi.path(), fi.fileName()), false);
    const QString workFile = work.FileName(), workMemo = work.MemoFileName();
    const QString file = FileName(), memo = MemoFileName();
    Close();
    try {
        QFile::remove(workFile);
        QFile::remove(workMemo);
        if (!QFile::copy(file, workFile) || !QFile::copy(memo, workMemo))
            throw EQBaseError(QStringLiteral("Can not open file \"%1\"").arg(workFile));
        FTableName = work.TableName();
        Open();
        RepairChains();
        Close();
        if (!SyncFile(workFile) || !SyncFile(workMemo) || !RenameOver(workMemo, memo) || !RenameOver(workFile, file))
            throw EQBaseError(QStringLiteral("Error during header writing"));
    } catch (...) {
        Quietly([this] { Close(); });
        FTableName = name;
        QFile::remove(workFile);
        QFile::remove(workMemo);
        Quietly([this] { Open(); });
        throw;
    }
    FTableName = name;
    Open();
}

void TQTable::RepairChains()
{
    const qint32 total = FHeader.TotalRecCount;
    std::vector<bool> candidate(size_t(total) + 1, true);
    candidate[0] = false;
    const auto isCandidate = [&](qint32 r) { return r >= 1 && r <= total && candidate[size_t(r)]; };

    // The free chain, cut where it leaves the table or comes back on itself.
    qint32 freeTail = 0;
    for (qint32 cur = FHeader.FirstEmpty; cur != 0;) {
        if (!isCandidate(cur)) {
            if (freeTail != 0) {
                TRecHeader t = ReadRecHeader(freeTail);
                t.Next = 0;
                WriteRecHeader(freeTail, t);
            }
            break;
        }
        candidate[size_t(cur)] = false;
        freeTail = cur;
        cur = ReadRecHeader(cur).Next;
    }
    FHeader.LastEmpty = freeTail;
    if (freeTail == 0) FHeader.FirstEmpty = 0;

    // The live chain: every record on neither chain joins it, smallest first.
    qint32 lowest = 1;
    const auto smallestCandidate = [&] {
        while (lowest <= total && !candidate[size_t(lowest)]) ++lowest;
        return lowest <= total ? lowest : 0;
    };
    // Blocks owned by a value; the memo file grows while defaults are stored.
    std::vector<bool> used(size_t(FMemo.TotalBlockCount()) + 1, false);
    const auto isUsed = [&](qint32 block) { return size_t(block) < used.size() && used[size_t(block)]; };
    const auto collect = [&](qint32 block) {
        if (used.size() < size_t(FMemo.TotalBlockCount()) + 1) used.resize(size_t(FMemo.TotalBlockCount()) + 1, false);
        FMemo.CollectChain(block, used, nullptr, true);
    };
    // The memo values of one record: a chain that cannot be read, or that
    // another value already owns, is replaced by the field's default.
    const auto repairValues = [&](qint32 rec) {
        GoTo(rec);
        bool rewrite = false;
        for (int i = 0; i < FFields.Count(); ++i) {
            TQField* f = FFields[i];
            const qint32 block = f->BlockNumber();
            if (!IsMemoType(f->DataType()) || block == 0) continue;
            // A damaged record may hold any number here, a negative one too.
            bool ok = block > 0 && block <= FMemo.TotalBlockCount() && !isUsed(block);
            if (ok) {
                collect(block);
                try {
                    FMemo.LoadMemo(block);
                } catch (const EQBaseError&) {
                    ok = false;
                }
            }
            if (ok) continue;
            f->SetBlockNumber(0);
            f->Assign(f->DefValue());
            StoreMemos();
            if (f->BlockNumber() != 0) collect(f->BlockNumber());
            rewrite = true;
        }
        if (rewrite) WriteRecord(rec);
    };
    repairValues(0); // the defaults record owns blocks too

    qint32 cur = isCandidate(FHeader.FirstRec) ? FHeader.FirstRec : smallestCandidate();
    FHeader.FirstRec = cur;
    qint32 prior = 0, count = 0;
    bool stop = false;
    while (cur != 0 && !stop) {
        candidate[size_t(cur)] = false;
        TRecHeader h = ReadRecHeader(cur);
        const TRecHeader was = h;
        h.Attribute = 0;
        h.Prior = prior;
        if (!isCandidate(h.Next)) h.Next = smallestCandidate();
        if (h.Attribute != was.Attribute || h.Prior != was.Prior || h.Next != was.Next) WriteRecHeader(cur, h);
        ++count;
        prior = cur;
        repairValues(cur);
        DoProgress(count, FHeader.RecCount, stop);
        if (stop && h.Next != 0) break; // the rest of the chain stays as it was
        cur = h.Next;
    }
    if (cur == 0) {
        FHeader.LastRec = prior;
        FHeader.RecCount = count;
    }
    if (FHeader.FirstRec == 0) FHeader.LastRec = 0;
    WriteHeader();

    // The memo file's free chain: every block no value owns.
    FMemo.ResetFreeChain();
    if (FHeader.InfoBlock > 0 && FHeader.InfoBlock <= FMemo.TotalBlockCount() && !isUsed(FHeader.InfoBlock))
        collect(FHeader.InfoBlock);
    stop = false;
    const qint32 blocks = FMemo.TotalBlockCount();
    used.resize(size_t(blocks) + 1, false);
    for (qint32 b = 1; b <= blocks && !stop; ++b) {
        if (!used[size_t(b)]) FMemo.AppendToFreeChain(b);
        DoProgress(b, blocks, stop);
    }
    FMemo.WriteHeader();
    GoTo(FHeader.FirstRec);
}

void TQTable::ChangeLocks(TQLockTypes LocTypes, int Delta)
{
    static std::mutex lock; // one for every table of the process
    std::lock_guard guard(lock);
    CheckActive();
    // Files older than version 5 have no counters on disk.
    const bool onDisk = FHeader.Version >= 5;
    char raw[4];
    if (onDisk) {
        if (!FFile.ReadAt(131, raw, 4, true)) throw EQBaseError(kHeaderReading);
        std::memcpy(&FHeader.ReadLocks, raw, 2);
        std::memcpy(&FHeader.WriteLocks, raw + 2, 2);
    }
    const auto change = [Delta](quint16& n) { n = quint16(std::clamp(int(n) + Delta, 0, 0xFFFF)); };
    if (LocTypes & ltWrite) change(FHeader.WriteLocks);
    if (LocTypes & ltRead) change(FHeader.ReadLocks);
    if (onDisk) {
        std::memcpy(raw, &FHeader.ReadLocks, 2);
        std::memcpy(raw + 2, &FHeader.WriteLocks, 2);
        if (!FFile.WriteAt(131, raw, 4)) throw EQBaseError(QStringLiteral("Error during header writing"));
    }
}

void TQTable::LockTable(TQLockTypes LocTypes) { ChangeLocks(LocTypes, 1); }

void TQTable::UnlockTable(TQLockTypes LocTypes) { ChangeLocks(LocTypes, -1); }
