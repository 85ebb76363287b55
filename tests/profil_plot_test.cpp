// Diagnostic exports of the profile matrices: plot segments, line sums and
// 3-D grid files.
#include "profil.h"

#include <string>

#include "profil_helpers.h"
#include "profil_io_util.h"
#include "test_util.h"

using namespace ph;
using namespace pio_test;

namespace {

// General 3 x 3, m = 0, 1, 1: line 2 from column 1, line 3 from column 2.
template <class T>
skygmatrix<T> general3() {
  skygmatrix<T> a(prof({0, 1, 4, 7}));
  a(1, 1) = T(1);
  a(2, 1) = T(-2);
  a(1, 2) = T(3);
  a(2, 2) = T(4);
  a(3, 2) = T(5);
  a(2, 3) = T(-6);
  a(3, 3) = T(7);
  return a;
}

std::string pts(std::initializer_list<int> v) {
  std::string s;
  int k = 0;
  for (int x : v) {
    s += std::to_string(x) + (k % 2 ? "\n" : " ");
    if (k % 4 == 3) s += "\n";
    ++k;
  }
  return s;
}

template <class T>
class ProfilPlotTest : public ::testing::Test {};
TYPED_TEST_SUITE(ProfilPlotTest, AllScalars);

TEST(ProfilPlot, GeneralDrawsColumnThenRowRunOfEachLine) {
  TempDir d;
  general3<double>().gr_profil(d.path("g").c_str(), 0, 0);
  EXPECT_EQ(read_file(d.path("g")), pts({1, -1, 1, -1, 1, -1, 1, -1,  //
                                         2, -1, 2, -2, 1, -2, 2, -2,  //
                                         3, -2, 3, -3, 2, -3, 3, -3}));
  FILE* fp = std::fopen(d.path("o").c_str(), "w");
  general3<double>().gr_profil(fp, 10, 100);
  std::fclose(fp);
  EXPECT_EQ(read_file(d.path("o")), pts({11, -101, 11, -101, 11, -101, 11, -101,  //
                                         12, -101, 12, -102, 11, -102, 12, -102,  //
                                         13, -102, 13, -103, 12, -103, 13, -103}));
}

TEST(ProfilPlot, SymmetricDrawsColumnRunsOnly) {
  TempDir d;
  skysmatrix<float> s(prof({0, 1, 3, 4}));
  s = 1.0f;
  skygmatrix<float> const& base = s;  // virtual dispatch
  base.gr_profil(d.path("s").c_str(), 0, 0);
  EXPECT_EQ(read_file(d.path("s")), pts({1, -1, 1, -1, 2, -1, 2, -2, 3, -3, 3, -3}));
}

TEST(ProfilPlot, RectangularDrawsOneSegmentPerRun) {
  TempDir d;
  skyhrectmatrix<int> h(prof({0, 1, 3}), 3);
  h = 1;
  h.gr_profil(d.path("h").c_str(), 1, 2);
  // Rows: (pcnn + jof, -i - iof) to (jmax + jof, -i - iof).
  EXPECT_EQ(read_file(d.path("h")), pts({5, -2, 5, -2, 4, -3, 5, -3}));
  skyvrectmatrix<int> v(prof({0, 2, 3}), 3);
  v = 1;
  v.gr_profil(d.path("v").c_str(), 1, 2);
  // Columns: (j + jof, -plnn - iof) to (j + jof, -imax - iof).
  EXPECT_EQ(read_file(d.path("v")), pts({3, -3, 3, -4, 4, -4, 4, -4}));
}

TEST(ProfilPlot, DiagonalGivesDegenerateSegments) {
  TempDir d;
  skygmatrix<double> a(prof({0, 1, 2}));
  a = 1.0;
  a.gr_profil(d.path("g").c_str(), 0, 0);
  EXPECT_EQ(read_file(d.path("g")), pts({1, -1, 1, -1, 1, -1, 1, -1, 2, -2, 2, -2, 2, -2, 2, -2}));
}

std::string sum_line(int i, std::string const& v) {
  char b[16];
  std::snprintf(b, sizeof b, "%6d ", i);
  return b + v + "\n";
}

TYPED_TEST(ProfilPlotTest, SumLinesOfTheIdentity) {
  typedef TypeParam T;
  TempDir d;
  skygmatrix<T> a(prof({0, 1, 2, 3}));
  a = T(1);
  a.sum_lines(d.path("i").c_str());
  std::string const one = text(T(1), 0);
  EXPECT_EQ(read_file(d.path("i")), sum_line(1, one) + sum_line(2, one) + sum_line(3, one));
}

TYPED_TEST(ProfilPlotTest, SumLinesAddFullRows) {
  typedef TypeParam T;
  TempDir d;
  general3<T>().sum_lines(d.path("g").c_str());
  EXPECT_EQ(read_file(d.path("g")),
            sum_line(1, text(T(4), 0)) + sum_line(2, text(T(-4), 0)) + sum_line(3, text(T(12), 0)));
  // Symmetric: row 1 is (4, -1, 0), row 2 (-1, 5, 0), row 3 (0, 0, 6).
  skysmatrix<T> s(prof({0, 1, 3, 4}));
  s(1, 1) = T(4);
  s(2, 1) = T(-1);
  s(2, 2) = T(5);
  s(3, 3) = T(6);
  s.sum_lines(d.path("s").c_str());
  EXPECT_EQ(read_file(d.path("s")),
            sum_line(1, text(T(3), 0)) + sum_line(2, text(T(4), 0)) + sum_line(3, text(T(6), 0)));
}

TEST(ProfilPlot, HermitianSumsConjugateTheUpperTriangle) {
  TempDir d;
  skyhmatrix h(prof({0, 1, 3}));
  h(1, 1) = C(1, 0);
  h(2, 1) = C(0, 2);
  h(2, 2) = C(1, 0);
  h.sum_lines(d.path("h").c_str());
  EXPECT_EQ(read_file(d.path("h")), sum_line(1, text(C(1, -2), 0)) + sum_line(2, text(C(1, 2), 0)));
}

// Record-framed grid: nx, ny; coordinates; nx * ny values row by row.
std::string grid(int x0, int nx, int y0, int ny, std::initializer_list<float> v) {
  octets c, g;
  for (int j = 0; j < nx; ++j) c.f(float(x0 + j));
  for (int i = 0; i < ny; ++i) c.f(float(y0 + i));
  for (float x : v) g.f(x);
  EXPECT_EQ(int(v.size()), nx * ny);
  return octets().rec(octets().i(nx).i(ny)).rec(c).rec(g).s;
}

TYPED_TEST(ProfilPlotTest, C3dGridsHoldEveryPoint) {
  typedef TypeParam T;
  TempDir d;
  skygmatrix<T> a = general3<T>();
  a.c3d_profil(d.path("p").c_str());
  EXPECT_EQ(read_file(d.path("p")), grid(1, 3, 1, 3, {1, 1, 0, 1, 1, 1, 0, 1, 1}));
  a.c3d_val(d.path("v").c_str());
  EXPECT_EQ(read_file(d.path("v")), grid(1, 3, 1, 3, {1, 3, 0, 2, 4, 6, 0, 5, 7}));
  skysmatrix<T> s(prof({0, 1, 3, 4}));
  s = T(-2);
  s.c3d_profil(d.path("sp").c_str());
  EXPECT_EQ(read_file(d.path("sp")), grid(1, 3, 1, 3, {1, 1, 0, 1, 1, 0, 0, 0, 1}));
  s.c3d_val(d.path("sv").c_str());
  EXPECT_EQ(read_file(d.path("sv")), grid(1, 3, 1, 3, {2, 2, 0, 2, 2, 0, 0, 0, 2}));

  skyhrectmatrix<T> h(prof({0, 1, 3}), 3);
  h = T(-3);
  h.c3d_profil(d.path("hp").c_str());
  EXPECT_EQ(read_file(d.path("hp")), grid(1, 3, 1, 2, {0, 0, 1, 0, 1, 1}));
  FILE* fp = std::fopen(d.path("hv").c_str(), "wb");
  h.c3d_val(fp);
  std::fclose(fp);
  EXPECT_EQ(read_file(d.path("hv")), grid(1, 3, 1, 2, {0, 0, 3, 0, 3, 3}));
  skyvrectmatrix<T> v(prof({0, 2, 3}), 3);
  v = T(1);
  v.c3d_profil(d.path("vp").c_str());
  EXPECT_EQ(read_file(d.path("vp")), grid(1, 2, 1, 3, {0, 0, 1, 0, 1, 1}));
}

TEST(ProfilPlot, C3dValUsesMagnitudes) {
  TempDir d;
  skygmatrix<C> a(prof({0, 1}));
  a(1, 1) = C(3, 4);
  a.c3d_val(d.path("c").c_str());
  EXPECT_EQ(read_file(d.path("c")), grid(1, 1, 1, 1, {5}));
  skygmatrix<C> e;
  e.c3d_profil(d.path("e").c_str());
  EXPECT_EQ(read_file(d.path("e")), grid(1, 0, 1, 0, {}));
}

}  // namespace
