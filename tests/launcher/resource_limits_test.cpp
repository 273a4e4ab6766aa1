// Out of threads or processes (a container's pids limit, `ulimit -u`): a start that cannot get
// its reader thread or its process fails like any other, and nothing is left behind.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "station_fixture.h"

using namespace station_test;

namespace {

const uid_t kNobody = 65534;  // the task limit binds only a user without privileges

pid_t SpawnUnderTaskLimit(const std::string& program, const std::string& output, rlim_t tasks) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setpgid(0, 0);
    sigset_t none{};
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int s = 1; s < NSIG; ++s) signal(s, SIG_DFL);
    const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    dup2(open("/dev/null", O_RDONLY), 0);
    dup2(out, 1);
    dup2(out, 2);
    const struct rlimit limit = {tasks, tasks};
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0 || setrlimit(RLIMIT_NPROC, &limit) != 0)
        _exit(126);
    execl(program.c_str(), program.c_str(), nullptr);
    _exit(127);
}

}  // namespace

TEST(ResourceLimits, StartsBeyondTheTaskLimitFailAndLeaveNothingBehind) {
    if (getuid() != 0) GTEST_SKIP() << "needs root to run the launcher as an unprivileged user";
    Station station;
    const std::string child = station.AddChildProgram("r");
    std::vector<ScriptEntry> entries;
    for (int i = 0; i < 8; ++i)
        entries.push_back(
            {"P" + std::to_string(i), "", "$(ProjectDir)/bin", child, "ignore-term", 0});
    station.WriteConfigPy(1, 1, entries);
    chmod(station.Dir().c_str(), 0777);  // the log directory is made by the unprivileged launcher
    station.WriteFile("console.txt", "");
    chmod((station.Dir() + "/console.txt").c_str(), 0666);
    // The launcher's own threads, then a child and a reader each: the limit runs out in the
    // middle of the plan, for a child or for its reader.
    const pid_t pid =
        SpawnUnderTaskLimit(station.Dir() + "/VXLauncher", station.Dir() + "/console.txt", 12);
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
