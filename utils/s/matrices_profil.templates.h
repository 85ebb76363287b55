// Dense factors applied to profile blocks (template definitions, included
// by matrices_ti.cpp): X U = B on the rows of a row profile and L X = B on
// the columns of a column profile, the solution keeping B's profile.
#ifndef MATRICES_PROFIL_TEMPLATES_H
#define MATRICES_PROFIL_TEMPLATES_H

#include <algorithm>
#include <vector>

#include "matrices.h"
#include "profil.h"
#include "sky_check.h"

template <class T>
void gmatrix<T>::solveXUC(skyhrectmatrix<T> const& B, skyhrectmatrix<T>& X) const {
  if (status != factors_gauss) sky::not_factored();
  if (B.jmin() != nrl || B.jmax() != nrh)
    sky::block_size(sky::XUC_solve, "U [", nrl, nrh, B.imin(), B.imax(), B.jmin(), B.jmax());
  if (X.N != B.N || X.profil != B.profil) X.resize(B.profil, B.N);
  int const n = B.N;
  std::vector<T> t(static_cast<std::size_t>(n) + 1);
  for (int r = B.imin(); r <= B.imax(); ++r) {
    int const p = B.first(r);
    T const* br = B.run(r);
    T* xr = X.run(r);
    std::copy(br, br + (n - p + 1), t.data() + p);
    for (int j = p; j <= n; ++j) {
      T const* aj = debut_ligne(j) + (j - ncl);  // aj[k - j] = a(j,k)
      T const xj = quot(t[j], aj[0]);
      xr[j - p] = xj;
      for (int k = j + 1; k <= n; ++k) t[k] = t[k] - aj[k - j] * xj;
    }
  }
}

template <class T>
void gmatrix<T>::solveLXC(skyvrectmatrix<T> const& B, skyvrectmatrix<T>& X) const {
  if (status != factors_gauss) sky::not_factored();
  if (B.imin() != nrl || B.imax() != nrh)
    sky::block_size(sky::LXC_solve, "L [", nrl, nrh, B.imin(), B.imax(), B.jmin(), B.jmax());
  // Other bounds or another profile: X takes B's profile, so that no entry
  // of X outside B's profile survives or is written out of X's storage.
  if (X.N != B.N || X.profil != B.profil) X.resize(B.profil, B.N);
  int const n = B.N;
  for (int c = B.jmin(); c <= B.jmax(); ++c) {
    int const p = B.first(c);
    T const* bc = B.run(c);
    T* xc = X.run(c);
    for (int i = p; i <= n; ++i) {
      T const* aik = debut_ligne(i) + (p - ncl);  // aik[k - p] = a(i,k)
      T v = bc[i - p];
      for (int t = 0, len = i - p; t < len; ++t) v = v - aik[t] * xc[t];
      xc[i - p] = v;
    }
  }
}

#endif
