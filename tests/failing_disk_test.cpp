// Writers on failing disks: a full device, a directory that does not exist,
// a file size limit reached in the middle of a mesh, a run killed while
// writing. Every failure ends the run with a message and a non-zero status;
// a mesh file being replaced keeps its old contents until the new one is
// complete.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <complex>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "disk_util.h"
#include "list_vec.h"
#include "llist.h"
#include "maillage.h"
#include "matrices.h"
#include "test_util.h"
#include "vecteurs.h"

namespace {

// A name that reaches /dev/full: plain, or compressed by its ".gz" suffix.
std::string full_link(fixed_dir const& d, std::string const& name) {
  std::string p = d.path(name);
  if (symlink("/dev/full", p.c_str()) != 0 && errno != EEXIST) std::abort();
  return p;
}

char const* const kMissingDir = "/nonexistent_utils_dir/out";

maillage grid(int nx, int ny, char const* title) {
  int const nv = (nx + 1) * (ny + 1);
  gmatrix<float> s(1, nv, 1, 2);
  gvector<int> r(1, nv);
  for (int j = 0, v = 1; j <= ny; ++j)
    for (int i = 0; i <= nx; ++i, ++v) {
      s(v, 1) = float(i), s(v, 2) = float(j);
      r[v] = (i == 0 || j == 0) ? 1 : 0;
    }
  gmatrix<int> e(1, nx * ny, 1, 4);
  for (int j = 0, k = 1; j < ny; ++j)
    for (int i = 0; i < nx; ++i, ++k) {
      int a = j * (nx + 1) + i + 1;
      e(k, 1) = a, e(k, 2) = a + 1, e(k, 3) = a + nx + 2, e(k, 4) = a + nx + 1;
    }
  return maillage(std::move(s), std::move(e), std::move(r), title);
}

template <class T>
gvector<T> sample_vector() {
  gvector<T> v(1, 5000);  // more than one stdio buffer
  for (int i = 1; i <= 5000; ++i) v[i] = T(i);
  return v;
}

template <class T>
gmatrix<T> sample_matrix() {
  gmatrix<T> m(1, 60, 1, 60);
  for (int i = 1; i <= 60; ++i)
    for (int j = 1; j <= 60; ++j) m(i, j) = T(i + j);
  return m;
}

char const* const kWriteError = "Erreur d'ecriture de fichier";
char const* const kOpenOut = "Erreur d'ouverture de fichier de sortie";

}  // namespace

// ---- containers: every save and dump, plain and compressed ----

template <class T>
class ContainerFullDiskDeathTest : public ::testing::Test {};
TYPED_TEST_SUITE(ContainerFullDiskDeathTest, AllScalars);

TYPED_TEST(ContainerFullDiskDeathTest, VectorWritesOnFullDeviceFail) {
  fixed_dir d = test_dir();
  std::string p = full_link(d, "v"), g = full_link(d, "v.gz");
  gvector<TypeParam> v = sample_vector<TypeParam>();
  for (std::string const& n : {p, g}) {
    EXPECT_FATAL(v.a_save(n.c_str()), 1, std::string(kWriteError) + ": " + n);
    EXPECT_FATAL(v.b_save(n.c_str()), 1, std::string(kWriteError) + ": " + n);
    EXPECT_FATAL(v.f_save(n.c_str()), 1, std::string(kWriteError) + ": " + n);
  }
  // a_dump by name is never compressed.
  EXPECT_FATAL(v.a_dump(g.c_str()), 1, std::string(kWriteError) + ": " + g);
}

TYPED_TEST(ContainerFullDiskDeathTest, MatrixWritesOnFullDeviceFail) {
  fixed_dir d = test_dir();
  std::string p = full_link(d, "m"), g = full_link(d, "m.gz");
  gmatrix<TypeParam> m = sample_matrix<TypeParam>();
  for (std::string const& n : {p, g}) {
    EXPECT_FATAL(m.a_save(n.c_str()), 1, std::string(kWriteError) + ": " + n);
    EXPECT_FATAL(m.a_dump(n.c_str()), 1, std::string(kWriteError) + ": " + n);
    EXPECT_FATAL(m.b_save(n.c_str()), 1, std::string(kWriteError) + ": " + n);
    EXPECT_FATAL(m.f_save(n.c_str()), 1, std::string(kWriteError) + ": " + n);
  }
}

TYPED_TEST(ContainerFullDiskDeathTest, StreamWritesOnFullDeviceFail) {
  gvector<TypeParam> v = sample_vector<TypeParam>();
  gmatrix<TypeParam> m = sample_matrix<TypeParam>();
  auto on_full = [](auto write) {
    FILE* fp = std::fopen("/dev/full", "w");
    if (fp == nullptr) std::abort();
    write(fp);
    std::fclose(fp);
    std::exit(0);
  };
  EXPECT_FATAL(on_full([&](FILE* fp) { v.a_save(fp); }), 1, kWriteError);
  EXPECT_FATAL(on_full([&](FILE* fp) { v.a_dump(fp); }), 1, kWriteError);
  EXPECT_FATAL(on_full([&](FILE* fp) { v.b_save(fp); }), 1, kWriteError);
  EXPECT_FATAL(on_full([&](FILE* fp) { v.f_save(fp); }), 1, kWriteError);
  EXPECT_FATAL(on_full([&](FILE* fp) { m.a_save(fp); }), 1, kWriteError);
  EXPECT_FATAL(on_full([&](FILE* fp) { m.a_dump(fp); }), 1, kWriteError);
  EXPECT_FATAL(on_full([&](FILE* fp) { m.b_save(fp); }), 1, kWriteError);
  EXPECT_FATAL(on_full([&](FILE* fp) { m.f_save(fp); }), 1, kWriteError);
}

TYPED_TEST(ContainerFullDiskDeathTest, WritesIntoMissingDirectoryFail) {
  gvector<TypeParam> v = sample_vector<TypeParam>();
  gmatrix<TypeParam> m = sample_matrix<TypeParam>();
  std::string const p = kMissingDir, g = std::string(kMissingDir) + ".gz";
  for (std::string const& n : {p, g}) {
    EXPECT_FATAL(v.a_save(n.c_str()), 1, kOpenOut);
    EXPECT_FATAL(v.b_save(n.c_str()), 1, kOpenOut);
    EXPECT_FATAL(v.f_save(n.c_str()), 1, kOpenOut);
    EXPECT_FATAL(m.a_save(n.c_str()), 1, kOpenOut);
    EXPECT_FATAL(m.a_dump(n.c_str()), 1, kOpenOut);
    EXPECT_FATAL(m.b_save(n.c_str()), 1, kOpenOut);
    EXPECT_FATAL(m.f_save(n.c_str()), 1, kOpenOut);
  }
  EXPECT_FATAL(v.a_dump(p.c_str()), 1, kOpenOut);
  // /proc refuses new files even to root.
  EXPECT_FATAL(v.b_save("/proc/utils_test_out"), 1, kOpenOut);
}

TEST(ListFullDiskDeathTest, ListAndListCollectionWritesFail) {
  fixed_dir d = test_dir();
  std::string p = full_link(d, "l"), g = full_link(d, "l.gz");
  listint l;
  for (int i = 1; i <= 3000; ++i) l.insert(i);
  EXPECT_FATAL(l.save(p.c_str()), 1, std::string(kWriteError) + ": " + p);
  EXPECT_FATAL(l.print(p.c_str()), 1, std::string(kWriteError) + ": " + p);
  EXPECT_FATAL(l.save(kMissingDir), 703 & 0xff, std::string("On n'a pas pu ouvrir ") + kMissingDir);
  licolect c(1, 3);
  c[1] = l, c[3] = l;
  for (std::string const& n : {p, g}) {
    EXPECT_FATAL(c.a_save(n.c_str()), 1, std::string(kWriteError) + ": " + n);
    EXPECT_FATAL(c.b_save(n.c_str()), 1, std::string(kWriteError) + ": " + n);
    EXPECT_FATAL(c.f_save(n.c_str()), 1, std::string(kWriteError) + ": " + n);
  }
}

// ---- mesh viewer files ----

TEST(KadroFailingDiskDeathTest, FullDeviceAndMissingDirectory) {
  maillage m = grid(4, 3, "t");
  EXPECT_FATAL(m.ecrit_kadro("/dev/full"), 209,
               "Rcourb: erreur d'ecriture du fichier /dev/full\nNo space left on device\n");
  std::string const missing = std::string(kMissingDir) + ".kadro2D";
  EXPECT_FATAL(m.ecrit_kadro(missing.c_str()), 209,
               "Rcourb: problemmes d'ouvertoure du fichier " + missing +
                   "\nNo such file or directory\n");
  EXPECT_FATAL(m.ecrit_kadro(""), 209,
               "Rcourb: problemmes d'ouvertoure du fichier \nNo such file or directory\n");
  EXPECT_FATAL(m.ecrit_kadro("/proc/utils_test.kadro2D"), 209,
               "Rcourb: problemmes d'ouvertoure du fichier /proc/utils_test.kadro2D\n");
}

// The file size limit stops the writer in the middle of the mesh, as a
// full disk would: the previous file stays whole and no temporary is left.
TEST(KadroFailingDiskDeathTest, WriteStoppedMidwayKeepsPreviousFile) {
  fixed_dir d = test_dir();
  std::string const f = d.path("m.kadro2D");
  grid(2, 1, "ancien").ecrit_kadro(f.c_str());
  std::string const before = read_file(f);
  maillage big = grid(300, 300, "nouveau");  // about 8 MB
  auto limited = [&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit rl{1 << 20, 1 << 20};
    setrlimit(RLIMIT_FSIZE, &rl);
    big.ecrit_kadro(f.c_str());
    std::exit(0);
  };
  EXPECT_FATAL(limited(), 209,
               "Rcourb: erreur d'ecriture du fichier " + f + "\nFile too large\n");
  EXPECT_EQ(read_file(f), before);
  EXPECT_TRUE(others(d.dir, {"m.kadro2D"}).empty());
}

TEST(KadroFailingDiskTest, ReplacedFileKeepsItsModeAndNewFileFollowsUmask) {
  fixed_dir d = test_dir();
  std::string const f = d.path("m.kadro2D"), g = d.path("n.kadro2D");
  maillage m = grid(2, 1, "t");
  m.ecrit_kadro(f.c_str());
  ASSERT_EQ(chmod(f.c_str(), 0640), 0);
  m.ecrit_kadro(f.c_str());
  struct stat st;
  ASSERT_EQ(stat(f.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  mode_t old = umask(027);
  m.ecrit_kadro(g.c_str());
  umask(old);
  ASSERT_EQ(stat(g.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(others(d.dir, {"m.kadro2D", "n.kadro2D"}).empty());
}

TEST(KadroFailingDiskTest, WriteThroughLinkReplacesTheTarget) {
  fixed_dir d = test_dir();
  std::string const f = d.path("real.kadro2D"), l = d.path("link.kadro2D");
  maillage m = grid(2, 1, "t");
  m.ecrit_kadro(f.c_str());
  ASSERT_EQ(symlink(f.c_str(), l.c_str()), 0);
  grid(3, 2, "u").ecrit_kadro(l.c_str());
  struct stat st;
  ASSERT_EQ(lstat(l.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(maillage(f.c_str()).npt(), 12);
}

#ifdef REG_M_EXE
// reg_m killed while it writes a large grid: the existing reg_m.kadro2D is
// intact byte for byte, and nothing partial carries its name.
TEST(KadroFailingDiskTest, KilledRunLeavesPreviousFileIntact) {
  fixed_dir d = test_dir();
  std::string const f = d.path("reg_m.kadro2D");
  grid(2, 1, "ancien").ecrit_kadro(f.c_str());
  std::string const before = read_file(f);
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(d.dir.c_str()) != 0) _exit(120);
    int fd = open("/dev/null", O_WRONLY);
    dup2(fd, 2);
    execl(REG_M_EXE, REG_M_EXE, "-b", "0", "1", "1500", "0", "1", "1500", (char*)nullptr);
    _exit(122);
  }
  // Kill it as soon as the new file is being written.
  bool seen = false;
  auto const limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!seen && std::chrono::steady_clock::now() < limit) {
    for (auto const& n : others(d.dir, {"reg_m.kadro2D"})) {
      struct stat st;
      if (stat(d.path(n).c_str(), &st) == 0 && st.st_size > 0) seen = true;
    }
    if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(seen) << "reg_m never started writing";
  ASSERT_TRUE(WIFSIGNALED(status)) << "reg_m finished before it was killed";
  EXPECT_EQ(read_file(f), before);
  for (auto const& n : others(d.dir, {"reg_m.kadro2D"}))
    EXPECT_EQ(n.rfind("reg_m.kadro2D.tmp", 0), 0u) << n;
}
#endif

// A read-only directory, seen by an unprivileged user (root drops to
// "nobody" first): a new mesh file cannot be created there; an existing
// writable one is still rewritten, in place.
TEST(KadroFailingDiskDeathTest, ReadOnlyDirectory) {
  fixed_dir d = test_dir();
  chmod(d.dir.c_str(), 0755);
  std::string const f = d.path("old.kadro2D"), n = d.path("new.kadro2D");
  maillage m = grid(2, 1, "t");
  m.ecrit_kadro(f.c_str());
  chmod(f.c_str(), 0666);
  chmod(d.dir.c_str(), 0555);
  EXPECT_FATAL(as_nobody([&] { m.ecrit_kadro(n.c_str()); }), 209,
               "Rcourb: problemmes d'ouvertoure du fichier " + n + "\nPermission denied\n");
  EXPECT_EXIT(as_nobody([&] { grid(3, 3, "u").ecrit_kadro(f.c_str()); }),
              ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(maillage(f.c_str()).npt(), 16);
  chmod(d.dir.c_str(), 0755);
}

// The other mesh writers: ASCII dump, neighbour lists, renumbering data and
// the tag file.
TEST(MeshWritersFailingDiskDeathTest, FullDeviceAndMissingDirectory) {
  fixed_dir d = test_dir();
  maillage m = grid(30, 30, "t");
  std::string const full = "/dev/full", missing = kMissingDir;
  EXPECT_FATAL(m.ecrit_ascii(full.c_str()), 209,
               "Rcourb: erreur d'ecriture du fichier /dev/full\nNo space left on device\n");
  EXPECT_FATAL(m.ecrit_ascii(missing.c_str()), 209,
               "Rcourb: problemmes d'ouvertoure du fichier " + missing +
                   "\nNo such file or directory\n");
  EXPECT_FATAL(m.d_list_voisins(full.c_str()), 1,
               "Erreur d'ecriture de /dev/full\nNo space left on device\n");
  EXPECT_FATAL(m.d_list_voisins(missing.c_str()), 1,
               "Impossible d'ouvrir le fichier " + missing + "\n");
  EXPECT_FATAL(m.gen_data_renum(full.c_str()), 1,
               "Erreur d'ecriture de /dev/full\nNo space left on device\n");
  EXPECT_FATAL(m.gen_data_renum(missing.c_str()), 1,
               "Erreur d'ouverture de " + missing + "\nNo such file or directory\n");
  // The tag file has a fixed name in the current directory.
  full_link(d, "ref.save");
  auto in_dir = [&] {
    if (chdir(d.dir.c_str()) != 0) std::_Exit(90);
    m.dump_ref();
    std::exit(0);
  };
  EXPECT_FATAL(in_dir(), 1, std::string(kWriteError) + ": ref.save");
}
