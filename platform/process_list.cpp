#include "platform/process_list.h"

#include <Poco/String.h>

#include <algorithm>

#include "platform/process_list_backend.h"

namespace backend = process_list_backend;

namespace {

// Longer than any real chain of parents; stops the walk should ids be reused under it.
const size_t kMaxAncestry = 256;

// This process first, then each parent in turn.
std::vector<unsigned int> SelfAndAncestors() {
    std::vector<unsigned int> chain;
    for (unsigned int pid = backend::CurrentProcessId();
         pid != 0 && chain.size() < kMaxAncestry &&
         std::find(chain.begin(), chain.end(), pid) == chain.end();
         pid = backend::ParentProcessId(pid)) {
        chain.push_back(pid);
    }
    return chain;
}

bool Contains(const std::vector<unsigned int>& pids, unsigned int pid) {
    return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

}  // namespace

bool IsSelfOrAncestor(unsigned int pid) {
    return Contains(SelfAndAncestors(), pid);
}

bool KillProcessById(unsigned int pid) {
    // Whatever they run or hold, the launcher and what started it are not leftovers.
    if (pid == 0 || IsSelfOrAncestor(pid)) return false;
    return backend::TerminateNow(pid);
}

std::vector<unsigned int> FindProcessesByName(const std::string& name) {
    const std::vector<unsigned int> spared = SelfAndAncestors();
    const std::string withSuffix = name + ".exe";
    std::vector<unsigned int> found;
    for (const backend::RunningProcess& process : backend::RunningProcesses()) {
        const std::string& executable = process.executableName;
        if (executable.empty() || Contains(spared, process.pid)) continue;
        if (Poco::icompare(executable, name) == 0 || Poco::icompare(executable, withSuffix) == 0) {
            found.push_back(process.pid);
        }
    }
    return found;
}

std::vector<unsigned int> KillProcessByName(const std::string& name) {
    std::vector<unsigned int> found = FindProcessesByName(name);
    for (unsigned int pid : found) KillProcessById(pid);
    return found;
}
