#include "app/gui/dialogs/exchange/ExportDialog.h"

#include "app/EditorSettings.h"
#include "app/gui/dialogs/FileChooser.h"
#include "app/gui/dialogs/exchange/DialogParts.h"
#include "app/gui/dialogs/exchange/DialogState.h"
#include "app/gui/dialogs/exchange/SectionLists.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/LangFileProject.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kKey = QStringLiteral("ExportDialog");

// The untranslatable box of the next export: checked at start, then the
// choice of the last confirmed export of the run.
bool gUntranslatable = true;

QCheckBox* CheckBox(const char* Name, const QString& Caption, QWidget* Parent)
{
    auto* box = new QCheckBox(Caption, Parent);
    box->setObjectName(QLatin1String(Name));
    return box;
}

} // namespace

TdlgExport::TdlgExport(TLangFileProject& Project, TPrompt& Prompt, QWidget* Parent)
    : QDialog(Parent), FProject(Project), FPrompt(Prompt)
{
    setObjectName(QStringLiteral("dlgExport"));
    auto* layout = new QVBoxLayout(this);

    dialogparts::FileRow(this, layout, edFileName, btnFile);

    gbDelimiter = new QGroupBox(QStringLiteral(" Delimiter "), this);
    rbDelimiter = dialogparts::RadioGroup(gbDelimiter, "rbDelimiter", {QStringLiteral("Comma"), QStringLiteral("TAB")});
    layout->addWidget(gbDelimiter);

    auto* include = new QHBoxLayout;
    chbIncludeId = CheckBox("chbIncludeId", QStringLiteral("IDs"), this);
    chbIncludeStrId = CheckBox("chbIncludeStrId", QStringLiteral("String IDs"), this);
    chbIncludeNames = CheckBox("chbIncludeNames", QStringLiteral("Item names"), this);
    chbIncludeId->setChecked(true);
    chbIncludeNames->setChecked(true);
    include->addWidget(chbIncludeId);
    include->addWidget(chbIncludeStrId);
    include->addWidget(chbIncludeNames);
    layout->addLayout(include);

    auto* gbExport = new QGroupBox(QStringLiteral(" Export "), this);
    rbExport = dialogparts::RadioGroup(
        gbExport, "rbExport", {QStringLiteral("Translated"), QStringLiteral("Untranslated"), QStringLiteral("Both")});
    layout->addWidget(gbExport);
    chbUntranslatable = CheckBox("chbUntranslatable", QStringLiteral("Export untranslatable items"), this);
    layout->addWidget(chbUntranslatable);

    auto* form = new QFormLayout;
    cmbSaveAs = new QComboBox(this);
    cmbSaveAs->setObjectName(QStringLiteral("cmbSaveAs"));
    cmbSaveAs->addItems({QStringLiteral("ANSI"), QStringLiteral("Unicode"), QStringLiteral("UTF-8")});
    cmbSaveAs->setCurrentIndex(2);
    form->addRow(QStringLiteral("Save as"), cmbSaveAs);
    cmbVersion = new QComboBox(this);
    cmbVersion->setObjectName(QStringLiteral("cmbVersion"));
    cmbVersion->addItems({QStringLiteral("XLIFF 1.2"), QStringLiteral("XLIFF 2.0")});
    form->addRow(QStringLiteral("Version"), cmbVersion);
    layout->addLayout(form);

    FLists = new TSectionLists(this);
    FLists->hide();
    layout->addWidget(FLists, 1);

    auto* buttons = new QDialogButtonBox(this);
    btnMore = buttons->addButton(UiString(usMoreButton), QDialogButtonBox::ActionRole);
    btnMore->setObjectName(QStringLiteral("btnMore"));
    btnMore->setProperty("uiDynamicText", true); // from the string table, by the state it toggles
    btnOK = buttons->addButton(QDialogButtonBox::Ok);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);

    connect(edFileName, &QLineEdit::textChanged, this, &TdlgExport::UpdateOK);
    connect(chbIncludeId, &QCheckBox::toggled, this, &TdlgExport::UpdateOK);
    connect(chbIncludeNames, &QCheckBox::toggled, this, &TdlgExport::UpdateOK);
    connect(btnFile, &QToolButton::clicked, this, &TdlgExport::ChooseFile);
    connect(btnMore, &QPushButton::clicked, this, &TdlgExport::ToggleMore);
    connect(buttons, &QDialogButtonBox::accepted, this, &TdlgExport::Confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const TSettingsKey key(kKey);
    dialogstate::Read(key, rbDelimiter);
    dialogstate::Read(key, rbExport);
    dialogstate::Read(key, cmbSaveAs);
    for (QCheckBox* box : {chbIncludeId, chbIncludeStrId, chbIncludeNames, chbUntranslatable})
        dialogstate::Read(key, box);
    FFullHeight = key.ReadInteger(QStringLiteral("FullHeight"), 453);
    if (const auto position = LoadWindowPosition(kKey)) move(position->Left, position->Top);
}

TdlgExport::~TdlgExport() = default;

void TdlgExport::Initialize(int LangIndex, int ExportTo)
{
    FLangIndex = LangIndex;
    FExportTo = ExportTo;
    const TLangFile* file = FProject.LangFiles().Items(LangIndex);
    const TUiString titles[] = {usExportToText, usExportToXml, usExportToXliff};
    const char* extensions[] = {".txt", ".xml", ".xlf"};
    const int k = std::clamp(ExportTo, 1, 3) - 1;
    setWindowTitle(UiString(titles[k]) + QStringLiteral(": ") +
                   (file->IsNative() ? UiString(usNativeCaption, {file->LangEnglishName()}) : file->LangEnglishName()));
    QString name = file->FileName();
    if (name.endsWith(QLatin1String(".lng"), Qt::CaseInsensitive)) name.chop(4);
    edFileName->setText(QDir::toNativeSeparators(name + QLatin1String(extensions[k])));
    rbExport->button(2)->setChecked(true);
    chbUntranslatable->setChecked(gUntranslatable);

    const bool text = ExportTo == etText;
    gbDelimiter->setVisible(text);
    chbIncludeNames->setEnabled(text);
    // XLIFF carries identifiers and names always.
    chbIncludeId->setEnabled(ExportTo != etXliff);
    chbIncludeStrId->setEnabled(ExportTo != etXliff);
    if (!text) cmbSaveAs->setCurrentIndex(2);
    cmbSaveAs->setEnabled(text);
    cmbVersion->setVisible(ExportTo == etXliff);

    QStringList forms, units, groups;
    for (auto& f : FProject.Forms()) forms << f->Name();
    for (auto& u : FProject.Units()) units << u->Name();
    for (auto& g : FProject.ExtGroups()) groups << g->Name();
    for (QStringList* list : {&forms, &units, &groups}) list->sort(Qt::CaseInsensitive);
    FLists->Fill(forms, units, groups);
    UpdateOK();
}

bool TdlgExport::Execute() { return exec() == QDialog::Accepted; }

void TdlgExport::UpdateOK()
{
    const QFileInfo info(edFileName->text());
    const bool some = chbIncludeId->isChecked() || chbIncludeNames->isChecked() || FExportTo == etXliff;
    btnOK->setEnabled(!edFileName->text().trimmed().isEmpty() && info.absoluteDir().exists() && some);
}

void TdlgExport::ChooseFile()
{
    const std::pair<TUiString, const char*> filters[] = {
        {usTextFiles, "*.txt"}, {usXmlFiles, "*.xml"}, {usXliffFiles, "*.xlf *.xliff"}};
    const auto& [kind, patterns] = filters[std::clamp(FExportTo, 1, 3) - 1];
    const QString name =
        ChooseSaveFile(this, UiString(usSelectFileToExport), edFileName->text(), FileFilter(kind, patterns));
    if (!name.isEmpty()) edFileName->setText(QDir::toNativeSeparators(name));
}

void TdlgExport::ToggleMore()
{
    const bool show = FLists->isHidden();
    if (!show) FFullHeight = height();
    FLists->setVisible(show);
    btnMore->setText(show ? UiString(usLessButton) : UiString(usMoreButton));
    if (show)
        resize(width(), FFullHeight);
    else
        adjustSize();
}

TExportOptions TdlgExport::Options() const
{
    TExportOptions o;
    o.Delimiter = rbDelimiter->checkedId() == 1 ? QStringLiteral("TAB") : QStringLiteral("Comma");
    o.IncludeID = chbIncludeId->isChecked();
    o.IncludeStringID = chbIncludeStrId->isChecked();
    o.IncludeNames = chbIncludeNames->isChecked() || FExportTo != etText;
    o.Translated = rbExport->checkedId() != 1;
    o.Untranslated = rbExport->checkedId() != 0;
    o.Untranslatable = chbUntranslatable->isChecked();
    o.Encoding = cmbSaveAs->currentIndex();
    return o;
}

void TdlgExport::Confirm()
{
    const QString fileName = QDir::fromNativeSeparators(edFileName->text().trimmed());
    // The file is replaced as a whole once the export is written, so a
    // failed export leaves the old file in place.
    if (QFileInfo::exists(fileName) &&
        FPrompt.Message(mkConfirmation, UiString(usFileExistsOverwrite, {QDir::toNativeSeparators(fileName)}),
                        mbYesNoCancel, mrNo) != mrYes)
        return;
    gUntranslatable = chbUntranslatable->isChecked();
    const TExportKind kind = FExportTo == etText               ? ekText
                             : FExportTo == etXml              ? ekXml
                             : cmbVersion->currentIndex() == 1 ? ekXliff20
                                                               : ekXliff12;
    try {
        ExportLanguage(FProject, FLangIndex, fileName, kind, Options(), FLists->Selection(), &FPrompt);
    } catch (const EVocabrixError& e) {
        edFileName->setFocus();
        FPrompt.Message(mkError, e.Message(), mbOK, mrOk);
        return;
    }
    accept();
}

void TdlgExport::done(int Result)
{
    TSettingsKey key(kKey);
    dialogstate::Write(key, rbDelimiter);
    dialogstate::Write(key, rbExport);
    dialogstate::Write(key, cmbSaveAs);
    for (QCheckBox* box : {chbIncludeId, chbIncludeStrId, chbIncludeNames, chbUntranslatable})
        dialogstate::Write(key, box);
    if (!FLists->isHidden()) FFullHeight = height();
    key.WriteInteger(QStringLiteral("FullHeight"), FFullHeight);
    key.Flush();
    QDialog::done(Result);
}
