// The standard hooks of a program on the library, from the utils::hooks
// target (pkg-config utils-hooks): the run report `sst`, nerror and nmsg
// (declared in runstat.h) printing through it, and the run's start and end.
// A program that defines the hooks itself does not link that target.
#ifndef UTILS_HOOKS_H
#define UTILS_HOOKS_H

#include "runstat.h"

// Creates the run report on stderr under `name` (the start line is printed)
// unless the run already has one; returns it. A null name reads "utils".
runstat* utils_debut(char const* name);

// Deletes the run report, which prints the end-of-run report; sst is null
// afterwards. Nothing happens when there is none.
void utils_fin();

// The hooks create the run report, named "utils", when a message comes
// before utils_debut (tests and benchmarks rely on it).

#endif
