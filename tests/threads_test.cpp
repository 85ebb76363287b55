// Threads: the count and where it comes from, the pool and its counters,
// and the factorizations and solves giving the same bits on teams of 1, 2,
// 3 and 7 threads, failing pivots included.
#include "threads.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kernels/dense_gauss.h"
#include "kernels/sky_gauss_lanes.h"
#include "kernels/sky_solve.h"
#include "kernels/sky_symmetric_lanes.h"
#include "kernels/team.h"
#include "matrices.h"
#include "profil_helpers.h"
#include "test_util.h"

using namespace ph;

namespace {

int const teams[] = {2, 3, 7};

// ---- the count

TEST(ThreadCount, SetFixesTheCountAndZeroGoesBackToTheDefault) {
  int const d = utils_threads();
  EXPECT_GE(d, 1);
  utils_set_threads(5);
  EXPECT_EQ(utils_threads(), 5);
  utils_set_threads(100000);
  EXPECT_EQ(utils_threads(), 1024);
  utils_set_threads(0);
  EXPECT_EQ(utils_threads(), d);
  utils_set_threads(-3);
  EXPECT_EQ(utils_threads(), d);
}

// Each statement runs in a fresh process, which reads the variable once.
TEST(ThreadCountDeathTest, DefaultIsTheVariableElseTheCoresOfTheProcess) {
  EXPECT_EXIT(
      {
        setenv("UTILS_NUM_THREADS", "3", 1);
        std::exit(utils_threads());
      },
      ::testing::ExitedWithCode(3), "");
  EXPECT_EXIT(
      {
        setenv("UTILS_NUM_THREADS", "1024", 1);
        std::exit(utils_threads() == 1024 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  cpu_set_t set;
  ASSERT_EQ(sched_getaffinity(0, sizeof set, &set), 0);
  int const cores = CPU_COUNT(&set);
  EXPECT_EXIT(
      {
        unsetenv("UTILS_NUM_THREADS");
        std::exit(utils_threads() == cores ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(ThreadCountDeathTest, RefusesAnythingButAnIntegerFrom1To1024) {
  for (char const* v :
       {"0", "-1", "+2", " 2", "2 ", "2x", "3.0", "", "abc", "1025", "99999999999999999999"})
    EXPECT_FATAL(
        {
          setenv("UTILS_NUM_THREADS", v, 1);
          utils_threads();
        },
        1, std::string("UTILS_NUM_THREADS=\"") + v + "\": on attend un entier de 1 a 1024\n");
  std::string const long_value(100, '7');
  EXPECT_FATAL(
      {
        setenv("UTILS_NUM_THREADS", long_value.c_str(), 1);
        utils_threads();
      },
      1,
      "UTILS_NUM_THREADS=\"" + long_value.substr(0, 64) +
          "...\": on attend un entier de 1 a 1024\n");
}

// ---- the pool

TEST(Team, RunsEachMemberOnceEachOnItsOwnThread) {
  for (int want : {1, 2, 3, 7}) {
    std::vector<int> hits(static_cast<std::size_t>(want), 0), sizes(hits);
    std::vector<std::thread::id> ids(hits.size());
    kern::team(want, [&](int t, int nt) {
      ++hits[t];
      sizes[t] = nt;
      ids[t] = std::this_thread::get_id();
    });
    EXPECT_EQ(ids[0], std::this_thread::get_id());
    for (int t = 0; t < want; ++t) {
      EXPECT_EQ(hits[t], 1) << want;
      EXPECT_EQ(sizes[t], want);
      for (int u = 0; u < t; ++u) EXPECT_NE(ids[t], ids[u]) << want;
    }
  }
}

TEST(Team, NestedTeamsRunOnOneThread) {
  std::vector<int> inner(3, 0);
  kern::team(3, [&](int t, int) { kern::team(4, [&](int, int nu) { inner[t] = nu; }); });
  EXPECT_EQ(inner, std::vector<int>(3, 1));
}

// A second thread of the program finds the pool at work and goes alone:
// every member of every team still runs once.
TEST(Team, TeamsFromTwoProgramThreadsAllFinish) {
  std::atomic<long> members{0}, expected{0};
  auto body = [&] {
    for (int r = 0; r < 200; ++r)
      kern::team(3, [&](int t, int nt) {
        members.fetch_add(1);
        if (t == 0) expected.fetch_add(nt);
      });
  };
  std::thread other(body);
  body();
  other.join();
  EXPECT_EQ(members.load(), expected.load());
  EXPECT_GE(members.load(), 400);
}

TEST(Team, CounterWaitSeesWhatWasWrittenBeforeTheSet) {
  int const items = 20000;
  std::vector<int> data(items, 0);
  kern::counter ready;
  int bad = 0;
  kern::team(2, [&](int t, int nt) {
    if (nt < 2) return;
    for (int i = 0; i < items; ++i) {
      if (t == 0) {
        data[i] = 3 * i + 1;
        ready.set(i + 1);
      } else {
        ready.wait([i](int v) { return v > i; });
        if (data[i] != 3 * i + 1) ++bad;
      }
    }
  });
  EXPECT_EQ(bad, 0);
}

// The thread with item 0 is held up as by a busy core (and stays away
// until the other has decided); the other, which spent its time waiting
// for it, goes on alone with every other item. Each item runs once.
TEST(Team, AThreadThatMostlyWaitsGoesOnAloneWithTheWorkLeft) {
  int const items = 200;
  std::vector<int> by(items, -1);
  kern::crew crew;
  kern::counter first_done;
  kern::counter running;
  kern::team(2, [&](int t, int nt) {
    if (nt < 2) return;
    running.add(1);
    running.wait([](int v) { return v == 2; });
    kern::mate me(crew, t, nt);
    for (int k; (k = me.take()) >= 0 && k < items;) {
      if (k == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        first_done.set(1);
        for (int y = 0; y < 1000 && crew.alone.load() < 0; ++y)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
      } else {
        me.wait(first_done, [](int v) { return v == 1; });
      }
      by[k] = t;
    }
  });
  EXPECT_EQ(crew.alone.load(), by[1]);
  for (int k = 0; k < items; ++k) EXPECT_NE(by[k], -1) << k;
  int const other = 1 - by[1];
  EXPECT_EQ(std::count(by.begin(), by.end(), other), 1);
}

// Phases: each item runs once, after every item of the phases before it.
TEST(Team, PhasesRunEachItemOnceAfterThePhasesBefore) {
  int const rounds = 300, parts = 3;
  std::vector<std::atomic<int>> runs(rounds * parts);
  std::atomic<int> completed{0}, early{0};
  kern::crew crew;
  kern::counter done;
  kern::team(parts, [&](int t, int nt) {
    kern::mate me(crew, t, nt);
    kern::phases walk(me, done);
    for (int r = 0; r < rounds; ++r)
      walk.phase(parts, [&](int i) {
        if (completed.load() < r * parts) early.fetch_add(1);
        runs[r * parts + i].fetch_add(1);
        completed.fetch_add(1);
      });
  });
  EXPECT_EQ(early.load(), 0);
  for (auto const& x : runs) EXPECT_EQ(x.load(), 1);
}

// ---- profile factorizations

// Random reaches up to w, ragged lines (one entry next to lines reaching
// back to column 1), or a band of half-width w; general or symmetric.
enum shape { random_reach, ragged, banded };

gvector<int> profile(shape s, int n, int w, bool general, std::mt19937& g) {
  gvector<int> p(0, n);
  p[0] = 0;
  for (int i = 1; i <= n; ++i) {
    int reach = std::min(w, i - 1);
    if (s == random_reach) reach = std::uniform_int_distribution<int>(0, reach)(g);
    if (s == ragged)
      reach = g() % 3 == 0 ? i - 1 : g() % 2 ? 0 : std::uniform_int_distribution<int>(0, i - 1)(g);
    p[i] = p[i - 1] + (general ? 2 * reach + 1 : reach + 1);
  }
  return p;
}

// The storage as a factorization leaves it, its result and its pivot
// ratio.
template <class T>
struct outcome {
  std::vector<T> e;
  int failed;
  double rap;
  bool operator==(outcome const& o) const {
    return failed == o.failed && e.size() == o.e.size() &&
           std::memcmp(e.data(), o.e.data(), e.size() * sizeof(T)) == 0 &&
           (failed || std::memcmp(&rap, &o.rap, sizeof rap) == 0);
  }
};

enum method { choleski, crout, gauss };

template <class T>
outcome<T> factor(method m, skygmatrix<T> const& a, int threads) {
  outcome<T> o{std::vector<T>(a.values().debut(), a.values().debut() + a.size()), 0, 0};
  int const* q = a.profile().debut();
  int const n = a.imax();
  if (m == gauss) {
    double maxpiv = 0, minpiv = DBL_MAX;
    o.failed = sky::gen_gauss_grouped(q, o.e.data(), n, maxpiv, minpiv, threads, 0);
    o.rap = maxpiv / minpiv;
  } else if (m == choleski) {
    o.failed = sky::lanes::sym_lines_grouped<T, false>(q, o.e.data(), n, o.rap, threads, 0);
  } else {
    o.failed = sky::lanes::sym_lines_grouped<T, true>(q, o.e.data(), n, o.rap, threads, 0);
  }
  return o;
}

// Makes line f fail: Cholesky a negative remainder; Crout a zero pivot, on
// the first line from f that holds its diagonal only (none: no failure);
// Gauss a zero row part and diagonal.
template <class T>
void make_fail(method m, skygmatrix<T>& a, int f) {
  gvector<int> const& p = a.profile();
  if (m == choleski) {
    a(f, f) = T(-1000);
  } else if (m == crout) {
    while (f <= a.imax() && sym_first(p, f) < f) ++f;
    if (f <= a.imax()) a(f, f) = T(0);
  } else {
    for (int k = gen_first(p, f); k <= f; ++k) a(f, k) = T(0);
  }
}

template <class T>
class ThreadsProfileTest : public ::testing::Test {};
using Reals = ::testing::Types<float, double>;
TYPED_TEST_SUITE(ThreadsProfileTest, Reals);

// Every team on every profile shape, with pivots failing in the first
// group, in the middle, and on the last line.
TYPED_TEST(ThreadsProfileTest, FactorsAndFailuresAreTheSameBitsOnEveryTeam) {
  typedef TypeParam T;
  std::mt19937 g(31);
  for (method m : {choleski, crout, gauss})
    for (shape s : {random_reach, ragged, banded})
      for (int n : {1, 9, 40, 131})
        for (int w : {3, 17, n})
          for (int f : {0, 2, n / 2 + 1, n}) {
            if (f > n) continue;
            std::unique_ptr<skygmatrix<T>> a;
            if (m == gauss) {
              a.reset(new skygmatrix<T>(profile(s, n, w, true, g)));
              fill_general(*a, g);
            } else {
              a.reset(new skysmatrix<T>(profile(s, n, w, false, g)));
              fill_sym<T>(*a, g);
            }
            if (f) make_fail(m, *a, f);
            outcome<T> const one = factor(m, *a, 1);
            for (int T_ : teams)
              ASSERT_TRUE(factor(m, *a, T_) == one)
                  << "method " << m << " shape " << s << " n " << n << " w " << w << " fail " << f
                  << " team " << T_;
          }
}

// Through the classes, with the count set by the program (0: the default,
// from the environment or the cores): factors and solutions are the same
// bits on every team. Profiles of 4000 lines reaching 200 columns back are
// well above the sizes from which the factorizations and the solves use
// several threads.
TYPED_TEST(ThreadsProfileTest, ClassesFactorAndSolveWithTheSameBitsOnEveryCount) {
  typedef TypeParam T;
  std::mt19937 g(37);
  for (shape s : {random_reach, banded}) {
    int const n = 4000, w = s == banded ? 200 : 400;
    skysmatrix<T> s0(profile(s, n, w, false, g));
    fill_sym<T>(s0, g);
    skygmatrix<T> g0(profile(s, n, w, true, g));
    fill_general(g0, g);
    gvector<T> const b = random_vector<T>(1, n, g);
    std::vector<gvector<T>> first;
    for (int threads : {1, 2, 3, 7, 0}) {
      utils_set_threads(threads);
      skysmatrix<T> c(s0), r(s0);
      skygmatrix<T> u(g0);
      ASSERT_EQ(c.choleski(), 0);
      ASSERT_EQ(r.crout(), 0);
      ASSERT_EQ(u.gauss(), 0);
      std::vector<gvector<T>> got = {c.values(), r.values(), u.values(), {}, {}, {}};
      c.solve(b, got[3]);
      r.solve(b, got[4]);
      u.solve(b, got[5]);
      if (first.empty()) first = got;
      for (std::size_t k = 0; k < got.size(); ++k)
        EXPECT_TRUE(same_bits(got[k], first[k]))
            << "shape " << s << " threads " << threads << " part " << k;
    }
    utils_set_threads(0);
  }
}

// ---- profile solves

enum solver { by_choleski, by_crout, by_crout_hermitian, by_gauss };

// The solution of a factored matrix's system on a team (the kernels, with
// no size below which they keep to one thread).
template <class T>
std::vector<T> solved(solver k, skygmatrix<T> const& a, gvector<T> const& b, int team) {
  int const n = a.imax();
  int const* q = a.profile().debut();
  T const* e = a.values().debut();
  std::vector<T> y(static_cast<std::size_t>(n) + 1), x(y.size());
  if (k == by_gauss) {
    sky::forward_unit(sky::gen_line{q}, e, n, b.debut(), y.data(), team, 0);
    sky::gen_backward(q, e, n, y.data(), x.data(), team, 0);
  } else if (k == by_choleski) {
    sky::sym_solve_choleski(q, e, n, b.debut(), y.data(), x.data(), sky::same(), team, 0);
  } else if constexpr (is_complex<T>()) {
    if (k == by_crout_hermitian)
      sky::sym_solve_crout(q, e, n, b.debut(), y.data(), x.data(), sky::conjugate(), team, 0);
    else
      sky::sym_solve_crout(q, e, n, b.debut(), y.data(), x.data(), sky::same(), team, 0);
  } else {
    sky::sym_solve_crout(q, e, n, b.debut(), y.data(), x.data(), sky::same(), team, 0);
  }
  return x;
}

template <class T>
class ThreadsSolveTest : public ::testing::Test {};
TYPED_TEST_SUITE(ThreadsSolveTest, AllScalars);

// Forward and backward substitutions of every factorization, every
// element type, on every profile shape: the same bits on every team.
TYPED_TEST(ThreadsSolveTest, SolutionsAreTheSameBitsOnEveryTeam) {
  typedef TypeParam T;
  std::mt19937 g(53);
  for (shape s : {random_reach, ragged, banded})
    for (int n : {1, 9, 40, 131})
      for (int w : {3, 17, n}) {
        std::vector<std::pair<solver, std::unique_ptr<skygmatrix<T>>>> factored;
        skysmatrix<T>* c = new skysmatrix<T>(profile(s, n, w, false, g));
        fill_sym<T>(*c, g, true);
        skysmatrix<T>* r = new skysmatrix<T>(*c);
        if (c->choleski() == 0)
          factored.emplace_back(by_choleski, c);
        else
          delete c;
        ASSERT_EQ(r->crout(), 0);
        factored.emplace_back(by_crout, r);
        skygmatrix<T>* u = new skygmatrix<T>(profile(s, n, w, true, g));
        fill_general(*u, g);
        ASSERT_EQ(u->gauss(), 0);
        factored.emplace_back(by_gauss, u);
        if constexpr (is_complex<T>()) {
          skyhmatrix* h = new skyhmatrix(profile(s, n, w, false, g));
          fill_sym<T>(*h, g);
          ASSERT_EQ(h->crout(), 0);
          factored.emplace_back(by_crout_hermitian, h);
        }
        gvector<T> const b = random_vector<T>(1, n, g);
        for (auto const& f : factored) {
          std::vector<T> const one = solved(f.first, *f.second, b, 1);
          for (int t : teams) {
            std::vector<T> const x = solved(f.first, *f.second, b, t);
            ASSERT_EQ(std::memcmp(x.data(), one.data(), x.size() * sizeof(T)), 0)
                << "solver " << f.first << " shape " << s << " n " << n << " w " << w << " team "
                << t;
          }
        }
      }
}

// ---- dense Gauss

template <class T>
class ThreadsDenseTest : public ::testing::Test {};
TYPED_TEST_SUITE(ThreadsDenseTest, Reals);

template <class T>
std::vector<T> dense_random(int n, std::mt19937& g) {
  std::uniform_real_distribution<double> u(-1, 1);
  std::vector<T> a(static_cast<std::size_t>(n) * n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a[i * n + j] = static_cast<T>(u(g) + (i == j ? n : 0));
  return a;
}

// Factors a on one thread, expecting row `fails` (-1: none) to fail, then
// on every team: the same result and the same bits.
template <class T>
void expect_same_on_every_team(std::vector<T> const& a, int n, int fails, std::string const& what) {
  std::vector<T> one = a;
  ASSERT_EQ(kern::gauss_rows(one.data(), n, 1, 0), fails) << what;
  for (int t : teams) {
    std::vector<T> b = a;
    EXPECT_EQ(kern::gauss_rows(b.data(), n, t, 0), fails) << what << " team " << t;
    EXPECT_EQ(std::memcmp(b.data(), one.data(), b.size() * sizeof(T)), 0) << what << " team " << t;
  }
}

// Sizes around the leaves (8), the halves and the blocks of rows (192).
TYPED_TEST(ThreadsDenseTest, FactorsAreTheSameBitsOnEveryTeam) {
  typedef TypeParam T;
  std::mt19937 g(41);
  for (int n : {33, 47, 100, 191, 193, 250, 384, 385, 600})
    expect_same_on_every_team(dense_random<T>(n, g), n, -1, "n " + std::to_string(n));
}

// A = L U with small integer factors and unit pivots, every step exact;
// taking l(i, p) from a(i, p) for i >= p makes u(p, p) an exact zero met
// after nonzero multipliers. The matrix left behind is the same on every
// team.
TYPED_TEST(ThreadsDenseTest, ZeroPivotLeavesTheSameMatrixOnEveryTeam) {
  typedef TypeParam T;
  std::mt19937 g(43);
  std::uniform_int_distribution<int> d(-1, 1);
  int const n = 400;
  std::vector<T> l(static_cast<std::size_t>(n) * n), u(l.size()), base(l.size());
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < i; ++j) l[i * n + j] = static_cast<T>(d(g));
    l[i * n + i] = u[i * n + i] = T(1);
    for (int j = i + 1; j < n; ++j) u[i * n + j] = static_cast<T>(d(g));
  }
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      T s = T();
      for (int k = 0; k <= std::min(i, j); ++k) s += l[i * n + k] * u[k * n + j];
      base[i * n + j] = s;
    }
  for (int p : {1, 8, 9, 100, 192, 193, 385, 400}) {
    std::vector<T> a = base;
    for (int i = p - 1; i < n; ++i) a[i * n + p - 1] -= l[i * n + p - 1];
    expect_same_on_every_team(a, n, p - 1, "p " + std::to_string(p));
  }
}

// Through the class, with the count set by the program or the default,
// factors and solution alike.
TYPED_TEST(ThreadsDenseTest, ClassFactorsAndSolvesWithTheSameBitsOnEveryCount) {
  typedef TypeParam T;
  std::mt19937 g(47);
  int const n = 500;
  std::vector<T> const v = dense_random<T>(n, g);
  gmatrix<T> a0(1, n, 1, n);
  std::copy(v.begin(), v.end(), a0.debut());
  gvector<T> const b = random_vector<T>(1, n, g);
  gmatrix<T> first;
  gvector<T> xfirst;
  for (int threads : {1, 2, 3, 7, 0}) {
    utils_set_threads(threads);
    gmatrix<T> a(a0);
    ASSERT_EQ(a.gauss(), 0);
    gvector<T> x;
    a.solve(b, x);
    if (threads == 1) {
      first = a;
      xfirst = x;
    }
    EXPECT_TRUE(same_bits(a, first)) << threads;
    EXPECT_TRUE(same_bits(x, xfirst)) << threads;
  }
  utils_set_threads(0);
}

}  // namespace
