#include "platform/process_list.h"

std::vector<unsigned int> KillProcessByName(const std::string& name) {
    std::vector<unsigned int> found = FindProcessesByName(name);
    for (unsigned int pid : found) KillProcessById(pid);
    return found;
}
