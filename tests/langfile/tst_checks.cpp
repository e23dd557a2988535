#include "langfile/LangFile.h"
#include "langfile/LangFileProject.h"
#include "langfile/checks/AcceptedFindings.h"
#include "langfile/checks/BatchChecks.h"
#include "langfile/checks/CheckRegistry.h"
#include "langfile/checks/CheckRunner.h"
#include "langfile/checks/ProjectChecks.h"
#include "langfile/checks/TextScan.h"
#include "platform/AtomicFile.h"
#include "resources/FormStreams.h"
#include "resources/MenuLevels.h"
#include "storage/Locales.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

const uint16_t kEnglish = 0x0409, kGerman = 0x0407, kFrench = 0x040C, kSpanish = 0x0C0A, kGreek = 0x0408,
               kArabic = 0x0401, kJapanese = 0x0411, kChinese = 0x0804, kRussian = 0x0419, kPolish = 0x0415,
               kThai = 0x041E, kVietnamese = 0x042A, kHindi = 0x0439, kBritish = 0x0809;

TCheckContext Context(uint16_t locale, const QString& native, const QString& translation)
{
    TCheckContext c;
    c.ItemName = QStringLiteral("MainForm.btnOK.Caption");
    c.LangIndex = 1;
    c.Locale = locale;
    c.NativeLocale = kEnglish;
    c.LangCode = QStringLiteral("xxx");
    c.CodePage = locale == kHindi ? 0 : LocaleCodePage(locale);
    c.Native = native;
    c.Translation = translation;
    c.Translated = true;
    return c;
}

// The messages of one check for one translation.
QStringList Messages(const TCheckRegistry& registry, const QString& check, const TCheckContext& c)
{
    QStringList messages;
    for (const TCheckFinding& f : RunChecks(registry, std::span(&c, 1)))
        if (f.CheckId == check) messages << f.Message;
    return messages;
}

struct TProjectFile {
    QString Path;
    QString Form, Component, Property;
    QString Native, Translation;
    bool Translated = true;
};

// A native file and a German one beside it, one form (or RC string) per row.
void WriteProject(const QString& dir, const QList<TProjectFile>& rows)
{
    TLocStorage s;
    s.SetMainLangID(kEnglish);
    std::vector<TLocItem*> items;
    for (const TProjectFile& r : rows) {
        TLocItem* item = nullptr;
        if (r.Form.isEmpty()) {
            TLocUnit* unit = s.Units().FindByName(QStringLiteral("RC")) ? s.Units().FindByName(QStringLiteral("RC"))
                                                                        : s.Units().Add(QStringLiteral("RC"));
            item = unit->Constants().Add(-1, r.Property, unit->Constants().Count() + 1);
        } else {
            TLocForm* form = s.Forms().FindByName(r.Form) ? s.Forms().FindByName(r.Form) : s.Forms().Add(r.Form);
            TLocComponent* holder = form;
            if (!r.Component.isEmpty())
                holder = form->Components().FindByName(r.Component) ? form->Components().FindByName(r.Component)
                                                                    : form->Components().Add(r.Component);
            item = holder->Properties().Add(-1, r.Property, ptString);
        }
        item->MainValue()->SetValue(r.Native);
        item->MainValue()->SetValueVersion(2);
        items.push_back(item);
    }
    const auto write = [&s](const QString& path, int column, uint16_t locale, const QString& name) {
        TLangFile f(path, false);
        f.SetLocale(locale);
        f.SetIsNative(column == 0);
        f.SetLangEnglishName(name);
        f.Save(&s, column, false);
    };
    write(dir + "/app.ntv.lng", 0, kEnglish, "English");
    const int de = s.AddLanguage(0, kGerman);
    for (size_t i = 0; i < items.size(); ++i) {
        TLocValue* v = items[i]->Values().Items(de);
        v->SetValue(rows[qsizetype(i)].Translation);
        v->SetValueVersion(rows[qsizetype(i)].Translated ? 2 : 1);
    }
    write(dir + "/app.deu.lng", de, kGerman, "German");
}

struct TBatchRun {
    int ExitCode;
    QString Out, Err;
};

TBatchRun RunBatch(const QString& nativeFile, TBatchCheckMode mode)
{
    TBatchRun run;
    QTextStream o(&run.Out), e(&run.Err);
    run.ExitCode = RunProjectChecks(nativeFile, mode, o, e);
    return run;
}

} // namespace

class TestChecks : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TCheckRegistry> FRegistry = CreateCheckRegistry({});

private Q_SLOTS:
    // Every check: what it must find, and the false alarms it must not raise.
    void checks_data()
    {
        QTest::addColumn<QString>("check");
        QTest::addColumn<int>("locale");
        QTest::addColumn<QString>("native");
        QTest::addColumn<QString>("translation");
        QTest::addColumn<QString>("message"); // empty: no finding

        const auto row = [](const char* name, const char* check, uint16_t locale, const QString& native,
                            const QString& translation, const QString& message = {}) {
            QTest::newRow(name) << QString(check) << int(locale) << native << translation << message;
        };
        row("format same", "format", kGerman, "File %s of %d", "Datei %s von %d");
        row("format swapped", "format", kGerman, "File %s of %d", "Datei %d von %s",
            "argument 0 is %s in the native text, %d in the translation");
        row("format indexes reordered", "format", kFrench, "%0:s copied to %1:s", "%1:s a reçu %0:s");
        row("format width kept", "format", kFrench, "%-10.2f MB", "%-10.2f Mo");
        row("format width changed", "format", kFrench, "%-10.2f MB", "%10.2f Mo",
            "argument 0 is %-10.2f in the native text, %10.2f in the translation");
        row("format star width", "format", kGerman, "%*d items", "%d Elemente",
            "argument 0 is %* in the native text, %d in the translation");
        row("format missing", "format", kGerman, "Name: %s", "Name:", "%s (argument 0) of the native text is missing");
        row("format added", "format", kGerman, "Done", "Fertig %s",
            "the translation has %s (argument 0), the native text none");
        row("format per cent signs", "format", kGerman, "100%% done, 100 % sure", "100%% fertig, 100 % sicher");
        row("format upper case type", "format", kGerman, "%S files", "%s Dateien");
        row("format russian", "format", kRussian, "%d files", "%d файлов");

        row("accelerator kept", "accelerator", kGerman, "&Open", QStringLiteral("Ö&ffnen"));
        row("accelerator lost", "accelerator", kGerman, "&Open", QStringLiteral("Öffnen"),
            "the native text has one accelerator, the translation none");
        row("accelerator added", "accelerator", kGerman, "Open", QStringLiteral("Ö&ffnen"),
            "the native text has no accelerator, the translation one");
        row("accelerator doubled", "accelerator", kGerman, "&Open", QStringLiteral("&Ö&ffnen"),
            "the native text has one accelerator, the translation 2");
        row("accelerator literal ampersands", "accelerator", kGerman, "Save && Exit", "Speichern && Beenden");
        row("accelerator ampersand in prose", "accelerator", kGerman, "Tom & Jerry", "Tom und Jerry");
        row("accelerator japanese style", "accelerator", kJapanese, "&File", QStringLiteral("ファイル(&F)"));

        row("codepage german", "codepage", kGerman, "Size", QStringLiteral("Größe €"));
        row("codepage polish", "codepage", kPolish, "Clear", QStringLiteral("Zażółć"));
        row("codepage best fit", "codepage", kGerman, "Clear", QStringLiteral("Zażółć"),
            QStringLiteral("\"ż\" (position 3) becomes \"z\" in code page 1252, and 2 more"));
        row("codepage missing", "codepage", kGerman, "File", QStringLiteral("Файл"),
            QStringLiteral("\"Ф\" (position 1) is not in code page 1252, and 3 more"));
        row("codepage russian", "codepage", kRussian, "File", QStringLiteral("Файл"));
        row("codepage japanese", "codepage", kJapanese, "File", QStringLiteral("ファイル"));
        row("codepage greek", "codepage", kGreek, "File", QStringLiteral("Αρχείο"));
        row("codepage vietnamese", "codepage", kVietnamese, "Vietnamese", QStringLiteral("Tiếng Việt"));
        row("codepage unicode only language", "codepage", kHindi, "File", QStringLiteral("फ़ाइल"));
        row("codepage chinese in japanese", "codepage", kJapanese, "Open", QStringLiteral("开"),
            QStringLiteral("\"开\" (position 1) is not in code page 932"));

        row("whitespace-start kept", "whitespace-start", kGerman, " Name", " Name");
        row("whitespace-start lost", "whitespace-start", kGerman, " Name", "Name",
            "the native text starts with \" \", the translation with nothing");
        row("whitespace-end kept", "whitespace-end", kFrench, "Name: ", "Nom : ");
        row("whitespace-end tab lost", "whitespace-end", kGerman, "Name\t", "Name",
            "the native text ends with \"\\t\", the translation with nothing");
        row("linebreaks same count", "linebreaks", kGerman, "Line 1\r\nLine 2", "Zeile 1\nZeile 2");
        row("linebreaks lost", "linebreaks", kGerman, "a\r\nb", "a b",
            "the native text has one line break, the translation none");
        row("tabs lost", "tabs", kGerman, "Name\tValue", "Name Wert",
            "the native text has one tab, the translation none");
        row("double-space added", "double-space", kGerman, "Open file", QStringLiteral("Datei  öffnen"),
            "double space at position 6");
        row("double-space in both", "double-space", kGerman, "A  B", "C  D");

        row("punctuation french colon", "punctuation-end", kFrench, "Name:", "Nom :");
        row("punctuation french nbsp", "punctuation-end", kFrench, "Delete?", QStringLiteral("Supprimer\u00A0?"));
        row("punctuation colon lost", "punctuation-end", kFrench, "Name:", "Nom",
            "the native text ends with \":\", the translation with no punctuation");
        row("punctuation spanish", "punctuation-end", kSpanish, "Delete?", QStringLiteral("¿Eliminar?"));
        row("punctuation greek question", "punctuation-end", kGreek, "Delete?", QStringLiteral("Διαγραφή;"));
        row("punctuation semicolon not german", "punctuation-end", kGerman, "Delete?", QStringLiteral("Löschen;"),
            "the native text ends with \"?\", the translation with \";\"");
        row("punctuation arabic", "punctuation-end", kArabic, "Delete?", QStringLiteral("حذف؟"));
        row("punctuation japanese", "punctuation-end", kJapanese, "Delete?", QStringLiteral("削除しますか？"));
        row("punctuation chinese period", "punctuation-end", kChinese, "Saved.", QStringLiteral("已保存。"));
        row("punctuation ellipsis char", "punctuation-end", kGerman, "Open...", QStringLiteral("Öffnen…"));
        row("punctuation ellipsis lost", "punctuation-end", kGerman, "Open...", QStringLiteral("Öffnen"),
            "the native text ends with \"...\", the translation with no punctuation");
        row("punctuation thai period", "punctuation-end", kThai, "Saved.", QStringLiteral("บันทึกแล้ว"));
        row("punctuation added", "punctuation-end", kGerman, "Open", QStringLiteral("Öffnen."),
            "the native text ends with no punctuation, the translation with \".\"");

        row("brackets kept", "brackets", kGerman, "Size (MB)", QStringLiteral("Größe (MB)"));
        row("brackets full width", "brackets", kChinese, "Size (MB)", QStringLiteral("大小（MB）"));
        row("brackets lost", "brackets", kGerman, "Size (MB)", QStringLiteral("Größe MB)"),
            "the native text has one \"(\", the translation none");

        row("numbers kept", "numbers", kGerman, "Page 1 of 10", "Seite 1 von 10");
        row("numbers changed", "numbers", kGerman, "Page 1 of 10", "Seite 1 von 100",
            "the number 10 of the native text is missing");
        row("numbers arabic digits", "numbers", kArabic, "Page 1 of 10", QStringLiteral("صفحة ١ من ١٠"));
        row("numbers decimal comma", "numbers", kGerman, "2.5 MB", "2,5 MB");
        row("numbers not specifiers", "numbers", kGerman, "%10d items", "%10d Elemente");

        row("urls kept", "urls", kGerman, "See https://example.com.", "Siehe https://example.com.");
        row("urls changed", "urls", kGerman, "See https://example.com.", "Siehe https://example.de",
            "https://example.com of the native text is missing or changed");
        row("urls mail changed", "urls", kFrench, "Write to info@example.com",
            QStringLiteral("Écrire à info@exemple.fr"), "info@example.com of the native text is missing or changed");

        row("unchanged", "unchanged", kGerman, "Cancel", "Cancel", "the translation is the native text unchanged");
        row("unchanged french", "unchanged", kFrench, "&Cancel", "&Cancel",
            "the translation is the native text unchanged");
        row("unchanged universal word", "unchanged", kGerman, "OK", "OK");
        row("unchanged german word", "unchanged", kGerman, "&Status:", "&Status:");
        row("unchanged french word", "unchanged", kFrench, "Message", "Message");
        row("unchanged no letters", "unchanged", kGerman, "%s: %d", "%s: %d");
        row("unchanged same language", "unchanged", kBritish, "Color", "Color");

        row("empty", "empty", kGerman, "Open", "", "the translation is empty");
        row("empty both", "empty", kGerman, "", "");

        row("length", "length", kGerman, "OK", "Einverstanden, bitte fortfahren",
            "the translation has 31 characters, the native text 2 (at most 15)");
        row("length fine", "length", kGerman, "File", "Datei");
    }
    void checks()
    {
        QFETCH(QString, check);
        QFETCH(int, locale);
        QFETCH(QString, native);
        QFETCH(QString, translation);
        QFETCH(QString, message);
        QVERIFY(FRegistry->Find(check));
        const QStringList found = Messages(*FRegistry, check, Context(uint16_t(locale), native, translation));
        QCOMPARE(found, message.isEmpty() ? QStringList() : QStringList{message});
        // The editor's format warning asks the same question through the signatures.
        if (check == "format")
            QCOMPARE(FormatSignatureOf(native) != FormatSignatureOf(translation), !message.isEmpty());
    }

    // An empty translation is one finding, not one per check it breaks.
    void emptyTranslationIsOneFinding()
    {
        const TCheckContext c = Context(kGerman, "&Open...", "");
        const auto findings = RunChecks(*FRegistry, std::span(&c, 1));
        QCOMPARE(findings.size(), size_t(1));
        QCOMPARE(findings[0].CheckId, QString("empty"));
        QCOMPARE(findings[0].Severity, csError);
    }

    // Untranslated values are the translator's work still to do, not faults.
    void untranslatedValuesAreNotChecked()
    {
        TCheckContext c = Context(kGerman, "&Open", "Open");
        c.Translated = false;
        QVERIFY(RunChecks(*FRegistry, std::span(&c, 1)).empty());
    }

    // A layout check that knows the control's width takes the item from the length check.
    void measuredWidthReplacesLengthCheck()
    {
        class TWidth : public TCheck {
        public:
            QString Id() const override { return "layout"; }
            TCheckSeverity Severity() const override { return csWarning; }
            bool MeasuresWidth(const TCheckContext& c) const override { return c.ItemName.endsWith(".Caption"); }
        };
        RegisterCheckProvider("test-layout",
                              [](TCheckRegistry& r, const TCheckProviderArgs&) { r.Add(std::make_unique<TWidth>()); });
        const auto registry = CreateCheckRegistry({});
        RegisterCheckProvider("test-layout", [](TCheckRegistry&, const TCheckProviderArgs&) {});
        QVERIFY(registry->Find("layout"));
        TCheckContext c = Context(kGerman, "OK", "Einverstanden, bitte fortfahren");
        QCOMPARE(Messages(*registry, "length", c), QStringList());
        c.ItemName = "Unit1.SText";
        QCOMPARE(Messages(*registry, "length", c).size(), 1);
        // Switched off in the options, a provider's check is gone as well.
        TCheckOptions options;
        options.Disabled = {"length", "layout"};
        RegisterCheckProvider("test-layout",
                              [](TCheckRegistry& r, const TCheckProviderArgs&) { r.Add(std::make_unique<TWidth>()); });
        const auto fewer = CreateCheckRegistry({nullptr, &options, {}});
        RegisterCheckProvider("test-layout", [](TCheckRegistry&, const TCheckProviderArgs&) {});
        QVERIFY(!fewer->Find("layout"));
        QVERIFY(!fewer->Find("length"));
        QVERIFY(fewer->Find("format"));
    }

    // Two captions of one window share a letter in German that differ in
    // English: both are told; a clash the native texts share already, and
    // one with another window, are not.
    void acceleratorClash()
    {
        TLocStorage s;
        s.SetMainLangID(kEnglish);
        const int de = s.AddLanguage(0, kGerman);
        const auto add = [&](TLocForm* form, const char* comp, const QString& native, const QString& german) {
            TLocProperty* p = form->Components().Add(comp)->Properties().Add(-1, "Caption", ptString);
            p->MainValue()->SetValue(native);
            p->Values().Items(de)->SetValue(german);
        };
        TLocForm* main = s.Forms().Add("MainForm");
        add(main, "btnFile", "&File", "&Datei");
        add(main, "btnDelete", "&Delete", QStringLiteral("&Datensatz löschen"));
        add(main, "lblName", "&Name", "&Name");
        add(main, "lblNumber", "N&umber", "&Nummer");
        add(main, "btnOpen", "&Open", QStringLiteral("Ö&ffnen"));
        TLocForm* other = s.Forms().Add("OtherForm");
        add(other, "btnData", "&Go", "&Daten");
        // Menu items: the two of the File menu clash, the Edit menu's item is
        // another level.
        add(main, "mnuSave", "&Save", "&Speichern");
        add(main, "mnuSaveAs", "Save &as", "&Speichern unter");
        add(main, "mnuSearch", "S&earch", "&Suchen");
        const QHash<QString, QString> levels = {{"MainForm.mnuSave", "MainForm|mnuFile"},
                                                {"MainForm.mnuSaveAs", "MainForm|mnuFile"},
                                                {"MainForm.mnuSearch", "MainForm|mnuEdit"}};

        const auto clashes = [&](const QHash<QString, QString>* levels) {
            QStringList found;
            for (const TCheckFinding& f : RunChecks(*FRegistry, CollectCheckContexts(s, de, "deu", levels)))
                if (f.CheckId == "accelerator-clash") found << f.ItemName + ": " + f.Message;
            return found;
        };
        const QStringList window = {
            "MainForm.btnDelete.Caption: \"&D\" is also the accelerator of MainForm.btnFile.Caption",
            "MainForm.btnFile.Caption: \"&D\" is also the accelerator of MainForm.btnDelete.Caption",
            "MainForm.lblName.Caption: \"&N\" is also the accelerator of MainForm.lblNumber.Caption",
            "MainForm.lblNumber.Caption: \"&N\" is also the accelerator of MainForm.lblName.Caption",
        };
        QCOMPARE(clashes(&levels),
                 window + QStringList({
                              "MainForm.mnuSave.Caption: \"&S\" is also the accelerator of MainForm.mnuSaveAs.Caption",
                              "MainForm.mnuSaveAs.Caption: \"&S\" is also the accelerator of MainForm.mnuSave.Caption",
                          }));
        // Without the executable every caption of the form is one level.
        QCOMPARE(clashes(nullptr).size(), window.size() + 3);
    }

    // A submenu's items and a popup menu's are a level each; the menu bar's
    // items share the window's level with its controls.
    void menuLevels()
    {
        TFormStreamWriter w;
        w.Object("TMainForm", "MainForm").End();
        w.Object("TMainMenu", "MainMenu1").End();
        w.Object("TMenuItem", "mnuFile").Text("Caption", "&File").End();
        w.Object("TMenuItem", "mnuOpen").Text("Caption", "&Open").End().End();
        w.End();
        w.Object("TMenuItem", "mnuEdit").Text("Caption", "&Edit").End().End();
        w.End();
        w.Object("TPopupMenu", "PopupMenu1").End();
        w.Object("TMenuItem", "mnuCopy").Text("Caption", "&Copy").End().End();
        w.End();
        w.Object("TButton", "btnOK").Text("Caption", "OK").End().End();
        w.End();
        QHash<QString, QString> levels;
        AddMenuLevels(w.Data, levels);
        QCOMPARE(levels, (QHash<QString, QString>{{"MainForm.mnuFile", "MainForm"},
                                                  {"MainForm.mnuEdit", "MainForm"},
                                                  {"MainForm.mnuOpen", "MainForm|mnuFile"},
                                                  {"MainForm.mnuCopy", "MainForm|PopupMenu1"}}));
        // The sample program's menu items; a file that is no program gives none.
        QVERIFY(ReadMenuLevels(SHARED_EXAMPLES_DIR "/Notes.exe").contains("MainForm.mnuFileOpen"));
        QVERIFY(ReadMenuLevels(SHARED_EXAMPLES_DIR "/Notes.ntv.lng").isEmpty());
    }

    // The project's settings file switches checks off and lists texts that
    // may stay as they are, for all languages or one.
    void projectOptions()
    {
        QTemporaryDir dir;
        QFile leo(dir.filePath("app.leo"));
        QVERIFY(leo.open(QIODevice::WriteOnly));
        leo.write("[Common]\r\nShowNative=1\r\n[Checks]\r\nDisabled=double-space, Length\r\nSame=Phrase Desk\r\n"
                  "Same.deu=Cancel\r\n");
        leo.close();
        TCheckOptions options;
        ReadProjectCheckOptions(dir.filePath("app.ntv.lng"), options);
        QCOMPARE(options.Disabled, QSet<QString>({"double-space", "length"}));
        const auto registry = CreateCheckRegistry({nullptr, &options, {}});
        QVERIFY(!registry->Find("double-space"));
        TCheckContext c = Context(kGerman, "Cancel", "Cancel");
        c.LangCode = "deu";
        QCOMPARE(Messages(*registry, "unchanged", c), QStringList());
        c.LangCode = "fra";
        c.Locale = kFrench;
        QCOMPARE(Messages(*registry, "unchanged", c).size(), 1);
        c.Native = c.Translation = "&Phrase Desk...";
        QCOMPARE(Messages(*registry, "unchanged", c), QStringList());
    }

    // Accepted findings come back when the text changes; the file keeps
    // texts with tabs, line breaks and backslashes exactly.
    void acceptedFindings()
    {
        QTemporaryDir dir;
        const QString file = AcceptedFindingsFileName(dir.filePath("app.deu.lng"));
        QCOMPARE(QFileInfo(file).fileName(), QString("app.deu.checks"));
        TCheckContext c = Context(kGerman, "a\tb\\c\r\nd", "a b\\c");
        auto findings = RunChecks(*FRegistry, std::span(&c, 1));
        QVERIFY(findings.size() >= 2);
        TAcceptedFindings accepted;
        for (const TCheckFinding& f : findings) accepted.Accept(f);
        accepted.Save(file);
        const TAcceptedFindings loaded = TAcceptedFindings::Load(file);
        QCOMPARE(loaded.Count(), int(findings.size()));
        for (const TCheckFinding& f : RunChecks(*FRegistry, std::span(&c, 1), &loaded)) QVERIFY(f.Accepted);
        c.Translation = "a b\\c ";
        bool back = false;
        for (const TCheckFinding& f : RunChecks(*FRegistry, std::span(&c, 1), &loaded)) back = back || !f.Accepted;
        QVERIFY(back);
        TAcceptedFindings none;
        none.Save(file);
        QVERIFY(!QFile::exists(file));
        QCOMPARE(TAcceptedFindings::Load(file).Count(), 0);
    }

    void damagedAcceptedFindings_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("message");
        QTest::newRow("no header") << QByteArray("MainForm.Caption\tempty\t\n") << "Not an accepted findings file";
        QTest::newRow("two fields") << QByteArray("Phrase Desk accepted findings 1\nA.B\tempty\n")
                                    << "line 2 has 2 fields instead of 3";
        QTest::newRow("bad escape") << QByteArray("Phrase Desk accepted findings 1\nA.B\tempty\tx\\q\n")
                                    << "line 2 has a backslash";
        QTest::newRow("not utf-8") << QByteArray("Phrase Desk accepted findings 1\n\nA.B\tempty\t\xff\n")
                                   << "line 3 is not UTF-8 text";
        QTest::newRow("no item") << QByteArray("Phrase Desk accepted findings 1\n\tempty\tx\n")
                                 << "line 2 names no item";
    }
    void damagedAcceptedFindings()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString file = dir.filePath("app.deu.checks");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
        f.close();
        try {
            TAcceptedFindings::Load(file);
            QFAIL("a damaged file was read");
        } catch (const ECheckError& e) {
            QVERIFY2(e.Message().contains(message), qPrintable(e.Message()));
            QVERIFY2(e.Message().contains("app.deu.checks"), qPrintable(e.Message()));
        }
    }

    // A write that fails halfway leaves the accepted findings as they were.
    void acceptedFindingsWrittenAtomically()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("app.deu.checks");
        const TCheckContext c = Context(kGerman, "Open", "");
        TAcceptedFindings accepted;
        accepted.Accept(RunChecks(*FRegistry, std::span(&c, 1)).at(0));
        accepted.Save(file);
        const QByteArray before = accepted.ToBytes();
        accepted.Accept(MakeFinding(*FRegistry->Find("length"), c, "x"));
        SetAtomicWriteHookForTesting([](const QString&) { throw EVocabrixError("disk full"); });
        QVERIFY_THROWS_EXCEPTION(ECheckError, accepted.Save(file));
        SetAtomicWriteHookForTesting({});
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }

    // The batch run: one line per finding with control characters escaped,
    // a summary per language, accepted findings left out, and the strict
    // gate failing only on errors.
    void batch()
    {
        QTemporaryDir dir;
        WriteProject(dir.path(), {
                                     {{}, "MainForm", "btnOK", "Caption", "&OK", "OK"},
                                     {{}, "MainForm", "btnHelp", "Caption", "Help\r\nme", "Hilfe"},
                                     {{}, "MainForm", "btnSave", "Caption", "&Save", "&Speichern"},
                                     {{}, "MainForm", "btnOpen", "Caption", "&Open", "Open", false},
                                     {{}, {}, {}, "SCount", "%d files", "%s Dateien"},
                                 });
        const QString native = dir.filePath("app.ntv.lng");
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        TBatchRun run = RunBatch(native, {});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(run.Out.split('\n', Qt::SkipEmptyParts),
                 QStringList({
                     "app.deu.lng: MainForm.btnHelp.Caption: linebreaks: the native text has one line break, the "
                     "translation none",
                     "app.deu.lng: MainForm.btnOK.Caption: accelerator: the native text has one accelerator, the "
                     "translation none",
                     "app.deu.lng: RC.SCount: format: argument 0 is %d in the native text, %s in the translation",
                     "app.deu.lng: 2 errors, 1 warning, 0 accepted",
                 }));

        run = RunBatch(native, {true, false});
        QCOMPARE(run.ExitCode, 3);

        // Accepting the two errors opens the gate; the warning stays.
        TAcceptedFindings accepted;
        TLangFileProject project;
        project.Open(native, false, true);
        project.OpenLanguage(dir.filePath("app.deu.lng"), true);
        for (const TCheckFinding& f : RunChecks(*FRegistry, CollectCheckContexts(project, 1, "deu")))
            if (f.Severity == csError) accepted.Accept(f);
        project.Close(false);
        accepted.Save(AcceptedFindingsFileName(dir.filePath("app.deu.lng")));
        run = RunBatch(native, {true, false});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Out.endsWith("app.deu.lng: 0 errors, 1 warning, 2 accepted\n"));

        run = RunBatch(native, {false, true});
        QDir::setCurrent(old);
        QCOMPARE(run.ExitCode, 0);
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(run.Out.toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(json.array().size(), 1);
        const QJsonObject o = json.array().at(0).toObject();
        QCOMPARE(o.value("file").toString(), QString("app.deu.lng"));
        QCOMPARE(o.value("item").toString(), QString("MainForm.btnHelp.Caption"));
        QCOMPARE(o.value("language").toString(), QString("deu"));
        QCOMPARE(o.value("check").toString(), QString("linebreaks"));
        QCOMPARE(o.value("severity").toString(), QString("warning"));
        QCOMPARE(o.value("native").toString(), QString("Help\r\nme"));
        QCOMPARE(o.value("translation").toString(), QString("Hilfe"));
        QVERIFY(run.Err.contains("app.deu.lng: 0 errors, 1 warning, 2 accepted"));
    }

    // The editor's view of a project: checked whole in the background, a cell
    // checked again as it is typed, a finding accepted into the language's
    // file; a result for a project that changed meanwhile is dropped.
    void projectChecks()
    {
        QTemporaryDir dir;
        WriteProject(dir.path(), {
                                     {{}, "MainForm", "btnOK", "Caption", "&OK", "OK"},
                                     {{}, "MainForm", "btnSave", "Caption", "&Save", "&Speichern"},
                                 });
        TLangFileProject project;
        project.Open(dir.filePath("app.ntv.lng"), false, true);
        project.OpenLanguage(dir.filePath("app.deu.lng"), true);
        TProjectChecks checks;
        checks.Reset(&project, {});
        const auto stale = checks.Prepare();
        checks.Reset(&project, {});
        const auto job = checks.Prepare();
        TProjectChecks::Run(*job);
        TProjectChecks::Run(*stale);
        QVERIFY(!checks.Apply(*stale));
        QVERIFY(checks.Apply(*job));
        const TLocItem* ok = project.FindProperty("MainForm", "btnOK", "Caption");
        const TLocItem* save = project.FindProperty("MainForm", "btnSave", "Caption");
        QCOMPARE(checks.OpenCount(1), 1);
        QCOMPARE(checks.FindingsOf(ok, 1).at(0)->CheckId, QString("accelerator"));

        // Typing "&OK" mends it; "&Sichern" clashes with "&Speichern".
        checks.Recheck(ok, 1, "&OK");
        QVERIFY(!checks.HasFindings(ok, 1));
        checks.Recheck(ok, 1, "&Sichern");
        QCOMPARE(checks.FindingsOf(save, 1).at(0)->CheckId, QString("accelerator-clash"));
        QCOMPARE(checks.FindingsOf(ok, 1).at(0)->CheckId, QString("accelerator-clash"));

        checks.Accept(*checks.FindingsOf(save, 1).at(0));
        QVERIFY(!checks.HasFindings(save, 1));
        QCOMPARE(TAcceptedFindings::Load(dir.filePath("app.deu.checks")).Count(), 1);
        // A new run reads the accepted finding back.
        checks.Reset(&project, {});
        const auto again = checks.Prepare();
        TProjectChecks::Run(*again);
        QVERIFY(checks.Apply(*again));
        checks.Recheck(ok, 1, "&Sichern");
        QVERIFY(!checks.HasFindings(save, 1));
        QVERIFY(checks.HasFindings(ok, 1));
    }

    // The sample project's German and French as a build would check them.
    void sampleProject()
    {
        const TBatchRun run = RunBatch(SHARED_EXAMPLES_DIR "/Notes.ntv.lng", {true, false});
        QCOMPARE(run.ExitCode, 0); // warnings only
        QVERIFY2(run.Out.contains("Notes.deu.lng: FindDialog.btnFindNext.Caption: accelerator-clash: \"&W\" is also "
                                  "the accelerator of FindDialog.chkWholeWord.Caption\n"),
                 qPrintable(run.Out));
        QVERIFY2(run.Out.endsWith("Notes.fra.lng: 0 errors, 0 warnings, 0 accepted\n"), qPrintable(run.Out));
        QVERIFY(run.Err.isEmpty());
    }

    // A name with control characters cannot rewrite the build log.
    void batchEscapesControls()
    {
        QTemporaryDir dir;
        WriteProject(dir.path(), {{{}, "Main\x1b[2JForm", {}, "Caption", "&OK", "OK"}});
        const TBatchRun run = RunBatch(dir.filePath("app.ntv.lng"), {});
        QVERIFY2(!run.Out.contains(QChar(0x1b)), qPrintable(run.Out));
        QVERIFY2(run.Out.contains("Main\\x1b[2JForm.Caption: accelerator"), qPrintable(run.Out));
    }

    // A damaged accepted findings file fails the run instead of passing it.
    void batchDamagedSidecarFails()
    {
        QTemporaryDir dir;
        WriteProject(dir.path(), {{{}, "MainForm", {}, "Caption", "&OK", "OK"}});
        QFile f(dir.filePath("app.deu.checks"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("garbage");
        f.close();
        const TBatchRun run = RunBatch(dir.filePath("app.ntv.lng"), {true, false});
        QCOMPARE(run.ExitCode, 1);
        QVERIFY2(run.Err.contains("app.deu.checks"), qPrintable(run.Err));
    }
};

QTEST_GUILESS_MAIN(TestChecks)
#include "tst_checks.moc"
