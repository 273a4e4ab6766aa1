// Port probing: GetListeningPid when nothing listens (one probe, and the 68 probes of a
// 4-module, 8-slot station before its first start), and one probe with a listener present.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "platform/port_probe.h"

namespace {

// Ports from 20000 upward on which nothing listens (checked with the probe itself).
std::vector<int> IdlePorts(size_t count) {
    std::vector<int> ports;
    for (int port = 20000; ports.size() < count && port < 65535; ++port) {
        if (GetListeningPid(port) == -1) ports.push_back(port);
    }
    return ports;
}

void BM_ProbeNothingListening(benchmark::State& state) {
    const int port = IdlePorts(1).at(0);
    for (auto _ : state) benchmark::DoNotOptimize(GetListeningPid(port));
}
BENCHMARK(BM_ProbeNothingListening)->Unit(benchmark::kMicrosecond);

// 2 x slots x modules + modules probes: Sequence and Engine per slot, StateMachine per module.
void BM_StationStartupProbes68(benchmark::State& state) {
    const std::vector<int> ports = IdlePorts(68);
    for (auto _ : state) {
        for (int port : ports) benchmark::DoNotOptimize(GetListeningPid(port));
    }
}
BENCHMARK(BM_StationStartupProbes68)->Unit(benchmark::kMicrosecond);

void BM_ProbeListenerPresent(benchmark::State& state) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    bind(listener, reinterpret_cast<sockaddr*>(&address), length);
    listen(listener, 4);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const int port = ntohs(address.sin_port);
    if (GetListeningPid(port) != getpid()) state.SkipWithError("listener not found");
    for (auto _ : state) benchmark::DoNotOptimize(GetListeningPid(port));
    close(listener);
}
BENCHMARK(BM_ProbeListenerPresent)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
