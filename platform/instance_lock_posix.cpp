#include <errno.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/instance_lock_backend.h"

// The lock is a Unix socket listening under a name in the abstract namespace: no file is
// made, so nothing is left behind and nothing needs writing; the name is freed by the kernel
// when the last descriptor of the socket closes, which a SIGKILL does too. Close-on-exec keeps
// it from the programs the launcher starts. Linux only, as is the rest of this backend.

namespace instance_lock_backend {

// The canonical directory, so that "/opt/st", "/opt/st/" and a link to it are one station.
std::string DirectoryKey(const std::string& installationDir) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(installationDir, error);
    std::string key = error ? installationDir : canonical.generic_string();
    while (key.size() > 1 && key.back() == '/') key.pop_back();
    return key;
}

namespace {

// Never closed: the lock is held for the rest of the process's life.
int g_lockSocket = -1;

struct Address {
    sockaddr_un address;
    socklen_t length;
};

Address AbstractAddress(const std::string& name) {
    Address result;
    memset(&result.address, 0, sizeof(result.address));
    result.address.sun_family = AF_UNIX;
    // A leading zero byte puts the name in the abstract namespace.
    const size_t size = std::min(name.size(), sizeof(result.address.sun_path) - 1);
    memcpy(result.address.sun_path + 1, name.data(), size);
    result.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + size);
    return result;
}

}  // namespace

HoldResult Hold(const std::string& name, std::string& error) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::system_category().message(errno);
        return HoldResult::kFailed;
    }
    const Address address = AbstractAddress(name);
    // Listening, so that a second launcher can connect and learn who holds it.
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0 &&
        listen(fd, SOMAXCONN) == 0) {
        g_lockSocket = fd;
        return HoldResult::kHeld;
    }
    const int bindError = errno;
    close(fd);
    if (bindError == EADDRINUSE) return HoldResult::kTaken;
    error = std::system_category().message(bindError);
    return HoldResult::kFailed;
}

// The connection is never accepted: it waits in the holder's queue until the holder ends.
// Once that queue is full (SOMAXCONN connections), the holder can no longer be named.
int Holder(const std::string& name) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    const Address address = AbstractAddress(name);
    int holder = -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0) {
        // The credentials the holder had when it began to listen.
        struct ucred credentials;
        socklen_t length = sizeof(credentials);
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
            credentials.pid > 0) {
            holder = credentials.pid;
        }
    } else if (errno == ECONNREFUSED || errno == ENOENT) {
        holder = 0;
    }
    close(fd);
    return holder;
}

}  // namespace instance_lock_backend
