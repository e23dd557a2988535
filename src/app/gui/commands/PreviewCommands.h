#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QToolBar;
class QWidget;
class TExeDialogViewer;
class TLangFile;
class TLEProject;
class TLocItem;
class TPrompt;
class TQStringGrid;

// What the preview commands need of the main window.
struct TPreviewHost {
    std::function<TLocItem*(int ARow)> RowItem;
    std::function<TLangFile*()> ActiveLangFile;
    // The section chooser shows the Forms node or a form.
    std::function<bool()> FormsShown;
};

// The tool bar's form preview and replacement settings buttons, and the
// viewer they drive: the form of the current row from the PE file (native
// column) or the active language's DLL; a click on a previewed component
// selects its first row.
class TPreviewCommands : public QObject {
    Q_OBJECT
public:
    TPreviewCommands(QWidget* AWindow, TQStringGrid* AGrid, TLEProject* AProject, TPrompt* APrompt, TPreviewHost AHost);
    ~TPreviewCommands() override;

    // The replacement settings file "preview.ini" in the program's folder;
    // tests point the viewer elsewhere with SetIniFile.
    static QString DefaultIniFile();
    void SetIniFile(const QString& IniFile);

    void AddToolBarActions(QToolBar* ToolBar);
    void UpdateCommandStates();

    void ShowFormPreview(); // "Show form preview"
    void ShowSettingsIni(); // the replacement settings document
    TExeDialogViewer* Viewer() const { return FViewer.get(); }

    QAction* sbShowDialog = nullptr;
    QAction* butShowSettingsIni = nullptr;

private:
    void ComponentClicked(QWidget* Form, QObject* Component);
    void ClassMissing(const QString& ClassName);

    QWidget* FWindow;
    TQStringGrid* FGrid;
    TLEProject* FProject;
    TPrompt* FPrompt;
    TPreviewHost FHost;
    std::unique_ptr<TExeDialogViewer> FViewer;
};
