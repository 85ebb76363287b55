// Scalar type codes, text forms, zero tests and magnitudes.
#include "ptypes.h"

#include "fatal.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const double float_eps = 1.1920928955078125e-07;  // 2^-23
const double double_eps = 2.220446049250313e-16;  // 2^-52

// Leading decimal integer as atoi reads it, saturated instead of overflowing.
int parse_int(char const* st, int& val) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(st, &end, 10);
  if (end == st) return 0;
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  val = static_cast<int>(v);
  return static_cast<int>(end - st);
}

int parse_double(char const* st, double& val) {
  char* end = nullptr;
  double v = std::strtod(st, &end);
  if (end == st) return 0;
  val = v;
  return static_cast<int>(end - st);
}

// Narrowing that saturates to infinity rather than leaving the float range.
float to_float(double d) {
  if (d > FLT_MAX) return HUGE_VALF;
  if (d < -FLT_MAX) return -HUGE_VALF;
  return static_cast<float>(d);
}

// One line into a 1024-character buffer, as the text loaders read it.
bool read_line(FILE* fp, char* buf) { return std::fgets(buf, 1024, fp) != nullptr; }

int finish_tostr(int n) { return n < 0 ? 0 : (n >= TOSTR_MAX ? TOSTR_MAX - 1 : n); }

}  // namespace

char ptype(int) { return 'I'; }
char ptype(float) { return 'F'; }
char ptype(double) { return 'D'; }
char ptype(std::complex<double>) { return 'C'; }

void aprint(FILE* fp, int x) { std::fprintf(fp, "%d ", x); }
void aprint(FILE* fp, float x) { std::fprintf(fp, "%20.10f ", static_cast<double>(x)); }
void aprint(FILE* fp, double x) { std::fprintf(fp, "%20.10f ", x); }
void aprint(FILE* fp, std::complex<double> x) {
  std::fprintf(fp, "%20.10f %20.10f ", x.real(), x.imag());
}

int tostr(char* st, int x) { return finish_tostr(std::snprintf(st, TOSTR_MAX, "%d ", x)); }
int tostr(char* st, float x) {
  return finish_tostr(std::snprintf(st, TOSTR_MAX, "%lf ", static_cast<double>(x)));
}
int tostr(char* st, double x) { return finish_tostr(std::snprintf(st, TOSTR_MAX, "%lf ", x)); }
int tostr(char* st, std::complex<double> x) {
  return finish_tostr(std::snprintf(st, TOSTR_MAX, "%lf %lf ", x.real(), x.imag()));
}

int fromstr(char const* st, int& val) {
  val = 0;
  return parse_int(st, val);
}

int fromstr(char const* st, float& val) {
  double d = 0;
  int n = parse_double(st, d);
  val = to_float(d);
  return n;
}

int fromstr(char const* st, double& val) {
  val = 0;
  return parse_double(st, val);
}

int fromstr(char const* st, std::complex<double>& val) {
  double re = 0, im = 0;
  int n = parse_double(st, re);
  n += parse_double(st + n, im);
  val = std::complex<double>(re, im);
  return n;
}

int ascan(FILE* fp, int& val) {
  char buf[1024];
  if (!read_line(fp, buf)) return FIN_FICHIER;
  return parse_int(buf, val) ? 1 : 0;
}

int ascan(FILE* fp, float& val) {
  char buf[1024];
  if (!read_line(fp, buf)) return FIN_FICHIER;
  double d;
  if (!parse_double(buf, d)) return 0;
  val = to_float(d);
  return 1;
}

int ascan(FILE* fp, double& val) {
  char buf[1024];
  if (!read_line(fp, buf)) return FIN_FICHIER;
  return parse_double(buf, val) ? 1 : 0;
}

int ascan(FILE* fp, std::complex<double>& val) {
  char buf[1024];
  if (!read_line(fp, buf)) return FIN_FICHIER;
  double re = 0, im = 0;
  int n = parse_double(buf, re);
  if (!n) return 0;
  // A line with a single number gives a real value.
  int m = parse_double(buf + n, im);
  val = std::complex<double>(re, im);
  return m ? 2 : 1;
}

int iszero(int x) { return x == 0; }
int iszero(float x) { return std::fabs(static_cast<double>(x)) < float_eps; }
int iszero(double x) { return std::fabs(x) < double_eps; }
int iszero(std::complex<double> x) { return std::abs(x) < double_eps; }

double absval(int x) { return static_cast<double>(x < 0 ? -static_cast<long>(x) : x); }
double absval(float x) { return std::fabs(static_cast<double>(x)); }
double absval(double x) { return std::fabs(x); }
double absval(std::complex<double> x) { return std::abs(x); }

int rsqrt_dom(int x) { return x >= 0; }
int rsqrt_dom(float x) { return x >= 0; }
int rsqrt_dom(double x) { return x >= 0; }
int rsqrt_dom(std::complex<double> x) { return x.real() >= 0 && iszero(x.imag()); }

void int_division_by_zero() { fatal(1, "Division entiere par zero\n"); }
