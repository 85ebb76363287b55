// Triangular solves with the factors of the profile matrices.
#ifndef KERNELS_SKY_SOLVE_H
#define KERNELS_SKY_SOLVE_H

#include <algorithm>
#include <climits>
#include <type_traits>

#include "axpy.h"
#include "ptypes.h"
#include "sky_layout.h"

namespace sky {

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
void gen_solve_XU_rows(int const* q, T const* e, int n, int rows, T const* B, long ldb, T* X, long ldx) {
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
