// Run: clear leftovers of an earlier run, then start the plan entry by entry, waiting after
// each entry so that its processes can initialise before the next ones start.

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "config/port_map.h"
#include "config/py_config.h"
#include "launcher/launcher.h"
#include "launcher/process_log_names.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/log.h"
#include "platform/port_probe.h"
#include "platform/process_list.h"
#include "platform/text_utils.h"

namespace {

const int64_t kLowestPort = 1;
const int64_t kHighestPort = 65535;
// Longest single wait: what a 32-bit count of milliseconds holds (about 49 days).
const int64_t kMaxWaitMs = 0xFFFFFFFFLL;

// An entry of several instances numbers them from 0; a single one keeps the entry's name.
std::string InstanceName(const std::vector<ProcessSpec>& instances, size_t j) {
    if (instances.size() == 1) return instances[j].name;
    return FormatString("%s%d", instances[j].name.c_str(), static_cast<int>(j));
}

}  // namespace

void Launcher::Run() {
    ++g_starttimes;
    LOG_PRINT("g_starttimes = %d", g_starttimes);

    if (!_supervisor.IsQuitting()) {
        CheckProcessState();
    }
    NameProcessLogs();

    for (const auto& entry : _processPlan) {
        if (_supervisor.IsQuitting()) {
            break;
        }
        if (entry.second.size() == 1) {
            StartSingle(entry.second.front());
        } else {
            StartInstances(entry.second);
        }
    }

    if (!_supervisor.MarkRunning()) {
        LOG_PRINT("Quit requested, the remaining processes are not started.");
    }
}

void Launcher::StartSingle(const ProcessSpec& spec) {
    // Formatted first and logged as plain text: a "%" in a name is written unchanged.
    const std::string line = FormatString("%s Starting Process %s ......",
                                          GetLocalTimeString().c_str(), spec.name.c_str());
    LOG_PRINT("%s", line.c_str());
    if (!StartProcess(spec.name, spec.workDir, spec.cmd)) {
        // A start refused because a quit arrived is no failure of the process.
        if (!_supervisor.IsQuitting()) {
            LOG_ERROR("%s fail", line.c_str());
        }
        return;
    }
    WaitForInitialisation(spec);
}

// Instances of one entry start back to back; the entry's first instance gives the wait.
void Launcher::StartInstances(const std::vector<ProcessSpec>& instances) {
    for (size_t j = 0; j < instances.size(); ++j) {
        if (_supervisor.IsQuitting()) {
            return;
        }
        const ProcessSpec& spec = instances[j];
        const std::string instanceName = InstanceName(instances, j);
        const std::string line = FormatString("%s Starting Process %s ......",
                                              GetLocalTimeString().c_str(), instanceName.c_str());
        LOG_PRINT("%s", line.c_str());
        if (!StartProcess(instanceName, spec.workDir, spec.cmd) && !_supervisor.IsQuitting()) {
            LOG_ERROR("%s fail", line.c_str());
        }
    }
    WaitForInitialisation(instances.front());
}

// The entry's wait, between its progress lines; a quit ends it without the "successful" line.
void Launcher::WaitForInitialisation(const ProcessSpec& spec) {
    LOG_PRINT("%s", FormatString("%s Wait for %d second to Process %s initialize.",
                                 GetLocalTimeString().c_str(), spec.sleep, spec.name.c_str())
                        .c_str());
    // A negative count means no wait; 64 bits keep the product exact before the clamp.
    const int64_t milliseconds = std::min<int64_t>(int64_t{spec.sleep} * 1000, kMaxWaitMs);
    if (!_supervisor.WaitUnlessQuitting(milliseconds)) {
        return;
    }
    LOG_PRINT("%s", FormatString("%s Start Process %s successful.", GetLocalTimeString().c_str(),
                                 spec.name.c_str())
                        .c_str());
}

bool Launcher::StartProcess(const std::string& name, const std::string& workDir,
                            const std::string& cmd) {
    auto log = _processLogPaths.find(name);
    return _supervisor.Start(name, workDir, cmd, &Launcher::OnProcessOutput,
                             log == _processLogPaths.end() ? std::string() : log->second);
}

void Launcher::OnProcessOutput(ExcuteProcess* runner, const std::string& chunk, void* context) {
    LOG_PRINT("%s", chunk.c_str());
    if (context != nullptr) static_cast<ProcessLog*>(context)->Write(chunk);
}

void Launcher::NameProcessLogs() {
    if (!_processLogs) return;
    std::vector<std::string> names;
    for (const auto& entry : _processPlan) {
        for (size_t j = 0; j < entry.second.size(); ++j)
            names.push_back(InstanceName(entry.second, j));
    }
    const std::vector<std::string> files = ProcessLogFileNames(names);
    for (size_t i = 0; i < names.size(); ++i)
        _processLogPaths[names[i]] = GetExeDir() + "/log/" + files[i];
}

namespace {

// Follows every line of a process killed or found as a leftover, so that an operator can see
// what was ended: the path is read before the kill, as an ended process names none.
void LogExecutable(int pid, const std::string& executable) {
    if (executable.empty()) {
        LOG_PRINT("Pid = %d executable = unknown (ended, or not visible to this user)", pid);
    } else {
        LOG_PRINT("Pid = %d executable = %s", pid, executable.c_str());
    }
}

}  // namespace

void Launcher::CheckProcessState() {
    LOG_PRINT("Start to check process running state.");
    PyConfig& config = _pyConfig->EnsureParsed();
    // In 64 bits: the script's counts are only bounded by the plan's own limit.
    const int64_t instances = int64_t{config._slots} * config._modules;
    KillListeners("Sequence", "SEQUENCER_PORT", _zmqPorts->SEQUENCER_PORT, instances);
    KillListeners("Engine", "TEST_ENGINE_PORT", _zmqPorts->TEST_ENGINE_PORT, instances);
    KillListeners("StateMachine", "SM_PORT", _zmqPorts->SM_PORT, config._modules);

    for (const ScriptProcess& entry : config._processEntries) {
        // An interpreter such as lua runs station scripts and other programs alike; killing
        // it by name could hit processes that are not the station's.
        if (!entry.execute.empty() && entry.execute.find("lua") != std::string::npos) {
            continue;
        }
        // Processes are known by their executable's file name, not by the path written;
        // an empty name names no executable. Wherever a copy runs from, it holds the
        // station's ports and hardware, so it goes too; the launcher and what started it are
        // never found.
        const std::string name = GetFileName(entry.bin.c_str());
        if (name.empty()) {
            continue;
        }
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

void Launcher::KillListeners(const char* family, const char* portKey, int basePort, int64_t count) {
    if (basePort < 0) {
        // The port file does not give this family's base port: there is nothing to probe.
        if (count > 0) {
            LOG_PRINT("%s is %d, %s ports are not checked.", portKey, basePort, family);
        }
        return;
    }
    for (int64_t k = 0; k < count; ++k) {
        // A port file may give any 32-bit base: only real ports are probed, never a sum that
        // wraps around.
        const int64_t port = int64_t{basePort} + k;
        if (port < kLowestPort) continue;
        if (port > kHighestPort) break;
        const int pid = GetListeningPid(static_cast<int>(port));
        if (pid <= 0) {
            continue;
        }
        const std::string executable = GetExecutablePath(static_cast<unsigned int>(pid));
        const bool killed = KillProcessById(static_cast<unsigned int>(pid));
        if (killed) {
            LOG_PRINT("Kill %s[%d] success.Pid = %d", family, static_cast<int>(k), pid);
        } else {
            LOG_PRINT("Kill %s[%d] failed.Pid = %d", family, static_cast<int>(k), pid);
        }
        LogExecutable(pid, executable);
        if (!killed && IsSelfOrAncestor(static_cast<unsigned int>(pid))) {
            LOG_PRINT(
                "Pid = %d is this launcher or one that started it, and is not ended. "
                "Free port %d of it before starting the station.",
                pid, static_cast<int>(port));
        }
    }
}
