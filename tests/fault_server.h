#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pardovane::test {

// One accepted connection of a FaultServer, seen from the server's side.
// Every call gives up when the server stops, so no script can hang a test.
class FaultConnection {
public:
    FaultConnection(int fd, const std::atomic<bool>& stopping);
    ~FaultConnection();
    FaultConnection(const FaultConnection&) = delete;
    FaultConnection& operator=(const FaultConnection&) = delete;

    // The request up to its blank line; empty when the client went away first.
    std::string ReadRequestHead();
    // False when the client went away or the server stops before all was sent.
    bool Send(std::string_view bytes);
    // Keeps the connection open, saying nothing, until the client closes it
    // or the server stops.
    void HoldOpen();
    // Connects to 127.0.0.1:port, sends `greeting` here once connected, then
    // relays bytes both ways until either side closes; false if it could not
    // connect.
    bool RelayTo(int port, std::string_view greeting = {});
    // Closes with a reset instead of an orderly close.
    void Reset();
    bool stopping() const { return stopping_; }
    // The socket itself, for scripts that speak TLS or relay bytes.
    int fd() const { return fd_; }

private:
    // Waits for events on the socket in short slices; false on stop.
    bool WaitFor(short events);

    int fd_;
    const std::atomic<bool>& stopping_;
};

// A raw TCP server on 127.0.0.1 at an ephemeral port for what a well-behaved
// HTTP server never does: answer nothing, stall, lie about the length, close
// half-way. Each connection runs the script on a thread of its own; the script
// returning closes the connection. The destructor stops everything.
class FaultServer {
public:
    using Script = std::function<void(FaultConnection&)>;

    explicit FaultServer(Script script);
    ~FaultServer();
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    std::string Url(const std::string& path = "/") const;
    std::u16string Url16(const std::string& path = "/") const;
    int port() const { return port_; }
    int connections() const { return connections_; }

private:
    void AcceptLoop();

    Script script_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::thread acceptor_;
    std::vector<std::thread> workers_;  // touched by the acceptor only, until it ends
};

// An HTTP/1.1 response head with the given status line tail ("200 OK") and
// header lines, each without its line end.
std::string ResponseHead(std::string_view status, const std::vector<std::string>& headers);

}  // namespace pardovane::test
