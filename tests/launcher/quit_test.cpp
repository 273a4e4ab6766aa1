// Each console event while the station runs or starts: every child ends, nothing more starts.

#include "quit_events.h"

using namespace station_test;

class Quit : public ::testing::TestWithParam<int> {};  // an event while running, then starting

TEST_P(Quit, EveryChildIsGoneAndTheLauncherEndsAsTheEventSays) {
    const QuitEvent& event = kQuitEvents[GetParam() % kQuitEvents.size()];
    const bool duringStart = size_t(GetParam()) >= kQuitEvents.size();
    Station station;
    const std::string child = station.AddChildProgram("q"), bin = "$(ProjectDir)/bin";
    station.WriteConfigPy(1, 2,
                          {{"Holder", "", bin, child, "ignore-term slot", 0},
                           {"Grand", "", bin, child, "grandchild", 0},
                           // While starting: a wait whose milliseconds do not fit an int.
                           {"Long", "", bin, child, "ignore-term", duringStart ? 2147483647 : 0},
                           {"Late", "", bin, child, "ignore-term", 0}});
    station.Launch();
    ASSERT_TRUE(station.WaitForOutput(duringStart ? "Wait for 2147483647 second to Process Long"
                                                  : "Start Process Late successful."));
    ASSERT_TRUE(station.WaitForOutput("grandchild "));
    const std::vector<int> children = ChildrenOf(station.Pid());
    ASSERT_EQ(duringStart ? 4u : 5u, children.size());
    const std::string output = station.Output();
    const int grandchild = atoi(output.c_str() + output.find("grandchild ") + 11);
    ASSERT_TRUE(grandchild > 0 && ProcessExists(grandchild));

    // The launcher, its children and the grandchild, all run from D.
    EXPECT_EQ(children.size() + 2, ProcessesRunningFrom(station.Dir()).size());
    SendConsoleEvent(station.Pid(), event.event);
    EXPECT_EQ(event.end, station.WaitForExit(5000)) << station.Output();
    const std::string all = station.Output();
    const size_t quitAt = all.find("ConsoleQuitProc...\n\n");
    ASSERT_NE(std::string::npos, quitAt);
    EXPECT_LT(all.find(event.line), quitAt);
    EXPECT_EQ(children.size(), Lines(all.substr(quitAt), "CloseProcess success.").size());
    EXPECT_TRUE(station.LogHas("DEBUG", "ConsoleQuitProc...\n"));
    EXPECT_TRUE(std::string(event.end) != "exit 0" || Lines(all).back() == "Exit success.");
    EXPECT_EQ(!duringStart, all.find("Starting Process Late") != std::string::npos);
    EXPECT_EQ(!duringStart, all.find("Start Process Long successful.") != std::string::npos);

    // Gone, not even as zombies: anything left would have been handed to this process.
    for (int pid : children) EXPECT_FALSE(ProcessExists(pid)) << pid;
    // The grandchild died with its group (job).
    EXPECT_TRUE(WaitGone(grandchild, 1000));
    EXPECT_TRUE(ChildrenOf(OwnPid()).empty());
    EXPECT_TRUE(ProcessesRunningFrom(station.Dir()).empty());
}

INSTANTIATE_TEST_SUITE_P(Events, Quit, ::testing::Range(0, 2 * int(kQuitEvents.size())),
                         [](const auto& info) {
                             return std::string(kQuitEvents[info.param % kQuitEvents.size()].name) +
                                    (size_t(info.param) >= kQuitEvents.size() ? "DuringStart"
                                                                              : "WhileRunning");
                         });
