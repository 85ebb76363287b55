// Products y := A x of the square profile matrices from their storage.
#ifndef KERNELS_SKY_PRODUCT_H
#define KERNELS_SKY_PRODUCT_H

#include "sky_layout.h"

namespace sky {

// y += A x on the general layout, y[i - 1] the entry of line i: per line,
// the row part into y(i), the column part into the y(k) above, then the
// diagonal, each update adding one product to the current entry.
template <class T>
void gen_product(int const* q, T const* e, int n, T const* x, T* y) {
  gen_line L{q};
  for (int i = 1; i <= n; ++i) {
    int const pc = L.first(i);
    T const* li = e + L.row(i);
    T const* ui = e + L.col(i);
    T yi = y[i - 1];
    for (int t = 0, len = i - pc; t < len; ++t) yi += li[t] * x[pc - 1 + t];
    for (int t = 0, len = i - pc; t < len; ++t) y[pc - 1 + t] += ui[t] * x[i - 1];
    yi += e[L.diag(i)] * x[i - 1];
    y[i - 1] = yi;
  }
}

// y += A x over the full symmetric (Hermitian, cj = conjugate) matrix from
// its lower triangle.
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

#endif
