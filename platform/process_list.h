#pragma once
// Finding and ending other processes.

#include <string>
#include <vector>

// Forced termination (SIGKILL). True when the request was delivered.
bool KillProcessById(unsigned int pid);

// Ids of the processes whose executable file name equals `name`, or `name` + ".exe",
// ignoring ASCII case, in process-list order. The calling process is never in the list.
std::vector<unsigned int> FindProcessesByName(const std::string& name);

// FindProcessesByName, then KillProcessById for each; returns the ids found.
std::vector<unsigned int> KillProcessByName(const std::string& name);
