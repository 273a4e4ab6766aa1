// The plan as the launcher starts it: one "CreateProcess" line per instance, with the
// instance name, working directory and command line after numbers and variables went in.

#include "station_fixture.h"

namespace station_test {
namespace {

TEST(PlanLines, InstancesPerModulePerSlotBothAndNeither) {
    Station station;
    station.WriteMinimalStation();
    const std::string child = station.AddChildProgram("c");
    const std::string bin = "$(ProjectDir)\\bin";
    station.WriteConfigPy(2, 3,
                          {
                              {"Both", "", bin, child, "echo m=module s=slot", 0},
                              {"PerSlot", "", bin, child, "echo slot of slots", 0},
                              {"PerModule", "", bin, child, "echo module", 0},
                              {"Once", "", bin, child, "echo n=slots", 0},
                              {"Vars", "", "$(AppWorkDir)/Proj/bin", child,
                               "echo $(ProjectWorkDir) $(ZmqPortFileFullPath)", 0},
                              {"Modules", "", bin, "modules.exe", "", 0},
                          });
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process Modules successful."));
    // What the children said arrives in the log on their readers' time.
    for (const char* said : {"m=1 s=2", "2 of 3", "n=3"}) {
        const std::string record = std::string("[DEBUG] ") + said + "\n";
        EXPECT_TRUE(Eventually([&] { return station.LogText().find(record) != std::string::npos; }))
            << said;
    }
    station.Signal(SIGINT);
    ASSERT_EQ("exit 0", station.WaitForExit());

    const std::string d = station.Dir(), dir = d + "/Proj/bin", program = dir + "/" + child;
    std::vector<std::string> expected;
    auto line = [&](const std::string& name, const std::string& cmd) {
        expected.push_back("CreateProcess " + name + " workDir = " + dir + " cmd = " + cmd + ".");
    };
    for (int m = 0, i = 0; m < 2; ++m)
        for (int s = 0; s < 3; ++s, ++i)
            line("Both" + std::to_string(i),
                 program + " echo m=" + std::to_string(m) + " s=" + std::to_string(s));
    for (int s = 0; s < 3; ++s)
        line("PerSlot" + std::to_string(s), program + " echo " + std::to_string(s) + " of 3");
    for (int m = 0; m < 2; ++m)
        line("PerModule" + std::to_string(m), program + " echo " + std::to_string(m));
    line("Once", program + " echo n=3");
    line("Vars", program + " echo " + d + "/Proj " + d + "/Proj/VX/TesterConfig/zmqports.json");
    line("Modules0", dir + "/0s.exe");
    line("Modules1", dir + "/1s.exe");
    // The launcher's own lines, not the runner's "CreateProcess success. workpath=...".
    EXPECT_EQ(expected, Lines(station.Output(), " workDir = "));
    // modules.exe became 0s.exe and 1s.exe, which do not exist: both starts fail.
    EXPECT_EQ(2, Count(station.LogText(), " fail\n"));
}

}  // namespace
}  // namespace station_test
