// Element storage shared by the containers. Large blocks of plain numbers
// are asked for in huge pages where the system offers them, and are never
// zero-filled: every caller writes what it reads.
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

template <class T>
constexpr bool plain_storage() {
  return std::is_trivially_default_constructible<T>::value &&
         std::is_trivially_destructible<T>::value;
}

// n elements (n <= INT_MAX); null for n == 0.
template <class T>
T* storage_new(long long n) {
  if (n <= 0) return nullptr;
  if (n > INT_MAX) storage_refused(n, "Taille de tableau trop grande");
  if constexpr (plain_storage<T>()) {
    std::size_t const bytes = static_cast<std::size_t>(n) * sizeof(T);
    std::size_t const huge = std::size_t(2) << 20;
    void* p = nullptr;
    if (bytes >= 4 * huge) {
      std::size_t const rounded = (bytes + huge - 1) / huge * huge;
      p = std::aligned_alloc(huge, rounded);
      if (p) madvise(p, rounded, MADV_HUGEPAGE);
    } else {
      p = std::malloc(bytes);
    }
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
