#include "matrices.h"

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "test_util.h"

namespace {

template <class T>
gmatrix<T> mat(int rows, int cols, std::initializer_list<int> values, int ri = 1, int ci = 1) {
  gmatrix<T> m(ri, ri + rows - 1, ci, ci + cols - 1);
  auto it = values.begin();
  for (int i = ri; i < ri + rows; ++i)
    for (int j = ci; j < ci + cols; ++j) m(i, j) = static_cast<T>(*it++);
  return m;
}

template <class T>
T random_value(std::mt19937& g) {
  std::uniform_real_distribution<double> u(-1, 1);
  if constexpr (std::is_same<T, std::complex<double>>::value)
    return T(u(g), u(g));
  else
    return static_cast<T>(u(g));
}

// The factorization exactly as written, through the checked accessor.
template <class T>
int reference_gauss(gmatrix<T>& a) {
  for (int i = a.imin(); i <= a.imax(); ++i) {
    for (int j = a.imin(); j < i; ++j) {
      T s = T();
      for (int k = a.imin(); k < j; ++k) s = a(i, k) * a(k, j) + s;
      a(i, j) = (a(i, j) - s) / a(j, j);
    }
    T s = T();
    for (int k = a.imin(); k < i; ++k) s = a(i, k) * a(k, i) + s;
    a(i, i) = a(i, i) - s;
    if (iszero(a(i, i))) return i;
    for (int j = i + 1; j <= a.imax(); ++j) {
      T t = T();
      for (int k = a.imin(); k < i; ++k) t = a(i, k) * a(k, j) + t;
      a(i, j) = a(i, j) - t;
    }
  }
  return 0;
}

template <class T>
void reference_solve(const gmatrix<T>& a, const gvector<T>& b, gvector<T>& x) {
  gvector<T> y(b.imin(), b.imax());
  for (int i = a.imin(); i <= a.imax(); ++i) {
    T s = T();
    for (int k = a.imin(); k < i; ++k) s = a(i, k) * y[k] + s;
    y[i] = b[i] - s;
  }
  x.resize(a.imin(), a.imax());
  for (int i = a.imax(); i >= a.imin(); --i) {
    T s = T();
    for (int k = i + 1; k <= a.imax(); ++k) s = a(i, k) * x[k] + s;
    x[i] = (y[i] - s) / a(i, i);
  }
}

template <class T>
bool same_bits(const gvector<T>& a, const gvector<T>& b) {
  std::size_t const n = static_cast<std::size_t>(a.imax() - a.imin() + 1);
  return a.imin() == b.imin() && a.imax() == b.imax() &&
         (n == 0 || std::memcmp(a.debut(), b.debut(), sizeof(T) * n) == 0);
}

template <class T>
bool same_bits(const gmatrix<T>& a, const gmatrix<T>& b) {
  std::size_t const n =
      static_cast<std::size_t>(a.imax() - a.imin() + 1) * (a.jmax() - a.jmin() + 1);
  return a.imin() == b.imin() && a.imax() == b.imax() && a.jmin() == b.jmin() &&
         a.jmax() == b.jmax() && (n == 0 || std::memcmp(a.debut(), b.debut(), sizeof(T) * n) == 0);
}

}  // namespace

template <class T>
class MatrixTest : public ::testing::Test {};
TYPED_TEST_SUITE(MatrixTest, AllScalars);

TYPED_TEST(MatrixTest, EmptyShapes) {
  gmatrix<TypeParam> e;
  EXPECT_TRUE(e.empty());
  EXPECT_EQ(e.imin(), 0);
  EXPECT_EQ(e.imax(), -1);
  EXPECT_TRUE(gmatrix<TypeParam>(1, 3, 0, -1).empty());
  EXPECT_TRUE(gmatrix<TypeParam>(0, -1, 1, 3).empty());
  EXPECT_FALSE(gmatrix<TypeParam>(1, 1, 1, 1).empty());
}

TYPED_TEST(MatrixTest, StorageIsRowMajorWithoutGaps) {
  gmatrix<TypeParam> m = mat<TypeParam>(2, 3, {1, 2, 3, 4, 5, 6}, 0, 5);
  EXPECT_EQ(m.debut()[4], TypeParam(5));
  EXPECT_EQ(m.debut_ligne(1)[0], TypeParam(4));
  EXPECT_EQ(m(1, 7), TypeParam(6));
}

TYPED_TEST(MatrixTest, RowViewsAndCopies) {
  gmatrix<TypeParam> m = mat<TypeParam>(2, 2, {1, 2, 3, 4});
  std::unique_ptr<gvector<TypeParam>> view(&m.s_ligne(2));
  (*view)[1] = TypeParam(30);
  EXPECT_EQ(m(2, 1), TypeParam(30));
  view.reset();
  std::unique_ptr<gvector<TypeParam>> row(&m.ligne(1)), col(&m.colonne(2));
  EXPECT_EQ((*row)[2], TypeParam(2));
  EXPECT_EQ((*col)[2], TypeParam(4));
  (*row)[2] = TypeParam(0);
  EXPECT_EQ(m(1, 2), TypeParam(2));
}

TYPED_TEST(MatrixTest, GrowKeepsTheCommonRectangle) {
  gmatrix<TypeParam> m = mat<TypeParam>(2, 2, {1, 2, 3, 4});
  gmatrix<TypeParam> g(m);
  g.grow(1, 3, 1, 3);
  EXPECT_EQ(g(1, 1), TypeParam(1));
  EXPECT_EQ(g(1, 2), TypeParam(2));
  EXPECT_EQ(g(2, 1), TypeParam(3));
  EXPECT_EQ(g(2, 2), TypeParam(4));
  gmatrix<TypeParam> h(m);
  h.grow(1, 2, 5, 6);
  EXPECT_EQ(h.jmin(), 5);
  gmatrix<TypeParam> s(m);
  s.grow(2, 2, 2, 2);
  EXPECT_EQ(s(2, 2), TypeParam(4));
}

TYPED_TEST(MatrixTest, ArithmeticPairsByPosition) {
  gmatrix<TypeParam> a = mat<TypeParam>(2, 2, {1, 2, 3, 4});
  gmatrix<TypeParam> b = mat<TypeParam>(2, 2, {10, 20, 30, 40}, 0, 0);
  gmatrix<TypeParam> s = a + b;
  EXPECT_EQ(s.imin(), 1);
  EXPECT_EQ(s(2, 2), TypeParam(44));
  EXPECT_EQ((b - a)(0, 1), TypeParam(18));
  EXPECT_EQ((-a)(1, 1), TypeParam(-1));
  EXPECT_EQ((a * TypeParam(3))(2, 1), TypeParam(9));
  EXPECT_EQ((b / TypeParam(10))(1, 1), TypeParam(4));
  a *= b;
  EXPECT_EQ(a(2, 2), TypeParam(160));
  a /= b;
  EXPECT_EQ(a(2, 2), TypeParam(4));
  a += b;
  a -= b;
  a += TypeParam(1);
  a -= TypeParam(1);
  a *= TypeParam(2);
  a /= TypeParam(2);
  EXPECT_EQ(a(1, 2), TypeParam(2));
}

TYPED_TEST(MatrixTest, ProductsFollowTheBounds) {
  gmatrix<TypeParam> a = mat<TypeParam>(2, 3, {1, 2, 3, 4, 5, 6});
  gmatrix<TypeParam> b = mat<TypeParam>(3, 2, {1, 0, 0, 1, 1, 1}, 1, 0);
  gmatrix<TypeParam> p = a * b;
  EXPECT_EQ(p.jmin(), 0);
  EXPECT_EQ(p(1, 0), TypeParam(4));
  EXPECT_EQ(p(1, 1), TypeParam(5));
  EXPECT_EQ(p(2, 0), TypeParam(10));
  EXPECT_EQ(p(2, 1), TypeParam(11));
  gvector<TypeParam> y = a * vec<TypeParam>({1, 1, 1}, 0);
  EXPECT_EQ(y.imin(), 1);
  EXPECT_EQ(y[1], TypeParam(6));
  EXPECT_EQ(y[2], TypeParam(15));
}

TYPED_TEST(MatrixTest, CopiesAreNormal) {
  gmatrix<TypeParam> a = mat<TypeParam>(2, 2, {2, 1, 4, 3});
  ASSERT_EQ(a.gauss(), 0);
  EXPECT_EQ(a.state(), factors_gauss);
  gmatrix<TypeParam> c(a);
  EXPECT_EQ(c.state(), normal);
  gmatrix<TypeParam> d;
  d = a;
  EXPECT_EQ(d.state(), normal);
  EXPECT_GT(norm_inf(d), 0.0);
}

TYPED_TEST(MatrixTest, Norms) {
  gmatrix<TypeParam> a = mat<TypeParam>(2, 2, {1, -2, 3, 4});
  EXPECT_EQ(norm_inf(a), 7.0);
  EXPECT_EQ(norm_1(a), 6.0);
}

TYPED_TEST(MatrixTest, GaussFactorsAndSolves) {
  gmatrix<TypeParam> a = mat<TypeParam>(2, 2, {2, 1, 4, 3});
  ASSERT_EQ(a.gauss(), 0);
  EXPECT_EQ(a(1, 1), TypeParam(2));
  EXPECT_EQ(a(1, 2), TypeParam(1));
  EXPECT_EQ(a(2, 1), TypeParam(2));
  EXPECT_EQ(a(2, 2), TypeParam(1));
  gvector<TypeParam> b = vec<TypeParam>({3, 7}), x;
  a.solve(b, x);
  EXPECT_EQ(x[1], TypeParam(1));
  EXPECT_EQ(x[2], TypeParam(1));
  gvector<TypeParam> l;
  a.solveLxb(b, l);
  EXPECT_EQ(l[1], TypeParam(3));
  EXPECT_EQ(l[2], TypeParam(1));
  a.solveUxb(l, l);  // in place
  EXPECT_EQ(l[1], TypeParam(1));
  EXPECT_EQ(l[2], TypeParam(1));
  gvector<TypeParam> xu;
  a.solvexUb(vec<TypeParam>({2, 3}), xu);
  EXPECT_EQ(xu[1], TypeParam(1));
  EXPECT_EQ(xu[2], TypeParam(2));
}

TYPED_TEST(MatrixTest, ZeroPivotIsReportedNotFatal) {
  gmatrix<TypeParam> a = mat<TypeParam>(2, 2, {0, 1, 1, 0});
  EXPECT_EQ(a.gauss(), 1);
  EXPECT_EQ(a.state(), erreur);
  gmatrix<TypeParam> r = mat<TypeParam>(2, 3, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(r.gauss(), -1);
  EXPECT_EQ(r.state(), erreur);
}

TYPED_TEST(MatrixTest, BlockSolvesMatchVectorSolves) {
  gmatrix<TypeParam> a = mat<TypeParam>(3, 3, {4, 1, 2, 2, 5, 1, 1, 2, 6}, 0, 0);
  ASSERT_EQ(a.gauss(), 0);
  gmatrix<TypeParam> B = mat<TypeParam>(3, 2, {1, 2, 3, 4, 5, 6}, 0, 7);
  gmatrix<TypeParam> X;
  a.solveLXC(B, X);
  for (int c = 7; c <= 8; ++c) {
    gvector<TypeParam> b(0, 2), x;
    for (int i = 0; i <= 2; ++i) b[i] = B(i, c);
    a.solveLxb(b, x);
    for (int i = 0; i <= 2; ++i) EXPECT_EQ(X(i, c), x[i]);
  }
  gmatrix<TypeParam> C = mat<TypeParam>(2, 3, {1, 2, 3, 4, 5, 6}, 3, 0), Y;
  a.solveXUC(C, Y);
  for (int r = 3; r <= 4; ++r) {
    gvector<TypeParam> b(0, 2), x;
    for (int j = 0; j <= 2; ++j) b[j] = C(r, j);
    a.solvexUb(b, x);
    for (int j = 0; j <= 2; ++j) EXPECT_EQ(Y(r, j), x[j]);
  }
}

TEST(MatrixTest, IntegerGaussTruncates) {
  gmatrix<int> a = mat<int>(2, 2, {2, 1, 1, 1});
  EXPECT_EQ(a.gauss(), 0);
  EXPECT_EQ(a(2, 1), 0);
  EXPECT_EQ(a(2, 2), 1);
}

TEST(MatrixTest, SolveMayOverwriteItsRightHandSide) {
  gmatrix<double> a = mat<double>(2, 2, {2, 1, 4, 3});
  a.gauss();
  dvector b = vec<double>({3, 7});
  a.solve(b, b);
  EXPECT_EQ(b[1], 1.0);
  EXPECT_EQ(b[2], 1.0);
}

template <class T>
class GaussBitsTest : public ::testing::Test {};
TYPED_TEST_SUITE(GaussBitsTest, FloatScalars);

TYPED_TEST(GaussBitsTest, FastFactorsEqualTheStraightforwardOnesBitForBit) {
  std::mt19937 g(7);
  for (int n : {0, 1, 2, 3, 5, 17, 64, 127, 128, 129, 150, 300}) {
    gmatrix<TypeParam> a(-1, n - 2, -1, n - 2);
    for (int i = a.imin(); i <= a.imax(); ++i)
      for (int j = a.jmin(); j <= a.jmax(); ++j) a(i, j) = random_value<TypeParam>(g);
    for (int i = a.imin(); i <= a.imax(); ++i) a(i, i) += TypeParam(n);
    gmatrix<TypeParam> ref(a);
    ASSERT_EQ(a.gauss(), 0);
    ASSERT_EQ(reference_gauss(ref), 0);
    EXPECT_TRUE(same_bits(a, ref)) << "n=" << n;
    // The solve reproduces a known x.
    gvector<TypeParam> x(a.imin(), a.imax()), y;
    for (int i = x.imin(); i <= x.imax(); ++i) x[i] = random_value<TypeParam>(g);
    gmatrix<TypeParam> orig(a.imin(), a.imax(), a.jmin(), a.jmax());
    // Rebuild A = L U from the factors to form b.
    for (int i = a.imin(); i <= a.imax(); ++i)
      for (int j = a.jmin(); j <= a.jmax(); ++j) {
        TypeParam s = TypeParam();
        for (int k = a.imin(); k <= std::min(i, j); ++k)
          s += (k == i ? TypeParam(1) : a(i, k)) * a(k, j);
        orig(i, j) = s;
      }
    gvector<TypeParam> b = orig * x, yref;
    a.solve(b, y);
    reference_solve(a, b, yref);
    EXPECT_TRUE(same_bits(y, yref)) << "n=" << n;
    for (int i = x.imin(); i <= x.imax(); ++i) EXPECT_NEAR(absval(y[i] - x[i]), 0.0, 1e-3);
  }
}

TYPED_TEST(GaussBitsTest, ZeroPivotInsideABlockLeavesTheSameMatrix) {
  std::mt19937 g(11);
  int const n = 300, p = 200;
  gmatrix<TypeParam> a(1, n, 1, n);
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j)
      a(i, j) = random_value<TypeParam>(g) + (i == j ? TypeParam(n) : TypeParam());
  for (int j = 1; j <= p; ++j) a(p, j) = TypeParam();
  gmatrix<TypeParam> ref(a);
  EXPECT_EQ(a.gauss(), p);
  EXPECT_EQ(a.state(), erreur);
  EXPECT_EQ(reference_gauss(ref), p);
  EXPECT_TRUE(same_bits(a, ref));
}

// Sizes on both sides of the edges of the fast paths: the register tile
// (6 x 8), the leaf triangles (8), the switch from the plain method (32),
// halves of a block of rows and whole blocks (192).
TYPED_TEST(GaussBitsTest, TileLeafAndBlockEdgesEqualTheStraightforwardFactors) {
  std::mt19937 g(13);
  for (int n :
       {6, 7, 9, 16, 31, 32, 33, 47, 48, 49, 95, 96, 97, 191, 192, 193, 250, 383, 384, 385}) {
    gmatrix<TypeParam> a(1, n, 1, n);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j)
        a(i, j) = random_value<TypeParam>(g) + (i == j ? TypeParam(n) : TypeParam());
    gmatrix<TypeParam> ref(a);
    ASSERT_EQ(a.gauss(), 0);
    ASSERT_EQ(reference_gauss(ref), 0);
    EXPECT_TRUE(same_bits(a, ref)) << "n=" << n;
  }
}

// A = L U with small integer factors and unit pivots, so that every step of
// the elimination is exact; taking 1 from a(i,p) for i >= p turns u(p,p)
// into an exact zero met after a row of nonzero multipliers.
TYPED_TEST(GaussBitsTest, ZeroPivotAfterNonzeroMultipliersLeavesTheSameMatrix) {
  std::mt19937 g(17);
  std::uniform_int_distribution<int> d(-1, 1);
  auto small = [&] {
    if constexpr (std::is_same<TypeParam, std::complex<double>>::value)
      return TypeParam(d(g), d(g));
    else
      return static_cast<TypeParam>(d(g));
  };
  int const n = 400;
  std::vector<TypeParam> l(static_cast<std::size_t>(n) * n), u(l.size());
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < i; ++j) l[i * n + j] = small();
    if (i > 0) l[i * n] = TypeParam(1);
    l[i * n + i] = u[i * n + i] = TypeParam(1);
    for (int j = i + 1; j < n; ++j) u[i * n + j] = small();
  }
  gmatrix<TypeParam> base(1, n, 1, n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      TypeParam s = TypeParam();
      for (int k = 0; k <= std::min(i, j); ++k) s += l[i * n + k] * u[k * n + j];
      base(i + 1, j + 1) = s;
    }
  for (int p : {1, 2, 7, 8, 9, 33, 100, 191, 192, 193, 250, 384, 385, 399, 400}) {
    gmatrix<TypeParam> a(base);
    for (int i = p; i <= n; ++i) a(i, p) -= l[(i - 1) * n + (p - 1)];
    gmatrix<TypeParam> ref(a);
    EXPECT_EQ(a.gauss(), p);
    EXPECT_EQ(a.state(), erreur);
    EXPECT_EQ(reference_gauss(ref), p);
    EXPECT_TRUE(same_bits(a, ref)) << "p=" << p;
  }
}

template <class T>
class MatrixDeathTest : public ::testing::Test {};
TYPED_TEST_SUITE(MatrixDeathTest, AllScalars);

TYPED_TEST(MatrixDeathTest, AccessOutsideTheBoundsStops) {
  gmatrix<TypeParam> m(1, 3, 1, 2);
  EXPECT_FATAL(m(4, 1), 1, "M(1...3,1...2), acces a (4,1)\nErreur d'adressage d'une matrice\n");
  gmatrix<TypeParam> e;
  EXPECT_FATAL(e(0, 0), 1, "Erreur d'adressage d'une matrice\n");
}

TYPED_TEST(MatrixDeathTest, ShapeMismatchesStop) {
  gmatrix<TypeParam> a(1, 2, 1, 2), b(1, 3, 1, 2);
  a = TypeParam(1);
  b = TypeParam(1);
  EXPECT_FATAL(a + b, 1, "Matrices de tailles differentes");
  EXPECT_FATAL(a - b, 1, "Matrices de tailles differentes");
  EXPECT_FATAL(a += b, 1, "Matrices de tailles differentes");
  EXPECT_FATAL(a *= b, 1, "Matrices de tailles differentes");
  EXPECT_FATAL(a /= b, 1, "Matrices de tailles differentes");
  EXPECT_FATAL(a -= b, 1, "Vecteurs de tailles differentes");
  gvector<TypeParam> v(1, 3);
  EXPECT_FATAL(a * v, 1, "Matrices incompatibles dans produit matrice-vecteur");
}

TYPED_TEST(MatrixDeathTest, ProductNeedsEqualInnerBounds) {
  gmatrix<TypeParam> a(1, 2, 1, 3), b(0, 2, 1, 2);
  EXPECT_FATAL(
      a * b, 1,
      "Tailles incompatibles dans multiplication de matrices\n[1,2]X[1,3] et [[0,2]X[1,2]\n");
}

TYPED_TEST(MatrixDeathTest, NormOfFactorsWarnsAndGivesZero) {
  gmatrix<TypeParam> a = mat<TypeParam>(1, 1, {3});
  a.gauss();
  EXPECT_EQ(norm_inf(a), 0.0);
  EXPECT_EQ(norm_1(a), 0.0);
  EXPECT_EXIT((norm_1(a), nerror()), ::testing::ExitedWithCode(1),
              fatal_re("Attention norme de matrice non valable\n"));
}

TYPED_TEST(MatrixDeathTest, StateRulesOfGauss) {
  gmatrix<TypeParam> a = mat<TypeParam>(2, 2, {2, 1, 4, 3});
  a.gauss();
  EXPECT_FATAL(a.gauss(), 1, "Impossible de factorizer une matrice\n");
  gmatrix<TypeParam> n = mat<TypeParam>(2, 2, {2, 1, 4, 3});
  gvector<TypeParam> b(1, 2), x;
  EXPECT_FATAL(n.solve(b, x), 1,
               "Tentative de resolution d'un systeme avec una matrice non factorize\n");
  EXPECT_FATAL(n.solveUxb(b, x), 1, "Tentative de resolution d'un systeme non factorize");
  EXPECT_FATAL(n.solvexUb(b, x), 1, "Tentative de resolution d'un systeme non factorize");
  EXPECT_FATAL(n.solveLxb(b, x), 1, "Tentative de resolution d'un systeme non factorize");
  gmatrix<TypeParam> B(1, 2, 1, 2), X;
  EXPECT_FATAL(n.solveXUC(B, X), 1, "Tentative de resolution d'un systeme non factorize");
  EXPECT_FATAL(n.solveLXC(B, X), 1, "Tentative de resolution d'un systeme non factorize");
  gmatrix<TypeParam> z = mat<TypeParam>(2, 2, {0, 1, 1, 0});
  z.gauss();
  EXPECT_FATAL(z.solve(b, x), 1,
               "Tentative de resolution d'un systeme avec una matrice non factorize\n");
}

TYPED_TEST(MatrixDeathTest, NonSquareGaussWarns) {
  gmatrix<TypeParam> r(1, 2, 1, 3);
  r = TypeParam(1);
  EXPECT_EXIT(
      (r.gauss(), nerror()), ::testing::ExitedWithCode(1),
      fatal_re(
          "Matrice non carre [1,2]x[1,3]\nImpossible de factorizer par la methode de Gauss\n"));
  gmatrix<TypeParam> shifted(1, 2, 0, 1);
  shifted = TypeParam(1);
  EXPECT_FATAL(shifted.gauss(), 1, "Erreur d'adressage d'une matrice\n");
}

TYPED_TEST(MatrixDeathTest, SolveSizeMessages) {
  gmatrix<TypeParam> a = mat<TypeParam>(2, 2, {2, 1, 4, 3});
  a.gauss();
  gvector<TypeParam> b(0, 1), x;
  EXPECT_FATAL(
      a.solve(b, x), 1,
      "Tailles incompatibles dans la descente remonte par la methode de Gauss\npour une matrice "
      "pleine\nMatrice [1,2]x[1,2]\nVecteur [0,1]\n");
  EXPECT_FATAL(a.solveUxb(b, x), 1,
               "Tailles incompatibles dans la U x = b, gauss:\nMatrice [1,2]^2\nVecteur [0,1]\n");
  EXPECT_FATAL(a.solvexUb(b, x), 1,
               "Tailles incompatibles dans la x U = b, gauss:\nMatrice [1,2]^2\nVecteur [0,1]\n");
  EXPECT_FATAL(a.solveLxb(b, x), 1,
               "Tailles incompatibles dans la L x = b, gauss:\nMatrice [1,2]^2\nVecteur [0,1]\n");
  gmatrix<TypeParam> B(1, 3, 0, 1), X;
  EXPECT_FATAL(a.solveXUC(B, X), 1,
               "Tailles incompatibles dans la X U = B, gauss:\nU [1,2]^2\nB [1,3]x[0,1]\n");
  EXPECT_FATAL(a.solveLXC(B, X), 1,
               "Tailles incompatibles dans la L X = B, gauss:\nL [1,2]^2\nB [1,3]x[0,1]\n");
}

TYPED_TEST(MatrixDeathTest, InvalidBoundsAreRefused) {
  EXPECT_FATAL(gmatrix<TypeParam>(1, -5, 1, 1), 1, "Bornes de matrice invalides [1,-5]x[1,1]\n");
  EXPECT_FATAL(gmatrix<TypeParam>(1, 100000, 1, 100000), 1, "Taille de tableau trop grande");
}
