// Saving and loading a 10-million-element dvector in each file form, plain
// and compressed. bytes_per_second counts element data (8 bytes a value);
// file_MB is the size of the file as stored. Baselines: a bare
// fprintf("%20.10f \n") loop over the same values, and the same through a
// level-9 compressed stream (gzprintf "%lf \n") for the compressed text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "vecteurs.h"

namespace {

const int N = 10000000;

dvector& donnees() {
  static dvector* v = nullptr;
  if (v == nullptr) {
    v = new dvector(1, N);
    std::mt19937_64 g(42);
    std::uniform_real_distribution<double> u(-1000, 1000);
    double* e = v->debut();
    for (int k = 0; k < N; ++k) e[k] = u(g);
  }
  return *v;
}

enum Enc { TXT, RAW, REC };

std::string nom(Enc e, bool gz) {
  static char const* ext[] = {"txt", "bin", "rec"};
  return "/tmp/vecteurs_io_bench_" + std::to_string(getpid()) + "." + ext[e] + (gz ? ".gz" : "");
}

void sauve(const dvector& v, Enc e, char const* n) {
  if (e == TXT) v.a_save(n);
  if (e == RAW) v.b_save(n);
  if (e == REC) v.f_save(n);
}

void charge(dvector& v, Enc e, char const* n) {
  if (e == TXT) v.a_load(n);
  if (e == RAW) v.b_load(n);
  if (e == REC) v.f_load(n);
}

const long long OCTETS = 8LL * N;

void taille(benchmark::State& state, const std::string& n) {
  struct stat sb;
  if (stat(n.c_str(), &sb) == 0) state.counters["file_MB"] = double(sb.st_size) / 1e6;
}

template <Enc E, bool GZ>
void BM_Save(benchmark::State& state) {
  const dvector& v = donnees();
  std::string n = nom(E, GZ);
  for (auto _ : state) sauve(v, E, n.c_str());
  state.SetBytesProcessed(state.iterations() * OCTETS);
  taille(state, n);
  std::remove(n.c_str());
}

template <Enc E, bool GZ>
void BM_Load(benchmark::State& state) {
  std::string n = nom(E, GZ);
  sauve(donnees(), E, n.c_str());
  dvector w;
  for (auto _ : state) {
    charge(w, E, n.c_str());
    benchmark::DoNotOptimize(w.debut());
  }
  state.SetBytesProcessed(state.iterations() * OCTETS);
  taille(state, n);
  std::remove(n.c_str());
}

void BM_FprintfBaseline(benchmark::State& state) {
  const dvector& v = donnees();
  std::string n = nom(TXT, false) + ".ref";
  for (auto _ : state) {
    FILE* fp = std::fopen(n.c_str(), "w");
    double const* e = v.debut();
    for (int k = 0; k < N; ++k) std::fprintf(fp, "%20.10f \n", e[k]);
    std::fclose(fp);
  }
  state.SetBytesProcessed(state.iterations() * OCTETS);
  taille(state, n);
  std::remove(n.c_str());
}

void BM_GzprintfBaseline(benchmark::State& state) {
  const dvector& v = donnees();
  std::string n = nom(TXT, true) + ".ref";
  for (auto _ : state) {
    gzFile z = gzopen(n.c_str(), "w9");
    double const* e = v.debut();
    for (int k = 0; k < N; ++k) gzprintf(z, "%lf \n", e[k]);
    gzclose(z);
  }
  state.SetBytesProcessed(state.iterations() * OCTETS);
  taille(state, n);
  std::remove(n.c_str());
}

}  // namespace

#define IO_BENCH(E, GZ)                                                                      \
  BENCHMARK_TEMPLATE(BM_Save, E, GZ)->Unit(benchmark::kMillisecond)->Iterations(GZ ? 1 : 3); \
  BENCHMARK_TEMPLATE(BM_Load, E, GZ)->Unit(benchmark::kMillisecond)->Iterations(GZ ? 1 : 3);

BENCHMARK(BM_FprintfBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
IO_BENCH(TXT, false)
IO_BENCH(RAW, false)
IO_BENCH(REC, false)
BENCHMARK(BM_GzprintfBaseline)->Unit(benchmark::kMillisecond)->Iterations(1);
IO_BENCH(TXT, true)
IO_BENCH(RAW, true)
IO_BENCH(REC, true)
