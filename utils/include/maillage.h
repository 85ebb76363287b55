// Mesh: vertex coordinates, element connectivity, vertex tags, subdomains.
#ifndef MAILLAGE_H
#define MAILLAGE_H

#include "matrices.h"
#include "runstat.h"
#include "vecteurs.h"

// A mesh is either empty (default-constructed, every size 0) or holds a
// complete geometry. Vertices are rows 1..npt() of `sommets` (one column per
// space dimension), elements rows 1..nelem() of `elements` (one column per
// node, all elements with the same node count), each entry a vertex number.
// Subdomain k holds elements s_dom(k-1)+1 .. s_dom(k), with s_dom(0) = 0.
// Fatal errors end the run through the run report (`sst`).
class maillage {
 protected:
  gmatrix<float> sommets;
  gmatrix<int> elements;
  gvector<int> refsom;  // vertex tags, 0 = none
  gvector<int> s_dom;   // subdomain bounds over 0..nsd()
  char titre[81];       // at most 80 characters, always terminated
  int stat_status = 0;  // non-zero once the statistics below are computed
  double st_surf_tot = 0, st_min_se = 0, st_max_se = 0, st_avg_se = 0,
         st_sd_se = 0;
  double st_min_ls = 0, st_max_ls = 0, st_avg_ls = 0, st_sd_ls = 0;

 public:
  virtual ~maillage();
  maillage();
  // Copies the geometry and the title; statistics are not copied.
  maillage(maillage const& m);
  // The containers are taken by value: callers that no longer need theirs
  // should std::move them in so that the mesh is never held twice.
  maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs,
           gvector<int> s, char const* hea);
  // One subdomain holding every element.
  maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs,
           char const* hea);
  // Reads a ".kadro2D" or ".kadro3D" file; other names are fatal (201).
  explicit maillage(char const* fname);
  // Copies the geometry and the title; the target keeps its statistics.
  maillage& operator=(maillage const& m);
  // (merge operator+ goes here, second virtual slot)

  // stat_status = 0; one subdomain holding every element.
  void set_maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs,
                    char const* hea);
  // stat_status untouched; s gives the subdomain bounds over 0..nsd.
  void set_maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs,
                    gvector<int> s, char const* hea);

  // Non-zero when `sommets` is an empty matrix; the size accessors use it.
  virtual int empty() const;

  // (NOPO reader lect_nopo goes here)
  // Replaces the geometry and the title by the contents of a mesh viewer
  // file; 3 coordinates are kept when the name ends in "3D", else 2. Files
  // of the other byte order are converted. Bad or truncated files are fatal.
  void lect_kadro(char const* fname);
  // (ecrit_ascii goes here)
  // Writes the mesh viewer file (host byte order); the file is replaced.
  // Open or write failures are fatal (209).
  void ecrit_kadro(char const* fname) const;

  float x(int i) const { return sommets(i, 1); }
  float y(int i) const { return sommets(i, 2); }
  float xn(int n, int i) const { return sommets(i, n); }
  // Coordinate of node j of element i.
  float x(int i, int j) const { return sommets(elements(i, j), 1); }
  float y(int i, int j) const { return sommets(elements(i, j), 2); }
  float xn(int n, int i, int j) const { return sommets(elements(i, j), n); }
  // Vertex number of node j of element i.
  int lg(int i, int j) const { return elements(i, j); }
  int ref(int i) const { return refsom[i]; }
  // Subdomain of element i; 0 when i lies beyond the last one.
  int sd(int i) const;
  int npt() const { return empty() ? 0 : sommets.imax(); }
  int ndim() const { return empty() ? 0 : sommets.jmax(); }
  int nelem() const { return empty() ? 0 : elements.imax(); }
  int telem() const { return empty() ? 0 : elements.jmax(); }
  int nsd() const { return empty() ? 0 : s_dom.imax(); }

  // (iniref, setref, dump_ref go here)
  // (d_list_voisins, gen_data_renum, virtual list_voisins go here)
  // (rot, tran, homot, courb go here)
  // (init_stats and the nine statistics accessors go here)
  // (fix_per and its private comparator ordrey go here)
};

// Reverses the byte order of each of the n four-byte values at p.
void invert(int* p, int n);
void invert(float* p, int n);

#endif
