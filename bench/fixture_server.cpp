// Serves a benchmark fixture on loopback ports with a fixed latency per
// response: a small HTTP/1.1 server with keep-alive, one thread per
// connection and each response in one write, so that what is measured is the
// client. The fixture file holds one route per line, tab-separated:
// origin name, path, status, Location (or -), body file (or -).
// The origins are "a" and "b" on 127.0.0.1, or those of the hosts file, one
// per line: name, address (any 127.x), latency in ms, then optional limits
// that imitate real servers: conn=N (connections beyond N at once are
// reset), rate=N (429 above N requests a second), retry=S (each path's
// first request in a run gets 503 or 429 with Retry-After: S), flaky=N
// (each path's first N requests in a run fail: every other path by a
// connection reset, the rest by a 503 without Retry-After).
// "{NAME}" (the name upper-cased) in bodies stands for that origin.
// Prints "ports P1 P2 ..." when ready; GET /__count on any port answers the
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
#include <deque>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Route {
    int status = 200;
    std::string location;
    std::string body = "ok";
};

using Routes = std::map<std::string, Route>;

struct Origin {
    std::string name;
    std::string address = "127.0.0.1";
    std::chrono::microseconds latency{0};
    int maxConnections = 0;
    std::size_t perSecond = 0;
    int retryAfter = -1;
    int flaky = 0;
    Routes routes;
    int port = 0;
    std::atomic<int> connections{0};
    std::mutex mutex;  // guards the four below
    std::deque<std::chrono::steady_clock::time_point> recent;
    std::set<std::string> seen;
    std::map<std::string, std::pair<int, std::size_t>> tries;  // of each path: requests, and its place
    int seenSince = 0;                                         // the reset `seen` and `tries` are of
};

enum class Flake { None, Reset, Busy };

std::atomic<long> requestCount{0};
std::atomic<int> resets{0};  // a new run: every path is new again

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

int Listen(const std::string& host, int& port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 1024) != 0
        || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("fixture_server");
        std::exit(1);
    }
    port = ntohs(address.sin_port);
    return fd;
}

void ForgetEarlierRuns(Origin& origin)
{
    if (origin.seenSince != resets) {
        origin.seen.clear();
        origin.tries.clear();
        origin.seenSince = resets;
    }
}

// How a flaky origin fails this request of path, if it does.
Flake Flaky(Origin& origin, const std::string& path)
{
    if (origin.flaky <= 0)
        return Flake::None;
    const std::lock_guard lock(origin.mutex);
    ForgetEarlierRuns(origin);
    auto& [count, place] = origin.tries.try_emplace(path, 0, origin.tries.size()).first->second;
    if (++count > origin.flaky)
        return Flake::None;
    return place % 2 ? Flake::Reset : Flake::Busy;
}

// 429 above the rate, or the first request of a path turned away for a while.
std::string Refusal(Origin& origin, const std::string& path)
{
    const std::lock_guard lock(origin.mutex);
    if (origin.perSecond > 0) {
        const auto now = std::chrono::steady_clock::now();
        while (!origin.recent.empty() && now - origin.recent.front() > std::chrono::seconds(1))
            origin.recent.pop_front();
        if (origin.recent.size() >= origin.perSecond)
            return "HTTP/1.1 429 X\r\nContent-Length: 0\r\n\r\n";
        origin.recent.push_back(now);
    }
    ForgetEarlierRuns(origin);
    if (origin.retryAfter >= 0 && origin.seen.insert(path).second)
        return std::string(origin.seen.size() % 2 ? "HTTP/1.1 503 X" : "HTTP/1.1 429 X")
            + "\r\nRetry-After: " + std::to_string(origin.retryAfter) + "\r\nContent-Length: 0\r\n\r\n";
    return {};
}

std::string Respond(Origin& origin, const std::string& target, bool head, Flake flake)
{
    const Routes& routes = origin.routes;
    const auto latency = origin.latency;
    const std::string path = target.substr(0, target.find_first_of("?#"));
    std::string body;
    int status = 200;
    std::string location;
    if (path == "/__count") {
        body = std::to_string(requestCount.load());
    } else if (path == "/__reset") {
        requestCount = 0;
        ++resets;
        body = std::to_string(0);  // a literal here trips a false -Wrestrict in GCC 12
    } else {
        ++requestCount;
        if (latency.count() > 0)
            std::this_thread::sleep_for(latency);
        if (flake == Flake::Busy)
            return "HTTP/1.1 503 X\r\nContent-Length: 0\r\n\r\n";
        if (std::string refusal = Refusal(origin, path); !refusal.empty())
            return refusal;
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

void Reset(int client)
{
    const linger reset{1, 0};
    setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(client);
}

void Serve(int client, Origin& origin)
{
    if (origin.maxConnections > 0 && origin.connections >= origin.maxConnections) {
        Reset(client);
        return;
    }
    ++origin.connections;
    struct Leave {
        Origin& o;
        ~Leave() { --o.connections; }
    } leave{origin};
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
        const std::string path = target.substr(0, target.find_first_of("?#"));
        const Flake flake = path.starts_with("/__") ? Flake::None : Flaky(origin, path);
        if (flake == Flake::Reset) {
            ++requestCount;
            Reset(client);
            return;
        }
        const std::string response = Respond(origin, target, method == "HEAD", flake);
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

std::vector<std::unique_ptr<Origin>> ReadOrigins(const char* hostsFile, std::chrono::microseconds latency)
{
    std::vector<std::unique_ptr<Origin>> origins;
    if (!hostsFile) {
        for (const char* name : {"a", "b"}) {
            origins.push_back(std::make_unique<Origin>());
            origins.back()->name = name;
            origins.back()->latency = latency;
        }
        return origins;
    }
    std::ifstream hosts(hostsFile);
    std::string line;
    while (std::getline(hosts, line)) {
        std::istringstream words(line);
        auto origin = std::make_unique<Origin>();
        double ms = 0;
        if (!(words >> origin->name >> origin->address >> ms))
            continue;
        origin->latency = std::chrono::microseconds(static_cast<long>(ms * 1000));
        for (std::string option; words >> option;) {
            const std::string value = option.substr(option.find('=') + 1);
            if (option.starts_with("conn="))
                origin->maxConnections = std::stoi(value);
            else if (option.starts_with("rate="))
                origin->perSecond = std::stoul(value);
            else if (option.starts_with("retry="))
                origin->retryAfter = std::stoi(value);
            else if (option.starts_with("flaky="))
                origin->flaky = std::stoi(value);
        }
        origins.push_back(std::move(origin));
    }
    return origins;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: fixture_server FIXTURE LATENCY_MS [HOSTS]\n");
        return 2;
    }
    const auto latency = std::chrono::microseconds(static_cast<long>(std::stod(argv[2]) * 1000));
    static std::vector<std::unique_ptr<Origin>> origins = ReadOrigins(argc == 4 ? argv[3] : nullptr, latency);
    std::vector<int> listeners;
    std::map<std::string, Origin*> byName;
    for (auto& origin : origins) {
        listeners.push_back(Listen(origin->address, origin->port));
        byName[origin->name] = origin.get();
    }

    std::ifstream fixture(argv[1]);
    std::string name, path, status, location, bodyFile;
    while (std::getline(fixture, name, '\t') && std::getline(fixture, path, '\t')
           && std::getline(fixture, status, '\t') && std::getline(fixture, location, '\t')
           && std::getline(fixture, bodyFile)) {
        Route route;
        route.status = std::stoi(status);
        route.location = location == "-" ? "" : location;
        if (bodyFile != "-")
            route.body = ReadFile(bodyFile);
        for (const auto& origin : origins) {
            if (route.body.find('{') == std::string::npos)
                break;
            std::string placeholder = "{" + origin->name + "}";
            for (char& c : placeholder)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            const std::string address = "http://" + origin->address + ":" + std::to_string(origin->port);
            for (auto at = route.body.find(placeholder); at != std::string::npos;
                 at = route.body.find(placeholder, at + address.size()))
                route.body.replace(at, placeholder.size(), address);
        }
        if (auto found = byName.find(name); found != byName.end())
            found->second->routes[path] = std::move(route);
    }

    for (std::size_t i = 0; i < origins.size(); ++i) {
        std::thread([listener = listeners[i], origin = origins[i].get()] {
            while (true) {
                const int client = accept(listener, nullptr, nullptr);
                if (client >= 0)
                    std::thread(Serve, client, std::ref(*origin)).detach();
            }
        }).detach();
    }
    std::cout << "ports";
    for (const auto& origin : origins)
        std::cout << " " << origin->port;
    std::cout << std::endl;
    std::string ignored;
    while (std::getline(std::cin, ignored)) {
    }
    return 0;  // detached threads end with the process
}
