#include "platform/console_events.h"

#include <atomic>
#include <mutex>

#include "platform/console_event_source.h"
#include "platform/console_output.h"

namespace {

// How long an ending event lets the console catch up before the program goes: well inside
// the few seconds a closed console leaves a program.
const int kLastOutputMs = 1000;

// The quit callback; empty until SetConsoleQuitCallback, never cleared.
std::atomic<ConsoleQuitCallback> g_callback{nullptr};

// An ending event taken from the system but not handled yet: the program's own end must
// not overtake it.
std::atomic<int> g_endingEventWaiting{-1};

// Held while an event is handled, and for good once the program ends: an event can never
// meet a program that is tearing its log down, and two events never overlap. Never
// destroyed, since an event may still wait on it while the program ends.
std::mutex& EventGate() {
    static std::mutex* const gate = new std::mutex();
    return *gate;
}

const char* EventText(int eventCode) {
    switch (eventCode) {
        case kConsoleCtrlC:
            return "CTRL_C_EVENT \n";
        case kConsoleBreak:
            return "CTRL_BREAK_EVENT \n";
        case kConsoleClose:
            return "CTRL_CLOSE_EVENT \n";
        case kConsoleShutdown:
            return "CTRL_SHUTDOWN_EVENT \n";
        default:
            return nullptr;
    }
}

// With the gate held: the message, the callback and, for an ending event, the end.
void HandleGated(int eventCode, const char* text) {
    ConsolePrintf("%s", text);
    ConsoleQuitCallback callback = g_callback.load();
    if (callback != nullptr) callback();
    if (eventCode == kConsoleCtrlC) return;
    ConsoleFlush(kLastOutputMs);
    EndProgramByEvent(eventCode);
}

}  // namespace

bool SetConsoleQuitCallback(ConsoleQuitCallback callback) {
    g_callback = callback;
    static std::once_flag started;
    static bool running = false;
    std::call_once(started, [] {
        std::string error;
        running = StartConsoleEventSource(error);
        if (!running) {
            ConsolePrintf(
                "Console events cannot be handled: %s. Ctrl-C ends the launcher "
                "without closing its processes.\n",
                error.c_str());
        }
    });
    return running;
}

bool ConsoleCtrlHandler(int eventCode) {
    const char* text = EventText(eventCode);
    if (text == nullptr) return false;
    if (eventCode != kConsoleCtrlC) g_endingEventWaiting = eventCode;
    std::lock_guard<std::mutex> gate(EventGate());
    HandleGated(eventCode, text);
    return true;
}

void HoldConsoleEvents() {
    EventGate().lock();
}

void ReleaseConsoleEvents() {
    EventGate().unlock();
}

void ClaimProgramEnd() {
    EventGate().lock();  // never unlocked: no event is handled after this
    int waiting = g_endingEventWaiting.load();
    if (waiting < 0) waiting = TakeWaitingEndEvent();
    if (waiting >= 0) HandleGated(waiting, EventText(waiting));
}
