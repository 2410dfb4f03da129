// What every benchmark program shares: a clock, the message pump, best-of
// timing and the one line per headline figure that scripts/bench.sh gathers.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>

// Seconds, from the performance counter.
inline double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

// Dispatches whatever is queued for this thread.
inline void Pump()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// The fastest of `runs` timed calls of `f`, in seconds.
template <typename F>
double Best(int runs, F f)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double t0 = Now();
        f();
        best = std::min(best, Now() - t0);
    }
    return best;
}

// The same for window work: one unmeasured run first, and the queue emptied
// after each run, so every measured run meets the same state.
template <typename F>
double BestPumped(int runs, F f)
{
    f();
    Pump();
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const double t0 = Now();
        f();
        best = std::min(best, Now() - t0);
        Pump();
    }
    return best;
}

// One headline figure:
//   figure|what|unit|ours|baseline|target
// With a baseline (measured in the same run) the target limits the ratio
// ours/baseline; without one (baseline 0) it limits ours itself. A target
// of 0 means none was set.
inline void PrintFigure(const char* what, const char* unit, double ours, double baseline, double target)
{
    std::printf("figure|%s|%s|%.2f|%.2f|%.2f\n", what, unit, ours, baseline, target);
    std::fflush(stdout);
}
