// The start phase: entries one after the other, the instances of one entry back to back,
// the entry's wait after them; a failed single start skips its wait, a negative one is none.

#include <cstdio>

#include "station_fixture.h"

namespace station_test {
namespace {

// Milliseconds of the day of a progress line's leading "YYYY-MM-DD HH:MM:SS.mmm".
long long TimeOf(const std::string& line) {
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    sscanf(line.c_str(), "%*d-%*d-%*d %d:%d:%d.%d", &hour, &minute, &second, &millisecond);
    return ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
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
    ASSERT_EQ("exit 0", station.WaitForExit());

    std::vector<std::string> lines, progress;
    for (const std::string& line : Lines(station.Output(), " Process ")) {
        lines.push_back(line);
        progress.push_back(line.substr(std::min<size_t>(24, line.size())));  // behind the time
    }
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

    // A second after A and after the four B's; none after the failed C, none for a negative
    // count.
    EXPECT_GE(TimeOf(lines[2]) - TimeOf(lines[1]), 990);
    EXPECT_GE(TimeOf(lines[8]) - TimeOf(lines[7]), 990);
    EXPECT_LT(TimeOf(lines[10]) - TimeOf(lines[9]), 1000);
    EXPECT_LT(TimeOf(lines[12]) - TimeOf(lines[11]), 500);

    // The failed start, at ERROR in the log only, with " fail" behind its own line.
    EXPECT_TRUE(station.LogHas("ERROR", lines[9] + " fail"));
    EXPECT_EQ(std::string::npos, station.Output().find(" fail\n"));
    // The run is counted once, before the leftovers check.
    const std::string output = station.Output();
    EXPECT_LT(output.find("g_starttimes = 1\n"),
              output.find("Start to check process running state."));
}

}  // namespace
}  // namespace station_test
