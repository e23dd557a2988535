#include "repository/LangRepository.h"

#include "storage/Locales.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

const QString kWordID = QStringLiteral("WordID");

bool IsLanguageField(const TQField* f) { return f->DataType() == dtWideMemo && f->Locale() != 0; }

// Every language text of the current record, in field order.
QStringList RecordTexts(const TQTable& T)
{
    QStringList texts;
    for (int i = 0; i < T.Fields().Count(); ++i)
        if (IsLanguageField(T.Fields()[i])) texts << T.Fields()[i]->AsWideString();
    return texts;
}

int OctalDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('7') ? c.unicode() - '0' : -1; }

int HexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Resolves a C-style escape that starts at S[i] (the backslash); i ends on
// the escape's last character.
QChar Unescape(const QString& S, qsizetype& i)
{
    if (i + 1 >= S.size()) return S[i]; // a final backslash stands for itself
    const QChar c = S[++i];
    switch (c.unicode()) {
    case 'a':
        return QChar(7);
    case 'b':
        return QChar(8);
    case 'f':
        return QChar(12);
    case 'n':
        return QChar(10);
    case 'r':
        return QChar(13);
    case 't':
        return QChar(9);
    case 'v':
        return QChar(11);
    case 'x': {
        int v = 0, n = 0;
        while (n < 2 && i + 1 < S.size() && HexDigit(S[i + 1]) >= 0) v = v * 16 + HexDigit(S[++i]), ++n;
        return n == 0 ? c : QChar(v);
    }
    default:
        if (OctalDigit(c) >= 0) {
            int v = OctalDigit(c), n = 1;
            while (n < 3 && i + 1 < S.size() && OctalDigit(S[i + 1]) >= 0) v = v * 8 + OctalDigit(S[++i]), ++n;
            return QChar(v);
        }
        return c;
    }
}

QString GlossaryColumn(const QString& Raw)
{
    const QString col = Raw.trimmed();
    QString out;
    if (col.startsWith(QLatin1Char('"'))) {
        for (qsizetype i = 1; i < col.size(); ++i) {
            if (col[i] == QLatin1Char('"')) {
                if (i + 1 < col.size() && col[i + 1] == QLatin1Char('"')) {
                    out += QLatin1Char('"');
                    ++i;
                    continue;
                }
                return out;
            }
            out += col[i] == QLatin1Char('\\') ? Unescape(col, i) : col[i];
        }
        throw EQBaseError(QStringLiteral("A quoted column is not closed"));
    }
    for (qsizetype i = 0; i < col.size(); ++i) out += col[i] == QLatin1Char('\\') ? Unescape(col, i) : col[i];
    return out;
}

// The lines of a glossary: UTF-8 or UTF-16LE by their byte-order mark, else
// text in the system's code page. Text that is not valid in its encoding is
// refused rather than imported as garbage.
QStringList GlossaryLines(const QString& FileName)
{
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EQBaseError(QStringLiteral("Can not open file \"%1\"").arg(QFileInfo(FileName).filePath()));
    const QByteArray data = f.readAll();
    QString text;
    const auto decode = [&](QStringConverter::Encoding Enc, qsizetype Skip) {
        QStringDecoder dec(Enc, QStringConverter::Flag::Stateless);
        text = dec.decode(QByteArrayView(data).sliced(Skip));
        if (dec.hasError() || (Enc == QStringConverter::Utf16LE && (data.size() - Skip) % 2 != 0))
            throw EQBaseError(QStringLiteral("The glossary file \"%1\" is not valid %2 text")
                                  .arg(FileName, QLatin1String(Enc == QStringConverter::Utf8 ? "UTF-8" : "UTF-16")));
    };
    if (data.startsWith("\xEF\xBB\xBF"))
        decode(QStringConverter::Utf8, 3);
    else if (data.startsWith("\xFF\xFE"))
        decode(QStringConverter::Utf16LE, 2);
    else
        text = AnsiToWide(data, SystemCodePage());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

} // namespace

QStringList SplitGlossaryLine(const QString& Line)
{
    QStringList columns;
    qsizetype start = 0;
    bool inside = false;
    for (qsizetype i = 0; i < Line.size(); ++i) {
        const QChar c = Line[i];
        if (c == QLatin1Char('\\')) {
            ++i; // an escaped quote or delimiter neither toggles nor splits
        } else if (c == QLatin1Char('"')) {
            inside = !inside;
        } else if (!inside && (c == QLatin1Char(',') || c == QLatin1Char('\t'))) {
            columns << GlossaryColumn(Line.mid(start, i - start));
            start = i + 1;
        }
    }
    columns << GlossaryColumn(Line.mid(start));
    return columns;
}

TQLangRepository::TQLangRepository(const QString& LRFileName)
{
    const QFileInfo fi(LRFileName);
    SetDatabaseName(fi.path());
    SetTableName(fi.fileName(), false);
    SetUseMemoryIndex(true);
}

QString TQLangRepository::SettingsFileName() const
{
    const QFileInfo fi(FileName());
    return fi.path() + QLatin1Char('/') + fi.completeBaseName() + QLatin1String(".ini");
}

bool TQLangRepository::OpenOrCreate()
{
    if (!TableExists()) {
        const QFileInfo fi(FileName());
        if (!QDir().mkpath(fi.path()))
            throw EQBaseError(QStringLiteral("Can not create directory: %1").arg(FileName()));
        CreateRepository();
    }
    try {
        Open();
        return !ReadOnly();
    } catch (const EQBaseError&) {
        if (ReadOnly() || !QFileInfo(FileName()).isReadable()) throw;
    }
    // Another program writes to it: reading is still safe.
    SetReadOnly(true);
    Open();
    return false;
}

void TQLangRepository::CreateRepository()
{
    Fields().Clear();
    Fields().NewField(kWordID, dtAutoInc, 0)->SetMemoryIndex(true);
    SetMemoBlockSize(RepositoryMemoBlockSize);
    CreateTable(RepositoryDBVersion);
}

void TQLangRepository::AddLocales(const QList<int>& Locales)
{
    TQFieldList schema;
    schema.Assign(Fields());
    bool added = false;
    for (int loc : Locales) {
        if (loc == 0 || schema.FindByLocale(loc, true)) continue;
        TQField* f = schema.NewField(QString::number(loc), dtWideMemo, 0);
        f->SetLocale(loc);
        f->SetMemoryIndex(true);
        added = true;
    }
    if (added) Restructure(schema, 0);
}

void TQLangRepository::DeleteLocales(const QList<int>& Locales)
{
    TQFieldList schema;
    schema.Assign(Fields());
    bool removed = false;
    for (int loc : Locales) {
        const int i = schema.IndexByName(QString::number(loc));
        if (i < 0) continue;
        schema.Delete(i);
        removed = true;
    }
    if (removed) Restructure(schema, 0);
}

QList<int> TQLangRepository::RepLocales() const
{
    QList<int> locales;
    for (int i = 0; i < Fields().Count(); ++i)
        if (IsLanguageField(Fields()[i])) locales << Fields()[i]->Locale();
    return locales;
}

int TQLangRepository::FallbackLocale(int LocID)
{
    const int primary = PrimaryLanguage(LocID);
    return primary == LocID ? (LocID | 0x400) : primary;
}

int TQLangRepository::ServingLocale(int LocID) const
{
    if (LocID == 0) return 0;
    if (HasLocale(LocID)) return LocID;
    const int fallback = FallbackLocale(LocID);
    return HasLocale(fallback) ? fallback : 0;
}

QString TQLangRepository::GetWord(int LocID) const { return FieldByLocale(LocID)->AsWideString(); }

void TQLangRepository::SetWord(int LocID, const QString& Value) { FieldByLocale(LocID)->SetAsWideString(Value); }

bool TQLangRepository::LocateByWord(int LocId, const QString& WordValue, TQLocateOptions Options)
{
    const TQField* f = Fields().FindByLocale(LocId, true);
    return f && LocateByValue(f->FieldName(), WordValue, Options);
}

bool TQLangRepository::ExtractWord(int NativeLocale, const QString& NativeWord, int WordLocale, QString& WordValue,
                                   TQLocateOptions Options)
{
    if (!LocateByWord(NativeLocale, NativeWord, Options) || !HasLocale(WordLocale)) return false;
    const QString word = GetWord(WordLocale);
    if (word.isEmpty()) return false;
    WordValue = word;
    return true;
}

qint32 TQLangRepository::GetPairsByWord(int OrigLocId, int ReqLocId, const QString& OrigValue, TQLocateOptions Options,
                                        QList<TQValueLocation>& ReqValues)
{
    ReqValues.clear();
    const TQField* orig = Fields().FindByLocale(OrigLocId, true);
    if (!orig || !HasLocale(ReqLocId)) return 0;
    GetValueLocations(orig->FieldName(), OrigValue, Options, ReqValues);
    return PairsAt(ReqLocId, ReqValues);
}

qint32 TQLangRepository::PairsAt(int ReqLocId, QList<TQValueLocation>& Locations)
{
    const TQField* req = Fields().FindByLocale(ReqLocId, true);
    if (!req) {
        Locations.clear();
        return 0;
    }
    const qint32 current = Bookmark();
    qint32 empty = 0;
    for (qsizetype i = Locations.size() - 1; i >= 0; --i) {
        SetBookmark(Locations[i].Bookmark);
        const QString text = req->AsWideString();
        if (!text.isEmpty()) {
            Locations[i].Text = text;
        } else {
            if (empty == 0) empty = Locations[i].Bookmark;
            Locations.removeAt(i);
        }
    }
    SetBookmark(current);
    return empty;
}

QList<TFuzzyMatch> TQLangRepository::FuzzyLookup(int SearchLocale, int TargetLocale, const QString& Text, int Threshold,
                                                 int MaxCount)
{
    const TQField* search = Fields().FindByLocale(SearchLocale, true);
    const TQField* target = Fields().FindByLocale(TargetLocale, true);
    QList<TFuzzyMatch> matches;
    if (!search || !target || MaxCount <= 0) return matches;
    // Records often share a translation ("Open" in many of them): a few more
    // hits than asked for leave room for those found twice.
    const std::vector<TFuzzyHit> hits =
        FindFuzzy(search->FieldName(), Text, Threshold, MaxCount * 4, target->FieldName());
    const qint32 current = Bookmark();
    for (const TFuzzyHit& hit : hits) {
        SetBookmark(hit.Bookmark);
        const QString translation = target->AsWideString();
        if (std::any_of(matches.cbegin(), matches.cend(),
                        [&](const TFuzzyMatch& m) { return m.Translation == translation; }))
            continue;
        matches.append({hit.Score, hit.Bookmark, search->AsWideString(), translation});
        if (matches.size() == MaxCount) break;
    }
    SetBookmark(current);
    return matches;
}

void TQLangRepository::AddEditWord(int Locale1, int Locale2, const QString& Word1Value, const QString& Word2Value,
                                   TQLocateOptions Options)
{
    if (Word1Value.isEmpty() || Word2Value.isEmpty()) return;
    QList<TQValueLocation> pairs;
    const qint32 empty = GetPairsByWord(Locale1, Locale2, Word1Value, Options, pairs);
    for (const TQValueLocation& p : pairs)
        if (LocaleCompareText(Locale2, p.Text, Word2Value, false) == 0) return;
    if (empty != 0) {
        SetBookmark(empty);
        Edit();
    } else {
        Append();
        SetWord(Locale1, Word1Value);
    }
    SetWord(Locale2, Word2Value);
    Post();
}

bool TQLangRepository::ImportMSGlossary(const QString& FileName, int Locale1, int Locale2, TQLocateOptions Options)
{
    if (!QFileInfo(FileName).isFile()) return false;
    const QStringList lines = GlossaryLines(FileName);
    // The whole file is read before the first pair goes in: a damaged line
    // leaves the repository as it was.
    QList<QPair<QString, QString>> pairs;
    pairs.reserve(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].isEmpty()) {
            pairs.append(QPair<QString, QString>());
            continue;
        }
        QStringList columns;
        try {
            columns = SplitGlossaryLine(lines[i]);
        } catch (const EQBaseError& e) {
            throw EQBaseError(QStringLiteral("%1, line %2: %3").arg(FileName).arg(i + 1).arg(e.Message()));
        }
        pairs.append(columns.size() >= 3 ? qMakePair(columns[0], columns[2]) : QPair<QString, QString>());
    }
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        if (!pairs[i].first.isEmpty()) AddEditWord(Locale1, Locale2, pairs[i].first, pairs[i].second, Options);
        bool stop = false;
        DoProgress(i, pairs.size(), stop);
        if (stop) return false;
    }
    return true;
}

bool TQLangRepository::Pack()
{
    if (RecordCount() == 0) return true;
    const TQField* first = nullptr;
    for (int i = 0; i < Fields().Count() && !first; ++i)
        if (IsLanguageField(Fields()[i])) first = Fields()[i];
    qint64 visited = 0;
    First();
    while (!Eof()) {
        bool stop = false;
        DoProgress(visited++, RecordCount(), stop);
        if (stop) return false;
        const QStringList texts = RecordTexts(*this);
        if (texts.size() - texts.count(QString()) <= 1) {
            const bool last = Bookmark() == LastRec();
            Delete(); // the walk goes on with the record that followed
            if (last) break;
            continue;
        }
        const qint32 current = Bookmark();
        QList<TQValueLocation> same;
        GetValueLocations(first->FieldName(), first->AsWideString(), {}, same);
        for (const TQValueLocation& loc : same) {
            if (loc.Bookmark == current) continue;
            SetBookmark(loc.Bookmark);
            if (RecordTexts(*this) == texts) Delete();
        }
        SetBookmark(current);
        Next();
    }
    return true;
}
