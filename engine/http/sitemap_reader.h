#pragma once

#include "engine/http/http_settings.h"

#include <cstddef>
#include <string>
#include <vector>

namespace pardovane {

// The pages a sitemap names, to be checked as a list: a sitemap index's
// sitemaps are read in turn, each once, up to kMostSitemaps.
struct SitemapPages {
    std::vector<std::u16string> pages;  // in the order the sitemaps name them
    std::size_t left = 0;               // named beyond maxPages
    std::string error;                  // why a sitemap could not be read
};

inline constexpr std::size_t kMostSitemaps = 50'000;  // as many as one index may name

SitemapPages ReadSitemap(const std::u16string& url, const HttpSettings& settings, std::size_t maxPages);

}  // namespace pardovane
