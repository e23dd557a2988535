#include "app/gui/panels/SuggestionsPanel.h"

#include "core/UiStrings.h"
#include "langfile/LangFile.h"
#include "platform/Settings.h"
#include "repository/FuzzyScore.h"
#include "repository/RepositoryFlows.h"
#include "storage/LocStorage.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QSet>
#include <QShortcut>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kVisible = QStringLiteral("SuggestionsPanel");

bool InWord(QChar C) { return C.isLetterOrNumber() || C.isMark(); }

// The panel's own notes, set apart from the matches by colour rather than
// italics: Chinese has no italics, and the desktop's oblique faces lack
// Arabic and Hebrew letters, which then show as boxes.
QString Note(const QString& Text)
{
    return QStringLiteral("<span style=\"color:#707070\">%1</span>").arg(Text.toHtmlEscaped());
}

} // namespace

TSuggestionsPanel::TSuggestionsPanel(QWidget* Window, TSuggestionsHost Host)
    : QWidget(Window), FHost(std::move(Host)), FFollow(new QTimer(this))
{
    setObjectName(QStringLiteral("SuggestionsPanel"));
    FTitle = new QLabel(QStringLiteral("Suggestions"));
    FWebButton = new QToolButton;
    FWebButton->hide();
    FView = new QTextBrowser;
    FView->setObjectName(QStringLiteral("SuggestionsView"));
    FView->setFocusPolicy(Qt::NoFocus); // the grid keeps the keys
    FView->setMinimumHeight(60);
    auto* head = new QHBoxLayout;
    head->addWidget(FTitle, 1);
    head->addWidget(FWebButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(head);
    layout->addWidget(FView);
    // The grid is the work; the panel takes a few lines of it.
    setMaximumHeight(110);

    FFollow->setSingleShot(true);
    FFollow->setInterval(FollowDelayMs);
    connect(FFollow, &QTimer::timeout, this, &TSuggestionsPanel::Refresh);

    FToggle = new QAction(QStringLiteral("S&uggestions"), this);
    FToggle->setObjectName(QStringLiteral("miSuggestions"));
    FToggle->setCheckable(true);
    connect(FToggle, &QAction::toggled, this, [this](bool On) {
        SetShown(On);
        TSettingsKey().WriteBool(kVisible, On);
    });
    for (int n = 1; n <= 9; ++n) {
        auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + n)), Window);
        connect(key, &QShortcut::activated, this, [this, n] { UseSuggestion(n); });
    }
    const bool shown = TSettingsKey().ReadBool(kVisible, true);
    FToggle->setChecked(shown);
    SetShown(shown);
}

void TSuggestionsPanel::SetWebAction(QAction* Action)
{
    FWebButton->setDefaultAction(Action);
    FWebButton->setVisible(Action != nullptr);
}

void TSuggestionsPanel::SetShown(bool Shown)
{
    setVisible(Shown);
    if (Shown) CurrentChanged();
}

void TSuggestionsPanel::CurrentChanged()
{
    if (isHidden()) return;
    FFollow->start(); // again and again while the user moves on
}

void TSuggestionsPanel::Show(const QString& Html) { FView->setHtml(Html); }

QString TSuggestionsPanel::MarkDifferences(const QString& Text, const QString& Native)
{
    const QStringList nativeWords = FuzzyWords(Native);
    const QSet<QString> known(nativeWords.cbegin(), nativeWords.cend());
    QString html;
    for (qsizetype i = 0; i < Text.size();) {
        qsizetype end = i;
        const bool word = InWord(Text[i]);
        while (end < Text.size() && InWord(Text[end]) == word) ++end;
        const QString run = Text.mid(i, end - i);
        if (word && !known.contains(run.toCaseFolded()))
            html += QStringLiteral("<span style=\"background-color:#ffe08a\">%1</span>").arg(run.toHtmlEscaped());
        else
            html += run.toHtmlEscaped();
        i = end;
    }
    return html;
}

void TSuggestionsPanel::Refresh()
{
    FFollow->stop();
    FMatches.clear();
    FCol = FHost.Col();
    FRow = FHost.Row();
    TRepository* rep = FHost.Repository();
    const TLocItem* item = FHost.RowItem(FRow);
    const TLangFile* file = FHost.ColumnFile(FCol);
    const int nativeLocale = FHost.NativeLocale();
    if (!item || !file || file->IsNative() || nativeLocale == 0) {
        FTitle->setText(UiString(usSuggestions));
        return Show(Note(UiString(usSelectLanguageCell)));
    }
    const QString text = item->MainValue()->Value();
    FTitle->setText(UiString(usSuggestionsFor, {text.left(80)}));
    if (!rep || !rep->IndexReady()) return Show(Note(UiString(rep ? usIndexBeingBuilt : usNoRepository)));
    FMatches = TRepositoryFlows::FuzzyMatches(*rep, nativeLocale, file->Locale(), text,
                                              FHost.Settings().RepFuzzyThreshold, FHost.Settings().RepFuzzyCount);
    QString html;
    if (const int draft = item->Values().Items(file->LangIndex())->FuzzyScore(); draft > 0)
        html += QStringLiteral("<p>%1</p>").arg(Note(UiString(usFuzzyDraft, {QString::number(draft)})));
    if (FMatches.isEmpty()) html += Note(UiString(usNoMatches));
    html += QStringLiteral("<table cellspacing=\"2\">");
    for (qsizetype i = 0; i < FMatches.size(); ++i) {
        const TFuzzyMatch& m = FMatches[i];
        html += QStringLiteral("<tr><td><b>Ctrl+%1</b></td><td align=\"right\">%2%</td><td>%3</td><td>&rarr;</td>"
                               "<td>%4</td></tr>")
                    .arg(i + 1)
                    .arg(m.Score)
                    .arg(MarkDifferences(m.Text, text), m.Translation.toHtmlEscaped());
    }
    Show(html + QStringLiteral("</table>"));
}

void TSuggestionsPanel::UseSuggestion(int Number)
{
    if (isHidden()) return;
    // A key pressed before the panel caught up with the grid needs the
    // current row's matches, not the last row's.
    if (FFollow->isActive() || FCol != FHost.Col() || FRow != FHost.Row()) Refresh();
    if (Number < 1 || Number > FMatches.size() || !FHost.Writable(FCol)) return;
    FHost.EditCell(FCol, FRow, FMatches[Number - 1].Translation);
    Refresh();
}
