// Mesh transforms, merge and periodic identification.
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "maillage.h"
#include "fatal.h"
#include "maillage_io.h"

using mesh_io::checked_from_1;
using mesh_io::checked_rows;

namespace {

double const two_pi = 6.283185307179586;
double const pi = 3.141592653589793;

[[noreturn]] void not_2d(char const* what, int dim) {
  fatal(1, "Tentative de ", what, " 2D d'une maillage ", dim, "D\n");
}

// New coordinates for every vertex: f(x, y, x', y') in double precision,
// stored as float.
template <class F>
gmatrix<float> map_vertices(gmatrix<float> const& sommets, int n, F f) {
  gmatrix<float> out(1, n, 1, 2);
  mesh_io::rows_from_1<float> const in = checked_rows(sommets, n, 2);
  float* o = out.debut();
  for (int i = 1; i <= n; ++i, o += 2) {
    float const* p = in.row(i);
    double xo, yo;
    f(static_cast<double>(p[0]), static_cast<double>(p[1]), xo, yo);
    o[0] = static_cast<float>(xo);
    o[1] = static_cast<float>(yo);
  }
  return out;
}

}  // namespace

maillage& maillage::rot(double cx, double cy, double theta) const {
  if (ndim() != 2) not_2d("rotation", ndim());
  // A NaN angle is no more a rotation than a too large one.
  if (!(theta <= two_pi && theta >= -two_pi)) {
    fatal(2, "Tentative de rotation 2D d'angle trop grand: ", theta,
          "");  // no newline
  }
  double const c = std::cos(theta), s = std::sin(theta);
  gmatrix<float> som =
      map_vertices(sommets, npt(), [=](double x, double y, double& xo, double& yo) {
        xo = (x - cx) * c - (y - cy) * s + cx;
        yo = (x - cx) * s + (y - cy) * c + cy;
      });
  return *new maillage(std::move(som), elements, refsom, s_dom, titre);
}

maillage& maillage::tran(double tx, double ty) const {
  if (ndim() != 2) not_2d("rotation", ndim());
  gmatrix<float> som =
      map_vertices(sommets, npt(), [=](double x, double y, double& xo, double& yo) {
        xo = x + tx;
        yo = y + ty;
      });
  return *new maillage(std::move(som), elements, refsom, s_dom, titre);
}

maillage& maillage::homot(double cx, double cy, double r) const {
  if (ndim() != 2) not_2d("homotetie", ndim());
  gmatrix<float> som =
      map_vertices(sommets, npt(), [=](double x, double y, double& xo, double& yo) {
        xo = (x - cx) * r + cx;
        yo = (y - cy) * r + cy;
      });
  return *new maillage(std::move(som), elements, refsom, s_dom, titre);
}

maillage& maillage::courb(double R1, int N, int k) const {
  if (ndim() != 2) not_2d("courbure", ndim());
  int const n = npt();
  mesh_io::rows_from_1<float> const in = checked_rows(sommets, n, 2);
  float min_x = FLT_MAX, min_y = FLT_MAX, max_x = -FLT_MAX, max_y = -FLT_MAX;
  for (int i = 1; i <= n; ++i) {
    float const* p = in.row(i);
    if (p[0] < min_x) min_x = p[0];
    if (p[1] < min_y) min_y = p[1];
    if (p[0] > max_x) max_x = p[0];
    if (p[1] > max_y) max_y = p[1];
  }
  double const W = static_cast<double>(max_x) - min_x;
  double const H = static_cast<double>(max_y) - min_y;
  // Otherwise every coordinate would come out infinite or undefined.
  if (N == 0) {
    fatal(1, "Tentative de courbure 2D en 0 secteurs\n");
  }
  if (!(W > 0 && H > 0)) {
    fatal(1, "Tentative de courbure 2D d'une maillage de largeur ", W, " et de hauteur ", H,
          fatal_nl);
  }
  double const R2 = (H * two_pi / (N * W) + 1) * R1;
  double const m1 = two_pi / (N * (static_cast<double>(min_x) - max_x));
  double const b1 = (static_cast<double>(k) + k) * pi / N;
  double const m2 = (R2 - R1) / H;
  double const xr = max_x, yb = min_y;
  gmatrix<float> som = map_vertices(sommets, n, [=](double x, double y, double& xo, double& yo) {
    double const t = (x - xr) * m1 + b1;
    double const rho = (y - yb) * m2 + R1;
    xo = std::cos(t) * rho;
    yo = std::sin(t) * rho;
  });
  return *new maillage(std::move(som), elements, refsom, s_dom, titre);
}

maillage maillage::operator+(maillage const& m) const {
  maillage const& a = *this;
  maillage const& b = m;
  bool const ea = a.empty() != 0, eb = b.empty() != 0;
  if (ea && eb) return maillage();
  if (!ea && !eb && (a.ndim() != b.ndim() || a.telem() != b.telem())) return maillage();
  int const dim = ea ? b.ndim() : a.ndim();
  int const te = ea ? b.telem() : a.telem();
  // A mesh without any element matrix reports -1 elements and subdomains.
  int const nA = a.npt(), nB = b.npt();
  int const eA = std::max(a.nelem(), 0), eB = std::max(b.nelem(), 0);
  int const dA = std::max(a.nsd(), 0), dB = std::max(b.nsd(), 0);
  if (static_cast<long long>(nA) + nB > INT_MAX || static_cast<long long>(eA) + eB > INT_MAX ||
      static_cast<long long>(dA) + dB >= INT_MAX) {
    fatal(1, "Maillage resultat trop grand\n");
  }

  gmatrix<float> som(1, nA + nB, 1, dim);
  if (nA > 0) {
    mesh_io::rows_from_1<float> const s = checked_rows(a.sommets, nA, dim);
    for (int i = 1; i <= nA; ++i) std::copy(s.row(i), s.row(i) + dim, som.debut_ligne(i));
  }
  if (nB > 0) {
    mesh_io::rows_from_1<float> const s = checked_rows(b.sommets, nB, dim);
    for (int i = 1; i <= nB; ++i) std::copy(s.row(i), s.row(i) + dim, som.debut_ligne(nA + i));
  }

  gmatrix<int> elem;
  if (te >= 1) {
    elem.resize(1, eA + eB, 1, te);
    if (eA > 0) {
      mesh_io::rows_from_1<int> const e = checked_rows(a.elements, eA, te);
      for (int i = 1; i <= eA; ++i) std::copy(e.row(i), e.row(i) + te, elem.debut_ligne(i));
    }
    if (eB > 0) {
      mesh_io::rows_from_1<int> const e = checked_rows(b.elements, eB, te);
      for (int i = 1; i <= eB; ++i) {
        int const* src = e.row(i);
        int* dst = elem.debut_ligne(eA + i);
        for (int j = 0; j < te; ++j) dst[j] = src[j] + nA;
      }
    }
  }

  gvector<int> refs(1, nA + nB);
  if (nA > 0) {
    int const* r = checked_from_1(a.refsom, nA);
    std::copy(r, r + nA, refs.debut());
  }
  if (nB > 0) {
    int const* r = checked_from_1(b.refsom, nB);
    std::copy(r, r + nB, refs.debut() + nA);
  }

  gvector<int> s(0, dA + dB);
  s[0] = 0;
  for (int i = 1; i <= dA; ++i) s[i] = a.s_dom[i];
  int const offset = ea || dA == 0 ? 0 : a.s_dom[dA];
  for (int i = 1; i <= dB; ++i) s[dA + i] = b.s_dom[i] + offset;

  return maillage(std::move(som), std::move(elem), std::move(refs), std::move(s),
                  "Maillage resultat");
}

// ---------------------------------------------------------------- periodic

namespace {
struct y_vertex {
  float y;
  int v;
};
}  // namespace

int maillage::ordrey(void const* a, void const* b) {
  y_vertex const& p = *static_cast<y_vertex const*>(a);
  y_vertex const& q = *static_cast<y_vertex const*>(b);
  // NaN last, so that the order stays total.
  bool const np = std::isnan(p.y), nq = std::isnan(q.y);
  if (np != nq) return np ? 1 : -1;
  if (p.y < q.y) return -1;
  if (q.y < p.y) return 1;
  return (p.v > q.v) - (p.v < q.v);
}

void maillage::fix_per(int rd, int rcd, int rg, int rcg) {
  int const n = npt();
  if (ndim() < 2) {
    fatal(1, "Maillage invalide: identification periodique d'une maillage ", ndim(), "D\n");
  }
  int const* r = checked_from_1(refsom, n);
  mesh_io::rows_from_1<float> const s = checked_rows(sommets, n, 2);
  auto y = [&s](int v) -> float& { return s(v, 2); };

  int c_dt = 0, c_gch = 0, icd = 0, icg = 0;
  for (int i = 1; i <= n; ++i) {
    int const t = r[i - 1];
    if (t == rd)
      ++c_dt;
    else if (t == rcd)
      icd = i;
    else if (t == rg)
      ++c_gch;
    else if (t == rcg)
      icg = i;
  }
  if (icd == 0 || icg == 0) {
    fatal(1, "Maillage invalide: aucun sommet de coin de reference ", icd == 0 ? rcd : rcg,
          fatal_nl);
  }
  y(icg) = y(icd);
  if (c_gch != c_dt) {
    fatal(1, "Maillage invalide: ", c_dt, " sur la droite ", c_gch, " sur la gauche\n");
  }

  // Both edges by increasing y, ties in vertex order.
  std::vector<y_vertex> dt, gch;
  dt.reserve(c_dt);
  gch.reserve(c_gch);
  for (int i = 1; i <= n; ++i) {
    int const t = r[i - 1];
    if (t == rd)
      dt.push_back({y(i), i});
    else if (t != rcd && t == rg)
      gch.push_back({y(i), i});
  }
  std::qsort(dt.data(), dt.size(), sizeof(y_vertex), ordrey);
  std::qsort(gch.data(), gch.size(), sizeof(y_vertex), ordrey);
  for (std::size_t i = 0; i < dt.size(); ++i) y(gch[i].v) = dt[i].y;
}
