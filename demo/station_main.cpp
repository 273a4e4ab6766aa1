// vx_demo_station: stands in for one process of a test station (a Sequence, an Engine, a
// StateMachine or a station-wide process). It holds its port on 127.0.0.1 as the real ones
// do, says what it is, and sends a heartbeat now and then until it is told to stop.
//
//   vx_demo_station ROLE BASE_PORT                       station-wide: port BASE_PORT
//   vx_demo_station ROLE BASE_PORT MODULE                per module: BASE_PORT + MODULE
//   vx_demo_station ROLE BASE_PORT MODULE SLOT SLOTS     per module and slot:
//                                                        BASE_PORT + MODULE * SLOTS + SLOT
// A BASE_PORT of 0 holds no port.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "demo/listen_socket.h"

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int signalNumber) {
    g_stopSignal = signalNumber;
}

const int kHeartbeatSeconds = 5;

bool ParseNumber(const char* text, int& value) {
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < 0 || number > 65535) {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // The launcher reads this process through a pipe: every line must leave at once.
    setvbuf(stdout, nullptr, _IONBF, 0);

    int basePort = 0;
    int numbers[3] = {0, 0, 1};  // module, slot, slot count
    bool valid = (argc == 3 || argc == 4 || argc == 6) && ParseNumber(argv[2], basePort);
    for (int i = 3; valid && i < argc; ++i) {
        valid = ParseNumber(argv[i], numbers[i - 3]);
    }
    if (!valid || numbers[2] == 0) {
        std::fprintf(stderr, "usage: vx_demo_station ROLE BASE_PORT [MODULE [SLOT SLOTS]]\n");
        return 2;
    }

    const std::string role = argv[1];
    const int module = numbers[0];
    const int slot = numbers[1];
    const int index = argc == 6 ? module * numbers[2] + slot : module;
    const std::string name = argc == 3 ? role : role + std::to_string(index);
    const int port = basePort == 0 ? 0 : basePort + index;

    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);

    std::printf("[%s] starting (module %d, slot %d)\n", name.c_str(), module,
                argc == 6 ? slot : -1);
    ListenSocket socket;
    if (port != 0) {
        const char* error = "";
        if (!socket.Listen(port, error)) {
            std::printf("[%s] cannot listen on 127.0.0.1:%d: %s\n", name.c_str(), port, error);
            return 1;
        }
        std::printf("[%s] listening on 127.0.0.1:%d\n", name.c_str(), port);
    }
    std::printf("[%s] ready\n", name.c_str());

    int beats = 0;
    int connections = 0;
    auto nextBeat = std::chrono::steady_clock::now() + std::chrono::seconds(kHeartbeatSeconds);
    while (g_stopSignal == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        connections += socket.AcceptPending();
        if (std::chrono::steady_clock::now() >= nextBeat) {
            ++beats;
            std::printf("[%s] heartbeat %d, %d connection(s) served\n", name.c_str(), beats,
                        connections);
            nextBeat += std::chrono::seconds(kHeartbeatSeconds);
        }
    }
    std::printf("[%s] stopping on signal %d\n", name.c_str(), static_cast<int>(g_stopSignal));
    return 0;
}
