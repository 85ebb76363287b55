// reg_m: writes a structured quadrilateral grid on a rectangle as
// "reg_m.kadro2D".
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "grille.h"
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
  sst->msg("Usage: ").msg(prog).msg(" [-b] minx dx nx miny dy ny\n");
  sst->kill(1);
  std::abort();
}

}  // namespace

int main(int argc, char** argv) {
  char const* prog = (argc > 0 && argv[0] != nullptr) ? argv[0] : "reg_m";
  sst = new runstat(stderr, prog);

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
    m = b_flag ? gen_mb(minx, dx, nx, miny, dy, ny)
               : gen_ms(minx, dx, nx, miny, dy, ny);
  } catch (std::bad_alloc const&) {
    sst->msg("Memoire insuffisante pour un maillage de ").msg(nx);
    sst->msg(" x ").msg(ny).nl().kill(1);
  }
  if (show) std::fprintf(stderr, "reg_m: ecriture de reg_m.kadro2D...\n");
  m->ecrit_kadro("reg_m.kadro2D");
  delete m;
  if (sst != nullptr) {
    delete sst;
    sst = nullptr;
  }
  return 0;
}
