// PETSc session: start and end of PETSc with the run report, PETSc's errors
// through the run report, the fatal stop of an MPI run.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "utils_petsc.h"

namespace {

// The run report of ranks above 0 writes through this stream: it lets text
// through only while `passe` is set, so that a process that has nothing to
// say prints neither a start line nor an end-of-run table.
struct relais {
  FILE* flux = nullptr;
  bool passe = false;
};
relais g_relais;

ssize_t ecrit_relais(void* c, char const* buf, size_t n) {
  if (static_cast<relais*>(c)->passe) std::fwrite(buf, 1, n, stderr);
  return static_cast<ssize_t>(n);
}

FILE* ouvre_relais() {
  cookie_io_functions_t f = {nullptr, ecrit_relais, nullptr, nullptr};
  FILE* fp = fopencookie(&g_relais, "w", f);
  if (fp != nullptr) setvbuf(fp, nullptr, _IONBF, 0);
  return fp;
}

// PETSc's error, its generic text, where it was raised; then the stop. The
// first call of an error is the one that carries PETSc's message.
PetscErrorCode gestionnaire(MPI_Comm, int ligne, char const* fonction, char const* fichier,
                            PetscErrorCode n, PetscErrorType, char const* message, void*) {
  char const* texte = nullptr;
  PetscErrorMessage(n, &texte, nullptr);
  sst->msg("Erreur PETSc ").msg(static_cast<int>(n));
  if (texte != nullptr) sst->msg(" (").msg(texte).msg(")");
  sst->msg(": ").msg(message != nullptr ? message : "").nl();
  sst->msg("dans ").msg(fonction != nullptr ? fonction : "?").msg(" (");
  sst->msg(fichier != nullptr ? fichier : "?").msg(":").msg(ligne).msg(")\n");
  arret_petsc(kStatutErreurPetsc);
}

}  // namespace

void arret_petsc(int status) {
  std::fflush(stdout);
  g_relais.passe = true;
  if (sst != nullptr) {
    delete sst;  // prints the end-of-run table
    sst = nullptr;
  }
  int init = 0, fini = 0;
  MPI_Initialized(&init);
  MPI_Finalized(&fini);
  if (init && !fini) MPI_Abort(MPI_COMM_WORLD, status);
  std::exit(status);
}

petsc_session::petsc_session(int& argc, char**& argv, char const* aide) {
  if (PetscInitialize(&argc, &argv, nullptr, aide) != 0) {
    std::fprintf(stderr, "Demarrage de PETSc impossible\n");
    std::exit(kStatutErreurPetsc);
  }
  MPI_Comm_rank(PETSC_COMM_WORLD, &rang_);
  MPI_Comm_size(PETSC_COMM_WORLD, &taille_);
  if (sst == nullptr) {
    char const* nom = (argc > 0 && argv[0] != nullptr) ? argv[0] : "programme";
    if (rang_ == 0) {
      sst = new runstat(stderr, nom);
    } else {
      g_relais.flux = ouvre_relais();
      std::string const n = std::string(nom) + "[" + std::to_string(rang_) + "]";
      sst = new runstat(g_relais.flux != nullptr ? g_relais.flux : stderr, n.c_str());
      g_relais.passe = true;
    }
    rapport_a_nous_ = true;
  }
  PetscPushErrorHandler(gestionnaire, nullptr);
}

petsc_session::~petsc_session() {
  PetscPopErrorHandler();
  if (PetscFinalize() != 0) {
    sst->msg("Fin de PETSc en erreur\n");
    arret_petsc(kStatutErreurPetsc);
  }
  if (!rapport_a_nous_) return;
  g_relais.passe = false;
  delete sst;
  sst = nullptr;
  if (g_relais.flux != nullptr) std::fclose(g_relais.flux);
  g_relais.flux = nullptr;
}

int premier_en_faute(MPI_Comm comm, bool faute) {
  int rang = 0, taille = 1;
  MPI_Comm_rank(comm, &rang);
  MPI_Comm_size(comm, &taille);
  int const moi = faute ? rang : taille;
  int premier = taille;
  MPI_Allreduce(&moi, &premier, 1, MPI_INT, MPI_MIN, comm);
  return premier < taille ? premier : -1;
}

void arret_collectif(MPI_Comm comm, bool rapporteur, int status) {
  int ensemble = MPI_UNEQUAL;
  MPI_Comm_compare(comm, PETSC_COMM_WORLD, &ensemble);
  if (ensemble != MPI_IDENT && ensemble != MPI_CONGRUENT) {
    if (rapporteur) arret_petsc(status);
    // The reporting process never joins: its MPI_Abort ends this one.
    MPI_Barrier(comm);
    MPI_Abort(MPI_COMM_WORLD, status);
  }
  std::fflush(stdout);
  if (rapporteur && sst != nullptr) {
    g_relais.passe = true;
    delete sst;  // prints the end-of-run table
    sst = nullptr;
  }
  PetscPopErrorHandler();
  PetscFinalize();
  std::exit(status);
}
