// Before starting anything the launcher clears the station: whatever listens on a Sequence,
// Engine or StateMachine port, and whatever runs a station executable, is killed and
// reported; programs run by an interpreter named "lua" are left alone.

#include "station_fixture.h"

namespace station_test {
namespace {

TEST(Leftovers, PortHoldersAndStationExecutablesAreKilledAndReported) {
    Station station;
    station.WriteMinimalStation();
    const int base = FindFreePortRange(16);
    ASSERT_GT(base, 0);
    const int sequencer = base, engine = base + 5, stateMachine = base + 10;
    station.WritePorts(sequencer, engine, stateMachine);
    const std::string bin = station.Dir() + "/Proj/bin/";
    const std::string holder = bin + station.AddChildProgram("h");
    const std::string named = station.AddChildProgram("n");
    const std::string interpreter = station.AddChildProgram("py");
    const std::string interpreted = station.AddChildProgram("p");
    const std::string lua = station.AddChildProgram("lua");
    const std::string luaScript = station.AddChildProgram("s");
    station.WriteConfigPy(
        2, 2,
        {
            {"Named", "", "$(ProjectDir)/bin", named, "ignore-term", 0},
            {"Interpreted", "$(ProjectDir)/bin/" + interpreter, "$(ProjectDir)/bin", interpreted,
             "", 0},
            {"Script", "$(ProjectDir)/bin/" + lua, "$(ProjectDir)/bin", luaScript, "", 0},
        });

    // Two modules of two slots: Sequence and Engine ports +0..+3, StateMachine +0..+1.
    const int ports[] = {sequencer + 1, engine + 3, stateMachine + 1, sequencer + 4};
    std::vector<pid_t> holders;
    for (int port : ports) {
        holders.push_back(Spawn({holder, "hold-port", std::to_string(port)}));
        ASSERT_TRUE(Eventually([port] { return IsListening(port); }, 2000)) << port;
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
    const std::string reports[] = {
        "Kill Sequence[1] success.Pid = " + std::to_string(holders[0]),
        "Kill Engine[3] success.Pid = " + std::to_string(holders[1]),
        "Kill StateMachine[1] success.Pid = " + std::to_string(holders[2]),
        "Have been kill process by name = " + named + ". Pid=" + std::to_string(namedLeftover),
        "Have been kill process by name = " + interpreted +
            ". Pid=" + std::to_string(interpretedLeftover)};
    for (const std::string& report : reports)
        EXPECT_NE(std::string::npos, output.find(report + "\n")) << report;
    EXPECT_EQ(3, Count(output, "Kill "));
    EXPECT_EQ(2, Count(output, "Have been kill process by name"));
    // Killed before the first start.
    EXPECT_LT(output.find("Finish to check process running state."),
              output.find("Starting Process"));
    station.Signal(SIGINT);
    EXPECT_EQ("exit 0", station.WaitForExit());
}

TEST(Leftovers, BasePortMissingFromThePortFileIsNotProbed) {
    Station station;
    station.WriteMinimalStation();
    const int base = FindFreePortRange(4);
    station.WritePorts(base, base + 2, -1);
    station.WriteConfigPy(1, 2, {});
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    const std::string output = station.Output();
    EXPECT_EQ(1, Count(output, "SM_PORT is -1, StateMachine ports are not checked.\n"));
    EXPECT_EQ(1, Count(output, "are not checked."));
    EXPECT_EQ(0, Count(output, "Kill "));
}

}  // namespace
}  // namespace station_test
