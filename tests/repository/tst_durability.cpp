// The embedded repository under faults: a second writer, and a writer killed
// at every write and rename of an operation (a child process that dies at its
// Nth write), after which every record the run had reported must be there
// with its texts and nothing else changed.

#include "TestSupport.h"

#include "platform/AtomicFile.h"
#include "repository/LangRepository.h"
#include "repository/QFileHandle.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace RepositoryTest;

namespace {

constexpr int kEnglish = 0x0409, kFrench = 0x040C, kGerman = 0x0407;
constexpr int kBaseRecords = 12;

QString English(int i) { return QStringLiteral("Text %1").arg(i); }
QString French(int i) { return QStringLiteral("Texte numéro %1, assez long pour plusieurs blocs").arg(i); }

// Every record as "english|french" (a language the repository lacks is left out).
QStringList Rows(TQLangRepository& R)
{
    QStringList rows;
    const QList<int> locales{kEnglish, kFrench};
    QList<int> present;
    for (int l : locales)
        if (R.HasLocale(l)) present << l;
    R.ForEachRecord(present, [&](qint32, const QStringList& Texts) {
        rows << Texts.join(QLatin1Char('|'));
        return true;
    });
    return rows;
}

QString Row(int i) { return English(i) + QLatin1Char('|') + French(i); }

// What a child reported before it died, and whether it died.
struct TChildRun {
    bool Killed = false;
    int ExitCode = 0;
    QStringList Reported;
};

// Runs Work in a child process that kills itself at its Nth write, resize
// or rename of the repository's files (N = 0: never). Work reports what it
// has finished through Report.
TChildRun RunChild(int N, const std::function<void(const std::function<void(const QString&)>& Report)>& Work)
{
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        int count = 0;
        const auto point = [&count, N] {
            if (N > 0 && ++count == N) ::kill(::getpid(), SIGKILL);
        };
        SetFileWriteHookForTesting(point);
        SetAtomicWriteHookForTesting([point](const QString&) { point(); });
        int code = 0;
        try {
            Work([&](const QString& Line) {
                const QByteArray b = Line.toUtf8() + '\n';
                if (::write(fds[1], b.constData(), size_t(b.size())) != b.size()) ::_exit(4);
            });
        } catch (const EQBaseError& e) {
            const QByteArray b = "error: " + e.Message().toUtf8() + '\n';
            (void)!::write(fds[1], b.constData(), size_t(b.size()));
            code = 3;
        } catch (...) {
            code = 3;
        }
        ::_exit(code);
    }
    ::close(fds[1]);
    QByteArray out;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        out.append(buf, n);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    TChildRun run;
    run.Killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    for (const QByteArray& line : out.split('\n'))
        if (!line.isEmpty()) run.Reported << QString::fromUtf8(line);
    return run;
}

void CopyFolder(const QString& From, const QString& To)
{
    QDir().mkpath(To);
    for (const QString& f : QDir(From).entryList(QDir::Files | QDir::Hidden)) {
        QFile::remove(QDir(To).filePath(f));
        QFile::copy(QDir(From).filePath(f), QDir(To).filePath(f));
    }
}

// One operation of the sweep: what the child does, and what the parent
// accepts afterwards given the lines the child reported. Expected gets the
// records before the run.
struct TSweepCase {
    std::function<void(TQLangRepository& R, const std::function<void(const QString&)>& Report)> Work;
    std::function<void(TQLangRepository& R, const QStringList& Before, const QStringList& Reported)> Verify;
};

} // namespace

class TstDurability : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QString FBase; // a repository of kBaseRecords records, a few deleted slots among them

    QString Repository(const QString& Folder) const { return QDir(Folder).filePath(QStringLiteral("r.lr")); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        FBase = FDir.filePath(QStringLiteral("base"));
        QDir().mkpath(FBase);
        TQLangRepository r(Repository(FBase));
        QVERIFY(r.OpenOrCreate());
        r.AddLocales({kEnglish, kFrench});
        for (int i = 1; i <= kBaseRecords + 3; ++i) r.WriteTexts(0, {{kEnglish, English(i)}, {kFrench, French(i)}});
        // Three deleted slots: the next appends reuse them.
        for (int i : {kBaseRecords + 1, kBaseRecords + 2, kBaseRecords + 3}) {
            QVERIFY(r.LocateByWord(kEnglish, English(i), {}));
            r.Delete();
        }
        QCOMPARE(r.RecordCount(), kBaseRecords);
        // For the pack: two copies of the first record and one without a translation.
        r.WriteTexts(0, {{kEnglish, English(1)}, {kFrench, French(1)}});
        r.WriteTexts(0, {{kEnglish, QStringLiteral("Lonely")}});
        r.WriteTexts(0, {{kEnglish, English(1)}, {kFrench, French(1)}});
    }

    // A run that finds the repository held by another writer opens it
    // read-only and must then refuse every write, above all a restructure
    // that would replace the files under the first writer.
    void secondWriterWritesNothing_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("add language") << 0;
        QTest::newRow("delete language") << 1;
        QTest::newRow("add record") << 2;
        QTest::newRow("edit record") << 3;
        QTest::newRow("delete record") << 4;
        QTest::newRow("pack") << 5;
        QTest::newRow("repair") << 6;
    }
    void secondWriterWritesNothing()
    {
        QFETCH(int, operation);
        const QString dir = FDir.filePath(QStringLiteral("second%1").arg(operation));
        CopyFolder(FBase, dir);
        TQLangRepository first(Repository(dir));
        QVERIFY(first.OpenOrCreate());
        TQLangRepository second(Repository(dir));
        QVERIFY(!second.OpenOrCreate());
        QVERIFY(second.ReadOnly());
        const QString message = Message([&] {
            switch (operation) {
            case 0:
                second.AddLocales({kGerman});
                break;
            case 1:
                second.DeleteLocales({kFrench});
                break;
            case 2:
                second.WriteTexts(0, {{kEnglish, "New"}, {kFrench, "Nouveau"}});
                break;
            case 3:
                second.WriteTexts(second.FirstRec(), {{kFrench, "Changé"}});
                break;
            case 4:
                second.DeleteRecord(second.FirstRec());
                break;
            case 5:
                second.Pack();
                break;
            case 6:
                second.Repair();
                break;
            }
        });
        QVERIFY2(message.contains(QStringLiteral("read-only")), qPrintable(message));
        // The first writer still writes into the files the folder holds.
        first.WriteTexts(0, {{kEnglish, English(100)}, {kFrench, French(100)}});
        first.Close();
        second.Close();
        TQLangRepository check(Repository(dir));
        check.OpenReadOnly();
        QCOMPARE(check.RepLocales(), QList<int>({kEnglish, kFrench}));
        QCOMPARE(Rows(check).size(), kBaseRecords + 4);
        QCOMPARE(Rows(check).last(), Row(100));
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 2); // no work files
    }

    // A memo file that belongs to another table file (a restructure killed
    // between its renames, or files copied together by hand) is refused, and
    // a memo file without its table is never replaced by a new repository.
    void mismatchedPairRefused()
    {
        const QString a = FDir.filePath(QStringLiteral("pairA")), b = FDir.filePath(QStringLiteral("pairB"));
        CopyFolder(FBase, a);
        CopyFolder(FBase, b);
        {
            TQLangRepository r(Repository(b));
            QVERIFY(r.OpenOrCreate());
            r.AddLocales({kGerman}); // a new pair
        }
        QVERIFY(QFile::remove(QDir(a).filePath("r.mem")));
        QVERIFY(QFile::copy(QDir(b).filePath("r.mem"), QDir(a).filePath("r.mem")));
        TQLangRepository mixed(Repository(a));
        QString message = Message([&] { mixed.OpenOrCreate(); });
        QVERIFY2(message.contains(QStringLiteral("does not belong")), qPrintable(message));

        QVERIFY(QFile::remove(Repository(a)));
        const QByteArray memo = ReadWholeFile(QDir(a).filePath("r.mem"));
        TQLangRepository orphan(Repository(a));
        message = Message([&] { orphan.OpenOrCreate(); });
        QVERIFY2(message.contains(QStringLiteral("is missing")), qPrintable(message));
        QCOMPARE(ReadWholeFile(QDir(a).filePath("r.mem")), memo);
        QVERIFY(!QFileInfo::exists(Repository(a)));
    }

    // A walk that reaches fewer records than the header counts reports
    // damage instead of a shorter list.
    void cutChainIsDamage()
    {
        const QString dir = FDir.filePath(QStringLiteral("cut"));
        CopyFolder(FBase, dir);
        qint32 third = 0;
        {
            TQLangRepository r(Repository(dir));
            QVERIFY(r.OpenOrCreate());
            r.First();
            r.Next();
            r.Next();
            third = r.Bookmark();
        }
        // The third record's link to the fourth is lost.
        TQLangRepository r(Repository(dir));
        r.OpenReadOnly();
        const qint64 pos = r.DataPosStart() + qint64(third) * r.RecSize() + 14;
        r.Close();
        Patch(Repository(dir), pos, Bytes<qint32>(0));
        TQLangRepository check(Repository(dir));
        check.OpenReadOnly();
        const QString message = Message([&] { Rows(check); });
        QVERIFY2(message.contains(QStringLiteral("damaged")) && message.contains(QStringLiteral("r.lr")),
                 qPrintable(message));
    }

    // Every write point of each operation: the child dies there, the parent
    // reopens and checks, then writes once more and checks again.
    void crashSweep_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("append") << 0;
        QTest::newRow("add language") << 1;
        QTest::newRow("delete language") << 2;
        QTest::newRow("edit") << 3;
        QTest::newRow("delete") << 4;
        QTest::newRow("pack") << 5;
    }
    void crashSweep()
    {
#if defined(__SANITIZE_THREAD__)
        // The writer is a forked child of a process with threads, which
        // ThreadSanitizer cannot follow; the sweep is about files, not threads.
        QSKIP("the crash sweep forks, which ThreadSanitizer does not support");
#endif
        QFETCH(int, operation);
        const TSweepCase sweep = Case(operation);
        // Every write point under CI; otherwise every third one.
        const int stride = qEnvironmentVariableIsSet("VOCABRIX_FULL_CRASH_SWEEP") ||
                                   qEnvironmentVariable("CI") == QLatin1String("true")
                               ? 1
                               : 3;
        const QString base = FDir.filePath(QStringLiteral("sweepbase%1").arg(operation));
        CopyFolder(FBase, base);
        QStringList before;
        {
            TQLangRepository r(Repository(base));
            r.OpenReadOnly();
            before = Rows(r);
        }
        int points = 0;
        for (int n = 1;; n += stride) {
            const QString dir = FDir.filePath(QStringLiteral("sweep%1-%2").arg(operation).arg(n));
            CopyFolder(base, dir);
            const QString file = Repository(dir);
            const TChildRun run = RunChild(n, [&](const auto& Report) {
                TQLangRepository r(file);
                if (!r.OpenOrCreate()) throw EQBaseError(QStringLiteral("busy"));
                WaitForIndex(r);
                sweep.Work(r, Report);
            });
            QVERIFY2(run.Killed || run.ExitCode == 0, qPrintable(run.Reported.join('\n')));
            {
                TQLangRepository r(file);
                QVERIFY2(r.OpenOrCreate(), qPrintable(QString::number(n)));
                WaitForIndex(r);
                const QString where = QStringLiteral("killed at write %1").arg(n);
                try {
                    sweep.Verify(r, before, run.Reported);
                } catch (const EQBaseError& e) {
                    QFAIL(qPrintable(where + ": " + e.Message()));
                }
                if (QTest::currentTestFailed()) QFAIL(qPrintable(where));
                // The next write finds the chain whole and leaves no work file.
                const QStringList now = Rows(r);
                const bool french = r.HasLocale(kFrench);
                QList<TRepText> texts{{kEnglish, English(999)}};
                if (french) texts.append({kFrench, French(999)});
                r.WriteTexts(0, texts);
                QStringList expected = now;
                expected << (french ? Row(999) : English(999));
                QCOMPARE(Rows(r), expected);
                QCOMPARE(qint64(r.RecordCount()), qint64(expected.size()));
            }
            QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden),
                     QStringList({QStringLiteral("r.lr"), QStringLiteral("r.mem")}));
            QDir(dir).removeRecursively();
            ++points;
            if (!run.Killed) break;
        }
        QVERIFY(points > 3);
    }

private:
    static TSweepCase Case(int Operation)
    {
        switch (Operation) {
        case 0: // four appends: the first ones reuse deleted slots
            return {[](TQLangRepository& R, const auto& Report) {
                        for (int i = 200; i < 204; ++i) {
                            R.WriteTexts(0, {{kEnglish, English(i)}, {kFrench, French(i)}});
                            Report(QString::number(i));
                        }
                    },
                    [](TQLangRepository& R, const QStringList& Before, const QStringList& Reported) {
                        const QStringList rows = Rows(R);
                        QStringList expected = Before;
                        for (const QString& i : Reported) expected << Row(i.toInt());
                        // The append under way when the kill came may have made it.
                        if (rows.size() == expected.size() + 1) expected << Row(200 + int(Reported.size()));
                        QCOMPARE(rows, expected);
                    }};
        case 1: // a new language: the old pair or the new one, texts unchanged
            return {[](TQLangRepository& R, const auto&) { R.AddLocales({kGerman}); },
                    [](TQLangRepository& R, const QStringList& Before, const QStringList&) {
                        QCOMPARE(Rows(R), Before);
                        if (R.HasLocale(kGerman)) {
                            QCOMPARE(R.RepLocales(), QList<int>({kEnglish, kFrench, kGerman}));
                        } else {
                            QCOMPARE(R.RepLocales(), QList<int>({kEnglish, kFrench}));
                        }
                    }};
        case 3: // four edits: each done or not, none half
            return {[](TQLangRepository& R, const auto& Report) {
                        for (int i = 2; i < 6; ++i) {
                            QVERIFY(R.LocateByWord(kEnglish, English(i), {}));
                            R.WriteTexts(R.Bookmark(), {{kFrench, QStringLiteral("Changé %1").arg(i)}});
                            Report(QString::number(i));
                        }
                    },
                    [](TQLangRepository& R, const QStringList& Before, const QStringList& Reported) {
                        const QStringList rows = Rows(R);
                        QCOMPARE(rows.size(), Before.size());
                        const int inFlight = 2 + int(Reported.size());
                        for (qsizetype k = 0; k < rows.size(); ++k) {
                            const int i =
                                Before[k].section(QLatin1Char(' '), 1, 1).section(QLatin1Char('|'), 0, 0).toInt();
                            const QString changed = English(i) + QStringLiteral("|Changé %1").arg(i);
                            if (Reported.contains(QString::number(i)))
                                QCOMPARE(rows[k], changed);
                            else if (i == inFlight && rows[k] != Before[k])
                                QCOMPARE(rows[k], changed);
                            else
                                QCOMPARE(rows[k], Before[k]);
                        }
                    }};
        case 4: // four deletes: each done or not
            return {[](TQLangRepository& R, const auto& Report) {
                        for (int i = 2; i < 6; ++i) {
                            QVERIFY(R.LocateByWord(kEnglish, English(i), {}));
                            R.DeleteRecord(R.Bookmark());
                            Report(QString::number(i));
                        }
                    },
                    [](TQLangRepository& R, const QStringList& Before, const QStringList& Reported) {
                        QStringList expected = Before;
                        for (const QString& i : Reported) expected.removeOne(Row(i.toInt()));
                        QStringList rows = Rows(R);
                        if (rows.size() == expected.size() - 1) expected.removeOne(Row(2 + int(Reported.size())));
                        QCOMPARE(rows, expected);
                    }};
        case 5: // a pack: the copies and the lone text go, nothing else
            return {[](TQLangRepository& R, const auto&) { R.Pack(); },
                    [](TQLangRepository& R, const QStringList& Before, const QStringList&) {
                        const QStringList rows = Rows(R);
                        QStringList kept = Before;
                        for (const QString& row : rows) QVERIFY2(kept.removeOne(row), qPrintable(row));
                        // Only what a pack removes may be missing.
                        kept.removeAll(Row(1));
                        kept.removeAll(QStringLiteral("Lonely|"));
                        QCOMPARE(kept, QStringList());
                        QVERIFY(rows.contains(Row(1)));
                    }};
        default: // a language removed: all its texts, or none of them
            return {[](TQLangRepository& R, const auto&) { R.DeleteLocales({kFrench}); },
                    [](TQLangRepository& R, const QStringList& Before, const QStringList&) {
                        if (R.HasLocale(kFrench)) {
                            QCOMPARE(Rows(R), Before);
                        } else {
                            QStringList english;
                            for (const QString& row : Before) english << row.section(QLatin1Char('|'), 0, 0);
                            QCOMPARE(Rows(R), english);
                        }
                    }};
        }
    }
};

QTEST_GUILESS_MAIN(TstDurability)
#include "tst_durability.moc"
