// Renumbering: neighbour lists, reverse Cuthill-McKee and Sloan on grids of
// up to 1000 x 1000 vertices, numbered row by row or shuffled, and on a mesh
// file named by RENUM_BENCH_MESH. Counters: profile size and largest
// half-bandwidth before and after.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "llist.h"
#include "maillage.h"
#include "renum.h"
#include "renum_meshes.h"

namespace {

// The lists of the last mesh asked for: building those of a million
// vertices takes longer than renumbering them.
licolect const& lists_of(std::string const& key, maillage const* (*make)()) {
  static std::string cached;
  static lists l;
  if (cached != key) {
    l.reset();
    std::unique_ptr<maillage const> m(make());
    l.reset(&m->list_voisins());
    cached = key;
  }
  return *l;
}

// Arguments of the grid benchmarks: vertices along x and y, shuffle seed
// (0: numbered row by row, along x).
licolect const& grid_lists(benchmark::State const& state) {
  static int nx, ny;
  static unsigned seed;
  nx = static_cast<int>(state.range(0));
  ny = static_cast<int>(state.range(1));
  seed = static_cast<unsigned>(state.range(2));
  return lists_of(
      "grid " + std::to_string(nx) + " " + std::to_string(ny) + " " + std::to_string(seed),
      [] { return static_cast<maillage const*>(new maillage(grid(nx, ny, seed))); });
}

void counters(benchmark::State& state, licolect const& l, gvector<int> const& p) {
  adjacence const a(l);
  mesure_profil const before = mesure(a), after = mesure(a, p);
  state.counters["sommets"] = a.n();
  state.counters["profil_avant"] = static_cast<double>(before.profil);
  state.counters["bande_avant"] = before.demi_bande;
  state.counters["profil_apres"] = static_cast<double>(after.profil);
  state.counters["bande_apres"] = after.demi_bande;
}

template <gvector<int> (*Order)(gcolect<llist<int>> const&)>
void run_order(benchmark::State& state, licolect const& l) {
  gvector<int> p;
  for (auto _ : state) {
    p = Order(l);
    benchmark::DoNotOptimize(p.debut());
  }
  counters(state, l, p);
}

constexpr auto kRcm = static_cast<gvector<int> (*)(gcolect<llist<int>> const&)>(renum_rcm);
constexpr auto kSloan = static_cast<gvector<int> (*)(gcolect<llist<int>> const&)>(renum_sloan);

void BM_ListVoisins(benchmark::State& state) {
  int const side = static_cast<int>(state.range(0));
  maillage const m = grid(side, side);
  for (auto _ : state) {
    lists l(&m.list_voisins());
    benchmark::DoNotOptimize(l.get());
  }
  state.counters["sommets"] = m.npt();
}

void BM_Adjacence(benchmark::State& state) {
  licolect const& l = grid_lists(state);
  for (auto _ : state) {
    adjacence a(l);
    benchmark::DoNotOptimize(a.liste());
  }
}

void BM_Rcm(benchmark::State& state) { run_order<kRcm>(state, grid_lists(state)); }

void BM_Sloan(benchmark::State& state) { run_order<kSloan>(state, grid_lists(state)); }

// Squares up to a million vertices, and a long strip numbered along its
// length, as numbered by reg_m and shuffled.
void grids(benchmark::internal::Benchmark* b) {
  for (int seed : {0, 1}) {
    for (int side : {100, 316, 1000}) b->Args({side, side, seed});
    b->Args({4000, 250, seed});
  }
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ListVoisins)->Arg(100)->Arg(316)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Adjacence)->Apply(grids);
BENCHMARK(BM_Rcm)->Apply(grids);
BENCHMARK(BM_Sloan)->Apply(grids);

// The mesh file of RENUM_BENCH_MESH, any format the mesh class reads.
licolect const& file_lists() {
  return lists_of(std::getenv("RENUM_BENCH_MESH"), [] {
    return static_cast<maillage const*>(new maillage(std::getenv("RENUM_BENCH_MESH")));
  });
}

int const kFileBenchmarks = [] {
  if (std::getenv("RENUM_BENCH_MESH") == nullptr) return 0;
  benchmark::RegisterBenchmark("BM_RcmFile", [](benchmark::State& s) {
    run_order<kRcm>(s, file_lists());
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("BM_SloanFile", [](benchmark::State& s) {
    run_order<kSloan>(s, file_lists());
  })->Unit(benchmark::kMillisecond);
  return 2;
}();

}  // namespace
