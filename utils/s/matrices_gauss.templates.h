// Dense Gauss factorization without pivoting and the triangular solves
// (template definitions, included by matrices_ti.cpp).
//
// The factorization is a kernel (kernels/dense_gauss.h); the solves walk
// rows of the block by pointer after one check at the entry, and keep the
// order of every sum: each entry has its own accumulator that receives its
// products in ascending k.
#ifndef MATRICES_GAUSS_TEMPLATES_H
#define MATRICES_GAUSS_TEMPLATES_H
#include <algorithm>
#include <vector>

#include "fatal.h"
#include "kernels/dense_gauss.h"
#include "matrices.h"
#include "threads.h"

template <class T>
int gmatrix<T>::gauss() {
  if (status != normal) fatal(1, "Impossible de factorizer une matrice\n");
  status = factors_gauss;
  if (nrh - nrl != nch - ncl) {
    nmsg("Matrice non carre [");
    nmsg(nrl);
    nmsg(",");
    nmsg(nrh);
    nmsg("]x[");
    nmsg(ncl);
    nmsg(",");
    nmsg(nch);
    nmsg("]\n");
    nmsg("Impossible de factorizer par la methode de Gauss");
    status = erreur;
    return -1;
  }
  // Columns indexed unlike rows: take the checked road, which stops at the
  // first access outside the columns.
  if (ncl != nrl) return gauss_checked();

  int const n = nrh - nrl + 1;
  int const failed = kern::gauss_rows(elem, n, utils_threads());
  if (failed >= 0) {
    status = erreur;
    return nrl + failed;
  }
  return 0;
}

// The factorization exactly as written, every element through operator().
template <class T>
int gmatrix<T>::gauss_checked() {
  gmatrix<T>& a = *this;
  for (int i = nrl; i <= nrh; ++i) {
    for (int j = nrl; j < i; ++j) {
      T s = T();
      for (int k = nrl; k < j; ++k) s = a(i, k) * a(k, j) + s;
      a(i, j) = quot(a(i, j) - s, a(j, j));
    }
    T s = T();
    for (int k = nrl; k < i; ++k) s = a(i, k) * a(k, i) + s;
    a(i, i) = a(i, i) - s;
    if (iszero(a(i, i))) {
      status = erreur;
      return i;
    }
    for (int j = i + 1; j <= nrh; ++j) {
      T t = T();
      for (int k = nrl; k < i; ++k) t = a(i, k) * a(k, j) + t;
      a(i, j) = a(i, j) - t;
    }
  }
  return 0;
}

namespace mat {
[[noreturn]] inline void not_factorized() {
  fatal(1, "Tentative de resolution d'un systeme non factorize");
}
}  // namespace mat

template <class T>
void gmatrix<T>::solve_size_error(char const* what, int lo, int hi) const {
  fatal(1, what, "Matrice [", nrl, ",", nrh, "]^2\n", "Vecteur [", lo, ",", hi, "]\n");
}

template <class T>
void gmatrix<T>::solve(gvector<T> const& b, gvector<T>& x) const {
  if (status != factors_gauss)
    fatal(1, "Tentative de resolution d'un systeme avec una matrice non factorize\n");
  if (b.imin() != nrl || b.imax() != nrh)
    fatal(1, "Tailles incompatibles dans la descente remonte par la ",
          "methode de Gauss\npour une matrice pleine\n", "Matrice [", nrl, ",", nrh, "]x[", ncl,
          ",", nch, "]\n", "Vecteur [", b.imin(), ",", b.imax(), "]\n");
  int const n = nrh - nrl + 1;
  gvector<T> y(b.imin(), b.imax());
  T* yy = y.debut();
  T const* bb = b.debut();
  // Forward by groups of G rows: the terms of the finished unknowns run as
  // G independent sums, then each row adds the few terms of its own group.
  constexpr int G = 8;
  int i0 = 0;
  for (; i0 + G <= n; i0 += G) {
    T const* ar[G];
    T s[G];
    for (int r = 0; r < G; ++r) ar[r] = debut_ligne(nrl + i0 + r), s[r] = T();
    for (int k = 0; k < i0; ++k) {
      T const yk = yy[k];
      for (int r = 0; r < G; ++r) s[r] = ar[r][k] * yk + s[r];
    }
    for (int r = 0; r < G; ++r) {
      for (int k = i0; k < i0 + r; ++k) s[r] = ar[r][k] * yy[k] + s[r];
      yy[i0 + r] = bb[i0 + r] - s[r];
    }
  }
  for (int i = i0; i < n; ++i) {
    T const* ai = debut_ligne(nrl + i);
    T s = T();
    for (int k = 0; k < i; ++k) s = ai[k] * yy[k] + s;
    yy[i] = bb[i] - s;
  }
  // b is no longer needed, so x may even be b itself.
  x.resize(nrl, nrh);
  T* xx = x.debut();
  for (int i = n - 1; i >= 0; --i) {
    T const* ai = debut_ligne(nrl + i);
    T s = T();
    for (int k = i + 1; k < n; ++k) s = ai[k] * xx[k] + s;
    xx[i] = quot(yy[i] - s, ai[i]);
  }
}

template <class T>
void gmatrix<T>::solveUxb(gvector<T> const& b, gvector<T>& x) const {
  if (status != factors_gauss) mat::not_factorized();
  int const lo = b.imin(), hi = b.imax();
  if (lo != nrl || hi != nrh)
    solve_size_error("Tailles incompatibles dans la U x = b, gauss:\n", lo, hi);
  if (x.imin() != lo || x.imax() != hi) x.resize(lo, hi);
  int const n = hi - lo + 1;
  T const* bb = b.debut();
  T* xx = x.debut();
  for (int i = n - 1; i >= 0; --i) {
    T const* ai = debut_ligne(nrl + i);
    T v = bb[i];
    for (int j = i + 1; j < n; ++j) v = v - ai[j] * xx[j];
    xx[i] = quot(v, ai[i]);
  }
}

template <class T>
void gmatrix<T>::solvexUb(gvector<T> const& b, gvector<T>& x) const {
  if (status != factors_gauss) mat::not_factorized();
  int const lo = b.imin(), hi = b.imax();
  if (lo != nrl || hi != nrh)
    solve_size_error("Tailles incompatibles dans la x U = b, gauss:\n", lo, hi);
  gvector<T> t(b);
  if (x.imin() != lo || x.imax() != hi) x.resize(lo, hi);
  int const n = hi - lo + 1;
  T* tt = t.debut();
  T* xx = x.debut();
  for (int i = 0; i < n; ++i) {
    T const* ai = debut_ligne(nrl + i);
    T const xi = quot(tt[i], ai[i]);
    xx[i] = xi;
    for (int j = i + 1; j < n; ++j) tt[j] = tt[j] - ai[j] * xi;
  }
}

template <class T>
void gmatrix<T>::solveLxb(gvector<T> const& b, gvector<T>& x) const {
  if (status != factors_gauss) mat::not_factorized();
  int const lo = b.imin(), hi = b.imax();
  if (lo != nrl || hi != nrh)
    solve_size_error("Tailles incompatibles dans la L x = b, gauss:\n", lo, hi);
  if (x.imin() != lo || x.imax() != hi) x.resize(lo, hi);
  int const n = hi - lo + 1;
  T const* bb = b.debut();
  T* xx = x.debut();
  for (int i = 0; i < n; ++i) {
    T const* ai = debut_ligne(nrl + i);
    T v = bb[i];
    for (int j = 0; j < i; ++j) v = v - ai[j] * xx[j];
    xx[i] = v;
  }
}

template <class T>
void gmatrix<T>::solveXUC(gmatrix const& B, gmatrix& X) const {
  if (status != factors_gauss) mat::not_factorized();
  int const jlo = B.ncl, jhi = B.nch;
  if (jlo != nrl || jhi != nrh)
    fatal(1, "Tailles incompatibles dans la X U = B, gauss:\n", "U [", nrl, ",", nrh, "]^2\n",
          "B [", B.nrl, ",", B.nrh, "]x[", jlo, ",", jhi, "]\n");
  if (X.nrl != B.nrl || X.nrh != B.nrh || X.ncl != B.ncl || X.nch != B.nch)
    X.resize(B.nrl, B.nrh, B.ncl, B.nch);
  int const n = jhi - jlo + 1;
  std::vector<T> t(static_cast<std::size_t>(n));
  for (int r = B.nrl; r <= B.nrh; ++r) {
    T const* br = B.debut_ligne(r);
    std::copy(br, br + n, t.begin());
    T* xr = X.debut_ligne(r);
    for (int j = 0; j < n; ++j) {
      T const* aj = debut_ligne(nrl + j);
      T const xj = quot(t[j], aj[j]);
      xr[j] = xj;
      for (int k = j + 1; k < n; ++k) t[k] = t[k] - aj[k] * xj;
    }
  }
}

template <class T>
void gmatrix<T>::solveLXC(gmatrix const& B, gmatrix& X) const {
  if (status != factors_gauss) mat::not_factorized();
  int const ilo = B.nrl, ihi = B.nrh;
  if (ilo != nrl || ihi != nrh)
    fatal(1, "Tailles incompatibles dans la L X = B, gauss:\n", "L [", nrl, ",", nrh, "]^2\n",
          "B [", ilo, ",", ihi, "]x[", B.ncl, ",", B.nch, "]\n");
  if (X.nrl != B.nrl || X.nrh != B.nrh || X.ncl != B.ncl || X.nch != B.nch)
    X.resize(B.nrl, B.nrh, B.ncl, B.nch);
  int const n = ihi - ilo + 1, w = B.nch - B.ncl + 1;
  // Row by row over all columns at once: each X(i,c) still subtracts its
  // terms in ascending k.
  for (int i = 0; i < n; ++i) {
    T const* ai = debut_ligne(nrl + i);
    T* xi = X.debut_ligne(ilo + i);
    T const* bi = B.debut_ligne(ilo + i);
    if (xi != bi) std::copy(bi, bi + w, xi);
    for (int k = 0; k < i; ++k) {
      T const aik = ai[k];
      T const* xk = X.debut_ligne(ilo + k);
      for (int c = 0; c < w; ++c) xi[c] = xi[c] - aik * xk[c];
    }
  }
}

#endif
