// -Laplace(u) = f on a plane mesh of triangles (P1) or quadrilaterals (Q1)
// with u given on some vertices: element checks and assembly into a
// symmetric profile matrix, shared by the Gmsh example and the benchmarks.
#ifndef POISSON_FEM_H
#define POISSON_FEM_H

#include <vector>

#include "maillage.h"
#include "poisson_p1.h"
#include "poisson_q1.h"
#include "profil.h"
#include "vecteurs.h"

namespace poisson_fem {

// The vertices of element e counter-clockwise in n and their coordinates in
// xe, ye (Gmsh writes both orientations). False when the element is
// degenerate or, for a quadrilateral, not strictly convex: the bilinear map
// of such a cell folds over.
inline bool corners(maillage const& m, int e, int n[4], double xe[4], double ye[4]) {
  int const t = m.telem();
  for (int k = 0; k < t; ++k) n[k] = m.lg(e, k + 1);
  int positive = 0, negative = 0;
  for (int k = 0; k < t; ++k) {
    int const a = n[k], b = n[(k + 1) % t], c = n[(k + 2) % t];
    double const turn = (double(m.x(b)) - m.x(a)) * (double(m.y(c)) - m.y(b)) -
                        (double(m.y(b)) - m.y(a)) * (double(m.x(c)) - m.x(b));
    positive += turn > 0;
    negative += turn < 0;
  }
  if (positive != t && negative != t) return false;
  if (negative == t) {
    int const first = n[1];
    n[1] = n[t - 1];
    n[t - 1] = first;
  }
  for (int k = 0; k < t; ++k) {
    xe[k] = m.x(n[k]);
    ye[k] = m.y(n[k]);
  }
  return true;
}

// 0, or the first element that corners() refuses.
inline int first_bad_element(maillage const& m) {
  int n[4] = {0, 0, 0, 0};
  double xe[4], ye[4];
  for (int e = 1; e <= m.nelem(); ++e)
    if (!corners(m, e, n, xe, ye)) return e;
  return 0;
}

// Area of the counter-clockwise polygon (xe, ye) of t vertices.
inline double area(double const xe[4], double const ye[4], int t) {
  double s = 0;
  for (int k = 0; k < t; ++k) {
    int const l = (k + 1) % t;
    s = (xe[k] * ye[l] - xe[l] * ye[k]) + s;
  }
  return s / 2;
}

// Sets a and b to the system of the mesh m (2-D, 3 or 4 nodes per element,
// every element accepted by corners()): a must have the profile of
// profil_voisins on m's neighbour lists, b any bounds. The line of a vertex
// i with fixed[i] != 0 becomes an identity line with the value g[i], and
// that value moves to the right-hand side of the other lines, so that the
// matrix stays symmetric positive definite.
template <class F>
void assemble(maillage const& m, std::vector<char> const& fixed, dvector const& g, F source,
              skysmatrix<double>& a, dvector& b) {
  int const nv = m.npt(), t = m.telem();
  a = 0.0;
  b.resize(1, nv);
  b = 0.0;
  for (int e = 1; e <= m.nelem(); ++e) {
    int n[4] = {0, 0, 0, 0};
    double xe[4], ye[4], ke[4][4], fe[4];
    corners(m, e, n, xe, ye);
    if (t == 3) {
      double k3[3][3];
      poisson_p1::element(xe, ye, source, k3, fe);
      for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) ke[r][c] = k3[r][c];
    } else {
      poisson_q1::element(xe, ye, source, ke, fe);
    }
    for (int r = 0; r < t; ++r) {
      int const i = n[r];
      if (fixed[i]) continue;
      b[i] += fe[r];
      for (int c = 0; c < t; ++c) {
        int const j = n[c];
        if (fixed[j])
          b[i] -= ke[r][c] * g[j];
        else if (i >= j)
          a(i, j) += ke[r][c];
      }
    }
  }
  for (int i = 1; i <= nv; ++i)
    if (fixed[i]) {
      a(i, i) = 1;
      b[i] = g[i];
    }
}

}  // namespace poisson_fem

#endif
