// Mesh services on the n x n cell grid: statistics, transforms, merge,
// neighbour lists and renumbering data.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "llist.h"
#include "maillage.h"

namespace {

void ensure_report() {
  if (sst == nullptr) sst = new runstat(stderr, "maillage_services_bench");
}

// The n x n grid of unit quadrilaterals, built once per size.
maillage const& grid(int n) {
  static int built = -1;
  static std::unique_ptr<maillage> m;
  if (built != n) {
    int const nv = (n + 1) * (n + 1);
    gmatrix<float> som(1, nv, 1, 2);
    float* s = som.debut();
    for (int j = 0; j <= n; ++j)
      for (int i = 0; i <= n; ++i, s += 2) {
        s[0] = static_cast<float>(i);
        s[1] = static_cast<float>(j);
      }
    gmatrix<int> el(1, n * n, 1, 4);
    int* e = el.debut();
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i, e += 4) {
        int const a = j * (n + 1) + i + 1;
        e[0] = a;
        e[1] = a + 1;
        e[2] = a + n + 2;
        e[3] = a + n + 1;
      }
    gvector<int> refs(1, nv);
    refs = 0;
    m.reset(new maillage(std::move(som), std::move(el), std::move(refs), "grille"));
    built = n;
  }
  return *m;
}

void BM_init_stats(benchmark::State& state) {
  ensure_report();
  int const n = static_cast<int>(state.range(0));
  maillage m(grid(n));
  for (auto _ : state) {
    m.init_stats();
    benchmark::DoNotOptimize(m.sd_ls());
  }
  state.SetItemsProcessed(state.iterations() * n * n);
}

template <class F>
void transform(benchmark::State& state, F f) {
  ensure_report();
  int const n = static_cast<int>(state.range(0));
  maillage const& m = grid(n);
  for (auto _ : state) {
    maillage* r = &f(m);
    benchmark::DoNotOptimize(r);
    delete r;
  }
  state.SetItemsProcessed(state.iterations() * (n + 1) * (n + 1));
}

void BM_rot(benchmark::State& state) {
  transform(state, [](maillage const& m) -> maillage& { return m.rot(1, 2, 0.7); });
}
void BM_tran(benchmark::State& state) {
  transform(state, [](maillage const& m) -> maillage& { return m.tran(1, 2); });
}
void BM_homot(benchmark::State& state) {
  transform(state, [](maillage const& m) -> maillage& { return m.homot(1, 2, 0.5); });
}
void BM_courb(benchmark::State& state) {
  transform(state, [](maillage const& m) -> maillage& { return m.courb(1, 4, 1); });
}

void BM_merge(benchmark::State& state) {
  ensure_report();
  int const n = static_cast<int>(state.range(0));
  maillage const& m = grid(n);
  for (auto _ : state) {
    maillage r = m + m;
    benchmark::DoNotOptimize(r.npt());
  }
  state.SetItemsProcessed(state.iterations() * 2 * (n + 1) * (n + 1));
}

void BM_list_voisins(benchmark::State& state) {
  ensure_report();
  int const n = static_cast<int>(state.range(0));
  maillage const& m = grid(n);
  for (auto _ : state) {
    std::unique_ptr<licolect> l(&m.list_voisins());
    benchmark::DoNotOptimize(l->debut());
  }
  state.SetItemsProcessed(state.iterations() * (n + 1) * (n + 1));
}

// Scratch file under /tmp, removed at exit.
char scratch_name[] = "/tmp/maillage_services_bench_XXXXXX";

void remove_scratch() { std::remove(scratch_name); }

char const* scratch() {
  static bool made = [] {
    int fd = mkstemp(scratch_name);
    if (fd < 0) std::abort();
    close(fd);
    std::atexit(remove_scratch);
    return true;
  }();
  (void)made;
  return scratch_name;
}

void BM_gen_data_renum(benchmark::State& state) {
  ensure_report();
  int const n = static_cast<int>(state.range(0));
  maillage const& m = grid(n);
  char const* f = scratch();
  for (auto _ : state) m.gen_data_renum(f);
  state.SetItemsProcessed(state.iterations() * (n + 1) * (n + 1));
}

void BM_d_list_voisins(benchmark::State& state) {
  ensure_report();
  int const n = static_cast<int>(state.range(0));
  maillage const& m = grid(n);
  char const* f = scratch();
  for (auto _ : state) m.d_list_voisins(f);
  state.SetItemsProcessed(state.iterations() * (n + 1) * (n + 1));
}

BENCHMARK(BM_list_voisins)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_gen_data_renum)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_d_list_voisins)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_init_stats)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_rot)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_tran)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_homot)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_courb)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_merge)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
