// Run report: start line, messages, end-of-run CPU-time table, fatal stop.
#ifndef RUNSTAT_H
#define RUNSTAT_H

#include <complex>
#include <cstdio>
#include <ctime>
#include <sys/times.h>

class runstat {
 public:
  ~runstat();  // prints the end-of-run report, closes the streams it opened
  // Declared for compatibility; only the (FILE*, name) constructor is used.
  runstat(char const* fstat, char const* fin, char const* progname);
  runstat(char const* fstat, char const* progname);
  runstat(FILE* fpstat, FILE* fpin, char const* progname);
  runstat(FILE* fpstat, char const* progname);  // prints the start line
  runstat();
  runstat(runstat const&) = delete;
  runstat& operator=(runstat const&) = delete;

  runstat& msg(char const* s);
  runstat& msg(int i);
  runstat& msg(double d);
  runstat& msg(std::complex<double> z);  // "(%f,%f)"
  runstat& msgc(int c);                  // one character
  runstat& read(std::complex<double>& z);
  runstat& read(double& d);
  runstat& read(int& i);
  runstat& error(int errnum);  // strerror(errnum)
  runstat& nl();
  // Prints the end-of-run report and exits with `status`; never returns.
  [[noreturn]] void kill(int status);

 private:
  void start();
  void end();

  FILE* fpstat;
  FILE* fpin;
  struct tm* startime;
  struct tms cputime;
  char progname[1024];
  char strtmp[1024];
  short locopen_o;
  short locopen_i;
};

// Defined by every program built on the library.
extern runstat* sst;
[[noreturn]] void nerror(char const* st);  // last piece of a message, then exit 1
[[noreturn]] void nerror();                // newline, then exit 1
void nmsg(char const* st);                 // one piece of a message
void nmsg(int i);

#endif
