// Console events that only POSIX can show: Ctrl-C while the station script runs, a shutdown
// right behind a Ctrl-C, and the dispositions a launcher inherits.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <thread>

#include "station_fixture.h"

using namespace station_test;

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
    station.CtrlC();
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
        station.CtrlC();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 1000));
        SendConsoleEvent(station.Pid(), kConsoleShutdown);
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
