#pragma once

#include "engine/http/curl_handles.h"
#include "engine/http/http_settings.h"
#include "engine/http/url_prober.h"
#include "engine/page/downloaded_page.h"

#include <optional>
#include <string>

namespace pardovane {

// One request at a time, each waited for: a probe or a download of one URL.
// Each call makes its own request object; connections and name look-ups are
// shared between them through one curl share handle. A run goes through the
// fetcher instead (lookahead_fetcher.h), which makes these same requests
// ahead of it.
class HttpClient : public UrlProber {
public:
    explicit HttpClient(HttpSettings settings = {});
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    ProbeResult Probe(const std::u16string& url) override;
    DownloadResult Download(const std::u16string& url);
    // The page as text with its final URL, or nullopt when no response could be had.
    std::optional<DownloadedPage> DownloadText(const std::u16string& url);

private:
    HttpSettings settings_;
    CurlShare share_;
};

}  // namespace pardovane
