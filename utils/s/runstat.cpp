// Run report and fatal-error channel.
#include "runstat.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

void copy_name(char* dst, char const* src) {
  // The field holds 1023 characters; longer names are cut.
  std::snprintf(dst, 1024, "%s", src ? src : "");
}

void format_now(char* buf, std::size_t len) {
  std::time_t now = std::time(nullptr);
  std::strftime(buf, len, "%d/%m/%y %H:%M:%S", std::localtime(&now));
}

}  // namespace

runstat::runstat(FILE* fp, char const* name)
    : fpstat(fp), fpin(stdin), startime(nullptr), cputime(), locopen_o(0), locopen_i(0) {
  copy_name(progname, name);
  strtmp[0] = 0;
  start();
}

runstat::runstat() : runstat(stderr, "") {}

runstat::runstat(FILE* fps, FILE* fpi, char const* name) : runstat(fps, name) {
  fpin = fpi ? fpi : stdin;
}

runstat::runstat(char const* fstat, char const* name)
    : fpstat(stderr), fpin(stdin), startime(nullptr), cputime(), locopen_o(0), locopen_i(0) {
  copy_name(progname, name);
  strtmp[0] = 0;
  FILE* f = std::fopen(fstat, "w");
  if (!f) {
    std::fprintf(stderr, "Erreur d'ouverture du fichier de statistiques\n");
    std::exit(1);
  }
  fpstat = f;
  locopen_o = 1;
  start();
}

runstat::runstat(char const* fstat, char const* fin, char const* name) : runstat(fstat, name) {
  FILE* f = std::fopen(fin, "r");
  if (!f) {
    std::fprintf(fpstat, "Erreur d'ouverture du fichier %s\n", fin);
    kill(1);
  }
  fpin = f;
  locopen_i = 1;
}

runstat::~runstat() {
  end();
  if (locopen_o) std::fclose(fpstat);
  if (locopen_i) std::fclose(fpin);
}

void runstat::start() {
  std::time_t now = std::time(nullptr);
  startime = std::localtime(&now);
  char buf[80];
  std::strftime(buf, sizeof buf, "%d/%m/%y %H:%M:%S", startime);
  std::fprintf(fpstat, "Programme %s debut a %s\n", progname, buf);
  std::fflush(fpstat);
}

void runstat::end() {
  char buf[80];
  format_now(buf, sizeof buf);
  times(&cputime);
  double const tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  double const u = cputime.tms_utime / tick;
  double const s = cputime.tms_stime / tick;
  double const cu = cputime.tms_cutime / tick;
  double const cs = cputime.tms_cstime / tick;
  std::fprintf(fpstat, "\n%s: fin a %s\n", progname, buf);
  std::fprintf(fpstat, "\n----------------------------------------\n");
  std::fprintf(fpstat, "|Temps CPU|     User|   System|   Total|\n");
  std::fprintf(fpstat, "|--------------------------------------|\n");
  std::fprintf(fpstat, "|Programme|  %6.1fs|  %6.1fs| %6.1fs|\n", u, s, u + s);
  std::fprintf(fpstat, "|Appels   |  %6.1fs|  %6.1fs| %6.1fs|\n", cu, cs, cu + cs);
  std::fprintf(fpstat, "|--------------------------------------|\n");
  std::fprintf(fpstat, "|TOTAL    |  %6.1fs|  %6.1fs| %6.1fs|\n", u + cu, s + cs, u + s + cu + cs);
  std::fprintf(fpstat, "----------------------------------------\n");
  std::fflush(fpstat);
}

runstat& runstat::msg(char const* s) {
  std::fprintf(fpstat, "%s", s);
  return *this;
}

runstat& runstat::msg(int i) {
  std::fprintf(fpstat, "%d", i);
  return *this;
}

runstat& runstat::msg(double d) {
  std::fprintf(fpstat, "%f", d);
  return *this;
}

runstat& runstat::msg(std::complex<double> z) {
  std::fprintf(fpstat, "(%f,%f)", z.real(), z.imag());
  return *this;
}

runstat& runstat::msgc(int c) {
  std::fputc(c, fpstat);
  return *this;
}

runstat& runstat::read(std::complex<double>& z) {
  double re = 0, im = 0;
  if (std::fscanf(fpin, "%lf %lf", &re, &im) == 2) z = std::complex<double>(re, im);
  return *this;
}

runstat& runstat::read(double& d) {
  double v;
  if (std::fscanf(fpin, "%lf", &v) == 1) d = v;
  return *this;
}

runstat& runstat::read(int& i) {
  int v;
  if (std::fscanf(fpin, "%d", &v) == 1) i = v;
  return *this;
}

runstat& runstat::error(int errnum) {
  std::fprintf(fpstat, "%s", std::strerror(errnum));
  return *this;
}

runstat& runstat::nl() {
  std::fputc('\n', fpstat);
  return *this;
}

void runstat::kill(int status) {
  end();
  std::exit(status);
}
