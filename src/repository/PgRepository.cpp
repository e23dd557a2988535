#include "repository/PgRepository.h"

#include "core/UiStrings.h"

#include "repository/FuzzyIndex.h"
#include "repository/FuzzyScore.h"
#include "storage/Locales.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>
#include <atomic>

namespace {

// The locales' languages are read again after this long: another user may
// have added one.
constexpr qint64 kLocalesMaxAgeMs = 2000;
// Records per round trip of a walk.
constexpr int kWalkPage = 5000;
// The texts a fuzzy lookup scores at most, of those holding its rarer words
// and of those holding words alike; a word's texts are counted up to this many.
constexpr int kFuzzyCandidates = 300;
// Words of the vocabulary this alike by trigrams are compared by the score's own rule.
constexpr double kAlikeTrigrams = 0.2;

// The caseless form the lookup index holds. ICU's root locale lowers every
// script whatever collation the database was made with.
const QString kCaseless = QStringLiteral("lower(text COLLATE \"und-x-icu\")");

QString IntArray(const QList<qint32>& Values)
{
    QStringList parts;
    parts.reserve(Values.size());
    for (qint32 v : Values) parts << QString::number(v);
    return QLatin1Char('{') + parts.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace

QString TPgRepository::TextArray(const QStringList& Values)
{
    QString s = QStringLiteral("{");
    for (qsizetype i = 0; i < Values.size(); ++i) {
        QString v = Values[i];
        v.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
        s += (i ? QLatin1String(",\"") : QLatin1String("\"")) + v + QLatin1Char('"');
    }
    return s + QLatin1Char('}');
}

namespace {

// A text's words as the fuzzy index takes them: distinct and sorted (writers
// that add the same new words lock them in one order), with the text's weight.
QStringList IndexWords(const QString& Text, int& Weight)
{
    QStringList words = FuzzyWords(Text);
    if (words.size() > TQFuzzyIndexField::MaxWords) words.resize(TQFuzzyIndexField::MaxWords);
    Weight = 0;
    for (const QString& w : words) Weight += FuzzyWordWeight(w.size());
    words.sort();
    words.removeDuplicates();
    return words;
}

// The words of the texts for fuzzy lookups, by language, word and the text's
// weight (a lookup wants only texts of a weight that can reach its
// threshold); the vocabulary finds words alike by trigrams.
const char* const kWordTables[] = {
    "CREATE EXTENSION IF NOT EXISTS pg_trgm",
    "CREATE TABLE phrasedesk_words ("
    " locale integer NOT NULL, word text NOT NULL, weight integer NOT NULL, word_id integer NOT NULL)",
    "CREATE TABLE phrasedesk_vocabulary (locale integer NOT NULL, word text NOT NULL, PRIMARY KEY (locale, word))",
    "CREATE INDEX phrasedesk_vocabulary_trigrams ON phrasedesk_vocabulary USING gin (word gin_trgm_ops)",
};

// The keys of phrasedesk_words, apart from the table: a rebuild drops them,
// loads the words and builds them again in one sort, several times faster
// than keeping a million texts' words in order row by row.
const char* const kWordKeys[] = {
    "ALTER TABLE phrasedesk_words ADD CONSTRAINT phrasedesk_words_pkey PRIMARY KEY (locale, word, weight, word_id),"
    " ADD CONSTRAINT phrasedesk_words_word_id_locale_fkey FOREIGN KEY (word_id, locale)"
    " REFERENCES phrasedesk_texts ON DELETE CASCADE",
    "CREATE INDEX phrasedesk_words_text ON phrasedesk_words (word_id, locale)",
};
const char* const kDropWordKeys[] = {
    "DROP INDEX IF EXISTS phrasedesk_words_text",
    "ALTER TABLE phrasedesk_words DROP CONSTRAINT IF EXISTS phrasedesk_words_word_id_locale_fkey,"
    " DROP CONSTRAINT IF EXISTS phrasedesk_words_pkey",
};

} // namespace

TPgConnection TPgConnection::Parse(const QString& Url)
{
    const QUrl url(Url, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("postgresql") && scheme != QLatin1String("postgres")))
        throw ERepositoryError(UiString(usNoConnectionString, {url.toDisplayString(QUrl::RemovePassword)}));
    if (!url.password().isEmpty()) throw ERepositoryError(UiString(usPasswordInConnectionString));
    TPgConnection c;
    c.Host = url.host();
    c.Port = url.port(-1);
    c.Database = url.path().mid(1);
    c.User = url.userName();
    if (c.Database.isEmpty() || c.Database.contains(QLatin1Char('/')))
        throw ERepositoryError(UiString(usNoDatabaseNamed, {Url}));
    QStringList options;
    bool timeout = false;
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("user")) {
            c.User = value;
        } else if (key == QLatin1String("sslmode") || key == QLatin1String("connect_timeout") ||
                   key == QLatin1String("application_name")) {
            if (value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('=')))
                throw ERepositoryError(UiString(usUnusableParameter, {key}));
            options << key + QLatin1Char('=') + value;
            timeout = timeout || key == QLatin1String("connect_timeout");
        } else if (key == QLatin1String("password")) {
            throw ERepositoryError(UiString(usPasswordInConnectionString));
        } else {
            throw ERepositoryError(UiString(usUnknownParameter, {key}));
        }
    }
    // A server that does not answer must not hang the editor for minutes.
    if (!timeout) options << QStringLiteral("connect_timeout=10");
    c.Options = options.join(QLatin1Char(';'));
    return c;
}

TPgRepository::TPgRepository(const QString& Url) : FUrl(Url)
{
    static std::atomic<int> counter = 0;
    FConnectionName = QStringLiteral("phrasedesk-repository-%1").arg(++counter);
}

TPgRepository::~TPgRepository()
{
    FPrepared.clear();
    if (FDb.isValid()) {
        FDb.close();
        FDb = QSqlDatabase();
    }
    QSqlDatabase::removeDatabase(FConnectionName);
}

void TPgRepository::Connect()
{
    if (FDb.isOpen()) return;
    const TPgConnection c = TPgConnection::Parse(FUrl);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) throw ERepositoryError(UiString(usNoPostgresDriver));
    FDb = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), FConnectionName);
    FDb.setHostName(c.Host);
    if (c.Port > 0) FDb.setPort(c.Port);
    FDb.setDatabaseName(c.Database);
    FDb.setUserName(c.User);
    FDb.setConnectOptions(c.Options);
    // No password here: the driver reads PGPASSWORD or the password file.
    if (!FDb.open()) throw ERepositoryError(UiString(usCannotConnect, {FDb.lastError().text().trimmed()}));
    SetUpSession();
}

void TPgRepository::SetUpSession() const
{
    // How alike by trigrams ("%") the vocabulary's words must be to be
    // compared with a query's word.
    QSqlQuery q(FDb);
    q.exec(QStringLiteral("SET pg_trgm.similarity_threshold = %1").arg(kAlikeTrigrams));
}

bool TPgRepository::OpenOrCreate()
{
    Connect();
    CreateSchema();
    FReadOnly = false;
    FLocalesAge.invalidate();
    return true;
}

void TPgRepository::OpenReadOnly()
{
    OpenOrCreate();
    FReadOnly = true;
}

void TPgRepository::CreateSchema()
{
    Atomic([this] {
        // Several programs may open a new database at once: one creates.
        Exec(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext('phrasedesk_schema'))"));
        QSqlQuery q = Exec(QStringLiteral("SELECT to_regclass('phrasedesk_schema') IS NOT NULL"));
        q.next();
        if (!q.value(0).toBool()) {
            for (const char* sql : {
                     "CREATE TABLE phrasedesk_schema (version integer NOT NULL)",
                     "INSERT INTO phrasedesk_schema (version) VALUES (2)",
                     "CREATE TABLE phrasedesk_languages (locale integer PRIMARY KEY, position bigserial NOT NULL)",
                     "CREATE TABLE phrasedesk_records (word_id serial PRIMARY KEY)",
                     "CREATE TABLE phrasedesk_texts ("
                     " word_id integer NOT NULL REFERENCES phrasedesk_records ON DELETE CASCADE,"
                     " locale integer NOT NULL REFERENCES phrasedesk_languages ON DELETE CASCADE,"
                     " text text NOT NULL CHECK (text <> ''),"
                     " PRIMARY KEY (word_id, locale))",
                     // Exact and caseless lookups: a hash index has no limit on
                     // the length of a text, unlike a B-tree.
                     "CREATE INDEX phrasedesk_texts_caseless ON phrasedesk_texts"
                     " USING hash (lower(text COLLATE \"und-x-icu\"))",
                 })
                Exec(QString::fromLatin1(sql));
            for (const char* sql : kWordTables) Exec(QString::fromLatin1(sql));
            for (const char* sql : kWordKeys) Exec(QString::fromLatin1(sql));
        }
        q = Exec(QStringLiteral("SELECT max(version) FROM phrasedesk_schema"));
        q.next();
        const int version = q.value(0).toInt();
        if (version == 1) {
            // Version 1 found fuzzy matches by trigram distance over whole
            // texts: seconds per lookup on a million records.
            Exec(QStringLiteral("DROP INDEX IF EXISTS phrasedesk_texts_trigrams"));
            for (const char* sql : kWordTables) Exec(QString::fromLatin1(sql));
            RebuildWords();
            Exec(QStringLiteral("UPDATE phrasedesk_schema SET version = 2"));
        }
        if (version > SchemaVersion)
            throw ERepositoryError(
                UiString(usNewerDatabaseLayout, {QString::number(version), QString::number(SchemaVersion)}));
    });
}

[[noreturn]] void TPgRepository::Fail(const QString& What, const QSqlError& Error) const
{
    if (Error.type() == QSqlError::ConnectionError || !FDb.isOpen() ||
        Error.nativeErrorCode().startsWith(QLatin1String("08")) || Error.nativeErrorCode() == QLatin1String("57P01")) {
        FLost = true;
        throw ERepositoryError(UiString(usConnectionLost, {Error.text().trimmed()}));
    }
    throw ERepositoryError(QStringLiteral("%1: %2").arg(What, Error.text().trimmed()));
}

QSqlQuery TPgRepository::Exec(const QString& Sql, const QVariantList& Values, bool Reuse) const
{
    Reconnect();
    if (!FDb.isOpen()) throw ERepositoryError(UiString(usNotConnected));
    if (Reuse) {
        // The lookups run thousands of times: prepared once, the server plans
        // them once (planning costs more than running them).
        auto it = FPrepared.find(Sql);
        if (it == FPrepared.end()) {
            QSqlQuery q(FDb);
            q.setForwardOnly(true);
            if (!q.prepare(Sql)) Fail(QStringLiteral("Repository database"), q.lastError());
            it = FPrepared.insert(Sql, q);
        }
        for (qsizetype i = 0; i < Values.size(); ++i) it->bindValue(int(i), Values[i]);
        if (!it->exec()) {
            const QSqlError e = it->lastError();
            FPrepared.erase(it);
            Fail(QStringLiteral("Repository database"), e);
        }
        // The caller's copy shares the prepared statement and its result
        // (QSqlQuery is implicitly shared; Qt only discourages copying it).
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        return *it;
        QT_WARNING_POP
    }
    QSqlQuery q(FDb);
    q.setForwardOnly(true);
    // Statements without values go as they are: the server prepares no
    // definitions of tables.
    bool done = false;
    if (Values.isEmpty()) {
        done = q.exec(Sql);
    } else if (q.prepare(Sql)) {
        for (const QVariant& v : Values) q.addBindValue(v);
        done = q.exec();
    }
    if (!done) Fail(QStringLiteral("Repository database"), q.lastError());
    return q;
}

void TPgRepository::Reconnect() const
{
    // After a lost connection the next operation connects again; inside a
    // transaction the loss ends the transaction instead.
    if (!FLost || FTransactionDepth > 0) return;
    FPrepared.clear();
    FDb.close();
    if (!FDb.open()) throw ERepositoryError(UiString(usConnectionLost, {FDb.lastError().text().trimmed()}));
    FLost = false;
    SetUpSession();
}

void TPgRepository::Atomic(const std::function<void()>& Work)
{
    if (FTransactionDepth > 0) {
        Work();
        return;
    }
    Reconnect();
    if (!FDb.transaction()) Fail(QStringLiteral("Repository database"), FDb.lastError());
    ++FTransactionDepth;
    try {
        Work();
    } catch (...) {
        --FTransactionDepth;
        FDb.rollback();
        throw;
    }
    --FTransactionDepth;
    if (!FDb.commit()) {
        const QSqlError e = FDb.lastError();
        FDb.rollback();
        Fail(QStringLiteral("Repository database"), e);
    }
}

void TPgRepository::Transaction(const QString& Key, const std::function<void()>& Work)
{
    CheckWritable();
    Atomic([&] {
        Exec(QStringLiteral("SELECT pg_advisory_xact_lock(hashtextextended(?, 0))"), {Key}, true);
        Work();
    });
}

void TPgRepository::CheckWritable() const
{
    if (FReadOnly) throw ERepositoryError(UiString(usRepositoryOpenReadOnly));
}

qint32 TPgRepository::RecordCount() const
{
    QSqlQuery q = Exec(QStringLiteral("SELECT count(*) FROM phrasedesk_records"));
    q.next();
    return q.value(0).toInt();
}

QList<int> TPgRepository::RepLocales() const
{
    if (!FLocalesAge.isValid() || FLocalesAge.elapsed() > kLocalesMaxAgeMs) {
        QList<int> locales;
        QSqlQuery q = Exec(QStringLiteral("SELECT locale FROM phrasedesk_languages ORDER BY position"));
        while (q.next()) locales << q.value(0).toInt();
        FLocales = locales;
        FLocalesAge.start();
    }
    return FLocales;
}

void TPgRepository::AddLocales(const QList<int>& Locales)
{
    QList<int> missing;
    for (int loc : Locales)
        if (loc != 0 && !HasLocale(loc) && !missing.contains(loc)) missing << loc;
    if (missing.isEmpty()) return;
    CheckWritable();
    Atomic([&] {
        for (int loc : missing)
            Exec(QStringLiteral("INSERT INTO phrasedesk_languages (locale) VALUES (?) ON CONFLICT DO NOTHING"), {loc});
    });
    FLocalesAge.invalidate();
}

void TPgRepository::DeleteLocales(const QList<int>& Locales)
{
    CheckWritable();
    QList<qint32> locales(Locales.begin(), Locales.end());
    Exec(QStringLiteral("DELETE FROM phrasedesk_languages WHERE locale = ANY(CAST(? AS integer[]))"),
         {IntArray(locales)});
    FLocalesAge.invalidate();
}

void TPgRepository::FindRecords(int Locale, const QString& Text, TQLocateOptions Options,
                                QList<TQValueLocation>& Records)
{
    Records.clear();
    if (Text.isEmpty() || !HasLocale(Locale)) return;
    QSqlQuery q = Exec(QStringLiteral("SELECT word_id, text FROM phrasedesk_texts WHERE locale = ? AND %1 = "
                                      "lower(CAST(? AS text) COLLATE \"und-x-icu\") ORDER BY word_id DESC")
                           .arg(kCaseless),
                       {Locale, Text}, true);
    const bool caseless = Options.testFlag(qloCaseInsensitive);
    while (q.next())
        if (LocaleCompareText(Locale, q.value(1).toString(), Text, caseless) == 0)
            Records.append({QString(), q.value(0).toInt()});
}

qint32 TPgRepository::PairsAt(int ReqLocId, QList<TQValueLocation>& Locations)
{
    if (Locations.isEmpty()) return 0;
    QList<qint32> ids;
    for (const TQValueLocation& l : Locations) ids << l.Bookmark;
    QHash<qint32, QString> texts;
    QSqlQuery q = Exec(QStringLiteral("SELECT word_id, text FROM phrasedesk_texts WHERE locale = ? AND "
                                      "word_id = ANY(CAST(? AS integer[]))"),
                       {ReqLocId, IntArray(ids)}, true);
    while (q.next()) texts.insert(q.value(0).toInt(), q.value(1).toString());
    // The same walk as the embedded repository's: the empty record
    // reported is the last one of the list.
    qint32 empty = 0;
    for (qsizetype i = Locations.size() - 1; i >= 0; --i) {
        const auto it = texts.constFind(Locations[i].Bookmark);
        if (it != texts.constEnd()) {
            Locations[i].Text = *it;
        } else {
            if (empty == 0) empty = Locations[i].Bookmark;
            Locations.removeAt(i);
        }
    }
    return empty;
}

QList<TFuzzyMatch> TPgRepository::FuzzyLookup(int SearchLocale, int TargetLocale, const QString& Text, int Threshold,
                                              int MaxCount)
{
    QList<TFuzzyMatch> matches;
    if (MaxCount <= 0 || Text.isEmpty() || !HasLocale(SearchLocale) || !HasLocale(TargetLocale)) return matches;
    Threshold = std::clamp(Threshold, 1, 100);
    QStringList queryWords = FuzzyWords(Text);
    if (queryWords.size() > TQFuzzyIndexField::MaxWords) queryWords.resize(TQFuzzyIndexField::MaxWords);
    if (queryWords.isEmpty()) return matches;
    int weight = 0;
    for (const QString& w : queryWords) weight += FuzzyWordWeight(w.size());
    // Texts of other weights cannot reach the threshold whatever their words.
    int lightest = weight, heaviest = weight;
    while (lightest > 0 && FuzzyScoreBound(weight, lightest - 1) >= Threshold) --lightest;
    while (heaviest < 4 * TQFuzzyIndexField::MaxWords && FuzzyScoreBound(weight, heaviest + 1) >= Threshold) ++heaviest;

    // The rarest words whose weight a match needs: a text with none of them
    // (nor a word alike) cannot reach the threshold, as in the embedded index.
    // How many texts of those weights hold a word is counted up to the
    // candidate limit.
    QStringList distinct = queryWords;
    distinct.removeDuplicates();
    QHash<QString, qint64> postings;
    QSqlQuery q =
        Exec(QStringLiteral("SELECT v.word, (SELECT count(*) FROM (SELECT 1 FROM phrasedesk_words w "
                            "WHERE w.locale = ? AND w.word = v.word AND w.weight BETWEEN ? AND ? LIMIT %1) c) "
                            "FROM unnest(CAST(? AS text[])) v(word)")
                 .arg(kFuzzyCandidates + 1),
             {SearchLocale, lightest, heaviest, TextArray(distinct)}, true);
    while (q.next()) postings.insert(q.value(0).toString(), q.value(1).toLongLong());
    std::sort(distinct.begin(), distinct.end(),
              [&](const QString& A, const QString& B) { return postings.value(A) < postings.value(B); });
    const double mayLose = weight * (1.0 - Threshold / 100.0);
    double needed = 0;
    QStringList searched;
    for (const QString& w : distinct) {
        if (needed > mayLose) break;
        needed += queryWords.count(w) * FuzzyWordWeight(w.size());
        searched << w;
    }

    // The texts holding those words, the weights nearest the query's first,
    // then those holding words alike (found by trigrams in the vocabulary and
    // kept when the score's own rule finds them alike).
    QSet<qint32> seen;
    QList<TFuzzyMatch> scored;
    const auto score = [&](const QStringList& Words) {
        QSqlQuery c = Exec(
            QStringLiteral("SELECT s.word_id, s.text, t.text FROM (SELECT w.word_id, min(abs(w.weight - ?)) AS d FROM "
                           "phrasedesk_words w WHERE w.locale = ? AND w.word = ANY(CAST(? AS text[])) AND w.weight "
                           "BETWEEN ? AND ? GROUP BY w.word_id ORDER BY d LIMIT %1) c "
                           "JOIN phrasedesk_texts s ON s.word_id = c.word_id AND s.locale = ? "
                           "JOIN phrasedesk_texts t ON t.word_id = c.word_id AND t.locale = ?")
                .arg(kFuzzyCandidates),
            {weight, SearchLocale, TextArray(Words), lightest, heaviest, SearchLocale, TargetLocale}, true);
        while (c.next()) {
            const qint32 record = c.value(0).toInt();
            if (seen.contains(record)) continue;
            seen.insert(record);
            const QString text = c.value(1).toString();
            const int s = FuzzyScoreWords(queryWords, FuzzyWords(text));
            if (s >= Threshold) scored.append({s, record, text, c.value(2).toString()});
        }
    };
    score(searched);
    QStringList alike;
    q = Exec(QStringLiteral("SELECT q.word, v.word FROM unnest(CAST(? AS text[])) q(word) "
                            "JOIN phrasedesk_vocabulary v ON v.locale = ? AND v.word % q.word AND v.word <> q.word"),
             {TextArray(searched), SearchLocale}, true);
    while (q.next()) {
        const QString word = q.value(0).toString(), other = q.value(1).toString();
        const qsizetype longer = std::max(word.size(), other.size());
        if (longer >= 3 && std::abs(word.size() - other.size()) <= longer / 3 && longer <= FuzzyMaxAlikeLength &&
            FuzzySubstitutionCost(word, other) < FuzzyWordWeight(longer))
            alike << other;
    }
    if (!alike.isEmpty()) score(alike);

    // Best first, the newest of equal scores first (as the embedded index).
    std::sort(scored.begin(), scored.end(), [](const TFuzzyMatch& A, const TFuzzyMatch& B) {
        return A.Score != B.Score ? A.Score > B.Score : A.Bookmark > B.Bookmark;
    });
    for (const TFuzzyMatch& m : scored) {
        if (std::any_of(matches.cbegin(), matches.cend(),
                        [&](const TFuzzyMatch& x) { return x.Translation == m.Translation; }))
            continue;
        matches.append(m);
        if (matches.size() == MaxCount) break;
    }
    return matches;
}

void TPgRepository::WriteWords(qint32 Record, int Locale, const QString& Text)
{
    int weight = 0;
    const QStringList words = IndexWords(Text, weight);
    Exec(QStringLiteral("DELETE FROM phrasedesk_words WHERE word_id = ? AND locale = ?"), {Record, Locale}, true);
    if (words.isEmpty()) return;
    const QString array = TextArray(words);
    Exec(QStringLiteral("INSERT INTO phrasedesk_vocabulary (locale, word) SELECT ?, unnest(CAST(? AS text[])) "
                        "ON CONFLICT DO NOTHING"),
         {Locale, array}, true);
    Exec(QStringLiteral("INSERT INTO phrasedesk_words (locale, word, weight, word_id) "
                        "SELECT ?, unnest(CAST(? AS text[])), ?, ?"),
         {Locale, array, weight, Record}, true);
}

void TPgRepository::RebuildWords()
{
    Atomic([this] {
        Exec(QStringLiteral("TRUNCATE phrasedesk_words"));
        for (const char* sql : kDropWordKeys) Exec(QString::fromLatin1(sql));
        qint32 lastRecord = 0;
        int lastLocale = 0;
        for (;;) {
            QSqlQuery q = Exec(QStringLiteral("SELECT word_id, locale, text FROM phrasedesk_texts "
                                              "WHERE (word_id, locale) > (?, ?) ORDER BY word_id, locale LIMIT %1")
                                   .arg(kWalkPage),
                               {lastRecord, lastLocale});
            QList<qint32> locales, weights, records;
            QStringList words;
            bool any = false;
            while (q.next()) {
                any = true;
                lastRecord = q.value(0).toInt();
                lastLocale = q.value(1).toInt();
                int weight = 0;
                for (const QString& w : IndexWords(q.value(2).toString(), weight)) {
                    locales << lastLocale;
                    words << w;
                    weights << weight;
                    records << lastRecord;
                }
            }
            if (!any) break;
            Exec(QStringLiteral("INSERT INTO phrasedesk_words (locale, word, weight, word_id) SELECT * FROM "
                                "unnest(CAST(? AS integer[]), CAST(? AS text[]), CAST(? AS integer[]), "
                                "CAST(? AS integer[]))"),
                 {IntArray(locales), TextArray(words), IntArray(weights), IntArray(records)});
        }
        Exec(QStringLiteral("INSERT INTO phrasedesk_vocabulary (locale, word) SELECT DISTINCT locale, word "
                            "FROM phrasedesk_words ON CONFLICT DO NOTHING"));
        // Room to sort the keys in memory (the server's default is 64 MB).
        Exec(QStringLiteral("SET LOCAL maintenance_work_mem = '256MB'"));
        for (const char* sql : kWordKeys) Exec(QString::fromLatin1(sql));
    });
}

qint32 TPgRepository::WriteTexts(qint32 Record, const QList<TRepText>& Texts)
{
    CheckWritable();
    for (const TRepText& t : Texts)
        if (!HasLocale(t.Locale))
            throw ERepositoryError(QStringLiteral("The repository has no language %1").arg(t.Locale));
    Atomic([&] {
        if (Record == 0) {
            QSqlQuery q = Exec(QStringLiteral("INSERT INTO phrasedesk_records DEFAULT VALUES RETURNING word_id"));
            q.next();
            Record = q.value(0).toInt();
        } else {
            Exec(QStringLiteral("INSERT INTO phrasedesk_records (word_id) VALUES (?) ON CONFLICT DO NOTHING"),
                 {Record});
        }
        for (const TRepText& t : Texts) {
            if (t.Text.isEmpty())
                Exec(QStringLiteral("DELETE FROM phrasedesk_texts WHERE word_id = ? AND locale = ?"),
                     {Record, t.Locale});
            else {
                Exec(QStringLiteral("INSERT INTO phrasedesk_texts (word_id, locale, text) VALUES (?, ?, ?) "
                                    "ON CONFLICT (word_id, locale) DO UPDATE SET text = EXCLUDED.text"),
                     {Record, t.Locale, t.Text}, true);
                WriteWords(Record, t.Locale, t.Text);
            }
        }
    });
    return Record;
}

void TPgRepository::DeleteRecord(qint32 Record)
{
    CheckWritable();
    Exec(QStringLiteral("DELETE FROM phrasedesk_records WHERE word_id = ?"), {Record});
}

bool TPgRepository::Pack()
{
    CheckWritable();
    struct TStopped {};
    bool stop = false;
    try {
        Atomic([&] {
            DoProgress(0, 2, stop);
            if (stop) throw TStopped();
            Exec(QStringLiteral("DELETE FROM phrasedesk_records r WHERE (SELECT count(*) FROM phrasedesk_texts t "
                                "WHERE t.word_id = r.word_id) <= 1"));
            DoProgress(1, 2, stop);
            if (stop) throw TStopped(); // rolls the first step back
            // A record equal to an older one in every language goes.
            Exec(QStringLiteral("DELETE FROM phrasedesk_records r USING ("
                                " SELECT word_id, row_number() OVER (PARTITION BY locales, texts ORDER BY word_id) AS n"
                                " FROM (SELECT word_id, array_agg(locale ORDER BY locale) AS locales,"
                                "  array_agg(text ORDER BY locale) AS texts FROM phrasedesk_texts GROUP BY word_id) s"
                                ") d WHERE r.word_id = d.word_id AND d.n > 1"));
        });
    } catch (const TStopped&) {
        return false;
    }
    return true;
}

bool TPgRepository::ForEachRecord(const QList<int>& Locales,
                                  const std::function<bool(qint32 Record, const QStringList& Texts)>& Visit)
{
    // Page by page: a million records are never held at once.
    QList<qint32> locales(Locales.begin(), Locales.end());
    const QString localeArray = IntArray(locales);
    qint32 last = 0;
    for (;;) {
        QSqlQuery q = Exec(QStringLiteral("SELECT r.word_id, t.locale, t.text FROM (SELECT word_id FROM "
                                          "phrasedesk_records WHERE word_id > ? ORDER BY word_id LIMIT %1) r "
                                          "LEFT JOIN phrasedesk_texts t ON t.word_id = r.word_id AND "
                                          "t.locale = ANY(CAST(? AS integer[])) ORDER BY r.word_id")
                               .arg(kWalkPage),
                           {last, localeArray});
        qint32 current = 0;
        QStringList texts;
        bool any = false;
        const auto flush = [&] { return current == 0 || Visit(current, texts); };
        while (q.next()) {
            const qint32 id = q.value(0).toInt();
            if (id != current) {
                if (!flush()) return false;
                current = id;
                texts = QStringList(Locales.size(), QString());
                any = true;
            }
            const qsizetype i = q.value(1).isNull() ? -1 : Locales.indexOf(q.value(1).toInt());
            if (i >= 0) texts[i] = q.value(2).toString();
        }
        if (!flush()) return false;
        if (!any) return true;
        last = current;
    }
}
