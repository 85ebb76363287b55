// Builders shared by the profile-matrix suites: profiles, random well
// conditioned matrices, and comparisons.
#ifndef PROFIL_HELPERS_H
#define PROFIL_HELPERS_H

#include <algorithm>
#include <complex>
#include <cstring>
#include <random>
#include <type_traits>
#include <vector>

#include "profil.h"
#include "test_util.h"

namespace ph {

typedef std::complex<double> C;

template <class T>
constexpr bool is_complex() {
  return std::is_same<T, C>::value;
}

inline gvector<int> prof(std::initializer_list<int> v) {
  gvector<int> p(0, static_cast<int>(v.size()) - 1);
  int k = 0;
  for (int x : v) p[k++] = x;
  return p;
}

// Random small value; integers stay small so that nothing overflows.
template <class T>
T rnd(std::mt19937& g) {
  std::uniform_real_distribution<double> u(-1, 1);
  if constexpr (is_complex<T>()) {
    return T(u(g), u(g));
  } else if constexpr (std::is_same<T, int>::value) {
    return std::uniform_int_distribution<int>(-3, 3)(g);
  } else {
    return static_cast<T>(u(g));
  }
}

// General profile of n lines: m(i) drawn in 0..min(i-1, reach).
inline gvector<int> random_general_profile(int n, int reach, std::mt19937& g) {
  gvector<int> p(0, n);
  p[0] = 0;
  for (int i = 1; i <= n; ++i) {
    int const m = std::uniform_int_distribution<int>(0, std::min(i - 1, reach))(g);
    p[i] = p[i - 1] + 2 * m + 1;
  }
  return p;
}

// Symmetric profile: d(i) drawn in 1..min(i, reach + 1).
inline gvector<int> random_sym_profile(int n, int reach, std::mt19937& g) {
  gvector<int> p(0, n);
  p[0] = 0;
  for (int i = 1; i <= n; ++i)
    p[i] = p[i - 1] + std::uniform_int_distribution<int>(1, std::min(i, reach + 1))(g);
  return p;
}

// Rectangular runs of length 0..n.
inline gvector<int> random_rect_profile(int m, int n, std::mt19937& g) {
  gvector<int> p(0, m);
  p[0] = 0;
  for (int k = 1; k <= m; ++k) p[k] = p[k - 1] + std::uniform_int_distribution<int>(0, n)(g);
  return p;
}

inline int gen_first(gvector<int> const& p, int i) { return i - (p[i] - p[i - 1] - 1) / 2; }
inline int sym_first(gvector<int> const& p, int i) { return i - (p[i] - p[i - 1]) + 1; }

inline double mag(double x) { return std::abs(x); }
inline double mag(C x) { return std::abs(x); }

// Random entries in the profile, diagonal dominant so that no pivot fails.
template <class T>
void fill_general(skygmatrix<T>& a, std::mt19937& g) {
  gvector<int> const& p = a.profile();
  int const n = a.imax();
  std::vector<double> w(n + 1, 0.0);
  for (int i = 1; i <= n; ++i)
    for (int j = gen_first(p, i); j < i; ++j) {
      a(i, j) = rnd<T>(g);
      a(j, i) = rnd<T>(g);
      w[i] += absval(a(i, j)) + absval(a(j, i));
      w[j] += absval(a(i, j)) + absval(a(j, i));
    }
  for (int i = 1; i <= n; ++i) a(i, i) = static_cast<T>(w[i] + 2);
}

// Symmetric (Hermitian when Herm) positive definite through dominance.
// real_only keeps complex values on the real axis (complex symmetric
// Cholesky needs real remainders).
template <class T, class M>
void fill_sym(M& a, std::mt19937& g, bool real_only = false) {
  gvector<int> const& p = a.profile();
  int const n = a.imax();
  std::vector<double> w(n + 1, 0.0);
  for (int i = 1; i <= n; ++i)
    for (int j = sym_first(p, i); j < i; ++j) {
      a(i, j) = rnd<T>(g);
      if constexpr (is_complex<T>())
        if (real_only) a(i, j) = a(i, j).real();
      w[i] += absval(a(i, j));
      w[j] += absval(a(i, j));
    }
  for (int i = 1; i <= n; ++i) a(i, i) = static_cast<T>(w[i] + 2);
}

template <class T>
gvector<T> random_vector(int lo, int hi, std::mt19937& g) {
  gvector<T> v(lo, hi);
  for (int i = lo; i <= hi; ++i) v[i] = rnd<T>(g);
  return v;
}

template <class T>
bool same_bits(gvector<T> const& a, gvector<T> const& b) {
  if (a.imin() != b.imin() || a.imax() != b.imax()) return false;
  std::size_t const n = static_cast<std::size_t>(a.imax() - a.imin() + 1);
  return n == 0 || std::memcmp(a.debut(), b.debut(), n * sizeof(T)) == 0;
}

template <class T>
bool same_bits(gmatrix<T> const& a, gmatrix<T> const& b) {
  if (a.imin() != b.imin() || a.imax() != b.imax() || a.jmin() != b.jmin() || a.jmax() != b.jmax())
    return false;
  long long const n = static_cast<long long>(a.imax() - a.imin() + 1) * (a.jmax() - a.jmin() + 1);
  return n == 0 || std::memcmp(a.debut(), b.debut(), static_cast<std::size_t>(n) * sizeof(T)) == 0;
}

// max |a - b| / max(1, max |b|)
template <class T>
double rel_diff(gvector<T> const& a, gvector<T> const& b) {
  double d = 0, s = 1;
  for (int i = b.imin(); i <= b.imax(); ++i) {
    d = std::max(d, absval(a[i - b.imin() + a.imin()] - b[i]));
    s = std::max(s, absval(b[i]));
  }
  return d / s;
}

// [[2, 1], [4, 3]] as a full general profile matrix: elem holds
// a11 | a21 a12 a22.
template <class T>
skygmatrix<T> general2() {
  skygmatrix<T> a(prof({0, 1, 4}));
  a(1, 1) = T(2);
  a(1, 2) = T(1);
  a(2, 1) = T(4);
  a(2, 2) = T(3);
  return a;
}

}  // namespace ph

#endif
