#pragma once
// A TCP socket listening on 127.0.0.1, as the station's processes hold their ports.

class ListenSocket {
  public:
    ListenSocket() = default;
    ~ListenSocket();
    ListenSocket(const ListenSocket&) = delete;
    ListenSocket& operator=(const ListenSocket&) = delete;

    // Binds 127.0.0.1:port and listens. False, with the system's reason in `error`, when the
    // port is taken or cannot be bound. The socket is not inherited by programs started later.
    bool Listen(int port, const char*& error);

    // Accepts and closes the connections waiting at the moment of the call, without
    // blocking; returns how many there were.
    int AcceptPending();

  private:
    int _descriptor = -1;
};
