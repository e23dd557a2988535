#include "langfile/LangFile.h"

#include "core/UiStrings.h"

#include "core/ByteStream.h"
#include "core/FileNames.h"
#include "langfile/LZCompressor.h"
#include "platform/AtomicFile.h"
#include "platform/BoundedRead.h"
#include "storage/Locales.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <unordered_set>

namespace {

const QString kInvalidFormat = QStringLiteral("Invalid file format");
// What the readers' bounds checks meet: a length or count that needs more
// bytes than the file has left.
const QString kCutShort = QStringLiteral("Invalid file format: the file is cut short or a length in it is damaged");
// The largest language data read (on disk, and again after decompression). A
// project of 100,000 items writes files of a few megabytes; reading takes
// about 13 times the plain size in memory.
constexpr qsizetype kMaxLangFileSize = qsizetype(64) << 20;
constexpr uint16_t kMagic = 0x464C; // "LF"
constexpr int kMaxCount = 0xFFFF;   // every count of the file is 16-bit
// The longest header: fixed fields plus two names of 65535 units.
constexpr qsizetype kMaxHeaderSize = 32 + 0xFFFF + 2 * 0xFFFF;
// How much of a compressed file is decompressed to read its header.
constexpr qsizetype kCompressedHeaderProbe = 2048;

using TReader = TByteReader<ELangFileError>;

// ------------------------------------------------------------ strings

uint32_t ReadLength(TReader& r, bool Variable) { return Variable ? ReadVariableLength(r) : r.U16(); }

QString ReadAnsiStr(TReader& r, bool Variable)
{
    const uint32_t n = ReadLength(r, Variable);
    QString s = AnsiToWide(QByteArray::fromRawData(r.Peek(n), n), SystemCodePage());
    r.Skip(n);
    return s;
}

QString ReadWideStr(TReader& r, bool Variable) { return r.Utf16(ReadLength(r, Variable)); }

// The largest length a prefix can hold.
uint32_t MaxLength(bool Variable) { return Variable ? 0x3FFFFFFFu : 0xFFFFu; }

void WriteLength(TByteWriter& w, uint32_t n, bool Variable, const char* what)
{
    if (n > MaxLength(Variable))
        throw ELangFileError(
            QStringLiteral("The %1 is too long to be saved (%2 characters)").arg(QLatin1String(what)).arg(n));
    if (Variable)
        WriteVariableLength(w, n);
    else
        w.U16(uint16_t(n));
}

void WriteAnsiStr(TByteWriter& w, const QString& s, bool Variable)
{
    const QByteArray b = WideToAnsi(s, SystemCodePage());
    WriteLength(w, uint32_t(b.size()), Variable, "name");
    w.Bytes(b);
}

void WriteWideStr(TByteWriter& w, const QString& s, bool Variable)
{
    WriteLength(w, uint32_t(s.size()), Variable, "text");
    w.Utf16(s);
}

void WriteCount(TByteWriter& w, qsizetype n, const char* what)
{
    if (n > kMaxCount)
        throw ELangFileError(QStringLiteral("Too many %1 to save: %2 (a language file holds at most %3 in one list)")
                                 .arg(QLatin1String(what))
                                 .arg(n)
                                 .arg(kMaxCount));
    w.U16(uint16_t(n));
}

// ------------------------------------------------------------ values

bool HasBytes(TLocValueType t, int FormatVer)
{
    if (IsTextualType(t)) return true;
    return FormatVer >= 4 && (t == ptFloat || t == ptInteger);
}

QString ReadValue(TReader& r, TLocValueType t, int FormatVer)
{
    if (!HasBytes(t, FormatVer)) return {};
    switch (t) {
    case ptFloat:
        return FloatToText(r.F64());
    case ptInteger:
        return QString::number(r.I32());
    default:
        return ReadWideStr(r, FormatVer >= 6);
    }
}

void WriteValue(TByteWriter& w, const TLocValue* v, TLocValueType t, int FormatVer)
{
    if (!HasBytes(t, FormatVer)) return;
    switch (t) {
    case ptFloat: {
        double d = 0;
        if (!v->Value().trimmed().isEmpty() && !TextToFloat(v->Value(), d))
            throw ELangFileError(UiString(usInvalidFloat, {v->Value()}));
        w.F64(d);
        break;
    }
    case ptInteger: {
        bool ok = true;
        const int32_t i = v->Value().trimmed().isEmpty() ? 0 : v->Value().trimmed().toInt(&ok);
        if (!ok) throw ELangFileError(UiString(usInvalidInteger, {v->Value()}));
        w.I32(i);
        break;
    }
    default:
        WriteWideStr(w, v->Value(), FormatVer >= 6);
    }
}

// ------------------------------------------------------------ header

struct THeader {
    uint16_t FormatVersion = 0;
    int32_t Version = 0;
    uint32_t Build = 0;
    uint16_t Locale = 0;
    uint16_t BasedOnLangID = 0;
    QString EnglishName;
    QString LocalizedName;
    bool IsNative = false;
    uint16_t Attributes = 0;
    int32_t ConstMaxID = 0;
    int32_t PropertyMaxID = 0;
    int32_t ExtItemMaxID = 0;
};

// Reads the header at the start of Data (already decompressed).
THeader ReadHeader(TReader& r)
{
    THeader h;
    if (r.Remaining() < 2 || r.U16() != kMagic)
        throw ELangFileError(kInvalidFormat + QStringLiteral(": not a language file (it does not start with \"LF\")"));
    h.FormatVersion = r.U16();
    if (h.FormatVersion == 0) throw ELangFileError(kInvalidFormat + QStringLiteral(": format version 0"));
    if (h.FormatVersion > kLangFileFormatVersion) throw ELangFileError(UiString(usLanguageFileTooNew));
    const int v = h.FormatVersion;
    h.Version = r.I32();
    if (v >= 5) h.Build = r.U32();
    h.Locale = r.U16();
    if (v >= 3) h.BasedOnLangID = r.U16();
    h.EnglishName = ReadAnsiStr(r, false);
    h.LocalizedName = ReadWideStr(r, false);
    h.IsNative = r.U16() != 0;
    if (v >= 2) h.Attributes = r.U16();
    h.ConstMaxID = r.I32();
    h.PropertyMaxID = r.I32();
    if (v >= 7) h.ExtItemMaxID = r.I32();
    return h;
}

[[noreturn]] void TooLarge()
{
    throw ELangFileError(UiString(usLanguageFileTooLarge, {QString::number(kMaxLangFileSize >> 20)}));
}

// Decompresses Data when it is compressed, stopping at the size limit.
QByteArray Plain(const QByteArray& Data, bool* WasCompressed = nullptr)
{
    const bool compressed = IsCompressedStream(Data);
    if (WasCompressed) *WasCompressed = compressed;
    if (!compressed) {
        if (Data.size() > kMaxLangFileSize) TooLarge();
        return Data;
    }
    if (DecompressedSize(Data) > kMaxLangFileSize) TooLarge();
    try {
        return DecompressBuffer(Data);
    } catch (const EQCompressError& e) {
        throw ELangFileError(kInvalidFormat + QStringLiteral(": the compressed data is damaged (%1)").arg(e.Message()));
    }
}

QFile& OpenLangFile(QFile& File)
{
    if (!File.open(QIODevice::ReadOnly))
        throw ELangFileError(
            UiString(usCanNotOpenLanguageFile, {QDir::toNativeSeparators(File.fileName()), File.errorString()}));
    return File;
}

// The whole of an open file, refusing one past the size limit before reading it.
QByteArray ReadLangFile(QFile& File)
{
    QByteArray data;
    if (!ReadFileBounded(File, kMaxLangFileSize, data)) {
        if (File.error() != QFileDevice::NoError)
            throw ELangFileError(
                UiString(usCanNotReadLanguageFile, {QDir::toNativeSeparators(File.fileName()), File.errorString()}));
        TooLarge();
    }
    return data;
}

// A failure of reading the file FileName: the reader's message with the file
// in front, so that every message a user sees says which file is wrong.
[[noreturn]] void FailWithFile(const QString& FileName, const EVocabrixError& e)
{
    throw ELangFileError(NamingFile(FileName, e.Message()));
}

// ------------------------------------------------------------ loading

// What one load needs while it walks the body.
class TBodyLoader {
public:
    TBodyLoader(TReader& r, const THeader& h, TLocStorage* s, int index, TLFLoadOptions options)
        : R(r), H(h), S(s), Column(index < 0 ? 0 : index), Native(index < 0), Options(options),
          Variable(h.FormatVersion >= 6), HasAttrs(h.FormatVersion >= 2)
    {
    }

    // The file's counters after the load: raised to the highest ID read and,
    // for a native file, by the numbering of items without an ID.
    int32_t MaxConst = 0, MaxProp = 0, MaxExt = 0;

    void Run()
    {
        if (!Native) {
            S->Units().FillLinearList(FConsts, true);
            S->Forms().FillLinearList(FProps, true);
            S->ExtGroups().FillLinearList(FExts, true);
            if (Options & loSyncByName) BuildNameMaps();
        }
        LoadUnits();
        MaxConst = std::max(MaxConst, H.ConstMaxID);
        if (Native)
            MaxConst = Number(
                MaxConst,
                [&](auto fn) {
                    for (auto& u : S->Units())
                        for (auto& c : u->Constants()) fn(c.get());
                },
                &TLocStorage::MaxConstID, &TLocStorage::SetMaxConstID);
        LoadForms();
        MaxProp = std::max(MaxProp, H.PropertyMaxID);
        if (Native)
            MaxProp = Number(
                MaxProp,
                [&](auto fn) {
                    for (auto& f : S->Forms()) {
                        for (auto& p : f->Properties()) fn(p.get());
                        for (auto& c : f->Components())
                            for (auto& p : c->Properties()) fn(p.get());
                    }
                },
                &TLocStorage::MaxPropID, &TLocStorage::SetMaxPropID);
        if (H.FormatVersion >= 7) LoadExtGroups();
        // Nothing of ours follows the body: anything there means the file
        // was damaged (or is not what its header says).
        if (!R.AtEnd())
            throw ELangFileError(
                kInvalidFormat +
                QStringLiteral(": %1 bytes of unknown data follow the language data").arg(R.Remaining()));
        MaxExt = std::max(MaxExt, H.ExtItemMaxID);
        if (Native)
            MaxExt = Number(
                MaxExt,
                [&](auto fn) {
                    for (auto& g : S->ExtGroups())
                        for (auto& e : g->ExtItems()) fn(e.get());
                },
                &TLocStorage::MaxExtItemID, &TLocStorage::SetMaxExtItemID);
    }

private:
    uint16_t Attrs() { return HasAttrs ? R.U16() : 0; }

    static QString Key(const QString& a, const QString& b, const QString& c = QString())
    {
        QString k = a + QChar(1) + b + QChar(1) + c;
        for (QChar& ch : k)
            if (ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) ch = QChar(ch.unicode() - 32);
        return k;
    }

    // Name lookups for loSyncByName: the first item in list order wins.
    void BuildNameMaps()
    {
        for (TLocConstant* c : FConsts.FItems) FConstByName.insert(Key(c->ResUnit()->Name(), c->Name()), c);
        for (TLocProperty* p : FProps.FItems) {
            const TLocComponent* comp = p->Component();
            FPropByName.insert(Key(p->Form()->Name(), comp ? comp->Name() : QString(), p->Name()), p);
        }
        for (TLocExtItem* e : FExts.FItems) FExtByName.insert(Key(e->Group()->Name(), e->Name()), e);
    }
    template <class T> static T* Lookup(const QHash<QString, T*>& map, const QString& key)
    {
        return map.value(key, nullptr);
    }

    // The ID an item of a native file gets: with loRepair a duplicate becomes 0
    // (and is numbered after the section).
    int32_t NativeID(int32_t id, std::unordered_set<int32_t>& seen)
    {
        if (!(Options & loRepair) || id == 0) return id;
        return seen.insert(id).second ? id : 0;
    }

    // Step common to every value taken from the file.
    void Take(TLocItem* item, const QString& text, int32_t version, double modified, uint16_t attrs)
    {
        if (Native && version < 0) version = H.Version;
        TLocValue* v = item->Values().Items(Column);
        v->SetValue(text);
        v->SetModified(modified);
        v->SetValueVersion(version);
        v->SetAttributes(attrs);
        v->SetLangID(H.Locale);
        if (version < item->MainValue()->ValueVersion()) v->SetAttribute(vaVerified, false);
    }

    void LoadUnits()
    {
        std::unordered_set<int32_t> seen;
        const int units = R.U16();
        for (int u = 0; u < units; ++u) {
            const QString unitName = ReadAnsiStr(R, Variable);
            const uint16_t unitAttrs = Attrs();
            TLocUnit* unit = nullptr;
            if (Native) {
                unit = S->Units().Add(unitName);
                unit->SetAttributes(unitAttrs);
            }
            const int consts = R.U16();
            for (int c = 0; c < consts; ++c) {
                const QString name = ReadAnsiStr(R, Variable);
                const uint16_t attrs = Attrs();
                const uint16_t stringID = R.U16();
                const int32_t id = R.I32();
                const QString text = ReadWideStr(R, Variable);
                const int32_t version = R.I32();
                const double modified = R.F64();
                MaxConst = std::max(MaxConst, id);
                TLocConstant* item;
                if (Native)
                    item = unit->Constants().Add(NativeID(id, seen), name, stringID);
                else if (Options & loSyncByName)
                    item = Lookup(FConstByName, Key(unitName, name));
                else
                    item = FConsts.FindByID(id);
                if (item) Take(item, text, version, modified, attrs);
            }
        }
    }

    void LoadProperties(TLocComponent* holder, const QString& formName, const QString& compName,
                        std::unordered_set<int32_t>& seen)
    {
        const int props = R.U16();
        for (int p = 0; p < props; ++p) {
            const QString name = ReadAnsiStr(R, Variable);
            const uint16_t attrs = Attrs();
            const int32_t id = R.I32();
            const uint32_t type = R.U32() & 0x7F;
            if (type >= kLocValueTypeCount)
                throw ELangFileError(kInvalidFormat + QStringLiteral(": unknown value type %1").arg(type));
            const TLocValueType t = TLocValueType(type);
            const QString text = ReadValue(R, t, H.FormatVersion);
            const int32_t version = R.I32();
            const double modified = R.F64();
            MaxProp = std::max(MaxProp, id);
            TLocProperty* item;
            if (Native)
                item = holder->Properties().Add(NativeID(id, seen), name, t);
            else if (Options & loSyncByName)
                item = Lookup(FPropByName, Key(formName, compName, name));
            else
                item = FProps.FindByID(id);
            // A property whose type changed since the file was written keeps the project's value.
            if (item && item->PropertyType() == t) Take(item, text, version, modified, attrs);
        }
    }

    void LoadForms()
    {
        std::unordered_set<int32_t> seen;
        const int forms = R.U16();
        for (int f = 0; f < forms; ++f) {
            const QString formName = ReadAnsiStr(R, Variable);
            const uint16_t formAttrs = Attrs();
            TLocForm* form = nullptr;
            if (Native) {
                form = S->Forms().Add(formName);
                form->SetAttributes(formAttrs);
            }
            LoadProperties(form, formName, QString(), seen);
            const int comps = R.U16();
            for (int c = 0; c < comps; ++c) {
                const QString compName = ReadAnsiStr(R, Variable);
                const uint16_t compAttrs = Attrs();
                TLocComponent* comp = nullptr;
                if (Native) {
                    comp = form->Components().Add(compName);
                    comp->SetAttributes(compAttrs);
                }
                LoadProperties(comp, formName, compName, seen);
            }
        }
    }

    void LoadExtGroups()
    {
        std::unordered_set<int32_t> seen;
        const int groups = R.U16();
        for (int g = 0; g < groups; ++g) {
            const QString groupName = ReadAnsiStr(R, Variable);
            const uint16_t groupAttrs = R.U16();
            TLocExtGroup* group = nullptr;
            if (Native) {
                group = S->ExtGroups().Add(groupName);
                group->SetAttributes(groupAttrs);
            }
            const int items = R.U16();
            for (int i = 0; i < items; ++i) {
                const QString name = ReadAnsiStr(R, Variable);
                const uint16_t attrs = R.U16();
                const int32_t id = R.I32();
                const QString text = ReadWideStr(R, Variable);
                const int32_t version = R.I32();
                const double modified = R.F64();
                MaxExt = std::max(MaxExt, id);
                TLocExtItem* item;
                if (Native)
                    item = group->ExtItems().Add(NativeID(id, seen), name);
                else if (Options & loSyncByName)
                    item = Lookup(FExtByName, Key(groupName, name));
                else
                    item = FExts.FindByID(id);
                if (item) Take(item, text, version, modified, attrs);
            }
        }
    }

    // Numbers the items of a native file's section that still have ID 0 from
    // the file's counter (already raised to the highest ID read), and keeps the
    // storage's counter above every ID given out.
    template <class ForEach>
    int32_t Number(int32_t counter, ForEach forEach, int32_t (TLocStorage::*get)() const,
                   void (TLocStorage::*set)(int32_t))
    {
        forEach([&](TLocItem* item) {
            if (item->ID() == 0) item->SetID(++counter);
        });
        (S->*set)(std::max(counter, (S->*get)()));
        return counter;
    }

    TReader& R;
    const THeader& H;
    TLocStorage* S;
    const int Column;
    const bool Native;
    const TLFLoadOptions Options;
    const bool Variable;
    const bool HasAttrs;
    TLinearConstantList FConsts;
    TLinearPropertyList FProps;
    TLinearExternalList FExts;
    QHash<QString, TLocConstant*> FConstByName;
    QHash<QString, TLocProperty*> FPropByName;
    QHash<QString, TLocExtItem*> FExtByName;
};

// ------------------------------------------------------------ writing

uint16_t ItemAttrs(const TLocItem* item, int column)
{
    return (item->Values().Items(column)->Attributes() & vaLanguageMask) |
           (item->MainValue()->Attributes() & vaItemMask);
}

int StoredCount(const TLocPropertyList& list, int formatVer)
{
    int n = 0;
    for (auto& p : list)
        if (HasBytes(p->PropertyType(), formatVer)) ++n;
    return n;
}

} // namespace

// ============================================================ TLangFile

TLangFile::TLangFile() { InitDefaults(); }

TLangFile::TLangFile(const QString& AFileName, bool ReadOnly)
{
    InitDefaults();
    FFileName = AFileName;
    FReadOnly = ReadOnly;
    if (!QFileInfo::exists(AFileName)) return;
    if (!FReadOnly) {
        // The write test: refused while another handle holds the file.
        TLockedFile test;
        if (!test.Open(AFileName, TLockedFile::lmReadWriteDenyWriters)) FReadOnly = true;
    }
    ReadHeaderOfFile();
}

TLangFile::~TLangFile() { Unlock(); }

void TLangFile::InitDefaults()
{
    FFormatVersion = kLangFileFormatVersion;
    FLocale = 0;
    FVersion = 0;
    FIsNative = false;
    FConstMaxID = FPropertyMaxID = FExtItemMaxID = 0;
    FModified = false;
    FKeyboardLayout = 0;
    FAttributes = lfaUnicode;
    FBasedOnLangID = 0;
    FRepLocale = 0;
    FAskRepLocale = true;
    FBuild = 0;
    FReadOnly = false;
    FCompressed = false;
    FNativeExeMismatch = false;
    FCheckDllValidity = true;
}

void TLangFile::ReadHeaderOfFile()
{
    try {
        QFile f(FFileName);
        const QByteArray start = OpenLangFile(f).read(kMaxHeaderSize);
        FCompressed = IsCompressedStream(start);
        if (!FCompressed) {
            LoadHeaderFromStream(start, false);
            return;
        }
        // Usually the first 2048 bytes hold the whole header; very long names need more.
        try {
            LoadHeaderFromStream(DecompressBuffer(start.left(kCompressedHeaderProbe), {}, kMaxHeaderSize), false);
        } catch (const EVocabrixError&) {
            f.seek(0);
            LoadHeaderFromStream(ReadLangFile(f), false);
        }
    } catch (const ELangFileError& e) {
        FailWithFile(FFileName, e);
    }
}

int TLangFile::LoadHeaderFromStream(const QByteArray& Data, bool SkipOnly)
{
    const QByteArray plain = Plain(Data);
    TReader r(plain, kCutShort);
    const THeader h = ReadHeader(r);
    if (!SkipOnly) {
        FFormatVersion = h.FormatVersion;
        FVersion = h.Version;
        FBuild = h.Build;
        FLocale = h.Locale;
        FBasedOnLangID = h.BasedOnLangID;
        FLangEnglishName = h.EnglishName;
        FLangLocalizedName = h.LocalizedName;
        FIsNative = h.IsNative;
        FAttributes = h.Attributes;
        FConstMaxID = h.ConstMaxID;
        FPropertyMaxID = h.PropertyMaxID;
        FExtItemMaxID = h.ExtItemMaxID;
    }
    return int(r.Pos());
}

void TLangFile::Load(TLocStorage* ALocStorage, int LIndex, TLFLoadOptions LoadOptions)
{
    if (!ALocStorage) throw ELangFileError(QStringLiteral("Invalid LocStorage"));
    try {
        QFile f(FFileName);
        OpenLangFile(f);
        DoLoad(ReadLangFile(f), ALocStorage, LIndex, LoadOptions, false);
    } catch (const EVocabrixError& e) {
        FailWithFile(FFileName, e);
    }
}

void TLangFile::LoadFromStream(const QByteArray& Data, TLocStorage* ALocStorage, int Index, TLFLoadOptions LoadOptions)
{
    DoLoad(Data, ALocStorage, Index, LoadOptions, true);
}

void TLangFile::DoLoad(const QByteArray& Data, TLocStorage* S, int Index, TLFLoadOptions LoadOptions, bool StoreHeader)
{
    if (!S) throw ELangFileError(QStringLiteral("Invalid LocStorage"));
    if (Index >= S->LangCount()) throw ELangFileError(QStringLiteral("Invalid index"));
    if (Index < 0) {
        S->ClearSections();
        S->SetMaxConstID(0);
        S->SetMaxPropID(0);
        S->SetMaxExtItemID(0);
    }
    bool compressed = false;
    const QByteArray plain = Plain(Data, &compressed);
    FCompressed = compressed;
    TReader r(plain, kCutShort);
    const THeader h = ReadHeader(r);
    if (StoreHeader) LoadHeaderFromStream(plain, false);
    if (Index < 0) S->SetMainLangID(h.Locale);

    TBodyLoader loader(r, h, S, Index, LoadOptions);
    loader.Run();

    FConstMaxID = std::max(FConstMaxID, loader.MaxConst);
    FPropertyMaxID = std::max(FPropertyMaxID, loader.MaxProp);
    FExtItemMaxID = std::max(FExtItemMaxID, loader.MaxExt);
}

void TLangFile::SetVersion(int32_t v)
{
    if (v != FVersion) FBuild = 0;
    FVersion = v;
}

QByteArray TLangFile::WriteFile(TLocStorage* S, int LIndex, bool UpdateItemVersion, uint32_t Build) const
{
    const int ver = std::max<int>(FFormatVersion, 4);
    const bool variable = ver >= 6;
    QByteArray out;
    out.reserve(1 << 16);
    TByteWriter w(out);

    // Header.
    w.U16(kMagic);
    w.U16(uint16_t(ver));
    w.I32(FVersion);
    if (ver >= 5) w.U32(Build);
    w.U16(FLocale);
    w.U16(FBasedOnLangID);
    WriteAnsiStr(w, FLangEnglishName, false);
    WriteWideStr(w, FLangLocalizedName, false);
    w.U16(FIsNative ? 1 : 0);
    w.U16(FAttributes);
    w.I32(FConstMaxID);
    w.I32(FPropertyMaxID);
    if (ver >= 7) w.I32(FExtItemMaxID);

    auto version = [&](const TLocItem* item) {
        return UpdateItemVersion ? item->MainValue()->ValueVersion() : item->Values().Items(LIndex)->ValueVersion();
    };

    // Units.
    WriteCount(w, S->Units().Count(), "units");
    for (auto& u : S->Units()) {
        WriteAnsiStr(w, u->Name(), variable);
        w.U16(u->Attributes());
        WriteCount(w, u->Constants().Count(), "resource strings in one unit");
        for (auto& c : u->Constants()) {
            const TLocValue* v = c->Values().Items(LIndex);
            WriteAnsiStr(w, c->Name(), variable);
            w.U16(ItemAttrs(c.get(), LIndex));
            w.U16(uint16_t(c->StringID()));
            w.I32(c->ID());
            WriteWideStr(w, v->Value(), variable);
            w.I32(version(c.get()));
            w.F64(v->Modified());
        }
    }

    // Forms.
    auto writeProps = [&](const TLocPropertyList& list) {
        WriteCount(w, StoredCount(list, ver), "properties in one component");
        for (auto& p : list) {
            const TLocValueType t = p->PropertyType();
            if (!HasBytes(t, ver)) continue;
            const TLocValue* v = p->Values().Items(LIndex);
            WriteAnsiStr(w, p->Name(), variable);
            w.U16(ItemAttrs(p.get(), LIndex));
            w.I32(p->ID());
            w.U32(uint32_t(t) & 0x7F);
            WriteValue(w, v, t, ver);
            w.I32(version(p.get()));
            w.F64(v->Modified());
        }
    };
    WriteCount(w, S->Forms().Count(), "forms");
    for (auto& f : S->Forms()) {
        WriteAnsiStr(w, f->Name(), variable);
        w.U16(f->Attributes());
        writeProps(f->Properties());
        WriteCount(w, f->Components().Count(), "components in one form");
        for (auto& c : f->Components()) {
            WriteAnsiStr(w, c->Name(), variable);
            w.U16(c->Attributes());
            writeProps(c->Properties());
        }
    }

    // External groups.
    if (ver >= 7) {
        WriteCount(w, S->ExtGroups().Count(), "external groups");
        for (auto& g : S->ExtGroups()) {
            WriteAnsiStr(w, g->Name(), variable);
            w.U16(g->Attributes());
            WriteCount(w, g->ExtItems().Count(), "items in one external group");
            for (auto& e : g->ExtItems()) {
                const TLocValue* v = e->Values().Items(LIndex);
                WriteAnsiStr(w, e->Name(), variable);
                w.U16(ItemAttrs(e.get(), LIndex));
                w.I32(e->ID());
                WriteWideStr(w, v->Value(), variable);
                w.I32(version(e.get()));
                w.F64(v->Modified());
            }
        }
    }
    return out;
}

QByteArray TLangFile::SaveToBytes(TLocStorage* ALocStorage, int LIndex, bool UpdateItemVersion)
{
    if (!ALocStorage) throw ELangFileError(QStringLiteral("Invalid LocStorage"));
    if (LIndex < 0 || LIndex >= ALocStorage->LangCount()) throw ELangFileError(QStringLiteral("Invalid index"));
    const uint32_t build = FFormatVersion >= 5 && FModified ? FBuild + 1 : FBuild;
    QByteArray data = WriteFile(ALocStorage, LIndex, UpdateItemVersion, build);
    if (FFormatVersion < 4) FFormatVersion = 4;
    FBuild = build;
    return data;
}

void TLangFile::Save(TLocStorage* ALocStorage, int LIndex, bool UpdateItemVersion)
{
    if (FReadOnly) throw ELangFileError(UiString(usOpenedReadOnly, {QDir::toNativeSeparators(FFileName)}));
    if (!ALocStorage) throw ELangFileError(QStringLiteral("Invalid LocStorage"));
    if (LIndex < 0 || LIndex >= ALocStorage->LangCount()) throw ELangFileError(QStringLiteral("Invalid index"));

    // Everything is built in memory first: a file that cannot be written
    // completely (too many entries, a bad number) is left as it was.
    const uint32_t build = FFormatVersion >= 5 && FModified ? FBuild + 1 : FBuild;
    QByteArray data = WriteFile(ALocStorage, LIndex, UpdateItemVersion, build);
    if (FCompressed) data = CompressBuffer(data);

    const bool wasLocked = Locked();
    Unlock();
    try {
        WriteFileAtomic(FFileName, data);
    } catch (...) {
        if (wasLocked) Lock();
        throw;
    }
    if (wasLocked) Lock();
    if (FFormatVersion < 4) FFormatVersion = 4;
    FBuild = build;
}

void TLangFile::Lock()
{
    if (Locked()) return;
    if (!FHandle.Open(FFileName, TLockedFile::lmDenyWriters)) throw ELangFileError(UiString(usCanNotLockLanguageFile));
}

void TLangFile::Unlock() { FHandle.Close(); }

int TLangFileList::IndexByLangID(uint16_t ALocale) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Locale() == ALocale) return i;
    return -1;
}

uint32_t ReadVariableLength(TByteReader<ELangFileError>& r)
{
    const uint8_t first = r.U8();
    if (!(first & 0x80)) return first;
    const uint8_t second = r.U8();
    if (!(second & 0x80)) return uint32_t(first & 0x7F) | (uint32_t(second) << 7);
    const uint16_t w = r.U16();
    return uint32_t(first & 0x7F) | (uint32_t(second & 0x7F) << 7) | (uint32_t(w) << 14);
}

void WriteVariableLength(TByteWriter& w, uint32_t n)
{
    if (n < 0x80) {
        w.U8(uint8_t(n));
    } else if (n <= 0x3FFF) {
        w.U8(uint8_t((n & 0x7F) | 0x80));
        w.U8(uint8_t(n >> 7));
    } else {
        w.U8(uint8_t((n & 0x7F) | 0x80));
        w.U8(uint8_t(((n >> 7) & 0x7F) | 0x80));
        w.U16(uint16_t(n >> 14));
    }
}
