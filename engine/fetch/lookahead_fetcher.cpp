#include "engine/fetch/lookahead_fetcher.h"

#include "engine/http/ca_environment.h"
#include "engine/http/header_scope.h"
#include "engine/http/retry_policy.h"
#include "engine/page/page_text_decoder.h"

#include <memory>
#include <unordered_set>

namespace pardovane {
namespace {

// How long one wait on the network may last before the queues are looked at again.
constexpr long kPollMs = 100;

}  // namespace

LookaheadFetcher::LookaheadFetcher(int jobs, HttpSettings settings)
    : jobs_(jobs < 1 ? 1 : static_cast<std::size_t>(jobs)),
      settings_(WithCaEnvironment(std::move(settings))),
      runner_(jobs_, settings_, kMaxResolving, [this](FetchJob& job) { Finish(job); })
{
}

void LookaheadFetcher::OnRunStart(const ListFile& list)
{
    // A new run asks everything afresh, as its cache starts empty.
    DropEverything();
    cancelled_ = false;
    book_.Clear(true);
    softNotFound_.Clear();
    const bool scoped = HeadersDependOnOrigin(settings_);
    plan_.Start(list, scoped);
    if (scoped) {
        // The run's own pages are those of this list, as it reads now.
        auto origins = std::make_shared<std::unordered_set<std::string>>(book_.listed().origins());
        if (settings_.credentialOrigins)
            origins->insert(settings_.credentialOrigins->begin(), settings_.credentialOrigins->end());
        runner_.SetCredentialOrigins(std::move(origins));
    }
}

void LookaheadFetcher::DropEverything()
{
    runner_.Clear();
    book_.Clear(false);
    plan_.Stop();
}

void LookaheadFetcher::OnPageStart(const std::u16string& pageUrl, std::uint64_t offset)
{
    plan_.PageStarted(pageUrl, offset);
}

void LookaheadFetcher::FollowCrawl(const CrawlFrontier& frontier)
{
    plan_.crawl().Follow(frontier,
                         ProductToken(settings_.userAgent.empty() ? "Pardovane" : settings_.userAgent));
}

void LookaheadFetcher::OnCrawlPage(const std::u16string& scope, std::uint32_t depth)
{
    plan_.CrawlPageStarted(scope, depth);
}

void LookaheadFetcher::OnPageText(const std::u16string& pageText, const std::u16string& pageUrl,
                                  const std::string& charset, PageFormat format)
{
    plan_.PageText(pageText, pageUrl, charset, format);
}

void LookaheadFetcher::OnLinkJudged(const JudgedLink& link)
{
    plan_.LinkJudged(link.url);
}

DocumentFactsPtr LookaheadFetcher::Document(const std::u16string& url, bool stylesheet)
{
    DocumentAhead& documents = book_.documents();
    // A listed page on its way gives its ids as it comes.
    if (const FetchJobPtr page = book_.PageOf(url); page && plan_.checks().fragments && !documents.Known(url))
        if (!WaitFor(page))
            return nullptr;
    if (DocumentFactsPtr known = documents.Find(url))
        return known;
    FetchJobPtr job = documents.Pending(url);
    if (!job)
        job = book_.AskDocument(url, stylesheet, FetchQueue::kCritical, 0);
    if (!WaitFor(job))
        return nullptr;
    return documents.Find(url);
}

const RobotsRules& LookaheadFetcher::RobotsFor(const std::u16string& origin)
{
    CrawlAhead& crawl = plan_.crawl();
    if (const RobotsRules* known = crawl.Known(origin))
        return *known;
    if (!WaitFor(crawl.RobotsJob(origin, runner_.queue())))
        return crawl.Store(origin, RobotsRules::DisallowAll());  // cancelled: read nothing more
    return *crawl.Known(origin);
}

ProbeResult LookaheadFetcher::Probe(const std::u16string& url)
{
    FetchJobPtr job = book_.ProbeOf(url);
    if (!job)
        job = book_.Ask(url, FetchQueue::kCritical);
    if (!WaitFor(job))
        return ProbeResult::Failed(HttpFailure::Transfer, "cancelled");
    book_.Took(url, job->probe.good());
    plan_.QueueAheadDownloads();
    return job->probe;
}

std::optional<DownloadedPage> LookaheadFetcher::DownloadText(const std::u16string& url)
{
    FetchJobPtr job = book_.PageOf(url);
    if (!job)
        job = book_.AskPage(url, false, FetchQueue::kCritical);
    if (!WaitFor(job))
        return std::nullopt;
    std::optional<DownloadedPage> page;
    if (job->download)
        page = DecodePage(job->download->body, job->download->contentType, job->download->url);
    plan_.PageTaken(url, job->scanned);
    return page;
}

bool LookaheadFetcher::WaitFor(const FetchJobPtr& job)
{
    if (wait_)
        wait_->BeforeQuestion();
    if (!job->started())
        runner_.queue().Push(job, FetchQueue::kCritical, true);
    waitedFor_ = job.get();
    const bool done = WaitUntil([&job] { return job->done(); });
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
            plan_.ReadAhead();
    }
    return true;
}

// Every job ends here, however it ended: its answer is made what its
// purpose wants.
void LookaheadFetcher::Finish(FetchJob& job)
{
    job.MoveTo(JobState::Done);
    switch (job.purpose) {
    case FetchPurpose::Robots:
        plan_.crawl().RobotsDone(job);
        return;
    case FetchPurpose::NotFound:
        softNotFound_.Learn(job);
        runner_.queue().Release(job.host);
        return;
    case FetchPurpose::Probe:
        FinishProbe(job);
        return;
    case FetchPurpose::Document:
        FinishDocument(job);
        return;
    case FetchPurpose::ListedPage:
    case FetchPurpose::CrawledPage:
        FinishPage(job);
        return;
    }
}

void LookaheadFetcher::FinishProbe(FetchJob& job)
{
    std::optional<DownloadResult> sample;
    if (job.request) {
        job.probe = job.request->TakeProbeResult();
        if (job.transfer == HttpRequest::Kind::Sample)
            sample = job.request->TakeDownloadResult();
    }
    job.request.reset();
    if (LookAgain(job))
        return;
    softNotFound_.Judge(job, job.probe, sample);
    book_.Remember(job);
    plan_.QueueAheadDownloads();
}

void LookaheadFetcher::FinishDocument(FetchJob& job)
{
    if (job.servesProbe && job.request) {
        // Its verdict first: DocumentAhead takes what is left.
        job.probe = job.request->TakeProbeResult();
        job.download = job.request->TakeDownloadResult();
        job.request.reset();
        if (LookAgain(job))
            return;
        softNotFound_.Judge(job, job.probe, job.download);
    }
    // A stylesheet's own links are fetched ahead as a page's are.
    plan_.SheetArrived(book_.documents().Finish(job, plan_.checks().fragments, plan_.exclusion())->sheetLinks,
                       job.sheetDepth + 1);
    plan_.QueueAheadDownloads();
}

void LookaheadFetcher::FinishPage(FetchJob& job)
{
    if (job.request) {
        if (job.servesProbe)
            job.probe = job.request->TakeProbeResult();
        std::optional<DownloadResult> result = job.request->TakeDownloadResult();
        if (job.servesProbe)
            softNotFound_.Judge(job, job.probe, result);
        // A page whose probe is bad is never asked for, nor read by a crawl
        // when it is not HTML.
        const bool crawled = job.purpose == FetchPurpose::CrawledPage;
        if (result->ok() && (!job.servesProbe || job.probe.good())
            && (!crawled || plan_.crawl().MayRead(job.url, job.probe, job.place.scope)))
            job.download = std::move(result);
    }
    job.request.reset();
    // A page's ids are all a #fragment elsewhere asks of it.
    if (plan_.checks().fragments && job.download)
        book_.documents().StorePage(job.url, *job.download, plan_.exclusion());
    book_.Hold(job);
    if (job.servesProbe)
        plan_.QueueAheadDownloads();
    plan_.PageArrived(job);
}

bool LookaheadFetcher::LookAgain(FetchJob& job)
{
    if (job.secondLook || !book_.HoldsProbe(job) || !MayPassLater(job.probe)
        || book_.listed().ListedSite(job.url))
        return false;
    job.secondLook = true;
    job.MoveTo(JobState::Foreseen);
    job.probe = {};
    job.download.reset();
    job.notBefore = HostGate::Clock::now() + std::chrono::milliseconds(settings_.retryDelayMs);
    const FetchJobPtr held = book_.ProbeOf(job.url);
    if (&job == waitedFor_)
        runner_.queue().Push(held, FetchQueue::kCritical, true);
    else
        runner_.queue().Push(held, FetchQueue::kSecondLook);
    return true;
}

}  // namespace pardovane
