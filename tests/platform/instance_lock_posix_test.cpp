// The instance lock on POSIX: case-sensitive paths in UTF-8, and a lock that a program the
// holder starts never inherits.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/instance_lock.h"
#include "tests/platform/instance_lock_test.h"
#include "tests/support/test_support.h"

extern char** environ;

const char* const kNonAsciiName = "站点Δ";
const char* const kNonAsciiNameOtherCase = "站点δ";
const bool kCaseBlindPaths = false;

std::vector<std::string> SystemSpellings(const std::string& dir) {
    return {dir + "//", dir + "/./", "/" + dir};
}

TEST(InstanceLock, NeverHeldByWhatTheHolderStartsAndTakenByTheNextOnceTheHolderIsKilled) {
    test_support::TempDir dir;
    prctl(PR_SET_CHILD_SUBREAPER, 1);  // the holder's orphan comes back here to be collected
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t holder = fork();
    if (holder == 0) {  // takes the lock, then starts a program as the launcher starts one
        pid_t started = 0;
        char* argv[] = {const_cast<char*>(VX_TEST_CHILD), const_cast<char*>("sleep"),
                        const_cast<char*>("60000"), nullptr};
        if (!LockInstallation(dir.path) ||
            posix_spawn(&started, argv[0], nullptr, nullptr, argv, environ) != 0)
            _exit(1);
        (void)!write(report[1], &started, sizeof(started));
        for (;;) pause();
    }
    pid_t started = 0;
    ASSERT_EQ(read(report[0], &started, sizeof(started)), ssize_t(sizeof(started)));
    EXPECT_EQ(InstallationLockHolder(dir.path), holder);
    EXPECT_FALSE(LockInstallation(dir.path));

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(kill(started, 0), 0);  // lives on, and holds nothing
    EXPECT_EQ(InstallationLockHolder(dir.path), 0);
    EXPECT_TRUE(LockInstallation(dir.path));
    EXPECT_EQ(InstallationLockHolder(dir.path), getpid());
    EXPECT_TRUE(LockInstallation(dir.path));  // a second call of the holder
    kill(started, SIGKILL);
    waitpid(started, nullptr, 0);
}
