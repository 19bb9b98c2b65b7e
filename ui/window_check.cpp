#include "ui/window_check.h"

#include "engine/fetch/lookahead_fetcher.h"
#include "engine/run/check_engine.h"
#include "engine/settings/url_exclusion.h"
#include "engine/setup/run_setup.h"

#include <stdexcept>

namespace pardovane {

struct WindowCheck::Parts {
    Parts(RunView& window, const std::filesystem::path& listFile, const RunSettings& settings)
        : fetcher(listFile, JobsOf(settings), settings.http), engine(window, fetcher, listFile)
    {
    }

    UrlExclusion exclusion;  // before the two that hold on to it
    LookaheadFetcher fetcher;
    CheckEngine engine;
};

WindowCheck::WindowCheck(RunView& window, NetworkWait& wait, const std::filesystem::path& listFile,
                         const RunSettings& settings)
    : parts_(std::make_unique<Parts>(window, listFile, settings))
{
    // The patterns were checked as the file was read; one that fails now is
    // a failure of the run, which the window reports as such.
    std::string error;
    for (const std::string& pattern : settings.excludes)
        if (!parts_->exclusion.Add(pattern, error))
            throw std::invalid_argument(error);
    parts_->fetcher.SetNetworkWait(&wait);
    SetUpRun(parts_->engine, parts_->fetcher, parts_->exclusion, settings);
}

WindowCheck::~WindowCheck() = default;

RunOutcome WindowCheck::Run()
{
    parts_->engine.RunCheck();
    return parts_->engine.lastRun();
}

void WindowCheck::Cancel()
{
    parts_->engine.Cancel();
    parts_->fetcher.Cancel();
}

bool WindowCheck::WaitUntil(const std::function<bool()>& done)
{
    return parts_->fetcher.WaitUntil(done);
}

std::optional<DownloadedPage> WindowCheck::DownloadText(const std::u16string& url)
{
    return parts_->fetcher.DownloadText(url);
}

RunRecord& WindowCheck::record()
{
    return parts_->engine.record();
}

RunCounts WindowCheck::counts() const
{
    const CheckEngine& engine = parts_->engine;
    return {engine.state().checkedCount, engine.state().errorCount, engine.lastRun().badPages,
            engine.lastRun().warnings};
}

}  // namespace pardovane
