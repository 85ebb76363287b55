// Legacy VTK files: an unstructured grid in text or big-endian binary.
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "vtk_io.h"

namespace vtk_io {
namespace {

// One value at a time, either as text followed by a separator or as the
// big-endian bytes the legacy binary form requires (then the separators
// are dropped and each section ends with a newline).
class legacy_values {
 public:
  legacy_values(out_file& out, bool binary) : out_(out), binary_(binary) {}

  void i32(int v, char sep) {
    char* p = out_.room(16);
    if (binary_) return put(p, static_cast<std::uint32_t>(v));
    end_text(p, std::to_chars(p, p + 12, v).ptr, sep);
  }

  // Coordinates: the float's 9 significant digits give it back exactly.
  void f32(float v, char sep) {
    char* p = out_.room(32);
    if (binary_) {
      std::uint32_t u;
      std::memcpy(&u, &v, 4);
      return put(p, u);
    }
    end_text(p, std::to_chars(p, p + 31, static_cast<double>(v), std::chars_format::general, 9).ptr,
             sep);
  }

  // Field values, "%.17g" in text: reading them gives back the same bits.
  void f64(double v, char sep) {
    char* p = out_.room(32);
    if (binary_) {
      std::uint64_t u;
      std::memcpy(&u, &v, 8);
      if (kLittle) u = __builtin_bswap64(u);
      std::memcpy(p, &u, 8);
      return out_.advance(8);
    }
    end_text(p, std::to_chars(p, p + 31, v, std::chars_format::general, 17).ptr, sep);
  }

  void end_section() {
    if (binary_) out_.text("\n");
  }

 private:
  static constexpr bool kLittle = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

  void put(char* p, std::uint32_t u) {
    if (kLittle) u = __builtin_bswap32(u);
    std::memcpy(p, &u, 4);
    out_.advance(4);
  }

  void end_text(char* start, char* end, char sep) {
    *end = sep;
    out_.advance(static_cast<std::size_t>(end + 1 - start));
  }

  out_file& out_;
  bool binary_;
};

std::string scalars(std::string const& name, char const* type) {
  return "SCALARS " + name + " " + type + " 1\nLOOKUP_TABLE default\n";
}

// The fields go as one FIELD block after the int scalars: readers take
// every array of such a block, where some take only the first SCALARS.
void double_fields(std::vector<field_view> const& fields, int n, legacy_values& put,
                   out_file& out) {
  if (fields.empty()) return;
  out.text("FIELD FieldData " + std::to_string(fields.size()) + "\n");
  for (field_view const& f : fields) {
    out.text(f.name + " 1 " + std::to_string(n) + " double\n");
    for (int i = 0; i < n; ++i) put.f64(f.values[i], '\n');
    put.end_section();
  }
}

void points(grid_view const& g, legacy_values& put, out_file& out) {
  out.text("POINTS " + std::to_string(g.nv) + " float\n");
  for (int i = 1; i <= g.nv; ++i) {
    float const* c = g.vertices.row(i);
    for (int k = 0; k < 3; ++k) put.f32(k < g.nd ? c[k] : 0.0f, k < 2 ? ' ' : '\n');
  }
  put.end_section();
}

void cells(grid_view const& g, legacy_values& put, out_file& out) {
  long long const size = static_cast<long long>(g.ne) * (g.te + 1);
  out.text("CELLS " + std::to_string(g.ne) + " " + std::to_string(size) + "\n");
  for (int e = 1; e <= g.ne; ++e) {
    int const* v = g.elements.row(e);
    put.i32(g.te, ' ');
    for (int k = 0; k < g.te; ++k) put.i32(v[k] - 1, k + 1 < g.te ? ' ' : '\n');
  }
  put.end_section();
  out.text("CELL_TYPES " + std::to_string(g.ne) + "\n");
  for (int e = 0; e < g.ne; ++e) put.i32(g.type, '\n');
  put.end_section();
}

}  // namespace

void write_legacy(grid_view const& g, out_file& out, bool binary) {
  legacy_values put(out, binary);
  out.text("# vtk DataFile Version 3.0\n" + g.title + "\n" + (binary ? "BINARY\n" : "ASCII\n") +
           "DATASET UNSTRUCTURED_GRID\n");
  points(g, put, out);
  cells(g, put, out);

  out.text("POINT_DATA " + std::to_string(g.nv) + "\n" + scalars("tag", "int"));
  for (int i = 0; i < g.nv; ++i) put.i32(g.tags[i], '\n');
  put.end_section();
  double_fields(g.point_fields, g.nv, put, out);

  out.text("CELL_DATA " + std::to_string(g.ne) + "\n" + scalars("subdomain", "int"));
  subdomain_walk sd(g);
  for (int e = 0; e < g.ne; ++e) put.i32(sd.next(), '\n');
  put.end_section();
  double_fields(g.cell_fields, g.ne, put, out);
}

}  // namespace vtk_io
