#pragma once

#include <cstddef>

namespace pardovane {

// How the last run ended, for front ends that report an exit status.
struct RunOutcome {
    bool listFileFailed = false;
    bool cancelled = false;     // stopped by Cancel before its end
    int badPages = 0;           // listed pages judged bad or whose download failed
    int warnings = 0;           // pages and link occurrences good with a warning
    std::size_t pagesLeft = 0;  // found by a crawl beyond its most pages
};

}  // namespace pardovane
