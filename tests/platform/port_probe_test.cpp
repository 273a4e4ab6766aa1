#include "platform/port_probe.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char** environ;

namespace {

// A TCP socket of this process bound to a loopback address; listening when asked.
class Socket {
  public:
    Socket(int family, int port, bool listening) {
        _fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int yes = 1;
        setsockopt(_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        sockaddr_storage address = {};
        socklen_t length;
        if (family == AF_INET) {
            auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
            v4->sin_family = AF_INET;
            v4->sin_port = htons(static_cast<uint16_t>(port));
            v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof(*v4);
        } else {
            auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
            v6->sin6_family = AF_INET6;
            v6->sin6_port = htons(static_cast<uint16_t>(port));
            v6->sin6_addr = in6addr_loopback;
            length = sizeof(*v6);
        }
        _bound = bind(_fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
        if (_bound && listening) _bound = listen(_fd, 4) == 0;
        getsockname(_fd, reinterpret_cast<sockaddr*>(&address), &length);
        _port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&address)->sin_port
                                        : reinterpret_cast<sockaddr_in6*>(&address)->sin6_port);
    }
    ~Socket() { close(_fd); }
    bool Bound() const { return _bound; }
    int Port() const { return _port; }

  private:
    int _fd = -1;
    bool _bound = false;
    int _port = 0;
};

}  // namespace

TEST(GetListeningPid, FindsThisProcessListeningOnIpv4AndIpv6) {
    Socket v4(AF_INET, 0, true);
    ASSERT_TRUE(v4.Bound());
    EXPECT_EQ(GetListeningPid(v4.Port()), getpid());

    Socket v6(AF_INET6, 0, true);
    if (!v6.Bound()) GTEST_SKIP() << "no IPv6 loopback here";
    EXPECT_EQ(GetListeningPid(v6.Port()), getpid());
}

TEST(GetListeningPid, NothingListeningGivesMinusOne) {
    // A bound socket that does not listen, so the port is surely not listened on.
    Socket idle(AF_INET, 0, false);
    ASSERT_TRUE(idle.Bound());
    EXPECT_EQ(GetListeningPid(idle.Port()), -1);
    EXPECT_EQ(GetListeningPid(0), -1);
    EXPECT_EQ(GetListeningPid(-5), -1);
    EXPECT_EQ(GetListeningPid(70000), -1);
}

TEST(GetListeningPid, OnlyTheExactPortCounts) {
    // Listen on a port whose digits begin with another free port's digits (as 8080 holds 80)
    // and on the port whose digits end them; probes of the shorter ports must not see it.
    for (int shortPort = 1030; shortPort < 6500; shortPort += 97) {
        Socket shortIdle(AF_INET, shortPort, false);
        if (!shortIdle.Bound()) continue;
        Socket longListener(AF_INET, shortPort * 10 + 8, true);
        if (!longListener.Bound()) continue;
        ASSERT_EQ(GetListeningPid(longListener.Port()), getpid());
        EXPECT_EQ(GetListeningPid(shortPort), -1)
            << "probe of " << shortPort << " matched " << longListener.Port();
        return;
    }
    GTEST_SKIP() << "no pair of free ports found";
}

TEST(GetListeningPid, ProcessIdDigitsAreNotAPort) {
    Socket listener(AF_INET, 0, true);
    ASSERT_TRUE(listener.Bound());
    // Every port made of consecutive digits of this process's id, that this process does
    // not listen on, must not name this process.
    std::string digits = std::to_string(getpid());
    for (size_t start = 0; start < digits.size(); ++start) {
        for (size_t length = 1; start + length <= digits.size() && length <= 5; ++length) {
            int port = std::stoi(digits.substr(start, length));
            if (port == listener.Port() || port == 0) continue;
            EXPECT_NE(GetListeningPid(port), getpid()) << "port " << port;
        }
    }
}

TEST(GetListeningPid, FindsAnotherProcessThatListens) {
    // A free port: bound here without listening, then let go for the helper to take.
    int port = 0;
    {
        Socket probe(AF_INET, 0, false);
        ASSERT_TRUE(probe.Bound());
        port = probe.Port();
    }
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::string portText = std::to_string(port);
    char* argv[] = {const_cast<char*>(VX_TEST_CHILD), const_cast<char*>("hold-port"),
                    const_cast<char*>(portText.c_str()), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    char said[64] = {0};
    ssize_t count = read(pipeFds[0], said, sizeof(said) - 1);
    close(pipeFds[0]);

    EXPECT_STREQ(said, "listening\n") << count;
    EXPECT_EQ(GetListeningPid(port), pid);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_EQ(GetListeningPid(port), -1);
}
