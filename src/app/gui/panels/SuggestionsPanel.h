#pragma once

#include "app/EditorSettings.h"
#include "repository/Repository.h"

#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QTextBrowser;
class QTimer;
class QToolButton;
class TLangFile;
class TLocItem;

// What the panel needs of the main window.
struct TSuggestionsHost {
    std::function<TRepository*()> Repository;
    std::function<int()> Col;
    std::function<int()> Row;
    std::function<TLocItem*(int ARow)> RowItem;
    std::function<TLangFile*(int ACol)> ColumnFile;
    std::function<int()> NativeLocale; // 0 without a project
    std::function<bool(int ACol)> Writable;
    // The cell edit path of the grid: the value becomes translated.
    std::function<void(int ACol, int ARow, const QString& Text)> EditCell;
    std::function<const TEditorSettings&()> Settings; // the threshold and the count
};

// The "Suggestions" panel under the grid: the repository's exact and fuzzy
// matches of the current row's native text in the current column's language,
// best first, with the words that differ from the native text marked. Ctrl+1
// ... Ctrl+9 put suggestion N into the cell. The panel looks up once the
// current row has stayed put a moment, so moving through the grid costs
// nothing; hidden, it looks up nothing. Its visibility ("SuggestionsPanel"),
// the lowest score ("FuzzyThreshold") and the number of suggestions
// ("FuzzyCount") are settings.
class TSuggestionsPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int FollowDelayMs = 150;

    TSuggestionsPanel(QWidget* Window, TSuggestionsHost Host);

    // The Language menu's toggle.
    QAction* ToggleAction() const { return FToggle; }
    // The web translation of the cell, offered in the panel.
    void SetWebAction(QAction* Action);
    // The grid's current cell changed (or its row's text did).
    void CurrentChanged();
    // Looks up the current row now (a pending look-up is done at once).
    void Refresh();
    const QList<TFuzzyMatch>& Matches() const { return FMatches; }
    // Puts suggestion Number (1-based) into the current cell.
    void UseSuggestion(int Number);

    // The native text with the words that Match lacks marked, as HTML.
    static QString MarkDifferences(const QString& Text, const QString& Native);

private:
    void SetShown(bool Shown);
    void Show(const QString& Html);

    TSuggestionsHost FHost;
    QAction* FToggle;
    QLabel* FTitle;
    QTextBrowser* FView;
    QToolButton* FWebButton;
    QTimer* FFollow;
    QList<TFuzzyMatch> FMatches;
    int FCol = -1, FRow = -1; // the cell the matches are for
};
