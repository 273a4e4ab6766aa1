// The start phase: each instance's line, entries in order, instances back to back, then the wait.

#include "station_fixture.h"

using namespace station_test;

TEST(PlanLines, InstancesPerModulePerSlotBothAndNeither) {
    Station station;
    const std::string child = station.AddChildProgram("c"), bin = "$(ProjectDir)\\bin";
    station.WriteConfigPy(2, 3,
                          {{"Both", "", bin, child, "echo m=module s=slot", 0},
                           {"PerSlot", "", bin, child, "echo slot of slots", 0},
                           {"PerModule", "", bin, child, "echo module", 0},
                           {"Once", "", bin, child, "echo n=slots", 0},
                           {"Vars", "", "$(AppWorkDir)/Proj/bin", child,
                            "echo $(ProjectWorkDir) $(ZmqPortFileFullPath)", 0},
                           {"Modules", "", bin, "modules.exe", "", 0}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process Modules successful."));
    // What the children said arrives in the log on their readers' time.
    for (const std::string said : {"m=1 s=2", "2 of 3", "n=3"})
        EXPECT_TRUE(Eventually([&] { return station.LogHas("DEBUG", said + "\n"); })) << said;
    ExpectRunsThenStopsOnCtrlC(station);

    const std::string d = station.Dir(), dir = d + "/Proj/bin", p = dir + "/" + child + " echo ";
    // clang-format off
    const std::pair<std::string, std::string> plan[] = {
        {"Both0", p + "m=0 s=0"}, {"Both1", p + "m=0 s=1"}, {"Both2", p + "m=0 s=2"},
        {"Both3", p + "m=1 s=0"}, {"Both4", p + "m=1 s=1"}, {"Both5", p + "m=1 s=2"},
        {"PerSlot0", p + "0 of 3"}, {"PerSlot1", p + "1 of 3"}, {"PerSlot2", p + "2 of 3"},
        {"PerModule0", p + "0"}, {"PerModule1", p + "1"}, {"Once", p + "n=3"},
        {"Vars", p + d + "/Proj " + d + "/Proj/VX/TesterConfig/zmqports.json"},
        {"Modules0", dir + "/0s.exe"}, {"Modules1", dir + "/1s.exe"}};  // neither file exists
    // clang-format on
    std::vector<std::string> expected;
    for (const auto& [name, cmd] : plan)
        expected.push_back("CreateProcess " + name + " workDir = " + dir + " cmd = " + cmd + ".");
    // The launcher's own lines, not the runner's "CreateProcess success. workpath=...".
    EXPECT_EQ(expected, Lines(station.Output(), " workDir = "));
    // modules.exe took the module numbers; both starts fail.
    EXPECT_EQ(2u, Lines(station.LogText(), " fail").size());
}

// Milliseconds of the day of a progress line's leading "YYYY-MM-DD HH:MM:SS.mmm".
static long long TimeOf(const std::string& line) {
    auto field = [&line](size_t at, size_t size) { return std::stoll(line.substr(at, size)); };
    return ((field(11, 2) * 60 + field(14, 2)) * 60 + field(17, 2)) * 1000 + field(20, 3);
}

TEST(StartOrder, EntriesInOrderInstancesBackToBackWaitsAfterEach) {
    Station station;
    const std::string child = station.AddChildProgram("o"), bin = "$(ProjectDir)/bin";
    station.WriteConfigPy(1, 4,
                          {{"A", "", bin, child, "echo started A", 1},
                           {"B", "", bin, child, "echo started B slot", 1},
                           {"C", "", bin, "no-such-program", "", 5},
                           {"N", "", bin, child, "echo started N", -5}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process N successful.", 15000));
    ExpectRunsThenStopsOnCtrlC(station);

    const std::vector<std::string> lines = Lines(station.Output(), " Process ");
    std::vector<std::string> progress;  // behind the time
    for (const std::string& line : lines)
        progress.push_back(line.substr(std::min<size_t>(24, line.size())));
    ASSERT_EQ(std::vector<std::string>(
                  {"Starting Process A ......", "Wait for 1 second to Process A initialize.",
                   "Start Process A successful.", "Starting Process B0 ......",
                   "Starting Process B1 ......", "Starting Process B2 ......",
                   "Starting Process B3 ......", "Wait for 1 second to Process B initialize.",
                   "Start Process B successful.", "Starting Process C ......",
                   "Starting Process N ......", "Wait for -5 second to Process N initialize.",
                   "Start Process N successful."}),
              progress);
    // A second after A and after the four B's; none after the failed C, nor for a negative one.
    EXPECT_GE(TimeOf(lines[2]) - TimeOf(lines[1]), 990);
    EXPECT_GE(TimeOf(lines[8]) - TimeOf(lines[7]), 990);
    EXPECT_LT(TimeOf(lines[10]) - TimeOf(lines[9]), 1000);
    EXPECT_LT(TimeOf(lines[12]) - TimeOf(lines[11]), 500);

    // The failed start, at ERROR in the log only, with " fail" behind its own line.
    EXPECT_TRUE(station.LogHas("ERROR", lines[9] + " fail"));
    EXPECT_EQ(std::string::npos, station.Output().find(" fail\n"));
    // The run is counted once, before the leftovers check.
    const std::string output = station.Output();
    EXPECT_LT(output.find("g_starttimes = 1\n"),
              output.find("Start to check process running state."));
}

// A path with blanks or quotes: the command lines come from path variables, the program unquoted.
TEST(StartOrder, AnInstallationPathWithBlanksOrQuotesStartsItsPrograms) {
    Station station;
    const std::string child = station.AddChildProgram("b");
    station.WriteConfigPy(1, 1, {{"P", "", "$(ProjectDir)/bin", child, "echo \"a b\" c", 0}});
    for (const std::string inner : {"my station", "q\"uote d"}) {
        const std::string dir = station.Dir() + "/" + inner;
        // Windows allows no quote in a file name.
        std::error_code refused;
        if (!std::filesystem::create_directories(dir, refused) && inner.find('"') != inner.npos)
            continue;
        for (const char* part : {kLauncherName, "Config", "Proj"})
            std::filesystem::copy(station.Dir() + "/" + part, dir + "/" + part,
                                  std::filesystem::copy_options::recursive);
        station.WriteFile("console.txt", "");  // a wait must not read the last run's
        const int pid = Spawn({dir + "/" + kLauncherName}, station.Dir() + "/console.txt");
        EXPECT_TRUE(station.WaitForOutput("Start Process P successful.")) << station.Output();
        EXPECT_TRUE(station.WaitForOutput("a b c")) << station.Output();
        SendCtrlC(pid);
        EXPECT_EQ("exit 0", WaitEnd(pid, 5000));
        EXPECT_EQ(1u, Lines(station.Output(), "CreateProcess success.").size()) << inner;
    }
}
