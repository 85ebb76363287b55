// Rectangular grid generators: vertex coordinates, connectivity and the
// mesh title.
#include "grille.h"

#include <climits>
#include <cstdio>
#include <utility>

#include "fatal.h"
#include "maillage.h"
#include "matrices.h"
#include "storage.h"
#include "vecteurs.h"

namespace {

char const* const kTitre = "Maillage rectangulaire automatique";

// Sizes are refused before anything is allocated: negative counts, and
// grids whose vertex or connectivity storage would not fit in an int count.
void check_sizes(int nx, int ny, long long nv, long long ne) {
  if (nx < 0 || ny < 0) fatal(1, "Nombre de mailles negatif: nx=", nx, " ny=", ny, fatal_nl);
  if (nv > INT_MAX / 2 || ne > INT_MAX / 4)
    fatal(1, "Maillage trop grand: nx=", nx, " ny=", ny, fatal_nl);
}

maillage* make_mesh(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs, int nx, int ny) {
  char tt[160];
  std::snprintf(tt, sizeof tt, "%72s %d x %d", kTitre, nx, ny);
  tt[80] = '\0';
  return new maillage(std::move(som), std::move(elem), std::move(refs), tt);
}

// Vertices i = 0..nx-1, j = 0..ny-1 at (i*dx + minx + sx, j*dy + miny + sy),
// computed in double and stored as float; elements counter-clockwise from
// their lower-left corner.
maillage* gen_grid(float minx, float dx, int nx, float miny, float dy, int ny, bool shift, int tnx,
                   int tny) {
  int const cx = nx > 0 ? nx - 1 : 0;  // cells along each axis
  int const cy = ny > 0 ? ny - 1 : 0;
  long long const nv = static_cast<long long>(nx) * ny;
  long long const ne = static_cast<long long>(cx) * cy;
  huge_pages_scope mesh_arrays;
  gmatrix<float> som(1, static_cast<int>(nv), 1, 2);
  gmatrix<int> elem(1, static_cast<int>(ne), 1, 4);
  gvector<int> refs(1, static_cast<int>(nv));

  double const hx = shift ? static_cast<double>(dx) * 0.5 : 0.0;
  double const hy = shift ? static_cast<double>(dy) * 0.5 : 0.0;
  float* s = som.debut();
  for (int j = 0; j < ny; ++j) {
    double yy = static_cast<double>(j) * dy + miny;
    if (shift) yy = yy - hy;
    float const fy = static_cast<float>(yy);
    for (int i = 0; i < nx; ++i) {
      double xx = static_cast<double>(i) * dx + minx;
      if (shift) xx = xx - hx;
      *s++ = static_cast<float>(xx);
      *s++ = fy;
    }
  }
  int* e = elem.debut();
  for (int j = 1; j <= cy; ++j) {
    int const b = (j - 1) * nx, t = j * nx;
    for (int i = 1; i <= cx; ++i) {
      *e++ = b + i;
      *e++ = b + i + 1;
      *e++ = t + i + 1;
      *e++ = t + i;
    }
  }
  int* r = refs.debut();
  for (long long k = 0; k < nv; ++k) r[k] = 0;
  return make_mesh(std::move(som), std::move(elem), std::move(refs), tnx, tny);
}

}  // namespace

// Counts are numbers of cells; vertices sit half a step before each cell's
// lower-left corner. The caller owns the result.
maillage* gen_mb(float minx, float dx, int nx, float miny, float dy, int ny) {
  long long const vx = static_cast<long long>(nx) + 1;
  long long const vy = static_cast<long long>(ny) + 1;
  check_sizes(nx, ny, vx * vy, static_cast<long long>(nx) * ny);
  return gen_grid(minx, dx, nx + 1, miny, dy, ny + 1, true, nx, ny);
}

// Counts are numbers of vertices; the first vertex is on the origin. A count
// of 0 gives no vertex and no element. The caller owns the result.
maillage* gen_ms(float minx, float dx, int nx, float miny, float dy, int ny) {
  long long const ne = (nx > 0 && ny > 0) ? static_cast<long long>(nx - 1) * (ny - 1) : 0;
  check_sizes(nx, ny, static_cast<long long>(nx) * ny, ne);
  return gen_grid(minx, dx, nx, miny, dy, ny, false, nx, ny);
}
