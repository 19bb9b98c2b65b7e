#include "engine/http/lookahead_fetcher.h"

#include "engine/http/ca_environment.h"
#include "engine/page/page_links.h"
#include "engine/page/page_text_decoder.h"
#include "engine/http/request_url.h"

#include <algorithm>

namespace pardovane {
namespace {

// How long one wait on the network may last before the queues are looked at again.
constexpr long kPollMs = 100;

// A ticket is its priority in the top bits, then its order: counted up from
// the middle for work queued last, down for work put first.
constexpr int kPriorityShift = 56;
constexpr HostGate::Ticket kMiddleTicket = HostGate::Ticket{1} << (kPriorityShift - 1);

std::size_t UrlHash(const std::u16string& url)
{
    return std::hash<std::u16string>{}(url);
}

std::size_t TextBytes(const std::optional<DownloadedPage>& page)
{
    return page ? page->text.size() * sizeof(char16_t) : 0;
}

}  // namespace

LookaheadFetcher::LookaheadFetcher(std::filesystem::path listFile, int jobs, HttpSettings settings)
    : listFile_(std::move(listFile)), jobs_(jobs < 1 ? 1 : static_cast<std::size_t>(jobs)),
      settings_(WithCaEnvironment(std::move(settings))), pool_(jobs_, settings_.maxPerHost),
      gate_(settings_.maxPerHost, kMaxResolving), lastTicket_(kMiddleTicket), firstTicket_(kMiddleTicket)
{
}

LookaheadFetcher::~LookaheadFetcher() = default;

void LookaheadFetcher::OnRunStart()
{
    // A new run asks everything afresh, as its cache starts empty.
    DropEverything();
    cancelled_ = false;
    verdicts_.clear();
    currentLine_ = 0;
    list_ = ListFile::Open(listFile_);
    ReadAhead();
}

void LookaheadFetcher::DropEverything()
{
    pool_.TakeAll();
    waiting_.clear();
    // The gate holds the tickets of the queued work; it goes with them.
    gate_ = HostGate(settings_.maxPerHost, kMaxResolving);
    arrivals_.clear();
    queued_.clear();
    lastTicket_ = firstTicket_ = kMiddleTicket;
    probes_.clear();
    downloads_.clear();
    aheadBytes_ = 0;
    aheadLines_.clear();
    undecided_.clear();
    list_.reset();
}

void LookaheadFetcher::OnPageStart(const std::u16string&, std::uint64_t offset)
{
    // Pages of lines the run passed without downloading them (bad ones).
    std::vector<std::uint64_t> passed;
    for (const auto& [line, job] : downloads_) {
        if (line <= currentLine_)
            passed.push_back(line);
    }
    for (std::uint64_t line : passed)
        DropDownload(line);
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
    PrefetchLinks({pageText, pageUrl, charset}, kCurrentPage);
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
                                        : Enqueue(HttpRequest::Kind::Probe, url, 0, kCritical);
    if (!WaitFor(job))
        return {0, HttpFailure::Transfer, "cancelled"};
    probes_.erase(url);
    verdicts_[UrlHash(url)] = job->probe.good();
    QueueAheadDownloads();
    return job->probe;
}

std::optional<DownloadedPage> LookaheadFetcher::DownloadText(const std::u16string& url)
{
    auto found = downloads_.find(currentLine_);
    JobPtr job = found != downloads_.end() && found->second->url == url
        ? found->second
        : Enqueue(HttpRequest::Kind::Download, url, currentLine_, kCritical);
    if (!WaitFor(job))
        return std::nullopt;
    DropDownload(currentLine_);
    currentPageScanned_ = job->scanned;
    std::optional<DownloadedPage> page = std::move(job->page);
    ReadAhead();
    return page;
}

void LookaheadFetcher::DropDownload(std::uint64_t line)
{
    auto found = downloads_.find(line);
    if (found == downloads_.end())
        return;
    if (found->second->done)
        aheadBytes_ -= TextBytes(found->second->page);
    downloads_.erase(found);
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
        if (priority == kCurrentPage && !found->second->started)
            Queue(found->second, priority);
        return;
    }
    Enqueue(HttpRequest::Kind::Probe, url, 0, priority);
}

LookaheadFetcher::JobPtr LookaheadFetcher::Enqueue(HttpRequest::Kind kind, const std::u16string& url,
                                                   std::uint64_t line, Priority priority)
{
    auto job = std::make_shared<FetchJob>();
    job->kind = kind;
    job->url = url;
    job->line = line;
    if (kind == HttpRequest::Kind::Probe)
        probes_[url] = job;
    else
        downloads_[line] = job;
    Queue(job, priority);
    return job;
}

void LookaheadFetcher::Queue(const JobPtr& job, Priority priority, bool first)
{
    const HostGate::Ticket order = first ? --firstTicket_ : ++lastTicket_;
    arrivals_.emplace_back((HostGate::Ticket{priority} << kPriorityShift) | order, job);
}

bool LookaheadFetcher::WaitFor(const JobPtr& job)
{
    if (!job->started && !job->done)
        Queue(job, kCritical, true);
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
    // Retries first: they were started before anything still queued.
    for (auto it = waiting_.begin(); it != waiting_.end() && pool_.size() < jobs_;) {
        JobPtr job = *it;
        if (job->request->notBefore() > now || !gate_.MayStart(job->host, now)) {
            ++it;
            continue;
        }
        it = waiting_.erase(it);
        gate_.Started(job->host);
        AddToMulti(job);
    }
    // Then by ticket, from the hosts that may take one; the rest wait in the
    // gate without being looked at.
    QueueArrivals();
    while (pool_.size() < jobs_) {
        const std::optional<HostGate::Ticket> ticket = gate_.Next(now);
        if (!ticket)
            break;
        const auto found = queued_.find(*ticket);
        const JobPtr job = std::move(found->second);
        queued_.erase(found);
        if (!job->started && !job->done)
            StartJob(job);
    }
}

// New work learns its host and waits in the gate; a URL that may not be
// requested is judged at once.
void LookaheadFetcher::QueueArrivals()
{
    while (!arrivals_.empty()) {
        auto [ticket, job] = std::move(arrivals_.front());
        arrivals_.pop_front();
        if (job->started || job->done)
            continue;
        if (job->wire.empty()) {
            auto wire = RequestUrlFor(job->url);
            if (auto* failure = std::get_if<HttpFailure>(&wire)) {
                job->started = true;
                job->probe = {0, *failure, "not requested"};
                Finish(*job);  // what it queues arrives behind
                continue;
            }
            job->wire = std::move(std::get<std::string>(wire));
            job->host = HostKey(job->wire);
        }
        gate_.Queue(job->host, ticket);
        queued_.emplace(ticket, std::move(job));
    }
}

void LookaheadFetcher::StartJob(const JobPtr& job)
{
    job->started = true;
    job->request = HttpRequest::Create(nullptr, settings_);
    if (!job->request || !pool_.usable()) {
        job->probe = {0, HttpFailure::NoRequestObject, "no request object"};
        Finish(*job);
        return;
    }
    job->request->Start(job->wire, job->kind);
    gate_.Started(job->host);
    AddToMulti(job);
}

void LookaheadFetcher::AddToMulti(const JobPtr& job)
{
    if (const CURLMcode code = pool_.Add(job); code != CURLM_OK) {
        gate_.Finished(job->host);
        job->probe = {0, HttpFailure::NoRequestObject, curl_multi_strerror(code)};
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
            gate_.Reached(job.host);
    });
    if (pool_.TakeEnded([this](const JobPtr& job, CURLcode code) { HandleDone(job, code); }))
        return;
    // Also with nothing on the network: queued work waits for a host to open
    // up, and a front end may be waiting on its own user meanwhile.
    if (const CURLMcode code = pool_.Wait(PollMs()); code != CURLM_OK)
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
    gate_.Finished(job->host);
    if (!ended) {
        if (request.hostOverloaded())
            gate_.Throttled(job->host, request.notBefore());
        waiting_.push_back(job);
        return;
    }
    Finish(*job);
    ReadAhead();
}

// The multi handle itself broke: nothing in it can finish any more.
void LookaheadFetcher::FailInFlight(const char* why)
{
    for (const JobPtr& job : pool_.TakeAll()) {
        gate_.Finished(job->host);
        job->request.reset();
        job->probe = {0, HttpFailure::Transfer, why};
        Finish(*job);
    }
}

// Until the first retry or paused host is due, within the usual slice.
long LookaheadFetcher::PollMs() const
{
    const auto now = HostGate::Clock::now();
    auto wake = now + std::chrono::milliseconds(kPollMs);
    for (const JobPtr& job : waiting_)
        wake = std::min(wake, job->request->notBefore());
    if (auto opening = gate_.NextOpening(now))
        wake = std::min(wake, *opening);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
    return std::max<long>(1, static_cast<long>(ms));
}

void LookaheadFetcher::Finish(FetchJob& job)
{
    job.done = true;
    if (job.kind == HttpRequest::Kind::Probe) {
        if (job.request)
            job.probe = job.request->TakeProbeResult();
        job.request.reset();
        QueueAheadDownloads();
        return;
    }
    if (job.request) {
        if (job.servesProbe)
            job.probe = job.request->TakeProbeResult();
        DownloadResult result = job.request->TakeDownloadResult();
        // A page whose probe is bad is never asked for.
        if (result.ok() && (!job.servesProbe || job.probe.good()))
            job.page = DecodePage(result.body, result.contentType, result.url);
    }
    job.request.reset();
    if (auto held = downloads_.find(job.line); held != downloads_.end() && held->second.get() == &job)
        aheadBytes_ += TextBytes(job.page);
    if (job.servesProbe)
        QueueAheadDownloads();
    if (job.page && job.line != currentLine_) {
        // A later page: what its scan will probe can be asked now.
        job.scanned = true;
        PrefetchLinks(*job.page, kLaterPages);
    }
}

std::size_t LookaheadFetcher::QueuedCount() const
{
    return arrivals_.size() + queued_.size();
}

// More lines while the jobs could use more work and the pages held ahead
// leave room.
bool LookaheadFetcher::WantsMoreLines() const
{
    return aheadBytes_ < kAheadBytes && QueuedCount() < jobs_ * kQueuedPerJob;
}

void LookaheadFetcher::ReadAhead()
{
    if (cancelled_)
        return;
    while (list_ && !list_->AtEnd() && (aheadLines_.empty() || WantsMoreLines())) {
        std::u16string url = list_->ReadLine();
        if (!url.empty() && list_->offset() > currentLine_)
            ReadAheadLine(std::move(url));
    }
    QueueAheadDownloads();
}

void LookaheadFetcher::ReadAheadLine(std::u16string url)
{
    const std::uint64_t line = list_->offset();
    if (!verdicts_.contains(UrlHash(url)) && !probes_.contains(url)) {
        JobPtr job = Enqueue(HttpRequest::Kind::Download, url, line, kCritical);
        job->servesProbe = true;
        probes_[url] = job;
        aheadLines_.push_back({std::move(url), line, true});
        return;
    }
    Prefetch(url, kCritical);
    aheadLines_.push_back({std::move(url), line});
    undecided_.push_back(&aheadLines_.back());
}

void LookaheadFetcher::QueueAheadDownloads()
{
    std::erase_if(undecided_, [&](AheadLine* line) {
        const std::optional<bool> verdict = KnownVerdict(line->url);
        if (!verdict)
            return false;
        line->downloadQueued = true;
        if (*verdict)
            Enqueue(HttpRequest::Kind::Download, line->url, line->offset, kCritical);
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
