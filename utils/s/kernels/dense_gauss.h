// Dense LU without pivoting (Doolittle) of an n x n row-major block: a
// row-by-row reference and a blocked version for float and double that
// gives the same bits.
#ifndef KERNELS_DENSE_GAUSS_H
#define KERNELS_DENSE_GAUSS_H

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "axpy.h"
#include "gemm.h"
#include "lanes.h"
#include "ptypes.h"
#include "team.h"

namespace kern {

// Row-oriented Doolittle on an n x n row-major block: once a(i,k) is final,
// its products join the sums of every later column of the row. Returns the
// 0-based row of a zero pivot, or -1.
template <class T>
int doolittle_rows(T* a, int n) {
  std::vector<T> s(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    T* ai = a + static_cast<long>(i) * n;
    std::fill(s.begin(), s.end(), T());
    for (int k = 0; k < i; ++k) {
      T const* ak = a + static_cast<long>(k) * n;
      T const lik = quot(ai[k] - s[k], ak[k]);
      ai[k] = lik;
      axpy_ordered(n - k - 1, lik, ak + k + 1, s.data() + k + 1);
    }
    ai[i] = ai[i] - s[i];
    if (iszero(ai[i])) return i;
    for (int j = i + 1; j < n; ++j) ai[j] = ai[j] - s[j];
  }
  return -1;
}

// The same factorization by blocks of rows, for float and double, on a
// team of threads.
//
// Every entry's sum s(i,j) = sum over k of l(i,k) u(k,j) is formed apart
// from a(i,j) in a work block S, in ascending k from zero, and a(i,j) is
// replaced only when its row is finished, row after row, so that a zero
// pivot leaves the matrix exactly as the row-by-row method leaves it. Once
// l(i,j) is known its sum is no longer needed, so l(i,j) takes its place
// in S and waits there until row i is finished.
//
// Nearly all products run through the tile kernel: a product of panels
// only ever adds the terms of a range of k that comes after those already
// in S, so cutting the triangles into halves (sums over the finished half
// as one product, then the other half) keeps every sum's order.
//
// The threads of a team share out independent entries, phase after phase
// (team.h: phases, a part of a phase per item): the rows of a block for
// its L entries (each row's chain of quotients is its own), the columns
// for the products and the U entries right of a leaf. Each thread runs its
// own object over the shared matrix and S; one thread alone is the plain
// sequence.
template <class T>
class doolittle_blocks {
 public:
  // Rows per block: the packed rows of L (B x KC) stay in L2.
  static constexpr int B = 192;
  // Below these widths the triangles go one entry at a time.
  static constexpr int leaf_cols = 16, leaf_rows = 8;

  // What the threads of a team share besides the matrix: the work block S
  // (min(B, n) rows; every entry is written before it is read), the items
  // done, the square of the current leaf, and the row of the zero pivot.
  class shared {
   public:
    explicit shared(int n)
        : lds(work_stride(n)), buf(new T[static_cast<std::size_t>(std::min(B, n)) * lds + line]) {
      // Rows of S start on cache lines: the tiles read and write them whole.
      std::size_t const off = reinterpret_cast<std::uintptr_t>(buf.get()) / sizeof(T) % line;
      base = buf.get() + (off ? line - off : 0);
    }
    long const lds;
    T* base;
    counter done;
    int leaf_end = 0;  // the first zero pivot of the current leaf, else its end
    // The 0-based row of the zero pivot, or -1; set once. A thread still
    // deciding on an earlier leaf may see it already set by a later one.
    std::atomic<int> failed{-1};

   private:
    std::unique_ptr<T[]> buf;
  };

  // One thread of a team, walking the phases with the others.
  doolittle_blocks(T* a, int n, shared& sh, phases& walk)
      : a_(a), n_(n), ld_(n), lds_(sh.lds), sbase_(sh.base), sh_(sh), walk_(walk) {}

  // Works until the factors are done, a zero pivot is met, or another
  // thread goes on alone; the result is then in the shared failed.
  void run() {
    int const parts = walk_.parts();
    for (r0_ = 0; r0_ < n_ && !walk_.stopped(); r0_ += B) {
      int const r1 = std::min(r0_ + B, n_);
      walk_.phase(parts, [&](int i) {
        range const rw = share(r0_, r1, simd<T>::width, i, parts);
        lsolve(rw.b, rw.e, 0, r0_);
      });
      walk_.phase(parts, [&](int i) {
        range const cl = share(r0_, n_, 2 * simd<T>::width, i, parts);
        gemm_ordered(r1 - r0_, cl.e - cl.b, r0_, l(r0_, 0), lds_, u(0, cl.b), ld_, s(r0_, cl.b),
                     lds_);
      });
      if (!rows(r0_, r1)) return;
    }
  }

 private:
  // Entries of a cache line.
  static constexpr int line = 64 / sizeof(T);
  // Row stride of S: whole lines, an odd number of them so that the rows
  // of a tile spread over the sets of the caches.
  static long work_stride(int n) {
    long const lines = (n + line - 1) / line;
    return (lines | 1) * line;
  }

  // Part i of `parts` of [lo, hi): nearly equal parts cut at multiples of
  // `grain` from lo.
  struct range {
    int b, e;
  };
  static range share(int lo, int hi, int grain, int i, int parts) {
    long const units = (hi - lo + grain - 1) / grain;
    auto cut = [&](int k) {
      return static_cast<int>(std::min<long>(hi, lo + units * k / parts * grain));
    };
    return {cut(i), cut(i + 1)};
  }

  T* s(int i, int j) { return sbase_ + (i - r0_) * lds_ + j; }
  T* l(int i, int j) { return s(i, j); }
  T* u(int i, int j) { return a_ + i * ld_ + j; }

  // Split of [lo, hi) near the middle. The first part is a whole number of
  // tile columns (8) and, when long, of 24 so that the rest of a block
  // of whole tiles is again whole tiles of both 6 rows and 8 columns.
  static int half(int lo, int hi) {
    int const h = (hi - lo) / 2;
    return lo + (h >= 24 ? h / 24 * 24 : std::max(8, h / 8 * 8));
  }

  // The L entries of rows [i0, i1) in columns [c0, c1), when S holds their
  // sums over k < c0; S right of c1 is left alone. The rows are
  // independent: this thread's rows only.
  void lsolve(int i0, int i1, int c0, int c1) {
    if (i0 >= i1) return;
    if (c1 - c0 <= leaf_cols) {
      lsolve_leaf(i0, i1, c0, c1);
      return;
    }
    int const m = half(c0, c1);
    lsolve(i0, i1, c0, m);
    // Left of column 0 there are no terms: the sums start here.
    gemm_ordered(i1 - i0, c1 - m, m - c0, l(i0, c0), lds_, u(c0, m), ld_, s(i0, m), lds_, c0 == 0);
    lsolve(i0, i1, m, c1);
  }
  // lsolve for at most leaf_cols columns, one entry at a time. The chain
  // of divisions along a row is long, so leaves of 8 or 16 columns take
  // rows W at a time, one per SIMD lane.
  void lsolve_leaf(int i0, int i1, int c0, int c1) {
    constexpr int W = simd<T>::width;
    // The next leaf to the right reads these rows' next lines of A, which
    // nothing else has touched yet.
    for (int j = c1 + 7; j < std::min(n_, c1 + leaf_cols); j += 8)
      for (int r = i0; r < i1; ++r) __builtin_prefetch(u(r, j), 0, 2);
    if (c0 == 0)
      for (int r = i0; r < i1; ++r) std::fill(s(r, 0), s(r, c1), T());
    int i = i0;
    if (c1 - c0 == 16)
      for (; i + W <= i1; i += W) leaf_lanes<16>(i, c0);
    else if (c1 - c0 == 8)
      for (; i + W <= i1; i += W) leaf_lanes<8>(i, c0);
    for (; i < i1; ++i) {
      T* si = s(i, 0);
      T* li = l(i, 0);
      T const* ai = u(i, 0);
      for (int j = c0; j < c1; ++j) {
        T const* uj = u(j, 0);
        T const lij = (ai[j] - si[j]) / uj[j];
        li[j] = lij;
        for (int k = j + 1; k < c1; ++k) si[k] = lij * uj[k] + si[k];
      }
    }
  }

  // The leaf for rows [i, i + W) and columns [c0, c0 + C): each column's
  // sums take the terms of the columns before it, in order, then give the
  // column's multipliers.
  template <int C>
  void leaf_lanes(int i, int c0) {
    typedef simd<T> V;
    typedef typename V::v v;
    constexpr int W = V::width;
    v x[C];
#pragma GCC unroll 16
    for (int j = 0; j < C; ++j) {
      T const* uj = u(c0, c0 + j);
      v t = V::gather(s(i, c0 + j), lds_);
#pragma GCC unroll 16
      for (int m = 0; m < j; ++m) t = x[m] * V::splat(uj[m * ld_]) + t;
      x[j] = (V::gather(u(i, c0 + j), ld_) - t) / V::splat(uj[j * ld_]);
      T* lj = l(i, c0 + j);
#pragma GCC unroll 8
      for (int r = 0; r < W; ++r) lj[r * lds_] = x[j][r];
    }
  }

  // u(j) = a(j) - s(j) in place, for n entries.
  static void finish_u(int n, T* a, T const* s) {
    typedef simd<T> V;
    int j = 0;
    for (; j + V::width <= n; j += V::width) V::store(a + j, V::load(a + j) - V::load(s + j));
    for (; j < n; ++j) a[j] = a[j] - s[j];
  }

  // rows() for at most leaf_rows rows. First the leaf's own square, row by
  // row, into S, as one item: its L entries, then the pivot and the U
  // entries of the row, up to the first zero pivot. Then the U entries
  // right of the leaf of the rows before that pivot, their terms of the
  // leaf's rows in order, straight into A, by parts of the columns; and in
  // the same items the rows move from S into A, the row with a zero pivot
  // with its L entries and the pivot only. False when the walk ends here.
  bool rows_leaf(int p, int q) {
    walk_.phase(1, [&](int) {
      int f = q;
      for (int i = p; i < q && f == q; ++i) {
        T const* ai = u(i, 0);
        T* si = s(i, 0);
        for (int j = p; j < i; ++j) {
          T const* uj = s(j, 0);
          T const lij = (ai[j] - si[j]) / uj[j];
          si[j] = lij;
          for (int k = j + 1; k < q; ++k) si[k] = lij * uj[k] + si[k];
        }
        for (int k = i; k < q; ++k) si[k] = ai[k] - si[k];
        if (iszero(si[i])) f = i;
      }
      sh_.leaf_end = f;
      if (f < q) sh_.failed.store(f, std::memory_order_relaxed);
    });
    int const parts = walk_.parts();
    walk_.phase(parts, [&](int i) {
      int const f = sh_.leaf_end;
      range const cl = share(q, n_, simd<T>::width, i, parts);
      if (f - p == leaf_rows)
        u_right<leaf_rows>(p, cl.b, cl.e);
      else
        for (int r = p; r < f; ++r) {
          T* sr = s(r, 0);
          for (int j = p; j < r; ++j) axpy_ordered(cl.e - cl.b, sr[j], u(j, cl.b), sr + cl.b);
          finish_u(cl.e - cl.b, u(r, cl.b), sr + cl.b);
        }
      range const left = share(0, q, line, i, parts);
      for (int r = p; r < q && r <= f; ++r) {
        int const e = std::min(left.e, r == f ? r + 1 : q);
        if (left.b < e) std::copy(s(r, left.b), s(r, e), u(r, left.b));
      }
    });
    if (!walk_.sync()) return false;
    int const f = sh_.failed.load(std::memory_order_relaxed);
    return f < 0 || f >= q;
  }

  // The U entries in columns [jb, je) of the R rows from p, when S holds
  // their L entries and their sums over k < p: each column strip of W
  // goes through all R rows in registers.
  template <int R>
  void u_right(int p, int jb, int je) {
    typedef simd<T> V;
    typedef typename V::v v;
    constexpr int W = V::width;
    T lv[R][R];
    for (int r = 0; r < R; ++r)
      for (int k = 0; k < r; ++k) lv[r][k] = *l(p + r, p + k);
    int j = jb;
    for (; j + W <= je; j += W) {
      v sv[R];
#pragma GCC unroll 8
      for (int r = 0; r < R; ++r) sv[r] = V::load(s(p + r, j));
#pragma GCC unroll 8
      for (int r = 0; r < R; ++r) {
        T* ar = u(p + r, j);
        v const ur = V::load(ar) - sv[r];
        V::store(ar, ur);
#pragma GCC unroll 8
        for (int r2 = r + 1; r2 < R; ++r2) sv[r2] = V::splat(lv[r2][r]) * ur + sv[r2];
      }
    }
    for (; j < je; ++j)
      for (int r = 0; r < R; ++r) {
        T sj = *s(p + r, j);
        for (int k = 0; k < r; ++k) sj = lv[r][k] * *u(p + k, j) + sj;
        *u(p + r, j) = *u(p + r, j) - sj;
      }
  }

  // Finishes rows [p, q) of the block, when S holds the sums over k < p of
  // their entries from column p on and L their entries left of p. False
  // when the walk ends: a zero pivot, or another thread alone.
  bool rows(int p, int q) {
    if (q - p <= leaf_rows) return rows_leaf(p, q);
    int const m = half(p, q);
    if (!rows(p, m)) return false;
    int const parts = walk_.parts();
    walk_.phase(parts, [&](int i) {
      range const rw = share(m, q, simd<T>::width, i, parts);
      lsolve(rw.b, rw.e, p, m);
    });
    walk_.phase(parts, [&](int i) {
      range const cl = share(m, n_, 2 * simd<T>::width, i, parts);
      gemm_ordered(q - m, cl.e - cl.b, m - p, l(m, p), lds_, u(p, cl.b), ld_, s(m, cl.b), lds_,
                   false);
    });
    return rows(m, q);
  }

  T* a_;
  int n_;
  long ld_, lds_;
  T* sbase_;
  shared& sh_;
  phases& walk_;
  int r0_ = 0;
};

// Smaller blocks stay on one thread. Measured on this 2-core machine with
// the worker asleep before each factorization, as after an idle spell: two
// threads lose at n = 192 (184 us on one thread, 212 us on two) and gain
// at n = 256 (347 us, 276 us); with the worker awake they gain from 128.
constexpr int dense_min_rows = 256;

// Returns the 0-based row of a zero pivot, or -1; float and double go by
// blocks, on up to `threads` threads from min_rows rows.
template <class T>
int gauss_rows(T* a, int n, int threads = 1, int min_rows = dense_min_rows) {
  if constexpr (std::is_same<T, double>::value || std::is_same<T, float>::value) {
    if (n <= 32) return doolittle_rows(a, n);
    typename doolittle_blocks<T>::shared sh(n);
    crew crew;
    team(n < min_rows ? 1 : threads, [&](int t, int nt) {
      mate me(crew, t, nt);
      phases walk(me, sh.done);
      doolittle_blocks<T>(a, n, sh, walk).run();
    });
    return sh.failed.load(std::memory_order_relaxed);
  } else {
    return doolittle_rows(a, n);
  }
}

}  // namespace kern

#endif
