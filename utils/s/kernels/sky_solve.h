// Triangular solves with the factors of the profile matrices.
#ifndef KERNELS_SKY_SOLVE_H
#define KERNELS_SKY_SOLVE_H

#include <algorithm>
#include <climits>
#include <type_traits>

#include <vector>

#include "axpy.h"
#include "lanes.h"
#include "ptypes.h"
#include "sky_layout.h"
#include "sky_pipeline.h"

namespace sky {

// Forward substitution by rows: y[i] = fin(i, b[i] - s) with s the sum of
// l(i, k) y[k] over k = first(i) .. i-1, in ascending k from zero.
//
// One sum alone is a chain of dependent additions. Lines go eight at a
// time, a group: their terms in the unknowns before the group come first
// in every sum and are independent of each other, so they run side by
// side (each line's own terms below the common start first); then each
// line adds the terms of the group's earlier lines. The terms before the
// group may be taken in ranges as the unknowns become final: the groups
// go through the pipeline of sky_pipeline.h.
template <class T, class Line, class Fin>
class forward_group {
 public:
  static constexpr int lines = 8;
  int jmin = 0, nr = 0;

  forward_group(Line L, T const* e, int n, T const* b, T* y, Fin fin)
      : L_(L), e_(e), n_(n), b_(b), y_(y), fin_(fin) {}

  void begin_group(int i0) {
    i0_ = i0;
    nr = std::min(lines, n_ - i0 + 1);
    jmin = i0;
    K_ = INT_MIN;  // from K_ on every line of the group has its terms
    for (int r = 0; r < nr; ++r) {
      pc_[r] = L_.first(i0 + r);
      l_[r] = e_ + L_.row(i0 + r) - pc_[r];
      s_[r] = T(0);
      jmin = std::min(jmin, pc_[r]);
      K_ = std::max(K_, pc_[r]);
    }
  }

  // The terms of the unknowns k in [kb, ke), ke <= i0. The sums in locals:
  // in the object they might alias y, and would go through memory.
  void columns(int kb, int ke) {
    T s[lines];
    std::copy(s_, s_ + lines, s);
    int const K = std::min(std::max(kb, K_), ke);
    for (int r = 0; r < nr; ++r)
      for (int k = std::max(kb, pc_[r]); k < K; ++k) s[r] = l_[r][k] * y_[k - 1] + s[r];
    if (nr == lines) {
      for (int k = K; k < ke; ++k) {
        T const yk = y_[k - 1];
#pragma GCC unroll 8
        for (int r = 0; r < lines; ++r) s[r] = l_[r][k] * yk + s[r];
      }
    } else {
      for (int r = 0; r < nr; ++r)
        for (int k = K; k < ke; ++k) s[r] = l_[r][k] * y_[k - 1] + s[r];
    }
    std::copy(s, s + lines, s_);
  }

  // The terms inside the group, then the unknowns; never fails.
  int finish() {
    for (int r = 0; r < nr; ++r) {
      int const i = i0_ + r;
      for (int k = std::max(pc_[r], i0_); k < i; ++k) s_[r] = l_[r][k] * y_[k - 1] + s_[r];
      y_[i - 1] = fin_(i, b_[i - 1] - s_[r]);
    }
    return 0;
  }

 private:
  Line L_;
  T const* e_;
  int n_;
  T const* b_;
  T* y_;
  Fin fin_;
  int i0_ = 0, K_ = 0;
  int pc_[lines];
  T const* l_[lines];  // l_[r][k] = l(i0 + r, k)
  T s_[lines];
};

// Below this many stored entries per thread a solve stays on fewer
// threads (a pass takes one multiply-add per entry). Measured on this
// 2-core machine, the Cholesky solve of the Laplacian of an m x m grid
// (n m entries): two threads gain nothing at m = 70 (3.4e5 entries) and
// 1.3 times at m = 100 (1e6); at m = 300, 1.5 (forward) and 1.5 times.
constexpr double solve_min_work = 2e5;

// The forward substitution on up to `threads` threads, at least min_work
// entries each.
template <class T, class Line, class Fin>
void forward_rows(Line L, T const* e, int n, T const* b, T* y, Fin fin, int threads = 1,
                  double min_work = solve_min_work) {
  double const entries = n > 0 ? L.row(n) + (n - L.first(n)) + 1.0 : 0.0;
  int const want = pipeline_threads(threads, entries, (n + 7) / 8, min_work);
  run_pipeline(want, [&](kern::mate& me, final_lines& lines, pipeline_result&) {
    forward_group<T, Line, Fin> g(L, e, n, b, y, fin);
    pipeline_groups(g, me, n, lines, [](forward_group<T, Line, Fin>& h) { return h.finish(); });
  });
}

// y := L^-1 b, L of unit diagonal stored by rows (first(i), row(i)).
template <class T, class Line>
void forward_unit(Line L, T const* e, int n, T const* b, T* y, int threads = 1,
                  double min_work = solve_min_work) {
  forward_rows(
      L, e, n, b, y, [](int, T v) { return v; }, threads, min_work);
}

// Backward substitution by rows, from the last: x[k] = fin(k, y[k] - s),
// s the terms cj(a(i, k)) x[i] of the lines i > k that hold column k,
// subtracted one by one in descending i, which is the order in which the
// column-by-column method (x[i], then its terms into every y[k] of its
// line) gives them to y[k]. Lines hold a(i, k) from first(i) at at(i):
// the rows of L, or the column parts of U.
//
// Rows go eight at a time from the bottom, a group, with the lines below
// it taken in ranges as their unknowns become final: numbered from the
// bottom (line i is number n + 1 - i) the groups go through the same
// pipeline as the forward substitution. reach[k] is the last line that
// holds column k.
template <class T, class Lines, class Fin, class Conj>
class backward_group {
 public:
  static constexpr int lines = 8;
  int jmin = 0, nr = 0;  // numbered from the bottom

  backward_group(Lines L, T const* e, int n, int const* reach, T const* y, T* x, Fin fin, Conj cj)
      : L_(L), e_(e), n_(n), reach_(reach), y_(y), x_(x), fin_(fin), cj_(cj) {}

  void begin_group(int i0) {
    top_ = n_ + 1 - i0;
    nr = std::min(lines, top_);
    k0_ = top_ - nr + 1;
    for (int r = 0; r < nr; ++r) s_[r] = y_[k0_ + r - 1];
    jmin = n_ + 1 - reach_[top_];
  }

  // The terms of the lines numbered [jb, je) from the bottom: lines
  // n + 1 - jb down to n + 2 - je. Each row's sum is a chain of
  // subtractions, one per line: the eight chains stay in vector registers
  // for float and double (through memory they would cost a store and a
  // load per line).
  void columns(int jb, int je) {
    int const hi = n_ + 1 - jb, lo = n_ + 1 - je;  // lines hi down to lo + 1
    if constexpr (std::is_floating_point<T>::value && std::is_same<Conj, same>::value) {
      if (nr == lines) {
        lanes_columns(hi, lo);
        return;
      }
    }
    for (int i = hi; i > lo; --i) {
      int const f = L_.first(i);
      if (f > top_) continue;
      T const* a = e_ + L_.at(i) - f;  // a[k] = a(i, k)
      T const xi = x_[i - 1];
      for (int r = std::max(0, f - k0_); r < nr; ++r) s_[r] = s_[r] - cj_(a[k0_ + r]) * xi;
    }
  }

  // columns() for a whole group of float or double: lines that start
  // inside the group have their lanes below the start kept by a blend.
  void lanes_columns(int hi, int lo) {
    typedef kern::simd<T> V;
    typedef typename V::v v;
    typedef typename V::m m;
    constexpr int NV = lines / V::width;
    v acc[NV];
    m lane[NV];
    for (int h = 0; h < NV; ++h) {
      acc[h] = V::load(s_ + h * V::width);
      for (int w = 0; w < V::width; ++w) lane[h][w] = h * V::width + w;
    }
    for (int i = hi; i > lo; --i) {
      int const f = L_.first(i);
      if (f > top_) continue;
      T const* a = e_ + L_.at(i) - f;  // a[k] = a(i, k)
      v const xv = V::splat(x_[i - 1]);
      // The next group up reads the entries just left of these, in lines
      // far apart: no hardware stream follows them.
      if (k0_ - lines >= f) __builtin_prefetch(a + k0_ - lines);
      if (f <= k0_) {
        for (int h = 0; h < NV; ++h) acc[h] = acc[h] - V::load(a + k0_ + h * V::width) * xv;
      } else {
        alignas(32) T t[lines] = {};
        std::copy(a + f, a + k0_ + lines, t + (f - k0_));
        m const from = V::isplat(f - k0_);
        for (int h = 0; h < NV; ++h) {
          v const d = acc[h] - V::load(t + h * V::width) * xv;
          acc[h] = lane[h] >= from ? d : acc[h];
        }
      }
    }
    for (int h = 0; h < NV; ++h) V::store(s_ + h * V::width, acc[h]);
  }

  // The group's own lines from the bottom: each unknown, then its terms
  // into the rows above it; never fails.
  int finish() {
    for (int r = nr - 1; r >= 0; --r) {
      int const i = k0_ + r;
      T const xi = fin_(i, s_[r]);
      x_[i - 1] = xi;
      int const f = L_.first(i);
      T const* a = e_ + L_.at(i) - f;
      for (int t = std::max(0, f - k0_); t < r; ++t) s_[t] = s_[t] - cj_(a[k0_ + t]) * xi;
    }
    return 0;
  }

 private:
  Lines L_;
  T const* e_;
  int n_;
  int const* reach_;
  T const* y_;
  T* x_;
  Fin fin_;
  Conj cj_;
  int top_ = 0, k0_ = 0;  // the group's last and first rows
  T s_[lines];
};

// The rows of L (symmetric layout) and the column parts of U (general
// layout), as backward_group reads them.
struct sym_rows {
  sym_line L;
  int first(int i) const { return L.first(i); }
  int at(int i) const { return L.row(i); }
};
struct gen_cols {
  gen_line L;
  int first(int i) const { return L.first(i); }
  int at(int i) const { return L.col(i); }
};

// x from y (left unchanged) by backward substitution on up to `threads`
// threads, at least min_work entries each; fin(i, v) gives x[i] from the
// row's remainder v.
template <class T, class Lines, class Fin, class Conj>
void backward_rows(Lines L, T const* e, int n, T const* y, T* x, Fin fin, Conj cj, int threads = 1,
                   double min_work = solve_min_work) {
  if (n <= 0) return;
  std::vector<int> reach(static_cast<std::size_t>(n) + 1, 0);
  for (int i = 1; i <= n; ++i) reach[L.first(i)] = i;
  for (int k = 2; k <= n; ++k) reach[k] = std::max(reach[k], reach[k - 1]);
  double const entries = L.at(n) + (n - L.first(n)) + 1.0;
  int const want = pipeline_threads(threads, entries, (n + 7) / 8, min_work);
  run_pipeline(want, [&](kern::mate& me, final_lines& lines, pipeline_result&) {
    backward_group<T, Lines, Fin, Conj> g(L, e, n, reach.data(), y, x, fin, cj);
    pipeline_groups(g, me, n, lines,
                    [](backward_group<T, Lines, Fin, Conj>& h) { return h.finish(); });
  });
}

// x := U^-1 y.
template <class T>
void gen_backward(int const* q, T const* e, int n, T const* y, T* x, int threads = 1,
                  double min_work = solve_min_work) {
  backward_rows(
      gen_cols{gen_line{q}}, e, n, y, x, [&](int i, T v) { return quot(v, e[q[i] - 1]); }, same(),
      threads, min_work);
}

// L L^T x = b (L L^H with conjugation); y is work space.
template <class T, class Conj>
void sym_solve_choleski(int const* q, T const* e, int n, T const* b, T* y, T* x, Conj cj,
                        int threads = 1, double min_work = solve_min_work) {
  sym_line L{q};
  auto const by_diagonal = [&](int i, T v) { return quot(v, e[L.diag(i)]); };
  forward_rows(L, e, n, b, y, by_diagonal, threads, min_work);
  backward_rows(sym_rows{L}, e, n, y, x, by_diagonal, cj, threads, min_work);
}

// L D L^T x = b (L D L^H); y is work space.
template <class T, class Conj>
void sym_solve_crout(int const* q, T const* e, int n, T const* b, T* y, T* x, Conj cj,
                     int threads = 1, double min_work = solve_min_work) {
  sym_line L{q};
  forward_unit(L, e, n, b, y, threads, min_work);
  for (int i = n; i >= 1; --i) y[i - 1] = quot(y[i - 1], e[L.diag(i)]);
  backward_rows(
      sym_rows{L}, e, n, y, x, [](int, T v) { return v; }, cj, threads, min_work);
}

// The solves of the general layout's factors that stand apart from the
// solve of A x = b: one right-hand side (x may be b itself), then blocks of
// right-hand sides whose rows (X U = B) or columns (L X = B) are
// independent of each other.

// x U = b: x[i] = (b[i] - sum over k of u(k, i) x[k]) / u(i, i), the terms
// subtracted one by one in ascending k.
template <class T>
void gen_solve_xU(int const* q, T const* e, int n, T const* b, T* x) {
  gen_line L{q};
  for (int i = 1; i <= n; ++i) {
    int const pc = L.first(i);
    T const* ui = e + L.col(i);
    T xi = b[i - 1];
    for (int t = 0, len = i - pc; t < len; ++t) xi -= ui[t] * x[pc - 1 + t];
    x[i - 1] = quot(xi, e[L.diag(i)]);
  }
}

// L x = b, L of unit diagonal: x[i] = b[i] - l(i, k) x[k] for k ascending.
template <class T>
void gen_solve_L(int const* q, T const* e, int n, T const* b, T* x) {
  gen_line L{q};
  for (int i = 1; i <= n; ++i) {
    int const pc = L.first(i);
    T const* li = e + L.row(i);
    T xi = b[i - 1];
    for (int t = 0, len = i - pc; t < len; ++t) xi -= li[t] * x[pc - 1 + t];
    x[i - 1] = xi;
  }
}

// X U = B for `rows` dense rows of n entries, row r of B at B + r ldb and of
// X at X + r ldx (X may be B); each row is solved like x U = b.
template <class T>
void gen_solve_XU_rows(int const* q, T const* e, int n, int rows, T const* B, long ldb, T* X,
                       long ldx) {
  gen_line L{q};
  for (int r = 0; r < rows; ++r) {
    T const* br = B + r * ldb;
    T* xr = X + r * ldx;
    for (int j = 1; j <= n; ++j) {
      int const pc = L.first(j);
      T const* uj = e + L.col(j);
      T v = br[j - 1];
      for (int t = 0, len = j - pc; t < len; ++t) v -= uj[t] * xr[pc - 1 + t];
      xr[j - 1] = quot(v, e[L.diag(j)]);
    }
  }
}

// L X = B for n dense rows of nc entries, row i of B at B + (i - 1) ld and
// of X likewise (X may be B). Row by row over all columns at once: each
// X(i, c) still receives its terms in ascending k.
template <class T>
void gen_solve_LX_rows(int const* q, T const* e, int n, int nc, T const* B, T* X, long ld) {
  gen_line L{q};
  for (int i = 1; i <= n; ++i) {
    T const* br = B + (i - 1) * ld;
    T* xi = X + (i - 1) * ld;
    if (xi != br) std::copy(br, br + nc, xi);
    int const pc = L.first(i);
    T const* li = e + L.row(i);
    for (int k = pc; k < i; ++k) {
      T const a = li[k - pc];
      T const* xk = X + (k - 1) * ld;
      for (int c = 0; c < nc; ++c) xi[c] -= a * xk[c];
    }
  }
}

// X U = B for the m rows of a row profile over columns 1..n (qb its
// cumulative profile, eb and ex the stores of B and of X, which has B's
// profile and may be B): row r holds columns p..n from eb + qb[r - 1]; its
// solution keeps that profile.
template <class T>
void gen_solve_XU_runs(int const* q, T const* e, int n, int m, int const* qb, T const* eb, T* ex) {
  gen_line L{q};
  for (int r = 1; r <= m; ++r) {
    int const p = n + qb[r - 1] - qb[r] + 1;
    T const* br = eb + qb[r - 1];  // br[j - p] = B(r,j)
    T* xr = ex + qb[r - 1];
    for (int j = p; j <= n; ++j) {
      int const pc = L.first(j);
      int const k0 = std::max(pc, p);
      T const* ukj = e + L.col(j) + (k0 - pc);
      T const* xk = xr + (k0 - p);
      T v = br[j - p];
      for (int t = 0, len = j - k0; t < len; ++t) v -= ukj[t] * xk[t];
      xr[j - p] = quot(v, e[L.diag(j)]);
    }
  }
}

// L X = B for the m columns of a column profile over rows 1..n, stored as
// for gen_solve_XU_runs; each column's solution keeps its profile.
template <class T>
void gen_solve_LX_runs(int const* q, T const* e, int n, int m, int const* qb, T const* eb, T* ex) {
  gen_line L{q};
  for (int c = 1; c <= m; ++c) {
    int const p = n + qb[c - 1] - qb[c] + 1;
    T const* bc = eb + qb[c - 1];  // bc[i - p] = B(i,c)
    T* xc = ex + qb[c - 1];
    for (int i = p; i <= n; ++i) {
      int const pc = L.first(i);
      int const k0 = std::max(pc, p);
      T const* lik = e + L.row(i) + (k0 - pc);
      T const* xk = xc + (k0 - p);
      T v = bc[i - p];
      for (int t = 0, len = i - k0; t < len; ++t) v -= lik[t] * xk[t];
      xc[i - p] = v;
    }
  }
}

}  // namespace sky

#endif
