// Gmsh mesh reader: the order of the sections and the assembly of the mesh
// from the elements of the highest dimension.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gmsh_sections.h"
#include "maillage.h"
#include "maillage_io.h"

using gmsh::contents;
using gmsh::input;

namespace {

void skip_section(input& in, std::string const& name) {
  if (!in.skip_past_line("$End" + name)) gmsh::unterminated(in, name);
}

// Every section of the file, after the format; unknown ones are skipped.
void read_sections(input& in, contents& c) {
  if (!in.skip_space() || in.line() != "$MeshFormat") gmsh::not_gmsh(in);
  gmsh::read_format(in, c);
  while (in.skip_space()) {
    std::string_view const l = in.line();
    if (l.size() < 2 || l[0] != '$' || l.compare(1, 3, "End") == 0) gmsh::stray_line(in, l);
    std::string const name(l.substr(1));
    if (name == "MeshFormat")
      gmsh::twice(in, name);
    else if (name == "PhysicalNames")
      gmsh::skip_physical_names(in);
    else if (name == "Entities" && c.version == 4)
      gmsh::read_entities(in, c);
    else if (name == "Nodes")
      gmsh::read_nodes(in, c);
    else if (name == "Elements")
      gmsh::read_elements(in, c);
    else
      skip_section(in, name);
  }
  if (!c.have_nodes) gmsh::missing(in, "Nodes");
  if (!c.have_elements) gmsh::missing(in, "Elements");
}

// Node count and dimension of every Gmsh type, by type number.
struct type_table {
  int nodes[32], dim[32];
  type_table() {
    for (int t = 0; t < 32; ++t) {
      gmsh::element_type const et = gmsh::type_of(t);
      nodes[t] = et.nodes;
      dim[t] = et.dim;
    }
  }
};

// The mesh's elements: those of the highest dimension, all of one kind.
struct kept_elements {
  int dim = -1;   // highest dimension of any element
  int type = 0;   // their Gmsh type: 2, 3 or 4
  int nodes = 0;  // per element
  long long count = 0;
};

kept_elements choose_elements(input const& in, contents const& c, type_table const& tt) {
  kept_elements k;
  for (unsigned char t : c.type) k.dim = std::max(k.dim, tt.dim[t]);
  if (k.dim < 2) gmsh::no_mesh(in);
  for (unsigned char t : c.type) {
    if (tt.dim[t] != k.dim) continue;
    if (t != (k.dim == 2 ? 2 : 4) && !(k.dim == 2 && t == 3)) gmsh::unsupported_type(in, t);
    if (k.type != 0 && k.type != t) gmsh::mixed_kinds(in);
    k.type = t;
    ++k.count;
  }
  k.nodes = tt.nodes[k.type];
  if (k.count > INT_MAX / k.nodes) gmsh::bad_value(in, "Nombre d'elements", k.count);
  return k;
}

// Subdomains: the kept elements by physical group, smallest group first;
// elements of no group make the last one. Stable: file order within each.
struct subdomains {
  std::vector<int> groups;       // ascending; bucket groups.size() is "none"
  std::vector<long long> first;  // first row (from 0) of each bucket
  std::vector<int> bounds;       // s_dom(0..nsd): the buckets not empty

  int bucket(int pmin) const {
    if (pmin == 0) return static_cast<int>(groups.size());
    return static_cast<int>(std::lower_bound(groups.begin(), groups.end(), pmin) - groups.begin());
  }
};

subdomains make_subdomains(contents const& c, type_table const& tt, kept_elements const& k) {
  subdomains s;
  // Neighbours mostly share their group: keep one value per run.
  for (std::size_t e = 0; e < c.type.size(); ++e)
    if (tt.dim[c.type[e]] == k.dim && c.pmin[e] != 0 &&
        (s.groups.empty() || s.groups.back() != c.pmin[e]))
      s.groups.push_back(c.pmin[e]);
  std::sort(s.groups.begin(), s.groups.end());
  s.groups.erase(std::unique(s.groups.begin(), s.groups.end()), s.groups.end());
  std::vector<long long> count(s.groups.size() + 1, 0);
  for (std::size_t e = 0; e < c.type.size(); ++e)
    if (tt.dim[c.type[e]] == k.dim) ++count[s.bucket(c.pmin[e])];
  s.first.assign(count.size(), 0);
  s.bounds.assign(1, 0);
  for (std::size_t b = 0; b < count.size(); ++b) {
    if (b > 0) s.first[b] = s.first[b - 1] + count[b - 1];
    if (count[b] > 0) s.bounds.push_back(s.bounds.back() + static_cast<int>(count[b]));
  }
  return s;
}

// Vertex numbers by node position: 1..npt in ascending tag order for the
// nodes of kept elements, 0 for the others.
std::vector<int> number_vertices(contents const& c, type_table const& tt, kept_elements const& k,
                                 int& npt) {
  std::vector<int> num(c.node_tags.size(), 0);
  std::size_t off = 0;
  for (std::size_t e = 0; e < c.type.size(); off += tt.nodes[c.type[e]], ++e)
    if (tt.dim[c.type[e]] == k.dim)
      for (int j = 0; j < k.nodes; ++j) num[c.nodes[off + j]] = 1;
  npt = 0;
  c.index.ascending([&](int p) {
    if (num[p] != 0) num[p] = ++npt;
  });
  return num;
}

// Coordinates of the vertices: two per vertex for a surface mesh whose z
// are all 0, else three.
gmatrix<float> coordinates(contents const& c, std::vector<int> const& num, int npt, int dim) {
  int nd = 2;
  for (std::size_t p = 0; p < num.size() && nd == 2; ++p)
    if (num[p] != 0 && (dim == 3 || c.xyz[3 * p + 2] != 0.0f)) nd = 3;
  gmatrix<float> som(1, npt, 1, nd);
  float* s = som.debut();
  for (std::size_t p = 0; p < num.size(); ++p)
    if (num[p] != 0)
      std::memcpy(s + static_cast<std::size_t>(num[p] - 1) * nd, &c.xyz[3 * p],
                  static_cast<std::size_t>(nd) * sizeof(float));
  return som;
}

// Vertex tags from the groups of the lower-dimensional elements: the lowest
// dimension wins, then the largest group number.
gvector<int> vertex_tags(contents const& c, type_table const& tt, kept_elements const& k,
                         std::vector<int> const& num, int npt) {
  gvector<int> refs(1, npt);
  refs = 0;
  int* r = refs.debut();
  std::vector<signed char> from(static_cast<std::size_t>(npt), 4);
  std::size_t off = 0;
  for (std::size_t e = 0; e < c.type.size(); off += tt.nodes[c.type[e]], ++e) {
    int const d = tt.dim[c.type[e]];
    int const g = c.pmax[e];
    if (d >= k.dim || g == 0) continue;
    for (int j = 0; j < tt.nodes[c.type[e]]; ++j) {
      int const v = num[c.nodes[off + j]] - 1;
      if (v < 0) continue;
      if (d < from[v] || (d == from[v] && g > r[v])) {
        from[v] = static_cast<signed char>(d);
        r[v] = g;
      }
    }
  }
  return refs;
}

// Kept elements in subdomain order, with their vertex numbers.
gmatrix<int> connectivity(contents const& c, type_table const& tt, kept_elements const& k,
                          subdomains const& s, std::vector<int> const& num) {
  int const te = k.nodes;
  gmatrix<int> elem(1, static_cast<int>(k.count), 1, te);
  int* out = elem.debut();
  std::vector<long long> next = s.first;  // next row of each bucket
  std::size_t off = 0;
  for (std::size_t e = 0; e < c.type.size(); off += tt.nodes[c.type[e]], ++e) {
    if (tt.dim[c.type[e]] != k.dim) continue;
    int* row = out + next[s.bucket(c.pmin[e])]++ * te;
    for (int j = 0; j < te; ++j) row[j] = num[c.nodes[off + j]];
  }
  return elem;
}

}  // namespace

void maillage::lect_gmsh(char const* fname) {
  if (fname == nullptr) fname = "";
  long long size = 0;
  FILE* fp = mesh_io::open_regular(fname, 208, size);
  input in(fp, fname, size);
  contents c;
  read_sections(in, c);

  type_table const tt;
  kept_elements const k = choose_elements(in, c, tt);
  subdomains const s = make_subdomains(c, tt, k);
  int npt = 0;
  std::vector<int> const num = number_vertices(c, tt, k, npt);

  sommets = coordinates(c, num, npt, k.dim);
  refsom = vertex_tags(c, tt, k, num, npt);
  elements = connectivity(c, tt, k, s, num);
  int const nsd = static_cast<int>(s.bounds.size()) - 1;
  s_dom.resize(0, nsd);
  std::memcpy(s_dom.debut(), s.bounds.data(), s.bounds.size() * sizeof(int));
  stat_status = 0;
  // The title is the file's name without its directories.
  char const* base = std::strrchr(fname, '/');
  base = base != nullptr ? base + 1 : fname;
  std::memset(titre, 0, sizeof titre);
  std::strncpy(titre, base, 80);
}
