#include "platform/proc_scan_posix.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace proc_scan {

namespace {

bool IsProcessId(const char* name) {
    if (*name == '\0') return false;
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
    }
    return true;
}

std::string ProcPath(unsigned int pid, const std::string& entry) {
    return "/proc/" + std::to_string(pid) + "/" + entry;
}

}  // namespace

std::vector<unsigned int> ProcessIds() {
    std::vector<unsigned int> ids;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return ids;
    while (struct dirent* entry = readdir(proc)) {
        if (IsProcessId(entry->d_name)) {
            ids.push_back(static_cast<unsigned int>(strtoul(entry->d_name, nullptr, 10)));
        }
    }
    closedir(proc);
    std::sort(ids.begin(), ids.end());  // the directory's order is not the process order
    return ids;
}

std::string ReadLink(unsigned int pid, const std::string& entry) {
    char target[4096];
    const ssize_t length = readlink(ProcPath(pid, entry).c_str(), target, sizeof(target));
    if (length <= 0 || static_cast<size_t>(length) >= sizeof(target)) return std::string();
    return std::string(target, static_cast<size_t>(length));
}

bool HasDescriptorTo(unsigned int pid, const std::vector<std::string>& targets) {
    const std::string fdDir = ProcPath(pid, "fd");
    DIR* fds = opendir(fdDir.c_str());
    if (fds == nullptr) return false;  // gone meanwhile, or not ours to look at
    bool found = false;
    char target[64];  // a socket's link is short; a longer target is no socket
    while (!found) {
        struct dirent* entry = readdir(fds);
        if (entry == nullptr) break;
        if (entry->d_name[0] == '.') continue;
        const std::string fdPath = fdDir + "/" + entry->d_name;
        const ssize_t length = readlink(fdPath.c_str(), target, sizeof(target) - 1);
        if (length <= 0) continue;
        const std::string link(target, static_cast<size_t>(length));
        found = std::find(targets.begin(), targets.end(), link) != targets.end();
    }
    closedir(fds);
    return found;
}

namespace {

// The `index`-th number behind the state field of /proc/<pid>/stat (0: the parent, 1: the
// process group); 0 when the process has ended. The name before it is in parentheses and may
// itself hold blanks and parentheses, so the last ")" ends it.
unsigned int StatNumber(unsigned int pid, int index) {
    std::ifstream in(ProcPath(pid, "stat"));
    std::stringstream stat;
    stat << in.rdbuf();
    const std::string text = stat.str();
    const size_t nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos) return 0;
    unsigned int numbers[2] = {0, 0};
    if (sscanf(text.c_str() + nameEnd + 1, " %*c %u %u", &numbers[0], &numbers[1]) != 2) return 0;
    return numbers[index];
}

}  // namespace

unsigned int ParentId(unsigned int pid) {
    return StatNumber(pid, 0);
}

unsigned int GroupId(unsigned int pid) {
    return StatNumber(pid, 1);
}

}  // namespace proc_scan
