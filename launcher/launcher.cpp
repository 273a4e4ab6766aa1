// Lifecycle of the launcher: the one object, and its stop on a console quit.

#include "launcher/launcher.h"

#include "config/port_map.h"
#include "config/project_info.h"
#include "config/py_config.h"
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
    _supervisor.CloseAll();
    return true;
}
