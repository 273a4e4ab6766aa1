#include "platform/port_probe.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A TCP socket listening on loopback at `wanted` (0: any); `port` is 0 if that was not free.
struct Socket {
    Socket(int family, int wanted) : fd(socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        // The family and the port lie at the same places in both address layouts.
        union {
            sockaddr base;
            sockaddr_in v4;
            sockaddr_in6 v6;
        } address = {};
        socklen_t length = family == AF_INET ? sizeof(address.v4) : sizeof(address.v6);
        address.v4.sin_family = static_cast<sa_family_t>(family);
        address.v4.sin_port = htons(static_cast<uint16_t>(wanted));
        if (family == AF_INET) address.v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (family == AF_INET6) address.v6.sin6_addr = in6addr_loopback;
        if (bind(fd, &address.base, length) == 0 && listen(fd, 4) == 0 &&
            getsockname(fd, &address.base, &length) == 0) {
            port = ntohs(address.v4.sin_port);
        }
    }
    ~Socket() { close(fd); }
    int fd, port = 0;
};

}  // namespace

TEST(GetListeningPid, NamesTheListenerOfExactlyThatPortOnly) {
    // Ports made of some digits of its port (80 of 8080) or id never name the listener.
    Socket v4(AF_INET, 0), v6(AF_INET6, 0);
    ASSERT_NE(v4.port, 0);
    EXPECT_EQ(GetListeningPid(v4.port), getpid());
    for (const std::string& digits : {std::to_string(v4.port), std::to_string(getpid())}) {
        for (size_t start = 0; start < digits.size(); ++start) {
            for (size_t length = 1; start + length <= digits.size() && length <= 5; ++length) {
                const int port = std::stoi(digits.substr(start, length));
                if (port == 0 || port > 65535 || port == v4.port || port == v6.port) continue;
                const bool isFree = Socket(AF_INET, port).port != 0;  // closed again at once
                const int owner = GetListeningPid(port);
                EXPECT_TRUE(isFree ? owner == -1 : owner != getpid()) << port << ": " << owner;
            }
        }
    }
    for (int port : {0, -5, 70000}) EXPECT_EQ(GetListeningPid(port), -1) << port;
    if (v6.port == 0) GTEST_SKIP() << "no IPv6 loopback here";
    EXPECT_EQ(GetListeningPid(v6.port), getpid());
}
