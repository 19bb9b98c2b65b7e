#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pardovane {

// What one sitemap file says (sitemaps.org): the <loc> of each <url> of a
// <urlset>, or of each <sitemap> of a <sitemapindex>, in document order,
// blanks around them trimmed. Bytes that begin as gzip does are inflated
// first, up to maxBytes. Read with expat, which fetches no external
// entity and refuses an explosion of internal ones.
struct SitemapFile {
    bool index = false;  // its locations are sitemaps, not pages
    std::vector<std::u16string> locations;
    std::string error;  // why it could not be read; empty when it could
};

SitemapFile ParseSitemap(std::string_view bytes, std::size_t maxBytes);

}  // namespace pardovane
