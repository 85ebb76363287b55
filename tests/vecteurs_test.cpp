#include "vecteurs.h"

#include <utility>

#include "test_util.h"

namespace {

template <class T>
ovector<T> ovec(std::initializer_list<double> values) {
  return ovector<T>(vec<T>(values));
}

}  // namespace

template <class T>
class CollectionTest : public ::testing::Test {};
TYPED_TEST_SUITE(CollectionTest, AllScalars);

TYPED_TEST(CollectionTest, EmptyStateDiffersFromNoElements) {
  gcolect<TypeParam> e;
  EXPECT_TRUE(e.empty());
  EXPECT_EQ(e.imin(), 0);
  EXPECT_EQ(e.imax(), -1);
  gcolect<TypeParam> none(1, 0);
  EXPECT_FALSE(none.empty());
  EXPECT_EQ(none.imax() - none.imin() + 1, 0);
}

TYPED_TEST(CollectionTest, ViewsShareTheOwnersStorage) {
  gvector<TypeParam> v = vec<TypeParam>({1, 2, 3, 4, 5});
  gvector<TypeParam> w;
  v.sub(w, 2, 4, 1);
  EXPECT_EQ(w.imin(), 1);
  EXPECT_EQ(w.imax(), 3);
  EXPECT_EQ(w[1], TypeParam(2));
  w[3] = TypeParam(40);
  EXPECT_EQ(v[4], TypeParam(40));
  // Same bounds write through; a copy of a view owns its storage.
  w = vec<TypeParam>({7, 8, 9});
  EXPECT_EQ(v[2], TypeParam(7));
  gvector<TypeParam> c(w);
  c.resize(1, 10);
  EXPECT_EQ(v[2], TypeParam(7));
  // Other bounds turn the view into an owner and leave v alone.
  w = vec<TypeParam>({0, 0}, 5);
  EXPECT_EQ(v[3], TypeParam(8));
  w.resize(1, 2);
}

TYPED_TEST(CollectionTest, GrowKeepsTheCommonIndices) {
  gvector<TypeParam> v = vec<TypeParam>({1, 2, 3, 4, 5});
  gvector<TypeParam> a(v), b(v), c(v);
  a.grow(0, 10);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(a[i], TypeParam(i));
  b.grow(3, 4);
  EXPECT_EQ(b[3], TypeParam(3));
  EXPECT_EQ(b[4], TypeParam(4));
  c.grow(8, 9);
  EXPECT_EQ(c.imin(), 8);
}

TYPED_TEST(CollectionTest, AssignmentTakesTheSourceBounds) {
  gvector<TypeParam> src = vec<TypeParam>({1, 2, 3});
  gvector<TypeParam> dst = vec<TypeParam>({9, 9, 9}, 0);
  dst = src;
  EXPECT_EQ(dst.imin(), 1);
  EXPECT_EQ(dst.imax(), 3);
  EXPECT_EQ(dst[3], TypeParam(3));
  dst = TypeParam(5);
  EXPECT_EQ(dst[1], TypeParam(5));
  dst = dst;
  EXPECT_EQ(dst[2], TypeParam(5));
}

TYPED_TEST(CollectionTest, MovingStealsStorageButCopiesViews) {
  gvector<TypeParam> v = vec<TypeParam>({1, 2, 3});
  TypeParam* p = v.debut();
  gvector<TypeParam> m(std::move(v));
  EXPECT_EQ(m.debut(), p);
  EXPECT_TRUE(v.empty());
  gvector<TypeParam> w;
  m.sub(w, 1, 2, 1);
  gvector<TypeParam> c(std::move(w));
  EXPECT_NE(c.debut(), p);
  EXPECT_EQ(c[2], TypeParam(2));
  gvector<TypeParam> t;
  t = std::move(m);
  EXPECT_EQ(t.debut(), p);
}

TYPED_TEST(CollectionTest, PairAndTriple) {
  gvector<TypeParam> v(5, 9);
  v.pair(TypeParam(1), TypeParam(2));
  EXPECT_EQ(v.imin(), 1);
  EXPECT_EQ(v.imax(), 2);
  v.triple(TypeParam(1), TypeParam(2), TypeParam(3));
  EXPECT_EQ(v[3], TypeParam(3));
}

TYPED_TEST(CollectionTest, ArithmeticPairsByPosition) {
  gvector<TypeParam> a = vec<TypeParam>({1, 2, 3}, 0);
  gvector<TypeParam> b = vec<TypeParam>({10, 20, 30}, 1);
  gvector<TypeParam> s = a + b;
  EXPECT_EQ(s.imin(), 0);
  EXPECT_EQ(s[2], TypeParam(33));
  EXPECT_EQ((b - a)[3], TypeParam(27));
  EXPECT_EQ((-a)[1], TypeParam(-2));
  EXPECT_EQ((a * TypeParam(2))[2], TypeParam(6));
  EXPECT_EQ((b / TypeParam(10))[2], TypeParam(2));
  EXPECT_EQ(a | b, TypeParam(140));
  a += b;
  EXPECT_EQ(a[0], TypeParam(11));
  a -= b;
  a *= b;
  EXPECT_EQ(a[2], TypeParam(90));
  a /= b;
  EXPECT_EQ(a[2], TypeParam(3));
  a += TypeParam(1);
  a -= TypeParam(2);
  a *= TypeParam(3);
  a /= TypeParam(3);
  EXPECT_EQ(a[0], TypeParam(0));
}

TYPED_TEST(CollectionTest, EqualityIsExactAndPositional) {
  gvector<TypeParam> a = vec<TypeParam>({1, 2, 3}, 1);
  gvector<TypeParam> b = vec<TypeParam>({1, 2, 3}, 0);
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a != b);
  gvector<TypeParam> c = vec<TypeParam>({1, 2, 3, 4});
  EXPECT_FALSE(a == c);
  EXPECT_TRUE(a != c);
  b[2] = TypeParam(4);
  EXPECT_FALSE(a == b);
}

TYPED_TEST(CollectionTest, Norms) {
  gvector<TypeParam> a = vec<TypeParam>({-3, 2});
  EXPECT_EQ(norm_inf(a), 3.0);
  EXPECT_EQ(norm_1(a), 5.0);
  gvector<TypeParam> none(1, 0);
  EXPECT_EQ(norm_inf(none), 0.0);
  EXPECT_EQ(norm_1(none), 0.0);
}

TEST(VectorTest, ComplexNormsUseTheModulus) {
  cvector z(1, 1);
  z[1] = std::complex<double>(3, 4);
  EXPECT_EQ(norm_1(z), 5.0);
  EXPECT_EQ(norm_inf(z), 5.0);
}

TEST(VectorTest, IntegerDivisionTruncatesTowardZero) {
  ivector v = vec<int>({7, -7});
  ivector q = v / 2;
  EXPECT_EQ(q[1], 3);
  EXPECT_EQ(q[2], -3);
}

template <class T>
class OrderedTest : public ::testing::Test {};
TYPED_TEST_SUITE(OrderedTest, RealScalars);

TYPED_TEST(OrderedTest, LexicographicWithPrefixEqual) {
  using O = ovector<TypeParam>;
  O a = ovec<TypeParam>({1, 2}), b = ovec<TypeParam>({1, 3}), c = ovec<TypeParam>({1, 2, 0});
  EXPECT_TRUE(a < b);
  EXPECT_FALSE(b < a);
  EXPECT_FALSE(a < a);
  EXPECT_TRUE(a <= a);
  EXPECT_FALSE(a < c);
  EXPECT_TRUE(a <= c);
  EXPECT_FALSE(ovec<TypeParam>({1, 2, 3}) < ovec<TypeParam>({5, 6}));
  EXPECT_FALSE(ovec<TypeParam>({1, 2, 3}) > ovec<TypeParam>({1, 2}));
  EXPECT_TRUE(ovec<TypeParam>({1, 2, 3}) >= ovec<TypeParam>({1, 2}));
  EXPECT_TRUE(ovec<TypeParam>({2, 0}) > ovec<TypeParam>({1, 9}));
  EXPECT_FALSE(ovec<TypeParam>({1, 2}) > ovec<TypeParam>({0, 1, 2}));
}

TEST(OrderedTest, NanPairsCountAsEqual) {
  dovector a(1, 2), b(1, 2);
  a[1] = b[1] = std::nan("");
  a[2] = 1;
  b[2] = 2;
  EXPECT_TRUE(a < b);
}

template <class T>
class CollectionDeathTest : public ::testing::Test {};
TYPED_TEST_SUITE(CollectionDeathTest, AllScalars);

TYPED_TEST(CollectionDeathTest, IndexOutsideRangeStops) {
  gcolect<TypeParam> c(1, 3);
  EXPECT_FATAL(c[0], 1, "Erreur d'adressage d'un vecteur [1,3] i=0\n");
  EXPECT_FATAL(c[4], 1, "Erreur d'adressage d'un vecteur [1,3] i=4\n");
  gcolect<TypeParam> e;
  EXPECT_FATAL(e[0], 1, "Erreur d'adressage d'un vecteur [0,-1] i=0\n");
}

TYPED_TEST(CollectionDeathTest, ViewsCannotChangeShape) {
  gcolect<TypeParam> c(1, 5), w;
  c.sub(w, 2, 4, 1);
  EXPECT_FATAL(w.resize(1, 2), 1, "Tentative de redimensioner un sous-vecteur\n");
  EXPECT_FATAL(w.grow(1, 2), 1, "Tentative de redimensioner un sous-vecteur\n");
  EXPECT_FATAL(w.pair(TypeParam(), TypeParam()), 1, "Tentative de redimensioner un sous-vecteur\n");
  EXPECT_FATAL(w.triple(TypeParam(), TypeParam(), TypeParam()), 1,
               "Tentative de redimensioner un sous-vecteur\n");
}

TYPED_TEST(CollectionDeathTest, SizeMismatchStops) {
  gvector<TypeParam> a(1, 3), b(1, 4);
  a = TypeParam(1);
  b = TypeParam(1);
  EXPECT_FATAL(a + b, 1, "Vecteurs de tailles differentes");
  EXPECT_FATAL(a - b, 1, "Vecteurs de tailles differentes");
  EXPECT_FATAL(a += b, 1, "Vecteurs de tailles differentes");
  EXPECT_FATAL(a -= b, 1, "Vecteurs de tailles differentes");
  EXPECT_FATAL(a *= b, 1, "Vecteurs de tailles differentes");
  EXPECT_FATAL(a /= b, 1, "Vecteurs de tailles differentes");
  EXPECT_FATAL((void)(a | b), 1, "Vecteurs de tailles differentes");
}

TYPED_TEST(CollectionDeathTest, InvertedBoundsAreRefused) {
  EXPECT_FATAL(gcolect<TypeParam>(5, 2), 1, "Bornes de vecteur invalides [5,2]\n");
  EXPECT_FATAL(gcolect<TypeParam>(-2000000000, 2000000000), 1, "Taille de tableau trop grande");
}

TEST(VectorDeathTest, IntegerDivisionByZeroStops) {
  ivector v = vec<int>({1});
  EXPECT_FATAL(v / 0, 1, "Division entiere par zero\n");
}
