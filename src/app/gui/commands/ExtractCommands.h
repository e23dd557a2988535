#pragma once

#include "resources/ProjectExtractor.h"

#include <QDialog>

#include <functional>

class QAction;
class QCheckBox;
class QLineEdit;
class QPushButton;
class TPrompt;

// The choices of File > New Project from Executable: the executable, the
// optional definitions and rules files, the layout option and the project
// file to write (by default app.ntv.lng beside app.exe).
class TdlgExtract : public QDialog {
    Q_OBJECT
public:
    explicit TdlgExtract(QWidget* Parent);

    // The project file: as typed, else derived from the executable.
    QString ProjectFile() const;
    TExtractOptions Options() const;

    QLineEdit* edExecutable;
    QLineEdit* edDefinitions;
    QLineEdit* edRules;
    QLineEdit* edProject;
    QCheckBox* chbLayout;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    QWidget* FileRow(QLineEdit* Edit, const QString& Filter, bool Save);
};

// What the command needs of the main window.
struct TExtractHost {
    std::function<QString()> OpenNativeFile;             // empty without a project
    std::function<bool()> CloseProject;                  // false when the user kept it open
    std::function<void(const QString&)> OpenProjectFile; // opens the written project
};

// File > "New Project from Executable...": extracts the native project from
// an executable (or updates it), reports the summary and opens it.
class TExtractCommands : public QObject {
    Q_OBJECT
public:
    TExtractCommands(QWidget* AWindow, TPrompt* APrompt, TExtractHost AHost);

    void NewProjectFromExecutable();

    QAction* miNewFromExe;

private:
    QWidget* FWindow;
    TPrompt* FPrompt;
    TExtractHost FHost;
};
