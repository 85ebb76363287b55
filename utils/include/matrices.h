// Dense matrices over arbitrary row and column index ranges, row-major,
// with Gauss factorization (no pivoting) and triangular solves. The Gauss
// factorization of float and double runs on utils_threads() threads
// (threads.h) from 256 rows, with the same bits on any number.
#ifndef MATRICES_H
#define MATRICES_H

#include <complex>
#include <cstdio>

#include "ptypes.h"
#include "vecteurs.h"

// State of the stored values, shared with the profile matrices.
enum st { normal = 0, factors_choleski = 1, factors_crout = 2, factors_gauss = 3, erreur = 4 };

template <class T>
class skyhrectmatrix;
template <class T>
class skyvrectmatrix;

template <class T>
class gmatrix {
 public:
  gmatrix();                                // empty: rows 0..-1, columns 0..-1
  gmatrix(int ri, int rj, int ci, int cj);  // values not set
  gmatrix(gmatrix const& a);                // copy; status normal
  gmatrix(gmatrix&& a) noexcept;            // steals the block; status normal
  virtual ~gmatrix();

  gmatrix& operator=(gmatrix a);  // takes a's bounds and values; status normal
  gmatrix& operator=(T a);        // every element a; status normal

  void resize(int ri, int rj, int ci, int cj);  // old values dropped
  void grow(int ri, int rj, int ci, int cj);    // common rectangle kept
  virtual bool empty() const;                   // no rows or no columns

  int imin() const { return nrl; }
  int imax() const { return nrh; }
  int jmin() const { return ncl; }
  int jmax() const { return nch; }
  st state() const { return status; }

  T& operator()(int i, int j) const;  // bound-checked
  T* debut() const { return elem; }
  T* debut_ligne(int i) const {  // unchecked
    return elem + static_cast<long long>(i - nrl) * (nch - ncl + 1);
  }
  // Heap vectors handed to the caller, who deletes them. s_ligne is a view
  // of row i and must be deleted before the matrix storage goes.
  gvector<T>& s_ligne(int i);
  gvector<T>& ligne(int i) const;
  gvector<T>& colonne(int j) const;

  gmatrix operator+(gmatrix const& a) const;  // same shape; this matrix's bounds
  gmatrix operator-(gmatrix const& a) const;
  gmatrix operator-() const;
  gmatrix operator*(T a) const;
  gmatrix operator/(T a) const;
  gmatrix operator*(gmatrix const& b) const;  // b's rows = this matrix's columns
  gvector<T> operator*(gvector<T> const& b) const;
  void operator+=(gmatrix const& a);
  void operator-=(gmatrix const& a);
  void operator*=(gmatrix const& a);  // element-wise
  void operator/=(gmatrix const& a);  // element-wise
  void operator+=(T a);
  void operator-=(T a);
  void operator*=(T a);
  void operator/=(T a);

  // A = L U in place, L of unit diagonal. 0 on success, the row of a zero
  // pivot, or -1 for a non-square matrix.
  int gauss();
  void solve(gvector<T> const& b, gvector<T>& x) const;             // A x = b; x is not b
  virtual void solveUxb(gvector<T> const& b, gvector<T>& x) const;  // x may be b
  virtual void solvexUb(gvector<T> const& b, gvector<T>& x) const;  // x U = b
  virtual void solveLxb(gvector<T> const& b, gvector<T>& x) const;
  virtual void solveXUC(gmatrix const& B, gmatrix& X) const;  // X U = B
  virtual void solveLXC(gmatrix const& B, gmatrix& X) const;  // L X = B
  // X U = B and L X = B on profile blocks, keeping B's profile (profil.h).
  virtual void solveXUC(skyhrectmatrix<T> const& B, skyhrectmatrix<T>& X) const;
  virtual void solveLXC(skyvrectmatrix<T> const& B, skyvrectmatrix<T>& X) const;

  // Text, raw and record-framed files: by name (".gz" compresses), on an
  // open FILE*, on an open compressed stream (gzFile as void*).
  void a_save(char const* fname) const;
  void a_save(FILE* fp) const;
  void a_save(void* zfp) const;
  void a_dump(char const* fname) const;
  void a_dump(FILE* fp) const;
  void a_dump(void* zfp) const;
  void b_save(char const* fname) const;
  void b_save(FILE* fp) const;
  void b_save(void* zfp) const;
  void f_save(char const* fname) const;
  void f_save(FILE* fp) const;
  void f_save(void* zfp) const;
  void a_load(char const* fname);
  void a_load(FILE* fp);
  void a_load(void* zfp);
  void b_load(char const* fname);
  void b_load(FILE* fp);
  void b_load(void* zfp);
  void f_load(char const* fname);
  void f_load(FILE* fp);
  void f_load(void* zfp);

 protected:
  int nrl;
  int nrh;
  int ncl;
  int nch;
  st status;
  T* elem;

  long long count() const { return static_cast<long long>(nrh - nrl + 1) * (nch - ncl + 1); }
  void allocate(int ri, int rj, int ci, int cj);
  void release();
  void same_shape(gmatrix const& a, char const* message) const;
  int gauss_checked();
  [[noreturn]] void solve_size_error(char const* what, int lo, int hi) const;

 private:
  virtual int add(int i, int j) const;  // unchecked position of (i, j)
};

// Largest row (column) sum of magnitudes; warns and gives 0 unless normal.
template <class T>
double norm_inf(gmatrix<T> const& a);
template <class T>
double norm_1(gmatrix<T> const& a);

#define MATRICES_EXTERN(T)                            \
  extern template class gmatrix<T>;                   \
  extern template double norm_inf(gmatrix<T> const&); \
  extern template double norm_1(gmatrix<T> const&);
FOR_EACH_SCALAR(MATRICES_EXTERN)
#undef MATRICES_EXTERN

#endif
