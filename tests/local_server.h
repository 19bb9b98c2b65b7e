#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace pardovane::test {

// A real HTTP server on 127.0.0.1 at an ephemeral port, for one test. Routes
// are added before Start(); every request is counted by its target as sent.
// The destructor stops it; handlers that wait must poll stopping().
class LocalServer {
public:
    LocalServer();
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    httplib::Server& routes() { return server_; }
    void Start();
    void Stop();

    // "http://127.0.0.1:PORT" followed by path.
    std::string Url(const std::string& path = "") const;
    std::u16string Url16(const std::string& path = "") const;
    int port() const { return port_; }

    int Hits(const std::string& pathAndQuery) const;
    int TotalHits() const;
    std::map<std::string, int> AllHits() const;
    // The headers of the last request for this target.
    httplib::Headers LastHeaders(const std::string& target) const;
    bool stopping() const { return stopping_; }

    // Sleeps up to limit, ending early when the server stops.
    void Wait(std::chrono::milliseconds limit) const;

    // Serves a fixed status with a small body.
    void Status(const std::string& path, int status);
    void Page(const std::string& path, const std::string& html,
              const std::string& contentType = "text/html; charset=utf-8");
    void Redirect(const std::string& path, const std::string& target, int status = 302);

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, int> hits_;
    std::map<std::string, httplib::Headers> headers_;
};

}  // namespace pardovane::test
