#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;

// The folder of the user help: "docs" beside the program, else the one the
// program was built from.
QString HelpFolder();
// Opens a page of the user help in the desktop's browser; false when the
// page is missing or no browser took it.
bool OpenHelpTopic(const QString& Page);

// The Help menu: "&Contents" opens the user help, "&About..." the about box.
class THelpCommands : public QObject {
    Q_OBJECT
public:
    explicit THelpCommands(QWidget* AWindow);

    void AddActions(QMenu* HelpMenu);
    void Contents();
    void ShowAbout();

    QAction* miContents;
    QAction* miAbout;

private:
    QWidget* FWindow;
};
