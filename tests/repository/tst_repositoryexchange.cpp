// The repository in exchange files: the XML table and TMX written and read,
// files of other tools, unsafe XML, the string formats of the XML table.

#include "TestSupport.h"

#include "core/Prompt.h"
#include "exchange/Exchange.h"
#include "repository/LangRepository.h"
#include "repository/RepositoryExchange.h"
#include "repository/RepositoryFlows.h"

#include <QDate>
#include <QtTest>

namespace {

constexpr int kEnglish = 0x0409, kGerman = 0x0407, kFrench = 0x040C, kGermanAustria = 0x0C07;

QByteArray ReadAll(const QString& File)
{
    QFile f(File);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

using namespace RepositoryTest;

class TstRepositoryExchange : public QObject, TRepositoryFixture {
    Q_OBJECT

    // Imports File into R with silent questions; the prompt's log is returned.
    QStringList Import(TQLangRepository& R, const QString& File, bool* Completed = nullptr,
                       QList<TMsgResult> Answers = {})
    {
        TRecordingPrompt prompt;
        prompt.Answers = Answers;
        TSilentRepositoryPrompt ask;
        TRepositoryOptions options;
        options.AddTheSame = true;
        TRepositoryFlows flows(R, options, prompt, ask);
        const bool done = ImportRepositoryFile(flows, File, prompt);
        if (Completed) *Completed = done;
        return prompt.Log;
    }
    QString Export(TQLangRepository& R, bool Tmx, int Base, const QList<int>& Others,
                   TRepStringsFormat Format = sfCStyle)
    {
        TRecordingPrompt prompt;
        TRepExportOptions o;
        o.FileName = FDir.filePath(QStringLiteral("out%1.%2").arg(++FCount).arg(Tmx ? "tmx" : "xml"));
        o.BaseLocale = Base;
        o.Locales = Others;
        o.Format = Format;
        Tmx ? ExportToTMX(R, o, prompt) : ExportToXML(R, o, prompt);
        return o.FileName;
    }
    static QByteArray Tmx(const QByteArray& Body)
    {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?><tmx version=\"1.4\"><header creationtool=\"x\" "
               "segtype=\"sentence\" srclang=\"en-US\" datatype=\"plaintext\" o-tmf=\"x\" adminlang=\"en\" "
               "creationtoolversion=\"1\"/><body>" +
               Body + "</body></tmx>";
    }

private Q_SLOTS:
    void tmxExportBaseFirstAndEmptyBaseLeftOut()
    {
        auto r = NewRepository({kEnglish, kGerman, kFrench});
        Add(*r, {{kEnglish, "Open"}, {kGerman, "Öffnen"}, {kFrench, "Ouvrir"}});
        Add(*r, {{kGerman, "Nur Deutsch"}});
        Add(*r, {{kEnglish, "A & <b>\r\nline"}, {kFrench, "Fr\x07"}});
        const QString file = Export(*r, true, kEnglish, {kFrench, kGerman});
        const QByteArray data = ReadAll(file);
        QVERIFY(data.startsWith("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                                "<!DOCTYPE tmx SYSTEM \"tmx14.dtd\">\r\n<tmx version=\"1.4\">\r\n<header "));
        for (const char* attr :
             {"creationtool=\"Oxvel Vocabrix - Phrase Desk\"", "creationtoolversion=\"", "segtype=\"sentence\"",
              "o-tmf=\"", "adminlang=\"", "srclang=\"en-US\"", "datatype=\"plaintext\""})
            QVERIFY2(data.contains(attr), attr);
        QVERIFY(data.contains("<tu><tuv xml:lang=\"en-US\"><seg>Open</seg></tuv><tuv xml:lang=\"fr-FR\"><seg>Ouvrir"
                              "</seg></tuv><tuv xml:lang=\"de-DE\"><seg>Öffnen</seg></tuv></tu>"));
        QVERIFY(!data.contains("Nur Deutsch"));
        QVERIFY(
            data.contains("<seg>A &amp; &lt;b&gt;\r\nline</seg></tuv><tuv xml:lang=\"fr-FR\"><seg>Fr</seg></tuv></tu>"
                          "</body></tmx>"));
        QCOMPARE(data.count("<tu>"), 2);
    }

    void xmlTableExport()
    {
        auto r = NewRepository({kEnglish, kGerman, kGermanAustria});
        Add(*r, {{kGerman, "Nur \"Deutsch\""}, {kGermanAustria, "it's\ta"}});
        const QDate d = QDate::currentDate();
        const QByteArray head =
            "\xEF\xBB\xBF" + QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?><TTABLE><HEAD>"
                                            "<BASE-LOCALE>US en</BASE-LOCALE><TARGET-LOCALE>DE de</TARGET-LOCALE>"
                                            "<TARGET-LOCALE>AT de</TARGET-LOCALE><REVISION>1.0</REVISION>"
                                            "<DATE FMT=\"y.m.d\">%1.%2.%3</DATE><AUTHOR>")
                                 .arg(d.year())
                                 .arg(d.month())
                                 .arg(d.day())
                                 .toUtf8();
        QByteArray data = ReadAll(Export(*r, false, kEnglish, {kGerman, kGermanAustria}));
        QVERIFY2(data.startsWith(head), data.constData());
        QVERIFY(data.contains("</AUTHOR></HEAD><PACKAGE><STRING><ORIGINAL>\"\"</ORIGINAL><TRANSLATION>\"Nur "
                              "\\\"Deutsch\\\"\"</TRANSLATION><TRANSLATION>\"it's\\ta\"</TRANSLATION></STRING>"
                              "</PACKAGE></TTABLE>"));
        QVERIFY(!data.contains('\n'));
        data = ReadAll(Export(*r, false, kEnglish, {kGerman, kGermanAustria}, sfDelphi));
        QVERIFY(data.contains("<ORIGINAL>''</ORIGINAL><TRANSLATION>'Nur \"Deutsch\"'</TRANSLATION>"
                              "<TRANSLATION>'it'#39's'#9'a'</TRANSLATION>"));
    }

    void stringFormats_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("c");
        QTest::addColumn<QString>("delphi");
        QTest::newRow("plain") << "abc"
                               << "\"abc\""
                               << "'abc'";
        QTest::newRow("empty") << ""
                               << "\"\""
                               << "''";
        QTest::newRow("quote") << "it's"
                               << "\"it's\""
                               << "'it'#39's'";
        QTest::newRow("only quotes") << "''"
                                     << "\"''\""
                                     << "#39#39";
        QTest::newRow("controls") << "a\r\nb\x01\x1f"
                                  << "\"a\\r\\nb\\x01\\x1F\""
                                  << "'a'#13#10'b'#1#31";
        QTest::newRow("backslash") << "\\\""
                                   << "\"\\\\\\\"\""
                                   << "'\\\"'";
    }
    void stringFormats()
    {
        QFETCH(QString, text);
        QFETCH(QString, c);
        QFETCH(QString, delphi);
        QCOMPARE(EncodeCString(text), c);
        QCOMPARE(EncodeDelphiString(text), delphi);
        QCOMPARE(DecodeCString(c), text);
        QCOMPARE(DecodeDelphiString(delphi), text);
    }

    void delphiDecoding_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("result"); // the text or the error
        QTest::newRow("hex and doubled quote") << "'a''b'#$41 #66"
                                               << "a'bAB";
        QTest::newRow("not a string") << "abc"
                                      << "Dfn-string expected!";
        QTest::newRow("open quote") << "'abc"
                                    << "Trailing quote missing!";
        QTest::newRow("bare hash") << "'a'#"
                                   << "Hash without trailing number!";
        QTest::newRow("hash dollar") << "#$x"
                                     << "Hash without trailing number!";
        QTest::newRow("junk") << "'a'x'b'"
                              << "dfn-syntax error: x'b'";
    }
    void delphiDecoding()
    {
        QFETCH(QString, input);
        QFETCH(QString, result);
        QString got;
        try {
            got = DecodeDelphiString(input);
        } catch (const ERepExchangeError& e) {
            got = e.Message();
        }
        QCOMPARE(got, result);
    }

    void tmxIntoEmptyRepository()
    {
        auto r = NewRepository({});
        const QString file = WriteFile("two.tmx", Tmx("<tu><tuv xml:lang=\"en-US\"><seg>One</seg></tuv>"
                                                      "<tuv xml:lang=\"de-DE\"><seg>Eins</seg></tuv></tu>"
                                                      "<tu><tuv xml:lang=\"en-US\"><seg>Two\nlines</seg></tuv>"
                                                      "<tuv xml:lang=\"de-DE\"><seg>Zwei\nZeilen</seg></tuv></tu>"));
        bool done = false;
        const QStringList log = Import(*r, file, &done);
        QVERIFY(done);
        QCOMPARE(log.first(), QStringLiteral("Progress: Importing repository from XML/TMX file... (2)"));
        QCOMPARE(r->RepLocales(), (QList<int>{kEnglish, kGerman}));
        QCOMPARE(Records(*r), (QStringList{"One|Eins", "Two\r\nlines|Zwei\r\nZeilen"}));
    }

    // Files as other tools write them.
    void tmxOfOtherTools()
    {
        auto r = NewRepository({});
        const QByteArray body =
            "<tu tuid=\"7\" creationdate=\"20200101T000000Z\"><prop type=\"x-note\">p</prop><note>n</note>"
            "<tuv lang=\"EN-us\"><prop type=\"a\">b</prop><seg>Press <bpt i=\"1\">&lt;b&gt;</bpt>OK<ept i=\"1\">"
            "&lt;/b&gt;</ept> <ph>{0}</ph><hi>now</hi></seg></tuv>"
            "<tuv xml:lang=\"fr-fr\"><seg>Appuyez<it pos=\"begin\">x</it></seg></tuv></tu>";
        const QString utf16 = QString::fromUtf8(Tmx(body)).replace("encoding=\"utf-8\"", "encoding=\"UTF-16\"");
        QByteArray data("\xFF\xFE");
        data.append(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2);
        bool done = false;
        Import(*r, WriteFile("other.tmx", data), &done);
        QVERIFY(done);
        QCOMPARE(r->RepLocales(), (QList<int>{kEnglish, kFrench}));
        QCOMPARE(Records(*r), QStringList{"Press <b>OK</b> {0}now|Appuyezx"});
    }

    void tmxUnknownLocales()
    {
        const QByteArray later = "<tu><tuv xml:lang=\"en-US\"><seg>A</seg></tuv><tuv xml:lang=\"xx-YY\"><seg>B</seg>"
                                 "</tuv><tuv xml:lang=\"de-DE\"><seg>C</seg></tuv></tu>";
        // OK ignores the language for the rest of the file.
        auto r = NewRepository({});
        bool done = false;
        QStringList log = Import(*r, WriteFile("u1.tmx", Tmx(later + later)), &done, {mrOk});
        QVERIFY(done);
        QCOMPARE(log.filter("not supported").size(), 1);
        QVERIFY(log.contains("Confirmation: Error during import. Locale <xx-YY> is not supported by your system.\n"
                             "Click OK to ignore the locale or Cancel to stop importing"));
        QCOMPARE(Records(*r), QStringList{"A|C"});
        // Cancel stops; an unknown native language is an error.
        r = NewRepository({});
        Import(*r, WriteFile("u2.tmx", Tmx(later)), &done, {mrCancel});
        QVERIFY(!done);
        QCOMPARE(Records(*r), QStringList());
        log = Import(*r, WriteFile("u3.tmx", Tmx("<tu><tuv xml:lang=\"xx-YY\"><seg>A</seg></tuv></tu>")), &done);
        QVERIFY(!done);
        QVERIFY(log.contains("Error: Error during import. The native locale <xx-YY> is not supported by your system."));
    }

    void xmlTableImport()
    {
        auto r = NewRepository({});
        const QByteArray file =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><TTABLE><HEAD><BASE-LOCALE>US en</BASE-LOCALE>"
            "<TARGET-LOCALE>DE de</TARGET-LOCALE><TARGET-LOCALE>AT de</TARGET-LOCALE></HEAD>"
            "<PACKAGE><STRING><ORIGINAL>\"Line\\none\"</ORIGINAL><TRANSLATION>\"Zeile\\neins\"</TRANSLATION>"
            "<TRANSLATION>'Zeile'#13#10'at'</TRANSLATION></STRING></PACKAGE>"
            "<PACKAGE><NOTE/><STRING><ORIGINAL>'skipped'</ORIGINAL></STRING></PACKAGE>"
            "<PACKAGE><STRING><ORIGINAL>'bad</ORIGINAL><TRANSLATION>'x'</TRANSLATION></STRING></PACKAGE>"
            "<PACKAGE><STRING><ORIGINAL>'never'</ORIGINAL><TRANSLATION>'nie'</TRANSLATION></STRING></PACKAGE>"
            "</TTABLE>";
        bool done = true;
        const QStringList log = Import(*r, WriteFile("t.xml", file), &done);
        QVERIFY(!done);
        QVERIFY(
            log.contains("Error: Error during import. The line\n< 'bad >\ncould not be imported. Process aborted."));
        QCOMPARE(r->RepLocales(), (QList<int>{kEnglish, kGerman, kGermanAustria}));
        QCOMPARE(Records(*r), QStringList{"Line\r\none|Zeile\r\neins|Zeile\r\nat"});

        const QStringList none =
            Import(*r, WriteFile("n.xml", "<TTABLE><HEAD><REVISION>1.0</REVISION></HEAD></TTABLE>"), &done);
        QVERIFY(!done);
        QVERIFY(none.contains("Error: There are no locales to import."));
    }

    void roundTrip()
    {
        auto r = NewRepository({kEnglish, kGerman, kFrench});
        Add(*r, {{kEnglish, "Open"}, {kGerman, "Öffnen"}, {kFrench, "Ouvrir"}});
        Add(*r, {{kEnglish, "Two\r\nlines & <more>"}, {kFrench, "Deux"}});
        Add(*r, {{kEnglish, "Save"}, {kGerman, "Speichern"}});
        const QString first = Export(*r, true, kEnglish, {kGerman, kFrench});
        auto copy = NewRepository({});
        bool done = false;
        Import(*copy, first, &done);
        QVERIFY(done);
        const QString second = Export(*copy, true, kEnglish, {kGerman, kFrench});
        QCOMPARE(ReadAll(second), ReadAll(first));

        // The XML table in both string formats comes back the same.
        for (TRepStringsFormat format : {sfCStyle, sfDelphi}) {
            auto again = NewRepository({});
            Import(*again, Export(*r, false, kEnglish, {kGerman, kFrench}, format), &done);
            QVERIFY(done);
            QCOMPARE(Records(*again), Records(*r));
        }
    }

    void unsafeOrBrokenFilesAddNothing_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("external entity") << QByteArray(
            "<?xml version=\"1.0\"?><!DOCTYPE tmx [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
            "<tmx version=\"1.4\"><body><tu><tuv xml:lang=\"en-US\"><seg>a</seg></tuv><tuv xml:lang=\"de-DE\">"
            "<seg>&x;</seg></tuv></tu></body></tmx>");
        QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE tmx [<!ENTITY l0 \"ha\">";
        for (int i = 1; i < 10; ++i)
            laughs +=
                QStringLiteral("<!ENTITY l%1 \"%2\">").arg(i).arg(QString("&l%1;").arg(i - 1).repeated(10)).toUtf8();
        laughs += "]><tmx version=\"1.4\"><body><tu><tuv xml:lang=\"en-US\"><seg>a</seg></tuv>"
                  "<tuv xml:lang=\"de-DE\"><seg>&l9;</seg></tuv></tu></body></tmx>";
        QTest::newRow("billion laughs") << laughs;
        QTest::newRow("truncated") << Tmx("<tu><tuv xml:lang=\"en-US\"><seg>a</seg></tuv>").left(200);
        QTest::newRow("no body") << QByteArray("<tmx version=\"1.4\"><header/></tmx>");
        QTest::newRow("no head") << QByteArray("<TTABLE><PACKAGE/></TTABLE>");
    }
    void unsafeOrBrokenFilesAddNothing()
    {
        QFETCH(QByteArray, data);
        auto r = NewRepository({});
        const QString file = WriteFile("bad.xml", data);
        QVERIFY_THROWS_EXCEPTION(EExchangeError, Import(*r, file));
        QCOMPARE(r->RepLocales(), QList<int>());
        QCOMPARE(r->RecordCount(), 0);
    }

    void cancelledExportWritesWhatWasProduced()
    {
        auto r = NewRepository({kEnglish, kGerman});
        Add(*r, {{kEnglish, "One"}, {kGerman, "Eins"}});
        Add(*r, {{kEnglish, "Two"}, {kGerman, "Zwei"}});
        r->First();
        r->Next();
        const qint32 current = r->Bookmark();
        TRecordingPrompt prompt;
        prompt.CancelProgress = true;
        TRepExportOptions o;
        o.FileName = FDir.filePath("cancelled.tmx");
        o.BaseLocale = kEnglish;
        o.Locales = {kGerman};
        QVERIFY(!ExportToTMX(*r, o, prompt));
        QVERIFY(prompt.Log.contains("Information: Export has been terminated by user"));
        QCOMPARE(r->Bookmark(), current);
        const QByteArray data = ReadAll(o.FileName);
        QVERIFY(data.contains("One") && !data.contains("Two") && data.endsWith("</body></tmx>"));

        // A cancelled import keeps what was added.
        auto copy = NewRepository({});
        TRecordingPrompt stop;
        stop.CancelProgress = true;
        TSilentRepositoryPrompt ask;
        TRepositoryFlows flows(*copy, TRepositoryOptions(), stop, ask);
        QVERIFY(!ImportRepositoryFile(flows, Export(*r, true, kEnglish, {kGerman}), stop));
        QVERIFY(stop.Log.contains("Information: Import has been terminated by user"));
        QCOMPARE(Records(*copy), QStringList{"One|Eins"});
    }
};

QTEST_GUILESS_MAIN(TstRepositoryExchange)
#include "tst_repositoryexchange.moc"
