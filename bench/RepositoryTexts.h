#pragma once

// The texts of the benchmark repositories: user interface texts in English
// and three other languages, fixed by record and language.

#include <QString>

#include <vector>

namespace reptexts {

inline const int kLocales[] = {0x0409, 0x0407, 0x040C, 0x0410};

inline quint64 Mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// 4,000 different pronounceable words, and from them texts shaped like a
// user interface's: captions with accelerators, menu entries with ellipses,
// labels with colons, messages with format specifiers, fixed by record and
// language. A one-word text comes back a few dozen times in a million
// records, as "Open" or "Name" do in a team's memory; a word list with
// repeats (an earlier version drew 1,300 of its words from 20 syllables)
// gave one text thousands of records, which no memory holds.
inline const std::vector<QString>& Vocabulary()
{
    static const std::vector<QString> words = [] {
        static const char* syllables[] = {"ra",  "to",  "mi", "sen", "ka", "lo",  "ve", "dor", "pi", "nu",
                                          "sta", "gre", "fi", "bel", "co", "mar", "tu", "en",  "is", "qua"};
        std::vector<QString> w;
        for (int i = 0; i < 4000; ++i) {
            QString s = QLatin1String(syllables[i % 20]) + QLatin1String(syllables[(i / 20) % 20]);
            if (i >= 400) s += QLatin1String(syllables[i / 400]);
            w.push_back(s);
        }
        return w;
    }();
    return words;
}

inline QString Text(int record, int lang)
{
    const auto& words = Vocabulary();
    quint64 r = Mix(quint64(record) * 8 + quint64(lang));
    const int count = 1 + int(r % 8);
    QString s;
    for (int i = 0; i < count; ++i) {
        r = Mix(r);
        if (i) s += QLatin1Char(' ');
        s += words[r % words.size()];
    }
    s[0] = s[0].toUpper();
    switch (record % 7) {
    case 1:
        return QLatin1Char('&') + s;
    case 2:
        return s + QLatin1String("...");
    case 3:
        return s + QLatin1String(":");
    case 4:
        return s + QLatin1String(" %s");
    default:
        return s;
    }
}

} // namespace reptexts
