// Opening and saving a big project: 100,000 items (forms, units and external
// items mixed) with four language files, plain and compressed.

#include "langfile/LangFileProject.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const uint16_t kNative = 0x0409;
const uint16_t kLanguages[] = {0x0407, 0x040C, 0x0410, 0x0C0A};
const char* kAbbr[] = {"deu", "fra", "ita", "esn"};

QString Words(QRandomGenerator& rng, int minWords, int maxWords)
{
    static const char* words[] = {"file",   "open",   "save",  "document", "settings", "the",     "of",
                                  "cannot", "folder", "name",  "%s",       "%d",       "items",   "&Edit",
                                  "window", "print",  "error", "value",    "select",   "options", "user"};
    QString s;
    const int n = int(rng.bounded(minWords, maxWords + 1));
    for (int i = 0; i < n; ++i) {
        if (i) s += QLatin1Char(' ');
        s += QLatin1String(words[rng.bounded(int(std::size(words)))]);
    }
    return s;
}

void Generate(const QString& dir, bool compressed)
{
    QRandomGenerator rng(42);
    TLocStorage s;
    s.SetMainLangID(kNative);
    for (int f = 0; f < 600; ++f) { // 60,000 properties
        TLocForm* form = s.Forms().Add(QStringLiteral("TForm%1").arg(f, 4, 10, QLatin1Char('0')));
        form->Properties().Add(-1, "Caption", ptString);
        for (int c = 0; c < 20; ++c) {
            TLocComponent* comp = form->Components().Add(QStringLiteral("Control%1").arg(c, 2, 10, QLatin1Char('0')));
            comp->Properties().Add(-1, "Caption", ptString);
            comp->Properties().Add(-1, "Hint", ptString);
            comp->Properties().Add(-1, "Width", ptInteger);
            comp->Properties().Add(-1, c % 5 ? "Left" : "Items", c % 5 ? ptInteger : ptStringList);
            if (c < 19) comp->Properties().Add(-1, "Ratio", ptFloat);
        }
    }
    for (int u = 0; u < 30; ++u) { // 30,000 constants
        TLocUnit* unit = s.Units().Add(QStringLiteral("Unit%1").arg(u));
        for (int c = 0; c < 1000; ++c)
            unit->Constants().Add(-1, QStringLiteral("SMessage%1").arg(c, 4, 10, QLatin1Char('0')), u * 1000 + c);
    }
    for (int g = 0; g < 100; ++g) // 10,000 external items
        for (int i = 0; i < 100; ++i) s.AddExternalItem(-1, QStringLiteral("Group%1").arg(g), QStringLiteral("Item%1").arg(i));

    s.ForEachItem([&](TLocItem* item) {
        QString text;
        switch (item->Values().ValueType()) {
        case ptInteger: text = QString::number(rng.bounded(1000)); break;
        case ptFloat: text = QString::number(rng.bounded(100)) + QStringLiteral(".5"); break;
        case ptStringList: text = Words(rng, 1, 3) + "\r\n" + Words(rng, 1, 3) + "\r\n" + Words(rng, 1, 3); break;
        default: text = Words(rng, 1, 10);
        }
        item->MainValue()->SetValue(text);
        item->MainValue()->SetValueVersion(1);
    });
    auto save = [&](int column, uint16_t locale, const QString& name) {
        TLangFile f(dir + QLatin1Char('/') + name, false);
        f.SetLocale(locale);
        f.SetIsNative(column == 0);
        f.SetCompressed(compressed);
        f.SetLangEnglishName("Language");
        f.Save(&s, column, false);
    };
    save(0, kNative, "big.ntv.lng");
    for (int l = 0; l < 4; ++l) {
        const int c = s.AddLanguage(0, kLanguages[l]);
        s.ForEachItem([&](TLocItem* item) {
            if (rng.bounded(10) < 7) {
                TLocValue* v = item->Values().Items(c);
                if (IsTextualType(item->Values().ValueType())) v->SetValue(QString::fromLatin1(kAbbr[l]) + ": " + v->Value());
                v->SetValueVersion(1);
                v->SetModified(46000.5);
            }
        });
        save(c, kLanguages[l], QStringLiteral("big.%1.lng").arg(QLatin1String(kAbbr[l])));
    }
}

double OpenProjectMs(const QString& dir, int repeats)
{
    double best = 1e300;
    for (int r = 0; r < repeats; ++r) {
        QElapsedTimer t;
        t.start();
        TLangFileProject p;
        p.Open(dir + "/big.ntv.lng", false, false);
        for (const char* a : kAbbr) p.OpenLanguage(dir + QStringLiteral("/big.%1.lng").arg(QLatin1String(a)), false);
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
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
    double best = 1e300;
    for (int r = 0; r < 3; ++r) {
        p.LangFiles().Items(1)->SetModified(true);
        QElapsedTimer t;
        t.start();
        p.SaveLanguage(1);
        best = std::min(best, double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("save_language_100k_ms: %.1f ms\n", best);
    return 0;
}
