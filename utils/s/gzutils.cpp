// Plain or gzip-compressed file streams.
#include "gzutils.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cmath>
#include <cstdint>
#include <sys/stat.h>
#include <zlib.h>

#include "fatal.h"

int gz_nom(char const* fname) {
  char const* p = std::strrchr(fname, '.');
  return p != nullptr && std::strcmp(p, ".gz") == 0;
}

int gzgets(char* st, int len, void* fp) {
  gzFile z = static_cast<gzFile>(fp);
  for (int i = 0; i < len; ++i) {
    if (gzread(z, st + i, 1) != 1) return FIN_FICHIER;
    if (st[i] == '\n') {
      if (i + 1 >= len) return SHORT_STRING;  // no room for the terminator
      st[i + 1] = '\0';
      return i;
    }
  }
  return SHORT_STRING;
}

FILE* fic_ouvre(char const* fname, char const* mode, char const* msg) {
  FILE* fp = std::fopen(fname, mode);
  if (fp == nullptr) fatal(1, msg);
  return fp;
}

void* gz_ouvre(char const* fname, char const* mode, char const* msg) {
  gzFile z = gzopen(fname, mode);
  if (z == nullptr) fatal(1, msg);
  return z;
}

void fic_ferme(FILE* fp, char const* fname, int ecrit) {
  // An earlier failed write counts even when the last flush succeeds.
  bool const err = std::ferror(fp) != 0;
  if ((std::fclose(fp) != 0 || err) && ecrit) io_erreur_ecriture(fname);
}

void gz_ferme(void* zfp, char const* fname, int ecrit) {
  if (gzclose(static_cast<gzFile>(zfp)) != Z_OK && ecrit) io_erreur_ecriture(fname);
}

FILE* fic_ouvre(fichier_sur& s, char const* msg) {
  FILE* fp = s.ouvre_fic();
  if (fp == nullptr) nerror(msg);
  return fp;
}

void* gz_ouvre(fichier_sur& s, char const* mode, char const* msg) {
  void* z = s.ouvre_gz(mode);
  if (z == nullptr) nerror(msg);
  return z;
}

void fic_ferme(fichier_sur& s, FILE* fp, char const* fname) {
  if (s.ferme(fp) != 0) io_erreur_ecriture(fname);
}

void gz_ferme(fichier_sur& s, void* zfp, char const* fname) {
  if (s.ferme_gz(zfp) != 0) io_erreur_ecriture(fname);
}

namespace {
[[noreturn]] void io_fatal(char const* texte, char const* fname) {
  if (fname != nullptr) fatal(1, texte, ": ", fname, fatal_nl);
  fatal(1, texte, fatal_nl);
}
}  // namespace

void io_fin_prematuree(char const* fname) { io_fatal("Fin de fichier prematuree", fname); }
void io_erreur_lecture(char const* fname) { io_fatal("Erreur de lecture de fichier", fname); }
void io_erreur_ecriture(char const* fname) { io_fatal("Erreur d'ecriture de fichier", fname); }
void io_taille_incorrecte(char const* fname) {
  io_fatal("Taille incorrecte dans le fichier", fname);
}
void io_bornes_illisibles(char const* fname) {
  io_fatal("Bornes illisibles dans le fichier", fname);
}

long long io_compte(long long lo, long long hi, char const* fname) {
  long long c = hi - lo + 1;
  if (c < 0 || c > INT_MAX) io_taille_incorrecte(fname);
  return c;
}

// zlib counts in unsigned int: move huge blocks in pieces.
static const std::size_t GZ_PIECE = std::size_t(1) << 30;

void flux::ecrit(void const* p, std::size_t n) {
  if (n == 0) return;  // an empty collection has no storage at all
  if (zfp_ == nullptr) {
    if (std::fwrite(p, 1, n, fp_) != n) io_erreur_ecriture(nom_);
    return;
  }
  char const* c = static_cast<char const*>(p);
  while (n > 0) {
    unsigned k = unsigned(n < GZ_PIECE ? n : GZ_PIECE);
    if (gzwrite(static_cast<gzFile>(zfp_), c, k) != int(k)) io_erreur_ecriture(nom_);
    c += k;
    n -= k;
  }
}

void flux::lit(void* p, std::size_t n) {
  if (n == 0) return;
  if (zfp_ == nullptr) {
    if (std::fread(p, 1, n, fp_) != n) {
      if (std::ferror(fp_)) io_erreur_lecture(nom_);
      io_fin_prematuree(nom_);
    }
    return;
  }
  char* c = static_cast<char*>(p);
  while (n > 0) {
    unsigned k = unsigned(n < GZ_PIECE ? n : GZ_PIECE);
    int r = gzread(static_cast<gzFile>(zfp_), c, k);
    if (r < 0) io_erreur_lecture(nom_);
    if (unsigned(r) != k) io_fin_prematuree(nom_);
    c += k;
    n -= k;
  }
}

char* flux::ligne(char* buf, int len) {
  if (zfp_ == nullptr) return std::fgets(buf, len, fp_);
  // zlib's own buffered line reader (the C function, not the one above).
  return ::gzgets(static_cast<gzFile>(zfp_), buf, len);
}

long long flux::reste() const {
  if (zfp_ != nullptr) return -1;
  struct stat sb;
  if (fstat(fileno(fp_), &sb) != 0 || !S_ISREG(sb.st_mode)) return -1;
  long pos = std::ftell(fp_);
  if (pos < 0) return -1;
  return sb.st_size > pos ? (long long)(sb.st_size - pos) : 0;
}

void flux::termine() {
  if (zfp_ == nullptr) {
    if (std::fflush(fp_) != 0 || std::ferror(fp_)) io_erreur_ecriture(nom_);
    return;
  }
  int err = Z_OK;
  gzerror(static_cast<gzFile>(zfp_), &err);
  if (err != Z_OK && err != Z_BUF_ERROR) io_erreur_ecriture(nom_);
}

void tampon::texte(char const* s, std::size_t k) {
  if (n_ + k > TAILLE) vide();
  if (k > TAILLE) {
    f_.ecrit(s, k);
    return;
  }
  std::memcpy(buf_.get() + n_, s, k);
  n_ += k;
}

namespace {
const std::uint64_t P10[20] = {1ULL,
                               10ULL,
                               100ULL,
                               1000ULL,
                               10000ULL,
                               100000ULL,
                               1000000ULL,
                               10000000ULL,
                               100000000ULL,
                               1000000000ULL,
                               10000000000ULL,
                               100000000000ULL,
                               1000000000000ULL,
                               10000000000000ULL,
                               100000000000000ULL,
                               1000000000000000ULL,
                               10000000000000000ULL,
                               100000000000000000ULL,
                               1000000000000000000ULL,
                               10000000000000000000ULL};

// Decimal digits of v, most significant first; returns the count.
inline int chiffres(char* o, std::uint64_t v) {
  char t[20];
  int k = 0;
  do {
    t[k++] = char('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int i = 0; i < k; ++i) o[i] = t[k - 1 - i];
  return k;
}

int fmt_printf(char* out, double x, int prec, int width) {
  char t[512];
  int k = std::snprintf(t, sizeof t, "%*.*f", width, prec, x);
  if (k < 0) return 0;
  if (k >= int(sizeof t)) {  // only for absurd widths/precisions
    k = int(sizeof t) - 1;
  }
  std::memcpy(out, t, std::size_t(k));
  return k;
}
}  // namespace

int fmt_fixe(char* out, double x, int prec, int width) {
  double a = std::fabs(x);
  if (!(a < 1e15) || prec < 0 || prec > 10 || width > 64) return fmt_printf(out, x, prec, width);
  // a = m 2^e exactly; a < 2^50 so e < 0 unless a is 0.
  int e;
  double fr = std::frexp(a, &e);
  std::uint64_t m = std::uint64_t(std::ldexp(fr, 53));
  e -= 53;
  // N = a 10^prec rounded to nearest, ties to even, in exact integers.
  unsigned __int128 p = (unsigned __int128)m * P10[prec];
  unsigned __int128 n;
  int s = -e;
  if (m == 0 || s > 100) {
    n = 0;  // a 10^prec < 2^87 2^-100: below one half
  } else if (s <= 0) {
    n = p << (-s);
  } else {
    n = p >> s;
    unsigned __int128 rem = p - (n << s);
    unsigned __int128 half = (unsigned __int128)1 << (s - 1);
    if (rem > half || (rem == half && (n & 1))) ++n;
  }
  std::uint64_t ip, fp;
  if (n >> 64) {
    ip = std::uint64_t(n / P10[prec]);
    fp = std::uint64_t(n % P10[prec]);
  } else {
    std::uint64_t n64 = std::uint64_t(n);
    ip = n64 / P10[prec];
    fp = n64 % P10[prec];
  }
  char t[64];
  int k = 0;
  if (std::signbit(x)) t[k++] = '-';
  k += chiffres(t + k, ip);
  if (prec > 0) {
    t[k++] = '.';
    for (int i = prec - 1; i >= 0; --i) {
      t[k + i] = char('0' + fp % 10);
      fp /= 10;
    }
    k += prec;
  }
  int pad = width > k ? width - k : 0;
  for (int i = 0; i < pad; ++i) out[i] = ' ';
  std::memcpy(out + pad, t, std::size_t(k));
  return pad + k;
}

int fmt_int(char* out, int i) {
  int k = 0;
  std::uint64_t v;
  if (i < 0) {
    out[k++] = '-';
    v = std::uint64_t(-(long long)i);
  } else {
    v = std::uint64_t(i);
  }
  return k + chiffres(out + k, v);
}

int io_entiers(char const* s, int* v, int n) {
  for (int k = 0; k < n; ++k) {
    char* fin;
    errno = 0;
    long long x = std::strtoll(s, &fin, 10);
    if (fin == s || errno != 0 || x < INT_MIN || x > INT_MAX) return k;
    v[k] = int(x);
    s = fin;
  }
  return n;
}
