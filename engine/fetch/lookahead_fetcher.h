#pragma once

#include "engine/fetch/answer_cache.h"
#include "engine/fetch/fetch_job.h"
#include "engine/fetch/fetch_plan.h"
#include "engine/fetch/fetch_runner.h"
#include "engine/fetch/job_book.h"
#include "engine/fetch/network_wait.h"
#include "engine/fetch/soft_not_found.h"
#include "engine/http/http_settings.h"
#include "engine/http/robots_source.h"
#include "engine/http/url_prober.h"
#include "engine/page/downloaded_page.h"
#include "engine/page/link_exclusion.h"
#include "engine/page/local_folder.h"
#include "engine/report/run_observer.h"
#include "engine/run/content_checks.h"
#include "engine/run/crawl_frontier.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace pardovane {

// Makes the run's requests before the run asks for them, up to `jobs` at
// once, on one thread. It learns what the run will ask from the run's list
// and from scanning each page ahead, and asks only that, each URL once:
// every distinct URL text is requested once, and a listed page's one GET is
// its probe and the text of every line that lists it, also when a link of an
// earlier page reached it first, as long as the texts held stay within
// JobBook::kAheadBytes. The run itself stays sequential; when it asks, it gets the
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
//
// What to ask is the plan's (FetchPlan), what was asked the book's
// (JobBook); this drives: it waits for what the run needs, moves the
// transfers on, and makes each ended job's answer what its purpose wants.
class LookaheadFetcher : public UrlProber, public RunObserver, public RobotsSource {
public:
    explicit LookaheadFetcher(int jobs, HttpSettings settings = {});
    LookaheadFetcher(const LookaheadFetcher&) = delete;
    LookaheadFetcher& operator=(const LookaheadFetcher&) = delete;

    // Distinct hosts whose names are looked up at once.
    static constexpr int kMaxResolving = 6;

    ProbeResult Probe(const std::u16string& url) override;
    DocumentFactsPtr Document(const std::u16string& url, bool stylesheet) override;
    // The current line's page, as the page-download window operation.
    std::optional<DownloadedPage> DownloadText(const std::u16string& url);
    // The same exclusion as the run's, so nothing it skips is requested.
    void SetLinkExclusion(LinkExclusion exclusion) { plan_.SetLinkExclusion(std::move(exclusion)); }
    // The same checks as the run's, so what they need is fetched ahead.
    void SetContentChecks(ContentChecks checks)
    {
        plan_.SetContentChecks(checks);
        book_.documents().SetSlugs(checks.slugs);
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
    void SetAnswerCache(AnswerCache* cache) { book_.SetAnswerCache(cache); }
    // Not owned; null (the default) sleeps in curl's own poll.
    void SetNetworkWait(NetworkWait* wait)
    {
        wait_ = wait;
        runner_.SetNetworkWait(wait);
    }

    // Keeps the transfers moving until done() holds, for a front end that
    // waits on something of its own (a message the user must answer) while
    // pages are fetched ahead. False when the run was cancelled meanwhile.
    bool WaitUntil(const std::function<bool()>& done);
    // Ends the run's network work for good: what is in flight is dropped at
    // the next wait, nothing more is requested, and every later question is
    // answered at once as failed. A new run starts afresh.
    void Cancel() { cancelled_ = true; }

    void OnRunStart(const ListFile& list) override;
    void OnPageStart(const std::u16string& pageUrl, std::uint64_t offset) override;
    void OnCrawlPage(const std::u16string& scope, std::uint32_t depth) override;
    void OnPageText(const std::u16string& pageText, const std::u16string& pageUrl, const std::string& charset,
                    PageFormat format) override;
    void OnLinkJudged(const JudgedLink& link) override;

private:
    bool WaitFor(const FetchJobPtr& job);
    void DropEverything();
    void Finish(FetchJob& job);
    void FinishProbe(FetchJob& job);
    void FinishDocument(FetchJob& job);
    void FinishPage(FetchJob& job);
    bool LookAgain(FetchJob& job);

    std::size_t jobs_;
    HttpSettings settings_;
    bool cancelled_ = false;
    FetchRunner runner_;
    JobBook book_{runner_.queue(), settings_.verdict};
    FetchPlan plan_{book_, runner_.queue(), jobs_};
    SoftNotFound softNotFound_;
    const FetchJob* waitedFor_ = nullptr;  // by the run, now
    NetworkWait* wait_ = nullptr;
};

}  // namespace pardovane
