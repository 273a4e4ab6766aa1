#include "platform/console_events.h"

#include <atomic>
#include <cstdio>

// The quit callback slot; empty until SetConsoleQuitCallback, never cleared.
std::atomic<ConsoleQuitCallback> g_consoleQuitCallback{nullptr};

bool ConsoleCtrlHandler(int eventCode) {
    const char* text = nullptr;
    switch (eventCode) {
        case kConsoleCtrlC:
            text = "CTRL_C_EVENT \n";
            break;
        case kConsoleClose:
            text = "CTRL_CLOSE_EVENT \n";
            break;
        case kConsoleShutdown:
            text = "CTRL_SHUTDOWN_EVENT \n";
            break;
        default:
            return false;
    }
    printf("%s", text);
    ConsoleQuitCallback callback = g_consoleQuitCallback.load();
    if (callback != nullptr) callback();
    return true;
}
