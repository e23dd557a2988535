#include "repository/LangRepository.h"

#include "core/UiStrings.h"

#include "storage/Locales.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

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

} // namespace

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
        if (!QDir().mkpath(fi.path())) throw EQBaseError(UiString(usCannotCreateFolder, {FileName()}));
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

QString TQLangRepository::Name() const { return FileName(); }

void TQLangRepository::OpenReadOnly()
{
    if (!TableExists()) throw EQBaseError(UiString(usRepositoryMissing));
    SetReadOnly(true);
    Open();
}

bool TQLangRepository::IndexReady() { return IsMemoryIndexBuilt(); }

void TQLangRepository::DoProgress(qint64 Position, qint64 MaxValue, bool& Stop)
{
    TQTable::DoProgress(Position, MaxValue, Stop);
    if (!Stop) TRepository::DoProgress(Position, MaxValue, Stop);
}

QString TQLangRepository::GetWord(int LocID) const { return FieldByLocale(LocID)->AsWideString(); }

void TQLangRepository::SetWord(int LocID, const QString& Value) { FieldByLocale(LocID)->SetAsWideString(Value); }

bool TQLangRepository::LocateByWord(int LocId, const QString& WordValue, TQLocateOptions Options)
{
    const TQField* f = Fields().FindByLocale(LocId, true);
    return f && LocateByValue(f->FieldName(), WordValue, Options);
}

void TQLangRepository::FindRecords(int Locale, const QString& Text, TQLocateOptions Options,
                                   QList<TQValueLocation>& Records)
{
    Records.clear();
    if (const TQField* f = Fields().FindByLocale(Locale, true))
        GetValueLocations(f->FieldName(), Text, Options, Records);
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

qint32 TQLangRepository::WriteTexts(qint32 Record, const QList<TRepText>& Texts)
{
    if (Record != 0) {
        SetBookmark(Record);
        Edit();
    } else {
        Append();
    }
    try {
        for (const TRepText& t : Texts) SetWord(t.Locale, t.Text);
        Post();
    } catch (...) {
        Cancel();
        throw;
    }
    return Bookmark();
}

void TQLangRepository::DeleteRecord(qint32 Record)
{
    SetBookmark(Record);
    Delete();
}

bool TQLangRepository::ForEachRecord(const QList<int>& Locales,
                                     const std::function<bool(qint32 Record, const QStringList& Texts)>& Visit)
{
    QList<const TQField*> fields;
    for (int loc : Locales) fields << FieldByLocale(loc);
    const qint32 current = Bookmark();
    const auto restore = qScopeGuard([&] {
        if (current > 0) SetBookmark(current);
    });
    QStringList texts;
    for (First(); !Eof() && RecordCount() > 0; Next()) {
        texts.clear();
        for (const TQField* f : fields) texts << f->AsWideString();
        if (!Visit(Bookmark(), texts)) return false;
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
