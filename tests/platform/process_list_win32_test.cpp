// Processes on Win32: the ancestry of a program this test starts.
#include <gtest/gtest.h>

#include "platform/process_list.h"
#include "platform/text_utils.h"
#include "tests/support/test_process.h"
#include "tests/support/test_support.h"

using namespace test_support;

// Under Wine a test started from a Unix shell has no Windows parent: the test starts itself
// again, and that copy, whose parent is this program under the same name, checks that its
// ancestry is spared.
TEST(ProcessList, AProgramStartedByThisOneSparesItsAncestorsEvenOfItsOwnName) {
    const std::string self = GetExecutablePath(OwnPid());
    const std::string name = GetFileName(self.c_str());
    if (GetEnvironmentVariableW(L"VX_PROCESS_LIST_CHILD", nullptr, 0) != 0) {
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
    SetEnvironmentVariableW(L"VX_PROCESS_LIST_CHILD", L"1");
    const int copy =
        Spawn({self, "--gtest_filter=ProcessList.AProgramStartedByThisOne*"}, dir / "copy.txt");
    SetEnvironmentVariableW(L"VX_PROCESS_LIST_CHILD", nullptr);
    ASSERT_GT(copy, 0);
    EXPECT_EQ(WaitEnd(copy, 50000), "exit 0") << ReadFile(dir / "copy.txt");
}
