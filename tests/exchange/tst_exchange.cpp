// Export and import of one language: the text format's quoting, the choice
// of items, the XML and XLIFF documents, matching by identifiers and names,
// the imports' rules, unsafe XML, and round trips of the sample project.

#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "exchange/Exchange.h"
#include "exchange/SourceImports.h"
#include "exchange/TextFormat.h"
#include "exchange/XmlFormat.h"
#include "langfile/EditorProjectFixture.h"
#include "langfile/LangCreation.h"
#include "langfile/LangFileProject.h"
#include "storage/Locales.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

QByteArray ReadAll(const QString& FileName)
{
    QFile f(FileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& FileName, const QByteArray& Data)
{
    QFile f(FileName);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(Data);
}

QString Example(const char* Name) { return QStringLiteral(SHARED_EXAMPLES_DIR "/") + QLatin1String(Name); }

bool WellFormed(const QByteArray& Data)
{
    QXmlStreamReader r(Data);
    while (!r.atEnd()) r.readNext();
    return !r.hasError();
}

// The fixture project with German open (column 1).
struct TProject {
    QTemporaryDir Dir;
    TLangFileProject P;
    TProject()
    {
        fixture::MakeEditorProject(Dir.path());
        P.Open(Dir.filePath("app.ntv.lng"), false, false);
        P.OpenLanguage(Dir.filePath("app.deu.lng"), false);
    }
    QString Path(const char* Name) const { return Dir.filePath(QLatin1String(Name)); }
    TLocItem* Prop(const char* Form, const char* Comp, const char* Prop) const
    {
        return P.FindProperty(Form, Comp, Prop);
    }
    QString Value(const TLocItem* Item, int Lang = 1) const { return Item->Values().Items(Lang)->Value(); }
};

} // namespace

class TstExchange : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quoting_data();
    void quoting();
    void badQuoting();
    void textEncodings_data();
    void textEncodings();
    void textLines();
    void untranslatableChoice();
    void xmlEscaping();
    void importRules();
    void importByNames();
    void nativeImportCreatesItems();
    void languageFileImport();
    void tmxImport();
    void xliffDocuments();
    void xliffFromOtherTools();
    void unsafeXml_data();
    void unsafeXml();
    void cancelledExport();
    void roundTrips_data();
    void roundTrips();
};

void TstExchange::quoting_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("readBack"); // when reading gives another text than the value

    QTest::newRow("plain") << "Save"
                           << ","
                           << "\"Save\"" << QString();
    QTest::newRow("empty value") << ""
                                 << ","
                                 << "" << QString();
    QTest::newRow("two lines, tab") << "Line 1\r\nLine 2"
                                    << "\t"
                                    << "\"Line 1\"\t\"Line 2\"" << QString();
    QTest::newRow("two lines, comma") << "Line 1\r\nLine 2"
                                      << ","
                                      << "\"Line 1\",\"Line 2\"" << QString();
    QTest::newRow("LF and CR break") << "a\nb\rc"
                                     << ","
                                     << "\"a\",\"b\",\"c\""
                                     << "a\r\nb\r\nc";
    QTest::newRow("empty line inside") << "a\r\n\r\nb"
                                       << ","
                                       << "\"a\",\"\",\"b\"" << QString();
    QTest::newRow("trailing line break") << "a\r\n"
                                         << ","
                                         << "\"a\",\"\"" << QString();
    QTest::newRow("quote doubled") << "Say \"hi\""
                                   << ","
                                   << "\"Say \"\"hi\"\"\"" << QString();
    QTest::newRow("only a quote") << "\""
                                  << ","
                                  << "\"\"\"\"" << QString();
    QTest::newRow("ends with tab") << "Name\t"
                                   << ","
                                   << "\"Name\"#9" << QString();
    QTest::newRow("starts with tab") << "\tx"
                                     << "\t"
                                     << "\"\"#9\"x\"" << QString();
    QTest::newRow("control run") << "a\x01\x02\x1F"
                                    "b"
                                 << ","
                                 << "\"a\"#1#2#31\"b\"" << QString();
    QTest::newRow("only controls") << "\x07\x07"
                                   << ","
                                   << "\"\"#7#7" << QString();
    QTest::newRow("delimiters inside") << "a,b\tc"
                                       << ","
                                       << "\"a,b\"#9\"c\"" << QString();
    QTest::newRow("hash and colon") << "#1: \"x\""
                                    << "\t"
                                    << "\"#1: \"\"x\"\"\"" << QString();
    QTest::newRow("non-ASCII") << QStringLiteral("Größe ✓") << "," << QStringLiteral("\"Größe ✓\"") << QString();
}

void TstExchange::quoting()
{
    QFETCH(QString, value);
    QFETCH(QString, delimiter);
    QFETCH(QString, written);
    QFETCH(QString, readBack);
    const QChar d = delimiter[0];
    QCOMPARE(exchange::QuoteValue(value, d), written);
    QCOMPARE(exchange::UnquoteValue(written, d), readBack.isNull() ? value : readBack);
}

void TstExchange::badQuoting()
{
    for (const char* text : {"\"open", "bare", "\"a\",", "\"a\"#x", "\"a\" \"b\"", "\"a\"#99999"})
        QVERIFY_THROWS_EXCEPTION(EExchangeError, exchange::UnquoteValue(QString::fromLatin1(text), QLatin1Char(',')));
}

void TstExchange::textEncodings_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("ANSI, comma") << 0 << "Comma" << QByteArray(";Format:");
    QTest::newRow("Unicode, TAB") << 1 << "TAB" << QByteArray("\xFF\xFE;\0", 4);
    QTest::newRow("UTF-8, comma") << 2 << "comma" << QByteArray("\xEF\xBB\xBF;Format:");
    QTest::newRow("UTF-8, other word means tab") << 2 << "Semicolon" << QByteArray("\xEF\xBB\xBF;Format:");
}

void TstExchange::textEncodings()
{
    QFETCH(int, encoding);
    QFETCH(QString, delimiter);
    QFETCH(QByteArray, start);
    TProject t;
    TLocItem* caption = t.Prop("MainForm", "", "Caption");
    const QString tricky = QStringLiteral("Ä \"q\",\tend\r\nzweite Zeile\r\n\r\n#9\x01");
    caption->Values().Items(1)->SetValue(tricky);
    TExportOptions o;
    o.Encoding = encoding;
    o.Delimiter = delimiter;
    o.IncludeStringID = true;
    QVERIFY(ExportLanguage(t.P, 1, t.Path("de.txt"), ekText, o, {}, nullptr));
    const QByteArray data = ReadAll(t.Path("de.txt"));
    QVERIFY2(data.startsWith(start), data.left(20).toHex().constData());
    if (encoding == 0) QVERIFY(data.contains("\xC4 "));

    caption->Values().Items(1)->SetValue("x");
    t.Prop("MainForm", "btnSave", "Caption")->Values().Items(1)->SetValue("y");
    QVERIFY(ImportLanguage(t.P, 1, t.Path("de.txt"), ikText, {}, {}, nullptr));
    QCOMPARE(t.Value(caption), tricky);
    QCOMPARE(t.Value(t.Prop("MainForm", "btnSave", "Caption")), QStringLiteral("Speichern"));
}

void TstExchange::textLines()
{
    TProject t;
    TExportOptions o;
    o.IncludeStringID = true;
    QVERIFY(ExportLanguage(t.P, 1, t.Path("de.txt"), ekText, o, {}, nullptr));
    const QStringList lines = QString::fromUtf8(ReadAll(t.Path("de.txt")).mid(3)).split("\r\n");
    QCOMPARE(lines.first(), ";Format:Numbers,PropNames;Delimiter:Comma");
    const TLocItem* save = t.Prop("MainForm", "btnSave", "Caption");
    QVERIFY(lines.contains(QStringLiteral("%1:MainForm.btnSave.Caption:\"Speichern\"").arg(save->ID())));
    QVERIFY(lines.contains(";Constants:StringIDs"));
    const TLocConstant* files = t.P.FindConstant("Strings", "SFiles");
    QVERIFY(lines.contains(QStringLiteral("%1:100:Strings.SFiles:\"Dateien\"").arg(files->ID())));
    QVERIFY(lines.contains(";External"));
    QCOMPARE(lines.last(), QString()); // the file ends with CR LF
    // Untranslatable items are left out by default.
    QVERIFY(!lines.join('\n').contains("lblVersion"));

    // Names only: the file offers no identifiers.
    o.IncludeID = false;
    QVERIFY(ExportLanguage(t.P, 1, t.Path("names.txt"), ekText, o, {}, nullptr));
    const TImportPreview preview = PreviewImport(t.P, 1, t.Path("names.txt"), ikText);
    QVERIFY(!preview.HasIDs);
    QVERIFY(preview.HasNames);
    QCOMPARE(preview.Forms, QStringList({"AboutForm", "MainForm"}));
    QCOMPARE(preview.Units, QStringList({"RC", "Strings"}));
    QCOMPARE(preview.Groups, QStringList({"Help"}));
    // Constant lines with string identifiers read back by name.
    t.P.FindConstant("Strings", "SFiles")->Values().Items(1)->SetValue("x");
    QVERIFY(ImportLanguage(t.P, 1, t.Path("names.txt"), ikText, {}, {}, nullptr));
    QCOMPARE(t.Value(files), QStringLiteral("Dateien"));

    // Neither identifiers nor names: refused.
    WriteAll(t.Path("bad.txt"), ";Format:;Delimiter:Comma\r\n");
    QVERIFY_THROWS_EXCEPTION(EExchangeError, PreviewImport(t.P, 1, t.Path("bad.txt"), ikText));
}

void TstExchange::untranslatableChoice()
{
    TProject t;
    TExportOptions o;
    o.Translated = false;
    o.Untranslatable = true;
    QVERIFY(ExportLanguage(t.P, 1, t.Path("de.txt"), ekText, o, {}, nullptr));
    QVERIFY(ExportLanguage(t.P, 1, t.Path("de.xml"), ekXml, o, {}, nullptr));
    // lblVersion is untranslatable and translated in German.
    QVERIFY(!ReadAll(t.Path("de.txt")).contains("lblVersion"));
    QVERIFY(ReadAll(t.Path("de.xml")).contains("<component name=\"lblVersion\"><prop name=\"Caption\""));
    // Untranslated only: the translated Save caption is left out.
    QVERIFY(!ReadAll(t.Path("de.txt")).contains("Speichern"));
    QVERIFY(ReadAll(t.Path("de.txt")).contains("\"Press F1\""));
}

void TstExchange::xmlEscaping()
{
    TProject t;
    TLocItem* caption = t.Prop("MainForm", "", "Caption");
    caption->Values().Items(1)->SetValue("A & B\r\n<x> \"q\" \\ \x01");
    // Names that would break an unescaped attribute.
    t.P.Forms().FindByName("AboutForm")->Components().Items(0)->SetName("a\"<&>'b");
    t.P.AddExternalItem(-1, "G\"1", "I<&>")->MainValue()->SetValue("v");
    TExportOptions o;
    o.IncludeStringID = true;
    QVERIFY(ExportLanguage(t.P, 1, t.Path("de.xml"), ekXml, o, {}, nullptr));
    const QByteArray data = ReadAll(t.Path("de.xml"));
    QVERIFY(
        data.startsWith("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><langfile><head><locale>1031</locale>"));
    QVERIFY(data.endsWith("</external></langfile>\r\n"));
    QVERIFY(!data.left(data.size() - 2).contains('\n'));
    QVERIFY(data.contains(">A &amp; B\\r\\n&lt;x&gt; \"q\" \\\\ \\x01</prop>"));
    QVERIFY(data.contains("<format><id/><name/><stringid/></format>"));
    QVERIFY(data.contains("stringid=\"100\""));
    QVERIFY(WellFormed(data));

    caption->Values().Items(1)->SetValue("x");
    QVERIFY(ImportLanguage(t.P, 1, t.Path("de.xml"), ikXml, {}, {}, nullptr));
    QCOMPARE(t.Value(caption), "A & B\r\n<x> \"q\" \\ \x01");

    // A value enclosed in quotes keeps them.
    caption->Values().Items(1)->SetValue("\"quoted\"");
    QVERIFY(ExportLanguage(t.P, 1, t.Path("q.xml"), ekXml, o, {}, nullptr));
    caption->Values().Items(1)->SetValue("x");
    QVERIFY(ImportLanguage(t.P, 1, t.Path("q.xml"), ikXml, {}, {}, nullptr));
    QCOMPARE(t.Value(caption), "\"quoted\"");
}

void TstExchange::importRules()
{
    TProject t;
    QVERIFY(ExportLanguage(t.P, 1, t.Path("de.txt"), ekText, {}, {}, nullptr));
    // Equal values change nothing.
    QVERIFY(ImportLanguage(t.P, 1, t.Path("de.txt"), ikText, {}, {}, nullptr));
    QVERIFY(!t.P.LangFiles().Items(1)->Modified());

    TLocItem* save = t.Prop("MainForm", "btnSave", "Caption");
    TLocItem* about = t.Prop("AboutForm", "", "Caption"); // untranslated
    const QByteArray edited = ReadAll(t.Path("de.txt"))
                                  .replace("\"Speichern\"", "\"Sichern\"")
                                  .replace("AboutForm.Caption:\"About\"", "AboutForm.Caption:\"Info\"");
    WriteAll(t.Path("de.txt"), edited);
    TImportOptions keep;
    keep.ChangeTranslated = false;
    TImportCounts counts;
    QVERIFY(ImportLanguage(t.P, 1, t.Path("de.txt"), ikText, keep, {}, nullptr, &counts));
    QCOMPARE(t.Value(save), QStringLiteral("Speichern"));
    // The summary says what came in and why a changed translation did not.
    QCOMPARE(counts.Imported, 1);
    QCOMPARE(counts.Kept, 1);
    QCOMPARE(counts.Unmatched, 0);
    QVERIFY(counts.Units > 2);
    QCOMPARE(ImportSummary(counts),
             QStringLiteral("1 of %1 units imported, %2 unchanged, 0 unmatched\r\n1 translated items kept their "
                            "translations: \"Change translated items\" was off.")
                 .arg(counts.Units)
                 .arg(counts.Units - 1));
    QCOMPARE(t.Value(about), QStringLiteral("Info"));
    QVERIFY(about->IsTranslated(1));
    QVERIFY(t.P.LangFiles().Items(1)->Modified());

    // Only the checked forms take part.
    TExchangeSelection onlyAbout;
    onlyAbout.SetForms({"aboutform"});
    QVERIFY(ImportLanguage(t.P, 1, t.Path("de.txt"), ikText, {}, onlyAbout, nullptr));
    QCOMPARE(t.Value(save), QStringLiteral("Speichern"));
    QVERIFY(ImportLanguage(t.P, 1, t.Path("de.txt"), ikText, {}, {}, nullptr));
    QCOMPARE(t.Value(save), QStringLiteral("Sichern"));
    QCOMPARE(save->Values().Items(1)->ValueVersion(), fixture::kNativeVersion);

    // Untranslatable items never take a value.
    WriteAll(t.Path("u.txt"), ";Format:PropNames;Delimiter:Comma\r\nAboutForm.lblVersion.Caption:\"Neu\"\r\n"
                              "AboutForm.lblNone.Caption:\"Neu\"\r\n");
    QVERIFY(ImportLanguage(t.P, 1, t.Path("u.txt"), ikText, {}, {}, nullptr, &counts));
    QCOMPARE(t.Value(t.Prop("AboutForm", "lblVersion", "Caption")), QStringLiteral("Version"));
    QCOMPARE(ImportSummary(counts), QStringLiteral("0 of 2 units imported, 1 unchanged, 1 unmatched"));

    // A broken line fails the import.
    WriteAll(t.Path("broken.txt"), ";Format:Numbers;Delimiter:Comma\r\nx:\"a\"\r\n");
    QVERIFY_THROWS_EXCEPTION(EExchangeError, ImportLanguage(t.P, 1, t.Path("broken.txt"), ikText, {}, {}, nullptr));
}

void TstExchange::importByNames()
{
    TProject t;
    TLocForm* form = t.P.Forms().Add("Form1");
    TLocProperty* title = form->Components().Add("Grid1.Columns[0]")->Properties().Add(-1, "Title.Caption", ptString);
    TLocProperty* font = form->Properties().Add(-1, "Font.Name", ptString);
    TLocProperty* hint = form->Components().Add("Panel")->Properties().Add(-1, "Hint.Text", ptString);
    for (TLocProperty* p : {title, font, hint}) p->Values().Items(1)->SetValueVersion(-1);
    WriteAll(t.Path("n.txt"), ";Format:PropNames;Delimiter:TAB\r\n"
                              "Form1.Grid1.Columns[0].Title.Caption:\"Titel\"\r\n"
                              "Form1.Font.Name:\"Arial\"\r\n"
                              "Form1.Panel.Hint.Text:\"Zeile 1\"\t\"Zeile 2\"\r\n"
                              ";Constants\r\nRC.120:\"Gut\"\r\n;External\r\nHelp.Tip:\"F1\"\r\n"
                              "Help.Key: F1:\"Taste\"\r\n");
    // A name may hold colons: the value starts at the colon before its quote.
    TLocExtItem* key = t.P.AddExternalItem(-1, "Help", "Key: F1");
    key->Values().Items(1)->SetValueVersion(-1);
    QCOMPARE(PreviewImport(t.P, 1, t.Path("n.txt"), ikText).Forms, QStringList({"Form1"}));
    QVERIFY(ImportLanguage(t.P, 1, t.Path("n.txt"), ikText, {}, {}, nullptr));
    QCOMPARE(t.Value(title), QStringLiteral("Titel"));
    QCOMPARE(t.Value(font), QStringLiteral("Arial"));
    QCOMPARE(t.Value(hint), QStringLiteral("Zeile 1\r\nZeile 2"));
    QCOMPARE(t.Value(t.P.FindConstant("RC", "120")), QStringLiteral("Gut"));
    QCOMPARE(t.Value(t.P.FindExtItem("Help", "Tip")), QStringLiteral("F1"));
    QCOMPARE(t.Value(key), QStringLiteral("Taste"));
}

void TstExchange::nativeImportCreatesItems()
{
    TProject t;
    TLocExtItem* tip = t.P.FindExtItem("Help", "Tip");
    const int32_t tipVersion = tip->MainValue()->ValueVersion();
    WriteAll(t.Path("n.txt"), ";Format:PropNames;Delimiter:Comma\r\nMainForm.Caption:\"Changed\"\r\n"
                              ";Constants\r\n;External\r\nHelp.Tip:\"Press F2\"\r\nHelp.New:\"Brand new\"\r\n");
    QVERIFY(ImportLanguage(t.P, 0, t.Path("n.txt"), ikText, {}, {}, nullptr));
    // Properties stay; the changed item's translations become outdated.
    QCOMPARE(t.Value(t.Prop("MainForm", "", "Caption"), 0), QStringLiteral("Main window"));
    QCOMPARE(t.Value(tip, 0), QStringLiteral("Press F2"));
    QCOMPARE(tip->MainValue()->ValueVersion(), tipVersion + 1);
    TLocExtItem* created = t.P.FindExtItem("Help", "New");
    QVERIFY(created);
    QCOMPARE(t.Value(created, 0), QStringLiteral("Brand new"));
    QVERIFY(!created->IsTranslated(1));
    QCOMPARE(created->ID(), t.P.FindExtItem("Help", "Title")->ID() + 1);
    QVERIFY(t.P.LangFiles().Items(0)->Modified());
}

void TstExchange::languageFileImport()
{
    TProject t;
    // The French file into German: by identifiers, only translations of the
    // current native version (all of the fixture's are).
    QVERIFY_THROWS_EXCEPTION(EExchangeError, PreviewImport(t.P, 1, t.Path("app.deu.lng"), ikLangFile));
    QVERIFY(QFile::copy(t.Path("app.fra.lng"), t.Path("other.lng")));
    const TImportPreview preview = PreviewImport(t.P, 1, t.Path("other.lng"), ikLangFile);
    QVERIFY(preview.HasIDs && preview.HasNames);
    QCOMPARE(preview.Units, QStringList({"RC", "Strings"}));
    TImportOptions o;
    o.ChangeTranslated = false;
    QVERIFY(ImportLanguage(t.P, 1, t.Path("other.lng"), ikLangFile, o, {}, nullptr));
    QCOMPARE(t.Value(t.Prop("AboutForm", "", "Caption")), QStringLiteral("fr:About"));
    QCOMPARE(t.Value(t.Prop("MainForm", "btnSave", "Caption")), QStringLiteral("Speichern"));
    o.ChangeTranslated = true;
    o.SyncBy = sbNames;
    QVERIFY(ImportLanguage(t.P, 1, t.Path("other.lng"), ikLangFile, o, {}, nullptr));
    QCOMPARE(t.Value(t.Prop("MainForm", "btnSave", "Caption")), QStringLiteral("fr:Save"));
    QCOMPARE(t.Value(t.P.FindExtItem("Help", "Title")), QStringLiteral("fr:Help"));
}

void TstExchange::tmxImport()
{
    TProject t;
    const QByteArray tmx =
        "<?xml version=\"1.0\"?><!DOCTYPE tmx SYSTEM \"tmx14.dtd\"><tmx version=\"1.4\"><header/><body>"
        "<tu tuid=\"Project.Forms.TMainForm.Caption\"><tuv xml:lang=\"en-US\"><seg>Main window</seg></tuv>"
        "<tuv xml:lang=\"de\"><seg>Haupt\nfenster</seg></tuv></tu>"
        "<tu tuid=\"Project.Forms.TMainForm.btnSave.Caption\"><tuv xml:lang=\"DE\"><seg>Sichern</seg></tuv></tu>"
        "<tu tuid=\"Project.Strings.Strings_SFiles\"><tuv xml:lang=\"de\"><seg>Akten</seg></tuv></tu>"
        "<tu tuid=\"Project.Strings.RC.120\"><tuv xml:lang=\"de\"><seg>Jawohl</seg></tuv></tu>"
        "<tu tuid=\"Other\"><tuv xml:lang=\"de\"><seg>x</seg></tuv></tu>"
        "</body></tmx>";
    WriteAll(t.Path("a.tmx"), tmx);
    // German (Austria) finds the neutral code.
    t.P.SetLanguageLangID(1, 0x0C07);
    const TImportPreview preview = PreviewImport(t.P, 1, t.Path("a.tmx"), ikTmx);
    QCOMPARE(preview.Languages, QStringList({"de", "en-US"}));
    QCOMPARE(exchange::TmxLanguageCode(preview.Languages, 0x0C07), QStringLiteral("de"));
    QCOMPARE(exchange::TmxLanguageCode({"de-DE", "en-US"}, 0x0C07), QString());
    QVERIFY(ImportLanguage(t.P, 1, t.Path("a.tmx"), ikTmx, {}, {}, nullptr));
    QCOMPARE(t.Value(t.Prop("MainForm", "", "Caption")), QStringLiteral("Haupt\r\nfenster"));
    QCOMPARE(t.Value(t.Prop("MainForm", "btnSave", "Caption")), QStringLiteral("Sichern"));
    QCOMPARE(t.Value(t.P.FindConstant("Strings", "SFiles")), QStringLiteral("Akten"));
    QCOMPARE(t.Value(t.P.FindConstant("RC", "120")), QStringLiteral("Jawohl"));

    // Without the language, or without a body: the import's message.
    t.P.SetLanguageLangID(1, 0x040C);
    try {
        ImportLanguage(t.P, 1, t.Path("a.tmx"), ikTmx, {}, {}, nullptr);
        QFAIL("no error");
    } catch (const EExchangeError& e) {
        QCOMPARE(e.Message(), UiString(usImportWrongFormat));
    }
    WriteAll(t.Path("b.tmx"), "<tmx><header/></tmx>");
    QVERIFY_THROWS_EXCEPTION(EExchangeError, PreviewImport(t.P, 1, t.Path("b.tmx"), ikTmx));
}

void TstExchange::xliffDocuments()
{
    TProject t;
    TLocItem* save = t.Prop("MainForm", "btnSave", "Caption");
    save->Values().Items(1)->SetAttribute(vaVerified, true);
    t.P.Forms().FindByName("MainForm")->Components().Items(0)->SetName("btn&\"Open\"");
    TExportOptions o;
    o.Untranslatable = true;
    QVERIFY(ExportLanguage(t.P, 1, t.Path("de12.xlf"), ekXliff12, o, {}, nullptr));
    QVERIFY(ExportLanguage(t.P, 1, t.Path("de20.xlf"), ekXliff20, o, {}, nullptr));
    const QByteArray v12 = ReadAll(t.Path("de12.xlf"));
    const QByteArray v20 = ReadAll(t.Path("de20.xlf"));
    QVERIFY(WellFormed(v12) && WellFormed(v20));
    QVERIFY(v12.contains("<file original=\"forms/MainForm\" datatype=\"plaintext\" source-language=\"en-US\" "
                         "target-language=\"de-DE\"><body>"));
    QVERIFY(
        v12.contains(QStringLiteral("<trans-unit id=\"MainForm.btnSave.Caption\" resname=\"MainForm.btnSave.Caption\" "
                                    "pd:id=\"%1\" xml:space=\"preserve\"><source>Save</source><target "
                                    "state=\"signed-off\">Speichern</target></trans-unit>")
                         .arg(save->ID())
                         .toUtf8()));
    QVERIFY(v12.contains("resname=\"MainForm.btn&amp;&quot;Open&quot;.Caption\""));
    QVERIFY(v12.contains("<target state=\"needs-translation\">About</target>"));
    QVERIFY(v12.contains("translate=\"no\"><source>Version</source>"));
    QVERIFY(v20.contains("version=\"2.0\" srcLang=\"en-US\" trgLang=\"de-DE\">"));
    QVERIFY(v20.contains("<file id=\"f1\" original=\"forms/AboutForm\">"));
    QVERIFY(v20.contains("<segment state=\"final\"><source>Save</source><target>Speichern</target></segment></unit>"));
    QVERIFY(v20.contains("<segment state=\"initial\"><source>About</source>"));

    // Both come back with their states.
    for (const char* file : {"de12.xlf", "de20.xlf"}) {
        save->Values().Items(1)->SetValue("x");
        save->Values().Items(1)->SetAttribute(vaVerified, false);
        TLocItem* about = t.Prop("AboutForm", "", "Caption");
        QVERIFY(ImportLanguage(t.P, 1, t.Path(file), ikXliff, {}, {}, nullptr));
        QCOMPARE(t.Value(save), QStringLiteral("Speichern"));
        QVERIFY(save->Values().Items(1)->Attribute(vaVerified));
        QVERIFY(!about->IsTranslated(1));
        QVERIFY(PreviewImport(t.P, 1, t.Path(file), ikXliff).HasIDs);
    }
}

void TstExchange::xliffFromOtherTools()
{
    TProject t;
    // Unknown elements and attributes are ignored, inline codes give their
    // text, alternatives are no translation, translate="no" units stay out.
    WriteAll(t.Path("o.xlf"),
             "<?xml version=\"1.0\"?><xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">"
             "<file original=\"app.exe\" source-language=\"en\" target-language=\"de\" datatype=\"x\" "
             "foo=\"1\"><header><tool "
             "tool-id=\"t\"/></header><body><group id=\"g\">"
             "<trans-unit id=\"1\" resname=\"MainForm.Caption\" extra=\"y\"><source>Main window</source>"
             "<target>Haupt<g id=\"1\">fen</g>ster<x id=\"2\"/></target><note>n</note>"
             "<alt-trans><target>Falsch</target></alt-trans></trans-unit>"
             "<trans-unit id=\"2\" resname=\"Strings.SFiles\" "
             "translate=\"no\"><source>Files</source><target>Nein</target></trans-unit>"
             "<trans-unit id=\"3\" resname=\"Help.Tip\"><source>Press F1</source><target state=\"translated\">F1 "
             "dr&#252;cken</target></trans-unit>"
             "</group></body></file></xliff>");
    const TImportPreview preview = PreviewImport(t.P, 1, t.Path("o.xlf"), ikXliff);
    QVERIFY(!preview.HasIDs);
    QCOMPARE(preview.Forms, QStringList({"MainForm"}));
    QVERIFY(ImportLanguage(t.P, 1, t.Path("o.xlf"), ikXliff, {}, {}, nullptr));
    QCOMPARE(t.Value(t.Prop("MainForm", "", "Caption")), QStringLiteral("Hauptfenster"));
    QCOMPARE(t.Value(t.P.FindConstant("Strings", "SFiles")), QStringLiteral("Dateien"));
    QCOMPARE(t.Value(t.P.FindExtItem("Help", "Tip")), QStringLiteral("F1 drücken"));

    // XLIFF 2.0 with several segments and a <cp/>.
    WriteAll(t.Path("o2.xlf"), "<xliff xmlns=\"urn:oasis:names:tc:xliff:document:2.0\" version=\"2.0\" srcLang=\"en\" "
                               "trgLang=\"de\"><file id=\"f\"><unit id=\"u\" name=\"MainForm.btnSave.Caption\">"
                               "<segment state=\"translated\"><source>Save</source><target>Spei</target></segment>"
                               "<ignorable><source> </source><target><pc id=\"1\">chern</pc><cp hex=\"0007\"/></target>"
                               "</ignorable></unit></file></xliff>");
    QVERIFY(ImportLanguage(t.P, 1, t.Path("o2.xlf"), ikXliff, {}, {}, nullptr));
    QCOMPARE(t.Value(t.Prop("MainForm", "btnSave", "Caption")), QStringLiteral("Speichern\x07"));
}

void TstExchange::unsafeXml_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("document");
    const QByteArray bomb = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 "
                            "\"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]><langfile><head><format><name/>"
                            "</format></head><properties/><constants/><external><extgroup name=\"Help\"><extitem "
                            "name=\"Tip\">&lol2;</extitem></extgroup></external></langfile>";
    const QByteArray external =
        "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY ext SYSTEM \"file:///etc/passwd\">]>"
        "<xliff version=\"1.2\"><file original=\"external/Help\"><body><trans-unit id=\"Help.Tip\">"
        "<target>&ext;</target></trans-unit></body></file></xliff>";
    QTest::newRow("entity bomb, XML") << int(ikXml) << bomb;
    QTest::newRow("external entity, XLIFF") << int(ikXliff) << external;
    QTest::newRow("undeclared entity, TMX")
        << int(ikTmx)
        << QByteArray("<tmx><body><tu tuid=\"a.Forms.TMainForm.Caption\"><tuv xml:lang=\"de\"><seg>&x;</seg>"
                      "</tuv></tu></body></tmx>");
    QTest::newRow("not well-formed") << int(ikXliff) << QByteArray("<xliff><file><unit id=\"a\"></file>");
    QTest::newRow("truncated") << int(ikXml) << bomb.left(200);
}

void TstExchange::unsafeXml()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, document);
    TProject t;
    WriteAll(t.Path("bad.xml"), document);
    QVERIFY_THROWS_EXCEPTION(EExchangeError,
                             ImportLanguage(t.P, 1, t.Path("bad.xml"), TImportKind(kind), {}, {}, nullptr));
    QCOMPARE(t.Value(t.P.FindExtItem("Help", "Tip")), QStringLiteral("Press F1"));
}

void TstExchange::cancelledExport()
{
    TProject t;
    TRecordingPrompt prompt;
    prompt.CancelProgress = true;
    QVERIFY(!ExportLanguage(t.P, 1, t.Path("de.xml"), ekXml, {}, {}, &prompt));
    QCOMPARE(prompt.Log.last(), QLatin1String("Information: ") + UiString(usExportTerminated));
    // What was written is a whole document.
    const QByteArray data = ReadAll(t.Path("de.xml"));
    QVERIFY(WellFormed(data));
    QVERIFY(data.contains("<properties></properties><constants></constants><external></external>"));
    prompt.CancelProgress = false;
    QVERIFY(ExportLanguage(t.P, 1, t.Path("de.xml"), ekXml, {}, {}, &prompt));
    prompt.CancelProgress = true;
    QVERIFY(!ImportLanguage(t.P, 1, t.Path("de.xml"), ikXml, {}, {}, &prompt));
    QCOMPARE(prompt.Log.last(), QLatin1String("Information: ") + UiString(usImportTerminated));
}

void TstExchange::roundTrips_data()
{
    QTest::addColumn<int>("exportKind");
    QTest::addColumn<int>("importKind");
    QTest::addColumn<bool>("carriesState");
    QTest::newRow("text") << int(ekText) << int(ikText) << false;
    QTest::newRow("XML") << int(ekXml) << int(ikXml) << false;
    QTest::newRow("XLIFF 1.2") << int(ekXliff12) << int(ikXliff) << true;
    QTest::newRow("XLIFF 2.0") << int(ekXliff20) << int(ikXliff) << true;
}

// Every language of the sample project goes out and into a new, untranslated
// language file of the same language; the saved file holds the same values
// (and states, where the format carries them).
void TstExchange::roundTrips()
{
    QFETCH(int, exportKind);
    QFETCH(int, importKind);
    QFETCH(bool, carriesState);
    QTemporaryDir dir;
    for (const char* name : {"Notes.ntv.lng", "Notes.deu.lng", "Notes.fra.lng"})
        QVERIFY(QFile::copy(Example(name), dir.filePath(name)));
    for (const char* code : {"deu", "fra"}) {
        const QString original = dir.filePath(QStringLiteral("Notes.%1.lng").arg(code));
        const QString copy = dir.filePath(QStringLiteral("copy/Notes.%1.lng").arg(code));
        const QString exported = dir.filePath(QStringLiteral("Notes.%1.exchange").arg(code));
        QVERIFY(QDir(dir.path()).mkpath("copy"));
        TLangFileProject source;
        source.Open(dir.filePath("Notes.ntv.lng"), false, true);
        source.OpenLanguage(original, true);
        TExportOptions o;
        o.Untranslatable = true;
        QVERIFY(ExportLanguage(source, 1, exported, TExportKind(exportKind), o, {}, nullptr));
        {
            TLangFileProject target;
            target.Open(dir.filePath("Notes.ntv.lng"), false, true);
            const int index = CreateLanguageFile(target, copy, NewLanguageOfLocale(source.Locales(1)));
            QVERIFY(ImportLanguage(target, index, exported, TImportKind(importKind), {}, {}, nullptr));
            target.SaveLanguage(index);
        }
        source.OpenLanguage(copy, true);
        int compared = 0;
        source.ForEachItem([&](TLocItem* item) {
            if (item->Attribute(vaUntranslatable)) return;
            const TLocValue* a = item->Values().Items(1);
            const TLocValue* b = item->Values().Items(2);
            QCOMPARE(b->Value(), a->Value());
            if (carriesState) {
                QCOMPARE(b->IsTranslated(), a->IsTranslated());
                QCOMPARE(b->Attribute(vaVerified), a->Attribute(vaVerified));
            }
            ++compared;
        });
        QVERIFY(compared > 40);
    }
}

QTEST_GUILESS_MAIN(TstExchange)
#include "tst_exchange.moc"
