// Internals of the renumbering orders: components relabelled for locality,
// rooted level structures and pseudo-peripheral pairs.
#ifndef RENUM_NIVEAUX_H
#define RENUM_NIVEAUX_H

#include <vector>

#include "renum.h"

namespace renum_detail {

// One connected component, its vertices relabelled 0..n-1 in breadth-first
// order from its smallest vertex: on a mesh numbered at random the orders
// then walk memory almost in sequence instead of jumping about. Rows keep
// the ascending order of the original numbers, and ties between vertices
// are settled by those numbers, so the result does not depend on the
// relabelling.
struct composante {
  int n = 0;
  std::vector<int> debut, liste;
  std::vector<int> orig;  // original (0-based) number of each vertex

  int degre(int v) const { return debut[v + 1] - debut[v]; }
  // The lesser of two vertices: smaller degree, then smaller number.
  bool moindre(int x, int y) const {
    return degre(x) < degre(y) || (degre(x) == degre(y) && orig[x] < orig[y]);
  }
};

// Breadth-first level structure of a component from a root.
class niveaux {
 public:
  // Levels from `racine`; returns their count (the eccentricity + 1).
  int construit(composante const& g, int racine);
  // Vertices of the last build, level by level.
  int const* ordre() const { return ordre_.data(); }
  // First position in ordre() of the last level.
  int dernier_niveau() const { return dernier_; }
  // Level of v in the last build.
  int niveau(int v) const { return niveau_[v]; }

 private:
  std::vector<int> ordre_, niveau_;
  int dernier_ = 0;
};

// Ends of a pseudo-peripheral pair (George and Liu): from a root, the
// lesser vertex of the last level roots the next structure while that makes
// the structure deeper. `debut` is the last root, `fin` the vertex that did
// not go deeper; the structure from `fin` is left in `w`, so its levels are
// the distances to `fin`.
struct paire {
  int debut, fin;
};
paire pseudo_peripherique(composante const& g, niveaux& w);

// Numbers the components in the order of their smallest vertex:
// numerote(g, ordre) appends the vertices of g (relabelled) to `ordre` in
// their numbering order. Isolated vertices keep their relative order.
class par_composante {
 public:
  explicit par_composante(adjacence const& a);

  template <class F>
  gvector<int> numerote(F f) {
    for (int v = 0; v < a_.n(); ++v) {
      if (local_[v] >= 0) continue;
      if (a_.degre(v) == 0) {
        local_[v] = 0;
        ordre_.push_back(v);
        continue;
      }
      extrait(v);
      locaux_.clear();
      f(static_cast<composante const&>(g_), locaux_);
      for (int x : locaux_) ordre_.push_back(g_.orig[x]);
    }
    return permutation();
  }

 private:
  void extrait(int v);
  gvector<int> permutation() const;

  adjacence const& a_;
  std::vector<int> local_;  // label in its component, -1 before
  composante g_;
  std::vector<int> locaux_, ordre_;
};

}  // namespace renum_detail

#endif
