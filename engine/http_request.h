#pragma once

#include "curl_handles.h"
#include "http_settings.h"
#include "probe_result.h"

#include <chrono>
#include <optional>
#include <string>

namespace pardovane {

// One GET with its redirect chain, on a curl easy handle it owns. Redirects
// are followed here rather than by curl so that every hop's scheme is checked
// and the final status is known as soon as that response's headers end.
// Cookies set along the chain live in this object's memory only.
class HttpRequest {
public:
    // nullopt when curl cannot create a handle.
    static std::optional<HttpRequest> Create(CURLSH* share, const HttpSettings& settings);

    // url is already in wire form (see RequestUrlFor).
    ProbeResult Probe(const std::string& url);
    DownloadResult Download(const std::string& url);

private:
    HttpRequest(CurlEasy easy, CURLSH* share, const HttpSettings& settings);

    struct Hop;
    struct Chain {
        long status = 0;
        HttpFailure failure = HttpFailure::None;
        std::string detail;
    };

    Chain Follow(const std::string& url, long timeoutMs, bool isDownload);
    void SetCommonOptions(Hop& hop, const std::string& url, long remainingMs, bool isDownload);

    CurlEasy easy_;
    CURLSH* share_;
    const HttpSettings& settings_;
    std::string body_;
    bool tooLarge_ = false;
};

}  // namespace pardovane
