// Cholesky and Crout factorizations of a symmetric profile matrix of float
// or double, one SIMD lane per line; the same bits as the line-by-line
// method.
//
// The entries l(i, j) of R consecutive lines i0..i0+R-1 in one column
// j < i0 are independent once the lines before i0 are final. Each line of
// the group gets a lane, and C columns are swept per step: per k, the
// group's values at column k (one row of a packed buffer) are multiplied
// by a broadcast l(j, k) of each column and added to that column's
// accumulators. Every lane still receives its products one by one, in
// ascending k, from zero, exactly as the line-by-line method does.
//
// Lines start at different columns. Where a term does not exist for a lane
// the accumulator is kept by a blend, never by multiplying a padded zero
// (0 * inf would bring a NaN the line-by-line method never sees), unless
// every value that meets the padding is known to be finite. Blends are paid
// only over the ragged start of a step; the common range runs without them.
#ifndef KERNELS_SKY_SYMMETRIC_LANES_H
#define KERNELS_SKY_SYMMETRIC_LANES_H

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "lanes.h"
#include "pack.h"
#include "ptypes.h"
#include "sky_layout.h"
#include "sky_pipeline.h"

namespace sky {
namespace lanes {

// acc[c][q] = p[k][q] * x[c][k] + acc[c][q] for `len` steps of k. p walks
// the packed rows (R values per row, of which NV vectors are taken), x[c]
// the column values with stride XS.
template <class T, int NV, int C, int XS, int R>
KERN_INLINE void dots(T const* p, T const* const* x, int len,
                      typename kern::simd<T>::v (&acc)[C][NV]) {
  typedef kern::simd<T> V;
  T const* xc[C];
  typename V::v a[C][NV];  // acc may alias p or x; a local cannot, so it stays in registers
#pragma GCC unroll 8
  for (int c = 0; c < C; ++c) {
    xc[c] = x[c];
#pragma GCC unroll 8
    for (int q = 0; q < NV; ++q) a[c][q] = acc[c][q];
  }
  for (int t = 0; t < len; ++t, p += R) {
    typename V::v pv[NV];
#pragma GCC unroll 8
    for (int q = 0; q < NV; ++q) pv[q] = V::load(p + q * V::width);
#pragma GCC unroll 8
    for (int c = 0; c < C; ++c) {
      typename V::v const xv = V::splat(xc[c][t * XS]);
#pragma GCC unroll 8
      for (int q = 0; q < NV; ++q) a[c][q] = pv[q] * xv + a[c][q];
    }
  }
#pragma GCC unroll 8
  for (int c = 0; c < C; ++c)
#pragma GCC unroll 8
    for (int q = 0; q < NV; ++q) acc[c][q] = a[c][q];
}

// dots kept out of line for the main products of a step. Inlined into the
// factorization, the compiler keeps one of the caller's values in a vector
// register through the loop and, one register short, reads a lane vector
// from memory at every multiply: 13 loads per k instead of 8.
template <class T, int NV, int C, int XS, int R>
__attribute__((noinline)) void dots_apart(T const* p, T const* const* x, int len,
                                          typename kern::simd<T>::v (&acc)[C][NV]) {
  dots<T, NV, C, XS, R>(p, x, len, acc);
}

// The same for k = k0 .. k0+len-1, where only lanes with k >= st[c][q]
// receive the term.
template <class T, int NV, int C, int XS, int R>
KERN_INLINE void dots_masked(T const* p, T const* const* x, int len, int k0,
                             typename kern::simd<T>::m const (&st)[C][NV],
                             typename kern::simd<T>::v (&acc)[C][NV]) {
  typedef kern::simd<T> V;
  for (int t = 0; t < len; ++t, p += R) {
    typename V::m const kv = V::isplat(k0 + t);
    typename V::v pv[NV];
#pragma GCC unroll 8
    for (int q = 0; q < NV; ++q) pv[q] = V::load(p + q * V::width);
#pragma GCC unroll 8
    for (int c = 0; c < C; ++c) {
      typename V::v const xv = V::splat(x[c][t * XS]);
#pragma GCC unroll 8
      for (int q = 0; q < NV; ++q) acc[c][q] = kv >= st[c][q] ? pv[q] * xv + acc[c][q] : acc[c][q];
    }
  }
}

// Adds to the sums of C columns their terms with k in [lo, hi) that fall
// in the window [from, to); windows taken in ascending order give every
// sum its terms in ascending k. Column c's terms start at pcx[c], lane r's
// at start[r]. P is the packed buffer whose row 0 is column `base`, x[c]
// gives column c's value at k as x[c][k * XS].
//
// When every column value in range is finite, a lane's packed values below
// its start are zeros that add +0 to a sum still at +0, so only the columns'
// own starts need care: each column alone up to the last column start,
// then all together. Otherwise the ragged part below `common` (the last
// start of a lane or column that matters) is blended.
template <class T, int NV, int C, int XS, int R>
KERN_INLINE void column_sums_pass(T const* P, int base, T const* const* x, int const* pcx,
                                  typename kern::simd<T>::I const* start, int lo, int common,
                                  int hi, bool finite, int from, int to,
                                  typename kern::simd<T>::v (&acc)[C][NV]) {
  typedef kern::simd<T> V;
  hi = std::min(hi, to);
  if (finite) {
    common = lo;
    for (int c = 0; c < C; ++c) common = std::max(common, pcx[c]);
    int const cend = std::min(common, hi);
    for (int c = 0; c < C; ++c) {
      int const k0 = std::max(std::max(lo, pcx[c]), from);
      if (k0 >= cend) continue;
      typename V::v one[1][NV];
      T const* xs[1] = {x[c] + static_cast<long>(k0) * XS};
      for (int q = 0; q < NV; ++q) one[0][q] = acc[c][q];
      dots<T, NV, 1, XS, R>(P + static_cast<long>(k0 - base) * R, xs, cend - k0, one);
      for (int q = 0; q < NV; ++q) acc[c][q] = one[0][q];
    }
  } else {
    common = std::max(common, lo);
    int const k0 = std::max(lo, from), cend = std::min(common, hi);
    if (k0 < cend) {
      typename V::m st[C][NV];
      T const* xs[C];
#pragma GCC unroll 8
      for (int c = 0; c < C; ++c) {
        xs[c] = x[c] + static_cast<long>(k0) * XS;
#pragma GCC unroll 8
        for (int q = 0; q < NV; ++q) {
          typename V::m const s = V::iload(start + q * V::width), cs = V::isplat(pcx[c]);
          st[c][q] = s > cs ? s : cs;
        }
      }
      dots_masked<T, NV, C, XS, R>(P + static_cast<long>(k0 - base) * R, xs, cend - k0, k0, st,
                                   acc);
    }
  }
  int const k1 = std::max(common, from);
  if (k1 < hi) {
    T const* xs[C];
#pragma GCC unroll 8
    for (int c = 0; c < C; ++c) xs[c] = x[c] + static_cast<long>(k1) * XS;
    dots_apart<T, NV, C, XS, R>(P + static_cast<long>(k1 - base) * R, xs, hi - k1, acc);
  }
}

// The same over all the lanes, NP vectors per pass.
template <class T, int NV, int C, int XS>
KERN_INLINE void column_sums(T const* P, int base, T const* const* x, int const* pcx,
                             typename kern::simd<T>::I const* start, int lo, int common, int hi,
                             bool finite, int from, int to,
                             typename kern::simd<T>::v (&acc)[C][NV]) {
  typedef kern::simd<T> V;
  constexpr int W = V::width, R = NV * W, NP = NV < 2 ? NV : 2;
#pragma GCC unroll 4
  for (int h = 0; h < NV / NP; ++h) {
    typename V::v a[C][NP];
#pragma GCC unroll 8
    for (int c = 0; c < C; ++c)
#pragma GCC unroll 8
      for (int q = 0; q < NP; ++q) a[c][q] = acc[c][h * NP + q];
    column_sums_pass<T, NP, C, XS, R>(P + h * NP * W, base, x, pcx, start + h * NP * W, lo, common,
                                      hi, finite, from, to, a);
#pragma GCC unroll 8
    for (int c = 0; c < C; ++c)
#pragma GCC unroll 8
      for (int q = 0; q < NP; ++q) acc[c][h * NP + q] = a[c][q];
  }
}

template <class T, int NV, int C>
KERN_INLINE void zero(typename kern::simd<T>::v (&acc)[C][NV]) {
#pragma GCC unroll 8
  for (int c = 0; c < C; ++c)
#pragma GCC unroll 8
    for (int q = 0; q < NV; ++q) acc[c][q] = typename kern::simd<T>::v{};
}

// One vector of lanes of a column: l = (a - acc) / d where the column is in
// the lane's line (`in`), w = l d for Crout, and the term of l to the sum
// sd of the lane's diagonal.
template <class T, bool Crout>
KERN_INLINE void quotient(T* pl, T* pw, T* sd, typename kern::simd<T>::v acc,
                          typename kern::simd<T>::v d, typename kern::simd<T>::m in) {
  typedef kern::simd<T> S;
  typename kern::simd<T>::v const a = S::load(pl), l = (a - acc) / d, s = S::load(sd);
  S::store(pl, in ? l : a);
  if constexpr (Crout) {
    typename kern::simd<T>::v const w = l * d;
    S::store(pw, in ? w : S::load(pw));
    S::store(sd, in ? w * l + s : s);
  } else {
    S::store(sd, in ? l * l + s : s);
  }
}

// Group sizes: R lanes (two vectors: eight lines of double, sixteen of
// float) and C columns per step, so that the C * 2 accumulators, the two
// row values and a broadcast fill the sixteen vector registers and a step
// sweeps the packed lines once. With more lanes per group the columns are
// read fewer times, but the packed lines of a wide profile no longer stay
// in L1 between the passes: eight lines of double measured 5 to 10 % faster
// than sixteen. The quotients of a column, whose divisions form the one
// chain of dependent operations, are done for all R lanes at once.
template <class T>
struct shape {
  static constexpr int R = 2 * kern::simd<T>::width;
  static constexpr int C = 6;
};

// Symmetric Cholesky (Crout = false) or Crout L D L^T (Crout = true) of
// float or double lines, R lines at a time. For Crout the lanes carry
// w = l(i, k) d(k), each product formed once, in a second buffer. The
// group's lines are worked in the packed buffers and written back when the
// group is done, or up to the failing line when a pivot fails, so that the
// later lines are left untouched as the line-by-line method leaves them.
//
// Units of work of a group, as for the general matrix: begin_group packs
// the lines; columns(jb, je) does the bulk of the products and needs only
// lines jb .. je - 1 to be final (and their finite flags, set by
// end_group); find_early_finite, group_sums, pivots and end_group finish
// the group's own columns line after line.
template <class T, bool Crout, int R = shape<T>::R>
struct sym_group {
  typedef kern::simd<T> V;
  typedef typename V::v v;
  typedef typename V::m m;
  typedef typename V::I I;
  typedef kern::simd<T> S;
  static constexpr int W = V::width, NV = R / W, C = shape<T>::C;
  static constexpr int lines = R;
  static constexpr I never = INT_MAX;  // start of a lane past the last line

  sym_line L;
  T* e;
  int n;
  T* Pl;  // Pl[(k - jmin) * R + r] = l(i0 + r, k)
  T* Pw;  // w(i0 + r, k) for Crout, else Pl
  char*
      finite;  // finite[j]: every l(j, k), k < j, is finite (set when line j is done; shared by a team)
  double maxpiv = 0, minpiv = DBL_MAX;
  int i0 = 0, nr = 0, jmin = 0;
  int pc[R];               // first column of each line (past the end for absent lines)
  alignas(32) I start[R];  // the same, as lanes
  alignas(32) T sd[R];     // sum of the diagonal's terms
  alignas(32) T sg[R][R];  // sums over k < i0 between the group's lines
  bool early_finite[R];    // only finite values before the group

  std::vector<T> bl, bw;

  // A group object owns its buffers and works groups of lines of one matrix
  // (q, e, n) in turn; finite has n + 1 flags, shared by the groups of a
  // team.
  sym_group(int const* q, T* e_, int n_, char* finite_) : L{q}, e(e_), n(n_), finite(finite_) {
    int widest = 0;
    for (int i = 1; i <= n; ++i) widest = std::max(widest, i - L.first(i) + 1);
    std::size_t const cells = static_cast<std::size_t>(widest + R) * R;
    bl.resize(cells);
    bw.resize(Crout ? cells : 0);
    Pl = bl.data();
    Pw = Crout ? bw.data() : Pl;
  }
  sym_group(sym_group const&) = delete;  // the buffer pointers point into its own storage

  // The first `count` lines of the group into the packed buffer or back.
  template <bool ToPacked>
  void move_lines(int count) {
    int to[R];
    T* line[R];
    for (int r = 0; r < count; ++r) to[r] = i0 + r + 1, line[r] = e + L.row(i0 + r);
    kern::transfer<ToPacked>(count, line, pc, to, jmin, Pl, R);
  }

  // Takes the lines from i0_ into the packed buffer, cleared around them.
  void begin_group(int i0_) {
    i0 = i0_;
    nr = std::min(R, n - i0 + 1);
    jmin = group_firsts<R>(L, i0, nr, pc);
    for (int r = 0; r < R; ++r) start[r] = pc[r];  // INT_MAX, never, for the absent lanes
    clear_around(Pl);
    if (Crout) clear_around(Pw);
    move_lines<true>(nr);
    std::fill(sd, sd + R, T());
  }

  // Zeros in the cells of P no line of the group fills: before a line's
  // first column (the terms a lane does not have must add +0) and after its
  // diagonal, and the whole of absent lanes. The lines' own cells are
  // filled by the packing (Pl) or by the quotients before they are read
  // (Pw).
  void clear_around(T* P) {
    for (int r = 0; r < R; ++r) {
      int const end = r < nr ? pc[r] : i0 + nr;
      for (int k = jmin; k < end; ++k) P[(k - jmin) * R + r] = T();
      for (int k = i0 + r + 1; k < i0 + nr; ++k) P[(k - jmin) * R + r] = T();
    }
  }

  // The group's entries in the columns j in [jb, je), jmin <= jb <= je <=
  // i0, C at a time. Reads the finished lines jb .. je - 1 and the group's
  // entries in the columns before jb, which earlier calls finished: ranges
  // taken in ascending order, however cut, give the same bits.
  void columns(int jb, int je) {
    // In locals, not reread from the object after each store of a quotient
    // (about 1 % of the instructions of the whole factorization).
    T* const Pl = this->Pl;
    T* const Pw = this->Pw;
    int const jmin = this->jmin, nr = this->nr;
    for (int j = jb; j < je; j += C) {
      int const ce = std::min(C, je - j);
      int pcj[C];
      T const* x[C];
      int lo = INT_MAX, common = jmin;
      bool fin = true;
      for (int c = 0; c < C; ++c) {
        int const jc = j + std::min(c, ce - 1);
        pcj[c] = L.first(jc);
        x[c] = e + L.row(jc) - pcj[c];  // x[c][k] = l(jc, k)
        lo = std::min(lo, pcj[c]);
        common = std::max(common, pcj[c]);
        fin = fin && finite[jc];
      }
      for (int r = 0; r < nr; ++r)
        if (pc[r] < j + ce) common = std::max(common, pc[r]);
      lo = std::max(lo, jmin);
      v acc[C][NV];
      zero<T, NV, C>(acc);
      column_sums<T, NV, C, 1>(Pw, jmin, x, pcj, start, lo, common, j, fin, jmin, j, acc);
      // Each column of the step in turn: its terms inside the step (the
      // columns just finished), then the quotient by the pivot.
      for (int c = 0; c < ce; ++c) {
        int const jc = j + c;
        v const dj = S::splat(e[L.diag(jc)]);
        m const jv = V::isplat(jc);
        for (int k = std::max(j, pcj[c]); k < jc; ++k) {
          m const kv = V::isplat(k);
          v const xv = S::splat(x[c][k]);
          T const* pk = Pw + (k - jmin) * R;
          for (int qv = 0; qv < NV; ++qv)
            acc[c][qv] = kv >= V::iload(start + qv * W) ? S::load(pk + qv * W) * xv + acc[c][qv]
                                                        : acc[c][qv];
        }
        T* const pl = Pl + (jc - jmin) * R;
        T* const pw = Pw + (jc - jmin) * R;
        for (int qv = 0; qv < NV; ++qv) {
          quotient<T, Crout>(pl + qv * W, pw + qv * W, sd + qv * W, acc[c][qv], dj,
                             jv >= V::iload(start + qv * W));
        }
      }
    }
  }

  // Which lines have only finite values before the group: x - x is 0 for a
  // finite x and NaN otherwise, and a NaN stays in its lane.
  void find_early_finite() {
    alignas(32) T nonfinite[R];
    v z[NV] = {};
    for (int k = jmin; k < i0; ++k)
      for (int qv = 0; qv < NV; ++qv) {
        v const l = S::load(Pl + (k - jmin) * R + qv * W);
        z[qv] = z[qv] + (l - l);
      }
    for (int qv = 0; qv < NV; ++qv) S::store(nonfinite + qv * W, z[qv]);
    for (int r = 0; r < R; ++r) early_finite[r] = nonfinite[r] == T(0);
  }

  // Sums over k < i0 between the group's lines: the group's own lines as
  // columns, C at a time.
  void group_sums() {
    for (int c0 = 0; c0 + 1 < nr; c0 += C) {
      int const ce = std::min(C, nr - 1 - c0);
      int pcx[C];
      T const* x[C];
      int lo = INT_MAX, common = jmin;
      for (int c = 0; c < C; ++c) {
        int const cc = c0 + std::min(c, ce - 1);
        pcx[c] = pc[cc];
        x[c] = Pl + cc - static_cast<long>(jmin) * R;  // x[c][k * R] = l(i0 + cc, k)
        lo = std::min(lo, pcx[c]);
        common = std::max(common, pcx[c]);
      }
      for (int r = c0 + 1; r < nr; ++r) common = std::max(common, pc[r]);
      lo = std::max(lo, jmin);
      bool fin = true;
      for (int c = 0; c < ce; ++c) fin = fin && early_finite[c0 + c];
      v acc[C][NV];
      zero<T, NV, C>(acc);
      column_sums<T, NV, C, R>(Pw, jmin, x, pcx, start, lo, common, i0, fin, jmin, i0, acc);
      for (int c = 0; c < ce; ++c)
        for (int qv = 0; qv < NV; ++qv) S::store(sg[c0 + c] + qv * W, acc[c][qv]);
    }
  }

  // The pivot of line i0 + c0, or false when it fails (Cholesky: no real
  // square root, or a zero root; Crout: a zero d).
  bool pivot(int c0, T& value) {
    T& pii = Pl[(i0 + c0 - jmin) * R + c0];
    if constexpr (Crout) {
      value = pii - sd[c0];
      pii = value;
      return !iszero(value);
    } else {
      T const t = pii - sd[c0];
      if (!rsqrt_dom(t)) return false;
      value = tsqrt(t);
      pii = value;
      return !iszero(value);
    }
  }

  // The group's own columns, line after line: the pivot, then column i of
  // the later lines, whose sums over k < i0 continue with the columns of
  // the group before i. Returns the line whose pivot fails, after writing
  // back the lines up to it, or 0.
  int pivots() {
    for (int c0 = 0; c0 < nr; ++c0) {
      int const i = i0 + c0;
      T piv_value;
      if (!pivot(c0, piv_value)) {
        move_lines<false>(c0 + 1);
        return i;
      }
      double const piv = absval(piv_value);
      if (piv > maxpiv) maxpiv = piv;
      if (piv < minpiv) minpiv = piv;
      if (c0 + 1 == nr) break;
      alignas(32) I later[R];
      for (int r = 0; r < R; ++r)
        later[r] = r > c0 && r < nr && pc[r] <= i ? std::max(pc[r], pc[c0]) : never;
      v const dv = S::splat(piv_value);
      m const iv = V::isplat(i);
      T* const pl = Pl + (i - jmin) * R;
      T* const pw = Pw + (i - jmin) * R;
      for (int qv = 0; qv < NV; ++qv) {
        m const st = V::iload(later + qv * W);
        v acc = S::load(sg[c0] + qv * W);
        for (int k = std::max(i0, pc[c0]); k < i; ++k) {
          v const xv = S::splat(Pl[(k - jmin) * R + c0]);
          acc = V::isplat(k) >= st ? S::load(Pw + (k - jmin) * R + qv * W) * xv + acc : acc;
        }
        quotient<T, Crout>(pl + qv * W, pw + qv * W, sd + qv * W, acc, dv, iv >= st);
      }
    }
    return 0;
  }

  // The finished group back to its storage; notes which lines are finite.
  void end_group() {
    move_lines<false>(nr);
    for (int r = 0; r < nr; ++r) {
      bool fin = early_finite[r];
      for (int k = std::max(i0, pc[r]); k < i0 + r; ++k)
        fin = fin && std::isfinite(Pl[(k - jmin) * R + r]);
      finite[i0 + r] = fin;
    }
  }
};

// The work of a factorization in multiply-adds: line i's sums reach back
// over its d(i) columns.
inline double sym_work(int const* q, int n) {
  double w = 0;
  for (int i = 1; i <= n; ++i) w += 0.5 * double(q[i] - q[i - 1]) * double(q[i] - q[i - 1]);
  return w;
}

// Returns the failing line, or 0 and rap = largest / smallest pivot
// magnitude. The groups go through the pipeline of sky_pipeline.h on up to
// `threads` threads, at least min_work multiply-adds each.
template <class T, bool Crout, int R = shape<T>::R>
int sym_lines_grouped(int const* q, T* e, int n, double& rap, int threads = 1,
                      double min_work = pipeline_min_work) {
  std::vector<char> finite(static_cast<std::size_t>(n) + 1);
  int const want = pipeline_threads(threads, sym_work(q, n), (n + R - 1) / R, min_work);
  pipeline_result const r =
      run_pipeline(want, [&](kern::mate& me, final_lines& lines, pipeline_result& mine) {
        sym_group<T, Crout, R> g(q, e, n, finite.data());
        mine.failed = pipeline_groups(g, me, n, lines, [](sym_group<T, Crout, R>& h) {
          h.find_early_finite();
          h.group_sums();
          if (int const failed = h.pivots()) return failed;
          h.end_group();
          return 0;
        });
        mine.maxpiv = g.maxpiv;
        mine.minpiv = g.minpiv;
      });
  if (r.failed) return r.failed;
  rap = r.maxpiv / r.minpiv;
  return 0;
}

}  // namespace lanes
}  // namespace sky

#endif
