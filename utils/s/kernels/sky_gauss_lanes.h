// LU factorization of a general profile matrix of float or double, groups
// of lines in SIMD lanes; the same bits as the line-by-line method.
#ifndef KERNELS_SKY_GAUSS_LANES_H
#define KERNELS_SKY_GAUSS_LANES_H

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cstddef>
#include <vector>

#include "lanes.h"
#include "pack.h"
#include "ptypes.h"
#include "sky_layout.h"
#include "sky_pipeline.h"

namespace sky {

// General-layout Gauss of float or double lines, R = two vectors of lines
// at a time.
//
// Once the lines before i0 are final, the entries a(i, j) and a(j, i) of
// the lines i of a group in one column j < i0 are independent sums, so each
// line gets one SIMD lane and six columns are done per step, every lane
// still subtracting its products in ascending k from the stored value.
// The group's row parts a(i, k) and column parts a(k, i) are copied into a
// packed buffer, worked there, and written back once the group's pivots are
// done, or up to the line whose pivot fails, so that the lines after it are
// left untouched. Where a term does not exist for a lane (ragged starts)
// the lane keeps its accumulator through a blend: padded cells never enter
// a kept sum, so an inf or NaN that a line does not reach cannot leak in.
//
// Units of work of a group: begin_group packs its lines; columns(jb, je)
// does the bulk of the products and needs only lines jb .. je - 1 to be
// final, so the columns below a group's first line may be taken while the
// group before it is still finishing; own_columns and pivots then finish
// the group's own columns line after line. Within a step the lanes are
// independent sums; a step needs the columns before it in the same lines.
template <class T>
struct gen_group {
  typedef kern::simd<T> S;
  typedef typename S::v v;
  typedef typename S::I I;
  typedef typename S::m mask;
  static constexpr int W = S::width, R = 2 * W, C = 6;
  static constexpr int lines = R;

  // Packed rows: P + (k - jmin) * 2R holds a(i0 + r, k) in [0, R) and
  // a(k, i0 + r) in [R, 2R).
  T* P;
  int jmin;
  mask first[2];  // first column of each lane (past the end for absent lines)

  T* row(int k) const { return P + static_cast<long>(k - jmin) * 2 * R; }
  static mask msplat(int k) { return S::isplat(static_cast<I>(k)); }

  // One column of a step: cl[k - fc] = a(j, k), cu[k - fc] = a(k, j) for k
  // from fc = first(j).
  struct col {
    T const* cl;
    T const* cu;
    int fc;
  };

  // Masked terms of column c at k: only the lanes whose line reaches k.
  static void masked_term(v (&a)[4], T const* pk, T xl, T xu, mask m0, mask m1) {
    v const x = S::splat(xu), y = S::splat(xl);
    a[0] = m0 ? a[0] - S::load(pk) * x : a[0];
    a[1] = m1 ? a[1] - S::load(pk + W) * x : a[1];
    a[2] = m0 ? a[2] - y * S::load(pk + R) : a[2];
    a[3] = m1 ? a[3] - y * S::load(pk + R + W) : a[3];
  }

  // a[c] -= terms k in [kb, kend) of the step's columns; lanes are taken as
  // present from K0 on (K0 is past every present lane's and column's start).
  // With nfin > 0 the sums end at kend = j, the step's first column, and
  // columns j .. j + nfin - 1 are then finished in place: the terms inside
  // the step, as soon as the column they need is done, and the division by
  // the pivot piv[c] for the row parts.
  void sums(col const (&cs)[C], int nc, int kb, int K0, int kend, v (&a)[C][4], int nfin,
            T const* piv) const {
    switch (nc) {
      case 1: return both<1>(cs, kb, K0, kend, a, nfin, piv);
      case 2: return both<2>(cs, kb, K0, kend, a, nfin, piv);
      case 3: return both<3>(cs, kb, K0, kend, a, nfin, piv);
      case 4: return both<4>(cs, kb, K0, kend, a, nfin, piv);
      case 5: return both<5>(cs, kb, K0, kend, a, nfin, piv);
      default: return both<6>(cs, kb, K0, kend, a, nfin, piv);
    }
  }

  template <int N>
  void both(col const (&cs)[C], int kb, int K0, int kend, v (&a)[C][4], int nfin,
            T const* piv) const {
    common<0, N>(cs, kb, K0, kend, a, nfin, piv);
    common<1, N>(cs, kb, K0, kend, a, nfin, piv);
  }

  // Lanes m of s -= p x (Up = 0) or s -= x p (Up = 1).
  template <int Up>
  static void blend_term(v& s0, v& s1, v p0, v p1, T y, mask m0, mask m1) {
    v const x = S::splat(y);
    s0 = m0 ? s0 - mul<Up>(p0, x) : s0;
    s1 = m1 ? s1 - mul<Up>(p1, x) : s1;
  }

  // The row parts (Up = 0: a(i, j) -= a(i, k) a(k, j)) or the column parts
  // (Up = 1: a(j, i) -= a(j, k) a(k, i)) of the step's first N columns:
  // up to twelve accumulators, the lane vectors of k and one broadcast fill
  // the registers. One function of some 120 lines on purpose: the twelve
  // accumulators are named locals that stay in registers through the ragged
  // terms, the common run and the finish of the step; handed from function
  // to function they would go through memory.
  template <int Up, int N>
  void common(col const (&cs)[C], int kb, int K0, int kend, v (&a)[C][4], int nfin,
              T const* piv) const {
    T const* b[C];
    int f[C];
    for (int c = 0; c < C; ++c) b[c] = Up ? cs[c].cl : cs[c].cu, f[c] = cs[c].fc;
    v s00 = a[0][2 * Up], s01 = a[0][2 * Up + 1], s10 = a[1][2 * Up], s11 = a[1][2 * Up + 1];
    v s20 = a[2][2 * Up], s21 = a[2][2 * Up + 1], s30 = a[3][2 * Up], s31 = a[3][2 * Up + 1];
    v s40 = a[4][2 * Up], s41 = a[4][2 * Up + 1], s50 = a[5][2 * Up], s51 = a[5][2 * Up + 1];
    T const* pk = row(kb) + Up * R;
    for (int k = kb; k < K0; ++k, pk += 2 * R) {
      mask const m0 = first[0] <= msplat(k), m1 = first[1] <= msplat(k);
      v const p0 = S::load(pk), p1 = S::load(pk + W);
      if constexpr (N > 0)
        if (k >= f[0]) blend_term<Up>(s00, s01, p0, p1, b[0][k - f[0]], m0, m1);
      if constexpr (N > 1)
        if (k >= f[1]) blend_term<Up>(s10, s11, p0, p1, b[1][k - f[1]], m0, m1);
      if constexpr (N > 2)
        if (k >= f[2]) blend_term<Up>(s20, s21, p0, p1, b[2][k - f[2]], m0, m1);
      if constexpr (N > 3)
        if (k >= f[3]) blend_term<Up>(s30, s31, p0, p1, b[3][k - f[3]], m0, m1);
      if constexpr (N > 4)
        if (k >= f[4]) blend_term<Up>(s40, s41, p0, p1, b[4][k - f[4]], m0, m1);
      if constexpr (N > 5)
        if (k >= f[5]) blend_term<Up>(s50, s51, p0, p1, b[5][k - f[5]], m0, m1);
    }
    if (K0 < kend) {
      T const *y0 = b[0] + (K0 - f[0]), *y1 = b[1] + (K0 - f[1]), *y2 = b[2] + (K0 - f[2]);
      T const *y3 = b[3] + (K0 - f[3]), *y4 = b[4] + (K0 - f[4]), *y5 = b[5] + (K0 - f[5]);
      for (int t = 0, len = kend - K0; t < len; ++t, pk += 2 * R) {
        v const p0 = S::load(pk), p1 = S::load(pk + W);
        if constexpr (N > 0) {
          v const x = S::splat(y0[t]);
          s00 = s00 - mul<Up>(p0, x);
          s01 = s01 - mul<Up>(p1, x);
        }
        if constexpr (N > 1) {
          v const x = S::splat(y1[t]);
          s10 = s10 - mul<Up>(p0, x);
          s11 = s11 - mul<Up>(p1, x);
        }
        if constexpr (N > 2) {
          v const x = S::splat(y2[t]);
          s20 = s20 - mul<Up>(p0, x);
          s21 = s21 - mul<Up>(p1, x);
        }
        if constexpr (N > 3) {
          v const x = S::splat(y3[t]);
          s30 = s30 - mul<Up>(p0, x);
          s31 = s31 - mul<Up>(p1, x);
        }
        if constexpr (N > 4) {
          v const x = S::splat(y4[t]);
          s40 = s40 - mul<Up>(p0, x);
          s41 = s41 - mul<Up>(p1, x);
        }
        if constexpr (N > 5) {
          v const x = S::splat(y5[t]);
          s50 = s50 - mul<Up>(p0, x);
          s51 = s51 - mul<Up>(p1, x);
        }
      }
    }
    if (!nfin) {
      a[0][2 * Up] = s00, a[0][2 * Up + 1] = s01, a[1][2 * Up] = s10, a[1][2 * Up + 1] = s11;
      a[2][2 * Up] = s20, a[2][2 * Up + 1] = s21, a[3][2 * Up] = s30, a[3][2 * Up + 1] = s31;
      a[4][2 * Up] = s40, a[4][2 * Up + 1] = s41, a[5][2 * Up] = s50, a[5][2 * Up + 1] = s51;
    } else {
      // nfin == N: column kend + c1 is done (divided by its pivot for row
      // parts, stored for the lanes it exists in), then gives its term to
      // the later columns of the step. All in registers.
      mask m0, m1;
      auto done = [&](int c1, v& n0, v& n1) {
        int const k = kend + c1;
        m0 = first[0] <= msplat(k), m1 = first[1] <= msplat(k);
        if (!Up) {
          v const d = S::splat(piv[c1]);
          n0 = n0 / d;
          n1 = n1 / d;
        }
        T* pk = row(k) + Up * R;
        S::store(pk, m0 ? n0 : S::load(pk));
        S::store(pk + W, m1 ? n1 : S::load(pk + W));
      };
      auto term = [&](int c, int c1, v& s0, v& s1, v n0, v n1) {
        int const k = kend + c1;
        if (k >= f[c]) blend_term<Up>(s0, s1, n0, n1, b[c][k - f[c]], m0, m1);
      };
      done(0, s00, s01);
      if constexpr (N > 1) term(1, 0, s10, s11, s00, s01);
      if constexpr (N > 2) term(2, 0, s20, s21, s00, s01);
      if constexpr (N > 3) term(3, 0, s30, s31, s00, s01);
      if constexpr (N > 4) term(4, 0, s40, s41, s00, s01);
      if constexpr (N > 5) term(5, 0, s50, s51, s00, s01);
      if constexpr (N > 1) {
        done(1, s10, s11);
        if constexpr (N > 2) term(2, 1, s20, s21, s10, s11);
        if constexpr (N > 3) term(3, 1, s30, s31, s10, s11);
        if constexpr (N > 4) term(4, 1, s40, s41, s10, s11);
        if constexpr (N > 5) term(5, 1, s50, s51, s10, s11);
      }
      if constexpr (N > 2) {
        done(2, s20, s21);
        if constexpr (N > 3) term(3, 2, s30, s31, s20, s21);
        if constexpr (N > 4) term(4, 2, s40, s41, s20, s21);
        if constexpr (N > 5) term(5, 2, s50, s51, s20, s21);
      }
      if constexpr (N > 3) {
        done(3, s30, s31);
        if constexpr (N > 4) term(4, 3, s40, s41, s30, s31);
        if constexpr (N > 5) term(5, 3, s50, s51, s30, s31);
      }
      if constexpr (N > 4) {
        done(4, s40, s41);
        if constexpr (N > 5) term(5, 4, s50, s51, s40, s41);
      }
      if constexpr (N > 5) {
        done(5, s50, s51);
      }
    }
  }

  // Lane factor first for row parts, broadcast factor first for column
  // parts, as the sums are written.
  template <int Up>
  static v mul(v p, v x) {
    return Up ? x * p : p * x;
  }

  // Start of the ragged and of the common k range of a step whose last
  // column is jlast, for sums ending at kend.
  void ranges(col const (&cs)[C], int const* pc, int jlast, int kend, int& kb, int& K0) const {
    int lo = cs[0].fc, hi = cs[0].fc;
    for (int c = 1; c < C; ++c) lo = std::min(lo, cs[c].fc), hi = std::max(hi, cs[c].fc);
    for (int r = 0; r < R; ++r)
      if (pc[r] <= jlast) hi = std::max(hi, pc[r]);
    kb = std::max(jmin, lo);
    K0 = std::max(kb, std::min(hi, kend));
  }

  // Loads the stored values of column j: the sums start from them.
  void start(int j, v (&a)[4]) const {
    T const* pj = row(j);
    a[0] = S::load(pj), a[1] = S::load(pj + W), a[2] = S::load(pj + R), a[3] = S::load(pj + R + W);
  }

  // Stores lanes ml (row parts) and mu (column parts) of column j.
  void put(int j, v const (&a)[4], mask const (&ml)[2], mask const (&mu)[2]) const {
    T* pj = row(j);
    S::store(pj, ml[0] ? a[0] : S::load(pj));
    S::store(pj + W, ml[1] ? a[1] : S::load(pj + W));
    S::store(pj + R, mu[0] ? a[2] : S::load(pj + R));
    S::store(pj + R + W, mu[1] ? a[3] : S::load(pj + R + W));
  }
  // The group being factorized: lines i0 .. i0 + nr - 1 of the matrix.
  gen_line L;
  T* e;
  int n;
  int widest;  // the longest line part, diagonal included
  T* own;  // the group's parts as columns: line c's row part at own + 2 c widest, its column part after it
  mask lane[2];  // lane numbers
  int i0 = 0, nr = 0;
  int pc[R];  // first column of each line (past the end for absent lines)
  char const *pf = nullptr, *pf_end = nullptr;  // the next group's lines, fetched a share per step
  long pf_step = 0;
  int ahead = R;  // lines from a group to the next one this object likely takes

  std::vector<T> store;  // the packed rows, then own

  // A group object owns its buffers and works the groups of lines of one
  // matrix (q, e, n) in turn.
  gen_group(int const* q, T* e_, int n_)
      : P(nullptr), jmin(0), L{q}, e(e_), n(n_), widest(1), own(nullptr) {
    for (int i = 1; i <= n; ++i) widest = std::max(widest, i - L.first(i) + 1);
    std::size_t const prow = static_cast<std::size_t>(widest + R) * 2 * R;
    store.resize(prow + static_cast<std::size_t>(2 * R) * widest + 64 / sizeof(T));
    P = store.data() + (64 - reinterpret_cast<std::size_t>(store.data()) % 64) % 64 / sizeof(T);
    own = P + prow;
    for (int h = 0; h < 2; ++h)
      for (int w = 0; w < W; ++w) lane[h][w] = static_cast<I>(h * W + w);
  }
  gen_group(gen_group const&) = delete;  // the buffer pointers point into its own storage

  T* own_row(int c) const { return own + static_cast<std::size_t>(2 * c) * widest; }

  // Takes the lines from i0_ into the packed buffer. Only the cells no line
  // fills are cleared: before a line's first column and after its diagonal
  // (and the whole of absent lanes).
  void begin_group(int i0_) {
    i0 = i0_;
    nr = std::min(R, n - i0 + 1);
    jmin = group_firsts<R>(L, i0, nr, pc);
    for (int r = 0; r < R; ++r) first[r / W][r % W] = static_cast<I>(pc[r]);
    for (int r = 0; r < R; ++r) {
      int const end = r < nr ? pc[r] : i0 + nr;
      for (int k = jmin; k < end; ++k) row(k)[r] = row(k)[R + r] = T(0);
      for (int k = r < nr ? i0 + r : i0 + nr; k < i0 + nr; ++k) {
        if (k > i0 + r) row(k)[r] = T(0);
        row(k)[R + r] = T(0);
      }
    }
    int to[R];
    T* part[2][R];
    for (int r = 0; r < nr; ++r) {
      to[r] = i0 + r;
      part[0][r] = e + L.row(i0 + r);
      part[1][r] = e + L.col(i0 + r);
    }
    for (int h = 0; h < 2; ++h) kern::transfer<true>(nr, part[h], pc, to, jmin, P + h * R, 2 * R);
    for (int r = 0; r < nr; ++r) row(i0 + r)[r] = e[L.diag(i0 + r)];
    long const next = static_cast<long>(i0) + ahead;
    pf = reinterpret_cast<char const*>(e + L.q[std::min<long>(n, next - 1)]);
    pf_end = reinterpret_cast<char const*>(e + L.q[std::min<long>(n, next + R - 1)]);
    pf_step = ((pf_end - pf) / ((i0 - jmin) / C + 1) + 63) / 64 * 64;
  }

  // The group's entries in the columns j in [jb, je), jmin <= jb <= je <=
  // i0, six at a time. Reads the finished lines jb .. je - 1 and the
  // group's entries in the columns before jb, which earlier calls finished:
  // ranges taken in ascending order, however cut, give the same bits.
  void columns(int jb, int je) {
    for (int j = jb; j < je; j += C) {
      int const nc = std::min(C, je - j);
      for (char const* pe = pf + std::min(pf_step, static_cast<long>(pf_end - pf)); pf < pe;
           pf += 64)
        __builtin_prefetch(pf);
      col cs[C];
      for (int c = 0; c < C; ++c) {
        int const jc = j + std::min(c, nc - 1);
        cs[c].fc = L.first(jc);
        cs[c].cl = e + L.row(jc);
        cs[c].cu = e + L.col(jc);
      }
      int kb, K0;
      ranges(cs, pc, j + nc - 1, j, kb, K0);
      v a[C][4];
      for (int c = 0; c < C; ++c) start(j + std::min(c, nc - 1), a[c]);
      T piv[C];
      for (int c = 0; c < nc; ++c) piv[c] = e[L.diag(j + c)];
      sums(cs, nc, kb, K0, j, a, nc, piv);
    }
  }

  // The sums over k < i0 of the group's own columns, the diagonal's
  // included, vectorized as above with the group's lines as columns.
  void own_columns() {
    int to[R];
    T* part[2][R];
    for (int c = 0; c < nr; ++c) {
      to[c] = i0;
      part[0][c] = own_row(c);
      part[1][c] = own_row(c) + widest;
    }
    for (int h = 0; h < 2; ++h) kern::transfer<false>(nr, part[h], pc, to, jmin, P + h * R, 2 * R);
    for (int c0 = 0; c0 < nr; c0 += C) {
      int const nc = std::min(C, nr - c0);
      col cs[C];
      for (int c = 0; c < C; ++c) {
        int const cc = c0 + std::min(c, nc - 1);
        cs[c].fc = pc[cc];
        cs[c].cl = own_row(cc);
        cs[c].cu = cs[c].cl + widest;
      }
      int kb, K0;
      ranges(cs, pc, i0 + c0 + nc - 1, i0, kb, K0);
      v a[C][4];
      for (int c = 0; c < C; ++c) start(i0 + c0 + std::min(c, nc - 1), a[c]);
      sums(cs, nc, kb, K0, i0, a, 0, nullptr);
      for (int c = 0; c < nc; ++c) {
        int const cc = c0 + c;
        mask const in[2] = {first[0] <= msplat(i0 + cc), first[1] <= msplat(i0 + cc)};
        mask const ml[2] = {in[0] & (lane[0] >= msplat(cc)), in[1] & (lane[1] >= msplat(cc))};
        mask const mu[2] = {in[0] & (lane[0] > msplat(cc)), in[1] & (lane[1] > msplat(cc))};
        put(i0 + cc, a[c], ml, mu);
      }
    }
  }

  // Then line after line: the terms k >= i0, the pivot, and the group's
  // later lines in this column. The lines are written back once the group
  // is done, or up to the line whose pivot fails, which is returned (0 when
  // none fails).
  int pivots(double& maxpiv, double& minpiv) {
    for (int c = 0; c < nr; ++c) {
      int const i = i0 + c;
      int const k1 = std::max(i0, pc[c]);
      T d = row(i)[c];
      for (int k = k1; k < i; ++k) d -= row(k)[c] * row(k)[R + c];
      row(i)[c] = d;
      double const piv = absval(d);
      if (piv <= DBL_MIN) {
        write_back(c);
        return i;
      }
      note_pivot(i, piv, maxpiv, minpiv);
      if (c + 1 == nr) break;
      v a[4];
      start(i, a);
      for (int k = k1; k < i; ++k)
        masked_term(a, row(k), row(k)[c], row(k)[R + c], first[0] <= msplat(k),
                    first[1] <= msplat(k));
      v const dv = S::splat(d);
      a[0] = a[0] / dv;
      a[1] = a[1] / dv;
      mask const in[2] = {first[0] <= msplat(i), first[1] <= msplat(i)};
      mask const mu[2] = {in[0] & (lane[0] > msplat(c)), in[1] & (lane[1] > msplat(c))};
      put(i, a, mu, mu);
    }
    write_back(nr - 1);
    return 0;
  }

  // Lines i0 .. i0 + last back to their storage: the columns before i0
  // from own, the group's own columns from the packed buffer.
  void write_back(int last) {
    for (int c = 0; c <= last; ++c) {
      int const i = i0 + c;
      T* li = e + L.row(i);
      T* ui = e + L.col(i);
      T const* ol = own_row(c);
      int const k1 = std::max(i0, pc[c]);
      std::copy(ol, ol + (k1 - pc[c]), li);
      std::copy(ol + widest, ol + widest + (k1 - pc[c]), ui);
      for (int k = k1; k < i; ++k) {
        li[k - pc[c]] = row(k)[c];
        ui[k - pc[c]] = row(k)[R + c];
      }
      e[L.diag(i)] = row(i)[c];
    }
  }
};

// The work of a factorization in multiply-adds: line i's row and column
// parts reach back over its m(i) columns.
inline double gen_work(int const* q, int n) {
  double w = 0;
  for (int i = 1; i <= n; ++i) w += 0.25 * double(q[i] - q[i - 1]) * double(q[i] - q[i - 1]);
  return w;
}

// Returns 0, or the line of a pivot of magnitude at most DBL_MIN; maxpiv
// and minpiv take the extreme pivot magnitudes. The groups go through the
// pipeline of sky_pipeline.h on up to `threads` threads, at least min_work
// multiply-adds each.
template <class T>
int gen_gauss_grouped(int const* q, T* e, int n, double& maxpiv, double& minpiv, int threads = 1,
                      double min_work = pipeline_min_work) {
  constexpr int R = gen_group<T>::R;
  int const want = pipeline_threads(threads, gen_work(q, n), (n + R - 1) / R, min_work);
  pipeline_result const r =
      run_pipeline(want, [&](kern::mate& me, final_lines& lines, pipeline_result& mine) {
        gen_group<T> g(q, e, n);
        g.ahead = me.nt * R;
        mine.failed = pipeline_groups(g, me, n, lines, [&mine](gen_group<T>& h) {
          h.own_columns();
          return h.pivots(mine.maxpiv, mine.minpiv);
        });
      });
  // note_pivot started the thread of line 1 from its pivot: the extremes
  // are those of the sequence.
  maxpiv = r.maxpiv;
  minpiv = r.minpiv;
  return r.failed;
}

}  // namespace sky

#endif
