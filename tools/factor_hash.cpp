// Prints a hash of the factors and solutions of fixed matrices, so that two
// builds (say baseline x86-64 and -march=native), or two thread counts
// (UTILS_NUM_THREADS), can be compared bit for bit. The larger cases are
// above the sizes from which the factorizations use several threads.
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "matrices.h"
#include "profil.h"
#include "utils_hooks.h"

namespace {

std::uint64_t h = 1469598103934665603ull;  // FNV-1a

void mix(const void* p, std::size_t n) {
  const unsigned char* c = static_cast<const unsigned char*>(p);
  for (std::size_t i = 0; i < n; ++i) h = (h ^ c[i]) * 1099511628211ull;
}

template <class T>
void mix(const gvector<T>& v) {
  mix(v.debut(), sizeof(T) * static_cast<std::size_t>(v.imax() - v.imin() + 1));
}

// A fixed pseudo-random value in [-1, 1) from an integer.
double value(unsigned k) {
  k = k * 2654435761u + 12345u;
  k ^= k >> 13;
  k *= 0x5bd1e995u;
  k ^= k >> 15;
  return (k % 20000u) / 10000.0 - 1.0;
}

template <class T>
T make(unsigned k) {
  return static_cast<T>(value(k));
}
template <>
std::complex<double> make(unsigned k) {
  return {value(k), value(k + 7777)};
}

template <class T>
void dense(int n) {
  gmatrix<T> a(1, n, 1, n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) a(i, j) = make<T>(i * 1000 + j) + (i == j ? T(n) : T(0));
  gvector<T> b(1, n), x;
  for (int i = 1; i <= n; ++i) b[i] = make<T>(i);
  a.gauss();
  a.solve(b, x);
  mix(a.debut(), sizeof(T) * n * n);
  mix(x);
}

// Random symmetric profile: line i reaches back up to w columns.
gvector<int> profile(int n, int w, bool general) {
  gvector<int> p(0, n);
  p[0] = 0;
  for (int i = 1; i <= n; ++i) {
    int const d = std::min(i - 1, static_cast<int>((value(i) + 1) * w / 2));
    p[i] = p[i - 1] + (general ? 2 * d + 1 : d + 1);
  }
  return p;
}

template <class T, class M>
void fill(M& a, int n) {
  for (int k = a.values().imin(); k <= a.values().imax(); ++k)
    const_cast<T*>(a.values().debut())[k - a.values().imin()] = make<T>(k);
  for (int i = 1; i <= n; ++i) a(i, i) = T(4 * n);
}

template <class T>
void profiles(int n, int w) {
  gvector<T> b(1, n), x;
  for (int i = 1; i <= n; ++i) b[i] = make<T>(i);
  skysmatrix<T> s(profile(n, w, false));
  fill<T>(s, n);
  skysmatrix<T> c(s);
  // A complex symmetric matrix has no real Cholesky factor in general.
  if constexpr (!std::is_same<T, std::complex<double>>::value) {
    s.choleski();
    s.solve(b, x);
    mix(s.values());
    mix(x);
  }
  c.crout();
  c.solve(b, x);
  mix(c.values());
  mix(x);
  skygmatrix<T> g(profile(n, w, true));
  fill<T>(g, n);
  g.gauss();
  g.solve(b, x);
  mix(g.values());
  mix(x);
}

}  // namespace

int main(int, char** argv) {
  utils_debut(argv[0]);
  dense<float>(150);
  dense<double>(300);
  dense<std::complex<double>>(100);
  dense<float>(400);
  dense<double>(700);
  profiles<float>(500, 60);
  profiles<double>(500, 60);
  profiles<std::complex<double>>(200, 30);
  profiles<float>(3000, 200);
  profiles<double>(3000, 200);
  std::printf("%016llx\n", static_cast<unsigned long long>(h));
  utils_fin();
}
