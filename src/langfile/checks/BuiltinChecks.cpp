#include "langfile/checks/CheckRegistry.h"
#include "langfile/checks/TextScan.h"

#include "storage/Locales.h"

#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <unordered_map>

namespace {

using TMessageFn = QString (*)(const TCheckContext&);

// A check whose whole logic is one function from a translation to its
// message (empty: nothing wrong).
class TTextCheck : public TCheck {
public:
    TTextCheck(QString Id, TCheckSeverity Severity, TMessageFn Fn, bool SeesEmpty = false)
        : FId(std::move(Id)), FSeverity(Severity), FFn(Fn), FSeesEmpty(SeesEmpty)
    {
    }
    QString Id() const override { return FId; }
    TCheckSeverity Severity() const override { return FSeverity; }
    bool ChecksEmptyTranslations() const override { return FSeesEmpty; }
    void CheckItem(const TCheckContext& Context, const std::function<void(const QString&)>& Report) const override
    {
        const QString message = FFn(Context);
        if (!message.isEmpty()) Report(message);
    }

private:
    QString FId;
    TCheckSeverity FSeverity;
    TMessageFn FFn;
    bool FSeesEmpty;
};

QString Quoted(const QString& Text) { return QLatin1Char('"') + Text + QLatin1Char('"'); }

int Primary(uint16_t Locale) { return PrimaryLanguage(Locale); }

// ---------------------------------------------------------------- format

QString FormatMessage(const TCheckContext& c)
{
    if (!c.Native.contains(QLatin1Char('%')) && !c.Translation.contains(QLatin1Char('%'))) return {};
    // Argument by argument; order may change only through indexes.
    std::multimap<int, QString> native, translation;
    for (const TFormatSpec& s : ParseFormatSpecs(c.Native)) native.emplace(s.Arg, s.Specifier);
    for (const TFormatSpec& s : ParseFormatSpecs(c.Translation)) translation.emplace(s.Arg, s.Specifier);
    const auto specsOf = [](const std::multimap<int, QString>& m, int arg) {
        QStringList specs;
        for (auto [it, end] = m.equal_range(arg); it != end; ++it) specs << QLatin1Char('%') + it->second;
        specs.removeDuplicates();
        specs.sort();
        return specs;
    };
    std::vector<int> args;
    for (const auto& [arg, specifier] : native) args.push_back(arg);
    for (const auto& [arg, specifier] : translation) args.push_back(arg);
    std::sort(args.begin(), args.end());
    args.erase(std::unique(args.begin(), args.end()), args.end());
    for (const int arg : args) {
        const QStringList n = specsOf(native, arg), t = specsOf(translation, arg);
        if (n == t) continue;
        const QString argument = QStringLiteral("argument %1").arg(arg);
        if (t.isEmpty())
            return QStringLiteral("%1 (%2) of the native text is missing").arg(n.join(QLatin1Char(' ')), argument);
        if (n.isEmpty())
            return QStringLiteral("the translation has %1 (%2), the native text none")
                .arg(t.join(QLatin1Char(' ')), argument);
        return QStringLiteral("%1 is %2 in the native text, %3 in the translation")
            .arg(argument, n.join(QLatin1Char(' ')), t.join(QLatin1Char(' ')));
    }
    return {};
}

// ---------------------------------------------------------------- accelerator

QString AcceleratorMessage(const TCheckContext& c)
{
    if (!c.Native.contains(QLatin1Char('&')) && !c.Translation.contains(QLatin1Char('&'))) return {};
    const int n = int(AcceleratorLetters(c.Native).size()), t = int(AcceleratorLetters(c.Translation).size());
    // A native text with several "&" is not a caption's; it needs one at least.
    if (n == t || (n > 1 && t >= 1)) return {};
    return QStringLiteral("the native text has %1, the translation %2")
        .arg(CountPhrase(n, QStringLiteral("accelerator"), QStringLiteral("accelerators")), BareCount(t));
}

// Two captions of one window (a menu: of one menu level) that share an
// accelerator in the translation while their native texts do not.
class TAcceleratorClashCheck : public TCheck {
public:
    QString Id() const override { return QStringLiteral("accelerator-clash"); }
    TCheckSeverity Severity() const override { return csWarning; }
    bool ChecksWindows() const override { return true; }
    void CheckWindow(std::span<const TCheckContext> Items, const TFindingSink& Sink) const override
    {
        struct TKey {
            const TCheckContext* Context;
            QChar Native, Translated;
        };
        std::map<std::pair<QString, QString>, std::vector<TKey>> byLetter; // (group, letter)
        for (const TCheckContext& c : Items) {
            const QString t = AcceleratorLetters(c.Translation);
            if (t.size() != 1) continue;
            const QString n = AcceleratorLetters(c.Native);
            byLetter[{c.Group, t.toCaseFolded()}].push_back(
                {&c, n.size() == 1 ? n.toCaseFolded()[0] : QChar(), t.toCaseFolded()[0]});
        }
        for (const auto& [key, list] : byLetter) {
            if (list.size() < 2) continue;
            for (const TKey& a : list) {
                if (!a.Context->Translated) continue;
                for (const TKey& b : list) {
                    if (&a == &b || (!a.Native.isNull() && a.Native == b.Native)) continue;
                    Sink(MakeFinding(*this, *a.Context,
                                     QStringLiteral("\"&%1\" is also the accelerator of %2")
                                         .arg(AcceleratorLetters(a.Context->Translation), b.Context->ItemName)));
                    break;
                }
            }
        }
    }
};

// ---------------------------------------------------------------- codepage

bool IsAscii(const QString& Text)
{
    for (const QChar c : Text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

// What a character becomes after a trip through the code page; the calling
// thread remembers it, since a project repeats its characters many times.
QString RoundTrip(uint CodePoint, int CodePage)
{
    thread_local std::unordered_map<quint64, QString> cache;
    const quint64 key = quint64(CodePage) << 32 | CodePoint;
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    const char32_t c32 = char32_t(CodePoint);
    const QString original = QString::fromUcs4(&c32, 1);
    QString back = AnsiToWide(WideToAnsi(original, CodePage), CodePage);
    if (back == original.normalized(QString::NormalizationForm_C)) back = original;
    if (cache.size() > 100000) cache.clear();
    cache.emplace(key, back);
    return back;
}

QString CodePageMessage(const TCheckContext& c)
{
    if (c.CodePage == 0 || IsAscii(c.Translation)) return {};
    QString first;
    int count = 0;
    const QList<uint> points = c.Translation.toUcs4();
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (points[i] < 0x80) continue;
        const char32_t c32 = char32_t(points[i]);
        const QString original = QString::fromUcs4(&c32, 1);
        const QString back = RoundTrip(points[i], c.CodePage);
        if (back == original) continue;
        if (++count > 1) continue;
        first = back == QLatin1String("?") || back.isEmpty()
                    ? QStringLiteral("%1 (position %2) is not in code page %3")
                          .arg(Quoted(original))
                          .arg(i + 1)
                          .arg(c.CodePage)
                    : QStringLiteral("%1 (position %2) becomes %3 in code page %4")
                          .arg(Quoted(original))
                          .arg(i + 1)
                          .arg(Quoted(back))
                          .arg(c.CodePage);
    }
    if (count > 1) first += QStringLiteral(", and %1 more").arg(count - 1);
    return first;
}

// ---------------------------------------------------------------- whitespace

QString LeadingBlanks(const QString& Text)
{
    qsizetype n = 0;
    while (n < Text.size() && Text[n].isSpace()) ++n;
    return Text.left(n);
}

QString TrailingBlanks(const QString& Text)
{
    qsizetype n = 0;
    while (n < Text.size() && Text[Text.size() - 1 - n].isSpace()) ++n;
    return Text.right(n);
}

QString WhitespaceStartMessage(const TCheckContext& c)
{
    const QString n = LeadingBlanks(c.Native), t = LeadingBlanks(c.Translation);
    if (n == t) return {};
    return QStringLiteral("the native text starts with %1, the translation with %2").arg(ShownRun(n), ShownRun(t));
}

QString WhitespaceEndMessage(const TCheckContext& c)
{
    const QString n = TrailingBlanks(c.Native), t = TrailingBlanks(c.Translation);
    if (n == t) return {};
    return QStringLiteral("the native text ends with %1, the translation with %2").arg(ShownRun(n), ShownRun(t));
}

QString LineBreaksMessage(const TCheckContext& c)
{
    const int n = CountLineBreaks(c.Native), t = CountLineBreaks(c.Translation);
    if (n == t) return {};
    return QStringLiteral("the native text has %1, the translation %2")
        .arg(CountPhrase(n, QStringLiteral("line break"), QStringLiteral("line breaks")), BareCount(t));
}

QString TabsMessage(const TCheckContext& c)
{
    const int n = int(c.Native.count(QLatin1Char('\t'))), t = int(c.Translation.count(QLatin1Char('\t')));
    if (n == t) return {};
    return QStringLiteral("the native text has %1, the translation %2")
        .arg(CountPhrase(n, QStringLiteral("tab"), QStringLiteral("tabs")), BareCount(t));
}

// Double spaces inside the text; blanks at the ends are the whitespace checks'.
int CountDoubleSpaces(const QString& Text, qsizetype* First = nullptr)
{
    const qsizetype start = LeadingBlanks(Text).size(), end = Text.size() - TrailingBlanks(Text).size();
    int n = 0;
    for (qsizetype i = start; i + 1 < end; ++i) {
        if (Text[i] != QLatin1Char(' ') || Text[i + 1] != QLatin1Char(' ')) continue;
        if (n++ == 0 && First) *First = i;
        while (i + 1 < end && Text[i + 1] == QLatin1Char(' ')) ++i;
    }
    return n;
}

QString DoubleSpaceMessage(const TCheckContext& c)
{
    if (!c.Translation.contains(QLatin1String("  "))) return {};
    qsizetype first = 0;
    if (CountDoubleSpaces(c.Translation, &first) <= CountDoubleSpaces(c.Native)) return {};
    return QStringLiteral("double space at position %1").arg(first + 1);
}

// ---------------------------------------------------------------- punctuation-end

enum TEndMark { emNone, emPeriod, emColon, emEllipsis, emQuestion, emExclamation };

// The end punctuation of a text as the language writes it: French puts a
// (non-breaking) space before ":" "?" "!", Chinese and Japanese use the
// full-width forms, Arabic "؟", Greek ";" as its question mark.
TEndMark EndMark(const QString& Text, uint16_t Locale, QString* Mark)
{
    const QString t = Text.left(Text.size() - TrailingBlanks(Text).size());
    if (t.isEmpty()) return emNone;
    static const QString kEllipses[] = {QStringLiteral("..."), QStringLiteral("\u2026"),
                                        QStringLiteral("\uFF0E\uFF0E\uFF0E"), QStringLiteral("\u3002\u3002\u3002")};
    for (const QString& e : kEllipses) {
        if (t.endsWith(e)) {
            *Mark = e;
            return emEllipsis;
        }
    }
    const QChar last = t.back();
    *Mark = last;
    switch (last.unicode()) {
    case '.':
    case 0x3002: // ideographic full stop
    case 0xFF0E:
    case 0xFF61:
    case 0x0964: // Devanagari danda
    case 0x06D4: // Urdu full stop
    case 0x0589: // Armenian full stop
        return emPeriod;
    case ':':
    case 0xFF1A:
        return emColon;
    case '?':
    case 0xFF1F:
    case 0x061F: // Arabic question mark
    case 0x037E: // Greek question mark
        return emQuestion;
    case ';':
        return Primary(Locale) == 0x08 ? emQuestion : emNone;
    case '!':
    case 0xFF01:
        return emExclamation;
    default:
        Mark->clear();
        return emNone;
    }
}

// Languages that end sentences without a mark (Thai, Lao, Khmer, Burmese).
bool MayDropPeriod(uint16_t Locale)
{
    const int p = Primary(Locale);
    return p == 0x1E || p == 0x54 || p == 0x53 || p == 0x55;
}

QString PunctuationEndMessage(const TCheckContext& c)
{
    QString nMark, tMark;
    const TEndMark n = EndMark(c.Native, c.NativeLocale, &nMark), t = EndMark(c.Translation, c.Locale, &tMark);
    if (n == t || (n == emPeriod && t == emNone && MayDropPeriod(c.Locale))) return {};
    const auto shown = [](const QString& m) { return m.isEmpty() ? QStringLiteral("no punctuation") : Quoted(m); };
    return QStringLiteral("the native text ends with %1, the translation with %2").arg(shown(nMark), shown(tMark));
}

// ---------------------------------------------------------------- brackets

// Full-width forms (U+FF01-U+FF5E) stand for the ASCII characters 0xFEE0 below them.
QChar PlainBracket(QChar c)
{
    return c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E ? QChar(char16_t(c.unicode() - 0xFEE0)) : c;
}

QString BracketsMessage(const TCheckContext& c)
{
    static const QString kBrackets = QStringLiteral("()[]{}");
    int n[6] = {}, t[6] = {};
    const auto count = [](const QString& text, int* counts) {
        for (const QChar ch : text)
            if (const qsizetype k = kBrackets.indexOf(PlainBracket(ch)); k >= 0) ++counts[k];
    };
    count(c.Native, n);
    count(c.Translation, t);
    for (int k = 0; k < 6; ++k) {
        if (n[k] == t[k]) continue;
        const QString bracket = Quoted(kBrackets[k]);
        return QStringLiteral("the native text has %1, the translation %2")
            .arg(CountPhrase(n[k], bracket, bracket), BareCount(t[k]));
    }
    return {};
}

// ---------------------------------------------------------------- numbers

// The digit runs of a text in ASCII digits, whatever script they are written
// in; format specifiers ("%10d", "%0:s") are no numbers.
QStringList Numbers(const QString& Text)
{
    QString text = Text;
    const std::vector<TFormatSpec> specs = ParseFormatSpecs(Text);
    for (auto it = specs.rbegin(); it != specs.rend(); ++it) text.replace(it->Pos, it->Length, QLatin1Char(' '));
    QStringList numbers;
    QString run;
    for (const QChar ch : text) {
        if (ch.isDigit() && ch.digitValue() >= 0) {
            run += QChar(u'0' + ch.digitValue());
        } else if (!run.isEmpty()) {
            numbers << run;
            run.clear();
        }
    }
    if (!run.isEmpty()) numbers << run;
    return numbers;
}

bool HasDigit(const QString& Text)
{
    return std::any_of(Text.begin(), Text.end(), [](QChar ch) { return ch.isDigit(); });
}

QString NumbersMessage(const TCheckContext& c)
{
    if (!HasDigit(c.Native)) return {};
    QStringList translation = Numbers(c.Translation);
    for (const QString& number : Numbers(c.Native)) {
        if (translation.removeOne(number)) continue;
        return QStringLiteral("the number %1 of the native text is missing").arg(number);
    }
    return {};
}

// ---------------------------------------------------------------- urls

QStringList Addresses(const QString& Text)
{
    if (!Text.contains(QLatin1String("://")) && !Text.contains(QLatin1String("www.")) &&
        !Text.contains(QLatin1Char('@')))
        return {};
    // One compiled expression per thread: checks run on worker threads too.
    thread_local const QRegularExpression address(QStringLiteral(
        "(?:\\b(?:https?|ftp)://|\\bwww\\.)[^\\s<>\"]+|[A-Za-z0-9._%+-]+@[A-Za-z0-9-]+(?:\\.[A-Za-z0-9-]+)+"));
    QStringList found;
    for (auto it = address.globalMatch(Text); it.hasNext();) {
        QString a = it.next().captured();
        // Sentence punctuation after an address is no part of it.
        while (!a.isEmpty() && QStringLiteral(".,;:!?)]}'").contains(a.back())) a.chop(1);
        found << a;
    }
    return found;
}

QString UrlsMessage(const TCheckContext& c)
{
    for (const QString& a : Addresses(c.Native)) {
        if (c.Translation.contains(a)) continue;
        return QStringLiteral("%1 of the native text is missing or changed").arg(a);
    }
    return {};
}

// ---------------------------------------------------------------- unchanged

// The text a word list is compared with: no accelerator, no blanks or end
// punctuation at the ends, folded case.
QString CoreText(const QString& Text)
{
    QString t;
    for (qsizetype i = 0; i < Text.size(); ++i) {
        if (Text[i] == QLatin1Char('&') && i + 1 < Text.size()) ++i; // "&&" keeps one
        t += Text[i];
    }
    t = t.trimmed();
    while (!t.isEmpty() && QStringLiteral(".:!?\u2026").contains(t.back())) t.chop(1);
    return t.trimmed().toCaseFolded();
}

// Words that are the same in English and the language, by primary language;
// kUniversal holds those of every language.
const QHash<int, QStringList>& SameWords()
{
    static const QHash<int, QStringList> words = [] {
        QHash<int, QStringList> w;
        const auto add = [&w](int primary, const char* list) {
            for (const QString& s : QString::fromUtf8(list).split(QLatin1Char('|'))) w[primary] << s.toCaseFolded();
        };
        add(0, "OK|ID|URL|HTML|XML|PDF|CSV|FTP|HTTP|HTTPS|SQL|ZIP|USB|CD|DVD|Internet|E-mail|Email|Web|Windows|Unicode|"
               "ANSI|"
               "UTF-8|Bluetooth|Wi-Fi|Copyright");
        add(0x07, "Name|Status|Info|Version|Start|Server|Client|Computer|Design|Export|Import|Filter|Format|Login|"
                  "Proxy|Port|Host|Cache|Backup|Update|Text|Tab|Modem|Hardware|Software|Editor|Administrator|Account|"
                  "Browser|Code|Cursor|Detail|Details|Direkt|Drag|Feedback|Fax|Hotline|Layout|Link|Logo|Manager|"
                  "Minute|Minuten|Monitor|Optional|Plugin|Plug-in|Problem|Programm|Service|Sound|Stopp|Support|System|"
                  "Team|Tool|Tools|Tutorial|Verbose|Zoom|Symbol|Symbole|Ende|Hallo|Pause");
        add(0x0C, "Message|Messages|Date|Description|Options|Point|Portrait|Question|Note|Notes|Rotation|Service|"
                  "Source|Version|Standard|Format|Client|Serveur|Menu|Image|Images|Zone|Communication|Configuration|"
                  "Information|Informations|Installation|Navigation|Orientation|Page|Pages|Position|Session|"
                  "Sections|Section|Type|Types|Total|Minute|Minutes|Transparent|Important|Simple|Normal|Initial|"
                  "Police|Justification|Distance|Unique|Stop|Style|Styles|Pause|Excellent|Direction|Local|Vertical|"
                  "Horizontal|Global|Fax|Signature|Nature|Condition|Conditions|Action|Actions|Caractères|Accent");
        add(0x0A, "Error|Local|Normal|General|Total|Final|Global|Original|Manual|Horizontal|Vertical|Central|Radio|"
                  "Hotel|Chat|Club|Gas|Idea|Mini|Zoom|Plan|Fax|Hardware|Software|Internet|Menu|Web|Video");
        add(0x10,
            "Computer|File|Menu|Password|Server|Client|Monitor|Mouse|File|Font|Link|Standard|Email|Editor|Area|"
            "Video|Zoom|Design|Hardware|Software|Box|Backup|Plugin|Team|Database|Report|Layout|Default|Online|Login");
        add(0x13, "Status|Info|Versie|Start|Stop|Server|Client|Computer|Design|Export|Import|Filter|Format|Login|Proxy|"
                  "Port|Host|Cache|Backup|Update|Tekst|Tab|Editor|Administrator|Account|Browser|Code|Cursor|Detail|"
                  "Details|Feedback|Fax|Layout|Link|Logo|Manager|Monitor|Optioneel|Plugin|Probleem|Service|Support|"
                  "Systeem|Team|Tool|Tools|Zoom|Pauze|Minuten|Normaal|Product|Printer|Scanner|Model|Modem|Hardware|"
                  "Software");
        return w;
    }();
    return words;
}

bool HasLetter(const QString& Text)
{
    // Format specifiers' type letters are no words.
    QString text = Text;
    const std::vector<TFormatSpec> specs = ParseFormatSpecs(Text);
    for (auto it = specs.rbegin(); it != specs.rend(); ++it) text.remove(it->Pos, it->Length);
    return std::any_of(text.begin(), text.end(), [](QChar ch) { return ch.isLetter(); });
}

class TUnchangedCheck : public TCheck {
public:
    explicit TUnchangedCheck(const TCheckOptions& Options)
    {
        for (const QString& s : Options.SameTexts) FSame << CoreText(s);
        for (auto it = Options.SameTextsOf.begin(); it != Options.SameTextsOf.end(); ++it)
            for (const QString& s : it.value()) FSameOf[it.key().toLower()] << CoreText(s);
    }
    QString Id() const override { return QStringLiteral("unchanged"); }
    TCheckSeverity Severity() const override { return csWarning; }
    void CheckItem(const TCheckContext& c, const std::function<void(const QString&)>& Report) const override
    {
        if (c.Translation != c.Native || Primary(c.Locale) == Primary(c.NativeLocale) || !HasLetter(c.Native)) return;
        const QString core = CoreText(c.Native);
        if (FSame.contains(core) || FSameOf.value(c.LangCode.toLower()).contains(core)) return;
        const bool singleWord = !core.contains(QLatin1Char(' '));
        if (singleWord && (SameWords().value(0).contains(core) || SameWords().value(Primary(c.Locale)).contains(core)))
            return;
        Report(QStringLiteral("the translation is the native text unchanged"));
    }

private:
    QSet<QString> FSame;
    QHash<QString, QSet<QString>> FSameOf;
};

// ---------------------------------------------------------------- empty, length

QString EmptyMessage(const TCheckContext& c)
{
    return c.Translation.isEmpty() && !c.Native.isEmpty() ? QStringLiteral("the translation is empty") : QString();
}

QString LengthMessage(const TCheckContext& c)
{
    if (c.WidthKnown) return {};
    const qsizetype limit = qsizetype(2.5 * double(c.Native.size())) + 10;
    if (c.Translation.size() <= limit) return {};
    return QStringLiteral("the translation has %1 characters, the native text %2 (at most %3)")
        .arg(c.Translation.size())
        .arg(c.Native.size())
        .arg(limit);
}

} // namespace

const QStringList& BuiltinCheckIds()
{
    static const QStringList ids = {
        QStringLiteral("format"),
        QStringLiteral("accelerator"),
        QStringLiteral("accelerator-clash"),
        QStringLiteral("codepage"),
        QStringLiteral("whitespace-start"),
        QStringLiteral("whitespace-end"),
        QStringLiteral("linebreaks"),
        QStringLiteral("tabs"),
        QStringLiteral("double-space"),
        QStringLiteral("punctuation-end"),
        QStringLiteral("brackets"),
        QStringLiteral("numbers"),
        QStringLiteral("urls"),
        QStringLiteral("unchanged"),
        QStringLiteral("empty"),
        QStringLiteral("length"),
    };
    return ids;
}

void AddBuiltinChecks(TCheckRegistry& Registry, const TCheckOptions& Options)
{
    const auto text = [&Registry](const char* id, TCheckSeverity severity, TMessageFn fn, bool seesEmpty = false) {
        Registry.Add(std::make_unique<TTextCheck>(QLatin1String(id), severity, fn, seesEmpty));
    };
    text("format", csError, FormatMessage);
    text("accelerator", csError, AcceleratorMessage);
    Registry.Add(std::make_unique<TAcceleratorClashCheck>());
    text("codepage", csError, CodePageMessage);
    text("whitespace-start", csWarning, WhitespaceStartMessage);
    text("whitespace-end", csWarning, WhitespaceEndMessage);
    text("linebreaks", csWarning, LineBreaksMessage);
    text("tabs", csWarning, TabsMessage);
    text("double-space", csWarning, DoubleSpaceMessage);
    text("punctuation-end", csWarning, PunctuationEndMessage);
    text("brackets", csWarning, BracketsMessage);
    text("numbers", csWarning, NumbersMessage);
    text("urls", csWarning, UrlsMessage);
    Registry.Add(std::make_unique<TUnchangedCheck>(Options));
    text("empty", csError, EmptyMessage, true);
    text("length", csWarning, LengthMessage);
}
