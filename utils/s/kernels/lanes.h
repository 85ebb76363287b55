// SIMD lanes shared by every kernel: a vector of 32 bytes of T, its lane
// masks, and the shuffles of four doubles.
//
// Every kernel built on them keeps each sum's order of operations: one
// accumulator per output entry, receiving its products in ascending k as
// s = a_k * b_k + s (no fused multiply-add, no reassociation), exactly as
// a plain loop would. Speed comes from running many such independent sums
// side by side, a lane per entry.
#ifndef KERNELS_LANES_H
#define KERNELS_LANES_H

#include <cstdint>
#include <cstring>
#include <type_traits>

// The vector helpers are always inlined: no vector value crosses a call
// boundary, so the ABI note about 32-byte vectors does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

// Forced inlining, for the helpers whose vectors must stay in registers.
#define KERN_INLINE inline __attribute__((always_inline))

namespace kern {

// A vector of `width` lanes of T, and the integer vector of the same lane
// width that comparisons give: lane masks (all ones where true), or lane
// indices such as a line's first column compared with a k.
template <class T>
struct simd {
  static constexpr int width = 32 / sizeof(T);
  typedef T v __attribute__((vector_size(32)));
  typedef std::conditional_t<sizeof(T) == 8, std::int64_t, std::int32_t> I;
  typedef I m __attribute__((vector_size(32)));
  static v load(const T* p) {
    v r;
    std::memcpy(&r, p, sizeof r);
    return r;
  }
  static void store(T* p, v x) { std::memcpy(p, &x, sizeof x); }
  static v splat(T x) { return x - v{}; }
  static m isplat(I x) { return x + m{}; }
  static m iload(I const* p) {
    m r;
    std::memcpy(&r, p, sizeof r);
    return r;
  }
  // Lanes from p[0], p[stride], p[2 stride], ...
  static v gather(const T* p, long stride) {
    if constexpr (width == 4)
      return v{p[0], p[stride], p[2 * stride], p[3 * stride]};
    else
      return v{p[0],          p[stride],     p[2 * stride], p[3 * stride],
               p[4 * stride], p[5 * stride], p[6 * stride], p[7 * stride]};
  }
};

// Lanes I0..I3 of the eight lanes of a then b (GCC and Clang spell it
// differently).
template <int I0, int I1, int I2, int I3>
inline simd<double>::v shuffle(simd<double>::v a, simd<double>::v b) {
#if defined(__clang__)
  return __builtin_shufflevector(a, b, I0, I1, I2, I3);
#else
  typedef long long i4 __attribute__((vector_size(32)));
  return __builtin_shuffle(a, b, i4{I0, I1, I2, I3});
#endif
}

// x[t][u] <- x[u][t] for four vectors of four doubles.
inline void transpose4(simd<double>::v (&x)[4]) {
  typedef simd<double>::v v;
  v const t0 = shuffle<0, 4, 2, 6>(x[0], x[1]), t1 = shuffle<1, 5, 3, 7>(x[0], x[1]);
  v const t2 = shuffle<0, 4, 2, 6>(x[2], x[3]), t3 = shuffle<1, 5, 3, 7>(x[2], x[3]);
  x[0] = shuffle<0, 1, 4, 5>(t0, t2);
  x[1] = shuffle<0, 1, 4, 5>(t1, t3);
  x[2] = shuffle<2, 3, 6, 7>(t0, t2);
  x[3] = shuffle<2, 3, 6, 7>(t1, t3);
}

}  // namespace kern

#endif
