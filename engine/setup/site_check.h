#pragma once

#include "engine/fetch/lookahead_fetcher.h"
#include "engine/page/local_folder.h"
#include "engine/run/check_engine.h"
#include "engine/run/crawl_settings.h"

namespace pardovane {

// What a front end calls to check more than the pages it lists; the window
// and the command line make the same calls.

// Every listed page starts a crawl (with settings.recurse): the engine
// decides which pages it reads, the fetcher fetches them ahead of it and
// gives it each site's robots.txt.
void SetUpCrawl(CheckEngine& engine, LookaheadFetcher& fetcher, const CrawlSettings& settings);

// What both judge beyond <a href> and <img src>.
void SetUpContentChecks(CheckEngine& engine, LookaheadFetcher& fetcher, ContentChecks checks);

// URLs under the folder's base URL are answered from its files, and its
// pages are named by their path in it. The folder must outlive the runs.
void SetUpLocalFolder(CheckEngine& engine, LookaheadFetcher& fetcher, const LocalFolder& folder);

}  // namespace pardovane
