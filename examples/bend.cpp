// bend: bends a two-dimensional mesh into an annular sector (maillage::courb)
// and writes the result as a mesh viewer file.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fatal.h"
#include "maillage.h"
#include "utils_hooks.h"

namespace {

[[noreturn]] void usage(char const* prog) {
  fatal(1, "Usage: ", prog, " entree.kadro2D R1 N k sortie.kadro2D\n");
}

bool number(char const* s, double& v) {
  char* end = nullptr;
  errno = 0;
  v = std::strtod(s, &end);
  return errno == 0 && end != s && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  char const* prog = (argc > 0 && argv[0] != nullptr) ? argv[0] : "bend";
  utils_debut(prog);
  double r1, n, k;
  // Sector k of N in a full turn, inner radius R1 > 0.
  if (argc != 6 || !number(argv[2], r1) || !number(argv[3], n) || !number(argv[4], k) ||
      !(r1 > 0) || !(n >= 1 && n <= 1e6) || !(k >= -1e6 && k <= 1e6) || n != std::floor(n) ||
      k != std::floor(k))
    usage(prog);
  maillage m(argv[1]);
  maillage& b = m.courb(r1, static_cast<int>(n), static_cast<int>(k));
  b.ecrit_kadro(argv[5]);
  delete &b;
  utils_fin();
  return 0;
}
