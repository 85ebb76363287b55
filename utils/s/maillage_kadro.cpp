// Mesh viewer files: the writer and the reader of the length-framed records.
#include "maillage.h"

#include "fatal.h"
#include "maillage_io.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

using mesh_io::bin_in;
using mesh_io::format_error;
using mesh_io::swapped;

namespace {

[[noreturn]] void bad_mesh_for_write(char const* fname, char const* why) {
  mesh_io::write_refused(fname, why, fatal_nl);
}

inline void put32(unsigned char* p, std::int32_t v) { std::memcpy(p, &v, 4); }

// The mesh writer's output (mesh_io::out_file) with its records laid out
// from templates.
class kadro_out : public mesh_io::out_file {
 public:
  using out_file::out_file;

  // Room for n contiguous bytes; the caller fills all of them.
  unsigned char* take(std::size_t n) {
    kind_ = 0;
    char* p = room(n);
    advance(n);
    return reinterpret_cast<unsigned char*>(p);
  }

  // `count` records of `size` bytes laid out as `tmpl`; fill(p, k) stores
  // the varying fields of record k at p. Records are built in whole batches
  // from the start of the buffer, so the constant bytes are laid down once
  // (per `kind` of record) and stay in place from batch to batch.
  template <class F>
  void records(std::size_t size, std::size_t count, long long kind, unsigned char const* tmpl,
               F fill) {
    flush();
    if (size > cap_) {
      make_room(size);
      kind_ = 0;
    }
    unsigned char* const buf = reinterpret_cast<unsigned char*>(buf_.get());
    std::size_t const per = cap_ / size;
    if (kind_ != kind) {
      for (std::size_t k = 0; k < per; ++k) std::memcpy(buf + k * size, tmpl, size);
      kind_ = kind;
    }
    for (std::size_t done = 0; done < count;) {
      std::size_t const n = std::min(per, count - done);
      unsigned char* p = buf;
      for (std::size_t k = 0; k < n; ++k, p += size) fill(p, done + k);
      len_ = n * size;
      flush();
      done += n;
    }
  }

 private:
  long long kind_ = 0;  // which record template the buffer holds, 0 none
};

// The writer walks the storage directly, so the shapes it relies on are
// checked once, before the file is touched.
// nv, nd, te and ne are the mesh's npt(), ndim(), telem() and nelem().
void check_for_write(char const* fname, gmatrix<float> const& sommets, gmatrix<int> const& elements,
                     gvector<int> const& refsom, gvector<int> const& s_dom, int nv, int nd, int te,
                     int ne) {
  int const ng = s_dom.imax();
  if (nd > 3) bad_mesh_for_write(fname, "plus de 3 coordonnees par sommet");
  if (nv > 0) {
    if (sommets.imin() != 1 || sommets.jmin() != 1)
      bad_mesh_for_write(fname, "sommets non numerotes a partir de 1");
    if (refsom.imin() > 1 || refsom.imax() < nv)
      bad_mesh_for_write(fname, "references des sommets incompletes");
  }
  if (ng >= 1) {
    if (s_dom.imin() > 0 || s_dom[0] < 0) bad_mesh_for_write(fname, "sous-domaines incoherents");
    for (int k = 1; k <= ng; ++k)
      if (s_dom[k] < s_dom[k - 1] || s_dom[k] > ne)
        bad_mesh_for_write(fname, "sous-domaines incoherents");
    if (s_dom[ng] > s_dom[0] && (elements.imin() != 1 || elements.jmin() != 1 || te < 1))
      bad_mesh_for_write(fname, "elements non numerotes a partir de 1");
  }
}

void write_vertices(kadro_out& out, gmatrix<float> const& sommets, gvector<int> const& refsom,
                    int nv, int nd) {
  if (nv <= 0) return;
  float const* s = sommets.debut();
  int const* r = refsom.debut() + (1 - refsom.imin());
  // Unused coordinates and the other eight ints stay 0 from the template.
  unsigned char tmpl[56] = {};
  put32(tmpl, 48);
  put32(tmpl + 52, 48);
  // Fixed coordinate counts let the copies compile to plain moves.
  auto vertices = [&](auto dims) {
    constexpr std::size_t d = decltype(dims)::value;
    out.records(56, static_cast<std::size_t>(nv), 1, tmpl, [s, r](unsigned char* q, std::size_t i) {
      std::memcpy(q + 4, s + i * d, d * 4);
      put32(q + 28, r[i]);
    });
  };
  if (nd == 2)
    vertices(std::integral_constant<std::size_t, 2>());
  else if (nd == 3)
    vertices(std::integral_constant<std::size_t, 3>());
  else if (nd == 1)
    vertices(std::integral_constant<std::size_t, 1>());
  else
    vertices(std::integral_constant<std::size_t, 0>());
}

// One group record per subdomain, then its element records.
void write_groups(kadro_out& out, gmatrix<int> const& elements, gvector<int> const& s_dom, int te) {
  int const ng = s_dom.imax();
  std::size_t const payload = (static_cast<std::size_t>(te) + 2) * 4;
  std::size_t const nb = static_cast<std::size_t>(te) * 4;
  std::vector<unsigned char> tmpl;
  for (int k = 1; k <= ng; ++k) {
    int const first = s_dom[k - 1];
    int const count = s_dom[k] - first;
    unsigned char* p = out.take(24);
    put32(p, 16);
    put32(p + 4, k);
    put32(p + 8, 1);
    put32(p + 12, count);
    put32(p + 16, te);
    put32(p + 20, 16);
    if (count == 0) continue;
    int const* e = elements.debut() + static_cast<std::size_t>(first) * te;
    if (count >= 256) {
      if (tmpl.empty()) {
        tmpl.assign(payload + 8, 0);
        put32(tmpl.data(), static_cast<std::int32_t>(payload));
        put32(tmpl.data() + 4 + payload, static_cast<std::int32_t>(payload));
      }
      std::size_t const n = static_cast<std::size_t>(count);
      if (te == 4) {
        out.records(32, n, 6, tmpl.data(), [e](unsigned char* q, std::size_t i) {
          put32(q + 4, static_cast<std::int32_t>(i + 1));
          std::memcpy(q + 8, e + i * 4, 16);
        });
      } else {
        out.records(payload + 8, n, 2LL + te, tmpl.data(),
                    [e, te, nb](unsigned char* q, std::size_t i) {
                      put32(q + 4, static_cast<std::int32_t>(i + 1));
                      std::memcpy(q + 8, e + i * te, nb);
                    });
      }
      continue;
    }
    for (int i = 1; i <= count; ++i, e += te) {
      p = out.take(payload + 8);
      put32(p, static_cast<std::int32_t>(payload));
      put32(p + 4, i);
      std::memcpy(p + 8, e, nb);
      put32(p + 8 + nb, 0);
      put32(p + 4 + payload, static_cast<std::int32_t>(payload));
    }
  }
}

// ---------------------------------------------------------------- reading

// The first framing word is 80 in the file's byte order: it tells whether
// the rest must be converted.
void kadro_byte_order(bin_in& in, char const* fname) {
  int w;
  in.read(&w, 4);
  if (w == 80) return;
  w = swapped(w);
  if (w != 80) {
    format_error(fname, "\nOn attendait 80 bytes\n");
  }
  sst->msg("Fichier ").msg(fname).msg(" d'une autre architecture: ");
  sst->msg("tentavive de conversion\n");
  in.swap = true;
}

// Title bytes, then the header record; returns the vertex count, checked
// against what the file can still hold.
int kadro_title_and_count(bin_in& in, char const* fname, char (&tt)[81]) {
  in.read(tt, 80);
  tt[80] = '\0';
  int w = in.word();
  if (w != 80) {
    format_error(fname, "\nIncoerence de taille: Lu ", 80, " Prevu: ", w, fatal_nl);
  }
  int const l = in.word();
  int const nv = in.word();
  int unused;
  in.read(&unused, 4);
  in.end_record(8, l);
  // Every vertex record takes at least 56 bytes of the file.
  if (nv < 0 || nv > INT_MAX / 3) {
    format_error(fname, "\nNombre de sommets non valide: ", nv, fatal_nl);
  }
  if (56LL * nv > in.remaining()) {
    format_error(fname, "\nFichier trop court pour ", nv, " sommets\n");
  }
  return nv;
}

void kadro_vertices(bin_in& in, int nv, int dim, gmatrix<float>& sommets, gvector<int>& refsom) {
  sommets.resize(1, nv, 1, dim);
  refsom.resize(1, nv);
  float* s = sommets.debut();
  int* r = refsom.debut();
  for (int i = 0; i < nv; ++i) {
    int const l = in.word();
    float c[3];
    in.read(c, 12);
    if (in.swap) invert(c, dim);
    std::memcpy(s + static_cast<std::size_t>(i) * dim, c, static_cast<std::size_t>(dim) * 4);
    int z[9];
    in.read(z, 36);
    r[i] = in.swap ? swapped(z[3]) : z[3];
    in.end_record(48, l);
  }
}

// Element rows of every group, in a matrix with spare rows (grown by half)
// so that many small groups cost linear time.
struct kadro_elements {
  std::vector<int> bounds = std::vector<int>(1, 0);
  gmatrix<int> el;
  int cap = 0, total = 0, te = 0;

  // A group of m rows of t nodes may follow (t the same for every group).
  void check(char const* fname, int m, int t);
  // Room for m more rows.
  void reserve(int m);
  // The rows, cut to size.
  gmatrix<int> exact();
};

void kadro_elements::check(char const* fname, int m, int t) {
  if (bounds.size() == 1) {
    te = t;
  } else if (t != te) {
    format_error(fname, "\nGroupes d'elements de tailles differentes: ", te, " et ", t, fatal_nl);
  }
  if (bounds.size() > static_cast<std::size_t>(INT_MAX) - 1) {
    format_error(fname, "\nTrop de groupes d'elements\n");
  }
  if (m > 0 && (static_cast<long long>(total) + m) * te > INT_MAX) {
    format_error(fname, "\nNombre d'elements trop grand: ", m, fatal_nl);
  }
}

void kadro_elements::reserve(int m) {
  long long const need = static_cast<long long>(total) + m;
  if (m == 0 || need <= cap) return;
  long long ncap = need;
  if (cap > 0) ncap = std::max(need, cap + cap / 2LL);
  ncap = std::min<long long>(ncap, INT_MAX / te);
  gmatrix<int> grown(1, static_cast<int>(ncap), 1, te);
  if (total > 0)
    std::memcpy(grown.debut(), el.debut(), static_cast<std::size_t>(total) * te * sizeof(int));
  el = std::move(grown);
  cap = static_cast<int>(ncap);
}

gmatrix<int> kadro_elements::exact() {
  if (cap == total) return std::move(el);
  gmatrix<int> r(1, total, 1, te);
  if (total > 0)
    std::memcpy(r.debut(), el.debut(), static_cast<std::size_t>(total) * te * sizeof(int));
  return r;
}

// One group: its header record, then its element records.
void kadro_group(bin_in& in, char const* fname, kadro_elements& g) {
  int const l = in.word();
  int gi[4];
  in.read(gi, 16);
  int const m = in.swap ? swapped(gi[2]) : gi[2];
  int const t = in.swap ? swapped(gi[3]) : gi[3];
  in.end_record(16, l);
  if (m < 0) {
    format_error(fname, "\nNombre d'elements non valide: ", m, fatal_nl);
  }
  if (t < 0 || (t == 0 && m > 0)) {
    format_error(fname, "\nNombre de noeuds par element non valide: ", t, fatal_nl);
  }
  g.check(fname, m, t);
  if (m > 0 && (12LL + 4LL * g.te) * m > in.remaining()) {
    format_error(fname, "\nFichier trop court pour ", m, " elements\n");
  }
  g.reserve(m);
  int const e = 4 * (1 + g.te);
  int* row = g.el.debut() + static_cast<std::size_t>(g.total) * g.te;
  for (int i = 0; i < m; ++i, row += g.te) {
    int const lw = in.word();
    int unused;
    in.read(&unused, 4);
    in.read(row, static_cast<std::size_t>(g.te) * 4);
    if (in.swap) invert(row, g.te);
    in.end_record(e, lw);
  }
  g.total += m;
  g.bounds.push_back(g.total);
}

}  // namespace

void maillage::ecrit_kadro(char const* fname) const {
  if (fname == nullptr) fname = "";
  check_for_write(fname, sommets, elements, refsom, s_dom, npt(), ndim(), telem(), nelem());

  kadro_out out(fname);

  unsigned char* p = out.take(88);
  put32(p, 80);
  std::size_t tl = std::strlen(titre);
  std::memcpy(p + 4, titre, tl);
  std::memset(p + 4 + tl, ' ', 80 - tl);
  put32(p + 84, 80);

  p = out.take(16);
  put32(p, 8);
  put32(p + 4, npt());
  put32(p + 8, 8);
  put32(p + 12, 8);

  write_vertices(out, sommets, refsom, npt(), ndim());
  write_groups(out, elements, s_dom, telem());
  out.close();
}

void maillage::lect_kadro(char const* fname) {
  if (fname == nullptr) fname = "";
  std::size_t const nlen = std::strlen(fname);
  int const dim = (nlen >= 2 && fname[nlen - 2] == '3') ? 3 : 2;

  long long size = 0;
  FILE* fp = mesh_io::open_regular(fname, 208, size);
  bin_in in(fp, fname, size);

  kadro_byte_order(in, fname);
  char tt[81];
  int const nv = kadro_title_and_count(in, fname, tt);
  kadro_vertices(in, nv, dim, sommets, refsom);
  kadro_elements g;
  while (in.remaining() > 0) kadro_group(in, fname, g);

  int const ng = static_cast<int>(g.bounds.size()) - 1;
  if (ng >= 1) {
    mesh_io::check_element_vertices(fname, g.el.debut(), g.total, g.te, nv);
    elements = g.exact();
  }
  s_dom.resize(0, ng);
  std::memcpy(s_dom.debut(), g.bounds.data(), g.bounds.size() * sizeof(int));
  std::memcpy(titre, tt, sizeof titre);
}
