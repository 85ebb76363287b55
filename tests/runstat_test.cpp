#include "runstat.h"

#include <cerrno>
#include <cstring>
#include <regex>

#include "test_util.h"

namespace {

const char* const kDate = "[0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}";

std::string report_re(const std::string& name) {
  return "\n" + name + ": fin a " + kDate +
         "\n\n----------------------------------------\n"
         "\\|Temps CPU\\|     User\\|   System\\|   Total\\|\n"
         "\\|--------------------------------------\\|\n"
         "\\|Programme\\|  [ 0-9]{4}\\.[0-9]s\\|  [ 0-9]{4}\\.[0-9]s\\| [ 0-9]{4}\\.[0-9]s\\|\n"
         "\\|Appels   \\|  [ 0-9]{4}\\.[0-9]s\\|  [ 0-9]{4}\\.[0-9]s\\| [ 0-9]{4}\\.[0-9]s\\|\n"
         "\\|--------------------------------------\\|\n"
         "\\|TOTAL    \\|  [ 0-9]{4}\\.[0-9]s\\|  [ 0-9]{4}\\.[0-9]s\\| [ 0-9]{4}\\.[0-9]s\\|\n"
         "----------------------------------------\n";
}

std::string slurp(FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  return s;
}

}  // namespace

TEST(RunstatTest, PrintsStartLineThenOneReportWhenDestroyed) {
  FILE* f = std::tmpfile();
  auto* r = new runstat(f, "prog");
  std::string start = slurp(f);
  EXPECT_TRUE(
      std::regex_match(start, std::regex(std::string("Programme prog debut a ") + kDate + "\n")))
      << start;
  std::fseek(f, 0, SEEK_END);
  r->msg("piece ").msg(42).msg(" ").msg(1.5).nl();
  delete r;
  std::string all = slurp(f);
  std::string expected = std::string("Programme prog debut a ") + kDate +
                         "\npiece 42 1\\.500000\n" + report_re("prog");
  EXPECT_TRUE(std::regex_match(all, std::regex(expected))) << all;
  std::fclose(f);
}

TEST(RunstatTest, IdleRunShowsZeroTimesRightAligned) {
  FILE* f = std::tmpfile();
  delete new runstat(f, "p");
  std::string all = slurp(f);
  EXPECT_NE(all.find("|Appels   |     0.0s|     0.0s|    0.0s|\n"), std::string::npos) << all;
  std::fclose(f);
}

TEST(RunstatTest, ErrorPrintsSystemText) {
  FILE* f = std::tmpfile();
  {
    runstat r(f, "p");
    r.error(ENOENT).nl();
  }
  EXPECT_NE(slurp(f).find(std::string(std::strerror(ENOENT)) + "\n"), std::string::npos);
  std::fclose(f);
}

TEST(RunstatTest, CutsOverlongProgramName) {
  FILE* f = std::tmpfile();
  std::string name(3000, 'n');
  delete new runstat(f, name.c_str());
  std::string all = slurp(f);
  EXPECT_NE(all.find("Programme " + std::string(1023, 'n') + " debut a"), std::string::npos);
  EXPECT_EQ(all.find(std::string(1024, 'n')), std::string::npos);
  std::fclose(f);
}

TEST(RunstatDeathTest, KillPrintsReportAndExitsWithStatus) {
  EXPECT_EXIT(runstat(stderr, "victim").msg("bye").kill(7), ::testing::ExitedWithCode(7),
              "bye" + report_re("victim"));
}

TEST(RunstatDeathTest, NerrorEndsWithStatusOne) {
  EXPECT_EXIT(nerror("fatal text"), ::testing::ExitedWithCode(1), "fatal text\n[^\n]*: fin a");
}

TEST(RunstatDeathTest, NerrorWithoutTextEndsTheLine) {
  EXPECT_EXIT((nmsg("a "), nmsg(12), nerror()), ::testing::ExitedWithCode(1),
              "a 12\n\n[^\n]*: fin a");
}
