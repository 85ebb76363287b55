// End-to-end tests of the reg_m program: file bytes, report, exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "kadro_bytes.h"
#include "run_program.h"
#include "test_util.h"

namespace {

// Runs reg_m in `dir` with the given arguments; argv[0] is its full path.
run_result run_reg_m(std::string const& dir, std::vector<std::string> args) {
  return run(REG_M_EXE, dir, std::move(args));
}

std::string const kDate = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d)";
std::string const kTime = R"([ 0-9]{4}\.\ds)";

std::string start_re() { return "Programme " + fatal_re(REG_M_EXE) + " debut a " + kDate + "\n"; }

std::string report_re() {
  std::string const row = "\\|  " + kTime + "\\|  " + kTime + "\\| " + kTime + "\\|\n";
  return "\n" + fatal_re(REG_M_EXE) + ": fin a " + kDate + "\n" +
         fatal_re(
             "\n----------------------------------------\n"
             "|Temps CPU|     User|   System|   Total|\n"
             "|--------------------------------------|\n") +
         "\\|Programme" + row + "\\|Appels   " + row +
         fatal_re("|--------------------------------------|\n") + "\\|TOTAL    " + row +
         fatal_re("----------------------------------------\n");
}

bool full_match(std::string const& text, std::string const& re) {
  return std::regex_match(text, std::regex(re));
}

std::string title(int nx, int ny) {
  char t[160];
  std::snprintf(t, sizeof t, "%72s %d x %d", "Maillage rectangulaire automatique", nx, ny);
  return std::string(t).substr(0, 80);
}

std::string usage() { return std::string("Usage: ") + REG_M_EXE + " [-b] minx dx nx miny dy ny\n"; }

bool exists(std::string const& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

}  // namespace

TEST(RegMTest, OptionBWritesWorkedExample) {
  TempDir d;
  run_result r = run_reg_m(d.dir(), {"-b", "0", "1", "2", "0", "1", "1"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(full_match(r.err, start_re() + report_re())) << r.err;
  std::string bytes = read_file(d.path("reg_m.kadro2D"));
  EXPECT_EQ(bytes.size(), 528u);
  EXPECT_EQ(bytes, grid_2x1_bytes(title(2, 1), -0.5f, -0.5f).b);
}

TEST(RegMTest, VertexCountsGiveSameConnectivityOnOrigin) {
  TempDir d;
  run_result r = run_reg_m(d.dir(), {"0", "1", "3", "0", "1", "2"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(read_file(d.path("reg_m.kadro2D")), grid_2x1_bytes(title(3, 2), 0.0f, 0.0f).b);
}

TEST(RegMTest, TwoByOneVerticesGiveNoElement) {
  TempDir d;
  run_result r = run_reg_m(d.dir(), {"0", "1", "2", "0", "1", "1"});
  EXPECT_EQ(r.status, 0);
  kadro_bytes k;
  k.title(title(2, 1)).header(2).vertex(0, 0, 0, 0).vertex(1, 0, 0, 0);
  k.group(1, 0, 4);
  EXPECT_EQ(read_file(d.path("reg_m.kadro2D")), k.b);
}

TEST(RegMTest, ZeroCellsGiveOneRowOfVertices) {
  TempDir d;
  run_result r = run_reg_m(d.dir(), {"-b", "0", "2", "0", "0", "2", "1"});
  EXPECT_EQ(r.status, 0);
  kadro_bytes k;
  k.title(title(0, 1)).header(2).vertex(-1, -1, 0, 0).vertex(-1, 1, 0, 0);
  k.group(1, 0, 4);
  EXPECT_EQ(read_file(d.path("reg_m.kadro2D")), k.b);

  r = run_reg_m(d.dir(), {"0", "1", "0", "0", "1", "0"});
  EXPECT_EQ(r.status, 0);
  kadro_bytes none;
  none.title(title(0, 0)).header(0).group(1, 0, 4);
  EXPECT_EQ(read_file(d.path("reg_m.kadro2D")), none.b);
}

TEST(RegMTest, CoordinatesAreComputedInDoublePrecision) {
  TempDir d;
  run_result r = run_reg_m(d.dir(), {"-b", "--", "0.1", "0.3", "7", "-2.7", "0.7", "1"});
  ASSERT_EQ(r.status, 0);
  std::string const bytes = read_file(d.path("reg_m.kadro2D"));
  ASSERT_EQ(bytes.size(), 104u + 16 * 56 + 24 + 7 * 32);
  float const minx = 0.1f, dx = 0.3f, miny = -2.7f, dy = 0.7f;
  for (int k = 0; k < 16; ++k) {
    int const i = k % 8, j = k / 8;
    float x, y;
    std::memcpy(&x, bytes.data() + 104 + 56 * k + 4, 4);
    std::memcpy(&y, bytes.data() + 104 + 56 * k + 8, 4);
    EXPECT_EQ(x, static_cast<float>((static_cast<double>(i) * dx + minx) -
                                    static_cast<double>(dx) * 0.5));
    EXPECT_EQ(y, static_cast<float>((static_cast<double>(j) * dy + miny) -
                                    static_cast<double>(dy) * 0.5));
  }
}

TEST(RegMTest, TitleIsCutAt80Characters) {
  TempDir d;
  ASSERT_EQ(run_reg_m(d.dir(), {"-b", "0", "1", "10", "0", "1", "10"}).status, 0);
  EXPECT_EQ(read_file(d.path("reg_m.kadro2D")).substr(4, 80),
            std::string(38, ' ') + "Maillage rectangulaire automatique 10 x 10");
  ASSERT_EQ(run_reg_m(d.dir(), {"-b", "0", "1", "100", "0", "1", "100"}).status, 0);
  EXPECT_EQ(read_file(d.path("reg_m.kadro2D")).substr(0, 88),
            kadro_bytes().title(title(100, 100)).b);
  EXPECT_EQ(title(100, 100).substr(72), " 100 x 1");
}

TEST(RegMTest, UsageErrorsWriteNothing) {
  std::vector<std::vector<std::string>> const cases = {
      {"0", "1", "2", "0", "1"},
      {"-b", "0", "1", "2", "0", "1", "1", "9"},
      {},
  };
  for (auto const& args : cases) {
    TempDir d;
    run_result r = run_reg_m(d.dir(), args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(full_match(r.err, start_re() + fatal_re(usage()) + report_re())) << r.err;
    EXPECT_FALSE(exists(d.path("reg_m.kadro2D")));
  }
}

TEST(RegMTest, UnknownOptionsPrintUsage) {
  for (char const* opt : {"-x", "-1"}) {
    TempDir d;
    run_result r = run_reg_m(d.dir(), {opt, "0", "1", "2", "0", "1", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(std::regex_search(r.err, std::regex(fatal_re(usage()) + report_re()))) << r.err;
    EXPECT_FALSE(exists(d.path("reg_m.kadro2D")));
  }
}

TEST(RegMTest, NegativeCountsAreRefused) {
  TempDir d;
  run_result r = run_reg_m(d.dir(), {"-b", "--", "0", "1", "-2", "0", "1", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(full_match(
      r.err, start_re() + fatal_re("Nombre de mailles negatif: nx=-2 ny=1\n") + report_re()))
      << r.err;
  EXPECT_FALSE(exists(d.path("reg_m.kadro2D")));
  r = run_reg_m(d.dir(), {"--", "0", "1", "3", "0", "1", "-1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Nombre de mailles negatif: nx=3 ny=-1\n"), std::string::npos);
  EXPECT_FALSE(exists(d.path("reg_m.kadro2D")));
}

TEST(RegMTest, OverflowingSizesAreRefused) {
  TempDir d;
  for (auto const& args :
       std::vector<std::vector<std::string>>{{"-b", "0", "1", "100000", "0", "1", "100000"},
                                             {"-b", "0", "1", "2147483647", "0", "1", "1"},
                                             {"0", "1", "65536", "0", "1", "65536"}}) {
    run_result r = run_reg_m(d.dir(), args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(std::regex_search(
        r.err, std::regex(fatal_re("Maillage trop grand: nx=" + args[args.size() - 4] +
                                   " ny=" + args.back() + "\n") +
                          report_re())))
        << r.err;
    EXPECT_FALSE(exists(d.path("reg_m.kadro2D")));
  }
}

TEST(RegMTest, OutputThatCannotBeOpenedEndsWith209) {
  TempDir d;
  ASSERT_EQ(mkdir(d.path("reg_m.kadro2D").c_str(), 0755), 0);
  run_result r = run_reg_m(d.dir(), {"-b", "0", "1", "2", "0", "1", "1"});
  EXPECT_EQ(r.status, 209);
  EXPECT_TRUE(full_match(r.err, start_re() +
                                    fatal_re("Rcourb: problemmes d'ouvertoure du fichier "
                                             "reg_m.kadro2D\nIs a directory\n") +
                                    report_re()))
      << r.err;
}

TEST(RegMTest, FailedWriteEndsWith209) {
  TempDir d;
  ASSERT_EQ(symlink("/dev/full", d.path("reg_m.kadro2D").c_str()), 0);
  run_result r = run_reg_m(d.dir(), {"-b", "0", "1", "2", "0", "1", "1"});
  EXPECT_EQ(r.status, 209);
  EXPECT_TRUE(full_match(r.err, start_re() +
                                    fatal_re("Rcourb: erreur d'ecriture du fichier "
                                             "reg_m.kadro2D\nNo space left on device\n") +
                                    report_re()))
      << r.err;
}
