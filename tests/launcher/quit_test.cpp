// Ctrl-C (SIGINT), a closed console (SIGHUP) and a shutdown (SIGTERM), delivered as real
// signals while the station runs or while it is still starting: every child is terminated
// and collected, nothing more is started, and the launcher ends as each event ends it.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <tuple>

#include "e2e_support.h"

namespace station_test {
namespace {

struct QuitEvent {
    int signalNumber;
    const char* text;
};

const QuitEvent kEvents[] = {
    {SIGINT, "CTRL_C_EVENT \n"},
    {SIGHUP, "CTRL_CLOSE_EVENT \n"},
    {SIGTERM, "CTRL_SHUTDOWN_EVENT \n"},
};

class Quit : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(Quit, EveryChildIsGoneAndTheLauncherEndsAsTheEventSays) {
    const QuitEvent event = kEvents[std::get<0>(GetParam())];
    const bool duringStart = std::get<1>(GetParam());

    Station station;
    station.WriteMinimalStation();
    const std::string child = station.AddChildProgram("q");
    const std::string bin = "$(ProjectDir)/bin";
    station.WriteConfigPy(1, 2,
                          {
                              {"Holder", "", bin, child, "ignore-term slot", 0},
                              {"Grand", "", bin, child, "spawn-grandchild", 0},
                              // Waits an hour during the start phase, or not at all.
                              {"Long", "", bin, child, "ignore-term", duringStart ? 3600 : 0},
                              {"Late", "", bin, child, "ignore-term", 0},
                          });
    station.Launch();
    const std::string lastStep = duringStart ? "Wait for 3600 second to Process Long initialize."
                                             : "Start Process Late successful.";
    ASSERT_TRUE(station.WaitForOutput(lastStep));
    ASSERT_TRUE(station.WaitForOutput("grandchild "));
    const int started = duringStart ? 4 : 5;
    ASSERT_TRUE(station.WaitForCount("CreateProcess success.", started));

    const std::vector<int> children = ChildrenOf(station.Pid());
    ASSERT_EQ(static_cast<size_t>(started), children.size());
    const std::string output = station.Output();
    const int grandchild = atoi(output.c_str() + output.find("grandchild ") + 11);
    ASSERT_GT(grandchild, 0);
    ASSERT_TRUE(ProcessExists(grandchild));

    station.Signal(event.signalNumber);
    ExitResult result = station.WaitForExit(5000);
    ASSERT_FALSE(result.timedOut) << station.Output();
    if (event.signalNumber == SIGINT) {
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(0, result.exitCode);
    } else {
        EXPECT_TRUE(result.signaled);
        EXPECT_EQ(event.signalNumber, result.signal);
    }

    const std::string all = station.Output();
    const size_t eventAt = all.find(event.text);
    ASSERT_NE(std::string::npos, eventAt);
    const size_t quitAt = all.find("ConsoleQuitProc...\n\n");
    ASSERT_NE(std::string::npos, quitAt);
    EXPECT_LT(eventAt, quitAt);
    EXPECT_EQ(started, Count(all.substr(quitAt), "CloseProcess success.\n"));
    EXPECT_TRUE(LogHas(station, "DEBUG", "ConsoleQuitProc...\n"));
    if (event.signalNumber == SIGINT) {
        EXPECT_EQ("Exit success.", Lines(all).back());
    }
    if (duringStart) {
        EXPECT_EQ(std::string::npos, all.find("Starting Process Late"));
        EXPECT_EQ(std::string::npos, all.find("Start Process Long successful."));
    }

    // Gone, not even as zombies: anything left would have been handed to this process.
    for (int pid : children) EXPECT_FALSE(ProcessExists(pid)) << pid;
    // The grandchild died with its process group; being no child of the launcher's, it is
    // handed to this process (a subreaper) to be collected.
    int status = 0;
    bool killed = false;
    for (int i = 0; i < 200 && ProcessExists(grandchild); ++i) {
        if (waitpid(grandchild, &status, WNOHANG) == grandchild) {
            killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
            break;
        }
        usleep(5000);
    }
    EXPECT_TRUE(killed);
    EXPECT_FALSE(ProcessExists(grandchild));
    EXPECT_TRUE(ChildrenOf(getpid()).empty());
}

std::string QuitName(const ::testing::TestParamInfo<std::tuple<int, bool>>& info) {
    static const char* const names[] = {"CtrlC", "Close", "Shutdown"};
    return std::string(names[std::get<0>(info.param)]) +
           (std::get<1>(info.param) ? "DuringStart" : "WhileRunning");
}

INSTANTIATE_TEST_SUITE_P(Events, Quit,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Bool()),
                         QuitName);

TEST(QuitDuringStart, HugeWaitIsEndedByCtrlC) {
    // A wait of about 68 years, as an int count of seconds: no overflow, and Ctrl-C ends it.
    Station station;
    station.WriteMinimalStation();
    const std::string child = station.AddChildProgram("w");
    station.WriteConfigPy(1, 1,
                          {{"Forever", "", "$(ProjectDir)/bin", child, "ignore-term", 2147483647}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Wait for 2147483647 second to Process Forever initialize."));
    station.Signal(SIGINT);
    ExitResult result = station.WaitForExit(5000);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(0, result.exitCode);
    EXPECT_EQ(1, Count(station.Output(), "CloseProcess success.\n"));
}

TEST(QuitDuringStartUp, CtrlCWhileTheScriptRunsStartsNothing) {
    Station station;
    station.WriteMinimalStation();
    const std::string child = station.AddChildProgram("i");
    // The station script takes a while, so that Ctrl-C arrives during start-up.
    station.WriteFile("Proj/VX/TesterConfig/config.py",
                      "import time\n"
                      "def get_configA(name):\n"
                      "    print('script running', flush=True)\n"
                      "    time.sleep(1.5)\n"
                      "    return {'modules': 1, 'slots': 1, 'processes': [{'name': 'P', 'path': "
                      "'$(ProjectDir)/bin', 'bin': '" +
                          child + "', 'args': 'ignore-term', 'sleep': 0}]}\n");
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("script running"));
    station.Signal(SIGINT);
    ASSERT_TRUE(station.WaitForOutput("ConsoleQuitProc..."));
    ExitResult result = station.WaitForExit(5000);
    ASSERT_FALSE(result.timedOut) << station.Output();
    EXPECT_EQ(0, result.exitCode);
    const std::string output = station.Output();
    EXPECT_EQ(std::string::npos, output.find("CreateProcess"));
    EXPECT_EQ(std::string::npos, output.find("Start to check process running state."));
    EXPECT_NE(std::string::npos,
              output.find("Quit requested, the remaining processes are not started.\n"));
    EXPECT_EQ("Exit success.", Lines(output).back());
    EXPECT_TRUE(ChildrenOf(getpid()).empty());
}

}  // namespace
}  // namespace station_test
