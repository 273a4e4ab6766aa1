// Console events on POSIX: SIGINT is Ctrl-C, SIGQUIT Ctrl-Break, SIGHUP the console being
// closed and SIGTERM system shutdown. They are blocked in every thread and taken with sigwait
// on a thread of their own: the handler's work (printing, closing every child) is far from
// async-signal-safe.

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <system_error>
#include <thread>

#include "platform/console_event_source.h"
#include "platform/console_events.h"

namespace {

const int kEndingSignals[] = {SIGHUP, SIGTERM, SIGQUIT};

// The signals taken over; SIGHUP only when it was not inherited as ignored (nohup).
sigset_t g_taken;

int EventOfSignal(int signal) {
    switch (signal) {
        case SIGINT:
            return kConsoleCtrlC;
        case SIGQUIT:
            return kConsoleBreak;
        case SIGHUP:
            return kConsoleClose;
        default:
            return kConsoleShutdown;
    }
}

int SignalOfEvent(int eventCode) {
    switch (eventCode) {
        case kConsoleBreak:
            return SIGQUIT;
        case kConsoleClose:
            return SIGHUP;
        default:
            return SIGTERM;
    }
}

void WaitForConsoleEvents() {
    for (;;) {
        int signal = 0;
        if (sigwait(&g_taken, &signal) == 0) ConsoleCtrlHandler(EventOfSignal(signal));
    }
}

}  // namespace

bool StartConsoleEventSource(std::string& error) {
    sigemptyset(&g_taken);
    sigaddset(&g_taken, SIGINT);
    sigaddset(&g_taken, SIGQUIT);
    sigaddset(&g_taken, SIGTERM);
    struct sigaction hangUp;
    if (sigaction(SIGHUP, nullptr, &hangUp) != 0 || hangUp.sa_handler != SIG_IGN)
        sigaddset(&g_taken, SIGHUP);
    // Blocked in this thread before any other exists: every later thread inherits the mask,
    // so the signals stay pending until the event thread takes them. This is why the call
    // must come first in the program.
    pthread_sigmask(SIG_BLOCK, &g_taken, nullptr);
    // A signal whose action is "ignore" is dropped even while blocked: a background job's
    // SIGINT and SIGQUIT come ignored from its shell, and Ctrl-C must still work.
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal : {SIGINT, SIGQUIT, SIGTERM, SIGHUP}) {
        if (sigismember(&g_taken, signal)) sigaction(signal, &byDefault, nullptr);
    }
    try {
        std::thread(WaitForConsoleEvents).detach();
    } catch (const std::system_error& error) {
        pthread_sigmask(SIG_UNBLOCK, &g_taken, nullptr);
        printf(
            "Console events cannot be handled: %s. Ctrl-C ends the launcher without "
            "closing its processes.\n",
            error.what());
        return false;
    }
    return true;
}

int TakeWaitingEndEvent() {
    sigset_t ending;
    sigemptyset(&ending);
    for (int signal : kEndingSignals) {
        if (sigismember(&g_taken, signal)) sigaddset(&ending, signal);
    }
    const struct timespec now = {0, 0};
    int signal = sigtimedwait(&ending, nullptr, &now);
    return signal > 0 ? EventOfSignal(signal) : -1;
}

void EndProgramByEvent(int eventCode) {
    // The default action back and the signal unblocked for this thread, so that the parent
    // sees the program killed by it.
    const int signal = SignalOfEvent(eventCode);
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, signal);
    // Ctrl-Break ends the program; it is no request for a core file in the station's folder.
    if (signal == SIGQUIT) {
        const struct rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
    }
    pthread_sigmask(SIG_UNBLOCK, &just, nullptr);
    raise(signal);
    _exit(128 + signal);  // only if the signal did not end the process
}
