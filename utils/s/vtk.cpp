// VTK output: fields, checks of the mesh and the fields, messages, and the
// choice of the writer.
#include "vtk.h"

#include <cmath>
#include <cstring>
#include <set>

#include "vtk_io.h"

vtk_champs& vtk_champs::sommets(char const* nom, gvector<double> const& v) {
  sommets_.push_back({nom != nullptr ? nom : "", &v});
  return *this;
}

vtk_champs& vtk_champs::elements(char const* nom, gvector<double> const& v) {
  elements_.push_back({nom != nullptr ? nom : "", &v});
  return *this;
}

int vtk_type(int ndim, int telem) {
  switch (telem) {
    case 1: return 1;                   // VTK_VERTEX
    case 2: return 3;                   // VTK_LINE
    case 3: return 5;                   // VTK_TRIANGLE
    case 4: return ndim == 3 ? 10 : 9;  // VTK_TETRA, VTK_QUAD
    case 5: return ndim == 3 ? 14 : 7;  // VTK_PYRAMID, VTK_POLYGON
    case 6: return ndim == 3 ? 13 : 7;  // VTK_WEDGE, VTK_POLYGON
    case 8: return ndim == 3 ? 12 : 7;  // VTK_HEXAHEDRON, VTK_POLYGON
    default: return telem > 0 && ndim != 3 ? 7 : 0;
  }
}

namespace {

using vtk_io::printable;

std::string shown(std::string const& s) {
  std::string t;
  for (char c : s) t += printable(c) ? c : '?';
  return t;
}

std::size_t count(gvector<double> const& v) {
  return v.empty() ? 0 : static_cast<std::size_t>(v.imax() - v.imin() + 1);
}

}  // namespace

// Friend of maillage: reads its tables in place.
struct vtk_tables {
  static char const* refusal(maillage const& m) {
    int const nv = m.npt() > 0 ? m.npt() : 0;
    int const ne = m.nelem() > 0 ? m.nelem() : 0;
    int const nd = m.ndim(), te = m.telem();
    if (nv > 0 && (nd < 1 || nd > 3)) return "dimension autre que 1, 2 ou 3";
    if (ne > 0 && te < 1) return "elements sans noeud";
    if (nv > 0 && (m.refsom.imin() > 1 || m.refsom.imax() < nv))
      return "references des sommets incompletes";
    if (nv > 0 && (m.sommets.imin() > 1 || m.sommets.jmin() > 1))
      return "sommets non numerotes a partir de 1";
    if (ne > 0 && (m.elements.imin() > 1 || m.elements.jmin() > 1))
      return "elements non numerotes a partir de 1";
    if (m.nsd() > 0 && m.s_dom.imin() > 1) return "sous-domaines incoherents";
    auto const som = mesh_io::checked_rows(m.sommets, nv, nd);
    for (int i = 1; i <= nv; ++i)
      for (int k = 1; k <= nd; ++k)
        if (!std::isfinite(som(i, k))) return "coordonnee non finie";
    auto const elem = mesh_io::checked_rows(m.elements, ne, te);
    for (int e = 1; e <= ne; ++e) {
      int const* v = elem.row(e);
      for (int k = 0; k < te; ++k)
        if (v[k] < 1 || v[k] > nv) return "numero de sommet hors limites";
    }
    return nullptr;
  }

  // The tables of a mesh that refusal() accepts.
  static vtk_io::grid_view view(maillage const& m) {
    vtk_io::grid_view g;
    g.nv = m.npt() > 0 ? m.npt() : 0;
    g.ne = m.nelem() > 0 ? m.nelem() : 0;
    g.nd = g.nv > 0 ? m.ndim() : 0;
    g.te = g.ne > 0 ? m.telem() : 0;
    g.vertices = mesh_io::checked_rows(m.sommets, g.nv, g.nd);
    g.elements = mesh_io::checked_rows(m.elements, g.ne, g.te);
    g.tags = mesh_io::checked_from_1(m.refsom, g.nv);
    g.nsd = m.nsd() > 0 ? m.nsd() : 0;
    g.bounds = mesh_io::checked_from_1(m.s_dom, g.nsd);
    g.title = titre_imprimable(m);
    return g;
  }

  static std::string title(maillage const& m) {
    return std::string(m.titre, strnlen(m.titre, sizeof m.titre));
  }
};

char const* vtk_refus(maillage const& m) { return vtk_tables::refusal(m); }

std::string titre_imprimable(maillage const& m) {
  std::string const t = shown(vtk_tables::title(m));
  std::size_t const b = t.find_first_not_of(' ');
  if (b == std::string::npos) return "maillage";
  return t.substr(b, t.find_last_not_of(' ') - b + 1);
}

namespace vtk_io {

void refuse(char const* fname, char const* why) { mesh_io::write_refused(fname, why, fatal_nl); }

void refuse_name(char const* fname, char const* why, std::string const& name) {
  mesh_io::write_refused(fname, why, " \"", shown(name).c_str(), "\"", fatal_nl);
}

void check_names(vtk_champs const& champs, char const* fname) {
  std::set<std::string> seen = {"tag", "subdomain"};
  for (auto const* list : {&champs.aux_sommets(), &champs.aux_elements()})
    for (auto const& c : *list) {
      bool ok = !c.nom.empty();
      for (char ch : c.nom)
        if (ch == ' ' || !printable(ch)) ok = false;
      if (!ok) refuse_name(fname, "nom de champ invalide", c.nom);
      if (!seen.insert(c.nom).second) refuse_name(fname, "nom de champ en double", c.nom);
    }
}

namespace {

[[noreturn]] void wrong_size(char const* fname, std::string const& name, std::size_t n,
                             int expected, char const* what) {
  // Sizes beyond int are printed as such: the counts of a mesh fit in int.
  mesh_io::write_refused(fname, "champ \"", shown(name).c_str(), "\" de ",
                         std::to_string(n).c_str(), " valeurs pour ", expected, " ", what,
                         fatal_nl);
}

std::vector<field_view> fields(std::vector<vtk_champs::champ> const& list, int expected,
                               char const* what, char const* fname) {
  std::vector<field_view> r;
  for (auto const& c : list) {
    std::size_t const n = count(*c.valeurs);
    if (n != static_cast<std::size_t>(expected)) wrong_size(fname, c.nom, n, expected, what);
    r.push_back({c.nom, c.valeurs->debut()});
  }
  return r;
}

}  // namespace

void check_finite(grid_view const& g, char const* fname) {
  auto check = [fname](std::vector<field_view> const& list, int n, char const* where) {
    for (field_view const& f : list)
      for (int i = 0; i < n; ++i)
        if (!std::isfinite(f.values[i])) {
          mesh_io::write_refused(fname, "champ \"", shown(f.name).c_str(), "\" non fini ", where,
                                 i + 1, fatal_nl);
        }
  };
  check(g.point_fields, g.nv, "au sommet ");
  check(g.cell_fields, g.ne, "a l'element ");
}

grid_view checked_view(maillage const& m, vtk_champs const& champs, char const* fname) {
  if (char const* why = vtk_refus(m)) refuse(fname, why);
  grid_view g = vtk_tables::view(m);
  if (g.ne > 0) {
    g.type = vtk_type(g.nd, g.te);
    if (g.type == 0) refuse(fname, "elements 3D sans type VTK pour ce nombre de noeuds");
  }
  check_names(champs, fname);
  g.point_fields = fields(champs.aux_sommets(), g.nv, "sommets", fname);
  g.cell_fields = fields(champs.aux_elements(), g.ne, "elements", fname);
  return g;
}

}  // namespace vtk_io

namespace {

bool ends_with(char const* s, char const* tail) {
  std::size_t const n = std::strlen(s), k = std::strlen(tail);
  return n >= k && std::strcmp(s + n - k, tail) == 0;
}

}  // namespace

void ecrit_vtk(maillage const& m, char const* fname, vtk_champs const& champs, vtk_format format) {
  if (fname == nullptr) fname = "";
  if (format == vtk_format::selon_nom)
    format = ends_with(fname, ".vtu") ? vtk_format::xml : vtk_format::ascii;
  vtk_io::grid_view const g = vtk_io::checked_view(m, champs, fname);
  if (format == vtk_format::ascii) vtk_io::check_finite(g, fname);
  vtk_io::out_file out(fname);
  if (format == vtk_format::xml)
    vtk_io::write_vtu(g, out);
  else
    vtk_io::write_legacy(g, out, format == vtk_format::binaire);
  out.close();
}
