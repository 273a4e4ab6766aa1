#include "platform/instance_lock.h"

#include <Poco/DigestEngine.h>
#include <Poco/MD5Engine.h>

#include <cstdio>

#include "platform/clock.h"
#include "platform/console_output.h"
#include "platform/instance_lock_backend.h"

namespace backend = instance_lock_backend;

namespace {

// A holder that has just taken the name may not answer for a moment; a holder that has just
// ended leaves the name free. Either way asking again settles it.
const int kAttempts = 50;
const unsigned int kAttemptPauseMs = 10;

bool g_held = false;

// The lock's name: from the directory as the system names it, so that every spelling of it
// is one station; hashed, so that any path gives a short name of plain characters.
std::string LockName(const std::string& installationDir) {
    Poco::MD5Engine md5;
    md5.update(backend::DirectoryKey(installationDir));
    return "VXLauncher-" + Poco::DigestEngine::digestToHex(md5.digest());
}

}  // namespace

bool LockInstallation(const std::string& installationDir) {
    if (g_held) return true;
    const std::string name = LockName(installationDir);
    int holder = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string error;
        switch (backend::Hold(name, error)) {
            case backend::HoldResult::kHeld:
                g_held = true;
                return true;
            case backend::HoldResult::kFailed:
                ConsolePrintf(
                    "Could not check for another launcher of the station in %s (%s); "
                    "starting anyway.\n",
                    installationDir.c_str(), error.c_str());
                return true;
            case backend::HoldResult::kTaken:
                holder = backend::Holder(name);
                break;
        }
        if (holder != 0) break;
        SleepMs(kAttemptPauseMs);
    }
    if (holder > 0) {
        ConsolePrintf(
            "Another launcher is running the station in %s (Pid = %d). This one ends and "
            "leaves the station alone; stop that launcher first to start the station again.\n",
            installationDir.c_str(), holder);
    } else {
        ConsolePrintf(
            "Another launcher is running the station in %s. This one ends and leaves the "
            "station alone; stop that launcher first to start the station again.\n",
            installationDir.c_str());
    }
    return false;
}

int InstallationLockHolder(const std::string& installationDir) {
    return backend::Holder(LockName(installationDir));
}
