// LU factorization without pivoting of a general profile matrix, line by
// line (Doolittle by bordering), for every element type; the matrix class
// takes it for int and complex<double>, and the grouped version
// (sky_gauss_lanes.h), which gives the same bits, for float and double.
#ifndef KERNELS_SKY_GAUSS_H
#define KERNELS_SKY_GAUSS_H

#include <algorithm>
#include <cfloat>

#include "ptypes.h"
#include "sky_layout.h"

namespace sky {

// Doolittle by bordering on the general layout.
template <class T>
int gen_gauss(int const* q, T* e, int n, double& maxpiv, double& minpiv) {
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
    note_pivot(i, piv, maxpiv, minpiv);
  }
  return 0;
}

}  // namespace sky

#endif
