#include "engine/fetch/lookahead_fetcher.h"

#include "engine/fetch/url_hash.h"
#include "engine/http/ca_environment.h"
#include "engine/http/header_scope.h"
#include "engine/http/retry_policy.h"
#include "engine/page/page_links.h"
#include "engine/page/page_text_decoder.h"
#include "engine/page/url_parts.h"
#include "engine/page/utf_convert.h"

#include <algorithm>

namespace pardovane {
namespace {

// How long one wait on the network may last before the queues are looked at again.
constexpr long kPollMs = 100;

DownloadedPage Decoded(const DownloadResult& download)
{
    return DecodePage(download.body, download.contentType, download.url);
}

}  // namespace

LookaheadFetcher::LookaheadFetcher(std::filesystem::path listFile, int jobs, HttpSettings settings)
    : listFile_(std::move(listFile)), jobs_(jobs < 1 ? 1 : static_cast<std::size_t>(jobs)),
      settings_(WithCaEnvironment(std::move(settings))),
      runner_(jobs_, settings_, kMaxResolving, [this](FetchJob& job) { Finish(job); })
{
}

void LookaheadFetcher::OnRunStart()
{
    // A new run asks everything afresh, as its cache starts empty.
    DropEverything();
    cancelled_ = false;
    verdicts_.clear();
    crawl_.Reset();
    softNotFound_.Clear();
    currentPlace_ = {};
    currentLine_ = 0;
    currentUrl_.clear();
    const bool scoped = HeadersDependOnOrigin(settings_);
    listed_.Count(listFile_, scoped);
    if (scoped) {
        // The run's own pages are those of this list, as it reads now.
        auto origins = std::make_shared<std::unordered_set<std::string>>(listed_.origins());
        if (settings_.credentialOrigins)
            origins->insert(settings_.credentialOrigins->begin(), settings_.credentialOrigins->end());
        runner_.SetCredentialOrigins(std::move(origins));
    }
    list_ = ListFile::Open(listFile_);
    ReadAhead();
}

void LookaheadFetcher::DropEverything()
{
    runner_.Clear();
    probes_.clear();
    pages_.clear();
    documents_.Clear();
    crawl_.DropJobs();
    aheadBytes_ = 0;
    aheadLines_.clear();
    undecided_.clear();
    list_.reset();
}

void LookaheadFetcher::OnPageStart(const std::u16string& pageUrl, std::uint64_t offset)
{
    // The line before is passed; a page no later line lists goes with it.
    if (!Listed(currentUrl_))
        ForgetPage(currentUrl_);
    listed_.Pass(pageUrl);
    currentUrl_ = pageUrl;
    currentLine_ = offset;
    currentPageScanned_ = false;
    std::erase_if(undecided_, [&](const AheadLine* line) { return line->offset <= currentLine_; });
    while (!aheadLines_.empty() && aheadLines_.front().offset <= currentLine_)
        aheadLines_.pop_front();
    ReadAhead();
}

void LookaheadFetcher::FollowCrawl(const CrawlFrontier& frontier)
{
    crawl_.Follow(frontier, ProductToken(settings_.userAgent.empty() ? "Pardovane" : settings_.userAgent));
}

void LookaheadFetcher::OnCrawlPage(const std::u16string& scope, std::uint32_t depth)
{
    currentPlace_ = {scope, depth};
}

void LookaheadFetcher::OnPageText(const std::u16string& pageText, const std::u16string& pageUrl,
                                  const std::string& charset, PageFormat format)
{
    const CrawlPlace place = std::exchange(currentPlace_, {});
    if (currentPageScanned_)
        return;
    PrefetchLinks({pageText, pageUrl, charset, format == PageFormat::Markdown}, FetchQueue::kCurrentPage,
                  place);
}

// A page the run judged without reading it: a guess of ours that it would
// be a page of the crawl, held for nothing.
void LookaheadFetcher::OnLinkJudged(const JudgedLink& link)
{
    const std::u16string& url = link.url;
    if (crawl_.on() && pages_.contains(url) && !Listed(url) && !crawl_.frontier().Seen(url))
        ForgetPage(url);
}

void LookaheadFetcher::PrefetchLinks(const DownloadedPage& page, Priority priority, const CrawlPlace& place)
{
    ForEachPageLink(
        page.text, page.url, page.charset, exclusion_,
        [&](const PageLink& link) { PrefetchLink(link, priority, &place, 0); }, checks_.resources,
        page.markdown ? PageFormat::Markdown : PageFormat::Html);
}

// A link whose target the run will read, a stylesheet or a page its
// #fragment points into, is fetched whole; any other is probed.
void LookaheadFetcher::PrefetchLink(const PageLink& link, Priority priority, const CrawlPlace* place,
                                    int sheetDepth)
{
    if (!link.target.probed())
        return;
    const std::u16string& url = link.target.url;
    const bool stylesheet = link.stylesheet && checks_.resources;
    const bool fragment = checks_.fragments && link.target.hasFragment && !link.target.fragment.empty();
    if ((stylesheet || fragment) && !documents_.Known(url) && !pages_.contains(url) && !Listed(url)
        && KnownVerdict(url).value_or(true) && sheetDepth < kMostSheetDepth)
        FetchDocument(url, stylesheet, priority, sheetDepth);
    else
        Prefetch(url, priority, place);
}

// One GET gives the verdict too, unless the URL was asked already.
LookaheadFetcher::JobPtr LookaheadFetcher::FetchDocument(const std::u16string& url, bool stylesheet,
                                                         Priority priority, int sheetDepth)
{
    // Only a plain probe becomes the document's GET: a page's download
    // stays the page's.
    const auto probe = probes_.find(url);
    const JobPtr unsent
        = probe != probes_.end() && !probe->second->started && probe->second->kind == HttpRequest::Kind::Probe
        ? probe->second
        : nullptr;
    const bool asked = probe != probes_.end() || verdicts_.contains(UrlHash(url));
    JobPtr job = documents_.Fetch(url, stylesheet, priority, sheetDepth, unsent, asked);
    if (job->servesProbe)
        probes_[url] = job;
    return job;
}

DocumentFactsPtr LookaheadFetcher::Document(const std::u16string& url, bool stylesheet)
{
    // A listed page on its way gives its ids as it comes.
    if (auto page = pages_.find(url); page != pages_.end() && checks_.fragments && !documents_.Known(url))
        if (!WaitFor(page->second))
            return nullptr;
    if (DocumentFactsPtr known = documents_.Find(url))
        return known;
    JobPtr job = documents_.Pending(url);
    if (!job)
        job = FetchDocument(url, stylesheet, FetchQueue::kCritical, 0);
    if (!WaitFor(job))
        return nullptr;
    return documents_.Find(url);
}

const RobotsRules& LookaheadFetcher::RobotsFor(const std::u16string& origin)
{
    if (const RobotsRules* known = crawl_.Known(origin))
        return *known;
    if (!WaitFor(crawl_.RobotsJob(origin, runner_.queue())))
        return crawl_.Store(origin, RobotsRules::DisallowAll());  // cancelled: read nothing more
    return *crawl_.Known(origin);
}

ProbeResult LookaheadFetcher::Probe(const std::u16string& url)
{
    auto found = probes_.find(url);
    JobPtr job = found != probes_.end() ? found->second
                                        : Enqueue(HttpRequest::Kind::Probe, url, FetchQueue::kCritical);
    if (!WaitFor(job))
        return ProbeResult::Failed(HttpFailure::Transfer, "cancelled");
    probes_.erase(url);
    verdicts_[UrlHash(url)] = job->probe.good();
    QueueAheadDownloads();
    return job->probe;
}

std::optional<DownloadedPage> LookaheadFetcher::DownloadText(const std::u16string& url)
{
    auto found = pages_.find(url);
    JobPtr job = found != pages_.end() ? found->second : FetchListedPage(url, false, FetchQueue::kCritical);
    if (!WaitFor(job))
        return std::nullopt;
    currentPageScanned_ = job->scanned;
    std::optional<DownloadedPage> page;
    if (job->download)
        page = Decoded(*job->download);
    if (!Listed(url))
        ForgetPage(url);  // else a later line lists it too
    ReadAhead();
    return page;
}

// from: the place of the page that links to url, in a crawl.
void LookaheadFetcher::Prefetch(const std::u16string& url, Priority priority, const CrawlPlace* from)
{
    // The empty URL is judged without a request, and anything asked once is
    // never asked again.
    if (url.empty() || verdicts_.contains(UrlHash(url)))
        return;
    if (auto found = probes_.find(url); found != probes_.end()) {
        // Queued for later already: queue it again where it now belongs; the
        // copy left behind is skipped once started.
        if (priority == FetchQueue::kCurrentPage && !found->second->started)
            runner_.queue().Push(found->second, priority);
        return;
    }
    // A listed page met as a link: its one GET is this probe and its text.
    if (Listed(url) && !pages_.contains(url) && aheadBytes_ < kAheadBytes) {
        FetchListedPage(url, true, priority);
        return;
    }
    // A page the crawl will read, if it is HTML: the same, and its links
    // are fetched ahead in turn.
    if (crawl_.on() && from && !pages_.contains(url) && aheadBytes_ < kAheadBytes
        && crawl_.WillRead(url, from->scope, from->depth)) {
        if (crawl_.frontier().settings().obeyRobots && !crawl_.Known(OriginOf(url)))
            crawl_.RobotsJob(OriginOf(url), runner_.queue());
        JobPtr job = FetchListedPage(url, true, priority, HttpRequest::Kind::CrawledPage);
        job->place = {from->scope, from->depth + 1};
        return;
    }
    Enqueue(HttpRequest::Kind::Probe, url, priority);
}

LookaheadFetcher::JobPtr LookaheadFetcher::Enqueue(HttpRequest::Kind kind, const std::u16string& url,
                                                   Priority priority)
{
    auto job = std::make_shared<FetchJob>();
    job->kind = kind;
    job->url = url;
    if (kind == HttpRequest::Kind::Probe)
        probes_[url] = job;
    else
        pages_[url] = job;
    std::optional<ProbeResult> kept;
    if (kind == HttpRequest::Kind::Probe && cache_ && !ListedSite(url)
        && (kept = cache_->Fresh(url, settings_.verdict))) {
        job->probe = std::move(*kept);
        job->started = job->done = true;
        return job;
    }
    runner_.queue().Push(job, priority);
    return job;
}

// servesProbe: no verdict is known yet, and the GET gives it.
LookaheadFetcher::JobPtr LookaheadFetcher::FetchListedPage(const std::u16string& url, bool servesProbe,
                                                           Priority priority, HttpRequest::Kind kind)
{
    JobPtr job = Enqueue(kind, url, priority);
    job->servesProbe = servesProbe;
    if (servesProbe)
        probes_[url] = job;
    return job;
}

bool LookaheadFetcher::WaitFor(const JobPtr& job)
{
    if (!job->started && !job->done)
        runner_.queue().Push(job, FetchQueue::kCritical, true);
    waitedFor_ = job.get();
    const bool done = WaitUntil([&job] { return job->done; });
    waitedFor_ = nullptr;
    return done;
}

bool LookaheadFetcher::WaitUntil(const std::function<bool()>& done)
{
    while (!done()) {
        if (cancelled_) {
            DropEverything();
            return false;
        }
        if (runner_.Pump(kPollMs))
            ReadAhead();
    }
    return true;
}

void LookaheadFetcher::Finish(FetchJob& job)
{
    job.done = true;
    if (job.robots) {
        crawl_.RobotsDone(job);
        return;
    }
    if (job.notFound) {
        softNotFound_.Learn(job);
        runner_.queue().Release(job.host);
        return;
    }
    if (job.document && job.servesProbe && job.request) {
        // Its verdict first: DocumentAhead takes what is left.
        job.probe = job.request->TakeProbeResult();
        job.download = job.request->TakeDownloadResult();
        job.request.reset();
        if (LookAgain(job))
            return;
        softNotFound_.Judge(job, job.probe, job.download);
    }
    if (job.document) {
        // A stylesheet's own links are fetched ahead as a page's are.
        for (const PageLink& link : documents_.Finish(job, checks_.fragments, exclusion_)->sheetLinks)
            PrefetchLink(link, FetchQueue::kLaterPages, nullptr, job.sheetDepth + 1);
        QueueAheadDownloads();
        return;
    }
    if (job.kind == HttpRequest::Kind::Probe || job.kind == HttpRequest::Kind::Sample) {
        std::optional<DownloadResult> sample;
        if (job.request) {
            job.probe = job.request->TakeProbeResult();
            if (job.kind == HttpRequest::Kind::Sample)
                sample = job.request->TakeDownloadResult();
        }
        job.request.reset();
        if (LookAgain(job))
            return;
        softNotFound_.Judge(job, job.probe, sample);
        if (cache_ && !ListedSite(job.url))
            cache_->Remember(job.url, job.probe);
        QueueAheadDownloads();
        return;
    }
    if (job.request) {
        if (job.servesProbe)
            job.probe = job.request->TakeProbeResult();
        std::optional<DownloadResult> result = job.request->TakeDownloadResult();
        if (job.servesProbe)
            softNotFound_.Judge(job, job.probe, result);
        // A page whose probe is bad is never asked for, nor read by a crawl
        // when it is not HTML.
        const bool crawled = job.kind == HttpRequest::Kind::CrawledPage;
        if (result->ok() && (!job.servesProbe || job.probe.good())
            && (!crawled || crawl_.MayRead(job.url, job.probe, job.place.scope)))
            job.download = std::move(result);
    }
    job.request.reset();
    // A page's ids are all a #fragment elsewhere asks of it.
    if (checks_.fragments && job.download)
        documents_.StorePage(job.url, *job.download, exclusion_);
    if (auto held = pages_.find(job.url);
        held != pages_.end() && held->second.get() == &job && job.download) {
        job.heldBytes = job.download->body.size();
        aheadBytes_ += job.heldBytes;
    }
    if (job.servesProbe)
        QueueAheadDownloads();
    // A guessed page whose site's rules are still on their way is scanned
    // by the run, if it reads it, not ahead: its links may be forbidden.
    const bool guessed = job.kind == HttpRequest::Kind::CrawledPage;
    if (job.download && job.url != currentUrl_ && (!guessed || crawl_.RulesKnown(job.url))) {
        // A later page: what its scan will probe can be asked now. A listed
        // one starts a crawl of its own.
        job.scanned = true;
        if (crawl_.on() && job.kind == HttpRequest::Kind::Download && job.place.scope.empty())
            job.place.scope = DirectoryOf(Utf8ToUtf16(job.download->url));
        PrefetchLinks(Decoded(*job.download), FetchQueue::kLaterPages, job.place);
    }
}

bool LookaheadFetcher::LookAgain(FetchJob& job)
{
    const auto held = probes_.find(job.url);
    if (job.secondLook || held == probes_.end() || held->second.get() != &job || !MayPassLater(job.probe)
        || ListedSite(job.url))
        return false;
    job.secondLook = true;
    job.started = job.done = false;
    job.probe = {};
    job.download.reset();
    job.notBefore = HostGate::Clock::now() + std::chrono::milliseconds(settings_.retryDelayMs);
    if (&job == waitedFor_)
        runner_.queue().Push(held->second, FetchQueue::kCritical, true);
    else
        runner_.queue().Push(held->second, FetchQueue::kSecondLook);
    return true;
}

void LookaheadFetcher::ForgetPage(const std::u16string& url)
{
    auto found = pages_.find(url);
    if (found == pages_.end())
        return;
    FetchJob& job = *found->second;
    aheadBytes_ -= job.heldBytes;
    job.heldBytes = 0;
    job.download.reset();
    pages_.erase(found);
}

// More lines while the jobs could use more work and the pages held ahead
// leave room.
bool LookaheadFetcher::WantsMoreLines() const
{
    return aheadBytes_ < kAheadBytes && runner_.queue().size() < jobs_ * kQueuedPerJob;
}

void LookaheadFetcher::ReadAhead()
{
    if (cancelled_)
        return;
    while (list_ && !list_->AtEnd() && (aheadLines_.empty() || WantsMoreLines())) {
        std::u16string url = list_->ReadLine();
        if (!url.empty() && list_->offset() > currentLine_)
            ReadAheadLine(url);
    }
    if (crawl_.on() && list_ && list_->AtEnd())
        ReadAheadFound();
    QueueAheadDownloads();
}

// The pages the run's crawl has queued, read ahead as the list's lines are.
void LookaheadFetcher::ReadAheadFound()
{
    const CrawlFrontier& found = crawl_.frontier();
    std::size_t& next = crawl_.queueRead();
    for (next = std::max(next, found.position()); next < found.size() && WantsMoreLines(); ++next) {
        const std::u16string url(found[next].url);
        if (!pages_.contains(url))
            FetchListedPage(url, false, FetchQueue::kCritical)->place
                = {found.ScopeOf(found[next]), found[next].depth};
    }
}

void LookaheadFetcher::ReadAheadLine(const std::u16string& url)
{
    aheadLines_.push_back({url, list_->offset()});
    if (crawl_.on() && crawl_.frontier().settings().obeyRobots && !crawl_.Known(OriginOf(url)))
        crawl_.RobotsJob(OriginOf(url), runner_.queue());
    if (pages_.contains(url))
        return;  // fetched already, for a link or an earlier line
    if (!verdicts_.contains(UrlHash(url)) && !probes_.contains(url)) {
        FetchListedPage(url, true, FetchQueue::kCritical);
        return;
    }
    Prefetch(url, FetchQueue::kCritical);
    undecided_.push_back(&aheadLines_.back());
}

void LookaheadFetcher::QueueAheadDownloads()
{
    std::erase_if(undecided_, [&](AheadLine* line) {
        const std::optional<bool> verdict = KnownVerdict(line->url);
        if (!verdict)
            return false;
        if (*verdict && !pages_.contains(line->url))
            FetchListedPage(line->url, false, FetchQueue::kCritical);
        return true;
    });
}

std::optional<bool> LookaheadFetcher::KnownVerdict(const std::u16string& url) const
{
    if (auto found = verdicts_.find(UrlHash(url)); found != verdicts_.end())
        return found->second;
    if (auto found = probes_.find(url); found != probes_.end() && found->second->done)
        return found->second->probe.good();
    return std::nullopt;
}

}  // namespace pardovane
