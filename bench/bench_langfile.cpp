// Opening and saving a big project: 100,000 items (forms, units and external
// items mixed) with four language files, plain and compressed.

#include "BigProject.h"
#include "Timing.h"
#include "langfile/LangFileProject.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

using namespace bigproject;

double OpenProjectMs(const QString& dir, int repeats)
{
    double best = 1e300;
    for (int r = 0; r < repeats; ++r) {
        TLangFileProject p;
        best = std::min(best, TimeMs([&] {
                            p.Open(dir + "/big.ntv.lng", false, false);
                            for (const char* a : kAbbr)
                                p.OpenLanguage(dir + QStringLiteral("/big.%1.lng").arg(QLatin1String(a)), false);
                        }));
        bool allow;
        for (int i = p.LangCount() - 1; i > 0; --i) p.CloseLanguage(i, allow);
        p.Close(false);
    }
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir plain, compressed;
    Generate(plain.path(), false);
    Generate(compressed.path(), true);

    std::printf("open_project_100k_4lang_ms: %.1f ms\n", OpenProjectMs(plain.path(), 3));
    std::printf("open_project_100k_4lang_compressed_ms: %.1f ms\n", OpenProjectMs(compressed.path(), 3));

    TLangFileProject p;
    p.Open(plain.path() + "/big.ntv.lng", false, false);
    p.OpenLanguage(plain.path() + "/big.deu.lng", false);
    const double save = BestMs(3, [&] {
        p.LangFiles().Items(1)->SetModified(true);
        p.SaveLanguage(1);
    });
    std::printf("save_language_100k_ms: %.1f ms\n", save);
    return 0;
}
