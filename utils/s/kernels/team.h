// Teams of threads for the kernels: one function run on the threads of the
// library's pool (made once, kept for the whole run), and the counters
// through which the threads of a team wait for each other's progress.
//
// A team shares out independent output entries; no sum is ever split, so
// the bits do not depend on the number of threads nor on their timing.
#ifndef KERNELS_TEAM_H
#define KERNELS_TEAM_H

#include <atomic>
#include <type_traits>

namespace kern {

// Runs fn(ctx, t, T) for t = 0 .. T - 1, t = 0 on the calling thread, and
// returns when every one has returned. T is at most `want`, and 1 when the
// pool is already working for another team (a nested call, or a second
// thread of the program): fn must work for any T it is given.
void run_team(int want, void (*fn)(void*, int, int), void* ctx);

// The same for a callable f(t, T).
template <class F>
void team(int want, F&& f) {
  if (want <= 1) {
    f(0, 1);
    return;
  }
  typedef std::remove_reference_t<F> Fn;
  run_team(want, [](void* c, int t, int T) { (*static_cast<Fn*>(c))(t, T); }, &f);
}

// Sleeps while *word == seen (or returns at once if it already differs);
// may return early. Wakes every thread asleep on word.
void sleep_while(std::atomic<int> const& word, int seen);
void wake_all(std::atomic<int>& word);

inline void spin_pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// An integer other threads wait on. The writer's stores before a set or
// add are seen by a thread once its wait has seen the new value (release,
// acquire). Waiters spin for a few microseconds, long enough for the usual
// wait inside a factorization, then sleep until the next change.
class counter {
 public:
  explicit counter(int v = 0) : value_(v), sleepers_(0) {}
  counter(counter const&) = delete;
  counter& operator=(counter const&) = delete;

  int get() const { return value_.load(std::memory_order_acquire); }
  void set(int v) {
    value_.store(v, std::memory_order_seq_cst);
    wake();
  }
  void add(int d) {
    value_.fetch_add(d, std::memory_order_seq_cst);
    wake();
  }
  // Returns the first value seen for which done(value) holds.
  template <class Pred>
  int wait(Pred done) const {
    for (int spin = 0;; ++spin) {
      int const v = value_.load(std::memory_order_acquire);
      if (done(v)) return v;
      if (spin < spin_limit) {
        spin_pause();
        continue;
      }
      // Counted as asleep before the last look: a writer that changes the
      // value after it sees the count and wakes us (both sequentially
      // consistent), and a change before it is seen by the look.
      sleepers_.fetch_add(1, std::memory_order_seq_cst);
      int const w = value_.load(std::memory_order_seq_cst);
      if (!done(w)) sleep_while(value_, w);
      sleepers_.fetch_sub(1, std::memory_order_relaxed);
    }
  }

 private:
  // About 20 to 50 microseconds of spinning.
  static constexpr int spin_limit = 1 << 11;
  void wake() {
    if (sleepers_.load(std::memory_order_seq_cst) != 0) wake_all(value_);
  }
  // Own cache lines: the value is written by one thread and read by others.
  alignas(64) std::atomic<int> value_;
  mutable std::atomic<int> sleepers_;
  char pad_[64 - 2 * sizeof(std::atomic<int>)];
};

// Returns when all T threads of the team have arrived; what each wrote
// before is then seen by all.
class barrier {
 public:
  void wait(int T) {
    if (T <= 1) return;
    int const phase = phase_.get();
    if (arrived_.fetch_add(1, std::memory_order_acq_rel) + 1 == T) {
      arrived_.store(0, std::memory_order_relaxed);
      phase_.set(phase + 1);
    } else {
      phase_.wait([phase](int v) { return v != phase; });
    }
  }

 private:
  alignas(64) std::atomic<int> arrived_{0};
  counter phase_;
};

}  // namespace kern

#endif
