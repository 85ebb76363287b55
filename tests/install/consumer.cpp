// A program built against the installed library: solves a small system and
// builds a mesh, using only the installed headers and libraries. It links
// the standard hooks (utils::hooks, utils-hooks.pc); built with OWN_HOOKS
// it defines them itself and links libutils.a alone.
#include <cstdio>

#include "maillage.h"
#include "matrices.h"
#include "runstat.h"
#include "threads.h"
#include "vecteurs.h"
#if __has_include("profil.h")
#include "profil.h"
#endif

#ifdef OWN_HOOKS
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
#else
#include "utils_hooks.h"
#endif

int main(int, char** argv) {
#ifdef OWN_HOOKS
  sst = new runstat(stderr, argv[0]);
#else
  utils_debut(argv[0]);
#endif

  gmatrix<double> a(1, 2, 1, 2);
  a(1, 1) = 2;
  a(1, 2) = 1;
  a(2, 1) = 4;
  a(2, 2) = 3;
  a.gauss();
  dvector b(1, 2), x;
  b[1] = 3;
  b[2] = 7;
  a.solve(b, x);
  std::printf("gauss: x = %g %g\n", x[1], x[2]);

#if __has_include("profil.h")
  // Tridiagonal [4 -1; -1 4 -1; -1 4] x = (3, 2, 3): x = (1, 1, 1).
  gvector<int> p(0, 3);
  p[0] = 0;
  p[1] = 1;
  p[2] = 3;
  p[3] = 5;
  skysmatrix<double> s(p);
  s(1, 1) = 4;
  s(2, 1) = -1;
  s(2, 2) = 4;
  s(3, 2) = -1;
  s(3, 3) = 4;
  dvector c(1, 3), y;
  c[1] = 3;
  c[2] = 2;
  c[3] = 3;
  s.choleski();
  s.solve(c, y);
  std::printf("choleski: x = %g %g %g\n", y[1], y[2], y[3]);

  // A band large enough for the library's threads: two threads and one
  // give the same bits.
  int const nb = 4000, w = 40;
  gvector<int> pb(0, nb);
  pb[0] = 0;
  for (int i = 1; i <= nb; ++i) pb[i] = pb[i - 1] + (i <= w ? i : w + 1);
  skysmatrix<double> band(pb);
  band = -0.01;
  for (int i = 1; i <= nb; ++i) band(i, i) = 4;
  skysmatrix<double> one(band);
  utils_set_threads(2);
  band.choleski();
  utils_set_threads(1);
  one.choleski();
  std::printf("threads: %s\n",
              band.values() == one.values() ? "same bits on 1 and 2" : "different");
#endif

  gmatrix<float> som(1, 3, 1, 2);
  som(1, 1) = 0;
  som(1, 2) = 0;
  som(2, 1) = 1;
  som(2, 2) = 0;
  som(3, 1) = 0;
  som(3, 2) = 1;
  gmatrix<int> elem(1, 1, 1, 3);
  elem(1, 1) = 1;
  elem(1, 2) = 2;
  elem(1, 3) = 3;
  gvector<int> refs(1, 3);
  refs = 0;
  maillage m(som, elem, refs, "triangle");
  std::printf("mesh: %d vertices, %d element\n", m.npt(), m.nelem());

#ifdef OWN_HOOKS
  delete sst;
#else
  utils_fin();
#endif
  return 0;
}
