// File forms of the profile matrices: storage dumps and loads of a grid
// Laplacian's profile, and dense saves, plain and compressed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include <unistd.h>

#include "profil.h"

namespace {

// General profile of the 5-point Laplacian of an n x n grid.
skygmatrix<double> laplacien(int n) {
  gvector<int> p(0, n * n);
  p[0] = 0;
  for (int k = 1; k <= n * n; ++k) {
    int const m = k > n ? n : ((k - 1) % n > 0 ? 1 : 0);
    p[k] = p[k - 1] + 2 * m + 1;
  }
  skygmatrix<double> a(p);
  a = -1.0;
  for (int k = 1; k <= n * n; ++k) a(k, k) = 4.0 + 1e-3 * k;
  return a;
}

struct scratch {
  std::string dir;
  scratch() {
    char t[] = "/tmp/profil_io_bench_XXXXXX";
    dir = mkdtemp(t);
  }
  ~scratch() {
    std::string cmd = "rm -rf '" + dir + "'";
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
};

scratch& tmp() {
  static scratch s;
  return s;
}

void BM_dump_load(benchmark::State& st, char enc, bool gz) {
  skygmatrix<double> a = laplacien(int(st.range(0)));
  std::string const name = tmp().dir + "/d" + (gz ? ".gz" : "");
  skygmatrix<double> b;
  for (auto _ : st) {
    if (enc == 'a') a.a_dump(name.c_str()), b.a_load(name.c_str());
    if (enc == 'b') a.b_dump(name.c_str()), b.b_load(name.c_str());
    if (enc == 'f') a.f_dump(name.c_str()), b.f_load(name.c_str());
  }
  st.SetItemsProcessed(st.iterations() * a.size());
}
BENCHMARK_CAPTURE(BM_dump_load, text, 'a', false)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_dump_load, raw, 'b', false)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_dump_load, framed, 'f', false)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_dump_load, raw_gz, 'b', true)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_save(benchmark::State& st, char enc) {
  skygmatrix<double> a = laplacien(int(st.range(0)));
  std::string const name = tmp().dir + "/s";
  for (auto _ : st) {
    if (enc == 'a') a.a_save(name.c_str());
    if (enc == 'b') a.b_save(name.c_str());
  }
  st.SetItemsProcessed(st.iterations() * (long long)a.imax() * a.imax());
}
BENCHMARK_CAPTURE(BM_save, text, 'a')->Arg(30)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_save, raw, 'b')->Arg(30)->Unit(benchmark::kMillisecond);

}  // namespace
