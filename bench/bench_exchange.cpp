// Export and import of one language of the big project (100,000 items, the
// German column about 70% translated) as text and as XLIFF 1.2.

#include "BigProject.h"
#include "Timing.h"
#include "exchange/Exchange.h"
#include "langfile/LangFileProject.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    bigproject::Generate(dir.path(), false);

    TLangFileProject p;
    p.Open(dir.path() + "/big.ntv.lng", false, true);
    p.OpenLanguage(dir.path() + "/big.deu.lng", true);

    const QString text = dir.path() + "/big.deu.txt";
    const QString xliff = dir.path() + "/big.deu.xlf";
    TExportOptions options;
    options.Untranslatable = true;
    const double exportText = BestMs(3, [&] { ExportLanguage(p, 1, text, ekText, options, {}, nullptr); });
    const double exportXliff = BestMs(3, [&] { ExportLanguage(p, 1, xliff, ekXliff12, options, {}, nullptr); });
    const QString po = dir.path() + "/big.deu.po";
    const double exportPo = BestMs(3, [&] { ExportLanguage(p, 1, po, ekPo, options, {}, nullptr); });

    // Imports by identifier into a column whose every value differs (each
    // is set back before the next run, outside the timing).
    std::vector<TLocValue*> values;
    std::vector<QString> saved;
    p.ForEachItem([&](TLocItem* item) { values.push_back(item->Values().Items(1)); });
    for (TLocValue* v : values) saved.push_back(v->Value());
    auto timeImport = [&](const QString& file, TImportKind kind) {
        double best = 1e300;
        for (int run = 0; run < 3; ++run) {
            for (size_t i = 0; i < values.size(); ++i) values[i]->SetValue(saved[i] + QLatin1Char('~'));
            best = std::min(best, TimeMs([&] { ImportLanguage(p, 1, file, kind, {}, {}, nullptr); }));
        }
        return best;
    };
    const double importText = timeImport(text, ikText);
    const double importXliff = timeImport(xliff, ikXliff);
    const double importPo = timeImport(po, ikPo);

    std::printf("export_text_100k_ms: %.1f ms\n", exportText);
    std::printf("import_text_100k_ms: %.1f ms\n", importText);
    std::printf("export_xliff_100k_ms: %.1f ms\n", exportXliff);
    std::printf("import_xliff_100k_ms: %.1f ms\n", importXliff);
    std::printf("export_po_100k_ms: %.1f ms\n", exportPo);
    std::printf("import_po_100k_ms: %.1f ms\n", importPo);
    std::fprintf(stderr, "(text %lld bytes, XLIFF %lld bytes, PO %lld bytes)\n", QFileInfo(text).size(),
                 QFileInfo(xliff).size(), QFileInfo(po).size());
    return 0;
}
