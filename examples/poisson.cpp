// poisson: -Laplace(u) = f on the unit square with u = sin(pi x) sin(pi y),
// bilinear quadrilaterals on generated grids; prints the vertex errors and
// the observed order of convergence for a sequence of refinements.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fatal.h"
#include "grille.h"
#include "llist.h"
#include "maillage.h"
#include "poisson_fem.h"
#include "poisson_q1.h"
#include "profil.h"
#include "renum.h"
#include "utils_hooks.h"
#include "vecteurs.h"

namespace {

int const kMaxCells = 512;  // the profile of the largest grid is about 1 GB

[[noreturn]] void usage(char const* prog) {
  fatal(1, "Usage: ", prog, " [n ...]  (n: cells per side, 2..", kMaxCells, ", increasing)\n");
}

// Phase names on stderr for the large grids, only on a terminal.
void phase(int n, char const* what) {
  if (n >= 128 && isatty(2)) {
    std::fprintf(stderr, "\rn = %d: %-16s", n, what);
    std::fflush(stderr);
  }
}

struct result {
  int npt;
  double emax, el2;
};

// Profile of the stiffness matrix from the vertex neighbour lists: line i
// starts at its smallest neighbour.
gvector<int> stiffness_profile(maillage const& m) {
  std::unique_ptr<gcolect<llist<int>>> voisins(&m.list_voisins());
  return profil_voisins(*voisins);
}

result solve_on_grid(int n) {
  double const h = 1.0 / n;
  // Vertices at i*h exactly: the generator shifts them back by half a step.
  maillage* m = gen_mb(static_cast<float>(h / 2), static_cast<float>(h), n,
                       static_cast<float>(h / 2), static_cast<float>(h), n);
  int const nv = m->npt();

  phase(n, "profil");
  skysmatrix<double> a(stiffness_profile(*m));
  dvector b, g(1, nv);
  std::vector<char> fixed(static_cast<std::size_t>(nv) + 1, 0);
  double const eps = 1e-6;
  for (int i = 1; i <= nv; ++i) {
    double const x = m->x(i), y = m->y(i);
    g[i] = poisson_q1::exact(x, y);
    if (x < eps || x > 1 - eps || y < eps || y > 1 - eps) fixed[i] = 1;
  }

  phase(n, "assemblage");
  poisson_fem::assemble(*m, fixed, g, poisson_q1::source, a, b);

  phase(n, "factorisation");
  int const bad = a.choleski();
  if (bad != 0) {
    fatal(1, "Factorisation de Cholesky impossible a la ligne ", bad, " (grille ", n, ")\n");
  }
  phase(n, "resolution");
  dvector u;
  a.solve(b, u);

  result res{nv, 0, 0};
  double sum = 0;
  for (int i = 1; i <= nv; ++i) {
    double const d = std::fabs(u[i] - g[i]);
    if (d > res.emax) res.emax = d;
    sum = d * d + sum;
  }
  res.el2 = std::sqrt(sum * h * h);
  delete m;
  if (n >= 128 && isatty(2)) std::fprintf(stderr, "\r%30s\r", "");
  return res;
}

int parse_cells(char const* s, char const* prog) {
  char* end = nullptr;
  errno = 0;
  long const v = std::strtol(s, &end, 10);
  if (errno != 0 || end == s || *end != '\0' || v < 2 || v > kMaxCells) usage(prog);
  return static_cast<int>(v);
}

}  // namespace

int main(int argc, char** argv) {
  char const* prog = (argc > 0 && argv[0] != nullptr) ? argv[0] : "poisson";
  utils_debut(prog);
  std::vector<int> cells;
  for (int k = 1; k < argc; ++k) {
    cells.push_back(parse_cells(argv[k], prog));
    if (cells.size() > 1 && cells.back() <= cells[cells.size() - 2]) usage(prog);
  }
  if (cells.empty()) cells = {8, 16, 32, 64};

  std::printf(
      "-Laplace(u) = f on [0,1]^2, u = sin(pi x) sin(pi y), "
      "bilinear quadrilaterals\n");
  std::printf("%6s %10s %12s %6s %12s %6s\n", "n", "vertices", "max error", "order", "L2 error",
              "order");
  result prev{0, 0, 0};
  for (std::size_t k = 0; k < cells.size(); ++k) {
    result const r = solve_on_grid(cells[k]);
    if (k == 0) {
      std::printf("%6d %10d %12.4e %6s %12.4e %6s\n", cells[k], r.npt, r.emax, "-", r.el2, "-");
    } else {
      double const ratio = std::log(static_cast<double>(cells[k]) / cells[k - 1]);
      std::printf("%6d %10d %12.4e %6.2f %12.4e %6.2f\n", cells[k], r.npt, r.emax,
                  std::log(prev.emax / r.emax) / ratio, r.el2, std::log(prev.el2 / r.el2) / ratio);
    }
    std::fflush(stdout);
    prev = r;
  }
  utils_fin();
  return 0;
}
