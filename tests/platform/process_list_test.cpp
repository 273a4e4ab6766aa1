#include "platform/process_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

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

TEST(ProcessList, FindsAndKillsByTheFullExecutableNameIgnoringCaseAndExeSuffixNeverItself) {
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
    EXPECT_TRUE(KillProcessById(a));
    EXPECT_TRUE(EndedByKill(a));
    EXPECT_FALSE(KillProcessById(a));  // reaped: no such process
    EXPECT_FALSE(KillProcessById(0));
    EXPECT_EQ(KillProcessByName(name), Pids{b});
    EXPECT_TRUE(EndedByKill(b));
    EXPECT_EQ(KillProcessByName(name), Pids{});

    for (unsigned int pid : FindProcessesByName(program_invocation_short_name)) {  // this program
        EXPECT_NE(pid, static_cast<unsigned int>(getpid()));
    }
}
