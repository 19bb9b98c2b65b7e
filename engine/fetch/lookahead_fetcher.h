#pragma once

#include "engine/fetch/answer_cache.h"
#include "engine/fetch/crawl_ahead.h"
#include "engine/fetch/document_ahead.h"
#include "engine/fetch/fetch_job.h"
#include "engine/fetch/fetch_queue.h"
#include "engine/fetch/fetch_runner.h"
#include "engine/fetch/listed_pages.h"
#include "engine/fetch/network_wait.h"
#include "engine/fetch/soft_not_found.h"
#include "engine/fetch/transfer_pool.h"
#include "engine/http/http_settings.h"
#include "engine/http/request_url.h"
#include "engine/http/robots_source.h"
#include "engine/http/url_prober.h"
#include "engine/input/list_file.h"
#include "engine/page/downloaded_page.h"
#include "engine/page/link_exclusion.h"
#include "engine/page/local_folder.h"
#include "engine/page/page_links.h"
#include "engine/report/run_observer.h"
#include "engine/run/content_checks.h"
#include "engine/run/crawl_frontier.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pardovane {

// Makes the run's requests before the run asks for them, up to `jobs` at
// once, on one thread. It learns what the run will ask from the same list
// file and from scanning each page ahead, and asks only that, each URL once:
// every distinct URL text is requested once, and a listed page's one GET is
// its probe and the text of every line that lists it, also when a link of an
// earlier page reached it first, as long as the texts held stay within
// kAheadBytes. The run itself stays sequential; when it asks, it gets the
// answer already fetched, or waits for the one in flight. This is the one
// place that decides how a listed page's text is had, for every front end.
//
// In a crawl it also foresees the pages the run will find: a page's links
// on its crawl's ground are fetched as pages, whose text is kept only when
// they answer HTML, and the run's queue of found pages is read ahead like
// the list. It fetches each site's robots.txt for the run.
//
// A link to another site than the list's that failed as a busy or briefly
// unreachable server does (MayPassLater) is asked once more, after the rest
// of the work or when the run needs it, and not before a retry's first
// wait; only that second answer counts.
class LookaheadFetcher : public UrlProber, public RunObserver, public RobotsSource {
public:
    LookaheadFetcher(std::filesystem::path listFile, int jobs, HttpSettings settings = {});
    LookaheadFetcher(const LookaheadFetcher&) = delete;
    LookaheadFetcher& operator=(const LookaheadFetcher&) = delete;

    // Listed lines are read ahead, and listed pages met as links fetched
    // whole, while the pages held for the run stay under this many bytes.
    static constexpr std::size_t kAheadBytes = std::size_t{64} * 1024 * 1024;
    // Work queued per job that counts as enough.
    static constexpr std::size_t kQueuedPerJob = 4;
    // Stylesheets imported within stylesheets that are fetched ahead.
    static constexpr int kMostSheetDepth = 16;
    // Distinct hosts whose names are looked up at once.
    static constexpr int kMaxResolving = 6;

    ProbeResult Probe(const std::u16string& url) override;
    DocumentFactsPtr Document(const std::u16string& url, bool stylesheet) override;
    // The current line's page, as the page-download window operation.
    std::optional<DownloadedPage> DownloadText(const std::u16string& url);
    // The same exclusion as the run's, so nothing it skips is requested.
    void SetLinkExclusion(LinkExclusion exclusion) { exclusion_ = std::move(exclusion); }
    // The same checks as the run's, so what they need is fetched ahead.
    void SetContentChecks(ContentChecks checks)
    {
        checks_ = checks;
        documents_.SetSlugs(checks.slugs);
    }
    // Not owned; URLs under its base are answered from its files instead of
    // the network. Null (the default): everything is requested.
    void SetLocalFolder(const LocalFolder* folder)
    {
        runner_.SetLocalFolder(folder);
        softNotFound_.SetLocalFolder(folder);
    }
    // Whether each host is asked for a page that cannot exist first, and a
    // good answer there judged against it (see SoftNotFound); off by default.
    void SetSoftNotFound(bool on) { runner_.queue().SetOpening(on ? &softNotFound_ : nullptr); }
    // The requests of the run so far, and how many of them asked for a page
    // that cannot exist.
    std::size_t requests() const { return runner_.requests(); }
    std::size_t notFoundRequests() const { return softNotFound_.asked(); }
    // Not owned: the run's crawl, which the fetcher reads ahead of.
    void FollowCrawl(const CrawlFrontier& frontier);
    const RobotsRules& RobotsFor(const std::u16string& origin) override;
    // Not owned; null (the default) keeps nothing across runs. A fresh good
    // answer it holds for a link to another site than the list's is taken
    // instead of a request, and every answer to such a link goes into it.
    void SetAnswerCache(AnswerCache* cache) { cache_ = cache; }
    // Not owned; null (the default) sleeps in curl's own poll.
    void SetNetworkWait(NetworkWait* wait) { runner_.SetNetworkWait(wait); }

    // Keeps the transfers moving until done() holds, for a front end that
    // waits on something of its own (a message the user must answer) while
    // pages are fetched ahead. False when the run was cancelled meanwhile.
    bool WaitUntil(const std::function<bool()>& done);
    // Ends the run's network work for good: what is in flight is dropped at
    // the next wait, nothing more is requested, and every later question is
    // answered at once as failed. A new run starts afresh.
    void Cancel() { cancelled_ = true; }

    void OnRunStart() override;
    void OnPageStart(const std::u16string& pageUrl, std::uint64_t offset) override;
    void OnCrawlPage(const std::u16string& scope, std::uint32_t depth) override;
    void OnPageText(const std::u16string& pageText, const std::u16string& pageUrl, const std::string& charset,
                    PageFormat format) override;
    void OnLinkJudged(const JudgedLink& link) override;

private:
    using JobPtr = FetchJobPtr;
    using Priority = FetchQueue::Priority;
    struct AheadLine {
        std::u16string url;
        std::uint64_t offset;  // after the line
    };

    void Prefetch(const std::u16string& url, Priority priority, const CrawlPlace* from = nullptr);
    JobPtr Enqueue(HttpRequest::Kind kind, const std::u16string& url, Priority priority);
    JobPtr FetchListedPage(const std::u16string& url, bool servesProbe, Priority priority,
                           HttpRequest::Kind kind = HttpRequest::Kind::Download);
    void ReadAheadFound();
    bool WaitFor(const JobPtr& job);
    void DropEverything();
    void StartQueued();
    void StartJob(const JobPtr& job);
    void AnswerFromFolder(FetchJob& job) const;
    void AddToMulti(const JobPtr& job);
    void HandleDone(const JobPtr& job, CURLcode code);
    void FailInFlight(const char* why);
    void Finish(FetchJob& job);
    bool LookAgain(FetchJob& job);
    void Release(FetchJob& job);
    void ForgetPage(const std::u16string& url);
    bool Listed(const std::u16string& url) const { return listed_.Listed(url); }
    bool ListedSite(const std::u16string& url) const { return listed_.ListedSite(url); }
    bool WantsMoreLines() const;
    void ReadAhead();
    void ReadAheadLine(const std::u16string& url);
    void QueueAheadDownloads();
    std::optional<bool> KnownVerdict(const std::u16string& url) const;
    void PrefetchLinks(const DownloadedPage& page, Priority priority, const CrawlPlace& place);
    void PrefetchLink(const PageLink& link, Priority priority, const CrawlPlace* place, int sheetDepth);
    JobPtr FetchDocument(const std::u16string& url, bool stylesheet, Priority priority, int sheetDepth);

    std::filesystem::path listFile_;
    std::size_t jobs_;
    HttpSettings settings_;
    LinkExclusion exclusion_;
    ContentChecks checks_;
    AnswerCache* cache_ = nullptr;
    bool cancelled_ = false;
    FetchRunner runner_;
    DocumentAhead documents_{runner_.queue()};
    SoftNotFound softNotFound_;

    CrawlAhead crawl_;
    CrawlPlace currentPlace_;                            // of the run's current page
    std::unordered_map<std::u16string, JobPtr> probes_;  // asked for, not yet taken by the run
    // Taken by the run: good or bad, by a hash of the URL, as a long list
    // would otherwise hold every URL twice. A collision costs a request, not
    // a verdict: the run asks what it was not given.
    std::unordered_map<std::size_t, bool> verdicts_;
    // Listed pages fetched, or being fetched, for lines the run has not
    // passed yet, by URL: every line that lists one takes the same GET.
    std::unordered_map<std::u16string, JobPtr> pages_;
    ListedPages listed_;  // of the lines not passed yet
    std::optional<ListFile> list_;
    std::deque<AheadLine> aheadLines_;   // references stay valid: only ends change
    std::vector<AheadLine*> undecided_;  // download not yet queued or refused
    std::uint64_t currentLine_ = 0;
    std::u16string currentUrl_;
    std::u16string passedUrl_;  // the line before the current one
    bool currentPageScanned_ = false;
    const FetchJob* waitedFor_ = nullptr;  // by the run, now
    std::size_t aheadBytes_ = 0;           // pages held for the run, as they came
};

}  // namespace pardovane
