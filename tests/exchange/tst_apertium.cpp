// The machine translation client with the real engine: Apertium's APy on a
// loopback port translating English to Spanish, with accelerators, format
// specifiers and decoration back in place, its pairs read from /listPairs,
// and Translate All storing drafts.

#include "core/Prompt.h"
#include "exchange/ApyTestServer.h"
#include "exchange/WebTranslator.h"
#include "langfile/LangFile.h"
#include "langfile/LangFileProject.h"
#include "repository/ProjectItems.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kEnglish = 0x0409, kSpanish = 0x0C0A, kGerman = 0x0407;

} // namespace

class TestApertium : public QObject {
    Q_OBJECT

    std::unique_ptr<TApyTestServer> FApy;

    TWebTranslatorOptions Options() const
    {
        TWebTranslatorOptions o;
        o.Provider = mpApertium;
        o.Host = FApy->Host();
        return o;
    }

private Q_SLOTS:
    void initTestCase() { FApy = std::make_unique<TApyTestServer>(); }
    void cleanupTestCase() { FApy.reset(); }

    void translate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("start"); // the translation starts and ends as the text
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("inside"); // and keeps this
        QTest::newRow("accelerator and dots") << "&Open file..."
                                              << "&"
                                              << "..."
                                              << "";
        QTest::newRow("specifier inside") << "Found %d files"
                                          << ""
                                          << ""
                                          << "%d";
        QTest::newRow("specifier at the end") << "Save the changes to %s?"
                                              << ""
                                              << "%s?"
                                              << "";
        QTest::newRow("colon") << "File name:"
                               << ""
                               << ":"
                               << "";
        QTest::newRow("two lines") << "Open the file\nClose the window"
                                   << ""
                                   << ""
                                   << "\r\n";
    }
    void translate()
    {
        REQUIRE_APY(*FApy);
        QFETCH(QString, text);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, inside);
        TWebTranslator translator(Options());
        const TWebTranslation r = translator.WebTranslate(text, kEnglish, kSpanish);
        QCOMPARE(r.ErrorText, QString());
        const QString& t = r.ResultText;
        QVERIFY2(t != text && !t.isEmpty(), qPrintable(t));
        QVERIFY2(t.startsWith(start) && t.endsWith(end) && t.contains(inside), qPrintable(t));
        QVERIFY2(!t.contains(QLatin1String("[[[")) && !t.contains(QLatin1Char('*')), qPrintable(t));
        // The engine knows these words: no English left in them.
        QVERIFY2(!t.contains(QLatin1String("file")) && !t.contains(QLatin1String("Open")), qPrintable(t));
    }

    void pairs()
    {
        REQUIRE_APY(*FApy);
        TWebTranslator translator(Options());
        QVERIFY2(translator.Languages().contains(QStringLiteral("eng|spa")),
                 qPrintable(translator.Languages().join(' ')));
        QCOMPARE(translator.CheckServes(kEnglish, kSpanish), QString());
        QCOMPARE(translator.CheckServes(kEnglish, kGerman),
                 QStringLiteral("Apertium does not translate from English (United States) to German (Germany)"));
        // A pair the server lacks, asked all the same: its refusal in its own words.
        try {
            translator.WebTranslate(QStringLiteral("Open"), kEnglish, kGerman);
            QFAIL("no error");
        } catch (const EWebTranslateError& e) {
            QCOMPARE(e.Message(), QStringLiteral("HTTP/1.1 400 Bad Request: That pair is not installed"));
        }
    }

    void translateAllDrafts()
    {
        REQUIRE_APY(*FApy);
        QTemporaryDir dir;
        TLocStorage s;
        s.SetMainLangID(kEnglish);
        TLocUnit* unit = s.Units().Add("Strings");
        const QStringList texts{"&Open file...", "Cannot find %s", "Close the window"};
        for (int i = 0; i < texts.size(); ++i) {
            TLocConstant* c = unit->Constants().Add(-1, QStringLiteral("S%1").arg(i), 1000 + i);
            c->MainValue()->SetValue(texts[i]);
            c->MainValue()->SetValueVersion(1);
        }
        for (const auto& [name, column] : {std::pair{"mt.ntv.lng", 0}, std::pair{"mt.spa.lng", -1}}) {
            TLangFile f(dir.filePath(QLatin1String(name)), false);
            const int c = column < 0 ? s.AddLanguage(0, kSpanish) : column;
            f.SetLocale(c == 0 ? kEnglish : kSpanish);
            f.SetIsNative(c == 0);
            f.Save(&s, c, false);
        }
        TLangFileProject project;
        project.Open(dir.filePath("mt.ntv.lng"), false, false);
        project.OpenLanguage(dir.filePath("mt.spa.lng"), false);
        TWebTranslator translator(Options());
        TRecordingPrompt prompt;
        const TWebTranslateAllResult r = WebTranslateAll(project, 1, translator, prompt);
        QCOMPARE(r.Changed, 3);
        QCOMPARE(r.Failed, 0);
        QCOMPARE(prompt.Log.first(), QStringLiteral("Progress: Translating by Apertium (3)"));
        QStringList drafts;
        ForEachConstant(project, [&](TLocItem& item) {
            QVERIFY(!item.IsTranslated(1));
            QVERIFY(IsMachineDraft(item.Values().Items(1)->FuzzyScore()));
            drafts << item.Values().Items(1)->Value();
        });
        QCOMPARE(drafts.size(), 3);
        QVERIFY2(drafts[0].startsWith(QLatin1Char('&')) && drafts[1].endsWith(QLatin1String("%s")),
                 qPrintable(drafts.join(" | ")));
    }
};

QTEST_GUILESS_MAIN(TestApertium)
#include "tst_apertium.moc"
