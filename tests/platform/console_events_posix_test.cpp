// Console events on POSIX are signals: SIGINT, SIGHUP, SIGTERM and SIGQUIT.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "tests/platform/console_events_test.h"

namespace {

int SignalOf(ConsoleEvent event) {
    switch (event) {
        case kConsoleCtrlC:
            return SIGINT;
        case kConsoleClose:
            return SIGHUP;
        case kConsoleShutdown:
            return SIGTERM;
        default:
            return SIGQUIT;
    }
}

}  // namespace

EventRun Deliver(ConsoleEvent event) {
    int fds[2];
    EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);  // the copy stays open across exec, the pipe's ends do not
        execl(VX_CONSOLE_EVENT_PROGRAM, VX_CONSOLE_EVENT_PROGRAM, nullptr);
        _exit(127);
    }
    close(fds[1]);
    EventRun run;
    char buffer[256];
    for (ssize_t count; (count = read(fds[0], buffer, sizeof(buffer))) > 0;) {
        run.said.append(buffer, static_cast<size_t>(count));
        if (run.said == "ready\n") kill(pid, SignalOf(event));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.ended = WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                  : "signal " + std::to_string(WTERMSIG(status));
    return run;
}

TEST(ConsoleEvents, CloseShutdownAndBreakRunTheCallbackThenEndTheProgramByTheirSignal) {
    const std::pair<ConsoleEvent, const char*> cases[] = {
        {kConsoleClose, "ready\nCTRL_CLOSE_EVENT \ncallback ran\n"},
        {kConsoleShutdown, "ready\nCTRL_SHUTDOWN_EVENT \ncallback ran\n"},
        {kConsoleBreak, "ready\nCTRL_BREAK_EVENT \ncallback ran\n"}};
    for (const auto& [event, said] : cases) {
        const EventRun run = Deliver(event);
        EXPECT_EQ(run.said, said) << strsignal(SignalOf(event));
        EXPECT_EQ(run.ended, "signal " + std::to_string(SignalOf(event)));
    }
}
