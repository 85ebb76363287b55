// Tests of the mesh class: model, accessors, mesh viewer files.
#include "maillage.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <utility>

#include "kadro_bytes.h"
#include "mesh_probe.h"
#include "test_util.h"

namespace {

gvector<int> bounds(std::initializer_list<int> v) {
  gvector<int> s(0, static_cast<int>(v.size()) - 1);
  int k = 0;
  for (int b : v) s[k++] = b;
  return s;
}

// nv vertices on a line (x = i, y = 10 i, z = -i when 3D), tags 100 + i,
// ne elements with nodes (e, e+1, ..., e+t-1) modulo nv.
probe line_mesh(int nv, int nd, int ne, int t, char const* title) {
  gmatrix<float> som(1, nv, 1, nd);
  for (int i = 1; i <= nv; ++i) {
    som(i, 1) = static_cast<float>(i) + 0.25f;
    if (nd > 1) som(i, 2) = 10.0f * i;
    if (nd > 2) som(i, 3) = -static_cast<float>(i);
  }
  gmatrix<int> elem(1, ne, 1, t);
  for (int e = 1; e <= ne; ++e)
    for (int j = 1; j <= t; ++j) elem(e, j) = (e + j - 2) % nv + 1;
  gvector<int> refs(1, nv);
  for (int i = 1; i <= nv; ++i) refs[i] = 100 + i;
  return probe(std::move(som), std::move(elem), std::move(refs), title);
}

probe grid_2x1() {
  gmatrix<float> som(1, 6, 1, 2);
  for (int k = 0; k < 6; ++k) {
    som(k + 1, 1) = -0.5f + k % 3;
    som(k + 1, 2) = -0.5f + k / 3;
  }
  gmatrix<int> elem(1, 2, 1, 4);
  int const nodes[2][4] = {{1, 2, 5, 4}, {2, 3, 6, 5}};
  for (int e = 0; e < 2; ++e)
    for (int j = 0; j < 4; ++j) elem(e + 1, j + 1) = nodes[e][j];
  gvector<int> refs(1, 6);
  refs = 0;
  return probe(std::move(som), std::move(elem), std::move(refs), "grid");
}

void expect_same_mesh(maillage const& a, maillage const& b) {
  ASSERT_EQ(a.npt(), b.npt());
  ASSERT_EQ(a.ndim(), b.ndim());
  ASSERT_EQ(a.nelem(), b.nelem());
  ASSERT_EQ(a.telem(), b.telem());
  ASSERT_EQ(a.nsd(), b.nsd());
  for (int i = 1; i <= a.npt(); ++i) {
    for (int n = 1; n <= a.ndim(); ++n) EXPECT_EQ(a.xn(n, i), b.xn(n, i));
    EXPECT_EQ(a.ref(i), b.ref(i));
  }
  for (int e = 1; e <= a.nelem(); ++e) {
    for (int j = 1; j <= a.telem(); ++j) EXPECT_EQ(a.lg(e, j), b.lg(e, j));
    EXPECT_EQ(a.sd(e), b.sd(e));
  }
}

void read_mesh(std::string const& path) { maillage m(path.c_str()); }

}  // namespace

// ---------------------------------------------------------------- model

TEST(MaillageTest, DefaultMeshHasNoSize) {
  maillage m;
  EXPECT_NE(m.empty(), 0);
  EXPECT_EQ(m.npt(), 0);
  EXPECT_EQ(m.ndim(), 0);
  EXPECT_EQ(m.nelem(), 0);
  EXPECT_EQ(m.telem(), 0);
  EXPECT_EQ(m.nsd(), 0);
}

TEST(MaillageTest, FourArgumentSetMakesOneSubdomain) {
  probe m = line_mesh(8, 2, 6, 4, "t");
  EXPECT_EQ(m.stat_status, 0);
  EXPECT_EQ(m.npt(), 8);
  EXPECT_EQ(m.nelem(), 6);
  EXPECT_EQ(m.telem(), 4);
  EXPECT_EQ(m.nsd(), 1);
  EXPECT_EQ(m.sd(1), 1);
  EXPECT_EQ(m.sd(6), 1);
  EXPECT_EQ(m.sd(7), 0);
}

TEST(MaillageTest, SubdomainOfElementFollowsBounds) {
  probe m = line_mesh(5, 2, 5, 3, "t");
  m.set_maillage(m.sommets, m.elements, m.refsom, bounds({0, 3, 5}), "t");
  EXPECT_EQ(m.nsd(), 2);
  EXPECT_EQ(m.sd(0), 1);
  EXPECT_EQ(m.sd(3), 1);
  EXPECT_EQ(m.sd(4), 2);
  EXPECT_EQ(m.sd(5), 2);
  EXPECT_EQ(m.sd(6), 0);
}

TEST(MaillageTest, AccessorsReadVerticesThroughElements) {
  probe m = line_mesh(4, 3, 2, 3, "t");
  EXPECT_EQ(m.x(2), 2.25f);
  EXPECT_EQ(m.y(2), 20.0f);
  EXPECT_EQ(m.xn(3, 4), -4.0f);
  EXPECT_EQ(m.lg(2, 3), 4);
  EXPECT_EQ(m.x(2, 3), 4.25f);
  EXPECT_EQ(m.y(2, 1), 20.0f);
  EXPECT_EQ(m.xn(3, 1, 2), -2.0f);
  EXPECT_EQ(m.ref(3), 103);
}

TEST(MaillageTest, TitleIsCutTo80Characters) {
  std::string longer(95, 'a');
  longer[79] = 'z';
  probe m = line_mesh(2, 2, 0, 4, longer.c_str());
  EXPECT_EQ(std::strlen(m.titre), 80u);
  EXPECT_EQ(m.titre[79], 'z');
}

TEST(MaillageTest, ConstructorTakesStorageWithoutCopying) {
  gmatrix<float> som(1, 3, 1, 2);
  gmatrix<int> elem(1, 1, 1, 3);
  gvector<int> refs(1, 3);
  som = 1.0f;
  elem = 1;
  refs = 0;
  float const* s = som.debut();
  int const* e = elem.debut();
  int const* r = refs.debut();
  probe m(std::move(som), std::move(elem), std::move(refs), "t");
  EXPECT_EQ(m.sommets.debut(), s);
  EXPECT_EQ(m.elements.debut(), e);
  EXPECT_EQ(m.refsom.debut(), r);
}

TEST(MaillageTest, CopyDropsStatisticsAssignmentKeepsThem) {
  probe a = line_mesh(3, 2, 2, 2, "source");
  a.stat_status = 1;
  probe copy(a);
  EXPECT_EQ(copy.stat_status, 0);
  expect_same_mesh(a, copy);
  EXPECT_STREQ(copy.titre, "source");

  probe target = line_mesh(5, 3, 1, 4, "target");
  target.stat_status = 7;
  target = a;
  EXPECT_EQ(target.stat_status, 7);
  expect_same_mesh(a, target);
  EXPECT_STREQ(target.titre, "source");
}

TEST(MaillageTest, MoveTakesTablesAndLeavesSourceEmpty) {
  probe a = line_mesh(3, 2, 2, 2, "source");
  probe const copy(a);
  float const* s = a.sommets.debut();
  int const* e = a.elements.debut();
  a.stat_status = 1;
  probe moved(std::move(a));
  EXPECT_EQ(moved.stat_status, 0);
  EXPECT_EQ(moved.sommets.debut(), s);
  EXPECT_EQ(moved.elements.debut(), e);
  expect_same_mesh(copy, moved);
  EXPECT_STREQ(moved.titre, "source");
  EXPECT_EQ(a.npt(), 0);
  EXPECT_EQ(a.nelem(), 0);

  probe target = line_mesh(5, 3, 1, 4, "target");
  target.stat_status = 7;
  target = std::move(moved);
  EXPECT_EQ(target.stat_status, 7);
  EXPECT_EQ(target.sommets.debut(), s);
  expect_same_mesh(copy, target);
  EXPECT_STREQ(target.titre, "source");
  EXPECT_EQ(moved.npt(), 0);
  EXPECT_STREQ(moved.titre, "");
}

TEST(MaillageTest, InvertReversesEachWordAndTwiceRestores) {
  int v[2] = {0x01020304, -2};
  invert(v, 2);
  EXPECT_EQ(v[0], 0x04030201);
  invert(v, 2);
  EXPECT_EQ(v[0], 0x01020304);
  EXPECT_EQ(v[1], -2);
  float f[1] = {1.5f};
  invert(f, 1);
  EXPECT_NE(f[0], 1.5f);
  invert(f, 1);
  EXPECT_EQ(f[0], 1.5f);
}

// ---------------------------------------------------------------- files

TEST(KadroTest, WritesWorkedExampleByteForByte) {
  TempDir d;
  probe m = grid_2x1();
  m.ecrit_kadro(d.path("g.kadro2D").c_str());
  std::string bytes = read_file(d.path("g.kadro2D"));
  EXPECT_EQ(bytes.size(), 528u);
  EXPECT_EQ(bytes, grid_2x1_bytes("grid", -0.5f, -0.5f).b);
}

// Large groups take the writer's batched path, small ones the plain one.
TEST(KadroTest, LargeMeshesAreWrittenRecordForRecord) {
  TempDir d;
  int const shapes[3][2] = {{2, 4}, {3, 3}, {1, 2}};
  for (auto const& sh : shapes) {
    int const nd = sh[0], t = sh[1];
    probe m = line_mesh(30000, nd, 700, t, "big");
    m.set_maillage(m.sommets, m.elements, m.refsom, bounds({0, 300, 310, 700}), "big");
    std::string const f = d.path("big.kadro2D");
    m.ecrit_kadro(f.c_str());

    kadro_bytes k;
    k.title("big").header(m.npt());
    for (int i = 1; i <= m.npt(); ++i)
      k.vertex(m.xn(1, i), nd > 1 ? m.xn(2, i) : 0.0f, nd > 2 ? m.xn(3, i) : 0.0f, m.ref(i));
    for (int g = 1; g <= m.nsd(); ++g) {
      int const first = m.s_dom[g - 1], count = m.s_dom[g] - first;
      k.group(g, count, t);
      for (int i = 1; i <= count; ++i) {
        std::vector<int> nodes;
        for (int j = 1; j <= t; ++j) nodes.push_back(m.lg(first + i, j));
        k.element(i, nodes);
      }
    }
    EXPECT_EQ(read_file(f) == k.b, true) << "dimension " << nd << ", nodes " << t;
  }
}

TEST(KadroTest, RoundTripRestoresEverything) {
  TempDir d;
  probe m = line_mesh(7, 2, 6, 4, "round trip");
  m.set_maillage(m.sommets, m.elements, m.refsom, bounds({0, 2, 2, 5, 6}), "round trip");
  std::string f = d.path("m.kadro2D");
  m.ecrit_kadro(f.c_str());
  probe r(f.c_str());
  expect_same_mesh(m, r);
  EXPECT_EQ(r.s_dom.imin(), 0);
  EXPECT_EQ(r.s_dom.imax(), 4);
  EXPECT_EQ(r.s_dom[2], 2);
  EXPECT_EQ(r.s_dom[3], 5);
  EXPECT_EQ(std::string(r.titre), "round trip" + std::string(70, ' '));
}

TEST(KadroTest, ThreeDimensionalNameKeepsThreeCoordinates) {
  TempDir d;
  probe m3 = line_mesh(4, 3, 2, 4, "3d");
  std::string f3 = d.path("m.kadro3D");
  m3.ecrit_kadro(f3.c_str());
  probe r3(f3.c_str());
  expect_same_mesh(m3, r3);

  grid_2x1_bytes("grid", -0.5f, -0.5f).save(d.path("g.kadro3D"));
  probe g(d.path("g.kadro3D").c_str());
  EXPECT_EQ(g.ndim(), 3);
  EXPECT_EQ(g.xn(3, 6), 0.0f);
  EXPECT_EQ(g.y(6), 0.5f);
}

TEST(KadroTest, OtherByteOrderIsConverted) {
  TempDir d;
  std::string f = d.path("be.kadro2D");
  kadro_bytes k = grid_2x1_bytes("swapped", 1.5f, -2.0f, true);
  ASSERT_TRUE(k.save(f));
  testing::internal::CaptureStderr();
  probe m(f.c_str());
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Fichier " + f + " d'une autre architecture: " + "tentavive de conversion\n");
  std::string le = d.path("le.kadro2D");
  ASSERT_TRUE(grid_2x1_bytes("x", 1.5f, -2.0f).save(le));
  expect_same_mesh(m, probe(le.c_str()));
  EXPECT_EQ(m.x(1), 1.5f);
  EXPECT_EQ(m.lg(2, 3), 6);
  EXPECT_EQ(std::string(m.titre, 7), "swapped");
}

TEST(KadroTest, SurplusInRecordsIsSkipped) {
  TempDir d;
  kadro_bytes k;
  k.title("t").i32(12).i32(1).i32(8).i32(99).i32(12);  // header + 4 extra
  k.i32(52).f32(1).f32(2).f32(3);
  for (int i = 0; i < 9; ++i) k.i32(i == 3 ? 9 : 0);
  k.i32(-1).i32(52);  // vertex record with 4 extra bytes
  k.group(1, 1, 3).element(1, {1, 1, 1});
  std::string f = d.path("s.kadro2D");
  k.save(f);
  probe m(f.c_str());
  EXPECT_EQ(m.npt(), 1);
  EXPECT_EQ(m.y(1), 2.0f);
  EXPECT_EQ(m.ref(1), 9);
  EXPECT_EQ(m.nelem(), 1);
  EXPECT_EQ(m.telem(), 3);
}

TEST(KadroTest, FileWithoutGroupsHasNoSubdomain) {
  TempDir d;
  kadro_bytes k;
  k.title("t").header(2).vertex(0, 0, 0, 1).vertex(1, 0, 0, 2);
  std::string f = d.path("n.kadro2D");
  k.save(f);
  probe m(f.c_str());
  EXPECT_EQ(m.npt(), 2);
  EXPECT_EQ(m.nsd(), 0);
  EXPECT_EQ(m.elements.imax(), -1);
}

TEST(KadroTest, EmptyGroupsAndManyGroupsKeepBounds) {
  TempDir d;
  kadro_bytes k;
  k.title("t").header(3);
  for (int i = 0; i < 3; ++i) k.vertex(float(i), 0, 0, 0);
  int expected = 0;
  for (int g = 1; g <= 40; ++g) {
    int const count = g % 3;
    k.group(g, count, 2);
    for (int i = 1; i <= count; ++i) k.element(i, {g % 3 + 1, i});
    expected += count;
  }
  std::string f = d.path("g.kadro2D");
  k.save(f);
  probe m(f.c_str());
  EXPECT_EQ(m.nsd(), 40);
  EXPECT_EQ(m.nelem(), expected);
  EXPECT_EQ(m.elements.imax(), expected);
  EXPECT_EQ(m.lg(expected, 1), 40 % 3 + 1);
  EXPECT_EQ(m.lg(expected, 2), 1);
  EXPECT_EQ(m.sd(expected), 40);
}

using KadroDeathTest = ::testing::Test;

TEST(KadroDeathTest, NameDispatch) {
  EXPECT_FATAL(read_mesh("mesh.kadro2d"), 201, "Nom de fichier non valide: mesh.kadro2d\n");
  EXPECT_FATAL(read_mesh("mesh"), 201, "Nom de fichier non valide: mesh\n");
  EXPECT_FATAL(read_mesh("a.kadro2D.gz"), 201, "Nom de fichier non valide: a.kadro2D.gz\n");
  // Both NOPO spellings reach the NOPO reader.
  EXPECT_FATAL(read_mesh("/nonexistent/m.nopo"), 202,
               "Rcourb: problemmes d'ouvertoure du fichier /nonexistent/m.nopo\n");
  EXPECT_FATAL(read_mesh("/nonexistent/m.NOPO"), 202,
               "Rcourb: problemmes d'ouvertoure du fichier /nonexistent/m.NOPO\n");
  EXPECT_FATAL(read_mesh("m.Nopo"), 201, "Nom de fichier non valide: m.Nopo\n");
}

TEST(KadroDeathTest, OpenFailures) {
  fixed_dir d("kadro_OpenFailures");
  std::string missing = d.path("missing.kadro2D");
  EXPECT_FATAL(
      read_mesh(missing), 208,
      "Rcourb: problemmes d'ouvertoure du fichier " + missing + "\nNo such file or directory\n");
  std::string dir = d.path("dir.kadro2D");
  mkdir(dir.c_str(), 0755);
  probe m = grid_2x1();
  EXPECT_FATAL(m.ecrit_kadro(dir.c_str()), 209,
               "Rcourb: problemmes d'ouvertoure du fichier " + dir + "\nIs a directory\n");
  EXPECT_FATAL(
      read_mesh(dir), 1,
      "Erreur de format dans la lecture de " + dir + "\nCe n'est pas un fichier ordinaire\n");
}

TEST(KadroDeathTest, FailedWriteIsReported) {
  probe m = grid_2x1();
  EXPECT_FATAL(m.ecrit_kadro("/dev/full"), 209,
               "Rcourb: erreur d'ecriture du fichier /dev/full\n"
               "No space left on device\n");
}

TEST(KadroDeathTest, WriterRefusesInconsistentSubdomains) {
  fixed_dir d("kadro_WriterRefusesInconsistentSubdomains");
  probe m = grid_2x1();
  m.set_maillage(m.sommets, m.elements, m.refsom, bounds({0, 1, 3}), "t");
  std::string f = d.path("bad.kadro2D");
  EXPECT_FATAL(m.ecrit_kadro(f.c_str()), 1,
               "Ecriture de " + f + " impossible: sous-domaines incoherents\n");
}

TEST(KadroDeathTest, FramingErrors) {
  fixed_dir d("kadro_FramingErrors");
  std::string const f = d.path("f.kadro2D");
  std::string const head = "Erreur de format dans la lecture de " + f;

  kadro_bytes a;
  a.i32(81).text(std::string(80, ' ')).i32(81);
  a.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nOn attendait 80 bytes\n");

  kadro_bytes b;
  b.i32(80).text(std::string(80, ' ')).i32(79);
  b.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nIncoerence de taille: Lu 80 Prevu: 79\n");

  kadro_bytes c;  // vertex record shorter than its contents
  c.title("t").header(1).i32(44).f32(0).f32(0).f32(0);
  for (int i = 0; i < 9; ++i) c.i32(0);
  c.i32(44);
  c.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nDepassement de registre: Lu 48 Prevu: 44\n");

  kadro_bytes e;  // closing word differs
  e.title("t").header(1).i32(48).f32(0).f32(0).f32(0);
  for (int i = 0; i < 9; ++i) e.i32(0);
  e.i32(47);
  e.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nIncoerence de taille: Lu 48 Prevu: 47\n");

  kadro_bytes sw(true);  // other byte order: the words are shown converted
  sw.title("t").header(1).i32(44).f32(0).f32(0).f32(0);
  for (int i = 0; i < 9; ++i) sw.i32(0);
  sw.i32(44);
  sw.save(f);
  EXPECT_FATAL(read_mesh(f), 1,
               "Fichier " + f + " d'une autre architecture: tentavive de conversion\n" + head +
                   "\nDepassement de registre: Lu 48 Prevu: 44\n");

  kadro_bytes g;  // element record without its trailing zero
  g.title("t").header(1).vertex(0, 0, 0, 0).group(1, 1, 4);
  g.i32(16).i32(1).i32(1).i32(1).i32(1).i32(16).i32(0).i32(0);
  g.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nDepassement de registre: Lu 20 Prevu: 16\n");
}

TEST(KadroDeathTest, HostileCountsAreRefusedBeforeAllocation) {
  fixed_dir d("kadro_HostileCountsAreRefusedBeforeAllocation");
  std::string const f = d.path("h.kadro2D");
  std::string const head = "Erreur de format dans la lecture de " + f;

  kadro_bytes a;
  a.title("t").header(-1);
  a.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nNombre de sommets non valide: -1\n");

  kadro_bytes b;
  b.title("t").header(2147483647);
  b.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nNombre de sommets non valide: 2147483647\n");

  kadro_bytes c;
  c.title("t").header(100000000).vertex(0, 0, 0, 0);
  c.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nFichier trop court pour 100000000 sommets\n");

  kadro_bytes e;
  e.title("t").header(1).vertex(0, 0, 0, 0).group(1, -3, 4);
  e.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nNombre d'elements non valide: -3\n");

  kadro_bytes g;
  g.title("t").header(1).vertex(0, 0, 0, 0).group(1, 1, -4);
  g.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nNombre de noeuds par element non valide: -4\n");

  kadro_bytes h;
  h.title("t").header(1).vertex(0, 0, 0, 0).group(1, 2000000000, 4);
  h.element(1, {1, 1, 1, 1});
  h.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nNombre d'elements trop grand: 2000000000\n");

  kadro_bytes i;
  i.title("t").header(1).vertex(0, 0, 0, 0).group(1, 30000000, 4);
  i.element(1, {1, 1, 1, 1});
  i.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nFichier trop court pour 30000000 elements\n");

  kadro_bytes j;
  j.title("t").header(1).vertex(0, 0, 0, 0).group(1, 1, 4).element(1, {1, 1, 1, 1});
  j.group(2, 1, 3).element(1, {1, 1, 1});
  j.save(f);
  EXPECT_FATAL(read_mesh(f), 1, head + "\nGroupes d'elements de tailles differentes: 4 et 3\n");
}

TEST(KadroDeathTest, VertexNumbersOutsideTheMeshAreRefused) {
  fixed_dir d("kadro_VertexNumbersOutsideTheMeshAreRefused");
  std::string const f = d.path("v.kadro2D");
  for (int bad : {0, -1, 7, 2147483647}) {
    kadro_bytes k = grid_2x1_bytes("t", 0, 0);
    // Element 3 is the first of a second group.
    k.group(2, 1, 4).element(1, {1, 2, bad, 4});
    ASSERT_TRUE(k.save(f));
    EXPECT_FATAL(read_mesh(f), 1,
                 "Erreur de format dans la lecture de " + f + "\nL'element 3 a le sommet " +
                     std::to_string(bad) + " hors de 1..6\n");
  }
}

TEST(KadroDeathTest, TruncatedFilesAreReported) {
  fixed_dir d("kadro_TruncatedFilesAreReported");
  std::string const f = d.path("t.kadro2D");
  std::string const full = grid_2x1_bytes("t", 0, 0).b;
  // 440 bytes hold title, header and vertices: a valid file without groups.
  for (std::size_t cut : {0u, 3u, 50u, 86u, 100u, 200u, 439u, 450u, 470u, 500u, 527u}) {
    kadro_bytes k;
    k.b = full.substr(0, cut);
    k.save(f);
    EXPECT_EXIT(read_mesh(f), ::testing::ExitedWithCode(1),
                fatal_re("Erreur de format dans la lecture de " + f + "\n") +
                    "(Fin de fichier inattendue|Fichier trop court)")
        << "cut at " << cut;
  }
}

TEST(KadroDeathTest, TruncationMessagesAreExact) {
  fixed_dir d("kadro_TruncationMessagesAreExact");
  std::string const f = d.path("t.kadro2D");
  std::string const full = grid_2x1_bytes("t", 0, 0).b;
  std::string const msg =
      "Erreur de format dans la lecture de " + f + "\nFin de fichier inattendue\n";
  for (std::size_t cut : {0u, 3u, 86u, 450u}) {
    kadro_bytes k;
    k.b = full.substr(0, cut);
    k.save(f);
    EXPECT_FATAL(read_mesh(f), 1, msg) << "cut at " << cut;
  }
  kadro_bytes k;
  k.b = full.substr(0, 500);
  k.save(f);
  EXPECT_FATAL(
      read_mesh(f), 1,
      "Erreur de format dans la lecture de " + f + "\nFichier trop court pour 2 elements\n");

  kadro_bytes skip;  // surplus that runs past the end of the file
  skip.title("t").header(1).i32(1000).f32(0).f32(0).f32(0);
  for (int i = 0; i < 9; ++i) skip.i32(0);
  skip.i32(1000);
  skip.save(f);
  EXPECT_FATAL(read_mesh(f), 1, msg);
}

TEST(KadroDeathTest, WriterRefusesMeshesItCannotFrame) {
  fixed_dir d("kadro_WriterRefusesMeshesItCannotFrame");
  std::string const f = d.path("w.kadro2D");
  std::string const head = "Ecriture de " + f + " impossible: ";

  probe four = line_mesh(3, 4, 1, 3, "t");
  EXPECT_FATAL(four.ecrit_kadro(f.c_str()), 1, head + "plus de 3 coordonnees par sommet\n");

  probe shifted = line_mesh(3, 2, 1, 3, "t");
  gmatrix<float> som(0, 2, 1, 2);
  som = 0.0f;
  shifted.set_maillage(som, shifted.elements, shifted.refsom, "t");
  EXPECT_FATAL(shifted.ecrit_kadro(f.c_str()), 1, head + "sommets non numerotes a partir de 1\n");

  probe short_refs = line_mesh(3, 2, 1, 3, "t");
  short_refs.set_maillage(short_refs.sommets, short_refs.elements, gvector<int>(1, 2), "t");
  EXPECT_FATAL(short_refs.ecrit_kadro(f.c_str()), 1, head + "references des sommets incompletes\n");

  probe cols = line_mesh(3, 2, 1, 3, "t");
  gmatrix<int> elem(1, 1, 0, 2);
  elem = 1;
  cols.set_maillage(cols.sommets, elem, cols.refsom, "t");
  EXPECT_FATAL(cols.ecrit_kadro(f.c_str()), 1, head + "elements non numerotes a partir de 1\n");
}

TEST(MaillageDeathTest, AccessorsAreBoundChecked) {
  probe m = grid_2x1();
  EXPECT_FATAL(m.x(7), 1, "Erreur d'adressage d'une matrice\n");
  EXPECT_FATAL(m.lg(3, 1), 1, "Erreur d'adressage d'une matrice\n");
  EXPECT_FATAL(m.ref(0), 1, "Erreur d'adressage d'un vecteur [1,6] i=0");
}
