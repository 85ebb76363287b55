// Shared part of the fuzz drivers (linked with utils::hooks): the input bytes
// (from the file named on the command line, else standard input) and the
// scratch file the readers open by name. A reader that refuses its input
// ends the run through the run report with a status: that is a normal end;
// only a crash, a sanitizer report or a hang is a finding.
#ifndef FUZZ_COMMON_H
#define FUZZ_COMMON_H

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "utils_hooks.h"

namespace fuzz {

inline std::string& scratch() {
  static std::string name;
  return name;
}

// The fatal paths leave through exit(): the scratch file goes with them.
inline void remove_scratch() {
  if (!scratch().empty()) unlink(scratch().c_str());
}

inline std::vector<unsigned char> input(int argc, char** argv) {
  FILE* fp = argc > 1 ? std::fopen(argv[1], "rb") : stdin;
  std::vector<unsigned char> d;
  if (fp == nullptr) return d;
  unsigned char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) d.insert(d.end(), buf, buf + n);
  if (fp != stdin) std::fclose(fp);
  return d;
}

// Writes the bytes to a fresh scratch file with the given extension; with
// gz set the bytes are stored gzip-compressed, so the reader sees them
// through its compressed-stream path. Returns the name.
inline char const* write_scratch(unsigned char const* p, std::size_t n, char const* ext, bool gz) {
  char const* dir = std::getenv("FUZZ_TMPDIR");
  if (dir == nullptr) dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  scratch() = std::string(dir) + "/utils_fuzz_" + std::to_string(getpid()) + ext;
  std::atexit(remove_scratch);
  if (gz) {
    gzFile z = gzopen(scratch().c_str(), "wb1");
    if (z == nullptr) std::exit(0);
    if (n > 0) gzwrite(z, p, unsigned(n));
    gzclose(z);
  } else {
    FILE* fp = std::fopen(scratch().c_str(), "wb");
    if (fp == nullptr) std::exit(0);
    if (n > 0) std::fwrite(p, 1, n, fp);
    std::fclose(fp);
  }
  return scratch().c_str();
}

inline void start(char const* name) {
  // Messages of refused inputs are not findings: keep them out of the way
  // unless asked for.
  if (std::getenv("FUZZ_VERBOSE") == nullptr) {
    FILE* null = std::freopen("/dev/null", "w", stderr);
    (void)null;
  }
  utils_debut(name);
}

inline int finish() {
  utils_fin();
  return 0;
}

}  // namespace fuzz

#endif
