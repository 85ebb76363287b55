// Grid generation and mesh viewer file writing, against a plain 1 MiB
// write() loop of the same size in the same directory (what dd bs=1M does).
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
      std::size_t k = static_cast<std::size_t>(
          std::min<long long>(left, static_cast<long long>(zeros.size())));
      if (write(fd, zeros.data(), k) != static_cast<ssize_t>(k)) std::abort();
      left -= static_cast<long long>(k);
    }
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * total);
  unlink(f.c_str());
}
BENCHMARK(BM_dd_baseline)->Arg(1000)->Arg(2000)->Arg(3000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
