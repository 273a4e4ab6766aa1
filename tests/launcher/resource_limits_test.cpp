// Out of tasks (`ulimit -u`): a start that gets no thread or process fails, leaving nothing behind.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "station_fixture.h"

using namespace station_test;

TEST(ResourceLimits, StartsBeyondTheTaskLimitFailAndLeaveNothingBehind) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to run the launcher as an unprivileged user";
    Station station;
    const std::string child = station.AddChildProgram("r");
    std::vector<ScriptProcess> entries;
    for (int i = 0; i < 8; ++i)
        entries.push_back(
            {"P" + std::to_string(i), "", "$(ProjectDir)/bin", child, "ignore-term", 0});
    station.WriteConfigPy(1, 1, entries);
    chmod(station.Dir().c_str(), 0777);  // the log directory is made by the unprivileged launcher
    // Past the launcher's own threads each start takes a child and a reader: the limit runs out
    // mid-plan. It binds only an unprivileged user (nobody).
    const int pid = Spawn({station.Dir() + "/VXLauncher"}, station.Dir() + "/console.txt", [] {
        const rlimit tasks = {12, 12};
        if (setgid(65534) != 0 || setuid(65534) != 0 || setrlimit(RLIMIT_NPROC, &tasks) != 0)
            _exit(126);
    });
    struct KillOnFailure {
        pid_t pid;
        ~KillOnFailure() { kill(-pid, SIGKILL); }
    } guard{pid};
    // Each start ends in one runner line, success or failure.
    ASSERT_TRUE(Eventually([&] { return Lines(station.Output(), "CreateProcess ").size() == 16; }))
        << station.Output();
    const std::string output = station.Output();
    EXPECT_GE(Lines(output, "CreateProcess failed.").size(), 1u) << output;
    EXPECT_GE(Lines(output, "CreateProcess success.").size(), 1u) << output;
    // Every child that runs has its reader: none was left without one.
    EXPECT_EQ(Lines(output, "CreateProcess success.").size(), ChildrenOf(pid).size());
    kill(pid, SIGINT);
    EXPECT_EQ("exit 0", WaitEnd(pid, 5000)) << station.Output();
    EXPECT_TRUE(ChildrenOf(getpid()).empty());
}
