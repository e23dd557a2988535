#include "app/gui/window/MainStatusBar.h"

#include "app/gui/window/MainStatusPanel.h"
#include "app/gui/window/UiLanguage.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>

#include <cmath>

TMainStatusBar::TMainStatusBar(QStatusBar* Bar)
{
    FRow = new QLabel;
    FRow->setFixedWidth(100);
    FRow->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FCell = new TStatusTextPanel;
    FCell->setMinimumWidth(50);
    FRelativeLength = new QLabel;
    FRelativeLength->setFixedWidth(150);
    FRelativeLength->setTextFormat(Qt::RichText);
    FTaskLabel = new QLabel;
    MarkDynamicText(FTaskLabel); // the running task's message
    FTaskLabel->setFixedWidth(300);
    Bar->addWidget(FRow);
    Bar->addWidget(FCell, 1);
    Bar->addWidget(FRelativeLength);
    Bar->addWidget(FTaskLabel);
}

void TMainStatusBar::ShowCell(int ARow, int RowCount, const QString& Text, const QFont& Font)
{
    FRow->setText(QStringLiteral("%1/%2 ").arg(ARow + 1).arg(RowCount));
    FCell->SetText(QLatin1Char(' ') + Text, Font);
}

void TMainStatusBar::ShowRelativeLength(const QString& Native, const QString& Value)
{
    FRelativeLength->clear();
    const QFontMetrics metrics(QFont(QStringLiteral("Arial")));
    const int nativeWidth = metrics.horizontalAdvance(Native);
    if (nativeWidth == 0) return;
    const int width = metrics.horizontalAdvance(Value);
    const int ratio = int(std::lround(100.0 * width / nativeWidth));
    const char* colour = ratio <= 100 ? "#008000" : ratio <= 109 ? "#ff8e04" : "#ff0000";
    FRelativeLength->setText(
        QStringLiteral("RL: <span style=\"color:%1\">%2%</span>").arg(QLatin1String(colour)).arg(ratio));
}

void TMainStatusBar::ShowNoCell(const QFont& Font)
{
    FRow->setText(QStringLiteral(" "));
    FCell->SetText(QStringLiteral(" "), Font);
    FRelativeLength->clear();
}

void TMainStatusBar::Clear(const QFont& Font)
{
    FRow->clear();
    FCell->SetText(QString(), Font);
    FRelativeLength->clear();
}

void TMainStatusBar::ShowTask(TUiString Task)
{
    FTask = Task;
    FTaskLabel->setText(Task == usNone ? QString() : UiString(Task));
}

QString TMainStatusBar::Text(int Panel) const
{
    switch (Panel) {
    case 0:
        return FRow->text();
    case 1:
        return FCell->Text();
    case 2:
        return FRelativeLength->text();
    default:
        return FTaskLabel->text();
    }
}
