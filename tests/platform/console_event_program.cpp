// What the console event tests signal: it says "ready" and waits for its quit callback.
#include <sys/prctl.h>

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
    prctl(PR_SET_DUMPABLE, 0);  // no core file from SIGQUIT's default action
    SetConsoleQuitCallback(QuitProc);
    // Started afterwards, as the launcher's readers are: it must never take a console signal.
    std::thread worker([] {
        while (g_running) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    printf("ready\n");
    worker.join();  // the main loop
    printf("loop ended\n");
}
