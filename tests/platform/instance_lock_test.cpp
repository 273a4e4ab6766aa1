#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/test_support.h"

extern char** environ;

TEST(InstanceLock, HeldByOneProcessUntilItEndsHoweverAndNeverByWhatItStarts) {
    test_support::TempDir dir;
    prctl(PR_SET_CHILD_SUBREAPER, 1);  // the holder's orphan comes back here to be collected
    EXPECT_EQ(InstallationLockHolder(dir.path), 0);
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
    // Every spelling of the directory names the one lock.
    const std::string name = std::filesystem::path(dir.path).filename();
    for (const std::string& spelling : {dir.path, dir.path + "/", dir.path + "/../" + name})
        EXPECT_EQ(InstallationLockHolder(spelling), holder) << spelling;
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
