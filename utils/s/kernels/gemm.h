// Dense products that keep every sum's order: a register tile of MR x NR
// sums, packed panels, and the blocked product C (+)= A B built on them.
#ifndef KERNELS_GEMM_H
#define KERNELS_GEMM_H

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

#include "lanes.h"

namespace kern {

// A register tile is MR rows by two vectors: 12 accumulators, two B
// vectors, a broadcast and a product fill the 16 AVX registers. With
// separate multiply and add units this shape keeps both busy; 4 rows
// reach about two thirds of the speed.
constexpr int MR = 6;
// Depth of a slice of the product: a packed B panel of KC x NR stays in L1
// while the packed A rows (up to a block of rows x KC) come from L2.
constexpr int KC = 256;

// C (MR x NR, row stride ldc) (+)= Ap Bp over kc steps, in ascending k, from
// packed panels: Ap holds a[k * MR + r], Bp holds b[k * NR + j]. `fresh`
// starts the sums at zero, else continues those in C.
template <class T>
inline void tile(int kc, const T* ap, const T* bp, T* c, long ldc, bool fresh) {
  typedef simd<T> S;
  typedef typename S::v v;
  constexpr int W = S::width;
  v c0[MR], c1[MR];
#pragma GCC unroll 6
  for (int r = 0; r < MR; ++r) {
    if (fresh) {
      c0[r] = c1[r] = v{};
    } else {
      c0[r] = S::load(c + r * ldc);
      c1[r] = S::load(c + r * ldc + W);
    }
  }
  for (int k = 0; k < kc; ++k, ap += MR, bp += 2 * W) {
    v const b0 = S::load(bp), b1 = S::load(bp + W);
#pragma GCC unroll 6
    for (int r = 0; r < MR; ++r) {
      v const x = S::splat(ap[r]);
      c0[r] = x * b0 + c0[r];
      c1[r] = x * b1 + c1[r];
    }
  }
#pragma GCC unroll 6
  for (int r = 0; r < MR; ++r) {
    S::store(c + r * ldc, c0[r]);
    S::store(c + r * ldc + W, c1[r]);
  }
}

// ap[k * MR + r] = a(r, k) for k < kc, r < MR: h rows of A interleaved,
// zero past h.
template <class T>
inline void pack_rows(int h, int kc, const T* a, long lda, T* ap) {
  int k = 0;
  if constexpr (std::is_same<T, double>::value) {
    // Whole tiles by 4 x 4 transposes: rows 0-3 give the first four
    // entries of each k, rows 4-5 the last two.
    typedef simd<T> S;
    typedef typename S::v v;
    static_assert(MR == 6 && S::width == 4, "tile shape");
    if (h == MR)
      for (; k + 4 <= kc; k += 4) {
        v const r0 = S::load(a + k), r1 = S::load(a + lda + k);
        v const r2 = S::load(a + 2 * lda + k), r3 = S::load(a + 3 * lda + k);
        v const r4 = S::load(a + 4 * lda + k), r5 = S::load(a + 5 * lda + k);
        v const t0 = shuffle<0, 4, 2, 6>(r0, r1);  // k0 k0 k2 k2
        v const t1 = shuffle<1, 5, 3, 7>(r0, r1);  // k1 k1 k3 k3
        v const t2 = shuffle<0, 4, 2, 6>(r2, r3);
        v const t3 = shuffle<1, 5, 3, 7>(r2, r3);
        v const t4 = shuffle<0, 4, 2, 6>(r4, r5);
        v const t5 = shuffle<1, 5, 3, 7>(r4, r5);
        T* p = ap + k * MR;
        S::store(p, shuffle<0, 1, 4, 5>(t0, t2));
        std::memcpy(p + 4, &t4, 2 * sizeof(T));
        S::store(p + MR, shuffle<0, 1, 4, 5>(t1, t3));
        std::memcpy(p + MR + 4, &t5, 2 * sizeof(T));
        v const u4 = shuffle<2, 3, 6, 7>(t4, t5);  // k2 k2 k3 k3
        S::store(p + 2 * MR, shuffle<2, 3, 6, 7>(t0, t2));
        std::memcpy(p + 2 * MR + 4, &u4, 2 * sizeof(T));
        S::store(p + 3 * MR, shuffle<2, 3, 6, 7>(t1, t3));
        std::memcpy(p + 3 * MR + 4, reinterpret_cast<const T*>(&u4) + 2, 2 * sizeof(T));
      }
  }
  for (int r = 0; r < MR; ++r)
    for (int kk = k; kk < kc; ++kk) ap[kk * MR + r] = r < h ? a[r * lda + kk] : T();
}

// C (rows x cols) (+)= A (rows x K) B (K x cols): with `fresh` every entry
// is summed from zero, else the sums already in C continue; either way in
// ascending k. The k range is cut into slices; per slice the rows of A are
// packed once (zero-padded to whole tiles), then each NR-wide strip of B is
// packed just before the row tiles use it, so that it sits in L1. Partial
// sums wait in C between slices. Padded lanes are computed, never stored.
template <class T>
void gemm_ordered(int rows, int cols, int K, const T* a, long lda, const T* b, long ldb, T* c,
                  long ldc, bool fresh = true) {
  constexpr int NR = 2 * simd<T>::width;
  if (rows <= 0 || cols <= 0) return;
  if (K <= 0) {
    if (fresh)
      for (int i = 0; i < rows; ++i) std::fill(c + i * ldc, c + i * ldc + cols, T());
    return;
  }
  int const rtiles = (rows + MR - 1) / MR, ctiles = (cols + NR - 1) / NR;
  static thread_local std::vector<T> apack, bpack;
  apack.resize(static_cast<std::size_t>(rtiles) * MR * KC);
  bpack.resize(static_cast<std::size_t>(NR) * KC);
  T* const bp = bpack.data();
  for (int k0 = 0; k0 < K; k0 += KC) {
    int const kc = std::min(KC, K - k0);
    bool const first = fresh && k0 == 0;
    for (int t = 0; t < rtiles; ++t)
      pack_rows(std::min(MR, rows - t * MR), kc, a + t * MR * lda + k0, lda,
                apack.data() + static_cast<std::size_t>(t) * MR * kc);
    for (int tj = 0; tj < ctiles; ++tj) {
      int const j0 = tj * NR, w = std::min(NR, cols - j0);
      const T* src = b + k0 * ldb + j0;
      if (w == NR) {
        for (int k = 0; k < kc; ++k, src += ldb) std::memcpy(bp + k * NR, src, sizeof(T) * NR);
      } else {
        for (int k = 0; k < kc; ++k, src += ldb) {
          std::copy(src, src + w, bp + k * NR);
          std::fill(bp + k * NR + w, bp + (k + 1) * NR, T());
        }
      }
      // While the tiles run, bring the next strip's rows towards L2 a few
      // at a time (rows of B are far apart, no hardware stream follows them).
      const T* next = b + k0 * ldb + j0 + NR;
      int const ahead = tj + 1 < ctiles ? (kc + rtiles - 1) / rtiles : 0;
      for (int ti = 0; ti < rtiles; ++ti) {
        for (int k = ti * ahead, e = std::min(kc, k + ahead); k < e; ++k)
          __builtin_prefetch(next + k * ldb, 0, 2),
              __builtin_prefetch(next + k * ldb + NR - 1, 0, 2);
        const T* ap = apack.data() + static_cast<std::size_t>(ti) * MR * kc;
        int const i0 = ti * MR, h = std::min(MR, rows - i0);
        T* ct = c + i0 * ldc + j0;
        // The sums of the next tile down come from L3 meanwhile.
        if (!first && i0 + MR + MR <= rows)
          for (int r = MR; r < 2 * MR; ++r) {
            __builtin_prefetch(ct + r * ldc, 1, 3);
            __builtin_prefetch(ct + r * ldc + NR - 1, 1, 3);
          }
        if (h == MR && w == NR) {
          tile(kc, ap, bp, ct, ldc, first);
        } else {
          T buf[MR * NR] = {};
          if (!first)
            for (int r = 0; r < h; ++r) std::copy(ct + r * ldc, ct + r * ldc + w, buf + r * NR);
          tile(kc, ap, bp, buf, NR, first);
          for (int r = 0; r < h; ++r) std::copy(buf + r * NR, buf + r * NR + w, ct + r * ldc);
        }
      }
    }
  }
}

}  // namespace kern

#endif
