// Bad input met end to end: an installation directory where the log cannot be written, and a
// manifest whose header is wrong. In both the launcher still brings the station up.

#include "station_fixture.h"

using namespace station_test;

TEST(BadEnvironment, UnwritableLogDirectoryLeavesTheConsole) {
    Station station;
    const std::string child = station.AddChildProgram("l");
    station.WriteConfigPy(1, 1,
                          {{"Echo", "", "$(ProjectDir)/bin", child, "echo child says hi", 0}});
    // A file where the log directory belongs: neither it nor the log file can be made.
    station.WriteFile("log", "not a directory");
    station.Launch(false);
    // The child's line may come before or after the launcher's own: wait for both.
    ASSERT_TRUE(station.WaitForOutput("child says hi", 15000));
    ASSERT_TRUE(station.WaitForOutput("Start Process Echo successful."));
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_NE(std::string::npos, station.Output().find("log/Launcher.log"));  // the complaint
    EXPECT_EQ("not a directory", station.ReadFile("log"));
}

// A manifest that cannot be read as one yields no findings: the check says false, but there is
// nothing to name, so start-up goes on even though its entry names a missing file.
TEST(BadManifest, WrongHeaderIsNoReasonToStop) {
    Station station;
    station.WriteProject("1");
    station.WriteFile("Config/md5.csv",
                      "MD5\n/Proj/bin/missing,00000000000000000000000000000000,\n");
    station.Launch();
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ(std::string::npos, station.Output().find("have changed"));
}

// Started with standard output closed: the log must not take descriptor 1, or every console
// line (the runner's "CreateProcess success." is console-only) would land in it.
TEST(BadEnvironment, ClosedStandardOutputNeverBecomesTheLog) {
    Station station;
    const std::string child = station.AddChildProgram("c");
    station.WriteConfigPy(1, 1, {{"P", "", "$(ProjectDir)/bin", child, "ignore-term", 0}});
    const pid_t pid = Spawn({"/bin/sh", "-c", "exec " + station.Dir() + "/VXLauncher >&-"});
    ASSERT_TRUE(Eventually([&] {
        return station.LogText().find("Start Process P successful.") != std::string::npos;
    }));
    kill(pid, SIGINT);
    EXPECT_EQ("exit 0", WaitEnd(pid, 5000));
    EXPECT_EQ(std::string::npos, station.LogText().find("CreateProcess success."));
}
