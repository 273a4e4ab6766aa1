#pragma once
// What the port probe tests share; each system supplies it in port_probe_<platform>_test.cpp.

#include <cstdint>
#include <string>

// A TCP socket listening on loopback (127.0.0.1, or ::1 with `v6`) at `wanted` (0: any);
// `port` is 0 if that was not free.
class ListeningSocket {
  public:
    ListeningSocket(bool v6, int wanted);
    ~ListeningSocket();
    ListeningSocket(const ListeningSocket&) = delete;
    ListeningSocket& operator=(const ListeningSocket&) = delete;

    int port = 0;

  private:
    intptr_t _socket;
};

int SelfPid();

// Why the system cannot name a listener's owner here, or "" when it can.
std::string OwnerUnknownReason();
