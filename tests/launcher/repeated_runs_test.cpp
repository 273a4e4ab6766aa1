// Launchers of one station side by side: a second launcher refuses and touches nothing.

#include "station_fixture.h"

using namespace station_test;

TEST(RepeatedRuns, ASecondLauncherRefusesUntilTheFirstHasEndedHowever) {
    Station station;
    const std::string child = station.AddChildProgram("r");
    station.WriteConfigPy(1, 1, {{"Child", "", "$(ProjectDir)/bin", child, "ignore-term", 0}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process Child successful."));
    ASSERT_TRUE(station.WaitForOutput("ready"));  // the child says no more
    const std::vector<int> children = ChildrenOf(station.Pid());
    const std::string log = station.ReadFile("log/Launcher.log");
    const pid_t second = Spawn({station.Dir() + "/VXLauncher"}, station.Dir() + "/second.txt");
    EXPECT_EQ("exit 3", WaitEnd(second, 5000));
    EXPECT_EQ("Another launcher is running the station in " + station.Dir() +
                  " (Pid = " + std::to_string(station.Pid()) +
                  "). This one ends and leaves the station alone; stop that launcher first to "
                  "start the station again.\n",
              station.ReadFile("second.txt"));
    EXPECT_EQ(children, ChildrenOf(station.Pid()));
    EXPECT_EQ(log, station.ReadFile("log/Launcher.log"));

    // Killed outright, the first leaves its child behind, and the lock to no one.
    station.Signal(SIGKILL);
    EXPECT_EQ("signal 9", station.WaitForExit());
    ASSERT_EQ(1u, children.size());
    EXPECT_TRUE(ProcessExists(children[0]));
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ(1u, Lines(station.Output(), "Have been kill process by name = " + child).size());
}
