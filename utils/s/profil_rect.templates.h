// Rectangular profile matrices (template definitions, included by
// profil_ti.cpp): the storage shared by both, then rows stored from their
// first column (h) and columns from their first row (v).
#ifndef PROFIL_RECT_TEMPLATES_H
#define PROFIL_RECT_TEMPLATES_H

#include <algorithm>
#include <climits>
#include <utility>

#include "profil.h"
#include "sky_check.h"

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
  if (i < 1 || i > m || j < 1 || j > this->N) sky::bad_address_rh(m, this->N, i, j);
  if (j < this->first(i)) sky::out_of_rect_profile(i, j);
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
    sky::rect_product_size(imin(), imax(), jmin(), jmax(), x.imin(), x.imax());
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
    if (acc > INT_MAX) profile_too_large();
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
    sky::rect_bounds(sky::rect_sum, imin(), imax(), jmin(), jmax(), a.imin(), a.imax(), a.jmin(),
                     a.jmax());
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
    sky::rect_bounds(sky::rect_product, imin(), imax(), jmin(), jmax(), B.imin(), B.imax(),
                     B.jmin(), B.jmax());
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
  if (i < 1 || i > this->N || j < 1 || j > m) sky::bad_address_rv(this->N, m, i, j);
  if (i < this->first(j)) sky::out_of_rect_profile(i, j);
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
    sky::rect_product_size(imin(), imax(), jmin(), jmax(), x.imin(), x.imax());
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
    sky::rect_bounds(sky::rect_sum, imin(), imax(), jmin(), jmax(), a.imin(), a.imax(), a.jmin(),
                     a.jmax());
  skyvrectmatrix<T> r(sky::union_profile(this->profil, a.profil), this->N);
  int const* qa = this->profil.debut();
  int const* qb = a.profil.debut();
  for (int k = 1; k <= this->runs(); ++k)
    sky::add_runs(this->run(k), qa[k] - qa[k - 1], a.run(k), qb[k] - qb[k - 1], r.run(k));
  return r;
}

#endif
