#include "repository/FuzzyIndex.h"

#include "repository/FuzzyScore.h"

#include <algorithm>
#include <cmath>

namespace {

// The distinct character bigrams of a word between two boundary marks. Each
// edit loses at most two of them, and two words alike (distance k at most a
// third of the longer, length L) share at least L + 1 - 2k >= 1, so looking
// up the bigrams misses none.
std::vector<quint32> Bigrams(const QString& Word)
{
    std::vector<quint32> grams;
    grams.reserve(size_t(Word.size()) + 1);
    char16_t last = 2;
    for (const QChar c : Word) {
        grams.push_back(quint32(last) << 16 | c.unicode());
        last = c.unicode();
    }
    grams.push_back(quint32(last) << 16 | 3);
    std::sort(grams.begin(), grams.end());
    grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
    return grams;
}

bool LengthsMayBeAlike(qsizetype A, qsizetype B)
{
    const qsizetype longer = std::max(A, B);
    return longer >= 3 && std::abs(A - B) <= longer / 3;
}

} // namespace

quint32 TQFuzzyIndexField::WordId(const QString& Word)
{
    const auto it = FIds.constFind(Word);
    if (it != FIds.cend()) return *it;
    const quint32 id = quint32(FWords.size());
    FIds.insert(Word, id);
    FWords.push_back(Word);
    FWeights.push_back(quint8(FuzzyWordWeight(Word.size())));
    FPostings.emplace_back();
    for (quint32 g : Bigrams(Word)) FGrams[g].push_back(id);
    return id;
}

bool TQFuzzyIndexField::Contains(qint32 Bookmark) const
{
    return Bookmark > 0 && size_t(Bookmark) < FRecords.size() && FRecords[size_t(Bookmark)].State != 0;
}

bool TQFuzzyIndexField::HasText(qint32 Bookmark) const
{
    return Contains(Bookmark) && FRecords[size_t(Bookmark)].State >= 2;
}

void TQFuzzyIndexField::Forget(TRecord& R)
{
    if (R.State == 0) return;
    // Its posting entries go stale; the search skips them.
    std::vector<quint32> distinct(WordsOf(R), WordsOf(R) + R.Count);
    std::sort(distinct.begin(), distinct.end());
    const qint64 stale = std::unique(distinct.begin(), distinct.end()) - distinct.begin();
    FStalePostings += stale;
    FLivePostings -= stale;
    FDeadWords += R.Count;
    R = TRecord();
    --FCount;
}

void TQFuzzyIndexField::SetText(qint32 Bookmark, const QString& Text)
{
    if (Bookmark <= 0) return;
    if (size_t(Bookmark) >= FRecords.size()) FRecords.resize(std::max(size_t(Bookmark) + 1, FRecords.size() * 3 / 2));
    QStringList words = FuzzyWords(Text);
    if (words.size() > MaxWords) words.resize(MaxWords);
    std::vector<quint32> ids;
    ids.reserve(size_t(words.size()));
    int weight = 0;
    for (const QString& w : words) {
        ids.push_back(WordId(w));
        weight += FuzzyWordWeight(w.size());
    }
    TRecord& r = FRecords[size_t(Bookmark)];
    // A word the record had before is in the posting list already.
    std::vector<quint32> old(WordsOf(r), WordsOf(r) + r.Count);
    std::sort(old.begin(), old.end());
    Forget(r);
    std::vector<quint32> distinct = ids;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    for (quint32 id : distinct) {
        if (std::binary_search(old.begin(), old.end(), id)) {
            --FStalePostings; // the entry Forget counted stale is live again
        } else {
            FPostings[id].push_back(Bookmark);
        }
        ++FLivePostings;
    }
    r.Offset = quint32(FWordsOf.size());
    r.Count = quint8(ids.size());
    r.Weight = quint16(weight);
    r.State = !ids.empty() ? 3 : Text.isEmpty() ? 1 : 2;
    FWordsOf.insert(FWordsOf.end(), ids.begin(), ids.end());
    ++FCount;
    if (FStalePostings > FLivePostings + 1024 || FDeadWords > qint64(FWordsOf.size()) / 2 + 1024) Compact();
}

void TQFuzzyIndexField::Remove(qint32 Bookmark)
{
    if (!Contains(Bookmark)) return;
    Forget(FRecords[size_t(Bookmark)]);
    if (FStalePostings > FLivePostings + 1024 || FDeadWords > qint64(FWordsOf.size()) / 2 + 1024) Compact();
}

void TQFuzzyIndexField::Compact()
{
    std::vector<quint32> words;
    words.reserve(FWordsOf.size() - size_t(FDeadWords));
    for (auto& list : FPostings) list.clear();
    for (size_t bm = 0; bm < FRecords.size(); ++bm) {
        TRecord& r = FRecords[bm];
        if (r.State == 0) continue;
        const quint32 offset = quint32(words.size());
        words.insert(words.end(), WordsOf(r), WordsOf(r) + r.Count);
        r.Offset = offset;
        std::vector<quint32> distinct(words.begin() + offset, words.end());
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        for (quint32 id : distinct) FPostings[id].push_back(qint32(bm));
    }
    for (auto& list : FPostings) list.shrink_to_fit();
    FWordsOf = std::move(words);
    FDeadWords = 0;
    FStalePostings = 0;
}

std::vector<quint32> TQFuzzyIndexField::Variants(const QString& Word) const
{
    std::vector<quint32> found;
    const auto own = FIds.constFind(Word);
    if (own != FIds.cend()) found.push_back(*own);
    // No shorter word is alike, nor one of three letters; a very long word is
    // alike none (see FuzzySubstitutionCost).
    if (Word.size() < 2 || Word.size() > FuzzyMaxAlikeLength) return found;
    FShared.resize(FWords.size());
    std::vector<quint32> touched;
    const std::vector<quint32> grams = Bigrams(Word);
    for (quint32 g : grams) {
        const auto list = FGrams.constFind(g);
        if (list == FGrams.cend()) continue;
        for (quint32 id : *list) {
            if (FShared[id]++ == 0) touched.push_back(id);
        }
    }
    for (quint32 id : touched) {
        const QString& other = FWords[id];
        // Each edit loses at most two of the word's bigrams: a word too few
        // edits away must keep the others.
        const qsizetype edits = std::max(Word.size(), other.size()) / 3;
        if (id != (own != FIds.cend() ? *own : quint32(-1)) && LengthsMayBeAlike(Word.size(), other.size()) &&
            qsizetype(FShared[id]) >= qsizetype(grams.size()) - 2 * edits &&
            FuzzySubstitutionCost(Word, other) < FuzzyWordWeight(std::max(Word.size(), other.size())))
            found.push_back(id);
        FShared[id] = 0;
    }
    return found;
}

std::vector<TFuzzyHit> TQFuzzyIndexField::Find(const QString& Text, int Threshold, int MaxCount,
                                               const std::function<bool(qint32)>& Accept, int MaxScored) const
{
    QStringList words = FuzzyWords(Text);
    if (words.size() > MaxWords) words.resize(MaxWords);
    if (words.isEmpty() || MaxCount <= 0) return {};
    Threshold = std::clamp(Threshold, 1, 100);

    // The query's distinct words, each with the words alike in the index.
    std::vector<TQueryWord> query;
    std::vector<int> at; // query word of each position
    int weight = 0;
    for (const QString& w : words) {
        weight += FuzzyWordWeight(w.size());
        const auto same = std::find_if(query.begin(), query.end(), [&](const TQueryWord& q) { return q.Text == w; });
        if (same != query.end()) {
            ++same->Times;
            at.push_back(int(same - query.begin()));
            continue;
        }
        TQueryWord q;
        q.Text = w;
        q.Times = 1;
        q.Variants = Variants(w);
        for (quint32 id : q.Variants) q.Postings += qint64(FPostings[id].size());
        at.push_back(int(query.size()));
        query.push_back(std::move(q));
    }

    std::vector<int> queryWeight;
    for (const TQueryWord& q : query) queryWeight.push_back(FuzzyWordWeight(q.Text.size()));

    // Each word an index word stands for gets a row of costs against the
    // query's words; a word without a row is alike none of them.
    if (++FSearch == 0) {
        std::fill(FSeen.begin(), FSeen.end(), 0);
        std::fill(FWordSeen.begin(), FWordSeen.end(), 0);
        FSearch = 1;
    }
    FSeen.resize(FRecords.size());
    FWordSeen.resize(FWords.size());
    FWordRow.resize(FWords.size());
    const size_t width = query.size();
    std::vector<double> rows;
    for (const TQueryWord& q : query) {
        for (quint32 id : q.Variants) {
            if (FWordSeen[id] == FSearch) continue;
            FWordSeen[id] = FSearch;
            FWordRow[id] = quint32(rows.size() / width);
            for (const TQueryWord& other : query) rows.push_back(FuzzySubstitutionCost(other.Text, FWords[id]));
        }
    }

    // The rarest words whose weight a match needs: a record with none of them
    // (nor a word alike) cannot reach the threshold.
    std::vector<int> order(query.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = int(i);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return query[size_t(a)].Postings < query[size_t(b)].Postings; });
    const double mayLose = weight * (1.0 - Threshold / 100.0);
    double needed = 0;
    size_t prefix = 0;
    while (prefix < order.size() && needed <= mayLose) {
        const TQueryWord& q = query[size_t(order[prefix++])];
        needed += q.Times * FuzzyWordWeight(q.Text.size());
    }

    const auto worse = [](const TFuzzyHit& a, const TFuzzyHit& b) {
        if (a.Similarity != b.Similarity) return a.Similarity < b.Similarity;
        return a.Bookmark < b.Bookmark; // a newer record first
    };
    std::vector<TFuzzyHit> best; // a heap: the worst hit on top
    int least = Threshold;
    int scored = 0;
    std::vector<double> costs;
    const auto scoring = [&] { return scored < MaxScored; };
    for (size_t k = 0; k < prefix && scoring(); ++k) {
        for (quint32 variant : query[size_t(order[k])].Variants) {
            if (!scoring()) break;
            for (qint32 bm : FPostings[variant]) {
                if (FSeen[size_t(bm)] == FSearch) continue;
                const TRecord& r = FRecords[size_t(bm)];
                if (r.State != 3) continue;
                if (FuzzyScoreBound(weight, r.Weight) < least) {
                    FSeen[size_t(bm)] = FSearch; // too long or too short whatever it holds
                    continue;
                }
                const quint32* own = WordsOf(r);
                if (std::find(own, own + r.Count, variant) == own + r.Count) continue; // a stale entry
                FSeen[size_t(bm)] = FSearch;
                // Only words like the query's gain anything, each at most its weight.
                int gain = 0;
                for (int j = 0; j < r.Count; ++j)
                    if (FWordSeen[own[j]] == FSearch) gain += FWeights[own[j]];
                const int larger = std::max<int>(weight, r.Weight);
                if (FuzzyScoreOf(larger - std::min(gain, weight), weight, r.Weight) < least) continue;
                if (Accept && !Accept(bm)) continue;
                if (!scoring()) break;
                ++scored;
                costs.assign(size_t(r.Count) * width, 0);
                for (int j = 0; j < r.Count; ++j) {
                    const quint32 id = own[j];
                    for (size_t i = 0; i < width; ++i)
                        costs[size_t(j) * width + i] = FWordSeen[id] == FSearch
                                                           ? rows[FWordRow[id] * width + i]
                                                           : double(std::max<int>(queryWeight[i], FWeights[id]));
                }
                const double distance = FuzzyWordDistance(
                    int(at.size()), r.Count, [&](int i) { return queryWeight[size_t(at[size_t(i)])]; },
                    [&](int j) { return int(FWeights[own[j]]); },
                    [&](int i, int j) { return costs[size_t(j) * width + size_t(at[size_t(i)])]; });
                const int score = FuzzyScoreOf(distance, weight, r.Weight);
                if (score < least) continue;
                best.push_back({bm, score, 1.0 - distance / larger});
                std::push_heap(best.begin(), best.end(),
                               [&](const TFuzzyHit& a, const TFuzzyHit& b) { return worse(b, a); });
                if (int(best.size()) > MaxCount) {
                    std::pop_heap(best.begin(), best.end(),
                                  [&](const TFuzzyHit& a, const TFuzzyHit& b) { return worse(b, a); });
                    best.pop_back();
                }
                if (int(best.size()) == MaxCount) least = std::max(least, best.front().Score);
            }
        }
    }
    std::sort(best.begin(), best.end(), [&](const TFuzzyHit& a, const TFuzzyHit& b) { return worse(b, a); });
    return best;
}

void TQFuzzyIndexField::Shrink()
{
    for (auto& list : FPostings) list.shrink_to_fit();
    FWordsOf.shrink_to_fit();
    FRecords.shrink_to_fit();
}

qint64 TQFuzzyIndexField::MemoryBytes() const
{
    qint64 bytes = qint64(FRecords.capacity() * sizeof(TRecord) + FWordsOf.capacity() * sizeof(quint32));
    for (const auto& list : FPostings) bytes += qint64(sizeof(list) + list.capacity() * sizeof(qint32));
    for (const QString& w : FWords) bytes += qint64(sizeof(QString)) + 32 + w.size() * 2 + 1; // string, header, weight
    bytes += qint64(FIds.size()) * 48;                                                        // hash nodes
    for (const auto& list : FGrams) bytes += qint64(sizeof(list) + 16 + list.capacity() * sizeof(quint32));
    bytes +=
        qint64((FSeen.capacity() + FWordSeen.capacity() + FWordRow.capacity()) * sizeof(quint32) + FShared.capacity());
    return bytes;
}
