// Cholesky (L L^T) and Crout (L D L^T) factorizations of a symmetric
// profile matrix, or of a Hermitian one with conjugation, line by line, for
// every element type; the symmetric matrix of float or double takes the
// grouped version (sky_symmetric_lanes.h), which gives the same bits.
#ifndef KERNELS_SKY_SYMMETRIC_H
#define KERNELS_SKY_SYMMETRIC_H

#include <algorithm>
#include <cfloat>
#include <vector>

#include "ptypes.h"
#include "sky_layout.h"

namespace sky {

// s[b] += sum over k from k0[b] to j-1 of u[k] cj(l(j+b, k)), in ascending
// k for each b: first each sum's own terms below the common start, then the
// common part with the four sums side by side. u[k - pci] is row i's factor.
template <class T, class Conj>
inline void block_sums(T const* u, int pci, int j, T const* const* lj, int const* pc, int const* k0,
                       int kmax, T* s, Conj cj) {
  int const K = std::min(j, kmax);
  for (int b = 0; b < 4; ++b)
    for (int k = k0[b]; k < K; ++k) s[b] = u[k - pci] * cj(lj[b][k - pc[b]]) + s[b];
  if (K >= j) return;
  T const* x = u + (K - pci);
  T const *l0 = lj[0] + (K - pc[0]), *l1 = lj[1] + (K - pc[1]), *l2 = lj[2] + (K - pc[2]),
          *l3 = lj[3] + (K - pc[3]);
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

// Lines j .. j+3 of row i (first column pci) four at a time: the sum s of
// each, u[k - pci] cj(l(j+b, k)) over its columns k < j+b in ascending k,
// goes to finish(j+b, s), which makes u[j+b - pci] final before the next
// line's sum reads it. u is row i's factor (Cholesky) or its products with
// the pivots (Crout).
template <class T, class Conj, class Finish>
inline void block_of_four(sym_line L, T const* e, T const* u, int pci, int j, Conj cj,
                          Finish finish) {
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
  block_sums(u, pci, j, lj, pc, k0, kmax, s, cj);
  for (int b = 0; b < 4; ++b) {
    for (int k = std::max(k0[b], j); k < j + b; ++k)
      s[b] = u[k - pci] * cj(lj[b][k - pc[b]]) + s[b];
    finish(j + b, s[b]);
  }
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
    for (; j + 3 < i; j += 4)
      block_of_four(L, e, li, pci, j, cj, [&](int jb, T s) {
        T const lij = quot(li[jb - pci] - s, e[L.diag(jb)]);
        li[jb - pci] = lij;
        sd = lij * cj(lij) + sd;
      });
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
    for (; j + 3 < i; j += 4)
      block_of_four(L, e, wi, pci, j, cj, [&](int jb, T s) {
        T const dj = e[L.diag(jb)];
        T const lij = quot(li[jb - pci] - s, dj);
        li[jb - pci] = lij;
        wi[jb - pci] = lij * dj;
      });
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

}  // namespace sky

#endif
