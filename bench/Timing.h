#pragma once

// Timing for the benchmarks that draw: the median and the worst of many runs of one piece of work.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

struct Figures {
    double median = 0;
    double worst = 0;
};

// Milliseconds per call of `work` over `count` calls: the median and the worst.
inline Figures measure(int count, const std::function<void()>& work) {
    using Clock = std::chrono::steady_clock;
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

inline void report(const char* what, Figures f) {
    std::printf("%-58s median %7.3f ms   worst %7.3f ms\n", what, f.median, f.worst);
}

} // namespace bench
