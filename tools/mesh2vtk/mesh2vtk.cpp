// mesh2vtk: writes a mesh file read by the library as a legacy VTK
// unstructured grid and/or as an SVG picture.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "maillage.h"
#include "runstat.h"

runstat* sst = nullptr;

void nerror(char const* st) {
  sst->msg(st);
  sst->kill(1);
}

void nerror() {
  sst->nl();
  sst->kill(1);
}

void nmsg(char const* st) { sst->msg(st); }

void nmsg(int i) { sst->msg(i); }

namespace {

[[noreturn]] void stop(int status) {
  sst->kill(status);
  std::abort();
}

[[noreturn]] void usage(char const* prog) {
  sst->msg("Usage: ").msg(prog);
  sst->msg(" maillage sortie.vtk|sortie.svg [sortie.vtk|sortie.svg]\n");
  stop(1);
}

[[noreturn]] void bad_mesh(char const* fname, char const* why) {
  sst->msg("Maillage ").msg(fname).msg(" non convertible: ").msg(why).nl();
  stop(1);
}

// The mesh's tables as flat arrays, 0-based, checked once after reading so
// that the writers can walk them freely.
class vue : public maillage {
 public:
  explicit vue(char const* fname) : maillage(fname) {}

  std::vector<double> xyz;  // 3 per vertex, missing coordinates 0
  std::vector<int> conn;    // telem() per element, 0-based vertex numbers
  std::vector<int> tags;
  std::vector<int> dom;  // subdomain of each element, 0 when in none

  void prepare(char const* fname) {
    int const nv = npt(), nd = ndim(), ne = nelem(), te = telem();
    if (nv > 0 && (nd < 1 || nd > 3))
      bad_mesh(fname, "dimension autre que 1, 2 ou 3");
    if (ne > 0 && te < 1) bad_mesh(fname, "elements sans noeud");
    if (nv > 0 && (refsom.imin() > 1 || refsom.imax() < nv))
      bad_mesh(fname, "references des sommets incompletes");
    xyz.assign(static_cast<std::size_t>(nv) * 3, 0.0);
    tags.assign(static_cast<std::size_t>(nv), 0);
    for (int i = 1; i <= nv; ++i) {
      for (int k = 1; k <= nd; ++k) {
        float const c = xn(k, i);
        if (!std::isfinite(c)) bad_mesh(fname, "coordonnee non finie");
        xyz[static_cast<std::size_t>(i - 1) * 3 + k - 1] = c;
      }
      tags[static_cast<std::size_t>(i - 1)] = ref(i);
    }
    conn.resize(static_cast<std::size_t>(ne) * te);
    std::size_t q = 0;
    for (int e = 1; e <= ne; ++e)
      for (int k = 1; k <= te; ++k) {
        int const v = lg(e, k);
        if (v < 1 || v > nv) bad_mesh(fname, "numero de sommet hors limites");
        conn[q++] = v - 1;
      }
    // Subdomains are runs of consecutive elements; bounds that go backwards
    // or past the end leave elements in no subdomain rather than crashing.
    dom.assign(static_cast<std::size_t>(ne), 0);
    int const ns = nsd();
    int done = 0;
    for (int k = 1; k <= ns; ++k) {
      int const last = s_dom[k] < ne ? s_dom[k] : ne;
      for (int e = done + 1; e <= last; ++e)
        dom[static_cast<std::size_t>(e - 1)] = k;
      if (last > done) done = last;
    }
  }

  // Printable title without the padding, safe in a VTK header or XML text.
  std::string clean_title() const {
    std::string t;
    for (char const* p = titre; *p; ++p) {
      unsigned char const c = static_cast<unsigned char>(*p);
      t += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    std::size_t const b = t.find_first_not_of(' ');
    if (b == std::string::npos) return "maillage";
    return t.substr(b, t.find_last_not_of(' ') - b + 1);
  }
};

// Percentages on stderr while a large file is written, only on a terminal.
class progress {
 public:
  progress(char const* what, long long total)
      : what_(what),
        total_(total),
        on_(total >= 200000 && isatty(2)) {}
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

class output {
 public:
  explicit output(char const* fname) : name_(fname) {
    fp_ = std::fopen(fname, "w");
    if (fp_ == nullptr) {
      sst->msg("Rcourb: problemmes d'ouvertoure du fichier ").msg(fname).nl();
      sst->error(errno).nl();
      stop(209);
    }
    std::setvbuf(fp_, nullptr, _IOFBF, 1 << 16);
  }
  FILE* fp() const { return fp_; }
  void close() {
    bool const bad = std::ferror(fp_) != 0;
    int const err = errno;
    if (std::fclose(fp_) != 0 || bad) {
      sst->msg("Rcourb: erreur d'ecriture du fichier ").msg(name_).nl();
      sst->error(bad ? err : errno).nl();
      stop(209);
    }
  }

 private:
  char const* name_;
  FILE* fp_;
};

// VTK cell type of an element of `te` nodes in `nd` dimensions; 0 if none.
int vtk_type(int nd, int te) {
  switch (te) {
    case 1: return 1;   // VTK_VERTEX
    case 2: return 3;   // VTK_LINE
    case 3: return 5;   // VTK_TRIANGLE
    case 4: return nd == 3 ? 10 : 9;  // VTK_TETRA, VTK_QUAD
    case 5: return nd == 3 ? 14 : 7;  // VTK_PYRAMID, VTK_POLYGON
    case 6: return nd == 3 ? 13 : 7;  // VTK_WEDGE, VTK_POLYGON
    case 8: return nd == 3 ? 12 : 7;  // VTK_HEXAHEDRON, VTK_POLYGON
    default: return nd == 3 ? 0 : 7;
  }
}

void write_vtk(vue const& m, char const* in, char const* fname) {
  int const nv = m.npt(), ne = m.nelem(), te = m.telem();
  int const type = ne > 0 ? vtk_type(m.ndim(), te) : 0;
  if (ne > 0 && type == 0)
    bad_mesh(in, "elements 3D sans type VTK pour ce nombre de noeuds");
  output out(fname);
  FILE* fp = out.fp();
  progress prog(fname, 2LL * nv + 2LL * ne);
  std::fprintf(fp, "# vtk DataFile Version 3.0\n%s\nASCII\n",
               m.clean_title().c_str());
  std::fprintf(fp, "DATASET UNSTRUCTURED_GRID\nPOINTS %d float\n", nv);
  double const* c = m.xyz.data();
  for (int i = 0; i < nv; ++i, c += 3) {
    std::fprintf(fp, "%.9g %.9g %.9g\n", c[0], c[1], c[2]);
    if ((i & 1023) == 0) prog.step(i);
  }
  long long const size = static_cast<long long>(ne) * (te + 1);
  std::fprintf(fp, "CELLS %d %lld\n", ne, size);
  int const* v = m.conn.data();
  for (int e = 0; e < ne; ++e) {
    std::fprintf(fp, "%d", te);
    for (int k = 0; k < te; ++k) std::fprintf(fp, " %d", *v++);
    std::fputc('\n', fp);
    if ((e & 1023) == 0) prog.step(nv + e);
  }
  std::fprintf(fp, "CELL_TYPES %d\n", ne);
  for (int e = 0; e < ne; ++e) std::fprintf(fp, "%d\n", type);
  std::fprintf(fp, "POINT_DATA %d\nSCALARS tag int 1\nLOOKUP_TABLE default\n",
               nv);
  for (int i = 0; i < nv; ++i) {
    std::fprintf(fp, "%d\n", m.tags[static_cast<std::size_t>(i)]);
    if ((i & 1023) == 0) prog.step(nv + ne + i);
  }
  std::fprintf(fp,
               "CELL_DATA %d\nSCALARS subdomain int 1\nLOOKUP_TABLE default\n",
               ne);
  for (int e = 0; e < ne; ++e) {
    std::fprintf(fp, "%d\n", m.dom[static_cast<std::size_t>(e)]);
    if ((e & 1023) == 0) prog.step(2LL * nv + ne + e);
  }
  out.close();
}

char const* const kFill[] = {"#dbe9f6", "#fde5c8", "#d9f0d3", "#f3d9ec",
                             "#e8e3f4", "#fff5bf"};
char const* const kMark[] = {"#d62728", "#1f77b4", "#2ca02c", "#9467bd",
                             "#ff7f0e", "#8c564b"};

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
  std::string t = m.clean_title();
  std::string esc;
  for (char ch : t) {
    if (ch == '&') esc += "&amp;";
    else if (ch == '<') esc += "&lt;";
    else if (ch == '>') esc += "&gt;";
    else esc += ch;
  }
  std::fprintf(fp, "<title>%s</title>\n", esc.c_str());
  // Lines one pixel wide at the nominal size.
  std::fprintf(fp,
               "<g stroke=\"#303030\" stroke-width=\"%.4g\" "
               "stroke-linejoin=\"round\">\n",
               w / px);
  for (int e = 0; e < ne; ++e) {
    int const d = m.dom[static_cast<std::size_t>(e)];
    std::fprintf(fp, "<polygon fill=\"%s\" points=\"",
                 d > 0 ? kFill[(d - 1) % 6] : "none");
    int const* v = m.conn.data() + static_cast<std::size_t>(e) * te;
    for (int k = 0; k < te; ++k) {
      std::size_t const p = static_cast<std::size_t>(v[k]) * 3;
      std::fprintf(fp, k ? " %.7g,%.7g" : "%.7g,%.7g", m.xyz[p],
                   -m.xyz[p + 1] + 0.0);
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

}  // namespace

int main(int argc, char** argv) {
  char const* prog = (argc > 0 && argv[0] != nullptr) ? argv[0] : "mesh2vtk";
  sst = new runstat(stderr, prog);
  if (argc < 3 || argc > 4) usage(prog);
  for (int a = 2; a < argc; ++a)
    if (!ends_with(argv[a], ".vtk") && !ends_with(argv[a], ".svg"))
      usage(prog);

  struct stat st;
  if (isatty(2) && stat(argv[1], &st) == 0 && st.st_size >= (8 << 20))
    std::fprintf(stderr, "lecture de %s...\n", argv[1]);
  vue m(argv[1]);
  m.prepare(argv[1]);
  for (int a = 2; a < argc; ++a) {
    if (ends_with(argv[a], ".vtk"))
      write_vtk(m, argv[1], argv[a]);
    else
      write_svg(m, argv[a]);
  }
  delete sst;
  sst = nullptr;
  return 0;
}
