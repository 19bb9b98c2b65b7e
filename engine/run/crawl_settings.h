#pragma once

#include <cstddef>
#include <limits>

namespace pardovane {

// How far a check goes beyond the pages it is given.
struct CrawlSettings {
    // Each listed page is a start page: the HTML pages its <a href> links
    // lead to on its origin, under its directory, are checked as pages too.
    bool recurse = false;
    // Pages a site's robots.txt disallows are checked as links, not read.
    bool obeyRobots = true;
    // Pages in all, listed ones included; those found beyond are left out.
    // Also the most pages a sitemap or a local folder gives. A crawl of this
    // many pages stays within 256 MB (see bench/e2e.py).
    std::size_t maxPages = 100'000;
    // Links from a start page to a page that is still read.
    std::size_t maxDepth = std::numeric_limits<std::size_t>::max();
};

}  // namespace pardovane
