#pragma once
// Config test fixture: real files in a temporary directory; log and standard output read back.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "platform/console_output.h"
#include "platform/log.h"

class ConfigTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vx_config_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        _dir = pattern;
        LOG_INIT(_dir + "/log/Launcher.log", false);
        testing::internal::CaptureStdout();
    }
    void TearDown() override {
        ConsoleFlush(5000);  // the console is written by a thread of its own
        testing::internal::GetCapturedStdout();
        // Closed first: closing rolls the file over, which would recreate a removed directory.
        LOG_SHUTDOWN();
        std::filesystem::remove_all(_dir);
    }

    // Writes `content` to the relative path, creating directories; returns the full path.
    std::string Write(const std::string& relative, const std::string& content) const {
        std::string path = _dir + "/" + relative;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // Standard output since SetUp or the previous call.
    std::string Printed() {
        ConsoleFlush(5000);  // the console is written by a thread of its own
        std::string printed = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        return printed;
    }

    // The log file with each record's time and thread left out: "LEVEL message" lines, and the
    // continuation lines of a record as they are.
    std::string Log() const {
        std::ifstream file(_dir + "/log/Launcher.log", std::ios::binary);
        static const std::regex stamp(
            R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,\d{3} \[\d+\] \[(\w+) *\] )");
        return std::regex_replace(std::string(std::istreambuf_iterator<char>(file), {}), stamp,
                                  "$1 ");
    }

    std::string _dir;
};
