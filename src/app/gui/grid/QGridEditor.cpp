#include "app/gui/grid/QGridEditor.h"

#include "app/gui/grid/QStringGrid.h"
#include "storage/Locales.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QtEndian>

TQSGInplaceEdit::TQSGInplaceEdit(TQStringGrid* Grid) : TQImeMemo(Grid->viewport()), FGrid(Grid)
{
    hide();
    document()->setDocumentMargin(0);
    setViewportMargins(2, 1, 2, 0);
    setTabChangesFocus(false);
    // The selection stays visible when the editor loses the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
}

QString TQSGInplaceEdit::Text() const { return DocumentCellText(*document()); }

void TQSGInplaceEdit::SetText(const QString& Value)
{
    setPlainText(NormalizeLineBreaks(Value).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

int TQSGInplaceEdit::SelLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void TQSGInplaceEdit::TakeUp(TQGridColumn* Column, TValueOptions Options, TValueType Type, int ACol, int ARow)
{
    FMultiLine = Options & voList;
    FType = Type;
    setFrameShape(FMultiLine ? QFrame::Box : QFrame::NoFrame);
    setLineWrapMode(FMultiLine ? WidgetWidth : NoWrap);
    setVerticalScrollBarPolicy(FMultiLine ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetIme(Column->ImeName(), Column->ImeMode());
    setFont(Column->Font().Font);
    FColor = QColor();
    if (FGrid->OnGetEditProps) FGrid->OnGetEditProps(this, ACol, ARow);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, FColor.isValid() ? FColor : FGrid->GridColor());
    if (Column->Font().Color.isValid()) pal.setColor(QPalette::Text, Column->Font().Color);
    setPalette(pal);
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(Column->Alignment() & Qt::AlignRight ? Qt::AlignRight : Qt::AlignLeft);
    option.setTextDirection(RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    document()->setDefaultTextOption(option);
}

bool TQSGInplaceEdit::AcceptsNumericChar(QChar Key) const
{
    if (FType != vtInteger && FType != vtFloat) return true;
    const char16_t code = Key.unicode();
    if (code == 8 || code == 10 || code == 13 || code == 27) return true;
    const QTextCursor cursor = textCursor();
    const QString text = toPlainText();
    const QString result = text.left(cursor.selectionStart()) + Key + text.mid(cursor.selectionEnd());
    if ((Key == u'+' || Key == u'-') && result.size() == 1) return true;
    return FType == vtInteger ? ParseCellInteger(result, nullptr) : ParseCellFloat(result, nullptr);
}

void TQSGInplaceEdit::TypeChar(QChar Key)
{
    if (!AcceptsNumericChar(Key)) {
        QApplication::beep();
        return;
    }
    textCursor().insertText(QString(Key));
    ensureCursorVisible();
}

void TQSGInplaceEdit::keyPressEvent(QKeyEvent* Event)
{
    int key = Event->key();
    const Qt::KeyboardModifiers modifiers = Event->modifiers();
    if (FGrid->OnKeyDown) {
        FGrid->OnKeyDown(FGrid, key, modifiers);
        if (key == 0) return;
    }
    const bool ctrl = modifiers & Qt::ControlModifier;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // In a multi-line cell Enter makes a line break and Ctrl+Enter commits.
        bool enter = !ctrl;
        if (FMultiLine) enter = !enter;
        QChar ch(enter ? 13 : 10);
        if (!FGrid->FireKeyPress(ch)) return;
        if (ch.unicode() == 10 && FMultiLine)
            textCursor().insertText(QStringLiteral("\n"));
        else
            FGrid->HandleChar(ch);
        return;
    }
    case Qt::Key_Escape:
        if (ctrl) break;
        {
            QChar ch(27);
            if (FGrid->FireKeyPress(ch)) FGrid->HandleChar(ch);
        }
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (FMultiLine && ctrl) {
            textCursor().insertText(QStringLiteral("\t"));
            return;
        }
        FGrid->EndEditing();
        FGrid->TabMove(key == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (FMultiLine) break;
        FGrid->EndEditing();
        FGrid->NavigateKey(Event);
        return;
    default:
        if (IsTypedText(Event)) {
            QChar ch = Event->text()[0];
            if (FGrid->FireKeyPress(ch)) TypeChar(ch);
            return;
        }
        break;
    }
    // Alt+letter and the like are the menus' keys, passed on when no shortcut
    // took them; the editor's own (Ctrl+C, Ctrl+Z, Ctrl+Left, ...) stay here.
    if (IsCommandKey(Event) && !IsEditingKey(Event)) {
        Event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(Event);
}

void TQSGInplaceEdit::keyReleaseEvent(QKeyEvent* Event)
{
    QPlainTextEdit::keyReleaseEvent(Event);
    CheckSelChange();
}

void TQSGInplaceEdit::mouseMoveEvent(QMouseEvent* Event)
{
    QPlainTextEdit::mouseMoveEvent(Event);
    CheckSelChange();
}

void TQSGInplaceEdit::CheckSelChange()
{
    const int length = SelLength();
    if (length == FMSelLength) return;
    FMSelLength = length;
    if (FGrid->OnEditorSelChange) FGrid->OnEditorSelChange(FGrid);
}

void TQSGInplaceEdit::focusOutEvent(QFocusEvent* Event)
{
    QPlainTextEdit::focusOutEvent(Event);
    // Leaving the cell stores the text; a popup or another window only borrows the focus.
    if (Event->reason() != Qt::PopupFocusReason && Event->reason() != Qt::ActiveWindowFocusReason) FGrid->EndEditing();
}

bool TQSGInplaceEdit::canInsertFromMimeData(const QMimeData* Source) const
{
    if (!FGrid->CanEditCurrent() && !isReadOnly()) return false;
    return TQImeMemo::canInsertFromMimeData(Source);
}

void TQSGInplaceEdit::insertFromMimeData(const QMimeData* Source)
{
    if (isReadOnly()) {
        QPlainTextEdit::insertFromMimeData(Source);
        return;
    }
    if (!canInsertFromMimeData(Source)) return;
    QString text = ClipboardText(Source);
    // A single-line editor takes the first line only.
    if (!FMultiLine)
        text.truncate(text.indexOf(QStringLiteral("\r\n")) < 0 ? text.size() : text.indexOf(QStringLiteral("\r\n")));
    textCursor().insertText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    ensureCursorVisible();
}

bool IsTypedText(const QKeyEvent* Event)
{
    return !IsCommandKey(Event) && Event->text().size() == 1 && Event->text()[0].isPrint();
}

bool IsCommandKey(const QKeyEvent* Event)
{
    return Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

bool IsEditingKey(const QKeyEvent* Event)
{
    for (const QKeySequence::StandardKey key : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
                                                QKeySequence::Undo, QKeySequence::Redo, QKeySequence::SelectAll})
        if (Event->matches(key)) return true;
    if (Event->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) return false;
    switch (Event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Insert:
        return true;
    default:
        return false;
    }
}
