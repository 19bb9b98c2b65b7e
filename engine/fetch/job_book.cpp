#include "engine/fetch/job_book.h"

#include "engine/fetch/url_hash.h"

namespace pardovane {

void JobBook::Clear(bool forgetVerdicts)
{
    probes_.clear();
    pages_.clear();
    documents_.Clear();
    aheadBytes_ = 0;
    if (forgetVerdicts)
        verdicts_.clear();
}

FetchJobPtr JobBook::Add(FetchPurpose purpose, const std::u16string& url)
{
    auto job = std::make_shared<FetchJob>();
    job->purpose = purpose;
    job->url = url;
    return job;
}

FetchJobPtr JobBook::Ask(const std::u16string& url, Priority priority)
{
    FetchJobPtr job = Add(FetchPurpose::Probe, url);
    probes_[url] = job;
    if (cache_ && !listed_.ListedSite(url)) {
        if (std::optional<ProbeResult> kept = cache_->Fresh(url, rules_)) {
            job->probe = std::move(*kept);
            job->MoveTo(JobState::Done);
            return job;
        }
    }
    queue_.Push(job, priority);
    return job;
}

FetchJobPtr JobBook::AskPage(const std::u16string& url, bool servesProbe, Priority priority,
                             FetchPurpose purpose)
{
    FetchJobPtr job = Add(purpose, url);
    job->transfer
        = purpose == FetchPurpose::CrawledPage ? HttpRequest::Kind::HtmlDownload : HttpRequest::Kind::Download;
    job->servesProbe = servesProbe;
    pages_[url] = job;
    if (servesProbe)
        probes_[url] = job;
    queue_.Push(job, priority);
    return job;
}

FetchJobPtr JobBook::AskDocument(const std::u16string& url, bool stylesheet, Priority priority, int sheetDepth)
{
    // Only a plain probe becomes the document's GET: a page's download
    // stays the page's.
    const auto probe = probes_.find(url);
    const FetchJobPtr unsent = probe != probes_.end() && !probe->second->started()
            && probe->second->purpose == FetchPurpose::Probe
        ? probe->second
        : nullptr;
    const bool asked = probe != probes_.end() || verdicts_.contains(UrlHash(url));
    FetchJobPtr job = documents_.Fetch(url, stylesheet, priority, sheetDepth, unsent, asked);
    if (job->servesProbe)
        probes_[url] = job;
    return job;
}

FetchJobPtr JobBook::ProbeOf(const std::u16string& url) const
{
    const auto found = probes_.find(url);
    return found == probes_.end() ? nullptr : found->second;
}

FetchJobPtr JobBook::PageOf(const std::u16string& url) const
{
    const auto found = pages_.find(url);
    return found == pages_.end() ? nullptr : found->second;
}

bool JobBook::Asked(const std::u16string& url) const
{
    return probes_.contains(url) || Taken(url);
}

bool JobBook::Taken(const std::u16string& url) const
{
    return verdicts_.contains(UrlHash(url));
}

std::optional<bool> JobBook::KnownVerdict(const std::u16string& url) const
{
    if (auto found = verdicts_.find(UrlHash(url)); found != verdicts_.end())
        return found->second;
    if (auto found = probes_.find(url); found != probes_.end() && found->second->done())
        return found->second->probe.good();
    return std::nullopt;
}

void JobBook::Took(const std::u16string& url, bool good)
{
    probes_.erase(url);
    verdicts_[UrlHash(url)] = good;
}

bool JobBook::HoldsProbe(const FetchJob& job) const
{
    const auto found = probes_.find(job.url);
    return found != probes_.end() && found->second.get() == &job;
}

void JobBook::Hold(FetchJob& job)
{
    if (auto held = pages_.find(job.url); held != pages_.end() && held->second.get() == &job && job.download) {
        job.heldBytes = job.download->body.size();
        aheadBytes_ += job.heldBytes;
    }
}

void JobBook::ForgetPage(const std::u16string& url)
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

void JobBook::Remember(const FetchJob& job)
{
    if (cache_ && !listed_.ListedSite(job.url))
        cache_->Remember(job.url, job.probe);
}

}  // namespace pardovane
