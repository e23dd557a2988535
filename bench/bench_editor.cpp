// The editor on the big project: opening it with its four languages into the
// filled grid, and a filter change with the grid rebuilt, offscreen.

#include "BigProject.h"
#include "app/gui/window/MainForm.h"
#include "app/gui/window/TreeCombo.h"
#include "core/Prompt.h"
#include "platform/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {
void Print(const char* Name, qint64 Value) { std::printf("%s: %lld ms\n", Name, static_cast<long long>(Value)); }
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TRecordingPrompt prompt; // no dialog may stop the run
    SetDefaultPrompt(&prompt);

    QTemporaryDir dir;
    // The run's own settings, never the user's.
    SetSettingsFolderForTesting(dir.filePath("settings"));
    bigproject::Generate(dir.path(), false);
    TStartOptions options;
    options.OpenList = QStringList{"deu", "fra", "ita", "esn"};
    options.Repository = dir.filePath("Repository/default.lr");
    TOxvPDMainForm form(options);
    form.resize(1200, 800);
    form.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    form.OpenProjectFile(dir.filePath("big.ntv.lng"), false, false);
    QApplication::processEvents();
    Print("editor_open_100k_4lang_ms", timer.elapsed());
    if (form.Project().LangFiles().Count() != 5 || form.Grid()->RowCount() != 60000) {
        std::fprintf(stderr, "unexpected project: %d files, %d rows\n", form.Project().LangFiles().Count(),
                     form.Grid()->RowCount());
        return 1;
    }

    // A filter change on the biggest section (the 60,000 properties) of the project.
    form.Grid()->FocusCell(2, 0, true);
    timer.restart();
    form.ShowStates(false, true);
    QApplication::processEvents();
    Print("editor_refresh_100k_ms", timer.elapsed());

    timer.restart();
    form.SectionChange(form.SectionChooser()->ExternalNode()); // all external items
    form.SectionChange(form.SectionChooser()->FormsNode());    // and back to all forms
    QApplication::processEvents();
    Print("editor_section_switch_ms", timer.elapsed());

    timer.restart();
    form.HeaderClick(2);
    QApplication::processEvents();
    Print("editor_sort_60k_ms", timer.elapsed());

    // Edits of many cells at once through the cell edit path: cutting the
    // German column of 20,000 selected rows, and pasting them back.
    form.Grid()->FocusCell(2, 0, true);
    form.Grid()->SetSelection({2, 0, 2, 19999});
    timer.restart();
    form.CutToClipbrd();
    QApplication::processEvents();
    Print("editor_cut_20k_ms", timer.elapsed());
    form.Grid()->SetSelection({2, 0, 2, 19999});
    timer.restart();
    form.PasteFromClipbrd();
    QApplication::processEvents();
    Print("editor_paste_20k_ms", timer.elapsed());
    SetDefaultPrompt(nullptr);
    return 0;
}
