#include "profil.h"

#include <cfloat>
#include <climits>

#include "profil_helpers.h"
#include "test_util.h"

using namespace ph;

namespace {

// [[1, 2], [2, 1]]: indefinite, so Cholesky fails at line 2 but Crout does not.
template <class T>
skysmatrix<T> indefinite() {
  skysmatrix<T> a(prof({0, 1, 3}));
  a(1, 1) = T(1);
  a(2, 1) = T(2);
  a(2, 2) = T(1);
  return a;
}

template <class T>
class SkyTest : public ::testing::Test {};
TYPED_TEST_SUITE(SkyTest, AllScalars);

template <class T>
class SkyFloatTest : public ::testing::Test {};
TYPED_TEST_SUITE(SkyFloatTest, FloatScalars);

TYPED_TEST(SkyTest, GaussFactorsTwoByTwoAndSolves) {
  typedef TypeParam T;
  skygmatrix<T> a = general2<T>();
  EXPECT_EQ(a.gauss(), 0);
  EXPECT_EQ(a.state(), factors_gauss);
  EXPECT_EQ(a(1, 1), T(2));
  EXPECT_EQ(a(1, 2), T(1));
  EXPECT_EQ(a(2, 1), T(2));
  EXPECT_EQ(a(2, 2), T(1));
  EXPECT_EQ(a.cond(), 2.0);
  gvector<T> x;
  a.solve(vec<T>({3, 7}), x);
  EXPECT_TRUE(x == vec<T>({1, 1}));
  gvector<T> y;
  a.solveLxb(vec<T>({3, 7}), y);
  EXPECT_TRUE(y == vec<T>({3, 1}));
  a.solveUxb(y, y);  // in place
  EXPECT_TRUE(y == vec<T>({1, 1}));
  a.solvexUb(vec<T>({2, 3}), x);
  EXPECT_TRUE(x == vec<T>({1, 2}));
}

TYPED_TEST(SkyTest, ZeroPivotFailsWithoutPivoting) {
  typedef TypeParam T;
  skygmatrix<T> a(prof({0, 1, 4}));
  a = T(0);
  a(1, 2) = T(1);
  a(2, 1) = T(1);
  EXPECT_EQ(a.gauss(), 1);
  EXPECT_EQ(a.state(), erreur);
  EXPECT_EQ(a.cond(), 0.0);
  gvector<T> x;
  EXPECT_FATAL(a.solve(vec<T>({1, 1}), x), 1, "Tentative de resolution d'un systeme non factorize");
}

TEST(SkyGauss, SubnormalPivotFailsAtItsLine) {
  skygmatrix<double> a(prof({0, 1, 2, 3}));
  a = 1.0;
  a(3, 3) = 1e-310;
  EXPECT_EQ(a.gauss(), 3);
  EXPECT_EQ(a.state(), erreur);
}

TEST(SkyGauss, IntegerQuotientsTruncate) {
  skygmatrix<int> a(prof({0, 1, 4}));
  a(1, 1) = 2;
  a(1, 2) = 1;
  a(2, 1) = 1;
  a(2, 2) = 1;
  EXPECT_EQ(a.gauss(), 0);
  EXPECT_EQ(a(2, 1), 0);
  EXPECT_EQ(a(2, 2), 1);
}

TEST(SkyGauss, DiagonalMatrixKeepsItsValues) {
  skygmatrix<double> a(prof({0, 1, 2, 3}));
  a(1, 1) = -4;
  a(2, 2) = 0.5;
  a(3, 3) = 2;
  EXPECT_EQ(a.gauss(), 0);
  EXPECT_EQ(a(1, 1), -4);
  EXPECT_EQ(a(2, 2), 0.5);
  EXPECT_EQ(a.cond(), 8.0);
}

TYPED_TEST(SkyTest, CholeskiAndCroutOfFour) {
  typedef TypeParam T;
  skysmatrix<T> a(prof({0, 1}));
  a(1, 1) = T(4);
  skysmatrix<T> b(a);
  EXPECT_EQ(a.choleski(), 0);
  EXPECT_EQ(a(1, 1), T(2));
  EXPECT_EQ(a.cond(), 1.0);
  EXPECT_EQ(b.crout(), 0);
  EXPECT_EQ(b(1, 1), T(4));
  gvector<T> x;
  a.solve(vec<T>({8}), x);
  EXPECT_TRUE(x == vec<T>({2}));
  b.solve(vec<T>({8}), x);
  EXPECT_TRUE(x == vec<T>({2}));
}

TYPED_TEST(SkyTest, NegativeRemainderFailsCholeskiNotCrout) {
  typedef TypeParam T;
  skysmatrix<T> a = indefinite<T>();
  skysmatrix<T> b = indefinite<T>();
  EXPECT_EQ(a.choleski(), 2);
  EXPECT_EQ(a.state(), erreur);
  EXPECT_EQ(b.crout(), 0);
  EXPECT_EQ(b.state(), factors_crout);
  EXPECT_EQ(b(2, 1), T(2));
  EXPECT_EQ(b(2, 2), T(-3));
  gvector<T> x;
  b.solve(vec<T>({3, 3}), x);  // A (1, 1) = (3, 3)
  EXPECT_TRUE(x == vec<T>({1, 1}));
}

TEST(SkySym, TinyPivotFailsInDouble) {
  skysmatrix<double> a(prof({0, 1, 2}));
  a(1, 1) = 1;
  a(2, 2) = 1e-33;  // square root 3.2e-17
  skysmatrix<double> b(a);
  EXPECT_EQ(a.choleski(), 2);
  b(2, 2) = 2e-16;
  EXPECT_EQ(b.crout(), 2);
  skysmatrix<double> c(prof({0, 1}));
  c(1, 1) = 2.220446049250313e-16;
  EXPECT_EQ(c.crout(), 0);
}

TEST(SkySym, ValuesOfTheFullMatrix) {
  skysmatrix<double> a(prof({0, 1, 3, 4}));
  a = 0.0;
  a(2, 1) = 5;
  EXPECT_EQ(a(0, 1, 2), 5);
  EXPECT_EQ(a(0, 2, 1), 5);
  EXPECT_EQ(a(0, 3, 1), 0);
  EXPECT_EQ(a(0, 1, 3), 0);
}

TYPED_TEST(SkyTest, ProductsMatchTheDenseProduct) {
  typedef TypeParam T;
  std::mt19937 g(7);
  for (int n : {0, 1, 5, 17}) {
    skygmatrix<T> a(random_general_profile(n, 6, g));
    fill_general(a, g);
    skysmatrix<T> s(random_sym_profile(n, 6, g));
    fill_sym<T>(s, g);
    gvector<T> x = random_vector<T>(1, n, g);
    gvector<T> ya = a * x, ys = s * x;
    for (int i = 1; i <= n; ++i) {
      T da = T(0), ds = T(0);
      for (int j = 1; j <= n; ++j) {
        da = a(0, i, j) * x[j] + da;
        ds = s(0, i, j) * x[j] + ds;
      }
      EXPECT_LE(absval(ya[i] - da), 1e-5 * (1 + absval(da)));
      EXPECT_LE(absval(ys[i] - ds), 1e-5 * (1 + absval(ds)));
    }
  }
}

TEST(SkyHerm, ValuesAreConjugateTransposed) {
  skyhmatrix a(prof({0, 1, 3}));
  a(1, 1) = 2;
  a(2, 1) = C(1, 3);
  a(2, 2) = 5;
  EXPECT_EQ(a(0, 2, 1), C(1, 3));
  EXPECT_EQ(a(0, 1, 2), C(1, -3));
  EXPECT_EQ(a(0, 1, 2), std::conj(a(0, 2, 1)));
}

TEST(SkyHerm, ProductMatchesTheDenseProduct) {
  std::mt19937 g(3);
  skyhmatrix a(random_sym_profile(23, 8, g));
  fill_sym<C>(a, g);
  gvector<C> x = random_vector<C>(1, 23, g);
  gvector<C> y = a * x;
  for (int i = 1; i <= 23; ++i) {
    C d = 0;
    for (int j = 1; j <= 23; ++j) d += a(0, i, j) * x[j];
    EXPECT_LT(std::abs(y[i] - d), 1e-12);
  }
}

TEST(SkyHerm, RemainderOffTheRealAxisFailsCholeski) {
  skyhmatrix a(prof({0, 1, 2}));
  a(1, 1) = 4;
  a(2, 2) = C(4, 1e-3);
  EXPECT_EQ(a.choleski(), 2);
  EXPECT_EQ(a.state(), erreur);
  skyhmatrix b(prof({0, 1}));
  b(1, 1) = C(4, 2.220446049250313e-16);
  EXPECT_EQ(b.choleski(), 1);
  skyhmatrix c(prof({0, 1}));
  c(1, 1) = C(-1, 0);
  EXPECT_EQ(c.choleski(), 1);
  skyhmatrix d(prof({0, 1}));
  d(1, 1) = C(4, 1e-17);
  EXPECT_EQ(d.choleski(), 0);
  EXPECT_NEAR(d(1, 1).real(), 2, 1e-15);
}

TEST(SkyHerm, NormsWarnOnFactors) {
  skyhmatrix a(prof({0, 1, 3}));
  a(1, 1) = 2;
  a(2, 1) = C(3, 4);
  a(2, 2) = -1;
  EXPECT_EQ(norm_inf(a), 7.0);
  EXPECT_EQ(norm_1(a), 7.0);
  a.crout();
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(norm_inf(a), 0.0);
  EXPECT_EQ(norm_1(a), 0.0);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Attention norme de matrice non valable\n"), std::string::npos);
}

TYPED_TEST(SkyTest, CopiesAndAssignmentsAreNormal) {
  typedef TypeParam T;
  skygmatrix<T> a = general2<T>();
  a.gauss();
  skygmatrix<T> b(a);
  EXPECT_EQ(b.state(), normal);
  EXPECT_EQ(b.cond(), 0.0);
  skygmatrix<T> c;
  c = a;
  EXPECT_EQ(c.state(), normal);
  EXPECT_TRUE(c.values() == a.values());
  skysmatrix<T> s(prof({0, 1}));
  s(1, 1) = T(4);
  s.choleski();
  skysmatrix<T> t(s);
  EXPECT_EQ(t.state(), normal);
  gvector<T> x;
  EXPECT_FATAL(t.solve(vec<T>({1}), x), 1, "Tentative de resolution d'un systeme non factorize");
}

TYPED_TEST(SkyTest, RefillingAllowsANewFactorization) {
  typedef TypeParam T;
  skysmatrix<T> s(prof({0, 1}));
  s(1, 1) = T(9);
  EXPECT_EQ(s.choleski(), 0);
  s = T(4);
  EXPECT_EQ(s.state(), normal);
  EXPECT_EQ(s.crout(), 0);
  s.resize(prof({0, 1, 3}));
  EXPECT_EQ(s.state(), normal);
  EXPECT_EQ(s(2, 1), T(0));
  EXPECT_EQ(s.size(), 3);
}

// Regression: equal element vectors over different profiles must still copy.
TYPED_TEST(SkyTest, AssignmentCopiesAnotherProfileWithEqualValues) {
  typedef TypeParam T;
  skysmatrix<T> a(prof({0, 1, 3, 4}));
  skysmatrix<T> b(prof({0, 1, 2, 4}));
  a = T(1);
  b = T(1);
  ASSERT_TRUE(a.values() == b.values());
  b = a;
  EXPECT_TRUE(b.profile() == a.profile());
  EXPECT_EQ(b(2, 1), T(1));
  EXPECT_EQ(b(0, 3, 2), T(0));
}

TEST(SkyGeneral, EmptyMatrix) {
  skygmatrix<double> a;
  EXPECT_TRUE(a.empty());
  EXPECT_EQ(a.imin(), 1);
  EXPECT_EQ(a.imax(), 0);
  EXPECT_EQ(a.size(), 0);
  EXPECT_EQ(a.gauss(), 0);
  gvector<double> x;
  a.solve(gvector<double>(1, 0), x);
  EXPECT_EQ(x.imax(), 0);
  skygmatrix<double> b(prof({0, 1}));
  EXPECT_FALSE(b.empty());
}

TEST(SkyGeneral, OutsideTheProfileReadsZero) {
  skygmatrix<double> a(prof({0, 1, 2, 5}));
  a = 3.0;
  EXPECT_EQ(a(0, 3, 1), 0);
  EXPECT_EQ(a(0, 1, 3), 0);
  EXPECT_EQ(a(0, 3, 2), 3);
  EXPECT_EQ(a(0, 2, 3), 3);
}

TEST(SkyGeneral, OutputVectorKeptWhenItFits) {
  skygmatrix<double> a = general2<double>();
  a.gauss();
  gvector<double> x(1, 2);
  double* storage = x.debut();
  a.solve(vec<double>({3, 7}), x);
  EXPECT_EQ(x.debut(), storage);
  gvector<double> z(0, 5);
  a.solve(vec<double>({3, 7}), z);
  EXPECT_EQ(z.imin(), 1);
  EXPECT_EQ(z.imax(), 2);
}

TEST(SkyGeneral, DiagonalSymmetricMatrixTakesGauss) {
  skysmatrix<double> a(prof({0, 1, 2}));
  a(1, 1) = 2;
  a(2, 2) = 4;
  EXPECT_EQ(a.gauss(), 0);
  EXPECT_EQ(a.state(), factors_gauss);
  EXPECT_EQ(a.cond(), 2.0);
  gvector<double> x;
  a.solve_gauss(vec<double>({2, 4}), x);
  EXPECT_TRUE(x == vec<double>({1, 1}));
}

// ---- dense references on random profiles

// Dense Doolittle, Cholesky and Crout on the full values.
template <class T>
std::vector<T> dense(skygmatrix<T> const& a) {
  int const n = a.imax();
  std::vector<T> d(static_cast<std::size_t>(n) * n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) d[(i - 1) * n + (j - 1)] = a(0, i, j);
  return d;
}

template <class T, class Cj>
void dense_ldl(std::vector<T>& a, int n, bool sqrt_form, Cj cj) {
  for (int j = 0; j < n; ++j) {
    for (int i = j; i < n; ++i) {
      T s = a[i * n + j];
      for (int k = 0; k < j; ++k)
        s -= a[i * n + k] * (sqrt_form ? T(1) : a[k * n + k]) * cj(a[j * n + k]);
      if (i == j)
        a[j * n + j] = sqrt_form ? T(std::sqrt(s)) : s;
      else
        a[i * n + j] = s / a[j * n + j];
    }
  }
}

struct no_conj {
  template <class T>
  T operator()(T x) const {
    return x;
  }
};
struct with_conj {
  C operator()(C x) const { return std::conj(x); }
};

template <class T, class M>
void expect_lower_matches(M const& a, std::vector<T> const& d, int n, double tolerance) {
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= i; ++j) {
      T const ref = d[(i - 1) * n + (j - 1)];
      T const got = a(0, i, j);
      ASSERT_LE(absval(got - ref), tolerance * (1 + absval(ref)))
          << "n=" << n << " i=" << i << " j=" << j;
    }
}

int const sizes[] = {1, 2, 3, 7, 30, 64, 121, 200};

TYPED_TEST(SkyFloatTest, GaussAgreesWithDenseAndSolves) {
  typedef TypeParam T;
  double const eps = tol<T>() * 100;
  std::mt19937 g(11);
  for (int n : sizes) {
    skygmatrix<T> a(random_general_profile(n, n / 3 + 1, g));
    fill_general(a, g);
    gmatrix<T> d(1, n, 1, n);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) d(i, j) = a(0, i, j);
    gvector<T> x = random_vector<T>(1, n, g);
    gvector<T> b = a * x;
    ASSERT_EQ(a.gauss(), 0);
    ASSERT_EQ(d.gauss(), 0);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j)
        ASSERT_LE(absval(a(0, i, j) - d(i, j)), eps * (1 + absval(d(i, j))))
            << n << " " << i << " " << j;
    gvector<T> y;
    a.solve(b, y);
    EXPECT_LE(rel_diff(y, x), eps) << n;
  }
}

TYPED_TEST(SkyFloatTest, CholeskiAndCroutAgreeWithDenseAndSolve) {
  typedef TypeParam T;
  double const eps = tol<T>() * 100;
  std::mt19937 g(12);
  for (int n : sizes) {
    skysmatrix<T> c(random_sym_profile(n, n / 3 + 1, g));
    fill_sym<T>(c, g);
    skysmatrix<T> a(random_sym_profile(n, n / 3 + 1, g));
    fill_sym<T>(a, g, true);
    std::vector<T> dl = dense(a), dc = dense(c);
    dense_ldl(dl, n, true, no_conj());
    dense_ldl(dc, n, false, no_conj());
    gvector<T> x = random_vector<T>(1, n, g);
    gvector<T> b = a * x, bc = c * x;
    ASSERT_EQ(a.choleski(), 0);
    ASSERT_EQ(c.crout(), 0);
    expect_lower_matches(a, dl, n, eps);
    expect_lower_matches(c, dc, n, eps);
    gvector<T> y;
    a.solve(b, y);
    EXPECT_LE(rel_diff(y, x), eps) << n;
    c.solve(bc, y);
    EXPECT_LE(rel_diff(y, x), eps) << n;
  }
}

TEST(SkyHerm, FactorsAgreeWithDenseAndSolve) {
  std::mt19937 g(13);
  for (int n : sizes) {
    skyhmatrix a(random_sym_profile(n, n / 3 + 1, g));
    fill_sym<C>(a, g);
    skyhmatrix c(a);
    skygmatrix<C> const& base = a;
    std::vector<C> dl = dense(base), dc = dl;
    dense_ldl(dl, n, true, with_conj());
    dense_ldl(dc, n, false, with_conj());
    gvector<C> x = random_vector<C>(1, n, g);
    gvector<C> b = a * x;
    ASSERT_EQ(a.choleski(), 0);
    ASSERT_EQ(c.crout(), 0);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= i; ++j) {
        ASSERT_LE(std::abs(a(0, i, j) - dl[(i - 1) * n + j - 1]), 1e-10) << n;
        ASSERT_LE(std::abs(c(0, i, j) - dc[(i - 1) * n + j - 1]), 1e-10) << n;
      }
    gvector<C> y;
    a.solve(b, y);
    EXPECT_LE(rel_diff(y, x), 1e-10) << n;
    c.solve(b, y);
    EXPECT_LE(rel_diff(y, x), 1e-10) << n;
  }
}

// ---- fatal paths

template <class T>
class SkyDeathTest : public ::testing::Test {};
TYPED_TEST_SUITE(SkyDeathTest, AllScalars);

TYPED_TEST(SkyDeathTest, FactorizingTwiceStops) {
  typedef TypeParam T;
  skygmatrix<T> a = general2<T>();
  a.gauss();
  EXPECT_FATAL(a.gauss(), 1, "Impossible de factorizer une matrice\n");
  skysmatrix<T> s(prof({0, 1}));
  s(1, 1) = T(4);
  s.choleski();
  EXPECT_FATAL(s.choleski(), 1, "Impossible de factorizer une matrice\n");
  EXPECT_FATAL(s.crout(), 1, "Impossible de factorizer une matrice\n");
  skysmatrix<T> f = indefinite<T>();
  EXPECT_EQ(f.choleski(), 2);
  EXPECT_FATAL(f.crout(), 1, "Impossible de factorizer une matrice\n");
}

TYPED_TEST(SkyDeathTest, SolvesRefuseAnUnfactoredMatrix) {
  typedef TypeParam T;
  skygmatrix<T> a = general2<T>();
  gvector<T> b = vec<T>({1, 1}), x;
  gmatrix<T> B(1, 1, 1, 2), X;
  skyhrectmatrix<T> H(prof({0, 2}), 2), HX;
  skyvrectmatrix<T> V(prof({0, 2}), 2), VX;
  char const* msg = "Tentative de resolution d'un systeme non factorize";
  EXPECT_FATAL(a.solve(b, x), 1, msg);
  EXPECT_FATAL(a.solveUxb(b, x), 1, msg);
  EXPECT_FATAL(a.solvexUb(b, x), 1, msg);
  EXPECT_FATAL(a.solveLxb(b, x), 1, msg);
  EXPECT_FATAL(a.solveXUC(B, X), 1, msg);
  EXPECT_FATAL(a.solveLXC(B, X), 1, msg);
  EXPECT_FATAL(a.solveXUC(H, HX), 1, msg);
  EXPECT_FATAL(a.solveLXC(V, VX), 1, msg);
  skysmatrix<T> s(prof({0, 1}));
  s(1, 1) = T(4);
  EXPECT_FATAL(s.solve(vec<T>({1}), x), 1, msg);
  s.gauss();  // diagonal: allowed, but not a Cholesky or Crout state
  EXPECT_FATAL(s.solve(vec<T>({1}), x), 1, msg);
}

TEST(SkyHermDeathTest, SolveRefusesAnUnfactoredMatrix) {
  skyhmatrix a(prof({0, 1}));
  a(1, 1) = 4;
  gvector<C> x;
  EXPECT_FATAL(a.solve(vec<C>({1}), x), 1, "Tentative de resolution d'un systeme non factorize");
  a.choleski();
  EXPECT_FATAL(a.crout(), 1, "Impossible de factorizer une matrice\n");
}

TYPED_TEST(SkyDeathTest, AddressingMessages) {
  typedef TypeParam T;
  skygmatrix<T> a(prof({0, 1, 2, 5}));
  EXPECT_FATAL(a(3, 4), 1, "Erreur d'adressage d'une matrice profil 3x3\nAces a 3,4");
  EXPECT_FATAL(a(0, 0, 1), 1, "Erreur d'adressage d'une matrice profil 3x3\nAces a 0,1");
  EXPECT_FATAL(a(3, 1), 1, "Tentative d'adressage d'un element hors profil i=3 j=1");
  EXPECT_FATAL(a(1, 3), 1, "Tentative d'adressage d'un element hors profil i=1 j=3");
  skysmatrix<T> s(prof({0, 1, 3, 4}));
  EXPECT_FATAL(s(4, 1), 1, "Erreur d'adressage d'une matrice profil symetrique 3x3\nAces a 4,1");
  EXPECT_FATAL(s(3, 1), 1, "Tentative d'adressage d'un element hors profil symetrique i=3 j=1");
  EXPECT_FATAL(
      s(1, 2), 1,
      "On ne peut aceder que le triangle inferieur d'une matrice symetrique\nAcces a i=1 j=2");
  EXPECT_FATAL(s(0, 1, 5), 1, "Erreur d'adressage d'une matrice profil symetrique 3x3\nAces a 1,5");
}

TEST(SkyHermDeathTest, OnlyTheLowerTriangleIsAddressed) {
  skyhmatrix a(prof({0, 1, 3}));
  EXPECT_FATAL(
      a(1, 2), 1,
      "On ne peut aceder que le triangle inferieur d'une matrice symetrique\nAcces a i=1 j=2");
  EXPECT_FATAL(a(0, 3, 1), 1, "Erreur d'adressage d'une matrice profil symetrique 2x2\nAces a 3,1");
}

TYPED_TEST(SkyDeathTest, InheritedGaussStopsAtTheUpperTriangle) {
  typedef TypeParam T;
  skysmatrix<T> s(prof({0, 1, 2, 4}));
  s = T(1);
  EXPECT_FATAL(
      s.gauss(), 1,
      "On ne peut aceder que le triangle inferieur d'une matrice symetrique\nAcces a i=2 j=3");
  gvector<T> x;
  EXPECT_FATAL(
      s.solve_gauss(vec<T>({1, 1, 1}), x), 1,
      "On ne peut aceder que le triangle inferieur d'une matrice symetrique\nAcces a i=2 j=3");
}

TYPED_TEST(SkyDeathTest, ProductSizeMessages) {
  typedef TypeParam T;
  skygmatrix<T> a(prof({0, 1, 2}));
  EXPECT_FATAL(
      a * gvector<T>(1, 3), 1,
      "Multiplation matice profil, vecteur.\nDimensions incorrectes:\n Matrice 1x2\nVecteur 1x3");
  skysmatrix<T> s(prof({0, 1, 2}));
  EXPECT_FATAL(s * gvector<T>(0, 1), 1,
               "Multiplication matrice profil symetrique, vecteur.\nDimensions incorrectes:\n "
               "Matrice 1x2\nVecteur 0x1");
}

TEST(SkyHermDeathTest, ProductSizeMessage) {
  skyhmatrix s(prof({0, 1, 2}));
  EXPECT_FATAL(s * gvector<C>(1, 1), 1,
               "Multiplication matrice profil symetrique, vecteur.\nDimensions incorrectes:\n "
               "Matrice 1x2\nVecteur 1x1");
}

TYPED_TEST(SkyDeathTest, SolveSizeMessages) {
  typedef TypeParam T;
  skygmatrix<T> a = general2<T>();
  a.gauss();
  gvector<T> b(0, 1), x;
  EXPECT_FATAL(
      a.solve(b, x), 1,
      "Tailles incompatibles dans la descente/remonte gauss:\nMatrice [1,2]^2\nVecteur [0,1]\n");
  EXPECT_FATAL(a.solveUxb(b, x), 1,
               "Tailles incompatibles dans la U x = b, gauss:\nMatrice [1,2]^2\nVecteur [0,1]\n");
  EXPECT_FATAL(a.solvexUb(b, x), 1,
               "Tailles incompatibles dans la x U = b, gauss:\nMatrice [1,2]^2\nVecteur [0,1]\n");
  EXPECT_FATAL(a.solveLxb(b, x), 1,
               "Tailles incompatibles dans la L x = b, gauss:\nMatrice [1,2]^2\nVecteur [0,1]\n");
  gmatrix<T> B(1, 3, 1, 3), X;
  EXPECT_FATAL(a.solveXUC(B, X), 1,
               "Tailles incompatibles dans la X U = B, gauss:\nX [1,2]^2\nB [1,3]x[1,3]\n");
  EXPECT_FATAL(a.solveLXC(B, X), 1,
               "Tailles incompatibles dans la L X = B, gauss:\nL [1,2]^2\nB [1,3]x[1,3]\n");
  skyhrectmatrix<T> H(prof({0, 1}), 3), HX;
  EXPECT_FATAL(a.solveXUC(H, HX), 1,
               "Tailles incompatibles dans la X U = B, gauss:\nX [1,2]^2\nB [1,1]x[1,3]\n");
  skyvrectmatrix<T> V(prof({0, 1}), 3), VX;
  EXPECT_FATAL(a.solveLXC(V, VX), 1,
               "Tailles incompatibles dans la L X = B, gauss:\nL [1,2]^2\nB [1,3]x[1,1]\n");
  skysmatrix<T> s(prof({0, 1}));
  s(1, 1) = T(4);
  skysmatrix<T> c(s);
  s.choleski();
  c.crout();
  EXPECT_FATAL(
      s.solve(b, x), 1,
      "Tailles incompatibles dans la descente/remonte choleski:\nMatrice [1,1]^2\nVecteur [0,1]\n");
  EXPECT_FATAL(
      c.solve(b, x), 1,
      "Tailles incompatibles dans la descente/remonte crout:\nMatrice [1,1]^2\nVecteur [0,1]\n");
}

TEST(SkyHermDeathTest, SolveSizeMessages) {
  skyhmatrix s(prof({0, 1}));
  s(1, 1) = 4;
  skyhmatrix c(s);
  s.choleski();
  c.crout();
  gvector<C> b(1, 2), x;
  EXPECT_FATAL(
      s.solve(b, x), 1,
      "Tailles incompatibles dans la descente/remonte choleski:\nMatrice [1,1]^2\nVecteur [1,2]\n");
  EXPECT_FATAL(
      c.solve(b, x), 1,
      "Tailles incompatibles dans la descente/remonte crout:\nMatrice [1,1]^2\nVecteur [1,2]\n");
}

// ---- malformed profiles are refused before any storage is touched

TEST(SkyProfileDeathTest, MalformedGeneralProfiles) {
  EXPECT_FATAL(skygmatrix<double>(prof({0, 1, 3})), 1,
               "Profil de matrice profil incorrect: longueur de ligne paire en 2\n");
  EXPECT_FATAL(skygmatrix<double>(prof({1, 2})), 1,
               "Profil de matrice profil incorrect: profil[0]=1 au lieu de 0\n");
  EXPECT_FATAL(skygmatrix<double>(prof({0, 1, 0})), 1,
               "Profil de matrice profil incorrect: profil decroissant en 2\n");
  EXPECT_FATAL(skygmatrix<double>(prof({0, 3})), 1,
               "Profil de matrice profil incorrect: premiere colonne avant 1 en 1\n");
  EXPECT_FATAL(skygmatrix<double>(prof({0, 1, 2, 9})), 1,
               "Profil de matrice profil incorrect: premiere colonne avant 1 en 3\n");
  gvector<int> shifted(1, 2);
  shifted = 0;
  EXPECT_FATAL(skygmatrix<double>{shifted}, 1,
               "Profil de matrice profil incorrect: indices [1,2] au lieu de [0,n]\n");
  EXPECT_FATAL(skygmatrix<double>(gvector<int>()), 1,
               "Profil de matrice profil incorrect: indices [0,-1] au lieu de [0,n]\n");
  EXPECT_FATAL(skygmatrix<double>(prof({0, 1, INT_MIN})), 1,
               "Profil de matrice profil incorrect: profil decroissant en 2\n");
  skygmatrix<double> a(prof({0, 1}));
  EXPECT_FATAL(a.resize(prof({0, 2})), 1,
               "Profil de matrice profil incorrect: longueur de ligne paire en 1\n");
}

TEST(SkyProfileDeathTest, MalformedSymmetricProfiles) {
  EXPECT_FATAL(skysmatrix<double>(prof({0, 2})), 1,
               "Profil de matrice profil incorrect: premiere colonne avant 1 en 1\n");
  EXPECT_FATAL(skysmatrix<double>(prof({0, 1, 1})), 1,
               "Profil de matrice profil incorrect: ligne sans diagonale en 2\n");
  EXPECT_FATAL(skyhmatrix(prof({0, 1, 4})), 1,
               "Profil de matrice profil incorrect: premiere colonne avant 1 en 2\n");
  skysmatrix<double> s(prof({0, 1}));
  EXPECT_FATAL(s.resize(prof({0, 1, 0})), 1,
               "Profil de matrice profil incorrect: profil decroissant en 2\n");
}

// A symmetric profile assigned into a general matrix is checked for the
// general layout, and the reverse.
TEST(SkyProfileDeathTest, AssignmentAcrossLayoutsChecksTheProfile) {
  skysmatrix<double> s(prof({0, 1, 3}));
  s = 1.0;
  skygmatrix<double> g;
  EXPECT_FATAL(g = s, 1, "Profil de matrice profil incorrect: longueur de ligne paire en 2\n");
  EXPECT_FATAL(skygmatrix<double>{static_cast<skygmatrix<double> const&>(s)}, 1,
               "Profil de matrice profil incorrect: longueur de ligne paire en 2\n");
  skygmatrix<double> wide(prof({0, 1, 4}));
  skysmatrix<double> t;
  skygmatrix<double>& tb = t;
  EXPECT_FATAL(tb = wide, 1, "Profil de matrice profil incorrect: premiere colonne avant 1 en 2\n");
}

}  // namespace
