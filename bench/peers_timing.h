// Timing of the side-by-side benchmarks: process CPU time, codes taken in
// turns, medians; and the relative error of a computed solution.
#ifndef PEERS_TIMING_H
#define PEERS_TIMING_H

#include <time.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

inline double cpu_seconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + 1e-9 * ts.tv_nsec;
}

// Median times in seconds of several codes, each run preceded by its
// `prepare` (untimed). By default process CPU time: single-threaded codes,
// and it stays meaningful on a machine busy with other work; threaded codes
// pass a wall clock. The codes are taken
// in turns, one run of each per round, so that a slow spell of the machine
// falls on all of them alike.
struct timed {
  std::function<void()> prepare, run;
};

inline std::vector<double> median_times(int runs, const std::vector<timed>& codes,
                                        double (*clock)() = cpu_seconds) {
  std::vector<std::vector<double>> t(codes.size());
  for (int r = 0; r < runs; ++r)
    for (std::size_t c = 0; c < codes.size(); ++c) {
      codes[c].prepare();
      double const t0 = clock();
      codes[c].run();
      t[c].push_back(clock() - t0);
    }
  std::vector<double> med;
  for (std::vector<double>& tc : t) {
    std::sort(tc.begin(), tc.end());
    med.push_back(tc[tc.size() / 2]);
  }
  return med;
}

// |x - xs| / |xs| in the 2-norm.
inline double rel_residual(const std::vector<double>& x, const std::vector<double>& xs) {
  double num = 0, den = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    num += (x[i] - xs[i]) * (x[i] - xs[i]);
    den += xs[i] * xs[i];
  }
  return std::sqrt(num / den);
}

#endif
