// The tests' helper child: argv[1] picks a mode of kModes; each output is one write(2).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Writes all of `text`; 0 when it did, 1 when the pipe refused it (so a mode may end with it).
int Say(const std::string& text) {
    for (size_t done = 0; done < text.size();) {
        ssize_t written = write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (written <= 0) return 1;
        done += static_cast<size_t>(written);
    }
    return 0;
}

[[noreturn]] void SleepForever() {
    for (;;) pause();
}

// The mode's argument number `index` (counted after the mode) as a number, or `fallback`.
unsigned long long Arg(int argc, char** argv, int index, unsigned long long fallback = 0) {
    return argc > index + 1 ? strtoull(argv[index + 1], nullptr, 10) : fallback;
}

// hold-port PORT [PROGRAM ARGS...]: listens on 127.0.0.1:PORT and says "listening"; then runs
// PROGRAM as its child and ends as it ends, or without one sleeps until killed.
int HoldPort(int argc, char** argv) {
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0), yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    struct sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(Arg(argc, argv, 1)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 4) != 0) {
        Say("bind failed\n");
        return 1;
    }
    Say("listening\n");
    if (argc < 4) SleepForever();
    const pid_t child = fork();
    if (child == 0) _exit(execv(argv[3], argv + 3) == 0 ? 0 : 127);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

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

struct Mode {
    const char* name;
    int (*run)(int argc, char** argv);
};

const Mode kModes[] = {
    // echo TEXT...: the arguments joined by blanks, and a line end.
    {"echo",
     [](int argc, char** argv) {
         std::string line;
         for (int i = 2; i < argc; ++i) line += (i > 2 ? " " : "") + std::string(argv[i]);
         return Say(line + "\n");
     }},
    // write-bytes N: N bytes 'a'..'z' repeated, in one write.
    {"write-bytes",
     [](int argc, char** argv) {
         std::string data(Arg(argc, argv, 1), ' ');
         for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 26);
         return Say(data);
     }},
    // flood BYTES LINESIZE: BYTES in total, as writes of LINESIZE bytes each ending in "\n".
    {"flood",
     [](int argc, char** argv) {
         const unsigned long long total = Arg(argc, argv, 1), lineSize = Arg(argc, argv, 2, 100);
         if (lineSize == 0) return 2;
         const std::string line = std::string(lineSize - 1, 'x') + "\n";
         for (unsigned long long sent = 0; sent < total; sent += lineSize) Say(line);
         return 0;
     }},
    // ignore-term: ignores SIGTERM, says "ready" and sleeps until killed.
    {"ignore-term",
     [](int, char**) -> int {
         signal(SIGTERM, SIG_IGN);
         Say("ready\n");
         SleepForever();
     }},
    {"hold-port", HoldPort},
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
    // sleep MS: sleeps MS milliseconds, then ends with 0.
    {"sleep", [](int argc, char** argv) { return usleep(Arg(argc, argv, 1) * 1000) == 0 ? 0 : 1; }},
    // exit CODE: ends at once with CODE.
    {"exit", [](int argc, char** argv) { return static_cast<int>(Arg(argc, argv, 1)); }},
};

}  // namespace

int main(int argc, char** argv) {
    for (const Mode& mode : kModes)
        if (argc >= 2 && strcmp(argv[1], mode.name) == 0) return mode.run(argc, argv);
    fprintf(stderr, "usage: vx_test_child MODE [ARGS...] (modes: see kModes)\n");
    return 2;
}
