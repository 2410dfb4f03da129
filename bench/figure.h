// One line per headline figure, for scripts/bench.sh to gather into its
// table next to each program's own report:
//   figure|what|unit|ours|baseline|target
// With a baseline (measured in the same run) the target limits the ratio
// ours/baseline; without one (baseline 0) it limits ours itself. A target
// of 0 means none was set.
#pragma once

#include <cstdio>

inline void PrintFigure(const char* what, const char* unit, double ours, double baseline, double target)
{
    std::printf("figure|%s|%s|%.2f|%.2f|%.2f\n", what, unit, ours, baseline, target);
    std::fflush(stdout);
}
