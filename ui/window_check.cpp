#include "ui/window_check.h"

#include "engine/setup/check_run.h"

#include <utility>

namespace pardovane {

// The patterns were checked as the file was read; one that fails now is a
// failure of the run, which the window reports as such.
WindowCheck::WindowCheck(RunView& window, NetworkWait& wait, const std::filesystem::path& listFile,
                         const RunSettings& settings)
    : run_(std::make_unique<CheckRun>(window, listFile, settings))
{
    run_->SetNetworkWait(wait);
}

WindowCheck::~WindowCheck() = default;

RunOutcome WindowCheck::Run()
{
    return run_->Run();
}

void WindowCheck::Cancel()
{
    run_->Cancel();
}

bool WindowCheck::WaitUntil(const std::function<bool()>& done)
{
    return run_->WaitUntil(done);
}

std::optional<DownloadedPage> WindowCheck::DownloadText(const std::u16string& url)
{
    return run_->DownloadText(url);
}

RunRecord& WindowCheck::record()
{
    return run_->record();
}

RunCounts WindowCheck::counts() const
{
    const CheckEngine& engine = std::as_const(*run_).engine();
    return {engine.state().checkedCount, engine.state().errorCount, engine.lastRun().badPages,
            engine.lastRun().warnings};
}

}  // namespace pardovane
