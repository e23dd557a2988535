#include "FileAnswers.h"
#include "SampleWindow.h"

#include "app/gui/commands/RepositoryCommands.h"
#include "app/gui/commands/SearchCommands.h"
#include "app/gui/dialogs/language/LanguagePropertiesDialog.h"
#include "app/gui/dialogs/options/OptionsDialog.h"
#include "app/gui/dialogs/options/RepositoryOptionsPage.h"
#include "app/gui/dialogs/repository/RepExportDialog.h"
#include "app/gui/dialogs/repository/RepImportMSGlossaryDialog.h"
#include "app/gui/dialogs/repository/RepRefreshDialog.h"
#include "app/gui/dialogs/repository/RepositoryForm.h"
#include "app/gui/dialogs/search/FindDialog.h"
#include "app/gui/window/GuiPrompt.h"
#include "app/gui/window/MainForm.h"
#include "app/gui/window/ProgressForm.h"
#include "langfile/LangFile.h"
#include "platform/Settings.h"
#include "repository/LangRepository.h"
#include "repository/PgRepository.h"
#include "repository/PgTestServer.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>

#include <memory>

namespace {

const int kEnglish = 0x0409, kGerman = 0x0407, kGermanAustria = 0x0C07;

// The editor's own progress window, with messages recorded instead of shown.
class TTestPrompt : public TGuiPrompt {
public:
    QStringList Log;
    QList<TMsgResult> Answers;
    TMsgResult Message(TMsgKind, const QString& text, TMsgButtons, TMsgResult Default) override
    {
        Log << text;
        return Answers.isEmpty() ? Default : Answers.takeFirst();
    }
};

// Clicks, in order, the buttons captioned Buttons of the modal dialogs that
// come up; a button of another window than the progress window.
class TDialogAnswers : public QObject {
public:
    explicit TDialogAnswers(QStringList Buttons, std::function<void(QDialog*)> Inspect = {})
        : FButtons(std::move(Buttons)), FInspect(std::move(Inspect))
    {
        connect(&FTimer, &QTimer::timeout, this, [this] { Poll(); });
        FTimer.start(10);
    }
    int Shown = 0;

private:
    void Poll()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || FButtons.isEmpty()) return;
        if (FInspect) FInspect(dialog);
        const QString text = FButtons.takeFirst();
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == text && b->isVisible()) {
                ++Shown;
                QTest::mouseClick(b, Qt::LeftButton);
                return;
            }
        qWarning("no visible button %s", qPrintable(text));
        dialog->reject();
    }
    QStringList FButtons;
    std::function<void(QDialog*)> FInspect;
    QTimer FTimer;
};

// The sample project in a shown main window with a repository of the test's
// own holding English and German.
struct TEditor : TSampleWindow<TTestPrompt> {
    TEditor()
    {
        Show({"deu"}, OpenGerman());
        Rep().AddLocales({kEnglish, kGerman});
        Form->UpdateCommandStates();
    }
    TRepositoryCommands* Commands() const { return Form->Repository(); }
    TQLangRepository& Rep() const { return dynamic_cast<TQLangRepository&>(*Commands()->Repository()); }
    TLangFile* German() const { return Form->Project().LangFiles().Items(1); }
    int GermanCol() const
    {
        for (int c = 0; c < Grid()->VisibleColCount(); ++c)
            if (Form->ColumnFile(c) == German()) return c;
        return -1;
    }
    // The first Count rows with a text that is neither untranslatable nor verified.
    QList<int> TextRows(int Count) const
    {
        QList<int> rows;
        QSet<QString> natives;
        for (int r = 0; r < Grid()->RowCount() && rows.size() < Count; ++r) {
            TLocItem* i = Form->RowItem(r);
            const QString native = i->MainValue()->Value();
            if (i->Values().ValueType() == ptString && !i->Attribute(vaUntranslatable) &&
                !i->Values().Items(1)->Attribute(vaVerified) && native.size() > 2 && !natives.contains(native)) {
                natives << native;
                rows << r;
            }
        }
        return rows;
    }
    QString Native(int Row) const { return Form->RowItem(Row)->MainValue()->Value(); }
    QString Value(int Row) const { return Form->RowItem(Row)->Values().Items(1)->Value(); }
    void SetValue(int Row, const QString& Text) const { Form->RowItem(Row)->Values().Items(1)->SetValue(Text); }
    void AddPair(const QString& Native, const QString& Translation) const
    {
        Rep().Append();
        Rep().SetWord(kEnglish, Native);
        Rep().SetWord(kGerman, Translation);
        Rep().Post();
    }
    QStringList Translations(const QString& Native) const
    {
        QList<TQValueLocation> found;
        Rep().GetPairsByWord(kEnglish, kGerman, Native, {}, found);
        QStringList texts;
        for (const TQValueLocation& f : found) texts << f.Text;
        texts.sort();
        return texts;
    }
    void Select(int Top, int Bottom) const { Grid()->SetSelection({GermanCol(), Top, GermanCol(), Bottom}); }
    // The repository's settings as the options dialog leaves them.
    void Set(const std::function<void(TEditorSettings&)>& Change) const { Change(Form->Settings()); }
    QAction* Action(const char* Name) const { return Form->findChild<QAction*>(QLatin1String(Name)); }
};

} // namespace

class TestRepositoryCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menuAndEnabling()
    {
        TEditor e;
        QStringList entries;
        QMenu* menu = nullptr;
        for (QMenu* m : e.Form->findChildren<QMenu*>())
            if (m->title() == QStringLiteral("&Repository")) menu = m;
        QVERIFY(menu);
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) entries << a->text() + QLatin1Char('|') + a->shortcut().toString();
        QCOMPARE(entries,
                 (QStringList{"Repair repositor&y|", "&Pack repository|", "&Add Cell|Ctrl+L", "&Refresh by Language|",
                              "Translate &Cell|Ctrl+T", "Translate A&ll|", "&Import XML/TMX...|",
                              "Import MS &Glossary...|", "&Export XML...|", "Export TM&X...|", "&Show Repository|"}));
        QVERIFY(!e.Action("miRepairRepository")->isVisible()); // debug mode only
        QVERIFY(QFileInfo::exists(e.RepositoryFile()));
        QCOMPARE(TSettingsKey().ReadString(QStringLiteral("RepositoryPath"), QString()), e.RepositoryFile());

        // The native column is no language to add or translate.
        e.Grid()->FocusCell(e.GermanCol() - 1, 0, true);
        QVERIFY(!e.Action("miRepAddCell")->isEnabled());
        QVERIFY(!e.Action("miRepTranslateLang")->isEnabled());
        QVERIFY(e.Action("miPackRepository")->isEnabled());
        e.Grid()->FocusCell(e.GermanCol(), e.TextRows(1).first(), true);
        for (const char* name : {"miRepAddCell", "miRepRefreshLang", "miRepTranslateCell", "miRepTranslateLang",
                                 "pmRepAddCell", "pmRepTranslateCell", "pmShowRepository"})
            QVERIFY2(e.Action(name)->isEnabled(), name);
    }

    void unopenableRepositoryLeavesEditorWithout()
    {
        TEditor e;
        // A folder where the table file should be: nothing can open it.
        const QString bad = e.Dir.filePath("bad.lr");
        QVERIFY(QDir().mkpath(bad));
        e.Commands()->OpenRepository(bad);
        QVERIFY(!e.Commands()->Repository());
        QTRY_COMPARE(e.Prompt.Log.size(), 1);
        for (const char* name : {"miRepAddCell", "miRepTranslateLang", "miPackRepository", "miShowRepository"})
            QVERIFY2(!e.Action(name)->isEnabled(), name);
        QCOMPARE(TSettingsKey().ReadString(QStringLiteral("RepositoryPath"), QString()), bad);
        // A good path brings the commands back.
        e.Commands()->OpenRepository(e.RepositoryFile());
        QVERIFY(e.Action("miShowRepository")->isEnabled());
    }

    void repositoryInUseOpensReadOnly()
    {
        TEditor e;
        const QString other = e.Dir.filePath("shared/team.lr");
        TQLangRepository writer(other); // another program holding it for writing
        writer.OpenOrCreate();
        writer.AddLocales({kEnglish, kGerman});
        e.Commands()->OpenRepository(other);
        QVERIFY(e.Commands()->Repository() && e.Rep().ReadOnly());
        QTRY_COMPARE(e.Prompt.Log.size(), 1);
        QVERIFY(e.Prompt.Log.first().contains(QStringLiteral("opened read-only")));
        e.Grid()->FocusCell(e.GermanCol(), e.TextRows(1).first(), true);
        QVERIFY(e.Action("miRepTranslateCell")->isEnabled());
        QVERIFY(e.Action("miShowRepository")->isEnabled());
        for (const char* name :
             {"miRepAddCell", "miRepRefreshLang", "miPackRepository", "miImportMSGlossary", "miRepImport"})
            QVERIFY2(!e.Action(name)->isEnabled(), name);
    }

    void importGlossary()
    {
        TEditor e;
        const QString csv = e.Dir.filePath("glossary.csv");
        QFile f(csv);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"Cancel\",\"Button\",\"Abbrechen\"\r\nOnly,two\r\nSave,Button,Speichern\r\n");
        f.close();
        bool okBefore = true;
        TDialogAnswers answers({"OK"}, [&](QDialog* d) {
            auto* dialog = static_cast<TdlgRepImportMSGlossary*>(d);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Repository Import MS Glossary File"));
            QCOMPARE(dialog->Language1()->currentData().toInt(), 9);
            dialog->FileEdit()->setText(csv);
            okBefore = dialog->OkButton()->isEnabled(); // no second language yet
            dialog->Language2()->setCurrentIndex(dialog->Language2()->findData(kGerman));
        });
        e.Action("miImportMSGlossary")->trigger();
        QVERIFY(!okBefore);
        QCOMPARE(e.Prompt.Log, QStringList{"Glossary successfully imported"});
        QVERIFY(e.Rep().HasLocale(9));
        QList<TQValueLocation> found;
        e.Rep().GetPairsByWord(9, kGerman, QStringLiteral("Cancel"), {}, found);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().Text, QStringLiteral("Abbrechen"));
        QCOMPARE(e.Rep().RecordCount(), 2);
    }

    // Export TMX through its dialog (an existing file needs a Yes), then the
    // file comes back in through the import.
    void exportAndImportTmx()
    {
        TEditor e;
        e.Rep().AddEditWord(kEnglish, kGerman, "Open file", "Datei öffnen", {});
        const QString tmx = e.Dir.filePath("out.tmx");
        QFile(tmx).open(QIODevice::WriteOnly); // already there
        bool formatShown = true, baseEditable = true;
        e.Prompt.Answers = {mrNo, mrYes};
        {
            TDialogAnswers answers({"OK", "OK"}, [&](QDialog* d) {
                auto* dialog = qobject_cast<TdlgRepExport*>(d);
                if (!dialog) return;
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Repository Export"));
                formatShown = dialog->StringsFormat()->isVisible();
                baseEditable = dialog->Languages()->item(0)->flags() & Qt::ItemIsEnabled;
                dialog->FileEdit()->setText(tmx);
            });
            e.Action("miRepExportTMX")->trigger();
            QCOMPARE(answers.Shown, 2);
        }
        QVERIFY(!formatShown && !baseEditable);
        QCOMPARE(e.Prompt.Log.size(), 2); // asked twice whether to overwrite
        QVERIFY(e.Prompt.Log.first().startsWith("File \""));
        QFile f(tmx);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("<seg>Datei öffnen</seg>"));

        // Into an emptied repository.
        e.Rep().First();
        while (e.Rep().RecordCount() > 0) {
            e.Rep().First();
            e.Rep().Delete();
        }
        e.Prompt.Log.clear();
        e.Prompt.Answers = {mrOk};
        QVERIFY(e.Action("miRepImport")->isEnabled());
        TFileAnswers files;
        files.Answers = {tmx};
        e.Action("miRepImport")->trigger();
        QCOMPARE(files.Requests.value(0).Title, QStringLiteral("Select file to import from"));
        QCOMPARE(e.Prompt.Log.size(), 1);
        QVERIFY(e.Prompt.Log.first().startsWith("You are about to import the file\n\n\""));
        QString word;
        QVERIFY(e.Rep().ExtractWord(kEnglish, "Open file", kGerman, word, {}));
        QCOMPARE(word, QStringLiteral("Datei öffnen"));
    }

    void addCellAnswers_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<bool>("nextAsked");
        QTest::newRow("update") << "&Update" << QStringList{"Neu"} << true;
        QTest::newRow("add") << "&Add" << QStringList{"Alt", "Neu"} << true;
        QTest::newRow("skip") << "&Skip" << QStringList{"Alt"} << true;
        // Cancel ends Add Cell: the second row is not asked for.
        QTest::newRow("cancel") << "Cancel" << QStringList{"Alt"} << false;
    }
    void addCellAnswers()
    {
        QFETCH(QString, button);
        QFETCH(QStringList, stored);
        QFETCH(bool, nextAsked);
        TEditor e;
        const QList<int> rows = e.TextRows(2);
        for (int r : rows) {
            e.AddPair(e.Native(r), QStringLiteral("Alt"));
            e.SetValue(r, QStringLiteral("Neu"));
        }
        e.German()->SetAskRepLocale(false);
        e.Form->Project().LangFiles().Items(0)->SetAskRepLocale(false);
        e.Select(rows[0], rows[1]);
        QStringList shown;
        TDialogAnswers answers({button, "&Skip"}, [&](QDialog* d) {
            shown << d->windowTitle() + QLatin1Char('|') + d->findChild<QLabel*>("lblNative")->text() +
                         QLatin1Char('|') + d->findChild<QListWidget*>()->item(0)->text();
            // One row at a time: no answers for all items.
            QVERIFY(!d->findChildren<QPushButton*>().isEmpty());
            for (QPushButton* b : d->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("Skip A&ll")) QVERIFY(!b->isVisible());
        });
        QTest::keyClick(e.Grid(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(shown.first(), QStringLiteral("Refresh repository|") + e.Native(rows[0]) + QStringLiteral("|Alt"));
        QCOMPARE(answers.Shown, nextAsked ? 2 : 1);
        QCOMPARE(e.Translations(e.Native(rows[0])), stored);
        QCOMPARE(e.Translations(e.Native(rows[1])), QStringList{"Alt"});
    }

    void refreshByLanguageSkipAll()
    {
        TEditor e;
        const QList<int> rows = e.TextRows(3);
        for (int r : rows) {
            e.AddPair(e.Native(r), QStringLiteral("Alt"));
            e.Form->RowItem(r)->Values().Items(1)->SetValue(QStringLiteral("Neu"));
        }
        e.Grid()->FocusCell(e.GermanCol(), rows[0], true);
        // Skip A&ll answers for the rest of the run: one question only.
        TDialogAnswers answers({"Skip A&ll", "&Add", "&Add"});
        e.Action("miRepRefreshLang")->trigger();
        QCOMPARE(answers.Shown, 1);
        for (int r : rows) QCOMPARE(e.Translations(e.Native(r)), QStringList{"Alt"});
    }

    void languageMappingForAustria()
    {
        TEditor e;
        e.German()->SetLocale(kGermanAustria);
        const int row = e.TextRows(1).first();
        e.SetValue(row, QStringLiteral("Servus"));
        e.Grid()->FocusCell(e.GermanCol(), row, true);
        QStringList search, target;
        bool searchEnabled = true, dontAskShown = false;
        TDialogAnswers answers({"OK"}, [&](QDialog* d) {
            auto* dialog = static_cast<TdlgRepRefreshLang*>(d);
            for (int i = 0; i < dialog->SearchList()->count(); ++i) search << dialog->SearchList()->item(i)->text();
            for (int i = 0; i < dialog->TargetList()->count(); ++i) target << dialog->TargetList()->item(i)->text();
            searchEnabled = dialog->SearchList()->isEnabled();
            dontAskShown = dialog->DontAskBox()->isVisible();
            dialog->TargetList()->setCurrentRow(1);
            dialog->DontAskBox()->setChecked(true);
        });
        e.Action("miRepAddCell")->trigger();
        QCOMPARE(answers.Shown, 1);
        QCOMPARE(search, QStringList{"English (United States)"});
        QVERIFY(!searchEnabled); // a single choice
        QCOMPARE(target, (QStringList{"German (Austria)", "German (Germany)"}));
        QVERIFY(dontAskShown);
        // The pair went to German (Germany), which the language keeps for next time.
        QCOMPARE(e.Translations(e.Native(row)), QStringList{"Servus"});
        QVERIFY(!e.Rep().HasLocale(kGermanAustria));
        QCOMPARE(int(e.German()->RepLocale()), kGerman);
        QVERIFY(!e.German()->AskRepLocale());
    }

    void sameLocaleWarns()
    {
        TEditor e;
        e.German()->SetLocale(kEnglish);
        e.Grid()->FocusCell(e.GermanCol(), e.TextRows(1).first(), true);
        e.Action("miRepAddCell")->trigger();
        QCOMPARE(e.Prompt.Log, QStringList{"Could not add language to the Repository.\r\nThe language locale is the "
                                           "same with the native one."});
    }

    void translateCellInPlaceEditor()
    {
        TEditor e;
        const int row = e.TextRows(1).first();
        e.AddPair(e.Native(row), QStringLiteral("Aus dem Speicher"));
        e.Grid()->FocusCell(e.GermanCol(), row, true);
        QVERIFY(e.Grid()->ShowEditor());
        e.Grid()->GetInplaceEditor()->SetText(QStringLiteral("getippt"));
        QTest::keyClick(e.Grid()->GetInplaceEditor(), Qt::Key_T, Qt::ControlModifier);
        QVERIFY(e.Grid()->Editing());
        QCOMPARE(e.Grid()->GetInplaceEditor()->Text(), QStringLiteral("Aus dem Speicher"));
        // Only the editor changed; Enter stores it.
        QVERIFY(!e.German()->Modified());
        QTest::keyClick(e.Grid()->GetInplaceEditor(), Qt::Key_Return);
        QCOMPARE(e.Value(row), QStringLiteral("Aus dem Speicher"));
        QVERIFY(e.Form->RowItem(row)->IsTranslated(1));
    }

    // Translate All while the in-place editor is open on a cell: an editor
    // only opened (one click) closes without writing its text, one the user
    // typed into is stored first; neither lands after the run. It used to
    // leave the cell with the editor's text, stamped translated.
    void translateAllEndsTheCellEdit()
    {
        TEditor e;
        e.Set([](TEditorSettings& s) { s.RepTranslateAll = true; });
        const QList<int> rows = e.TextRows(2);
        for (int r : rows) e.AddPair(e.Native(r), QStringLiteral("T:") + e.Native(r));
        const int col = e.GermanCol();
        const auto translateAllWithEditor = [&](int Row, const QString& Typed) {
            e.Grid()->FocusCell(col, Row, true);
            QVERIFY(e.Grid()->ShowEditor()); // as one click on the current cell opens it
            if (!Typed.isEmpty()) QTest::keyClicks(e.Grid()->GetInplaceEditor(), Typed);
            e.Action("miRepTranslateLang")->trigger();
            QVERIFY(!e.Grid()->Editing());
            // Whatever the user does next, no stale text comes back.
            QTest::keyClick(e.Grid(), Qt::Key_Down);
        };
        translateAllWithEditor(rows[0], QString());
        QCOMPARE(e.Value(rows[0]), QStringLiteral("T:") + e.Native(rows[0]));
        QCOMPARE(e.Grid()->GetCell(col, rows[0]), QStringLiteral("T:") + e.Native(rows[0]));

        // A typed text goes through the cell edit path first; the run then
        // replaces it as it replaces every translated value.
        e.Set([](TEditorSettings& s) { s.RepTranslateAll = false; });
        translateAllWithEditor(rows[1], QStringLiteral("getippt"));
        QVERIFY(e.Value(rows[1]).endsWith(QStringLiteral("getippt")));
        QVERIFY(e.Form->RowItem(rows[1])->IsTranslated(1));
    }

    // Translate All ends with what it did, in the words of -translate:, and
    // says why when it did nothing (it used to say nothing at all).
    void translateAllSaysWhatItDid()
    {
        TEditor e;
        e.Set([](TEditorSettings& s) { s.RepTranslateAll = false; });
        int row = -1;
        for (int r : e.TextRows(40))
            if (!e.Form->RowItem(r)->IsTranslated(1)) row = r;
        QVERIFY(row >= 0);
        e.Grid()->FocusCell(e.GermanCol(), row, true);
        e.AddPair(e.Native(row), QStringLiteral("Aus dem Speicher"));
        e.Prompt.Log.clear();
        e.Action("miRepTranslateLang")->trigger();
        QCOMPARE(e.Prompt.Log.size(), 1);
        QVERIFY2(e.Prompt.Log[0].startsWith("deu: 1 translated, "), qPrintable(e.Prompt.Log[0]));
        QVERIFY(e.Prompt.Log[0].endsWith(" untranslated"));

        e.Prompt.Log.clear();
        e.Action("miRepTranslateLang")->trigger();
        QVERIFY2(e.Prompt.Log.value(0).startsWith("deu: 0 translated, "), qPrintable(e.Prompt.Log.value(0)));
        QVERIFY(e.Prompt.Log[0].contains("Translated values were kept"));

        e.Rep().DeleteLocales({kGerman});
        e.Prompt.Log.clear();
        e.Action("miRepTranslateLang")->trigger();
        QVERIFY(e.Prompt.Log.value(0).endsWith("The repository holds no texts in German (Germany)."));
    }

    void translateSelectedCellsAskWhenSeveral()
    {
        TEditor e;
        e.Set([](TEditorSettings& s) { s.RepAutoRefreshByCell = true; });
        const QList<int> rows = e.TextRows(2);
        e.AddPair(e.Native(rows[0]), QStringLiteral("Eins"));
        e.AddPair(e.Native(rows[0]), QStringLiteral("Zwei"));
        e.AddPair(e.Native(rows[1]), QStringLiteral("Drei"));
        e.Select(rows[0], rows[1]);
        QString caption;
        TDialogAnswers answers({"&Replace"}, [&](QDialog* d) {
            caption = d->windowTitle();
            // The order of the list is the search's (the index's once it is built).
            auto* list = d->findChild<QListWidget*>();
            list->setCurrentItem(list->findItems(QStringLiteral("Zwei"), Qt::MatchExactly).value(0));
        });
        QTest::keyClick(e.Grid(), Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(caption, QStringLiteral("Translate with repository"));
        QCOMPARE(e.Value(rows[0]), QStringLiteral("Zwei"));
        QCOMPARE(e.Value(rows[1]), QStringLiteral("Drei"));
        QVERIFY(e.Form->RowItem(rows[1])->IsTranslated(1));
        QCOMPARE(e.Grid()->GetCell(e.GermanCol(), rows[1]), QStringLiteral("Drei"));
        // Filling from the repository adds nothing back to it.
        QCOMPARE(e.Rep().RecordCount(), 3);
    }

    void translateAllCancelledMidway()
    {
        TEditor e;
        const QList<int> rows = e.TextRows(12);
        QVERIFY(rows.size() >= 10);
        for (int r : rows) e.AddPair(e.Native(r), QStringLiteral("T:") + e.Native(r));
        e.Grid()->FocusCell(e.GermanCol(), rows[0], true);
        QString message;
        bool modal = false;
        // Cancel pressed while the run is on its sixth item.
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TProgressForm*>(QApplication::activeModalWidget());
            QVERIFY(form);
            message = form->Message();
            modal = form->isModal();
            connect(form->Bar(), &QProgressBar::valueChanged, form, [form](int Value) {
                if (Value == 5) QTest::mouseClick(form->CancelButton(), Qt::LeftButton);
            });
        });
        e.Action("miRepTranslateLang")->trigger();
        QCOMPARE(message, QStringLiteral("Translating properties..."));
        QVERIFY(modal);
        QCOMPARE(e.Prompt.Log, QStringList{"Translation has been terminated by user"});
        int translated = 0;
        for (int r : rows) translated += e.Value(r) == QStringLiteral("T:") + e.Native(r) ? 1 : 0;
        QVERIFY2(translated > 0 && translated < rows.size(), qPrintable(QString::number(translated)));
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(e.German()->Modified());
    }

    void autoRefreshByCell()
    {
        TEditor e;
        const int row = e.TextRows(1).first();
        e.Grid()->FocusCell(e.GermanCol(), row, true);
        QVERIFY(e.Grid()->ShowEditor());
        e.Grid()->GetInplaceEditor()->SetText(QStringLiteral("Ohne"));
        e.Grid()->EndEditing();
        QCOMPARE(e.Rep().RecordCount(), 0);

        e.Set([](TEditorSettings& s) { s.RepAutoRefreshByCell = true; });
        e.German()->SetAskRepLocale(false);
        QVERIFY(e.Grid()->ShowEditor());
        e.Grid()->GetInplaceEditor()->SetText(QStringLiteral("Mit"));
        e.Grid()->EndEditing();
        QCOMPARE(e.Translations(e.Native(row)), QStringList{"Mit"});
    }

    void availabilityMarks()
    {
        TEditor e;
        const QList<int> rows = e.TextRows(2);
        for (int r : rows) {
            e.SetValue(r, e.Native(r));
            e.Form->RowItem(r)->Values().Items(1)->SetValueVersion(e.Form->RowItem(r)->MainValue()->ValueVersion() - 1);
        }
        e.AddPair(e.Native(rows[0]), QStringLiteral("Da"));
        e.Form->RefreshGrid();
        QTRY_VERIFY(e.Rep().IsMemoryIndexBuilt());
        QTRY_VERIFY(e.Form->findChild<QProgressBar*>("pbIndex")->isHidden());
        const int col = e.GermanCol();
        QCOMPARE(e.Commands()->Availability(col, rows[0]), avExact);
        QCOMPARE(e.Commands()->Availability(col, rows[1]), avNone);
        e.Grid()->SetTopRow(rows[0]);
        const QRect cell = e.Grid()->CellRect(col, rows[0]);
        QVERIFY(!cell.isEmpty());
        const QImage shot = e.Grid()->grab().toImage();
        // The red half of the corner square, beside the blue untranslated mark.
        QCOMPARE(shot.pixelColor(cell.right() - 5, cell.bottom() - 5), QColor(Qt::red));

        e.Set([](TEditorSettings& s) { s.RepIndicateInGrid = false; });
        QCOMPARE(e.Commands()->Availability(col, rows[0]), avNone);
    }

    void newLanguageTranslatedAtOnce()
    {
        TEditor e;
        e.Set([](TEditorSettings& s) { s.RepAutoTranslate = true; });
        const int row = e.TextRows(1).first();
        e.Rep().AddLocales({0x040C});
        e.Rep().Append();
        e.Rep().SetWord(kEnglish, e.Native(row));
        e.Rep().SetWord(0x040C, QStringLiteral("En français"));
        e.Rep().Post();
        ChooseLanguageWhenAsked(e.Form.get(), 0x040C);
        e.Action("miCreateLang")->trigger();
        TLangFile* french = e.Form->Project().LangFiles().Items(2);
        QCOMPARE(french->Locale(), uint16_t(0x040C));
        QCOMPARE(e.Form->RowItem(row)->Values().Items(2)->Value(), QStringLiteral("En français"));
        QVERIFY(e.Form->RowItem(row)->IsTranslated(2));
    }

    // A connection string typed on the options page opens the shared
    // repository; Add Cell stores into it; the browser is for files only.
    void sharedRepositoryFromOptionsPage()
    {
        if (!TPgTestServer::Require()) return;
        const QString url = TPgTestServer::Instance().NewDatabase();
        TEditor e;
        QTimer::singleShot(0, e.Form.get(), [&] {
            auto* dialog = e.Form->findChild<TdlgOptions*>();
            if (!dialog) return;
            QLineEdit* path = dialog->RepositoryPage()->PathEdit();
            path->selectAll();
            QTest::keyClicks(path, url);
            dialog->accept();
        });
        e.Action("miOptions")->trigger();
        QVERIFY(dynamic_cast<TPgRepository*>(e.Commands()->Repository()));
        QCOMPARE(TSettingsKey().ReadString(QStringLiteral("RepositoryPath"), QString()), url);

        const QList<int> rows = e.TextRows(2);
        for (int r : rows) e.SetValue(r, QStringLiteral("Neu ") + e.Native(r));
        e.German()->SetAskRepLocale(false);
        e.Form->Project().LangFiles().Items(0)->SetAskRepLocale(false);
        e.Select(rows[0], rows[1]);
        QTest::keyClick(e.Grid(), Qt::Key_L, Qt::ControlModifier);
        TPgRepository check(url);
        check.OpenOrCreate();
        QString word;
        QVERIFY(check.ExtractWord(kEnglish, e.Native(rows[1]), kGerman, word, {}));
        QCOMPARE(word, QStringLiteral("Neu ") + e.Native(rows[1]));

        e.Action("miShowRepository")->trigger();
        QVERIFY(e.Prompt.Log.last().contains(QLatin1String("database's own tools")));
    }

    void optionsPageReopensRepository()
    {
        TEditor e;
        const QString other = e.Dir.filePath("other/second.lr");
        QString shownPath;
        bool smartShown = false;
        QTimer::singleShot(0, e.Form.get(), [&] {
            auto* dialog = e.Form->findChild<TdlgOptions*>();
            if (!dialog) return;
            TRepositoryOptionsPage* page = dialog->RepositoryPage();
            shownPath = page->PathEdit()->text();
            page->BrowseRepository = [&](const QString&, QWidget*) { return other; };
            QTest::mouseClick(page->BrowseButton(), Qt::LeftButton);
            for (QCheckBox* b : page->findChildren<QCheckBox*>())
                if (b->text() == QStringLiteral("Smart Repository")) {
                    smartShown = b->isChecked();
                    b->setChecked(false);
                }
            dialog->accept();
        });
        e.Action("miOptions")->trigger();
        QCOMPARE(shownPath, e.RepositoryFile());
        QVERIFY(smartShown);
        QVERIFY(!e.Form->Settings().RepSmart);
        QVERIFY(!TSettingsKey().ReadBool(QStringLiteral("RepSmart"), true));
        // The new path opened a new repository at once.
        QCOMPARE(e.Commands()->RepositoryPath(), other);
        QVERIFY(QFileInfo::exists(other));
        QCOMPARE(TSettingsKey().ReadString(QStringLiteral("RepositoryPath"), QString()), other);
    }

    void browserTogglesSurviveReopen()
    {
        TEditor e;
        e.AddPair(QStringLiteral("Open"), QStringLiteral("Öffnen"));
        e.Action("miShowRepository")->trigger();
        QPointer<TRepositoryForm> browser = e.Commands()->Browser();
        QVERIFY(browser && browser->isVisible());
        QVERIFY(browser->windowTitle().startsWith(QStringLiteral("Repository - ")));
        QCOMPARE(browser->Model()->rowCount(), 1);
        QCOMPARE(browser->Model()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("German (Germany)"));
        QCOMPARE(browser->Model()->index(0, 2).data().toString(), QStringLiteral("Öffnen"));
        QList<QToolButton*> toggles = browser->ToggleButtons();
        QCOMPARE(toggles.size(), 3);
        QVERIFY(toggles[0]->isChecked());
        QTest::mouseClick(toggles[2], Qt::LeftButton);
        QVERIFY(browser->View()->isColumnHidden(2));
        QVERIFY(!toggles[0]->isChecked());
        // The last visible language stays.
        QTest::mouseClick(toggles[1], Qt::LeftButton);
        QVERIFY(!browser->View()->isColumnHidden(1));
        QVERIFY(toggles[1]->isChecked());
        browser->close();
        QTRY_VERIFY(!browser);
        QCOMPARE(TIniFile::Load(e.Rep().SettingsFileName()).ReadSection("Invisible"), QStringList{"1031"});

        e.Action("miShowRepository")->trigger();
        browser = e.Commands()->Browser();
        QVERIFY(browser->View()->isColumnHidden(2));
        toggles = browser->ToggleButtons();
        QVERIFY(!toggles[2]->isChecked());
        QTest::mouseClick(toggles[0], Qt::LeftButton); // "All"
        QVERIFY(!browser->View()->isColumnHidden(2));
        browser->close();
        QTRY_VERIFY(!browser);
        QVERIFY(!QFileInfo::exists(e.Rep().SettingsFileName()));
    }

    // The browser finds a text in any language, next and previous; closed by
    // the window system, Show Repository opens it again.
    void browserFindsAndReopens()
    {
        TEditor e;
        e.AddPair(QStringLiteral("Open"), QStringLiteral("Öffnen"));
        e.AddPair(QStringLiteral("Close"), QStringLiteral("Schließen"));
        e.AddPair(QStringLiteral("Reopen"), QStringLiteral("Wieder öffnen"));
        e.Action("miShowRepository")->trigger();
        QPointer<TRepositoryForm> browser = e.Commands()->Browser();
        QVERIFY(QTest::qWaitForWindowActive(browser));
        auto* next = browser->findChild<QPushButton*>("btnFindNext");
        auto* previous = browser->findChild<QPushButton*>("btnFindPrevious");
        QTest::keyClicks(browser->FindEdit(), QStringLiteral("ÖFFNEN"));
        QTest::keyClick(browser->FindEdit(), Qt::Key_Return);
        QTRY_COMPARE(browser->View()->currentIndex().row(), 0);
        QTest::mouseClick(next, Qt::LeftButton);
        QTRY_COMPARE(browser->View()->currentIndex().row(), 2);
        QTest::mouseClick(next, Qt::LeftButton);
        QTRY_COMPARE(browser->View()->currentIndex().row(), 0); // round the end
        QTest::mouseClick(previous, Qt::LeftButton);
        QTRY_COMPARE(browser->View()->currentIndex().row(), 2);
        browser->FindEdit()->setText(QStringLiteral("nowhere"));
        QTest::keyClick(browser->FindEdit(), Qt::Key_Return);
        QTRY_COMPARE(browser->findChild<QLabel*>("lblStatus")->text(), QStringLiteral("\"nowhere\" was not found."));

        QCloseEvent close;
        QApplication::sendEvent(browser->windowHandle(), &close);
        QTRY_VERIFY(!browser);
        e.Action("miShowRepository")->trigger();
        browser = e.Commands()->Browser();
        QVERIFY(browser && browser->isVisible());
    }

    void browserEditsAndSorts()
    {
        TEditor e;
        e.AddPair(QStringLiteral("beta"), QStringLiteral("B"));
        e.AddPair(QStringLiteral("Alpha"), QStringLiteral("A"));
        e.AddPair(QStringLiteral("alpha"), QStringLiteral("a"));
        e.Action("miShowRepository")->trigger();
        TRepositoryForm* browser = e.Commands()->Browser();
        QTableView* view = browser->View();
        browser->activateWindow();
        view->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), view);
        // Header clicks sort without regard to case, ties by identifier.
        // They sort in the background; the view waits meanwhile.
        const auto column = [&](int Col) {
            QStringList texts;
            for (int r = 0; r < view->model()->rowCount(); ++r) texts << view->model()->index(r, Col).data().toString();
            return texts;
        };
        QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(view->columnViewportPosition(1) + 20, 5));
        QTRY_VERIFY(view->isEnabled());
        QCOMPARE(column(2), (QStringList{"A", "a", "B"}));
        QTest::mouseClick(view->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(view->columnViewportPosition(1) + 20, 5));
        QTRY_COMPARE(column(2), (QStringList{"B", "a", "A"}));
        browser->Model()->sort(0, Qt::DescendingOrder);
        QTRY_COMPARE(column(0), (QStringList{"3", "2", "1"}));
        QTRY_VERIFY(view->isEnabled());

        // Editing in place writes the record.
        view->setCurrentIndex(view->model()->index(0, 2));
        view->edit(view->currentIndex());
        auto* editor = view->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("klein"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(e.Translations(QStringLiteral("alpha")), QStringList{"klein"}); // the view commits queued
        QCOMPARE(browser->StatusText(), QStringLiteral("  1 / 3"));

        QTest::keyClick(view, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(e.Rep().RecordCount(), 4);
        QCOMPARE(browser->StatusText(), QStringLiteral("  4 / 4"));
        e.Prompt.Answers = {mrYes};
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(3, 1)).center());
        QTest::keyClick(view, Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(e.Prompt.Log.last(), QStringLiteral("Delete 1 selected row(s)?"));
        QCOMPARE(e.Rep().RecordCount(), 3);
    }

    void browserDeletingRowsCancelled()
    {
        TEditor e;
        for (int i = 0; i < 20; ++i) e.AddPair(QStringLiteral("Word %1").arg(i), QStringLiteral("Wort %1").arg(i));
        e.Action("miShowRepository")->trigger();
        TRepositoryForm* browser = e.Commands()->Browser();
        browser->activateWindow();
        browser->View()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), browser->View());
        QTest::keyClick(browser->View(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(browser->actDeleteRecords->text(), QStringLiteral("Delete records"));
        e.Prompt.Answers = {mrYes};
        QTimer::singleShot(0, [] {
            if (auto* form = qobject_cast<TProgressForm*>(QApplication::activeModalWidget()))
                QTest::mouseClick(form->CancelButton(), Qt::LeftButton);
        });
        QTest::keyClick(browser->View(), Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(e.Prompt.Log, (QStringList{"Delete 20 selected row(s)?", "Deleting has been terminated by user"}));
        QVERIFY(e.Rep().RecordCount() > 0 && e.Rep().RecordCount() < 20);
        QCOMPARE(browser->Model()->rowCount(), int(e.Rep().RecordCount()));
    }

    void browserDeletesLanguageColumn()
    {
        TEditor e;
        e.Rep().AddLocales({0x040C});
        e.Rep().Append();
        e.Rep().SetWord(kEnglish, QStringLiteral("Open"));
        e.Rep().SetWord(kGerman, QStringLiteral("Öffnen"));
        e.Rep().SetWord(0x040C, QStringLiteral("Ouvrir"));
        e.Rep().Post();
        e.Action("miShowRepository")->trigger();
        TRepositoryForm* browser = e.Commands()->Browser();
        QTableView* view = browser->View();
        view->setCurrentIndex(view->model()->index(0, 2));
        QVERIFY(browser->actDeleteLanguages->isEnabled());
        QCOMPARE(browser->actDeleteLanguages->text(), QStringLiteral("Delete Language"));
        e.Prompt.Answers = {mrYes};
        browser->actDeleteLanguages->trigger();
        QVERIFY(e.Prompt.Log.last().startsWith(QStringLiteral("You are about to delete 1 selected language(s).")));
        QVERIFY(!e.Rep().HasLocale(kGerman));
        QCOMPARE(view->model()->columnCount(), 3);
        QCOMPARE(browser->ToggleButtons().size(), 3);
        QCOMPARE(view->model()->index(0, 1).data().toString(), QStringLiteral("Open"));
        QCOMPARE(view->model()->index(0, 2).data().toString(), QStringLiteral("Ouvrir"));
    }

    void browserAddsLanguage()
    {
        TEditor e;
        e.Action("miShowRepository")->trigger();
        TRepositoryForm* browser = e.Commands()->Browser();
        bool okForGerman = true;
        TDialogAnswers answers({"OK"}, [&](QDialog* d) {
            auto* tree = d->findChild<QTreeWidget*>();
            QPushButton* ok = nullptr;
            for (QPushButton* b : d->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("OK")) ok = b;
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                if ((*it)->data(0, Qt::UserRole).toInt() == kGerman) tree->setCurrentItem(*it);
            okForGerman = ok->isEnabled(); // German has its column already
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                if ((*it)->data(0, Qt::UserRole).toInt() == 0x0410) tree->setCurrentItem(*it);
        });
        browser->actAddLanguage->trigger();
        QVERIFY(!okForGerman);
        QVERIFY(e.Rep().HasLocale(0x0410));
        QCOMPARE(browser->Model()->columnCount(), 4);
        QCOMPARE(browser->ToggleButtons().last()->text(), QStringLiteral("Italian (Italy)"));
    }

    void packCancelledSaysSo()
    {
        TEditor e;
        for (int i = 0; i < 50; ++i) e.AddPair(QStringLiteral("same"), QStringLiteral("gleich"));
        QTimer::singleShot(0, [] {
            if (auto* form = qobject_cast<TProgressForm*>(QApplication::activeModalWidget()))
                QTest::mouseClick(form->CancelButton(), Qt::LeftButton);
        });
        e.Action("miPackRepository")->trigger();
        QCOMPARE(e.Prompt.Log, QStringList{"Packing has been terminated by the user"});
        QVERIFY(e.Rep().RecordCount() > 1);
        e.Action("miPackRepository")->trigger();
        QCOMPARE(e.Rep().RecordCount(), 1);
    }

    void refreshDialogShortensTexts()
    {
        const QString longText = QString(60, QLatin1Char('x'));
        QCOMPARE(TdlgRepRefresh::ShortText(longText), QString(47, QLatin1Char('x')) + QStringLiteral("..."));
        QCOMPARE(TdlgRepRefresh::ShortText(QStringLiteral("a\r\nb\nc\rd")), QStringLiteral("a,b,c,d"));
    }

    void progressFormStepRule()
    {
        QCOMPARE(ProgressStepFor(100000, 200), 500);
        QCOMPARE(ProgressStepFor(50, 200), 1);
        QVERIFY(!ProgressMoves(1000, 1200, 100000, 500));
        QVERIFY(ProgressMoves(1000, 1500, 100000, 500));
        QVERIFY(ProgressMoves(1000, 99999, 100000, 500)); // the end
        QVERIFY(ProgressMoves(1000, 0, 100000, 500));     // a new start
    }
};

QTEST_MAIN(TestRepositoryCommands)
#include "tst_repositorycommands.moc"
