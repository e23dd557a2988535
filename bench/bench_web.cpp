// Web translation: Translate All over 1,000 untranslated items against a
// loopback HTTPS server answering at once, and the longest the event loop
// went without running a timer meanwhile (a window would freeze that long);
// then the same 1,000 short texts translated English to Spanish as drafts by
// the real Apertium engine (APy on loopback).

#include "../tests/exchange/ApyTestServer.h"
#include "../tests/exchange/WebTestServer.h"
#include "Timing.h"
#include "core/Prompt.h"
#include "exchange/WebTranslator.h"
#include "langfile/LangFile.h"
#include "langfile/LangFileProject.h"
#include "storage/Locales.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr uint16_t kEnglish = 0x0409, kGerman = 0x0407, kSpanish = 0x0C0A;
constexpr int kItems = 1000;

// Short interface texts, all different: one of a few phrases and a number.
QString ShortText(int I)
{
    static const char* const phrases[] = {"Cannot open the file %1", "Save the changes to document %1?",
                                          "&Close window %1", "Found %1 new messages", "Delete the selected line %1"};
    return QString::fromLatin1(phrases[I % 5]).arg(I);
}

void WriteProject(const QString& Dir, const QString& Name, uint16_t Target, QString (*Text)(int))
{
    TLocStorage s;
    s.SetMainLangID(kEnglish);
    TLocUnit* unit = s.Units().Add("Strings");
    for (int i = 0; i < kItems; ++i) {
        TLocConstant* c = unit->Constants().Add(-1, QStringLiteral("S%1").arg(i), 1000 + i);
        c->MainValue()->SetValue(Text(i));
        c->MainValue()->SetValueVersion(1);
    }
    const auto write = [&](const QString& Abbr, int Column, uint16_t Locale) {
        TLangFile f(QStringLiteral("%1/%2.%3.lng").arg(Dir, Name, Abbr), false);
        f.SetLocale(Locale);
        f.SetIsNative(Column == 0);
        f.Save(&s, Column, false);
    };
    write(QStringLiteral("ntv"), 0, kEnglish);
    write(LocaleAbbreviation(Target).toLower(), s.AddLanguage(0, Target), Target);
}

QString GoogleText(int I) { return QStringLiteral("Cannot open the file number %1 of %s").arg(I); }

// Translate All by Apertium over the 1,000 short texts; false when the engine is missing.
bool BenchApertium()
{
    TApyTestServer apy;
    if (!apy.Running()) {
        std::fprintf(stderr, "Apertium server: %s\n", qPrintable(apy.Problem()));
        return false;
    }
    QTemporaryDir dir;
    WriteProject(dir.path(), QStringLiteral("mt"), kSpanish, ShortText);
    TLangFileProject project;
    project.Open(dir.filePath("mt.ntv.lng"), false, false);
    project.OpenLanguage(dir.filePath(QStringLiteral("mt.%1.lng").arg(LocaleAbbreviation(kSpanish).toLower())), false);
    TWebTranslatorOptions options;
    options.Provider = mpApertium;
    options.Host = apy.Host();
    TWebTranslator translator(options);
    TRecordingPrompt prompt;
    translator.WebTranslate(QStringLiteral("Open"), kEnglish, kSpanish); // the engine's pipes start on first use
    TWebTranslateAllResult result;
    const double ms = TimeMs([&] { result = WebTranslateAll(project, 1, translator, prompt); });
    if (result.Changed != kItems) {
        std::fprintf(stderr, "Apertium drafted %d of %d items (%d failed)\n", result.Changed, kItems, result.Failed);
        return false;
    }
    std::printf("mt_apertium_translate_all_1000_s: %.2f s\n", ms / 1000);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TWebTestServer server;
    if (!server.Ok()) {
        std::fprintf(stderr, "loopback server: %s\n", server.Error().constData());
        return 1;
    }
    server.Trust();
    QTemporaryDir dir;
    WriteProject(dir.path(), QStringLiteral("web"), kGerman, GoogleText);
    TLangFileProject project;
    project.Open(dir.filePath("web.ntv.lng"), false, false);
    project.OpenLanguage(dir.filePath("web.deu.lng"), false);

    TWebTranslatorOptions options;
    options.Key = QStringLiteral("bench-key");
    options.Host = server.Host();
    TWebTranslator translator(options);
    TRecordingPrompt prompt;

    // A 5 ms timer: the longest gap between its ticks is how long the loop was held.
    QElapsedTimer clock;
    qint64 last = 0, maxGap = 0;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        maxGap = std::max(maxGap, now - last);
        last = now;
    });
    TWebTranslateAllResult result;
    const double ms = TimeMs([&] {
        clock.start();
        tick.start();
        result = WebTranslateAll(project, 1, translator, prompt, msTranslated);
        tick.stop();
    });
    if (result.Changed != kItems) {
        std::fprintf(stderr, "translated %d of %d items\n", result.Changed, kItems);
        return 1;
    }
    std::printf("web_translate_all_1000_s: %.2f s\n", ms / 1000);
    std::printf("web_max_event_gap_ms: %lld ms\n", static_cast<long long>(maxGap));
    std::fflush(stdout);
    return BenchApertium() ? 0 : 1;
}
