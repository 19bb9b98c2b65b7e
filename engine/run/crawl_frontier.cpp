#include "engine/run/crawl_frontier.h"

#include "engine/page/url_parts.h"
#include "engine/page/utf_convert.h"

namespace pardovane {

void CrawlFrontier::Start(const CrawlSettings& settings, RobotsSource& robots)
{
    settings_ = settings;
    robots_ = &robots;
    scopeIds_.clear();
    scopes_.clear();
    pages_.clear();
    next_ = 0;
    startPages_ = 0;
    seen_.clear();
    left_.clear();
    html_.clear();
    finalUrls_.clear();
}

CrawlFrontier::Page CrawlFrontier::AddStart(std::u16string_view url, std::u16string_view finalUrl)
{
    ++startPages_;
    seen_.insert(url);
    if (finalUrl != url && !seen_.contains(finalUrl))
        seen_.insert(finalUrls_.emplace_back(finalUrl));
    std::u16string scope = DirectoryOf(finalUrl);
    auto found = scopeIds_.find(scope);
    if (found == scopeIds_.end()) {
        const auto id = static_cast<std::uint32_t>(scopes_.size());
        found = scopeIds_.emplace(scopes_.emplace_back(std::move(scope)), id).first;
    }
    return {url, found->second, 0};
}

void CrawlFrontier::Learn(std::u16string_view url, const ProbeResult& result)
{
    if (result.good() && result.html)
        html_.emplace(url, Utf8ToUtf16(result.movedTo));
}

bool CrawlFrontier::Allowed(std::u16string_view url) const
{
    return !settings_.obeyRobots || robots_->Allows(url);
}

void CrawlFrontier::Offer(std::u16string_view url, const Page& from)
{
    if (from.depth >= settings_.maxDepth || seen_.contains(url))
        return;
    const std::u16string& scope = scopes_[from.scope];
    const auto html = html_.find(url);
    if (html == html_.end() || !IsUnder(url, scope))
        return;
    const std::u16string& movedTo = html->second;
    if (!movedTo.empty() && !IsUnder(movedTo, scope))
        return;  // checked as a link, but the crawl stays where it started
    if (!Allowed(url) || (!movedTo.empty() && !Allowed(movedTo)))
        return;
    if (Full(pages_.size())) {
        left_.insert(url);
        return;
    }
    seen_.insert(url);
    pages_.push_back({url, from.scope, from.depth + 1});
}

std::optional<CrawlFrontier::Page> CrawlFrontier::Next()
{
    if (next_ == pages_.size())
        return std::nullopt;
    return pages_[next_++];
}

}  // namespace pardovane
