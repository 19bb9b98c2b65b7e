#pragma once

#include "engine/http/curl_handles.h"
#include "engine/http/http_settings.h"
#include "engine/http/probe_result.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace pardovane {

// One GET with its redirect chain, on a curl easy handle it owns. Redirects
// are followed here rather than by curl so that every hop's scheme is checked
// and the final status is known as soon as that response's headers end.
// Cookies set along the chain live in this object's memory only.
//
// A throttled or dropped answer is asked again (see retry_policy.h); the
// verdict is the last answer. A bot wall's answer (bot_wall.h) is not, and
// a download keeps none of its body: the page there is the wall's.
//
// Blocking use: Probe or Download. Driven by a curl multi handle: Start, add
// handle() to the multi, and on each finished transfer call HopDone; it says
// whether the chain ended, or set up the next hop to add again, not before
// notBefore() (later than now when retrying()). A URL too long to request
// ends the chain in Start; its handle then fails at once without a URL.
class HttpRequest {
public:
    // An HTML download is a download whose body is kept only when the final
    // answer calls itself HTML; anything else ends at its headers, as a probe.
    // A sample is a probe that keeps the first kSampleBytes of a 2xx answer's
    // body and ends the transfer there, for comparing answers.
    enum class Kind { Probe, Download, HtmlDownload, Sample };
    static constexpr std::size_t kSampleBytes = std::size_t{64} * 1024;

    // nullptr when curl cannot create a handle. Callbacks point into the
    // object, so it stays where it was made.
    static std::unique_ptr<HttpRequest> Create(CURLSH* share, HttpSettings settings);
    HttpRequest(CurlEasy easy, CURLSH* share, HttpSettings settings);
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;
    ~HttpRequest();

    // url is already in wire form (see RequestUrlFor).
    ProbeResult Probe(const std::string& url);
    DownloadResult Download(const std::string& url);

    void Start(const std::string& url, Kind kind);
    bool HopDone(CURLcode code);
    CURL* handle() const { return easy_.get(); }
    // The last HopDone asked the same hop again after a throttle or a drop.
    bool retrying() const { return retrying_; }
    // The retry answers a 429 or a dropped connection: the host is asked too hard.
    bool hostOverloaded() const { return hostOverloaded_; }
    // A connection is open: the host's name was found.
    bool connected() const { return connected_; }
    std::chrono::steady_clock::time_point notBefore() const { return notBefore_; }
    // A download's result as a probe would have seen it: the status counts
    // even when the body then failed.
    ProbeResult TakeProbeResult();
    DownloadResult TakeDownloadResult();

private:
    struct Hop;
    // False when the deadline has passed and the chain ended on it.
    bool BeginHop(const std::string& url);
    void SetCommonOptions(const std::string& url, long remainingMs);
    void End(HttpFailure failure, std::string detail);
    void EndHop(CURLcode code);
    void EndOnCurlError(CURLcode code);
    bool ScheduleRetry();
    void RunBlocking();
    // The final answer so far is a bot wall's (see bot_wall.h).
    bool BotWall() const;
    std::string ContentType() const;

    CurlEasy easy_;
    CURLSH* share_;
    HttpSettings settings_;
    // Which headers go depends on where each hop goes (header_scope.h).
    bool scopedHeaders_ = false;
    std::string chainOrigin_;  // of the chain's first hop, when scoped
    bool leftOrigin_ = false;  // some hop of the chain went elsewhere
    CurlSlist headers_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    std::unique_ptr<Hop> hop_;
    Kind kind_ = Kind::Probe;
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::steady_clock::time_point notBefore_;
    int retries_ = 0;
    bool retrying_ = false;
    bool hostOverloaded_ = false;
    bool connected_ = false;
    bool ended_ = false;
    std::vector<Redirect> redirects_;
    std::string url_;  // of the current hop; curl keeps only a pointer to it
    std::string body_;
    bool tooLarge_ = false;
    bool bodyFailed_ = false;  // the last hop's status came, its body did not
    long status_ = 0;
    HttpFailure failure_ = HttpFailure::None;
    std::string detail_;
};

}  // namespace pardovane
