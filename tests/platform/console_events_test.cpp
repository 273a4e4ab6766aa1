#include "platform/console_events.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

extern char** environ;

namespace {

// The program under test, its output read to the end and how it ended.
struct Outcome {
    std::string output;
    int status = 0;
};

ssize_t ReadSome(int fd, char* buffer, size_t size) {
    ssize_t count;
    do {
        count = read(fd, buffer, size);
    } while (count < 0 && errno == EINTR);
    return count;
}

// Starts the event program, waits for its "ready", sends it `signal`, and collects the rest.
Outcome Deliver(int signal) {
    int pipeFds[2];
    EXPECT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    char* argv[] = {const_cast<char*>(VX_CONSOLE_EVENT_PROGRAM), nullptr};
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);

    Outcome outcome;
    char buffer[256];
    while (outcome.output.find("ready\n") == std::string::npos) {
        ssize_t count = ReadSome(pipeFds[0], buffer, sizeof(buffer));
        if (count <= 0) break;
        outcome.output.append(buffer, static_cast<size_t>(count));
    }
    kill(pid, signal);
    for (;;) {
        ssize_t count = ReadSome(pipeFds[0], buffer, sizeof(buffer));
        if (count <= 0) break;
        outcome.output.append(buffer, static_cast<size_t>(count));
    }
    close(pipeFds[0]);
    waitpid(pid, &outcome.status, 0);
    return outcome;
}

}  // namespace

TEST(ConsoleEvents, CtrlCRunsTheCallbackAndTheProgramGoesOn) {
    Outcome outcome = Deliver(SIGINT);
    EXPECT_EQ(outcome.output, "ready\nCTRL_C_EVENT \ncallback ran\nloop ended\n");
    ASSERT_TRUE(WIFEXITED(outcome.status));
    EXPECT_EQ(WEXITSTATUS(outcome.status), 0);
}

TEST(ConsoleEvents, CloseRunsTheCallbackThenEndsByHangUp) {
    Outcome outcome = Deliver(SIGHUP);
    EXPECT_EQ(outcome.output, "ready\nCTRL_CLOSE_EVENT \ncallback ran\n");
    ASSERT_TRUE(WIFSIGNALED(outcome.status));
    EXPECT_EQ(WTERMSIG(outcome.status), SIGHUP);
}

TEST(ConsoleEvents, ShutdownRunsTheCallbackThenEndsByTerm) {
    Outcome outcome = Deliver(SIGTERM);
    EXPECT_EQ(outcome.output, "ready\nCTRL_SHUTDOWN_EVENT \ncallback ran\n");
    ASSERT_TRUE(WIFSIGNALED(outcome.status));
    EXPECT_EQ(WTERMSIG(outcome.status), SIGTERM);
}

TEST(ConsoleEvents, QuitEndsAtOnceWithoutMessageOrCallback) {
    Outcome outcome = Deliver(SIGQUIT);
    EXPECT_EQ(outcome.output, "ready\n");
    ASSERT_TRUE(WIFSIGNALED(outcome.status));
    EXPECT_EQ(WTERMSIG(outcome.status), SIGQUIT);
}

namespace {
int g_calls = 0;
bool CountCall() {
    ++g_calls;
    return true;
}
}  // namespace

TEST(ConsoleCtrlHandler, HandlesCtrlCCloseAndShutdownOnly) {
    // Only the callback slot is set here: no signal of this test process is involved, as
    // the handler is called directly. (SetConsoleQuitCallback blocks the console signals
    // of this test process, which is harmless.)
    SetConsoleQuitCallback(CountCall);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(ConsoleCtrlHandler(kConsoleCtrlC));
    EXPECT_TRUE(ConsoleCtrlHandler(kConsoleClose));
    EXPECT_TRUE(ConsoleCtrlHandler(kConsoleShutdown));
    EXPECT_FALSE(ConsoleCtrlHandler(kConsoleBreak));
    EXPECT_FALSE(ConsoleCtrlHandler(kConsoleLogoff));
    EXPECT_FALSE(ConsoleCtrlHandler(42));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "CTRL_C_EVENT \nCTRL_CLOSE_EVENT \nCTRL_SHUTDOWN_EVENT \n");
    EXPECT_EQ(g_calls, 3);
}
