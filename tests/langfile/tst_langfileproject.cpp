#include "core/Prompt.h"
#include "langfile/LangFileProject.h"
#include "platform/AtomicFile.h"

#include <QtTest>

namespace {

const uint16_t kEnglish = 0x0409, kGerman = 0x0407, kFrench = 0x040C, kItalian = 0x0410;

void WriteFile(const QString& path, TLocStorage& s, int column, uint16_t locale, bool native, uint16_t basedOn = 0,
               int formatVersion = 7)
{
    TLangFile f(path, false);
    f.SetLocale(locale);
    f.SetIsNative(native);
    f.SetBasedOnLangID(basedOn);
    f.SetFormatVersion(uint16_t(formatVersion));
    f.SetVersion(3);
    f.Save(&s, column, false);
}

// Native texts "N:<name>"; column c of language L holds "<L>:<name>".
void MakeProject(const QString& dir, bool withExternal = true)
{
    TLocStorage s;
    s.SetMainLangID(kEnglish);
    TLocForm* f = s.Forms().Add("MainForm");
    f->Properties().Add(-1, "Caption", ptString);
    f->Components().Add("btnOpen")->Properties().Add(-1, "Caption", ptString);
    s.Units().Add("Strings")->Constants().Add(-1, "SFiles", 1);
    if (withExternal) s.AddExternalItem(-1, "Help", "Title");
    s.ForEachItem([](TLocItem* item) {
        item->MainValue()->SetValue("N:" + item->Name());
        item->MainValue()->SetValueVersion(3);
    });
    WriteFile(dir + "/app.ntv.lng", s, 0, kEnglish, true);
    for (uint16_t l : {kGerman, kFrench, kItalian}) {
        const int c = s.AddLanguage(0, l);
        s.ForEachItem([&](TLocItem* item) {
            item->Values().Items(c)->SetValue(QString::number(l, 16) + ":" + item->Name());
            item->Values().Items(c)->SetValueVersion(3);
        });
    }
    WriteFile(dir + "/app.deu.lng", s, 1, kGerman, false);
    WriteFile(dir + "/app.fra.lng", s, 2, kFrench, false);
    WriteFile(dir + "/app.ita.lng", s, 3, kItalian, false);
}

QString Text(TLangFileProject& p, int column)
{
    return p.FindConstant("Strings", "SFiles")->Values().Items(column)->Value();
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

class TestLangFileProject : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> FDir;
    QString Path(const QString& name) const { return FDir->filePath(name); }

private Q_SLOTS:
    void init()
    {
        FDir = std::make_unique<QTemporaryDir>();
        MakeProject(FDir->path());
    }
    void cleanup() { SetAtomicWriteHookForTesting({}); }

    void opensNativeAndLanguages()
    {
        TLangFileProject p;
        p.Open(Path("app.ntv.lng"), false, false);
        QCOMPARE(p.NativeFileName(), Path("app.ntv.lng"));
        QCOMPARE(p.MainLangID(), kEnglish);
        QVERIFY(p.LangFiles().Items(0)->Locked());
        p.OpenLanguage(Path("app.deu.lng"), false);
        p.OpenLanguage(Path("app.fra.lng"), false);
        QCOMPARE(p.LangCount(), 3);
        QCOMPARE(p.Locales(2), kFrench);
        QCOMPARE(Text(p, 1), QStringLiteral("407:SFiles"));
        QCOMPARE(Text(p, 2), QStringLiteral("40c:SFiles"));
        QCOMPARE(p.GetLangIndex("APP.FRA.LNG"), 2);
        QCOMPARE(p.GetLangIndex("app.ita.lng"), -1);
        QVERIFY(p.FindConstant("Strings", "SFiles")->IsTranslated(2));
        QVERIFY(p.Close(false));
        QCOMPARE(p.LangFiles().Count(), 0);
        QCOMPARE(p.Forms().Count(), 0);
        QVERIFY(p.NativeFileName().isEmpty());
    }

    void openErrors_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("secondLine");
        QTest::newRow("missing") << "none.ntv.lng"
                                 << "File does not exist";
        QTest::newRow("not native") << "app.deu.lng"
                                    << "Language file is not native";
    }
    void openErrors()
    {
        QFETCH(QString, file);
        QFETCH(QString, secondLine);
        TLangFileProject p;
        try {
            p.Open(Path(file), false, false);
            QFAIL("no exception");
        } catch (const ELangFileError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Error opening project \"%1\"\r\n%2").arg(Path(file), secondLine));
        }
        QCOMPARE(p.LangFiles().Count(), 0);
        QCOMPARE(p.Forms().Count(), 0);
        // The file is not left locked: it can be opened for writing again.
        if (QFile::exists(Path(file))) QVERIFY(!TLangFile(Path(file), false).ReadOnly());
    }

    // The first line names the project, the second says what is wrong.
    void nativeWithBrokenBodyNamesTheCause()
    {
        const QByteArray data = FileBytes(Path("app.ntv.lng"));
        QFile f(Path("app.ntv.lng"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data.left(data.size() - 5));
        f.close();
        TLangFileProject p;
        try {
            p.Open(Path("app.ntv.lng"), false, false);
            QFAIL("no exception");
        } catch (const ELangFileError& e) {
            QCOMPARE(e.Message(),
                     QStringLiteral("Error opening project \"%1\"\r\n\"%1\": Invalid file format: the file is "
                                    "cut short or a length in it is damaged")
                         .arg(Path("app.ntv.lng")));
        }
        QCOMPARE(p.LangFiles().Count(), 0);
        QCOMPARE(p.Forms().Count(), 0);
        QCOMPARE(p.Units().Count(), 0);
    }

    void newLanguageStartsFromItsBaseLanguage()
    {
        // A Swiss German file based on German with no entries of its own.
        TLocStorage empty;
        empty.AddLanguage(0, 0x0807);
        WriteFile(Path("app.des.lng"), empty, 1, 0x0807, false, kGerman);

        TLangFileProject p;
        p.Open(Path("app.ntv.lng"), false, false);
        p.OpenLanguage(Path("app.des.lng"), false); // German not open: native texts
        QCOMPARE(Text(p, 1), QStringLiteral("N:SFiles"));
        bool allow = false;
        p.CloseLanguage(1, allow);
        QVERIFY(allow);
        p.OpenLanguage(Path("app.deu.lng"), false);
        p.OpenLanguage(Path("app.des.lng"), false);
        QCOMPARE(Text(p, 2), QStringLiteral("407:SFiles"));
        QVERIFY(!p.FindConstant("Strings", "SFiles")->IsTranslated(2));
    }

    void closingAColumnRenumbersLaterFiles()
    {
        TLangFileProject p;
        p.Open(Path("app.ntv.lng"), false, false);
        for (const char* f : {"app.deu.lng", "app.fra.lng", "app.ita.lng"}) p.OpenLanguage(Path(f), false);
        bool allow = false;
        QVERIFY(p.CloseLanguage(2, allow));
        QCOMPARE(p.LangCount(), 3);
        QCOMPARE(p.LangFiles().Count(), 3);
        QCOMPARE(p.LangFiles().Items(2)->Locale(), kItalian);
        QCOMPARE(p.LangFiles().Items(2)->LangIndex(), 2);
        QCOMPARE(Text(p, 2), QStringLiteral("410:SFiles"));
        QVERIFY(!TLangFile(Path("app.fra.lng"), false).ReadOnly()); // its lock is gone
        QVERIFY(TLangFile(Path("app.ita.lng"), false).ReadOnly());  // still held
    }

    void savingFollowsTheNativeFile()
    {
        // A version 6 language file in a project with external groups is written as 7.
        TLocStorage s;
        s.AddLanguage(0, kGerman);
        WriteFile(Path("app.deu.lng"), s, 1, kGerman, false, 0, 6);
        TLangFileProject p;
        p.Open(Path("app.ntv.lng"), false, false);
        p.OpenLanguage(Path("app.deu.lng"), false);
        QCOMPARE(int(p.LangFiles().Items(1)->FormatVersion()), 6);
        p.LangFiles().Items(1)->SetVersion(1);
        p.FindConstant("Strings", "SFiles")->Values().Items(1)->SetValue("%d Dateien");
        p.LangFiles().Items(1)->SetModified(true);
        p.SaveLanguage(1);
        QVERIFY(!p.LangFiles().Items(1)->Modified());
        TLangFile back(Path("app.deu.lng"), true);
        QCOMPARE(int(back.FormatVersion()), 7);
        QCOMPARE(back.Version(), p.LangFiles().Items(0)->Version());
        TLangFileProject q;
        q.Open(Path("app.ntv.lng"), false, true);
        q.OpenLanguage(Path("app.deu.lng"), true);
        QCOMPARE(Text(q, 1), QStringLiteral("%d Dateien"));
    }

    void languageIsCompressedExactlyWhenNativeIs()
    {
        {
            TLocStorage s;
            TLangFile native(Path("app.ntv.lng"), false);
            native.Load(&s, -1, 0);
            native.SetCompressed(true);
            native.Save(&s, 0, false);
        }
        TLangFileProject p;
        p.Open(Path("app.ntv.lng"), false, false);
        QVERIFY(p.LangFiles().Items(0)->Compressed());
        p.OpenLanguage(Path("app.deu.lng"), false);
        QVERIFY(p.LangFiles().Items(1)->Compressed());
        p.SaveLanguage(1);
        QVERIFY(FileBytes(Path("app.deu.lng")).startsWith("LZQ00"));
        TLangFileProject q;
        q.Open(Path("app.ntv.lng"), false, true);
        q.OpenLanguage(Path("app.deu.lng"), true);
        QCOMPARE(Text(q, 1), QStringLiteral("407:SFiles"));
    }

    void brokenLanguageFilesLeaveTheProjectAsItWas()
    {
        const QByteArray deu = FileBytes(Path("app.deu.lng"));
        QFile cut(Path("cut.deu.lng"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(deu.left(deu.size() - 3));
        cut.close();
        QFile magic(Path("magic.deu.lng"));
        QVERIFY(magic.open(QIODevice::WriteOnly));
        magic.write("XY" + deu.mid(2));
        magic.close();

        TLangFileProject p;
        p.Open(Path("app.ntv.lng"), false, false);
        p.OpenLanguage(Path("app.fra.lng"), false);
        try {
            p.OpenLanguage(Path("cut.deu.lng"), false);
            QFAIL("no exception");
        } catch (const ELangFileError& e) {
            // The file and the reader's reason follow, for the user to act on.
            QCOMPARE(e.Message(),
                     QStringLiteral("Could not load language file\r\n\"%1\": Invalid file format: the file "
                                    "is cut short or a length in it is damaged")
                         .arg(Path("cut.deu.lng")));
        }
        try {
            p.OpenLanguage(Path("magic.deu.lng"), false);
            QFAIL("no exception");
        } catch (const ELangFileError& e) {
            QCOMPARE(e.Message(), QStringLiteral("\"%1\": Invalid file format: not a language file (it does not start "
                                                 "with \"LF\")")
                                      .arg(Path("magic.deu.lng")));
        }
        QCOMPARE(p.LangCount(), 2);
        QCOMPARE(p.LangFiles().Count(), 2);
        QCOMPARE(p.FindConstant("Strings", "SFiles")->Values().Count(), 2);
        QVERIFY(!TLangFile(Path("cut.deu.lng"), false).ReadOnly()); // no lock left behind
    }

    void failedSaveReportsTheCauseAndKeepsTheFile()
    {
        TLangFileProject p;
        p.Open(Path("app.ntv.lng"), false, false);
        p.OpenLanguage(Path("app.deu.lng"), false);
        const QByteArray before = FileBytes(Path("app.deu.lng"));
        p.FindConstant("Strings", "SFiles")->Values().Items(1)->SetValue("changed");
        p.LangFiles().Items(1)->SetModified(true);
        SetAtomicWriteHookForTesting([](const QString&) { throw EFileSystemError("Disk full"); });
        try {
            p.SaveLanguage(1);
            QFAIL("no exception");
        } catch (const ELangFileError& e) {
            QVERIFY(e.Message().startsWith("Could not save language file\r"));
            QVERIFY(e.Message().contains("Disk full"));
        }
        QVERIFY(p.LangFiles().Items(1)->Modified());
        QCOMPARE(FileBytes(Path("app.deu.lng")), before);
    }

    void repairRenumbersAndMatchesByName()
    {
        // The German file lists its items under other IDs and in another order.
        TLocStorage other;
        other.SetMainLangID(kEnglish);
        other.Units().Add("Strings")->Constants().Add(50, "SFiles", 1);
        TLocForm* f = other.Forms().Add("MainForm");
        f->Components().Add("btnOpen")->Properties().Add(60, "Caption", ptString);
        f->Properties().Add(61, "Caption", ptString);
        other.AddLanguage(0, kGerman);
        other.ForEachItem([](TLocItem* item) { item->Values().Items(1)->SetValue("DE:" + item->GetFullName(".")); });
        WriteFile(Path("app.deu.lng"), other, 1, kGerman, false);

        TRecordingPrompt prompt;
        RepairProject(Path("app.ntv.lng"), prompt);
        QVERIFY2(prompt.Log.contains("Information: Project repairing is completed"), qPrintable(prompt.Log.join('|')));
        QVERIFY(prompt.Log.contains("Status: Processing native language file \"app.ntv.lng\"..."));
        QVERIFY(prompt.Log.contains("Status: Processing language file \"app.deu.lng\"..."));

        TLangFileProject p;
        p.Open(Path("app.ntv.lng"), false, false);
        p.OpenLanguage(Path("app.deu.lng"), false);
        QCOMPARE(Text(p, 1), QStringLiteral("DE:Strings.SFiles"));
        QCOMPARE(p.FindProperty("MainForm", "btnOpen", "Caption")->Values().Items(1)->Value(),
                 QStringLiteral("DE:MainForm.btnOpen.Caption"));
        QCOMPARE(p.FindProperty("MainForm", "", "Caption")->Values().Items(1)->Value(),
                 QStringLiteral("DE:MainForm.Caption"));
    }

    void repairReportsMissingAndNonNativeFiles()
    {
        TRecordingPrompt prompt;
        RepairProject(Path("none.ntv.lng"), prompt);
        RepairProject(Path("app.deu.lng"), prompt);
        QCOMPARE(prompt.Log, QStringList({QStringLiteral("Error: File \"%1\" does not exist").arg(Path("none.ntv.lng")),
                                          "Error: \"app.deu.lng\" is not native language file"}));
    }
};

QTEST_GUILESS_MAIN(TestLangFileProject)
#include "tst_langfileproject.moc"
