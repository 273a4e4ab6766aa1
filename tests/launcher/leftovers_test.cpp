// Before starting, what listens on a Sequence, Engine or StateMachine port and what runs a
// station executable is killed and reported; what an interpreter named "lua" runs is not.

#include "station_fixture.h"

using namespace station_test;

TEST(Leftovers, PortHoldersAndStationExecutablesAreKilledAndReported) {
    Station station;
    const int sequencer = FindFreePortRange(16), engine = sequencer + 5, machine = sequencer + 10;
    ASSERT_GT(sequencer, 0);
    station.WritePorts(sequencer, engine, machine);
    const std::string bin = station.ProjectDir() + "/bin/", at = "$(ProjectDir)/bin";
    auto add = [&station](const char* suffix) { return station.AddChildProgram(suffix); };
    const std::string holder = add("h"), named = add("n"), interpreter = add("py");
    const std::string interpreted = add("p"), lua = add("lua"), luaScript = add("s");
    station.WriteConfigPy(2, 2,
                          {{"Named", "", at, named, "ignore-term", 0},
                           {"Interpreted", at + "/" + interpreter, at, interpreted, "", 0},
                           {"Script", at + "/" + lua, at, luaScript, "", 0}});

    // Two modules of two slots: Sequence and Engine ports +0..+3, StateMachine +0..+1.
    std::vector<pid_t> holders;
    for (int port : {sequencer + 1, engine + 3, machine + 1, sequencer + 4}) {
        const std::string said = station.Dir() + "/holder" + std::to_string(port);
        holders.push_back(Spawn({bin + holder, "hold-port", std::to_string(port)}, said));
        ASSERT_TRUE(Eventually([&] { return ReadFile(said) == "listening\n"; }, 2000)) << port;
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
    EXPECT_EQ(
        std::vector<std::string>(
            {"Kill Sequence[1] success.Pid = " + std::to_string(holders[0]),
             "Kill Engine[3] success.Pid = " + std::to_string(holders[1]),
             "Kill StateMachine[1] success.Pid = " + std::to_string(holders[2]),
             "Have been kill process by name = " + named + ". Pid=" + std::to_string(namedLeftover),
             "Have been kill process by name = " + interpreted +
                 ". Pid=" + std::to_string(interpretedLeftover)}),
        Lines(output, "ill"));
    EXPECT_LT(output.find("Finish to check process running state."),
              output.find("Starting Process"));
    station.Signal(SIGINT);
    EXPECT_EQ("exit 0", station.WaitForExit());

    // A base port the port file does not give is not probed, and the log says so.
    station.WritePorts(sequencer, engine, -1);
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ(std::vector<std::string>{"SM_PORT is -1, StateMachine ports are not checked."},
              Lines(station.Output(), "are not checked."));
    EXPECT_TRUE(Lines(station.Output(), "Kill ").empty());
}
