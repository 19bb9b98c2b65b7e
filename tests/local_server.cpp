#include "tests/local_server.h"

#include "engine/page/utf_convert.h"
#include "tests/listen_backlog.h"

#include <gtest/gtest.h>

namespace pardovane::test {

LocalServer::LocalServer()
{
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
        // Keyed by the target exactly as sent: percent-encoding and query included.
        std::lock_guard lock(mutex_);
        ++hits_[request.target];
        headers_[request.target] = request.headers;
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server_.set_keep_alive_timeout(1);
    server_.set_tcp_nodelay(true);  // headers and body go out as separate writes
    // Each kept-alive connection holds a worker, so a client with many
    // connections would wait on the default few. httplib owns the pool.
    server_.new_task_queue = [] { return new httplib::ThreadPool(64); };
}

LocalServer::~LocalServer()
{
    Stop();
}

void LocalServer::Start()
{
    port_ = server_.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0) << "could not bind a loopback port";
    RaiseListenBacklog(port_);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // The socket is bound already, so connections queue until listening starts;
    // waiting here only keeps the first request from racing the thread.
    for (int i = 0; i < 200 && !server_.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void LocalServer::Stop()
{
    stopping_ = true;
    if (thread_.joinable()) {
        server_.stop();
        thread_.join();
    }
}

std::string LocalServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::u16string LocalServer::Url16(const std::string& path) const
{
    return Utf8ToUtf16(Url(path));
}

int LocalServer::Hits(const std::string& pathAndQuery) const
{
    std::lock_guard lock(mutex_);
    auto found = hits_.find(pathAndQuery);
    return found == hits_.end() ? 0 : found->second;
}

int LocalServer::TotalHits() const
{
    std::lock_guard lock(mutex_);
    int total = 0;
    for (const auto& [path, count] : hits_)
        total += count;
    return total;
}

std::map<std::string, int> LocalServer::AllHits() const
{
    std::lock_guard lock(mutex_);
    return hits_;
}

httplib::Headers LocalServer::LastHeaders(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    auto found = headers_.find(path);
    return found == headers_.end() ? httplib::Headers{} : found->second;
}

void LocalServer::Wait(std::chrono::milliseconds limit) const
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!stopping_ && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void LocalServer::Status(const std::string& path, int status)
{
    server_.Get(path, [status](const httplib::Request&, httplib::Response& response) {
        response.status = status;
        if (status != 204 && status != 304)  // these never carry a body
            response.set_content("status " + std::to_string(status), "text/plain");
    });
}

void LocalServer::Page(const std::string& path, const std::string& html, const std::string& contentType)
{
    server_.Get(path, [html, contentType](const httplib::Request&, httplib::Response& response) {
        response.set_content(html, contentType.c_str());
    });
}

void LocalServer::Redirect(const std::string& path, const std::string& target, int status)
{
    server_.Get(path, [target, status](const httplib::Request&, httplib::Response& response) {
        response.status = status;
        response.set_header("Location", target);
    });
}

}  // namespace pardovane::test
