// --help, --version, unknown options and --check (what a start would do) change nothing.

#include <algorithm>
#include <map>

#include "station_fixture.h"

using namespace station_test;
namespace fs = std::filesystem;

namespace {

// Every file under `dir` with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        files[entry.path().generic_string()] =
            entry.is_regular_file() ? ReadFile(entry.path().generic_string()) : "<dir>";
    return files;
}

// Runs the station's launcher with `argument`; returns its status, with what it wrote.
std::string RunWith(Station& station, const std::string& argument, std::string& output) {
    // A file of its own per run: under Wine a file removed while a process that ended a moment
    // ago still held it takes a new file of the same name with it when that handle goes.
    const std::string said =
        station.Dir() + "/../said-" + fs::path(station.Dir()).filename().string() + argument;
    const int pid = Spawn({station.Launcher(), argument}, said);
    const std::string end = WaitEnd(pid, 15000);
    // As POSIX writes it: Windows' text-mode standard output ends lines with CR LF, and paths
    // have its own separators.
    output.clear();
    for (char c : ReadFile(said))
        if (c != '\r') output += c == '\\' ? '/' : c;
    fs::remove(said);
    return end;
}

}  // namespace

TEST(CommandLine, NoOptionChangesTheStationAndCheckShowsWhatAStartWouldDo) {
    Station station;
    const int sequencer = FindFreePortRange(4);
    ASSERT_GT(sequencer, 0);
    station.WritePorts(sequencer, -1, -1);
    const std::string child = station.AddChildProgram("k"), bin = station.ProjectDir() + "/bin/";
    station.WriteConfigPy(1, 2,
                          {{"Seq", "", "$(ProjectDir)/bin", child, "echo slot", 3},
                           {"Named", "", "$(ProjectDir)/bin", child, "ignore-term", 0}});
    const std::string said = station.Dir() + "/../holder-said";
    const int holder = Spawn({bin + child, "hold-port", std::to_string(sequencer + 1)}, said);
    ASSERT_TRUE(Eventually([&] { return ReadFile(said) == "listening\n"; }));
    fs::remove(said);
    const auto before = Snapshot(station.Dir());

    std::string output;
    EXPECT_EQ("exit 0", RunWith(station, "--help", output));
    EXPECT_EQ(0u, output.find("Usage: VXLauncher [--check | --help | --version]\n"));
    EXPECT_EQ("exit 0", RunWith(station, "--version", output));
    EXPECT_EQ(0u, output.find("VXLauncher 1.2.0"));
    EXPECT_EQ("exit 2", RunWith(station, "--start-everything", output));
    EXPECT_EQ(0u, output.find("VXLauncher: unknown option --start-everything\n\nUsage:"));
    EXPECT_EQ("exit 0", RunWith(station, "--check", output));
    const std::string d = station.ProjectDir() + "/bin", p = d + "/" + child;
    std::vector<std::string> lines = {
        "  Seq0  workDir = " + d + "  cmd = " + p + " echo 0  wait = 3 s",
        "  Named  workDir = " + d + "  cmd = " + p + " ignore-term  wait = 0 s",
        "  Sequence[0] port " + std::to_string(sequencer) + ": free",
        "  SM_PORT is -1: StateMachine ports are not checked.",
        "  " + child + ": Pid = " + std::to_string(holder) + " executable = " + p,
        "Check passed: a start would get past start-up."};
    if (!UnderWine())
        lines.push_back("  Sequence[1] port " + std::to_string(sequencer + 1) +
                        ": Pid = " + std::to_string(holder) + " executable = " + p);
    for (const std::string& line : lines)
        EXPECT_EQ(1u, Lines(output, line).size()) << line << "\n" << output;
    EXPECT_EQ(std::string::npos, output.find("CreateProcess"));
    EXPECT_EQ(before, Snapshot(station.Dir()));  // no log, no lock file, no bytecode
    EXPECT_EQ("running", WaitEnd(holder, 0));

    // A start-up mistake: its reason on the console, and status 1.
    station.WriteFile("Proj/VX/TesterConfig/zmqports.json", "{ not json");
    EXPECT_EQ("exit 1", RunWith(station, "--check", output));
    EXPECT_NE(std::string::npos, output.find("Parse zmq config failed.Project Path=")) << output;
    EXPECT_NE(std::string::npos, output.find("Check failed: a start would stop at start-up"));
    EXPECT_EQ("running", WaitEnd(holder, 0));
}
