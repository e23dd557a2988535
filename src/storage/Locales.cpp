#include "storage/Locales.h"

#include "storage/LocaleTable.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <QHash>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

// The locale catalogue: the compiled-in table of Windows locales stands in for
// the Windows locale database; ICU does the collation.

namespace {

// The locale Windows means by 0x0800 (LOCALE_SYSTEM_DEFAULT); it goes with the
// system code page 1252.
constexpr int SystemDefaultLangID = 0x0409;

int Resolve(int Locale)
{
    const int id = Locale & 0xFFFF;
    if (id == 0x0000 || id == 0x0400) return UserDefaultLangID();
    if (id == 0x0800) return SystemDefaultLangID;
    return id;
}

const TLocaleRecord* FindRecord(int Locale)
{
    const int id = Resolve(Locale);
    const auto table = LocaleTable();
    const auto it =
        std::lower_bound(table.begin(), table.end(), id, [](const TLocaleRecord& r, int key) { return r.Id < key; });
    return it != table.end() && it->Id == id ? &*it : nullptr;
}

const TLocaleRecord& Record(int Locale)
{
    const TLocaleRecord* r = FindRecord(Locale);
    if (!r)
        throw ELocalesError(QStringLiteral("Can not get locale info of the locale %1 (0x%2): it is unknown")
                                .arg(Locale)
                                .arg(Locale, 4, 16, QLatin1Char('0')));
    return *r;
}

// "German (Germany)" -> "German"
QString NameBeforeParenthesis(const QString& Name)
{
    const qsizetype p = Name.indexOf(QLatin1Char('('));
    return (p < 0 ? Name : Name.left(p)).trimmed();
}

int EnumeratedLocale(auto matches)
{
    for (const TLocaleRecord& r : LocaleTable())
        if (r.Enumerated && matches(r)) return r.Id;
    return 0;
}

TLocaleList BuildSupportedList()
{
    TLocaleList list;
    for (const TLocaleRecord& r : LocaleTable()) {
        if (!r.Enumerated) continue;
        try {
            const QString name = GetLocaleInfoText(r.Id, LOCALE_SLANGUAGE);
            if (!name.isEmpty()) list.append({name, r.Id});
        } catch (const ELocalesError&) {
            // A locale the catalogue cannot name is left out.
        }
    }
    return list;
}

TLocaleList BuildGroupedList(const TLocaleList& supported)
{
    QHash<int, int> perLanguage;
    for (const TLocaleEntry& e : supported) ++perLanguage[PrimaryLanguage(e.Locale)];
    TLocaleList list;
    for (const TLocaleEntry& e : supported) {
        int& count = perLanguage[PrimaryLanguage(e.Locale)];
        if (count >= 2) {
            list.append({NameBeforeParenthesis(e.Name), PrimaryLanguage(e.Locale)});
            count = 0; // only before the first locale of the language
        }
        list.append(e);
    }
    return list;
}

const TLocaleList& CachedList(int Kind)
{
    static const TLocaleList supported = BuildSupportedList();
    static const TLocaleList grouped = BuildGroupedList(supported);
    return Kind == lkGrouped ? grouped : supported;
}

int LocaleInList(const QString& Text, QString (*Key)(int))
{
    for (const TLocaleEntry& e : CachedList(lkGrouped))
        if (Key(e.Locale).compare(Text, Qt::CaseInsensitive) == 0) return e.Locale;
    return 0;
}

// ICU's name for a Windows locale name ("es-ES_tradnl" is the traditional sort).
QByteArray CollationLocale(int Locale)
{
    const TLocaleRecord* r = FindRecord(Locale);
    if (!r) return {};
    QByteArray tag(r->Name);
    if (tag.endsWith("_tradnl")) tag = tag.left(tag.size() - 7) + "-u-co-trad";
    char id[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode err = U_ZERO_ERROR;
    uloc_forLanguageTag(tag.constData(), id, sizeof(id), nullptr, &err);
    return U_SUCCESS(err) ? QByteArray(id) : QByteArray();
}

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};

// Collators are opened once per locale and case option and shared by all
// threads: ICU allows concurrent comparisons on one collator.
const UCollator* Collator(int Locale, bool IgnoreCase)
{
    static std::mutex mutex;
    static std::map<std::pair<int, bool>, std::unique_ptr<UCollator, CollatorCloser>> collators;
    const std::pair key(Resolve(Locale), IgnoreCase);
    std::lock_guard lock(mutex);
    auto& slot = collators[key];
    if (!slot) {
        UErrorCode err = U_ZERO_ERROR;
        slot.reset(ucol_open(CollationLocale(key.first).constData(), &err));
        if (U_FAILURE(err)) {
            err = U_ZERO_ERROR;
            slot.reset(ucol_open("", &err));
        }
        if (slot) ucol_setStrength(slot.get(), IgnoreCase ? UCOL_SECONDARY : UCOL_TERTIARY);
    }
    return slot.get();
}

} // namespace

int PrimaryLanguage(int Locale) { return Locale & 0x3FF; }

bool IsNeutralLocale(int Locale) { return (Locale & 0xFFFF) == PrimaryLanguage(Locale); }

int SystemCodePage() { return 1252; }

int LangIDFromPosixLocale(const QString& Name)
{
    // language[_COUNTRY][.codeset][@modifier]
    QString base = Name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    const QString modifier = Name.section(QLatin1Char('@'), 1).toLower();
    const QString language = base.section(QLatin1Char('_'), 0, 0).toLower();
    const QString country = base.section(QLatin1Char('_'), 1).toUpper();
    if (language.isEmpty() || language == QLatin1String("c") || language == QLatin1String("posix")) return 0x0409;

    QString tag = language;
    if (modifier == QLatin1String("latin")) tag += QLatin1String("-Latn");
    if (modifier == QLatin1String("cyrillic")) tag += QLatin1String("-Cyrl");
    if (!country.isEmpty()) tag += QLatin1Char('-') + country;
    const auto named = [](const QString& name) {
        return EnumeratedLocale(
            [&](const TLocaleRecord& r) { return name.compare(QLatin1String(r.Name), Qt::CaseInsensitive) == 0; });
    };
    int id = named(tag);
    if (!id && !country.isEmpty())
        id = EnumeratedLocale([&](const TLocaleRecord& r) {
            return language == QLatin1String(r.Iso639) && country == QLatin1String(r.Iso3166);
        });
    if (!id) {
        // A language alone: the default locale of its neutral identifier.
        for (const TLocaleRecord& r : LocaleTable())
            if (IsNeutralLocale(r.Id) && language == QLatin1String(r.Iso639)) {
                id = named(QLatin1String(r.Name));
                break;
            }
    }
    return id ? id : 0x0409;
}

int UserDefaultLangID()
{
    static const int id = [] {
        for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(variable);
            if (value && *value) return LangIDFromPosixLocale(QString::fromLocal8Bit(value));
        }
        return 0x0409;
    }();
    return id;
}

QString GetLocaleInfoText(int Locale, int InfoType)
{
    const TLocaleRecord& r = Record(Locale);
    switch (InfoType) {
    case LOCALE_SLANGUAGE:
    case LOCALE_SENGLISHDISPLAYNAME:
        return QString::fromUtf8(r.DisplayName);
    case LOCALE_SABBREVLANGNAME:
        return QString::fromUtf8(r.Abbreviation);
    case LOCALE_SNATIVELANGNAME:
        return QString::fromUtf8(r.NativeLanguage);
    case LOCALE_SCOUNTRY:
    case LOCALE_SENGCOUNTRY:
        return QString::fromUtf8(r.EnglishCountry);
    case LOCALE_SISO639LANGNAME:
        return QString::fromUtf8(r.Iso639);
    case LOCALE_SISO3166CTRYNAME:
        return QString::fromUtf8(r.Iso3166);
    case LOCALE_SNAME:
        return QString::fromUtf8(r.Name);
    case LOCALE_SENGLANGUAGE:
        return QString::fromUtf8(r.EnglishLanguage);
    case LOCALE_IDEFAULTANSICODEPAGE:
        return QString::number(r.AnsiCodePage);
    default:
        throw ELocalesError(QStringLiteral("Can not get locale info %1 of the locale %2").arg(InfoType).arg(Locale));
    }
}

QString LocaleEnglishName(int Locale)
{
    const TLocaleRecord& r = Record(Locale);
    if (*r.FixedEnglishName) return QString::fromUtf8(r.FixedEnglishName);
    const QString language = GetLocaleInfoText(Locale, LOCALE_SENGLANGUAGE);
    if (IsNeutralLocale(r.Id)) return language;
    return NameBeforeParenthesis(language) + QLatin1String(" (") + GetLocaleInfoText(Locale, LOCALE_SABBREVLANGNAME) +
           QLatin1Char(')');
}

QString LocaleLanguageName(int Locale)
{
    const QString name = GetLocaleInfoText(Locale, LOCALE_SLANGUAGE);
    return IsNeutralLocale(Resolve(Locale)) ? NameBeforeParenthesis(name) : name;
}

QString LocaleAbbreviation(int Locale)
{
    const QString abbr = GetLocaleInfoText(Locale, LOCALE_SABBREVLANGNAME);
    return IsNeutralLocale(Resolve(Locale)) ? abbr.left(2) : abbr;
}

QString LocaleCountryLanguageCode(int Locale)
{
    const QString language = GetLocaleInfoText(Locale, LOCALE_SISO639LANGNAME);
    if (IsNeutralLocale(Resolve(Locale))) return language;
    return GetLocaleInfoText(Locale, LOCALE_SISO3166CTRYNAME) + QLatin1Char(' ') + language;
}

QString LocaleLanguageCountryCode(int Locale)
{
    const QString language = GetLocaleInfoText(Locale, LOCALE_SISO639LANGNAME);
    if (IsNeutralLocale(Resolve(Locale))) return language;
    return language + QLatin1Char('-') + GetLocaleInfoText(Locale, LOCALE_SISO3166CTRYNAME);
}

int LocaleByCountryLanguageCode(const QString& Code) { return LocaleInList(Code, LocaleCountryLanguageCode); }

int LocaleByLanguageCountryCode(const QString& Code) { return LocaleInList(Code, LocaleLanguageCountryCode); }

int LocaleByAbbreviation(const QString& Abbr) { return LocaleInList(Abbr, LocaleAbbreviation); }

int LocaleCodePage(int Locale)
{
    const TLocaleRecord* r = FindRecord(Locale);
    return r && r->AnsiCodePage ? r->AnsiCodePage : SystemCodePage();
}

int LocaleCharset(int Locale) { return CharsetOfCodePage(LocaleCodePage(Locale)); }

bool IsRightToLeftLocale(int Locale)
{
    QByteArray high(128, Qt::Uninitialized);
    for (int i = 0; i < 128; ++i) high[i] = char(0x80 + i);
    for (const uint c : AnsiToWide(high, LocaleCodePage(Locale)).toUcs4()) {
        const UCharDirection d = u_charDirection(UChar32(c));
        if (d == U_RIGHT_TO_LEFT || d == U_RIGHT_TO_LEFT_ARABIC) return true;
    }
    return false;
}

void GetLocaleList(TLocaleList& Strings, int Kind)
{
    if (Kind == lkSupported || Kind == lkGrouped)
        Strings = CachedList(Kind);
    else
        Strings.clear();
}

void FillLocaleTree(TLocaleTree& Tree)
{
    Tree.clear();
    QHash<int, std::size_t> languageNode;
    for (const TLocaleEntry& e : CachedList(lkSupported)) {
        const int language = PrimaryLanguage(e.Locale);
        auto it = languageNode.find(language);
        if (it == languageNode.end()) {
            it = languageNode.insert(language, Tree.size());
            Tree.push_back({NameBeforeParenthesis(e.Name), language, {}});
        }
        Tree[*it].Children.push_back({e.Name, e.Locale, {}});
    }

    // The names are English, so they sort by English rules on every machine.
    const auto byText = [](const TLocaleTreeNode& a, const TLocaleTreeNode& b) {
        return LocaleCompareText(0x0409, a.Text, b.Text, false) < 0;
    };
    std::stable_sort(Tree.begin(), Tree.end(), byText);
    for (TLocaleTreeNode& node : Tree) {
        std::stable_sort(node.Children.begin(), node.Children.end(), byText);
        if (node.Children.size() <= 1) {
            TLocaleTreeNode only = std::move(node.Children.front());
            node.Text = only.Text;
            node.Locale = only.Locale;
            node.Children.clear();
        }
    }
}

int LocaleCompareText(int Locale, const QString& A, const QString& B, bool IgnoreCase)
{
    // Sorting calls this for every pair: remember the last collator per thread.
    thread_local int lastLocale = -1;
    thread_local bool lastIgnoreCase = false;
    thread_local const UCollator* last = nullptr;
    if (Locale != lastLocale || IgnoreCase != lastIgnoreCase) {
        last = Collator(Locale, IgnoreCase);
        lastLocale = Locale;
        lastIgnoreCase = IgnoreCase;
    }
    if (!last) return QString::compare(A, B, IgnoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return ucol_strcoll(last, reinterpret_cast<const UChar*>(A.utf16()), int32_t(A.size()),
                        reinterpret_cast<const UChar*>(B.utf16()), int32_t(B.size()));
}

TPrimaryPrefix LocalePrimaryPrefix(int Locale, const QString& Text)
{
    TPrimaryPrefix prefix;
    const UCollator* collator = Collator(Locale, false);
    if (!collator) return prefix;
    // The key's first level ends at the first level separator (1); weights
    // are never 0 or 1, so a shorter first level pads below any weight.
    uint8_t key[64];
    const int32_t n = ucol_getSortKey(collator, reinterpret_cast<const UChar*>(Text.utf16()), int32_t(Text.size()), key,
                                      int32_t(sizeof key));
    bool ended = n <= 0;
    for (int i = 0; i < 16; ++i) {
        const uint8_t byte = ended || i >= int(sizeof key) ? 0 : key[i];
        ended = ended || byte <= 1;
        quint64& half = i < 8 ? prefix.Hi : prefix.Lo;
        half = (half << 8) | (ended ? 0 : byte);
    }
    return prefix;
}
