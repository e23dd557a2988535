#include "app/gui/dialogs/repository/RepImportMSGlossaryDialog.h"

#include "app/EditorSettings.h"
#include "app/gui/dialogs/FileChooser.h"
#include "core/UiStrings.h"
#include "storage/Locales.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QString kPositionKey = QStringLiteral("RepositoryImportMSG");

void FillLanguages(QComboBox* Box)
{
    TLocaleList list;
    GetLocaleList(list, lkGrouped);
    std::sort(list.begin(), list.end(),
              [](const TLocaleEntry& A, const TLocaleEntry& B) { return A.Name.localeAwareCompare(B.Name) < 0; });
    for (const TLocaleEntry& e : list) Box->addItem(e.Name, e.Locale);
}

} // namespace

TdlgRepImportMSGlossary::TdlgRepImportMSGlossary(QWidget* Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("dlgRepImportMSGlossary"));
    setWindowTitle(QStringLiteral("Repository Import MS Glossary File"));
    FFile = new QLineEdit;
    FFile->setObjectName(QStringLiteral("edFileName"));
    FFile->installEventFilter(this);
    auto* browse = new QToolButton;
    browse->setText(QStringLiteral("..."));
    connect(browse, &QToolButton::clicked, this, &TdlgRepImportMSGlossary::Browse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(FFile, 1);
    fileRow->addWidget(browse);
    FLang1 = new QComboBox;
    FLang2 = new QComboBox;
    FillLanguages(FLang1);
    FillLanguages(FLang2);
    FLang1->setCurrentIndex(FLang1->findData(9));
    FLang2->setCurrentIndex(-1);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    FOk = box->button(QDialogButtonBox::Ok);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(FLang2, &QComboBox::currentIndexChanged, this, &TdlgRepImportMSGlossary::UpdateOk);
    connect(FFile, &QLineEdit::textChanged, this, &TdlgRepImportMSGlossary::UpdateOk);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("File name"), fileRow);
    form->addRow(QStringLiteral("Language 1"), FLang1);
    form->addRow(QStringLiteral("Language 2"), FLang2);
    form->addRow(box);
    if (const auto p = LoadWindowPosition(kPositionKey)) setGeometry(p->Left, p->Top, p->Width, p->Height);
    UpdateOk();
}

TdlgRepImportMSGlossary::~TdlgRepImportMSGlossary()
{
    const QRect r = geometry();
    SaveWindowPosition(kPositionKey, {r.left(), r.top(), r.width(), r.height()});
}

QString TdlgRepImportMSGlossary::FileName() const { return FFile->text(); }
int TdlgRepImportMSGlossary::Locale1() const { return FLang1->currentData().toInt(); }
int TdlgRepImportMSGlossary::Locale2() const { return FLang2->currentData().toInt(); }

void TdlgRepImportMSGlossary::UpdateOk()
{
    FOk->setEnabled(QFileInfo(FFile->text()).isFile() && FLang2->currentIndex() >= 0);
}

void TdlgRepImportMSGlossary::Browse()
{
    const QString file =
        ChooseOpenFile(this, UiString(usSelectFileToImport), FFile->text(), FilterWithAllFiles(usCsvFiles, "*.csv"));
    if (!file.isEmpty()) FFile->setText(file);
}

bool TdlgRepImportMSGlossary::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FFile && Event->type() == QEvent::MouseButtonDblClick) {
        Browse();
        return true;
    }
    return QDialog::eventFilter(Watched, Event);
}
