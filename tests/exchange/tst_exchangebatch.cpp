// Batch export and import through the real program: the file selection, the
// options file, the formats' switches, a failing file and the exit codes.

#include "exchange/BatchExchange.h"
#include "langfile/LangFileProject.h"
#include "platform/FileLock.h"
#include "platform/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString Example(const char* Name) { return QStringLiteral(SHARED_EXAMPLES_DIR "/") + QLatin1String(Name); }

QString PhraseDeskBinary() { return QCoreApplication::applicationDirPath() + QStringLiteral("/../phrasedesk"); }

struct TRun {
    int ExitCode = -1;
    QString Out, Err;
};

TRun Run(const QString& Dir, const QStringList& Args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QLatin1String(name));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(Dir);
    p.start(PhraseDeskBinary(), Args);
    TRun r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return r;
    r.ExitCode = p.exitCode();
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

void Rewrite(QFile& File, const QByteArray& Data)
{
    QVERIFY(File.open(QIODevice::WriteOnly | QIODevice::Truncate));
    File.write(Data);
    File.close();
}

QString Value(const QString& Dir, const char* Code, const char* Form, const char* Comp, const char* Prop)
{
    TLangFileProject p;
    p.Open(Dir + "/Notes.ntv.lng", false, true);
    p.OpenLanguage(Dir + QStringLiteral("/Notes.%1.lng").arg(Code), true);
    return p.FindProperty(Form, Comp, Prop)->Values().Items(1)->Value();
}

} // namespace

class TstExchangeBatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void files();
    void exportAndImportXml();
    void formats_data();
    void formats();
    void failingFileGoesOn();
    void importSummaries();

private:
    std::unique_ptr<QTemporaryDir> FDir;
    QString Path(const QString& Name) const { return FDir->filePath(Name); }
};

void TstExchangeBatch::init()
{
    FDir = std::make_unique<QTemporaryDir>();
    for (const char* name : {"Notes.ntv.lng", "Notes.deu.lng", "Notes.fra.lng"})
        QVERIFY(QFile::copy(Example(name), Path(name)));
}

void TstExchangeBatch::files()
{
    const QString project = Path("Notes.ntv.lng");
    QCOMPARE(BatchLanguageFiles(project, {}, true),
             QStringList({Path("Notes.deu.lng"), Path("Notes.fra.lng"), Path("Notes.ntv.lng")}));
    QCOMPARE(BatchLanguageFiles(project, {"all"}, true), BatchLanguageFiles(project, {}, true));
    // A translation run leaves the native file out.
    QCOMPARE(BatchLanguageFiles(project, {"ALL"}, false), QStringList({Path("Notes.deu.lng"), Path("Notes.fra.lng")}));
    QCOMPARE(BatchLanguageFiles(project, {"fra", "xyz", "fra"}, true), QStringList({Path("Notes.fra.lng")}));
}

void TstExchangeBatch::exportAndImportXml()
{
    TRun r = Run(FDir->path(), {"-export:ALL", "-xml", "-outdir:OUT", "Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 0);
    QCOMPARE(r.Err, QString()); // progress is shown on a terminal only
    for (const char* name : {"OUT/Notes.deu.xml", "OUT/Notes.fra.xml", "OUT/Notes.ntv.xml"})
        QVERIFY(QFile::exists(Path(name)));

    // The translator sends German back with a change.
    QFile f(Path("OUT/Notes.deu.xml"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray data = f.readAll();
    f.close();
    QVERIFY(data.contains(">Notizen</prop>"));
    data.replace(">Notizen</prop>", ">Meine Notizen</prop>");
    Rewrite(f, data);

    r = Run(FDir->path(), {"-import:deu", "-xml", "-indir:OUT", "Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 0);
    QCOMPARE(r.Err, QString());
    QCOMPARE(Value(FDir->path(), "deu", "MainForm", "", "Caption"), QStringLiteral("Meine Notizen"));

    // With "Change translated items" off in the options file, the caption stays.
    data.replace(">Meine Notizen</prop>", ">Andere</prop>");
    Rewrite(f, data);
    TIniFile cfg;
    cfg.WriteBool("Import", "ChangeTranslated", false);
    cfg.Save(Path("run.cfg"));
    r = Run(FDir->path(), {"-import:ALL", "-xml", "-indir:OUT", "-cfg:run.cfg", "Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 0);
    QCOMPARE(r.Err, QString());
    QCOMPARE(Value(FDir->path(), "deu", "MainForm", "", "Caption"), QStringLiteral("Meine Notizen"));
}

void TstExchangeBatch::formats_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("text with options") << QStringList{"-cfg:run.cfg"} << "Notes.deu.txt"
                                       << QByteArray(";Format:PropNames;Delimiter:TAB\r\n");
    QTest::newRow("XLIFF 1.2")
        << QStringList{"-xliff"} << "Notes.deu.xlf"
        << QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xliff xmlns=\"urn:oasis:names:tc:xliff:document:1.2\"");
    QTest::newRow("XLIFF 2.0")
        << QStringList{"-XLIFF2"} << "Notes.deu.xlf"
        << QByteArray(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xliff xmlns=\"urn:oasis:names:tc:xliff:document:2.0\"");
    QTest::newRow("PO") << QStringList{"-po"} << "Notes.deu.po"
                        << QByteArray("# Notes in German (Germany)\nmsgid \"\"\nmsgstr \"\"\n");
}

void TstExchangeBatch::formats()
{
    QFETCH(QStringList, switches);
    QFETCH(QString, file);
    QFETCH(QByteArray, start);
    TIniFile cfg;
    cfg.WriteString("Export", "Delimiter", "TAB");
    cfg.WriteBool("Export", "IncludeID", false);
    cfg.WriteInteger("Export", "Encoding", 0);
    cfg.Save(Path("run.cfg"));
    TRun r = Run(FDir->path(), QStringList{"-export:deu"} + switches + QStringList{"Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 0);
    QFile f(Path(file));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray data = f.readAll();
    f.close();
    QVERIFY2(data.startsWith(start), data.left(120).constData());

    // Back in by names, into a German file whose caption was changed.
    data.replace("Notizen", "Notizbuch");
    Rewrite(f, data);
    r = Run(FDir->path(), QStringList{"-import:deu"} + switches + QStringList{"Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 0);
    QCOMPARE(Value(FDir->path(), "deu", "MainForm", "", "Caption"), QStringLiteral("Notizbuch"));
}

void TstExchangeBatch::failingFileGoesOn()
{
    QVERIFY(QDir(FDir->path()).mkpath("IN"));
    QFile bad(Path("IN/Notes.deu.txt"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not an export\r\n");
    bad.close();
    QVERIFY(QFile::copy(Path("Notes.fra.lng"), Path("keep.lng")));
    TRun r = Run(FDir->path(), {"-export:fra", "-outdir:IN", "Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 0);
    r = Run(FDir->path(), {"-import:ALL", "-indir:IN", "Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 1);
    QCOMPARE(r.Err, "Error: Notes.deu.lng: The file has no format line\n");

    // A language file another program holds cannot be saved: a failure, not a silent loss.
    {
        TLockedFile holder;
        QVERIFY(holder.Open(Path("Notes.fra.lng"), TLockedFile::lmDenyWriters));
        r = Run(FDir->path(), {"-import:fra", "-indir:IN", "Notes.ntv.lng"});
        QCOMPARE(r.ExitCode, 1);
        QVERIFY2(r.Err.contains("Error: Notes.fra.lng: The language file is read-only"), qPrintable(r.Err));
    }

    // An output folder that cannot be made fails every file, each reported.
    r = Run(FDir->path(), {"-export:deu,fra", "-outdir:keep.lng/folder", "Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 1);
    QCOMPARE(r.Err.count("Error: "), 2);
}

// Every import ends with its counts; a file for another language is refused
// by name; unmatched entries are listed on request.
void TstExchangeBatch::importSummaries()
{
    TRun r = Run(FDir->path(), {"-export:deu", "-xliff", "Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 0);
    QFile f(Path("Notes.deu.xlf"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray data = f.readAll();
    f.close();
    const qsizetype units = data.count("<trans-unit");
    r = Run(FDir->path(), {"-import:deu", "-xliff", "Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 0);
    QCOMPARE(r.Out, QStringLiteral("Notes.deu.xlf: 0 of %1 units changed, %1 unchanged, 0 unmatched\n").arg(units));

    data.replace("resname=\"MainForm.Caption\" pd:id=\"", "resname=\"Gone.Caption\" pd:id=\"x");
    data.replace(">Notizen</target>", ">Notizbuch</target>");
    Rewrite(f, data);
    TIniFile cfg;
    cfg.WriteBool("Import", "ListUnmatched", true);
    cfg.WriteInteger("Import", "SyncBy", 1);
    cfg.Save(Path("run.cfg"));
    r = Run(FDir->path(), {"-import:deu", "-xliff", "-cfg:run.cfg", "Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 0);
    QCOMPARE(r.Out, QStringLiteral("Notes.deu.xlf: 0 of %1 units changed, %2 unchanged, 1 unmatched\n"
                                   "  unmatched: Gone.Caption\n")
                        .arg(units)
                        .arg(units - 1));

    data.replace("target-language=\"de-DE\"", "target-language=\"fr-FR\"");
    Rewrite(f, data);
    r = Run(FDir->path(), {"-import:deu", "-xliff", "Notes.ntv.lng"});
    QCOMPARE(r.ExitCode, 1);
    QCOMPARE(r.Err, QStringLiteral("Error: Notes.deu.lng: The file is for the language \"fr-FR\", the language file "
                                   "for \"de-DE\" (German (Germany))\n"));
}

QTEST_GUILESS_MAIN(TstExchangeBatch)
#include "tst_exchangebatch.moc"
