#include "engine/http/http_request.h"

#include "engine/http/bot_wall.h"
#include "engine/http/curl_failure.h"
#include "engine/http/header_scope.h"
#include "engine/http/http_request_hop.h"
#include "engine/http/retry_policy.h"
#include "engine/http/wire_origin.h"
#include "engine/page/ascii.h"
#include "engine/page/page_text_decoder.h"

#include <cstring>
#include <thread>

namespace pardovane {
namespace {

// curl builds a request, headers and all, in at most 1 MiB and calls a
// longer one out of memory; the URL may have what the headers leave.
constexpr std::size_t kMaxUrlBytes = 1024 * 1024 - 64 * 1024;

}  // namespace

std::unique_ptr<HttpRequest> HttpRequest::Create(CURLSH* share, HttpSettings settings)
{
    EnsureCurlGlobalInit();
    CurlEasy easy(curl_easy_init());
    if (!easy)
        return nullptr;
    return std::make_unique<HttpRequest>(std::move(easy), share, std::move(settings));
}

HttpRequest::HttpRequest(CurlEasy easy, CURLSH* share, HttpSettings settings)
    : easy_(std::move(easy)), share_(share), settings_(std::move(settings)),
      scopedHeaders_(HeadersDependOnOrigin(settings_)), hop_(std::make_unique<Hop>())
{
    if (!scopedHeaders_)
        headers_ = HeaderListFor(settings_, {}, false);
}

HttpRequest::~HttpRequest() = default;

// Every option of a transfer is set here, for probes and downloads alike.
void HttpRequest::SetCommonOptions(const std::string& url, long remainingMs)
{
    CURL* easy = easy_.get();
    url_ = url;
    curl_easy_setopt(easy, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, settings_.connectTimeoutMs);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, remainingMs);
    curl_easy_setopt(easy, CURLOPT_USERAGENT,
                     settings_.userAgent.empty() ? kDefaultUserAgent : settings_.userAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers_.get());
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // in-memory cookies for this chain only
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_);
    // Through a proxy's tunnel, the proxy's own answer is not this response.
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_DNS_CACHE_TIMEOUT, -1L);  // each host once per run
    if (!settings_.caFile.empty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, settings_.caFile.c_str());
    if (!settings_.caDir.empty())
        curl_easy_setopt(easy, CURLOPT_CAPATH, settings_.caDir.c_str());
    if (settings_.insecure) {
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    if (share_)
        curl_easy_setopt(easy, CURLOPT_SHARE, share_);
    if (kind_ != Kind::Probe) {
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(settings_.downloadCapBytes));
    }
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Hop::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, hop_.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Hop::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, hop_.get());
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Hop::OnConnected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, hop_.get());
}

void HttpRequest::Start(const std::string& url, Kind kind)
{
    kind_ = kind;
    redirects_.clear();
    retries_ = 0;
    retrying_ = false;
    ended_ = false;
    notBefore_ = {};
    status_ = 0;
    failure_ = HttpFailure::None;
    detail_.clear();
    chainOrigin_ = scopedHeaders_ ? WireOrigin(url) : std::string();
    leftOrigin_ = false;
    const long timeoutMs = kind == Kind::Probe || kind == Kind::Sample ? settings_.probeTimeoutMs
                                                                       : settings_.downloadTimeoutMs;
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    BeginHop(url);
}

bool HttpRequest::BeginHop(const std::string& url)
{
    const auto remaining
        = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now())
              .count();
    if (remaining <= 0) {
        End(HttpFailure::Timeout, "time-out before the next redirect");
        return false;
    }
    if (url.size() > kMaxUrlBytes) {
        End(HttpFailure::MalformedUrl,
            "URL too long: " + std::to_string(url.size()) + " bytes, at most "
                + std::to_string(kMaxUrlBytes));
        return false;
    }
    if (scopedHeaders_) {
        leftOrigin_ = leftOrigin_ || WireOrigin(url) != chainOrigin_;
        headers_ = HeaderListFor(settings_, chainOrigin_, !leftOrigin_);
    }
    *hop_ = Hop{};
    hop_->request = this;
    hop_->isDownload = kind_ == Kind::Download || kind_ == Kind::HtmlDownload;
    hop_->htmlOnly = kind_ == Kind::HtmlDownload;
    hop_->sample = kind_ == Kind::Sample;
    body_.clear();
    tooLarge_ = false;
    bodyFailed_ = false;
    errorBuffer_[0] = '\0';
    SetCommonOptions(url, static_cast<long>(remaining));
    return true;
}

void HttpRequest::End(HttpFailure failure, std::string detail)
{
    failure_ = failure;
    detail_ = std::move(detail);
    ended_ = true;
}

void HttpRequest::EndOnCurlError(CURLcode code)
{
    const std::string_view errorText(errorBuffer_);
    End(FailureFor(code, easy_.get(), errorText), FailureDetail(code, errorText));
}

// The same hop again, after the wait the server asked for or our backoff.
bool HttpRequest::ScheduleRetry()
{
    if (retries_ >= settings_.maxRetries || bodyFailed_ || !IsRetried(status_, failure_, BotWall()))
        return false;
    const auto wait
        = RetryDelay(hop_->retryAfter, retries_, std::chrono::milliseconds(settings_.retryDelayMs));
    ++retries_;
    // 503 and 408 may be about this one resource; a 429 or a dropped
    // connection is about how hard the host is being asked.
    hostOverloaded_ = status_ == 429 || failure_ != HttpFailure::None;
    notBefore_ = std::chrono::steady_clock::now() + wait;
    const long timeoutMs = kind_ == Kind::Probe || kind_ == Kind::Sample ? settings_.probeTimeoutMs
                                                                         : settings_.downloadTimeoutMs;
    deadline_ = notBefore_ + std::chrono::milliseconds(timeoutMs);
    status_ = 0;
    failure_ = HttpFailure::None;
    detail_.clear();
    ended_ = false;
    retrying_ = true;
    const std::string again = url_;
    return BeginHop(again);
}

bool HttpRequest::HopDone(CURLcode code)
{
    // Refused before its first transfer: curl was given no URL, and what it
    // says of that does not count.
    if (ended_)
        return true;
    retrying_ = false;
    EndHop(code);
    if (!ended_)
        return false;
    return !ScheduleRetry();
}

void HttpRequest::EndHop(CURLcode code)
{
    const Hop& hop = *hop_;
    status_ = hop.status;
    // A failure after the headers ended still leaves a known status: a probe
    // takes it, a download has lost its body.
    const bool statusKnown = hop.headersDone && hop.status > 0;
    bodyFailed_ = statusKnown && hop.keepBody && !hop.cut && (tooLarge_ || code != CURLE_OK);
    if (tooLarge_) {
        End(HttpFailure::TooLarge, "body above the download cap");
        return;
    }
    if (code == CURLE_FILESIZE_EXCEEDED) {
        // Refused on its announced length, before the header callback ended.
        curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status_);
        bodyFailed_ = status_ >= 200 && !IsFollowedRedirect(status_);
    }
    if (code != CURLE_OK && !(statusKnown && (hop.cut || !hop.keepBody))) {
        EndOnCurlError(code);
        return;
    }
    if (!statusKnown) {
        End(HttpFailure::Transfer, "no HTTP status in the response");
        return;
    }
    char* location = nullptr;
    curl_easy_getinfo(easy_.get(), CURLINFO_REDIRECT_URL, &location);
    if (!IsFollowedRedirect(hop.status) || !hop.hasLocation || !location) {
        End(HttpFailure::None, {});
        return;
    }
    if (static_cast<long>(redirects_.size()) >= settings_.maxRedirects) {
        End(HttpFailure::TooManyRedirects, "too many redirects");
        return;
    }
    const std::string next = location;
    redirects_.push_back({hop.status, next});
    if (!StartsWithNoCase(next, "http://") && !StartsWithNoCase(next, "https://")) {
        End(HttpFailure::RefusedScheme, "redirect to a scheme other than http(s)");
        return;
    }
    BeginHop(next);
}

ProbeResult HttpRequest::TakeProbeResult()
{
    ProbeResult result;
    result.status = status_;
    if (!bodyFailed_) {
        result.failure = failure_;
        result.detail = detail_;
    }
    if (status_ > 0) {
        result.botWall = BotWall();
        // A crawl has nothing to read behind a wall.
        result.html = !result.botWall && IsHtmlType(ContentType());
        if (!redirects_.empty())
            result.movedTo = url_;
    }
    result.redirects = std::move(redirects_);
    settings_.verdict.Judge(result);
    return result;
}

bool HttpRequest::BotWall() const
{
    return IsBotWall(status_, hop_->challenge);
}

std::string HttpRequest::ContentType() const
{
    char* type = nullptr;
    curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_TYPE, &type);
    return type ? type : "";
}

DownloadResult HttpRequest::TakeDownloadResult()
{
    DownloadResult result;
    result.failure = failure_;
    result.detail = std::move(detail_);
    result.status = status_;
    result.url = url_;
    if (result.ok() && !BotWall()) {
        result.body = std::move(body_);
        result.contentType = ContentType();
    }
    return result;
}

void HttpRequest::RunBlocking()
{
    while (!ended_) {
        std::this_thread::sleep_until(notBefore_);
        if (HopDone(curl_easy_perform(easy_.get())))
            break;
    }
}

ProbeResult HttpRequest::Probe(const std::string& url)
{
    Start(url, Kind::Probe);
    RunBlocking();
    return TakeProbeResult();
}

DownloadResult HttpRequest::Download(const std::string& url)
{
    Start(url, Kind::Download);
    RunBlocking();
    return TakeDownloadResult();
}

}  // namespace pardovane
