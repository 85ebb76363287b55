// Gmsh files: the $Elements section, 2.x and 4.1, text and binary.
#include <algorithm>
#include <climits>

#include "gmsh_sections.h"

namespace gmsh {

namespace {

int const kMaxNodes = 56;  // of any type in the table

// Elements of one section, appended to the contents.
struct element_sink {
  contents& c;
  // Element kept last, and its elementary entity (2.x).
  std::size_t last_first = 0;
  int last_geo = 0;

  // 2.x files write an element once per physical group it belongs to, one
  // copy right after the other: a copy of the element before (same type,
  // elementary entity and nodes) only adds its group to it.
  void add(int type, int pmin, int pmax, int geo, int const* nodes, int nn) {
    if (c.version == 2 && !c.type.empty() && c.type.back() == type && geo == last_geo &&
        std::equal(nodes, nodes + nn, c.nodes.begin() + last_first)) {
      int& lo = c.pmin.back();
      if (pmin != 0 && (lo == 0 || pmin < lo)) lo = pmin;
      c.pmax.back() = std::max(c.pmax.back(), pmax);
      return;
    }
    last_first = c.nodes.size();
    last_geo = geo;
    c.type.push_back(static_cast<unsigned char>(type));
    c.pmin.push_back(pmin);
    c.pmax.push_back(pmax);
    c.nodes.insert(c.nodes.end(), nodes, nodes + nn);
  }
};

element_type known(input const& in, int type) {
  element_type const et = type_of(type);
  if (et.nodes == 0) unknown_type(in, type);
  return et;
}

void reserve(contents& c, std::uint64_t n) {
  c.type.reserve(static_cast<std::size_t>(n));
  c.pmin.reserve(static_cast<std::size_t>(n));
  c.pmax.reserve(static_cast<std::size_t>(n));
}

// "tag type ntags tag... node..." per element; the first tag is the
// physical group (0: none), the second the elementary entity.
void elements_v2_text(input& in, contents& c, std::uint64_t n) {
  element_sink sink{c};
  int nodes[kMaxNodes];
  for (std::uint64_t k = 0; k < n; ++k) {
    std::uint64_t const tag = in.unsigned64();
    int const type = static_cast<int>(in.integer(INT_MIN, INT_MAX));
    element_type const et = known(in, type);
    long long const ntags = in.integer(0, INT_MAX);
    int phys = 0, geo = 0;
    for (long long j = 0; j < ntags; ++j) {
      int const v = static_cast<int>(in.integer(INT_MIN, INT_MAX));
      if (j == 0) phys = v;
      if (j == 1) geo = v;
    }
    if (phys < 0) bad_value(in, "Groupe physique", phys);
    for (int j = 0; j < et.nodes; ++j) nodes[j] = node_of(in, c, tag, in.unsigned64());
    sink.add(type, phys, phys, geo, nodes, et.nodes);
  }
}

// Blocks of one type: "type count ntags" then per element its tag, its
// tags and its nodes, all 4-byte ints.
void elements_v2_binary(input& in, contents& c, std::uint64_t n) {
  element_sink sink{c};
  int nodes[kMaxNodes];
  std::uint64_t done = 0;
  while (done < n) {
    int const type = in.i32();
    int const count = in.i32();
    int const ntags = in.i32();
    element_type const et = known(in, type);
    if (count < 1) bad_value(in, "Nombre d'elements", count);
    if (ntags < 0) bad_value(in, "Nombre d'etiquettes", ntags);
    if (static_cast<std::uint64_t>(count) > n - done)
      count_mismatch(in, "Nombre d'elements", n, done + static_cast<std::uint64_t>(count));
    check_fits(in, static_cast<std::uint64_t>(count), 4 * (1LL + ntags + et.nodes), "elements");
    for (int k = 0; k < count; ++k) {
      int const tag = in.i32();
      int phys = 0, geo = 0;
      for (int j = 0; j < ntags; ++j) {
        int const v = in.i32();
        if (j == 0) phys = v;
        if (j == 1) geo = v;
      }
      if (phys < 0) bad_value(in, "Groupe physique", phys);
      if (tag < 1) bad_value(in, "Numero d'element", tag);
      for (int j = 0; j < et.nodes; ++j) {
        int const v = in.i32();
        if (v < 1) bad_value(in, "Numero de noeud", v);
        nodes[j] = node_of(in, c, static_cast<std::uint64_t>(tag), static_cast<std::uint64_t>(v));
      }
      sink.add(type, phys, phys, geo, nodes, et.nodes);
    }
    done += static_cast<std::uint64_t>(count);
  }
}

void elements_v2(input& in, contents& c) {
  std::uint64_t const n = in.unsigned64();
  // Fewest bytes: "1 15 0 1\n" in text, a tag and a node in a block.
  check_fits(in, n, 8, "elements");
  reserve(c, n);
  if (in.binary) {
    in.line_end();
    elements_v2_binary(in, c, n);
  } else {
    elements_v2_text(in, c, n);
  }
}

// Physical groups of the elements of entity (dim, tag): from $Entities,
// none without it.
entity groups_of(input const& in, contents const& c, int dim, int tag) {
  if (!c.have_entities) return entity{dim, tag, 0, 0};
  auto it = std::lower_bound(c.entities.begin(), c.entities.end(), entity{dim, tag, 0, 0},
                             [](entity const& a, entity const& b) {
                               return a.dim != b.dim ? a.dim < b.dim : a.tag < b.tag;
                             });
  if (it == c.entities.end() || it->dim != dim || it->tag != tag) unknown_entity(in, dim, tag);
  return *it;
}

// Blocks by entity and type: "dim entity type count", then per element
// its tag and its nodes.
void elements_v4(input& in, contents& c) {
  std::uint64_t const blocks = in.size_value();
  std::uint64_t const n = in.size_value();
  in.size_value();  // smallest and largest tag
  in.size_value();
  check_fits(in, n, in.binary ? 16 : 4, "elements");
  check_fits(in, blocks, in.binary ? 20 : 8, "blocs d'elements");
  reserve(c, n);
  element_sink sink{c};
  int nodes[kMaxNodes];
  std::uint64_t done = 0;
  for (std::uint64_t b = 0; b < blocks; ++b) {
    int const dim = in.int_value(0, 3);
    int const etag = in.int_value(INT_MIN, INT_MAX);
    int const type = in.int_value(INT_MIN, INT_MAX);
    std::uint64_t const m = in.size_value();
    element_type const et = known(in, type);
    if (et.dim != dim) wrong_entity(in, type, dim);
    entity const g = groups_of(in, c, dim, etag);
    check_fits(in, m, (in.binary ? 8 : 2) * (1LL + et.nodes), "elements");
    if (m > n - done) count_mismatch(in, "Nombre d'elements", n, done + m);
    for (std::uint64_t k = 0; k < m; ++k) {
      std::uint64_t const tag = in.size_value();
      for (int j = 0; j < et.nodes; ++j) nodes[j] = node_of(in, c, tag, in.size_value());
      sink.add(type, g.pmin, g.pmax, etag, nodes, et.nodes);
    }
    done += m;
  }
  if (done != n) count_mismatch(in, "Nombre d'elements", n, done);
}

}  // namespace

void read_elements(input& in, contents& c) {
  in.section = "Elements";
  if (c.have_elements) twice(in, "Elements");
  if (!c.have_nodes) elements_first(in);
  if (c.version == 2)
    elements_v2(in, c);
  else
    elements_v4(in, c);
  c.have_elements = true;
  expect_end(in);
}

}  // namespace gmsh
