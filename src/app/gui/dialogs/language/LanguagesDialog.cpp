#include "app/gui/dialogs/language/LanguagesDialog.h"

#include "core/UiStrings.h"
#include "langfile/LEProject.h"
#include "langfile/LanguageNaming.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int PathRole = Qt::UserRole;

} // namespace

TdlgLanguages::TdlgLanguages(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(QStringLiteral("Open language(s)"));
    lbLang = new QListWidget(this);
    lbLang->setObjectName(QStringLiteral("lbLang"));
    FButtons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    FOpenButton = FButtons->addButton(QStringLiteral("Open"), QDialogButtonBox::AcceptRole);
    FOpenButton->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbLang);
    layout->addWidget(FButtons);

    connect(FButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(FButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lbLang, &QListWidget::itemChanged, this, &TdlgLanguages::UpdateOpenButton);
    UpdateOpenButton();
}

void TdlgLanguages::Init(const TLangFileProject& Project)
{
    FProjectFile = Project.NativeFileName();
    lbLang->clear();
    for (const QString& path : FindLanguageFiles(Project)) {
        QString caption;
        uint16_t locale = 0;
        try {
            const TLangFile file(path, true);
            caption = file.LangEnglishName();
            locale = file.Locale();
        } catch (const EVocabrixError&) {
            continue; // changed since it was found
        }
        // Such a language is still offered: its texts are Unicode here and
        // only their 8-bit forms (DLLs of older compilers) suffer.
        if (!LocaleHasCodePage(locale)) caption = UiString(usUnsupportedCodePage, {caption});
        auto* item = new QListWidgetItem(caption, lbLang);
        item->setData(PathRole, path);
        item->setToolTip(QDir::toNativeSeparators(path));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    if (lbLang->count() > 0) lbLang->setCurrentRow(0);
    UpdateOpenButton();
}

bool TdlgLanguages::Execute() { return exec() == QDialog::Accepted; }

int TdlgLanguages::CandidateCount() const { return lbLang->count(); }

QStringList TdlgLanguages::CheckedFiles() const
{
    QStringList files;
    for (int i = 0; i < lbLang->count(); ++i)
        if (lbLang->item(i)->checkState() == Qt::Checked) files << lbLang->item(i)->data(PathRole).toString();
    return files;
}

void TdlgLanguages::UpdateOpenButton() { FOpenButton->setEnabled(!CheckedFiles().isEmpty()); }
