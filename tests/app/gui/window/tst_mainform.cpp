#include "app/gui/window/MainForm.h"

#include "FileAnswers.h"
#include "ModalDialogs.h"
#include "SampleWindow.h"

#include "app/gui/commands/SearchCommands.h"
#include "app/gui/dialogs/language/LanguagePropertiesDialog.h"
#include "app/gui/dialogs/language/StatisticsDialog.h"
#include "app/gui/dialogs/search/FindDialog.h"
#include "app/gui/window/GuiPrompt.h"
#include "app/gui/window/NativeValueWindow.h"
#include "app/gui/window/TreeCombo.h"
#include "core/Prompt.h"
#include "langfile/LangCreation.h"
#include "langfile/LangFile.h"
#include "langfile/ProjectStats.h"
#include "platform/FileLock.h"
#include "platform/Settings.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

#include <memory>

namespace {

struct TEditor : TSampleWindow<TRecordingPrompt> {
    // Copies the native file and the named language files; Open lists the
    // languages opened with the project.
    explicit TEditor(const QStringList& Copy = {"deu", "fra"}, const QStringList& Open = {"deu", "fra"})
    {
        TStartOptions options;
        if (!Open.isEmpty()) options.OpenList = Open;
        Show(Copy, options);
    }
    TLangFile* Lang(int Index) const { return Form->Project().LangFiles().Items(Index); }
    // The first rows (at most Count) whose item passes Test.
    QList<int> Rows(const std::function<bool(TLocItem*)>& Test, int Count = 1) const
    {
        QList<int> rows;
        for (int r = 0; r < Grid()->RowCount() && rows.size() < Count; ++r)
            if (Test(Form->RowItem(r))) rows << r;
        return rows;
    }
    // Types Text into the cell through the in-place editor.
    void Type(int ACol, int ARow, const QString& Text)
    {
        Grid()->FocusCell(ACol, ARow, true);
        QVERIFY(Grid()->ShowEditor());
        Grid()->GetInplaceEditor()->SetText(Text);
        Grid()->EndEditing();
    }
    QAction* Action(const char* Name) const { return Form->findChild<QAction*>(QLatin1String(Name)); }
    void Select(int ACol, int Top, int Bottom) { Grid()->SetSelection({ACol, Top, ACol, Bottom}); }
};

bool IsText(TLocItem* Item) { return Item->Values().ValueType() == ptString && !Item->Attribute(vaUntranslatable); }

// Presses a key as the window system delivers it to the main window: its
// shortcuts get the key first, its focus widget otherwise.
void Press(TEditor& e, Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
{
    QTest::keyClick(e.Form->windowHandle(), Key, Modifiers);
}

// Types a letter with modifiers, with the letter as its text (Alt+x gives "x").
void PressChar(TEditor& e, char Letter, Qt::KeyboardModifiers Modifiers)
{
    QTest::keyClick(e.Form->windowHandle(), Letter, Modifiers);
}

// Runs Action on the next modal message box.
void OnNextMessageBox(const std::function<void(QMessageBox*)>& Action)
{
    QTimer::singleShot(0, [Action] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            Action(box);
        else
            OnNextMessageBox(Action);
    });
}

// The rows whose cell in the column contains Text.
QList<int> RowsContaining(const TEditor& e, int Col, const QString& Text)
{
    QList<int> rows;
    for (int r = 0; r < e.Grid()->RowCount(); ++r)
        if (e.Grid()->GetCell(Col, r).contains(Text, Qt::CaseInsensitive)) rows << r;
    return rows;
}

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowStates()
    {
        TEditor e({}, {});
        QVERIFY(e.Form->ProjectOpen());
        QVERIFY(!e.Grid()->isHidden());
        QCOMPARE(e.Form->windowTitle(), QStringLiteral("Phrase Desk - ") + e.File("ntv"));
        QCOMPARE(e.Grid()->VisibleColCount(), 2);
        QCOMPARE(e.Grid()->VisibleColumn(0)->Caption(), QStringLiteral("Properties"));
        QCOMPARE(e.Grid()->VisibleColumn(1)->Caption(), QStringLiteral("Native / English (United States)"));
        QCOMPARE(e.Grid()->RowCount(), 40);
        QCOMPARE(e.Form->SectionText(), QStringLiteral("Forms (4)"));
        QCOMPARE(e.Form->findChild<QLabel*>("lblFilter")->text(), QStringLiteral(": Both"));
        QVERIFY(e.Action("miCut")->isVisible());
        for (const QAction* a : e.Form->findChildren<QAction*>()) QVERIFY(!a->text().contains("propeties"));
        QCOMPARE(e.Action("miShowTextual")->text(), QStringLiteral("Te&xtual properties"));
        // Without other language files a project opened from the command line says nothing.
        QVERIFY(e.Prompt.Log.isEmpty());

        QVERIFY(e.Form->CloseProjectFile());
        QVERIFY(e.Grid()->isHidden());
        QVERIFY(!e.Action("miCut")->isVisible());
        QVERIFY(e.Action("miNtvValueForm")->isVisible());
        QVERIFY(!e.Action("miCloseProject")->isEnabled());
        QCOMPARE(e.Form->windowTitle(), QStringLiteral("Phrase Desk"));
    }

    void failedOpenLeavesNoProject()
    {
        TEditor e({}, {});
        QVERIFY_THROWS_EXCEPTION(EVocabrixError, e.Form->OpenProjectFile(e.File("xyz"), true, false));
        QVERIFY(!e.Form->ProjectOpen());
        QVERIFY(e.Grid()->isHidden());
        QCOMPARE(e.Grid()->Columns().Count(), 0);
        // The window opens the next project as usual.
        e.Form->OpenProjectFile(e.File("ntv"), false, false);
        QCOMPARE(e.Grid()->RowCount(), 40);
    }

    void sectionsAndRowNames()
    {
        TEditor e({}, {});
        QTreeWidgetItem* units = e.Form->SectionChooser()->UnitsNode();
        QVERIFY(units->childCount() > 0);
        e.Form->SectionChange(units->child(0));
        QCOMPARE(e.Grid()->VisibleColumn(0)->Caption(), QStringLiteral("Constants"));
        const auto* first = static_cast<TLocConstant*>(e.Form->RowItem(0));
        QCOMPARE(e.Grid()->GetCell(0, 0), first->Name());
        QCOMPARE(e.Form->SectionText(), QStringLiteral("Units.") + units->child(0)->text(0));
        e.Form->SectionChange(units);
        QCOMPARE(e.Grid()->GetCell(0, 0), first->ResUnit()->Name() + QLatin1Char('.') + first->Name());
        // Ctrl+Shift+PageDown moves to the next unit.
        e.Form->SectionChange(units->child(0));
        QTest::keyClick(e.Grid(), Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e.Form->SectionText(), QStringLiteral("Units.") + units->child(1)->text(0));
    }

    void editCell()
    {
        TEditor e;
        const int col = e.Col(1);
        const QList<int> rows = e.Rows([](TLocItem* i) { return IsText(i) && !i->IsTranslated(1); });
        QVERIFY(!rows.isEmpty());
        TLocItem* item = e.Form->RowItem(rows[0]);

        // The same text again changes nothing.
        e.Type(col, rows[0], item->Values().Items(1)->Value());
        QVERIFY(!e.Lang(1)->Modified());
        QVERIFY(!item->IsTranslated(1));

        e.Type(col, rows[0], QStringLiteral("Neu"));
        QCOMPARE(item->Values().Items(1)->Value(), QStringLiteral("Neu"));
        QVERIFY(item->IsTranslated(1));
        QCOMPARE(item->Values().Items(1)->ValueVersion(), item->MainValue()->ValueVersion());
        QVERIFY(e.Lang(1)->Modified());
        QVERIFY(e.Grid()->VisibleColumn(col)->Caption().endsWith(QStringLiteral(" *")));
        QVERIFY(e.Action("miSaveAll")->isEnabled());

        e.Action("miSaveLanguage")->trigger();
        QVERIFY(!e.Lang(1)->Modified());
        QVERIFY(!e.Grid()->VisibleColumn(col)->Caption().endsWith(QStringLiteral(" *")));
        TLEProject check;
        check.Open(e.File("ntv"), false, true);
        check.OpenLanguage(e.File("deu"), true);
        QCOMPARE(check.FindPropByIntID(item->ID())->Values().Items(1)->Value(), QStringLiteral("Neu"));
    }

    void searchCommandsInWindow()
    {
        TEditor e;
        QVERIFY(e.Form->SearchMenu()->menuAction()->isVisible());
        QStringList entries;
        for (QAction* a : e.Form->SearchMenu()->actions())
            if (!a->isSeparator()) entries << a->text() + QLatin1Char('|') + a->shortcut().toString();
        QCOMPARE(entries,
                 (QStringList{"&Find...|Ctrl+F", "Find incorrect formats|", "Find &Next|F3", "Find &Prev|Alt+F3",
                              "&Replace...|Ctrl+R", "&Go to Line Number...|Alt+G", "Go to Next &Untranslated|Alt+U"}));
        // The filter expression sits in the Language menu's and the pop-up's Show menus.
        QCOMPARE(e.Form->Search()->miRegExp->associatedObjects().size(), 2);
        e.Grid()->FocusCell(e.Col(1), 0, true);
        QVERIFY(e.Form->Search()->miReplace->isEnabled());
        e.Grid()->FocusCell(e.Col(0), 0, true);
        QVERIFY(!e.Form->Search()->miReplace->isEnabled()); // the native column is read-only

        // An edit translates the other rows with the same native text whose
        // translation is still the old text, each stamped translated.
        QList<TLocItem*> items;
        for (int row : e.Rows(IsText, 3)) items << e.Form->RowItem(row);
        QCOMPARE(items.size(), 3);
        for (TLocItem* item : items) {
            item->MainValue()->SetValue(QStringLiteral("Open"));
            item->Values().Items(1)->SetValue(item == items[2] ? QStringLiteral("Auf") : QStringLiteral("Open"));
        }
        e.Form->RefreshGrid();
        const int col = e.Col(1);
        e.Type(col, e.Rows([&](TLocItem* i) { return i == items[0]; })[0], QStringLiteral("Öffnen"));
        QCOMPARE(items[1]->Values().Items(1)->Value(), QStringLiteral("Öffnen"));
        QVERIFY(items[1]->IsTranslated(1));
        QCOMPARE(items[2]->Values().Items(1)->Value(), QStringLiteral("Auf"));
        const int row1 = e.Rows([&](TLocItem* i) { return i == items[1]; })[0];
        QCOMPARE(e.Grid()->GetCell(col, row1), QStringLiteral("Öffnen"));
        QCOMPARE(e.Prompt.Log, QStringList());

        // A paste over the German and the French column translates along in
        // the column of each pasted cell: French never reaches German rows.
        QCOMPARE(e.Col(2), col + 1);
        for (TLocItem* item : items)
            for (int lang : {1, 2}) item->Values().Items(lang)->SetValue(QStringLiteral("Open"));
        items[0]->Values().Items(1)->SetValue(QStringLiteral("X"));
        QApplication::clipboard()->setText(QStringLiteral("X\tOuvrir"));
        e.Form->RefreshGrid();
        e.Grid()->FocusCell(col, e.Rows([&](TLocItem* i) { return i == items[0]; })[0], true);
        e.Action("miPaste")->trigger();
        for (TLocItem* item : {items[1], items[2]}) {
            QCOMPARE(item->Values().Items(1)->Value(), QStringLiteral("Open"));
            QCOMPARE(item->Values().Items(2)->Value(), QStringLiteral("Ouvrir"));
        }
    }

    void pastedRangeTranslatesAlongOnce()
    {
        TEditor e;
        const int col = e.Col(1);
        // Two neighbouring text rows to paste over, and two more rows.
        int top = -1;
        for (int r = 0; r + 1 < e.Grid()->RowCount() && top < 0; ++r)
            if (IsText(e.Form->RowItem(r)) && IsText(e.Form->RowItem(r + 1))) top = r;
        QVERIFY(top >= 0);
        QList<TLocItem*> others;
        for (int row : e.Rows(IsText, 4))
            if (row != top && row != top + 1 && others.size() < 2) others << e.Form->RowItem(row);
        QCOMPARE(others.size(), 2);
        const QList<TLocItem*> pasted{e.Form->RowItem(top), e.Form->RowItem(top + 1)};
        for (TLocItem* item : pasted + others) {
            item->MainValue()->SetValue(QStringLiteral("Open"));
            item->Values().Items(1)->SetValue(item == others[1] ? QStringLiteral("Auf") : QStringLiteral("Open"));
        }
        e.Form->RefreshGrid();

        // Each pasted cell keeps its own text, however the rows share their
        // native and old texts; the rest follow the last of them.
        QApplication::clipboard()->setText(QStringLiteral("Öffnen\r\nAufmachen"));
        e.Grid()->FocusCell(col, top, true);
        e.Grid()->SetSelection({col, top, col, top + 1});
        e.Action("miPaste")->trigger();
        QCOMPARE(pasted[0]->Values().Items(1)->Value(), QStringLiteral("Öffnen"));
        QCOMPARE(pasted[1]->Values().Items(1)->Value(), QStringLiteral("Aufmachen"));
        QCOMPARE(others[0]->Values().Items(1)->Value(), QStringLiteral("Aufmachen"));
        QVERIFY(others[0]->IsTranslated(1));
        QCOMPARE(others[1]->Values().Items(1)->Value(), QStringLiteral("Auf"));
        QCOMPARE(e.Prompt.Log, QStringList());

        // Cells whose formats differ from the native text are warned about once per paste.
        QApplication::clipboard()->setText(QStringLiteral("%d a\r\n%d b"));
        e.Grid()->SetSelection({col, top, col, top + 1});
        e.Action("miPaste")->trigger();
        QCOMPARE(pasted[1]->Values().Items(1)->Value(), QStringLiteral("%d b"));
        QCOMPARE(e.Prompt.Log.size(), 1);
        QVERIFY(e.Prompt.Log[0].contains("Format symbols"));

        // A pasted cell whose text stays as it was is kept as pasted too,
        // whether one pasted cell changes (a single edit's translation) or
        // several do (French beside German).
        QCOMPARE(e.Col(2), col + 1);
        for (const QString& clip : {QStringLiteral("Öffnen\r\nOpen"), QStringLiteral("Öffnen\tOuvrir\r\nOpen\tOpen")}) {
            for (TLocItem* item : pasted + others)
                for (int lang : {1, 2}) item->Values().Items(lang)->SetValue(QStringLiteral("Open"));
            e.Form->RefreshGrid();
            QApplication::clipboard()->setText(clip);
            e.Grid()->FocusCell(col, top, true);
            e.Action("miPaste")->trigger();
            QCOMPARE(pasted[0]->Values().Items(1)->Value(), QStringLiteral("Öffnen"));
            QCOMPARE(pasted[1]->Values().Items(1)->Value(), QStringLiteral("Open"));
            for (TLocItem* item : others) QCOMPARE(item->Values().Items(1)->Value(), QStringLiteral("Öffnen"));
        }
    }

    void formatWarning()
    {
        TEditor e;
        const int col = e.Col(1);
        const int row = e.Rows([](TLocItem* i) { return IsText(i) && i->MainValue()->Value().contains("%s"); })[0];
        e.Type(col, row, QStringLiteral("Version"));
        QCOMPARE(e.Prompt.Log.size(), 1);
        QVERIFY(e.Prompt.Log[0].startsWith(
            "Warning: Possible error: Format symbols in the translated string differ from native one\r\n\r\n"));
        QVERIFY(e.Prompt.Log[0].endsWith(e.Form->RowItem(row)->GetFullName(".")));
        QCOMPARE(e.Form->RowItem(row)->Values().Items(1)->Value(), QStringLiteral("Version")); // kept
        e.Type(col, row, QStringLiteral("Fassung %s"));
        QCOMPARE(e.Prompt.Log.size(), 1);
    }

    void projectDesktopRestoresState()
    {
        TEditor e;
        const QString native = e.File("ntv");
        e.Form->SectionChange(e.Form->SectionChooser()->UnitsNode());
        e.Grid()->FocusCell(e.Col(2), 0, true);
        e.Form->ShowStates(false, true);
        e.Grid()->VisibleColumn(e.Col(2))->SetWidth(321);
        e.Form->findChild<QCheckBox*>("chbShowNative")->setChecked(false);
        QVERIFY(e.Form->CloseProjectFile());
        QVERIFY(QFileInfo::exists(e.Dir.filePath("Notes.leo")));

        // Reopened without an open list: languages, filter, section, width and the hidden native column return.
        TOxvPDMainForm form{TStartOptions()};
        form.show();
        form.OpenProjectFile(native, true, false);
        QCOMPARE(form.Project().LangFiles().Count(), 3);
        QCOMPARE(form.SectionText(), QStringLiteral("Units (2)"));
        QCOMPARE(form.FilterLabelText(), QStringLiteral("French (France): Untranslated"));
        QCOMPARE(form.Grid()->VisibleColCount(), 3); // names, German, French
        QCOMPARE(form.Grid()->VisibleColumn(2)->Width(), 321);
        QVERIFY(e.Prompt.Log.isEmpty());
        // The project is the latest recent one once it is closed again.
        QVERIFY(form.CloseProjectFile());
        const QList<TRecentProject> recent = LoadRecentProjects();
        QVERIFY(!recent.isEmpty());
        QCOMPARE(recent.first().File, native);
    }

    void toggleTranslatedMixed()
    {
        TEditor e;
        const int col = e.Col(1);
        const int translated = e.Rows([](TLocItem* i) { return IsText(i) && i->IsTranslated(1); })[0];
        const int untranslated = e.Rows([](TLocItem* i) { return IsText(i) && !i->IsTranslated(1); })[0];
        const int top = std::min(translated, untranslated), bottom = std::max(translated, untranslated);
        e.Grid()->FocusCell(col, top, true);
        e.Select(col, top, bottom);
        QVERIFY(e.Action("miTranslated")->isEnabled());
        QVERIFY(!e.Action("miTranslated")->isChecked());
        auto states = [&] {
            QList<int32_t> v;
            for (int r = top; r <= bottom; ++r) {
                const TLocItem* item = e.Form->RowItem(r);
                if (!(e.Grid()->GetCellOptions(col, r) & voReadOnly))
                    v << item->Values().Items(1)->ValueVersion() - item->MainValue()->ValueVersion();
            }
            return v;
        };
        e.Action("miTranslated")->trigger();
        for (int32_t d : states()) QCOMPARE(d, 0);
        QVERIFY(e.Lang(1)->Modified());
        QVERIFY(e.Action("miTranslated")->isChecked());
        e.Action("miTranslated")->trigger();
        for (int32_t d : states()) QCOMPARE(d, -1);
    }

    void verifiedValuesAreReadOnly()
    {
        TEditor e;
        const int col = e.Col(1);
        const int row = e.Rows([](TLocItem* i) { return IsText(i) && i->IsTranslated(1); })[0];
        e.Grid()->FocusCell(col, row, true);
        QVERIFY(e.Action("miVerified")->isEnabled());
        e.Action("miVerified")->trigger();
        QVERIFY(e.Form->RowItem(row)->Values().Items(1)->Attribute(vaVerified));
        QVERIFY(e.Grid()->GetCellOptions(col, row) & voReadOnly);
        QVERIFY(!e.Grid()->ShowEditor());
        QVERIFY(e.Lang(1)->Modified());
        e.Grid()->FocusCell(col, row, true);
        e.Action("miVerified")->trigger();
        QVERIFY(!(e.Grid()->GetCellOptions(col, row) & voReadOnly));
    }

    void multiLineEditor()
    {
        TEditor e;
        const int col = e.Col(1);
        const int row = e.Rows(IsText)[0];
        e.Grid()->FocusCell(col, row, true);
        e.Grid()->setFocus();
        auto* editor = e.Form->findChild<QDialog*>("dlgCellEdit");
        QVERIFY(editor);
        QTimer::singleShot(0, editor, [editor] {
            auto* memo = editor->findChild<QPlainTextEdit*>("mmText");
            memo->setPlainText("eins\u00A0!\nzwei"); // the no-break space is kept
            QTest::keyClick(memo, Qt::Key_Return, Qt::ControlModifier);
        });
        // Ctrl+Enter opens the editor on any writable cell.
        QTest::keyClick(e.Grid(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(e.Form->RowItem(row)->Values().Items(1)->Value(), QStringLiteral("eins\u00A0!\r\nzwei"));
        QVERIFY(e.Grid()->GetCellOptions(col, row) & voList);
    }

    void untranslatableMarkSavedWithNative()
    {
        TEditor e;
        const int col = e.Col(1);
        const int row = e.Rows(IsText)[0];
        const int32_t id = e.Form->RowItem(row)->ID();
        e.Grid()->FocusCell(col, row, true);
        e.Action("miUntranslatable")->trigger();
        QVERIFY(e.Form->RowItem(row)->Attribute(vaUntranslatable));
        QVERIFY(e.Grid()->GetCellOptions(col, row) & voReadOnly);
        QVERIFY(e.Action("miUntranslatable")->isChecked());
        // The mark lives in the native file, which is saved on close without a question.
        QVERIFY(e.Form->close());
        QVERIFY(e.Prompt.Log.isEmpty());
        TLEProject check;
        check.Open(e.File("ntv"), false, true);
        QVERIFY(check.FindPropByIntID(id)->Attribute(vaUntranslatable));
    }

    void revertToBasedOnLanguage()
    {
        TEditor e;
        TLangFile* french = e.Lang(2);
        french->SetBasedOnLangID(e.Lang(1)->Locale());
        const int col = e.Col(2);
        const int row = e.Rows([](TLocItem* i) {
            return IsText(i) && i->Values().Items(1)->Value() != i->Values().Items(2)->Value() &&
                   i->Values().Items(1)->Value() != i->MainValue()->Value();
        })[0];
        e.Grid()->FocusCell(col, row, true);
        e.Action("miRevert")->trigger();
        const TLocItem* item = e.Form->RowItem(row);
        QCOMPARE(item->Values().Items(2)->Value(), item->Values().Items(1)->Value());
        QCOMPARE(e.Grid()->GetCell(col, row), item->Values().Items(1)->Value());
        QVERIFY(!item->IsTranslated(2));
        QVERIFY(french->Modified());
    }

    void copyPasteRoundTrip()
    {
        TEditor e;
        const int col = e.Col(1);
        const QList<int> rows = e.Rows(IsText, 2);
        e.Type(col, rows[0], QStringLiteral("a\tb"));
        e.Grid()->FocusCell(col, rows[0], true);
        e.Action("miCopy")->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("\"a\tb\""));
        e.Grid()->FocusCell(col, rows[1], true);
        e.Action("miPaste")->trigger();
        // The quotes belong to the pasted value.
        QCOMPARE(e.Form->RowItem(rows[1])->Values().Items(1)->Value(), QStringLiteral("\"a\tb\""));
        QVERIFY(e.Prompt.Log.isEmpty());
    }

    void pasteMismatch()
    {
        TEditor e;
        const int col = e.Col(1);
        const QList<int> rows = e.Rows([](TLocItem*) { return true; }, 3);
        QCOMPARE(rows, (QList<int>{0, 1, 2}));
        QApplication::clipboard()->setText(QStringLiteral("x\r\ny\r\nz\r\n"));
        // Two selected rows: asked first; Cancel leaves everything as it was.
        e.Select(col, 0, 1);
        e.Prompt.Answers = {mrCancel};
        e.Action("miPaste")->trigger();
        QCOMPARE(e.Prompt.Log,
                 QStringList{"Confirmation: The range to be pasted does not match the selection. Paste anyway?"});
        QVERIFY(!e.Lang(1)->Modified());
        // One selected cell: three rows filled without a question.
        e.Prompt.Log.clear();
        e.Grid()->FocusCell(col, 0, true);
        e.Action("miPaste")->trigger();
        QVERIFY(e.Prompt.Log.isEmpty());
        for (int r = 0; r < 3; ++r)
            if (!(e.Grid()->GetCellOptions(col, r) & voReadOnly))
                QCOMPARE(e.Grid()->GetCell(col, r), QString(QChar(u'x' + r)));
        QCOMPARE(e.Grid()->Selection(), (TGridRect{col, 0, col, 2}));
    }

    void headerClicksCycleSorting()
    {
        TEditor e;
        const int col = e.Col(1);
        const TLPSorting& sorting = e.Form->Project().Sorting();
        QList<TSortOrder> orders;
        for (int i = 0; i < 3; ++i) {
            e.Form->HeaderClick(col);
            orders << sorting.SortOrder();
            QCOMPARE(sorting.LangIndex(), 1);
            QCOMPARE(int(e.Grid()->VisibleColumn(col)->SortOrder()), int(sorting.SortOrder()));
        }
        QCOMPARE(orders, (QList<TSortOrder>{soAsc, soDsc, soNone}));
        e.Form->HeaderClick(col);
        for (int r = 1; r < e.Grid()->RowCount(); ++r) {
            const TLocSortKey a = e.Form->RowItem(r - 1)->Values().Items(1)->SortKey();
            const TLocSortKey b = e.Form->RowItem(r)->Values().Items(1)->SortKey();
            QVERIFY(TLocValue::CompareSortKeys(a, b) <= 0);
        }
    }

    void filterCommands()
    {
        TEditor e;
        e.Grid()->FocusCell(e.Col(1), 0, true);
        e.Action("miShowUntranslated")->trigger();
        QCOMPARE(e.Form->findChild<QLabel*>("lblFilter")->text(), QStringLiteral("German (Germany): Untranslated"));
        QVERIFY(e.Grid()->RowCount() > 0);
        for (int r = 0; r < e.Grid()->RowCount(); ++r) QVERIFY(!e.Form->RowItem(r)->IsTranslated(1));
        QVERIFY(e.Action("miShowUntranslated")->isChecked());
        e.Action("miShowBoth")->trigger();
        QCOMPARE(e.Grid()->RowCount(), 40);
    }

    void hideNativeWhileCurrent()
    {
        TEditor e;
        e.Grid()->FocusCell(1, 0, true);
        QVERIFY(e.Form->ColumnFile(1)->IsNative());
        e.Form->findChild<QCheckBox*>("chbShowNative")->setChecked(false);
        QCOMPARE(e.Grid()->VisibleColCount(), 3);
        QVERIFY(e.Form->ActiveLangFile());
        QCOMPARE(e.Form->ActiveLangFile()->LangIndex(), 1);
        QCOMPARE(e.Form->Project().CurLangIndex(), 1);
    }

    // Alt+X with German modified and French after it: Cancel at the question
    // leaves every language open and the desktop naming both (French used to
    // close before German was asked about). Later questions come before any
    // file is saved or closed.
    void cancelledExitClosesNothing()
    {
        TEditor e;
        const QList<int> rows = e.Rows(IsText);
        e.Type(e.Col(1), rows[0], QStringLiteral("geändert"));
        QVERIFY(e.Lang(1)->Modified());
        e.Grid()->setFocus();
        e.Prompt.Answers = {mrCancel};
        PressChar(e, 'x', Qt::AltModifier);
        QVERIFY(e.Form->isVisible());
        QCOMPARE(e.Prompt.Log.size(), 1);
        QVERIFY(e.Prompt.Log[0].contains(QStringLiteral("German")));
        QCOMPARE(e.Form->Project().LangFiles().Count(), 3);
        QCOMPARE(e.Grid()->VisibleColCount(), 4);
        QVERIFY(e.Lang(1)->Modified());
        QCOMPARE(TProjectDesktopFile(e.File("ntv")).Read().Languages, (QStringList{".deu", ".fra"}));

        // French modified too: No for French, then Cancel for German keeps
        // French unsaved and open as well.
        e.Type(e.Col(2), rows[0], QStringLiteral("changé"));
        e.Grid()->setFocus();
        e.Prompt.Log.clear();
        e.Prompt.Answers = {mrNo, mrCancel};
        PressChar(e, 'x', Qt::AltModifier);
        QVERIFY(e.Form->isVisible());
        QCOMPARE(e.Prompt.Log.size(), 2);
        QCOMPARE(e.Form->Project().LangFiles().Count(), 3);
        QVERIFY(e.Lang(1)->Modified() && e.Lang(2)->Modified());

        // Yes for French, No for German: both are asked before French is
        // saved, and the window closes.
        e.Prompt.Log.clear();
        e.Prompt.Answers = {mrYes, mrNo};
        // The editor ends with its window, whatever helper windows are up.
        if (!e.Form->NativeValueForm()->isVisible()) e.Action("miNtvValueForm")->trigger();
        QVERIFY(e.Form->NativeValueForm()->isVisible());
        QSignalSpy closed(e.Form.get(), &TOxvPDMainForm::Closed);
        PressChar(e, 'x', Qt::AltModifier);
        QCOMPARE(e.Prompt.Log.size(), 2);
        QVERIFY(!e.Form->isVisible());
        QCOMPARE(closed.size(), 1);
    }

    // A second start naming a project: the running editor asks before it
    // closes its own for it, and opens it on Yes.
    void secondStartHandsOverItsProject()
    {
        TEditor e({"deu"}, {"deu"});
        const QString other = e.Dir.filePath("other/Other.ntv.lng");
        QVERIFY(QDir().mkpath(e.Dir.filePath("other")));
        QVERIFY(QFile::copy(e.File("ntv"), other));
        e.Form->BringToFront(e.File("ntv"));
        QTest::qWait(50);
        QVERIFY(e.Prompt.Log.isEmpty()); // its own project: nothing to ask

        e.Prompt.Answers = {mrNo};
        e.Form->BringToFront(other);
        QTRY_COMPARE(e.Prompt.Log.size(), 1);
        QVERIFY(e.Prompt.Log[0].contains(QDir::toNativeSeparators(other)));
        QCOMPARE(e.Form->Project().NativeFileName(), e.File("ntv"));

        e.Prompt.Answers = {mrYes};
        e.Form->BringToFront(other);
        QTRY_COMPARE(QFileInfo(e.Form->Project().NativeFileName()), QFileInfo(other));
    }

    // Enter stores the text and stays on the row: "Move down automatically"
    // is off at first, as the help says; switched on in the options, Enter
    // moves on.
    void enterMovesDownOnlyWhenAsked()
    {
        TEditor e;
        QVERIFY(!e.Form->Settings().MoveCursorDown);
        QFile help(VOCABRIX_SOURCE_DIR "/docs/getting-started.html");
        QVERIFY(help.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(help.readAll()).contains("\"Move down automatically\""));
        const QList<int> rows = e.Rows(IsText, 2);
        const int col = e.Col(1);
        const auto typeAndEnter = [&](int Row) {
            e.Grid()->FocusCell(col, Row, true);
            e.Grid()->setFocus();
            QTest::keyClick(e.Grid(), Qt::Key_Return);
            QVERIFY(e.Grid()->Editing());
            QTest::keyClicks(e.Grid()->GetInplaceEditor(), "x");
            QTest::keyClick(e.Grid()->GetInplaceEditor(), Qt::Key_Return);
            QVERIFY(!e.Grid()->Editing());
        };
        typeAndEnter(rows[0]);
        QCOMPARE(e.Grid()->Row(), rows[0]);

        WhenModal<QDialog>(e.Form.get(), [](QDialog* Options) {
            for (QCheckBox* box : Options->findChildren<QCheckBox*>())
                if (box->text() == QStringLiteral("Move down automatically")) box->click();
            Options->accept();
        });
        e.Action("miOptions")->trigger();
        QVERIFY(e.Form->Settings().MoveCursorDown);
        typeAndEnter(rows[0]);
        QCOMPARE(e.Grid()->Row(), rows[0] + 1);
    }

    // Each command of the File menu has a key of its own ("E" was both "New
    // Project from Executable" and "Export to").
    void fileMenuKeysAreDistinct()
    {
        TEditor e({}, {});
        QMap<QChar, QString> keys;
        for (QAction* action : e.Menu("&File")->actions()) {
            const QString text = action->text();
            const qsizetype amp = text.indexOf(QRegularExpression("&[^&]"));
            if (action->isSeparator() || amp < 0) continue;
            const QChar key = text[amp + 1].toLower();
            QVERIFY2(!keys.contains(key), qPrintable(keys.value(key) + " / " + text));
            keys[key] = text;
        }
        QVERIFY(keys.size() > 10);
    }

    // File > Open Project starts in the open project's folder (it started in
    // the program's), and in the work folder without a project.
    void openProjectStartsInTheProjectsFolder()
    {
        TEditor e({}, {});
        TFileAnswers files;
        e.Action("miOpenProject")->trigger();
        QCOMPARE(files.Requests.size(), 1);
        QCOMPARE(QDir(files.Requests[0].Start), QDir(e.Dir.path()));
        QCOMPARE(files.Requests[0].Title, QStringLiteral("Open project"));
    }

    void closeLanguageColumn()
    {
        TEditor e;
        e.Grid()->FocusCell(e.Col(2), 0, true);
        e.Form->ShowStates(false, true);
        e.Action("miCloseLanguage")->trigger();
        QCOMPARE(e.Form->Project().LangFiles().Count(), 2);
        QCOMPARE(e.Grid()->VisibleColCount(), 3);
        // Closing the filter language shows both states again.
        QCOMPARE(e.Form->FilterLabelText(), QStringLiteral(": Both"));
        QCOMPARE(e.Grid()->RowCount(), 40);
    }

    void cancelledCloseKeepsProject()
    {
        TEditor e;
        const int row = e.Rows(IsText)[0];
        e.Type(e.Col(1), row, QStringLiteral("geändert"));
        e.Type(e.Col(2), row, QStringLiteral("changé"));
        // French is asked first and discarded, German's question is cancelled:
        // both stay open, French still modified.
        e.Prompt.Answers = {mrNo, mrCancel};
        QVERIFY(!e.Form->close());
        QCOMPARE(e.Prompt.Log.size(), 2);
        QVERIFY(e.Prompt.Log[0].contains("French"));
        QVERIFY(e.Prompt.Log[1].contains("German"));
        QVERIFY(e.Form->ProjectOpen());
        QCOMPARE(e.Form->Project().LangFiles().Count(), 3);
        QCOMPARE(e.Grid()->VisibleColCount(), 4);
        QVERIFY(e.Form->isVisible());
        // The window still works and closes on the next attempt.
        e.Type(e.Col(1), row, QStringLiteral("wieder"));
        e.Prompt.Answers = {mrNo, mrNo};
        QVERIFY(e.Form->close());
        QVERIFY(!e.Form->ProjectOpen());
    }

    void failedSaveSaysWhy()
    {
        TEditor e;
        const int row = e.Rows(IsText)[0];
        e.Type(e.Col(1), row, QStringLiteral("geändert"));
        // The folder cannot take the file any more.
        QVERIFY(QFile::remove(e.File("deu")));
        QVERIFY(QDir(e.Dir.path()).mkdir("Notes.deu.lng"));
        e.Grid()->FocusCell(e.Col(1), row, true);
        e.Action("miSaveLanguage")->trigger();
        QCOMPARE(e.Prompt.Log.size(), 1);
        QVERIFY(e.Prompt.Log[0].startsWith("Error: Could not save language file"));
        QVERIFY(e.Lang(1)->Modified());
        // Closing asks, the failed save keeps the project open.
        e.Prompt.Answers = {mrYes};
        QVERIFY(!e.Form->close());
        QVERIFY(e.Form->ProjectOpen());
        QVERIFY(e.Lang(1)->Modified());
        e.Prompt.Answers = {mrNo};
        QVERIFY(e.Form->close());
    }

    void createLanguageFile()
    {
        TEditor e({"deu"}, {"deu"});
        TNewLanguage french = NewLanguageOfLocale(0x040C);
        QCOMPARE(e.Form->CreateLanguageFile(french, QStringLiteral("fra")), mrYes);
        QVERIFY(QFileInfo::exists(e.File("fra")));
        const int col = e.Col(2);
        QVERIFY(col > 0);
        QVERIFY(!e.Grid()->VisibleColumn(col)->ReadOnly());
        const int row = e.Rows(IsText)[0];
        e.Type(col, row, QStringLiteral("Bonjour"));
        QCOMPARE(e.Form->RowItem(row)->Values().Items(2)->Value(), QStringLiteral("Bonjour"));

        // An existing file is replaced only after Yes.
        e.Prompt.Answers = {mrNo};
        QCOMPARE(e.Form->CreateLanguageFile(NewLanguageOfLocale(0x0407), QStringLiteral("deu")), mrNo);
        QCOMPARE(e.Prompt.Log.last(),
                 QStringLiteral("Confirmation: The language with \"deu\" abbreviation already exists. Overwrite?"));
    }

    void statisticsOfActiveLanguage()
    {
        TEditor e;
        e.Grid()->FocusCell(e.Col(2), 0, true);
        QVERIFY(e.Action("miShowStatistics")->isEnabled());
        TProjectStats shown;
        QTimer::singleShot(0, e.Form.get(), [&] {
            auto* dialog = e.Form->findChild<TdlgStatistics*>();
            if (!dialog) return;
            shown = dialog->Stats();
            dialog->reject();
        });
        e.Action("miShowStatistics")->trigger();
        const TProjectStats expected = CountProjectStats(e.Form->Project(), 2);
        QCOMPARE(shown.Total.Items, 56);
        QCOMPARE(shown.Total.Translated, expected.Total.Translated);
        QCOMPARE(shown.Total.Untranslated, expected.Total.Untranslated);
        QCOMPARE(shown.Properties.Translated, expected.Properties.Translated);
    }

    void createNewLanguageCommand()
    {
        TEditor e({"deu"}, {"deu"});
        // French chosen in the language tree, then OK.
        ChooseLanguageWhenAsked(e.Form.get(), 0x040C);
        e.Action("miCreateLang")->trigger();
        QVERIFY(QFileInfo::exists(e.File("fra")));
        QCOMPARE(e.Form->Project().LangFiles().Count(), 3);
        QCOMPARE(e.Lang(2)->Locale(), uint16_t(0x040C));
        // The new column is current and editable.
        QCOMPARE(e.Form->ActiveLangFile(), e.Lang(2));
        QVERIFY(!e.Grid()->ActiveColumn()->ReadOnly());
    }

    void findNextMovesOn()
    {
        TEditor e({"deu"}, {"deu"});
        const int col = e.Col(1);
        const QList<int> hits = RowsContaining(e, col, QStringLiteral("Such"));
        QVERIFY2(hits.size() >= 3, qPrintable(QString::number(hits.size())));
        e.Grid()->FocusCell(col, 0, true);
        e.Grid()->setFocus();

        TdlgFind* dialog = e.Form->Search()->FindDialog();
        WhenShown(dialog, [dialog] {
            QTest::keyClicks(dialog->edFind, QStringLiteral("Such"));
            QTest::mouseClick(dialog->btnFind, Qt::LeftButton);
        });
        Press(e, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(e.Grid()->Row(), hits[0]);
        // The hit is shown selected in an open editor, and F3 moves on from it.
        QVERIFY(e.Grid()->Editing());
        QCOMPARE(e.Grid()->GetInplaceEditor()->textCursor().selectedText(), QStringLiteral("Such"));
        Press(e, Qt::Key_F3);
        QCOMPARE(e.Grid()->Row(), hits[1]);
        Press(e, Qt::Key_F3);
        QCOMPARE(e.Grid()->Row(), hits[2]);
        // Also after Escape closed the editor.
        Press(e, Qt::Key_Escape);
        QVERIFY(!e.Grid()->Editing());
        Press(e, Qt::Key_F3);
        QCOMPARE(e.Grid()->Row(), hits.size() > 3 ? hits[3] : hits[0]);
        QVERIFY(!e.Lang(1)->Modified());
    }

    void commandKeysNeverReachTheCells()
    {
        TEditor e({"deu"}, {"deu"});
        // The exit question is a real dialog: closing it leaves the keys with
        // no window (as an X server without a window manager does).
        TGuiPrompt dialogs;
        SetDefaultPrompt(&dialogs);
        const auto restore = qScopeGuard([&] { SetDefaultPrompt(&e.Prompt); });
        const int col = e.Col(1);
        const QList<int> rows = e.Rows([](TLocItem* i) { return IsText(i) && !i->IsTranslated(1); }, 3);
        QCOMPARE(rows.size(), 3);
        QStringList before;
        for (int r = 0; r < e.Grid()->RowCount(); ++r) before << e.Grid()->GetCell(col, r);
        e.Type(col, rows[0], QStringLiteral("geändert")); // closing asks about German
        before[rows[0]] = QStringLiteral("geändert");
        const auto nextUntranslated = [&](int From) {
            int r = From + 1;
            while (r < e.Grid()->RowCount() && e.Form->RowItem(r)->IsTranslated(1)) ++r;
            return r;
        };
        e.Grid()->FocusCell(col, rows[1], true);
        e.Grid()->setFocus();

        OnNextMessageBox([](QMessageBox* Box) { Box->button(QMessageBox::Cancel)->click(); });
        PressChar(e, 'x', Qt::AltModifier);
        QVERIFY(e.Form->isVisible());
        QVERIFY(e.Form->ProjectOpen());
        // The window has the keys again once the question is gone.
        QTRY_COMPARE(QApplication::activeWindow(), e.Form.get());

        // Alt+U goes to the next untranslated row, from the grid and from an open editor.
        PressChar(e, 'u', Qt::AltModifier);
        QCOMPARE(e.Grid()->Row(), nextUntranslated(rows[1]));
        e.Grid()->FocusCell(col, rows[2], true);
        QVERIFY(e.Grid()->ShowEditor());
        PressChar(e, 'u', Qt::AltModifier);
        QCOMPARE(e.Grid()->Row(), nextUntranslated(rows[2]));

        // The search shortcuts, from an open editor: Ctrl+R opens Replace,
        // Ctrl+F opens Find.
        TdlgFind* find = e.Form->Search()->FindDialog();
        QString opened;
        auto expectDialog = [&] {
            opened.clear();
            WhenShown(find, [&] {
                opened = find->windowTitle();
                find->reject();
            });
        };
        e.Grid()->FocusCell(col, rows[1], true);
        QVERIFY(e.Grid()->ShowEditor());
        expectDialog();
        PressChar(e, 'r', Qt::ControlModifier);
        QCOMPARE(opened, QStringLiteral("Replace"));

        // With no window active at all the keys still reach the commands.
        {
            QWidget other;
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
        }
        QVERIFY(!QApplication::activeWindow());
        e.Grid()->FocusCell(col, rows[1], true);
        PressChar(e, 'u', Qt::AltModifier);
        QCOMPARE(e.Grid()->Row(), nextUntranslated(rows[1]));
        expectDialog();
        PressChar(e, 'f', Qt::ControlModifier);
        QCOMPARE(opened, QStringLiteral("Find"));
        // ... and while the native value window is the active one.
        e.Form->SetNativeValueFormVisible(true);
        e.Form->NativeValueForm()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.Form->NativeValueForm()));
        expectDialog();
        QTest::keyClick(e.Form->NativeValueForm()->windowHandle(), 'r', Qt::ControlModifier);
        QCOMPARE(opened, QStringLiteral("Replace"));
        e.Form->NativeValueForm()->hide();

        // None of these keys typed into a cell.
        QVERIFY(!e.Grid()->Editing());
        for (int r = 0; r < e.Grid()->RowCount(); ++r) QCOMPARE(e.Grid()->GetCell(col, r), before[r]);
        SetDefaultPrompt(&e.Prompt);
        e.Prompt.Answers = {mrNo};
    }

    void damagedLanguageIsReported()
    {
        TEditor e;
        QVERIFY(e.Form->CloseProjectFile()); // remembers German and French
        QFile damaged(e.File("deu"));
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        QVERIFY(damaged.resize(damaged.size() - 20));
        damaged.close();

        // Reopened: French opens, German is named once with the reader's reason.
        e.Form->OpenProjectFile(e.File("ntv"), true, false);
        QCOMPARE(e.Form->Project().LangFiles().Count(), 2);
        QCOMPARE(e.Lang(1)->Locale(), uint16_t(0x040C));
        const QString said = QStringLiteral("Error: The language file \"%1\" could not be opened:\r\n"
                                            "Could not load language file\r\n\"%1\": Invalid file format: ")
                                 .arg(QDir::toNativeSeparators(e.File("deu")));
        QCOMPARE(e.Prompt.Log.size(), 1);
        QVERIFY2(e.Prompt.Log[0].startsWith(said) && e.Prompt.Log[0].size() > said.size(), qPrintable(e.Prompt.Log[0]));

        // Opened by hand it says the same.
        e.Form->OpenLanguageFiles({e.File("deu")});
        QCOMPARE(e.Prompt.Log.size(), 2);
        QCOMPARE(e.Prompt.Log[1], e.Prompt.Log[0]);
    }

    void readOnlyLanguageSaysWhy()
    {
        TEditor e({}, {});
        QVERIFY(QFile::copy(QStringLiteral(SHARED_EXAMPLES_DIR "/Notes.deu.lng"), e.File("deu")));
        // Another program holds German: it opens read-only.
        TLockedFile holder;
        QVERIFY(holder.Open(e.File("deu"), TLockedFile::lmDenyWriters));
        e.Form->OpenLanguageFiles({e.File("deu")});
        const int col = e.Col(1);
        QVERIFY(e.Grid()->VisibleColumn(col)->ReadOnly());
        const int row = e.Rows(IsText)[0];
        const QString value = e.Form->RowItem(row)->Values().Items(1)->Value();
        e.Grid()->FocusCell(col, row, true);
        e.Grid()->setFocus();

        QTest::keyClick(e.Form->windowHandle(), 'a');
        QCOMPARE(e.Prompt.Log.size(), 1);
        const QString why = QStringLiteral("Read-only: the language file \"%1\" cannot be changed here, another "
                                           "program (or another Phrase Desk) has it open")
                                .arg(QDir::toNativeSeparators(e.File("deu")));
        QCOMPARE(e.Prompt.Log[0], QStringLiteral("Information: ") + why + QLatin1Char('.'));
        // Once per language: typing again, F2 and a double click say nothing more.
        QTest::keyClick(e.Form->windowHandle(), 'b');
        Press(e, Qt::Key_F2);
        const QRect cell = e.Grid()->visualRect(e.Grid()->model()->index(row, col - 1));
        QTest::mouseDClick(e.Grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(e.Prompt.Log.size(), 1);
        QCOMPARE(e.Form->RowItem(row)->Values().Items(1)->Value(), value);
        QVERIFY(!e.Grid()->Editing());

        // The column header's hint explains its read-only mark.
        const QRect first = e.Grid()->CellRect(col, 0);
        const QPoint header = e.Grid()->mapToGlobal(QPoint(first.center().x(), first.top() - 4));
        QHelpEvent help(QEvent::ToolTip, e.Grid()->viewport()->mapFromGlobal(header), header);
        QApplication::sendEvent(e.Grid()->viewport(), &help);
        QCOMPARE(QToolTip::text(), why);
    }

    void statusBar()
    {
        TEditor e;
        const int col = e.Col(1);
        const int row = e.Rows(IsText)[0];
        e.Type(col, row, e.Form->RowItem(row)->MainValue()->Value());
        e.Grid()->FocusCell(col, row, true);
        QCOMPARE(e.Form->StatusText(0), QStringLiteral("%1/40 ").arg(row + 1));
        QCOMPARE(e.Form->StatusText(1), QLatin1Char(' ') + e.Grid()->GetCell(col, row));
        // Equal widths are 100 %, shown green.
        QCOMPARE(e.Form->StatusText(2), QStringLiteral("RL: <span style=\"color:#008000\">100%</span>"));
        QCOMPARE(e.Form->NativeValueForm()->Text(), e.Form->RowItem(row)->MainValue()->Value());
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
