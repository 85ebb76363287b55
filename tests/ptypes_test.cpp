#include "ptypes.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "test_util.h"

namespace {

template <class T>
std::string printed(T x) {
  return written_by([&](FILE* f) { aprint(f, x); });
}

template <class T>
int scanned(const std::string& text, T& val) {
  FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  int r = ascan(f, val);
  std::fclose(f);
  return r;
}

}  // namespace

TEST(PtypesTest, TypeCodes) {
  EXPECT_EQ(ptype(1), 'I');
  EXPECT_EQ(ptype(1.0f), 'F');
  EXPECT_EQ(ptype(1.0), 'D');
  EXPECT_EQ(ptype(std::complex<double>()), 'C');
}

TEST(PtypesTest, IszeroUsesTheTypesEpsilonStrictly) {
  EXPECT_TRUE(iszero(1e-16));
  EXPECT_FALSE(iszero(2.220446049250313e-16));
  EXPECT_TRUE(iszero(-1e-17));
  EXPECT_TRUE(iszero(1e-7f));
  EXPECT_FALSE(iszero(1.2e-7f));
  EXPECT_TRUE(iszero(0));
  EXPECT_FALSE(iszero(1));
  EXPECT_TRUE(iszero(std::complex<double>(1e-17, -1e-17)));
  EXPECT_FALSE(iszero(std::complex<double>(0, 1e-15)));
}

TEST(PtypesTest, RealSquareRootDomain) {
  EXPECT_TRUE(rsqrt_dom(0.0));
  EXPECT_FALSE(rsqrt_dom(-0.5));
  EXPECT_FALSE(rsqrt_dom(std::nan("")));
  EXPECT_TRUE(rsqrt_dom(std::complex<double>(4, 1e-17)));
  EXPECT_FALSE(rsqrt_dom(std::complex<double>(4, 1e-3)));
  EXPECT_FALSE(rsqrt_dom(std::complex<double>(-1, 0)));
  EXPECT_TRUE(rsqrt_dom(3));
  EXPECT_FALSE(rsqrt_dom(-3));
}

TEST(PtypesTest, Magnitudes) {
  EXPECT_EQ(absval(-7), 7.0);
  EXPECT_EQ(absval(INT_MIN), 2147483648.0);
  EXPECT_EQ(absval(-2.5f), 2.5);
  EXPECT_EQ(absval(std::complex<double>(3, 4)), 5.0);
}

TEST(PtypesTest, PlainTextForms) {
  EXPECT_EQ(printed(1.5), "        1.5000000000 ");
  EXPECT_EQ(printed(7), "7 ");
  EXPECT_EQ(printed(0.1f), "        0.1000000015 ");  // widened, not rounded as float
  EXPECT_EQ(printed(std::complex<double>(1, -2)), "        1.0000000000        -2.0000000000 ");
}

TEST(PtypesTest, CompressedTextForms) {
  char buf[TOSTR_MAX];
  EXPECT_EQ(tostr(buf, 1.5), 9);
  EXPECT_STREQ(buf, "1.500000 ");
  EXPECT_EQ(tostr(buf, -3), 3);
  EXPECT_STREQ(buf, "-3 ");
  tostr(buf, std::complex<double>(1, 2));
  EXPECT_STREQ(buf, "1.000000 2.000000 ");
  // The largest double still fits the buffer.
  int n = tostr(buf, -std::numeric_limits<double>::max());
  EXPECT_EQ(n, static_cast<int>(std::strlen(buf)));
}

TEST(PtypesTest, FromstrParsesLeadingNumbers) {
  std::complex<double> z;
  fromstr("3.5 -2", z);
  EXPECT_EQ(z, std::complex<double>(3.5, -2));
  int i = 9;
  fromstr("abc", i);
  EXPECT_EQ(i, 0);
  fromstr("  42xyz", i);
  EXPECT_EQ(i, 42);
  fromstr("99999999999999", i);  // saturates instead of overflowing
  EXPECT_EQ(i, INT_MAX);
  float f;
  fromstr("1e300", f);
  EXPECT_TRUE(std::isinf(f));
  double d = 5;
  EXPECT_EQ(fromstr("x", d), 0);
  EXPECT_EQ(d, 0.0);
}

TEST(PtypesTest, AscanReadsOneValuePerLine) {
  std::complex<double> z;
  EXPECT_EQ(scanned("1 2\n", z), 2);
  EXPECT_EQ(z, std::complex<double>(1, 2));
  double d = 4;
  EXPECT_EQ(scanned("no number\n", d), 0);
  EXPECT_EQ(d, 4.0);
  EXPECT_EQ(scanned("", d), FIN_FICHIER);
  int i = 0;
  EXPECT_EQ(scanned("  -17 trailing\n", i), 1);
  EXPECT_EQ(i, -17);
  float f = 0;
  EXPECT_EQ(scanned("2.5\n", f), 1);
  EXPECT_EQ(f, 2.5f);
}

TEST(PtypesTest, QuotientNeverTraps) {
  EXPECT_EQ(quot(7, 2), 3);
  EXPECT_EQ(quot(-7, 2), -3);
  EXPECT_EQ(quot(INT_MIN, -1), INT_MIN);
  EXPECT_EQ(quot(6, -1), -6);
}

TEST(PtypesDeathTest, IntegerDivisionByZeroStops) {
  EXPECT_FATAL(quot(1, 0), 1, "Division entiere par zero\n");
}
