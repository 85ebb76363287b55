// Side by side with SuiteSparse CHOLMOD on finite-element matrices: the
// stiffness matrix of -Laplace(u) = f (P1 triangles or Q1 quadrilaterals,
// Dirichlet lines on the tagged vertices) of Gmsh meshes and of a 300 x 300
// vertex grid numbered row by row as reg_m numbers it. Ours: the profile
// Cholesky in the smallest profile of the mesh's numbering, RCM and Sloan
// (the grid's own numbering is as good as any). CHOLMOD:
// its supernodal factorization with its default ordering, analysis timed
// apart. Same process, same matrices, codes timed in turns, CPU time,
// median, one thread each.
//
//   cholmod_bench [runs [mesh ...]]
#include <cholmod.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "llist.h"
#include "maillage.h"
#include "peers_timing.h"
#include "poisson_fem.h"
#include "profil.h"
#include "renum.h"

extern "C" void openblas_set_num_threads(int);

namespace {

int g_runs = 5;

// m x m vertices 1 apart, numbered along x row after row, quadrilaterals
// counter-clockwise from their lower-left corner, the boundary tagged 1.
maillage grid(int m) {
  int const nv = m * m;
  gmatrix<float> som(1, nv, 1, 2);
  gvector<int> refs(1, nv);
  for (int j = 0; j < m; ++j)
    for (int i = 0; i < m; ++i) {
      int const v = j * m + i + 1;
      som(v, 1) = static_cast<float>(i);
      som(v, 2) = static_cast<float>(j);
      refs[v] = (i == 0 || j == 0 || i == m - 1 || j == m - 1) ? 1 : 0;
    }
  gmatrix<int> el(1, (m - 1) * (m - 1), 1, 4);
  int e = 0;
  for (int j = 0; j + 1 < m; ++j)
    for (int i = 0; i + 1 < m; ++i) {
      int const a = j * m + i + 1;
      ++e;
      el(e, 1) = a;
      el(e, 2) = a + 1;
      el(e, 3) = a + m + 1;
      el(e, 4) = a + m;
    }
  return maillage(std::move(som), std::move(el), std::move(refs), "grille");
}

int first_column(gvector<int> const& p, int i) { return i - (p[i] - p[i - 1]) + 1; }

// Operations of the profile Cholesky: entry (i, j) takes a dot product over
// the columns both lines store (a multiply and an add each), then a
// division, or a square root on the diagonal.
double profile_flops(gvector<int> const& p) {
  double fl = 0;
  for (int i = 1; i <= p.imax(); ++i) {
    int const fi = first_column(p, i);
    for (int j = fi; j <= i; ++j) fl += 2.0 * (j - std::max(fi, first_column(p, j))) + 1;
  }
  return fl;
}

// The nonzero entries of a (lower triangle by lines) as CHOLMOD's upper
// triangle by columns: the same numbers in the same places.
cholmod_sparse* upper(skysmatrix<double> const& a, cholmod_common* c) {
  gvector<int> const& p = a.profile();
  double const* v = a.values().debut();  // a(i, j) at p[i] - i + j, 1-based
  int const n = p.imax();
  std::size_t nnz = 0;
  for (int k = 0; k < p[n]; ++k) nnz += v[k] != 0;
  cholmod_sparse* s = cholmod_allocate_sparse(n, n, nnz, 1, 1, 1, CHOLMOD_REAL, c);
  int* col = static_cast<int*>(s->p);
  int* row = static_cast<int*>(s->i);
  double* x = static_cast<double*>(s->x);
  int k = 0;
  for (int i = 1; i <= n; ++i) {
    col[i - 1] = k;
    for (int j = first_column(p, i); j <= i; ++j) {
      double const aij = v[p[i] - i + j - 1];
      if (aij == 0) continue;
      row[k] = j - 1;
      x[k] = aij;
      ++k;
    }
  }
  col[n] = k;
  return s;
}

char const* ordering_name(int o) {
  switch (o) {
    case CHOLMOD_NATURAL: return "natural";
    case CHOLMOD_AMD: return "AMD";
    case CHOLMOD_METIS: return "METIS";
    case CHOLMOD_NESDIS: return "NESDIS";
    default: return "other";
  }
}

void header() {
  // "rel time": this code's factorization time over ours; above 1, ours is
  // faster.
  std::printf("%-18s %8s %-20s %-7s %11s %10s %8s %10s %9s %9s\n", "case", "vertices", "code",
              "order", "analyze (s)", "factor (s)", "GFLOP/s", "factor MB", "residual", "rel time");
}

void row(std::string const& c, int n, char const* code, char const* order, double ta, double tf,
         double flops, double bytes, double res, double ours) {
  std::printf("%-18s %8d %-20s %-7s %11.4f %10.4f %8.2f %10.1f %9.1e %9.2f\n", c.c_str(), n, code,
              order, ta, tf, flops / tf * 1e-9, bytes / 1048576, res, tf / ours);
  std::fflush(stdout);
}

void bench_case(std::string const& name, maillage const& m) {
  int const n = m.npt();
  // Our analysis: both orders, the smallest profile kept.
  std::unique_ptr<licolect> v(&m.list_voisins());
  adjacence const adj(*v);
  v.reset();
  gvector<int> pr, ps, pn(1, n);
  for (int i = 1; i <= n; ++i) pn[i] = i;
  std::vector<double> const tr = median_times(
      g_runs, {{[] {}, [&] { pr = renum_rcm(adj); }}, {[] {}, [&] { ps = renum_sloan(adj); }}});
  long long const profiles[3] = {mesure(adj).profil, mesure(adj, pr).profil,
                                 mesure(adj, ps).profil};
  int const best = static_cast<int>(std::min_element(profiles, profiles + 3) - profiles);
  char const* const names[3] = {"file", "RCM", "Sloan"};
  double const t_order[3] = {0, tr[0], tr[1]};
  maillage const r = renumerote(m, best == 0 ? pn : best == 1 ? pr : ps);
  v.reset(&r.list_voisins());
  gvector<int> const prof = profil_voisins(*v);
  v.reset();

  skysmatrix<double> a0(prof), a;
  dvector b, x;
  std::vector<char> fixed(static_cast<std::size_t>(n) + 1, 0);
  dvector g(1, n);
  g = 0.0;
  for (int i = 1; i <= n; ++i) fixed[static_cast<std::size_t>(i)] = r.ref(i) != 0;
  poisson_fem::assemble(
      r, fixed, g, [](double, double) { return 1.0; }, a0, b);
  std::mt19937 rng(static_cast<unsigned>(n));
  std::uniform_real_distribution<double> u(-1, 1);
  dvector xs(1, n);
  for (int i = 1; i <= n; ++i) xs[i] = u(rng);
  b = a0 * xs;
  std::vector<double> const want(xs.debut(), xs.debut() + n);

  cholmod_common c;
  cholmod_start(&c);
  c.supernodal = CHOLMOD_SUPERNODAL;
  cholmod_sparse* A = upper(a0, &c);
  cholmod_factor* L = nullptr;
  double const t_an = median_times(
      g_runs, {{[&] { cholmod_free_factor(&L, &c); }, [&] { L = cholmod_analyze(A, &c); }}})[0];
  double const cm_flops = c.fl;
  std::vector<double> const tf = median_times(
      g_runs,
      {{[&] { a = a0; }, [&] { a.choleski(); }}, {[] {}, [&] { cholmod_factorize(A, L, &c); }}});
  if (a.state() != factors_choleski || c.status != CHOLMOD_OK || static_cast<int>(L->minor) != n) {
    std::fprintf(stderr, "%s: a factorization failed\n", name.c_str());
    std::exit(1);
  }
  a.solve(b, x);
  cholmod_dense* B = cholmod_allocate_dense(n, 1, n, CHOLMOD_REAL, &c);
  std::memcpy(B->x, b.debut(), sizeof(double) * static_cast<std::size_t>(n));
  cholmod_dense* X = cholmod_solve(CHOLMOD_A, L, B, &c);
  double const* xc = static_cast<double const*>(X->x);

  double const ours = tf[0];
  row(name, n, "ours profile choleski", names[best], t_order[best], ours, profile_flops(prof),
      8.0 * a.size(), rel_residual(std::vector<double>(x.debut(), x.debut() + n), want), ours);
  row(name, n, "CHOLMOD supernodal", ordering_name(L->ordering), t_an, tf[1], cm_flops,
      8.0 * static_cast<double>(L->xsize), rel_residual(std::vector<double>(xc, xc + n), want),
      ours);
  std::printf(
      "%-18s nonzeros of the factor: ours %d (the profile), CHOLMOD %.0f (%.0f stored in "
      "supernodes)\n",
      name.c_str(), a.size(), c.lnz, static_cast<double>(L->xsize));
  cholmod_free_dense(&X, &c);
  cholmod_free_dense(&B, &c);
  cholmod_free_factor(&L, &c);
  cholmod_free_sparse(&A, &c);
  cholmod_finish(&c);
}

}  // namespace

int main(int argc, char** argv) {
  // One thread each: OpenBLAS (under CHOLMOD's supernodes) and OpenMP read
  // these when they start, so the program starts again with them set.
  char const* omp = std::getenv("OMP_NUM_THREADS");
  char const* blas = std::getenv("OPENBLAS_NUM_THREADS");
  if (!omp || std::strcmp(omp, "1") != 0 || !blas || std::strcmp(blas, "1") != 0) {
    setenv("OMP_NUM_THREADS", "1", 1);
    setenv("OPENBLAS_NUM_THREADS", "1", 1);
    execv("/proc/self/exe", argv);
    std::perror("execv");
    return 1;
  }
  openblas_set_num_threads(1);
  if (argc > 1) g_runs = std::max(1, std::atoi(argv[1]));
  sst = new runstat(stderr, argv[0]);
  header();
  for (int k = 2; k < argc; ++k) {
    char const* slash = std::strrchr(argv[k], '/');
    std::string name = slash ? slash + 1 : argv[k];
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".msh") == 0)
      name.resize(name.size() - 4);
    bench_case(name, maillage(argv[k]));
  }
  bench_case("grid 300x300 Q1", grid(300));
  delete sst;
}
