#include "gzutils.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include <zlib.h>

#include "test_util.h"

namespace {

void write_gz(const std::string& name, const std::string& bytes) {
  gzFile z = gzopen(name.c_str(), "w9");
  ASSERT_NE(z, nullptr);
  if (!bytes.empty()) gzwrite(z, bytes.data(), unsigned(bytes.size()));
  gzclose(z);
}

std::string printf_form(char const* fmt, double x) {
  char b[512];
  int k = std::snprintf(b, sizeof b, fmt, x);
  return std::string(b, std::size_t(k));
}

std::string fixe(double x, int prec, int width) {
  char b[1024];
  return std::string(b, std::size_t(fmt_fixe(b, x, prec, width)));
}

}  // namespace

TEST(GzNameTest, OnlyATrailingDotGzCompresses) {
  EXPECT_TRUE(gz_nom("mesh.gz"));
  EXPECT_TRUE(gz_nom("a.b.gz"));
  EXPECT_TRUE(gz_nom("/tmp/x/.gz"));
  EXPECT_FALSE(gz_nom("data.GZ"));
  EXPECT_FALSE(gz_nom("data.gz.txt"));
  EXPECT_FALSE(gz_nom("data.gzip"));
  EXPECT_FALSE(gz_nom("dir.gz/file"));
  EXPECT_FALSE(gz_nom("nodot"));
  EXPECT_FALSE(gz_nom("gz"));
  EXPECT_FALSE(gz_nom(""));
}

TEST(GzgetsTest, ReadsLinesThenReportsTheEnd) {
  TempDir d;
  std::string name = d.path("l.gz");
  write_gz(name, "12 34\n56");
  gzFile z = gzopen(name.c_str(), "r");
  char st[100];
  EXPECT_EQ(gzgets(st, 100, z), 5);
  EXPECT_STREQ(st, "12 34\n");
  EXPECT_EQ(gzgets(st, 100, z), FIN_FICHIER);
  EXPECT_EQ(st[0], '5');
  EXPECT_EQ(st[1], '6');
  EXPECT_EQ(gzgets(st, 100, z), FIN_FICHIER);
  gzclose(z);
}

TEST(GzgetsTest, LongLinesGiveShortString) {
  TempDir d;
  std::string name = d.path("l.gz");
  write_gz(name, "0123456789\n012345678\nab\n");
  gzFile z = gzopen(name.c_str(), "r");
  char st[16];
  std::memset(st, 'x', sizeof st);
  EXPECT_EQ(gzgets(st, 10, z), SHORT_STRING);  // ten characters, no newline met
  EXPECT_EQ(std::string(st, 10), "0123456789");
  EXPECT_EQ(st[10], 'x');           // nothing written past len
  EXPECT_EQ(gzgets(st, 16, z), 0);  // the newline left over
  // Nine characters and the newline fill len = 10: no room for the terminator.
  std::memset(st, 'x', sizeof st);
  EXPECT_EQ(gzgets(st, 10, z), SHORT_STRING);
  EXPECT_EQ(st[9], '\n');
  EXPECT_EQ(st[10], 'x');
  EXPECT_EQ(gzgets(st, 10, z), 2);
  EXPECT_STREQ(st, "ab\n");
  gzclose(z);
}

TEST(FormatTest, FixedFormsMatchPrintfByteForByte) {
  std::mt19937_64 g(12345);
  std::vector<double> xs = {0.0,
                            -0.0,
                            1.5,
                            -2.0,
                            0.00048828125,  // exact tie at 10 decimals: to even
                            0.00146484375,  // tie, odd neighbour
                            -0.00048828125,
                            0.5e-10,
                            0.49999999999e-10,
                            -1e-300,
                            4.9e-324,
                            2.2250738585072014e-308,
                            999999999999999.9,
                            1e15,
                            -1e15,
                            1e300,
                            -1.7976931348623157e308,
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN(),
                            -std::numeric_limits<double>::quiet_NaN(),
                            0.1,
                            0.7,
                            123456.0000000000500,
                            9.99999999995,
                            0.9999995,
                            0.0000005};
  for (int k = 0; k < 60; ++k) xs.push_back(std::ldexp(double(2 * k + 1), -k));  // dyadic ties
  std::uniform_int_distribution<std::uint64_t> bits;
  for (int k = 0; k < 200000; ++k) {
    std::uint64_t b = bits(g);
    double x;
    std::memcpy(&x, &b, sizeof x);
    xs.push_back(x);
  }
  std::uniform_real_distribution<double> u(-1, 1);
  std::uniform_int_distribution<int> ex(-40, 50);
  for (int k = 0; k < 300000; ++k) xs.push_back(std::ldexp(u(g), ex(g)));
  // Values with few significant digits sit on rounding boundaries.
  for (int k = 0; k < 100000; ++k)
    xs.push_back(double(std::int64_t(bits(g) % 2000000001) - 1000000000) * 0.5e-10);
  for (int k = 0; k < 100000; ++k)
    xs.push_back(double(std::int64_t(bits(g) % 20000001) - 10000000) * 0.5e-6);
  int bad = 0;
  for (double x : xs) {
    if (fixe(x, 10, 20) != printf_form("%20.10f", x) || fixe(x, 6, 0) != printf_form("%f", x)) {
      if (++bad < 5) ADD_FAILURE() << "value " << printf_form("%.17g", x);
    }
  }
  EXPECT_EQ(bad, 0);
}

TEST(FormatTest, IntegerFormMatchesPrintf) {
  std::mt19937 g(7);
  std::vector<int> is = {
      0, 1, -1, 9, 10, -10, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()};
  for (int k = 0; k < 10000; ++k) is.push_back(int(g()));
  for (int i : is) {
    char b[32], c[32];
    int k = fmt_int(b, i);
    int m = std::snprintf(c, sizeof c, "%d", i);
    EXPECT_EQ(std::string(b, std::size_t(k)), std::string(c, std::size_t(m)));
  }
}

// The buffer forms are those of aprint and tostr.
template <class T>
class ElementFormTest : public ::testing::Test {};
TYPED_TEST_SUITE(ElementFormTest, AllScalars);

TYPED_TEST(ElementFormTest, BufferFormsEqualAprintAndTostr) {
  std::vector<TypeParam> vals = {TypeParam(0), TypeParam(7), TypeParam(-3), TypeParam(123456)};
  if constexpr (!std::is_same_v<TypeParam, int>) {
    vals.push_back(TypeParam(1.5));
    vals.push_back(TypeParam(-1e-7));
    vals.push_back(TypeParam(3.14159265358979));
  }
  if constexpr (std::is_same_v<TypeParam, std::complex<double>>)
    vals.push_back(TypeParam(1.25, -2e20));
  for (TypeParam x : vals) {
    char b[2048];
    EXPECT_EQ(std::string(b, std::size_t(fmt_aprint(b, x))),
              written_by([&](FILE* fp) { aprint(fp, x); }));
    char t[TOSTR_MAX];
    int n = tostr(t, x);
    EXPECT_EQ(std::string(b, std::size_t(fmt_tostr(b, x))), std::string(t, std::size_t(n)));
  }
}

TEST(FluxTest, ReportsBytesLeftOnlyForRegularFiles) {
  TempDir d;
  std::string name = d.path("f");
  write_file(name, "0123456789");
  FILE* fp = std::fopen(name.c_str(), "r");
  flux f(fp, name.c_str());
  EXPECT_EQ(f.reste(), 10);
  char b[4];
  f.lit(b, 4);
  EXPECT_EQ(f.reste(), 6);
  std::fclose(fp);
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  FILE* r = fdopen(p[0], "r");
  flux g(r, nullptr);
  EXPECT_EQ(g.reste(), -1);
  std::fclose(r);
  close(p[1]);
}

TEST(IoEntiersTest, ParsesIntsAndRefusesOverflow) {
  int v[4];
  EXPECT_EQ(io_entiers("1 -2 3 4\n", v, 4), 4);
  EXPECT_EQ(v[1], -2);
  EXPECT_EQ(io_entiers("1 x", v, 2), 1);
  EXPECT_EQ(io_entiers("99999999999 1", v, 2), 0);
}

TEST(GzutilsDeathTest, OpenFailuresStopWithTheGivenMessage) {
  EXPECT_FATAL(fic_ouvre("/nonexistent/dir/f", "r", "Message plain"), 1, "Message plain");
  EXPECT_FATAL(gz_ouvre("/nonexistent/dir/f.gz", "r", "Message gz"), 1, "Message gz");
  EXPECT_FATAL(gz_ouvre("/nonexistent/dir/f.gz", "w9", "Message gz"), 1, "Message gz");
}

TEST(GzutilsDeathTest, ShortDataNamesTheFile) {
  TempDir d;
  std::string name = d.path("court.bin");
  write_file(name, "abc");
  auto lire = [&](int gz) {
    if (gz) {
      gzFile z = gzopen(name.c_str(), "rb");
      flux f(static_cast<void*>(z), name.c_str());
      char b[8];
      f.lit(b, 8);
    } else {
      FILE* fp = std::fopen(name.c_str(), "r");
      flux f(fp, name.c_str());
      char b[8];
      f.lit(b, 8);
    }
  };
  // The child of a death test makes its own directory: match the file's own name.
  EXPECT_FATAL(lire(0), 1, "Fin de fichier prematuree: /tmp/utils_test_");
  EXPECT_FATAL(lire(1), 1, "/court.bin\n");
}

TEST(GzutilsDeathTest, FailedWritesAreNotSuccess) {
  auto plein = [] {
    FILE* fp = std::fopen("/dev/full", "w");
    flux f(fp, "/dev/full");
    f.ecrit("abc", 3);
    f.termine();
  };
  EXPECT_FATAL(plein(), 1, "Erreur d'ecriture de fichier: /dev/full");
  auto ferme = [] {
    FILE* fp = std::fopen("/dev/full", "w");
    std::fputs("abc", fp);
    fic_ferme(fp, "/dev/full", 1);
  };
  EXPECT_FATAL(ferme(), 1, "Erreur d'ecriture de fichier: /dev/full");
  auto gzplein = [] {
    void* z = gz_ouvre("/dev/full", "w9", "x");
    flux f(z, "/dev/full");
    f.ecrit("abc", 3);
    gz_ferme(z, "/dev/full", 1);
  };
  EXPECT_FATAL(gzplein(), 1, "Erreur d'ecriture de fichier: /dev/full");
}
