// Gmsh files: what the sections hold, and the parsers of the sections.
#ifndef GMSH_SECTIONS_H
#define GMSH_SECTIONS_H

#include <cstdint>
#include <utility>
#include <vector>

#include "gmsh_input.h"

namespace gmsh {

// Element types: node count and dimension of the Gmsh types 1..31; 0 nodes
// for a number that is not a type.
struct element_type {
  int nodes;
  int dim;
};
element_type type_of(int type);

// A geometric entity of a 4.1 file with the smallest and the largest of its
// physical groups (both 0 when it is in none).
struct entity {
  int dim, tag, pmin, pmax;
};

// Node tag -> position in file order. A table by tag when the tags are
// dense enough (the largest at most four times the count, plus a little),
// else the pairs sorted by tag; either way the size follows the count.
class node_index {
 public:
  // Duplicate tags are fatal.
  void build(input const& in, std::vector<std::uint64_t> const& tags);
  int find(std::uint64_t tag) const {
    if (!sparse_) return tag < dense_.size() ? dense_[tag] : -1;
    return find_sparse(tag);
  }
  // f(position) for every node, in ascending tag order.
  template <class F>
  void ascending(F f) const {
    if (!sparse_) {
      for (int p : dense_)
        if (p >= 0) f(p);
    } else {
      for (auto const& tp : sorted_) f(tp.second);
    }
  }

 private:
  int find_sparse(std::uint64_t tag) const;
  bool sparse_ = false;
  std::vector<int> dense_;
  std::vector<std::pair<std::uint64_t, int>> sorted_;
};

// The contents of the sections that make the mesh.
struct contents {
  int version = 0;  // 2 (2.x) or 4 (4.1)
  bool have_entities = false, have_nodes = false, have_elements = false;
  std::vector<entity> entities;  // sorted by (dim, tag)

  std::vector<std::uint64_t> node_tags;  // file order
  std::vector<float> xyz;                // 3 per node
  node_index index;

  // Elements in file order: Gmsh type, smallest and largest physical group
  // (0: none), and node positions, type_of(type).nodes per element.
  std::vector<unsigned char> type;
  std::vector<int> pmin, pmax;
  std::vector<int> nodes;
};

// The parsers start after their section's header line and stop after its
// "$End" line. Bad contents are fatal.
void read_format(input& in, contents& c);
void skip_physical_names(input& in);
void read_entities(input& in, contents& c);
void read_nodes(input& in, contents& c);
void read_elements(input& in, contents& c);
// The "$End<section>" line, after blanks.
void expect_end(input& in);

// Internals shared by the node and element parsers.
// n items of at least `least` bytes each must fit in what the file holds.
void check_fits(input const& in, std::uint64_t n, long long least, char const* what);
// Node position of `tag` for element `elem`; unknown tags are fatal.
inline int node_of(input const& in, contents const& c, std::uint64_t elem, std::uint64_t tag) {
  int const p = c.index.find(tag);
  if (p < 0) unknown_node(in, elem, tag);
  return p;
}

}  // namespace gmsh

#endif
