// Lines of a group moved between their storage and a packed buffer that
// holds them side by side, one lane per line: the packing of the grouped
// profile factorizations (general and symmetric alike).
#ifndef KERNELS_PACK_H
#define KERNELS_PACK_H

#include <algorithm>
#include <type_traits>

#include "lanes.h"

namespace kern {

// Moves the entries k in [from[r], to[r]) of nr lines r, line r starting
// at column from[r] (line[r][k - from[r]] holds entry k), to or from the
// packed buffer P, where entry k of line r sits at P[(k - base) * ld + r].
// ToPacked: lines into P, else P back into the lines. Four lines of double
// at a time go through 4 x 4 transposes over the columns they all have;
// the ragged ends and the other types one value at a time. Pure copies:
// the order in which the values move does not matter.
template <bool ToPacked, class T>
KERN_INLINE void transfer(int nr, T* const* line, int const* from, int const* to, int base, T* P,
                          long ld) {
  // Entries k0 .. k1 - 1 of line r, one at a time.
  auto run = [&](int r, int k0, int k1) {
    if (k0 >= k1) return;
    T* stored = line[r] + (k0 - from[r]);
    T* packed = P + (k0 - base) * ld + r;
    for (int k = k0; k < k1; ++k, ++stored, packed += ld) {
      if (ToPacked)
        *packed = *stored;
      else
        *stored = *packed;
    }
  };
  int r = 0;
  if constexpr (std::is_same<T, double>::value) {
    typedef simd<T> S;
    typedef typename S::v v;
    for (; r + 4 <= nr; r += 4) {
      int ks = base, ke = to[r];  // the columns the four lines all have
      for (int t = 0; t < 4; ++t) ks = std::max(ks, from[r + t]), ke = std::min(ke, to[r + t]);
      for (int t = 0; t < 4; ++t) run(r + t, from[r + t], std::min(ks, to[r + t]));
      int k = ks;
      if (ks + 4 <= ke) {
        T *a0 = line[r] + (ks - from[r]), *a1 = line[r + 1] + (ks - from[r + 1]);
        T *a2 = line[r + 2] + (ks - from[r + 2]), *a3 = line[r + 3] + (ks - from[r + 3]);
        T* row = P + (ks - base) * ld + r;
        for (; k + 4 <= ke; k += 4, a0 += 4, a1 += 4, a2 += 4, a3 += 4, row += 4 * ld) {
          if (ToPacked) {
            v x[4] = {S::load(a0), S::load(a1), S::load(a2), S::load(a3)};
            transpose4(x);
            S::store(row, x[0]), S::store(row + ld, x[1]), S::store(row + 2 * ld, x[2]),
                S::store(row + 3 * ld, x[3]);
          } else {
            v x[4] = {S::load(row), S::load(row + ld), S::load(row + 2 * ld),
                      S::load(row + 3 * ld)};
            transpose4(x);
            S::store(a0, x[0]), S::store(a1, x[1]), S::store(a2, x[2]), S::store(a3, x[3]);
          }
        }
      }
      for (int t = 0; t < 4; ++t) run(r + t, std::max(k, from[r + t]), to[r + t]);
    }
  }
  for (; r < nr; ++r) run(r, from[r], to[r]);
}

}  // namespace kern

#endif
