#include "repository/QField.h"

#include "core/DateTime.h"
#include "repository/QTable.h"
#include "storage/Locales.h"

#include <QIODevice>

#include <cstring>

namespace {

[[noreturn]] void WrongType() { throw EQBaseError(QStringLiteral("Wrong field type")); }

QByteArray Utf16Bytes(const QString& s) { return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2); }

QString FromUtf16Bytes(const QByteArray& b)
{
    return QString(reinterpret_cast<const QChar*>(b.constData()), b.size() / 2);
}

const char* DateFormat(TQDataType t)
{
    return t == dtDate ? "yyyy-MM-dd" : t == dtTime ? "HH:mm:ss" : "yyyy-MM-dd HH:mm:ss";
}

QString DateText(TQDataType t, double v)
{
    const QDateTime dt = DateTime::ToQDateTime(v);
    return dt.isValid() ? dt.toString(QLatin1String(DateFormat(t))) : QString::number(v, 'g', 15);
}

double ParseDate(TQDataType t, const QString& text)
{
    const QString s = text.trimmed();
    QDateTime dt = QDateTime::fromString(s, QLatin1String(DateFormat(t)));
    if (!dt.isValid() && t == dtTime)
        dt = QDateTime(QDate(1899, 12, 30), QTime::fromString(s, QLatin1String("HH:mm:ss")));
    if (!dt.isValid()) dt = QDateTime::fromString(s, Qt::ISODate);
    if (dt.isValid()) {
        const double v = DateTime::FromQDateTime(dt);
        return t == dtTime ? v - std::floor(v) : v;
    }
    bool ok = false;
    const double v = s.toDouble(&ok);
    if (!ok) WrongType();
    return v;
}

qint64 ParseInteger(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray) {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        if (!ok) WrongType();
        return n;
    }
    if (v.isNull()) return 0;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok) WrongType();
    return n;
}

double ParseFloat(const QVariant& v)
{
    if (v.isNull()) return 0;
    bool ok = false;
    const double d = v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray
                         ? v.toString().trimmed().toDouble(&ok)
                         : v.toDouble(&ok);
    if (!ok) WrongType();
    return d;
}

template <class T> int Sign(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

} // namespace

bool IsMemoType(TQDataType Type) { return Type == dtMemo || Type == dtWideMemo || Type == dtBlob; }

bool IsTextType(TQDataType Type)
{
    return Type == dtString || Type == dtMemo || Type == dtWideString || Type == dtWideMemo;
}

int FieldDataSize(TQDataType Type, int Size)
{
    switch (Type) {
    case dtString:
        return Size;
    case dtSmallint:
    case dtWord:
        return 2;
    case dtBoolean:
        return 1;
    case dtInteger:
    case dtMemo:
    case dtWideMemo:
    case dtAutoInc:
    case dtBlob:
        return 4;
    case dtFloat:
    case dtCurrency:
    case dtDate:
    case dtTime:
    case dtDateTime:
        return 8;
    case dtWideString:
        return 2 * Size;
    default:
        return 0;
    }
}

QString RemoveAmpersands(const QString& S)
{
    if (!S.contains(QLatin1Char('&'))) return S;
    QString r;
    r.reserve(S.size());
    for (qsizetype i = 0; i < S.size(); ++i) {
        if (S[i] == QLatin1Char('&') && i + 1 < S.size()) ++i; // keeps the following character, "&&" gives "&"
        r.append(S[i]);
    }
    return r;
}

QString TextCompareForm(int Locale, const QVariant& V)
{
    if (V.typeId() == QMetaType::QByteArray) return LocaleAnsiToWide(V.toByteArray(), Locale);
    return LocaleAnsiToWide(LocaleWideToAnsi(V.toString(), Locale), Locale);
}

int CompareTextForms(int Locale, const QString& A, const QString& B, TQLocateOptions Options, int MaxLength)
{
    QString a = Options & qloIgnoreAmpersand ? RemoveAmpersands(A) : A;
    QString b = Options & qloIgnoreAmpersand ? RemoveAmpersands(B) : B;
    qsizetype la = a.size(), lb = b.size();
    if (MaxLength > 0) la = std::min<qsizetype>(la, MaxLength), lb = std::min<qsizetype>(lb, MaxLength);
    if (Options & qloPartialKey) la = lb = std::min(la, lb);
    if (la < a.size()) a.truncate(la);
    if (lb < b.size()) b.truncate(lb);
    const int r = LocaleCompareText(Locale, a, b, Options.testFlag(qloCaseInsensitive));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CompareFieldValues(TQDataType DataType, int Locale, const QVariant& A, const QVariant& B, TQLocateOptions Options,
                       int MaxLength)
{
    switch (DataType) {
    case dtString:
    case dtMemo:
    case dtWideString:
    case dtWideMemo:
        return CompareTextForms(Locale, TextCompareForm(Locale, A), TextCompareForm(Locale, B), Options, MaxLength);
    case dtSmallint:
    case dtInteger:
    case dtWord:
    case dtAutoInc:
    case dtBoolean:
        return Sign(A.toLongLong(), B.toLongLong());
    case dtFloat:
    case dtCurrency:
    case dtDate:
    case dtTime:
    case dtDateTime:
        return Sign(A.toDouble(), B.toDouble());
    default:
        return 1;
    }
}

// ---------------------------------------------------------------- TQField

void TQField::SetDataType(TQDataType Value)
{
    if (FInternal) throw EQBaseError(QStringLiteral("Can't set type for internal field"));
    FDataType = Value;
    if (Value != dtString && Value != dtWideString) FSize = 0;
}

void TQField::SetSize(int Value)
{
    if (FInternal) throw EQBaseError(QStringLiteral("Can't set size for internal field"));
    FSize = FDataType == dtString || FDataType == dtWideString ? std::clamp(Value, 0, 0x7FFF) : 0;
}

void TQField::SetDefValue(const QVariant& Value)
{
    FDefValue = Value;
    if (FTable) FTable->FDefaultsSet = true;
}

void TQField::CheckEditable() const
{
    const TQTableState s = FTable ? FTable->State() : qtsBrowsing;
    if (s != qtsInsert && s != qtsEdit && s != qtsEditDefaults)
        throw EQBaseError(QStringLiteral("Tables is not in edit or insert mode"));
    if (FDataType == dtAutoInc && !FTable->AllowChangeAutoInc())
        throw EQBaseError(QStringLiteral("Can not change field with AutoInc type"));
}

const char* TQField::Raw() const { return FTable->FRecBuf.constData() + TQTable::RecHeaderSize + FOffset; }

char* TQField::RawMut() const { return FTable->FRecBuf.data() + TQTable::RecHeaderSize + FOffset; }

qint32 TQField::BlockNumber() const { return FTable && IsMemoType(FDataType) ? Get<qint32>() : 0; }

void TQField::SetBlockNumber(qint32 Block) const { Put<qint32>(Block); }

QByteArray TQField::StoredMemo(qint32 MaxBytes) const
{
    if (FHasPending) return MaxBytes >= 0 ? FPending.left(MaxBytes) : FPending;
    const qint32 block = BlockNumber();
    if (block == 0) return {};
    return FTable->FMemo.LoadMemo(block, MaxBytes);
}

void TQField::SetPending(const QByteArray& Value)
{
    FPending = Value;
    FHasPending = true;
    FModified = true;
}

void TQField::DropPending()
{
    FPending.clear();
    FHasPending = false;
}

QByteArray TQField::Data() const { return IsMemoType(FDataType) ? StoredMemo(-1) : QByteArray(); }

void TQField::SetData(const QByteArray& Value)
{
    CheckEditable();
    if (!IsMemoType(FDataType)) WrongType();
    SetPending(Value);
}

QString TQField::AsWideString() const
{
    switch (FDataType) {
    case dtString:
        return LocaleAnsiToWide(AsString(), FLocale);
    case dtSmallint:
    case dtWord:
    case dtInteger:
    case dtAutoInc:
    case dtBoolean:
        return QString::number(AsVariant().toLongLong());
    case dtFloat:
    case dtCurrency:
        return QString::number(Get<double>(), 'g', 15);
    case dtDate:
    case dtTime:
    case dtDateTime:
        return DateText(FDataType, Get<double>());
    case dtMemo:
        return LocaleAnsiToWide(StoredMemo(-1), FLocale);
    case dtWideString: {
        const char* raw = Raw();
        qsizetype n = 0;
        while (n < FSize && (raw[2 * n] != 0 || raw[2 * n + 1] != 0)) ++n;
        QString s(n, Qt::Uninitialized);
        std::memcpy(s.data(), raw, size_t(n) * 2);
        return s;
    }
    case dtWideMemo:
        return FromUtf16Bytes(StoredMemo(-1));
    default:
        return {};
    }
}

QString TQField::KeyText(int MaxChars) const
{
    switch (FDataType) {
    case dtMemo:
        return LocaleAnsiToWide(StoredMemo(MaxChars * 2), FLocale).left(MaxChars);
    case dtWideMemo:
        return FromUtf16Bytes(StoredMemo(MaxChars * 2));
    default:
        return AsWideString().left(MaxChars);
    }
}

QByteArray TQField::AsString() const
{
    switch (FDataType) {
    case dtString:
        return QByteArray(Raw(), qsizetype(qstrnlen(Raw(), uint(FSize))));
    case dtMemo:
        return StoredMemo(-1);
    case dtBlob:
    case dtUnknown:
        return {};
    default:
        return LocaleWideToAnsi(AsWideString(), FLocale);
    }
}

QVariant TQField::AsVariant() const
{
    switch (FDataType) {
    case dtString:
    case dtMemo:
        return AsString();
    case dtSmallint:
        return int(Get<qint16>());
    case dtWord:
        return int(Get<quint16>());
    case dtInteger:
    case dtAutoInc:
        return Get<qint32>();
    case dtBoolean:
        return int(Get<quint8>());
    case dtFloat:
    case dtCurrency:
    case dtDate:
    case dtTime:
    case dtDateTime:
        return Get<double>();
    case dtWideString:
    case dtWideMemo:
        return AsWideString();
    default:
        return {};
    }
}

void TQField::SetAsString(const QByteArray& Value)
{
    CheckEditable();
    if (FDataType == dtString || FDataType == dtMemo)
        Assign(Value);
    else
        Assign(LocaleAnsiToWide(Value, FLocale));
}

void TQField::SetAsWideString(const QString& Value)
{
    CheckEditable();
    Assign(Value);
}

void TQField::SetAsVariant(const QVariant& Value)
{
    CheckEditable();
    Assign(Value);
}

void TQField::Assign(const QVariant& Value)
{
    const bool isBytes = Value.typeId() == QMetaType::QByteArray;
    // An empty memo value on a field without a block changes nothing (a
    // default held for a new record stays).
    if (IsMemoType(FDataType) && BlockNumber() == 0 &&
        (isBytes ? Value.toByteArray().isEmpty() : Value.toString().isEmpty()))
        return;
    switch (FDataType) {
    case dtString: {
        const QByteArray a = isBytes ? Value.toByteArray() : LocaleWideToAnsi(Value.toString(), FLocale);
        const qsizetype keep = std::min<qsizetype>(a.size(), std::max(FSize - 1, 0));
        std::memset(RawMut(), 0, size_t(FSize));
        std::memcpy(RawMut(), a.constData(), size_t(keep));
        break;
    }
    case dtWideString: {
        const QString s = isBytes ? LocaleAnsiToWide(Value.toByteArray(), FLocale) : Value.toString();
        const qsizetype keep = std::min<qsizetype>(s.size(), std::max(FSize - 1, 0));
        std::memset(RawMut(), 0, size_t(FSize) * 2);
        std::memcpy(RawMut(), s.utf16(), size_t(keep) * 2);
        break;
    }
    case dtSmallint:
        Put<qint16>(qint16(ParseInteger(Value)));
        break;
    case dtWord:
        Put<quint16>(quint16(ParseInteger(Value)));
        break;
    case dtInteger:
    case dtAutoInc:
        Put<qint32>(qint32(ParseInteger(Value)));
        break;
    case dtBoolean:
        Put<quint8>(Value.typeId() == QMetaType::Bool ? quint8(Value.toBool()) : quint8(ParseInteger(Value)));
        break;
    case dtFloat:
    case dtCurrency:
        Put<double>(ParseFloat(Value));
        break;
    case dtDate:
    case dtTime:
    case dtDateTime:
        if (Value.typeId() == QMetaType::QDateTime)
            Put<double>(DateTime::FromQDateTime(Value.toDateTime()));
        else if (Value.typeId() == QMetaType::QString)
            Put<double>(ParseDate(FDataType, Value.toString()));
        else
            Put<double>(ParseFloat(Value));
        break;
    case dtMemo:
    case dtWideMemo: {
        const QByteArray bytes =
            FDataType == dtMemo
                ? (isBytes ? Value.toByteArray() : LocaleWideToAnsi(Value.toString(), FLocale))
                : Utf16Bytes(isBytes ? LocaleAnsiToWide(Value.toByteArray(), FLocale) : Value.toString());
        // The value it already holds is not written again (an edit that sets
        // every field of a record rewrites only what changed).
        if (!FHasPending && BlockNumber() != 0 && StoredMemo(-1) == bytes) return;
        SetPending(bytes);
        break;
    }
    case dtBlob:
        if (!Value.isNull()) SetPending(Value.toByteArray());
        break;
    default:
        break;
    }
    FModified = true;
}

bool TQField::Empty() const
{
    switch (FDataType) {
    case dtString:
        return FSize == 0 || Raw()[0] == 0;
    case dtWideString:
        return FSize == 0 || (Raw()[0] == 0 && Raw()[1] == 0);
    case dtMemo:
    case dtWideMemo:
    case dtBlob:
        if (FHasPending) return FPending.isEmpty();
        return BlockNumber() == 0 || FTable->FMemo.GetMemoSize(BlockNumber()) == 0;
    default:
        return false;
    }
}

void TQField::CopyValue(TQField* AField) const
{
    if (FDataType == dtBlob) {
        if (BlockNumber() != 0 || FHasPending) AField->SetData(Data());
    } else if ((FDataType == dtString || FDataType == dtMemo) &&
               (AField->DataType() == dtWideString || AField->DataType() == dtWideMemo)) {
        AField->SetAsWideString(AsWideString());
    } else {
        AField->SetAsVariant(AsVariant());
    }
}

QStringList TQField::SaveToStrings() const
{
    if (!IsMemoType(FDataType)) throw EQBaseError(QStringLiteral("Operation is allowed only for Blob & Memo fields"));
    QString text = FDataType == dtWideMemo ? AsWideString() : LocaleAnsiToWide(Data(), FLocale);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.isEmpty()) return {};
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    return text.split(QLatin1Char('\n'));
}

void TQField::LoadFromStrings(const QStringList& Lines)
{
    if (!IsMemoType(FDataType)) throw EQBaseError(QStringLiteral("Operation is allowed only for Blob & Memo fields"));
    const QString text = Lines.isEmpty() ? QString() : Lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
    CheckEditable();
    if (FDataType == dtWideMemo)
        SetPending(Utf16Bytes(text));
    else
        SetPending(LocaleWideToAnsi(text, FLocale));
}

void TQField::SaveToStream(QIODevice& Stream) const
{
    if (IsMemoType(FDataType)) Stream.write(Data());
}

void TQField::LoadFromStream(QIODevice& Stream)
{
    if (IsMemoType(FDataType)) SetData(Stream.readAll());
}

// ---------------------------------------------------------------- TQFieldList

namespace {
bool SameName(const QString& a, const QString& b)
{
    return a == b || LocaleCompareText(UserDefaultLangID(), a, b, false) == 0;
}
} // namespace

int TQFieldList::IndexByName(const QString& Name) const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->FieldName() == Name) return int(i);
    for (size_t i = 0; i < FItems.size(); ++i)
        if (SameName(FItems[i]->FieldName(), Name)) return int(i);
    return -1;
}

TQField* TQFieldList::FindByName(const QString& Name) const
{
    const int i = IndexByName(Name);
    return i < 0 ? nullptr : Items(i);
}

TQField* TQFieldList::FindByOldName(const QString& Name) const
{
    for (const auto& f : FItems)
        if (SameName(f->OldFieldName(), Name)) return f.get();
    return nullptr;
}

TQField* TQFieldList::FindByLocale(int LocID, bool Exactly) const
{
    for (const auto& f : FItems)
        if (Exactly ? f->Locale() == LocID : (f->Locale() & 0xFF) == (LocID & 0xFF)) return f.get();
    return nullptr;
}

TQField* TQFieldList::Add(std::unique_ptr<TQField> Field) { return Insert(Count(), std::move(Field)); }

TQField* TQFieldList::Insert(int Index, std::unique_ptr<TQField> Field)
{
    Field->FTable = FTable;
    TQField* f = Field.get();
    FItems.insert(FItems.begin() + std::clamp(Index, 0, Count()), std::move(Field));
    Renumber();
    return f;
}

TQField* TQFieldList::NewField(const QString& AName, TQDataType ADataType, int ASize)
{
    auto f = std::make_unique<TQField>();
    f->SetFieldName(AName);
    f->SetDataType(ADataType);
    f->SetSize(ASize);
    return Add(std::move(f));
}

void TQFieldList::Delete(int Index)
{
    FItems.erase(FItems.begin() + Index);
    Renumber();
}

void TQFieldList::Clear() { FItems.clear(); }

void TQFieldList::ResetModified()
{
    for (const auto& f : FItems) f->FModified = false;
}

void TQFieldList::Renumber()
{
    for (size_t i = 0; i < FItems.size(); ++i) FItems[i]->FFieldNo = int(i);
}

void TQFieldList::Assign(const TQFieldList& Source)
{
    if (&Source == this) return;
    Clear();
    for (int i = 0; i < Source.Count(); ++i) {
        const TQField* s = Source[i];
        auto f = std::make_unique<TQField>();
        f->FFieldName = s->FFieldName;
        f->FOldFieldName = s->FOldFieldName;
        f->FDataType = s->FDataType;
        f->FSize = s->FSize;
        f->FDescription = s->FDescription;
        f->FLocale = s->FLocale;
        f->FMemoryIndex = s->FMemoryIndex;
        f->FDefValue = s->FDefValue;
        Add(std::move(f));
        f = nullptr;
    }
    Renumber();
}
