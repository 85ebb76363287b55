// VTK output of a mesh with named fields of values at vertices and per
// element: legacy files (text or binary) and XML unstructured grids.
#ifndef VTK_H
#define VTK_H

#include <string>
#include <vector>

#include "maillage.h"
#include "vecteurs.h"

// Named fields of doubles to write with a mesh. The vectors are not copied:
// they must live, unchanged in size, until the write that uses them. A
// vector is matched with the mesh by position in its storage, whatever its
// bounds: its k-th stored value goes with vertex (element) k, so it must
// hold exactly npt() (nelem()) values. Names are checked when written.
class vtk_champs {
 public:
  struct champ {
    std::string nom;
    gvector<double> const* valeurs;
  };

  // Values at the vertices 1..npt().
  vtk_champs& sommets(char const* nom, gvector<double> const& v);
  // Values per element 1..nelem().
  vtk_champs& elements(char const* nom, gvector<double> const& v);

  std::vector<champ> const& aux_sommets() const { return sommets_; }
  std::vector<champ> const& aux_elements() const { return elements_; }

 private:
  std::vector<champ> sommets_;
  std::vector<champ> elements_;
};

// ascii and binaire: legacy ".vtk" files (binary values big-endian, as the
// legacy format requires); xml: ".vtu" unstructured grid, values raw in
// the host's byte order in an appended block. selon_nom: xml when the name
// ends in ".vtu", else ascii.
enum class vtk_format { selon_nom, ascii, binaire, xml };

// Writes the mesh and the fields; the file is replaced. Along with the
// fields go the vertex tags as the int field "tag" (at vertices) and the
// subdomain of each element as the int field "subdomain" (0 for an element
// in none); these two are the active scalars of legacy files, the fields
// follow them in a FIELD block. Coordinates are written as floats, 3 per
// vertex (missing ones 0); field values as doubles, "%.17g" in text so
// that reading gives back the same bits. The binary forms keep non-finite
// values as they are; the text form refuses them, as VTK's text reader
// cannot read them back.
// Fatal: a mesh vtk_refus() refuses, elements without a VTK cell type,
// a field of the wrong size, a field name that is empty, holds anything
// but printable ASCII without spaces or is used twice (including "tag" and
// "subdomain"), a non-finite value in text: "Ecriture de <fname>
// impossible: ...", status 1. Open or write failures: status 209.
void ecrit_vtk(maillage const& m, char const* fname, vtk_champs const& champs = vtk_champs(),
               vtk_format format = vtk_format::selon_nom);

// Index of a mesh written in pieces (".pvtu"): lists the ".vtu" files in
// `pieces` (names as the reader will see them from the index's directory)
// and declares the fields of `champs` (only the names are used; every
// piece must have been written with fields of the same names). Fatal: no
// piece, a piece name that is empty or not printable ASCII, the field name
// rules of ecrit_vtk (status 1); open or write failures (209).
void ecrit_pvtu(char const* fname, std::vector<std::string> const& pieces,
                vtk_champs const& champs = vtk_champs());

// Why the mesh cannot be written, or nullptr: a dimension other than 1 to 3,
// elements without nodes, tables not numbered from 1, incomplete vertex
// tags or subdomain bounds, a non-finite coordinate, a vertex number out of
// 1..npt(). Cell types are not checked here (see vtk_type).
char const* vtk_refus(maillage const& m);

// VTK cell type of elements of `telem` nodes in `ndim` dimensions; 0 when
// there is none (3-D elements of 7 or more than 8 nodes). 2-D elements of
// 5 nodes or more are polygons.
int vtk_type(int ndim, int telem);

// The mesh title as one printable line: bytes outside printable ASCII
// become '?', the padding goes; "maillage" when nothing is left.
std::string titre_imprimable(maillage const& m);

#endif
