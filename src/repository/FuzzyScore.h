#pragma once

// How alike two texts are for a translator, 0 to 100: an edit distance over
// words. Texts are compared by their core (without "&", "...", ":" and format
// specifiers around it) and without accelerators, so "&Open project..." and
// "Open project" are the same text.
//
// Each word weighs its length up to four characters: adding or dropping a
// short word ("a", "of") costs less than a long one. Putting one word in
// place of another costs the larger weight, unless the two are alike (their
// character edit distance is at most a third of the longer one, as "file"
// and "files"): then that weight times distance / length. Two neighbouring
// words swapped cost the larger weight of the two. The score is
// 100 * (1 - distance / larger total weight), rounded down, so only texts
// with the same words score 100; a text without words matches nothing.

#include <QString>
#include <QStringList>

#include <algorithm>
#include <vector>

// The words Text is compared by: its core without accelerators, case folded,
// split at every character that is neither letter, mark nor digit. An
// ideograph, a kana or a Thai letter is a word of its own: those scripts write
// no spaces between words.
QStringList FuzzyWords(const QString& Text);

// A word's weight: its length, at most 4.
inline int FuzzyWordWeight(qsizetype Length) { return int(std::min<qsizetype>(Length, 4)); }

// Words longer than this are alike no other word: such "words" are codes or
// file names, and comparing them would cost their length squared.
constexpr qsizetype FuzzyMaxAlikeLength = 64;

// The cost of word B in place of word A (both case folded): 0 when equal.
double FuzzySubstitutionCost(const QString& A, const QString& B);

// The score of a distance between texts of total weights WeightA and WeightB.
int FuzzyScoreOf(double Distance, int WeightA, int WeightB);
// The smallest score a text of weight WeightA can reach with a text of weight
// WeightB: the distance is at least the difference of the weights.
inline int FuzzyScoreBound(int WeightA, int WeightB)
{
    return FuzzyScoreOf(std::abs(WeightA - WeightB), WeightA, WeightB);
}

// The word edit distance between N words and M words, given their weights
// (WeightA(i), WeightB(j)) and substitution costs (Cost(i, j), 0 for the same
// word). Optimal string alignment: a word takes part in one swap at most.
template <class WeightAFn, class WeightBFn, class CostFn>
double FuzzyWordDistance(int N, int M, WeightAFn WeightA, WeightBFn WeightB, CostFn Cost)
{
    // Three rows of the table (two back for the swap), kept for the next call:
    // an index search computes thousands of distances.
    thread_local std::vector<double> prev2, prev, cur;
    prev2.assign(size_t(M) + 1, 0), prev.assign(size_t(M) + 1, 0), cur.assign(size_t(M) + 1, 0);
    prev[0] = 0;
    for (int j = 1; j <= M; ++j) prev[size_t(j)] = prev[size_t(j) - 1] + WeightB(j - 1);
    for (int i = 1; i <= N; ++i) {
        const double wa = WeightA(i - 1);
        cur[0] = prev[0] + wa;
        for (int j = 1; j <= M; ++j) {
            const double c = Cost(i - 1, j - 1);
            double best =
                std::min({prev[size_t(j)] + wa, cur[size_t(j) - 1] + WeightB(j - 1), prev[size_t(j) - 1] + c});
            // A[i-2] A[i-1] against B[j-1] B[j-2]: the same two words swapped.
            if (i > 1 && j > 1 && c != 0 && Cost(i - 1, j - 2) == 0 && Cost(i - 2, j - 1) == 0)
                best = std::min(best, prev2[size_t(j) - 2] + std::max(wa, double(WeightA(i - 2))));
            cur[size_t(j)] = best;
        }
        std::swap(prev2, prev);
        std::swap(prev, cur);
    }
    return prev[size_t(M)];
}

// The score of two word lists (as FuzzyWords gives them).
int FuzzyScoreWords(const QStringList& A, const QStringList& B);
// The score of two texts.
int FuzzyScore(const QString& A, const QString& B);
