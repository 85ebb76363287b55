// File forms of the profile matrices: exact bytes, round trips, refusals of
// bad files and failed writes.
#include "profil.h"

#include <cstring>
#include <random>
#include <string>

#include <zlib.h>

#include "gzutils.h"
#include "profil_helpers.h"
#include "profil_io_util.h"
#include "test_util.h"

using namespace ph;
using namespace pio_test;

namespace {

// Symmetric 3 x 3: a11 | a21 a22 | a33 (a31 = a32 = 0 outside the profile).
template <class T>
skysmatrix<T> sym3() {
  skysmatrix<T> a(prof({0, 1, 3, 4}));
  a(1, 1) = T(4);
  a(2, 1) = T(-1);
  a(2, 2) = T(5);
  a(3, 3) = T(6);
  return a;
}

// h-matrix 2 x 3: row 1 stores column 3, row 2 columns 2 and 3.
template <class T>
skyhrectmatrix<T> hrect() {
  skyhrectmatrix<T> a(prof({0, 1, 3}), 3);
  a(1, 3) = T(7);
  a(2, 2) = T(8);
  a(2, 3) = T(9);
  return a;
}

// v-matrix 3 x 2: column 1 stores rows 2 and 3, column 2 row 3.
template <class T>
skyvrectmatrix<T> vrect() {
  skyvrectmatrix<T> a(prof({0, 2, 3}), 3);
  a(2, 1) = T(1);
  a(3, 1) = T(2);
  a(3, 2) = T(3);
  return a;
}

template <class T>
class ProfilIoTest : public ::testing::Test {};
TYPED_TEST_SUITE(ProfilIoTest, AllScalars);

TYPED_TEST(ProfilIoTest, GeneralSavesAreDenseUnderMForBinary) {
  typedef TypeParam T;
  TempDir d;
  skygmatrix<T> a = general2<T>();
  for (int gz = 0; gz < 2; ++gz) {
    std::string const sfx = gz ? ".gz" : "";
    a.a_save(d.path("a" + sfx).c_str());
    a.b_save(d.path("b" + sfx).c_str());
    a.f_save(d.path("f" + sfx).c_str());
    EXPECT_EQ(contents(d.path("a" + sfx), gz),
              "G" + std::string(1, code<T>()) + "\n1 2\n" + lines<T>({T(2), T(1), T(4), T(3)}, gz));
    octets b;
    b.c('M').c(code<T>()).i(1).i(2).v(T(2)).v(T(1)).v(T(4)).v(T(3));
    EXPECT_EQ(contents(d.path("b" + sfx), gz), b.s);
    octets f;
    f.rec(octets().c('M').c(code<T>()))
        .rec(octets().i(1).i(2))
        .rec(octets().v(T(2)).v(T(1)).v(T(4)).v(T(3)));
    EXPECT_EQ(contents(d.path("f" + sfx), gz), f.s);
  }
}

TYPED_TEST(ProfilIoTest, GeneralDumpsHoldTheStorage) {
  typedef TypeParam T;
  TempDir d;
  skygmatrix<T> a = general2<T>();
  for (int gz = 0; gz < 2; ++gz) {
    std::string const sfx = gz ? ".gz" : "";
    a.a_dump(d.path("a" + sfx).c_str());
    a.b_dump(d.path("b" + sfx).c_str());
    a.f_dump(d.path("f" + sfx).c_str());
    EXPECT_EQ(contents(d.path("a" + sfx), gz), "G" + std::string(1, code<T>()) +
                                                   "\n0 2\n0\n1\n4\n" +
                                                   lines<T>({T(2), T(4), T(1), T(3)}, gz));
    octets b;
    b.c('G').c(code<T>()).i(0).i(2).i(0).i(1).i(4).v(T(2)).v(T(4)).v(T(1)).v(T(3));
    EXPECT_EQ(contents(d.path("b" + sfx), gz), b.s);
    octets f;
    f.rec(octets().c('G').c(code<T>()))
        .rec(octets().i(0).i(2))
        .rec(octets().i(0).i(1).i(4))
        .rec(octets().v(T(2)).v(T(4)).v(T(1)).v(T(3)));
    EXPECT_EQ(contents(d.path("f" + sfx), gz), f.s);
  }
}

TYPED_TEST(ProfilIoTest, SymmetricSavesWriteTheTriangleAndAtSaveTheSquare) {
  typedef TypeParam T;
  TempDir d;
  skysmatrix<T> a = sym3<T>();
  T const z = T(0);
  for (int gz = 0; gz < 2; ++gz) {
    std::string const sfx = gz ? ".gz" : "";
    std::string const head = "S" + std::string(1, code<T>()) + "\n1 3\n";
    a.a_save(d.path("a" + sfx).c_str());
    a.at_save(d.path("t" + sfx).c_str());
    a.b_save(d.path("b" + sfx).c_str());
    a.f_save(d.path("f" + sfx).c_str());
    a.a_dump(d.path("ad" + sfx).c_str());
    a.b_dump(d.path("bd" + sfx).c_str());
    a.f_dump(d.path("fd" + sfx).c_str());
    EXPECT_EQ(contents(d.path("a" + sfx), gz),
              head + lines<T>({T(4), T(-1), T(5), z, z, T(6)}, gz));
    EXPECT_EQ(contents(d.path("t" + sfx), gz),
              head + lines<T>({T(4), T(-1), z, T(-1), T(5), z, z, z, T(6)}, gz));
    octets tri;
    tri.v(T(4)).v(T(-1)).v(T(5)).v(z).v(z).v(T(6));
    EXPECT_EQ(contents(d.path("b" + sfx), gz), octets().c('S').c(code<T>()).i(1).i(3).s + tri.s);
    EXPECT_EQ(contents(d.path("f" + sfx), gz),
              octets().rec(octets().c('S').c(code<T>())).rec(octets().i(1).i(3)).rec(tri).s);
    EXPECT_EQ(contents(d.path("ad" + sfx), gz), "S" + std::string(1, code<T>()) +
                                                    "\n0 3\n0\n1\n3\n4\n" +
                                                    lines<T>({T(4), T(-1), T(5), T(6)}, gz));
    octets st;
    st.v(T(4)).v(T(-1)).v(T(5)).v(T(6));
    EXPECT_EQ(contents(d.path("bd" + sfx), gz),
              octets().c('S').c(code<T>()).i(0).i(3).i(0).i(1).i(3).i(4).s + st.s);
    EXPECT_EQ(contents(d.path("fd" + sfx), gz), octets()
                                                    .rec(octets().c('S').c(code<T>()))
                                                    .rec(octets().i(0).i(3))
                                                    .rec(octets().i(0).i(1).i(3).i(4))
                                                    .rec(st)
                                                    .s);
  }
}

template <class M>
void round_trips(M const& a, std::string const& dir);

TEST(ProfilIoHermitian, AtSaveWritesTheConjugateAboveTheDiagonal) {
  TempDir d;
  skyhmatrix a(prof({0, 1, 3}));
  a(1, 1) = C(2, 0);
  a(2, 1) = C(1, 1);
  a(2, 2) = C(3, 0);
  a.at_save(d.path("t").c_str());
  EXPECT_EQ(contents(d.path("t"), 0),
            "SC\n1 2\n" + lines<C>({C(2, 0), C(1, -1), C(1, 1), C(3, 0)}, 0));
  a.a_save(d.path("a").c_str());
  EXPECT_EQ(contents(d.path("a"), 0), "SC\n1 2\n" + lines<C>({C(2, 0), C(1, 1), C(3, 0)}, 0));
  skyhmatrix b;
  a.b_dump(d.path("d").c_str());
  b.b_load(d.path("d").c_str());
  EXPECT_TRUE(same_bits(b.values(), a.values()));
  EXPECT_EQ(b(0, 1, 2), C(1, -1));
  std::mt19937 g(5);
  skyhmatrix r(random_sym_profile(20, 4, g));
  fill_sym<C>(r, g);
  round_trips(r, d.dir());
}

TYPED_TEST(ProfilIoTest, RectangularFormsShareOneLayout) {
  typedef TypeParam T;
  TempDir d;
  skyhrectmatrix<T> h = hrect<T>();
  skyvrectmatrix<T> v = vrect<T>();
  T const z = T(0);
  for (int gz = 0; gz < 2; ++gz) {
    std::string const sfx = gz ? ".gz" : "";
    std::string const c(1, code<T>());
    h.a_save(d.path("ha" + sfx).c_str());
    h.b_save(d.path("hb" + sfx).c_str());
    h.f_save(d.path("hf" + sfx).c_str());
    v.a_save(d.path("va" + sfx).c_str());
    h.a_dump(d.path("had" + sfx).c_str());
    h.b_dump(d.path("hbd" + sfx).c_str());
    v.f_dump(d.path("vfd" + sfx).c_str());
    EXPECT_EQ(contents(d.path("ha" + sfx), gz),
              "R" + c + "\n1 2 1 3\n" + lines<T>({z, z, T(7), z, T(8), T(9)}, gz));
    octets hv;
    hv.v(z).v(z).v(T(7)).v(z).v(T(8)).v(T(9));
    EXPECT_EQ(contents(d.path("hb" + sfx), gz),
              octets().c('R').c(code<T>()).i(1).i(2).i(1).i(3).s + hv.s);
    EXPECT_EQ(
        contents(d.path("hf" + sfx), gz),
        octets().rec(octets().c('R').c(code<T>())).rec(octets().i(1).i(2).i(1).i(3)).rec(hv).s);
    EXPECT_EQ(contents(d.path("va" + sfx), gz),
              "R" + c + "\n1 3 1 2\n" + lines<T>({z, z, T(1), z, T(2), T(3)}, gz));
    EXPECT_EQ(contents(d.path("had" + sfx), gz),
              "R" + c + "\n0 2 3\n0\n1\n3\n" + lines<T>({T(7), T(8), T(9)}, gz));
    EXPECT_EQ(contents(d.path("hbd" + sfx), gz),
              octets().c('R').c(code<T>()).i(0).i(2).i(3).i(0).i(1).i(3).v(T(7)).v(T(8)).v(T(9)).s);
    EXPECT_EQ(contents(d.path("vfd" + sfx), gz), octets()
                                                     .rec(octets().c('R').c(code<T>()))
                                                     .rec(octets().i(0).i(2).i(3))
                                                     .rec(octets().i(0).i(2).i(3))
                                                     .rec(octets().v(T(1)).v(T(2)).v(T(3)))
                                                     .s);
  }
}

// Dump then load, in every encoding, plain and compressed, through the name
// and the stream forms: profile and values come back, state normal.
template <class M>
void round_trips(M const& a, std::string const& dir) {
  typedef typename std::decay<decltype(a.values()[1])>::type T;
  for (int gz = 0; gz < 2; ++gz)
    for (int enc = 0; enc < 3; ++enc) {
      SCOPED_TRACE(std::to_string(enc) + (gz ? " gz" : " plain"));
      std::string const name = dir + "/rt" + std::to_string(enc) + (gz ? ".gz" : "");
      if (enc == 0) a.a_dump(name.c_str());
      if (enc == 1) a.b_dump(name.c_str());
      if (enc == 2) a.f_dump(name.c_str());
      M b;
      if (enc == 0) b.a_load(name.c_str());
      if (enc == 1) b.b_load(name.c_str());
      if (enc == 2) b.f_load(name.c_str());
      EXPECT_TRUE(same_bits(b.profile(), a.profile()));
      if constexpr (std::is_base_of<skygmatrix<T>, M>::value) {
        EXPECT_EQ(b.state(), normal);
      }
      if (enc == 0) {
        gvector<T> w(a.values());
        for (int k = w.imin(); k <= w.imax(); ++k) w[k] = through_text(w[k], gz);
        EXPECT_TRUE(same_bits(b.values(), w));
      } else {
        EXPECT_TRUE(same_bits(b.values(), a.values()));
      }
    }
}

TYPED_TEST(ProfilIoTest, DumpThenLoadReproducesEveryClass) {
  typedef TypeParam T;
  TempDir d;
  std::mt19937 g(7);
  skygmatrix<T> a(random_general_profile(30, 6, g));
  fill_general(a, g);
  round_trips(a, d.dir());
  ASSERT_EQ(a.gauss(), 0);  // factors come back as a matrix in state normal
  round_trips(a, d.dir());
  skysmatrix<T> s(random_sym_profile(30, 6, g));
  fill_sym<T>(s, g);
  round_trips(s, d.dir());
  ASSERT_EQ(s.crout(), 0);
  round_trips(s, d.dir());
  skyhrectmatrix<T> h(random_rect_profile(9, 5, g), 5);
  h = T(3);
  round_trips(h, d.dir());
  skyvrectmatrix<T> v(random_rect_profile(4, 11, g), 11);
  v = T(-2);
  round_trips(v, d.dir());
  round_trips(skygmatrix<T>(), d.dir());
  round_trips(skyhrectmatrix<T>(), d.dir());
}

TYPED_TEST(ProfilIoTest, LoadedMatrixIsNormalWhateverTheDumpedState) {
  typedef TypeParam T;
  TempDir d;
  skygmatrix<T> a = general2<T>();
  ASSERT_EQ(a.gauss(), 0);
  a.b_dump(d.path("g").c_str());
  skygmatrix<T> b = general2<T>();
  ASSERT_EQ(b.gauss(), 0);
  b.b_load(d.path("g").c_str());
  EXPECT_EQ(b.state(), normal);
  EXPECT_TRUE(same_bits(b.values(), a.values()));
  b.gauss();  // accepted again, not refused as factorized
  EXPECT_NE(b.state(), normal);
}

TEST(ProfilIoStreams, SeveralMatricesShareOneStream) {
  TempDir d;
  std::string const name = d.path("two");
  FILE* fp = std::fopen(name.c_str(), "wb");
  general2<double>().f_dump(fp);
  sym3<double>().a_dump(fp);
  hrect<double>().b_dump(fp);
  std::fclose(fp);
  fp = std::fopen(name.c_str(), "rb");
  skygmatrix<double> a;
  skysmatrix<double> s;
  skyhrectmatrix<double> h;
  a.f_load(fp);
  s.a_load(fp);
  h.b_load(fp);
  EXPECT_EQ(std::fgetc(fp), EOF);
  std::fclose(fp);
  EXPECT_TRUE(same_bits(a.values(), general2<double>().values()));
  EXPECT_TRUE(same_bits(s.values(), sym3<double>().values()));
  EXPECT_TRUE(same_bits(h.values(), hrect<double>().values()));

  gzFile z = gzopen(d.path("two.gz").c_str(), "wb9");
  sym3<double>().f_dump(static_cast<void*>(z));
  general2<double>().a_dump(static_cast<void*>(z));
  gzclose(z);
  z = gzopen(d.path("two.gz").c_str(), "rb");
  s.f_load(static_cast<void*>(z));
  a.a_load(static_cast<void*>(z));
  gzclose(z);
  EXPECT_TRUE(same_bits(s.values(), sym3<double>().values()));
  EXPECT_TRUE(same_bits(a.values(), general2<double>().values()));
}

TEST(ProfilIoStreams, PipeReadsInPiecesAndLoads) {
  TempDir d;
  skysmatrix<float> s = sym3<float>();
  s.b_dump(d.path("s").c_str());
  FILE* fp = popen(("cat " + d.path("s")).c_str(), "r");
  skysmatrix<float> b;
  b.b_load(fp);
  pclose(fp);
  EXPECT_TRUE(same_bits(b.values(), s.values()));
}

}  // namespace
