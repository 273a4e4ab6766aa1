// The worked example of docs/station-guide.md, installed as the guide says, runs and stops under
// the launcher; the guide quotes every file of the example as it is.

#include <algorithm>
#include <regex>

#include "station_fixture.h"

namespace fs = std::filesystem;
using namespace station_test;

namespace {

const std::string kExample = VX_SOURCE_DIR "/docs/example-station";
const std::string kPortFile = "Bench/VX/TesterConfig/zmqports.json";

std::string RunVXPack(std::vector<std::string> args) {
    args.insert(args.begin(), VX_PACK_BIN);
    return WaitEnd(Spawn(args), 10000);
}

// The port file's numbers moved to free ports: the launcher kills what listens on station ports.
std::string WithFreePorts(const std::string& text) {
    const std::regex number("[0-9]+");
    std::vector<int> ports;
    for (std::sregex_iterator it(text.begin(), text.end(), number), end; it != end; ++it)
        ports.push_back(std::stoi(it->str()));
    const auto [low, high] = std::minmax_element(ports.begin(), ports.end());
    const int shift = FindFreePortRange(*high - *low + 1) - *low;
    std::string moved;
    auto rest = text.cbegin();
    for (std::sregex_iterator it(text.begin(), text.end(), number), end; it != end; ++it) {
        moved.append(rest, (*it)[0].first) += std::to_string(std::stoi(it->str()) + shift);
        rest = (*it)[0].second;
    }
    return moved.append(rest, text.cend());
}

TEST(StationGuide, TheWorkedExampleRunsAsTheGuideInstallsIt) {
    Station station(false);  // D/VXLauncher copied
    const std::string dir = station.Dir();
    fs::copy(kExample, dir, fs::copy_options::recursive);
    station.WriteFile(kPortFile, WithFreePorts(station.ReadFile(kPortFile)));
    fs::create_directory(dir + "/Bench/work");
    ASSERT_EQ("exit 0", RunVXPack({"protect", dir + "/Bench/Data/limits.csv"}));
    fs::remove(dir + "/Bench/Data/limits.csv");
    ASSERT_EQ("exit 0", RunVXPack({"manifest", dir}));

    station.Launch();
    ASSERT_TRUE(station.WaitForOutput("Start Process StateMachine successful."))
        << station.Output();
    // Each process (and no other) has read the limits decrypted from their protected file.
    std::string ready;  // those lines of the log
    EXPECT_TRUE(Eventually([&] {
        ready.clear();
        for (const std::string& line : Lines(station.LogText(), ": ready, 3 test limits"))
            ready += line + "\n";
        return Lines(ready).size() == 4;
    })) << station.LogText();
    EXPECT_EQ(1u, Lines(ready, " Monitor on port ").size());
    EXPECT_EQ(2u, Lines(ready, " Sequence on port ").size());
    EXPECT_EQ(1u, Lines(ready, " StateMachine on port ").size());
    EXPECT_EQ(ReadFile(kExample + "/Bench/Data/limits.csv"),
              station.ReadFile("Bench/Data/limits.csv"));

    const std::vector<int> children = ChildrenOf(station.Pid());
    EXPECT_EQ(4u, children.size());
    ExpectRunsThenStopsOnCtrlC(station);
    for (int pid : children) EXPECT_FALSE(ProcessExists(pid)) << pid;
}

TEST(StationGuide, QuotesEveryFileOfTheExample) {
    const std::string guide = ReadFile(VX_SOURCE_DIR "/docs/station-guide.md");
    int files = 0;
    for (const auto& file : fs::recursive_directory_iterator(kExample)) {
        if (!file.is_regular_file()) continue;
        ++files;
        EXPECT_NE(std::string::npos, guide.find(ReadFile(file.path()))) << file.path();
    }
    EXPECT_EQ(7, files);
}

}  // namespace
