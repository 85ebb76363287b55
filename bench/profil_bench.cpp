// Factorizations of the 5-point Laplacian of an m x m grid (natural
// ordering, every line reaching back m columns) in profile storage, and the
// dense Gauss factorization for comparison.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "profil.h"

namespace {

// Line i reaches back min(m, i - 1) columns.
gvector<int> laplacian_profile(int m, bool general) {
  int const n = m * m;
  gvector<int> p(0, n);
  p[0] = 0;
  for (int i = 1; i <= n; ++i) {
    int const reach = std::min(m, i - 1);
    p[i] = p[i - 1] + (general ? 2 * reach + 1 : reach + 1);
  }
  return p;
}

template <class M>
void fill_laplacian(M& a, int m, bool general) {
  a = 0.0;
  for (int r = 1; r <= m; ++r)
    for (int c = 1; c <= m; ++c) {
      int const i = (r - 1) * m + c;
      a(i, i) = 4;
      if (c > 1) {
        a(i, i - 1) = -1;
        if (general) a(i - 1, i) = -1;
      }
      if (r > 1) {
        a(i, i - m) = -1;
        if (general) a(i - m, i) = -1;
      }
    }
}

// Multiply-add pairs of the inner loops: per lower entry (i, j) the common
// reach of lines i and j, per line the diagonal update; gauss runs two such
// chains (row and column) per entry.
double profile_flops(int m, int chains) {
  int const n = m * m;
  double f = 0;
  for (int i = 1; i <= n; ++i) {
    int const pi = i - std::min(m, i - 1);
    for (int j = pi; j < i; ++j) f += 2.0 * chains * (j - std::max(pi, j - std::min(m, j - 1)));
    f += 2.0 * (i - pi);
  }
  return f;
}

// Rate over CPU time: the machine is shared, wall time says little.
void report(benchmark::State& state, double flops) {
  state.counters["GFLOPS"] = benchmark::Counter(
      flops * static_cast<double>(state.iterations()) / 1e9, benchmark::Counter::kIsRate);
}

void BM_Choleski(benchmark::State& state) {
  int const m = static_cast<int>(state.range(0));
  skysmatrix<double> a(laplacian_profile(m, false));
  fill_laplacian(a, m, false);
  for (auto _ : state) {
    state.PauseTiming();
    skysmatrix<double> f(a);
    state.ResumeTiming();
    benchmark::DoNotOptimize(f.choleski());
    benchmark::ClobberMemory();
    state.PauseTiming();
    f = skysmatrix<double>();
    state.ResumeTiming();
  }
  report(state, profile_flops(m, 1));
}

void BM_Crout(benchmark::State& state) {
  int const m = static_cast<int>(state.range(0));
  skysmatrix<double> a(laplacian_profile(m, false));
  fill_laplacian(a, m, false);
  for (auto _ : state) {
    state.PauseTiming();
    skysmatrix<double> f(a);
    state.ResumeTiming();
    benchmark::DoNotOptimize(f.crout());
    benchmark::ClobberMemory();
    state.PauseTiming();
    f = skysmatrix<double>();
    state.ResumeTiming();
  }
  report(state, profile_flops(m, 1));
}

void BM_ProfileGauss(benchmark::State& state) {
  int const m = static_cast<int>(state.range(0));
  skygmatrix<double> a(laplacian_profile(m, true));
  fill_laplacian(a, m, true);
  for (auto _ : state) {
    state.PauseTiming();
    skygmatrix<double> f(a);
    state.ResumeTiming();
    benchmark::DoNotOptimize(f.gauss());
    benchmark::ClobberMemory();
    state.PauseTiming();
    f = skygmatrix<double>();
    state.ResumeTiming();
  }
  report(state, profile_flops(m, 2));
}

void BM_DenseGauss(benchmark::State& state) {
  int const n = static_cast<int>(state.range(0));
  gmatrix<double> a(1, n, 1, n);
  std::mt19937 g(1);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) a(i, j) = u(g);
    a(i, i) = n;
  }
  for (auto _ : state) {
    state.PauseTiming();
    gmatrix<double> f(a);
    state.ResumeTiming();
    benchmark::DoNotOptimize(f.gauss());
    benchmark::ClobberMemory();
  }
  report(state, 2.0 * n * static_cast<double>(n) * n / 3.0);
}

}  // namespace

BENCHMARK(BM_Choleski)->Arg(100)->Arg(200)->Arg(300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Crout)->Arg(100)->Arg(200)->Arg(300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProfileGauss)->Arg(100)->Arg(200)->Arg(300)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseGauss)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
