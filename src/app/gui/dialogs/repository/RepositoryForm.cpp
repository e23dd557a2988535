#include "app/gui/dialogs/repository/RepositoryForm.h"

#include "app/EditorSettings.h"
#include "app/gui/dialogs/repository/RepRefreshDialog.h"
#include "app/gui/grid/MultiLineEditor.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "platform/Settings.h"
#include "repository/LangRepository.h"
#include "repository/TableSearch.h"
#include "storage/Locales.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace {

const QString kPositionKey = QStringLiteral("RepositoryForm");
const QString kInvisible = QStringLiteral("Invisible");

// One row's sort key: the text without regard to case, then the identifier.
struct TSortKey {
    QString Text;
    qint32 WordID = 0;
    qint32 Bookmark = 0;
};

} // namespace

// ---------------------------------------------------------------- model

TRepositoryModel::TRepositoryModel(TQLangRepository* Repository, QObject* Parent)
    : QAbstractTableModel(Parent), FRep(Repository)
{
    Reload();
}

void TRepositoryModel::Reload()
{
    FStopSort = true; // a sort of the old rows does not apply
    FFoundText.clear();
    beginResetModel();
    FCachedRow = -1;
    FFields.clear();
    FRows.clear();
    for (int i = 0; i < FRep->Fields().Count(); ++i) FFields << FRep->Fields()[i];
    // A repository without languages shows no rows.
    if (FFields.size() > 1 && FRep->RecordCount() > 0) {
        FRows.reserve(size_t(FRep->RecordCount()));
        FRep->SetReadCache(true);
        FRep->First();
        while (!FRep->Eof()) {
            FRows.push_back(FRep->Bookmark());
            FRep->Next();
        }
        FRep->SetReadCache(false);
    }
    endResetModel();
}

TQField* TRepositoryModel::ColumnField(int Column) const { return FFields.value(Column); }

int TRepositoryModel::rowCount(const QModelIndex& Parent) const { return Parent.isValid() ? 0 : int(FRows.size()); }

int TRepositoryModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : int(FFields.size());
}

const QStringList& TRepositoryModel::RowTexts(int Row) const
{
    // The view asks cell by cell along a row: one record read serves the row.
    if (Row != FCachedRow) {
        FCachedTexts.clear();
        FRep->SetBookmark(Bookmark(Row));
        for (const TQField* f : FFields)
            FCachedTexts << (f->Locale() == 0 ? QString::number(f->AsInteger()) : f->AsWideString());
        FCachedRow = Row;
    }
    return FCachedTexts;
}

QVariant TRepositoryModel::data(const QModelIndex& Index, int Role) const
{
    if (!Index.isValid() || (Role != Qt::DisplayRole && Role != Qt::EditRole)) return {};
    try {
        return RowTexts(Index.row()).value(Index.column());
    } catch (const EVocabrixError&) {
        FCachedRow = -1;
        return {}; // a damaged record shows empty; Repair mends it
    }
}

bool TRepositoryModel::setData(const QModelIndex& Index, const QVariant& Value, int Role)
{
    if (Role != Qt::EditRole || Index.column() == 0) return false;
    FCachedRow = -1;
    FFoundText.clear();
    try {
        FRep->SetBookmark(Bookmark(Index.row()));
        FRep->Edit();
        FFields[Index.column()]->SetAsWideString(Value.toString());
        FRep->Post();
    } catch (const EVocabrixError& e) {
        FRep->Cancel();
        if (OnError) OnError(e.Message());
        return false;
    }
    Q_EMIT dataChanged(Index, Index);
    return true;
}

QVariant TRepositoryModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Role != Qt::DisplayRole) return {};
    if (Orientation == Qt::Vertical) return Section + 1;
    const TQField* f = FFields.value(Section);
    if (!f) return {};
    return f->Locale() == 0 ? QStringLiteral("#") : RepLanguageName(f->Locale());
}

Qt::ItemFlags TRepositoryModel::flags(const QModelIndex& Index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(Index);
    if (Index.column() > 0 && !FRep->ReadOnly()) f |= Qt::ItemIsEditable;
    return f;
}

void TRepositoryModel::sort(int Column, Qt::SortOrder Order)
{
    if (Column < 0 || Column >= FFields.size() || FRows.empty() || Sorting()) return;
    // The texts of a million records take seconds to read: a private
    // read-only table reads and sorts them on a thread of its own while the
    // window goes on painting; the order is taken over at the end.
    if (FSorter.joinable()) FSorter.join();
    FStopSort = false;
    FSortRunning = true;
    Q_EMIT SortingChanged(true);
    const QString database = FRep->DatabaseName(), table = FRep->TableName();
    const QString idName = FFields[0]->FieldName(), textName = Column > 0 ? FFields[Column]->FieldName() : QString();
    FSorter = std::thread([this, database, table, idName, textName, Order] {
        std::vector<TSortKey> keys;
        try {
            TQTable copy;
            copy.SetDatabaseName(database);
            copy.SetTableName(table, false);
            copy.SetReadOnly(true);
            copy.Open();
            copy.SetReadCache(true);
            const TQField* id = copy.FieldByName(idName);
            const TQField* text = textName.isEmpty() ? nullptr : copy.FieldByName(textName);
            keys.reserve(size_t(std::max(0, copy.RecordCount())));
            for (; !copy.Eof() && copy.Bookmark() != 0 && !FStopSort; copy.Next())
                keys.push_back(
                    {text ? text->AsWideString().toCaseFolded() : QString(), id->AsInteger(), copy.Bookmark()});
            std::sort(keys.begin(), keys.end(), [](const TSortKey& A, const TSortKey& B) {
                const int c = A.Text.compare(B.Text);
                return c != 0 ? c < 0 : A.WordID < B.WordID;
            });
            if (Order == Qt::DescendingOrder) std::reverse(keys.begin(), keys.end());
        } catch (const EVocabrixError&) {
            keys.clear(); // the order stays as it was
        }
        std::vector<qint32> order(keys.size());
        for (size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].Bookmark;
        QMetaObject::invokeMethod(
            this, [this, order = std::move(order)] { TakeOrder(order); }, Qt::QueuedConnection);
    });
}

void TRepositoryModel::TakeOrder(const std::vector<qint32>& Order)
{
    FSortRunning = false;
    // Records added or deleted meanwhile keep the order as it was.
    if (!FStopSort && Order.size() == FRows.size()) {
        Q_EMIT layoutAboutToBeChanged();
        FRows = Order;
        FCachedRow = -1;
        Q_EMIT layoutChanged();
    }
    Q_EMIT SortingChanged(false);
}

TRepositoryModel::~TRepositoryModel()
{
    FStopSort = true;
    FStopFind = true;
    if (FSorter.joinable()) FSorter.join();
    if (FFinder.joinable()) FFinder.join();
}

void TRepositoryModel::StartFind(const QString& Text)
{
    FStopFind = true;
    if (FFinder.joinable()) FFinder.join();
    FStopFind = false;
    FFindRunning = true;
    FFoundText.clear();
    const int run = ++FFindRun;
    QStringList fields;
    for (qsizetype i = 1; i < FFields.size(); ++i) fields << FFields[i]->FieldName();
    const QString database = FRep->DatabaseName(), table = FRep->TableName();
    FFinder = std::thread([this, database, table, fields, Text, run] {
        std::vector<qint32> found;
        try {
            found = RecordsContaining(database, table, fields, Text, FStopFind);
        } catch (const EVocabrixError&) {
            found.clear(); // nothing to show of a table that cannot be read
        }
        QMetaObject::invokeMethod(
            this,
            [this, Text, run, found = std::move(found)] {
                if (run != FFindRun) return; // a later find took over
                FFindRunning = false;
                FMatches = std::unordered_set<qint32>(found.begin(), found.end());
                FFoundText = Text;
                Q_EMIT FindDone();
            },
            Qt::QueuedConnection);
    });
}

int TRepositoryModel::NextMatch(int From, bool Forward) const
{
    const int count = int(FRows.size());
    for (int step = 1; step <= count; ++step) {
        const int row = ((Forward ? From + step : From - step) % count + count) % count;
        if (FMatches.count(FRows[size_t(row)])) return row;
    }
    return -1;
}

void TRepositoryModel::AppendRecord()
{
    if (Sorting()) return;
    FRep->Append();
    FRep->Post();
    const int row = int(FRows.size());
    beginInsertRows({}, row, row);
    FRows.push_back(FRep->Bookmark());
    endInsertRows();
}

bool TRepositoryModel::DeleteRows(const QList<int>& Rows, TPrompt& Prompt)
{
    if (Sorting()) return true;
    bool stopped = false;
    QList<int> deleted;
    {
        const TProgressRun progress(Prompt, UiString(usDeletingRows), Rows.size());
        qint64 done = 0;
        for (int row : Rows) {
            FRep->SetBookmark(Bookmark(row));
            FRep->Delete();
            deleted << row;
            if (!Prompt.ProgressStep(++done)) {
                stopped = true;
                break;
            }
        }
    }
    FCachedRow = -1;
    for (auto it = deleted.crbegin(); it != deleted.crend(); ++it) {
        beginRemoveRows({}, *it, *it);
        FRows.erase(FRows.begin() + *it);
        endRemoveRows();
    }
    return !stopped;
}

// ---------------------------------------------------------------- language dialog

TdlgRepLangProp::TdlgRepLangProp(TQLangRepository* Repository, QWidget* Parent) : QDialog(Parent), FRep(Repository)
{
    setObjectName(QStringLiteral("dlgRepLangProp"));
    FTree = new QTreeWidget;
    FTree->setHeaderHidden(true);
    TLocaleTree tree;
    FillLocaleTree(tree);
    for (const TLocaleTreeNode& node : tree) {
        auto* top = new QTreeWidgetItem(FTree, {node.Text});
        top->setData(0, Qt::UserRole, node.Locale);
        for (const TLocaleTreeNode& child : node.Children)
            (new QTreeWidgetItem(top, {child.Text}))->setData(0, Qt::UserRole, child.Locale);
    }
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    FOk = box->button(QDialogButtonBox::Ok);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* Item) {
        const int loc = Item ? Item->data(0, Qt::UserRole).toInt() : 0;
        FOk->setEnabled(loc != 0 && !FRep->HasLocale(loc));
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FTree);
    layout->addWidget(box);
    resize(320, 400);
}

bool TdlgRepLangProp::Execute(const QString& Caption, int& Locale)
{
    setWindowTitle(Caption);
    FOk->setEnabled(false);
    for (QTreeWidgetItemIterator it(FTree); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toInt() == Locale) {
            FTree->setCurrentItem(*it);
            FTree->scrollToItem(*it);
            break;
        }
    if (exec() != QDialog::Accepted || !FTree->currentItem()) return false;
    Locale = FTree->currentItem()->data(0, Qt::UserRole).toInt();
    return true;
}

// ---------------------------------------------------------------- browser

TRepositoryForm::TRepositoryForm(TQLangRepository* Repository, TPrompt& Prompt, QWidget* Parent)
    : QWidget(Parent, Qt::Window), FRep(Repository), FPrompt(Prompt)
{
    setObjectName(QStringLiteral("RepositoryForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    const QFileInfo file(FRep->FileName());
    setWindowTitle(UiString(usRepositoryTitle,
                            {QDir::toNativeSeparators(file.absolutePath()) + QLatin1Char('\\') + file.fileName()}));
    // The title names the file: it is not one of the interface's texts.
    setProperty("uiDynamicText", true);
    FModel = new TRepositoryModel(FRep, this);
    FModel->OnError = [this](const QString& Message) { FPrompt.Message(mkError, Message, mbOK, mrOk); };
    FView = new QTableView;
    FView->setObjectName(QStringLiteral("sgRepository"));
    FView->setFont(QFont(QStringLiteral("Arial")));
    FView->setModel(FModel);
    // A click sorts by the column, a second one the other way round. (The
    // view's own sorting would sort once more whenever it is switched on.)
    FView->horizontalHeader()->setSectionsClickable(true);
    connect(FView->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int Column) {
        if (FModel->Sorting()) return;
        FSortOrder =
            Column == FSortColumn && FSortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
        FSortColumn = Column;
        FModel->sort(Column, FSortOrder);
    });
    FView->verticalHeader()->setDefaultSectionSize(FView->fontMetrics().height() + 4);
    FView->verticalHeader()->hide();
    FView->setContextMenuPolicy(Qt::ActionsContextMenu);
    FView->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);

    auto action = [this](const QString& Text, const QKeySequence& Key, void (TRepositoryForm::*Handler)()) {
        auto* a = new QAction(Text, this);
        a->setShortcut(Key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(a, &QAction::triggered, this, [this, Handler] {
            try {
                (this->*Handler)();
            } catch (const EVocabrixError& e) {
                FPrompt.Message(mkError, e.Message(), mbOK, mrOk);
            }
            UpdateActions();
            UpdateStatus();
        });
        FView->addAction(a);
        return a;
    };
    actAddRecord =
        action(QStringLiteral("Add record"), QKeySequence(Qt::CTRL | Qt::Key_N), &TRepositoryForm::AddRecord);
    actDeleteRecords =
        action(QStringLiteral("Delete record(s)"), QKeySequence(Qt::CTRL | Qt::Key_D), &TRepositoryForm::DeleteRecords);
    actSelectAll = new QAction(QStringLiteral("Select &All"), this);
    actSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(actSelectAll, &QAction::triggered, FView, &QTableView::selectAll);
    FView->addAction(actSelectAll);
    actAddLanguage = action(QStringLiteral("Add Language"), {}, &TRepositoryForm::AddLanguage);
    actDeleteLanguages = action(QStringLiteral("Delete Language(s)"), {}, &TRepositoryForm::DeleteLanguages);
    actProperties = action(QStringLiteral("Properties..."), {}, &TRepositoryForm::LanguageProperties);
    auto* multiLine = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), FView);
    connect(multiLine, &QShortcut::activated, this, [this] { EditMultiLine(); });

    // Find: a text in any language, next and previous.
    FFind = new QLineEdit;
    FFind->setObjectName(QStringLiteral("edFind"));
    FFind->setClearButtonEnabled(true);
    auto* findLabel = new QLabel(QStringLiteral("Fin&d:"));
    findLabel->setBuddy(FFind);
    auto* findNext = new QPushButton(QStringLiteral("Find &Next"));
    findNext->setObjectName(QStringLiteral("btnFindNext"));
    auto* findPrevious = new QPushButton(QStringLiteral("Find &Previous"));
    findPrevious->setObjectName(QStringLiteral("btnFindPrevious"));
    connect(FFind, &QLineEdit::returnPressed, this, [this] { FindNext(true); });
    connect(findNext, &QPushButton::clicked, this, [this] { FindNext(true); });
    connect(findPrevious, &QPushButton::clicked, this, [this] { FindNext(false); });
    connect(FModel, &TRepositoryModel::FindDone, this, [this] { GoToMatch(); });
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(FFind, 1);
    findRow->addWidget(findNext);
    findRow->addWidget(findPrevious);

    FToggles = new QHBoxLayout;
    FToggles->setSpacing(2);
    FStatus = new QLabel;
    FStatus->setObjectName(QStringLiteral("lblStatus"));
    FStatus->setProperty("uiDynamicText", true); // counts, no words
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(FToggles);
    layout->addLayout(findRow);
    layout->addWidget(FView, 1);
    layout->addWidget(FStatus);
    connect(FView->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        UpdateActions();
        UpdateStatus();
    });
    connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateActions(); });
    // While the rows are being sorted they cannot be edited.
    connect(FModel, &TRepositoryModel::SortingChanged, this, [this](bool Running) {
        FView->setEnabled(!Running);
        if (!Running) FView->setFocus();
        UpdateActions();
        UpdateStatus();
    });

    resize(700, 450);
    if (const auto p = LoadWindowPosition(kPositionKey)) setGeometry(p->Left, p->Top, p->Width, p->Height);
    Reload();
}

// Closing deletes the window; so does closing the editor or another
// repository: each way keeps the hidden languages and the position.
TRepositoryForm::~TRepositoryForm()
{
    SaveHidden();
    const QRect r = geometry();
    SaveWindowPosition(kPositionKey, {r.left(), r.top(), r.width(), r.height()});
}

void TRepositoryForm::Reload()
{
    FModel->Reload();
    FView->setColumnWidth(0, 50);
    for (int c = 1; c < FModel->columnCount(); ++c) FView->setColumnWidth(c, 180);
    BuildToggles();
    // Hidden languages of the last session.
    try {
        const TIniFile ini = TIniFile::Load(FRep->SettingsFileName());
        for (const QString& key : ini.ReadSection(kInvisible))
            for (int c = 1; c < FModel->columnCount(); ++c)
                if (FModel->ColumnField(c)->FieldName() == key) SetLanguageVisible(c, false);
    } catch (const EVocabrixError&) {
        // No settings (or unreadable ones): every language shows.
    }
    UpdateActions();
    UpdateStatus();
}

void TRepositoryForm::BuildToggles()
{
    qDeleteAll(FLanguageButtons);
    FLanguageButtons.clear();
    delete FAll;
    auto button = [this](const QString& Text, int Position) {
        auto* b = new QToolButton;
        b->setText(Text);
        b->setCheckable(true);
        b->setChecked(true);
        b->setFocusPolicy(Qt::NoFocus); // the keys stay with the grid
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(Text) + 40);
        FToggles->insertWidget(Position, b);
        return b;
    };
    if (FToggles->count() == 0) FToggles->addStretch(1);
    FAll = button(QStringLiteral("All"), 0);
    FAll->setObjectName(QStringLiteral("btnAll"));
    connect(FAll, &QToolButton::clicked, this, [this] {
        for (int c = 1; c < FModel->columnCount(); ++c) SetLanguageVisible(c, true);
    });
    for (int c = 1; c < FModel->columnCount(); ++c) {
        QToolButton* b = button(RepLanguageName(FModel->ColumnField(c)->Locale()), c);
        connect(b, &QToolButton::clicked, this, [this, c](bool On) { SetLanguageVisible(c, On); });
        FLanguageButtons << b;
    }
}

QList<QToolButton*> TRepositoryForm::ToggleButtons() const { return QList<QToolButton*>{FAll} + FLanguageButtons; }

void TRepositoryForm::SetLanguageVisible(int Column, bool Visible)
{
    if (Column < 1 || Column >= FModel->columnCount()) return;
    int visible = 0;
    for (int c = 1; c < FModel->columnCount(); ++c) visible += FView->isColumnHidden(c) ? 0 : 1;
    if (!Visible && visible <= 1 && !FView->isColumnHidden(Column)) Visible = true; // the last one stays
    FView->setColumnHidden(Column, !Visible);
    if (FView->columnWidth(Column) == 0) FView->setColumnWidth(Column, 180);
    FLanguageButtons[Column - 1]->setChecked(Visible);
    bool all = true;
    for (int c = 1; c < FModel->columnCount(); ++c) all = all && !FView->isColumnHidden(c);
    FAll->setChecked(all);
}

void TRepositoryForm::SaveHidden()
{
    const QString file = FRep->SettingsFileName();
    QFile::remove(file);
    TIniFile ini;
    bool any = false;
    for (int c = 1; c < FModel->columnCount(); ++c)
        if (FView->isColumnHidden(c)) {
            ini.WriteString(kInvisible, FModel->ColumnField(c)->FieldName(), QString());
            any = true;
        }
    if (!any) return;
    try {
        ini.Save(file);
    } catch (const EVocabrixError&) {
        // A read-only folder keeps no browser settings.
    }
}

QString TRepositoryForm::StatusText() const
{
    const int row = FView->currentIndex().isValid() ? FView->currentIndex().row() + 1 : 0;
    return QStringLiteral("  %1 / %2").arg(row).arg(FModel->rowCount());
}

void TRepositoryForm::UpdateStatus() { FStatus->setText(StatusText()); }

void TRepositoryForm::FindNext(bool Forward)
{
    const QString text = FFind->text();
    if (text.isEmpty()) {
        FFind->setFocus();
        return;
    }
    FFindForward = Forward;
    if (text == FModel->FoundText()) {
        GoToMatch();
        return;
    }
    FStatus->setText(UiString(usSearching));
    FModel->StartFind(text); // GoToMatch once the records are known
}

void TRepositoryForm::GoToMatch()
{
    const QModelIndex current = FView->currentIndex();
    const int from = current.isValid() ? current.row() : (FFindForward ? -1 : 0);
    const int row = FModel->NextMatch(from, FFindForward);
    if (row < 0) {
        FStatus->setText(UiString(usTextNotFound, {FModel->FoundText()}));
        return;
    }
    const QModelIndex found = FModel->index(row, std::max(current.column(), 1));
    FView->setCurrentIndex(found);
    FView->scrollTo(found);
    UpdateStatus();
}

namespace {

bool IsFindKey(const QKeyEvent* Event)
{
    return Event->matches(QKeySequence::Find) || Event->matches(QKeySequence::FindNext) ||
           Event->matches(QKeySequence::FindPrevious);
}

} // namespace

bool TRepositoryForm::event(QEvent* Event)
{
    if (Event->type() == QEvent::ShortcutOverride && IsFindKey(static_cast<QKeyEvent*>(Event))) {
        Event->accept();
        return true;
    }
    return QWidget::event(Event);
}

void TRepositoryForm::keyPressEvent(QKeyEvent* Event)
{
    if (Event->matches(QKeySequence::Find)) {
        FFind->setFocus(Qt::ShortcutFocusReason);
        FFind->selectAll();
    } else if (Event->matches(QKeySequence::FindNext)) {
        FindNext(true);
    } else if (Event->matches(QKeySequence::FindPrevious)) {
        FindNext(false);
    } else {
        QWidget::keyPressEvent(Event);
    }
}

QList<int> TRepositoryForm::SelectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& i : FView->selectionModel()->selectedIndexes())
        if (!rows.contains(i.row())) rows << i.row();
    if (rows.isEmpty() && FView->currentIndex().isValid()) rows << FView->currentIndex().row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

QList<int> TRepositoryForm::SelectedLanguageColumns() const
{
    QList<int> cols;
    for (const QModelIndex& i : FView->selectionModel()->selectedIndexes())
        if (i.column() > 0 && !cols.contains(i.column())) cols << i.column();
    if (cols.isEmpty() && FView->currentIndex().column() > 0) cols << FView->currentIndex().column();
    return cols;
}

void TRepositoryForm::UpdateActions()
{
    const bool rows = FModel->rowCount() > 0;
    const bool writable = !FRep->ReadOnly();
    const int selectedRows = SelectedRows().size();
    const QList<int> cols = SelectedLanguageColumns();
    actAddRecord->setEnabled(writable && FModel->columnCount() > 1);
    actDeleteRecords->setEnabled(writable && rows);
    actDeleteRecords->setText(selectedRows > 1 ? QStringLiteral("Delete records") : QStringLiteral("Delete record"));
    actSelectAll->setEnabled(rows);
    actAddLanguage->setEnabled(writable);
    actDeleteLanguages->setEnabled(writable && !cols.isEmpty());
    actDeleteLanguages->setText(cols.size() > 1 ? QStringLiteral("Delete Languages")
                                                : QStringLiteral("Delete Language"));
    actProperties->setEnabled(writable && cols.size() == 1);
}

void TRepositoryForm::AddRecord()
{
    FModel->AppendRecord();
    FView->setCurrentIndex(FModel->index(FModel->rowCount() - 1, std::max(1, FView->currentIndex().column())));
}

void TRepositoryForm::DeleteRecords()
{
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) return;
    if (FPrompt.Message(mkConfirmation, UiString(usDeleteRows, {QString::number(rows.size())}), mbYesNo, mrNo) != mrYes)
        return;
    if (!FModel->DeleteRows(rows, FPrompt)) FPrompt.Message(mkInformation, UiString(usDeletingTerminated), mbOK, mrOk);
}

void TRepositoryForm::AddLanguage()
{
    TdlgRepLangProp dialog(FRep, this);
    int locale = UserDefaultLangID();
    if (!dialog.Execute(UiString(usAddNewLanguage), locale)) return;
    SaveHidden();
    FRep->AddLocales({locale});
    Reload();
}

void TRepositoryForm::DeleteLanguages()
{
    const QList<int> cols = SelectedLanguageColumns();
    if (cols.isEmpty()) return;
    if (FPrompt.Message(mkConfirmation, UiString(usDeleteLanguages, {QString::number(cols.size())}), mbYesNo, mrNo) !=
        mrYes)
        return;
    QList<int> locales;
    for (int c : cols) locales << FModel->ColumnField(c)->Locale();
    SaveHidden();
    FPrompt.Status(UiString(usDeletingLanguages));
    const auto done = qScopeGuard([this] { FPrompt.Status(QString()); });
    FRep->DeleteLocales(locales);
    Reload();
}

void TRepositoryForm::LanguageProperties()
{
    const QList<int> cols = SelectedLanguageColumns();
    if (cols.size() != 1) return;
    TQField* field = FModel->ColumnField(cols.first());
    TdlgRepLangProp dialog(FRep, this);
    int locale = field->Locale();
    if (!dialog.Execute(UiString(usLanguageProperties), locale)) return;
    SaveHidden();
    field->SetLocale(locale);
    field->SetFieldName(QString::number(locale));
    FRep->SaveStructure();
    Reload();
}

void TRepositoryForm::EditMultiLine()
{
    const QModelIndex index = FView->currentIndex();
    if (!index.isValid() || !(FModel->flags(index) & Qt::ItemIsEditable)) return;
    TdlgCellEdit editor(this);
    editor.SetNative(FModel->data(FModel->index(index.row(), 1), Qt::DisplayRole).toString(), FView->font());
    // The record's text in the column's language: its clipboard text is read in that language's code page.
    editor.SetCurrent(FModel->data(index, Qt::DisplayRole).toString(), FView->font(), false,
                      FModel->ColumnField(index.column())->Locale(), QString(), imDontCare);
    if (editor.exec() == QDialog::Accepted) FModel->setData(index, editor.Text(), Qt::EditRole);
}
