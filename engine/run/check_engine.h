#pragma once

#include "engine/http/robots_source.h"
#include "engine/http/url_prober.h"
#include "engine/page/id_set.h"
#include "engine/page/link_exclusion.h"
#include "engine/page/link_target.h"
#include "engine/page/local_folder.h"
#include "engine/page/page_links.h"
#include "engine/page/place_counter.h"
#include "engine/report/run_observer.h"
#include "engine/report/run_record.h"
#include "engine/report/text_report.h"
#include "engine/run/content_checks.h"
#include "engine/run/crawl_frontier.h"
#include "engine/run/crawl_settings.h"
#include "engine/run/run_outcome.h"
#include "engine/run/run_state.h"
#include "engine/run/run_view.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace pardovane {

// The link checking engine. It owns the one RunState of its window; its
// procedures share that record instead of passing arguments, and reach the
// screen only through the window operations.
class CheckEngine {
public:
    CheckEngine(RunView& window, UrlProber& prober, std::filesystem::path listFile);
    CheckEngine(const CheckEngine&) = delete;
    CheckEngine& operator=(const CheckEngine&) = delete;

    void RunCheck();
    // Stops the run in progress at its next step: nothing more is asked,
    // shown or reported, and the report box keeps what it showed. For a
    // window that is closing; the next run starts as usual.
    void Cancel() { cancelRequested_ = true; }
    // 1 when url is good, 0 when it is bad; each distinct text is requested
    // at most once per run.
    int CheckUrl(const std::u16string& url);
    void ScanPage();
    // Judges the link at linkStart..scanPos of the page (or, in sheet, the
    // stylesheet it is written in, depth stylesheets deep), and the links
    // of a stylesheet it loads.
    void CheckLink(const PageLink& link, const std::u16string* sheet = nullptr, int depth = 0);

    // Links whose resolved URL the user excludes are skipped, not probed.
    void SetLinkExclusion(LinkExclusion exclusion) { exclusion_ = std::move(exclusion); }
    // With settings.recurse, every listed page starts a crawl whose pages
    // follow the list's (see CrawlFrontier); robots is not owned. Without
    // it, only the listed pages are read.
    void SetCrawl(const CrawlSettings& settings, RobotsSource& robots);
    // What is judged besides <a href> and <img src>; nothing (the default)
    // judges those alone.
    void SetContentChecks(ContentChecks checks) { checks_ = checks; }
    // A local folder's files (not owned): a Markdown page's links into it
    // are judged by whether the file or folder they name is there, without
    // asking for it, as GitHub shows a repository.
    void SetLocalFolder(const LocalFolder* folder) { folder_ = folder; }
    // How the report, the labels and the messages name a page: the URL
    // itself unless set.
    using PageNames = std::function<std::u16string(std::u16string_view url)>;
    void SetPageNames(const PageNames& names)
    {
        names_ = names;
        record_.SetPageNames(names);
    }

    // Not owned; each must outlive the runs it hears.
    void AddObserver(RunObserver& observer) { observers_.push_back(&observer); }

    const RunState& state() const { return state_; }
    // What the run found, page by page, as each page ends; by default only
    // the page being checked (RunRecord::SetKeep).
    RunRecord& record() { return record_; }
    const RunRecord& record() const { return record_; }
    const RunOutcome& lastRun() const { return lastRun_; }
    const std::filesystem::path& listFile() const { return listFile_; }
    // The pages the last (or current) run's crawl found.
    const CrawlFrontier& frontier() const { return frontier_; }

private:
    bool CheckPage(std::uint64_t offset, const std::optional<CrawlFrontier::Page>& found);
    void ReportBadPage();
    void EndPage(bool reachable, bool downloaded);
    void JudgeSheet(const std::u16string& url, int depth);
    bool FollowedByCrawl(LinkScanner::Element element) const;
    bool FragmentFound(const LinkTarget& target);
    int CheckLocal(const std::u16string& url);
    std::u16string PageName() const;
    void CountWarning(const std::u16string& url);

    RunState state_;
    // Heard first; it writes each page's block of the report as it goes.
    RunRecord record_;
    TextReport textReport_{state_.report};
    RunView& window_;
    UrlProber& prober_;
    std::filesystem::path listFile_;
    RunOutcome lastRun_;
    bool cancelRequested_ = false;
    LinkExclusion exclusion_;
    ContentChecks checks_;
    // Stylesheets of the current page already read (within kMostSheetDepth),
    // and its own ids.
    std::unordered_set<std::u16string> sheetsExpanded_;
    std::optional<IdSet> pageIds_;
    // Counts the page's lines, only for a record that keeps places.
    std::optional<PlaceCounter> places_;
    PageFormat pageFormat_ = PageFormat::Html;
    std::uint32_t pageLines_ = 0;  // of a Markdown page, once its ids are known
    const LocalFolder* folder_ = nullptr;
    PageNames names_;
    bool crawling_ = false;
    CrawlSettings crawlSettings_;
    RobotsSource* robots_ = nullptr;
    CrawlFrontier frontier_;
    std::optional<CrawlFrontier::Page> crawlPage_;  // of the page being scanned
    // Good URLs whose answer carries a warning, as views into the cache.
    std::unordered_set<std::u16string_view> warned_;
    template <typename Call>
    void Notify(Call call)
    {
        for (RunObserver* observer : observers_)
            call(*observer);
    }

    std::vector<RunObserver*> observers_;
};

}  // namespace pardovane
