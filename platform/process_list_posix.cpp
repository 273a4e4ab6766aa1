#include <signal.h>
#include <unistd.h>

#include <climits>

#include "platform/proc_scan_posix.h"
#include "platform/process_list.h"
#include "platform/process_list_backend.h"
#include "platform/text_utils.h"

namespace process_list_backend {

std::vector<RunningProcess> RunningProcesses() {
    std::vector<RunningProcess> processes;
    for (unsigned int pid : proc_scan::ProcessIds()) {
        // The executable's name, not the kernel's short name, which is cut at 15 characters.
        processes.push_back({pid, GetFileName(GetExecutablePath(pid).c_str())});
    }
    return processes;
}

unsigned int CurrentProcessId() {
    return static_cast<unsigned int>(getpid());
}

// A parent that ends hands its children to another process at once, so the parent named by
// the kernel is always one that runs.
unsigned int ParentProcessId(unsigned int pid) {
    return proc_scan::ParentId(pid);
}

bool TerminateNow(unsigned int pid) {
    // A value that is no positive pid_t would signal a process group, or every process.
    if (pid == 0 || pid > static_cast<unsigned int>(INT_MAX)) return false;
    return kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

}  // namespace process_list_backend

std::string GetExecutablePath(unsigned int pid) {
    std::string path = proc_scan::ReadLink(pid, "exe");
    // An executable replaced on disk after the start still names the process.
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0) {
        path.resize(path.size() - deleted.size());
    }
    return path;
}
