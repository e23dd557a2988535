#include "app/gui/dialogs/repository/RepRefreshDialog.h"

#include "storage/Locales.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString OneLine(QString Text)
{
    Text.replace(QLatin1String("\r\n"), QLatin1String(",")).replace(QLatin1Char('\r'), QLatin1Char(','));
    return Text.replace(QLatin1Char('\n'), QLatin1Char(','));
}

QString LanguageFrame(int Locale) { return QStringLiteral("( ") + RepLanguageName(Locale) + QStringLiteral(" )"); }

void FillLocales(QListWidget* List, const QList<int>& Locales, int Selected)
{
    List->clear();
    for (int loc : Locales) {
        auto* item = new QListWidgetItem(RepLanguageName(loc), List);
        item->setData(Qt::UserRole, loc);
        if (loc == Selected) List->setCurrentItem(item);
    }
    if (!List->currentItem() && List->count() > 0) List->setCurrentRow(0);
    List->setEnabled(List->count() > 1);
}

} // namespace

QString RepLanguageName(int Locale)
{
    try {
        return LocaleLanguageName(Locale);
    } catch (const EVocabrixError&) {
        return QString::number(Locale); // a locale the catalogue does not know
    }
}

// ---------------------------------------------------------------- refresh dialog

TdlgRepRefresh::TdlgRepRefresh(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("dlgRepRefresh"));
    auto* grid = new QGridLayout;
    FNative = new QLabel;
    FNativeLang = new QLabel;
    FTranslation = new QLabel;
    FTranslationLang = new QLabel;
    FNative->setObjectName(QStringLiteral("lblNative"));
    FTranslation->setObjectName(QStringLiteral("lblTranslation"));
    grid->addWidget(new QLabel(QStringLiteral("Native string")), 0, 0);
    grid->addWidget(FNative, 0, 1);
    grid->addWidget(FNativeLang, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Translation")), 1, 0);
    grid->addWidget(FTranslation, 1, 1);
    grid->addWidget(FTranslationLang, 1, 2);
    grid->setColumnStretch(1, 1);
    FList = new QListWidget;
    FList->setObjectName(QStringLiteral("lbTranslations"));
    connect(FList, &QListWidget::itemDoubleClicked, this,
            [this] { FTranslating ? Answer(raYes, false) : Answer(raYes, true); });

    auto button = [this](const char* Text, TRepAnswer A, bool Update) {
        auto* b = new QPushButton(QString::fromUtf8(Text));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, A, Update] { Answer(A, Update); });
        return b;
    };
    FAdd = button("&Add", raYes, false);
    FAddAll = button("A&dd All", raYesToAll, false);
    FSkip = button("&Skip", raNo, false);
    FSkipAll = button("Skip A&ll", raNoToAll, false);
    FCancel = button("Cancel", raCancel, false);
    FUpdate = button("&Update", raYes, true);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(5);
    buttons->addWidget(FUpdate);
    buttons->addStretch(1);
    for (QPushButton* b : {FAddAll, FSkipAll, FAdd, FSkip, FCancel}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(QStringLiteral("Translations found in the Repository")));
    layout->addWidget(FList, 1);
    layout->addLayout(buttons);
    resize(520, 300);
}

QString TdlgRepRefresh::ShortText(const QString& Text)
{
    return OneLine(Text.size() > 50 ? Text.left(47) + QStringLiteral("...") : Text);
}

void TdlgRepRefresh::Answer(TRepAnswer Answer, bool Update)
{
    FReply.Answer = Answer;
    FReply.Update = Update;
    FReply.Selected = std::max(0, FList->currentRow());
    if (Answer == raCancel)
        reject();
    else
        accept();
}

TRefreshReply TdlgRepRefresh::Ask(const TRefreshQuestion& Q)
{
    FTranslating = Q.Translating;
    setWindowTitle(Q.Translating ? QStringLiteral("Translate with repository") : QStringLiteral("Refresh repository"));
    FNative->setText(ShortText(Q.NativeText));
    FNative->setToolTip(Q.NativeText);
    FNativeLang->setText(LanguageFrame(Q.NativeLocale));
    FTranslation->setText(ShortText(Q.Translation));
    FTranslation->setToolTip(Q.Translation);
    FTranslationLang->setText(LanguageFrame(Q.TargetLocale));
    FList->clear();
    for (const QString& s : Q.Found) FList->addItem(OneLine(s));
    if (FList->count() > 0) FList->setCurrentRow(0);
    FAdd->setText(Q.Translating ? QStringLiteral("&Replace") : QStringLiteral("&Add"));
    FAddAll->setText(Q.Translating ? QStringLiteral("&All firsts") : QStringLiteral("A&dd All"));
    FUpdate->setVisible(!Q.Translating);
    FAddAll->setVisible(Q.Plural);
    FSkipAll->setVisible(Q.Plural);
    FReply = {}; // closed with Escape: Cancel
    exec();
    return FReply;
}

// ---------------------------------------------------------------- language dialog

TdlgRepRefreshLang::TdlgRepRefreshLang(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("dlgRepRefreshLang"));
    setWindowTitle(QStringLiteral("Refresh Repository by language"));
    FSearch = new QListWidget;
    FSearch->setObjectName(QStringLiteral("lbSearch"));
    FTarget = new QListWidget;
    FTarget->setObjectName(QStringLiteral("lbTarget"));
    FDontAsk = new QCheckBox(QStringLiteral("Don't ask me next time"));
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Select the locale that should be used for searching")));
    layout->addWidget(FSearch);
    layout->addWidget(new QLabel(QStringLiteral("Select the locale to refresh by the language")));
    layout->addWidget(FTarget);
    layout->addWidget(FDontAsk);
    layout->addWidget(box);
    resize(360, 340);
}

bool TdlgRepRefreshLang::Ask(TLanguageChoice& Choice)
{
    FillLocales(FSearch, Choice.Search, Choice.SearchLocale);
    FillLocales(FTarget, Choice.Target, Choice.TargetLocale);
    FDontAsk->setVisible(!Choice.Plural);
    FDontAsk->setChecked(false);
    if (exec() != QDialog::Accepted) return false;
    Choice.SearchLocale = FSearch->currentItem()->data(Qt::UserRole).toInt();
    Choice.TargetLocale = FTarget->currentItem()->data(Qt::UserRole).toInt();
    Choice.DontAskAgain = !Choice.Plural && FDontAsk->isChecked();
    return true;
}
