#include "app/gui/dialogs/language/StatisticsDialog.h"

#include "core/UiStrings.h"
#include "langfile/LangFileProject.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QTabBar>
#include <QVBoxLayout>

int RoundedPercent(int Count, int Items)
{
    if (Items <= 0) return 0;
    const qint64 scaled = qint64(Count) * 100;
    qint64 percent = scaled / Items;
    const qint64 twiceRest = (scaled % Items) * 2;
    if (twiceRest > Items || (twiceRest == Items && percent % 2 != 0)) ++percent;
    return int(percent);
}

QString StatValueText(int Count, int Items)
{
    if (Items == 0) return QStringLiteral("0");
    return QStringLiteral("%1 (%2%)").arg(Count).arg(RoundedPercent(Count, Items));
}

TStatPieChart::TStatPieChart(QWidget* Parent) : QWidget(Parent) { setMinimumSize(120, 120); }

void TStatPieChart::Clear()
{
    FSlices.clear();
    update();
}

void TStatPieChart::AddSlice(int Value, const QColor& Color)
{
    FSlices.push_back({Value, Color});
    update();
}

void TStatPieChart::paintEvent(QPaintEvent*)
{
    qint64 total = 0;
    for (const TSlice& slice : FSlices) total += std::max(slice.Value, 0);
    if (total == 0) return;

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 8;
    const QRect circle((width() - side) / 2, (height() - side) / 2, side, side);
    painter.setPen(QPen(palette().color(QPalette::Window), 1));
    // Angles in 1/16 degree, counter-clockwise positive: start at the top and
    // go clockwise. Each slice ends where the running sum puts it, so the
    // rounding never leaves a gap.
    constexpr int full = 360 * 16;
    qint64 sum = 0;
    for (const TSlice& slice : FSlices) {
        if (slice.Value <= 0) continue;
        const int from = int(sum * full / total);
        sum += slice.Value;
        const int to = int(sum * full / total);
        painter.setBrush(slice.Color);
        if (to - from >= full)
            painter.drawEllipse(circle);
        else
            painter.drawPie(circle, 90 * 16 - from, -(to - from));
    }
}

// Windows colour values 0x008000, 0x0000FF and 0xFF0000 (blue in the high byte).
const QColor TdlgStatistics::TranslatedColor(0, 128, 0);
const QColor TdlgStatistics::UntranslatedColor(255, 0, 0);
const QColor TdlgStatistics::UntranslatableColor(0, 0, 255);

namespace {

QLabel* Caption(const QString& Text, const QColor& Color, QWidget* Parent)
{
    // A swatch before the caption tells which slice is which.
    auto* label = new QLabel(Parent);
    label->setText(
        Color.isValid()
            ? QStringLiteral("<span style=\"color:%1\">&#9632;</span> %2").arg(Color.name(), Text.toHtmlEscaped())
            : Text.toHtmlEscaped());
    return label;
}

} // namespace

TdlgStatistics::TdlgStatistics(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(QStringLiteral("Language Statistics"));
    lbLanguage = new QLabel(this);
    lbLanguage->setObjectName(QStringLiteral("lbLanguage"));
    tbGroups = new QTabBar(this);
    tbGroups->setObjectName(QStringLiteral("tbGroups"));
    tbGroups->setDrawBase(false);
    for (TUiString text : {usStatsTotal, usSectionProperties, usStatsConstant, usStatsExternalItems})
        tbGroups->addTab(UiString(text));
    const auto valueLabel = [this](const char* Name) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(Name));
        return label;
    };
    lbItemsCount = valueLabel("lbItemsCount");
    lbTranslated = valueLabel("lbTranslated");
    lbUntranslated = valueLabel("lbUntranslated");
    lbUntranslatable = valueLabel("lbUntranslatable");
    chPie = new TStatPieChart(this);
    chPie->setObjectName(QStringLiteral("chPie"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);

    auto* languageRow = new QHBoxLayout;
    languageRow->addWidget(new QLabel(QStringLiteral("Language:"), this));
    languageRow->addWidget(lbLanguage, 1);
    auto* values = new QFormLayout;
    values->addRow(Caption(QStringLiteral("Items count:"), QColor(), this), lbItemsCount);
    values->addRow(Caption(QStringLiteral("Translated:"), TranslatedColor, this), lbTranslated);
    values->addRow(Caption(QStringLiteral("Untranslated:"), UntranslatedColor, this), lbUntranslated);
    values->addRow(Caption(QStringLiteral("Untranslatable:"), UntranslatableColor, this), lbUntranslatable);
    auto* figures = new QHBoxLayout;
    figures->addLayout(values);
    figures->addWidget(chPie, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(languageRow);
    layout->addWidget(tbGroups);
    layout->addLayout(figures, 1);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(tbGroups, &QTabBar::currentChanged, this, &TdlgStatistics::ShowTab);
}

void TdlgStatistics::Init(const TLangFileProject& leProject)
{
    const int langIndex = leProject.CurLangIndex();
    FStats = CountProjectStats(leProject, langIndex);
    const TLangFileList& files = leProject.LangFiles();
    lbLanguage->setText(langIndex < files.Count() ? files.Items(langIndex)->LangEnglishName() : QString());
    ShowTab(stTotal);
}

void TdlgStatistics::Execute(const TLangFileProject& leProject)
{
    Init(leProject);
    exec();
}

void TdlgStatistics::ShowTab(int Tab)
{
    {
        const QSignalBlocker blocker(tbGroups);
        tbGroups->setCurrentIndex(Tab);
    }
    const TStatCounts& counts = Tab == stProperties  ? FStats.Properties
                                : Tab == stConstants ? FStats.Constants
                                : Tab == stExternal  ? FStats.External
                                                     : FStats.Total;
    lbItemsCount->setText(QString::number(counts.Items));
    lbTranslated->setText(StatValueText(counts.Translated, counts.Items));
    lbUntranslated->setText(StatValueText(counts.Untranslated, counts.Items));
    lbUntranslatable->setText(StatValueText(counts.Untranslatable, counts.Items));
    chPie->Clear();
    chPie->AddSlice(counts.Translated, TranslatedColor);
    chPie->AddSlice(counts.Untranslated, UntranslatedColor);
    chPie->AddSlice(counts.Untranslatable, UntranslatableColor);
}
