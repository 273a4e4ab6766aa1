#include <arpa/inet.h>
#include <errno.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/port_probe.h"
#include "platform/proc_scan_posix.h"

// The kernel is asked through the socket-diagnostics netlink interface (what `ss` uses)
// with a filter on the local port: it answers with the few matching sockets instead of a
// text of every socket, which /proc/net/tcp would cost on each of the many start-up probes.

namespace {

const int kTcpListen = 10;  // TCP_LISTEN of the kernel's socket states

// Filter program run by the kernel on each socket: accept when port <= local port <= port.
// A failed comparison jumps past the end of the program, which rejects the socket.
struct PortFilter {
    struct inet_diag_bc_op atLeast;
    struct inet_diag_bc_op atLeastPort;
    struct inet_diag_bc_op atMost;
    struct inet_diag_bc_op atMostPort;
};

PortFilter MakePortFilter(uint16_t port) {
    PortFilter filter;
    const uint16_t length = sizeof(PortFilter);
    filter.atLeast = {INET_DIAG_BC_S_GE, 8, static_cast<uint16_t>(length + 4)};
    filter.atLeastPort = {0, 0, port};
    filter.atMost = {INET_DIAG_BC_S_LE, 8, static_cast<uint16_t>(length - 8 + 4)};
    filter.atMostPort = {0, 0, port};
    return filter;
}

struct DumpRequest {
    struct nlmsghdr header;
    struct inet_diag_req_v2 request;
    struct nlattr filterHeader;
    PortFilter filter;
};

// Appends the inodes of the TCP sockets of `family` listening on exactly `port`.
// False when the kernel could not be asked.
bool FindListeningSockets(int netlink, int family, uint16_t port, std::vector<uint32_t>& inodes) {
    DumpRequest message;
    memset(&message, 0, sizeof(message));
    message.header.nlmsg_len = sizeof(message);
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.header.nlmsg_seq = static_cast<uint32_t>(family);
    message.request.sdiag_family = static_cast<uint8_t>(family);
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = 1u << kTcpListen;
    message.filterHeader.nla_len = NLA_HDRLEN + sizeof(PortFilter);
    message.filterHeader.nla_type = INET_DIAG_REQ_BYTECODE;
    message.filter = MakePortFilter(port);

    struct sockaddr_nl kernel;
    memset(&kernel, 0, sizeof(kernel));
    kernel.nl_family = AF_NETLINK;
    ssize_t sent;
    do {
        sent = sendto(netlink, &message, sizeof(message), 0,
                      reinterpret_cast<struct sockaddr*>(&kernel), sizeof(kernel));
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) return false;

    alignas(struct nlmsghdr) char buffer[16384];
    for (;;) {
        ssize_t received = recv(netlink, buffer, sizeof(buffer), 0);
        if (received < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (received == 0) return false;
        int remaining = static_cast<int>(received);
// The kernel's message macros compare its unsigned lengths with the signed count they take.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"
        for (struct nlmsghdr* reply = reinterpret_cast<struct nlmsghdr*>(buffer);
             NLMSG_OK(reply, remaining); reply = NLMSG_NEXT(reply, remaining)) {
            if (reply->nlmsg_type == NLMSG_DONE) return true;
            if (reply->nlmsg_type == NLMSG_ERROR) return false;
            if (reply->nlmsg_type != SOCK_DIAG_BY_FAMILY) continue;
            const struct inet_diag_msg* socketInfo =
                static_cast<const struct inet_diag_msg*>(NLMSG_DATA(reply));
            // The filter already chose the port; checked again so that only an exact match
            // can ever count.
            if (ntohs(socketInfo->id.idiag_sport) == port &&
                socketInfo->idiag_state == kTcpListen) {
                inodes.push_back(socketInfo->idiag_inode);
            }
        }
#pragma GCC diagnostic pop
    }
}

// The process holding one of the sockets, or -1. A socket shared by several processes
// (inherited over fork) names the lowest process id.
int FindSocketOwner(const std::vector<uint32_t>& inodes) {
    std::vector<std::string> links;
    for (uint32_t inode : inodes) links.push_back("socket:[" + std::to_string(inode) + "]");
    for (unsigned int pid : proc_scan::ProcessIds()) {
        if (proc_scan::HasDescriptorTo(pid, links)) return static_cast<int>(pid);
    }
    return -1;
}

}  // namespace

int GetListeningPid(int port) {
    if (port < 1 || port > 65535) return -1;
    int netlink = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (netlink < 0) return -1;
    std::vector<uint32_t> inodes;
    const uint16_t localPort = static_cast<uint16_t>(port);
    FindListeningSockets(netlink, AF_INET, localPort, inodes);
    FindListeningSockets(netlink, AF_INET6, localPort, inodes);
    close(netlink);
    if (inodes.empty()) return -1;
    return FindSocketOwner(inodes);
}
