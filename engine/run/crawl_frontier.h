#pragma once

#include "engine/http/probe_result.h"
#include "engine/http/robots_source.h"
#include "engine/run/crawl_settings.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace pardovane {

// The pages a crawl adds to a run after its listed ones, each URL once, in
// the order the run finds them: breadth first, since every page's links
// queue behind those of the pages before it. It keeps URLs, never page
// texts, and most as views of texts the run keeps anyway (its verdict
// cache), which must outlive the run.
class CrawlFrontier {
public:
    struct Page {
        std::u16string_view url;
        std::uint32_t scope = 0;  // its start page's directory, see ScopeOf
        std::uint32_t depth = 0;  // links from that start page
    };

    // A new run: nothing seen, nothing queued.
    void Start(const CrawlSettings& settings, RobotsSource& robots);
    const CrawlSettings& settings() const { return settings_; }

    // A listed page, which finally came from finalUrl: what its crawl finds
    // stays under finalUrl's directory.
    Page AddStart(std::u16string_view url, std::u16string_view finalUrl);
    // What the request for url said. An HTML answer is kept, with where a
    // redirect led it; nothing else can become a page.
    void Learn(std::u16string_view url, const ProbeResult& result);
    // A good <a href> link of page from: queued when it was not seen yet,
    // lies (and landed, after redirects) under from's scope, answered HTML,
    // the site's robots.txt lets it be read and it is not too deep;
    // counted as left out once the pages reach the most allowed.
    void Offer(std::u16string_view url, const Page& from);
    // The next queued page, in order.
    std::optional<Page> Next();

    // Whether a crawl that found this many pages beyond its start pages
    // holds the most allowed: the one count of the page cap.
    bool Full(std::size_t found) const { return startPages_ + found >= settings_.maxPages; }
    // Whether url is a page of the run, or queued to be one.
    bool Seen(std::u16string_view url) const { return seen_.contains(url); }
    const std::u16string& ScopeOf(const Page& page) const { return scopes_[page.scope]; }
    // Pages found that the most allowed left out.
    std::size_t pagesLeft() const { return left_.size(); }
    // Queued pages, taken or not, in order; the run has taken position().
    std::size_t size() const { return pages_.size(); }
    std::size_t position() const { return next_; }
    const Page& operator[](std::size_t i) const { return pages_[i]; }

private:
    bool Allowed(std::u16string_view url) const;

    CrawlSettings settings_;
    RobotsSource* robots_ = nullptr;
    std::deque<std::u16string> scopes_;
    std::unordered_map<std::u16string_view, std::uint32_t> scopeIds_;
    std::deque<Page> pages_;
    std::size_t next_ = 0;
    std::size_t startPages_ = 0;
    std::unordered_set<std::u16string_view> seen_;
    std::unordered_set<std::u16string_view> left_;
    // HTML answers, with where a redirect led them (empty: nowhere).
    std::unordered_map<std::u16string_view, std::u16string> html_;
    // Where start pages finally came from, which the cache need not hold.
    std::deque<std::u16string> finalUrls_;
};

}  // namespace pardovane
