// VTK writing of a 1000 x 1000 vertex grid (998001 quadrilaterals) with one
// field at the vertices and one per element, in each form; and, for the
// text form, the same file written one fprintf per value.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "vtk.h"

namespace {

void ensure_report() {
  if (sst == nullptr) sst = new runstat(stderr, "vtk_bench");
}

// A file of this run under /tmp; each benchmark removes its own.
std::string scratch(char const* name) {
  return "/tmp/vtk_bench_" + std::to_string(getpid()) + "_" + name;
}

constexpr int kSide = 1000;  // vertices per side

struct grid {
  std::unique_ptr<maillage> m;
  gvector<double> u, p;
};

grid const& big_grid() {
  static grid g = [] {
    ensure_report();
    int const nv = kSide * kSide, ne = (kSide - 1) * (kSide - 1);
    gmatrix<float> s(1, nv, 1, 2);
    gvector<int> r(1, nv);
    grid h{nullptr, gvector<double>(1, nv), gvector<double>(1, ne)};
    for (int j = 0; j < kSide; ++j)
      for (int i = 0; i < kSide; ++i) {
        int const v = j * kSide + i + 1;
        s(v, 1) = 0.001f * static_cast<float>(i);
        s(v, 2) = 0.001f * static_cast<float>(j);
        r[v] = (i == 0 || j == 0 || i == kSide - 1 || j == kSide - 1) ? 1 : 0;
        h.u[v] = std::sin(0.001 * i) * std::cos(0.002 * j);
      }
    gmatrix<int> e(1, ne, 1, 4);
    for (int j = 0, k = 1; j < kSide - 1; ++j)
      for (int i = 0; i < kSide - 1; ++i, ++k) {
        int const a = j * kSide + i + 1;
        e(k, 1) = a;
        e(k, 2) = a + 1;
        e(k, 3) = a + kSide + 1;
        e(k, 4) = a + kSide;
        h.p[k] = 1.0 / k;
      }
    h.m.reset(new maillage(std::move(s), std::move(e), std::move(r), "grille"));
    return h;
  }();
  return g;
}

long long file_size(std::string const& f) {
  struct stat st;
  return stat(f.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

void BM_ecrit_vtk(benchmark::State& state) {
  grid const& g = big_grid();
  auto const format = static_cast<vtk_format>(state.range(0));
  std::string const f = scratch(format == vtk_format::xml ? "g.vtu" : "g.vtk");
  vtk_champs const ch = vtk_champs().sommets("u", g.u).elements("p", g.p);
  for (auto _ : state) ecrit_vtk(*g.m, f.c_str(), ch, format);
  state.SetBytesProcessed(state.iterations() * file_size(f));
  state.SetLabel(format == vtk_format::ascii     ? "legacy text"
                 : format == vtk_format::binaire ? "legacy binary"
                                                 : "vtu raw");
  unlink(f.c_str());
}
BENCHMARK(BM_ecrit_vtk)
    ->Arg(static_cast<int>(vtk_format::ascii))
    ->Arg(static_cast<int>(vtk_format::binaire))
    ->Arg(static_cast<int>(vtk_format::xml))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The text form as a per-value fprintf writer makes it: the same bytes.
void BM_fprintf_text(benchmark::State& state) {
  grid const& g = big_grid();
  maillage const& m = *g.m;
  std::string const f = scratch("f.vtk");
  int const nv = m.npt(), ne = m.nelem();
  for (auto _ : state) {
    FILE* fp = std::fopen(f.c_str(), "w");
    if (fp == nullptr) std::abort();
    std::setvbuf(fp, nullptr, _IOFBF, 1 << 16);
    std::fprintf(fp,
                 "# vtk DataFile Version 3.0\ngrille\nASCII\n"
                 "DATASET UNSTRUCTURED_GRID\nPOINTS %d float\n",
                 nv);
    for (int i = 1; i <= nv; ++i)
      std::fprintf(fp, "%.9g %.9g %.9g\n", static_cast<double>(m.x(i)), static_cast<double>(m.y(i)),
                   0.0);
    std::fprintf(fp, "CELLS %d %lld\n", ne, 5LL * ne);
    for (int e = 1; e <= ne; ++e)
      std::fprintf(fp, "4 %d %d %d %d\n", m.lg(e, 1) - 1, m.lg(e, 2) - 1, m.lg(e, 3) - 1,
                   m.lg(e, 4) - 1);
    std::fprintf(fp, "CELL_TYPES %d\n", ne);
    for (int e = 1; e <= ne; ++e) std::fprintf(fp, "9\n");
    std::fprintf(fp, "POINT_DATA %d\nSCALARS tag int 1\nLOOKUP_TABLE default\n", nv);
    for (int i = 1; i <= nv; ++i) std::fprintf(fp, "%d\n", m.ref(i));
    std::fprintf(fp, "SCALARS u double 1\nLOOKUP_TABLE default\n");
    for (int i = 1; i <= nv; ++i) std::fprintf(fp, "%.17g\n", g.u[i]);
    std::fprintf(fp, "CELL_DATA %d\nSCALARS subdomain int 1\nLOOKUP_TABLE default\n", ne);
    for (int e = 1; e <= ne; ++e) std::fprintf(fp, "1\n");
    std::fprintf(fp, "SCALARS p double 1\nLOOKUP_TABLE default\n");
    for (int e = 1; e <= ne; ++e) std::fprintf(fp, "%.17g\n", g.p[e]);
    std::fclose(fp);
  }
  state.SetBytesProcessed(state.iterations() * file_size(f));
  unlink(f.c_str());
}
BENCHMARK(BM_fprintf_text)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
