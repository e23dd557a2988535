#include "app/gui/dialogs/language/LanguagePropertiesDialog.h"

#include "core/UiStrings.h"
#include "langfile/LangFile.h"
#include "langfile/LanguageNaming.h"
#include "storage/Locales.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValidator>

// Refuses typed or pasted characters above 127. Names the catalogue gives
// ("Norwegian Bokmål") may hold others; those already in the field stay
// editable, so only the characters of Accepted outside ASCII are allowed.
class TAsciiInputValidator : public QValidator {
public:
    using QValidator::QValidator;
    QString Accepted;

    State validate(QString& Input, int&) const override
    {
        QString allowed = NonAscii(Accepted);
        for (const QChar c : NonAscii(Input)) {
            const qsizetype i = allowed.indexOf(c);
            if (i < 0) return Invalid;
            allowed.remove(i, 1);
        }
        return Acceptable;
    }

private:
    static QString NonAscii(const QString& Text)
    {
        QString result;
        for (const QChar c : Text)
            if (c.unicode() >= 128) result += c;
        return result;
    }
};

namespace {

constexpr int LocaleRole = Qt::UserRole;

uint16_t LocaleOf(const QTreeWidgetItem* Node) { return Node ? uint16_t(Node->data(0, LocaleRole).toUInt()) : 0; }

} // namespace

TdlgLanguageProperties::TdlgLanguageProperties(QWidget* Parent) : QDialog(Parent)
{
    tvLang = new QTreeWidget(this);
    tvLang->setObjectName(QStringLiteral("tvLang"));
    tvLang->setHeaderHidden(true);
    tvLang->setMinimumSize(260, 300);
    edEngName = new QLineEdit(this);
    edEngName->setObjectName(QStringLiteral("edEngName"));
    edEngName->setMinimumWidth(200);
    FEngNameValidator = new TAsciiInputValidator(edEngName);
    edEngName->setValidator(FEngNameValidator);
    edLocalName = new QLineEdit(this);
    edLocalName->setObjectName(QStringLiteral("edLocalName"));
    edExt = new QLineEdit(this);
    edExt->setObjectName(QStringLiteral("edExt"));
    edExt->setMaxLength(3);
    edExt->setReadOnly(true); // follows the chosen locale, never typed
    lbLCIDvalue = new QLabel(this);
    lbLCIDvalue->setObjectName(QStringLiteral("lbLCIDvalue"));
    cbBasedOn = new QComboBox(this);
    cbBasedOn->setObjectName(QStringLiteral("cbBasedOn"));
    chbUntranslatedAsNative = new QCheckBox(QStringLiteral("Always show untranslated as native"), this);
    chbUntranslatedAsNative->setObjectName(QStringLiteral("chbUntranslatedAsNative"));
    chbAutoTranslate = new QCheckBox(QStringLiteral("Try to automatically translate via Google"), this);
    chbAutoTranslate->setObjectName(QStringLiteral("chbAutoTranslate"));
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    FButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&English name:"), edEngName);
    fields->addRow(QStringLiteral("&Localized name:"), edLocalName);
    fields->addRow(QStringLiteral("Abbreviation:"), edExt);
    fields->addRow(QStringLiteral("Language ID:"), lbLCIDvalue);
    fields->addRow(QStringLiteral("&Based on:"), cbBasedOn);
    fields->addRow(chbUntranslatedAsNative);
    fields->addRow(chbAutoTranslate);
    fields->addRow(lblVersion);
    auto* columns = new QHBoxLayout;
    columns->addWidget(tvLang, 1);
    columns->addLayout(fields, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(FButtons);

    connect(FButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(FButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tvLang, &QTreeWidget::currentItemChanged, this, &TdlgLanguageProperties::NodeChanged);
    connect(edEngName, &QLineEdit::inputRejected, this, [] { QApplication::beep(); });
    connect(edEngName, &QLineEdit::textChanged, this, [this](const QString& Text) {
        FEngNameValidator->Accepted = Text;
        UpdateOKButton();
    });
    connect(edExt, &QLineEdit::textChanged, this, &TdlgLanguageProperties::UpdateOKButton);
}

void TdlgLanguageProperties::Init(const TLangFileList& ALangList, int AIndex, bool AutoTranslateOffered)
{
    if (AIndex >= ALangList.Count()) throw ELangFileError(QStringLiteral("Invalid index"));
    FLangList = &ALangList;
    FIsNew = AIndex < 0;
    FIndex = FIsNew ? -1 : AIndex;
    FLangFile = FIsNew ? nullptr : ALangList.Items(AIndex);
    FLangExt = FIsNew ? QString() : LanguageFileAbbreviation(FLangFile->FileName());
    FNamesLocked = !FIsNew && (FLangFile->IsNative() || FLangFile->ReadOnly());

    QString title = UiString(FIsNew ? usCreateNewLanguage : usLanguageProperties);
    if (FNamesLocked) title += UiString(usReadOnlySuffix);
    setWindowTitle(title);

    cbBasedOn->clear();
    if (FIsNew) {
        for (int i = 0; i < ALangList.Count(); ++i) {
            const TLangFile* file = ALangList.Items(i);
            cbBasedOn->addItem(i == 0 ? UiString(usFilterNative) : file->LangEnglishName(), file->Locale());
        }
        cbBasedOn->setCurrentIndex(0);
    } else if (FLangFile->BasedOnLangID() != 0) {
        QString name;
        try {
            name = LocaleLanguageName(FLangFile->BasedOnLangID());
        } catch (const ELocalesError&) {
        }
        cbBasedOn->addItem(name, FLangFile->BasedOnLangID());
    }
    cbBasedOn->setEnabled(FIsNew);

    edEngName->clear();
    edLocalName->clear();
    edExt->clear();
    FillLanguageTree(FIsNew ? uint16_t(UserDefaultLangID()) : FLangFile->Locale());

    if (!FIsNew) {
        SetEngName(FLangFile->LangEnglishName());
        edLocalName->setText(FLangFile->LangLocalizedName());
        edExt->setText(FLangExt);
        lbLCIDvalue->setText(QString::number(FLangFile->Locale()));
        lblVersion->setText(UiString(usLanguageFileVersion, {QString::number(FLangFile->Version()) + QLatin1Char('.') +
                                                             QString::number(FLangFile->Build())}));
    }
    edEngName->setReadOnly(FNamesLocked);
    edLocalName->setReadOnly(FNamesLocked);
    lblVersion->setVisible(!FIsNew);

    chbUntranslatedAsNative->setChecked(FIsNew || !FLangFile->Attribute(lfaUseUntranslated));
    chbUntranslatedAsNative->setVisible(FIsNew || !FLangFile->IsNative());
    chbAutoTranslate->setChecked(false);
    chbAutoTranslate->setVisible(FIsNew && AutoTranslateOffered);
    UpdateOKButton();
}

void TdlgLanguageProperties::FillLanguageTree(uint16_t SelectLocale)
{
    const QSignalBlocker blocker(tvLang);
    tvLang->clear();
    TLocaleTree tree;
    FillLocaleTree(tree);
    QTreeWidgetItem* selected = nullptr;
    const auto addNode = [&](QTreeWidgetItem* Node, const TLocaleTreeNode& Source) {
        Node->setText(0, Source.Text);
        Node->setData(0, LocaleRole, Source.Locale);
        if (!selected && Source.Locale == SelectLocale) selected = Node;
    };
    for (const TLocaleTreeNode& language : tree) {
        auto* node = new QTreeWidgetItem(tvLang);
        addNode(node, language);
        for (const TLocaleTreeNode& country : language.Children) addNode(new QTreeWidgetItem(node), country);
    }
    if (!selected && !FIsNew) {
        // A locale the catalogue does not list gets a node of its own, so the
        // file keeps it instead of taking the first language of the tree.
        selected = new QTreeWidgetItem;
        selected->setText(0, FLangFile->LangEnglishName().isEmpty() ? QString::number(SelectLocale)
                                                                    : FLangFile->LangEnglishName());
        selected->setData(0, LocaleRole, SelectLocale);
        tvLang->insertTopLevelItem(0, selected);
    }
    if (!selected) selected = tvLang->topLevelItem(0);
    tvLang->setCurrentItem(selected);
    if (selected) tvLang->scrollToItem(selected);
    ShowNode(selected);
}

void TdlgLanguageProperties::NodeChanged(QTreeWidgetItem* Current, QTreeWidgetItem* Previous)
{
    // An open language keeps its locale: once its own node is selected the
    // selection stays there.
    if (!FIsNew && Previous && Current != Previous && LocaleOf(Previous) == FLangFile->Locale()) {
        const QSignalBlocker blocker(tvLang);
        tvLang->setCurrentItem(Previous);
        return;
    }
    ShowNode(Current);
    UpdateOKButton();
}

void TdlgLanguageProperties::ShowNode(QTreeWidgetItem* Node)
{
    if (!Node) return;
    const uint16_t locale = LocaleOf(Node);
    const TProposedNames names = ProposedLanguageNames(locale, Node->childCount() > 0);
    // A name the catalogue cannot give leaves the field as it was.
    if (!FNamesLocked) {
        if (!names.EnglishName.isEmpty()) SetEngName(names.EnglishName);
        if (!names.LocalizedName.isEmpty()) edLocalName->setText(names.LocalizedName);
    }
    if (FIsNew && !names.Abbreviation.isEmpty()) edExt->setText(names.Abbreviation);
    lbLCIDvalue->setText(QString::number(locale));
}

void TdlgLanguageProperties::SetEngName(const QString& Text)
{
    FEngNameValidator->Accepted = Text;
    edEngName->setText(Text);
}

void TdlgLanguageProperties::UpdateOKButton()
{
    bool ok = true;
    if (FLangList && !FNamesLocked)
        ok = tvLang->currentItem() && !edExt->text().isEmpty() && !edEngName->text().isEmpty() &&
             !AbbreviationInUse(*FLangList, edExt->text(), FIndex);
    FButtons->button(QDialogButtonBox::Ok)->setEnabled(ok);
}

bool TdlgLanguageProperties::Execute() { return exec() == QDialog::Accepted; }

uint16_t TdlgLanguageProperties::Locale() const { return LocaleOf(tvLang->currentItem()); }

QString TdlgLanguageProperties::EnglishName() const { return edEngName->text(); }

QString TdlgLanguageProperties::LocalizedName() const { return edLocalName->text(); }

QString TdlgLanguageProperties::Abbreviation() const { return edExt->text(); }

int TdlgLanguageProperties::BasedOnIndex() const { return cbBasedOn->currentIndex(); }

uint16_t TdlgLanguageProperties::BasedOnLangID() const
{
    return cbBasedOn->currentIndex() < 0 ? 0 : uint16_t(cbBasedOn->currentData().toUInt());
}

bool TdlgLanguageProperties::UntranslatedAsNative() const { return chbUntranslatedAsNative->isChecked(); }

bool TdlgLanguageProperties::AutoTranslate() const
{
    return chbAutoTranslate->isVisibleTo(this) && chbAutoTranslate->isChecked();
}

TNewLanguage TdlgLanguageProperties::NewLanguage() const
{
    TNewLanguage lang;
    lang.Locale = Locale();
    lang.EnglishName = EnglishName();
    lang.LocalizedName = LocalizedName();
    lang.BaseIndex = FIsNew ? std::max(0, BasedOnIndex()) : 0;
    lang.UseUntranslated = !UntranslatedAsNative();
    return lang;
}
