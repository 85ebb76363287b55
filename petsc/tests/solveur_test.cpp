// Solves through PETSc against the library's own factorizations, and the
// options database choosing the method, under mpirun with 1 to 3 processes.
#include <gtest/gtest.h>

#include <cstring>

#include "matrices_test_util.h"

namespace {

// Solves A x = b with PETSc, x back on every process over 1..n.
gvector<double> resout(Mat a, gvector<double> const& b, petsc_solveur const& s,
                       petsc_bilan* bilan = nullptr) {
  Vec pb = vers_petsc(b), px;
  VecDuplicate(pb, &px);
  petsc_bilan const r = resout_petsc(a, pb, px, s);
  if (bilan != nullptr) *bilan = r;
  gvector<double> x = depuis_petsc(px);
  VecDestroy(&pb);
  VecDestroy(&px);
  return x;
}

// A direct solve: PETSc's own LU on one process, MUMPS on several.
petsc_solveur direct() {
  petsc_solveur s;
  s.ksp = KSPPREONLY;
  s.pc = PCLU;
  s.prefixe = "direct_";
  PetscOptionsSetValue(nullptr, "-direct_pc_factor_mat_solver_type",
                       taille_monde() > 1 ? "mumps" : "petsc");
  return s;
}

gvector<double> second_membre(int n) {
  gvector<double> b(1, n);
  for (int i = 1; i <= n; ++i) b[i] = std::sin(0.37 * i) + 0.5;
  return b;
}

// The library's own solution of a x = b (a is factored in place).
gvector<double> par_choleski(skysmatrix<double>& a, gvector<double> const& b) {
  EXPECT_EQ(a.choleski(), 0);
  gvector<double> x;
  a.solve(b, x);
  return x;
}

double ecart_max(gvector<double> const& a, gvector<double> const& b) {
  double e = 0;
  for (int i = a.imin(); i <= a.imax(); ++i) e = std::max(e, std::fabs(a[i] - b[i]));
  return e;
}

TEST(SolveurTest, DirectSolveAgreesWithCholeskiOnTheGridLaplacian) {
  skysmatrix<double> a = laplacien(24);
  gvector<double> const b = second_membre(a.imax());
  Mat m = vers_petsc(a);
  gvector<double> const x = resout(m, b, direct());
  gvector<double> const xc = par_choleski(a, b);
  EXPECT_LT(ecart_max(x, xc), 1e-10);
  MatDestroy(&m);
}

TEST(SolveurTest, DirectSolveAgreesWithGaussOnGeneralMatrices) {
  skygmatrix<double> a(profil_aleatoire(60, 8, false, 5));
  remplit(a, 9);
  gmatrix<double> d(1, 30, 1, 30);
  for (int i = 1; i <= 30; ++i)
    for (int j = 1; j <= 30; ++j) d(i, j) = i == j ? 40.0 : std::cos(i * 1.3 + j);
  Mat ma = vers_petsc(a), md = vers_petsc(d);
  gvector<double> const ba = second_membre(60), bd = second_membre(30);
  gvector<double> const xa = resout(ma, ba, direct()), xd = resout(md, bd, direct());
  ASSERT_EQ(a.gauss(), 0);
  ASSERT_EQ(d.gauss(), 0);
  gvector<double> ya, yd;
  a.solve(ba, ya);
  d.solve(bd, yd);
  EXPECT_LT(ecart_max(xa, ya), 1e-12);
  EXPECT_LT(ecart_max(xd, yd), 1e-12);
  MatDestroy(&ma);
  MatDestroy(&md);
}

TEST(SolveurTest, CgWithGamgConvergesToTheTolerance) {
  skysmatrix<double> a = laplacien(40);
  gvector<double> const b = second_membre(a.imax());
  Mat m = vers_petsc(a);
  petsc_solveur s;
  s.ksp = KSPCG;
  s.pc = PCGAMG;
  s.rtol = 1e-12;
  petsc_bilan r;
  gvector<double> const x = resout(m, b, s, &r);
  EXPECT_STREQ(r.ksp, "cg");
  EXPECT_STREQ(r.pc, "gamg");
  EXPECT_EQ(r.raison, KSP_CONVERGED_RTOL);
  EXPECT_GT(r.iterations, 0);
  EXPECT_LT(r.iterations, 60);
  gvector<double> const xc = par_choleski(a, b);
  EXPECT_LT(ecart_max(x, xc), 1e-9);
  MatDestroy(&m);
}

TEST(SolveurTest, OptionsDatabaseOverridesTheDefaultsOfTheCall) {
  skysmatrix<double> a = laplacien(10);
  Mat m = vers_petsc(a);
  gvector<double> const b = second_membre(a.imax());
  petsc_solveur s;
  s.ksp = KSPCG;
  s.pc = PCJACOBI;
  PetscOptionsSetValue(nullptr, "-ksp_type", "gmres");
  PetscOptionsSetValue(nullptr, "-pc_type", "sor");
  petsc_bilan r;
  resout(m, b, s, &r);
  EXPECT_STREQ(r.ksp, "gmres");
  EXPECT_STREQ(r.pc, "sor");
  // A prefix reads its own options only.
  s.prefixe = "p_";
  PetscOptionsSetValue(nullptr, "-p_pc_type", "none");
  resout(m, b, s, &r);
  EXPECT_STREQ(r.ksp, "cg");
  EXPECT_STREQ(r.pc, "none");
  PetscOptionsClearValue(nullptr, "-ksp_type");
  PetscOptionsClearValue(nullptr, "-pc_type");
  PetscOptionsClearValue(nullptr, "-p_pc_type");
  MatDestroy(&m);
}

// Debian's PETSc carries MUMPS, hypre and SuperLU_dist: each is chosen at
// run time by options alone.
TEST(SolveurTest, MumpsHypreAndSuperluDistAreAvailable) {
  skysmatrix<double> a = laplacien(16);
  Mat m = vers_petsc(a);
  gvector<double> const b = second_membre(a.imax());
  gvector<double> const xc = par_choleski(a, b);
  char const* const options[] = {
      "-q_ksp_type preonly -q_pc_type lu -q_pc_factor_mat_solver_type mumps",
      "-q_ksp_type preonly -q_pc_type cholesky -q_pc_factor_mat_solver_type mumps",
      "-q_ksp_type preonly -q_pc_type lu -q_pc_factor_mat_solver_type superlu_dist",
      "-q_ksp_type cg -q_pc_type hypre -q_ksp_rtol 1e-12"};
  for (char const* o : options) {
    PetscOptionsInsertString(nullptr, o);
    petsc_solveur s;
    s.prefixe = "q_";
    petsc_bilan r;
    gvector<double> const x = resout(m, b, s, &r);
    EXPECT_GT(r.raison, 0) << o;
    EXPECT_LT(ecart_max(x, xc), 1e-9) << o;
    PetscOptionsClear(nullptr);
  }
  MatDestroy(&m);
}

TEST(SolveurTest, ReasonsHavePetscNames) {
  EXPECT_STREQ(raison_petsc(KSP_CONVERGED_RTOL), "CONVERGED_RTOL");
  EXPECT_STREQ(raison_petsc(KSP_DIVERGED_ITS), "DIVERGED_ITS");
}

}  // namespace
