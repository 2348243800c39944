#pragma once

// Timing for the benchmarks that draw: the median and the worst of many runs of one piece of work.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace bench {

struct Figures {
    double median = 0;
    double worst = 0;
};

// Milliseconds one call of `work` takes.
inline double timeOnce(const std::function<void()>& work) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The median and the worst of some times.
inline Figures figuresOf(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

// Milliseconds per call of `work` over `count` calls: the median and the worst.
inline Figures measure(int count, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i)
        times.push_back(timeOnce(work));
    return figuresOf(std::move(times));
}

inline void report(const char* what, Figures f) {
    std::printf("%-58s median %7.3f ms   worst %7.3f ms\n", what, f.median, f.worst);
}

} // namespace bench
