// A KSP solve set up from PETSc's options database, its checks and its
// report.
#include <cstdio>
#include <cstring>

#include "utils_petsc.h"

namespace {

MPI_Comm comm_de(PetscObject o) {
  MPI_Comm c = MPI_COMM_NULL;
  PetscCallAbort(PETSC_COMM_WORLD, PetscObjectGetComm(o, &c));
  return c;
}

bool meme_groupe(MPI_Comm a, MPI_Comm b) {
  int r = MPI_UNEQUAL;
  MPI_Comm_compare(a, b, &r);
  return r == MPI_IDENT || r == MPI_CONGRUENT;
}

// The refusals of a solve, in order: communicators, assembly, global
// sizes, then the rows of each process. Collective on A's communicator.
void verifie(MPI_Comm comm, Mat a, Vec b, Vec x) {
  bool const groupes = meme_groupe(comm, comm_de(reinterpret_cast<PetscObject>(b))) &&
                       meme_groupe(comm, comm_de(reinterpret_cast<PetscObject>(x)));
  refus_collectif(comm, !groupes, 1, [] {
    sst->msg("Resolution PETSc impossible: la matrice et les vecteurs n'ont ");
    sst->msg("pas le meme communicateur\n");
  });
  PetscBool assemblee = PETSC_FALSE;
  PetscCallAbort(comm, MatAssembled(a, &assemblee));
  refus_collectif(comm, !assemblee, 1,
                  [] { sst->msg("Resolution PETSc impossible: matrice non assemblee\n"); });
  PetscInt m = 0, n = 0, nb = 0, nx = 0;
  PetscCallAbort(comm, MatGetSize(a, &m, &n));
  PetscCallAbort(comm, VecGetSize(b, &nb));
  PetscCallAbort(comm, VecGetSize(x, &nx));
  refus_collectif(comm, m != n || nb != m || nx != n, 1, [&] {
    sst->msg("Resolution PETSc impossible: tailles incompatibles: matrice ");
    sst->msg(static_cast<int>(m)).msg("x").msg(static_cast<int>(n));
    sst->msg(", second membre ").msg(static_cast<int>(nb));
    sst->msg(", solution ").msg(static_cast<int>(nx)).nl();
  });
  PetscInt ml = 0, nl = 0, bl = 0, xl = 0;
  PetscCallAbort(comm, MatGetLocalSize(a, &ml, &nl));
  PetscCallAbort(comm, VecGetLocalSize(b, &bl));
  PetscCallAbort(comm, VecGetLocalSize(x, &xl));
  int rang = 0;
  MPI_Comm_rank(comm, &rang);
  refus_collectif(comm, bl != ml || xl != nl, 1, [&] {
    sst->msg("Resolution PETSc impossible: la matrice et les vecteurs ne ");
    sst->msg("repartissent pas les lignes de la meme facon (processus ");
    sst->msg(rang).msg(": ").msg(static_cast<int>(ml)).msg(" lignes, ");
    sst->msg(static_cast<int>(bl)).msg(" et ").msg(static_cast<int>(xl));
    sst->msg(" valeurs)\n");
  });
}

void nom(char (&dest)[32], char const* src) {
  std::snprintf(dest, sizeof dest, "%s", src != nullptr ? src : "?");
}

}  // namespace

char const* raison_petsc(KSPConvergedReason r) {
  char const* const t = KSPConvergedReasons[r];
  return t != nullptr ? t : "?";
}

petsc_bilan resout_petsc(Mat a, Vec b, Vec x, petsc_solveur const& s) {
  MPI_Comm const comm = comm_de(reinterpret_cast<PetscObject>(a));
  verifie(comm, a, b, x);
  KSP ksp;
  PC pc;
  PetscCallAbort(comm, KSPCreate(comm, &ksp));
  PetscCallAbort(comm, KSPSetOperators(ksp, a, a));
  if (s.prefixe != nullptr) PetscCallAbort(comm, KSPSetOptionsPrefix(ksp, s.prefixe));
  if (s.ksp != nullptr) PetscCallAbort(comm, KSPSetType(ksp, s.ksp));
  PetscCallAbort(comm, KSPGetPC(ksp, &pc));
  if (s.pc != nullptr) PetscCallAbort(comm, PCSetType(pc, s.pc));
  if (s.rtol >= 0)
    PetscCallAbort(comm,
                   KSPSetTolerances(ksp, s.rtol, PETSC_DEFAULT, PETSC_DEFAULT, PETSC_DEFAULT));
  PetscCallAbort(comm, KSPSetFromOptions(ksp));
  PetscCallAbort(comm, KSPSolve(ksp, b, x));

  petsc_bilan r{};
  PetscReal residu = 0;
  KSPType tk = nullptr;
  PCType tp = nullptr;
  PetscCallAbort(comm, KSPGetIterationNumber(ksp, &r.iterations));
  PetscCallAbort(comm, KSPGetConvergedReason(ksp, &r.raison));
  PetscCallAbort(comm, KSPGetResidualNorm(ksp, &residu));
  PetscCallAbort(comm, KSPGetType(ksp, &tk));
  PetscCallAbort(comm, PCGetType(pc, &tp));
  r.residu = residu;
  nom(r.ksp, tk);
  nom(r.pc, tp);
  PetscCallAbort(comm, KSPDestroy(&ksp));

  char ligne[160];
  std::snprintf(ligne, sizeof ligne, "%s/%s: %d iterations, %s, residu %.3e\n", r.ksp, r.pc,
                static_cast<int>(r.iterations), raison_petsc(r.raison), r.residu);
  refus_collectif(comm, r.raison < 0, kStatutDivergence,
                  [&] { sst->msg("Echec du solveur PETSc ").msg(ligne); });
  int rang = 0;
  MPI_Comm_rank(comm, &rang);
  if (rang == 0) sst->msg("Solveur PETSc ").msg(ligne);
  return r;
}
