#include "demo/listen_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

// A SOCKET is kept in the header's int: socket handles are kernel handles, which Windows keeps
// within 32 bits so that 32-bit and 64-bit processes can share them; converted back with sign
// extension, -1 is INVALID_SOCKET again.

namespace {

SOCKET ToSocket(int descriptor) {
    return static_cast<SOCKET>(static_cast<intptr_t>(descriptor));
}

// The system's reason for the last Winsock failure, in code page 936 as every narrow text of
// the station, kept until the next failure.
const char* LastSocketError() {
    static char text[512];
    const int code = WSAGetLastError();
    wchar_t message[256] = L"";
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(code), 0, message, 256, nullptr);
    while (length > 0 && (message[length - 1] == L'\r' || message[length - 1] == L'\n'))
        --length;
    char narrow[400] = "";
    const int written = length > 0 ? WideCharToMultiByte(936, 0, message, static_cast<int>(length),
                                                         narrow, sizeof(narrow) - 1, nullptr,
                                                         nullptr)
                                   : 0;
    narrow[written > 0 ? written : 0] = '\0';
    if (narrow[0] == '\0')
        std::snprintf(text, sizeof(text), "Winsock error %d", code);
    else
        std::snprintf(text, sizeof(text), "%s (Winsock error %d)", narrow, code);
    return text;
}

}  // namespace

ListenSocket::~ListenSocket() {
    if (_descriptor != -1) {
        closesocket(ToSocket(_descriptor));
    }
}

bool ListenSocket::Listen(int port, const char*& error) {
    // Once per process; never undone, the process ends with the socket.
    static const int started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (started != 0) {
        WSASetLastError(started);
        error = LastSocketError();
        return false;
    }
    // Not inherited, so that nothing this process starts keeps the port open after it has
    // gone.
    SOCKET listener =
        WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (listener == INVALID_SOCKET) {
        error = LastSocketError();
        return false;
    }
    // No SO_REUSEADDR: on Windows it would let this socket share a port another process
    // listens on, and a plain bind already takes a port whose old connections are in
    // TIME_WAIT.
    sockaddr_in address;
    std::memset(&address, 0, sizeof(address));
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    u_long nonBlocking = 1;  // so that AcceptPending never waits
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 16) != 0 || ioctlsocket(listener, FIONBIO, &nonBlocking) != 0) {
        error = LastSocketError();
        closesocket(listener);
        return false;
    }
    _descriptor = static_cast<int>(static_cast<intptr_t>(listener));
    return true;
}

int ListenSocket::AcceptPending() {
    int accepted = 0;
    while (_descriptor != -1) {
        // Closed at once: this process starts nothing that could inherit it meanwhile.
        const SOCKET connection = accept(ToSocket(_descriptor), nullptr, nullptr);
        if (connection == INVALID_SOCKET) {
            break;
        }
        closesocket(connection);
        ++accepted;
    }
    return accepted;
}
