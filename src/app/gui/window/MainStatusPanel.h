#pragma once

#include <QPainter>
#include <QWidget>

// Status panel 1: the current cell's text in the active column's font, line
// breaks shown as " | ".
class TStatusTextPanel : public QWidget {
public:
    using QWidget::QWidget;
    void SetText(const QString& Text, const QFont& Font)
    {
        FText = Text;
        FText.replace(QLatin1String("\r\n"), QLatin1String(" | "));
        FFont = Font;
        update();
    }
    const QString& Text() const { return FText; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setFont(FFont);
        painter.drawText(rect().adjusted(3, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, FText);
    }

private:
    QString FText;
    QFont FFont;
};
