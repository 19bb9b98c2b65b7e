#pragma once

#include "engine/fetch/answer_cache.h"
#include "engine/fetch/lookahead_fetcher.h"
#include "engine/page/downloaded_page.h"
#include "engine/report/run_record.h"
#include "engine/run/check_engine.h"
#include "engine/run/run_outcome.h"
#include "engine/run/run_view.h"
#include "engine/settings/run_settings.h"
#include "engine/settings/url_exclusion.h"
#include "engine/setup/local_lines.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace pardovane {

class LocalFolder;
class NetworkWait;

// One check put together from its settings, the same way for the window and
// for pardovane-check: the exclusions, the fetcher that asks ahead of the
// run and the engine that runs it, made in the order each needs the one
// before, and set up alike (exclusions, content checks, crawl, soft 404s,
// a local folder). Each front end hands the run its view and takes from it
// what it shows.
class CheckRun {
public:
    // The pages of listFile, shown in view. exclusion: the settings'
    // patterns and any the front end has besides. folder, when the list is a
    // local folder's pages, answers the URLs under its base and names the
    // pages by their path; it must outlive the run. Without it, lines of the
    // list that name local pages by absolute path are those pages (see
    // LocalLines).
    CheckRun(RunView& view, const std::filesystem::path& listFile, const RunSettings& settings,
             UrlExclusion exclusion, const LocalFolder* folder = nullptr);
    // The same with the settings' patterns alone, checked when the settings
    // were read: one that fails now throws std::invalid_argument.
    CheckRun(RunView& view, const std::filesystem::path& listFile, const RunSettings& settings);
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    RunOutcome Run();
    // Stops the run at its next step; nothing more is requested.
    void Cancel();
    // Keeps the transfers moving until done() holds; false when cancelled.
    bool WaitUntil(const std::function<bool()>& done) { return fetcher_.WaitUntil(done); }
    // The current line's page, as the page-download window operation.
    std::optional<DownloadedPage> DownloadText(const std::u16string& url)
    {
        return fetcher_.DownloadText(url);
    }
    // How the run spends its waits for the network; by default in curl's poll.
    void SetNetworkWait(NetworkWait& wait) { fetcher_.SetNetworkWait(&wait); }
    // Answers of other sites' links kept across runs, younger than maxAge:
    // the cache the fetcher then asks and fills, for the caller to load
    // before the run and save after it.
    AnswerCache& KeepAnswers(std::chrono::seconds maxAge);

    CheckEngine& engine() { return engine_; }
    const CheckEngine& engine() const { return engine_; }
    RunRecord& record() { return engine_.record(); }
    const LookaheadFetcher& fetcher() const { return fetcher_; }

private:
    // Before the fetcher and the engine, which hold on to them.
    LocalLines local_;
    UrlExclusion exclusion_;
    std::optional<AnswerCache> answers_;
    LookaheadFetcher fetcher_;
    CheckEngine engine_;
};

}  // namespace pardovane
