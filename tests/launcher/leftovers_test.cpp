// Before the starts, station port holders and station executables are killed and reported with
// what they ran; what an interpreter named "lua" runs is not, nor the launcher's own parent.

#include "station_fixture.h"

using namespace station_test;

namespace {

// A killed process's "Kill"/"Have been kill" line, then the path of what it ran.
void AddKilled(std::vector<std::string>& lines, const std::string& line, int pid,
               const std::string& program) {
    lines.push_back(line + std::to_string(pid));
    lines.push_back("Pid = " + std::to_string(pid) + " executable = " + program);
}

// The lines naming a pid, paths with forward slashes (Windows reports its own).
std::vector<std::string> PidLines(const std::string& output) {
    std::vector<std::string> lines = Lines(output, "Pid");
    for (std::string& line : lines) std::replace(line.begin(), line.end(), '\\', '/');
    return lines;
}

}  // namespace

TEST(Leftovers, StationExecutablesAreKilledAndReported) {
    Station station;
    const std::string bin = station.ProjectDir() + "/bin/", at = "$(ProjectDir)/bin";
    auto add = [&station](const char* suffix) { return station.AddChildProgram(suffix); };
    const std::string named = add("n"), interpreter = add("py"), interpreted = add("p");
    const std::string lua = add("lua"), luaScript = add("s");
    station.WriteConfigPy(1, 1,
                          {{"Named", "", at, named, "ignore-term", 0},
                           {"Interpreted", at + "/" + interpreter, at, interpreted, "", 0},
                           {"Script", at + "/" + lua, at, luaScript, "", 0}});
    const int namedLeftover = Spawn({bin + named, "ignore-term"});
    const int interpretedLeftover = Spawn({bin + interpreted, "ignore-term"});
    const int luaScriptRunning = Spawn({bin + luaScript, "ignore-term"});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Finish to check process running state."));
    for (int killed : {namedLeftover, interpretedLeftover})
        EXPECT_EQ(kKilledEnd, WaitEnd(killed, 5000)) << killed;
    EXPECT_EQ("running", WaitEnd(luaScriptRunning, 0));

    std::vector<std::string> expected;
    AddKilled(expected, "Have been kill process by name = " + named + ". Pid=", namedLeftover,
              bin + named);
    AddKilled(expected,
              "Have been kill process by name = " + interpreted + ". Pid=", interpretedLeftover,
              bin + interpreted);
    const std::string output = station.Output();
    EXPECT_EQ(expected, PidLines(output));
    EXPECT_LT(output.find("Finish to check process running state."),
              output.find("Starting Process"));
    ExpectRunsThenStopsOnCtrlC(station);
}

TEST(Leftovers, PortHoldersAreKilledAndReported) {
    if (UnderWine()) GTEST_SKIP() << kPortOwnersHidden;
    Station station;
    const int sequencer = FindFreePortRange(16), engine = sequencer + 5, machine = sequencer + 10;
    ASSERT_GT(sequencer, 0);
    station.WritePorts(sequencer, engine, machine);
    const std::string bin = station.ProjectDir() + "/bin/", holder = station.AddChildProgram("h");
    station.WriteConfigPy(2, 2, {});

    // Two modules of two slots: Sequence and Engine ports +0..+3, StateMachine +0..+1.
    std::vector<int> holders;
    for (int port : {sequencer + 1, engine + 3, machine + 1, sequencer + 4}) {
        const std::string said = station.Dir() + "/holder" + std::to_string(port);
        holders.push_back(Spawn({bin + holder, "hold-port", std::to_string(port)}, said));
        ASSERT_TRUE(Eventually([&] { return ReadFile(said) == "listening\n"; }, 2000)) << port;
    }
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Finish to check process running state."));
    for (int killed : {holders[0], holders[1], holders[2]})
        EXPECT_EQ(kKilledEnd, WaitEnd(killed, 5000)) << killed;
    EXPECT_EQ("running", WaitEnd(holders[3], 0));  // outside the station's ports

    std::vector<std::string> expected;
    AddKilled(expected, "Kill Sequence[1] success.Pid = ", holders[0], bin + holder);
    AddKilled(expected, "Kill Engine[3] success.Pid = ", holders[1], bin + holder);
    AddKilled(expected, "Kill StateMachine[1] success.Pid = ", holders[2], bin + holder);
    EXPECT_EQ(expected, PidLines(station.Output()));
    ExpectRunsThenStopsOnCtrlC(station);

    // A base port the port file does not give is not probed, and the log says so; base ports
    // near the top of 32 bits probe nothing beyond 65535, and nothing wraps around.
    station.WritePorts(2147483000, 65534, -1);
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ(std::vector<std::string>{"SM_PORT is -1, StateMachine ports are not checked."},
              Lines(station.Output(), "are not checked."));
    EXPECT_TRUE(Lines(station.Output(), "Kill ").empty());
}

TEST(Leftovers, WhatStartedTheLauncherIsNeverEnded) {
    if (UnderWine()) GTEST_SKIP() << kPortOwnersHidden;
    // The launcher's parent runs a station executable and holds the station's Sequence port.
    Station station;
    const int port = FindFreePortRange(1);
    station.WritePorts(port, -1, -1);
    const std::string bin = station.ProjectDir() + "/bin/", parent = station.AddChildProgram("a");
    station.WriteConfigPy(1, 1, {{"Parent", "", "$(ProjectDir)/bin", parent, "exit 0", 0}});
    const int ancestor =
        Spawn({bin + parent, "hold-port", std::to_string(port), station.Launcher()},
              station.Dir() + "/console.txt");
    ASSERT_TRUE(station.WaitForOutput("Start Process Parent successful."));
    const std::string id = std::to_string(ancestor);
    const std::string spared = "Pid = " + id + " is this launcher or one that started it, and " +
                               "is not ended. Free port " + std::to_string(port) +
                               " of it before starting the station.";
    EXPECT_EQ(std::vector<std::string>({"Kill Sequence[0] failed.Pid = " + id,
                                        "Pid = " + id + " executable = " + bin + parent, spared}),
              PidLines(station.Output()));
    const std::vector<int> launcher = ChildrenOf(ancestor);
    ASSERT_EQ(1u, launcher.size());
    SendCtrlC(launcher[0]);
    EXPECT_EQ("exit 0", WaitEnd(ancestor, 5000)) << station.Output();
}
