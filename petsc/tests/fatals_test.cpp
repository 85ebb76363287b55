// Every fatal path of the PETSc bridges, run under mpirun with 1 and 2
// processes: the message, printed once, the end-of-run table, the status
// of the whole run, and no process left waiting.
#include <gtest/gtest.h>

#include <string>

#include "mpirun_util.h"
#include "test_util.h"

namespace {

struct cas {
  char const* nom;
  int status;
  char const* message;
  int np_min;  // the fault needs this many processes
};

cas const kCas[] = {
    {"etat_choleski", 1,
     "Conversion vers PETSc impossible: matrice dans l'etat factors_choleski "
     "(seul l'etat normal est accepte)\n",
     1},
    {"etat_erreur", 1,
     "Conversion vers PETSc impossible: matrice dans l'etat erreur "
     "(seul l'etat normal est accepte)\n",
     1},
    {"etat_gauss", 1,
     "Conversion vers PETSc impossible: matrice dans l'etat factors_gauss "
     "(seul l'etat normal est accepte)\n",
     1},
    {"taille_matrice", 1,
     "Conversion vers PETSc impossible: la matrice n'a pas la meme taille sur "
     "tous les processus\n",
     2},
    {"taille_vecteur", 1,
     "Conversion vers PETSc impossible: le vecteur n'a pas la meme taille sur "
     "tous les processus\n",
     2},
    {"non_assemblee", 1, "Resolution PETSc impossible: matrice non assemblee\n", 1},
    {"tailles", 1,
     "Resolution PETSc impossible: tailles incompatibles: matrice 4x4, second "
     "membre 5, solution 4\n",
     1},
    {"communicateurs", 1,
     "Resolution PETSc impossible: la matrice et les vecteurs n'ont pas le meme "
     "communicateur\n",
     2},
    {"repartition", 1,
     "Resolution PETSc impossible: la matrice et les vecteurs ne repartissent "
     "pas les lignes de la meme facon (processus 0: 2 lignes, 3 et 2 valeurs)\n",
     2},
    {"divergence", 231, "Echec du solveur PETSc cg/jacobi: 3 iterations, DIVERGED_ITS, residu ", 1},
    {"rang", 1,
     "Rassemblement d'un vecteur PETSc impossible: processus 7 (les processus "
     "vont de 0 a ",
     1},
    {"rangs_differents", 1,
     "Rassemblement d'un vecteur PETSc impossible: processus 0 (les processus "
     "vont de 0 a 1 et doivent tous donner le meme)\n",
     2},
};

class FatalsDeathTest : public ::testing::TestWithParam<int> {};

// Refusals that every process checks: one message, one end-of-run table,
// the same status for the run.
TEST_P(FatalsDeathTest, RefusalsAreReportedOnceWithTheirStatus) {
  int const np = GetParam();
  TempDir d;
  for (cas const& c : kCas) {
    if (np < c.np_min) continue;
    run_result const r = mpirun(np, CAS_FATALS, {c.nom}, d.dir());
    EXPECT_EQ(r.status, c.status) << c.nom << "\n" << r.err;
    EXPECT_EQ(occurrences(r.err, c.message), 1u) << c.nom << "\n" << r.err;
    EXPECT_EQ(occurrences(r.err, ": fin a "), 1u) << c.nom << "\n" << r.err;
  }
}

// PETSc's own error: its code, its generic text and its message, the
// function that raised it; status 230.
TEST_P(FatalsDeathTest, PetscErrorsEndTheRunWithPetscsText) {
  TempDir d;
  run_result const r = mpirun(GetParam(), CAS_FATALS, {"erreur_petsc"}, d.dir());
  EXPECT_EQ(r.status, 230) << r.err;
  EXPECT_NE(r.err.find("Erreur PETSc 63 (Argument out of range): "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("dans MatSetValues"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(": fin a "), std::string::npos) << r.err;
}

// A library error on one process ends every process with its status.
TEST_P(FatalsDeathTest, LibraryErrorOnOneProcessEndsTheRun) {
  TempDir d;
  run_result const r = mpirun(GetParam(), CAS_FATALS, {"bibliotheque"}, d.dir());
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("Erreur d'adressage d'un vecteur [1,2] i=3"), std::string::npos) << r.err;
}

// A run that ends well: one start line and one table (rank 0's); the
// other processes say nothing.
TEST_P(FatalsDeathTest, OtherRanksStaySilentInANormalRun) {
  TempDir d;
  run_result const r = mpirun(GetParam(), CAS_FATALS, {"normal"}, d.dir());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(occurrences(r.err, " debut a "), 1u) << r.err;
  EXPECT_EQ(occurrences(r.err, ": fin a "), 1u) << r.err;
  EXPECT_EQ(occurrences(r.err, "Solveur PETSc gmres/"), 1u) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Processus, FatalsDeathTest, ::testing::Values(1, 2));

}  // namespace
