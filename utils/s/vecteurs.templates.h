// Collections, vectors and ordered vectors (template definitions, included
// by the instantiation units).
#ifndef VECTEURS_TEMPLATES_H
#define VECTEURS_TEMPLATES_H
#include "vecteurs.h"

#include <algorithm>
#include <climits>
#include <new>
#include <utility>

#include "storage.h"

template <class T>
gcolect<T>::gcolect() : nl(0), nh(-1), sub_flag(0), elem(nullptr) {}

template <class T>
gcolect<T>::gcolect(int i, int j) : nl(0), nh(-1), sub_flag(0), elem(nullptr) {
  allocate(i, j);
}

template <class T>
gcolect<T>::gcolect(const gcolect& a) : nl(0), nh(-1), sub_flag(0), elem(nullptr) {
  allocate(a.nl, a.nh);
  std::copy(a.elem, a.elem + (nh - nl + 1), elem);
}

template <class T>
gcolect<T>::gcolect(gcolect&& a) noexcept : nl(a.nl), nh(a.nh), sub_flag(0), elem(a.elem) {
  if (a.sub_flag) {
    // A view's storage belongs to someone else: take a copy.
    elem = nullptr;
    allocate(a.nl, a.nh);
    std::copy(a.elem, a.elem + (nh - nl + 1), elem);
    return;
  }
  a.nl = 0;
  a.nh = -1;
  a.elem = nullptr;
}

template <class T>
gcolect<T>::~gcolect() {
  release();
}

template <class T>
void gcolect<T>::release() {
  if (!sub_flag) storage_delete(elem, static_cast<long long>(nh) - nl + 1);
  elem = nullptr;
}

template <class T>
void gcolect<T>::allocate(int i, int j) {
  long long const n = static_cast<long long>(j) - i + 1;
  if (n < 0) {
    fatal(1, "Bornes de vecteur invalides [", i, ",", j, "]\n");
  }
  nl = i;
  nh = j;
  sub_flag = 0;
  elem = storage_new<T>(n);
}

template <class T>
gcolect<T>& gcolect<T>::operator=(const gcolect& a) {
  if (a.nl != nl || a.nh != nh) {
    release();
    allocate(a.nl, a.nh);
  }
  if (elem != a.elem) std::copy(a.elem, a.elem + (nh - nl + 1), elem);
  return *this;
}

template <class T>
gcolect<T>& gcolect<T>::operator=(gcolect&& a) {
  // A view with the same bounds writes through; a view source is copied.
  if (a.sub_flag || (sub_flag && a.nl == nl && a.nh == nh) || &a == this)
    return *this = static_cast<const gcolect&>(a);
  release();
  nl = a.nl;
  nh = a.nh;
  sub_flag = 0;
  elem = a.elem;
  a.nl = 0;
  a.nh = -1;
  a.elem = nullptr;
  return *this;
}

template <class T>
gcolect<T>& gcolect<T>::operator=(T a) {
  std::fill(elem, elem + (nh - nl + 1), a);
  return *this;
}

template <class T>
T& gcolect<T>::operator[](int i) const {
  if (i < nl || i > nh) {
    fatal(1, "Erreur d'adressage d'un vecteur [", nl, ",", nh, "] i=", i, fatal_nl);
  }
  return elem[i - nl];
}

template <class T>
int gcolect<T>::empty() const {
  return nl == 0 && nh == -1;
}

template <class T>
void gcolect<T>::sub(gcolect& sb, int i, int j, int start) const {
  sb.release();
  sb.nl = start;
  sb.nh = start + (j - i);
  sb.sub_flag = 1;
  sb.elem = elem + (i - nl);
}

namespace vect {
[[noreturn]] inline void view_resize() { fatal(1, "Tentative de redimensioner un sous-vecteur\n"); }
}  // namespace vect

template <class T>
void gcolect<T>::resize(int i, int j) {
  if (sub_flag) vect::view_resize();
  release();
  allocate(i, j);
}

template <class T>
void gcolect<T>::grow(int i, int j) {
  if (sub_flag) vect::view_resize();
  gcolect<T> fresh(i, j);
  int const lo = std::max(nl, i), hi = std::min(nh, j);
  for (int k = lo; k <= hi; ++k) fresh.elem[k - i] = std::move(elem[k - nl]);
  std::swap(nl, fresh.nl);
  std::swap(nh, fresh.nh);
  std::swap(elem, fresh.elem);
}

template <class T>
void gcolect<T>::pair(T a, T b) {
  if (sub_flag) vect::view_resize();
  release();
  allocate(1, 2);
  elem[0] = a;
  elem[1] = b;
}

template <class T>
void gcolect<T>::triple(T a, T b, T c) {
  if (sub_flag) vect::view_resize();
  release();
  allocate(1, 3);
  elem[0] = a;
  elem[1] = b;
  elem[2] = c;
}

// ---- gvector ----

namespace vect {
template <class T>
void check_counts(const gcolect<T>& a, const gcolect<T>& b) {
  if (a.imax() - a.imin() != b.imax() - b.imin()) fatal(1, "Vecteurs de tailles differentes");
}
}  // namespace vect

template <class T>
gvector<T> gvector<T>::operator+(const gvector& a) const {
  vect::check_counts(*this, a);
  gvector r(this->nl, this->nh);
  T const* x = this->elem;
  T const* y = a.elem;
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) r.elem[k] = x[k] + y[k];
  return r;
}

template <class T>
gvector<T> gvector<T>::operator-(const gvector& a) const {
  vect::check_counts(*this, a);
  gvector r(this->nl, this->nh);
  T const* x = this->elem;
  T const* y = a.elem;
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) r.elem[k] = x[k] - y[k];
  return r;
}

template <class T>
gvector<T> gvector<T>::operator-() const {
  gvector r(this->nl, this->nh);
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) r.elem[k] = -this->elem[k];
  return r;
}

template <class T>
gvector<T> gvector<T>::operator*(T a) const {
  gvector r(this->nl, this->nh);
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) r.elem[k] = this->elem[k] * a;
  return r;
}

template <class T>
gvector<T> gvector<T>::operator/(T a) const {
  gvector r(this->nl, this->nh);
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) r.elem[k] = quot(this->elem[k], a);
  return r;
}

template <class T>
void gvector<T>::operator+=(const gvector& a) {
  vect::check_counts(*this, a);
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) this->elem[k] += a.elem[k];
}

template <class T>
void gvector<T>::operator+=(T a) {
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) this->elem[k] += a;
}

template <class T>
void gvector<T>::operator-=(const gvector& a) {
  vect::check_counts(*this, a);
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) this->elem[k] -= a.elem[k];
}

template <class T>
void gvector<T>::operator-=(T a) {
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) this->elem[k] -= a;
}

template <class T>
void gvector<T>::operator*=(const gvector& a) {
  vect::check_counts(*this, a);
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) this->elem[k] *= a.elem[k];
}

template <class T>
void gvector<T>::operator*=(T a) {
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) this->elem[k] *= a;
}

template <class T>
void gvector<T>::operator/=(const gvector& a) {
  vect::check_counts(*this, a);
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k)
    this->elem[k] = quot(this->elem[k], a.elem[k]);
}

template <class T>
void gvector<T>::operator/=(T a) {
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) this->elem[k] = quot(this->elem[k], a);
}

template <class T>
T gvector<T>::operator|(const gvector& a) const {
  // The counts must agree: reading past the shorter vector is never allowed.
  vect::check_counts(*this, a);
  T s = T();
  for (int k = 0, n = this->nh - this->nl + 1; k < n; ++k) s += this->elem[k] * a.elem[k];
  return s;
}

template <class T>
int gvector<T>::operator==(const gvector& a) const {
  if (this->nh - this->nl != a.nh - a.nl) return 0;
  for (int i = this->nl; i <= this->nh; ++i)
    if (!((*this)[i] == a[i - this->nl + a.nl])) return 0;
  return 1;
}

template <class T>
int gvector<T>::operator!=(const gvector& a) const {
  return !(*this == a);
}

// ---- ovector ----

namespace vect {
// Compares position by position over `n` elements: -1, 0 or 1 at the first
// difference (a pair that is neither smaller nor larger counts as equal).
template <class T>
int lex_compare(const T* x, const T* y, int n) {
  for (int k = 0; k < n; ++k) {
    if (x[k] < y[k]) return -1;
    if (y[k] < x[k]) return 1;
  }
  return 0;
}
}  // namespace vect

template <class T>
int ovector<T>::operator<(const ovector& a) const {
  int const n = this->nh - this->nl + 1, m = a.nh - a.nl + 1;
  if (n > m) return 0;
  return vect::lex_compare(this->elem, a.elem, n) < 0;
}

template <class T>
int ovector<T>::operator<=(const ovector& a) const {
  int const n = this->nh - this->nl + 1, m = a.nh - a.nl + 1;
  if (n > m) return 0;
  return vect::lex_compare(this->elem, a.elem, n) <= 0;
}

template <class T>
int ovector<T>::operator>(const ovector& a) const {
  int const n = this->nh - this->nl + 1, m = a.nh - a.nl + 1;
  if (n < m) return 0;
  return vect::lex_compare(this->elem, a.elem, m) > 0;
}

template <class T>
int ovector<T>::operator>=(const ovector& a) const {
  int const n = this->nh - this->nl + 1, m = a.nh - a.nl + 1;
  if (n < m) return 0;
  return vect::lex_compare(this->elem, a.elem, m) >= 0;
}

template <class T>
double norm_1(const gvector<T>& a) {
  double s = 0;
  T const* x = a.debut();
  for (int k = 0, n = a.imax() - a.imin() + 1; k < n; ++k) s += absval(x[k]);
  return s;
}

template <class T>
double norm_inf(const gvector<T>& a) {
  double m = 0;
  T const* x = a.debut();
  for (int k = 0, n = a.imax() - a.imin() + 1; k < n; ++k) {
    double const v = absval(x[k]);
    if (v >= m) m = v;
  }
  return m;
}

#endif
