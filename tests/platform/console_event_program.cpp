// What the console event tests signal: it says "ready" and waits for its quit callback.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/console_events.h"
#include "platform/console_output.h"

static std::atomic<bool> g_running{true};

static bool QuitProc() {
    ConsolePrintf("callback ran\n");
    g_running = false;
    return true;
}

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    SetConsoleQuitCallback(QuitProc);
    // Started afterwards, as the launcher's readers are: it must never take a console signal.
    std::thread worker([] {
        while (g_running) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    ConsolePrintf("ready\n");
    worker.join();  // the main loop
    ClaimProgramEnd();
    ConsolePrintf("loop ended\n");
    ConsoleFlush(5000);
}
