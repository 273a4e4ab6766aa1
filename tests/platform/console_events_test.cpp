#include "platform/console_events.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts the event program, sends it `signal` once it has said "ready", and returns all it
// said; `status` tells how it ended.
std::string Deliver(int signal, int& status) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl(VX_CONSOLE_EVENT_PROGRAM, VX_CONSOLE_EVENT_PROGRAM, nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string said;
    char buffer[256];
    for (ssize_t count; (count = read(fds[0], buffer, sizeof(buffer))) > 0;) {
        said.append(buffer, static_cast<size_t>(count));
        if (said == "ready\n") kill(pid, signal);
    }
    close(fds[0]);
    waitpid(pid, &status, 0);
    return said;
}

}  // namespace

TEST(ConsoleEvents, EachSignalRunsTheCallbackOnceAndEndsTheProgramAsItShould) {
    // After Ctrl-C the program's loop ends it; after a close or shutdown it dies by that
    // signal once the callback has returned; SIGQUIT plays Ctrl-Break: no message, no callback.
    const struct {
        int signal;
        const char* said;
    } cases[] = {{SIGINT, "ready\nCTRL_C_EVENT \ncallback ran\nloop ended\n"},
                 {SIGHUP, "ready\nCTRL_CLOSE_EVENT \ncallback ran\n"},
                 {SIGTERM, "ready\nCTRL_SHUTDOWN_EVENT \ncallback ran\n"},
                 {SIGQUIT, "ready\n"}};
    for (const auto& c : cases) {
        int status = 0;
        EXPECT_EQ(Deliver(c.signal, status), c.said) << strsignal(c.signal);
        const bool ended = c.signal == SIGINT ? WIFEXITED(status) && WEXITSTATUS(status) == 0
                                              : WIFSIGNALED(status) && WTERMSIG(status) == c.signal;
        EXPECT_TRUE(ended) << status;
    }
}
