#include "engine/fetch/crawl_ahead.h"

#include "engine/http/robots_source.h"
#include "engine/page/url_parts.h"
#include "engine/page/utf_convert.h"

namespace pardovane {

void CrawlAhead::Follow(const CrawlFrontier& frontier, std::string agent)
{
    frontier_ = &frontier;
    agent_ = std::move(agent);
}

void CrawlAhead::Reset()
{
    robots_.clear();
    guessed_ = 0;
    queueRead_ = 0;
}

FetchJobPtr CrawlAhead::RobotsJob(const std::u16string& origin, FetchQueue& queue)
{
    FetchJobPtr& job = robotsJobs_[origin];
    if (!job) {
        job = std::make_shared<FetchJob>();
        job->transfer = HttpRequest::Kind::Download;
        job->url = RobotsUrlOf(origin);
        job->purpose = FetchPurpose::Robots;
        queue.Push(job, FetchQueue::kCritical, true);
    }
    return job;
}

void CrawlAhead::RobotsDone(FetchJob& job)
{
    if (job.request)
        job.download = job.request->TakeDownloadResult();
    job.request.reset();
    StoreAnswer(job.url, job.download);
    robotsJobs_.erase(OriginOf(job.url));
    job.download.reset();
}

const RobotsRules* CrawlAhead::Known(const std::u16string& origin) const
{
    const auto found = robots_.find(origin);
    return found == robots_.end() ? nullptr : &found->second;
}

const RobotsRules& CrawlAhead::Store(const std::u16string& origin, RobotsRules rules)
{
    return robots_.insert_or_assign(origin, std::move(rules)).first->second;
}

void CrawlAhead::StoreAnswer(const std::u16string& robotsUrl, const std::optional<DownloadResult>& answer)
{
    const bool answered = answer && answer->ok();
    Store(OriginOf(robotsUrl),
          RobotsRules::FromAnswer(answered ? answer->status : 0, answered ? answer->body : std::string_view(),
                                  agent_));
}

bool CrawlAhead::MayRead(const std::u16string& url, const ProbeResult& answer,
                         const std::u16string& scope) const
{
    if (!answer.html || !Allowed(url))
        return false;
    if (answer.movedTo.empty())
        return true;
    const std::u16string landed = Utf8ToUtf16(answer.movedTo);
    return IsUnder(landed, scope) && Allowed(landed);
}

bool CrawlAhead::RulesKnown(const std::u16string& url) const
{
    return !frontier_->settings().obeyRobots || Known(OriginOf(url));
}

bool CrawlAhead::Allowed(std::u16string_view url) const
{
    if (!frontier_->settings().obeyRobots)
        return true;
    const RobotsRules* rules = Known(OriginOf(url));
    const auto path = RobotsPathOf(url);
    return !rules || !path || rules->Allows(*path);
}

bool CrawlAhead::WillRead(std::u16string_view url, const std::u16string& scope, std::uint32_t depth)
{
    const CrawlSettings& settings = frontier_->settings();
    if (scope.empty() || depth >= settings.maxDepth || frontier_->Full(guessed_) || !IsUnder(url, scope))
        return false;
    if (!Allowed(url))
        return false;
    ++guessed_;
    return true;
}

}  // namespace pardovane
