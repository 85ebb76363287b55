// Mesh: vertex coordinates, element connectivity, vertex tags, subdomains.
#ifndef MAILLAGE_H
#define MAILLAGE_H

#include <cstdio>

#include "matrices.h"
#include "runstat.h"
#include "vecteurs.h"

template <class T>
class llist;

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
  double st_surf_tot = 0, st_min_se = 0, st_max_se = 0, st_avg_se = 0, st_sd_se = 0;
  double st_min_ls = 0, st_max_ls = 0, st_avg_ls = 0, st_sd_ls = 0;

  // The VTK writer (vtk.h) reads the four tables and the title in place,
  // without changing them.
  friend struct vtk_tables;

 public:
  virtual ~maillage();
  maillage();
  // Copies the geometry and the title; statistics are not copied.
  maillage(maillage const& m);
  // The containers are taken by value: callers that no longer need theirs
  // should std::move them in so that the mesh is never held twice.
  maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs, gvector<int> s,
           char const* hea);
  // One subdomain holding every element.
  maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs, char const* hea);
  // Reads a ".kadro2D", ".kadro3D", ".nopo", ".NOPO" or ".msh" file; other
  // names are fatal (201).
  explicit maillage(char const* fname);
  // Copies the geometry and the title; the target keeps its statistics.
  maillage& operator=(maillage const& m);
  // The same, taking m's tables instead of copying them; m is left empty.
  maillage(maillage&& m) noexcept;
  maillage& operator=(maillage&& m) noexcept;
  // Vertices, elements, tags and subdomains of this mesh followed by those
  // of m, renumbered; titled "Maillage resultat". Meshes of different
  // dimension or element size (neither empty) give the empty mesh.
  virtual maillage operator+(maillage const& m) const;

  // stat_status = 0; one subdomain holding every element.
  void set_maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs, char const* hea);
  // stat_status untouched; s gives the subdomain bounds over 0..nsd.
  void set_maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs, gvector<int> s,
                    char const* hea);

  // Non-zero when `sommets` is an empty matrix; the size accessors use it.
  virtual int empty() const;

  // Replaces vertices, tags and elements by those of a NOPO file of
  // triangles or quadrilaterals (host byte order), with one subdomain
  // holding every element; the title is left as it is. Open failure 202,
  // several element kinds or a kind that cannot be read 203, element of
  // another kind 204 (206), unknown reference layout 205 (207), the second
  // status when nodes are not vertices; bad or truncated files 1.
  void lect_nopo(char const* fname);
  // Replaces the geometry and the title by the contents of a mesh viewer
  // file; 3 coordinates are kept when the name ends in "3D", else 2. Files
  // of the other byte order are converted. Bad or truncated files, and
  // elements naming vertices outside 1..npt, are fatal (1).
  void lect_kadro(char const* fname);
  // Replaces the geometry by the mesh of a Gmsh file (formats 2.2 and 4.1,
  // text or binary of either byte order): the triangles, quadrilaterals or
  // tetrahedra of the highest dimension present, in subdomains by physical
  // group (ascending; elements of no group last), vertices numbered in
  // ascending node tag (nodes of no kept element dropped), tags from the
  // groups of the lower-dimensional elements (the lowest dimension wins,
  // then the largest number). Two coordinates when a surface mesh lies in
  // z = 0. The title is the file's name without its directories. Open
  // failure 208; bad or truncated files 1.
  void lect_gmsh(char const* fname);
  // Text dump: vertex count, coordinates ("%20.10f ") and tag ("%6d") per
  // vertex, element count, vertex numbers per element. Open or write
  // failures are fatal (209).
  void ecrit_ascii(char const* fname) const;
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

  void iniref();                // every tag 0
  void setref(int i, int val);  // tag of vertex i (checked)
  void dump_ref();              // tags, collection text form, to "ref.save"

  // One line with the list length, then the list, per vertex.
  void d_list_voisins(FILE* fp) const;
  void d_list_voisins(char const* fname) const;  // opened with "w", closed
  // Adjacency for a renumbering program: vertex count, neighbour counts,
  // 1-based start positions, then the lists (each vertex in its own list).
  // The file is closed; open and write failures are fatal (1).
  void gen_data_renum(char const* fname) const;
  // Per vertex 1..npt(), the ascending set of the vertex itself and every
  // vertex sharing an element with it. A new collection the caller deletes.
  virtual gcolect<llist<int>>& list_voisins() const;

  // Two-dimensional transforms. Each returns a new heap mesh with the same
  // elements, tags, subdomains and title; the caller deletes it. A mesh of
  // another dimension is fatal (1).
  // Rotation by theta (radians, |theta| <= 2 pi, else fatal 2) about (cx, cy).
  maillage& rot(double cx, double cy, double theta) const;
  maillage& tran(double tx, double ty) const;
  maillage& homot(double cx, double cy, double r) const;  // scaling about (cx, cy)
  // Bounding box onto the annular sector from radius R1 and angles
  // 2 pi k / N .. 2 pi (k + 1) / N; the radial extent keeps the box's aspect
  // at radius R1. N = 0 or a box of zero width or height is fatal (1).
  maillage& courb(double R1, int N, int k) const;

  // Total, minimum, maximum, mean and standard deviation of element sizes
  // ("se") and side lengths ("ls"). 1-D meshes: segment lengths as sizes,
  // no sides. 2-D: triangles and quadrilaterals (areas and sides), or
  // segments (sides only; the total is their length). Other shapes and
  // meshes without elements are fatal (1).
  void init_stats();
  // 0 until init_stats() has run.
  double surf_tot() const { return stat_status ? st_surf_tot : 0; }
  double min_se() const { return stat_status ? st_min_se : 0; }
  double max_se() const { return stat_status ? st_max_se : 0; }
  double avg_se() const { return stat_status ? st_avg_se : 0; }
  double sd_se() const { return stat_status ? st_sd_se : 0; }
  double min_ls() const { return stat_status ? st_min_ls : 0; }
  double max_ls() const { return stat_status ? st_max_ls : 0; }
  double avg_ls() const { return stat_status ? st_avg_ls : 0; }
  double sd_ls() const { return stat_status ? st_sd_ls : 0; }

  // Periodicity between the right edge (tag rd, corner rcd) and the left
  // edge (tag rg, corner rcg): edges are paired by increasing y (ties in
  // vertex order) and every left vertex takes the y of its right partner;
  // the left corner takes the right corner's. Different edge counts or a
  // missing corner are fatal (1).
  void fix_per(int rd, int rcd, int rg, int rcg);

 private:
  // qsort order of (y, vertex number) pairs: by y, then by vertex number.
  static int ordrey(void const* a, void const* b);
};

// Reverses the byte order of each of the n four-byte values at p.
void invert(int* p, int n);
void invert(float* p, int n);

#endif
