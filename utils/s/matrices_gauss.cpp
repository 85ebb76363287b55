// Dense Gauss factorization without pivoting and the triangular solves
// (template definitions, compiled through matrices_ti.cpp).
//
// The kernels walk rows of the block by pointer after one check at the
// entry, and keep the order of every sum: each entry has its own
// accumulator that receives its products in ascending k.
#include <type_traits>
#include <vector>

#include "kernels.h"
#include "matrices.h"

namespace {

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
      kern::axpy_ordered(n - k - 1, lik, ak + k + 1, s.data() + k + 1);
    }
    ai[i] = ai[i] - s[i];
    if (iszero(ai[i])) return i;
    for (int j = i + 1; j < n; ++j) ai[j] = ai[j] - s[j];
  }
  return -1;
}

// The same factorization by blocks of B rows, for float and double.
//
// Every entry's sum s(i,j) = sum over k of l(i,k) u(k,j) is formed apart
// from a(i,j) in a work block S, in ascending k from zero, and a(i,j) is
// replaced only when its row is finished, row after row, so that a zero
// pivot leaves the matrix exactly as the row-by-row method leaves it.
// For a block of rows I = [r0, r1):
//  1. the L entries left of the block, by column blocks J: the sums over
//     the finished columns (a product of panels), then the small triangle
//     of J column by column; the L values wait in the work block Lb;
//  2. the sums over k < r0 of every entry from column r0 on (one product);
//  3. row by row: the L entries inside the diagonal block, each adding its
//     term to the rest of its row's sums; then Lb into the row, the pivot,
//     and the U entries.
template <class T>
int doolittle_blocks(T* a, int n) {
  constexpr int B = 128;
  if (n <= B) return doolittle_rows(a, n);
  long const ld = n;
  std::vector<T> sbuf(static_cast<std::size_t>(B) * n), lbuf(static_cast<std::size_t>(B) * n);
  T* S = sbuf.data();
  T* L = lbuf.data();
  for (int r0 = 0; r0 < n; r0 += B) {
    int const b = std::min(B, n - r0);
    T* ar = a + r0 * ld;
    for (int c0 = 0; c0 < r0; c0 += B) {
      int const c1 = std::min(c0 + B, r0);
      kern::gemm_ordered(b, c1 - c0, c0, L, ld, a + c0, ld, S + c0, ld);
      for (int j = c0; j < c1; ++j) {
        T const* uj = a + j * ld;
        for (int ii = 0; ii < b; ++ii) {
          T const l = (ar[ii * ld + j] - S[ii * ld + j]) / uj[j];
          L[ii * ld + j] = l;
          kern::axpy_ordered(c1 - j - 1, l, uj + j + 1, S + ii * ld + j + 1);
        }
      }
    }
    kern::gemm_ordered(b, n - r0, r0, L, ld, a + r0, ld, S + r0, ld);
    for (int ii = 0; ii < b; ++ii) {
      int const i = r0 + ii;
      T* ai = a + i * ld;
      T* si = S + ii * ld;
      T* li = L + ii * ld;
      for (int j = r0; j < i; ++j) {
        T const* uj = a + j * ld;
        T const l = (ai[j] - si[j]) / uj[j];
        li[j] = l;
        kern::axpy_ordered(n - j - 1, l, uj + j + 1, si + j + 1);
      }
      std::copy(li, li + i, ai);
      ai[i] = ai[i] - si[i];
      if (iszero(ai[i])) return i;
      for (int j = i + 1; j < n; ++j) ai[j] = ai[j] - si[j];
    }
  }
  return -1;
}

template <class T>
int gauss_rows(T* a, int n) {
  if constexpr (std::is_same<T, double>::value || std::is_same<T, float>::value)
    return doolittle_blocks(a, n);
  else
    return doolittle_rows(a, n);
}

}  // namespace

template <class T>
int gmatrix<T>::gauss() {
  if (status != normal) nerror("Impossible de factorizer une matrice\n");
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
  int const failed = gauss_rows(elem, n);
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

namespace {
[[noreturn]] void not_factorized() { nerror("Tentative de resolution d'un systeme non factorize"); }
}  // namespace

template <class T>
void gmatrix<T>::solve_size_error(char const* what, int lo, int hi) const {
  nmsg(what);
  nmsg("Matrice [");
  nmsg(nrl);
  nmsg(",");
  nmsg(nrh);
  nmsg("]^2\n");
  nmsg("Vecteur [");
  nmsg(lo);
  nmsg(",");
  nmsg(hi);
  nerror("]\n");
}

template <class T>
void gmatrix<T>::solve(gvector<T> const& b, gvector<T>& x) const {
  if (status != factors_gauss)
    nerror("Tentative de resolution d'un systeme avec una matrice non factorize\n");
  if (b.imin() != nrl || b.imax() != nrh) {
    nmsg("Tailles incompatibles dans la descente remonte par la ");
    nmsg("methode de Gauss\npour une matrice pleine\n");
    nmsg("Matrice [");
    nmsg(nrl);
    nmsg(",");
    nmsg(nrh);
    nmsg("]x[");
    nmsg(ncl);
    nmsg(",");
    nmsg(nch);
    nmsg("]\n");
    nmsg("Vecteur [");
    nmsg(b.imin());
    nmsg(",");
    nmsg(b.imax());
    nerror("]\n");
  }
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
  if (status != factors_gauss) not_factorized();
  int const lo = b.imin(), hi = b.imax();
  if (lo != nrl || hi != nrh) solve_size_error("Tailles incompatibles dans la U x = b, gauss:\n", lo, hi);
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
  if (status != factors_gauss) not_factorized();
  int const lo = b.imin(), hi = b.imax();
  if (lo != nrl || hi != nrh) solve_size_error("Tailles incompatibles dans la x U = b, gauss:\n", lo, hi);
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
  if (status != factors_gauss) not_factorized();
  int const lo = b.imin(), hi = b.imax();
  if (lo != nrl || hi != nrh) solve_size_error("Tailles incompatibles dans la L x = b, gauss:\n", lo, hi);
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
  if (status != factors_gauss) not_factorized();
  int const jlo = B.ncl, jhi = B.nch;
  if (jlo != nrl || jhi != nrh) {
    nmsg("Tailles incompatibles dans la X U = B, gauss:\n");
    nmsg("U [");
    nmsg(nrl);
    nmsg(",");
    nmsg(nrh);
    nmsg("]^2\n");
    nmsg("B [");
    nmsg(B.nrl);
    nmsg(",");
    nmsg(B.nrh);
    nmsg("]x[");
    nmsg(jlo);
    nmsg(",");
    nmsg(jhi);
    nerror("]\n");
  }
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
  if (status != factors_gauss) not_factorized();
  int const ilo = B.nrl, ihi = B.nrh;
  if (ilo != nrl || ihi != nrh) {
    nmsg("Tailles incompatibles dans la L X = B, gauss:\n");
    nmsg("L [");
    nmsg(nrl);
    nmsg(",");
    nmsg(nrh);
    nmsg("]^2\n");
    nmsg("B [");
    nmsg(ilo);
    nmsg(",");
    nmsg(ihi);
    nmsg("]x[");
    nmsg(B.ncl);
    nmsg(",");
    nmsg(B.nch);
    nerror("]\n");
  }
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
