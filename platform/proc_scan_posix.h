#pragma once
// The kernel's table of processes under /proc, as the POSIX backend reads it: the process list
// and the port probe both walk it. Internal to the backend.

#include <string>
#include <vector>

namespace proc_scan {

// Ids of the processes that run now, ascending; empty when /proc cannot be read.
std::vector<unsigned int> ProcessIds();

// Target of the link /proc/<pid>/<entry> ("exe", "fd/3"); "" when the process has ended or
// may not be examined by this user.
std::string ReadLink(unsigned int pid, const std::string& entry);

// True when one of the process's open descriptors refers to one of `targets` (as its link
// reads, "socket:[123]"). False when it has none, has ended or may not be examined.
bool HasDescriptorTo(unsigned int pid, const std::vector<std::string>& targets);

// The id of the process's parent; 0 when the process has ended or has no parent (the first
// process of its namespace).
unsigned int ParentId(unsigned int pid);

// The id of the process's process group; 0 when the process has ended.
unsigned int GroupId(unsigned int pid);

}  // namespace proc_scan
