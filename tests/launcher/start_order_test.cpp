// The start phase: entries one after the other, the instances of one entry back to back,
// the entry's wait after them; a failed single start skips its wait.

#include <signal.h>

#include <cstdio>
#include <ctime>

#include "e2e_support.h"

namespace station_test {
namespace {

// Milliseconds of the day of a progress line's leading "YYYY-MM-DD HH:MM:SS.mmm".
long long TimeOf(const std::string& line) {
    int year, month, day, hour, minute, second, millisecond;
    if (sscanf(line.c_str(), "%d-%d-%d %d:%d:%d.%d", &year, &month, &day, &hour, &minute, &second,
               &millisecond) != 7)
        return -1;
    return ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
}

// The text of a progress line behind its time stamp.
std::string Progress(const std::string& line) {
    return line.size() > 24 ? line.substr(24) : line;
}

TEST(StartOrder, EntriesInOrderInstancesBackToBackWaitsAfterEach) {
    Station station;
    station.WriteMinimalStation();
    const std::string child = station.AddChildProgram("o");
    const std::string bin = "$(ProjectDir)/bin";
    station.WriteConfigPy(1, 4,
                          {
                              {"A", "", bin, child, "echo started A", 1},
                              {"B", "", bin, child, "echo started B slot", 1},
                              {"C", "", bin, "no-such-program", "", 5},
                              {"N", "", bin, child, "echo started N", -5},
                              {"Z", "", bin, child, "echo started Z", 0},
                          });
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process Z successful.", 15000));
    station.Signal(SIGINT);
    ASSERT_TRUE(station.WaitForExit().exited);

    std::vector<std::string> lines;
    for (const std::string& line : Lines(station.Output())) {
        if (line.find(" Starting Process ") != std::string::npos ||
            line.find(" Wait for ") != std::string::npos ||
            line.find(" Start Process ") != std::string::npos)
            lines.push_back(line);
    }
    std::vector<std::string> progress;
    for (const std::string& line : lines) progress.push_back(Progress(line));
    const std::vector<std::string> expected = {
        "Starting Process A ......",
        "Wait for 1 second to Process A initialize.",
        "Start Process A successful.",
        "Starting Process B0 ......",
        "Starting Process B1 ......",
        "Starting Process B2 ......",
        "Starting Process B3 ......",
        "Wait for 1 second to Process B initialize.",
        "Start Process B successful.",
        "Starting Process C ......",
        "Starting Process N ......",
        "Wait for -5 second to Process N initialize.",
        "Start Process N successful.",
        "Starting Process Z ......",
        "Wait for 0 second to Process Z initialize.",
        "Start Process Z successful.",
    };
    ASSERT_EQ(expected, progress);

    // The waits: a second after A and after the four B's; none after the failed C, none for
    // a negative count.
    EXPECT_GE(TimeOf(lines[2]) - TimeOf(lines[1]), 990);
    EXPECT_GE(TimeOf(lines[8]) - TimeOf(lines[7]), 990);
    EXPECT_LT(TimeOf(lines[10]) - TimeOf(lines[9]), 1000);
    EXPECT_LT(TimeOf(lines[12]) - TimeOf(lines[11]), 500);

    // The failed start, at ERROR in the log only, with " fail" behind its own line.
    EXPECT_TRUE(LogHas(station, "ERROR", lines[9] + " fail"));
    EXPECT_EQ(std::string::npos, station.Output().find(" fail\n"));
    // The run is counted once, before the leftovers check.
    const std::string output = station.Output();
    EXPECT_LT(output.find("g_starttimes = 1\n"),
              output.find("Start to check process running state."));
}

TEST(StartOrder, EmptyPlanOnlyChecksAndKeepsRunning) {
    Station station;
    station.WriteMinimalStation();
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Finish to check process running state.\n"));
    // Still running a little later.
    EXPECT_FALSE(station.WaitForOutput("Exit success.", 300));
    station.Signal(SIGINT);
    ExitResult result = station.WaitForExit();
    EXPECT_EQ(0, result.exitCode);
    EXPECT_EQ(std::string::npos, station.Output().find("Starting Process"));
}

}  // namespace
}  // namespace station_test
