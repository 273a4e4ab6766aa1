#pragma once
#include <string>

// Runs `command` through "/bin/sh -c " and appends everything it writes to standard output
// and standard error to `output`, until every writer has closed the pipe. Returns 0, or -1
// when the command could not be started. Prints "ExecCommand cmd=%s\n" and the outcome.
int ExecCommand(const std::string& command, std::string& output);
