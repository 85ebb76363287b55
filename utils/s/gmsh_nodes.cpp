// Gmsh files: the $Nodes section, 2.x and 4.1, text and binary.
#include <cfloat>
#include <climits>
#include <cmath>

#include "gmsh_sections.h"

namespace gmsh {

namespace {

// The node count must fit the mesh's int vertex numbers.
void check_node_count(input const& in, std::uint64_t n, long long least) {
  check_fits(in, n, least, "noeuds");
  if (n > static_cast<std::uint64_t>(INT_MAX) - 1)
    bad_value(in, "Nombre de noeuds", static_cast<long long>(n));
}

// Coordinates are kept in single precision.
void add_xyz(input const& in, contents& c, std::uint64_t tag, double x, double y, double z) {
  if (!(std::fabs(x) <= FLT_MAX && std::fabs(y) <= FLT_MAX && std::fabs(z) <= FLT_MAX))
    bad_coordinate(in, tag);
  c.xyz.push_back(static_cast<float>(x));
  c.xyz.push_back(static_cast<float>(y));
  c.xyz.push_back(static_cast<float>(z));
}

void add_tag(input const& in, contents& c, std::uint64_t tag) {
  if (tag == 0) bad_value(in, "Numero de noeud", 0);
  c.node_tags.push_back(tag);
}

// Count line, then "tag x y z" per node: text, or int and three doubles.
void nodes_v2(input& in, contents& c) {
  std::uint64_t const n = in.unsigned64();
  check_node_count(in, n, in.binary ? 28 : 8);
  c.node_tags.reserve(static_cast<std::size_t>(n));
  c.xyz.reserve(3 * static_cast<std::size_t>(n));
  if (in.binary) {
    in.line_end();
    for (std::uint64_t k = 0; k < n; ++k) {
      int const tag = in.i32();
      if (tag < 1) bad_value(in, "Numero de noeud", tag);
      add_tag(in, c, static_cast<std::uint64_t>(tag));
      double const x = in.f64(), y = in.f64(), z = in.f64();
      add_xyz(in, c, static_cast<std::uint64_t>(tag), x, y, z);
    }
    return;
  }
  for (std::uint64_t k = 0; k < n; ++k) {
    std::uint64_t const tag = in.unsigned64();
    add_tag(in, c, tag);
    double const x = in.real(), y = in.real(), z = in.real();
    add_xyz(in, c, tag, x, y, z);
  }
}

// Blocks of nodes by entity: the tags, then the coordinates, each followed
// by the entity's parametric coordinates when the block has them.
void nodes_v4(input& in, contents& c) {
  std::uint64_t const blocks = in.size_value();
  std::uint64_t const n = in.size_value();
  in.size_value();  // smallest and largest tag
  in.size_value();
  check_node_count(in, n, in.binary ? 32 : 8);
  check_fits(in, blocks, in.binary ? 20 : 8, "blocs de noeuds");
  c.node_tags.reserve(static_cast<std::size_t>(n));
  c.xyz.reserve(3 * static_cast<std::size_t>(n));
  std::uint64_t done = 0;
  for (std::uint64_t b = 0; b < blocks; ++b) {
    int const dim = in.int_value(0, 3);
    in.int_value(INT_MIN, INT_MAX);  // entity
    int const params = in.int_value(0, 1) ? dim : 0;
    std::uint64_t const m = in.size_value();
    check_fits(in, m, in.binary ? 8 * (4LL + params) : 8, "noeuds");
    if (m > n - done) count_mismatch(in, "Nombre de noeuds", n, done + m);
    std::size_t const first = c.node_tags.size();
    for (std::uint64_t k = 0; k < m; ++k) add_tag(in, c, in.size_value());
    for (std::uint64_t k = 0; k < m; ++k) {
      double const x = in.real_value(), y = in.real_value(), z = in.real_value();
      for (int p = 0; p < params; ++p) in.real_value();
      add_xyz(in, c, c.node_tags[first + k], x, y, z);
    }
    done += m;
  }
  if (done != n) count_mismatch(in, "Nombre de noeuds", n, done);
}

}  // namespace

void read_nodes(input& in, contents& c) {
  in.section = "Nodes";
  if (c.have_nodes) twice(in, "Nodes");
  if (c.version == 2)
    nodes_v2(in, c);
  else
    nodes_v4(in, c);
  c.index.build(in, c.node_tags);
  c.have_nodes = true;
  expect_end(in);
}

}  // namespace gmsh
