// Side by side with established libraries, same process, same matrices:
// our factorizations and solves against OpenBLAS (LAPACK, one thread) and
// Eigen. Prints, per case, the median times, the ratios and the relative
// residual of a solve with a known solution. The "threads" cases put ours
// and OpenBLAS on one and on two threads, in wall-clock time.
#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <Eigen/Sparse>
#include <Eigen/SparseCholesky>

#include "matrices.h"
#include "peers_timing.h"
#include "profil.h"
#include "threads.h"

extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetrs_(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda,
             const int* ipiv, double* b, const int* ldb, int* info);
void dpbtrf_(const char* uplo, const int* n, const int* kd, double* ab, const int* ldab, int* info);
void dpbtrs_(const char* uplo, const int* n, const int* kd, const int* nrhs, const double* ab,
             const int* ldab, double* b, const int* ldb, int* info);
void openblas_set_num_threads(int);
}

namespace {

int g_runs = 5;
std::string g_only;  // run only the cases whose name contains this

bool wanted(const std::string& c) { return g_only.empty() || c.find(g_only) != std::string::npos; }

void header() {
  // "rel time": this code's time over our reference code's time for the
  // case; above 1, ours is faster.
  std::printf("%-34s %-22s %11s %11s %9s %10s\n", "case", "code", "time (s)", "GFLOP/s", "rel time",
              "residual");
}

void row(const std::string& c, const std::string& code, double t, double flops, double ours,
         double res) {
  std::printf("%-34s %-22s %11.4f %11.2f %9.2f %10.2e\n", c.c_str(), code.c_str(), t,
              flops > 0 ? flops / t * 1e-9 : 0.0, t / ours, res);
}

// The most a kernel that keeps every product and sum rounded apart can do
// here: a product loop of the factorizations' shape (two vectors of lanes
// times six broadcast columns, twelve accumulators) over data that stays in
// L1, without the work around it. Fused multiply-adds are out: they round
// once where the sums round twice.
double g_ceiling = 0;  // GFLOP/s

typedef double v4 __attribute__((vector_size(32)));

__attribute__((noinline)) void ceiling_kernel(const double* p, const double (*x)[256], long reps,
                                              double* out) {
  v4 a0{}, a1{}, a2{}, a3{}, a4{}, a5{}, a6{}, a7{}, a8{}, a9{}, a10{}, a11{};
  for (long r = 0; r < reps; ++r) {
    const double* pk = p;
    for (int k = 0; k < 256; ++k, pk += 8) {
      v4 p0, p1;
      std::memcpy(&p0, pk, sizeof p0);
      std::memcpy(&p1, pk + 4, sizeof p1);
      v4 b = v4{x[0][k], x[0][k], x[0][k], x[0][k]};
      a0 = p0 * b + a0, a1 = p1 * b + a1;
      b = v4{x[1][k], x[1][k], x[1][k], x[1][k]};
      a2 = p0 * b + a2, a3 = p1 * b + a3;
      b = v4{x[2][k], x[2][k], x[2][k], x[2][k]};
      a4 = p0 * b + a4, a5 = p1 * b + a5;
      b = v4{x[3][k], x[3][k], x[3][k], x[3][k]};
      a6 = p0 * b + a6, a7 = p1 * b + a7;
      b = v4{x[4][k], x[4][k], x[4][k], x[4][k]};
      a8 = p0 * b + a8, a9 = p1 * b + a9;
      b = v4{x[5][k], x[5][k], x[5][k], x[5][k]};
      a10 = p0 * b + a10, a11 = p1 * b + a11;
    }
  }
  v4 const s = a0 + a1 + a2 + a3 + a4 + a5 + a6 + a7 + a8 + a9 + a10 + a11;
  std::memcpy(out, &s, sizeof s);
}

void ceiling_case() {
  std::string const c = "machine ceiling";
  if (!wanted(c)) return;
  alignas(64) static double p[256 * 8], x[6][256];
  for (int i = 0; i < 256 * 8; ++i) p[i] = 1e-3 * (i % 7);
  for (int c6 = 0; c6 < 6; ++c6)
    for (int k = 0; k < 256; ++k) x[c6][k] = 1e-3 * ((k + c6) % 5);
  // The best of the runs: a ceiling, and this machine's speed varies with
  // its neighbours' load.
  long const reps = 200000;
  double out[4], t = 1e30;
  for (int r = 0; r < std::max(g_runs, 5); ++r) {
    double const t0 = cpu_seconds();
    ceiling_kernel(p, x, reps, out);
    t = std::min(t, cpu_seconds() - t0);
  }
  double const flops = reps * 256.0 * 6 * 8 * 2;
  g_ceiling = flops / t * 1e-9;
  row(c, "mul + add in registers", t, flops, t, out[0] < 0 ? 1 : 0);
}

// Reference rates at m, derived from LAPACK's banded Cholesky: the rate a
// profile Cholesky needs to run 1.2 times as fast as dpbtrf, and the rate a
// profile Gauss (twice the products) needs to take at most 1.5 times that
// Cholesky's time, each also as a share of the ceiling above, which says
// how far from the machine's limit such speeds would be.
void reference_line(const std::string& c, double flops, double t_pb) {
  double const chol = 1.2 * flops / t_pb * 1e-9, gauss = 2 * flops / (1.5 * t_pb / 1.2) * 1e-9;
  std::printf("%-34s reference rates: choleski %.1f GFLOP/s", c.c_str(), chol);
  if (g_ceiling > 0) std::printf(" (%.0f%% of the ceiling)", 100 * chol / g_ceiling);
  std::printf(", profile gauss %.1f GFLOP/s", gauss);
  if (g_ceiling > 0) std::printf(" (%.0f%% of the ceiling)", 100 * gauss / g_ceiling);
  std::printf("\n");
}

void dense_cases() {
  for (int n : {500, 1000, 2000}) {
    std::mt19937 g(n);
    std::uniform_real_distribution<double> u(-1, 1);
    gmatrix<double> a0(1, n, 1, n);
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) a0(i, j) = u(g) + (i == j ? 2.0 * n : 0.0);
    std::vector<double> xs(n);
    for (double& v : xs) v = u(g);
    dvector x(1, n);
    for (int i = 1; i <= n; ++i) x[i] = xs[i - 1];
    dvector b = a0 * x;
    double const flops = 2.0 / 3.0 * n * double(n) * n;
    std::string c = "dense LU n=" + std::to_string(n);
    if (!wanted(c)) continue;

    gmatrix<double> a;
    // LAPACK wants columns: hand it the transpose, whose LU is as costly.
    std::vector<double> at(std::size_t(n) * n), lu;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) at[std::size_t(j) * n + i] = a0(i + 1, j + 1);
    std::vector<int> piv(n);
    int info = 0, one = 1;
    std::vector<double> const tf = median_times(
        g_runs, {{[&] { a = a0; }, [&] { a.gauss(); }},
                 {[&] { lu = at; }, [&] { dgetrf_(&n, &n, lu.data(), &n, piv.data(), &info); }}});
    double const t_ours = tf[0], t_lp = tf[1];
    dvector sol;
    std::vector<double> rhs;
    std::vector<double> const ts = median_times(
        g_runs,
        {{[] {}, [&] { a.solve(b, sol); }},
         {[&] { rhs.assign(b.debut(), b.debut() + n); },
          [&] { dgetrs_("N", &n, &one, lu.data(), &n, piv.data(), rhs.data(), &n, &info); }}});
    double const ts_ours = ts[0], ts_lp = ts[1];
    std::vector<double> xo(sol.debut(), sol.debut() + n);
    row(c, "ours gauss", t_ours, flops, t_ours, rel_residual(xo, xs));
    row(c, "OpenBLAS dgetrf", t_lp, flops, t_ours, rel_residual(rhs, xs));
    row("dense solve n=" + std::to_string(n), "ours solve", ts_ours, 2.0 * n * n, ts_ours,
        rel_residual(xo, xs));
    row("dense solve n=" + std::to_string(n), "OpenBLAS dgetrs", ts_lp, 2.0 * n * n, ts_ours,
        rel_residual(rhs, xs));
  }
}

// 5-point Laplacian of an m x m grid in natural ordering: line k reaches
// back m columns (the half-bandwidth).
gvector<int> laplacian_profile(int m, bool general) {
  int const n = m * m;
  gvector<int> p(0, n);
  p[0] = 0;
  for (int k = 1; k <= n; ++k) {
    int const d = std::min(k - 1, m);
    p[k] = p[k - 1] + (general ? 2 * d + 1 : d + 1);
  }
  return p;
}

template <class M>
void fill_laplacian(M& a, int m, bool general) {
  a = 0.0;
  int const n = m * m;
  for (int k = 1; k <= n; ++k) {
    a(k, k) = 4.0;
    if ((k - 1) % m != 0) {
      a(k, k - 1) = -1.0;
      if (general) a(k - 1, k) = -1.0;
    }
    if (k > m) {
      a(k, k - m) = -1.0;
      if (general) a(k - m, k) = -1.0;
    }
  }
}

// LAPACK band storage of a symmetric matrix of half-bandwidth kd, lower:
// AB(1 + i - j, j) = A(i, j).
std::vector<double> band_storage(skysmatrix<double> const& a, int kd) {
  int const n = a.imax(), ldab = kd + 1;
  std::vector<double> ab(std::size_t(ldab) * n, 0.0);
  for (int j = 1; j <= n; ++j)
    for (int i = j; i <= std::min(n, j + kd); ++i)
      ab[std::size_t(j - 1) * ldab + (i - j)] = a(0, i, j);
  return ab;
}

void profile_cases() {
  for (int m : {100, 200, 300}) {
    int const n = m * m;
    double const flops = double(n) * m * m;  // band Cholesky: n kd^2 (+ lower order)
    std::string c = "Laplacian m=" + std::to_string(m);
    if (!wanted(c)) continue;
    std::mt19937 g(m);
    std::uniform_real_distribution<double> u(-1, 1);
    std::vector<double> xs(n);
    for (double& v : xs) v = u(g);
    dvector xv(1, n);
    for (int i = 1; i <= n; ++i) xv[i] = xs[i - 1];

    skysmatrix<double> s0(laplacian_profile(m, false));
    fill_laplacian(s0, m, false);
    dvector b = s0 * xv;

    skygmatrix<double> g0(laplacian_profile(m, true));
    fill_laplacian(g0, m, true);
    int const kd = m, ldab = kd + 1;
    std::vector<double> const ab0 = band_storage(s0, kd);
    std::vector<double> ab;
    std::vector<Eigen::Triplet<double>> trip;
    for (int i = 1; i <= n; ++i)
      for (int j = std::max(1, i - m); j <= i; ++j) {
        double v = s0(0, i, j);
        if (v != 0) trip.emplace_back(i - 1, j - 1, v);
      }
    Eigen::SparseMatrix<double> A(n, n);
    A.setFromTriplets(trip.begin(), trip.end());
    Eigen::SimplicialLLT<Eigen::SparseMatrix<double>, Eigen::Lower, Eigen::NaturalOrdering<int>>
        llt;
    llt.analyzePattern(A);

    skysmatrix<double> sc, sr;
    skygmatrix<double> ga;
    int info = 0, one = 1;
    std::vector<double> const tf = median_times(
        g_runs, {{[&] { sc = s0; }, [&] { sc.choleski(); }},
                 {[&] { sr = s0; }, [&] { sr.crout(); }},
                 {[&] { ga = g0; }, [&] { ga.gauss(); }},
                 {[&] { ab = ab0; }, [&] { dpbtrf_("L", &n, &kd, ab.data(), &ldab, &info); }},
                 {[] {}, [&] { llt.factorize(A); }}});
    double const t_chol = tf[0], t_crout = tf[1], t_gauss = tf[2], t_pb = tf[3], t_eig = tf[4];

    dvector xc, xr, xg;
    std::vector<double> rhs;
    Eigen::VectorXd be = Eigen::Map<const Eigen::VectorXd>(b.debut(), n), xe;
    std::vector<double> const ts = median_times(
        g_runs, {{[] {}, [&] { sc.solve(b, xc); }},
                 {[] {}, [&] { sr.solve(b, xr); }},
                 {[] {}, [&] { ga.solve(b, xg); }},
                 {[&] { rhs.assign(b.debut(), b.debut() + n); },
                  [&] { dpbtrs_("L", &n, &kd, &one, ab.data(), &ldab, rhs.data(), &n, &info); }},
                 {[] {}, [&] { xe = llt.solve(be); }}});
    double const ts_chol = ts[0], ts_crout = ts[1], ts_gauss = ts[2], ts_pb = ts[3], ts_eig = ts[4];

    auto res = [&](dvector const& x) {
      return rel_residual(std::vector<double>(x.debut(), x.debut() + n), xs);
    };
    row(c, "ours choleski", t_chol, flops, t_chol, res(xc));
    row(c, "ours crout", t_crout, flops, t_chol, res(xr));
    row(c, "ours profile gauss", t_gauss, 2 * flops, t_chol, res(xg));
    row(c, "OpenBLAS dpbtrf", t_pb, flops, t_chol, rel_residual(rhs, xs));
    row(c, "Eigen SimplicialLLT", t_eig, flops, t_chol,
        rel_residual(std::vector<double>(xe.data(), xe.data() + n), xs));

    std::string cs = "Laplacian solve m=" + std::to_string(m);
    row(cs, "ours choleski solve", ts_chol, 4.0 * n * m, ts_chol, 0);
    row(cs, "ours crout solve", ts_crout, 4.0 * n * m, ts_chol, 0);
    row(cs, "ours gauss solve", ts_gauss, 4.0 * n * m, ts_chol, 0);
    row(cs, "OpenBLAS dpbtrs", ts_pb, 4.0 * n * m, ts_chol, 0);
    row(cs, "Eigen solve", ts_eig, 4.0 * n * m, ts_chol, 0);
    reference_line(c, flops, t_pb);
  }
}

// ---- One and two threads, wall-clock time.

double wall_seconds();

// After a call on several threads OpenBLAS keeps its threads spinning for
// about 0.1 s (2^28 cycles): every timed code of the thread cases starts
// after a pause, so that no code runs next to the spinners of the one
// before.
void settle() {
  timespec const pause{0, 200000000};
  nanosleep(&pause, nullptr);
}

// "x 1 thread": the code's speed-up over its own one-thread time; "x
// peer": its speed over the peer's on as many threads.
void thread_header() {
  std::printf("%-34s %-22s %8s %11s %11s %11s\n", "case (wall clock)", "code", "threads",
              "time (s)", "x 1 thread", "x peer");
}

void thread_row(const std::string& c, const std::string& code, int threads, double t, double t1,
                double peer) {
  static bool headed = false;
  if (!headed) thread_header();
  headed = true;
  std::printf("%-34s %-22s %8d %11.4f %11.2f", c.c_str(), code.c_str(), threads, t, t1 / t);
  if (peer > 0)
    std::printf(" %11.2f\n", peer / t);
  else
    std::printf(" %11s\n", "-");
}

// Rows of four codes (three of ours, the peer last) timed on 1 and on 2
// threads, t[4 h + k] for code k on h + 1 threads; the first two are
// compared with the peer.
void thread_rows(const std::string& c, char const* const (&names)[4],
                 const std::vector<double>& t) {
  for (int k = 0; k < 4; ++k)
    for (int h = 0; h < 2; ++h) {
      double const peer = k == 0 || k == 1 ? t[4 * h + 3] : 0;
      thread_row(c, names[k], h + 1, t[4 * h + k], t[k], peer);
    }
}

// The Laplacian factorizations and solves of ours on 1 and 2 threads, and
// dpbtrf and dpbtrs on 1 and 2 OpenBLAS threads.
void thread_profile_cases() {
  for (int m : {100, 300}) {
    std::string const c = "threads Laplacian m=" + std::to_string(m);
    if (!wanted(c)) continue;
    int const n = m * m;
    skysmatrix<double> s0(laplacian_profile(m, false));
    fill_laplacian(s0, m, false);
    skygmatrix<double> g0(laplacian_profile(m, true));
    fill_laplacian(g0, m, true);
    int const kd = m, ldab = kd + 1;
    std::vector<double> const ab0 = band_storage(s0, kd);
    std::vector<double> ab;
    skysmatrix<double> sc, sr;
    skygmatrix<double> ga;
    int info = 0;
    std::vector<timed> codes;
    for (int th : {1, 2}) {
      codes.push_back(
          {[&, th] { utils_set_threads(th), sc = s0, settle(); }, [&] { sc.choleski(); }});
      codes.push_back({[&, th] { utils_set_threads(th), sr = s0, settle(); }, [&] { sr.crout(); }});
      codes.push_back({[&, th] { utils_set_threads(th), ga = g0, settle(); }, [&] { ga.gauss(); }});
      codes.push_back({[&, th] { openblas_set_num_threads(th), ab = ab0, settle(); },
                       [&] { dpbtrf_("L", &n, &kd, ab.data(), &ldab, &info); }});
    }
    std::vector<double> const t = median_times(g_runs, codes, wall_seconds);
    char const* names[] = {"ours choleski", "ours crout", "ours profile gauss", "OpenBLAS dpbtrf"};
    thread_rows(c, names, t);

    // The solves with the factors just made.
    dvector b(1, n), xc, xr, xg;
    for (int i = 1; i <= n; ++i) b[i] = 1.0 / i;
    std::vector<double> rhs;
    int one = 1;
    codes.clear();
    for (int th : {1, 2}) {
      codes.push_back({[&, th] { utils_set_threads(th), settle(); }, [&] { sc.solve(b, xc); }});
      codes.push_back({[&, th] { utils_set_threads(th), settle(); }, [&] { sr.solve(b, xr); }});
      codes.push_back({[&, th] { utils_set_threads(th), settle(); }, [&] { ga.solve(b, xg); }});
      codes.push_back(
          {[&, th] {
             openblas_set_num_threads(th), rhs.assign(b.debut(), b.debut() + n), settle();
           },
           [&] { dpbtrs_("L", &n, &kd, &one, ab.data(), &ldab, rhs.data(), &n, &info); }});
    }
    char const* solves[] = {"ours choleski solve", "ours crout solve", "ours gauss solve",
                            "OpenBLAS dpbtrs"};
    thread_rows("threads Laplacian solve m=" + std::to_string(m), solves,
                median_times(g_runs, codes, wall_seconds));
  }
}

// The dense Gauss of ours on 1 and 2 threads, and dgetrf on 1 and 2
// OpenBLAS threads.
void thread_dense_cases() {
  for (int n : {500, 2000}) {
    std::string const c = "threads dense LU n=" + std::to_string(n);
    if (!wanted(c)) continue;
    std::mt19937 g(n);
    std::uniform_real_distribution<double> u(-1, 1);
    gmatrix<double> a0(1, n, 1, n), a;
    for (int i = 1; i <= n; ++i)
      for (int j = 1; j <= n; ++j) a0(i, j) = u(g) + (i == j ? 2.0 * n : 0.0);
    std::vector<double> at(std::size_t(n) * n), lu;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) at[std::size_t(j) * n + i] = a0(i + 1, j + 1);
    std::vector<int> piv(n);
    int info = 0;
    std::vector<timed> codes;
    for (int th : {1, 2}) {
      codes.push_back({[&, th] { utils_set_threads(th), a = a0, settle(); }, [&] { a.gauss(); }});
      codes.push_back({[&, th] { openblas_set_num_threads(th), lu = at, settle(); },
                       [&] { dgetrf_(&n, &n, lu.data(), &n, piv.data(), &info); }});
    }
    std::vector<double> const t = median_times(g_runs, codes, wall_seconds);
    for (int h = 0; h < 2; ++h) {
      thread_row(c, "ours gauss", h + 1, t[2 * h], t[0], t[2 * h + 1]);
      thread_row(c, "OpenBLAS dgetrf", h + 1, t[2 * h + 1], t[1], 0);
    }
  }
}

void thread_cases() {
  thread_profile_cases();
  thread_dense_cases();
  utils_set_threads(1);
  openblas_set_num_threads(1);
}

double wall_seconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + 1e-9 * ts.tv_nsec;
}

// Runs a program in `dir` with its output thrown away; returns the wall
// time and the child's peak resident memory in KiB.
double run_program(const std::string& dir, const std::vector<std::string>& args, long* peak_kib) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  double const t0 = wall_seconds();
  pid_t const pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    int const null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  double const t = wall_seconds() - t0;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed (status %d)\n", args[0].c_str(), status);
    std::exit(1);
  }
  if (peak_kib) *peak_kib = ru.ru_maxrss;
  return t;
}

// reg_m generating and writing a grid, against dd writing as many bytes
// into the same directory (both through the page cache, as a user runs
// them), taken in turns.
void mesh_case(const std::string& dir) {
  int const nx = 3000, ny = 3000;
  std::string const c = "reg_m -b 3000x3000 cells";
  if (!wanted(c)) return;
  std::string const out = dir + "/reg_m.kadro2D";
  std::vector<double> t_reg, t_dd;
  long peak = 0;
  long long bytes = 0;
  for (int r = 0; r < g_runs; ++r) {
    std::remove(out.c_str());
    t_reg.push_back(run_program(
        dir, {REG_M_PATH, "-b", "0", "1", std::to_string(nx), "0", "1", std::to_string(ny)},
        &peak));
    struct stat st {};
    if (stat(out.c_str(), &st) != 0) {
      std::fprintf(stderr, "no %s\n", out.c_str());
      std::exit(1);
    }
    bytes = st.st_size;
    std::remove(out.c_str());
    std::string const dd_out = dir + "/dd.out";
    t_dd.push_back(run_program(dir,
                               {"/bin/dd", "if=/dev/zero", "of=" + dd_out, "bs=1M",
                                "iflag=count_bytes", "count=" + std::to_string(bytes)},
                               nullptr));
    std::remove(dd_out.c_str());
  }
  std::sort(t_reg.begin(), t_reg.end());
  std::sort(t_dd.begin(), t_dd.end());
  double const tr = t_reg[t_reg.size() / 2], td = t_dd[t_dd.size() / 2];
  // The mesh's own arrays: float coordinates and a tag per vertex, four
  // vertex numbers per cell.
  double const nv = double(nx + 1) * (ny + 1), ne = double(nx) * ny;
  double const arrays_kib = (nv * (2 * 4 + 4) + ne * 4 * 4) / 1024;
  std::printf("%-34s %-22s %11.4f %8.0f MB/s  dd's throughput x %.2f  (%lld bytes)\n", c.c_str(),
              "reg_m", tr, bytes / tr * 1e-6, td / tr, bytes);
  std::printf("%-34s %-22s %11.4f %8.0f MB/s\n", c.c_str(), "dd bs=1M", td, bytes / td * 1e-6);
  std::printf("%-34s peak memory %ld KiB = %.2f x the mesh arrays (%.0f KiB)\n", c.c_str(), peak,
              peak / arrays_kib, arrays_kib);
}
}  // namespace

int main(int argc, char** argv) {
  // peers_bench [runs [case]]: `case` picks the cases whose name holds it;
  // the mesh case writes into the current directory.
  if (argc > 1) g_runs = std::max(1, std::atoi(argv[1]));
  if (argc > 2) g_only = argv[2];
  openblas_set_num_threads(1);
  // Ours on one thread too, except in the thread cases.
  utils_set_threads(1);
  sst = new runstat(stderr, argv[0]);
  header();
  ceiling_case();
  profile_cases();
  dense_cases();
  thread_cases();
  mesh_case(".");
  delete sst;
}
