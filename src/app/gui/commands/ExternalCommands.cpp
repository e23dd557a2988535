#include "app/gui/commands/ExternalCommands.h"

#include "app/gui/commands/CommandAction.h"
#include "app/gui/dialogs/external/ExternalItemDialog.h"
#include "app/gui/window/TreeCombo.h"
#include "core/Prompt.h"
#include "core/UiStrings.h"
#include "langfile/ExternalItems.h"
#include "langfile/LEProject.h"

#include <QAction>
#include <QMenu>

TExternalCommands::TExternalCommands(QWidget* AWindow, TLEProject* AProject, TPrompt* APrompt,
                                     TfrmTreeCombo* ATreeCombo, TExternalHost AHost)
    : QObject(AWindow), FWindow(AWindow), FProject(AProject), FPrompt(APrompt), FTreeCombo(ATreeCombo),
      FHost(std::move(AHost))
{
    miAddExternal =
        NewCommandAction(this, "miAddExternal", "Add E&xternal item", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_X),
                         FHost.Guard, [this] { AddExternal(); });
    miEditExternal =
        NewCommandAction(this, "miEditExternal", "&Edit External item", QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_E),
                         FHost.Guard, [this] { EditExternal(); });
    miDeleteExternal =
        NewCommandAction(this, "miDeleteExternal", "De&lete External item",
                         QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_L), FHost.Guard, [this] { DeleteExternal(); });
    miDeleteExternalGroup = NewCommandAction(this, "miDeleteExternalGroup", "Delete External &group", {}, FHost.Guard,
                                             [this] { DeleteExternalGroup(); });
}

void TExternalCommands::AddActions(QMenu* EditMenu)
{
    EditMenu->addActions({miAddExternal, miEditExternal, miDeleteExternal, miDeleteExternalGroup});
}

void TExternalCommands::AddPopupActions(QMenu* Popup)
{
    Popup->addActions({miAddExternal, miEditExternal, miDeleteExternal});
    Popup->addSeparator();
}

bool TExternalCommands::Allowed() const
{
    const TLangFileList& files = FProject->LangFiles();
    return files.Count() > 0 && !files.Items(0)->ReadOnly() && !FProject->IsLibrary();
}

bool TExternalCommands::ExternalShown() const { return FProject->Filter().ShownSection() == ssExternal; }

void TExternalCommands::UpdateCommandStates()
{
    const bool open = FProject->LangFiles().Count() > 0;
    for (QAction* a : {miAddExternal, miEditExternal, miDeleteExternal, miDeleteExternalGroup}) a->setVisible(open);
    const bool allowed = open && Allowed();
    miAddExternal->setEnabled(allowed);
    const bool rows = allowed && ExternalShown() && FHost.CurrentItem();
    miEditExternal->setEnabled(rows);
    miDeleteExternal->setEnabled(rows);
    miDeleteExternalGroup->setEnabled(allowed && ExternalShown() &&
                                      !FProject->Filter().ExtItems().GroupName().isEmpty() &&
                                      FProject->ExtGroups().Count() > 0);
}

void TExternalCommands::AddExternal()
{
    if (!Allowed()) return;
    TfrmAddEditExternal dialog(FWindow, FPrompt);
    dialog.Init(FProject, nullptr);
    if (!dialog.Execute()) return;
    FTreeCombo->FillExternal(*FProject);
    if (ExternalShown())
        FHost.RefreshGrid();
    else
        FHost.UpdateNativeCaption();
    FHost.UpdateCommandStates();
}

void TExternalCommands::EditExternal()
{
    auto* item = dynamic_cast<TLocExtItem*>(FHost.CurrentItem());
    if (!Allowed() || !item) return;
    TfrmAddEditExternal dialog(FWindow, FPrompt);
    dialog.Init(FProject, item);
    if (!dialog.Execute()) return;
    FHost.RefreshGrid();
    FHost.UpdateCommandStates();
}

void TExternalCommands::DeleteExternal()
{
    if (!Allowed() || !ExternalShown()) return;
    QList<TLocExtItem*> items;
    for (TLocItem* item : FHost.SelectedItems())
        if (auto* ext = dynamic_cast<TLocExtItem*>(item)) items << ext;
    if (items.isEmpty()) return;
    if (FPrompt->Message(mkConfirmation, UiString(usDeleteExternalItems), mbYesNoCancel, mrCancel) != mrYes) return;
    FHost.EndEditing();
    for (TLocExtItem* item : items) DeleteExternalItem(*FProject, item);
    FTreeCombo->FillExternal(*FProject);
    FHost.RefreshGrid();
    FHost.UpdateCommandStates();
}

void TExternalCommands::DeleteExternalGroup()
{
    const QString name = FProject->Filter().ExtItems().GroupName();
    TLocExtGroup* group = FProject->ExtGroups().FindByName(name);
    if (!Allowed() || !ExternalShown() || !group) return;
    if (FPrompt->Message(mkConfirmation, UiString(usDeleteExternalGroup, {group->Name()}), mbYesNoCancel, mrCancel) !=
        mrYes)
        return;
    FHost.EndEditing();
    ::DeleteExternalGroup(*FProject, group);
    FTreeCombo->FillExternal(*FProject);
    // The chooser fell back to the External node, which the grid now shows.
    FHost.SectionChanged();
    FHost.UpdateCommandStates();
}
