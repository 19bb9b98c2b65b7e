#pragma once

#include "engine/fetch/crawl_ahead.h"
#include "engine/fetch/fetch_job.h"
#include "engine/fetch/fetch_queue.h"
#include "engine/fetch/job_book.h"
#include "engine/input/list_file.h"
#include "engine/page/downloaded_page.h"
#include "engine/page/link_exclusion.h"
#include "engine/page/page_links.h"
#include "engine/run/content_checks.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pardovane {

// What to ask for next, ahead of the run: the list's lines, the pages a
// crawl will find, and for each page read the links its check will probe,
// the stylesheets it will expand and the pages its #fragments point into.
// It foresees from the same list file and the same rules as the run, and
// asks through the book, so each URL is asked once; it never waits and
// never touches the network.
class FetchPlan {
public:
    using Priority = FetchQueue::Priority;
    // Work queued per job that counts as enough.
    static constexpr std::size_t kQueuedPerJob = 4;

    FetchPlan(JobBook& book, FetchQueue& queue, std::size_t jobs) : book_(book), queue_(queue), jobs_(jobs) { }

    // The same exclusion and checks as the run's, so nothing it skips is
    // requested and what its checks need is fetched ahead.
    void SetLinkExclusion(LinkExclusion exclusion) { exclusion_ = std::move(exclusion); }
    void SetContentChecks(ContentChecks checks) { checks_ = checks; }
    const ContentChecks& checks() const { return checks_; }
    const LinkExclusion& exclusion() const { return exclusion_; }
    CrawlAhead& crawl() { return crawl_; }

    // A new run over list: its lines counted, the first read ahead; with
    // origins, the origins of its pages kept (ListedPages).
    void Start(const ListFile& list, bool origins);
    // Nothing more is read ahead: the list is closed, its lines dropped.
    void Stop();
    // The run reached the line that ends at offset, which lists pageUrl.
    void PageStarted(const std::u16string& pageUrl, std::uint64_t offset);
    // The run's next page is one its crawl found, at this place.
    void CrawlPageStarted(const std::u16string& scope, std::uint32_t depth) { currentPlace_ = {scope, depth}; }
    // The run took url's page; scanned: its links were queued as it came.
    void PageTaken(const std::u16string& url, bool scanned);
    // The run reads the current page's text: its links, unless queued already.
    void PageText(std::u16string_view text, std::u16string_view url, const std::string& charset,
                  PageFormat format);
    // The run judged url as a link without reading it as a page.
    void LinkJudged(const std::u16string& url);

    // Reads more of the list and the crawl's queue while the jobs could use
    // more work.
    void ReadAhead();
    // Lines whose verdict came: their page downloads go.
    void QueueAheadDownloads();
    // A page job ended with its page: a later page's links are queued now.
    void PageArrived(FetchJob& job);
    // A stylesheet at depth ended: its own links go as a page's do.
    void SheetArrived(const std::vector<PageLink>& links, int depth);

private:
    struct AheadLine {
        std::u16string url;
        std::uint64_t offset;  // after the line
    };

    void Prefetch(const std::u16string& url, Priority priority, const CrawlPlace* from = nullptr);
    void PrefetchLinks(std::u16string_view text, std::u16string_view url, const std::string& charset,
                       PageFormat format, Priority priority, const CrawlPlace& place);
    void PrefetchLink(const PageLink& link, Priority priority, const CrawlPlace* place, int sheetDepth);
    bool WantsMoreLines() const;
    void ReadAheadLine(const std::u16string& url);
    void ReadAheadFound();
    void AskRobotsOf(const std::u16string& url);

    JobBook& book_;
    FetchQueue& queue_;
    std::size_t jobs_;
    LinkExclusion exclusion_;
    ContentChecks checks_;
    CrawlAhead crawl_;
    CrawlPlace currentPlace_;  // of the run's current page
    std::optional<ListFile> list_;
    std::deque<AheadLine> aheadLines_;   // references stay valid: only ends change
    std::vector<AheadLine*> undecided_;  // download not yet queued or refused
    std::uint64_t currentLine_ = 0;
    std::u16string currentUrl_;
    bool currentPageScanned_ = false;
};

}  // namespace pardovane
