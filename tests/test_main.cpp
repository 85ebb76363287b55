// Test main: the run report exists before any test runs, as in a program.
#include <gtest/gtest.h>

#include "runstat.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  sst = new runstat(stderr, argv[0]);
  int const status = RUN_ALL_TESTS();
  delete sst;
  sst = nullptr;
  return status;
}
