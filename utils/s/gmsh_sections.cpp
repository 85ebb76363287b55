// Gmsh files: the format line, physical names, entities, the node index and
// the element types.
#include "gmsh_sections.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace gmsh {

element_type type_of(int type) {
  // Nodes and dimension of types 1..31: lines, triangles, quadrilaterals,
  // tetrahedra, hexahedra, prisms, pyramids and points, of every order that
  // has a number below 32.
  static element_type const table[32] = {
      {0, 0},  {2, 1},  {3, 2},  {4, 2},  {4, 3},  {8, 3},  {6, 3},  {5, 3},
      {3, 1},  {6, 2},  {9, 2},  {10, 3}, {27, 3}, {18, 3}, {14, 3}, {1, 0},
      {8, 2},  {20, 3}, {15, 3}, {13, 3}, {9, 2},  {10, 2}, {12, 2}, {15, 2},
      {15, 2}, {21, 2}, {4, 1},  {5, 1},  {6, 1},  {20, 3}, {35, 3}, {56, 3}};
  if (type < 1 || type > 31) return {0, 0};
  return table[type];
}

void check_fits(input const& in, std::uint64_t n, long long least, char const* what) {
  if (n > static_cast<std::uint64_t>(in.remaining() / least)) too_short(in, n, what);
}

void expect_end(input& in) {
  std::size_t const k = std::strlen(in.section);
  if (!in.skip_space()) end_expected(in);
  std::string_view const l = in.line();
  if (l.size() != 4 + k || l.compare(0, 4, "$End") != 0 || l.compare(4, k, in.section) != 0)
    end_expected(in);
}

void read_format(input& in, contents& c) {
  in.section = "MeshFormat";
  std::string_view const v = in.token();
  if (v == "4.1")
    c.version = 4;
  else if (v == "2" || v == "2.0" || v == "2.1" || v == "2.2")
    c.version = 2;
  else
    bad_version(in, v);
  long long const type = in.integer(LLONG_MIN, LLONG_MAX);
  long long const size = in.integer(LLONG_MIN, LLONG_MAX);
  if (type != 0 && type != 1) bad_value(in, "Type de fichier", type);
  in.binary = type == 1;
  if (in.binary) {
    // Binary numbers are 4-byte ints, 8-byte sizes and doubles.
    if (size != 8) bad_value(in, "Taille des reels", size);
    in.line_end();
    std::uint32_t one;
    in.raw(&one, 4);
    if (one != 1) {
      if (__builtin_bswap32(one) != 1) bad_byte_order(in);
      in.swap = true;
    }
  }
  expect_end(in);
}

void skip_physical_names(input& in) {
  in.section = "PhysicalNames";
  // Always text; the names are not kept. No storage: a count larger than
  // the file ends at its end.
  std::uint64_t const n = in.unsigned64();
  for (std::uint64_t k = 0; k < n; ++k) {
    in.integer(0, 3);
    in.integer(INT_MIN, INT_MAX);
    in.rest_of_line();
  }
  expect_end(in);
}

void read_entities(input& in, contents& c) {
  in.section = "Entities";
  if (c.have_entities) twice(in, "Entities");
  std::uint64_t count[4];
  for (auto& n : count) n = in.size_value();
  // Fewest bytes of a point and of the other entities.
  long long const point = in.binary ? 36 : 10;
  long long const other = in.binary ? 68 : 18;
  std::uint64_t total = 0;
  for (int d = 0; d < 4; ++d) {
    check_fits(in, count[d], d == 0 ? point : other, "entites");
    total += count[d];
  }
  check_fits(in, total, point, "entites");
  c.entities.reserve(static_cast<std::size_t>(total));
  for (int d = 0; d < 4; ++d) {
    for (std::uint64_t k = 0; k < count[d]; ++k) {
      entity e{d, in.int_value(INT_MIN, INT_MAX), 0, 0};
      for (int r = 0; r < (d == 0 ? 3 : 6); ++r) in.real_value();
      std::uint64_t const np = in.size_value();
      check_fits(in, np, in.binary ? 4 : 2, "groupes physiques");
      for (std::uint64_t j = 0; j < np; ++j) {
        int const p = in.int_value(INT_MIN, INT_MAX);
        if (p <= 0) bad_value(in, "Groupe physique", p);
        e.pmin = (e.pmin == 0 || p < e.pmin) ? p : e.pmin;
        e.pmax = std::max(e.pmax, p);
      }
      if (d > 0) {
        std::uint64_t const nb = in.size_value();
        check_fits(in, nb, in.binary ? 4 : 2, "entites du bord");
        for (std::uint64_t j = 0; j < nb; ++j) in.int_value(INT_MIN, INT_MAX);
      }
      c.entities.push_back(e);
    }
  }
  auto less = [](entity const& a, entity const& b) {
    return a.dim != b.dim ? a.dim < b.dim : a.tag < b.tag;
  };
  std::sort(c.entities.begin(), c.entities.end(), less);
  for (std::size_t k = 1; k < c.entities.size(); ++k)
    if (!less(c.entities[k - 1], c.entities[k]))
      entity_twice(in, c.entities[k].dim, c.entities[k].tag);
  c.have_entities = true;
  expect_end(in);
}

void node_index::build(input const& in, std::vector<std::uint64_t> const& tags) {
  std::uint64_t const n = tags.size();
  std::uint64_t top = 0;
  for (std::uint64_t t : tags) top = std::max(top, t);
  sparse_ = top > 4 * n + 1024;
  if (!sparse_) {
    dense_.assign(static_cast<std::size_t>(top) + 1, -1);
    for (std::size_t i = 0; i < tags.size(); ++i) {
      int& p = dense_[static_cast<std::size_t>(tags[i])];
      if (p >= 0) node_twice(in, tags[i]);
      p = static_cast<int>(i);
    }
    return;
  }
  sorted_.resize(tags.size());
  for (std::size_t i = 0; i < tags.size(); ++i) sorted_[i] = {tags[i], static_cast<int>(i)};
  std::sort(sorted_.begin(), sorted_.end());
  for (std::size_t i = 1; i < sorted_.size(); ++i)
    if (sorted_[i].first == sorted_[i - 1].first) node_twice(in, sorted_[i].first);
}

int node_index::find_sparse(std::uint64_t tag) const {
  auto it = std::lower_bound(
      sorted_.begin(), sorted_.end(), tag,
      [](std::pair<std::uint64_t, int> const& a, std::uint64_t t) { return a.first < t; });
  return (it != sorted_.end() && it->first == tag) ? it->second : -1;
}

}  // namespace gmsh
