#pragma once

#include "engine/http/http_request.h"
#include "engine/http/probe_result.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace pardovane {

// Where a page stands in a crawl: the directory its crawl stays under
// (empty: it is in none) and its links from the start page.
struct CrawlPlace {
    std::u16string scope;
    std::uint32_t depth = 0;
};

// One URL the run will ask for, from the moment it is foreseen until the run
// has taken its answer: a probe, or a listed page's download.
struct FetchJob {
    HttpRequest::Kind kind = HttpRequest::Kind::Probe;
    std::u16string url;
    std::string wire;  // the URL as sent, once known
    std::string host;  // HostKey of the wire URL
    std::unique_ptr<HttpRequest> request;
    bool started = false;
    bool done = false;
    ProbeResult probe;
    // Downloads: the page as it came, if it did. Held as bytes until the run
    // takes it: half the memory of its text for most pages.
    std::optional<DownloadResult> download;
    bool servesProbe = false;   // a listed page's one GET: probe and download
    bool scanned = false;       // its links are queued already
    std::size_t heldBytes = 0;  // of its page, while held for the run
    bool robots = false;        // a site's robots.txt, for a crawl
    bool document = false;      // fetched for its content (see DocumentStore)
    int sheetDepth = 0;         // stylesheets between it and a page
    CrawlPlace place;           // of its page
    bool notFound = false;      // asks its host for a page that cannot exist (see SoftNotFound)
    bool secondLook = false;    // asked again after a failure that may pass (see SecondLook)
    // Not sent before this, however urgent (see FetchQueue).
    std::chrono::steady_clock::time_point notBefore{};
};

// Shared, so a queue may still hold a job that was taken meanwhile.
using FetchJobPtr = std::shared_ptr<FetchJob>;

}  // namespace pardovane
