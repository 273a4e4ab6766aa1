// --check: everything a start would do up to its first change of the station, shown.

#include "launcher/launcher.h"
#include "platform/file_system.h"
#include "platform/instance_lock.h"
#include "platform/log.h"

bool Launcher::Check() {
    const int holder = InstallationLockHolder(GetExeDir());
    if (holder > 0) {
        LOG_PRINT("A launcher runs this station now (Pid = %d); the check leaves it alone.",
                  holder);
    }
    if (!Init()) {
        LOG_PRINT("Check failed: a start would stop at start-up, for the reason above.");
        return false;
    }
    LOG_PRINT("Processes a start would start, in order:");
    for (const auto& entry : _processPlan) {
        for (size_t j = 0; j < entry.second.size(); ++j) {
            const ProcessSpec& spec = entry.second[j];
            LOG_PRINT("  %s  workDir = %s  cmd = %s  wait = %d s",
                      InstanceName(entry.second, j).c_str(), spec.workDir.c_str(), spec.cmd.c_str(),
                      spec.sleep);
        }
    }
    PrintLeftovers();
    LOG_PRINT("Check passed: a start would get past start-up.");
    return true;
}
