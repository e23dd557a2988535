#pragma once

#include "langfile/ProjectStats.h"

#include <QColor>
#include <QDialog>

#include <vector>

class QLabel;
class QTabBar;
class TLangFileProject;

// The percentage of Count in Items rounded to the nearest whole number,
// halves to even (1 of 8 is 12, 3 of 8 is 38).
int RoundedPercent(int Count, int Items);
// A value label: "<count> (<percent>%)", or "0" when there are no items.
QString StatValueText(int Count, int Items);

// A pie of a few values, each slice in its own colour, drawn clockwise from
// the top. Nothing is drawn while the values add up to 0.
class TStatPieChart : public QWidget {
    Q_OBJECT
public:
    struct TSlice {
        int Value = 0;
        QColor Color;
    };

    explicit TStatPieChart(QWidget* Parent = nullptr);
    void Clear();
    void AddSlice(int Value, const QColor& Color);
    const std::vector<TSlice>& Slices() const { return FSlices; }
    QSize sizeHint() const override { return {180, 180}; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    std::vector<TSlice> FSlices;
};

// "Language Statistics": how many properties, constants and external items of
// the whole project (sections and filters play no part) are translated,
// untranslated or untranslatable in one language, per group and in total.
class TdlgStatistics : public QDialog {
    Q_OBJECT
public:
    enum TStatTab { stTotal, stProperties, stConstants, stExternal };

    explicit TdlgStatistics(QWidget* Parent = nullptr);

    // Counts the project's current language (the storage's CurLangIndex),
    // selects the first tab and shows the dialog modally.
    void Execute(const TLangFileProject& leProject);
    // The counting and filling of Execute without showing the dialog.
    void Init(const TLangFileProject& leProject);

    const TProjectStats& Stats() const { return FStats; }
    // Shows the figures of one tab (also selects it).
    void ShowTab(int Tab);

    static const QColor TranslatedColor;     // green
    static const QColor UntranslatedColor;   // red
    static const QColor UntranslatableColor; // blue

private:
    QLabel* lbLanguage;
    QTabBar* tbGroups;
    QLabel* lbItemsCount;
    QLabel* lbTranslated;
    QLabel* lbUntranslated;
    QLabel* lbUntranslatable;
    TStatPieChart* chPie;
    TProjectStats FStats;
};
