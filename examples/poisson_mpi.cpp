// poisson_mpi: the Poisson problem of poisson.cpp (-Laplace(u) = f on the
// unit square, u = sin(pi x) sin(pi y), bilinear quadrilaterals) on several
// MPI processes with PETSc. Each process generates only its band of cell
// rows, assembles it straight into the distributed matrix in the serial
// numbering, and writes its piece of the solution; prints the same error
// table as poisson.
//
//   mpirun -np 4 poisson_mpi 500 1000 -ksp_type cg -pc_type gamg
//   mpirun -np 2 poisson_mpi 256 -pc_type lu -pc_factor_mat_solver_type mumps
//
// Grid sizes come first, then the options: -vtk <prefix> writes
// <prefix>_<n>.pvtu and one <prefix>_<n>_<rank>.vtu piece per process (fields
// u and erreur); -sol <prefix> writes the whole solution, gathered on rank 0,
// as the raw vector file <prefix>_<n> (b_save). The solver is CG + GAMG to
// a relative residual of 1e-12 unless PETSc's options say otherwise.
#include <sys/resource.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "grille.h"
#include "maillage.h"
#include "poisson_q1.h"
#include "utils_hooks.h"
#include "utils_petsc.h"
#include "vecteurs.h"
#include "vtk.h"

namespace {

// (n + 1)^2 vertices must fit PETSc's 32-bit indices.
int const kMaxCells = 32768;

// The band of process p of np: cell rows c0..c1-1, vertex rows c0..c1. The
// vertex row shared with the band below belongs to that band, so the
// process owns vertex rows v0..c1 (v0 = c0 + 1, or 0 for the first band):
// a contiguous block of the serial numbering k = j (n + 1) + i.
struct bande {
  int n, c0, c1, v0;
  PetscInt debut() const { return static_cast<PetscInt>(v0) * (n + 1); }
  PetscInt fin() const { return static_cast<PetscInt>(c1 + 1) * (n + 1); }
};

bande bande_de(int n, int p, int np) {
  int const q = n / np, r = n % np;
  int const c0 = p * q + (p < r ? p : r);
  int const c1 = c0 + q + (p < r ? 1 : 0);
  return {n, c0, c1, p == 0 ? 0 : c0 + 1};
}

bool au_bord(int n, PetscInt k) {
  int const i = static_cast<int>(k % (n + 1)), j = static_cast<int>(k / (n + 1));
  return i == 0 || i == n || j == 0 || j == n;
}

// Exact preallocation: a free vertex couples with its free neighbours of
// the 3 x 3 block around it (all inside the grid); a boundary row holds
// its diagonal only.
Mat matrice_vide(bande const& b) {
  int const n = b.n;
  std::vector<PetscInt> d, o;
  for (PetscInt k = b.debut(); k < b.fin(); ++k) {
    PetscInt nd = 0, no = 0;
    if (au_bord(n, k)) {
      nd = 1;
    } else {
      for (int dj = -1; dj <= 1; ++dj)
        for (int di = -1; di <= 1; ++di) {
          PetscInt const v = k + dj * (n + 1) + di;
          if (au_bord(n, v)) continue;
          (v >= b.debut() && v < b.fin() ? nd : no)++;
        }
    }
    d.push_back(nd);
    o.push_back(no);
  }
  PetscInt const total = static_cast<PetscInt>(n + 1) * (n + 1);
  Mat a;
  PetscCallAbort(PETSC_COMM_WORLD, MatCreate(PETSC_COMM_WORLD, &a));
  PetscCallAbort(PETSC_COMM_WORLD,
                 MatSetSizes(a, b.fin() - b.debut(), b.fin() - b.debut(), total, total));
  PetscCallAbort(PETSC_COMM_WORLD, MatSetType(a, MATAIJ));
  PetscCallAbort(PETSC_COMM_WORLD, MatSeqAIJSetPreallocation(a, 0, d.data()));
  PetscCallAbort(PETSC_COMM_WORLD, MatMPIAIJSetPreallocation(a, 0, d.data(), 0, o.data()));
  PetscCallAbort(PETSC_COMM_WORLD, MatSetOption(a, MAT_SYMMETRIC, PETSC_TRUE));
  PetscCallAbort(PETSC_COMM_WORLD, MatSetOption(a, MAT_SYMMETRY_ETERNAL, PETSC_TRUE));
  return a;
}

// Assembles the band's elements. Rows of the vertex row c0 that belong to
// the band below are added there by PETSc (ADD_VALUES off the process):
// no element is computed twice. Boundary lines become identity lines and
// their known values move to the right-hand side of the other lines, as
// in poisson.cpp; index -1 makes PETSc skip a boundary row or column.
void assemble(maillage const& m, bande const& b, Mat a, Vec f) {
  int const n = b.n;
  double const h = 1.0 / n;
  PetscInt const decalage = static_cast<PetscInt>(b.c0) * (n + 1) - 1;
  for (int e = 1; e <= m.nelem(); ++e) {
    PetscInt g[4], idx[4];
    double xe[4], ye[4], ke[4][4], fe[4], be[4];
    for (int k = 0; k < 4; ++k) {
      g[k] = m.lg(e, k + 1) + decalage;
      xe[k] = static_cast<double>(g[k] % (n + 1)) * h;
      ye[k] = static_cast<double>(g[k] / (n + 1)) * h;
      idx[k] = au_bord(n, g[k]) ? -1 : g[k];
    }
    poisson_q1::element(xe, ye, ke, fe);
    for (int r = 0; r < 4; ++r) {
      be[r] = fe[r];
      for (int c = 0; c < 4; ++c)
        if (idx[c] < 0) be[r] -= ke[r][c] * poisson_q1::exact(xe[c], ye[c]);
    }
    PetscCallAbort(PETSC_COMM_WORLD, MatSetValues(a, 4, idx, 4, idx, &ke[0][0], ADD_VALUES));
    PetscCallAbort(PETSC_COMM_WORLD, VecSetValues(f, 4, idx, be, ADD_VALUES));
  }
  for (PetscInt k = b.debut(); k < b.fin(); ++k)
    if (au_bord(n, k)) {
      double const x = static_cast<double>(k % (n + 1)) * h,
                   y = static_cast<double>(k / (n + 1)) * h;
      PetscCallAbort(PETSC_COMM_WORLD, MatSetValue(a, k, k, 1.0, ADD_VALUES));
      PetscCallAbort(PETSC_COMM_WORLD, VecSetValue(f, k, poisson_q1::exact(x, y), ADD_VALUES));
    }
  PetscCallAbort(PETSC_COMM_WORLD, MatAssemblyBegin(a, MAT_FINAL_ASSEMBLY));
  PetscCallAbort(PETSC_COMM_WORLD, MatAssemblyEnd(a, MAT_FINAL_ASSEMBLY));
  PetscCallAbort(PETSC_COMM_WORLD, VecAssemblyBegin(f));
  PetscCallAbort(PETSC_COMM_WORLD, VecAssemblyEnd(f));
}

// The values of u at the band's vertices (rows c0..c1), the shared row
// from the band below included, numbered as the band's mesh.
gvector<double> valeurs_bande(Vec u, bande const& b) {
  PetscInt const premier = static_cast<PetscInt>(b.c0) * (b.n + 1);
  PetscInt const nb = b.fin() - premier;
  Vec loc;
  IS is;
  VecScatter sc;
  PetscCallAbort(PETSC_COMM_WORLD, VecCreateSeq(PETSC_COMM_SELF, nb, &loc));
  PetscCallAbort(PETSC_COMM_WORLD, ISCreateStride(PETSC_COMM_SELF, nb, premier, 1, &is));
  PetscCallAbort(PETSC_COMM_WORLD, VecScatterCreate(u, is, loc, nullptr, &sc));
  PetscCallAbort(PETSC_COMM_WORLD, VecScatterBegin(sc, u, loc, INSERT_VALUES, SCATTER_FORWARD));
  PetscCallAbort(PETSC_COMM_WORLD, VecScatterEnd(sc, u, loc, INSERT_VALUES, SCATTER_FORWARD));
  gvector<double> r(1, static_cast<int>(nb));
  PetscScalar const* a = nullptr;
  PetscCallAbort(PETSC_COMM_WORLD, VecGetArrayRead(loc, &a));
  for (PetscInt k = 0; k < nb; ++k) r[static_cast<int>(k) + 1] = a[k];
  PetscCallAbort(PETSC_COMM_WORLD, VecRestoreArrayRead(loc, &a));
  VecScatterDestroy(&sc);
  ISDestroy(&is);
  VecDestroy(&loc);
  return r;
}

std::string sans_dossier(std::string const& s) {
  std::size_t const k = s.rfind('/');
  return k == std::string::npos ? s : s.substr(k + 1);
}

// The pieces <prefix>_<n>_<rank>.vtu and, on rank 0, their index.
void ecrit_pieces(maillage const& m, Vec u, bande const& b, std::string const& prefixe, int rang,
                  int np) {
  double const h = 1.0 / b.n;
  gvector<double> const v = valeurs_bande(u, b);
  gvector<double> err(v.imin(), v.imax());
  PetscInt const premier = static_cast<PetscInt>(b.c0) * (b.n + 1);
  for (int k = v.imin(); k <= v.imax(); ++k) {
    PetscInt const g = premier + k - 1;
    double const x = static_cast<double>(g % (b.n + 1)) * h,
                 y = static_cast<double>(g / (b.n + 1)) * h;
    err[k] = v[k] - poisson_q1::exact(x, y);
  }
  vtk_champs champs;
  champs.sommets("u", v).sommets("erreur", err);
  std::string const base = prefixe + "_" + std::to_string(b.n);
  ecrit_vtk(m, (base + "_" + std::to_string(rang) + ".vtu").c_str(), champs, vtk_format::xml);
  if (rang != 0) return;
  std::vector<std::string> pieces;
  for (int p = 0; p < np; ++p)
    pieces.push_back(sans_dossier(base) + "_" + std::to_string(p) + ".vtu");
  ecrit_pvtu((base + ".pvtu").c_str(), pieces, champs);
}

struct resultat {
  double emax, el2;
};

// Largest and L2 vertex errors over every process.
resultat erreurs(Vec u, bande const& b) {
  double const h = 1.0 / b.n;
  PetscScalar const* a = nullptr;
  PetscCallAbort(PETSC_COMM_WORLD, VecGetArrayRead(u, &a));
  double loc[2] = {0, 0};
  for (PetscInt k = b.debut(); k < b.fin(); ++k) {
    double const x = static_cast<double>(k % (b.n + 1)) * h,
                 y = static_cast<double>(k / (b.n + 1)) * h;
    double const d = std::fabs(a[k - b.debut()] - poisson_q1::exact(x, y));
    if (d > loc[0]) loc[0] = d;
    loc[1] = d * d + loc[1];
  }
  PetscCallAbort(PETSC_COMM_WORLD, VecRestoreArrayRead(u, &a));
  double emax = 0, somme = 0;
  MPI_Allreduce(&loc[0], &emax, 1, MPI_DOUBLE, MPI_MAX, PETSC_COMM_WORLD);
  MPI_Allreduce(&loc[1], &somme, 1, MPI_DOUBLE, MPI_SUM, PETSC_COMM_WORLD);
  return {emax, std::sqrt(somme * h * h)};
}

// Times of the phases and the largest peak resident memory of a process,
// on rank 0's run report.
void memoire(int n, double t_assemblage, double t_resolution, int rang) {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  double const mo = static_cast<double>(ru.ru_maxrss) / 1024;
  double m = 0;
  MPI_Reduce(&mo, &m, 1, MPI_DOUBLE, MPI_MAX, 0, PETSC_COMM_WORLD);
  if (rang != 0) return;
  char ligne[200];
  std::snprintf(ligne, sizeof ligne,
                "n = %d: assemblage %.2f s, resolution %.2f s, memoire max %.0f Mo par processus\n",
                n, t_assemblage, t_resolution, m);
  sst->msg(ligne);
}

resultat resout_grille(int n, int rang, int np, std::string const& vtk, std::string const& sol) {
  bande const b = bande_de(n, rang, np);
  double const h = 1.0 / n;
  double const t0 = MPI_Wtime();
  maillage* m = gen_mb(static_cast<float>(h / 2), static_cast<float>(h), n,
                       static_cast<float>(b.c0 * h + h / 2), static_cast<float>(h), b.c1 - b.c0);
  Mat a = matrice_vide(b);
  Vec f, u;
  PetscCallAbort(PETSC_COMM_WORLD, MatCreateVecs(a, &u, &f));
  PetscCallAbort(PETSC_COMM_WORLD, VecSetOption(f, VEC_IGNORE_NEGATIVE_INDICES, PETSC_TRUE));
  assemble(*m, b, a, f);
  double const t1 = MPI_Wtime();
  petsc_solveur s;
  s.ksp = KSPCG;
  s.pc = PCGAMG;
  s.rtol = 1e-12;
  resout_petsc(a, f, u, s);
  double const t2 = MPI_Wtime();
  memoire(n, t1 - t0, t2 - t1, rang);
  resultat const r = erreurs(u, b);
  if (!vtk.empty()) ecrit_pieces(*m, u, b, vtk, rang, np);
  if (!sol.empty()) {
    gvector<double> const tout = depuis_petsc(u, 0);
    if (rang == 0) tout.b_save((sol + "_" + std::to_string(n)).c_str());
  }
  delete m;
  MatDestroy(&a);
  VecDestroy(&f);
  VecDestroy(&u);
  return r;
}

// Leading grid sizes: 2..kMaxCells, increasing, at least one cell row per
// process; false on anything else.
bool tailles(int argc, char** argv, int np, std::vector<int>& cells) {
  for (int k = 1; k < argc && argv[k][0] != '-'; ++k) {
    char* end = nullptr;
    errno = 0;
    long const v = std::strtol(argv[k], &end, 10);
    if (errno != 0 || end == argv[k] || *end != '\0' || v < 2 || v > kMaxCells || v < np)
      return false;
    if (!cells.empty() && v <= cells.back()) return false;
    cells.push_back(static_cast<int>(v));
  }
  if (cells.empty()) cells = {8, 16, 32, 64};
  return cells.front() >= np;
}

std::string option_texte(char const* nom) {
  char valeur[4096] = "";
  PetscBool present = PETSC_FALSE;
  PetscCallAbort(PETSC_COMM_WORLD,
                 PetscOptionsGetString(nullptr, nullptr, nom, valeur, sizeof valeur, &present));
  return present ? valeur : "";
}

}  // namespace

int main(int argc, char** argv) {
  petsc_session session(argc, argv,
                        "poisson_mpi [n ...] [-vtk prefix] [-sol prefix] [PETSc options]\n");
  int const rang = session.rang(), np = session.taille();
  char const* prog = (argc > 0 && argv[0] != nullptr) ? argv[0] : "poisson_mpi";
  std::vector<int> cells;
  bool const ok = tailles(argc, argv, np, cells);
  refus_collectif(PETSC_COMM_WORLD, !ok, 1, [&] {
    sst->msg("Usage: ").msg(prog).msg(" [n ...] [-vtk prefix] [-sol prefix] [PETSc options]");
    sst->msg("  (n: cells per side, 2..").msg(kMaxCells);
    sst->msg(", increasing, at least one per process)\n");
  });
  std::string const vtk = option_texte("-vtk"), sol = option_texte("-sol");

  if (rang == 0) {
    std::printf(
        "-Laplace(u) = f on [0,1]^2, u = sin(pi x) sin(pi y), "
        "bilinear quadrilaterals\n");
    std::printf("%6s %10s %12s %6s %12s %6s\n", "n", "vertices", "max error", "order", "L2 error",
                "order");
  }
  resultat prev{0, 0};
  for (std::size_t k = 0; k < cells.size(); ++k) {
    int const n = cells[k];
    resultat const r = resout_grille(n, rang, np, vtk, sol);
    int const npt = (n + 1) * (n + 1);
    if (rang == 0) {
      if (k == 0) {
        std::printf("%6d %10d %12.4e %6s %12.4e %6s\n", n, npt, r.emax, "-", r.el2, "-");
      } else {
        double const ratio = std::log(static_cast<double>(n) / cells[k - 1]);
        std::printf("%6d %10d %12.4e %6.2f %12.4e %6.2f\n", n, npt, r.emax,
                    std::log(prev.emax / r.emax) / ratio, r.el2,
                    std::log(prev.el2 / r.el2) / ratio);
      }
      std::fflush(stdout);
    }
    prev = r;
  }
  return 0;
}
