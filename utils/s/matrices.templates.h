// Dense matrices (template definitions, included by matrices_ti.cpp).
#ifndef MATRICES_TEMPLATES_H
#define MATRICES_TEMPLATES_H
#include "matrices.h"

#include <algorithm>
#include <utility>

#include "fatal.h"
#include "storage.h"

template <class T>
gmatrix<T>::gmatrix() : nrl(0), nrh(-1), ncl(0), nch(-1), status(normal), elem(nullptr) {}

template <class T>
gmatrix<T>::gmatrix(int ri, int rj, int ci, int cj)
    : nrl(0), nrh(-1), ncl(0), nch(-1), status(normal), elem(nullptr) {
  allocate(ri, rj, ci, cj);
}

template <class T>
gmatrix<T>::gmatrix(gmatrix const& a)
    : nrl(0), nrh(-1), ncl(0), nch(-1), status(normal), elem(nullptr) {
  allocate(a.nrl, a.nrh, a.ncl, a.nch);
  std::copy(a.elem, a.elem + count(), elem);
}

template <class T>
gmatrix<T>::gmatrix(gmatrix&& a) noexcept
    : nrl(a.nrl), nrh(a.nrh), ncl(a.ncl), nch(a.nch), status(normal), elem(a.elem) {
  a.nrl = a.ncl = 0;
  a.nrh = a.nch = -1;
  a.elem = nullptr;
}

template <class T>
gmatrix<T>::~gmatrix() {
  release();
}

template <class T>
void gmatrix<T>::release() {
  storage_delete(elem, count());
  elem = nullptr;
}

template <class T>
void gmatrix<T>::allocate(int ri, int rj, int ci, int cj) {
  long long const rows = static_cast<long long>(rj) - ri + 1;
  long long const cols = static_cast<long long>(cj) - ci + 1;
  if (rows < 0 || cols < 0) {
    fatal(1, "Bornes de matrice invalides [", ri, ",", rj, "]x[", ci, ",", cj, "]\n");
  }
  nrl = ri;
  nrh = rj;
  ncl = ci;
  nch = cj;
  status = normal;
  elem = storage_new<T>(rows * cols);
}

template <class T>
gmatrix<T>& gmatrix<T>::operator=(gmatrix a) {
  std::swap(nrl, a.nrl);
  std::swap(nrh, a.nrh);
  std::swap(ncl, a.ncl);
  std::swap(nch, a.nch);
  std::swap(elem, a.elem);
  status = normal;
  return *this;
}

template <class T>
gmatrix<T>& gmatrix<T>::operator=(T a) {
  std::fill(elem, elem + count(), a);
  status = normal;
  return *this;
}

template <class T>
void gmatrix<T>::resize(int ri, int rj, int ci, int cj) {
  release();
  allocate(ri, rj, ci, cj);
}

template <class T>
void gmatrix<T>::grow(int ri, int rj, int ci, int cj) {
  gmatrix<T> fresh(ri, rj, ci, cj);
  int const r0 = std::max(nrl, ri), r1 = std::min(nrh, rj);
  int const c0 = std::max(ncl, ci), c1 = std::min(nch, cj);
  if (r0 <= r1 && c0 <= c1)
    for (int i = r0; i <= r1; ++i)
      std::copy(debut_ligne(i) + (c0 - ncl), debut_ligne(i) + (c1 - ncl + 1),
                fresh.debut_ligne(i) + (c0 - ci));
  *this = std::move(fresh);
}

template <class T>
bool gmatrix<T>::empty() const {
  return (nrl == 0 && nrh == -1) || (ncl == 0 && nch == -1);
}

template <class T>
int gmatrix<T>::add(int i, int j) const {
  return (i - nrl) * (nch - ncl + 1) + j - ncl;
}

template <class T>
T& gmatrix<T>::operator()(int i, int j) const {
  if (i < nrl || i > nrh || j < ncl || j > nch) {
    fatal(1, "M(", nrl, "...", nrh, ",", ncl, "...", nch, "), acces a (", i, ",", j, ")\n",
          "Erreur d'adressage d'une matrice\n");
  }
  return elem[add(i, j)];
}

template <class T>
gvector<T>& gmatrix<T>::s_ligne(int i) {
  gvector<T>* v = new gvector<T>();
  v->nl = ncl;
  v->nh = nch;
  v->sub_flag = 1;
  v->elem = elem + add(i, ncl);
  return *v;
}

template <class T>
gvector<T>& gmatrix<T>::ligne(int i) const {
  gvector<T>* v = new gvector<T>(ncl, nch);
  for (int j = ncl; j <= nch; ++j) (*v)[j] = (*this)(i, j);
  return *v;
}

template <class T>
gvector<T>& gmatrix<T>::colonne(int j) const {
  gvector<T>* v = new gvector<T>(nrl, nrh);
  for (int i = nrl; i <= nrh; ++i) (*v)[i] = (*this)(i, j);
  return *v;
}

// ---- arithmetic ----

template <class T>
void gmatrix<T>::same_shape(gmatrix const& a, char const* message) const {
  if (nrh - nrl != a.nrh - a.nrl || nch - ncl != a.nch - a.ncl) fatal(1, message);
}

namespace mat {
char const* const different_sizes = "Matrices de tailles differentes";
}  // namespace mat

template <class T>
gmatrix<T> gmatrix<T>::operator+(gmatrix const& a) const {
  same_shape(a, mat::different_sizes);
  gmatrix r(nrl, nrh, ncl, nch);
  for (long long k = 0, n = count(); k < n; ++k) r.elem[k] = elem[k] + a.elem[k];
  return r;
}

template <class T>
gmatrix<T> gmatrix<T>::operator-(gmatrix const& a) const {
  same_shape(a, mat::different_sizes);
  gmatrix r(nrl, nrh, ncl, nch);
  for (long long k = 0, n = count(); k < n; ++k) r.elem[k] = elem[k] - a.elem[k];
  return r;
}

template <class T>
gmatrix<T> gmatrix<T>::operator-() const {
  gmatrix r(nrl, nrh, ncl, nch);
  for (long long k = 0, n = count(); k < n; ++k) r.elem[k] = -elem[k];
  return r;
}

template <class T>
gmatrix<T> gmatrix<T>::operator*(T a) const {
  gmatrix r(nrl, nrh, ncl, nch);
  for (long long k = 0, n = count(); k < n; ++k) r.elem[k] = elem[k] * a;
  return r;
}

template <class T>
gmatrix<T> gmatrix<T>::operator/(T a) const {
  gmatrix r(nrl, nrh, ncl, nch);
  for (long long k = 0, n = count(); k < n; ++k) r.elem[k] = quot(elem[k], a);
  return r;
}

template <class T>
gmatrix<T> gmatrix<T>::operator*(gmatrix const& b) const {
  if (b.nrl != ncl || b.nrh != nch) {
    fatal(1, "Tailles incompatibles dans multiplication de matrices\n", "[", nrl, ",", nrh, "]X[",
          ncl, ",", nch, "] et [", "[", b.nrl, ",", b.nrh, "]X[", b.ncl, ",", b.nch, "]\n",
          fatal_nl);
  }
  gmatrix r(nrl, nrh, b.ncl, b.nch);
  r = T();
  int const inner = nch - ncl + 1, width = b.nch - b.ncl + 1;
  // i-k-j order: every r(i,j) still receives its products in ascending k.
  for (int i = nrl; i <= nrh; ++i) {
    T const* a = debut_ligne(i);
    T* ri = r.debut_ligne(i);
    for (int k = 0; k < inner; ++k) {
      T const aik = a[k];
      T const* bk = b.elem + static_cast<long long>(k) * width;
      for (int j = 0; j < width; ++j) ri[j] = aik * bk[j] + ri[j];
    }
  }
  return r;
}

template <class T>
gvector<T> gmatrix<T>::operator*(gvector<T> const& b) const {
  if (nch - ncl != b.imax() - b.imin())
    fatal(1, "Matrices incompatibles dans produit matrice-vecteur");
  gvector<T> v(nrl, nrh);
  T const* x = b.debut();
  T* y = v.debut();
  for (int i = nrl; i <= nrh; ++i) {
    T const* a = debut_ligne(i);
    T s = T();
    for (int j = 0, n = nch - ncl + 1; j < n; ++j) s = a[j] * x[j] + s;
    y[i - nrl] = s;
  }
  return v;
}

template <class T>
void gmatrix<T>::operator+=(gmatrix const& a) {
  same_shape(a, mat::different_sizes);
  for (long long k = 0, n = count(); k < n; ++k) elem[k] += a.elem[k];
}

template <class T>
void gmatrix<T>::operator-=(gmatrix const& a) {
  same_shape(a, "Vecteurs de tailles differentes");
  for (long long k = 0, n = count(); k < n; ++k) elem[k] -= a.elem[k];
}

template <class T>
void gmatrix<T>::operator*=(gmatrix const& a) {
  same_shape(a, mat::different_sizes);
  for (long long k = 0, n = count(); k < n; ++k) elem[k] *= a.elem[k];
}

template <class T>
void gmatrix<T>::operator/=(gmatrix const& a) {
  same_shape(a, mat::different_sizes);
  for (long long k = 0, n = count(); k < n; ++k) elem[k] = quot(elem[k], a.elem[k]);
}

template <class T>
void gmatrix<T>::operator+=(T a) {
  for (long long k = 0, n = count(); k < n; ++k) elem[k] += a;
}

template <class T>
void gmatrix<T>::operator-=(T a) {
  for (long long k = 0, n = count(); k < n; ++k) elem[k] -= a;
}

template <class T>
void gmatrix<T>::operator*=(T a) {
  for (long long k = 0, n = count(); k < n; ++k) elem[k] *= a;
}

template <class T>
void gmatrix<T>::operator/=(T a) {
  for (long long k = 0, n = count(); k < n; ++k) elem[k] = quot(elem[k], a);
}

namespace mat {
inline bool norm_refused(st status) {
  if (status == normal) return false;
  nmsg("Attention norme de matrice non valable\n");
  return true;
}
}  // namespace mat

template <class T>
double norm_inf(gmatrix<T> const& a) {
  if (mat::norm_refused(a.state())) return 0;
  double m = 0;
  for (int i = a.imin(); i <= a.imax(); ++i) {
    T const* r = a.debut_ligne(i);
    double s = 0;
    for (int j = 0, n = a.jmax() - a.jmin() + 1; j < n; ++j) s += absval(r[j]);
    if (s > m) m = s;
  }
  return m;
}

template <class T>
double norm_1(gmatrix<T> const& a) {
  if (mat::norm_refused(a.state())) return 0;
  int const n = a.jmax() - a.jmin() + 1;
  double m = 0;
  for (int j = 0; j < n; ++j) {
    double s = 0;
    for (int i = a.imin(); i <= a.imax(); ++i) s += absval(a.debut_ligne(i)[j]);
    if (s > m) m = s;
  }
  return m;
}

#endif
