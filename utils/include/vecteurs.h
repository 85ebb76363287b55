// Indexed collections over an arbitrary index range, numeric vectors and
// ordered vectors.
#ifndef VECTEURS_H
#define VECTEURS_H

#include <complex>
#include <cstdio>

#include "ptypes.h"
#include "runstat.h"

template <class T>
class gmatrix;

// Contiguous elements indexed nl..nh. Either owns its storage or is a view
// (sub_flag = 1) into another collection's storage; a view owns nothing and
// must not outlive its owner.
template <class T>
class gcolect {
 public:
  gcolect();                      // empty: nl = 0, nh = -1, no storage
  gcolect(int i, int j);          // owning, i..j, values not initialised
  gcolect(const gcolect& a);      // owning copy, also of a view
  gcolect(gcolect&& a) noexcept;  // steals an owner's storage; copies a view
  virtual ~gcolect();

  gcolect& operator=(const gcolect& a);  // other bounds: reallocate; then copy
  gcolect& operator=(gcolect&& a);
  gcolect& operator=(T a);  // fills nl..nh (writes through a view)

  T& operator[](int i) const;  // bound-checked
  int empty() const;           // nl == 0 && nh == -1

  // sb becomes a view of elements i..j of this collection, indexed from start.
  // The caller guarantees i..j lies inside nl..nh.
  void sub(gcolect& sb, int i, int j, int start) const;

  T* debut() const { return elem; }  // unchecked storage, element nl first
  int imin() const { return nl; }
  int imax() const { return nh; }

  void resize(int i, int j);   // new storage, old values dropped
  void grow(int i, int j);     // new storage, common indices kept
  void pair(T a, T b);         // 1..2 = (a, b)
  void triple(T a, T b, T c);  // 1..3 = (a, b, c)

  // Text, raw binary and record-framed files: by name (".gz" compresses),
  // on an open FILE*, on an open compressed stream (gzFile as void*).
  void a_save(char const* fname) const;
  void a_save(FILE* fp) const;
  void a_save(void* zfp) const;
  void a_dump(char const* fname) const;  // always plain: the full text form
  void a_dump(FILE* fp) const;           // one line, no header
  void a_dump(void* zfp) const;          // one line, no header, tostr forms
  void a_load(char const* fname);
  void a_load(FILE* fp);
  void a_load(void* zfp);
  void b_save(char const* fname) const;
  void b_save(FILE* fp) const;
  void b_save(void* zfp) const;
  void b_load(char const* fname);
  void b_load(FILE* fp);
  void b_load(void* zfp);
  void f_save(char const* fname) const;
  void f_save(FILE* fp) const;
  void f_save(void* zfp) const;
  void f_load(char const* fname);
  void f_load(FILE* fp);
  void f_load(void* zfp);

 protected:
  int nl;
  int nh;
  int sub_flag;
  T* elem;

  void release();
  void allocate(int i, int j);  // sets nl, nh, sub_flag = 0 and new storage
  template <class U>
  friend class gmatrix;
};

// Numeric vector: element-wise arithmetic pairing elements by position.
template <class T>
class gvector : public gcolect<T> {
 public:
  gvector() = default;
  gvector(int i, int j) : gcolect<T>(i, j) {}
  gvector(const gcolect<T>& a) : gcolect<T>(a) {}
  gvector(const gvector& a) : gcolect<T>(a) {}
  gvector(gvector&& a) noexcept : gcolect<T>(static_cast<gcolect<T>&&>(a)) {}
  gvector(gcolect<T>&& a) noexcept : gcolect<T>(static_cast<gcolect<T>&&>(a)) {}
  ~gvector() override = default;

  gvector& operator=(const gvector& a) {
    gcolect<T>::operator=(a);
    return *this;
  }
  gvector& operator=(gvector&& a) {
    gcolect<T>::operator=(static_cast<gcolect<T>&&>(a));
    return *this;
  }
  gvector& operator=(T a) {
    gcolect<T>::operator=(a);
    return *this;
  }

  virtual gvector operator+(const gvector& a) const;  // counts must agree
  virtual gvector operator-(const gvector& a) const;
  virtual gvector operator-() const;
  virtual gvector operator*(T a) const;
  virtual gvector operator/(T a) const;
  virtual void operator+=(const gvector& a);
  virtual void operator+=(T a);
  virtual void operator-=(const gvector& a);
  virtual void operator-=(T a);
  virtual void operator*=(const gvector& a);  // element-wise
  virtual void operator*=(T a);
  virtual void operator/=(const gvector& a);  // element-wise
  virtual void operator/=(T a);
  virtual T operator|(const gvector& a) const;     // sum of x_k a_k, no conjugation
  virtual int operator==(const gvector& a) const;  // exact, by position
  virtual int operator!=(const gvector& a) const;
};

// Ordered vector: lexicographic comparisons by position; a prefix ranks equal.
template <class T>
class ovector : public gvector<T> {
 public:
  ovector() = default;
  ovector(int i, int j) : gvector<T>(i, j) {}
  ovector(const gvector<T>& a) : gvector<T>(a) {}
  ovector(const gcolect<T>& a) : gvector<T>(a) {}
  ovector(const ovector& a) : gvector<T>(a) {}
  ovector(ovector&& a) noexcept : gvector<T>(static_cast<gvector<T>&&>(a)) {}
  ~ovector() override = default;

  ovector& operator=(const ovector& a) {
    gcolect<T>::operator=(a);
    return *this;
  }
  ovector& operator=(ovector&& a) {
    gcolect<T>::operator=(static_cast<gcolect<T>&&>(a));
    return *this;
  }
  ovector& operator=(T a) {
    gcolect<T>::operator=(a);
    return *this;
  }

  virtual int operator<(const ovector& a) const;
  virtual int operator<=(const ovector& a) const;
  virtual int operator>(const ovector& a) const;
  virtual int operator>=(const ovector& a) const;
};

// Sum of magnitudes; largest magnitude (0 for no element).
template <class T>
double norm_1(const gvector<T>& a);
template <class T>
double norm_inf(const gvector<T>& a);

typedef gvector<float> vector;
typedef gvector<int> ivector;
typedef gvector<double> dvector;
typedef gvector<std::complex<double>> cvector;
typedef ovector<int> iovector;
typedef ovector<float> fovector;
typedef ovector<double> dovector;

#define VECTEURS_EXTERN(T)                          \
  extern template class gcolect<T>;                 \
  extern template class gvector<T>;                 \
  extern template double norm_1(const gvector<T>&); \
  extern template double norm_inf(const gvector<T>&);
FOR_EACH_SCALAR(VECTEURS_EXTERN)
#undef VECTEURS_EXTERN
#define OVECTOR_EXTERN(T) extern template class ovector<T>;
FOR_EACH_REAL(OVECTOR_EXTERN)
#undef OVECTOR_EXTERN

#endif
