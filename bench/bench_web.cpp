// Web translation: Translate All over 1,000 untranslated items against a
// loopback HTTPS server answering at once, and the longest the event loop
// went without running a timer meanwhile (a window would freeze that long).

#include "../tests/exchange/WebTestServer.h"
#include "Timing.h"
#include "core/Prompt.h"
#include "exchange/WebTranslator.h"
#include "langfile/LangFile.h"
#include "langfile/LangFileProject.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr uint16_t kEnglish = 0x0409, kGerman = 0x0407;
constexpr int kItems = 1000;

void WriteProject(const QString& Dir)
{
    TLocStorage s;
    s.SetMainLangID(kEnglish);
    TLocUnit* unit = s.Units().Add("Strings");
    for (int i = 0; i < kItems; ++i) {
        TLocConstant* c = unit->Constants().Add(-1, QStringLiteral("S%1").arg(i), 1000 + i);
        c->MainValue()->SetValue(QStringLiteral("Cannot open the file number %1 of %s").arg(i));
        c->MainValue()->SetValueVersion(1);
    }
    const auto write = [&](const char* Name, int Column, uint16_t Locale) {
        TLangFile f(Dir + QLatin1Char('/') + QLatin1String(Name), false);
        f.SetLocale(Locale);
        f.SetIsNative(Column == 0);
        f.SetLangEnglishName(Column == 0 ? QStringLiteral("English") : QStringLiteral("German"));
        f.Save(&s, Column, false);
    };
    write("web.ntv.lng", 0, kEnglish);
    write("web.deu.lng", s.AddLanguage(0, kGerman), kGerman);
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
    WriteProject(dir.path());
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
        result = WebTranslateAll(project, 1, translator, prompt);
        tick.stop();
    });
    if (result.Changed != kItems) {
        std::fprintf(stderr, "translated %d of %d items\n", result.Changed, kItems);
        return 1;
    }
    std::printf("web_translate_all_1000_s: %.2f s\n", ms / 1000);
    std::printf("web_max_event_gap_ms: %lld ms\n", static_cast<long long>(maxGap));
    return 0;
}
