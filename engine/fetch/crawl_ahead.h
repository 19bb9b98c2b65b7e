#pragma once

#include "engine/fetch/fetch_job.h"
#include "engine/fetch/fetch_queue.h"
#include "engine/http/probe_result.h"
#include "engine/page/robots_rules.h"
#include "engine/run/crawl_frontier.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace pardovane {

// What the fetcher foresees of a crawl, to fetch its pages before the run
// reaches them: which links of a page it will read as pages, each site's
// robots.txt rules once they came, and how far it has read the run's queue.
// It guesses as the run decides (CrawlFrontier) but from what it has seen
// so far; a wrong guess costs a second request, never a verdict.
class CrawlAhead {
public:
    // Not owned; the run's own frontier, read only.
    void Follow(const CrawlFrontier& frontier, std::string agent);
    bool on() const { return frontier_ != nullptr; }
    const CrawlFrontier& frontier() const { return *frontier_; }
    const std::string& agent() const { return agent_; }
    // A new run: no rules known, nothing guessed.
    void Reset();

    // The request for origin's robots.txt, made once: it goes first, so
    // that the pages its links lead to are fetched as the crawl will read them.
    FetchJobPtr RobotsJob(const std::u16string& origin, FetchQueue& queue);
    // A robots job ended: its rules stored.
    void RobotsDone(FetchJob& job);
    // Requests dropped: none is waited for any more.
    void DropJobs() { robotsJobs_.clear(); }

    // The rules of origin once they came; null before.
    const RobotsRules* Known(const std::u16string& origin) const;
    const RobotsRules& Store(const std::u16string& origin, RobotsRules rules);
    // The answer to the request for robotsUrl, none when there was none.
    void StoreAnswer(const std::u16string& robotsUrl, const std::optional<DownloadResult>& answer);
    // Whether the run will read url as a page, should it answer HTML, when
    // a page at depth under scope links to it: in scope, not too deep,
    // robots.txt not known to forbid it, and the pages guessed leave the
    // crawl room (CrawlFrontier::Full). Counts it when so.
    bool WillRead(std::u16string_view url, const std::u16string& scope, std::uint32_t depth);
    // Whether the answer to a guessed page leaves it one the run may read:
    // HTML, under scope after redirects, and not known to be disallowed.
    bool MayRead(const std::u16string& url, const ProbeResult& answer, const std::u16string& scope) const;
    // Whether url's site said what it allows, or need not.
    bool RulesKnown(const std::u16string& url) const;
    // The next place in the run's queue to fetch ahead from.
    std::size_t& queueRead() { return queueRead_; }

private:
    bool Allowed(std::u16string_view url) const;

    const CrawlFrontier* frontier_ = nullptr;
    std::string agent_;
    std::unordered_map<std::u16string, RobotsRules> robots_;
    std::unordered_map<std::u16string, FetchJobPtr> robotsJobs_;  // by origin, until their rules are stored
    std::size_t guessed_ = 0;
    std::size_t queueRead_ = 0;
};

}  // namespace pardovane
