// Timing for the benchmarks: runs a step many times and reports the median
// and the fastest run in milliseconds. Header only (benchmarks link no test
// support library).
#pragma once
#include <windows.h>

#include <algorithm>
#include <vector>

inline double BenchNow() {
  static const LARGE_INTEGER f = [] {
    LARGE_INTEGER x;
    QueryPerformanceFrequency(&x);
    return x;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return double(t.QuadPart) / double(f.QuadPart);
}

struct TStats {
  double Median, Min;
};

template <typename F>
TStats Measure(int Runs, F&& Run) {
  std::vector<double> t;
  for (int i = 0; i < Runs; ++i) {
    const double t0 = BenchNow();
    Run();
    t.push_back(BenchNow() - t0);
  }
  std::sort(t.begin(), t.end());
  return {t[t.size() / 2] * 1000, t.front() * 1000};
}
