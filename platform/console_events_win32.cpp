// Console events on Win32: SetConsoleCtrlHandler. The system calls the handler on a new
// thread of its own for each event, so the handler may do the whole handling (printing,
// closing every child) itself, and nothing is ever left waiting to be taken.

#include <windows.h>

#include <string>

#include "platform/console_event_source.h"
#include "platform/console_events.h"

namespace {

// The status a console program gets when the system's own handler ends it on an event. The
// launcher ends with it after close, shutdown and Ctrl-Break too, so that whoever started it
// sees what it would see of any console program ended that way.
const UINT kStatusControlCExit = 0xC000013A;  // STATUS_CONTROL_C_EXIT

BOOL WINAPI OnConsoleEvent(DWORD type) {
    switch (type) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            return ConsoleCtrlHandler(static_cast<int>(type)) ? TRUE : FALSE;
        default:
            // Log-off reaches services only; anything else is the system's.
            return FALSE;
    }
}

}  // namespace

bool StartConsoleEventSource(std::string& error) {
    // A process created with CREATE_NEW_PROCESS_GROUP, or by a parent that ignored Ctrl-C,
    // starts with Ctrl-C ignored; Ctrl-C must always work, so that is undone first. The flag
    // is inherited, so the children get Ctrl-C again too, as the launcher's console shares it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    if (!SetConsoleCtrlHandler(OnConsoleEvent, TRUE)) {
        error = "SetConsoleCtrlHandler failed with error " + std::to_string(GetLastError());
        return false;
    }
    return true;
}

int TakeWaitingEndEvent() {
    // An event that has arrived is already in ConsoleCtrlHandler on its own thread (which
    // records it before it waits); the system keeps none back.
    return -1;
}

void EndProgramByEvent(int eventCode) {
    // TerminateProcess, not ExitProcess: ExitProcess runs every library's detach code while
    // the other threads are cut off wherever they stand, a console write or a lock among
    // them, and may hang on it; the close event allows only a few seconds. The shared
    // handling has closed the children and flushed the console already. Closing the
    // process's handles then closes its jobs, whose kill-on-close ends whatever is left.
    TerminateProcess(GetCurrentProcess(), kStatusControlCExit);
    ExitProcess(kStatusControlCExit);  // only if the process could not end itself
}
