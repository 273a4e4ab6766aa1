#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/process_list.h"
#include "platform/text_utils.h"

namespace {

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The file name of the process's executable, or "" when it has none (a kernel thread) or
// it may not be examined. Unlike the kernel's short name it is never cut at 15 characters.
std::string ExecutableName(const std::string& pid) {
    std::string link = "/proc/" + pid + "/exe";
    char target[4096];
    ssize_t length = readlink(link.c_str(), target, sizeof(target) - 1);
    if (length <= 0) return std::string();
    std::string path(target, static_cast<size_t>(length));
    // An executable replaced on disk after the start still names the process.
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0) {
        path.resize(path.size() - deleted.size());
    }
    return GetFileName(path.c_str());
}

bool IsProcessId(const char* name) {
    if (*name == '\0') return false;
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
    }
    return true;
}

}  // namespace

bool KillProcessById(unsigned int pid) {
    if (pid == 0) return false;  // 0 would signal the launcher's own process group
    return kill(static_cast<pid_t>(pid), SIGKILL) == 0;
}

std::vector<unsigned int> FindProcessesByName(const std::string& name) {
    std::vector<unsigned int> found;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return found;
    const unsigned int self = static_cast<unsigned int>(getpid());
    const std::string withSuffix = name + ".exe";
    while (struct dirent* entry = readdir(proc)) {
        if (!IsProcessId(entry->d_name)) continue;
        unsigned int pid = static_cast<unsigned int>(strtoul(entry->d_name, nullptr, 10));
        if (pid == self) continue;
        std::string executable = ExecutableName(entry->d_name);
        if (executable.empty()) continue;
        if (EqualsIgnoringAsciiCase(executable, name) ||
            EqualsIgnoringAsciiCase(executable, withSuffix)) {
            found.push_back(pid);
        }
    }
    closedir(proc);
    std::sort(found.begin(), found.end());  // the directory's order is not the process order
    return found;
}
