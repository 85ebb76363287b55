// Mesh class: construction, accessors and the mesh viewer file format.
#include "maillage.h"

#include "maillage_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

namespace mesh_io {

void stop(int status) {
  sst->kill(status);
  std::abort();  // kill() exits; keeps the compiler sure of it
}

void open_failed(char const* fname, int err, int status) {
  sst->msg("Rcourb: problemmes d'ouvertoure du fichier ").msg(fname).nl();
  sst->error(err).nl();
  stop(status);
}

runstat& format_error(char const* fname) {
  return sst->msg("Erreur de format dans la lecture de ").msg(fname);
}

void truncated(char const* fname) {
  format_error(fname).msg("\nFin de fichier inattendue\n");
  stop(1);
}

void write_failed(char const* fname, int err) {
  sst->msg("Rcourb: erreur d'ecriture du fichier ").msg(fname).nl();
  sst->error(err).nl();
  stop(209);
}

void bad_vertex(int e, int v, int npt) {
  sst->msg("Maillage invalide: sommet ").msg(v).msg(" de l'element ").msg(e);
  sst->msg(" hors de 1..").msg(npt).nl();
  stop(1);
}

void bin_in::end_record(int e, int l) {
  int length = e;
  if (l > e) {
    skip(static_cast<long long>(l) - e);
    length = l;
  } else if (l < e) {
    format_error(name_).msg("\nDepassement de registre: Lu ").msg(e);
    sst->msg(" Prevu: ").msg(l).nl();
    stop(1);
  }
  int t = word();
  if (t != length) {
    format_error(name_).msg("\nIncoerence de taille: Lu ").msg(length);
    sst->msg(" Prevu: ").msg(t).nl();
    stop(1);
  }
}

FILE* open_regular(char const* fname, int status, long long& size) {
  FILE* fp = std::fopen(fname, "rb");
  if (fp == nullptr) open_failed(fname, errno, status);
  struct stat st;
  if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(fp);
    format_error(fname).msg("\nCe n'est pas un fichier ordinaire\n");
    stop(1);
  }
  size = static_cast<long long>(st.st_size);
  return fp;
}

}  // namespace mesh_io

using mesh_io::format_error;
using mesh_io::open_failed;
using mesh_io::stop;
using mesh_io::swapped;
using mesh_io::write_failed;

namespace {

[[noreturn]] void bad_name(char const* fname) {
  sst->msg("Nom de fichier non valide: ").msg(fname).nl();
  stop(201);
}

[[noreturn]] void bad_mesh_for_write(char const* fname, char const* why) {
  sst->msg("Ecriture de ").msg(fname).msg(" impossible: ").msg(why).nl();
  stop(1);
}

inline std::uint32_t bswap(std::uint32_t v) { return __builtin_bswap32(v); }

inline void put32(unsigned char* p, std::int32_t v) { std::memcpy(p, &v, 4); }

// Where a mesh file is written. A regular file (or a new one) is written
// under a temporary name in the same directory and renamed over the target
// only once complete and on disk, so that a run killed in the middle or a
// full disk leaves the previous file as it was. Other targets (devices,
// pipes) are written in place.
struct kadro_dest {
  FILE* fp = nullptr;
  std::string tmp;   // empty when writing in place
  std::string path;  // what the temporary file replaces (links resolved)
};

kadro_dest kadro_open(char const* fname) {
  kadro_dest d;
  d.path = fname;
  struct stat st;
  if (lstat(fname, &st) == 0 && S_ISLNK(st.st_mode)) {
    // Replace the file the link points to, not the link.
    if (char* r = realpath(fname, nullptr)) {
      d.path = r;
      std::free(r);
    }
  }
  bool const exists = stat(d.path.c_str(), &st) == 0;
  // A file that may not be written is refused by the fopen below, as ever.
  if (fname[0] != '\0' &&
      (!exists || (S_ISREG(st.st_mode) && access(d.path.c_str(), W_OK) == 0))) {
    std::string t = d.path + ".tmpXXXXXX";
    int fd = mkstemp(&t[0]);
    if (fd >= 0) {
      // The mode a plain fopen would give: the old file's, else 0666 less
      // the umask (mkstemp makes 0600).
      mode_t mode;
      if (exists) {
        mode = st.st_mode & 07777;
        if (geteuid() == 0 && fchown(fd, st.st_uid, st.st_gid) != 0) {
          // keep root's ownership
        }
      } else {
        mode_t const mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
      }
      if (fchmod(fd, mode) == 0) d.fp = fdopen(fd, "wb");
      if (d.fp != nullptr) {
        d.tmp = t;
        return d;
      }
      int const err = errno;
      close(fd);
      unlink(t.c_str());
      open_failed(fname, err, 209);
    }
    // No temporary file possible (directory not writable, name too long
    // for the suffix): the file is written in place, as fopen allows it,
    // and an open failure is reported as such.
  }
  d.fp = std::fopen(fname, "wb");
  if (d.fp == nullptr) open_failed(fname, errno, 209);
  return d;
}

// Output packed into one large buffer: one fwrite per megabyte, not per
// number.
class kadro_out {
 public:
  kadro_out(kadro_dest d, char const* name)
      : fp_(d.fp), dest_(std::move(d)), name_(name), cap_(1 << 20),
        buf_(new unsigned char[cap_]) {}

  // Room for n contiguous bytes; the caller fills all of them.
  unsigned char* room(std::size_t n) {
    kind_ = 0;
    if (cap_ - len_ < n) {
      flush();
      if (n > cap_) {
        buf_.reset(new unsigned char[n]);
        cap_ = n;
      }
    }
    unsigned char* p = buf_.get() + len_;
    len_ += n;
    return p;
  }

  // `count` records of `size` bytes laid out as `tmpl`; fill(p, k) stores
  // the varying fields of record k at p. Records are built in whole batches
  // from the start of the buffer, so the constant bytes are laid down once
  // (per `kind` of record) and stay in place from batch to batch.
  template <class F>
  void records(std::size_t size, std::size_t count, long long kind,
               unsigned char const* tmpl, F fill) {
    flush();
    if (size > cap_) {
      buf_.reset(new unsigned char[size]);
      cap_ = size;
      kind_ = 0;
    }
    std::size_t const per = cap_ / size;
    if (kind_ != kind) {
      for (std::size_t k = 0; k < per; ++k)
        std::memcpy(buf_.get() + k * size, tmpl, size);
      kind_ = kind;
    }
    for (std::size_t done = 0; done < count;) {
      std::size_t const n = std::min(per, count - done);
      unsigned char* p = buf_.get();
      for (std::size_t k = 0; k < n; ++k, p += size) fill(p, done + k);
      len_ = n * size;
      flush();
      done += n;
    }
  }

  void flush() {
    if (len_ != 0 && std::fwrite(buf_.get(), 1, len_, fp_) != len_) fail();
    len_ = 0;
  }

  // The whole new file replaces the old one only once it is complete: a
  // failed or killed run leaves the old file as it was. No fsync: like the
  // other tools that write files, this one leaves the flushing to the
  // system (a forced flush is disk-bound and would double the run time of
  // a large mesh).
  void close() {
    flush();
    if (std::fflush(fp_) != 0) fail();
    FILE* fp = fp_;
    fp_ = nullptr;
    if (std::fclose(fp) != 0) failed(errno);
    if (dest_.tmp.empty()) return;
    if (std::rename(dest_.tmp.c_str(), dest_.path.c_str()) != 0) failed(errno);
  }

 private:
  [[noreturn]] void fail() {
    int err = errno;
    std::fclose(fp_);
    fp_ = nullptr;
    failed(err);
  }

  // The temporary file goes; the target keeps its old contents.
  [[noreturn]] void failed(int err) {
    if (!dest_.tmp.empty()) unlink(dest_.tmp.c_str());
    write_failed(name_, err);
  }

  FILE* fp_;
  kadro_dest dest_;
  char const* name_;
  std::size_t cap_;
  std::unique_ptr<unsigned char[]> buf_;
  std::size_t len_ = 0;
  long long kind_ = 0;  // which record template the buffer holds, 0 none
};

}  // namespace

void invert(int* p, int n) {
  for (int i = 0; i < n; ++i) p[i] = swapped(p[i]);
}

void invert(float* p, int n) {
  for (int i = 0; i < n; ++i) {
    std::uint32_t u;
    std::memcpy(&u, p + i, 4);
    u = bswap(u);
    std::memcpy(p + i, &u, 4);
  }
}

maillage::~maillage() {}

maillage::maillage() : stat_status(0) { titre[0] = '\0'; }

maillage::maillage(maillage const& m)
    : sommets(m.sommets),
      elements(m.elements),
      refsom(m.refsom),
      s_dom(m.s_dom),
      stat_status(0) {
  std::memcpy(titre, m.titre, sizeof titre);
}

maillage::maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs,
                   gvector<int> s, char const* hea)
    : stat_status(0) {
  set_maillage(std::move(som), std::move(elem), std::move(refs), std::move(s),
               hea);
}

maillage::maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs,
                   char const* hea)
    : stat_status(0) {
  set_maillage(std::move(som), std::move(elem), std::move(refs), hea);
}

maillage::maillage(char const* fname) : stat_status(0) {
  titre[0] = '\0';
  if (fname == nullptr) bad_name("");
  char const* ext = std::strrchr(fname, '.');
  if (ext == nullptr) bad_name(fname);
  if (std::strcmp(ext, ".nopo") == 0 || std::strcmp(ext, ".NOPO") == 0) {
    lect_nopo(fname);
    return;
  }
  if (std::strcmp(ext, ".kadro2D") == 0 || std::strcmp(ext, ".kadro3D") == 0) {
    lect_kadro(fname);
    return;
  }
  bad_name(fname);
}

maillage& maillage::operator=(maillage const& m) {
  if (this == &m) return *this;
  sommets = m.sommets;
  elements = m.elements;
  refsom = m.refsom;
  s_dom = m.s_dom;
  std::memcpy(titre, m.titre, sizeof titre);
  return *this;
}

namespace {
void copy_title(char* titre, char const* hea) {
  std::size_t n = 0;
  if (hea != nullptr)
    while (n < 80 && hea[n] != '\0') ++n;
  std::memcpy(titre, hea, n);
  std::memset(titre + n, 0, 81 - n);
}
}  // namespace

void maillage::set_maillage(gmatrix<float> som, gmatrix<int> elem,
                            gvector<int> refs, char const* hea) {
  stat_status = 0;
  sommets = std::move(som);
  elements = std::move(elem);
  refsom = std::move(refs);
  s_dom.resize(0, 1);
  s_dom[0] = 0;
  s_dom[1] = nelem();
  copy_title(titre, hea);
}

void maillage::set_maillage(gmatrix<float> som, gmatrix<int> elem,
                            gvector<int> refs, gvector<int> s,
                            char const* hea) {
  sommets = std::move(som);
  elements = std::move(elem);
  refsom = std::move(refs);
  s_dom = std::move(s);
  copy_title(titre, hea);
}

int maillage::empty() const { return sommets.empty() ? 1 : 0; }

int maillage::sd(int i) const {
  int n = nsd();
  for (int k = 1; k <= n; ++k)
    if (i <= s_dom[k]) return k;
  return 0;
}

void maillage::ecrit_kadro(char const* fname) const {
  if (fname == nullptr) fname = "";
  int const nv = npt();
  int const nd = ndim();
  int const te = telem();
  int const ng = s_dom.imax();

  // The writer walks the storage directly, so the shapes it relies on are
  // checked once here, before the file is touched.
  if (nd > 3) bad_mesh_for_write(fname, "plus de 3 coordonnees par sommet");
  if (nv > 0) {
    if (sommets.imin() != 1 || sommets.jmin() != 1)
      bad_mesh_for_write(fname, "sommets non numerotes a partir de 1");
    if (refsom.imin() > 1 || refsom.imax() < nv)
      bad_mesh_for_write(fname, "references des sommets incompletes");
  }
  if (ng >= 1) {
    if (s_dom.imin() > 0 || s_dom[0] < 0)
      bad_mesh_for_write(fname, "sous-domaines incoherents");
    for (int k = 1; k <= ng; ++k)
      if (s_dom[k] < s_dom[k - 1] || s_dom[k] > nelem())
        bad_mesh_for_write(fname, "sous-domaines incoherents");
    if (s_dom[ng] > s_dom[0] &&
        (elements.imin() != 1 || elements.jmin() != 1 || te < 1))
      bad_mesh_for_write(fname, "elements non numerotes a partir de 1");
  }

  kadro_dest dest = kadro_open(fname);
  // Records are packed here already; stdio would only copy them again.
  std::setvbuf(dest.fp, nullptr, _IONBF, 0);
  kadro_out out(std::move(dest), fname);

  unsigned char* p = out.room(88);
  put32(p, 80);
  std::size_t tl = std::strlen(titre);
  std::memcpy(p + 4, titre, tl);
  std::memset(p + 4 + tl, ' ', 80 - tl);
  put32(p + 84, 80);

  p = out.room(16);
  put32(p, 8);
  put32(p + 4, nv);
  put32(p + 8, 8);
  put32(p + 12, 8);

  if (nv > 0) {
    float const* s = sommets.debut();
    int const* r = refsom.debut() + (1 - refsom.imin());
    // Unused coordinates and the other eight ints stay 0 from the template.
    unsigned char tmpl[56] = {};
    put32(tmpl, 48);
    put32(tmpl + 52, 48);
    // Fixed coordinate counts let the copies compile to plain moves.
    auto vertices = [&](auto dims) {
      constexpr std::size_t d = decltype(dims)::value;
      out.records(56, static_cast<std::size_t>(nv), 1, tmpl,
                  [s, r](unsigned char* q, std::size_t i) {
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

  std::size_t const payload = (static_cast<std::size_t>(te) + 2) * 4;
  std::size_t const nb = static_cast<std::size_t>(te) * 4;
  std::vector<unsigned char> tmpl;
  for (int k = 1; k <= ng; ++k) {
    int const first = s_dom[k - 1];
    int const count = s_dom[k] - first;
    p = out.room(24);
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
        out.records(32, n, 6, tmpl.data(),
                    [e](unsigned char* q, std::size_t i) {
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
      p = out.room(payload + 8);
      put32(p, static_cast<std::int32_t>(payload));
      put32(p + 4, i);
      std::memcpy(p + 8, e, nb);
      put32(p + 8 + nb, 0);
      put32(p + 4 + payload, static_cast<std::int32_t>(payload));
    }
  }
  out.close();
}

void maillage::lect_kadro(char const* fname) {
  if (fname == nullptr) fname = "";
  std::size_t const nlen = std::strlen(fname);
  int const dim = (nlen >= 2 && fname[nlen - 2] == '3') ? 3 : 2;

  long long size = 0;
  FILE* fp = mesh_io::open_regular(fname, 208, size);
  mesh_io::bin_in in(fp, fname, size);

  int w;
  in.read(&w, 4);
  if (w != 80) {
    w = swapped(w);
    if (w != 80) {
      format_error(fname).msg("\nOn attendait 80 bytes\n");
      stop(1);
    }
    sst->msg("Fichier ").msg(fname).msg(" d'une autre architecture: ");
    sst->msg("tentavive de conversion\n");
    in.swap = true;
  }
  char tt[81];
  in.read(tt, 80);
  tt[80] = '\0';
  w = in.word();
  if (w != 80) {
    format_error(fname).msg("\nIncoerence de taille: Lu ").msg(80);
    sst->msg(" Prevu: ").msg(w).nl();
    stop(1);
  }

  int l = in.word();
  int const nv = in.word();
  int unused;
  in.read(&unused, 4);
  in.end_record(8, l);
  // Every vertex record takes at least 56 bytes of the file.
  if (nv < 0 || nv > INT_MAX / 3) {
    format_error(fname).msg("\nNombre de sommets non valide: ").msg(nv).nl();
    stop(1);
  }
  if (56LL * nv > in.remaining()) {
    format_error(fname).msg("\nFichier trop court pour ").msg(nv);
    sst->msg(" sommets\n");
    stop(1);
  }

  sommets.resize(1, nv, 1, dim);
  refsom.resize(1, nv);
  float* s = sommets.debut();
  int* r = refsom.debut();
  for (int i = 0; i < nv; ++i) {
    l = in.word();
    float c[3];
    in.read(c, 12);
    if (in.swap) invert(c, dim);
    std::memcpy(s + static_cast<std::size_t>(i) * dim, c,
                static_cast<std::size_t>(dim) * 4);
    int z[9];
    in.read(z, 36);
    r[i] = in.swap ? swapped(z[3]) : z[3];
    in.end_record(48, l);
  }

  // Elements go into a matrix with spare rows (grown by half) so that many
  // small groups cost linear time; it is cut to size at the end.
  std::vector<int> bounds(1, 0);
  gmatrix<int> el;
  int cap = 0, total = 0, te = 0;
  while (in.remaining() > 0) {
    l = in.word();
    int gi[4];
    in.read(gi, 16);
    int const m = in.swap ? swapped(gi[2]) : gi[2];
    int const t = in.swap ? swapped(gi[3]) : gi[3];
    in.end_record(16, l);
    if (m < 0) {
      format_error(fname).msg("\nNombre d'elements non valide: ").msg(m).nl();
      stop(1);
    }
    if (t < 0 || (t == 0 && m > 0)) {
      format_error(fname).msg("\nNombre de noeuds par element non valide: ");
      sst->msg(t).nl();
      stop(1);
    }
    if (bounds.size() == 1) {
      te = t;
    } else if (t != te) {
      format_error(fname).msg("\nGroupes d'elements de tailles differentes: ");
      sst->msg(te).msg(" et ").msg(t).nl();
      stop(1);
    }
    if (bounds.size() > static_cast<std::size_t>(INT_MAX) - 1) {
      format_error(fname).msg("\nTrop de groupes d'elements\n");
      stop(1);
    }
    if (m > 0) {
      long long const need = static_cast<long long>(total) + m;
      if (need * te > INT_MAX) {
        format_error(fname).msg("\nNombre d'elements trop grand: ").msg(m);
        sst->nl();
        stop(1);
      }
      if ((12LL + 4LL * te) * m > in.remaining()) {
        format_error(fname).msg("\nFichier trop court pour ").msg(m);
        sst->msg(" elements\n");
        stop(1);
      }
      if (need > cap) {
        long long ncap = need;
        if (cap > 0) ncap = std::max(need, cap + cap / 2LL);
        ncap = std::min<long long>(ncap, INT_MAX / te);
        gmatrix<int> grown(1, static_cast<int>(ncap), 1, te);
        if (total > 0)
          std::memcpy(grown.debut(), el.debut(),
                      static_cast<std::size_t>(total) * te * sizeof(int));
        el = std::move(grown);
        cap = static_cast<int>(ncap);
      }
      int const e = 4 * (1 + te);
      int* row = el.debut() + static_cast<std::size_t>(total) * te;
      for (int i = 0; i < m; ++i, row += te) {
        l = in.word();
        in.read(&unused, 4);
        in.read(row, static_cast<std::size_t>(te) * 4);
        if (in.swap) invert(row, te);
        in.end_record(e, l);
      }
      total += m;
    }
    bounds.push_back(total);
  }

  int const ng = static_cast<int>(bounds.size()) - 1;
  if (ng >= 1) {
    if (cap != total) {
      gmatrix<int> exact(1, total, 1, te);
      if (total > 0)
        std::memcpy(exact.debut(), el.debut(),
                    static_cast<std::size_t>(total) * te * sizeof(int));
      el = std::move(exact);
    }
    elements = std::move(el);
  }
  s_dom.resize(0, ng);
  std::memcpy(s_dom.debut(), bounds.data(),
              bounds.size() * sizeof(int));
  std::memcpy(titre, tt, sizeof titre);
}

void maillage::ecrit_ascii(char const* fname) const {
  if (fname == nullptr) fname = "";
  int const nv = npt(), nd = ndim(), te = telem();
  // A mesh without an element matrix reports -1 elements: it has none.
  int const ne = std::max(nelem(), 0);
  mesh_io::rows_from_1<float> const s = mesh_io::checked_rows(sommets, nv, nd);
  int const* r = mesh_io::checked_from_1(refsom, nv);
  mesh_io::rows_from_1<int> const el = mesh_io::checked_rows(elements, ne, te);

  FILE* fp = std::fopen(fname, "w");
  if (fp == nullptr) open_failed(fname, errno, 209);
  int err = 0;
  auto out = [&err](int written) {
    if (written < 0 && err == 0) err = errno != 0 ? errno : EIO;
  };
  out(std::fprintf(fp, "%d\n", nv));
  for (int i = 1; i <= nv; ++i) {
    float const* p = s.row(i);
    for (int n = 0; n < nd; ++n)
      out(std::fprintf(fp, "%20.10f ", static_cast<double>(p[n])));
    out(std::fprintf(fp, "%6d\n", r[i - 1]));
  }
  out(std::fprintf(fp, "%d\n", ne));
  for (int e = 1; e <= ne; ++e) {
    int const* row = el.row(e);
    for (int j = 0; j < te; ++j) out(std::fprintf(fp, "%d ", row[j]));
    out(std::fputc('\n', fp) == EOF ? -1 : 1);
  }
  if (std::fflush(fp) != 0 && err == 0) err = errno;
  if (std::ferror(fp) && err == 0) err = EIO;
  if (std::fclose(fp) != 0 && err == 0) err = errno;
  if (err != 0) write_failed(fname, err);
}

void maillage::iniref() { refsom = 0; }

void maillage::setref(int i, int val) { refsom[i] = val; }

void maillage::dump_ref() { refsom.a_save("ref.save"); }
