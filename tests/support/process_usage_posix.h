#pragma once
// How many threads and open descriptors this process has, to compare before and after.
// Linux only: read from /proc.

#include <filesystem>
#include <iterator>

namespace test_support {

struct Usage {
    static int Count(const char* directory) {
        using Entries = std::filesystem::directory_iterator;
        return static_cast<int>(std::distance(Entries(directory), Entries()));
    }
    int threads = Count("/proc/self/task");
    int descriptors = Count("/proc/self/fd") - 1;  // less the one that reads the directory
};

}  // namespace test_support
