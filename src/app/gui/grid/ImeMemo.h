#pragma once

#include "app/gui/grid/QGridColumn.h"

#include <QPlainTextEdit>

// A memo that knows the language it is typed in: 8-bit clipboard text is read
// in the code page of its locale (a Windows language identifier), copied text
// carries the locale, and the desktop's input method is asked for the mode of
// the column. The grid's in-place editor and the multi-line cell editor are
// both one, so a cell takes the same text whichever way it is edited.
class TQImeMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TQImeMemo(QWidget* Parent = nullptr);

    int Locale() const { return FLocale; }
    void SetLocale(int Value) { FLocale = Value; }
    const QString& ImeName() const { return FImeName; }
    TImeMode ImeMode() const { return FImeMode; }
    // Of the modes only "off" and "Latin letters" have a counterpart in the
    // desktop's input methods; the others leave the method as the user set it.
    void SetIme(const QString& Name, TImeMode Mode);
    // Whether the locale reads from right to left.
    bool RightToLeft() const;

protected:
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* Source) const override;
    void insertFromMimeData(const QMimeData* Source) override;
    // The text Source offers: Unicode text, else 8-bit text in the locale's
    // code page; line breaks as "\r\n".
    QString ClipboardText(const QMimeData* Source) const;

private:
    int FLocale = 0;
    QString FImeName;
    TImeMode FImeMode = imDontCare;
};
