#include "core/ByteStream.h"
#include "repository/QMemoFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "repository/TestSupport.h"

using namespace RepositoryTest;

namespace {

struct TBlock {
    qint32 DataSize;
    qint32 Next;
};

TBlock BlockHeader(TQMemoFile& m, qint32 n)
{
    const QByteArray b = m.GetBlockData(n);
    TByteReader<EQBaseError> r(b, "block", 6);
    const qint32 size = r.I32();
    return {size, r.I32()};
}

QByteArray I32(qint32 v) { return Bytes(v); }

} // namespace

class TestMemoFile : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QString FName;
    TQMemoFile FMemo;

    void Create(int blockSize)
    {
        FMemo.Close();
        FMemo.SetBlockSize(blockSize);
        FMemo.CreateMemoFile(FName);
        FMemo.Open(FName);
    }

private Q_SLOTS:
    void init()
    {
        FName = FDir.filePath(QStringLiteral("t.mem"));
        QFile::remove(FName);
        Create(40);
    }
    void cleanup() { FMemo.Close(); }

    void createdHeaderIsByteExact()
    {
        FMemo.Close();
        QFile f(FName);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray expected = I32(1) + I32(0) + I32(0) + I32(40) + I32(0) + I32(0) + I32(0);
        expected.append(33, '\0');
        QCOMPARE(f.readAll(), expected);
    }

    void wideMemoSpansThreeBlocks()
    {
        const QString text = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123"); // 30 characters
        const qint32 first = FMemo.AddMemoAsWideString(text);
        QCOMPARE(first, 1);
        QCOMPARE(FMemo.TotalBlockCount(), 3);
        QCOMPARE(BlockHeader(FMemo, 1).DataSize, 60);
        QCOMPARE(BlockHeader(FMemo, 1).Next, 2);
        QCOMPARE(BlockHeader(FMemo, 2).DataSize, 34);
        QCOMPARE(BlockHeader(FMemo, 2).Next, 3);
        QCOMPARE(BlockHeader(FMemo, 3).DataSize, 8);
        QCOMPARE(BlockHeader(FMemo, 3).Next, 0);
        QCOMPARE(FMemo.FirstBlock(), 1);
        QCOMPARE(QFileInfo(FName).size(), 61 + 3 * 40);
        QCOMPARE(FMemo.LoadMemoAsWideString(first), text);

        // Overwriting with 5 characters keeps one block and frees two, which
        // the next allocations take again in chain order before the file grows.
        QCOMPARE(FMemo.SaveMemoAsWideString(first, QStringLiteral("hello")), 10);
        QCOMPARE(BlockHeader(FMemo, 1).DataSize, 10);
        QCOMPARE(BlockHeader(FMemo, 1).Next, 0);
        QCOMPARE(FMemo.FirstEmpty(), 2);
        QCOMPARE(FMemo.LastEmpty(), 3);
        QCOMPARE(FMemo.LoadMemoAsWideString(first), QStringLiteral("hello"));
        QCOMPARE(FMemo.AddMemoAsString("x"), 2);
        QCOMPARE(FMemo.AddMemoAsString("y"), 3);
        QCOMPARE(FMemo.FirstEmpty(), 0);
        QCOMPARE(FMemo.LastEmpty(), 0);
        QCOMPARE(FMemo.AddMemoAsString("z"), 4);

        // Growing a value over its chain takes new blocks and keeps the old ones.
        const QByteArray big(100, 'q');
        FMemo.SaveMemoAsString(2, big);
        QCOMPARE(FMemo.LoadMemo(2), big);
        QCOMPARE(FMemo.LoadMemoAsString(3), QByteArray("y"));

        // The free chain survives reopening.
        FMemo.DeleteMemo(2);
        FMemo.Close();
        FMemo.Open(FName);
        QCOMPARE(FMemo.FirstEmpty(), 2);
        QCOMPARE(FMemo.AddMemo(QByteArray(60, 'r')), 2);
    }

    void emptyValueTakesOneBlock()
    {
        const qint32 b = FMemo.AddMemo(QByteArray());
        QCOMPARE(FMemo.TotalBlockCount(), 1);
        QCOMPARE(FMemo.GetMemoSize(b), 0);
        QCOMPARE(FMemo.LoadMemo(b), QByteArray());
        QCOMPARE(FMemo.LoadMemoAsWideString(b), QString());
    }

    void wrongBlockNumbers()
    {
        FMemo.AddMemoAsString("abc");
        QCOMPARE(Message([&] { FMemo.GetMemoSize(0); }), QStringLiteral("Wrong memo block number: \"0\""));
        QCOMPARE(Message([&] { FMemo.GetMemoSize(2); }), QStringLiteral("Wrong memo block number: \"2\""));
        QCOMPARE(Message([&] { FMemo.LoadMemo(-1); }), QStringLiteral("Wrong memo block number: \"-1\""));
        QCOMPARE(FMemo.LoadMemoAsString(7), QByteArray()); // errors read as empty text
    }

    void ansiTextLimit()
    {
        const qint32 small = FMemo.AddMemoAsString(QByteArray(10000, 'a'));
        const qint32 big = FMemo.AddMemoAsString(QByteArray(10001, 'b'));
        QCOMPARE(FMemo.LoadMemoAsString(small).size(), 10000);
        QCOMPARE(FMemo.LoadMemoAsString(big), QByteArray());
        QCOMPARE(FMemo.LoadMemo(big).size(), 10001);
    }

    void emptyAndTruncate()
    {
        for (int i = 0; i < 5; ++i) FMemo.AddMemoAsString(QByteArray(30, 'x'));
        FMemo.DeleteMemo(9); // blocks 9 and 10
        FMemo.Truncate(8);
        QCOMPARE(FMemo.TotalBlockCount(), 8);
        QCOMPARE(FMemo.FirstEmpty(), 0);
        QCOMPARE(QFileInfo(FName).size(), 61 + 8 * 40);
        FMemo.EmptyMemoFile();
        QCOMPARE(QFileInfo(FName).size(), 61);
        QCOMPARE(FMemo.TotalBlockCount(), 0);
        QCOMPARE(FMemo.AddMemoAsString("new"), 1);
    }

    void stateMessages()
    {
        QCOMPARE(Message([&] { FMemo.CreateMemoFile(FName); }), QStringLiteral("Memo file is already opened"));
        FMemo.Close();
        QCOMPARE(Message([&] { FMemo.EmptyMemoFile(); }), QStringLiteral("Memo file is not opened"));
        const QString missing = FDir.filePath(QStringLiteral("missing.mem"));
        QCOMPARE(Message([&] { FMemo.Open(missing); }), QStringLiteral("Can't open file: %1").arg(missing));
        QCOMPARE(Message([&] { FMemo.CreateMemoFile(FDir.filePath(QStringLiteral("no/such/dir.mem"))); }),
                 QStringLiteral("Can't create memo file"));
        // A read-only file refuses writes with the block message.
        FMemo.SetReadOnly(true);
        FMemo.Open(FName);
        QCOMPARE(Message([&] { FMemo.AddMemoAsString("x"); }), QStringLiteral("Error in block writing"));
        FMemo.SetReadOnly(false);
    }

    // Damaged files end in errors, never in endless reads or huge allocations.
    void damagedChains_data()
    {
        QTest::addColumn<int>("block");     // block whose header is patched
        QTest::addColumn<qint32>("size");   // its DataSize
        QTest::addColumn<qint32>("next");   // its Next
        QTest::addColumn<QString>("error"); // what loading block 1 says
        // The first block claims 70 bytes, more than the three blocks give.
        QTest::newRow("loop") << 3 << 0 << 1 << QStringLiteral("Wrong memo block number: \"1\"");
        QTest::newRow("past the end") << 3 << 8 << 9 << QStringLiteral("Wrong memo block number: \"9\"");
        QTest::newRow("absurd size") << 1 << 0x7FFFFFF0 << 2 << QStringLiteral("Wrong memo block number: \"1\"");
        QTest::newRow("negative size") << 1 << -5 << 2 << QStringLiteral("Wrong memo block number: \"1\"");
    }
    void damagedChains()
    {
        QFETCH(int, block);
        QFETCH(qint32, size);
        QFETCH(qint32, next);
        QFETCH(QString, error);
        FMemo.AddMemo(QByteArray(60, 'x')); // blocks 1, 2, 3
        FMemo.Close();
        if (block != 1) Patch(FName, 61 + 6, I32(70));
        Patch(FName, 61 + (block - 1) * 40 + 6, I32(size) + I32(next));
        FMemo.Open(FName);
        QCOMPARE(Message([&] { FMemo.LoadMemo(1); }), error);
        // Freeing a chain that loops or leaves the file is refused as well.
        if (block == 3)
            QCOMPARE(Message([&] { FMemo.DeleteMemo(1); }),
                     QStringLiteral("Wrong memo block number: \"%1\"").arg(next));
    }

    void damagedHeader_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<qint32>("value");
        QTest::newRow("more blocks than the file") << 8 << 4;
        QTest::newRow("block size too small") << 12 << 14;
        QTest::newRow("free chain beyond the file") << 20 << 7;
    }
    void damagedHeader()
    {
        QFETCH(int, offset);
        QFETCH(qint32, value);
        FMemo.AddMemo(QByteArray(60, 'x'));
        FMemo.Close();
        Patch(FName, offset, I32(value));
        QCOMPARE(Message([&] { FMemo.Open(FName); }), QStringLiteral("Error during memo header reading"));
        QVERIFY(!FMemo.Active());
        QFile::resize(FName, 30);
        QCOMPARE(Message([&] { FMemo.Open(FName); }), QStringLiteral("Error during memo header reading"));
    }

    void loopingFreeChainIsNotReusedTwice()
    {
        FMemo.AddMemo(QByteArray(60, 'x')); // 1..3
        FMemo.DeleteMemo(1);
        FMemo.Close();
        Patch(FName, 61 + 1 * 40 + 10, I32(1)); // block 2 points back to block 1
        FMemo.Open(FName);
        const qint32 first = FMemo.AddMemo(QByteArray(100, 'y')); // four blocks
        QCOMPARE(FMemo.LoadMemo(first), QByteArray(100, 'y'));
        QCOMPARE(BlockHeader(FMemo, 2).Next, 4); // 1, 2, then new blocks
    }

    void repairCollection()
    {
        const qint32 a = FMemo.AddMemo(QByteArray(60, 'a')); // 1..3
        const qint32 b = FMemo.AddMemo(QByteArray(10, 'b')); // 4
        FMemo.Close();
        Patch(FName, 61 + 2 * 40 + 10, I32(1)); // block 3 loops back to 1
        FMemo.Open(FName);
        std::vector<bool> used(size_t(FMemo.TotalBlockCount()) + 1);
        QList<qint32> chain;
        FMemo.CollectChain(a, used, &chain, true);
        QCOMPARE(chain, (QList<qint32>{1, 2, 3}));
        QCOMPARE(BlockHeader(FMemo, 3).Next, 0); // cut where it looped
        FMemo.CollectChain(b, used, &chain, true);
        QCOMPARE(chain.size(), 4);
        FMemo.AppendToFreeChain(2);
        FMemo.AppendToFreeChain(4);
        QCOMPARE(FMemo.FirstEmpty(), 2);
        QCOMPARE(FMemo.LastEmpty(), 4);
        QCOMPARE(BlockHeader(FMemo, 2).Next, 4);
        QCOMPARE(BlockHeader(FMemo, 4).Next, 0);
    }
};

QTEST_GUILESS_MAIN(TestMemoFile)
#include "tst_memofile.moc"
