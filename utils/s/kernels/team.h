// Teams of threads for the kernels: one function run on the threads of the
// library's pool (made once, kept for the whole run), the counters through
// which the threads wait for each other's progress, and the sharing out of
// work item by item.
//
// A team shares out independent output entries; no sum is ever split, so
// the bits do not depend on the number of threads nor on their timing.
#ifndef KERNELS_TEAM_H
#define KERNELS_TEAM_H

#include <atomic>
#include <ctime>
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
  run_team(
      want, [](void* c, int t, int T) { (*static_cast<Fn*>(c))(t, T); }, &f);
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

inline long long monotonic_ns() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// How long a waiting thread spins before it sleeps. A sleeping thread's
// core goes idle, and waking it takes 40 to 100 microseconds on a virtual
// machine: inside a team, where phases last a few microseconds, a thread
// that slept once would make the others wait for it, and they would sleep
// in turn. So a thread of a team spins for up to a millisecond (a thread
// kept from running by another process is dealt with by the crew below);
// a worker between teams spins briefly, then sleeps.
constexpr long long spin_in_team_ns = 1000000, spin_idle_ns = 50000;

// An integer other threads wait on. The writer's stores before a set or
// add are seen by a thread once its wait has seen the new value (release,
// acquire). A waiter spins for spin_ns, then sleeps until the next change.
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
  int wait(Pred done, long long spin_ns = spin_in_team_ns) const {
    long long until = 0;
    for (int spin = 0;; ++spin) {
      int const v = value_.load(std::memory_order_acquire);
      if (done(v)) return v;
      // The clock is read every 64 turns (some 2 microseconds).
      if (spin % 64 != 0) {
        spin_pause();
        continue;
      }
      long long const now = monotonic_ns();
      if (until == 0) until = now + spin_ns;
      if (now < until) {
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
      until = 0;
    }
  }

 private:
  void wake() {
    if (sleepers_.load(std::memory_order_seq_cst) != 0) wake_all(value_);
  }
  // Own cache lines: the value is written by one thread and read by others.
  alignas(64) std::atomic<int> value_;
  mutable std::atomic<int> sleepers_;
  char pad_[64 - 2 * sizeof(std::atomic<int>)];
};

// Items of work taken one after another by the threads of a team, and the
// thread left to work alone once waiting dominates.
//
// Why alone: work split this finely (a group of lines takes microseconds)
// only pays while every thread of the team has a core. When another
// process takes one, the others wait for the thread it displaced, and each
// hand-over then costs a trip through the scheduler: two threads next to
// one busy process ran 5 to 50 times slower than one thread. A thread that
// has spent most of its time waiting therefore takes all the work left;
// the others finish the item in hand and stop. Which thread computes an
// item never changes its bits.
struct crew {
  alignas(64) std::atomic<int> taken{0};   // items handed out
  alignas(64) std::atomic<int> alone{-1};  // the thread working alone, or -1
};

// One thread of a team at work with its crew.
class mate {
 public:
  mate(crew& c, int t, int nt) : t(t), nt(nt), crew_(c), start_(monotonic_ns()) {}
  int const t, nt;

  // The next item, or -1 once another thread works alone.
  int take() {
    int const a = crew_.alone.load(std::memory_order_relaxed);
    if (a >= 0 && a != t) return -1;
    return crew_.taken.fetch_add(1, std::memory_order_relaxed);
  }

  // counter::wait, keeping the count of the time spent waiting: once it
  // is more than the share (T - 1) / T of this thread's time at work (two
  // milliseconds in at least), the team as a whole does no better than
  // one thread, and this one goes on alone.
  template <class Pred>
  int wait(counter const& c, Pred done) {
    int v = c.get();
    if (done(v)) return v;
    long long const t0 = monotonic_ns();
    v = c.wait(done);
    long long const t1 = monotonic_ns(), at_work = t1 - start_;
    waited_ += t1 - t0;
    if (nt > 1 && at_work > 2000000 && waited_ * nt > at_work * (nt - 1)) {
      int none = -1;
      crew_.alone.compare_exchange_strong(none, t, std::memory_order_relaxed);
    }
    return v;
  }

 private:
  crew& crew_;
  long long start_, waited_ = 0;
};

// Phases of items: every thread of a team walks the same phases in the
// same order; in each it takes items while some are left, and runs an item
// once every phase before it is complete. Phases follow each other without
// a barrier: a thread goes on to the next phase as soon as the items of
// this one are all taken.
class phases {
 public:
  phases(mate& me, counter& done) : me_(me), done_(done) {}

  // Runs item(i) for the items i of [0, n) this thread takes.
  template <class F>
  void phase(int n, F item) {
    int const end = base_ + n;
    while (!stopped_) {
      if (mine_ < base_) mine_ = me_.take();
      if (mine_ < 0) {
        stopped_ = true;
        break;
      }
      if (mine_ >= end) break;  // an item of a later phase
      int const before = base_;
      me_.wait(done_, [before](int v) { return v >= before; });
      item(mine_ - base_);
      done_.add(1);
      mine_ = -1;
    }
    base_ = end;
  }

  // Waits until the phases so far are complete, for a decision that reads
  // their results. False once this thread has stopped.
  bool sync() {
    if (stopped_) return false;
    int const before = base_;
    me_.wait(done_, [before](int v) { return v >= before; });
    return true;
  }

  bool stopped() const { return stopped_; }
  int parts() const { return me_.nt; }

 private:
  mate& me_;
  counter& done_;
  int base_ = 0;   // items of the phases before this one
  int mine_ = -1;  // the item taken and not yet run
  bool stopped_ = false;
};

}  // namespace kern

#endif
