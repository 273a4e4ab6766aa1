// The station process of the soak run. It writes lines "<id>:<seq>:xxx...\n" in bursts (now
// and then a flood big enough to fill the pipe), and keeps the count of bytes it has written
// in a small counter file that it maps into memory, so the count survives a SIGKILL and the
// soak driver can compare it with what reached the launcher's log.
//
//   vx_soak_child soak ID COUNTER_DIR SEED BYTES_PER_SECOND
//       floods, and then, by the seed, either runs until killed, exits with a random code
//       after a random time, or aborts after a random time
//   vx_soak_child still ID COUNTER_DIR            one line, then never reads or writes again
//   vx_soak_child ignore-term ID COUNTER_DIR      ignores SIGTERM, one line, then sleeps
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

// The counter file's layout, read by run-soak.
struct Counter {
    std::atomic<uint64_t> bytes;  // bytes whose write returned
    std::atomic<uint64_t> lines;
    std::atomic<int32_t> fate;   // 0 runs until killed, 1 exits, 2 aborts, 3 quiet
    std::atomic<int32_t> ended;  // 1 once it is about to end by itself
    std::atomic<int32_t> pid;
    std::atomic<int32_t> reserved;
};

Counter* OpenCounter(const std::string& directory, const std::string& id) {
    std::string path = directory + "/" + id + ".counter";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ftruncate(fd, sizeof(Counter)) != 0) {
        perror(path.c_str());
        exit(3);
    }
    void* mapped = mmap(nullptr, sizeof(Counter), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED) exit(3);
    Counter* counter = static_cast<Counter*>(mapped);
    counter->pid = static_cast<int32_t>(getpid());
    return counter;
}

double Now() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// One line per write: a pipe write of at most PIPE_BUF bytes is never split, so lines of
// different children never mix and a child that dies leaves no half line behind.
bool WriteLine(Counter* counter, const std::string& id, uint64_t sequence, size_t padding) {
    std::string line = id + ":" + std::to_string(sequence) + ":" + std::string(padding, 'x') + "\n";
    size_t done = 0;
    while (done < line.size()) {
        ssize_t written = write(STDOUT_FILENO, line.data() + done, line.size() - done);
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    counter->bytes += line.size();
    counter->lines += 1;
    return true;
}

[[noreturn]] void SleepForever() {
    for (;;) pause();
}

int Soak(const std::string& id, Counter* counter, unsigned seed, double bytesPerSecond) {
    std::mt19937 random(seed);
    auto uniform = [&random](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    // A quarter exit and a quarter abort, at a time spread over the first few minutes.
    int fate = static_cast<int>(random() % 4);
    if (fate > 2) fate = 0;
    counter->fate = fate;
    const double end = Now() + uniform(3, 150);

    uint64_t sequence = 0;
    double budget = 0, last = Now();
    for (;;) {
        double now = Now();
        if (fate != 0 && now >= end) {
            counter->ended = 1;
            if (fate == 2) abort();
            return static_cast<int>(random() % 100) + 1;
        }
        budget += (now - last) * bytesPerSecond;
        last = now;
        // One burst in three thousand is a flood of 256 KiB at once, more than the pipe holds.
        if (random() % 3000 == 0) budget += 256 * 1024;
        while (budget > 0) {
            size_t padding = static_cast<size_t>(uniform(0, 1000));
            if (!WriteLine(counter, id, sequence++, padding)) return 4;
            budget -= static_cast<double>(padding + id.size() + 12);
        }
        usleep(static_cast<useconds_t>(uniform(5000, 30000)));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: vx_soak_child soak|still|ignore-term ID COUNTER_DIR ...\n");
        return 2;
    }
    std::string mode = argv[1], id = argv[2];
    Counter* counter = OpenCounter(argv[3], id);
    if (mode == "soak" && argc >= 6)
        return Soak(id, counter, static_cast<unsigned>(strtoul(argv[4], nullptr, 10)),
                    strtod(argv[5], nullptr));
    counter->fate = 3;
    if (mode == "ignore-term") signal(SIGTERM, SIG_IGN);
    if (mode == "still" || mode == "ignore-term") {
        WriteLine(counter, id, 0, 10);
        SleepForever();
    }
    return 2;
}
