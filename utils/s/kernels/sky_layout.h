// Raw storage of the profile matrices as the kernels see it: where the
// entries of a line sit in the element store, and the scalar helpers the
// kernels share over the element types.
#ifndef KERNELS_SKY_LAYOUT_H
#define KERNELS_SKY_LAYOUT_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>

namespace sky {

template <class T>
inline T tsqrt(T x) {
  return std::sqrt(x);
}
template <>
inline int tsqrt<int>(int x) {
  return static_cast<int>(std::sqrt(static_cast<double>(x)));
}

// Conjugation of the Hermitian kernels, and its absence for the others.
struct same {
  template <class T>
  T operator()(T x) const {
    return x;
  }
};
struct conjugate {
  std::complex<double> operator()(std::complex<double> x) const { return std::conj(x); }
};

// Raw kernels. q is the cumulative profile (q[0] = 0), e the element store
// from position 1, vectors are indexed from their first element. Each sum
// keeps the element-by-element order of the algorithm it implements.

// The extreme pivot magnitudes of a Gauss factorization, the pivot of line
// 1 setting both.
inline void note_pivot(int i, double piv, double& maxpiv, double& minpiv) {
  if (i == 1) {
    maxpiv = minpiv = piv;
  } else {
    if (piv > maxpiv) maxpiv = piv;
    if (piv < minpiv) minpiv = piv;
  }
}

// The first column of each line of a group of R lanes from line i0, nr of
// them present (INT_MAX for the absent lanes); returns the group's first
// column.
template <int R, class Line>
int group_firsts(Line L, int i0, int nr, int* pc) {
  int jmin = i0;
  for (int r = 0; r < R; ++r) {
    pc[r] = r < nr ? L.first(i0 + r) : INT_MAX;
    jmin = std::min(jmin, pc[r]);
  }
  return jmin;
}

// General layout of line i: row part e[q[i-1]..], column part right after,
// diagonal at e[q[i]-1]; both parts start at index i - m(i).
struct gen_line {
  int const* q;
  int half(int i) const { return (q[i] - q[i - 1] - 1) / 2; }
  int first(int i) const { return i - half(i); }
  int row(int i) const { return q[i - 1]; }            // offset of a(i, first(i))
  int col(int i) const { return q[i - 1] + half(i); }  // offset of a(first(i), i)
  int diag(int i) const { return q[i] - 1; }
};

// Symmetric layout: row i from column i - d(i) + 1 to the diagonal.
struct sym_line {
  int const* q;
  int first(int i) const { return i - (q[i] - q[i - 1]) + 1; }
  int row(int i) const { return q[i - 1]; }
  int diag(int i) const { return q[i] - 1; }
};

}  // namespace sky

#endif
