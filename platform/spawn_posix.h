#pragma once
// POSIX backend only: starting a program with its standard output and standard error on one
// descriptor, for the child runner.

#include <string>
#include <vector>

// Starts arguments[0] (looked up on PATH when it names no directory) in `workPath` (empty: the
// launcher's own), with `outputFd` as its standard output and standard error, standard input
// from /dev/null, an empty signal mask, every signal at its default, and a process group of
// its own, so that it can be ended together with whatever it starts.
// Returns 0 with `pid` set, or the error number of the failed start (a failed exec or chdir
// included: it is never reported as a child exit code).
int SpawnWithOutput(const std::vector<std::string>& arguments, const std::string& workPath,
                    int outputFd, int& pid);
