#include "engine/fetch/fetch_runner.h"

#include "engine/page/markdown_page.h"
#include "engine/page/utf_convert.h"

namespace pardovane {

FetchRunner::FetchRunner(std::size_t jobs, HttpSettings settings, int maxResolving, Done done)
    : jobs_(jobs), settings_(std::move(settings)), pool_(jobs_, settings_.maxPerHost),
      queue_(settings_.maxPerHost, maxResolving), done_(std::move(done))
{
}

void FetchRunner::Clear()
{
    pool_.TakeAll();
    queue_.Clear();
    requests_ = 0;
}

void FetchRunner::StartQueued()
{
    const auto now = HostGate::Clock::now();
    while (pool_.size() < jobs_) {
        const FetchJobPtr job = queue_.Next(now, [this](FetchJob& refused) { done_(refused); });
        if (!job)
            break;
        if (job->started())
            AddToMulti(job);  // a retry now due
        else
            StartJob(job);
    }
}

void FetchRunner::StartJob(const FetchJobPtr& job)
{
    job->MoveTo(JobState::Sent);
    if (local_ && local_->Covers(job->url)) {
        queue_.gate().Reached(job->host);
        queue_.gate().Finished(job->host);
        AnswerFromFolder(*job);
        done_(*job);
        return;
    }
    job->request = HttpRequest::Create(nullptr, settings_);
    if (!job->request || !pool_.usable()) {
        queue_.gate().Finished(job->host);
        job->request.reset();
        job->probe = ProbeResult::Failed(HttpFailure::NoRequestObject, "no request object");
        done_(*job);
        return;
    }
    job->request->Start(job->wire, job->transfer);
    AddToMulti(job);
}

// What a server publishing the folder would answer: the file, or 404's
// equivalent for one it does not hold.
void FetchRunner::AnswerFromFolder(FetchJob& job) const
{
    const auto file = local_->FileFor(job.url);
    if (!file) {
        job.probe = ProbeResult::Failed(HttpFailure::FileNotFound, {});
        return;
    }
    job.probe = {};
    job.probe.status = 200;
    job.probe.html = LocalFolder::IsPageFile(*file);
    const bool markdown = LocalFolder::IsMarkdownFile(*file);
    settings_.verdict.Judge(job.probe);
    if (job.transfer == HttpRequest::Kind::Probe
        || (job.transfer == HttpRequest::Kind::HtmlDownload && !job.probe.html && !markdown))
        return;
    // A file above the cap is there, but has no text to read, as a page
    // whose body failed after its status.
    if (auto bytes = LocalFolder::Read(*file, settings_.downloadCapBytes)) {
        job.download.emplace();
        job.download->status = 200;
        job.download->body = std::move(*bytes);
        job.download->contentType = job.probe.html ? "text/html" : markdown ? kMarkdownType : "";
        job.download->url = Utf16ToUtf8(job.url);
    }
}

void FetchRunner::AddToMulti(const FetchJobPtr& job)
{
    if (const CURLMcode code = pool_.Add(job); code != CURLM_OK) {
        queue_.gate().Finished(job->host);
        job->probe = ProbeResult::Failed(HttpFailure::NoRequestObject, curl_multi_strerror(code));
        job->request.reset();
        done_(*job);
        return;
    }
    ++requests_;
}

bool FetchRunner::Pump(long sliceMs)
{
    StartQueued();
    if (const CURLMcode code = pool_.Perform(); code != CURLM_OK) {
        FailInFlight(curl_multi_strerror(code));
        return true;
    }
    // Hosts whose first request got through to them open up to their limit.
    pool_.ForEach([this](FetchJob& job) {
        if (job.request->connected())
            queue_.gate().Reached(job.host);
    });
    if (pool_.TakeEnded([this](const FetchJobPtr& job, CURLcode code) { HandleDone(job, code); }))
        return true;
    // Also with nothing on the network: queued work waits for a host to open
    // up, and a front end may be waiting on its own user meanwhile.
    if (const CURLMcode code = pool_.Wait(queue_.WaitMs(HostGate::Clock::now(), sliceMs)); code != CURLM_OK) {
        FailInFlight(curl_multi_strerror(code));
        return true;
    }
    return false;
}

void FetchRunner::HandleDone(const FetchJobPtr& job, CURLcode code)
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
    done_(*job);
}

// The multi handle itself broke: nothing in it can finish any more.
void FetchRunner::FailInFlight(const char* why)
{
    for (const FetchJobPtr& job : pool_.TakeAll()) {
        queue_.gate().Finished(job->host);
        job->request.reset();
        job->probe = ProbeResult::Failed(HttpFailure::Transfer, why);
        done_(*job);
    }
}

}  // namespace pardovane
