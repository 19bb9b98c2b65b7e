#pragma once

namespace pardovane::test {

// Debian's prebuilt cpp-httplib listens with a backlog of 5, so a client
// opening many connections at once sees SYNs dropped and retried a second
// later. Linux lets listen() be called again to raise the backlog; this finds
// this process's listening socket on port and does that.
inline void RaiseListenBacklog(int port);

}  // namespace pardovane::test

#include <netinet/in.h>
#include <sys/socket.h>

inline void pardovane::test::RaiseListenBacklog(int port)
{
    for (int fd = 0; fd < 4096; ++fd) {
        int listening = 0;
        socklen_t length = sizeof listening;
        if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) != 0 || !listening)
            continue;
        sockaddr_in address{};
        socklen_t addressLength = sizeof address;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &addressLength) == 0
            && address.sin_family == AF_INET && ntohs(address.sin_port) == port)
            listen(fd, 1024);
    }
}
