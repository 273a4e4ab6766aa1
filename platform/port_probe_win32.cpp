#include <winsock2.h>
#include <ws2tcpip.h>
// After the socket headers, whose types the table's rows use.
#include <iphlpapi.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/port_probe.h"

// The system's table of listening TCP sockets with their owners, asked per address family:
// no command line tool, and only the rows of listeners come back.

namespace {

// The table of `family` into `buffer`; false when the system could not give it.
bool ListenerTable(ULONG family, std::vector<unsigned char>& buffer) {
    DWORD size = 0;
    DWORD result = ERROR_INSUFFICIENT_BUFFER;
    // The table may grow between the size question and the copy: ask again until it fits.
    for (int attempt = 0; attempt < 8 && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        buffer.resize(std::max<size_t>(size, 1));
        size = static_cast<DWORD>(buffer.size());
        result = GetExtendedTcpTable(buffer.data(), &size, FALSE, family,
                                     TCP_TABLE_OWNER_PID_LISTENER, 0);
    }
    return result == NO_ERROR;
}

// The local port of a row is the low 16 bits, in network byte order.
bool IsPort(DWORD localPort, int port) {
    return ntohs(static_cast<u_short>(localPort & 0xFFFF)) == port;
}

// Adds the owners of `family`'s sockets that listen on exactly `port`. An owner of 0 means
// that the system did not say (not every implementation of the table does); it names no one.
template <typename Table>
void AddOwners(ULONG family, int port, std::vector<DWORD>& owners) {
    std::vector<unsigned char> buffer;
    if (!ListenerTable(family, buffer)) return;
    const Table* table = reinterpret_cast<const Table*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const auto& row = table->table[i];
        if (row.dwState == MIB_TCP_STATE_LISTEN && IsPort(row.dwLocalPort, port) &&
            row.dwOwningPid != 0)
            owners.push_back(row.dwOwningPid);
    }
}

}  // namespace

// The system names one owner per socket, the process that made it, even when others hold
// it too; of the rows of both families, the lowest owner names the port.
int GetListeningPid(int port) {
    if (port < 1 || port > 65535) return -1;
    std::vector<DWORD> owners;
    AddOwners<MIB_TCPTABLE_OWNER_PID>(AF_INET, port, owners);
    AddOwners<MIB_TCP6TABLE_OWNER_PID>(AF_INET6, port, owners);
    if (owners.empty()) return -1;
    return static_cast<int>(*std::min_element(owners.begin(), owners.end()));
}
