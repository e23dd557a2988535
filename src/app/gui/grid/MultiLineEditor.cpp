#include "app/gui/grid/MultiLineEditor.h"

#include "app/EditorSettings.h"
#include "app/gui/grid/QGridColumn.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QVBoxLayout>

TdlgCellEdit::TdlgCellEdit(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("dlgCellEdit"));
    setWindowTitle(QStringLiteral("Multiline cell editor"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    mmNative = new QPlainTextEdit;
    mmNative->setObjectName(QStringLiteral("mmNative"));
    mmNative->setReadOnly(true);
    mmNative->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmNative->setMinimumHeight(70);
    mmText = new TQImeMemo;
    mmText->setObjectName(QStringLiteral("mmText"));
    mmText->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmText->installEventFilter(this);
    if (const auto position = LoadWindowPosition(wpCellEditor))
        setGeometry(position->Left, position->Top, position->Width, position->Height);

    auto* top = new QWidget;
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(new QLabel(QStringLiteral("Native value")));
    topLayout->addWidget(mmNative);
    auto* bottom = new QWidget;
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(new QLabel(QStringLiteral("Current value")));
    bottomLayout->addWidget(mmText);
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(top);
    splitter->addWidget(bottom);
    splitter->setChildrenCollapsible(false);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({100, 200});

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);
    resize(480, 360);
}

void TdlgCellEdit::SetNative(const QString& Text, const QFont& Font)
{
    mmNative->setFont(Font);
    mmNative->setPlainText(Text);
}

void TdlgCellEdit::SetCurrent(const QString& Text, const QFont& Font, bool RightToLeft, int Locale,
                              const QString& ImeName, TImeMode ImeMode)
{
    mmText->setFont(Font);
    mmText->SetLocale(Locale);
    mmText->SetIme(ImeName, ImeMode);
    mmText->setLayoutDirection(RightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    mmText->setPlainText(Text);
    mmText->setFocus();
}

QString TdlgCellEdit::Text() const
{
    // Lines joined with "\r\n" as the grid keeps them; no break is added after
    // the last line, so confirming an unchanged text changes nothing.
    return DocumentCellText(*mmText->document());
}

bool TdlgCellEdit::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == mmText && Event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(Event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ControlModifier)) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(Watched, Event);
}

void TdlgCellEdit::done(int Result)
{
    const QRect bounds = geometry();
    SaveWindowPosition(wpCellEditor, {bounds.left(), bounds.top(), bounds.width(), bounds.height()});
    QDialog::done(Result);
}
