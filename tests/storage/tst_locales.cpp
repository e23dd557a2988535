#include "storage/Locales.h"

#include <QFile>
#include <QSet>
#include <QtTest>

#include <thread>

namespace {

// One line of a comma-separated file whose fields may be quoted (no quotes inside quotes).
QStringList SplitCsvLine(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            fields.append(std::exchange(field, QString()));
        else
            field.append(c);
    }
    fields.append(field);
    return fields;
}

QString Hex(int id) { return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')).toUpper(); }

bool InList(const TLocaleList& list, int locale)
{
    return std::any_of(list.begin(), list.end(), [&](const TLocaleEntry& e) { return e.Locale == locale; });
}

const TLocaleTreeNode* FindNode(const TLocaleTree& tree, const QString& text)
{
    for (const TLocaleTreeNode& node : tree)
        if (node.Text == text) return &node;
    return nullptr;
}

} // namespace

class TestLocales : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The memory index orders most keys by their prefix alone: wherever two
    // prefixes differ, they must order the texts as the collator does, with
    // and without case.
    void primaryPrefixAgreesWithCollation()
    {
        const QStringList texts = {"",           "a",      "A",      "ab",       "Ab",      "abc",    "abcdefghij",
                                   "abcdefghik", "&Open",  "Open",   "open",     "Öffnen",  "offnen", "Ouvrir",
                                   "résumé",     "resume", "Resume", "10 files", "9 files", "file",   "File...",
                                   "Ça",         "ça va",  "Zeta",   "ζήτα",     "Ж",       "漢字",   "かな",
                                   "-x",         " x",     "x y",    "xy",       "straße",  "strasse"};
        QVERIFY(LocalePrimaryPrefix(0x0409, "a") < LocalePrimaryPrefix(0x0409, "b")); // it does tell
        QVERIFY(LocalePrimaryPrefix(0x0409, "a") == LocalePrimaryPrefix(0x0409, "A"));
        // Texts alike in their first eight letters still differ in the prefix.
        QVERIFY(LocalePrimaryPrefix(0x0409, "abcdefgh x") < LocalePrimaryPrefix(0x0409, "abcdefgh y"));
        for (int locale : {0x0409, 0x0407, 0x041F, 0x0411, 0x0C0A}) {
            for (const QString& a : texts) {
                for (const QString& b : texts) {
                    const TPrimaryPrefix pa = LocalePrimaryPrefix(locale, a), pb = LocalePrimaryPrefix(locale, b);
                    if (pa == pb) continue;
                    const int expected = pa < pb ? -1 : 1;
                    for (bool ignoreCase : {false, true}) {
                        const int c = LocaleCompareText(locale, a, b, ignoreCase);
                        QVERIFY2((c < 0 ? -1 : c > 0) == expected,
                                 qPrintable(QStringLiteral("%1: %2 / %3").arg(locale).arg(a, b)));
                    }
                }
            }
        }
    }

    // The whole catalogue against facts a Windows-compatible system reports.
    // Every difference is listed; the ones we mean are named here.
    void catalogueMatchesReference()
    {
        const QStringList intended = {
            // Windows names the two sorts of Spanish and Valencian apart; the
            // reference gives the same name twice, which the language lists could not tell apart.
            "040A display: Spanish (Spain) -> Spanish (Spain, Traditional Sort)",
            "0C0A display: Spanish (Spain) -> Spanish (Spain, International Sort)",
            "0803 display: Catalan (Spain) -> Valencian (Spain)",
            // Windows' abbreviations of the three Quechua locales (they name language files).
            "006B abbreviation: QUZ -> QUB",
            "046B abbreviation: QUZ -> QUB",
            "086B abbreviation: QUZ -> QUE",
            "0C6B abbreviation: QUZ -> QUP",
            // The invariant locale is no language to translate into.
            "007F enumerated: 1 -> 0",
            // Serbian (Serbia and Montenegro), missing from the reference.
            "081A: not in the reference",
            "0C1A: not in the reference",
        };

        QFile file(QStringLiteral(TEST_DATA_DIR "/windows-locales.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QStringList header = SplitCsvLine(lines.first());
        TLocaleList supported;
        GetLocaleList(supported, lkSupported);

        QStringList differences;
        QSet<int> reference;
        const auto compare = [&](int id, const char* what, const QString& expected, const QString& actual) {
            if (expected != actual)
                differences.append(QStringLiteral("%1 %2: %3 -> %4").arg(Hex(id), what, expected, actual));
        };
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QStringList values = SplitCsvLine(lines[i]);
            QCOMPARE(values.size(), header.size());
            const auto field = [&](const char* name) { return values[header.indexOf(QLatin1String(name))]; };
            const int id = field("lcid").toInt(nullptr, 16);
            reference.insert(id);
            try {
                compare(id, "name", field("name"), GetLocaleInfoText(id, LOCALE_SNAME));
                compare(id, "language", field("englang"), GetLocaleInfoText(id, LOCALE_SENGLANGUAGE));
                compare(id, "country", field("engcountry"), GetLocaleInfoText(id, LOCALE_SENGCOUNTRY));
                compare(id, "display", field("engdisplay"), GetLocaleInfoText(id, LOCALE_SENGLISHDISPLAYNAME));
                compare(id, "native", field("nativelang"), GetLocaleInfoText(id, LOCALE_SNATIVELANGNAME));
                compare(id, "abbreviation", field("abbrevlang"), GetLocaleInfoText(id, LOCALE_SABBREVLANGNAME));
                compare(id, "iso639", field("iso639"), GetLocaleInfoText(id, LOCALE_SISO639LANGNAME));
                compare(id, "iso3166", field("iso3166"), GetLocaleInfoText(id, LOCALE_SISO3166CTRYNAME));
                const QString codePage = GetLocaleInfoText(id, LOCALE_IDEFAULTANSICODEPAGE);
                compare(id, "codepage", field("ansicp"), codePage);
                // Where there is no ANSI code page the reference says -1; Windows' answer is DEFAULT_CHARSET.
                const QString charset =
                    field("charset") == QLatin1String("-1") ? QStringLiteral("1") : field("charset");
                compare(id, "charset", charset, QString::number(CharsetOfCodePage(codePage.toInt())));
                compare(id, "enumerated", field("enumerated"), InList(supported, id) ? "1" : "0");
            } catch (const ELocalesError&) {
                differences.append(Hex(id) + QLatin1String(": not in the catalogue"));
            }
        }
        for (const TLocaleEntry& e : supported)
            if (!reference.contains(e.Locale))
                differences.append(Hex(e.Locale) + QLatin1String(": not in the reference"));

        for (const QString& d : differences) qInfo().noquote() << d;
        QStringList expected = intended;
        expected.sort();
        differences.sort();
        QCOMPARE(differences, expected);
    }

    void englishName_data()
    {
        QTest::addColumn<int>("locale");
        QTest::addColumn<QString>("name");
        QTest::newRow("fixed en-US") << 0x0409 << "English (United States)";
        QTest::newRow("fixed without country") << 0x0411 << "Japanese";
        QTest::newRow("fixed older name") << 0x0429 << "Farsi";
        QTest::newRow("fixed, added locale") << 0x0C1A << "Serbian (Cyrillic)";
        QTest::newRow("made from abbreviation") << 0x0818 << "Romanian (ROD)";
        QTest::newRow("made, qualified language") << 0x0846 << "Punjabi (PAP)";
        QTest::newRow("neutral") << 0x0007 << "German";
        QTest::newRow("neutral keeps qualifier") << 0x0004 << "Chinese (Simplified)";
        QTest::newRow("system default") << 0x0800 << "English (United States)";
        QTest::newRow("sort bits ignored") << 0x10407 << "German (Germany)";
    }
    void englishName()
    {
        QFETCH(int, locale);
        QFETCH(QString, name);
        QCOMPARE(LocaleEnglishName(locale), name);
    }

    void namesAndCodes()
    {
        QCOMPARE(PrimaryLanguage(0x0C0A), 0x0A);
        QVERIFY(IsNeutralLocale(0x000A));
        QVERIFY(!IsNeutralLocale(0x0C0A));

        QCOMPARE(LocaleLanguageCountryCode(0x0407), QStringLiteral("de-DE"));
        QCOMPARE(LocaleCountryLanguageCode(0x0407), QStringLiteral("DE de"));
        QCOMPARE(LocaleLanguageCountryCode(0x0007), QStringLiteral("de"));
        QCOMPARE(LocaleCountryLanguageCode(0x0007), QStringLiteral("de"));
        QCOMPARE(LocaleLanguageName(0x0407), QStringLiteral("German (Germany)"));
        QCOMPARE(LocaleLanguageName(0x0007), QStringLiteral("German"));
        QCOMPARE(LocaleAbbreviation(0x0407), QStringLiteral("DEU"));
        QCOMPARE(LocaleAbbreviation(0x0007), QStringLiteral("DE"));

        // Lookups walk the grouped list: a neutral entry comes before its first locale.
        QCOMPARE(LocaleByAbbreviation(QStringLiteral("deu")), 0x0407);
        QCOMPARE(LocaleByAbbreviation(QStringLiteral("De")), 0x0007);
        QCOMPARE(LocaleByAbbreviation(QStringLiteral("xyz")), 0);
        QCOMPARE(LocaleByLanguageCountryCode(QStringLiteral("DE-de")), 0x0407);
        QCOMPARE(LocaleByLanguageCountryCode(QStringLiteral("de")), 0x0007);
        QCOMPARE(LocaleByCountryLanguageCode(QStringLiteral("at DE")), 0x0C07);
        // Japanese is spoken in one country only: no neutral entry to find.
        QCOMPARE(LocaleByLanguageCountryCode(QStringLiteral("ja")), 0);
        QCOMPARE(LocaleByLanguageCountryCode(QStringLiteral("ja-JP")), 0x0411);

        try {
            GetLocaleInfoText(0x1234, LOCALE_SENGLANGUAGE);
            QFAIL("no exception");
        } catch (const ELocalesError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Can not get locale info of the locale 4660 (0x1234): it is unknown"));
        }
        QVERIFY_THROWS_EXCEPTION(ELocalesError, GetLocaleInfoText(0x0407, 0x7777));
        QVERIFY_THROWS_EXCEPTION(ELocalesError, LocaleEnglishName(0x1234));
    }

    void codePagesAndCharsets()
    {
        QCOMPARE(LocaleCodePage(0x0419), 1251);
        QCOMPARE(LocaleCodePage(0x042B), 1252); // Armenian has no ANSI code page
        QCOMPARE(LocaleCodePage(0x1234), 1252); // unknown
        QCOMPARE(LocaleCharset(0x0419), 204);
        QCOMPARE(LocaleCharset(0x0411), 128);
        QCOMPARE(LocaleCharset(0x042B), 0);
        QCOMPARE(CharsetOfCodePage(65001), DEFAULT_CHARSET);
    }

    void rightToLeft_data()
    {
        QTest::addColumn<int>("locale");
        QTest::addColumn<bool>("rightToLeft");
        QTest::newRow("Hebrew") << 0x040D << true;
        QTest::newRow("Arabic") << 0x0401 << true;
        QTest::newRow("Farsi") << 0x0429 << true;
        QTest::newRow("Urdu") << 0x0420 << true;
        QTest::newRow("English") << 0x0409 << false;
        QTest::newRow("Japanese") << 0x0411 << false;
        QTest::newRow("Thai") << 0x041E << false;
        // Divehi is written right to left but has no ANSI code page, so the bytes say nothing.
        QTest::newRow("Divehi") << 0x0465 << false;
    }
    void rightToLeft()
    {
        QFETCH(int, locale);
        QFETCH(bool, rightToLeft);
        QCOMPARE(IsRightToLeftLocale(locale), rightToLeft);
    }

    void lists()
    {
        TLocaleList supported, grouped, other;
        GetLocaleList(supported, lkSupported);
        GetLocaleList(grouped, lkGrouped);
        GetLocaleList(other, 3);
        QVERIFY(other.isEmpty());
        QVERIFY(supported.size() > 200);
        QVERIFY(std::none_of(supported.begin(), supported.end(),
                             [](const TLocaleEntry& e) { return IsNeutralLocale(e.Locale) || e.Name.isEmpty(); }));

        QHash<int, int> perLanguage;
        for (const TLocaleEntry& e : supported) ++perLanguage[PrimaryLanguage(e.Locale)];
        const auto several = std::count_if(perLanguage.begin(), perLanguage.end(), [](int n) { return n >= 2; });
        QCOMPARE(grouped.size(), supported.size() + several);

        const auto german = std::find_if(grouped.begin(), grouped.end(),
                                         [](const TLocaleEntry& e) { return PrimaryLanguage(e.Locale) == 0x07; });
        QCOMPARE(german->Locale, 0x0007);
        QCOMPARE(german->Name, QStringLiteral("German"));
        QCOMPARE((german + 1)->Locale, 0x0407);
        QVERIFY(!InList(grouped, 0x0011));
        QVERIFY(InList(grouped, 0x0411));
    }

    void tree()
    {
        TLocaleTree tree{{QStringLiteral("stale"), 1, {}}};
        FillLocaleTree(tree);
        QVERIFY(!FindNode(tree, QStringLiteral("stale")));

        const TLocaleTreeNode* japanese = FindNode(tree, QStringLiteral("Japanese (Japan)"));
        QVERIFY(japanese);
        QCOMPARE(japanese->Locale, 0x0411);
        QVERIFY(japanese->Children.empty());

        const TLocaleTreeNode* german = FindNode(tree, QStringLiteral("German"));
        QVERIFY(german);
        QCOMPARE(german->Locale, 0x07);
        QStringList countries;
        for (const TLocaleTreeNode& child : german->Children) {
            QCOMPARE(PrimaryLanguage(child.Locale), 0x07);
            QVERIFY(child.Children.empty());
            countries.append(child.Text);
        }
        QCOMPARE(countries, QStringList({"German (Austria)", "German (Germany)", "German (Liechtenstein)",
                                         "German (Luxembourg)", "German (Switzerland)"}));

        // Sorted by language name; a language keeps children only when it has two or more.
        const auto language = [](const TLocaleTreeNode& node) {
            return node.Text.section(QLatin1Char('('), 0, 0).trimmed();
        };
        for (std::size_t i = 0; i < tree.size(); ++i) {
            QVERIFY(tree[i].Children.size() != 1);
            if (i > 0)
                QVERIFY2(LocaleCompareText(0x0409, language(tree[i - 1]), language(tree[i]), false) <= 0,
                         qPrintable(tree[i].Text));
        }
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("874") << 874 << "ภาษาไทย" << QByteArray("\xC0\xD2\xC9\xD2\xE4\xB7\xC2");
        QTest::newRow("932") << 932 << "日本語" << QByteArray("\x93\xFA\x96\x7B\x8C\xEA");
        QTest::newRow("936") << 936 << "中文" << QByteArray("\xD6\xD0\xCE\xC4");
        QTest::newRow("949") << 949 << "한국어" << QByteArray("\xC7\xD1\xB1\xB9\xBE\xEE");
        QTest::newRow("950") << 950 << "中文" << QByteArray("\xA4\xA4\xA4\xE5");
        QTest::newRow("1250") << 1250 << "Łódź" << QByteArray("\xA3\xF3\x64\x9F");
        QTest::newRow("1251") << 1251 << "Привет" << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2");
        QTest::newRow("1252") << 1252 << "Grüße €"
                              << QByteArray("Gr\xFC\xDF"
                                            "e \x80");
        QTest::newRow("1253") << 1253 << "Ελληνικά" << QByteArray("\xC5\xEB\xEB\xE7\xED\xE9\xEA\xDC");
        QTest::newRow("1254") << 1254 << "Türkçe ğ"
                              << QByteArray("T\xFCrk\xE7"
                                            "e \xF0");
        QTest::newRow("1255") << 1255 << "שלום" << QByteArray("\xF9\xEC\xE5\xED");
        QTest::newRow("1256") << 1256 << "عربي" << QByteArray("\xDA\xD1\xC8\xED");
        QTest::newRow("1257") << 1257 << "Lietuvių ą" << QByteArray("Lietuvi\xF8 \xE0");
        // 1258 holds ê and the tone marks: ế and ệ are written as letter plus combining mark
        // and read back precomposed; À is in the code page as one byte.
        QTest::newRow("1258") << 1258 << "Tiếng Việt À" << QByteArray("Ti\xEA\xECng Vi\xEA\xF2t \xC0");
        QTest::newRow("ASCII") << 932 << "plain \\ text~" << QByteArray("plain \\ text~");
        QTest::newRow("UTF-8") << 65001 << "Grüße"
                               << QByteArray("Gr\xC3\xBC\xC3\x9F"
                                             "e");
    }
    void roundTrip()
    {
        QFETCH(int, codePage);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(WideToAnsi(text, codePage), bytes);
        QCOMPARE(AnsiToWide(bytes, codePage), text);
    }

    void conversionEdges()
    {
        // Windows' code page 932: 0x5C is the backslash; the yen sign is written as 0x5C (best fit),
        // the fullwidth forms have their own codes.
        QCOMPARE(AnsiToWide("\\", 932), QStringLiteral("\\"));
        QCOMPARE(WideToAnsi(QStringLiteral("¥"), 932), QByteArray("\\"));
        QCOMPARE(AnsiToWide("\x81\x5F", 932), QStringLiteral("＼"));
        QCOMPARE(WideToAnsi(QStringLiteral("￥"), 932), QByteArray("\x81\x8F"));

        // 1258 lacks Ã (0xC3 is Ă): letter and combining tilde.
        QCOMPARE(WideToAnsi(QStringLiteral("Ã"), 1258), QByteArray("A\xDE"));
        // 1252 keeps its five unassigned bytes as C1 controls, both ways.
        QCOMPARE(AnsiToWide("\x81\x8D", 1252), QStringLiteral("\u0081\u008D"));
        QCOMPARE(WideToAnsi(QStringLiteral("\u0081"), 1252), QByteArray("\x81"));

        // Characters a code page lacks become "?"; bytes that decode to nothing U+FFFD.
        QCOMPARE(WideToAnsi(QStringLiteral("a日b"), 1252), QByteArray("a?b"));
        QCOMPARE(WideToAnsi(QStringLiteral("Привет"), 1252), QByteArray("??????"));
        QCOMPARE(AnsiToWide("\x81 ", 932), QStringLiteral("\uFFFD "));
        QCOMPARE(AnsiToWide("\x82", 932), QStringLiteral("\uFFFD")); // a lead byte at the end

        // Unknown code pages and UTF-16 (no 8-bit text) convert with the system code page.
        QCOMPARE(WideToAnsi(QStringLiteral("Grüße"), 99999), QByteArray("Gr\xFC\xDF"
                                                                        "e"));
        QCOMPARE(AnsiToWide("Gr\xFC\xDF"
                            "e",
                            99999),
                 QStringLiteral("Grüße"));
        QCOMPARE(WideToAnsi(QStringLiteral("ü"), 1200), QByteArray("\xFC"));
        QCOMPARE(WideToAnsi(QStringLiteral("ü"), 0), QByteArray("\xFC")); // CP_ACP
        QCOMPARE(WideToAnsi(QString(), 1251), QByteArray());
        QCOMPARE(AnsiToWide(QByteArray(), 1251), QString());

        QCOMPARE(LocaleWideToAnsi(QStringLiteral("Привет"), 0x0419), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2"));
        QCOMPARE(LocaleAnsiToWide("\xCF\xF0\xE8\xE2\xE5\xF2", 0x0419), QStringLiteral("Привет"));
        // A locale without an ANSI code page converts with the system code page.
        QCOMPARE(LocaleWideToAnsi(QStringLiteral("é"), 0x042B), QByteArray("\xE9"));
    }

    // What Windows writes for characters a code page lacks (its "best fit"),
    // and the bytes it reads that ICU's converters do not know; the tables
    // come from Windows' own (tools/codepages/).
    void windowsBestFit_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("1252 Māori") << 1252 << "Māori" << QByteArray("Maori");
        QTest::newRow("1252 Łódź") << 1252 << "Łódź"
                                   << QByteArray("L\xF3"
                                                 "dz");
        QTest::newRow("1252 full-width, hyphen, minus") << 1252 << "ＡＢ‐−" << QByteArray("AB--");
        QTest::newRow("1250 Māori") << 1250 << "Māori" << QByteArray("Maori");
        QTest::newRow("1251 Ł") << 1251 << "Łl" << QByteArray("Ll");
        QTest::newRow("932 yen") << 932 << "¥" << QByteArray("\\");
        QTest::newRow("932 cent") << 932 << "¢" << QByteArray("\x81\x91");
        QTest::newRow("nothing close") << 1252 << "a日b" << QByteArray("a?b");
    }
    void windowsBestFit()
    {
        QFETCH(int, codePage);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(WideToAnsi(text, codePage), bytes);
    }

    void windowsReadsEveryByte_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("1252 unassigned") << 1252 << QByteArray("\x81\x8D\x8F\x90\x9D")
                                         << QStringLiteral("\u0081\u008D\u008F\u0090\u009D");
        QTest::newRow("1253 private use") << 1253 << QByteArray("\xAA\xD2\xFF") << QStringLiteral("\uF8F9\uF8FA\uF8FB");
        QTest::newRow("1255 point and private use")
            << 1255 << QByteArray("\xCA\xD9\xFF") << QStringLiteral("\u05BA\uF88D\uF896");
        QTest::newRow("1257 private use") << 1257 << QByteArray("\xA1\xA5") << QStringLiteral("\uF8FC\uF8FD");
        QTest::newRow("932 single bytes")
            << 932 << QByteArray("\x80\xA0\xFD\xFE\xFF") << QStringLiteral("\u0080\uF8F0\uF8F1\uF8F2\uF8F3");
        // 0xA0 and 0xFD as trail bytes belong to the character before them.
        QTest::newRow("932 trail bytes") << 932 << QByteArray("\x88\xA0\x88\xFC") << QStringLiteral("\u5516\u852D");
    }
    void windowsReadsEveryByte()
    {
        QFETCH(int, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(AnsiToWide(bytes, codePage), text);
        QCOMPARE(WideToAnsi(text, codePage), bytes);
    }

    // An untranslated 8-bit string comes out byte for byte: every byte of a
    // single-byte code page reads as a character that writes back as it.
    void singleByteCodePagesRoundTripEveryByte()
    {
        for (const int codePage : {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
            for (int b = 1; b < 256; ++b) {
                const QByteArray byte(1, char(b));
                QVERIFY2(WideToAnsi(AnsiToWide(byte, codePage), codePage) == byte,
                         qPrintable(QStringLiteral("code page %1, byte 0x%2").arg(codePage).arg(b, 2, 16)));
            }
        }
    }

    void recode()
    {
        // The same code page: unchanged.
        QCOMPARE(RecodeText(QStringLiteral("Grüße"), 0x0407, 0x0409), QStringLiteral("Grüße"));
        QCOMPARE(RecodeText(QStringLiteral("Привет"), 0x0419, 0x0422), QStringLiteral("Привет"));
        // Russian bytes that were read as Western text.
        QCOMPARE(RecodeText(QString::fromLatin1("\xCF\xF0\xE8\xE2\xE5\xF2"), 0x0409, 0x0419), QStringLiteral("Привет"));
    }

    void compare()
    {
        QVERIFY(LocaleCompareText(0x0407, QStringLiteral("a"), QStringLiteral("B"), false) < 0);
        QCOMPARE(LocaleCompareText(0x0409, QStringLiteral("abc"), QStringLiteral("ABC"), true), 0);
        QVERIFY(LocaleCompareText(0x0409, QStringLiteral("abc"), QStringLiteral("ABC"), false) != 0);
        QVERIFY(LocaleCompareText(0x0409, QStringLiteral("abc"), QStringLiteral("abd"), true) < 0);
        // Swedish sorts ö after z, German with o.
        QVERIFY(LocaleCompareText(0x041D, QStringLiteral("ö"), QStringLiteral("z"), false) > 0);
        QVERIFY(LocaleCompareText(0x0407, QStringLiteral("ö"), QStringLiteral("z"), false) < 0);
        // Traditional Spanish sorts ch as a letter after c.
        QVERIFY(LocaleCompareText(0x040A, QStringLiteral("chico"), QStringLiteral("cuna"), false) > 0);
        QVERIFY(LocaleCompareText(0x0C0A, QStringLiteral("chico"), QStringLiteral("cuna"), false) < 0);
    }

    // Conversions and comparisons run on the repository's index thread as well.
    void threads()
    {
        const QString vietnamese = QStringLiteral("Tiếng Việt");
        const QString japanese = QStringLiteral("日本語のテキスト");
        std::atomic<int> failures = 0;
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&] {
                for (int i = 0; i < 2000; ++i) {
                    if (AnsiToWide(WideToAnsi(vietnamese, 1258), 1258) != vietnamese) ++failures;
                    if (AnsiToWide(WideToAnsi(japanese, 932), 932) != japanese) ++failures;
                    if (LocaleCompareText(0x041D, QStringLiteral("ö"), QStringLiteral("z"), i % 2) <= 0) ++failures;
                }
            });
        for (std::thread& t : threads) t.join();
        QCOMPARE(failures.load(), 0);
    }

    void posixLocale_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("locale");
        QTest::newRow("language and country") << "de_DE.UTF-8" << 0x0407;
        QTest::newRow("other country") << "de_AT" << 0x0C07;
        QTest::newRow("modern Spanish sort") << "es_ES.UTF-8" << 0x0C0A;
        QTest::newRow("script modifier") << "sr_RS@latin" << 0x241A;
        QTest::newRow("Cyrillic modifier") << "sr_RS.UTF-8@cyrillic" << 0x281A;
        QTest::newRow("language alone") << "pt" << 0x0416;
        QTest::newRow("Big5 Taiwan") << "zh_TW.Big5" << 0x0404;
        QTest::newRow("C") << "C" << 0x0409;
        QTest::newRow("C.UTF-8") << "C.UTF-8" << 0x0409;
        QTest::newRow("POSIX") << "POSIX" << 0x0409;
        QTest::newRow("empty") << "" << 0x0409;
        QTest::newRow("unknown") << "xx_YY" << 0x0409;
    }
    void posixLocale()
    {
        QFETCH(QString, name);
        QFETCH(int, locale);
        QCOMPARE(LangIDFromPosixLocale(name), locale);
    }
};

QTEST_GUILESS_MAIN(TestLocales)
#include "tst_locales.moc"
