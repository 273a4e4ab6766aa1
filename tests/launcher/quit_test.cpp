// Each console event while the station runs or starts: every child ends, nothing more starts.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <thread>

#include "station_fixture.h"

using namespace station_test;

static const int kSignals[] = {SIGINT, SIGHUP, SIGTERM, SIGQUIT};
static const char* const kEvents[][2] = {{"CTRL_C_EVENT \n", "CtrlC"},
                                         {"CTRL_CLOSE_EVENT \n", "Close"},
                                         {"CTRL_SHUTDOWN_EVENT \n", "Shutdown"},
                                         {"CTRL_BREAK_EVENT \n", "Break"}};
static const int kEventCount = 4;

class Quit : public ::testing::TestWithParam<int> {};  // an event while running, then starting

TEST_P(Quit, EveryChildIsGoneAndTheLauncherEndsAsTheEventSays) {
    const int signalNumber = kSignals[GetParam() % kEventCount];
    const bool duringStart = GetParam() >= kEventCount;
    Station station;
    const std::string child = station.AddChildProgram("q"), bin = "$(ProjectDir)/bin";
    station.WriteConfigPy(1, 2,
                          {{"Holder", "", bin, child, "ignore-term slot", 0},
                           {"Grand", "", bin, child, "grandchild", 0},
                           // While starting: a wait whose milliseconds do not fit an int.
                           {"Long", "", bin, child, "ignore-term", duringStart ? 2147483647 : 0},
                           {"Late", "", bin, child, "ignore-term", 0}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput(duringStart ? "Wait for 2147483647 second to Process Long"
                                                  : "Start Process Late successful."));
    ASSERT_TRUE(station.WaitForOutput("grandchild "));
    const std::vector<int> children = ChildrenOf(station.Pid());
    ASSERT_EQ(duringStart ? 4u : 5u, children.size());
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
    EXPECT_LT(all.find(kEvents[GetParam() % kEventCount][0]), quitAt);
    EXPECT_EQ(children.size(), Lines(all.substr(quitAt), "CloseProcess success.").size());
    EXPECT_TRUE(station.LogHas("DEBUG", "ConsoleQuitProc...\n"));
    EXPECT_TRUE(signalNumber != SIGINT || Lines(all).back() == "Exit success.");
    EXPECT_EQ(!duringStart, all.find("Starting Process Late") != std::string::npos);
    EXPECT_EQ(!duringStart, all.find("Start Process Long successful.") != std::string::npos);

    // Gone, not even as zombies: anything left would have been handed to this process.
    for (int pid : children) EXPECT_FALSE(ProcessExists(pid)) << pid;
    // The grandchild died with its group; it comes to this process (a subreaper) to be collected.
    EXPECT_EQ("signal 9", WaitEnd(grandchild, 1000));
    EXPECT_TRUE(ChildrenOf(getpid()).empty());
}

INSTANTIATE_TEST_SUITE_P(Events, Quit, ::testing::Range(0, 2 * kEventCount), [](const auto& info) {
    return std::string(kEvents[info.param % kEventCount][1]) +
           (info.param >= kEventCount ? "DuringStart" : "WhileRunning");
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

// Ctrl-C quickly followed by a shutdown never aborts, and a shutdown taken on decides the end.
// VX_SIGNAL_PAIRS sets how many pairs (bench/launcher/run-signal-pairs runs hundreds).
TEST(QuitTwice, CtrlCThenShutdownNeverAbortsAndATakenShutdownDecides) {
    const char* pairsSetting = getenv("VX_SIGNAL_PAIRS");
    const int pairs = pairsSetting != nullptr ? atoi(pairsSetting) : 6;
    std::mt19937 random(std::random_device{}());
    int byShutdown = 0;
    for (int pair = 0; pair < pairs; ++pair) {
        Station station;
        const std::string child = station.AddChildProgram("p");
        station.WriteConfigPy(1, 1, {{"P", "", "$(ProjectDir)/bin", child, "ignore-term", 100}});
        station.Launch();
        ASSERT_TRUE(station.WaitForOutput("Wait for 100 second to Process P initialize."));
        station.Signal(SIGINT);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 1000));
        station.Signal(SIGTERM);
        const std::string end = station.WaitForExit();
        const std::string output = station.Output();
        const bool shutdownTaken = output.find("CTRL_SHUTDOWN_EVENT") != std::string::npos;
        EXPECT_EQ(shutdownTaken ? "signal 15" : "exit 0", end) << output;
        byShutdown += end == "signal 15";
        EXPECT_TRUE(ChildrenOf(getpid()).empty());
    }
    printf("%d of %d pairs ended by the shutdown\n", byShutdown, pairs);
}

// Under nohup SIGHUP stays ignored; Ctrl-C works for a background job, whose SIGINT is ignored.
TEST(QuitInherited, IgnoredHangUpStaysIgnoredIgnoredCtrlCIsTakenOver) {
    Station station;
    const std::string child = station.AddChildProgram("n");
    station.WriteConfigPy(1, 1, {{"P", "", "$(ProjectDir)/bin", child, "ignore-term", 0}});
    const std::string launcher = station.Dir() + "/VXLauncher";
    const int pid = Spawn({"/bin/sh", "-c", "trap '' HUP INT QUIT; exec " + launcher},
                          station.Dir() + "/console.txt");
    ASSERT_TRUE(station.WaitForOutput("Start Process P successful."));
    kill(pid, SIGHUP);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ("running", WaitEnd(pid, 0));
    kill(pid, SIGINT);
    EXPECT_EQ("exit 0", WaitEnd(pid, 5000)) << station.Output();
    EXPECT_EQ(std::string::npos, station.Output().find("CTRL_CLOSE_EVENT"));
}

// Ctrl-C before the log is open (opening waits on a FIFO in its place) ends with 0, not the signal.
TEST(QuitInherited, CtrlCBeforeTheLogIsOpenIsHandledOnceItIs) {
    Station station;
    const std::string log = station.Dir() + "/log/Launcher.log";
    std::filesystem::create_directories(station.Dir() + "/log");
    ASSERT_EQ(0, mkfifo(log.c_str(), 0644));
    const int pid = Spawn({station.Dir() + "/VXLauncher"}, station.Dir() + "/console.txt");
    // The launcher is past its start and blocks in opening the log.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(pid, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::string logged;
    std::thread reader([&] { logged = ReadFile(log); });
    const std::string end = WaitEnd(pid, 5000);
    reader.join();
    EXPECT_EQ("exit 0", end) << station.Output();
    EXPECT_NE(std::string::npos, logged.find("ConsoleQuitProc..."));
    EXPECT_NE(std::string::npos, station.Output().find("Exit success."));
}
