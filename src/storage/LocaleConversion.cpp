#include "storage/Locales.h"

#include "storage/CodePageGaps.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unorm2.h>
#include <unicode/uset.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <unordered_map>

// Conversions between UTF-16 and the 8-bit Windows code pages through ICU,
// whose windows-NNNN converters carry the mappings both share; where Windows
// differs (best fit, bytes it passes through) its own tables decide
// (CodePageGaps.h), so text comes out as a Windows program would write it. They run for
// every name of a large language file: plain ASCII text skips ICU, and every
// thread keeps its own converters (ICU converters hold state and must not be
// shared), so no lock is taken.

namespace {

constexpr int VietnameseCodePage = 1258;
// The longest text ICU is given in one call; the buffers are sized from it in int32_t.
constexpr qsizetype MaxConvertedLength = std::numeric_limits<int32_t>::max() / 4;

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using TConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

struct TCodePageConverter {
    TConverterHandle Handle;
    bool AsciiCompatible = false; // bytes 0x00-0x7F are ASCII, so ASCII text converts as is
    const TCodePageGaps* Gaps = nullptr;
};

bool IsAscii(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

bool IsAscii(const QByteArray& text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

int ResolvedCodePage(int codePage)
{
    return codePage == 0 || codePage == 3 ? SystemCodePage() : codePage; // CP_ACP, CP_THREAD_ACP
}

TConverterHandle OpenConverter(int codePage)
{
    const QByteArray number = QByteArray::number(codePage);
    for (const QByteArray& name : {"windows-" + number, "cp" + number}) {
        UErrorCode err = U_ZERO_ERROR;
        TConverterHandle c(ucnv_open(name.constData(), &err));
        if (U_FAILURE(err) || !c) continue;
        // 8-bit text only: UTF-16 and UTF-32 are no ANSI code pages.
        if (ucnv_getMinCharSize(c.get()) != 1) return {};
        // "?" for characters the code page lacks, as Windows writes; with it set,
        // bytes that decode to nothing become U+FFFD instead of a control character.
        ucnv_setSubstChars(c.get(), "?", 1, &err);
        // ICU's own fallbacks are not Windows' best fit: the gap tables give those.
        ucnv_setFallback(c.get(), false);
        return c;
    }
    return {};
}

bool DecodesAsciiAsIs(UConverter* c)
{
    char bytes[128];
    UChar chars[256];
    for (int i = 0; i < 128; ++i) bytes[i] = char(i);
    UErrorCode err = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(c, chars, 256, bytes, 128, &err);
    if (U_FAILURE(err) || n != 128) return false;
    for (int i = 0; i < 128; ++i)
        if (chars[i] != i) return false;
    return true;
}

// The calling thread's converter for a code page; null when there is none.
const TCodePageConverter* ConverterFor(int codePage)
{
    thread_local std::unordered_map<int, TCodePageConverter> converters;
    thread_local int lastCodePage = -1;
    thread_local const TCodePageConverter* last = nullptr;
    if (codePage != lastCodePage) {
        // Code pages come from files too; an unbounded number of them must not pile up.
        if (converters.size() >= 64) converters.clear();
        auto [it, added] = converters.try_emplace(codePage);
        if (added) {
            it->second.Handle = OpenConverter(ResolvedCodePage(codePage));
            it->second.Gaps = CodePageGaps(ResolvedCodePage(codePage));
            it->second.AsciiCompatible = it->second.Handle && DecodesAsciiAsIs(it->second.Handle.get());
        }
        lastCodePage = codePage;
        last = &it->second;
    }
    return last->Handle ? last : nullptr;
}

// What Windows-1258 can hold without combining characters.
const USet* VietnameseRepertoire()
{
    static const USet* repertoire = [] {
        UErrorCode err = U_ZERO_ERROR;
        USet* set = uset_openEmpty();
        TConverterHandle c(ucnv_open("windows-1258", &err));
        if (U_SUCCESS(err)) ucnv_getUnicodeSet(c.get(), set, UCNV_ROUNDTRIP_SET, &err);
        uset_freeze(set);
        return set;
    }();
    return repertoire;
}

// Windows-1258 has the Vietnamese base letters (ă, â, ê, ô, ơ, ư, đ) and a few
// Latin letters precomposed, the tone marks only as combining characters. A
// letter it lacks is decomposed and recomposed as far as the code page has the
// result: "ế" becomes "ê" and a combining acute accent, as Windows writes it.
QString ComposeForVietnamese(const QString& text)
{
    const USet* repertoire = VietnameseRepertoire();
    UErrorCode err = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&err);
    const UNormalizer2* nfc = unorm2_getNFCInstance(&err);
    if (U_FAILURE(err)) return text;

    QString out;
    out.reserve(text.size() + 8);
    const auto append = [&out](UChar32 c) {
        if (U_IS_BMP(c)) {
            out.append(QChar(char16_t(c)));
        } else {
            out.append(QChar(char16_t(U16_LEAD(c))));
            out.append(QChar(char16_t(U16_TRAIL(c))));
        }
    };
    const auto* s = reinterpret_cast<const UChar*>(text.utf16());
    const int32_t length = int32_t(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(s, i, length, c);
        UChar parts[32];
        err = U_ZERO_ERROR;
        const int32_t n =
            c < 0x80 || uset_contains(repertoire, c) ? -1 : unorm2_getDecomposition(nfd, c, parts, 32, &err);
        if (n <= 0 || U_FAILURE(err)) {
            append(c);
            continue;
        }
        int32_t j = 0;
        UChar32 base;
        U16_NEXT(parts, j, n, base);
        QList<UChar32> marks; // what stays combining, in canonical order
        while (j < n) {
            UChar32 mark;
            U16_NEXT(parts, j, n, mark);
            // A mark composes unless an earlier left-over mark of the same class blocks it.
            const bool blocked = !marks.isEmpty() && u_getCombiningClass(marks.last()) >= u_getCombiningClass(mark);
            const UChar32 composed = blocked ? -1 : unorm2_composePair(nfc, base, mark);
            if (composed >= 0 && uset_contains(repertoire, composed))
                base = composed;
            else
                marks.append(mark);
        }
        append(base);
        for (const UChar32 mark : marks) append(mark);
    }
    return out;
}

// ICU's conversion of a run of text; false when ICU fails.
bool IcuEncode(UConverter* c, QStringView text, QByteArray& out)
{
    if (text.isEmpty()) return true;
    const qsizetype start = out.size();
    out.resize(start + text.size() * 2 + 16);
    for (;;) {
        UErrorCode err = U_ZERO_ERROR;
        const int32_t n = ucnv_fromUChars(c, out.data() + start, int32_t(out.size() - start),
                                          reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &err);
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(start + n);
            continue;
        }
        if (U_FAILURE(err)) return false;
        out.resize(start + n);
        return true;
    }
}

bool IcuDecode(UConverter* c, QByteArrayView bytes, QString& out)
{
    if (bytes.isEmpty()) return true;
    const qsizetype start = out.size();
    out.resize(start + bytes.size() + 16);
    for (;;) {
        UErrorCode err = U_ZERO_ERROR;
        const int32_t n = ucnv_toUChars(c, reinterpret_cast<UChar*>(out.data() + start), int32_t(out.size() - start),
                                        bytes.data(), int32_t(bytes.size()), &err);
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(start + n);
            continue;
        }
        if (U_FAILURE(err)) return false;
        out.resize(start + n);
        return true;
    }
}

const TWideGap* FindGap(std::span<const TWideGap> gaps, char16_t c)
{
    const auto it =
        std::lower_bound(gaps.begin(), gaps.end(), c, [](const TWideGap& g, char16_t v) { return g.Char < v; });
    return it != gaps.end() && it->Char == c ? &*it : nullptr;
}

const TByteGap* FindGap(std::span<const TByteGap> gaps, uint16_t bytes)
{
    const auto it =
        std::lower_bound(gaps.begin(), gaps.end(), bytes, [](const TByteGap& g, uint16_t v) { return g.Bytes < v; });
    return it != gaps.end() && it->Bytes == bytes ? &*it : nullptr;
}

bool IsLeadByte(const TCodePageGaps& gaps, uint8_t b)
{
    for (size_t i = 0; i + 1 < gaps.Leads.size(); i += 2)
        if (b >= gaps.Leads[i] && b <= gaps.Leads[i + 1]) return true;
    return false;
}

QByteArray Encode(const QString& text, int codePage)
{
    const TCodePageConverter* conv = ConverterFor(codePage);
    if (!conv || text.size() > MaxConvertedLength) return {};
    if (conv->AsciiCompatible && IsAscii(text)) return text.toLatin1();
    const QString source = ResolvedCodePage(codePage) == VietnameseCodePage ? ComposeForVietnamese(text) : text;
    const std::span<const TWideGap> gaps = conv->Gaps ? conv->Gaps->Encode : std::span<const TWideGap>();
    QByteArray out;
    out.reserve(source.size() + 16);
    // ICU converts the runs between the characters Windows writes its own way.
    qsizetype run = 0;
    for (qsizetype i = 0; i < source.size(); ++i) {
        const TWideGap* gap = source[i].unicode() < 0x80 ? nullptr : FindGap(gaps, source[i].unicode());
        if (!gap) continue;
        if (!IcuEncode(conv->Handle.get(), QStringView(source).mid(run, i - run), out)) return {};
        if (gap->Bytes > 0xFF) out.append(char(gap->Bytes >> 8));
        out.append(char(gap->Bytes & 0xFF));
        run = i + 1;
    }
    if (!IcuEncode(conv->Handle.get(), QStringView(source).mid(run), out)) return {};
    return out;
}

QString Decode(const QByteArray& text, int codePage)
{
    const TCodePageConverter* conv = ConverterFor(codePage);
    if (!conv || text.size() > MaxConvertedLength) return {};
    if (conv->AsciiCompatible && IsAscii(text)) return QString::fromLatin1(text);
    QString out;
    out.reserve(text.size() + 16);
    qsizetype run = 0;
    if (conv->Gaps && !conv->Gaps->Decode.empty()) {
        const TCodePageGaps& gaps = *conv->Gaps;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const uint8_t b = uint8_t(text[i]);
            uint16_t bytes = b;
            qsizetype length = 1;
            // A double-byte character is looked up whole, so that its trail
            // byte is never taken for a character of its own.
            if (IsLeadByte(gaps, b) && i + 1 < text.size()) {
                bytes = uint16_t(b << 8 | uint8_t(text[i + 1]));
                length = 2;
            }
            const TByteGap* gap = b < 0x80 ? nullptr : FindGap(gaps.Decode, bytes);
            if (gap) {
                if (!IcuDecode(conv->Handle.get(), QByteArrayView(text).sliced(run, i - run), out)) return {};
                out.append(QChar(gap->Char));
                run = i + length;
            }
            i += length - 1;
        }
    }
    if (!IcuDecode(conv->Handle.get(), QByteArrayView(text).sliced(run), out)) return {};
    // Windows reads letter and tone mark as one precomposed character.
    return ResolvedCodePage(codePage) == VietnameseCodePage ? out.normalized(QString::NormalizationForm_C) : out;
}

} // namespace

int CharsetOfCodePage(int CodePage)
{
    switch (CodePage) {
    case 874:
        return 222; // THAI_CHARSET
    case 932:
        return 128; // SHIFTJIS_CHARSET
    case 936:
        return 134; // GB2312_CHARSET
    case 949:
        return 129; // HANGEUL_CHARSET
    case 950:
        return 136; // CHINESEBIG5_CHARSET
    case 1250:
        return 238; // EASTEUROPE_CHARSET
    case 1251:
        return 204; // RUSSIAN_CHARSET
    case 1252:
        return 0; // ANSI_CHARSET
    case 1253:
        return 161; // GREEK_CHARSET
    case 1254:
        return 162; // TURKISH_CHARSET
    case 1255:
        return 177; // HEBREW_CHARSET
    case 1256:
        return 178; // ARABIC_CHARSET
    case 1257:
        return 186; // BALTIC_CHARSET
    case 1258:
        return 163; // VIETNAMESE_CHARSET
    case 1361:
        return 130; // JOHAB_CHARSET
    default:
        return DEFAULT_CHARSET;
    }
}

QByteArray WideToAnsi(const QString& Text, int CodePage)
{
    QByteArray result = Encode(Text, CodePage);
    if (result.isEmpty() && !Text.isEmpty()) result = Encode(Text, SystemCodePage());
    return result;
}

QString AnsiToWide(const QByteArray& Text, int CodePage)
{
    QString result = Decode(Text, CodePage);
    if (result.isEmpty() && !Text.isEmpty()) result = Decode(Text, SystemCodePage());
    return result;
}

QByteArray LocaleWideToAnsi(const QString& Text, int Locale) { return WideToAnsi(Text, LocaleCodePage(Locale)); }

QString LocaleAnsiToWide(const QByteArray& Text, int Locale) { return AnsiToWide(Text, LocaleCodePage(Locale)); }

QString RecodeText(const QString& Text, int FromLocale, int ToLocale)
{
    return LocaleAnsiToWide(LocaleWideToAnsi(Text, FromLocale), ToLocale);
}

QString CharsetIdent(int Charset)
{
    static const struct {
        int Value;
        const char* Name;
    } names[] = {
        {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
        {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
        {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
        {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
        {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
        {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
        {255, "OEM_CHARSET"},
    };
    for (const auto& n : names)
        if (n.Value == Charset) return QLatin1String(n.Name);
    return QString::number(Charset);
}
