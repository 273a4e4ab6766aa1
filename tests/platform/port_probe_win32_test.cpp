// Listening sockets on Win32 (Winsock).
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/platform/port_probe_test.h"

ListeningSocket::ListeningSocket(bool v6, int wanted) {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const int family = v6 ? AF_INET6 : AF_INET;
    const SOCKET s = started ? socket(family, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
    _socket = static_cast<intptr_t>(s);
    union {
        sockaddr base;
        sockaddr_in v4;
        sockaddr_in6 v6;
    } address = {};
    int length = v6 ? sizeof(address.v6) : sizeof(address.v4);
    address.v4.sin_family = static_cast<ADDRESS_FAMILY>(family);
    address.v4.sin_port = htons(static_cast<u_short>(wanted));
    if (v6)
        address.v6.sin6_addr = in6addr_loopback;
    else
        address.v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Exclusive, as a server's port is: without it Windows lets a second socket bind a port
    // that another holds, and a port would look free while taken.
    BOOL exclusive = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof(exclusive));
    if (s != INVALID_SOCKET && bind(s, &address.base, length) == 0 && listen(s, 4) == 0 &&
        getsockname(s, &address.base, &length) == 0)
        port = ntohs(address.v4.sin_port);
}

ListeningSocket::~ListeningSocket() {
    closesocket(static_cast<SOCKET>(_socket));
}

int SelfPid() {
    return static_cast<int>(GetCurrentProcessId());
}

std::string OwnerUnknownReason() {
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) return "";
    return "Wine 8's table of listening sockets gives every listener the owner pid 0";
}
