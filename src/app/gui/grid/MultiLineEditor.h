#pragma once

#include "app/gui/grid/ImeMemo.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;

// The multi-line cell editor: the row's native text above, the cell's text
// below. Ctrl+Enter confirms, Escape cancels, Enter breaks the line.
class TdlgCellEdit : public QDialog {
    Q_OBJECT
public:
    explicit TdlgCellEdit(QWidget* Parent);

    void SetNative(const QString& Text, const QFont& Font);
    // The cell's text in the column's font; Locale reads 8-bit clipboard text
    // and goes with copied text, the input method follows the column's mode.
    void SetCurrent(const QString& Text, const QFont& Font, bool RightToLeft, int Locale, const QString& ImeName,
                    TImeMode ImeMode);
    // The edited text with "\r\n" line breaks.
    QString Text() const;
    TQImeMemo* Editor() const { return mmText; }

protected:
    // The position is kept for the next run on every way the editor closes.
    void done(int Result) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QPlainTextEdit* mmNative;
    TQImeMemo* mmText;
};
