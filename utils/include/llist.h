// Ordered sets as singly linked lists: llist<int> (listint) and
// llist<ovector<double>> (listdvector).
//
// Text form of a list (save, load): the line "L%c" with the value type code
// (LI, LW), then one value per line in its aprint form. A list of integers
// writes "%d " per value; a vector value (type W) is one line
// "nl nh v_nl ... v_nh " with the bounds in "%d " and each component in
// "%.17g " (exact: a saved set of vectors reloads equal, order included).
// Lines that hold no value are skipped on loading.
//
// Collections of lists of integers (licolect, header "VL") are written with
// each list in this text form closed by an empty line (plain and compressed
// text alike), and in the binary forms with each list as its 32-bit count
// followed by its values; every form reads back (see vecteurs_io.templates.h).
#ifndef LLIST_H
#define LLIST_H

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <type_traits>

#include "vecteurs.h"

template <class T>
class llist;
template <class T>
class lnode_block;

// One value of a list and the link to the next, null at the end.
template <class T>
class lnode {
 public:
  lnode() : elem(), next(nullptr) {}
  lnode(const lnode& a) : elem(a.elem), next(nullptr) {}  // the value only
  lnode(T a) : elem(static_cast<T&&>(a)), next(nullptr) {}
  lnode& operator=(const lnode& a) {  // the value only; the link is kept
    elem = a.elem;
    return *this;
  }
  void set(T a) { elem = static_cast<T&&>(a); }
  T el() const { return elem; }
  lnode* suivant() const { return next; }

 private:
  T elem;
  lnode* next;
  friend class llist<T>;
};

// Nodes of many lists in one allocation (llist::build): each list built in
// it holds a share, and the last share let go frees the block. Whoever
// makes a block holds one share too, let go with release().
template <class T>
class lnode_block {
 public:
  static lnode_block* make(std::size_t count) {
    static_assert(std::is_trivially_destructible<T>::value,
                  "the nodes of a block are never destroyed one by one");
    return new lnode_block(count);
  }
  lnode<T>* nodes() const { return nodes_; }
  bool holds(lnode<T> const* p) const { return p >= nodes_ && p < nodes_ + count_; }
  void share() { users_.fetch_add(1, std::memory_order_relaxed); }
  void release() {
    if (users_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }

 private:
  // Raw memory: build() makes the nodes it uses, by the thread that uses
  // them first. Defined with the library's storage.
  explicit lnode_block(std::size_t count);
  ~lnode_block();
  lnode_block(lnode_block const&) = delete;
  lnode_block& operator=(lnode_block const&) = delete;

  std::atomic<long> users_;
  std::size_t count_;
  lnode<T>* nodes_;
};

// Strictly increasing values, each held once. The list owns its nodes:
// those it allocates one by one, and its share of a block when it was
// built in one (build); a copy allocates its own nodes.
// Order: operator< of T; equality: operator== of T.
template <class T>
class llist {
 public:
  llist() : head(nullptr), block(nullptr) {}
  llist(const llist& a);  // deep copy
  llist(llist&& a) noexcept : head(a.head), block(a.block) { a.head = nullptr, a.block = nullptr; }
  ~llist() { vide(); }
  llist& operator=(const llist& a);  // deep copy
  llist& operator=(llist&& a) noexcept;

  // Adds a at its place; nothing when a is present. O(position of a).
  void insert(T a);
  // Same, the search starting after `depuis` (null: at the head), which must
  // hold a value below a; returns the node holding a. Appending increasing
  // values through the returned node costs O(1) each.
  lnode<T>* insert(T a, lnode<T>* depuis);
  // Node holding a, else the last node below a; null when none is below a.
  lnode<T>* pointe(const T& a) const;
  lnode<T>* trouve(const T& a) const;  // node holding a, or null
  int pos(const T& a) const;           // 1-based position of a, or -1
  // Value at 1-based position i; i <= 1 gives the first value, i past the end
  // the last; an empty list gives T().
  T operator[](int i) const;
  int ne() const;  // number of values
  lnode<T>* tete() const { return head; }
  void vide();  // removes every value
  // Empties the list, then makes it hold v[0..n) (strictly increasing) in
  // the nodes from `at` of block b, which it then shares; n nodes from at
  // must lie in b, unused by any other list. For many short lists at
  // once: one allocation instead of one per value.
  void build(const T* v, int n, lnode_block<T>& b, lnode<T>* at);

  // Values only, aprint forms on the current line (standard output for
  // print()). A file that cannot be opened ends the run with status 703.
  void print(FILE* fp) const;
  void print(const char* fname) const;
  void print() const;
  // Text form (standard output for save()).
  void save(FILE* fp) const;
  void save(const char* fname) const;
  void save() const;
  // Reads the text form up to the end of the stream, adding its values
  // (standard input for load()). Header not L: status 801; other type: 802.
  void load(FILE* fp);
  void load(const char* fname);
  void load();

 protected:
  lnode<T>* head;
  lnode_block<T>* block;  // nodes shared with other lists, or null
};

typedef llist<int> listint;
typedef llist<ovector<double>> listdvector;
typedef gcolect<llist<int>> licolect;

extern template class lnode<int>;
extern template class lnode_block<int>;
extern template class llist<int>;
extern template class lnode<ovector<double>>;
extern template class llist<ovector<double>>;

#include "list_vec.h"

extern template class gcolect<llist<int>>;

#endif
