#include "app/gui/grid/QStringGrid.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

#include <memory>

namespace {

// A shown, active grid with editing on, the named columns and Rows rows.
std::unique_ptr<TQStringGrid> MakeGrid(const QStringList& Captions, int Rows)
{
    auto grid = std::make_unique<TQStringGrid>();
    grid->SetOptions(grid->Options() | goEditing);
    for (const QString& caption : Captions) grid->Columns().Add()->SetCaption(caption);
    grid->SetRowCount(Rows);
    grid->resize(500, 300);
    grid->show();
    grid->activateWindow();
    grid->setFocus();
    if (!QTest::qWaitForWindowActive(grid.get())) qWarning("grid window not active");
    return grid;
}

QString ErrorOf(const std::function<void()>& Action)
{
    try {
        Action();
    } catch (const EVocabrixError& e) {
        return e.Message();
    }
    return {};
}

void ClickHeader(TQStringGrid& Grid, int ACol)
{
    const QPoint center = Grid.CellRect(ACol, -1).center();
    QWidget* target = Grid.childAt(center);
    QVERIFY(target);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&Grid, center));
}

QString Column(const TQStringGrid& Grid, int ACol)
{
    QStringList texts;
    for (int row = 0; row < Grid.RowCount(); ++row) texts << Grid.GetCell(ACol, row);
    return texts.join(u'|');
}

} // namespace

class TestStringGrid : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cellEncoding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("read");
        QTest::newRow("blank in first line") << "Line one\r\nword"
                                             << "\"Line one\",word"
                                             << "Line one\r\nword";
        QTest::newRow("two quoted lines") << "Line one\nLine two"
                                          << "\"Line one\",\"Line two\""
                                          << "Line one\r\nLine two";
        QTest::newRow("trailing break") << "abc\r\n"
                                        << "abc,"
                                        << "abc\r\n";
        QTest::newRow("quotes doubled") << "say \"hi\""
                                        << "\"say \"\"hi\"\"\""
                                        << "say \"hi\"";
        QTest::newRow("comma quoted") << "a,b"
                                      << "\"a,b\""
                                      << "a,b";
        QTest::newRow("LF CR is one break") << "a\n\rb"
                                            << "a,b"
                                            << "a\r\nb";
        QTest::newRow("CR then CR LF") << "a\r\r\nb"
                                       << "a,,b"
                                       << "a\r\n\r\nb";
        QTest::newRow("leading break") << "\rb"
                                       << ",b"
                                       << "\r\nb";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("plain") << "plain"
                               << "plain"
                               << "plain";
    }
    void cellEncoding()
    {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(QString, read);
        QCOMPARE(EncodeCellText(text), stored);
        QCOMPARE(DecodeCellText(stored), read);
        QCOMPARE(NormalizeLineBreaks(text), read);
    }

    void decodingSkipsBlanksAndEndsUnterminatedQuotes()
    {
        QCOMPARE(DecodeCellText("  a ,  b  "), QString("a\r\nb"));
        QCOMPARE(DecodeCellText("\"open end"), QString("open end"));
        QCOMPARE(DecodeCellText("\"a\" \t, \"\""), QString("a\r\n"));
    }

    void stringCellsStoreTheCommaFormAndReadDecoded()
    {
        auto grid = MakeGrid({"A", "B"}, 2);
        grid->SetCell(1, 0, "Line one\r\nword");
        QCOMPARE(grid->GetCell(1, 0), QString("Line one\r\nword"));
        QVERIFY(grid->GetCellOptions(1, 0) & voList);
        QCOMPARE(grid->Columns()[1]->Values(0), QString("\"Line one\",word"));
        // The list cell shows its stored form.
        QCOMPARE(grid->model()->index(0, 1).data().toString(), QString("\"Line one\",word"));
        // A single-line text with a blank is kept and shown as it is.
        grid->SetCell(1, 1, "two words");
        QCOMPARE(grid->model()->index(1, 1).data().toString(), QString("two words"));
        QCOMPARE(grid->GetCellOptions(1, 1), TValueOptions());
        grid->Columns()[1]->SetValues(1, "x,\"y z\"");
        QCOMPARE(grid->GetCell(1, 1), QString("x\r\ny z"));
    }

    void typedCellsConvertWhatIsStored_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("stored");
        QTest::newRow("int letters") << int(vtInteger) << "abc"
                                     << "0";
        QTest::newRow("int padded") << int(vtInteger) << "  0042 "
                                    << "42";
        QTest::newRow("int negative") << int(vtInteger) << "-7"
                                      << "-7";
        QTest::newRow("int empty") << int(vtInteger) << ""
                                   << "0";
        QTest::newRow("int overflow") << int(vtInteger) << "99999999999"
                                      << "0";
        QTest::newRow("float") << int(vtFloat) << " 2.50 "
                               << "2.5";
        QTest::newRow("float bad") << int(vtFloat) << "1.2.3"
                                   << "0";
        QTest::newRow("float inf") << int(vtFloat) << "inf"
                                   << "0";
        QTest::newRow("bool empty") << int(vtBoolean) << ""
                                    << "0";
        QTest::newRow("bool zero") << int(vtBoolean) << "0"
                                   << "0";
        QTest::newRow("bool other") << int(vtBoolean) << "yes"
                                    << "1";
    }
    void typedCellsConvertWhatIsStored()
    {
        QFETCH(int, type);
        QFETCH(QString, input);
        QFETCH(QString, stored);
        auto grid = MakeGrid({"A"}, 1);
        grid->SetCellType(0, 0, TValueType(type));
        grid->SetCell(0, 0, input);
        QCOMPARE(grid->GetCell(0, 0), stored);
        QCOMPARE(grid->GetCellType(0, 0), TValueType(type));
        QCOMPARE(grid->GetCellOptions(0, 0), TValueOptions()); // a line break never sneaks in
    }

    void optionsFollowTheCellsTypeAndText()
    {
        auto grid = MakeGrid({"A"}, 3);
        grid->SetCellType(0, 0, vtInteger);
        grid->SetCellOptions(0, 0, voList | voButton | voReadOnly);
        QCOMPARE(grid->GetCellOptions(0, 0), TValueOptions(voReadOnly));

        grid->SetCell(0, 1, "two\nlines");
        grid->SetCellOptions(0, 1, voReadOnly);
        QCOMPARE(grid->GetCellOptions(0, 1), TValueOptions(voList | voReadOnly));
        grid->SetCellOptions(0, 1, {});
        QCOMPARE(grid->GetCellOptions(0, 1), TValueOptions(voList));

        // Changing the type converts the text and keeps the options.
        grid->SetCell(0, 2, "12abc");
        grid->SetCellOptions(0, 2, voButton);
        grid->SetCellType(0, 2, vtBoolean);
        QCOMPARE(grid->GetCell(0, 2), QString("1"));
        QCOMPARE(grid->GetCellOptions(0, 2), TValueOptions(voButton));
        grid->SetCellType(0, 2, vtString);
        QCOMPARE(grid->GetCell(0, 2), QString("1"));
        // An integer cell drops several lines and its button with its old text.
        grid->SetCellType(0, 1, vtInteger);
        QCOMPARE(grid->GetCell(0, 1), QString("0"));
        QCOMPARE(grid->GetCellOptions(0, 1), TValueOptions());
    }

    void emptyGridHasNoRowsYetOneBlankLine()
    {
        auto grid = MakeGrid({"A", "B"}, 0);
        QCOMPARE(grid->RowCount(), 0);
        QCOMPARE(grid->Row(), -1);
        QCOMPARE(grid->Col(), 0);
        QCOMPARE(grid->model()->rowCount(), 1);
        QCOMPARE(grid->GetCellOptions(0, 0), TValueOptions());
        QCOMPARE(grid->GetCellType(7, 9), vtString);
        QCOMPARE(ErrorOf([&] { grid->GetCell(0, 0); }), QString("Wrong row index"));
        QCOMPARE(ErrorOf([&] { grid->GetCell(2, 0); }), QString("Wrong column index"));
        QCOMPARE(ErrorOf([&] { grid->SetRowData(0, nullptr); }), QString("Wrong row index"));
        QVERIFY(!grid->ShowEditor());

        int selects = 0;
        grid->OnSelectCell = [&](TQStringGrid*, int, int, bool&) { ++selects; };
        grid->SetCol(1);
        QCOMPARE(grid->Col(), 1);
        QCOMPARE(selects, 0); // no select events for the blank row

        grid->SetRowCount(2);
        QCOMPARE(grid->Row(), 0);
        QCOMPARE(grid->Col(), 1);
        grid->SetRowCount(0);
        QCOMPARE(grid->Row(), -1);
        QCOMPARE(grid->RowCount(), 0);
    }

    void columnsAndTheirErrors()
    {
        auto grid = MakeGrid({}, 0);
        QCOMPARE(grid->Col(), -1);
        QCOMPARE(ErrorOf([&] { grid->SetCol(0); }), QString("Column list is empty"));
        TQGridColumn* a = grid->Columns().Add();
        TQGridColumn* b = grid->Columns().Add();
        a->SetName("Native");
        QCOMPARE(ErrorOf([&] { b->SetName("NATIVE"); }), QString("Column with name \"NATIVE\" already exists"));
        QCOMPARE(ErrorOf([&] { b->SetName(""); }), QString("Empty column names are not allowed"));
        QCOMPARE(ErrorOf([&] { b->SetGridIndex(-1); }), QString("Wrong column index"));
        a->SetName("native"); // a column may rename itself in other case
        QCOMPARE(grid->Columns().ColumnByName("NaTiVe"), a);
        QCOMPARE(grid->Columns().ColumnByName("none"), nullptr);
        QCOMPARE(grid->Columns().ColumnByName(""), nullptr);
        QCOMPARE(b->Name(), QString());
    }

    void visibleColumnsFollowGridIndexAndFixedCols()
    {
        auto grid = MakeGrid({"A", "B", "C"}, 2);
        TQGridColumn* a = grid->Columns()[0];
        TQGridColumn* c = grid->Columns()[2];
        grid->SetCell(0, 0, "a0");
        c->SetGridIndex(0);
        QCOMPARE(grid->VisibleColumn(0), c);
        QCOMPARE(grid->VisibleColumn(1), a);
        QCOMPARE(grid->GetCell(1, 0), QString("a0"));
        QCOMPARE(a->GridIndex(), 1);

        grid->SetFixedCols(5);
        QCOMPARE(grid->EffectiveFixedCols(), 2); // one column always scrolls
        QVERIFY(c->Fixed());
        QCOMPARE(grid->Col(), 2);
        QCOMPARE(ErrorOf([&] { grid->SetCol(1); }), QString("Wrong column index"));

        a->SetVisible(false);
        QCOMPARE(a->GridIndex(), -1);
        QCOMPARE(grid->VisibleColCount(), 2);
        QCOMPARE(grid->EffectiveFixedCols(), 1);
        a->SetVisible(true); // a column without place is placed in creation order
        QCOMPARE(grid->VisibleColumn(0), a);
        QCOMPARE(grid->VisibleColumn(1), c);

        // A new column takes the grid's default width and one text per row.
        grid->SetDefaultColWidth(120);
        TQGridColumn* d = grid->Columns().Add();
        QCOMPARE(d->Width(), 120);
        QCOMPARE(d->GridIndex(), 3);
        QCOMPARE(grid->GetCell(3, 1), QString());
    }

    void hidingTheLastVisibleColumnLeavesNoCurrentColumn()
    {
        auto grid = MakeGrid({"A"}, 3);
        QList<QPair<TQGridColumn*, TQGridColumn*>> changes;
        grid->OnActiveColChanged = [&](TQStringGrid*, TQGridColumn* o, TQGridColumn* n) {
            changes.append(qMakePair(o, n));
        };
        TQGridColumn* a = grid->Columns()[0];
        QCOMPARE(grid->ActiveColumn(), a);
        a->SetVisible(false);
        QCOMPARE(grid->Col(), -1);
        QCOMPARE(grid->ActiveColumn(), nullptr);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(changes[0].first, a);
        QCOMPARE(changes[0].second, nullptr);
        QCOMPARE(grid->GetCellOptions(0, 0), TValueOptions());
        a->SetVisible(true);
        QCOMPARE(grid->Col(), 0);
        QCOMPARE(grid->ActiveColumn(), a);
    }

    void headerClicksSortAndCycle()
    {
        auto grid = MakeGrid({"Name", "Value"}, 4);
        const QStringList names{"beta", "Alpha", "delta", "Charlie"};
        for (int row = 0; row < 4; ++row) {
            grid->SetCell(0, row, names[row]);
            grid->SetCell(1, row, QString::number(row));
            grid->SetRowData(row, reinterpret_cast<void*>(quintptr(row + 1)));
        }
        QList<int> clicked;
        grid->OnHeaderClick = [&](TQStringGrid*, int ACol) { clicked << ACol; };
        TQGridColumn* name = grid->Columns()[0];
        TQGridColumn* value = grid->Columns()[1];

        ClickHeader(*grid, 0);
        QCOMPARE(name->SortOrder(), csAsc);
        QCOMPARE(Column(*grid, 0), QString("Alpha|beta|Charlie|delta"));
        QCOMPARE(Column(*grid, 1), QString("1|0|3|2")); // whole rows move
        QCOMPARE(grid->IndexOfRowData(reinterpret_cast<void*>(quintptr(2))), 0);

        ClickHeader(*grid, 0);
        QCOMPARE(name->SortOrder(), csDsc);
        QCOMPARE(Column(*grid, 0), QString("delta|Charlie|beta|Alpha"));

        ClickHeader(*grid, 1);
        QCOMPARE(value->SortOrder(), csAsc);
        QCOMPARE(name->SortOrder(), csNone);
        QCOMPARE(Column(*grid, 1), QString("0|1|2|3"));
        QCOMPARE(clicked, QList<int>({0, 0, 1}));

        // Without AutoSort a click only reports.
        grid->SetAutoSort(false);
        ClickHeader(*grid, 0);
        QCOMPARE(name->SortOrder(), csNone);
        QCOMPARE(Column(*grid, 1), QString("0|1|2|3"));
        QCOMPARE(clicked.size(), 4);
    }

    void sortingFoldsOnlyAsciiLettersAndAsksTheOwner()
    {
        auto grid = MakeGrid({"A", "B"}, 4);
        const QStringList texts{"b", "\u00e4", "B", "a"};
        for (int row = 0; row < 4; ++row) grid->SetCell(0, row, texts[row]);
        grid->SetFixedCols(1);
        ClickHeader(*grid, 0); // a fixed column's header sorts too
        QCOMPARE(grid->Columns()[0]->SortOrder(), csAsc);
        QCOMPARE(Column(*grid, 0).toLower(), QString("a|b|b|\u00e4"));

        // The owner's comparison replaces the built-in one: longest first.
        const QStringList words{"aa", "a", "aaaa", "aaa"};
        for (int row = 0; row < 4; ++row) grid->SetCell(1, row, words[row]);
        grid->OnCompareRows = [&](const TQGridColumnList& sorted, int i, int j, int& result) {
            QCOMPARE(sorted.size(), size_t(1));
            result = int(grid->GetCell(1, j).size()) - int(grid->GetCell(1, i).size());
        };
        grid->Columns()[0]->SetSortOrder(csNone);
        grid->Columns()[1]->SetSortOrder(csAsc);
        QCOMPARE(Column(*grid, 1), QString("aaaa|aaa|aa|a"));
    }

    void sortWithoutSortedColumnsKeepsTheOrder()
    {
        auto grid = MakeGrid({"A"}, 3);
        for (int row = 0; row < 3; ++row) grid->SetCell(0, row, QString::number(row));
        grid->Sort();
        QCOMPARE(Column(*grid, 0), QString("0|1|2"));
    }

    void numericEditorRefusesWhatMakesNoNumber()
    {
        auto grid = MakeGrid({"N"}, 1);
        grid->SetCellType(0, 0, vtInteger);
        grid->SetCell(0, 0, "5");
        QTest::keyClick(grid.get(), Qt::Key_F2);
        TQSGInplaceEdit* editor = grid->GetInplaceEditor();
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->Text(), QString("5"));
        editor->moveCursor(QTextCursor::End);
        QTest::keyClick(editor, '-');
        QCOMPARE(editor->Text(), QString("5")); // "5-" is no number
        QTest::keyClick(editor, 'x');
        QCOMPARE(editor->Text(), QString("5"));
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClick(editor, '-'); // the sign alone is accepted
        QCOMPARE(editor->Text(), QString("-"));
        QTest::keyClick(editor, '3');
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!grid->Editing());
        QCOMPARE(grid->GetCell(0, 0), QString("-3"));
    }

    void multiLineEditorMakesLinesWithEnterAndCommitsWithCtrlEnter()
    {
        auto grid = MakeGrid({"T"}, 2);
        QStringList stored;
        grid->OnSetEditText = [&](TQStringGrid*, int, int, const QString& v) { stored << v; };
        grid->SetCellOptions(0, 0, voList);
        QTest::keyClick(grid.get(), Qt::Key_Return);
        TQSGInplaceEdit* editor = grid->GetInplaceEditor();
        QVERIFY(editor->isVisible());
        QVERIFY(editor->MultiLine());
        QCOMPARE(editor->height(), 100);
        QTest::keyClicks(editor, "one");
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(grid->Editing());
        QTest::keyClicks(editor, "two words");
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(!grid->Editing());
        QCOMPARE(stored, QStringList({"one\r\ntwo words"}));
        QCOMPARE(grid->GetCell(0, 0), QString("one\r\ntwo words"));
        QCOMPARE(grid->Columns()[0]->Values(0), QString("one,\"two words\""));

        // Ctrl+Enter on a plain cell makes it a list cell and opens the editor.
        grid->SetRow(1);
        QTest::keyClick(grid.get(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(grid->Editing());
        QVERIFY(editor->MultiLine());
        QVERIFY(grid->GetCellOptions(0, 1) & voList);
    }

    void typingEditsEnterCommitsAndEscapeRestores()
    {
        auto grid = MakeGrid({"T"}, 3);
        grid->SetCell(0, 0, "old");
        grid->SetAutoMoveDown(true);
        QStringList events;
        grid->OnGetEditText = [&](TQStringGrid*, int, int, QString& v) {
            events << "get " + v;
            v += "!";
        };
        grid->OnSetEditText = [&](TQStringGrid*, int c, int r, const QString& v) {
            events << QString("set %1,%2 %3").arg(c).arg(r).arg(v);
        };
        grid->OnCancelEdit = [&](TQStringGrid*, int, int, const QString& v) { events << "cancel " + v; };

        QTest::keyClick(grid.get(), Qt::Key_Return); // opens with the owner's text
        QCOMPARE(grid->GetInplaceEditor()->Text(), QString("old!"));
        QTest::keyClick(grid->GetInplaceEditor(), Qt::Key_Escape);
        QVERIFY(!grid->Editing());
        QCOMPARE(grid->GetCell(0, 0), QString("old"));
        QCOMPARE(grid->Row(), 0);

        QTest::keyClicks(grid.get(), "n"); // typing replaces the text
        QVERIFY(grid->Editing());
        QTest::keyClicks(grid->GetInplaceEditor(), "ew");
        QTest::keyClick(grid->GetInplaceEditor(), Qt::Key_Return);
        QCOMPARE(grid->GetCell(0, 0), QString("new"));
        QCOMPARE(grid->Row(), 1); // AutoMoveDown
        QCOMPARE(events, QStringList({"get old", "cancel old", "get old", "set 0,0 new"}));

        // Read-only cells and columns never open the editor; Enter just moves on.
        grid->SetCellOptions(0, 1, voReadOnly);
        QTest::keyClick(grid.get(), Qt::Key_Return);
        QVERIFY(!grid->Editing());
        QCOMPARE(grid->Row(), 2);
        grid->Columns()[0]->SetReadOnly(true);
        QVERIFY(!grid->ShowEditor());
    }

    void clickingTheCurrentCellOpensTheEditorAndLeavingCommits()
    {
        auto grid = MakeGrid({"A", "B"}, 2);
        QWidget* view = grid->viewport();
        const QPoint cell = grid->visualRect(grid->model()->index(0, 1)).center();
        QTest::mouseClick(view, Qt::LeftButton, {}, cell);
        QCOMPARE(grid->Col(), 1);
        QVERIFY(!grid->Editing());
        QTest::mouseClick(view, Qt::LeftButton, {}, cell);
        QVERIFY(grid->Editing());
        QTest::keyClicks(grid->GetInplaceEditor(), "typed");
        QTest::mouseClick(view, Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, 0)).center());
        QVERIFY(!grid->Editing());
        QCOMPARE(grid->GetCell(1, 0), QString("typed"));
        QCOMPARE(grid->Row(), 1);
        QCOMPARE(grid->Col(), 0);
    }

    void booleanCellsToggleThroughTheSetTextPath()
    {
        auto grid = MakeGrid({"B"}, 1);
        grid->SetCellType(0, 0, vtBoolean);
        QStringList stored;
        grid->OnSetEditText = [&](TQStringGrid*, int, int, const QString& v) { stored << v; };
        QTest::keyClick(grid.get(), Qt::Key_Space);
        QTest::keyClick(grid.get(), Qt::Key_Space);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 0)).center());
        QCOMPARE(stored, QStringList({"1", "0", "1"}));
        QCOMPARE(grid->GetCell(0, 0), QString("1"));
        QVERIFY(!grid->ShowEditor());
        grid->SetCellOptions(0, 0, voReadOnly);
        QTest::keyClick(grid.get(), Qt::Key_Space);
        QCOMPARE(grid->GetCell(0, 0), QString("1"));
    }

    void cellButtonShowsOnTheCurrentCellAndAnswersEnter()
    {
        auto grid = MakeGrid({"A"}, 2);
        int clicks = 0;
        grid->OnButtonClick = [&](TQStringGrid* g) {
            ++clicks;
            g->SetCellOptions(0, 0, {});
        };
        grid->SetCellOptions(0, 0, voButton);
        QPushButton* button = grid->CellButton();
        QVERIFY(button->isVisible());
        QCOMPARE(button->text(), QString(3, QChar(0x00B7)));
        const QRect cell = grid->visualRect(grid->model()->index(0, 0));
        QCOMPARE(button->geometry().right(), cell.right());
        QCOMPARE(button->height(), cell.height() - 2);
        QVERIFY(!grid->ShowEditor());
        grid->SetRow(1);
        QVERIFY(!button->isVisible());
        grid->SetRow(0);
        QVERIFY(button->isVisible());
        QTest::keyClick(grid.get(), Qt::Key_Return);
        QCOMPARE(clicks, 1);
        QVERIFY(!button->isVisible()); // the cell lost its button
        QVERIFY(!grid->Editing());
    }

    void selectCellMayRefuseAndSelectionChangesAreReported()
    {
        auto grid = MakeGrid({"A", "B"}, 5);
        int selectionChanges = 0;
        grid->OnSelectionChanged = [&](TQStringGrid*) { ++selectionChanges; };
        grid->OnSelectCell = [](TQStringGrid*, int, int ARow, bool& CanSelect) { CanSelect = ARow != 2; };
        QTest::keyClick(grid.get(), Qt::Key_Down);
        QCOMPARE(grid->Row(), 1);
        QCOMPARE(selectionChanges, 1);
        QTest::keyClick(grid.get(), Qt::Key_Down);
        QCOMPARE(grid->Row(), 1);
        QCOMPARE(selectionChanges, 1);
        grid->SetSelection({0, 3, 1, 4});
        QCOMPARE(grid->Row(), 4);
        QCOMPARE(grid->Col(), 1);
        QVERIFY(grid->MultiRowsSelected());
        QVERIFY(grid->MultiColsSelected());
        QVERIFY(grid->CellSelected(0, 3));
        QVERIFY(!grid->CellSelected(0, 2));
        QCOMPARE(selectionChanges, 2);
        grid->SetSelection({0, 3, 1, 99}); // pulled back below RowCount
        QCOMPARE(grid->Selection(), TGridRect({0, 3, 1, 4}));
        grid->FocusCell(0, 0, true);
        QCOMPARE(grid->Selection(), TGridRect({0, 0, 0, 0}));
        QCOMPARE(ErrorOf([&] { grid->SetRow(5); }), QString("Wrong row index"));
    }

    void draggingAsksBeforeTheCurrentCellFollows()
    {
        auto grid = MakeGrid({"A", "B"}, 5);
        QList<int> asked;
        grid->OnSelectCell = [&](TQStringGrid*, int, int ARow, bool& CanSelect) {
            asked << ARow;
            CanSelect = ARow != 4;
        };
        auto center = [&](int ARow, int Column) {
            return grid->visualRect(grid->model()->index(ARow, Column)).center();
        };
        QWidget* view = grid->viewport();
        QTest::mousePress(view, Qt::LeftButton, {}, center(0, 0));
        QTest::mouseMove(view, center(3, 1));
        QTest::mouseMove(view, center(4, 1));
        QTest::mouseRelease(view, Qt::LeftButton, {}, center(4, 1));
        QCOMPARE(grid->Row(), 3);
        QCOMPARE(grid->Col(), 1);
        QCOMPARE(grid->Selection(), TGridRect({0, 0, 1, 3}));
        QCOMPARE(asked, QList<int>({3, 4}));

        // Copying a list cell gives its lines, not the comma form it shows.
        grid->SetCell(1, 3, "one\ntwo");
        QTest::keyClick(grid.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("one\r\ntwo"));
    }

    void rowOperationsMoveTextsWordsAndData()
    {
        auto grid = MakeGrid({"A", "B"}, 3);
        int items[4] = {};
        for (int row = 0; row < 3; ++row) {
            grid->SetCell(0, row, QString::number(row));
            grid->SetRowData(row, &items[row]);
        }
        grid->SetCellOptions(0, 0, voReadOnly);
        grid->ExchangeRows(0, 2);
        QCOMPARE(Column(*grid, 0), QString("2|1|0"));
        QCOMPARE(grid->GetCellOptions(0, 2), TValueOptions(voReadOnly));
        QCOMPARE(grid->GetRowData(2), &items[0]);
        grid->MoveRow(2, 0);
        QCOMPARE(Column(*grid, 0), QString("0|2|1"));
        grid->InsertRow(1);
        QCOMPARE(Column(*grid, 0), QString("0||2|1"));
        QCOMPARE(grid->GetRowData(1), nullptr);
        QCOMPARE(grid->IndexOfRowData(&items[1]), 3);
        QCOMPARE(grid->IndexOfRowData(&items[3]), -1);
        grid->DeleteRows(0, 1);
        QCOMPARE(Column(*grid, 0), QString("2|1"));
        grid->AddRows(2);
        QCOMPARE(grid->RowCount(), 4);
        grid->SetRowCount(1);
        QCOMPARE(Column(*grid, 0), QString("2"));
        grid->DeleteRow(0);
        QCOMPARE(grid->RowCount(), 0);
        QCOMPARE(grid->Row(), -1);
        grid->ClearAll();
        QCOMPARE(grid->Columns().Count(), 0);
        QCOMPARE(grid->Col(), -1);
    }

    void inputMethodResultArrivesAsOneString()
    {
        auto grid = MakeGrid({"T"}, 1);
        QInputMethodEvent start(QStringLiteral("\u304b"), {});
        QApplication::sendEvent(grid.get(), &start);
        QVERIFY(grid->Editing());
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("\u6f22\u5b57"));
        QApplication::sendEvent(grid->GetInplaceEditor(), &commit);
        QTest::keyClick(grid->GetInplaceEditor(), Qt::Key_Return);
        QCOMPARE(grid->GetCell(0, 0), QStringLiteral("\u6f22\u5b57"));
    }

    void paintingUsesTheGridsColoursAndTheOwnersProperties()
    {
        auto grid = MakeGrid({"Fixed", "A", "B"}, 3);
        grid->SetFixedCols(1);
        grid->SetActiveRowColor(QColor(10, 200, 30));
        grid->SetFixedColor(QColor(200, 10, 10));
        grid->Columns()[2]->SetColor(QColor(0, 0, 250));
        grid->SetCellType(2, 2, vtBoolean);
        grid->SetCell(2, 2, "1");
        grid->OnGetCellProps = [](TQStringGrid*, int ACol, int ARow, TQCellProperties& p) {
            if (ACol == 2 && ARow == 1) p.Color = QColor(250, 250, 0);
        };
        int drawn = 0;
        grid->OnDrawCell = [&](TQStringGrid*, QPainter&, int, int, const QRect&, TGridDrawState) { ++drawn; };
        grid->SetRow(0);
        const QImage image = grid->grab().toImage();
        auto pixel = [&](int ACol, int ARow, QPoint offset = {2, 2}) {
            return image.pixelColor(grid->CellRect(ACol, ARow).topLeft() + offset);
        };
        QCOMPARE(pixel(1, 0), QColor(10, 200, 30)); // current row
        QCOMPARE(pixel(2, 0), QColor(10, 200, 30));
        QCOMPARE(pixel(0, 0), QColor(0x80, 0x80, 0x80)); // fixed cell of the current row
        QCOMPARE(pixel(0, 1), QColor(200, 10, 10));
        QCOMPARE(pixel(2, 1), QColor(250, 250, 0));       // the owner's colour
        QCOMPARE(pixel(1, -1), QColor(0x80, 0x80, 0x80)); // the current column's header
        // The check mark is drawn in the background's inverse.
        const QRect check = grid->CellRect(2, 2);
        bool inverse = false;
        for (int x = check.left(); x <= check.right(); ++x)
            for (int y = check.top(); y <= check.bottom(); ++y)
                inverse |= image.pixelColor(x, y) == QColor(255, 255, 5);
        QVERIFY(inverse);
        QVERIFY(drawn >= 6);
        // Cell rectangles and mouse coordinates agree in every area of the grid.
        for (const QPoint& cell : {QPoint(0, -1), QPoint(2, -1), QPoint(0, 1), QPoint(1, 2)}) {
            const QPoint center = grid->CellRect(cell.x(), cell.y()).center();
            const TGridCoord coord = grid->MouseCoord(center.x(), center.y());
            QCOMPARE(QPoint(coord.X, coord.Y), cell);
        }
        QCOMPARE(grid->MouseCoord(490, 290).X, -1);
    }

    void userMovingAColumnMovesItsGridIndex()
    {
        auto grid = MakeGrid({"A", "B", "C"}, 1);
        TQGridColumn* c = grid->Columns()[2];
        grid->SetCell(2, 0, "c");
        grid->SetOptions(grid->Options() | goColMoving);
        // Dragging a header cancels its click and hands the press to the base, which moves the column.
        QWidget* header = grid->horizontalHeader()->viewport();
        const QPoint from = grid->CellRect(2, -1).center() - header->mapTo(grid.get(), QPoint(0, 0));
        const QPoint to = grid->CellRect(0, -1).center() - header->mapTo(grid.get(), QPoint(0, 0));
        QTest::mousePress(header, Qt::LeftButton, {}, from);
        for (int step = 1; step <= 8; ++step) QTest::mouseMove(header, from + (to - from) * step / 8);
        QTest::mouseRelease(header, Qt::LeftButton, {}, to - QPoint(10, 0));
        QTRY_COMPARE(c->GridIndex(), 0);
        QCOMPARE(c->SortOrder(), csNone); // no click
        QCOMPARE(grid->GetCell(0, 0), QString("c"));
        QCOMPARE(grid->horizontalHeader()->visualIndex(0), 0); // the header is back in order
    }

    void removingColumnsWhileEditingStoresTheEditFirst()
    {
        auto grid = MakeGrid({"A", "B"}, 1);
        grid->SetCol(1);
        QVERIFY(grid->ShowEditor());
        QTest::keyClicks(grid->GetInplaceEditor(), "kept");
        grid->Columns().Delete(0);
        QVERIFY(!grid->Editing());
        QCOMPARE(grid->GetCell(0, 0), QString("kept"));
        QCOMPARE(grid->Columns()[0]->Caption(), QString("B"));
        // Destroying a grid in the middle of an edit stores nothing and does not crash.
        int stored = 0;
        grid->OnSetEditText = [&](TQStringGrid*, int, int, const QString&) { ++stored; };
        QVERIFY(grid->ShowEditor());
        grid.reset();
        QCOMPARE(stored, 0);
    }

    void editorReportsSelectionAndPastesBy8BitLocale()
    {
        auto grid = MakeGrid({"T"}, 1);
        grid->SetCell(0, 0, "abc");
        int changes = 0;
        grid->OnEditorSelChange = [&](TQStringGrid*) { ++changes; };
        QVERIFY(grid->ShowEditor());
        TQSGInplaceEdit* editor = grid->GetInplaceEditor();
        editor->SetLocale(0x0407);
        QTest::keyClick(editor, Qt::Key_End);
        QCOMPARE(changes, 1); // all text was selected, now nothing is
        QTest::keyClick(editor, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(changes, 2);

        // Without Unicode text the 8-bit text is read in the locale's code page.
        auto* data = new QMimeData;
        data->setData(QStringLiteral("application/x-qt-windows-mime;value=\"Text\""),
                      QByteArray("\xe4\xdf\r\nnext\0junk", 13));
        QApplication::clipboard()->setMimeData(data);
        editor->paste();
        QCOMPARE(editor->Text(), QString::fromUtf8("ab\u00e4\u00df")); // one line in a single-line editor

        editor->selectAll();
        editor->copy();
        const QMimeData* copied = QApplication::clipboard()->mimeData();
        QCOMPARE(copied->text(), QString::fromUtf8("ab\u00e4\u00df"));
        QCOMPARE(copied->data(QStringLiteral("application/x-qt-windows-mime;value=\"Locale\"")),
                 QByteArray("\x07\x04\0\0", 4));
    }

    void contextPopupGetsTheCurrentCellOrTheMouse()
    {
        auto grid = MakeGrid({"A"}, 2);
        QPoint at;
        grid->OnContextPopup = [&](TQStringGrid*, int X, int Y) { at = {X, Y}; };
        QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
        QApplication::sendEvent(grid.get(), &keyboard);
        QCOMPARE(at, grid->mapToGlobal(grid->CellRect(0, 0).topLeft()));
        QContextMenuEvent mouse(QContextMenuEvent::Mouse, QPoint(3, 4), QPoint(30, 40));
        QApplication::sendEvent(grid->viewport(), &mouse);
        QCOMPARE(at, QPoint(30, 40));
        grid->SetRowCount(0);
        QApplication::sendEvent(grid.get(), &keyboard);
        QCOMPARE(at, QPoint(-1, -1)); // no current cell on screen
    }

    void userSizingKeepsColumnsAndRowsInStep()
    {
        auto grid = MakeGrid({"Fixed", "A"}, 3);
        grid->SetFixedCols(1);
        grid->horizontalHeader()->resizeSection(0, 150);
        QCOMPARE(grid->Columns()[1]->Width(), 150);
        grid->Columns()[1]->SetWidth(90);
        QCOMPARE(grid->horizontalHeader()->sectionSize(0), 90);

        // Dragging a fixed column's border in the header row.
        const QRect header = grid->CellRect(0, -1);
        QWidget* corner = grid->childAt(header.center());
        const QPoint border = corner->mapFrom(grid.get(), QPoint(header.right(), header.center().y()));
        const int width = grid->Columns()[0]->Width();
        QTest::mousePress(corner, Qt::LeftButton, {}, border);
        QTest::mouseMove(corner, border + QPoint(25, 0));
        QTest::mouseRelease(corner, Qt::LeftButton, {}, border + QPoint(25, 0));
        QCOMPARE(grid->Columns()[0]->Width(), width + 25);

        // One row sized by the user makes every row that height.
        grid->SetOptions(grid->Options() | goRowSizing);
        QHeaderView* rows = grid->verticalHeader();
        const int bottom = rows->sectionViewportPosition(1) + rows->sectionSize(1) - 1;
        QTest::mousePress(rows->viewport(), Qt::LeftButton, {}, QPoint(5, bottom));
        QTest::mouseMove(rows->viewport(), QPoint(5, bottom + 12));
        QTest::mouseRelease(rows->viewport(), Qt::LeftButton, {}, QPoint(5, bottom + 12));
        QCOMPARE(grid->DefaultRowHeight(), 30);
        QCOMPARE(grid->rowHeight(0), 30);
        QCOMPARE(grid->rowHeight(2), 30);
    }
};

QTEST_MAIN(TestStringGrid)
#include "tst_stringgrid.moc"
