// Graphs and meshes for the renumbering tests and benchmarks: lists given
// by their edges, quadrilateral grids, shuffled triangulated grids.
#ifndef RENUM_MESHES_H
#define RENUM_MESHES_H

#include <algorithm>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "llist.h"
#include "maillage.h"

using lists = std::unique_ptr<licolect>;

// Lists 1..n as list_voisins makes them: each vertex of an edge in its own
// list and in the other's.
inline lists graphe(int n, std::vector<std::pair<int, int>> const& aretes) {
  lists l(new licolect(1, n));
  for (auto const& e : aretes)
    for (int v : {e.first, e.second}) {
      (*l)[v].insert(e.first);
      (*l)[v].insert(e.second);
    }
  return l;
}

// 1..n in random order (seed 0: in order).
inline std::vector<int> shuffled_labels(int n, unsigned seed) {
  std::vector<int> lab(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) lab[i] = i + 1;
  if (seed != 0) {
    std::mt19937 rng(seed);
    std::shuffle(lab.begin(), lab.end(), rng);
  }
  return lab;
}

// nx x ny vertices, quadrilaterals as reg_m makes them, counter-clockwise
// from their lower-left corner; the vertex at (i, 10 j) has the number
// j nx + i + 1 (seed 0), or a random one, and the tag 100 + its number.
inline maillage grid(int nx, int ny, unsigned seed = 0) {
  int const nv = nx * ny;
  std::vector<int> const lab = shuffled_labels(nv, seed);
  gmatrix<float> som(1, nv, 1, 2);
  gvector<int> refs(1, nv);
  float* s = som.debut();
  for (int k = 0; k < nv; ++k) {
    int const v = lab[k];
    s[2 * (v - 1)] = static_cast<float>(k % nx);
    s[2 * (v - 1) + 1] = 10.0f * static_cast<float>(k / nx);
    refs.debut()[v - 1] = 100 + v;
  }
  int const ne = nx > 1 && ny > 1 ? (nx - 1) * (ny - 1) : 0;
  gmatrix<int> el(1, ne, 1, 4);
  int* e = el.debut();
  for (int j = 0; j + 1 < ny; ++j)
    for (int i = 0; i + 1 < nx; ++i) {
      int const a = j * nx + i;
      *e++ = lab[a];
      *e++ = lab[a + 1];
      *e++ = lab[a + nx + 1];
      *e++ = lab[a + nx];
    }
  return maillage(std::move(som), std::move(el), std::move(refs), "grille");
}

// Profile of the grid numbered along x: a line starts at the diagonal
// neighbour one row down, or straight down on the left edge.
inline long long grid_profile(long long nx, long long ny) {
  return (ny - 1) * ((nx - 1) * (nx + 2) + (nx + 1)) + 1 + 2 * (nx - 1);
}

// A triangulated grid with random diagonals, a share of the cells left out
// (several components, isolated vertices) and the vertices shuffled: the
// numbering of an unstructured mesher, roughly.
inline lists unstructured(int nx, int ny, unsigned seed, int holes_percent) {
  std::mt19937 rng(seed);
  std::vector<int> const lab = shuffled_labels(nx * ny, seed);
  std::vector<std::pair<int, int>> e;
  for (int j = 0; j + 1 < ny; ++j)
    for (int i = 0; i + 1 < nx; ++i) {
      if (static_cast<int>(rng() % 100) < holes_percent) continue;
      int const a = lab[j * nx + i], b = lab[j * nx + i + 1];
      int const c = lab[(j + 1) * nx + i + 1], d = lab[(j + 1) * nx + i];
      e.insert(e.end(), {{a, b}, {b, c}, {c, d}, {d, a}});
      e.push_back(rng() % 2 ? std::make_pair(a, c) : std::make_pair(b, d));
    }
  lists l = graphe(nx * ny, e);
  for (int v = 1; v <= nx * ny; ++v)
    if ((*l)[v].ne() > 0) (*l)[v].insert(v);
  return l;
}

#endif
