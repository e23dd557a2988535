// The editor's own interface switched while it runs: the main window and the
// options dialog open, the sample project loaded, from English to German and
// back (the language DLL built in memory each time), offscreen.

#include "app/gui/dialogs/options/OptionsDialog.h"
#include "app/gui/window/MainForm.h"
#include "app/gui/window/UiLanguage.h"
#include "core/Prompt.h"
#include "platform/Settings.h"
#include "runtime/VocabrixOnFly.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TRecordingPrompt prompt;
    SetDefaultPrompt(&prompt);
    QTemporaryDir dir;
    SetSettingsFolderForTesting(dir.filePath("settings"));
    qputenv("XDG_CACHE_HOME", dir.filePath("cache").toLocal8Bit()); // the built DLLs
    for (const QString& code : QStringList{"ntv", "deu"})
        QFile::copy(QStringLiteral(BENCH_EXAMPLES_DIR "/Notes.%1.lng").arg(code),
                    dir.filePath("Notes." + code + ".lng"));

    TUiLanguage language;
    language.Start(QString());
    TStartOptions options;
    options.OpenList = QStringList{"deu"};
    options.Repository = dir.filePath("Repository/default.lr");
    TOxvPDMainForm form(options);
    form.resize(1200, 800);
    form.show();
    form.OpenProjectFile(dir.filePath("Notes.ntv.lng"), false, false);
    TdlgOptions dialog(&form);
    dialog.show();
    QApplication::processEvents();

    const TLFInfoList& list = language.OnFly().LangList();
    const int english = list.IndexByLocale(0x0409), german = list.IndexByLocale(0x0407);
    std::vector<qint64> rounds;
    for (int i = 0; i < 7; ++i) {
        // Each round builds the German DLL again: the one of the last round is
        // current, so it is removed first.
        QFile::remove(
            QDir(language.OnFly().DLLDir()).filePath(QFileInfo(app.applicationFilePath()).completeBaseName() + ".deu"));
        QElapsedTimer timer;
        timer.start();
        language.SwitchTo(german);
        QApplication::processEvents();
        language.SwitchTo(english);
        QApplication::processEvents();
        rounds.push_back(timer.nsecsElapsed() / 1000);
    }
    if (language.OnFly().CurrentLocale() != 0x0409) return 1;
    std::sort(rounds.begin(), rounds.end());
    std::printf("ui_switch_language_ms: %.1f ms\n", rounds[rounds.size() / 2] / 1000.0);
    SetDefaultPrompt(nullptr);
    SetSettingsFolderForTesting(QString());
    return 0;
}
