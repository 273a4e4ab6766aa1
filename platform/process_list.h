#pragma once
// Finding and ending other processes. The launcher never ends itself or a process that started
// it, directly or not (the shell or service that runs it): those are never found by name and
// never ended by id.

#include <string>
#include <vector>

// Ends process `pid` at once, without letting it clean up (forced termination). True when the
// request was delivered; false when there is no such process, it may not be ended by this
// user, or it is this process or one that started it (see IsSelfOrAncestor). 0 names none.
bool KillProcessById(unsigned int pid);

// Ids of the processes whose executable file name equals `name`, or `name` + ".exe",
// ignoring ASCII case, in process-list order. This process and those that started it are
// never in the list; neither is a process whose executable may not be examined.
std::vector<unsigned int> FindProcessesByName(const std::string& name);

// FindProcessesByName, then KillProcessById for each; returns the ids found, also those
// whose termination failed.
std::vector<unsigned int> KillProcessByName(const std::string& name);

// Full path of the executable that process `pid` runs; "" when the process has ended, runs
// none, or may not be examined by this user. Read it before ending the process.
std::string GetExecutablePath(unsigned int pid);

// True when `pid` is this process, its parent, that one's parent, and so on up to the first
// process. Asked afresh on every call: a process whose parent ends gets another.
bool IsSelfOrAncestor(unsigned int pid);
