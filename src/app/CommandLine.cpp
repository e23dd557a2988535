#include "app/CommandLine.h"

#include "app/Batch.h"
#include "app/StartOptions.h"
#include "core/Prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTextStream>

#ifdef VOCABRIX_GUI
#include "app/gui/window/GuiPrompt.h"
#include "app/gui/window/MainForm.h"
#include "app/gui/window/UiLanguage.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QStatusBar>
#endif

namespace {

#ifdef VOCABRIX_GUI
// The interactive editor: the main window on the command line's project.
int StartInteractive(int argc, char* argv[], const TStartOptions& Options)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Phrase Desk"));
    // One editor per user: a second start brings the running one to the
    // front and hands it the project it names.
    TSingleInstance instance;
    const QString project =
        Options.ProjectFile.isEmpty() ? QString() : QFileInfo(Options.ProjectFile).absoluteFilePath();
    if (!instance.Start(Options.DelAtom, Options.IDE, project)) return 0;
    TGuiPrompt prompt;
    SetDefaultPrompt(&prompt);
    const auto restore = qScopeGuard([] { SetDefaultPrompt(nullptr); });
    TUiLanguage language;
    const QString languageStatus = language.Start(Options.UILang);
    TOxvPDMainForm window(Options);
    if (!languageStatus.isEmpty()) window.statusBar()->showMessage(languageStatus);
    // A later start is taken only while this window is on screen to take it.
    instance.SetShownCheck([&window] { return window.isVisible(); });
    QObject::connect(&instance, &TSingleInstance::BringToFrontRequested, &window,
                     [&window](const QString& Project) { window.BringToFront(Project); });
    // The editor ends with its main window, whatever helper windows (preview,
    // repository browser, progress) are still up.
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &TOxvPDMainForm::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    return app.exec();
}
#else
int StartInteractive(int, char*[], const TStartOptions&)
{
    QTextStream(stderr) << "This build of Phrase Desk has no editor; use the batch switches.\n";
    return 2;
}
#endif

} // namespace

int RunPhraseDesk(int argc, char* argv[])
{
    // The options decide which kind of application object the run needs, so
    // they are read before one exists.
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    try {
        StartOptions() = ParseStartOptions(args, QDir::currentPath());
    } catch (const ECommandLineError& e) {
        // Nothing has run yet, and no window opens.
        DefaultPrompt().Message(mkError, e.Message(), mbOK, mrOk);
        return 2;
    }
    const TStartOptions& options = StartOptions();

    if (IsBatchRun(options)) {
        // Batch mode never opens a window and needs no display.
        QCoreApplication app(argc, argv);
        return RunBatch(options, DefaultPrompt());
    }
    return StartInteractive(argc, argv, options);
}
