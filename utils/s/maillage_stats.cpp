// Mesh quality statistics: element sizes and side lengths.
#include <cmath>

#include "maillage.h"

#include "fatal.h"
#include "maillage_io.h"

namespace {

// Minimum, maximum, sum and sum of squares, seeded by the first value;
// later values are taken in order, one accumulator per sum.
struct summary {
  double min = 0, max = 0, sum = 0, sumsq = 0;
  long long n = 0;

  void add(double v) {
    if (n++ == 0) {
      min = max = sum = v;
      sumsq = v * v;
      return;
    }
    if (v < min) min = v;
    if (v > max) max = v;
    sum += v;
    sumsq += v * v;
  }

  void results(double& mn, double& mx, double& avg, double& sd) const {
    mn = min;
    mx = max;
    avg = sum / n;
    // Rounding can leave the variance slightly below 0.
    double var = sumsq / n - avg * avg;
    if (var < 0) var = 0;
    sd = std::sqrt(var);
  }
};

// (x_c - x_a)(y_b - y_a) - (y_c - y_a)(x_b - x_a)
inline double cross(float const* a, float const* b, float const* c) {
  double const xa = a[0], ya = a[1], xb = b[0], yb = b[1], xc = c[0], yc = c[1];
  return (xc - xa) * (yb - ya) - (yc - ya) * (xb - xa);
}

inline double side(float const* a, float const* b) {
  double const dy = static_cast<double>(b[1]) - a[1];
  double const dx = static_cast<double>(b[0]) - a[0];
  return std::sqrt(dy * dy + dx * dx);
}

}  // namespace

void maillage::init_stats() {
  int const nd = ndim(), te = telem(), ne = nelem(), nv = npt();
  if (nd != 1 && nd != 2) {
    fatal(1, "Version ", nd, "D du calcul de volume non prevu (pour le moment)\n");
  }
  if (ne < 1) {
    fatal(1, "Statistiques d'une maillage sans element\n");
  }
  if (nd == 2 && te != 2 && te != 3 && te != 4) {
    fatal(1, "Version 2D du calcul de suface elements a ", te,
          " noueds non prevu (pour le moment)\n");
  }
  if (nd == 1 && te < 2) {
    fatal(1, "Version 1D du calcul de volume elements a ", te,
          " noueds non prevu (pour le moment)\n");
  }
  // Only the nodes that are measured must be vertices.
  int const used = nd == 1 ? 2 : te;
  mesh_io::rows_from_1<int> const el = mesh_io::checked_rows(elements, ne, te);
  for (int e = 1; e <= ne; ++e) {
    int const* row = el.row(e);
    for (int j = 0; j < used; ++j)
      if (row[j] < 1 || row[j] > nv) mesh_io::bad_vertex(e, row[j], nv);
  }
  mesh_io::rows_from_1<float> const s = mesh_io::checked_rows(sommets, nv, nd);
  auto vertex = [&s](int v) { return s.row(v); };

  summary se, ls;
  if (nd == 1) {
    for (int e = 1; e <= ne; ++e) {
      int const* row = el.row(e);
      se.add(std::fabs(static_cast<double>(vertex(row[1])[0]) - vertex(row[0])[0]));
    }
  } else if (te == 2) {
    for (int e = 1; e <= ne; ++e) {
      int const* row = el.row(e);
      ls.add(side(vertex(row[0]), vertex(row[1])));
    }
  } else if (te == 3) {
    for (int e = 1; e <= ne; ++e) {
      int const* row = el.row(e);
      float const *p1 = vertex(row[0]), *p2 = vertex(row[1]), *p3 = vertex(row[2]);
      se.add(0.5 * std::fabs(cross(p1, p2, p3)));
      ls.add(side(p1, p2));
      ls.add(side(p2, p3));
      ls.add(side(p3, p1));
    }
  } else {
    for (int e = 1; e <= ne; ++e) {
      int const* row = el.row(e);
      float const *p1 = vertex(row[0]), *p2 = vertex(row[1]), *p3 = vertex(row[2]),
                  *p4 = vertex(row[3]);
      // Signed halves: on a convex quadrilateral both have one sign and
      // this is |c1| + |c2| to the bit; on a non-convex one the diagonal
      // 2-4 runs outside and the halves must be subtracted.
      se.add(0.5 * std::fabs(cross(p1, p2, p4) + cross(p2, p3, p4)));
      ls.add(side(p1, p2));
      ls.add(side(p2, p3));
      ls.add(side(p3, p4));
      ls.add(side(p4, p1));
    }
  }

  st_surf_tot = st_min_se = st_max_se = st_avg_se = st_sd_se = 0;
  st_min_ls = st_max_ls = st_avg_ls = st_sd_ls = 0;
  if (se.n > 0) {
    st_surf_tot = se.sum;
    se.results(st_min_se, st_max_se, st_avg_se, st_sd_se);
  }
  if (ls.n > 0) {
    ls.results(st_min_ls, st_max_ls, st_avg_ls, st_sd_ls);
    // Segments in the plane have no area; their total is their length.
    if (se.n == 0) st_surf_tot = ls.sum;
  }
  stat_status = 1;
}
