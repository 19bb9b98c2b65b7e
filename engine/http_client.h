#pragma once

#include "engine/curl_handles.h"
#include "engine/downloaded_page.h"
#include "engine/http_settings.h"
#include "engine/url_prober.h"

#include <optional>
#include <string>

namespace pardovane {

// The program's HTTP: probes for CheckUrl and page downloads for the window
// operation. Each call makes its own request object; connections and name
// look-ups are shared between them through one curl share handle.
class HttpClient : public UrlProber {
public:
    explicit HttpClient(HttpSettings settings = {});
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    ProbeResult Probe(const std::u16string& url) override;
    DownloadResult Download(const std::u16string& url);
    // The page as text with its final URL, or nullopt when no response could be had.
    std::optional<DownloadedPage> DownloadText(const std::u16string& url);

    const HttpSettings& settings() const { return settings_; }

private:
    HttpSettings settings_;
    CurlShare share_;
};

}  // namespace pardovane
