// Expected file contents for the profile-matrix file tests, built
// independently of the writers.
#ifndef PROFIL_IO_UTIL_H
#define PROFIL_IO_UTIL_H

#include <complex>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include "ptypes.h"
#include "test_util.h"

namespace pio_test {

template <class T>
char code() {
  return ptype(T());
}

// The file's bytes; for a compressed file (which must be one) the
// uncompressed bytes.
inline std::string contents(std::string const& name, int gz) {
  if (!gz) return read_file(name);
  std::string const r = read_file(name);
  EXPECT_TRUE(r.size() >= 2 && (unsigned char)r[0] == 0x1f && (unsigned char)r[1] == 0x8b) << name;
  return gunzip(name);
}

// One value per line: printf forms of aprint (plain) or tostr (compressed).
inline std::string text(int x, int) { return std::to_string(x) + " "; }
inline std::string text(double x, int gz) {
  char b[512];
  std::snprintf(b, sizeof b, gz ? "%lf " : "%20.10f ", x);
  return b;
}
inline std::string text(float x, int gz) { return text(double(x), gz); }
inline std::string text(std::complex<double> x, int gz) {
  return text(x.real(), gz) + text(x.imag(), gz);
}

template <class T>
std::string lines(std::initializer_list<T> v, int gz) {
  std::string s;
  for (T x : v) s += text(x, gz) + "\n";
  return s;
}

// A value as the text load gives it back.
template <class T>
T through_text(T x, int gz) {
  T y = T();
  if (gz) {
    char b[TOSTR_MAX];
    tostr(b, x);
    fromstr(b, y);
  } else {
    FILE* fp = std::tmpfile();
    aprint(fp, x);
    std::fputc('\n', fp);
    std::rewind(fp);
    ascan(fp, y);
    std::fclose(fp);
  }
  return y;
}

// Little byte-string builder for binary layouts.
struct octets {
  std::string s;
  octets& c(char x) {
    s += x;
    return *this;
  }
  octets& i(int x) {
    s.append(reinterpret_cast<char const*>(&x), sizeof x);
    return *this;
  }
  octets& f(float x) {
    s.append(reinterpret_cast<char const*>(&x), sizeof x);
    return *this;
  }
  template <class T>
  octets& v(T x) {
    s.append(reinterpret_cast<char const*>(&x), sizeof x);
    return *this;
  }
  // A record: length, bytes, length.
  octets& rec(octets const& r) {
    i(int(r.s.size()));
    s += r.s;
    return i(int(r.s.size()));
  }
};

}  // namespace pio_test

#endif
