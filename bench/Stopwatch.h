#pragma once

#include <chrono>
#include <utility>

// The seconds a step takes on the steady clock: the benchmarks' one stopwatch.
template <typename Step>
double secondsOf(Step&& step)
{
    const auto start = std::chrono::steady_clock::now();
    std::forward<Step>(step)();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
