// A program localized from its executable alone: the batch chain from
// extraction to the language DLL.

#include "resources/ExtractFixtures.h"

#include "app/Batch.h"
#include "core/Prompt.h"
#include "platform/FileLock.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace ExtractFixtures;

class TstExtract : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // extract -> -create:deu -> translate every value -> -dll -> read the
    // DLL back: every string and every form property translated.
    void wholeChain_data()
    {
        QTest::addColumn<bool>("sample");
        QTest::newRow("the sample, with its settings record") << true;
        QTest::newRow("a plain Delphi program, without") << false;
    }

    void wholeChain()
    {
        QFETCH(bool, sample);
        QTemporaryDir dir;
        const QString exe = dir.filePath("app.exe");
        if (sample)
            QVERIFY(QFile::copy(SHARED_EXAMPLES_DIR "/Notes.exe", exe));
        else
            WriteExecutable(exe, {SmallForm("Main", {{"TButton", "btnOK", "OK"}, {"TLabel", "lblName", "Name:"}})},
                            {{65000, "Hello"}, {65001, "File %s not found"}}, false);
        TRecordingPrompt prompt;
        QCOMPARE(RunBatch(ParseStartOptions({"-extract", "-create:deu", "app.ntv.lng"}, dir.path()), prompt), 0);

        const QString native = dir.filePath("app.ntv.lng"), lang = dir.filePath("app.deu.lng");
        {
            TLangFileProject project;
            project.Open(native, false, false);
            project.OpenLanguage(lang, false);
            TranslateEveryValue(project, 1);
            project.Close(false);
        }

        const QStringList dll = {"-dll", "-pefile:app.exe", "app.deu.lng"};
        if (!sample) {
            // The default stays: no settings record, no DLL.
            QCOMPARE(RunBatch(ParseStartOptions(dll, dir.path()), prompt), 1);
            QVERIFY(!QFile::exists(dir.filePath("app.deu")));
        }
        QCOMPARE(RunBatch(ParseStartOptions(dll + QStringList{"-nosettings"}, dir.path()), prompt), 0);

        TResProcessor rp;
        rp.LoadPEFile(dir.filePath("app.deu"));
        TLocStorage project;
        TLangFile(native, true).Load(&project, -1, 0);
        int checked = 0;
        for (const auto& unit : project.Units())
            for (const auto& c : unit->Constants()) {
                QCOMPARE(rp.Strings()->ItemById(c->StringID())->Data(), Translated(c.get()));
                ++checked;
            }
        for (const auto& form : project.Forms()) {
            const QMap<QString, QString> values =
                FormValues(rp.RCData()->ItemByName("T" + form->Name().toUpper())->Buffer());
            auto check = [&](const QString& component, const TLocPropertyList& props) {
                for (const auto& p : props) {
                    QCOMPARE(values.value(component + '|' + p->Name()), Translated(p.get()));
                    ++checked;
                }
            };
            check(QString(), form->Properties());
            for (const auto& c : form->Components()) check(c->Name(), c->Properties());
        }
        QCOMPARE(checked, sample ? 44 : 5);
    }

    // -extract:layout, -drc: and -rules: reach the extraction; a mode it
    // does not know stops the run before anything is written.
    void batchSwitches()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(SHARED_EXAMPLES_DIR "/Notes.exe", dir.filePath("Notes.exe")));
        QFile drc(dir.filePath("Notes.drc")), rules(dir.filePath("Notes.rules"));
        QVERIFY(drc.open(QIODevice::WriteOnly) && rules.open(QIODevice::WriteOnly));
        drc.write("/* NotesStrings.SFileNotFound */\n#define NotesStrings_SFileNotFound 65000\n");
        rules.write("-*.Hint\n");
        drc.close();
        rules.close();
        TRecordingPrompt prompt;
        QCOMPARE(RunBatch(ParseStartOptions({"-extract:bogus", "Notes.ntv.lng"}, dir.path()), prompt), 2);
        QVERIFY(!QFile::exists(dir.filePath("Notes.ntv.lng")));
        QCOMPARE(RunBatch(ParseStartOptions({"-extract:layout", "-drc:Notes.drc", "-rules:Notes.rules",
                                             "-pefile:Notes.exe", "Notes.ntv.lng"},
                                            dir.path()),
                          prompt),
                 0);
        TLocStorage s;
        TLangFile(dir.filePath("Notes.ntv.lng"), true).Load(&s, -1, 0);
        QVERIFY(s.FindConstant("NotesStrings", "SFileNotFound"));
        QVERIFY(s.FindConstant("RC", "65001"));
        QVERIFY(s.FindProperty("MainForm", "", "Left"));
        QVERIFY(s.FindProperty("MainForm", "mnuEditFind", "Caption"));
        QVERIFY(!s.FindProperty("MainForm", "mnuEditFind", "Hint"));
    }
};

QTEST_MAIN(TstExtract)
#include "tst_extract.moc"
