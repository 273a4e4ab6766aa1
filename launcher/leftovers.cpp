// Leftovers of an earlier run: what listens on the station's ports and what runs one of its
// programs. A start ends them; --check only shows them.

#include <cstdint>
#include <set>

#include "config/port_map.h"
#include "config/py_config.h"
#include "launcher/launcher.h"
#include "platform/log.h"
#include "platform/port_probe.h"
#include "platform/process_list.h"
#include "platform/text_utils.h"

namespace {

const int64_t kLowestPort = 1;
const int64_t kHighestPort = 65535;

// Follows every line of a process killed or found as a leftover, so that an operator can see
// what was ended: the path is read before the kill, as an ended process names none.
void LogExecutable(int pid, const std::string& executable) {
    if (executable.empty()) {
        LOG_PRINT("Pid = %d executable = unknown (ended, or not visible to this user)", pid);
    } else {
        LOG_PRINT("Pid = %d executable = %s", pid, executable.c_str());
    }
}

// The real ports of a family, in instance order: a port file may give any 32-bit base, so
// the sums are made in 64 bits and never leave 1-65535.
std::vector<std::pair<int, int>> PortsOf(int basePort, int64_t count) {
    std::vector<std::pair<int, int>> ports;  // {instance, port}
    if (basePort < 0) return ports;
    for (int64_t k = 0; k < count; ++k) {
        const int64_t port = int64_t{basePort} + k;
        if (port < kLowestPort) continue;
        if (port > kHighestPort) break;
        ports.emplace_back(static_cast<int>(k), static_cast<int>(port));
    }
    return ports;
}

}  // namespace

std::vector<Launcher::PortFamily> Launcher::StationPortFamilies() const {
    const PyConfig& config = *_pyConfig;
    // In 64 bits: the script's counts are only bounded by the plan's own limit.
    const int64_t instances = int64_t{config._slots} * config._modules;
    return {{"Sequence", "SEQUENCER_PORT", _zmqPorts->SEQUENCER_PORT, instances},
            {"Engine", "TEST_ENGINE_PORT", _zmqPorts->TEST_ENGINE_PORT, instances},
            {"StateMachine", "SM_PORT", _zmqPorts->SM_PORT, config._modules}};
}

std::vector<std::string> Launcher::StationProgramNames() const {
    std::vector<std::string> names;
    for (const ScriptProcess& entry : _pyConfig->_processEntries) {
        // An interpreter such as lua runs station scripts and other programs alike; killing
        // it by name could hit processes that are not the station's.
        if (!entry.execute.empty() && entry.execute.find("lua") != std::string::npos) continue;
        // Processes are known by their executable's file name, not by the path written; an
        // empty name names no executable. Wherever a copy runs from, it holds the station's
        // ports and hardware, so it goes too; the launcher and what started it are never found.
        const std::string name = GetFileName(entry.bin.c_str());
        if (!name.empty()) names.push_back(name);
    }
    return names;
}

void Launcher::CheckProcessState() {
    LOG_PRINT("Start to check process running state.");
    _pyConfig->EnsureParsed();
    for (const PortFamily& family : StationPortFamilies()) KillListeners(family);
    for (const std::string& name : StationProgramNames()) {
        for (unsigned int pid : FindProcessesByName(name)) {
            const std::string executable = GetExecutablePath(pid);
            KillProcessById(pid);
            LOG_PRINT("Have been kill process by name = %s. Pid=%d", name.c_str(),
                      static_cast<int>(pid));
            LogExecutable(static_cast<int>(pid), executable);
        }
    }
    LOG_PRINT("Finish to check process running state.");
}

void Launcher::KillListeners(const PortFamily& family) {
    if (family.basePort < 0) {
        // The port file does not give this family's base port: there is nothing to probe.
        if (family.count > 0) {
            LOG_PRINT("%s is %d, %s ports are not checked.", family.portKey, family.basePort,
                      family.name);
        }
        return;
    }
    for (const auto& [k, port] : PortsOf(family.basePort, family.count)) {
        const int pid = GetListeningPid(port);
        if (pid <= 0) continue;
        const std::string executable = GetExecutablePath(static_cast<unsigned int>(pid));
        const bool killed = KillProcessById(static_cast<unsigned int>(pid));
        if (killed) {
            LOG_PRINT("Kill %s[%d] success.Pid = %d", family.name, k, pid);
        } else {
            LOG_PRINT("Kill %s[%d] failed.Pid = %d", family.name, k, pid);
        }
        LogExecutable(pid, executable);
        if (!killed && IsSelfOrAncestor(static_cast<unsigned int>(pid))) {
            LOG_PRINT(
                "Pid = %d is this launcher or one that started it, and is not ended. "
                "Free port %d of it before starting the station.",
                pid, port);
        }
    }
}

void Launcher::PrintLeftovers() const {
    LOG_PRINT("Ports a start would clear, and what listens on them now:");
    for (const PortFamily& family : StationPortFamilies()) {
        if (family.basePort < 0 && family.count > 0)
            LOG_PRINT("  %s is %d: %s ports are not checked.", family.portKey, family.basePort,
                      family.name);
        for (const auto& [k, port] : PortsOf(family.basePort, family.count)) {
            const int pid = GetListeningPid(port);
            if (pid <= 0) {
                LOG_PRINT("  %s[%d] port %d: free", family.name, k, port);
            } else {
                const std::string executable = GetExecutablePath(static_cast<unsigned int>(pid));
                LOG_PRINT("  %s[%d] port %d: Pid = %d executable = %s", family.name, k, port, pid,
                          executable.empty() ? "unknown" : executable.c_str());
            }
        }
    }
    LOG_PRINT("Programs a start would end by name, and what runs them now:");
    std::set<std::string> shown;  // entries may share a program
    for (const std::string& name : StationProgramNames()) {
        if (!shown.insert(name).second) continue;
        const std::vector<unsigned int> found = FindProcessesByName(name);
        if (found.empty()) LOG_PRINT("  %s: none running", name.c_str());
        for (unsigned int pid : found) {
            const std::string executable = GetExecutablePath(pid);
            LOG_PRINT("  %s: Pid = %u executable = %s", name.c_str(), pid,
                      executable.empty() ? "unknown" : executable.c_str());
        }
    }
}
