#include "SearchRows.h"
#include "langfile/FormatSymbols.h"
#include "langfile/QFindData.h"
#include "storage/LocStorage.h"

#include <QtTest>

#include <memory>

namespace {

enum TSearchFlag {
    sfUp = 1,
    sfPrev = 2,
    sfWholeCell = 4,
    sfWholeWord = 8,
    sfMatchCase = 16,
    sfNoCycle = 32,
    sfCloseEditor = 64 // the editor showing a hit is closed (Escape) before the next search
};

// The rows shown through the item view: column 1 German.
class TSearchFixture {
public:
    explicit TSearchFixture(const QStringList& Rows) : FItems(AddSearchRows(FStorage, Rows))
    {
        View = std::make_unique<TItemSearchView>(&FStorage, FItems);
    }

    QStringList Translations() const { return GermanValues(FItems); }
    TLocItem* Item(int Row) const { return FItems[size_t(Row)]; }

    std::unique_ptr<TItemSearchView> View;

private:
    TLocStorage FStorage;
    std::vector<TLocItem*> FItems;
};

void Configure(TQFindData& Data, const QString& Text, int Flags)
{
    Data.FFindText = Text;
    Data.FUp = Flags & sfUp;
    Data.FWholeCell = Flags & sfWholeCell;
    Data.FWholeWord = Flags & sfWholeWord;
    Data.FMatchCase = Flags & sfMatchCase;
    Data.FCyclic = !(Flags & sfNoCycle);
    Data.FGridCol = 1;
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void formatSymbols_data();
    void formatSymbols();
    void matchCell_data();
    void matchCell();
    void findNext_data();
    void findNext();
    void findWrongFormats_data();
    void findWrongFormats();
    void replaceAll_data();
    void replaceAll();
    void replacePrompt();
    void nextUntranslated_data();
    void nextUntranslated();
    void identicalTranslation();
};

void TestSearch::formatSymbols_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("signature");
    QTest::newRow("plain") << "Hello"
                           << "###";
    QTest::newRow("two") << "File %s of %d"
                         << "###%s###%d###";
    QTest::newRow("percent pair removed") << "%.2f%%"
                                          << "###%.2f###";
    QTest::newRow("before space") << "100 % sure"
                                  << "###";
    QTest::newRow("before apostrophe") << "50%'s"
                                       << "###";
    QTest::newRow("capital is no type") << "%S is"
                                        << "###%S is###";
    QTest::newRow("no type letter") << "%1 %2"
                                    << "###%1 %2###%2###";
    QTest::newRow("last char") << "100%"
                               << "###%###";
    QTest::newRow("width and index") << "%0:-10s|%3.1f"
                                     << "###%0:-10s###%3.1f###";
    QTest::newRow("empty") << ""
                           << "###";
}

void TestSearch::formatSymbols()
{
    QFETCH(QString, text);
    QFETCH(QString, signature);
    QCOMPARE(FormatSymbols(text), signature);
}

void TestSearch::matchCell_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("find");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("pos"); // 0: no match

    QTest::newRow("substring first") << "xAbyab"
                                     << "ab" << 0 << 0 << 2;
    QTest::newRow("substring after selection") << "xAbyab"
                                               << "ab" << 0 << 2 << 5;
    QTest::newRow("substring after last") << "xAbyab"
                                          << "ab" << 0 << 5 << 0;
    QTest::newRow("substring case") << "xAbyab"
                                    << "ab" << int(sfMatchCase) << 0 << 5;
    QTest::newRow("empty search text") << "abc"
                                       << "" << 0 << 0 << 0;
    QTest::newRow("word delimiter token") << "a = b"
                                          << "=" << int(sfWholeWord) << 0 << 3;
    QTest::newRow("word delimiter run") << "a==b"
                                        << "=" << int(sfWholeWord) << 0 << 0;
    QTest::newRow("word whole run") << "a==b"
                                    << "==" << int(sfWholeWord) << 0 << 2;
    QTest::newRow("word inside word") << "abc ab"
                                      << "ab" << int(sfWholeWord) << 0 << 5;
    QTest::newRow("word after delimiter") << "file.txt"
                                          << "txt" << int(sfWholeWord) << 0 << 6;
    QTest::newRow("word in brackets") << "(Open)"
                                      << "open" << int(sfWholeWord) << 0 << 2;
    QTest::newRow("word after tab and line") << "x\t\r\nOpen"
                                             << "open" << int(sfWholeWord) << 0 << 5;
    QTest::newRow("word case") << "Open"
                               << "open" << int(sfWholeWord | sfMatchCase) << 0 << 0;
    QTest::newRow("word from position") << "ab ab"
                                        << "ab" << int(sfWholeWord) << 1 << 4;
    QTest::newRow("cell ignoring case") << "Open"
                                        << "oPEN" << int(sfWholeCell) << 0 << 1;
    QTest::newRow("cell case") << "Open"
                               << "open" << int(sfWholeCell | sfMatchCase) << 0 << 0;
    QTest::newRow("cell partial") << "Open file"
                                  << "open" << int(sfWholeCell) << 0 << 0;
    QTest::newRow("cell word option ignored") << "a b"
                                              << "a b" << int(sfWholeCell | sfWholeWord) << 0 << 1;
}

void TestSearch::matchCell()
{
    QFETCH(QString, cell);
    QFETCH(QString, find);
    QFETCH(int, flags);
    QFETCH(int, from);
    QFETCH(int, pos);
    TSearchFixture f({cell});
    TQFindData data(f.View.get());
    Configure(data, find, flags);
    data.FSearchPos = from;
    QCOMPARE(data.MatchCell(cell, 0x0407), pos > 0);
    if (pos > 0) QCOMPARE(data.FSearchPos, pos);
}

void TestSearch::findNext_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("find");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("hits"); // "row:pos" of successive searches, -1 when none

    const QStringList abc{"xAbyab", "zzz", "ab"};
    QTest::newRow("down through cells, wrap") << abc << "ab" << 0 << 0 << "0:2 0:5 2:1 0:2";
    QTest::newRow("down without wrap") << abc << "ab" << int(sfNoCycle) << 0 << "0:2 0:5 2:1 -1";
    QTest::newRow("editor closed after each hit") << abc << "ab" << int(sfCloseEditor) << 0 << "0:2 0:5 2:1 0:2";
    QTest::newRow("up from last row") << abc << "ab" << int(sfUp) << 2 << "2:1 0:2 0:5 2:1";
    QTest::newRow("prev with direction up goes down") << abc << "ab" << int(sfUp | sfPrev) << 1 << "2:1 0:2";
    QTest::newRow("prev with direction down goes up") << abc << "zzz" << int(sfPrev) << 2 << "1:1 1:1";
    QTest::newRow("whole cell leaves the current row") << abc << "AB" << int(sfWholeCell) << 2 << "2:1 2:1";
    QTest::newRow("whole cell, no wrap") << abc << "ab" << int(sfWholeCell | sfNoCycle) << 2 << "-1";
    QTest::newRow("nothing") << abc << "q" << 0 << 1 << "-1";
    QTest::newRow("read-only current cell is left")
        << QStringList{"ab@u", "ab", "ab@v"} << "ab" << int(sfNoCycle) << 0 << "1:1 2:1 -1";
    QTest::newRow("no rows") << QStringList{} << "ab" << 0 << 0 << "-1";
}

void TestSearch::findNext()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, find);
    QFETCH(int, flags);
    QFETCH(int, current);
    QFETCH(QString, hits);
    TSearchFixture f(rows);
    f.View->MoveTo(1, current);
    TQFindData data(f.View.get());
    Configure(data, find, flags);
    QStringList found;
    for (int i = 0; i < hits.count(' ') + 1; ++i) {
        const int row = data.FindNext(!(flags & sfPrev));
        QCOMPARE(data.FRowIndex, row);
        found << (row < 0 ? QStringLiteral("-1") : QStringLiteral("%1:%2").arg(row).arg(data.FSearchPos));
        data.ShowFoundText();
        if (flags & sfCloseEditor) f.View->EndEditing(true);
    }
    QCOMPARE(found.join(' '), hits);
}

void TestSearch::findWrongFormats_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<QString>("hits");

    const QStringList mixed{"%d files>%d Dateien", "File %d>Datei %s", "Open@u", "Save %s>Speichern@v", "Plain"};
    QTest::newRow("copies of the native texts") << QStringList{"%d files", "File %s of %d", "Hello"} << true << "-1";
    QTest::newRow("down, read-only rows included") << mixed << true << "1 3 1";
    QTest::newRow("up wraps always") << mixed << false << "3 1 3";
}

void TestSearch::findWrongFormats()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, forward);
    QFETCH(QString, hits);
    TSearchFixture f(rows);
    f.View->MoveTo(1, 0);
    TQFindData data(f.View.get());
    Configure(data, QString(), int(sfNoCycle));
    data.FSearchWrongFormats = true;
    QStringList found;
    for (int i = 0; i < hits.count(' ') + 1; ++i) {
        found << QString::number(data.FindNext(forward));
        data.ShowFoundText();
    }
    QCOMPARE(found.join(' '), hits);
    if (data.FRowIndex >= 0 && !f.View->CellReadOnly(1, data.FRowIndex)) {
        // The hit is shown with its whole text selected.
        QVERIFY(f.View->Editing());
        QCOMPARE(f.View->EditorSelLength(), int(f.View->CellText(1, data.FRowIndex).size()));
    }
}

void TestSearch::replaceAll_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replace");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("expected");

    const QStringList abc{"abc", "x abc abc", "ABC"};
    QTest::newRow("same text ignoring case changes nothing") << abc << "abc"
                                                             << "ABC" << 0 << 0 << abc;
    QTest::newRow("match case") << abc << "abc"
                                << "ABC" << int(sfMatchCase) << 0 << QStringList{"ABC", "x ABC ABC", "ABC"};
    QTest::newRow("every occurrence, no overlap") << QStringList{"aaa", "Aa-a"} << "aa"
                                                  << "b" << 0 << 0 << QStringList{"ba", "b-a"};
    QTest::newRow("whole cell") << abc << "abc"
                                << "xyz" << int(sfWholeCell) << 0 << QStringList{"xyz", "x abc abc", "xyz"};
    QTest::newRow("down from the current row") << abc << "abc"
                                               << "q" << int(sfNoCycle) << 1 << QStringList{"abc", "x q q", "q"};
    QTest::newRow("up to the current row") << abc << "abc"
                                           << "q" << int(sfNoCycle | sfUp) << 1 << QStringList{"q", "x q q", "ABC"};
    QTest::newRow("untranslatable, verified and integer cells are left")
        << QStringList{"12@u", "12@v", "12@i", "12"} << "1"
        << "9" << 0 << 0 << QStringList{"12", "12", "12", "92"};
}

void TestSearch::replaceAll()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, find);
    QFETCH(QString, replace);
    QFETCH(int, flags);
    QFETCH(int, current);
    QFETCH(QStringList, expected);
    TSearchFixture f(rows);
    f.View->MoveTo(1, current);
    TQReplaceData data(f.View.get());
    Configure(data, find, flags);
    data.FReplaceText = replace;
    int changed = 0;
    for (int i = 0; i < rows.size(); ++i) changed += rows[i].section('@', 0, 0) != expected[i];
    QCOMPARE(data.ReplaceAll(), changed);
    QCOMPARE(f.Translations(), expected);
    // Replaced cells went through the cell edit path and count as translated.
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(f.Item(i)->IsTranslated(1), rows[i].section('@', 0, 0) != expected[i]);
}

// The prompt's Replace: the selection is replaced, the cell stored, and the
// next search starts after the replacement, so a replacement holding the
// search text is not found again.
void TestSearch::replacePrompt()
{
    TSearchFixture f({"ab ab", "1@i", "ab@u"});
    f.View->MoveTo(1, 0);
    TQReplaceData data(f.View.get());
    Configure(data, QStringLiteral("ab"), int(sfNoCycle));
    data.FReplaceText = QStringLiteral("abab");
    QVERIFY(!data.CanReplace()); // no editor yet
    QCOMPARE(data.FindNext(true), 0);
    data.ShowFoundText();
    QVERIFY(data.CanReplace());
    data.ReplaceSelection();
    QCOMPARE(f.Translations()[0], QStringLiteral("abab ab"));
    QCOMPARE(data.FindNext(true), 0);
    QCOMPARE(data.FSearchPos, 6);
    data.ShowFoundText();
    data.ReplaceSelection();
    QCOMPARE(f.Translations()[0], QStringLiteral("abab abab"));
    QVERIFY(f.Item(0)->IsTranslated(1));
    // Found in an untranslatable row, but neither it nor a number can be replaced in.
    QCOMPARE(data.FindNext(true), 2);
    for (int row : {1, 2}) {
        f.View->MoveTo(1, row);
        f.View->EditAndSelect(0, 1);
        QVERIFY(!data.CanReplace());
    }

    // A cell being edited is searched in the text its editor holds (and shows),
    // not in the stored one the typing has not reached yet.
    TSearchFixture g({"xyz", "q"});
    g.View->MoveTo(1, 0);
    g.View->EditAndSelect(0, 3);
    g.View->ReplaceEditorSelection(QStringLiteral("abc xyz"));
    TQReplaceData typed(g.View.get());
    Configure(typed, QStringLiteral("xyz"), 0);
    typed.FReplaceText = QStringLiteral("Q");
    QCOMPARE(typed.FindNext(true), 0);
    QCOMPARE(typed.FSearchPos, 5);
    typed.ShowFoundText();
    typed.ReplaceSelection();
    QCOMPARE(g.Translations()[0], QStringLiteral("abc Q"));
}

void TestSearch::nextUntranslated_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("expected");
    QTest::newRow("skips translated") << 0 << 2;
    QTest::newRow("untranslatable included") << 2 << 3;
    QTest::newRow("none below") << 3 << -1;
    QTest::newRow("last row") << 4 << -1;
}

void TestSearch::nextUntranslated()
{
    QFETCH(int, current);
    QFETCH(int, expected);
    TSearchFixture f({"a", "b", "c", "d@u", "e"});
    for (int row : {0, 1, 4}) f.Item(row)->Values().Items(1)->SetValueVersion(1);
    f.View->MoveTo(1, current);
    QCOMPARE(FindNextUntranslated(*f.View), expected);
}

// Translating Open into Öffnen translates along every other row whose native
// text is Open and whose translation is still Open, stamping it translated.
void TestSearch::identicalTranslation()
{
    TSearchFixture f({"Open", "Open", "Open>Aufmachen", "Open file>Open", "open", "Open@u", "Open@v", "Open"});
    f.View->MoveTo(1, 0);
    const QString native = f.View->NativeText(0);
    const QString old = f.View->CellText(1, 0);
    f.View->SetEditText(1, 0, QStringLiteral("Öffnen"));

    TQReplaceData data(f.View.get());
    QVERIFY(PrepareIdenticalTranslation(data, 1, old, QStringLiteral("Öffnen"), native));
    QCOMPARE(data.ReplaceAll(), 2);
    QCOMPARE(f.Translations(),
             QStringList({"Öffnen", "Öffnen", "Aufmachen", "Open", "open", "Open", "Open", "Öffnen"}));
    for (int row : {1, 7}) QVERIFY(f.Item(row)->IsTranslated(1));
    QVERIFY(!f.Item(2)->IsTranslated(1));

    // The prompt's way: the first match in another row, read-only cells skipped.
    TSearchFixture g({"Open", "Open@v", "Open"});
    g.View->MoveTo(1, 0);
    g.View->SetEditText(1, 0, QStringLiteral("Öffnen"));
    TQReplaceData prompt(g.View.get());
    QVERIFY(PrepareIdenticalTranslation(prompt, 1, QStringLiteral("Open"), QStringLiteral("Öffnen"),
                                        QStringLiteral("Open")));
    QCOMPARE(prompt.FindNext(true), 2);

    // Without an old or a native text there is nothing to translate along.
    QVERIFY(!PrepareIdenticalTranslation(prompt, 1, QString(), QStringLiteral("x"), QStringLiteral("Open")));
    QVERIFY(!PrepareIdenticalTranslation(prompt, 1, QStringLiteral("Open"), QStringLiteral("x"), QString()));

    // Many edits at once (a paste or a cut): the same rule in one pass, and
    // every cell of the edits, changed or not, keeps what the user set.
    TSearchFixture h({"Open", "Open", "Open@v", "Open@u", "Open@i", "Open file>Open", "Open>Auf", "Open", "Close",
                      "Close", "Save>", "Save>"});
    const std::vector<TIdenticalEdit> edits{{1, 0, "Open", "Öffnen", "Open"},
                                            {1, 7, "Open", "Open", "Open"},
                                            {1, 8, "Close", "", "Close"},
                                            {1, 10, "", "Speichern", "Save"}};
    for (const TIdenticalEdit& e : edits) h.View->SetEditText(e.Col, e.Row, e.NewText);
    QCOMPARE(TranslateIdenticalAlong(*h.View, edits), 2);
    QCOMPARE(h.Translations(),
             QStringList({"Öffnen", "Öffnen", "Open", "Open", "Open", "Open", "Auf", "Open", "", "", "Speichern", ""}));
    QVERIFY(h.Item(1)->IsTranslated(1));
}

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
