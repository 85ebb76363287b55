// End-to-end tests of the mesh2vtk converter: the VTK file checked against
// the legacy format's rules, the SVG parsed as XML, errors and statuses.
#include <fcntl.h>
#include <pty.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "kadro_bytes.h"
#include "run_program.h"
#include "test_util.h"
#include "vtk.h"
#include "xml_doc.h"

namespace {

run_result convert(std::string const& dir, std::vector<std::string> args) {
  return run(MESH2VTK_EXE, dir, std::move(args));
}

// A legacy VTK unstructured grid, read strictly by the format's rules;
// `error` says what broke them.
struct vtk_grid {
  std::string title, error;
  std::vector<double> points;  // 3 per point
  std::vector<std::vector<int>> cells;
  std::vector<int> types, tags, domains;

  explicit vtk_grid(std::string const& text) {
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    if (line != "# vtk DataFile Version 3.0") {
      error = "version line";
      return;
    }
    std::getline(in, title);
    std::getline(in, line);
    if (line != "ASCII") {
      error = "ASCII line";
      return;
    }
    std::getline(in, line);
    if (line != "DATASET UNSTRUCTURED_GRID") {
      error = "dataset line";
      return;
    }
    std::string kw, type;
    long n = -1, size = -1;
    if (!(in >> kw >> n >> type) || kw != "POINTS" || type != "float" || n < 0) {
      error = "POINTS";
      return;
    }
    points.resize(static_cast<std::size_t>(3 * n));
    for (double& c : points)
      if (!(in >> c)) {
        error = "point coordinates";
        return;
      }
    long nc = -1;
    if (!(in >> kw >> nc >> size) || kw != "CELLS" || nc < 0) {
      error = "CELLS";
      return;
    }
    long used = 0;
    for (long e = 0; e < nc; ++e) {
      int k = 0;
      if (!(in >> k) || k < 1) {
        error = "cell size";
        return;
      }
      std::vector<int> c(static_cast<std::size_t>(k));
      for (int& v : c)
        if (!(in >> v) || v < 0 || v >= n) {
          error = "connectivity";
          return;
        }
      used += k + 1;
      cells.push_back(c);
    }
    if (used != size) {
      error = "CELLS size";
      return;
    }
    long nt = -1;
    if (!(in >> kw >> nt) || kw != "CELL_TYPES" || nt != nc) {
      error = "CELL_TYPES";
      return;
    }
    types.resize(static_cast<std::size_t>(nc));
    for (int& t : types)
      if (!(in >> t)) {
        error = "cell types";
        return;
      }
    if (!data(in, "POINT_DATA", n, tags) || !data(in, "CELL_DATA", nc, domains)) return;
    if (in >> kw) error = "trailing " + kw;
  }

  bool data(std::istream& in, char const* section, long count, std::vector<int>& values) {
    std::string kw, name, type, lt, table;
    long m = -1;
    int comps = 0;
    if (!(in >> kw >> m) || kw != section || m != count || !(in >> kw >> name >> type >> comps) ||
        kw != "SCALARS" || type != "int" || comps != 1 || !(in >> lt >> table) ||
        lt != "LOOKUP_TABLE" || table != "default") {
      error = section;
      return false;
    }
    values.resize(static_cast<std::size_t>(count));
    for (int& v : values)
      if (!(in >> v)) {
        error = std::string(section) + " values";
        return false;
      }
    return true;
  }
};

std::vector<double> numbers(std::string s) {
  for (char& c : s)
    if (c == ',') c = ' ';
  std::istringstream in(s);
  std::vector<double> v;
  double d;
  while (in >> d) v.push_back(d);
  return v;
}

std::string usage() {
  return std::string("Usage: ") + MESH2VTK_EXE +
         " [-b] maillage sortie.vtk|sortie.vtu|sortie.svg "
         "[sortie.vtk|sortie.vtu|sortie.svg]\n";
}

// Two triangles in two subdomains, tags on vertices 2 and 4.
kadro_bytes two_triangles(std::string const& title) {
  kadro_bytes k;
  k.title(title).header(4);
  k.vertex(0, 0, 0, 0).vertex(2, 0, 0, 3).vertex(2, 1, 0, 0).vertex(0, 1, 0, -7);
  k.group(1, 1, 3).element(1, {1, 2, 3});
  k.group(2, 1, 3).element(1, {1, 3, 4});
  return k;
}

TEST(Mesh2vtkTest, GeneratedGridGivesQuadsWithZeroBasedConnectivity) {
  TempDir d;
  ASSERT_EQ(run(REG_M_EXE, d.dir(), {"-b", "0", "1", "3", "0", "1", "2"}).status, 0);
  run_result r = convert(d.dir(), {"reg_m.kadro2D", "g.vtk"});
  ASSERT_EQ(r.status, 0) << r.err;
  vtk_grid g(read_file(d.path("g.vtk")));
  ASSERT_EQ(g.error, "");
  EXPECT_EQ(g.title, "Maillage rectangulaire automatique 3 x 2");
  ASSERT_EQ(g.points.size(), 12u * 3);
  EXPECT_EQ(g.points[0], -0.5);
  EXPECT_EQ(g.points[1], -0.5);
  EXPECT_EQ(g.points[2], 0.0);
  EXPECT_EQ(g.points[11 * 3], 2.5);
  EXPECT_EQ(g.points[11 * 3 + 1], 1.5);
  ASSERT_EQ(g.cells.size(), 6u);
  EXPECT_EQ(g.cells[0], (std::vector<int>{0, 1, 5, 4}));
  EXPECT_EQ(g.cells[5], (std::vector<int>{6, 7, 11, 10}));
  EXPECT_EQ(g.types, std::vector<int>(6, 9));
  EXPECT_EQ(g.tags, std::vector<int>(12, 0));
  EXPECT_EQ(g.domains, std::vector<int>(6, 1));
}

TEST(Mesh2vtkTest, TrianglesCarryTagsAndSubdomains) {
  TempDir d;
  ASSERT_TRUE(two_triangles("deux triangles").save(d.path("t.kadro2D")));
  run_result r = convert(d.dir(), {"t.kadro2D", "t.vtk", "t.svg"});
  ASSERT_EQ(r.status, 0) << r.err;
  vtk_grid g(read_file(d.path("t.vtk")));
  ASSERT_EQ(g.error, "");
  EXPECT_EQ(g.title, "deux triangles");
  EXPECT_EQ(g.cells, (std::vector<std::vector<int>>{{0, 1, 2}, {0, 2, 3}}));
  EXPECT_EQ(g.types, (std::vector<int>{5, 5}));
  EXPECT_EQ(g.tags, (std::vector<int>{0, 3, 0, -7}));
  EXPECT_EQ(g.domains, (std::vector<int>{1, 2}));
}

TEST(Mesh2vtkTest, ThreeDimensionalFourNodeElementsAreTetrahedra) {
  TempDir d;
  kadro_bytes k;
  k.title("tetra").header(4);
  k.vertex(0, 0, 0, 1).vertex(1, 0, 0, 0).vertex(0, 1, 0, 0).vertex(0, 0, 1, 0);
  k.group(1, 1, 4).element(1, {1, 2, 3, 4});
  ASSERT_TRUE(k.save(d.path("t.kadro3D")));
  run_result r = convert(d.dir(), {"t.kadro3D", "t.vtk"});
  ASSERT_EQ(r.status, 0) << r.err;
  vtk_grid g(read_file(d.path("t.vtk")));
  ASSERT_EQ(g.error, "");
  EXPECT_EQ(g.types, (std::vector<int>{10}));
  EXPECT_EQ(g.points[3 * 3 + 2], 1.0);
  // The same bytes read as a 2-D mesh: a quadrilateral.
  ASSERT_TRUE(k.save(d.path("t.kadro2D")));
  ASSERT_EQ(convert(d.dir(), {"t.kadro2D", "q.vtk"}).status, 0);
  EXPECT_EQ(vtk_grid(read_file(d.path("q.vtk"))).types, (std::vector<int>{9}));
}

TEST(Mesh2vtkTest, ReadsGmshFiles) {
  TempDir d;
  std::string const msh = std::string(GMSH_DATA_DIR) + "/forme_l_41b.msh";
  run_result r = convert(d.dir(), {msh, "l.vtk"});
  ASSERT_EQ(r.status, 0) << r.err;
  vtk_grid g(read_file(d.path("l.vtk")));
  ASSERT_EQ(g.error, "");
  EXPECT_EQ(g.title, "forme_l_41b.msh");
  EXPECT_EQ(g.points.size(), 51u * 3);
  EXPECT_EQ(g.types, std::vector<int>(76, 5));
  // Group 3 (26 triangles) then group 8; the re-entrant corner is vertex 4.
  std::vector<int> domains(26, 1);
  domains.resize(76, 2);
  EXPECT_EQ(g.domains, domains);
  EXPECT_EQ(g.tags[3], 30);
  EXPECT_EQ(convert(d.dir(), {"missing.msh", "a.vtk"}).status, 208);
}

TEST(Mesh2vtkTest, SvgOutlinesElementsAndMarksTaggedVertices) {
  TempDir d;
  ASSERT_TRUE(two_triangles("a < b & c").save(d.path("t.kadro2D")));
  run_result r = convert(d.dir(), {"t.kadro2D", "t.svg"});
  ASSERT_EQ(r.status, 0) << r.err;
  xml_doc x(read_file(d.path("t.svg")));
  ASSERT_EQ(x.error, "");
  ASSERT_FALSE(x.nodes.empty());
  EXPECT_EQ(x.nodes[0].name, "svg");
  auto polys = x.all("polygon");
  auto circles = x.all("circle");
  ASSERT_EQ(polys.size(), 2u);
  ASSERT_EQ(circles.size(), 2u);
  // y points up: SVG's y is the mesh's -y.
  EXPECT_EQ(numbers(polys[1]->attr.at("points")), (std::vector<double>{0, 0, 2, -1, 0, -1}));
  EXPECT_EQ(numbers(circles[0]->attr.at("cx") + " " + circles[0]->attr.at("cy")),
            (std::vector<double>{2, 0}));
  EXPECT_EQ(numbers(circles[1]->attr.at("cx") + " " + circles[1]->attr.at("cy")),
            (std::vector<double>{0, -1}));
  // The view box holds the mesh with a margin and no more than 10 %.
  std::vector<double> vb = numbers(x.nodes[0].attr.at("viewBox"));
  ASSERT_EQ(vb.size(), 4u);
  EXPECT_LT(vb[0], 0);
  EXPECT_GT(vb[0], -0.2);
  EXPECT_LT(vb[1], -1);
  EXPECT_GT(vb[1], -1.2);
  EXPECT_GT(vb[0] + vb[2], 2);
  EXPECT_LT(vb[0] + vb[2], 2.2);
  EXPECT_GT(vb[1] + vb[3], 0);
  EXPECT_LT(vb[1] + vb[3], 0.2);
}

TEST(Mesh2vtkTest, GridSvgHasOnePolygonPerElement) {
  TempDir d;
  ASSERT_EQ(run(REG_M_EXE, d.dir(), {"-b", "0", "1", "10", "0", "1", "7"}).status, 0);
  ASSERT_EQ(convert(d.dir(), {"reg_m.kadro2D", "g.svg", "g.vtk"}).status, 0);
  xml_doc x(read_file(d.path("g.svg")));
  ASSERT_EQ(x.error, "");
  EXPECT_EQ(x.all("polygon").size(), 70u);
  EXPECT_EQ(x.all("circle").size(), 0u);
  EXPECT_EQ(vtk_grid(read_file(d.path("g.vtk"))).cells.size(), 70u);
}

TEST(Mesh2vtkTest, OptionAndNamesChooseTheForm) {
  TempDir d;
  ASSERT_TRUE(two_triangles("deux triangles").save(d.path("t.kadro2D")));
  run_result r = convert(d.dir(), {"-b", "t.kadro2D", "b.vtk", "c.vtu"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(convert(d.dir(), {"t.kadro2D", "a.vtk"}).status, 0);
  maillage const m(d.path("t.kadro2D").c_str());
  ecrit_vtk(m, d.path("lib.vtk").c_str(), vtk_champs(), vtk_format::binaire);
  ecrit_vtk(m, d.path("lib.vtu").c_str());
  EXPECT_EQ(read_file(d.path("b.vtk")), read_file(d.path("lib.vtk")));
  EXPECT_EQ(read_file(d.path("c.vtu")), read_file(d.path("lib.vtu")));
  EXPECT_EQ(vtk_grid(read_file(d.path("a.vtk"))).error, "");
}

TEST(Mesh2vtkTest, BadArgumentsPrintUsage) {
  TempDir d;
  ASSERT_TRUE(two_triangles("t").save(d.path("t.kadro2D")));
  std::vector<std::vector<std::string>> bad = {{},
                                               {"t.kadro2D"},
                                               {"t.kadro2D", "a.vtk", "b.svg", "c.vtk"},
                                               {"t.kadro2D", "a.txt"},
                                               {"t.kadro2D", "a.vtk", ".svg"},
                                               {"-x", "t.kadro2D", "a.vtk"},
                                               {"-b", "t.kadro2D"},
                                               {"t.kadro2D", ".vtu"}};
  for (auto const& args : bad) {
    run_result r = convert(d.dir(), args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(usage()), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::ifstream(d.path("a.vtk")).good());
}

TEST(Mesh2vtkTest, OutputFailuresNameTheFile) {
  TempDir d;
  ASSERT_TRUE(two_triangles("t").save(d.path("t.kadro2D")));
  run_result r = convert(d.dir(), {"t.kadro2D", "nowhere/a.vtk"});
  EXPECT_EQ(r.status, 209);
  EXPECT_NE(r.err.find("Rcourb: problemmes d'ouvertoure du fichier nowhere/a.vtk\n"),
            std::string::npos)
      << r.err;
  if (access("/dev/full", W_OK) == 0) {
    ASSERT_EQ(symlink("/dev/full", d.path("full.svg").c_str()), 0);
    r = convert(d.dir(), {"t.kadro2D", "full.svg"});
    EXPECT_EQ(r.status, 209);
    EXPECT_NE(r.err.find("Rcourb: erreur d'ecriture du fichier full.svg\n"), std::string::npos)
        << r.err;
  }
}

TEST(Mesh2vtkTest, RefusesMeshesItCannotDraw) {
  TempDir d;
  kadro_bytes k;
  k.title("t").header(3);
  k.vertex(0, 0, 0, 0).vertex(1, 0, 0, 0).vertex(0, 1, 0, 0);
  k.group(1, 1, 3).element(1, {1, 2, 4});
  ASSERT_TRUE(k.save(d.path("bad.kadro2D")));
  run_result r = convert(d.dir(), {"bad.kadro2D", "a.vtk"});
  // The reader refuses the vertex number before the converter sees it.
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Erreur de format dans la lecture de bad.kadro2D\n"
                       "L'element 1 a le sommet 4 hors de 1..3\n"),
            std::string::npos)
      << r.err;

  kadro_bytes n;
  n.title("t").header(1).vertex(std::nanf(""), 0, 0, 0);
  ASSERT_TRUE(n.save(d.path("nan.kadro2D")));
  r = convert(d.dir(), {"nan.kadro2D", "a.svg"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("non convertible: coordonnee non finie\n"), std::string::npos);

  kadro_bytes s;
  s.title("t").header(7);
  for (int i = 0; i < 7; ++i) s.vertex(i, 0, 0, 0);
  s.group(1, 1, 7).element(1, {1, 2, 3, 4, 5, 6, 7});
  ASSERT_TRUE(s.save(d.path("seven.kadro3D")));
  EXPECT_EQ(convert(d.dir(), {"seven.kadro3D", "a.vtk"}).status, 1);

  // Reader errors keep the library's statuses.
  EXPECT_EQ(convert(d.dir(), {"missing.kadro2D", "a.vtk"}).status, 208);
  EXPECT_EQ(convert(d.dir(), {"t.mesh", "a.vtk"}).status, 201);
}

#ifdef BEND_EXE
TEST(Mesh2vtkTest, BentGridFillsTheAnnularSector) {
  TempDir d;
  // 4 x 2 unit cells, bent into the first quarter from radius 1: the height
  // is half the width, so the outer radius is 1 + pi / 4.
  ASSERT_EQ(run(REG_M_EXE, d.dir(), {"-b", "0", "1", "4", "0", "1", "2"}).status, 0);
  run_result r = run(BEND_EXE, d.dir(), {"reg_m.kadro2D", "1", "4", "0", "s.kadro2D"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(convert(d.dir(), {"s.kadro2D", "s.vtk", "s.svg"}).status, 0);
  vtk_grid g(read_file(d.path("s.vtk")));
  ASSERT_EQ(g.error, "");
  ASSERT_EQ(g.points.size(), 15u * 3);
  double const r2 = 1 + 3.141592653589793 / 4;
  for (std::size_t i = 0; i < 15; ++i) {
    double const x = g.points[3 * i], y = g.points[3 * i + 1];
    double const rho = std::sqrt(x * x + y * y);
    EXPECT_GE(x, -1e-6);
    EXPECT_GE(y, -1e-6);
    EXPECT_NEAR(rho, 1 + (r2 - 1) * static_cast<double>(i / 5) / 2, 1e-5) << i;
  }
  EXPECT_EQ(g.cells[0], (std::vector<int>{0, 1, 6, 5}));
  xml_doc x(read_file(d.path("s.svg")));
  ASSERT_EQ(x.error, "");
  EXPECT_EQ(x.all("polygon").size(), 8u);
  EXPECT_EQ(run(BEND_EXE, d.dir(), {"reg_m.kadro2D", "1", "0", "0", "t.kadro2D"}).status, 1);
}
#endif

// Runs `exe` in `dir` with stderr on a pseudo-terminal; returns what the
// terminal showed (stdout goes to /dev/null).
std::string run_on_terminal(char const* exe, std::string const& dir,
                            std::vector<std::string> args) {
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    int fd = open("/dev/null", O_WRONLY);
    if (fd < 0 || dup2(fd, 1) < 0) _exit(121);
    exec_in(exe, dir, args);
  }
  std::string shown;
  if (pid < 0) return shown;
  char buf[4096];
  ssize_t n;
  while ((n = read(master, buf, sizeof buf)) > 0) shown.append(buf, static_cast<std::size_t>(n));
  int st = 0;
  waitpid(pid, &st, 0);
  close(master);
  return shown;
}

TEST(ProgressTest, ShownOnTerminalsOnly) {
  TempDir d;
  std::vector<std::string> const grid = {"-b", "0", "1", "1000", "0", "1", "1000"};
  std::string shown = run_on_terminal(REG_M_EXE, d.dir(), grid);
  EXPECT_NE(shown.find("reg_m: grille 1000 x 1000..."), std::string::npos) << shown;
  EXPECT_NE(shown.find("reg_m: ecriture de reg_m.kadro2D..."), std::string::npos);
  run_result r = run(REG_M_EXE, d.dir(), grid);
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.err.find("reg_m: grille"), std::string::npos) << r.err;

  // 103041 vertices and 102400 elements, a file of 9 MB.
  ASSERT_EQ(run(REG_M_EXE, d.dir(), {"-b", "0", "1", "320", "0", "1", "320"}).status, 0);
  shown = run_on_terminal(MESH2VTK_EXE, d.dir(), {"reg_m.kadro2D", "g.svg"});
  EXPECT_NE(shown.find("lecture de reg_m.kadro2D..."), std::string::npos) << shown;
  EXPECT_NE(shown.find("g.svg:  50%"), std::string::npos) << shown;
  EXPECT_NE(shown.find("g.svg:  99%"), std::string::npos) << shown;
  EXPECT_NE(shown.find("g.svg: fait"), std::string::npos) << shown;
  r = convert(d.dir(), {"reg_m.kadro2D", "g.svg"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.err.find("lecture"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('%'), std::string::npos) << r.err;
}

}  // namespace
