// Table engine, memory index and SQLite on the same repository-shaped data:
// 1,000,000 records of an auto-increment key and two wide-memo language
// fields holding phrases of realistic length.
#include "RepositoryTexts.h"

#include "repository/QMemoryIndex.h"
#include "repository/QTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <vector>

#ifdef HAVE_SQLITE
#include <sqlite3.h>
#endif

namespace {

using reptexts::Mix;
using reptexts::Vocabulary;

int kRecords = 1000000; // a smaller count may be given as the first argument (profiling)
constexpr int kLookups = 100000;

// Phrases of 1 to 10 words (about 35 characters on average), fixed by the
// record number.
QString Phrase(int record, int lang)
{
    const auto& words = Vocabulary();
    quint64 r = Mix(quint64(record) * 2 + quint64(lang));
    const int count = 1 + int(r % 10);
    QString s;
    for (int i = 0; i < count; ++i) {
        r = Mix(r);
        if (i) s += QLatin1Char(' ');
        s += words[r % words.size()];
    }
    if (lang == 0 && record % 3 == 0) s[0] = s[0].toUpper();
    return s;
}

void Print(const char* name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

std::vector<int> LookupRecords()
{
    std::vector<int> recs(kLookups);
    for (int i = 0; i < kLookups; ++i) recs[size_t(i)] = int(Mix(quint64(i) + 99) % kRecords);
    return recs;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1) kRecords = std::max(1000, QByteArray(argv[1]).toInt());
    QTemporaryDir dir;
    const QString en = QStringLiteral("1033"), fr = QStringLiteral("1036");
    const std::vector<int> lookups = LookupRecords();
    QElapsedTimer timer;

    TQTable table;
    table.SetDatabaseName(dir.path());
    table.SetTableName(QStringLiteral("bench.lr"));
    table.Fields().NewField(QStringLiteral("WordID"), dtAutoInc, 0)->SetMemoryIndex(true);
    for (const QString& name : {en, fr}) {
        TQField* f = table.Fields().NewField(name, dtWideMemo, 0);
        f->SetLocale(name.toInt());
        f->SetMemoryIndex(true);
    }
    table.SetMemoBlockSize(40);
    table.CreateTable(1);
    table.Open();
    TQField* enField = table.FieldByName(en);
    TQField* frField = table.FieldByName(fr);
    timer.start();
    for (int i = 0; i < kRecords; ++i) {
        table.Append();
        enField->SetAsWideString(Phrase(i, 0));
        frField->SetAsWideString(Phrase(i, 1));
        table.Post();
    }
    Print("table_append_1m_s", timer.elapsed() / 1000.0, "s");
    table.Close();

    timer.start();
    table.Open();
    Print("table_open_ms", double(timer.nsecsElapsed()) / 1e6, "ms");
    enField = table.FieldByName(en); // opening reads the fields afresh

    timer.start();
    qint64 chars = 0, visited = 0;
    for (table.First(); !table.Eof(); table.Next()) chars += enField->AsWideString().size(), ++visited;
    Print("table_scan_1m_ms", double(timer.elapsed()), "ms");
    if (visited != kRecords) std::fprintf(stderr, "scan visited %lld of %d records\n", visited, kRecords);
    Print("phrase_avg_chars", double(chars) / kRecords, "chars");

    timer.start();
    table.SetUseMemoryIndex(true);
    while (!table.IsMemoryIndexBuilt()) QThread::msleep(5);
    Print("index_build_1m_s", timer.elapsed() / 1000.0, "s");

    // Record numbers are 1-based in chain order.
    int misses = 0;
    timer.start();
    for (int r : lookups) misses += !table.LocateByValue(en, Phrase(r, 0), {});
    const double exactPerS = kLookups / (double(timer.nsecsElapsed()) / 1e9);
    Print("locate_exact_per_s", exactPerS, "/s");
    Print("locate_exact_us", 1e6 / exactPerS, "us");
    timer.start();
    for (int r : lookups) misses += !table.LocateByValue(en, Phrase(r, 0).toUpper(), qloCaseInsensitive);
    Print("locate_caseless_per_s", kLookups / (double(timer.nsecsElapsed()) / 1e9), "/s");
    TQIndexSearchParams sp;
    timer.start();
    for (int r : lookups) misses += table.MemoryIndex()->FindFirst(fr, Phrase(r, 1), sp, {}) == 0;
    Print("index_lookup_us", double(timer.nsecsElapsed()) / 1e3 / kLookups, "us");
    if (misses) std::fprintf(stderr, "unexpected misses: %d\n", misses);
    table.Close();

#ifdef HAVE_SQLITE
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(dir.filePath(QStringLiteral("bench.sqlite"))).constData(), &db);
    sqlite3_exec(db, "CREATE TABLE words(id INTEGER PRIMARY KEY, en TEXT, fr TEXT)", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "CREATE INDEX words_en ON words(en)", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "CREATE INDEX words_fr ON words(fr)", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO words(en, fr) VALUES(?, ?)", -1, &insert, nullptr);
    timer.start();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < kRecords; ++i) {
        const QString a = Phrase(i, 0), b = Phrase(i, 1);
        sqlite3_bind_text16(insert, 1, a.utf16(), int(a.size() * 2), SQLITE_TRANSIENT);
        sqlite3_bind_text16(insert, 2, b.utf16(), int(b.size() * 2), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    Print("sqlite_insert_1m_s", timer.elapsed() / 1000.0, "s");
    sqlite3_finalize(insert);

    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT id, fr FROM words WHERE en = ? LIMIT 1", -1, &select, nullptr);
    int found = 0;
    timer.start();
    for (int r : lookups) {
        const QString a = Phrase(r, 0);
        sqlite3_bind_text16(select, 1, a.utf16(), int(a.size() * 2), SQLITE_TRANSIENT);
        found += sqlite3_step(select) == SQLITE_ROW;
        sqlite3_reset(select);
    }
    const double sqlitePerS = kLookups / (double(timer.nsecsElapsed()) / 1e9);
    Print("sqlite_lookup_per_s", sqlitePerS, "/s");
    Print("sqlite_lookup_us", 1e6 / sqlitePerS, "us");
    Print("locate_exact_vs_sqlite_lookup", exactPerS / sqlitePerS, "x");
    if (found != kLookups) std::fprintf(stderr, "sqlite misses: %d\n", kLookups - found);
    sqlite3_finalize(select);
    sqlite3_close(db);
#endif
    return 0;
}
