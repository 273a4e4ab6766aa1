#pragma once
// POSIX backend only: starting a program with its standard output and standard error on one
// descriptor, shared by the child runner and the shell command.

#include <string>
#include <vector>

struct SpawnOptions {
    std::string workPath;          // the child's working directory; empty: the launcher's own
    bool nullInput = false;        // standard input from /dev/null instead of the launcher's
    bool ownProcessGroup = false;  // a group of its own, so it can be ended with its children
};

// Starts arguments[0] (looked up on PATH when it names no directory) with `outputFd` as its
// standard output and standard error, an empty signal mask and every signal at its default.
// Returns 0 with `pid` set, or the error number of the failed start (a failed exec or chdir
// included: it is never reported as a child exit code).
int SpawnWithOutput(const std::vector<std::string>& arguments, const SpawnOptions& options,
                    int outputFd, int& pid);
