// The web translation client against a loopback HTTPS server: the request's
// form, core and decoration, line splitting, the length rule, the lower-case
// retry, JSON decoding, the status rules, timeout, cancel, certificates and
// the host setting; Translate All over a project.

#include "core/Prompt.h"
#include "exchange/WebTestServer.h"
#include "exchange/WebTranslator.h"
#include "langfile/EditorProjectFixture.h"
#include "langfile/LangFile.h"
#include "langfile/LangFileProject.h"
#include "repository/ProjectItems.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kEnglish = 0x0409, kGerman = 0x0407;

QJsonObject Text(const QString& T) { return QJsonObject{{"text", T}}; }

} // namespace

class TestWebTranslator : public QObject {
    Q_OBJECT

    std::unique_ptr<TWebTestServer> FServer;

    TWebTranslatorOptions Options(int TimeoutMs = 10000) const
    {
        TWebTranslatorOptions o;
        o.Key = QStringLiteral("KEY-123_abc");
        o.Host = FServer->Host();
        o.TimeoutMs = TimeoutMs;
        return o;
    }

private Q_SLOTS:
    void initTestCase()
    {
        FServer = std::make_unique<TWebTestServer>();
        QVERIFY2(FServer->Ok(), FServer->Error().constData());
        FServer->Trust();
    }
    void cleanupTestCase() { FServer.reset(); }
    void init() { FServer->ClearLog(); }

    void queryEncoding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("kept") << "azAZ*-./:=?@_" << QByteArray("azAZ*-./:=?@_");
        QTest::newRow("digits and spaces")
            << "Found [[[d 10 files" << QByteArray("Found%20%5B%5B%5Bd%20%31%30%20files");
        QTest::newRow("query characters") << "a&b+c#d%e" << QByteArray("a%26b%2Bc%23d%25e");
        QTest::newRow("UTF-8") << QString::fromUtf8("é€") << QByteArray("%C3%A9%E2%82%AC");
    }
    void queryEncoding()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, encoded);
        QCOMPARE(WebQueryEncode(text), encoded);
    }

    // What is sent for a text and what comes back, by the server's script.
    void translate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QJsonObject>("script");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("queries");

        QTest::newRow("core and decoration") << "&Open file..." << QJsonObject{{"Open file", Text("Datei öffnen")}}
                                             << QString::fromUtf8("&Datei öffnen...") << QStringList{"Open file"};
        QTest::newRow("& inside the core") << "Save &As" << QJsonObject{} << "T(Save As)" << QStringList{"Save As"};
        QTest::newRow("format specifier")
            << "Found %d files" << QJsonObject{{"Found [[[d files", Text("[[[d Dateien gefunden")}}
            << "%d Dateien gefunden" << QStringList{"Found [[[d files"};
        QTest::newRow("two lines") << "One\r\nTwo" << QJsonObject{} << "T(One)\r\nT(Two)" << QStringList{"One", "Two"};
        QTest::newRow("LF and CR lines, empty kept")
            << "One\n\nTwo\rThree" << QJsonObject{} << "T(One)\r\n\r\nT(Two)\r\nT(Three)"
            << QStringList{"One", "Two", "Three"};
        QTest::newRow("2000 characters") << QString(2000, QLatin1Char('a')) << QJsonObject{}
                                         << QString(2000, QLatin1Char('a')) << QStringList{};
        QTest::newRow("1800 characters") << QString(1800, QLatin1Char('a')) << QJsonObject{}
                                         << "T(" + QString(1800, QLatin1Char('a')) + ")"
                                         << QStringList{QString(1800, QLatin1Char('a'))};
        QTest::newRow("empty") << "" << QJsonObject{} << "" << QStringList{};
        QTest::newRow("escaped quote") << "Say" << QJsonObject{{"Say", Text("Sag \"Hallo\"")}} << "Sag \"Hallo\""
                                       << QStringList{"Say"};
        QTest::newRow("escaped é and line feed")
            << "Cafe" << QJsonObject{{"Cafe", Text(QString::fromUtf8("Caf\u00e9\nBar"))}}
            << QString::fromUtf8("Caf\u00e9\nBar") << QStringList{"Cafe"};
        QTest::newRow("lower-case retry") << "Open" << QJsonObject{{"Open", Text("Open")}, {"open", Text("Öffnen")}}
                                          << QString::fromUtf8("Öffnen") << QStringList{"Open", "open"};
        QTest::newRow("retry without a better answer")
            << "Delphi" << QJsonObject{{"Delphi", Text("Delphi")}, {"delphi", Text("delphi")}} << "Delphi"
            << QStringList{"Delphi", "delphi"};
        QTest::newRow("no retry in lower case")
            << "open" << QJsonObject{{"open", Text("open")}} << "open" << QStringList{"open"};
    }
    void translate()
    {
        QFETCH(QString, text);
        QFETCH(QJsonObject, script);
        QFETCH(QString, result);
        QFETCH(QStringList, queries);
        FServer->SetScript(script);
        TWebTranslator translator(Options());
        const TWebTranslation r = translator.WebTranslate(text, kEnglish, kGerman);
        QCOMPARE(r.ErrorText, QString());
        QCOMPARE(r.ResultText, result);
        QCOMPARE(FServer->Queries(), queries);
    }

    void requestForm()
    {
        FServer->SetScript({});
        TWebTranslatorOptions o = Options();
        o.Key = QStringLiteral("a&b c");
        TWebTranslator translator(o);
        QCOMPARE(translator.WebTranslate(QStringLiteral("Found %d files"), kEnglish, 0x040C).ResultText,
                 QStringLiteral("T(Found %d files)"));
        const QStringList requests = FServer->Requests();
        QCOMPARE(requests.size(), 1);
        const QStringList parts = requests[0].split(QLatin1Char('\t'));
        QCOMPARE(parts.size(), 3);
        // Keys in order; digits reach the wire as themselves (Qt's URLs normalise
        // percent-encoded letters and digits, which RFC 3986 holds equal).
        QCOMPARE(parts[0],
                 QStringLiteral("/language/translate/v2?key=a%26b%20c&format=text&q=Found%20%5B%5B%5Bd%20files"
                                "&source=en&target=fr"));
        QVERIFY(parts[1].startsWith(QLatin1String("PhraseDesk/")));
        QVERIFY(!parts[2].isEmpty());
    }

    void statusRules()
    {
        FServer->SetScript({{"Refused", QJsonObject{{"status", 403}, {"reason", "Forbidden"}}},
                            {"Accepted", QJsonObject{{"status", 202}, {"reason", "Accepted"}}},
                            {"Garbage", QJsonObject{{"body", "<html>translatedText\": \"x\"</html>"}}},
                            {"Empty", QJsonObject{{"body", "{\"data\":{\"translations\":[]}}"}}},
                            {"Moved", QJsonObject{{"status", 302},
                                                  {"reason", "Found"},
                                                  {"headers", QJsonObject{{"Location", "https://" + FServer->Host() +
                                                                                           "/elsewhere?q=Stolen"}}}}}});
        TWebTranslator translator(Options());
        // 400 and above end the run: the second line is never asked.
        try {
            translator.WebTranslate(QStringLiteral("Refused\r\nLater"), kEnglish, kGerman);
            QFAIL("no error");
        } catch (const EWebTranslateError& e) {
            QCOMPARE(e.Message(), QStringLiteral("HTTP/1.1 403 Forbidden"));
        }
        QCOMPARE(FServer->Queries(), QStringList{"Refused"});
        // Another status is an error text, as is an answer that is not the JSON.
        FServer->ClearLog();
        TWebTranslation r = translator.WebTranslate(QStringLiteral("Accepted\r\nLater"), kEnglish, kGerman);
        QCOMPARE(r.ErrorText, QStringLiteral("HTTP/1.1 202 Accepted"));
        QCOMPARE(r.ResultText, QString());
        QCOMPARE(FServer->Queries(), QStringList{"Accepted"});
        for (const char* q : {"Garbage", "Empty"}) {
            r = translator.WebTranslate(QLatin1String(q), kEnglish, kGerman);
            QVERIFY(!r.ErrorText.isEmpty());
            QCOMPARE(r.ResultText, QString());
        }
        // A redirect is not followed: the key goes nowhere else.
        FServer->ClearLog();
        r = translator.WebTranslate(QStringLiteral("Moved"), kEnglish, kGerman);
        QCOMPARE(r.ErrorText, QStringLiteral("HTTP/1.1 302 Found"));
        QCOMPARE(FServer->Queries(), QStringList{"Moved"});
    }

    void timeoutAndCancel()
    {
        FServer->SetScript({{"Hang", QJsonObject{{"hang", true}}}});
        TWebTranslator translator(Options(300));
        QVERIFY_THROWS_EXCEPTION(EWebTranslateError,
                                 translator.WebTranslate(QStringLiteral("Hang"), kEnglish, kGerman));
        try {
            translator.WebTranslate(QStringLiteral("Hang"), kEnglish, kGerman);
        } catch (const EWebTranslateError& e) {
            QVERIFY2(e.Message().contains(QLatin1String("did not answer")), qPrintable(e.Message()));
        }
        // Cancel answers while the request hangs; the timeout would be much later.
        TWebTranslator patient(Options(60000));
        int asked = 0;
        patient.SetCancelCheck([&] { return ++asked >= 3; });
        const TWebTranslation r = patient.WebTranslate(QStringLiteral("Hang"), kEnglish, kGerman);
        QVERIFY(r.Cancelled);
        QCOMPARE(r.ResultText, QString());
        // The client goes on with the next request after both.
        QCOMPARE(patient.WebTranslate(QStringLiteral("Next"), kEnglish, kGerman).ResultText, QStringLiteral("T(Next)"));
    }

    void certificates()
    {
        // A trusted certificate for another name, and a server nobody trusts.
        TWebTestServer other(QStringLiteral("other.example"));
        QVERIFY2(other.Ok(), other.Error().constData());
        other.Trust();
        TWebTranslatorOptions o = Options();
        o.Host = other.Host();
        TWebTranslator wrongName(o);
        try {
            wrongName.WebTranslate(QStringLiteral("Open"), kEnglish, kGerman);
            QFAIL("a certificate for another name was accepted");
        } catch (const EWebTranslateError& e) {
            QVERIFY2(!e.Message().contains(o.Key), qPrintable(e.Message()));
        }
        QCOMPARE(other.Queries(), QStringList{});
    }

    void hostSetting_data()
    {
        QTest::addColumn<QString>("host");
        QTest::newRow("empty") << "";
        QTest::newRow("path") << "example.com/steal";
        QTest::newRow("user") << "me@example.com";
        QTest::newRow("query") << "example.com?x=1";
        QTest::newRow("fragment") << "example.com#x";
    }
    void hostSetting()
    {
        QFETCH(QString, host);
        TWebTranslatorOptions o = Options();
        o.Host = host;
        QVERIFY_THROWS_EXCEPTION(EWebTranslateError, TWebTranslator{o});
    }

    void translateAll()
    {
        QTemporaryDir dir;
        fixture::MakeEditorProject(dir.path());
        TLangFileProject project;
        project.Open(dir.filePath("app.ntv.lng"), false, false);
        project.OpenLanguage(dir.filePath("app.deu.lng"), false);
        TLocItem* about = project.FindProperty("AboutForm", "", "Caption");
        TLocItem* hint = project.FindProperty("MainForm", "btnOpen", "Hint");
        QVERIFY(about && hint);
        about->Values().Items(1)->SetAttribute(vaVerified, true);
        const auto value = [&](TLocItem* item) { return item->Values().Items(1)->Value(); };

        FServer->SetScript({});
        TWebTranslator translator(Options());
        TRecordingPrompt prompt;
        const TWebTranslateAllResult r = WebTranslateAll(project, 1, translator, prompt);
        QVERIFY(!r.Cancelled);
        QCOMPARE(prompt.Log, (QStringList{QStringLiteral("Progress: Translating by Google (17)"), "Progress end"}));
        // Verified, untranslatable, translated, non-textual and empty values are not asked.
        QCOMPARE(FServer->Queries(), (QStringList{"Open", "Cancel", "Yes", "No", "Press F"}));
        QCOMPARE(r.Changed, 5);
        QCOMPARE(value(about), QStringLiteral("About"));
        QCOMPARE(value(hint), QStringLiteral("T(Open)"));
        QVERIFY(hint->IsTranslated(1));
        TLocItem* tip = nullptr;
        ForEachExtItem(project, [&](TLocItem& item) {
            if (!tip) tip = &item;
        });
        QCOMPARE(value(tip), QStringLiteral("T(Press F)1"));
        QCOMPARE(tip->Values().Items(1)->ValueVersion(), tip->MainValue()->ValueVersion());
        QVERIFY(project.LangFiles()[1]->Modified());

        // Cancel during the run: what was done stays, and the user is told.
        FServer->ClearLog();
        project.LangFiles()[1]->SetModified(false);
        hint->Values().Items(1)->SetValueVersion(0);
        prompt.Log.clear();
        prompt.CancelProgress = true;
        const TWebTranslateAllResult cancelled = WebTranslateAll(project, 1, translator, prompt);
        QVERIFY(cancelled.Cancelled);
        QCOMPARE(prompt.Log.last(), QStringLiteral("Information: Translation has been terminated by user"));
        QCOMPARE(FServer->Queries(), QStringList{});
    }
};

QTEST_GUILESS_MAIN(TestWebTranslator)
#include "tst_webtranslator.moc"
