#include "matrices.h"

#include <cstring>
#include <string>

#include <zlib.h>

#include "gzutils.h"
#include "test_util.h"

namespace {

template <class T>
T val(int k) {
  if constexpr (std::is_same_v<T, int>)
    return 5 * k - 11;
  else if constexpr (std::is_same_v<T, std::complex<double>>)
    return T(0.5 * k - 1, 0.125 * k);
  else
    return T(0.25 * k - 2.5);
}

template <class T>
gmatrix<T> sample(int ri, int rj, int ci, int cj) {
  gmatrix<T> m(ri, rj, ci, cj);
  for (int i = ri; i <= rj; ++i)
    for (int j = ci; j <= cj; ++j) m(i, j) = val<T>(7 * i + j);
  return m;
}

template <class T>
void expect_same(const gmatrix<T>& a, const gmatrix<T>& b) {
  ASSERT_EQ(a.imin(), b.imin());
  ASSERT_EQ(a.imax(), b.imax());
  ASSERT_EQ(a.jmin(), b.jmin());
  ASSERT_EQ(a.jmax(), b.jmax());
  for (int i = a.imin(); i <= a.imax(); ++i)
    for (int j = a.jmin(); j <= a.jmax(); ++j) EXPECT_EQ(a(i, j), b(i, j)) << i << "," << j;
}

std::string header(char c, char t, std::initializer_list<int> ints) {
  std::string s;
  s += c;
  s += t;
  for (int i : ints) s.append(reinterpret_cast<char const*>(&i), 4);
  return s;
}

}  // namespace

template <class T>
class MatrixFileTest : public ::testing::Test {};
TYPED_TEST_SUITE(MatrixFileTest, AllScalars);

TYPED_TEST(MatrixFileTest, RoundTripsByNameKeepingBounds) {
  TempDir d;
  gmatrix<TypeParam> m = sample<TypeParam>(-1, 2, 0, 2);
  for (Enc e : {TXT, RAW, REC}) {
    for (char const* n : {"m.dat", "m.gz", "m.GZ"}) {
      save(m, e, d.path(n).c_str());
      gmatrix<TypeParam> r(1, 1, 1, 1);
      load(r, e, d.path(n).c_str());
      SCOPED_TRACE(n);
      expect_same(m, r);
      EXPECT_EQ(r.state(), normal);
    }
  }
}

TYPED_TEST(MatrixFileTest, SeveralMatricesShareOneStream) {
  TempDir d;
  gmatrix<TypeParam> a = sample<TypeParam>(1, 2, 1, 3), b = sample<TypeParam>(0, 0, -3, -1);
  gmatrix<TypeParam> e, nocol(1, 3, 0, -1);
  FILE* fp = std::fopen(d.path("s").c_str(), "w");
  gzFile z = gzopen(d.path("s.gz").c_str(), "wb9");
  for (Enc en : {TXT, RAW, REC})
    for (auto* m : {&a, &e, &b, &nocol}) {
      save(*m, en, fp);
      save(*m, en, static_cast<void*>(z));
    }
  std::fclose(fp);
  gzclose(z);
  fp = std::fopen(d.path("s").c_str(), "r");
  z = gzopen(d.path("s.gz").c_str(), "rb");
  for (Enc en : {TXT, RAW, REC})
    for (auto* m : {&a, &e, &b, &nocol}) {
      gmatrix<TypeParam> x, y;
      load(x, en, fp);
      load(y, en, static_cast<void*>(z));
      expect_same(*m, x);
      expect_same(*m, y);
    }
  EXPECT_EQ(std::fgetc(fp), EOF);
  std::fclose(fp);
  gzclose(z);
}

TYPED_TEST(MatrixFileTest, CompressedFilesHoldThePlainBytes) {
  TempDir d;
  gmatrix<TypeParam> m = sample<TypeParam>(1, 3, 1, 2);
  m.b_save(d.path("r").c_str());
  m.b_save(d.path("r.gz").c_str());
  EXPECT_EQ(gunzip(d.path("r.gz")), read_file(d.path("r")));
  m.f_save(d.path("f").c_str());
  m.f_save(d.path("f.gz").c_str());
  EXPECT_EQ(gunzip(d.path("f.gz")), read_file(d.path("f")));
  EXPECT_EQ(read_file(d.path("r")).size(), 18 + 6 * sizeof(TypeParam));
  EXPECT_EQ(read_file(d.path("f")).size(), 42 + 6 * sizeof(TypeParam));
}

TEST(MatrixFileTest, DoubleMatrixExactLayouts) {
  TempDir d;
  gmatrix<double> m(1, 2, 1, 2);
  m(1, 1) = 1;
  m(1, 2) = -2.5;
  m(2, 1) = 0.125;
  m(2, 2) = 4;
  m.a_save(d.path("m.txt").c_str());
  EXPECT_EQ(read_file(d.path("m.txt")),
            "MD\n1 2 1 2\n        1.0000000000 \n       -2.5000000000 \n"
            "        0.1250000000 \n        4.0000000000 \n");
  m.a_save(d.path("m.gz").c_str());
  EXPECT_EQ(gunzip(d.path("m.gz")), "MD\n1 2 1 2\n1.000000 \n-2.500000 \n0.125000 \n4.000000 \n");
  m.b_save(d.path("m.bin").c_str());
  std::string b = read_file(d.path("m.bin"));
  ASSERT_EQ(b.size(), 50u);
  EXPECT_EQ(b.substr(0, 18), header('M', 'D', {1, 2, 1, 2}));
  double x[4];
  std::memcpy(x, b.data() + 18, 32);
  EXPECT_EQ(x[1], -2.5);
  EXPECT_EQ(x[2], 0.125);
  m.f_save(d.path("m.rec").c_str());
  std::string f = read_file(d.path("m.rec"));
  ASSERT_EQ(f.size(), 74u);
  int two = 2, sixteen = 16, l = 32;
  std::string want;
  want.append(reinterpret_cast<char*>(&two), 4);
  want += "MD";
  want.append(reinterpret_cast<char*>(&two), 4);
  want.append(reinterpret_cast<char*>(&sixteen), 4);
  want += header('M', 'D', {1, 2, 1, 2}).substr(2);
  want.append(reinterpret_cast<char*>(&sixteen), 4);
  want.append(reinterpret_cast<char*>(&l), 4);
  want += b.substr(18);
  want.append(reinterpret_cast<char*>(&l), 4);
  EXPECT_EQ(f, want);
}

TEST(MatrixFileTest, DumpForms) {
  TempDir d;
  gmatrix<int> m(1, 2, 1, 3);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j) m(i, j) = 10 * i + j;
  FILE* fp = std::fopen(d.path("d").c_str(), "w");
  m.a_dump(fp);
  std::fclose(fp);
  EXPECT_EQ(read_file(d.path("d")), "11  12  13  \n21  22  23  \n");
  m.a_dump(d.path("m.txt").c_str());
  EXPECT_EQ(read_file(d.path("m.txt")), "MI\n1 2 1 3\n11 \n12 \n13 \n21 \n22 \n23 \n");
  m.a_dump(d.path("m.txt.gz").c_str());
  EXPECT_EQ(gunzip(d.path("m.txt.gz")), "11 \n12 \n13 \n21 \n22 \n23 \n");
  gzFile z = gzopen(d.path("z.gz").c_str(), "w9");
  m.a_dump(static_cast<void*>(z));
  gzclose(z);
  EXPECT_EQ(gunzip(d.path("z.gz")), "11 \n12 \n13 \n21 \n22 \n23 \n");
}

TEST(MatrixFileTest, LoadingResetsAFactorizedMatrix) {
  TempDir d;
  gmatrix<double> m(1, 2, 1, 2);
  m(1, 1) = 4;
  m(1, 2) = 1;
  m(2, 1) = 2;
  m(2, 2) = 3;
  m.b_save(d.path("m").c_str());
  gmatrix<double> f(m);
  f.gauss();
  ASSERT_EQ(f.state(), factors_gauss);
  f.b_load(d.path("m").c_str());
  EXPECT_EQ(f.state(), normal);
  expect_same(m, f);
}

TEST(MatrixFileDeathTest, WrongHeadersStop) {
  TempDir d;
  gmatrix<float> m = sample<float>(1, 2, 1, 2);
  m.a_save(d.path("f.txt").c_str());
  m.a_save(d.path("f.gz").c_str());
  m.b_save(d.path("f.bin").c_str());
  m.f_save(d.path("f.rec").c_str());
  gmatrix<double> r;
  EXPECT_FATAL(r.a_load(d.path("f.txt").c_str()), 1, "Load de matrice: erreur de type");
  EXPECT_FATAL(r.a_load(d.path("f.gz").c_str()), 1, "Load de matrice: erreur de type");
  EXPECT_FATAL(r.b_load(d.path("f.bin").c_str()), 1, "Type incorrect dans le load d'une matrice");
  EXPECT_FATAL(r.f_load(d.path("f.rec").c_str()), 1, "Type incorrect dans le load d'une matrice");
  write_file(d.path("v.txt"), "VD\n1 2\n");
  EXPECT_FATAL(r.a_load(d.path("v.txt").c_str()), 1, "Load de matrice: erreur de fichier d'entre");
  write_file(d.path("e.txt"), "");
  EXPECT_FATAL(r.a_load(d.path("e.txt").c_str()), 1, "Load de matrice: erreur de fichier d'entre");
  write_file(d.path("v.bin"), header('V', 'D', {1, 1, 1, 1}) + std::string(8, '\0'));
  EXPECT_FATAL(r.b_load(d.path("v.bin").c_str()), 1, "Load de matrice: erreur de fichier d'entre");
  std::string rec = read_file(d.path("f.rec"));
  rec[4] = 'V';
  write_file(d.path("v.rec"), rec);
  EXPECT_FATAL(r.f_load(d.path("v.rec").c_str()), 1,
               "Erreur de load d'une matrice: fichier incorrect");
}

TEST(MatrixFileDeathTest, OpenFailuresStop) {
  gmatrix<double> m(1, 1, 1, 1);
  for (char const* n : {"/nonexistent/m.dat", "/nonexistent/m.gz"}) {
    EXPECT_FATAL(m.a_load(n), 1, "Load de matrice: Erreur d'ouverture de fichier");
    EXPECT_FATAL(m.b_load(n), 1, "Load de matrice: Erreur d'ouverture de fichier");
    EXPECT_FATAL(m.f_load(n), 1, "Load de matrice: Erreur d'ouverture de fichier");
    EXPECT_FATAL(m.a_save(n), 1, "Erreur d'ouverture de fichier de sortie");
    EXPECT_FATAL(m.a_dump(n), 1, "Erreur d'ouverture de fichier de sortie");
    EXPECT_FATAL(m.b_save(n), 1, "Erreur d'ouverture de fichier de sortie");
    EXPECT_FATAL(m.f_save(n), 1, "Erreur d'ouverture de fichier de sortie");
  }
}

TEST(MatrixFileDeathTest, BadSizesAndShortFilesStop) {
  TempDir d;
  gmatrix<double> r;
  // 65536 x 65536 elements: the count does not fit an int.
  write_file(d.path("ovf.bin"), header('M', 'D', {1, 65536, 1, 65536}) + std::string(8, '\0'));
  EXPECT_FATAL(r.b_load(d.path("ovf.bin").c_str()), 1, "Taille incorrecte dans le fichier: /tmp/");
  write_file(d.path("inv.bin"), header('M', 'D', {1, 2, 5, 1}));
  EXPECT_FATAL(r.b_load(d.path("inv.bin").c_str()), 1, "Taille incorrecte dans le fichier: /tmp/");
  write_file(d.path("big.bin"), header('M', 'D', {1, 10000, 1, 10000}) + std::string(8, '\0'));
  EXPECT_FATAL(r.b_load(d.path("big.bin").c_str()), 1, "Taille incorrecte dans le fichier: /tmp/");
  gzFile z = gzopen(d.path("big.gz").c_str(), "wb9");
  std::string h = header('M', 'D', {1, 10000, 1, 10000}) + std::string(8, '\0');
  gzwrite(z, h.data(), unsigned(h.size()));
  gzclose(z);
  EXPECT_FATAL(r.b_load(d.path("big.gz").c_str()), 1, "Fin de fichier prematuree: /tmp/");
  write_file(d.path("early.txt"), "MD\n1 2 1 2\n1\n2\n3\n");
  EXPECT_FATAL(r.a_load(d.path("early.txt").c_str()), 1, "Fin de fichier prematuree: /tmp/");
  write_file(d.path("nob.txt"), "MD\n1 2 1\n1\n2\n3\n");
  EXPECT_FATAL(r.a_load(d.path("nob.txt").c_str()), 1, "Bornes illisibles dans le fichier: /tmp/");
  gmatrix<double> m = sample<double>(1, 2, 1, 2);
  m.f_save(d.path("m.rec").c_str());
  std::string f = read_file(d.path("m.rec"));
  write_file(d.path("short.rec"), f.substr(0, 20));
  EXPECT_FATAL(r.f_load(d.path("short.rec").c_str()), 1, "Fin de fichier prematuree: /tmp/");
}

TEST(MatrixFileDeathTest, FailedWritesStop) {
  gmatrix<double> m = sample<double>(1, 2, 1, 2);
  EXPECT_FATAL(m.a_save("/dev/full"), 1, "Erreur d'ecriture de fichier: /dev/full\n");
  EXPECT_FATAL(m.b_save("/dev/full"), 1, "Erreur d'ecriture de fichier: /dev/full\n");
  EXPECT_FATAL(m.f_save("/dev/full"), 1, "Erreur d'ecriture de fichier: /dev/full\n");
  EXPECT_FATAL(m.a_dump(std::fopen("/dev/full", "w")), 1, "Erreur d'ecriture de fichier\n");
}
