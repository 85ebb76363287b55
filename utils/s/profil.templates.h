// Profile (skyline) matrices: profile checks, element access, products,
// factorizations and solves. Included by profil_ti.cpp only.
#ifndef PROFIL_TEMPLATES_H
#define PROFIL_TEMPLATES_H
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "kernels/axpy.h"
#include "kernels/lanes.h"
#include "profil.h"

namespace sky {

// A message is a run of pieces: all but the last through nmsg, the last
// one closes the run through nerror (status 1).
inline void piece(char const* s) { nmsg(s); }
inline void piece(int v) { nmsg(v); }
[[noreturn]] inline void stop(char const* s) { nerror(s); }
[[noreturn]] inline void stop(int v) {
  nmsg(v);
  nerror();
}
template <class A, class... R>
[[noreturn]] void stop(A a, R... r) {
  piece(a);
  stop(r...);
}

[[noreturn]] inline void not_factored() { stop("Tentative de resolution d'un systeme non factorize"); }
[[noreturn]] inline void refuse_factorization() { stop("Impossible de factorizer une matrice\n"); }
[[noreturn]] inline void out_of_profile(int i, int j) {
  stop("Tentative d'adressage d'un element hors profil i=", i, " j=", j);
}
[[noreturn]] inline void bad_profile(char const* what, int k) {
  stop("Profil de matrice profil incorrect: ", what, k, "\n");
}

enum shape { general_shape, symmetric_shape, rect_shape };

// Checks every rule the storage relies on, so that no later access can
// leave elem: profil over 0..m, profil[0] = 0, non-decreasing; general lines
// of odd length reaching no column below 1; symmetric lines holding their
// diagonal and reaching no column below 1; rectangular runs of at most n.
inline void check_profile(gvector<int> const& p, shape s, int n) {
  if (p.imin() != 0 || p.imax() < 0)
    stop("Profil de matrice profil incorrect: indices [", p.imin(), ",", p.imax(),
         "] au lieu de [0,n]\n");
  int const m = p.imax();
  if (m == INT_MAX) stop("Profil de matrice profil incorrect: taille trop grande\n");
  if (s == rect_shape && (n < 0 || n == INT_MAX))
    stop("Profil de matrice profil incorrect: dimension ", n, "\n");
  int const* q = p.debut();
  if (q[0] != 0) stop("Profil de matrice profil incorrect: profil[0]=", q[0], " au lieu de 0\n");
  for (int k = 1; k <= m; ++k) {
    if (q[k] < q[k - 1]) bad_profile("profil decroissant en ", k);
    int const d = q[k] - q[k - 1];
    switch (s) {
      case general_shape:
        if (d % 2 == 0) bad_profile("longueur de ligne paire en ", k);
        if ((d - 1) / 2 > k - 1) bad_profile("premiere colonne avant 1 en ", k);
        break;
      case symmetric_shape:
        if (d == 0) bad_profile("ligne sans diagonale en ", k);
        if (d > k) bad_profile("premiere colonne avant 1 en ", k);
        break;
      case rect_shape:
        if (d > n) bad_profile("premier indice avant 1 en ", k);
        break;
    }
  }
}

template <class T> inline T tsqrt(T x) { return std::sqrt(x); }
template <> inline int tsqrt<int>(int x) { return static_cast<int>(std::sqrt(static_cast<double>(x))); }

struct same {
  template <class T> T operator()(T x) const { return x; }
};
struct conjugate {
  std::complex<double> operator()(std::complex<double> x) const { return std::conj(x); }
};

// Raw kernels. q is the cumulative profile (q[0] = 0), e the element store
// from position 1, vectors are indexed from their first element. Each sum
// keeps the element-by-element order of the algorithm it implements.

// General layout of line i: row part e[q[i-1]..], column part right after,
// diagonal at e[q[i]-1]; both parts start at index i - m(i).
struct gen_line {
  int const* q;
  int half(int i) const { return (q[i] - q[i - 1] - 1) / 2; }
  int first(int i) const { return i - half(i); }
  int row(int i) const { return q[i - 1]; }             // offset of a(i, first(i))
  int col(int i) const { return q[i - 1] + half(i); }   // offset of a(first(i), i)
  int diag(int i) const { return q[i] - 1; }
};

// Symmetric layout: row i from column i - d(i) + 1 to the diagonal.
struct sym_line {
  int const* q;
  int first(int i) const { return i - (q[i] - q[i - 1]) + 1; }
  int row(int i) const { return q[i - 1]; }
  int diag(int i) const { return q[i] - 1; }
};

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
template <class T> struct lane_bits;
template <> struct lane_bits<double> { typedef long long type; };
template <> struct lane_bits<float> { typedef int type; };

template <class T>
struct gen_group {
  typedef kern::simd<T> S;
  typedef typename S::v v;
  typedef typename lane_bits<T>::type I;
  typedef I mask __attribute__((vector_size(32)));
  static constexpr int W = S::width, R = 2 * W, C = 6;

  // Packed rows: P + (k - jmin) * 2R holds a(i0 + r, k) in [0, R) and
  // a(k, i0 + r) in [R, 2R).
  T* P;
  int jmin;
  mask first[2];  // first column of each lane (past the end for absent lines)

  T* row(int k) const { return P + static_cast<long>(k - jmin) * 2 * R; }
  static mask msplat(int k) { return mask{} + static_cast<I>(k); }

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
  void sums(col const (&cs)[C], int nc, int kb, int K0, int kend, v (&a)[C][4], int nfin, T const* piv) const {
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
  void both(col const (&cs)[C], int kb, int K0, int kend, v (&a)[C][4], int nfin, T const* piv) const {
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
  // the registers.
  template <int Up, int N>
  void common(col const (&cs)[C], int kb, int K0, int kend, v (&a)[C][4], int nfin, T const* piv) const {
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
};

template <class T>
int gen_gauss_grouped(int const* q, T* e, int n, double& maxpiv, double& minpiv) {
  typedef gen_group<T> G;
  typedef typename G::S S;
  typedef typename G::v v;
  typedef typename G::mask mask;
  typedef typename G::col col;
  constexpr int W = G::W, R = G::R, C = G::C;
  gen_line L{q};
  int widest = 1;
  for (int i = 1; i <= n; ++i) widest = std::max(widest, i - L.first(i) + 1);
  std::size_t const prow = static_cast<std::size_t>(widest + R) * 2 * R;
  std::vector<T> store(prow + static_cast<std::size_t>(2 * R) * widest + 64 / sizeof(T));
  T* const P = store.data() + (64 - reinterpret_cast<std::size_t>(store.data()) % 64) % 64 / sizeof(T);
  T* const own = P + prow;  // the group's lines as columns: row part then column part
  mask lane[2];
  for (int h = 0; h < 2; ++h)
    for (int w = 0; w < W; ++w) lane[h][w] = static_cast<typename G::I>(h * W + w);
  for (int i0 = 1; i0 <= n; i0 += R) {
    int const nr = std::min(R, n - i0 + 1);
    int pc[R];
    G g;
    g.P = P;
    g.jmin = i0;
    for (int r = 0; r < R; ++r) {
      pc[r] = r < nr ? L.first(i0 + r) : INT_MAX;
      g.jmin = std::min(g.jmin, pc[r]);
      g.first[r / W][r % W] = static_cast<typename G::I>(pc[r]);
    }
    int const jmin = g.jmin;
    // Only the cells no line fills are cleared: before a line's first
    // column and after its diagonal (and the whole of absent lanes).
    for (int r = 0; r < R; ++r) {
      int const end = r < nr ? pc[r] : i0 + nr;
      for (int k = jmin; k < end; ++k) g.row(k)[r] = g.row(k)[R + r] = T(0);
      for (int k = r < nr ? i0 + r : i0 + nr; k < i0 + nr; ++k) {
        if (k > i0 + r) g.row(k)[r] = T(0);
        g.row(k)[R + r] = T(0);
      }
    }
    // Quartets of lines are moved as 4 x 4 blocks over their common columns,
    // the rest one entry at a time; [blo, bhi) is the block part of a line.
    int blo[R], bhi[R];
    for (int r = 0; r < R; ++r) blo[r] = bhi[r] = r < nr ? pc[r] : 0;
    if constexpr (W == 4)
      for (int r0 = 0; r0 + 4 <= nr; r0 += 4) {
        int const lo = std::max(std::max(pc[r0], pc[r0 + 1]), std::max(pc[r0 + 2], pc[r0 + 3]));
        int const nb = lo < i0 + r0 ? (i0 + r0 - lo) / 4 : 0;
        for (int h = 0; h < 2; ++h) {
          T const* src[4];
          for (int t = 0; t < 4; ++t) {
            int const i = i0 + r0 + t;
            src[t] = e + (h ? L.col(i) : L.row(i)) + (lo - pc[r0 + t]);
          }
          for (int b = 0; b < nb; ++b) {
            v x[4] = {S::load(src[0] + 4 * b), S::load(src[1] + 4 * b), S::load(src[2] + 4 * b),
                      S::load(src[3] + 4 * b)};
            kern::transpose4(x);
            for (int t = 0; t < 4; ++t) S::store(g.row(lo + 4 * b + t) + h * R + r0, x[t]);
          }
        }
        for (int t = 0; t < 4; ++t) blo[r0 + t] = lo, bhi[r0 + t] = lo + 4 * nb;
      }
    for (int r = 0; r < nr; ++r) {
      int const i = i0 + r;
      T const* li = e + L.row(i);
      T const* ui = e + L.col(i);
      for (int k = pc[r]; k < i; ++k) {
        if (k == blo[r]) k = bhi[r];
        if (k >= i) break;
        g.row(k)[r] = li[k - pc[r]];
        g.row(k)[R + r] = ui[k - pc[r]];
      }
      g.row(i)[r] = e[L.diag(i)];
    }

    // Columns before the group, six at a time. Meanwhile the next group's
    // lines are fetched into the cache, a share per step.
    char const* pf = reinterpret_cast<char const*>(e + q[std::min(n, i0 + R - 1)]);
    char const* const pf_end = reinterpret_cast<char const*>(e + q[std::min(n, i0 + 2 * R - 1)]);
    long const pf_step = ((pf_end - pf) / ((i0 - jmin) / C + 1) + 63) / 64 * 64;
    for (int j = jmin; j < i0; j += C) {
      int const nc = std::min(C, i0 - j);
      for (char const* pe = pf + std::min(pf_step, static_cast<long>(pf_end - pf)); pf < pe; pf += 64) __builtin_prefetch(pf);
      col cs[C];
      for (int c = 0; c < C; ++c) {
        int const jc = j + std::min(c, nc - 1);
        cs[c].fc = L.first(jc);
        cs[c].cl = e + L.row(jc);
        cs[c].cu = e + L.col(jc);
      }
      int kb, K0;
      g.ranges(cs, pc, j + nc - 1, j, kb, K0);
      v a[C][4];
      for (int c = 0; c < C; ++c) g.start(j + std::min(c, nc - 1), a[c]);
      T piv[C];
      for (int c = 0; c < nc; ++c) piv[c] = e[L.diag(j + c)];
      g.sums(cs, nc, kb, K0, j, a, nc, piv);
    }

    // The group's own columns: the sums over k < i0, the diagonal's
    // included, vectorized as above with the group's lines as columns.
    for (int r = 0; r < R; ++r) blo[r] = bhi[r] = r < nr ? pc[r] : 0;
    if constexpr (W == 4)
      for (int r0 = 0; r0 + 4 <= nr; r0 += 4) {
        int const lo = std::max(std::max(pc[r0], pc[r0 + 1]), std::max(pc[r0 + 2], pc[r0 + 3]));
        int const nb = lo < i0 ? (i0 - lo) / 4 : 0;
        for (int h = 0; h < 2; ++h) {
          T* dst[4];
          for (int t = 0; t < 4; ++t)
            dst[t] = own + static_cast<std::size_t>(2 * (r0 + t) + h) * widest + (lo - pc[r0 + t]);
          for (int b = 0; b < nb; ++b) {
            T const* pk = g.row(lo + 4 * b) + h * R + r0;
            v x[4] = {S::load(pk), S::load(pk + 2 * R), S::load(pk + 4 * R), S::load(pk + 6 * R)};
            kern::transpose4(x);
            for (int t = 0; t < 4; ++t) S::store(dst[t] + 4 * b, x[t]);
          }
        }
        for (int t = 0; t < 4; ++t) blo[r0 + t] = lo, bhi[r0 + t] = lo + 4 * nb;
      }
    for (int c = 0; c < nr; ++c) {
      T* ol = own + static_cast<std::size_t>(2 * c) * widest;
      for (int k = pc[c]; k < i0; ++k) {
        if (k == blo[c]) k = bhi[c];
        if (k >= i0) break;
        ol[k - pc[c]] = g.row(k)[c];
        ol[widest + (k - pc[c])] = g.row(k)[R + c];
      }
    }
    for (int c0 = 0; c0 < nr; c0 += C) {
      int const nc = std::min(C, nr - c0);
      col cs[C];
      for (int c = 0; c < C; ++c) {
        int const cc = c0 + std::min(c, nc - 1);
        cs[c].fc = pc[cc];
        cs[c].cl = own + static_cast<std::size_t>(2 * cc) * widest;
        cs[c].cu = cs[c].cl + widest;
      }
      int kb, K0;
      g.ranges(cs, pc, i0 + c0 + nc - 1, i0, kb, K0);
      v a[C][4];
      for (int c = 0; c < C; ++c) g.start(i0 + c0 + std::min(c, nc - 1), a[c]);
      g.sums(cs, nc, kb, K0, i0, a, 0, nullptr);
      for (int c = 0; c < nc; ++c) {
        int const cc = c0 + c;
        mask const in[2] = {g.first[0] <= G::msplat(i0 + cc), g.first[1] <= G::msplat(i0 + cc)};
        mask const ml[2] = {in[0] & (lane[0] >= G::msplat(cc)), in[1] & (lane[1] >= G::msplat(cc))};
        mask const mu[2] = {in[0] & (lane[0] > G::msplat(cc)), in[1] & (lane[1] > G::msplat(cc))};
        g.put(i0 + cc, a[c], ml, mu);
      }
    }

    // Then line after line: the terms k >= i0, the pivot, and the group's
    // later lines in this column. The lines are written back once the
    // group is done, or up to the line whose pivot fails.
    auto write_back = [&](int last) {
      for (int c = 0; c <= last; ++c) {
        int const i = i0 + c;
        T* li = e + L.row(i);
        T* ui = e + L.col(i);
        T const* ol = own + static_cast<std::size_t>(2 * c) * widest;
        int const k1 = std::max(i0, pc[c]);
        std::copy(ol, ol + (k1 - pc[c]), li);
        std::copy(ol + widest, ol + widest + (k1 - pc[c]), ui);
        for (int k = k1; k < i; ++k) {
          li[k - pc[c]] = g.row(k)[c];
          ui[k - pc[c]] = g.row(k)[R + c];
        }
        e[L.diag(i)] = g.row(i)[c];
      }
    };
    for (int c = 0; c < nr; ++c) {
      int const i = i0 + c;
      int const k1 = std::max(i0, pc[c]);
      T d = g.row(i)[c];
      for (int k = k1; k < i; ++k) d -= g.row(k)[c] * g.row(k)[R + c];
      g.row(i)[c] = d;
      double const piv = absval(d);
      if (piv <= DBL_MIN) {
        write_back(c);
        return i;
      }
      if (i == 1) {
        maxpiv = minpiv = piv;
      } else {
        if (piv > maxpiv) maxpiv = piv;
        if (piv < minpiv) minpiv = piv;
      }
      if (c + 1 == nr) break;
      v a[4];
      g.start(i, a);
      for (int k = k1; k < i; ++k)
        G::masked_term(a, g.row(k), g.row(k)[c], g.row(k)[R + c], g.first[0] <= G::msplat(k),
                       g.first[1] <= G::msplat(k));
      v const dv = S::splat(d);
      a[0] = a[0] / dv;
      a[1] = a[1] / dv;
      mask const in[2] = {g.first[0] <= G::msplat(i), g.first[1] <= G::msplat(i)};
      mask const mu[2] = {in[0] & (lane[0] > G::msplat(c)), in[1] & (lane[1] > G::msplat(c))};
      g.put(i, a, mu, mu);
    }
    write_back(nr - 1);
  }
  return 0;
}

// Doolittle by bordering on the general layout.
template <class T>
int gen_gauss(int const* q, T* e, int n, double& maxpiv, double& minpiv) {
  if constexpr (std::is_floating_point<T>::value) return gen_gauss_grouped(q, e, n, maxpiv, minpiv);
  gen_line L{q};
  for (int i = 1; i <= n; ++i) {
    int const pci = L.first(i);
    T* li = e + L.row(i);  // li[k - pci] = a(i,k)
    T* ui = e + L.col(i);  // ui[k - pci] = a(k,i)
    int j = pci;
    // Four columns at a time: eight independent sums share the loads of
    // row i and column i; each sum still takes its terms in ascending k.
    for (; j + 3 < i; j += 4) {
      int pc[4], k0[4];
      T const* lj[4];
      T const* uj[4];
      T lo[4], up[4];
      int kmax = pci;
      for (int b = 0; b < 4; ++b) {
        pc[b] = L.first(j + b);
        k0[b] = std::max(pci, pc[b]);
        kmax = std::max(kmax, k0[b]);
        lj[b] = e + L.row(j + b);
        uj[b] = e + L.col(j + b);
        lo[b] = li[j + b - pci];
        up[b] = ui[j + b - pci];
      }
      int const K = std::min(j, kmax);
      for (int b = 0; b < 4; ++b)
        for (int k = k0[b]; k < K; ++k) {
          lo[b] -= li[k - pci] * uj[b][k - pc[b]];
          up[b] -= lj[b][k - pc[b]] * ui[k - pci];
        }
      if (K < j) {
        T const* lik = li + (K - pci);
        T const* uki = ui + (K - pci);
        T const *l0 = lj[0] + (K - pc[0]), *l1 = lj[1] + (K - pc[1]), *l2 = lj[2] + (K - pc[2]),
                *l3 = lj[3] + (K - pc[3]);
        T const *u0 = uj[0] + (K - pc[0]), *u1 = uj[1] + (K - pc[1]), *u2 = uj[2] + (K - pc[2]),
                *u3 = uj[3] + (K - pc[3]);
        T a0 = lo[0], a1 = lo[1], a2 = lo[2], a3 = lo[3];
        T c0 = up[0], c1 = up[1], c2 = up[2], c3 = up[3];
        for (int t = 0, len = j - K; t < len; ++t) {
          T const x = lik[t], y = uki[t];
          a0 -= x * u0[t];
          c0 -= l0[t] * y;
          a1 -= x * u1[t];
          c1 -= l1[t] * y;
          a2 -= x * u2[t];
          c2 -= l2[t] * y;
          a3 -= x * u3[t];
          c3 -= l3[t] * y;
        }
        lo[0] = a0, lo[1] = a1, lo[2] = a2, lo[3] = a3;
        up[0] = c0, up[1] = c1, up[2] = c2, up[3] = c3;
      }
      for (int b = 0; b < 4; ++b) {
        for (int k = std::max(k0[b], j); k < j + b; ++k) {
          lo[b] -= li[k - pci] * uj[b][k - pc[b]];
          up[b] -= lj[b][k - pc[b]] * ui[k - pci];
        }
        li[j + b - pci] = quot(lo[b], e[L.diag(j + b)]);
        ui[j + b - pci] = up[b];
      }
    }
    for (; j < i; ++j) {
      int const pcj = L.first(j);
      int const k0 = std::max(pci, pcj);
      T const* lik = li + (k0 - pci);
      T const* uki = ui + (k0 - pci);
      T const* ljk = e + L.row(j) + (k0 - pcj);
      T const* ukj = e + L.col(j) + (k0 - pcj);
      T aij = li[j - pci];
      T aji = ui[j - pci];
      for (int t = 0, len = j - k0; t < len; ++t) {
        aij -= lik[t] * ukj[t];
        aji -= ljk[t] * uki[t];
      }
      li[j - pci] = quot(aij, e[L.diag(j)]);
      ui[j - pci] = aji;
    }
    T aii = e[L.diag(i)];
    for (int t = 0, len = i - pci; t < len; ++t) aii -= li[t] * ui[t];
    e[L.diag(i)] = aii;
    double const piv = absval(aii);
    if (piv <= DBL_MIN) return i;
    if (i == 1) {
      maxpiv = minpiv = piv;
    } else {
      if (piv > maxpiv) maxpiv = piv;
      if (piv < minpiv) minpiv = piv;
    }
  }
  return 0;
}

// Forward substitution by rows: y[i] = fin(i, b[i] - s) with s the sum of
// l(i, k) y[k] over k = first(i) .. i-1, in ascending k from zero.
//
// One sum alone is a chain of dependent additions. Lines go eight at a
// time: their terms in the unknowns before the group come first in every
// sum and are independent of each other, so they run side by side (each
// line's own terms below the common start first); then each line adds the
// terms of the group's earlier lines.
template <class T, class Line, class Fin>
void forward_rows(Line L, T const* e, int n, T const* b, T* y, Fin fin) {
  constexpr int G = 8;
  int i0 = 1;
  for (; i0 + G - 1 <= n; i0 += G) {
    T const* l[G];  // l[r][k] = l(i0 + r, k), k >= pc[r]
    int pc[G];
    T s[G];
    int K = INT_MIN;  // the common start of the terms before the group
    for (int r = 0; r < G; ++r) {
      pc[r] = L.first(i0 + r);
      l[r] = e + L.row(i0 + r) - pc[r];
      s[r] = T(0);
      K = std::max(K, pc[r]);
    }
    K = std::min(K, i0);
    for (int r = 0; r < G; ++r)
      for (int k = pc[r]; k < K; ++k) s[r] = l[r][k] * y[k - 1] + s[r];
    for (int k = K; k < i0; ++k) {
      T const yk = y[k - 1];
#pragma GCC unroll 8
      for (int r = 0; r < G; ++r) s[r] = l[r][k] * yk + s[r];
    }
    for (int r = 0; r < G; ++r) {
      int const i = i0 + r;
      for (int k = std::max(pc[r], i0); k < i; ++k) s[r] = l[r][k] * y[k - 1] + s[r];
      y[i - 1] = fin(i, b[i - 1] - s[r]);
    }
  }
  for (int i = i0; i <= n; ++i) {
    int const pc = L.first(i);
    T const* li = e + L.row(i);
    T s = T(0);
    for (int t = 0, len = i - pc; t < len; ++t) s = li[t] * y[pc - 1 + t] + s;
    y[i - 1] = fin(i, b[i - 1] - s);
  }
}

// y := L^-1 b, L of unit diagonal stored by rows (first(i), row(i)).
template <class T, class Line>
void forward_unit(Line L, T const* e, int n, T const* b, T* y) {
  forward_rows(L, e, n, b, y, [](int, T v) { return v; });
}

// x := U^-1 y, column-oriented; y is consumed.
template <class T>
void gen_backward(int const* q, T const* e, int n, T* y, T* x) {
  gen_line L{q};
  for (int i = n; i >= 1; --i) {
    int const pc = L.first(i);
    T const* ui = e + L.col(i);
    T const xi = quot(y[i - 1], e[L.diag(i)]);
    x[i - 1] = xi;
    kern::sub_scaled(i - pc, xi, ui, y + pc - 1);
  }
}

// s[b] += sum over k from k0[b] to j-1 of u[k] cj(l(j+b, k)), in ascending
// k for each b: first each sum's own terms below the common start, then the
// common part with the four sums side by side. u[k - pci] is row i's factor.
template <class T, class Conj>
inline void block_sums(T const* u, int pci, int j, T const* const* lj, int const* pc, int const* k0, int kmax,
                       T* s, Conj cj) {
  int const K = std::min(j, kmax);
  for (int b = 0; b < 4; ++b)
    for (int k = k0[b]; k < K; ++k) s[b] = u[k - pci] * cj(lj[b][k - pc[b]]) + s[b];
  if (K >= j) return;
  T const* x = u + (K - pci);
  T const *l0 = lj[0] + (K - pc[0]), *l1 = lj[1] + (K - pc[1]), *l2 = lj[2] + (K - pc[2]), *l3 = lj[3] + (K - pc[3]);
  T s0 = s[0], s1 = s[1], s2 = s[2], s3 = s[3];
  for (int t = 0, len = j - K; t < len; ++t) {
    T const v = x[t];
    s0 = v * cj(l0[t]) + s0;
    s1 = v * cj(l1[t]) + s1;
    s2 = v * cj(l2[t]) + s2;
    s3 = v * cj(l3[t]) + s3;
  }
  s[0] = s0, s[1] = s1, s[2] = s2, s[3] = s3;
}

// Symmetric (Conj = same) or Hermitian (Conj = conjugate) Cholesky.
template <class T, class Conj>
int sym_choleski(int const* q, T* e, int n, double& rap, Conj cj) {
  sym_line L{q};
  double maxpiv = 0, minpiv = DBL_MAX;
  for (int i = 1; i <= n; ++i) {
    int const pci = L.first(i);
    T* li = e + L.row(i);
    T sd = T(0);
    int j = pci;
    for (; j + 3 < i; j += 4) {
      int pc[4], k0[4];
      T const* lj[4];
      T s[4];
      int kmax = pci;
      for (int b = 0; b < 4; ++b) {
        pc[b] = L.first(j + b);
        k0[b] = std::max(pci, pc[b]);
        kmax = std::max(kmax, k0[b]);
        lj[b] = e + L.row(j + b);
        s[b] = T(0);
      }
      block_sums(li, pci, j, lj, pc, k0, kmax, s, cj);
      for (int b = 0; b < 4; ++b) {
        for (int k = std::max(k0[b], j); k < j + b; ++k) s[b] = li[k - pci] * cj(lj[b][k - pc[b]]) + s[b];
        T const lij = quot(li[j + b - pci] - s[b], e[L.diag(j + b)]);
        li[j + b - pci] = lij;
        sd = lij * cj(lij) + sd;
      }
    }
    for (; j < i; ++j) {
      int const pcj = L.first(j);
      int const k0 = std::max(pcj, pci);
      T const* lik = li + (k0 - pci);
      T const* ljk = e + L.row(j) + (k0 - pcj);
      T s = T(0);
      for (int t = 0, len = j - k0; t < len; ++t) s = lik[t] * cj(ljk[t]) + s;
      T const lij = quot(li[j - pci] - s, e[L.diag(j)]);
      li[j - pci] = lij;
      sd = lij * cj(lij) + sd;
    }
    T const t = e[L.diag(i)] - sd;
    if (!rsqrt_dom(t)) return i;
    T const lii = tsqrt(t);
    e[L.diag(i)] = lii;
    if (iszero(lii)) return i;
    double const piv = absval(lii);
    if (piv > maxpiv) maxpiv = piv;
    if (piv < minpiv) minpiv = piv;
  }
  rap = maxpiv / minpiv;
  return 0;
}

}  // namespace sky

#include "lane_kernels.h"

namespace sky {

// Symmetric or Hermitian Crout, L D L^T (L D L^H). w holds l(i,k) d(k) of
// the current row, each product formed once and reused unchanged.
template <class T, class Conj>
int sym_crout(int const* q, T* e, int n, double& rap, Conj cj) {
  sym_line L{q};
  int widest = 0;
  for (int i = 1; i <= n; ++i) widest = std::max(widest, i - L.first(i));
  std::vector<T> w(static_cast<std::size_t>(widest) + 1);
  double maxpiv = 0, minpiv = DBL_MAX;
  for (int i = 1; i <= n; ++i) {
    int const pci = L.first(i);
    T* li = e + L.row(i);
    T* wi = w.data();
    int j = pci;
    for (; j + 3 < i; j += 4) {
      int pc[4], k0[4];
      T const* lj[4];
      T s[4];
      int kmax = pci;
      for (int b = 0; b < 4; ++b) {
        pc[b] = L.first(j + b);
        k0[b] = std::max(pci, pc[b]);
        kmax = std::max(kmax, k0[b]);
        lj[b] = e + L.row(j + b);
        s[b] = T(0);
      }
      block_sums(wi, pci, j, lj, pc, k0, kmax, s, cj);
      for (int b = 0; b < 4; ++b) {
        for (int k = std::max(k0[b], j); k < j + b; ++k) s[b] = wi[k - pci] * cj(lj[b][k - pc[b]]) + s[b];
        T const dj = e[L.diag(j + b)];
        T const lij = quot(li[j + b - pci] - s[b], dj);
        li[j + b - pci] = lij;
        wi[j + b - pci] = lij * dj;
      }
    }
    for (; j < i; ++j) {
      int const pcj = L.first(j);
      int const k0 = std::max(pci, pcj);
      T const* wk = w.data() + (k0 - pci);
      T const* ljk = e + L.row(j) + (k0 - pcj);
      T s = T(0);
      for (int t = 0, len = j - k0; t < len; ++t) s = wk[t] * cj(ljk[t]) + s;
      T const dj = e[L.diag(j)];
      T const lij = quot(li[j - pci] - s, dj);
      li[j - pci] = lij;
      w[j - pci] = lij * dj;
    }
    T s = T(0);
    for (int t = 0, len = i - pci; t < len; ++t) s = w[t] * cj(li[t]) + s;
    T const di = e[L.diag(i)] - s;
    e[L.diag(i)] = di;
    if (iszero(di)) return i;
    double const piv = absval(di);
    if (piv > maxpiv) maxpiv = piv;
    if (piv < minpiv) minpiv = piv;
  }
  rap = maxpiv / minpiv;
  return 0;
}

// y[t] = y[t] - cj(l[t]) x for t < len, the backward terms of one line.
template <class T, class Conj>
inline void backward_terms(int len, T x, T const* l, T* y, Conj cj) {
  if constexpr (std::is_same<Conj, same>::value) {
    kern::sub_scaled(len, x, l, y);
  } else {
    for (int t = 0; t < len; ++t) y[t] = y[t] - cj(l[t]) * x;
  }
}

template <class T, class Conj>
void sym_solve_choleski(int const* q, T const* e, int n, T const* b, T* y, T* x, Conj cj) {
  sym_line L{q};
  forward_rows(L, e, n, b, y, [&](int i, T v) { return quot(v, e[L.diag(i)]); });
  for (int i = n; i >= 1; --i) {
    int const pc = L.first(i);
    T const* li = e + L.row(i);
    T const xi = quot(y[i - 1], e[L.diag(i)]);
    x[i - 1] = xi;
    backward_terms(i - pc, xi, li, y + pc - 1, cj);
  }
}

template <class T, class Conj>
void sym_solve_crout(int const* q, T const* e, int n, T const* b, T* y, T* x, Conj cj) {
  sym_line L{q};
  forward_unit(L, e, n, b, y);
  for (int i = n; i >= 1; --i) y[i - 1] = quot(y[i - 1], e[L.diag(i)]);
  for (int i = n; i >= 1; --i) {
    int const pc = L.first(i);
    T const* li = e + L.row(i);
    T const xi = y[i - 1];
    x[i - 1] = xi;
    backward_terms(i - pc, xi, li, y + pc - 1, cj);
  }
}

inline bool same_range(int lo, int hi, int want_lo, int want_hi) { return lo == want_lo && hi == want_hi; }

template <class T>
void fit(gvector<T>& x, int lo, int hi) {
  if (x.imin() != lo || x.imax() != hi) x.resize(lo, hi);
}

}  // namespace sky

// ---------------------------------------------------------------- skygmatrix

template <class T>
skygmatrix<T>::skygmatrix() : status(normal), rap_piv(0), profil(0, 0), elem(1, 0) {
  profil[0] = 0;
}

template <class T>
skygmatrix<T>::skygmatrix(gvector<int> p) : status(normal), rap_piv(0) {
  set_profile(std::move(p), general_layout);
}

template <class T>
skygmatrix<T>::skygmatrix(gvector<int>&& p, layout k) : status(normal), rap_piv(0) {
  set_profile(std::move(p), k);
}

template <class T>
skygmatrix<T>::skygmatrix(skygmatrix const& a) : skygmatrix(a, general_layout) {}

template <class T>
skygmatrix<T>::skygmatrix(skygmatrix const& a, layout k)
    : status(normal), rap_piv(0), profil(a.profil), elem(a.elem) {
  // A symmetric matrix copied into a general one must fit the general layout.
  if (k != a.kind())
    sky::check_profile(profil, k == general_layout ? sky::general_shape : sky::symmetric_shape, 0);
}

template <class T>
skygmatrix<T>::~skygmatrix() {}

template <class T>
typename skygmatrix<T>::layout skygmatrix<T>::kind() const {
  return dynamic_cast<skysmatrix<T> const*>(this) ? symmetric_layout : general_layout;
}

template <class T>
void skygmatrix<T>::set_profile(gvector<int>&& p, layout k) {
  sky::check_profile(p, k == general_layout ? sky::general_shape : sky::symmetric_shape, 0);
  profil = std::move(p);
  elem.resize(1, profil.debut()[profil.imax()]);
}

template <class T>
void skygmatrix<T>::resize(gvector<int> p) {
  set_profile(std::move(p), kind());
  elem = T(0);
  status = normal;
}

template <class T>
void skygmatrix<T>::assign(skygmatrix const& a) {
  status = normal;
  if (this == &a) return;
  // Equal values alone are not enough: the profile must agree as well.
  if (profil == a.profil && elem == a.elem) return;
  if (kind() != a.kind())
    sky::check_profile(a.profil, kind() == general_layout ? sky::general_shape : sky::symmetric_shape, 0);
  profil = a.profil;
  elem = a.elem;
}

template <class T>
skygmatrix<T>& skygmatrix<T>::operator=(skygmatrix const& a) {
  assign(a);
  return *this;
}

template <class T>
skygmatrix<T>& skygmatrix<T>::operator=(T v) {
  elem = v;
  status = normal;
  return *this;
}

template <class T>
int skygmatrix<T>::empty() const {
  return imax() < imin();
}

template <class T>
double skygmatrix<T>::cond() const {
  if (status == factors_choleski || status == factors_crout || status == factors_gauss) return rap_piv;
  return 0;
}

template <class T>
int skygmatrix<T>::pcnn(int i) const {
  int const* q = profil.debut();
  return i - (q[i] - q[i - 1] - 1) / 2;
}

template <class T>
int skygmatrix<T>::plnn(int j) const {
  return pcnn(j);
}

template <class T>
int skygmatrix<T>::add(int i, int j) const {
  int const n = imax();
  if (i < 1 || i > n || j < 1 || j > n)
    sky::stop("Erreur d'adressage d'une matrice profil ", n, "x", n, "\nAces a ", i, ",", j);
  int const* q = profil.debut();
  if (i <= j) {
    if (j - i > (q[j] - q[j - 1] - 1) / 2) sky::out_of_profile(i, j);
    return q[j] - j + i;
  }
  int const m = (q[i] - q[i - 1] - 1) / 2;
  if (i - j > m) sky::out_of_profile(i, j);
  return q[i] - m - i + j;
}

template <class T>
T& skygmatrix<T>::operator()(int i, int j) const {
  return elem.debut()[this->add(i, j) - 1];
}

template <class T>
T skygmatrix<T>::operator()(int, int i, int j) const {
  int const n = imax();
  if (i < 1 || i > n || j < 1 || j > n) this->add(i, j);
  int const* q = profil.debut();
  int const m = (q[std::max(i, j)] - q[std::max(i, j) - 1] - 1) / 2;
  if (std::abs(i - j) > m) return T(0);
  return elem.debut()[add(i, j) - 1];
}

template <class T>
gvector<T> skygmatrix<T>::operator*(gvector<T> const& x) const {
  int const n = imax();
  if (!sky::same_range(x.imin(), x.imax(), imin(), n))
    sky::stop("Multiplation matice profil, vecteur.\nDimensions incorrectes:\n Matrice ", imin(), "x", n,
              "\nVecteur ", x.imin(), "x", x.imax());
  gvector<T> y(x.imin(), x.imax());
  y = T(0);
  sky::gen_line L{profil.debut()};
  T const* e = elem.debut();
  T const* xv = x.debut();
  T* yv = y.debut();
  for (int i = 1; i <= n; ++i) {
    int const pc = L.first(i);
    T const* li = e + L.row(i);
    T const* ui = e + L.col(i);
    T yi = yv[i - 1];
    for (int t = 0, len = i - pc; t < len; ++t) yi += li[t] * xv[pc - 1 + t];
    for (int t = 0, len = i - pc; t < len; ++t) yv[pc - 1 + t] += ui[t] * xv[i - 1];
    yi += e[L.diag(i)] * xv[i - 1];
    yv[i - 1] = yi;
  }
  return y;
}

template <class T>
void skygmatrix<T>::refuse_if_factored() const {
  if (status != normal) sky::refuse_factorization();
}

template <class T>
void skygmatrix<T>::require_gauss_factors() const {
  if (status != factors_gauss) sky::not_factored();
}

template <class T>
int skygmatrix<T>::gauss() {
  refuse_if_factored();
  status = factors_gauss;
  if (kind() == symmetric_layout) return gauss_lower_only();
  double maxpiv = 0, minpiv = DBL_MAX;
  int const r = sky::gen_gauss(profil.debut(), elem.debut(), imax(), maxpiv, minpiv);
  if (r) {
    status = erreur;
    return r;
  }
  rap_piv = maxpiv / minpiv;
  return 0;
}

// gauss on symmetric storage: the upper triangle cannot be addressed, so the
// first line with an off-diagonal entry stops the run through add; lines
// before it are diagonal and only have their pivots checked.
template <class T>
int skygmatrix<T>::gauss_lower_only() {
  int const n = imax();
  double maxpiv = 0, minpiv = DBL_MAX;
  for (int i = 1; i <= n; ++i) {
    int const pc = this->pcnn(i);
    if (pc < i) this->add(pc, i);
    double const piv = absval(elem.debut()[profil.debut()[i] - 1]);
    if (piv <= DBL_MIN) {
      status = erreur;
      return i;
    }
    if (i == 1) {
      maxpiv = minpiv = piv;
    } else {
      if (piv > maxpiv) maxpiv = piv;
      if (piv < minpiv) minpiv = piv;
    }
  }
  rap_piv = maxpiv / minpiv;
  return 0;
}

template <class T>
void skygmatrix<T>::solve(gvector<T> const& b, gvector<T>& x) const {
  require_gauss_factors();
  this->solve_gauss(b, x);
}

namespace sky {
[[noreturn]] inline void vector_size(char const* what, int lo, int hi, int blo, int bhi) {
  stop(what, "Matrice [", lo, ",", hi, "]^2\n", "Vecteur [", blo, ",", bhi, "]\n");
}
[[noreturn]] inline void block_size(char const* what, char const* name, int lo, int hi, int bi0, int bi1,
                                    int bj0, int bj1) {
  stop(what, name, lo, ",", hi, "]^2\n", "B [", bi0, ",", bi1, "]x[", bj0, ",", bj1, "]\n");
}
}  // namespace sky

template <class T>
void skygmatrix<T>::solve_gauss(gvector<T> const& b, gvector<T>& x) const {
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size("Tailles incompatibles dans la descente/remonte gauss:\n", imin(), n, b.imin(), b.imax());
  if (kind() == symmetric_layout) {
    solve_gauss_lower_only(b, x);
    return;
  }
  gvector<T> y(b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::forward_unit(sky::gen_line{profil.debut()}, elem.debut(), n, b.debut(), y.debut());
  sky::gen_backward(profil.debut(), elem.debut(), n, y.debut(), x.debut());
}

// The forward pass reads the lower triangle; the backward pass stops at the
// first column with an entry above the diagonal.
template <class T>
void skygmatrix<T>::solve_gauss_lower_only(gvector<T> const& b, gvector<T>& x) const {
  int const n = imax();
  gvector<T> y(b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::forward_unit(sky::sym_line{profil.debut()}, elem.debut(), n, b.debut(), y.debut());
  T* xv = x.debut();
  for (int i = n; i >= 1; --i) {
    xv[i - 1] = quot(y.debut()[i - 1], elem.debut()[profil.debut()[i] - 1]);
    int const pc = this->plnn(i);
    if (pc < i) this->add(pc, i);
  }
}

template <class T>
void skygmatrix<T>::solveUxb(gvector<T> const& b, gvector<T>& x) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size("Tailles incompatibles dans la U x = b, gauss:\n", imin(), n, b.imin(), b.imax());
  gvector<T> y(b);
  sky::fit(x, imin(), n);
  sky::gen_backward(profil.debut(), elem.debut(), n, y.debut(), x.debut());
}

template <class T>
void skygmatrix<T>::solvexUb(gvector<T> const& b, gvector<T>& x) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size("Tailles incompatibles dans la x U = b, gauss:\n", imin(), n, b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::gen_line L{profil.debut()};
  T const* e = elem.debut();
  T const* bv = b.debut();
  T* xv = x.debut();
  for (int i = 1; i <= n; ++i) {
    int const pc = L.first(i);
    T const* ui = e + L.col(i);
    T xi = bv[i - 1];
    for (int t = 0, len = i - pc; t < len; ++t) xi -= ui[t] * xv[pc - 1 + t];
    xv[i - 1] = quot(xi, e[L.diag(i)]);
  }
}

template <class T>
void skygmatrix<T>::solveLxb(gvector<T> const& b, gvector<T>& x) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size("Tailles incompatibles dans la L x = b, gauss:\n", imin(), n, b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::gen_line L{profil.debut()};
  T const* e = elem.debut();
  T const* bv = b.debut();
  T* xv = x.debut();
  for (int i = 1; i <= n; ++i) {
    int const pc = L.first(i);
    T const* li = e + L.row(i);
    T xi = bv[i - 1];
    for (int t = 0, len = i - pc; t < len; ++t) xi -= li[t] * xv[pc - 1 + t];
    xv[i - 1] = xi;
  }
}

template <class T>
void skygmatrix<T>::solveXUC(gmatrix<T> const& B, gmatrix<T>& X) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(B.jmin(), B.jmax(), imin(), n))
    sky::block_size("Tailles incompatibles dans la X U = B, gauss:\n", "X [", imin(), n, B.imin(), B.imax(),
                    B.jmin(), B.jmax());
  if (X.imin() != B.imin() || X.imax() != B.imax() || X.jmin() != B.jmin() || X.jmax() != B.jmax())
    X.resize(B.imin(), B.imax(), B.jmin(), B.jmax());
  sky::gen_line L{profil.debut()};
  T const* e = elem.debut();
  for (int r = B.imin(); r <= B.imax(); ++r) {
    T const* br = B.debut_ligne(r);
    T* xr = X.debut_ligne(r);
    for (int j = 1; j <= n; ++j) {
      int const pc = L.first(j);
      T const* uj = e + L.col(j);
      T v = br[j - 1];
      for (int t = 0, len = j - pc; t < len; ++t) v -= uj[t] * xr[pc - 1 + t];
      xr[j - 1] = quot(v, e[L.diag(j)]);
    }
  }
}

template <class T>
void skygmatrix<T>::solveLXC(gmatrix<T> const& B, gmatrix<T>& X) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(B.imin(), B.imax(), imin(), n))
    sky::block_size("Tailles incompatibles dans la L X = B, gauss:\n", "L [", imin(), n, B.imin(), B.imax(),
                    B.jmin(), B.jmax());
  if (X.imin() != B.imin() || X.imax() != B.imax() || X.jmin() != B.jmin() || X.jmax() != B.jmax())
    X.resize(B.imin(), B.imax(), B.jmin(), B.jmax());
  int const nc = B.jmax() - B.jmin() + 1;
  if (nc <= 0) return;
  sky::gen_line L{profil.debut()};
  T const* e = elem.debut();
  // Row by row over all columns at once: each X(i,c) still receives its
  // terms in ascending k.
  for (int i = 1; i <= n; ++i) {
    T const* br = B.debut_ligne(i);
    T* xi = X.debut_ligne(i);
    if (xi != br) std::copy(br, br + nc, xi);
    int const pc = L.first(i);
    T const* li = e + L.row(i);
    for (int k = pc; k < i; ++k) {
      T const a = li[k - pc];
      T const* xk = X.debut_ligne(k);
      for (int c = 0; c < nc; ++c) xi[c] -= a * xk[c];
    }
  }
}

template <class T>
void skygmatrix<T>::solveXUC(skyhrectmatrix<T> const& B, skyhrectmatrix<T>& X) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(B.jmin(), B.jmax(), imin(), n))
    sky::block_size("Tailles incompatibles dans la X U = B, gauss:\n", "X [", imin(), n, B.imin(), B.imax(),
                    B.jmin(), B.jmax());
  if (X.N != B.N || X.profil != B.profil) X.resize(B.profil, B.N);
  sky::gen_line L{profil.debut()};
  T const* e = elem.debut();
  for (int r = B.imin(); r <= B.imax(); ++r) {
    int const p = B.first(r);
    T const* br = B.run(r);  // br[j - p] = B(r,j)
    T* xr = X.run(r);
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

template <class T>
void skygmatrix<T>::solveLXC(skyvrectmatrix<T> const& B, skyvrectmatrix<T>& X) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(B.imin(), B.imax(), imin(), n))
    sky::block_size("Tailles incompatibles dans la L X = B, gauss:\n", "L [", imin(), n, B.imin(), B.imax(),
                    B.jmin(), B.jmax());
  if (X.N != B.N || X.profil != B.profil) X.resize(B.profil, B.N);
  sky::gen_line L{profil.debut()};
  T const* e = elem.debut();
  for (int c = B.jmin(); c <= B.jmax(); ++c) {
    int const p = B.first(c);
    T const* bc = B.run(c);  // bc[i - p] = B(i,c)
    T* xc = X.run(c);
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

// ---------------------------------------------------------------- skysmatrix

template <class T>
skysmatrix<T>::~skysmatrix() {}

template <class T>
int skysmatrix<T>::pcnn(int i) const {
  int const* q = this->profil.debut();
  return q[i - 1] + i - q[i] + 1;
}

template <class T>
int skysmatrix<T>::add(int i, int j) const {
  int const n = this->imax();
  if (i < 1 || i > n || j < 1 || j > n)
    sky::stop("Erreur d'adressage d'une matrice profil symetrique ", n, "x", n, "\nAces a ", i, ",", j);
  int const* q = this->profil.debut();
  if (i >= j && i - j >= q[i] - q[i - 1])
    sky::stop("Tentative d'adressage d'un element hors profil symetrique i=", i, " j=", j);
  if (i < j)
    sky::stop("On ne peut aceder que le triangle ", "inferieur d'une matrice symetrique\nAcces a i=", i, " j=", j);
  return q[i] - i + j;
}

template <class T>
T& skysmatrix<T>::operator()(int i, int j) const {
  return this->elem.debut()[this->add(i, j) - 1];
}

template <class T>
T skysmatrix<T>::operator()(int, int i, int j) const {
  int const n = this->imax();
  if (i < 1 || i > n || j < 1 || j > n) this->add(i, j);
  int const* q = this->profil.debut();
  if (i < j) return j - i < q[j] - q[j - 1] ? this->elem.debut()[q[j] - j + i - 1] : T(0);
  return i - j < q[i] - q[i - 1] ? this->elem.debut()[q[i] - i + j - 1] : T(0);
}

namespace sky {
// y := A x over the full symmetric (Hermitian) matrix from its lower triangle.
template <class T, class Conj>
void sym_product(int const* q, T const* e, int n, T const* x, T* y, Conj cj) {
  sym_line L{q};
  for (int i = 1; i <= n; ++i) {
    int const pc = L.first(i);
    T const* li = e + L.row(i);
    T yi = y[i - 1];
    for (int t = 0, len = i - pc; t < len; ++t) yi += li[t] * x[pc - 1 + t];
    for (int t = 0, len = i - pc; t < len; ++t) y[pc - 1 + t] += cj(li[t]) * x[i - 1];
    yi += e[L.diag(i)] * x[i - 1];
    y[i - 1] = yi;
  }
}
}  // namespace sky

template <class T>
gvector<T> skysmatrix<T>::operator*(gvector<T> const& x) const {
  int const n = this->imax();
  if (!sky::same_range(x.imin(), x.imax(), this->imin(), n))
    sky::stop("Multiplication matrice profil symetrique, vecteur.\n", "Dimensions incorrectes:\n Matrice ",
              this->imin(), "x", n, "\nVecteur ", x.imin(), "x", x.imax());
  gvector<T> y(x.imin(), x.imax());
  y = T(0);
  sky::sym_product(this->profil.debut(), this->elem.debut(), n, x.debut(), y.debut(), sky::same());
  return y;
}

template <class T>
void skysmatrix<T>::solve(gvector<T> const& b, gvector<T>& x) const {
  if (this->status == factors_choleski)
    this->solve_choleski(b, x);
  else if (this->status == factors_crout)
    this->solve_crout(b, x);
  else
    sky::not_factored();
}

template <class T>
int skysmatrix<T>::choleski() {
  this->refuse_if_factored();
  this->status = factors_choleski;
  int r;
  if constexpr (std::is_floating_point<T>::value)
    r = sky::lanes::sym_lines_grouped<T, false>(this->profil.debut(), this->elem.debut(), this->imax(), this->rap_piv);
  else
    r = sky::sym_choleski(this->profil.debut(), this->elem.debut(), this->imax(), this->rap_piv, sky::same());
  if (r) this->status = erreur;
  return r;
}

template <class T>
int skysmatrix<T>::crout() {
  this->refuse_if_factored();
  this->status = factors_crout;
  int r;
  if constexpr (std::is_floating_point<T>::value)
    r = sky::lanes::sym_lines_grouped<T, true>(this->profil.debut(), this->elem.debut(), this->imax(), this->rap_piv);
  else
    r = sky::sym_crout(this->profil.debut(), this->elem.debut(), this->imax(), this->rap_piv, sky::same());
  if (r) this->status = erreur;
  return r;
}

template <class T>
void skysmatrix<T>::solve_choleski(gvector<T> const& b, gvector<T>& x) const {
  int const n = this->imax();
  if (!sky::same_range(b.imin(), b.imax(), this->imin(), n))
    sky::vector_size("Tailles incompatibles dans la descente/remonte choleski:\n", this->imin(), n, b.imin(),
                     b.imax());
  gvector<T> y(b.imin(), b.imax());
  sky::fit(x, this->imin(), n);
  sky::sym_solve_choleski(this->profil.debut(), this->elem.debut(), n, b.debut(), y.debut(), x.debut(), sky::same());
}

template <class T>
void skysmatrix<T>::solve_crout(gvector<T> const& b, gvector<T>& x) const {
  int const n = this->imax();
  if (!sky::same_range(b.imin(), b.imax(), this->imin(), n))
    sky::vector_size("Tailles incompatibles dans la descente/remonte crout:\n", this->imin(), n, b.imin(), b.imax());
  gvector<T> y(b.imin(), b.imax());
  sky::fit(x, this->imin(), n);
  sky::sym_solve_crout(this->profil.debut(), this->elem.debut(), n, b.debut(), y.debut(), x.debut(), sky::same());
}

// ---------------------------------------------------------------- skyhmatrix

skyhmatrix::~skyhmatrix() {}

std::complex<double>& skyhmatrix::operator()(int i, int j) const {
  return elem.debut()[add(i, j) - 1];
}

std::complex<double> skyhmatrix::operator()(int z, int i, int j) const {
  int const n = imax();
  if (i < 1 || i > n || j < 1 || j > n) add(i, j);
  if (i < j) return std::conj(skysmatrix<C>::operator()(z, j, i));
  return skysmatrix<C>::operator()(z, i, j);
}

gvector<std::complex<double>> skyhmatrix::operator*(gvector<C> const& x) const {
  int const n = imax();
  if (!sky::same_range(x.imin(), x.imax(), imin(), n))
    sky::stop("Multiplication matrice profil symetrique, vecteur.\n", "Dimensions incorrectes:\n Matrice ", imin(),
              "x", n, "\nVecteur ", x.imin(), "x", x.imax());
  gvector<C> y(x.imin(), x.imax());
  y = C(0);
  sky::sym_product(profil.debut(), elem.debut(), n, x.debut(), y.debut(), sky::conjugate());
  return y;
}

void skyhmatrix::solve(gvector<C> const& b, gvector<C>& x) const {
  if (status == factors_choleski)
    solve_choleski(b, x);
  else if (status == factors_crout)
    solve_crout(b, x);
  else
    sky::not_factored();
}

int skyhmatrix::choleski() {
  refuse_if_factored();
  status = factors_choleski;
  int const r = sky::sym_choleski(profil.debut(), elem.debut(), imax(), rap_piv, sky::conjugate());
  if (r) status = erreur;
  return r;
}

int skyhmatrix::crout() {
  refuse_if_factored();
  status = factors_crout;
  int const r = sky::sym_crout(profil.debut(), elem.debut(), imax(), rap_piv, sky::conjugate());
  if (r) status = erreur;
  return r;
}

void skyhmatrix::solve_choleski(gvector<C> const& b, gvector<C>& x) const {
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size("Tailles incompatibles dans la descente/remonte choleski:\n", imin(), n, b.imin(), b.imax());
  gvector<C> y(b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::sym_solve_choleski(profil.debut(), elem.debut(), n, b.debut(), y.debut(), x.debut(), sky::conjugate());
}

void skyhmatrix::solve_crout(gvector<C> const& b, gvector<C>& x) const {
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size("Tailles incompatibles dans la descente/remonte crout:\n", imin(), n, b.imin(), b.imax());
  gvector<C> y(b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::sym_solve_crout(profil.debut(), elem.debut(), n, b.debut(), y.debut(), x.debut(), sky::conjugate());
}

double norm_inf(skyhmatrix const& a) {
  if (a.state() != normal) {
    nmsg("Attention norme de matrice non valable\n");
    return 0;
  }
  int const n = a.imax();
  int const* q = a.profile().debut();
  std::complex<double> const* e = a.values().debut();
  std::vector<double> r(static_cast<std::size_t>(n) + 1, 0.0);
  for (int i = 1; i <= n; ++i) {
    int const pc = i - (q[i] - q[i - 1]) + 1;
    std::complex<double> const* li = e + q[i - 1];
    for (int j = pc; j < i; ++j) {
      double const v = std::abs(li[j - pc]);
      r[i] += v;
      r[j] += v;
    }
    r[i] += std::abs(e[q[i] - 1]);
  }
  double best = 0;
  for (int i = 1; i <= n; ++i)
    if (r[i] > best) best = r[i];
  return best;
}

double norm_1(skyhmatrix const& a) { return norm_inf(a); }

// ------------------------------------------------------- rectangular matrices

template <class T>
skyrectmatrix<T>::skyrectmatrix() : N(0), profil(0, 0), elem(1, 0) {
  profil[0] = 0;
}

template <class T>
skyrectmatrix<T>::skyrectmatrix(gvector<int>&& p, int n) : N(0) {
  set_profile(std::move(p), n);
}

template <class T>
skyrectmatrix<T>::~skyrectmatrix() {}

template <class T>
void skyrectmatrix<T>::set_profile(gvector<int>&& p, int n) {
  sky::check_profile(p, sky::rect_shape, n);
  profil = std::move(p);
  N = n;
  elem.resize(1, profil.debut()[profil.imax()]);
}

template <class T>
void skyrectmatrix<T>::resize(gvector<int> p, int n) {
  set_profile(std::move(p), n);
  elem = T(0);
}

template <class T>
skyrectmatrix<T>& skyrectmatrix<T>::operator=(skyrectmatrix const& a) {
  if (this == &a) return *this;
  // Equal values alone are not enough: the profile and N must agree as well.
  if (N == a.N && profil == a.profil && elem == a.elem) return *this;
  N = a.N;
  profil = a.profil;
  elem = a.elem;
  return *this;
}

template <class T>
skyrectmatrix<T>& skyrectmatrix<T>::operator=(T v) {
  elem = v;
  return *this;
}

template <class T>
int skyrectmatrix<T>::empty() const {
  return runs() == 0 || N == 0;
}

template <class T>
T& skyrectmatrix<T>::operator()(int i, int j) const {
  return elem.debut()[this->add(i, j) - 1];
}

template <class T>
T skyrectmatrix<T>::operator()(int, int i, int j) const {
  if (this->dans_profil(i, j)) return elem.debut()[this->add(i, j) - 1];
  return T(0);
}

// h: rows 1..m, columns 1..N.

template <class T>
skyhrectmatrix<T>::~skyhrectmatrix() {}

template <class T>
int skyhrectmatrix<T>::add(int i, int j) const {
  int const m = this->runs();
  if (i < 1 || i > m || j < 1 || j > this->N)
    sky::stop("Erreur d'adressage d'une matrice profil rh ", m, "x", this->N, "\nAces a ", i, ",", j);
  if (j < this->first(i)) sky::stop("Tentative d'adressage d'un element hors profil i=", i, " j=", j, "\n");
  return j - this->N + this->profil.debut()[i];
}

template <class T>
int skyhrectmatrix<T>::dans_profil(int i, int j) const {
  if (i < 1 || i > this->runs() || j < 1 || j > this->N) add(i, j);
  return j >= this->first(i);
}

template <class T>
int skyhrectmatrix<T>::pcnn(int i) const {
  if (i < 1 || i > this->runs()) add(i, this->N);
  return this->first(i);
}

template <class T>
gvector<T> skyhrectmatrix<T>::ligne(int i) const {
  int const p = pcnn(i);
  gvector<T> t(p, this->N);
  std::copy(this->run(i), this->run(i) + (this->N - p + 1), t.debut());
  return t;
}

template <class T>
gvector<T> skyhrectmatrix<T>::operator*(gvector<T> const& x) const {
  if (!sky::same_range(x.imin(), x.imax(), jmin(), jmax()))
    sky::stop("Incompatibilite de tailles dans produit matrice vecteur:\n", "Matrice [", imin(), ",", imax(), "]x[",
              jmin(), ",", jmax(), "], vecteur [", x.imin(), ",", x.imax(), "]\n");
  gvector<T> y(imin(), imax());
  T const* xv = x.debut();
  for (int i = 1; i <= this->runs(); ++i) {
    int const p = this->first(i);
    T const* a = this->run(i);
    T s = T(0);
    for (int j = p; j <= this->N; ++j) s = a[j - p] * xv[j - 1] + s;
    y.debut()[i - 1] = s;
  }
  return y;
}

template <class T>
skyhrectmatrix<T> skyhrectmatrix<T>::operator*(T s) const {
  skyhrectmatrix<T> r(*this);
  T* e = r.elem.debut();
  for (int k = 0, n = r.size(); k < n; ++k) e[k] = e[k] * s;
  return r;
}

namespace sky {
[[noreturn]] inline void rect_bounds(char const* what, char const* sep, int a0, int a1, int a2, int a3, int b0, int b1,
                                     int b2, int b3) {
  stop(what, " [", a0, ",", a1, "]x[", a2, ",", a3, sep, b0, ",", b1, "]x[", b2, ",", b3, "]\n");
}

// Profile of the union of two runs sets: the longer run of each pair.
inline gvector<int> union_profile(gvector<int> const& a, gvector<int> const& b) {
  int const m = a.imax();
  gvector<int> r(0, m);
  int const* qa = a.debut();
  int const* qb = b.debut();
  long long acc = 0;
  r.debut()[0] = 0;
  for (int k = 1; k <= m; ++k) {
    acc += std::max(qa[k] - qa[k - 1], qb[k] - qb[k - 1]);
    if (acc > INT_MAX) stop("Profil de matrice profil incorrect: taille trop grande\n");
    r.debut()[k] = static_cast<int>(acc);
  }
  return r;
}

// Sum of two runs that both end at the same index: the longer one's own
// entries first, then left + right over the common part.
template <class T>
void add_runs(T const* a, int da, T const* b, int db, T* r) {
  int const dr = std::max(da, db);
  for (int t = 0; t < dr; ++t) {
    int const ta = t - (dr - da), tb = t - (dr - db);
    if (ta >= 0 && tb >= 0)
      r[t] = a[ta] + b[tb];
    else
      r[t] = ta >= 0 ? a[ta] : b[tb];
  }
}
}  // namespace sky

template <class T>
skyhrectmatrix<T> skyhrectmatrix<T>::operator+(skyhrectmatrix const& a) const {
  if (imin() != a.imin() || imax() != a.imax() || jmin() != a.jmin() || jmax() != a.jmax())
    sky::rect_bounds("Incompatibilite de tailles dans somme de matrices profil-h:\n", "] +  [", imin(), imax(),
                     jmin(), jmax(), a.imin(), a.imax(), a.jmin(), a.jmax());
  skyhrectmatrix<T> r(sky::union_profile(this->profil, a.profil), this->N);
  int const* qa = this->profil.debut();
  int const* qb = a.profil.debut();
  for (int k = 1; k <= this->runs(); ++k)
    sky::add_runs(this->run(k), qa[k] - qa[k - 1], a.run(k), qb[k] - qb[k - 1], r.run(k));
  return r;
}

template <class T>
gmatrix<T> skyhrectmatrix<T>::operator*(skyvrectmatrix<T> const& B) const {
  if (jmin() != B.imin() || jmax() != B.imax())
    sky::rect_bounds("Incompatibilite de tailles dans produit de matrices profil:\n", "] +  [", imin(), imax(),
                     jmin(), jmax(), B.imin(), B.imax(), B.jmin(), B.jmax());
  gmatrix<T> P(imin(), imax(), B.jmin(), B.jmax());
  P = T(0);
  int const n = this->N;
  for (int i = imin(); i <= imax(); ++i) {
    int const pa = this->first(i);
    T const* ai = this->run(i);
    T* pi = P.debut_ligne(i);
    for (int j = B.jmin(); j <= B.jmax(); ++j) {
      int const pb = B.first(j);
      int const k0 = std::max(pa, pb);
      T const* aik = ai + (k0 - pa);
      T const* bkj = B.run(j) + (k0 - pb);
      T s = pi[j - B.jmin()];
      for (int t = 0, len = n - k0 + 1; t < len; ++t) s = aik[t] * bkj[t] + s;
      pi[j - B.jmin()] = s;
    }
  }
  return P;
}

// v: rows 1..N, columns 1..m.

template <class T>
skyvrectmatrix<T>::~skyvrectmatrix() {}

template <class T>
int skyvrectmatrix<T>::add(int i, int j) const {
  int const m = this->runs();
  if (i < 1 || i > this->N || j < 1 || j > m)
    sky::stop("Erreur d'adressage d'une matrice profil rv ", this->N, "x", m, "\nAces a ", i, ",", j);
  if (i < this->first(j)) sky::stop("Tentative d'adressage d'un element hors profil i=", i, " j=", j, "\n");
  return i - this->N + this->profil.debut()[j];
}

template <class T>
int skyvrectmatrix<T>::dans_profil(int i, int j) const {
  if (i < 1 || i > this->N || j < 1 || j > this->runs()) add(i, j);
  return i >= this->first(j);
}

template <class T>
int skyvrectmatrix<T>::plnn(int j) const {
  if (j < 1 || j > this->runs()) add(this->N, j);
  return this->first(j);
}

template <class T>
gvector<T> skyvrectmatrix<T>::operator*(gvector<T> const& x) const {
  if (!sky::same_range(x.imin(), x.imax(), jmin(), jmax()))
    sky::stop("Incompatibilite de tailles dans produit matrice vecteur:\n", "Matrice [", imin(), ",", imax(), "]x[",
              jmin(), ",", jmax(), "], vecteur [", x.imin(), ",", x.imax(), "]\n");
  gvector<T> y(1, this->N);
  y = T(0);
  T* yv = y.debut();
  for (int j = 1; j <= this->runs(); ++j) {
    int const p = this->first(j);
    T const* a = this->run(j);
    T const xj = x.debut()[j - 1];
    for (int i = p; i <= this->N; ++i) yv[i - 1] = a[i - p] * xj + yv[i - 1];
  }
  return y;
}

template <class T>
skyvrectmatrix<T> skyvrectmatrix<T>::operator*(T s) const {
  skyvrectmatrix<T> r(*this);
  T* e = r.elem.debut();
  for (int k = 0, n = r.size(); k < n; ++k) e[k] = e[k] * s;
  return r;
}

template <class T>
skyvrectmatrix<T> skyvrectmatrix<T>::operator+(skyvrectmatrix const& a) const {
  if (imin() != a.imin() || imax() != a.imax() || jmin() != a.jmin() || jmax() != a.jmax())
    sky::rect_bounds("Incompatibilite de tailles dans somme de matrices profil-h:\n", "] +  [", imin(), imax(),
                     jmin(), jmax(), a.imin(), a.imax(), a.jmin(), a.jmax());
  skyvrectmatrix<T> r(sky::union_profile(this->profil, a.profil), this->N);
  int const* qa = this->profil.debut();
  int const* qb = a.profil.debut();
  for (int k = 1; k <= this->runs(); ++k)
    sky::add_runs(this->run(k), qa[k] - qa[k - 1], a.run(k), qb[k] - qb[k - 1], r.run(k));
  return r;
}

// ------------------------------------- dense factors applied to profile blocks

template <class T>
void gmatrix<T>::solveXUC(skyhrectmatrix<T> const& B, skyhrectmatrix<T>& X) const {
  if (status != factors_gauss) sky::not_factored();
  if (B.jmin() != nrl || B.jmax() != nrh)
    sky::block_size("Tailles incompatibles dans la X U = B, gauss:\n", "U [", nrl, nrh, B.imin(), B.imax(), B.jmin(),
                    B.jmax());
  if (X.N != B.N || X.profil != B.profil) X.resize(B.profil, B.N);
  int const n = B.N;
  std::vector<T> t(static_cast<std::size_t>(n) + 1);
  for (int r = B.imin(); r <= B.imax(); ++r) {
    int const p = B.first(r);
    T const* br = B.run(r);
    T* xr = X.run(r);
    std::copy(br, br + (n - p + 1), t.data() + p);
    for (int j = p; j <= n; ++j) {
      T const* aj = debut_ligne(j) + (j - ncl);  // aj[k - j] = a(j,k)
      T const xj = quot(t[j], aj[0]);
      xr[j - p] = xj;
      for (int k = j + 1; k <= n; ++k) t[k] = t[k] - aj[k - j] * xj;
    }
  }
}

template <class T>
void gmatrix<T>::solveLXC(skyvrectmatrix<T> const& B, skyvrectmatrix<T>& X) const {
  if (status != factors_gauss) sky::not_factored();
  if (B.imin() != nrl || B.imax() != nrh)
    sky::block_size("Tailles incompatibles dans la L X = B, gauss:\n", "L [", nrl, nrh, B.imin(), B.imax(), B.jmin(),
                    B.jmax());
  // Other bounds or another profile: X takes B's profile, so that no entry
  // of X outside B's profile survives or is written out of X's storage.
  if (X.N != B.N || X.profil != B.profil) X.resize(B.profil, B.N);
  int const n = B.N;
  for (int c = B.jmin(); c <= B.jmax(); ++c) {
    int const p = B.first(c);
    T const* bc = B.run(c);
    T* xc = X.run(c);
    for (int i = p; i <= n; ++i) {
      T const* aik = debut_ligne(i) + (p - ncl);  // aik[k - p] = a(i,k)
      T v = bc[i - p];
      for (int t = 0, len = i - p; t < len; ++t) v = v - aik[t] * xc[t];
      xc[i - p] = v;
    }
  }
}

#endif
