// Every byte the children write reaches the log, the console and each instance's own log.

#include <algorithm>

#include "station_fixture.h"

using namespace station_test;

TEST(OutputCapture, EveryByteOfSeveralFloodingChildrenReachesLogAndConsole) {
    const size_t children = 4, perChild = 400000;  // lines of 100 bytes
    Station station;
    const std::string child = station.AddChildProgram("f"), bin = "$(ProjectDir)/bin";
    station.WriteConfigPy(
        1, children,
        {{"Flood", "", bin, child, "flood " + std::to_string(perChild) + " 100 slot", 0},
         {"Bytes", "", bin, child, "write-bytes 5000", 0},
         {"CON", "", bin, child, "echo device", 0},
         {"Launcher", "", bin, child, "echo not the main log", 0},
         {"a/b", "", bin, child, "echo slash", 0},
         {"a_b", "", bin, child, "echo underscore", 0}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process a_b successful."));

    Eventually([&] { return station.RecordsOnlyOf("x\n").size() >= children * perChild; }, 15000);
    EXPECT_EQ(children * perChild, station.RecordsOnlyOf("x\n").size());
    std::string written(5000, ' ');
    for (size_t i = 0; i < written.size(); ++i) written[i] = static_cast<char>('a' + i % 26);
    EXPECT_EQ(written, station.RecordsOnlyOf("abcdefghijklmnopqrstuvwxyz"));

    // On the console each chunk is one line: every x of the flood (and of the letters) is there,
    // beside the launcher's lines that name the program (an ".exe" has one).
    size_t xs = 0;
    for (const std::string& line : Lines(station.Output()))
        xs += line.find(child) == std::string::npos ? std::count(line.begin(), line.end(), 'x') : 0;
    EXPECT_EQ(children * perChild / 100 * 99 + std::count(written.begin(), written.end(), 'x'), xs);

    // Each instance's own log holds exactly its output (the time stamps hold no "x"), under a
    // name made safe and distinct: a device name, the launcher's own log, a separator.
    auto xsIn = [&](size_t slot) {
        const std::string text = station.ReadFile("log/Flood" + std::to_string(slot) + ".log");
        return static_cast<size_t>(std::count(text.begin(), text.end(), 'x'));
    };
    for (size_t slot = 0; slot < children; ++slot)
        EXPECT_TRUE(Eventually([&] { return xsIn(slot) == perChild / 100 * 99; })) << slot;
    const std::pair<const char*, const char*> echoed[] = {{"CON_2.log", " device"},
                                                          {"Launcher_2.log", " not the main log"},
                                                          {"a_b.log", " slash"},
                                                          {"a_b_2.log", " underscore"}};
    for (const auto& [file, line] : echoed)
        EXPECT_TRUE(Eventually([&] {
            return station.ReadFile(std::string("log/") + file).find(line) != std::string::npos;
        })) << file;
    ExpectRunsThenStopsOnCtrlC(station);
    for (size_t slot = 0; slot < children; ++slot)  // none of the other's bytes came later
        EXPECT_EQ(perChild / 100 * 99, xsIn(slot)) << slot;

    // Config.ProcessLogs 0: the output goes to the launcher's log only.
    station.WriteLauncherXml("<ProcessLogs>0</ProcessLogs>");
    station.Launch();
    EXPECT_TRUE(Eventually([&] { return station.LogHas("DEBUG", "underscore\n"); }));
    ExpectRunsThenStopsOnCtrlC(station);
    EXPECT_EQ("", station.ReadFile("log/a_b_2.log"));
}
