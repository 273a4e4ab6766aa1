// Before starting anything the launcher clears the station: whatever listens on a Sequence,
// Engine or StateMachine port, and whatever runs a station executable, is killed and
// reported; programs run by an interpreter named "lua" are left alone.

#include <signal.h>

#include "e2e_support.h"

namespace station_test {
namespace {

TEST(Leftovers, PortHoldersAndStationExecutablesAreKilledAndReported) {
    Station station;
    station.WriteMinimalStation();
    const int base = FindFreePortRange(16);
    ASSERT_GT(base, 0);
    const int sequencer = base, engine = base + 5, stateMachine = base + 10;
    station.WritePorts(sequencer, engine, stateMachine);

    const std::string bin = station.ProjectDir() + "/bin/";
    const std::string holder = station.AddChildProgram("h");
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
    OwnChild sequence1(bin + holder, {"hold-port", std::to_string(sequencer + 1)});
    OwnChild engine3(bin + holder, {"hold-port", std::to_string(engine + 3)});
    OwnChild stateMachine1(bin + holder, {"hold-port", std::to_string(stateMachine + 1)});
    OwnChild outside(bin + holder, {"hold-port", std::to_string(sequencer + 4)});
    OwnChild namedLeftover(bin + named, {"ignore-term"});
    OwnChild interpretedLeftover(bin + interpreted, {"ignore-term"});
    OwnChild luaScriptRunning(bin + luaScript, {"ignore-term"});
    for (int port : {sequencer + 1, engine + 3, stateMachine + 1, sequencer + 4}) {
        for (int i = 0; i < 400 && !IsListening(port); ++i) usleep(5000);
        ASSERT_TRUE(IsListening(port)) << port;
    }

    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Finish to check process running state."));

    int signalNumber = 0;
    for (OwnChild* killed :
         {&sequence1, &engine3, &stateMachine1, &namedLeftover, &interpretedLeftover}) {
        ASSERT_TRUE(killed->WaitKilled(signalNumber)) << killed->Pid();
        EXPECT_EQ(SIGKILL, signalNumber);
    }
    EXPECT_TRUE(outside.IsAlive());
    EXPECT_TRUE(luaScriptRunning.IsAlive());

    const std::string output = station.Output();
    EXPECT_NE(
        std::string::npos,
        output.find("Kill Sequence[1] success.Pid = " + std::to_string(sequence1.Pid()) + "\n"));
    EXPECT_NE(std::string::npos,
              output.find("Kill Engine[3] success.Pid = " + std::to_string(engine3.Pid()) + "\n"));
    EXPECT_NE(std::string::npos, output.find("Kill StateMachine[1] success.Pid = " +
                                             std::to_string(stateMachine1.Pid()) + "\n"));
    EXPECT_EQ(3, Count(output, "Kill "));
    EXPECT_NE(std::string::npos,
              output.find("Have been kill process by name = " + named +
                          ". Pid=" + std::to_string(namedLeftover.Pid()) + "\n"));
    EXPECT_NE(std::string::npos,
              output.find("Have been kill process by name = " + interpreted +
                          ". Pid=" + std::to_string(interpretedLeftover.Pid()) + "\n"));
    EXPECT_EQ(2, Count(output, "Have been kill process by name"));
    // Killed before the first start.
    EXPECT_LT(output.find("Finish to check process running state."),
              output.find("Starting Process"));

    station.Signal(SIGINT);
    EXPECT_EQ(0, station.WaitForExit().exitCode);
}

TEST(Leftovers, BasePortMissingFromThePortFileIsNotProbed) {
    Station station;
    station.WriteMinimalStation();
    const int base = FindFreePortRange(4);
    station.WritePorts(base, base + 2, -1);
    station.WriteConfigPy(1, 2, {});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Finish to check process running state."));
    station.Signal(SIGINT);
    station.WaitForExit();

    const std::string output = station.Output();
    EXPECT_EQ(1, Count(output, "SM_PORT is -1, StateMachine ports are not checked.\n"));
    EXPECT_EQ(1, Count(output, "are not checked."));
    EXPECT_EQ(0, Count(output, "Kill "));
}

}  // namespace
}  // namespace station_test
