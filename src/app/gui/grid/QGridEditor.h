#pragma once

#include "app/gui/grid/ImeMemo.h"

#include <QPlainTextEdit>

class QKeyEvent;

class TQStringGrid;

// The grid's single in-place editor: one line for ordinary cells, several
// lines with a scroll bar for voList cells. Its locale (a Windows language
// identifier) decides the clipboard's 8-bit conversion and the reading order.
class TQSGInplaceEdit : public TQImeMemo {
    Q_OBJECT
public:
    explicit TQSGInplaceEdit(TQStringGrid* Grid);

    TQStringGrid* Grid() const { return FGrid; }
    bool MultiLine() const { return FMultiLine; }
    QColor Color() const { return FColor; }
    void SetColor(const QColor& Value) { FColor = Value; }
    // The text with "\r\n" line breaks.
    QString Text() const;
    void SetText(const QString& Value);
    int SelLength() const;

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    bool canInsertFromMimeData(const QMimeData* Source) const override;
    void insertFromMimeData(const QMimeData* Source) override;

private:
    friend class TQStringGrid;
    // Takes up the grid's current cell: style, font, colour, reading order.
    void TakeUp(TQGridColumn* Column, TValueOptions Options, TValueType Type, int ACol, int ARow);
    // Whether typing Key in place of the selection keeps a numeric cell valid.
    bool AcceptsNumericChar(QChar Key) const;
    // A typed character: checked in numeric cells, then put in place of the selection.
    void TypeChar(QChar Key);
    void CheckSelChange();

    TQStringGrid* FGrid;
    int FMSelLength = 0;
    bool FMultiLine = false;
    TValueType FType = vtString;
    QColor FColor;
};

// A key that types its text into a cell: a printable character without Ctrl,
// Alt or Meta.
bool IsTypedText(const QKeyEvent* Event);
// A key held with Ctrl, Alt or Meta: a command, never text for a cell.
bool IsCommandKey(const QKeyEvent* Event);
// A command key a text editor handles itself (clipboard, undo, moving and
// deleting by words).
bool IsEditingKey(const QKeyEvent* Event);
