// The editor project on the big project (100,000 items, four languages):
// rebuilding the shown rows and the statistics report.

#include "BigProject.h"
#include "Timing.h"
#include "langfile/LEProject.h"
#include "langfile/ProjectStats.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

namespace {

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    bigproject::Generate(dir.path(), false);
    const QString native = dir.path() + "/big.ntv.lng";

    TLEProject p;
    bigproject::Open(p, dir.path());

    // What a filter keystroke costs: translated items of the German column
    // whose text matches an expression, sorted by that column. Each of the
    // three sections in turn, so every one of the 100,000 items passes.
    TLPFilter& f = p.Filter();
    f.SetLangIndex(1);
    f.SetShowUntranslated(false);
    f.SetRegExp("open|file|save");
    p.Sorting().SetLangIndex(1);
    p.Sorting().SetSortOrder(soAsc);
    size_t shown = 0;
    const double all = BestMs(5, [&] {
        shown = 0;
        for (TShownSection s : {ssForms, ssUnits, ssExternal}) {
            f.SetShownSection(s);
            p.RebuildShownList(true);
        }
        shown = p.ShownPropertyList().FItems.size() + p.ShownConstantList().FItems.size() +
                p.ShownExtItemsList().FItems.size();
    });
    f.SetShownSection(ssForms);
    const double forms = BestMs(5, [&] { p.RebuildShownList(true); });
    std::printf("rebuild_shown_list_100k_ms: %.1f ms\n", all);
    std::printf("rebuild_shown_list_forms_60k_ms: %.1f ms\n", forms);
    std::fflush(stdout);
    std::fprintf(stderr, "(%zu rows shown of 100000)\n", shown);

    // The same without any filter: every row shown and sorted.
    f.SetShowUntranslated(true);
    f.SetRegExp(QString());
    const double unfiltered = BestMs(5, [&] {
        for (TShownSection s : {ssForms, ssUnits, ssExternal}) {
            f.SetShownSection(s);
            p.RebuildShownList(true);
        }
    });
    std::printf("rebuild_shown_list_100k_unfiltered_ms: %.1f ms\n", unfiltered);
    p.Close(false);

    // The whole "-stats" run as a build script sees it: process start to exit.
    // Falls back to the report in-process when the program is not built here.
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../phrasedesk");
    QString out, err;
    double stats;
    if (QFileInfo(program).isExecutable()) {
        stats = BestMs(3, [&] {
            QProcess run;
            run.start(program, {QStringLiteral("-stats"), native});
            run.waitForFinished(-1);
            if (run.exitCode() != 0) err = QString::fromLocal8Bit(run.readAllStandardError());
        });
    } else {
        stats = BestMs(3, [&] {
            out.clear();
            QTextStream o(&out), e(&err);
            RunProjectStats(native, false, o, e);
        });
    }
    std::printf("stats_100k_4lang_ms: %.1f ms\n", stats);
    return err.isEmpty() ? 0 : 1;
}
