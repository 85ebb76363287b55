// Square profile matrices, general and symmetric (template definitions,
// included by profil_ti.cpp): shapes, element access, and the products,
// factorizations and solves, which check their arguments here and run as
// kernels (kernels/sky_*.h) on the raw storage.
#ifndef PROFIL_TEMPLATES_H
#define PROFIL_TEMPLATES_H

#include <algorithm>
#include <cfloat>
#include <cstdlib>
#include <type_traits>
#include <utility>

#include "kernels/sky_gauss.h"
#include "kernels/sky_gauss_lanes.h"
#include "kernels/sky_product.h"
#include "kernels/sky_solve.h"
#include "kernels/sky_symmetric.h"
#include "kernels/sky_symmetric_lanes.h"
#include "profil.h"
#include "sky_check.h"
#include "threads.h"

// General matrix.

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
    sky::check_profile(a.profil,
                       kind() == general_layout ? sky::general_shape : sky::symmetric_shape, 0);
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
  if (status == factors_choleski || status == factors_crout || status == factors_gauss)
    return rap_piv;
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
  if (i < 1 || i > n || j < 1 || j > n) sky::bad_address(n, i, j);
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
    sky::product_size(imin(), n, x.imin(), x.imax());
  gvector<T> y(x.imin(), x.imax());
  y = T(0);
  sky::gen_product(profil.debut(), elem.debut(), n, x.debut(), y.debut());
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
  int r;
  if constexpr (std::is_floating_point<T>::value)
    r = sky::gen_gauss_grouped(profil.debut(), elem.debut(), imax(), maxpiv, minpiv,
                               utils_threads());
  else
    r = sky::gen_gauss(profil.debut(), elem.debut(), imax(), maxpiv, minpiv);
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
    sky::note_pivot(i, piv, maxpiv, minpiv);
  }
  rap_piv = maxpiv / minpiv;
  return 0;
}

template <class T>
void skygmatrix<T>::solve(gvector<T> const& b, gvector<T>& x) const {
  require_gauss_factors();
  this->solve_gauss(b, x);
}

template <class T>
void skygmatrix<T>::solve_gauss(gvector<T> const& b, gvector<T>& x) const {
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size(sky::gauss_solve, imin(), n, b.imin(), b.imax());
  if (kind() == symmetric_layout) {
    solve_gauss_lower_only(b, x);
    return;
  }
  gvector<T> y(b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::forward_unit(sky::gen_line{profil.debut()}, elem.debut(), n, b.debut(), y.debut(),
                    utils_threads());
  sky::gen_backward(profil.debut(), elem.debut(), n, y.debut(), x.debut(), utils_threads());
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
    sky::vector_size(sky::Uxb_solve, imin(), n, b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::gen_backward(profil.debut(), elem.debut(), n, b.debut(), x.debut(), utils_threads());
}

template <class T>
void skygmatrix<T>::solvexUb(gvector<T> const& b, gvector<T>& x) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size(sky::xUb_solve, imin(), n, b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::gen_solve_xU(profil.debut(), elem.debut(), n, b.debut(), x.debut());
}

template <class T>
void skygmatrix<T>::solveLxb(gvector<T> const& b, gvector<T>& x) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size(sky::Lxb_solve, imin(), n, b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::gen_solve_L(profil.debut(), elem.debut(), n, b.debut(), x.debut());
}

template <class T>
void skygmatrix<T>::solveXUC(gmatrix<T> const& B, gmatrix<T>& X) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(B.jmin(), B.jmax(), imin(), n))
    sky::block_size(sky::XUC_solve, "X [", imin(), n, B.imin(), B.imax(), B.jmin(), B.jmax());
  if (X.imin() != B.imin() || X.imax() != B.imax() || X.jmin() != B.jmin() || X.jmax() != B.jmax())
    X.resize(B.imin(), B.imax(), B.jmin(), B.jmax());
  long const ld = B.jmax() - B.jmin() + 1;
  sky::gen_solve_XU_rows(profil.debut(), elem.debut(), n, B.imax() - B.imin() + 1, B.debut(), ld,
                         X.debut(), ld);
}

template <class T>
void skygmatrix<T>::solveLXC(gmatrix<T> const& B, gmatrix<T>& X) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(B.imin(), B.imax(), imin(), n))
    sky::block_size(sky::LXC_solve, "L [", imin(), n, B.imin(), B.imax(), B.jmin(), B.jmax());
  if (X.imin() != B.imin() || X.imax() != B.imax() || X.jmin() != B.jmin() || X.jmax() != B.jmax())
    X.resize(B.imin(), B.imax(), B.jmin(), B.jmax());
  int const nc = B.jmax() - B.jmin() + 1;
  if (nc <= 0) return;
  sky::gen_solve_LX_rows(profil.debut(), elem.debut(), n, nc, B.debut(), X.debut(), nc);
}

template <class T>
void skygmatrix<T>::solveXUC(skyhrectmatrix<T> const& B, skyhrectmatrix<T>& X) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(B.jmin(), B.jmax(), imin(), n))
    sky::block_size(sky::XUC_solve, "X [", imin(), n, B.imin(), B.imax(), B.jmin(), B.jmax());
  if (X.N != B.N || X.profil != B.profil) X.resize(B.profil, B.N);
  sky::gen_solve_XU_runs(profil.debut(), elem.debut(), n, B.runs(), B.profil.debut(),
                         B.elem.debut(), X.elem.debut());
}

template <class T>
void skygmatrix<T>::solveLXC(skyvrectmatrix<T> const& B, skyvrectmatrix<T>& X) const {
  require_gauss_factors();
  int const n = imax();
  if (!sky::same_range(B.imin(), B.imax(), imin(), n))
    sky::block_size(sky::LXC_solve, "L [", imin(), n, B.imin(), B.imax(), B.jmin(), B.jmax());
  if (X.N != B.N || X.profil != B.profil) X.resize(B.profil, B.N);
  sky::gen_solve_LX_runs(profil.debut(), elem.debut(), n, B.runs(), B.profil.debut(),
                         B.elem.debut(), X.elem.debut());
}

// Symmetric matrix: the lower triangle only.

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
  if (i < 1 || i > n || j < 1 || j > n) sky::bad_address_sym(n, i, j);
  int const* q = this->profil.debut();
  if (i >= j && i - j >= q[i] - q[i - 1]) sky::out_of_sym_profile(i, j);
  if (i < j) sky::upper_triangle(i, j);
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

template <class T>
gvector<T> skysmatrix<T>::operator*(gvector<T> const& x) const {
  int const n = this->imax();
  if (!sky::same_range(x.imin(), x.imax(), this->imin(), n))
    sky::sym_product_size(this->imin(), n, x.imin(), x.imax());
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
    r = sky::lanes::sym_lines_grouped<T, false>(this->profil.debut(), this->elem.debut(),
                                                this->imax(), this->rap_piv, utils_threads());
  else
    r = sky::sym_choleski(this->profil.debut(), this->elem.debut(), this->imax(), this->rap_piv,
                          sky::same());
  if (r) this->status = erreur;
  return r;
}

template <class T>
int skysmatrix<T>::crout() {
  this->refuse_if_factored();
  this->status = factors_crout;
  int r;
  if constexpr (std::is_floating_point<T>::value)
    r = sky::lanes::sym_lines_grouped<T, true>(this->profil.debut(), this->elem.debut(),
                                               this->imax(), this->rap_piv, utils_threads());
  else
    r = sky::sym_crout(this->profil.debut(), this->elem.debut(), this->imax(), this->rap_piv,
                       sky::same());
  if (r) this->status = erreur;
  return r;
}

template <class T>
void skysmatrix<T>::solve_choleski(gvector<T> const& b, gvector<T>& x) const {
  int const n = this->imax();
  if (!sky::same_range(b.imin(), b.imax(), this->imin(), n))
    sky::vector_size(sky::choleski_solve, this->imin(), n, b.imin(), b.imax());
  gvector<T> y(b.imin(), b.imax());
  sky::fit(x, this->imin(), n);
  sky::sym_solve_choleski(this->profil.debut(), this->elem.debut(), n, b.debut(), y.debut(),
                          x.debut(), sky::same(), utils_threads());
}

template <class T>
void skysmatrix<T>::solve_crout(gvector<T> const& b, gvector<T>& x) const {
  int const n = this->imax();
  if (!sky::same_range(b.imin(), b.imax(), this->imin(), n))
    sky::vector_size(sky::crout_solve, this->imin(), n, b.imin(), b.imax());
  gvector<T> y(b.imin(), b.imax());
  sky::fit(x, this->imin(), n);
  sky::sym_solve_crout(this->profil.debut(), this->elem.debut(), n, b.debut(), y.debut(), x.debut(),
                       sky::same(), utils_threads());
}

#endif
