// Vertex renumbering for small profiles: reverse Cuthill-McKee, Sloan, the
// profile of a numbering, and a mesh renumbered by a permutation.
//
// A permutation p runs over 1..n with p[old] = new. Neighbour collections
// are what maillage::list_voisins() gives: lists 1..n, each ascending; a
// vertex may appear in its own list, an empty list is an isolated vertex.
// Collections that name vertices outside 1..n or that are not symmetric,
// and permutations that are not one, end the run (status 1).
#ifndef RENUM_H
#define RENUM_H

#include <vector>

#include "maillage.h"
#include "vecteurs.h"

template <class T>
class llist;

// Vertex adjacency in compressed rows, checked when built: the neighbours of
// vertex v (0-based) are liste()[debut()[v] .. debut()[v+1]-1], ascending,
// v itself excluded, and u is a neighbour of v exactly when v is one of u.
class adjacence {
 public:
  adjacence() = default;  // no vertex
  // One pass over the lists, then the checks.
  explicit adjacence(gcolect<llist<int>> const& voisins);
  // Takes rows already compacted (0-based, n + 1 starts) and checks them;
  // `origine` names the file they come from in the messages (null: none).
  adjacence(int n, std::vector<int> debut, std::vector<int> liste, char const* origine);

  int n() const { return n_; }
  int const* debut() const { return debut_.data(); }
  int const* liste() const { return liste_.data(); }
  int degre(int v) const { return debut_[v + 1] - debut_[v]; }

 private:
  void verifie(char const* origine) const;

  int n_ = 0;
  std::vector<int> debut_{0};
  std::vector<int> liste_;
};

// Reverse Cuthill-McKee: each connected component, taken by its smallest
// vertex, numbered from a pseudo-peripheral vertex (George and Liu) in a
// breadth-first search visiting neighbours by increasing degree, then
// reversed. Ties go to the smaller degree, then the smaller vertex.
gvector<int> renum_rcm(gcolect<llist<int>> const& voisins);
gvector<int> renum_rcm(adjacence const& a);

// Sloan's profile and wavefront reduction, per component as above: from the
// start of a pseudo-peripheral pair, the next vertex is a waiting one of
// highest priority (distance to the end vertex) - 2 (current degree),
// ties to the smaller vertex. The order is not reversed.
gvector<int> renum_sloan(gcolect<llist<int>> const& voisins);
gvector<int> renum_sloan(adjacence const& a);
// The same with other weights (0..1000, else fatal), for comparisons.
gvector<int> renum_sloan(adjacence const& a, int poids_distance, int poids_degre);

// Profile vector (indices 0..n) of the symmetric profile matrix whose line i
// starts at the smallest vertex of list i, or at i when that is larger or
// the list is empty: the shape skysmatrix needs for a finite-element matrix
// on these neighbours. A profile of more than INT_MAX entries is fatal.
gvector<int> profil_voisins(gcolect<llist<int>> const& voisins);

// Size of that profile (its last entry) and largest half-bandwidth
// (max of i - first(i)) once vertex v is numbered p[v]; without p in the
// numbering the adjacency has.
struct mesure_profil {
  long long profil = 0;
  int demi_bande = 0;
};
mesure_profil mesure(adjacence const& a);
mesure_profil mesure(adjacence const& a, gvector<int> const& p);

// The mesh with vertex i moved to p[i]: coordinates, tags and element
// connectivity follow; elements keep their order and subdomains, the title
// stays. p must be a permutation of 1..npt().
maillage renumerote(maillage const& m, gvector<int> const& p);

// Stops the run (status 1) unless p is a permutation of 1..n.
void verifie_permutation(gvector<int> const& p, int n);

// The adjacency file maillage::gen_data_renum writes: vertex count,
// neighbour counts (-1 for an empty list), 1-based starts, then one line per
// list, the vertex itself included. Anything else ends the run naming the
// file (status 1).
adjacence lect_adjacence(char const* fname);

// p[1], p[2], ... one "%d\n" line each. The file is replaced only once
// complete; open and write failures are fatal (status 1).
void ecrit_permutation(char const* fname, gvector<int> const& p);

#endif
