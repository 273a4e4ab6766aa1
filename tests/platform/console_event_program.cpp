// Registers a quit callback, says "ready" and loops until the callback has run: the console
// event tests signal it and look at what it says and how it ends.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/console_events.h"

static std::atomic<bool> g_running{true};

static bool QuitProc() {
    printf("callback ran\n");
    g_running = false;
    return true;
}

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT's default action would write one
    SetConsoleQuitCallback(QuitProc);
    // Started afterwards, as the launcher's readers are: it must never take a console signal.
    std::thread worker([] {
        while (g_running) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    printf("ready\n");
    while (g_running) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    worker.join();
    printf("loop ended\n");
}
