// Hermitian profile matrix: the symmetric storage of complex<double>, the
// upper triangle the conjugate of the lower one.
#include <complex>
#include <cstddef>
#include <vector>

#include "kernels/sky_product.h"
#include "kernels/sky_solve.h"
#include "kernels/sky_symmetric.h"
#include "profil.h"
#include "sky_check.h"
#include "threads.h"

skyhmatrix::~skyhmatrix() {}

std::complex<double>& skyhmatrix::operator()(int i, int j) const {
  return elem.debut()[add(i, j) - 1];
}

std::complex<double> skyhmatrix::operator()(int z, int i, int j) const {
  int const n = imax();
  if (i < 1 || i > n || j < 1 || j > n) add(i, j);
  if (i < j) return std::conj(skysmatrix<C>::operator()(z, j, i));
  return skysmatrix<C>::operator()(z, i, j);
}

gvector<std::complex<double>> skyhmatrix::operator*(gvector<C> const& x) const {
  int const n = imax();
  if (!sky::same_range(x.imin(), x.imax(), imin(), n))
    sky::sym_product_size(imin(), n, x.imin(), x.imax());
  gvector<C> y(x.imin(), x.imax());
  y = C(0);
  sky::sym_product(profil.debut(), elem.debut(), n, x.debut(), y.debut(), sky::conjugate());
  return y;
}

void skyhmatrix::solve(gvector<C> const& b, gvector<C>& x) const {
  if (status == factors_choleski)
    solve_choleski(b, x);
  else if (status == factors_crout)
    solve_crout(b, x);
  else
    sky::not_factored();
}

int skyhmatrix::choleski() {
  refuse_if_factored();
  status = factors_choleski;
  int const r = sky::sym_choleski(profil.debut(), elem.debut(), imax(), rap_piv, sky::conjugate());
  if (r) status = erreur;
  return r;
}

int skyhmatrix::crout() {
  refuse_if_factored();
  status = factors_crout;
  int const r = sky::sym_crout(profil.debut(), elem.debut(), imax(), rap_piv, sky::conjugate());
  if (r) status = erreur;
  return r;
}

void skyhmatrix::solve_choleski(gvector<C> const& b, gvector<C>& x) const {
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size(sky::choleski_solve, imin(), n, b.imin(), b.imax());
  gvector<C> y(b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::sym_solve_choleski(profil.debut(), elem.debut(), n, b.debut(), y.debut(), x.debut(),
                          sky::conjugate(), utils_threads());
}

void skyhmatrix::solve_crout(gvector<C> const& b, gvector<C>& x) const {
  int const n = imax();
  if (!sky::same_range(b.imin(), b.imax(), imin(), n))
    sky::vector_size(sky::crout_solve, imin(), n, b.imin(), b.imax());
  gvector<C> y(b.imin(), b.imax());
  sky::fit(x, imin(), n);
  sky::sym_solve_crout(profil.debut(), elem.debut(), n, b.debut(), y.debut(), x.debut(),
                       sky::conjugate(), utils_threads());
}

double norm_inf(skyhmatrix const& a) {
  if (a.state() != normal) {
    sky::norm_refused();
    return 0;
  }
  int const n = a.imax();
  int const* q = a.profile().debut();
  std::complex<double> const* e = a.values().debut();
  std::vector<double> r(static_cast<std::size_t>(n) + 1, 0.0);
  for (int i = 1; i <= n; ++i) {
    int const pc = i - (q[i] - q[i - 1]) + 1;
    std::complex<double> const* li = e + q[i - 1];
    for (int j = pc; j < i; ++j) {
      double const v = std::abs(li[j - pc]);
      r[i] += v;
      r[j] += v;
    }
    r[i] += std::abs(e[q[i] - 1]);
  }
  double best = 0;
  for (int i = 1; i <= n; ++i)
    if (r[i] > best) best = r[i];
  return best;
}

double norm_1(skyhmatrix const& a) { return norm_inf(a); }
