// The standard hooks: every message and fatal stop through the run report.
#include "utils_hooks.h"

#include <cstdio>

runstat* sst = nullptr;

namespace {

runstat& report() { return *utils_debut(nullptr); }

}  // namespace

runstat* utils_debut(char const* name) {
  if (sst == nullptr) sst = new runstat(stderr, name != nullptr ? name : "utils");
  return sst;
}

void utils_fin() {
  delete sst;
  sst = nullptr;
}

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
