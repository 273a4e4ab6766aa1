// Listening sockets on POSIX.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/platform/port_probe_test.h"

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

int SelfPid() {
    return getpid();
}

std::string OwnerUnknownReason() {
    return "";
}
