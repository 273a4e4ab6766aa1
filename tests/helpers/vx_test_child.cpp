// The helper child's portable modes and its mode table; see vx_test_child.h.
#include "vx_test_child.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "demo/listen_socket.h"

namespace vx_test_child {

void SleepForever() {
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

unsigned long long Arg(int argc, char** argv, int index, unsigned long long fallback) {
    return argc > index + 1 ? strtoull(argv[index + 1], nullptr, 10) : fallback;
}

namespace {

// hold-port PORT [PROGRAM ARGS...]: listens on 127.0.0.1:PORT as a station process does (the
// demo's socket, not inherited by PROGRAM) and says "listening"; then runs PROGRAM and ends as
// it ends, or without one sleeps until killed.
int HoldPort(int argc, char** argv) {
    ListenSocket socket;
    const char* error = nullptr;
    if (!socket.Listen(static_cast<int>(Arg(argc, argv, 1)), error)) {
        Say("bind failed\n");
        return 1;
    }
    Say("listening\n");
    if (argc < 4) SleepForever();
    return RunProgram(argv + 3);
}

const Mode kModes[] = {
    // echo TEXT...: the arguments joined by blanks, and a line end.
    {"echo",
     [](int argc, char** argv) {
         std::string line;
         for (int i = 2; i < argc; ++i) line += (i > 2 ? " " : "") + std::string(argv[i]);
         return Say(line + "\n");
     }},
    // write-bytes N: N bytes 'a'..'z' repeated, in one write.
    {"write-bytes",
     [](int argc, char** argv) {
         std::string data(Arg(argc, argv, 1), ' ');
         for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
         return Say(data);
     }},
    // zero-byte: "before", a zero byte and "after", in one write.
    {"zero-byte", [](int, char**) { return Say(std::string("before\0after", 12)); }},
    // flood BYTES LINESIZE: BYTES in total, as writes of LINESIZE bytes each ending in "\n".
    {"flood",
     [](int argc, char** argv) {
         const unsigned long long total = Arg(argc, argv, 1), lineSize = Arg(argc, argv, 2, 100);
         if (lineSize == 0) return 2;
         const std::string line = std::string(lineSize - 1, 'x') + "\n";
         for (unsigned long long sent = 0; sent < total; sent += lineSize) Say(line);
         return 0;
     }},
    // sleep MS: sleeps MS milliseconds, then ends with 0.
    {"sleep",
     [](int argc, char** argv) {
         std::this_thread::sleep_for(std::chrono::milliseconds(Arg(argc, argv, 1)));
         return 0;
     }},
    {"hold-port", HoldPort},
    // exit CODE: ends at once with CODE.
    {"exit", [](int argc, char** argv) { return static_cast<int>(Arg(argc, argv, 1)); }},
};

}  // namespace
}  // namespace vx_test_child

int main(int argc, char** argv) {
    using namespace vx_test_child;
    if (argc >= 2) {
        for (const Mode& mode : kModes)
            if (strcmp(argv[1], mode.name) == 0) return mode.run(argc, argv);
        for (size_t i = 0; i < kPlatformModeCount; ++i)
            if (strcmp(argv[1], kPlatformModes[i].name) == 0)
                return kPlatformModes[i].run(argc, argv);
    }
    fprintf(stderr, "usage: vx_test_child MODE [ARGS...] (modes: see kModes)\n");
    return 2;
}
