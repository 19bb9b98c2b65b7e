#include "engine/report/run_record.h"

namespace pardovane {

void RunRecord::OnRunStart(const ListFile&)
{
    pages_.clear();
    links_.clear();
    urls_.clear();
    for (RecordListener* listener : listeners_)
        listener->OnRecordCleared();
}

void RunRecord::OnPageStart(const std::u16string& pageUrl, std::uint64_t)
{
    if (keep_ == Keep::CurrentPage) {
        pages_.clear();
        links_.clear();
    }
    PageRecord page;
    pageUrl_ = pageUrl;
    page.url = NameOf(pageUrl);
    page.file = FileOf(pageUrl);
    page.firstLink = links_.size();
    pages_.push_back(std::move(page));
}

UrlEntry& RunRecord::Entry(const std::u16string& url)
{
    const auto [entry, added] = urls_.try_emplace(url);
    if (added && names_) {
        std::u16string name = names_(url);
        if (name != url)
            entry->second.name = std::move(name);
    }
    return *entry;
}

UrlEntry& RunRecord::SheetEntry(const std::u16string& url)
{
    UrlEntry& entry = Entry(url);
    if (entry.second.file.empty())
        entry.second.file = FileOf(url);
    return entry;
}

// Where a link's record goes: a new one kept for the run, or, when only the
// current page is kept, one reused for every link, so that a finding on its
// way to the listeners costs no allocation.
LinkRecord& RunRecord::NewLink(const std::u16string& text)
{
    LinkRecord& link = keep_ == Keep::CurrentPage ? scratch_ : links_.emplace_back();
    std::u16string buffer = std::move(link.link);  // keeps its capacity
    link = LinkRecord{};
    link.link = std::move(buffer);
    link.link.assign(text);
    return link;
}

void RunRecord::Added(const LinkRecord& link)
{
    PageRecord& page = pages_.back();
    const bool broken = link.broken();
    const bool warned = link.warned();
    page.badLinks += broken ? 1 : 0;
    page.warnedLinks += warned ? 1 : 0;
    if (broken || warned)
        for (RecordListener* listener : listeners_)
            listener->OnFinding(page, link);
    if (keep_ != Keep::CurrentPage)
        ++page.linkCount;
}

void RunRecord::OnLinkJudged(const JudgedLink& link)
{
    // A good link without a warning costs nothing unless every link is kept.
    if (pages_.empty() || !Recorded(!link.good, link.warned))
        return;
    LinkRecord& record = NewLink(link.text);
    record.target = &Entry(link.url);
    record.good = link.good;
    record.element = link.element;
    record.fragmentMissing = link.fragmentMissing;
    record.sheet = link.sheet ? &SheetEntry(*link.sheet) : nullptr;
    record.line = link.place.line;
    record.column = link.place.column;
    Added(record);
}

void RunRecord::OnLinkSkipped(const std::u16string& linkText, const LinkTarget& target,
                              LinkScanner::Element element, TextPlace place)
{
    if (pages_.empty() || !Recorded(false, false))
        return;
    // The scheme or the matching pattern follows from the URL alone.
    UrlEntry& entry = Entry(target.url);
    if (entry.second.skipDetail.empty())
        entry.second.skipDetail = target.detail;
    LinkRecord& record = NewLink(linkText);
    record.target = &entry;
    record.kind = target.kind;
    record.element = element;
    record.line = place.line;
    record.column = place.column;
    Added(record);
}

void RunRecord::OnPageEnd(bool reachable, bool downloaded)
{
    if (pages_.empty())
        return;
    PageRecord& page = pages_.back();
    page.reachable = reachable;
    page.downloaded = downloaded;
    if (const auto found = urls_.find(pageUrl_); found != urls_.end() && found->second.probe)
        page.probe = found->second.probe;
    for (RecordListener* listener : listeners_)
        listener->OnPageRecorded(page);
}

void RunRecord::OnProbe(const std::u16string& url, const ProbeResult& result)
{
    // A good answer without a warning is kept by URL only where every link
    // is kept; the page being recorded keeps its own.
    if (Recorded(!result.good(), result.good() && result.warned()))
        Entry(url).second.probe = result;
    else if (url == pageUrl_ && !pages_.empty())
        pages_.back().probe = result;
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

std::string LinkReason(const LinkRecord& link)
{
    return link.fragmentMissing ? "fragment not found" : ProbeReason(link.probe());
}

}  // namespace pardovane
