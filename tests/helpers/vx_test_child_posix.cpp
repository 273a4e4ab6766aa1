// The helper child's POSIX parts: raw writes, SIGTERM, fork, signals.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "vx_test_child.h"

namespace vx_test_child {

int Say(const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t written = write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (written <= 0) return 1;
        done += static_cast<size_t>(written);
    }
    return 0;
}

int RunProgram(char** argv) {
    const pid_t child = fork();
    if (child == 0) _exit(execv(argv[0], argv) == 0 ? 0 : 127);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return 127;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

namespace {

// signals: "blocked N ignored M" for the signals blocked and ignored at start.
int Signals(int, char**) {
    sigset_t mask;
    sigprocmask(SIG_BLOCK, nullptr, &mask);
    int blocked = 0, ignored = 0;
    for (int s = 1; s < 32; ++s) {
        struct sigaction action;
        blocked += sigismember(&mask, s) == 1;
        ignored += sigaction(s, nullptr, &action) == 0 && action.sa_handler == SIG_IGN;
    }
    return Say("blocked " + std::to_string(blocked) + " ignored " + std::to_string(ignored) + "\n");
}

}  // namespace

const Mode kPlatformModes[] = {
    // ignore-term: ignores SIGTERM, says "ready" and sleeps until killed.
    {"ignore-term",
     [](int, char**) -> int {
         signal(SIGTERM, SIG_IGN);
         Say("ready\n");
         SleepForever();
     }},
    // grandchild [leave]: forks a sleeper, prints "grandchild PID", then sleeps (or ends with 0).
    {"grandchild",
     [](int argc, char**) -> int {
         pid_t child = fork();
         if (child == 0) SleepForever();
         Say("grandchild " + std::to_string(child) + "\n");
         if (argc > 2) return 0;
         SleepForever();
     }},
    {"signals", Signals},
};
const std::size_t kPlatformModeCount = sizeof(kPlatformModes) / sizeof(kPlatformModes[0]);

}  // namespace vx_test_child
