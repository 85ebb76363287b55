// End-to-end test of the Poisson example: second-order convergence of the
// vertex errors under refinement, and its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"
#include "test_util.h"

namespace {

// The example with the space-separated arguments, in a fresh directory.
run_result run_poisson(std::string const& args) {
  std::istringstream in(args);
  std::vector<std::string> argv;
  for (std::string a; in >> a;) argv.push_back(a);
  TempDir d;
  return run(POISSON_EXE, d.dir(), argv);
}

struct row {
  int n, npt;
  double emax, el2;
};

// The table's data lines: n, vertices, max error, order, L2 error, order.
std::vector<row> rows(std::string const& out) {
  std::vector<row> r;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    row x;
    char o1[16], o2[16];
    if (std::sscanf(line.c_str(), "%d %d %lf %15s %lf %15s", &x.n, &x.npt, &x.emax, o1, &x.el2,
                    o2) == 6)
      r.push_back(x);
  }
  return r;
}

TEST(PoissonTest, VertexErrorsConvergeAtSecondOrder) {
  run_result r = run_poisson("4 8 16 32");
  ASSERT_EQ(r.status, 0);
  std::vector<row> t = rows(r.out);
  ASSERT_EQ(t.size(), 4u) << r.out;
  for (std::size_t k = 0; k < t.size(); ++k) {
    EXPECT_EQ(t[k].npt, (t[k].n + 1) * (t[k].n + 1));
    EXPECT_GT(t[k].emax, 0);
    EXPECT_LE(t[k].el2, t[k].emax);
  }
  for (std::size_t k = 1; k < t.size(); ++k) {
    double const h = std::log(static_cast<double>(t[k].n) / t[k - 1].n);
    double const omax = std::log(t[k - 1].emax / t[k].emax) / h;
    double const ol2 = std::log(t[k - 1].el2 / t[k].el2) / h;
    EXPECT_GE(omax, 1.8) << r.out;
    EXPECT_LE(omax, 2.2) << r.out;
    EXPECT_GE(ol2, 1.8) << r.out;
    EXPECT_LE(ol2, 2.2) << r.out;
  }
  // On the 32-cell grid the error is about h^2 / 1.3.
  EXPECT_LT(t[3].emax, 1e-3);
}

TEST(PoissonTest, PrintsTheObservedOrder) {
  run_result r = run_poisson("8 16");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("   2.0"), std::string::npos) << r.out;
}

TEST(PoissonTest, RefusesBadGridSizes) {
  for (char const* args : {"1", "0", "x", "8 8", "16 8", "100000", "8 16x"}) {
    run_result r = run_poisson(args);
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_EQ(rows(r.out).size(), 0u) << args;
  }
}

}  // namespace
