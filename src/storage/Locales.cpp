#include "storage/Locales.h"

#include <unicode/ucnv.h>
#include <unicode/ucol.h>

#include <map>
#include <memory>
#include <mutex>

// Interim catalogue: only the conversions, all in Windows-1252, until the
// full locale table is in place.

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

// One shared converter per code page; ICU converters are not thread-safe, so
// conversions take the mutex (they are short).
std::mutex gMutex;
std::map<int, std::unique_ptr<UConverter, ConverterCloser>> gConverters;

UConverter* Converter(int codePage)
{
    auto it = gConverters.find(codePage);
    if (it != gConverters.end()) return it->second.get();
    UErrorCode err = U_ZERO_ERROR;
    UConverter* c = ucnv_open(QByteArray("windows-" + QByteArray::number(codePage)).constData(), &err);
    if (U_FAILURE(err)) c = nullptr;
    gConverters[codePage].reset(c);
    return c;
}

bool IsAscii(const char* p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
    return true;
}

bool IsAscii(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x80) return false;
    return true;
}

} // namespace

int PrimaryLanguage(int Locale)
{
    return Locale & 0x3FF;
}

int SystemCodePage()
{
    return 1252;
}

int UserDefaultLangID()
{
    return 0x0409;
}

int LocaleCodePage(int)
{
    return SystemCodePage();
}

QByteArray WideToAnsi(const QString& Text, int CodePage)
{
    if (Text.isEmpty()) return {};
    if (IsAscii(Text)) return Text.toLatin1(); // every ANSI code page is ASCII below 0x80
    std::lock_guard lock(gMutex);
    UConverter* c = Converter(CodePage);
    if (!c) c = Converter(SystemCodePage());
    if (!c) return Text.toLatin1();
    QByteArray out(Text.size() * 4 + 8, Qt::Uninitialized);
    UErrorCode err = U_ZERO_ERROR;
    ucnv_reset(c);
    const int32_t n = ucnv_fromUChars(c, out.data(), int32_t(out.size()), reinterpret_cast<const UChar*>(Text.utf16()),
                                      int32_t(Text.size()), &err);
    if (U_FAILURE(err)) return {};
    out.resize(n);
    return out;
}

QString AnsiToWide(const QByteArray& Text, int CodePage)
{
    if (Text.isEmpty()) return {};
    if (IsAscii(Text.constData(), Text.size())) return QString::fromLatin1(Text);
    std::lock_guard lock(gMutex);
    UConverter* c = Converter(CodePage);
    if (!c) c = Converter(SystemCodePage());
    if (!c) return QString::fromLatin1(Text);
    QString out(Text.size() * 2 + 2, Qt::Uninitialized);
    UErrorCode err = U_ZERO_ERROR;
    ucnv_reset(c);
    const int32_t n = ucnv_toUChars(c, reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), Text.constData(),
                                    int32_t(Text.size()), &err);
    if (U_FAILURE(err)) return {};
    out.resize(n);
    return out;
}

QByteArray LocaleWideToAnsi(const QString& Text, int Locale)
{
    return WideToAnsi(Text, LocaleCodePage(Locale));
}

QString LocaleAnsiToWide(const QByteArray& Text, int Locale)
{
    return AnsiToWide(Text, LocaleCodePage(Locale));
}

QString RecodeText(const QString& Text, int FromLocale, int ToLocale)
{
    return LocaleAnsiToWide(LocaleWideToAnsi(Text, FromLocale), ToLocale);
}

int LocaleCompareText(int, const QString& A, const QString& B, bool IgnoreCase)
{
    // Interim: the root collation for every language.
    thread_local std::unique_ptr<UCollator, void (*)(UCollator*)> coll[2] = {{nullptr, ucol_close},
                                                                              {nullptr, ucol_close}};
    auto& c = coll[IgnoreCase ? 1 : 0];
    if (!c) {
        UErrorCode err = U_ZERO_ERROR;
        c.reset(ucol_open("", &err));
        if (U_FAILURE(err)) return QString::compare(A, B, IgnoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
        ucol_setStrength(c.get(), IgnoreCase ? UCOL_SECONDARY : UCOL_TERTIARY);
    }
    return ucol_strcoll(c.get(), reinterpret_cast<const UChar*>(A.utf16()), int32_t(A.size()),
                        reinterpret_cast<const UChar*>(B.utf16()), int32_t(B.size()));
}
