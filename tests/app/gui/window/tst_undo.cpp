#include "app/gui/window/MainForm.h"

#include "ModalDialogs.h"
#include "SampleWindow.h"

#include "app/gui/commands/RepositoryCommands.h"
#include "app/gui/commands/SearchCommands.h"
#include "app/gui/dialogs/search/FindDialog.h"
#include "app/gui/grid/QGridEditor.h"
#include "core/Prompt.h"
#include "langfile/LEProject.h"
#include "repository/LangRepository.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// The sample with German open; the keys go to the main window as the window
// system delivers them (its shortcuts first, then the focus widget).
struct TEditor : TSampleWindow<TRecordingPrompt> {
    TEditor() { Show({"deu"}, OpenGerman()); }
    TLangFile* German() const { return Form->Project().LangFiles().Items(1); }
    TLocValue* Value(TLocItem* Item) const { return Item->Values().Items(1); }
    QAction* Action(const char* Name) const { return Form->findChild<QAction*>(QLatin1String(Name)); }
    void Press(Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Form->windowHandle(), Key, Modifiers);
    }
    // The first row of an untranslated text.
    int UntranslatedRow() const
    {
        for (int r = 0; r < Grid()->RowCount(); ++r) {
            TLocItem* i = Form->RowItem(r);
            if (i->Values().ValueType() == ptString && !i->Attribute(vaUntranslatable) && !i->IsTranslated(1)) return r;
        }
        return -1;
    }
    // What every German value holds.
    QStringList GermanValues() const
    {
        QStringList out;
        Form->Project().ForEachItem([&](TLocItem* i) {
            const TLocValue* v = i->Values().Items(1);
            out << QStringLiteral("%1|%2|%3|%4")
                       .arg(v->Value())
                       .arg(v->ValueVersion())
                       .arg(v->Attributes())
                       .arg(v->Modified());
        });
        return out;
    }
};

} // namespace

class TestUndo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void typedTranslationUndoneAndRedone()
    {
        TEditor e;
        const int col = e.Col(1);
        const int row = e.UntranslatedRow();
        QVERIFY(row >= 0);
        TLocItem* item = e.Form->RowItem(row);
        const QString old = e.Value(item)->Value();
        QAction* undo = e.Action("miUndo");
        QAction* redo = e.Action("miRedo");
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());

        e.Grid()->FocusCell(col, row, true);
        QTest::keyClicks(e.Grid(), QStringLiteral("Neu"));
        QVERIFY(e.Grid()->Editing());
        QTest::keyClick(e.Grid()->GetInplaceEditor(), Qt::Key_Return);
        QVERIFY(!e.Grid()->Editing());
        QCOMPARE(e.Value(item)->Value(), QStringLiteral("Neu"));
        QVERIFY(item->IsTranslated(1));
        QVERIFY(undo->isEnabled());
        QCOMPARE(undo->text(), QStringLiteral("Un&do Typing"));

        // Inside an open editor Ctrl+Z takes back its typing, not the step.
        e.Grid()->FocusCell(col, row, true);
        QTest::keyClicks(e.Grid(), QStringLiteral("xy"));
        QVERIFY(e.Grid()->Editing());
        const QString typed = e.Grid()->GetInplaceEditor()->Text();
        e.Press(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(e.Grid()->Editing());
        QVERIFY(e.Grid()->GetInplaceEditor()->Text() != typed);
        QCOMPARE(e.Value(item)->Value(), QStringLiteral("Neu"));
        QCOMPARE(e.Form->Project().UndoStack().UndoCount(), 1);
        QTest::keyClick(e.Grid()->GetInplaceEditor(), Qt::Key_Escape);
        QVERIFY(!e.Grid()->Editing());

        // Elsewhere in the grid, Ctrl+Z restores text and marks and goes back to the cell.
        e.Grid()->FocusCell(col, 0, true);
        e.Press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e.Value(item)->Value(), old);
        QVERIFY(!item->IsTranslated(1));
        QCOMPARE(e.Grid()->GetCell(col, row), old);
        QCOMPARE(e.Grid()->Row(), row);
        QCOMPARE(e.Grid()->Col(), col);
        QVERIFY(!undo->isEnabled());
        QCOMPARE(redo->text(), QStringLiteral("&Redo Typing"));

        e.Press(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(e.Value(item)->Value(), QStringLiteral("Neu"));
        QVERIFY(item->IsTranslated(1));
        QCOMPARE(e.Grid()->GetCell(col, row), QStringLiteral("Neu"));
        e.Press(Qt::Key_Z, Qt::ControlModifier);
        e.Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e.Value(item)->Value(), QStringLiteral("Neu"));
        QVERIFY(!redo->isEnabled());
    }

    void undoAfterSaveMarksModified()
    {
        TEditor e;
        const int col = e.Col(1);
        const int row = e.UntranslatedRow();
        TLocItem* item = e.Form->RowItem(row);
        const QString old = e.Value(item)->Value();
        e.Grid()->FocusCell(col, row, true);
        QTest::keyClicks(e.Grid(), QStringLiteral("Gespeichert"));
        QTest::keyClick(e.Grid()->GetInplaceEditor(), Qt::Key_Return);
        e.Press(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!e.German()->Modified());
        const QByteArray saved = [&] {
            QFile f(e.File("deu"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();

        e.Press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e.Value(item)->Value(), old);
        QVERIFY(e.German()->Modified());
        QVERIFY(e.Grid()->VisibleColumn(col)->Caption().endsWith(QStringLiteral(" *")));
        QVERIFY(e.Action("miSaveLanguage")->isEnabled());
        // The file keeps what was saved.
        QFile f(e.File("deu"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), saved);
    }

    void replaceAllUndoneInOneStep()
    {
        TEditor e;
        const QStringList before = e.GermanValues();
        e.Grid()->FocusCell(e.Col(1), 0, true);
        TdlgFind* find = e.Form->Search()->FindDialog();
        WhenShown(find, [find] {
            find->edFind->setText(QStringLiteral("e"));
            find->edReplace->setText(QStringLiteral("#"));
            QTest::mouseClick(find->btnReplaceAll, Qt::LeftButton);
        });
        e.Press(Qt::Key_R, Qt::ControlModifier);
        const QStringList after = e.GermanValues();
        QVERIFY(after != before);
        QCOMPARE(e.Action("miUndo")->text(), QStringLiteral("Un&do Replace All"));

        e.Press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e.GermanValues(), before);
        QVERIFY(!e.Action("miUndo")->isEnabled());
        e.Press(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(e.GermanValues(), after);
    }

    void translateAllUndoneInOneStep()
    {
        TEditor e;
        auto& rep = dynamic_cast<TQLangRepository&>(*e.Form->Repository()->Repository());
        rep.AddLocales({0x0409, 0x0407});
        QSet<QString> natives;
        e.Form->Project().ForEachItem([&](TLocItem* i) {
            if (i->Values().ValueType() != ptString || i->IsTranslated(1) || i->MainValue()->Value().isEmpty()) return;
            if (natives.contains(i->MainValue()->Value())) return;
            natives << i->MainValue()->Value();
            rep.Append();
            rep.SetWord(0x0409, i->MainValue()->Value());
            rep.SetWord(0x0407, QStringLiteral("T:") + i->MainValue()->Value());
            rep.Post();
        });
        QVERIFY(natives.size() > 5);
        e.Form->UpdateCommandStates();
        const QStringList before = e.GermanValues();
        e.Grid()->FocusCell(e.Col(1), 0, true);
        QAction* translateAll = e.Action("miRepTranslateLang");
        QVERIFY(translateAll->isEnabled());
        translateAll->trigger();
        const QStringList after = e.GermanValues();
        QVERIFY(after != before);
        QCOMPARE(e.Action("miUndo")->text(), QStringLiteral("Un&do Translate All"));
        e.Press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e.GermanValues(), before);
        e.Press(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(e.GermanValues(), after);
    }

    void revertToOriginalIsOneStep()
    {
        TEditor e;
        const int col = e.Col(1);
        int row = -1;
        for (int r = 0; r < e.Grid()->RowCount() && row < 0; ++r)
            if (e.Form->RowItem(r)->IsTranslated(1) && !e.Form->RowItem(r)->Attribute(vaUntranslatable) &&
                e.Form->RowItem(r)->Values().ValueType() == ptString &&
                !e.Value(e.Form->RowItem(r))->Attribute(vaVerified))
                row = r;
        QVERIFY(row >= 0);
        TLocItem* item = e.Form->RowItem(row);
        const QString translation = e.Value(item)->Value();
        e.Grid()->FocusCell(col, row, true);
        e.Press(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e.Prompt.Log, QStringList()); // nothing asked
        QCOMPARE(e.Value(item)->Value(), item->MainValue()->Value());
        QVERIFY(!item->IsTranslated(1));
        QCOMPARE(e.Action("miUndo")->text(), QStringLiteral("Un&do Revert to Original"));
        e.Press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(e.Value(item)->Value(), translation);
        QVERIFY(item->IsTranslated(1));
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
