#include "cli/run_record.h"

#include <algorithm>

namespace pardovane {

bool PageRecord::good() const
{
    return reachable && downloaded && badLinks() == 0;
}

int PageRecord::badLinks() const
{
    return static_cast<int>(
        std::count_if(links.begin(), links.end(), [](const LinkRecord& link) { return link.broken(); }));
}

void RunRecord::OnRunStart()
{
    pages_.clear();
    answers_.clear();
}

void RunRecord::OnPageStart(const std::u16string& pageUrl, std::uint64_t)
{
    PageRecord page;
    page.url = pageUrl;
    pages_.push_back(std::move(page));
}

void RunRecord::OnLinkJudged(const std::u16string& linkText, const std::u16string& url, bool good)
{
    if (pages_.empty())
        return;
    LinkRecord link;
    link.link = linkText;
    link.url = url;
    link.good = good;
    link.probe = AnswerFor(url);
    pages_.back().links.push_back(std::move(link));
}

void RunRecord::OnLinkSkipped(const std::u16string& linkText, const LinkTarget& target)
{
    if (pages_.empty())
        return;
    LinkRecord link;
    link.link = linkText;
    link.url = target.url;
    link.kind = target.kind;
    link.skipDetail = target.detail;
    pages_.back().links.push_back(std::move(link));
}

void RunRecord::OnPageEnd(bool reachable, bool downloaded)
{
    if (pages_.empty())
        return;
    PageRecord& page = pages_.back();
    page.reachable = reachable;
    page.downloaded = downloaded;
    page.probe = AnswerFor(page.url);
}

void RunRecord::OnProbe(const std::u16string& url, const ProbeResult& result)
{
    answers_.insert_or_assign(url, result);
}

std::optional<ProbeResult> RunRecord::AnswerFor(const std::u16string& url) const
{
    auto found = answers_.find(url);
    if (found == answers_.end())
        return std::nullopt;
    return found->second;
}

std::string ProbeReason(const std::optional<ProbeResult>& probe)
{
    if (!probe)
        return "not requested";
    if (probe->failure != HttpFailure::None)
        return HttpFailureName(probe->failure);
    if (probe->status > 0)
        return "HTTP " + std::to_string(probe->status);
    return "no status";
}

}  // namespace pardovane
