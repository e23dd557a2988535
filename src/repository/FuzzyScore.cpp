#include "repository/FuzzyScore.h"

#include "repository/QField.h"
#include "repository/SmartCore.h"

#include <cmath>

namespace {

bool WordOfItsOwn(char32_t C)
{
    switch (QChar::script(C)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Thai:
        return true;
    default:
        return false;
    }
}

bool InWord(char32_t C) { return QChar::isLetterOrNumber(C) || QChar::isMark(C); }

// Levenshtein distance of two words, or Limit + 1 once it must exceed Limit.
int CharDistance(QStringView A, QStringView B, int Limit)
{
    if (std::abs(A.size() - B.size()) > Limit) return Limit + 1;
    std::vector<int> row(size_t(B.size()) + 1);
    for (qsizetype j = 0; j <= B.size(); ++j) row[size_t(j)] = int(j);
    for (qsizetype i = 1; i <= A.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        int rowMin = row[0];
        for (qsizetype j = 1; j <= B.size(); ++j) {
            const int up = row[size_t(j)];
            row[size_t(j)] = std::min({up + 1, row[size_t(j) - 1] + 1, diagonal + (A[i - 1] == B[j - 1] ? 0 : 1)});
            diagonal = up;
            rowMin = std::min(rowMin, row[size_t(j)]);
        }
        if (rowMin > Limit) return Limit + 1;
    }
    return row[size_t(B.size())];
}

} // namespace

QStringList FuzzyWords(const QString& Text)
{
    const QString folded = RemoveAmpersands(GetCoreText(Text)).toCaseFolded();
    QStringList words;
    qsizetype start = -1; // of the word being read
    const auto flush = [&](qsizetype End) {
        if (start >= 0) words << folded.mid(start, End - start);
        start = -1;
    };
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const bool pair = folded[i].isHighSurrogate() && i + 1 < folded.size() && folded[i + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(folded[i], folded[i + 1]) : folded[i].unicode();
        if (WordOfItsOwn(c)) {
            flush(i);
            words << folded.mid(i, pair ? 2 : 1);
        } else if (InWord(c)) {
            if (start < 0) start = i;
        } else {
            flush(i);
        }
        i += pair ? 1 : 0;
    }
    flush(folded.size());
    return words;
}

double FuzzySubstitutionCost(const QString& A, const QString& B)
{
    if (A == B) return 0;
    const qsizetype longer = std::max(A.size(), B.size());
    const double weight = FuzzyWordWeight(longer);
    const int limit = int(longer / 3);
    if (limit == 0 || longer > FuzzyMaxAlikeLength) return weight;
    const int distance = CharDistance(A, B, limit);
    return distance > limit ? weight : weight * distance / double(longer);
}

int FuzzyScoreOf(double Distance, int WeightA, int WeightB)
{
    const int larger = std::max(WeightA, WeightB);
    if (WeightA == 0 || WeightB == 0) return 0;
    // A little slack so that a distance summed from fractions does not lose a
    // point it should not.
    return std::clamp(int(std::floor(100.0 * (1.0 - Distance / larger) + 1e-9)), 0, 100);
}

int FuzzyScoreWords(const QStringList& A, const QStringList& B)
{
    int weightA = 0, weightB = 0;
    for (const QString& w : A) weightA += FuzzyWordWeight(w.size());
    for (const QString& w : B) weightB += FuzzyWordWeight(w.size());
    const double distance = FuzzyWordDistance(
        int(A.size()), int(B.size()), [&](int i) { return FuzzyWordWeight(A[i].size()); },
        [&](int j) { return FuzzyWordWeight(B[j].size()); },
        [&](int i, int j) { return FuzzySubstitutionCost(A[i], B[j]); });
    return FuzzyScoreOf(distance, weightA, weightB);
}

int FuzzyScore(const QString& A, const QString& B) { return FuzzyScoreWords(FuzzyWords(A), FuzzyWords(B)); }
