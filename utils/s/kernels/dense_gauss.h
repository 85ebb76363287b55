// Dense LU without pivoting (Doolittle) of an n x n row-major block: a
// row-by-row reference and a blocked version for float and double that
// gives the same bits.
#ifndef KERNELS_DENSE_GAUSS_H
#define KERNELS_DENSE_GAUSS_H

#include <algorithm>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

#include "axpy.h"
#include "gemm.h"
#include "lanes.h"
#include "ptypes.h"

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

// The same factorization by blocks of rows, for float and double.
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
template <class T>
class doolittle_blocks {
 public:
  // Rows per block: the packed rows of L (B x KC) stay in L2.
  static constexpr int B = 192;
  // Below these widths the triangles go one entry at a time.
  static constexpr int leaf_cols = 16, leaf_rows = 8;

  doolittle_blocks(T* a, int n)
      : a_(a), n_(n), ld_(n), lds_(work_stride(n)),
        sbuf_(new T[static_cast<std::size_t>(std::min(B, n)) * lds_ + line]) {
    // Rows of S start on cache lines: the tiles read and write them whole.
    std::size_t const off = reinterpret_cast<std::uintptr_t>(sbuf_.get()) / sizeof(T) % line;
    sbase_ = sbuf_.get() + (off ? line - off : 0);
  }

  // Returns the 0-based row of a zero pivot, or -1.
  int run() {
    for (r0_ = 0; r0_ < n_; r0_ += B) {
      int const r1 = std::min(r0_ + B, n_);
      lsolve(r0_, r1, 0, r0_);
      gemm_ordered(r1 - r0_, n_ - r0_, r0_, l(r0_, 0), lds_, u(0, r0_), ld_, s(r0_, r0_), lds_);
      int const failed = rows(r0_, r1);
      if (failed >= 0) return failed;
    }
    return -1;
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
  // sums over k < c0; S right of c1 is left alone.
  void lsolve(int i0, int i1, int c0, int c1) {
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
  // row, into S: its L entries, then the pivot and the U entries of the
  // row, up to the first zero pivot. Then the U entries right of the leaf
  // of the rows before that pivot, their terms of the leaf's rows in order,
  // straight into A. Last the rows move from S into A in order; a row with
  // a zero pivot gets its L entries and the pivot only.
  int rows_leaf(int p, int q) {
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
    if (f - p == leaf_rows)
      u_right<leaf_rows>(p, q);
    else
      for (int i = p; i < f; ++i) {
        T* si = s(i, 0);
        for (int j = p; j < i; ++j) axpy_ordered(n_ - q, si[j], u(j, q), si + q);
        finish_u(n_ - q, u(i, q), si + q);
      }
    for (int i = p; i < q; ++i) {
      std::copy(s(i, 0), s(i, i == f ? i + 1 : q), u(i, 0));
      if (i == f) return f;
    }
    return -1;
  }

  // The U entries right of column q of the R rows from p, when S holds
  // their L entries and their sums over k < p: each column strip of W
  // goes through all R rows in registers.
  template <int R>
  void u_right(int p, int q) {
    typedef simd<T> V;
    typedef typename V::v v;
    constexpr int W = V::width;
    T lv[R][R];
    for (int r = 0; r < R; ++r)
      for (int k = 0; k < r; ++k) lv[r][k] = *l(p + r, p + k);
    int j = q;
    for (; j + W <= n_; j += W) {
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
    for (; j < n_; ++j)
      for (int r = 0; r < R; ++r) {
        T sj = *s(p + r, j);
        for (int k = 0; k < r; ++k) sj = lv[r][k] * *u(p + k, j) + sj;
        *u(p + r, j) = *u(p + r, j) - sj;
      }
  }

  // Finishes rows [p, q) of the block, when S holds the sums over k < p of
  // their entries from column p on and L their entries left of p.
  int rows(int p, int q) {
    if (q - p <= leaf_rows) return rows_leaf(p, q);
    int const m = half(p, q);
    int const failed = rows(p, m);
    if (failed >= 0) return failed;
    lsolve(m, q, p, m);
    gemm_ordered(q - m, n_ - m, m - p, l(m, p), lds_, u(p, m), ld_, s(m, m), lds_, false);
    return rows(m, q);
  }

  T* a_;
  int n_;
  long ld_, lds_;
  int r0_ = 0;
  std::unique_ptr<T[]> sbuf_;  // every entry is written before it is read
  T* sbase_;
};

template <class T>
int gauss_rows(T* a, int n) {
  if constexpr (std::is_same<T, double>::value || std::is_same<T, float>::value)
    return n <= 32 ? doolittle_rows(a, n) : doolittle_blocks<T>(a, n).run();
  else
    return doolittle_rows(a, n);
}

}  // namespace kern

#endif
