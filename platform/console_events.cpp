#include "platform/console_events.h"

#include <atomic>
#include <cstdio>

// The quit callback slot; empty until SetConsoleQuitCallback, never cleared.
std::atomic<ConsoleQuitCallback> g_consoleQuitCallback{nullptr};

namespace {
// Set before the callback runs, so that whoever sees the callback's effects sees it too.
std::atomic<bool> g_consoleEnding{false};
}  // namespace

bool IsConsoleEnding() {
    return g_consoleEnding.load();
}

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
    if (eventCode != kConsoleCtrlC) g_consoleEnding = true;
    ConsoleQuitCallback callback = g_consoleQuitCallback.load();
    if (callback != nullptr) callback();
    return true;
}
