#include "platform/console_events.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs the event program, signals it once it is ready; returns what it said and how it ended.
std::string Deliver(int signal, int& status) {
    int fds[2];
    EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);  // the copy stays open across exec, the pipe's ends do not
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
    // Ctrl-C ends the program through its loop; a close, shutdown or Ctrl-Break by that signal.
    const std::pair<int, const char*> cases[] = {
        {SIGINT, "ready\nCTRL_C_EVENT \ncallback ran\nloop ended\n"},
        {SIGHUP, "ready\nCTRL_CLOSE_EVENT \ncallback ran\n"},
        {SIGTERM, "ready\nCTRL_SHUTDOWN_EVENT \ncallback ran\n"},
        {SIGQUIT, "ready\nCTRL_BREAK_EVENT \ncallback ran\n"}};
    for (const auto& [number, said] : cases) {
        int status = 0;
        EXPECT_EQ(Deliver(number, status), said) << strsignal(number);
        EXPECT_TRUE(number == SIGINT ? WIFEXITED(status) && WEXITSTATUS(status) == 0
                                     : WIFSIGNALED(status) && WTERMSIG(status) == number)
            << status;
    }
}
