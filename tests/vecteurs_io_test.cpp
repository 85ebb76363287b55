#include "vecteurs.h"

#include <cstdint>
#include <random>
#include <string>

#include <zlib.h>

#include "gzutils.h"
#include "test_util.h"

namespace {

// Values exact in every text form (6 decimals at least).
template <class T>
T val(int k) {
  if constexpr (std::is_same_v<T, int>)
    return 3 * k - 7;
  else if constexpr (std::is_same_v<T, std::complex<double>>)
    return T(0.5 * k - 1, -0.25 * k);
  else
    return T(0.25 * k - 1.5);
}

template <class T>
gvector<T> sample(int lo, int hi) {
  gvector<T> v(lo, hi);
  for (int i = lo; i <= hi; ++i) v[i] = val<T>(i * 7 + 3);
  return v;
}

template <class T>
void expect_same(const gcolect<T>& a, const gcolect<T>& b) {
  ASSERT_EQ(a.imin(), b.imin());
  ASSERT_EQ(a.imax(), b.imax());
  for (int i = a.imin(); i <= a.imax(); ++i) EXPECT_EQ(a[i], b[i]) << "index " << i;
}

}  // namespace

template <class T>
class CollectionFileTest : public ::testing::Test {};
TYPED_TEST_SUITE(CollectionFileTest, AllScalars);

TYPED_TEST(CollectionFileTest, RoundTripsByNameKeepingBounds) {
  TempDir d;
  gvector<TypeParam> v = sample<TypeParam>(-2, 2);
  for (Enc e : {TXT, RAW, REC}) {
    for (char const* n : {"v.dat", "v.gz", "v.gz.txt"}) {
      std::string name = d.path(n);
      save(v, e, name.c_str());
      gvector<TypeParam> w(5, 9);
      load(w, e, name.c_str());
      SCOPED_TRACE(n);
      expect_same(v, w);
    }
  }
}

TYPED_TEST(CollectionFileTest, SeveralObjectsShareOneStream) {
  TempDir d;
  gvector<TypeParam> a = sample<TypeParam>(1, 3), b = sample<TypeParam>(-2, 2),
                     c = sample<TypeParam>(0, 0);
  gvector<TypeParam> e;  // empty: 0..-1
  std::string plain = d.path("s.bin"), comp = d.path("s.gz");
  FILE* fp = std::fopen(plain.c_str(), "w");
  gzFile z = gzopen(comp.c_str(), "wb9");
  for (Enc en : {TXT, RAW, REC}) {
    for (auto* v : {&a, &b, &e, &c}) {
      save(*v, en, fp);
      save(*v, en, static_cast<void*>(z));
    }
  }
  std::fclose(fp);
  gzclose(z);
  fp = std::fopen(plain.c_str(), "r");
  z = gzopen(comp.c_str(), "rb");
  for (Enc en : {TXT, RAW, REC}) {
    for (auto* v : {&a, &b, &e, &c}) {
      gvector<TypeParam> w(1, 1), x(1, 1);
      load(w, en, fp);
      load(x, en, static_cast<void*>(z));
      expect_same(*v, w);
      expect_same(*v, x);
    }
  }
  EXPECT_EQ(std::fgetc(fp), EOF);
  char ch;
  EXPECT_EQ(gzread(z, &ch, 1), 0);
  std::fclose(fp);
  gzclose(z);
}

TYPED_TEST(CollectionFileTest, CompressedFilesHoldThePlainBytes) {
  TempDir d;
  gvector<TypeParam> v = sample<TypeParam>(-1, 5);
  v.b_save(d.path("r.bin").c_str());
  v.b_save(d.path("r.gz").c_str());
  EXPECT_EQ(gunzip(d.path("r.gz")), read_file(d.path("r.bin")));
  v.f_save(d.path("f.bin").c_str());
  v.f_save(d.path("f.gz").c_str());
  EXPECT_EQ(gunzip(d.path("f.gz")), read_file(d.path("f.bin")));
  EXPECT_EQ(read_file(d.path("r.bin")).size(), 10 + 7 * sizeof(TypeParam));
  EXPECT_EQ(read_file(d.path("f.bin")).size(), 34 + 7 * sizeof(TypeParam));
}

TYPED_TEST(CollectionFileTest, TextFormsAreAprintAndTostr) {
  TempDir d;
  gvector<TypeParam> v = sample<TypeParam>(0, 3);
  v[1] = val<TypeParam>(1000001);
  std::string head = std::string("V") + ptype(TypeParam()) + "\n0 3\n";
  std::string plain = head, comp = head;
  for (int i = 0; i <= 3; ++i) {
    TypeParam x = v[i];
    plain += written_by([&](FILE* fp) { aprint(fp, x); }) + "\n";
    char t[TOSTR_MAX];
    comp += std::string(t, std::size_t(tostr(t, x))) + "\n";
  }
  v.a_save(d.path("t.txt").c_str());
  v.a_save(d.path("t.gz").c_str());
  EXPECT_EQ(read_file(d.path("t.txt")), plain);
  EXPECT_EQ(gunzip(d.path("t.gz")), comp);
}

TYPED_TEST(CollectionFileTest, EmptyCollectionsRoundTrip) {
  TempDir d;
  gvector<TypeParam> e;
  for (Enc en : {TXT, RAW, REC}) {
    for (char const* n : {"e.dat", "e.gz"}) {
      save(e, en, d.path(n).c_str());
      gvector<TypeParam> w = sample<TypeParam>(1, 4);
      load(w, en, d.path(n).c_str());
      EXPECT_TRUE(w.empty());
    }
  }
  EXPECT_EQ(read_file(d.path("e.dat")).size(), 34u);
}

TEST(CollectionFileTest, DvectorExactLayouts) {
  TempDir d;
  dvector v(1, 2);
  v[1] = 1.5;
  v[2] = -2;
  v.a_save(d.path("v.txt").c_str());
  EXPECT_EQ(read_file(d.path("v.txt")), "VD\n1 2\n        1.5000000000 \n       -2.0000000000 \n");
  v.a_save(d.path("v.gz").c_str());
  EXPECT_EQ(gunzip(d.path("v.gz")), "VD\n1 2\n1.500000 \n-2.000000 \n");
  v.b_save(d.path("v.bin").c_str());
  std::string b = read_file(d.path("v.bin"));
  ASSERT_EQ(b.size(), 26u);
  int bo[2];
  double x[2];
  std::memcpy(bo, b.data() + 2, 8);
  std::memcpy(x, b.data() + 10, 16);
  EXPECT_EQ(b.substr(0, 2), "VD");
  EXPECT_EQ(bo[0], 1);
  EXPECT_EQ(bo[1], 2);
  EXPECT_EQ(x[0], 1.5);
  EXPECT_EQ(x[1], -2.0);
  v.f_save(d.path("v.rec").c_str());
  std::string f = read_file(d.path("v.rec"));
  ASSERT_EQ(f.size(), 50u);
  int m[9];
  std::memcpy(&m[0], f.data(), 4);
  std::memcpy(&m[1], f.data() + 6, 4);
  std::memcpy(&m[2], f.data() + 10, 16);
  std::memcpy(&m[6], f.data() + 26, 4);
  std::memcpy(&m[7], f.data() + 46, 4);
  EXPECT_EQ(f.substr(4, 2), "VD");
  EXPECT_EQ(m[0], 2);
  EXPECT_EQ(m[1], 2);
  EXPECT_EQ(m[2], 8);
  EXPECT_EQ(m[3], 1);
  EXPECT_EQ(m[4], 2);
  EXPECT_EQ(m[5], 8);
  EXPECT_EQ(m[6], 16);
  EXPECT_EQ(m[7], 16);
  EXPECT_EQ(f.substr(30, 16), b.substr(10, 16));
}

TEST(CollectionFileTest, DumpForms) {
  TempDir d;
  ivector v(1, 2);
  v[1] = 3;
  v[2] = 4;
  FILE* fp = std::fopen(d.path("d.txt").c_str(), "w");
  v.a_dump(fp);
  std::fclose(fp);
  EXPECT_EQ(read_file(d.path("d.txt")), "3  4  \n");
  // By name: never compressed, the full text form.
  v.a_dump(d.path("d.gz").c_str());
  EXPECT_EQ(read_file(d.path("d.gz")), "VI\n1 2\n3 \n4 \n");
  // On a compressed stream: the same line in tostr forms.
  dvector w(1, 2);
  w[1] = 1.5;
  w[2] = -2;
  gzFile z = gzopen(d.path("z.gz").c_str(), "w9");
  w.a_dump(static_cast<void*>(z));
  gzclose(z);
  EXPECT_EQ(gunzip(d.path("z.gz")), "1.500000  -2.000000  \n");
}

TEST(CollectionFileTest, MalformedNumbersReadAsZero) {
  TempDir d;
  write_file(d.path("m.txt"), "VD\n1 3\nabc\n2.5\n\n");
  dvector v;
  v.a_load(d.path("m.txt").c_str());
  EXPECT_EQ(v[1], 0.0);
  EXPECT_EQ(v[2], 2.5);
  EXPECT_EQ(v[3], 0.0);
  // Last line without its newline still counts.
  write_file(d.path("n.txt"), "VI\n0 1\n7\n8");
  ivector w;
  w.a_load(d.path("n.txt").c_str());
  EXPECT_EQ(w[1], 8);
}

TEST(CollectionFileTest, LargeCompressedLoadsGrowWithTheData) {
  TempDir d;
  // More than one growth piece of each kind.
  dvector v(1, 3 * int(IO_MORCEAU / sizeof(double)) + 5);
  for (int i = v.imin(); i <= v.imax(); ++i) v[i] = i * 0.5;
  // Level 1 keeps the test fast; the loader does not care.
  gzFile z = gzopen(d.path("big.gz").c_str(), "wb1");
  v.b_save(static_cast<void*>(z));
  gzclose(z);
  dvector w;
  w.b_load(d.path("big.gz").c_str());
  expect_same(v, w);
  ivector t(0, int(IO_MORCEAU_ELEM) + 10);
  for (int i = t.imin(); i <= t.imax(); ++i) t[i] = i % 1000;
  z = gzopen(d.path("big.txt.gz").c_str(), "wb1");
  t.a_save(static_cast<void*>(z));
  gzclose(z);
  ivector u;
  u.a_load(d.path("big.txt.gz").c_str());
  expect_same(t, u);
}

namespace {
// A pipe whose reading end sees `bytes` and then the end of data.
FILE* pipe_with(const std::string& bytes) {
  int p[2];
  if (pipe(p) != 0) std::abort();
  if (write(p[1], bytes.data(), bytes.size()) != ssize_t(bytes.size())) std::abort();
  close(p[1]);
  return fdopen(p[0], "r");
}
std::string raw_header(char t, int lo, int hi) {
  std::string s = "V";
  s += t;
  s.append(reinterpret_cast<char const*>(&lo), 4);
  s.append(reinterpret_cast<char const*>(&hi), 4);
  return s;
}
}  // namespace

TEST(CollectionFileDeathTest, WrongHeadersStop) {
  TempDir d;
  dvector v(1, 2);
  v = 1.0;
  v.a_save(d.path("v.txt").c_str());
  v.a_save(d.path("v.gz").c_str());
  v.b_save(d.path("v.bin").c_str());
  v.f_save(d.path("v.rec").c_str());
  ivector w;
  EXPECT_FATAL(w.a_load(d.path("v.txt").c_str()), 1, "Load de vecteur: type incorrect");
  EXPECT_FATAL(w.a_load(d.path("v.gz").c_str()), 1, "Load de vecteur: type incorrect");
  EXPECT_FATAL(w.b_load(d.path("v.bin").c_str()), 1, "Load de vecteur: type incorrect");
  EXPECT_FATAL(w.f_load(d.path("v.rec").c_str()), 1, "Load de vecteur: type incorrect");
  write_file(d.path("x.bin"), raw_header('D', 1, 2).replace(0, 1, "X") + std::string(16, '\0'));
  EXPECT_FATAL(v.b_load(d.path("x.bin").c_str()), 1,
               "Load de vecteur: le fichier ne correspond pas a un vecteur");
  std::string rec = read_file(d.path("v.rec"));
  rec[4] = 'M';
  write_file(d.path("x.rec"), rec);
  EXPECT_FATAL(v.f_load(d.path("x.rec").c_str()), 1,
               "Load de vecteur: le fichier ne correspond pas a un vecteur");
  write_file(d.path("e.txt"), "");
  EXPECT_FATAL(v.a_load(d.path("e.txt").c_str()), 1, "Load de vecteur: type incorrect");
}

TEST(CollectionFileDeathTest, OpenFailuresStop) {
  dvector v(1, 1);
  for (char const* n : {"/nonexistent/v.dat", "/nonexistent/v.gz"}) {
    EXPECT_FATAL(v.a_load(n), 1, "Erreur d'ouverture de fichier de lecture");
    EXPECT_FATAL(v.b_load(n), 1, "Erreur d'ouverture de fichier de lecture");
    EXPECT_FATAL(v.f_load(n), 1, "Erreur d'ouverture de fichier de lecture");
    EXPECT_FATAL(v.a_save(n), 1, "Erreur d'ouverture de fichier de sortie");
    EXPECT_FATAL(v.b_save(n), 1, "Erreur d'ouverture de fichier de sortie");
    EXPECT_FATAL(v.f_save(n), 1, "Erreur d'ouverture de fichier de sortie");
    EXPECT_FATAL(v.a_dump(n), 1, "Erreur d'ouverture de fichier de sortie");
  }
}

TEST(CollectionFileDeathTest, LoadingIntoAViewStops) {
  TempDir d;
  dvector v(1, 4), w;
  v = 2.0;
  v.sub(w, 1, 2, 1);
  v.b_save(d.path("v.bin").c_str());
  EXPECT_FATAL(w.b_load(d.path("v.bin").c_str()), 1,
               "Tentative de redimensioner un sous-vecteur\n");
}

TEST(CollectionFileDeathTest, ShortOrOversizedFilesStop) {
  TempDir d;
  dvector v(1, 4);
  v = 2.0;
  v.b_save(d.path("v.bin").c_str());
  v.f_save(d.path("v.rec").c_str());
  dvector r(1, 20000);
  std::mt19937_64 g(3);
  for (int i = 1; i <= r.imax(); ++i) r[i] = double(g());
  r.b_save(d.path("gzfull.gz").c_str());
  std::string b = read_file(d.path("v.bin")), f = read_file(d.path("v.rec"));
  write_file(d.path("short.bin"), b.substr(0, b.size() - 3));
  write_file(d.path("short.rec"), f.substr(0, f.size() - 2));
  dvector w;
  EXPECT_FATAL(w.b_load(d.path("short.bin").c_str()), 1,
               "Taille incorrecte dans le fichier: /tmp/");
  EXPECT_FATAL(w.f_load(d.path("short.rec").c_str()), 1, "Fin de fichier prematuree: /tmp/");
  write_file(d.path("hdr.bin"), b.substr(0, 7));
  EXPECT_FATAL(w.b_load(d.path("hdr.bin").c_str()), 1, "Fin de fichier prematuree: /tmp/");
  // A header promising two billion doubles: refused before allocating.
  write_file(d.path("huge.bin"), raw_header('D', 1, 2000000000) + std::string(64, '\0'));
  EXPECT_FATAL(w.b_load(d.path("huge.bin").c_str()), 1, "Taille incorrecte dans le fichier: /tmp/");
  gzFile z = gzopen(d.path("huge.gz").c_str(), "wb9");
  std::string h = raw_header('D', 1, 2000000000) + std::string(64, '\0');
  gzwrite(z, h.data(), unsigned(h.size()));
  gzclose(z);
  EXPECT_FATAL(w.b_load(d.path("huge.gz").c_str()), 1, "Fin de fichier prematuree: /tmp/");
  EXPECT_FATAL(w.b_load(pipe_with(h)), 1, "Fin de fichier prematuree\n");
  // A compressed file cut short.
  std::string gzb = read_file(d.path("gzfull.gz"));
  write_file(d.path("cut.gz"), gzb.substr(0, gzb.size() / 2));
  EXPECT_FATAL(w.b_load(d.path("cut.gz").c_str()), 1, "Fin de fichier prematuree: /tmp/");
  write_file(d.path("inv.bin"), raw_header('D', 5, 2));
  EXPECT_FATAL(w.b_load(d.path("inv.bin").c_str()), 1, "Taille incorrecte dans le fichier: /tmp/");
  write_file(d.path("ovf.txt"), "VD\n-2147483648 2147483647\n");
  EXPECT_FATAL(w.a_load(d.path("ovf.txt").c_str()), 1, "Taille incorrecte dans le fichier: /tmp/");
  write_file(d.path("big.txt"), "VD\n1 100\n1\n2\n");
  EXPECT_FATAL(w.a_load(d.path("big.txt").c_str()), 1, "Taille incorrecte dans le fichier: /tmp/");
  write_file(d.path("early.txt"), "VD\n1 3\n1.5\n2.5\n");
  EXPECT_FATAL(w.a_load(d.path("early.txt").c_str()), 1, "Fin de fichier prematuree: /tmp/");
  EXPECT_FATAL(w.a_load(pipe_with("VD\n1 2000000000\n1.5\n2.5\n")), 1,
               "Fin de fichier prematuree\n");
  write_file(d.path("nob.txt"), "VD\nx y\n1\n");
  EXPECT_FATAL(w.a_load(d.path("nob.txt").c_str()), 1, "Bornes illisibles dans le fichier: /tmp/");
  write_file(d.path("one.txt"), "VD\n1\n");
  EXPECT_FATAL(w.a_load(d.path("one.txt").c_str()), 1, "Bornes illisibles dans le fichier: /tmp/");
}

TEST(CollectionFileDeathTest, FailedWritesStop) {
  dvector v(1, 3);
  v = 1.0;
  EXPECT_FATAL(v.a_save("/dev/full"), 1, "Erreur d'ecriture de fichier: /dev/full\n");
  EXPECT_FATAL(v.b_save("/dev/full"), 1, "Erreur d'ecriture de fichier: /dev/full\n");
  EXPECT_FATAL(v.f_save("/dev/full"), 1, "Erreur d'ecriture de fichier: /dev/full\n");
  EXPECT_FATAL(v.a_dump("/dev/full"), 1, "Erreur d'ecriture de fichier: /dev/full\n");
  EXPECT_FATAL(v.b_save(std::fopen("/dev/full", "w")), 1, "Erreur d'ecriture de fichier\n");
  EXPECT_FATAL(v.a_dump(std::fopen("/dev/full", "w")), 1, "Erreur d'ecriture de fichier\n");
  // Compressed: zlib writes once its buffer is full.
  dvector big(1, 1 << 20);
  std::mt19937_64 g(1);
  for (int i = 1; i <= big.imax(); ++i) big[i] = double(g());
  EXPECT_FATAL(big.b_save(static_cast<void*>(gzopen("/dev/full", "wb9"))), 1,
               "Erreur d'ecriture de fichier\n");
  EXPECT_FATAL(big.a_save(static_cast<void*>(gzopen("/dev/full", "wb9"))), 1,
               "Erreur d'ecriture de fichier\n");
}

template <class T>
class OrderedFileTest : public ::testing::Test {};
TYPED_TEST_SUITE(OrderedFileTest, RealScalars);

TYPED_TEST(OrderedFileTest, OrderedVectorsRoundTrip) {
  TempDir d;
  ovector<TypeParam> v(sample<TypeParam>(-2, 2));
  for (Enc e : {TXT, RAW, REC}) {
    for (char const* n : {"o.dat", "o.gz"}) {
      save(v, e, d.path(n).c_str());
      ovector<TypeParam> w;
      load(w, e, d.path(n).c_str());
      expect_same(v, w);
      EXPECT_TRUE(v <= w && v >= w);
    }
  }
}
