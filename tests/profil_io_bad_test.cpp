// Profile-matrix files that must be refused: wrong letters and types, saves
// offered to loads, invalid profiles, counts beyond the data, truncated
// files, oversized records, failed opens and writes.
#include "profil.h"

#include <climits>
#include <fstream>
#include <random>

#include <sys/wait.h>
#include <string>

#include <zlib.h>

#include "profil_helpers.h"
#include "profil_io_util.h"
#include "test_util.h"

using namespace ph;
using namespace pio_test;

namespace {

// The message exactly, not a longer one that starts with it.
std::string ends(std::string const& text) { return fatal_re(text) + "([^ a-z]|$)"; }
#define EXPECT_FATAL_EXACT(statement, text) \
  EXPECT_EXIT(statement, ::testing::ExitedWithCode(1), ends(text))

// Death tests run again in a child with its own temporary directory: match
// any such directory where the text names d's.
std::string named(TempDir const& d, std::string const& text) {
  std::string r = fatal_re(text), dir = fatal_re(d.dir());
  for (std::size_t k; (k = r.find(dir)) != std::string::npos;)
    r.replace(k, dir.size(), "/tmp/utils_test_[A-Za-z0-9]+");
  return r;
}
#define EXPECT_FATAL_IN(statement, d, text) \
  EXPECT_EXIT(statement, ::testing::ExitedWithCode(1), named(d, text))

void write(std::string const& name, std::string const& bytes) {
  std::ofstream(name, std::ios::binary) << bytes;
}

void write_gz(std::string const& name, std::string const& bytes) {
  gzFile z = gzopen(name.c_str(), "wb9");
  gzwrite(z, bytes.data(), unsigned(bytes.size()));
  gzclose(z);
}

skygmatrix<double> general2() {
  skygmatrix<double> a(prof({0, 1, 4}));
  a = 1.0;
  return a;
}
skysmatrix<double> sym2() {
  skysmatrix<double> a(prof({0, 1, 3}));
  a = 1.0;
  return a;
}
skyhrectmatrix<double> hrect() {
  skyhrectmatrix<double> a(prof({0, 1, 3}), 3);
  a = 1.0;
  return a;
}

char const* const FMT_SYM = "Format incorrect dans load de matrice profil symetrique";
char const* const TYP_SYM = "Type incorrect dans load de matrice profil symetrique";
char const* const FMT = "Format incorrect dans load de matrice profil";
char const* const TYP = "Type incorrect dans load de matrice profil";

TEST(ProfilIoDeathTest, LettersAndTypesByClassAndEncoding) {
  TempDir d;
  std::string const g = d.path("g"), s = d.path("s"), r = d.path("r");
  for (int enc = 0; enc < 3; ++enc) {
    std::string const e = std::to_string(enc);
    auto dump = [&](auto const& m, std::string const& n) {
      if (enc == 0) m.a_dump(n.c_str());
      if (enc == 1) m.b_dump(n.c_str());
      if (enc == 2) m.f_dump(n.c_str());
    };
    auto load = [&](auto& m, std::string const& n) {
      if (enc == 0) m.a_load(n.c_str());
      if (enc == 1) m.b_load(n.c_str());
      if (enc == 2) m.f_load(n.c_str());
    };
    dump(general2(), g + e);
    dump(sym2(), s + e);
    dump(hrect(), r + e);
    skygmatrix<double> gm;
    skysmatrix<double> sm;
    skyhrectmatrix<double> hm;
    skyvrectmatrix<double> vm;
    skygmatrix<float> gf;
    skysmatrix<std::complex<double>> sc;
    skyhrectmatrix<int> hi;
    bool const text = enc == 0;
    EXPECT_FATAL_EXACT(load(gm, s + e), text ? FMT_SYM : FMT);
    EXPECT_FATAL_EXACT(load(gf, g + e), text ? TYP_SYM : TYP);
    EXPECT_FATAL_EXACT(load(sm, g + e), FMT_SYM);
    EXPECT_FATAL_EXACT(load(sc, s + e), TYP_SYM);
    EXPECT_FATAL_EXACT(load(hm, g + e), text ? FMT_SYM : FMT);
    EXPECT_FATAL_EXACT(load(vm, s + e), text ? FMT_SYM : FMT);
    EXPECT_FATAL_EXACT(load(hi, r + e), text ? TYP_SYM : TYP);
  }
}

TEST(ProfilIoDeathTest, SavesAreRefusedByTheLoads) {
  TempDir d;
  std::string const n = d.path("save");
  std::string const not_a_profile =
      "Profil incorrect dans le fichier: " + n + " (premier indice 1)";
  skygmatrix<double> g;
  skysmatrix<double> s;
  skyhrectmatrix<double> h;
  general2().a_save(n.c_str());
  EXPECT_FATAL_IN(g.a_load(n.c_str()), d, not_a_profile);
  general2().b_save(n.c_str());
  EXPECT_FATAL_EXACT(g.b_load(n.c_str()), FMT);
  general2().f_save(n.c_str());
  EXPECT_FATAL_EXACT(g.f_load(n.c_str()), FMT);
  sym2().a_save(n.c_str());
  EXPECT_FATAL_IN(s.a_load(n.c_str()), d, not_a_profile);
  sym2().at_save(n.c_str());
  EXPECT_FATAL_IN(s.a_load(n.c_str()), d, not_a_profile);
  sym2().b_save(n.c_str());
  EXPECT_FATAL_IN(s.b_load(n.c_str()), d, not_a_profile);
  sym2().f_save(n.c_str());
  EXPECT_FATAL_IN(s.f_load(n.c_str()), d, not_a_profile);
  hrect().a_save(n.c_str());
  EXPECT_FATAL_IN(h.a_load(n.c_str()), d, not_a_profile);
  hrect().b_save(n.c_str());
  EXPECT_FATAL_IN(h.b_load(n.c_str()), d, not_a_profile);
  hrect().f_save(n.c_str());
  EXPECT_FATAL_IN(h.f_load(n.c_str()), d, not_a_profile);
}

// Raw dump bytes: letter, D, pmin, pmax, [N], the profile, no values.
std::string dump_bytes(char letter, std::initializer_list<int> p, int N = -1) {
  octets o;
  o.c(letter).c('D').i(0).i(int(p.size()) - 1);
  if (N != -1 || letter == 'R') o.i(N);
  for (int x : p) o.i(x);
  return o.s;
}

TEST(ProfilIoDeathTest, InvalidProfilesNameTheFile) {
  TempDir d;
  std::string const n = d.path("bad");
  std::string const head = "Profil incorrect dans le fichier: " + n + " (";
  skygmatrix<double> g;
  skysmatrix<double> s;
  skyvrectmatrix<double> v;
  write(n, dump_bytes('G', {1, 2}));
  EXPECT_FATAL_IN(g.b_load(n.c_str()), d, head + "profil[0]=1)");
  write(n, dump_bytes('G', {0, 1, 0}));
  EXPECT_FATAL_IN(g.b_load(n.c_str()), d, head + "profil decroissant en 2)");
  write(n, dump_bytes('G', {0, 1, 3}));
  EXPECT_FATAL_IN(g.b_load(n.c_str()), d, head + "longueur de ligne paire en 2)");
  write(n, dump_bytes('G', {0, 3}));
  EXPECT_FATAL_IN(g.b_load(n.c_str()), d, head + "premiere colonne avant 1 en 1)");
  write(n, dump_bytes('S', {0, 1, 1}));
  EXPECT_FATAL_IN(s.b_load(n.c_str()), d, head + "ligne sans diagonale en 2)");
  write(n, dump_bytes('S', {0, 1, 4}));
  EXPECT_FATAL_IN(s.b_load(n.c_str()), d, head + "premiere colonne avant 1 en 2)");
  write(n, dump_bytes('R', {0, 3}, 2));
  EXPECT_FATAL_IN(v.b_load(n.c_str()), d, head + "premier indice avant 1 en 1)");
  write(n, dump_bytes('R', {0}, -5));
  EXPECT_FATAL_IN(v.b_load(n.c_str()), d, head + "dimension -5)");
  write(n, "GD\n0 1\n0\nx\n");
  EXPECT_FATAL_IN(g.a_load(n.c_str()), d, head + "entree illisible 1)");
  write(n, "GD\n0 1\n0\n2\n");
  EXPECT_FATAL_IN(g.a_load(n.c_str()), d, head + "longueur de ligne paire en 1)");
  write(n, "GD\n3\n");
  EXPECT_FATAL_IN(g.a_load(n.c_str()), d, "Bornes illisibles dans le fichier: " + n);
  write(n, "");
  EXPECT_FATAL_EXACT(g.a_load(n.c_str()), FMT_SYM);
}

TEST(ProfilIoDeathTest, CountsBeyondTheDataAreRefusedBeforeAllocating) {
  TempDir d;
  std::string const n = d.path("big");
  std::string const too_big = "Taille incorrecte dans le fichier: " + n;
  skygmatrix<double> g;
  skyhrectmatrix<double> h;
  // A billion profile entries announced, none present.
  write(n, octets().c('G').c('D').i(0).i(1000000000).s);
  EXPECT_FATAL_IN(g.b_load(n.c_str()), d, too_big);
  write(n, "GD\n0 1000000000\n0\n");
  EXPECT_FATAL_IN(g.a_load(n.c_str()), d, too_big);
  write(n, octets().c('G').c('D').i(0).i(INT_MAX).s);
  EXPECT_FATAL_IN(g.b_load(n.c_str()), d, too_big);
  // A valid profile of 2e9 stored values (16 GB), none present.
  std::string const huge = dump_bytes('R', {0, 2000000000}, 2000000000);
  write(n, huge);
  EXPECT_FATAL_IN(h.b_load(n.c_str()), d, too_big);
  // Streams of unknown length are read in bounded pieces until they end.
  write_gz(n + ".gz", huge);
  EXPECT_FATAL_IN(h.b_load((n + ".gz").c_str()), d, "Fin de fichier prematuree: " + n + ".gz");
  EXPECT_EXIT(
      {
        FILE* fp = popen(("cat " + n).c_str(), "r");
        h.b_load(fp);
      },
      ::testing::ExitedWithCode(1), fatal_re("Fin de fichier prematuree"));
}

TEST(ProfilIoDeathTest, TruncatedFilesStopNamingTheFile) {
  TempDir d;
  std::string const n = d.path("cut"), z = d.path("cut.gz");
  skysmatrix<double> s;
  std::mt19937 gen(3);
  skysmatrix<double> big(random_sym_profile(400, 20, gen));
  fill_sym<double>(big, gen);
  for (int enc = 0; enc < 3; ++enc) {
    SCOPED_TRACE(enc);
    if (enc == 0) big.a_dump(n.c_str()), big.a_dump(z.c_str());
    if (enc == 1) big.b_dump(n.c_str()), big.b_dump(z.c_str());
    if (enc == 2) big.f_dump(n.c_str()), big.f_dump(z.c_str());
    std::size_t const cut = enc == 0 ? 60 : 5;  // a partial last text line still reads
    std::string b = read_file(n);
    write(n, b.substr(0, b.size() - cut));
    std::string c = contents(z, 1);
    write_gz(z, c.substr(0, c.size() - cut));
    auto load = [&](std::string const& name) {
      if (enc == 0) s.a_load(name.c_str());
      if (enc == 1) s.b_load(name.c_str());
      if (enc == 2) s.f_load(name.c_str());
    };
    EXPECT_EXIT(load(n), ::testing::ExitedWithCode(1),
                "(Fin de fichier prematuree|Taille incorrecte dans le fichier): " + named(d, n));
    EXPECT_FATAL_IN(load(z), d, "Fin de fichier prematuree: " + z);
    // A compressed stream cut inside the deflate data.
    std::string gzb = read_file(z);
    write(z, gzb.substr(0, gzb.size() / 2));
    EXPECT_EXIT(load(z), ::testing::ExitedWithCode(1),
                "(Fin de fichier prematuree|Erreur de lecture de fichier): " + named(d, z));
  }
}

TEST(ProfilIoDeathTest, RecordsBeyondTheirLengthMarkerAreRefused) {
  TempDir d;
  std::string const n = d.path("big");
  gvector<int> p(0, 20000);
  for (int i = 0; i <= 20000; ++i) p[i] = i;
  skygmatrix<double> diag(p);  // 20000^2 doubles do not fit a 32-bit length
  diag = 1.0;
  EXPECT_FATAL_IN(diag.f_save(n.c_str()), d, "Enregistrement trop long pour le fichier: " + n);
  gvector<int> q(0, 25000);
  for (int i = 0; i <= 25000; ++i) q[i] = i;
  skysmatrix<float> big(q);
  big = 1.0f;
  EXPECT_FATAL_IN(big.c3d_profil(n.c_str()), d, "Enregistrement trop long pour le fichier: " + n);
  EXPECT_FATAL_IN(big.c3d_val(n.c_str()), d, "Enregistrement trop long pour le fichier: " + n);
}

TEST(ProfilIoDeathTest, OpenFailuresOfPlainAndCompressedFiles) {
  char const* const out = "/nonexistent/dir/m";
  char const* const outz = "/nonexistent/dir/m.gz";
  skygmatrix<double> g = general2();
  skysmatrix<double> s = sym2();
  skyhrectmatrix<double> h = hrect();
  for (char const* name : {out, outz}) {
    EXPECT_FATAL(g.a_save(name), 1, "Erreur d'ouverture de fichier de sortie");
    EXPECT_FATAL(g.b_dump(name), 1, "Erreur d'ouverture de fichier de sortie");
    EXPECT_FATAL(s.at_save(name), 1, "Erreur d'ouverture de fichier de sortie");
    EXPECT_FATAL(h.f_save(name), 1, "Erreur d'ouverture de fichier de sortie");
    EXPECT_FATAL(g.f_load(name), 1, "Erreur d'ouverture de fichier de lecture");
    EXPECT_FATAL(s.a_load(name), 1, "Erreur d'ouverture de fichier de lecture");
    EXPECT_FATAL(h.b_load(name), 1, "Erreur d'ouverture de fichier de lecture");
  }
  EXPECT_FATAL(g.sum_lines(out), 1, "Erreur d'ouverture de fichier de sortie");
  std::string const plot = std::string("Erreur d'ouverture du fichier ") + out + " pour ecriture\n";
  EXPECT_FATAL(g.gr_profil(out, 0, 0), 1, plot);
  EXPECT_FATAL(s.gr_profil(out, 0, 0), 1, plot);
  EXPECT_FATAL(g.c3d_profil(out), 1, plot);
  EXPECT_FATAL(g.c3d_val(out), 1, plot);
  EXPECT_FATAL(h.gr_profil(out, 0, 0), 1, plot);
  EXPECT_FATAL(h.c3d_val(out), 1, plot);
}

TEST(ProfilIoDeathTest, FailedWritesAreNotSuccess) {
  char const* const full = "/dev/full";
  std::string const msg = "Erreur d'ecriture de fichier: /dev/full";
  skygmatrix<double> g = general2();
  skysmatrix<double> s = sym2();
  skyvrectmatrix<double> v(prof({0, 1}), 2);
  v = 2.0;
  EXPECT_FATAL(g.a_save(full), 1, msg);
  EXPECT_FATAL(g.a_dump(full), 1, msg);
  EXPECT_FATAL(g.b_save(full), 1, msg);
  EXPECT_FATAL(g.f_dump(full), 1, msg);
  EXPECT_FATAL(s.at_save(full), 1, msg);
  EXPECT_FATAL(s.b_dump(full), 1, msg);
  EXPECT_FATAL(v.a_dump(full), 1, msg);
  EXPECT_FATAL(v.f_save(full), 1, msg);
  EXPECT_FATAL(g.sum_lines(full), 1, msg);
  EXPECT_FATAL(g.gr_profil(full, 0, 0), 1, msg);
  EXPECT_FATAL(s.c3d_profil(full), 1, msg);
  EXPECT_FATAL(v.c3d_val(full), 1, msg);
  EXPECT_FATAL(v.gr_profil(full, 0, 0), 1, msg);
  // Stream forms report the failure too, without a name to give.
  EXPECT_FATAL(
      {
        FILE* fp = std::fopen(full, "w");
        g.b_dump(fp);
      },
      1, "Erreur d'ecriture de fichier");
  EXPECT_FATAL(
      {
        FILE* fp = std::fopen(full, "w");
        s.sum_lines(fp);
      },
      1, "Erreur d'ecriture de fichier");
}

// Damaged dumps: every load either succeeds or stops with status 1, never
// crashes (the sanitizer build checks the accesses).
TEST(ProfilIoDeathTest, DamagedDumpsLoadOrStopCleanly) {
  TempDir d;
  std::mt19937 gen(11);
  skygmatrix<double> g(random_general_profile(12, 3, gen));
  fill_general(g, gen);
  skyvrectmatrix<float> v(random_rect_profile(6, 5, gen), 5);
  v = 1.5f;
  // Sanitizer reports must not pass for the clean status 1.
  setenv("ASAN_OPTIONS", "exitcode=99:detect_leaks=0", 1);
  setenv("UBSAN_OPTIONS", "exitcode=98", 1);
  auto clean = [](int st) {
    return WIFEXITED(st) && (WEXITSTATUS(st) == 0 || WEXITSTATUS(st) == 1);
  };
  std::string const n = d.path("x");
  for (int enc = 0; enc < 3; ++enc)
    for (int cls = 0; cls < 2; ++cls) {
      if (cls == 0)
        enc == 0 ? g.a_dump(n.c_str()) : enc == 1 ? g.b_dump(n.c_str()) : g.f_dump(n.c_str());
      if (cls == 1)
        enc == 0 ? v.a_dump(n.c_str()) : enc == 1 ? v.b_dump(n.c_str()) : v.f_dump(n.c_str());
      std::string const good = read_file(n);
      for (int t = 0; t < 12; ++t) {
        std::string bad = good;
        std::size_t const k = std::uniform_int_distribution<std::size_t>(
            0, std::min<std::size_t>(good.size(), 80) - 1)(gen);
        bad[k] = char(std::uniform_int_distribution<int>(0, 255)(gen));
        write(n, bad);
        EXPECT_EXIT(
            {
              skygmatrix<double> a;
              skyvrectmatrix<float> b;
              if (cls == 0)
                enc == 0   ? a.a_load(n.c_str())
                : enc == 1 ? a.b_load(n.c_str())
                           : a.f_load(n.c_str());
              if (cls == 1)
                enc == 0   ? b.a_load(n.c_str())
                : enc == 1 ? b.b_load(n.c_str())
                           : b.f_load(n.c_str());
              std::exit(0);
            },
            clean, "");
      }
    }
}

}  // namespace
