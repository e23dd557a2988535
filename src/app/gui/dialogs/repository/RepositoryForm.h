#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QWidget>

#include <atomic>
#include <functional>
#include <thread>
#include <unordered_set>
#include <vector>

class QAction;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;
class QTreeWidget;
class TPrompt;
class TQLangRepository;
class TQField;

// The repository's records as a table: column 0 "WordID", then one column per
// language. Rows hold only record numbers; texts are read when a row is shown,
// so a million records open at once.
class TRepositoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TRepositoryModel(TQLangRepository* Repository, QObject* Parent = nullptr);
    ~TRepositoryModel() override;

    // Rereads the fields and the chain of records.
    void Reload();
    qint32 Bookmark(int Row) const { return FRows.at(size_t(Row)); }
    TQField* ColumnField(int Column) const;
    // Appends an empty record as the last row.
    void AppendRecord();
    // Deletes the records of these rows (ascending); false when stopped.
    bool DeleteRows(const QList<int>& Rows, TPrompt& Prompt);

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role) const override;
    bool setData(const QModelIndex& Index, const QVariant& Value, int Role) override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    // Sorts in the background; SortingChanged tells its start and its end.
    void sort(int Column, Qt::SortOrder Order) override;
    bool Sorting() const { return FSortRunning; }

    // Find: the records that hold Text in some language are looked for on a
    // thread of their own (a million records take seconds to read);
    // FindDone tells when they are known.
    void StartFind(const QString& Text);
    bool Finding() const { return FFindRunning; }
    // The text whose records are known; empty after the records changed.
    const QString& FoundText() const { return FFoundText; }
    // The next row after From (before it when not Forward) whose record holds
    // the found text, round the end; -1 when none does.
    int NextMatch(int From, bool Forward) const;

    // An edit the repository refused.
    std::function<void(const QString&)> OnError;

Q_SIGNALS:
    void SortingChanged(bool Running);
    void FindDone();

private:
    const QStringList& RowTexts(int Row) const;
    void TakeOrder(const std::vector<qint32>& Order);

    TQLangRepository* FRep;
    std::vector<qint32> FRows;
    QList<TQField*> FFields; // field 0 and the language fields
    mutable int FCachedRow = -1;
    mutable QStringList FCachedTexts;
    std::thread FSorter;
    std::atomic<bool> FStopSort = false;
    bool FSortRunning = false;
    std::thread FFinder;
    std::atomic<bool> FStopFind = false;
    bool FFindRunning = false;
    int FFindRun = 0; // the run whose answer counts
    QString FFoundText;
    std::unordered_set<qint32> FMatches;
};

// "Add new language" / "Language properties": a locale from the language tree
// that has no field yet.
class TdlgRepLangProp : public QDialog {
    Q_OBJECT
public:
    TdlgRepLangProp(TQLangRepository* Repository, QWidget* Parent = nullptr);
    bool Execute(const QString& Caption, int& Locale);
    QTreeWidget* Tree() const { return FTree; }

private:
    TQLangRepository* FRep;
    QTreeWidget* FTree;
    QPushButton* FOk;
};

// The repository browser "Language Repository".
class TRepositoryForm : public QWidget {
    Q_OBJECT
public:
    TRepositoryForm(TQLangRepository* Repository, TPrompt& Prompt, QWidget* Parent = nullptr);
    ~TRepositoryForm() override;

    QTableView* View() const { return FView; }
    TRepositoryModel* Model() const { return FModel; }
    // The toggle buttons: "All", then one per language column.
    QList<QToolButton*> ToggleButtons() const;
    QString StatusText() const;

    void AddRecord();
    void DeleteRecords();
    void AddLanguage();
    void DeleteLanguages();
    void LanguageProperties();
    // Shows or hides a language column (the last visible one stays).
    void SetLanguageVisible(int Column, bool Visible);
    QLineEdit* FindEdit() const { return FFind; }

    QAction *actAddRecord, *actDeleteRecords, *actSelectAll, *actAddLanguage, *actDeleteLanguages, *actProperties;

protected:
    // Ctrl+F, F3 and Shift+F3 find in the browser, not in the grid behind it.
    bool event(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void Reload();
    void BuildToggles();
    void UpdateActions();
    void UpdateStatus();
    void SaveHidden();
    QList<int> SelectedRows() const;
    QList<int> SelectedLanguageColumns() const;
    void EditMultiLine();
    // Find next (or previous) from the current row; the records that hold the
    // text are looked for first when the text is new.
    void FindNext(bool Forward);
    void GoToMatch();

    TQLangRepository* FRep;
    TPrompt& FPrompt;
    TRepositoryModel* FModel;
    QTableView* FView;
    QHBoxLayout* FToggles;
    QToolButton* FAll = nullptr;
    QList<QToolButton*> FLanguageButtons;
    QLabel* FStatus;
    QLineEdit* FFind;
    bool FFindForward = true;
    int FSortColumn = -1;
    Qt::SortOrder FSortOrder = Qt::AscendingOrder;
};
