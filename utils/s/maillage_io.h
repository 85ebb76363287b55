// Internals shared by the mesh sources: fatal messages, checked binary
// input, buffered output, and unchecked access to mesh storage after one
// check at entry.
#ifndef MAILLAGE_IO_H
#define MAILLAGE_IO_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "fatal.h"
#include "fichier_sur.h"
#include "maillage.h"

namespace mesh_io {

[[noreturn]] void open_failed(char const* fname, int err, int status);
// Every reader complaint starts the same way; the caller adds the detail
// (pieces as for fatal()).
template <class... P>
[[noreturn]] void format_error(char const* fname, P const&... detail) {
  fatal(1, "Erreur de format dans la lecture de ", fname, detail...);
}
// A writer's refusal of what it was given: "Ecriture de <fname> impossible: "
// and the detail.
template <class... P>
[[noreturn]] void write_refused(char const* fname, P const&... detail) {
  fatal(1, "Ecriture de ", fname, " impossible: ", detail...);
}
[[noreturn]] void truncated(char const* fname);
[[noreturn]] void write_failed(char const* fname, int err);
// "Maillage invalide: sommet v de l'element e hors de 1..npt"
[[noreturn]] void bad_vertex(int e, int v, int npt);
// A reader's refusal of element e naming vertex v outside 1..npt.
[[noreturn]] void vertex_outside(char const* fname, long long e, int v, int npt);
// Ends the run through vertex_outside() at the first vertex number outside
// 1..npt among the ne rows of te numbers stored from `first`.
void check_element_vertices(char const* fname, int const* first, long long ne, int te, int npt);

inline int swapped(int v) {
  std::uint32_t u;
  std::memcpy(&u, &v, 4);
  u = __builtin_bswap32(u);
  std::memcpy(&v, &u, 4);
  return v;
}

// Buffered input that knows how many bytes the file still holds, so that
// counts are checked before anything is allocated and a file ending inside
// a record is reported instead of leaving stale values. Owns the stream.
class bin_in {
 public:
  bin_in(FILE* fp, char const* name, long long size)
      : fp_(fp), name_(name), left_(size), buf_(new unsigned char[cap_]) {}
  ~bin_in() { std::fclose(fp_); }
  bin_in(bin_in const&) = delete;
  bin_in& operator=(bin_in const&) = delete;

  long long remaining() const { return left_ + static_cast<long long>(len_ - pos_); }

  void read(void* dst, std::size_t n) {
    if (len_ - pos_ >= n) {
      std::memcpy(dst, buf_.get() + pos_, n);
      pos_ += n;
      return;
    }
    read_slow(static_cast<unsigned char*>(dst), n);
  }

  // A 32-bit value, converted when the file has the other byte order.
  int word() {
    int v;
    read(&v, 4);
    return swap ? swapped(v) : v;
  }

  void skip(long long n) {
    if (n < 0 || n > remaining()) truncated(name_);
    long long inbuf = static_cast<long long>(len_ - pos_);
    if (n <= inbuf) {
      pos_ += static_cast<std::size_t>(n);
      return;
    }
    n -= inbuf;
    pos_ = len_ = 0;
    if (std::fseek(fp_, static_cast<long>(n), SEEK_CUR) != 0) truncated(name_);
    left_ -= n;
  }

  // Record-length rule of the mesh viewer files: e payload bytes were
  // taken, l is the leading word.
  void end_record(int e, int l);

  char const* name() const { return name_; }

  bool swap = false;

 private:
  void read_slow(unsigned char* d, std::size_t n) {
    while (n != 0) {
      if (pos_ == len_) fill();
      std::size_t k = std::min(n, len_ - pos_);
      std::memcpy(d, buf_.get() + pos_, k);
      pos_ += k;
      d += k;
      n -= k;
    }
  }

  void fill() {
    if (left_ <= 0) truncated(name_);
    std::size_t want = static_cast<std::size_t>(std::min<long long>(left_, cap_));
    std::size_t got = std::fread(buf_.get(), 1, want, fp_);
    if (got == 0) truncated(name_);
    pos_ = 0;
    len_ = got;
    left_ = got < want ? 0 : left_ - static_cast<long long>(got);
  }

  static constexpr std::size_t cap_ = 1 << 20;
  FILE* fp_;
  char const* name_;
  long long left_;  // bytes of the file not yet in the buffer
  std::unique_ptr<unsigned char[]> buf_;
  std::size_t pos_ = 0, len_ = 0;
};

// Output file packed into one large buffer: one write per megabyte, not per
// number. Open and write failures end the run (209) naming the file. The
// new file replaces the old one only once closed (fichier_sur.h); a file
// not closed is abandoned and the old one stays.
class out_file {
 public:
  explicit out_file(char const* fname);
  ~out_file();
  out_file(out_file const&) = delete;
  out_file& operator=(out_file const&) = delete;

  // Room for n bytes at the returned place (the buffer grows for a larger
  // n); advance(k) keeps the first k of them.
  char* room(std::size_t n) {
    if (cap_ - len_ < n) make_room(n);
    return buf_.get() + len_;
  }
  void advance(std::size_t k) { len_ += k; }

  void text(char const* s);
  void text(std::string const& s) { bytes(s.data(), s.size()); }
  // Large blocks go straight from the caller's storage.
  void bytes(void const* p, std::size_t n);
  // Flushes and closes; failures are fatal.
  void close();

 protected:
  void flush();
  // Empties the buffer and makes it hold at least n bytes.
  void make_room(std::size_t n);

  std::size_t cap_ = 1 << 20;
  std::unique_ptr<char[]> buf_;
  std::size_t len_ = 0;

 private:
  [[noreturn]] void fail();

  fichier_sur dest_;
  FILE* fp_;
  char const* name_;
};

// Opens fname for binary reading as a regular file; open failures end the
// run with `status`.
FILE* open_regular(char const* fname, int status, long long& size);

// Rows 1..n and columns 1..m of a matrix, read without checks. Built only
// after a checked access to (1, 1) and to the last row and column, so the
// run ends with the matrix's own message when the matrix does not start at
// row and column 1 (or below).
template <class T>
struct rows_from_1 {
  T* p = nullptr;
  long long stride = 0;
  T& operator()(int i, int j) const {
    return p[(static_cast<long long>(i) - 1) * stride + (j - 1)];
  }
  T* row(int i) const { return p + (static_cast<long long>(i) - 1) * stride; }
};

template <class T>
rows_from_1<T> checked_rows(gmatrix<T> const& a, int n, int m) {
  rows_from_1<T> r;
  if (n < 1 || m < 1) return r;
  (void)a(1, 1);
  (void)a(n, m);
  r.stride = static_cast<long long>(a.jmax()) - a.jmin() + 1;
  r.p = a.debut() + (1LL - a.imin()) * r.stride + (1 - a.jmin());
  return r;
}

// Entries 1..n of a vector, read without checks after two checked reads.
template <class T>
T* checked_from_1(gcolect<T> const& v, int n) {
  if (n < 1) return nullptr;
  (void)v[1];
  (void)v[n];
  return v.debut() + (1 - v.imin());
}

}  // namespace mesh_io

#endif
