// The routine through which every writer by name replaces its file: where
// the new file is written, its mode and owner, links, special files, and
// what a failure, an abandon or an exit in the middle leave behind.
#include "fichier_sur.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <string>

#include "disk_util.h"
#include "profil_io_util.h"
#include "test_util.h"

namespace {

// Writes text to name through the routine: 0, or the errno of the failed
// open or close. *in_place tells whether the target was written directly.
int write_text(std::string const& name, std::string const& text, bool* in_place = nullptr) {
  fichier_sur s(name.c_str());
  FILE* fp = s.ouvre_fic();
  if (fp == nullptr) return errno;
  if (in_place != nullptr) *in_place = s.en_place();
  std::fputs(text.c_str(), fp);
  return s.ferme(fp);
}

}  // namespace

// A directory of its own holding the file "f" with "old" in it.
class FichierSurTest : public ::testing::Test {
 protected:
  void SetUp() override { write_file(f, "old"); }
  fixed_dir d = test_dir();
  std::string const f = d.path("f");
};
class FichierSurDeathTest : public FichierSurTest {};

TEST_F(FichierSurTest, ReplacesTheFileUnderANewInodeLeavingNothingElse) {
  ino_t const before = inode(f);
  bool in_place = true;
  ASSERT_EQ(write_text(f, "new contents", &in_place), 0);
  EXPECT_FALSE(in_place);
  EXPECT_EQ(read_file(f), "new contents");
  EXPECT_NE(inode(f), before);
  EXPECT_TRUE(others(d.dir, {"f"}).empty());
}

TEST_F(FichierSurTest, GzipStreamReplacesTheFile) {
  ino_t const before = inode(f);
  fichier_sur s(f.c_str());
  void* z = s.ouvre_gz("wb9");
  ASSERT_NE(z, nullptr);
  EXPECT_FALSE(s.en_place());
  gzputs(static_cast<gzFile>(z), "compressed");
  EXPECT_EQ(read_file(f), "old");  // untouched until the close
  ASSERT_EQ(s.ferme_gz(z), 0);
  EXPECT_EQ(pio_test::contents(f, 1), "compressed");
  EXPECT_NE(inode(f), before);
  EXPECT_TRUE(others(d.dir, {"f"}).empty());
}

TEST_F(FichierSurTest, GivesTheModeFopenWould) {
  std::string const g = d.path("g");
  ASSERT_EQ(chmod(f.c_str(), 0604), 0);
  ASSERT_EQ(write_text(f, "new"), 0);
  EXPECT_EQ(mode_of(f), 0604u);
  mode_t const old = umask(027);
  int const r = write_text(g, "new");
  umask(old);
  ASSERT_EQ(r, 0);
  EXPECT_EQ(mode_of(g), 0640u);
}

TEST_F(FichierSurTest, RootKeepsTheOldOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "only root may give a file away";
  ASSERT_EQ(chown(f.c_str(), 65534, 65534), 0);
  ASSERT_EQ(write_text(f, "new"), 0);
  struct stat st;
  ASSERT_EQ(stat(f.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
}

TEST_F(FichierSurTest, LinkStaysAndTheFileItPointsToIsReplaced) {
  ASSERT_EQ(mkdir(d.path("sub").c_str(), 0755), 0);
  std::string const real = d.path("sub/real"), link = d.path("link");
  ASSERT_EQ(rename(f.c_str(), real.c_str()), 0);
  ASSERT_EQ(symlink("sub/real", link.c_str()), 0);
  bool in_place = true;
  ASSERT_EQ(write_text(link, "new", &in_place), 0);
  EXPECT_FALSE(in_place);
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(read_file(real), "new");
  EXPECT_TRUE(others(d.path("sub"), {"real"}).empty());
  EXPECT_TRUE(others(d.dir, {"sub", "link"}).empty());
}

// fopen follows a dangling link and creates the file it names: so do we.
TEST_F(FichierSurTest, DanglingLinkCreatesTheFileItNames) {
  std::string const link = d.path("link");
  ASSERT_EQ(symlink("missing", link.c_str()), 0);
  bool in_place = false;
  ASSERT_EQ(write_text(link, "new", &in_place), 0);
  EXPECT_TRUE(in_place);
  EXPECT_EQ(read_file(d.path("missing")), "new");
}

TEST_F(FichierSurTest, SpecialFilesAreWrittenInPlace) {
  bool in_place = false;
  EXPECT_EQ(write_text("/dev/null", "x", &in_place), 0);
  EXPECT_TRUE(in_place);
  std::string const fifo = d.path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int const r = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(r, 0);
  in_place = false;
  EXPECT_EQ(write_text(fifo, "through the pipe", &in_place), 0);
  EXPECT_TRUE(in_place);
  char buf[64] = {};
  EXPECT_EQ(read(r, buf, sizeof buf - 1), 16);
  EXPECT_STREQ(buf, "through the pipe");
  close(r);
}

// A name that leaves no room for the temporary suffix is written in place.
TEST_F(FichierSurTest, NameTooLongForTheSuffixIsWrittenInPlace) {
  std::string const n = d.path(std::string(250, 'n'));
  ASSERT_EQ(rename(f.c_str(), n.c_str()), 0);
  ino_t const before = inode(n);
  bool in_place = false;
  ASSERT_EQ(write_text(n, "new", &in_place), 0);
  EXPECT_TRUE(in_place);
  EXPECT_EQ(read_file(n), "new");
  EXPECT_EQ(inode(n), before);
}

TEST_F(FichierSurTest, OpenFailuresAreThoseOfFopen) {
  EXPECT_EQ(write_text("", "x"), ENOENT);
  EXPECT_EQ(write_text(d.path("missing/f"), "x"), ENOENT);
  EXPECT_EQ(write_text(d.dir, "x"), EISDIR);
  EXPECT_TRUE(others(d.dir, {"f"}).empty());
}

// A writer that gives up, by passing its error to ferme() or by never
// closing, leaves the old file and no temporary one.
TEST_F(FichierSurTest, AbandonedWriteLeavesTheOldFileAlone) {
  for (bool const by_error : {true, false}) {
    {
      fichier_sur s(f.c_str());
      FILE* fp = s.ouvre_fic();
      ASSERT_NE(fp, nullptr);
      std::fputs("half", fp);
      if (by_error) {
        EXPECT_EQ(s.ferme(fp, ENOSPC), ENOSPC);
      } else {
        std::fclose(fp);  // closed, never put in place
        EXPECT_EQ(others(d.dir, {"f"}).size(), 1u);
      }
    }
    EXPECT_EQ(read_file(f), "old");
    EXPECT_TRUE(others(d.dir, {"f"}).empty());
  }
}

// A fatal error ends the run through exit() in the middle of writes: every
// temporary file still open goes, whatever the order they were opened and
// closed in; the old files stay.
TEST_F(FichierSurDeathTest, ExitInTheMiddleRemovesEveryTemporary) {
  std::string const a = f, b = d.path("b"), c = d.path("c");
  for (auto const& n : {a, b, c}) write_file(n, "old " + n);
  auto writes = [&] {
    fichier_sur sa(a.c_str()), sb(b.c_str()), sc(c.c_str());
    FILE* fa = sa.ouvre_fic();
    FILE* fb = sb.ouvre_fic();
    FILE* fc = sc.ouvre_fic();
    if (fa == nullptr || fb == nullptr || fc == nullptr) std::_Exit(90);
    std::fputs("new", fa), std::fputs("new", fb), std::fputs("new", fc);
    if (sb.ferme(fb) != 0) std::_Exit(91);
    std::exit(3);
  };
  EXPECT_EXIT(writes(), ::testing::ExitedWithCode(3), "");
  EXPECT_EQ(read_file(a), "old " + a);
  EXPECT_EQ(read_file(b), "new");
  EXPECT_EQ(read_file(c), "old " + c);
  EXPECT_TRUE(others(d.dir, {"f", "b", "c"}).empty());
}

// No temporary file can be made in a read-only directory: an existing
// writable file there is rewritten in place, as fopen would.
TEST_F(FichierSurDeathTest, UnwritableDirectoryFallsBackInPlace) {
  ASSERT_EQ(chmod(f.c_str(), 0666), 0);
  ASSERT_EQ(chmod(d.dir.c_str(), 0555), 0);
  ino_t const before = inode(f);
  EXPECT_EXIT(as_nobody([&] {
                bool in_place = false;
                if (write_text(f, "new", &in_place) != 0) std::exit(1);
                if (!in_place) std::exit(2);
              }),
              ::testing::ExitedWithCode(0), "");
  chmod(d.dir.c_str(), 0755);
  EXPECT_EQ(read_file(f), "new");
  EXPECT_EQ(inode(f), before);
}

// A file that may not be written is refused, not replaced behind its back.
TEST_F(FichierSurDeathTest, ReadOnlyFileIsRefused) {
  ASSERT_EQ(chmod(f.c_str(), 0444), 0);
  ASSERT_EQ(chmod(d.dir.c_str(), 0777), 0);
  EXPECT_EXIT(as_nobody([&] { std::exit(write_text(f, "new") == EACCES ? 0 : 1); }),
              ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(read_file(f), "old");
  EXPECT_TRUE(others(d.dir, {"f"}).empty());
}

// In a sticky directory a user may write into another's file but not
// rename over it: the file is written in place.
TEST_F(FichierSurDeathTest, ForeignFileInStickyDirectoryIsWrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs a file of another user";
  ASSERT_EQ(chmod(f.c_str(), 0666), 0);
  ASSERT_EQ(chmod(d.dir.c_str(), 01777), 0);
  EXPECT_EXIT(as_nobody([&] {
                bool in_place = false;
                if (write_text(f, "new", &in_place) != 0) std::exit(1);
                if (!in_place) std::exit(2);
              }),
              ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(read_file(f), "new");
}
