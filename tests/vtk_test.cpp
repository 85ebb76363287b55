// Tests of the VTK writers: exact text and bytes of each form, fields,
// refusals, and what an independent reader (meshio) makes of our files.
#include "vtk.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "kadro_bytes.h"
#include "meshio_output.h"
#include "run_program.h"
#include "test_util.h"
#include "xml_doc.h"

namespace {

double const kNan = std::numeric_limits<double>::quiet_NaN();
double const kInf = std::numeric_limits<double>::infinity();

// A mesh from lists: nd coordinates per vertex, te nodes per element,
// subdomain bounds over 0..nsd.
maillage make_mesh(int nd, std::vector<float> const& xyz, int te, std::vector<int> const& nodes,
                   std::vector<int> const& tags, std::vector<int> const& bounds,
                   char const* title) {
  int const nv = static_cast<int>(xyz.size()) / nd;
  int const ne = te > 0 ? static_cast<int>(nodes.size()) / te : 0;
  gmatrix<float> som(1, nv, 1, nd);
  for (int i = 0; i < nv; ++i)
    for (int k = 0; k < nd; ++k) som(i + 1, k + 1) = xyz[static_cast<std::size_t>(i * nd + k)];
  gmatrix<int> elem(1, ne, 1, te);
  for (int e = 0; e < ne; ++e)
    for (int k = 0; k < te; ++k) elem(e + 1, k + 1) = nodes[static_cast<std::size_t>(e * te + k)];
  gvector<int> refs(1, nv);
  for (int i = 0; i < nv; ++i) refs[i + 1] = tags[static_cast<std::size_t>(i)];
  gvector<int> s(0, static_cast<int>(bounds.size()) - 1);
  for (std::size_t k = 0; k < bounds.size(); ++k) s[static_cast<int>(k)] = bounds[k];
  return maillage(std::move(som), std::move(elem), std::move(refs), std::move(s), title);
}

// Two triangles in two subdomains, tags on vertices 2 and 4.
maillage two_triangles(char const* title = "deux triangles") {
  return make_mesh(2, {0, 0, 2, 0, 2, 1, 0.1f, 1}, 3, {1, 2, 3, 1, 3, 4}, {0, 3, 0, -7}, {0, 1, 2},
                   title);
}

gvector<double> values(std::vector<double> const& v, int from = 1) {
  gvector<double> r(from, from + static_cast<int>(v.size()) - 1);
  for (std::size_t k = 0; k < v.size(); ++k) r[from + static_cast<int>(k)] = v[k];
  return r;
}

// Big-endian bytes of a value, as the legacy binary form stores them.
template <class T>
std::string be(T v) {
  char b[sizeof v];
  std::memcpy(b, &v, sizeof v);
  return std::string(std::rbegin(b), std::rend(b));
}

template <class T>
std::string host(T v) {
  return std::string(reinterpret_cast<char const*>(&v), sizeof v);
}

// The blocks of a ".vtu" with raw appended data, by array name ("Points"
// for the coordinates), and its XML without the data.
struct vtu_file {
  std::map<std::string, std::string> blocks;
  std::string xml, error;

  explicit vtu_file(std::string const& f) {
    std::string const open = "<AppendedData encoding=\"raw\">";
    std::size_t const a = f.find(open), u = f.find('_', a);
    std::size_t const z = f.rfind("</AppendedData>");
    if (a == std::string::npos || u == std::string::npos || z == std::string::npos) {
      error = "no appended data";
      return;
    }
    xml = f.substr(0, a + open.size()) + f.substr(z);
    std::size_t const data = u + 1;
    xml_doc doc(xml);
    if (!doc.error.empty()) {
      error = doc.error;
      return;
    }
    std::uint64_t end = 0;
    for (auto const* n : doc.all("DataArray")) {
      std::uint64_t const off = std::stoull(n->attr.at("offset"));
      std::uint64_t size = 0;
      if (data + off + 8 > z) {
        error = "offset past the data";
        return;
      }
      std::memcpy(&size, f.data() + data + off, 8);
      if (data + off + 8 + size > z) {
        error = "block past the data";
        return;
      }
      std::string const name = n->attr.count("Name") ? n->attr.at("Name") : "Points";
      blocks[name] = f.substr(data + off + 8, size);
      end = std::max(end, off + 8 + size);
    }
    // Nothing between the last block and the end tag but the newline.
    if (f.substr(data + end, z - data - end) != "\n  ") error = "data tail";
  }

  template <class T>
  std::vector<T> get(std::string const& name) const {
    std::string const& b = blocks.at(name);
    std::vector<T> v(b.size() / sizeof(T));
    std::memcpy(v.data(), b.data(), v.size() * sizeof(T));
    return v;
  }
};

std::string const kGoldenText =
    "# vtk DataFile Version 3.0\n"
    "deux triangles\n"
    "ASCII\n"
    "DATASET UNSTRUCTURED_GRID\n"
    "POINTS 4 float\n"
    "0 0 0\n"
    "2 0 0\n"
    "2 1 0\n"
    "0.100000001 1 0\n"
    "CELLS 2 8\n"
    "3 0 1 2\n"
    "3 0 2 3\n"
    "CELL_TYPES 2\n"
    "5\n"
    "5\n"
    "POINT_DATA 4\n"
    "SCALARS tag int 1\n"
    "LOOKUP_TABLE default\n"
    "0\n3\n0\n-7\n"
    "FIELD FieldData 1\n"
    "u 1 4 double\n"
    "0.10000000000000001\n"
    "-2.5\n"
    "1.0000000000000001e+300\n"
    "0.33333333333333331\n"
    "CELL_DATA 2\n"
    "SCALARS subdomain int 1\n"
    "LOOKUP_TABLE default\n"
    "1\n2\n"
    "FIELD FieldData 1\n"
    "p 1 2 double\n"
    "4.9406564584124654e-324\n"
    "-0\n";

class VtkTest : public ::testing::Test {
 protected:
  maillage m = two_triangles();
  gvector<double> u = values({0.1, -2.5, 1e300, 1.0 / 3});
  gvector<double> p = values({5e-324, -0.0});
  vtk_champs ch = vtk_champs().sommets("u", u).elements("p", p);
  TempDir d;
};

TEST_F(VtkTest, LegacyTextMatchesGoldenFile) {
  ecrit_vtk(m, d.path("t.vtk").c_str(), ch);
  EXPECT_EQ(read_file(d.path("t.vtk")), kGoldenText);
}

TEST_F(VtkTest, LegacyBinaryHoldsBigEndianValues) {
  ecrit_vtk(m, d.path("b.vtk").c_str(), ch, vtk_format::binaire);
  std::string e =
      "# vtk DataFile Version 3.0\ndeux triangles\nBINARY\n"
      "DATASET UNSTRUCTURED_GRID\nPOINTS 4 float\n";
  for (float c : {0.f, 0.f, 0.f, 2.f, 0.f, 0.f, 2.f, 1.f, 0.f, 0.1f, 1.f, 0.f}) e += be(c);
  e += "\nCELLS 2 8\n";
  for (int v : {3, 0, 1, 2, 3, 0, 2, 3}) e += be(v);
  e += "\nCELL_TYPES 2\n" + be(5) + be(5);
  e += "\nPOINT_DATA 4\nSCALARS tag int 1\nLOOKUP_TABLE default\n";
  for (int t : {0, 3, 0, -7}) e += be(t);
  e += "\nFIELD FieldData 1\nu 1 4 double\n";
  for (double x : {0.1, -2.5, 1e300, 1.0 / 3}) e += be(x);
  e += "\nCELL_DATA 2\nSCALARS subdomain int 1\nLOOKUP_TABLE default\n" + be(1) + be(2);
  e += "\nFIELD FieldData 1\np 1 2 double\n" + be(5e-324) + be(-0.0) + "\n";
  EXPECT_EQ(read_file(d.path("b.vtk")), e);
}

TEST_F(VtkTest, VtuDeclaresArraysAtTheirBlocks) {
  ecrit_vtk(m, d.path("x.vtu").c_str(), ch);
  vtu_file f(read_file(d.path("x.vtu")));
  ASSERT_EQ(f.error, "");
  EXPECT_EQ(
      f.xml,
      "<?xml version=\"1.0\"?>\n"
      "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" "
      "byte_order=\"LittleEndian\" header_type=\"UInt64\">\n"
      "  <UnstructuredGrid>\n"
      "    <Piece NumberOfPoints=\"4\" NumberOfCells=\"2\">\n"
      "      <PointData>\n"
      "        <DataArray type=\"Int32\" Name=\"tag\" format=\"appended\" offset=\"0\"/>\n"
      "        <DataArray type=\"Float64\" Name=\"u\" format=\"appended\" offset=\"24\"/>\n"
      "      </PointData>\n"
      "      <CellData>\n"
      "        <DataArray type=\"Int32\" Name=\"subdomain\" format=\"appended\" offset=\"64\"/>\n"
      "        <DataArray type=\"Float64\" Name=\"p\" format=\"appended\" offset=\"80\"/>\n"
      "      </CellData>\n"
      "      <Points>\n"
      "        <DataArray type=\"Float32\" NumberOfComponents=\"3\" format=\"appended\" "
      "offset=\"104\"/>\n"
      "      </Points>\n"
      "      <Cells>\n"
      "        <DataArray type=\"Int32\" Name=\"connectivity\" format=\"appended\" "
      "offset=\"160\"/>\n"
      "        <DataArray type=\"Int64\" Name=\"offsets\" format=\"appended\" offset=\"192\"/>\n"
      "        <DataArray type=\"UInt8\" Name=\"types\" format=\"appended\" offset=\"216\"/>\n"
      "      </Cells>\n"
      "    </Piece>\n"
      "  </UnstructuredGrid>\n"
      "  <AppendedData encoding=\"raw\"></AppendedData>\n"
      "</VTKFile>\n");
  EXPECT_EQ(f.get<int>("tag"), (std::vector<int>{0, 3, 0, -7}));
  EXPECT_EQ(f.get<int>("subdomain"), (std::vector<int>{1, 2}));
  EXPECT_EQ(f.blocks.at("u"), host(0.1) + host(-2.5) + host(1e300) + host(1.0 / 3));
  EXPECT_EQ(f.blocks.at("p"), host(5e-324) + host(-0.0));
  EXPECT_EQ(f.get<float>("Points"), (std::vector<float>{0, 0, 0, 2, 0, 0, 2, 1, 0, 0.1f, 1, 0}));
  EXPECT_EQ(f.get<int>("connectivity"), (std::vector<int>{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(f.get<std::int64_t>("offsets"), (std::vector<std::int64_t>{3, 6}));
  EXPECT_EQ(f.blocks.at("types"), std::string("\5\5"));
}

TEST_F(VtkTest, FormFollowsTheNameUnlessGiven) {
  ecrit_vtk(m, d.path("a.vtu").c_str());
  ecrit_vtk(m, d.path("a.vtk").c_str());
  ecrit_vtk(m, d.path("a.dat").c_str());
  ecrit_vtk(m, d.path("b.vtu").c_str(), vtk_champs(), vtk_format::ascii);
  ecrit_vtk(m, d.path("x.vtk").c_str(), vtk_champs(), vtk_format::xml);
  EXPECT_EQ(read_file(d.path("a.vtu")).compare(0, 5, "<?xml"), 0);
  EXPECT_EQ(read_file(d.path("a.vtk")).substr(42, 6), "ASCII\n");
  EXPECT_EQ(read_file(d.path("a.dat")), read_file(d.path("a.vtk")));
  EXPECT_EQ(read_file(d.path("b.vtu")), read_file(d.path("a.vtk")));
  EXPECT_EQ(read_file(d.path("x.vtk")), read_file(d.path("a.vtu")));
}

TEST_F(VtkTest, FieldsGoByStoragePositionWhateverTheirBounds) {
  gvector<double> u0 = values({0.1, -2.5, 1e300, 1.0 / 3}, 0);
  gvector<double> p7 = values({5e-324, -0.0}, -7);
  ecrit_vtk(m, d.path("t.vtk").c_str(), vtk_champs().sommets("u", u0).elements("p", p7));
  EXPECT_EQ(read_file(d.path("t.vtk")), kGoldenText);
}

TEST_F(VtkTest, BinaryFormsKeepNonFiniteValues) {
  gvector<double> w = values({kNan, kInf, -kInf, 1}), v = values({2, 3, 4, 5});
  vtk_champs const two = vtk_champs().sommets("w", w).sommets("v", v);
  ecrit_vtk(m, d.path("t.vtk").c_str(), two, vtk_format::binaire);
  std::string const t = read_file(d.path("t.vtk"));
  std::string const block = "FIELD FieldData 2\nw 1 4 double\n" + be(kNan) + be(kInf) + be(-kInf) +
                            be(1.0) + "\nv 1 4 double\n" + be(2.0);
  EXPECT_NE(t.find(block), std::string::npos);
  ecrit_vtk(m, d.path("t.vtu").c_str(), two);
  vtu_file f(read_file(d.path("t.vtu")));
  ASSERT_EQ(f.error, "");
  EXPECT_EQ(f.blocks.at("w"), host(kNan) + host(kInf) + host(-kInf) + host(1.0));
}

// The text of every number is the one printf gives, for random bit
// patterns: subnormals, both zeros, the extremes.
TEST_F(VtkTest, TextNumbersAreThoseOfPrintf) {
  std::mt19937_64 rng(12345);
  int const nv = 3000;
  std::vector<float> xyz;
  while (xyz.size() < 3u * nv) {
    std::uint32_t const b = static_cast<std::uint32_t>(rng());
    float c;
    std::memcpy(&c, &b, 4);
    if (std::isfinite(c)) xyz.push_back(c);
  }
  gvector<double> w(1, nv);
  for (int i = 1; i <= nv; ++i) {
    std::uint64_t b = rng();
    if (i % 7 == 0) b &= 0x800fffffffffffffULL;  // subnormal
    if ((b >> 52 & 0x7ff) == 0x7ff) b ^= 1ULL << 62;
    std::memcpy(&w[i], &b, 8);
  }
  maillage g = make_mesh(3, xyz, 1, {}, std::vector<int>(nv, 0), {0}, "t");
  ecrit_vtk(g, d.path("r.vtk").c_str(), vtk_champs().sommets("w", w));
  std::istringstream in(read_file(d.path("r.vtk")));
  std::string line;
  while (std::getline(in, line) && line.compare(0, 7, "POINTS ") != 0) {
  }
  char buf[128];
  for (int i = 0; i < nv; ++i) {
    std::getline(in, line);
    float const* c = &xyz[3u * i];
    std::snprintf(buf, sizeof buf, "%.9g %.9g %.9g", c[0], c[1], c[2]);
    ASSERT_EQ(line, buf) << "vertex " << i + 1;
  }
  while (std::getline(in, line) && line != "w 1 3000 double") {
  }
  for (int i = 1; i <= nv; ++i) {
    std::getline(in, line);
    std::snprintf(buf, sizeof buf, "%.17g", w[i]);
    ASSERT_EQ(line, buf) << "value " << i;
  }
}

TEST_F(VtkTest, SubdomainsAreThoseOfTheMesh) {
  // Bounds that go back or past the end, as a hand-made mesh may have.
  maillage g = make_mesh(2, {0, 0, 1, 0, 1, 1, 0, 1}, 2, {1, 2, 2, 3, 3, 4, 4, 1, 1, 3},
                         {0, 0, 0, 0}, {0, 2, 1, 4, 9}, "t");
  ecrit_vtk(g, d.path("s.vtu").c_str());
  vtu_file f(read_file(d.path("s.vtu")));
  ASSERT_EQ(f.error, "");
  std::vector<int> const sd = f.get<int>("subdomain");
  ASSERT_EQ(sd.size(), 5u);
  for (int e = 1; e <= 5; ++e) EXPECT_EQ(sd[static_cast<std::size_t>(e - 1)], g.sd(e)) << e;
  EXPECT_EQ(sd, (std::vector<int>{1, 1, 3, 3, 4}));
}

TEST_F(VtkTest, EmptyMeshGivesEmptyGrid) {
  maillage e;
  ecrit_vtk(e, d.path("e.vtk").c_str());
  EXPECT_EQ(read_file(d.path("e.vtk")),
            "# vtk DataFile Version 3.0\nmaillage\nASCII\nDATASET UNSTRUCTURED_GRID\n"
            "POINTS 0 float\nCELLS 0 0\nCELL_TYPES 0\n"
            "POINT_DATA 0\nSCALARS tag int 1\nLOOKUP_TABLE default\n"
            "CELL_DATA 0\nSCALARS subdomain int 1\nLOOKUP_TABLE default\n");
  ecrit_vtk(e, d.path("e.vtu").c_str());
  vtu_file f(read_file(d.path("e.vtu")));
  ASSERT_EQ(f.error, "");
  EXPECT_EQ(f.blocks.size(), 6u);
  for (auto const& b : f.blocks) EXPECT_EQ(b.second, "") << b.first;
}

TEST(VtkTypeTest, FollowsDimensionAndNodeCount) {
  // Nodes 1..9 per element.
  std::vector<int> const in2d = {1, 3, 5, 9, 7, 7, 7, 7, 7};
  std::vector<int> const in3d = {1, 3, 5, 10, 14, 13, 0, 12, 0};
  for (int t = 1; t <= 9; ++t) {
    EXPECT_EQ(vtk_type(1, t), in2d[static_cast<std::size_t>(t - 1)]) << t;
    EXPECT_EQ(vtk_type(2, t), in2d[static_cast<std::size_t>(t - 1)]) << t;
    EXPECT_EQ(vtk_type(3, t), in3d[static_cast<std::size_t>(t - 1)]) << t;
  }
  EXPECT_EQ(vtk_type(2, 0), 0);
}

TEST(VtkTitleTest, IsOnePrintableLine) {
  EXPECT_EQ(titre_imprimable(two_triangles("  un\ttitre\n  ")), "un?titre?");
  EXPECT_EQ(titre_imprimable(two_triangles("   ")), "maillage");
  EXPECT_EQ(titre_imprimable(two_triangles("\xc3\xa9t\xc3\xa9")), "??t??");
  EXPECT_EQ(titre_imprimable(maillage()), "maillage");
}

TEST(VtkPvtuTest, ListsPiecesAndDeclaresFields) {
  TempDir d;
  gvector<double> u(1, 1), p(1, 1);
  ecrit_pvtu(d.path("a.pvtu").c_str(), {"a_0.vtu", "sous dossier/a&1.vtu"},
             vtk_champs().sommets("u", u).sommets("v", u).elements("p<1>", p));
  std::string const t = read_file(d.path("a.pvtu"));
  EXPECT_EQ(t,
            "<?xml version=\"1.0\"?>\n"
            "<VTKFile type=\"PUnstructuredGrid\" version=\"1.0\" "
            "byte_order=\"LittleEndian\" header_type=\"UInt64\">\n"
            "  <PUnstructuredGrid GhostLevel=\"0\">\n"
            "    <PPointData>\n"
            "      <PDataArray type=\"Int32\" Name=\"tag\"/>\n"
            "      <PDataArray type=\"Float64\" Name=\"u\"/>\n"
            "      <PDataArray type=\"Float64\" Name=\"v\"/>\n"
            "    </PPointData>\n"
            "    <PCellData>\n"
            "      <PDataArray type=\"Int32\" Name=\"subdomain\"/>\n"
            "      <PDataArray type=\"Float64\" Name=\"p&lt;1&gt;\"/>\n"
            "    </PCellData>\n"
            "    <PPoints>\n"
            "      <PDataArray type=\"Float32\" NumberOfComponents=\"3\"/>\n"
            "    </PPoints>\n"
            "    <Piece Source=\"a_0.vtu\"/>\n"
            "    <Piece Source=\"sous dossier/a&amp;1.vtu\"/>\n"
            "  </PUnstructuredGrid>\n"
            "</VTKFile>\n");
  EXPECT_EQ(xml_doc(t).error, "");
}

// ------------------------------------------------------------ meshio

bool same(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

struct mesh_kind {
  int nd, te;
  char const* meshio_type;
  // meshio's node j is our node order[j] (meshio takes wedges in gmsh's
  // order); empty: the same order. VTK keeps ours.
  std::vector<int> order = {};
  // meshio's legacy reader drops the cell data of polygons.
  bool legacy_cell_data = true;
};

std::ostream& operator<<(std::ostream& o, mesh_kind const& k) {
  return o << k.meshio_type << " in " << k.nd << "-D";
}

// Random coordinates, nodes, tags and fields: every value has all its bits.
struct random_mesh {
  maillage m;
  gvector<double> u, v, w, p, q;  // w: not finite, binary forms only

  random_mesh(int nd, int te, int nv, int ne) {
    std::mt19937_64 rng(static_cast<std::uint64_t>(nd * 100 + te));
    std::uniform_real_distribution<float> coord(-10, 10);
    std::vector<float> xyz(static_cast<std::size_t>(nv * nd));
    for (float& c : xyz) c = coord(rng);
    std::vector<int> nodes(static_cast<std::size_t>(ne * te)), tags(static_cast<std::size_t>(nv));
    for (int& x : nodes) x = 1 + static_cast<int>(rng() % static_cast<unsigned>(nv));
    for (int& t : tags) t = static_cast<int>(rng() % 11) - 5;
    m = make_mesh(nd, xyz, te, nodes, tags, {0, ne / 3, ne / 2, ne}, "aleatoire");
    std::normal_distribution<double> val(0, 1e3);
    u = values(std::vector<double>(static_cast<std::size_t>(nv)));
    v = u;
    p = values(std::vector<double>(static_cast<std::size_t>(ne)));
    q = p;
    for (int i = 1; i <= nv; ++i) u[i] = val(rng), v[i] = 1 / val(rng);
    for (int e = 1; e <= ne; ++e) p[e] = val(rng), q[e] = std::ldexp(val(rng), -1060);
    v[4] = -0.0, q[1] = 1e308;
    // Values no solver should give, but which must survive.
    w = u;
    w[1] = kNan, w[2] = kInf, w[3] = -kInf;
  }
};

class VtkReaderTest : public ::testing::TestWithParam<mesh_kind> {};

// Files of every form read by vtk_meshio_check.py with meshio, or with
// VTK's own readers (those of ParaView) when `vtk`.
void read_back(mesh_kind const& k, bool vtk) {
  int const nv = 40, ne = 25;
  random_mesh r(k.nd, k.te, nv, ne);
  vtk_champs ch =
      vtk_champs().sommets("u", r.u).sommets("v", r.v).elements("p", r.p).elements("q", r.q);
  TempDir d;
  std::vector<std::string> const names = {"a.vtk", "b.vtk", "c.vtu"};
  ecrit_vtk(r.m, d.path(names[0]).c_str(), ch, vtk_format::ascii);
  ch.sommets("w", r.w);
  ecrit_vtk(r.m, d.path(names[1]).c_str(), ch, vtk_format::binaire);
  ecrit_vtk(r.m, d.path(names[2]).c_str(), ch, vtk_format::xml);
  std::vector<std::string> args = {MESHIO_CHECK, names[0], names[1], names[2]};
  if (vtk) args.insert(args.begin() + 1, "--vtk");
  run_result const res = run(MESHIO_PYTHON, d.dir(), args);
  ASSERT_EQ(res.status, 0) << res.err;
  EXPECT_EQ(res.err.find("ERR|"), std::string::npos) << res.err;
  std::map<std::string, meshio_file> const files = parse_meshio(res.out);
  ASSERT_EQ(files.size(), 3u) << res.out;
  for (auto const& [name, f] : files) {
    SCOPED_TRACE(name);
    ASSERT_EQ(f.dim, 3);
    ASSERT_EQ(f.points.size(), 3u * nv);
    for (int i = 1; i <= nv; ++i)
      for (int c = 1; c <= 3; ++c)
        ASSERT_EQ(f.points[static_cast<std::size_t>(3 * (i - 1) + c - 1)],
                  c <= k.nd ? r.m.xn(c, i) : 0.0f)
            << i << "," << c;
    ASSERT_EQ(f.types, std::vector<std::string>{k.meshio_type});
    ASSERT_EQ(f.cells.size(), static_cast<std::size_t>(ne));
    for (int e = 1; e <= ne; ++e)
      for (int j = 1; j <= k.te; ++j)
        ASSERT_EQ(
            f.cells[static_cast<std::size_t>(e - 1)].at(static_cast<std::size_t>(j - 1)),
            r.m.lg(e, vtk || k.order.empty() ? j : 1 + k.order[static_cast<std::size_t>(j - 1)]) -
                1);
    bool const text = name == names[0];
    ASSERT_EQ(f.point_data.size(), text ? 3u : 4u);
    bool const cell_data = vtk || k.legacy_cell_data || name == names[2];
    ASSERT_EQ(f.cell_data.size(), cell_data ? 3u : 0u);
    auto const expect = [](std::vector<double> const& got, int n, auto want) {
      ASSERT_EQ(got.size(), static_cast<std::size_t>(n));
      for (int i = 1; i <= n; ++i)
        EXPECT_PRED2(same, got[static_cast<std::size_t>(i - 1)], want(i)) << i;
    };
    expect(f.point_data.at("tag"), nv, [&](int i) { return r.m.ref(i); });
    expect(f.point_data.at("u"), nv, [&](int i) { return r.u[i]; });
    expect(f.point_data.at("v"), nv, [&](int i) { return r.v[i]; });
    if (!text) expect(f.point_data.at("w"), nv, [&](int i) { return r.w[i]; });
    if (!cell_data) continue;
    expect(f.cell_data.at("subdomain"), ne, [&](int e) { return r.m.sd(e); });
    expect(f.cell_data.at("p"), ne, [&](int e) { return r.p[e]; });
    expect(f.cell_data.at("q"), ne, [&](int e) { return r.q[e]; });
  }
}

TEST_P(VtkReaderTest, MeshioReadsBackWhatWasWritten) { read_back(GetParam(), false); }

#ifdef VTK_READER_CHECK
TEST_P(VtkReaderTest, VtkReadsBackWhatWasWritten) { read_back(GetParam(), true); }
#endif

INSTANTIATE_TEST_SUITE_P(CellTypes, VtkReaderTest,
                         ::testing::Values(mesh_kind{2, 3, "triangle"}, mesh_kind{2, 4, "quad"},
                                           mesh_kind{3, 4, "tetra"}, mesh_kind{3, 5, "pyramid"},
                                           mesh_kind{3, 6, "wedge", {0, 2, 1, 3, 5, 4}},
                                           mesh_kind{3, 8, "hexahedron"}, mesh_kind{1, 2, "line"},
                                           mesh_kind{2, 6, "polygon", {}, false}));

// ------------------------------------------------------------ refusals

std::string test_tag() {
  return std::string("vtk_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

class VtkDeathTest : public ::testing::Test {
 protected:
  // Same name in the child that runs the death statement.
  fixed_dir d{test_tag()};
  std::string const f = d.path("x.vtk");
  std::string impossible(std::string const& why) const {
    return "Ecriture de " + f + " impossible: " + why + "\n";
  }
};

TEST_F(VtkDeathTest, RefusesBrokenMeshesNamingTheFile) {
  struct broken {
    char const* why;
    maillage m;
  };
  maillage const good = two_triangles();
  std::vector<broken> cases;
  cases.push_back(
      {"dimension autre que 1, 2 ou 3", make_mesh(4, {0, 0, 0, 0}, 1, {1}, {0}, {0, 1}, "t")});
  cases.push_back(
      {"elements sans noeud",
       maillage(gmatrix<float>(1, 1, 1, 2), gmatrix<int>(1, 2, 1, 0), gvector<int>(1, 1), "t")});
  cases.push_back(
      {"references des sommets incompletes",
       maillage(gmatrix<float>(1, 3, 1, 2), gmatrix<int>(1, 0, 1, 3), gvector<int>(1, 2), "t")});
  cases.push_back(
      {"sommets non numerotes a partir de 1",
       maillage(gmatrix<float>(2, 3, 1, 2), gmatrix<int>(1, 0, 1, 3), gvector<int>(1, 3), "t")});
  gmatrix<int> from2(2, 2, 1, 3);
  from2 = 1;
  cases.push_back({"elements non numerotes a partir de 1",
                   maillage(gmatrix<float>(1, 1, 1, 2), from2, gvector<int>(1, 1), "t")});
  gmatrix<float> one(1, 1, 1, 2);
  one = 0.0f;
  gvector<int> tag1(1, 1);
  tag1 = 0;
  cases.push_back({"sous-domaines incoherents",
                   maillage(one, gmatrix<int>(1, 0, 1, 3), tag1, gvector<int>(2, 2), "t")});
  for (float bad : {std::nanf(""), HUGE_VALF, -HUGE_VALF})
    cases.push_back({"coordonnee non finie",
                     make_mesh(2, {0, 0, 1, bad, 0, 1}, 3, {1, 2, 3}, {0, 0, 0}, {0, 1}, "t")});
  for (int v : {0, 4, -1})
    cases.push_back(
        {"numero de sommet hors limites",
         make_mesh(2, {0, 0, 1, 0, 0, 1}, 3, {1, 2, 3, 1, v, 2}, {0, 0, 0}, {0, 2}, "t")});
  cases.push_back({"elements 3D sans type VTK pour ce nombre de noeuds",
                   make_mesh(3, std::vector<float>(21, 0), 7, {1, 2, 3, 4, 5, 6, 7},
                             std::vector<int>(7, 0), {0, 1}, "t")});
  for (auto const& c : cases) {
    EXPECT_FATAL(ecrit_vtk(c.m, f.c_str()), 1, impossible(c.why));
    EXPECT_FATAL(ecrit_vtk(c.m, f.c_str(), vtk_champs(), vtk_format::xml), 1, impossible(c.why));
  }
  EXPECT_EQ(access(f.c_str(), F_OK), -1);
  EXPECT_EQ(vtk_refus(good), nullptr);
}

TEST_F(VtkDeathTest, RefusesFieldsOfTheWrongSize) {
  maillage const m = two_triangles();
  gvector<double> three(1, 3), four(1, 4), none;
  EXPECT_FATAL(ecrit_vtk(m, f.c_str(), vtk_champs().sommets("u", three)), 1,
               impossible("champ \"u\" de 3 valeurs pour 4 sommets"));
  EXPECT_FATAL(ecrit_vtk(m, f.c_str(), vtk_champs().elements("p", four)), 1,
               impossible("champ \"p\" de 4 valeurs pour 2 elements"));
  EXPECT_FATAL(ecrit_vtk(m, f.c_str(), vtk_champs().elements("p", none)), 1,
               impossible("champ \"p\" de 0 valeurs pour 2 elements"));
}

TEST_F(VtkDeathTest, RefusesBadFieldNames) {
  maillage const m = two_triangles();
  gvector<double> u(1, 4), p(1, 2);
  for (char const* bad : {"", "a b", "a\tb", "\xc3\xa9t\xc3\xa9", "x\n"}) {
    std::string shown = bad;
    for (char& c : shown)
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) c = '?';
    EXPECT_FATAL(ecrit_vtk(m, f.c_str(), vtk_champs().sommets(bad, u)), 1,
                 impossible("nom de champ invalide \"" + shown + "\""));
  }
  EXPECT_FATAL(ecrit_vtk(m, f.c_str(), vtk_champs().sommets(nullptr, u)), 1,
               impossible("nom de champ invalide \"\""));
  EXPECT_FATAL(ecrit_vtk(m, f.c_str(), vtk_champs().sommets("u", u).elements("u", p)), 1,
               impossible("nom de champ en double \"u\""));
  EXPECT_FATAL(ecrit_vtk(m, f.c_str(), vtk_champs().sommets("tag", u)), 1,
               impossible("nom de champ en double \"tag\""));
  EXPECT_FATAL(ecrit_vtk(m, f.c_str(), vtk_champs().sommets("subdomain", u)), 1,
               impossible("nom de champ en double \"subdomain\""));
}

TEST_F(VtkDeathTest, TextFormRefusesNonFiniteValues) {
  maillage const m = two_triangles();
  gvector<double> u = values({1, 2, kInf, 4}), p = values({0, kNan});
  EXPECT_FATAL(ecrit_vtk(m, f.c_str(), vtk_champs().sommets("u", u)), 1,
               impossible("champ \"u\" non fini au sommet 3"));
  EXPECT_FATAL(ecrit_vtk(m, f.c_str(), vtk_champs().elements("p", p)), 1,
               impossible("champ \"p\" non fini a l'element 2"));
}

TEST_F(VtkDeathTest, OpenAndWriteFailuresNameTheFile) {
  maillage const m = two_triangles();
  std::string const nowhere = d.path("nowhere/x.vtk");
  unlink(d.path("full.vtk").c_str());
  EXPECT_FATAL(
      ecrit_vtk(m, nowhere.c_str()), 209,
      "Rcourb: problemmes d'ouvertoure du fichier " + nowhere + "\n" + std::strerror(ENOENT));
  EXPECT_FATAL(ecrit_pvtu(nowhere.c_str(), {"a.vtu"}), 209,
               "Rcourb: problemmes d'ouvertoure du fichier " + nowhere + "\n");
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  std::string const full = d.path("full.vtk");
  ASSERT_EQ(symlink("/dev/full", full.c_str()), 0);
  std::string const msg =
      "Rcourb: erreur d'ecriture du fichier " + full + "\n" + std::strerror(ENOSPC);
  for (vtk_format fm : {vtk_format::ascii, vtk_format::binaire, vtk_format::xml})
    EXPECT_FATAL(ecrit_vtk(m, full.c_str(), vtk_champs(), fm), 209, msg);
  EXPECT_FATAL(ecrit_pvtu(full.c_str(), {"a.vtu"}), 209, msg);
}

TEST_F(VtkDeathTest, PvtuRefusesMissingOrBadPieces) {
  std::string const pf = d.path("a.pvtu");
  auto const msg = [&](std::string const& why) {
    return "Ecriture de " + pf + " impossible: " + why + "\n";
  };
  EXPECT_FATAL(ecrit_pvtu(pf.c_str(), {}), 1, msg("aucune piece"));
  EXPECT_FATAL(ecrit_pvtu(pf.c_str(), {"a.vtu", ""}), 1, msg("nom de piece invalide \"\""));
  EXPECT_FATAL(ecrit_pvtu(pf.c_str(), {"a\n.vtu"}), 1, msg("nom de piece invalide \"a?.vtu\""));
  gvector<double> u(1, 1);
  EXPECT_FATAL(ecrit_pvtu(pf.c_str(), {"a.vtu"}, vtk_champs().sommets("a b", u)), 1,
               msg("nom de champ invalide \"a b\""));
}

}  // namespace
