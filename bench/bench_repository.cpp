// The translation memory at the size of a team's: 1,000,000 records of user
// interface texts in English and three other languages, filled through
// AddEditWord, reopened until its index is built, asked for translations
// (beside SQLite asked the same), and a 100,000-item project translated
// against it in batch, and the memory exported to TMX and imported again.
#include "BigProject.h"
#include "RepositoryTexts.h"
#include "Timing.h"

#include "core/Prompt.h"
#include "langfile/LangFileProject.h"
#include "repository/BatchTranslation.h"
#include "repository/LangRepository.h"
#include "repository/RepositoryExchange.h"
#include "repository/RepositoryFlows.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <sys/resource.h>
#include <vector>

#ifdef HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace {

using namespace reptexts;

int kRecords = 1000000; // a smaller count may be given as the first argument
constexpr int kLookups = 100000;

void Print(const char* name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

double FileMb(const QString& path) { return QFileInfo(path).size() / (1024.0 * 1024.0); }

void WaitForIndex(TQLangRepository& rep)
{
    while (!rep.IsMemoryIndexBuilt()) QThread::msleep(5);
}

// This process's own peak resident memory. Not ru_maxrss: a child started
// by fork and exec inherits the parent's high-water mark in it, so it would
// report the benchmark's whole 1M repository instead of the import's peak.
double PeakResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

// The exported file into an empty repository: time, records, peak memory.
int ImportOnly(const QString& tmx, const QString& repPath)
{
    TRecordingPrompt quiet;
    TSilentRepositoryPrompt ask;
    TQLangRepository copy(repPath);
    copy.OpenOrCreate();
    WaitForIndex(copy);
    TRepositoryOptions options;
    options.RefreshExisting = reAppend;
    TRepositoryFlows flows(copy, options, quiet, ask);
    QElapsedTimer timer;
    timer.start();
    ImportRepositoryFile(flows, tmx, quiet);
    Print("rep_import_tmx_1m_s", timer.elapsed() / 1000.0, "s");
    Print("rep_import_tmx_records", copy.RecordCount(), "records");
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    // On a shared machine the processor time tells more than the wall clock.
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    Print("rep_import_tmx_1m_cpu_s", seconds(usage.ru_utime) + seconds(usage.ru_stime), "s");
    Print("rep_import_tmx_1m_max_rss_mb", PeakResidentMb(), "MB");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--import") return ImportOnly(argv[2], argv[3]);
    if (argc > 1) kRecords = std::max(1000, QByteArray(argv[1]).toInt());
    QTemporaryDir dir;
    if (qEnvironmentVariableIsSet("BENCH_KEEP")) { // the files stay for profiling
        dir.setAutoRemove(false);
        std::fprintf(stderr, "files in %s\n", qPrintable(dir.path()));
    }
    QElapsedTimer timer;

    // The project first: its native texts with German translations are part
    // of the memory, so that the batch run finds most of them.
    bigproject::Generate(dir.path(), false);
    const QString native = dir.filePath(QStringLiteral("big.ntv.lng"));
    std::vector<std::pair<QString, QString>> projectPairs;
    {
        TLangFileProject project;
        project.Open(native, false, true);
        project.OpenLanguage(dir.filePath(QStringLiteral("big.deu.lng")), true);
        QSet<QString> seen;
        project.ForEachItem([&](TLocItem* item) {
            const QString n = item->MainValue()->Value(), t = item->Values().Items(1)->Value();
            if (item->IsTranslated(1) && !n.isEmpty() && n != t && !seen.contains(n)) {
                seen.insert(n);
                projectPairs.emplace_back(n, t);
            }
        });
    }

    const QString repPath = dir.filePath(QStringLiteral("rep/bench.lr"));
    {
        TQLangRepository rep(repPath);
        rep.OpenOrCreate();
        rep.AddLocales({kLocales[0], kLocales[1], kLocales[2], kLocales[3]});
        WaitForIndex(rep);
        timer.start();
        const int filler = kRecords - int(projectPairs.size());
        for (int i = 0; i < filler; ++i)
            for (int l = 1; l < 4; ++l) rep.AddEditWord(kLocales[0], kLocales[l], Text(i, 0), Text(i, l), {});
        for (const auto& [n, t] : projectPairs) rep.AddEditWord(kLocales[0], kLocales[1], n, t, {});
        Print("repo_build_1m_s", timer.elapsed() / 1000.0, "s");
        Print("repo_records", rep.RecordCount(), "records");
    }
    Print("repo_files_mb", FileMb(repPath) + FileMb(QFileInfo(repPath).path() + QStringLiteral("/bench.mem")), "MB");

    TQLangRepository rep(repPath);
    timer.start();
    rep.Open();
    WaitForIndex(rep);
    Print("repo_open_index_1m_s", timer.elapsed() / 1000.0, "s");

    // Random native texts, half of them in the memory and half not.
    std::vector<QString> texts;
    for (int i = 0; i < kLookups; ++i) {
        const int r = int(Mix(quint64(i) + 99) % quint64(kRecords - projectPairs.size()));
        texts.push_back(i % 2 ? Text(r, 0) : Text(r + kRecords, 0));
    }
    TLocStorage storage;
    storage.SetMainLangID(uint16_t(kLocales[0]));
    TLocProperty* item =
        storage.Forms().Add(QStringLiteral("F"))->Properties().Add(-1, QStringLiteral("Caption"), ptString);
    const int column = storage.AddLanguage(0, uint16_t(kLocales[1]));
    TRecordingPrompt prompt;
    TSilentRepositoryPrompt ask;
    TRepositoryOptions options;
    options.AskTranslating = false;
    TRepositoryFlows flows(rep, options, prompt, ask);
    int hits = 0;
    timer.start();
    for (const QString& t : texts) {
        item->MainValue()->SetValue(t);
        TRepAnswer mr = raNone;
        hits += !flows.LookupTranslation(kLocales[0], kLocales[1], *item, column, false, mr).Translation.isEmpty();
    }
    const double repoPerS = kLookups / (double(timer.nsecsElapsed()) / 1e9);
    Print("repo_lookup_per_s", repoPerS, "/s");
    if (hits < kLookups / 2) std::fprintf(stderr, "repository hits: %d of %d\n", hits, kLookups);
    rep.Close();

#ifdef HAVE_SQLITE
    // The same memory in SQLite: one table, the English texts indexed as they
    // are and without case, looked up exactly and then without case.
    const QString sqlitePath = dir.filePath(QStringLiteral("bench.sqlite"));
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(sqlitePath).constData(), &db);
    sqlite3_exec(db, "CREATE TABLE words(id INTEGER PRIMARY KEY, l1033 TEXT, l1031 TEXT, l1036 TEXT, l1040 TEXT)",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO words(l1033, l1031, l1036, l1040) VALUES(?, ?, ?, ?)", -1, &insert, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    const auto insertRow = [&](const QString(&row)[4]) {
        for (int l = 0; l < 4; ++l)
            sqlite3_bind_text16(insert, l + 1, row[l].utf16(), int(row[l].size() * 2), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    };
    for (int i = 0; i < kRecords - int(projectPairs.size()); ++i) {
        const QString row[4] = {Text(i, 0), Text(i, 1), Text(i, 2), Text(i, 3)};
        insertRow(row);
    }
    for (const auto& [n, t] : projectPairs) {
        const QString row[4] = {n, t, QString(), QString()};
        insertRow(row);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "CREATE INDEX words_en ON words(l1033)", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "CREATE INDEX words_en_nocase ON words(l1033 COLLATE NOCASE)", nullptr, nullptr, nullptr);
    sqlite3_finalize(insert);
    sqlite3_stmt* exact = nullptr;
    sqlite3_stmt* nocase = nullptr;
    sqlite3_prepare_v2(db, "SELECT l1031 FROM words WHERE l1033 = ? AND l1031 <> ''", -1, &exact, nullptr);
    sqlite3_prepare_v2(db, "SELECT l1031 FROM words WHERE l1033 = ? COLLATE NOCASE AND l1031 <> ''", -1, &nocase,
                       nullptr);
    int found = 0;
    timer.start();
    for (const QString& t : texts) {
        bool hit = false;
        for (sqlite3_stmt* s : {exact, nocase}) {
            sqlite3_bind_text16(s, 1, t.utf16(), int(t.size() * 2), SQLITE_TRANSIENT);
            while (sqlite3_step(s) == SQLITE_ROW) hit = true;
            sqlite3_reset(s);
            if (hit) break;
        }
        found += hit;
    }
    const double sqlitePerS = kLookups / (double(timer.nsecsElapsed()) / 1e9);
    Print("sqlite_lookup_per_s", sqlitePerS, "/s");
    Print("repo_lookup_vs_sqlite", repoPerS / sqlitePerS, "x");
    sqlite3_finalize(exact);
    sqlite3_finalize(nocase);
    sqlite3_close(db);
    Print("sqlite_file_mb", FileMb(sqlitePath), "MB");
#endif

    // One language of the big project translated in batch, files saved.
    TBatchTranslation job{native, {QStringLiteral("deu")}, repPath, QString()};
    TRecordingPrompt quiet;
    QList<TBatchTranslationLine> lines;
    timer.start();
    lines = RunBatchTranslation(job, quiet);
    Print("translate_100k_1m_s", timer.elapsed() / 1000.0, "s");
    if (!lines.isEmpty()) Print("translate_100k_translated", lines[0].Translated, "items");

    // The whole memory out as TMX and into an empty repository.
    const QString tmx = dir.filePath(QStringLiteral("bench.tmx"));
    TRepExportOptions out;
    out.FileName = tmx;
    out.BaseLocale = kLocales[0];
    out.Locales = {kLocales[1], kLocales[2], kLocales[3]};
    rep.Open();
    timer.start();
    ExportToTMX(rep, out, quiet);
    Print("rep_export_tmx_1m_s", timer.elapsed() / 1000.0, "s");
    Print("rep_export_tmx_file_mb", FileMb(tmx), "MB");
    rep.Close();
    // The import runs in a process of its own, so that its peak memory is its
    // own and not the peak of everything above.
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--import"), tmx, dir.filePath(QStringLiteral("copy/copy.lr"))});
    child.waitForFinished(-1);
    return 0;
}
