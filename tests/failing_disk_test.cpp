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
#include <type_traits>
#include <vector>

#include "disk_util.h"
#include "list_vec.h"
#include "llist.h"
#include "maillage.h"
#include "matrices.h"
#include "profil.h"
#include "renum.h"
#include "test_util.h"
#include "vecteurs.h"
#include "vtk.h"

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

// Files stop growing at this size: a writer fails in the middle, as on a
// disk that fills up.
constexpr rlim_t kLimit = 4096;

[[noreturn]] void limited(std::function<void()> const& write) {
  signal(SIGXFSZ, SIG_IGN);
  rlimit rl{kLimit, kLimit};
  setrlimit(RLIMIT_FSIZE, &rl);
  write();
  std::exit(0);
}

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
  EXPECT_FATAL(
      m.ecrit_kadro(missing.c_str()), 209,
      "Rcourb: problemmes d'ouvertoure du fichier " + missing + "\nNo such file or directory\n");
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
  EXPECT_FATAL(limited([&] { big.ecrit_kadro(f.c_str()); }), 209,
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
  EXPECT_FATAL(
      m.ecrit_ascii(missing.c_str()), 209,
      "Rcourb: problemmes d'ouvertoure du fichier " + missing + "\nNo such file or directory\n");
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

// ---- every writer by name replaces its file whole ----

namespace {

// Deterministic values in -0.5..0.5 that do not compress to nothing.
double noise(long long k) {
  unsigned const u = 2654435761u * static_cast<unsigned>(k + 1);
  return (u >> 8) / 16777216.0 - 0.5;
}

gvector<double> noisy_vector(int n) {
  gvector<double> v(1, n);
  for (int i = 1; i <= n; ++i) v[i] = noise(i);
  return v;
}

// Lines keep min(i - 1, b) entries on each side of the diagonal (one side
// when symmetric), all of them noise.
gvector<int> band(int n, int b, bool sym) {
  gvector<int> p(0, n);
  p[0] = 0;
  for (int i = 1; i <= n; ++i) {
    int const m = std::min(i - 1, b);
    p[i] = p[i - 1] + (sym ? m + 1 : 2 * m + 1);
  }
  return p;
}

skygmatrix<double> general_band(int n, int b) {
  skygmatrix<double> a(band(n, b, false));
  for (int i = 1; i <= n; ++i)
    for (int j = std::max(1, i - b); j <= i; ++j)
      a(i, j) = noise(i * n + j), a(j, i) = noise(j * n + i);
  return a;
}

template <class M>
M symmetric_band(int n, int b) {
  M a(band(n, b, true));
  for (int i = 1; i <= n; ++i)
    for (int j = std::max(1, i - b); j <= i; ++j) a(i, j) = noise(i * n + j);
  return a;
}

// m runs of the last d of n entries: rows of an h-matrix, columns of a v-one.
template <class R>
R rect(int m, int d, int n) {
  gvector<int> p(0, m);
  for (int k = 0; k <= m; ++k) p[k] = k * d;
  R a(p, n);
  bool const rows = std::is_same<R, skyhrectmatrix<double>>::value;
  for (int k = 1; k <= m; ++k)
    for (int x = n - d + 1; x <= n; ++x) (rows ? a(k, x) : a(x, k)) = noise(k * n + x);
  return a;
}

llist<int> noisy_list(int n) {
  llist<int> l;
  for (int i = 1; i <= n; ++i) l.insert(static_cast<int>(noise(i) * 1e9));
  return l;
}

licolect list_collection(int n) {
  licolect c(1, 3);
  c[1] = noisy_list(n), c[3] = noisy_list(n / 2);
  return c;
}

gvector<int> permutation(int n) {
  gvector<int> p(1, n);
  for (int i = 1; i <= n; ++i) p[i] = n + 1 - i;
  return p;
}

std::vector<std::string> pieces(int n) {
  std::vector<std::string> r;
  for (int k = 0; k < n; ++k) r.push_back("piece_" + std::to_string(k) + ".vtu");
  return r;
}

// Runs op in the directory of the path, for the writer with a fixed name.
void in_dir_of(char const* path, std::function<void()> const& op) {
  std::string const p = path;
  std::string const dir = p.substr(0, p.rfind('/'));
  char here[4096];
  if (getcwd(here, sizeof here) == nullptr || chdir(dir.c_str()) != 0) std::abort();
  op();
  if (chdir(here) != 0) std::abort();
}

// The failure texts of the writer families, for a file `name` that cannot
// grow ("File too large").
std::string container_failure(std::string const& name) {
  return std::string(kWriteError) + ": " + name;
}
std::string mesh_failure(std::string const& name) {
  return "Rcourb: erreur d'ecriture du fichier " + name + "\nFile too large\n";
}
std::string listing_failure(std::string const& name) {
  return "Erreur d'ecriture de " + name + "\nFile too large\n";
}
std::string tags_failure(std::string const&) { return std::string(kWriteError) + ": ref.save"; }

// One writer by name: an old (small) and a new (large) object written to
// the same file, the status and the text of a failure in the middle.
struct writer_case {
  std::string label, file;
  std::function<void(char const*)> old_one, new_one;
  int status;
  std::string (*failure)(std::string const&);
};

void PrintTo(writer_case const& c, std::ostream* os) { *os << c.label; }

template <class Small, class Big, class Write>
writer_case family(std::string label, std::string file, Small small, Big big, Write write,
                   int status, std::string (*failure)(std::string const&)) {
  return {std::move(label),
          std::move(file),
          [=](char const* f) { write(small(), f); },
          [=](char const* f) { write(big(), f); },
          status,
          failure};
}

std::vector<writer_case> writers() {
  auto vec = [](int n) { return [n] { return noisy_vector(n); }; };
  auto mat = [](int n) {
    return [n] {
      gmatrix<double> m(1, n, 1, n);
      for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) m(i, j) = noise(i * n + j);
      return m;
    };
  };
  auto gen = [](int n) { return [n] { return general_band(n, 10); }; };
  auto sym = [](int n) { return [n] { return symmetric_band<skysmatrix<double>>(n, 10); }; };
  auto herm = [](int n) { return [n] { return symmetric_band<skyhmatrix>(n, 10); }; };
  auto hr = [](int m) { return [m] { return rect<skyhrectmatrix<double>>(m, 8, 20); }; };
  auto vr = [](int m) { return [m] { return rect<skyvrectmatrix<double>>(m, 8, 20); }; };
  auto mesh = [](int n) { return [n] { return grid(n, n, n < 10 ? "ancien" : "nouveau"); }; };
  auto list = [](int n) { return [n] { return noisy_list(n); }; };
  auto lists = [](int n) { return [n] { return list_collection(n); }; };
  auto perm = [](int n) { return [n] { return permutation(n); }; };
  auto piece = [](int n) { return [n] { return pieces(n); }; };
  using V = gvector<double> const&;
  using D = gmatrix<double> const&;
  using G = skygmatrix<double> const&;
  using S = skysmatrix<double> const&;
  using M = maillage const&;
  std::string (*const C)(std::string const&) = container_failure;
  return {
      family(
          "VectorText", "v", vec(3), vec(5000), [](V v, char const* f) { v.a_save(f); }, 1, C),
      family(
          "VectorTextGz", "v.gz", vec(3), vec(5000), [](V v, char const* f) { v.a_save(f); }, 1, C),
      family(
          "VectorDump", "v", vec(3), vec(5000), [](V v, char const* f) { v.a_dump(f); }, 1, C),
      family(
          "VectorRawGz", "v.gz", vec(3), vec(5000), [](V v, char const* f) { v.b_save(f); }, 1, C),
      family(
          "VectorFramed", "v", vec(3), vec(5000), [](V v, char const* f) { v.f_save(f); }, 1, C),
      family(
          "ListCollection", "l", lists(3), lists(3000),
          [](licolect const& c, char const* f) { c.a_save(f); }, 1, C),
      family(
          "ListCollectionRawGz", "l.gz", lists(3), lists(3000),
          [](licolect const& c, char const* f) { c.b_save(f); }, 1, C),
      family(
          "Tags", "ref.save", mesh(2), mesh(60),
          [](M m, char const* f) { in_dir_of(f, [&] { const_cast<maillage&>(m).dump_ref(); }); }, 1,
          tags_failure),
      family(
          "ListSave", "l", list(3), list(3000),
          [](llist<int> const& l, char const* f) { l.save(f); }, 1, C),
      family(
          "ListPrint", "l", list(3), list(3000),
          [](llist<int> const& l, char const* f) { l.print(f); }, 1, C),
      family(
          "DenseText", "m", mat(2), mat(60), [](D m, char const* f) { m.a_save(f); }, 1, C),
      family(
          "DenseDumpGz", "m.gz", mat(2), mat(60), [](D m, char const* f) { m.a_dump(f); }, 1, C),
      family(
          "DenseRaw", "m", mat(2), mat(60), [](D m, char const* f) { m.b_save(f); }, 1, C),
      family(
          "DenseFramedGz", "m.gz", mat(2), mat(60), [](D m, char const* f) { m.f_save(f); }, 1, C),
      family(
          "GeneralTextDumpGz", "p.gz", gen(3), gen(400), [](G a, char const* f) { a.a_dump(f); }, 1,
          C),
      family(
          "GeneralRawDump", "p", gen(3), gen(400), [](G a, char const* f) { a.b_dump(f); }, 1, C),
      family(
          "GeneralFramedSave", "p", gen(3), gen(100), [](G a, char const* f) { a.f_save(f); }, 1,
          C),
      family(
          "SymmetricFullText", "p", sym(3), sym(100), [](S a, char const* f) { a.at_save(f); }, 1,
          C),
      family(
          "SymmetricFramedDumpGz", "p.gz", sym(3), sym(400),
          [](S a, char const* f) { a.f_dump(f); }, 1, C),
      family(
          "HermitianRawSave", "p", herm(3), herm(100),
          [](skyhmatrix const& a, char const* f) { a.b_save(f); }, 1, C),
      family(
          "RowRectTextDump", "p", hr(2), hr(400),
          [](skyhrectmatrix<double> const& a, char const* f) { a.a_dump(f); }, 1, C),
      family(
          "ColumnRectRawDumpGz", "p.gz", vr(2), vr(400),
          [](skyvrectmatrix<double> const& a, char const* f) { a.b_dump(f); }, 1, C),
      family(
          "PlotSegments", "g", gen(3), gen(400), [](G a, char const* f) { a.gr_profil(f, 0, 0); },
          1, C),
      family(
          "PlotRectSegments", "g", hr(2), hr(400),
          [](skyhrectmatrix<double> const& a, char const* f) { a.gr_profil(f, 0, 0); }, 1, C),
      family(
          "PlotShape", "g", gen(3), gen(100), [](G a, char const* f) { a.c3d_profil(f); }, 1, C),
      family(
          "PlotValues", "g", gen(3), gen(100), [](G a, char const* f) { a.c3d_val(f); }, 1, C),
      family(
          "LineSums", "g", gen(3), gen(400), [](G a, char const* f) { a.sum_lines(f); }, 1, C),
      family(
          "MeshText", "m.txt", mesh(2), mesh(60), [](M m, char const* f) { m.ecrit_ascii(f); }, 209,
          mesh_failure),
      family(
          "MeshViewer", "m.kadro2D", mesh(2), mesh(60),
          [](M m, char const* f) { m.ecrit_kadro(f); }, 209, mesh_failure),
      family(
          "Neighbours", "n.txt", mesh(2), mesh(60), [](M m, char const* f) { m.d_list_voisins(f); },
          1, listing_failure),
      family(
          "RenumberingData", "r.txt", mesh(2), mesh(60),
          [](M m, char const* f) { m.gen_data_renum(f); }, 1, listing_failure),
      family(
          "VtkText", "m.vtk", mesh(2), mesh(60), [](M m, char const* f) { ecrit_vtk(m, f); }, 209,
          mesh_failure),
      family(
          "VtkBinary", "m.vtk", mesh(2), mesh(60),
          [](M m, char const* f) { ecrit_vtk(m, f, vtk_champs(), vtk_format::binaire); }, 209,
          mesh_failure),
      family(
          "VtkXml", "m.vtu", mesh(2), mesh(60), [](M m, char const* f) { ecrit_vtk(m, f); }, 209,
          mesh_failure),
      family(
          "VtkIndex", "m.pvtu", piece(1), piece(300),
          [](std::vector<std::string> const& p, char const* f) { ecrit_pvtu(f, p); }, 209,
          mesh_failure),
      family(
          "Permutation", "p.txt", perm(3), perm(5000),
          [](gvector<int> const& p, char const* f) { ecrit_permutation(f, p); }, 1,
          listing_failure),
  };
}

std::string case_name(::testing::TestParamInfo<writer_case> const& i) { return i.param.label; }

// The first write past kLimit bytes kills the writer: SIGKILL in the
// middle of its write, nothing of the process's own runs after it.
void kill_self(int) { raise(SIGKILL); }

}  // namespace

// The test's own directory, the case's file holding the old object.
class WriterReplacesTest : public ::testing::TestWithParam<writer_case> {
 protected:
  void SetUp() override {
    c.old_one(f.c_str());
    before = read_file(f);
  }
  writer_case const& c = GetParam();
  fixed_dir d = test_dir();
  std::string const f = d.path(c.file);
  std::string before;
};
class WriterReplacesDeathTest : public WriterReplacesTest {};

// A disk that fills up in the middle: the family's message and status, the
// old file byte for byte, no temporary file.
TEST_P(WriterReplacesDeathTest, FailureMidwayKeepsTheOldFile) {
  EXPECT_FATAL(limited([&] { c.new_one(f.c_str()); }), c.status, c.failure(f));
  EXPECT_EQ(read_file(f), before);
  EXPECT_TRUE(others(d.dir, {c.file}).empty());
}

// Killed in the middle: the old file byte for byte; only the temporary
// file is left, under its own name.
TEST_P(WriterReplacesTest, KilledWriterLeavesTheOldFileWhole) {
  pid_t const pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, kill_self);
    rlimit rl{kLimit, kLimit};
    setrlimit(RLIMIT_FSIZE, &rl);
    c.new_one(f.c_str());
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  EXPECT_EQ(read_file(f), before);
  std::vector<std::string> const left = others(d.dir, {c.file});
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].rfind(c.file + ".tmp", 0), 0u) << left[0];
}

// The new file is a new inode with the old one's mode: written aside and
// renamed, never rewritten in place.
TEST_P(WriterReplacesTest, NewFileTakesTheOldOnesPlaceAndMode) {
  ASSERT_EQ(chmod(f.c_str(), 0604), 0);
  ino_t const old_inode = inode(f);
  c.new_one(f.c_str());
  EXPECT_NE(inode(f), old_inode);
  EXPECT_EQ(mode_of(f), 0604u);
  EXPECT_TRUE(others(d.dir, {c.file}).empty());
}

TEST_P(WriterReplacesTest, WriteThroughLinkReplacesThePointedFile) {
  std::string const real = d.path("sub/" + c.file);
  c.new_one(f.c_str());
  std::string const expected = read_file(f);
  ASSERT_EQ(mkdir(d.path("sub").c_str(), 0755), 0);
  ASSERT_EQ(rename(f.c_str(), real.c_str()), 0);
  c.old_one(real.c_str());
  ASSERT_EQ(symlink(("sub/" + c.file).c_str(), f.c_str()), 0);
  c.new_one(f.c_str());
  struct stat st;
  ASSERT_EQ(lstat(f.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(read_file(real), expected);
  EXPECT_TRUE(others(d.path("sub"), {c.file}).empty());
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterReplacesTest, ::testing::ValuesIn(writers()), case_name);
INSTANTIATE_TEST_SUITE_P(Writers, WriterReplacesDeathTest, ::testing::ValuesIn(writers()),
                         case_name);
