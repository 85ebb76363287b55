// NOPO mesh reader (triangles and quadrilaterals).
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "fatal.h"
#include "maillage.h"
#include "maillage_io.h"

using mesh_io::bin_in;
using mesh_io::format_error;

namespace {

// Positions of the counts in the counts record.
enum {
  c_numdim = 0,
  c_ncopnp = 3,
  c_ne = 4,
  c_nseg = 6,
  c_nsup = 12,
  c_npoint = 21,
  n_counts = 27
};

char const* const kind_names[6] = {"segments",   "triangles",  "quadrilateres",
                                   "tetraedres", "pentaedres", "hexaedres"};
int const kind_nodes[6] = {2, 3, 4, 4, 5, 6};

[[noreturn]] void bad_count(char const* fname, char const* what, long long v) {
  // The value may not fit an int (a product of two counts).
  format_error(fname, "\n", what, ": ", v, fatal_nl);
}

[[noreturn]] void too_short(char const* fname, int n, char const* what) {
  format_error(fname, "\nFichier trop court pour ", n, what, fatal_nl);
}

// A record skipped whole by its leading length word.
void skip_record(bin_in& in) {
  int const l = in.word();
  if (l < 0) bad_count(in.name(), "Longueur d'enregistrement non valide", l);
  in.skip(l);
  in.word();
}

// n words into buf, after checking the file holds them.
void read_words(bin_in& in, std::vector<int>& buf, int n, int elem, char const* what) {
  if (n < 0 || 4LL * n > in.remaining()) {
    format_error(in.name(), "\nL'element ", elem, ": ", what, " non valide: ", n, fatal_nl);
  }
  if (buf.size() < static_cast<std::size_t>(n)) buf.resize(n);
  if (n > 0) in.read(buf.data(), 4 * static_cast<std::size_t>(n));
}

// General record, then the associated arrays it announces.
void skip_general(bin_in& in) {
  // Only the number of associated arrays is used.
  in.word();
  in.word();
  in.skip(80 + 8 + 24 + 4);
  in.word();  // nicoor
  in.word();  // nres
  int const ntass = in.word();
  in.word();
  if (ntass < 0) bad_count(in.name(), "Nombre de tableaux associes non valide", ntass);
  if (ntass != 0)
    for (long long k = 0; k <= ntass; ++k) skip_record(in);
}

// The counts record; returns the node count per element of its single
// element kind.
int read_counts(bin_in& in, int (&c)[n_counts]) {
  char const* fname = in.name();
  in.word();
  in.word();
  in.read(c, sizeof c);
  in.word();

  // One element kind, and no other count positive or negative.
  int kind = -1, kinds = 0;
  bool others = c[c_nsup] != 0;
  for (int k = 0; k < 6; ++k) {
    if (c[c_nseg + k] > 0) {
      kind = k;
      ++kinds;
    } else if (c[c_nseg + k] != 0) {
      others = true;
    }
  }
  if (kinds != 1 || others) {
    fatal(203, "read_nopo: elements de type non constant\n", std::strerror(errno), fatal_nl);
  }
  // The reference words are laid out per face, edge and vertex; only the
  // plane polygons have a layout this reader knows.
  if (kind != 1 && kind != 2) {
    fatal(203, "read_nopo: ", fname, ": elements ", kind_names[kind],
          " non pris en charge (seuls les triangles et les quadrilateres"
          " sont lus)\n");
  }
  if (c[c_numdim] < 2 || c[c_numdim] > 3)
    bad_count(fname, "Dimension d'espace non valide", c[c_numdim]);
  if (c[c_npoint] < 0) bad_count(fname, "Nombre de sommets non valide", c[c_npoint]);
  if (c[c_ne] < 0) bad_count(fname, "Nombre d'elements non valide", c[c_ne]);
  return kind_nodes[kind];
}

// The coordinates record, read straight into the rows.
gmatrix<float> read_coordinates(bin_in& in, int npoint, int numdim) {
  long long const ncoor = static_cast<long long>(npoint) * numdim;
  if (8 + 4 * ncoor + 4 > in.remaining()) too_short(in.name(), npoint, " sommets");
  in.word();
  in.word();
  gmatrix<float> som(1, npoint, 1, numdim);
  if (ncoor > 0) in.read(som.debut(), 4 * static_cast<std::size_t>(ncoor));
  in.word();
  return som;
}

// Where the vertex references start among an element's reference words
// (ining is word 1): after one face reference and one per edge (1), after
// the edge references (2), right after ining (3).
int first_vertex_reference(int ining, int npo, int ncopnp) {
  if (ining == 1) return 2 + npo;
  if (ining == 2) return 1 + npo;
  if (ining == 3) return 1;
  fatal(ncopnp == 1 ? 205 : 207, "Erreur: ining=", ining, fatal_nl);
}

// The elements of the elements record, with the vertex references they
// carry.
struct nopo_elements {
  int type_elem, ncopnp, npoint;
  std::vector<int> nsom = std::vector<int>(3), nbtab = std::vector<int>(3);

  // Element i into its row of elem; references into r (entries 1..npoint).
  void read(bin_in& in, int i, int* row, int* r);
};

void nopo_elements::read(bin_in& in, int i, int* row, int* r) {
  char const* fname = in.name();
  int h[4];
  in.read(h, sizeof h);
  int const ngge = h[0], nmae = h[1];
  int npo = h[3];
  if (ncopnp != 1) {
    int const nno = h[3];
    if (nno < 0 || 4LL * nno > in.remaining()) {
      format_error(fname, "\nL'element ", i, ": nombre de noeuds non valide: ", nno, fatal_nl);
    }
    in.skip(4LL * nno);
    npo = in.word();
  }
  read_words(in, nsom, npo, i, "nombre de sommets");
  read_words(in, nbtab, nmae, i, "nombre de mots de reference");
  if (ngge != type_elem) {
    fatal(ncopnp == 1 ? 204 : 206, "L'element ", i, " n'est pas du type ", type_elem, "\nIl a ",
          ngge, "sommets\n");
  }
  if (npo != type_elem) {
    format_error(fname, "\nL'element ", i, " a ", npo, " sommets au lieu de ", type_elem, fatal_nl);
  }
  for (int j = 0; j < npo; ++j) {
    int const v = nsom[j];
    if (v < 1 || v > npoint) mesh_io::vertex_outside(fname, i, v, npoint);
    row[j] = v;
  }
  if (nmae == 0) return;
  int const first = first_vertex_reference(nbtab[0], npo, ncopnp);
  if (nmae < first + npo) {
    format_error(fname, "\nL'element ", i, " a ", nmae, " mots de reference, il en faut ",
                 first + npo, fatal_nl);
  }
  for (int j = 0; j < npo; ++j) r[nsom[j] - 1] = nbtab[first + j];
}

}  // namespace

void maillage::lect_nopo(char const* fname) {
  if (fname == nullptr) fname = "";
  long long size = 0;
  FILE* fp = mesh_io::open_regular(fname, 202, size);
  bin_in in(fp, fname, size);

  skip_record(in);
  skip_general(in);
  int c[n_counts];
  int const type_elem = read_counts(in, c);
  int const ncopnp = c[c_ncopnp];
  int const ne = c[c_ne];
  int const npoint = c[c_npoint];
  gmatrix<float> som = read_coordinates(in, npoint, c[c_numdim]);

  // Every element takes at least its four header words and its vertices.
  long long const least = 4LL * (4 + type_elem + (ncopnp != 1 ? 1 : 0));
  if (8 + least * ne + 4 > in.remaining()) too_short(fname, ne, " elements");
  in.word();
  in.word();
  gmatrix<int> elem(1, ne, 1, type_elem);
  gvector<int> refs(1, npoint);
  refs = 0;
  nopo_elements reader{type_elem, ncopnp, npoint};
  for (int i = 1; i <= ne; ++i) reader.read(in, i, elem.debut_ligne(i), refs.debut());
  in.word();

  gvector<int> s(0, 1);
  s[0] = 0;
  s[1] = ne;
  sommets = std::move(som);
  elements = std::move(elem);
  refsom = std::move(refs);
  s_dom = std::move(s);
}
