// Plain or gzip-compressed file streams: the ".gz" naming rule, line reading
// from compressed streams, and the checked I/O shared by every file format.
#ifndef GZUTILS_H
#define GZUTILS_H

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "fichier_sur.h"
#include "ptypes.h"

// 1 when the text from the last '.' of fname to its end is exactly ".gz"
// (case-sensitive): such a file is gzip-compressed. Else 0 (plain).
int gz_nom(char const* fname);

// One line of the compressed stream fp (a gzFile) into st, one character at
// a time. Returns the characters before the newline (the newline and a
// terminator follow them in st); SHORT_STRING when len characters came
// without a newline, or when the newline fell on st[len - 1] leaving no room
// for the terminator (st then holds len characters, unterminated);
// FIN_FICHIER at end of data or on a read error (a last line without newline
// is left unterminated in st).
int gzgets(char* st, int len, void* fp);

// Opening for the file-name overloads: a failure stops the run with `msg`,
// for compressed files as for plain ones.
FILE* fic_ouvre(char const* fname, char const* mode, char const* msg);
void* gz_ouvre(char const* fname, char const* mode, char const* msg);
// Closing; when the file was written, a failed close (data not stored) stops
// the run.
void fic_ferme(FILE* fp, char const* fname, int ecrit);
void gz_ferme(void* zfp, char const* fname, int ecrit);
// The same for a file written by name and replaced whole (fichier_sur.h):
// the open failure stops the run with `msg`, the close failure with
// io_erreur_ecriture.
FILE* fic_ouvre(fichier_sur& s, char const* msg);
void* gz_ouvre(fichier_sur& s, char const* mode, char const* msg);
void fic_ferme(fichier_sur& s, FILE* fp, char const* fname);
void gz_ferme(fichier_sur& s, void* zfp, char const* fname);

// Fatal messages about file contents, status 1. fname may be null (stream
// overloads do not know the name).
[[noreturn]] void io_fin_prematuree(char const* fname);
[[noreturn]] void io_erreur_lecture(char const* fname);
[[noreturn]] void io_erreur_ecriture(char const* fname);
[[noreturn]] void io_taille_incorrecte(char const* fname);
[[noreturn]] void io_bornes_illisibles(char const* fname);

// Sizes above which a stream of unknown length is read in growing pieces,
// so that a count announced in a header never allocates more than the data
// that actually arrived (plus one piece).
const std::size_t IO_MORCEAU = std::size_t(1) << 24;  // bytes
const long long IO_MORCEAU_ELEM = 1 << 20;            // text elements

// A plain (FILE*) or compressed (gzFile) stream and the file name used in
// messages. Every operation that fails stops the run; none opens or closes.
class flux {
 public:
  flux(FILE* fp, char const* nom) : fp_(fp), zfp_(nullptr), nom_(nom) {}
  flux(void* zfp, char const* nom) : fp_(nullptr), zfp_(zfp), nom_(nom) {}

  int gz() const { return zfp_ != nullptr; }
  char const* nom() const { return nom_; }
  FILE* fic() const { return fp_; }

  void ecrit(void const* p, std::size_t n);  // all n bytes or fatal
  void ecrit_int(int i) { ecrit(&i, sizeof i); }
  void lit(void* p, std::size_t n);  // all n bytes, fatal when data end first
  int lit_int() {
    int i;
    lit(&i, sizeof i);
    return i;
  }
  // One line of at most len - 1 characters, terminated; null at end of data.
  char* ligne(char* buf, int len);
  // Bytes left when the stream is a regular plain file, else -1.
  long long reste() const;
  // After writing: pushes a FILE*'s buffer out and checks its error flag.
  void termine();

 private:
  FILE* fp_;
  void* zfp_;
  char const* nom_;
};

// Text output gathered in one large block written through a flux.
class tampon {
 public:
  static const std::size_t TAILLE = 1 << 16;
  static const std::size_t MARGE = 1024;  // room reserved for one item
  explicit tampon(flux& f) : f_(f), buf_(new char[TAILLE]), n_(0) {}
  tampon(tampon const&) = delete;
  tampon& operator=(tampon const&) = delete;

  // Room for at most MARGE characters; then avance() by what was written.
  char* place() {
    if (n_ + MARGE > TAILLE) vide();
    return buf_.get() + n_;
  }
  void avance(std::size_t k) { n_ += k; }
  void car(char c) { *place() = c, ++n_; }
  void texte(char const* s) { texte(s, std::strlen(s)); }
  void texte(char const* s, std::size_t k);
  void vide() {
    if (n_) f_.ecrit(buf_.get(), n_);
    n_ = 0;
  }

 private:
  flux& f_;
  std::unique_ptr<char[]> buf_;
  std::size_t n_;
};

// printf's "%*.*f" of x into out (prec decimals, right-aligned in width
// characters), byte for byte, without a terminator; returns the length.
// Fast for finite |x| < 1e15 and prec <= 10; falls back to snprintf else.
int fmt_fixe(char* out, double x, int prec, int width);
// printf's "%d" of i, no terminator; returns the length.
int fmt_int(char* out, int i);

// Element text forms written into a buffer: `aprint` (plain files) and
// `tostr` (compressed files) of the four scalar types, without terminator.
inline int fmt_aprint(char* o, int x) {
  int k = fmt_int(o, x);
  o[k] = ' ';
  return k + 1;
}
inline int fmt_aprint(char* o, double x) {
  int k = fmt_fixe(o, x, 10, 20);
  o[k] = ' ';
  return k + 1;
}
inline int fmt_aprint(char* o, float x) { return fmt_aprint(o, double(x)); }
inline int fmt_aprint(char* o, std::complex<double> x) {
  int k = fmt_aprint(o, x.real());
  return k + fmt_aprint(o + k, x.imag());
}
inline int fmt_tostr(char* o, int x) { return fmt_aprint(o, x); }
inline int fmt_tostr(char* o, double x) {
  int k = fmt_fixe(o, x, 6, 0);
  o[k] = ' ';
  return k + 1;
}
inline int fmt_tostr(char* o, float x) { return fmt_tostr(o, double(x)); }
inline int fmt_tostr(char* o, std::complex<double> x) {
  int k = fmt_tostr(o, x.real());
  return k + fmt_tostr(o + k, x.imag());
}

// Index bounds read from a file: counts from inverted ranges (beyond an
// empty one) or too large for an int are fatal. Returns the count.
long long io_compte(long long lo, long long hi, char const* fname);

// Reads a block of n bytes announced by a header into the storage that
// alloue() provides (alloue sizes the container and returns its block). On a
// regular file the block must fit the bytes left; on other streams a large
// block is first gathered in growing pieces, so memory follows the data.
template <class F>
void io_lit_bloc(flux& f, std::size_t n, F alloue) {
  long long r = f.reste();
  if (r >= 0 && (unsigned long long)r < n) io_taille_incorrecte(f.nom());
  if (r >= 0 || n <= IO_MORCEAU) {
    void* dst = alloue();
    if (n) f.lit(dst, n);
    return;
  }
  std::unique_ptr<unsigned char[]> tmp;
  std::size_t cap = 0, lu = 0;
  while (lu < n) {
    std::size_t k = n - lu < IO_MORCEAU ? n - lu : IO_MORCEAU;
    if (lu + k > cap) {
      std::size_t nc = cap ? 2 * cap : IO_MORCEAU;
      if (nc > n) nc = n;
      if (nc < lu + k) nc = lu + k;
      std::unique_ptr<unsigned char[]> t(new unsigned char[nc]);
      if (lu) std::memcpy(t.get(), tmp.get(), lu);
      tmp.swap(t);
      cap = nc;
    }
    f.lit(tmp.get() + lu, k);
    lu += k;
  }
  std::memcpy(alloue(), tmp.get(), n);
}

// Parses n decimal integers from s (each must fit an int); returns how many
// were found before the first failure.
int io_entiers(char const* s, int* v, int n);

// The file-name overload of a file operation: by the ".gz" rule opens a
// compressed (mode_gz) or plain (mode) file, stops with `msg` when it cannot
// be opened, runs op(flux&) on it and closes it (a failed close of a written
// file is fatal). A written file replaces the old one only once complete;
// its plain stream is opened "w" whatever `mode` ("wb" is the same here).
template <class Op>
void io_par_nom(char const* fname, char const* mode, char const* mode_gz, char const* msg,
                int ecrit, Op op) {
  if (ecrit) {
    fichier_sur s(fname);
    if (gz_nom(fname)) {
      void* z = gz_ouvre(s, mode_gz, msg);
      flux f(z, fname);
      op(f);
      gz_ferme(s, z, fname);
    } else {
      FILE* fp = fic_ouvre(s, msg);
      flux f(fp, fname);
      op(f);
      fic_ferme(s, fp, fname);
    }
    return;
  }
  if (gz_nom(fname)) {
    void* z = gz_ouvre(fname, mode_gz, msg);
    flux f(z, fname);
    op(f);
    gz_ferme(z, fname, ecrit);
  } else {
    FILE* fp = fic_ouvre(fname, mode, msg);
    flux f(fp, fname);
    op(f);
    fic_ferme(fp, fname, ecrit);
  }
}

// The n elements e[0..n-1], one per line: aprint forms on a plain stream,
// tostr forms on a compressed one.
template <class T>
void io_ecrit_lignes(tampon& b, flux const& f, T const* e, long long n) {
  if (f.gz()) {
    for (long long k = 0; k < n; ++k) {
      char* p = b.place();
      int m = fmt_tostr(p, e[k]);
      p[m] = '\n';
      b.avance(std::size_t(m) + 1);
    }
  } else {
    for (long long k = 0; k < n; ++k) {
      char* p = b.place();
      int m = fmt_aprint(p, e[k]);
      p[m] = '\n';
      b.avance(std::size_t(m) + 1);
    }
  }
}

// One element line: ascan on a plain stream, a line and fromstr on a
// compressed one. Data ending first is fatal; a line without a number
// leaves x unchanged.
template <class T>
void io_lit_ligne(flux& f, T& x, char* buf, int len) {
  if (f.gz()) {
    if (f.ligne(buf, len) == nullptr) io_fin_prematuree(f.nom());
    fromstr(buf, x);
  } else if (ascan(f.fic(), x) == FIN_FICHIER) {
    io_fin_prematuree(f.nom());
  }
}

// Reads n element lines into the storage that alloue() provides (it sizes
// the container and returns its first element). Every line takes at least one
// byte, so on a regular file n must fit the bytes left; on other streams a
// large count is first gathered in a growing buffer.
template <class T, class F>
void io_lit_texte(flux& f, long long n, F alloue) {
  char buf[1024];
  long long r = f.reste();
  if (r >= 0 && n > r) io_taille_incorrecte(f.nom());
  if (r >= 0 || n <= IO_MORCEAU_ELEM) {
    T* e = alloue();
    for (long long k = 0; k < n; ++k) {
      e[k] = T();
      io_lit_ligne(f, e[k], buf, int(sizeof buf));
    }
    return;
  }
  std::vector<T> tmp;
  tmp.reserve(std::size_t(IO_MORCEAU_ELEM));
  for (long long k = 0; k < n; ++k) {
    T x = T();
    io_lit_ligne(f, x, buf, int(sizeof buf));
    tmp.push_back(x);
  }
  T* e = alloue();
  for (long long k = 0; k < n; ++k) e[k] = tmp[std::size_t(k)];
}

#endif
