// Before starting anything the launcher clears the station: whatever listens on a Sequence,
// Engine or StateMachine port, and whatever runs a station executable, is killed and
// reported; programs run by an interpreter named "lua" are left alone.

#include "station_fixture.h"

using namespace station_test;

TEST(Leftovers, PortHoldersAndStationExecutablesAreKilledAndReported) {
    Station station;
    const int sequencer = FindFreePortRange(16), engine = sequencer + 5, machine = sequencer + 10;
    ASSERT_GT(sequencer, 0);
    station.WritePorts(sequencer, engine, machine);
    const std::string bin = station.ProjectDir() + "/bin/", holder = station.AddChildProgram("h");
    const std::string named = station.AddChildProgram("n"),
                      interpreter = station.AddChildProgram("py");
    const std::string interpreted = station.AddChildProgram("p"),
                      lua = station.AddChildProgram("lua");
    const std::string luaScript = station.AddChildProgram("s"), at = "$(ProjectDir)/bin";
    station.WriteConfigPy(2, 2,
                          {{"Named", "", at, named, "ignore-term", 0},
                           {"Interpreted", at + "/" + interpreter, at, interpreted, "", 0},
                           {"Script", at + "/" + lua, at, luaScript, "", 0}});

    // Two modules of two slots: Sequence and Engine ports +0..+3, StateMachine +0..+1.
    std::vector<pid_t> holders;
    for (int port : {sequencer + 1, engine + 3, machine + 1, sequencer + 4}) {
        const std::string said = station.Dir() + "/holder" + std::to_string(port);
        holders.push_back(Spawn({bin + holder, "hold-port", std::to_string(port)}, said));
        ASSERT_TRUE(Eventually([&] { return ReadWhole(said) == "listening\n"; }, 2000)) << port;
    }
    const pid_t namedLeftover = Spawn({bin + named, "ignore-term"});
    const pid_t interpretedLeftover = Spawn({bin + interpreted, "ignore-term"});
    const pid_t luaScriptRunning = Spawn({bin + luaScript, "ignore-term"});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Finish to check process running state."));
    for (pid_t killed : {holders[0], holders[1], holders[2], namedLeftover, interpretedLeftover})
        EXPECT_EQ("signal 9", WaitEnd(killed, 5000)) << killed;
    EXPECT_EQ("running", WaitEnd(holders[3], 0));  // outside the station's ports
    EXPECT_EQ("running", WaitEnd(luaScriptRunning, 0));

    const std::string output = station.Output();
    for (const std::string& report :
         {"Kill Sequence[1] success.Pid = " + std::to_string(holders[0]),
          "Kill Engine[3] success.Pid = " + std::to_string(holders[1]),
          "Kill StateMachine[1] success.Pid = " + std::to_string(holders[2]),
          "Have been kill process by name = " + named + ". Pid=" + std::to_string(namedLeftover),
          "Have been kill process by name = " + interpreted +
              ". Pid=" + std::to_string(interpretedLeftover)})
        EXPECT_NE(std::string::npos, output.find(report + "\n")) << report;
    EXPECT_EQ(3, Count(output, "Kill "));
    EXPECT_EQ(2, Count(output, "Have been kill process by name"));
    EXPECT_LT(output.find("Finish to check process running state."),
              output.find("Starting Process"));
    station.Signal(SIGINT);
    EXPECT_EQ("exit 0", station.WaitForExit());

    // A base port the port file does not give is not probed, and the log says so.
    station.WritePorts(sequencer, engine, -1);
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ(1, Count(station.Output(), "SM_PORT is -1, StateMachine ports are not checked.\n"));
    EXPECT_EQ(1, Count(station.Output(), "are not checked."));
    EXPECT_EQ(0, Count(station.Output(), "Kill "));
}
