// reg_m: writes a structured quadrilateral grid on a rectangle as
// "reg_m.kadro2D".
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "fatal.h"
#include "grille.h"
#include "maillage.h"
#include "utils_hooks.h"

namespace {

[[noreturn]] void usage(char const* prog) {
  fatal(1, "Usage: ", prog, " [-b] minx dx nx miny dy ny\n");
}

}  // namespace

int main(int argc, char** argv) {
  char const* prog = (argc > 0 && argv[0] != nullptr) ? argv[0] : "reg_m";
  utils_debut(prog);

  int b_flag = 0;
  int c;
  while ((c = getopt(argc, argv, "b")) != -1) {
    if (c == 'b')
      b_flag = 1;
    else
      usage(prog);
  }
  if (argc - optind != 6) usage(prog);

  char** a = argv + optind;
  float const minx = static_cast<float>(std::atof(a[0]));
  float const dx = static_cast<float>(std::atof(a[1]));
  int const nx = std::atoi(a[2]);
  float const miny = static_cast<float>(std::atof(a[3]));
  float const dy = static_cast<float>(std::atof(a[4]));
  int const ny = std::atoi(a[5]);

  // Big grids take seconds: the phases are shown, on a terminal only, so
  // that the report of scripted runs stays the same.
  bool const show = isatty(2) && static_cast<long long>(nx) * ny >= 1000000;
  if (show) std::fprintf(stderr, "reg_m: grille %d x %d...\n", nx, ny);
  maillage* m = nullptr;
  try {
    m = b_flag ? gen_mb(minx, dx, nx, miny, dy, ny) : gen_ms(minx, dx, nx, miny, dy, ny);
  } catch (std::bad_alloc const&) {
    fatal(1, "Memoire insuffisante pour un maillage de ", nx, " x ", ny, fatal_nl);
  }
  if (show) std::fprintf(stderr, "reg_m: ecriture de reg_m.kadro2D...\n");
  m->ecrit_kadro("reg_m.kadro2D");
  delete m;
  utils_fin();
  return 0;
}
