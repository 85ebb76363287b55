// Internals of the VTK writers: the checked view of a mesh and its fields
// and the refusal messages.
#ifndef VTK_IO_H
#define VTK_IO_H

#include <cstddef>
#include <string>
#include <vector>

#include "maillage_io.h"
#include "vtk.h"

namespace vtk_io {

// Printable ASCII, space included.
inline bool printable(char c) {
  return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f;
}

// A field to write: values 0..count-1 in storage order.
struct field_view {
  std::string name;
  double const* values;
};

// Everything a writer walks, read in place from the mesh once checked:
// rows and entries are numbered from 1 and every vertex number is in range.
struct grid_view {
  int nv = 0, nd = 0, ne = 0, te = 0;
  int type = 0;                          // VTK cell type of every element
  mesh_io::rows_from_1<float> vertices;  // rows 1..nv, columns 1..nd
  mesh_io::rows_from_1<int> elements;    // rows 1..ne, columns 1..te
  int const* tags = nullptr;             // tags[i - 1]: tag of vertex i
  int const* bounds = nullptr;           // bounds[k - 1]: last element of k
  int nsd = 0;
  std::string title;
  std::vector<field_view> point_fields, cell_fields;
};

// Subdomain of elements 1, 2, ... taken in turn: the first subdomain whose
// last element is at or after it, 0 when there is none (as maillage::sd).
class subdomain_walk {
 public:
  explicit subdomain_walk(grid_view const& g) : b_(g.bounds), n_(g.nsd) {}
  int next() {
    ++e_;
    while (k_ < n_ && b_[k_] < e_) ++k_;
    return k_ < n_ ? k_ + 1 : 0;
  }

 private:
  int const* b_;
  int n_;
  int k_ = 0;  // subdomain k_ + 1 is the candidate for element e_
  int e_ = 0;
};

// The buffered output file of the mesh writers (maillage_io.h).
using mesh_io::out_file;

// "Ecriture de <fname> impossible: <why>", status 1.
[[noreturn]] void refuse(char const* fname, char const* why);
// The same with a detail: a quoted name, printable as it is.
[[noreturn]] void refuse_name(char const* fname, char const* why, std::string const& name);

// The view of a mesh and its fields, after every check of ecrit_vtk.
grid_view checked_view(maillage const& m, vtk_champs const& champs, char const* fname);
// VTK's text reader takes no "nan" or "inf": the text form refuses them.
void check_finite(grid_view const& g, char const* fname);
// The field names of ecrit_vtk's rules, checked; refusals name fname.
void check_names(vtk_champs const& champs, char const* fname);

void write_legacy(grid_view const& g, out_file& out, bool binary);
void write_vtu(grid_view const& g, out_file& out);

}  // namespace vtk_io

#endif
