#include "app/Batch.h"
#include "app/ProgramHelp.h"
#include "app/StartOptions.h"
#include "core/Prompt.h"
#include "langfile/LangCreation.h"
#include "langfile/LangFileProject.h"
#include "platform/FileLock.h"
#include "platform/Settings.h"
#include "repository/BatchTranslation.h"
#include "storage/Locales.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr uint16_t kEnglish = 0x0409;
constexpr uint16_t kGerman = 0x0407;
constexpr uint16_t kFrench = 0x040C;

// The options that differ from a bare start, in a fixed order.
QString Describe(const TStartOptions& o)
{
    QStringList parts;
    const auto flag = [&](const char* name, bool on) {
        if (on) parts << QLatin1String(name);
    };
    const auto text = [&](const char* name, const QString& v) {
        if (!v.isEmpty()) parts << QLatin1String(name) + QLatin1Char('=') + v;
    };
    const auto list = [&](const char* name, const std::optional<QStringList>& l) {
        if (l) parts << QLatin1String(name) + QStringLiteral("=[") + l->join(QLatin1Char('|')) + QLatin1Char(']');
    };
    flag("noargs", o.NoArguments);
    text("project", o.ProjectFile);
    text("pefile", o.PEFile);
    flag("last", o.ReopenLast);
    flag("syncall", o.SyncAll);
    flag("syncdlls", o.SyncDlls);
    flag("synclangfiles", o.SyncLangFiles);
    flag("lib", o.Library);
    flag("dll", o.BuildDll);
    flag("delatom", o.DelAtom);
    flag("debug", o.Debug);
    flag("ide", o.IDE);
    flag("newlang", o.NewLang);
    text("dlldir", o.DllDir);
    list("export", o.ExportList);
    flag("xml", o.Xml);
    text("outdir", o.OutDir);
    list("import", o.ImportList);
    text("indir", o.InDir);
    list("create", o.CreateList);
    text("cfg", o.CfgFile);
    list("translate", o.TranslateList);
    text("repository", o.Repository);
    text("repcopy", o.RepCopyTarget);
    text("gkey", o.GKey);
    list("open", o.OpenList);
    text("uilang", o.UILang);
    return parts.join(QLatin1Char(' '));
}

// Every file of a folder with a digest of its content.
QMap<QString, QByteArray> Snapshot(const QString& dir)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo& fi : QDir(dir).entryInfoList(QDir::Files)) {
        QFile f(fi.filePath());
        if (f.open(QIODevice::ReadOnly))
            files[fi.fileName()] = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
    }
    return files;
}

QString Example(const char* name) { return QStringLiteral(SHARED_EXAMPLES_DIR "/") + QLatin1String(name); }

QString PhraseDeskBinary() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../phrasedesk"); }

} // namespace

class TstCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void unknownSwitches_data();
    void unknownSwitches();
    void listMeansAll();
    void languageFileName();
    void createLanguages_data();
    void createLanguages();
    void codeListedTwice();
    void failingRuns_data();
    void failingRuns();
    void createFromOtherBase();
    void process_data();
    void process();
    void statsAndResInfo();
    void dllOperations();
    void programHelp();
    void versionAndHelp();
    void defaultRepository();

private:
    // A folder holding a copy of the sample's native file.
    void CopySample(const QTemporaryDir& dir)
    {
        QVERIFY(QFile::copy(Example("Notes.ntv.lng"), dir.filePath(QStringLiteral("Notes.ntv.lng"))));
    }
};

void TstCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no arguments") << QStringList{} << "noargs";
    QTest::newRow("relative project") << QStringList{"app.ntv.lng"} << "project=/w/p/app.ntv.lng";
    QTest::newRow("two project files, the last wins")
        << QStringList{"a.ntv.lng", "sub/b.ntv.lng"} << "project=/w/p/sub/b.ntv.lng";
    QTest::newRow("dots resolved") << QStringList{"../q/./app.ntv.lng"} << "project=/w/q/app.ntv.lng";
    QTest::newRow("absolute project") << QStringList{"/abs/app.ntv.lng"} << "project=/abs/app.ntv.lng";
    QTest::newRow("case: -XML -Export:all") << QStringList{"-XML", "-Export:all"} << "export=[all] xml";
    QTest::newRow("case: -EXPORT:ALL") << QStringList{"-EXPORT:ALL", "-Debug", "-IDE"} << "debug ide export=[ALL]";
    QTest::newRow("whole-word flags") << QStringList{"-last", "-LIB", "-delatom", "-debug", "-ide", "-NewLang"}
                                      << "last lib delatom debug ide newlang";
    QTest::newRow("path values made absolute")
        << QStringList{"-pefile:bin/app.exe", "-OutDir:/out/", "-indir:in", "-cfg:c.ini", "-repository:../rep.lr"}
        << "pefile=/w/p/bin/app.exe outdir=/out indir=/w/p/in cfg=/w/p/c.ini repository=/w/rep.lr";
    QTest::newRow("a repository on a server stays a connection string")
        << QStringList{"-repository:postgresql://tm.example/memory?user=tm", "-repcopy:../copy.lr"}
        << "repository=postgresql://tm.example/memory?user=tm repcopy=/w/copy.lr";
    QTest::newRow("text values as written") << QStringList{"-gkey:Ab/../c", "-uilang:DEU", "-Translate:deu, fra"}
                                            << "translate=[deu|fra] gkey=Ab/../c uilang=DEU";
    QTest::newRow("-dlldir: is a switch, not the project")
        << QStringList{"app.ntv.lng", "-DLLDIR:/x/other.ntv.lng"} << "project=/w/p/app.ntv.lng dlldir=/x/other.ntv.lng";
    QTest::newRow("-dlldir: relative") << QStringList{"-dlldir:dlls"} << "dlldir=/w/p/dlls";
    QTest::newRow("-syncdlls: default PE file")
        << QStringList{"-syncdlls", "app.ntv.lng"} << "project=/w/p/app.ntv.lng pefile=/w/p/app.exe syncdlls";
    QTest::newRow("-syncall: default PE file")
        << QStringList{"app.ntv.lng", "-syncall"} << "project=/w/p/app.ntv.lng pefile=/w/p/app.exe syncall";
    QTest::newRow("-synclangfiles: default PE file")
        << QStringList{"-synclangfiles", "app.ntv.lng"} << "project=/w/p/app.ntv.lng pefile=/w/p/app.exe synclangfiles";
    QTest::newRow("-dll: default PE file from a language file")
        << QStringList{"-dll", "app.deu.lng"} << "project=/w/p/app.deu.lng pefile=/w/p/app.exe dll";
    QTest::newRow("-dll: folder with a dot, file without extension")
        << QStringList{"-dll", "/a.b/app"} << "project=/a.b/app pefile=/a.b/app.exe dll";
    QTest::newRow("explicit PE file wins") << QStringList{"-pefile:x.exe", "-syncdlls", "app.ntv.lng"}
                                           << "project=/w/p/app.ntv.lng pefile=/w/p/x.exe syncdlls";
    QTest::newRow("no PE file without a DLL operation")
        << QStringList{"-create:deu", "app.ntv.lng"} << "project=/w/p/app.ntv.lng create=[deu]";
    QTest::newRow("quoted comma list") << QStringList{R"(-create:deu,"fra", "a b" ,"x,y","q""t")"}
                                       << R"(create=[deu|fra|a b|x,y|q"t])";
    QTest::newRow("blanks separate unquoted items") << QStringList{"-open:deu fra"} << "open=[deu|fra]";
    QTest::newRow("empty items") << QStringList{"-import:deu,,fra,"} << "import=[deu||fra|]";
    QTest::newRow("unterminated quote") << QStringList{R"(-open:"de u)"} << "open=[de u]";
    QTest::newRow("switch with an empty list is given") << QStringList{"-create:"} << "create=[]";
    QTest::newRow("a repeated switch: the last wins") << QStringList{"-create:deu", "-CREATE:fra"} << "create=[fra]";
}

void TstCommandLine::parse()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    QCOMPARE(Describe(ParseStartOptions(args, QStringLiteral("/w/p"))), expected);
}

void TstCommandLine::unknownSwitches_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("unknown");

    QTest::newRow("mistyped whole word") << QStringList{"-synclal", "app.ntv.lng"} << "-synclal";
    QTest::newRow("longer than a whole word") << QStringList{"app.ntv.lng", "-dllx"} << "-dllx";
    QTest::newRow("prefix switch without its colon") << QStringList{"-create", "app.ntv.lng"} << "-create";
    QTest::newRow("Qt's own option") << QStringList{"-platform", "offscreen"} << "-platform";
    QTest::newRow("a lone dash") << QStringList{"-"} << "-";
}

void TstCommandLine::unknownSwitches()
{
    QFETCH(QStringList, args);
    QFETCH(QString, unknown);
    try {
        ParseStartOptions(args, QStringLiteral("/w/p"));
        QFAIL("no usage error");
    } catch (const ECommandLineError& e) {
        QCOMPARE(e.Message(), QStringLiteral("Unknown switch \"%1\"").arg(unknown));
    }
}

void TstCommandLine::listMeansAll()
{
    QVERIFY(ListMeansAll({"ALL"}));
    QVERIFY(ListMeansAll({"all"}));
    QVERIFY(ListMeansAll({"deu", "All"}));
    QVERIFY(!ListMeansAll({"deu", "fra"}));
    QVERIFY(!ListMeansAll({"alle"}));
    QVERIFY(!ListMeansAll({}));
}

void TstCommandLine::languageFileName()
{
    QCOMPARE(BatchLanguageFileName("/p/app.ntv.lng", "deu"), QStringLiteral("/p/app.deu.lng"));
    // Every extension of the file name goes, none of the folder's.
    QCOMPARE(BatchLanguageFileName("/p.q/my.app.ntv.lng", "fra"), QStringLiteral("/p.q/my.fra.lng"));
    QCOMPARE(BatchLanguageFileName("/p.q/app", "fra"), QStringLiteral("/p.q/app.fra.lng"));
}

void TstCommandLine::createLanguages_data()
{
    QTest::addColumn<bool>("compressed");
    QTest::addColumn<int>("formatVersion");
    QTest::addColumn<bool>("existingTranslation");

    QTest::newRow("sample as it is") << false << 7 << false;
    QTest::newRow("compressed native of format 6") << true << 6 << false;
    QTest::newRow("keeps a translated file") << false << 7 << true;
}

void TstCommandLine::createLanguages()
{
    QFETCH(bool, compressed);
    QFETCH(int, formatVersion);
    QFETCH(bool, existingTranslation);

    QTemporaryDir dir;
    CopySample(dir);
    const QString nativePath = dir.filePath("Notes.ntv.lng");
    if (compressed || formatVersion != 7) {
        TLocStorage s;
        TLangFile native(nativePath, false);
        native.Load(&s, -1, 0);
        s.ExtGroups().Clear(); // format 6 has no external section
        native.SetCompressed(compressed);
        native.SetFormatVersion(uint16_t(formatVersion));
        native.SetVersion(5);
        native.Save(&s, 0, false);
    }
    if (existingTranslation) QVERIFY(QFile::copy(Example("Notes.deu.lng"), dir.filePath("Notes.deu.lng")));
    const auto before = Snapshot(dir.path());

    const TLangFile native(nativePath, true);
    TRecordingPrompt prompt;
    const TStartOptions options = ParseStartOptions({"-create:deu,FRA", "Notes.ntv.lng"}, dir.path());
    QVERIFY(IsBatchRun(options));
    if (existingTranslation) {
        // The translator's file stays as it was; the run says so and ends with its own code.
        QCOMPARE(RunBatch(options, prompt), kBatchExitKept);
        QCOMPARE(prompt.Log, (QStringList{QStringLiteral("Warning: Language file \"%1\" already exists; it is kept "
                                                         "as it is")
                                              .arg(dir.filePath("Notes.deu.lng")),
                                          "Status: Creating Notes.FRA.lng......", "Status: "}));
        QCOMPARE(Snapshot(dir.path())["Notes.deu.lng"], before["Notes.deu.lng"]);
    } else {
        QCOMPARE(RunBatch(options, prompt), 0);
        QCOMPARE(prompt.Log, (QStringList{"Status: Creating Notes.deu.lng......",
                                          "Status: ", "Status: Creating Notes.FRA.lng......", "Status: "}));
    }

    const struct {
        const char* Name;
        uint16_t Locale;
        const char* LocalizedName;
    } expected[] = {{"Notes.deu.lng", kGerman, "Deutsch"}, {"Notes.FRA.lng", kFrench, "français"}};
    for (const auto& e : expected) {
        if (existingTranslation && e.Locale == kGerman) continue;
        const QString path = dir.filePath(QLatin1String(e.Name));
        const TLangFile f(path, true);
        QCOMPARE(f.Locale(), e.Locale);
        QCOMPARE(f.LangEnglishName(), LocaleEnglishName(e.Locale));
        QCOMPARE(f.LangLocalizedName(), QString::fromUtf8(e.LocalizedName));
        QVERIFY(!f.IsNative());
        QCOMPARE(f.Version(), native.Version());
        QCOMPARE(f.FormatVersion(), native.FormatVersion());
        QCOMPARE(f.Compressed(), compressed);
        QCOMPARE(f.BasedOnLangID(), kEnglish);
        QCOMPARE(f.Attributes(), lfaUnicode);
        QCOMPARE(f.Build(), 0u);

        // Every value is untranslated and shows the native text.
        TLangFileProject project;
        project.Open(nativePath, false, true);
        project.OpenLanguage(path, true);
        int items = 0;
        project.ForEachItem([&](TLocItem* item) {
            ++items;
            QVERIFY(!item->IsTranslated(1));
            QCOMPARE(item->Values().Items(1)->Value(), item->Values().Items(0)->Value());
        });
        QVERIFY(items > 40);
    }
}

void TstCommandLine::codeListedTwice()
{
    // The second file of the same name would have to replace the first while
    // the project holds it open.
    QTemporaryDir dir;
    CopySample(dir);
    TRecordingPrompt prompt;
    QCOMPARE(RunBatch(ParseStartOptions({"-create:deu,fra,deu", "Notes.ntv.lng"}, dir.path()), prompt), 0);
    QCOMPARE(Snapshot(dir.path()).keys(), (QStringList{"Notes.deu.lng", "Notes.fra.lng", "Notes.ntv.lng"}));
    QCOMPARE(prompt.Log.filter("Creating").size(), 2);
}

void TstCommandLine::failingRuns_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("emptyExecutable");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown code, after a good one")
        << QStringList{"-create:deu,xyz", "Notes.ntv.lng"} << false << 1
        << R"(Error: Unknown language code "xyz": no language has this abbreviation)";
    QTest::newRow("empty code") << QStringList{"-create:deu,,fra", "Notes.ntv.lng"} << false << 1
                                << R"(Error: Unknown language code "": no language has this abbreviation)";
    QTest::newRow("no project file") << QStringList{"-create:deu"} << false << 2
                                     << "Error: No project file is given on the command line";
    QTest::newRow("project file does not exist")
        << QStringList{"-create:deu", "missing.ntv.lng"} << false << 1
        << "Error: Error opening project \"%1/missing.ntv.lng\"\nFile does not exist";
    QTest::newRow("a language file is no project")
        << QStringList{"-create:deu", "Notes.fra.lng"} << false << 1
        << "Error: Error opening project \"%1/Notes.fra.lng\"\nLanguage file is not native";
    QTest::newRow("-syncall without the executable") << QStringList{"-syncall", "Notes.ntv.lng"} << false << 1
                                                     << R"(Error: The executable "%1/Notes.exe" does not exist)";
    QTest::newRow("-synclangfiles with an empty executable")
        << QStringList{"-synclangfiles", "-pefile:Notes.fra.lng.exe", "Notes.ntv.lng"} << true << 1
        << "Error: The executable \"%1/Notes.fra.lng.exe\" is empty";
    QTest::newRow("-syncdlls with a file that is no executable")
        << QStringList{"-syncdlls", "-pefile:Notes.fra.lng", "Notes.ntv.lng"} << false << 1
        << "Error: The executable \"%1/Notes.fra.lng\" cannot be read: ";
}

void TstCommandLine::failingRuns()
{
    QFETCH(QStringList, args);
    QFETCH(bool, emptyExecutable);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QTemporaryDir dir;
    CopySample(dir);
    QVERIFY(QFile::copy(Example("Notes.fra.lng"), dir.filePath("Notes.fra.lng")));
    if (emptyExecutable) {
        QFile empty(dir.filePath("Notes.fra.lng.exe"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
    }
    const auto before = Snapshot(dir.path());

    TRecordingPrompt prompt;
    QCOMPARE(RunBatch(ParseStartOptions(args, dir.path()), prompt), exitCode);
    QCOMPARE(Snapshot(dir.path()), before);
    const QStringList errors = prompt.Log.filter(QRegularExpression("^Error: "));
    QCOMPARE(errors.size(), 1);
    message.replace(QLatin1String("%1"), dir.path());
    // A reader's own reason may follow a message that ends in ": ".
    if (message.endsWith(QLatin1String(": ")))
        QVERIFY2(errors.first().startsWith(message) && errors.first().size() > message.size(),
                 qPrintable(errors.first()));
    else
        QCOMPARE(errors.first(), message);
}

void TstCommandLine::createFromOtherBase()
{
    // The editor's way: a chosen base column, names from its dialog, the
    // "use untranslated" attribute; a failure leaves the project unchanged.
    QTemporaryDir dir;
    CopySample(dir);
    QVERIFY(QFile::copy(Example("Notes.fra.lng"), dir.filePath("Notes.fra.lng")));
    TLangFileProject project;
    project.Open(dir.filePath("Notes.ntv.lng"), false, false);
    project.OpenLanguage(dir.filePath("Notes.fra.lng"), false);

    TNewLanguage lang = NewLanguageOfLocale(uint16_t(LocaleOfLanguageCode("FRC")));
    lang.EnglishName = QStringLiteral("French (Canada)");
    lang.BaseIndex = 1;
    lang.UseUntranslated = true;

    const QString target = dir.filePath("Notes.frc.lng");
    {
        QVERIFY(QFile::copy(Example("Notes.deu.lng"), target));
        TLockedFile holder;
        QVERIFY(holder.Open(target, TLockedFile::lmDenyWriters));
        QVERIFY_THROWS_EXCEPTION(EVocabrixError, CreateLanguageFile(project, target, lang));
        QCOMPARE(project.LangCount(), 2);
        QCOMPARE(project.LangFiles().Count(), 2);
    }

    QCOMPARE(CreateLanguageFile(project, target, lang), 2);
    QCOMPARE(project.LangFiles().Items(2)->LangIndex(), 2);
    QVERIFY(project.LangFiles().Items(2)->Locked());
    project.ForEachItem([&](TLocItem* item) {
        QVERIFY(!item->IsTranslated(2));
        QCOMPARE(item->Values().Items(2)->Value(), item->Values().Items(1)->Value());
    });

    const TLangFile f(target, true);
    QCOMPARE(f.Locale(), uint16_t(0x0C0C));
    QCOMPARE(f.LangEnglishName(), QStringLiteral("French (Canada)"));
    QCOMPARE(f.BasedOnLangID(), kFrench);
    QCOMPARE(f.Attributes(), uint16_t(lfaUnicode | lfaUseUntranslated));
}

void TstCommandLine::process_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stderrText");
    QTest::addColumn<QStringList>("created");

    QTest::newRow("-create:deu,fra") << QStringList{"-create:deu,fra", "Notes.ntv.lng"} << 0
                                     << "Creating Notes.deu.lng......\nCreating Notes.fra.lng......\n"
                                     << QStringList{"Notes.deu.lng", "Notes.fra.lng"};
    QTest::newRow("-create:xyz") << QStringList{"Notes.ntv.lng", "-create:xyz"} << 1
                                 << "Error: Unknown language code \"xyz\": no language has this abbreviation\n"
                                 << QStringList{};
    QTest::newRow("missing project file")
        << QStringList{"-create:deu"} << 2 << "Error: No project file is given on the command line\n"
        << QStringList{};
    QTest::newRow("mistyped switch: no window, nothing done")
        << QStringList{"-create:deu", "-synclal", "Notes.ntv.lng"} << 2 << "Error: Unknown switch \"-synclal\"\n"
        << QStringList{};
    QTest::newRow("-Export:ALL") << QStringList{"-Export:ALL", "Notes.ntv.lng"} << 0 << ""
                                 << QStringList{"Notes.ntv.txt"};
}

void TstCommandLine::process()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, stderrText);
    QFETCH(QStringList, created);

    QTemporaryDir dir;
    CopySample(dir);
    // Without any display: batch mode must not need one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QLatin1String(name));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(PhraseDeskBinary(), args);
    QVERIFY2(p.waitForFinished(60000), qPrintable(p.errorString()));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()), stderrText);
    QCOMPARE(p.exitCode(), exitCode);
    QCOMPARE(p.readAllStandardOutput(), QByteArray());
    QStringList expectedFiles = QStringList{"Notes.ntv.lng"} + created;
    expectedFiles.sort();
    QCOMPARE(Snapshot(dir.path()).keys(), expectedFiles);
}

void TstCommandLine::statsAndResInfo()
{
    QTemporaryDir dir;
    CopySample(dir);
    const auto run = [&](const QStringList& args, QByteArray& out) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(PhraseDeskBinary(), args);
        if (!p.waitForFinished(60000)) return -1;
        out = p.readAllStandardOutput();
        return p.exitCode();
    };
    QByteArray out;
    // Statistics run after the other operations: the new file is counted, all untranslated.
    QCOMPARE(run({"-stats:strict", "-create:deu", "Notes.ntv.lng"}, out), 3);
    const QList<QByteArray> lines = out.split('\n');
    QVERIFY2(lines.contains("deu total items=56 translated=0 untranslated=55 untranslatable=1"), out.constData());
    QVERIFY(lines.contains("ntv constants items=10 translated=10 untranslated=0 untranslatable=0"));
    QCOMPARE(run({"-stats", "Notes.ntv.lng"}, out), 0);

    QCOMPARE(run({"-resinfo:" TEST_DATA_DIR "/pe/sample.dll"}, out), 0);
    QVERIFY(out.startsWith("[RT_STRING]\n1\tHello\n17\tGr\xC3\xBC\xC3\x9F"
                           "e\n"));
    QCOMPARE(run({"-resinfo:missing.dll"}, out), 1);
}

void TstCommandLine::dllOperations()
{
    QTemporaryDir dir;
    for (const char* name : {"Notes.ntv.lng", "Notes.deu.lng", "Notes.fra.lng", "Notes.exe"})
        QVERIFY(QFile::copy(Example(name), dir.filePath(name)));
    const auto run = [&](const QStringList& args, QString& err) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(PhraseDeskBinary(), args);
        if (!p.waitForFinished(60000)) return -1;
        err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    };
    QString err;
    QCOMPARE(run({"-dll", "Notes.deu.lng"}, err), 0);
    QCOMPARE(err, QString());
    QVERIFY(QFile::exists(dir.filePath("Notes.deu")));

    QCOMPARE(run({"-syncall", "Notes.ntv.lng"}, err), 0);
    QCOMPARE(err, "Synchronizing Notes.deu.lng...\nSynchronizing Notes.deu...\nSynchronizing Notes.fra.lng...\n");

    // A failed synchronisation ends with its log and exit code 1.
    TLockedFile holder;
    QVERIFY(holder.Open(dir.filePath("Notes.deu"), TLockedFile::lmDenyWriters));
    QCOMPARE(run({"-syncdlls", "Notes.ntv.lng"}, err), 1);
    const QString locked = QStringLiteral("Can not delete file \"%1\": Cannot write file \"%1\": The file is in use by "
                                          "another process\n")
                               .arg(dir.filePath("Notes.deu"));
    QVERIFY2(err.endsWith("Error: " + dir.filePath("Notes.deu") + " ..... " + locked), qPrintable(err));
    // -dll names the DLL and the cause (a full disk, a lock, a folder without write permission).
    QCOMPARE(run({"-dll", "Notes.deu.lng"}, err), 1);
    QCOMPARE(err, "Error: " + locked);
    QCOMPARE(run({"-dll", "Notes.ita.lng"}, err), 1);
    QCOMPARE(err, QStringLiteral("Error: File \"%1\" does not exist\n").arg(dir.filePath("Notes.ita.lng")));
}

// -help, the manual page and the shell completion are made from the switch
// table; the README is written by hand, so it is checked against the table.
void TstCommandLine::programHelp()
{
    const QList<TSwitchHelp> switches = SwitchHelp();
    QStringList names;
    for (const TSwitchHelp& s : switches) {
        QVERIFY2(!s.Help.isEmpty(), qPrintable(s.Name + " has no help line"));
        names << s.Name;
    }
    QFile readme(QStringLiteral(VOCABRIX_SOURCE_DIR "/README.md"));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    // Every switch a row of the README's switch table starts with.
    const QRegularExpression row(QStringLiteral("^\\| `(-[a-z0-9]+:?)"), QRegularExpression::MultilineOption);
    int rows = 0;
    for (auto m = row.globalMatch(text); m.hasNext(); ++rows) {
        const QString name = m.next().captured(1);
        QVERIFY2(names.contains(name) || names.contains(name + QLatin1Char(':')), qPrintable(name));
    }
    QVERIFY(rows >= 10);
    // The exit codes of the README's table are the program's.
    const QRegularExpression code(QStringLiteral("^\\| ([0-9]) \\| "), QRegularExpression::MultilineOption);
    QList<int> readmeCodes, programCodes;
    for (auto m = code.globalMatch(text); m.hasNext();) readmeCodes << m.next().captured(1).toInt();
    for (const TExitCodeHelp& e : ExitCodes()) programCodes << e.Code;
    QCOMPARE(readmeCodes, programCodes);

    const QString help = HelpText(), man = ManPage(), completion = BashCompletion();
    for (const QString& name : names) {
        QVERIFY2(help.contains(name), qPrintable(name));
        QVERIFY2(man.contains(QString(name).replace(QLatin1Char('-'), QLatin1String("\\-"))), qPrintable(name));
        QVERIFY2(completion.contains(name), qPrintable(name));
    }
    QVERIFY(man.startsWith(QLatin1String(".TH PHRASEDESK 1")));
    QVERIFY(completion.contains(QLatin1String(" deu ")));
}

void TstCommandLine::versionAndHelp()
{
    for (const QString& arg : {QStringLiteral("-version"), QStringLiteral("-help")}) {
        QProcess p;
        // No project, no display, no settings: the answer comes first.
        p.start(PhraseDeskBinary(), {arg});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardError(), QByteArray());
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(out.startsWith(QLatin1String("Phrase Desk " PHRASEDESK_VERSION)), qPrintable(out));
        if (arg == QLatin1String("-help")) QVERIFY(out.contains(QLatin1String("-translate:LANGS")));
    }
}

// The batch default lives in the user's data folder, never beside the
// program (an installed program's folder is read-only).
void TstCommandLine::defaultRepository()
{
    QTemporaryDir dir;
    SetSettingsFolderForTesting(dir.path());
    const auto restore = qScopeGuard([] { SetSettingsFolderForTesting(QString()); });
    if (QFileInfo::exists(QDir(ProgramFolder()).filePath(QStringLiteral("Repository/default.lr"))))
        QSKIP("an older build's repository beside the test program is used instead");
    QCOMPARE(BatchRepositoryPath(QString()), QDir(dir.path()).filePath(QStringLiteral("data/Repository/default.lr")));
    QCOMPARE(BatchRepositoryPath(QStringLiteral("/x/R.lr")), QStringLiteral("/x/R.lr"));
}

QTEST_GUILESS_MAIN(TstCommandLine)
#include "tst_commandline.moc"
