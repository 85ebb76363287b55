// Side by side with established libraries, same process, same matrices:
// our factorizations and solves against OpenBLAS (LAPACK, one thread) and
// Eigen. Prints, per case, the median times, the ratios and the relative
// residual of a solve with a known solution.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "matrices.h"

extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetrs_(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda,
             const int* ipiv, double* b, const int* ldb, int* info);
void openblas_set_num_threads(int);
}

namespace {

int g_runs = 5;

// Median wall time in seconds of `run`, each preceded by `prepare` (untimed).
double median_time(const std::function<void()>& prepare, const std::function<void()>& run) {
  std::vector<double> t;
  for (int r = 0; r < g_runs; ++r) {
    prepare();
    auto t0 = std::chrono::steady_clock::now();
    run();
    auto t1 = std::chrono::steady_clock::now();
    t.push_back(std::chrono::duration<double>(t1 - t0).count());
  }
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

void header() {
  std::printf("%-34s %-22s %11s %11s %9s %10s\n", "case", "code", "time (s)", "GFLOP/s", "ours/x", "residual");
}

void row(const std::string& c, const std::string& code, double t, double flops, double ours, double res) {
  std::printf("%-34s %-22s %11.4f %11.2f %9.2f %10.2e\n", c.c_str(), code.c_str(), t,
              flops > 0 ? flops / t * 1e-9 : 0.0, t / ours, res);
}

double rel_residual(const std::vector<double>& x, const std::vector<double>& xs) {
  double num = 0, den = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    num += (x[i] - xs[i]) * (x[i] - xs[i]);
    den += xs[i] * xs[i];
  }
  return std::sqrt(num / den);
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

    gmatrix<double> a;
    double t_ours = median_time([&] { a = a0; }, [&] { a.gauss(); });
    dvector sol;
    double ts_ours = median_time([] {}, [&] { a.solve(b, sol); });
    std::vector<double> xo(sol.debut(), sol.debut() + n);
    row(c, "ours gauss", t_ours, flops, t_ours, rel_residual(xo, xs));

    // LAPACK wants columns: hand it the transpose, whose LU is as costly.
    std::vector<double> at(std::size_t(n) * n), lu;
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) at[std::size_t(j) * n + i] = a0(i + 1, j + 1);
    std::vector<int> piv(n);
    int info = 0;
    double t_lp = median_time([&] { lu = at; }, [&] { dgetrf_(&n, &n, lu.data(), &n, piv.data(), &info); });
    std::vector<double> rhs;
    int one = 1;
    double ts_lp = median_time([&] { rhs.assign(b.debut(), b.debut() + n); },
                               [&] { dgetrs_("N", &n, &one, lu.data(), &n, piv.data(), rhs.data(), &n, &info); });
    row(c, "OpenBLAS dgetrf", t_lp, flops, t_ours, rel_residual(rhs, xs));
    row("dense solve n=" + std::to_string(n), "ours solve", ts_ours, 2.0 * n * n, ts_ours, rel_residual(xo, xs));
    row("dense solve n=" + std::to_string(n), "OpenBLAS dgetrs", ts_lp, 2.0 * n * n, ts_ours, rel_residual(rhs, xs));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_runs = std::max(1, std::atoi(argv[1]));
  openblas_set_num_threads(1);
  sst = new runstat(stderr, argv[0]);
  header();
  dense_cases();
  delete sst;
}
