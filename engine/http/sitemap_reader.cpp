#include "engine/http/sitemap_reader.h"

#include "engine/http/ca_environment.h"
#include "engine/http/http_request.h"
#include "engine/http/request_url.h"
#include "engine/page/sitemap_parser.h"
#include "engine/page/utf_convert.h"

#include <deque>
#include <unordered_set>

namespace pardovane {
namespace {

// The sitemap's bytes, or why there are none.
std::string Fetch(const std::u16string& url, const HttpSettings& settings, std::string& error)
{
    auto wire = RequestUrlFor(url);
    const auto request = HttpRequest::Create(nullptr, settings);
    if (auto* failure = std::get_if<HttpFailure>(&wire); failure || !request) {
        error = failure ? HttpFailureName(*failure) : "no request object";
        return {};
    }
    DownloadResult result = request->Download(std::get<std::string>(wire));
    if (!result.ok())
        error = HttpFailureName(result.failure);
    else if (result.status >= 400)
        error = "HTTP " + std::to_string(result.status);
    return std::move(result.body);
}

}  // namespace

SitemapPages ReadSitemap(const std::u16string& url, const HttpSettings& given, std::size_t maxPages)
{
    const HttpSettings settings = WithCaEnvironment(given);
    SitemapPages result;
    std::deque<std::u16string> toRead{url};
    std::unordered_set<std::u16string> seen{url};
    while (!toRead.empty()) {
        const std::u16string sitemap = std::move(toRead.front());
        toRead.pop_front();
        std::string error;
        const std::string bytes = Fetch(sitemap, settings, error);
        SitemapFile file;
        if (error.empty())
            file = ParseSitemap(bytes, settings.downloadCapBytes);
        if (error.empty())
            error = file.error;
        if (!error.empty()) {
            result.error = "the sitemap " + Utf16ToUtf8(sitemap) + " could not be read: " + error;
            return result;
        }
        for (std::u16string& location : file.locations) {
            if (file.index) {
                if (seen.size() < kMostSitemaps && seen.insert(location).second)
                    toRead.push_back(std::move(location));
            } else if (result.pages.size() < maxPages) {
                result.pages.push_back(std::move(location));
            } else {
                ++result.left;
            }
        }
    }
    return result;
}

}  // namespace pardovane
