// The Poisson problem -Laplace(u) = f on the unit square with
// u = sin(pi x) sin(pi y), and its bilinear quadrilateral element with
// 2 x 2 Gauss points, shared by the serial and the distributed examples and
// their tests.
#ifndef POISSON_Q1_H
#define POISSON_Q1_H

#include <cmath>

namespace poisson_q1 {

double const kPi = 3.141592653589793;

inline double exact(double x, double y) { return std::sin(kPi * x) * std::sin(kPi * y); }
inline double source(double x, double y) { return 2 * kPi * kPi * exact(x, y); }

// Stiffness ke and load fe, for the source f(x, y), of the quadrilateral
// with vertices (xe, ye) counter-clockwise: 2 x 2 Gauss points on the
// reference square [-1,1]^2, nodes counter-clockwise from (-1,-1).
template <class F>
inline void element(double const xe[4], double const ye[4], F f_source, double ke[4][4],
                    double fe[4]) {
  double const q = 1 / std::sqrt(3.0);
  double const gp[2] = {-q, q};
  double const xi[4] = {-1, 1, 1, -1}, eta[4] = {-1, -1, 1, 1};
  for (int r = 0; r < 4; ++r) {
    fe[r] = 0;
    for (int c = 0; c < 4; ++c) ke[r][c] = 0;
  }
  for (double s : gp)
    for (double t : gp) {
      double nf[4], ds[4], dt[4];
      for (int k = 0; k < 4; ++k) {
        nf[k] = (1 + xi[k] * s) * (1 + eta[k] * t) / 4;
        ds[k] = xi[k] * (1 + eta[k] * t) / 4;
        dt[k] = eta[k] * (1 + xi[k] * s) / 4;
      }
      double j11 = 0, j12 = 0, j21 = 0, j22 = 0, x = 0, y = 0;
      for (int k = 0; k < 4; ++k) {
        j11 += ds[k] * xe[k];
        j12 += ds[k] * ye[k];
        j21 += dt[k] * xe[k];
        j22 += dt[k] * ye[k];
        x += nf[k] * xe[k];
        y += nf[k] * ye[k];
      }
      double const det = j11 * j22 - j12 * j21;
      double gx[4], gy[4];
      for (int k = 0; k < 4; ++k) {
        gx[k] = (j22 * ds[k] - j12 * dt[k]) / det;
        gy[k] = (-j21 * ds[k] + j11 * dt[k]) / det;
      }
      double const f = f_source(x, y) * det;
      for (int r = 0; r < 4; ++r) {
        fe[r] += f * nf[r];
        for (int c = 0; c < 4; ++c) ke[r][c] += (gx[r] * gx[c] + gy[r] * gy[c]) * det;
      }
    }
}

// The same for this problem's source, the quadrilateral counter-clockwise
// from its lower-left corner.
inline void element(double const xe[4], double const ye[4], double ke[4][4], double fe[4]) {
  element(xe, ye, source, ke, fe);
}

}  // namespace poisson_q1

#endif
