// Wall-clock timing shared by the benchmarks.
#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

// Milliseconds that one call of work takes.
template <typename Work>
double timed_ms(Work work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

inline double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The median of runs calls of work, in milliseconds.
template <typename Work>
double median_ms(int runs, Work work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(timed_ms(work));
    return median(std::move(times));
}
