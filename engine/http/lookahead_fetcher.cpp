#include "engine/http/lookahead_fetcher.h"

#include "engine/http/ca_environment.h"
#include "engine/page/page_links.h"
#include "engine/page/page_text_decoder.h"

#include <algorithm>

namespace pardovane {
namespace {

// How long one wait on the network may last before the queues are looked at again.
constexpr long kPollMs = 100;

std::size_t UrlHash(const std::u16string& url)
{
    return std::hash<std::u16string>{}(url);
}

DownloadedPage Decoded(const DownloadResult& download)
{
    return DecodePage(download.body, download.contentType, download.url);
}

}  // namespace

LookaheadFetcher::LookaheadFetcher(std::filesystem::path listFile, int jobs, HttpSettings settings)
    : listFile_(std::move(listFile)), jobs_(jobs < 1 ? 1 : static_cast<std::size_t>(jobs)),
      settings_(WithCaEnvironment(std::move(settings))), pool_(jobs_, settings_.maxPerHost),
      queue_(settings_.maxPerHost, kMaxResolving)
{
}

void LookaheadFetcher::OnRunStart()
{
    // A new run asks everything afresh, as its cache starts empty.
    DropEverything();
    cancelled_ = false;
    verdicts_.clear();
    currentLine_ = 0;
    currentUrl_.clear();
    CountListedPages();
    list_ = ListFile::Open(listFile_);
    ReadAhead();
}

// Which URLs the list names, and how often, so that a listed page met first
// as a link is fetched whole, once, for its line too.
void LookaheadFetcher::CountListedPages()
{
    listed_.clear();
    listedSites_.clear();
    for (auto list = ListFile::Open(listFile_); list && !list->AtEnd();) {
        const std::u16string url = list->ReadLine();
        if (!url.empty() && ++listed_[UrlHash(url)] == 1 && cache_)
            listedSites_.insert(RequestHostName(url));
    }
}

void LookaheadFetcher::DropEverything()
{
    pool_.TakeAll();
    queue_.Clear();
    probes_.clear();
    pages_.clear();
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
    if (auto found = listed_.find(UrlHash(pageUrl)); found != listed_.end() && --found->second == 0)
        listed_.erase(found);
    currentUrl_ = pageUrl;
    currentLine_ = offset;
    currentPageScanned_ = false;
    std::erase_if(undecided_, [&](const AheadLine* line) { return line->offset <= currentLine_; });
    while (!aheadLines_.empty() && aheadLines_.front().offset <= currentLine_)
        aheadLines_.pop_front();
    ReadAhead();
}

void LookaheadFetcher::OnPageText(const std::u16string& pageText, const std::u16string& pageUrl,
                                  const std::string& charset)
{
    if (currentPageScanned_)
        return;
    PrefetchLinks({pageText, pageUrl, charset}, FetchQueue::kCurrentPage);
}

void LookaheadFetcher::PrefetchLinks(const DownloadedPage& page, Priority priority)
{
    ForEachPageLink(page.text, page.url, page.charset, exclusion_, [&](const PageLink& link) {
        if (link.target.probed())
            Prefetch(link.target.url, priority);
    });
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

void LookaheadFetcher::Prefetch(const std::u16string& url, Priority priority)
{
    // The empty URL is judged without a request, and anything asked once is
    // never asked again.
    if (url.empty() || verdicts_.contains(UrlHash(url)))
        return;
    if (auto found = probes_.find(url); found != probes_.end()) {
        // Queued for later already: queue it again where it now belongs; the
        // copy left behind is skipped once started.
        if (priority == FetchQueue::kCurrentPage && !found->second->started)
            queue_.Push(found->second, priority);
        return;
    }
    // A listed page met as a link: its one GET is this probe and its text.
    if (Listed(url) && !pages_.contains(url) && aheadBytes_ < kAheadBytes) {
        FetchListedPage(url, true, priority);
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
    queue_.Push(job, priority);
    return job;
}

// servesProbe: no verdict is known yet, and the GET gives it.
LookaheadFetcher::JobPtr LookaheadFetcher::FetchListedPage(const std::u16string& url, bool servesProbe,
                                                           Priority priority)
{
    JobPtr job = Enqueue(HttpRequest::Kind::Download, url, priority);
    job->servesProbe = servesProbe;
    if (servesProbe)
        probes_[url] = job;
    return job;
}

bool LookaheadFetcher::WaitFor(const JobPtr& job)
{
    if (!job->started && !job->done)
        queue_.Push(job, FetchQueue::kCritical, true);
    return WaitUntil([&job] { return job->done; });
}

bool LookaheadFetcher::WaitUntil(const std::function<bool()>& done)
{
    while (!done()) {
        if (cancelled_) {
            DropEverything();
            return false;
        }
        Pump();
    }
    return true;
}

void LookaheadFetcher::StartQueued()
{
    const auto now = HostGate::Clock::now();
    while (pool_.size() < jobs_) {
        const JobPtr job = queue_.Next(now, [this](FetchJob& refused) { Finish(refused); });
        if (!job)
            break;
        if (job->started)
            AddToMulti(job);  // a retry now due
        else
            StartJob(job);
    }
}

void LookaheadFetcher::StartJob(const JobPtr& job)
{
    job->started = true;
    job->request = HttpRequest::Create(nullptr, settings_);
    if (!job->request || !pool_.usable()) {
        queue_.gate().Finished(job->host);
        job->request.reset();
        job->probe = ProbeResult::Failed(HttpFailure::NoRequestObject, "no request object");
        Finish(*job);
        return;
    }
    job->request->Start(job->wire, job->kind);
    AddToMulti(job);
}

void LookaheadFetcher::AddToMulti(const JobPtr& job)
{
    if (const CURLMcode code = pool_.Add(job); code != CURLM_OK) {
        queue_.gate().Finished(job->host);
        job->probe = ProbeResult::Failed(HttpFailure::NoRequestObject, curl_multi_strerror(code));
        job->request.reset();
        Finish(*job);
    }
}

void LookaheadFetcher::Pump()
{
    StartQueued();
    if (const CURLMcode code = pool_.Perform(); code != CURLM_OK) {
        FailInFlight(curl_multi_strerror(code));
        return;
    }
    // Hosts whose first request got through to them open up to their limit.
    pool_.ForEach([this](FetchJob& job) {
        if (job.request->connected())
            queue_.gate().Reached(job.host);
    });
    if (pool_.TakeEnded([this](const JobPtr& job, CURLcode code) { HandleDone(job, code); }))
        return;
    // Also with nothing on the network: queued work waits for a host to open
    // up, and a front end may be waiting on its own user meanwhile.
    if (const CURLMcode code = pool_.Wait(queue_.WaitMs(HostGate::Clock::now(), kPollMs)); code != CURLM_OK)
        FailInFlight(curl_multi_strerror(code));
}

void LookaheadFetcher::HandleDone(const JobPtr& job, CURLcode code)
{
    HttpRequest& request = *job->request;
    const bool ended = request.HopDone(code);
    if (!ended && !request.retrying()) {
        AddToMulti(job);  // the next hop of a redirect
        return;
    }
    queue_.gate().Finished(job->host);
    if (!ended) {
        if (request.hostOverloaded())
            queue_.gate().Throttled(job->host, request.notBefore());
        queue_.Retry(job);
        return;
    }
    Finish(*job);
    ReadAhead();
}

// The multi handle itself broke: nothing in it can finish any more.
void LookaheadFetcher::FailInFlight(const char* why)
{
    for (const JobPtr& job : pool_.TakeAll()) {
        queue_.gate().Finished(job->host);
        job->request.reset();
        job->probe = ProbeResult::Failed(HttpFailure::Transfer, why);
        Finish(*job);
    }
}

void LookaheadFetcher::Finish(FetchJob& job)
{
    job.done = true;
    if (job.kind == HttpRequest::Kind::Probe) {
        if (job.request)
            job.probe = job.request->TakeProbeResult();
        job.request.reset();
        if (cache_ && !ListedSite(job.url))
            cache_->Remember(job.url, job.probe);
        QueueAheadDownloads();
        return;
    }
    if (job.request) {
        if (job.servesProbe)
            job.probe = job.request->TakeProbeResult();
        DownloadResult result = job.request->TakeDownloadResult();
        // A page whose probe is bad is never asked for.
        if (result.ok() && (!job.servesProbe || job.probe.good()))
            job.download = std::move(result);
    }
    job.request.reset();
    if (auto held = pages_.find(job.url);
        held != pages_.end() && held->second.get() == &job && job.download) {
        job.heldBytes = job.download->body.size();
        aheadBytes_ += job.heldBytes;
    }
    if (job.servesProbe)
        QueueAheadDownloads();
    if (job.download && job.url != currentUrl_) {
        // A later page: what its scan will probe can be asked now.
        job.scanned = true;
        PrefetchLinks(Decoded(*job.download), FetchQueue::kLaterPages);
    }
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

// Whether a line the run has not passed yet lists url.
bool LookaheadFetcher::Listed(const std::u16string& url) const
{
    return !url.empty() && listed_.contains(UrlHash(url));
}

// More lines while the jobs could use more work and the pages held ahead
// leave room.
bool LookaheadFetcher::WantsMoreLines() const
{
    return aheadBytes_ < kAheadBytes && queue_.size() < jobs_ * kQueuedPerJob;
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
    QueueAheadDownloads();
}

void LookaheadFetcher::ReadAheadLine(const std::u16string& url)
{
    aheadLines_.push_back({url, list_->offset()});
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
