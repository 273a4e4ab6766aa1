// The child runner on POSIX: /proc answers for processes and descriptors; signals and the
// shell are the system's own.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "tests/platform/child_process_test.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

int Count(const char* dir) {
    return int(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

}  // namespace

Usage CurrentUsage() {
    Usage usage;
    usage.threads = Count("/proc/self/task");
    usage.handles = Count("/proc/self/fd") - 1;  // less the one reading the directory
    return usage;
}

bool HasEnded(int pid) {
    const std::string stat = test_support::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    return stat.empty() || stat.find(") Z ") != std::string::npos ||
           stat.find(") X ") != std::string::npos;
}

bool IsGone(int pid) {
    return kill(pid, 0) != 0;
}

bool IsCollected(int pid) {
    return IsGone(pid);
}

void ExpectOnlyThePipeInherited() {
    int descriptors[2];  // without close-on-exec: a child would keep them but for the runner
    ASSERT_EQ(pipe(descriptors), 0);
    RunUntil("ls /proc/self/fd", "0\n1\n2\n3\n");  // 3: the directory ls reads
    close(descriptors[0]);
    close(descriptors[1]);
}

TEST(ChildProcess, ChildGetsItsArgumentsDirectoryAndCleanSignalsWithoutAShell) {
    // Standard error comes in write order with standard output. The launcher blocks its
    // console signals and an embedded interpreter ignores SIGPIPE: neither reaches a child.
    char before[4096], after[4096];
    ASSERT_NE(getcwd(before, sizeof(before)), nullptr);
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &old);
    auto previousPipe = signal(SIGPIPE, SIG_IGN);
    const std::string temp = fs::canonical(fs::temp_directory_path()).string();
    const std::pair<std::string, std::string> cases[] = {
        {"sh -c \"echo out; echo err >&2; pwd -P\"", "out\nerr\n" + temp + "\n"},  // on PATH
        {kChild + " signals", "blocked 0 ignored 0\n"}};
    for (const auto& c : cases) RunUntil(c.first, c.second);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    signal(SIGPIPE, previousPipe);
    EXPECT_STREQ(getcwd(after, sizeof(after)), before);  // the launcher's own stays
}
