// Fuzzy matches on a translation memory of 1,000,000 records in four
// languages: the index build on opening, its memory, and top-5 lookups of
// texts made from stored ones by changing one or two words (all of them, and
// short ones under 20 characters alone).
#include "RepositoryTexts.h"

#include "repository/LangRepository.h"
#include "repository/QMemoryIndex.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace reptexts;

int kRecords = 1000000; // a smaller count may be given as the first argument
constexpr int kQueries = 2000;

void Print(const char* name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

// A stored text with one or two of its words changed: replaced by another
// word, dropped, or a word added.
QString Changed(const QString& Text, quint64 Seed)
{
    const auto& vocabulary = Vocabulary();
    QStringList words = Text.split(QLatin1Char(' '));
    quint64 r = Mix(Seed);
    for (int change = 1 + int(r % 2); change > 0; --change) {
        r = Mix(r);
        const qsizetype at = qsizetype(r % quint64(words.size()));
        const QString other = vocabulary[(r >> 20) % vocabulary.size()];
        switch ((r >> 40) % 3) {
        case 0:
            words[at] = other;
            break;
        case 1:
            if (words.size() > 1) {
                words.removeAt(at);
                break;
            }
            Q_FALLTHROUGH();
        default:
            words.insert(at, other);
        }
    }
    return words.join(QLatin1Char(' '));
}

// The CPU time of the calling thread, in milliseconds: on a busy machine
// wall-clock figures also hold the time other programs had the processor.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double ProcessCpuS()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct TLookups {
    std::vector<double> Ms, CpuMs;
    int Hits = 0;
};

TLookups Run(TQLangRepository& Rep, const std::vector<QString>& Queries)
{
    TLookups run;
    for (const QString& q : Queries) {
        QElapsedTimer t;
        t.start();
        const double cpu = ThreadCpuMs();
        run.Hits += !Rep.FuzzyLookup(kLocales[0], kLocales[1], q).isEmpty();
        run.CpuMs.push_back(ThreadCpuMs() - cpu);
        run.Ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(run.Ms.begin(), run.Ms.end());
    std::sort(run.CpuMs.begin(), run.CpuMs.end());
    return run;
}

double Percentile(const std::vector<double>& Sorted, double P)
{
    return Sorted[std::min(Sorted.size() - 1, size_t(double(Sorted.size()) * P))];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1) kRecords = std::max(1000, QByteArray(argv[1]).toInt());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzzy.lr"));
    {
        TQLangRepository rep(path);
        rep.OpenOrCreate();
        rep.AddLocales({kLocales[0], kLocales[1], kLocales[2], kLocales[3]});
        rep.SetUseMemoryIndex(false); // written in one go, no lookups
        for (int i = 0; i < kRecords; ++i) {
            rep.Append();
            for (int l = 0; l < 4; ++l) rep.SetWord(kLocales[l], Text(i, l));
            rep.Post();
        }
    }

    TQLangRepository rep(path);
    rep.SetUseFuzzyIndex(true);
    QElapsedTimer timer;
    timer.start();
    const double cpu = ProcessCpuS();
    rep.Open();
    while (!rep.IsMemoryIndexBuilt()) QThread::msleep(5);
    // The memory index and the fuzzy index together: one walk builds both.
    Print("fuzzy_index_build_1m_s", timer.elapsed() / 1000.0, "s");
    Print("fuzzy_index_build_1m_cpu_s", ProcessCpuS() - cpu, "s");
    Print("fuzzy_index_mb", rep.MemoryIndex()->FuzzyMemoryBytes() / (1024.0 * 1024.0), "MB");

    std::vector<QString> all, shorter;
    for (quint64 i = 0; all.size() < kQueries || shorter.size() < kQueries; ++i) {
        const QString q = Changed(Text(int(Mix(i) % quint64(kRecords)), 0), i);
        if (q.size() < 20) {
            if (shorter.size() < kQueries) shorter.push_back(q);
        } else if (all.size() < kQueries) {
            all.push_back(q);
        }
    }
    // All queries: the long ones and as many short ones as the texts hold.
    const size_t shortShare = kQueries * 3 / 10;
    std::copy(shorter.begin(), shorter.begin() + qsizetype(shortShare), all.end() - qsizetype(shortShare));

    const TLookups any = Run(rep, all);
    Print("fuzzy_lookup_1m_ms_p50", Percentile(any.Ms, 0.5), "ms");
    Print("fuzzy_lookup_1m_ms_p95", Percentile(any.Ms, 0.95), "ms");
    Print("fuzzy_lookup_1m_cpu_ms_p95", Percentile(any.CpuMs, 0.95), "ms");
    Print("fuzzy_lookup_1m_hit_pct", 100.0 * any.Hits / kQueries, "%");
    const TLookups brief = Run(rep, shorter);
    Print("fuzzy_short_1m_ms_p50", Percentile(brief.Ms, 0.5), "ms");
    Print("fuzzy_short_1m_ms_p95", Percentile(brief.Ms, 0.95), "ms");
    Print("fuzzy_short_1m_cpu_ms_p95", Percentile(brief.CpuMs, 0.95), "ms");
    Print("fuzzy_short_1m_hit_pct", 100.0 * brief.Hits / kQueries, "%");
    return 0;
}
