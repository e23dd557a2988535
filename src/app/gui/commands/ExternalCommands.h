#pragma once

#include <QList>
#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class TLEProject;
class TLocItem;
class TPrompt;
class TfrmTreeCombo;

// What the external item commands need of the main window.
struct TExternalHost {
    // The items of the selected rows, top to bottom, and of the current row.
    std::function<QList<TLocItem*>()> SelectedItems;
    std::function<TLocItem*()> CurrentItem;
    std::function<void()> EndEditing;
    std::function<void()> RefreshGrid;
    std::function<void()> UpdateCommandStates;
    std::function<void()> UpdateNativeCaption;
    // The section chooser's choice applied (section change).
    std::function<void()> SectionChanged;
    std::function<void(const std::function<void()>&)> Guard;
};

// The Edit menu's external item commands: add, edit, delete items and delete
// the shown group, keeping the section chooser's External node in step.
class TExternalCommands : public QObject {
    Q_OBJECT
public:
    TExternalCommands(QWidget* AWindow, TLEProject* AProject, TPrompt* APrompt, TfrmTreeCombo* ATreeCombo,
                      TExternalHost AHost);

    // The four items in the Edit menu, the first three in the grid's pop-up.
    void AddActions(QMenu* EditMenu);
    void AddPopupActions(QMenu* Popup);
    void UpdateCommandStates();

    void AddExternal();
    void EditExternal();
    void DeleteExternal();
    void DeleteExternalGroup();

    QAction* miAddExternal;
    QAction* miEditExternal;
    QAction* miDeleteExternal;
    QAction* miDeleteExternalGroup;

private:
    bool ExternalShown() const;
    bool Allowed() const;

    QWidget* FWindow;
    TLEProject* FProject;
    TPrompt* FPrompt;
    TfrmTreeCombo* FTreeCombo;
    TExternalHost FHost;
};
