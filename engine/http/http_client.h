#pragma once

#include "engine/http/curl_handles.h"
#include "engine/page/downloaded_page.h"
#include "engine/http/http_settings.h"
#include "engine/run_observer.h"
#include "engine/http/url_prober.h"

#include <optional>
#include <string>

namespace pardovane {

// The program's HTTP: probes for CheckUrl and page downloads for the window
// operation. Each call makes its own request object; connections and name
// look-ups are shared between them through one curl share handle. Heard as
// an observer of the run, it makes a listed page's probe and download one
// GET, as the fetching ahead does.
class HttpClient : public UrlProber, public RunObserver {
public:
    explicit HttpClient(HttpSettings settings = {});
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    ProbeResult Probe(const std::u16string& url) override;
    DownloadResult Download(const std::u16string& url);
    // The page as text with its final URL, or nullopt when no response could be had.
    std::optional<DownloadedPage> DownloadText(const std::u16string& url);

    const HttpSettings& settings() const { return settings_; }

    void OnPageStart(const std::u16string& pageUrl, std::uint64_t offset) override;

private:
    // The listed page's text from its probe, until the run downloads it.
    struct HeldPage {
        std::u16string url;
        std::optional<DownloadedPage> page;
    };

    HttpSettings settings_;
    CurlShare share_;
    std::u16string nextPage_;  // the listed page the run is about to probe
    std::optional<HeldPage> held_;
};

}  // namespace pardovane
