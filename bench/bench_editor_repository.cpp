// The repository in the editor: the browser opened and sorted on a
// repository of 1,000,000 records in four languages, and a screen of the
// main grid (40 rows of untranslated cells in four language columns) painted
// with the availability marks against it.
#include "BigProject.h"
#include "RepositoryTexts.h"
#include "Timing.h"

#include "app/gui/commands/RepositoryCommands.h"
#include "app/gui/dialogs/repository/RepositoryForm.h"
#include "app/gui/window/MainForm.h"
#include "core/Prompt.h"
#include "langfile/LangFile.h"
#include "langfile/LangFileProject.h"
#include "platform/Settings.h"
#include "repository/LangRepository.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

using namespace reptexts;

namespace {

void Print(const char* name, double value, const char* unit = "ms")
{
    std::printf("%s: %.1f %s\n", name, value, unit);
    std::fflush(stdout);
}

void WaitForIndex(TRepository& rep)
{
    while (!rep.IndexReady()) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::max(1000, QByteArray(argv[1]).toInt()) : 1000000;
    TRecordingPrompt prompt; // no dialog may stop the run
    SetDefaultPrompt(&prompt);
    QTemporaryDir dir;
    SetSettingsFolderForTesting(dir.filePath("settings"));

    // The big project, and a repository holding its native texts among the
    // filler, so that its untranslated cells carry marks.
    bigproject::Generate(dir.path(), false);
    QStringList natives;
    {
        TLangFileProject project;
        project.Open(dir.filePath("big.ntv.lng"), false, true);
        QSet<QString> seen;
        project.ForEachItem([&](TLocItem* item) {
            const QString n = item->MainValue()->Value();
            if (!n.isEmpty() && !seen.contains(n)) {
                seen.insert(n);
                natives << n;
            }
        });
    }
    const QString repPath = dir.filePath("Repository/default.lr");
    const QList<int> locales{0x0409, 0x0407, 0x040C, 0x0410, 0x0C0A};
    {
        TQLangRepository rep(repPath);
        rep.SetUseMemoryIndex(false); // built once when the editor opens it
        rep.OpenOrCreate();
        rep.AddLocales(locales);
        const int filler = std::max(0, records - int(natives.size()));
        for (int i = 0; i < filler; ++i) {
            rep.Append();
            for (int l = 0; l < 4; ++l) rep.SetWord(kLocales[l], Text(i, l));
            rep.Post();
        }
        for (const QString& n : natives) {
            rep.Append();
            rep.SetWord(0x0409, n);
            for (int l = 1; l < locales.size(); ++l) rep.SetWord(locales[l], QStringLiteral("~") + n);
            rep.Post();
        }
        std::fprintf(stderr, "repository: %d records\n", int(rep.RecordCount()));
    }

    {
        TQLangRepository rep(repPath);
        rep.Open();
        WaitForIndex(rep);
        QElapsedTimer timer;
        timer.start();
        auto* browser = new TRepositoryForm(&rep, prompt);
        browser->resize(1000, 800);
        browser->show();
        browser->grab(); // the first screen painted
        Print("browser_open_1m_ms", double(timer.nsecsElapsed()) / 1e6);

        // Sorting runs in the background: the time until the order shows, and
        // the longest the window went without handling its events meanwhile.
        TRepositoryModel* model = browser->Model();
        timer.restart();
        double longest = TimeMs([&] { model->sort(2, Qt::AscendingOrder); });
        while (model->Sorting() || !browser->View()->isEnabled()) {
            longest = std::max(longest, TimeMs([] { QApplication::processEvents(); }));
            QThread::msleep(1);
        }
        browser->grab();
        Print("browser_sort_1m_ms", double(timer.nsecsElapsed()) / 1e6);
        Print("browser_sort_longest_block_ms", longest);
        Print("browser_scroll_screen_ms", MedianMs(20, [&] {
                  QScrollBar* bar = browser->View()->verticalScrollBar();
                  bar->setValue(bar->value() + 40);
                  browser->grab();
              }));
        delete browser;
    }

    TStartOptions options;
    options.OpenList = QStringList{"deu", "fra", "ita", "esn"};
    options.Repository = repPath;
    TOxvPDMainForm form(options);
    form.resize(1400, 900);
    form.show();
    form.OpenProjectFile(dir.filePath("big.ntv.lng"), false, false);
    WaitForIndex(*form.Repository()->Repository());
    QApplication::processEvents();
    form.Grid()->FocusCell(2, 0, true);
    form.ShowStates(false, true); // untranslated German rows
    QApplication::processEvents();
    QWidget* viewport = form.Grid()->viewport();
    const auto paint = [&] { viewport->repaint(); };
    const double on = MedianMs(30, paint);
    form.Settings().RepIndicateInGrid = false;
    const double off = MedianMs(30, paint);
    const int rows = viewport->height() / std::max(1, form.Grid()->DefaultRowHeight());
    std::fprintf(stderr, "screen: %d rows, %d columns\n", rows, form.Grid()->VisibleColCount());
    Print("marks_paint_screen_ms", on);
    Print("marks_off_paint_screen_ms", off);
    SetDefaultPrompt(nullptr);
    return 0;
}
