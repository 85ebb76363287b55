// End-to-end tests of the distributed Poisson example under mpirun: the
// serial example's error table, the same nodal values on 1 and 2
// processes, the profile matrix's Cholesky solution, the VTK pieces read
// back, and its refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "mpirun_util.h"
#include "poisson_q1.h"
#include "profil.h"
#include "test_util.h"

namespace {

struct ligne_table {
  int n, npt;
  double emax, el2;
  std::string omax, ol2;
};

// The data lines of an error table.
std::vector<ligne_table> table(std::string const& out) {
  std::vector<ligne_table> t;
  std::istringstream in(out);
  for (std::string l; std::getline(in, l);) {
    ligne_table x;
    char o1[16], o2[16];
    if (std::sscanf(l.c_str(), "%d %d %lf %15s %lf %15s", &x.n, &x.npt, &x.emax, o1, &x.el2, o2) ==
        6) {
      x.omax = o1;
      x.ol2 = o2;
      t.push_back(x);
    }
  }
  return t;
}

// The solution written by -sol for grid n, over 1..(n+1)^2.
gvector<double> solution(TempDir const& d, std::string const& nom, int n) {
  gvector<double> u;
  u.b_load(d.path(nom + "_" + std::to_string(n)).c_str());
  return u;
}

double ecart_max(gvector<double> const& a, gvector<double> const& b) {
  double e = 0;
  for (int i = a.imin(); i <= a.imax(); ++i) e = std::max(e, std::fabs(a[i] - b[i]));
  return e;
}

std::vector<std::string> avec(std::vector<std::string> a, std::vector<std::string> const& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<std::string> const kDirect = {
    "-ksp_type", "preonly", "-pc_type", "lu", "-pc_factor_mat_solver_type", "mumps"};

TEST(PoissonMpiTest, PrintsTheSerialExamplesErrorTable) {
  TempDir d;
  run_result const s = run(POISSON_EXE, d.dir(), {"8", "16", "32", "64"});
  ASSERT_EQ(s.status, 0) << s.err;
  std::vector<ligne_table> const ts = table(s.out);
  ASSERT_EQ(ts.size(), 4u) << s.out;
  for (int np : {1, 2}) {
    run_result const r = mpirun(np, POISSON_MPI_EXE, {"8", "16", "32", "64"}, d.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), s.out.substr(0, s.out.find('\n')));
    std::vector<ligne_table> const t = table(r.out);
    ASSERT_EQ(t.size(), ts.size()) << r.out;
    for (std::size_t k = 0; k < t.size(); ++k) {
      EXPECT_EQ(t[k].n, ts[k].n);
      EXPECT_EQ(t[k].npt, ts[k].npt);
      EXPECT_NEAR(t[k].emax, ts[k].emax, 1e-6 * ts[k].emax) << np << " " << t[k].n;
      EXPECT_NEAR(t[k].el2, ts[k].el2, 1e-6 * ts[k].el2) << np << " " << t[k].n;
      EXPECT_EQ(t[k].omax, ts[k].omax);
      EXPECT_EQ(t[k].ol2, ts[k].ol2);
    }
    EXPECT_EQ(occurrences(r.err, "Solveur PETSc cg/gamg: "), 4u) << r.err;
  }
}

TEST(PoissonMpiTest, OneAndTwoProcessesGiveTheSameNodalValues) {
  TempDir d;
  int const n = 48;
  // Direct solves: to rounding.
  ASSERT_EQ(mpirun(1, POISSON_MPI_EXE, avec({"48", "-sol", "d1"}, kDirect), d.dir()).status, 0);
  ASSERT_EQ(mpirun(2, POISSON_MPI_EXE, avec({"48", "-sol", "d2"}, kDirect), d.dir()).status, 0);
  EXPECT_LT(ecart_max(solution(d, "d1", n), solution(d, "d2", n)), 1e-10);
  // CG + GAMG to a relative residual of 1e-12: to the solver's tolerance.
  ASSERT_EQ(mpirun(1, POISSON_MPI_EXE, {"48", "-sol", "i1"}, d.dir()).status, 0);
  ASSERT_EQ(mpirun(2, POISSON_MPI_EXE, {"48", "-sol", "i2"}, d.dir()).status, 0);
  EXPECT_LT(ecart_max(solution(d, "i1", n), solution(d, "i2", n)), 1e-8);
  EXPECT_LT(ecart_max(solution(d, "i1", n), solution(d, "d1", n)), 1e-8);
}

// The same discrete problem assembled here into a profile matrix (vertex
// k = j (n + 1) + i + 1 at (i h, j h)) and solved with choleski.
gvector<double> choleski_poisson(int n) {
  int const v = n + 1, nv = v * v;
  double const h = 1.0 / n;
  gvector<int> p(0, nv);
  p[0] = 0;
  for (int k = 1; k <= nv; ++k) p[k] = p[k - 1] + std::min(k, v + 2);
  skysmatrix<double> a(p);
  a = 0.0;
  gvector<double> b(1, nv);
  b = 0.0;
  auto bord = [&](int k) {
    int const i = (k - 1) % v, j = (k - 1) / v;
    return i == 0 || j == 0 || i == n || j == n;
  };
  auto g = [&](int k) { return poisson_q1::exact(((k - 1) % v) * h, ((k - 1) / v) * h); };
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      int const k0 = j * v + i + 1;
      int const nodes[4] = {k0, k0 + 1, k0 + v + 1, k0 + v};
      double const xe[4] = {i * h, (i + 1) * h, (i + 1) * h, i * h};
      double const ye[4] = {j * h, j * h, (j + 1) * h, (j + 1) * h};
      double ke[4][4], fe[4];
      poisson_q1::element(xe, ye, ke, fe);
      for (int r = 0; r < 4; ++r) {
        if (bord(nodes[r])) continue;
        b[nodes[r]] += fe[r];
        for (int c = 0; c < 4; ++c) {
          if (bord(nodes[c]))
            b[nodes[r]] -= ke[r][c] * g(nodes[c]);
          else if (nodes[r] >= nodes[c])
            a(nodes[r], nodes[c]) += ke[r][c];
        }
      }
    }
  for (int k = 1; k <= nv; ++k)
    if (bord(k)) {
      a(k, k) = 1;
      b[k] = g(k);
    }
  EXPECT_EQ(a.choleski(), 0);
  gvector<double> u;
  a.solve(b, u);
  return u;
}

TEST(PoissonMpiTest, AgreesWithTheProfileMatrixsCholeskiSolution) {
  TempDir d;
  int const n = 40;
  gvector<double> const u = choleski_poisson(n);
  for (int np : {1, 2}) {
    std::string const nom = "c" + std::to_string(np);
    ASSERT_EQ(mpirun(np, POISSON_MPI_EXE, avec({"40", "-sol", nom}, kDirect), d.dir()).status, 0);
    gvector<double> const x = solution(d, nom, n);
    ASSERT_EQ(x.imax(), u.imax());
    EXPECT_LT(ecart_max(x, u), 1e-10) << np;
  }
}

// Each process writes its band; the index lists the pieces, meshio reads
// each one, and together they hold every vertex with the solution's value
// (the vertex row shared by two bands in both).
TEST(PoissonMpiTest, WritesPiecesThatReadBackAsTheWholeSolution) {
  TempDir d;
  int const n = 20;
  run_result const r =
      mpirun(2, POISSON_MPI_EXE, avec({"20", "-vtk", "vue/p", "-sol", "s"}, kDirect), d.dir());
  // The directory of the prefix must exist: the first run refuses it.
  EXPECT_EQ(r.status, 209) << r.err;
  ASSERT_EQ(system(("mkdir '" + d.path("vue") + "'").c_str()), 0);
  run_result const ok =
      mpirun(2, POISSON_MPI_EXE, avec({"20", "-vtk", "vue/p", "-sol", "s"}, kDirect), d.dir());
  ASSERT_EQ(ok.status, 0) << ok.err;
  gvector<double> const u = solution(d, "s", n);
  run_result const py = run(MESHIO_PYTHON, d.dir(), {PVTU_CHECK, d.path("vue/p_20.pvtu")});
  ASSERT_EQ(py.status, 0) << py.err;
  std::istringstream in(py.out);
  std::vector<std::string> pieces;
  std::map<int, int> vus;
  for (std::string l; std::getline(in, l);) {
    char nom[256], type[32];
    int pts = 0, cells = 0;
    double x, y, v;
    if (std::sscanf(l.c_str(), "piece %255s %d %d %31s", nom, &pts, &cells, type) == 4) {
      pieces.push_back(nom);
      EXPECT_EQ(pts, 11 * 21);  // 10 cell rows each
      EXPECT_EQ(cells, 10 * 20);
      EXPECT_STREQ(type, "quad");
    } else if (std::sscanf(l.c_str(), "%lf %lf %lf", &x, &y, &v) == 3) {
      int const i = static_cast<int>(std::lround(x * n)), j = static_cast<int>(std::lround(y * n));
      int const k = j * (n + 1) + i + 1;
      ASSERT_TRUE(k >= 1 && k <= u.imax()) << l;
      EXPECT_EQ(v, u[k]) << l;
      ++vus[k];
    }
  }
  EXPECT_EQ(pieces, (std::vector<std::string>{"p_20_0.vtu", "p_20_1.vtu"}));
  EXPECT_EQ(static_cast<int>(vus.size()), u.imax());
  for (auto const& kv : vus)
    EXPECT_EQ(kv.second, (kv.first - 1) / (n + 1) == 10 ? 2 : 1) << kv.first;
}

TEST(PoissonMpiTest, RefusesBadGridSizesOnceForAllProcesses) {
  TempDir d;
  std::vector<std::pair<int, std::vector<std::string>>> const bad = {
      {2, {"1"}}, {2, {"x"}}, {2, {"8", "8"}}, {2, {"16", "8"}}, {2, {"40000"}}, {3, {"2"}}};
  for (auto const& b : bad) {
    run_result const r = mpirun(b.first, POISSON_MPI_EXE, b.second, d.dir());
    EXPECT_EQ(r.status, 1) << b.second[0];
    EXPECT_EQ(occurrences(r.err, "Usage: "), 1u) << r.err;
    EXPECT_EQ(table(r.out).size(), 0u) << r.out;
  }
}

TEST(PoissonMpiTest, UnknownSolverIsAPetscError) {
  TempDir d;
  run_result const r = mpirun(2, POISSON_MPI_EXE, {"8", "-ksp_type", "pas_un_solveur"}, d.dir());
  EXPECT_EQ(r.status, 230) << r.err;
  EXPECT_NE(r.err.find("Erreur PETSc 86 (Unknown type. Check for miss-spelling or missing package"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("pas_un_solveur"), std::string::npos) << r.err;
}

}  // namespace
