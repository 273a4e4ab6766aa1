// Processes on POSIX: fork and exec, waitpid, and init at the top of every ancestry.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/process_list.h"
#include "tests/platform/process_list_test.h"

unsigned int StartSleeping(const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(execl(path.c_str(), path.c_str(), "sleep", "30000", nullptr));  // on failure
    return static_cast<unsigned int>(pid);
}

bool EndedByKill(unsigned int pid) {
    int status = 0;
    return waitpid(static_cast<pid_t>(pid), &status, 0) > 0 && WIFSIGNALED(status) &&
           WTERMSIG(status) == SIGKILL;
}

unsigned int SelfId() {
    return static_cast<unsigned int>(getpid());
}

unsigned int ParentId() {
    return static_cast<unsigned int>(getppid());
}

TEST(ProcessList, InitIsAnAncestorOfEveryProcess) {
    EXPECT_TRUE(IsSelfOrAncestor(1));
    EXPECT_FALSE(KillProcessById(1));
}
