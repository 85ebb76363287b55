// The standard hooks of utils::hooks: the run's start and end, and the run
// report they create when a message comes first.
#include "utils_hooks.h"

#include "test_util.h"

TEST(HooksTest, StartKeepsTheRunReportThereIs) {
  runstat* const before = sst;
  ASSERT_NE(before, nullptr);  // made by the test main
  EXPECT_EQ(utils_debut("autre"), before);
  EXPECT_EQ(sst, before);
}

// After utils_fin, messages come with a run report of their own, named
// "utils"; a second utils_fin does nothing.
TEST(HooksDeathTest, EndPrintsTheReportThenMessagesStartAFreshOne) {
  EXPECT_EXIT(
      {
        utils_fin();
        if (sst != nullptr) std::abort();
        utils_fin();
        nmsg("piece ");
        nmsg(3);
        nerror();
      },
      ::testing::ExitedWithCode(1),
      ": fin a [^\n]*\n(.*\n)+Programme utils debut a [^\n]*\npiece 3\n\nutils: fin a ");
}

TEST(HooksDeathTest, NamedStartPrintsTheStartLine) {
  EXPECT_EXIT(
      {
        utils_fin();
        utils_debut("mon_programme");
        nerror("fin\n");
      },
      ::testing::ExitedWithCode(1),
      "Programme mon_programme debut a [^\n]*\nfin\n\nmon_programme: fin a ");
}
