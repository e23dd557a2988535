#pragma once

#include <QString>

#include <vector>

class TLocItem;
class TLocStorage;

// What a search walks: the rows the editor's grid shows, addressed like the
// grid (visible column index, data-row index). The editor implements it over
// its grid; tests and benchmarks over a plain list of items, so that searching
// needs no window.
class TSearchView {
public:
    virtual ~TSearchView() = default;

    virtual int RowCount() const = 0;
    virtual int ColCount() const = 0;
    // The item of a row; nullptr for a row without one.
    virtual TLocItem* RowItem(int ARow) const = 0;
    // The storage column of a visible column's language, −1 for a column without one.
    virtual int ColumnLangIndex(int ACol) const = 0;
    // The language identifier of that language (the comparison follows its rules).
    virtual int ColumnLocale(int ACol) const = 0;
    // The column as a whole cannot be edited (the native column, a read-only file).
    virtual bool ColumnReadOnly(int ACol) const = 0;
    // The cell has voReadOnly (untranslatable item or verified value).
    virtual bool CellReadOnly(int ACol, int ARow) const = 0;
    // The cell's value type is vtString.
    virtual bool CellIsString(int ACol, int ARow) const = 0;

    // The current cell.
    virtual int Col() const = 0;
    virtual int Row() const = 0;
    // Makes the cell current; the view ends any editing of another row first
    // (storing the text).
    virtual void MoveTo(int ACol, int ARow) = 0;

    // The in-place editor of the current cell; the selection is 0-based.
    virtual bool Editing() const = 0;
    virtual QString EditorText() const = 0;
    virtual int EditorSelStart() const = 0;
    virtual int EditorSelLength() const = 0;
    // Puts Text in place of the editor's selection, the caret after it.
    virtual void ReplaceEditorSelection(const QString& Text) = 0;
    // Opens the editor on the current cell and selects SelLength characters from SelStart.
    virtual void EditAndSelect(int SelStart, int SelLength) = 0;
    // The editor holds text the cell does not have yet (the user typed).
    virtual bool EditorModified() const = 0;
    // Ends editing; the text goes through the cell edit path unless Cancel.
    virtual void EndEditing(bool Cancel) = 0;
    // The cell edit path: stores Text as the cell's value (stamping it translated when it changed).
    virtual void SetEditText(int ACol, int ARow, const QString& Text) = 0;

    // The cell's text: the row item's value in the column's language; empty
    // where either is missing.
    QString CellText(int ACol, int ARow) const;
    // The text the user sees in the cell: while it is being edited, the
    // editor's (typing reaches the value only when the edit ends).
    QString ShownText(int ACol, int ARow) const;
    // The row item's native value.
    QString NativeText(int ARow) const;
};

// A view over a plain list of items: visible column i is storage column i
// (column 0, the native one, cannot be edited), with an in-memory editor. The
// cell edit path stores the text and, when it changed, stamps the value
// translated. For work without a grid: tests and benchmarks.
class TItemSearchView : public TSearchView {
public:
    TItemSearchView(TLocStorage* AStorage, std::vector<TLocItem*> ARows) : FStorage(AStorage), FRows(std::move(ARows))
    {
    }

    int RowCount() const override { return int(FRows.size()); }
    int ColCount() const override;
    TLocItem* RowItem(int ARow) const override;
    int ColumnLangIndex(int ACol) const override { return ACol < ColCount() ? ACol : -1; }
    int ColumnLocale(int ACol) const override;
    bool ColumnReadOnly(int ACol) const override { return ACol == 0; }
    bool CellReadOnly(int ACol, int ARow) const override;
    bool CellIsString(int ACol, int ARow) const override;
    int Col() const override { return FCol; }
    int Row() const override { return FRow; }
    void MoveTo(int ACol, int ARow) override;
    bool Editing() const override { return FEditing; }
    QString EditorText() const override { return FEditorText; }
    int EditorSelStart() const override { return FSelStart; }
    int EditorSelLength() const override { return FSelLength; }
    void ReplaceEditorSelection(const QString& Text) override;
    void EditAndSelect(int SelStart, int SelLength) override;
    bool EditorModified() const override;
    void EndEditing(bool Cancel) override;
    void SetEditText(int ACol, int ARow, const QString& Text) override;

    // Cells passed through the cell edit path so far.
    int EditCount() const { return FEditCount; }

private:
    TLocStorage* FStorage;
    std::vector<TLocItem*> FRows;
    int FCol = 1;
    int FRow = 0;
    bool FEditing = false;
    QString FEditorText;
    int FSelStart = 0;
    int FSelLength = 0;
    int FEditCount = 0;
};

// Search state: options, text and the position of the last hit. One instance
// per purpose, bound to the view at creation.
class TQFindData {
public:
    explicit TQFindData(TSearchView* AGrid) : FGrid(AGrid) {}
    virtual ~TQFindData() = default;

    bool FUp = false;        // the dialog's direction: towards the first row
    bool FWholeCell = false; // the whole cell must equal the search text
    bool FCyclic = true;     // go on from the other end
    bool FWholeWord = false; // a word of the cell must equal the search text
    bool FMatchCase = false;
    QString FFindText;
    TSearchView* FGrid;
    int FGridCol = 0;                 // visible column searched
    int FSearchPos = 0;               // 1-based start of the last match in its cell; 0 from the cell's start
    int FRowIndex = -1;               // row of the last hit
    QString FNativeText;              // when set, only rows whose native text equals it
    bool FIgnoreReadOnly = false;     // skip cells with voReadOnly
    bool FSearchWrongFormats = false; // look for format mismatches instead of text

    // Searches from the current cell; Forward false is Find Prev (the dialog's
    // direction reversed). Returns the hit row or −1 and records it in
    // FRowIndex, the match in FSearchPos.
    int FindNext(bool Forward);
    // Moves to the hit and selects the match in the in-place editor.
    void ShowFoundText();

    // Whether the cell text matches from FSearchPos on; advances FSearchPos to the match.
    bool MatchCell(const QString& Text, int Locale);
    // The locale-aware comparison of whole texts, without case unless FMatchCase.
    bool Equal(const QString& A, const QString& B, int Locale) const;
    // The 1-based position of Sub in Text, 0 when missing or Sub is empty;
    // both lower-cased first unless FMatchCase.
    qsizetype Contains(const QString& Sub, const QString& Text) const;

protected:
    bool Upwards(bool Forward) const { return Forward == FUp; }
    // Whether a text search looks at the row at all.
    bool RowSearchable(int ARow, int Locale) const;

private:
    int ScanText(int From, int To, int Step);
    int ScanFormats(int From, int To, int Step);
    bool MatchWord(const QString& Text, int Locale);
    // Where a text search starts in the current cell: after the match the
    // editor shows selected, else after the last hit when the cell is still
    // that hit's, else at the cell's start.
    int StartPosition() const;

    // The last hit of a text search, so that the next search moves on from
    // it also when its editor was closed (Escape, a click elsewhere) or never
    // got the keys.
    int FHitRow = -1;
    int FHitCol = -1;
    int FHitPos = 0;
    QString FHitCellText;
};

// Search and replace state.
class TQReplaceData : public TQFindData {
public:
    using TQFindData::TQFindData;

    QString FReplaceText;

    // The cell's text after replacing: with FWholeCell the replacement when the
    // whole cell is the search text, otherwise every occurrence from left to
    // right without overlap replaced.
    QString ReplacedText(const QString& Cell) const;
    // Replaces in every row of the range (all rows when FCyclic, else from the
    // current row towards the dialog's direction) through the cell edit path;
    // untranslatable rows, read-only and non-string cells are left alone.
    // Returns the number of cells changed.
    int ReplaceAll();
    // Whether the replace prompt may replace in the current cell: the editor
    // has a selection, the row is translatable and the cell a string.
    bool CanReplace() const;
    // Puts the replacement in place of the editor's selection and passes the
    // editor's text through the cell edit path.
    void ReplaceSelection();
};

// The first row below the current one whose item is not translated in the
// current column's language (untranslatable rows included); −1 when none.
int FindNextUntranslated(const TSearchView& View);

// Readies State for the identical-text translation after a row's translation
// in column ACol changed from OldText to NewText: the other rows with the same
// native text whose translation in that column is still exactly OldText (an
// edit need not be in the current column: a paste spans several).
// False when there is nothing to translate along (an empty old or native text
// would reach rows unrelated to the edit).
bool PrepareIdenticalTranslation(TQReplaceData& State, int ACol, const QString& OldText, const QString& NewText,
                                 const QString& NativeText);

// One cell's edit, kept for the identical-text translation of many edits; an
// edit that left the text as it was only keeps that cell out of the translation.
struct TIdenticalEdit {
    int Col = 0;
    int Row = 0;
    QString OldText;
    QString NewText;
    QString NativeText;
};

// The identical-text translation after many edits at once (a paste or cut of
// a range), in one pass over the rows instead of one per edit: every other
// writable text cell of an edited column whose native text and translation
// are an edit's native and old text takes that edit's new text (the last such
// edit wins). The edited cells keep what the user put there. Returns the
// number of cells changed through the cell edit path.
int TranslateIdenticalAlong(TSearchView& View, const std::vector<TIdenticalEdit>& Edits);
