// Number of threads the factorizations and solves may use.
//
// Results are the same bits for every thread count: threads share out
// independent entries, never the terms of one sum.
//
// The count is, in order: the last utils_set_threads(n) with n >= 1; else
// the environment variable UTILS_NUM_THREADS (an integer from 1 to 1024,
// read once; any other value ends the run with status 1 through the run
// report); else the number of cores the process may run on. Small problems
// run on one thread whatever the count, and a team whose threads keep
// waiting (their cores taken by other processes) leaves the rest of the
// work to one of them. The worker threads are made once, when first
// needed; when a team starts, each is bound to a core of its own, other
// than the caller's.
#ifndef THREADS_H
#define THREADS_H

int utils_threads();
// n >= 1 fixes the count; n <= 0 returns to the environment or the cores.
void utils_set_threads(int n);

#endif
