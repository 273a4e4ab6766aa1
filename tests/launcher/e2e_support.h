#pragma once
// Checks shared by the end-to-end tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station_fixture.h"

namespace station_test {

// True when the log holds a record at `level` whose message is exactly `message`.
inline bool LogHas(const Station& station, const std::string& level, const std::string& message) {
    for (const LogRecord& record : ParseLogRecords(station.LogText())) {
        if (record.level == level && record.message == message) return true;
    }
    return false;
}

// The console's lines, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The console lines that contain `part`, in order.
inline std::vector<std::string> LinesWith(const std::string& text, const std::string& part) {
    std::vector<std::string> found;
    for (const std::string& line : Lines(text)) {
        if (line.find(part) != std::string::npos) found.push_back(line);
    }
    return found;
}

inline int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// Start-up failed: status 255, the entry point's line last, nothing started, no normal end.
inline void ExpectStartupFailure(Station& station) {
    ExitResult result = station.WaitForExit();
    ASSERT_FALSE(result.timedOut) << station.Output();
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(255, result.exitCode);
    const std::string output = station.Output();
    std::vector<std::string> lines = Lines(output);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("Init failed, can not launch.", lines.back());
    EXPECT_EQ(std::string::npos, output.find("CreateProcess"));
    EXPECT_EQ(std::string::npos, output.find("Exit success."));
    EXPECT_TRUE(LogHas(station, "DEBUG", "Init failed, can not launch."));
}

// The launcher got through start-up and its (empty or finished) start phase; Ctrl-C ends it
// with status 0.
inline void ExpectRunsThenStopsOnCtrlC(Station& station) {
    ASSERT_TRUE(station.WaitForOutput("Finish to check process running state."));
    station.Signal(SIGINT);
    ExitResult result = station.WaitForExit();
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(0, result.exitCode);
    EXPECT_NE(std::string::npos, station.Output().find("Exit success."));
}

}  // namespace station_test
