#pragma once

#include "engine/check_engine.h"
#include "engine/http/lookahead_fetcher.h"
#include "engine/http/network_wait.h"
#include "engine/run_settings.h"
#include "engine/url_exclusion.h"
#include "engine/window_operations.h"

#include <filesystem>

namespace pardovane {

// What one press of Check runs: the fetcher and the engine, set up from the
// settings read at that press, as pardovane-check sets them up from the
// same settings. Made anew for each run, so an edited configuration file
// counts without a restart.
class WindowCheck {
public:
    WindowCheck(WindowOperations& window, NetworkWait& wait, const std::filesystem::path& listFile,
                const RunSettings& settings);
    WindowCheck(const WindowCheck&) = delete;
    WindowCheck& operator=(const WindowCheck&) = delete;

    LookaheadFetcher& fetcher() { return fetcher_; }
    CheckEngine& engine() { return engine_; }

private:
    UrlExclusion exclusion_;  // before the two that hold on to it
    LookaheadFetcher fetcher_;
    CheckEngine engine_;
};

}  // namespace pardovane
