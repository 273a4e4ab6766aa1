// Registers a quit callback, says "ready", and runs a main loop until the callback has run:
// the console event tests deliver real signals to it and look at its output and exit status.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/console_events.h"

namespace {

std::atomic<bool> g_running{true};

bool QuitProc() {
    printf("callback ran\n");
    fflush(stdout);
    g_running = false;
    return true;
}

}  // namespace

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT's default action would write one

    SetConsoleQuitCallback(QuitProc);
    // A thread started afterwards, as the launcher's readers are: it must never take a
    // console signal.
    std::thread worker([] {
        while (g_running) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    printf("ready\n");
    while (g_running) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    worker.join();
    printf("loop ended\n");
    return 0;
}
