// A program built against the installed utils::petsc: a profile matrix
// solved by PETSc on every process of the run, with the standard hooks.
#include <cstdio>

#include "utils_petsc.h"

int main(int argc, char** argv) {
  petsc_session session(argc, argv);
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
  dvector c(1, 3);
  c[1] = 3;
  c[2] = 2;
  c[3] = 3;
  Mat a = vers_petsc(s);
  Vec b = vers_petsc(c), x;
  VecDuplicate(b, &x);
  resout_petsc(a, b, x);
  dvector const y = depuis_petsc(x, 0);
  if (session.rang() == 0)
    std::printf("petsc: x = %.12g %.12g %.12g on %d processes\n", y[1], y[2], y[3],
                session.taille());
  MatDestroy(&a);
  VecDestroy(&b);
  VecDestroy(&x);
  return 0;
}
