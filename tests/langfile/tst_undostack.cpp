#include "langfile/EditorProjectFixture.h"
#include "langfile/ExternalItems.h"
#include "langfile/LEProject.h"

#include <QtTest>

using namespace fixture;

namespace {

// Everything undo must bring back: every value of every column (text,
// version, attributes, edit time) of every item, by full name in storage
// order, and the project's flat lists.
QStringList Dump(TLEProject& p)
{
    QStringList out;
    p.ForEachItem([&](TLocItem* item) {
        QString line = item->GetFullName(".");
        for (const auto& v : item->Values())
            line += QStringLiteral("|%1,%2,%3,%4,%5")
                        .arg(v->Value())
                        .arg(v->ValueVersion())
                        .arg(v->Attributes())
                        .arg(v->Modified())
                        .arg(v->LangID());
        out << line;
    });
    out << QString::number(p.ExtItemsList().Count());
    return out;
}

enum TChange {
    chTyping,
    chMarkUntranslated,
    chVerified,
    chUntranslatable,
    chColumnBulk,
    chTwoColumns,
    chAddItemNewGroup,
    chAddItemOldGroup,
    chEditItem,
    chDeleteItem,
    chDeleteGroup,
};

const double kNow = 46000.5;

TLocItem* Item(TLEProject& p, const char* form, const char* comp, const char* prop)
{
    return p.FindProperty(form, comp, prop);
}

// Performs one change as a command of the editor would.
void Perform(TLEProject& p, TChange Change)
{
    TUndoStack& stack = p.UndoStack();
    TLocItem* caption = Item(p, "MainForm", "", "Caption");
    switch (Change) {
    case chTyping: {
        TUndoScope step(stack, usStepTyping);
        step.Watch(caption, 1);
        TLocValue* v = caption->Values().Items(1);
        v->SetValue("Hauptfenster!");
        v->SetModified(kNow);
        v->SetValueVersion(caption->MainValue()->ValueVersion());
        break;
    }
    case chMarkUntranslated: {
        TUndoScope step(stack, usStepMarkUntranslated);
        step.Watch(caption, 1);
        caption->Values().Items(1)->SetValueVersion(caption->MainValue()->ValueVersion() - 1);
        break;
    }
    case chVerified: {
        TUndoScope step(stack, usStepMarkVerified);
        step.Watch(caption, 1);
        caption->Values().Items(1)->SetAttribute(vaVerified, true);
        break;
    }
    case chUntranslatable: {
        TUndoScope step(stack, usStepMarkUntranslatable);
        step.Watch(caption, 0);
        caption->SetAttribute(vaUntranslatable, true);
        break;
    }
    case chColumnBulk: {
        // As Translate All: the command does not say which values it changes.
        TUndoScope step(stack, usStepTranslateAll);
        step.WatchColumn(1);
        p.ForEachItem([](TLocItem* item) {
            if (item->IsTranslated(1)) return;
            item->Values().Items(1)->SetValue("de:" + item->MainValue()->Value());
            item->Values().Items(1)->SetValueVersion(item->MainValue()->ValueVersion());
        });
        break;
    }
    case chTwoColumns: {
        TUndoScope step(stack, usStepReplaceAll);
        p.ForEachItem([&](TLocItem* item) {
            for (int c : {1, 2}) {
                TLocValue* v = item->Values().Items(c);
                if (!v->Value().contains('e')) continue;
                step.Watch(item, c);
                v->SetValue(QString(v->Value()).replace('e', 'E'));
            }
        });
        break;
    }
    case chAddItemNewGroup:
        AddExternalItem(p, "Extra", "Note", "A note", kNow);
        break;
    case chAddItemOldGroup:
        AddExternalItem(p, "Help", "About", "About this", kNow);
        break;
    case chEditItem:
        EditExternalItem(p, p.FindExtItem("Help", "Title"), "Heading", "Help!", kNow);
        break;
    case chDeleteItem:
        DeleteExternalItem(p, p.FindExtItem("Help", "Title"));
        break;
    case chDeleteGroup:
        DeleteExternalGroup(p, p.ExtGroups().FindByName("Help"));
        break;
    }
}

} // namespace

class TestUndoStack : public QObject {
    Q_OBJECT
private:
    // The fixture with German (column 1) and French (column 2) open; no
    // question is asked (languages are closed saved).
    std::unique_ptr<QTemporaryDir> FDir;
    std::unique_ptr<TLEProject> FProject;

    QString Path(const QString& name) const { return FDir->filePath(name); }
    TLEProject& OpenProject()
    {
        FDir = std::make_unique<QTemporaryDir>();
        MakeEditorProject(FDir->path());
        FProject = std::make_unique<TLEProject>();
        return OpenEditorProject(*FProject, FDir->path());
    }
    static void SetSaved(TLEProject& p)
    {
        for (const auto& f : p.LangFiles()) f->SetModified(false);
    }

private Q_SLOTS:
    void cleanup() { FProject.reset(); }

    void undoAndRedoEachStep_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<int>("name");
        QTest::addColumn<int>("cells");
        QTest::addColumn<QList<int>>("modifiedColumns");
        QTest::newRow("typing") << int(chTyping) << int(usStepTyping) << 1 << QList<int>{1};
        QTest::newRow("mark untranslated")
            << int(chMarkUntranslated) << int(usStepMarkUntranslated) << 1 << QList<int>{1};
        QTest::newRow("verified") << int(chVerified) << int(usStepMarkVerified) << 1 << QList<int>{1};
        QTest::newRow("untranslatable, on the native value")
            << int(chUntranslatable) << int(usStepMarkUntranslatable) << 1 << QList<int>{0};
        // German has 17 items, 7 of them translated.
        QTest::newRow("bulk over a column keeps only changed values")
            << int(chColumnBulk) << int(usStepTranslateAll) << 10 << QList<int>{1};
        QTest::newRow("two columns") << int(chTwoColumns) << int(usStepReplaceAll) << -1 << QList<int>{1, 2};
        QTest::newRow("external item in a new group")
            << int(chAddItemNewGroup) << int(usStepAddExternal) << 0 << QList<int>{0};
        QTest::newRow("external item in a group")
            << int(chAddItemOldGroup) << int(usStepAddExternal) << 0 << QList<int>{0};
        QTest::newRow("external item renamed and changed")
            << int(chEditItem) << int(usStepEditExternal) << 1 << QList<int>{0};
        QTest::newRow("external item deleted") << int(chDeleteItem) << int(usStepDeleteExternal) << 0 << QList<int>{0};
        QTest::newRow("external group deleted") << int(chDeleteGroup) << int(usStepDeleteGroup) << 0 << QList<int>{0};
    }
    void undoAndRedoEachStep()
    {
        QFETCH(int, change);
        QFETCH(int, name);
        QFETCH(int, cells);
        QFETCH(QList<int>, modifiedColumns);
        TLEProject& p = OpenProject();
        TUndoStack& stack = p.UndoStack();
        const QStringList before = Dump(p);
        Perform(p, TChange(change));
        const QStringList after = Dump(p);
        QVERIFY(after != before);
        QCOMPARE(stack.UndoCount(), 1);
        QCOMPARE(int(stack.NextUndo()->Name()), name);
        if (cells >= 0) QCOMPARE(int(stack.NextUndo()->Cells().size()), cells);

        // Undo after a save: the values come back and the files are unsaved again.
        SetSaved(p);
        const TUndoStep* undone = stack.Undo();
        QVERIFY(undone);
        QCOMPARE(Dump(p), before);
        for (int c = 0; c < p.LangFiles().Count(); ++c)
            QCOMPARE(p.LangFiles().Items(c)->Modified(), modifiedColumns.contains(c));
        QVERIFY(!stack.CanUndo());
        QVERIFY(stack.CanRedo());

        QVERIFY(stack.Redo());
        QCOMPARE(Dump(p), after);
        QVERIFY(stack.Undo());
        QCOMPARE(Dump(p), before);
    }

    void stepsUndoInReverseOrder()
    {
        // Each step stands on the one before: an item added, edited, its
        // group deleted; then values over the whole column.
        TLEProject& p = OpenProject();
        TUndoStack& stack = p.UndoStack();
        QList<QStringList> states{Dump(p)};
        for (TChange c : {chAddItemOldGroup, chEditItem, chTyping, chDeleteGroup, chColumnBulk, chUntranslatable}) {
            Perform(p, c);
            states << Dump(p);
        }
        QCOMPARE(stack.UndoCount(), 6);
        for (int i = states.size() - 2; i >= 0; --i) {
            QVERIFY(stack.Undo());
            QCOMPARE(Dump(p), states[i]);
        }
        QVERIFY(!stack.Undo());
        for (int i = 1; i < states.size(); ++i) {
            QVERIFY(stack.Redo());
            QCOMPARE(Dump(p), states[i]);
        }
        QVERIFY(!stack.Redo());
    }

    void scopesMakeOneStep()
    {
        TLEProject& p = OpenProject();
        TUndoStack& stack = p.UndoStack();
        TLocItem* caption = Item(p, "MainForm", "", "Caption");
        {
            TUndoScope outer(stack, usStepPaste);
            for (int c : {1, 2}) {
                TUndoScope inner(stack, usStepTyping);
                inner.Watch(caption, c);
                inner.Watch(caption, c); // watched twice: the first state counts
                caption->Values().Items(c)->SetValue("x");
            }
            QVERIFY(!stack.CanUndo()); // nothing to undo while recording
        }
        QCOMPARE(stack.UndoCount(), 1);
        QCOMPARE(int(stack.NextUndo()->Name()), int(usStepPaste));
        QCOMPARE(int(stack.NextUndo()->Cells().size()), 2);
        QCOMPARE(stack.NextUndo()->ColumnOf(caption), 1);
        QCOMPARE(stack.NextUndo()->ColumnOf(Item(p, "AboutForm", "", "Caption")), -1);

        // A value changed before and after its whole column is watched comes
        // back to its first state.
        const QString before = caption->Values().Items(1)->Value();
        {
            TUndoScope step(stack, usStepTyping);
            step.Watch(caption, 1);
            caption->Values().Items(1)->SetValue("first");
            step.WatchColumn(1);
            caption->Values().Items(1)->SetValue("second");
        }
        QCOMPARE(int(stack.NextUndo()->Cells().size()), 1);
        stack.Undo();
        QCOMPARE(caption->Values().Items(1)->Value(), before);

        // A step that changed nothing is no step.
        {
            TUndoScope step(stack, usStepTyping);
            step.Watch(caption, 1);
            step.WatchColumn(2);
            caption->Values().Items(1)->SetValue("x");
        }
        QCOMPARE(stack.UndoCount(), 1);

        // A new step after an undo ends the redo.
        stack.Undo();
        Perform(p, chVerified);
        QVERIFY(!stack.CanRedo());
        QCOMPARE(stack.UndoCount(), 1);
    }

    void memoryStaysUnderTheLimit()
    {
        TLEProject& p = OpenProject();
        TUndoStack& stack = p.UndoStack();
        TLocItem* caption = Item(p, "MainForm", "", "Caption");
        const auto edit = [&](int length) {
            TUndoScope step(stack, usStepTyping);
            step.Watch(caption, 1);
            caption->Values().Items(1)->SetValue(QString(length, QChar('a' + stack.UndoCount() % 26)));
        };
        stack.SetLimit(200000);
        for (int i = 0; i < 20; ++i) edit(10000); // about 40 KB a step (old and new text)
        QVERIFY(stack.Bytes() <= 200000);
        QVERIFY(stack.UndoCount() >= 3 && stack.UndoCount() < 20);
        int64_t sum = 0;
        // The steps kept are the latest: undoing them all ends at the text
        // before the oldest kept step, not at the original.
        const int kept = stack.UndoCount();
        while (const TUndoStep* s = stack.Undo()) sum += s->Bytes();
        QCOMPARE(sum, stack.Bytes());
        QCOMPARE(caption->Values().Items(1)->Value().size(), 10000);
        QCOMPARE(stack.RedoCount(), kept);

        // Lowering the limit drops redo steps, the latest first.
        stack.SetLimit(stack.Bytes() / 2);
        QVERIFY(stack.RedoCount() < kept && stack.RedoCount() > 0);
        QVERIFY(stack.Redo());

        // A step larger than the whole limit cannot be kept.
        stack.SetLimit(1000);
        edit(10000);
        QCOMPARE(stack.UndoCount(), 0);
        QCOMPARE(stack.Bytes(), int64_t(0));
    }

    void closingALanguageDropsItsChanges()
    {
        TLEProject& p = OpenProject();
        TUndoStack& stack = p.UndoStack();
        TLocItem* caption = Item(p, "MainForm", "", "Caption");
        const auto type = [&](int column, const QString& text) {
            TUndoScope step(stack, usStepTyping);
            step.Watch(caption, column);
            caption->Values().Items(column)->SetValue(text);
        };
        type(2, "fr1");
        Perform(p, chDeleteItem); // holds the item with its three columns
        type(1, "de1");
        Perform(p, chTwoColumns);
        const int64_t bytes = stack.Bytes();
        QCOMPARE(stack.UndoCount(), 4);

        bool allow = false;
        SetSaved(p);
        QVERIFY(p.CloseLanguage(1, allow)); // German
        QCOMPARE(stack.UndoCount(), 3);     // the German edit is gone
        QVERIFY(stack.Bytes() < bytes);
        // Replace All keeps its French part, now column 1.
        for (const TCellChange& c : stack.NextUndo()->Cells()) QCOMPARE(c.Column, 1);

        // A language opened meanwhile gives the held item a value too.
        p.OpenLanguage(Path("app.deu.lng"), false);
        QVERIFY(stack.Undo()); // Replace All, French only
        QVERIFY(stack.Undo()); // the item comes back
        TLocExtItem* title = p.FindExtItem("Help", "Title");
        QVERIFY(title);
        QCOMPARE(title->Values().Count(), p.LangCount());
        QCOMPARE(title->Values().Items(2)->LangID(), kGerman);
        QVERIFY(!title->IsTranslated(2));
        QCOMPARE(title->Values().Items(1)->Value(), QString("fr:Help"));
        QVERIFY(stack.Undo());
        QCOMPARE(caption->Values().Items(1)->Value(), QString("fr:Main window"));
        QCOMPARE(p.ExtItemsList().Count(), 2);

        // Closing the project empties the stack.
        p.Close(false);
        QCOMPARE(stack.UndoCount() + stack.RedoCount(), 0);
        QCOMPARE(stack.Bytes(), int64_t(0));
    }
};

QTEST_GUILESS_MAIN(TestUndoStack)
#include "tst_undostack.moc"
