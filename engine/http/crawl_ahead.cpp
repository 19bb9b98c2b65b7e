#include "engine/http/crawl_ahead.h"

#include "engine/http/robots_source.h"
#include "engine/page/url_parts.h"

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

const RobotsRules* CrawlAhead::Known(const std::u16string& origin) const
{
    const auto found = robots_.find(origin);
    return found == robots_.end() ? nullptr : &found->second;
}

const RobotsRules& CrawlAhead::Store(const std::u16string& origin, RobotsRules rules)
{
    return robots_.insert_or_assign(origin, std::move(rules)).first->second;
}

bool CrawlAhead::WillRead(std::u16string_view url, const std::u16string& scope, std::uint32_t depth)
{
    const CrawlSettings& settings = frontier_->settings();
    if (scope.empty() || depth >= settings.maxDepth || guessed_ >= settings.maxPages || !IsUnder(url, scope))
        return false;
    if (settings.obeyRobots) {
        const RobotsRules* rules = Known(OriginOf(url));
        const auto path = RobotsPathOf(url);
        if (rules && path && !rules->Allows(*path))
            return false;
    }
    ++guessed_;
    return true;
}

}  // namespace pardovane
