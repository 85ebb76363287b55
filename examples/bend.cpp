// bend: bends a two-dimensional mesh into an annular sector (maillage::courb)
// and writes the result as a mesh viewer file.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "maillage.h"
#include "runstat.h"

runstat* sst = nullptr;

void nerror(char const* st) {
  sst->msg(st);
  sst->kill(1);
}

void nerror() {
  sst->nl();
  sst->kill(1);
}

void nmsg(char const* st) { sst->msg(st); }

void nmsg(int i) { sst->msg(i); }

namespace {

[[noreturn]] void usage(char const* prog) {
  sst->msg("Usage: ").msg(prog).msg(" entree.kadro2D R1 N k sortie.kadro2D\n");
  sst->kill(1);
  std::abort();
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
  sst = new runstat(stderr, prog);
  double r1, n, k;
  // Sector k of N in a full turn, inner radius R1 > 0.
  if (argc != 6 || !number(argv[2], r1) || !number(argv[3], n) ||
      !number(argv[4], k) || !(r1 > 0) || !(n >= 1 && n <= 1e6) ||
      !(k >= -1e6 && k <= 1e6) || n != std::floor(n) || k != std::floor(k))
    usage(prog);
  maillage m(argv[1]);
  maillage& b = m.courb(r1, static_cast<int>(n), static_cast<int>(k));
  b.ecrit_kadro(argv[5]);
  delete &b;
  delete sst;
  sst = nullptr;
  return 0;
}
