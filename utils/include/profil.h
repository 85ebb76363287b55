// Profile (skyline) matrices: general, symmetric, Hermitian and rectangular,
// with their in-place factorizations and solves. The factorizations (float
// and double) and the solves run on utils_threads() threads (threads.h)
// when the profile is large enough, with the same bits on any number.
#ifndef PROFIL_H
#define PROFIL_H

#include <complex>
#include <cstdio>

#include "matrices.h"
#include "ptypes.h"
#include "vecteurs.h"

template <class T>
class skysmatrix;
template <class T>
class skyhrectmatrix;
template <class T>
class skyvrectmatrix;

// Square matrix whose line i stores m(i) entries left of the diagonal in row
// i and m(i) entries above it in column i. profil runs over 0..n with
// profil[0] = 0; line i owns positions profil[i-1]+1..profil[i] of elem
// (1-based): the row part, then the column part, the diagonal last, so
// d(i) = profil[i] - profil[i-1] = 2 m(i) + 1.
// A malformed profile (profil not from 0, profil[0] != 0, decreasing, even
// d(i), a first column below 1) stops the run in the constructors, resize
// and assignment.
template <class T>
class skygmatrix {
 protected:
  // Position in elem of a(i, j); fatal outside the matrix or the profile.
  virtual int add(int i, int j) const;
  virtual int pcnn(int i) const;  // first stored column of row i
  virtual int plnn(int j) const;  // first stored row of column j

 public:
  skygmatrix();                         // no lines: profil = (0)
  explicit skygmatrix(gvector<int> p);  // values not set; status normal
  skygmatrix(skygmatrix const& a);      // status normal, rap_piv not copied
  virtual ~skygmatrix();

  virtual T& operator()(int i, int j) const;      // stored entry, fatal outside the profile
  virtual T operator()(int, int i, int j) const;  // value, 0 outside the profile
  // y := A x; x must span imin()..imax()
  virtual gvector<T> operator*(gvector<T> const& x) const;
  virtual int empty() const;    // no lines
  virtual double cond() const;  // largest / smallest pivot of the factors, else 0
  // Files: a save exports the dense matrix, a dump the storage (profile and
  // stored entries), the only form the loads read back. File name (".gz":
  // compressed), open FILE* or open gzFile; streams are not closed.
  virtual void a_save(char const* fname) const;
  virtual void a_save(FILE* fp) const;
  virtual void a_save(void* zfp) const;
  virtual void a_dump(char const* fname) const;
  virtual void a_dump(FILE* fp) const;
  virtual void a_dump(void* zfp) const;
  virtual void a_load(char const* fname);
  virtual void a_load(FILE* fp);
  virtual void a_load(void* zfp);
  virtual void b_save(char const* fname) const;
  virtual void b_save(FILE* fp) const;
  virtual void b_save(void* zfp) const;
  virtual void b_dump(char const* fname) const;
  virtual void b_dump(FILE* fp) const;
  virtual void b_dump(void* zfp) const;
  virtual void b_load(char const* fname);
  virtual void b_load(FILE* fp);
  virtual void b_load(void* zfp);
  virtual void f_save(char const* fname) const;
  virtual void f_save(FILE* fp) const;
  virtual void f_save(void* zfp) const;
  virtual void f_dump(char const* fname) const;
  virtual void f_dump(FILE* fp) const;
  virtual void f_dump(void* zfp) const;
  virtual void f_load(char const* fname);
  virtual void f_load(FILE* fp);
  virtual void f_load(void* zfp);
  // Diagnostic plots: profile shape (1 inside, 0 outside) and magnitudes as
  // record-framed float grids; segments of the profile for a 2-D plotter
  // (y pointing down, offsets iof, jof); text sums of the full rows.
  virtual void c3d_profil(char const* fname) const;
  virtual void c3d_profil(FILE* fp) const;
  virtual void c3d_val(char const* fname) const;
  virtual void c3d_val(FILE* fp) const;
  virtual void gr_profil(char const* fname, int iof, int jof) const;
  virtual void gr_profil(FILE* fp, int iof, int jof) const;
  virtual void sum_lines(char const* fname) const;
  virtual void sum_lines(FILE* fp) const;

  // A = L U in place, L of unit diagonal; 0, or the line of a pivot of
  // magnitude at most the smallest normal double (status erreur).
  virtual int gauss();
  virtual void solve(gvector<T> const& b, gvector<T>& x) const;        // A x = b
  virtual void solve_gauss(gvector<T> const& b, gvector<T>& x) const;  // status not tested
  virtual void solveUxb(gvector<T> const& b, gvector<T>& x) const;
  virtual void solvexUb(gvector<T> const& b, gvector<T>& x) const;  // x U = b
  virtual void solveLxb(gvector<T> const& b, gvector<T>& x) const;
  virtual void solveXUC(gmatrix<T> const& B, gmatrix<T>& X) const;  // X U = B
  virtual void solveLXC(gmatrix<T> const& B, gmatrix<T>& X) const;  // L X = B
  // X U = B, L X = B keeping B's profile.
  virtual void solveXUC(skyhrectmatrix<T> const& B, skyhrectmatrix<T>& X) const;
  virtual void solveLXC(skyvrectmatrix<T> const& B, skyvrectmatrix<T>& X) const;

  void resize(gvector<int> p);  // new profile, elements 0, status normal
  // Copies profile and values unless both already agree; status normal.
  skygmatrix& operator=(skygmatrix const& a);
  skygmatrix& operator=(T v);  // every stored entry v; status normal

  int imin() const { return profil.imin() + 1; }
  int imax() const { return profil.imax(); }
  int size() const { return profil[profil.imax()]; }  // stored entries
  st state() const { return status; }
  gvector<int> const& profile() const { return profil; }
  gvector<T> const& values() const { return elem; }

 protected:
  st status;
  double rap_piv;
  gvector<int> profil;
  gvector<T> elem;

  enum layout { general_layout, symmetric_layout };
  skygmatrix(gvector<int>&& p, layout k);
  skygmatrix(skygmatrix const& a, layout k);
  layout kind() const;                           // storage layout of the dynamic class
  void set_profile(gvector<int>&& p, layout k);  // checks p, reallocates
  int gauss_lower_only();
  void solve_gauss_lower_only(gvector<T> const& b, gvector<T>& x) const;
  void assign(skygmatrix const& a);
  void refuse_if_factored() const;
  void require_gauss_factors() const;

  template <class U>
  friend class gmatrix;
};

// Symmetric profile matrix: line i stores row i from column i - d(i) + 1 to
// the diagonal; the upper triangle is not stored. Complex symmetric for
// complex<double> (no conjugation).
template <class T>
class skysmatrix : public skygmatrix<T> {
 protected:
  int add(int i, int j) const override;  // lower triangle only
  int pcnn(int i) const override;

 public:
  skysmatrix() = default;
  explicit skysmatrix(gvector<int> p)
      : skygmatrix<T>(static_cast<gvector<int>&&>(p), skygmatrix<T>::symmetric_layout) {}
  skysmatrix(skysmatrix const& a) : skygmatrix<T>(a, skygmatrix<T>::symmetric_layout) {}
  ~skysmatrix() override;

  T& operator()(int i, int j) const override;      // i >= j only
  T operator()(int, int i, int j) const override;  // full symmetric matrix
  gvector<T> operator*(gvector<T> const& x) const override;
  // Letter S; the saves write the lower triangle with the diagonal.
  void a_save(char const* fname) const override;
  void a_save(FILE* fp) const override;
  void a_save(void* zfp) const override;
  void a_dump(char const* fname) const override;
  void a_dump(FILE* fp) const override;
  void a_dump(void* zfp) const override;
  void a_load(char const* fname) override;
  void a_load(FILE* fp) override;
  void a_load(void* zfp) override;
  void b_save(char const* fname) const override;
  void b_save(FILE* fp) const override;
  void b_save(void* zfp) const override;
  void b_dump(char const* fname) const override;
  void b_dump(FILE* fp) const override;
  void b_dump(void* zfp) const override;
  void b_load(char const* fname) override;
  void b_load(FILE* fp) override;
  void b_load(void* zfp) override;
  void f_save(char const* fname) const override;
  void f_save(FILE* fp) const override;
  void f_save(void* zfp) const override;
  void f_dump(char const* fname) const override;
  void f_dump(FILE* fp) const override;
  void f_dump(void* zfp) const override;
  void f_load(char const* fname) override;
  void f_load(FILE* fp) override;
  void f_load(void* zfp) override;
  void gr_profil(char const* fname, int iof, int jof) const override;  // column runs only
  void gr_profil(FILE* fp, int iof, int jof) const override;
  // Dispatches on the factors held: choleski or crout.
  void solve(gvector<T> const& b, gvector<T>& x) const override;
  // Text save of the full n x n matrix.
  virtual void at_save(char const* fname) const;
  virtual void at_save(FILE* fp) const;
  virtual void at_save(void* zfp) const;

  virtual int choleski();  // A = L L^T in place; 0 or the failing line
  virtual int crout();     // A = L D L^T in place; 0 or the failing line
  virtual void solve_choleski(gvector<T> const& b, gvector<T>& x) const;
  virtual void solve_crout(gvector<T> const& b, gvector<T>& x) const;

  skysmatrix& operator=(skysmatrix const& a) {
    this->assign(a);
    return *this;
  }
  skysmatrix& operator=(T v) {
    skygmatrix<T>::operator=(v);
    return *this;
  }
};

// Hermitian profile matrix: the lower triangle of skysmatrix storage, the
// upper triangle its conjugate transpose.
class skyhmatrix : public skysmatrix<std::complex<double>> {
  typedef std::complex<double> C;

 public:
  skyhmatrix() = default;
  explicit skyhmatrix(gvector<int> p) : skysmatrix<C>(static_cast<gvector<int>&&>(p)) {}
  skyhmatrix(skyhmatrix const& a) : skysmatrix<C>(a) {}
  ~skyhmatrix() override;

  C& operator()(int i, int j) const override;      // i >= j only
  C operator()(int, int i, int j) const override;  // full Hermitian matrix
  gvector<C> operator*(gvector<C> const& x) const override;
  void solve(gvector<C> const& b, gvector<C>& x) const override;
  int choleski() override;  // A = L L^H
  int crout() override;     // A = L D L^H
  void solve_choleski(gvector<C> const& b, gvector<C>& x) const override;
  void solve_crout(gvector<C> const& b, gvector<C>& x) const override;

  skyhmatrix& operator=(skyhmatrix const& a) {
    this->assign(a);
    return *this;
  }
  skyhmatrix& operator=(C v) {
    skygmatrix<C>::operator=(v);
    return *this;
  }
};

// Largest row sum of magnitudes (both norms agree); warns and gives 0 unless
// the matrix is in state normal.
double norm_inf(skyhmatrix const& a);
double norm_1(skyhmatrix const& a);

// Rectangular profile matrix: run k (row k of an h-matrix, column k of a
// v-matrix) stores its last d(k) = profil[k] - profil[k-1] entries, indices
// N - d(k) + 1..N. N is the full dimension.
template <class T>
class skyrectmatrix {
 public:
  virtual int add(int i, int j) const = 0;  // fatal outside the matrix or profile
  virtual int dans_profil(int i, int j) const = 0;
  virtual ~skyrectmatrix();
  virtual T& operator()(int i, int j) const;      // stored entry
  virtual T operator()(int, int i, int j) const;  // value, 0 outside the profile
  virtual gvector<T> operator*(gvector<T> const& x) const = 0;
  virtual int empty() const;  // no run or no full dimension
  virtual int imin() const = 0;
  virtual int imax() const = 0;
  virtual int jmin() const = 0;
  virtual int jmax() const = 0;
  // Files as for the square matrices, letter R.
  virtual void a_save(char const* fname) const;
  virtual void a_save(FILE* fp) const;
  virtual void a_save(void* zfp) const;
  virtual void a_dump(char const* fname) const;
  virtual void a_dump(FILE* fp) const;
  virtual void a_dump(void* zfp) const;
  virtual void a_load(char const* fname);
  virtual void a_load(FILE* fp);
  virtual void a_load(void* zfp);
  virtual void b_save(char const* fname) const;
  virtual void b_save(FILE* fp) const;
  virtual void b_save(void* zfp) const;
  virtual void b_dump(char const* fname) const;
  virtual void b_dump(FILE* fp) const;
  virtual void b_dump(void* zfp) const;
  virtual void b_load(char const* fname);
  virtual void b_load(FILE* fp);
  virtual void b_load(void* zfp);
  virtual void f_save(char const* fname) const;
  virtual void f_save(FILE* fp) const;
  virtual void f_save(void* zfp) const;
  virtual void f_dump(char const* fname) const;
  virtual void f_dump(FILE* fp) const;
  virtual void f_dump(void* zfp) const;
  virtual void f_load(char const* fname);
  virtual void f_load(FILE* fp);
  virtual void f_load(void* zfp);

  // Diagnostic plots, as for the square matrices.
  void c3d_profil(char const* fname) const;
  void c3d_profil(FILE* fp) const;
  void c3d_val(char const* fname) const;
  void c3d_val(FILE* fp) const;
  void gr_profil(char const* fname, int iof, int jof) const;
  void gr_profil(FILE* fp, int iof, int jof) const;

  skyrectmatrix();  // no run: profil = (0), N = 0
  skyrectmatrix(skyrectmatrix const& a) = default;

  void resize(gvector<int> p, int n);  // elements 0
  // Copies profile, N and values unless they already agree.
  skyrectmatrix& operator=(skyrectmatrix const& a);
  skyrectmatrix& operator=(T v);  // every stored entry v
  int size() const { return profil[profil.imax()]; }
  int dim() const { return N; }
  gvector<int> const& profile() const { return profil; }
  gvector<T> const& values() const { return elem; }

 protected:
  int N;
  gvector<int> profil;
  gvector<T> elem;

  skyrectmatrix(gvector<int>&& p, int n);
  void set_profile(gvector<int>&& p, int n);
  int runs() const { return profil.imax(); }
  int first(int k) const { return N + profil.debut()[k - 1] - profil.debut()[k] + 1; }
  T* run(int k) const { return elem.debut() + profil.debut()[k - 1]; }

  template <class U>
  friend class skygmatrix;
  template <class U>
  friend class gmatrix;
  template <class U>
  friend class skyhrectmatrix;
};

// Row profile: row i stores columns pcnn(i)..N.
template <class T>
class skyhrectmatrix : public skyrectmatrix<T> {
 public:
  int add(int i, int j) const override;
  int dans_profil(int i, int j) const override;  // j >= pcnn(i)
  ~skyhrectmatrix() override;
  gvector<T> operator*(gvector<T> const& x) const override;  // x spans 1..N
  int imin() const override { return this->profil.imin() + 1; }
  int imax() const override { return this->profil.imax(); }
  int jmin() const override { return 1; }
  int jmax() const override { return this->N; }
  virtual skyhrectmatrix operator*(T s) const;  // same profile, entries times s

  skyhrectmatrix() = default;
  skyhrectmatrix(gvector<int> p, int n) : skyrectmatrix<T>(static_cast<gvector<int>&&>(p), n) {}
  skyhrectmatrix(skyhrectmatrix const& a) = default;
  skyhrectmatrix& operator=(skyhrectmatrix const& a) {
    skyrectmatrix<T>::operator=(a);
    return *this;
  }
  skyhrectmatrix& operator=(T v) {
    skyrectmatrix<T>::operator=(v);
    return *this;
  }

  int pcnn(int i) const;                                    // first stored column of row i
  gvector<T> ligne(int i) const;                            // stored run of row i, over pcnn(i)..N
  skyhrectmatrix operator+(skyhrectmatrix const& a) const;  // union of profiles
  // Dense product, rows of this matrix by columns of B.
  gmatrix<T> operator*(skyvrectmatrix<T> const& B) const;
};

// Column profile: column j stores rows plnn(j)..N.
template <class T>
class skyvrectmatrix : public skyrectmatrix<T> {
 public:
  int add(int i, int j) const override;
  int dans_profil(int i, int j) const override;  // i >= plnn(j)
  ~skyvrectmatrix() override;
  gvector<T> operator*(gvector<T> const& x) const override;  // x spans jmin()..jmax()
  int imin() const override { return 1; }
  int imax() const override { return this->N; }
  int jmin() const override { return this->profil.imin() + 1; }
  int jmax() const override { return this->profil.imax(); }
  virtual skyvrectmatrix operator*(T s) const;

  skyvrectmatrix() = default;
  skyvrectmatrix(gvector<int> p, int n) : skyrectmatrix<T>(static_cast<gvector<int>&&>(p), n) {}
  skyvrectmatrix(skyvrectmatrix const& a) = default;
  skyvrectmatrix& operator=(skyvrectmatrix const& a) {
    skyrectmatrix<T>::operator=(a);
    return *this;
  }
  skyvrectmatrix& operator=(T v) {
    skyrectmatrix<T>::operator=(v);
    return *this;
  }

  int plnn(int j) const;  // first stored row of column j
  skyvrectmatrix operator+(skyvrectmatrix const& a) const;
};

#define PROFIL_EXTERN(T)                   \
  extern template class skygmatrix<T>;     \
  extern template class skysmatrix<T>;     \
  extern template class skyrectmatrix<T>;  \
  extern template class skyhrectmatrix<T>; \
  extern template class skyvrectmatrix<T>;
FOR_EACH_SCALAR(PROFIL_EXTERN)
#undef PROFIL_EXTERN

#endif
