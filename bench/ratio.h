// Timing helpers for the benchmark programs: the median of several runs, and a ratio line
// against a reference measured in the same run, so that the figures hold on any machine.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace vexo::bench {

inline double Seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename Work>
double MedianSeconds(int runs, Work&& work) {
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        seconds.push_back(took.count());
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}

inline void PrintRatio(const char* what, double seconds, const char* reference,
                       double referenceSeconds) {
    std::printf("%-40s %10.3f ms  %6.2fx %s\n", what, seconds * 1e3, seconds / referenceSeconds,
                reference);
}

}  // namespace vexo::bench
