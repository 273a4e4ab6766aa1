#pragma once
// Config test fixture: real files in a temporary directory; log and standard output read back.

#include <gtest/gtest.h>

#include <string>

#include "platform/log.h"
#include "platform/text_utils.h"
#include "tests/support/test_support.h"

class ConfigTest : public testing::Test {
  protected:
    void SetUp() override { LOG_INIT(_dir / "log/Launcher.log", false); }
    void TearDown() override {
        _stdout.Take();
        // Closed first: closing rolls the file over, which would recreate a removed directory.
        LOG_SHUTDOWN();
    }

    // Writes `content` to the relative path, creating directories; returns the full path.
    std::string Write(const std::string& relative, const std::string& content) const {
        test_support::WriteFile(_dir / relative, content);
        return _dir / relative;
    }
    // Standard output since the test began or the previous call.
    std::string Printed() {
        std::string printed = _stdout.Take();
        _stdout.Start();
        return printed;
    }
    // The log as "LEVEL message" lines, a message's own line ends kept, each "\n" whatever
    // the platform's text files end lines with.
    std::string Log() const {
        std::string text;
        for (const auto& [level, message] : test_support::ReadLogRecords(_dir / "log/Launcher.log"))
            text += level + " " + message + "\n";
        ReplaceString(text, kTextLineEnd, "\n", true);
        return text;
    }

    test_support::TempDir _dir;
    test_support::StdoutCapture _stdout;
};
