// The shared repository on a local PostgreSQL server with the records of
// bench_repository (1,000,000 by default, a smaller count as the first
// argument): lookups through the flows from one client, fuzzy lookups (short
// texts apart), and four processes adding pairs at once. The server is the
// one of BENCH_PG (a connection string) or a throw-away one started here;
// with BENCH_PG_REUSE set, the filled database of an earlier run is used again.
#include "RepositoryTexts.h"

#include "core/Prompt.h"
#include "langfile/LangFileProject.h"
#include "repository/PgRepository.h"
#include "repository/RepositoryFlows.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using namespace reptexts;

int kRecords = 1000000;
constexpr int kLookups = 20000;
constexpr int kFuzzyLookups = 400;
constexpr int kWorkerAdds = 2000;

void Print(const char* name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

QSqlDatabase Admin(const QString& Url, const QString& Name)
{
    const QUrl url(Url);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), Name);
    db.setHostName(url.host());
    db.setPort(url.port());
    db.setDatabaseName(url.path().mid(1));
    db.setUserName(QUrlQuery(url).queryItemValue(QStringLiteral("user")));
    if (!db.open()) qFatal("%s", qPrintable(db.lastError().text()));
    return db;
}

void Run(QSqlDatabase& Db, const QString& Sql, const QVariantList& Values = {})
{
    QSqlQuery q(Db);
    bool ok = Values.isEmpty() ? q.exec(Sql) : q.prepare(Sql);
    if (ok && !Values.isEmpty()) {
        for (const QVariant& v : Values) q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok) qFatal("%s: %s", qPrintable(Sql.left(80)), qPrintable(q.lastError().text()));
}

// One of the four writers: new pairs of its own and pairs all share, from
// record number Base on.
int AddWorker(const QString& Url, int Worker, int Base)
{
    TPgRepository rep(Url);
    rep.OpenOrCreate();
    TRecordingPrompt prompt;
    TSilentRepositoryPrompt ask;
    TRepositoryOptions options;
    options.RefreshExisting = reAppend;
    TRepositoryFlows flows(rep, options, prompt, ask);
    for (int i = 0; i < kWorkerAdds; ++i) {
        const int r = i % 2 ? Base + Worker * kWorkerAdds + i : Base + 4 * kWorkerAdds + i; // own, shared
        TRepAnswer mr = raNone;
        flows.RepositoryAddWord(kLocales[0], kLocales[1], mr, false, {}, Text(r, 1), Text(r, 0));
    }
    return 0;
}

double P95(std::vector<double> Ms)
{
    std::sort(Ms.begin(), Ms.end());
    return Ms.empty() ? 0 : Ms[std::min(Ms.size() - 1, size_t(double(Ms.size()) * 0.95))];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], "--add-worker") == 0) {
        return AddWorker(QString::fromUtf8(argv[2]), atoi(argv[3]), atoi(argv[4]));
    }
    if (argc > 1) kRecords = std::max(1000, QByteArray(argv[1]).toInt());

    QString server = qEnvironmentVariable("BENCH_PG"), folder;
    if (server.isEmpty()) {
        QProcess p;
        p.start(QStringLiteral(VOCABRIX_SOURCE_DIR "/scripts/pg-test-server.sh"), {QStringLiteral("start")});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            std::fprintf(stderr, "bench_pg_repository: no PostgreSQL server: %s\n",
                         p.readAllStandardError().constData());
            return 0; // nothing to measure on a machine without a server
        }
        const QStringList lines = QString::fromLocal8Bit(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        server = lines.value(0);
        folder = lines.value(1);
    }
    QUrl benchUrl(server);
    benchUrl.setPath(QStringLiteral("/phrasedesk_bench"));
    const QString url = benchUrl.toString();
    // BENCH_PG_REUSE: a server's database filled by an earlier run with as
    // many records is measured again as it is (the fill takes minutes).
    bool reuse = false;
    if (qEnvironmentVariableIsSet("BENCH_PG_REUSE")) {
        QSqlDatabase admin = Admin(server, QStringLiteral("admin"));
        QSqlQuery q(admin);
        reuse = q.exec(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = 'phrasedesk_bench'")) && q.next();
        admin.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    if (reuse) {
        TPgRepository filled(url);
        filled.OpenOrCreate();
        reuse = filled.RecordCount() >= kRecords; // and what the writers of that run added
    }
    if (!reuse) {
        QSqlDatabase admin = Admin(server, QStringLiteral("admin"));
        Run(admin, QStringLiteral("DROP DATABASE IF EXISTS phrasedesk_bench"));
        Run(admin, QStringLiteral("CREATE DATABASE phrasedesk_bench"));
        admin.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));

    QElapsedTimer timer;
    if (!reuse) {
        TPgRepository rep(url);
        rep.OpenOrCreate();
        rep.AddLocales({kLocales[0], kLocales[1], kLocales[2], kLocales[3]});
        // The records go in by the thousand (bench_repository fills its
        // memory through AddEditWord; a server would take an hour so).
        QSqlDatabase db = Admin(url, QStringLiteral("fill"));
        timer.start();
        Run(db, QStringLiteral("INSERT INTO phrasedesk_records SELECT generate_series(1, CAST(? AS integer))"),
            {kRecords});
        Run(db, QStringLiteral("SELECT setval('phrasedesk_records_word_id_seq', ?)"), {kRecords});
        constexpr int batch = 20000;
        for (int first = 0; first < kRecords; first += batch) {
            const int last = std::min(kRecords, first + batch);
            for (int l = 0; l < 4; ++l) {
                QStringList texts;
                for (int i = first; i < last; ++i) texts << Text(i, l);
                Run(db,
                    QStringLiteral(
                        "INSERT INTO phrasedesk_texts (word_id, locale, text) "
                        "SELECT generate_series(CAST(? AS integer), CAST(? AS integer)), ?, unnest(CAST(? AS text[]))"),
                    {first + 1, last, kLocales[l], TPgRepository::TextArray(texts)});
            }
        }
        Print("pg_fill_s", timer.elapsed() / 1000.0, "s");
        // The texts came in by SQL: their words for fuzzy lookups follow.
        timer.start();
        rep.RebuildWords();
        Print("pg_rebuild_words_s", timer.elapsed() / 1000.0, "s");
        // What the server's autovacuum does some time after a bulk load: the
        // fuzzy lookups count words by index-only scans, which read every row
        // of the table too until the table is vacuumed.
        timer.start();
        Run(db, QStringLiteral("VACUUM ANALYZE"));
        Print("pg_vacuum_s", timer.elapsed() / 1000.0, "s");
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));

    TPgRepository rep(url);
    rep.OpenOrCreate();
    // The lookups of bench_repository: half of the texts in the memory.
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
    for (int i = 0; i < kLookups; ++i) {
        const int r = int(Mix(quint64(i) + 99) % quint64(kRecords));
        item->MainValue()->SetValue(i % 2 ? Text(r, 0) : Text(r + kRecords, 0));
        TRepAnswer mr = raNone;
        hits += !flows.LookupTranslation(kLocales[0], kLocales[1], *item, column, false, mr).Translation.isEmpty();
    }
    Print("pg_lookup_per_s", kLookups / (double(timer.nsecsElapsed()) / 1e9), "lookups/s");
    Print("pg_lookup_hits", hits, "hits");

    // Fuzzy: texts of the memory with a word changed, and as they are;
    // short texts (under 20 characters) counted apart as well.
    std::vector<double> all, shortOnes;
    int found = 0;
    for (int i = 0; i < kFuzzyLookups; ++i) {
        const int r = int(Mix(quint64(i) + 7) % quint64(kRecords));
        QString text = Text(r, 0);
        if (i % 2) text += QStringLiteral(" now");
        QElapsedTimer t;
        t.start();
        found += !rep.FuzzyLookup(kLocales[0], kLocales[1], text).isEmpty();
        const double ms = double(t.nsecsElapsed()) / 1e6;
        all.push_back(ms);
        if (text.size() < 20) shortOnes.push_back(ms);
    }
    Print("pg_fuzzy_lookup_ms_p95", P95(all), "ms");
    Print("pg_fuzzy_lookup_short_ms_p95", P95(shortOnes), "ms");
    Print("pg_fuzzy_found", found * 100.0 / kFuzzyLookups, "%");

    // Four processes adding at once, texts no earlier run added (the records
    // numbers beyond those there give them).
    const int base = 2 * std::max(kRecords, rep.RecordCount());
    timer.start();
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int w = 0; w < 4; ++w) {
        workers.push_back(std::make_unique<QProcess>());
        workers.back()->start(QCoreApplication::applicationFilePath(),
                              {QStringLiteral("--add-worker"), url, QString::number(w), QString::number(base)});
    }
    for (auto& w : workers) w->waitForFinished(-1);
    Print("pg_concurrent_adds_per_s", 4.0 * kWorkerAdds / (double(timer.nsecsElapsed()) / 1e9), "adds/s");

    if (!folder.isEmpty())
        QProcess::execute(QStringLiteral(VOCABRIX_SOURCE_DIR "/scripts/pg-test-server.sh"),
                          {QStringLiteral("stop"), folder});
    return 0;
}
