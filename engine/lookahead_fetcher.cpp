#include "lookahead_fetcher.h"

#include "page_links.h"
#include "page_text_decoder.h"
#include "request_url.h"
#include "utf_convert.h"

namespace pardovane {
namespace {

// How long one wait on the network may last before the queues are looked at again.
constexpr int kPollMs = 100;

}  // namespace

LookaheadFetcher::LookaheadFetcher(std::filesystem::path listFile, int jobs, HttpSettings settings)
    : listFile_(std::move(listFile)), jobs_(jobs < 1 ? 1 : static_cast<std::size_t>(jobs)),
      settings_(settings)
{
    EnsureCurlGlobalInit();
    multi_.reset(curl_multi_init());
    if (multi_) {
        curl_multi_setopt(multi_.get(), CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(jobs_));
        curl_multi_setopt(multi_.get(), CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(jobs_));
    }
}

LookaheadFetcher::~LookaheadFetcher()
{
    for (auto& [easy, job] : inFlight_)
        curl_multi_remove_handle(multi_.get(), easy);
}

void LookaheadFetcher::OnRunStart()
{
    // A new run asks everything afresh, as its cache starts empty.
    for (auto& [easy, job] : inFlight_)
        curl_multi_remove_handle(multi_.get(), easy);
    inFlight_.clear();
    for (auto& queue : queues_)
        queue.clear();
    probes_.clear();
    verdicts_.clear();
    downloads_.clear();
    aheadLines_.clear();
    currentLine_ = 0;
    list_ = ListFile::Open(listFile_);
    ReadAhead();
}

void LookaheadFetcher::OnPageStart(const std::u16string&, std::uint64_t offset)
{
    currentLine_ = offset;
    currentPageScanned_ = false;
    while (!aheadLines_.empty() && aheadLines_.front().offset <= currentLine_)
        aheadLines_.pop_front();
    ReadAhead();
}

void LookaheadFetcher::OnPageText(const std::u16string& pageText, const std::u16string& pageUrl)
{
    if (currentPageScanned_)
        return;
    PrefetchLinks({pageText, pageUrl}, kCurrentPage);
}

void LookaheadFetcher::PrefetchLinks(const DownloadedPage& page, Priority priority)
{
    ForEachPageLink(page.text, page.url, exclusion_, [&](const PageLink& link) {
        if (link.target.probed())
            Prefetch(link.target.url, priority);
    });
}

ProbeResult LookaheadFetcher::Probe(const std::u16string& url)
{
    auto found = probes_.find(url);
    JobPtr job = found != probes_.end() ? found->second
                                        : Enqueue(HttpRequest::Kind::Probe, url, 0, kCritical);
    WaitFor(job);
    probes_.erase(url);
    verdicts_[url] = job->probe.good();
    QueueAheadDownloads();
    return job->probe;
}

std::optional<DownloadedPage> LookaheadFetcher::DownloadText(const std::u16string& url)
{
    auto found = downloads_.find(currentLine_);
    JobPtr job = found != downloads_.end() && found->second->url == url
        ? found->second
        : Enqueue(HttpRequest::Kind::Download, url, currentLine_, kCritical);
    WaitFor(job);
    downloads_.erase(currentLine_);
    currentPageScanned_ = job->scanned;
    return std::move(job->page);
}

void LookaheadFetcher::Prefetch(const std::u16string& url, Priority priority)
{
    // The empty URL is judged without a request, and anything asked once is
    // never asked again.
    if (url.empty() || verdicts_.contains(url))
        return;
    if (auto found = probes_.find(url); found != probes_.end()) {
        // Queued for later already: queue it again where it now belongs; the
        // copy left behind is skipped once started.
        if (priority == kCurrentPage && !found->second->started)
            queues_[priority].push_back(found->second);
        return;
    }
    Enqueue(HttpRequest::Kind::Probe, url, 0, priority);
}

LookaheadFetcher::JobPtr LookaheadFetcher::Enqueue(HttpRequest::Kind kind, const std::u16string& url,
                                                   std::uint64_t line, Priority priority)
{
    auto job = std::make_shared<Job>();
    job->kind = kind;
    job->url = url;
    job->line = line;
    if (kind == HttpRequest::Kind::Probe)
        probes_[url] = job;
    else
        downloads_[line] = job;
    queues_[priority].push_back(job);
    return job;
}

void LookaheadFetcher::WaitFor(const JobPtr& job)
{
    if (!job->started && !job->done)
        queues_[kCritical].push_front(job);
    while (!job->done)
        Pump();
}

void LookaheadFetcher::StartQueued()
{
    for (auto* queue = queues_; inFlight_.size() < jobs_ && queue != std::end(queues_);) {
        if (queue->empty()) {
            ++queue;
            continue;
        }
        JobPtr job = std::move(queue->front());
        queue->pop_front();
        if (job->started || job->done)
            continue;
        job->started = true;

        auto wire = RequestUrlFor(job->url);
        if (auto* failure = std::get_if<HttpFailure>(&wire)) {
            job->request.reset();
            job->probe = {0, *failure, "not requested"};
            Finish(*job);
            continue;
        }
        job->request = HttpRequest::Create(nullptr, settings_);
        if (!job->request || !multi_) {
            job->probe = {0, HttpFailure::NoRequestObject, "no request object"};
            Finish(*job);
            continue;
        }
        job->request->Start(std::get<std::string>(wire), job->kind);
        curl_multi_add_handle(multi_.get(), job->request->handle());
        inFlight_.emplace(job->request->handle(), job);
        ++requestsMade_;
    }
}

void LookaheadFetcher::Pump()
{
    StartQueued();
    if (inFlight_.empty())
        return;
    int running = 0;
    curl_multi_perform(multi_.get(), &running);
    bool finished = false;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* easy = message->easy_handle;
        const CURLcode code = message->data.result;
        auto found = inFlight_.find(easy);
        if (found == inFlight_.end())
            continue;
        JobPtr job = found->second;
        curl_multi_remove_handle(multi_.get(), easy);
        if (!job->request->HopDone(code)) {
            curl_multi_add_handle(multi_.get(), easy);  // the next hop of a redirect
            continue;
        }
        inFlight_.erase(found);
        Finish(*job);
        finished = true;
    }
    if (!finished)
        curl_multi_poll(multi_.get(), nullptr, 0, kPollMs, nullptr);
}

void LookaheadFetcher::Finish(Job& job)
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
        DownloadResult result = job.request->TakeDownloadResult();
        if (result.ok())
            job.page = DownloadedPage{DecodePageText(result.body, result.contentType),
                                      Utf8ToUtf16(result.url)};
    }
    job.request.reset();
    if (job.page && job.line != currentLine_) {
        // A later page: what its scan will probe can be asked now.
        job.scanned = true;
        PrefetchLinks(*job.page, kLaterPages);
    }
}

void LookaheadFetcher::ReadAhead()
{
    while (list_ && aheadLines_.size() < kLinesAhead && !list_->AtEnd()) {
        std::u16string url = list_->ReadLine();
        if (url.empty() || list_->offset() <= currentLine_)
            continue;
        Prefetch(url, kCritical);
        aheadLines_.push_back({std::move(url), list_->offset()});
    }
    QueueAheadDownloads();
}

void LookaheadFetcher::QueueAheadDownloads()
{
    for (AheadLine& line : aheadLines_) {
        if (line.downloadQueued)
            continue;
        const std::optional<bool> verdict = KnownVerdict(line.url);
        if (!verdict)
            continue;
        line.downloadQueued = true;
        if (*verdict)
            Enqueue(HttpRequest::Kind::Download, line.url, line.offset, kCritical);
    }
}

std::optional<bool> LookaheadFetcher::KnownVerdict(const std::u16string& url) const
{
    if (auto found = verdicts_.find(url); found != verdicts_.end())
        return found->second;
    if (auto found = probes_.find(url); found != probes_.end() && found->second->done)
        return found->second->probe.good();
    return std::nullopt;
}

}  // namespace pardovane
