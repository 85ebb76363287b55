// File forms of the dense matrices: text, raw binary and record-framed,
// plain or compressed (definitions, included by the instantiation unit).
#ifndef MATRICES_IO_TEMPLATES_H
#define MATRICES_IO_TEMPLATES_H
#include <climits>
#include <cstdio>

#include "fatal.h"
#include "gzutils.h"
#include "matrices.h"

namespace mio {

char const* const MSG_SORTIE = "Erreur d'ouverture de fichier de sortie";
char const* const MSG_LECTURE = "Load de matrice: Erreur d'ouverture de fichier";

[[noreturn]] inline void entree_incorrecte() {
  fatal(1, "Load de matrice: erreur de fichier d'entre");
}
[[noreturn]] inline void type_texte() { fatal(1, "Load de matrice: erreur de type"); }
[[noreturn]] inline void type_binaire() { fatal(1, "Type incorrect dans le load d'une matrice"); }
[[noreturn]] inline void record_incorrect() {
  fatal(1, "Erreur de load d'une matrice: fichier incorrect");
}

template <class T>
char code() {
  return ptype(T());
}

// Element count of the bounds b (nrl, nrh, ncl, nch); from a file, inverted
// ranges and counts beyond an int are fatal.
inline long long compte_lu(int const* b, char const* fname) {
  long long r = io_compte(b[0], b[1], fname), c = io_compte(b[2], b[3], fname);
  if (r * c > INT_MAX) io_taille_incorrecte(fname);
  return r * c;
}

template <class T>
long long compte(const gmatrix<T>& m) {
  long long r = (long long)m.imax() - m.imin() + 1, c = (long long)m.jmax() - m.jmin() + 1;
  return r > 0 && c > 0 ? r * c : 0;
}

template <class T>
void a_ecrit(flux& f, const gmatrix<T>& m) {
  tampon b(f);
  b.avance(std::size_t(std::snprintf(b.place(), tampon::MARGE, "M%c\n%d %d %d %d\n", code<T>(),
                                     m.imin(), m.imax(), m.jmin(), m.jmax())));
  io_ecrit_lignes(b, f, m.debut(), compte(m));
  b.vide();
  f.termine();
}

// Dump: one line per row on a plain stream, one element per line on a
// compressed one.
template <class T>
void a_dump(flux& f, const gmatrix<T>& m) {
  tampon b(f);
  T const* e = m.debut();
  long long n = compte(m);
  if (f.gz()) {
    io_ecrit_lignes(b, f, e, n);
  } else if (n > 0) {
    long long nc = (long long)m.jmax() - m.jmin() + 1;
    for (long long k = 0; k < n; ++k) {
      char* p = b.place();
      int l = fmt_aprint(p, e[k]);
      p[l] = ' ';
      b.avance(std::size_t(l) + 1);
      if ((k + 1) % nc == 0) b.car('\n');
    }
  }
  b.vide();
  f.termine();
}

template <class T>
void a_lit(flux& f, gmatrix<T>& m) {
  char buf[1024];
  buf[0] = buf[1] = '\0';
  if (f.ligne(buf, sizeof buf) == nullptr) buf[0] = '\0';
  if (buf[0] != 'M') entree_incorrecte();
  if (buf[1] != code<T>()) type_texte();
  int bo[4];
  if (f.ligne(buf, sizeof buf) == nullptr || io_entiers(buf, bo, 4) != 4)
    io_bornes_illisibles(f.nom());
  long long n = compte_lu(bo, f.nom());
  io_lit_texte<T>(f, n, [&] {
    m.resize(bo[0], bo[1], bo[2], bo[3]);
    return m.debut();
  });
}

template <class T>
void b_ecrit(flux& f, const gmatrix<T>& m) {
  char h[18] = {'M', code<T>()};
  int bo[4] = {m.imin(), m.imax(), m.jmin(), m.jmax()};
  std::memcpy(h + 2, bo, 16);
  f.ecrit(h, 18);
  f.ecrit(m.debut(), std::size_t(compte(m)) * sizeof(T));
  f.termine();
}

template <class T>
void f_ecrit(flux& f, const gmatrix<T>& m) {
  long long nb = compte(m) * (long long)sizeof(T);
  if (nb > INT_MAX) io_taille_incorrecte(f.nom());  // no 32-bit length marker for it
  int h[10] = {2, 0, 2, 16, m.imin(), m.imax(), m.jmin(), m.jmax(), 16, int(nb)};
  char* c = reinterpret_cast<char*>(h);
  c[4] = 'M';
  c[5] = code<T>();
  std::memmove(c + 6, c + 8, 32);  // the marker right after the two letters
  f.ecrit(c, 38);
  f.ecrit(m.debut(), std::size_t(nb));
  f.ecrit_int(int(nb));
  f.termine();
}

template <class T>
void lit_bloc(flux& f, gmatrix<T>& m, int const* bo) {
  long long n = compte_lu(bo, f.nom());
  io_lit_bloc(f, std::size_t(n) * sizeof(T), [&] {
    m.resize(bo[0], bo[1], bo[2], bo[3]);
    return static_cast<void*>(m.debut());
  });
}

template <class T>
void b_lit(flux& f, gmatrix<T>& m) {
  unsigned char h[2];
  f.lit(h, 2);
  if (h[0] != 'M') entree_incorrecte();
  if (h[1] != (unsigned char)code<T>()) type_binaire();
  int bo[4];
  f.lit(bo, sizeof bo);
  lit_bloc(f, m, bo);
}

template <class T>
void f_lit(flux& f, gmatrix<T>& m) {
  unsigned char h[2];
  f.lit_int();
  f.lit(h, 2);
  f.lit_int();
  if (h[0] != 'M') record_incorrect();
  if (h[1] != (unsigned char)code<T>()) type_binaire();
  int bo[4];
  f.lit_int();
  f.lit(bo, sizeof bo);
  f.lit_int();
  f.lit_int();
  lit_bloc(f, m, bo);
  f.lit_int();
}

}  // namespace mio

template <class T>
void gmatrix<T>::a_save(char const* fname) const {
  io_par_nom(fname, "w", "w9", mio::MSG_SORTIE, 1, [&](flux& f) { mio::a_ecrit(f, *this); });
}
template <class T>
void gmatrix<T>::a_save(FILE* fp) const {
  flux f(fp, nullptr);
  mio::a_ecrit(f, *this);
}
template <class T>
void gmatrix<T>::a_save(void* zfp) const {
  flux f(zfp, nullptr);
  mio::a_ecrit(f, *this);
}

template <class T>
void gmatrix<T>::a_dump(char const* fname) const {
  // A plain name gets the full text form; a compressed one the dump.
  io_par_nom(fname, "w", "w9", mio::MSG_SORTIE, 1, [&](flux& f) {
    if (f.gz())
      mio::a_dump(f, *this);
    else
      mio::a_ecrit(f, *this);
  });
}
template <class T>
void gmatrix<T>::a_dump(FILE* fp) const {
  flux f(fp, nullptr);
  mio::a_dump(f, *this);
}
template <class T>
void gmatrix<T>::a_dump(void* zfp) const {
  flux f(zfp, nullptr);
  mio::a_dump(f, *this);
}

template <class T>
void gmatrix<T>::a_load(char const* fname) {
  io_par_nom(fname, "r", "r", mio::MSG_LECTURE, 0, [&](flux& f) { mio::a_lit(f, *this); });
}
template <class T>
void gmatrix<T>::a_load(FILE* fp) {
  flux f(fp, nullptr);
  mio::a_lit(f, *this);
}
template <class T>
void gmatrix<T>::a_load(void* zfp) {
  flux f(zfp, nullptr);
  mio::a_lit(f, *this);
}

template <class T>
void gmatrix<T>::b_save(char const* fname) const {
  io_par_nom(fname, "w", "wb9", mio::MSG_SORTIE, 1, [&](flux& f) { mio::b_ecrit(f, *this); });
}
template <class T>
void gmatrix<T>::b_save(FILE* fp) const {
  flux f(fp, nullptr);
  mio::b_ecrit(f, *this);
}
template <class T>
void gmatrix<T>::b_save(void* zfp) const {
  flux f(zfp, nullptr);
  mio::b_ecrit(f, *this);
}

template <class T>
void gmatrix<T>::b_load(char const* fname) {
  io_par_nom(fname, "r", "rb", mio::MSG_LECTURE, 0, [&](flux& f) { mio::b_lit(f, *this); });
}
template <class T>
void gmatrix<T>::b_load(FILE* fp) {
  flux f(fp, nullptr);
  mio::b_lit(f, *this);
}
template <class T>
void gmatrix<T>::b_load(void* zfp) {
  flux f(zfp, nullptr);
  mio::b_lit(f, *this);
}

template <class T>
void gmatrix<T>::f_save(char const* fname) const {
  io_par_nom(fname, "w", "wb9", mio::MSG_SORTIE, 1, [&](flux& f) { mio::f_ecrit(f, *this); });
}
template <class T>
void gmatrix<T>::f_save(FILE* fp) const {
  flux f(fp, nullptr);
  mio::f_ecrit(f, *this);
}
template <class T>
void gmatrix<T>::f_save(void* zfp) const {
  flux f(zfp, nullptr);
  mio::f_ecrit(f, *this);
}

template <class T>
void gmatrix<T>::f_load(char const* fname) {
  io_par_nom(fname, "r", "rb", mio::MSG_LECTURE, 0, [&](flux& f) { mio::f_lit(f, *this); });
}
template <class T>
void gmatrix<T>::f_load(FILE* fp) {
  flux f(fp, nullptr);
  mio::f_lit(f, *this);
}
template <class T>
void gmatrix<T>::f_load(void* zfp) {
  flux f(zfp, nullptr);
  mio::f_lit(f, *this);
}

#endif
