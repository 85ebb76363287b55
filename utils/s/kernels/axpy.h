// One more term for many sums at once: y := x u + y and y := y - u x, each
// entry on its own, so that any vector width gives the same bits.
#ifndef KERNELS_AXPY_H
#define KERNELS_AXPY_H

#include <type_traits>

#include "lanes.h"

namespace kern {

// y(j) = x * u(j) + y(j) for j in [0, n): one more ascending term for n sums.
template <class T>
inline void axpy_ordered(int n, T x, const T* u, T* y) {
  int j = 0;
  if constexpr (std::is_floating_point<T>::value) {
    typedef simd<T> S;
    constexpr int W = S::width;
    typename S::v const xv = S::splat(x);
    for (; j + 2 * W <= n; j += 2 * W) {
      S::store(y + j, xv * S::load(u + j) + S::load(y + j));
      S::store(y + j + W, xv * S::load(u + j + W) + S::load(y + j + W));
    }
  }
  for (; j < n; ++j) y[j] = x * u[j] + y[j];
}

// y[j] = y[j] - u[j] x for j < n: each entry on its own, so any width gives
// the same bits.
template <class T>
inline void sub_scaled(int n, T x, const T* u, T* y) {
  int j = 0;
  if constexpr (std::is_floating_point<T>::value) {
    typedef simd<T> S;
    constexpr int W = S::width;
    typename S::v const xv = S::splat(x);
    for (; j + 2 * W <= n; j += 2 * W) {
      S::store(y + j, S::load(y + j) - S::load(u + j) * xv);
      S::store(y + j + W, S::load(y + j + W) - S::load(u + j + W) * xv);
    }
  }
  for (; j < n; ++j) y[j] = y[j] - u[j] * x;
}

}  // namespace kern

#endif
