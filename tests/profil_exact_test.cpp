// The raw-storage kernels against the algorithms written element by element
// through the checked accessors: factors and solutions must agree to the bit.
#include "profil.h"

#include <cfloat>
#include <limits>

#include "profil_helpers.h"
#include "test_util.h"

using namespace ph;

namespace {

struct no_conj {
  template <class T>
  T operator()(T x) const {
    return x;
  }
};
struct with_conj {
  C operator()(C x) const { return std::conj(x); }
};

template <class T>
T ref_sqrt(T x) {
  return std::sqrt(x);
}
template <>
int ref_sqrt<int>(int x) {
  return static_cast<int>(std::sqrt(static_cast<double>(x)));
}

// ---- general matrix

template <class T>
int ref_gauss(skygmatrix<T>& A) {
  gvector<int> const& p = A.profile();
  for (int i = 1; i <= A.imax(); ++i) {
    int const pci = gen_first(p, i);
    for (int j = pci; j < i; ++j) {
      for (int k = std::max(pci, gen_first(p, j)); k < j; ++k) {
        A(i, j) -= A(i, k) * A(k, j);
        A(j, i) -= A(j, k) * A(k, i);
      }
      A(i, j) = quot(A(i, j), A(j, j));
    }
    for (int k = pci; k < i; ++k) A(i, i) -= A(i, k) * A(k, i);
    if (absval(A(i, i)) <= DBL_MIN) return i;
  }
  return 0;
}

template <class T>
gvector<T> ref_solve_gauss(skygmatrix<T> const& A, gvector<T> const& b) {
  gvector<int> const& p = A.profile();
  int const n = A.imax();
  gvector<T> y(1, n), x(1, n);
  for (int i = 1; i <= n; ++i) {
    T s = T(0);
    for (int k = gen_first(p, i); k < i; ++k) s = A(i, k) * y[k] + s;
    y[i] = b[i] - s;
  }
  for (int i = n; i >= 1; --i) {
    x[i] = quot(y[i], A(i, i));
    for (int k = gen_first(p, i); k < i; ++k) y[k] -= A(k, i) * x[i];
  }
  return x;
}

template <class T>
gvector<T> ref_solveUxb(skygmatrix<T> const& A, gvector<T> const& b) {
  gvector<int> const& p = A.profile();
  gvector<T> y(b), x(1, A.imax());
  for (int i = A.imax(); i >= 1; --i) {
    x[i] = quot(y[i], A(i, i));
    for (int k = gen_first(p, i); k < i; ++k) y[k] -= A(k, i) * x[i];
  }
  return x;
}

template <class T>
gvector<T> ref_solvexUb(skygmatrix<T> const& A, gvector<T> const& b) {
  gvector<int> const& p = A.profile();
  gvector<T> x(1, A.imax());
  for (int i = 1; i <= A.imax(); ++i) {
    x[i] = b[i];
    for (int k = gen_first(p, i); k < i; ++k) x[i] -= A(k, i) * x[k];
    x[i] = quot(x[i], A(i, i));
  }
  return x;
}

template <class T>
gvector<T> ref_solveLxb(skygmatrix<T> const& A, gvector<T> const& b) {
  gvector<int> const& p = A.profile();
  gvector<T> x(1, A.imax());
  for (int i = 1; i <= A.imax(); ++i) {
    x[i] = b[i];
    for (int k = gen_first(p, i); k < i; ++k) x[i] -= A(i, k) * x[k];
  }
  return x;
}

template <class T>
gvector<T> ref_gen_product(skygmatrix<T> const& A, gvector<T> const& x) {
  gvector<int> const& p = A.profile();
  gvector<T> y(1, A.imax());
  y = T(0);
  for (int i = 1; i <= A.imax(); ++i) {
    for (int j = gen_first(p, i); j < i; ++j) y[i] += A(i, j) * x[j];
    for (int k = gen_first(p, i); k < i; ++k) y[k] += A(k, i) * x[i];
    y[i] += A(i, i) * x[i];
  }
  return y;
}

template <class T>
gmatrix<T> ref_XUC(skygmatrix<T> const& A, gmatrix<T> const& B) {
  gvector<int> const& p = A.profile();
  gmatrix<T> X(B.imin(), B.imax(), B.jmin(), B.jmax());
  for (int r = B.imin(); r <= B.imax(); ++r)
    for (int j = 1; j <= A.imax(); ++j) {
      X(r, j) = B(r, j);
      for (int k = gen_first(p, j); k < j; ++k) X(r, j) -= A(k, j) * X(r, k);
      X(r, j) = quot(X(r, j), A(j, j));
    }
  return X;
}

template <class T>
gmatrix<T> ref_LXC(skygmatrix<T> const& A, gmatrix<T> const& B) {
  gvector<int> const& p = A.profile();
  gmatrix<T> X(B.imin(), B.imax(), B.jmin(), B.jmax());
  for (int c = B.jmin(); c <= B.jmax(); ++c)
    for (int i = 1; i <= A.imax(); ++i) {
      X(i, c) = B(i, c);
      for (int k = gen_first(p, i); k < i; ++k) X(i, c) -= A(i, k) * X(k, c);
    }
  return X;
}

template <class T>
skyhrectmatrix<T> ref_XUC(skygmatrix<T> const& A, skyhrectmatrix<T> const& B) {
  gvector<int> const& p = A.profile();
  skyhrectmatrix<T> X;
  X.resize(B.profile(), B.dim());
  for (int r = B.imin(); r <= B.imax(); ++r) {
    int const q = B.pcnn(r);
    for (int j = q; j <= A.imax(); ++j) {
      X(r, j) = B(r, j);
      for (int k = std::max(gen_first(p, j), q); k < j; ++k) X(r, j) -= A(k, j) * X(r, k);
      X(r, j) = quot(X(r, j), A(j, j));
    }
  }
  return X;
}

template <class T>
skyvrectmatrix<T> ref_LXC(skygmatrix<T> const& A, skyvrectmatrix<T> const& B) {
  gvector<int> const& p = A.profile();
  skyvrectmatrix<T> X;
  X.resize(B.profile(), B.dim());
  for (int c = B.jmin(); c <= B.jmax(); ++c) {
    int const q = B.plnn(c);
    for (int i = q; i <= A.imax(); ++i) {
      X(i, c) = B(i, c);
      for (int k = std::max(gen_first(p, i), q); k < i; ++k) X(i, c) -= A(i, k) * X(k, c);
    }
  }
  return X;
}

// ---- symmetric and Hermitian matrices

template <class T, class M, class Cj>
int ref_choleski(M& A, Cj cj) {
  gvector<int> const& p = A.profile();
  for (int i = 1; i <= A.imax(); ++i) {
    T sd = T(0);
    int const pi = sym_first(p, i);
    for (int j = pi; j < i; ++j) {
      T s = T(0);
      for (int k = std::max(sym_first(p, j), pi); k < j; ++k) s = A(i, k) * cj(A(j, k)) + s;
      A(i, j) = quot(A(i, j) - s, A(j, j));
      sd = A(i, j) * cj(A(i, j)) + sd;
    }
    T const t = A(i, i) - sd;
    if (!rsqrt_dom(t)) return i;
    A(i, i) = ref_sqrt(t);
    if (iszero(A(i, i))) return i;
  }
  return 0;
}

template <class T, class M, class Cj>
int ref_crout(M& A, Cj cj) {
  gvector<int> const& p = A.profile();
  for (int i = 1; i <= A.imax(); ++i) {
    int const pi = sym_first(p, i);
    for (int j = pi; j < i; ++j) {
      T s = T(0);
      for (int k = std::max(pi, sym_first(p, j)); k < j; ++k)
        s = A(i, k) * A(k, k) * cj(A(j, k)) + s;
      A(i, j) = quot(A(i, j) - s, A(j, j));
    }
    T s = T(0);
    for (int k = pi; k < i; ++k) s = A(i, k) * A(k, k) * cj(A(i, k)) + s;
    A(i, i) = A(i, i) - s;
    if (iszero(A(i, i))) return i;
  }
  return 0;
}

template <class T, class M, class Cj>
gvector<T> ref_solve_choleski(M const& A, gvector<T> const& b, Cj cj) {
  gvector<int> const& p = A.profile();
  int const n = A.imax();
  gvector<T> y(1, n), x(1, n);
  for (int i = 1; i <= n; ++i) {
    T s = T(0);
    for (int k = sym_first(p, i); k < i; ++k) s = A(i, k) * y[k] + s;
    y[i] = quot(b[i] - s, A(i, i));
  }
  for (int i = n; i >= 1; --i) {
    x[i] = quot(y[i], A(i, i));
    for (int k = sym_first(p, i); k < i; ++k) y[k] = y[k] - cj(A(i, k)) * x[i];
  }
  return x;
}

template <class T, class M, class Cj>
gvector<T> ref_solve_crout(M const& A, gvector<T> const& b, Cj cj) {
  gvector<int> const& p = A.profile();
  int const n = A.imax();
  gvector<T> y(1, n), z(1, n), x(1, n);
  for (int i = 1; i <= n; ++i) {
    T s = T(0);
    for (int k = sym_first(p, i); k < i; ++k) s = A(i, k) * y[k] + s;
    y[i] = b[i] - s;
  }
  for (int i = n; i >= 1; --i) z[i] = quot(y[i], A(i, i));
  for (int i = n; i >= 1; --i) {
    x[i] = z[i];
    for (int k = sym_first(p, i); k < i; ++k) z[k] = z[k] - cj(A(i, k)) * x[i];
  }
  return x;
}

template <class T, class M, class Cj>
gvector<T> ref_sym_product(M const& A, gvector<T> const& x, Cj cj) {
  gvector<int> const& p = A.profile();
  gvector<T> y(1, A.imax());
  y = T(0);
  for (int i = 1; i <= A.imax(); ++i) {
    for (int j = sym_first(p, i); j < i; ++j) {
      y[i] += A(i, j) * x[j];
      y[j] += cj(A(i, j)) * x[i];
    }
    y[i] += A(i, i) * x[i];
  }
  return y;
}

// ---- rectangular matrices and dense factors

template <class T>
gmatrix<T> ref_hv(skyhrectmatrix<T> const& A, skyvrectmatrix<T> const& B) {
  gmatrix<T> P(A.imin(), A.imax(), B.jmin(), B.jmax());
  P = T(0);
  for (int i = A.imin(); i <= A.imax(); ++i)
    for (int j = B.jmin(); j <= B.jmax(); ++j)
      for (int k = std::max(A.pcnn(i), B.plnn(j)); k <= A.jmax(); ++k)
        P(i, j) = A(i, k) * B(k, j) + P(i, j);
  return P;
}

template <class T>
gvector<T> ref_hx(skyhrectmatrix<T> const& A, gvector<T> const& x) {
  gvector<T> y(A.imin(), A.imax());
  for (int i = A.imin(); i <= A.imax(); ++i) {
    y[i] = T(0);
    for (int j = A.pcnn(i); j <= A.jmax(); ++j) y[i] = A(i, j) * x[j] + y[i];
  }
  return y;
}

template <class T>
gvector<T> ref_vx(skyvrectmatrix<T> const& A, gvector<T> const& x) {
  gvector<T> y(1, A.imax());
  y = T(0);
  for (int j = A.jmin(); j <= A.jmax(); ++j)
    for (int i = A.plnn(j); i <= A.imax(); ++i) y[i] = A(i, j) * x[j] + y[i];
  return y;
}

template <class T>
skyhrectmatrix<T> ref_dense_XUC(gmatrix<T> const& D, skyhrectmatrix<T> const& B) {
  skyhrectmatrix<T> X;
  X.resize(B.profile(), B.dim());
  for (int r = B.imin(); r <= B.imax(); ++r) {
    gvector<T> t = B.ligne(r);
    for (int j = B.pcnn(r); j <= B.jmax(); ++j) {
      X(r, j) = quot(t[j], D(j, j));
      for (int k = j + 1; k <= B.jmax(); ++k) t[k] = t[k] - D(j, k) * X(r, j);
    }
  }
  return X;
}

template <class T>
skyvrectmatrix<T> ref_dense_LXC(gmatrix<T> const& D, skyvrectmatrix<T> const& B) {
  skyvrectmatrix<T> X;
  X.resize(B.profile(), B.dim());
  for (int c = B.jmin(); c <= B.jmax(); ++c)
    for (int i = B.plnn(c); i <= B.imax(); ++i) {
      X(i, c) = B(i, c);
      for (int k = B.plnn(c); k < i; ++k) X(i, c) = X(i, c) - D(i, k) * X(k, c);
    }
  return X;
}

template <class T>
void fill_rect(skyrectmatrix<T>& a, std::mt19937& g) {
  T* e = const_cast<T*>(a.values().debut());
  for (int k = 0; k < a.size(); ++k) e[k] = rnd<T>(g);
}

using ph::same_bits;

template <class T>
bool same_bits(skyrectmatrix<T> const& a, skyrectmatrix<T> const& b) {
  return a.dim() == b.dim() && a.profile() == b.profile() && ph::same_bits(a.values(), b.values());
}

int const sizes[] = {0, 1, 2, 3, 5, 9, 17, 33, 65};

template <class T>
class SkyExactTest : public ::testing::Test {};
TYPED_TEST_SUITE(SkyExactTest, AllScalars);

TYPED_TEST(SkyExactTest, GaussAndItsSolves) {
  typedef TypeParam T;
  std::mt19937 g(21);
  for (int n : sizes)
    for (int reach : {0, 2, n}) {
      skygmatrix<T> a(random_general_profile(n, reach, g));
      fill_general(a, g);
      gvector<T> x = random_vector<T>(1, n, g);
      ASSERT_TRUE(same_bits(a * x, ref_gen_product(a, x)));
      skygmatrix<T> r(a);
      int const fa = a.gauss(), fr = ref_gauss(r);
      ASSERT_EQ(fa, fr) << n;
      ASSERT_TRUE(same_bits(a.values(), r.values())) << n;
      if (fa) continue;
      gvector<T> y;
      a.solve(x, y);
      EXPECT_TRUE(same_bits(y, ref_solve_gauss(r, x))) << n;
      a.solveUxb(x, y);
      EXPECT_TRUE(same_bits(y, ref_solveUxb(r, x))) << n;
      a.solvexUb(x, y);
      EXPECT_TRUE(same_bits(y, ref_solvexUb(r, x))) << n;
      a.solveLxb(x, y);
      EXPECT_TRUE(same_bits(y, ref_solveLxb(r, x))) << n;

      gmatrix<T> B(1, n, 1, n), X;
      for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) B(i, j) = rnd<T>(g);
      a.solveXUC(B, X);
      EXPECT_TRUE(same_bits(X, ref_XUC(r, B))) << n;
      a.solveLXC(B, X);
      EXPECT_TRUE(same_bits(X, ref_LXC(r, B))) << n;

      skyhrectmatrix<T> H(random_rect_profile(4, n, g), n), HX;
      fill_rect(H, g);
      a.solveXUC(H, HX);
      EXPECT_TRUE(same_bits(HX, ref_XUC(r, H))) << n;
      skyvrectmatrix<T> V(random_rect_profile(4, n, g), n), VX;
      fill_rect(V, g);
      a.solveLXC(V, VX);
      EXPECT_TRUE(same_bits(VX, ref_LXC(r, V))) << n;
    }
}

TYPED_TEST(SkyExactTest, CholeskiCroutAndTheirSolves) {
  typedef TypeParam T;
  std::mt19937 g(22);
  for (int n : sizes)
    for (int reach : {0, 2, n}) {
      skysmatrix<T> a(random_sym_profile(n, reach, g));
      fill_sym<T>(a, g, true);
      gvector<T> x = random_vector<T>(1, n, g);
      ASSERT_TRUE(same_bits(a * x, ref_sym_product<T>(a, x, no_conj())));
      skysmatrix<T> c(a), ra(a), rc(a);
      int const fa = a.choleski(), fra = ref_choleski<T>(ra, no_conj());
      ASSERT_EQ(fa, fra);
      ASSERT_TRUE(same_bits(a.values(), ra.values())) << n;
      int const fc = c.crout(), frc = ref_crout<T>(rc, no_conj());
      ASSERT_EQ(fc, frc);
      ASSERT_TRUE(same_bits(c.values(), rc.values())) << n;
      gvector<T> y;
      if (!fa) {
        a.solve(x, y);
        EXPECT_TRUE(same_bits(y, ref_solve_choleski<T>(ra, x, no_conj()))) << n;
      }
      if (!fc) {
        c.solve(x, y);
        EXPECT_TRUE(same_bits(y, ref_solve_crout<T>(rc, x, no_conj()))) << n;
      }
    }
}

// Wide profiles over several groups of lines, and diagonals that make the
// factorizations fail part way: the factors and the matrix left behind are
// the bits of the line-by-line method.
template <class T>
class SkyExactWideTest : public ::testing::Test {};
using Reals = ::testing::Types<float, double>;
TYPED_TEST_SUITE(SkyExactWideTest, Reals);

TYPED_TEST(SkyExactWideTest, CholeskiAndCroutOnWideProfilesAndFailures) {
  typedef TypeParam T;
  std::mt19937 g(23);
  for (int n : {7, 8, 9, 15, 16, 17, 31, 33, 47, 64, 130})
    for (int reach : {1, 5, 20, n})
      for (int fail_at : {0, 1, 17, n / 2 + 1, n - 1, n}) {
        if (fail_at > n) continue;
        skysmatrix<T> a(random_sym_profile(n, reach, g));
        fill_sym<T>(a, g, true);
        if (fail_at) a(fail_at, fail_at) = T(-1000);  // negative remainder
        skysmatrix<T> c(a), ra(a), rc(a);
        int const fa = a.choleski(), fra = ref_choleski<T>(ra, no_conj());
        ASSERT_EQ(fa, fra) << n << " " << reach << " " << fail_at;
        ASSERT_TRUE(same_bits(a.values(), ra.values())) << n << " " << reach << " " << fail_at;
        EXPECT_EQ(a.state(), fa ? erreur : factors_choleski);
        int const fc = c.crout(), frc = ref_crout<T>(rc, no_conj());
        ASSERT_EQ(fc, frc);
        ASSERT_TRUE(same_bits(c.values(), rc.values())) << n << " " << reach;
        // The solves take lines by groups too.
        gvector<T> const b = random_vector<T>(1, n, g);
        gvector<T> x;
        if (!fa) {
          a.solve(b, x);
          EXPECT_TRUE(same_bits(x, ref_solve_choleski<T>(ra, b, no_conj()))) << n << " " << reach;
        }
        if (!fc) {
          c.solve(b, x);
          EXPECT_TRUE(same_bits(x, ref_solve_crout<T>(rc, b, no_conj()))) << n << " " << reach;
        }
      }
}

// Crout goes on past an infinite or NaN entry. Lines whose profile does not
// reach that column never meet it in the line-by-line method, so they must
// come out finite and with the same bits (a product with a padded zero
// would bring a NaN in).
TYPED_TEST(SkyExactWideTest, CroutKeepsNonFiniteEntriesOutOfShorterLines) {
  typedef TypeParam T;
  std::mt19937 g(24);
  T const specials[] = {std::numeric_limits<T>::infinity(), std::numeric_limits<T>::quiet_NaN()};
  for (int n : {20, 40, 75})
    for (T bad : specials)
      for (int trial = 0; trial < 4; ++trial) {
        gvector<int> p(0, n);
        p[0] = 0;
        // Ragged: full-reach lines next to very short ones.
        for (int i = 1; i <= n; ++i) {
          int const d = (i % 3 == 0) ? i : std::uniform_int_distribution<int>(1, std::min(i, 4))(g);
          p[i] = p[i - 1] + d;
        }
        skysmatrix<T> a(p);
        fill_sym<T>(a, g, true);
        for (int j = 2; j <= n; j += 5) {
          int const f = sym_first(p, j);
          if (f < j) a(j, f) = bad;
        }
        skysmatrix<T> r(a);
        int const fc = a.crout(), fr = ref_crout<T>(r, no_conj());
        ASSERT_EQ(fc, fr) << n;
        ASSERT_TRUE(same_bits(a.values(), r.values())) << n << " " << trial;
      }
}

// Lines of one entry next to lines reaching back to column 1, and lengths
// in between.
gvector<int> ragged_general_profile(int n, std::mt19937& g) {
  gvector<int> p(0, n);
  p[0] = 0;
  for (int i = 1; i <= n; ++i) {
    int m = 0;
    switch (g() % 4) {
      case 0: m = 0; break;
      case 1: m = i - 1; break;
      default: m = std::uniform_int_distribution<int>(0, i - 1)(g);
    }
    p[i] = p[i - 1] + 2 * m + 1;
  }
  return p;
}

// Every line reaching back w columns (or to column 1): the lines of a group
// start one column apart, as in a banded finite-element matrix.
gvector<int> band_general_profile(int n, int w) {
  gvector<int> p(0, n);
  p[0] = 0;
  for (int i = 1; i <= n; ++i) p[i] = p[i - 1] + 2 * std::min(w, i - 1) + 1;
  return p;
}

// Line f gets a zero row part and a zero diagonal: its column part is still
// worked, and its pivot comes out exactly zero.
template <class T>
void zero_row(skygmatrix<T>& a, int f) {
  for (int k = gen_first(a.profile(), f); k <= f; ++k) a(f, k) = T(0);
}

// Off-diagonal entries set to +-inf here and there: lines that do not
// reach them must not see them.
template <class T>
void sprinkle_inf(skygmatrix<T>& a, std::mt19937& g) {
  gvector<int> const& p = a.profile();
  for (int i = 1; i <= a.imax(); ++i)
    for (int k = gen_first(p, i); k < i; ++k) {
      if (g() % 16 == 0) a(i, k) = std::numeric_limits<T>::infinity();
      if (g() % 16 == 0) a(k, i) = -std::numeric_limits<T>::infinity();
    }
}

// Groups of lines (a vector of lines is 32 bytes, a group two vectors),
// sizes around them, ragged, banded and wide profiles, pivots failing in
// the first, a middle and the last line of a group.
TYPED_TEST(SkyExactWideTest, GaussOnGroupsRaggedProfilesAndFailures) {
  typedef TypeParam T;
  int const R = 64 / static_cast<int>(sizeof(T));
  std::mt19937 g(27);
  for (int n : {0, 1, 2, R - 1, R, R + 1, 2 * R + 3, 3 * R - 2, 130})
    for (int shape : {1, 5, 20, n, -1, -11, -40})
      for (int fail : {0, 1, R + 1, R + R / 2, 2 * R, n})
        for (bool inf : {false, true}) {
          if (fail > n) continue;
          // shape: the reach of random lines, -1 ragged, -w a band of width w
          skygmatrix<T> a(shape == -1 ? ragged_general_profile(n, g)
                          : shape < 0 ? band_general_profile(n, -shape)
                                      : random_general_profile(n, shape, g));
          fill_general(a, g);
          if (fail) zero_row(a, fail);
          if (inf) sprinkle_inf(a, g);
          skygmatrix<T> r(a);
          int const fa = a.gauss(), fr = ref_gauss(r);
          ASSERT_EQ(fa, fr) << n << " " << shape << " " << fail << " " << inf;
          if (!inf) {
            ASSERT_EQ(fa, fail);
          }
          ASSERT_TRUE(same_bits(a.values(), r.values()))
              << n << " " << shape << " " << fail << " " << inf;
          EXPECT_EQ(a.state(), fa ? erreur : factors_gauss);
          if (fa || inf) continue;
          gvector<T> const b = random_vector<T>(1, n, g);
          gvector<T> x;
          a.solve(b, x);
          EXPECT_TRUE(same_bits(x, ref_solve_gauss(r, b))) << n << " " << shape;
          a.solveLxb(b, x);
          EXPECT_TRUE(same_bits(x, ref_solveLxb(r, b))) << n << " " << shape;
          a.solveUxb(b, x);
          EXPECT_TRUE(same_bits(x, ref_solveUxb(r, b))) << n << " " << shape;
        }
}

TEST(SkyExactHerm, CholeskiCroutAndTheirSolves) {
  std::mt19937 g(23);
  for (int n : sizes)
    for (int reach : {0, 2, n}) {
      skyhmatrix a(random_sym_profile(n, reach, g));
      fill_sym<C>(a, g);
      gvector<C> x = random_vector<C>(1, n, g);
      ASSERT_TRUE(same_bits(a * x, ref_sym_product<C>(a, x, with_conj())));
      skyhmatrix c(a), ra(a), rc(a);
      ASSERT_EQ(a.choleski(), ref_choleski<C>(ra, with_conj()));
      ASSERT_TRUE(same_bits(a.values(), ra.values())) << n;
      ASSERT_EQ(c.crout(), ref_crout<C>(rc, with_conj()));
      ASSERT_TRUE(same_bits(c.values(), rc.values())) << n;
      gvector<C> y;
      a.solve(x, y);
      EXPECT_TRUE(same_bits(y, ref_solve_choleski<C>(ra, x, with_conj()))) << n;
      c.solve(x, y);
      EXPECT_TRUE(same_bits(y, ref_solve_crout<C>(rc, x, with_conj()))) << n;
    }
}

TYPED_TEST(SkyExactTest, RectangularProducts) {
  typedef TypeParam T;
  std::mt19937 g(24);
  for (int n : sizes) {
    skyhrectmatrix<T> A(random_rect_profile(5, n, g), n);
    skyvrectmatrix<T> B(random_rect_profile(3, n, g), n);
    fill_rect(A, g);
    fill_rect(B, g);
    EXPECT_TRUE(same_bits(A * B, ref_hv(A, B))) << n;
    gvector<T> xa = random_vector<T>(1, n, g), xb = random_vector<T>(1, 3, g);
    EXPECT_TRUE(same_bits(A * xa, ref_hx(A, xa))) << n;
    EXPECT_TRUE(same_bits(B * xb, ref_vx(B, xb))) << n;
  }
}

TYPED_TEST(SkyExactTest, DenseFactorsOnProfileBlocks) {
  typedef TypeParam T;
  std::mt19937 g(25);
  for (int n : sizes) {
    gmatrix<T> D(1, n, 1, n);
    for (int i = 1; i <= n; ++i) {
      for (int j = 1; j <= n; ++j) D(i, j) = rnd<T>(g);
      D(i, i) = T(3 * n + 2);
    }
    ASSERT_EQ(D.gauss(), 0);
    skyhrectmatrix<T> H(random_rect_profile(4, n, g), n), HX;
    fill_rect(H, g);
    D.solveXUC(H, HX);
    EXPECT_TRUE(same_bits(HX, ref_dense_XUC(D, H))) << n;
    skyvrectmatrix<T> V(random_rect_profile(4, n, g), n), VX;
    fill_rect(V, g);
    D.solveLXC(V, VX);
    EXPECT_TRUE(same_bits(VX, ref_dense_LXC(D, V))) << n;
  }
}

}  // namespace
