// Rectangular profile matrices, and the block solves that take them.
#include "profil.h"

#include <climits>

#include "profil_helpers.h"
#include "test_util.h"

using namespace ph;

namespace {

template <class T>
class RectTest : public ::testing::Test {};
TYPED_TEST_SUITE(RectTest, AllScalars);

template <class T>
class RectFloatTest : public ::testing::Test {};
TYPED_TEST_SUITE(RectFloatTest, FloatScalars);

template <class T>
void fill(skyrectmatrix<T>& a, std::mt19937& g) {
  for (int k = 0; k < a.size(); ++k) a.values().debut()[k] = rnd<T>(g);
}

template <class T>
gmatrix<T> dense(skyrectmatrix<T> const& a) {
  gmatrix<T> d(a.imin(), a.imax(), a.jmin(), a.jmax());
  for (int i = a.imin(); i <= a.imax(); ++i)
    for (int j = a.jmin(); j <= a.jmax(); ++j) d(i, j) = a(0, i, j);
  return d;
}

template <class T>
double max_diff(gmatrix<T> const& a, gmatrix<T> const& b) {
  double d = 0;
  for (int i = a.imin(); i <= a.imax(); ++i)
    for (int j = a.jmin(); j <= a.jmax(); ++j) d = std::max(d, absval(a(i, j) - b(i, j)));
  return d;
}

TYPED_TEST(RectTest, RowProfileOfTheExample) {
  typedef TypeParam T;
  skyhrectmatrix<T> a(prof({0, 1, 3}), 3);
  a = T(5);
  EXPECT_EQ(a.imin(), 1);
  EXPECT_EQ(a.imax(), 2);
  EXPECT_EQ(a.jmin(), 1);
  EXPECT_EQ(a.jmax(), 3);
  EXPECT_EQ(a.pcnn(1), 3);
  EXPECT_EQ(a.pcnn(2), 2);
  EXPECT_EQ(a(0, 1, 1), T(0));
  EXPECT_EQ(a(0, 1, 3), T(5));
  EXPECT_FALSE(a.dans_profil(1, 2));
  EXPECT_TRUE(a.dans_profil(2, 2));
  a(2, 2) = T(7);
  gvector<T> l = a.ligne(2);
  EXPECT_EQ(l.imin(), 2);
  EXPECT_EQ(l.imax(), 3);
  EXPECT_EQ(l[2], T(7));
  EXPECT_EQ(l[3], T(5));
  skyvrectmatrix<T> v(prof({0, 2, 2, 5}), 4);
  EXPECT_EQ(v.imax(), 4);
  EXPECT_EQ(v.jmax(), 3);
  EXPECT_EQ(v.plnn(1), 3);
  EXPECT_EQ(v.plnn(2), 5);
  EXPECT_EQ(v.plnn(3), 2);
  v = T(1);
  EXPECT_EQ(v(0, 2, 1), T(0));
  EXPECT_EQ(v(0, 3, 1), T(1));
}

TYPED_TEST(RectTest, ProductsEqualTheDenseProducts) {
  typedef TypeParam T;
  std::mt19937 g(31);
  for (int n : {0, 1, 4, 13}) {
    skyhrectmatrix<T> A(random_rect_profile(6, n, g), n);
    skyvrectmatrix<T> B(random_rect_profile(5, n, g), n);
    fill(A, g);
    fill(B, g);
    gmatrix<T> P = A * B;
    gmatrix<T> D = dense(A) * dense(B);
    EXPECT_LE(max_diff(P, D), 1e-5);
    gvector<T> x = random_vector<T>(1, n, g);
    gvector<T> y = A * x, z = dense(A) * x;
    for (int i = 1; i <= 6; ++i) EXPECT_LE(absval(y[i] - z[i]), 1e-5);
    gvector<T> u = random_vector<T>(1, 5, g);
    gvector<T> w = B * u, r = dense(B) * u;
    for (int i = 1; i <= n; ++i) EXPECT_LE(absval(w[i] - r[i]), 1e-5);
  }
}

TYPED_TEST(RectTest, SumTakesTheLongerRun) {
  typedef TypeParam T;
  skyhrectmatrix<T> a(prof({0, 1, 3}), 3), b(prof({0, 2, 2}), 3);
  a = T(1);
  b = T(2);
  skyhrectmatrix<T> c = a + b;
  EXPECT_TRUE(c.profile() == prof({0, 2, 4}));
  EXPECT_EQ(c(1, 2), T(2));
  EXPECT_EQ(c(1, 3), T(3));
  EXPECT_EQ(c(2, 2), T(1));
  EXPECT_EQ(c(2, 3), T(1));
  skyvrectmatrix<T> v(prof({0, 0, 2}), 2), w(prof({0, 1, 2}), 2);
  v = T(1);
  w = T(4);
  skyvrectmatrix<T> s = v + w;
  EXPECT_TRUE(s.profile() == prof({0, 1, 3}));
  EXPECT_EQ(s(2, 1), T(4));
  EXPECT_EQ(s(1, 2), T(1));
  EXPECT_EQ(s(2, 2), T(5));
}

TYPED_TEST(RectTest, ScalarProductKeepsTheProfile) {
  typedef TypeParam T;
  skyhrectmatrix<T> a(prof({0, 1, 3}), 3);
  a = T(3);
  skyhrectmatrix<T> b = a * T(2);
  EXPECT_TRUE(b.profile() == a.profile());
  EXPECT_EQ(b(2, 2), T(6));
  skyvrectmatrix<T> v(prof({0, 1}), 2);
  v = T(3);
  EXPECT_EQ((v * T(-1))(2, 1), T(-3));
}

// Regression: element vectors that compare equal over other profiles or
// another N must still be copied.
TYPED_TEST(RectTest, AssignmentCopiesAnotherProfileWithEqualValues) {
  typedef TypeParam T;
  skyhrectmatrix<T> a(prof({0, 1, 3}), 3), b(prof({0, 2, 3}), 3);
  a = T(1);
  b = T(1);
  ASSERT_TRUE(a.values() == b.values());
  b = a;
  EXPECT_TRUE(b.profile() == a.profile());
  EXPECT_EQ(b(0, 1, 2), T(0));
  skyvrectmatrix<T> v(prof({0, 1}), 1), w(prof({0, 1}), 4);
  v = T(2);
  w = T(2);
  w = v;
  EXPECT_EQ(w.imax(), 1);
  EXPECT_EQ(w(1, 1), T(2));
}

TYPED_TEST(RectTest, ResizeZeroesAndEmptiness) {
  typedef TypeParam T;
  skyhrectmatrix<T> a;
  EXPECT_TRUE(a.empty());
  a.resize(prof({0, 2, 3}), 2);
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a.size(), 3);
  EXPECT_EQ(a(1, 1), T(0));
  EXPECT_EQ(a(2, 2), T(0));
}

// ---- block solves with profile factors and dense factors

template <class T>
gmatrix<T> unit_lower(gmatrix<T> const& f) {
  gmatrix<T> l(f);
  for (int i = f.imin(); i <= f.imax(); ++i)
    for (int j = f.jmin(); j <= f.jmax(); ++j) l(i, j) = i == j ? T(1) : (i > j ? f(i, j) : T(0));
  return l;
}

template <class T>
gmatrix<T> upper(gmatrix<T> const& f) {
  gmatrix<T> u(f);
  for (int i = f.imin(); i <= f.imax(); ++i)
    for (int j = f.jmin(); j <= f.jmax(); ++j)
      if (i > j) u(i, j) = T(0);
  return u;
}

TYPED_TEST(RectFloatTest, BlockSolvesKeepTheProfileAndSolve) {
  typedef TypeParam T;
  double const eps = tol<T>() * 100;
  std::mt19937 g(32);
  for (int n : {1, 2, 9, 40}) {
    skygmatrix<T> a(random_general_profile(n, n, g));
    fill_general(a, g);
    gmatrix<T> d(1, n, 1, n);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) d(i, j) = a(0, i, j);
    ASSERT_EQ(a.gauss(), 0);
    ASSERT_EQ(d.gauss(), 0);
    gmatrix<T> af(1, n, 1, n);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) af(i, j) = a(0, i, j);

    skyhrectmatrix<T> H(random_rect_profile(5, n, g), n), X, Y;
    fill(H, g);
    a.solveXUC(H, X);
    d.solveXUC(H, Y);
    EXPECT_TRUE(X.profile() == H.profile());
    EXPECT_LE(max_diff(dense(X) * upper(af), dense(H)), eps) << n;
    EXPECT_LE(max_diff(dense(Y) * upper(d), dense(H)), eps) << n;

    skyvrectmatrix<T> V(random_rect_profile(5, n, g), n), W, Z;
    fill(V, g);
    a.solveLXC(V, W);
    d.solveLXC(V, Z);
    EXPECT_TRUE(W.profile() == V.profile());
    EXPECT_TRUE(Z.profile() == V.profile());
    EXPECT_LE(max_diff(unit_lower(af) * dense(W), dense(V)), eps) << n;
    EXPECT_LE(max_diff(unit_lower(d) * dense(Z), dense(V)), eps) << n;

    // In place: the output may be the input.
    skyhrectmatrix<T> H2(H);
    a.solveXUC(H2, H2);
    EXPECT_TRUE(H2.values() == X.values());
    skyvrectmatrix<T> V2(V);
    d.solveLXC(V2, V2);
    EXPECT_TRUE(V2.values() == Z.values());
  }
}

// Regression: an output with B's bounds but another profile takes B's
// profile instead of keeping stale entries.
TEST(RectBlock, DenseLXCReplacesAnOutputProfile) {
  gmatrix<double> d(1, 2, 1, 2);
  d = 1.0;
  d(2, 2) = 3;
  ASSERT_EQ(d.gauss(), 0);
  skyvrectmatrix<double> B(prof({0, 1}), 2), X(prof({0, 2}), 2);
  B = 4.0;
  X = 9.0;
  d.solveLXC(B, X);
  EXPECT_TRUE(X.profile() == B.profile());
  EXPECT_EQ(X(0, 1, 1), 0.0);
  EXPECT_EQ(X(2, 1), 4.0);
}

TEST(RectBlock, DenseFactorsOfTwoByTwo) {
  gmatrix<double> d(1, 2, 1, 2);
  d(1, 1) = 2;
  d(1, 2) = 1;
  d(2, 1) = 4;
  d(2, 2) = 3;
  ASSERT_EQ(d.gauss(), 0);
  skyhrectmatrix<double> B(prof({0, 2, 3}), 2), X;
  B(1, 1) = 2;
  B(1, 2) = 3;  // x U = (2, 3) gives (1, 2)
  B(2, 2) = 5;
  d.solveXUC(B, X);
  EXPECT_EQ(X(1, 1), 1);
  EXPECT_EQ(X(1, 2), 2);
  EXPECT_EQ(X(2, 2), 5);
  skyvrectmatrix<double> C(prof({0, 2}), 2), Y;
  C(1, 1) = 3;
  C(2, 1) = 7;  // L y = (3, 7) gives (3, 1)
  d.solveLXC(C, Y);
  EXPECT_EQ(Y(1, 1), 3);
  EXPECT_EQ(Y(2, 1), 1);
}

// ---- fatal paths

template <class T>
class RectDeathTest : public ::testing::Test {};
TYPED_TEST_SUITE(RectDeathTest, AllScalars);

TYPED_TEST(RectDeathTest, AddressingMessages) {
  typedef TypeParam T;
  skyhrectmatrix<T> a(prof({0, 1, 3}), 3);
  EXPECT_FATAL(a(1, 1), 1, "Tentative d'adressage d'un element hors profil i=1 j=1\n");
  EXPECT_FATAL(a(3, 1), 1, "Erreur d'adressage d'une matrice profil rh 2x3\nAces a 3,1");
  EXPECT_FATAL(a(0, 1, 4), 1, "Erreur d'adressage d'une matrice profil rh 2x3\nAces a 1,4");
  EXPECT_FATAL(a.ligne(0), 1, "Erreur d'adressage d'une matrice profil rh 2x3\nAces a 0,3");
  skyvrectmatrix<T> v(prof({0, 1, 3}), 3);
  EXPECT_FATAL(v(1, 1), 1, "Tentative d'adressage d'un element hors profil i=1 j=1\n");
  EXPECT_FATAL(v(1, 3), 1, "Erreur d'adressage d'une matrice profil rv 3x2\nAces a 1,3");
  EXPECT_FATAL(v(0, 0, 1), 1, "Erreur d'adressage d'une matrice profil rv 3x2\nAces a 0,1");
}

TYPED_TEST(RectDeathTest, SizeMessages) {
  typedef TypeParam T;
  skyhrectmatrix<T> a(prof({0, 1, 3}), 3), b(prof({0, 1, 3}), 4);
  EXPECT_FATAL(a * gvector<T>(1, 2), 1,
               "Incompatibilite de tailles dans produit matrice vecteur:\nMatrice [1,2]x[1,3], "
               "vecteur [1,2]\n");
  EXPECT_FATAL(
      a + b, 1,
      "Incompatibilite de tailles dans somme de matrices profil-h:\n [1,2]x[1,3] +  [1,2]x[1,4]\n");
  skyvrectmatrix<T> v(prof({0, 1}), 4), w(prof({0, 1, 2}), 4);
  EXPECT_FATAL(v * gvector<T>(0, 0), 1,
               "Incompatibilite de tailles dans produit matrice vecteur:\nMatrice [1,4]x[1,1], "
               "vecteur [0,0]\n");
  EXPECT_FATAL(
      v + w, 1,
      "Incompatibilite de tailles dans somme de matrices profil-h:\n [1,4]x[1,1] +  [1,4]x[1,2]\n");
  EXPECT_FATAL(
      a * v, 1,
      "Incompatibilite de tailles dans produit de matrices profil:\n [1,2]x[1,3] +  [1,4]x[1,1]\n");
}

TYPED_TEST(RectDeathTest, DenseBlockSolvesRefuse) {
  typedef TypeParam T;
  gmatrix<T> d(1, 2, 1, 2);
  d = T(1);
  d(2, 2) = T(3);
  skyhrectmatrix<T> H(prof({0, 2}), 2), HX;
  skyvrectmatrix<T> V(prof({0, 2}), 2), VX;
  EXPECT_FATAL(d.solveXUC(H, HX), 1, "Tentative de resolution d'un systeme non factorize");
  EXPECT_FATAL(d.solveLXC(V, VX), 1, "Tentative de resolution d'un systeme non factorize");
  d.gauss();
  skyhrectmatrix<T> H3(prof({0, 2}), 3);
  skyvrectmatrix<T> V3(prof({0, 2}), 3);
  EXPECT_FATAL(d.solveXUC(H3, HX), 1,
               "Tailles incompatibles dans la X U = B, gauss:\nU [1,2]^2\nB [1,1]x[1,3]\n");
  EXPECT_FATAL(d.solveLXC(V3, VX), 1,
               "Tailles incompatibles dans la L X = B, gauss:\nL [1,2]^2\nB [1,3]x[1,1]\n");
}

TEST(RectProfileDeathTest, MalformedProfilesAndSizes) {
  EXPECT_FATAL(skyhrectmatrix<double>(prof({0, 4}), 3), 1,
               "Profil de matrice profil incorrect: premier indice avant 1 en 1\n");
  EXPECT_FATAL(skyvrectmatrix<double>(prof({0, 2, 1}), 3), 1,
               "Profil de matrice profil incorrect: profil decroissant en 2\n");
  EXPECT_FATAL(skyhrectmatrix<double>(prof({0, 1}), -1), 1,
               "Profil de matrice profil incorrect: dimension -1\n");
  EXPECT_FATAL(skyhrectmatrix<double>(prof({0, 0}), INT_MAX), 1,
               "Profil de matrice profil incorrect: dimension 2147483647\n");
  EXPECT_FATAL(skyvrectmatrix<double>(prof({3}), 3), 1,
               "Profil de matrice profil incorrect: profil[0]=3 au lieu de 0\n");
  skyhrectmatrix<double> a;
  EXPECT_FATAL(a.resize(prof({0, 1, INT_MIN}), 5), 1,
               "Profil de matrice profil incorrect: profil decroissant en 2\n");
}

}  // namespace
