// Bad input end to end: an unwritable log directory, an unusable manifest; the station comes up.

#include <signal.h>
#include <sys/stat.h>

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
    // The child's own line (not the launcher's that names its command) before or after its start.
    ASSERT_TRUE(station.WaitForOutput("Start Process Echo successful.", 15000));
    EXPECT_TRUE(Eventually(
        [&] { return station.Output().find("\nchild says hi\n") != std::string::npos; }));
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_NE(std::string::npos, station.Output().find("log/Launcher.log"));  // the complaint
    EXPECT_EQ("not a directory", station.ReadFile("log"));
}

// A manifest that cannot be read as one yields no findings, so start-up goes on, but the log and
// the console say that nothing was verified; a FIFO in its place is not waited on.
TEST(BadManifest, WrongHeaderIsNoReasonToStop) {
    Station station;
    station.WriteProject("1");
    const std::string manifest = station.Dir() + "/Config/md5.csv";
    const std::string remedy =
        ". Start-up goes on with the installed files NOT verified; write the manifest again "
        "with \"VXPack manifest\".";
    const std::pair<std::string, std::string> cases[] = {
        {"wrong header", "does not begin with the line \"md5\""},
        {"directory", "is not a regular file (a directory, FIFO or device)"},
        {"fifo", "is not a regular file (a directory, FIFO or device)"}};
    for (const auto& [kind, problem] : cases) {
        SCOPED_TRACE(kind);
        station.RemoveFile("Config/md5.csv");
        if (kind == "wrong header")
            station.WriteFile("Config/md5.csv",
                              "MD5\n/Proj/bin/missing,00000000000000000000000000000000,\n");
        if (kind == "directory") std::filesystem::create_directories(manifest + "/x");
        if (kind == "fifo") {
            ASSERT_EQ(0, mkfifo(manifest.c_str(), 0644));
        }
        station.Launch();
        ExpectRunsThenStopsOnCtrlC(station);
        EXPECT_EQ(std::string::npos, station.Output().find("have changed"));
        const std::string notDone = "Digest check not done: " + manifest + " " + problem + remedy;
        EXPECT_TRUE(station.LogHas("ERROR", notDone)) << station.LogText();
        EXPECT_EQ(1u, Lines(station.Output(), notDone).size()) << station.Output();
    }
}

// With stdout closed at start the log must not take descriptor 1, or console-only lines land in it.
TEST(BadEnvironment, ClosedStandardOutputNeverBecomesTheLog) {
    Station station;
    const std::string child = station.AddChildProgram("c");
    station.WriteConfigPy(1, 1, {{"P", "", "$(ProjectDir)/bin", child, "ignore-term", 0}});
    const int pid = Spawn({"/bin/sh", "-c", "exec " + station.Dir() + "/VXLauncher >&-"});
    ASSERT_TRUE(Eventually([&] {
        return station.LogText().find("Start Process P successful.") != std::string::npos;
    }));
    kill(pid, SIGINT);
    EXPECT_EQ("exit 0", WaitEnd(pid, 5000));
    EXPECT_EQ(std::string::npos, station.LogText().find("CreateProcess success."));
}
