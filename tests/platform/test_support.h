#pragma once
// Helpers shared by the platform tests.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

namespace test_support {

// A fresh directory under /tmp, removed with its contents when the object goes.
struct TempDir {
    std::string path = mkdtemp(&std::string("/tmp/vx_platform_test_XXXXXX")[0]);
    ~TempDir() { std::filesystem::remove_all(path); }
};

// The file's bytes; "" when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// How many threads and open descriptors this process has, to compare before and after.
struct Usage {
    static int Count(const char* directory) {
        using Entries = std::filesystem::directory_iterator;
        return static_cast<int>(std::distance(Entries(directory), Entries()));
    }
    int threads = Count("/proc/self/task");
    int descriptors = Count("/proc/self/fd") - 1;  // less the one that reads the directory
};

// Polls `done` every 5 ms, for about 5 s at most; returns its last answer.
inline bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

}  // namespace test_support
