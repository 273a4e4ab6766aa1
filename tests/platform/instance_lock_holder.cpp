// What the instance lock tests start: takes the lock of the installation whose path's bytes
// are argv[1] in hex (so that any code page passes the command line unchanged), says "held"
// or "refused", and keeps what it took until it is killed.
#include <chrono>
#include <string>
#include <thread>

#include "platform/console_output.h"
#include "platform/instance_lock.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string dir;
    for (const char* hex = argv[1]; hex[0] != '\0' && hex[1] != '\0'; hex += 2)
        dir += static_cast<char>(std::stoi(std::string(hex, 2), nullptr, 16));
    ConsolePrintf(LockInstallation(dir) ? "held\n" : "refused\n");
    ConsoleFlush(5000);
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
