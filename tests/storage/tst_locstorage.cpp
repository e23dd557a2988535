#include "storage/LocStorage.h"

#include <QtTest>

namespace {
// A storage with one form (own property + component property), one unit and one group.
void Fill(TLocStorage& s)
{
    TLocForm* f = s.Forms().Add("MainForm");
    f->Properties().Add(-1, "Caption", ptString)->MainValue()->SetValue("&Notes");
    TLocComponent* c = f->Components().Add("btnOpen");
    c->Properties().Add(-1, "Caption", ptString)->MainValue()->SetValue("&Open...");
    c->Properties().Add(-1, "Width", ptInteger)->MainValue()->SetValue("75");
    s.Units().Add("Strings")->Constants().Add(-1, "SFiles", 100)->MainValue()->SetValue("%d files");
    s.AddExternalItem(-1, "Help", "Title")->MainValue()->SetValue("Help");
}

int ItemCount(const TLocStorage& s)
{
    int n = 0;
    s.ForEachItem([&](TLocItem*) { ++n; });
    return n;
}
} // namespace

class TestLocStorage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void namesAreFoundIgnoringAsciiCaseExceptForConstants()
    {
        TLocStorage s;
        TLocForm* f = s.Forms().Add("Form1");
        TLocProperty* p = f->Properties().Add(1, "Caption", ptString);
        QCOMPARE(f->Properties().Add(2, "CAPTION", ptString), p);
        QCOMPARE(f->Properties().Count(), 1);
        QCOMPARE(s.Forms().Add("FORM1"), f);

        TLocUnit* u = s.Units().Add("Unit1");
        TLocConstant* c = u->Constants().Add(1, "SName", 1);
        QVERIFY(u->Constants().Add(2, "SNAME", 2) != c);
        QCOMPARE(u->Constants().Count(), 2);
        QCOMPARE(u->Constants().Add(3, "SName", 3), c); // the fast path compares case-sensitively too
        // Non-ASCII letters are not folded.
        QVERIFY(s.Forms().Add(QStringLiteral("Ärger")) != s.Forms().Add(QStringLiteral("äRGER")));
    }

    void listsStaySortedWhateverTheInsertionOrder()
    {
        TLocStorage s;
        TLocComponent* c = s.Forms().Add("F")->Components().Add("C");
        for (const char* n : {"m", "B", "z", "a", "Y", "c"}) c->Properties().Add(0, n, ptString);
        QStringList names;
        for (auto& p : c->Properties()) names << p->Name();
        QCOMPARE(names, QStringList({"a", "B", "c", "m", "Y", "z"}));
        QCOMPARE(c->Properties().IndexByName("y"), 4);
        QCOMPARE(c->Properties().IndexByName("q"), -1);
    }

    void idsPassThroughTheSectionCounter_data()
    {
        QTest::addColumn<QList<int>>("requested");
        QTest::addColumn<QList<int>>("given");
        QTest::newRow("negative asks for the next") << QList<int>{-1, -1} << QList<int>{1, 2};
        QTest::newRow("positive raises the counter") << QList<int>{10, -1} << QList<int>{10, 11};
        QTest::newRow("zero stays zero") << QList<int>{0, -1} << QList<int>{0, 1};
        QTest::newRow("smaller kept") << QList<int>{5, 3, -1} << QList<int>{5, 3, 6};
    }
    void idsPassThroughTheSectionCounter()
    {
        QFETCH(QList<int>, requested);
        QFETCH(QList<int>, given);
        TLocStorage s;
        for (int i = 0; i < requested.size(); ++i)
            QCOMPARE(s.AddExternalItem(requested[i], "G", QString::number(i))->ID(), given[i]);
    }

    void counterMovesEvenForAnExistingName()
    {
        TLocStorage s;
        TLocExtItem* a = s.AddExternalItem(-1, "G", "A");
        QCOMPARE(s.AddExternalItem(-1, "G", "A"), a);
        QCOMPARE(a->ID(), 1);
        QCOMPARE(s.MaxExtItemID(), 2);
    }

    void addLanguageCopiesBaseTextsAsUntranslated()
    {
        TLocStorage s;
        Fill(s);
        QCOMPARE(s.AddLanguage(0, 0x0407), 1);
        QCOMPARE(s.LangCount(), 2);
        int checked = 0;
        s.ForEachItem([&](TLocItem* item) {
            QCOMPARE(item->Values().Count(), 2);
            TLocValue* v = item->Values().Items(1);
            QCOMPARE(v->Value(), item->MainValue()->Value());
            QCOMPARE(v->LangID(), uint16_t(0x0407));
            QVERIFY(!v->IsTranslated());
            ++checked;
        });
        QCOMPARE(checked, 5);
        // An item created afterwards gets a value per column with the column's language.
        TLocProperty* p = s.FindProperty("mainform", "", "caption");
        QVERIFY(p);
        TLocProperty* late = p->Form()->Properties().Add(-1, "Hint", ptString);
        QCOMPARE(late->Values().Count(), 2);
        QCOMPARE(late->Values().Items(1)->LangID(), uint16_t(0x0407));
        QCOMPARE(late->MainValue()->LangID(), s.MainLangID());

        QVERIFY_THROWS_EXCEPTION(ELocStorageError, s.AddLanguage(5, 0x040C));
        QCOMPARE(s.LangCount(), 2);
    }

    void removeLanguageRefusesColumnZeroAndShiftsLaterColumns()
    {
        TLocStorage s;
        Fill(s);
        s.AddLanguage(0, 0x0407);
        s.AddLanguage(0, 0x040C);
        s.AddLanguage(0, 0x0410);
        for (int bad : {0, -1, 4}) {
            try {
                s.RemoveLanguage(bad);
                QFAIL("no exception");
            } catch (const ELocStorageError& e) {
                QCOMPARE(e.Message(), QStringLiteral("Could not remove language"));
            }
        }
        QCOMPARE(s.LangCount(), 4);
        s.RemoveLanguage(2);
        QCOMPARE(s.LangCount(), 3);
        QCOMPARE(s.Locales(2), uint16_t(0x0410));
        s.ForEachItem([&](TLocItem* item) {
            QCOMPARE(item->Values().Count(), 3);
            QCOMPARE(item->Values().Items(2)->LangID(), uint16_t(0x0410));
        });
        TLocStorage single;
        QVERIFY_THROWS_EXCEPTION(ELocStorageError, single.RemoveLanguage(1));
    }

    void relabellingAColumnRelabelsEveryValue()
    {
        TLocStorage s;
        Fill(s);
        s.AddLanguage(0, 0x0407);
        s.SetMainLangID(0x0809);
        QCOMPARE(s.Locales(0), uint16_t(0x0809));
        s.ForEachItem([&](TLocItem* item) { QCOMPARE(item->MainValue()->LangID(), uint16_t(0x0809)); });
        QCOMPARE(s.IndexOfLocale(0x0407), 1);
        QCOMPARE(s.IndexOfLanguage(0x0007), 1); // every bit of the neutral identifier is present
        QCOMPARE(s.IndexOfLocale(0x0007), -1);
        QCOMPARE(s.GetLocale(7), uint16_t(0));
    }

    void translationStateFollowsVersions()
    {
        TLocStorage s;
        Fill(s);
        s.AddLanguage(0, 0x0407);
        TLocItem* c = s.FindConstant("Strings", "SFiles");
        c->MainValue()->SetValueVersion(3);
        c->Values().Items(1)->SetValueVersion(3);
        QVERIFY(c->IsTranslated(1));
        c->MainValue()->SetValueVersion(4);
        QVERIFY(!c->IsTranslated(1));
        QVERIFY(!c->Values().Items(1)->IsTranslated());
    }

    void deleteUnusedItemsFreesEmptyHoldersButKeepsComponents()
    {
        TLocStorage s;
        Fill(s);
        TLocForm* other = s.Forms().Add("About");
        other->Properties().Add(-1, "Caption", ptString);
        s.Forms().MarkAll(false);
        s.Units().MarkAll(true);
        s.ExtGroups().MarkAll(true);
        // Keep only MainForm's own caption; its component loses both properties.
        s.FindProperty("MainForm", "", "Caption")->Mark(true);
        QCOMPARE(s.DeleteUnusedItems(), 3);
        QCOMPARE(s.Forms().Count(), 1);
        QCOMPARE(s.Forms().Items(0)->Name(), QStringLiteral("MainForm"));
        QCOMPARE(s.Forms().Items(0)->Components().Count(), 1); // empty component kept
        QCOMPARE(ItemCount(s), 3);
        s.Units().MarkAll(false);
        QCOMPARE(s.Units().DeleteUnusedItems(), 1);
        QCOMPARE(s.Units().Count(), 0);
    }

    void compareWithOrdersNumbersBeforeTextsAndIgnoresAmpersands_data()
    {
        QTest::addColumn<int>("typeA");
        QTest::addColumn<QString>("a");
        QTest::addColumn<int>("typeB");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("expected");
        QTest::newRow("ampersands ignored") << int(ptString) << "&Open" << int(ptString) << "Op&en" << 0;
        QTest::newRow("ordinal text") << int(ptString) << "B" << int(ptStringList) << "a" << -1;
        QTest::newRow("number before text") << int(ptInteger) << "99" << int(ptString) << "1" << -1;
        QTest::newRow("text after number") << int(ptString) << "1" << int(ptFloat) << "2" << 1;
        QTest::newRow("numbers by value") << int(ptInteger) << "10" << int(ptFloat) << "9.5" << 1;
        QTest::newRow("other types equal") << int(ptBinary) << "x" << int(ptString) << "y" << 0;
    }
    void compareWithOrdersNumbersBeforeTextsAndIgnoresAmpersands()
    {
        QFETCH(int, typeA);
        QFETCH(QString, a);
        QFETCH(int, typeB);
        QFETCH(QString, b);
        QFETCH(int, expected);
        TLocValueList la{TLocValueType(typeA)}, lb{TLocValueType(typeB)};
        la.Items(0)->SetValue(a);
        lb.Items(0)->SetValue(b);
        QCOMPARE(la.Items(0)->CompareWith(lb.Items(0)), expected);
    }

    void conversions()
    {
        TLocValueList l{ptString};
        TLocValue* v = l.Items(0);
        v->SetValue(" 42 ");
        QCOMPARE(v->AsInteger(), 42);
        QCOMPARE(v->AsBigInt(), int64_t(42));
        v->SetValue("4.5");
        QCOMPARE(v->AsFloat(), 4.5);
        QCOMPARE(v->AsInteger(), 0);
        QVERIFY_THROWS_EXCEPTION(ELocStorageError, v->AsBigInt());
        v->SetValue("Line 1\r\nLine 2\r\n");
        QCOMPARE(v->AsStrings(), QStringList({"Line 1", "Line 2"}));
        v->SetValue(QStringLiteral("Grüße"));
        QCOMPARE(v->AsAnsiString(), QByteArray("Gr\xFC\xDF" "e"));
        QCOMPARE(FloatToText(1.5), QStringLiteral("1.5"));
        QCOMPARE(FloatToText(1e20), QStringLiteral("1E20"));
        QCOMPARE(FloatToText(-2.5e-7), QStringLiteral("-2.5E-7"));
    }

    void flatListsFindByIdAndName()
    {
        TLocStorage s;
        Fill(s);
        TLinearPropertyList props;
        s.Forms().FillLinearList(props, true);
        QCOMPARE(props.Count(), 3);
        QVERIFY(props.FSorted);
        for (int i = 1; i < props.Count(); ++i) QVERIFY(props.Items(i - 1)->ID() < props.Items(i)->ID());
        for (TLocProperty* p : props.FItems) QCOMPARE(props.FindByID(p->ID()), p);
        QCOMPARE(props.IndexByID(999), -1);
        QVERIFY(props.IndexByName("MAINFORM", "", "caption") >= 0);
        QVERIFY(props.IndexByName("MainForm", "BTNOPEN", "Width") >= 0);
        QCOMPARE(props.IndexByName("MainForm", "btnOpen", "Hint"), -1);
        QCOMPARE(s.FindPropByIntID(props.Items(2)->ID()), props.Items(2));
        QCOMPARE(s.FindConstByID(100)->Name(), QStringLiteral("SFiles"));
        QCOMPARE(s.FindConstByValue("%d files")->Name(), QStringLiteral("SFiles"));
        QCOMPARE(s.FindExtItemOnlyByName("title")->Group()->Name(), QStringLiteral("Help"));
        QCOMPARE(s.FindProperty("MainForm", "btnOpen", "Caption")->GetFullName("."),
                 QStringLiteral("MainForm.btnOpen.Caption"));
        QCOMPARE(s.FindProperty("MainForm", "", "Caption")->GetFullName("."), QStringLiteral("MainForm.Caption"));
    }

    void objectListNotifiesChangeAndEmpty()
    {
        TLocValueList list{ptString};
        int changes = 0, empties = 0;
        list.OnChange = [&](auto*) { ++changes; };
        list.OnEmpty = [&](auto*) { ++empties; };
        list.Add(std::make_unique<TLocValue>(&list));
        std::unique_ptr<TLocValue> kept = list.Delete(0);
        QVERIFY(kept);
        list.Erase(0);
        QCOMPARE(changes, 3);
        QCOMPARE(empties, 1);
    }
};

QTEST_GUILESS_MAIN(TestLocStorage)
#include "tst_locstorage.moc"
