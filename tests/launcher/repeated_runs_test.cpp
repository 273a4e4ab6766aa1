// A second launcher refuses and touches nothing; failed starts never push out a started run's log.

#include "station_fixture.h"

using namespace station_test;

TEST(RepeatedRuns, ASecondLauncherRefusesAndTouchesNothing) {
    Station station;
    const std::string child = station.AddChildProgram("r");
    station.WriteConfigPy(1, 1, {{"Child", "", "$(ProjectDir)/bin", child, "ignore-term", 0}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process Child successful."));
    ASSERT_TRUE(station.WaitForOutput("ready"));  // the child says no more
    const std::vector<int> children = ChildrenOf(station.Pid());
    const std::string log = station.ReadFile("log/Launcher.log");
    const int second = Spawn({station.Launcher()}, station.Dir() + "/second.txt");
    EXPECT_EQ("exit 3", WaitEnd(second, 5000));
    EXPECT_EQ("Another launcher is running the station in " + station.Dir() +
                  " (Pid = " + std::to_string(station.Pid()) +
                  "). This one ends and leaves the station alone; stop that launcher first to "
                  "start the station again.\n",
              station.ReadFile("second.txt"));
    EXPECT_EQ(children, ChildrenOf(station.Pid()));
    EXPECT_EQ(log, station.ReadFile("log/Launcher.log"));

    ExpectRunsThenStopsOnCtrlC(station);
}

TEST(RepeatedRuns, FailedStartsNeverPushOutTheLogOfARunThatStarted) {
    Station station;
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);  // its log rolled over to a backup
    station.RemoveFile("Config/md5.csv");
    for (int run = 0; run < 12; ++run) {
        station.Launch(false);
        ASSERT_EQ("exit 255", station.WaitForExit());
    }
    // Every failed run's records stay in the file, which the next run that starts continues.
    EXPECT_EQ(12u, Lines(station.ReadFile("log/Launcher.log"), "Init failed").size());
    station.WriteManifest();
    station.Launch(false);
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ("", station.ReadFile("log/Launcher.log"));
    const std::string all = station.LogText();
    EXPECT_EQ(12u, Lines(all, "Init failed").size());
    EXPECT_EQ(2u, Lines(all, "Exit success.").size());
}
