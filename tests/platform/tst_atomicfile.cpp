#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestAtomicFile : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;

    QString Path(const QString& name) const { return FDir.filePath(name); }
    void Touch(const QString& name)
    {
        QFile f(Path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1000, 'x'));
    }
    QStringList Files() const { return QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

private Q_SLOTS:
    void cleanup() { SetAtomicWriteHookForTesting({}); }

    // A save killed before its rename leaves ".<name>.XXXXXX" behind; the
    // next save of the same file that succeeds removes them, and nothing else.
    void staleTemporariesGoWithTheNextSave()
    {
        WriteFileAtomic(Path("app.deu.lng"), "one");
        const QStringList stale = {".app.deu.lng.a1B2c3", ".app.deu.lng.ZZZZZZ"};
        const QStringList others = {".app.deu.lng.toolong", ".app.fra.lng.a1B2c3", "app.deu.lng.a1B2c3",
                                    ".app.deu.lng.ab-_12", ".app.deu.lngXa1B2c3"};
        for (const QString& name : stale + others) Touch(name);

        // A failed save removes nothing.
        SetAtomicWriteHookForTesting([](const QString&) { throw EFileSystemError("No space left on device"); });
        QVERIFY_THROWS_EXCEPTION(EFileSystemError, WriteFileAtomic(Path("app.deu.lng"), "two"));
        for (const QString& name : stale) QVERIFY(QFile::exists(Path(name)));

        SetAtomicWriteHookForTesting({});
        WriteFileAtomic(Path("app.deu.lng"), "three");
        QStringList expected = others;
        expected << "app.deu.lng";
        expected.sort();
        QCOMPARE(Files(), expected);
        QFile f(Path("app.deu.lng"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("three"));
    }

    // A file written for the first time (an export to a new name) holds no
    // lock to tell dead temporaries from a live writer's: those nobody wrote
    // to for a long time go, a fresh one stays.
    void staleTemporariesOfANewFile()
    {
        Touch(".new.tmx.Old123");
        Touch(".new.tmx.New123");
        QFile old(Path(".new.tmx.Old123"));
        QVERIFY(old.open(QIODevice::ReadWrite));
        QVERIFY(old.setFileTime(QDateTime::currentDateTimeUtc().addDays(-1), QFileDevice::FileModificationTime));
        old.close();
        WriteFileAtomic(Path("new.tmx"), "<tmx/>");
        QVERIFY(!QFile::exists(Path(".new.tmx.Old123")));
        QVERIFY(QFile::exists(Path(".new.tmx.New123")));
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
