#include "app/gui/dialogs/repository/RepExportDialog.h"

#include "app/gui/dialogs/FileChooser.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "repository/Repository.h"
#include "storage/Locales.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The folder of the last export, for the save dialog.
QString& LastFolder()
{
    static QString folder;
    return folder;
}

} // namespace

TdlgRepExport::TdlgRepExport(TRepository& Repository, TPrompt& Prompt, QWidget* Parent)
    : QDialog(Parent), FPrompt(Prompt)
{
    setObjectName(QStringLiteral("dlgRepExport"));
    setWindowTitle(QStringLiteral("Repository Export"));
    FBase = new QComboBox;
    FBase->setObjectName(QStringLiteral("cbBaseLocale"));
    FLanguages = new QListWidget;
    FLanguages->setObjectName(QStringLiteral("lbLanguages"));
    for (int locale : Repository.RepLocales()) {
        FBase->addItem(LocaleEnglishName(locale), locale);
        auto* item = new QListWidgetItem(LocaleEnglishName(locale), FLanguages);
        item->setData(Qt::UserRole, locale);
        item->setCheckState(Qt::Checked);
    }
    FFile = new QLineEdit;
    FFile->setObjectName(QStringLiteral("edFileName"));
    auto* browse = new QToolButton;
    browse->setText(QStringLiteral("..."));
    connect(browse, &QToolButton::clicked, this, &TdlgRepExport::Browse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(FFile, 1);
    fileRow->addWidget(browse);
    FFormat = new QGroupBox(QStringLiteral("Strings format"));
    FCStyle = new QRadioButton(QStringLiteral("C - style"));
    FDelphi = new QRadioButton(QStringLiteral("DFN (Delphi) - style"));
    FCStyle->setChecked(true);
    auto* formatBox = new QVBoxLayout(FFormat);
    formatBox->addWidget(FCStyle);
    formatBox->addWidget(FDelphi);
    auto* languagesBox = new QGroupBox(QStringLiteral(" Languages to be exported "));
    (new QVBoxLayout(languagesBox))->addWidget(FLanguages);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    FOk = box->button(QDialogButtonBox::Ok);
    connect(box, &QDialogButtonBox::accepted, this, &TdlgRepExport::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Base Locale"), FBase);
    form->addRow(languagesBox);
    form->addRow(QStringLiteral("File name"), fileRow);
    form->addRow(FFormat);
    form->addRow(box);
    connect(FBase, &QComboBox::currentIndexChanged, this, &TdlgRepExport::BaseChanged);
    connect(FLanguages, &QListWidget::itemChanged, this, &TdlgRepExport::UpdateOk);
    connect(FFile, &QLineEdit::textChanged, this, &TdlgRepExport::UpdateOk);
    BaseChanged();
}

bool TdlgRepExport::Execute(bool IsTMX, TRepExportOptions& Options)
{
    FIsTMX = IsTMX;
    FFormat->setVisible(!IsTMX);
    FFile->setText(
        QDir(QDir::currentPath()).filePath(IsTMX ? QStringLiteral("LocRep.tmx") : QStringLiteral("LocRep.xml")));
    UpdateOk();
    if (exec() != QDialog::Accepted) return false;
    Options.FileName = FFile->text();
    Options.BaseLocale = FBase->currentData().toInt();
    Options.Locales.clear();
    for (int i = 0; i < FLanguages->count(); ++i) {
        const int locale = FLanguages->item(i)->data(Qt::UserRole).toInt();
        if (FLanguages->item(i)->checkState() == Qt::Checked && locale != Options.BaseLocale) Options.Locales << locale;
    }
    Options.Format = FDelphi->isChecked() ? sfDelphi : sfCStyle;
    LastFolder() = QFileInfo(Options.FileName).absolutePath();
    return true;
}

void TdlgRepExport::BaseChanged()
{
    // The base language is always written: checked, and not to be unchecked.
    const int base = FBase->currentData().toInt();
    const QSignalBlocker block(FLanguages);
    for (int i = 0; i < FLanguages->count(); ++i) {
        QListWidgetItem* item = FLanguages->item(i);
        const bool isBase = item->data(Qt::UserRole).toInt() == base;
        if (isBase) item->setCheckState(Qt::Checked);
        item->setFlags(isBase ? item->flags() & ~Qt::ItemIsEnabled : item->flags() | Qt::ItemIsEnabled);
    }
    UpdateOk();
}

void TdlgRepExport::UpdateOk()
{
    const QFileInfo file(FFile->text());
    bool ok = !FFile->text().isEmpty() && file.absoluteDir().exists() && FLanguages->count() > 0;
    // Two languages of one XML table code could not be told apart.
    QSet<QString> codes;
    for (int i = 0; i < FLanguages->count() && ok; ++i) {
        if (FLanguages->item(i)->checkState() != Qt::Checked) continue;
        const QString code = LocaleCountryLanguageCode(FLanguages->item(i)->data(Qt::UserRole).toInt());
        ok = !codes.contains(code);
        codes.insert(code);
    }
    FOk->setEnabled(ok);
}

void TdlgRepExport::Browse()
{
    const QString file = ChooseSaveFile(
        this, QString(), QDir(LastFolder()).filePath(QFileInfo(FFile->text()).fileName()),
        FIsTMX ? FilterWithAllFiles(usTmxFiles, "*.tmx") : FilterWithAllFiles(usXmlFiles, "*.xml"), false);
    if (!file.isEmpty()) FFile->setText(file);
}

void TdlgRepExport::accept()
{
    const QString name = FFile->text();
    if (QFileInfo::exists(name)) {
        // The export replaces the file atomically, so the old one stays
        // until the new one is complete: it is not deleted here.
        if (FPrompt.Message(mkConfirmation, UiString(usFileExistsOverwrite, {name}), mbYesNoCancel, mrNo) != mrYes)
            return;
    }
    QDialog::accept();
}
