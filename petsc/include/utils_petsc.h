// Bridges between the library's matrices and vectors and PETSc (MPI): a
// session that starts PETSc with the run report, conversions to Mat and Vec
// and back, and a KSP solve configured from PETSc's options database.
#ifndef UTILS_PETSC_H
#define UTILS_PETSC_H

#include <petscksp.h>

#include "matrices.h"
#include "profil.h"
#include "runstat.h"
#include "vecteurs.h"

// Exit statuses of the component besides 1 (bad arguments, as nerror).
int const kStatutErreurPetsc = 230;  // an error raised inside PETSc
int const kStatutDivergence = 231;   // the solve did not converge

// Starts PETSc (and MPI) and, when the program has none yet, the run report
// `sst`; ends them in the reverse order. Exactly one per program, created
// first in main and destroyed last, on every process (collective on
// PETSC_COMM_WORLD).
// - The run report of rank 0 goes to stderr as usual. On the other ranks it
//   is named "<program>[<rank>]" and prints no start line; its messages
//   reach stderr, and its end-of-run table only when it ends the run with
//   an error.
// - Refusals that every process checks (bad arguments of the bridges, a
//   diverged solve) print their message once and end every process with
//   the same status, through PetscFinalize and exit.
// - An error inside PETSc ends the run: its text, the function and the
//   place where PETSc raised it go to the run report, then the end-of-run
//   table, and MPI_Abort with status 230 takes every process down.
// - A fatal error of the library on one process (nerror, sst->kill) ends
//   that process with its status; mpirun ends the others and returns that
//   status.
// `aide` is PETSc's -help text. A PETSc that cannot start is fatal (230).
class petsc_session {
 public:
  petsc_session(int& argc, char**& argv, char const* aide = nullptr);
  ~petsc_session();
  petsc_session(petsc_session const&) = delete;
  petsc_session& operator=(petsc_session const&) = delete;

  int rang() const { return rang_; }  // in PETSC_COMM_WORLD
  int taille() const { return taille_; }

 private:
  int rang_ = 0;
  int taille_ = 1;
  bool rapport_a_nous_ = false;  // the session created `sst`
};

// Ends the run of one process: message already printed through `sst`, the
// end-of-run table follows, then MPI_Abort(PETSC_COMM_WORLD, status) takes
// every process down. For fatal paths found by one process only.
[[noreturn]] void arret_petsc(int status);

// Collective on comm: the rank of the first process whose `faute` is true,
// or -1 when none has one.
int premier_en_faute(MPI_Comm comm, bool faute);

// Ends the run after a refusal that every process of comm found together:
// the reporting process (message printed) adds its end-of-run table, the
// others stay silent. When comm spans every process, all of them end PETSc
// and MPI and exit with `status`; otherwise the reporting process takes the
// run down with MPI_Abort and the others wait for it.
[[noreturn]] void arret_collectif(MPI_Comm comm, bool rapporteur, int status);

// A refusal that every process checks (sizes, states, the command line):
// collective on comm. When some process has a fault, the first one prints
// its message through `message()`, and the run ends with `status` on every
// process (arret_collectif), so the message appears once and no process
// waits forever. Returns on every process when none has a fault.
template <class F>
void refus_collectif(MPI_Comm comm, bool faute, int status, F message) {
  int const premier = premier_en_faute(comm, faute);
  if (premier < 0) return;
  int rang = 0;
  MPI_Comm_rank(comm, &rang);
  if (rang == premier) message();
  arret_collectif(comm, rang == premier, status);
}

// Conversions to PETSc. Collective on `comm`: every process passes the
// same whole object (sizes are checked across processes) and inserts only
// its own rows. Line i of the matrix (entry i of the vector) becomes PETSc
// row i - imin(), rows split in contiguous blocks as PETSc splits them by
// default (PetscSplitOwnership: the first n % p processes get one row more),
// so a matrix and a vector of the same order converted on the same
// communicator share one layout. The Mat is AIJ, preallocated exactly: the
// stored entries of the profile (every entry of a dense matrix) that are
// not exactly 0, and the diagonal of a square matrix always. The caller
// destroys the result (MatDestroy, VecDestroy).
// Fatal (1): a matrix in any state but normal (factored or failed), sizes
// that differ between the processes.
Mat vers_petsc(skygmatrix<double> const& a, MPI_Comm comm = PETSC_COMM_WORLD);  // also skysmatrix
Mat vers_petsc(gmatrix<double> const& a, MPI_Comm comm = PETSC_COMM_WORLD);  // may be rectangular
Vec vers_petsc(gvector<double> const& v, MPI_Comm comm = PETSC_COMM_WORLD);

// A distributed Vec as a gvector over 1..N: on every process (collective).
gvector<double> depuis_petsc(Vec v);
// The same on process `rang` of the Vec's communicator only; the others
// get an empty vector. Collective. Fatal (1): `rang` outside the
// communicator, or not the same on every process.
gvector<double> depuis_petsc(Vec v, int rang);

// Defaults of a solve; the options database (command line, PETSC_OPTIONS,
// PetscOptionsInsertString) overrides every one of them.
struct petsc_solveur {
  char const* ksp = nullptr;      // e.g. KSPCG; nullptr: PETSc's default
  char const* pc = nullptr;       // e.g. PCGAMG
  double rtol = -1;               // relative tolerance; < 0: PETSc's default
  char const* prefixe = nullptr;  // options prefix, e.g. "p_" for -p_ksp_type
};

// What a solve did.
struct petsc_bilan {
  PetscInt iterations;
  KSPConvergedReason raison;  // > 0 converged
  double residu;              // norm of the last residual KSP computed
  char ksp[32], pc[32];       // the types used
};

// Solves A x = b with a KSP set up from the options database, so that
// -ksp_type cg -pc_type gamg, -pc_type lu -pc_factor_mat_solver_type mumps
// or -pc_type hypre choose the method at run time. x holds the initial
// guess when -ksp_initial_guess_nonzero is given. Collective. One line on
// rank 0's run report gives the types, the iterations and the reason.
// Fatal (1): a matrix not assembled, a matrix, b and x on different
// communicators, sizes or row splits that do not agree. Fatal (231): a
// solve that diverged, with PETSc's reason.
petsc_bilan resout_petsc(Mat a, Vec b, Vec x, petsc_solveur const& s = petsc_solveur());

// Name of a converged reason, e.g. "CONVERGED_RTOL", "DIVERGED_ITS".
char const* raison_petsc(KSPConvergedReason r);

#endif
