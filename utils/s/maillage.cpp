// Mesh class: construction, accessors, text dump and the shared reader and
// writer helpers.
#include "maillage.h"

#include "fatal.h"
#include "fichier_sur.h"
#include "maillage_io.h"
#include "storage.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace mesh_io {

void open_failed(char const* fname, int err, int status) {
  fatal(status, "Rcourb: problemmes d'ouvertoure du fichier ", fname, fatal_nl, std::strerror(err),
        fatal_nl);
}

void truncated(char const* fname) { format_error(fname, "\nFin de fichier inattendue\n"); }

void write_failed(char const* fname, int err) {
  fatal(209, "Rcourb: erreur d'ecriture du fichier ", fname, fatal_nl, std::strerror(err),
        fatal_nl);
}

void bad_vertex(int e, int v, int npt) {
  fatal(1, "Maillage invalide: sommet ", v, " de l'element ", e, " hors de 1..", npt, fatal_nl);
}

void vertex_outside(char const* fname, long long e, int v, int npt) {
  format_error(fname, "\nL'element ", e, " a le sommet ", v, " hors de 1..", npt, fatal_nl);
}

void check_element_vertices(char const* fname, int const* first, long long ne, int te, int npt) {
  for (long long e = 0; e < ne; ++e, first += te)
    for (int j = 0; j < te; ++j)
      if (first[j] < 1 || first[j] > npt) vertex_outside(fname, e + 1, first[j], npt);
}

void bin_in::end_record(int e, int l) {
  int length = e;
  if (l > e) {
    skip(static_cast<long long>(l) - e);
    length = l;
  } else if (l < e) {
    format_error(name_, "\nDepassement de registre: Lu ", e, " Prevu: ", l, fatal_nl);
  }
  int t = word();
  if (t != length)
    format_error(name_, "\nIncoerence de taille: Lu ", length, " Prevu: ", t, fatal_nl);
}

FILE* open_regular(char const* fname, int status, long long& size) {
  FILE* fp = std::fopen(fname, "rb");
  if (fp == nullptr) open_failed(fname, errno, status);
  struct stat st;
  if (fstat(fileno(fp), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(fp);
    format_error(fname, "\nCe n'est pas un fichier ordinaire\n");
  }
  size = static_cast<long long>(st.st_size);
  return fp;
}

out_file::out_file(char const* fname)
    : buf_(new char[cap_]), dest_(fname), fp_(dest_.ouvre_fic()), name_(fname) {
  if (fp_ == nullptr) open_failed(fname, errno, 209);
  // Whole megabytes go out at once; stdio would only copy them again.
  std::setvbuf(fp_, nullptr, _IONBF, 0);
}

out_file::~out_file() {
  if (fp_ != nullptr) dest_.ferme(fp_, ECANCELED);
}

void out_file::text(char const* s) { bytes(s, std::strlen(s)); }

void out_file::bytes(void const* p, std::size_t n) {
  if (n == 0) return;  // p may be null then
  if (cap_ - len_ >= n) {
    std::memcpy(buf_.get() + len_, p, n);
    len_ += n;
    return;
  }
  flush();
  if (std::fwrite(p, 1, n, fp_) != n) fail();
}

void out_file::flush() {
  if (len_ != 0 && std::fwrite(buf_.get(), 1, len_, fp_) != len_) fail();
  len_ = 0;
}

void out_file::make_room(std::size_t n) {
  flush();
  if (n > cap_) {
    buf_.reset(new char[n]);
    cap_ = n;
  }
}

// No fsync: like the other tools that write files, the writers leave the
// flushing to the system (a forced flush is disk-bound and would double the
// run time of a large mesh).
void out_file::close() {
  flush();
  int const err = dest_.ferme(fp_);
  fp_ = nullptr;
  if (err != 0) write_failed(name_, err);
}

// The temporary file goes; the target keeps its old contents.
void out_file::fail() {
  int const err = dest_.ferme(fp_, errno != 0 ? errno : EIO);
  fp_ = nullptr;
  write_failed(name_, err);
}

}  // namespace mesh_io

namespace {

[[noreturn]] void bad_name(char const* fname) {
  fatal(201, "Nom de fichier non valide: ", fname, fatal_nl);
}

}  // namespace

void invert(int* p, int n) {
  for (int i = 0; i < n; ++i) p[i] = mesh_io::swapped(p[i]);
}

void invert(float* p, int n) {
  for (int i = 0; i < n; ++i) {
    std::uint32_t u;
    std::memcpy(&u, p + i, 4);
    u = __builtin_bswap32(u);
    std::memcpy(p + i, &u, 4);
  }
}

maillage::~maillage() {}

maillage::maillage() : stat_status(0) { titre[0] = '\0'; }

maillage::maillage(maillage const& m) : stat_status(0) { *this = m; }

maillage::maillage(maillage&& m) noexcept : stat_status(0) { *this = std::move(m); }

maillage::maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs, gvector<int> s,
                   char const* hea)
    : stat_status(0) {
  set_maillage(std::move(som), std::move(elem), std::move(refs), std::move(s), hea);
}

maillage::maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs, char const* hea)
    : stat_status(0) {
  set_maillage(std::move(som), std::move(elem), std::move(refs), hea);
}

maillage::maillage(char const* fname) : stat_status(0) {
  huge_pages_scope mesh_arrays;
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
  if (std::strcmp(ext, ".msh") == 0) {
    lect_gmsh(fname);
    return;
  }
  bad_name(fname);
}

maillage& maillage::operator=(maillage const& m) {
  if (this == &m) return *this;
  huge_pages_scope mesh_arrays;
  sommets = m.sommets;
  elements = m.elements;
  refsom = m.refsom;
  s_dom = m.s_dom;
  std::memcpy(titre, m.titre, sizeof titre);
  return *this;
}

maillage& maillage::operator=(maillage&& m) noexcept {
  if (this == &m) return *this;
  // Mesh tables are never views: each move takes the block.
  sommets = std::move(m.sommets);
  elements = std::move(m.elements);
  refsom = std::move(m.refsom);
  s_dom = std::move(m.s_dom);
  std::memcpy(titre, m.titre, sizeof titre);
  m.titre[0] = '\0';
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

void maillage::set_maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs,
                            char const* hea) {
  stat_status = 0;
  sommets = std::move(som);
  elements = std::move(elem);
  refsom = std::move(refs);
  s_dom.resize(0, 1);
  s_dom[0] = 0;
  s_dom[1] = nelem();
  copy_title(titre, hea);
}

void maillage::set_maillage(gmatrix<float> som, gmatrix<int> elem, gvector<int> refs,
                            gvector<int> s, char const* hea) {
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

void maillage::ecrit_ascii(char const* fname) const {
  if (fname == nullptr) fname = "";
  int const nv = npt(), nd = ndim(), te = telem();
  // A mesh without an element matrix reports -1 elements: it has none.
  int const ne = std::max(nelem(), 0);
  mesh_io::rows_from_1<float> const s = mesh_io::checked_rows(sommets, nv, nd);
  int const* r = mesh_io::checked_from_1(refsom, nv);
  mesh_io::rows_from_1<int> const el = mesh_io::checked_rows(elements, ne, te);

  fichier_sur dest(fname);
  FILE* fp = dest.ouvre_fic();
  if (fp == nullptr) mesh_io::open_failed(fname, errno, 209);
  int err = 0;
  auto out = [&err](int written) {
    if (written < 0 && err == 0) err = errno != 0 ? errno : EIO;
  };
  out(std::fprintf(fp, "%d\n", nv));
  for (int i = 1; i <= nv; ++i) {
    float const* p = s.row(i);
    for (int n = 0; n < nd; ++n) out(std::fprintf(fp, "%20.10f ", static_cast<double>(p[n])));
    out(std::fprintf(fp, "%6d\n", r[i - 1]));
  }
  out(std::fprintf(fp, "%d\n", ne));
  for (int e = 1; e <= ne; ++e) {
    int const* row = el.row(e);
    for (int j = 0; j < te; ++j) out(std::fprintf(fp, "%d ", row[j]));
    out(std::fputc('\n', fp) == EOF ? -1 : 1);
  }
  err = dest.ferme(fp, err);
  if (err != 0) mesh_io::write_failed(fname, err);
}

void maillage::iniref() { refsom = 0; }

void maillage::setref(int i, int val) { refsom[i] = val; }

void maillage::dump_ref() { refsom.a_save("ref.save"); }
