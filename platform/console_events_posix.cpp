#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/console_events.h"

extern std::atomic<ConsoleQuitCallback> g_consoleQuitCallback;

namespace {

sigset_t ConsoleSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGTERM);
    return signals;
}

int EventOfSignal(int signal) {
    switch (signal) {
        case SIGINT:
            return kConsoleCtrlC;
        case SIGHUP:
            return kConsoleClose;
        default:
            return kConsoleShutdown;
    }
}

// Ends the process the way `signal` ends it, so that the parent sees it killed by that
// signal. Its default action must be back and the signal unblocked for this thread.
[[noreturn]] void DieOfSignal(int signal) {
    fflush(stdout);
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, signal);
    pthread_sigmask(SIG_UNBLOCK, &just, nullptr);
    raise(signal);
    _exit(128 + signal);  // only if the signal did not end the process
}

// The events are taken with sigwait on a thread of their own: the handler's work (printing,
// the quit callback closing every child) is far from async-signal-safe.
void WaitForConsoleEvents(sigset_t signals) {
    for (;;) {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) continue;
        ConsoleCtrlHandler(EventOfSignal(signal));
        if (signal != SIGINT) DieOfSignal(signal);
    }
}

}  // namespace

void SetConsoleQuitCallback(ConsoleQuitCallback callback) {
    g_consoleQuitCallback = callback;
    static std::once_flag started;
    std::call_once(started, [] {
        // Blocked here, in the main thread, before any other thread exists: every thread
        // inherits the mask, so the signals stay pending until the event thread takes them.
        sigset_t signals = ConsoleSignals();
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        std::thread(WaitForConsoleEvents, signals).detach();
    });
}
