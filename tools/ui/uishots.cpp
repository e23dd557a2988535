// Screenshots of the main window in German, Chinese and Arabic for docs/,
// taken offscreen with the sample project open.
//   uishots <examples folder> <output folder>   (QT_QPA_PLATFORM=offscreen)

#include "app/gui/window/MainForm.h"
#include "app/gui/window/UiLanguage.h"
#include "core/Prompt.h"
#include "platform/Settings.h"
#include "runtime/VocabrixOnFly.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (app.arguments().size() != 3) {
        QTextStream(stderr) << "usage: uishots <examples folder> <output folder>\n";
        return 2;
    }
    // Absolute: the main window makes its work folder the current one.
    const QDir examples(QDir(app.arguments()[1]).absolutePath()), out(QDir(app.arguments()[2]).absolutePath());
    TRecordingPrompt prompt;
    SetDefaultPrompt(&prompt);
    QTemporaryDir dir;
    SetSettingsFolderForTesting(dir.filePath("settings"));
    qputenv("XDG_CACHE_HOME", dir.filePath("cache").toLocal8Bit());
    for (const QString& code : QStringList{"ntv", "deu", "fra"})
        QFile::copy(examples.filePath("Notes." + code + ".lng"), dir.filePath("Notes." + code + ".lng"));

    TUiLanguage language;
    language.Start(QString());
    TStartOptions options;
    options.OpenList = QStringList{"deu", "fra"};
    options.Repository = dir.filePath("Repository/default.lr");
    TOxvPDMainForm form(options);
    form.resize(1000, 600);
    form.show();
    form.OpenProjectFile(dir.filePath("Notes.ntv.lng"), false, false);
    for (const auto& [locale, name] : {std::pair{0x0407, "deu"}, {0x0804, "chs"}, {0x0401, "ara"}}) {
        language.SwitchTo(language.OnFly().LangList().IndexByLocale(uint32_t(locale)));
        QApplication::processEvents();
        const QString file = out.filePath(QStringLiteral("main-window-%1.png").arg(name));
        if (!form.grab().save(file)) {
            QTextStream(stderr) << "uishots: cannot write " << file << "\n";
            return 1;
        }
    }
    SetDefaultPrompt(nullptr);
    SetSettingsFolderForTesting(QString());
    return 0;
}
