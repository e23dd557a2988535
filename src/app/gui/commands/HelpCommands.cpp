#include "app/gui/commands/HelpCommands.h"

#include "core/Prompt.h"
#include "core/UiStrings.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QUrl>

QString HelpFolder()
{
    const QString shipped = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("docs"));
    if (QFileInfo::exists(QDir(shipped).filePath(QStringLiteral("index.html")))) return shipped;
    return QStringLiteral(PHRASEDESK_DOCS_DIR);
}

bool OpenHelpTopic(const QString& Page)
{
    const QString file = QDir(HelpFolder()).filePath(Page.section(QLatin1Char('#'), 0, 0));
    if (!QFileInfo::exists(file)) {
        DefaultPrompt().Message(mkError, UiString(usHelpPageMissing, {QDir::toNativeSeparators(file)}), mbOK, mrOk);
        return false;
    }
    QUrl url = QUrl::fromLocalFile(file);
    if (Page.contains(QLatin1Char('#'))) url.setFragment(Page.section(QLatin1Char('#'), 1));
    if (QDesktopServices::openUrl(url)) return true;
    // A desktop without a browser to hand it to: at least say where it is.
    DefaultPrompt().Message(mkInformation, UiString(usHelpLocation, {QDir::toNativeSeparators(file)}), mbOK, mrOk);
    return false;
}

THelpCommands::THelpCommands(QWidget* AWindow) : QObject(AWindow), FWindow(AWindow)
{
    miContents = new QAction(QStringLiteral("&Contents"), this);
    miContents->setObjectName(QStringLiteral("miContents"));
    miContents->setShortcut(QKeySequence(Qt::Key_F1));
    connect(miContents, &QAction::triggered, this, [this] { Contents(); });
    miAbout = new QAction(QStringLiteral("&About..."), this);
    miAbout->setObjectName(QStringLiteral("miAbout"));
    connect(miAbout, &QAction::triggered, this, [this] { ShowAbout(); });
}

void THelpCommands::AddActions(QMenu* HelpMenu)
{
    HelpMenu->addAction(miContents);
    HelpMenu->addSeparator();
    HelpMenu->addAction(miAbout);
}

void THelpCommands::Contents() { OpenHelpTopic(QStringLiteral("index.html")); }

void THelpCommands::ShowAbout()
{
    QMessageBox::about(FWindow, UiString(usAboutTitle), UiString(usAboutText, {QStringLiteral(PHRASEDESK_VERSION)}));
}
