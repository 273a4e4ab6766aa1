#pragma once
// Small helpers shared by the platform tests: temporary directories, files, counting the
// test process's own threads and descriptors, waiting for a condition.

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace test_support {

// A fresh directory under /tmp, removed with its contents when the object goes.
class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/vx_platform_test_XXXXXX";
        _path = mkdtemp(pattern);
    }
    ~TempDir() { std::system(("rm -rf '" + _path + "'").c_str()); }
    const std::string& Path() const { return _path; }

  private:
    std::string _path;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

inline int CountEntries(const char* directory) {
    DIR* dir = opendir(directory);
    if (dir == nullptr) return -1;
    int count = 0;
    while (struct dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') ++count;
    }
    closedir(dir);
    return count;
}

// Less the descriptor with which the directory itself is read.
inline int CountOpenDescriptors() {
    return CountEntries("/proc/self/fd") - 1;
}
inline int CountThreads() {
    return CountEntries("/proc/self/task");
}

// Polls `done` every 5 ms for up to `timeoutMs`; returns its last answer.
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// True while a process (or zombie) with this id exists.
inline bool ProcessExists(int pid) {
    return access(("/proc/" + std::to_string(pid)).c_str(), F_OK) == 0;
}

// "Z" for a zombie, "" when the process is gone.
inline std::string ProcessState(int pid) {
    std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size()) return "";
    return stat.substr(close + 2, 1);
}

}  // namespace test_support
