#include "app/gui/commands/PreviewCommands.h"

#include "app/gui/grid/QStringGrid.h"
#include "app/gui/preview/ExeDialogViewer.h"
#include "langfile/LEProject.h"
#include "langfile/LangFile.h"
#include "platform/Settings.h"
#include "resources/DllBuilder.h"
#include "storage/LocStorage.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

TPreviewCommands::TPreviewCommands(QWidget* AWindow, TQStringGrid* AGrid, TLEProject* AProject, TPrompt* APrompt,
                                   TPreviewHost AHost)
    : QObject(AWindow), FWindow(AWindow), FGrid(AGrid), FProject(AProject), FPrompt(APrompt), FHost(std::move(AHost))
{
    SetIniFile(DefaultIniFile());
    sbShowDialog = new QAction(QStringLiteral("Show form preview"), this);
    sbShowDialog->setObjectName(QStringLiteral("sbShowDialog"));
    connect(sbShowDialog, &QAction::triggered, this, [this] { ShowFormPreview(); });
    butShowSettingsIni =
        new QAction(QStringLiteral("Show \"Replacement settings\" document (used in Form Preview)"), this);
    butShowSettingsIni->setObjectName(QStringLiteral("butShowSettingsIni"));
    connect(butShowSettingsIni, &QAction::triggered, this, [this] { ShowSettingsIni(); });
}

TPreviewCommands::~TPreviewCommands() = default;

QString TPreviewCommands::DefaultIniFile() { return QDir(ProgramFolder()).filePath(QStringLiteral("preview.ini")); }

void TPreviewCommands::SetIniFile(const QString& IniFile)
{
    FViewer = std::make_unique<TExeDialogViewer>(IniFile, FPrompt);
    FViewer->SetOnCmpDblClick(
        [this](TExeDialogViewer*, QWidget* Form, QObject* Component) { ComponentClicked(Form, Component); });
    FViewer->SetOnClassMissing([this](TExeDialogViewer*, const QString& ClassName) { ClassMissing(ClassName); });
}

void TPreviewCommands::AddToolBarActions(QToolBar* ToolBar)
{
    sbShowDialog->setIcon(FWindow->style()->standardIcon(QStyle::SP_TitleBarNormalButton));
    butShowSettingsIni->setIcon(FWindow->style()->standardIcon(QStyle::SP_FileDialogListView));
    ToolBar->addAction(sbShowDialog);
    ToolBar->addAction(butShowSettingsIni);
}

void TPreviewCommands::UpdateCommandStates()
{
    sbShowDialog->setEnabled(FGrid->RowCount() > 0 && !FGrid->MultiColsSelected() && FHost.FormsShown());
}

void TPreviewCommands::ShowFormPreview()
{
    UpdateCommandStates();
    if (!sbShowDialog->isEnabled() || FGrid->Row() < 0) return;
    const auto* property = dynamic_cast<const TLocProperty*>(FHost.RowItem(FGrid->Row()));
    const TLangFile* lang = FHost.ActiveLangFile();
    if (!property || !property->Form() || !lang) return;
    const QString peFile = FProject->PEFileName();
    const QString dll = LanguageDllPath(peFile, lang->FileName());
    const bool native = QFileInfo(dll).suffix().compare(QLatin1String("ntv"), Qt::CaseInsensitive) == 0;
    FViewer->SetLocale(lang->Locale());
    FViewer->ShowDialog(native ? peFile : dll, property->Form()->Name());
}

void TPreviewCommands::ShowSettingsIni() { QDesktopServices::openUrl(QUrl::fromLocalFile(FViewer->IniFileName())); }

void TPreviewCommands::ComponentClicked(QWidget* Form, QObject* Component)
{
    // Ctrl+Shift takes a component out of the preview, to see what it hides;
    // it goes once the viewer's own handling of the click is over.
    if (Component != Form && (QApplication::keyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) ==
                                 (Qt::ControlModifier | Qt::ShiftModifier)) {
        Component->deleteLater();
        return;
    }
    const QString formName = Form->objectName();
    const QString componentName = Component == Form ? QString() : Component->objectName();
    for (int row = 0; row < FGrid->RowCount(); ++row) {
        const auto* property = dynamic_cast<const TLocProperty*>(FHost.RowItem(row));
        if (!property || !property->Form() || property->Form()->Name() != formName) continue;
        const QString name = property->Component() ? property->Component()->Name() : QString();
        if (name != componentName) continue;
        FGrid->SetRow(row);
        return;
    }
}

void TPreviewCommands::ClassMissing(const QString& ClassName)
{
    // The file lists the classes to map, for the user to fill in.
    const QString file = FViewer->IniFileName();
    try {
        TIniFile ini = QFileInfo::exists(file) ? TIniFile::Load(file) : TIniFile();
        if (ini.ValueExists(QStringLiteral("MissingClasses"), ClassName)) return;
        ini.WriteString(QStringLiteral("MissingClasses"), ClassName, QString());
        ini.Save(file);
    } catch (const EVocabrixError&) {
        // A program folder without write access keeps the list unwritten.
    }
}
