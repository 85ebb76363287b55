// Runs a program of the build under mpirun, for the suites that check what
// the processes of a run printed and how the run ended.
#ifndef UTILS_PETSC_MPIRUN_UTIL_H
#define UTILS_PETSC_MPIRUN_UTIL_H

#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"

// mpirun with np processes of `exe` and its arguments in `dir`, stopped
// after 120 s (status 124) so that a process left waiting fails the test.
inline run_result mpirun(int np, char const* exe, std::vector<std::string> const& args,
                         std::string const& dir) {
  std::vector<std::string> a = {"120", MPIEXEC};
  std::istringstream flags(MPIEXEC_FLAGS);
  for (std::string f; flags >> f;) a.push_back(f);
  a.push_back(MPIEXEC_NP);
  a.push_back(std::to_string(np));
  a.push_back(exe);
  a.insert(a.end(), args.begin(), args.end());
  return run("/usr/bin/timeout", dir, a);
}

inline std::size_t occurrences(std::string const& s, std::string const& sub) {
  std::size_t n = 0;
  for (std::size_t k = s.find(sub); k != std::string::npos; k = s.find(sub, k + 1)) ++n;
  return n;
}

#endif
