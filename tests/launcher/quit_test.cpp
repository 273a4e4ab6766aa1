// Ctrl-C, console close and shutdown (SIGINT, SIGHUP, SIGTERM) while the station runs or starts:
// every child is terminated and collected, nothing more starts, the launcher ends as told.

#include <unistd.h>

#include "station_fixture.h"

using namespace station_test;

static const int kSignals[] = {SIGINT, SIGHUP, SIGTERM};
static const char* const kEvents[][2] = {{"CTRL_C_EVENT \n", "CtrlC"},
                                         {"CTRL_CLOSE_EVENT \n", "Close"},
                                         {"CTRL_SHUTDOWN_EVENT \n", "Shutdown"}};

class Quit : public ::testing::TestWithParam<int> {};  // an event while running, then starting

TEST_P(Quit, EveryChildIsGoneAndTheLauncherEndsAsTheEventSays) {
    const int signalNumber = kSignals[GetParam() % 3];
    const bool duringStart = GetParam() >= 3;
    Station station;
    const std::string child = station.AddChildProgram("q"), bin = "$(ProjectDir)/bin";
    station.WriteConfigPy(1, 2,
                          {{"Holder", "", bin, child, "ignore-term slot", 0},
                           {"Grand", "", bin, child, "spawn-grandchild", 0},
                           // While starting: a wait whose milliseconds do not fit an int.
                           {"Long", "", bin, child, "ignore-term", duringStart ? 2147483647 : 0},
                           {"Late", "", bin, child, "ignore-term", 0}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput(duringStart ? "Wait for 2147483647 second to Process Long"
                                                  : "Start Process Late successful."));
    ASSERT_TRUE(station.WaitForOutput("grandchild "));
    const int started = duringStart ? 4 : 5;
    ASSERT_TRUE(station.WaitForCount("CreateProcess success.", started));
    const std::vector<int> children = ChildrenOf(station.Pid());
    ASSERT_EQ(static_cast<size_t>(started), children.size());
    const std::string output = station.Output();
    const int grandchild = atoi(output.c_str() + output.find("grandchild ") + 11);
    ASSERT_TRUE(grandchild > 0 && ProcessExists(grandchild));

    station.Signal(signalNumber);
    EXPECT_EQ(signalNumber == SIGINT ? "exit 0" : "signal " + std::to_string(signalNumber),
              station.WaitForExit(5000))
        << station.Output();
    const std::string all = station.Output();
    const size_t quitAt = all.find("ConsoleQuitProc...\n\n");
    ASSERT_NE(std::string::npos, quitAt);
    EXPECT_LT(all.find(kEvents[GetParam() % 3][0]), quitAt);
    EXPECT_EQ(children.size(), Lines(all.substr(quitAt), "CloseProcess success.").size());
    EXPECT_TRUE(station.LogHas("DEBUG", "ConsoleQuitProc...\n"));
    EXPECT_TRUE(signalNumber != SIGINT || Lines(all).back() == "Exit success.");
    EXPECT_EQ(!duringStart, all.find("Starting Process Late") != std::string::npos);
    EXPECT_EQ(!duringStart, all.find("Start Process Long successful.") != std::string::npos);

    // Gone, not even as zombies: anything left would have been handed to this process.
    for (int pid : children) EXPECT_FALSE(ProcessExists(pid)) << pid;
    // The grandchild died with its process group; no child of the launcher's, it comes to
    // this process (a subreaper) to be collected.
    EXPECT_EQ("signal 9", WaitEnd(grandchild, 1000));
    EXPECT_TRUE(ChildrenOf(getpid()).empty());
}

INSTANTIATE_TEST_SUITE_P(Events, Quit, ::testing::Range(0, 6), [](const auto& info) {
    return std::string(kEvents[info.param % 3][1]) +
           (info.param >= 3 ? "DuringStart" : "WhileRunning");
});

TEST(QuitDuringStartUp, CtrlCWhileTheScriptRunsStartsNothing) {
    Station station;
    const std::string child = station.AddChildProgram("i");
    // The station script takes a while, so that Ctrl-C arrives during start-up.
    station.WriteConfigPy(1, 1, {{"P", "", "$(ProjectDir)/bin", child, "ignore-term", 0}});
    const std::string script = "Proj/VX/TesterConfig/config.py";
    station.WriteFile(script,
                      "import time\nprint('script running', flush=True)\ntime.sleep(1.5)\n" +
                          station.ReadFile(script));
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("script running"));
    station.Signal(SIGINT);
    ASSERT_EQ("exit 0", station.WaitForExit(5000)) << station.Output();
    const std::string output = station.Output();
    EXPECT_EQ(std::string::npos, output.find("CreateProcess"));
    EXPECT_EQ(std::string::npos, output.find("Start to check process running state."));
    EXPECT_NE(std::string::npos,
              output.find("Quit requested, the remaining processes are not started.\n"));
    EXPECT_EQ("Exit success.", Lines(output).back());
    EXPECT_TRUE(ChildrenOf(getpid()).empty());
}
