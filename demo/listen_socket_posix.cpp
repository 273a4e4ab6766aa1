#include "demo/listen_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

ListenSocket::~ListenSocket() {
    if (_descriptor >= 0) {
        close(_descriptor);
    }
}

bool ListenSocket::Listen(int port, const char*& error) {
    // Non-blocking so that AcceptPending never waits; close-on-exec so that nothing this
    // process starts keeps the port open after it has gone.
    _descriptor = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (_descriptor < 0) {
        error = strerror(errno);
        return false;
    }
    // A port just freed by a killed station process may still have connections in
    // TIME_WAIT; the new instance must be able to take it at once.
    int reuse = 1;
    setsockopt(_descriptor, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof(reuse));

    sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(_descriptor, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(_descriptor, 16) != 0) {
        error = strerror(errno);
        close(_descriptor);
        _descriptor = -1;
        return false;
    }
    return true;
}

int ListenSocket::AcceptPending() {
    int accepted = 0;
    while (_descriptor >= 0) {
        const int connection = accept4(_descriptor, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            break;
        }
        close(connection);
        ++accepted;
    }
    return accepted;
}
