#include "platform/process_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>

#include "test_support.h"

using Pids = std::vector<unsigned int>;

namespace {

// Starts the program at `path` sleeping for 30 s.
unsigned int Start(const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl(path.c_str(), path.c_str(), "sleep", "30000", nullptr);
        _exit(127);
    }
    return static_cast<unsigned int>(pid);
}

// Reaps the process and tells the signal that ended it (0 if it was not a signal).
int EndingSignal(unsigned int pid) {
    int status = 0;
    waitpid(static_cast<pid_t>(pid), &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

}  // namespace

TEST(ProcessList, FindsAndKillsByTheFullExecutableNameIgnoringCaseAndExeSuffixNeverItself) {
    // Copies of the helper under a name no other process has, longer than the kernel's
    // 15-character short name, so that killing by name can never hit anyone else.
    test_support::TempDir dir;
    const std::string name = "vxKill_" + std::to_string(getpid()) + "_LongerThanFifteen";
    const std::string path = dir.path + "/" + name + ".exe";
    ASSERT_EQ(std::system(("cp '" VX_TEST_CHILD "' '" + path + "'").c_str()), 0);
    const unsigned int a = Start(path), b = Start(path);
    const Pids both{std::min(a, b), std::max(a, b)};
    // Each must have executed the copy before its name can be seen.
    ASSERT_TRUE(test_support::WaitFor([&] { return FindProcessesByName(name) == both; }));
    const std::string upper = "VXKILL_" + std::to_string(getpid()) + "_LONGERTHANFIFTEEN";
    for (const std::string& asked : {name + ".exe", upper}) {
        EXPECT_EQ(FindProcessesByName(asked), both) << asked;
    }
    for (const std::string& asked : {name.substr(0, 15), path}) {
        EXPECT_EQ(FindProcessesByName(asked), Pids{}) << asked;
    }
    EXPECT_TRUE(KillProcessById(a));
    EXPECT_EQ(EndingSignal(a), SIGKILL);
    EXPECT_FALSE(KillProcessById(a));  // reaped: no such process
    EXPECT_FALSE(KillProcessById(0));
    EXPECT_EQ(KillProcessByName(name), Pids{b});
    EXPECT_EQ(EndingSignal(b), SIGKILL);
    EXPECT_EQ(KillProcessByName(name), Pids{});

    Pids found = FindProcessesByName(program_invocation_short_name);  // this test program
    EXPECT_EQ(std::count(found.begin(), found.end(), static_cast<unsigned int>(getpid())), 0);
}
