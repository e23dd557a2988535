#include "repository/QMemoryIndex.h"

#include "repository/QTable.h"
#include "storage/Locales.h"

#include <algorithm>

namespace {
constexpr size_t kChunk = 512; // a chunk splits when it holds twice this

template <class T> int Sign(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }
} // namespace

// ---------------------------------------------------------------- TQMemoryIndexField

TQMemoryIndexField::TQMemoryIndexField(const TQField& Src, int MaxStrLength, TQLocateOptions DefaultOptions)
    : FFieldName(Src.FieldName()), FLocale(Src.Locale()), FSrcType(Src.DataType()),
      // A partial-key order is no order at all ("a" equals both "ab" and "ac").
      FSortOptions(DefaultOptions & ~TQLocateOptions(qloPartialKey))
{
    switch (FSrcType) {
    case dtString:
    case dtWideString:
        FIsText = true, FKeySize = std::clamp(std::min(MaxStrLength, Src.Size()), 0, 255);
        break;
    case dtMemo:
    case dtWideMemo:
        FIsText = true, FKeySize = std::clamp(MaxStrLength, 0, 255);
        break;
    case dtSmallint:
    case dtInteger:
    case dtAutoInc:
        break;
    default:
        throw EQBaseError(QStringLiteral("Type %1 is not allowed for index field").arg(int(FSrcType)));
    }
}

TQMemoryIndexField::TKey TQMemoryIndexField::Prepare(const QVariant& Value) const
{
    TKey k;
    if (FIsText)
        k.Text = TextCompareForm(FLocale, Value).left(FKeySize);
    else
        k.Int = Value.toInt();
    return k;
}

QVariant TQMemoryIndexField::KeyOf(const TQField& Field) const
{
    if (FIsText) return Field.KeyText(FKeySize);
    return Field.AsVariant().toInt();
}

QString TQMemoryIndexField::TextOf(qint32 Bm) const
{
    return QString::fromRawData(reinterpret_cast<const QChar*>(FChars.data() + size_t(Bm) * size_t(FKeySize)),
                                FLens[size_t(Bm)]);
}

int TQMemoryIndexField::CompareKey(const TKey& K, qint32 Bm, TQLocateOptions Options) const
{
    if (FIsText) return CompareTextForms(FLocale, K.Text, TextOf(Bm), Options, FKeySize);
    return Sign(K.Int, FInts[size_t(Bm)]);
}

int TQMemoryIndexField::CompareEntries(qint32 A, qint32 B) const
{
    TKey a;
    if (FIsText)
        a.Text = TextOf(A);
    else
        a.Int = FInts[size_t(A)];
    const int c = CompareKey(a, B, FSortOptions);
    if (c != 0) return c;
    return Sign(FSeqs[size_t(B)], FSeqs[size_t(A)]); // the newer entry first
}

template <class Less> TQMemoryIndexField::TPos TQMemoryIndexField::LowerBound(Less IsBefore) const
{
    if (FChunks.empty()) return {};
    // The first chunk whose last entry is not before the target.
    size_t lo = 0, hi = FChunks.size();
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (IsBefore(FChunks[mid].back()))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == FChunks.size()) return {lo - 1, FChunks[lo - 1].size()};
    const auto& c = FChunks[lo];
    return {lo, size_t(std::partition_point(c.begin(), c.end(), IsBefore) - c.begin())};
}

bool TQMemoryIndexField::Contains(qint32 ABookmark) const
{
    return ABookmark > 0 && size_t(ABookmark) < FSeqs.size() && FSeqs[size_t(ABookmark)] != 0;
}

void TQMemoryIndexField::Store(qint32 Bm, const TKey& K)
{
    const size_t b = size_t(Bm);
    if (b >= FSeqs.size()) {
        const size_t n = std::max(b + 1, FSeqs.size() * 3 / 2);
        FSeqs.resize(n);
        if (FIsText) {
            FLens.resize(n);
            FChars.resize(n * size_t(FKeySize));
        } else {
            FInts.resize(n);
        }
    }
    if (FIsText) {
        const qsizetype len = std::min<qsizetype>(K.Text.size(), FKeySize);
        std::copy_n(reinterpret_cast<const char16_t*>(K.Text.utf16()), len, FChars.begin() + b * size_t(FKeySize));
        FLens[b] = quint8(len);
    } else {
        FInts[b] = K.Int;
    }
    FSeqs[b] = FNextSeq++;
}

void TQMemoryIndexField::Insert(qint32 Bm)
{
    const TPos p = LowerBound([&](qint32 e) { return CompareEntries(e, Bm) < 0; });
    if (FChunks.empty()) FChunks.emplace_back();
    auto& c = FChunks[p.Chunk];
    c.insert(c.begin() + qsizetype(p.Offset), Bm);
    if (c.size() >= 2 * kChunk) {
        std::vector<qint32> tail(c.begin() + kChunk, c.end());
        c.resize(kChunk);
        FChunks.insert(FChunks.begin() + qsizetype(p.Chunk) + 1, std::move(tail));
    }
    ++FCount;
    FStartsValid = false;
}

TQMemoryIndexField::TPos TQMemoryIndexField::Find(qint32 Bm) const
{
    const TPos p = LowerBound([&](qint32 e) { return CompareEntries(e, Bm) < 0; });
    if (p.Chunk < FChunks.size() && p.Offset < FChunks[p.Chunk].size() && FChunks[p.Chunk][p.Offset] == Bm) return p;
    return {FChunks.size(), 0};
}

void TQMemoryIndexField::Remove(qint32 Bm)
{
    const TPos p = Find(Bm);
    if (p.Chunk >= FChunks.size()) return;
    auto& c = FChunks[p.Chunk];
    c.erase(c.begin() + qsizetype(p.Offset));
    if (c.empty()) FChunks.erase(FChunks.begin() + qsizetype(p.Chunk));
    --FCount;
    FStartsValid = false;
}

void TQMemoryIndexField::AddValue(const QVariant& Value, qint32 ABookmark)
{
    if (ABookmark <= 0) return;
    if (Contains(ABookmark)) Remove(ABookmark);
    Store(ABookmark, Prepare(Value));
    Insert(ABookmark);
}

void TQMemoryIndexField::UpdateValue(qint32 ABookmark, const QVariant& NewValue)
{
    if (!Contains(ABookmark)) return;
    const TKey k = Prepare(NewValue);
    if (CompareKey(k, ABookmark, FSortOptions) == 0) return; // same key: the entry stays where it is
    Remove(ABookmark);
    Store(ABookmark, k);
    Insert(ABookmark);
}

void TQMemoryIndexField::DeleteValue(qint32 ABookmark)
{
    if (!Contains(ABookmark)) return;
    Remove(ABookmark);
    FSeqs[size_t(ABookmark)] = 0;
}

void TQMemoryIndexField::Delete(qint64 Index) { DeleteValue(Bookmark(Index)); }

const std::vector<qint64>& TQMemoryIndexField::Starts() const
{
    if (!FStartsValid) {
        FStarts.resize(FChunks.size());
        qint64 pos = 0;
        for (size_t i = 0; i < FChunks.size(); ++i) FStarts[i] = pos, pos += qint64(FChunks[i].size());
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

qint32 TQMemoryIndexField::Bookmark(qint64 Index) const
{
    const TPos p = At(Index);
    return FChunks[p.Chunk][p.Offset];
}

qint32 TQMemoryIndexField::AsInteger(qint64 Index) const
{
    return FIsText ? AsWideString(Index).toInt() : FInts[size_t(Bookmark(Index))];
}

QString TQMemoryIndexField::AsWideString(qint64 Index) const
{
    const qint32 bm = Bookmark(Index);
    return FIsText ? QString(TextOf(bm).data(), FLens[size_t(bm)]) : QString::number(FInts[size_t(bm)]);
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
    const TKey k = Prepare(Value);
    const TPos p = LowerBound([&](qint32 e) { return CompareKey(k, e, Options) > 0; });
    if (p.Chunk >= FChunks.size() || p.Offset >= FChunks[p.Chunk].size()) return -1;
    if (CompareKey(k, FChunks[p.Chunk][p.Offset], Options) != 0) return -1;
    return Starts()[p.Chunk] + qint64(p.Offset);
}

bool TQMemoryIndexField::Matches(qint64 Index, const QVariant& Value, TQLocateOptions Options) const
{
    return CompareKey(Prepare(Value), Bookmark(Index), Options) == 0;
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

std::vector<QVariant> TQMemoryIndex::KeysOf(TQTable& ATable) const
{
    // Read before taking the lock: reading a memo is file work.
    std::vector<QVariant> keys;
    keys.reserve(FFields.size());
    for (const auto& f : FFields) {
        const TQField* src = ATable.Fields().FindByName(f->FieldName());
        keys.push_back(src ? f->KeyOf(*src) : QVariant());
    }
    return keys;
}

void TQMemoryIndex::AddRecord(TQTable& ATable)
{
    const qint32 bm = ATable.Bookmark();
    const std::vector<QVariant> keys = KeysOf(ATable);
    std::lock_guard guard(Lock());
    for (size_t i = 0; i < FFields.size(); ++i) FFields[i]->AddValue(keys[i], bm);
}

void TQMemoryIndex::AddRecordIfAbsent(TQTable& ATable, const std::atomic<bool>& Stop)
{
    const qint32 bm = ATable.Bookmark();
    const std::vector<QVariant> keys = KeysOf(ATable);
    std::lock_guard guard(Lock());
    if (Stop) return;
    for (size_t i = 0; i < FFields.size(); ++i)
        if (!FFields[i]->Contains(bm)) FFields[i]->AddValue(keys[i], bm);
}

void TQMemoryIndex::UpdateRecord(TQTable& ATable)
{
    const qint32 bm = ATable.Bookmark();
    const std::vector<QVariant> keys = KeysOf(ATable);
    std::lock_guard guard(Lock());
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
    for (const auto& f : FFields) f->DeleteValue(bm);
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
    SP.LastIndex = f->IndexByValue(SearchValue, Options);
    return SP.LastIndex < 0 ? 0 : f->Bookmark(SP.LastIndex);
}

qint32 TQMemoryIndex::FindNext(TQIndexSearchParams& SP)
{
    if (!SP.Field || SP.LastIndex < 0) return 0;
    std::lock_guard guard(Lock());
    if (SP.LastIndex + 1 >= SP.Field->Count()) return 0;
    ++SP.LastIndex;
    return SP.Field->Matches(SP.LastIndex, SP.SearchValue, SP.Options) ? SP.Field->Bookmark(SP.LastIndex) : 0;
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
                FCurrent = copy.Eof() ? 0 : copy.Bookmark();
            }
            qint64 steps = 0;
            while (!FTerminated) {
                if (gStepHook) gStepHook(FCurrent);
                std::lock_guard walk(FWalkLock);
                if (copy.Eof() || copy.Bookmark() == 0) break;
                try {
                    FMemIndex->AddRecordIfAbsent(copy, FTerminated);
                } catch (const EQBaseError&) {
                    // The user's table may have been rewriting this record's
                    // memo while we read it; read once more from fresh headers.
                    copy.Refresh();
                    FMemIndex->AddRecordIfAbsent(copy, FTerminated);
                }
                copy.SafeNext();
                FCurrent = copy.Eof() ? 0 : copy.Bookmark();
                FPosition.fetch_add(1, std::memory_order_relaxed);
                // A live chain longer than the table has records runs in a circle.
                if (++steps > qint64(copy.TotalRecCount())) throw EQBaseError(QStringLiteral("Wrong record number"));
            }
            FCurrent = 0;
            copy.Close();
        }
        ok = !FTerminated;
    } catch (...) {
        ok = false; // the index stays unusable; searches scan the chain
    }
    FCurrent = 0;
    FSucceeded.store(ok, std::memory_order_release);
    FFinished.store(true, std::memory_order_release);
}
