// profil_laplacien: writes the profile plot (gr_profil) of the 5-point
// Laplacian of an nx x ny grid of nodes numbered row by row, for
// tools/plot_profil.sh. With -s the symmetric matrix (column runs only),
// else the general one (column and row runs); -c also writes its grid files
// (<out>.c3d_profil, <out>.c3d_val) and -l its line sums (<out>.sum).
//
//   profil_laplacien [-s] [-c] [-l] nx ny out
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fatal.h"
#include "profil.h"
#include "utils_hooks.h"

namespace {

// Node (i, j), i along x, is line (j - 1) nx + i; its neighbours below are
// the one on the left (i > 1) and the one a row down (j > 1).
int premiere_colonne(int k, int nx) {
  int const i = (k - 1) % nx + 1;
  if (k > nx) return k - nx;
  return i > 1 ? k - 1 : k;
}

template <class M>
void remplit(M& a, int nx, int n, int symetrique) {
  a = 0.0;
  for (int k = 1; k <= n; ++k) {
    a(k, k) = 4.0;
    int const i = (k - 1) % nx + 1;
    if (i > 1) {
      a(k, k - 1) = -1.0;
      if (!symetrique) a(k - 1, k) = -1.0;
    }
    if (k > nx) {
      a(k, k - nx) = -1.0;
      if (!symetrique) a(k - nx, k) = -1.0;
    }
  }
}

[[noreturn]] void usage(char const* prog) {
  fatal(1, "Usage: ", prog, " [-s] [-c] [-l] nx ny fichier", fatal_nl);
}

}  // namespace

int main(int argc, char** argv) {
  utils_debut(argv[0]);
  int symetrique = 0, grilles = 0, sommes = 0, c;
  while ((c = getopt(argc, argv, "scl")) != -1) {
    if (c == 's')
      symetrique = 1;
    else if (c == 'c')
      grilles = 1;
    else if (c == 'l')
      sommes = 1;
    else
      usage(argv[0]);
  }
  if (argc - optind != 3) usage(argv[0]);
  long const nx = std::strtol(argv[optind], nullptr, 10),
             ny = std::strtol(argv[optind + 1], nullptr, 10);
  if (nx < 1 || ny < 1 || nx > 4096 || ny > 4096)
    fatal(1, "Taille de grille incorrecte (1 a 4096 noeuds par cote)", fatal_nl);
  std::string const out = argv[optind + 2];
  int const n = int(nx * ny);

  // Line k of the general matrix holds 2 m(k) + 1 entries, of the
  // symmetric one m(k) + 1, m(k) = k - first column.
  gvector<int> p(0, n);
  p[0] = 0;
  for (int k = 1; k <= n; ++k) {
    int const m = k - premiere_colonne(k, int(nx));
    p[k] = p[k - 1] + (symetrique ? m + 1 : 2 * m + 1);
  }
  skygmatrix<double>* a;
  if (symetrique) {
    skysmatrix<double>* s = new skysmatrix<double>(p);
    remplit(*s, int(nx), n, 1);
    a = s;
  } else {
    a = new skygmatrix<double>(p);
    remplit(*a, int(nx), n, 0);
  }
  a->gr_profil(out.c_str(), 0, 0);
  if (grilles) {
    a->c3d_profil((out + ".c3d_profil").c_str());
    a->c3d_val((out + ".c3d_val").c_str());
  }
  if (sommes) a->sum_lines((out + ".sum").c_str());
  delete a;
  utils_fin();
  return 0;
}
