#include "engine/setup/run_setup.h"

#include "engine/setup/site_check.h"

namespace pardovane {

void SetUpRun(CheckEngine& engine, LookaheadFetcher& fetcher, const UrlExclusion& exclusion,
              const RunSettings& settings)
{
    if (!exclusion.empty()) {
        const LinkExclusion excluded = [&exclusion](std::u16string_view url) { return exclusion.Match(url); };
        engine.SetLinkExclusion(excluded);
        fetcher.SetLinkExclusion(excluded);
    }
    SetUpCrawl(engine, fetcher, settings.crawl);
    SetUpContentChecks(engine, fetcher, settings.checks);
    fetcher.SetSoftNotFound(settings.soft404);
    engine.AddObserver(fetcher);
}

}  // namespace pardovane
