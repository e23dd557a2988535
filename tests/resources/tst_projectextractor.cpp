#include "resources/ExtractFixtures.h"

#include "langfile/LZCompressor.h"
#include "langfile/LangFile.h"
#include "platform/FileLock.h"
#include "resources/ProjectExtractor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace ExtractFixtures;

namespace {

const QString kExamples = QStringLiteral(SHARED_EXAMPLES_DIR);

void WriteText(const QString& Path, const QByteArray& Text)
{
    QFile f(Path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(Text);
}

void LoadNative(const QString& Path, TLocStorage& S)
{
    TLangFile file(Path, true);
    file.Load(&S, -1, 0);
}

// One line per form item, "form|component|property|type|value", and per
// constant, "unit|name|string id|value".
QStringList Describe(const TLocStorage& S, bool TextsOnly, bool Constants = true)
{
    QStringList lines;
    for (const auto& form : S.Forms()) {
        auto add = [&](const QString& component, const TLocPropertyList& props) {
            for (const auto& p : props) {
                const TLocValueType t = p->PropertyType();
                if (TextsOnly && t != ptString && t != ptStringList) continue;
                lines << QStringLiteral("%1|%2|%3|%4|%5")
                             .arg(form->Name(), component, p->Name())
                             .arg(int(t))
                             .arg(p->MainValue()->Value());
            }
        };
        add(QString(), form->Properties());
        for (const auto& c : form->Components()) add(c->Name(), c->Properties());
    }
    for (const auto& unit : S.Units())
        for (const auto& c : unit->Constants())
            if (Constants)
                lines << QStringLiteral("%1|%2|%3|%4")
                             .arg(unit->Name(), c->Name())
                             .arg(c->StringID())
                             .arg(c->MainValue()->Value());
    return lines;
}

} // namespace

class TestProjectExtractor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<bool>("layout");
        QTest::addColumn<QString>("cls");
        QTest::addColumn<QString>("prop");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("taken");
        QTest::newRow("caption") << "" << false << "TButton"
                                 << "Caption" << int(ptString) << true;
        QTest::newRow("caption as a number") << "" << false << "TButton"
                                             << "Caption" << int(ptInteger) << false;
        QTest::newRow("nested caption") << "" << false << "TColumn"
                                        << "Title.Caption" << int(ptString) << true;
        QTest::newRow("string list") << "" << false << "TComboBox"
                                     << "Items.Strings" << int(ptStringList) << true;
        QTest::newRow("event handler") << "" << false << "TButton"
                                       << "OnClick" << int(ptEnumValue) << false;
        QTest::newRow("component reference") << "" << false << "TLabel"
                                             << "FocusControl" << int(ptEnumValue) << false;
        QTest::newRow("data binding") << "" << false << "TDBEdit"
                                      << "DataField" << int(ptString) << false;
        QTest::newRow("font name") << "" << false << "TForm1"
                                   << "Font.Name" << int(ptString) << false;
        QTest::newRow("font name, layout") << "" << true << "TForm1"
                                           << "Font.Name" << int(ptString) << true;
        QTest::newRow("width, layout") << "" << true << "TButton"
                                       << "Width" << int(ptInteger) << true;
        QTest::newRow("width") << "" << false << "TButton"
                               << "Width" << int(ptInteger) << false;
        QTest::newRow("charset identifier, layout") << "" << true << "TLabel"
                                                    << "Font.Charset" << int(ptEnumValue) << false;
        QTest::newRow("dialog filter") << "" << false << "TOpenDialog"
                                       << "Filter" << int(ptString) << true;
        QTest::newRow("dataset filter") << "" << false << "TClientDataSet"
                                        << "Filter" << int(ptString) << false;
        QTest::newRow("class removed") << "-TLabel" << false << "TLabel"
                                       << "Caption" << int(ptString) << false;
        QTest::newRow("other class stays") << "-TLabel" << false << "TButton"
                                           << "Caption" << int(ptString) << true;
        QTest::newRow("property removed") << "-*.Hint" << false << "TButton"
                                          << "Hint" << int(ptString) << false;
        QTest::newRow("number added") << "+TSpinEdit.Value" << false << "TSpinEdit"
                                      << "Value" << int(ptInteger) << true;
        QTest::newRow("binary never") << "+TImage.Picture.Data" << false << "TImage"
                                      << "Picture.Data" << int(ptBinary) << false;
    }

    void rules()
    {
        QFETCH(QString, rule);
        QFETCH(bool, layout);
        QFETCH(QString, cls);
        QFETCH(QString, prop);
        QFETCH(int, type);
        QFETCH(bool, taken);
        TTranslatableRules rules(layout);
        if (!rule.isEmpty()) rules.AddRule(rule);
        QCOMPARE(rules.IsTranslatable(cls, prop, TLocValueType(type)), taken);
    }

    void badRules()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("app.rules");
        WriteText(path, "# project rules\n+TSpinEdit.Value\n\nTLabel.Caption\n");
        TTranslatableRules rules;
        try {
            rules.LoadFromFile(path);
            QFAIL("a rule without + or - was taken");
        } catch (const EProjectExtractError& e) {
            QVERIFY2(e.Message().contains("line 4"), qPrintable(e.Message()));
        }
        QVERIFY_THROWS_EXCEPTION(EProjectExtractError, rules.AddRule("+TLabel"));
        QVERIFY_THROWS_EXCEPTION(EProjectExtractError, rules.LoadFromFile(dir.filePath("missing.rules")));
    }

    void drcFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("app.drc");
        WriteText(path, "/* Vcl.Consts.SMsgDlgYes */\n"
                        "#define Vcl_Consts_SMsgDlgYes 65216\n"
                        "#define Main_SHello 65000\r\n"
                        "/* Main.S_Odd_Name */\n"
                        "#define Main_S_Odd_Name 65001\n"
                        "STRINGTABLE\nBEGIN\n  Main_SHello, \"Hello\"\nEND\n");
        const QHash<int, TStringName> names = ReadDrcFile(path);
        QCOMPARE(names.size(), 3);
        QCOMPARE(names[65216].Unit, QString("Vcl.Consts"));
        QCOMPARE(names[65216].Name, QString("SMsgDlgYes"));
        QCOMPARE(names[65000].Unit, QString("Main"));
        QCOMPARE(names[65000].Name, QString("SHello"));
        QCOMPARE(names[65001].Name, QString("S_Odd_Name"));

        WriteText(path, "#define Main_SHello 65000\n#define Main_SBad 70000\n");
        try {
            ReadDrcFile(path);
            QFAIL("an identifier beyond 16 bits was taken");
        } catch (const EProjectExtractError& e) {
            QVERIFY2(e.Message().contains("line 2"), qPrintable(e.Message()));
        }
    }

    // The sample's executable gives back the sample's project: with its
    // definitions file the same units, names and identifiers, with a rules
    // file the numbers the sample translates too. External groups do not
    // come from an executable.
    void notesSample_data()
    {
        QTest::addColumn<bool>("withRules");
        QTest::addColumn<bool>("withDrc");
        QTest::newRow("texts") << false << true;
        QTest::newRow("rules for the numbers") << true << true;
        QTest::newRow("without definitions") << false << false;
    }

    void notesSample()
    {
        QFETCH(bool, withRules);
        QFETCH(bool, withDrc);
        QTemporaryDir dir;
        TLocStorage expected;
        LoadNative(kExamples + "/Notes.ntv.lng", expected);

        TExtractOptions options;
        if (withDrc) {
            QByteArray drc;
            for (const auto& unit : expected.Units())
                for (const auto& c : unit->Constants())
                    drc += QStringLiteral("/* %1.%2 */\n#define %1_%2 %3\n")
                               .arg(unit->Name(), c->Name())
                               .arg(c->StringID())
                               .toLatin1();
            options.DrcFile = dir.filePath("Notes.drc");
            WriteText(options.DrcFile, drc);
        }
        if (withRules) {
            options.RulesFile = dir.filePath("Notes.rules");
            WriteText(options.RulesFile, "+TMainForm.Width\n+TMainForm.Height\n+TMemo.Font.Size\n"
                                         "+TSpinEdit.Value\n+TTrackBar.Frequency\n+TEdit.Value\n");
        }
        const QString native = dir.filePath("Notes.ntv.lng");
        const TExtractSummary summary = ExtractProject(kExamples + "/Notes.exe", native, options);
        QVERIFY(summary.Warnings.isEmpty());
        QCOMPARE(summary.Changed + summary.Removed + summary.Unchanged, 0);

        TLocStorage actual;
        LoadNative(native, actual);
        QCOMPARE(actual.MainLangID(), uint16_t(0x0409));
        QStringList want = Describe(expected, !withRules, withDrc);
        if (!withDrc) {
            // Strings without names: unit "RC", named by identifier.
            for (const auto& unit : expected.Units())
                for (const auto& c : unit->Constants())
                    want << QStringLiteral("RC|%1|%1|%2").arg(c->StringID()).arg(c->MainValue()->Value());
        }
        QStringList got = Describe(actual, false);
        want.sort();
        got.sort();
        QCOMPARE(got, want);
        QCOMPARE(summary.Added, int(want.size()));
    }

    // PE32+ and compressed executables give the same project as the plain one.
    void executableKinds_data()
    {
        QTest::addColumn<bool>("is64Bit");
        QTest::addColumn<bool>("compressed");
        QTest::newRow("PE32+") << true << false;
        QTest::newRow("compressed") << false << true;
    }

    void executableKinds()
    {
        QFETCH(bool, is64Bit);
        QFETCH(bool, compressed);
        QTemporaryDir dir;
        TResProcessor p;
        p.LoadPEFile(kExamples + "/Notes.exe");
        p.SetIs64Bit(is64Bit);
        QByteArray image;
        p.CreateDLLStream(image);
        if (compressed) image = CompressBuffer(image);
        const QString exe = dir.filePath("app.exe");
        WriteFileAtomic(exe, image);
        ExtractProject(kExamples + "/Notes.exe", dir.filePath("plain.ntv.lng"), {});
        ExtractProject(exe, dir.filePath("app.ntv.lng"), {});
        TLocStorage plain, other;
        LoadNative(dir.filePath("plain.ntv.lng"), plain);
        LoadNative(dir.filePath("app.ntv.lng"), other);
        QCOMPARE(Describe(other, false), Describe(plain, false));
    }

    // Every real form extracted, translated entirely and built into a DLL
    // comes back from the form processor with exactly the translated values
    // changed.
    void fixturesRoundTrip_data()
    {
        QTest::addColumn<QString>("file");
        const QDir forms(QStringLiteral(TEST_DATA_DIR "/forms"));
        for (const QString& name : forms.entryList({"*.bin"}, QDir::Files))
            QTest::newRow(qPrintable(name)) << forms.filePath(name);
    }

    void fixturesRoundTrip()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        const QByteArray form = ReadWholeFile(file);
        const QString exe = dir.filePath("app.exe"), native = dir.filePath("app.ntv.lng"),
                      lang = dir.filePath("app.deu.lng");
        WriteExecutable(exe, {form}, {{100, "Ready"}});
        const TExtractSummary summary = ExtractProject(exe, native, {QString(), QString(), true});
        QVERIFY2(summary.Warnings.isEmpty(), qPrintable(summary.Warnings.join('\n')));
        CreateTranslatedLanguage(native, lang, 0x0407);
        CreateLanguageDll(lang, exe);

        TResProcessor dll;
        dll.LoadPEFile(dir.filePath("app.deu"));
        TLocStorage project;
        LoadNative(native, project);
        const QString formName = TLocFormProcessor::ReadFormProperties(form, 0x0409, [](const TFormProperty&) {});
        const TResRCDataItem* translated = dll.RCData()->ItemByName("T" + formName.toUpper());
        QVERIFY(translated);

        const QMap<QString, QString> before = FormValues(form), after = FormValues(translated->Buffer());
        QCOMPARE(after.keys(), before.keys());
        int changed = 0;
        for (auto it = before.begin(); it != before.end(); ++it) {
            const QString component = it.key().section('|', 0, 0), name = it.key().section('|', 1);
            const TLocProperty* p = project.FindProperty(formName, component, name);
            const bool translatable = p && !p->Attribute(vaUntranslatable) && IsTranslatedType(p->PropertyType());
            const QString want = translatable ? Translated(p) : it.value();
            QVERIFY2(after[it.key()] == want, qPrintable(it.key() + ": " + after[it.key()] + " != " + want));
            changed += translatable;
        }
        QCOMPARE(changed > 0, project.Forms().Count() > 0);
        QCOMPARE(dll.Strings()->ItemById(100)->Data(), QString("Ü Ready"));
    }

    // A new build: a button more, a label less, a changed caption.
    void update()
    {
        QTemporaryDir dir;
        const QString exe = dir.filePath("app.exe"), native = dir.filePath("app.ntv.lng"),
                      lang = dir.filePath("app.deu.lng");
        WriteExecutable(
            exe,
            {SmallForm("Main",
                       {{"TButton", "btnOK", "OK"}, {"TLabel", "lblName", "Name:"}, {"TLabel", "lblDash", "-"}})},
            {{65000, "Hello"}, {65001, "Bye"}});
        ExtractProject(exe, native, {});
        CreateTranslatedLanguage(native, lang, 0x0407);
        TLocStorage first;
        LoadNative(native, first);
        QVERIFY(first.FindProperty("Form1", "lblDash", "Caption")->Attribute(vaUntranslatable));
        const int okID = first.FindProperty("Form1", "btnOK", "Caption")->ID();
        const int captionID = first.FindProperty("Form1", "", "Caption")->ID();
        const int byeID = first.FindConstant("RC", "65001")->ID();

        WriteExecutable(
            exe,
            {SmallForm("Main window",
                       {{"TButton", "btnOK", "OK"}, {"TButton", "btnCancel", "Cancel"}, {"TLabel", "lblDash", "-"}})},
            {{65000, "Hello"}, {65001, "Bye"}});
        const TExtractSummary summary = ExtractProject(exe, native, {});
        QCOMPARE(summary.Added, 1);
        QCOMPARE(summary.Changed, 1);
        QCOMPARE(summary.Removed, 1);
        QCOMPARE(summary.Unchanged, 4);
        QCOMPARE(summary.Text(), QString("1 added, 1 changed, 1 removed, 4 unchanged"));

        // The language file follows: kept items stay translated, the changed
        // caption needs work, the new button is untranslated.
        TLangFileProject project;
        project.Open(native, false, true);
        project.OpenLanguage(lang, true);
        const TLocProperty* ok = project.FindProperty("Form1", "btnOK", "Caption");
        const TLocProperty* caption = project.FindProperty("Form1", "", "Caption");
        const TLocProperty* cancel = project.FindProperty("Form1", "btnCancel", "Caption");
        QVERIFY(ok && caption && cancel);
        QCOMPARE(ok->ID(), okID);
        QCOMPARE(caption->ID(), captionID);
        QCOMPARE(project.FindConstant("RC", "65001")->ID(), byeID);
        QVERIFY(cancel->ID() > first.MaxPropID());
        QVERIFY(!project.FindProperty("Form1", "lblName", "Caption"));
        QVERIFY(!project.Forms().Items(0)->Components().FindByName("lblName"));
        QCOMPARE(caption->MainValue()->Value(), QString("Main window"));
        QVERIFY(ok->IsTranslated(1));
        QCOMPARE(ok->Values().Items(1)->Value(), QString("Ü OK"));
        QVERIFY(!caption->IsTranslated(1));
        QVERIFY(!cancel->IsTranslated(1));
        QVERIFY(project.FindConstant("RC", "65000")->IsTranslated(1));
        QCOMPARE(project.LangFiles().Items(0)->Version(), 2);
    }

    // Forms created at run time (marked "~RTM:") and external items come
    // from no executable: an update keeps them.
    void updateKeepsWhatNoExecutableHolds()
    {
        QTemporaryDir dir;
        const QString exe = dir.filePath("app.exe"), native = dir.filePath("app.ntv.lng");
        WriteExecutable(exe, {SmallForm("Main", {})}, {});
        ExtractProject(exe, native, {});
        {
            TLocStorage s;
            TLangFile file(native, false);
            file.Load(&s, -1, 0);
            TLocForm* runtime = s.Forms().Add("RuntimeForm");
            runtime->SetAttributes(faRuntimeForm);
            runtime->Properties().Add(-1, "Caption", ptString)->MainValue()->SetValue("Made at run time");
            s.AddExternalItem(-1, "Installer", "Title")->MainValue()->SetValue("Setup");
            file.SetPropertyMaxID(s.MaxPropID());
            file.Save(&s, 0, false);
        }
        const TExtractSummary summary = ExtractProject(exe, native, {});
        QCOMPARE(summary.Removed, 0);
        TLocStorage s;
        LoadNative(native, s);
        QVERIFY(s.FindProperty("RuntimeForm", "", "Caption"));
        QVERIFY(s.FindExtItem("Installer", "Title"));
    }

    // Strings named by an earlier run with a definitions file keep their
    // names when a later run has none.
    void updateKeepsNames()
    {
        QTemporaryDir dir;
        const QString exe = dir.filePath("app.exe"), native = dir.filePath("app.ntv.lng"),
                      drc = dir.filePath("app.drc");
        WriteExecutable(exe, {}, {{65000, "Hello"}});
        WriteText(drc, "/* Main.SHello */\n#define Main_SHello 65000\n");
        ExtractProject(exe, native, {drc, QString(), false});
        const TExtractSummary summary = ExtractProject(exe, native, {});
        QCOMPARE(summary.Unchanged, 1);
        TLocStorage s;
        LoadNative(native, s);
        QVERIFY(s.FindConstant("Main", "SHello"));
        QCOMPARE(s.Units().Count(), 1);
    }

    void badInput()
    {
        QTemporaryDir dir;
        const QString exe = dir.filePath("app.exe"), native = dir.filePath("app.ntv.lng");
        QByteArray damaged = SmallForm("Broken", {{"TButton", "btnA", "A"}});
        damaged.chop(6);

        // A damaged form is named and skipped; the rest is extracted.
        WriteExecutable(exe, {damaged, SmallForm("Main", {})}, {});
        TExtractSummary summary = ExtractProject(exe, native, {});
        QCOMPARE(summary.Warnings.size(), 1);
        QVERIFY2(summary.Warnings[0].contains("TDAMAGED"), qPrintable(summary.Warnings[0]));
        QCOMPARE(summary.Added, 1);

        // No forms and no string tables: an error, and the project stays as it was.
        const QByteArray before = ReadWholeFile(native);
        WriteExecutable(exe, {}, {});
        try {
            ExtractProject(exe, native, {});
            QFAIL("an executable without forms and strings was taken");
        } catch (const EProjectExtractError& e) {
            QVERIFY2(e.Message().contains("no forms and no string tables"), qPrintable(e.Message()));
        }
        QCOMPARE(ReadWholeFile(native), before);

        // Not an executable at all: nothing is written.
        WriteText(exe, "MZ but nothing more");
        QVERIFY_THROWS_EXCEPTION(EProjectExtractError, ExtractProject(exe, dir.filePath("new.ntv.lng"), {}));
        QVERIFY(!QFile::exists(dir.filePath("new.ntv.lng")));
        QCOMPARE(ReadWholeFile(native), before);
    }

    // A form that a later build damages keeps its items: an update never
    // drops what it cannot read.
    void damagedFormOnUpdate()
    {
        QTemporaryDir dir;
        const QString exe = dir.filePath("app.exe"), native = dir.filePath("app.ntv.lng");
        WriteExecutable(exe, {SmallForm("Main", {{"TButton", "btnOK", "OK"}})}, {{1, "x"}});
        ExtractProject(exe, native, {});
        QByteArray damaged = SmallForm("Main", {{"TButton", "btnOK", "OK"}});
        damaged.chop(4);
        TResProcessor p;
        p.LoadPEFile(exe);
        p.RCData()->ItemByName("TFORM1")->Buffer() = damaged;
        QByteArray image;
        p.CreateDLLStream(image);
        WriteFileAtomic(exe, image);

        const TExtractSummary summary = ExtractProject(exe, native, {});
        QCOMPARE(summary.Warnings.size(), 1);
        QCOMPARE(summary.Removed, 0);
        TLocStorage s;
        LoadNative(native, s);
        QVERIFY(s.FindProperty("Form1", "btnOK", "Caption"));
    }
};

QTEST_GUILESS_MAIN(TestProjectExtractor)
#include "tst_projectextractor.moc"
