// A child that ends unasked is reported at once, once, with its name, status and run time.

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
    Kill(crash);
    ASSERT_TRUE(station.WaitForOutput("Process Crash (pid"));
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
    for (const auto& [level, message] : station.LogRecords()) {
        if (message.find("(pid ") == std::string::npos) continue;
        EXPECT_EQ(message.find(" status 0 after") != std::string::npos ? "DEBUG" : "ERROR", level);
    }
    EXPECT_EQ(3u, Lines(station.LogText(), "(pid ").size());
}
