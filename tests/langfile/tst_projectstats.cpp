#include "langfile/EditorProjectFixture.h"
#include "langfile/LEProject.h"
#include "langfile/ProjectStats.h"

#include <QtTest>

using namespace fixture;

namespace {

QString Line(const TStatCounts& c)
{
    return QStringLiteral("%1/%2/%3/%4").arg(c.Items).arg(c.Translated).arg(c.Untranslated).arg(c.Untranslatable);
}

struct TRun {
    int ExitCode;
    QStringList Out;
    QString Err;
};

TRun Run(const QString& nativeFile, bool strict)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int code = RunProjectStats(nativeFile, strict, o, e);
    return {code, out.split('\n', Qt::SkipEmptyParts), err};
}

const QStringList kNativeLines = {
    "ntv properties items=9 translated=8 untranslated=0 untranslatable=1",
    "ntv constants items=6 translated=5 untranslated=0 untranslatable=1",
    "ntv external items=2 translated=2 untranslated=0 untranslatable=0",
    "ntv total items=17 translated=15 untranslated=0 untranslatable=2",
};
const QStringList kGermanLines = {
    "deu properties items=9 translated=3 untranslated=5 untranslatable=1",
    "deu constants items=6 translated=2 untranslated=3 untranslatable=1",
    "deu external items=2 translated=1 untranslated=1 untranslatable=0",
    "deu total items=17 translated=6 untranslated=9 untranslatable=2",
};
const QStringList kFrenchLines = {
    "fra properties items=9 translated=8 untranslated=0 untranslatable=1",
    "fra constants items=6 translated=5 untranslated=0 untranslatable=1",
    "fra external items=2 translated=2 untranslated=0 untranslatable=0",
    "fra total items=17 translated=15 untranslated=0 untranslatable=2",
};

} // namespace

class TestProjectStats : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> FDir;
    QString Path(const QString& name) const { return FDir->filePath(name); }

private Q_SLOTS:
    void init()
    {
        FDir = std::make_unique<QTemporaryDir>();
        MakeEditorProject(FDir->path());
    }

    // lblVersion is untranslatable though its German value is translated; the
    // grid's filter (untranslated items of another section) plays no part.
    void countsIgnoreFilter()
    {
        TLEProject p;
        p.Open(Path("app.ntv.lng"), false, true);
        p.OpenLanguage(Path("app.deu.lng"), true);
        p.Filter().SetShownSection(ssUnits);
        p.Filter().SetLangIndex(1);
        p.Filter().SetShowTranslated(false);
        p.RebuildShownList(true);
        const TProjectStats s = CountProjectStats(p, 1);
        QCOMPARE(Line(s.Properties), QString("9/3/5/1"));
        QCOMPARE(Line(s.Constants), QString("6/2/3/1"));
        QCOMPARE(Line(s.External), QString("2/1/1/0"));
        QCOMPARE(Line(s.Total), QString("17/6/9/2"));
        QCOMPARE(Line(CountProjectStats(p, 0).Total), QString("17/15/0/2"));
        QVERIFY_THROWS_EXCEPTION(ELEProjectError, CountProjectStats(p, 2));
    }

    void emptyGroupCountsZero()
    {
        QTemporaryDir dir;
        MakeEditorProject(dir.path(), false);
        TLangFileProject p;
        p.Open(dir.filePath("app.ntv.lng"), false, true);
        QCOMPARE(Line(CountProjectStats(p, 0).External), QString("0/0/0/0"));
    }

    void batchReport()
    {
        QFile::copy(Path("app.ntv.lng"), Path("app.old.lng")); // a native file is no language
        const TRun r = Run(Path("app.ntv.lng"), false);
        QCOMPARE(r.ExitCode, 0);
        QCOMPARE(r.Out, kNativeLines + kGermanLines + kFrenchLines);
        QVERIFY(r.Err.isEmpty());
    }

    void strictGate()
    {
        QCOMPARE(Run(Path("app.ntv.lng"), true).ExitCode, 3);
        QFile::remove(Path("app.deu.lng"));
        const TRun r = Run(Path("app.ntv.lng"), true);
        QCOMPARE(r.ExitCode, 0);
        QCOMPARE(r.Out, kNativeLines + kFrenchLines);
    }

    void unreadableInput()
    {
        TRun r = Run(Path("missing.ntv.lng"), false);
        QCOMPARE(r.ExitCode, 1);
        QVERIFY(r.Out.isEmpty());
        QVERIFY(r.Err.contains("File does not exist"));

        // A German file whose header reads but whose body is cut short: the
        // other languages are still reported, and the run fails.
        QFile f(Path("app.deu.lng"));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(f.size() - 20));
        f.close();
        r = Run(Path("app.ntv.lng"), true);
        QCOMPARE(r.ExitCode, 1);
        QCOMPARE(r.Out, kNativeLines + kFrenchLines);
        // The file and the cause, in lines as the terminal ends them (no CR).
        QCOMPARE(r.Err, QStringLiteral("Could not load language file\n\"%1\": Invalid file format: the file is cut "
                                       "short or a length in it is damaged\n")
                            .arg(Path("app.deu.lng")));
    }
};

QTEST_GUILESS_MAIN(TestProjectStats)
#include "tst_projectstats.moc"
