// Helpers shared by the test suites.
#ifndef TEST_UTIL_H
#define TEST_UTIL_H

#include <gtest/gtest.h>

#include <complex>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include <unistd.h>
#include <zlib.h>

#include "vecteurs.h"

// The literal text as a regular expression.
inline std::string fatal_re(const std::string& text) {
  std::string r;
  for (char c : text) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) r += '\\';
    r += c;
  }
  return r;
}

// The statement ends the run with `status` after printing `text`.
#define EXPECT_FATAL(statement, status, text) \
  EXPECT_EXIT(statement, ::testing::ExitedWithCode(status), fatal_re(text))

// A vector over lo.. holding the values.
template <class T>
gvector<T> vec(std::initializer_list<double> values, int lo = 1) {
  gvector<T> v(lo, lo + static_cast<int>(values.size()) - 1);
  int i = lo;
  for (double x : values) v[i++] = static_cast<T>(x);
  return v;
}

using AllScalars = ::testing::Types<int, float, double, std::complex<double>>;
using RealScalars = ::testing::Types<int, float, double>;
using FloatScalars = ::testing::Types<float, double, std::complex<double>>;

template <class T>
double tol();
template <>
inline double tol<int>() {
  return 0;
}
template <>
inline double tol<float>() {
  return 1e-5;
}
template <>
inline double tol<double>() {
  return 1e-12;
}
template <>
inline double tol<std::complex<double>>() {
  return 1e-12;
}

// A fresh temporary directory, removed with its files at the end of scope.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/utils_test_XXXXXX";
    char* d = mkdtemp(tmpl);
    if (!d) std::abort();
    dir_ = d;
  }
  ~TempDir() {
    std::string cmd = "rm -rf '" + dir_ + "'";
    if (std::system(cmd.c_str()) != 0) std::perror("rm");
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& dir() const { return dir_; }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

// The file's bytes; empty when it cannot be read.
inline std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The uncompressed bytes of a gzip file (a plain file reads as it is).
inline std::string gunzip(const std::string& name) {
  gzFile z = gzopen(name.c_str(), "rb");
  std::string s;
  if (z == nullptr) return s;
  char b[4096];
  int k;
  while ((k = gzread(z, b, sizeof b)) > 0) s.append(b, std::size_t(k));
  gzclose(z);
  return s;
}

// What write(FILE*) prints.
template <class F>
std::string written_by(F write) {
  char* mem = nullptr;
  std::size_t len = 0;
  FILE* fp = open_memstream(&mem, &len);
  write(fp);
  std::fclose(fp);
  std::string s(mem, len);
  std::free(mem);
  return s;
}

inline void write_file(const std::string& name, const std::string& bytes) {
  std::ofstream out(name, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The three file forms of a container: text, raw, framed records.
enum Enc { TXT, RAW, REC };

template <class C, class S>
void save(const C& c, Enc e, S s) {
  if (e == TXT) c.a_save(s);
  if (e == RAW) c.b_save(s);
  if (e == REC) c.f_save(s);
}
template <class C, class S>
void load(C& c, Enc e, S s) {
  if (e == TXT) c.a_load(s);
  if (e == RAW) c.b_load(s);
  if (e == REC) c.f_load(s);
}

#endif
