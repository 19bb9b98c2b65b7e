// Serves a benchmark fixture on two loopback ports with a fixed latency per
// response: a small HTTP/1.1 server with keep-alive, one thread per
// connection and each response in one write, so that what is measured is the
// client. The fixture file holds one route per line, tab-separated:
// origin (a or b), path, status, Location (or -), body file (or -).
// "{A}" and "{B}" in bodies stand for the two origins, known once bound.
// Prints "ports A B" when ready; GET /__count on either port answers the
// number of requests since the last /__reset (neither is counted). It stops
// when its standard input closes, so it never outlives the benchmark.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

namespace {

struct Route {
    int status = 200;
    std::string location;
    std::string body = "ok";
};

using Routes = std::map<std::string, Route>;

std::atomic<long> requestCount{0};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

int Listen(int& port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 1024) != 0
        || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("fixture_server");
        std::exit(1);
    }
    port = ntohs(address.sin_port);
    return fd;
}

std::string Respond(const Routes& routes, const std::string& target, bool head,
                    std::chrono::microseconds latency)
{
    const std::string path = target.substr(0, target.find_first_of("?#"));
    std::string body;
    int status = 200;
    std::string location;
    if (path == "/__count") {
        body = std::to_string(requestCount.load());
    } else if (path == "/__reset") {
        requestCount = 0;
        body = std::to_string(0);  // a literal here trips a false -Wrestrict in GCC 12
    } else {
        ++requestCount;
        if (latency.count() > 0)
            std::this_thread::sleep_for(latency);
        auto found = routes.find(path);
        if (found == routes.end()) {
            status = 404;
            body = "no such page";
        } else {
            status = found->second.status;
            location = found->second.location;
            body = found->second.body;
        }
    }
    std::string response = "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: text/html\r\n";
    if (!location.empty())
        response += "Location: " + location + "\r\n";
    response += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    if (!head)
        response += body;
    return response;
}

void Serve(int client, const Routes& routes, std::chrono::microseconds latency)
{
    const int on = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::string buffer;
    char chunk[8192];
    while (true) {
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t got = recv(client, chunk, sizeof chunk, 0);
            if (got <= 0) {
                close(client);
                return;
            }
            buffer.append(chunk, static_cast<std::size_t>(got));
        }
        const std::string request = buffer.substr(0, end);
        buffer.erase(0, end + 4);
        std::istringstream line(request);
        std::string method, target;
        line >> method >> target;
        const std::string response = Respond(routes, target, method == "HEAD", latency);
        for (std::size_t sent = 0; sent < response.size();) {
            const ssize_t n = send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                close(client);
                return;
            }
            sent += static_cast<std::size_t>(n);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fixture_server FIXTURE LATENCY_MS\n");
        return 2;
    }
    const auto latency = std::chrono::microseconds(static_cast<long>(std::stod(argv[2]) * 1000));
    int ports[2];
    const int listeners[2] = {Listen(ports[0]), Listen(ports[1])};

    static Routes routes[2];
    std::ifstream fixture(argv[1]);
    std::string origin, path, status, location, bodyFile;
    while (std::getline(fixture, origin, '\t') && std::getline(fixture, path, '\t')
           && std::getline(fixture, status, '\t') && std::getline(fixture, location, '\t')
           && std::getline(fixture, bodyFile)) {
        Route route;
        route.status = std::stoi(status);
        route.location = location == "-" ? "" : location;
        if (bodyFile != "-")
            route.body = ReadFile(bodyFile);
        for (int i = 0; i < 2; ++i) {
            const std::string placeholder = i == 0 ? "{A}" : "{B}";
            const std::string address = "http://127.0.0.1:" + std::to_string(ports[i]);
            for (auto at = route.body.find(placeholder); at != std::string::npos;
                 at = route.body.find(placeholder, at + address.size()))
                route.body.replace(at, placeholder.size(), address);
        }
        routes[origin == "b" ? 1 : 0][path] = std::move(route);
    }

    for (int i = 0; i < 2; ++i) {
        std::thread([listener = listeners[i], &table = routes[i], latency] {
            while (true) {
                const int client = accept(listener, nullptr, nullptr);
                if (client >= 0)
                    std::thread(Serve, client, std::cref(table), latency).detach();
            }
        }).detach();
    }
    std::cout << "ports " << ports[0] << " " << ports[1] << std::endl;
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    return 0;  // detached threads end with the process
}
