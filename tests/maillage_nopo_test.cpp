// Tests of the NOPO mesh reader on files built byte by byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kadro_bytes.h"
#include "maillage.h"
#include "mesh_probe.h"
#include "nopo_bytes.h"
#include "test_util.h"

namespace {

std::string save(std::string const& path, std::string const& bytes) {
  write_file(path, bytes);
  return path;
}

void read_mesh(std::string const& path) { maillage m(path.c_str()); }

// Four triangles around the centre (5) of the unit square, each with the
// reference words of layout `ining`: face 7, edges 11.., vertex tags
// 100 + vertex number, except that the centre is set by each element to
// 200 + element number.
nopo_mesh fan(int ining, int ncopnp) {
  nopo_mesh m;
  m.ncopnp = ncopnp;
  m.coords = {0, 0, 1, 0, 1, 1, 0, 1, 0.5f, 0.5f};
  int const tri[4][3] = {{1, 2, 5}, {2, 3, 5}, {3, 4, 5}, {4, 1, 5}};
  for (int e = 0; e < 4; ++e) {
    nopo_element el{3, {tri[e][0], tri[e][1], tri[e][2]}, {ining}, {}};
    if (ining == 1) el.refs.push_back(7);
    if (ining != 3)
      for (int k = 0; k < 3; ++k) el.refs.push_back(11 + k);
    for (int v : el.vertices) el.refs.push_back(v == 5 ? 201 + e : 100 + v);
    // Nodes other than the vertices: the vertices and three mid-sides.
    el.nodes = {tri[e][0], tri[e][1], tri[e][2], 6, 7, 8};
    m.elements.push_back(el);
  }
  m.fill_counts();
  return m;
}

// Two quadrilaterals side by side, with reference words of layout `ining`
// (face, four edges, then the four vertex tags 100 + vertex number).
nopo_mesh quads(int ining, int ncopnp) {
  nopo_mesh m;
  m.ncopnp = ncopnp;
  m.coords = {0, 0, 1, 0, 2, 0, 0, 1, 1, 1, 2, 1};
  int const q[2][4] = {{1, 2, 5, 4}, {2, 3, 6, 5}};
  for (int e = 0; e < 2; ++e) {
    nopo_element el{4, {q[e][0], q[e][1], q[e][2], q[e][3]}, {ining}, {}};
    if (ining == 1) el.refs.push_back(9);
    if (ining != 3)
      for (int k = 0; k < 4; ++k) el.refs.push_back(20 + k);
    for (int v : el.vertices) el.refs.push_back(100 + v);
    el.nodes = el.vertices;
    m.elements.push_back(el);
  }
  m.fill_counts();
  return m;
}

}  // namespace

TEST(NopoTest, TrianglesWithoutReferencesReadAsOneSubdomain) {
  TempDir d;
  nopo_mesh n = nopo_two_triangles();
  probe m(save(d.path("t.nopo"), n.bytes()).c_str());
  EXPECT_EQ(m.npt(), 4);
  EXPECT_EQ(m.ndim(), 2);
  EXPECT_EQ(m.nelem(), 2);
  EXPECT_EQ(m.telem(), 3);
  EXPECT_EQ(m.x(3), 1.0f);
  EXPECT_EQ(m.y(4), 1.0f);
  int const expected[2][3] = {{1, 2, 3}, {1, 3, 4}};
  for (int e = 1; e <= 2; ++e)
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(m.lg(e, j), expected[e - 1][j - 1]);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(m.ref(i), 0);
  EXPECT_EQ(m.nsd(), 1);
  EXPECT_EQ(m.sd(1), 1);
  EXPECT_EQ(m.sd(2), 1);
  EXPECT_STREQ(m.titre, "");
}

class NopoLayoutTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(NopoLayoutTest, TriangleReferencesFollowIning) {
  int const ining = std::get<0>(GetParam()), ncopnp = std::get<1>(GetParam());
  TempDir d;
  probe m(save(d.path("f.NOPO"), fan(ining, ncopnp).bytes()).c_str());
  ASSERT_EQ(m.nelem(), 4);
  EXPECT_EQ(m.lg(3, 1), 3);
  EXPECT_EQ(m.lg(3, 2), 4);
  EXPECT_EQ(m.lg(3, 3), 5);
  for (int v = 1; v <= 4; ++v) EXPECT_EQ(m.ref(v), 100 + v);
  EXPECT_EQ(m.ref(5), 204);  // the last element that names it
  EXPECT_EQ(m.x(5), 0.5f);
}

TEST_P(NopoLayoutTest, QuadrilateralsFillEveryColumn) {
  int const ining = std::get<0>(GetParam()), ncopnp = std::get<1>(GetParam());
  TempDir d;
  probe m(save(d.path("q.nopo"), quads(ining, ncopnp).bytes()).c_str());
  ASSERT_EQ(m.telem(), 4);
  ASSERT_EQ(m.nelem(), 2);
  int const expected[2][4] = {{1, 2, 5, 4}, {2, 3, 6, 5}};
  for (int e = 1; e <= 2; ++e)
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(m.lg(e, j), expected[e - 1][j - 1]);
  for (int v = 1; v <= 6; ++v) EXPECT_EQ(m.ref(v), 100 + v);
}

INSTANTIATE_TEST_SUITE_P(IningAndNodes, NopoLayoutTest,
                         ::testing::Combine(::testing::Values(1, 2, 3), ::testing::Values(1, 2)));

TEST(NopoTest, AssociatedArraysAreSkipped) {
  TempDir d;
  nopo_mesh n = nopo_two_triangles();
  n.ntass = 2;
  n.associated = {std::string(40, 'x'), "", std::string(8, 'y')};
  probe m(save(d.path("a.nopo"), n.bytes()).c_str());
  EXPECT_EQ(m.npt(), 4);
  EXPECT_EQ(m.lg(2, 3), 4);
}

TEST(NopoTest, ThreeCoordinatesAreKept) {
  TempDir d;
  nopo_mesh n;
  n.numdim = 3;
  n.coords = {0, 0, 1, 1, 0, 2, 0, 1, 3};
  n.elements = {{3, {3, 2, 1}, {3, 5, 6, 7}, {}}};
  n.fill_counts();
  probe m(save(d.path("s.nopo"), n.bytes()).c_str());
  EXPECT_EQ(m.ndim(), 3);
  EXPECT_EQ(m.xn(3, 2), 2.0f);
  EXPECT_EQ(m.lg(1, 1), 3);
  EXPECT_EQ(m.ref(3), 5);
  EXPECT_EQ(m.ref(1), 7);
}

TEST(NopoTest, MeshWithoutElements) {
  TempDir d;
  nopo_mesh n;
  n.coords = {0, 0, 1, 0};
  n.fill_counts();
  n.counts[n_ntri] = 1;  // the kind is declared, the element list is empty
  probe m(save(d.path("e.nopo"), n.bytes()).c_str());
  EXPECT_EQ(m.npt(), 2);
  EXPECT_EQ(m.nelem(), 0);
  EXPECT_EQ(m.nsd(), 1);
}

TEST(NopoTest, MeshViewerFileKeepsTheElements) {
  TempDir d;
  probe m(save(d.path("q.nopo"), quads(2, 1).bytes()).c_str());
  std::string const k = d.path("q.kadro2D");
  m.ecrit_kadro(k.c_str());
  probe back(k.c_str());
  ASSERT_EQ(back.nelem(), 2);
  ASSERT_EQ(back.nsd(), 1);
  for (int e = 1; e <= 2; ++e)
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(back.lg(e, j), m.lg(e, j));
  for (int v = 1; v <= 6; ++v) EXPECT_EQ(back.ref(v), m.ref(v));
}

TEST(NopoTest, ReaderReplacesAnExistingGeometry) {
  TempDir d;
  probe m(save(d.path("q.nopo"), quads(3, 1).bytes()).c_str());
  m.lect_nopo(save(d.path("t.nopo"), nopo_two_triangles().bytes()).c_str());
  EXPECT_EQ(m.npt(), 4);
  EXPECT_EQ(m.telem(), 3);
  EXPECT_EQ(m.nelem(), 2);
  EXPECT_EQ(m.ref(1), 0);
  EXPECT_EQ(m.s_dom[1], 2);
}

// ---------------------------------------------------------------- errors

using NopoDeathTest = ::testing::Test;

TEST(NopoDeathTest, OpenFailure) {
  fixed_dir d("nopo_OpenFailure");
  std::string const f = d.path("missing.nopo");
  EXPECT_FATAL(read_mesh(f), 202,
               "Rcourb: problemmes d'ouvertoure du fichier " + f + "\nNo such file or directory\n");
  std::string const dir = d.path("dir.nopo");
  mkdir(dir.c_str(), 0755);
  EXPECT_FATAL(
      read_mesh(dir), 1,
      "Erreur de format dans la lecture de " + dir + "\nCe n'est pas un fichier ordinaire\n");
}

TEST(NopoDeathTest, ElementKindMustBeUnique) {
  fixed_dir d("nopo_ElementKindMustBeUnique");
  std::string const f = d.path("k.nopo");
  std::string const msg = "read_nopo: elements de type non constant\n";
  auto with = [&](int pos, int v) {
    nopo_mesh n = nopo_two_triangles();
    n.counts[pos] = v;
    return save(f, n.bytes());
  };
  EXPECT_FATAL(read_mesh(with(n_nqua, 1)), 203, msg);
  EXPECT_FATAL(read_mesh(with(n_ntri, 0)), 203, msg);
  EXPECT_FATAL(read_mesh(with(n_nsup, 1)), 203, msg);
  EXPECT_FATAL(read_mesh(with(n_nhex, -1)), 203, msg);
}

TEST(NopoDeathTest, KindsWithoutAKnownLayoutAreRefused) {
  fixed_dir d("nopo_KindsWithoutAKnownLayoutAreRefused");
  std::string const f = d.path("k.nopo");
  char const* names[] = {"segments", "tetraedres", "pentaedres", "hexaedres"};
  int const pos[] = {n_nseg, n_ntet, n_npent, n_nhex};
  for (int k = 0; k < 4; ++k) {
    nopo_mesh n = nopo_two_triangles();
    n.counts[n_ntri] = 0;
    n.counts[pos[k]] = 2;
    save(f, n.bytes());
    EXPECT_FATAL(read_mesh(f), 203,
                 "read_nopo: " + f + ": elements " + names[k] +
                     " non pris en charge (seuls les triangles et les "
                     "quadrilateres sont lus)\n");
  }
}

TEST(NopoDeathTest, ElementOfAnotherKind) {
  fixed_dir d("nopo_ElementOfAnotherKind");
  std::string const f = d.path("k.nopo");
  for (int ncopnp : {1, 2}) {
    nopo_mesh n = fan(3, ncopnp);
    n.elements[2].ngge = 4;
    save(f, n.bytes());
    EXPECT_FATAL(read_mesh(f), ncopnp == 1 ? 204 : 206,
                 "L'element 3 n'est pas du type 3\nIl a 4sommets\n");
  }
}

TEST(NopoDeathTest, UnknownReferenceLayout) {
  fixed_dir d("nopo_UnknownReferenceLayout");
  std::string const f = d.path("k.nopo");
  for (int ncopnp : {1, 2}) {
    nopo_mesh n = fan(3, ncopnp);
    n.elements[1].refs[0] = 4;
    save(f, n.bytes());
    EXPECT_FATAL(read_mesh(f), ncopnp == 1 ? 205 : 207, "Erreur: ining=4\n");
  }
}

TEST(NopoDeathTest, VertexNumbersOutsideTheMesh) {
  fixed_dir d("nopo_VertexNumbersOutsideTheMesh");
  std::string const f = d.path("v.nopo");
  for (int v : {0, 6, -3}) {
    nopo_mesh n = fan(3, 1);
    n.elements[3].vertices[1] = v;
    save(f, n.bytes());
    EXPECT_FATAL(read_mesh(f), 1,
                 "Erreur de format dans la lecture de " + f + "\nL'element 4 a le sommet " +
                     std::to_string(v) + " hors de 1..5\n");
  }
}

TEST(NopoDeathTest, TooFewReferenceWords) {
  fixed_dir d("nopo_TooFewReferenceWords");
  std::string const f = d.path("r.nopo");
  for (int ining : {1, 2, 3}) {
    nopo_mesh n = fan(ining, 1);
    n.elements[0].refs.pop_back();
    int const need = static_cast<int>(n.elements[1].refs.size());
    save(f, n.bytes());
    EXPECT_FATAL(read_mesh(f), 1,
                 "Erreur de format dans la lecture de " + f + "\nL'element 1 a " +
                     std::to_string(need - 1) + " mots de reference, il en faut " +
                     std::to_string(need) + "\n");
  }
}

TEST(NopoDeathTest, HostileCountsAreRefusedBeforeAllocation) {
  fixed_dir d("nopo_HostileCountsAreRefusedBeforeAllocation");
  std::string const f = d.path("h.nopo");
  std::string const head = "Erreur de format dans la lecture de " + f + "\n";
  auto with = [&](int pos, int v) {
    nopo_mesh n = nopo_two_triangles();
    n.counts[pos] = v;
    return save(f, n.bytes());
  };
  EXPECT_FATAL(read_mesh(with(n_npoint, 2000000000)), 1,
               head + "Fichier trop court pour 2000000000 sommets\n");
  EXPECT_FATAL(read_mesh(with(n_npoint, 50)), 1, head + "Fichier trop court pour 50 sommets\n");
  EXPECT_FATAL(read_mesh(with(n_npoint, -1)), 1, head + "Nombre de sommets non valide: -1\n");
  EXPECT_FATAL(read_mesh(with(n_ne, 1000000000)), 1,
               head + "Fichier trop court pour 1000000000 elements\n");
  EXPECT_FATAL(read_mesh(with(n_ne, -2)), 1, head + "Nombre d'elements non valide: -2\n");
  EXPECT_FATAL(read_mesh(with(n_numdim, 0)), 1, head + "Dimension d'espace non valide: 0\n");
  EXPECT_FATAL(read_mesh(with(n_numdim, 4)), 1, head + "Dimension d'espace non valide: 4\n");

  nopo_mesh a = nopo_two_triangles();
  a.ntass = -1;
  save(f, a.bytes());
  EXPECT_FATAL(read_mesh(f), 1, head + "Nombre de tableaux associes non valide: -1\n");

  nopo_mesh b = nopo_two_triangles();
  b.elements[1].refs = {3, 1, 2, 3};
  std::string bytes = b.bytes();
  // nmae of element 2 beyond anything the file holds
  std::size_t const at = bytes.size() - 4 - 4 * (4 + 3 + 4) + 4;
  int const huge = 1 << 30;
  std::memcpy(&bytes[at], &huge, 4);
  save(f, bytes);
  EXPECT_FATAL(
      read_mesh(f), 1,
      head + "L'element 2: nombre de mots de reference non valide: " + std::to_string(huge) + "\n");

  nopo_mesh c = fan(3, 2);
  c.elements[0].nodes.assign(1, 1);
  std::string cb = c.bytes();
  std::size_t const nno_at = c.descriptor().b.size() + c.general().b.size() +
                             c.counts_record().b.size() + c.coords_record().b.size() + 8 + 12;
  int const minus = -5;
  std::memcpy(&cb[nno_at], &minus, 4);
  save(f, cb);
  EXPECT_FATAL(read_mesh(f), 1, head + "L'element 1: nombre de noeuds non valide: -5\n");

  nopo_mesh e = nopo_two_triangles();
  e.elements[0].vertices.push_back(4);
  save(f, e.bytes());
  EXPECT_FATAL(read_mesh(f), 1, head + "L'element 1 a 4 sommets au lieu de 3\n");

  nopo_words g;  // first record with a negative length
  g.i32(-8);
  save(f, g.b + nopo_two_triangles().bytes());
  EXPECT_FATAL(read_mesh(f), 1, head + "Longueur d'enregistrement non valide: -8\n");
}

TEST(NopoDeathTest, TruncatedFilesAreReported) {
  fixed_dir d("nopo_TruncatedFilesAreReported");
  std::string const f = d.path("t.nopo");
  std::string const full = fan(1, 2).bytes();
  std::string const head = "Erreur de format dans la lecture de " + f + "\n";
  for (std::size_t cut = 0; cut < full.size(); cut += 31) {
    save(f, full.substr(0, cut));
    EXPECT_EXIT(read_mesh(f), ::testing::ExitedWithCode(1),
                fatal_re(head) +
                    "(Fin de fichier inattendue|Fichier trop court|"
                    "L'element [0-9]+: nombre)")
        << "cut at " << cut;
  }
  save(f, full.substr(0, full.size() - 1));
  EXPECT_FATAL(read_mesh(f), 1, head + "Fin de fichier inattendue\n");
  save(f, full.substr(0, 20));
  EXPECT_FATAL(read_mesh(f), 1, head + "Fin de fichier inattendue\n");
}
