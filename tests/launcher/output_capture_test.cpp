// Every byte the children write reaches the log, the console and each instance's own log.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "station_fixture.h"

using namespace station_test;

// The log's records that hold nothing but `characters`, run together.
static std::string RecordsOnlyOf(const Station& station, const std::string& characters) {
    std::string text;
    for (const auto& record : station.LogRecords())
        if (!record.second.empty() &&
            record.second.find_first_not_of(characters) == std::string::npos)
            text += record.second;
    return text;
}

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

    Eventually([&] { return RecordsOnlyOf(station, "x\n").size() >= children * perChild; }, 15000);
    EXPECT_EQ(children * perChild, RecordsOnlyOf(station, "x\n").size());
    std::string written(5000, ' ');
    for (size_t i = 0; i < written.size(); ++i) written[i] = static_cast<char>('a' + i % 26);
    EXPECT_EQ(written, RecordsOnlyOf(station, "abcdefghijklmnopqrstuvwxyz"));

    // On the console each chunk is one line: every x of the flood (and of the letters) is there.
    const std::string output = station.Output();
    EXPECT_EQ(children * perChild / 100 * 99 + std::count(written.begin(), written.end(), 'x'),
              static_cast<size_t>(std::count(output.begin(), output.end(), 'x')));

    // Each instance's own log holds exactly its output (the time stamps hold no "x"), under a
    // name made safe and distinct: a device name, the launcher's own log, a separator.
    auto xsIn = [&](size_t slot) {
        const std::string text = station.ReadFile("log/Flood" + std::to_string(slot) + ".log");
        return static_cast<size_t>(std::count(text.begin(), text.end(), 'x'));
    };
    for (size_t slot = 0; slot < children; ++slot)
        EXPECT_TRUE(Eventually([&] { return xsIn(slot) == perChild / 100 * 99; })) << slot;
    const std::pair<const char*, const char*> echoed[] = {{"CON_2.log", " device\n"},
                                                          {"Launcher_2.log", " not the main log\n"},
                                                          {"a_b.log", " slash\n"},
                                                          {"a_b_2.log", " underscore\n"}};
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

// A console that never reads holds up neither the log (every byte) nor the stop; its loss is logged
TEST(OutputCapture, AConsoleThatNeverReadsHoldsUpNeitherTheLogNorTheStop) {
    const size_t perChild = 6000000;  // together well beyond the console's buffer
    for (int signalNumber : {SIGINT, SIGHUP, SIGTERM}) {
        Station station;
        const std::string child = station.AddChildProgram("s");
        station.WriteConfigPy(1, 2,
                              {{"Flood", "", "$(ProjectDir)/bin", child,
                                "flood " + std::to_string(perChild) + " 1000 slot", 0},
                               {"Idle", "", "$(ProjectDir)/bin", child, "ignore-term", 0}});
        const std::string console = station.Dir() + "/console.fifo";
        ASSERT_EQ(0, mkfifo(console.c_str(), 0644));
        const int neverRead = open(console.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        const int pid = Spawn({station.Dir() + "/VXLauncher"}, console);
        ASSERT_TRUE(Eventually([&] { return RecordsOnlyOf(station, "x\n").size() >= 2 * perChild; },
                               30000));
        kill(pid, signalNumber);
        EXPECT_EQ(signalNumber == SIGINT ? "exit 0" : "signal " + std::to_string(signalNumber),
                  WaitEnd(pid, 5000));
        close(neverRead);
        EXPECT_EQ(2 * perChild, RecordsOnlyOf(station, "x\n").size());
        EXPECT_TRUE(Lines(station.LogText(), "Console output dropped: ").size() >= 1);
        EXPECT_TRUE(station.LogHas("DEBUG", "ConsoleQuitProc...\n"));
        EXPECT_TRUE(ChildrenOf(getpid()).empty());
    }
}
