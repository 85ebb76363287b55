// Vertex neighbour lists, their listing and the adjacency file for node
// renumbering.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "fatal.h"
#include "fichier_sur.h"
#include "list_vec.h"
#include "llist.h"
#include "maillage.h"
#include "maillage_io.h"
#include "storage.h"

namespace {

// Ascending order; a set of a few values comes nearly sorted.
void sort_small(int* b, int* e) {
  if (e - b > 32) {
    std::sort(b, e);
    return;
  }
  for (int* i = b + 1; i < e; ++i) {
    int const x = *i;
    int* j = i;
    for (; j > b && j[-1] > x; --j) *j = j[-1];
    *j = x;
  }
}

}  // namespace

gcolect<llist<int>>& maillage::list_voisins() const {
  int const nv = npt();
  int const ne = std::max(nelem(), 0);
  int const te = telem();
  std::unique_ptr<gcolect<llist<int>>> l(new gcolect<llist<int>>(1, nv));
  if (ne == 0 || te < 1) return *l.release();
  mesh_io::rows_from_1<int> const el = mesh_io::checked_rows(elements, ne, te);
  for (int e = 1; e <= ne; ++e) {
    int const* row = el.row(e);
    for (int j = 0; j < te; ++j)
      if (row[j] < 1 || row[j] > nv) mesh_io::bad_vertex(e, row[j], nv);
  }

  // Elements around each vertex, in compressed rows.
  std::vector<long long> start(static_cast<std::size_t>(nv) + 2, 0);
  for (int e = 1; e <= ne; ++e) {
    int const* row = el.row(e);
    for (int j = 0; j < te; ++j) ++start[row[j] + 1];
  }
  for (int v = 1; v <= nv + 1; ++v) start[v] += start[v - 1];
  std::vector<int> around(static_cast<std::size_t>(start[nv + 1]));
  {
    std::vector<long long> next(start.begin(), start.end() - 1);
    for (int e = 1; e <= ne; ++e) {
      int const* row = el.row(e);
      for (int j = 0; j < te; ++j) around[next[row[j]]++] = e;
    }
  }

  // The set of each vertex: the vertices of the elements around it, each
  // once (marked with the vertex's number), in ascending order, all sets
  // one after another. Then every list is linked in one block of nodes, in
  // huge pages as the mesh arrays: one allocation for millions of values.
  // For a grid of a million vertices this takes 0.075 s instead of 0.15 to
  // 0.28 s with a node allocated per value (two threads, each with its own
  // marks, gained nothing below a million vertices and 4 % there).
  std::vector<int> mark(static_cast<std::size_t>(nv) + 1, 0);
  std::vector<int> values;
  // Room for every value the elements name, within reason: pages never
  // written cost nothing, and no copy as it grows.
  values.reserve(static_cast<std::size_t>(std::min(start[nv + 1] * te, 1LL << 26)));
  std::vector<int> count(static_cast<std::size_t>(nv) + 1);
  for (int v = 1; v <= nv; ++v) {
    std::size_t const b = values.size();
    for (long long k = start[v]; k < start[v + 1]; ++k) {
      int const* row = el.row(around[k]);
      for (int j = 0; j < te; ++j)
        if (mark[row[j]] != v) {
          mark[row[j]] = v;
          values.push_back(row[j]);
        }
    }
    sort_small(values.data() + b, values.data() + values.size());
    count[v] = static_cast<int>(values.size() - b);
  }
  lnode_block<int>* block;
  {
    huge_pages_scope mesh_data;
    block = lnode_block<int>::make(values.size());
  }
  llist<int>* lists = l->debut();
  int const* p = values.data();
  lnode<int>* at = block->nodes();
  for (int v = 1; v <= nv; p += count[v], at += count[v], ++v)
    lists[v - 1].build(p, count[v], *block, at);
  block->release();
  return *l.release();
}

namespace {

// Text output in large blocks. Integers are formatted here, the way
// "%d" does, and lists the way llist<int>::print does ("%d " per value):
// a million lists cost tens of milliseconds instead of seconds. A failed
// write is remembered, not fatal: the callers decide.
class text_out {
 public:
  explicit text_out(FILE* fp) : fp_(fp), buf_(new char[cap_]) {}
  ~text_out() { flush(); }
  text_out(text_out const&) = delete;
  text_out& operator=(text_out const&) = delete;

  text_out& num(long long v) {
    if (cap_ - n_ < 24) flush();
    char tmp[24];
    int k = 0;
    unsigned long long u =
        v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    do {
      tmp[k++] = static_cast<char>('0' + u % 10);
      u /= 10;
    } while (u != 0);
    if (v < 0) buf_[n_++] = '-';
    while (k > 0) buf_[n_++] = tmp[--k];
    return *this;
  }
  text_out& ch(char c) {
    if (n_ == cap_) flush();
    buf_[n_++] = c;
    return *this;
  }
  text_out& list(llist<int> const& l) {
    for (lnode<int> const* p = l.tete(); p != nullptr; p = p->suivant()) num(p->el()).ch(' ');
    return *this;
  }
  void flush() {
    if (n_ != 0 && std::fwrite(buf_.get(), 1, n_, fp_) != n_ && err_ == 0)
      err_ = errno != 0 ? errno : EIO;
    n_ = 0;
  }
  int error() const { return err_; }

 private:
  static constexpr std::size_t cap_ = 1 << 16;
  FILE* fp_;
  std::unique_ptr<char[]> buf_;
  std::size_t n_ = 0;
  int err_ = 0;
};

// Closes fp and puts the file in place; a failed write or close ends the
// run naming the file.
void close_checked(fichier_sur& dest, FILE* fp, char const* fname, int err) {
  err = dest.ferme(fp, err);
  if (err != 0) {
    fatal(1, "Erreur d'ecriture de ", fname, "\n", std::strerror(err), "\n");
  }
}

// Per vertex: the list length on a line, then the list on the next.
int write_listing(licolect const& l, FILE* fp) {
  text_out out(fp);
  int const n = l.imax();
  for (int v = 1; v <= n; ++v) {
    llist<int> const& lv = l[v];
    out.num(lv.ne()).ch('\n').list(lv).ch('\n');
  }
  out.flush();
  return out.error();
}

}  // namespace

void maillage::d_list_voisins(FILE* fp) const {
  std::unique_ptr<licolect> l(&list_voisins());
  // A failed write leaves the stream's error indicator set, for the caller.
  write_listing(*l, fp);
}

void maillage::d_list_voisins(char const* fname) const {
  if (fname == nullptr) fname = "";
  fichier_sur dest(fname);
  FILE* fp = dest.ouvre_fic();
  if (fp == nullptr) {
    fatal(1, "Impossible d'ouvrir le fichier ", fname, "\n");
  }
  std::unique_ptr<licolect> l(&list_voisins());
  close_checked(dest, fp, fname, write_listing(*l, fp));
}

void maillage::gen_data_renum(char const* fname) const {
  if (fname == nullptr) fname = "";
  fichier_sur dest(fname);
  FILE* fp = dest.ouvre_fic();
  if (fp == nullptr) {
    fatal(1, "Erreur d'ouverture de ", fname, "\n", std::strerror(errno), "\n");
  }
  std::unique_ptr<licolect> l(&list_voisins());
  int const n = l->imax();
  std::vector<int> counts(static_cast<std::size_t>(std::max(n, 0)) + 1);
  for (int v = 1; v <= n; ++v) counts[v] = (*l)[v].ne();
  int err;
  {
    text_out out(fp);
    out.num(n).ch('\n');
    for (int v = 1; v <= n; ++v) out.num(counts[v] - 1).ch('\n');
    // 1-based start of each neighbour list in their concatenation.
    long long p = 1;
    out.num(p).ch('\n');
    for (int v = 1; v < n; ++v) {
      p += counts[v] - 1;
      out.num(p).ch('\n');
    }
    for (int v = 1; v <= n; ++v) out.list((*l)[v]).ch('\n');
    out.flush();
    err = out.error();
  }
  close_checked(dest, fp, fname, err);
}
