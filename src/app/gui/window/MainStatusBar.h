#pragma once

#include "core/UiStrings.h"

#include <QFont>
#include <QString>

class QLabel;
class QStatusBar;
class TStatusTextPanel;

// The main window's status bar: the current row, the current cell's text, its
// length relative to the native text, and the running task.
class TMainStatusBar {
public:
    explicit TMainStatusBar(QStatusBar* Bar);

    // Row ARow (from 0) of RowCount with the cell's Text in Font.
    void ShowCell(int ARow, int RowCount, const QString& Text, const QFont& Font);
    // The width of Value relative to Native's in one font; nothing without a native text.
    void ShowRelativeLength(const QString& Native, const QString& Value);
    // No current cell (blank panels), or the grid left (empty panels).
    void ShowNoCell(const QFont& Font);
    void Clear(const QFont& Font);
    void ShowTask(TUiString Task);
    // After an interface language switch.
    void RefreshTask() { ShowTask(FTask); }
    // The text of a panel: 0 row, 1 cell, 2 relative length, 3 task.
    QString Text(int Panel) const;

private:
    QLabel* FRow;
    TStatusTextPanel* FCell;
    QLabel* FRelativeLength;
    QLabel* FTaskLabel;
    TUiString FTask = usNone;
};
