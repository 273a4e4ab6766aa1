#include "platform/process_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/text_utils.h"
#include "tests/support/test_support.h"

using Pids = std::vector<unsigned int>;

namespace {

// Starts the program at `path` sleeping for 30 s.
unsigned int Start(const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(execl(path.c_str(), path.c_str(), "sleep", "30000", nullptr));  // on failure
    return static_cast<unsigned int>(pid);
}

// Reaps the process; true when SIGKILL ended it.
bool EndedByKill(unsigned int pid) {
    int status = 0;
    return waitpid(static_cast<pid_t>(pid), &status, 0) > 0 && WIFSIGNALED(status) &&
           WTERMSIG(status) == SIGKILL;
}

}  // namespace

TEST(ProcessList,
     FindsAndKillsByTheFullExecutableNameIgnoringCaseAndExeSuffixNeverItselfOrItsAncestors) {
    // Copies of the helper under a name of their own, longer than the kernel's short name.
    test_support::TempDir dir;
    const std::string id = std::to_string(getpid()), name = "vxKill_" + id + "_LongerThan15";
    const std::string path = dir.path + "/" + name + ".exe";
    ASSERT_EQ(std::system(("cp '" VX_TEST_CHILD "' '" + path + "'").c_str()), 0);
    const unsigned int a = Start(path), b = Start(path);
    const Pids both{std::min(a, b), std::max(a, b)};
    // Each must have executed the copy before its name can be seen.
    ASSERT_TRUE(test_support::Eventually([&] { return FindProcessesByName(name) == both; }));
    const std::pair<std::string, Pids> asks[] = {{name + ".exe", both},
                                                 {"VXKILL_" + id + "_LONGERTHAN15", both},
                                                 {name.substr(0, 15), {}},
                                                 {path, {}}};
    for (const auto& [asked, found] : asks) EXPECT_EQ(FindProcessesByName(asked), found) << asked;
    EXPECT_EQ(GetExecutablePath(a), path);
    EXPECT_FALSE(IsSelfOrAncestor(a));
    EXPECT_TRUE(KillProcessById(a));
    EXPECT_TRUE(EndedByKill(a));
    EXPECT_FALSE(KillProcessById(a));  // reaped: no such process
    EXPECT_FALSE(KillProcessById(0));
    EXPECT_EQ(GetExecutablePath(a), "");  // reaped
    EXPECT_EQ(KillProcessByName(name), Pids{b});
    EXPECT_TRUE(EndedByKill(b));
    EXPECT_EQ(KillProcessByName(name), Pids{});

    // This program and what started it (the test runner, a shell) are spared.
    const auto self = static_cast<unsigned int>(getpid()),
               parent = static_cast<unsigned int>(getppid());
    EXPECT_TRUE(IsSelfOrAncestor(self) && IsSelfOrAncestor(parent) && IsSelfOrAncestor(1));
    EXPECT_FALSE(KillProcessById(self));
    for (unsigned int pid : FindProcessesByName(GetFileName(GetExecutablePath(parent).c_str())))
        EXPECT_NE(pid, parent);
    for (unsigned int pid : FindProcessesByName(program_invocation_short_name))
        EXPECT_NE(pid, self);
}
