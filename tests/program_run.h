// Runs a program of the project for an end-to-end test: its status, its
// standard output and its run report.
#ifndef PROGRAM_RUN_H
#define PROGRAM_RUN_H

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "kadro_bytes.h"

struct program_result {
  int status;  // exit status, -1 when killed by a signal
  std::string out, err;
};

// Runs `exe` in `dir` with the given arguments; argv[0] is `exe`.
inline program_result run_program(char const* exe, std::string const& dir,
                                  std::vector<std::string> args) {
  std::string const outfile = dir + "/.stdout.txt";
  std::string const errfile = dir + "/.stderr.txt";
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(120);
    int o = open(outfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int e = open(errfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(121);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe));
    for (auto& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    execv(exe, argv.data());
    _exit(122);
  }
  int st = 0;
  waitpid(pid, &st, 0);
  program_result r{WIFEXITED(st) ? WEXITSTATUS(st) : -1, read_all(outfile),
                   read_all(errfile)};
  unlink(outfile.c_str());
  unlink(errfile.c_str());
  return r;
}

#endif
