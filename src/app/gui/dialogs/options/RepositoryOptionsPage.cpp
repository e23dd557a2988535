#include "app/gui/dialogs/options/RepositoryOptionsPage.h"
#include "app/gui/dialogs/FileChooser.h"
#include "core/UiStrings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

TRepositoryOptionsPage::TRepositoryOptionsPage(QWidget* Parent) : QWidget(Parent)
{
    setObjectName(QStringLiteral("RepositoryPage"));
    BrowseRepository = [](const QString& Current, QWidget* Parent) {
        // A name that does not exist yet makes a new repository.
        return ChooseSaveFile(Parent, UiString(usBrowseForRepository), Current, FileFilter(usRepositoryFiles, "*.lr"),
                              false);
    };
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Repository path")));
    FPath = new QLineEdit;
    FPath->setObjectName(QStringLiteral("edRepositoryPath"));
    // A file is chosen with the button; a shared repository is typed in as
    // its connection string (postgresql://host/database?user=name).
    FPath->setPlaceholderText(QStringLiteral("a file, or postgresql://host/database?user=name"));
    FBrowse = new QToolButton;
    FBrowse->setText(QStringLiteral("..."));
    connect(FBrowse, &QToolButton::clicked, this, [this] {
        const QString file = BrowseRepository(FPath->text(), this);
        if (!file.isEmpty()) FPath->setText(QDir::toNativeSeparators(file));
    });
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(FPath, 1);
    pathRow->addWidget(FBrowse);
    layout->addLayout(pathRow);

    auto radios = [this, layout](const QString& Caption, const QStringList& Texts) {
        auto* box = new QGroupBox(Caption);
        auto* boxLayout = new QVBoxLayout(box);
        auto* group = new QButtonGroup(this);
        for (int i = 0; i < Texts.size(); ++i) {
            auto* r = new QRadioButton(Texts[i]);
            group->addButton(r, i);
            boxLayout->addWidget(r);
        }
        layout->addWidget(box);
        return group;
    };
    FTranslate = radios(QStringLiteral(" Translate "),
                        {QStringLiteral("All strings"), QStringLiteral("Strings marked as untranslated")});
    FExisting = radios(QStringLiteral(" Adding an existing string "),
                       {QStringLiteral("Append to Repository"), QStringLiteral("Skip"), QStringLiteral("Ask user")});
    auto box = [layout](const QString& Caption) {
        auto* b = new QCheckBox(Caption);
        layout->addWidget(b);
        return b;
    };
    FAutoTranslate = box(QStringLiteral("Automatically translate the language being created"));
    FAutoRefresh = box(QStringLiteral("Automatically refresh repository after the cell has been translated"));
    FAskTranslating = box(QStringLiteral("Ask user translating the cell"));
    FAddTheSame = box(QStringLiteral("Add strings the same as native"));
    FIndicate = box(QStringLiteral("Indicate availability"));
    FSmart = box(QStringLiteral("Smart Repository"));

    auto* suggestions = new QGroupBox(QStringLiteral(" Suggestions "));
    auto* form = new QFormLayout(suggestions);
    FFuzzyThreshold = new QSpinBox;
    FFuzzyThreshold->setObjectName(QStringLiteral("seFuzzyThreshold"));
    FFuzzyThreshold->setRange(1, 100);
    FFuzzyThreshold->setSuffix(QStringLiteral(" %"));
    form->addRow(QStringLiteral("Lowest similarity shown"), FFuzzyThreshold);
    FFuzzyCount = new QSpinBox;
    FFuzzyCount->setObjectName(QStringLiteral("seFuzzyCount"));
    FFuzzyCount->setRange(1, 9); // Ctrl+1 ... Ctrl+9
    form->addRow(QStringLiteral("Suggestions shown at most"), FFuzzyCount);
    layout->addWidget(suggestions);
    layout->addStretch(1);
}

void TRepositoryOptionsPage::SetSettings(const TEditorSettings& S, const QString& Path)
{
    FPath->setText(QDir::toNativeSeparators(Path));
    FTranslate->button(S.RepTranslateAll ? 0 : 1)->setChecked(true);
    FExisting->button(int(S.RepRefreshExisting))->setChecked(true);
    FAutoTranslate->setChecked(S.RepAutoTranslate);
    FAutoRefresh->setChecked(S.RepAutoRefreshByCell);
    FAskTranslating->setChecked(S.RepAskTranslating);
    FAddTheSame->setChecked(S.RepAddTheSame);
    FIndicate->setChecked(S.RepIndicateInGrid);
    FSmart->setChecked(S.RepSmart);
    FFuzzyThreshold->setValue(S.RepFuzzyThreshold);
    FFuzzyCount->setValue(S.RepFuzzyCount);
}

void TRepositoryOptionsPage::TakeSettings(TEditorSettings& S) const
{
    S.RepTranslateAll = FTranslate->checkedId() == 0;
    S.RepRefreshExisting = TRepRefreshExisting(std::max(0, FExisting->checkedId()));
    S.RepAutoTranslate = FAutoTranslate->isChecked();
    S.RepAutoRefreshByCell = FAutoRefresh->isChecked();
    S.RepAskTranslating = FAskTranslating->isChecked();
    S.RepAddTheSame = FAddTheSame->isChecked();
    S.RepIndicateInGrid = FIndicate->isChecked();
    S.RepSmart = FSmart->isChecked();
    S.RepFuzzyThreshold = FFuzzyThreshold->value();
    S.RepFuzzyCount = FFuzzyCount->value();
}

QString TRepositoryOptionsPage::Path() const { return FPath->text(); }
