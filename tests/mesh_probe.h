// A mesh whose protected tables the tests can read, and small meshes built
// from coordinate and connectivity lists.
#ifndef MESH_PROBE_H
#define MESH_PROBE_H

#include <utility>
#include <vector>

#include "maillage.h"

// Opens the protected fields to the tests.
struct probe : maillage {
  using maillage::elements;
  using maillage::maillage;
  using maillage::refsom;
  using maillage::s_dom;
  using maillage::sommets;
  using maillage::stat_status;
  using maillage::titre;
};

using coords = std::vector<std::vector<float>>;
using conn = std::vector<std::vector<int>>;

// Vertices v (one row of coordinates each), elements e (1-based vertex
// numbers), tags (all 0 when empty), one subdomain.
inline probe make_mesh(coords const& v, conn const& e, std::vector<int> tags = {},
                       char const* title = "maillage") {
  int const nv = static_cast<int>(v.size());
  int const nd = nv ? static_cast<int>(v[0].size()) : 2;
  gmatrix<float> som(1, nv, 1, nd);
  for (int i = 0; i < nv; ++i)
    for (int n = 0; n < nd; ++n) som(i + 1, n + 1) = v[i][n];
  int const ne = static_cast<int>(e.size());
  int const t = ne ? static_cast<int>(e[0].size()) : 3;
  gmatrix<int> el(1, ne, 1, t);
  for (int i = 0; i < ne; ++i)
    for (int j = 0; j < t; ++j) el(i + 1, j + 1) = e[i][j];
  gvector<int> refs(1, nv);
  for (int i = 0; i < nv; ++i) refs[i + 1] = tags.empty() ? 0 : tags[i];
  return probe(std::move(som), std::move(el), std::move(refs), title);
}

#endif
