// The one helper program the tests start as a child process. The first argument picks the
// mode; see kModes below. Output goes through write(2) so that every call is one pipe write.
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written <= 0) return;
        data += written;
        size -= static_cast<size_t>(written);
    }
}

void Say(const std::string& text) {
    WriteAll(STDOUT_FILENO, text.data(), text.size());
}

[[noreturn]] void SleepForever() {
    for (;;) pause();
}

// echo TEXT...: the arguments joined by blanks, and a line end.
int Echo(int argc, char** argv) {
    std::string line;
    for (int i = 2; i < argc; ++i) line += (i > 2 ? " " : "") + std::string(argv[i]);
    Say(line + "\n");
    return 0;
}

// write-bytes N: N bytes 'a'..'z' repeated, in one write.
int WriteBytes(int argc, char** argv) {
    size_t count = argc > 2 ? strtoul(argv[2], nullptr, 10) : 0;
    std::string data(count, ' ');
    for (size_t i = 0; i < count; ++i) data[i] = static_cast<char>('a' + i % 26);
    Say(data);
    return 0;
}

// flood BYTES LINESIZE: BYTES in total, as writes of LINESIZE bytes each ending in "\n".
int Flood(int argc, char** argv) {
    unsigned long long total = argc > 2 ? strtoull(argv[2], nullptr, 10) : 0;
    size_t lineSize = argc > 3 ? strtoul(argv[3], nullptr, 10) : 100;
    if (lineSize == 0) return 2;
    std::string line(lineSize, 'x');
    line[lineSize - 1] = '\n';
    for (unsigned long long sent = 0; sent < total; sent += lineSize) Say(line);
    return 0;
}

// stderr-stdout: alternating writes to standard output and standard error.
int StderrStdout(int, char**) {
    for (int i = 0; i < 5; ++i) {
        std::string out = "out" + std::to_string(i) + "\n";
        std::string err = "err" + std::to_string(i) + "\n";
        WriteAll(STDOUT_FILENO, out.data(), out.size());
        WriteAll(STDERR_FILENO, err.data(), err.size());
        usleep(20000);  // one write per chunk, so the order is visible chunk by chunk
    }
    return 0;
}

// zero-byte: "before", a zero byte and "after" in one write.
int ZeroByte(int, char**) {
    const char data[] = "before\0after";
    WriteAll(STDOUT_FILENO, data, sizeof(data) - 1);
    return 0;
}

// ignore-term: ignores SIGTERM, says "ready" and sleeps until killed.
int IgnoreTerm(int, char**) {
    signal(SIGTERM, SIG_IGN);
    Say("ready\n");
    SleepForever();
}

// hold-port PORT: listens on 127.0.0.1:PORT, says "listening" and sleeps until killed.
int HoldPort(int argc, char** argv) {
    int port = argc > 2 ? atoi(argv[2]) : 0;
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    struct sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 4) != 0) {
        Say("bind failed\n");
        return 1;
    }
    Say("listening\n");
    SleepForever();
}

// spawn-grandchild: forks a child that sleeps; prints "grandchild PID" and sleeps too.
int SpawnGrandchild(int, char**) {
    pid_t child = fork();
    if (child == 0) SleepForever();
    Say("grandchild " + std::to_string(child) + "\n");
    SleepForever();
}

// list-fds: "fds 0 1 2" with every open descriptor, in ascending order.
int ListFds(int, char**) {
    std::string line = "fds";
    DIR* dir = opendir("/proc/self/fd");
    int own = dirfd(dir);
    int listed[1024];
    int count = 0;
    while (struct dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        int fd = atoi(entry->d_name);
        if (fd != own && count < 1024) listed[count++] = fd;
    }
    closedir(dir);
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (listed[j] < listed[i]) std::swap(listed[i], listed[j]);
    for (int i = 0; i < count; ++i) line += " " + std::to_string(listed[i]);
    Say(line + "\n");
    return 0;
}

// signals: "blocked N ignored M" for the signals blocked and ignored at start.
int Signals(int, char**) {
    sigset_t mask;
    sigprocmask(SIG_BLOCK, nullptr, &mask);
    int blocked = 0, ignored = 0;
    for (int s = 1; s < 32; ++s) {
        if (sigismember(&mask, s) == 1) ++blocked;
        struct sigaction action;
        if (sigaction(s, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) ++ignored;
    }
    Say("blocked " + std::to_string(blocked) + " ignored " + std::to_string(ignored) + "\n");
    return 0;
}

// pwd: the working directory and a line end.
int Pwd(int, char**) {
    char path[4096];
    if (getcwd(path, sizeof(path)) == nullptr) return 1;
    Say(std::string(path) + "\n");
    return 0;
}

// sleep MS: sleeps MS milliseconds, then ends with 0.
int Sleep(int argc, char** argv) {
    usleep(static_cast<useconds_t>((argc > 2 ? atol(argv[2]) : 0) * 1000));
    return 0;
}

// exit CODE: ends at once with CODE.
int Exit(int argc, char** argv) {
    return argc > 2 ? atoi(argv[2]) : 0;
}

struct Mode {
    const char* name;
    int (*run)(int argc, char** argv);
};

const Mode kModes[] = {
    {"echo", Echo},
    {"write-bytes", WriteBytes},
    {"flood", Flood},
    {"stderr-stdout", StderrStdout},
    {"zero-byte", ZeroByte},
    {"ignore-term", IgnoreTerm},
    {"hold-port", HoldPort},
    {"spawn-grandchild", SpawnGrandchild},
    {"list-fds", ListFds},
    {"signals", Signals},
    {"pwd", Pwd},
    {"sleep", Sleep},
    {"exit", Exit},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2) {
        for (const Mode& mode : kModes) {
            if (strcmp(argv[1], mode.name) == 0) return mode.run(argc, argv);
        }
    }
    fprintf(stderr, "usage: vx_test_child MODE [ARGS...]; modes:");
    for (const Mode& mode : kModes) fprintf(stderr, " %s", mode.name);
    fprintf(stderr, "\n");
    return 2;
}
