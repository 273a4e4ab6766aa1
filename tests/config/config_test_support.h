#pragma once
// Helpers of the config tests: temporary directories with real files, and the messages that
// reached the log file and the console.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/log.h"

namespace config_test {

// A fresh directory under /tmp, removed with its contents when the object goes.
class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/vx_config_test_XXXXXX";
        if (mkdtemp(pattern) != nullptr) _path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!_path.empty()) std::filesystem::remove_all(_path, ignored);
    }
    const std::string& Path() const { return _path; }

    // Writes `content` to the relative path, creating directories; returns the full path.
    std::string Write(const std::string& relative, const std::string& content) const {
        std::string path = _path + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

  private:
    std::string _path;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// Logs into a file of its own temporary directory and captures standard output, so that a
// test can read what was logged (by level) and what was printed.
class LoggedTest : public testing::Test {
  protected:
    void SetUp() override {
        _logPath = _logDir.Path() + "/log/Launcher.log";
        LOG_INIT(_logPath, false);
        testing::internal::CaptureStdout();
    }
    void TearDown() override {
        testing::internal::GetCapturedStdout();
        // Closed while its directory still exists: closing rolls the file over, which would
        // otherwise recreate the directory after it was removed.
        LOG_SHUTDOWN();
    }

    // What was printed on standard output since SetUp or the previous call.
    std::string Printed() {
        std::string printed = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        return printed;
    }

    // The whole log file, continuation lines included.
    std::string LogText() const { return ReadFile(_logPath); }

    // One "LEVEL message" per record, the level without its padding.
    std::vector<std::string> LogRecords() const {
        static const std::regex record(
            R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3} \[\d+\] \[(\w+) *\] (.*)$)");
        std::vector<std::string> records;
        std::istringstream lines(LogText());
        std::string line;
        std::smatch match;
        while (std::getline(lines, line)) {
            if (std::regex_match(line, match, record)) {
                records.push_back(match[1].str() + " " + match[2].str());
            }
        }
        return records;
    }

    TempDir _dir;

  private:
    TempDir _logDir;
    std::string _logPath;
};

}  // namespace config_test
