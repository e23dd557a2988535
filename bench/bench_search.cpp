// Search and replace over the shown rows of the big project (100,000 items,
// four languages), searching the German column: a search that finds nothing
// (every row is looked at twice, as the search wraps) and a Replace All that
// changes 10,000 cells through the cell edit path.

#include "BigProject.h"
#include "Timing.h"
#include "langfile/LEProject.h"
#include "langfile/QFindData.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    bigproject::Generate(dir.path(), false);
    TLEProject p;
    bigproject::Open(p, dir.path());

    std::vector<TLocItem*> rows;
    p.ForEachItem([&](TLocItem* item) { rows.push_back(item); });
    TItemSearchView view(&p, rows);
    view.MoveTo(1, 0);

    TQReplaceData data(&view);
    data.FGridCol = 1;
    data.FFindText = QStringLiteral("nowhere to be found");
    int found = 0;
    double miss = 1e300;
    for (int r = 0; r < 5; ++r) miss = std::min(miss, TimeMs([&] { found = data.FindNext(true); }));
    if (found >= 0) std::fprintf(stderr, "unexpected hit in row %d\n", found);

    // Every fifth textual row gets the marker, 10,000 in all.
    std::vector<std::pair<TLocValue*, QString>> marked;
    int textual = 0;
    for (TLocItem* item : rows)
        if (item->Values().ValueType() != ptInteger && textual++ % 5 == 0 && marked.size() < 10000)
            marked.emplace_back(item->Values().Items(1), item->Values().Items(1)->Value());
    int replaced = 0;
    double replace = 1e300;
    for (int r = 0; r < 3; ++r) {
        for (auto& [value, original] : marked) value->SetValue(QStringLiteral("Marker ") + original);
        data.FFindText = QStringLiteral("Marker");
        data.FReplaceText = QStringLiteral("Done");
        replace = std::min(replace, TimeMs([&] { replaced = data.ReplaceAll(); }));
    }
    if (replaced != 10000) std::fprintf(stderr, "replaced %d cells instead of 10000\n", replaced);

    std::printf("find_next_miss_100k_ms: %.1f ms\n", miss);
    std::printf("replace_all_100k_ms: %.1f ms\n", replace);
    return 0;
}
