#include "engine/setup/site_check.h"

namespace pardovane {

void SetUpCrawl(CheckEngine& engine, LookaheadFetcher& fetcher, const CrawlSettings& settings)
{
    engine.SetCrawl(settings, fetcher);
    if (settings.recurse)
        fetcher.FollowCrawl(engine.frontier());
}

void SetUpContentChecks(CheckEngine& engine, LookaheadFetcher& fetcher, ContentChecks checks)
{
    engine.SetContentChecks(checks);
    fetcher.SetContentChecks(checks);
}

void SetUpLocalFolder(CheckEngine& engine, LookaheadFetcher& fetcher, const LocalFolder& folder)
{
    fetcher.SetLocalFolder(&folder);
    engine.SetPageNames([&folder](std::u16string_view url) { return folder.NameOf(url); });
}

}  // namespace pardovane
