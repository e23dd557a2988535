// The machine translation client against a loopback server: the request's
// form, core and decoration, line splitting, the length rule, the lower-case
// retry, JSON decoding, the status rules, timeout, cancel, certificates and
// the host setting; each provider's requests, answers, errors and language
// lists; Translate All over a project, as drafts or as translations.

#include "core/Prompt.h"
#include "exchange/WebTestServer.h"
#include "exchange/WebTranslator.h"
#include "langfile/EditorProjectFixture.h"
#include "langfile/LangFile.h"
#include "langfile/LangFileProject.h"
#include "repository/ProjectItems.h"
#include "storage/Locales.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kEnglish = 0x0409, kGerman = 0x0407, kSpanish = 0x0C0A;

QJsonObject Text(const QString& T) { return QJsonObject{{"text", T}}; }

void OpenGerman(TLangFileProject& Project, const QTemporaryDir& Dir)
{
    Project.Open(Dir.filePath("app.ntv.lng"), false, false);
    Project.OpenLanguage(Dir.filePath("app.deu.lng"), false);
}

template <class F> QString ErrorOf(F f)
{
    try {
        f();
    } catch (const EWebTranslateError& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

} // namespace

class TestWebTranslator : public QObject {
    Q_OBJECT

    std::unique_ptr<TWebTestServer> FServer;

    std::unique_ptr<TWebTestServer> FPlainServer; // Apertium's APy speaks plain HTTP

    TWebTranslatorOptions Options(int TimeoutMs = 10000, TMtProviderKind Provider = mpGoogle) const
    {
        TWebTranslatorOptions o;
        o.Provider = Provider;
        o.Key = Provider == mpApertium ? QString() : QStringLiteral("KEY-123_abc");
        o.Host = Provider == mpApertium ? FPlainServer->Host() : FServer->Host();
        o.TimeoutMs = TimeoutMs;
        return o;
    }
    TWebTestServer& ServerOf(TMtProviderKind Provider) { return Provider == mpApertium ? *FPlainServer : *FServer; }

private Q_SLOTS:
    void initTestCase()
    {
        FServer = std::make_unique<TWebTestServer>();
        QVERIFY2(FServer->Ok(), FServer->Error().constData());
        FServer->Trust();
        FPlainServer = std::make_unique<TWebTestServer>(QStringLiteral("localhost"), TWebTestServer::PlainHttp);
        QVERIFY2(FPlainServer->Ok(), FPlainServer->Error().constData());
    }
    void cleanupTestCase()
    {
        FServer.reset();
        FPlainServer.reset();
    }
    void init()
    {
        FServer->ClearLog();
        FPlainServer->ClearLog();
    }

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
        QTest::newRow("key over plain HTTP") << "http://example.com";
    }
    void hostSetting()
    {
        QFETCH(QString, host);
        TWebTranslatorOptions o = Options();
        o.Host = host;
        QVERIFY_THROWS_EXCEPTION(EWebTranslateError, TWebTranslator{o});
    }

    // Each engine's request for one text, as its published interface has it.
    void providerRequests_data()
    {
        QTest::addColumn<int>("provider");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("authorization");
        QTest::addColumn<QString>("body");
        QTest::newRow("Google") << int(mpGoogle) << "GET"
                                << "/language/translate/v2?key=KEY-123_abc&format=text&q=Found%20%5B%5B%5Bd%20files"
                                   "&source=en&target=de"
                                << ""
                                << "";
        QTest::newRow("Apertium") << int(mpApertium) << "GET"
                                  << "/translate?langpair=eng%7Cdeu&q=Found%20%5B%5B%5Bd%20files&markUnknown=no"
                                  << ""
                                  << "";
        QTest::newRow("DeepL") << int(mpDeepL) << "POST"
                               << "/v2/translate"
                               << "DeepL-Auth-Key KEY-123_abc"
                               << "text=Found%20%5B%5B%5Bd%20files&source_lang=EN&target_lang=DE";
        QTest::newRow("LibreTranslate") << int(mpLibreTranslate) << "POST"
                                        << "/translate"
                                        << ""
                                        << "{\"api_key\":\"KEY-123_abc\",\"format\":\"text\",\"q\":\"Found [[[d "
                                           "files\",\"source\":\"en\",\"target\":\"de\"}";
    }
    void providerRequests()
    {
        QFETCH(int, provider);
        QFETCH(QString, method);
        QFETCH(QString, path);
        QFETCH(QString, authorization);
        QFETCH(QString, body);
        const auto kind = TMtProviderKind(provider);
        TWebTestServer& server = ServerOf(kind);
        server.SetScript({{"Found [[[d files", Text("[[[d Dateien \u00e9")}});
        TWebTranslator translator(Options(10000, kind));
        const TWebTranslation r = translator.WebTranslate(QStringLiteral("Found %d files"), kEnglish, kGerman);
        QCOMPARE(r.ErrorText, QString());
        QCOMPARE(r.ResultText, QString::fromUtf8("%d Dateien \u00e9"));
        const QList<QJsonObject> requests = server.Details();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0]["method"].toString(), method);
        QCOMPARE(requests[0]["path"].toString(), path);
        QCOMPARE(requests[0]["authorization"].toString(), authorization);
        const QString sent = requests[0]["body"].toString();
        if (kind == mpLibreTranslate) // key order is the encoder's business
            QCOMPARE(QJsonDocument::fromJson(sent.toUtf8()), QJsonDocument::fromJson(body.toUtf8()));
        else
            QCOMPARE(sent, body);
    }

    // A line longer than an engine takes stays as it is, unasked.
    void providerLengthLimits()
    {
        const QString line(3000, QLatin1Char('a'));
        for (const auto& [kind, sent] : {std::pair{mpGoogle, false}, std::pair{mpApertium, false},
                                         std::pair{mpDeepL, true}, std::pair{mpLibreTranslate, true}}) {
            ServerOf(kind).SetScript({});
            ServerOf(kind).ClearLog();
            TWebTranslator translator(Options(10000, kind));
            QCOMPARE(translator.WebTranslate(line, kEnglish, kGerman).ResultText, sent ? "T(" + line + ")" : line);
            QCOMPARE(ServerOf(kind).Queries().size(), sent ? 1 : 0);
        }
    }

    // Refusals end the run with the status line and the engine's own words;
    // an answer that is not the engine's JSON leaves the text untranslated.
    void providerErrors_data()
    {
        QTest::addColumn<int>("provider");
        QTest::addColumn<QJsonObject>("rule");
        QTest::addColumn<QString>("error");     // thrown
        QTest::addColumn<QString>("errorText"); // returned
        const auto refusal = [](int Status, const char* Reason, const char* Body) {
            return QJsonObject{{"status", Status}, {"reason", Reason}, {"body", Body}};
        };
        QTest::newRow("Google 403") << int(mpGoogle)
                                    << refusal(403, "Forbidden",
                                               "{\"error\": {\"code\": 403, \"message\": \"Bad key\"}}")
                                    << "HTTP/1.1 403 Forbidden: Bad key"
                                    << "";
        QTest::newRow("Apertium 400") << int(mpApertium)
                                      << refusal(400, "Bad Request",
                                                 "{\"status\": \"error\", \"code\": 400, \"message\": \"Bad Request\","
                                                 " \"explanation\": \"That pair is not installed\"}")
                                      << "HTTP/1.1 400 Bad Request: That pair is not installed"
                                      << "";
        QTest::newRow("DeepL 456") << int(mpDeepL)
                                   << refusal(456, "Quota Exceeded", "{\"message\": \"Quota exceeded\"}")
                                   << "HTTP/1.1 456 Quota Exceeded: Quota exceeded"
                                   << "";
        QTest::newRow("LibreTranslate 500")
            << int(mpLibreTranslate) << refusal(500, "Internal Server Error", "{\"error\": \"Model crashed\"}")
            << "HTTP/1.1 500 Internal Server Error: Model crashed"
            << "";
        QTest::newRow("5xx without JSON") << int(mpDeepL) << refusal(503, "Service Unavailable", "<html>busy</html>")
                                          << "HTTP/1.1 503 Service Unavailable"
                                          << "";
        for (const auto& [kind, name] : {std::pair{mpApertium, "Apertium"}, std::pair{mpDeepL, "DeepL"},
                                         std::pair{mpLibreTranslate, "LibreTranslate"}}) {
            QTest::addRow("%s malformed JSON", name)
                << int(kind) << QJsonObject{{"body", "{\"translatedText\": \"x\""}} << ""
                << QStringLiteral("%1 gave an answer without a translation").arg(QLatin1String(name));
            QTest::addRow("%s another engine's JSON", name)
                << int(kind) << QJsonObject{{"body", "{\"data\": {\"translations\": [{\"translatedText\": \"x\"}]}}"}}
                << "" << QStringLiteral("%1 gave an answer without a translation").arg(QLatin1String(name));
        }
    }
    void providerErrors()
    {
        QFETCH(int, provider);
        QFETCH(QJsonObject, rule);
        QFETCH(QString, error);
        QFETCH(QString, errorText);
        const auto kind = TMtProviderKind(provider);
        ServerOf(kind).SetScript({{"Open", rule}});
        TWebTranslator translator(Options(10000, kind));
        TWebTranslation r;
        QCOMPARE(ErrorOf([&] { r = translator.WebTranslate(QStringLiteral("Open\r\nLater"), kEnglish, kGerman); }),
                 error.isEmpty() ? QStringLiteral("(no error)") : error);
        QCOMPARE(r.ErrorText, errorText);
        QCOMPARE(r.ResultText, QString());
        QCOMPARE(ServerOf(kind).Queries(), QStringList{"Open"}); // the second line is never asked
    }

    // A refused connection and an engine that never answers end the run.
    void providerUnreachable()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString host = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        for (int i = 0; i < kMtProviderCount; ++i) {
            TWebTranslatorOptions o = Options(10000, TMtProviderKind(i));
            o.Host = host;
            TWebTranslator translator(o);
            const QString message =
                ErrorOf([&] { translator.WebTranslate(QStringLiteral("Open"), kEnglish, kGerman); });
            QVERIFY2(message.startsWith(QLatin1String("The web translation service could not be reached: ")),
                     qPrintable(message));
            QVERIFY2(!message.contains(QLatin1String("KEY-123")), qPrintable(message));
        }
        FServer->SetScript({{"Hang", QJsonObject{{"hang", true}}}});
        TWebTranslator deepl(Options(300, mpDeepL));
        QVERIFY(ErrorOf([&] {
                    deepl.WebTranslate(QStringLiteral("Hang"), kEnglish, kGerman);
                }).contains(QLatin1String("did not answer")));
    }

    void languageCodes_data()
    {
        QTest::addColumn<int>("provider");
        QTest::addColumn<int>("locale");
        QTest::addColumn<bool>("target");
        QTest::addColumn<QString>("code");
        QTest::newRow("Google German") << int(mpGoogle) << kGerman << true << "de";
        QTest::newRow("Apertium English") << int(mpApertium) << kEnglish << false << "eng";
        QTest::newRow("Apertium Spanish") << int(mpApertium) << kSpanish << true << "spa";
        QTest::newRow("Apertium Bokmal") << int(mpApertium) << 0x0414 << true << "nob";
        QTest::newRow("Apertium Catalan") << int(mpApertium) << 0x0403 << true << "cat";
        QTest::newRow("DeepL source English") << int(mpDeepL) << 0x0809 << false << "EN";
        QTest::newRow("DeepL target British") << int(mpDeepL) << 0x0809 << true << "EN-GB";
        QTest::newRow("DeepL target American") << int(mpDeepL) << kEnglish << true << "EN-US";
        QTest::newRow("DeepL target Brazilian") << int(mpDeepL) << 0x0416 << true << "PT-BR";
        QTest::newRow("DeepL target Portuguese") << int(mpDeepL) << 0x0816 << true << "PT-PT";
        QTest::newRow("LibreTranslate Spanish") << int(mpLibreTranslate) << kSpanish << true << "es";
    }
    void languageCodes()
    {
        QFETCH(int, provider);
        QFETCH(int, locale);
        QFETCH(bool, target);
        QFETCH(QString, code);
        QCOMPARE(MtProvider(TMtProviderKind(provider)).LanguageCode(locale, target), code);
    }

    // The engine's languages, asked once per client; a direction it lacks is named.
    void languages_data()
    {
        QTest::addColumn<int>("provider");
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<int>("served");   // a target it has
        QTest::addColumn<int>("unserved"); // one it lacks
        QTest::newRow("Google") << int(mpGoogle) << QStringList{"en", "de", "fr"} << kGerman << kSpanish;
        QTest::newRow("Apertium") << int(mpApertium) << QStringList{"eng|spa", "spa|eng"} << kSpanish << kGerman;
        QTest::newRow("DeepL") << int(mpDeepL) << QStringList{"DE", "EN-US", "ES"} << kGerman << 0x040C;
        QTest::newRow("LibreTranslate") << int(mpLibreTranslate) << QStringList{"en", "de"} << kGerman << 0x040C;
    }
    void languages()
    {
        QFETCH(int, provider);
        QFETCH(QStringList, languages);
        QFETCH(int, served);
        QFETCH(int, unserved);
        const auto kind = TMtProviderKind(provider);
        ServerOf(kind).SetScript({});
        TWebTranslator translator(Options(10000, kind));
        QCOMPARE(translator.Languages(), languages);
        QCOMPARE(translator.CheckServes(kEnglish, served), QString());
        QCOMPARE(translator.CheckServes(kEnglish, unserved),
                 QStringLiteral("%1 does not translate from English (United States) to %2")
                     .arg(MtProvider(kind).Name(), LocaleEnglishName(unserved)));
        QCOMPARE(ServerOf(kind).Queries(), QStringList{"@languages"});

        // A list that is not the engine's JSON, and a refusal.
        ServerOf(kind).SetScript({{"@languages", QJsonObject{{"body", "[{\"no\": 1}]"}}}});
        TWebTranslator garbage(Options(10000, kind));
        QCOMPARE(ErrorOf([&] { garbage.Languages(); }),
                 QStringLiteral("%1 gave no list of languages").arg(MtProvider(kind).Name()));
        ServerOf(kind).SetScript({{"@languages", QJsonObject{{"status", 401}, {"reason", "Unauthorized"}}}});
        TWebTranslator refused(Options(10000, kind));
        QCOMPARE(ErrorOf([&] { refused.Languages(); }), QStringLiteral("HTTP/1.1 401 Unauthorized"));
    }

    void providerNames()
    {
        QCOMPARE(MtProviderNames(), (QStringList{"Google", "Apertium", "DeepL", "LibreTranslate"}));
        QCOMPARE(MtProviderByName(QStringLiteral(" apertium")), std::optional(mpApertium));
        QCOMPARE(MtProviderByName(QStringLiteral("Bing")), std::nullopt);
        // Free DeepL keys have a host of their own.
        QCOMPARE(MtProvider(mpDeepL).DefaultHost(QStringLiteral("abc:fx")), QStringLiteral("api-free.deepl.com"));
        QCOMPARE(MtProvider(mpDeepL).DefaultHost(QStringLiteral("abc")), QStringLiteral("api.deepl.com"));
    }

    void translateAll()
    {
        QTemporaryDir dir;
        fixture::MakeEditorProject(dir.path());
        TLangFileProject project;
        OpenGerman(project, dir);
        TLocItem* about = project.FindProperty("AboutForm", "", "Caption");
        TLocItem* hint = project.FindProperty("MainForm", "btnOpen", "Hint");
        QVERIFY(about && hint);
        about->Values().Items(1)->SetAttribute(vaVerified, true);
        const auto value = [&](TLocItem* item) { return item->Values().Items(1)->Value(); };

        FServer->SetScript({});
        TWebTranslator translator(Options());
        TRecordingPrompt prompt;
        const TWebTranslateAllResult r = WebTranslateAll(project, 1, translator, prompt, msTranslated);
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

    // By default machine output is a draft: stored and marked, still untranslated.
    void translateAllDrafts()
    {
        QTemporaryDir dir;
        fixture::MakeEditorProject(dir.path());
        TLangFileProject project;
        OpenGerman(project, dir);
        TLocItem* hint = project.FindProperty("MainForm", "btnOpen", "Hint");
        QVERIFY(hint);

        FServer->SetScript({{"Yes", QJsonObject{{"status", 202}, {"reason", "Accepted"}}}});
        TWebTranslator translator(Options());
        TRecordingPrompt prompt;
        const TWebTranslateAllResult r = WebTranslateAll(project, 1, translator, prompt);
        QCOMPARE(r.Changed, 5); // the About caption, not verified here, too
        QCOMPARE(r.Failed, 1);
        const TLocValue* value = hint->Values().Items(1);
        QCOMPARE(value->Value(), QStringLiteral("T(Open)"));
        QVERIFY(!hint->IsTranslated(1));
        QVERIFY(IsMachineDraft(value->FuzzyScore()));
        QVERIFY(project.LangFiles()[1]->Modified());

        // The mark survives saving, and a draft is not asked again.
        project.SaveLanguage(1);
        TLangFileProject reopened;
        OpenGerman(reopened, dir);
        QVERIFY(IsMachineDraft(reopened.FindProperty("MainForm", "btnOpen", "Hint")->Values().Items(1)->FuzzyScore()));
        FServer->ClearLog();
        FServer->SetScript({});
        QCOMPARE(WebTranslateAll(reopened, 1, translator, prompt).Changed, 1);
        QCOMPARE(FServer->Queries(), QStringList{"Yes"});
    }
};

QTEST_GUILESS_MAIN(TestWebTranslator)
#include "tst_webtranslator.moc"
