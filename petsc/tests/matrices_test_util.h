// Matrices for the PETSc suites: random profiles, the grid Laplacian, and
// what a PETSc matrix holds in the rows of this process.
#ifndef UTILS_PETSC_MATRICES_TEST_UTIL_H
#define UTILS_PETSC_MATRICES_TEST_UTIL_H

#include <random>
#include <vector>

#include "utils_petsc.h"

// Random profile of n lines, at most `bande` entries left of the diagonal;
// d(i) = m + 1 (symmetric) or 2 m + 1 (general).
inline gvector<int> profil_aleatoire(int n, int bande, bool sym, unsigned graine) {
  std::mt19937 g(graine);
  gvector<int> p(0, n);
  p[0] = 0;
  for (int i = 1; i <= n; ++i) {
    int const mmax = std::min(i - 1, bande);
    int const m = std::uniform_int_distribution<int>(0, mmax)(g);
    p[i] = p[i - 1] + (sym ? m + 1 : 2 * m + 1);
  }
  return p;
}

// Every stored entry random in [-1, 1], one in five exactly 0, diagonals
// n + 1 (diagonally dominant, so every factorization works).
template <class M>
void remplit(M& a, unsigned graine) {
  std::mt19937 g(graine);
  std::uniform_real_distribution<double> u(-1, 1);
  double* e = a.values().debut();
  for (int k = 0; k < a.size(); ++k) e[k] = (g() % 5 == 0) ? 0.0 : u(g);
  for (int i = a.imin(); i <= a.imax(); ++i) a(i, i) = a.imax() + 1;
}

// The Laplacian of a grid of c x c cells with Dirichlet lines on the
// boundary, 5-point stencil, natural numbering, as a symmetric profile.
inline skysmatrix<double> laplacien(int c) {
  int const v = c + 1, n = v * v;
  gvector<int> p(0, n);
  p[0] = 0;
  for (int k = 1; k <= n; ++k) p[k] = p[k - 1] + (k > v ? v + 1 : k);
  skysmatrix<double> a(p);
  a = 0.0;
  for (int j = 0; j < v; ++j)
    for (int i = 0; i < v; ++i) {
      int const k = j * v + i + 1;
      bool const bord = i == 0 || j == 0 || i == c || j == c;
      a(k, k) = bord ? 1 : 4;
      if (bord) continue;
      if (i > 1) a(k, k - 1) = -1;
      if (j > 1) a(k, k - v) = -1;
    }
  return a;
}

// Row i (0-based) of a PETSc matrix owned by this process, as a dense row
// of `colonnes` values; `stockees` gets the number of entries it holds.
inline std::vector<double> ligne_petsc(Mat a, PetscInt i, PetscInt colonnes, int& stockees) {
  std::vector<double> r(static_cast<std::size_t>(colonnes), 0.0);
  PetscInt nc = 0;
  PetscInt const* cols = nullptr;
  PetscScalar const* vals = nullptr;
  MatGetRow(a, i, &nc, &cols, &vals);
  for (PetscInt k = 0; k < nc; ++k) r[static_cast<std::size_t>(cols[k])] = vals[k];
  stockees = static_cast<int>(nc);
  MatRestoreRow(a, i, &nc, &cols, &vals);
  return r;
}

inline int rang_monde() {
  int r = 0;
  MPI_Comm_rank(PETSC_COMM_WORLD, &r);
  return r;
}

inline int taille_monde() {
  int s = 1;
  MPI_Comm_size(PETSC_COMM_WORLD, &s);
  return s;
}

#endif
