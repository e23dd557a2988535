#pragma once

// The big project the benchmarks share: 100,000 items (60,000 properties of
// 600 forms, 30,000 constants of 30 units, 10,000 external items of 100
// groups) with four language files, about 70% of each translated. The same
// seed gives the same files every run.

#include "langfile/LangFile.h"

#include <QRandomGenerator>
#include <QString>
#include <iterator>

namespace bigproject {

inline const uint16_t kNative = 0x0409;
inline const uint16_t kLanguages[] = {0x0407, 0x040C, 0x0410, 0x0C0A};
inline const char* kAbbr[] = {"deu", "fra", "ita", "esn"};

inline QString Words(QRandomGenerator& rng, int minWords, int maxWords)
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

// Writes big.ntv.lng and big.<abbr>.lng into dir.
inline void Generate(const QString& dir, bool compressed)
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
        for (int i = 0; i < 100; ++i)
            s.AddExternalItem(-1, QStringLiteral("Group%1").arg(g), QStringLiteral("Item%1").arg(i));

    s.ForEachItem([&](TLocItem* item) {
        QString text;
        switch (item->Values().ValueType()) {
        case ptInteger:
            text = QString::number(rng.bounded(1000));
            break;
        case ptFloat:
            text = QString::number(rng.bounded(100)) + QStringLiteral(".5");
            break;
        case ptStringList:
            text = Words(rng, 1, 3) + "\r\n" + Words(rng, 1, 3) + "\r\n" + Words(rng, 1, 3);
            break;
        default:
            text = Words(rng, 1, 10);
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
                if (IsTextualType(item->Values().ValueType()))
                    v->SetValue(QString::fromLatin1(kAbbr[l]) + ": " + v->Value());
                v->SetValueVersion(1);
                v->SetModified(46000.5);
            }
        });
        save(c, kLanguages[l], QStringLiteral("big.%1.lng").arg(QLatin1String(kAbbr[l])));
    }
}

// Opens the files Generate wrote into a project, every language read-only.
template <class TProject> void Open(TProject& Project, const QString& dir)
{
    Project.Open(dir + "/big.ntv.lng", false, true);
    for (const char* a : kAbbr) Project.OpenLanguage(dir + QStringLiteral("/big.%1.lng").arg(QLatin1String(a)), true);
}

} // namespace bigproject
