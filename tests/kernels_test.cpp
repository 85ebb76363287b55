// The profile kernels on raw storage: the packing of a group's lines, and
// the grouped factorizations with the columns before each group taken in
// ranges cut anywhere, the units a driver may hand out one after another,
// which must give the bits of the whole range.
#include <random>
#include <vector>

#include "kernels/pack.h"
#include "kernels/sky_gauss_lanes.h"
#include "kernels/sky_symmetric_lanes.h"
#include "profil_helpers.h"
#include "test_util.h"

using namespace ph;

namespace {

int draw(std::mt19937& g, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g); }

// ---- packing

template <class T>
class TransferTest : public ::testing::Test {};
using PackedTypes = ::testing::Types<double, float, int>;
TYPED_TEST_SUITE(TransferTest, PackedTypes);

// 1 to 9 lines of ragged ranges, some empty, in buffers with spare lanes:
// quartets of double go through the transposes, the rest one by one.
TYPED_TEST(TransferTest, MovesEveryEntryToItsCellAndBackAndNothingElse) {
  typedef TypeParam T;
  T const blank = T(-7);
  std::mt19937 g(11);
  for (int trial = 0; trial < 300; ++trial) {
    int const nr = 1 + trial % 9, base = 5;
    long const ld = nr + draw(g, 0, 3);
    std::vector<int> from(nr), to(nr);
    std::vector<std::vector<T>> store(nr);
    std::vector<T*> line(nr);
    int end = base;
    for (int r = 0; r < nr; ++r) {
      from[r] = base + draw(g, 0, 8);
      to[r] = from[r] + (draw(g, 0, 5) == 0 ? 0 : draw(g, 1, 30));
      end = std::max(end, to[r]);
      store[r].resize(static_cast<std::size_t>(to[r] - from[r]) + 1);
      for (int k = from[r]; k < to[r]; ++k) store[r][k - from[r]] = T(1000 * (r + 1) + k);
      line[r] = store[r].data();
    }
    std::vector<T> P(static_cast<std::size_t>(end - base + 1) * ld, blank);
    kern::transfer<true>(nr, line.data(), from.data(), to.data(), base, P.data(), ld);
    for (int k = base; k <= end; ++k)
      for (long c = 0; c < ld; ++c) {
        bool const in = c < nr && from[c] <= k && k < to[c];
        ASSERT_EQ(P[(k - base) * ld + c], in ? T(1000 * (c + 1) + k) : blank)
            << trial << " k=" << k << " c=" << c;
      }
    std::vector<T> const packed = P;
    for (auto& s : store) std::fill(s.begin(), s.end(), T(0));
    kern::transfer<false>(nr, line.data(), from.data(), to.data(), base, P.data(), ld);
    EXPECT_EQ(P, packed) << trial;
    for (int r = 0; r < nr; ++r) {
      for (int k = from[r]; k < to[r]; ++k)
        ASSERT_EQ(store[r][k - from[r]], T(1000 * (r + 1) + k)) << trial;
      EXPECT_EQ(store[r].back(), T(0)) << trial << ": wrote past the line's end";
    }
  }
}

// ---- column ranges

// The columns before the group of line i0 in ranges of 1 to 9 columns.
template <class Group>
void columns_in_ranges(Group& grp, int i0, std::mt19937& g) {
  for (int j = grp.jmin; j < i0;) {
    int const je = std::min(i0, j + draw(g, 1, 9));
    grp.columns(j, je);
    j = je;
  }
}

// The general factorization, group by group, the columns before each group
// in random ranges.
template <class T>
int gauss_in_ranges(int const* q, T* e, int n, std::mt19937& g, double& maxpiv, double& minpiv) {
  sky::gen_group<T> grp(q, e, n);
  for (int i0 = 1; i0 <= n; i0 += grp.R) {
    grp.begin_group(i0);
    columns_in_ranges(grp, i0, g);
    grp.own_columns();
    if (int const failed = grp.pivots(maxpiv, minpiv)) return failed;
  }
  return 0;
}

// The symmetric factorizations likewise.
template <class T, bool Crout>
int sym_in_ranges(int const* q, T* e, int n, std::mt19937& g, double& rap) {
  std::vector<char> finite(static_cast<std::size_t>(n) + 1);
  sky::lanes::sym_group<T, Crout> grp(q, e, n, finite.data());
  for (int i0 = 1; i0 <= n; i0 += sky::lanes::shape<T>::R) {
    grp.begin_group(i0);
    columns_in_ranges(grp, i0, g);
    grp.find_early_finite();
    grp.group_sums();
    if (int const failed = grp.pivots()) return failed;
    grp.end_group();
  }
  rap = grp.maxpiv / grp.minpiv;
  return 0;
}

template <class T>
std::vector<T> values_of(gvector<T> const& v) {
  return std::vector<T>(v.debut(), v.debut() + (v.imax() - v.imin() + 1));
}

template <class T>
bool same_bits(std::vector<T> const& a, gvector<T> const& b) {
  return a.size() == static_cast<std::size_t>(b.imax() - b.imin() + 1) &&
         (a.empty() || std::memcmp(a.data(), b.debut(), a.size() * sizeof(T)) == 0);
}

template <class T>
class ColumnRangesTest : public ::testing::Test {};
using LaneTypes = ::testing::Types<double, float>;
TYPED_TEST_SUITE(ColumnRangesTest, LaneTypes);

TYPED_TEST(ColumnRangesTest, GaussGivesTheBitsOfTheWholeRange) {
  typedef TypeParam T;
  std::mt19937 g(3);
  for (int trial = 0; trial < 40; ++trial) {
    int const n = draw(g, 1, 70);
    skygmatrix<T> a(random_general_profile(n, draw(g, 0, 30), g));
    fill_general(a, g);
    std::vector<T> e = values_of(a.values());
    double maxpiv = 0, minpiv = 0;
    int const failed = gauss_in_ranges(a.profile().debut(), e.data(), n, g, maxpiv, minpiv);
    ASSERT_EQ(a.gauss(), failed) << trial;
    EXPECT_TRUE(same_bits(e, a.values())) << trial;
    EXPECT_EQ(a.cond(), maxpiv / minpiv) << trial;
  }
}

// Cholesky and Crout, with a line here and there made to fail: the lines
// up to the failing one come back as the whole range leaves them.
TYPED_TEST(ColumnRangesTest, CholeskyAndCroutGiveTheBitsOfTheWholeRange) {
  typedef TypeParam T;
  std::mt19937 g(5);
  for (int trial = 0; trial < 60; ++trial) {
    bool const crout = trial % 2 == 1;
    int const n = draw(g, 1, 70);
    skysmatrix<T> a(random_sym_profile(n, draw(g, 0, 30), g));
    fill_sym<T>(a, g);
    if (trial % 3 == 0) {
      // Cholesky: a negative remainder; Crout: a zero pivot, on a line
      // holding its diagonal only.
      int i = draw(g, 1, n);
      while (crout && i <= n && sym_first(a.profile(), i) < i) ++i;
      if (i <= n) a(i, i) = crout ? T(0) : T(-1);
    }
    std::vector<T> e = values_of(a.values());
    double rap = 0;
    int const failed = crout ? sym_in_ranges<T, true>(a.profile().debut(), e.data(), n, g, rap)
                             : sym_in_ranges<T, false>(a.profile().debut(), e.data(), n, g, rap);
    ASSERT_EQ(crout ? a.crout() : a.choleski(), failed) << trial;
    EXPECT_TRUE(same_bits(e, a.values())) << trial;
    if (!failed) {
      EXPECT_EQ(a.cond(), rap) << trial;
    }
  }
}

}  // namespace
