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
#include "platform/text_utils.h"

namespace {

// Longest single wait: what a 32-bit count of milliseconds holds (about 49 days).
const int64_t kMaxWaitMs = 0xFFFFFFFFLL;

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
