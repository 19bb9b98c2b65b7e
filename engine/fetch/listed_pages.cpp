#include "engine/fetch/listed_pages.h"

#include "engine/fetch/url_hash.h"
#include "engine/http/request_url.h"

namespace pardovane {

void ListedPages::Count(ListFile list, bool origins)
{
    lines_.clear();
    sites_.clear();
    origins_.clear();
    while (!list.AtEnd()) {
        const std::u16string url = list.ReadLine();
        if (url.empty() || ++lines_[UrlHash(url)] != 1)
            continue;
        sites_.insert(RequestHostName(url));
        if (origins)
            origins_.insert(RequestOrigin(url));
    }
}

void ListedPages::Pass(const std::u16string& url)
{
    if (auto found = lines_.find(UrlHash(url)); found != lines_.end() && --found->second == 0)
        lines_.erase(found);
}

bool ListedPages::Listed(const std::u16string& url) const
{
    return !url.empty() && lines_.contains(UrlHash(url));
}

bool ListedPages::ListedSite(const std::u16string& url) const
{
    return sites_.contains(RequestHostName(url));
}

}  // namespace pardovane
