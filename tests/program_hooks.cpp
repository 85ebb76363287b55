// The run-report hooks every program on the library defines, for the test
// and benchmark programs.
#include "runstat.h"

runstat* sst = nullptr;

namespace {
runstat& report() {
  if (!sst) sst = new runstat(stderr, "utils");
  return *sst;
}
}  // namespace

void nerror(char const* st) {
  report().msg(st);
  report().kill(1);
}

void nerror() {
  report().nl();
  report().kill(1);
}

void nmsg(char const* st) { report().msg(st); }

void nmsg(int i) { report().msg(i); }
