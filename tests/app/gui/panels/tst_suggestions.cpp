// The Suggestions panel under the grid: it follows the current row, lists
// the repository's matches best first with the differing words marked, and
// Ctrl+N puts suggestion N into the cell as a typed edit would.

#include "SampleWindow.h"

#include "app/gui/commands/RepositoryCommands.h"
#include "app/gui/dialogs/options/OptionsDialog.h"
#include "app/gui/panels/SuggestionsPanel.h"
#include "langfile/LangFile.h"
#include "platform/Settings.h"
#include "repository/FuzzyScore.h"
#include "repository/LangRepository.h"

#include <QAction>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QtTest>

#include <chrono>
#include <thread>

namespace {

struct TEditor : TSampleWindow<TRecordingPrompt> {
    int Row = -1;
    QString Native;

    // The sample with German open and a repository holding a near match and
    // an exact one of an untranslated row's native text (the near one added
    // first).
    TEditor()
    {
        TSettingsKey().WriteInteger(QStringLiteral("FuzzyThreshold"), 50);
        Show({"deu"}, OpenGerman());
        TLangFileProject& project = Form->Project();
        for (int r = 0; r < Grid()->RowCount() && Row < 0; ++r) {
            const TLocItem* item = Form->RowItem(r);
            if (item && item->Values().ValueType() == ptString && !item->Attribute(vaUntranslatable) &&
                !item->IsTranslated(1) && FuzzyWords(item->MainValue()->Value()).size() >= 2)
                Row = r, Native = item->MainValue()->Value();
        }
        auto& rep = dynamic_cast<TQLangRepository&>(*Form->Repository()->Repository());
        const int native = project.LangFiles()[0]->Locale(), german = project.LangFiles()[1]->Locale();
        rep.AddLocales({native, german});
        rep.AddEditWord(native, german, Native + QStringLiteral(" again"), QStringLiteral("Zweiter Vorschlag"), {});
        rep.AddEditWord(native, german, Native, QStringLiteral("Erster Vorschlag"), {});
        while (!rep.IsMemoryIndexBuilt()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    TSuggestionsPanel* Panel() const { return Form->Suggestions(); }
    QString Shown() const { return Panel()->findChild<QTextBrowser*>()->toPlainText(); }
    QString German() const { return Form->RowItem(Row)->Values().Items(1)->Value(); }
};

} // namespace

class TstSuggestions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ctrl2WritesTheSecondSuggestion()
    {
        TEditor e;
        QVERIFY(e.Row >= 0);
        QVERIFY(e.Panel()->isVisible());
        // A draft of the batch translation has its mark and its note.
        e.Form->RowItem(e.Row)->Values().Items(1)->SetFuzzyScore(80);
        // To the row below, then up onto it: the panel follows once the grid rests.
        e.Grid()->FocusCell(e.Col(1), e.Row + 1, true);
        QTest::keyClick(e.Grid(), Qt::Key_Up);
        QTRY_VERIFY(e.Shown().contains(QStringLiteral("Erster Vorschlag")));
        QVERIFY(e.Shown().contains(QStringLiteral("draft from a fuzzy match (score 80)")));
        const QRect cell = e.Grid()->CellRect(e.Col(1), e.Row);
        QCOMPARE(e.Grid()->grab().toImage().pixelColor(cell.right() - 2, cell.top() + 2), QColor(Qt::magenta));
        if (const QString dir = qEnvironmentVariable("PHRASEDESK_SCREENSHOT_DIR"); !dir.isEmpty())
            e.Form->grab().save(dir + QStringLiteral("/suggestions-panel.png"));
        QCOMPARE(e.Panel()->Matches().size(), 2);
        QCOMPARE(e.Panel()->Matches()[0].Score, 100);
        QCOMPARE(e.Panel()->Matches()[1].Translation, QStringLiteral("Zweiter Vorschlag"));
        QVERIFY(e.Shown().indexOf(QStringLiteral("Erster")) < e.Shown().indexOf(QStringLiteral("Zweiter")));
        QVERIFY(!e.Form->RowItem(e.Row)->IsTranslated(1));

        QTest::keyClick(e.Grid(), Qt::Key_2, Qt::ControlModifier);
        QCOMPARE(e.German(), QStringLiteral("Zweiter Vorschlag"));
        QVERIFY(e.Form->RowItem(e.Row)->IsTranslated(1));                     // as any typed edit
        QCOMPARE(e.Form->RowItem(e.Row)->Values().Items(1)->FuzzyScore(), 0); // no longer a draft
        QVERIFY(e.Form->Project().LangFiles()[1]->Modified());

        // A key pressed right after moving works on the new row at once.
        QTest::keyClick(e.Grid(), Qt::Key_Down);
        QTest::keyClick(e.Grid(), Qt::Key_Up);
        QTest::keyClick(e.Grid(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(e.German(), QStringLiteral("Erster Vorschlag"));
        QTest::keyClick(e.Grid(), Qt::Key_9, Qt::ControlModifier); // no ninth suggestion: nothing changes
        QCOMPARE(e.German(), QStringLiteral("Erster Vorschlag"));
    }

    // The panel looks again when the memory changes: right after Refresh by
    // Language it offers the row's own translation (it kept "No matches.").
    // It leaves most of the window to the grid.
    void memoryChangeLooksAgain()
    {
        TEditor e;
        QVERIFY(e.Panel()->height() <= e.Form->height() / 5);
        int row = -1;
        for (int r = 0; r < e.Grid()->RowCount() && row < 0; ++r) {
            const TLocItem* item = e.Form->RowItem(r);
            if (item && item->Values().ValueType() == ptString && !item->Attribute(vaUntranslatable) &&
                item->IsTranslated(1) && item->Values().Items(1)->Value() != item->MainValue()->Value() &&
                FuzzyWords(item->MainValue()->Value()).size() >= 1 && !item->MainValue()->Value().contains(e.Native))
                row = r;
        }
        QVERIFY(row >= 0);
        const QString translation = e.Form->RowItem(row)->Values().Items(1)->Value();
        e.Grid()->FocusCell(e.Col(1), row, true);
        QTRY_VERIFY(e.Shown().contains(QStringLiteral("No matches.")));
        e.Form->findChild<QAction*>("miRepRefreshLang")->trigger();
        QTRY_VERIFY2(e.Shown().contains(translation), qPrintable(e.Shown()));
    }

    // The options' Repository page sets how many suggestions the panel
    // shows; it shows that many at once and at the next start.
    void countFromTheOptionsPage()
    {
        TEditor e;
        e.Grid()->FocusCell(e.Col(1), e.Row, true);
        QTRY_COMPARE(e.Panel()->Matches().size(), 2);
        bool set = false;
        QTimer::singleShot(0, e.Form.get(), [&] {
            auto* dialog = e.Form->findChild<TdlgOptions*>();
            if (!dialog) return;
            auto* count = dialog->findChild<QSpinBox*>(QStringLiteral("seFuzzyCount"));
            QCOMPARE(count->value(), 5);
            QTest::keyClick(count, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(count, QStringLiteral("1"));
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("OK")) QTest::mouseClick(b, Qt::LeftButton);
            set = true;
        });
        e.Form->findChild<QAction*>(QStringLiteral("miOptions"))->trigger();
        QVERIFY(set);
        QTRY_COMPARE(e.Panel()->Matches().size(), 1);
        QVERIFY(e.Shown().contains(QStringLiteral("Erster Vorschlag")));
        QVERIFY(!e.Shown().contains(QStringLiteral("Zweiter Vorschlag")));
        QCOMPARE(TSettingsKey().ReadInteger(QStringLiteral("FuzzyCount"), 0), 1);
        QCOMPARE(TSettingsKey().ReadInteger(QStringLiteral("FuzzyThreshold"), 0), 50); // as the fixture stored it
    }

    void markedDifferences()
    {
        QCOMPARE(TSuggestionsPanel::MarkDifferences(QStringLiteral("Save <all> files"), QStringLiteral("&Save files")),
                 QStringLiteral("Save &lt;<span style=\"background-color:#ffe08a\">all</span>&gt; files"));
    }

    void toggleKeptInTheSettings()
    {
        TEditor e;
        QAction* toggle = e.Panel()->ToggleAction();
        QVERIFY(e.Form->findChildren<QAction*>().contains(toggle));
        toggle->trigger();
        QVERIFY(e.Panel()->isHidden());
        QCOMPARE(TSettingsKey().ReadBool(QStringLiteral("SuggestionsPanel"), true), false);
        // Hidden, the panel leaves the keys alone.
        e.Grid()->FocusCell(e.Col(1), e.Row, true);
        QTest::keyClick(e.Grid(), Qt::Key_1, Qt::ControlModifier);
        QVERIFY(e.German() != QStringLiteral("Erster Vorschlag"));

        e.Form.reset();
        e.Show({"deu"}, OpenGerman());
        QVERIFY(e.Panel()->isHidden());
        QVERIFY(!e.Panel()->ToggleAction()->isChecked());
        e.Panel()->ToggleAction()->trigger();
        QVERIFY(e.Panel()->isVisible());
    }
};

QTEST_MAIN(TstSuggestions)
#include "tst_suggestions.moc"
