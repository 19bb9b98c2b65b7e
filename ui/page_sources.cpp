#include "ui/page_sources.h"

#include <utility>

namespace pardovane {

void PageSources::Offer(const std::u16string& text)
{
    offered_.assign(text);  // keeps its capacity from page to page
    offeredNow_ = true;
}

const std::u16string* PageSources::Find(const std::u16string& page) const
{
    const auto found = kept_.find(page);
    return found == kept_.end() ? nullptr : &found->second;
}

void PageSources::OnRecordCleared()
{
    kept_.clear();
    used_ = 0;
    offeredNow_ = false;
}

void PageSources::OnPageRecorded(const PageRecord& page)
{
    const bool offered = std::exchange(offeredNow_, false);
    const bool finding = page.badLinks > 0 || page.warnedLinks > 0;
    if (!offered || !page.downloaded || !finding || used_ + offered_.size() > budget_
        || kept_.contains(page.url))
        return;
    used_ += offered_.size();
    kept_.emplace(page.url, offered_);
}

}  // namespace pardovane
