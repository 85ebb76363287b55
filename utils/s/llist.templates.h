// Ordered sets as singly linked lists (template definitions, included by
// llist_ti.cpp).
#ifndef LLIST_TEMPLATES_H
#define LLIST_TEMPLATES_H
#include "llist.h"

#include <new>

#include "fatal.h"
#include "gzutils.h"
#include "llist_check.h"
#include "storage.h"

namespace liste {
[[noreturn]] inline void liste_inaccessible(const char* fname) {
  fatal(703, "On n'a pas pu ouvrir ", fname, fatal_nl);
}
inline FILE* liste_lue(const char* fname) {
  FILE* fp = std::fopen(fname, "r");
  if (fp == nullptr) liste_inaccessible(fname);
  return fp;
}
// Written lists replace their file only once complete.
inline FILE* liste_cree(fichier_sur& s, const char* fname) {
  FILE* fp = s.ouvre_fic();
  if (fp == nullptr) liste_inaccessible(fname);
  return fp;
}
inline void liste_verifie(FILE* fp) {
  if (std::fflush(fp) != 0 || std::ferror(fp)) io_erreur_ecriture(nullptr);
}
}  // namespace liste

template <class T>
lnode_block<T>::lnode_block(std::size_t count)
    : users_(1),
      count_(count),
      nodes_(static_cast<lnode<T>*>(storage_bytes(count * sizeof(lnode<T>)))) {
  if (!nodes_ && count > 0) storage_refused(static_cast<long long>(count), "Memoire insuffisante");
}

template <class T>
lnode_block<T>::~lnode_block() {
  std::free(nodes_);
}

template <class T>
llist<T>::llist(const llist& a) : head(nullptr), block(nullptr) {
  *this = a;
}

template <class T>
llist<T>& llist<T>::operator=(const llist& a) {
  if (&a == this) return *this;
  vide();
  lnode<T>** fin = &head;
  for (lnode<T>* p = a.head; p != nullptr; p = p->next) {
    *fin = new lnode<T>(*p);
    fin = &(*fin)->next;
  }
  return *this;
}

template <class T>
llist<T>& llist<T>::operator=(llist&& a) noexcept {
  if (&a != this) {
    vide();
    head = a.head;
    block = a.block;
    a.head = nullptr;
    a.block = nullptr;
  }
  return *this;
}

// Nodes inserted after a build lie outside the block: they go one by one,
// the block's with the block.
template <class T>
void llist<T>::vide() {
  while (head != nullptr) {
    lnode<T>* p = head->next;
    if (block == nullptr || !block->holds(head)) delete head;
    head = p;
  }
  if (block != nullptr) block->release();
  block = nullptr;
}

template <class T>
void llist<T>::build(const T* v, int n, lnode_block<T>& b, lnode<T>* at) {
  vide();
  if (n <= 0) return;
  for (int k = 0; k < n; ++k) new (at + k) lnode<T>(v[k]);
  for (int k = 0; k + 1 < n; ++k) at[k].next = at + k + 1;
  head = at;
  block = &b;
  b.share();
}

template <class T>
void llist<T>::insert(T a) {
  insert(static_cast<T&&>(a), nullptr);
}

template <class T>
lnode<T>* llist<T>::insert(T a, lnode<T>* depuis) {
  lnode<T>* prec = depuis;
  lnode<T>* p = depuis != nullptr ? depuis->next : head;
  while (p != nullptr && p->elem < a) {
    prec = p;
    p = p->next;
  }
  if (p != nullptr && p->elem == a) return p;
  lnode<T>* n = new lnode<T>(static_cast<T&&>(a));
  if (prec == nullptr) {
    n->next = head;
    head = n;
  } else {
    n->next = prec->next;
    prec->next = n;
  }
  return n;
}

template <class T>
lnode<T>* llist<T>::pointe(const T& a) const {
  lnode<T>* prec = nullptr;
  lnode<T>* p = head;
  while (p != nullptr && p->elem < a) {
    prec = p;
    p = p->next;
  }
  if (p != nullptr && p->elem == a) return p;
  return prec;
}

template <class T>
lnode<T>* llist<T>::trouve(const T& a) const {
  lnode<T>* p = pointe(a);
  return p != nullptr && p->elem == a ? p : nullptr;
}

template <class T>
int llist<T>::pos(const T& a) const {
  int k = 1;
  for (lnode<T>* p = head; p != nullptr; p = p->next, ++k) {
    if (!(p->elem < a)) return p->elem == a ? k : -1;
  }
  return -1;
}

template <class T>
T llist<T>::operator[](int i) const {
  if (head == nullptr) return T();
  lnode<T>* p = head;
  for (int k = 1; k < i && p->next != nullptr; ++k) p = p->next;
  return p->elem;
}

template <class T>
int llist<T>::ne() const {
  int k = 0;
  for (lnode<T>* p = head; p != nullptr; p = p->next) ++k;
  return k;
}

template <class T>
void llist<T>::print(FILE* fp) const {
  for (lnode<T>* p = head; p != nullptr; p = p->next) aprint(fp, p->elem);
  liste::liste_verifie(fp);
}

template <class T>
void llist<T>::print(const char* fname) const {
  fichier_sur s(fname);
  FILE* fp = liste::liste_cree(s, fname);
  for (lnode<T>* p = head; p != nullptr; p = p->next) aprint(fp, p->elem);
  fic_ferme(s, fp, fname);
}

template <class T>
void llist<T>::print() const {
  print(stdout);
}

namespace liste {
template <class T>
void liste_ecrit(FILE* fp, lnode<T>* p) {
  std::fprintf(fp, "L%c\n", ptype(T()));
  for (; p != nullptr; p = p->suivant()) {
    aprint(fp, p->el());
    std::fputc('\n', fp);
  }
}
}  // namespace liste

template <class T>
void llist<T>::save(FILE* fp) const {
  liste::liste_ecrit(fp, head);
  liste::liste_verifie(fp);
}

template <class T>
void llist<T>::save(const char* fname) const {
  fichier_sur s(fname);
  FILE* fp = liste::liste_cree(s, fname);
  liste::liste_ecrit(fp, head);
  fic_ferme(s, fp, fname);
}

template <class T>
void llist<T>::save() const {
  save(stdout);
}

template <class T>
void llist<T>::load(FILE* fp) {
  char buf[1024];
  buf[0] = buf[1] = '\0';  // an empty file has no header
  if (std::fgets(buf, sizeof buf, fp) == nullptr) buf[0] = '\0';
  if (buf[0] != 'L') liste::liste_format();
  if (buf[1] != ptype(T())) liste::liste_type();
  // The file holds the values in order: each search starts at the last node.
  lnode<T>* der = nullptr;
  T v{};
  for (;;) {
    int r = ascan(fp, v);
    if (r == FIN_FICHIER) break;
    if (r == VALEUR_INCORRECTE) liste::liste_format();
    if (r <= 0) continue;  // no value on the line
    der = insert(v, der != nullptr && der->elem < v ? der : nullptr);
  }
}

template <class T>
void llist<T>::load(const char* fname) {
  FILE* fp = liste::liste_lue(fname);
  load(fp);
  std::fclose(fp);
}

template <class T>
void llist<T>::load() {
  load(stdin);
}

#endif
