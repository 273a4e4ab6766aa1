// A launcher killed outright (SIGKILL) leaves its children, and its lock to no one.

#include "station_fixture.h"

using namespace station_test;

TEST(RepeatedRuns, AKilledLauncherLeavesItsChildToTheNextStart) {
    Station station;
    const std::string child = station.AddChildProgram("r");
    station.WriteConfigPy(1, 1, {{"Child", "", "$(ProjectDir)/bin", child, "ignore-term", 0}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("ready"));
    const std::vector<int> children = ChildrenOf(station.Pid());
    Kill(station.Pid());
    EXPECT_EQ("signal 9", station.WaitForExit());
    ASSERT_EQ(1u, children.size());
    EXPECT_TRUE(ProcessExists(children[0]));
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ(1u, Lines(station.Output(), "Have been kill process by name = " + child).size());
}
