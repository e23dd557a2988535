#include "repository/QMemoryIndex.h"

#include "core/UiStrings.h"
#include "repository/QTable.h"
#include "storage/Locales.h"

#include <algorithm>

namespace {
constexpr size_t kChunk = 128; // a chunk splits when it holds twice this
// A full chunk grows by this many entries, not by doubling: a chunk then holds
// little free room, and a million-record repository's index stays compact
// (doubling left about half of every chunk empty).
constexpr size_t kChunkGrowth = kChunk / 4;

template <class T> int Sign(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }
} // namespace

// ---------------------------------------------------------------- TQMemoryIndexField

TQMemoryIndexField::TQMemoryIndexField(const TQField& Src, int MaxStrLength, TQLocateOptions DefaultOptions)
    : FFieldName(Src.FieldName()), FLocale(Src.Locale()), FSrcType(Src.DataType()),
      // A partial-key order is no order at all ("a" equals both "ab" and "ac").
      FSortOptions(DefaultOptions & ~TQLocateOptions(qloPartialKey))
{
    const int keyChars = std::clamp(MaxStrLength, 0, int(MaxKeyChars));
    switch (FSrcType) {
    case dtString:
    case dtWideString:
        FIsText = true, FKeySize = std::min(keyChars, Src.Size());
        break;
    case dtMemo:
    case dtWideMemo:
        FIsText = true, FKeySize = keyChars;
        break;
    case dtSmallint:
    case dtInteger:
    case dtAutoInc:
        break;
    default:
        throw EQBaseError(QStringLiteral("Type %1 is not allowed for index field").arg(int(FSrcType)));
    }
}

TQMemoryIndexField::~TQMemoryIndexField() = default;

TQMemoryIndexField::TEntry TQMemoryIndexField::Prepare(const QVariant& Value) const
{
    TEntry e;
    if (FIsText) {
        const QString text = TextCompareForm(FLocale, Value).left(FKeySize);
        e.Len = quint8(text.size());
        std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), e.Chars);
        // Most comparisons of a build or a search end on the prefix, without
        // the collator.
        e.Prefix = LocalePrimaryPrefix(FLocale, FSortOptions & qloIgnoreAmpersand ? RemoveAmpersands(text) : text);
    } else {
        e.Int = Value.toInt();
    }
    return e;
}

QVariant TQMemoryIndexField::KeyOf(const TQField& Field) const
{
    if (FIsText) return Field.KeyText(FKeySize);
    return Field.AsVariant().toInt();
}

bool TQMemoryIndexField::PrefixDecides(TQLocateOptions Options) const
{
    return !(Options & qloPartialKey) && (Options & qloIgnoreAmpersand) == (FSortOptions & qloIgnoreAmpersand);
}

int TQMemoryIndexField::CompareKeys(const TEntry& A, const TEntry& B, TQLocateOptions Options) const
{
    if (FIsText) {
        if (A.Prefix != B.Prefix && PrefixDecides(Options)) return A.Prefix < B.Prefix ? -1 : 1;
        // Owned buffers reused per thread: the comparison wants terminated
        // text, which a string over the entry's characters would copy each time.
        thread_local QString a, b;
        const auto fill = [](QString& s, const TEntry& e) {
            s.resize(e.Len);
            std::copy_n(e.Chars, e.Len, reinterpret_cast<char16_t*>(s.data()));
        };
        fill(a, A);
        fill(b, B);
        return CompareTextForms(FLocale, a, b, Options, FKeySize);
    }
    return Sign(A.Int, B.Int);
}

bool TQMemoryIndexField::Before(const TEntry& A, const TEntry& B) const
{
    const int c = CompareKeys(A, B, FSortOptions);
    return c < 0 || (c == 0 && A.Seq > B.Seq); // equal keys: the newer entry first
}

template <class Less> TQMemoryIndexField::TPos TQMemoryIndexField::LowerBound(Less IsBefore) const
{
    if (FChunks.empty()) return {};
    // The first chunk whose last entry is not before the target.
    size_t lo = 0, hi = FChunks.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (IsBefore(FLast[mid]))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == FChunks.size()) return {lo - 1, FChunks[lo - 1]->Entries.size()};
    const auto& c = FChunks[lo]->Entries;
    return {lo, size_t(std::partition_point(c.begin(), c.end(), IsBefore) - c.begin())};
}

bool TQMemoryIndexField::Contains(qint32 ABookmark) const
{
    return ABookmark > 0 && size_t(ABookmark) < FChunkOf.size() && FChunkOf[size_t(ABookmark)] != nullptr;
}

void TQMemoryIndexField::Insert(const TEntry& E)
{
    const TPos p = LowerBound([&](const TEntry& x) { return Before(x, E); });
    if (FChunks.empty()) {
        FChunks.push_back(std::make_unique<TChunk>());
        FLast.emplace_back();
    }
    TChunk* chunk = FChunks[p.Chunk].get();
    if (chunk->Entries.size() == chunk->Entries.capacity())
        chunk->Entries.reserve(chunk->Entries.size() + kChunkGrowth);
    chunk->Entries.insert(chunk->Entries.begin() + qsizetype(p.Offset), E);
    if (size_t(E.Bm) >= FChunkOf.size()) FChunkOf.resize(std::max(size_t(E.Bm) + 1, FChunkOf.size() * 3 / 2));
    FChunkOf[size_t(E.Bm)] = chunk;
    if (chunk->Entries.size() >= 2 * kChunk) {
        auto tail = std::make_unique<TChunk>();
        tail->Entries.assign(chunk->Entries.begin() + kChunk, chunk->Entries.end());
        chunk->Entries.resize(kChunk);
        chunk->Entries.shrink_to_fit();
        for (const TEntry& moved : tail->Entries) FChunkOf[size_t(moved.Bm)] = tail.get();
        FLast.insert(FLast.begin() + qsizetype(p.Chunk) + 1, tail->Entries.back());
        FChunks.insert(FChunks.begin() + qsizetype(p.Chunk) + 1, std::move(tail));
    }
    FLast[p.Chunk] = chunk->Entries.back();
    ++FCount;
    FStartsValid = false;
}

TQMemoryIndexField::TEntry TQMemoryIndexField::Remove(qint32 Bm)
{
    auto& entries = FChunkOf[size_t(Bm)]->Entries;
    const auto it = std::find_if(entries.begin(), entries.end(), [Bm](const TEntry& e) { return e.Bm == Bm; });
    const TEntry removed = *it;
    // The order is total, so the entry's own key finds its chunk.
    const size_t chunk = LowerBound([&](const TEntry& x) { return Before(x, removed); }).Chunk;
    entries.erase(it);
    FChunkOf[size_t(Bm)] = nullptr;
    if (entries.empty()) {
        FChunks.erase(FChunks.begin() + qsizetype(chunk));
        FLast.erase(FLast.begin() + qsizetype(chunk));
    } else {
        FLast[chunk] = entries.back();
    }
    --FCount;
    FStartsValid = false;
    return removed;
}

void TQMemoryIndexField::AddValue(const QVariant& Value, qint32 ABookmark)
{
    if (ABookmark <= 0) return;
    if (Contains(ABookmark)) Remove(ABookmark);
    TEntry e = Prepare(Value);
    e.Bm = ABookmark;
    e.Seq = FNextSeq++;
    Insert(e);
}

void TQMemoryIndexField::UpdateValue(qint32 ABookmark, const QVariant& NewValue)
{
    if (!Contains(ABookmark)) return;
    TEntry e = Prepare(NewValue);
    const auto& entries = FChunkOf[size_t(ABookmark)]->Entries;
    const auto old = std::find_if(entries.begin(), entries.end(), [&](const TEntry& x) { return x.Bm == ABookmark; });
    if (CompareKeys(e, *old, FSortOptions) == 0) return; // same key: the entry stays where it is
    Remove(ABookmark);
    e.Bm = ABookmark;
    e.Seq = FNextSeq++;
    Insert(e);
}

void TQMemoryIndexField::DeleteValue(qint32 ABookmark)
{
    if (Contains(ABookmark)) Remove(ABookmark);
}

void TQMemoryIndexField::Delete(qint64 Index) { DeleteValue(Bookmark(Index)); }

const std::vector<qint64>& TQMemoryIndexField::Starts() const
{
    if (!FStartsValid) {
        FStarts.resize(FChunks.size());
        qint64 pos = 0;
        for (size_t i = 0; i < FChunks.size(); ++i) FStarts[i] = pos, pos += qint64(FChunks[i]->Entries.size());
        FStartsValid = true;
    }
    return FStarts;
}

TQMemoryIndexField::TPos TQMemoryIndexField::At(qint64 Index) const
{
    if (Index < 0 || Index >= FCount) throw EQBaseError(QStringLiteral("Wrong record number"));
    const auto& s = Starts();
    const size_t chunk = size_t(std::upper_bound(s.begin(), s.end(), Index) - s.begin()) - 1;
    return {chunk, size_t(Index - s[chunk])};
}

const TQMemoryIndexField::TEntry& TQMemoryIndexField::EntryAt(qint64 Index) const
{
    const TPos p = At(Index);
    return FChunks[p.Chunk]->Entries[p.Offset];
}

qint32 TQMemoryIndexField::Bookmark(qint64 Index) const { return EntryAt(Index).Bm; }

qint32 TQMemoryIndexField::AsInteger(qint64 Index) const
{
    return FIsText ? AsWideString(Index).toInt() : EntryAt(Index).Int;
}

QString TQMemoryIndexField::AsWideString(qint64 Index) const
{
    const TEntry& e = EntryAt(Index);
    return FIsText ? QString(reinterpret_cast<const QChar*>(e.Chars), e.Len) : QString::number(e.Int);
}

QByteArray TQMemoryIndexField::AsString(qint64 Index) const { return LocaleWideToAnsi(AsWideString(Index), FLocale); }

QVariant TQMemoryIndexField::AsVariant(qint64 Index) const
{
    if (!FIsText) return AsInteger(Index);
    if (FSrcType == dtString || FSrcType == dtMemo) return AsString(Index);
    return AsWideString(Index);
}

qint64 TQMemoryIndexField::IndexByValue(const QVariant& Value, TQLocateOptions Options) const
{
    const TEntry k = Prepare(Value);
    const TPos p = LowerBound([&](const TEntry& e) { return CompareKeys(k, e, Options) > 0; });
    if (p.Chunk >= FChunks.size() || p.Offset >= FChunks[p.Chunk]->Entries.size()) return -1;
    if (CompareKeys(k, FChunks[p.Chunk]->Entries[p.Offset], Options) != 0) return -1;
    return Starts()[p.Chunk] + qint64(p.Offset);
}

bool TQMemoryIndexField::FindFirstPos(TQIndexSearchParams& SP, qint32& ABookmark) const
{
    const TEntry k = Prepare(SP.SearchValue);
    const TPos p = LowerBound([&](const TEntry& e) { return CompareKeys(k, e, SP.Options) > 0; });
    SP.Chunk = size_t(-1);
    if (p.Chunk >= FChunks.size() || p.Offset >= FChunks[p.Chunk]->Entries.size()) return false;
    const TEntry& e = FChunks[p.Chunk]->Entries[p.Offset];
    if (CompareKeys(k, e, SP.Options) != 0) return false;
    SP.Chunk = p.Chunk, SP.Offset = p.Offset;
    ABookmark = e.Bm;
    return true;
}

bool TQMemoryIndexField::FindNextPos(TQIndexSearchParams& SP, qint32& ABookmark) const
{
    if (SP.Chunk >= FChunks.size()) return false;
    // Step on; a chunk that shrank or split since is left at its end.
    ++SP.Offset;
    while (SP.Chunk < FChunks.size() && SP.Offset >= FChunks[SP.Chunk]->Entries.size()) ++SP.Chunk, SP.Offset = 0;
    if (SP.Chunk >= FChunks.size()) return false;
    const TEntry& e = FChunks[SP.Chunk]->Entries[SP.Offset];
    if (CompareKeys(Prepare(SP.SearchValue), e, SP.Options) != 0) {
        SP.Chunk = size_t(-1);
        return false;
    }
    ABookmark = e.Bm;
    return true;
}

void TQMemoryIndexField::BeginGather(qint64 MaxEntries)
{
    FGathered.clear();
    // Gathered entries are older than anything the user's table adds during
    // the walk: their sequence numbers come before.
    FGatherSeq = FNextSeq;
    FNextSeq += quint32(std::min<qint64>(MaxEntries + 1, 0x40000000));
}

void TQMemoryIndexField::Gather(const QVariant& Value, qint32 ABookmark)
{
    if (ABookmark <= 0) return;
    TEntry e = Prepare(Value);
    e.Bm = ABookmark;
    e.Seq = FGatherSeq++;
    FGathered.push_back(e);
}

void TQMemoryIndexField::MergeGathered(const std::vector<bool>& Deleted)
{
    std::vector<TEntry> gathered = std::move(FGathered);
    FGathered = {};
    std::erase_if(gathered, [&](const TEntry& e) {
        return Contains(e.Bm) || (size_t(e.Bm) < Deleted.size() && Deleted[size_t(e.Bm)]);
    });
    const auto before = [this](const TEntry& a, const TEntry& b) { return Before(a, b); };
    std::sort(gathered.begin(), gathered.end(), before);

    std::vector<TEntry> present;
    present.reserve(size_t(FCount));
    for (const auto& c : FChunks) present.insert(present.end(), c->Entries.begin(), c->Entries.end());
    std::vector<TEntry> all;
    all.reserve(present.size() + gathered.size());
    std::merge(present.begin(), present.end(), gathered.begin(), gathered.end(), std::back_inserter(all), before);

    FChunks.clear();
    FLast.clear();
    for (size_t start = 0; start < all.size(); start += kChunk) {
        auto chunk = std::make_unique<TChunk>();
        chunk->Entries.assign(all.begin() + qsizetype(start),
                              all.begin() + qsizetype(std::min(all.size(), start + kChunk)));
        for (const TEntry& e : chunk->Entries) {
            if (size_t(e.Bm) >= FChunkOf.size()) FChunkOf.resize(size_t(e.Bm) + 1);
            FChunkOf[size_t(e.Bm)] = chunk.get();
        }
        FLast.push_back(chunk->Entries.back());
        FChunks.push_back(std::move(chunk));
    }
    FCount = qint64(all.size());
    FStartsValid = false;
}

// ---------------------------------------------------------------- TQMemoryIndex

TQMemoryIndex::~TQMemoryIndex() = default;

std::mutex& TQMemoryIndex::Lock()
{
    static std::mutex lock;
    return lock;
}

bool TQMemoryIndex::CanIndex(TQDataType Type)
{
    switch (Type) {
    case dtString:
    case dtWideString:
    case dtMemo:
    case dtWideMemo:
    case dtSmallint:
    case dtInteger:
    case dtAutoInc:
        return true;
    default:
        return false;
    }
}

TQMemoryIndexField* TQMemoryIndex::AddField(const TQField& Src)
{
    FFields.push_back(std::make_unique<TQMemoryIndexField>(Src, MaxStrLength, FDefaultOptions));
    return FFields.back().get();
}

TQMemoryIndexField* TQMemoryIndex::FieldByName(const QString& Name) const
{
    for (const auto& f : FFields)
        if (f->FieldName() == Name) return f.get();
    for (const auto& f : FFields)
        if (LocaleCompareText(UserDefaultLangID(), f->FieldName(), Name, false) == 0) return f.get();
    return nullptr;
}

std::vector<QVariant> TQMemoryIndex::KeysOf(TQTable& ATable, const std::vector<QString>& Texts) const
{
    // Read before taking the lock: reading a memo is file work. A wide memo
    // the fuzzy index read whole gives its key without a second read.
    std::vector<QVariant> keys;
    keys.reserve(FFields.size());
    for (const auto& f : FFields) {
        const TQField* src = ATable.Fields().FindByName(f->FieldName());
        const auto fuzzy =
            std::find_if(FFuzzy.begin(), FFuzzy.end(), [&](const auto& z) { return z->FieldName() == f->FieldName(); });
        if (src && src->DataType() == dtWideMemo && fuzzy != FFuzzy.end())
            keys.push_back(Texts[size_t(fuzzy - FFuzzy.begin())].left(f->KeySize()));
        else
            keys.push_back(src ? f->KeyOf(*src) : QVariant());
    }
    return keys;
}

void TQMemoryIndex::AddFuzzyField(const TQField& Src)
{
    FFuzzy.push_back(std::make_unique<TQFuzzyIndexField>(Src.FieldName(), Src.Locale()));
}

TQFuzzyIndexField* TQMemoryIndex::FuzzyField(const QString& Name) const
{
    for (const auto& f : FFuzzy)
        if (f->FieldName() == Name) return f.get();
    return nullptr;
}

std::vector<QString> TQMemoryIndex::FuzzyTextsOf(TQTable& ATable) const
{
    std::vector<QString> texts;
    texts.reserve(FFuzzy.size());
    for (const auto& f : FFuzzy) {
        const TQField* src = ATable.Fields().FindByName(f->FieldName());
        texts.push_back(src ? src->AsWideString() : QString());
    }
    return texts;
}

std::vector<TFuzzyHit> TQMemoryIndex::FindFuzzy(const QString& FieldName, const QString& Text, int Threshold,
                                                int MaxCount, const QString& RequiredField) const
{
    const TQFuzzyIndexField* field = FuzzyField(FieldName);
    const TQFuzzyIndexField* required = FuzzyField(RequiredField);
    if (!field || !required) return {};
    std::lock_guard guard(Lock());
    return field->Find(Text, Threshold, MaxCount, [&](qint32 Bm) { return required->HasText(Bm); });
}

qint64 TQMemoryIndex::FuzzyMemoryBytes() const
{
    std::lock_guard guard(Lock());
    qint64 bytes = 0;
    for (const auto& f : FFuzzy) bytes += f->MemoryBytes();
    return bytes;
}

void TQMemoryIndex::AddRecord(TQTable& ATable)
{
    const qint32 bm = ATable.Bookmark();
    const std::vector<QString> texts = FuzzyTextsOf(ATable);
    const std::vector<QVariant> keys = KeysOf(ATable, texts);
    std::lock_guard guard(Lock());
    for (size_t i = 0; i < FFields.size(); ++i) FFields[i]->AddValue(keys[i], bm);
    for (size_t i = 0; i < FFuzzy.size(); ++i) FFuzzy[i]->SetText(bm, texts[i]);
}

void TQMemoryIndex::BeginGather(qint64 MaxRecords)
{
    std::lock_guard guard(Lock());
    FGathering = true;
    FDeletedWhileGathering.clear();
    for (const auto& f : FFields) f->BeginGather(MaxRecords);
}

void TQMemoryIndex::GatherRecord(TQTable& ATable)
{
    const qint32 bm = ATable.Bookmark();
    const std::vector<QString> texts = FuzzyTextsOf(ATable);
    const std::vector<QVariant> keys = KeysOf(ATable, texts);
    for (size_t i = 0; i < FFields.size(); ++i) FFields[i]->Gather(keys[i], bm);
    if (FFuzzy.empty()) return;
    // The fuzzy index takes the record at once (a million gathered texts
    // would cost more memory than the index), unless the user's table
    // changed or deleted it meanwhile.
    std::lock_guard guard(Lock());
    if (bm <= 0 || (size_t(bm) < FDeletedWhileGathering.size() && FDeletedWhileGathering[size_t(bm)])) return;
    for (size_t i = 0; i < FFuzzy.size(); ++i)
        if (!FFuzzy[i]->Contains(bm)) FFuzzy[i]->SetText(bm, texts[i]);
}

void TQMemoryIndex::MergeGathered()
{
    std::lock_guard guard(Lock());
    for (const auto& f : FFields) f->MergeGathered(FDeletedWhileGathering);
    for (const auto& f : FFuzzy) f->Shrink();
    FGathering = false;
    FDeletedWhileGathering = {};
}

void TQMemoryIndex::UpdateRecord(TQTable& ATable)
{
    const qint32 bm = ATable.Bookmark();
    const std::vector<QString> texts = FuzzyTextsOf(ATable);
    const std::vector<QVariant> keys = KeysOf(ATable, texts);
    std::lock_guard guard(Lock());
    for (size_t i = 0; i < FFuzzy.size(); ++i) FFuzzy[i]->SetText(bm, texts[i]);
    for (size_t i = 0; i < FFields.size(); ++i) {
        // A record the builder has not reached yet is added now, so a value
        // it read before the change cannot win.
        if (FFields[i]->Contains(bm))
            FFields[i]->UpdateValue(bm, keys[i]);
        else
            FFields[i]->AddValue(keys[i], bm);
    }
}

void TQMemoryIndex::DeleteRecord(TQTable& ATable)
{
    const qint32 bm = ATable.Bookmark();
    std::lock_guard guard(Lock());
    if (FGathering && bm > 0) {
        // What the builder gathered of it is stale now.
        if (size_t(bm) >= FDeletedWhileGathering.size()) FDeletedWhileGathering.resize(size_t(bm) + 1);
        FDeletedWhileGathering[size_t(bm)] = true;
    }
    for (const auto& f : FFields) f->DeleteValue(bm);
    for (const auto& f : FFuzzy) f->Remove(bm);
}

qint32 TQMemoryIndex::FindFirst(const QString& FieldName, const QVariant& SearchValue, TQIndexSearchParams& SP,
                                TQLocateOptions Options)
{
    TQMemoryIndexField* f = FieldByName(FieldName);
    if (!f) throw EQBaseError(QStringLiteral("Can not find field \"%1\"").arg(FieldName));
    SP.Field = f;
    SP.SearchValue = SearchValue;
    SP.Options = Options;
    std::lock_guard guard(Lock());
    qint32 bm = 0;
    return f->FindFirstPos(SP, bm) ? bm : 0;
}

qint32 TQMemoryIndex::FindNext(TQIndexSearchParams& SP)
{
    if (!SP.Field) return 0;
    std::lock_guard guard(Lock());
    qint32 bm = 0;
    return SP.Field->FindNextPos(SP, bm) ? bm : 0;
}

// ---------------------------------------------------------------- TQMemIndexThread

namespace {
std::function<void(qint32)> gStepHook;
}

void TQMemIndexThread::SetStepHookForTesting(std::function<void(qint32)> Hook) { gStepHook = std::move(Hook); }

TQMemIndexThread::TQMemIndexThread(TQTable* ATable, TQMemoryIndex* AMemIndex)
    : FTable(ATable), FMemIndex(AMemIndex), FDatabaseName(ATable->DatabaseName()), FTableName(ATable->TableName())
{
    FThread = std::thread([this] { Run(); });
}

TQMemIndexThread::~TQMemIndexThread()
{
    Terminate();
    if (FThread.joinable()) FThread.join();
}

void TQMemIndexThread::Run()
{
    bool ok = false;
    try {
        TQTable copy;
        copy.SetDatabaseName(FDatabaseName);
        copy.SetTableName(FTableName);
        copy.SetReadOnly(true);
        if (copy.TableExists()) {
            {
                std::lock_guard walk(FWalkLock);
                copy.Open();
                copy.SetReadCache(true);
                FCurrent = copy.Eof() ? 0 : copy.Bookmark();
            }
            FMemIndex->BeginGather(copy.TotalRecCount());
            qint64 steps = 0;
            while (!FTerminated) {
                if (gStepHook) gStepHook(FCurrent);
                std::lock_guard walk(FWalkLock);
                if (copy.Eof() || copy.Bookmark() == 0) break;
                try {
                    FMemIndex->GatherRecord(copy);
                } catch (const EQBaseError&) {
                    // The user's table may have been rewriting this record's
                    // memo while we read it; read once more from fresh headers.
                    copy.Refresh();
                    FMemIndex->GatherRecord(copy);
                }
                copy.SafeNext();
                FCurrent = copy.Eof() ? 0 : copy.Bookmark();
                FPosition.fetch_add(1, std::memory_order_relaxed);
                // A live chain longer than the table has records runs in a circle.
                if (++steps > qint64(copy.TotalRecCount())) throw EQBaseError(QStringLiteral("Wrong record number"));
            }
            FCurrent = 0;
            copy.Close();
            if (!FTerminated) FMemIndex->MergeGathered();
        }
        ok = !FTerminated;
    } catch (const EQBaseError& e) {
        FError = e.Message(); // the index stays unusable; searches scan the chain
    } catch (...) {
        FError = UiString(usIndexNotBuilt);
    }
    FCurrent = 0;
    FSucceeded.store(ok, std::memory_order_release);
    FFinished.store(true, std::memory_order_release);
}
