// File forms and diagnostic plots of the profile matrices (definitions,
// included by the instantiation unit after profil.templates.h).
//
// A save exports the dense matrix (zeros outside the profile included); a
// dump writes the storage, which is all a load reads back. Loads check the
// profile before sizing anything from it, so that no later access can
// leave the storage, and never allocate more than the data that arrived.
#ifndef PROFIL_IO_TEMPLATES_H
#define PROFIL_IO_TEMPLATES_H
#include <climits>
#include <complex>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fatal.h"
#include "gzutils.h"
#include "profil.h"

namespace pio {

char const* const MSG_SORTIE = "Erreur d'ouverture de fichier de sortie";
char const* const MSG_LECTURE = "Erreur d'ouverture de fichier de lecture";

// Load messages: the text loads of every class, and both binary loads of
// the symmetric matrix, use the pair ending in "symetrique".
struct messages {
  char const* format;
  char const* type;
};
const messages SYM = {"Format incorrect dans load de matrice profil symetrique",
                      "Type incorrect dans load de matrice profil symetrique"};
const messages GEN = {"Format incorrect dans load de matrice profil",
                      "Type incorrect dans load de matrice profil"};

template <class T>
char code() {
  return ptype(T());
}

[[noreturn]] inline void profil_incorrect(char const* fname, char const* detail, int k) {
  char const* texte = "Profil incorrect dans le fichier";
  if (fname == nullptr) fatal(1, texte, " (", detail, k, ")", fatal_nl);
  fatal(1, texte, ": ", fname, " (", detail, k, ")", fatal_nl);
}
// A record longer than its 32-bit length marker can say.
[[noreturn]] inline void trop_long(char const* fname) {
  char const* texte = "Enregistrement trop long pour le fichier";
  if (fname == nullptr) fatal(1, texte, fatal_nl);
  fatal(1, texte, ": ", fname, fatal_nl);
}

inline std::complex<double> conj_si(std::complex<double> v) { return std::conj(v); }
template <class T>
T conj_si(T v) {
  return v;
}

// Raw view of a square matrix: the values of operator()(0, i, j) and the
// profile tests without virtual calls. q is the profile from q[0], e the
// element store from position 1.
enum forme { generale, symetrique, hermitienne };

template <class T>
struct carre {
  int const* q;
  T const* e;
  int n;
  forme k;

  int pcnn(int i) const {
    int const d = q[i] - q[i - 1];
    return k == generale ? i - (d - 1) / 2 : i - d + 1;
  }
  int dedans(int i, int j) const { return j <= i ? pcnn(i) <= j : pcnn(j) <= i; }
  T at(int i, int j) const {
    if (k == generale) {
      if (i <= j) return j - i <= (q[j] - q[j - 1] - 1) / 2 ? e[q[j] - j + i - 1] : T(0);
      int const m = (q[i] - q[i - 1] - 1) / 2;
      return i - j <= m ? e[q[i] - m - i + j - 1] : T(0);
    }
    if (i >= j) return i - j < q[i] - q[i - 1] ? e[q[i] - i + j - 1] : T(0);
    T const v = j - i < q[j] - q[j - 1] ? e[q[j] - j + i - 1] : T(0);
    return k == hermitienne ? conj_si(v) : v;
  }
};

inline bool est_hermitienne(skysmatrix<std::complex<double>> const* a) {
  return dynamic_cast<skyhmatrix const*>(a) != nullptr;
}
template <class T>
bool est_hermitienne(skysmatrix<T> const*) {
  return false;
}

template <class T>
carre<T> vue(skygmatrix<T> const& a) {
  forme k = generale;
  if (auto s = dynamic_cast<skysmatrix<T> const*>(&a))
    k = est_hermitienne(s) ? hermitienne : symetrique;
  return carre<T>{a.profile().debut(), a.values().debut(), a.imax(), k};
}

// Raw view of a rectangular matrix: run k covers indices first(k)..N.
template <class T>
struct rect {
  int const* q;
  T const* e;
  int N;
  int m;
  bool h;  // runs are rows

  int first(int k) const { return N + q[k - 1] - q[k] + 1; }
  int dedans(int i, int j) const { return h ? j >= first(i) : i >= first(j); }
  T at(int i, int j) const {
    if (h) return j >= first(i) ? e[j - N + q[i] - 1] : T(0);
    return i >= first(j) ? e[i - N + q[j] - 1] : T(0);
  }
};

// ---- writers ----

template <class T>
inline void ecrit_val(tampon& b, int gz, T x) {
  char* p = b.place();
  int m = gz ? fmt_tostr(p, x) : fmt_aprint(p, x);
  p[m] = '\n';
  b.avance(std::size_t(m) + 1);
}

inline void ecrit_ent(tampon& b, int v) {
  char* p = b.place();
  int m = fmt_int(p, v);
  p[m] = '\n';
  b.avance(std::size_t(m) + 1);
}

// Binary values gathered in blocks of bounded size, whatever the matrix
// dimensions.
template <class T>
class paquet {
 public:
  explicit paquet(flux& f) : f_(f), b_(4096), n_(0) {}
  void met(T x) {
    b_[n_++] = x;
    if (n_ == b_.size()) vide();
  }
  void vide() {
    f_.ecrit(b_.data(), n_ * sizeof(T));
    n_ = 0;
  }

 private:
  flux& f_;
  std::vector<T> b_;
  std::size_t n_;
};

// Text save of a square matrix: the full rows, or the lower triangle.
template <class T>
void a_carre(flux& f, char lettre, int lo, int hi, carre<T> const& v, bool triangle) {
  tampon b(f);
  b.avance(std::size_t(
      std::snprintf(b.place(), tampon::MARGE, "%c%c\n%d %d\n", lettre, code<T>(), lo, hi)));
  int const gz = f.gz();
  for (int i = 1; i <= v.n; ++i)
    for (int j = 1, fin = triangle ? i : v.n; j <= fin; ++j) ecrit_val(b, gz, v.at(i, j));
  b.vide();
  f.termine();
}

// Raw (cadre false) or record-framed save of a square matrix.
template <class T>
void b_carre(flux& f, char lettre, int lo, int hi, carre<T> const& v, bool triangle, bool cadre) {
  long long const n = v.n;
  long long const nb = (triangle ? n * (n + 1) / 2 : n * n) * (long long)sizeof(T);
  if (cadre && nb > INT_MAX) trop_long(f.nom());
  char h[2] = {lettre, code<T>()};
  int bo[2] = {lo, hi};
  if (cadre) f.ecrit_int(2);
  f.ecrit(h, 2);
  if (cadre) f.ecrit_int(2), f.ecrit_int(8);
  f.ecrit(bo, sizeof bo);
  if (cadre) f.ecrit_int(8), f.ecrit_int(int(nb));
  paquet<T> b(f);
  for (int i = 1; i <= v.n; ++i)
    for (int j = 1, fin = triangle ? i : v.n; j <= fin; ++j) b.met(v.at(i, j));
  b.vide();
  if (cadre) f.ecrit_int(int(nb));
  f.termine();
}

template <class T>
void a_rect(flux& f, int const* bo, rect<T> const& v) {
  tampon b(f);
  b.avance(std::size_t(std::snprintf(b.place(), tampon::MARGE, "R%c\n%d %d %d %d\n", code<T>(),
                                     bo[0], bo[1], bo[2], bo[3])));
  int const gz = f.gz();
  for (int i = bo[0]; i <= bo[1]; ++i)
    for (int j = bo[2]; j <= bo[3]; ++j) ecrit_val(b, gz, v.at(i, j));
  b.vide();
  f.termine();
}

template <class T>
void b_rect(flux& f, int const* bo, rect<T> const& v, bool cadre) {
  long long const nl = bo[1] >= bo[0] ? (long long)bo[1] - bo[0] + 1 : 0;
  long long const nc = bo[3] >= bo[2] ? (long long)bo[3] - bo[2] + 1 : 0;
  long long const nb = nl * nc * (long long)sizeof(T);
  if (cadre && nb > INT_MAX) trop_long(f.nom());
  char h[2] = {'R', code<T>()};
  if (cadre) f.ecrit_int(2);
  f.ecrit(h, 2);
  if (cadre) f.ecrit_int(2), f.ecrit_int(16);
  f.ecrit(bo, 4 * sizeof(int));
  if (cadre) f.ecrit_int(16), f.ecrit_int(int(nb));
  paquet<T> b(f);
  for (int i = bo[0]; i <= bo[1]; ++i)
    for (int j = bo[2]; j <= bo[3]; ++j) b.met(v.at(i, j));
  b.vide();
  if (cadre) f.ecrit_int(int(nb));
  f.termine();
}

// Storage dumps. N < 0: square matrix, no N in the header.
template <class T>
void a_stock(flux& f, char lettre, gvector<int> const& p, gvector<T> const& e, int N) {
  tampon b(f);
  if (N >= 0)
    b.avance(std::size_t(std::snprintf(b.place(), tampon::MARGE, "%c%c\n%d %d %d\n", lettre,
                                       code<T>(), p.imin(), p.imax(), N)));
  else
    b.avance(std::size_t(std::snprintf(b.place(), tampon::MARGE, "%c%c\n%d %d\n", lettre, code<T>(),
                                       p.imin(), p.imax())));
  int const* q = p.debut();
  int const np = p.imax() - p.imin() + 1;
  for (int k = 0; k < np; ++k) ecrit_ent(b, q[k]);
  io_ecrit_lignes(b, f, e.debut(), (long long)q[np - 1] - q[0]);
  b.vide();
  f.termine();
}

template <class T>
void b_stock(flux& f, char lettre, gvector<int> const& p, gvector<T> const& e, int N, bool cadre) {
  int const* q = p.debut();
  long long const np = (long long)p.imax() - p.imin() + 1;
  long long const nelem = (long long)q[np - 1] - q[0];
  long long const lp = np * 4, le = nelem * (long long)sizeof(T);
  if (cadre && (lp > INT_MAX || le > INT_MAX)) trop_long(f.nom());
  char h[2] = {lettre, code<T>()};
  int bo[3] = {p.imin(), p.imax(), N};
  int const lb = N >= 0 ? 12 : 8;
  if (cadre) f.ecrit_int(2);
  f.ecrit(h, 2);
  if (cadre) f.ecrit_int(2), f.ecrit_int(lb);
  f.ecrit(bo, std::size_t(lb));
  if (cadre) f.ecrit_int(lb), f.ecrit_int(int(lp));
  f.ecrit(q, std::size_t(lp));
  if (cadre) f.ecrit_int(int(lp)), f.ecrit_int(int(le));
  f.ecrit(e.debut(), std::size_t(le));
  if (cadre) f.ecrit_int(int(le));
  f.termine();
}

// ---- loaders ----

enum genre { genre_g, genre_s, genre_r };

// Count of profile entries from the header range: the profile runs from 0.
inline long long profil_compte(int pmin, int pmax, char const* fname) {
  if (pmin != 0) profil_incorrect(fname, "premier indice ", pmin);
  long long np = io_compte(pmin, pmax, fname);
  if (np < 1 || np == INT_MAX) io_taille_incorrecte(fname);
  return np;
}

// Every rule the storage relies on (the constructors check them too, but
// without the file name).
inline void verifie(gvector<int> const& p, genre g, int N, char const* fname) {
  if (g == genre_r && (N < 0 || N == INT_MAX)) profil_incorrect(fname, "dimension ", N);
  int const* q = p.debut();
  int const m = p.imax();
  if (q[0] != 0) profil_incorrect(fname, "profil[0]=", q[0]);
  for (int k = 1; k <= m; ++k) {
    if (q[k] < q[k - 1]) profil_incorrect(fname, "profil decroissant en ", k);
    int const d = q[k] - q[k - 1];
    switch (g) {
      case genre_g:
        if (d % 2 == 0) profil_incorrect(fname, "longueur de ligne paire en ", k);
        if ((d - 1) / 2 > k - 1) profil_incorrect(fname, "premiere colonne avant 1 en ", k);
        break;
      case genre_s:
        if (d == 0) profil_incorrect(fname, "ligne sans diagonale en ", k);
        if (d > k) profil_incorrect(fname, "premiere colonne avant 1 en ", k);
        break;
      case genre_r:
        if (d > N) profil_incorrect(fname, "premier indice avant 1 en ", k);
        break;
    }
  }
}

// Text load of a dump; retaille(profile, N) sizes the matrix (status normal)
// and returns its first element.
template <class T, class R>
void a_lit(flux& f, char lettre, genre g, R retaille) {
  char buf[1024];
  buf[0] = buf[1] = '\0';
  if (f.ligne(buf, sizeof buf) == nullptr) buf[0] = '\0';
  if (buf[0] != lettre) fatal(1, SYM.format);
  if (buf[1] != code<T>()) fatal(1, SYM.type);
  int bo[3] = {0, 0, 0};
  int const nb = g == genre_r ? 3 : 2;
  if (f.ligne(buf, sizeof buf) == nullptr || io_entiers(buf, bo, nb) != nb)
    io_bornes_illisibles(f.nom());
  long long const np = profil_compte(bo[0], bo[1], f.nom());
  long long const r = f.reste();
  if (r >= 0 && np > r) io_taille_incorrecte(f.nom());  // a line per entry
  std::vector<int> lu;                                  // grows with the data, not with the header
  lu.reserve(std::size_t(np < IO_MORCEAU_ELEM ? np : IO_MORCEAU_ELEM));
  for (long long k = 0; k < np; ++k) {
    int x;
    if (f.ligne(buf, sizeof buf) == nullptr) io_fin_prematuree(f.nom());
    if (io_entiers(buf, &x, 1) != 1) profil_incorrect(f.nom(), "entree illisible ", int(k));
    lu.push_back(x);
  }
  gvector<int> p(0, int(np - 1));
  std::memcpy(p.debut(), lu.data(), std::size_t(np) * sizeof(int));
  verifie(p, g, bo[2], f.nom());
  long long const nelem = p[int(np - 1)];
  io_lit_texte<T>(f, nelem, [&] { return retaille(std::move(p), bo[2]); });
}

// Raw (cadre false) or record-framed load of a dump; markers are skipped.
template <class T, class R>
void b_lit(flux& f, char lettre, messages const& msg, genre g, bool cadre, R retaille) {
  unsigned char h[2];
  if (cadre) f.lit_int();
  f.lit(h, 2);
  if (cadre) f.lit_int();
  if (h[0] != (unsigned char)lettre) fatal(1, msg.format);
  if (h[1] != (unsigned char)code<T>()) fatal(1, msg.type);
  int bo[3] = {0, 0, 0};
  if (cadre) f.lit_int();
  f.lit(bo, std::size_t(g == genre_r ? 12 : 8));
  if (cadre) f.lit_int();
  long long const np = profil_compte(bo[0], bo[1], f.nom());
  gvector<int> p;
  if (cadre) f.lit_int();
  io_lit_bloc(f, std::size_t(np) * sizeof(int), [&] {
    p.resize(0, int(np - 1));
    return static_cast<void*>(p.debut());
  });
  if (cadre) f.lit_int();
  verifie(p, g, bo[2], f.nom());
  long long const nelem = p[int(np - 1)];
  if (cadre) f.lit_int();
  io_lit_bloc(f, std::size_t(nelem) * sizeof(T),
              [&] { return static_cast<void*>(retaille(std::move(p), bo[2])); });
  if (cadre) f.lit_int();
}

// ---- plots ----

// Plot files have no compressed form; they replace their file only once
// complete.
template <class Op>
void trace_par_nom(char const* fname, bool msg_sortie, Op op) {
  fichier_sur s(fname);
  FILE* fp = s.ouvre_fic();
  if (fp == nullptr) {
    if (msg_sortie) fatal(1, MSG_SORTIE);
    fatal(1, "Erreur d'ouverture du fichier ", fname, " pour ecriture\n");
  }
  flux f(fp, fname);
  op(f);
  fic_ferme(s, fp, fname);
}

// Grid file: nx x ny points, x from x0 and y from y0 by steps of 1, then
// val(i, j) for each grid row i and column j.
template <class V>
void c3d(flux& f, int x0, int nx, int y0, int ny, V val) {
  if (nx < 0) nx = 0;
  if (ny < 0) ny = 0;
  long long const lc = ((long long)nx + ny) * 4, lv = (long long)nx * ny * 4;
  if (lc > INT_MAX || lv > INT_MAX) trop_long(f.nom());
  int const h[4] = {8, nx, ny, 8};
  f.ecrit(h, sizeof h);
  paquet<float> b(f);
  f.ecrit_int(int(lc));
  for (int j = 0; j < nx; ++j) b.met(float(x0 + j));
  for (int i = 0; i < ny; ++i) b.met(float(y0 + i));
  b.vide();
  f.ecrit_int(int(lc));
  f.ecrit_int(int(lv));
  for (int i = 0; i < ny; ++i)
    for (int j = 0; j < nx; ++j) b.met(val(y0 + i, x0 + j));
  b.vide();
  f.ecrit_int(int(lv));
  f.termine();
}

// One plot segment: two points and a blank line. Offsets may push the
// coordinates past an int: computed wide.
inline void segment(tampon& b, long long x1, long long y1, long long x2, long long y2) {
  b.avance(std::size_t(
      std::snprintf(b.place(), tampon::MARGE, "%lld %lld\n%lld %lld\n\n", x1, y1, x2, y2)));
}

}  // namespace pio

// ---- square matrices ----

#define PIO_TROIS_FORMES(CLS, OP, CONST, MODE, MODE_GZ, MSG, ECRIT, ...)         \
  template <class T>                                                             \
  void CLS<T>::OP(char const* fname) CONST {                                     \
    io_par_nom(fname, MODE, MODE_GZ, MSG, ECRIT, [&](flux& f) { __VA_ARGS__; }); \
  }                                                                              \
  template <class T>                                                             \
  void CLS<T>::OP(FILE* fp) CONST {                                              \
    flux f(fp, nullptr);                                                         \
    __VA_ARGS__;                                                                 \
  }                                                                              \
  template <class T>                                                             \
  void CLS<T>::OP(void* zfp) CONST {                                             \
    flux f(zfp, nullptr);                                                        \
    __VA_ARGS__;                                                                 \
  }

#define PIO_CONST const
#define PIO_RIEN

// General matrix: text save under G, raw and framed saves under M.
PIO_TROIS_FORMES(skygmatrix, a_save, PIO_CONST, "w", "w9", pio::MSG_SORTIE, 1,
                 pio::a_carre(f, 'G', imin(), imax(), pio::vue(*this), false))
PIO_TROIS_FORMES(skygmatrix, b_save, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1,
                 pio::b_carre(f, 'M', imin(), imax(), pio::vue(*this), false, false))
PIO_TROIS_FORMES(skygmatrix, f_save, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1,
                 pio::b_carre(f, 'M', imin(), imax(), pio::vue(*this), false, true))
PIO_TROIS_FORMES(skygmatrix, a_dump, PIO_CONST, "w", "w9", pio::MSG_SORTIE, 1,
                 pio::a_stock(f, 'G', profil, elem, -1))
PIO_TROIS_FORMES(skygmatrix, b_dump, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1,
                 pio::b_stock(f, 'G', profil, elem, -1, false))
PIO_TROIS_FORMES(skygmatrix, f_dump, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1,
                 pio::b_stock(f, 'G', profil, elem, -1, true))

// Loads size the matrix through resize: status normal, elements zero.
#define PIO_RETAILLE              \
  [this](gvector<int>&& p, int) { \
    this->resize(std::move(p));   \
    return this->elem.debut();    \
  }

PIO_TROIS_FORMES(skygmatrix, a_load, PIO_RIEN, "r", "r", pio::MSG_LECTURE, 0,
                 pio::a_lit<T>(f, 'G', pio::genre_g, PIO_RETAILLE))
PIO_TROIS_FORMES(skygmatrix, b_load, PIO_RIEN, "rb", "rb", pio::MSG_LECTURE, 0,
                 pio::b_lit<T>(f, 'G', pio::GEN, pio::genre_g, false, PIO_RETAILLE))
PIO_TROIS_FORMES(skygmatrix, f_load, PIO_RIEN, "rb", "rb9", pio::MSG_LECTURE, 0,
                 pio::b_lit<T>(f, 'G', pio::GEN, pio::genre_g, true, PIO_RETAILLE))

PIO_TROIS_FORMES(skysmatrix, a_save, PIO_CONST, "w", "w9", pio::MSG_SORTIE, 1,
                 pio::a_carre(f, 'S', this->imin(), this->imax(), pio::vue(*this), true))
PIO_TROIS_FORMES(skysmatrix, at_save, PIO_CONST, "w", "w9", pio::MSG_SORTIE, 1,
                 pio::a_carre(f, 'S', this->imin(), this->imax(), pio::vue(*this), false))
PIO_TROIS_FORMES(skysmatrix, b_save, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1,
                 pio::b_carre(f, 'S', this->imin(), this->imax(), pio::vue(*this), true, false))
PIO_TROIS_FORMES(skysmatrix, f_save, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1,
                 pio::b_carre(f, 'S', this->imin(), this->imax(), pio::vue(*this), true, true))
PIO_TROIS_FORMES(skysmatrix, a_dump, PIO_CONST, "w", "w9", pio::MSG_SORTIE, 1,
                 pio::a_stock(f, 'S', this->profil, this->elem, -1))
PIO_TROIS_FORMES(skysmatrix, b_dump, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1,
                 pio::b_stock(f, 'S', this->profil, this->elem, -1, false))
PIO_TROIS_FORMES(skysmatrix, f_dump, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1,
                 pio::b_stock(f, 'S', this->profil, this->elem, -1, true))
PIO_TROIS_FORMES(skysmatrix, a_load, PIO_RIEN, "r", "r", pio::MSG_LECTURE, 0,
                 pio::a_lit<T>(f, 'S', pio::genre_s, PIO_RETAILLE))
PIO_TROIS_FORMES(skysmatrix, b_load, PIO_RIEN, "rb", "rb", pio::MSG_LECTURE, 0,
                 pio::b_lit<T>(f, 'S', pio::SYM, pio::genre_s, false, PIO_RETAILLE))
PIO_TROIS_FORMES(skysmatrix, f_load, PIO_RIEN, "rb", "rb", pio::MSG_LECTURE, 0,
                 pio::b_lit<T>(f, 'S', pio::SYM, pio::genre_s, true, PIO_RETAILLE))
#undef PIO_RETAILLE

namespace pio {

template <class T>
void c3d_profil_carre(flux& f, carre<T> const& v) {
  c3d(f, 1, v.n, 1, v.n, [&](int i, int j) { return v.dedans(i, j) ? 1.0f : 0.0f; });
}

template <class T>
void c3d_val_carre(flux& f, carre<T> const& v) {
  c3d(f, 1, v.n, 1, v.n, [&](int i, int j) { return float(absval(v.at(i, j))); });
}

// Per line the column run above the diagonal, then (general matrix only)
// the row run left of it.
template <class T>
void gr_carre(flux& f, carre<T> const& v, int iof, int jof) {
  tampon b(f);
  long long const io = iof, jo = jof;
  for (int i = 1; i <= v.n; ++i) {
    long long const p = v.pcnn(i);
    segment(b, i + io, -p - jo, i + io, -i - jo);
    if (v.k == generale) segment(b, p + io, -i - jo, i + io, -i - jo);
  }
  b.vide();
  f.termine();
}

// Sums of the full rows, each in ascending column order.
template <class T>
void sommes(flux& f, carre<T> const& v) {
  tampon b(f);
  for (int i = 1; i <= v.n; ++i) {
    T s = T(0);
    for (int j = 1; j <= v.n; ++j) s = v.at(i, j) + s;
    char* p = b.place();
    int m = std::snprintf(p, tampon::MARGE, "%6d ", i);
    m += fmt_aprint(p + m, s);
    p[m] = '\n';
    b.avance(std::size_t(m) + 1);
  }
  b.vide();
  f.termine();
}

}  // namespace pio

#define PIO_TRACE(CLS, OP, SORTIE, ...)                               \
  template <class T>                                                  \
  void CLS<T>::OP(char const* fname) const {                          \
    pio::trace_par_nom(fname, SORTIE, [&](flux& f) { __VA_ARGS__; }); \
  }                                                                   \
  template <class T>                                                  \
  void CLS<T>::OP(FILE* fp) const {                                   \
    flux f(fp, nullptr);                                              \
    __VA_ARGS__;                                                      \
  }
#define PIO_TRACE_IJ(CLS, ...)                                        \
  template <class T>                                                  \
  void CLS<T>::gr_profil(char const* fname, int iof, int jof) const { \
    pio::trace_par_nom(fname, false, [&](flux& f) { __VA_ARGS__; });  \
  }                                                                   \
  template <class T>                                                  \
  void CLS<T>::gr_profil(FILE* fp, int iof, int jof) const {          \
    flux f(fp, nullptr);                                              \
    __VA_ARGS__;                                                      \
  }

PIO_TRACE(skygmatrix, c3d_profil, false, pio::c3d_profil_carre(f, pio::vue(*this)))
PIO_TRACE(skygmatrix, c3d_val, false, pio::c3d_val_carre(f, pio::vue(*this)))
PIO_TRACE(skygmatrix, sum_lines, true, pio::sommes(f, pio::vue(*this)))
PIO_TRACE_IJ(skygmatrix, pio::gr_carre(f, pio::vue(*this), iof, jof))
PIO_TRACE_IJ(skysmatrix, pio::gr_carre(f, pio::vue(*this), iof, jof))

// ---- rectangular matrices ----

namespace pio {
template <class T>
rect<T> vue_rect(skyrectmatrix<T> const& a, bool h) {
  return rect<T>{a.profile().debut(), a.values().debut(), a.dim(), a.profile().imax(), h};
}
}  // namespace pio

#define PIO_BORNES int const bo[4] = {imin(), imax(), jmin(), jmax()}
#define PIO_VUE pio::vue_rect(*this, dynamic_cast<skyhrectmatrix<T> const*>(this) != nullptr)
#define PIO_RETAILLE                \
  [this](gvector<int>&& p, int n) { \
    this->resize(std::move(p), n);  \
    return this->elem.debut();      \
  }

PIO_TROIS_FORMES(skyrectmatrix, a_save, PIO_CONST, "w", "w9", pio::MSG_SORTIE, 1, PIO_BORNES;
                 pio::a_rect(f, bo, PIO_VUE))
PIO_TROIS_FORMES(skyrectmatrix, b_save, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1, PIO_BORNES;
                 pio::b_rect(f, bo, PIO_VUE, false))
PIO_TROIS_FORMES(skyrectmatrix, f_save, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1, PIO_BORNES;
                 pio::b_rect(f, bo, PIO_VUE, true))
PIO_TROIS_FORMES(skyrectmatrix, a_dump, PIO_CONST, "w", "w9", pio::MSG_SORTIE, 1,
                 pio::a_stock(f, 'R', profil, elem, N))
PIO_TROIS_FORMES(skyrectmatrix, b_dump, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1,
                 pio::b_stock(f, 'R', profil, elem, N, false))
PIO_TROIS_FORMES(skyrectmatrix, f_dump, PIO_CONST, "wb", "wb9", pio::MSG_SORTIE, 1,
                 pio::b_stock(f, 'R', profil, elem, N, true))
PIO_TROIS_FORMES(skyrectmatrix, a_load, PIO_RIEN, "r", "r", pio::MSG_LECTURE, 0,
                 pio::a_lit<T>(f, 'R', pio::genre_r, PIO_RETAILLE))
PIO_TROIS_FORMES(skyrectmatrix, b_load, PIO_RIEN, "rb", "rb", pio::MSG_LECTURE, 0,
                 pio::b_lit<T>(f, 'R', pio::GEN, pio::genre_r, false, PIO_RETAILLE))
PIO_TROIS_FORMES(skyrectmatrix, f_load, PIO_RIEN, "rb", "rb", pio::MSG_LECTURE, 0,
                 pio::b_lit<T>(f, 'R', pio::GEN, pio::genre_r, true, PIO_RETAILLE))

namespace pio {

// Grid columns jmin..jmax, rows imin..imax.
template <class T, class V>
void c3d_rect(flux& f, skyrectmatrix<T> const& a, V val) {
  c3d(f, a.jmin(), a.jmax() - a.jmin() + 1, a.imin(), a.imax() - a.imin() + 1, val);
}

// One segment per run: along the row of an h-matrix, down the column of a
// v-matrix.
template <class T>
void gr_rect(flux& f, rect<T> const& v, int last, int iof, int jof) {
  tampon b(f);
  long long const io = iof, jo = jof;
  for (int k = 1; k <= v.m; ++k) {
    long long const p = v.first(k);
    if (v.h)
      segment(b, p + jo, -k - io, last + jo, -k - io);
    else
      segment(b, k + jo, -p - io, k + jo, -last - io);
  }
  b.vide();
  f.termine();
}

}  // namespace pio

PIO_TRACE(skyrectmatrix, c3d_profil, false, pio::rect<T> const v = PIO_VUE;
          pio::c3d_rect(f, *this, [&](int i, int j) { return v.dedans(i, j) ? 1.0f : 0.0f; }))
PIO_TRACE(skyrectmatrix, c3d_val, false, pio::rect<T> const v = PIO_VUE;
          pio::c3d_rect(f, *this, [&](int i, int j) { return float(absval(v.at(i, j))); }))
PIO_TRACE_IJ(skyrectmatrix, pio::rect<T> const v = PIO_VUE;
             pio::gr_rect(f, v, v.h ? jmax() : imax(), iof, jof))

#undef PIO_RETAILLE
#undef PIO_VUE
#undef PIO_BORNES
#undef PIO_RIEN
#undef PIO_CONST
#undef PIO_TROIS_FORMES
#undef PIO_TRACE
#undef PIO_TRACE_IJ

#endif
