#include "repository/QMemoryIndex.h"
#include "repository/QTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "repository/TestSupport.h"

using namespace RepositoryTest;

namespace {

// Record numbers in chain order.
QList<qint32> Chain(TQTable& t)
{
    QList<qint32> r;
    if (t.RecordCount() == 0) return r;
    for (t.First(); !t.Eof(); t.Next()) r.append(t.Bookmark());
    return r;
}

} // namespace

class TestTable : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;

    // A table shaped like a repository: WordID, English and French texts.
    std::unique_ptr<TQTable> MakeTable(const QString& name, int blockSize = 40)
    {
        auto t = std::make_unique<TQTable>();
        t->SetDatabaseName(FDir.path());
        t->SetTableName(name);
        if (t->TableExists()) t->DeleteTable();
        t->Fields().NewField(QStringLiteral("WordID"), dtAutoInc, 0)->SetMemoryIndex(true);
        TQField* en = t->Fields().NewField(QStringLiteral("1033"), dtWideMemo, 0);
        en->SetLocale(1033);
        en->SetMemoryIndex(true);
        TQField* fr = t->Fields().NewField(QStringLiteral("1036"), dtWideMemo, 0);
        fr->SetLocale(1036);
        t->SetMemoBlockSize(blockSize);
        t->CreateTable(1);
        t->Open();
        return t;
    }

    void AddWord(TQTable& t, const QString& en, const QString& fr = QString())
    {
        t.Append();
        t.FieldByName(QStringLiteral("1033"))->SetAsWideString(en);
        t.FieldByName(QStringLiteral("1036"))->SetAsWideString(fr);
        t.Post();
    }

private Q_SLOTS:
    void layoutIsByteExact()
    {
        TQTable t;
        t.SetDatabaseName(FDir.path());
        t.SetTableName(QStringLiteral("layout"));
        QCOMPARE(t.TableName(), QStringLiteral("layout.qdb"));
        t.Fields().NewField(QStringLiteral("Num"), dtInteger, 99);
        t.Fields().NewField(QStringLiteral("Name"), dtWideString, 10)->SetDescription(QStringLiteral("the name"));
        t.Fields().NewField(QStringLiteral("Text"), dtWideMemo, 0)->SetLocale(1031);
        t.CreateTable(7);
        const QString file = t.FileName();
        QCOMPARE(QFileInfo(file).size(), 135 + 3 * 109 + 46);
        QCOMPARE(QFileInfo(t.MemoFileName()).fileName(), QStringLiteral("layout.mem"));
        t.Open();
        QCOMPARE(t.RecSize(), 46);
        QCOMPARE(t.Fields()[0]->Size(), 0); // only strings keep a size
        t.SetTitle(QStringLiteral("Glossary"));
        t.Append();
        t.FieldByName(QStringLiteral("Num"))->SetAsInteger(-2);
        t.FieldByName(QStringLiteral("Name"))->SetAsWideString(QStringLiteral("Grüße"));
        t.FieldByName(QStringLiteral("Text"))->SetAsWideString(QStringLiteral("long text"));
        t.Post();
        t.Close();

        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray raw = f.readAll();
        QCOMPARE(raw.size(), 135 + 327 + 2 * 46);
        QCOMPARE(raw.left(3), QByteArray("qtb"));
        QCOMPARE(ReadAt<quint16>(file, 3), quint16(6));
        QCOMPARE(raw.mid(9, 9), QByteArray("\x08Glossary"));
        QCOMPARE(ReadAt<qint32>(file, 74), 1); // RecCount
        QCOMPARE(ReadAt<qint32>(file, 78), 1); // TotalRecCount
        QCOMPARE(ReadAt<quint16>(file, 82), quint16(46));
        QCOMPARE(ReadAt<quint16>(file, 84), quint16(3));
        QCOMPARE(ReadAt<qint32>(file, 86), 1);  // FirstRec
        QCOMPARE(ReadAt<qint32>(file, 90), 1);  // LastRec
        QCOMPARE(ReadAt<qint32>(file, 102), 7); // DBVersion
        // Descriptor of "Name": name, size 10, type 12, description.
        QCOMPARE(raw.mid(135 + 109, 5), QByteArray("\x04Name"));
        QCOMPARE(ReadAt<quint16>(file, 135 + 109 + 31), quint16(10));
        QCOMPARE(quint8(raw[135 + 109 + 33]), quint8(dtWideString));
        QCOMPARE(raw.mid(135 + 109 + 34, 9), QByteArray("\x08the name"));
        QCOMPARE(ReadAt<qint32>(file, 135 + 2 * 109 + 99), 1031);
        // Record 1 at 135 + 327 + 46: live, no neighbours, then the values.
        const qint64 rec = 135 + 327 + 46;
        QCOMPARE(ReadAt<quint16>(file, rec), quint16(0));
        QCOMPARE(ReadAt<qint32>(file, rec + 10), 0);
        QCOMPARE(ReadAt<qint32>(file, rec + 18), -2);
        QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(raw.constData() + rec + 22), 5),
                 QStringLiteral("Grüße"));
        QCOMPARE(ReadAt<qint32>(file, rec + 42), 1); // first memo block
    }

    void stringLengthsAreCapped_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("ANSI") << int(dtString);
        QTest::newRow("wide") << int(dtWideString);
    }
    void stringLengthsAreCapped()
    {
        QFETCH(int, type);
        TQTable t;
        t.SetDatabaseName(FDir.path());
        t.SetTableName(QStringLiteral("caps"));
        t.Fields().NewField(QStringLiteral("S"), TQDataType(type), 10);
        t.Fields().NewField(QStringLiteral("Next"), dtInteger, 0);
        t.CreateTable(1);
        t.Open();
        t.Append();
        t.FieldByName(QStringLiteral("S"))->SetAsWideString(QStringLiteral("0123456789abc"));
        t.FieldByName(QStringLiteral("Next"))->SetAsInteger(77);
        t.Post();
        QCOMPARE(t.FieldByName(QStringLiteral("S"))->AsWideString(), QStringLiteral("012345678"));
        QCOMPARE(t.FieldByName(QStringLiteral("Next"))->AsInteger(), 77); // the neighbour is untouched
        t.Close();
        t.DeleteTable();
    }

    void valuesAndConversions()
    {
        TQTable t;
        t.SetDatabaseName(FDir.path());
        t.SetTableName(QStringLiteral("types"));
        t.Fields().NewField(QStringLiteral("Small"), dtSmallint, 0);
        t.Fields().NewField(QStringLiteral("Word"), dtWord, 0);
        t.Fields().NewField(QStringLiteral("Bool"), dtBoolean, 0);
        t.Fields().NewField(QStringLiteral("Float"), dtFloat, 0);
        t.Fields().NewField(QStringLiteral("Date"), dtDate, 0);
        t.Fields().NewField(QStringLiteral("Memo"), dtMemo, 0);
        t.Fields().NewField(QStringLiteral("Blob"), dtBlob, 0);
        t.CreateTable(1);
        t.Open();
        QCOMPARE(Message([&] { t.FieldByName(QStringLiteral("Small"))->SetAsInteger(1); }),
                 QStringLiteral("Tables is not in edit or insert mode"));
        QCOMPARE(Message([&] { t.FieldByName(QStringLiteral("Nope")); }), QStringLiteral("Can't find field \"Nope\""));
        QCOMPARE(Message([&] { t.FieldByLocale(1049); }), QStringLiteral("Can't find field with locale \"1049\""));
        t.Append();
        t.FieldByName(QStringLiteral("Small"))->SetAsWideString(QStringLiteral(" -12 "));
        t.FieldByName(QStringLiteral("Word"))->SetAsVariant(65535);
        t.FieldByName(QStringLiteral("Bool"))->SetAsVariant(true);
        t.FieldByName(QStringLiteral("Float"))->SetAsWideString(QStringLiteral("2.5"));
        t.FieldByName(QStringLiteral("Date"))->SetAsWideString(QStringLiteral("2000-01-01"));
        t.FieldByName(QStringLiteral("Memo"))->SetAsWideString(QStringLiteral("Grüße"));
        t.FieldByName(QStringLiteral("Blob"))->SetData(3, "\x01\x00\x02");
        QCOMPARE(Message([&] { t.FieldByName(QStringLiteral("Small"))->SetAsWideString(QStringLiteral("x")); }),
                 QStringLiteral("Wrong field type"));
        QCOMPARE(Message([&] { t.FieldByName(QStringLiteral("Small"))->SaveToStrings(); }),
                 QStringLiteral("Operation is allowed only for Blob & Memo fields"));
        t.Post();
        t.Close();
        t.Open();
        QCOMPARE(t.FieldByName(QStringLiteral("Small"))->AsVariant(), QVariant(-12));
        QCOMPARE(t.FieldByName(QStringLiteral("Word"))->AsWideString(), QStringLiteral("65535"));
        QCOMPARE(t.FieldByName(QStringLiteral("Bool"))->AsWideString(), QStringLiteral("1"));
        QCOMPARE(t.FieldByName(QStringLiteral("Float"))->AsVariant(), QVariant(2.5));
        QCOMPARE(t.FieldByName(QStringLiteral("Date"))->AsVariant(), QVariant(36526.0));
        QCOMPARE(t.FieldByName(QStringLiteral("Date"))->AsWideString(), QStringLiteral("2000-01-01"));
        QCOMPARE(t.FieldByName(QStringLiteral("Memo"))->AsString(), QByteArray("Gr\xFC\xDF"
                                                                               "e"));
        QCOMPARE(t.FieldByName(QStringLiteral("Memo"))->AsWideString(), QStringLiteral("Grüße"));
        QCOMPARE(t.FieldByName(QStringLiteral("Blob"))->Data(), QByteArray("\x01\x00\x02", 3));
        QCOMPARE(t.FieldByName(QStringLiteral("Blob"))->AsWideString(), QString());
        QVERIFY(!t.FieldByName(QStringLiteral("Memo"))->Empty());
        QVERIFY(!t.FieldByName(QStringLiteral("Small"))->Empty());
        t.Close();
        t.DeleteTable();
        QVERIFY(!t.TableExists());
        QVERIFY(!QFileInfo::exists(t.MemoFileName()));
    }

    void defaultsAutoIncAndInfo()
    {
        auto t = MakeTable(QStringLiteral("defaults.lr"));
        QCOMPARE(QFileInfo(t->MemoFileName()).fileName(), QStringLiteral("defaults.mem"));
        t->EditDefaults();
        t->FieldByName(QStringLiteral("1036"))->SetAsWideString(QStringLiteral("(vide)"));
        t->Post();
        QCOMPARE(Message([&] { t->FieldByName(QStringLiteral("WordID"))->SetAsInteger(5); }),
                 QStringLiteral("Tables is not in edit or insert mode"));
        AddWord(*t, QStringLiteral("Open"));
        AddWord(*t, QStringLiteral("Close"), QStringLiteral("Fermer"));
        t->Edit();
        QCOMPARE(Message([&] { t->FieldByName(QStringLiteral("WordID"))->SetAsInteger(5); }),
                 QStringLiteral("Can not change field with AutoInc type"));
        t->Cancel();
        t->SetInfoText(QStringLiteral("Ünïcode info"));
        t->Close();
        QCOMPARE(Message([&] { t->InfoText(); }), QStringLiteral("Can't read info from closed table"));
        t->Open();
        QCOMPARE(t->InfoText(), QStringLiteral("Ünïcode info"));
        QCOMPARE(t->LastID(), 2);
        t->First();
        QCOMPARE(t->FieldByName(QStringLiteral("WordID"))->AsInteger(), 1);
        QCOMPARE(t->FieldByName(QStringLiteral("1036"))->AsWideString(), QStringLiteral("(vide)"));
        t->Next();
        QCOMPARE(t->FieldByName(QStringLiteral("WordID"))->AsInteger(), 2);
        QCOMPARE(t->FieldByName(QStringLiteral("1036"))->AsWideString(), QStringLiteral("Fermer"));
        // Emptying a memo value keeps its block with no bytes.
        t->Edit();
        t->FieldByName(QStringLiteral("1036"))->SetAsWideString(QString());
        t->Post();
        QVERIFY(t->FieldByName(QStringLiteral("1036"))->Empty());
    }

    void deleteAndReuse()
    {
        auto t = MakeTable(QStringLiteral("reuse.lr"));
        for (const char* w : {"one", "two", "three"}) AddWord(*t, QLatin1String(w));
        t->SetBookmark(2);
        const qint32 blocksBefore = t->MemoFile().TotalBlockCount();
        t->Delete();
        QCOMPARE(t->Bookmark(), 3); // the next record becomes current
        QCOMPARE(t->RecordCount(), 2);
        QCOMPARE(t->FirstEmpty(), 2);
        QCOMPARE(Chain(*t), (QList<qint32>{1, 3}));
        AddWord(*t, QStringLiteral("four"));
        QCOMPARE(t->TotalRecCount(), 3);
        QCOMPARE(t->LastRec(), 2);
        QCOMPARE(t->FirstEmpty(), 0);
        QCOMPARE(Chain(*t), (QList<qint32>{1, 3, 2}));
        QCOMPARE(t->MemoFile().TotalBlockCount(), blocksBefore); // the freed block was reused
        t->Last();
        QCOMPARE(t->FieldByName(QStringLiteral("1033"))->AsWideString(), QStringLiteral("four"));
        t->Prior();
        QCOMPARE(t->FieldByName(QStringLiteral("1033"))->AsWideString(), QStringLiteral("three"));
        t->MoveBy(-5);
        QVERIFY(t->Bof());
        QCOMPARE(t->Bookmark(), 1);
        QCOMPARE(Message([&] { t->SetBookmark(4); }), QStringLiteral("Wrong record number"));
        t->Edit();
        QCOMPARE(Message([&] { t->SetBookmark(1); }), QStringLiteral("Can't change position in edit state"));
        t->Cancel();
    }

    void deleteTheOnlyRecord()
    {
        auto t = MakeTable(QStringLiteral("only.lr"));
        AddWord(*t, QStringLiteral("alone"), QStringLiteral("seul"));
        t->Delete();
        QCOMPARE(t->RecordCount(), 0);
        QCOMPARE(t->FirstRec(), 0);
        QCOMPARE(t->LastRec(), 0);
        QVERIFY(t->Bof());
        QVERIFY(t->Eof());
        QCOMPARE(t->FirstEmpty(), 1);
        QCOMPARE(t->LastEmpty(), 1);
        QCOMPARE(t->MemoFile().FirstEmpty() != 0, true);
        t->Close();
        QCOMPARE(ReadAt<quint16>(t->FileName(), 135 + 3 * 109 + t->RecSize()), quint16(0xFFFF));
        t->Open();
        QCOMPARE(Chain(*t), QList<qint32>());
    }

    void locateOptions_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("sought");
        QTest::addColumn<int>("options");
        QTest::addColumn<bool>("found");
        QTest::newRow("partial key") << "Open file"
                                     << "Open" << int(qloPartialKey) << true;
        QTest::newRow("no partial key") << "Open file"
                                        << "Open" << 0 << false;
        QTest::newRow("ampersand ignored") << "&Open"
                                           << "Open" << int(qloIgnoreAmpersand) << true;
        QTest::newRow("ampersand counts") << "&Open"
                                          << "Open" << 0 << false;
        QTest::newRow("ampersand inside") << "E&xit"
                                          << "Exit" << int(qloIgnoreAmpersand) << true;
        QTest::newRow("double ampersand") << "Save && exit"
                                          << "Save & exit" << int(qloIgnoreAmpersand) << false;
        QTest::newRow("case matters") << "Open"
                                      << "open" << 0 << false;
        QTest::newRow("case ignored") << "Open"
                                      << "open" << int(qloCaseInsensitive) << true;
        QTest::newRow("all together") << "&Open file"
                                      << "OPEN" << int(qloCaseInsensitive | qloPartialKey | qloIgnoreAmpersand) << true;
    }
    void locateOptions()
    {
        QFETCH(QString, stored);
        QFETCH(QString, sought);
        QFETCH(int, options);
        QFETCH(bool, found);
        for (bool indexed : {false, true}) {
            auto t = MakeTable(QStringLiteral("locate.lr"));
            AddWord(*t, QStringLiteral("something else"));
            AddWord(*t, stored);
            AddWord(*t, QStringLiteral("zzz"));
            if (indexed) {
                t->SetUseMemoryIndex(true);
                QTRY_VERIFY(t->IsMemoryIndexBuilt());
            }
            t->First();
            QCOMPARE(t->LocateByValue(QStringLiteral("1033"), sought, TQLocateOptions(options)), found);
            QCOMPARE(t->Bookmark(), found ? 2 : 1);
        }
    }

    void valueLocations()
    {
        auto t = MakeTable(QStringLiteral("locations.lr"));
        AddWord(*t, QStringLiteral("Open"), QStringLiteral("Ouvrir"));
        AddWord(*t, QStringLiteral("Close"));
        AddWord(*t, QStringLiteral("open"), QStringLiteral("ouvrir"));
        t->SetBookmark(2);
        QList<TQValueLocation> found;
        t->GetValueLocations(QStringLiteral("1033"), QStringLiteral("OPEN"), qloCaseInsensitive, found);
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0].Bookmark, 1);
        QCOMPARE(found[1].Bookmark, 3);
        QCOMPARE(t->Bookmark(), 2);
        QVERIFY(!t->LocateByValue(QStringLiteral("1036"), QStringLiteral("absent"), {}));
        QCOMPARE(t->Bookmark(), 2);
        QCOMPARE(Message([&] { t->LocateByValue(QStringLiteral("nope"), 1, {}); }),
                 QStringLiteral("Can not find field \"nope\""));
        QVERIFY(t->LocateByValue(QStringLiteral("WordID"), 3, {}));
        QCOMPARE(t->Bookmark(), 3);
    }

    void olderVersionsAndLockCounters()
    {
        auto t = MakeTable(QStringLiteral("old.lr"));
        AddWord(*t, QStringLiteral("x"));
        t->LockTable(ltRead | ltWrite);
        t->LockTable(ltRead);
        QCOMPARE(ReadAt<quint16>(t->FileName(), 131), quint16(2));
        QCOMPARE(ReadAt<quint16>(t->FileName(), 133), quint16(1));
        t->UnlockTable(ltRead | ltWrite);
        QCOMPARE(t->ReadLocks(), quint16(1));
        QCOMPARE(t->WriteLocks(), quint16(0));
        t->Close();

        // Version 4: the counters are not read; flags of memory index are.
        const QString file = t->FileName();
        Patch(file, 3, Bytes<quint16>(4));
        Patch(file, 131, Bytes<quint16>(9) + Bytes<quint16>(9));
        t->Open();
        QCOMPARE(t->Version(), 4);
        QCOMPARE(t->ReadLocks(), quint16(0));
        QVERIFY(t->FieldByName(QStringLiteral("1033"))->MemoryIndex());
        t->LockTable(ltRead); // counted in memory only
        QCOMPARE(ReadAt<quint16>(file, 131), quint16(9));
        t->SetTitle(QStringLiteral("now six"));
        QCOMPARE(ReadAt<quint16>(file, 3), quint16(6));
        t->Close();

        // Version 3: index flags are ignored, and dropped when the header is rewritten.
        Patch(file, 3, Bytes<quint16>(3));
        t->Open();
        QVERIFY(!t->FieldByName(QStringLiteral("1033"))->MemoryIndex());
        t->SetDBVersion(2);
        t->Close();
        t->Open();
        QVERIFY(!t->FieldByName(QStringLiteral("1033"))->MemoryIndex());
        QCOMPARE(t->DBVersion(), 2);
        t->Close();

        // Version 5 kept its info text as ANSI in the code page of OldInfoLocale.
        Patch(file, 3, Bytes<quint16>(5));
        TQMemoFile memo;
        memo.Open(t->MemoFileName());
        const qint32 block = memo.AddMemoAsString("Caf\xE9");
        memo.Close();
        Patch(file, 106, Bytes<qint32>(block));
        t->SetOldInfoLocale(1036);
        t->Open();
        QCOMPARE(t->InfoText(), QStringLiteral("Café"));
        t->SetTitle(QStringLiteral("upgrade")); // the header now says 6: the info text follows
        t->Close();
        t->Open();
        QCOMPARE(t->InfoText(), QStringLiteral("Café"));
    }

    void restructureAddsAField()
    {
        auto t = MakeTable(QStringLiteral("restructure.lr"));
        for (const char* w : {"a", "b", "c", "d"}) AddWord(*t, QLatin1String(w), QString::fromLatin1(w).toUpper());
        t->SetBookmark(1);
        t->Delete();
        t->SetInfoText(QStringLiteral("info"));
        QCOMPARE(t->LastID(), 4);
        TQFieldList schema;
        schema.Assign(t->Fields());
        TQField* de = schema.NewField(QStringLiteral("1031"), dtWideMemo, 0);
        de->SetLocale(1031);
        de->SetDefValue(QStringLiteral("leer"));
        schema.NewField(QStringLiteral("Count"), dtInteger, 0)->SetDefValue(5);
        t->Restructure(schema, 0);
        QVERIFY(t->Active());
        QCOMPARE(t->Fields().Count(), 5);
        QCOMPARE(t->RecordCount(), 3);
        QCOMPARE(t->DBVersion(), 1);
        QCOMPARE(t->InfoText(), QStringLiteral("info"));
        int id = 0;
        QStringList texts;
        for (t->First(); !t->Eof(); t->Next()) {
            QCOMPARE(t->FieldByName(QStringLiteral("WordID"))->AsInteger(), ++id);
            texts << t->FieldByName(QStringLiteral("1033"))->AsWideString() +
                         t->FieldByName(QStringLiteral("1036"))->AsWideString();
            QCOMPARE(t->FieldByName(QStringLiteral("1031"))->AsWideString(), QStringLiteral("leer"));
            QCOMPARE(t->FieldByName(QStringLiteral("Count"))->AsInteger(), 5);
        }
        QCOMPARE(texts, (QStringList{"bB", "cC", "dD"}));
        QVERIFY(!QFileInfo::exists(FDir.filePath(QStringLiteral("__Temp.qdb"))));

        // Dropping a field and renaming another moves values by the old name.
        schema.Assign(t->Fields());
        schema.Delete(schema.IndexByName(QStringLiteral("1031")));
        schema.FindByName(QStringLiteral("Count"))->SetFieldName(QStringLiteral("Total"));
        t->Restructure(schema, 3);
        QCOMPARE(t->DBVersion(), 3);
        QCOMPARE(t->Fields().Count(), 4);
        t->First();
        QCOMPARE(t->FieldByName(QStringLiteral("Total"))->AsInteger(), 5);
    }

    void emptyRenameAndCopy()
    {
        auto t = MakeTable(QStringLiteral("empty.lr"));
        for (const char* w : {"a", "b"}) AddWord(*t, QLatin1String(w), QStringLiteral("long enough to take blocks"));
        auto copy = MakeTable(QStringLiteral("copy.lr"));
        copy->SetAllowChangeAutoInc(true);
        AddWord(*copy, QStringLiteral("old"));
        t->SetTitle(QStringLiteral("source"));
        t->CopyTo(copy.get(), cfCopy);
        QCOMPARE(copy->RecordCount(), 2);
        QCOMPARE(copy->Title(), QStringLiteral("source"));
        copy->First();
        QCOMPARE(copy->FieldByName(QStringLiteral("1036"))->AsWideString(),
                 QStringLiteral("long enough to take blocks"));

        t->EmptyTable();
        QCOMPARE(t->RecordCount(), 0);
        QCOMPARE(t->TotalRecCount(), 0);
        QCOMPARE(t->LastID(), 2);
        QCOMPARE(QFileInfo(t->FileName()).size(), 135 + 3 * 109 + t->RecSize());
        QCOMPARE(QFileInfo(t->MemoFileName()).size(), 61);
        AddWord(*t, QStringLiteral("c"));
        QCOMPARE(t->Bookmark(), 1);
        QCOMPARE(t->FieldByName(QStringLiteral("WordID"))->AsInteger(), 3);

        t->RenameTable(QStringLiteral("renamed.lr"));
        QVERIFY(t->Active());
        QVERIFY(QFileInfo::exists(FDir.filePath(QStringLiteral("renamed.lr"))));
        QVERIFY(QFileInfo::exists(FDir.filePath(QStringLiteral("renamed.mem"))));
        QVERIFY(!QFileInfo::exists(FDir.filePath(QStringLiteral("empty.lr"))));
        QCOMPARE(t->FieldByName(QStringLiteral("1033"))->AsWideString(), QStringLiteral("c"));

        TQTable closed;
        closed.SetDatabaseName(FDir.path());
        closed.SetTableName(QStringLiteral("nothing"));
        QCOMPARE(Message([&] { t->CopyTo(&closed, cfAppend); }), QStringLiteral("Table \"nothing.qdb\" is not opened"));
        QCOMPARE(Message([&] { closed.Open(); }), QStringLiteral("Unknown table name \"nothing.qdb\""));
        QCOMPARE(Message([&] { closed.SetTitle(QStringLiteral("x")); }), QStringLiteral("Table is not open"));
        QCOMPARE(Message([&] { t->SetTableName(QStringLiteral("x")); }), QStringLiteral("Table is opened"));
        QCOMPARE(Message([&] { t->SetReadOnly(true); }),
                 QStringLiteral("Can not change ReadOnly state while table is opened"));
        QCOMPARE(Message([&] { t->DeleteTable(); }), QStringLiteral("Can't delete opened table"));
        QCOMPARE(Message([&] { t->CreateTable(1); }), QStringLiteral("Table is opened"));
    }

    void sharingBetweenTableObjects()
    {
        auto t = MakeTable(QStringLiteral("shared.lr"));
        AddWord(*t, QStringLiteral("first"));
        TQTable second;
        second.SetDatabaseName(FDir.path());
        second.SetTableName(QStringLiteral("shared.lr"));
        QCOMPARE(Message([&] { second.Open(); }), QStringLiteral("Can not open file \"%1\"").arg(t->FileName()));
        second.SetReadOnly(true);
        second.Open();
        QCOMPARE(second.RecordCount(), 1);
        AddWord(*t, QStringLiteral("second"));
        second.SafeNext(); // sees the record appended meanwhile
        QVERIFY(!second.Eof());
        QCOMPARE(second.FieldByName(QStringLiteral("1033"))->AsWideString(), QStringLiteral("second"));
        QCOMPARE(second.RecordCount(), 2);
        second.Close();
    }

    // Damaged table files are refused when opened.
    void damagedFiles_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("size"); // cut the file to this size (-1: keep)
        QTest::addColumn<QString>("error");
        const qint64 records = 135 + 3 * 109;
        QTest::newRow("truncated header") << 0 << QByteArray() << qint64(100) << "Error during header reading";
        QTest::newRow("more fields than the file")
            << 84 << Bytes<quint16>(400) << qint64(-1) << "Error during structure reading";
        QTest::newRow("more records than the file")
            << 78 << Bytes<qint32>(50) << qint64(-1) << "Error during header reading";
        QTest::newRow("records cut off") << 0 << QByteArray() << records + 46 * 2 << "Error during header reading";
        QTest::newRow("chain end beyond the records")
            << 90 << Bytes<qint32>(9) << qint64(-1) << "Error during header reading";
        QTest::newRow("record size disagrees")
            << 82 << Bytes<quint16>(20) << qint64(-1) << "Error during structure reading";
        QTest::newRow("unknown field type")
            << 135 + 33 << QByteArray("\x30") << qint64(-1) << "Error during structure reading";
    }
    void damagedFiles()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, size);
        QFETCH(QString, error);
        auto t = MakeTable(QStringLiteral("damaged.lr"));
        for (const char* w : {"a", "b", "c"}) AddWord(*t, QLatin1String(w));
        t->Close();
        if (!bytes.isEmpty()) Patch(t->FileName(), offset, bytes);
        if (size >= 0) QFile::resize(t->FileName(), size);
        QCOMPARE(Message([&] { t->Open(); }), error);
        QVERIFY(!t->Active());
    }

    void cyclicChainIsAnErrorNotALoop()
    {
        auto t = MakeTable(QStringLiteral("cycle.lr"));
        for (const char* w : {"a", "b", "c"}) AddWord(*t, QLatin1String(w));
        t->Close();
        Patch(t->FileName(), 135 + 3 * 109 + 2 * t->RecSize() + 14, Bytes<qint32>(1)); // record 2 -> record 1
        t->Open();
        QCOMPARE(Message([&] { t->LocateByValue(QStringLiteral("1033"), QStringLiteral("zz"), {}); }),
                 QStringLiteral("Wrong record number"));
    }

    void repairMendsChains()
    {
        auto t = MakeTable(QStringLiteral("repair.lr"));
        for (const char* w : {"a", "b", "c", "d", "e", "f"})
            AddWord(*t, QLatin1String(w), QString::fromLatin1(w).repeated(30));
        t->SetBookmark(5);
        t->Delete();
        t->SetBookmark(6);
        t->Delete(); // free chain 5 -> 6
        const int rs = t->RecSize();
        const QString file = t->FileName();
        t->Close();
        const qint64 rec0 = 135 + 3 * 109;
        Patch(file, rec0 + 2 * rs + 14, Bytes<qint32>(1));     // live chain 1 -> 2 -> 1 (3 and 4 lost)
        Patch(file, rec0 + 6 * rs + 14, Bytes<qint32>(5));     // free chain loops 5 -> 6 -> 5
        Patch(file, rec0 + 4 * rs + 18 + 8, Bytes<qint32>(0)); // record 4 loses its French text
        Patch(file, rec0 + 3 * rs + 18 + 8, Bytes<qint32>(2)); // record 3's French text points into record 1's chain
        t->Open();
        QCOMPARE(t->RecordCount(), 4);
        QList<qint64> progress;
        t->OnProgress = [&](TQTable*, qint64 pos, qint64, bool&) { progress << pos; };
        t->Repair();
        QVERIFY(t->Active());
        QCOMPARE(Chain(*t), (QList<qint32>{1, 2, 3, 4}));
        QCOMPARE(t->RecordCount(), 4);
        QCOMPARE(t->LastRec(), 4);
        QCOMPARE(t->FirstEmpty(), 5);
        QCOMPARE(t->LastEmpty(), 6);
        QVERIFY(!progress.isEmpty());
        t->SetBookmark(1);
        QCOMPARE(t->FieldByName(QStringLiteral("1036"))->AsWideString(), QStringLiteral("a").repeated(30));
        t->SetBookmark(3);
        QCOMPARE(t->FieldByName(QStringLiteral("1033"))->AsWideString(), QStringLiteral("c"));
        QCOMPARE(t->FieldByName(QStringLiteral("1036"))->AsWideString(),
                 QString()); // the shared chain went to its owner
        // Every block is either owned or free: new values grow the file only when the free chain is used up.
        const qint32 total = t->MemoFile().TotalBlockCount();
        qint32 freeBlocks = 0;
        for (qint32 b = t->MemoFile().FirstEmpty(); b != 0 && freeBlocks <= total; ++freeBlocks) {
            const QByteArray data = t->MemoFile().GetBlockData(b);
            std::memcpy(&b, data.constData() + 10, 4);
        }
        QVERIFY(freeBlocks > 0 && freeBlocks < total);
        AddWord(*t, QStringLiteral("g"));
        QCOMPARE(Chain(*t), (QList<qint32>{1, 2, 3, 4, 5}));
        QVERIFY(!QFileInfo::exists(FDir.filePath(QStringLiteral("__Repair.qdb"))));
    }

    // Found by fuzzing: a chain of records that comes back on itself kept a
    // walk (an export, a pack) going for ever. It ends with the engine's error.
    void loopingChainEndsAWalk()
    {
        auto t = MakeTable(QStringLiteral("loop.lr"));
        for (const char* w : {"a", "b", "c"}) AddWord(*t, QLatin1String(w));
        const QString file = t->FileName();
        t->Close();
        Patch(file, 135 + 3 * 109 + 2 * t->RecSize() + 14, Bytes<qint32>(1)); // 1 -> 2 -> 1
        t->Open();
        int steps = 0;
        QCOMPARE(Message([&] {
                     for (t->First(); !t->Eof() && steps < 1000; t->Next()) ++steps;
                 }),
                 QStringLiteral("Wrong record number"));
        QVERIFY(steps < 100);
        // Walking back and forth is no loop.
        t->First();
        for (int i = 0; i < 200; ++i) i % 2 ? t->Prior() : t->Next();
        QCOMPARE(t->Bookmark(), 1);
    }

    // Found by fuzzing: a memo reference that damage made negative sent
    // Repair's bookkeeping of used blocks to read far outside itself.
    void repairDropsImpossibleMemoReferences()
    {
        auto t = MakeTable(QStringLiteral("negative.lr"));
        for (const char* w : {"a", "b", "c"}) AddWord(*t, QLatin1String(w), QString::fromLatin1(w).repeated(30));
        const int rs = t->RecSize();
        const QString file = t->FileName();
        t->Close();
        const qint64 rec0 = 135 + 3 * 109;
        Patch(file, rec0 + 2 * rs + 18 + 8, Bytes<qint32>(-5));      // record 2's French text
        Patch(file, rec0 + 3 * rs + 18 + 8, Bytes<qint32>(1 << 30)); // record 3's, past the memo file
        t->Open();
        t->Repair();
        QCOMPARE(Chain(*t), (QList<qint32>{1, 2, 3}));
        t->SetBookmark(1);
        QCOMPARE(t->FieldByName(QStringLiteral("1036"))->AsWideString(), QStringLiteral("a").repeated(30));
        for (const qint32 rec : {2, 3}) {
            t->SetBookmark(rec);
            QCOMPARE(t->FieldByName(QStringLiteral("1036"))->AsWideString(), QString());
        }
        t->SetBookmark(2);
        QCOMPARE(t->FieldByName(QStringLiteral("1033"))->AsWideString(), QStringLiteral("b"));
    }
};

QTEST_GUILESS_MAIN(TestTable)
#include "tst_table.moc"
