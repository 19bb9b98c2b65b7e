#include "http_request.h"

#include "version.h"

#include <cstring>

namespace pardovane {
namespace {

constexpr const char* kUserAgent = "Pardovane/" PARDOVANE_VERSION;

bool IsFollowedRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

HttpFailure FailureFor(CURLcode code)
{
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return HttpFailure::RefusedScheme;
    case CURLE_URL_MALFORMAT:
        return HttpFailure::MalformedUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return HttpFailure::NameNotFound;
    case CURLE_COULDNT_CONNECT:
        return HttpFailure::ConnectionRefused;
    case CURLE_OPERATION_TIMEDOUT:
        return HttpFailure::Timeout;
    case CURLE_TOO_MANY_REDIRECTS:
        return HttpFailure::TooManyRedirects;
    case CURLE_FILESIZE_EXCEEDED:
        return HttpFailure::TooLarge;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED:
        return HttpFailure::Tls;
    default:
        return HttpFailure::Transfer;
    }
}

}  // namespace

// What one response of the chain has shown so far.
struct HttpRequest::Hop {
    HttpRequest* request = nullptr;
    bool isDownload = false;
    long contentLength = -1;
    bool hasLocation = false;
    bool headersDone = false;
    long status = 0;
    bool cut = false;  // we ended the transfer on purpose
    std::size_t bodySeen = 0;
    bool keepBody = false;

    // A body we do not need is read only when it is announced small, so the
    // connection stays reusable; otherwise the transfer ends at the headers.
    bool SmallEnoughToRead() const
    {
        return status == 204 || status == 304
            || (contentLength >= 0
                && static_cast<std::size_t>(contentLength) <= request->settings_.probeBodyKeepBytes);
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto* hop = static_cast<Hop*>(user);
        const std::size_t length = size * count;
        const std::string_view line(data, length);
        if (StartsWithNoCase(line, "http/")) {
            hop->contentLength = -1;
            hop->hasLocation = false;
        } else if (StartsWithNoCase(line, "content-length:")) {
            hop->contentLength = std::strtol(std::string(line.substr(15)).c_str(), nullptr, 10);
        } else if (StartsWithNoCase(line, "location:")) {
            hop->hasLocation = true;
        } else if (line == "\r\n" || line == "\n") {
            long status = 0;
            curl_easy_getinfo(hop->request->easy_.get(), CURLINFO_RESPONSE_CODE, &status);
            if (status >= 200 || status == 0) {
                hop->status = status;
                hop->headersDone = true;
                const bool final = !(IsFollowedRedirect(status) && hop->hasLocation);
                hop->keepBody = final && hop->isDownload;
                if (!hop->keepBody && !hop->SmallEnoughToRead()) {
                    hop->cut = true;
                    return 0;
                }
            }
        }
        return length;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user)
    {
        auto* hop = static_cast<Hop*>(user);
        const std::size_t length = size * count;
        HttpRequest& request = *hop->request;
        if (hop->keepBody) {
            if (request.body_.size() + length > request.settings_.downloadCapBytes) {
                request.tooLarge_ = true;
                return 0;
            }
            request.body_.append(data, length);
            return length;
        }
        hop->bodySeen += length;
        if (hop->bodySeen > request.settings_.probeBodyKeepBytes) {
            hop->cut = true;
            return 0;
        }
        return length;
    }
};

std::optional<HttpRequest> HttpRequest::Create(CURLSH* share, const HttpSettings& settings)
{
    EnsureCurlGlobalInit();
    CurlEasy easy(curl_easy_init());
    if (!easy)
        return std::nullopt;
    return HttpRequest(std::move(easy), share, settings);
}

HttpRequest::HttpRequest(CurlEasy easy, CURLSH* share, const HttpSettings& settings)
    : easy_(std::move(easy)), share_(share), settings_(settings)
{
}

// Every option of a transfer is set here, for probes and downloads alike.
void HttpRequest::SetCommonOptions(Hop& hop, const std::string& url, long remainingMs,
                                   bool isDownload)
{
    CURL* easy = easy_.get();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, settings_.connectTimeoutMs);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, remainingMs);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // in-memory cookies for this chain only
    if (share_)
        curl_easy_setopt(easy, CURLOPT_SHARE, share_);
    if (isDownload) {
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(settings_.downloadCapBytes));
    }
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Hop::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &hop);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Hop::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &hop);
}

HttpRequest::Chain HttpRequest::Follow(const std::string& startUrl, long timeoutMs, bool isDownload)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string url = startUrl;
    for (long redirects = 0;; ++redirects) {
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (remaining <= 0)
            return {0, HttpFailure::Timeout, "time-out before the next redirect"};

        Hop hop;
        hop.request = this;
        hop.isDownload = isDownload;
        body_.clear();
        tooLarge_ = false;
        SetCommonOptions(hop, url, static_cast<long>(remaining), isDownload);
        const CURLcode code = curl_easy_perform(easy_.get());

        if (tooLarge_)
            return {hop.status, HttpFailure::TooLarge, "body above the download cap"};
        // A failure after the headers ended still leaves a known status: a
        // probe takes it, a download has lost its body.
        const bool statusKnown = hop.headersDone && hop.status > 0;
        if (code != CURLE_OK && !(statusKnown && (hop.cut || !hop.keepBody)))
            return {hop.status, FailureFor(code), curl_easy_strerror(code)};
        if (!statusKnown)
            return {0, HttpFailure::Transfer, "no HTTP status in the response"};

        char* location = nullptr;
        curl_easy_getinfo(easy_.get(), CURLINFO_REDIRECT_URL, &location);
        if (!IsFollowedRedirect(hop.status) || !hop.hasLocation || !location)
            return {hop.status, HttpFailure::None, {}};
        if (redirects + 1 > settings_.maxRedirects)
            return {hop.status, HttpFailure::TooManyRedirects, "too many redirects"};
        url = location;
        if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://"))
            return {hop.status, HttpFailure::RefusedScheme, "redirect to a scheme other than http(s)"};
    }
}

ProbeResult HttpRequest::Probe(const std::string& url)
{
    Chain chain = Follow(url, settings_.probeTimeoutMs, false);
    return {chain.status, chain.failure, std::move(chain.detail)};
}

DownloadResult HttpRequest::Download(const std::string& url)
{
    Chain chain = Follow(url, settings_.downloadTimeoutMs, true);
    DownloadResult result;
    result.failure = chain.failure;
    result.detail = std::move(chain.detail);
    result.status = chain.status;
    if (result.ok()) {
        result.body = std::move(body_);
        char* type = nullptr;
        curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_TYPE, &type);
        if (type)
            result.contentType = type;
    }
    return result;
}

}  // namespace pardovane
