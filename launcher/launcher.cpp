// Lifecycle of the launcher: the one object, and its stop on a console quit.

#include "launcher/launcher.h"

#include "config/port_map.h"
#include "config/project_info.h"
#include "config/py_config.h"
#include "platform/child_process.h"
#include "platform/log.h"

int g_starttimes = 0;

Launcher::Launcher() = default;

Launcher& Launcher::Instance() {
    // A function-local static is initialised once even when the main thread and the
    // console-event thread get here at the same time. Never deleted: runners' reader threads
    // and a late console event may still reach the object while the process ends.
    static Launcher* const instance = new Launcher();
    return *instance;
}

bool Launcher::ConsoleQuitProc() {
    LOG_PRINT("ConsoleQuitProc...\n");
    return Launcher::Instance().Uninit();
}

bool Launcher::Uninit() {
    std::lock_guard<std::mutex> lock(_processMutex);
    // Set before closing, so that Run neither starts nor waits for anything after this.
    _quitting = true;
    for (std::unique_ptr<ExcuteProcess>& runner : _processes) {
        runner->CloseProcess();
    }
    _processes.clear();
    _isRunning = false;
    _quitSignal.notify_all();
    return true;
}

bool Launcher::IsQuitting() {
    std::lock_guard<std::mutex> lock(_processMutex);
    return _quitting;
}
