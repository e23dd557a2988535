#include "app/gui/dialogs/exchange/ImportDialog.h"

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
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kKey = QStringLiteral("ImportDialog");
const QString kPositionKey = QStringLiteral("ExportDialog");

// The file name the dialog showed last in this run, per extension.
QHash<QString, QString>& LastNames()
{
    static QHash<QString, QString> names;
    return names;
}

} // namespace

TdlgImport::TdlgImport(TLangFileProject& Project, TPrompt& Prompt, QWidget* Parent)
    : QDialog(Parent), FProject(Project), FPrompt(Prompt)
{
    setObjectName(QStringLiteral("dlgImport"));
    auto* layout = new QVBoxLayout(this);
    dialogparts::FileRow(this, layout, edFileName, btnFile);

    auto* gbSync = new QGroupBox(QStringLiteral(" Synchronize by "), this);
    rbSync = dialogparts::RadioGroup(gbSync, "rbSync", {QStringLiteral("IDs"), QStringLiteral("Item names")});
    layout->addWidget(gbSync);

    chbChangeTranslated = new QCheckBox(QStringLiteral("Change translated items"), this);
    chbChangeTranslated->setObjectName(QStringLiteral("chbChangeTranslated"));
    chbImportUntranslated = new QCheckBox(QStringLiteral("Import untranslated items"), this);
    chbImportUntranslated->setObjectName(QStringLiteral("chbImportUntranslated"));
    layout->addWidget(chbChangeTranslated);
    layout->addWidget(chbImportUntranslated);

    FLists = new TSectionLists(this);
    layout->addWidget(FLists, 1);

    auto* buttons = new QDialogButtonBox(this);
    btnMore = buttons->addButton(UiString(usMoreButton), QDialogButtonBox::ActionRole);
    btnMore->setObjectName(QStringLiteral("btnMore"));
    btnMore->setProperty("uiDynamicText", true); // from the string table, by the state it toggles
    btnOK = buttons->addButton(QDialogButtonBox::Ok);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);

    connect(edFileName, &QLineEdit::textChanged, this, &TdlgImport::Preprocess);
    connect(btnFile, &QToolButton::clicked, this, &TdlgImport::ChooseFile);
    connect(btnMore, &QPushButton::clicked, this, [this] { ToggleMore(FLists->isHidden()); });
    connect(FLists, &TSectionLists::Changed, this, &TdlgImport::UpdateOK);
    connect(buttons, &QDialogButtonBox::accepted, this, &TdlgImport::Confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const TSettingsKey key(kKey);
    dialogstate::Read(key, chbChangeTranslated);
    dialogstate::Read(key, chbImportUntranslated);
    dialogstate::Read(key, rbSync);
    FFullHeight = key.ReadInteger(QStringLiteral("FullHeight"), 200);
    if (const auto position = LoadWindowPosition(kPositionKey)) move(position->Left, position->Top);
}

TdlgImport::~TdlgImport() = default;

QString TdlgImport::Extension() const
{
    switch (FImportFrom) {
    case ikText:
        return QStringLiteral(".txt");
    case ikXml:
        return QStringLiteral(".xml");
    case ikLangFile:
        return QStringLiteral(".lng");
    case ikTmx:
        return QStringLiteral(".tmx");
    default:
        return QStringLiteral(".xlf");
    }
}

void TdlgImport::Initialize(int LangIndex, TImportKind ImportFrom)
{
    FLangIndex = LangIndex;
    FImportFrom = ImportFrom;
    const TLangFile* file = FProject.LangFiles().Items(LangIndex);
    const TUiString titles[] = {usImportFromText, usImportFromXml, usImportFromLangFile, usImportFromTmx,
                                usImportFromXliff};
    setWindowTitle(UiString(titles[std::clamp(int(ImportFrom), 1, 5) - 1]) + QStringLiteral(": ") +
                   (file->IsNative() ? UiString(usNativeCaption, {file->LangEnglishName()}) : file->LangEnglishName()));
    chbImportUntranslated->setVisible(ImportFrom == ikLangFile);
    FLists->SetFormsAndUnitsVisible(LangIndex != 0);
    QString name = LastNames().value(Extension());
    if (name.isEmpty()) {
        name = file->FileName();
        if (name.endsWith(QLatin1String(".lng"), Qt::CaseInsensitive)) name.chop(4);
        name = QDir::toNativeSeparators(name + Extension());
    }
    FLastRead.clear();
    if (edFileName->text() == name)
        Preprocess();
    else
        edFileName->setText(name);
}

bool TdlgImport::Execute()
{
    ToggleMore(false);
    return exec() == QDialog::Accepted;
}

void TdlgImport::Preprocess()
{
    const QString fileName = QDir::fromNativeSeparators(edFileName->text().trimmed());
    if (fileName == FLastRead && FRead) return;
    FLastRead = fileName;
    FRead = false;
    FLists->Fill({}, {}, {});
    if (QFileInfo(fileName).isFile()) {
        FPrompt.ProgressBegin(UiString(usPreprocessingFile), 0);
        try {
            const TImportPreview preview = PreviewImport(FProject, FLangIndex, fileName, FImportFrom);
            FRead = true;
            FHasNames = preview.HasNames;
            FLists->Fill(preview.Forms, preview.Units, preview.Groups);
            // The choice follows what the file offers.
            const bool both = preview.HasIDs && preview.HasNames && FImportFrom != ikTmx;
            if (!both) rbSync->button(preview.HasIDs && FImportFrom != ikTmx ? 0 : 1)->setChecked(true);
            for (QAbstractButton* b : rbSync->buttons()) b->setEnabled(both);
        } catch (const EVocabrixError&) {
            FRead = false;
        }
        FPrompt.ProgressEnd();
    }
    UpdateOK();
}

void TdlgImport::UpdateOK() { btnOK->setEnabled(FRead && (!FHasNames || FLists->AnyChecked())); }

void TdlgImport::ChooseFile()
{
    const std::pair<TUiString, const char*> filters[] = {{usTextFiles, "*.txt"},
                                                         {usXmlFiles, "*.xml"},
                                                         {usLanguageFiles, "*.lng"},
                                                         {usTmxFiles, "*.tmx"},
                                                         {usXliffFiles, "*.xlf *.xliff"}};
    const auto& [kind, patterns] = filters[std::clamp(int(FImportFrom), 1, 5) - 1];
    const QString filter = FilterWithAllFiles(kind, patterns);
    const QString name = ChooseOpenFile(this, UiString(usSelectFileToImport), edFileName->text(), filter);
    if (!name.isEmpty()) edFileName->setText(QDir::toNativeSeparators(name));
}

void TdlgImport::ToggleMore(bool Show)
{
    if (FLists->isHidden() == !Show) return;
    if (!Show && !FLists->isHidden()) FFullHeight = height();
    FLists->setVisible(Show);
    btnMore->setText(Show ? UiString(usLessButton) : UiString(usMoreButton));
    if (Show)
        resize(width(), std::max(FFullHeight, sizeHint().height()));
    else
        adjustSize();
}

void TdlgImport::Confirm()
{
    const QString fileName = QDir::fromNativeSeparators(edFileName->text().trimmed());
    const TLangFile* file = FProject.LangFiles().Items(FLangIndex);
    const QString question =
        UiString(usImportIntoLanguage, {QDir::toNativeSeparators(fileName), file->LangEnglishName()});
    if (FPrompt.Message(mkConfirmation, question, mbYesCancel, mrCancel) != mrYes) return;
    LastNames().insert(Extension(), edFileName->text());
    TImportOptions o;
    o.ChangeTranslated = chbChangeTranslated->isChecked();
    o.SyncBy = rbSync->checkedId() == 1 ? sbNames : sbIDs;
    o.ImportUntranslated = chbImportUntranslated->isChecked();
    try {
        ImportLanguage(FProject, FLangIndex, fileName, FImportFrom, o,
                       FHasNames ? FLists->Selection() : TExchangeSelection(), &FPrompt, &FCounts);
    } catch (const EVocabrixError&) {
        edFileName->setFocus();
        FPrompt.Message(mkError, UiString(usImportWrongFormat), mbOK, mrOk);
        return;
    }
    accept();
}

void TdlgImport::done(int Result)
{
    TSettingsKey key(kKey);
    dialogstate::Write(key, chbChangeTranslated);
    dialogstate::Write(key, chbImportUntranslated);
    dialogstate::Write(key, rbSync);
    if (!FLists->isHidden()) FFullHeight = height();
    key.WriteInteger(QStringLiteral("FullHeight"), FFullHeight);
    key.Flush();
    SaveWindowPosition(kPositionKey, {x(), y(), width(), height()});
    QDialog::done(Result);
}
