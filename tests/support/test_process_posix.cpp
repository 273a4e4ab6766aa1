// Processes and sockets on POSIX: fork and exec, waitpid, /proc, signals.

#include "test_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "test_support.h"

namespace fs = std::filesystem;

namespace test_support {

const char* const kKilledEnd = "signal 9";

int ParentPid() {
    return getppid();
}

bool UnderWine() {
    return false;
}

std::vector<int> ChildrenOf(int parent) {
    std::vector<int> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        const std::string stat = isdigit(pid[0]) ? ReadFile("/proc/" + pid + "/stat") : "";
        int ppid = 0;  // the fourth field, behind the name in parentheses
        if (stat.rfind(')') != std::string::npos &&
            sscanf(stat.c_str() + stat.rfind(')') + 1, " %*c %d", &ppid) == 1 && ppid == parent)
            children.push_back(std::stoi(pid));
    }
    return children;
}

void Kill(int pid) {
    kill(pid, SIGKILL);
}

bool ProcessExists(int pid) {
    return kill(pid, 0) == 0;
}

std::vector<int> ProcessesRunningFrom(const std::string& dir) {
    std::vector<int> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (isdigit(pid[0]) &&
            fs::read_symlink(entry.path() / "exe", error).string().rfind(dir + "/", 0) == 0)
            found.push_back(std::stoi(pid));
    }
    return found;
}

bool WaitGone(int pid, int timeoutMs) {
    return Eventually(
        [pid] {
            waitpid(pid, nullptr, WNOHANG);
            return kill(pid, 0) != 0;
        },
        timeoutMs);
}

int Spawn(const std::vector<std::string>& args, const std::string& output,
          const std::function<void()>& inChild) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    // A group of its own, as under a console of its own; none of the test's signal handling.
    setpgid(0, 0);
    sigset_t none{};  // all clear: nothing blocked
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int s = 1; s < NSIG; ++s) signal(s, SIG_DFL);
    const int out =
        open(output.empty() ? "/dev/null" : output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(open("/dev/null", O_RDONLY), 0);
    dup2(out, 1);
    dup2(out, 2);
    if (inChild) inChild();
    execv(argv[0], argv.data());
    _exit(127);
}

std::string WaitEnd(int pid, int timeoutMs) {
    int status = 0;
    if (!Eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs))
        return "running";
    return WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                             : "signal " + std::to_string(WTERMSIG(status));
}

void SendSignal(int pid, int signalNumber) {
    kill(pid, signalNumber);
}

bool SendConsoleEvent(int pid, ConsoleEvent event) {
    // By event: Ctrl-C, Ctrl-Break, close, -, -, logoff (no signal), shutdown.
    const int signals[] = {SIGINT, SIGQUIT, SIGHUP, 0, 0, 0, SIGTERM};
    return kill(pid, signals[event]) == 0;
}

void WatchLeftovers() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

void EndWhatRunsFrom(const std::string& dir, int launcher) {
    if (launcher > 0) kill(launcher, SIGKILL);
    if (launcher > 0) waitpid(launcher, nullptr, 0);
    std::error_code error;
    for (int pid : ChildrenOf(getpid())) {
        const std::string proc = "/proc/" + std::to_string(pid);
        const std::string exe = fs::read_symlink(proc + "/exe", error);
        // Programs of D, and interpreters working in D; a zombie has no executable.
        const std::string cwd = fs::read_symlink(proc + "/cwd", error);
        if (exe.empty() || exe.rfind(dir + "/", 0) == 0 || cwd.rfind(dir + "/", 0) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
}

ListeningSocket::ListeningSocket(bool v6, int wanted) {
    const int family = v6 ? AF_INET6 : AF_INET;
    const int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    _socket = fd;
    // The family and the port lie at the same places in both address layouts.
    union {
        sockaddr base;
        sockaddr_in v4;
        sockaddr_in6 v6;
    } address = {};
    socklen_t length = v6 ? sizeof(address.v6) : sizeof(address.v4);
    address.v4.sin_family = static_cast<sa_family_t>(family);
    address.v4.sin_port = htons(static_cast<uint16_t>(wanted));
    if (v6)
        address.v6.sin6_addr = in6addr_loopback;
    else
        address.v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, &address.base, length) == 0 && listen(fd, 4) == 0 &&
        getsockname(fd, &address.base, &length) == 0)
        port = ntohs(address.v4.sin_port);
}

ListeningSocket::~ListeningSocket() {
    close(static_cast<int>(_socket));
}

}  // namespace test_support
