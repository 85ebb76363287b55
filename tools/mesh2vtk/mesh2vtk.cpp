// mesh2vtk: writes a mesh file read by the library as a VTK unstructured
// grid (legacy ".vtk", text or with -b binary, or XML ".vtu") and/or as an
// SVG picture.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fatal.h"
#include "fichier_sur.h"
#include "maillage.h"
#include "maillage_io.h"
#include "utils_hooks.h"
#include "vtk.h"

namespace {

[[noreturn]] void usage(char const* prog) {
  fatal(1, "Usage: ", prog,
        " [-b] maillage sortie.vtk|sortie.vtu|sortie.svg "
        "[sortie.vtk|sortie.vtu|sortie.svg]\n");
}

[[noreturn]] void bad_mesh(char const* fname, char const* why) {
  fatal(1, "Maillage ", fname, " non convertible: ", why, fatal_nl);
}

// The mesh's tables as flat arrays, 0-based, for the SVG writer; filled
// once the mesh has passed vtk_refus().
class vue : public maillage {
 public:
  explicit vue(char const* fname) : maillage(fname) {}

  std::vector<double> xyz;  // 3 per vertex, missing coordinates 0
  std::vector<int> conn;    // telem() per element, 0-based vertex numbers
  std::vector<int> tags;
  std::vector<int> dom;  // subdomain of each element, 0 when in none

  void prepare() {
    // A mesh without an element matrix reports -1 elements: it has none.
    int const nv = std::max(npt(), 0), nd = ndim(), ne = std::max(nelem(), 0);
    int const te = telem();
    // The tables are read in place, checked once (vtk_refus has passed).
    mesh_io::rows_from_1<float> const som = mesh_io::checked_rows(sommets, nv, nd);
    int const* ref = mesh_io::checked_from_1(refsom, nv);
    mesh_io::rows_from_1<int> const el = mesh_io::checked_rows(elements, ne, te);
    xyz.assign(static_cast<std::size_t>(nv) * 3, 0.0);
    tags.assign(static_cast<std::size_t>(nv), 0);
    for (int i = 1; i <= nv; ++i) {
      float const* c = som.row(i);
      for (int k = 0; k < nd; ++k) xyz[static_cast<std::size_t>(i - 1) * 3 + k] = c[k];
      tags[static_cast<std::size_t>(i - 1)] = ref[i - 1];
    }
    conn.resize(static_cast<std::size_t>(ne) * te);
    std::size_t q = 0;
    for (int e = 1; e <= ne; ++e) {
      int const* row = el.row(e);
      for (int k = 0; k < te; ++k) conn[q++] = row[k] - 1;
    }
    // Subdomains are runs of consecutive elements; bounds that go backwards
    // or past the end leave elements in no subdomain rather than crashing.
    dom.assign(static_cast<std::size_t>(ne), 0);
    int const ns = nsd();
    int done = 0;
    for (int k = 1; k <= ns; ++k) {
      int const last = s_dom[k] < ne ? s_dom[k] : ne;
      for (int e = done + 1; e <= last; ++e) dom[static_cast<std::size_t>(e - 1)] = k;
      if (last > done) done = last;
    }
  }
};

// Percentages on stderr while a large file is written, only on a terminal.
class progress {
 public:
  progress(char const* what, long long total)
      : what_(what), total_(total), on_(total >= 200000 && isatty(2)) {}
  void step(long long done) {
    if (!on_) return;
    int const p = static_cast<int>(100 * done / total_);
    if (p == shown_) return;
    shown_ = p;
    std::fprintf(stderr, "\r%s: %3d%%", what_.c_str(), p);
    std::fflush(stderr);
  }
  ~progress() {
    if (on_) std::fprintf(stderr, "\r%s: fait\n", what_.c_str());
  }

 private:
  std::string what_;
  long long total_;
  bool on_;
  int shown_ = -1;
};

// The drawing replaces its file only once complete; failures end the run
// as the mesh writers' do.
class output {
 public:
  explicit output(char const* fname) : dest_(fname), name_(fname) {
    fp_ = dest_.ouvre_fic();
    if (fp_ == nullptr) mesh_io::open_failed(fname, errno, 209);
    std::setvbuf(fp_, nullptr, _IOFBF, 1 << 16);
  }
  FILE* fp() const { return fp_; }
  void close() {
    int const err = dest_.ferme(fp_, std::ferror(fp_) ? errno : 0);
    if (err != 0) mesh_io::write_failed(name_, err);
  }

 private:
  fichier_sur dest_;
  char const* name_;
  FILE* fp_;
};

char const* const kFill[] = {"#dbe9f6", "#fde5c8", "#d9f0d3", "#f3d9ec", "#e8e3f4", "#fff5bf"};
char const* const kMark[] = {"#d62728", "#1f77b4", "#2ca02c", "#9467bd", "#ff7f0e", "#8c564b"};

// Drawn on the x-y plane, y pointing up (SVG's y is negated); one polygon
// per element, filled by subdomain; one circle per tagged vertex.
void write_svg(vue const& m, char const* fname) {
  int const nv = m.npt(), ne = m.nelem(), te = m.telem();
  double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  for (int i = 0; i < nv; ++i) {
    double const x = m.xyz[static_cast<std::size_t>(i) * 3];
    double const y = m.xyz[static_cast<std::size_t>(i) * 3 + 1];
    if (i == 0 || x < x0) x0 = x;
    if (i == 0 || x > x1) x1 = x;
    if (i == 0 || y < y0) y0 = y;
    if (i == 0 || y > y1) y1 = y;
  }
  double size = std::fmax(x1 - x0, y1 - y0);
  if (!(size > 0) || !std::isfinite(size)) size = 1;
  double const margin = 0.03 * size;
  double const w = x1 - x0 + 2 * margin, h = y1 - y0 + 2 * margin;
  // Marks scale with the mean length of the elements' first edges.
  double edge = 0;
  if (te >= 2 && ne > 0) {
    double sum = 0;
    for (int e = 0; e < ne; ++e) {
      int const* v = m.conn.data() + static_cast<std::size_t>(e) * te;
      double const dx = m.xyz[v[1] * 3u] - m.xyz[v[0] * 3u];
      double const dy = m.xyz[v[1] * 3u + 1] - m.xyz[v[0] * 3u + 1];
      sum = std::sqrt(dx * dx + dy * dy) + sum;
    }
    edge = sum / ne;
  }
  double r = edge > 0 ? 0.12 * edge : 0.005 * size;
  if (r > 0.02 * size) r = 0.02 * size;
  double const px = 640;
  double const py = std::fmin(px * h / w, 4 * px);

  output out(fname);
  FILE* fp = out.fp();
  progress prog(fname, static_cast<long long>(ne) + nv);
  std::fprintf(fp, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  std::fprintf(fp,
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" "
               "height=\"%.0f\" viewBox=\"%.9g %.9g %.9g %.9g\">\n",
               px, py, x0 - margin, -(y1 + margin), w, h);
  std::string t = titre_imprimable(m);
  std::string esc;
  for (char ch : t) {
    if (ch == '&')
      esc += "&amp;";
    else if (ch == '<')
      esc += "&lt;";
    else if (ch == '>')
      esc += "&gt;";
    else
      esc += ch;
  }
  std::fprintf(fp, "<title>%s</title>\n", esc.c_str());
  // Lines one pixel wide at the nominal size.
  std::fprintf(fp,
               "<g stroke=\"#303030\" stroke-width=\"%.4g\" "
               "stroke-linejoin=\"round\">\n",
               w / px);
  for (int e = 0; e < ne; ++e) {
    int const d = m.dom[static_cast<std::size_t>(e)];
    std::fprintf(fp, "<polygon fill=\"%s\" points=\"", d > 0 ? kFill[(d - 1) % 6] : "none");
    int const* v = m.conn.data() + static_cast<std::size_t>(e) * te;
    for (int k = 0; k < te; ++k) {
      std::size_t const p = static_cast<std::size_t>(v[k]) * 3;
      std::fprintf(fp, k ? " %.7g,%.7g" : "%.7g,%.7g", m.xyz[p], -m.xyz[p + 1] + 0.0);
    }
    std::fprintf(fp, "\"/>\n");
    if ((e & 1023) == 0) prog.step(e);
  }
  std::fprintf(fp, "</g>\n<g stroke=\"none\">\n");
  for (int i = 0; i < nv; ++i) {
    if ((i & 1023) == 0) prog.step(ne + i);
    int const tag = m.tags[static_cast<std::size_t>(i)];
    if (tag == 0) continue;
    std::size_t const p = static_cast<std::size_t>(i) * 3;
    int const c = ((tag % 6) + 6) % 6;
    std::fprintf(fp,
                 "<circle cx=\"%.7g\" cy=\"%.7g\" r=\"%.4g\" fill=\"%s\">"
                 "<title>%d: %d</title></circle>\n",
                 m.xyz[p], -m.xyz[p + 1] + 0.0, r, kMark[c], i + 1, tag);
  }
  std::fprintf(fp, "</g>\n</svg>\n");
  out.close();
}

bool ends_with(char const* s, char const* tail) {
  std::size_t const n = std::strlen(s), k = std::strlen(tail);
  return n > k && std::strcmp(s + n - k, tail) == 0;
}

bool vtk_name(char const* s) { return ends_with(s, ".vtk") || ends_with(s, ".vtu"); }

}  // namespace

int main(int argc, char** argv) {
  char const* prog = (argc > 0 && argv[0] != nullptr) ? argv[0] : "mesh2vtk";
  utils_debut(prog);
  bool binary = false;
  opterr = 0;
  for (int c; (c = getopt(argc, argv, "+b")) != -1;) {
    if (c != 'b') usage(prog);
    binary = true;
  }
  int const first = optind;
  if (argc - first < 2 || argc - first > 3) usage(prog);
  for (int a = first + 1; a < argc; ++a)
    if (!vtk_name(argv[a]) && !ends_with(argv[a], ".svg")) usage(prog);
  char const* in = argv[first];

  struct stat st;
  if (isatty(2) && stat(in, &st) == 0 && st.st_size >= (8 << 20))
    std::fprintf(stderr, "lecture de %s...\n", in);
  vue m(in);
  if (char const* why = vtk_refus(m)) bad_mesh(in, why);
  bool flat = false;
  for (int a = first + 1; a < argc; ++a) {
    char const* out = argv[a];
    if (vtk_name(out)) {
      if (m.nelem() > 0 && vtk_type(m.ndim(), m.telem()) == 0)
        bad_mesh(in, "elements 3D sans type VTK pour ce nombre de noeuds");
      vtk_format const f = ends_with(out, ".vtu") ? vtk_format::xml
                           : binary               ? vtk_format::binaire
                                                  : vtk_format::ascii;
      ecrit_vtk(m, out, vtk_champs(), f);
    } else {
      if (!flat) m.prepare();
      flat = true;
      write_svg(m, out);
    }
  }
  utils_fin();
  return 0;
}
