#pragma once
// What each backend of the process list provides; the policy (names, what is spared) lives in
// process_list.cpp. Internal to platform/.

#include <string>
#include <vector>

namespace process_list_backend {

struct RunningProcess {
    unsigned int pid;
    std::string executableName;  // the file name only; "" when it may not be examined
};

// Every process that runs now, in the system's process-list order.
std::vector<RunningProcess> RunningProcesses();

unsigned int CurrentProcessId();

// The process that started `pid` and still runs; 0 when `pid` has ended, has no parent, or
// its parent has ended (an id the system may since have given to an unrelated process is
// never returned as the parent).
unsigned int ParentProcessId(unsigned int pid);

// Forced termination of `pid`; true when the request was delivered.
bool TerminateNow(unsigned int pid);

}  // namespace process_list_backend
