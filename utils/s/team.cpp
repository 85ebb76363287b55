// The library's pool of threads: workers started the first time a team
// needs them and kept, each sleeping on its own ticket between teams.
#include "kernels/team.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <vector>
#if defined(__linux__)
#include <linux/futex.h>
#include <sys/syscall.h>
#else
#include <sched.h>
#endif

namespace kern {

static_assert(sizeof(std::atomic<int>) == sizeof(int), "a futex word is an int");

void sleep_while(std::atomic<int> const& word, int seen) {
#if defined(__linux__)
  syscall(SYS_futex, reinterpret_cast<int const*>(&word), FUTEX_WAIT_PRIVATE, seen, nullptr,
          nullptr, 0);
#else
  if (word.load(std::memory_order_relaxed) == seen) sched_yield();
#endif
}

void wake_all(std::atomic<int>& word) {
#if defined(__linux__)
  syscall(SYS_futex, reinterpret_cast<int*>(&word), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr,
          0);
#else
  (void)word;
#endif
}

namespace {

// The most workers the pool starts (the thread count is at most 1024).
constexpr int max_workers = 1023;

struct pool {
  std::mutex busy;  // held by the team at work
  // The job of the current team, written before the workers' tickets move.
  void (*fn)(void*, int, int) = nullptr;
  void* ctx = nullptr;
  int size = 0;      // threads of the team
  int started = 0;   // workers running
  counter finished;  // workers done with the current job
  std::unique_ptr<counter[]> ticket{new counter[max_workers + 1]};  // ticket[w] moves for worker w
  std::vector<pthread_t> id = std::vector<pthread_t>(max_workers + 1);
  std::vector<int> cpus;  // the cores the process may run on
  std::vector<int> bound = std::vector<int>(max_workers + 1, -1);  // worker w's core, or -1
};

// Each worker of a team on a core of its own, the cores after the
// caller's in turn. Some schedulers (this virtual machine's among them)
// put a woken thread on the core of the thread that woke it, to leave the
// other cores idle, and move it only milliseconds later: two threads that
// started after an idle spell shared one core and took 2.5 times as long
// as on two. A worker is bound anew only when the caller has moved.
void place_workers(pool& p, int T) {
  int const n = static_cast<int>(p.cpus.size());
  if (n < 2) return;
  int const here = sched_getcpu();
  int k0 = 0;
  while (k0 < n && p.cpus[k0] != here) ++k0;
  for (int w = 1; w < T; ++w) {
    int const cpu = p.cpus[(k0 + w) % n];
    if (p.bound[w] == cpu) continue;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    p.bound[w] = pthread_setaffinity_np(p.id[w], sizeof one, &one) == 0 ? cpu : -1;
  }
}

// Made on first use and never destroyed: workers may still be asleep on
// it when the program exits.
pool* the_pool = nullptr;
std::mutex pool_made;

struct start {
  pool* p;
  int w;
};

void* work(void* arg) {
  pool* const p = static_cast<start*>(arg)->p;
  int const w = static_cast<start*>(arg)->w;
  delete static_cast<start*>(arg);
  int seen = 0;
  for (;;) {
    seen = p->ticket[w].wait([seen](int v) { return v != seen; }, spin_idle_ns);
    p->fn(p->ctx, w, p->size);
    p->finished.add(1);
  }
  return nullptr;
}

// A forked child has the calling thread only: it starts a pool of its own
// when it needs one (the parent's stays behind, unused).
void forget_pool() { the_pool = nullptr; }

pool* get_pool() {
  std::lock_guard<std::mutex> lock(pool_made);
  if (!the_pool) {
    static bool registered = false;
    if (!registered) pthread_atfork(nullptr, nullptr, forget_pool);
    registered = true;
    the_pool = new pool;
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
      for (int c = 0; c < CPU_SETSIZE; ++c)
        if (CPU_ISSET(c, &set)) the_pool->cpus.push_back(c);
  }
  return the_pool;
}

// Starts workers up to `count`; returns how many run (more when an earlier
// team needed more, fewer if the system refuses threads).
int grow(pool& p, int count) {
  while (p.started < count) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    start* s = new start{&p, p.started + 1};
    int const rc = pthread_create(&p.id[p.started + 1], &attr, work, s);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
      delete s;
      break;
    }
    ++p.started;
  }
  return p.started;
}

}  // namespace

void run_team(int want, void (*fn)(void*, int, int), void* ctx) {
  pool* p = want > 1 ? get_pool() : nullptr;
  std::unique_lock<std::mutex> lock;
  if (p) lock = std::unique_lock<std::mutex>(p->busy, std::try_to_lock);
  if (!p || !lock.owns_lock()) {
    fn(ctx, 0, 1);
    return;
  }
  int const T = std::min(want, 1 + grow(*p, std::min(want, max_workers + 1) - 1));
  if (T == 1) {
    fn(ctx, 0, 1);
    return;
  }
  p->fn = fn;
  p->ctx = ctx;
  p->size = T;
  p->finished.set(0);
  place_workers(*p, T);
  for (int w = 1; w < T; ++w) p->ticket[w].add(1);
  fn(ctx, 0, T);
  p->finished.wait([T](int v) { return v == T - 1; });
}

}  // namespace kern
