// A child's unasked end is reported at once; each instance's output also goes to a log of its own.

#include <regex>

#include "station_fixture.h"

using namespace station_test;

TEST(ProcessReports, AChildThatEndsByItselfIsReportedOnceAndAClosedOneIsNot) {
    Station station;
    const std::string child = station.AddChildProgram("e"), bin = "$(ProjectDir)/bin";
    station.WriteConfigPy(1, 1,
                          {{"Crash", "", bin, child, "ignore-term", 0},
                           {"Three", "", bin, child, "exit 3", 0},
                           // Dies during its own wait: reported before its "successful" line.
                           {"Early", "", bin, child, "sleep 100", 2},
                           {"Stays", "", bin, child, "ignore-term", 0}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process Stays successful.", 15000));
    const std::vector<int> children = ChildrenOf(station.Pid());
    ASSERT_FALSE(children.empty());
    const int crash = children.front();
    kill(crash, SIGKILL);
    ASSERT_TRUE(station.WaitForOutput("was killed by signal 9"));
    ExpectRunsThenStopsOnCtrlC(station);

    const std::string output = station.Output();
    const std::regex report(
        R"(Process (\w+) \(pid (\d+)\) (ended with status|was killed by signal) (\d+) after 00:00:0\d\.)");
    std::vector<std::string> reported;
    for (const std::string& line : Lines(output, "Process ")) {
        std::smatch match;
        if (std::regex_match(line, match, report))
            reported.push_back(match[1].str() + " " + match[4].str());
    }
    // Exactly these, once each; "Stays" was closed at the stop and is not among them.
    EXPECT_EQ(std::vector<std::string>({"Three 3", "Early 0", "Crash 9"}), reported) << output;
    EXPECT_LT(output.find("Process Early (pid"), output.find("Start Process Early successful."));
    EXPECT_NE(std::string::npos, output.find("Process Crash (pid " + std::to_string(crash) + ")"));
    // A status of 0 is DEBUG, anything else ERROR; the same text in the log as on the console.
    for (const auto& [level, message] : station.LogRecords())
        if (message.find("(pid ") != std::string::npos)
            EXPECT_EQ(message.find(" status 0 after") != std::string::npos ? "DEBUG" : "ERROR",
                      level);
    EXPECT_EQ(3u, Lines(station.LogText(), "(pid ").size());
}

TEST(ProcessReports, EachInstanceHasALogOfItsOwnHoldingExactlyItsOutputUnlessTurnedOff) {
    const size_t perChild = 300000;
    Station station;
    const std::string child = station.AddChildProgram("l"), bin = "$(ProjectDir)/bin";
    station.WriteConfigPy(
        1, 2,
        {{"Flood", "", bin, child, "flood " + std::to_string(perChild) + " 100 slot", 0},
         {"CON", "", bin, child, "echo device", 0},
         {"Launcher", "", bin, child, "echo not the main log", 0},
         {"a/b", "", bin, child, "echo slash", 0},
         {"a_b", "", bin, child, "echo underscore", 0}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process a_b successful."));
    auto xsIn = [&](const std::string& file) {  // the time stamps hold no "x"
        const std::string text = station.ReadFile("log/" + file);
        return static_cast<size_t>(std::count(text.begin(), text.end(), 'x'));
    };
    const std::pair<const char*, const char*> echoed[] = {{"CON_2.log", " device\n"},
                                                          {"Launcher_2.log", " not the main log\n"},
                                                          {"a_b.log", " slash\n"},
                                                          {"a_b_2.log", " underscore\n"}};
    for (const std::string file : {"Flood0.log", "Flood1.log"})
        EXPECT_TRUE(Eventually([&] { return xsIn(file) == perChild / 100 * 99; })) << file;
    // Names made safe and distinct: a device name, the launcher's own log, a separator.
    for (const auto& [file, line] : echoed)
        EXPECT_TRUE(Eventually([&] {
            return station.ReadFile(std::string("log/") + file).find(line) != std::string::npos;
        })) << file;
    ExpectRunsThenStopsOnCtrlC(station);
    // Each flooding instance's file holds its own bytes, none of the other's.
    for (const std::string file : {"Flood0.log", "Flood1.log"})
        EXPECT_EQ(perChild / 100 * 99, xsIn(file)) << file;

    // Config.ProcessLogs 0: the output goes to the launcher's log only.
    station.WriteLauncherXml("<ProcessLogs>0</ProcessLogs>");
    station.Launch();
    EXPECT_TRUE(Eventually([&] { return station.LogHas("DEBUG", "underscore\n"); }));
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ("", station.ReadFile("log/a_b_2.log"));
}
