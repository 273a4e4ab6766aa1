// A console that stops reading (a FIFO no one reads) while the children flood it.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "station_fixture.h"

using namespace station_test;

// A console that never reads holds up neither the log (every byte) nor the stop; its loss is logged
TEST(OutputCapture, AConsoleThatNeverReadsHoldsUpNeitherTheLogNorTheStop) {
    const size_t perChild = 6000000;  // together well beyond the console's buffer
    for (int signalNumber : {SIGINT, SIGHUP, SIGTERM}) {
        Station station;
        const std::string child = station.AddChildProgram("s");
        station.WriteConfigPy(1, 2,
                              {{"Flood", "", "$(ProjectDir)/bin", child,
                                "flood " + std::to_string(perChild) + " 1000 slot", 0},
                               {"Idle", "", "$(ProjectDir)/bin", child, "ignore-term", 0}});
        const std::string console = station.Dir() + "/console.fifo";
        ASSERT_EQ(0, mkfifo(console.c_str(), 0644));
        const int neverRead = open(console.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        const int pid = Spawn({station.Dir() + "/VXLauncher"}, console);
        ASSERT_TRUE(
            Eventually([&] { return station.RecordsOnlyOf("x\n").size() >= 2 * perChild; }, 30000));
        kill(pid, signalNumber);
        EXPECT_EQ(signalNumber == SIGINT ? "exit 0" : "signal " + std::to_string(signalNumber),
                  WaitEnd(pid, 5000));
        close(neverRead);
        EXPECT_EQ(2 * perChild, station.RecordsOnlyOf("x\n").size());
        EXPECT_TRUE(Lines(station.LogText(), "Console output dropped: ").size() >= 1);
        EXPECT_TRUE(station.LogHas("DEBUG", "ConsoleQuitProc...\n"));
        EXPECT_TRUE(ChildrenOf(getpid()).empty());
    }
}
