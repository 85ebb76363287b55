// File forms of the indexed collections: text, raw binary and record-framed,
// plain or compressed (definitions, included by the instantiation units).
//
// Collections of lists of integers (header letters V L) use forms of their
// own, all readable back:
// - text (plain and compressed alike): after the header lines, each list in
//   its text form ("LI", then one "%d " value per line) followed by an empty
//   line that ends it;
// - raw binary: after V, L and the bounds, each list as its 32-bit value
//   count and then its values as 32-bit integers, ascending;
// - record-framed: the raw binary header records, then one record holding
//   every list as in the raw binary form.
#ifndef VECTEURS_IO_TEMPLATES_H
#define VECTEURS_IO_TEMPLATES_H
#include <climits>
#include <cstdio>
#include <vector>

#include "fatal.h"
#include "gzutils.h"
#include "llist_check.h"
#include "vecteurs.h"

template <class T>
class llist;

namespace vio {

char const* const MSG_SORTIE = "Erreur d'ouverture de fichier de sortie";
char const* const MSG_LECTURE = "Erreur d'ouverture de fichier de lecture";

[[noreturn]] inline void type_incorrect() { fatal(1, "Load de vecteur: type incorrect"); }
[[noreturn]] inline void pas_un_vecteur() {
  fatal(1, "Load de vecteur: le fichier ne correspond pas a un vecteur");
}

template <class T>
char code() {
  return ptype(T());
}

template <class T>
long long compte(const gcolect<T>& v) {
  long long n = (long long)v.imax() - v.imin() + 1;
  return n > 0 ? n : 0;
}

// Bounds line of the text form.
inline void lit_bornes(flux& f, int* b, int nb) {
  char buf[1024];
  if (f.ligne(buf, sizeof buf) == nullptr || io_entiers(buf, b, nb) != nb)
    io_bornes_illisibles(f.nom());
}

// Header of the text form: "V" and the type code.
inline void lit_entete_texte(flux& f, char code) {
  char buf[1024];
  buf[0] = buf[1] = '\0';
  if (f.ligne(buf, sizeof buf) == nullptr) buf[0] = '\0';
  if (buf[0] != 'V' || buf[1] != code) type_incorrect();
}

inline void verifie_entete_binaire(unsigned char const* h, char code) {
  if (h[0] != 'V') pas_un_vecteur();
  if (h[1] != (unsigned char)code) type_incorrect();
}

// ---- numeric elements ----

template <class T>
void a_ecrit(flux& f, const gcolect<T>& v) {
  tampon b(f);
  b.avance(std::size_t(
      std::snprintf(b.place(), tampon::MARGE, "V%c\n%d %d\n", code<T>(), v.imin(), v.imax())));
  io_ecrit_lignes(b, f, v.debut(), compte(v));
  b.vide();
  f.termine();
}

template <class T>
void a_dump(flux& f, const gcolect<T>& v) {
  tampon b(f);
  T const* e = v.debut();
  for (long long k = 0, n = compte(v); k < n; ++k) {
    char* p = b.place();
    int m = f.gz() ? fmt_tostr(p, e[k]) : fmt_aprint(p, e[k]);
    p[m] = ' ';
    b.avance(std::size_t(m) + 1);
  }
  b.car('\n');
  b.vide();
  f.termine();
}

template <class T>
void a_lit(flux& f, gcolect<T>& v) {
  lit_entete_texte(f, code<T>());
  int bo[2];
  lit_bornes(f, bo, 2);
  long long n = io_compte(bo[0], bo[1], f.nom());
  io_lit_texte<T>(f, n, [&] {
    v.resize(bo[0], bo[1]);
    return v.debut();
  });
}

template <class T>
void b_ecrit(flux& f, const gcolect<T>& v) {
  char h[10] = {'V', code<T>()};
  int bo[2] = {v.imin(), v.imax()};
  std::memcpy(h + 2, bo, 8);
  f.ecrit(h, 10);
  f.ecrit(v.debut(), std::size_t(compte(v)) * sizeof(T));
  f.termine();
}

template <class T>
void f_ecrit(flux& f, const gcolect<T>& v) {
  long long nb = compte(v) * (long long)sizeof(T);
  if (nb > INT_MAX) io_taille_incorrecte(f.nom());  // no 32-bit length marker for it
  int h[9];
  char* c = reinterpret_cast<char*>(h);
  h[0] = 2;
  c[4] = 'V';
  c[5] = code<T>();
  std::memcpy(c + 6, &h[0], 4);  // closing marker of the first record
  int r2[4] = {8, v.imin(), v.imax(), 8};
  std::memcpy(c + 10, r2, 16);
  int l = int(nb);
  std::memcpy(c + 26, &l, 4);
  f.ecrit(c, 30);
  f.ecrit(v.debut(), std::size_t(nb));
  f.ecrit_int(l);
  f.termine();
}

template <class T>
void b_lit(flux& f, gcolect<T>& v) {
  unsigned char h[2];
  f.lit(h, 2);
  verifie_entete_binaire(h, code<T>());
  int lo = f.lit_int(), hi = f.lit_int();
  long long n = io_compte(lo, hi, f.nom());
  io_lit_bloc(f, std::size_t(n) * sizeof(T), [&] {
    v.resize(lo, hi);
    return static_cast<void*>(v.debut());
  });
}

template <class T>
void f_lit(flux& f, gcolect<T>& v) {
  unsigned char h[2];
  f.lit_int();
  f.lit(h, 2);
  f.lit_int();
  verifie_entete_binaire(h, code<T>());
  f.lit_int();
  int lo = f.lit_int(), hi = f.lit_int();
  f.lit_int();
  long long n = io_compte(lo, hi, f.nom());
  f.lit_int();
  io_lit_bloc(f, std::size_t(n) * sizeof(T), [&] {
    v.resize(lo, hi);
    return static_cast<void*>(v.debut());
  });
  f.lit_int();
}

// ---- lists of integers ----

template <class U>
void liste_texte(tampon& b, flux const& f, const llist<U>& l) {
  char* p = b.place();
  p[0] = 'L';
  p[1] = code<U>();
  p[2] = '\n';
  b.avance(3);
  for (auto* q = l.tete(); q != nullptr; q = q->suivant()) {
    U x = q->el();
    io_ecrit_lignes(b, f, &x, 1);
  }
}

template <class U>
void a_ecrit(flux& f, const gcolect<llist<U>>& v) {
  tampon b(f);
  b.avance(std::size_t(std::snprintf(b.place(), tampon::MARGE, "VL\n%d %d\n", v.imin(), v.imax())));
  llist<U> const* e = v.debut();
  for (long long k = 0, n = compte(v); k < n; ++k) {
    liste_texte(b, f, e[k]);
    b.car('\n');
  }
  b.vide();
  f.termine();
}

template <class U>
void a_dump(flux& f, const gcolect<llist<U>>& v) {
  tampon b(f);
  llist<U> const* e = v.debut();
  for (long long k = 0, n = compte(v); k < n; ++k) {
    liste_texte(b, f, e[k]);
    b.car(' ');
  }
  b.car('\n');
  b.vide();
  f.termine();
}

inline int ligne_vide(char const* s) {
  for (; *s != '\0'; ++s)
    if (*s != ' ' && *s != '\t' && *s != '\r' && *s != '\n') return 0;
  return 1;
}

// One list of the text form, up to and including its closing empty line.
template <class U>
void liste_lit_texte(flux& f, llist<U>& l, char* buf, int len) {
  buf[0] = buf[1] = '\0';
  if (f.ligne(buf, len) == nullptr) io_fin_prematuree(f.nom());
  if (buf[0] != 'L') liste::liste_format();
  if (buf[1] != code<U>()) liste::liste_type();
  decltype(l.tete()) der = nullptr;
  for (;;) {
    if (f.ligne(buf, len) == nullptr) io_fin_prematuree(f.nom());
    if (ligne_vide(buf)) return;
    U x = U();
    if (fromstr(buf, x) == 0) continue;  // no value on the line
    der = l.insert(x, der != nullptr && der->el() < x ? der : nullptr);
  }
}

// One list of the binary forms: a count, then the values in bounded pieces.
template <class U>
void liste_lit_binaire(flux& f, llist<U>& l) {
  int m = f.lit_int();
  long long r = f.reste();
  if (m < 0 || (r >= 0 && (long long)m * (long long)sizeof(U) > r)) io_taille_incorrecte(f.nom());
  U t[1024];
  decltype(l.tete()) der = nullptr;
  while (m > 0) {
    int k = m < 1024 ? m : 1024;
    f.lit(t, std::size_t(k) * sizeof(U));
    for (int i = 0; i < k; ++i)
      der = l.insert(t[i], der != nullptr && der->el() < t[i] ? der : nullptr);
    m -= k;
  }
}

// n lists read by lire(list) into the storage that alloue() provides; every
// list takes at least `min_octets` bytes of a regular file, and on other
// streams a large count is gathered first.
template <class U, class Lire, class F>
void listes_lit(flux& f, long long n, long long min_octets, Lire lire, F alloue) {
  long long r = f.reste();
  if (r >= 0 && n * min_octets > r) io_taille_incorrecte(f.nom());
  if (r >= 0 || n <= IO_MORCEAU_ELEM) {
    llist<U>* e = alloue();
    for (long long k = 0; k < n; ++k) {
      e[k].vide();
      lire(e[k]);
    }
    return;
  }
  std::vector<llist<U>> tmp;
  for (long long k = 0; k < n; ++k) {
    tmp.emplace_back();
    lire(tmp.back());
  }
  llist<U>* e = alloue();
  for (long long k = 0; k < n; ++k) e[k] = static_cast<llist<U>&&>(tmp[std::size_t(k)]);
}

template <class U>
void a_lit(flux& f, gcolect<llist<U>>& v) {
  lit_entete_texte(f, 'L');
  int bo[2];
  lit_bornes(f, bo, 2);
  long long n = io_compte(bo[0], bo[1], f.nom());
  char buf[1024];
  listes_lit<U>(
      f, n, 4, [&](llist<U>& l) { liste_lit_texte(f, l, buf, int(sizeof buf)); },
      [&] {
        v.resize(bo[0], bo[1]);
        return v.debut();
      });
}

template <class U>
long long octets_listes(const gcolect<llist<U>>& v) {
  long long nb = 0;
  llist<U> const* e = v.debut();
  for (long long k = 0, n = compte(v); k < n; ++k) nb += 4 + (long long)sizeof(U) * e[k].ne();
  return nb;
}

template <class U>
void listes_ecrit_binaire(tampon& b, const gcolect<llist<U>>& v) {
  llist<U> const* e = v.debut();
  for (long long k = 0, n = compte(v); k < n; ++k) {
    int m = e[k].ne();
    b.texte(reinterpret_cast<char const*>(&m), 4);
    for (auto* q = e[k].tete(); q != nullptr; q = q->suivant()) {
      U x = q->el();
      b.texte(reinterpret_cast<char const*>(&x), sizeof x);
    }
  }
}

template <class U>
void b_ecrit(flux& f, const gcolect<llist<U>>& v) {
  tampon b(f);
  char h[10] = {'V', 'L'};
  int bo[2] = {v.imin(), v.imax()};
  std::memcpy(h + 2, bo, 8);
  b.texte(h, 10);
  listes_ecrit_binaire(b, v);
  b.vide();
  f.termine();
}

template <class U>
void f_ecrit(flux& f, const gcolect<llist<U>>& v) {
  long long nb = octets_listes(v);
  if (nb > INT_MAX) io_taille_incorrecte(f.nom());
  tampon b(f);
  int l = int(nb);
  int h[7] = {2, 0, 2, 8, v.imin(), v.imax(), 8};
  char* c = reinterpret_cast<char*>(h);
  c[4] = 'V';
  c[5] = 'L';
  std::memmove(c + 6, c + 8, 20);  // the marker after the two letters
  b.texte(c, 26);
  b.texte(reinterpret_cast<char const*>(&l), 4);
  listes_ecrit_binaire(b, v);
  b.texte(reinterpret_cast<char const*>(&l), 4);
  b.vide();
  f.termine();
}

template <class U>
void b_lit(flux& f, gcolect<llist<U>>& v) {
  unsigned char h[2];
  f.lit(h, 2);
  verifie_entete_binaire(h, 'L');
  int lo = f.lit_int(), hi = f.lit_int();
  long long n = io_compte(lo, hi, f.nom());
  listes_lit<U>(
      f, n, 4, [&](llist<U>& l) { liste_lit_binaire(f, l); },
      [&] {
        v.resize(lo, hi);
        return v.debut();
      });
}

template <class U>
void f_lit(flux& f, gcolect<llist<U>>& v) {
  unsigned char h[2];
  f.lit_int();
  f.lit(h, 2);
  f.lit_int();
  verifie_entete_binaire(h, 'L');
  f.lit_int();
  int lo = f.lit_int(), hi = f.lit_int();
  f.lit_int();
  long long n = io_compte(lo, hi, f.nom());
  f.lit_int();
  listes_lit<U>(
      f, n, 4, [&](llist<U>& l) { liste_lit_binaire(f, l); },
      [&] {
        v.resize(lo, hi);
        return v.debut();
      });
  f.lit_int();
}

}  // namespace vio

template <class T>
void gcolect<T>::a_save(char const* fname) const {
  io_par_nom(fname, "w", "w9", vio::MSG_SORTIE, 1, [&](flux& f) { vio::a_ecrit(f, *this); });
}
template <class T>
void gcolect<T>::a_save(FILE* fp) const {
  flux f(fp, nullptr);
  vio::a_ecrit(f, *this);
}
template <class T>
void gcolect<T>::a_save(void* zfp) const {
  flux f(zfp, nullptr);
  vio::a_ecrit(f, *this);
}

template <class T>
void gcolect<T>::a_dump(char const* fname) const {
  // Never compressed, whatever the name: the full text form.
  fichier_sur s(fname);
  FILE* fp = fic_ouvre(s, vio::MSG_SORTIE);
  flux f(fp, fname);
  vio::a_ecrit(f, *this);
  fic_ferme(s, fp, fname);
}
template <class T>
void gcolect<T>::a_dump(FILE* fp) const {
  flux f(fp, nullptr);
  vio::a_dump(f, *this);
}

template <class T>
void gcolect<T>::a_dump(void* zfp) const {
  flux f(zfp, nullptr);
  vio::a_dump(f, *this);
}

template <class T>
void gcolect<T>::a_load(char const* fname) {
  io_par_nom(fname, "r", "r", vio::MSG_LECTURE, 0, [&](flux& f) { vio::a_lit(f, *this); });
}
template <class T>
void gcolect<T>::a_load(FILE* fp) {
  flux f(fp, nullptr);
  vio::a_lit(f, *this);
}
template <class T>
void gcolect<T>::a_load(void* zfp) {
  flux f(zfp, nullptr);
  vio::a_lit(f, *this);
}

template <class T>
void gcolect<T>::b_save(char const* fname) const {
  io_par_nom(fname, "w", "w9", vio::MSG_SORTIE, 1, [&](flux& f) { vio::b_ecrit(f, *this); });
}
template <class T>
void gcolect<T>::b_save(FILE* fp) const {
  flux f(fp, nullptr);
  vio::b_ecrit(f, *this);
}
template <class T>
void gcolect<T>::b_save(void* zfp) const {
  flux f(zfp, nullptr);
  vio::b_ecrit(f, *this);
}

template <class T>
void gcolect<T>::b_load(char const* fname) {
  io_par_nom(fname, "rb", "rb", vio::MSG_LECTURE, 0, [&](flux& f) { vio::b_lit(f, *this); });
}
template <class T>
void gcolect<T>::b_load(FILE* fp) {
  flux f(fp, nullptr);
  vio::b_lit(f, *this);
}
template <class T>
void gcolect<T>::b_load(void* zfp) {
  flux f(zfp, nullptr);
  vio::b_lit(f, *this);
}

template <class T>
void gcolect<T>::f_save(char const* fname) const {
  io_par_nom(fname, "w", "wb9", vio::MSG_SORTIE, 1, [&](flux& f) { vio::f_ecrit(f, *this); });
}
template <class T>
void gcolect<T>::f_save(FILE* fp) const {
  flux f(fp, nullptr);
  vio::f_ecrit(f, *this);
}
template <class T>
void gcolect<T>::f_save(void* zfp) const {
  flux f(zfp, nullptr);
  vio::f_ecrit(f, *this);
}

template <class T>
void gcolect<T>::f_load(char const* fname) {
  io_par_nom(fname, "r", "rb", vio::MSG_LECTURE, 0, [&](flux& f) { vio::f_lit(f, *this); });
}
template <class T>
void gcolect<T>::f_load(FILE* fp) {
  flux f(fp, nullptr);
  vio::f_lit(f, *this);
}
template <class T>
void gcolect<T>::f_load(void* zfp) {
  flux f(zfp, nullptr);
  vio::f_lit(f, *this);
}

#endif
