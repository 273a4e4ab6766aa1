#include "platform/process_list.h"

#include <Poco/Environment.h>
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

    // This program is spared; what started it is, below.
    const unsigned int self = OwnPid();
    EXPECT_TRUE(IsSelfOrAncestor(self));
    EXPECT_FALSE(KillProcessById(self));
    for (unsigned int pid : FindProcessesByName(GetFileName(GetExecutablePath(self).c_str())))
        EXPECT_NE(pid, self);
}

// The test starts itself again (under Wine a test started from a Unix shell has no Windows
// parent), and that copy, whose parent is this program under the same name, checks that its
// ancestry is spared.
TEST(ProcessList, AProgramStartedByThisOneSparesItsAncestorsEvenOfItsOwnName) {
    const std::string self = GetExecutablePath(OwnPid());
    const std::string name = GetFileName(self.c_str());
    if (Poco::Environment::get("VX_PROCESS_LIST_CHILD", "") == "1") {
        const unsigned int parent = ParentPid();
        ASSERT_NE(parent, 0u);
        EXPECT_TRUE(IsSelfOrAncestor(parent));
        EXPECT_FALSE(KillProcessById(parent));
        // Other copies may run beside it (CTest runs cases in parallel): only these two count.
        for (unsigned int pid : FindProcessesByName(name)) {
            EXPECT_NE(pid, parent);
            EXPECT_NE(pid, unsigned(OwnPid()));
        }
        return;
    }
    TempDir dir;
    Poco::Environment::set("VX_PROCESS_LIST_CHILD", "1");
    const int copy =
        Spawn({self, "--gtest_filter=ProcessList.AProgramStartedByThisOne*"}, dir / "copy.txt");
    Poco::Environment::set("VX_PROCESS_LIST_CHILD", "");
    ASSERT_GT(copy, 0);
    EXPECT_EQ(WaitEnd(copy, 50000), "exit 0") << ReadFile(dir / "copy.txt");
}
