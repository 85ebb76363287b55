// How many threads the library uses: set by the program, or from the
// environment, or the cores the process may run on.
#include "threads.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sched.h>
#include <unistd.h>

#include "runstat.h"

namespace {

constexpr int most_threads = 1024;

std::atomic<int> chosen{0};  // utils_set_threads, 0 when unset

[[noreturn]] void bad_variable(char const* value) {
  // Quoted as given, cut when long.
  char shown[72];
  std::snprintf(shown, sizeof shown, "%.64s%s", value, std::strlen(value) > 64 ? "..." : "");
  if (!sst) {
    std::fprintf(stderr, "UTILS_NUM_THREADS=\"%s\": on attend un entier de 1 a %d\n", shown,
                 most_threads);
    std::exit(1);
  }
  sst->msg("UTILS_NUM_THREADS=\"")
      .msg(shown)
      .msg("\": on attend un entier de 1 a ")
      .msg(most_threads)
      .msg("\n");
  sst->kill(1);
}

// Digits only, 1 to most_threads; 0 when the variable is not set.
int from_environment() {
  char const* v = std::getenv("UTILS_NUM_THREADS");
  if (!v) return 0;
  long n = 0;
  char const* c = v;
  for (; *c >= '0' && *c <= '9' && n <= most_threads; ++c) n = 10 * n + (*c - '0');
  if (c == v || *c != '\0' || n < 1 || n > most_threads) bad_variable(v);
  return static_cast<int>(n);
}

int cores() {
#if defined(__linux__)
  // The set may be larger than the default cpu_set_t on big machines.
  for (int ncpu = CPU_SETSIZE; ncpu <= (1 << 16); ncpu *= 2) {
    cpu_set_t* set = CPU_ALLOC(ncpu);
    if (!set) break;
    std::size_t const bytes = CPU_ALLOC_SIZE(ncpu);
    int const n = sched_getaffinity(0, bytes, set) == 0 ? CPU_COUNT_S(bytes, set) : -1;
    CPU_FREE(set);
    if (n > 0) return n < most_threads ? n : most_threads;
  }
#endif
  long const n = sysconf(_SC_NPROCESSORS_ONLN);
  return n < 1 ? 1 : n < most_threads ? static_cast<int>(n) : most_threads;
}

int by_default() {
  // Read once: the environment of a run does not change under it.
  static int const n = [] {
    int const e = from_environment();
    return e ? e : cores();
  }();
  return n;
}

}  // namespace

int utils_threads() {
  int const c = chosen.load(std::memory_order_relaxed);
  return c > 0 ? c : by_default();
}

void utils_set_threads(int n) {
  chosen.store(n < 1 ? 0 : n < most_threads ? n : most_threads, std::memory_order_relaxed);
}
