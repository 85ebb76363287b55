// Groups of lines of the profile factorizations and solves on a team of
// threads, one group after another in a pipeline; one thread is the plain
// sequence.
//
// A group's entries in the columns j below its first line i0 are sums over
// the final lines before j only: the group may take them while the groups
// before it are still at work, as far as their lines are final. The
// threads take the groups in order, one after another (team.h: a crew);
// before each range of columns a thread waits until the lines of the
// range are final (a counter of final lines, set after each group's
// write-back, release and acquire). Its own columns, the pivots and the
// write-back come once every line before i0 is final, so that groups
// finish, and write to the matrix, in order.
//
// Every entry is computed by exactly the operations of the sequential
// sweep: column ranges cut anywhere give the bits of the whole range. A
// failing pivot stops the pipeline: its group writes back up to the
// failing line as the sequential sweep does; later groups have written
// nothing (they wait for the failing group's lines) and stop.
//
// Cost of the synchronisation, per group: one group taken (an atomic add
// on a line the other threads write too), a look at the counter per range
// of columns and one change of it: some 0.3 to 0.5 microseconds between
// cores, against a group's R d^2 / 2 multiply-adds on a profile of width
// d (18 microseconds for R = 8, d = 300 on this machine). A group can do
// all but its last R columns while the group before it finishes; what
// remains after that (those columns, its own triangle and pivots, about
// 1.5 R / d of its work, 0.7 microseconds) plus the hand-over is the step
// of the pipeline: at d = 300 some 16 groups can be in flight, at d = 100
// about 4.
#ifndef KERNELS_SKY_PIPELINE_H
#define KERNELS_SKY_PIPELINE_H

#include <algorithm>
#include <cfloat>
#include <climits>
#include <vector>

#include "team.h"

namespace sky {

// Lines 1 .. value of the matrix are final; -1 once a group has failed.
class final_lines {
 public:
  // Waits until line j is final: returns the number of final lines (>= j),
  // or -1 when a group failed.
  int wait(int j, kern::mate& me) const {
    return me.wait(count_, [j](int v) { return v >= j || v < 0; });
  }
  void done(int last) { count_.set(last); }
  void fail() { count_.set(-1); }

 private:
  kern::counter count_;
};

// Runs the groups a thread takes over lines 1 .. n. own(g) finishes a
// group once every earlier line is final: its own columns, its pivots and
// its write-back; it returns the failing line or 0. Returns the failing
// line of this thread's groups, or 0.
template <class Group, class Own>
int pipeline_groups(Group& g, kern::mate& me, int n, final_lines& lines, Own own) {
  constexpr int R = Group::lines;
  for (int k; (k = me.take()) >= 0;) {
    long const i0 = 1 + static_cast<long>(k) * R;
    if (i0 > n) return 0;
    g.begin_group(static_cast<int>(i0));
    for (int jb = g.jmin; jb < i0;) {
      int const ready = lines.wait(jb, me);
      if (ready < 0) return 0;
      int const je = static_cast<int>(std::min<long>(i0, ready + 1L));
      g.columns(jb, je);
      jb = je;
    }
    if (lines.wait(static_cast<int>(i0) - 1, me) < 0) return 0;
    if (int const failed = own(g)) {
      lines.fail();
      return failed;
    }
    lines.done(static_cast<int>(i0) + g.nr - 1);
  }
  return 0;
}

// What one thread's groups met: the failing line (0: none) and the extreme
// pivot magnitudes.
struct pipeline_result {
  int failed = 0;
  double maxpiv = 0, minpiv = DBL_MAX;
};

// Runs part(me, lines, r) on a team of up to `want` threads, each filling
// its own r; returns the failing line, or the extremes of all the pivots,
// whichever thread met them.
template <class Part>
pipeline_result run_pipeline(int want, Part part) {
  final_lines lines;
  kern::crew crew;
  std::vector<pipeline_result> res(static_cast<std::size_t>(want));
  kern::team(want, [&](int t, int nt) {
    kern::mate me(crew, t, nt);
    part(me, lines, res[t]);
  });
  pipeline_result all;
  for (pipeline_result const& r : res) {
    if (r.failed) return r;
    all.maxpiv = std::max(all.maxpiv, r.maxpiv);
    all.minpiv = std::min(all.minpiv, r.minpiv);
  }
  return all;
}

// Below this many multiply-adds per thread a factorization stays on fewer
// threads. Measured on this 2-core machine, a Cholesky of the Laplacian of
// an m x m grid (about 0.5 n m^2 multiply-adds), the worker asleep before
// each factorization as after an idle spell: two threads lose up to
// m = 25 (2e5 multiply-adds: 76 us on one thread, 91 us on two) and gain
// from m = 30 (4.2e5: 122 us, 120 us) on; with the worker awake they gain
// from m = 16 (3.5e4) on.
constexpr double pipeline_min_work = 2e5;

// Threads worth starting for `work` multiply-adds over `groups` groups of
// lines: at least one group and min_work per thread.
inline int pipeline_threads(int threads, double work, int groups, double min_work) {
  double const by_work = min_work > 0 ? work / min_work : INT_MAX;
  return std::max(
      1, std::min({threads, groups, static_cast<int>(std::min<double>(INT_MAX, by_work))}));
}

}  // namespace sky

#endif
