#include "ModalDialogs.h"
#include "SearchRows.h"
#include "app/gui/commands/SearchCommands.h"
#include "app/gui/dialogs/search/FindDialog.h"
#include "app/gui/dialogs/search/GotoLineDialog.h"
#include "app/gui/dialogs/search/RegExprFilterDialog.h"
#include "app/gui/dialogs/search/ReplacePrompt.h"
#include "app/gui/grid/GridSearchView.h"
#include "app/gui/grid/QStringGrid.h"
#include "core/Prompt.h"
#include "langfile/LEProject.h"
#include "langfile/LangFile.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cmath>
#include <memory>

namespace {

// A shown grid as the editor fills it: the name column, the native column
// (read-only) and the German column of the rows; untranslatable rows are
// read-only. Edits are stored in the items.
class TGridFixture {
public:
    explicit TGridFixture(const QStringList& Rows) : FItems(AddSearchRows(FStorage, Rows))
    {
        FNative.SetLangIndex(0);
        FNative.SetLocale(0x0409);
        FGerman.SetLangIndex(1);
        FGerman.SetLocale(0x0407);

        Grid = std::make_unique<TQStringGrid>();
        Grid->SetOptions(Grid->Options() | goEditing);
        Grid->Columns().Add()->SetCaption(QStringLiteral("Properties"));
        TQGridColumn* native = Grid->Columns().Add();
        native->SetData(&FNative);
        native->SetReadOnly(true);
        Grid->Columns().Add()->SetData(&FGerman);
        Grid->SetFixedCols(1);
        Grid->SetRowCount(int(FItems.size()));
        for (size_t r = 0; r < FItems.size(); ++r) {
            Grid->SetRowData(int(r), FItems[r]);
            Grid->SetCell(0, int(r), FItems[r]->Name());
            Grid->SetCell(1, int(r), FItems[r]->MainValue()->Value());
            Grid->SetCell(2, int(r), FItems[r]->Values().Items(1)->Value());
            if (FItems[r]->Attribute(vaUntranslatable)) Grid->SetCellOptions(2, int(r), voReadOnly);
        }
        Grid->OnSetEditText = [this](TQStringGrid* Sender, int ACol, int ARow, const QString& Text) {
            auto* item = static_cast<TLocItem*>(Sender->GetRowData(ARow));
            item->Values().Items(ACol - 1)->SetValue(Text);
            item->Values().Items(ACol - 1)->SetValueVersion(1);
            Sender->SetCell(ACol, ARow, Text);
        };
        Grid->resize(500, 300);
        Grid->show();
        Grid->activateWindow();
        Grid->setFocus();
        if (!QTest::qWaitForWindowActive(Grid.get())) qWarning("grid window not active");
        Grid->FocusCell(2, 0, true);
        View = std::make_unique<TGridSearchView>(Grid.get());
    }

    QStringList German() const { return GermanValues(FItems); }
    TLocItem* Item(int Row) const { return FItems[size_t(Row)]; }

    // From now on the cell edit path translates identical texts along as the
    // main window's does, never from within such a translation.
    void TranslateAlong(TSearchCommands& Search)
    {
        const auto store = Grid->OnSetEditText;
        Grid->OnSetEditText = [this, store, &Search](TQStringGrid* Sender, int ACol, int ARow, const QString& Text) {
            const QString old = Item(ARow)->Values().Items(1)->Value();
            store(Sender, ACol, ARow, Text);
            if (FTranslating || old == Text) return;
            FTranslating = true;
            Search.AutoTranslateIdentical(ACol, old, Text, Item(ARow)->MainValue()->Value());
            FTranslating = false;
        };
    }

    std::unique_ptr<TQStringGrid> Grid;
    std::unique_ptr<TGridSearchView> View;

private:
    bool FTranslating = false;
    TLocStorage FStorage;
    TLangFile FNative;
    TLangFile FGerman;
    std::vector<TLocItem*> FItems;
};

QString SelectedText(const TQStringGrid& Grid)
{
    return Grid.GetInplaceEditor() ? Grid.GetInplaceEditor()->textCursor().selectedText() : QString();
}

// Runs Action once the next modal dialog is shown.
void WhenModal(const std::function<void(QWidget*)>& Action)
{
    QTimer::singleShot(0, [Action] {
        if (QWidget* modal = QApplication::activeModalWidget()) Action(modal);
    });
}

} // namespace

class TestSearchDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findDialogModes();
    void findDialogState();
    void notFoundMessage();
    void replacePrompt();
    void gotoLine_data();
    void gotoLine();
    void regExpDialog();
    void commandStates();
    void commands();
    void identicalTranslationAfterEdit();
    void replacingTranslatesNothingAlong_data();
    void replacingTranslatesNothingAlong();
    void typedTextTranslatesAlongBeforeReplaceAll();
};

void TestSearchDialogs::findDialogModes()
{
    TGridFixture f({"a"});
    TQReplaceData data(f.View.get());
    TdlgFind dlg;
    const int full = dlg.ReplaceModeHeight();
    QVERIFY(full > 0);

    dlg.Prepare(data, false, QFont(QStringLiteral("Arial")));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Find"));
    QCOMPARE(dlg.btnFind->text(), QStringLiteral("&Find"));
    QVERIFY(dlg.edReplace->isHidden() && dlg.lblReplace->isHidden() && dlg.btnReplaceAll->isHidden());
    QCOMPARE(dlg.height(), int(std::lround(full * 0.8535353535353535)));

    dlg.Prepare(data, true, QFont(QStringLiteral("Arial")));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Replace"));
    QCOMPARE(dlg.btnFind->text(), QStringLiteral("&Start"));
    QVERIFY(!dlg.edReplace->isHidden() && !dlg.lblReplace->isHidden() && !dlg.btnReplaceAll->isHidden());
    QCOMPARE(dlg.height(), full);

    // Help is offered only where there is help to show.
    QVERIFY(dlg.btnHelp->isHidden());
    QString topic;
    dlg.OnHelp = [&](const QString& Topic) { topic = Topic; };
    dlg.Prepare(data, true, QFont(QStringLiteral("Arial")));
    QVERIFY(!dlg.btnHelp->isHidden());
    dlg.btnHelp->click();
    QCOMPARE(topic, QStringLiteral("SearchingReplacing"));
}

void TestSearchDialogs::findDialogState()
{
    TGridFixture f({"a", "b"});
    f.Grid->FocusCell(2, 1, true);
    TQReplaceData data(f.View.get());
    data.FFindText = QStringLiteral("old");
    data.FReplaceText = QStringLiteral("new");
    data.FWholeCell = true;
    data.FUp = true;
    data.FCyclic = false;
    TdlgFind dlg;
    dlg.Prepare(data, true, QFont());
    QCOMPARE(data.FGridCol, 2);
    QCOMPARE(dlg.edFind->text(), QStringLiteral("old"));
    QCOMPARE(dlg.edReplace->text(), QStringLiteral("new"));
    QVERIFY(dlg.cbWholeCell->isChecked() && !dlg.cbWholeWord->isEnabled());
    QVERIFY(dlg.rbUp->isChecked() && !dlg.cbCyclic->isChecked());

    dlg.edFind->clear();
    QVERIFY(!dlg.btnFind->isEnabled() && !dlg.btnReplaceAll->isEnabled());
    dlg.edFind->setText(QStringLiteral("x"));
    QVERIFY(dlg.btnFind->isEnabled() && dlg.btnReplaceAll->isEnabled());
    dlg.cbWholeCell->setChecked(false);
    QVERIFY(dlg.cbWholeWord->isEnabled());
    dlg.cbWholeWord->setChecked(true);
    dlg.cbMatchCase->setChecked(true);
    dlg.rbDown->setChecked(true);
    dlg.edReplace->setText(QStringLiteral("y"));
    dlg.btnReplaceAll->click();
    QCOMPARE(dlg.result(), int(fdrReplaceAll));
    QCOMPARE(data.FFindText, QStringLiteral("x"));
    QCOMPARE(data.FReplaceText, QStringLiteral("y"));
    QVERIFY(data.FWholeWord && !data.FWholeCell && data.FMatchCase && !data.FUp && !data.FCyclic);

    // Find mode leaves the replacement alone.
    dlg.Prepare(data, false, QFont());
    dlg.edFind->setText(QStringLiteral("z"));
    dlg.btnFind->click();
    QCOMPARE(dlg.result(), int(fdrStart));
    QCOMPARE(data.FFindText, QStringLiteral("z"));
    QCOMPARE(data.FReplaceText, QStringLiteral("y"));
}

void TestSearchDialogs::notFoundMessage()
{
    QFont font(QStringLiteral("Serif"));
    std::unique_ptr<QDialog> dlg(CreateNFMessage(nullptr, QStringLiteral("a\r\nb\nc\rd"), font));
    QStringList texts;
    for (const QLabel* l : dlg->findChildren<QLabel*>())
        if (!l->text().isEmpty()) texts << l->text();
    QCOMPARE(texts, QStringList({"Search string \"", "a b c d", "\" not found"}));
    QCOMPARE(dlg->findChildren<QLabel*>()[2]->font().family(), font.family());
}

void TestSearchDialogs::replacePrompt()
{
    // A no-break space stays what it is when the cell's text is stored.
    TGridFixture f({"ab ab", "x\u00A0ab", "ab@u"});
    TQReplaceData state(f.View.get());
    state.FFindText = QStringLiteral("ab");
    state.FReplaceText = QStringLiteral("cd");
    state.FGridCol = 2;
    state.FCyclic = false;
    QStringList notFound;
    TdlgReplace prompt;
    prompt.OnNotFound = [&](const QString& Text) { notFound << Text; };
    QCOMPARE(prompt.btnReplace->text(), QStringLiteral("&Replace"));
    QVERIFY(prompt.btnReplace->isDefault());

    QCOMPARE(state.FindNext(true), 0);
    state.ShowFoundText();
    QCOMPARE(SelectedText(*f.Grid), QStringLiteral("ab"));
    prompt.Prepare(state);
    QVERIFY(prompt.btnReplace->isEnabled() && prompt.btnReplaceAll->isEnabled());

    prompt.btnReplace->click(); // "cd ab", then the second "ab" is selected
    QCOMPARE(f.German()[0], QStringLiteral("cd ab"));
    QCOMPARE(f.Grid->Row(), 0);
    QCOMPARE(SelectedText(*f.Grid), QStringLiteral("ab"));
    prompt.btnReplace->click(); // then on to the next row
    prompt.btnReplace->click();
    QCOMPARE(f.German(), QStringList({"cd cd", "x\u00A0cd", "ab"}));
    // The untranslatable row is shown, but cannot be replaced in.
    QCOMPARE(f.Grid->Row(), 2);
    QVERIFY(!prompt.btnReplace->isEnabled());
    prompt.btnFindNext->click();
    QCOMPARE(notFound, QStringList{"ab"});

    // Find Prev searches upwards from the row above: nothing left either.
    prompt.btnFindPrev->click();
    QCOMPARE(notFound.size(), 2);
    // Without a selection Replace is off and editing is cancelled, as by
    // Escape: the window hears of it (and gives the cell its button back).
    QStringList cancelled;
    f.Grid->OnCancelEdit = [&](TQStringGrid*, int ACol, int ARow, const QString& Text) {
        cancelled << QStringLiteral("%1:%2:%3").arg(ACol).arg(ARow).arg(Text);
    };
    f.Grid->FocusCell(2, 0, true);
    f.View->EditAndSelect(1, 0);
    QVERIFY(f.Grid->Editing());
    prompt.UpdateReplaceButton();
    QVERIFY(!prompt.btnReplace->isEnabled());
    QVERIFY(!f.Grid->Editing());
    QCOMPARE(cancelled, QStringList{"2:0:cd cd"});
    // Replace All closes an editor that shows a hit the same way, but keeps
    // what was typed: the edit is stored, then replaced in.
    f.View->EditAndSelect(0, 2);
    state.ReplaceAll();
    QCOMPARE(cancelled.size(), 2);
    f.View->EditAndSelect(0, 2);
    f.Grid->GetInplaceEditor()->insertPlainText(QStringLiteral("ab x"));
    state.ReplaceAll();
    QCOMPARE(cancelled.size(), 2);
    QCOMPARE(f.German()[0], QStringLiteral("cd x cd"));

    prompt.btnReplaceAll->click();
    QCOMPARE(prompt.result(), TdlgReplace::ReplaceAllResult);
}

void TestSearchDialogs::gotoLine_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("opens");
    QTest::newRow("no rows") << 0 << 0 << false;
    QTest::newRow("line 0") << 0 << 5 << false;
    QTest::newRow("normal") << 3 << 5 << true;
}

void TestSearchDialogs::gotoLine()
{
    QFETCH(int, line);
    QFETCH(int, rows);
    QFETCH(bool, opens);
    TdlgGotoLine dlg;
    QCOMPARE(dlg.Prepare(line, rows), opens);
    if (!opens) {
        QVERIFY(!dlg.Execute(line, rows)); // returns at once
        return;
    }
    QCOMPARE(dlg.edLine->text(), QString::number(line));
    QVERIFY(dlg.btnOK->isEnabled());
    for (const char* bad : {"0", "6", "", "-1", "2.5"}) {
        dlg.edLine->setText(QString::fromLatin1(bad));
        QVERIFY2(!dlg.btnOK->isEnabled(), bad);
    }
    dlg.edLine->clear();
    QTest::keyClicks(dlg.edLine, QStringLiteral("a_`Z4"));
    QCOMPARE(dlg.edLine->text(), QStringLiteral("4"));
    QTest::keyClicks(dlg.edLine, QStringLiteral("+"));
    QCOMPARE(dlg.edLine->text(), QStringLiteral("4+")); // other characters are typed
    QVERIFY(!dlg.btnOK->isEnabled());
    dlg.edLine->setText(QStringLiteral("4"));
    dlg.btnOK->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.FLineNumber, 4);
}

void TestSearchDialogs::regExpDialog()
{
    TdlgRegExp dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Regular Expression"));
    QVERIFY(dlg.findChild<QLabel*>()->text() == QStringLiteral("Enter the Regular Expression:"));
    QVERIFY(dlg.meReference->isReadOnly() && !dlg.meReference->toPlainText().isEmpty());
    QString expression = QStringLiteral("^a");
    WhenModal([&](QWidget*) {
        QCOMPARE(dlg.edRegExp->text(), QStringLiteral("^a"));
        QVERIFY(dlg.btnOK->isEnabled());
        // An expression that does not compile cannot be confirmed, and says why.
        dlg.edRegExp->setText(QStringLiteral("(b"));
        QVERIFY(!dlg.btnOK->isEnabled());
        QVERIFY(!dlg.lblError->text().isEmpty());
        dlg.edRegExp->setText(QStringLiteral("b$"));
        QVERIFY(dlg.btnOK->isEnabled());
        dlg.accept();
    });
    QVERIFY(dlg.Execute(expression));
    QCOMPARE(expression, QStringLiteral("b$"));
    WhenModal([&](QWidget*) { dlg.reject(); });
    QVERIFY(!dlg.Execute(expression));
    QCOMPARE(expression, QStringLiteral("b$"));
}

void TestSearchDialogs::commandStates()
{
    TGridFixture f({"%d files>%d Dateien", "Open"});
    TLEProject project;
    TRecordingPrompt prompt;
    TSearchCommands search(f.Grid.get(), f.Grid.get(), &project, &prompt, {});
    QMenu menu;
    search.AddSearchActions(&menu);
    auto states = [&] {
        QString s;
        for (QAction* a :
             {search.miGotoLine, search.miFind, search.miFindWrongFormats, search.miFindNext, search.miReplace})
            s += a->isEnabled() ? '1' : '0';
        return s;
    };
    f.Grid->FocusCell(2, 0, true);
    search.UpdateCommandStates();
    QCOMPARE(states(), QStringLiteral("11101")); // no search text yet
    search.FFindData.FFindText = QStringLiteral("x");
    search.UpdateCommandStates();
    QCOMPARE(states(), QStringLiteral("11111"));
    f.Grid->FocusCell(1, 0, true); // the native column: no format search, no replacing
    search.UpdateCommandStates();
    QCOMPARE(states(), QStringLiteral("11010"));
    f.Grid->SetSelection({1, 0, 2, 0}); // two columns
    f.Grid->FocusCell(2, 0, false);
    search.UpdateCommandStates();
    QCOMPARE(states(), QStringLiteral("10000"));
}

void TestSearchDialogs::commands()
{
    TGridFixture f({"Open", "Open", "%d files>Datei", "Open@u", "Open"});
    TLEProject project;
    TRecordingPrompt prompt;
    bool useReplaceTb = false;
    TSearchHost host;
    host.UseReplaceTb = [&] { return useReplaceTb; };
    TSearchCommands search(f.Grid.get(), f.Grid.get(), &project, &prompt, host);
    QStringList notFound;
    search.ShowNotFound = [&](const QString& Text, const QFont&) { notFound << Text; };

    // Identical texts are translated along silently.
    f.Grid->FocusCell(2, 0, true);
    f.Grid->OnSetEditText(f.Grid.get(), 2, 0, QStringLiteral("Öffnen"));
    search.AutoTranslateIdentical(2, QStringLiteral("Open"), QStringLiteral("Öffnen"), QStringLiteral("Open"));
    QCOMPARE(f.German(), QStringList({"Öffnen", "Öffnen", "Datei", "Open", "Öffnen"}));

    // Through the prompt: Replace All from it, with the count reported.
    useReplaceTb = true;
    f.Grid->OnSetEditText(f.Grid.get(), 2, 0, QStringLiteral("Auf"));
    WhenModal([&](QWidget*) {
        QCOMPARE(f.Grid->Row(), 1); // the first other row is shown
        search.ReplacePrompt()->btnReplaceAll->click();
    });
    search.AutoTranslateIdentical(2, QStringLiteral("Öffnen"), QStringLiteral("Auf"), QStringLiteral("Open"));
    QCOMPARE(f.German(), QStringList({"Auf", "Auf", "Datei", "Open", "Auf"}));
    QCOMPARE(prompt.Log.filter(QStringLiteral("items replaced")).size(), 1);
    search.ReplacePrompt()->UpdateReplaceButton(); // no longer bound to the finished state
    QVERIFY(prompt.Log.last().contains(QStringLiteral("2 items replaced")));

    // Format mismatches: found, and then none left.
    f.Grid->FocusCell(2, 0, true);
    search.FindWrongFormats();
    QCOMPARE(f.Grid->Row(), 2);
    f.Grid->OnSetEditText(f.Grid.get(), 2, 2, QStringLiteral("%d Dateien"));
    f.Grid->EndEditing(true);
    search.FindNext(true);
    QVERIFY(prompt.Log.last().contains(QStringLiteral("No more strings found.")));

    // A text search that finds nothing shows the not-found message.
    search.FFindData.FSearchWrongFormats = false;
    search.FFindData.FFindText = QStringLiteral("zzz");
    search.FindNext(true);
    QCOMPARE(notFound, QStringList{"zzz"});

    // Next untranslated: the untranslatable row counts; none after the last row.
    f.Grid->FocusCell(2, 2, true);
    f.Item(4)->Values().Items(1)->SetValueVersion(1);
    search.GotoNextUntranslated();
    QCOMPARE(f.Grid->Row(), 3);
    search.GotoNextUntranslated();
    QCOMPARE(f.Grid->Row(), 3);

    // Go to Line.
    WhenModal([&](QWidget*) {
        search.GotoLineDialog()->edLine->setText(QStringLiteral("2"));
        search.GotoLineDialog()->btnOK->click();
    });
    search.GotoLineNumber();
    QCOMPARE(f.Grid->Row(), 1);
}

// The identical-text translation runs from the cell edit path while the grid
// ends the edit of the typed row: the prompt replaces in the rows it shows,
// never in the typed row's text.
void TestSearchDialogs::identicalTranslationAfterEdit()
{
    TGridFixture f({"Open", "Open", "Open"});
    TLEProject project;
    TRecordingPrompt prompt;
    TSearchHost host;
    host.UseReplaceTb = [] { return true; };
    TSearchCommands search(f.Grid.get(), f.Grid.get(), &project, &prompt, host);
    f.TranslateAlong(search);
    f.Grid->FocusCell(2, 0, true);
    QVERIFY(f.Grid->ShowEditor());
    f.Grid->GetInplaceEditor()->SetText(QStringLiteral("Öffnen"));
    int shownRow = -1, nextRow = -1;
    QStringList afterReplace;
    WhenModal([&](QWidget*) {
        shownRow = f.Grid->Row();
        search.ReplacePrompt()->btnReplace->click();
        afterReplace = f.German();
        nextRow = f.Grid->Row();
        search.ReplacePrompt()->btnReplaceAll->click();
    });
    f.Grid->EndEditing(false);
    QCOMPARE(shownRow, 1);
    QCOMPARE(afterReplace, QStringList({"Öffnen", "Öffnen", "Open"}));
    QCOMPARE(nextRow, 2);
    QCOMPARE(f.German(), QStringList({"Öffnen", "Öffnen", "Öffnen"}));
}

// The user's own replacing reaches the rows with the old text itself (they
// hold the search text too): its edits translate nothing along. Replace All
// counts every cell it changed, and the prompt is not opened a second time
// from its own Replace (it would stop answering).
void TestSearchDialogs::replacingTranslatesNothingAlong_data()
{
    QTest::addColumn<bool>("useReplaceTb");
    QTest::addColumn<bool>("replaceAll");
    QTest::newRow("replace all, silent") << false << true;
    QTest::newRow("replace all, prompt") << true << true;
    QTest::newRow("prompt's replace, silent") << false << false;
    QTest::newRow("prompt's replace, prompt") << true << false;
}

void TestSearchDialogs::replacingTranslatesNothingAlong()
{
    QFETCH(bool, useReplaceTb);
    QFETCH(bool, replaceAll);
    TGridFixture f({"Open", "Open", "Open"});
    TLEProject project;
    TRecordingPrompt prompt;
    TSearchHost host;
    host.UseReplaceTb = [useReplaceTb] { return useReplaceTb; };
    TSearchCommands search(f.Grid.get(), f.Grid.get(), &project, &prompt, host);
    f.TranslateAlong(search);
    search.ShowNotFound = [](const QString&, const QFont&) {};
    QStringList steps;
    WhenShown(search.FindDialog(), [&] {
        search.FindDialog()->edFind->setText(QStringLiteral("Open"));
        search.FindDialog()->edReplace->setText(QStringLiteral("Auf"));
        search.FindDialog()->cbCyclic->setChecked(false);
        if (replaceAll) {
            search.FindDialog()->btnReplaceAll->click();
            return;
        }
        WhenShown(search.ReplacePrompt(), [&] {
            for (int i = 0; i < 2; ++i) {
                search.ReplacePrompt()->btnReplace->click();
                steps << f.German().join(',') + QStringLiteral(" row %1").arg(f.Grid->Row());
            }
            search.ReplacePrompt()->reject();
        });
        search.FindDialog()->btnFind->click();
    });
    search.Replace();
    if (replaceAll) {
        QCOMPARE(f.German(), QStringList({"Auf", "Auf", "Auf"}));
        QCOMPARE(prompt.Log.filter(QStringLiteral("items replaced")), QStringList{"Information: 3 items replaced"});
    } else {
        QCOMPARE(steps, QStringList({"Auf,Open,Open row 1", "Auf,Auf,Open row 2"}));
    }
}

// A translation typed but not confirmed before Replace All is stored as by
// Enter, and so translated along as any edit is; only the replacing's own
// edits translate nothing along.
void TestSearchDialogs::typedTextTranslatesAlongBeforeReplaceAll()
{
    TGridFixture f({"Close", "Close", "Open"});
    TLEProject project;
    TRecordingPrompt prompt;
    TSearchCommands search(f.Grid.get(), f.Grid.get(), &project, &prompt, TSearchHost{});
    f.TranslateAlong(search);
    f.Grid->FocusCell(2, 0, true);
    QVERIFY(f.Grid->ShowEditor());
    f.Grid->GetInplaceEditor()->selectAll();
    f.Grid->GetInplaceEditor()->insertPlainText(QStringLiteral("Zu"));
    WhenShown(search.FindDialog(), [&] {
        search.FindDialog()->edFind->setText(QStringLiteral("Open"));
        search.FindDialog()->edReplace->setText(QStringLiteral("Auf"));
        search.FindDialog()->btnReplaceAll->click();
    });
    search.Replace();
    QCOMPARE(f.German(), QStringList({"Zu", "Zu", "Auf"}));
    QCOMPARE(prompt.Log.filter(QStringLiteral("items replaced")), QStringList{"Information: 1 items replaced"});
}

QTEST_MAIN(TestSearchDialogs)
#include "tst_searchdialogs.moc"
