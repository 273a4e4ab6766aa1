#include "platform/process_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/text_utils.h"
#include "tests/support/test_process.h"
#include "tests/support/test_support.h"

using Pids = std::vector<unsigned int>;
using namespace test_support;
namespace fs = std::filesystem;

TEST(ProcessList,
     FindsAndKillsByTheFullExecutableNameIgnoringCaseAndExeSuffixNeverItselfOrItsAncestors) {
    // Copies of the helper under a name of their own, longer than the kernel's short name.
    test_support::TempDir dir;
    const std::string id = std::to_string(OwnPid()), name = "vxKill_" + id + "_LongerThan15";
    const std::string path = dir.path + "/" + name + ".exe";
    fs::copy_file(VX_TEST_CHILD, path);
    const unsigned int a = Spawn({path, "sleep", "30000"}), b = Spawn({path, "sleep", "30000"});
    const Pids both{std::min(a, b), std::max(a, b)};
    // Each must have executed the copy before its name can be seen.
    ASSERT_TRUE(test_support::Eventually([&] {
        Pids found = FindProcessesByName(name);
        std::sort(found.begin(), found.end());
        return found == both;
    }));
    const std::pair<std::string, Pids> asks[] = {{name + ".exe", both},
                                                 {"VXKILL_" + id + "_LONGERTHAN15", both},
                                                 {name.substr(0, 15), {}},
                                                 {path, {}}};
    for (const auto& [asked, found] : asks) {
        Pids pids = FindProcessesByName(asked);
        std::sort(pids.begin(), pids.end());
        EXPECT_EQ(pids, found) << asked;
    }
    EXPECT_EQ(fs::path(GetExecutablePath(a)), fs::path(path));  // either separator
    EXPECT_FALSE(IsSelfOrAncestor(a));
    EXPECT_TRUE(KillProcessById(a));
    EXPECT_EQ(WaitEnd(a, 10000), kKilledEnd);
    EXPECT_FALSE(KillProcessById(a));  // collected: no such process
    EXPECT_FALSE(KillProcessById(0));
    EXPECT_EQ(GetExecutablePath(a), "");  // collected
    EXPECT_EQ(KillProcessByName(name), Pids{b});
    EXPECT_EQ(WaitEnd(b, 10000), kKilledEnd);
    EXPECT_EQ(KillProcessByName(name), Pids{});

    // This program and what started it (the test runner, a shell) are spared.
    const unsigned int self = OwnPid(), parent = ParentPid();
    EXPECT_TRUE(IsSelfOrAncestor(self));
    EXPECT_FALSE(KillProcessById(self));
    for (unsigned int pid : FindProcessesByName(GetFileName(GetExecutablePath(self).c_str())))
        EXPECT_NE(pid, self);
    // Under Wine started from a shell there is no parent: the Win32 tests start one copy of
    // their own to show the ancestry there.
    if (parent == 0) return;
    EXPECT_TRUE(IsSelfOrAncestor(parent));
    EXPECT_FALSE(KillProcessById(parent));
    for (unsigned int pid : FindProcessesByName(GetFileName(GetExecutablePath(parent).c_str())))
        EXPECT_NE(pid, parent);
}
