#pragma once

#include "langfile/QFindData.h"

class TQStringGrid;

// The editor's grid as the search sees it: rows carry their items, columns
// their language files (none for the name column). Text positions count a
// line break as the two characters "\r\n", as the cell texts do.
class TGridSearchView : public TSearchView {
public:
    explicit TGridSearchView(TQStringGrid* AGrid) : FGrid(AGrid) {}

    // The window's CellEditDialog setting, switched off while a hit is opened
    // for editing so that the cell is edited in place, not in the dialog.
    bool* CellEditDialog = nullptr;

    TQStringGrid* Grid() const { return FGrid; }

    int RowCount() const override;
    int ColCount() const override;
    TLocItem* RowItem(int ARow) const override;
    int ColumnLangIndex(int ACol) const override;
    int ColumnLocale(int ACol) const override;
    bool ColumnReadOnly(int ACol) const override;
    bool CellReadOnly(int ACol, int ARow) const override;
    bool CellIsString(int ACol, int ARow) const override;
    int Col() const override;
    int Row() const override;
    void MoveTo(int ACol, int ARow) override;
    bool Editing() const override;
    QString EditorText() const override;
    int EditorSelStart() const override;
    int EditorSelLength() const override;
    void ReplaceEditorSelection(const QString& Text) override;
    void EditAndSelect(int SelStart, int SelLength) override;
    bool EditorModified() const override;
    void EndEditing(bool Cancel) override;
    void SetEditText(int ACol, int ARow, const QString& Text) override;

private:
    bool ValidCell(int ACol, int ARow) const;

    TQStringGrid* FGrid;
};
