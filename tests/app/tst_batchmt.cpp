// "-mt:" as a build script runs it: the real program fills a new Spanish
// language of the sample with drafts from the real Apertium engine, and with
// a key given for the run from a loopback LibreTranslate stand-in; an
// unreachable engine, a missing pair and an unknown engine fail the run
// before any file changes.

#include "exchange/ApyTestServer.h"
#include "exchange/BatchMachineTranslation.h"
#include "exchange/WebTestServer.h"
#include "exchange/WebTranslator.h"
#include "langfile/LangFileProject.h"
#include "platform/Settings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString PhraseDeskBinary() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../phrasedesk"); }

struct TRun {
    int Code = -1;
    QString Out, Err;
};

QByteArray ReadAll(const QString& File)
{
    QFile f(File);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The format specifiers of a text, in order.
QStringList Specifiers(const QString& Text)
{
    static const QRegularExpression specifier(QStringLiteral("%[-0-9.:]*[a-zA-Z]"));
    QStringList out;
    for (auto it = specifier.globalMatch(Text); it.hasNext();) out << it.next().captured();
    return out;
}

} // namespace

class TstBatchMt : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    std::unique_ptr<TApyTestServer> FApy;
    int FRuns = 0;

    // A copy of the sample project in a folder of its own.
    QString NewSample()
    {
        const QString dir = FDir.filePath(QStringLiteral("run%1").arg(++FRuns));
        QDir().mkpath(dir);
        for (const char* f : {"Notes.ntv.lng", "Notes.deu.lng"})
            QFile::copy(QStringLiteral(SHARED_EXAMPLES_DIR "/") + QLatin1String(f), QDir(dir).filePath(f));
        return dir;
    }
    // The program with settings of its own, which must stay without a key.
    TRun Run(const QString& Dir, const QStringList& Args)
    {
        QProcess p;
        p.setWorkingDirectory(Dir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QLatin1String(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), FDir.filePath("config"));
        p.setProcessEnvironment(env);
        p.start(PhraseDeskBinary(), Args);
        TRun r;
        if (!p.waitForFinished(300000)) return r;
        r.Code = p.exitCode();
        r.Out = QString::fromUtf8(p.readAllStandardOutput());
        r.Err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // This process writes the settings the program's runs read.
        qputenv("XDG_CONFIG_HOME", FDir.filePath("config").toLocal8Bit());
        FApy = std::make_unique<TApyTestServer>();
    }
    void cleanupTestCase() { FApy.reset(); }

    void draftsFromApertium()
    {
        REQUIRE_APY(*FApy);
        const QString dir = NewSample();
        const TRun r =
            Run(dir, {"-create:esp", "-mt:esp", "-mtprovider:apertium", "-mthost:" + FApy->Host(), "Notes.ntv.lng"});
        QVERIFY2(!r.Err.contains(QLatin1String("Error")), qPrintable(r.Err)); // -create: reports on stderr
        QCOMPARE(r.Code, 0);
        const QRegularExpressionMatch m = QRegularExpression("^esp: ([1-9][0-9]*) drafted, 0 failed\n$").match(r.Out);
        QVERIFY2(m.hasMatch(), qPrintable(r.Out));

        {
            // Closed before the next run, which must be able to write the file.
            TLangFileProject project;
            project.Open(QDir(dir).filePath("Notes.ntv.lng"), false, true);
            project.OpenLanguage(QDir(dir).filePath("Notes.esp.lng"), true);
            int drafts = 0;
            project.ForEachItem([&](TLocItem* item) {
                const TLocValue* v = item->Values().Items(1);
                if (!IsMachineDraft(v->FuzzyScore())) return;
                ++drafts;
                QVERIFY(!item->IsTranslated(1));
                const QString native = item->MainValue()->Value();
                // Accelerators of a leading "&" and specifiers come back in place.
                if (native.startsWith(QLatin1Char('&')))
                    QVERIFY2(v->Value().startsWith(QLatin1Char('&')), qPrintable(v->Value()));
                QCOMPARE(Specifiers(v->Value()), Specifiers(native));
            });
            QCOMPARE(QString::number(drafts), m.captured(1));
        }

        // Drafts wait for a reviewer: a second run asks nothing.
        const TRun again = Run(dir, {"-mt:esp", "-mtprovider:apertium", "-mthost:" + FApy->Host(), "Notes.ntv.lng"});
        QCOMPARE(again.Out, QStringLiteral("esp: 0 drafted, 0 failed\n"));
    }

    // A key given for the run goes to the engine and nowhere else.
    void keyForTheRun()
    {
        TWebTestServer libre(QStringLiteral("localhost"), TWebTestServer::PlainHttp);
        QVERIFY2(libre.Ok(), libre.Error().constData());
        const QString dir = NewSample();
        const TRun r = Run(dir, {"-mt:deu", "-mtprovider:LibreTranslate", "-mthost:http://" + libre.Host(),
                                 "-mtkey:SECRET-42", "Notes.ntv.lng"});
        QCOMPARE(r.Err, QString());
        QCOMPARE(r.Code, 0);
        QVERIFY2(QRegularExpression("^deu: [1-9][0-9]* drafted, 0 failed\n$").match(r.Out).hasMatch(),
                 qPrintable(r.Out));
        const QList<QJsonObject> requests = libre.Details();
        QVERIFY(requests.size() > 1);
        QCOMPARE(requests[0]["path"].toString(), QStringLiteral("/languages"));
        QVERIFY(requests[1]["body"].toString().contains(QLatin1String("\"api_key\":\"SECRET-42\"")));
        for (QDirIterator it(FDir.filePath("config"), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            QVERIFY2(!ReadAll(it.next()).contains("SECRET-42"), qPrintable(it.filePath()));
    }

    // Without switches the settings name the engine and its host.
    void engineOfTheSettings()
    {
        TWebTestServer libre(QStringLiteral("localhost"), TWebTestServer::PlainHttp);
        QVERIFY2(libre.Ok(), libre.Error().constData());
        {
            TSettingsKey key;
            key.WriteString(MtProviderSetting, QStringLiteral("LibreTranslate"));
            key.WriteString(MtHostSetting(mpLibreTranslate), "http://" + libre.Host());
            // Should the engine setting be missed, no public service is asked.
            key.WriteString(MtHostSetting(mpGoogle), QStringLiteral("127.0.0.1:1"));
            QVERIFY(key.Flush());
        }
        const TRun r = Run(NewSample(), {"-mt:deu", "Notes.ntv.lng"});
        {
            TSettingsKey key;
            key.DeleteValue(MtProviderSetting);
            key.DeleteValue(MtHostSetting(mpLibreTranslate));
            key.DeleteValue(MtHostSetting(mpGoogle));
            key.Flush();
        }
        QCOMPARE(r.Err, QString());
        QVERIFY2(QRegularExpression("^deu: [1-9][0-9]* drafted, 0 failed\n$").match(r.Out).hasMatch(),
                 qPrintable(r.Out));
        QVERIFY(libre.Details().size() > 1);
    }

    // Nothing is changed when the engine cannot do the whole run.
    void failures_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("error");
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        const QString refused = QStringLiteral("-mthost:127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        QTest::newRow("unreachable") << QStringList{"-mt:deu", "-mtprovider:apertium", refused} << 1
                                     << "The web translation service could not be reached: ";
        QTest::newRow("unknown engine") << QStringList{"-mt:deu", "-mtprovider:babel"} << 2
                                        << "Unknown machine translation engine \"babel\" (known: Google, Apertium, "
                                           "DeepL, LibreTranslate)";
        QTest::newRow("pair missing") << QStringList{"-mt:deu", "-mtprovider:apertium", "-mthost:APY"} << 1
                                      << "Apertium does not translate from English (United States) to German (Germany)";
    }
    void failures()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, error);
        if (args.contains(QStringLiteral("-mthost:APY"))) {
            REQUIRE_APY(*FApy);
            args.replace(args.indexOf(QStringLiteral("-mthost:APY")), "-mthost:" + FApy->Host());
        }
        const QString dir = NewSample();
        const QByteArray before = ReadAll(QDir(dir).filePath("Notes.deu.lng"));
        const TRun r = Run(dir, args << QStringLiteral("Notes.ntv.lng"));
        QCOMPARE(r.Code, code);
        QVERIFY2(r.Err.contains(error), qPrintable(r.Err));
        QCOMPARE(r.Out, QString());
        QCOMPARE(ReadAll(QDir(dir).filePath("Notes.deu.lng")), before);
    }
};

QTEST_GUILESS_MAIN(TstBatchMt)
#include "tst_batchmt.moc"
