#pragma once

#include "engine/link_target.h"
#include "engine/probe_result.h"
#include "engine/run_observer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pardovane {

// One link occurrence: judged, or left alone for its scheme or the user's
// exclusion.
struct LinkRecord {
    std::u16string link;  // as written in the page
    std::u16string url;   // as probed, or as resolved when skipped
    bool good = false;
    // The answer that decided the verdict; none for the empty URL, which the
    // run judges bad without asking.
    std::optional<ProbeResult> probe;
    LinkTarget::Kind kind = LinkTarget::Kind::Probe;
    std::u16string skipDetail;  // the scheme or the pattern

    bool skipped() const { return kind != LinkTarget::Kind::Probe; }
    bool broken() const { return !skipped() && !good; }
};

// One non-empty line of the list file and what became of it.
struct PageRecord {
    std::u16string url;
    bool reachable = false;   // its own probe was good
    bool downloaded = false;  // its text came, so its links were checked
    std::optional<ProbeResult> probe;
    std::vector<LinkRecord> links;

    // The page's block ends in "<OK>": reached, read, and no link bad.
    bool good() const;
    int badLinks() const;
};

// The run's counters, as the summary line gives them.
struct RunCounts {
    std::int32_t checked = 0;
    std::int32_t errors = 0;
    int badPages = 0;
};

// Hears a check run and keeps, per listed page in order, every link verdict
// with the answer behind it, for the machine-readable reports. The run asks
// each URL once, so answers are remembered by URL for the links and pages
// that repeat one.
class RunRecord : public RunObserver {
public:
    void OnRunStart() override;
    void OnPageStart(const std::u16string& pageUrl, std::uint64_t offset) override;
    void OnLinkJudged(const std::u16string& linkText, const std::u16string& url, bool good) override;
    void OnLinkSkipped(const std::u16string& linkText, const LinkTarget& target) override;
    void OnPageEnd(bool reachable, bool downloaded) override;
    void OnProbe(const std::u16string& url, const ProbeResult& result) override;

    const std::vector<PageRecord>& pages() const { return pages_; }

private:
    std::optional<ProbeResult> AnswerFor(const std::u16string& url) const;

    std::vector<PageRecord> pages_;
    std::unordered_map<std::u16string, ProbeResult> answers_;
};

// Why a request was judged bad, in a few words: the failure's name, or
// "HTTP " and the status.
std::string ProbeReason(const std::optional<ProbeResult>& probe);

}  // namespace pardovane
