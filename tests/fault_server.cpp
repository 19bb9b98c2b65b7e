#include "tests/fault_server.h"

#include "engine/page/utf_convert.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace pardovane::test {
namespace {

// How long one wait lasts before the stop flag is looked at again.
constexpr int kSliceMs = 20;

}  // namespace

FaultConnection::FaultConnection(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping)
{
    // Non-blocking, so a send to a client that stopped reading cannot hang.
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

FaultConnection::~FaultConnection()
{
    close(fd_);
}

bool FaultConnection::WaitFor(short events)
{
    while (!stopping_) {
        pollfd entry{fd_, events, 0};
        const int ready = poll(&entry, 1, kSliceMs);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
    return false;
}

std::string FaultConnection::ReadRequestHead()
{
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (!WaitFor(POLLIN))
            return {};
        const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
        if (got == 0)
            return {};
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return {};
        }
        head.append(buffer, static_cast<std::size_t>(got));
    }
    return head;
}

bool FaultConnection::Send(std::string_view bytes)
{
    while (!bytes.empty()) {
        if (!WaitFor(POLLOUT))
            return false;
        const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void FaultConnection::HoldOpen()
{
    char buffer[4096];
    while (WaitFor(POLLIN)) {
        const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR))
            return;  // the client closed or reset the connection
    }
}

bool FaultConnection::RelayTo(int port, std::string_view greeting)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const int target = socket(AF_INET, SOCK_STREAM, 0);
    if (target < 0)
        return false;
    const bool connected = connect(target, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (connected && Send(greeting)) {
        pollfd ends[2] = {{fd_, POLLIN, 0}, {target, POLLIN, 0}};
        char buffer[16384];
        for (bool open = true; open && !stopping_;) {
            if (poll(ends, 2, kSliceMs) <= 0)
                continue;
            for (int i = 0; i < 2 && open; ++i) {
                if (!ends[i].revents)
                    continue;
                const ssize_t got = recv(ends[i].fd, buffer, sizeof buffer, 0);
                open = got > 0
                    && send(ends[1 - i].fd, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL) == got;
            }
        }
    }
    close(target);
    return connected;
}

void FaultConnection::Reset()
{
    const linger abort{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

FaultServer::FaultServer(Script script) : script_(std::move(script))
{
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0)
        throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(listenFd_, 64) != 0
        || getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(listenFd_);
        throw std::runtime_error("could not listen on a loopback port");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

FaultServer::~FaultServer()
{
    stopping_ = true;
    acceptor_.join();
    close(listenFd_);
    // No worker is added once the acceptor has ended.
    for (std::thread& worker : workers_)
        worker.join();
}

void FaultServer::AcceptLoop()
{
    while (!stopping_) {
        pollfd entry{listenFd_, POLLIN, 0};
        if (poll(&entry, 1, kSliceMs) <= 0)
            continue;
        const int fd = accept(listenFd_, nullptr, nullptr);
        if (fd < 0)
            continue;
        ++connections_;
        workers_.emplace_back([this, fd] {
            FaultConnection connection(fd, stopping_);
            script_(connection);
        });
    }
}

std::string FaultServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::u16string FaultServer::Url16(const std::string& path) const
{
    return Utf8ToUtf16(Url(path));
}

std::string ResponseHead(std::string_view status, const std::vector<std::string>& headers)
{
    std::string head = "HTTP/1.1 " + std::string(status) + "\r\n";
    for (const std::string& header : headers)
        head += header + "\r\n";
    return head + "\r\n";
}

}  // namespace pardovane::test
