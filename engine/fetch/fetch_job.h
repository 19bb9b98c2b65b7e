#pragma once

#include "engine/http/http_request.h"
#include "engine/http/probe_result.h"

#include <cassert>
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

// What a job is fetched for, which decides what its answer is made into
// when it ends.
enum class FetchPurpose {
    Probe,        // a link's verdict
    ListedPage,   // a page of the list, or of the run's crawl queue
    CrawledPage,  // a link the crawl is foreseen to read as a page
    Document,     // a stylesheet or a #fragment's page, for what it holds
    Robots,       // a site's robots.txt, for a crawl
    NotFound,     // a page that cannot exist, asked of its host (see SoftNotFound)
};

// Foreseen: made, maybe queued. Sent: on its way (or answered at once from
// a local folder). Done: its answer is in.
enum class JobState { Foreseen, Sent, Done };

// One URL the run will ask for, from the moment it is foreseen until the run
// has taken its answer.
struct FetchJob {
    FetchPurpose purpose = FetchPurpose::Probe;
    HttpRequest::Kind transfer = HttpRequest::Kind::Probe;
    std::u16string url;
    std::string wire;  // the URL as sent, once known
    std::string host;  // HostKey of the wire URL
    std::unique_ptr<HttpRequest> request;
    ProbeResult probe;
    // Downloads: the page as it came, if it did. Held as bytes until the run
    // takes it: half the memory of its text for most pages.
    std::optional<DownloadResult> download;
    bool servesProbe = false;   // a page's or document's one GET: probe and download
    bool scanned = false;       // its links are queued already
    std::size_t heldBytes = 0;  // of its page, while held for the run
    int sheetDepth = 0;         // stylesheets between it and a page
    CrawlPlace place;           // of its page
    bool secondLook = false;    // asked again after a failure that may pass
    // Not sent before this, however urgent (see FetchQueue).
    std::chrono::steady_clock::time_point notBefore{};

    bool started() const { return state_ != JobState::Foreseen; }
    bool done() const { return state_ == JobState::Done; }
    // The one place a job's state changes: forward, or from done back to
    // foreseen for a second look.
    void MoveTo(JobState next)
    {
        assert(next > state_ || (state_ == JobState::Done && next == JobState::Foreseen));
        state_ = next;
    }

private:
    JobState state_ = JobState::Foreseen;
};

// Shared, so a queue may still hold a job that was taken meanwhile.
using FetchJobPtr = std::shared_ptr<FetchJob>;

}  // namespace pardovane
