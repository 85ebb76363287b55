// Helpers of the tests of files being replaced: a fixed directory per test,
// directory listings, an unprivileged child.
#ifndef DISK_UTIL_H
#define DISK_UTIL_H

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "kadro_bytes.h"

// Death tests run again in a child process: the names they use must not
// depend on the process, so each test has its own fixed directory.
inline fixed_dir test_dir() {
  auto const* t = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string tag = std::string("fd_") + t->test_suite_name() + "_" + t->name();
  for (char& c : tag)
    if (c == '/') c = '_';
  return fixed_dir(tag);
}

// Names in the directory other than the ones given.
inline std::vector<std::string> others(std::string const& dir,
                                       std::vector<std::string> const& known) {
  std::vector<std::string> r;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return r;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    bool k = false;
    for (auto const& x : known) k = k || n == x;
    if (!k) r.push_back(n);
  }
  closedir(d);
  return r;
}

// Runs op as an unprivileged user (root becomes "nobody" first), then ends
// the process with status 0; for death tests.
[[noreturn]] inline void as_nobody(std::function<void()> const& op) {
  if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) std::_Exit(90);
  op();
  std::exit(0);
}

inline ino_t inode(std::string const& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0 ? st.st_ino : 0;
}

inline mode_t mode_of(std::string const& name) {
  struct stat st;
  return stat(name.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

#endif
