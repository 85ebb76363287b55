// Runs one bad use of the PETSc bridges, named on the command line, under
// mpirun; fatals_test checks the message and the status of the run.
#include <cstring>

#include "utils_petsc.h"

namespace {

int rang() {
  int r = 0;
  MPI_Comm_rank(PETSC_COMM_WORLD, &r);
  return r;
}

// A diagonal n x n profile matrix with 2 on the diagonal.
skysmatrix<double> diagonale(int n) {
  gvector<int> p(0, n);
  for (int i = 0; i <= n; ++i) p[i] = i;
  skysmatrix<double> a(p);
  a = 2.0;
  return a;
}

// 1D Laplacian, n lines: CG needs n iterations.
Mat laplacien_1d(int n) {
  gmatrix<double> a(1, n, 1, n);
  a = 0.0;
  for (int i = 1; i <= n; ++i) {
    a(i, i) = 2;
    if (i > 1) a(i, i - 1) = -1;
    if (i < n) a(i, i + 1) = -1;
  }
  return vers_petsc(a);
}

Vec vecteur(int n, MPI_Comm comm = PETSC_COMM_WORLD) {
  gvector<double> v(1, n);
  v = 1.0;
  return vers_petsc(v, comm);
}

void lance(char const* cas) {
  if (!std::strcmp(cas, "normal")) {
    Mat a = laplacien_1d(6);
    Vec b = vecteur(6), x = vecteur(6);
    resout_petsc(a, b, x);
    MatDestroy(&a);
    VecDestroy(&b);
    VecDestroy(&x);
  } else if (!std::strcmp(cas, "etat_choleski")) {
    skysmatrix<double> a = diagonale(4);
    a.choleski();
    vers_petsc(a);
  } else if (!std::strcmp(cas, "etat_erreur")) {
    skygmatrix<double> a(diagonale(4));
    a(3, 3) = 0;
    a.gauss();
    vers_petsc(a);
  } else if (!std::strcmp(cas, "etat_gauss")) {
    gmatrix<double> a(1, 2, 1, 2);
    a = 1.0;
    a(1, 1) = 3;
    a.gauss();
    vers_petsc(a);
  } else if (!std::strcmp(cas, "taille_matrice")) {
    vers_petsc(diagonale(4 + rang()));
  } else if (!std::strcmp(cas, "taille_vecteur")) {
    vecteur(3 + 2 * rang());
  } else if (!std::strcmp(cas, "non_assemblee")) {
    Mat a;
    MatCreateAIJ(PETSC_COMM_WORLD, PETSC_DECIDE, PETSC_DECIDE, 4, 4, 1, nullptr, 1, nullptr, &a);
    Vec b = vecteur(4), x = vecteur(4);
    resout_petsc(a, b, x);
  } else if (!std::strcmp(cas, "tailles")) {
    Mat a = laplacien_1d(4);
    Vec b = vecteur(5), x = vecteur(4);
    resout_petsc(a, b, x);
  } else if (!std::strcmp(cas, "communicateurs")) {
    Mat a = laplacien_1d(4);
    Vec b = vecteur(4, PETSC_COMM_SELF), x = vecteur(4);
    resout_petsc(a, b, x);
  } else if (!std::strcmp(cas, "repartition")) {
    // Rows split 2 + 2; the right-hand side split 3 + 1.
    Mat a = laplacien_1d(4);
    Vec b, x = vecteur(4);
    VecCreateMPI(PETSC_COMM_WORLD, rang() == 0 ? 3 : 1, 4, &b);
    resout_petsc(a, b, x);
  } else if (!std::strcmp(cas, "divergence")) {
    Mat a = laplacien_1d(50);
    Vec b = vecteur(50), x = vecteur(50);
    PetscOptionsInsertString(nullptr, "-ksp_max_it 3");
    petsc_solveur s;
    s.ksp = KSPCG;
    s.pc = PCJACOBI;
    resout_petsc(a, b, x, s);
  } else if (!std::strcmp(cas, "erreur_petsc")) {
    Mat a = laplacien_1d(4);
    MatSetValue(a, 9, 0, 1.0, INSERT_VALUES);
  } else if (!std::strcmp(cas, "rang")) {
    Vec v = vecteur(4);
    depuis_petsc(v, 7);
  } else if (!std::strcmp(cas, "rangs_differents")) {
    Vec v = vecteur(4);
    depuis_petsc(v, rang());
  } else if (!std::strcmp(cas, "bibliotheque")) {
    // A library error on the last process only while the others wait.
    int taille = 1;
    MPI_Comm_size(PETSC_COMM_WORLD, &taille);
    gvector<double> v(1, 2);
    if (rang() == taille - 1) v[3] = 0;
    MPI_Barrier(PETSC_COMM_WORLD);
  } else {
    sst->msg("cas inconnu: ").msg(cas).nl();
    arret_petsc(2);
  }
}

}  // namespace

int main(int argc, char** argv) {
  petsc_session session(argc, argv);
  lance(argc > 1 ? argv[1] : "");
  return 0;
}
