// The process plan: which entries are started per module, per slot, both or once, in which
// order, and what their numbers and path variables turn into.

#include "launcher/process_plan.h"

#include <gtest/gtest.h>

#include "config/py_config.h"

namespace {

ScriptProcess Entry(const std::string& name, const std::string& path, const std::string& bin,
                    const std::string& args, int sleep = 1, const std::string& execute = "") {
    ScriptProcess entry;
    entry.name = name;
    entry.execute = execute;
    entry.path = path;
    entry.bin = bin;
    entry.args = args;
    entry.sleep = sleep;
    return entry;
}

// Stands in for the launcher's substitution: "$(ProjectDir)" only, and a trace of each call.
ProcessPlan Build(int modules, int slots, const std::vector<ScriptProcess>& entries) {
    ProcessPlan plan;
    BuildProcessPlan(
        modules, slots, entries,
        [](std::string& text) {
            size_t at;
            while ((at = text.find("$(ProjectDir)")) != std::string::npos)
                text.replace(at, 13, "/st/P");
        },
        plan);
    return plan;
}

TEST(ProcessPlan, PerSlotEntryHasOneInstancePerSlotInOrder) {
    ProcessPlan plan =
        Build(1, 4, {Entry("Sequence", "D:\\Station\\bin", "seq.exe", "--index slot", 3)});
    ASSERT_EQ(1u, plan.size());
    const std::vector<ProcessSpec>& list = plan.at(0);
    ASSERT_EQ(4u, list.size());
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ("Sequence", list[s].name);
        EXPECT_EQ("D:/Station/bin/seq.exe --index " + std::to_string(s), list[s].cmd);
        EXPECT_EQ("D:/Station/bin", list[s].workDir);
        EXPECT_EQ(s, list[s].slot);
        EXPECT_EQ("--index " + std::to_string(s), list[s].args);
        EXPECT_EQ(3, list[s].sleep);
    }
}

TEST(ProcessPlan, EveryOccurrenceOfTheWordsIsReplacedAlsoInsideLongerWords) {
    ProcessPlan plan = Build(1, 2, {Entry("S", "/b", "s", "--slot=slot")});
    ASSERT_EQ(2u, plan.at(0).size());
    EXPECT_EQ("/b/s --0=0", plan.at(0)[0].cmd);
    EXPECT_EQ("/b/s --1=1", plan.at(0)[1].cmd);

    // A bin named modules.exe makes the entry per-module and takes the number.
    plan = Build(2, 1, {Entry("M", "/b", "modules.exe", "")});
    ASSERT_EQ(2u, plan.at(0).size());
    EXPECT_EQ("/b/0s.exe", plan.at(0)[0].cmd);
    EXPECT_EQ("/b/1s.exe", plan.at(0)[1].cmd);
}

TEST(ProcessPlan, SlotCountInArgsAloneDoesNotMakeAnEntryPerSlot) {
    ProcessPlan plan = Build(3, 8, {Entry("Tool", "/b", "tool", "-n slots")});
    ASSERT_EQ(1u, plan.at(0).size());
    EXPECT_EQ("/b/tool -n 8", plan.at(0)[0].cmd);
    EXPECT_EQ(-1, plan.at(0)[0].slot);
    EXPECT_EQ("", plan.at(0)[0].args);
}

TEST(ProcessPlan, ModuleAndSlotEntryIsModuleMajor) {
    ProcessPlan plan = Build(2, 3, {Entry("E", "/b", "e", "module slot slots")});
    const std::vector<ProcessSpec>& list = plan.at(0);
    ASSERT_EQ(6u, list.size());
    int i = 0;
    for (int m = 0; m < 2; ++m) {
        for (int s = 0; s < 3; ++s, ++i) {
            const std::string numbers = std::to_string(m) + " " + std::to_string(s) + " 3";
            EXPECT_EQ("/b/e " + numbers, list[i].cmd);
            EXPECT_EQ(numbers, list[i].args);
            EXPECT_EQ(s, list[i].slot);
        }
    }
}

TEST(ProcessPlan, PerModuleEntryKeepsNoSlotAndNoArgs) {
    ProcessPlan plan = Build(3, 2, {Entry("SM", "/b", "sm", "--id module")});
    const std::vector<ProcessSpec>& list = plan.at(0);
    ASSERT_EQ(3u, list.size());
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ("/b/sm --id " + std::to_string(m), list[m].cmd);
        EXPECT_EQ(-1, list[m].slot);
        EXPECT_EQ("", list[m].args);
    }
}

TEST(ProcessPlan, KeysFollowScriptOrderAndEmptyEntriesHaveNone) {
    ProcessPlan plan = Build(2, 0,
                             {Entry("A", "/b", "a", ""), Entry("S", "/b", "s", "slot"),
                              Entry("M", "/b", "m", "module")});
    ASSERT_EQ(2u, plan.size());
    EXPECT_EQ("A", plan.at(0).front().name);
    EXPECT_EQ(0u, plan.count(1));
    EXPECT_EQ(2u, plan.at(2).size());

    EXPECT_TRUE(Build(0, 4, {Entry("M", "/b", "m", "module")}).empty());
    EXPECT_TRUE(Build(-1, -1, {Entry("E", "/b", "e", "module slot")}).empty());
}

TEST(ProcessPlan, InterpreterEntryNamesTheToolThenTheScript) {
    ProcessPlan plan = Build(1, 1,
                             {Entry("Py", "/w", "tool.py", "", 0, "python"),
                              Entry("Py2", "/w", "tool.py", "-v", 0, "python")});
    EXPECT_EQ("python tool.py", plan.at(0)[0].cmd);
    EXPECT_EQ("python tool.py -v", plan.at(1)[0].cmd);
    EXPECT_EQ("/w", plan.at(0)[0].workDir);

    // No path and no interpreter: the line begins with "/".
    EXPECT_EQ("/a", Build(1, 1, {Entry("A", "", "a", "")}).at(0)[0].cmd);
}

TEST(ProcessPlan, VariablesAreSubstitutedAfterTheNumbers) {
    ProcessPlan plan = Build(1, 2, {Entry("S", "$(ProjectDir)\\bin", "s", "$(ProjectDir) slot")});
    const std::vector<ProcessSpec>& list = plan.at(0);
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("/st/P/bin", list[1].workDir);
    EXPECT_EQ("/st/P/bin/s /st/P 1", list[1].cmd);
    EXPECT_EQ("/st/P 1", list[1].args);

    // A number never lands inside an inserted value: a project directory whose name holds
    // "slot" keeps it.
    ProcessPlan named;
    BuildProcessPlan(
        1, 2, {Entry("S", "$(ProjectDir)", "s", "slot")},
        [](std::string& text) {
            size_t at = text.find("$(ProjectDir)");
            if (at != std::string::npos) text.replace(at, 13, "/slots/dir");
        },
        named);
    EXPECT_EQ("/slots/dir/s 1", named.at(0)[1].cmd);
    EXPECT_EQ("/slots/dir", named.at(0)[1].workDir);
}

TEST(ProcessPlan, NewInstancesAreAppendedToWhatThePlanHolds) {
    ProcessPlan plan = Build(1, 1, {Entry("A", "/b", "a", "")});
    BuildProcessPlan(
        1, 1, {Entry("B", "/b", "b", "")}, [](std::string&) {}, plan);
    ASSERT_EQ(2u, plan.at(0).size());
    EXPECT_EQ("B", plan.at(0)[1].name);
}

}  // namespace
