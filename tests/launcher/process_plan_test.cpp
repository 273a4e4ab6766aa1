// The process plan: the instances of each entry in order, with their numbers and variables.

#include "launcher/process_plan.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "config/script_process.h"

typedef std::vector<std::string> Texts;

// "key name workDir | cmd | slot | args" per instance, in plan order. The stand-in for
// the launcher's substitution inserts a value holding "slots": a number landing in it shows.
static Texts Render(int modules, int slots, const std::vector<ScriptProcess>& entries) {
    auto expand = [](std::string& text) {
        for (size_t at; (at = text.find("$(ProjectDir)")) != std::string::npos;)
            text.replace(at, 13, "/slots/P");
    };
    ProcessPlan plan;
    BuildProcessPlan(modules, slots, entries, expand, plan);
    Texts lines;
    for (const auto& [key, list] : plan)
        for (const ProcessSpec& p : list)
            lines.push_back(std::to_string(key) + " " + p.name + " " + p.workDir + " | " + p.cmd +
                            " | " + std::to_string(p.slot) + " | " + p.args);
    return lines;
}

TEST(ProcessPlan, InstancesWithTheirNumbersAndVariables) {
    EXPECT_EQ(Texts({// Per slot, with slot and args kept; text replacement is plain.
                     "0 S /b | /b/s --0=0 | 0 | --0=0", "0 S /b | /b/s --1=1 | 1 | --1=1",
                     // Module and slot: "slots" is the count, not "slot" and an "s".
                     "1 E /b | /b/e 0 0 2 | 0 | 0 0 2", "1 E /b | /b/e 0 1 2 | 1 | 0 1 2",
                     "1 E /b | /b/e 1 0 2 | 0 | 1 0 2", "1 E /b | /b/e 1 1 2 | 1 | 1 1 2",
                     // An interpreter names the tool, then the script; no path, no tool: "/".
                     "2 Py /w | python tool.py -v | -1 | ", "3 Py /w | python tool.py | -1 | ",
                     "4 A  | /a | -1 | ",
                     // Variables go in after the numbers, and their values are not searched.
                     "5 V /slots/P/bin | /slots/P/bin/v /slots/P 0 | 0 | /slots/P 0",
                     "5 V /slots/P/bin | /slots/P/bin/v /slots/P 1 | 1 | /slots/P 1"}),
              Render(2, 2,
                     {{"S", "", "/b", "s", "--slot=slot"},
                      {"E", "", "/b", "e", "module slot slots"},
                      {"Py", "python", "/w", "tool.py", "-v"},
                      {"Py", "python", "/w", "tool.py", ""},
                      {"A", "", "", "a", ""},
                      {"V", "", "$(ProjectDir)\\bin", "v", "$(ProjectDir) slot"}}));

    // Counts of zero or less: no instance, and no key.
    const std::vector<ScriptProcess> entries = {{"A", "", "/b", "a", ""},
                                                {"S", "", "/b", "s", "slot"},
                                                {"M", "", "/b", "m", "module"},
                                                {"E", "", "/b", "e", "module slot"}};
    EXPECT_EQ(Texts({"0 A /b | /b/a | -1 | ", "2 M /b | /b/m 0 | -1 | "}), Render(1, 0, entries));
    EXPECT_EQ(Texts({"0 A /b | /b/a | -1 | ", "1 S /b | /b/s 0 | 0 | 0"}), Render(0, 1, entries));
    EXPECT_EQ(Texts({"0 A /b | /b/a | -1 | "}), Render(-1, -1, entries));
}

TEST(ProcessPlan, CountsBeyondTheStationBoundAreRefusedAndPlanNothing) {
    const std::vector<ScriptProcess> entries = {{"S", "", "/b", "s", "slot"},
                                                {"M", "", "/b", "m", "module"},
                                                {"E", "", "/b", "e", "module slot"}};
    // Modules, slots, instances of all entries together; -1: refused. A count below 1 plans
    // nothing but counts as 1 against the bound of 4096 per entry.
    const std::tuple<int, int, long> cases[] = {{64, 64, 64 + 64 + 4096},
                                                {1, 4096, 4096 + 1 + 4096},
                                                {4096, -3, 4096},
                                                {INT_MIN, INT_MIN, 0},
                                                {4097, 1, -1},
                                                {0, 4097, -1},
                                                {65536, 65537, -1},
                                                {INT_MAX, INT_MAX, -1}};
    for (const auto& [modules, slots, instances] : cases) {
        ProcessPlan plan;
        bool built = BuildProcessPlan(
            modules, slots, entries, [](std::string&) {}, plan);
        long planned = 0;
        for (const auto& entry : plan) planned += static_cast<long>(entry.second.size());
        EXPECT_EQ(built ? planned : -1, instances) << modules << " x " << slots;
        EXPECT_TRUE(built || plan.empty());
    }
}
