// The linear triangle (P1) for -Laplace(u) = f: exact stiffness, load by a
// three-point rule exact for quadratics.
#ifndef POISSON_P1_H
#define POISSON_P1_H

namespace poisson_p1 {

// Stiffness ke and load fe, for the source f(x, y), of the triangle with
// vertices (xe, ye) counter-clockwise.
template <class F>
inline void element(double const xe[3], double const ye[3], F f_source, double ke[3][3],
                    double fe[3]) {
  double const det = (xe[1] - xe[0]) * (ye[2] - ye[0]) - (xe[2] - xe[0]) * (ye[1] - ye[0]);
  double const area = det / 2;
  // Gradients of the barycentric coordinates.
  double const gx[3] = {(ye[1] - ye[2]) / det, (ye[2] - ye[0]) / det, (ye[0] - ye[1]) / det};
  double const gy[3] = {(xe[2] - xe[1]) / det, (xe[0] - xe[2]) / det, (xe[1] - xe[0]) / det};
  for (int r = 0; r < 3; ++r) {
    fe[r] = 0;
    for (int c = 0; c < 3; ++c) ke[r][c] = (gx[r] * gx[c] + gy[r] * gy[c]) * area;
  }
  // Points at barycentric (2/3, 1/6, 1/6) and its rotations, weights area/3.
  for (int q = 0; q < 3; ++q) {
    double lam[3] = {1.0 / 6, 1.0 / 6, 1.0 / 6};
    lam[q] = 2.0 / 3;
    double const x = lam[0] * xe[0] + lam[1] * xe[1] + lam[2] * xe[2];
    double const y = lam[0] * ye[0] + lam[1] * ye[1] + lam[2] * ye[2];
    double const f = f_source(x, y) * area / 3;
    for (int r = 0; r < 3; ++r) fe[r] += f * lam[r];
  }
}

}  // namespace poisson_p1

#endif
