// XML VTK files: one unstructured grid piece (".vtu", values raw in an
// appended block) and the index of a grid written in pieces (".pvtu").
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "vtk_io.h"

namespace vtk_io {
namespace {

char const* const kHeader = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
                                ? "<?xml version=\"1.0\"?>\n<VTKFile type=\"%s\" version=\"1.0\" "
                                  "byte_order=\"LittleEndian\" header_type=\"UInt64\">\n"
                                : "<?xml version=\"1.0\"?>\n<VTKFile type=\"%s\" version=\"1.0\" "
                                  "byte_order=\"BigEndian\" header_type=\"UInt64\">\n";

std::string file_header(std::string const& type) {
  std::string h = kHeader;
  return h.replace(h.find("%s"), 2, type);
}

std::string escaped(std::string const& s) {
  std::string r;
  for (char c : s) {
    if (c == '&')
      r += "&amp;";
    else if (c == '<')
      r += "&lt;";
    else if (c == '>')
      r += "&gt;";
    else if (c == '"')
      r += "&quot;";
    else
      r += c;
  }
  return r;
}

// One array of a piece or of the index: in a piece, where its block starts
// in the appended data; in the index, its type and name only.
struct array_decl {
  char const* type;
  std::string name;  // empty for the coordinates
  int components;
  std::uint64_t bytes;
};

std::string declare(array_decl const& a, bool parallel, std::uint64_t offset) {
  std::string s = parallel ? "<PDataArray type=\"" : "<DataArray type=\"";
  s += a.type;
  s += '"';
  if (!a.name.empty()) s += " Name=\"" + escaped(a.name) + '"';
  if (a.components != 1) s += " NumberOfComponents=\"" + std::to_string(a.components) + '"';
  if (!parallel) s += " format=\"appended\" offset=\"" + std::to_string(offset) + '"';
  return s + "/>\n";
}

// The arrays of a grid, in the order of the appended blocks: point data,
// cell data, coordinates, cells. The counts are those of the index when
// nv and ne are 0.
struct layout {
  std::vector<array_decl> point_data, cell_data, points, cells;
};

layout arrays(std::vector<std::string> const& point_names,
              std::vector<std::string> const& cell_names, std::uint64_t nv, std::uint64_t ne,
              std::uint64_t te) {
  layout l;
  l.point_data.push_back({"Int32", "tag", 1, 4 * nv});
  for (auto const& n : point_names) l.point_data.push_back({"Float64", n, 1, 8 * nv});
  l.cell_data.push_back({"Int32", "subdomain", 1, 4 * ne});
  for (auto const& n : cell_names) l.cell_data.push_back({"Float64", n, 1, 8 * ne});
  l.points.push_back({"Float32", "", 3, 12 * nv});
  l.cells.push_back({"Int32", "connectivity", 1, 4 * ne * te});
  l.cells.push_back({"Int64", "offsets", 1, 8 * ne});
  l.cells.push_back({"UInt8", "types", 1, ne});
  return l;
}

// The grid's elements: PointData, CellData, Points, Cells, or the P-forms
// of the first three in the index. `offset` follows the appended blocks.
std::string declare_all(layout const& l, bool parallel, char const* indent) {
  std::string const p = parallel ? "P" : "";
  std::string s;
  std::uint64_t offset = 0;
  auto group = [&](char const* tag, std::vector<array_decl> const& list) {
    s += indent + ("<" + p + tag + ">\n");
    for (array_decl const& a : list) {
      s += indent + ("  " + declare(a, parallel, offset));
      offset += 8 + a.bytes;
    }
    s += indent + ("</" + p + tag + ">\n");
  };
  group("PointData", l.point_data);
  group("CellData", l.cell_data);
  group("Points", l.points);
  // The index takes the cells from the pieces.
  if (!parallel) group("Cells", l.cells);
  return s;
}

std::vector<std::string> names(std::vector<field_view> const& f) {
  std::vector<std::string> r;
  for (auto const& x : f) r.push_back(x.name);
  return r;
}

std::vector<std::string> names(std::vector<vtk_champs::champ> const& f) {
  std::vector<std::string> r;
  for (auto const& x : f) r.push_back(x.nom);
  return r;
}

template <class T>
void raw(out_file& out, T v) {
  std::memcpy(out.room(sizeof v), &v, sizeof v);
  out.advance(sizeof v);
}

void block_size(out_file& out, std::uint64_t bytes) { raw(out, bytes); }

// The appended blocks in the order of arrays(): each a byte count, then
// the values in the host's byte order.
void blocks(grid_view const& g, layout const& l, out_file& out) {
  std::size_t const nv = static_cast<std::size_t>(g.nv);
  block_size(out, l.point_data[0].bytes);
  out.bytes(g.tags, 4 * nv);
  for (std::size_t f = 0; f < g.point_fields.size(); ++f) {
    block_size(out, l.point_data[f + 1].bytes);
    out.bytes(g.point_fields[f].values, 8 * nv);
  }
  block_size(out, l.cell_data[0].bytes);
  subdomain_walk sd(g);
  for (int e = 0; e < g.ne; ++e) raw<std::int32_t>(out, sd.next());
  for (std::size_t f = 0; f < g.cell_fields.size(); ++f) {
    block_size(out, l.cell_data[f + 1].bytes);
    out.bytes(g.cell_fields[f].values, 8 * static_cast<std::size_t>(g.ne));
  }
  block_size(out, l.points[0].bytes);
  for (int i = 1; i <= g.nv; ++i) {
    float const* c = g.vertices.row(i);
    for (int k = 0; k < 3; ++k) raw(out, k < g.nd ? c[k] : 0.0f);
  }
  block_size(out, l.cells[0].bytes);
  for (int e = 1; e <= g.ne; ++e) {
    int const* v = g.elements.row(e);
    for (int k = 0; k < g.te; ++k) raw<std::int32_t>(out, v[k] - 1);
  }
  block_size(out, l.cells[1].bytes);
  for (int e = 1; e <= g.ne; ++e) raw<std::int64_t>(out, static_cast<std::int64_t>(e) * g.te);
  block_size(out, l.cells[2].bytes);
  for (int e = 0; e < g.ne; ++e) raw(out, static_cast<std::uint8_t>(g.type));
}

}  // namespace

void write_vtu(grid_view const& g, out_file& out) {
  layout const l =
      arrays(names(g.point_fields), names(g.cell_fields), static_cast<std::uint64_t>(g.nv),
             static_cast<std::uint64_t>(g.ne), static_cast<std::uint64_t>(g.te));
  out.text(file_header("UnstructuredGrid") + "  <UnstructuredGrid>\n" +
           "    <Piece NumberOfPoints=\"" + std::to_string(g.nv) + "\" NumberOfCells=\"" +
           std::to_string(g.ne) + "\">\n" + declare_all(l, false, "      ") + "    </Piece>\n" +
           "  </UnstructuredGrid>\n  <AppendedData encoding=\"raw\">\n   _");
  blocks(g, l, out);
  // Readers take the data up to the last newline before the end tag.
  out.text("\n  </AppendedData>\n</VTKFile>\n");
}

}  // namespace vtk_io

void ecrit_pvtu(char const* fname, std::vector<std::string> const& pieces,
                vtk_champs const& champs) {
  if (fname == nullptr) fname = "";
  if (pieces.empty()) vtk_io::refuse(fname, "aucune piece");
  for (std::string const& p : pieces) {
    bool ok = !p.empty();
    for (char c : p) ok = ok && vtk_io::printable(c);
    if (!ok) vtk_io::refuse_name(fname, "nom de piece invalide", p);
  }
  vtk_io::check_names(champs, fname);
  using namespace vtk_io;
  layout const l = arrays(names(champs.aux_sommets()), names(champs.aux_elements()), 0, 0, 0);
  std::string s = file_header("PUnstructuredGrid") + "  <PUnstructuredGrid GhostLevel=\"0\">\n" +
                  declare_all(l, true, "    ");
  for (std::string const& p : pieces) s += "    <Piece Source=\"" + escaped(p) + "\"/>\n";
  s += "  </PUnstructuredGrid>\n</VTKFile>\n";
  out_file out(fname);
  out.text(s);
  out.close();
}
