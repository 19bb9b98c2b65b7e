#pragma once

#include "engine/fetch/lookahead_fetcher.h"
#include "engine/run/check_engine.h"
#include "engine/settings/run_settings.h"
#include "engine/settings/url_exclusion.h"

namespace pardovane {

// How a front end sets up a run from its settings; the window and the
// command line make the same calls.

// What the settings say beyond the fetcher's HttpSettings and jobs: the
// links excluded (by exclusion, built from them, which must outlive the
// runs), the content checks, the crawl and the soft 404s. The engine hears
// the fetcher.
void SetUpRun(CheckEngine& engine, LookaheadFetcher& fetcher, const UrlExclusion& exclusion,
              const RunSettings& settings);

}  // namespace pardovane
