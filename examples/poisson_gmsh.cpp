// poisson_gmsh: -Laplace(u) = f with u = sin(pi x) sin(pi y) + x^2 on Gmsh
// meshes (P1 triangles or Q1 quadrilaterals), u given on the tagged
// vertices. Renumbers the vertices for a small profile, factors with
// Cholesky, and prints the errors and their orders over the meshes given,
// then the profile and factorization time in the file's numbering and
// renumbered; writes the solution and its error on the last mesh as VTK.
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fatal.h"
#include "llist.h"
#include "maillage.h"
#include "poisson_fem.h"
#include "profil.h"
#include "renum.h"
#include "utils_hooks.h"
#include "vecteurs.h"
#include "vtk.h"

namespace {

double const kPi = 3.141592653589793;

double exact(double x, double y) { return std::sin(kPi * x) * std::sin(kPi * y) + x * x; }
double source(double x, double y) {
  return 2 * kPi * kPi * std::sin(kPi * x) * std::sin(kPi * y) - 2;
}

// No matrix above 2^28 entries (2 GiB): a mesh of a few megabytes in a bad
// numbering would otherwise ask for hundreds of gigabytes.
long long const kMaxProfile = 1LL << 28;

enum class order { best, rcm, sloan, natural };

struct options {
  order numbering = order::best;
  // Largest profile factored in the file's numbering for comparison (240 MB,
  // a few seconds).
  long long limit = 30000000;
  std::string prefix = "poisson_gmsh";
  std::vector<char const*> files;
};

[[noreturn]] void usage(char const* prog) {
  fatal(1, "Usage: ", prog,
        " [-rcm | -sloan | -n] [-l profil_max] [-o prefixe] maillage.msh ...\n");
}

double cpu_seconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

options parse(int argc, char** argv, char const* prog) {
  options o;
  bool chosen = false;
  for (int k = 1; k < argc; ++k) {
    char const* a = argv[k];
    if (a[0] != '-') {
      o.files.push_back(a);
      continue;
    }
    if (std::strcmp(a, "-rcm") == 0 || std::strcmp(a, "-sloan") == 0 || std::strcmp(a, "-n") == 0) {
      if (chosen) usage(prog);
      chosen = true;
      o.numbering = a[1] == 'r' ? order::rcm : a[1] == 's' ? order::sloan : order::natural;
    } else if (std::strcmp(a, "-l") == 0 && k + 1 < argc) {
      char* end = nullptr;
      errno = 0;
      o.limit = std::strtoll(argv[++k], &end, 10);
      if (errno != 0 || end == argv[k] || *end != '\0' || o.limit < 0) usage(prog);
    } else if (std::strcmp(a, "-o") == 0 && k + 1 < argc && argv[k + 1][0] != '\0') {
      o.prefix = argv[++k];
    } else {
      usage(prog);
    }
  }
  if (o.files.empty()) usage(prog);
  return o;
}

// The checks the solver needs beyond what the reader checks: plane
// triangles or quadrilaterals, none folded, and u given on every vertex of
// the boundary (there is no other boundary condition).
void check_mesh(maillage const& m, char const* file) {
  if (m.ndim() != 2 || (m.telem() != 3 && m.telem() != 4)) {
    fatal(1, file, ": maillage plan de triangles ou de quadrangles attendu\n");
  }
  if (int const e = poisson_fem::first_bad_element(m)) {
    fatal(1, file, ": element ", e, " degenere, retourne ou non convexe\n");
  }
  // Boundary edges belong to one element only.
  int const t = m.telem();
  std::vector<std::pair<int, int>> edges;
  edges.reserve(static_cast<std::size_t>(m.nelem()) * static_cast<std::size_t>(t));
  for (int e = 1; e <= m.nelem(); ++e)
    for (int k = 1; k <= t; ++k) {
      int const a = m.lg(e, k), b = m.lg(e, k % t + 1);
      edges.emplace_back(std::min(a, b), std::max(a, b));
    }
  std::sort(edges.begin(), edges.end());
  int untagged = INT_MAX;
  for (std::size_t i = 0; i < edges.size();) {
    std::size_t j = i + 1;
    while (j < edges.size() && edges[j] == edges[i]) ++j;
    if (j == i + 1)
      for (int v : {edges[i].first, edges[i].second})
        if (m.ref(v) == 0) untagged = std::min(untagged, v);
    i = j;
  }
  if (untagged != INT_MAX) {
    fatal(1, file, ": sommet ", untagged, " du bord sans reference: u n'y est pas donne\n");
  }
}

struct numbering {
  char const* name;
  gvector<int> p;  // p[vertex in the file] = its number
  double seconds;
};

// The numbering asked for; by default the smaller profile of RCM and Sloan.
// One adjacency serves both orderings and their measures.
numbering renumber(licolect const& v, order o) {
  double const t0 = cpu_seconds();
  adjacence const a(v);
  numbering n{"RCM", gvector<int>(), 0};
  if (o == order::sloan) {
    n.name = "Sloan";
    n.p = renum_sloan(a);
  } else {
    n.p = renum_rcm(a);
  }
  if (o == order::best || o == order::natural) {
    gvector<int> s = renum_sloan(a);
    if (mesure(a, s).profil < mesure(a, n.p).profil) {
      n.name = "Sloan";
      n.p = std::move(s);
    }
  }
  n.seconds = cpu_seconds() - t0;
  return n;
}

// Known values of u on the tagged vertices.
struct dirichlet {
  std::vector<char> fixed;
  dvector g;

  explicit dirichlet(maillage const& m)
      : fixed(static_cast<std::size_t>(m.npt()) + 1, 0), g(1, m.npt()) {
    for (int i = 1; i <= m.npt(); ++i) {
      fixed[i] = m.ref(i) != 0;
      g[i] = exact(m.x(i), m.y(i));
    }
  }
};

// a (of the profile of m's neighbour lists) and b set to the system of m,
// a factored; returns the factorization's CPU time.
double factor(maillage const& m, char const* file, skysmatrix<double>& a, dvector& b) {
  dirichlet const d(m);
  poisson_fem::assemble(m, d.fixed, d.g, source, a, b);
  double const t0 = cpu_seconds();
  int const bad = a.choleski();
  double const t = cpu_seconds() - t0;
  if (bad != 0) {
    fatal(1, "Factorisation de Cholesky impossible a la ligne ", bad, " (", file, ")\n");
  }
  return t;
}

struct result {
  std::string name;
  int npt, nelem;
  double emax, el2;
  long long profile_file, profile_renum;
  double t_file, t_renum;  // factorization times; < 0: not factored
  char const* renum_name;
  double renum_seconds;
};

long long entries(gvector<int> const& p) { return p[p.imax()]; }

void check_size(long long profile, char const* file) {
  if (profile > kMaxProfile) {
    fatal(1, file, ": profil de ", profile, " termes, au-dela de ", kMaxProfile, "\n");
  }
}

// Solves on the mesh of `file` in the numbering asked for and factors it in
// the other one too (in the file's numbering only up to o.limit entries).
// u gets the solution and err its error, by vertex of the file.
result solve_mesh(char const* file, options const& o, dvector& u, dvector& err, maillage& m) {
  m = maillage(file);
  check_mesh(m, file);
  char const* slash = std::strrchr(file, '/');
  result r{slash ? slash + 1 : file, m.npt(), m.nelem(), 0, 0, 0, 0, -1, -1, "", 0};

  std::unique_ptr<licolect> v(&m.list_voisins());
  gvector<int> const p_file = profil_voisins(*v);
  numbering const n = renumber(*v, o.numbering);
  v.reset();
  maillage const mr = renumerote(m, n.p);
  std::unique_ptr<licolect> vr(&mr.list_voisins());
  gvector<int> const p_renum = profil_voisins(*vr);
  vr.reset();
  r.profile_file = entries(p_file);
  r.profile_renum = entries(p_renum);
  r.renum_name = n.name;
  r.renum_seconds = n.seconds;

  bool const natural = o.numbering == order::natural;
  {
    check_size(natural ? r.profile_file : r.profile_renum, file);
    skysmatrix<double> a(natural ? p_file : p_renum);
    dvector b, x;
    double const t = factor(natural ? m : mr, file, a, b);
    (natural ? r.t_file : r.t_renum) = t;
    a.solve(b, x);
    u.resize(1, m.npt());
    for (int i = 1; i <= m.npt(); ++i) u[i] = x[natural ? i : n.p[i]];
  }
  if (natural) {
    if (r.profile_renum <= kMaxProfile) {
      skysmatrix<double> a(p_renum);
      dvector b;
      r.t_renum = factor(mr, file, a, b);
    }
  } else if (r.profile_file <= o.limit) {
    skysmatrix<double> a(p_file);
    dvector b;
    r.t_file = factor(m, file, a, b);
  }

  // Errors at the vertices; the L2 error with the lumped mass (a vertex
  // weighs its share of the areas of its elements).
  dvector w(1, m.npt());
  w = 0.0;
  for (int e = 1; e <= m.nelem(); ++e) {
    int nodes[4] = {0, 0, 0, 0};
    double xe[4], ye[4];
    poisson_fem::corners(m, e, nodes, xe, ye);
    double const share = poisson_fem::area(xe, ye, m.telem()) / m.telem();
    for (int k = 0; k < m.telem(); ++k) w[nodes[k]] += share;
  }
  err.resize(1, m.npt());
  double sum = 0;
  for (int i = 1; i <= m.npt(); ++i) {
    err[i] = u[i] - exact(m.x(i), m.y(i));
    r.emax = std::max(r.emax, std::fabs(err[i]));
    sum = w[i] * err[i] * err[i] + sum;
  }
  r.el2 = std::sqrt(sum);
  return r;
}

void print_row(result const& r, result const* prev) {
  std::printf("%-24s %9d %9d %12.4e", r.name.c_str(), r.npt, r.nelem, r.emax);
  if (prev == nullptr) {
    std::printf(" %6s %12.4e %6s\n", "-", r.el2, "-");
  } else {
    // Mesh size ~ npt^(-1/2).
    double const dh = 0.5 * std::log(static_cast<double>(r.npt) / prev->npt);
    std::printf(" %6.2f %12.4e %6.2f\n", std::log(prev->emax / r.emax) / dh, r.el2,
                std::log(prev->el2 / r.el2) / dh);
  }
  std::fflush(stdout);
}

void print_profiles(std::vector<result> const& rs, options const& o) {
  std::printf("\n%-24s %-27s   %s\n", "", "in the file's numbering", "renumbered");
  std::printf("%-24s %12s %14s   %-5s %12s %14s %11s\n", "mesh", "profile", "Cholesky (ms)",
              "order", "profile", "Cholesky (ms)", "renum (ms)");
  bool skipped = false, too_big = false;
  for (result const& r : rs) {
    std::printf("%-24s %12lld ", r.name.c_str(), r.profile_file);
    if (r.t_file < 0)
      std::printf("%14s", "skipped");
    else
      std::printf("%14.2f", 1e3 * r.t_file);
    std::printf("   %-5s %12lld ", r.renum_name, r.profile_renum);
    if (r.t_renum < 0)
      std::printf("%14s", "skipped");
    else
      std::printf("%14.2f", 1e3 * r.t_renum);
    std::printf(" %11.2f\n", 1e3 * r.renum_seconds);
    skipped = skipped || r.t_file < 0;
    too_big = too_big || r.t_renum < 0;
  }
  if (skipped)
    std::printf("skipped: profile above %lld entries (option -l), too long to factor\n", o.limit);
  if (too_big) std::printf("skipped: profile above %lld entries\n", kMaxProfile);
  if (o.numbering == order::natural) std::printf("solved in the file's numbering (-n)\n");
}

}  // namespace

int main(int argc, char** argv) {
  char const* prog = (argc > 0 && argv[0] != nullptr) ? argv[0] : "poisson_gmsh";
  utils_debut(prog);
  options const o = parse(argc, argv, prog);

  std::vector<result> rs;
  maillage m;
  dvector u, err;
  int telem = 0;
  for (char const* file : o.files) {
    result const r = solve_mesh(file, o, u, err, m);
    if (rs.empty()) {
      telem = m.telem();
      std::printf(
          "-Laplace(u) = f, u = sin(pi x) sin(pi y) + x^2 given on the tagged vertices, %s\n",
          telem == 3 ? "P1 triangles" : "Q1 quadrilaterals");
      std::printf("%-24s %9s %9s %12s %6s %12s %6s\n", "mesh", "vertices", "elements", "max error",
                  "order", "L2 error", "order");
    } else if (m.telem() != telem) {
      fatal(1, file, ": elements de ", m.telem(), " noeuds, ceux de ", o.files[0], " en ont ",
            telem, "\n");
    } else if (r.npt <= rs.back().npt) {
      fatal(1, file, ": ", r.npt, " sommets, pas plus que le maillage precedent\n");
    }
    print_row(r, rs.empty() ? nullptr : &rs.back());
    rs.push_back(r);
  }
  print_profiles(rs, o);

  std::string const out = o.prefix + ".vtu";
  ecrit_vtk(m, out.c_str(), vtk_champs().sommets("u", u).sommets("error", err));
  std::printf("\nu and its error on %s: %s\n", rs.back().name.c_str(), out.c_str());
  std::fflush(stdout);
  utils_fin();
  return 0;
}
