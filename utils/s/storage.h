// Element storage shared by the containers. Blocks of plain numbers are
// never zero-filled: every caller writes what it reads. Large blocks of a
// mesh are asked for in huge pages where the system offers them.
//
// Huge pages only where they win every time. Measured on the 2-core VM of
// the benchmarks, first fill of fresh blocks, 8 to 12 runs each:
// - the arrays of a 3000 x 3000 grid (252 MB in three blocks): 0.020 s in
//   huge pages in most runs (worst 0.17 s) against 0.09-0.11 s in ordinary
//   ones;
// - the storage of a profile matrix of 25, 50 and 100 million doubles:
//   0.014, 0.028 and 0.059 s in huge pages when the system has them ready,
//   but 0.43, 0.44 and 0.5-1.2 s in a sixth to half of the runs, against a
//   steady 0.07, 0.14 and 0.28-0.35 s in ordinary pages.
// So matrices take ordinary pages; the mesh code asks for huge ones with a
// huge_pages_scope around the allocation of its arrays.
#ifndef STORAGE_H
#define STORAGE_H

#include <climits>
#include <cstdlib>
#include <new>
#include <type_traits>

#include <sys/mman.h>

#include "fatal.h"

[[noreturn]] inline void storage_refused(long long n, char const* why) {
  fatal(1, why, " (", n, " elements)\n");
}

// While one lives on a thread, the large blocks it allocates are asked for
// in huge pages.
class huge_pages_scope {
 public:
  huge_pages_scope() : was_(on()) { on() = true; }
  ~huge_pages_scope() { on() = was_; }
  huge_pages_scope(huge_pages_scope const&) = delete;
  huge_pages_scope& operator=(huge_pages_scope const&) = delete;
  static bool& on() {
    static thread_local bool wanted = false;
    return wanted;
  }

 private:
  bool was_;
};

template <class T>
constexpr bool plain_storage() {
  return std::is_trivially_default_constructible<T>::value &&
         std::is_trivially_destructible<T>::value;
}

// Raw memory for `bytes` bytes, in huge pages for a large block inside a
// huge_pages_scope; null when the system refuses. Freed by std::free.
inline void* storage_bytes(std::size_t bytes) {
  std::size_t const huge = std::size_t(2) << 20;
  if (bytes >= 4 * huge && huge_pages_scope::on()) {
    std::size_t const rounded = (bytes + huge - 1) / huge * huge;
    void* p = std::aligned_alloc(huge, rounded);
    if (p) madvise(p, rounded, MADV_HUGEPAGE);
    return p;
  }
  return std::malloc(bytes);
}

// n elements (n <= INT_MAX); null for n == 0.
template <class T>
T* storage_new(long long n) {
  if (n <= 0) return nullptr;
  if (n > INT_MAX) storage_refused(n, "Taille de tableau trop grande");
  if constexpr (plain_storage<T>()) {
    void* p = storage_bytes(static_cast<std::size_t>(n) * sizeof(T));
    if (!p) storage_refused(n, "Memoire insuffisante");
    return static_cast<T*>(p);
  } else {
    T* p = new (std::nothrow) T[static_cast<std::size_t>(n)];
    if (!p) storage_refused(n, "Memoire insuffisante");
    return p;
  }
}

template <class T>
void storage_delete(T* p, long long) {
  if (!p) return;
  if constexpr (plain_storage<T>())
    std::free(p);
  else
    delete[] p;
}

#endif
