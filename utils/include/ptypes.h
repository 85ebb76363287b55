// Scalar support: type codes, text forms, zero tests and magnitudes of the
// four element types (int, float, double, complex<double>).
#ifndef PTYPES_H
#define PTYPES_H

#include <complex>
#include <cstdio>

// The element types every container is instantiated for.
#define FOR_EACH_SCALAR(M) M(int) M(float) M(double) M(std::complex<double>)
// Ordered element types (no ordered complex vector).
#define FOR_EACH_REAL(M) M(int) M(float) M(double)

// Results of gzgets besides a line length.
const int FIN_FICHIER = -1;   // end of data
const int SHORT_STRING = -2;  // line longer than the buffer

// One-character type code of file headers: I, F, D, C.
char ptype(int);
char ptype(float);
char ptype(double);
char ptype(std::complex<double>);

// Plain-text element form, one trailing blank, no newline:
// "%d ", "%20.10f ", "%20.10f %20.10f " (real, imaginary).
void aprint(FILE* fp, int x);
void aprint(FILE* fp, float x);
void aprint(FILE* fp, double x);
void aprint(FILE* fp, std::complex<double> x);

// Compressed-text element form: "%d ", "%lf ", "%lf %lf ".
// `st` must hold TOSTR_MAX characters; returns the characters written.
const int TOSTR_MAX = 1024;
int tostr(char* st, int x);
int tostr(char* st, float x);
int tostr(char* st, double x);
int tostr(char* st, std::complex<double> x);

// Parses the start of `st`; 0 where no number is found.
// Returns the number of characters consumed (0 when nothing was parsed).
int fromstr(char const* st, int& val);
int fromstr(char const* st, float& val);
int fromstr(char const* st, double& val);
int fromstr(char const* st, std::complex<double>& val);

// Reads one line (at most 1023 characters) and scans one value from it.
// A line holding no number leaves `val` unchanged. Returns the number of
// numbers converted, or FIN_FICHIER when no line could be read.
int ascan(FILE* fp, int& val);
int ascan(FILE* fp, float& val);
int ascan(FILE* fp, double& val);
int ascan(FILE* fp, std::complex<double>& val);

// Zero within the type's machine epsilon (exact for int).
int iszero(int x);
int iszero(float x);
int iszero(double x);
int iszero(std::complex<double> x);

// Magnitude as a double (modulus for complex).
double absval(int x);
double absval(float x);
double absval(double x);
double absval(std::complex<double> x);

// Whether a real square root exists (NaN has none).
int rsqrt_dom(int x);
int rsqrt_dom(float x);
int rsqrt_dom(double x);
int rsqrt_dom(std::complex<double> x);

// Quotient that never traps: an integer division by zero stops the run,
// INT_MIN / -1 wraps around.
[[noreturn]] void int_division_by_zero();
inline int quot(int a, int b) {
  if (b == 0) int_division_by_zero();
  if (b == -1) return static_cast<int>(0u - static_cast<unsigned>(a));
  return a / b;
}
inline float quot(float a, float b) { return a / b; }
inline double quot(double a, double b) { return a / b; }
inline std::complex<double> quot(std::complex<double> a, std::complex<double> b) { return a / b; }

#endif
