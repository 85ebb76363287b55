// Dot-product kernels that keep every sum's order of operations.
//
// Each output entry owns one accumulator that receives its products in
// ascending k as  s = a_k * b_k + s  (no fused multiply-add, no
// reassociation), exactly as a plain loop would. Speed comes from running
// many such independent sums side by side: a SIMD lane per entry and a tile
// of MR x NR entries in registers.
#ifndef KERNELS_H
#define KERNELS_H

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

// The vector helpers below are always inlined: no vector value crosses a
// call boundary, so the ABI note about 32-byte vectors does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace kern {

template <class T>
struct simd {
  static constexpr int width = 32 / sizeof(T);
  typedef T v __attribute__((vector_size(32)));
  static v load(const T* p) {
    v r;
    std::memcpy(&r, p, sizeof r);
    return r;
  }
  static void store(T* p, v x) { std::memcpy(p, &x, sizeof x); }
  static v splat(T x) { return x - v{}; }
};

constexpr int MR = 4;  // rows of a register tile
constexpr int KC = 256;  // depth of a slice of the product

// C (MR x NR, row stride ldc) (+)= Ap Bp over kc steps, in ascending k, from
// packed panels: Ap holds a[k * MR + r], Bp holds b[k * NR + j]. `fresh`
// starts the sums at zero, else continues those in C.
template <class T>
inline void tile(int kc, const T* ap, const T* bp, T* c, long ldc, bool fresh) {
  typedef simd<T> S;
  typedef typename S::v v;
  constexpr int W = S::width;
  v c00, c01, c10, c11, c20, c21, c30, c31;
  if (fresh) {
    c00 = c01 = c10 = c11 = c20 = c21 = c30 = c31 = v{};
  } else {
    c00 = S::load(c), c01 = S::load(c + W);
    c10 = S::load(c + ldc), c11 = S::load(c + ldc + W);
    c20 = S::load(c + 2 * ldc), c21 = S::load(c + 2 * ldc + W);
    c30 = S::load(c + 3 * ldc), c31 = S::load(c + 3 * ldc + W);
  }
  for (int k = 0; k < kc; ++k, ap += MR, bp += 2 * W) {
    v const b0 = S::load(bp), b1 = S::load(bp + W);
    v x = S::splat(ap[0]);
    c00 = x * b0 + c00;
    c01 = x * b1 + c01;
    x = S::splat(ap[1]);
    c10 = x * b0 + c10;
    c11 = x * b1 + c11;
    x = S::splat(ap[2]);
    c20 = x * b0 + c20;
    c21 = x * b1 + c21;
    x = S::splat(ap[3]);
    c30 = x * b0 + c30;
    c31 = x * b1 + c31;
  }
  S::store(c, c00), S::store(c + W, c01);
  S::store(c + ldc, c10), S::store(c + ldc + W, c11);
  S::store(c + 2 * ldc, c20), S::store(c + 2 * ldc + W, c21);
  S::store(c + 3 * ldc, c30), S::store(c + 3 * ldc + W, c31);
}

// C (rows x cols) = A (rows x K) B (K x cols), every entry summed from zero
// in ascending k. The k range is cut into slices whose panels are packed
// contiguously (zero-padded to whole tiles) so that the B panel stays in
// cache while all row tiles use it; partial sums wait in C between slices.
// Padded lanes are computed but never stored.
template <class T>
void gemm_ordered(int rows, int cols, int K, const T* a, long lda, const T* b, long ldb, T* c,
                  long ldc) {
  constexpr int NR = 2 * simd<T>::width;
  if (K == 0) {
    for (int i = 0; i < rows; ++i) std::fill(c + i * ldc, c + i * ldc + cols, T());
    return;
  }
  int const rtiles = (rows + MR - 1) / MR, ctiles = (cols + NR - 1) / NR;
  static thread_local std::vector<T> apack, bpack;
  apack.resize(static_cast<std::size_t>(rtiles) * MR * KC);
  bpack.resize(static_cast<std::size_t>(ctiles) * NR * KC);
  for (int k0 = 0; k0 < K; k0 += KC) {
    int const kc = std::min(KC, K - k0);
    bool const fresh = k0 == 0;
    for (int t = 0; t < rtiles; ++t) {
      T* ap = apack.data() + static_cast<std::size_t>(t) * MR * kc;
      for (int r = 0; r < MR; ++r) {
        int const i = t * MR + r;
        if (i < rows) {
          const T* src = a + i * lda + k0;
          for (int k = 0; k < kc; ++k) ap[k * MR + r] = src[k];
        } else {
          for (int k = 0; k < kc; ++k) ap[k * MR + r] = T();
        }
      }
    }
    for (int t = 0; t < ctiles; ++t) {
      T* bp = bpack.data() + static_cast<std::size_t>(t) * NR * kc;
      int const j0 = t * NR, w = std::min(NR, cols - j0);
      for (int k = 0; k < kc; ++k) {
        const T* src = b + (k0 + k) * ldb + j0;
        std::copy(src, src + w, bp + k * NR);
        std::fill(bp + k * NR + w, bp + (k + 1) * NR, T());
      }
    }
    for (int tj = 0; tj < ctiles; ++tj) {
      const T* bp = bpack.data() + static_cast<std::size_t>(tj) * NR * kc;
      int const j0 = tj * NR, w = std::min(NR, cols - j0);
      for (int ti = 0; ti < rtiles; ++ti) {
        const T* ap = apack.data() + static_cast<std::size_t>(ti) * MR * kc;
        int const i0 = ti * MR, h = std::min(MR, rows - i0);
        T* ct = c + i0 * ldc + j0;
        if (h == MR && w == NR) {
          tile(kc, ap, bp, ct, ldc, fresh);
        } else {
          T buf[MR * NR] = {};
          if (!fresh)
            for (int r = 0; r < h; ++r) std::copy(ct + r * ldc, ct + r * ldc + w, buf + r * NR);
          tile(kc, ap, bp, buf, NR, fresh);
          for (int r = 0; r < h; ++r) std::copy(buf + r * NR, buf + r * NR + w, ct + r * ldc);
        }
      }
    }
  }
}

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

}  // namespace kern

#endif
