#pragma once

#include "engine/page/downloaded_page.h"
#include "engine/report/run_record.h"
#include "engine/run/run_outcome.h"
#include "engine/run/run_view.h"
#include "engine/settings/run_settings.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pardovane {

class CheckRun;
class NetworkWait;

// What one press of Check runs: a CheckRun set up from the settings read at
// that press, as pardovane-check sets one up from the same settings. Made
// anew for each run, so an edited configuration file counts without a
// restart. The window sees only this, so that none of its files compiles
// the fetcher and curl.
class WindowCheck {
public:
    WindowCheck(RunView& window, NetworkWait& wait, const std::filesystem::path& listFile,
                const RunSettings& settings);
    ~WindowCheck();
    WindowCheck(const WindowCheck&) = delete;
    WindowCheck& operator=(const WindowCheck&) = delete;

    RunOutcome Run();
    // Stops the run at its next step; nothing more is requested.
    void Cancel();
    // Keeps the transfers moving until done() holds; false when cancelled.
    bool WaitUntil(const std::function<bool()>& done);
    // The current line's page, as the page-download window operation.
    std::optional<DownloadedPage> DownloadText(const std::u16string& url);
    // What the run found, page by page, for a view to hear as it goes; it
    // stays readable after the run, as long as this does.
    RunRecord& record();
    // The summary's counts of the last run.
    RunCounts counts() const;

private:
    std::unique_ptr<CheckRun> run_;
};

}  // namespace pardovane
