// The plan as the launcher starts it: one "CreateProcess" line per instance, with the
// instance name, working directory and command line after numbers and variables went in.

#include <signal.h>
#include <unistd.h>

#include "e2e_support.h"

namespace station_test {
namespace {

TEST(PlanLines, InstancesPerModulePerSlotBothAndNeither) {
    Station station;
    station.WriteMinimalStation();
    station.WriteProject("0", "$(ProjectDir)");
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
        for (int i = 0; i < 1000 && station.LogText().find(record) == std::string::npos; ++i)
            usleep(5000);
        EXPECT_NE(std::string::npos, station.LogText().find(record)) << said;
    }
    station.Signal(SIGINT);
    ASSERT_TRUE(station.WaitForExit().exited);

    const std::string d = station.Dir();
    const std::string dir = d + "/Proj/bin";
    const std::string program = dir + "/" + child;
    std::vector<std::string> expected;
    auto line = [&](const std::string& name, const std::string& workDir, const std::string& cmd) {
        expected.push_back("CreateProcess " + name + " workDir = " + workDir + " cmd = " + cmd +
                           ".");
    };
    int i = 0;
    for (int m = 0; m < 2; ++m)
        for (int s = 0; s < 3; ++s, ++i)
            line("Both" + std::to_string(i), dir,
                 program + " echo m=" + std::to_string(m) + " s=" + std::to_string(s));
    for (int s = 0; s < 3; ++s)
        line("PerSlot" + std::to_string(s), dir, program + " echo " + std::to_string(s) + " of 3");
    for (int m = 0; m < 2; ++m)
        line("PerModule" + std::to_string(m), dir, program + " echo " + std::to_string(m));
    line("Once", dir, program + " echo n=3");
    line("Vars", dir,
         program + " echo " + d + "/Proj " + d + "/Proj/VX/TesterConfig/zmqports.json");
    line("Modules0", dir, dir + "/0s.exe");
    line("Modules1", dir, dir + "/1s.exe");

    // The launcher's own lines, not the runner's "CreateProcess success. workpath=...".
    std::vector<std::string> created;
    for (const std::string& l : LinesWith(station.Output(), " workDir = ")) created.push_back(l);
    EXPECT_EQ(expected, created);

    const std::string log = station.LogText();
    // modules.exe became 0s.exe and 1s.exe, which do not exist: both starts fail.
    EXPECT_EQ(2, Count(log, " fail\n"));
}

}  // namespace
}  // namespace station_test
