// Tests of the Gmsh reader on valid files: the meshes Gmsh made in its four
// forms, meshio's reading of them, and hand-made files for the exact rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "gmsh_files.h"
#include "kadro_bytes.h"
#include "maillage.h"
#include "mesh_probe.h"
#include "run_program.h"
#include "test_util.h"

namespace {

std::string data(std::string const& name) { return std::string(GMSH_DATA_DIR) + "/" + name; }

// Each geometry of tests/data/gmsh in its four files.
char const* const kGeometries[] = {"carre_trou", "forme_l", "quadrangles", "cube", "sans_groupes"};
char const* const kForms[] = {"_22.msh", "_22b.msh", "_41.msh", "_41b.msh"};

// A hand-made file read in a fresh directory.
struct msh {
  TempDir d;
  probe m;
  explicit msh(std::string const& text, char const* name = "m.msh") {
    write_file(d.path(name), text);
    m.lect_gmsh(d.path(name).c_str());
  }
};

// Vertex number of the vertex at (x, y[, z]); 0 when there is none.
int vertex_at(maillage const& m, float x, float y, float z = 0) {
  for (int i = 1; i <= m.npt(); ++i)
    if (m.x(i) == x && m.y(i) == y && (m.ndim() < 3 || m.xn(3, i) == z)) return i;
  return 0;
}

// Twice the signed area of triangle (a, b, c) of element e's nodes.
double area2(maillage const& m, int e, int a, int b, int c) {
  return (static_cast<double>(m.x(e, b)) - m.x(e, a)) * (m.y(e, c) - m.y(e, a)) -
         (static_cast<double>(m.y(e, b)) - m.y(e, a)) * (m.x(e, c) - m.x(e, a));
}

}  // namespace

// ---------------------------------------------------------------- Gmsh's files

class GmshFilesTest : public ::testing::TestWithParam<char const*> {};

TEST_P(GmshFilesTest, FourFormsGiveTheSameMesh) {
  std::string const g = GetParam();
  probe first((data(g + kForms[0])).c_str());
  std::string const want = mesh_text(first);
  EXPECT_EQ(std::string(first.titre), g + "_22.msh");
  for (char const* form : kForms) {
    probe m((data(g + form)).c_str());
    EXPECT_EQ(mesh_text(m), want) << g << form;
  }
}

INSTANTIATE_TEST_SUITE_P(Geometries, GmshFilesTest, ::testing::ValuesIn(kGeometries));

// meshio reads the same file; the script applies the reader's rules to what
// it gives.
class GmshMeshioTest : public ::testing::TestWithParam<std::string> {};

TEST_P(GmshMeshioTest, AgreesWithMeshio) {
  std::string const f = data(GetParam());
  TempDir d;
  run_result const r = run("/usr/bin/python3", d.dir(), {GMSH_MESHIO_SCRIPT, f});
  ASSERT_EQ(r.status, 0) << "the meshio check failed (python3-meshio for /usr/bin/python3 is "
                            "needed):\n"
                         << r.out << r.err;
  maillage m(f.c_str());
  EXPECT_EQ(mesh_text(m), r.out);
}

std::vector<std::string> all_files() {
  std::vector<std::string> v;
  for (char const* g : kGeometries)
    for (char const* form : kForms) v.push_back(std::string(g) + form);
  return v;
}

INSTANTIATE_TEST_SUITE_P(Files, GmshMeshioTest, ::testing::ValuesIn(all_files()),
                         [](auto const& i) {
                           std::string s = i.param;
                           for (char& c : s)
                             if (c == '.') c = '_';
                           return s;
                         });

TEST(GmshTest, SquareWithHoleTagsCornersByTheRules) {
  probe m(data("carre_trou_41.msh").c_str());
  EXPECT_EQ(m.ndim(), 2);
  EXPECT_EQ(m.telem(), 3);
  EXPECT_EQ(m.nsd(), 1);
  // The corner's point group beats the sides'; where sides 1 and 2 meet,
  // 2 wins; the hole is 3; the hole's centre is on no element.
  EXPECT_EQ(vertex_at(m, 1, 1), 0);
  for (int i = 1; i <= m.npt(); ++i) {
    float const x = m.x(i), y = m.y(i);
    double const r = std::hypot(x - 1.0, y - 1.0);
    int const want = (x == 0 && y == 0)             ? 20
                     : (y == 0 && x < 2)            ? 1
                     : (x == 0 || x == 2 || y == 2) ? 2
                     : std::fabs(r - 0.5) < 1e-6    ? 3
                                                    : 0;
    EXPECT_EQ(m.ref(i), want) << x << " " << y;
  }
  for (int e = 1; e <= m.nelem(); ++e) EXPECT_GT(area2(m, e, 1, 2, 3), 0) << e;
}

TEST(GmshTest, LShapeSubdomainsFollowGroupNumbers) {
  probe m(data("forme_l_22.msh").c_str());
  ASSERT_EQ(m.nsd(), 2);
  // Group 3 (the upper part, surface 2) comes before group 8 (the lower).
  for (int e = 1; e <= m.nelem(); ++e) {
    double const yc = (m.y(e, 1) + m.y(e, 2) + m.y(e, 3)) / 3.0;
    EXPECT_EQ(m.sd(e), yc > 1 ? 1 : 2) << e;
  }
  // The re-entrant corner's point is 30; the sides at it 5, the outer
  // sides 6, which wins where they meet; the inner line has no group.
  for (int i = 1; i <= m.npt(); ++i) {
    float const x = m.x(i), y = m.y(i);
    bool const corner_side = (y == 1 && x > 1 && x < 2) || (x == 1 && y > 1 && y < 2);
    bool const outer =
        y == 0 || x == 0 || x == 2 || y == 2 || (x == 1 && y == 2) || (x == 2 && y == 1);
    int const want = (x == 1 && y == 1) ? 30 : outer ? 6 : corner_side ? 5 : 0;
    EXPECT_EQ(m.ref(i), want) << x << " " << y;
  }
}

TEST(GmshTest, RecombinedRectangleGivesQuadrilaterals) {
  probe m(data("quadrangles_41b.msh").c_str());
  EXPECT_EQ(m.telem(), 4);
  EXPECT_EQ(m.nelem(), 12);
  EXPECT_EQ(m.npt(), 21);
  EXPECT_EQ(m.ndim(), 2);
  for (int e = 1; e <= m.nelem(); ++e) {
    EXPECT_GT(area2(m, e, 1, 2, 3), 0) << e;
    EXPECT_GT(area2(m, e, 1, 3, 4), 0) << e;
  }
  for (int i = 1; i <= m.npt(); ++i)
    EXPECT_EQ(m.ref(i), m.x(i) == 0 ? 1 : m.x(i) == 3 ? 2 : 0) << i;
}

TEST(GmshTest, CubeTagsPointsOverCurvesOverSurfaces) {
  probe m(data("cube_22b.msh").c_str());
  EXPECT_EQ(m.ndim(), 3);
  EXPECT_EQ(m.telem(), 4);
  EXPECT_EQ(m.nsd(), 1);
  EXPECT_EQ(m.ref(vertex_at(m, 0, 0, 1)), 9);  // point beats edge and top
  EXPECT_EQ(m.ref(vertex_at(m, 0, 0, 0)), 4);  // edge beats bottom
  EXPECT_EQ(m.ref(vertex_at(m, 1, 1, 0)), 1);
  EXPECT_EQ(m.ref(vertex_at(m, 1, 1, 1)), 2);
  EXPECT_EQ(m.ref(vertex_at(m, 1, 0, 0.5f)), 0);  // side faces have no group
  for (int e = 1; e <= m.nelem(); ++e) {
    double a[3][3];
    for (int j = 0; j < 3; ++j)
      for (int n = 0; n < 3; ++n)
        a[j][n] = static_cast<double>(m.xn(n + 1, e, j + 2)) - m.xn(n + 1, e, 1);
    double const det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                       a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                       a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    EXPECT_GT(det, 0) << e;
  }
}

TEST(GmshTest, MeshWithoutGroupsIsOneSubdomainWithoutTags) {
  probe m(data("sans_groupes_41.msh").c_str());
  EXPECT_EQ(m.nsd(), 1);
  EXPECT_EQ(m.npt(), 18);  // the file's lone point is dropped
  EXPECT_EQ(vertex_at(m, 0.5f, 0.75f), 0);
  for (int i = 1; i <= m.npt(); ++i) EXPECT_EQ(m.ref(i), 0);
}

// ---------------------------------------------------------------- exact rules

TEST(GmshTest, CornerTagsFollowDimensionThenNumber) {
  std::string const elements =
      section("Elements",
              "8\n"
              "1 15 2 40 1 1\n"   // point 1 in group 40
              "2 1 2 7 1 1 2\n"   // bottom side, group 7
              "3 1 2 9 2 2 3\n"   // right side, group 9
              "4 1 2 12 3 3 4\n"  // top side, group 12
              "5 15 2 3 2 3\n"    // point 3 in group 3: a point wins over any side
              "6 15 2 50 3 5\n"   // a point on no kept element
              "7 2 2 1 1 1 2 3\n"
              "8 2 2 1 1 1 3 4\n");
  std::string const nodes = section("Nodes", "5\n1 0 0 0\n2 1 0 0\n3 1 1 0\n4 0 1 0\n5 2 2 0\n");
  msh f(kFormat22 + nodes + elements);
  EXPECT_EQ(f.m.npt(), 4);
  EXPECT_EQ(f.m.ref(1), 40);
  EXPECT_EQ(f.m.ref(2), 9);
  EXPECT_EQ(f.m.ref(3), 3);
  EXPECT_EQ(f.m.ref(4), 12);
  EXPECT_EQ(f.m.nsd(), 1);
}

TEST(GmshTest, EntityInSeveralGroups) {
  // Curve 2 is in groups 12 and 9: its vertices take 12. The surface is in
  // groups 6 and 2: its subdomain is group 2's (the only one here).
  std::string const entities = section("Entities",
                                       "1 2 1 0\n"
                                       "1 0 0 0 1 40\n"
                                       "1 0 0 0 1 0 0 1 7 0\n"
                                       "2 1 0 0 1 1 0 2 12 9 0\n"
                                       "1 0 0 0 1 1 0 2 6 2 0\n");
  std::string const elements = section("Elements",
                                       "4 5 1 5\n"
                                       "0 1 15 1\n1 1\n"
                                       "1 1 1 1\n2 1 2\n"
                                       "1 2 1 1\n3 2 3\n"
                                       "2 1 2 2\n4 1 2 3\n5 1 3 4\n");
  for (bool binary : {false, true}) {
    std::string const text = kFormat41 + entities + kSquareNodes41 + elements;
    msh f(binary ? msh_binary(text) : text);
    EXPECT_EQ(f.m.ref(1), 40);
    EXPECT_EQ(f.m.ref(2), 12);
    EXPECT_EQ(f.m.ref(3), 12);
    EXPECT_EQ(f.m.ref(4), 0);
    EXPECT_EQ(f.m.nsd(), 1);
  }
}

TEST(GmshTest, TetrahedraTakeTagsFromFacesEdgesAndPoints) {
  std::string const elements = section("Elements",
                                       "5\n"
                                       "1 2 2 1 1 1 2 3\n"  // face group 1
                                       "2 1 2 2 1 1 2\n"    // edge group 2
                                       "3 15 2 3 1 1\n"     // point group 3
                                       "4 2 2 5 2 2 3 4\n"  // another face, group 5
                                       "5 4 2 7 1 1 2 3 4\n");
  msh f(kFormat22 + section("Nodes", "4\n1 0 0 0\n2 1 0 0\n3 0 1 0\n4 0 0 1\n") + elements);
  EXPECT_EQ(f.m.ndim(), 3);
  EXPECT_EQ(f.m.telem(), 4);
  EXPECT_EQ(f.m.ref(1), 3);
  EXPECT_EQ(f.m.ref(2), 2);
  EXPECT_EQ(f.m.ref(3), 5);
  EXPECT_EQ(f.m.ref(4), 5);
  EXPECT_EQ(f.m.lg(1, 4), 4);
}

TEST(GmshTest, SubdomainsInAscendingGroupsThenUngrouped) {
  std::string const nodes = section("Nodes", "4\n1 0 0 0\n2 1 0 0\n3 1 1 0\n4 0 1 0\n");
  // Groups 5, 2, 5, none, 2 for elements 1..5 (told apart by their first
  // node).
  std::string const elements = section("Elements",
                                       "5\n1 2 2 5 1 1 2 3\n2 2 2 2 1 2 3 4\n3 2 2 5 1 3 4 1\n"
                                       "4 2 2 0 1 4 1 2\n5 2 2 2 1 1 3 4\n");
  for (bool binary : {false, true}) {
    std::string const text = kFormat22 + nodes + elements;
    msh f(binary ? msh_binary(text, true) : text);
    ASSERT_EQ(f.m.nsd(), 3);
    EXPECT_EQ(f.m.s_dom[1], 2);
    EXPECT_EQ(f.m.s_dom[2], 4);
    EXPECT_EQ(f.m.s_dom[3], 5);
    int const firsts[5] = {2, 1, 1, 3, 4};
    for (int e = 1; e <= 5; ++e) EXPECT_EQ(f.m.lg(e, 1), firsts[e - 1]) << e;
  }
}

TEST(GmshTest, RepeatedElementOf22IsOneElementInItsSmallestGroup) {
  // Gmsh 2.2 writes an element once per group: element 1 in 4 and 3.
  std::string const elements = section("Elements",
                                       "5\n1 2 2 4 1 1 2 3\n2 2 2 3 1 1 2 3\n3 2 2 4 1 1 3 4\n"
                                       "4 1 2 6 1 1 2\n5 1 2 8 1 1 2\n");
  msh f(kFormat22 + kSquareNodes22 + elements);
  ASSERT_EQ(f.m.nelem(), 2);
  EXPECT_EQ(f.m.nsd(), 2);
  EXPECT_EQ(f.m.lg(1, 2), 2);  // group 3
  EXPECT_EQ(f.m.lg(2, 2), 3);  // group 4
  EXPECT_EQ(f.m.ref(1), 8);
}

TEST(GmshTest, VerticesRenumberedByAscendingTag) {
  // Sparse tags up to 10^12 (the sorted index), unused node 99 dropped.
  std::string const nodes = section("Nodes",
                                    "2 4 7 1000000000000\n"
                                    "2 1 0 3\n1000000000000\n7\n42\n1 0 0\n0 0 0\n0 1 0\n"
                                    "0 5 0 1\n99\n5 5 0\n");
  std::string const elements = section("Elements", "1 1 1 1\n2 1 2 1\n1 42 7 1000000000000\n");
  for (int form = 0; form < 3; ++form) {
    std::string const text = kFormat41 + nodes + elements;
    msh f(form == 0 ? text : msh_binary(text, form == 2));
    ASSERT_EQ(f.m.npt(), 3);
    EXPECT_EQ(f.m.y(1), 0.0f);  // tag 7
    EXPECT_EQ(f.m.y(2), 1.0f);  // tag 42
    EXPECT_EQ(f.m.x(3), 1.0f);  // tag 10^12
    EXPECT_EQ(f.m.lg(1, 1), 2);
    EXPECT_EQ(f.m.lg(1, 2), 1);
    EXPECT_EQ(f.m.lg(1, 3), 3);
  }
  // Gaps within the dense index; tags in descending file order.
  msh g(kFormat22 + section("Nodes", "3\n6 0 0 0\n4 1 0 0\n2 0 1 0\n") +
        section("Elements", "1\n1 2 2 0 1 6 4 2\n"));
  EXPECT_EQ(mesh_text(g.m),
            "npt 3\nndim 2\nnelem 1\ntelem 3\nnsd 1\nsd 1 1\n"
            "v 1 0 1 0\nv 2 1 0 0\nv 3 0 0 0\ne 1 3 2 1\n");
}

TEST(GmshTest, LargestTagsOfBinaryFiles) {
  std::string const nodes = section("Nodes",
                                    "1 3 1 18446744073709551615\n2 1 0 3\n18446744073709551615\n1\n"
                                    "18446744073709551614\n0 0 0\n1 0 0\n0 1 0\n");
  std::string const elements =
      section("Elements", "1 1 1 1\n2 1 2 1\n9 1 18446744073709551615 18446744073709551614\n");
  msh f(msh_binary(kFormat41 + nodes + elements, true));
  EXPECT_EQ(f.m.lg(1, 1), 1);
  EXPECT_EQ(f.m.lg(1, 2), 3);
  EXPECT_EQ(f.m.lg(1, 3), 2);
}

TEST(GmshTest, TwoCoordinatesOnlyForFlatSurfaceMeshes) {
  auto ndim = [](std::string const& z4, std::string const& z5) {
    std::string const nodes =
        section("Nodes", "5\n1 0 0 0\n2 1 0 -0\n3 1 1 0\n4 0 1 " + z4 + "\n5 7 7 " + z5 + "\n");
    msh f(kFormat22 + nodes + section("Elements", "2\n1 2 2 0 1 1 2 3\n2 2 2 0 1 1 3 4\n"));
    return f.m.ndim() == 3 ? f.m.xn(3, 4) + 10.0f : static_cast<float>(f.m.ndim());
  };
  EXPECT_EQ(ndim("0", "0"), 2.0f);
  EXPECT_EQ(ndim("0", "3"), 2.0f);     // node 5 is dropped
  EXPECT_EQ(ndim("0.5", "0"), 10.5f);  // three coordinates, z kept
}

TEST(GmshTest, QuadrilateralsKeepGmshNodeOrder) {
  std::string const nodes =
      section("Nodes", "6\n1 0 0 0\n2 1 0 0\n3 2 0 0\n4 0 1 0\n5 1 1 0\n6 2 1 0\n");
  msh f(kFormat22 + nodes +
        section("Elements", "3\n1 3 2 0 1 1 2 5 4\n2 3 2 0 1 2 3 6 5\n3 1 2 0 1 1 2\n"));
  EXPECT_EQ(mesh_text(f.m),
            "npt 6\nndim 2\nnelem 2\ntelem 4\nnsd 1\nsd 1 2\n"
            "v 1 0 0 0\nv 2 1 0 0\nv 3 2 0 0\nv 4 0 1 0\nv 5 1 1 0\nv 6 2 1 0\n"
            "e 1 1 2 5 4\ne 2 2 3 6 5\n");
}

TEST(GmshTest, OtherSectionsAreSkipped) {
  // Names with blanks and dollars, a comment, and after the elements a
  // payload holding other sections' header and end lines.
  std::string const names = section("PhysicalNames", "2\n1 7 \"bord $Nodes a\"\n2 1 \"surface\"\n");
  std::string const data = section(
      "NodeData",
      "1\n\"u\"\n1\n0.0\n3\n0\n1\n4\n$EndNodes\n$Elements\n$EndNodeDataX\n 1 0.5\n2 1\n3 1\n4 1\n");
  std::string const text = kFormat22 + names + section("Comments", "\n") + kSquareNodes22 +
                           section("Elements", "2\n1 2 2 0 1 1 2 3\n2 2 2 0 1 1 3 4\n") + data;
  msh plain(kSquare22);
  for (int form = 0; form < 3; ++form) {
    msh f(form == 0 ? text : msh_binary(text, form == 2));
    EXPECT_EQ(mesh_text(f.m), mesh_text(plain.m)) << form;
  }
}

TEST(GmshTest, BinaryFilesInEitherByteOrder) {
  for (char const* g : kGeometries) {
    for (char const* form : {"_22.msh", "_41.msh"}) {
      std::string const text = read_file(data(std::string(g) + form));
      maillage plain(data(std::string(g) + form).c_str());
      for (bool other : {false, true}) {
        msh f(msh_binary(text, other));
        EXPECT_EQ(mesh_text(f.m), mesh_text(plain)) << g << form << other;
      }
    }
  }
}

TEST(GmshTest, CarriageReturnsAndBlankLines) {
  std::string crlf;
  for (char c : kSquare41) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  msh a(crlf), b(kSquare41), c("\n\n  " + kSquare41 + "\n\n");
  EXPECT_EQ(mesh_text(a.m), mesh_text(b.m));
  EXPECT_EQ(mesh_text(c.m), mesh_text(b.m));
}

TEST(GmshTest, ReaderReplacesGeometryTitleAndStatistics) {
  probe m(data("quadrangles_22.msh").c_str());
  m.init_stats();
  ASSERT_NE(m.stat_status, 0);
  std::string const long_name(120, 'x');
  TempDir d;
  write_file(d.path(long_name + ".msh"), kSquare22);
  m.lect_gmsh(d.path(long_name + ".msh").c_str());
  EXPECT_EQ(m.stat_status, 0);
  EXPECT_EQ(m.nelem(), 2);
  EXPECT_EQ(m.telem(), 3);
  EXPECT_EQ(std::string(m.titre), std::string(80, 'x'));
}

TEST(GmshTest, NameEndingInMshIsRead) {
  TempDir d;
  write_file(d.path("a.b.msh"), kSquare41);
  probe m(d.path("a.b.msh").c_str());
  EXPECT_EQ(m.npt(), 4);
  EXPECT_EQ(std::string(m.titre), "a.b.msh");
}
