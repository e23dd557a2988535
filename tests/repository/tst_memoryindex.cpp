#include "repository/QMemoryIndex.h"
#include "repository/QTable.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "repository/TestSupport.h"

using namespace RepositoryTest;

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Holds the index builder before it adds a chosen record until opened.
class TGate {
public:
    explicit TGate(qint32 stopAt) : FStopAt(stopAt)
    {
        TQMemIndexThread::SetStepHookForTesting([this](qint32 rec) {
            if (rec != FStopAt) return;
            std::unique_lock lock(FMutex);
            FReached = true;
            FCv.notify_all();
            FCv.wait(lock, [this] { return FOpen; });
        });
    }
    ~TGate()
    {
        Open();
        TQMemIndexThread::SetStepHookForTesting({});
    }
    bool WaitReached()
    {
        std::unique_lock lock(FMutex);
        return FCv.wait_for(lock, std::chrono::seconds(30), [this] { return FReached; });
    }
    void Open()
    {
        std::lock_guard lock(FMutex);
        FOpen = true;
        FCv.notify_all();
    }
    // Opens the gate from another thread a little later.
    std::thread OpenLater()
    {
        return std::thread([this] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            Open();
        });
    }

private:
    qint32 FStopAt;
    std::mutex FMutex;
    std::condition_variable FCv;
    bool FReached = false;
    bool FOpen = false;
};

} // namespace

class TestMemoryIndex : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    const QString En = QStringLiteral("1033");
    const QString Fr = QStringLiteral("1036");

    std::unique_ptr<TQTable> MakeTable(bool indexed = true)
    {
        auto t = std::make_unique<TQTable>();
        t->SetDatabaseName(FDir.path());
        t->SetTableName(QStringLiteral("words.lr"));
        if (t->TableExists()) t->DeleteTable();
        t->Fields().NewField(QStringLiteral("WordID"), dtAutoInc, 0)->SetMemoryIndex(indexed);
        TQField* en = t->Fields().NewField(En, dtWideMemo, 0);
        en->SetLocale(1033);
        en->SetMemoryIndex(indexed);
        t->Fields().NewField(Fr, dtWideMemo, 0)->SetLocale(1036);
        t->SetMemoBlockSize(40);
        t->CreateTable(1);
        t->Open();
        return t;
    }

    void AddWord(TQTable& t, const QString& en, const QString& fr = QString())
    {
        t.Append();
        t.FieldByName(En)->SetAsWideString(en);
        t.FieldByName(Fr)->SetAsWideString(fr);
        t.Post();
    }

    // A table of records "w1".."wN" opened with the index, its builder held
    // by the gate.
    std::unique_ptr<TQTable> MakeBuilding(int records, TGate& gate)
    {
        auto t = MakeTable();
        for (int i = 1; i <= records; ++i) AddWord(*t, QStringLiteral("w%1").arg(i));
        t->Close();
        t->SetUseMemoryIndex(true);
        t->Open();
        [&] { QVERIFY(gate.WaitReached()); }();
        return t;
    }

    // Closes and reopens with the index, waiting for the build.
    void Reopen(TQTable& t)
    {
        t.Close();
        t.SetUseMemoryIndex(true);
        t.Open();
        QTRY_VERIFY(t.IsMemoryIndexBuilt());
    }

    // Every live record has exactly one entry in each index field.
    void VerifyOneEntryPerRecord(TQTable& t)
    {
        QVERIFY(t.IsMemoryIndexBuilt());
        QSet<qint32> live;
        for (t.First(); !t.Eof(); t.Next()) live.insert(t.Bookmark());
        TQMemoryIndex* index = t.MemoryIndex();
        QVERIFY(index);
        for (int f = 0; f < index->FieldCount(); ++f) {
            TQMemoryIndexField* field = index->Fields(f);
            QCOMPARE(field->Count(), qint64(live.size()));
            QSet<qint32> seen;
            for (qint64 i = 0; i < field->Count(); ++i) seen.insert(field->Bookmark(i));
            QCOMPARE(seen, live);
        }
    }

private Q_SLOTS:
    void keysLongerThanTheKeySize()
    {
        auto t = MakeTable();
        const QString common = QStringLiteral("Twenty characters ok"); // exactly 20
        AddWord(*t, common + QStringLiteral(" and more"), QStringLiteral("un"));
        AddWord(*t, common + QStringLiteral(" and less"), QStringLiteral("deux"));
        AddWord(*t, QStringLiteral("Other"), QStringLiteral("trois"));
        Reopen(*t);
        TQIndexSearchParams sp;
        QList<qint32> candidates;
        for (qint32 bm = t->MemoryIndex()->FindFirst(En, common + QStringLiteral(" and more"), sp, {}); bm;
             bm = t->MemoryIndex()->FindNext(sp))
            candidates << bm;
        QCOMPARE(candidates, (QList<qint32>{2, 1})); // both keys match, newest first
        const TQMemoryIndexField* field = t->MemoryIndex()->FieldByName(En);
        QCOMPARE(field->AsWideString(field->IndexByValue(common, {})), common);
        QVERIFY(t->LocateByValue(En, common + QStringLiteral(" and more"), {}));
        QCOMPARE(t->FieldByName(Fr)->AsWideString(), QStringLiteral("un"));
        QVERIFY(!t->LocateByValue(En, common + QStringLiteral(" and else"), {}));
        QCOMPARE(Message([&] { t->MemoryIndex()->FindFirst(QStringLiteral("9999"), 1, sp, {}); }),
                 QStringLiteral("Can not find field \"9999\""));
    }

    void equalKeysNewestFirst()
    {
        auto t = MakeTable();
        for (int i = 0; i < 3; ++i) AddWord(*t, QStringLiteral("Same"));
        AddWord(*t, QStringLiteral("Before"));
        Reopen(*t);
        AddWord(*t, QStringLiteral("Same")); // added by the table itself, after the build
        QList<TQValueLocation> found;
        t->GetValueLocations(En, QStringLiteral("Same"), {}, found);
        QList<qint32> order;
        for (const auto& l : found) order << l.Bookmark;
        QCOMPARE(order, (QList<qint32>{5, 3, 2, 1}));
        // Integer keys of the auto-increment field.
        QVERIFY(t->LocateByValue(QStringLiteral("WordID"), 4, {}));
        QCOMPARE(t->FieldByName(En)->AsWideString(), QStringLiteral("Before"));
        // A caseless search walks the case-sensitive order as well.
        AddWord(*t, QStringLiteral("SAME"));
        t->GetValueLocations(En, QStringLiteral("same"), qloCaseInsensitive, found);
        QCOMPARE(found.size(), 5);
    }

    void fieldsWithoutIndexFlag()
    {
        auto t = MakeTable(false);
        AddWord(*t, QStringLiteral("one"));
        AddWord(*t, QStringLiteral("two"));
        Reopen(*t);
        QCOMPARE(t->MemoryIndex()->FieldCount(), 0);
        QVERIFY(t->LocateByValue(En, QStringLiteral("two"), {})); // a chain scan
        QCOMPARE(t->Bookmark(), 2);
        TQField other;
        other.SetFieldName(QStringLiteral("F"));
        other.SetDataType(dtFloat);
        QCOMPARE(Message([&] { t->MemoryIndex()->AddField(other); }),
                 QStringLiteral("Type 6 is not allowed for index field"));
    }

    void editedKeyMoves()
    {
        auto t = MakeTable();
        for (const char* w : {"b", "c", "a", "d"}) AddWord(*t, QLatin1String(w));
        Reopen(*t);
        TQMemoryIndexField* field = t->MemoryIndex()->FieldByName(En);
        QCOMPARE(field->Bookmark(0), 3);
        t->SetBookmark(3);
        t->Edit();
        t->FieldByName(En)->SetAsWideString(QStringLiteral("zzz"));
        t->Post();
        QCOMPARE(field->Bookmark(field->Count() - 1), 3);
        QCOMPARE(field->AsWideString(field->Count() - 1), QStringLiteral("zzz"));
        t->First();
        QVERIFY(t->LocateByValue(En, QStringLiteral("zzz"), {}));
        QCOMPARE(t->Bookmark(), 3);
        QVERIFY(!t->LocateByValue(En, QStringLiteral("a"), {}));
        t->Delete();
        QCOMPARE(field->Count(), 3);
        VerifyOneEntryPerRecord(*t);
    }

    void searchBeforeTheBuildEndsScans()
    {
        TGate gate(10);
        auto t = MakeBuilding(20, gate);
        QVERIFY(!t->IsMemoryIndexBuilt());
        QCOMPARE(t->IndexBuildPosition(), 9);
        QVERIFY(t->LocateByValue(En, QStringLiteral("w15"), {})); // not indexed yet: found by the scan
        QCOMPARE(t->Bookmark(), 15);
        gate.Open();
        QTRY_VERIFY(t->IsMemoryIndexBuilt());
        QCOMPARE(t->IndexBuildPosition(), 0);
        VerifyOneEntryPerRecord(*t);
    }

    void closingWhileBuildingStopsTheBuilder()
    {
        TGate gate(5);
        auto t = MakeBuilding(20, gate);
        std::thread opener = gate.OpenLater();
        t->Close(); // waits for the builder, which then stops
        opener.join();
        QVERIFY(!t->MemoryIndex());
        QVERIFY(t->IsMemoryIndexBuilt());
        // Switching the index off on an open table stops a build the same way.
        TGate second(5);
        t->Open();
        QVERIFY(second.WaitReached());
        std::thread opener2 = second.OpenLater();
        t->SetUseMemoryIndex(false);
        opener2.join();
        QVERIFY(!t->MemoryIndex());
        QVERIFY(t->LocateByValue(En, QStringLiteral("w7"), {}));
    }

    void deleteDuringTheBuild()
    {
        TGate gate(5);
        auto t = MakeBuilding(10, gate);
        // A record the builder does not stand on is deleted at once; the
        // builder pauses between two steps and keeps its place.
        t->SetBookmark(3);
        t->Delete();
        t->SetBookmark(7);
        t->Delete();
        // The record it stands on waits until it has moved on.
        t->SetBookmark(5);
        std::thread opener = gate.OpenLater();
        t->Delete();
        opener.join();
        // A slot the builder read before its record was deleted is taken by a new record.
        AddWord(*t, QStringLiteral("new"));
        const qint32 reused = t->Bookmark();
        QTRY_VERIFY(t->IsMemoryIndexBuilt());
        QCOMPARE(t->RecordCount(), 8);
        VerifyOneEntryPerRecord(*t);
        for (const char* gone : {"w3", "w5", "w7"}) QVERIFY(!t->LocateByValue(En, QLatin1String(gone), {}));
        QVERIFY(t->LocateByValue(En, QStringLiteral("w6"), {}));
        QVERIFY(t->LocateByValue(En, QStringLiteral("new"), {}));
        QCOMPARE(t->Bookmark(), reused);
    }

    void appendAndEditDuringTheBuild()
    {
        TGate gate(3);
        auto t = MakeBuilding(10, gate);
        for (int i = 11; i <= 15; ++i) AddWord(*t, QStringLiteral("w%1").arg(i));
        t->SetBookmark(8); // not reached yet: the edit wins over what the builder reads later
        t->Edit();
        t->FieldByName(En)->SetAsWideString(QStringLiteral("edited"));
        t->Post();
        gate.Open();
        QTRY_VERIFY(t->IsMemoryIndexBuilt());
        VerifyOneEntryPerRecord(*t);
        QCOMPARE(t->MemoryIndex()->FieldByName(En)->Count(), 15);
        QVERIFY(t->LocateByValue(En, QStringLiteral("edited"), {}));
        QCOMPARE(t->Bookmark(), 8);
        QVERIFY(!t->LocateByValue(En, QStringLiteral("w8"), {}));
        QVERIFY(t->LocateByValue(En, QStringLiteral("w14"), {}));
    }

    // Many changes over more entries than one chunk holds: the index finds
    // exactly what a chain scan finds.
    void indexAgreesWithTheScan()
    {
        auto t = MakeTable();
        t->SetUseMemoryIndex(true);
        QRandomGenerator rng(7);
        const auto word = [&] { return QStringLiteral("word %1").arg(rng.bounded(300)); };
        for (int i = 0; i < 3000; ++i) AddWord(*t, word());
        for (int i = 0; i < 600; ++i) {
            const int op = rng.bounded(3);
            if (op == 0) {
                AddWord(*t, word());
                continue;
            }
            t->SetBookmark(qint32(rng.bounded(t->TotalRecCount()) + 1));
            if (t->FieldByName(En)->Empty()) continue; // a free slot
            if (op == 1) {
                t->Edit();
                t->FieldByName(En)->SetAsWideString(word());
                t->Post();
            } else {
                t->Delete();
            }
        }
        QTRY_VERIFY(t->IsMemoryIndexBuilt());
        VerifyOneEntryPerRecord(*t);
        QHash<QString, QList<qint32>> byIndex;
        for (int w = 0; w < 300; ++w) {
            QList<TQValueLocation> found;
            t->GetValueLocations(En, QStringLiteral("word %1").arg(w), {}, found);
            for (const auto& l : found) byIndex[QStringLiteral("word %1").arg(w)] << l.Bookmark;
        }
        t->SetUseMemoryIndex(false);
        for (int w = 0; w < 300; ++w) {
            const QString key = QStringLiteral("word %1").arg(w);
            QList<TQValueLocation> found;
            t->GetValueLocations(En, key, {}, found);
            QList<qint32> scan;
            for (const auto& l : found) scan << l.Bookmark;
            QList<qint32> indexed = byIndex.value(key);
            std::sort(scan.begin(), scan.end());
            std::sort(indexed.begin(), indexed.end());
            QCOMPARE(indexed, scan);
        }
    }
};

QTEST_GUILESS_MAIN(TestMemoryIndex)
#include "tst_memoryindex.moc"
