#pragma once

#include "engine/http/probe_result.h"
#include "engine/page/link_scanner.h"
#include "engine/page/link_target.h"
#include "engine/report/run_observer.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pardovane {

// What the run learned of one URL, kept once however often pages link to it.
struct UrlFacts {
    // The answer to its request; none for a URL never requested (a skipped
    // link, or the empty URL, which the run judges bad without asking).
    std::optional<ProbeResult> probe;
    std::u16string skipDetail;  // the scheme or the pattern, when skipped
    // What the reports call it, when not the URL itself (RunRecord::NameOf),
    // worked out once however many links name it.
    std::u16string name;
    // For a stylesheet: the file it is (RunRecord::FileOf), when it is one.
    std::u16string file;
};
using UrlEntry = std::pair<const std::u16string, UrlFacts>;

// What the reports call a URL the run recorded.
inline const std::u16string& NamedUrl(const UrlEntry& entry)
{
    return entry.second.name.empty() ? entry.first : entry.second.name;
}

// One link occurrence: judged, or left alone for its scheme or the user's
// exclusion. Small, as one page may hold millions of them; its URL and
// what is known of it are shared.
struct LinkRecord {
    std::u16string link;  // as written in the page
    const UrlEntry* target = nullptr;
    LinkTarget::Kind kind = LinkTarget::Kind::Probe;
    bool good = false;
    LinkScanner::Element element = LinkScanner::Element::Anchor;
    bool fragmentMissing = false;     // its target answered, without the place its #fragment names
    const UrlEntry* sheet = nullptr;  // the stylesheet it is written in; null: the page
    // Where its value begins in the page or the stylesheet (see TextPlace); 0: not known.
    std::uint32_t line = 0;
    std::uint32_t column = 0;

    // As probed, or as resolved when skipped.
    const std::u16string& url() const { return target->first; }
    // The URL as the reports name it.
    const std::u16string& name() const { return NamedUrl(*target); }
    // The answer that decided the verdict.
    const std::optional<ProbeResult>& probe() const { return target->second.probe; }
    const std::u16string& skipDetail() const { return target->second.skipDetail; }
    bool skipped() const { return kind != LinkTarget::Kind::Probe; }
    bool broken() const { return !skipped() && !good; }
    // Good, with a warning to show.
    bool warned() const { return !skipped() && good && probe() && probe()->warned(); }
};

// One non-empty line of the list file and what became of it.
struct PageRecord {
    std::u16string url;       // as the reports name it (RunRecord::NameOf)
    std::u16string file;      // the file it is, when it is one (RunRecord::FileOf)
    bool reachable = false;   // its own probe was good
    bool downloaded = false;  // its text came, so its links were checked
    std::optional<ProbeResult> probe;
    // Its link occurrences, as RunRecord::LinksOf gives them.
    std::size_t firstLink = 0;
    std::size_t linkCount = 0;
    int badLinks = 0;

    int warnedLinks = 0;

    // The page's block ends in "<OK>": reached, read, and no link bad.
    bool good() const { return reachable && downloaded && badLinks == 0; }
    // Reached, with a warning about its own answer.
    bool warned() const { return reachable && probe && probe->warned(); }
};

// The run's counters, as the summary line gives them.
struct RunCounts {
    std::int32_t checked = 0;
    std::int32_t errors = 0;
    int badPages = 0;
    int warnings = 0;  // pages and link occurrences good with a warning
};

// Hears each record as it is made: a renderer that writes as the run goes,
// or a view that shows findings while the run goes on.
class RecordListener {
public:
    virtual ~RecordListener() = default;
    // A new run starts; what was recorded before is gone.
    virtual void OnRecordCleared() { }
    // A link with something to say, broken or warned, on the page being recorded.
    virtual void OnFinding(const PageRecord& page, const LinkRecord& link) = 0;
    // The page's record is complete.
    virtual void OnPageRecorded(const PageRecord& page) = 0;
};

// Hears a check run and keeps, per listed page in order, every link verdict
// with the answer behind it, for the machine-readable reports. The run asks
// each URL once, so answers are remembered by URL for the links and pages
// that repeat one.
class RunRecord : public RunObserver {
public:
    // What is kept once heard: only the page being recorded, whose findings
    // go to the listeners as they come (the text report needs no more);
    // every page with its findings, broken or warned links (the markdown
    // report, a list of findings); or every page with every link, for the
    // formats that list every link.
    enum class Keep { CurrentPage, Findings, EveryLink };
    void SetKeep(Keep keep) { keep_ = keep; }
    // Whether links are kept beyond their page, for reports that say where
    // each stands: only then are their places worth counting.
    bool WantsPlaces() const { return keep_ != Keep::CurrentPage; }
    // Not owned; each must outlive the runs it hears.
    void AddListener(RecordListener& listener) { listeners_.push_back(&listener); }

    // How pages are named, as the engine names them (CheckEngine::SetPageNames).
    void SetPageNames(std::function<std::u16string(std::u16string_view url)> names)
    {
        names_ = std::move(names);
    }
    // What the reports call any URL of the run, pages' and links' alike.
    std::u16string NameOf(std::u16string_view url) const
    {
        return names_ ? names_(url) : std::u16string(url);
    }
    // Which file a page or stylesheet is, as a path from the working
    // directory, for reports that point into files; empty for a URL that is
    // no file. Unset: none is.
    void SetFiles(std::function<std::u16string(std::u16string_view url)> files) { files_ = std::move(files); }
    std::u16string FileOf(std::u16string_view url) const { return files_ ? files_(url) : std::u16string(); }

    void OnRunStart(const ListFile& list) override;
    void OnPageStart(const std::u16string& pageUrl, std::uint64_t offset) override;
    void OnLinkJudged(const JudgedLink& link) override;
    void OnLinkSkipped(const std::u16string& linkText, const LinkTarget& target, LinkScanner::Element element,
                       TextPlace place) override;
    void OnPageEnd(bool reachable, bool downloaded) override;
    void OnProbe(const std::u16string& url, const ProbeResult& result) override;

    // A page's link occurrences, in the order of the page, for a range-for.
    struct Links {
        std::deque<LinkRecord>::const_iterator first;
        std::deque<LinkRecord>::const_iterator last;
        auto begin() const { return first; }
        auto end() const { return last; }
    };

    const std::vector<PageRecord>& pages() const { return pages_; }
    Links LinksOf(const PageRecord& page) const
    {
        const auto first = links_.begin() + static_cast<std::ptrdiff_t>(page.firstLink);
        return {first, first + static_cast<std::ptrdiff_t>(page.linkCount)};
    }

private:
    UrlEntry& Entry(const std::u16string& url);
    UrlEntry& SheetEntry(const std::u16string& url);
    LinkRecord& NewLink(const std::u16string& text);
    void Added(const LinkRecord& link);

    // Whether a link of this verdict is recorded at all.
    bool Recorded(bool broken, bool warned) const { return keep_ == Keep::EveryLink || broken || warned; }

    Keep keep_ = Keep::EveryLink;
    std::vector<RecordListener*> listeners_;
    std::function<std::u16string(std::u16string_view url)> names_;
    std::function<std::u16string(std::u16string_view url)> files_;
    std::u16string pageUrl_;  // of the page being recorded
    std::vector<PageRecord> pages_;
    // One for the run: it grows without moving what it holds.
    std::deque<LinkRecord> links_;
    LinkRecord scratch_;  // when no link is kept
    std::unordered_map<std::u16string, UrlFacts> urls_;
};

// Why a request was judged bad, in a few words: the failure's name, or
// "HTTP " and the status.
std::string ProbeReason(const std::optional<ProbeResult>& probe);
// Why a link was judged bad: its request's reason, or "fragment not found".
std::string LinkReason(const LinkRecord& link);

}  // namespace pardovane
