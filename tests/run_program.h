// Runs a program of the build in a directory and collects what it printed.
#ifndef RUN_PROGRAM_H
#define RUN_PROGRAM_H

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "test_util.h"

struct run_result {
  int status;  // exit status, -1 when killed by a signal
  std::string out, err;
};

// In a child process: runs `exe` in `dir` with the given arguments (argv[0]
// is `exe`); never returns.
[[noreturn]] inline void exec_in(char const* exe, std::string const& dir,
                                 std::vector<std::string>& args) {
  if (chdir(dir.c_str()) != 0) _exit(120);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe));
  for (auto& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  execv(exe, argv.data());
  _exit(122);
}

// Runs `exe` in `dir` with the given arguments (argv[0] is `exe`); stdout
// and stderr are captured through files of `dir`, removed afterwards.
inline run_result run(char const* exe, std::string const& dir, std::vector<std::string> args) {
  std::string const outfile = dir + "/stdout.txt", errfile = dir + "/stderr.txt";
  pid_t pid = fork();
  if (pid == 0) {
    int const o = open(outfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int const e = open(errfile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (o < 0 || e < 0 || dup2(o, 1) < 0 || dup2(e, 2) < 0) _exit(121);
    exec_in(exe, dir, args);
  }
  int st = 0;
  waitpid(pid, &st, 0);
  run_result r{WIFEXITED(st) ? WEXITSTATUS(st) : -1, read_file(outfile), read_file(errfile)};
  unlink(outfile.c_str());
  unlink(errfile.c_str());
  return r;
}

#endif
