#include "app/gui/window/NativeValueWindow.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TfrmNativeValue::TfrmNativeValue(QWidget* Parent) : QWidget(Parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmNativeValue"));
    setWindowTitle(QStringLiteral("Native value"));
    // Shown again after each dialog: it must not take the keys (and with
    // them the menus' shortcuts) from the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    mmText = new QPlainTextEdit(this);
    mmText->setObjectName(QStringLiteral("mmText"));
    mmText->setReadOnly(true);
    chbWordWrap = new QCheckBox(QStringLiteral("Word wrap"), this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(mmText, 1);
    layout->addWidget(chbWordWrap);
    connect(chbWordWrap, &QCheckBox::toggled, this, &TfrmNativeValue::SetWordWrap);
    SetWordWrap(false);
    resize(320, 160);
}

void TfrmNativeValue::SetText(const QString& Text) { mmText->setPlainText(Text); }

QString TfrmNativeValue::Text() const { return mmText->toPlainText(); }

void TfrmNativeValue::SetTextFont(const QFont& Font) { mmText->setFont(Font); }

bool TfrmNativeValue::WordWrap() const { return chbWordWrap->isChecked(); }

void TfrmNativeValue::SetWordWrap(bool On)
{
    chbWordWrap->setChecked(On);
    // Wrapped text needs no horizontal scroll bar.
    mmText->setLineWrapMode(On ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    mmText->setHorizontalScrollBarPolicy(On ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
}

void TfrmNativeValue::showEvent(QShowEvent* Event)
{
    QWidget::showEvent(Event);
    Q_EMIT VisibilityChanged(true);
}

void TfrmNativeValue::hideEvent(QHideEvent* Event)
{
    QWidget::hideEvent(Event);
    Q_EMIT VisibilityChanged(false);
}
