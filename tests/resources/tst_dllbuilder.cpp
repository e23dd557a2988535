#include "core/DateTime.h"
#include "core/Prompt.h"
#include "langfile/LangFileProject.h"
#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "resources/DllBuilder.h"
#include "resources/FormProcessor.h"
#include "resources/ResProcessor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const uint16_t kEnglish = 0x0409, kFrench = 0x040C;

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString ErrorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const EVocabrixError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

// "TPF0", form Form1 with a Caption.
QByteArray FormStream(const QByteArray& caption)
{
    return QByteArray("TPF0\x06TForm1\x05"
                      "Form1\x07"
                      "Caption\x06") +
           char(caption.size()) + caption + QByteArray(2, '\0');
}

// A project with a French column: constants with string IDs 0, 1, 2, 3
// (3 untranslated) and the form Form1.
struct TFixture {
    TLocStorage s;
    TLangFile lf;
    TFixture()
    {
        s.SetMainLangID(kEnglish);
        s.AddLanguage(0, kFrench);
        TLocUnit* unit = s.Units().Add("Strings");
        const struct {
            const char* Name;
            int Id;
            const char* English;
            const char* French;
            int Version;
        } constants[] = {{"SZero", 0, "Zero", "Zéro", 1},
                         {"SOne", 1, "One", "Un", 1},
                         {"STwo", 2, "Two", "Deux", 1},
                         {"SThree", 3, "Three", "", 0}};
        for (const auto& c : constants) {
            TLocConstant* k = unit->Constants().Add(-1, c.Name, c.Id);
            k->MainValue()->SetValue(c.English);
            k->MainValue()->SetValueVersion(1);
            k->Values().Items(1)->SetValue(QString::fromUtf8(c.French));
            k->Values().Items(1)->SetValueVersion(c.Version);
        }
        TLocProperty* caption = s.Forms().Add("Form1")->Properties().Add(-1, "Caption", ptString);
        caption->MainValue()->SetValue("Hello");
        caption->Values().Items(1)->SetValue("Bonjour");
        lf.SetLocale(kFrench);
        lf.SetLangEnglishName("French (France)");
        lf.SetLangLocalizedName(QString::fromUtf8("français"));
        lf.SetVersion(7);
        lf.SetBuild(3);
        lf.SetLangIndex(1);
    }
};

// An executable at version 506 with DLL format 9, strings 0..4, the form, an
// executable record and language data; its library record under LibName
// (none when empty).
QString WriteExecutable(const QString& path, const QString& LibName = kLibSettingsName)
{
    TResProcessor p;
    auto* strings = static_cast<TResString*>(p.AddBlock(std::make_unique<TResString>(&p)));
    for (int id = 0; id < 5; ++id) strings->Add(id, QStringLiteral("native %1").arg(id));
    strings->ItemById(1)->SetData("One");
    auto* rcdata = static_cast<TResRCData*>(p.AddBlock(std::make_unique<TResRCData>(&p)));
    TSettingsRecord lib;
    lib.Version = 506;
    lib.Locale = kEnglish;
    lib.EnglishName = "English";
    lib.LocalizedName = "English";
    lib.DVersion = 9;
    if (!LibName.isEmpty()) rcdata->Add(LibName, false)->Buffer() = WriteSettingsRecord(lib);
    lib.Magic = "QEXE";
    rcdata->Add(kExeSettingsName, false)->Buffer() = WriteSettingsRecord(lib);
    rcdata->Add(kLocLangsName, false)->Buffer() = "language data";
    rcdata->Add("TFORM1", false)->Buffer() = FormStream("Hello");
    QByteArray image;
    p.CreateDLLStream(image);
    WriteFileAtomic(path, image);
    return path;
}

// Loads a DLL image from a file.
std::unique_ptr<TResProcessor> LoadDll(const QString& path)
{
    auto p = std::make_unique<TResProcessor>();
    p->LoadPEFile(path);
    return p;
}

} // namespace

class TestDllBuilder : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;

private Q_SLOTS:
    void init()
    {
        DateTime::SetClockForTesting([] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); });
    }
    void cleanup() { DateTime::SetClockForTesting({}); }

    void settingsRecordLayout()
    {
        TSettingsRecord r;
        r.Version = -2;
        r.Locale = kEnglish;
        r.EnglishName = "English";
        r.LocalizedName = "English";
        r.Build = 0x01020304;
        const QByteArray data = WriteSettingsRecord(r);
        QCOMPARE(data.size(), 44);
        QCOMPARE(data.toHex(' '), QByteArray::fromHex("4c444c4c feffffff 0904 0700 456e676c697368 0700"
                                                      "45006e0067006c00690073006800 0600 0000 04030201 00")
                                      .toHex(' '));
        TSettingsRecord back;
        QVERIFY(ReadSettingsRecord(data, back));
        QCOMPARE(back.Version, -2);
        QCOMPARE(back.LocalizedName, "English");
        QCOMPARE(back.Build, 0x01020304u);
        QVERIFY(!ReadSettingsRecord(data.left(20), back));
        QVERIFY(!ReadSettingsRecord(QByteArray("LDLL\0\0\0\0\0\0\xFF\xFF", 12), back));
    }

    void saveOwnSection()
    {
        TFixture f;
        TResProcessor rp;
        SaveOwnSection(f.lf, rp, 6, true, false);
        TSettingsRecord lib, exe;
        QVERIFY(ReadSettingsRecord(rp.RCData()->ItemByName(kLibSettingsName)->Buffer(), lib));
        QVERIFY(ReadSettingsRecord(rp.RCData()->ItemByName(kExeSettingsName)->Buffer(), exe));
        QCOMPARE(lib.Magic, "LDLL");
        QCOMPARE(exe.Magic, "QEXE");
        QCOMPARE(lib.Version, 7); // a new record takes the language file's version
        QCOMPARE(exe.LocalizedName, QString::fromUtf8("français"));

        // An existing record keeps its version unless told otherwise.
        f.lf.SetVersion(8);
        SaveOwnSection(f.lf, rp, 6, false, false);
        QVERIFY(ReadSettingsRecord(rp.RCData()->ItemByName(kLibSettingsName)->Buffer(), lib));
        QCOMPARE(lib.Version, 7);
        SaveOwnSection(f.lf, rp, 6, false, true);
        QVERIFY(ReadSettingsRecord(rp.RCData()->ItemByName(kLibSettingsName)->Buffer(), lib));
        QCOMPARE(lib.Version, 8);
        QCOMPARE(rp.RCData()->Count(), 2);

        // A longer record under another spelling is rewritten in place, keeps
        // its version and the byte after the new record.
        TResProcessor other;
        auto* rcdata = static_cast<TResRCData*>(other.AddBlock(std::make_unique<TResRCData>(&other)));
        rcdata->Add("oxv_libsettings_", false)->Buffer() = QByteArray("LDLL\x05\0\0\0", 8) + QByteArray(60, 'x');
        SaveOwnSection(f.lf, other, 6, false, false);
        QCOMPARE(rcdata->Count(), 1);
        const QByteArray& rewritten = rcdata->Items(0)->Buffer();
        QVERIFY(ReadSettingsRecord(rewritten, lib));
        QCOMPARE(lib.Version, 5);
        QCOMPARE(rewritten.size(), WriteSettingsRecord(lib).size());
        QCOMPARE(rewritten.back(), 'x');
    }

    void localizedPEFile_data()
    {
        QTest::addColumn<QString>("libName"); // "-": not a PE file
        QTest::addColumn<bool>("localized");
        QTest::newRow("library record") << kLibSettingsName << true;
        QTest::newRow("names without regard to case") << "Oxv_LibSettings_" << true;
        QTest::newRow("only the other spelling") << "_OXV_LIBSETTINGS" << false;
        QTest::newRow("no record") << QString() << false;
        QTest::newRow("not a PE file") << "-" << false;
    }
    void localizedPEFile()
    {
        QFETCH(QString, libName);
        QFETCH(bool, localized);
        const QString file = FDir.filePath("probe.exe");
        if (libName == "-")
            WriteFileAtomic(file, "MZ but nothing else");
        else
            WriteExecutable(file, libName);
        QCOMPARE(IsLocalizedPEFile(file), localized);
        QVERIFY(!IsLocalizedPEFile(FDir.filePath("missing.exe")));
    }

    void frenchDll_data()
    {
        QTest::addColumn<bool>("useUntranslated");
        QTest::newRow("untranslated get the native text") << false;
        QTest::newRow("untranslated used as they are") << true;
    }
    void frenchDll()
    {
        QFETCH(bool, useUntranslated);
        TFixture f;
        f.lf.SetAttribute(lfaUseUntranslated, useUntranslated);
        const QString exe = WriteExecutable(FDir.filePath("app.exe"));
        const QString dll = FDir.filePath("app.fra");
        CreateLDLL(f.lf, dll, exe, &f.s, true);
        const auto p = LoadDll(dll);

        TSettingsRecord r;
        QVERIFY(ReadSettingsRecord(p->RCData()->ItemByName(kLibSettingsName)->Buffer(), r));
        QCOMPARE(r.Version, 506);
        QCOMPARE(r.Locale, kFrench);
        QCOMPARE(r.EnglishName, "French (France)");
        QCOMPARE(r.LocalizedName, QString::fromUtf8("français"));
        QCOMPARE(r.DVersion, uint16_t(9));
        QCOMPARE(r.Build, 3u);
        QVERIFY(!p->RCData()->ItemByName(kExeSettingsName));
        QVERIFY(!p->RCData()->ItemByName(kLocLangsName));
        QVERIFY(p->RCData()->ItemByName("TFORM1")->Buffer().contains("Bonjour"));

        const TResString* strings = p->Strings();
        QCOMPARE(strings->ItemById(0)->Data(), "native 0"); // StringID 0 is never written
        QCOMPARE(strings->ItemById(1)->Data(), "Un");
        QCOMPARE(strings->ItemById(2)->Data(), "Deux");
        QCOMPARE(strings->IndexOfID(3) >= 0, !useUntranslated); // an empty string drops out of the table
        if (!useUntranslated) QCOMPARE(strings->ItemById(3)->Data(), "Three");
        QCOMPARE(strings->ItemById(4)->Data(), "native 4"); // no constant names it

        // The executable's texts of IDs 2 and 3 differ from the native values:
        // the last in storage order (constants sorted by name) is reported.
        QVERIFY(f.lf.NativeExeMismatch());
        QCOMPARE(f.lf.NativeExeMismatchText(), "native 2\r\nTwo");
    }

    // The executable's library record gives the DLL format version; nothing
    // after it is needed.
    void nativeRecord_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("dversion"); // 0: the build is refused
        TSettingsRecord r;
        r.Version = 506;
        r.EnglishName = "English";
        r.LocalizedName = "English";
        r.DVersion = 9;
        const QByteArray whole = WriteSettingsRecord(r);
        QTest::newRow("whole") << whole << 9;
        QTest::newRow("ends after the format version") << whole.left(whole.size() - 7) << 9;
        QTest::newRow("ends inside the format version") << whole.left(whole.size() - 8) << 0;
        QTest::newRow("name runs past the end") << whole.left(20) << 0;
        QTest::newRow("other magic") << "LDLX" + whole.mid(4) << 0;
    }
    void nativeRecord()
    {
        QFETCH(QByteArray, record);
        QFETCH(int, dversion);
        TFixture f;
        TResProcessor rp;
        auto* rcdata = static_cast<TResRCData*>(rp.AddBlock(std::make_unique<TResRCData>(&rp)));
        rcdata->Add(kLibSettingsName, false)->Buffer() = record;
        if (dversion == 0) {
            QCOMPARE(ErrorOf([&] { UpdateResources(f.lf, rp, &f.s, false, false); }),
                     "Can't create DLL. The native DLL is invalid");
            return;
        }
        UpdateResources(f.lf, rp, &f.s, false, false);
        TSettingsRecord r;
        QVERIFY(ReadSettingsRecord(rcdata->ItemByName(kLibSettingsName)->Buffer(), r));
        QCOMPARE(r.DVersion, uint16_t(dversion));
        QCOMPARE(r.Version, 506);
        QCOMPARE(r.Locale, kFrench);
        QCOMPARE(r.Build, 3u);
    }

    void failedBuildsWriteNothing()
    {
        TFixture f;
        const QString dll = FDir.filePath("old.fra");
        WriteFileAtomic(dll, "the old DLL");

        const QString foreign = WriteExecutable(FDir.filePath("foreign.exe"), QString());
        QCOMPARE(ErrorOf([&] { CreateLDLL(f.lf, dll, foreign, &f.s, false); }),
                 "Can't create DLL. The native DLL is invalid");
        QCOMPARE(ReadAll(dll), "the old DLL");

        // A broken form of the executable.
        TResProcessor p;
        p.LoadPEFile(WriteExecutable(FDir.filePath("broken.exe")));
        p.RCData()->ItemByName("TFORM1")->Buffer().chop(3);
        QByteArray image;
        p.CreateDLLStream(image);
        WriteFileAtomic(FDir.filePath("broken.exe"), image);
        QCOMPARE(ErrorOf([&] { CreateLDLL(f.lf, dll, FDir.filePath("broken.exe"), &f.s, false); }),
                 "Error during processing form Form1\r\nStream read error");
        QCOMPARE(ReadAll(dll), "the old DLL");
        QVERIFY(!QFile::exists(FDir.filePath("new.fra")));
        QVERIFY(ErrorOf([&] {
                    CreateLDLL(f.lf, FDir.filePath("new.fra"), FDir.filePath("missing.exe"), &f.s, false);
                }).startsWith("Couldn't open file"));
        QVERIFY(!QFile::exists(FDir.filePath("new.fra")));

        // Without a storage only the record is written, with format 6.
        QByteArray stream;
        CreateLDLLStream(f.lf, stream, foreign, nullptr, false, false);
        WriteFileAtomic(FDir.filePath("plain.fra"), stream);
        TSettingsRecord r;
        QVERIFY(ReadSettingsRecord(
            LoadDll(FDir.filePath("plain.fra"))->RCData()->ItemByName(kLibSettingsName)->Buffer(), r));
        QCOMPARE(r.DVersion, uint16_t(6));
        QCOMPARE(r.Version, 7);
    }

    void languageDllOfTheSample()
    {
        QTemporaryDir dir;
        for (const char* name : {"Notes.ntv.lng", "Notes.deu.lng", "Notes.fra.lng", "Notes.exe"})
            QVERIFY(QFile::copy(QStringLiteral(SHARED_EXAMPLES_DIR "/") + name, dir.filePath(name)));
        CreateLanguageDll(dir.filePath("Notes.deu.lng"), dir.filePath("Notes.exe"));
        const auto p = LoadDll(dir.filePath("Notes.deu"));
        QCOMPARE(p->Strings()->ItemById(65001)->Data(), QString::fromUtf8("Änderungen an %s speichern?"));
        QCOMPARE(p->Strings()->ItemById(65003)->Data(), "Notes (*.note)|*.note|All files (*.*)|*.*");
        TSettingsRecord r;
        QVERIFY(ReadSettingsRecord(p->RCData()->ItemByName(kLibSettingsName)->Buffer(), r));
        QCOMPARE(r.Locale, uint16_t(0x0407));
        QCOMPARE(r.EnglishName, "German (Germany)");
        QCOMPARE(r.Version, 1);
        const QByteArray main = p->RCData()->ItemByName("TMAINFORM")->Buffer();
        QVERIFY(main.contains("Notizen"));
        QVERIFY(main.contains("Zeile 1"));
        QVERIFY(p->RCData()->ItemByName("TOPTIONSFORM")->Buffer().contains("&Schrift:"));

        QCOMPARE(ErrorOf([&] { CreateLanguageDll(dir.filePath("Notes.ntv.lng"), dir.filePath("Notes.exe")); }),
                 "Could not create DLL. The language file is native");
        QCOMPARE(ErrorOf([&] { CreateLanguageDll(dir.filePath("Notes.xyz.lng"), dir.filePath("Notes.exe")); }),
                 QStringLiteral("File \"%1\" does not exist").arg(dir.filePath("Notes.xyz.lng")));
        QFile::copy(dir.filePath("Notes.fra.lng"), dir.filePath("Other.fra.lng"));
        QCOMPARE(ErrorOf([&] { CreateLanguageDll(dir.filePath("Other.fra.lng"), dir.filePath("Notes.exe")); }),
                 QStringLiteral("File \"%1\" does not exist").arg(dir.filePath("Other.ntv.lng")));
    }

    void synchronisation()
    {
        QTemporaryDir dir;
        for (const char* name : {"Notes.ntv.lng", "Notes.deu.lng", "Notes.fra.lng", "Notes.exe"})
            QVERIFY(QFile::copy(QStringLiteral(SHARED_EXAMPLES_DIR "/") + name, dir.filePath(name)));
        const QString exe = dir.filePath("Notes.exe"), native = dir.filePath("Notes.ntv.lng");
        CreateLanguageDll(dir.filePath("Notes.deu.lng"), exe);
        WriteFileAtomic(dir.filePath("Notes.deu"), ReadAll(dir.filePath("Notes.deu")) + "stale");
        const QByteArray languageFile = ReadAll(dir.filePath("Notes.deu.lng"));

        // DLLs only: the existing DLL is rebuilt, the missing French one is not mentioned.
        TRecordingPrompt prompt;
        TSyncDLL sync(prompt);
        QCOMPARE(sync.Execute(exe, native, false, true), QString());
        QCOMPARE(sync.Output(), dir.filePath("Notes.deu") + " ..... Ok");
        QVERIFY(!ReadAll(dir.filePath("Notes.deu")).endsWith("stale"));
        QVERIFY(!QFile::exists(dir.filePath("Notes.fra")));
        QCOMPARE(ReadAll(dir.filePath("Notes.deu.lng")), languageFile);
        QCOMPARE(prompt.Log,
                 (QStringList{"Status: Synchronizing Notes.deu.lng...", "Status: Synchronizing Notes.deu...",
                              "Status: Synchronizing Notes.fra.lng...", "Status: "}));

        // Language files only: those at the native version are skipped.
        QCOMPARE(sync.Execute(exe, native, true, false), QString());
        QCOMPARE(sync.Output(), QString());
        {
            TLangFileProject project;
            project.Open(native, false, false);
            project.LangFiles().Items(0)->SetVersion(2);
            project.SaveLanguage(0);
        }
        TLockedFile holder;
        QVERIFY(holder.Open(dir.filePath("Notes.fra.lng"), TLockedFile::lmDenyWriters));
        WriteFileAtomic(dir.filePath("Notes.xyz.lng"), "not a language file");
        const QString log = sync.Execute(exe, native, true, false);
        QCOMPARE(log, dir.filePath("Notes.deu.lng") + " ..... Ok\r\n" + dir.filePath("Notes.fra.lng") +
                          QStringLiteral(" ..... File \"%1\" is read only\r\n").arg(dir.filePath("Notes.fra.lng")) +
                          dir.filePath("Notes.xyz.lng") + " ..... Invalid language file: \"" +
                          dir.filePath("Notes.xyz.lng") +
                          "\": Invalid file format: not a language file (it does not start with \"LF\")");
        QVERIFY(sync.Error());
        QCOMPARE(TLangFile(dir.filePath("Notes.deu.lng"), true).Version(), 2);
        QCOMPARE(TLangFile(dir.filePath("Notes.fra.lng"), true).Version(), 1);

        // A DLL that cannot be replaced stays as it was.
        const QByteArray dll = ReadAll(dir.filePath("Notes.deu"));
        TLockedFile dllHolder;
        QVERIFY(dllHolder.Open(dir.filePath("Notes.deu"), TLockedFile::lmDenyWriters));
        // The log names the DLL and says why it could not be replaced.
        const QString deu = dir.filePath("Notes.deu");
        QVERIFY(sync.Execute(exe, native, false, true)
                    .startsWith(deu + " ..... Can not delete file \"" + deu + "\": Cannot write file \"" + deu +
                                "\": The file is in use by another process\r\n"));
        QCOMPARE(ReadAll(dir.filePath("Notes.deu")), dll);

        QCOMPARE(ErrorOf([&] { sync.Execute(exe, dir.filePath("Gone.ntv.lng"), true, true); }),
                 QStringLiteral("File \"%1\" does not exist").arg(dir.filePath("Gone.ntv.lng")));

        // A build that fails leaves the old DLL in place.
        dllHolder.Close();
        QVERIFY(QFile::remove(dir.filePath("Notes.xyz.lng")));
        QCOMPARE(sync.Execute(dir.filePath("Missing.exe"), native, false, true),
                 dir.filePath("Notes.deu") + " ..... Can not create DLL: Couldn't open file: " +
                     dir.filePath("Missing.exe") + " (No such file or directory)");
        QCOMPARE(ReadAll(dir.filePath("Notes.deu")), dll);

        // A DLL whose record has the other spelling is rebuilt as well.
        WriteExecutable(dir.filePath("Notes.fra"), "_OXV_LIBSETTINGS");
        QCOMPARE(sync.Execute(exe, native, false, true), QString());
        QCOMPARE(sync.Output(), dir.filePath("Notes.deu") + " ..... Ok\r\n" + dir.filePath("Notes.fra") + " ..... Ok");
        QVERIFY(IsLocalizedPEFile(dir.filePath("Notes.fra")));
    }

    // Which files of the folder are the project's language files.
    void synchronisedLanguageFiles_data()
    {
        QTest::addColumn<QString>("project"); // the native file is <project>.ntv.lng
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("synchronised");
        QTest::newRow("plain") << "app" << QStringList{"app.fra.lng",         "app.deu.lng", "app.NTV.lng",
                                                       "application.deu.lng", "app.deu.bak", "app.lng"}
                               << QStringList{"app.deu.lng", "app.fra.lng"};
        QTest::newRow("brackets in the name are no character set")
            << "app[1]" << QStringList{"app[1].deu.lng", "app1.deu.lng"} << QStringList{"app[1].deu.lng"};
        QTest::newRow("wildcards in the name are taken literally")
            << "a?*" << QStringList{"a?*.deu.lng", "abc.deu.lng"} << QStringList{"a?*.deu.lng"};
    }
    void synchronisedLanguageFiles()
    {
        QFETCH(QString, project);
        QFETCH(QStringList, present);
        QFETCH(QStringList, synchronised);
        QTemporaryDir dir;
        const QString native = dir.filePath(project + ".ntv.lng");
        QVERIFY(QFile::copy(SHARED_EXAMPLES_DIR "/Notes.ntv.lng", native));
        for (const QString& name : present)
            QVERIFY(QFile::copy(SHARED_EXAMPLES_DIR "/Notes.deu.lng", dir.filePath(name)));

        TRecordingPrompt prompt;
        TSyncDLL sync(prompt);
        sync.SetNativeChanged(true); // every language file is rewritten
        QCOMPARE(sync.Execute(dir.filePath(project + ".exe"), native, true, false), QString());
        QStringList expected;
        for (const QString& name : synchronised) expected << dir.filePath(name) + " ..... Ok";
        QCOMPARE(sync.Output(), expected.join("\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestDllBuilder)
#include "tst_dllbuilder.moc"
