#include "app/gui/commands/ExtractCommands.h"

#include "app/gui/dialogs/FileChooser.h"
#include "core/FileNames.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

TdlgExtract::TdlgExtract(QWidget* Parent) : QDialog(Parent)
{
    setWindowTitle(QStringLiteral("New Project from Executable"));
    edExecutable = new QLineEdit(this);
    edDefinitions = new QLineEdit(this);
    edRules = new QLineEdit(this);
    edProject = new QLineEdit(this);
    edProject->setPlaceholderText(QStringLiteral("beside the executable"));
    chbLayout = new QCheckBox(QStringLiteral("Also &positions, sizes and fonts"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Executable:"),
                 FileRow(edExecutable, FileFilter(usProgramFiles, "*.exe *.dll *.bpl"), false));
    form->addRow(QStringLiteral("Resource string &definitions:"),
                 FileRow(edDefinitions, FileFilter(usDefinitionFiles, "*.drc"), false));
    form->addRow(QStringLiteral("&Rules:"), FileRow(edRules, FileFilter(usAllFiles, "*"), false));
    form->addRow(QStringLiteral("Pro&ject file:"),
                 FileRow(edProject, FileFilter(usNativeLanguageFiles, "*.ntv.lng"), true));
    form->addRow(QString(), chbLayout);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnOK = buttons->button(QDialogButtonBox::Ok);
    btnCancel = buttons->button(QDialogButtonBox::Cancel);
    btnOK->setEnabled(false);
    connect(edExecutable, &QLineEdit::textChanged, this,
            [this](const QString& Text) { btnOK->setEnabled(!Text.trimmed().isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QWidget* TdlgExtract::FileRow(QLineEdit* Edit, const QString& Filter, bool Save)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browse = new QPushButton(QStringLiteral("..."), row);
    layout->addWidget(Edit, 1);
    layout->addWidget(browse);
    connect(browse, &QPushButton::clicked, this, [this, Edit, Filter, Save] {
        const QString name = Save ? ChooseSaveFile(this, windowTitle(), Edit->text(), Filter)
                                  : ChooseOpenFile(this, windowTitle(), Edit->text(), Filter);
        if (!name.isEmpty()) Edit->setText(name);
    });
    return row;
}

QString TdlgExtract::ProjectFile() const
{
    const QString typed = edProject->text().trimmed();
    if (!typed.isEmpty()) return QFileInfo(typed).absoluteFilePath();
    return WithoutLastExt(QFileInfo(edExecutable->text().trimmed()).absoluteFilePath()) + QStringLiteral(".ntv.lng");
}

TExtractOptions TdlgExtract::Options() const
{
    return {edDefinitions->text().trimmed(), edRules->text().trimmed(), chbLayout->isChecked()};
}

TExtractCommands::TExtractCommands(QWidget* AWindow, TPrompt* APrompt, TExtractHost AHost)
    : QObject(AWindow), FWindow(AWindow), FPrompt(APrompt), FHost(std::move(AHost))
{
    miNewFromExe = new QAction(QStringLiteral("New Project from Executa&ble..."), this);
    miNewFromExe->setObjectName(QStringLiteral("miNewFromExe"));
    connect(miNewFromExe, &QAction::triggered, this, [this] { NewProjectFromExecutable(); });
}

void TExtractCommands::NewProjectFromExecutable()
{
    TdlgExtract dialog(FWindow);
    if (dialog.exec() != QDialog::Accepted) return;
    const QString project = dialog.ProjectFile();
    // The open project holds its file: it is closed before it is updated.
    if (FHost.OpenNativeFile() == project && !FHost.CloseProject()) return;
    try {
        const TExtractSummary summary = ExtractProject(
            QFileInfo(dialog.edExecutable->text().trimmed()).absoluteFilePath(), project, dialog.Options());
        QString text = QFileInfo(project).fileName() + QStringLiteral(": ") + summary.Text();
        if (!summary.Warnings.isEmpty())
            text += QStringLiteral("\r\n\r\n") + summary.Warnings.join(QStringLiteral("\r\n"));
        FPrompt->Message(summary.Warnings.isEmpty() ? mkInformation : mkWarning, text, mbOK, mrOk);
    } catch (const EVocabrixError& e) {
        FPrompt->Message(mkError, e.Message(), mbOK, mrOk);
        return;
    }
    FHost.OpenProjectFile(project);
}
