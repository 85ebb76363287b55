// GoogleTest main for the suites run under mpirun: PETSc and the run report
// live for the whole run; rank 0 prints the progress, every rank its
// failures, and a failure on any rank makes mpirun fail.
#include <gtest/gtest.h>

#include <cstdio>

#include "utils_petsc.h"

namespace {

class echecs : public ::testing::EmptyTestEventListener {
 public:
  explicit echecs(int rang) : rang_(rang) {}
  void OnTestPartResult(::testing::TestPartResult const& r) override {
    if (r.failed())
      std::fprintf(stderr, "[rang %d] %s:%d: %s\n", rang_, r.file_name() ? r.file_name() : "?",
                   r.line_number(), r.summary());
  }

 private:
  int rang_;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  petsc_session session(argc, argv);
  if (session.rang() != 0) {
    ::testing::TestEventListeners& l = ::testing::UnitTest::GetInstance()->listeners();
    delete l.Release(l.default_result_printer());
    l.Append(new echecs(session.rang()));
  }
  return RUN_ALL_TESTS();
}
