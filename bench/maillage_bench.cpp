// Grid generation and mesh viewer file writing, against a plain 1 MiB
// write() loop of the same size in the same directory (what dd bs=1M does);
// reading mesh viewer and Gmsh files.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "grille.h"
#include "maillage.h"
#include "runstat.h"

namespace {

void ensure_report() {
  if (sst == nullptr) sst = new runstat(stderr, "maillage_bench");
}

// Scratch directory under /tmp, created once and removed at exit.
char scratch_dir[] = "/tmp/maillage_bench_XXXXXX";

void remove_scratch() {
  std::string cmd = std::string("rm -rf '") + scratch_dir + "'";
  if (std::system(cmd.c_str()) != 0) std::perror("rm");
}

std::string scratch() {
  static bool made = [] {
    if (mkdtemp(scratch_dir) == nullptr) std::abort();
    std::atexit(remove_scratch);
    return true;
  }();
  (void)made;
  return scratch_dir;
}

long long file_bytes(int n) {
  long long const nv = static_cast<long long>(n + 1) * (n + 1);
  long long const ne = static_cast<long long>(n) * n;
  return 88 + 16 + 56 * nv + 24 + 32 * ne;
}

long long array_bytes(int n) {
  long long const nv = static_cast<long long>(n + 1) * (n + 1);
  return nv * (2 * 4 + 4) + static_cast<long long>(n) * n * 16;
}

void BM_gen_mb(benchmark::State& state) {
  ensure_report();
  int const n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    maillage* m = gen_mb(0.0f, 1.0f, n, 0.0f, 1.0f, n);
    benchmark::DoNotOptimize(m);
    delete m;
  }
  state.SetBytesProcessed(state.iterations() * array_bytes(n));
}
BENCHMARK(BM_gen_mb)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ecrit_kadro(benchmark::State& state) {
  ensure_report();
  int const n = static_cast<int>(state.range(0));
  std::unique_ptr<maillage> m(gen_mb(0.0f, 1.0f, n, 0.0f, 1.0f, n));
  std::string const f = scratch() + "/bench.kadro2D";
  for (auto _ : state) m->ecrit_kadro(f.c_str());
  state.SetBytesProcessed(state.iterations() * file_bytes(n));
  unlink(f.c_str());
}
BENCHMARK(BM_ecrit_kadro)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_lect_kadro(benchmark::State& state) {
  ensure_report();
  int const n = static_cast<int>(state.range(0));
  std::string const f = scratch() + "/read.kadro2D";
  {
    std::unique_ptr<maillage> m(gen_mb(0.0f, 1.0f, n, 0.0f, 1.0f, n));
    m->ecrit_kadro(f.c_str());
  }
  for (auto _ : state) {
    maillage m(f.c_str());
    benchmark::DoNotOptimize(m.npt());
  }
  state.SetBytesProcessed(state.iterations() * file_bytes(n));
  unlink(f.c_str());
}
BENCHMARK(BM_lect_kadro)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// An n x n grid of nodes in MSH 4.1, text or binary: one surface entity in
// group 1, its 2 (n-1)^2 triangles, and the bottom side's lines in group 2.
// Returns the file's size.
long long write_msh41(std::string const& f, int n, bool binary) {
  FILE* fp = std::fopen(f.c_str(), "wb");
  if (fp == nullptr) std::abort();
  long long const nn = static_cast<long long>(n) * n;
  long long const nt = 2LL * (n - 1) * (n - 1);
  auto u64 = [fp](unsigned long long v) { std::fwrite(&v, 8, 1, fp); };
  auto i32 = [fp](int v) { std::fwrite(&v, 4, 1, fp); };
  auto f64 = [fp](double v) { std::fwrite(&v, 8, 1, fp); };
  std::fprintf(fp, "$MeshFormat\n4.1 %d 8\n", binary ? 1 : 0);
  if (binary) i32(1), std::fputc('\n', fp);
  std::fprintf(fp, "$EndMeshFormat\n$Entities\n");
  if (binary) {
    u64(0), u64(1), u64(1), u64(0);
    i32(1);
    for (int k = 0; k < 6; ++k) f64(0);
    u64(1), i32(2), u64(0);
    i32(1);
    for (int k = 0; k < 6; ++k) f64(0);
    u64(1), i32(1), u64(0);
    std::fputc('\n', fp);
  } else {
    std::fprintf(fp, "0 1 1 0\n1 0 0 0 1 0 0 1 2 0\n1 0 0 0 1 1 0 1 1 0\n");
  }
  std::fprintf(fp, "$EndEntities\n$Nodes\n");
  if (binary) {
    u64(1), u64(static_cast<unsigned long long>(nn)), u64(1),
        u64(static_cast<unsigned long long>(nn));
    i32(2), i32(1), i32(0), u64(static_cast<unsigned long long>(nn));
    for (long long t = 1; t <= nn; ++t) u64(static_cast<unsigned long long>(t));
    for (long long t = 0; t < nn; ++t) f64(0.001 * (t % n)), f64(0.001 * (t / n)), f64(0);
    std::fputc('\n', fp);
  } else {
    std::fprintf(fp, "1 %lld 1 %lld\n2 1 0 %lld\n", nn, nn, nn);
    for (long long t = 1; t <= nn; ++t) std::fprintf(fp, "%lld\n", t);
    for (long long t = 0; t < nn; ++t)
      std::fprintf(fp, "%.16g %.16g 0\n", 0.001 * (t % n), 0.001 * (t / n));
  }
  std::fprintf(fp, "$EndNodes\n$Elements\n");
  long long const ne = nt + n - 1;
  long long tag = 0;
  if (binary) {
    u64(2), u64(static_cast<unsigned long long>(ne)), u64(1),
        u64(static_cast<unsigned long long>(ne));
    i32(1), i32(1), i32(1), u64(static_cast<unsigned long long>(n - 1));
    for (int i = 1; i < n; ++i) u64(++tag), u64(i), u64(i + 1);
    i32(2), i32(1), i32(2), u64(static_cast<unsigned long long>(nt));
  } else {
    std::fprintf(fp, "2 %lld 1 %lld\n1 1 1 %d\n", ne, ne, n - 1);
    for (int i = 1; i < n; ++i) std::fprintf(fp, "%lld %d %d\n", ++tag, i, i + 1);
    std::fprintf(fp, "2 1 2 %lld\n", nt);
  }
  for (long long j = 0; j + 1 < n; ++j)
    for (long long i = 1; i < n; ++i) {
      long long const a = j * n + i, b = a + 1, c = b + n, d = a + n;
      long long const t[2][3] = {{a, b, c}, {a, c, d}};
      for (auto const& tri : t) {
        if (binary) {
          u64(static_cast<unsigned long long>(++tag));
          for (long long v : tri) u64(static_cast<unsigned long long>(v));
        } else {
          std::fprintf(fp, "%lld %lld %lld %lld\n", ++tag, tri[0], tri[1], tri[2]);
        }
      }
    }
  if (binary) std::fputc('\n', fp);
  std::fprintf(fp, "$EndElements\n");
  long long const size = std::ftell(fp);
  std::fclose(fp);
  return size;
}

// Reading a Gmsh file of a 1000 x 1000 node grid; arg 1 for binary.
void BM_lect_gmsh(benchmark::State& state) {
  ensure_report();
  bool const binary = state.range(0) != 0;
  std::string const f = scratch() + (binary ? "/grid_b.msh" : "/grid.msh");
  long long const bytes = write_msh41(f, 1000, binary);
  for (auto _ : state) {
    maillage m(f.c_str());
    benchmark::DoNotOptimize(m.npt());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["nodes/s"] = benchmark::Counter(1e6 * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
  unlink(f.c_str());
}
BENCHMARK(BM_lect_gmsh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// What reg_m -b does between its command line and its exit.
void BM_gen_and_write(benchmark::State& state) {
  ensure_report();
  int const n = static_cast<int>(state.range(0));
  std::string const f = scratch() + "/run.kadro2D";
  for (auto _ : state) {
    maillage* m = gen_mb(0.0f, 1.0f, n, 0.0f, 1.0f, n);
    m->ecrit_kadro(f.c_str());
    delete m;
  }
  state.SetBytesProcessed(state.iterations() * file_bytes(n));
  unlink(f.c_str());
}
BENCHMARK(BM_gen_and_write)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Baseline: the same number of bytes as the mesh file of an n x n grid,
// written as zeros in 1 MiB blocks into a truncated file.
void BM_dd_baseline(benchmark::State& state) {
  int const n = static_cast<int>(state.range(0));
  long long const total = file_bytes(n);
  std::vector<char> zeros(1 << 20, 0);
  std::string const f = scratch() + "/dd.bin";
  for (auto _ : state) {
    int fd = open(f.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) std::abort();
    for (long long left = total; left > 0;) {
      std::size_t k =
          static_cast<std::size_t>(std::min<long long>(left, static_cast<long long>(zeros.size())));
      if (write(fd, zeros.data(), k) != static_cast<ssize_t>(k)) std::abort();
      left -= static_cast<long long>(k);
    }
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * total);
  unlink(f.c_str());
}
BENCHMARK(BM_dd_baseline)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(3000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
