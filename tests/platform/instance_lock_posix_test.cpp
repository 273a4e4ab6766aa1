// The instance lock on POSIX: the holder is forked and exec'd, killed by SIGKILL.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/instance_lock.h"
#include "tests/platform/instance_lock_test.h"
#include "tests/support/test_support.h"

extern char** environ;

LockHolder::LockHolder(const std::string& dir) {
    std::string hex;
    char digits[3];
    for (unsigned char c : dir) {
        snprintf(digits, sizeof(digits), "%02x", c);
        hex += digits;
    }
    int fds[2];
    EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(fds[1], STDOUT_FILENO);
        execl(VX_INSTANCE_LOCK_HOLDER, VX_INSTANCE_LOCK_HOLDER, hex.c_str(), nullptr);
        _exit(127);
    }
    close(fds[1]);
    pid = child;
    _process = child;
    char buffer[256];
    for (ssize_t count; (count = read(fds[0], buffer, sizeof(buffer))) > 0;) {
        said.append(buffer, static_cast<size_t>(count));
        if (said.size() >= 5 && (said.rfind("held\n") == said.size() - 5 ||
                                 (said.size() >= 8 && said.rfind("refused\n") == said.size() - 8)))
            break;
    }
    close(fds[0]);
}

LockHolder::~LockHolder() {
    Kill();
}

void LockHolder::Kill() {
    if (_process == 0) return;
    kill(static_cast<pid_t>(_process), SIGKILL);
    waitpid(static_cast<pid_t>(_process), nullptr, 0);
    _process = 0;
}

std::string NonAsciiName() {
    return "站点Δ";
}

std::string NonAsciiNameOtherCase() {
    return "站点δ";
}

bool CaseBlindPaths() {
    return false;
}

std::vector<std::string> SystemSpellings(const std::string& dir) {
    const std::string name = std::filesystem::path(dir).filename().string();
    return {dir + "//", dir + "/./", "/" + dir};
}

bool MakeDirectory(const std::string& path) {
    return mkdir(path.c_str(), 0700) == 0;
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
