#pragma once

// Timing helpers of the benchmarks: wall-clock milliseconds of a piece of work.

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

// Milliseconds of one run of Work.
template <class Fn> double TimeMs(Fn&& Work)
{
    QElapsedTimer t;
    t.start();
    Work();
    return double(t.nsecsElapsed()) / 1e6;
}

// The fastest of Repeats runs: the figure least disturbed by other load.
template <class Fn> double BestMs(int Repeats, Fn&& Work)
{
    double best = 1e300;
    for (int r = 0; r < Repeats; ++r) best = std::min(best, TimeMs(Work));
    return best;
}

// The median of Runs runs.
template <class Fn> double MedianMs(int Runs, Fn&& Work)
{
    std::vector<double> times;
    for (int r = 0; r < Runs; ++r) times.push_back(TimeMs(Work));
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
