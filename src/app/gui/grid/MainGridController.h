#pragma once

#include "app/gui/grid/QStringGrid.h"
#include "core/UiStrings.h"
#include "langfile/LEProject.h"
#include "langfile/QFindData.h"
#include "repository/RepositoryFlows.h"

#include <QFont>
#include <QList>
#include <QSet>
#include <functional>
#include <vector>

struct TEditorSettings;
class TUndoStep;
class TLangFile;

// What the main grid asks of the window it sits in.
struct TMainGridHost {
    bool Debug = false; // row names carry the identifiers
    std::function<void()> UpdateCommandStates;
    std::function<void(int ACol, int ARow)> UpdateCellCommandStates;
    // The status bar on a cell; -1 for the current one.
    std::function<void(int ACol, int ARow)> UpdateStatusText;
    // A cell the current cell moved to or the selection changed (the window's
    // other views follow the grid).
    std::function<void(int ARow)> CurrentCellChanged;
    std::function<void(int ACol, int ARow)> SelectionChanged;
    // A value the user changed, and what the repository holds for a cell.
    std::function<void(int ACol, int ARow)> CellChanged;
    std::function<TRepAvailability(int ACol, int ARow)> Availability;
    // Window reactions to grid events: the in-place editor's selection, Ctrl+.,
    // the pop-up menus and the cell's button.
    std::function<void()> EditorSelChange;
    std::function<void()> ChooseSection;
    std::function<void(int X, int Y)> ContextPopup;
    std::function<void()> EditMultiLine;
    // Runs a command and shows its error.
    std::function<void(const std::function<void()>&)> Guard;
};

// The marks of the selected rows in the active column, as the marking
// commands toggle them.
struct TSelectionMarks {
    bool Translated = false;
    bool Untranslatable = false;
    bool Hidden = false;
    bool Verified = false;
};

// The main window's grid: how the project maps to rows and columns, how cells
// look, the cell edit path and the commands on the selected cells. The window
// and the commands classes reach values only through it.
class TMainGridController {
public:
    TMainGridController(TQStringGrid* AGrid, TLEProject* AProject, const TEditorSettings* ASettings,
                        TMainGridHost AHost);

    TQStringGrid* Grid() const { return FGrid; }

    // Grid events react only while this is set (filling and closing turn it off).
    bool AllowSelectEvents() const { return FAllowSelectEvents; }
    void SetAllowSelectEvents(bool Allow) { FAllowSelectEvents = Allow; }
    bool Closing() const { return FClosing; }
    void SetClosing(bool Closing) { FClosing = Closing; }
    // The marks of untranslatable items changed the native file.
    bool NativeMarksChanged() const { return FNativeMarksChanged; }
    void SetNativeMarksChanged(bool Changed) { FNativeMarksChanged = Changed; }
    const QFont& DefaultFont() const { return FDefaultFont; }
    void SetDefaultFont(const QFont& Font) { FDefaultFont = Font; }

    // Mapping. The language of a grid column (visible index); nullptr for the name column.
    TLangFile* ColumnFile(int ACol) const;
    TLangFile* ActiveLangFile() const;
    TLocItem* RowItem(int ARow) const;
    QString NativeText(int ARow) const;
    bool Writable(int ACol) const;
    // The languages of the selected visible columns, left to right.
    QList<TLangFile*> SelectedLanguages() const;
    // The items of the selected rows, top to bottom.
    QList<TLocItem*> SelectedItems() const;
    bool SomeSelectedCellEditable() const;
    TSelectionMarks SelectionMarks() const;
    // Why a column cannot be edited, for its header's hint and the message
    // when the user tries; empty for a writable column.
    QString ReadOnlyText(int ACol) const;

    // Columns.
    TQGridColumn* AddLanguageColumn(TLangFile* File);
    TQGridColumn* NativeColumn() const;
    void UpdateColumnCaption(TQGridColumn* Column);
    void UpdateCaptions();
    // The first column's caption: the kind of items the grid shows.
    void UpdateSectionCaption();
    // A column's width, font, keyboard and input method from the project desktop.
    void LoadColumnSettings(TQGridColumn* Column);
    void SetShowNative(bool Show);

    void FillGrid();
    void RefreshGrid();
    void UpdateCellOptions(int ACol, int ARow);

    // The cell edit path: stores Text as the value of the cell's item in the
    // column's language and stamps it translated when it changed.
    void EditCell(int ACol, int ARow, const QString& Text);
    // Runs Edits, which pass many cells through the cell edit path (a paste,
    // a cut, Replace All), with the per-cell window updates held back until
    // the end, a format warning shown once, and the identical-text
    // translation done in one pass for all the edits.
    void BulkEdit(const std::function<void()>& Edits);
    // After an undo or redo: the grid refilled and on the first changed cell shown.
    void ShowChangedCells(const TUndoStep& Step);
    void MoveToNextRow();
    // Identical-text translation after an edit (column, old text, new text,
    // native text), and after the edits of a bulk edit.
    std::function<void(int, const QString&, const QString&, const QString&)> AutoTranslateIdentical;
    std::function<void(const std::vector<TIdenticalEdit>&)> TranslateIdenticalAlong;
    // The format signature of a text; when set, edits whose signature differs
    // from the native one are warned about.
    std::function<QString(const QString&)> FormatSignature;

    // Cell and marking commands.
    void ToggleTranslated();
    void ToggleUntranslatable();
    void ToggleVerified();
    void RevertToOriginal();
    void CopyToClipbrd();
    void CutToClipbrd();
    void PasteFromClipbrd();
    void CopyNameToClipbrd();
    void SelectAll();
    void DuplicatePrevCell();
    // While a cell is edited, or a text control outside the grid has the focus,
    // the clipboard commands are that control's own. Returns whether it took Method.
    bool EditorClipboard(const char* Method);

    // Filter and sorting.
    void ShowStates(bool Translated, bool Untranslated);
    void SetUntranslatableOnly(bool On);
    void ShowKinds(bool Textual, bool Nontextual);
    void SortBy(TSortOrder Order);
    void HeaderClick(int ACol);

    // Grid event reactions the window shares.
    void SelectCell(int ACol, int ARow);
    void SelectionChanged();
    void CancelEdit(int ACol, int ARow);

private:
    void WireGrid();
    QString RowName(const TLocItem* Item) const;
    QString ColumnCaption(const TLangFile* File) const;
    void FillRow(int ARow, TLocItem* Item);
    TValueOptions CellOptionsOf(const TLocItem* Item, int LangIndex) const;
    bool StoreCell(int ACol, int ARow, const QString& Text);
    // Name: the undo step's.
    void MarkSelectedValues(TUiString Name,
                            const std::function<bool(TLocItem*, TLocValue*, const TSelectionMarks&)>& Mark);
    void EditRefused(int ACol);
    void CellProps(int ACol, int ARow, TQCellProperties& Props);
    void HeaderProps(int ACol, TQCellProperties& Props);
    void DrawCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect);
    void DrawHeader(QPainter& Painter, int ACol, const QRect& Rect);
    void EditProps(TQSGInplaceEdit* Editor, int ACol);
    void KeyPress(QChar& Key);

    TQStringGrid* FGrid;
    TLEProject* FProject;
    const TEditorSettings* FSettings;
    TMainGridHost FHost;
    QFont FDefaultFont;

    bool FAllowSelectEvents = true;
    bool FClosing = false;
    bool FNativeMarksChanged = false;
    bool FAutoTranslMode = false;
    int FBulkEdits = 0;             // nesting of BulkEdit
    bool FBulkFormatWarned = false; // the bulk edit has shown its format warning
    std::vector<TIdenticalEdit> FBulkIdentical;
    QSet<QString> FReadOnlyTold; // read-only language files the user was told about
};
