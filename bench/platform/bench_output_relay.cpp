// Output relay: a child writing as fast as it can, relayed through ExcuteProcess with a
// handler that logs each chunk as the launcher does (LOG_PRINT to a log file, console on
// /dev/null), against the same child's output read raw from a pipe in 1023-byte reads and
// dropped. Prints MB/s of both and their ratio for 1 KB writes and for 100-byte lines, and the
// relay's MB/s when each chunk also goes to a per-process log.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/child_process.h"
#include "platform/log.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kChild = VX_TEST_CHILD;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The child's output read straight from the pipe in 1023-byte reads and dropped.
double RawMegabytesPerSecond(unsigned long long total, int writeSize) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::string totalText = std::to_string(total), sizeText = std::to_string(writeSize);
    char* argv[] = {const_cast<char*>(kChild.c_str()), const_cast<char*>("flood"),
                    const_cast<char*>(totalText.c_str()), const_cast<char*>(sizeText.c_str()),
                    nullptr};
    Clock::time_point start = Clock::now();
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    char buffer[1024];
    unsigned long long received = 0;
    for (;;) {
        ssize_t count = read(pipeFds[0], buffer, 1023);
        if (count <= 0) break;
        received += static_cast<unsigned long long>(count);
    }
    double seconds = Seconds(start);
    close(pipeFds[0]);
    waitpid(pid, nullptr, 0);
    return received / seconds / 1e6;
}

std::atomic<unsigned long long> g_relayed{0};

void LogChunk(ExcuteProcess*, const std::string& chunk, void* processLog) {
    LOG_PRINT("%s", chunk.c_str());
    if (processLog != nullptr) static_cast<ProcessLog*>(processLog)->Write(chunk);
    g_relayed += chunk.size();
}

// The same output through the runner and the launcher's way of logging it, with or without
// the child's own log.
double RelayMegabytesPerSecond(unsigned long long total, int writeSize, ProcessLog* processLog) {
    g_relayed = 0;
    ExcuteProcess runner;
    runner.SetWorkPath("/tmp");
    runner.SetOutputCallback(LogChunk, processLog);
    Clock::time_point start = Clock::now();
    if (!runner.CreateProcess(kChild + " flood " + std::to_string(total) + " " +
                              std::to_string(writeSize))) {
        return 0;
    }
    while (g_relayed < total) std::this_thread::sleep_for(std::chrono::microseconds(200));
    double seconds = Seconds(start);
    runner.CloseProcess();
    return total / seconds / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned long long total = argc > 1 ? strtoull(argv[1], nullptr, 10) : 200000000ULL;
    char logDir[] = "/tmp/vx_bench_relay_XXXXXX";
    if (mkdtemp(logDir) == nullptr) return 1;
    LOG_INIT(std::string(logDir) + "/log/Launcher.log", false);

    // The console goes to /dev/null while relaying; the figures go to the real one.
    FILE* report = fdopen(dup(STDOUT_FILENO), "w");
    int devNull = open("/dev/null", O_WRONLY);
    fflush(stdout);
    dup2(devNull, STDOUT_FILENO);
    setvbuf(stdout, nullptr, _IONBF, 0);  // as the launcher's console

    fprintf(report, "output relay, %llu bytes per run (best of 3)\n", total);
    ProcessLog processLog(std::string(logDir) + "/log/Child.log");
    for (int writeSize : {1024, 100}) {
        double raw = 0, relay = 0, relayWithLog = 0;
        for (int run = 0; run < 3; ++run) {
            raw = std::max(raw, RawMegabytesPerSecond(total, writeSize));
            relay = std::max(relay, RelayMegabytesPerSecond(total, writeSize, nullptr));
            relayWithLog =
                std::max(relayWithLog, RelayMegabytesPerSecond(total, writeSize, &processLog));
        }
        fprintf(report,
                "  %4d-byte writes: raw %7.1f MB/s, relay %7.1f MB/s, relay/raw %.2f; with the "
                "per-process log %7.1f MB/s (%.2f of the relay)\n",
                writeSize, raw, relay, relay / raw, relayWithLog, relayWithLog / relay);
        fflush(report);
    }
    LOG_SHUTDOWN();
    std::system(("rm -rf '" + std::string(logDir) + "'").c_str());
    return 0;
}
