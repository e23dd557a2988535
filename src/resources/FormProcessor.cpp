#include "resources/FormProcessor.h"

#include "core/ByteStream.h"
#include "resources/ResProcessor.h"
#include "storage/Locales.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Deeper than any real form; bounds the recursion on hostile streams.
constexpr int kMaxNesting = 64;

bool IsAscii(const char* p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        if (uchar(p[i]) >= 0x80) return false;
    return true;
}

bool IsDigits(const QByteArray& s)
{
    if (s.isEmpty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

QString JoinName(const QString& Parent, const QString& Name)
{
    return Parent.isEmpty() ? Name : Parent + QLatin1Char('.') + Name;
}

bool IsIntegerCode(uint8_t Code) { return Code == vaInt8 || Code == vaInt16 || Code == vaInt32; }

// The payload of a float value of the stream (Bytes holds all of it).
double StreamFloat(uint8_t Code, const char* Bytes)
{
    switch (Code) {
    case vaExtended:
        return ExtendedToDouble(Bytes);
    case vaSingle: {
        float v;
        std::memcpy(&v, Bytes, 4);
        return v;
    }
    case vaCurrency: {
        int64_t v;
        std::memcpy(&v, Bytes, 8);
        return double(v) / 10000;
    }
    default: {
        double v;
        std::memcpy(&v, Bytes, 8);
        return v;
    }
    }
}

} // namespace

// ------------------------------------------------------------------ TQWriter

void TQWriter::WriteStr(const QByteArray& Bytes)
{
    const qsizetype n = qMin<qsizetype>(Bytes.size(), 255);
    FDest.append(char(n));
    FDest.append(Bytes.constData(), n);
}

void TQWriter::WriteInteger(int64_t Value)
{
    if (Value >= -128 && Value <= 127) {
        WriteValue(vaInt8);
        Put(int8_t(Value));
    } else if (Value >= -32768 && Value <= 32767) {
        WriteValue(vaInt16);
        Put(int16_t(Value));
    } else if (Value >= std::numeric_limits<int32_t>::min() && Value <= std::numeric_limits<int32_t>::max()) {
        WriteValue(vaInt32);
        Put(int32_t(Value));
    } else {
        WriteValue(vaInt64);
        Put(Value);
    }
}

void TQWriter::WriteIdent(const QByteArray& Ident)
{
    if (IsDigits(Ident)) {
        bool ok = false;
        const qlonglong v = Ident.toLongLong(&ok);
        if (ok) return WriteInteger(v);
    }
    WriteValue(vaIdent);
    WriteStr(Ident);
}

void TQWriter::WriteUnicodeString(const QString& Text)
{
    const QByteArray utf8 = Text.toUtf8();
    if (utf8.size() < 2 * Text.size()) {
        if (IsAscii(utf8.constData(), utf8.size())) return WriteByteString(utf8);
        WriteValue(vaUTF8String);
        Put(uint32_t(utf8.size()));
        FDest.append(utf8);
    } else {
        WriteValue(vaWString);
        Put(uint32_t(Text.size()));
        FDest.append(reinterpret_cast<const char*>(Text.utf16()), Text.size() * 2);
    }
}

void TQWriter::WriteAnsiString(const QString& WS, int Locale) { WriteByteString(LocaleWideToAnsi(WS, Locale)); }

void TQWriter::WriteByteString(const QByteArray& Bytes)
{
    if (Bytes.size() <= 255) {
        WriteValue(vaString);
        Put(uint8_t(Bytes.size()));
    } else {
        WriteValue(vaLString);
        Put(uint32_t(Bytes.size()));
    }
    FDest.append(Bytes);
}

void TQWriter::WriteExtended(double Value)
{
    char b[10];
    DoubleToExtended(Value, b);
    WriteValue(vaExtended);
    FDest.append(b, 10);
}

void TQWriter::WriteSingle(float Value)
{
    WriteValue(vaSingle);
    Put(Value);
}

void TQWriter::WriteDouble(double Value)
{
    WriteValue(vaDouble);
    Put(Value);
}

void TQWriter::WriteCurrency(int64_t Scaled)
{
    WriteValue(vaCurrency);
    Put(Scaled);
}

// Extended: 64-bit mantissa with an explicit integer bit, then sign and a
// 15-bit exponent biased by 16383.
double ExtendedToDouble(const char* Bytes)
{
    uint64_t mantissa;
    uint16_t signExp;
    std::memcpy(&mantissa, Bytes, 8);
    std::memcpy(&signExp, Bytes + 8, 2);
    const bool negative = signExp & 0x8000;
    const int exponent = signExp & 0x7FFF;
    double v;
    if (exponent == 0x7FFF)
        v = (mantissa << 1) ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
    else
        v = std::ldexp(double(mantissa), exponent - 16383 - 63);
    return negative ? -v : v;
}

void DoubleToExtended(double Value, char* Bytes)
{
    uint64_t mantissa = 0;
    uint16_t signExp = std::signbit(Value) ? 0x8000 : 0;
    if (std::isnan(Value)) {
        signExp |= 0x7FFF;
        mantissa = 0xC000000000000000ull;
    } else if (std::isinf(Value)) {
        signExp |= 0x7FFF;
        mantissa = 0x8000000000000000ull;
    } else if (Value != 0) {
        int e;
        const double m = std::frexp(std::fabs(Value), &e); // 0.5 <= m < 1
        mantissa = uint64_t(std::ldexp(m, 64));
        signExp |= uint16_t(e + 16382);
    }
    std::memcpy(Bytes, &mantissa, 8);
    std::memcpy(Bytes + 8, &signExp, 2);
}

// ---------------------------------------------------------- the form walk

struct TLocFormProcessor::TObjectHeader {
    uint8_t Flags = 0;
    QString ClassName; // with "[position]" when the stream gives one
    QString BaseClassName;
    QString Name;
    bool Inherited() const { return Flags & 1; }
    bool Inline() const { return !Inherited() && (Flags & 4); }
};

// One form: reads the source and writes the output by copying the source
// through, up to each point where a value of its own goes in.
class TLocFormProcessor::TWalk {
public:
    TWalk(TLocFormProcessor& AProcessor, const QByteArray& Src, QByteArray& Dest)
        : P(AProcessor), FSrc(Src), R(Src, QStringLiteral("Stream read error")), FOut(Dest), W(Dest)
    {
    }

    bool Run();

private:
    struct TPropContext {
        const QString& ObjName;  // object name in the stream, for messages
        const QString& CompName; // storage name of the component
        const QString& PropName;
    };
    class TNesting {
    public:
        explicit TNesting(TWalk& AWalk) : FWalk(AWalk)
        {
            if (++FWalk.FDepth > kMaxNesting)
                throw ELocFormProcessorError(QStringLiteral("Objects are nested too deeply"));
        }
        ~TNesting() { --FWalk.FDepth; }

    private:
        TWalk& FWalk;
    };

    uint8_t PeekByte() const { return uint8_t(*R.Peek(1)); }
    QByteArray ReadStr()
    {
        const int n = R.U8();
        return R.Bytes(n);
    }
    int64_t ReadIntegerValue();
    TObjectHeader ReadHeader();
    void WalkObject(const TObjectHeader& Header, const QString& N, bool IsRoot);
    void HandleProperty(TLocComponent* C, const QString& ObjName, const QString& CompName, bool* RootMark);
    void ProcessValue(const TLocValue* V, const QStringList* Lines, int ListIndex, const TPropContext& Ctx);
    void WriteText(const QString& Text, bool ReadAsAnsi);
    void WriteAddedProperties(TLocComponent* C);
    // Records a value read for the visitor of ReadFormProperties; inside a
    // list (ListIndex >= 0) the elements build the lines of a string list.
    void Note(TLocValueType Type, const QString& Text, int ListIndex);
    TLocComponent* FindComponent(const QString& Name) const
    {
        return FFormItem ? FFormItem->Components().FindByName(Name) : nullptr;
    }

    // Copies the source up to Pos to the output.
    void CopyUpTo(qsizetype Pos)
    {
        FOut.append(FSrc.constData() + FLastProcPos, Pos - FLastProcPos);
        FLastProcPos = Pos;
    }
    // Starts a replacement of the value that begins at Start.
    void BeginReplace(qsizetype Start) { CopyUpTo(Start); }
    // The value just read has been replaced: skip it in the source.
    void EndReplace() { FLastProcPos = R.Pos(); }

    TLocFormProcessor& P;
    const QByteArray& FSrc;
    TByteReader<ELocFormProcessorError> R;
    QByteArray& FOut;
    TQWriter W;
    qsizetype FLastProcPos = 0;
    int FDepth = 0;
    QString FInlineObjName;
    QString FMainObjTypeName;
    TLocForm* FFormItem = nullptr;
    TLocExtGroup* FFastReportGroup = nullptr;
    bool FBiDiModeUpdated = false;
    QByteArray FSubstitute;         // identifier written in place of the stream's (BiDiMode, Charset)
    QString FObjClass;              // class of the object whose properties are read
    TFormProperty* FRead = nullptr; // the property being read for the visitor
};

int64_t TLocFormProcessor::TWalk::ReadIntegerValue()
{
    switch (R.U8()) {
    case vaInt8:
        return int8_t(R.U8());
    case vaInt16:
        return R.I16();
    case vaInt32:
        return R.I32();
    case vaInt64:
        return R.I64();
    }
    throw ELocFormProcessorError(QStringLiteral("Invalid stream format"));
}

TLocFormProcessor::TObjectHeader TLocFormProcessor::TWalk::ReadHeader()
{
    TObjectHeader h;
    QString position;
    if ((PeekByte() & 0xF0) == 0xF0) {
        h.Flags = R.U8() & 0x0F;
        if (h.Flags & 2) position = QString::number(ReadIntegerValue());
    }
    h.BaseClassName = QString::fromLatin1(ReadStr());
    h.ClassName = position.isNull() ? h.BaseClassName : h.BaseClassName + '[' + position + ']';
    h.Name = QString::fromLatin1(ReadStr());
    return h;
}

bool TLocFormProcessor::TWalk::Run()
{
    if (R.Remaining() < 4 || std::memcmp(R.Peek(4), "TPF0", 4) != 0)
        throw ELocFormProcessorError(QStringLiteral("Invalid stream format"));
    R.Skip(4);
    const TObjectHeader root = ReadHeader();
    P.FFormName = root.Name;

    TLocStorage* storage = P.FLocStorage;
    if (P.FBeforeFormProcessing) {
        bool process = true;
        P.FBeforeFormProcessing(&P, root.Name, process);
        if (!process) {
            if (storage) {
                const int i = storage->Forms().IndexByName(root.Name);
                if (i >= 0) storage->Forms().Erase(i);
            }
            return false;
        }
    }
    FFormItem = storage ? storage->Forms().Add(root.Name) : nullptr;
    WalkObject(root, QString(), true);
    CopyUpTo(FSrc.size());
    if (P.FAfterFormProcessing) P.FAfterFormProcessing(&P, root.Name);
    return true;
}

void TLocFormProcessor::TWalk::WalkObject(const TObjectHeader& Header, const QString& N, bool IsRoot)
{
    const TNesting nesting(*this);
    FObjClass = Header.BaseClassName;
    const QString compName =
        Header.Inherited() && !FInlineObjName.isEmpty() ? FInlineObjName + QLatin1Char('.') + N : N;
    TLocComponent* C = IsRoot ? FFormItem : FindComponent(compName);
    if (P.FHooks.EnterObject) P.FHooks.EnterObject({Header.BaseClassName, Header.Name, compName, Header.Inline()});

    bool rootMark = false;
    while (PeekByte() != vaNull) HandleProperty(C, Header.Name, compName, IsRoot ? &rootMark : nullptr);
    CopyUpTo(R.Pos());
    WriteAddedProperties(C);
    if (IsRoot && P.FProcessBiDiMode && rootMark && !FBiDiModeUpdated && P.FLangIsMiddleEast) {
        W.WriteStr("BiDiMode");
        W.WriteIdent("bdRightToLeft");
    }
    R.U8();

    int position = 0;
    while (PeekByte() != vaNull) {
        const TObjectHeader child = ReadHeader();
        ++position;
        if (child.Inline()) FInlineObjName = JoinName(FInlineObjName, child.Name);
        TLocExtGroup* const outerGroup = FFastReportGroup;
        if (P.FProcessFRComponents && P.FLocStorage && child.BaseClassName == QLatin1String("TfrxReport"))
            FFastReportGroup =
                P.FLocStorage->ExtGroups().Add(QStringLiteral("FRFORM:") + P.FFormName + ':' + child.Name);
        FMainObjTypeName = child.ClassName;
        // One naming rule at every level: N is empty for the root, so names
        // built from it there begin with "." (".TBevel3", ".Columns[0]").
        const QString childName =
            child.Name.isEmpty() ? N + QLatin1Char('.') + child.ClassName + QString::number(position) : child.Name;
        WalkObject(child, childName, false);
        FFastReportGroup = outerGroup;
        if (child.Inline()) {
            const qsizetype dot = FInlineObjName.lastIndexOf(QLatin1Char('.'));
            FInlineObjName.truncate(dot < 0 ? 0 : dot);
        }
    }
    R.U8();
    if (P.FHooks.LeaveObject) P.FHooks.LeaveObject();
}

void TLocFormProcessor::TWalk::HandleProperty(TLocComponent* C, const QString& ObjName, const QString& CompName,
                                              bool* RootMark)
{
    const QString name = QString::fromLatin1(ReadStr());
    CopyUpTo(R.Pos());
    if (RootMark && (name == QLatin1String("Caption") || name == QLatin1String("Left") ||
                     name == QLatin1String("ClientWidth") || name == QLatin1String("Font.Name")))
        *RootMark = true;

    TLocProperty* prop = C ? C->Properties().FindByName(name) : nullptr;
    const TLocValue* V = nullptr;
    QStringList lines;
    if (prop && !prop->Attribute(vaUntranslatable)) {
        const TLocValue* lang = prop->Values().Items(P.FLangIndex);
        // An empty translation of a string keeps the stream's text.
        if (!(prop->PropertyType() == ptString && lang->Value().isEmpty()))
            V = lang->IsTranslated() || P.FShowUntranslatedAsIs ? lang : prop->MainValue();
        if (V && prop->PropertyType() == ptStringList) lines = V->AsStrings();
    } else if (P.FProcessBiDiMode && name.contains(QLatin1String(".BiDiMode"), Qt::CaseInsensitive)) {
        FBiDiModeUpdated = true;
        if (P.FLangIsMiddleEast) FSubstitute = "bdRightToLeft";
    } else if (P.FProcessCharset && name.contains(QLatin1String(".Charset"), Qt::CaseInsensitive) && C &&
               !C->Attribute(caNoCharset)) {
        FSubstitute = P.FLangCharsetValue;
    }
    const TPropContext ctx{ObjName, CompName, name};
    TFormProperty read;
    TFormProperty* const outer = FRead;
    if (P.FHooks.Property) {
        read.ComponentName = CompName;
        read.ClassName = FObjClass;
        read.Name = name;
        FRead = &read;
    }
    ProcessValue(V, V && prop->PropertyType() == ptStringList ? &lines : nullptr, -1, ctx);
    FRead = outer;
    FSubstitute.clear();
    if (P.FHooks.Property) P.FHooks.Property(read);
}

void TLocFormProcessor::TWalk::Note(TLocValueType Type, const QString& Text, int ListIndex)
{
    if (!FRead) return;
    if (ListIndex < 0) {
        FRead->Type = Type;
        FRead->Value = Text;
    } else if (FRead->Type == ptStringList) {
        if (Type != ptString) {
            FRead->Type = ptList;
            FRead->Value.clear();
            return;
        }
        if (ListIndex > 0) FRead->Value += QLatin1String("\r\n");
        FRead->Value += Text;
    }
}

void TLocFormProcessor::TWalk::ProcessValue(const TLocValue* V, const QStringList* Lines, int ListIndex,
                                            const TPropContext& Ctx)
{
    // Numbers take the storage's value only outside lists; list elements
    // take their line of a string list. A number whose text does not parse
    // keeps the stream's value rather than becoming 0 or failing the form.
    const QString* text = nullptr;
    if (ListIndex < 0)
        text = V ? &V->Value() : nullptr;
    else if (Lines && ListIndex < Lines->size())
        text = &(*Lines)[ListIndex];
    const QString* number = ListIndex < 0 ? text : nullptr;

    const qsizetype start = R.Pos();
    const uint8_t code = R.U8();
    switch (code) {
    case vaNull:
        break;
    case vaFalse:
    case vaTrue:
    case vaNil:
        Note(ptEnumValue,
             code == vaFalse  ? QStringLiteral("False")
             : code == vaTrue ? QStringLiteral("True")
                              : QStringLiteral("nil"),
             ListIndex);
        break;
    case vaList: {
        const TNesting nesting(*this);
        Note(ListIndex < 0 ? ptStringList : ptList, QString(), ListIndex);
        for (int i = 0; PeekByte() != vaNull; ++i) ProcessValue(nullptr, ListIndex < 0 ? Lines : nullptr, i, Ctx);
        R.U8();
        break;
    }
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: {
        R.Seek(start);
        int64_t value = ReadIntegerValue();
        Note(code == vaInt64 ? ptBigInt : ptInteger, QString::number(value), ListIndex);
        bool ok = false;
        if (number) {
            const int64_t v = code == vaInt64 ? number->trimmed().toLongLong(&ok) : number->trimmed().toInt(&ok);
            if (ok) value = v;
        }
        BeginReplace(start);
        W.WriteInteger(value);
        EndReplace();
        break;
    }
    case vaExtended:
    case vaSingle:
    case vaDouble:
    case vaCurrency: {
        const qsizetype size = code == vaExtended ? 10 : code == vaSingle ? 4 : 8;
        R.Need(size);
        if (FRead) Note(ptFloat, FloatToText(StreamFloat(code, FSrc.constData() + start + 1)), ListIndex);
        double v = 0;
        // A value that stays is copied with all its bits.
        if (number && TextToFloat(number->trimmed(), v)) {
            BeginReplace(start);
            if (code == vaExtended)
                W.WriteExtended(v);
            else if (code == vaSingle)
                W.WriteSingle(float(v));
            else if (code == vaDouble)
                W.WriteDouble(v);
            else if (std::fabs(v * 10000) < 9.2e18)
                W.WriteCurrency(std::llround(v * 10000));
            else
                W.WriteBytes(FSrc.constData() + start, 1 + size);
            R.Skip(size);
            EndReplace();
        } else {
            R.Skip(size);
        }
        break;
    }
    case vaString:
    case vaLString: {
        const qsizetype n = code == vaString ? R.U8() : R.U32();
        R.Need(n);
        const QString streamText = AnsiToWide(R.Bytes(n), P.FSourceCodePage);
        Note(ptString, streamText, ListIndex);
        BeginReplace(start);
        WriteText(text ? *text : streamText, true);
        EndReplace();
        break;
    }
    case vaWString:
    case vaUTF8String: {
        const quint32 n = R.U32();
        const QString streamText = code == vaWString ? R.Utf16(n) : QString::fromUtf8(R.Bytes(n));
        Note(ptString, streamText, ListIndex);
        BeginReplace(start);
        WriteText(text ? *text : streamText, false);
        EndReplace();
        break;
    }
    case vaIdent: {
        const QByteArray ident = ReadStr();
        Note(ptEnumValue, QString::fromLatin1(ident), ListIndex);
        BeginReplace(start);
        W.WriteIdent(FSubstitute.isEmpty() ? ident : FSubstitute);
        EndReplace();
        break;
    }
    case vaBinary:
        R.Skip(R.U32());
        Note(ptBinary, QString(), ListIndex);
        break;
    case vaSet: {
        QStringList elements;
        for (int n = R.U8(); n != 0; n = R.U8()) elements << QString::fromLatin1(R.Bytes(n));
        Note(ptSet, elements.join(QLatin1Char(',')), ListIndex);
        break;
    }
    case vaDate:
        R.Skip(8);
        Note(ptBinary, QString(), ListIndex);
        break;
    case vaCollection: {
        const TNesting nesting(*this);
        Note(ptList, QString(), ListIndex);
        for (int position = 0; PeekByte() != vaNull; ++position) {
            const int64_t index = IsIntegerCode(PeekByte()) ? ReadIntegerValue() : position;
            if (R.U8() != vaList) throw ELocFormProcessorError(QStringLiteral("Invalid stream format"));
            const QString itemName = Ctx.CompName + QLatin1Char('.') + Ctx.PropName + QLatin1Char('[') +
                                     QString::number(index) + QLatin1Char(']');
            TLocComponent* item = FindComponent(itemName);
            const TNesting itemNesting(*this);
            while (PeekByte() != vaNull) HandleProperty(item, Ctx.ObjName, itemName, nullptr);
            CopyUpTo(R.Pos());
            WriteAddedProperties(item);
            R.U8();
        }
        R.U8();
        break;
    }
    default:
        throw ELocFormProcessorError(
            QStringLiteral("Error reading %1%2%3: %4").arg(Ctx.ObjName, QStringLiteral("."), Ctx.PropName).arg(code));
    }
}

void TLocFormProcessor::TWalk::WriteText(const QString& Text, bool ReadAsAnsi)
{
    if (ReadAsAnsi && !(P.FUnicodeProject && !Text.isEmpty()))
        W.WriteAnsiString(Text, P.FLangLocale);
    else
        W.WriteUnicodeString(Text);
}

void TLocFormProcessor::TWalk::WriteAddedProperties(TLocComponent* C)
{
    if (!C) return;
    for (const auto& prop : C->Properties()) {
        if (!prop->Attribute(vaAddedProperty)) continue;
        const TLocValueType type = prop->PropertyType();
        if (type == ptList || type == ptBinary || type == ptSet) continue;
        const TLocValue* lang = prop->Values().Items(P.FLangIndex);
        const TLocValue* V = lang->IsTranslated() || P.FShowUntranslatedAsIs ? lang : prop->MainValue();
        W.WriteStr(prop->Name().toLatin1());
        switch (type) {
        case ptFloat:
            W.WriteExtended(V->AsFloat());
            break;
        case ptInteger:
            W.WriteInteger(V->AsInteger());
            break;
        case ptString:
            W.WriteUnicodeString(V->Value());
            break;
        case ptStringList:
            W.WriteValue(vaList);
            for (const QString& line : V->AsStrings()) W.WriteUnicodeString(line);
            W.WriteValue(vaNull);
            break;
        case ptEnumValue:
            W.WriteIdent(V->Value().toLatin1());
            break;
        case ptBigInt:
            W.WriteInteger(V->AsBigInt());
            break;
        default:
            break;
        }
    }
}

// ---------------------------------------------------------- TLocFormProcessor

void TLocFormProcessor::PrepareLanguage()
{
    if (!FLocStorage) {
        FSourceCodePage = FReadLocale ? LocaleCodePage(FReadLocale) : SystemCodePage();
        FLangCharsetValue = CharsetIdent(LocaleCharset(FLangLocale)).toLatin1();
        FLangIsMiddleEast = IsRightToLeftLocale(FLangLocale);
        return;
    }
    if (FLangIndex < 0 || FLangIndex >= FLocStorage->LangCount())
        throw ELocFormProcessorError(QStringLiteral("Invalid language index %1").arg(FLangIndex));
    const uint16_t lang = FLocStorage->Locales(FLangIndex);
    FSourceCodePage = LocaleCodePage(FLocStorage->MainLangID());
    FLangCharsetValue = CharsetIdent(LocaleCharset(lang)).toLatin1();
    FLangIsMiddleEast = IsRightToLeftLocale(lang);
}

void TLocFormProcessor::UpdateFormsByResource(TResProcessor& RP)
{
    for (const QString& form : FPrjForms) UpdateFormByResource(RP, form);
}

void TLocFormProcessor::UpdateFormByResource(TResProcessor& RP, const QString& FormName)
{
    TResRCData* rcdata = RP.RCData();
    if (!rcdata) throw ELocFormProcessorError(QStringLiteral("Can't find RCDATA block"));
    const QString upper = FormName.toUpper();
    TResRCDataItem* item = rcdata->ItemByName(QLatin1Char('T') + upper);
    if (!item) item = rcdata->ItemByName(QStringLiteral("TME") + upper);
    if (!item) return;
    FFormName = FormName;
    QByteArray translated;
    if (Translate(item->Buffer(), translated)) item->Buffer() = std::move(translated);
}

bool TLocFormProcessor::UpdateBinStream(const QByteArray& Src, QByteArray& Dest)
{
    FFormName.clear();
    return Translate(Src, Dest);
}

QString TLocFormProcessor::ReadFormProperties(const QByteArray& Src, uint16_t Locale, const TFormPropertyVisitor& Visit)
{
    return ReadForm(Src, Locale, TFormReadHooks{Visit, {}, {}});
}

QString TLocFormProcessor::ReadForm(const QByteArray& Src, uint16_t Locale, const TFormReadHooks& Hooks)
{
    TLocFormProcessor reader;
    reader.FHooks = Hooks;
    reader.FReadLocale = Locale;
    QByteArray copy; // the walk copies the stream through; nothing reads it
    reader.Translate(Src, copy);
    return reader.FFormName;
}

bool TLocFormProcessor::Translate(const QByteArray& Src, QByteArray& Dest)
{
    FUpdating = true;
    try {
        PrepareLanguage();
        QByteArray out;
        out.reserve(Src.size() + Src.size() / 4);
        TWalk walk(*this, Src, out);
        const bool processed = walk.Run();
        FUpdating = false;
        if (processed) Dest = std::move(out);
        return processed;
    } catch (const EVocabrixError& e) {
        FUpdating = false;
        throw ELocFormProcessorError(QStringLiteral("Error during processing form ") + FFormName +
                                     QStringLiteral("\r\n") + e.Message());
    }
}
